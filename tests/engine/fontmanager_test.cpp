// Fonts and text drawing through the Null device's recorded draws: the glyph quads drawn
// from the atlas texture, measuring, halo offsets, scaling with the screen and re-creation on
// reset, and font files installed from the archive.
#include "engine/fontmanager.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "engine/myglobals.h"
#include "engine/spriterenderer.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace {

class Fonts : public ::testing::Test {
 protected:
  void SetUp() override {
    DisplayEnvironment env;
    env.adapterModes = {{1024, 768, 60, kFormatX8R8G8B8}, {1920, 1080, 60, kFormatX8R8G8B8}};
    graphics = std::make_unique<APIGraphics>(context, env);
    graphics->UseNullDevice(true);
    ASSERT_EQ(graphics->Create(), kResultOk);
    context.graphics = graphics.get();
    fonts = graphics->GetFontManager();
    ASSERT_NE(fonts, nullptr);
    sprites = graphics->GetSpriteRenderer();
    device = graphics->GetDevice();
  }

  // The draws of one call made inside Begin/End.
  template <typename Call>
  std::vector<platform::DrawRecord> Drawn(Call call) {
    device->ClearRecordedDraws();
    sprites->Begin(SpriteRenderer::kAlphaBlend);
    call();
    sprites->End();
    return device->RecordedDraws();
  }

  APIContext context;
  std::unique_ptr<APIGraphics> graphics;
  FontManager* fonts = nullptr;
  SpriteRenderer* sprites = nullptr;
  platform::GraphicsDevice* device = nullptr;
};

}  // namespace

TEST_F(Fonts, TheDefaultFontIsBoldArialOfHeightTwenty) {
  ASSERT_EQ(fonts->FontCount(), 1);
  MyFont* font = fonts->GetFont(0);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->Desc().faceName, u"Arial");
  EXPECT_EQ(font->Desc().weight, 700u);
  EXPECT_FALSE(font->Desc().scaleWithScreen);
  ASSERT_NE(font->Face(), nullptr);
  EXPECT_EQ(font->Face()->FamilyName(), u"Liberation Sans");
  EXPECT_EQ(font->Face()->Metrics().lineHeight, 20);
  EXPECT_EQ(fonts->AddFont(std::make_unique<MyFont>(FontDesc(u"Arial", 12), graphics.get())), 1);
}

TEST_F(Fonts, TextIsDrawnAsTheLayoutsGlyphQuadsFromTheAtlasTexture) {
  const std::u16string text = u"Wurm Größe";
  // The same text laid out by a font of the same description gives the quads to expect.
  auto reference = platform::FontLibrary::Process().CreateFont({u"Arial", 20, 0, 700, false});
  ASSERT_NE(reference, nullptr);
  std::vector<platform::GlyphQuad> expected;
  Rect layoutRect{100, 50, 400, 90};
  reference->DrawText(text, layoutRect, kDtCenter, &expected);
  ASSERT_EQ(expected.size(), 9u);

  Rect rect{100, 50, 400, 90};
  int height = 0;
  auto draws = Drawn([&] {
    // A transform left on the sprite by an earlier draw must not move the text.
    sprites->Batch()->SetTransform(platform::Matrix::Scaling(2.0f, 3.0f));
    height = fonts->DrawText(0, &text, &rect, kDtCenter, 0xC0123456);
  });
  EXPECT_EQ(height, 20);
  EXPECT_EQ(rect, (Rect{100, 50, 400, 90})) << "drawing leaves the rectangle alone";
  ASSERT_EQ(draws.size(), expected.size());
  const platform::Texture* atlas = draws[0].texture;
  ASSERT_NE(atlas, nullptr);
  const platform::GlyphAtlas& glyphs = fonts->GetFont(0)->Face()->Atlas();
  EXPECT_EQ(atlas->Width(), glyphs.Width());
  EXPECT_EQ(atlas->Height(), glyphs.Height());
  EXPECT_TRUE(std::equal(glyphs.Pixels(), glyphs.Pixels() + size_t(glyphs.Width()) * size_t(glyphs.Height()),
                         atlas->Pixels()))
      << "the texture holds the atlas as it is after the layout";
  for (size_t i = 0; i < draws.size(); ++i) {
    const auto& d = draws[i];
    const auto& q = expected[i];
    EXPECT_EQ(d.texture, atlas);
    EXPECT_EQ(d.colour, 0xC0123456u);
    EXPECT_TRUE(d.blend);
    EXPECT_EQ(d.source.Width(), q.srcRight - q.srcLeft) << "glyph " << i;
    EXPECT_EQ(d.source.Height(), q.srcBottom - q.srcTop) << "glyph " << i;
    EXPECT_EQ(d.corners[0], Vector2(q.left, q.top)) << "glyph " << i;
    EXPECT_EQ(d.corners[3], Vector2(q.right, q.bottom)) << "glyph " << i;
    // The source rectangle shows glyph pixels, not an empty part of the atlas.
    uint32_t coverage = 0;
    for (int y = d.source.top; y < d.source.bottom; ++y)
      for (int x = d.source.left; x < d.source.right; ++x) coverage |= atlas->PixelAt(x, y) >> 24;
    EXPECT_NE(coverage, 0u) << "glyph " << i;
  }
}

