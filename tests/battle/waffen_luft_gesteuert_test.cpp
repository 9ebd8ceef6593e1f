// The air attacks and the steered devices on a small ASCII-art world, stepped 0.01 s at a
// time with a fixed seed: where and when the air strike's and the armageddon's warheads
// fall, the plane's steering, speed limits and ends, the car's drive and its ends, the jet
// pack's thrust and time, and the placer's overlap preview and stamped pixels. Events are
// recorded, and "Boom" kills its target as an explosion would.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "battle/waffen_gesteuert.h"
#include "battle/waffen_luft.h"
#include "battle/waffenset.h"
#include "battle/weapon_world.h"
#include "battle/waffenteams.h"
#include "engine/apicontext.h"
#include "engine/frametimer.h"
#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "engine/sprache.h"
#include "objects/partikel.h"
#include "objects/partikelinfo.h"
#include "objects/partikelliste.h"
#include "objects/person.h"
#include "objects/wormmanager.h"
#include "platform/random.h"
#include "support/frame_animations.h"
#include "support/kv_fixture.h"
#include "support/temp_dir.h"
#include "support/user_folder.h"
#include "world/landschaft.h"
#include "world/terrain_art.h"
#include "world/watersurface.h"
#include "world/welt.h"

namespace {

Mannschaft* const kTeam = reinterpret_cast<Mannschaft*>(0x10);

struct OneTeam final : WaffenTeams {
  Mannschaft* TeamOf(const Objekt&) const override { return kTeam; }
  Argb TeamColour(const Mannschaft*) const override { return 0xFFFFFFFF; }
  int32_t RoundNumber() const override { return 1; }
};

using Log = weapon_test::EventLog;

struct FixedWater final : WaterSurface {
  double y = 1000.0;
  double GetSurfaceY() const override { return y; }
};

// 400 x 200: ground from row 150 left of column 200, a cliff down to row 190 right of it.
std::vector<std::string> Cliff() {
  std::vector<std::string> art;
  for (int y = 0; y < 200; ++y) {
    std::string row(400, '.');
    for (int x = 0; x < 400; ++x)
      if (y >= (x < 200 ? 150 : 190)) row[size_t(x)] = '#';
    art.push_back(row);
  }
  return art;
}

class DeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    context.title = u"Krumbolt";
    context.configuration = std::make_unique<KVNode>(u"Config");
    context.timer = std::make_unique<FrameTimer>();
    context.timer->gameStep = context.timer->realStep = 0.01;
    context.language = std::make_unique<Sprache>(nullptr);
    {
      std::ofstream out(dir.Path() / "texte.lng", std::ios::binary);
      out << "<>\n \t<\\>\n<SPRACHDATEI><SPRACHEN> \"DEUTSCH\" \"ENGLISCH\" <\\SPRACHEN><TEXTE>";
      for (const char* key : {"W", "FLUGZEUG_START", "FLUGZEUG_CANCEL", "AUTO_START", "AUTO_BESCHREIBUNG",
                              "AIRSTRIKE_BESCHREIBUNG"})
        out << "<" << key << "> \"-\" \"" << key << "\" <\\" << key << ">";
      out << "<\\TEXTE><\\SPRACHDATEI>";
    }
    context.language->LoadFile(dir.File("texte.lng"));
    globals = std::make_unique<MyGlobals>(&context);
    globals->LoadSettings();
    auto land = terrain_test::ArtStore(Cliff());
    const Rect r = land->GetRect();
    auto world = std::make_unique<Welt>(&r);
    world->SetGameLayers(std::move(land), 0, 0.0f, 0.0f, 0xFFFFFFFF);
    world->SetWaterSurface(&water);
    globals->SetWelt(std::move(world));
    globals->GetSimServices().events = &log;
    WaffenTeams::Install(&teams);
    // Warheads and planes fly straight; the ground sets warheads off.
    Type(
        u"<NAME> \"BOMB\" <\\NAME> <GRAVITATION> \"0\" <\\GRAVITATION> <COLLISION_EBENE> \"1\" "
        u"<\\COLLISION_EBENE>"
        u"<DEATH_PARAM> <TYP> \"WORLD\" <\\TYP> <\\DEATH_PARAM>"
        u"<EVENT_COLLIDE> \"Boom\" <\\EVENT_COLLIDE> <EVENT_KILL> \"Blast\" <\\EVENT_KILL>");
    Type(
        u"<NAME> \"PLANE\" <\\NAME> <GRAVITATION> \"0\" <\\GRAVITATION> <COLLISION_EBENE> \"0\" "
        u"<\\COLLISION_EBENE> <EVENT_KILL> \"Blast\" <\\EVENT_KILL>");
    // Persons: a point at the feet that falls.
    Type(
        u"<NAME> \"BODY\" <\\NAME> <COLLISION_EBENE> \"1\" <\\COLLISION_EBENE> <SIZE> \"4\" \"6\" \"0\" "
        u"\"0\" "
        u"<\\SIZE> <REIBUNG_COLLISION> \"1\" \"0\" <\\REIBUNG_COLLISION>"
        u"<EVENT_COLLIDE> \"Crash\" <\\EVENT_COLLIDE> <EVENT_KILL> \"Blast\" <\\EVENT_KILL>");
    auto worm = MakePerson(Vector2(50.0f, 149.0f));
    shooter = worm.get();
    globals->GetWormManager()->AddWorm(std::move(worm));
    platform::SRand(7);
  }
  void TearDown() override {
    weapon.reset();
    globals->GetPartikelListe()->Clear();
    WaffenTeams::Install(nullptr);
    globals.reset();
  }
  void Type(std::u16string_view keys) {
    auto root = ParseBody(std::u16string(u"<PARTIKEL_INFO>") + std::u16string(keys) + u"<\\PARTIKEL_INFO>");
    globals->GetPartikelListe()->AddInfo(std::make_unique<PartikelInfo>(root->GetChild(0, u"PARTIKEL_INFO")));
  }
  std::unique_ptr<Person> MakePerson(Vector2 at, const char16_t* type = u"BODY") {
    auto p = std::make_unique<Person>(globals->GetPartikelListe()->FindInfo(type), nullptr, nullptr, nullptr);
    PersonEigenschaften& props = p->GetProperties();
    props.maxStepRange[0] = props.maxStepRange[1] = 3;
    props.walkRange[0] = props.walkRange[1] = 40.0;
    props.SetSizeRatio(0.5);
    props.SetSpeedRatio(0.5);
    *p->GetPosition() = at;
    p->SetWorld(globals->GetWelt());
    return p;
  }
  template <class W>
  W& Make(const char16_t* keyword, std::u16string_view keys) {
    auto root = ParseBody(keys, keyword);
    weapon = WaffenSet::Create(keyword, root.get(), globals.get(), &context);
    weapon->AddTeamRecord(kTeam);
    W* typed = dynamic_cast<W*>(weapon.get());
    EXPECT_NE(typed, nullptr);
    return *typed;
  }
  int32_t Fire(Vector2 direction, Vector2 target = {0.0f, 0.0f}, Vector2 at = {52.0f, 145.0f}) {
    return weapon->Fire(*shooter, at, direction, 1.0, target);
  }
  // One battle frame: the weapons, the particles, then the worm's own movement.
  void Frame() {
    ++log.frame;
    weapon->Update(0.01);
    globals->GetPartikelListe()->Update();
    shooter->MoveStep();
  }
  void Frames(int n) {
    for (int i = 0; i < n; ++i) Frame();
  }
  Partikel* Find(uint32_t id) const { return globals->GetPartikelListe()->FindById(id); }
  size_t ParticleCount() const { return globals->GetPartikelListe()->MainList().size(); }
  // Steps only the rain (its warheads stay where they were made): the frame of each drop,
  // where it was made and its speed.
  std::vector<std::pair<int, Vector2>> Rain(Armageddon& rain, int frames, std::vector<Vector2>* velocities) {
    std::vector<std::pair<int, Vector2>> drops;
    size_t seen = 0;
    for (int frame = 1; frame <= frames; ++frame) {
      rain.Update(0.01);
      for (; seen < rain.GetWarheads().size(); ++seen) {
        Partikel* warhead = Find(rain.GetWarheads()[seen]);
        if (!warhead) continue;
        drops.push_back({frame, *warhead->GetPosition()});
        velocities->push_back(*warhead->GetSpeed());
      }
    }
    return drops;
  }
  uint32_t Pixel(int x, int y) const { return *globals->GetWelt()->GetGameLandschaft()->PeekPixel(x, y); }

  UserFolder folder;
  TempDir dir;
  APIContext context;
  std::unique_ptr<MyGlobals> globals;
  OneTeam teams;
  Log log;
  FixedWater water;
  Person* shooter = nullptr;
  std::unique_ptr<Waffe> weapon;
};

