// Explosions: crater, earth and blast for a fixed seed, what every object is handed, the
// earth stride, destroying the source, the animated kind's frame-shaped cut, the blast
// definitions, and the same result for any number of terrain workers.
#include <gtest/gtest.h>

#include <cstring>

#include "objects/event_fixture.h"
#include "objects/explosionsevent.h"
#include "platform/random.h"
#include "platform/text.h"
#include "platform/texture.h"
#include "platform/workers.h"
#include "support/frame_animations.h"

using event_test::Host;
using event_test::SpyWorm;
using particle_test::Sim;

namespace {

constexpr const char16_t* kEarthAndBlast =
    u"<PARTIKEL_INFO> <NAME> \"Erde\" <\\NAME> <GRAVITATION> \"0\" <\\GRAVITATION> <\\PARTIKEL_INFO>"
    u"<PARTIKEL_INFO> <NAME> \"Blitz\" <\\NAME> <GRAVITATION> \"0\" <\\GRAVITATION> <SIZE> \"2\" \"2\" \"0\" "
    u"\"0\" "
    u"<\\SIZE> <\\PARTIKEL_INFO>"
    u"<ERDE_PARTIKEL> \"Erde\" <\\ERDE_PARTIKEL>";

// A marker that tells when the source's kill event ran.
constexpr const char16_t* kMarker =
    u"<CREATE_NEW_ID_EVENT> <NAME> \"Tot\" <\\NAME> <SOUNDS> \"tot.wav\" <\\SOUNDS> <\\CREATE_NEW_ID_EVENT>";

// A world of solid ground from row `ground` down, with `copies` graded copies of the game
// layer, the earth and blast types, the blast definition "Mittel" and the marker event.
struct World {
  explicit World(Rect rect = {0, 0, 200, 200}, int32_t ground = 100, int32_t copies = 2)
      : sim(terrain_test::FlatStore(rect, ground)), host(sim) {
    sim.world->SetGameLayers(terrain_test::FlatStore(rect, ground), copies, 0.0f, 0.0f, 0xFFFFFFFF);
    sim.services.events = &host.events;
    PartikelInfo::LoadAll(ParseBody(kEarthAndBlast).get(), sim.list, nullptr);
    host.explosions.Load(ParseBody(u"<EXPLOSION> <NAME> \"Mittel\" <\\NAME> <PARTIKEL_NAMEN> \"Blitz\" "
                                   u"<\\PARTIKEL_NAMEN> <\\EXPLOSION>")
                             .get(),
                         &sim.list);
    int32_t unlimited = 1000000;
    maximum = unlimited;
    sim.list.SetSettings(&host.earthStep, &maximum);
  }
  void Load(std::u16string_view sections) { host.Load(std::u16string(kMarker) + std::u16string(sections)); }
  // A source in the list whose kill event is the marker.
  Partikel* Source(Vector2 at) { return sim.Add(sim.Type(u"<EVENT_KILL> \"Tot\" <\\EVENT_KILL>"), at); }
  size_t Solid(int layer, Vector2 c, int32_t r) const {
    const Landschaft& land = *sim.world->GameLayers()[size_t(layer)];
    size_t n = 0;
    for (int32_t y = -r; y <= r; ++y)
      for (int32_t x = -r; x <= r; ++x)
        if (x * x + y * y <= r * r) n += land.IsSolidAt(int32_t(c.x) + x, int32_t(c.y) + y) ? 1 : 0;
    return n;
  }
  size_t Count(const char16_t* type) const {
    size_t n = 0;
    for (const auto& p : sim.list.MainList()) n += p->GetInfo()->name == type ? 1 : 0;
    return n;
  }
  Partikel* First(const char16_t* type) const {
    for (const auto& p : sim.list.MainList())
      if (p->GetInfo()->name == type) return p.get();
    return nullptr;
  }

  Sim sim;
  Host host;
  int32_t maximum = 0;
};

}  // namespace

