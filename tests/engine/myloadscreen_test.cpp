// The loading screen on the Null device with the game's own "Splash.spl" and its images:
// the description's keys, the picture area and its borders, the progress bar cut to the
// progress, one whole frame per step, and the guarded cases (no maximum, a missing border).
#include "engine/myloadscreen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"

namespace {

class LoadScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    archive = DataArchive::Open(DataArchive::Locate());
    ASSERT_NE(archive, nullptr) << "the built archive";
    splash = LoadKVFromArchive(u"Splash.spl", archive.get());
    ASSERT_NE(splash, nullptr);
  }

  // A graphics manager on the Null device with a screen of that size.
  void MakeScreen(int32_t width, int32_t height) {
    DisplayEnvironment env;
    env.desktop = {width, height};
    env.workArea = {0, 0, width, height};
    env.adapterModes = {{uint32_t(width), uint32_t(height), 60, kFormatX8R8G8B8}};
    graphics = std::make_unique<APIGraphics>(context, env);
    graphics->UseNullDevice(true);
    context.graphics = graphics.get();
    ASSERT_EQ(graphics->Create(), kResultOk);
    ASSERT_EQ(graphics->GetScreenWidth(), uint32_t(width));
    device = graphics->GetDevice();
  }

  // The game's main splash block with some keys replaced or added.
  std::unique_ptr<KVNode> Description(const std::u16string& extra) {
    std::u16string text = u"<>\n \t<\\>\n<SPLASH_TEST>\n" + extra;
    for (const auto& child : splash->GetChild(0, u"SPLASH_MAIN")->Children()) {
      if (extra.find(u"<" + child->Name() + u">") != std::u16string::npos) continue;
      text += u"<" + child->Name() + u">";
      for (unsigned i = 0; i < child->GetValueCount(); ++i)
        text += u" \"" + child->GetValue(i)->Text() + u"\"";
      text += u" <\\" + child->Name() + u">\n";
    }
    text += u"<\\SPLASH_TEST>\n";
    return ParseKVText(text);
  }

  std::vector<platform::DrawRecord> Frame(MyLoadScreen& screen, double step = 0.0) {
    device->ClearRecordedDraws();
    screen.Advance(step);
    return device->RecordedDraws();
  }

  APIContext context;
  std::unique_ptr<DataArchive> archive;
  std::unique_ptr<KVNode> splash;
  std::unique_ptr<APIGraphics> graphics;
  platform::GraphicsDevice* device = nullptr;
};

// The destination of a stretched draw: its top-left and bottom-right corners.
Rect Destination(const platform::DrawRecord& d) {
  return {int32_t(d.corners[0].x), int32_t(d.corners[0].y), int32_t(d.corners[3].x), int32_t(d.corners[3].y)};
}

}  // namespace

TEST_F(LoadScreen, TheGamesSplashDescriptionFindsEveryImage) {
  MakeScreen(1024, 768);
  MyLoadScreen screen(splash->GetChild(0, u"SPLASH_MAIN"), archive.get(), graphics.get());
  ASSERT_NE(screen.Splash(), nullptr);
  EXPECT_EQ(screen.Splash()->rect, (Rect{0, 0, 1024, 768}));
  ASSERT_NE(screen.BarEmpty(), nullptr);
  ASSERT_NE(screen.BarFull(), nullptr);
  ASSERT_NE(screen.Notice(), nullptr);
  for (int i = 0; i < 4; ++i) EXPECT_NE(screen.Border(i), nullptr) << "border " << i;
  EXPECT_EQ(screen.Border(0)->rect, (Rect{0, 0, 128, 768}));
  EXPECT_EQ(screen.BarRect().left, 212.0f / 1024.0f);
  EXPECT_EQ(screen.BarRect().bottom, 700.0f / 768.0f);
  // The main scene's count of loading steps, which its own test matches.
  double maximum = 0.0;
  splash->GetChild(0, u"SPLASH_MAIN")->Read(u"MAXIMUM", maximum);
  EXPECT_GT(maximum, 0.0);
  EXPECT_EQ(screen.Maximum(), maximum);
  EXPECT_TRUE(screen.UsesBorders());
  EXPECT_TRUE(screen.ClearsScreen());
  EXPECT_FALSE(screen.RendersToTexture());
  EXPECT_EQ(screen.BackColour(), 0xFFFFFFFFu);

  MyLoadScreen preview(splash->GetChild(0, u"LOAD_PREVIEW"), archive.get(), graphics.get());
  EXPECT_EQ(preview.Splash(), nullptr);
  EXPECT_TRUE(preview.RendersToTexture());
  EXPECT_EQ(preview.Maximum(), 0.0);
}