// ---- Air strike ------------------------------------------------------------------------

constexpr std::u16string_view kAirStrike =
    u"<PARTIKELINFO> \"BOMB\" <\\PARTIKELINFO> <DELAY> \"0.2\" <\\DELAY> <ABSTAND_TOP> \"100\" "
    u"<\\ABSTAND_TOP> <INIT_SPEED> \"400\" <\\INIT_SPEED> <WINKEL> \"1\" \"2\" <\\WINKEL> <BREITE> \"250\" "
    u"<\\BREITE>";

TEST_F(DeviceTest, AirStrikeRowIsCentredOnTheLineThroughTheTargetAndDropsDelayApart) {
  // The row starts where the slope (1/2 across per 1 down) leads from the drop height
  // (row 100) to the target: 25 left of it coming from the left, 25 right from the right.
  const struct {
    int count;
    float aimX;
  } cases[] = {{1, 1.0f}, {5, 1.0f}, {5, -1.0f}, {30, 1.0f}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.count << " warheads, aim " << c.aimX);
    globals->GetPartikelListe()->Clear();
    auto& strike =
        Make<AirStrike>(u"AIRSTRIKE", std::u16string(kAirStrike) + u"<ANZAHL_SPRENGK\u00D6PFE> \"" +
                                          std::u16string(1, char16_t(u'0' + c.count / 10)) +
                                          std::u16string(1, char16_t(u'0' + c.count % 10)) +
                                          u"\" <\\ANZAHL_SPRENGK\u00D6PFE>");
    EXPECT_TRUE(strike.NeedsTarget());
    ASSERT_EQ(Fire({c.aimX, 0.0f}, {100.0f, 150.0f}), 1);
    const bool fromLeft = c.aimX > 0.0f;
    EXPECT_EQ(strike.GetRowStart(), Vector2(fromLeft ? 75.0f : 125.0f, 100.0f));
    EXPECT_EQ(ParticleCount(), 0u) << "nothing falls before the first delay";
    // Only the weapon steps: each warhead is seen where it was created.
    std::vector<std::pair<double, Vector2>> drops;
    for (int frame = 1; frame <= c.count * 20 + 5; ++frame) {
      const size_t before = strike.GetWarheads().size();
      weapon->Update(0.01);
      for (size_t i = before; i < strike.GetWarheads().size(); ++i) {
        Partikel* warhead = Find(strike.GetWarheads()[i]);
        ASSERT_NE(warhead, nullptr);
        drops.push_back({frame * 0.01, *warhead->GetPosition()});
        const Vector2 v = *warhead->GetSpeed();
        EXPECT_NEAR(v.Length(), 400.0f, 1e-3f);
        EXPECT_NEAR(v.x / v.y, fromLeft ? 0.5f : -0.5f, 1e-6f);
      }
    }
    ASSERT_EQ(drops.size(), size_t(c.count)) << "never more than the count";
    for (int k = 1; k <= c.count; ++k) {
      const auto& [time, at] = drops[size_t(k - 1)];
      EXPECT_GE(time, 0.2 * k - 1e-9) << k;
      EXPECT_LE(time, 0.2 * k + 0.01 + 1e-9) << k;
      const float offset = 250.0f / float(c.count) * (float(k) - 0.5f) - 125.0f;
      EXPECT_NEAR(at.x, fromLeft ? 75.0f + offset : 125.0f - offset, 1e-3f) << k;
      EXPECT_EQ(at.y, 100.0f);
    }
    // The middle of the row lies on the line: its mean falls on the target's line.
    double mean = 0.0;
    for (const auto& d : drops) mean += d.second.x;
    EXPECT_NEAR(mean / double(c.count), fromLeft ? 75.0 : 125.0, 1e-3);
    EXPECT_TRUE(strike.IsActive()) << "waits for its warheads";
    EXPECT_FALSE(strike.IsExhausted());
  }
}

