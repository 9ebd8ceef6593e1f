// The post-effect library: templates, copies by name, the active list and the frame chain.
#include "posteffects/posteffectlibrary.h"

#include <algorithm>
#include <unordered_set>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/kvnode.h"
#include "engine/spriterenderer.h"
#include "posteffects/mype_effectcombination.h"
#include "posteffects/mype_kinds.h"
#include "posteffects/myposteffect.h"
#include "posteffects/posteffectanimator.h"
#include "posteffects/posteffectinstance.h"
#include "posteffects/posteffectscene.h"

namespace {

constexpr uint32_t kCaptureClear = 0xFF808080;

template <typename List>
auto FindLastNamed(const List& list, const std::u16string* name) -> decltype(list.front().get()) {
  if (!name) return nullptr;
  for (auto it = list.rbegin(); it != list.rend(); ++it)
    if ((*it)->GetName() == *name) return it->get();
  return nullptr;
}

}  // namespace

PostEffectLibrary::PostEffectLibrary(APIContext* context)
    : m_context(context ? context : APIContext::Get()),
      m_renderData(m_context->graphics),
      m_finishing(m_context->graphics) {}

PostEffectLibrary::~PostEffectLibrary() {
  StopLevelEffects();
  // An effect may stand on the list more than once; it is deleted once.
  std::unordered_set<MyPostEffect*> deleted;
  std::vector<MyPostEffect*> listed;
  listed.swap(m_active);
  for (MyPostEffect* effect : listed)
    if (deleted.insert(effect).second) delete effect;
  m_effects.clear();
  m_animators.clear();
  m_instances.clear();
}

void PostEffectLibrary::Load(const KVNode* root, const DataArchive* archive) {
  if (!root) return;
  m_finishing.SetArchive(archive);
  using EffectMaker = std::unique_ptr<MyPostEffect> (*)(const KVNode*, const DataArchive*, APIContext*);
  struct EffectSection {
    const char16_t* name;
    EffectMaker make;
  };
#define KRUMBOLT_EFFECT_SECTION(section, Kind)                                                           \
  EffectSection {                                                                                        \
    section, [](const KVNode* n, const DataArchive* a, APIContext* c) -> std::unique_ptr<MyPostEffect> { \
      return std::make_unique<Kind>(n, a, c);                                                            \
    }                                                                                                    \
  }
  const EffectSection effectSections[] = {
      KRUMBOLT_EFFECT_SECTION(u"POST_EFFECT", MyPostEffect),
      KRUMBOLT_EFFECT_SECTION(u"PE_COMBINATION", MyPE_EffectCombination),
      KRUMBOLT_EFFECT_SECTION(u"PE_WOBBLE", MyPE_Wobble),
      KRUMBOLT_EFFECT_SECTION(u"PE_BRIGHT", MyPE_Bright),
      KRUMBOLT_EFFECT_SECTION(u"PE_BLUR_BLOOM", MyPE_BlurBloom),
      KRUMBOLT_EFFECT_SECTION(u"PE_BLOOM_COMBINE", MyPE_BloomCombine),
      KRUMBOLT_EFFECT_SECTION(u"PE_SATURATE", MyPE_Saturate),
      KRUMBOLT_EFFECT_SECTION(u"PE_LIGHT", MyPE_Light),
      KRUMBOLT_EFFECT_SECTION(u"PE_SCATTER", MyPE_Scatter),
      KRUMBOLT_EFFECT_SECTION(u"PE_DOF", MyPE_DOF),
  };
#undef KRUMBOLT_EFFECT_SECTION
  for (const EffectSection& section : effectSections)
    for (unsigned i = 0, n = root->CountChildren(section.name); i < n; ++i)
      m_effects.push_back(section.make(root->GetChild(i, section.name), archive, m_context));

  using AnimatorMaker = std::unique_ptr<MyPostEffectAnimator> (*)(const KVNode*, PostEffectLibrary*);
  struct AnimatorSection {
    const char16_t* name;
    AnimatorMaker make;
  };
#define KRUMBOLT_ANIMATOR_SECTION(section, Kind)                                                  \
  AnimatorSection {                                                                               \
    section, [](const KVNode* n, PostEffectLibrary* l) -> std::unique_ptr<MyPostEffectAnimator> { \
      return std::make_unique<Kind>(n, l);                                                        \
    }                                                                                             \
  }
  const AnimatorSection animatorSections[] = {
      KRUMBOLT_ANIMATOR_SECTION(u"PEA_LIGHT", PEA_Light),
      KRUMBOLT_ANIMATOR_SECTION(u"PEA_SATURATE", PEA_Saturate),
      KRUMBOLT_ANIMATOR_SECTION(u"PEA_WOBBLE", PEA_Wobble),
      KRUMBOLT_ANIMATOR_SECTION(u"PEA_SCALING", PEA_Scaling),
      KRUMBOLT_ANIMATOR_SECTION(u"PEA_BLUR", PEA_Blur),
  };
#undef KRUMBOLT_ANIMATOR_SECTION
  for (const AnimatorSection& section : animatorSections)
    for (unsigned i = 0, n = root->CountChildren(section.name); i < n; ++i)
      m_animators.push_back(section.make(root->GetChild(i, section.name), this));

  for (unsigned i = 0, n = root->CountChildren(u"POSTEFFECT_INSTANZ"); i < n; ++i)
    m_instances.push_back(
        std::make_unique<PostEffectInstance>(root->GetChild(i, u"POSTEFFECT_INSTANZ"), this));

  const KVNode* active = root->GetChild(0, u"ACTIVE_POSTEFFECTS");
  if (!active) return;
  for (unsigned i = 0; i < active->GetValueCount(); ++i) {
    const std::u16string name = active->GetValue(i)->Text();
    if (std::unique_ptr<MyPostEffect> effect = CreateEffect(&name)) ActivateEffect(effect.release());
  }
}

