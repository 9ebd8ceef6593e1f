// The effect animators: value sets, strength, the list rule and removal after the blend back.
#include "posteffects/posteffectanimator.h"

#include "engine/kvnode.h"
#include "platform/random.h"
#include "posteffects/mype_effectcombination.h"
#include "posteffects/mype_kinds.h"
#include "posteffects/posteffectlibrary.h"

namespace {

// Up to `count` values of a key into out[0..count); missing values of a present key read
// as 0. False without the key.
template <typename T>
bool ReadValues(const KVNode* node, std::u16string_view key, T* out, unsigned count) {
  double v = 0.0;
  if (!node || !ReadEffectNumber(*node, key, 0, v)) return false;
  for (unsigned i = 0; i < count; ++i) {
    ReadEffectNumber(*node, key, i, v);
    out[i] = T(v);
  }
  return true;
}

// Only the values a present key carries; absent ones keep what stands.
template <typename T>
void ReadPresent(const KVNode* node, std::u16string_view key, T* out, unsigned count) {
  const KVNode* child = node ? node->GetChild(0, key) : nullptr;
  if (!child) return;
  for (unsigned i = 0; i < count && i < child->GetValueCount(); ++i)
    out[i] = T(child->GetValue(i)->AsDouble());
}

template <typename Kind>
MyPostEffect* TypedCopy(PostEffectLibrary* library, const std::u16string& name) {
  if (!library) return nullptr;
  std::unique_ptr<MyPostEffect> copy = library->CreateEffect(&name);
  if (!dynamic_cast<Kind*>(copy.get())) return nullptr;
  return copy.release();
}

MyPostEffect* AnyCopy(PostEffectLibrary* library, const std::u16string& name) {
  return library ? library->CreateEffect(&name).release() : nullptr;
}

}  // namespace

MyPostEffectAnimator::MyPostEffectAnimator(const KVNode* node, PostEffectLibrary* library)
    : m_library(library) {
  if (!node) return;
  node->Read(u"NAME", m_name);
  node->Read(u"POSTEFFECT_NAME", m_effectName);
  node->Read(u"POSTEFFECT_PREV_NAME", m_previousEffectName);
  node->Read(u"POSTEFFECT_NEXT_NAME", m_nextEffectName);
  if (const KVValue* remove = node->Find(u"REMOVE_ON_INACTIVE")) m_removeOnInactive = remove->AsBool();
}

MyPostEffectAnimator::~MyPostEffectAnimator() {
  for (MyPostEffect* effect : {m_previousEffect, m_effect, m_nextEffect}) {
    if (!effect) continue;
    if (m_library) m_library->DeactivateEffect(effect);
    delete effect;
  }
}

void MyPostEffectAnimator::CloneEffects() {
  for (MyPostEffect** effect : {&m_effect, &m_nextEffect, &m_previousEffect})
    if (*effect) *effect = (*effect)->Clone().release();
}

void MyPostEffectAnimator::StepEffect(MyPostEffect* effect, const double* dt) const {
  if (!effect || !dt) return;
  if (m_library && m_library->IsOnActiveList(effect)) return;
  effect->Update(*dt);
}

void MyPostEffectAnimator::ListRule() {
  if (m_onList || !m_library) return;
  for (MyPostEffect* effect : {m_previousEffect, m_effect, m_nextEffect})
    if (effect) m_library->ActivateEffect(effect);
  m_onList = true;
}

void MyPostEffectAnimator::RemoveWhenDone(bool blendsFinished) {
  if (!m_removeOnInactive || m_active || !m_onList || !blendsFinished) return;
  if (m_library)
    for (MyPostEffect* effect : {m_previousEffect, m_effect, m_nextEffect})
      if (effect) m_library->DeactivateEffect(effect);
  m_onList = false;
}

// --- light ---

PEA_Light::PEA_Light(const KVNode* node, PostEffectLibrary* library) : MyPostEffectAnimator(node, library) {
  float values[3] = {};
  if (ReadValues(node, u"LIGHT_PARAMS_ACTIVE", values, 3))
    m_activeValues = {0.0f, values[0], values[1], values[2]};
  if (ReadValues(node, u"LIGHT_PARAMS_INACTIVE", values, 3))
    m_inactiveValues = {0.0f, values[0], values[1], values[2]};
  ReadPresent(node, u"SPEED", m_speed, 2);
}

std::unique_ptr<MyPostEffectAnimator> PEA_Light::Clone() const {
  auto copy = std::unique_ptr<PEA_Light>(new PEA_Light(*this));
  copy->CloneEffects();
  copy->m_onList = false;
  return copy;
}

void PEA_Light::Attach() {
  if (!m_effect) m_effect = TypedCopy<MyPE_Light>(m_library, m_effectName);
  if (m_effect) m_effect->SetParamV4_1Screen(m_inactiveValues, nullptr);
}

void PEA_Light::Activate() {
  if (!m_effect) return;
  platform::Vector4 v = m_activeValues;
  v.z = 1.0f - (1.0f - v.z) * m_strength;
  const double time = m_speed[0];
  m_effect->SetParamV4_1Screen(v, &time);
  m_active = true;
  ListRule();
}