TEST_F(DeviceTest, AirStrikeSingleWarheadHitsTheTargetAndEndsWhenItIsGone) {
  auto& strike = Make<AirStrike>(u"AIRSTRIKE", kAirStrike);
  ASSERT_EQ(Fire({1.0f, 0.0f}, {100.0f, 150.0f}), 1);
  EXPECT_EQ(strike.GetUsesThisTurn(), 1);
  Frames(100);
  const auto hits = log.Named(u"Boom");
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_NEAR(hits[0].at.x, 100.0f, 2.0f);
  EXPECT_NEAR(hits[0].at.y, 150.0f, 2.0f);
  EXPECT_FALSE(strike.IsActive());
  EXPECT_TRUE(strike.IsExhausted());
}

TEST_F(DeviceTest, AirStrikeDueWarheadsAllDropInOneLongFrameButNoMoreThanTheCount) {
  auto& strike = Make<AirStrike>(u"AIRSTRIKE",
                                 u"<PARTIKELINFO> \"BOMB\" <\\PARTIKELINFO> <DELAY> \"0.001\" <\\DELAY> "
                                 u"<ANZAHL_SPRENGK\u00D6PFE> \"30\" <\\ANZAHL_SPRENGK\u00D6PFE>");
  ASSERT_EQ(Fire({1.0f, 0.0f}, {100.0f, 150.0f}), 1);
  weapon->Update(0.0105);
  EXPECT_EQ(strike.GetWarheads().size(), 10u);
  weapon->Update(1.0);
  EXPECT_EQ(strike.GetWarheads().size(), 30u);
  weapon->Update(1.0);
  EXPECT_EQ(strike.GetWarheads().size(), 30u);
}

