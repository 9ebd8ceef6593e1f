// A backdrop of the setting catalogue: a stack of screen-filling textures, each scrolled
// with its own parallax, moving animations laid over single textures in areas given as
// fractions of the screen, and the light-scattering and depth-of-field parameters the
// camera takes when a level starts. The catalogue owns it for the whole run; a world only
// points to one. The areas depend on the screen size, so it lays them out again after
// every device reset.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/gfxtypes.h"
#include "engine/pendingsteps.h"
#include "engine/resetobjekt.h"
#include "platform/texture.h"
#include "world/screencover.h"
#include "world/catalogueassets.h"

class APIGraphics;
class FrameTimer;
class KVNode;

class EbenenHintergrund : public ResetObjekt {
 public:
  // Fractions of the screen width (left, right) and height (top, bottom).
  struct AnimationArea {
    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
  };
  // One entry of a texture stack. Without assets the catalogue keeps every entry that names
  // a texture, unresolved; with assets an entry whose texture cannot be had is left out.
  struct TexturEbene {
    SettingTextureRef textureRef;
    const TexturePartRecord* texture = nullptr;
    double parallax = 0.0;
    // The picture's transparent and opaque rows, as measured when its texture last changed
    // (drawing leaves out what cannot show).
    mutable platform::AlphaRows alphaRows;
    mutable uint64_t alphaMeasuredAt = ~uint64_t(0);
    // Its opaque blocks, as measured at the texture's change count opacityMeasuredAt.
    mutable AlphaBlocks opacity;
    mutable uint64_t opacityMeasuredAt = ~uint64_t(0);
  };

  // Reads a "HINTERGRUND" entry of "HINTERGRÜNDE" (null: every default). With a graphics
  // manager it registers for device resets and lays its areas out after each.
  EbenenHintergrund(const KVNode* node, CatalogueAssets* assets, APIGraphics* graphics);
  ~EbenenHintergrund() override;
  EbenenHintergrund(const EbenenHintergrund&) = delete;
  EbenenHintergrund& operator=(const EbenenHintergrund&) = delete;

  void OnResetDevice() override;
  void OnLostDevice() override {}
  // Gives every animation that has an area its pixel rectangle on a screen of that size.
  void LayOutAreas(int32_t screenWidth, int32_t screenHeight);
  // Every frame, last to first, by the frame's game step (as the layers' animations); the
  // steps are taken when an animation is next asked for.
  void UpdateAnimations(const FrameTimer& timer);

  const std::vector<TexturEbene>& GetBackground() const { return m_background; }
  // Same index as the background textures; null where none was given. Every animation is
  // brought up to date first (so not from two threads at once).
  BewegteAnimation* GetAnimation(size_t index) const {
    m_animationSteps.Apply(m_animations);
    return index < m_animations.size() ? m_animations[index].get() : nullptr;
  }
  const AnimationArea* GetArea(size_t index) const {
    return index < m_areas.size() ? m_areas[index].get() : nullptr;
  }
  // Read but never drawn.
  const std::vector<TexturEbene>& GetForeground() const { return m_foreground; }

  const std::u16string& GetName() const { return m_name; }
  const Vector2& GetSunPosition() const { return m_sunPosition; }
  bool UsesScatter() const { return m_useScatter; }
  const std::u16string& GetScatterName() const { return m_scatterName; }
  const std::u16string& GetDofEffect() const { return m_dofEffect; }
  // Focal values at the smallest and the largest zoom.
  const double* GetBlurRange() const { return m_blurRange; }
  // A negative value leaves the camera its own.
  const double* GetZoomRange() const { return m_zoomRange; }
  bool ClampsBlur() const { return m_clampBlur; }

 private:
  void ReadStack(const KVNode& stack, std::vector<TexturEbene>& out, CatalogueAssets* assets);

  std::vector<TexturEbene> m_background;
  std::vector<std::unique_ptr<BewegteAnimation>> m_animations;
  mutable PendingSteps m_animationSteps;
  std::vector<std::unique_ptr<AnimationArea>> m_areas;
  std::vector<TexturEbene> m_foreground;
  std::u16string m_name;
  Vector2 m_sunPosition{0.0f, 0.0f};
  bool m_useScatter = false;
  std::u16string m_scatterName;
  std::u16string m_dofEffect;
  double m_blurRange[2] = {0.0, 0.0};
  double m_zoomRange[2] = {-1.0, -1.0};
  bool m_clampBlur = true;
  APIGraphics* m_graphics;
};
