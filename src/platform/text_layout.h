// Placing text in a rectangle with the formatting flags of the system's text drawing:
// alignment, line breaks, word wrap at blanks, clipping and measuring. The layout knows
// glyphs only through a GlyphSource, so it runs the same for a real font and for a test.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/rect.h"

namespace platform {

// Formatting flags; the values are those of the system's text drawing, which data files
// store as numbers.
enum TextFormat : uint32_t {
  kTextLeft = 0x0,
  kTextTop = 0x0,
  kTextCenter = 0x1,
  kTextRight = 0x2,
  kTextVCenter = 0x4,
  kTextBottom = 0x8,
  kTextWordBreak = 0x10,
  kTextSingleLine = 0x20,
  kTextNoClip = 0x100,
  kTextCalcRect = 0x400,
};

// One glyph to draw: a source rectangle in the glyph atlas (pixels) and where it goes.
// Unscaled text maps the source 1:1 onto the destination.
struct GlyphQuad {
  int32_t srcLeft = 0;
  int32_t srcTop = 0;
  int32_t srcRight = 0;
  int32_t srcBottom = 0;
  float left = 0.0f;
  float top = 0.0f;
  float right = 0.0f;
  float bottom = 0.0f;
};

// A laid-out glyph: its advance, its bitmap's offset from the pen position on the baseline
// (x to the right, y up to the bitmap's top row) and its place in the atlas. A glyph without
// pixels (a blank) has width or height 0.
struct PlacedGlyph {
  int32_t advance = 0;
  int32_t bearingX = 0;
  int32_t bearingY = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t atlasX = 0;
  int32_t atlasY = 0;
};

class GlyphSource {
 public:
  virtual ~GlyphSource() = default;
  // Called once before a text is laid out, so that every glyph it needs can be made ready
  // together (an atlas that must be rebuilt is rebuilt before any quad is handed out).
  virtual void Prepare(std::u16string_view text) = 0;
  // The glyph of a code point; line breaks and other control characters are never asked.
  virtual const PlacedGlyph& Glyph(char32_t codePoint) = 0;
  virtual int32_t Ascent() const = 0;
  virtual int32_t LineHeight() const = 0;
};

// Lays the text out in the rectangle and appends its quads (when quads is not null).
//
// - Lines end at "\n", "\r\n" or "\r" unless kTextSingleLine is set (then these draw nothing).
//   A line break at the very end of the text starts no further line.
// - kTextWordBreak wraps a line at blanks (U+0020) only, between words: the blanks at a
//   wrap are dropped, a word wider than the rectangle stands alone on its line and overflows.
// - Horizontal alignment per line: left, kTextCenter, kTextRight. Vertical alignment
//   (kTextVCenter, kTextBottom) places the whole block of lines, one line or many.
// - Without kTextNoClip glyphs are cut at the rectangle.
// - kTextCalcRect draws nothing and sets the rectangle to the text's extent from its left
//   and top: bottom = top + text height, and without kTextWordBreak right = left + widest
//   line; with kTextWordBreak the width is kept.
//
// Returns the height of the text (number of lines times the line height; 0 for no text).
// When drawing with kTextVCenter or kTextBottom it returns the offset from the rectangle's
// top to the bottom of the drawn text instead, as the system's text drawing does.
int32_t LayoutText(GlyphSource& source, std::u16string_view text, Rect& rect, uint32_t format,
                   std::vector<GlyphQuad>* quads);

}  // namespace platform