TEST_F(DeviceTest, AirStrikeWithoutVerticalPartFallsStraightDown) {
  // A WINKEL of y 0 would divide by zero; it means straight down through the target.
  auto& strike = Make<AirStrike>(u"AIRSTRIKE",
                                 u"<PARTIKELINFO> \"BOMB\" <\\PARTIKELINFO> <WINKEL> \"1\" \"0\" <\\WINKEL>"
                                 u"<DELAY> \"0.01\" <\\DELAY>");
  EXPECT_EQ(strike.GetVelocity(), Vector2(0.0f, 500.0f));
  ASSERT_EQ(Fire({1.0f, 0.0f}, {120.0f, 150.0f}), 1);
  EXPECT_EQ(strike.GetRowStart(), Vector2(120.0f, 100.0f));
  Frames(30);
  ASSERT_EQ(log.Named(u"Boom").size(), 1u);
  EXPECT_NEAR(log.Named(u"Boom")[0].at.x, 120.0f, 1e-3f);
}

TEST_F(DeviceTest, AirStrikeWithoutParticleTypeDoesNothing) {
  auto& strike = Make<AirStrike>(u"AIRSTRIKE", u"<DELAY> \"0.1\" <\\DELAY>");
  EXPECT_EQ(Fire({1.0f, 0.0f}, {100.0f, 150.0f}), 0);
  EXPECT_FALSE(strike.IsActive());
  EXPECT_EQ(strike.GetUsesThisTurn(), 0);
}

// ---- Armageddon --------------------------------------------------------------------------

TEST_F(DeviceTest, ArmageddonRainsInASteadyRhythmOverTheWholeWidth) {
  auto& rain = Make<Armageddon>(
      u"ARMAGEDDON",
      u"<PARTIKELINFO> \"BOMB\" <\\PARTIKELINFO> <ANZAHL_SPRENGK\u00D6PFE> \"6\" "
      u"<\\ANZAHL_SPRENGK\u00D6PFE> <DELAY> \"0.5\" <\\DELAY> <INIT_SPEED> \"600\" <\\INIT_SPEED>"
      u"<WINKEL_L> \"-1\" \"2\" <\\WINKEL_L> <WINKEL_R> \"1\" \"2\" <\\WINKEL_R>");
  EXPECT_FALSE(rain.NeedsTarget());
  ASSERT_EQ(Fire({1.0f, 0.0f}), 1);
  std::vector<Vector2> velocities;
  const auto drops = Rain(rain, 400, &velocities);
  ASSERT_EQ(drops.size(), 6u);
  for (size_t i = 0; i < drops.size(); ++i) {
    EXPECT_NEAR(drops[i].first, 50 * int(i + 1), 1) << i;
    // From 200 beyond the right edge to 200 beyond the left, at row 100.
    EXPECT_GE(drops[i].second.x, -200.0f);
    EXPECT_LE(drops[i].second.x, 600.0f);
    EXPECT_EQ(drops[i].second.y, 100.0f);
    EXPECT_NEAR(velocities[i].Length(), 600.0f, 1e-2f);
    // Between the two directions: at most 1 across per 2 down.
    EXPECT_LE(std::fabs(velocities[i].x / velocities[i].y), 0.5f + 1e-5f);
  }
  Frames(300);
  EXPECT_FALSE(rain.IsActive());
  EXPECT_TRUE(rain.IsExhausted());
}

TEST_F(DeviceTest, ArmageddonRandomRhythmStaysInRangeAndRepeatsWithTheSeed) {
  const std::u16string keys =
      u"<PARTIKELINFO> \"BOMB\" <\\PARTIKELINFO> <ANZAHL_SPRENGK\u00D6PFE> \"20\" <\\ANZAHL_SPRENGK\u00D6PFE>"
      u"<DELAY> \"0.1\" \"1.0\" <\\DELAY>";
  std::vector<std::pair<int, Vector2>> runs[2];
  for (auto& run : runs) {
    platform::SRand(11);
    globals->GetPartikelListe()->Clear();
    auto& rain = Make<Armageddon>(u"ARMAGEDDON", keys);
    ASSERT_EQ(Fire({1.0f, 0.0f}), 1);
    std::vector<Vector2> velocities;
    run = Rain(rain, 2500, &velocities);
    // No INIT_SPEED: 500.
    for (const Vector2& v : velocities) EXPECT_NEAR(v.Length(), 500.0f, 1e-2f);
  }
  ASSERT_EQ(runs[0].size(), 20u);
  for (size_t i = 1; i < runs[0].size(); ++i) {
    const int gap = runs[0][i].first - runs[0][i - 1].first;
    EXPECT_GE(gap, 10) << i;
    EXPECT_LE(gap, 101) << i;
  }
  for (size_t i = 0; i < runs[0].size(); ++i) {
    EXPECT_EQ(runs[0][i].first, runs[1][i].first);
    EXPECT_EQ(runs[0][i].second, runs[1][i].second);
  }
}

