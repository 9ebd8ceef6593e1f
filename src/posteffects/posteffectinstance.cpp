// Post-effect instances: switching an animator on and off by time and rounds.
#include "posteffects/posteffectinstance.h"

#include "engine/kvnode.h"
#include "posteffects/posteffectanimator.h"
#include "posteffects/posteffectlibrary.h"

PostEffectInstance::PostEffectInstance(const KVNode* node, PostEffectLibrary* library) : m_library(library) {
  if (!node) return;
  node->Read(u"NAME", m_name);
  node->Read(u"ANIMATOR_NAME", m_animatorName);
  // A present key sets both of its fields; a missing second value reads as 0.
  if (const KVNode* timer = node->GetChild(0, u"TIMER_PARAMS")) {
    const KVValue* flag = timer->GetValue(0);
    const KVValue* seconds = timer->GetValue(1);
    m_timed = flag && flag->AsInt() != 0;
    m_duration = seconds ? seconds->AsDouble() : 0.0;
  }
  if (const KVNode* rounds = node->GetChild(0, u"ROUND_PARAMS")) {
    const KVValue* flag = rounds->GetValue(0);
    const KVValue* limit = rounds->GetValue(1);
    m_counted = flag && flag->AsInt() != 0;
    m_roundLimit = limit ? limit->AsInt() : 0;
  }
}

PostEffectInstance::PostEffectInstance(const PostEffectInstance& other)
    : m_library(other.m_library),
      m_animator(other.m_animator ? other.m_animator->Clone() : nullptr),
      m_name(other.m_name),
      m_animatorName(other.m_animatorName),
      m_timed(other.m_timed),
      m_elapsed(other.m_elapsed),
      m_duration(other.m_duration),
      m_counted(other.m_counted),
      m_rounds(other.m_rounds),
      m_roundLimit(other.m_roundLimit),
      m_active(other.m_active),
      m_armed(other.m_armed) {}

PostEffectInstance::~PostEffectInstance() = default;

std::unique_ptr<PostEffectInstance> PostEffectInstance::Clone() const {
  return std::unique_ptr<PostEffectInstance>(new PostEffectInstance(*this));
}

void PostEffectInstance::Bind() {
  if (m_animator) return;
  if (m_library) m_animator = m_library->CreateAnimator(&m_animatorName);
  if (m_animator) m_animator->Attach();
  m_active = false;
}

void PostEffectInstance::Start() {
  if (m_animator && !m_active) m_animator->Activate();
  m_active = true;
  m_elapsed = 0.0;
  m_rounds = 0;
}

void PostEffectInstance::StartIfDue() {
  if (IsDone()) return;
  if (m_animator && !m_active) m_animator->Activate();
  m_active = true;
  m_armed = false;
}

void PostEffectInstance::Deactivate() {
  if (m_animator && m_active) m_animator->Deactivate();
  m_active = false;
}

void PostEffectInstance::Stop() {
  Deactivate();
  m_armed = false;
}

void PostEffectInstance::Arm() {
  m_elapsed = 0.0;
  m_rounds = 0;
  m_armed = true;
}

void PostEffectInstance::Update(const double* dt) {
  if (m_animator) m_animator->Update(dt);
  if (m_active && m_timed && dt) {
    m_elapsed += *dt;
    if (m_elapsed >= m_duration) Deactivate();
  }
}

void PostEffectInstance::CountRound() {
  ++m_rounds;
  if (m_counted && m_active && m_rounds >= m_roundLimit) Deactivate();
}

void PostEffectInstance::SetRoundLimit(int32_t limit) {
  if (!m_active) m_roundLimit = limit;
}

void PostEffectInstance::SetStrength(const double* value) {
  if (m_animator) m_animator->SetStrength(value);
}

void PostEffectInstance::AddStrength(const double* value) {
  if (m_animator) m_animator->AddStrength(value);
}

bool PostEffectInstance::IsDone() const {
  if (m_armed) return false;
  if (m_counted && m_rounds < m_roundLimit) return false;
  if (m_timed && m_elapsed < m_duration) return false;
  return true;
}

bool PostEffectInstance::IsFinished() const {
  if (!IsDone()) return false;
  if (!m_animator) return true;
  return !m_active && m_animator->IsFinished();
}
