// The first scene's play with the terrain: a click on the menu world sets off an explosion
// of "events.evt" there: a crater whose earth flies up, falls, bounces and settles back
// into the ground, the blast over it and its sound. The particles are the game-wide list's,
// so the wind's particles fly beside them.
#pragma once

#include "engine/gfxtypes.h"

class ExplosionsEvent;
class MyGlobals;

class MenuCraters {
 public:
  static constexpr const char16_t* kBlastEvent = u"Expl_Medium";

  explicit MenuCraters(MyGlobals* globals) : m_globals(globals) {}

  // Sets off the explosion at the world point when terrain lies within its radius; true
  // when it did.
  bool Blast(const Vector2& point);
  // Steps every particle of the game-wide list and every event.
  void Update();
  // The particles of one draw layer (-2 .. 1), with the view's offset and scale.
  void Render(const Vector2& offset, const Vector2& scale, int32_t layer);

 private:
  ExplosionsEvent* FindExplosion() const;

  MyGlobals* m_globals;
};