std::unique_ptr<MyPostEffect> PostEffectLibrary::CreateEffect(const std::u16string* name) const {
  const MyPostEffect* found = FindLastNamed(m_effects, name);
  return found ? found->Clone() : nullptr;
}

std::unique_ptr<MyPostEffectAnimator> PostEffectLibrary::CreateAnimator(const std::u16string* name) const {
  const MyPostEffectAnimator* found = FindLastNamed(m_animators, name);
  return found ? found->Clone() : nullptr;
}

std::unique_ptr<PostEffectInstance> PostEffectLibrary::CreateInstance(const std::u16string* name) const {
  const PostEffectInstance* found = FindLastNamed(m_instances, name);
  return found ? found->Clone() : nullptr;
}

std::unique_ptr<MyPostEffect> PostEffectLibrary::CreateEffect(const std::u16string& name) const {
  return CreateEffect(&name);
}
std::unique_ptr<MyPostEffectAnimator> PostEffectLibrary::CreateAnimator(const std::u16string& name) const {
  return CreateAnimator(&name);
}
std::unique_ptr<PostEffectInstance> PostEffectLibrary::CreateInstance(const std::u16string& name) const {
  return CreateInstance(&name);
}

void PostEffectLibrary::ActivateEffect(MyPostEffect* effect) {
  if (!effect) return;
  if (effect->NeedsCreate()) {
    effect->SetLibrary(this);
    effect->Create();
  }
  m_active.push_back(effect);
}

void PostEffectLibrary::DeactivateEffect(MyPostEffect* effect) {
  for (size_t i = m_active.size(); i-- > 0;)
    if (m_active[i] == effect) m_active.erase(m_active.begin() + std::ptrdiff_t(i));
}

bool PostEffectLibrary::IsOnActiveList(const MyPostEffect* effect) const {
  return std::find(m_active.begin(), m_active.end(), effect) != m_active.end();
}

void PostEffectLibrary::UpdateActive(double dt) {
  // Each effect once, however often it stands on the list: its blends take the time they
  // were given.
  // The list is short: the effects stepped are looked up in a plain list, kept from frame
  // to frame (a step that comes back here finds it taken and makes its own).
  std::vector<MyPostEffect*> stepped = std::move(m_stepped);
  stepped.clear();
  for (size_t i = m_active.size(); i-- > 0;) {
    MyPostEffect* effect = m_active[i];
    if (std::find(stepped.begin(), stepped.end(), effect) != stepped.end()) continue;
    stepped.push_back(effect);
    effect->Update(dt);
  }
  m_stepped = std::move(stepped);
}

bool PostEffectLibrary::RenderLevelExtra(const std::u16string& name) {
  return m_scene ? m_scene->RenderForEffect(name) : false;
}

