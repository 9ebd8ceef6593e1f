// Water through the Null device's recorded draws: reading the types and bodies, the surface
// as the body's height glides, the strips of waves and water per view, the order and colour
// of the layers per draw depth, the effect pass by render-extra colours, and the render-extra
// uses that activations hold.
#include <gtest/gtest.h>

#include "engine/animation.h"
#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"
#include "objects/renderextra.h"
#include "support/kv_fixture.h"
#include "support/png.h"
#include "support/temp_dir.h"
#include "world/wassermanager.h"
#include "world/worldbounds.h"

namespace {

// Waves: two 64 x 16 cells; the water body: one 32 x 32 picture.
const char16_t* const kAnimations =
    u"<ANIMATION_FRAMES> <NAME> \"Wellen\" <\\NAME> <ANIMATIONFILE> <SEARCHPATH> \"w\" <\\SEARCHPATH>"
    u"  <TEXTUR_FILE> \"waves.png\" <\\TEXTUR_FILE> <FIRST_FRAME> \"0\" \"0\" \"64\" \"16\" <\\FIRST_FRAME>"
    u"  <ANZAHL> \"2\" \"1\" <\\ANZAHL> <\\ANIMATIONFILE> <\\ANIMATION_FRAMES>"
    u"<ANIMATION_FRAMES> <NAME> \"Koerper\" <\\NAME> <FRAME> \"w\" <TEXTUR_FILE> \"body.png\" <\\TEXTUR_FILE>"
    u"  <\\FRAME> <\\ANIMATION_FRAMES>"
    u"<ANIMATION_FRAMES> <NAME> \"Punkt\" <\\NAME> <FRAME> \"w\" <TEXTUR_FILE> \"body.png\" <\\TEXTUR_FILE>"
    u"  <TEX_RECT> \"4\" \"4\" \"4\" \"9\" <\\TEX_RECT> <\\FRAME> <\\ANIMATION_FRAMES>"
    u"<ANIMATION> <NAME> \"Wellen\" <\\NAME> <ANIMATION_FRAME_NAME> \"Wellen\" <\\ANIMATION_FRAME_NAME> "
    u"<\\ANIMATION>"
    u"<ANIMATION> <NAME> \"Koerper\" <\\NAME> <ANIMATION_FRAME_NAME> \"Koerper\" <\\ANIMATION_FRAME_NAME> "
    u"<\\ANIMATION>"
    u"<ANIMATION> <NAME> \"Punkt\" <\\NAME> <ANIMATION_FRAME_NAME> \"Punkt\" <\\ANIMATION_FRAME_NAME> "
    u"<\\ANIMATION>";

// A type drawn from both test animations with the wave size of one cell.
std::u16string Type(std::u16string_view name, std::u16string_view keys) {
  std::u16string text = u"<WASSER> <NAME> \"";
  text.append(name).append(u"\" <\\NAME> <WASSER_ANIMATION> \"Koerper\" <\\WASSER_ANIMATION>");
  text.append(
      u"<WELLEN_ANIMATION> \"Wellen\" <\\WELLEN_ANIMATION> <WELLENSIZE> \"64\" \"16\" <\\WELLENSIZE>");
  return text.append(keys).append(u"<\\WASSER>");
}

std::u16string Body(std::u16string_view name, std::u16string_view types, std::u16string_view keys = u"") {
  std::u16string text = u"<GEWAESSER> <NAME> \"";
  text.append(name).append(u"\" <\\NAME> <WASSER> ").append(types).append(u" <\\WASSER>");
  return text.append(keys).append(u"<\\GEWAESSER>");
}

class Water : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WriteDataArchive(
        dir.File("w.gob"), {{u"w\\waves.png", MakePng(128, 16, [](int x, int) { return 0xFF000000u | x; })},
                            {u"w\\body.png", MakePng(32, 32, [](int, int y) { return 0xFF000000u | y; })}}));
    archive = DataArchive::Open(dir.File("w.gob"));
    DisplayEnvironment env;
    env.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(context, env);
    graphics->UseNullDevice(true);
    ASSERT_EQ(graphics->Create(), kResultOk);
    context.graphics = graphics.get();
    context.timer = std::make_unique<FrameTimer>();
    device = graphics->GetDevice();
    animations = std::make_unique<AnimationManager>(graphics.get());
    animations->LoadFile(ParseBody(kAnimations, u"ANI").get(), archive.get());
  }
  void TearDown() override { context.graphics = nullptr; }

  std::unique_ptr<WasserManager> Load(std::u16string_view body) {
    auto water = std::make_unique<WasserManager>(&context);
    water->SetSources({animations.get(), &extras, &world});
    water->Load(ParseBody(body, u"WASSERDATEN").get());
    return water;
  }
  void Activate(WasserManager& water, const char16_t* body) {
    const std::u16string name = body;
    LevelWasser* found = water.FindByName(&name);
    ASSERT_NE(found, nullptr);
    water.SetLevelWater(found);
  }
  void Step(WasserManager& water, double real, double game) {
    context.timer->realStep = real;
    context.timer->gameStep = game;
    water.Update();
  }
  // The draws of one call inside a sprite batch.
  template <class F>
  std::vector<platform::DrawRecord> Draws(F&& draw) {
    device->ClearRecordedDraws();
    graphics->GetSpriteRenderer()->Begin(SpriteRenderer::kAlphaBlend);
    draw();
    graphics->GetSpriteRenderer()->End();
    return device->RecordedDraws();
  }

  TempDir dir;
  std::unique_ptr<DataArchive> archive;
  APIContext context;
  std::unique_ptr<APIGraphics> graphics;
  platform::GraphicsDevice* device = nullptr;
  std::unique_ptr<AnimationManager> animations;
  RenderExtraListe extras;
  FixedWorldBounds world{Rect{0, 0, 256, 400}};
};

}  // namespace

