// Water: the types of water layer ("WASSER" blocks: the look and motion of one layer) and
// the bodies of water ("GEWAESSER" blocks: a height and the types drawn for it) that the
// water manager reads from "wasser.was".
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "battle/wertanimator.h"
#include "engine/gfxtypes.h"

class APIContext;
class Animation;
class AnimationManager;
class KVNode;
class RenderExtraListe;

// One water layer: a wave strip along the surface with the water body below it, scrolling,
// swaying and bobbing, drawn at its draw depth. Owned by the water manager.
class Wasser {
 public:
  // Sway frequency, sway amplitude, bob frequency, bob amplitude ("AUF_AB").
  using WaveMotion = std::array<float, 4>;
  // How far below the world's bottom edge the water goes on (mirrored), in world pixels.
  static constexpr double kDeepWater = 200.0;

  // Reads a "WASSER" block; a null node keeps every default. The two animations are new
  // copies from `animations` (none without it); the render extras named by the block are
  // counted in `renderExtras` (none without it). The context draws and measures the screen.
  Wasser(const KVNode* node, APIContext* context, const AnimationManager* animations,
         RenderExtraListe* renderExtras);
  // Gives back the render-extra uses of the activations still held.
  ~Wasser();
  Wasser(const Wasser&) = delete;
  Wasser& operator=(const Wasser&) = delete;

  // A body holding this type becomes active: the type takes the world's rectangle and the
  // body's colour, and each of its render extras counts one use more.
  void Activate(const Rect& world, Argb bodyColour);
  // That body stops being active: one use less of each render extra (only for an activation
  // that is still held, so the counts stay balanced).
  void Deactivate();
  // Once a frame: the level follows the body's height, the animations play and the strip
  // scrolls by the game step.
  void Update(double bodyHeight, double gameStep);
  // Draws the layer in colour c at the offset and scale when c is not fully transparent,
  // `depth` is the layer's draw depth, both animations exist and the wave top is not below
  // the screen. Returns whether it went on to draw.
  bool Draw(const Vector2& offset, const Vector2& scale, Argb colour, int32_t depth) const;

  const std::u16string& GetName() const { return m_name; }
  const Animation* GetWaterAnimation() const { return m_waterAnimation.get(); }
  const Animation* GetWaveAnimation() const { return m_waveAnimation.get(); }
  double GetMoveSpeed() const { return m_moveSpeed; }
  double GetScroll() const { return m_scroll; }
  double GetTime() const { return m_time; }
  double GetOwnLevel() const { return m_ownLevel; }
  double GetLevel() const { return m_level; }
  Argb GetColour() const { return m_colour; }
  Argb GetBodyColour() const { return m_bodyColour; }
  const Vector2& GetWaveSize() const { return m_waveSize; }
  const WaveMotion& GetWaveMotion() const { return m_waveMotion; }
  int32_t GetDrawDepth() const { return m_drawDepth; }
  const Rect& GetWorldRect() const { return m_worldRect; }
  int32_t GetRenderExtraId() const { return m_renderExtraId; }
  const std::vector<std::u16string>& GetRenderExtraNames() const { return m_renderExtraNames; }
  // Activations whose render-extra uses are still counted.
  int32_t GetHeldActivations() const { return m_heldActivations; }

 private:
  void CountRenderExtraUses(bool add);

  APIContext* m_context;
  RenderExtraListe* m_renderExtras;
  std::u16string m_name = u"UNNAMED_WASSER";
  std::unique_ptr<Animation> m_waterAnimation;
  std::unique_ptr<Animation> m_waveAnimation;
  double m_moveSpeed = 0.0;
  double m_scroll = 0.0;
  double m_time = 0.0;
  double m_ownLevel = 0.0;
  double m_level = 0.0;
  Argb m_colour = 0xFF4BB0D1;
  Argb m_bodyColour = 0xFFFFFFFF;
  Vector2 m_waveSize{50.0f, 50.0f};
  WaveMotion m_waveMotion{0.0f, 0.0f, 0.0f, 0.0f};
  int32_t m_drawDepth = 0;
  Rect m_worldRect{0, 0, 0, 0};
  int32_t m_renderExtraId = 0;
  std::vector<std::u16string> m_renderExtraNames;
  int32_t m_heldActivations = 0;
};

// A body of water: the height it stands at above the world's bottom edge (gliding through
// its level animator) and the water types drawn for it. Owned by the water manager.
class LevelWasser {
 public:
  // Reads a "GEWAESSER" block; a null node keeps every default.
  explicit LevelWasser(const KVNode* node);
  LevelWasser(const LevelWasser&) = delete;
  LevelWasser& operator=(const LevelWasser&) = delete;

  // The body becomes active in a world: its type names resolve to the first type of that
  // name (unknown names are skipped), each activated, and the level animator comes to rest
  // at the height in force: the file's height, or for a negative one the mean own level of
  // the types (0 without types).
  void Prepare(const std::vector<std::unique_ptr<Wasser>>& types, const Rect& world);
  // The body stops being active: its types give back their render-extra uses.
  void Release();
  // Once a frame: the animator by the real step, then the types (last to first) by the game
  // step.
  void Update(double realStep, double gameStep);

  const std::u16string& GetName() const { return m_name; }
  Argb GetColour() const { return m_colour; }
  const std::vector<std::u16string>& GetTypeNames() const { return m_typeNames; }
  // The resolved types of the last activation.
  const std::vector<Wasser*>& GetTypes() const { return m_types; }
  // The height read from the file.
  double GetHeight() const { return m_height; }
  // The height in force is its current value; set a target and a duration to let the water
  // rise or fall.
  WertAnimator& GetLevelAnimator() { return m_levelAnimator; }
  const WertAnimator& GetLevelAnimator() const { return m_levelAnimator; }

 private:
  std::u16string m_name = u"UNNAMED_LEVELWATER";
  Argb m_colour = 0xFFFFFFFF;
  std::vector<std::u16string> m_typeNames;
  std::vector<Wasser*> m_types;
  double m_height = 100.0;
  WertAnimator m_levelAnimator;
};