TEST(Explosion, CutsEveryLayerThrowsEarthSpawnsTheBlastAndHandsEveryObjectTheRamps) {
  World w;
  w.Load(
      u"<EXPLOSION_EVENT> <NAME> \"Bumm\" <\\NAME> <SOUNDS> \"bumm.wav\" <\\SOUNDS> <DESTROY_SRC> \"1\" "
      u"<\\DESTROY_SRC>"
      u" <SCHADEN> \"100\" \"10\" \"0\" \"20\" <\\SCHADEN> <IMPULS> \"300\" \"50\" \"0\" \"30\" <\\IMPULS>"
      u" <EXPLOSION_NAME> \"Mittel\" <\\EXPLOSION_NAME> <\\EXPLOSION_EVENT>");
  SpyWorm& worm = w.host.AddWorm({100.0f, 70.0f});
  const Vector2 centre(100.0f, 100.0f);
  Partikel* source = w.Source(centre);
  ASSERT_GT(w.Solid(0, centre, 19), 500u);

  platform::SRand(3);
  w.host.events.Run(u"Bumm", *source);
  // Every layer is cut, the copies a little narrower.
  EXPECT_EQ(w.Solid(0, centre, 19), 0u);
  EXPECT_EQ(w.Solid(1, centre, 15), 0u);
  EXPECT_EQ(w.Solid(2, centre, 10), 0u);
  EXPECT_GT(w.Solid(2, centre, 19), 0u);
  // Every 10th pixel of the lower half disc flies: about pi 20^2 / 2 / 10.
  EXPECT_EQ(w.Count(u"Erde"), 65u);
  ASSERT_EQ(w.Count(u"Blitz"), 1u);
  EXPECT_EQ(*w.First(u"Blitz")->GetPosition(), centre);
  EXPECT_EQ(*w.First(u"Blitz")->GetSpeed(), Vector2(0.0f, 0.0f));
  w.First(u"Blitz")->Update(true);
  EXPECT_EQ(*w.First(u"Blitz")->GetSize(), Vector2(40.0f, 40.0f)) << "the blast's size is per unit of radius";
  for (const auto& p : w.sim.list.MainList())
    if (p->GetInfo()->name == u"Erde") {
      const Vector2 towards = centre - *p->GetPosition();
      EXPECT_GT(towards.x * p->GetSpeed()->x + towards.y * p->GetSpeed()->y, 0.0f) << "earth flies inwards";
    }

  // The worm is handed the impulse and, without SCHADEN_WORMS, the damage ramp.
  ASSERT_EQ(worm.explosions.size(), 1u);
  EXPECT_EQ(worm.explosions[0].centre, centre);
  EXPECT_EQ(worm.explosions[0].impulse.nearValue, 300.0);
  EXPECT_EQ(worm.explosions[0].damage.nearValue, 100.0);
  EXPECT_EQ(worm.explosions[0].damage.farDistance, 20.0);
  // The source is gone without its kill event; the explosion's own sound plays.
  EXPECT_TRUE(source->IsDead());
  EXPECT_EQ(w.host.PlayedNames(), std::vector<std::u16string>{u"bumm.wav"});
}

TEST(Explosion, EarthStrideByDensityAndLimits) {
  World w;
  const struct {
    int32_t step;
    const char16_t* dichte;
    int32_t plain;
    int32_t animated;
  } cases[] = {
      {10, u"", 10, 0},                     // animated: the raw maximum -1 gives 0, the setting's step
      {10, u"\"2\"", 20, 0},                // density 2: half the earth
      {10, u"\"0\"", 10, 0},                // density 0 acts as 1
      {10, u"\"-3\"", 10, 0},               // so does a negative one
      {10, u"\"1\" \"0\" \"5\"", 5, 5},     // the maximum caps
      {10, u"\"1\" \"30\" \"5\"", 30, 30},  // the minimum wins over the maximum
      {10, u"\"1\" \"-9\" \"-4\"", 10, 1},  // a negative stride would never advance
      {-5, u"", 1, 0},                      // a broken setting (the list keeps its own stride above 0)
      {4, u"\"1\" \"0\" \"-1\"", 4, 0},     // the plain kind caps at 25 times the setting
      {4, u"\"100\" \"0\" \"-1\"", 100, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.step << " " << platform::U16ToUtf8(c.dichte));
    const std::u16string keys = std::u16string(u"<PARTIKEL_DICHTE> ") + c.dichte + u" <\\PARTIKEL_DICHTE>";
    auto section = ParseBody(keys);
    EXPECT_EQ(ExplosionsEvent(section.get(), w.host).EarthStride(c.step), c.plain);
    EXPECT_EQ(AnimiertesExplosionsEvent(section.get(), w.host).EarthStride(c.step), c.animated);
  }
}

