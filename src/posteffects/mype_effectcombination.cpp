// The effect combination: children made from names, run in order, with cancel and routing.
#include "posteffects/mype_effectcombination.h"

#include "engine/kvnode.h"
#include "posteffects/mype_kinds.h"
#include "posteffects/myposteffectrenderdata.h"
#include "posteffects/posteffectlibrary.h"

MyPE_EffectCombination::MyPE_EffectCombination(const KVNode* node, const DataArchive* archive,
                                               APIContext* context)
    : MyPostEffect(node, archive, context) {
  if (!node) return;
  if (const KVNode* list = node->GetChild(0, u"POST_EFFECT_LISTE"))
    for (unsigned i = 0; i < list->GetValueCount(); ++i) m_names.push_back(list->GetValue(i)->Text());
  if (const KVValue* cancel = node->Find(u"CANCEL_ON_FAILURE")) m_cancelOnFailure = cancel->AsBool();
  if (const KVValue* type = node->Find(u"TYP")) m_type = type->Text() == u"BLOOM" ? kBloom : kOrdinary;
}

MyPE_EffectCombination::MyPE_EffectCombination(const MyPE_EffectCombination& other)
    : MyPostEffect(other),
      m_names(other.m_names),
      m_cancelOnFailure(other.m_cancelOnFailure),
      m_type(other.m_type) {}

MyPE_EffectCombination::~MyPE_EffectCombination() = default;

std::unique_ptr<MyPostEffect> MyPE_EffectCombination::Clone() const {
  return std::unique_ptr<MyPostEffect>(new MyPE_EffectCombination(*this));
}

void MyPE_EffectCombination::Create() {
  PostEffectLibrary* library = GetLibrary();
  if (!library) return;
  m_children.clear();
  for (const std::u16string& name : m_names) {
    std::unique_ptr<MyPostEffect> child = library->CreateEffect(&name);
    if (!child) continue;
    child->SetLibrary(library);
    child->Create();
    m_children.push_back(std::move(child));
  }
  // The created flag stays off: each child is a device object of its own and re-creates
  // itself after a reset.
  SetLost(false);
}

void MyPE_EffectCombination::SetLibrary(PostEffectLibrary* library) {
  MyPostEffect::SetLibrary(library);
  for (auto it = m_children.rbegin(); it != m_children.rend(); ++it) (*it)->SetLibrary(library);
}

void MyPE_EffectCombination::Render(MyPostEffectRenderData& data) { RenderChildren(data, m_children.size()); }

bool MyPE_EffectCombination::RenderAllButLast(MyPostEffectRenderData& data) {
  RenderChildren(data, m_children.empty() ? 0 : m_children.size() - 1);
  return WasRendered();
}

void MyPE_EffectCombination::RenderChildren(MyPostEffectRenderData& data, size_t count) {
  SetRendered(false);
  if (!IsEnabled()) return;
  const float keptX = data.scaleX, keptY = data.scaleY;
  const platform::SpriteQuad keptQuad = data.quad;
  for (size_t i = 0; i < count && i < m_children.size(); ++i) {
    MyPostEffect* child = m_children[i].get();
    child->Render(data);
    if (!m_cancelOnFailure || child->WasRendered()) continue;
    if (data.scaleX != keptX || data.scaleY != keptY) {
      data.quad = keptQuad;
      data.scaleX = keptX;
      data.scaleY = keptY;
      data.UploadQuad();
    }
    return;
  }
  SetRendered(true);
}

bool MyPE_EffectCombination::MakesOriginal() const {
  return !m_children.empty() && m_children.back()->MakesOriginal();
}

void MyPE_EffectCombination::Update(const double& dt) {
  bool enabled = true;
  for (auto it = m_children.rbegin(); it != m_children.rend(); ++it) {
    (*it)->Update(dt);
    enabled = enabled && (*it)->IsEnabled();
  }
  SetEnabled(enabled);
}

template <typename Kind>
MyPostEffect* MyPE_EffectCombination::FirstChildOf() const {
  for (const auto& child : m_children)
    if (dynamic_cast<Kind*>(child.get())) return child.get();
  return nullptr;
}

void MyPE_EffectCombination::SetParamF_1(const float& value, const double* time) {
  if (m_type != kBloom) {
    MyPostEffect::SetParamF_1(value, time);
    return;
  }
  if (MyPostEffect* bright = FirstChildOf<MyPE_Bright>()) bright->SetParamF_1(value, time);
}

void MyPE_EffectCombination::SetParamF_2(const float& value, const double* time) {
  if (m_type != kBloom) {
    MyPostEffect::SetParamF_2(value, time);
    return;
  }
  // The glow's strength is the bloom combine's first float, not its picture weight.
  if (MyPostEffect* combine = FirstChildOf<MyPE_BloomCombine>()) combine->SetParamF_1(value, time);
}

void MyPE_EffectCombination::Describe(std::ostream& out, const std::string& prefix) const {
  out << prefix << "AnzEffects: " << m_children.size() << std::endl;
  const std::string inner = prefix + "  ";
  for (const auto& child : m_children) child->Describe(out, inner);
}

MyPE_DOF* MyPE_EffectCombination::FindDOF() const {
  for (auto it = m_children.rbegin(); it != m_children.rend(); ++it)
    if (auto* dof = dynamic_cast<MyPE_DOF*>(it->get())) return dof;
  return nullptr;
}

MyPE_Scatter* MyPE_EffectCombination::FindScatter() const {
  for (auto it = m_children.rbegin(); it != m_children.rend(); ++it)
    if (auto* scatter = dynamic_cast<MyPE_Scatter*>(it->get())) return scatter;
  return nullptr;
}

MyPostEffect* MyPE_EffectCombination::FindEffect(const std::u16string* name) const {
  if (!name) return nullptr;
  for (auto it = m_children.rbegin(); it != m_children.rend(); ++it)
    if ((*it)->GetName() == *name) return it->get();
  return nullptr;
}