TEST_F(Water, ReadsTypesThenBodiesWithTheirDefaults) {
  // The body comes first in the file; the types are read first all the same.
  auto water = Load(
      Body(u"ERST", u"\"VOLL\" \"FEHLT\" \"VOLL\"",
           u"<WASSERFARBE> \"FF808080\" <\\WASSERFARBE> <WASSERH\u00D6HE> \"42.5\" <\\WASSERH\u00D6HE>") +
      u"<WASSER> <NAME> \"VOLL\" <\\NAME> <WASSER_ANIMATION> \"Koerper\" <\\WASSER_ANIMATION>"
      u" <WELLEN_ANIMATION> \"Wellen\" <\\WELLEN_ANIMATION> <ANIMATION_SPEED> \"8\" <\\ANIMATION_SPEED>"
      u" <MOVE_SPEED> \"0.5\" <\\MOVE_SPEED> <WASSERPEGEL> \"12\" <\\WASSERPEGEL>"
      u" <WASSERFARBE> \"0x80112233\" <\\WASSERFARBE> <WELLENSIZE> \"64\" \"16\" <\\WELLENSIZE>"
      u" <AUF_AB> \"1\" \"2\" \"3\" \"4\" <\\AUF_AB> <DRAW_EBENE> \"-2\" <\\DRAW_EBENE>"
      u" <RENDER_EXTRA_ID> \"3\" <\\RENDER_EXTRA_ID> <RENDER_EXTRA_TYPEN> \"A\" \"B\" <\\RENDER_EXTRA_TYPEN>"
      u"<\\WASSER>"
      u"<WASSER> <\\WASSER>"
      // The speed applies only when there is a water animation.
      u"<WASSER> <NAME> \"NURWELLEN\" <\\NAME> <WELLEN_ANIMATION> \"Wellen\" <\\WELLEN_ANIMATION>"
      u" <ANIMATION_SPEED> \"8\" <\\ANIMATION_SPEED> <\\WASSER>"
      u"<WASSER> <NAME> \"FREMD\" <\\NAME> <WASSER_ANIMATION> \"Gibtsnicht\" <\\WASSER_ANIMATION> "
      u"<\\WASSER>" +
      Body(u"ERST", u"") + u"<GEWAESSER> <\\GEWAESSER>");
  ASSERT_EQ(water->GetTypes().size(), 4u);
  const Wasser& full = *water->GetTypes()[0];
  EXPECT_EQ(full.GetName(), u"VOLL");
  ASSERT_NE(full.GetWaterAnimation(), nullptr);
  ASSERT_NE(full.GetWaveAnimation(), nullptr);
  EXPECT_EQ(full.GetWaterAnimation()->GetName(), u"Koerper");
  EXPECT_EQ(full.GetWaveAnimation()->GetName(), u"Wellen");
  EXPECT_EQ(full.GetWaterAnimation()->GetSpeed(), 8.0);
  EXPECT_EQ(full.GetWaveAnimation()->GetSpeed(), 8.0);
  EXPECT_EQ(full.GetMoveSpeed(), 0.5);
  EXPECT_EQ(full.GetOwnLevel(), 12.0);
  EXPECT_EQ(full.GetLevel(), 12.0);
  EXPECT_EQ(full.GetColour(), 0x80112233u);
  EXPECT_EQ(full.GetWaveSize(), Vector2(64, 16));
  EXPECT_EQ(full.GetWaveMotion(), (Wasser::WaveMotion{1, 2, 3, 4}));
  EXPECT_EQ(full.GetDrawDepth(), -2);
  EXPECT_EQ(full.GetRenderExtraId(), 3);
  EXPECT_EQ(full.GetRenderExtraNames(), (std::vector<std::u16string>{u"A", u"B"}));

  const Wasser& empty = *water->GetTypes()[1];
  EXPECT_EQ(empty.GetName(), u"UNNAMED_WASSER");
  EXPECT_EQ(empty.GetWaterAnimation(), nullptr);
  EXPECT_EQ(empty.GetColour(), 0xFF4BB0D1u);
  EXPECT_EQ(empty.GetBodyColour(), 0xFFFFFFFFu);
  EXPECT_EQ(empty.GetWaveSize(), Vector2(50, 50));
  EXPECT_EQ(empty.GetWaveMotion(), (Wasser::WaveMotion{0, 0, 0, 0}));
  EXPECT_EQ(empty.GetDrawDepth(), 0);
  EXPECT_TRUE(empty.GetRenderExtraNames().empty());
  EXPECT_EQ(water->GetTypes()[2]->GetWaveAnimation()->GetSpeed(), 25.0);
  EXPECT_EQ(water->GetTypes()[3]->GetWaterAnimation(), nullptr);

  ASSERT_EQ(water->GetBodies().size(), 3u);
  const LevelWasser& first = *water->GetBodies()[0];
  EXPECT_EQ(first.GetColour(), 0xFF808080u);
  EXPECT_EQ(first.GetHeight(), 42.5);
  EXPECT_EQ(first.GetLevelAnimator().GetValue(), 42.5);
  EXPECT_EQ(first.GetTypeNames(), (std::vector<std::u16string>{u"VOLL", u"FEHLT", u"VOLL"}));
  const LevelWasser& unnamed = *water->GetBodies()[2];
  EXPECT_EQ(unnamed.GetName(), u"UNNAMED_LEVELWATER");
  EXPECT_EQ(unnamed.GetColour(), 0xFFFFFFFFu);
  EXPECT_EQ(unnamed.GetHeight(), 100.0);
  EXPECT_TRUE(unnamed.GetTypeNames().empty());

  // The first body of a name; none for a null or unknown name.
  const std::u16string erst = u"ERST", other = u"erst";
  EXPECT_EQ(water->FindByName(&erst), &first);
  EXPECT_EQ(water->FindByName(&other), nullptr);
  EXPECT_EQ(water->FindByName(nullptr), nullptr);
  // Activation skips the unknown name and takes the world's rectangle and the body's colour.
  water->SetLevelWater(water->FindByName(&erst));
  EXPECT_EQ(first.GetTypes(), (std::vector<Wasser*>{water->GetTypes()[0].get(), water->GetTypes()[0].get()}));
  EXPECT_EQ(full.GetWorldRect(), world.rect);
  EXPECT_EQ(full.GetBodyColour(), 0xFF808080u);

  WasserManager none(&context);
  none.Load(nullptr);
  EXPECT_TRUE(none.GetTypes().empty() && none.GetBodies().empty());
}

