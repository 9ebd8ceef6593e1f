// fontsheet: renders the game's fonts with sample text in every language of the game to a
// PNG, drawn by the CPU font engine, so that faces, sizes and layout can be looked at.
//
//   fontsheet OUT.png [ARCHIVE]
//
// The three font files are taken from the archive (default: the one the game would find).
#include <cstdio>
#include <string>
#include <vector>

#include "engine/dataarchive.h"
#include "platform/font.h"
#include "platform/image.h"
#include "platform/text.h"

namespace {

using platform::FontSpec;
using platform::Rect;

const char* const kSamples[] = {
    "Deutsch: Größe, Äpfel, Öl, Übermut – der Wurm schießt weiß über die Straße.",
    "English: The quick brown fox jumps over the lazy dog. 0123456789 (+-*/%) ?!",
    "Русский: Съешь же ещё этих мягких французских булок, да выпей чаю.",
    "Français : Voix ambiguë d'un cœur qui, au zéphyr, préfère les jattes de kiwis. Ça où à ê î ô û ë ÿ.",
};

struct Sheet {
  platform::Image image{1280, 1500, 0xFF2A3440};
  int y = 12;

  void Text(platform::Font& font, const std::u16string& text, uint32_t colour, uint32_t format = 0,
            int left = 16, int right = 1264) {
    Rect rect{left, y, right, y + 2000};
    std::vector<platform::GlyphQuad> quads;
    const int32_t height = font.DrawText(text, rect, format, &quads);
    platform::CompositeGlyphs(image, font.Atlas(), quads, colour);
    y += height;
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: fontsheet OUT.png [ARCHIVE]\n");
    return 2;
  }
  const std::u16string archivePath = argc > 2 ? platform::Utf8ToU16(argv[2]) : DataArchive::Locate();
  auto archive = DataArchive::Open(archivePath);
  if (!archive) {
    std::fprintf(stderr, "fontsheet: no archive at %s\n", platform::U16ToUtf8(archivePath).c_str());
    return 1;
  }
  platform::FontLibrary library;
  struct GameFont {
    const char16_t* file;
    std::u16string family;
  };
  std::vector<GameFont> gameFonts = {{u"georgia.ttf", {}}, {u"TT1221M.ttf", {}}, {u"GOTH821C.ttf", {}}};
  for (auto& gf : gameFonts) {
    auto bytes = archive->ReadEntry(gf.file);
    const size_t before = library.RegisteredFamilies().size();
    if (!bytes || !library.AddMemoryFont(gf.file, std::move(*bytes))) {
      std::fprintf(stderr, "fontsheet: cannot register %s\n", platform::U16ToUtf8(gf.file).c_str());
      return 1;
    }
    gf.family = library.RegisteredFamilies().at(before);
  }

  Sheet sheet;
  auto label = library.CreateFont({u"Arial", 16, 0, 400, false});
  auto render = [&](const std::u16string& title, const FontSpec& spec) {
    auto font = library.CreateFont(spec);
    const auto& m = font->Metrics();
    sheet.Text(
        *label,
        platform::FormatW(u"%s  (%s, height %d, weight %d%s) -> %s, em %.1f px, ascent %d, descent %d%s",
                          title, spec.family, spec.height, int(spec.weight), spec.italic ? u", italic" : u"",
                          font->FamilyName(), double(m.emPixels), m.ascent, m.descent,
                          font->SyntheticBold() ? u", emboldened" : u""),
        0xFF9FC3E0);
    for (const char* sample : kSamples) sheet.Text(*font, platform::Utf8ToU16(sample), 0xFFFFFFFF);
    sheet.y += 10;
  };
  for (const auto& gf : gameFonts) {
    render(gf.file, {gf.family, 25, 0, 700, false});
    render(gf.file, {gf.family, 40, 0, 700, false});
  }
  render(u"default font", {u"Arial", 20, 0, 700, false});
  render(u"unknown family", {u"No Such Face", 20, 0, 400, true});

  // Alignment and wrapping inside framed boxes.
  auto arial = library.CreateFont({u"Arial", 20, 0, 700, false});
  const int boxTop = sheet.y + 8;
  const uint32_t formats[] = {platform::kTextWordBreak,
                              platform::kTextWordBreak | platform::kTextCenter | platform::kTextVCenter,
                              platform::kTextWordBreak | platform::kTextRight | platform::kTextBottom};
  for (int i = 0; i < 3; ++i) {
    Rect rect{16 + i * 416, boxTop, 16 + i * 416 + 400, boxTop + 180};
    for (int x = rect.left; x < rect.right; ++x)
      sheet.image.At(x, rect.top - 1) = sheet.image.At(x, rect.bottom) = 0xFF808080;
    for (int y = rect.top; y < rect.bottom; ++y)
      sheet.image.At(rect.left - 1, y) = sheet.image.At(rect.right, y) = 0xFF808080;
    std::vector<platform::GlyphQuad> quads;
    arial->DrawText(platform::Utf8ToU16("Ein Wurm läuft über die Wiese.\nA worm walks across the meadow and "
                                        "fires at the enemy. Червяк стреляет."),
                    rect, formats[i], &quads);
    platform::CompositeGlyphs(sheet.image, arial->Atlas(), quads, 0xFFFFE080);
  }
  sheet.y = boxTop + 200;

  if (!platform::WritePng(argv[1], sheet.image)) {
    std::fprintf(stderr, "fontsheet: cannot write %s\n", argv[1]);
    return 1;
  }
  std::printf("fontsheet: %s (%d rows used)\n", argv[1], sheet.y);
  return 0;
}
