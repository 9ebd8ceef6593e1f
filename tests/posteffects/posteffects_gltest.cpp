// Each effect kind on OpenGL offscreen, run through the frame chain over a small picture of
// four vertical bands, checked at a few pixels of the screen it leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include <cstdlib>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "engine/spriterenderer.h"
#include "platform/graphics_hooks.h"
#include "platform/text.h"
#include "platform/window.h"
#include "posteffects/finishingpass.h"
#include "posteffects/mype_effectcombination.h"
#include "posteffects/mype_kinds.h"
#include "posteffects/myposteffect.h"
#include "posteffects/posteffectlibrary.h"
#include "posteffects/posteffectscene.h"

namespace {

// The bands, a quarter of the screen wide each.
constexpr uint32_t kBands[4] = {0xFF204080, 0xFFE0E0E0, 0xFF40A040, 0xFF000000};

int Channel(uint32_t argb, int shift) { return int((argb >> shift) & 0xFF); }

// The four bands, and for render extras: "HALB" whitens the left half, "UNTEN" blackens the
// lower half (over the extra's clear colour).
class BandScene : public PostEffectScene {
 public:
  explicit BandScene(APIGraphics* graphics) : m_graphics(graphics), m_white(1, 1) {
    m_white.MutablePixels()[0] = 0xFFFFFFFF;
  }
  void RenderPass() override {
    SpriteRenderer* sprites = m_graphics->GetSpriteRenderer();
    sprites->Begin(SpriteRenderer::kAlphaBlend);
    const int32_t w = int32_t(m_graphics->GetScreenWidth()), h = int32_t(m_graphics->GetScreenHeight());
    for (int i = 0; i < 4; ++i) Fill({w * i / 4, 0, w * (i + 1) / 4, h}, kBands[i]);
    sprites->End();
  }
  bool RenderForEffect(const std::u16string& name) override {
    SpriteRenderer* sprites = m_graphics->GetSpriteRenderer();
    const int32_t w = int32_t(m_graphics->GetScreenWidth()), h = int32_t(m_graphics->GetScreenHeight());
    sprites->Begin(SpriteRenderer::kAlphaBlend);
    bool drew = true;
    if (name == u"HALB")
      Fill({0, 0, w / 2, h}, 0xFFFFFFFF);
    else if (name == u"UNTEN")
      Fill({0, h / 2, w, h}, 0xFF000000);
    else
      drew = false;
    sprites->End();
    return drew;
  }

 private:
  void Fill(const Rect& r, uint32_t colour) {
    const Rect source{0, 0, 1, 1};
    m_graphics->GetSpriteRenderer()->DrawRect(&m_white, &source, &r, SpriteRenderer::kStretch,
                                              SpriteRenderer::kStretch, colour);
  }
  APIGraphics* m_graphics;
  platform::Texture m_white;
};

class GlPostEffects : public ::testing::Test {
 protected:
  void SetUp() override {
    DisplayEnvironment env;
    env.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(context, env);
    std::string error;
    window = platform::Window::Create(u"posteffects", 1024, 768, &error);
    ASSERT_NE(window, nullptr) << error;
    context.mainWindow = window.get();
    ASSERT_EQ(graphics->Create(), kResultOk);
    context.graphics = graphics.get();
    archive = DataArchive::Open(DataArchive::Locate());
    ASSERT_NE(archive, nullptr) << "the game's archive (KRUMBOLT_GOB)";
    library = std::make_unique<PostEffectLibrary>(&context);
    scene = std::make_unique<BandScene>(graphics.get());
    library->SetLevel(scene.get());
    w = int32_t(graphics->GetScreenWidth());
    h = int32_t(graphics->GetScreenHeight());
  }
  void TearDown() override {
    library.reset();
    if (graphics) graphics->Release();
  }

  // Loads the sections and switches on the named effects in order; returns the screen.
  std::vector<uint32_t> Run(const std::u16string& sections, std::initializer_list<const char16_t*> names) {
    doc = ParseKVText(u"<>\n \t<\\>\n<POSTEFFECTS>\n" + sections + u"\n<\\POSTEFFECTS>\n");
    library->Load(doc.get(), archive.get());
    for (const char16_t* name : names) {
      MyPostEffect* effect = library->CreateEffect(name).release();
      EXPECT_NE(effect, nullptr) << platform::U16ToUtf8(name);
      library->ActivateEffect(effect);
    }
    platform::GraphicsDevice* device = graphics->GetDevice();
    device->Clear(platform::kClearTarget, 0xFFFF00FF, 1.0f, 0);
    library->RenderActive();
    return device->ReadPixels();
  }
  uint32_t At(const std::vector<uint32_t>& screen, int32_t x, int32_t y) const {
    return screen[size_t(y) * size_t(w) + size_t(x)];
  }
  // The middle of band i, at row y.
  uint32_t Band(const std::vector<uint32_t>& screen, int i, int32_t y) const {
    return At(screen, w * (2 * i + 1) / 8, y);
  }