TEST_F(Water, TheSurfaceStandsAtTheHeightInForceAboveTheWorldsBottom) {
  struct Case {
    const char16_t* height;
    const char16_t* types;
    int32_t bottom;
    double surface;
  };
  const Case cases[] = {
      {u"100", u"\"T40\"", 2000, 1900.0},
      // A negative height takes the mean level of the types found.
      {u"-1", u"\"T40\" \"T60\"", 2000, 1950.0},
      {u"-5", u"\"FEHLT\"", 2000, 2000.0},
      {u"0", u"\"T60\"", 500, 500.0},
      {u"250", u"", -100, -350.0},
  };
  const std::u16string types = Type(u"T40", u"<WASSERPEGEL> \"40\" <\\WASSERPEGEL>") +
                               Type(u"T60", u"<WASSERPEGEL> \"60\" <\\WASSERPEGEL>");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.surface);
    world.rect = {0, 0, 300, c.bottom};
    auto water =
        Load(types + Body(u"B", c.types,
                          std::u16string(u"<WASSERH\u00D6HE> \"") + c.height + u"\" <\\WASSERH\u00D6HE>"));
    // Without a body the surface is the base line: 0 before any world, then the bottom edge.
    EXPECT_EQ(water->GetSurfaceY(), 0.0);
    water->SetLevelWater(nullptr);
    EXPECT_EQ(water->GetSurfaceY(), double(c.bottom));
    Activate(*water, u"B");
    EXPECT_EQ(water->GetSurfaceY(), c.surface);
    Step(*water, 0.01, 0.01);
    EXPECT_EQ(water->GetSurfaceY(), c.surface);
  }
}