TEST_F(DeviceTest, ArmageddonDirectionsThatCancelOutDropNothingAndEndTheRain) {
  auto& rain = Make<Armageddon>(u"ARMAGEDDON",
                                u"<PARTIKELINFO> \"BOMB\" <\\PARTIKELINFO> <ANZAHL_SPRENGK\u00D6PFE> \"3\" "
                                u"<\\ANZAHL_SPRENGK\u00D6PFE> <DELAY> \"0.1\" <\\DELAY>"
                                u"<WINKEL_L> \"0\" \"0\" <\\WINKEL_L> <WINKEL_R> \"0\" \"0\" <\\WINKEL_R>");
  ASSERT_EQ(Fire({1.0f, 0.0f}), 1);
  Frames(50);
  EXPECT_EQ(ParticleCount(), 0u);
  EXPECT_EQ(rain.GetDropped(), 3) << "the rain counted out its warheads";
  EXPECT_FALSE(rain.IsActive());
}

// ---- Plane ------------------------------------------------------------------------------------

constexpr std::u16string_view kPlane =
    u"<PARTIKELINFO> \"PLANE\" <\\PARTIKELINFO> <WINKEL_SPEED> \"180\" <\\WINKEL_SPEED> <FLUG_SPEED> \"150\" "
    u"<\\FLUG_SPEED> <FLUG_BESCHLEUNIGUNG> \"100\" <\\FLUG_BESCHLEUNIGUNG> <MAX_LEBENS_ZEIT> \"3\" "
    u"<\\MAX_LEBENS_ZEIT>";

TEST_F(DeviceTest, PlaneClimbsAwayGainsSpeedUpToItsLimitAndTurnsAsSteered) {
  auto& plane = Make<Flugzeug>(u"FLUGZEUG", kPlane);
  EXPECT_TRUE(plane.TakesSteering());
  const Vector2 start(52.0f, 100.0f);
  ASSERT_EQ(Fire({1.0f, 0.0f}, {}, start), 1);
  EXPECT_EQ(plane.GetHeading(), -45.0);
  Partikel* body = Find(*plane.GetPlaneId());
  ASSERT_NE(body, nullptr);
  ASSERT_EQ(body->GetCollisionIgnores().size(), 1u);
  EXPECT_EQ(body->GetCollisionIgnores()[0].object, shooter);
  // Starting at 0 it hangs at the shot position, then gains 100 per second.
  EXPECT_EQ(*body->GetPosition(), start);
  Frames(50);
  EXPECT_NEAR(plane.GetFlightSpeed(), 50.0, 1e-9);
  const Vector2 v = *body->GetSpeed();
  EXPECT_NEAR(v.Length(), 50.0f, 1e-3f);
  EXPECT_NEAR(v.x, -v.y, 1e-3f) << "climbing to the right";
  // Half a second of the left key at 180 degrees a second: heading -135, climbing left.
  for (int i = 0; i < 50; ++i) {
    plane.OnLeft(0.01);
    Frame();
  }
  EXPECT_NEAR(plane.GetHeading(), -135.0, 1e-9);
  EXPECT_NEAR(body->GetSpeed()->x, body->GetSpeed()->y, 1e-3f);
  EXPECT_LT(body->GetSpeed()->x, 0.0f);
  // The right key turns it back.
  for (int i = 0; i < 25; ++i) {
    plane.OnRight(0.01);
    Frame();
  }
  EXPECT_NEAR(plane.GetHeading(), -90.0, 1e-9);
  EXPECT_NEAR(body->GetSpeed()->x, 0.0f, 1e-3f);
  EXPECT_LT(body->GetSpeed()->y, 0.0f);
  Frames(60);
  EXPECT_EQ(plane.GetFlightSpeed(), 150.0) << "never beyond FLUG_SPEED";
}