  APIContext context;
  std::unique_ptr<APIGraphics> graphics;
  std::unique_ptr<platform::Window> window;
  std::unique_ptr<DataArchive> archive;
  std::unique_ptr<PostEffectLibrary> library;
  std::unique_ptr<BandScene> scene;
  std::unique_ptr<KVNode> doc;
  int32_t w = 0, h = 0;
};

void ExpectNear(uint32_t actual, uint32_t expected, int tolerance, const char* what) {
  for (int shift : {16, 8, 0})
    EXPECT_NEAR(Channel(actual, shift), Channel(expected, shift), tolerance)
        << what << std::hex << ": actual " << actual << " expected " << expected;
}

TEST_F(GlPostEffects, ACopyShowsThePictureAndOnlyMakeOriginalReachesTheScreen) {
  auto screen = Run(
      uR"(<POST_EFFECT> <NAME> "K" <\NAME> <FX_NAME> "pe_copy.fx" <\FX_NAME> <MAKE_ORIGINAL> "1" <\MAKE_ORIGINAL> <\POST_EFFECT>
       <PE_SATURATE> <NAME> "Grau" <\NAME> <FX_NAME> "pe_saturate.fx" <\FX_NAME> <SÄTTIGUNG> "0" <\SÄTTIGUNG> <\PE_SATURATE>)",
      {u"K", u"Grau"});
  // The grey step comes last without MAKE_ORIGINAL: it changes nothing on screen.
  for (int i = 0; i < 4; ++i) ExpectNear(Band(screen, i, h / 2), kBands[i], 1, "copy");
  ExpectNear(At(screen, 0, 0), kBands[0], 1, "corner");
  ExpectNear(At(screen, w - 1, h - 1), kBands[3], 1, "corner");
}

// From the second frame on, the chain's work picture holds the captured bands of the frame before. A
// smaller picture that goes on screen stands on black all the same; a smaller picture that is
// only stretched back by the next effect shows nothing of what lay around it.
TEST_F(GlPostEffects, OnlyTheWrittenPartOfASmallerPassReachesTheScreen) {
  struct Case {
    const char16_t* sections;
    std::initializer_list<const char16_t*> names;
    uint32_t outside;  // the middle of the bright band, outside the quarter
    const char* what;
  };
  const Case cases[] = {
      {uR"(<POST_EFFECT> <NAME> "Klein" <\NAME> <FX_NAME> "pe_copy.fx" <\FX_NAME> <SCALING> "0.25" "0.25" <\SCALING>
           <MAKE_ORIGINAL> "1" <\MAKE_ORIGINAL> <\POST_EFFECT>)",
       {u"Klein"}, 0xFF000000u, "black around the shrunk picture on screen"},
      {uR"(<POST_EFFECT> <NAME> "Klein" <\NAME> <FX_NAME> "pe_copy.fx" <\FX_NAME> <SCALING> "0.25" "0.25" <\SCALING> <\POST_EFFECT>
           <POST_EFFECT> <NAME> "Gross" <\NAME> <FX_NAME> "pe_copy.fx" <\FX_NAME> <SCALING> "4" "4" <\SCALING>
           <MAKE_ORIGINAL> "1" <\MAKE_ORIGINAL> <\POST_EFFECT>)",
       {u"Klein", u"Gross"}, kBands[1], "the shrunk picture stretched back over the screen"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    library = std::make_unique<PostEffectLibrary>(&context);
    library->SetLevel(scene.get());
    Run(c.sections, c.names);
    // The second frame: the work picture is the first frame's capture.
    library->RenderActive();
    const auto screen = graphics->GetDevice()->ReadPixels();
    ExpectNear(Band(screen, 1, h / 2), c.outside, 2, c.what);
    ExpectNear(At(screen, 2, 2), kBands[0], 2, "the top left corner");
  }
}

// The finished picture reaches the back buffer pixel for pixel and the right way up.
TEST_F(GlPostEffects, TheBackBufferGetsTheFinishedPictureUnchanged) {
  class TopAndBottom : public BandScene {
   public:
    explicit TopAndBottom(APIGraphics* graphics) : BandScene(graphics), m_graphics(graphics) {}
    void RenderPass() override {
      BandScene::RenderPass();
      SpriteRenderer* sprites = m_graphics->GetSpriteRenderer();
      platform::Texture white(1, 1);
      white.MutablePixels()[0] = 0xFFFFFFFF;
      const Rect source{0, 0, 1, 1}, top{0, 0, 64, 32}, bottom{0, 700, 64, 768};
      sprites->Begin(SpriteRenderer::kAlphaBlend);
      sprites->DrawRect(&white, &source, &top, SpriteRenderer::kStretch, SpriteRenderer::kStretch, 0x80FF2010);
      sprites->DrawRect(&white, &source, &bottom, SpriteRenderer::kStretch, SpriteRenderer::kStretch, 0xFF10E0F0);
      sprites->End();
    }

   private:
    APIGraphics* m_graphics;
  } marked(graphics.get());
  library->SetLevel(&marked);
  const auto screen = Run(
      uR"(<PE_SATURATE> <NAME> "Bunt" <\NAME> <FX_NAME> "pe_saturate.fx" <\FX_NAME> <MAKE_ORIGINAL> "1" <\MAKE_ORIGINAL> <SÄTTIGUNG> "1.2" <\SÄTTIGUNG> <\PE_SATURATE>)",
      {u"Bunt"});
  platform::GraphicsDevice* device = graphics->GetDevice();
  ASSERT_TRUE(device->SetRenderTarget(library->GetRenderData().Org()));
  const auto finished = device->ReadPixels();
  device->SetRenderTarget(nullptr);
  ASSERT_EQ(screen.size(), finished.size());
  size_t differing = 0;
  for (size_t i = 0; i < screen.size(); ++i) differing += screen[i] != finished[i];
  EXPECT_EQ(differing, 0u);
  EXPECT_NE(At(screen, 8, 8), At(screen, 8, 760)) << "the marks at the top and the bottom";
  ExpectNear(At(screen, 8, 760), 0xFF00F0FF, 24, "the bottom mark, more saturated");
  library->SetLevel(scene.get());
}