TEST_F(Water, TheSurfaceFollowsTheHeightAsItGlides) {
  world.rect = {0, 0, 300, 1000};
  auto water = Load(Type(u"T", u"<WASSERPEGEL> \"10\" <\\WASSERPEGEL> <MOVE_SPEED> \"2\" <\\MOVE_SPEED>") +
                    Body(u"B", u"\"T\"", u"<WASSERH\u00D6HE> \"100\" <\\WASSERH\u00D6HE>"));
  Activate(*water, u"B");
  const Wasser& type = *water->GetTypes()[0];
  // Before its first update a type stands at its own level.
  EXPECT_EQ(type.GetLevel(), 10.0);

  WertAnimator& height = water->GetLevelWater()->GetLevelAnimator();
  height.Set(300.0);
  height.SetSpeed(2.0);
  // The height glides with the real step even while the game stands still; the strip moves
  // only with the game step.
  const struct {
    double real, game, surface, level, scroll;
  } steps[] = {
      {0.5, 0.0, 850.0, 160.0, 0.0},  {0.5, 0.0, 800.0, 210.0, 0.0},  {0.5, 0.25, 750.0, 260.0, 0.5},
      {0.5, 0.25, 700.0, 310.0, 1.0}, {0.5, 0.25, 700.0, 310.0, 1.5},
  };
  for (const auto& s : steps) {
    Step(*water, s.real, s.game);
    EXPECT_DOUBLE_EQ(water->GetSurfaceY(), s.surface);
    EXPECT_DOUBLE_EQ(type.GetLevel(), s.level);
    EXPECT_DOUBLE_EQ(type.GetScroll(), s.scroll);
  }
  EXPECT_DOUBLE_EQ(type.GetTime(), 0.75);
  // A new activation brings the body back to rest at its own height.
  Activate(*water, u"B");
  EXPECT_EQ(water->GetSurfaceY(), 900.0);
}

