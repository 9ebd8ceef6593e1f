// The particle: the pixel walk and the bounce on ASCII-art terrain, the frame step's parts in
// their order, the death conditions, children, events and the create-chain limit.
#include "objects/partikel.h"

#include <gtest/gtest.h>

#include <cmath>

#include "objects/particle_fixture.h"
#include "support/frame_animations.h"
#include "support/rand_ledger.h"
#include "world/landstamp.h"
#include "world/wind.h"

using particle_test::Sim;

namespace {

const std::vector<std::string> kAir = {
    "....................",  // 0
    "....................",  // 1
    "....................",  // 2
    "....................",  // 3
    "....................",  // 4
    "....................",  // 5
    "....................",  // 6
    "....................",  // 7
};

std::vector<std::string> With(std::vector<std::string> art,
                              std::initializer_list<std::pair<int, int>> solid) {
  for (auto [x, y] : solid) art[size_t(y)][size_t(x)] = '#';
  return art;
}

void Step(Partikel& p, int frames) {
  for (int i = 0; i < frames; ++i) p.Update(true);
}

}  // namespace

TEST(ParticleWalk, TestsEachCellOneBeyondTheTargetThenTheTargetItself) {
  const Vector2 untouched(-99.0f, -99.0f);
  const struct {
    const char* what;
    std::vector<std::pair<int, int>> solid;
    Vector2 from, to;
    bool hit;
    Vector2 contact, lastFree;
  } cases[] = {
      {"free", {}, {10.7f, 5.2f}, {13.1f, 5.9f}, false, untouched, {13.1f, 5.9f}},
      {"one beyond the target cell", {{14, 5}}, {10.7f, 5.2f}, {13.1f, 5.9f}, true, {14, 5}, {13, 5}},
      {"on the way", {{12, 5}}, {10.7f, 5.2f}, {13.1f, 5.9f}, true, {12, 5}, {11, 5}},
      {"below the line is never tested",
       {{12, 6}, {14, 6}},
       {10.7f, 5.2f},
       {13.1f, 5.9f},
       false,
       untouched,
       {13.1f, 5.9f}},
      {"starting inside", {{10, 5}}, {10.7f, 5.2f}, {13.1f, 5.9f}, true, {10, 5}, untouched},
      {"zero length", {}, {5.5f, 5.5f}, {5.5f, 5.5f}, false, untouched, {5.5f, 5.5f}},
      // Without a direction the step beyond is no step: the start cell is tested twice.
      {"zero length never looks beside it",
       {{5, 6}, {6, 5}, {4, 5}, {5, 4}},
       {5.5f, 5.5f},
       {5.5f, 5.5f},
       false,
       untouched,
       {5.5f, 5.5f}},
      // Bresenham from (2, 2) to (6, 4): (3, 2) (4, 3) (5, 3) (6, 4) and (7, 4) beyond.
      {"diagonal, beyond", {{7, 4}}, {2.5f, 2.5f}, {6.5f, 4.5f}, true, {7, 4}, {6, 4}},
      {"diagonal misses the cell beside the line",
       {{4, 2}, {5, 4}},
       {2.5f, 2.5f},
       {6.5f, 4.5f},
       false,
       untouched,
       {6.5f, 4.5f}},
      {"leftwards", {{1, 3}}, {4.2f, 3.3f}, {2.9f, 3.1f}, true, {1, 3}, {2, 3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Sim sim(With(kAir, std::initializer_list<std::pair<int, int>>()));
    for (auto [x, y] : c.solid) *sim.world->GetGameLandschaft()->LockedPixel(x, y) = terrain_test::kEarth;
    const PartikelInfo& point =
        sim.Type(u"<COLLISION_EBENE> \"1\" <\\COLLISION_EBENE><SIZE> \"1\" \"1\" \"0\" \"0\" <\\SIZE>");
    auto p = sim.Make(point, c.from);
    Vector2 contact = untouched, lastFree = untouched;
    EXPECT_EQ(p->MoveWithCollision(c.from, c.to, contact, lastFree), c.hit);
    EXPECT_EQ(contact, c.contact);
    EXPECT_EQ(lastFree, c.lastFree);
  }
}

TEST(ParticleWalk, ABoxCoversItsTruncatedExtentAndSkippingAirGivesTheSameWalk) {
  auto land = terrain_test::FlatStore({0, 0, 200, 100}, 100);
  Sim sim(std::move(land));
  const PartikelInfo& box =
      sim.Type(u"<COLLISION_EBENE> \"2\" <\\COLLISION_EBENE><SIZE> \"10\" \"10\" \"0\" \"0\" <\\SIZE>");
  auto p = sim.Make(box, {100.5f, 50.5f});
  p->Update(false);  // the size follows the base size from the first update
  Landschaft& terrain = *sim.world->GetGameLandschaft();
  const struct { int x, y; } pixels[] = {{95, 45}, {104, 54}, {94, 50}, {100, 44}, {105, 50}, {100, 55}};
  const bool expect[] = {true, true, false, false, false, false};
  for (size_t i = 0; i < std::size(pixels); ++i) {
    *terrain.LockedPixel(pixels[i].x, pixels[i].y) = terrain_test::kEarth;
    Vector2 contact;
    EXPECT_EQ(p->CollidesAt({100.5f, 50.5f}, contact), expect[i]) << pixels[i].x << "," << pixels[i].y;
    *terrain.LockedPixel(pixels[i].x, pixels[i].y) = 0;
  }
  // A box's walk that passes a single solid pixel finds it where the box first covers it.
  *terrain.LockedPixel(130, 52) = terrain_test::kEarth;
  Vector2 contact, lastFree;
  EXPECT_TRUE(p->MoveWithCollision({100.5f, 50.5f}, {140.5f, 50.5f}, contact, lastFree));
  EXPECT_EQ(contact, Vector2(130, 52));
  // The box's right and bottom are exclusive: at 125 it ends before column 130.
  EXPECT_EQ(lastFree, Vector2(125, 50));
}

namespace {

// The walk as the particle defines it, pixel by pixel in floats: the truncated start, each
// Bresenham cell to one beyond the target cell, then the target itself.
bool PlainPointWalk(const Landschaft& land, Vector2 from, Vector2 to, Vector2& contact, Vector2& lastFree) {
  const int32_t fx = platform::TruncToInt(from.x), fy = platform::TruncToInt(from.y);
  const int32_t tx = platform::TruncToInt(to.x), ty = platform::TruncToInt(to.y);
  int32_t dx = tx - fx, dy = ty - fy;
  const float sx = float((dx > 0) - (dx < 0)), sy = float((dy > 0) - (dy < 0));
  dx = std::abs(dx);
  dy = std::abs(dy);
  const Vector2 straight = dx > dy ? Vector2(sx, 0.0f) : Vector2(0.0f, sy), diagonal(sx, sy);
  const int32_t longAxis = std::max(dx, dy), shortAxis = std::min(dx, dy);
  auto solid = [&](const Vector2& p) {
    if (!land.IsSolidAt(p.x, p.y)) return false;
    contact = p;
    return true;
  };
  Vector2 p = Vector2(float(fx), float(fy));
  if (solid(p)) return true;
  lastFree = p;
  for (int32_t i = 0, error = longAxis / 2; i <= longAxis; ++i) {
    error -= shortAxis;
    if (error < 0) {
      error += longAxis;
      p += diagonal;
    } else {
      p += straight;
    }
    if (solid(p)) return true;
    lastFree = p;
  }
  if (solid(to)) return true;
  lastFree = to;
  return false;
}

}  // namespace

// A point's walk passes over stretches known to hold no solid pixel; it must stop where the
// plain walk stops, also after the ground changed under stretches it had found clear.
TEST(ParticleWalk, PassingOverClearStretchesStopsWhereThePlainWalkStops) {
  // Left of and above 0, over a tile border, with a thin wall, a single pixel, a bar along
  // the top edge and uneven ground.
  auto land = std::make_unique<Landschaft>(Rect{-37, -21, 283, 270});
  land->SetGraphics(nullptr);
  land->CreateTiles();
  for (int32_t x = -37; x < 283; ++x)
    for (int32_t y = 180 + (x * 5) % 17; y < 270; ++y) *land->LockedPixel(x, y) = terrain_test::kEarth;
  for (int32_t y = -21; y < 120; ++y) *land->LockedPixel(60, y) = terrain_test::kEarth;
  for (int32_t x = 100; x < 140; ++x) *land->LockedPixel(x, -21) = terrain_test::kEarth;
  *land->LockedPixel(-1, -1) = terrain_test::kEarth;
  land->UnlockAll();
  Sim sim(std::move(land));
  Landschaft& ground = *sim.world->GetGameLandschaft();
  const PartikelInfo& point =
      sim.Type(u"<COLLISION_EBENE> \"1\" <\\COLLISION_EBENE><SIZE> \"1\" \"1\" \"0\" \"0\" <\\SIZE>");
  auto p = sim.Make(point, {0.0f, 0.0f});

  // Moves of every length up to 45 pixels in every direction, from the air, from inside the
  // ground and from beyond each edge, and some that must meet the thin pieces.
  std::vector<std::pair<Vector2, Vector2>> moves = {
      {{40.5f, 50.5f}, {80.5f, 50.5f}},      {{80.2f, 50.7f}, {40.9f, 52.1f}},  {{30.5f, 10.5f}, {75.5f, 40.5f}},
      {{-0.5f, -0.5f}, {-1.5f, -1.5f}},      {{-20.5f, -30.5f}, {5.5f, 5.5f}},  {{120.5f, -40.5f}, {121.5f, -10.5f}},
      {{100.5f, 200.5f}, {120.5f, 230.5f}},  {{5.5f, 5.5f}, {5.5f, 5.5f}},      {{-60.5f, 100.5f}, {-20.5f, 110.5f}},
      {{300.5f, 150.5f}, {270.5f, 190.5f}},  {{200.5f, 290.5f}, {201.5f, 250.5f}},
  };
  uint32_t seed = 12345;
  auto next = [&seed](int32_t range) {
    seed = seed * 1103515245u + 12345u;
    return int32_t((seed >> 8) % uint32_t(range));
  };
  for (int i = 0; i < 6000; ++i) {
    const Vector2 from(float(next(380) - 67) + float(next(100)) / 100.0f,
                       float(next(350) - 41) + float(next(100)) / 100.0f);
    const float length = float(next(46)), angle = float(next(3600)) / 10.0f * 0.0174532924f;
    moves.emplace_back(from, from + Vector2(length * std::cos(angle), length * std::sin(angle)));
  }
  auto expectSameWalks = [&](const char* when) {
    SCOPED_TRACE(when);
    int hits = 0;
    for (const auto& [from, to] : moves) {
      Vector2 contact(-99.0f, -99.0f), lastFree(-99.0f, -99.0f);
      Vector2 plainContact = contact, plainLastFree = lastFree;
      const bool plain = PlainPointWalk(ground, from, to, plainContact, plainLastFree);
      hits += plain;
      ASSERT_EQ(p->MoveWithCollision(from, to, contact, lastFree), plain) << from.x << "," << from.y << " to " << to.x << "," << to.y;
      ASSERT_EQ(contact, plainContact) << from.x << "," << from.y << " to " << to.x << "," << to.y;
      ASSERT_EQ(lastFree, plainLastFree) << from.x << "," << from.y << " to " << to.x << "," << to.y;
    }
    // Both outcomes are well represented.
    EXPECT_GT(hits, 1000);
    EXPECT_GT(int(moves.size()) - hits, 1000);
  };
  expectSameWalks("first walks");
  // Craters through the wall and the ground, a new wall and rock in what was open air.
  sim.world->CarveCrater({60.5f, 60.5f}, 25.0, nullptr, -1, true);
  sim.world->CarveCrater({150.5f, 190.5f}, 30.0, nullptr, -1, true);
  for (int32_t y = 20; y < 90; ++y) *ground.LockedPixel(200, y) = terrain_test::kEarth;
  int32_t count = 0;
  uint32_t* row = ground.LockedRow(150, 100, count);
  for (int32_t i = 0; i < 30; ++i) row[i] = terrain_test::kEarth;
  // A rock set down as settling earth sets itself into the ground.
  platform::Texture rock(6, 6);
  for (int i = 0; i < 36; ++i) rock.MutablePixels()[i] = terrain_test::kEarth;
  sim.world->StampIntoLayer(LandStamp(&rock, {0, 0, 6, 6}, {20, 40, 26, 46}, nullptr, nullptr, false, 0xFFFFFFFF,
                                      LandStamp::kSourceAlpha, LandStamp::kInvSourceAlpha, false),
                            -1, nullptr);
  ground.UnlockAll();
  expectSameWalks("after the ground changed");
}

TEST(ParticleWalk, MasksTestTheFramesSolidTexelsTurnedByTheAngle) {
  // A 16 x 16 frame whose only solid texels are a bar 4 rows high across its middle.
  auto texture = std::make_shared<platform::Texture>(16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) texture->MutablePixels()[y * 16 + x] = y >= 6 && y < 10 ? 0xFFFFFFFFu : 0u;
  FrameAnimations animations;
  animations.Add(u"BALKEN", texture);

  Sim sim(terrain_test::FlatStore({0, 0, 100, 100}, 100));
  auto type = [&](std::u16string keys) -> const PartikelInfo& {
    auto root = ParseBody(u"<T>" + keys +
                          u"<ANIMATIONEN> \"BALKEN\" <\\ANIMATIONEN><SIZE> \"16\" \"16\" \"0\" \"0\" <\\SIZE>"
                          u"<GRAVITATION> \"0\" <\\GRAVITATION><\\T>");
    sim.list.AddInfo(std::make_unique<PartikelInfo>(root->GetChild(0, u"T"), animations.Manager()));
    return *sim.list.GetInfos().back();
  };
  const PartikelInfo& still = type(u"<COLLISION_EBENE> \"4\" <\\COLLISION_EBENE>");
  const PartikelInfo& turned =
      type(u"<COLLISION_EBENE> \"4\" <\\COLLISION_EBENE><INIT_ROATION> \"90\" <\\INIT_ROATION>");
  const PartikelInfo& box = type(u"<COLLISION_EBENE> \"2\" <\\COLLISION_EBENE>");
  auto plain = sim.Make(still, {50.0f, 50.0f});
  auto upright = sim.Make(turned, {50.0f, 50.0f});
  auto square = sim.Make(box, {50.0f, 50.0f});
  // Neither turned nor spinning, the turned mask is the plain one.
  EXPECT_EQ(plain->GetCollisionShape(), 3);
  EXPECT_EQ(upright->GetCollisionShape(), 4);
  for (Partikel* p : {plain.get(), upright.get(), square.get()}) p->Update(false);

  // After the type was read the picture turns transparent: the masks made at load still
  // hold the bar.
  for (int i = 0; i < 256; ++i) texture->MutablePixels()[i] = 0;
  Landschaft& land = *sim.world->GetGameLandschaft();
  const struct {
    const char* what;
    int x, y;
    bool plain, upright, square;
  } cases[] = {
      {"the centre", 50, 50, true, true, true},
      {"on the bar, left end", 43, 49, true, false, true},
      {"above the bar, inside the box", 50, 44, false, true, true},
      {"a corner of the box", 43, 43, false, false, true},
      {"outside the box", 59, 50, false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    *land.LockedPixel(c.x, c.y) = terrain_test::kEarth;
    Vector2 contact;
    EXPECT_EQ(plain->CollidesAt({50.0f, 50.0f}, contact), c.plain);
    EXPECT_EQ(upright->CollidesAt({50.0f, 50.0f}, contact), c.upright);
    EXPECT_EQ(square->CollidesAt({50.0f, 50.0f}, contact), c.square);
    // A walk towards the pixel from far away in the air meets it as the test at the end.
    Vector2 lastFree;
    EXPECT_EQ(upright->MoveWithCollision({20.5f, 50.5f}, {50.5f, 50.5f}, contact, lastFree),
              c.upright || c.x == 43);
    *land.LockedPixel(c.x, c.y) = 0;
  }
}

TEST(ParticleBounce, MirrorsAboutTheGroundAndLosesItsFriction) {
  auto land = terrain_test::FlatStore({0, 0, 100, 60}, 50);
  Sim sim(std::move(land));
  const PartikelInfo& type = sim.Type(
      u"<COLLISION_EBENE> \"1\" <\\COLLISION_EBENE><GRAVITATION> \"0\" <\\GRAVITATION>"
      u"<EVENT_COLLIDE> \"Bump\" <\\EVENT_COLLIDE>");
  // Straight down onto flat ground: (0, 400) leaves as (0, -200).
  auto p = sim.Make(type, {50.5f, 47.5f}, {0.0f, 400.0f});
  p->Update(true);
  EXPECT_TRUE(p->HasCollided());
  EXPECT_EQ(*p->GetSpeed(), Vector2(0.0f, -200.0f));
  EXPECT_EQ(p->GetImpactSpeed(), Vector2(0.0f, 400.0f));
  EXPECT_EQ(*p->GetPosition(), Vector2(50.0f, 49.0f)) << "the last free cell";
  EXPECT_EQ(p->GetContact(), Vector2(50.0f, 50.0f));
  // Slanting in: the x part is kept, the y part turned, both halved.
  auto q = sim.Make(type, {20.5f, 48.5f}, {300.0f, 300.0f});
  q->Update(true);
  EXPECT_NEAR(q->GetSpeed()->x, 150.0f, 1e-3);
  EXPECT_NEAR(q->GetSpeed()->y, -150.0f, 1e-3);
  EXPECT_EQ(sim.events.Names(), (std::vector<std::u16string>{u"Bump", u"Bump"}));

  // A particle without speed that meets the ground fires its collide event but does not
  // count as colliding.
  auto resting = sim.Make(type, {70.5f, 50.5f});
  sim.events.runs.clear();
  resting->Update(true);
  EXPECT_FALSE(resting->HasCollided());
  EXPECT_EQ(sim.events.Names(), std::vector<std::u16string>{u"Bump"});
}

TEST(ParticleBounce, TurnsTowardsADirection) {
  Sim sim(kAir);
  const PartikelInfo& type = sim.Type(u"<INIT_ROATION> \"10\" <\\INIT_ROATION>");
  auto p = sim.Make(type, {5, 5});
  const struct {
    Vector2 direction;
    double degrees;
  } cases[] = {{{0, -1}, 270.0}, {{0, 1}, 90.0}, {{1, 0}, 0.0}, {{-1, 0}, 180.0}, {{1, 1}, 45.0}};
  for (const auto& c : cases) {
    p->OnCollide(false, {5, 5}, &c.direction);
    EXPECT_NEAR(p->GetAngle(), c.degrees + 10.0, 1e-4) << c.direction.x << "," << c.direction.y;
  }
}

TEST(ParticleUpdate, StepsMoveTheParticleByTheirRules) {
  const struct {
    const char* what;
    const char16_t* keys;
    Vector2 speed;
    int frames;
    Vector2 position, finalSpeed;
  } cases[] = {
      // Gravity (0, 100) is added before the move: speeds 1, 2, ... 10 after each frame.
      {"gravity", u"", {0, 0}, 10, {50.0f, 10.55f}, {0, 10}},
      {"half gravity", u"<GRAVITATION> \"0.5\" <\\GRAVITATION>", {0, 0}, 10, {50.0f, 10.275f}, {0, 5}},
      {"straight", u"<GRAVITATION> \"0\" <\\GRAVITATION>", {100, -50}, 10, {60.0f, 5.0f}, {100, -50}},
      // Above the maximum, air friction takes (s - max) * dt * friction each frame.
      {"air friction",
       u"<GRAVITATION> \"0\" <\\GRAVITATION><MAXSPEED> \"50\" <\\MAXSPEED><REIBUNG_LUFT> \"1\" "
       u"<\\REIBUNG_LUFT>",
       {100, 0},
       1,
       {50.995f, 10.0f},
       {99.5f, 0}},
      {"friction only above the maximum",
       u"<GRAVITATION> \"0\" <\\GRAVITATION><MAXSPEED> \"500\" <\\MAXSPEED><REIBUNG_LUFT> \"100\" "
       u"<\\REIBUNG_LUFT>",
       {100, 0},
       1,
       {51.0f, 10.0f},
       {100, 0}},
      {"friction never below the maximum",
       u"<GRAVITATION> \"0\" <\\GRAVITATION><MAXSPEED> \"50\" <\\MAXSPEED><REIBUNG_LUFT> \"1000\" "
       u"<\\REIBUNG_LUFT>",
       {100, 0},
       1,
       {50.5f, 10.0f},
       {50, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Sim sim(terrain_test::FlatStore({0, 0, 100, 100}, 100));
    auto p = sim.Make(sim.Type(c.keys), {50.0f, 10.0f}, c.speed);
    Step(*p, c.frames);
    EXPECT_NEAR(p->GetPosition()->x, c.position.x, 1e-3);
    EXPECT_NEAR(p->GetPosition()->y, c.position.y, 1e-3);
    EXPECT_NEAR(p->GetSpeed()->x, c.finalSpeed.x, 1e-3);
    EXPECT_NEAR(p->GetSpeed()->y, c.finalSpeed.y, 1e-3);
  }
}

TEST(ParticleUpdate, PausedTimeChangesNothing) {
  Sim sim(kAir);
  auto p = sim.Make(
      sim.Type(u"<LEBENSDAUER> \"1\" <\\LEBENSDAUER><INIT_ROATION_SPEED> \"90\" <\\INIT_ROATION_SPEED>"),
      {5, 5}, {100, 0});
  sim.timer.gameStep = 0.0;
  Step(*p, 5);
  EXPECT_EQ(*p->GetPosition(), Vector2(5, 5));
  EXPECT_EQ(p->GetAge(), 0.0);
  EXPECT_EQ(p->GetLifetimeLeft(), 1.0);
  EXPECT_EQ(p->GetAngle(), 0.0);
}

TEST(ParticleUpdate, FadesInAndOutOverItsLife) {
  Sim sim(kAir);
  // Fade-out time equal to the lifetime: gone by half the life, as the lifetime left falls
  // while the age rises.
  const PartikelInfo& type = sim.Type(
      u"<GRAVITATION> \"0\" <\\GRAVITATION><LEBENSDAUER> \"1\" <\\LEBENSDAUER><FADE_OUT_TIME> \"1\" "
      u"<\\FADE_OUT_TIME>"
      u"<FADE_IN_TIME> \"0.1\" <\\FADE_IN_TIME><FADING> \"1\" \"1\" <\\FADING><SIZING> \"0\" \"2\" <\\SIZING>"
      u"<SIZE> \"10\" \"10\" \"0\" \"0\" <\\SIZE>");
  auto p = sim.Make(type, {5, 5});
  Step(*p, 5);  // age 0.05 of the fade-in's 0.1
  EXPECT_NEAR(p->GetSize()->x, 5.0f, 1e-3);
  EXPECT_NEAR(double(p->GetCurrentColour() >> 24), 127.0, 1.0);
  Step(*p, 20);  // age 0.25: t = (0.75 - 0.25) / 1
  EXPECT_NEAR(p->GetSize()->x, 15.0f, 0.2f);
  EXPECT_NEAR(double(p->GetCurrentColour() >> 24), 127.0, 3.0);
  Step(*p, 26);  // age 0.51: faded away
  EXPECT_EQ(p->GetCurrentColour() >> 24, 0u);
  EXPECT_NEAR(p->GetSize()->x, 20.0f, 1e-3);
}

TEST(ParticleUpdate, EntersWaterOnlyWhenCrossingTheSurfaceDownwards) {
  Sim sim(terrain_test::FlatStore({0, 0, 100, 100}, 100));
  sim.water.y = 20.0;
  const PartikelInfo& type = sim.Type(
      u"<GRAVITATION> \"0\" <\\GRAVITATION><EVENT_ENTER_WASSSER> \"Splash\" <\\EVENT_ENTER_WASSSER>");
  auto falling = sim.Make(type, {10, 15}, {0, 200});  // 2 px a frame
  auto below = sim.Make(type, {20, 25}, {0, 200});
  auto rising = sim.Make(type, {30, 25}, {0, -200});
  Step(*falling, 10);
  Step(*below, 10);
  Step(*rising, 10);
  ASSERT_EQ(sim.events.runs.size(), 1u);
  EXPECT_EQ(sim.events.runs[0].second, falling->GetId());
}

TEST(ParticleUpdate, FollowsTheWind) {
  Sim sim(kAir);
  auto root = ParseBody(u"<WIND><NAME> \"W\" <\\NAME><WINDSPEED> \"100\" \"100\" <\\WINDSPEED><\\WIND>");
  WindManager wind;
  wind.Load(root.get());
  const std::u16string name = u"W";
  wind.SelectByName(&name);
  wind.NewRound(1.0);
  sim.services.wind = &wind;
  const Vector2 force = wind.GetCurrentWind()->ForceOnParticle({0, 0});
  ASSERT_GT(force.Length(), 99.0f);
  auto p = sim.Make(
      sim.Type(u"<GRAVITATION> \"0\" <\\GRAVITATION><ABHÄNGIGKEIT_WIND> \"0.5\" <\\ABHÄNGIGKEIT_WIND>"),
      {10, 4});
  auto still = sim.Make(sim.Type(u"<GRAVITATION> \"0\" <\\GRAVITATION>"), {10, 4});
  p->Update(true);
  still->Update(true);
  EXPECT_NEAR(p->GetSpeed()->x, force.x * 0.5f * 0.01f, 1e-5);
  EXPECT_EQ(*still->GetSpeed(), Vector2(0, 0));
  sim.services.wind = nullptr;
}

TEST(ParticleDeath, ConditionsTable) {
  const struct {
    const char* what;
    const char16_t* keys;
    Vector2 position, speed;
    int aliveAfter;  // frames it is certainly alive after (-1: dead from the start)
    int deadAfter;   // frames after which it is dead (0: never within 200)
  } cases[] = {
      {"no lifetime, death by age",
       u"<DEATH_PARAM><TYP> \"ALTER\" <\\TYP><\\DEATH_PARAM>",
       {50, 10},
       {0, 0},
       -1,
       0},
      {"lifetime 0.05",
       u"<LEBENSDAUER> \"0.05\" <\\LEBENSDAUER><DEATH_PARAM><TYP> \"ALTER\" <\\TYP><\\DEATH_PARAM>",
       {50, 10},
       {0, 0},
       4,
       6},
      {"no condition never dies", u"<LEBENSDAUER> \"0.05\" <\\LEBENSDAUER>", {50, 10}, {0, 0}, 200, 0},
      {"left the world",
       u"<GRAVITATION> \"0\" <\\GRAVITATION><SIZE> \"4\" \"4\" \"0\" \"0\" <\\SIZE><DEATH_PARAM><TYP> "
       u"\"WORLD\" "
       u"<\\TYP><\\DEATH_PARAM>",
       {10, 10},
       {-100, 0},
       9,
       15},
      {"above the world is not outside",
       u"<GRAVITATION> \"0\" <\\GRAVITATION><DEATH_PARAM><TYP> \"WORLD\" <\\TYP><\\DEATH_PARAM>",
       {50, 10},
       {0, -500},
       200,
       0},
      {"at rest on the ground",
       u"<COLLISION_EBENE> \"1\" <\\COLLISION_EBENE><DEATH_PARAM><TYP> \"SPEED\" <\\TYP><\\DEATH_PARAM>",
       {50, 30},
       {0, 0},
       1,
       200},
      {"at rest and outside, both needed",
       u"<COLLISION_EBENE> \"1\" <\\COLLISION_EBENE><DEATH_PARAM><TYP> \"SPEED\" \"WORLD\" <\\TYP><AND> "
       u"\"1\" <\\AND><\\DEATH_PARAM>",
       {50, 30},
       {0, 0},
       200,
       0},
      {"a speed that is not a number", u"", {50, 10}, {NAN, 0}, -1, 1},
      {"an infinite position, walking",
       u"<COLLISION_EBENE> \"1\" <\\COLLISION_EBENE>",
       {INFINITY, 10},
       {0, 0},
       -1,
       1},
      {"a speed that overflows", u"<MAXSPEED> \"1e39\" <\\MAXSPEED>", {50, 10}, {3.4e38f, 3.4e38f}, -1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Sim sim(terrain_test::FlatStore({0, 0, 100, 50}, 40));
    auto p = sim.Make(sim.Type(c.keys), c.position, c.speed);
    int frame = 0;
    if (c.aliveAfter < 0) {
      if (c.deadAfter == 0) {
        EXPECT_TRUE(p->IsDead());
      }
    } else {
      for (; frame < c.aliveAfter; ++frame) p->Update(true);
      EXPECT_FALSE(p->IsDead()) << frame;
    }
    if (c.deadAfter > 0) {
      for (; frame < c.deadAfter && !p->IsDead(); ++frame) p->Update(true);
      EXPECT_TRUE(p->IsDead()) << frame;
    }
  }
}

TEST(ParticleDeath, KillFiresItsEventOnceUnlessTheFlagSaysNo) {
  Sim sim(kAir);
  const PartikelInfo& type = sim.Type(u"<EVENT_KILL> \"Boom\" <\\EVENT_KILL>");
  auto a = sim.Make(type, {5, 5});
  a->Kill(nullptr, 0);
  a->Kill(nullptr, 0);
  EXPECT_TRUE(a->IsDead());
  EXPECT_EQ(sim.events.Names(), std::vector<std::u16string>{u"Boom"});

  // An explosion that destroys its source kills it silently.
  CommandParam silent[2];
  silent[1].flag = 1;
  auto b = sim.Make(type, {5, 5});
  b->Kill(silent, 2);
  EXPECT_TRUE(b->IsDead());
  EXPECT_EQ(sim.events.runs.size(), 1u);

  // A kill event that kills its target again does not run twice.
  sim.events.action = [](const std::u16string&, Objekt& target) { target.Kill(nullptr, 0); };
  auto c = sim.Make(type, {5, 5});
  c->Kill(nullptr, 0);
  EXPECT_EQ(sim.events.runs.size(), 2u);

  c->Revive(nullptr, 0);
  EXPECT_FALSE(c->IsDead());
}

TEST(ParticleChildren, SpawnAtTheirRateWithinTheBudgetAndTheGenerations) {
  Sim sim(kAir);
  sim.Type(u"<NAME> \"Kid\" <\\NAME><GRAVITATION> \"0\" <\\GRAVITATION>");
  const PartikelInfo& parent = sim.Type(
      u"<GRAVITATION> \"0\" <\\GRAVITATION><PARTIKEL_INFOS> \"Kid\" <\\PARTIKEL_INFOS><MAXPARTIKEL> \"5\" "
      u"<\\MAXPARTIKEL>"
      u"<SPAWNSPEED> \"10\" <\\SPAWNSPEED><SPAWNPOSITION_OFFSET> \"2\" \"-1\" <\\SPAWNPOSITION_OFFSET>"
      u"<DEATH_PARAM><TYP> \"NO_PARTIKELS\" <\\TYP><\\DEATH_PARAM>");
  auto p = sim.Make(parent, {5, 5});
  std::vector<int> spawnFrames;
  for (int frame = 1; frame <= 70 && !p->IsDead(); ++frame) {
    const size_t before = sim.list.GetCount();
    p->Update(true);
    if (sim.list.GetCount() > before) spawnFrames.push_back(frame);
  }
  ASSERT_EQ(spawnFrames.size(), 5u);
  for (size_t i = 1; i < spawnFrames.size(); ++i) EXPECT_NEAR(spawnFrames[i] - spawnFrames[i - 1], 10, 1);
  EXPECT_TRUE(p->GetState() & DeathParam::kNoChildren) << "set when the sixth would be due";
  EXPECT_TRUE(p->IsDead());
  const Partikel& child = *sim.list.MainList().front();
  EXPECT_EQ(child.GetInfo()->name, u"Kid");
  EXPECT_EQ(child.GetGeneration(), 1);
  EXPECT_EQ(*const_cast<Partikel&>(child).GetPosition(), Vector2(7, 4));

  // Generation 3 of a type that recurses to 2 never spawns.
  const Vector2 at(5, 5), still(0, 0);
  Partikel old(&parent, &at, &still, 0xFFFFFFFF, 3);
  EXPECT_TRUE(old.GetState() & DeathParam::kNoChildren);
}

TEST(ParticleEvents, CreateChainsStopAtTheirDepthLimit) {
  Sim sim(kAir);
  const PartikelInfo& type = sim.Type(u"<NAME> \"Echo\" <\\NAME><EVENT_CREATE> \"Again\" <\\EVENT_CREATE>");
  // Each create event makes another particle of the same type from inside the constructor.
  std::vector<std::unique_ptr<Partikel>> made;
  sim.events.action = [&](const std::u16string&, Objekt&) {
    const Vector2 at(1, 1);
    made.push_back(std::make_unique<Partikel>(&type, &at, &at, 0xFFFFFFFF, 0));
  };
  auto first = sim.Make(type, {1, 1});
  EXPECT_EQ(sim.events.runs.size(), size_t(Partikel::kMaxCreateDepth));
  EXPECT_EQ(made.size(), size_t(Partikel::kMaxCreateDepth));
  // Once the chain has unwound, a new particle fires its create event again.
  sim.events.action = nullptr;
  sim.Make(type, {1, 1});
  EXPECT_EQ(sim.events.runs.size(), size_t(Partikel::kMaxCreateDepth) + 1);
}

TEST(ParticleEvents, WormContactFiresPerWormAndFrameUnlessIgnored) {
  Sim sim(kAir);
  auto wormA = sim.Make(sim.Type(u""), {5, 4});
  auto wormB = sim.Make(sim.Type(u""), {6, 4});
  sim.worms.circles = {{wormA.get(), {5, 4}, 3.0f}, {wormB.get(), {6, 4}, 3.0f}};
  const PartikelInfo& shot = sim.Type(
      u"<GRAVITATION> \"0\" <\\GRAVITATION><COLLISION_WORM> \"1\" <\\COLLISION_WORM>"
      u"<EVENT_WORMCOLLIDE> \"Hit\" <\\EVENT_WORMCOLLIDE>");
  auto p = sim.Make(shot, {5.5f, 4.0f});
  p->Update(true);
  EXPECT_EQ(sim.events.runs.size(), 2u) << "inside both worms";
  EXPECT_EQ(sim.events.runs[0].second, p->GetId()) << "the event runs on the particle";

  // The shooter is ignored while the shot is still inside it; the record goes once the
  // shot leaves the worm.
  sim.events.runs.clear();
  auto q = sim.Make(shot, {5.0f, 4.0f}, {100.0f, 0.0f});
  q->AddCollisionIgnore(Partikel::MakeCollisionIgnore(wormA.get(), 1.0));
  sim.worms.circles.pop_back();
  q->Update(true);  // at 6: inside A, ignored
  EXPECT_TRUE(sim.events.runs.empty());
  EXPECT_EQ(q->GetCollisionIgnores().size(), 1u);
  Step(*q, 3);  // at 9: left A
  EXPECT_TRUE(q->GetCollisionIgnores().empty());
}