void PEA_Light::Deactivate() {
  if (!m_effect) return;
  const double time = m_speed[1];
  m_effect->SetParamV4_1Screen(m_inactiveValues, &time);
  m_active = false;
  ListRule();
}

void PEA_Light::Update(const double* dt) {
  if (!m_effect) return;
  StepEffect(m_effect, dt);
  RemoveWhenDone(m_effect->BlendsFinished());
}

bool PEA_Light::IsFinished() const { return !m_effect || m_effect->BlendsFinished(); }
void PEA_Light::SetStrength(const double* value) {
  if (value) m_strength = float(*value);
}
void PEA_Light::AddStrength(const double* value) {
  if (value) m_strength = float(m_strength + *value);
}

// --- saturation ---

PEA_Saturate::PEA_Saturate(const KVNode* node, PostEffectLibrary* library)
    : MyPostEffectAnimator(node, library) {
  ReadValues(node, u"SATURATE_RAND_PARAMS_ACTIVE", &m_randomAmplitude, 1);
  ReadValues(node, u"SATURATE_PARAMS_ACTIVE", &m_activeValue, 1);
  ReadValues(node, u"SATURATE_PARAMS_INACTIVE", &m_inactiveValue, 1);
  ReadPresent(node, u"SPEED", m_speed, 3);
}

std::unique_ptr<MyPostEffectAnimator> PEA_Saturate::Clone() const {
  auto copy = std::unique_ptr<PEA_Saturate>(new PEA_Saturate(*this));
  copy->CloneEffects();
  copy->m_onList = false;
  return copy;
}

void PEA_Saturate::Attach() {
  if (!m_effect) m_effect = TypedCopy<MyPE_Saturate>(m_library, m_effectName);
  if (m_effect) m_effect->SetParamF_1(m_inactiveValue, nullptr);
}

void PEA_Saturate::Activate() {
  if (!m_effect) return;
  const float value = m_activeValue * m_strength;
  m_effect->SetParamF_1(value, &m_speed[0]);
  m_active = true;
  ListRule();
}

void PEA_Saturate::Deactivate() {
  if (!m_effect) return;
  m_effect->SetParamF_1(m_inactiveValue, &m_speed[1]);
  m_active = false;
  ListRule();
}

void PEA_Saturate::Update(const double* dt) {
  if (!m_effect) return;
  StepEffect(m_effect, dt);
  RemoveWhenDone(m_effect->BlendsFinished());
  if (m_active && m_onList && m_effect->BlendsFinished()) {
    const double r = platform::Rand() / 32767.0 * 2.0 - 1.0;
    const float target = float(m_activeValue * m_strength + r * m_randomAmplitude * m_strength);
    m_effect->SetParamF_1(target, &m_speed[2]);
  }
}

bool PEA_Saturate::IsFinished() const { return !m_effect || m_effect->BlendsFinished(); }
void PEA_Saturate::SetStrength(const double* value) {
  if (value) m_strength = float(*value);
}
void PEA_Saturate::AddStrength(const double* value) {
  if (value) m_strength = float(m_strength + *value);
}

// --- wobble ---

PEA_Wobble::PEA_Wobble(const KVNode* node, PostEffectLibrary* library) : MyPostEffectAnimator(node, library) {
  float v[4] = {};
  if (ReadValues(node, u"SPEED_TILING_PARAMS_ACTIVE", v, 4)) m_activeValues = {v[0], v[1], v[2], v[3]};
  if (ReadValues(node, u"SPEED_TILING_PARAMS_INACTIVE", v, 4)) m_inactiveValues = {v[0], v[1], v[2], v[3]};
  ReadValues(node, u"AMPLITUDE_ACTIVE", &m_activeAmplitude, 1);
  ReadValues(node, u"AMPLITUDE_INACTIVE", &m_inactiveAmplitude, 1);
  ReadPresent(node, u"SPEED", m_speed, 2);
}

std::unique_ptr<MyPostEffectAnimator> PEA_Wobble::Clone() const {
  auto copy = std::unique_ptr<PEA_Wobble>(new PEA_Wobble(*this));
  copy->CloneEffects();
  copy->m_onList = false;
  return copy;
}

void PEA_Wobble::Attach() {
  if (!m_effect) m_effect = TypedCopy<MyPE_Wobble>(m_library, m_effectName);
  if (!m_effect) return;
  m_effect->SetParamF_1Pixels(m_inactiveAmplitude, nullptr);
  m_effect->SetParamV4_1(m_inactiveValues, nullptr);
}

void PEA_Wobble::Activate() {
  if (!m_effect) return;
  const double time = m_speed[0];
  const float amplitude = m_activeAmplitude * m_strength;
  m_effect->SetParamF_1Pixels(amplitude, &time);
  const platform::Vector4 v{m_activeValues.x * m_strength, m_activeValues.y * m_strength, m_activeValues.z,
                            m_activeValues.w};
  m_effect->SetParamV4_1(v, &time);
  m_active = true;
  ListRule();
}