TEST_F(Water, StripsOfWavesAndWaterCoverTheViewAlongTheWorld) {
  auto water = Load(Type(u"T", u"<WASSERFARBE> \"FFFFFFFF\" <\\WASSERFARBE>") +
                    Body(u"B", u"\"T\"", u"<WASSERH\u00D6HE> \"100\" <\\WASSERH\u00D6HE>"));
  Activate(*water, u"B");
  Step(*water, 0.0, 0.0);
  struct Case {
    Vector2 offset;
    size_t strips;
    float firstX;
    bool water;  // the surface is on the screen
  };
  // World (0, 0, 256, 400), surface at 300, waves 64 x 16; the screen is 1024 x 768.
  const Case cases[] = {
      // The first strip starts two wave widths left of the world's left edge.
      {{200, 0}, 15, 72, true},
      // A strip whose right end touches the screen's left edge is drawn; one starting at
      // the right edge too.
      {{0, 0}, 18, -64, true},
      // The wave top on the screen, the surface below it.
      {{0, 470}, 18, -64, false},
      // The wave top below the screen.
      {{0, 500}, 0, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.offset.x << ", " << c.offset.y);
    auto draws = Draws([&] { water->Draw(c.offset, {1, 1}, 0xFFFFFFFF, 0); });
    const size_t perStrip = c.water ? 3 : 1;
    ASSERT_EQ(draws.size(), c.strips * perStrip);
    if (draws.empty()) continue;
    const platform::Texture* waves =
        water->GetTypes()[0]->GetWaveAnimation()->GetCurrentFrame()->texture->texture;
    for (size_t i = 0; i < draws.size(); i += perStrip) {
      const float x = c.firstX + float(i / perStrip) * 64.0f;
      EXPECT_EQ(draws[i].texture, waves);
      EXPECT_EQ(draws[i].corners[0], Vector2(x, 284 + c.offset.y));
      EXPECT_EQ(draws[i].corners[3], Vector2(x + 64, 300 + c.offset.y));
      if (!c.water) continue;
      // The body down to the world's bottom edge, then mirrored 200 pixels below it.
      EXPECT_NE(draws[i + 1].texture, waves);
      EXPECT_EQ(draws[i + 1].corners[0], Vector2(x, 300 + c.offset.y));
      EXPECT_EQ(draws[i + 1].corners[3], Vector2(x + 64, 400 + c.offset.y));
      EXPECT_EQ(draws[i + 2].corners[0], Vector2(x, 600 + c.offset.y));
      EXPECT_EQ(draws[i + 2].corners[3], Vector2(x + 64, 400 + c.offset.y));
    }
  }
}

TEST_F(Water, SwayScrollAndBobMoveTheStrips) {
  auto water = Load(
      Type(u"T", u"<AUF_AB> \"0.5\" \"10\" \"2\" \"3\" <\\AUF_AB> <MOVE_SPEED> \"0.25\" <\\MOVE_SPEED>") +
      Body(u"B", u"\"T\"", u"<WASSERH\u00D6HE> \"100\" <\\WASSERH\u00D6HE>"));
  Activate(*water, u"B");
  Step(*water, 1.0, 1.0);
  auto draws = Draws([&] { water->Draw({200, 0}, {2, 1}, 0xFFFFFFFF, 0); });
  ASSERT_GE(draws.size(), 3u);
  // sway = sin(0.5) * 10 + 0.25 * 64, bob = cos(2) * 3; the first strip starts at
  // trunc(-10 / 64 - 2) = -2 wave widths.
  const double sway = 4.79425538604203 + 16.0, bob = -1.2484405096414273;
  const float x = float((-128.0 + sway) * 2.0 + 200.0);
  const double surface = 400.0 - 100.0 - bob;
  EXPECT_FLOAT_EQ(draws[0].corners[0].x, x);
  EXPECT_FLOAT_EQ(draws[0].corners[0].y, float(surface - 16.0));
  EXPECT_FLOAT_EQ(draws[0].corners[3].x, x + 128.0f);
  EXPECT_FLOAT_EQ(draws[1].corners[0].y, float(surface));
  // The body reaches down to the bottom edge: it is as high as the level plus the bob.
  EXPECT_FLOAT_EQ(draws[1].corners[3].y, 400.0f);
}