TEST_F(Fonts, QuadsOfAnEarlierCallReachTheDeviceBeforeTheAtlasTextureChanges) {
  const std::u16string first = u"A", second = u"xyz";
  sprites->Begin(SpriteRenderer::kAlphaBlend);
  device->ClearRecordedDraws();
  Rect rect{0, 0, 200, 40};
  fonts->DrawText(0, &first, &rect, 0, 0xFFFFFFFF);
  EXPECT_TRUE(device->RecordedDraws().empty()) << "still batched";
  // New glyphs change the atlas: the batched "A" is drawn before the texture is updated.
  fonts->DrawText(0, &second, &rect, 0, 0xFFFFFFFF);
  ASSERT_EQ(device->RecordedDraws().size(), 1u);
  // Glyphs already in the atlas change nothing: "A" again stays batched with "xyz".
  fonts->DrawText(0, &first, &rect, 0, 0xFFFFFFFF);
  EXPECT_EQ(device->RecordedDraws().size(), 1u);
  sprites->End();
  EXPECT_EQ(device->RecordedDraws().size(), 5u);
}

TEST_F(Fonts, MeasuringSetsTheExtentAndDrawsNothing) {
  struct Case {
    const char16_t* text;
    uint32_t format;
    Rect in;
    int32_t width;   // expected right - left; -1: kept
    int32_t height;  // expected bottom - top
  };
  const Case cases[] = {
      {u"Hello", kDtCalcRect | kDtNoClip, {10, 20, 11, 21}, -2, 20},
      {u"one\ntwo", kDtCalcRect, {0, 0, 0, 0}, -2, 40},
      {u"a few words to wrap", kDtCalcRect | kDtWordBreak, {5, 5, 60, 6}, -1, 0},
      {u"", kDtCalcRect, {5, 5, 60, 60}, 0, 0},
  };
  for (const Case& c : cases) {
    Rect rect = c.in;
    int height = 0;
    auto draws = Drawn([&] { height = fonts->MeasureText(0, c.text, &rect, c.format, 0xFFFFFFFF); });
    EXPECT_TRUE(draws.empty()) << std::string(c.text, c.text + 3);
    EXPECT_EQ(rect.left, c.in.left);
    EXPECT_EQ(rect.top, c.in.top);
    EXPECT_EQ(rect.Height(), height);
    if (c.width == -1) {
      EXPECT_EQ(rect.right, c.in.right) << "word break keeps the width";
      EXPECT_GE(height, 60) << "the words wrap onto several lines";
    } else if (c.width == -2) {
      EXPECT_GT(rect.Width(), 20) << "the width of the widest line";
      EXPECT_EQ(height, c.height);
    } else {
      EXPECT_EQ(rect.Width(), c.width);
      EXPECT_EQ(height, c.height);
    }
  }
}

