// The first scene's play with the terrain: a click on the menu world carves a crater whose
// earth flies up, falls, bounces and settles back into the ground, with a blast over it.
// The particles are the game-wide list's, so the wind's particles fly beside them.
#pragma once

#include "engine/gfxtypes.h"

class MyGlobals;

class MenuCraters {
 public:
  static constexpr double kRadius = 40.0;
  // Near speed, far speed, near and far distance of the thrown earth.
  static constexpr double kEarthSpeed[4] = {420.0, 120.0, 0.0, 40.0};
  static constexpr const char16_t* kBlastType = u"Explosion";

  explicit MenuCraters(MyGlobals* globals) : m_globals(globals) {}

  // Carves a crater at the world point when terrain lies within the radius; true when it
  // did. The blast goes up there, the removed pixels fly as earth.
  bool Blast(const Vector2& point);
  // Steps every particle of the game-wide list.
  void Update();
  // The particles of one draw layer (-2 .. 1), with the view's offset and scale.
  void Render(const Vector2& offset, const Vector2& scale, int32_t layer);

 private:
  MyGlobals* m_globals;
};