TEST_F(Water, TheWorldsLeftEdgeStaysCoveredHoweverFarTheWaterScrolls) {
  auto water = Load(Type(u"T", u"<MOVE_SPEED> \"0.25\" <\\MOVE_SPEED>") +
                    Body(u"B", u"\"T\"", u"<WASSERH\u00D6HE> \"100\" <\\WASSERH\u00D6HE>"));
  Activate(*water, u"B");
  // After 0, 1, 4, 100 and 100.5 seconds the strip has moved 0, 16, 64, 1600 and 1608 pixels;
  // every strip is the same picture, so the first one starts within a wave width of where it
  // began.
  const struct {
    double step;
    float firstX;
  } steps[] = {{0.0, 72}, {1.0, 88}, {3.0, 72}, {96.0, 72}, {0.5, 80}};
  for (const auto& s : steps) {
    SCOPED_TRACE(s.step);
    Step(*water, 0.0, s.step);
    auto draws = Draws([&] { water->Draw({200, 0}, {1, 1}, 0xFFFFFFFF, 0); });
    ASSERT_FALSE(draws.empty());
    EXPECT_FLOAT_EQ(draws[0].corners[0].x, s.firstX);
  }
}

TEST_F(Water, EachDepthDrawsItsTypesInTheBodysOrderAndColour) {
  auto water =
      Load(Type(u"A", u"<DRAW_EBENE> \"-1\" <\\DRAW_EBENE> <WASSERFARBE> \"FF0000A0\" <\\WASSERFARBE>") +
           Type(u"B", u"<DRAW_EBENE> \"0\" <\\DRAW_EBENE> <WASSERFARBE> \"FF0000B0\" <\\WASSERFARBE>") +
           Type(u"C", u"<DRAW_EBENE> \"1\" <\\DRAW_EBENE> <WASSERFARBE> \"80FF8040\" <\\WASSERFARBE>") +
           Type(u"D", u"<DRAW_EBENE> \"-1\" <\\DRAW_EBENE> <WASSERFARBE> \"FF0000D0\" <\\WASSERFARBE>") +
           Body(u"B", u"\"D\" \"C\" \"A\" \"B\"", u"<WASSERFARBE> \"C0FFFFFF\" <\\WASSERFARBE>"));
  // The strips run from two wave widths left of the world while their index is at most the
  // world's width: four strips.
  world.rect = {0, 0, 1, 400};
  Activate(*water, u"B");
  Step(*water, 0.0, 0.0);
  // Colours as drawn: type x tint x body, each channel rounded to the nearest step.
  const Argb tint = 0xFFBFBFBF;
  struct Case {
    int32_t depth;
    std::vector<Argb> colours;  // of the types, in drawing order
  };
  const Case cases[] = {
      {-2, {}}, {-1, {0xC000009C, 0xC0000078}}, {0, {0xC0000084}}, {1, {0x60BF6030}}, {2, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.depth);
    auto draws = Draws([&] { water->Draw({200, 0}, {1, 1}, tint, c.depth); });
    ASSERT_EQ(draws.size(), c.colours.size() * 12);
    for (size_t i = 0; i < draws.size(); ++i) EXPECT_EQ(draws[i].colour, c.colours[i / 12]) << i;
  }
  // A transparent tint draws nothing.
  EXPECT_TRUE(Draws([&] { water->Draw({200, 0}, {1, 1}, 0x00FFFFFF, 0); }).empty());
}

