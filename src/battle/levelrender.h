// The battle's three drawing passes: the world and everything in it in depth order, the
// same layers in a render extra's key colours for a post effect's mask, and the overlay on
// top of the post effects (the worms' labels, the weapon store, the HUD, the text areas and
// the weapon description). Each pass is one sprite batch through the camera's view.
#pragma once

#include <string>

#include "posteffects/posteffectscene.h"

class APIContext;
class HudHost;
class LevelHud;
class MyGlobals;

class LevelRenderer : public PostEffectScene {
 public:
  // Particles and water are drawn once per depth: behind the game layers, between them and
  // the worms, in front of the worms, in front of the foreground layers.
  static constexpr int kDepthBehind = -2;
  static constexpr int kDepthBetween = -1;
  static constexpr int kDepthFront = 0;
  static constexpr int kDepthNearest = 1;

  // `hud` may be null (no overlay of the display then).
  LevelRenderer(APIContext* context, MyGlobals* globals, HudHost* host, LevelHud* hud);

  // Once a round has been started: the world background, particles and water behind,
  // force fields, the game layers, particles and water between, the worms (pass 0, then 1),
  // the teleporters, every weapon's drawing, particles and water in front, the foreground
  // layers, the nearest particles and water.
  void RenderPass() override;
  // The render extra of that name becomes current and the same layers draw into its mask;
  // false (and no batch opened) without such an entry or before the first round.
  bool RenderForEffect(const std::u16string& name) override;
  // While the battle runs with an active worm: the worms' labels, then the display.
  void RenderOverlay();

 private:
  APIContext* m_context;
  MyGlobals* m_globals;
  HudHost* m_host;
  LevelHud* m_hud;
};