TEST_F(GlPostEffects, Saturation) {
  auto screen = Run(
      uR"(<PE_SATURATE> <NAME> "S" <\NAME> <FX_NAME> "pe_saturate.fx" <\FX_NAME> <MAKE_ORIGINAL> "1" <\MAKE_ORIGINAL>
       <SÄTTIGUNG> "0" <\SÄTTIGUNG> <\PE_SATURATE>)",
      {u"S"});
  // Green band (0x40, 0xA0, 0x40) at its luminance.
  ExpectNear(Band(screen, 2, 100), 0xFF787878, 2, "grey");
  ExpectNear(Band(screen, 1, 100), 0xFFE0E0E0, 2, "grey stays grey");
}

TEST_F(GlPostEffects, BrightPassAtAQuarterOfTheSize) {
  auto screen = Run(
      uR"(<PE_BRIGHT> <NAME> "B" <\NAME> <FX_NAME> "pe_bright.fx" <\FX_NAME> <MAKE_ORIGINAL> "1" <\MAKE_ORIGINAL>
       <LUMINANCE> "0.5" <\LUMINANCE> <\PE_BRIGHT>)",
      {u"B"});
  // The quarter picture in the top-left corner: the bright band stretched, the dark bands gone.
  ExpectNear(At(screen, w * 3 / 32, h / 8), 0xFFC1C1C1, 3, "bright band");
  ExpectNear(At(screen, w * 1 / 32, h / 8), 0xFF000000, 3, "blue band");
  ExpectNear(At(screen, w * 5 / 32, h / 8), 0xFF004100, 3, "only the green of the green band");
  // Outside the quarter the work picture's clear colour.
  ExpectNear(At(screen, w / 2, h / 2), 0xFF000000, 0, "outside");
}

TEST_F(GlPostEffects, BlurMixesOnlyAcrossEdgesAndScalesByItsStrength) {
  // The blur along one direction, and the short one in both directions at once.
  struct Case {
    const char16_t* file;
    const char16_t* step;
  };
  for (const Case& c : {Case{u"pe_blur.fx", u"\"1\" \"0\""}, Case{u"pe_dofblur.fx", u"\"1\" \"1\""}}) {
    SCOPED_TRACE(platform::U16ToUtf8(c.file));
    library = std::make_unique<PostEffectLibrary>(&context);
    library->SetLevel(scene.get());
    auto screen = Run(std::u16string(u"<PE_BLUR_BLOOM> <NAME> \"U\" <\\NAME> <FX_NAME> \"") + c.file +
                          u"\" <\\FX_NAME> <MAKE_ORIGINAL> \"1\" <\\MAKE_ORIGINAL> <PARAM_V4_1> " + c.step +
                          u" \"0\" \"0\" <\\PARAM_V4_1> <BLOOM> \"0.5\" <\\BLOOM> <\\PE_BLUR_BLOOM>",
                      {u"U"});
    ExpectNear(Band(screen, 1, h / 2), 0xFF707070, 2, "half of the bright band");
    // Just left of the bright band some of it bleeds in.
    const uint32_t edge = At(screen, w / 4 - 2, h / 2);
    EXPECT_GT(Channel(edge, 8), Channel(0xFF204080, 8) / 2 + 10);
  }
}

TEST_F(GlPostEffects, BloomCombineWeighsGlowAndPicture) {
  auto screen = Run(
      uR"(<PE_BLOOM_COMBINE> <NAME> "C" <\NAME> <FX_NAME> "pe_bloomcombine.fx" <\FX_NAME> <MAKE_ORIGINAL> "1" <\MAKE_ORIGINAL>
       <BLOOM> "0.25" <\BLOOM> <ORG_IMAGE_FAKTOR> "0.5" <\ORG_IMAGE_FAKTOR> <\PE_BLOOM_COMBINE>)",
      {u"C"});
  ExpectNear(Band(screen, 1, h / 2), 0xFFA8A8A8, 2, "three quarters");
}