void PEA_Wobble::Deactivate() {
  if (!m_effect) return;
  const double time = m_speed[1];
  m_effect->SetParamF_1Pixels(m_inactiveAmplitude, &time);
  m_effect->SetParamV4_1(m_inactiveValues, &time);
  m_active = false;
  ListRule();
}

void PEA_Wobble::Update(const double* dt) {
  if (!m_effect) return;
  StepEffect(m_effect, dt);
  RemoveWhenDone(m_effect->BlendsFinished());
}

bool PEA_Wobble::IsFinished() const { return !m_effect || m_effect->BlendsFinished(); }
void PEA_Wobble::SetStrength(const double* value) {
  if (value) m_strength = float(*value);
}
void PEA_Wobble::AddStrength(const double* value) {
  if (value) m_strength = float(m_strength + *value);
}

// --- scaling ---

PEA_Scaling::PEA_Scaling(const KVNode* node, PostEffectLibrary* library)
    : MyPostEffectAnimator(node, library) {
  float v[2] = {};
  if (ReadValues(node, u"SCALING_PARAMS_ACTIVE", v, 2)) m_activeScaling = {v[0], v[1]};
  if (ReadValues(node, u"SCALING_PARAMS_INACTIVE", v, 2)) m_inactiveScaling = {v[0], v[1]};
  ReadPresent(node, u"SPEED", m_speed, 2);
  if (const KVValue* invert = node ? node->Find(u"INVERT_SCALING") : nullptr) m_invert = invert->AsBool();
}

std::unique_ptr<MyPostEffectAnimator> PEA_Scaling::Clone() const {
  auto copy = std::unique_ptr<PEA_Scaling>(new PEA_Scaling(*this));
  copy->CloneEffects();
  copy->m_onList = false;
  return copy;
}

void PEA_Scaling::Attach() {
  if (!m_effect) m_effect = AnyCopy(m_library, m_effectName);
  if (!m_nextEffect) m_nextEffect = AnyCopy(m_library, m_nextEffectName);
  if (!m_previousEffect) m_previousEffect = AnyCopy(m_library, m_previousEffectName);
  if (m_effect) m_effect->SetScaling(m_inactiveScaling, m_invert, nullptr);
}

void PEA_Scaling::Activate() {
  if (!m_effect) return;
  m_effect->SetScaling(m_activeScaling, m_invert, &m_speed[0]);
  m_active = true;
  ListRule();
}

void PEA_Scaling::Deactivate() {
  if (!m_effect) return;
  m_effect->SetScaling(m_inactiveScaling, m_invert, &m_speed[1]);
  m_active = false;
  ListRule();
}

void PEA_Scaling::Update(const double*) {
  if (!m_effect) return;
  RemoveWhenDone(m_effect->BlendsFinished());
}

bool PEA_Scaling::IsFinished() const { return !m_effect || m_effect->BlendsFinished(); }

// --- blur ---

PEA_Blur::PEA_Blur(const KVNode* node, PostEffectLibrary* library) : MyPostEffectAnimator(node, library) {
  ReadValues(node, u"BLUR_PARAMS_ACTIVE", &m_activeValue, 1);
  ReadValues(node, u"BLUR_PARAMS_INACTIVE", &m_inactiveValue, 1);
  if (node) node->Read(u"BLUR_NAME", m_childName);
  ReadPresent(node, u"SPEED", m_speed, 2);
}

std::unique_ptr<MyPostEffectAnimator> PEA_Blur::Clone() const {
  auto copy = std::unique_ptr<PEA_Blur>(new PEA_Blur(*this));
  copy->CloneEffects();
  if (copy->m_effect && copy->m_library) {
    copy->m_library->ActivateEffect(copy->m_effect);
    copy->m_library->DeactivateEffect(copy->m_effect);
  }
  return copy;
}

MyPostEffect* PEA_Blur::Child() const {
  auto* combination = static_cast<MyPE_EffectCombination*>(m_effect);
  return combination ? combination->FindEffect(m_childName) : nullptr;
}

void PEA_Blur::Attach() {
  if (!m_effect) m_effect = TypedCopy<MyPE_EffectCombination>(m_library, m_effectName);
  if (!m_effect || !m_library) return;
  // Attaches the combination and creates its children without leaving it on the list.
  m_library->ActivateEffect(m_effect);
  m_library->DeactivateEffect(m_effect);
}

void PEA_Blur::Activate() {
  if (!m_effect) return;
  ListRule();
  MyPostEffect* child = Child();
  if (!child) return;
  child->SetParamF_1(m_activeValue, &m_speed[0]);
  m_active = true;
}

void PEA_Blur::Deactivate() {
  if (!m_effect) return;
  ListRule();
  MyPostEffect* child = Child();
  if (!child) return;
  child->SetParamF_1(m_inactiveValue, &m_speed[1]);
  m_active = false;
}

void PEA_Blur::Update(const double*) {
  if (!m_effect) return;
  MyPostEffect* child = Child();
  if (!child) return;
  RemoveWhenDone(child->BlendsFinished());
}

bool PEA_Blur::IsFinished() const {
  MyPostEffect* child = m_effect ? Child() : nullptr;
  return !child || child->BlendsFinished();
}