TEST(Explosion, RampsRadiusBlastAndEarthAsTheKeysSay) {
  World w;
  testing::internal::CaptureStderr();
  w.Load(
      u"<EXPLOSION_EVENT> <NAME> \"Wurm\" <\\NAME> <SCHADEN> \"100\" \"10\" \"0\" \"20\" <\\SCHADEN>"
      u" <SCHADEN_WORMS> \"40\" \"4\" \"0\" \"30\" <\\SCHADEN_WORMS> <ERDE_SIZE_MULTIPLIER> \"0\" "
      u"<\\ERDE_SIZE_MULTIPLIER> <EXPLOSION_NAME> \"Gibtsnicht\" <\\EXPLOSION_NAME> <\\EXPLOSION_EVENT>"
      u"<EXPLOSION_EVENT> <NAME> \"Null\" <\\NAME> <EXPLOSION_NAME> \"Mittel\" <\\EXPLOSION_NAME> "
      u"<\\EXPLOSION_EVENT>"
      u"<EXPLOSION_EVENT> <NAME> \"Gross\" <\\NAME> <SCHADEN> \"1\" \"1\" \"0\" \"15\" <\\SCHADEN>"
      u" <IMPULS> \"100\" \"100\" \"0\" \"15\" <\\IMPULS> <ERDE_SIZE_MULTIPLIER> \"2\" "
      u"<\\ERDE_SIZE_MULTIPLIER>"
      u" <\\EXPLOSION_EVENT>");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  SpyWorm& worm = w.host.AddWorm({10.0f, 10.0f});
  const Vector2 centre(100.0f, 100.0f);
  const size_t solid = w.Solid(0, centre, 30);

  // SCHADEN_WORMS replaces only what worms take; no earth; an unknown blast spawns none.
  w.host.events.Run(u"Wurm", *w.Source(centre));
  EXPECT_EQ(worm.explosions.back().damage.nearValue, 40.0);
  EXPECT_LT(w.Solid(0, centre, 30), solid);
  EXPECT_EQ(w.Solid(0, centre, 19), 0u) << "the crater follows SCHADEN";
  EXPECT_EQ(w.sim.list.GetCount(), 1u) << "only the source";
  // The source without DESTROY_SRC lives on.
  EXPECT_FALSE(w.sim.list.MainList()[0]->IsDead());

  // Without SCHADEN: radius 0, nothing cut, the blast scaled to nothing; worms still hear.
  w.sim.list.Clear();
  const Vector2 elsewhere(40.0f, 110.0f);
  const size_t solidThere = w.Solid(0, elsewhere, 5);
  w.host.events.Run(u"Null", *w.Source(elsewhere));
  EXPECT_EQ(w.Solid(0, elsewhere, 5), solidThere);
  ASSERT_EQ(w.Count(u"Blitz"), 1u);
  w.First(u"Blitz")->Update(true);
  EXPECT_EQ(*w.First(u"Blitz")->GetSize(), Vector2(0.0f, 0.0f));
  EXPECT_EQ(worm.explosions.size(), 2u);

  // The earth size multiplier scales every crumb.
  w.sim.list.Clear();
  w.host.events.Run(u"Gross", *w.Source({160.0f, 100.0f}));
  ASSERT_GT(w.Count(u"Erde"), 0u);
  for (const auto& p : w.sim.list.MainList())
    if (p->GetInfo()->name == u"Erde") {
      EXPECT_EQ(p->GetSizeScale(), 2.0);
    }
}

