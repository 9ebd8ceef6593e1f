// How gates and force fields are drawn, on the null graphics device: the gate's picture with
// its foot on its position, the resting picture while it rests, the overlay in the group's
// colour, the glow only while ready; the field's picture across its outer circle, fading with
// the hits taken.
#include <gtest/gtest.h>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/spriterenderer.h"
#include "objects/kraftfeldliste.h"
#include "objects/renderextra.h"
#include "objects/teleporterliste.h"
#include "particle_fixture.h"
#include "support/frame_animations.h"

namespace {

using particle_test::Sim;

class Drawing : public ::testing::Test {
 protected:
  Drawing() : sim(std::vector<std::string>(300, std::string(300, '.'))) {
    context.title = u"Krumbolt";
    context.configuration = std::make_unique<KVNode>(u"Config");
    DisplayEnvironment display;
    display.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(context, display);
    graphics->UseNullDevice(true);
    EXPECT_EQ(graphics->Create(), kResultOk);
    context.graphics = graphics.get();
    sim.services.graphics = graphics.get();
    sim.services.renderExtras = &extras;
    sim.services.teleporters = &gates;
    for (const char16_t* name : {u"RUHE", u"FARBE", u"PAUSE", u"GLANZ", u"FELD"}) {
      textures.push_back(std::make_shared<platform::Texture>(8, 8));
      animations.Add(name, textures.back());
    }
    extras.Load(ParseBody(u"<EINTRAG> <NAME> \"GLUEHEN\" <\\NAME> <RENDERABLE> \"TELEPORTER\" "
                          u"\"KRAFTFELDER\" <\\RENDERABLE>"
                          u"  <COLORKEYS> \"TELEPORTER\" <EINTRAG> \"0\" \"00000000\" \"1\" <\\EINTRAG>"
                          u"    <EINTRAG> \"3\" \"FF90D8FF\" <\\EINTRAG> <\\COLORKEYS>"
                          u"  <COLORKEYS> \"KRAFTFELDER\" <EINTRAG> \"2\" \"FF60C0FF\" <\\EINTRAG> "
                          u"<\\COLORKEYS> <\\EINTRAG>")
                    .get());
    sim.Type(u"<NAME> \"Tor\" <\\NAME> <SIZE> \"20\" \"40\" \"0\" \"0\" <\\SIZE>");
    const LoadSources sources{&sim.list, animations.Manager(), nullptr, nullptr};
    gates.Load(
        ParseBody(
            u"<COLORS> \"FF50A0FF\" <\\COLORS>"
            u"<TELEPORTER> <PARTIKEL_INFO> \"Tor\" <\\PARTIKEL_INFO> <NAME> \"T\" <\\NAME>"
            u"  <RENDER_EXTRA_ID> \"3\" <\\RENDER_EXTRA_ID> <USE_PHYSIK> \"0\" <\\USE_PHYSIK>"
            u"  <TIME_OUT> \"1\" <\\TIME_OUT> <ANIMATIONEN> \"RUHE\" \"FARBE\" \"PAUSE\" <\\ANIMATIONEN>"
            u"  <EXTRA_ANIMATIONEN> <EINTRAG> \"GLANZ\" \"GLUEHEN\" <\\EINTRAG> <\\EXTRA_ANIMATIONEN>"
            u"<\\TELEPORTER>",
            u"TELEPORTER")
            .get(),
        sources);
    fields.Create(
        ParseBody(u"<KILL_KRAFTFELD> <NAME> \"F\" <\\NAME> <RENDER_EXTRA_ID> \"2\" <\\RENDER_EXTRA_ID>"
                  u"  <RADIUS> \"0\" \"0\" \"0\" \"50\" <\\RADIUS> <POSITION> \"200\" \"200\" <\\POSITION>"
                  u"  <HITS> \"1\" \"3\" <\\HITS> <TYPEN> \"2\" <\\TYPEN> <ANIMATION> \"FELD\" <\\ANIMATION>"
                  u"  <COLORKEY> \"80FF0000\" <\\COLORKEY>"
                  u"  <EXTRA_ANIMATIONEN> <EINTRAG> \"FELD\" \"GLUEHEN\" <\\EINTRAG> <\\EXTRA_ANIMATIONEN>"
                  u"<\\KILL_KRAFTFELD>",
                  u"KRAFTFELDER")
            .get(),
        sources);
  }
  ~Drawing() override {
    gates.Clear();
    fields.Clear();
  }