TEST_F(GlPostEffects, BloomCombineStrengthensTheColoursAsTheSaturationWould) {
  auto screen = Run(
      uR"(<PE_BLOOM_COMBINE> <NAME> "C" <\NAME> <FX_NAME> "pe_bloomcombine.fx" <\FX_NAME> <MAKE_ORIGINAL> "1" <\MAKE_ORIGINAL>
       <BLOOM> "0" <\BLOOM> <ORG_IMAGE_FAKTOR> "1" <\ORG_IMAGE_FAKTOR> <PARAM_V4_1> "0.5" "0" "0" "0" <\PARAM_V4_1> <\PE_BLOOM_COMBINE>)",
      {u"C"});
  // Each channel moves half as far again away from the band's luminance, within 0 .. 255.
  for (int band = 0; band < 4; ++band) {
    const uint32_t in = kBands[band];
    const double grey = 0.299 * Channel(in, 16) + 0.587 * Channel(in, 8) + 0.114 * Channel(in, 0);
    uint32_t expected = 0xFF000000u;
    for (int shift : {16, 8, 0}) {
      const double v = std::clamp(grey + 1.5 * (Channel(in, shift) - grey), 0.0, 255.0);
      expected |= uint32_t(std::lround(v)) << shift;
    }
    ExpectNear(Band(screen, band, h / 2), expected, 2, "stronger colours");
  }
}

// The combine reads the picture; the glow adder blends onto a copy of it. Both give the
// picture plus a quarter of the glow (here the picture itself), white at most, also in the
// second frame, when the work picture holds the frame before.
TEST_F(GlPostEffects, GlowAddedOntoACopyOfThePictureEqualsTheCombine) {
  for (const char16_t* file : {u"pe_bloomcombine.fx", u"pe_glowadd.fx"}) {
    SCOPED_TRACE(platform::U16ToUtf8(file));
    library = std::make_unique<PostEffectLibrary>(&context);
    library->SetLevel(scene.get());
    Run(std::u16string(u"<PE_BLOOM_COMBINE> <NAME> \"C\" <\\NAME> <FX_NAME> \"") + file +
            u"\" <\\FX_NAME> <MAKE_ORIGINAL> \"1\" <\\MAKE_ORIGINAL> <BLOOM> \"0.25\" <\\BLOOM>"
            u" <ORG_IMAGE_FAKTOR> \"1\" <\\ORG_IMAGE_FAKTOR> <\\PE_BLOOM_COMBINE>",
        {u"C"});
    library->RenderActive();
    const auto screen = graphics->GetDevice()->ReadPixels();
    for (int band = 0; band < 4; ++band) {
      uint32_t expected = 0xFF000000u;
      for (int shift : {16, 8, 0})
        expected |= uint32_t(std::min(255L, std::lround(Channel(kBands[band], shift) * 1.25))) << shift;
      ExpectNear(Band(screen, band, h / 2), expected, 2, "picture and a quarter of the glow");
    }
  }
}

TEST_F(GlPostEffects, WholeBloomGlowsAroundTheBrightBand) {
  auto screen = Run(
      uR"(<PE_BRIGHT> <NAME> "Br" <\NAME> <FX_NAME> "pe_bright.fx" <\FX_NAME> <LUMINANCE> "0.5" <\LUMINANCE> <\PE_BRIGHT>
       <PE_BLUR_BLOOM> <NAME> "H" <\NAME> <FX_NAME> "pe_blur.fx" <\FX_NAME> <PARAM_V4_1> "1" "0" "0" "0" <\PARAM_V4_1> <BLOOM> "1" <\BLOOM> <\PE_BLUR_BLOOM>
       <PE_BLUR_BLOOM> <NAME> "V" <\NAME> <FX_NAME> "pe_blur.fx" <\FX_NAME> <PARAM_V4_1> "0" "1" "0" "0" <\PARAM_V4_1> <BLOOM> "1" <\BLOOM> <\PE_BLUR_BLOOM>
       <PE_BLOOM_COMBINE> <NAME> "Co" <\NAME> <FX_NAME> "pe_bloomcombine.fx" <\FX_NAME> <SCALING> "4" "4" <\SCALING> <MAKE_ORIGINAL> "1" <\MAKE_ORIGINAL>
          <BLOOM> "1" <\BLOOM> <ORG_IMAGE_FAKTOR> "1" <\ORG_IMAGE_FAKTOR> <\PE_BLOOM_COMBINE>
       <PE_COMBINATION> <NAME> "Bloom" <\NAME> <TYP> "BLOOM" <\TYP> <POST_EFFECT_LISTE> "Br" "H" "V" "Co" <\POST_EFFECT_LISTE> <\PE_COMBINATION>)",
      {u"Bloom"});
  // Full size again; the dark band beside the bright one takes some of its glow, the far
  // black band none.
  ExpectNear(Band(screen, 3, h / 2), 0xFF000000, 2, "far band");
  const uint32_t near = At(screen, w / 4 - 3, h / 2);
  EXPECT_GT(Channel(near, 16), Channel(kBands[0], 16) + 20);
  EXPECT_EQ(library->GetRenderData().scaleX, 1.0f);
}