void PostEffectLibrary::RenderActive(std::optional<uint32_t> background) {
  APIGraphics* graphics = m_context->graphics;
  platform::GraphicsDevice* device = graphics ? graphics->GetDevice() : nullptr;
  if (!device) return;
  // The caller's target, cleared where the finished picture will not be copied over it whole.
  auto clearCallers = [&] {
    if (background) device->Clear(platform::kClearTarget, *background, 1.0f, 0);
  };
  if (!m_scene) {
    clearCallers();
    return;
  }
  platform::Texture* kept = device->RenderTarget();
  if (!m_renderData.IsComplete() || !device->SetRenderTarget(m_renderData.Org())) {
    // Without its targets (never made, or refused now) the chain cannot run: the scene is
    // drawn as it is, where the caller draws.
    clearCallers();
    if (device->BeginScene()) {
      m_scene->RenderPass();
      device->EndScene();
    }
    return;
  }
  device->BeginScene();
  // Nothing the scene draws tests depth or stencil: clearing them would only cost a software
  // rasteriser two more screens of memory.
  device->Clear(platform::kClearTarget, kCaptureClear, 1.0f, 0);
  m_scene->RenderPass();
  device->EndScene();
  RenderChain();
  device->SetRenderTarget(kept);
  // The finished picture covers the back buffer pixel for pixel: a copy, where the device
  // can make one, does what drawing it unblended does.
  if (!kept && device->CopyToBackBuffer(m_renderData.Org())) return;
  clearCallers();
  device->BeginScene();
  if (SpriteRenderer* sprites = graphics->GetSpriteRenderer(); sprites && Succeeded(sprites->Begin(0))) {
    const Rect& screen = graphics->GetScreenRect();
    sprites->DrawRect(m_renderData.Org(), &screen, &screen, SpriteRenderer::kStretch,
                      SpriteRenderer::kStretch, 0xFFFFFFFF);
    sprites->End();
  }
  device->EndScene();
}

void PostEffectLibrary::RenderChain() {
  APIGraphics* graphics = m_context->graphics;
  platform::GraphicsDevice* device = graphics ? graphics->GetDevice() : nullptr;
  if (!device || m_active.empty() || !m_renderData.IsComplete()) return;
  platform::Texture* kept = device->RenderTarget();
  if (m_renderData.scaleX != 1.0f || m_renderData.scaleY != 1.0f) {
    m_renderData.ResetQuad();
    m_renderData.UploadQuad();
  }
  // The finishing pass reads the captured picture where it lies; the effects one by one read
  // it from SOURCE.
  if (!m_finishing.Run(m_active, m_renderData)) {
    device->CopyRenderTarget(m_renderData.Org(), m_renderData.Source());
    const size_t count = m_active.size();
    for (size_t i = 0; i < count && i < m_active.size(); ++i) {
      m_chainIndex = int32_t(i);
      m_active[i]->Render(m_renderData);
    }
  }
  device->SetRenderTarget(kept);
}

void PostEffectLibrary::StopLevelEffects() {
  m_levelEffects.Clear();
  for (MyPostEffect* effect : {m_scatter, static_cast<MyPostEffect*>(m_dof)}) {
    DeactivateEffect(effect);
    delete effect;
  }
  m_scatter = nullptr;
  m_dof = nullptr;
}

bool PostEffectLibrary::StartLevelEffect(const SettingPostEffect& entry) { return m_levelEffects.Add(entry); }

bool PostEffectLibrary::StartScatter(const std::u16string& name, const platform::Vector2& sun) {
  std::unique_ptr<MyPostEffect> effect = CreateEffect(&name);
  MyPostEffect* rays = dynamic_cast<MyPE_Scatter*>(effect.get());
  if (auto* combination = dynamic_cast<MyPE_EffectCombination*>(effect.get())) {
    // Rays scattered at a reduced size by one child and laid over the picture by the next:
    // the sun belongs to the scattering child.
    combination->SetLibrary(this);
    combination->Create();
    rays = combination->FindScatter();
  }
  if (!rays) return false;
  DeactivateEffect(m_scatter);
  delete m_scatter;
  m_scatter = effect.release();
  ActivateEffect(m_scatter);
  rays->CallSetParamV4_1({sun.x, sun.y, 0.0f, 0.0f}, nullptr);
  return true;
}

bool PostEffectLibrary::StartDepthOfField(const std::u16string& name) {
  std::unique_ptr<MyPostEffect> effect = CreateEffect(&name);
  auto* combination = dynamic_cast<MyPE_EffectCombination*>(effect.get());
  if (!combination) return false;
  combination->SetLibrary(this);
  combination->Create();
  if (!combination->FindDOF()) return false;
  DeactivateEffect(m_dof);
  delete m_dof;
  m_dof = combination;
  effect.release();
  ActivateEffect(m_dof);
  return true;
}

void PostEffectLibrary::SetFocalPlane(float value) {
  if (MyPE_DOF* dof = m_dof ? m_dof->FindDOF() : nullptr) dof->CallSetParamF_2(value, nullptr);
}
