// The one manager of post effects, made by the game-wide object once the graphics device
// exists and kept for the whole run. It reads "PostEffects.efx" into templates of effects,
// animators and instances and hands out copies by name (the section read last wins); it
// keeps the active list, the effects that run over the scene's picture every frame in
// order; and it owns the frame chain's render data. While the list is not empty the scene
// is drawn through RenderActive; otherwise the scene is drawn directly.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "battle/cameraeffects.h"
#include "posteffects/finishingpass.h"
#include "posteffects/leveleffects.h"
#include "posteffects/myposteffectrenderdata.h"

class APIContext;
class DataArchive;
class KVNode;
class MyPE_DOF;
class MyPE_EffectCombination;
class MyPostEffect;
class MyPostEffectAnimator;
class PostEffectInstance;
class PostEffectScene;

// It also answers the camera: the level's effects, its light rays and its depth of field,
// which the library keeps on the list and deletes when the camera stops them.
class PostEffectLibrary : public CameraEffects {
 public:
  // Without a context the process-wide one is used. The render data is made at once.
  explicit PostEffectLibrary(APIContext* context = nullptr);
  // Deletes every effect still on the active list (each once), then the templates.
  ~PostEffectLibrary() override;
  PostEffectLibrary(const PostEffectLibrary&) = delete;
  PostEffectLibrary& operator=(const PostEffectLibrary&) = delete;

  // Reads the templates kind by kind in the fixed section order, then switches on the
  // effects "ACTIVE_POSTEFFECTS" names. Effect files are read from `archive` later.
  void Load(const KVNode* root, const DataArchive* archive);

  // A new copy of the template of that name (searched from the last), owned by the caller;
  // null for no name or no template.
  std::unique_ptr<MyPostEffect> CreateEffect(const std::u16string* name) const;
  std::unique_ptr<MyPostEffect> CreateEffect(const std::u16string& name) const;
  std::unique_ptr<MyPostEffectAnimator> CreateAnimator(const std::u16string* name) const;
  std::unique_ptr<MyPostEffectAnimator> CreateAnimator(const std::u16string& name) const;
  std::unique_ptr<PostEffectInstance> CreateInstance(const std::u16string* name) const;
  std::unique_ptr<PostEffectInstance> CreateInstance(const std::u16string& name) const;

  // Attaches and creates the effect when it needs it, then appends it to the active list
  // (again, if it is there already). While listed the library owns it: it deletes what is
  // still listed at its end.
  void ActivateEffect(MyPostEffect* effect);
  // Takes every occurrence off the list; the caller owns the effect again.
  void DeactivateEffect(MyPostEffect* effect);
  bool HasActiveEffects() const { return !m_active.empty(); }
  bool IsOnActiveList(const MyPostEffect* effect) const;
  const std::vector<MyPostEffect*>& GetActiveList() const { return m_active; }
  // Steps every listed effect once by dt, from the last to the first (the battle's update
  // with the game step, the pause screen with the real step).
  void UpdateActive(double dt);

  // The scene whose picture RenderActive captures; null for none.
  void SetLevel(PostEffectScene* scene) { m_scene = scene; }
  PostEffectScene* GetLevel() const { return m_scene; }
  // Captures the scene into ORG, runs every listed effect in order and draws ORG over the
  // whole screen. Call outside any begun scene; the caller draws its overlay afterwards.
  // Given a background, the caller leaves its target as the last frame left it: the finished
  // picture copied over it covers every pixel, and where the chain cannot copy it (or cannot
  // run) the target is cleared to the background first.
  void RenderActive(std::optional<uint32_t> background = std::nullopt);
  // The chain alone: every listed effect over the picture captured in ORG, through the
  // finishing pass where the list allows it, the finished picture left in ORG.
  void RenderChain();
  FinishingPass& GetFinishingPass() { return m_finishing; }
  // The scene draws the render extra of this name into the current target.
  bool RenderLevelExtra(const std::u16string& name);
  // The index of the effect RenderActive is running.
  int32_t GetChainIndex() const { return m_chainIndex; }

  // What the camera asks at level start and every frame.
  void StopLevelEffects() override;
  bool StartLevelEffect(const SettingPostEffect& entry) override;
  bool StartScatter(const std::u16string& name, const platform::Vector2& sun) override;
  bool StartDepthOfField(const std::u16string& name) override;
  // The depth of field's blur amount (its second float), at once.
  void SetFocalPlane(float value) override;
  const LevelEffects& GetLevelEffects() const { return m_levelEffects; }
  MyPostEffect* GetScatter() const { return m_scatter; }
  MyPE_EffectCombination* GetDepthOfField() const { return m_dof; }

  MyPostEffectRenderData& GetRenderData() { return m_renderData; }
  size_t EffectTemplateCount() const { return m_effects.size(); }
  size_t AnimatorTemplateCount() const { return m_animators.size(); }
  size_t InstanceTemplateCount() const { return m_instances.size(); }
  const MyPostEffect* GetEffectTemplate(size_t index) const {
    return index < m_effects.size() ? m_effects[index].get() : nullptr;
  }

 private:
  std::vector<MyPostEffect*> m_active;
  std::vector<MyPostEffect*> m_stepped;
  std::vector<std::unique_ptr<MyPostEffect>> m_effects;
  std::vector<std::unique_ptr<MyPostEffectAnimator>> m_animators;
  std::vector<std::unique_ptr<PostEffectInstance>> m_instances;
  int32_t m_chainIndex = 0;
  APIContext* m_context;
  PostEffectScene* m_scene = nullptr;
  MyPostEffectRenderData m_renderData;
  FinishingPass m_finishing;
  LevelEffects m_levelEffects{this};
  MyPostEffect* m_scatter = nullptr;
  MyPE_EffectCombination* m_dof = nullptr;
};