TEST_F(DeviceTest, PlaneGoesOffAtItsTimeOnRequestInTheWaterAndAtTheTurnsEnd) {
  enum How { kTime, kRequest, kWater, kCancel };
  for (How how : {kTime, kRequest, kWater, kCancel}) {
    SCOPED_TRACE(how);
    log.runs.clear();
    log.frame = 0;
    globals->GetPartikelListe()->Clear();
    auto& plane = Make<Flugzeug>(u"FLUGZEUG", kPlane);
    // Aimed straight up (x = 0) it climbs to the left.
    ASSERT_EQ(Fire({0.0f, -1.0f}, {}, {100.0f, 100.0f}), 1);
    EXPECT_EQ(plane.GetHeading(), 225.0);
    if (how == kWater) {
      water.y = 120.0;
      plane.OnLeft(0.5);  // heading 135: diving to the left
    }
    for (int frame = 1; frame <= 400 && plane.IsActive(); ++frame) {
      if (how == kRequest && frame == 11) plane.OnAction();
      if (how == kCancel && frame == 21) {
        plane.Cancel();
        break;
      }
      Frame();
    }
    water.y = 1000.0;
    const auto blasts = log.Named(u"Blast");
    ASSERT_EQ(blasts.size(), 1u);
    EXPECT_FALSE(plane.IsActive());
    switch (how) {
      case kTime:
        EXPECT_NEAR(blasts[0].frame, 300, 1) << "after MAX_LEBENS_ZEIT";
        break;
      case kRequest:
        EXPECT_EQ(blasts[0].frame, 11);
        break;
      case kWater:
        // In the frame the weapon first finds it under the surface.
        EXPECT_GT(blasts[0].at.y, 120.0f);
        EXPECT_LT(blasts[0].at.y, 122.0f);
        EXPECT_LT(blasts[0].at.x, 100.0f);
        break;
      case kCancel:
        EXPECT_EQ(blasts[0].frame, 20);
        break;
    }
  }
}

// ---- Car ---------------------------------------------------------------------------------------

class CarTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    // A car that the ground sets off when it falls on it.
    Type(
        u"<NAME> \"CAR\" <\\NAME> <COLLISION_EBENE> \"1\" <\\COLLISION_EBENE> <SIZE> \"4\" \"6\" \"0\" \"0\" "
        u"<\\SIZE> <EVENT_COLLIDE> \"Boom\" <\\EVENT_COLLIDE> <EVENT_KILL> \"Blast\" <\\EVENT_KILL>");
    auto car = MakePerson(Vector2(0.0f, 0.0f), u"CAR");
    car->SetName(u"CAR");
    car->ResetMovement();
    this->car = car.get();
    globals->GetWormManager()->AddPerson(std::move(car));
  }
  Person* car = nullptr;
};

constexpr std::u16string_view kCar = u"<AUTO> \"CAR\" <\\AUTO> <MAX_TIMER> \"2\" <\\MAX_TIMER>";

TEST_F(CarTest, CarWalksWhileAKeyIsHeldAndStopsWhenItIsReleased) {
  auto& drive = Make<Auto>(u"AUTO", kCar);
  ASSERT_EQ(drive.GetCar(), car);
  ASSERT_EQ(Fire({1.0f, 0.0f}, {}, {100.0f, 149.0f}), 1);
  EXPECT_TRUE(drive.IsActive());
  EXPECT_EQ(car->GetMoveState(), Person::kWalking);
  EXPECT_TRUE(car->IsFacingRight());
  ASSERT_EQ(car->GetCollisionIgnores().size(), 1u);
  // Never steered, it stops on the first frame.
  Frame();
  EXPECT_EQ(car->GetMoveState(), Person::kStanding);
  // Held left for half a second it walks left at its walking speed (40 per second).
  for (int i = 0; i < 50; ++i) {
    drive.OnLeft(0.01);
    Frame();
  }
  EXPECT_FALSE(car->IsFacingRight());
  EXPECT_NEAR(car->GetPosition()->x, 80.0f, 2.0f);
  EXPECT_EQ(car->GetPosition()->y, 149.0f);
  // Released: it stands from the next frame on.
  Frame();
  const float x = car->GetPosition()->x;
  Frames(20);
  EXPECT_EQ(car->GetMoveState(), Person::kStanding);
  EXPECT_EQ(car->GetPosition()->x, x);
}

TEST_F(CarTest, CarEndsByTimerByCommandByObstacleAndAtTheTurnsEnd) {
  enum How { kTimer, kCommand, kObstacle, kCancel };
  for (How how : {kTimer, kCommand, kObstacle, kCancel}) {
    SCOPED_TRACE(how);
    log.runs.clear();
    log.frame = 0;
    auto& drive = Make<Auto>(u"AUTO", kCar);
    // Driving off the cliff, the car falls and the ground sets it off.
    const Vector2 start = how == kObstacle ? Vector2(190.0f, 149.0f) : Vector2(100.0f, 149.0f);
    ASSERT_EQ(Fire({1.0f, 0.0f}, {}, start), 1);
    const uint32_t id = car->GetId();
    int frame = 0;
    while (drive.IsActive() && frame < 400) {
      ++frame;
      if (how == kCommand && frame == 31) drive.OnAction();
      if (how == kCancel && frame == 41) {
        drive.Cancel();
        break;
      }
      if (how == kObstacle) drive.OnRight(0.01);
      Frame();
    }
    EXPECT_FALSE(drive.IsActive());
    const auto blasts = log.Named(u"Blast");
    ASSERT_EQ(blasts.size(), 1u);
    EXPECT_EQ(blasts[0].id, id);
    switch (how) {
      case kTimer:
        EXPECT_NEAR(blasts[0].frame, 200, 1) << "after MAX_TIMER";
        break;
      case kCommand:
        EXPECT_EQ(blasts[0].frame, 30) << "at once";
        break;
      case kObstacle:
        EXPECT_LT(blasts[0].frame, 150) << "long before its time";
        EXPECT_GE(blasts[0].at.x, 199.0f);
        EXPECT_NEAR(blasts[0].at.y, 189.0f, 2.0f);
        break;
      case kCancel:
        EXPECT_EQ(blasts[0].frame, 40);
        break;
    }
    // Alive again for the next use, under a new id so nothing waits for the old one.
    EXPECT_FALSE(car->IsDead());
    EXPECT_NE(car->GetId(), id);
    EXPECT_EQ(globals->FindObject(id), nullptr);
  }
}