TEST_F(Water, MalformedTypesDrawNothingAndEndAtOnce) {
  auto type = [](const char16_t* waveSize, const char16_t* motion) {
    return std::u16string(
               u"<WASSER> <NAME> \"T\" <\\NAME> <WASSER_ANIMATION> \"Koerper\" <\\WASSER_ANIMATION>"
               u"<WELLEN_ANIMATION> \"Wellen\" <\\WELLEN_ANIMATION> <WELLENSIZE> ") +
           waveSize + u" <\\WELLENSIZE> <AUF_AB> " + motion + u" <\\AUF_AB> <\\WASSER>";
  };
  struct Case {
    const char16_t* waveSize;
    const char16_t* motion;
    size_t strips;  // in view, give or take one
  };
  const Case cases[] = {
      {u"\"0\" \"16\"", u"", 0},
      {u"\"-64\" \"16\"", u"", 0},
      {u"\"nan\" \"16\"", u"", 0},
      // A sway of a billion wave widths: only the strips in view are walked.
      {u"\"64\" \"16\"", u"\"1\" \"64e9\" \"0\" \"0\"", 17},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<const void*>(c.waveSize));
    auto water = Load(type(c.waveSize, c.motion) + Body(u"B", u"\"T\""));
    Activate(*water, u"B");
    Step(*water, 0.0, 0.5);
    const size_t draws = Draws([&] { water->Draw({0, 0}, {1, 1}, 0xFFFFFFFF, 0); }).size();
    EXPECT_GE(draws + 3, c.strips * 3);
    EXPECT_LE(draws, c.strips * 3 + 3);
  }
  // A water picture of no width cannot be stretched over a strip.
  auto flat = Load(
      u"<WASSER> <NAME> \"T\" <\\NAME> <WASSER_ANIMATION> \"Punkt\" <\\WASSER_ANIMATION> <WELLEN_ANIMATION> "
      u"\"Wellen\" <\\WELLEN_ANIMATION> <\\WASSER>" +
      Body(u"B", u"\"T\""));
  Activate(*flat, u"B");
  Step(*flat, 0.0, 0.0);
  EXPECT_TRUE(Draws([&] { flat->Draw({0, 0}, {1, 1}, 0xFFFFFFFF, 0); }).empty());
}

TEST_F(Water, TheEffectPassDrawsInTheRenderExtrasWaterColours) {
  extras.Load(
      ParseBody(u"<EINTRAG> <NAME> \"SPIEGEL\" <\\NAME> <RENDERABLE> \"WASSER\" <\\RENDERABLE>"
                u" <COLORKEYS> \"WASSER\" <EINTRAG> \"0\" \"FF000000\" <\\EINTRAG>"
                u"  <EINTRAG> \"1\" \"FF00FF00\" <\\EINTRAG> <EINTRAG> \"2\" \"00FFFFFF\" <\\EINTRAG> "
                u"<\\COLORKEYS>"
                u"<\\EINTRAG>"
                u"<EINTRAG> <NAME> \"OHNE\" <\\NAME> <RENDERABLE> \"WORMS\" <\\RENDERABLE> <\\EINTRAG>",
                u"RENDEREXTRAS")
          .get());
  auto type = [](const char16_t* name, const char16_t* id) {
    return Type(name, std::u16string(u"<RENDER_EXTRA_ID> \"") + id + u"\" <\\RENDER_EXTRA_ID>" +
                          u"<WASSERFARBE> \"FF123456\" <\\WASSERFARBE>");
  };
  auto water = Load(type(u"SCHWARZ", u"0") + type(u"GRUEN", u"1") + type(u"UNSICHTBAR", u"2") +
                    type(u"WEISS", u"7") + Body(u"SCHWARZ", u"\"SCHWARZ\"") + Body(u"GRUEN", u"\"GRUEN\"") +
                    Body(u"UNSICHTBAR", u"\"UNSICHTBAR\"") + Body(u"WEISS", u"\"WEISS\"") +
                    Body(u"BEIDE", u"\"SCHWARZ\" \"GRUEN\""));
  // Four strips of three pictures each.
  world.rect = {0, 0, 1, 400};
  struct Case {
    const char16_t* entry;  // null: no current entry
    const char16_t* body;
    bool result;
    std::vector<Argb> colours;  // one per type drawn
  };
  const Case cases[] = {
      {u"SPIEGEL", u"SCHWARZ", false, {0xFF000000}},
      {u"SPIEGEL", u"GRUEN", true, {0xFF00FF00}},
      {u"SPIEGEL", u"UNSICHTBAR", false, {}},
      {u"SPIEGEL", u"WEISS", true, {0xFFFFFFFF}},
      {u"SPIEGEL", u"BEIDE", true, {0xFF000000, 0xFF00FF00}},
      {u"OHNE", u"GRUEN", false, {}},
      {nullptr, u"GRUEN", false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.entry ? "entry " : "no entry ")
                                    << static_cast<const void*>(c.body));
    const std::u16string entry = c.entry ? c.entry : u"FEHLT";
    extras.Find(&entry);
    Activate(*water, c.body);
    Step(*water, 0.0, 0.0);
    bool result = true;
    auto draws = Draws([&] { result = water->DrawForEffect({200, 0}, {1, 1}, 0); });
    EXPECT_EQ(result, c.result);
    ASSERT_EQ(draws.size(), c.colours.size() * 12);
    for (size_t i = 0; i < draws.size(); ++i) EXPECT_EQ(draws[i].colour, c.colours[i / 12]) << i;
    // Another depth draws nothing.
    EXPECT_FALSE(water->DrawForEffect({200, 0}, {1, 1}, -1));
  }
  water->SetLevelWater(nullptr);
  EXPECT_FALSE(water->DrawForEffect({200, 0}, {1, 1}, 0));
}