  template <class F>
  std::vector<platform::DrawRecord> Draw(F draw) {
    platform::GraphicsDevice* device = graphics->GetDevice();
    device->ClearRecordedDraws();
    graphics->GetSpriteRenderer()->Begin(SpriteRenderer::kAlphaBlend);
    draw();
    graphics->GetSpriteRenderer()->End();
    return device->RecordedDraws();
  }
  const platform::Texture* Tex(int i) const { return textures[size_t(i)].get(); }

  APIContext context;
  std::unique_ptr<APIGraphics> graphics;
  Sim sim;
  RenderExtraListe extras;
  FrameAnimations animations;
  std::vector<std::shared_ptr<platform::Texture>> textures;
  TeleporterListe gates;
  KraftfeldListe fields;
};

TEST_F(Drawing, AGateStandsOnItsPositionInTheGroupsColourAndGlowsOnlyWhileReady) {
  const std::u16string name = u"T";
  auto make = [&](Vector2 at) {
    auto gate = gates.Place(&name);
    gate->SetPosition(at);
    *gate->GetSize() = Vector2(20.0f, 40.0f);
    return gates.AddPending(std::move(gate));
  };
  Teleporter* a = make({100.0f, 90.0f});
  make({250.0f, 90.0f});
  gates.CommitPending();

  // Offset (10, 20), zoom 2: the foot (100, 90) is at (210, 200); the gate 40 x 80 above it.
  auto draws = Draw([&] { a->Render({10.0f, 20.0f}, {2.0f, 2.0f}); });
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws[0].texture, Tex(0));
  EXPECT_EQ(draws[0].colour, 0xFFFFFFFFu);
  EXPECT_EQ(draws[0].corners[0], Vector2(190.0f, 120.0f));
  EXPECT_EQ(draws[0].corners[3], Vector2(230.0f, 200.0f));
  EXPECT_EQ(draws[1].texture, Tex(1));
  EXPECT_EQ(draws[1].colour, 0xFF50A0FFu);

  extras.Find(&extras.GetEntry(0)->GetName());
  draws = Draw([&] { EXPECT_TRUE(gates.RenderExtra({0.0f, 0.0f}, {1.0f, 1.0f})); });
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws[0].texture, Tex(3));
  EXPECT_EQ(draws[0].colour, 0xFF90D8FFu);

  Partikel* thing = sim.Add(*sim.list.FindInfo(u"Tor"), a->GetCentre());
  ASSERT_TRUE(a->TryTeleport(*thing));
  draws = Draw([&] { a->Render({0.0f, 0.0f}, {1.0f, 1.0f}); });
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws[0].texture, Tex(2)) << "the resting picture";
  draws = Draw([&] { EXPECT_FALSE(gates.RenderExtra({0.0f, 0.0f}, {1.0f, 1.0f})); });
  EXPECT_TRUE(draws.empty()) << "resting gates do not glow";
}

TEST_F(Drawing, AFieldCoversItsOuterCircleAndFadesWithItsHits) {
  const std::u16string name = u"F";
  Kraftfeld* field = fields.Add(fields.CreateByName(&name));
  auto draws = Draw([&] { fields.Render({0.0f, 0.0f}, {1.0f, 1.0f}); });
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].texture, Tex(4));
  EXPECT_EQ(draws[0].corners[0], Vector2(150.0f, 150.0f));
  EXPECT_EQ(draws[0].corners[3], Vector2(250.0f, 250.0f));
  EXPECT_EQ(draws[0].colour, 0x80FF0000u);

  const PartikelInfo& shell = sim.Type(u"<NAME> \"S\" <\\NAME> <PARTIKELTYP> \"2\" <\\PARTIKELTYP>");
  auto hit = sim.Make(shell, {220.0f, 200.0f});
  field->ApplyTo(*hit);
  draws = Draw([&] { fields.Render({0.0f, 0.0f}, {1.0f, 1.0f}); });
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].colour, 0x55FF0000u) << "two thirds of its alpha left";

  extras.Find(&extras.GetEntry(0)->GetName());
  draws = Draw([&] { EXPECT_TRUE(fields.RenderExtra({0.0f, 0.0f}, {1.0f, 1.0f})); });
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].colour, 0xAA60C0FFu);
}

}  // namespace