TEST_F(LoadScreen, KeysOverrideInTheirOrderAndRectanglesReadAsFractionsOrPixels) {
  MakeScreen(1024, 768);
  auto description = Description(
      u"<SPLASH_TEXTUR_DIREKT> \"splash.png\" <\\SPLASH_TEXTUR_DIREKT>\n"
      u"<SPLASH_RECT_VERH> \"0.25\" \"0.5\" <\\SPLASH_RECT_VERH>\n"
      u"<LADEBALKEN_RECT_VERH> \"0.1\" \"0.2\" \"0.3\" \"0.4\" <\\LADEBALKEN_RECT_VERH>\n"
      u"<LADEBALKEN_RECT_DIR> \"0\" \"0\" \"1024\" \"768\" <\\LADEBALKEN_RECT_DIR>\n"
      u"<BACK_COLOR> \"0x80646464\" <\\BACK_COLOR>\n"
      u"<CLEAR_SCREEN> \"0\" <\\CLEAR_SCREEN>\n");
  MyLoadScreen screen(description.get(), archive.get(), graphics.get());
  // The whole image wins over the part of the definition file.
  ASSERT_NE(screen.Splash(), nullptr);
  EXPECT_FALSE(screen.Splash()->IsPart());
  EXPECT_EQ(screen.Splash()->rect, (Rect{0, 0, 1024, 1024}));
  // Missing values are 0; pixels are of a 1024 x 768 picture, so the whole picture is 0 0 1 1.
  EXPECT_EQ(screen.SplashRect().left, 0.25f);
  EXPECT_EQ(screen.SplashRect().top, 0.5f);
  EXPECT_EQ(screen.SplashRect().right, 0.0f);
  EXPECT_EQ(screen.SplashRect().bottom, 0.0f);
  EXPECT_EQ(screen.BarRect().left, 0.0f);
  EXPECT_EQ(screen.BarRect().top, 0.0f);
  EXPECT_EQ(screen.BarRect().right, 1.0f);
  EXPECT_EQ(screen.BarRect().bottom, 1.0f);
  EXPECT_EQ(screen.BackColour(), 0x80646464u);
  EXPECT_FALSE(screen.ClearsScreen());

  MyLoadScreen empty(nullptr, archive.get(), graphics.get());
  EXPECT_EQ(empty.Splash(), nullptr);
  EXPECT_EQ(empty.BarRect().right, 1.0f);
  EXPECT_EQ(empty.NoticeRect().right, 0.0f);
  EXPECT_TRUE(empty.ClearsScreen());
  EXPECT_EQ(empty.Maximum(), 0.0);
}