namespace {

// An 8 x 8 picture, opaque on its left half, clear on its right, as animation "Form".
struct HalfShape {
  HalfShape() {
    auto texture = std::make_shared<platform::Texture>(8, 8);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) texture->MutablePixels()[y * 8 + x] = x < 4 ? 0xFFFFFFFF : 0x00FFFFFF;
    pictures.Add(u"Form", texture);
  }
  FrameAnimations pictures;
  const AnimationManager& manager = *pictures.Manager();
};

}  // namespace

TEST(Explosion, TheAnimatedKindCutsItsFrameAndFiresTheSourcesKillEvent) {
  World w({0, 0, 200, 200}, 100, 0);
  HalfShape shape;
  w.host.manager = &shape.manager;
  testing::internal::CaptureStderr();
  w.Load(
      u"<EXPLOSION_EVENT_ANI> <NAME> \"Form\" <\\NAME> <DESTROY_SRC> \"1\" <\\DESTROY_SRC>"
      u" <SCHADEN> \"10\" \"0\" \"0\" \"10\" <\\SCHADEN> <ANIMATIONEN> \"Form\" \"Fehlt\" <\\ANIMATIONEN> "
      u"<\\EXPLOSION_EVENT_ANI>"
      u"<EXPLOSION_EVENT_ANI> <NAME> \"Rund\" <\\NAME> <DESTROY_SRC> \"1\" <\\DESTROY_SRC>"
      u" <SCHADEN> \"10\" \"0\" \"0\" \"10\" <\\SCHADEN> <\\EXPLOSION_EVENT_ANI>");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "events.evt: event \"Form\": names no animation \"Fehlt\"\n");
  auto* form = dynamic_cast<AnimiertesExplosionsEvent*>(w.host.Find(u"Form"));
  ASSERT_NE(form, nullptr);
  ASSERT_EQ(form->GetAnimations().size(), 1u);

  // The frame is stretched over the square of the radius: its left half goes.
  Partikel* source = w.Source({100.0f, 120.0f});
  w.host.events.Run(u"Form", *source);
  const Landschaft& land = *w.sim.world->GetGameLandschaft();
  for (int32_t y = 112; y < 128; ++y) {
    EXPECT_FALSE(land.IsSolidAt(92, y)) << y;
    EXPECT_FALSE(land.IsSolidAt(98, y)) << y;
    EXPECT_TRUE(land.IsSolidAt(102, y)) << y;
    EXPECT_TRUE(land.IsSolidAt(108, y)) << y;
  }
  EXPECT_TRUE(source->IsDead());
  EXPECT_EQ(w.host.PlayedNames(), std::vector<std::u16string>{u"tot.wav"}) << "its kill event ran";

  // Without an animation the disc is cut.
  w.host.events.Run(u"Rund", *w.Source({40.0f, 120.0f}));
  EXPECT_EQ(w.Solid(0, {40.0f, 120.0f}, 9), 0u);
}

