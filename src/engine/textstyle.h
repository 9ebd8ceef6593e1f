// The look of menu and battle text: a colour, a second colour (the shadow or halo), three
// parameters, two flags and an offset, as the text drawing of the menus takes them. The
// game-wide object holds the four styles of the game; the menus blend and tint them.
#pragma once

#include "engine/gfxtypes.h"

struct TextStyle {
  TextStyle() = default;
  TextStyle(Argb colour1, Argb colour2, float p1, float p2, float p3, bool f1, bool f2, Vector2 v)
      : colour(ColorF::FromArgb(colour1)),
        secondColour(ColorF::FromArgb(colour2)),
        parameters{p1, p2, p3},
        flags{f1, f2},
        offset(v) {}

  // Colours, parameters and offset each a + (b - a) * t; the flags are a's below t = 0.5
  // and b's from there on.
  static TextStyle Lerp(const TextStyle& a, const TextStyle& b, float t);
  // Both colours multiplied channel by channel by the colour.
  static TextStyle Modulate(const TextStyle& style, Argb colour);

  bool operator==(const TextStyle&) const = default;

  ColorF colour;
  ColorF secondColour;
  float parameters[3] = {0.0f, 0.0f, 0.0f};
  bool flags[2] = {false, false};
  Vector2 offset;
};
