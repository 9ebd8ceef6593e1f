// The font engine with real faces: registration from memory, the choice of face and
// fallbacks, cell-height metrics, the glyph atlas and the CPU compositor.
#include "platform/font.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/dataarchive.h"
#include "platform/files.h"
#include "platform/text.h"

using namespace platform;

namespace {

const char* const kDejaVuSerif = "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf";

std::vector<uint8_t> ReadOrFail(const char* path) {
  auto bytes = ReadFileOs(path);
  EXPECT_TRUE(bytes.has_value()) << path;
  return bytes ? *bytes : std::vector<uint8_t>();
}

int32_t MeasureWidth(Font& font, std::u16string_view text) {
  Rect rect{0, 0, 0, 0};
  font.DrawText(text, rect, kTextCalcRect | kTextSingleLine, nullptr);
  return rect.Width();
}

// True when the quad's source lies inside the atlas and holds some coverage.
bool QuadHasInk(const GlyphAtlas& atlas, const GlyphQuad& q) {
  if (q.srcLeft < 0 || q.srcTop < 0 || q.srcRight > atlas.Width() || q.srcBottom > atlas.Height())
    return false;
  for (int y = q.srcTop; y < q.srcBottom; ++y)
    for (int x = q.srcLeft; x < q.srcRight; ++x)
      if (atlas.Image().At(x, y) >> 24) return true;
  return false;
}

}  // namespace

// A positive height is the cell (Windows ascent + descent), a negative one the em.
TEST(Font, HeightIsTheCellOrTheEm) {
  struct Case {
    int32_t height;
    float em;
    int32_t ascent, descent, lineHeight;
  } cases[] = {
      // Liberation Sans: 2048 units per em, Windows ascent 1854, descent 434.
      {20, 17.902f, 16, 4, 20},
      {30, 26.853f, 24, 6, 30},
      {-20, 20.0f, 18, 4, 22},
      {0, 14.322f, 13, 3, 16},                // the default cell
      {1000000, 1833.175f, 1660, 388, 2048},  // held at the largest size glyphs can have
      {INT32_MIN, 2048.0f, 1854, 434, 2288},
  };
  FontLibrary library;
  for (const auto& c : cases) {
    auto font = library.CreateFont({u"Arial", c.height, 0, 700, false});
    ASSERT_TRUE(font);
    const FontMetrics& m = font->Metrics();
    EXPECT_NEAR(m.emPixels, c.em, 0.01f) << c.height;
    EXPECT_EQ(m.ascent, c.ascent) << c.height;
    EXPECT_EQ(m.descent, c.descent) << c.height;
    EXPECT_EQ(m.lineHeight, c.lineHeight) << c.height;

    Rect rect{0, 0, 1000, 0};
    EXPECT_EQ(font->DrawText(u"Hg\nHg", rect, kTextCalcRect, nullptr), 2 * c.lineHeight);
  }
}

TEST(Font, GlyphsFitTheCell) {
  FontLibrary library;
  auto font = library.CreateFont({u"Arial", 20, 0, 700, false});
  Rect rect{0, 0, 400, 20};
  std::vector<GlyphQuad> quads;
  font->DrawText(u"ÄÖÜ gjpqy", rect, kTextNoClip, &quads);
  ASSERT_EQ(quads.size(), 8u);
  for (const auto& q : quads) {
    EXPECT_GE(q.top, 0.0f) << "accents stay inside the cell";
    EXPECT_LE(q.bottom, 20.0f) << "descenders stay inside the cell";
  }
}

TEST(Font, FamiliesResolveWithFallbacks) {
  struct Case {
    const char16_t* family;
    uint32_t weight;
    bool italic;
    const char16_t* resolved;
    bool syntheticBold, syntheticItalic;
  } cases[] = {
      {u"Arial", 700, false, u"Liberation Sans", false, false},  // a real bold face
      {u"Arial", 400, true, u"Liberation Sans", false, false},   // a real italic face
      {u"ARIAL", 0, false, u"Liberation Sans", false, false},
      {u"No Such Face", 400, false, u"DejaVu Sans", false, false},
      {u"", 700, false, u"DejaVu Sans", false, false},
      {u"dejavu serif", 400, false, u"DejaVu Serif", false, false},  // registered, any letter case
      {u"DejaVu Serif", 700, false, u"DejaVu Serif", true, false},   // no bold face registered
      {u"DejaVu Serif", 700, true, u"DejaVu Serif", true, true},
  };
  FontLibrary library;
  ASSERT_GT(library.AddMemoryFont(u"georgia.ttf", ReadOrFail(kDejaVuSerif)), 0);
  for (const auto& c : cases) {
    auto font = library.CreateFont({c.family, 20, 0, c.weight, c.italic});
    ASSERT_TRUE(font) << U16ToUtf8(c.family);
    EXPECT_EQ(font->FamilyName(), c.resolved) << U16ToUtf8(c.family);
    EXPECT_EQ(font->SyntheticBold(), c.syntheticBold) << U16ToUtf8(c.family);
    EXPECT_EQ(font->SyntheticItalic(), c.syntheticItalic) << U16ToUtf8(c.family);
  }
}

