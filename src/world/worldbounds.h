// What the water and the wind read of the running level's world: its rectangle
// (Welt::GetWorldRect). The world implements it; a fixed rectangle stands in where there is
// no world (the main menu's backdrop, tools and tests).
#pragma once

#include "engine/gfxtypes.h"

class WorldBounds {
 public:
  virtual ~WorldBounds() = default;
  virtual Rect GetWorldRect() const = 0;
};

class FixedWorldBounds final : public WorldBounds {
 public:
  explicit FixedWorldBounds(const Rect& r = Rect{0, 0, 0, 0}) : rect(r) {}
  Rect GetWorldRect() const override { return rect; }

  Rect rect;
};