TEST_F(Fonts, AMissingFontDrawsNothingAndMeasuresNothing) {
  const std::u16string text = u"Text";
  auto lost = std::make_unique<MyFont>(FontDesc(u"Arial", 20), graphics.get());
  lost->OnLostDevice();
  const int lostIndex = fonts->AddFont(std::move(lost));
  const int indices[] = {-1, fonts->FontCount(), 1000, lostIndex};
  for (int index : indices) {
    Rect rect{10, 20, 300, 200};
    int measured = -1;
    auto draws = Drawn([&] {
      fonts->DrawText(index, &text, &rect, 0, 0xFFFFFFFF);
      measured = fonts->MeasureText(index, text.c_str(), &rect, kDtCalcRect, 0xFFFFFFFF);
      fonts->DrawTextOffset(index, &text, &rect, nullptr, 2.0, 0, 0xFFFFFFFF);
    });
    EXPECT_TRUE(draws.empty()) << "font " << index;
    EXPECT_EQ(measured, 0) << "font " << index;
    EXPECT_EQ(rect, (Rect{10, 20, 10, 20})) << "font " << index;
  }
  Rect rect{0, 0, 100, 100};
  auto draws = Drawn([&] {
    fonts->DrawText(0, nullptr, &rect, 0, 0xFFFFFFFF);
    fonts->DrawTextHalo(0, nullptr, &rect, 2.0, 10, 1, 0, 0xFFFFFFFF);
    fonts->DrawTextHalo(0, &text, &rect, std::nan(""), 10, 1, 0, 0xFFFFFFFF);
  });
  EXPECT_TRUE(draws.empty());
}

TEST_F(Fonts, HaloCopiesSitAtTheTruncatedOffsetsOfEachDirectionAndRing) {
  // One glyph, so each copy is one quad; offsets are taken against the plain text.
  const std::u16string text = u"I";
  const Rect rect{100, 50, 300, 100};
  const Vector2 offset(0.75f, -0.25f);  // truncated away: 100.75 -> 100, 49.75 -> 49
  Rect plainRect{100, 49, 300, 99};
  auto plain = Drawn([&] { fonts->DrawText(0, &text, &plainRect, kDtNoClip, 0xFFFFFFFF); });
  ASSERT_EQ(plain.size(), 1u);

  auto once = Drawn([&] { fonts->DrawTextOffset(0, &text, &rect, &offset, 0.0, kDtNoClip, 0xFFFFFFFF); });
  ASSERT_EQ(once.size(), 1u);
  EXPECT_EQ(once[0].corners[0], plain[0].corners[0]);

  auto halo = Drawn([&] { fonts->DrawTextOffset(0, &text, &rect, &offset, 2.0, kDtNoClip, 0x80FF0000); });
  // Ten directions from straight down, turning through the right; the outer ring (radius 2)
  // before the inner one (radius 1). Edges are truncated toward zero after the move, so a
  // fraction below the edge costs a whole pixel.
  const int expected[20][2] = {
      {0, 2},   {0, 1},    // 0 degrees
      {1, 1},   {0, 0},    // 36
      {1, 0},   {0, 0},    // 72
      {1, -1},  {0, -1},   // 108
      {1, -2},  {0, -1},   // 144
      {0, -2},  {0, -1},   // 180: the double-precision angle lies just short of pi
      {-2, -2}, {-1, -1},  // 216
      {-2, -1}, {-1, -1},  // 252
      {-2, 0},  {-1, 0},   // 288
      {-2, 1},  {-1, 0},   // 324
  };
  ASSERT_EQ(halo.size(), 20u);
  for (size_t i = 0; i < 20; ++i) {
    EXPECT_EQ(halo[i].corners[0].x - plain[0].corners[0].x, float(expected[i][0])) << "copy " << i;
    EXPECT_EQ(halo[i].corners[0].y - plain[0].corners[0].y, float(expected[i][1])) << "copy " << i;
    EXPECT_EQ(halo[i].colour, 0x80FF0000u);
  }

  auto rings = Drawn([&] { fonts->DrawTextHalo(0, &text, &rect, 3.0, 4, 2, kDtNoClip, 0xFFFFFFFF); });
  EXPECT_EQ(rings.size(), 12u) << "directions x (rings + 1)";
}