TEST(Font, WeightAndWidthChangeTheText) {
  FontLibrary library;
  library.AddMemoryFont(u"georgia.ttf", ReadOrFail(kDejaVuSerif));
  const std::u16string text = u"Wurmkrieg im Garten";
  auto regular = library.CreateFont({u"DejaVu Serif", 20, 0, 400, false});
  auto emboldened = library.CreateFont({u"DejaVu Serif", 20, 0, 700, false});
  EXPECT_GT(MeasureWidth(*emboldened, text), MeasureWidth(*regular, text));

  auto natural = library.CreateFont({u"Arial", 20, 0, 400, false});
  auto wide = library.CreateFont({u"Arial", 20, 20, 400, false});
  const double ratio = double(MeasureWidth(*wide, text)) / MeasureWidth(*natural, text);
  EXPECT_GT(ratio, 1.8);
  EXPECT_LT(ratio, 2.1);
  EXPECT_EQ(wide->Metrics().lineHeight, 20) << "the width leaves the height alone";
}

TEST(Font, BadFontFilesAreRefused) {
  std::vector<uint8_t> truncated = ReadOrFail(kDejaVuSerif);
  truncated.resize(200);
  std::vector<uint8_t> garbage(4096);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = uint8_t(i * 131 + 7);
  const std::vector<uint8_t> cases[] = {{}, garbage, truncated, {'O', 'T', 'T', 'O', 0, 1}};
  FontLibrary library;
  for (const auto& bytes : cases) {
    int faces = -1;
    EXPECT_EQ(library.AddMemoryFont(u"bad.ttf", bytes, &faces), 0) << bytes.size() << " bytes";
    EXPECT_EQ(faces, 0);
  }
  EXPECT_TRUE(library.RegisteredFamilies().empty());
  // A refused file takes no name: the same name then registers a good file.
  EXPECT_GT(library.AddMemoryFont(u"bad.ttf", ReadOrFail(kDejaVuSerif)), 0);
}

TEST(Font, ADuplicateFileNameKeepsTheFirstRegistration) {
  FontLibrary library;
  int faces = 0;
  const int first = library.AddMemoryFont(u"georgia.ttf", ReadOrFail(kDejaVuSerif), &faces);
  EXPECT_GT(first, 0);
  EXPECT_EQ(faces, 1);
  EXPECT_EQ(
      library.AddMemoryFont(u"georgia.ttf",
                            ReadOrFail("/usr/share/fonts/truetype/liberation2/LiberationSerif-Regular.ttf")),
      0);
  EXPECT_EQ(library.RegisteredFamilies(), std::vector<std::u16string>{u"DejaVu Serif"});
  // Names compare exactly: another spelling is another file.
  const int other = library.AddMemoryFont(u"Georgia.ttf", ReadOrFail(kDejaVuSerif));
  EXPECT_GT(other, first);

  // Removing a registration takes its family away from later lookups only.
  auto before = library.CreateFont({u"DejaVu Serif", 20, 0, 400, false});
  EXPECT_TRUE(library.RemoveMemoryFont(first));
  EXPECT_TRUE(library.RemoveMemoryFont(other));
  EXPECT_FALSE(library.RemoveMemoryFont(first));
  EXPECT_EQ(library.CreateFont({u"DejaVu Serif", 20, 0, 400, false})->FamilyName(), u"DejaVu Sans");
  Rect rect{0, 0, 200, 40};
  std::vector<GlyphQuad> quads;
  before->DrawText(u"Serif", rect, 0, &quads);
  ASSERT_EQ(quads.size(), 5u);
  EXPECT_TRUE(QuadHasInk(before->Atlas(), quads[0]));
}

