// Fuzz target: arbitrary bytes as a font file to register and draw with, and as UTF-16
// text laid out with every combination of formatting flags in a rectangle of any size.
// fuzz-seeds: /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/font.h"
#include "platform/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static platform::FontLibrary library;
  static std::unique_ptr<platform::Font> fallback = library.CreateFont({u"Arial", 20, 0, 700, false});
  if (size < 8) return 0;
  const uint32_t format = (data[0] | (data[1] << 8)) & 0x53F;
  platform::Rect rect{int8_t(data[2]), int8_t(data[3]), int8_t(data[4]) * 8, int8_t(data[5]) * 4};
  std::vector<platform::GlyphQuad> quads;

  if (data[6] & 1) {
    platform::FontLibrary own;
    if (own.AddMemoryFont(u"fuzz.ttf", std::vector<uint8_t>(data + 8, data + size))) {
      auto font = own.CreateFont({own.RegisteredFamilies().at(0), int8_t(data[7]), 0, 700, true});
      if (font) font->DrawText(u"Größe Съешь ça\nworm", rect, format, &quads);
    }
  } else if (fallback) {
    const std::u16string text = platform::Utf16LEToU16(data + 8, size - 8);
    fallback->DrawText(text, rect, format, &quads);
    const platform::GlyphAtlas& atlas = fallback->Atlas();
    for (const auto& q : quads) {
      if (q.srcLeft < 0 || q.srcTop < 0 || q.srcRight > atlas.Width() || q.srcBottom > atlas.Height() ||
          q.srcLeft > q.srcRight || q.srcTop > q.srcBottom)
        __builtin_trap();
    }
  }
  return 0;
}
