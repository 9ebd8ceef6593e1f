// The water of the game: every water type and body of water read from "wasser.was", the
// body of the running level, its surface height, and its drawing at each draw depth. The
// game-wide object owns the one manager for the whole run.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/gfxtypes.h"
#include "world/levelinfo.h"
#include "world/wasser.h"
#include "world/watersurface.h"

class APIContext;
class AnimationManager;
class KVNode;
class RenderExtraListe;
class WorldBounds;

// What the water takes from the game-wide object's other managers: the animations its types
// copy, the render extras they count themselves users of and ask for effect colours, and the
// world whose rectangle a body fills. Any may be null: no animations (nothing is drawn), no
// render extras (no uses, no effect drawing), no world (the rectangle (0, 0, 0, 0)).
struct WasserSources {
  const AnimationManager* animations = nullptr;
  RenderExtraListe* renderExtras = nullptr;
  const WorldBounds* world = nullptr;
};

class WasserManager final : public LevelWaterTarget, public WaterSurface {
 public:
  // The render-extra layer key of water.
  static constexpr int32_t kRenderExtraLayer = 4;

  // Empty, no active body. Without a context the process-wide one is used (frame timer,
  // graphics).
  explicit WasserManager(APIContext* context = nullptr);
  ~WasserManager() override;
  WasserManager(const WasserManager&) = delete;
  WasserManager& operator=(const WasserManager&) = delete;

  // Takes effect for the types read and the bodies activated afterwards.
  void SetSources(const WasserSources& sources) { m_sources = sources; }
  const WasserSources& GetSources() const { return m_sources; }

  // Every "WASSER" child of the root as a type, then every "GEWAESSER" child as a body, each
  // in file order. A null root reads nothing.
  void Load(const KVNode* root);
  void Add(std::unique_ptr<Wasser> type);
  // The first body of that exact name; null for a null or unknown name.
  LevelWasser* FindByName(const std::u16string* name) const override;
  // The base line becomes the world's bottom edge and the body (or none) the active one. The
  // body before it gives back its render-extra uses, so a use is counted only while a body
  // holding the type is active.
  void SetLevelWater(LevelWasser* body) override;
  // The base line minus the active body's height in force; the base line without a body.
  double GetSurfaceY() const override;
  // Once a frame: the active body with the frame timer's real and game steps.
  void Update();
  // Draws the active body's types of that depth in their colour times the tint times the
  // body's colour. The battle calls it for depths -2, -1, 0 and 1.
  void Draw(const Vector2& offset, const Vector2& scale, Argb tint, int32_t depth) const;
  // Draws the active body's types of that depth in the colour their render extra gives the
  // water layer; true when one of them drew in a colour that is not black.
  bool DrawForEffect(const Vector2& offset, const Vector2& scale, int32_t depth) const;

  LevelWasser* GetLevelWater() const { return m_active; }
  double GetBaseLine() const { return m_baseLine; }
  const std::vector<std::unique_ptr<Wasser>>& GetTypes() const { return m_types; }
  const std::vector<std::unique_ptr<LevelWasser>>& GetBodies() const { return m_bodies; }

  // The channels of a, b and c multiplied as colours of four floats, each limited to 0 .. 1
  // and packed back rounding to the nearest step.
  static Argb Modulate(Argb a, Argb b, Argb c);

 private:
  APIContext* m_context;
  WasserSources m_sources;
  std::vector<std::unique_ptr<Wasser>> m_types;
  std::vector<std::unique_ptr<LevelWasser>> m_bodies;
  LevelWasser* m_active = nullptr;
  double m_baseLine = 0.0;
};