// The bloom's own blur reads the taps that lie on pixel centres as single pixels: for the
// shipped steps it gives the filtered blur's screen, also where its taps reach past the small
// picture's edges (bright squares in the corners).
TEST_F(GlPostEffects, TheBloomBlurReadingPixelsAloneGivesTheFilteredBlur) {
  class Squares : public BandScene {
   public:
    explicit Squares(APIGraphics* graphics) : BandScene(graphics), m_graphics(graphics), m_white(1, 1) {
      m_white.MutablePixels()[0] = 0xFFFFFFFF;
    }
    void RenderPass() override {
      BandScene::RenderPass();
      const int32_t w = int32_t(m_graphics->GetScreenWidth()), h = int32_t(m_graphics->GetScreenHeight());
      SpriteRenderer* sprites = m_graphics->GetSpriteRenderer();
      sprites->Begin(SpriteRenderer::kAlphaBlend);
      const Rect source{0, 0, 1, 1};
      for (const Rect& r : {Rect{0, 0, 90, 50}, Rect{w - 70, h - 110, w, h}, Rect{500, 300, 530, 420}})
        sprites->DrawRect(&m_white, &source, &r, SpriteRenderer::kStretch, SpriteRenderer::kStretch, 0xFFFFF0D0);
      sprites->End();
    }

   private:
    APIGraphics* m_graphics;
    platform::Texture m_white;
  } squares(graphics.get());
  std::vector<uint32_t> screens[2];
  const char16_t* files[2] = {u"pe_blur.fx", u"pe_bloomblur.fx"};
  for (int i = 0; i < 2; ++i) {
    library = std::make_unique<PostEffectLibrary>(&context);
    library->SetLevel(&squares);
    const std::u16string file = files[i];
    screens[i] = Run(
        uR"(<PE_BRIGHT> <NAME> "Br" <\NAME> <FX_NAME> "pe_bright.fx" <\FX_NAME> <LUMINANCE> "0.5" <\LUMINANCE> <\PE_BRIGHT>
         <PE_BLUR_BLOOM> <NAME> "H" <\NAME> <FX_NAME> ")" + file + uR"(" <\FX_NAME> <PARAM_V4_1> "4" "0" "0" "0" <\PARAM_V4_1> <BLOOM> "1" <\BLOOM> <\PE_BLUR_BLOOM>
         <PE_BLUR_BLOOM> <NAME> "V" <\NAME> <FX_NAME> ")" + file + uR"(" <\FX_NAME> <PARAM_V4_1> "0" "4" "0" "0" <\PARAM_V4_1> <BLOOM> "1" <\BLOOM> <\PE_BLUR_BLOOM>
         <PE_BLOOM_COMBINE> <NAME> "Co" <\NAME> <FX_NAME> "pe_glowadd.fx" <\FX_NAME> <SCALING> "4" "4" <\SCALING> <MAKE_ORIGINAL> "1" <\MAKE_ORIGINAL>
            <BLOOM> "1" <\BLOOM> <ORG_IMAGE_FAKTOR> "1" <\ORG_IMAGE_FAKTOR> <\PE_BLOOM_COMBINE>
         <PE_COMBINATION> <NAME> "Bloom" <\NAME> <TYP> "BLOOM" <\TYP> <POST_EFFECT_LISTE> "Br" "H" "V" "Co" <\POST_EFFECT_LISTE> <\PE_COMBINATION>)",
        {u"Bloom"});
  }
  ASSERT_EQ(screens[0].size(), screens[1].size());
  int largest = 0;
  for (size_t p = 0; p < screens[0].size(); ++p)
    for (int shift : {16, 8, 0})
      largest = std::max(largest, std::abs(Channel(screens[0][p], shift) - Channel(screens[1][p], shift)));
  EXPECT_LE(largest, 1);
  // The glow reaches the band beside the corner square and the bottom row under the other.
  EXPECT_GT(Channel(At(screens[1], 120, 20), 16), Channel(kBands[0], 16) + 10);
  EXPECT_GT(Channel(At(screens[1], w - 100, h - 1), 0), Channel(kBands[3], 0) + 10);
}

TEST_F(GlPostEffects, WobbleShiftsTheBandsAlongTheWave) {
  // No speed, a quarter wave down the screen: the top row stays, the bottom row moves 16
  // pixels to the right.
  auto screen = Run(
      uR"(<PE_WOBBLE> <NAME> "W" <\NAME> <FX_NAME> "pe_wobble.fx" <\FX_NAME> <MAKE_ORIGINAL> "1" <\MAKE_ORIGINAL>
       <AMPLITUDE> "16" <\AMPLITUDE> <SPEED_TILING> "0" "0" "0.25" "0" <\SPEED_TILING> <\PE_WOBBLE>)",
      {u"W"});
  ExpectNear(At(screen, w / 4 - 8, 0), kBands[0], 2, "top row");
  ExpectNear(At(screen, w / 4 - 8, h - 1), kBands[1], 2, "bottom row");
}

TEST_F(GlPostEffects, LightDarkensOutsideItsCircle) {
  auto screen = Run(
      uR"(<PE_LIGHT> <NAME> "L" <\NAME> <FX_NAME> "pe_light.fx" <\FX_NAME> <MAKE_ORIGINAL> "1" <\MAKE_ORIGINAL>
       <MOUSE_PARAMS> "384" "384" <\MOUSE_PARAMS> <LIGHT_PARAMS> "0" "100" "0.25" "0" <\LIGHT_PARAMS> <\PE_LIGHT>)",
      {u"L"});
  ExpectNear(At(screen, 384 * w / 1024, 384 * h / 768), kBands[1], 2, "in the light");
  ExpectNear(At(screen, 384 * w / 1024, 20), 0xFF383838, 2, "outside");
}

