// Fonts on the CPU: font files registered for the process from memory, faces chosen by
// family, weight and slant, glyphs rendered into a CPU atlas, and text laid out into quads
// that a renderer draws from that atlas. Nothing here needs the graphics device.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/image.h"
#include "platform/text_layout.h"

namespace platform {

// What a font is made from. Height follows the system's rule: a positive height is the
// cell height (ascent + descent of the face's Windows metrics), a negative one the em
// size, 0 a default cell of 16 pixels; beyond 2048 pixels either way the limit is used. A
// width of 0 keeps the face's proportions; another width is the average character width.
// Weight 700 is bold (0 counts as 400).
struct FontSpec {
  std::u16string family;
  int32_t height = 0;
  uint32_t width = 0;
  uint32_t weight = 400;
  bool italic = false;
};

struct FontMetrics {
  int32_t ascent = 0;      // baseline below the top of a line, in pixels
  int32_t descent = 0;     // below the baseline
  int32_t lineHeight = 0;  // ascent + descent: the cell height
  float emPixels = 0.0f;   // the em size the glyphs are rendered at
};

// White glyphs whose alpha is their coverage, packed into one power-of-two image of
// 0xAARRGGBB words. It grows as glyphs are added (what was placed keeps its place) and is
// cleared when it cannot grow any further. The generation changes with every change of
// its pixels or size, so that a renderer knows when to upload it again. The pixels take
// memory from the first glyph on: until then Pixels is null (and Image's pixels empty);
// they move when the atlas grows or is cleared.
class GlyphAtlas {
 public:
  static constexpr int kInitialSize = 256;
  static constexpr int kMaxSize = 4096;

  GlyphAtlas();
  int Width() const { return m_image.width; }
  int Height() const { return m_image.height; }
  const platform::Image& Image() const { return m_image; }
  const uint32_t* Pixels() const { return m_image.pixels.empty() ? nullptr : m_image.pixels.data(); }
  uint64_t Generation() const { return m_generation; }

  // Places a coverage bitmap (one byte per pixel, pitch in bytes) and returns its top-left
  // corner; false when it does not fit even at the largest size.
  bool Add(const uint8_t* coverage, int width, int height, int pitch, int& x, int& y);
  // Empties the atlas (back to its first size); every place handed out is void.
  void Clear();

 private:
  struct Shelf {
    int y;
    int height;
    int x;
  };
  bool Place(int width, int height, int& x, int& y);
  bool Grow();

  platform::Image m_image;
  std::vector<Shelf> m_shelves;
  uint64_t m_generation = 0;
};

class FontLibrary;

// One font: a face at one size with its glyph atlas. Draw and measure text with DrawText.
class Font {
 public:
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  // The family of the face actually used (after fallbacks), and whether weight or slant
  // had to be made up because the family has no such face.
  const std::u16string& FamilyName() const;
  bool SyntheticBold() const;
  bool SyntheticItalic() const;
  const FontMetrics& Metrics() const;
  bool HasGlyph(char32_t codePoint) const;

  // Lays out the text (see LayoutText for the flags and the result) and appends its
  // quads. The quads' source rectangles refer to Atlas() as it is after the call; a later
  // call may clear the atlas when it is full, which shows as a new generation.
  int32_t DrawText(std::u16string_view text, Rect& rect, uint32_t format, std::vector<GlyphQuad>* quads);
  const GlyphAtlas& Atlas() const;

 private:
  friend class FontLibrary;
  struct Impl;
  explicit Font(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> m_impl;
};

// The fonts known to the process: font files registered from memory, then the system's
// own families. "Arial" is served by Liberation Sans (same metrics); a family nobody knows
// falls back to DejaVu Sans. Family names compare without regard to ASCII letter case.
class FontLibrary {
 public:
  FontLibrary();
  ~FontLibrary();
  FontLibrary(const FontLibrary&) = delete;
  FontLibrary& operator=(const FontLibrary&) = delete;

  // The library the game's font manager uses; lives until the process ends.
  static FontLibrary& Process();

  // Registers every face of a font file under the family name in its name table. The bytes
  // are kept for as long as a face or font needs them. Returns a handle (> 0), or 0 when
  // the bytes hold no usable scalable face or a file of that name (compared exactly) is
  // registered already: the first registration stays. faceCount receives the number of
  // faces registered.
  int AddMemoryFont(std::u16string_view fileName, std::vector<uint8_t> bytes, int* faceCount = nullptr);
  // Takes the faces of a registration away from later lookups; fonts made from them keep
  // working. False for an unknown handle.
  bool RemoveMemoryFont(int handle);
  // The families of the registered files, in registration order, each once.
  std::vector<std::u16string> RegisteredFamilies() const;

  // Makes a font. Null only when neither the family, nor the fallback, nor any registered
  // face can be loaded.
  std::unique_ptr<Font> CreateFont(const FontSpec& spec);

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

// Blends glyph quads in one colour onto an image, as the sprite pass would draw them:
// texel (white, coverage alpha) times the colour, straight alpha over the target. Quads are
// drawn unscaled from their destination's top-left corner, rounded to whole pixels.
void CompositeGlyphs(Image& target, const GlyphAtlas& atlas, const std::vector<GlyphQuad>& quads,
                     uint32_t argb);

}  // namespace platform