TEST(Explosion, TheSameCraterAndEarthForAnyNumberOfWorkers) {
  HalfShape shape;
  std::vector<uint64_t> results;
  for (int workers : {1, 2, 8}) {
    platform::SetProcessorCountOverride(workers);
    World w({0, 0, 700, 500}, 150, 2);
    w.host.manager = &shape.manager;
    w.host.earthStep = 3;
    w.Load(
        u"<EXPLOSION_EVENT> <NAME> \"Rund\" <\\NAME> <SCHADEN> \"1\" \"1\" \"0\" \"120\" <\\SCHADEN>"
        u" <IMPULS> \"300\" \"50\" \"0\" \"120\" <\\IMPULS> <\\EXPLOSION_EVENT>"
        u"<EXPLOSION_EVENT_ANI> <NAME> \"Form\" <\\NAME> <SCHADEN> \"1\" \"1\" \"0\" \"150\" <\\SCHADEN>"
        u" <IMPULS> \"300\" \"50\" \"0\" \"200\" <\\IMPULS> <ANIMATIONEN> \"Form\" <\\ANIMATIONEN> "
        u"<\\EXPLOSION_EVENT_ANI>");
    platform::SRand(11);
    w.host.events.Run(u"Rund", *w.Source({250.0f, 200.0f}));
    w.host.events.Run(u"Form", *w.Source({450.0f, 260.0f}));
    uint64_t hash = 1469598103934665603ull;
    auto mix = [&](const void* data, size_t size) {
      const auto* bytes = static_cast<const uint8_t*>(data);
      for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    };
    for (const auto& layer : w.sim.world->GameLayers())
      for (int32_t y = 0; y < 500; ++y)
        for (int32_t x = 0; x < 700; ++x) mix(layer->PeekPixel(x, y), 4);
    for (const auto& p : w.sim.list.MainList()) {
      mix(p->GetPosition(), sizeof(Vector2));
      mix(p->GetSpeed(), sizeof(Vector2));
      const Argb c = p->GetColour();
      mix(&c, sizeof c);
    }
    results.push_back(hash);
    EXPECT_GT(w.Count(u"Erde"), 1000u) << workers;
  }
  platform::SetProcessorCountOverride(0);
  EXPECT_EQ(results[1], results[0]);
  EXPECT_EQ(results[2], results[0]);
}

TEST(Explosion, BlastDefinitionsPickEachTypeAndFindTheLastOfAName) {
  World w;
  w.sim.Type(u"<NAME> \"B\" <\\NAME> <GRAVITATION> \"0\" <\\GRAVITATION>");
  w.sim.Type(u"<NAME> \"C\" <\\NAME> <GRAVITATION> \"0\" <\\GRAVITATION>");
  ExplosionTable table;
  testing::internal::CaptureStderr();
  table.Load(
      ParseBody(
          u"<EXPLOSION> <NAME> \"X\" <\\NAME> <PARTIKEL_NAMEN> \"Blitz\" <\\PARTIKEL_NAMEN> <\\EXPLOSION>"
          u"<EXPLOSION> <NAME> \"X\" <\\NAME> <PARTIKEL_NAMEN> \"Blitz\" \"Fehlt\" \"B\" \"C\" "
          u"<\\PARTIKEL_NAMEN> <\\EXPLOSION>"
          u"<EXPLOSION> <\\EXPLOSION>")
          .get(),
      &w.sim.list);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "explosionen.exp: explosion \"X\": no particle type \"Fehlt\"\n");
  ASSERT_EQ(table.Size(), 3u);
  const std::u16string x = u"X", unnamed = u"UNNAMED_EXPLOSION", none = u"Y";
  const ExplosionDef* def = table.Find(&x);
  ASSERT_NE(def, nullptr);
  EXPECT_EQ(def->GetTypes().size(), 3u) << "the later X";
  EXPECT_NE(table.Find(&unnamed), nullptr);
  EXPECT_EQ(table.Find(&none), nullptr);
  EXPECT_EQ(table.Find(nullptr), nullptr);

  const DistanceRamp radius{0.0, 0.0, 0.0, 3.0};
  for (int i = 0; i < 300; ++i) def->SpawnRandomPartikel({5.0f, 5.0f}, radius, radius, radius);
  for (const char16_t* name : {u"Blitz", u"B", u"C"}) EXPECT_GT(w.Count(name), 70u) << "every type, evenly";
  // A definition without types spawns nothing.
  table.Find(&unnamed)->SpawnRandomPartikel({5.0f, 5.0f}, radius, radius, radius);
  EXPECT_EQ(w.sim.list.GetCount(), 300u);
  table.Clear();
  EXPECT_EQ(table.Size(), 0u);
}