TEST_F(GlPostEffects, ScatteringBrightensOnlyWhereTheMaskLetsLightThrough) {
  auto screen = Run(
      uR"(<PE_SCATTER> <NAME> "S" <\NAME> <FX_NAME> "pe_scatter.fx" <\FX_NAME> <MAKE_ORIGINAL> "1" <\MAKE_ORIGINAL>
       <RENDER_EXTRA> "1" "UNTEN" "0" <\RENDER_EXTRA> <CLEAR_COLOR> "FFFFFFFF" <\CLEAR_COLOR>
       <EXPOSURE> "0.5" <\EXPOSURE> <OFFSET> "0" <\OFFSET> <SUN_POSITON> "0.5" "0.1" <\SUN_POSITON>
       <DENSITY_WEIGHT_DECAY_NUM> "0.5" "0.05" "0.97" "32" <\DENSITY_WEIGHT_DECAY_NUM> <\PE_SCATTER>)",
      {u"S"});
  const uint32_t lit = Band(screen, 3, h / 4), shaded = Band(screen, 3, h - 2);
  EXPECT_GT(Channel(lit, 8), 60);
  EXPECT_LT(Channel(shaded, 8), Channel(lit, 8) - 30);
}

TEST_F(GlPostEffects, DepthOfFieldBlursWhereTheDepthKeyLeavesTheFocalPlane) {
  // The grey picture stands in for the blurred one; the mask is drawn flat through the
  // mask effect, into the screen-sized extra picture or into a smaller one that keeps the
  // mask where it lies on the screen.
  for (const char16_t* scaling : {u"", u"<EXTRA_SCALING> \"0.25\" \"0.5\" <\\EXTRA_SCALING>"}) {
    SCOPED_TRACE(platform::U16ToUtf8(scaling));
    auto screen = Run(
        uR"(<PE_SATURATE> <NAME> "Grau" <\NAME> <FX_NAME> "pe_saturate.fx" <\FX_NAME> <SÄTTIGUNG> "0" <\SÄTTIGUNG> <\PE_SATURATE>
         <PE_DOF> <NAME> "D" <\NAME> <FX_NAME> "pe_dof.fx" "pe_maske.fx" <\FX_NAME> <MAKE_ORIGINAL> "1" <\MAKE_ORIGINAL>
            <RENDER_EXTRA> "1" "HALB" "1" <\RENDER_EXTRA> <FOCAL_PLANE> "0" <\FOCAL_PLANE> <BLUR> "1" <\BLUR>)" +
            std::u16string(scaling) +
            uR"(<\PE_DOF>
         <PE_COMBINATION> <NAME> "Tiefe" <\NAME> <POST_EFFECT_LISTE> "Grau" "D" <\POST_EFFECT_LISTE> <\PE_COMBINATION>)",
        {u"Tiefe"});
    ExpectNear(Band(screen, 0, h / 2), 0xFF3E3E3E, 2, "far: the grey picture");
    ExpectNear(At(screen, w / 4 - 2, h - 2), 0xFF3E3E3E, 2, "far, in the corner");
    ExpectNear(Band(screen, 2, h / 2), kBands[2], 2, "in focus: the picture");
    for (int32_t y : {1, h - 2}) ExpectNear(At(screen, w / 2 + 2, y), kBands[2], 2, "in focus, beside the mask");
    const std::vector<MyPostEffect*> active = library->GetActiveList();
    for (MyPostEffect* effect : active) {
      library->DeactivateEffect(effect);
      delete effect;
    }
  }
}

// The same with the key drawn by the blur into its alpha, which the mix reads: the dimmed
// picture stands in for the blurred one. The mix blends it onto a copy of the picture and
// keeps the picture's alpha.
TEST_F(GlPostEffects, DepthOfFieldMixReadsTheKeyTheBlurCarries) {
  struct Case {
    const char16_t* scaling;
    const char16_t* blur;
    uint32_t far;
  };
  for (const Case& c : {Case{u"", u"1", 0xFF102040u},
                        Case{u"<EXTRA_SCALING> \"0.25\" \"0.5\" <\\EXTRA_SCALING>", u"0.5", 0xFF183060u}}) {
    SCOPED_TRACE(platform::U16ToUtf8(std::u16string(c.scaling) + u" blur " + c.blur));
    library = std::make_unique<PostEffectLibrary>(&context);
    library->SetLevel(scene.get());
    auto screen = Run(
        uR"(<PE_BLUR_BLOOM> <NAME> "B" <\NAME> <FX_NAME> "pe_dofblur.fx" "pe_maske.fx" <\FX_NAME> <SCALING> "0.5" "0.5" <\SCALING>
            <RENDER_EXTRA> "1" "HALB" "1" <\RENDER_EXTRA> <PARAM_V4_1> "0" "0" "0" "0" <\PARAM_V4_1> <BLOOM> "0.5" <\BLOOM>)" +
            std::u16string(c.scaling) +
            uR"(<\PE_BLUR_BLOOM>
         <PE_DOF> <NAME> "D" <\NAME> <FX_NAME> "pe_dofmix.fx" <\FX_NAME> <MAKE_ORIGINAL> "1" <\MAKE_ORIGINAL> <SCALING> "2" "2" <\SCALING>
            <FOCAL_PLANE> "0" <\FOCAL_PLANE> <BLUR> ")" +
            std::u16string(c.blur) +
            uR"(" <\BLUR> <\PE_DOF>
         <PE_COMBINATION> <NAME> "Tiefe" <\NAME> <POST_EFFECT_LISTE> "B" "D" <\POST_EFFECT_LISTE> <\PE_COMBINATION>)",
        {u"Tiefe"});
    ExpectNear(Band(screen, 0, h / 2), c.far, 2, "far: towards the dimmed picture");
    EXPECT_EQ(Channel(Band(screen, 0, h / 2), 24), 0xFF) << "the picture's alpha";
    ExpectNear(Band(screen, 2, h / 2), kBands[2], 2, "in focus: the picture");
    for (int32_t y : {1, h - 2}) ExpectNear(At(screen, w / 2 + 4, y), kBands[2], 2, "in focus, beside the mask");
  }
}

