// Backdrops: reading a "HINTERGRUND" entry and laying its animations out for the screen.
#include "world/ebenenhintergrund.h"

#include "engine/apigraphics.h"
#include "engine/frametimer.h"
#include "engine/kvnode.h"
#include "platform/numeric.h"

EbenenHintergrund::EbenenHintergrund(const KVNode* node, CatalogueAssets* assets, APIGraphics* graphics)
    : m_graphics(graphics) {
  if (m_graphics) m_graphics->RegisterResetObjekt(this);
  if (!node) return;
  node->Read(u"NAME", m_name);
  if (const KVNode* scatter = node->GetChild(0, u"SCATTER")) {
    scatter->Read(u"USE_SCATTER", m_useScatter);
    scatter->Read(u"SCATTER_NAME", m_scatterName);
    scatter->Read(u"SUN_POSITON", m_sunPosition.x, 0);
    scatter->Read(u"SUN_POSITON", m_sunPosition.y, 1);
  }
  if (const KVNode* dof = node->GetChild(0, u"DOF")) {
    dof->Read(u"DOF_EFFECT", m_dofEffect);
    dof->Read(u"BLUR_DOF", m_blurRange[0], 0);
    dof->Read(u"BLUR_DOF", m_blurRange[1], 1);
    if (dof->GetChild(0, u"ZOOM_DOF")) {
      dof->Read(u"ZOOM_DOF", m_zoomRange[0], 0);
      m_zoomRange[1] = -1.0;
      dof->Read(u"ZOOM_DOF", m_zoomRange[1], 1);
    }
    dof->Read(u"CLAMP_BLUR", m_clampBlur);
  }
  if (const KVNode* stack = node->GetChild(0, u"HINTERGRUND")) {
    ReadStack(*stack, m_background, assets);
    m_animations.resize(m_background.size());
    m_areas.resize(m_background.size());
    for (const auto& child : stack->Children()) {
      if (child->Name() == u"BEWEGTEANIMATION") {
        const KVValue* name = child->GetValue(0);
        const KVValue* index = child->GetValue(1);
        if (!name || !index || !assets) continue;
        // The copy is made before the index is checked, as every copy draws from the
        // generator; an unusable one is simply dropped.
        std::unique_ptr<BewegteAnimation> animation = assets->CreateBewegteAnimation(name->Text());
        int32_t i = index->AsInt();
        if (animation && i >= 0 && size_t(i) < m_animations.size() && !m_animations[size_t(i)])
          m_animations[size_t(i)] = std::move(animation);
      } else if (child->Name() == u"BEWEGTEANIMATION_RECT") {
        // Four fractions and the index; a shorter entry has no index and is dropped.
        if (child->GetValueCount() < 5) continue;
        auto area = std::make_unique<AnimationArea>();
        area->left = float(child->GetValue(0)->AsDouble());
        area->top = float(child->GetValue(1)->AsDouble());
        area->right = float(child->GetValue(2)->AsDouble());
        area->bottom = float(child->GetValue(3)->AsDouble());
        int32_t i = child->GetValue(4)->AsInt();
        if (i >= 0 && size_t(i) < m_areas.size() && !m_areas[size_t(i)]) m_areas[size_t(i)] = std::move(area);
      }
    }
  }
  if (const KVNode* stack = node->GetChild(0, u"VORDERGRUND")) ReadStack(*stack, m_foreground, assets);
}

EbenenHintergrund::~EbenenHintergrund() {
  if (m_graphics) m_graphics->UnregisterResetObjekt(this);
}

void EbenenHintergrund::ReadStack(const KVNode& stack, std::vector<TexturEbene>& out,
                                  CatalogueAssets* assets) {
  for (const auto& child : stack.Children()) {
    if (child->Name() != u"TEXTUR_EBENE") continue;
    TexturEbene entry;
    entry.textureRef = SettingTextureRef::Read(*child);
    entry.texture = entry.textureRef.Resolve(assets);
    if (assets ? !entry.texture : !entry.textureRef.IsGiven()) continue;
    // Read again when first drawn: a run shows few of the catalogue's settings.
    if (assets) assets->ReleaseUntilUsed(entry.texture);
    if (const KVValue* parallax = child->GetValue(0)) entry.parallax = float(parallax->AsDouble());
    out.push_back(std::move(entry));
  }
}

void EbenenHintergrund::OnResetDevice() {
  if (m_graphics) LayOutAreas(int32_t(m_graphics->GetScreenWidth()), int32_t(m_graphics->GetScreenHeight()));
}

void EbenenHintergrund::LayOutAreas(int32_t screenWidth, int32_t screenHeight) {
  const float w = float(screenWidth);
  const float h = float(screenHeight);
  // The steps taken so far were taken in the old areas.
  m_animationSteps.Apply(m_animations);
  for (size_t i = m_animations.size(); i-- > 0;) {
    if (!m_animations[i] || !m_areas[i]) continue;
    const AnimationArea& a = *m_areas[i];
    Rect pixels{platform::TruncToInt(w * a.left), platform::TruncToInt(h * a.top),
                platform::TruncToInt(w * a.right), platform::TruncToInt(h * a.bottom)};
    m_animations[i]->SetArea(pixels);
  }
}

void EbenenHintergrund::UpdateAnimations(const FrameTimer& timer) {
  m_animationSteps.Add(timer.gameStep, m_animations);
}