// The game's three font files, as packed into the archive, carry every letter of the
// game's four languages.
TEST(Font, GameFontsCoverTheGamesLanguages) {
  auto archive = DataArchive::Open(DataArchive::Locate());
  ASSERT_TRUE(archive) << "the test needs the packed archive";
  const std::u16string letters = Utf8ToU16(
      "AZaz09ÄÖÜäöüß"
      "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдеёжзийклмнопрстуфхцчшщъыьэюя"
      "ÀÂÆÇÈÉÊËÎÏÔŒÙÛÜŸàâæçèéêëîïôœùûüÿ«»–€");
  FontLibrary library;
  for (const char16_t* file : {u"georgia.ttf", u"TT1221M.ttf", u"GOTH821C.ttf"}) {
    auto bytes = archive->ReadEntry(file);
    ASSERT_TRUE(bytes) << U16ToUtf8(file);
    const size_t before = library.RegisteredFamilies().size();
    ASSERT_GT(library.AddMemoryFont(file, std::move(*bytes)), 0) << U16ToUtf8(file);
    const std::u16string family = library.RegisteredFamilies().at(before);
    auto font = library.CreateFont({family, 25, 0, 700, false});
    ASSERT_EQ(font->FamilyName(), family);
    for (char16_t c : letters)
      EXPECT_TRUE(font->HasGlyph(c)) << U16ToUtf8(file) << " lacks U+" << std::hex << int(c);

    Rect rect{0, 0, 1000, 40};
    std::vector<GlyphQuad> quads;
    font->DrawText(u"Съешь", rect, 0, &quads);
    ASSERT_EQ(quads.size(), 5u);
    for (const auto& q : quads) EXPECT_TRUE(QuadHasInk(font->Atlas(), q));
  }
}

TEST(Font, AtlasHoldsWhiteCoverageAndChangesOnlyForNewGlyphs) {
  FontLibrary library;
  auto font = library.CreateFont({u"Arial", 20, 0, 700, false});
  const GlyphAtlas& atlas = font->Atlas();
  const uint64_t empty = atlas.Generation();
  Rect rect{0, 0, 400, 40};
  std::vector<GlyphQuad> quads;
  font->DrawText(u"Größe", rect, 0, &quads);
  const uint64_t filled = atlas.Generation();
  EXPECT_GT(filled, empty);
  font->DrawText(u"Größe öG", rect, 0, &quads);
  EXPECT_EQ(atlas.Generation(), filled) << "known glyphs leave the atlas alone";
  font->DrawText(u"Größe!", rect, 0, &quads);
  EXPECT_GT(atlas.Generation(), filled);

  EXPECT_EQ(atlas.Width() & (atlas.Width() - 1), 0);
  EXPECT_EQ(atlas.Height() & (atlas.Height() - 1), 0);
  bool partial = false;
  for (uint32_t p : atlas.Image().pixels) {
    ASSERT_EQ(p & 0x00FFFFFFu, p ? 0x00FFFFFFu : 0u) << "white where there is coverage, empty elsewhere";
    partial |= (p >> 24) > 0 && (p >> 24) < 255;
  }
  EXPECT_TRUE(partial) << "glyph edges are smoothed";
}

// Large glyphs make the atlas grow to its limit and then start afresh; whatever a call
// hands out must be valid in the atlas as it is after that call.
TEST(Font, AtlasGrowsAndIsRebuiltWhenFull) {
  FontLibrary library;
  auto font = library.CreateFont({u"Arial", 1000, 0, 400, false});
  const GlyphAtlas& atlas = font->Atlas();
  int largest = 0;
  bool restarted = false;
  const std::u16string letters = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::vector<GlyphQuad> firstQuads;
  std::vector<uint32_t> firstInk;
  for (size_t i = 0; i + 1 < letters.size(); i += 2) {
    Rect rect{0, 0, 4000, 1000};
    std::vector<GlyphQuad> quads;
    font->DrawText(letters.substr(i, 2), rect, kTextNoClip, &quads);
    ASSERT_EQ(quads.size(), 2u);
    for (const auto& q : quads) ASSERT_TRUE(QuadHasInk(atlas, q)) << "letters " << i;
    const int size = atlas.Width() * atlas.Height();
    restarted |= size < largest;
    largest = std::max(largest, size);
    if (i == 0) {
      firstQuads = quads;
      for (int y = quads[0].srcTop; y < quads[0].srcBottom; ++y)
        firstInk.push_back(atlas.Image().At(quads[0].srcLeft + 3, y));
    }
    if (!restarted) {
      // While the atlas only grows, what was placed keeps its place and its pixels.
      std::vector<uint32_t> ink;
      for (int y = firstQuads[0].srcTop; y < firstQuads[0].srcBottom; ++y)
        ink.push_back(atlas.Image().At(firstQuads[0].srcLeft + 3, y));
      ASSERT_EQ(ink, firstInk) << "letters " << i;
    }
  }
  EXPECT_EQ(largest, GlyphAtlas::kMaxSize * GlyphAtlas::kMaxSize);
  EXPECT_TRUE(restarted);
}