TEST_F(CarTest, CarOfAnUnknownPersonCannotBeFired) {
  auto& drive = Make<Auto>(u"AUTO", u"<AUTO> \"BUS\" <\\AUTO>");
  EXPECT_EQ(drive.GetCar(), nullptr);
  EXPECT_FALSE(drive.IsUsable());
  EXPECT_EQ(Fire({1.0f, 0.0f}), 0);
}

// ---- Jet pack --------------------------------------------------------------------------------

TEST_F(DeviceTest, JetpackThrustsTheWormUntilItsTimeRunsOut) {
  auto& pack = Make<Jetpack>(u"JETPACK", u"<MAX_TIMER> \"1\" <\\MAX_TIMER>");
  EXPECT_TRUE(pack.TakesSteering());
  EXPECT_TRUE(pack.NotUsedThisTurn());
  ASSERT_EQ(Fire({1.0f, 0.0f}), 1);
  EXPECT_EQ(shooter->GetMoveState(), Person::kJetpack);
  EXPECT_FALSE(pack.NotUsedThisTurn());
  EXPECT_FALSE(pack.FireTest(*shooter)) << "one flight at a time";
  // The up thrust (-500 by default; y grows downwards) lifts it against gravity.
  const Vector2 start = *shooter->GetPosition();
  for (int i = 0; i < 40; ++i) {
    pack.OnUp(0.01);
    pack.OnRight(0.01);
    Frame();
  }
  EXPECT_LT(shooter->GetPosition()->y, start.y - 5.0f);
  EXPECT_GT(shooter->GetPosition()->x, start.x + 2.0f);
  EXPECT_TRUE(shooter->IsFacingRight());
  for (int i = 0; i < 20; ++i) {
    pack.OnLeft(0.01);
    Frame();
  }
  EXPECT_FALSE(shooter->IsFacingRight());
  // Out of time after a second: the worm falls.
  Frames(45);
  EXPECT_FALSE(pack.IsActive());
  EXPECT_EQ(shooter->GetMoveState(), Person::kFalling);
  EXPECT_TRUE(pack.IsExhausted());
}

TEST_F(DeviceTest, JetpackLandsOnActionAndTheTurnWaitsAMoment) {
  auto& pack = Make<Jetpack>(u"JETPACK", u"<BESCHLEUNIGUNG> \"-1\" \"-2\" \"3\" <\\BESCHLEUNIGUNG>");
  // A list short of four values keeps every default.
  EXPECT_EQ(pack.GetThrust()[0], -250.0f);
  EXPECT_EQ(pack.GetThrust()[1], -500.0f);
  EXPECT_EQ(pack.GetThrust()[3], 250.0f);
  ASSERT_EQ(Fire({1.0f, 0.0f}), 1);
  Frames(10);
  globals->busyTime = 0.0;
  pack.OnAction();
  EXPECT_FALSE(pack.IsActive());
  EXPECT_EQ(globals->busyTime, 0.5);
  EXPECT_NE(shooter->GetMoveState(), Person::kJetpack);
}

// ---- Placer ----------------------------------------------------------------------------------

class PlacerTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    frames = std::make_unique<FrameAnimations>(globals->GetAnimationManager());
    // A solid 10 x 4 bar.
    auto bar = std::make_shared<platform::Texture>(10, 4);
    for (int i = 0; i < 40; ++i) bar->MutablePixels()[i] = 0xFF00FF00;
    frames->Add(u"BAR", bar);
  }
  void TearDown() override {
    DeviceTest::TearDown();
    frames.reset();
  }
  std::unique_ptr<FrameAnimations> frames;
};