TEST(FontHeight, ScalesWithTheScreenHeightInIntegersFirst) {
  struct Case {
    int32_t height;
    bool scale;
    uint32_t screenHeight;
    int32_t expected;
  };
  const Case cases[] = {
      {20, true, 768, 20},   {20, true, 1152, 30},   {20, true, 1080, 28}, {21, true, 1080, 29},
      {20, false, 1080, 20}, {-20, true, 1152, -30}, {1, true, 767, 0},    {2000000, true, 1080, 2812500},
  };
  for (const Case& c : cases) {
    FontDesc desc(u"Arial", c.height, c.scale);
    EXPECT_EQ(ScaledFontHeight(desc, c.screenHeight), c.expected) << c.height << " at " << c.screenHeight;
  }
}

TEST_F(Fonts, AResetMakesEveryFontAgainAtTheNewScreenHeight) {
  const int scaled = fonts->AddFont(std::make_unique<MyFont>(FontDesc(u"Arial", 20, true), graphics.get()));
  ASSERT_EQ(fonts->GetFont(scaled)->Height(), 20);
  const platform::Font* before = fonts->GetFont(scaled)->Face();

  graphics->ChangeMode(1920, 1080, 60, kFormatX8R8G8B8, true);
  ASSERT_EQ(graphics->GetScreenHeight(), 1080u);
  MyFont* font = fonts->GetFont(scaled);
  EXPECT_EQ(font->Height(), 28);
  ASSERT_NE(font->Face(), nullptr);
  EXPECT_NE(font->Face(), before);
  EXPECT_EQ(font->Face()->Metrics().lineHeight, 28);
  EXPECT_EQ(fonts->GetFont(0)->Height(), 20) << "an unscaled font keeps its height";

  // Text drawn after the reset comes from the new font's atlas.
  const std::u16string text = u"x";
  Rect rect{0, 0, 100, 100};
  auto draws = Drawn([&] { fonts->DrawText(scaled, &text, &rect, 0, 0xFFFFFFFF); });
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].texture->Width(), font->Face()->Atlas().Width());
}

TEST_F(Fonts, FontFilesAreInstalledOnceByFileName) {
  auto archive = DataArchive::Open(DataArchive::Locate());
  ASSERT_NE(archive, nullptr) << "the built archive";
  TempDir dir;
  const std::u16string onDisk = dir.File("serif-on-disk.ttf");
  auto bytes = platform::ReadFileOs("/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf");
  ASSERT_TRUE(bytes.has_value());
  ASSERT_TRUE(platform::WriteFileAtomic(onDisk, *bytes));

  struct Case {
    std::u16string name;
    bool added;
    bool installed;
  };
  const Case cases[] = {
      {u"\\TT1221M.ttf", true, true},  // a leading backslash is dropped before the lookup
      {u"\\TT1221M.ttf", false, false}, {onDisk, true, true},  // not in the archive: read from disk
      {u"missing.ttf", true, false},    {u"missing.ttf", false, false},
  };
  for (const Case& c : cases) {
    auto font = std::make_unique<MemoryFont>(c.name, archive.get());
    EXPECT_EQ(font->IsInstalled(), c.installed) << platform::ToOsPath(c.name);
    EXPECT_EQ(fonts->AddMemoryFont(std::move(font)), c.added) << platform::ToOsPath(c.name);
  }
  EXPECT_FALSE(fonts->AddMemoryFont(nullptr));
  ASSERT_EQ(fonts->MemoryFonts().size(), 3u);
  EXPECT_TRUE(fonts->MemoryFonts()[0]->IsInstalled()) << "the first of two stays";
  EXPECT_FALSE(fonts->MemoryFonts()[2]->IsInstalled()) << "a missing file is kept, installing nothing";

  MyFont heavy(FontDesc(u"Roboto Black", 30), graphics.get());
  ASSERT_NE(heavy.Face(), nullptr);
  EXPECT_EQ(heavy.Face()->FamilyName(), u"Roboto Black");
}