TEST(Font, CompositorBlendsStraightAlphaOnAllChannels) {
  GlyphAtlas atlas;
  const uint8_t coverage[] = {255, 128, 0, 64};
  int ax = -1, ay = -1;
  ASSERT_TRUE(atlas.Add(coverage, 4, 1, 4, ax, ay));
  std::vector<GlyphQuad> quads{{ax, ay, ax + 4, ay + 1, 1.0f, 1.0f, 5.0f, 2.0f}};
  struct Case {
    uint32_t colour;
    uint32_t background;
    uint32_t expected[4];
  } cases[] = {
      {0xFFFF0000, 0xFF0000FF, {0xFFFF0000, 0xBF80007F, 0xFF0000FF, 0xCF4000BF}},
      {0x80FFFFFF, 0x00000000, {0x40808080, 0x10404040, 0x00000000, 0x04202020}},
      {0x00FFFFFF, 0xFF123456, {0xFF123456, 0xFF123456, 0xFF123456, 0xFF123456}},
  };
  for (const auto& c : cases) {
    Image image(6, 3, c.background);
    CompositeGlyphs(image, atlas, quads, c.colour);
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(image.At(1 + i, 1), c.expected[i]) << std::hex << c.colour << " pixel " << i;
    EXPECT_EQ(image.At(0, 1), c.background);
    EXPECT_EQ(image.At(1, 0), c.background);
  }
}

TEST(Font, AnAtlasTakesMemoryWithItsFirstGlyph) {
  // Many fonts never draw: an empty atlas has its size and no pixels yet.
  GlyphAtlas atlas;
  EXPECT_EQ(atlas.Width(), GlyphAtlas::kInitialSize);
  EXPECT_EQ(atlas.Pixels(), nullptr);
  EXPECT_TRUE(atlas.Image().pixels.empty());
  std::vector<GlyphQuad> none;
  Image target(4, 4, 0xFF112233u);
  CompositeGlyphs(target, atlas, none, 0xFFFFFFFFu);
  EXPECT_EQ(target.At(0, 0), 0xFF112233u);

  // The first glyph may be wider than the first size: the atlas grows before it holds
  // anything, then places it on clear pixels.
  struct Case {
    const char* name;
    int width, height;
    int atlasWidth, atlasHeight;
  };
  const Case cases[] = {
      {"small", 3, 2, GlyphAtlas::kInitialSize, GlyphAtlas::kInitialSize},
      {"wider than the first size", 300, 2, 2 * GlyphAtlas::kInitialSize, GlyphAtlas::kInitialSize},
      {"taller than the first size", 2, 300, 2 * GlyphAtlas::kInitialSize, 2 * GlyphAtlas::kInitialSize},
  };
  for (const Case& c : cases) {
    GlyphAtlas fresh;
    const std::vector<uint8_t> coverage(size_t(c.width) * size_t(c.height), 200);
    int x = -1, y = -1;
    ASSERT_TRUE(fresh.Add(coverage.data(), c.width, c.height, c.width, x, y)) << c.name;
    EXPECT_EQ(fresh.Width(), c.atlasWidth) << c.name;
    EXPECT_EQ(fresh.Height(), c.atlasHeight) << c.name;
    ASSERT_NE(fresh.Pixels(), nullptr) << c.name;
    ASSERT_EQ(fresh.Image().pixels.size(), size_t(c.atlasWidth) * size_t(c.atlasHeight)) << c.name;
    EXPECT_EQ(fresh.Image().At(x + c.width - 1, y + c.height - 1), 0xC8FFFFFFu) << c.name;
    EXPECT_EQ(fresh.Image().At(c.atlasWidth - 1, c.atlasHeight - 1), 0u) << c.name;
    // Emptied, it gives the memory back until the next glyph.
    fresh.Clear();
    EXPECT_EQ(fresh.Pixels(), nullptr) << c.name;
    EXPECT_EQ(fresh.Width(), GlyphAtlas::kInitialSize) << c.name;
  }
}