TEST_F(Water, RenderExtraUsesAreHeldOnlyWhileTheirBodyIsActive) {
  extras.Load(
      ParseBody(u"<EINTRAG> <NAME> \"HITZE\" <\\NAME> <\\EINTRAG> <EINTRAG> <NAME> \"GLANZ\" <\\NAME> "
                u"<\\EINTRAG>"
                u"<EINTRAG> <NAME> \"HITZE\" <\\NAME> <\\EINTRAG>",
                u"RENDEREXTRAS")
          .get());
  RenderExtra* earlier = extras.GetEntry(0);
  RenderExtra* heat = extras.GetEntry(2);
  RenderExtra* shine = extras.GetEntry(1);
  // Someone else's use, which the water must never give back.
  heat->AddUse();
  const std::u16string types =
      Type(u"T1", u"<RENDER_EXTRA_TYPEN> \"HITZE\" \"GLANZ\" <\\RENDER_EXTRA_TYPEN>") +
      Type(u"T2", u"<RENDER_EXTRA_TYPEN> \"HITZE\" \"FEHLT\" <\\RENDER_EXTRA_TYPEN>") + Type(u"T3", u"");
  const std::u16string bodies =
      Body(u"B1", u"\"T1\" \"T2\"") + Body(u"B2", u"\"T2\" \"T3\"") + Body(u"B3", u"\"T1\" \"T1\"");
  {
    auto water = Load(types + bodies);
    struct Step {
      const char16_t* body;  // null: no body
      int32_t heat, shine;
    };
    const Step steps[] = {{u"B1", 3, 1}, {u"B1", 3, 1},   {u"B2", 2, 0},
                          {u"B3", 3, 2}, {nullptr, 1, 0}, {u"B1", 3, 1}};
    for (const Step& s : steps) {
      if (s.body)
        Activate(*water, s.body);
      else
        water->SetLevelWater(nullptr);
      EXPECT_EQ(heat->GetUsers(), s.heat);
      EXPECT_EQ(shine->GetUsers(), s.shine);
      EXPECT_EQ(earlier->GetUsers(), 0);
    }
  }
  // The manager went while B1 was active.
  EXPECT_EQ(heat->GetUsers(), 1);
  EXPECT_EQ(shine->GetUsers(), 0);
  // Types that were never active give nothing back.
  Load(types + bodies).reset();
  EXPECT_EQ(heat->GetUsers(), 1);
}