TEST_F(PlacerTest, PreviewTurnsRedOverTheTerrainAndTheClickStampsThePicture) {
  auto& placer = Make<Objekteinfuegen>(
      u"OBJEKTE_EINF\u00DCGEN",
      u"<ANIMATIONEN> \"BAR\" \"NOTHING\" \"BAR\" <\\ANIMATIONEN> <SCALEING> \"1\" \"3\" "
      u"<\\SCALEING> <CHECK_COLL> \"1\" <\\CHECK_COLL>");
  EXPECT_EQ(placer.GetPictureCount(), 2u) << "unknown names are skipped";
  EXPECT_EQ(placer.GetScale(), 1.0);
  ASSERT_EQ(Fire({1.0f, 0.0f}), 1);
  EXPECT_EQ(placer.GetUsesThisTurn(), 0) << "counted when stamped";
  globals->cursorPoint = Vector2(100.0f, 100.0f);
  Frame();
  EXPECT_EQ(placer.GetPreviewColour(), Objekteinfuegen::kClear);
  EXPECT_EQ(globals->busyTime, 2.0) << "the turn waits while placing";
  // Touching the ground (row 150) by a row.
  globals->cursorPoint = Vector2(100.0f, 149.0f);
  Frame();
  EXPECT_EQ(placer.GetPreviewColour(), Objekteinfuegen::kOverlap);
  // Doubled in size it reaches the ground from two rows higher.
  globals->cursorPoint = Vector2(100.0f, 147.0f);
  Frame();
  EXPECT_EQ(placer.GetPreviewColour(), Objekteinfuegen::kClear);
  for (int i = 0; i < 100; ++i) placer.OnUp(0.01);
  EXPECT_NEAR(placer.GetScale(), 2.0, 1e-9);
  Frame();
  EXPECT_EQ(placer.GetPreviewColour(), Objekteinfuegen::kOverlap);
  for (int i = 0; i < 100; ++i) placer.OnDown(0.01);
  EXPECT_EQ(placer.GetScale(), 1.0) << "not below the smallest";

  // Stamped at (60, 50): a 10 x 4 bar from (55, 48) to (64, 51).
  globals->cursorPoint = Vector2(60.0f, 50.0f);
  placer.OnPlace(0.01);
  EXPECT_FALSE(placer.IsActive());
  EXPECT_EQ(placer.GetUsesThisTurn(), 1);
  for (int y = 45; y < 55; ++y)
    for (int x = 52; x < 68; ++x) {
      const bool inside = x >= 55 && x < 65 && y >= 48 && y < 52;
      EXPECT_EQ(Pixel(x, y) >> 24, inside ? 0xFFu : 0u) << x << "," << y;
    }
  // Held, the button stamps once.
  globals->cursorPoint = Vector2(60.0f, 80.0f);
  placer.OnPlace(0.01);
  EXPECT_EQ(Pixel(60, 80) >> 24, 0u);
}

TEST_F(PlacerTest, KeysTurnScaleAndCycleThePictures) {
  auto& placer =
      Make<Objekteinfuegen>(u"OBJEKTE_EINF\u00DCGEN",
                            u"<ANIMATIONEN> \"BAR\" \"BAR\" \"BAR\" <\\ANIMATIONEN> <SCALEING> \"1.0\" "
                            u"<\\SCALEING> <ROTATION_STEP> \"5\" <\\ROTATION_STEP>");
  ASSERT_EQ(Fire({1.0f, 0.0f}), 1);
  // A second of the rotate key: ten steps; and as long back.
  for (int i = 0; i < 100; ++i) placer.OnLeft(0.01);
  EXPECT_EQ(placer.GetRotation(), 50.0);
  for (int i = 0; i < 100; ++i) placer.OnRight(0.01);
  EXPECT_EQ(placer.GetRotation(), 0.0);
  // One SCALEING value fixes the scale.
  placer.OnUp(1.0);
  EXPECT_EQ(placer.GetScale(), 1.0);
  for (int expected : {1, 2, 0, 1}) {
    placer.OnAction();
    EXPECT_EQ(placer.GetSelected(), expected);
  }
  // Without CHECK_COLL the preview stays white even inside the ground.
  globals->cursorPoint = Vector2(100.0f, 170.0f);
  Frame();
  EXPECT_EQ(placer.GetPreviewColour(), Objekteinfuegen::kClear);
  placer.Cancel();
  EXPECT_FALSE(placer.IsActive());
}

TEST_F(PlacerTest, PlacerWithoutPicturesCannotBeFired) {
  auto& placer =
      Make<Objekteinfuegen>(u"OBJEKTE_EINF\u00DCGEN", u"<ANIMATIONEN> \"NOTHING\" <\\ANIMATIONEN>");
  EXPECT_FALSE(placer.FireTest(*shooter));
  EXPECT_EQ(Fire({1.0f, 0.0f}), 0);
  placer.OnAction();
  placer.OnPlace(0.01);
  Frame();
  EXPECT_FALSE(placer.IsActive());
}

}  // namespace
