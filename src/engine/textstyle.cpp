// Blending and tinting text styles.
#include "engine/textstyle.h"

namespace {

float Mix(float a, float b, float t) { return a + (b - a) * t; }

ColorF Mix(const ColorF& a, const ColorF& b, float t) {
  return {Mix(a.r, b.r, t), Mix(a.g, b.g, t), Mix(a.b, b.b, t), Mix(a.a, b.a, t)};
}

ColorF Times(const ColorF& a, const ColorF& b) { return {a.r * b.r, a.g * b.g, a.b * b.b, a.a * b.a}; }

}  // namespace

TextStyle TextStyle::Lerp(const TextStyle& a, const TextStyle& b, float t) {
  TextStyle out;
  out.colour = Mix(a.colour, b.colour, t);
  out.secondColour = Mix(a.secondColour, b.secondColour, t);
  for (int i = 0; i < 3; ++i) out.parameters[i] = Mix(a.parameters[i], b.parameters[i], t);
  const TextStyle& flagsFrom = t < 0.5f ? a : b;
  out.flags[0] = flagsFrom.flags[0];
  out.flags[1] = flagsFrom.flags[1];
  out.offset = Vector2(Mix(a.offset.x, b.offset.x, t), Mix(a.offset.y, b.offset.y, t));
  return out;
}

TextStyle TextStyle::Modulate(const TextStyle& style, Argb colour) {
  TextStyle out = style;
  const ColorF c = ColorF::FromArgb(colour);
  out.colour = Times(style.colour, c);
  out.secondColour = Times(style.secondColour, c);
  return out;
}