TEST(LoadScreenArea, IsTheLargestCentredFourByThreeRectangleWithBorders) {
  struct Case {
    int32_t width, height;
    bool borders;
    Rect area;
  };
  const Case cases[] = {
      {1280, 720, true, {160, 0, 1120, 720}},   {1280, 1024, true, {0, 32, 1280, 992}},
      {1024, 768, true, {0, 0, 1024, 768}},     {1920, 1080, true, {240, 0, 1680, 1080}},
      {1680, 1050, true, {140, 0, 1540, 1050}}, {1280, 720, false, {0, 0, 1280, 720}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MyLoadScreen::PictureArea(c.width, c.height, c.borders), c.area) << c.width << "x" << c.height;
  EXPECT_EQ(MyLoadScreen::Place({0.0f, 0.0f, 1.0f, 1.0f}, {160, 0, 1120, 720}), (Rect{160, 0, 1120, 720}));
  EXPECT_EQ(
      MyLoadScreen::Place({212 / 1024.0f, 668 / 768.0f, 812 / 1024.0f, 700 / 768.0f}, {160, 0, 1120, 720}),
      (Rect{358, 626, 921, 656}));
}

TEST_F(LoadScreen, EachStepDrawsOneWholeFrameWithTheBarCutToTheProgress) {
  MakeScreen(1280, 720);
  MyLoadScreen screen(splash->GetChild(0, u"SPLASH_MAIN"), archive.get(), graphics.get());
  screen.SetMaximum(4.0);
  const Rect bar{358, 626, 921, 656};
  struct Step {
    double step;
    double progressAfter;
    bool fullDrawn;  // the full bar of the progress before the step
    int32_t fullRight;
    int32_t sourceWidth;
  };
  // 512 pixels of bar image; the bar's fractions 212 and 812 of 1024 over 960 pixels from 160.
  const Step steps[] = {
      {1.0, 1.0, false, 0, 0},      // progress 0: an empty cut draws nothing
      {1.0, 2.0, true, 499, 128},   // 160 + 960 * (0.20703125 + 0.5859375 / 4) = 499.375
      {5.0, 4.0, true, 640, 256},   // beyond the maximum: held at 4
      {-9.0, 0.0, true, 921, 512},  // below 0: held at 0
  };
  for (const Step& s : steps) {
    auto draws = Frame(screen, s.step);
    EXPECT_EQ(screen.Progress(), s.progressAfter);
    // Left and right border, splash, empty bar, full bar, notice.
    ASSERT_EQ(draws.size(), s.fullDrawn ? 6u : 5u) << s.step;
    EXPECT_EQ(Destination(draws[0]), (Rect{0, 0, 160, 720}));
    EXPECT_EQ(Destination(draws[1]), (Rect{1120, 0, 1280, 720}));
    EXPECT_EQ(Destination(draws[2]), (Rect{160, 0, 1120, 720}));
    EXPECT_EQ(draws[2].source, screen.Splash()->rect);
    EXPECT_EQ(Destination(draws[3]), bar);
    EXPECT_EQ(draws[3].source, screen.BarEmpty()->rect);
    if (s.fullDrawn) {
      EXPECT_EQ(Destination(draws[4]), (Rect{bar.left, bar.top, s.fullRight, bar.bottom}));
      const Rect& part = screen.BarFull()->rect;
      EXPECT_EQ(draws[4].source, (Rect{part.left, part.top, part.left + s.sourceWidth, part.bottom}));
    }
    EXPECT_EQ(Destination(draws.back()), (Rect{400, 682, 880, 712}));
    for (const auto& d : draws) EXPECT_EQ(d.colour, 0xFFFFFFFFu);
  }
  EXPECT_EQ(device->ReadPixels()[0], 0xFF646464u) << "the frame starts cleared";
}

TEST_F(LoadScreen, NarrowBorderStripsKeepTheImagesProportions) {
  struct Case {
    int32_t width, height;
    Rect first, second;
  };
  // 1024 x 768: strips of no width; the 128-wide border images reach off the screen.
  // 1280 x 1024: 32-high strips; the 1024 x 128 images are scaled by 1.25 to 160.
  const Case cases[] = {
      {1024, 768, {-128, 0, 0, 768}, {1024, 0, 1152, 768}},
      {1280, 1024, {0, -128, 1280, 32}, {0, 992, 1280, 1152}},
  };
  for (const Case& c : cases) {
    MakeScreen(c.width, c.height);
    MyLoadScreen screen(splash->GetChild(0, u"SPLASH_MAIN"), archive.get(), graphics.get());
    auto draws = Frame(screen);
    ASSERT_GE(draws.size(), 2u);
    EXPECT_EQ(Destination(draws[0]), c.first) << c.width;
    EXPECT_EQ(Destination(draws[1]), c.second) << c.width;
  }
}

TEST_F(LoadScreen, NoMaximumAndAMissingBorderDrawWhatTheyCan) {
  MakeScreen(1280, 720);
  auto description = Description(
      u"<SPLASH_TEXTUR_INDIREKT_BORDERS> \"loading.prt\" \"BORDER_LEFT\" \"NO_SUCH_PART\" \"BORDER_TOP\" "
      u"\"BORDER_BOTTOM\" <\\SPLASH_TEXTUR_INDIREKT_BORDERS>\n"
      u"<MAXIMUM> \"0\" <\\MAXIMUM>\n");
  MyLoadScreen screen(description.get(), archive.get(), graphics.get());
  EXPECT_NE(screen.Border(0), nullptr);
  EXPECT_EQ(screen.Border(1), nullptr);
  auto draws = Frame(screen, 1.0);
  EXPECT_EQ(screen.Progress(), 0.0);
  // Left border, splash, empty bar, notice: no right border and no full bar.
  ASSERT_EQ(draws.size(), 4u);
  EXPECT_EQ(Destination(draws[0]), (Rect{0, 0, 160, 720}));
  EXPECT_EQ(draws[2].source, screen.BarEmpty()->rect);

  // Without the left part the right one scales by its own height.
  auto rightOnly = Description(
      u"<SPLASH_TEXTUR_INDIREKT_BORDERS> \"loading.prt\" \"NONE\" \"BORDER_RIGHT\" "
      u"<\\SPLASH_TEXTUR_INDIREKT_BORDERS>\n");
  MyLoadScreen other(rightOnly.get(), archive.get(), graphics.get());
  draws = Frame(other);
  ASSERT_FALSE(draws.empty());
  EXPECT_EQ(Destination(draws[0]), (Rect{1120, 0, 1280, 720}));
}

TEST_F(LoadScreen, TheCapturedSceneIsTheBackdropAndFollowsResets) {
  MakeScreen(1024, 768);
  MyLoadScreen screen(splash->GetChild(0, u"LOAD_PREVIEW"), archive.get(), graphics.get());
  ASSERT_TRUE(screen.CaptureReady());
  platform::Texture* capture = screen.CaptureTexture();
  ASSERT_NE(capture, nullptr);
  EXPECT_TRUE(capture->IsRenderTarget());
  EXPECT_EQ(capture->Width(), 1024);

  screen.BeginRenderToTexture();
  EXPECT_EQ(device->RenderTarget(), capture);
  device->Clear(platform::kClearTarget, 0xFF00FF00, 1.0f, 0);
  screen.EndRenderToTexture();
  EXPECT_EQ(device->RenderTarget(), nullptr);
  EXPECT_EQ(capture->PixelAt(5, 5), 0xFF00FF00u);

  auto draws = Frame(screen);
  ASSERT_FALSE(draws.empty());
  EXPECT_EQ(draws[0].texture, capture);
  EXPECT_EQ(draws[0].source, (Rect{0, 0, 1024, 768}));
  EXPECT_EQ(Destination(draws[0]), (Rect{0, 0, 1024, 768}));
  EXPECT_EQ(draws[0].colour, 0xFFFFFFFFu);

  // A reset in the middle of a capture gives the target back and makes the texture anew.
  screen.BeginRenderToTexture();
  graphics->ChangeMode(1024, 768, 60, kFormatX8R8G8B8, false);
  EXPECT_EQ(device->RenderTarget(), nullptr);
  ASSERT_NE(screen.CaptureTexture(), nullptr);
  EXPECT_TRUE(screen.CaptureReady());
}

TEST_F(LoadScreen, PicturesReleasedAfterALoadingComeBackForTheNextFrame) {
  MakeScreen(1024, 768);
  MyLoadScreen screen(splash->GetChild(0, u"SPLASH_MAIN"), archive.get(), graphics.get());
  MyLoadScreen start(splash->GetChild(0, u"LOAD_START"), archive.get(), graphics.get());
  screen.SetMaximum(2.0);
  Frame(screen, 1.0);
  const auto before = Frame(screen, 0.0);
  platform::Texture* picture = screen.Splash()->texture;
  platform::Texture* borders = screen.Border(0)->texture;
  ASSERT_NE(picture, borders);
  const std::vector<uint32_t> pixels(picture->Pixels(),
                                     picture->Pixels() + size_t(picture->Width()) * size_t(picture->Height()));

  screen.ReleasePictures();
  EXPECT_TRUE(screen.PicturesReleased());
  for (const TexturPart* part : {screen.Splash(), screen.BarFull(), screen.Notice(), screen.Border(3)})
    EXPECT_FALSE(part->texture->HasCpuCopy());
  // Another screen over the same images brings back the ones it draws.
  Frame(start);
  EXPECT_TRUE(picture->HasCpuCopy());
  start.ReleasePictures();
  EXPECT_FALSE(picture->HasCpuCopy());

  // The next frame draws as the last one did, from the same pictures read again.
  const auto after = Frame(screen, 0.0);
  EXPECT_FALSE(screen.PicturesReleased());
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(after[i].texture, before[i].texture) << i;
    EXPECT_EQ(after[i].source, before[i].source) << i;
    EXPECT_EQ(Destination(after[i]), Destination(before[i])) << i;
  }
  ASSERT_TRUE(picture->HasCpuCopy());
  EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), picture->Pixels()));
  EXPECT_TRUE(borders->HasCpuCopy());
}