// The bands with a bright square, a silhouette for the light rays (the lower half dark) and
// a depth key (the upper right quarter at the focal plane, the rest far), through lists of
// the shipped effects. Where the list fits the finishing pass, the pass gives the picture
// the effects give one by one, frame after frame; where it does not, the effects run one by
// one as before. The second frame comes after a device reset.
TEST_F(GlPostEffects, TheFinishingPassGivesThePictureOfTheEffectsOneByOne) {
  class Landscape : public BandScene {
   public:
    explicit Landscape(APIGraphics* graphics) : BandScene(graphics), m_graphics(graphics), m_white(1, 1) {
      m_white.MutablePixels()[0] = 0xFFFFFFFF;
    }
    void RenderPass() override {
      BandScene::RenderPass();
      m_graphics->GetSpriteRenderer()->Begin(SpriteRenderer::kAlphaBlend);
      Fill({600, 300, 680, 380}, 0xFFFFF0C0);
      Fill({100, 500, 900, 520}, 0xC0FF4020);
      m_graphics->GetSpriteRenderer()->End();
    }
    bool RenderForEffect(const std::u16string& name) override {
      const int32_t w = int32_t(m_graphics->GetScreenWidth()), h = int32_t(m_graphics->GetScreenHeight());
      m_graphics->GetSpriteRenderer()->Begin(SpriteRenderer::kAlphaBlend);
      if (name == u"SILHOUETTE") {
        Fill({0, h / 2, w, h}, 0xFF000000);
        Fill({w / 3, h / 4, w / 3 + 40, h / 2}, 0xFF000000);
      } else if (name == u"DOF_TIEFE") {
        Fill({w / 2, 0, w, h / 2}, 0xFF808080);
      }
      m_graphics->GetSpriteRenderer()->End();
      return name == u"SILHOUETTE" || name == u"DOF_TIEFE";
    }

   private:
    void Fill(const Rect& r, uint32_t colour) {
      const Rect source{0, 0, 1, 1};
      m_graphics->GetSpriteRenderer()->DrawRect(&m_white, &source, &r, SpriteRenderer::kStretch,
                                                SpriteRenderer::kStretch, colour);
    }
    APIGraphics* m_graphics;
    platform::Texture m_white;
  } landscape(graphics.get());

  auto shipped = LoadKVFromArchive(u"PostEffects.efx", archive.get());
  ASSERT_NE(shipped, nullptr);
  // A combination whose last step the finishing pass does not know, and a depth of field
  // whose blur does not compose its share of the pass.
  auto unknown = ParseKVText(
      uR"(<>
 	<\>
<POSTEFFECTS>
  <PE_SATURATE> <NAME> "Grau" <\NAME> <FX_NAME> "pe_saturate.fx" <\FX_NAME> <MAKE_ORIGINAL> "1" <\MAKE_ORIGINAL> <SÄTTIGUNG> "0" <\SÄTTIGUNG> <\PE_SATURATE>
  <PE_COMBINATION> <NAME> "BlurGrau" <\NAME> <POST_EFFECT_LISTE> "BlurH" "Grau" <\POST_EFFECT_LISTE> <\PE_COMBINATION>
  <PE_BLUR_BLOOM> <NAME> "HalbBlur" <\NAME> <FX_NAME> "pe_blur.fx" <\FX_NAME> <SCALING> "0.5" "0.5" <\SCALING>
     <PARAM_V4_1> "1" "0" "0" "0" <\PARAM_V4_1> <BLOOM> "1" <\BLOOM> <\PE_BLUR_BLOOM>
  <PE_COMBINATION> <NAME> "TiefeEinfach" <\NAME> <POST_EFFECT_LISTE> "HalbBlur" "DofMix" <\POST_EFFECT_LISTE> <\PE_COMBINATION>
<\POSTEFFECTS>
)");
  platform::GraphicsDevice* device = graphics->GetDevice();
  // One frame of the list, with the finishing pass on or off: the screen, and whether the
  // pass finished the chain.
  auto frame = [&](std::initializer_list<const char16_t*> names, bool finishing, int frames, bool& finished) {
    library = std::make_unique<PostEffectLibrary>(&context);
    library->SetLevel(&landscape);
    library->Load(shipped.get(), archive.get());
    library->Load(unknown.get(), archive.get());
    library->GetFinishingPass().SetEnabled(finishing);
    for (const char16_t* name : names) {
      MyPostEffect* effect = library->CreateEffect(name).release();
      EXPECT_NE(effect, nullptr) << platform::U16ToUtf8(name);
      library->ActivateEffect(effect);
      // The level's bloom strength and the camera's blur, as the first scene has them.
      effect->CallSetParamF_1(0.72f, nullptr);
      effect->CallSetParamF_2(0.45f, nullptr);
      if (auto* combination = dynamic_cast<MyPE_EffectCombination*>(effect))
        if (MyPostEffect* dof = combination->FindDOF()) dof->CallSetParamF_2(2.0f, nullptr);
    }
    std::vector<uint32_t> screen;
    for (int i = 0; i < frames; ++i) {
      // The later frames after a device reset, which makes the effects again.
      if (i > 0) graphics->Reset();
      device = graphics->GetDevice();
      device->Clear(platform::kClearTarget, 0xFFFF00FF, 1.0f, 0);
      library->RenderActive();
      screen = device->ReadPixels();
    }
    finished = library->GetFinishingPass().Runs() == uint64_t(frames);
    // A frame straight after gives the same picture: nothing it reads is left over from the
    // frame before.
    device->Clear(platform::kClearTarget, 0xFFFF00FF, 1.0f, 0);
    library->RenderActive();
    EXPECT_TRUE(device->ReadPixels() == screen) << "the next frame";
    return screen;
  };
  struct Difference {
    int max = 0;
    double mean = 0.0;
  };
  auto compare = [](const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    Difference d;
    uint64_t sum = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
      for (int shift : {16, 8, 0}) {
        const int e = std::abs(Channel(a[i], shift) - Channel(b[i], shift));
        d.max = std::max(d.max, e);
        sum += uint64_t(e);
      }
    d.mean = double(sum) / double(3 * a.size());
    return d;
  };

  bool finished = false;
  const auto captured = frame({}, true, 1, finished);
  struct Case {
    std::initializer_list<const char16_t*> names;
    bool fits;
    const char* what;
  };
  const Case cases[] = {
      {{u"BloomFarbe", u"Lichtstrahlen", u"Tiefenschaerfe"}, true, "the first scene's effects"},
      {{u"Bloom", u"Tiefenschaerfe"}, true, "bloom and depth of field"},
      {{u"BloomFarbe", u"Lichtstrahlen"}, true, "the glows without depth of field"},
      {{u"BloomFarbe", u"Lichtstrahlen", u"TiefeEinfach"}, false, "a depth of field's blur that does not compose"},
      {{u"Lichtstrahlen"}, true, "light rays alone"},
      {{u"Lichtstrahlen", u"Bloom"}, false, "the bloom reads the picture the rays finished"},
      {{u"Tiefenschaerfe", u"Bloom"}, false, "the depth of field not last"},
      {{u"Bloom", u"LevelFarbe"}, false, "an effect that is no combination"},
      {{u"Bloom", u"BlurGrau"}, false, "a last step the finishing pass does not know"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    bool separateFinished = true;
    const auto separate = frame(c.names, false, 2, separateFinished);
    EXPECT_FALSE(separateFinished);
    EXPECT_GT(compare(separate, captured).mean, 1.0) << "the effects change the picture";
    const auto chained = frame(c.names, true, 2, finished);
    EXPECT_EQ(finished, c.fits);
    const Difference d = compare(chained, separate);
    if (c.fits) {
      // Rounded once instead of after every step; the glows' steps without their clamps
      // on the picture, the depth of field's mix on its small picture.
      EXPECT_LE(d.max, 20);
      EXPECT_LE(d.mean, 0.2);
    } else {
      EXPECT_EQ(d.max, 0);
    }
  }
}

TEST_F(GlPostEffects, WithNothingActiveTheCapturedPictureIsShown) {
  auto screen = Run(u"", {});
  for (int i = 0; i < 4; ++i) ExpectNear(Band(screen, i, h / 3), kBands[i], 1, "as captured");
}

TEST_F(GlPostEffects, WithoutItsTargetsTheSceneIsDrawnAsItIs) {
  platform::GraphicsDevice* device = graphics->GetDevice();
  MyPostEffectRenderData& data = library->GetRenderData();
  std::vector<uint32_t> screen;
  platform::RefuseRenderTargets(true);
  data.OnLostDevice();
  data.OnResetDevice();
  const bool complete = data.IsComplete();
  if (!complete)
    screen = Run(
        uR"(<PE_SATURATE> <NAME> "S" <\NAME> <FX_NAME> "pe_saturate.fx" <\FX_NAME> <MAKE_ORIGINAL> "1" <\MAKE_ORIGINAL>
         <SÄTTIGUNG> "0" <\SÄTTIGUNG> <\PE_SATURATE>)",
        {u"S"});
  platform::RefuseRenderTargets(false);
  ASSERT_FALSE(complete);
  for (int i = 0; i < 4; ++i) ExpectNear(Band(screen, i, h / 3), kBands[i], 1, "drawn directly");

  // Targets to be had again after a reset: the grey effect shows.
  data.OnLostDevice();
  data.OnResetDevice();
  device->Clear(platform::kClearTarget, 0xFFFF00FF, 1.0f, 0);
  library->RenderActive();
  screen = device->ReadPixels();
  ExpectNear(Band(screen, 2, h / 3), 0xFF787878, 2, "grey through the chain");
}

}  // namespace