TEST_F(Fonts, TheGameRegistersItsThreeFontFilesFromTheArchive) {
  MyGlobals globals(&context);
  ASSERT_NE(globals.GetArchive(), nullptr);
  globals.RegisterFonts();
  const auto& files = fonts->MemoryFonts();
  ASSERT_EQ(files.size(), 3u);
  const char16_t* names[] = {u"georgia.ttf", u"TT1221M.ttf", u"GOTH821C.ttf"};
  const char16_t* families[] = {u"DejaVu Serif", u"Roboto Black", u"Roboto Condensed"};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(files[i]->FileName(), names[i]);
    EXPECT_TRUE(files[i]->IsInstalled());
    MyFont font(FontDesc(families[i], 24), graphics.get());
    ASSERT_NE(font.Face(), nullptr);
    EXPECT_EQ(font.Face()->FamilyName(), families[i]);
  }
  globals.RegisterFonts();
  EXPECT_EQ(files.size(), 3u) << "registering again adds nothing";
}

TEST_F(Fonts, TheAtlasTextureShowsTheAtlasItselfAndFollowsItWhenItGrows) {
  MyFont* font = fonts->GetFont(0);
  ASSERT_NE(font, nullptr);
  const platform::GlyphAtlas& glyphs = font->Face()->Atlas();
  Rect rect{0, 0, 4000, 400};
  const std::u16string first = u"a";
  auto draws = Drawn([&] { fonts->DrawText(0, &first, &rect, 0, 0xFFFFFFFF); });
  ASSERT_EQ(draws.size(), 1u);
  const platform::Texture* texture = draws[0].texture;
  // No copy of the atlas: the texture's pixels are the atlas's.
  EXPECT_EQ(texture->Pixels(), glyphs.Pixels());

  // A new glyph in place changes the atlas under the texture, which is sent again.
  const std::u16string more = u"ab";
  draws = Drawn([&] { fonts->DrawText(0, &more, &rect, 0, 0xFFFFFFFF); });
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws[1].texture, texture);
  EXPECT_TRUE(texture->IsDirty());

  // Glyphs enough to outgrow the first size move the atlas's pixels: the texture follows.
  std::u16string many;
  for (char16_t c = 0x100; c < 0x180; ++c) many.push_back(c);
  const int before = glyphs.Width() * glyphs.Height();
  for (int round = 0; round < 8 && glyphs.Width() * glyphs.Height() == before; ++round) {
    draws = Drawn([&] { fonts->DrawText(0, &many, &rect, kDtNoClip, 0xFFFFFFFF); });
    for (char16_t& c : many) c = char16_t(c + 0x80);
  }
  ASSERT_GT(glyphs.Width() * glyphs.Height(), before);
  ASSERT_FALSE(draws.empty());
  const platform::Texture* grown = draws.back().texture;
  EXPECT_EQ(grown->Pixels(), glyphs.Pixels());
  EXPECT_EQ(grown->Width(), glyphs.Width());
  EXPECT_EQ(grown->Height(), glyphs.Height());
}
