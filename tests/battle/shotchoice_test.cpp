// The computer opponent's shots over drawn worlds: the ballistic search finds the one
// angle that clears a wall, a team mate in the way spoils a flight, straight shots stop at
// terrain and at the end of their shell's life, shots at the feet go off at the shooter,
// and the angles and pulls that have no flight are skipped rather than computed; flights
// end where a plain segment-by-segment trace ends them.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "battle/shotchoice.h"
#include "battle/terrainsnapshot.h"

namespace {

// 400 x 120: ground from row 100, a wall 60 high at x = 198 .. 201.
TerrainSnapshot Field(bool wall) {
  static std::vector<std::string> rows;
  rows.assign(120, std::string(400, '.'));
  for (int y = 100; y < 120; ++y) rows[size_t(y)] = std::string(400, '#');
  if (wall)
    for (int y = 40; y < 100; ++y)
      for (int x = 198; x < 202; ++x) rows[size_t(y)][size_t(x)] = '#';
  std::vector<const char*> p;
  for (auto& r : rows) p.push_back(r.c_str());
  return TerrainSnapshot::FromRows(p);
}

ShotWorm At(float x, bool enemy, bool shooter = false) {
  ShotWorm w;
  w.position = Vector2(x, 99.0f);
  // The muzzle at the height of the feet, so the target is level with it.
  w.shotPosition = Vector2(x, 99.0f);
  w.centre = Vector2(x, 90.0f);
  w.radius = 10.0;
  w.enemy = enemy;
  w.shooter = shooter;
  return w;
}

ShotSetup Duel(std::array<double, 3> angles) {
  ShotSetup s;
  s.worms = {At(50.0f, false, true), At(350.0f, true)};
  s.shooter = 0;
  ShotWeapon bazooka;
  bazooka.kind = ShotKind::kBallistic;
  bazooka.speed = 500.0;
  s.weapons = {bazooka};
  s.angles = angles;
  s.gravity = 100.0;
  return s;
}

TEST(ShotChoice, BallisticSearchFindsTheAngleThatClearsTheWall) {
  // Level ground 300 pixels across: the top of the arc at angle a is 75 tan a high, so 40
  // degrees is the first of 10, 20, ... to clear a wall 60 high; it needs sqrt(g dx /
  // sin 2a) of speed, and the search stops there with a hit.
  TerrainSnapshot terrain = Field(true);
  ShotSetup s = Duel({10.0, 80.0, 10.0});
  ShotStats stats;
  auto out = EvaluateShots(terrain, s, nullptr, &stats);
  ASSERT_EQ(out.size(), 1u);
  const ShotCandidate& c = out[0];
  EXPECT_EQ(c.target, 1);
  EXPECT_DOUBLE_EQ(c.angle, 40.0);
  EXPECT_EQ(c.error, 0.0);
  EXPECT_TRUE(c.facingRight);
  const double v = std::sqrt(100.0 * 300.0 / std::sin(80.0 * 0.01745329238474369));
  EXPECT_NEAR(c.strength, v / 500.0, 1e-6);
  EXPECT_NEAR(c.setting, 2.0 * std::sin(40.0 * 0.01745329238474369) * v / 100.0, 1e-6);
  EXPECT_EQ(stats.flights, 4);
  // Without the wall the first angle already hits.
  TerrainSnapshot open = Field(false);
  out = EvaluateShots(open, s);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_DOUBLE_EQ(out[0].angle, 10.0);
}

TEST(ShotChoice, ATeamMateInTheWayGivesTheWorstError) {
  TerrainSnapshot terrain = Field(false);
  ShotSetup s = Duel({10.0, 10.0, 1.0});
  s.worms.push_back(At(200.0f, false));
  s.worms.back().centre = Vector2(200.0f, 99.0f - 20.0f);  // under the low arc (top 26 high)
  s.worms.back().radius = 15.0;
  auto out = EvaluateShots(terrain, s);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_NEAR(out[0].error, 300.0, 1e-3);
  EXPECT_EQ(out[0].impact, s.worms[0].shotPosition);
}

TEST(ShotChoice, StraightShotsStopAtTerrainAndAtTheEndOfTheirLife) {
  TerrainSnapshot terrain = Field(true);
  ShotSetup s = Duel({10.0, 80.0, 10.0});
  s.weapons[0].kind = ShotKind::kStraight;
  s.weapons[0].speed = 1500.0;
  auto out = EvaluateShots(terrain, s);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].impact.x, 198.0f);  // the wall's face
  EXPECT_NEAR(out[0].error, 152.0, 1e-3);
  EXPECT_NEAR(out[0].setting, 300.0 / 1500.0, 1e-9);
  EXPECT_NEAR(out[0].angle, 0.0, 1e-9);

  TerrainSnapshot open = Field(false);
  s.weapons[0].life = 0.1;  // 150 pixels of flight
  out = EvaluateShots(open, s);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_NEAR(out[0].error, 150.0, 1e-3);
  EXPECT_NEAR(out[0].impact.x, 200.0f, 1e-3);
}

TEST(ShotChoice, ShotsAtTheFeetGoOffAtTheShooter) {
  TerrainSnapshot terrain = Field(false);
  ShotSetup s = Duel({10.0, 80.0, 10.0});
  s.weapons[0].kind = ShotKind::kAtFeet;
  s.aimAngle = -30.0;
  auto out = EvaluateShots(terrain, s);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].impact, s.worms[0].position);
  EXPECT_EQ(out[0].aimPoint, s.worms[1].position);
  EXPECT_TRUE(out[0].facingRight);
  EXPECT_EQ(out[0].strength, 0.5);
  EXPECT_EQ(out[0].angle, 30.0);
  // Kinds the computer does not aim give nothing.
  s.weapons[0].kind = 3;
  EXPECT_TRUE(EvaluateShots(terrain, s).empty());
}

TEST(ShotChoice, AnglesAndPullsWithoutAFlightAreSkipped) {
  TerrainSnapshot terrain = Field(false);
  const struct {
    std::array<double, 3> angles;
    double gravity;
    double speed;
  } cases[] = {
      {{-90.0, 90.0, 90.0}, 100.0, 500.0},  // straight down, level, straight up
      {{-90.0, 90.0, 90.0}, 0.0, 500.0},    // no pull
      {{-80.0, 80.0, 20.0}, 100.0, 0.0},    // no launch speed
      {{-90.0, -90.0, 0.0}, 100.0, 500.0},  // a step of nothing tries one angle
  };
  for (const auto& c : cases) {
    ShotSetup s = Duel(c.angles);
    s.gravity = c.gravity;
    s.weapons[0].speed = c.speed;
    auto out = EvaluateShots(terrain, s);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(std::isfinite(out[0].strength));
    EXPECT_TRUE(std::isfinite(out[0].error));
    EXPECT_TRUE(std::isfinite(out[0].impact.x) && std::isfinite(out[0].impact.y));
  }
  ShotCandidate c;
  c.to = Vector2(100.0f, 0.0f);
  ShotWeapon w;
  w.speed = 500.0;
  for (double a : {90.0, -90.0, 89.99999}) {
    c.angle = a;
    EXPECT_FALSE(SolveBallistic(c, w, 100.0)) << a;
  }
  c.angle = 45.0;
  EXPECT_FALSE(SolveBallistic(c, w, 0.0));
}

TEST(ShotChoice, SettingsPickTheirNumberKey) {
  const struct {
    double setting;
    int32_t action;
  } cases[] = {{3.2, 14}, {0.4, 12}, {-5.0, 12}, {1.5, 13}, {10.0, 21}, {1e300, 21}, {NAN, 12}};
  for (const auto& c : cases) EXPECT_EQ(SettingAction(c.setting), c.action) << c.setting;
}

}  // namespace

namespace {

// The flight as a plain walk: every step's segment traced in full by the snapshot.
Vector2 PlainImpact(const ShotCandidate& c, const ShotWeapon& weapon, double gravity, const TerrainSnapshot& terrain) {
  const double g = gravity * weapon.gravityFactor, a = c.angle * 0.01745329238474369, v = weapon.speed * c.strength;
  const double cs = std::cos(a), t = std::tan(a), k = g / (2.0 * v * v * cs * cs);
  const double dx = std::fabs(double(c.to.x) - c.from.x);
  const float sx = c.facingRight ? 1.0f : -1.0f, bottom = float(terrain.GetRect().bottom) + 1.0f;
  Vector2 previous = c.from, point = c.from;
  for (int64_t i = 1; double(i) < dx; ++i) {
    const double di = double(i);
    point = Vector2(c.from.x + sx * float(di), float(double(c.from.y) - (di * t - k * di * di)));
    if (!(point.y < bottom)) return previous;
    Vector2 hit;
    if (i >= 3 && terrain.TraceSegment(previous, point, &hit)) return hit;
    previous = point;
  }
  return point;
}

}  // namespace

TEST(ShotChoice, FlightsEndWhereAPlainTraceOfEachStepEndsThem) {
  // Hills, floating rocks and single pixels on a world left of and above the origin, so
  // flights start near its edges, cross them, leave over its top and sides and graze
  // pixels at the ends of their steps.
  std::mt19937 rng(5);
  const int w = 360, h = 200;
  std::vector<std::string> art(size_t(h), std::string(size_t(w), '.'));
  for (int x = 0; x < w; ++x) {
    const int top = 150 + int(20.0 * std::sin(x * 0.06) + 8.0 * std::sin(x * 0.31));
    for (int y = top; y < h; ++y) art[size_t(y)][size_t(x)] = '#';
  }
  for (int r = 0; r < 40; ++r) {
    const int x0 = int(rng() % unsigned(w)), y0 = int(rng() % 140u), len = 1 + int(rng() % 12);
    for (int x = x0; x < std::min(w, x0 + len); ++x) art[size_t(y0)][size_t(x)] = '#';
  }
  for (int x = 0; x < w; x += 7) art[0][size_t(x)] = '#';
  std::vector<const char*> rows;
  for (auto& r : art) rows.push_back(r.c_str());
  const auto terrain = TerrainSnapshot::FromRows(rows, -200, -120);
  ShotSetup setup;  // nobody to hit: only the ground ends a flight
  const float starts[][2] = {{-198.5f, -30.25f}, {-20.7f, -119.5f}, {0.5f, 10.0f}, {158.9f, -60.0f}, {40.0f, -121.0f}};
  int compared = 0, landed = 0;
  for (const auto& start : starts)
    for (const bool right : {true, false})
      for (double angle = -85.0; angle <= 85.0; angle += 3.7)
        for (const double strength : {0.15, 0.4, 0.9}) {
          ShotWeapon weapon;
          weapon.speed = 400.0;
          ShotCandidate c;
          c.from = Vector2(start[0], start[1]);
          c.to = Vector2(right ? 400.0f : -400.0f, 0.0f);
          c.facingRight = right;
          c.angle = angle;
          c.strength = strength;
          SimulateFlight(c, weapon, 100.0, terrain, setup);
          const Vector2 expected = PlainImpact(c, weapon, 100.0, terrain);
          ASSERT_EQ(c.impact.x, expected.x) << start[0] << "," << start[1] << " " << angle << " " << strength;
          ASSERT_EQ(c.impact.y, expected.y) << start[0] << "," << start[1] << " " << angle << " " << strength;
          ++compared;
          landed += terrain.IsSolid(int64_t(expected.x), int64_t(expected.y));
        }
  EXPECT_GT(landed, compared / 3);
}

namespace {

// The flight as a plain walk that also asks every body but the shooter's at every step.
ShotCandidate PlainFlight(ShotCandidate c, const ShotWeapon& weapon, double gravity, const TerrainSnapshot& terrain,
                          const ShotSetup& setup) {
  const double g = gravity * weapon.gravityFactor, a = c.angle * 0.01745329238474369, v = weapon.speed * c.strength;
  const double cs = std::cos(a), t = std::tan(a), k = g / (2.0 * v * v * cs * cs);
  const double dx = std::fabs(double(c.to.x) - c.from.x);
  const float sx = c.facingRight ? 1.0f : -1.0f, bottom = float(terrain.GetRect().bottom) + 1.0f;
  auto distance = [](const Vector2& p, const Vector2& q) { return std::hypot(double(p.x) - q.x, double(p.y) - q.y); };
  Vector2 previous = c.from, point = c.from;
  for (int64_t i = 1; double(i) < dx; ++i) {
    const double di = double(i);
    point = Vector2(c.from.x + sx * float(di), float(double(c.from.y) - (di * t - k * di * di)));
    if (!(point.y < bottom)) {
      point = previous;
      break;
    }
    Vector2 hit;
    if (i >= 3 && terrain.TraceSegment(previous, point, &hit)) {
      c.error = distance(c.to, hit);
      c.impact = hit;
      return c;
    }
    for (const ShotWorm& w : setup.worms) {
      if (w.shooter || !w.Contains(point)) continue;
      c.error = w.enemy ? 0.0 : distance(c.to, c.from);
      c.impact = w.enemy ? c.to : c.from;
      return c;
    }
    previous = point;
  }
  c.error = distance(c.to, point);
  c.impact = point;
  return c;
}

}  // namespace

TEST(ShotChoice, FlightsMeetTheBodiesAPlainLookAtEveryStepMeets) {
  // Bodies of every size, enemies and friends, beside, on and across the flights, some
  // far from the origin where floats are coarse, with a shooter whose body the flight
  // starts in: a flight ends at the first body in order that holds a step's point, as
  // when every body is asked at every step.
  std::mt19937 rng(17);
  // Open air down to a floor well below the flights.
  std::vector<std::string> art(500, std::string(300, '.'));
  for (int y = 480; y < 500; ++y) art[size_t(y)] = std::string(300, '#');
  std::vector<const char*> rows;
  for (auto& r : art) rows.push_back(r.c_str());
  int hitBody = 0, compared = 0;
  for (const float origin : {0.0f, 40000.5f, -3.0e6f}) {
    const auto terrain = TerrainSnapshot::FromRows(rows, int32_t(origin) - 150, -400);
    for (int round = 0; round < 300; ++round) {
      ShotSetup setup;
      const Vector2 from(origin + float(int(rng() % 40u)) - 20.0f, -100.0f - float(rng() % 100u));
      ShotWorm shooter;
      shooter.centre = from;
      shooter.radius = 8.0;
      shooter.shooter = true;
      ShotWeapon weapon;
      weapon.speed = 300.0;
      ShotCandidate c;
      c.from = from;
      c.facingRight = rng() % 2 == 0;
      c.to = Vector2(from.x + (c.facingRight ? 250.0f : -250.0f), from.y);
      c.angle = -60.0 + double(rng() % 1400u) / 10.0;
      c.strength = 0.2 + double(rng() % 80u) / 100.0;
      const int count = 1 + int(rng() % 6);
      for (int k = 0; k < count; ++k) {
        ShotWorm w;
        const double radii[] = {0.3, 1.0, 6.5, 12.0, 40.0};
        w.radius = radii[rng() % 5];
        w.enemy = rng() % 2 == 0;
        if (rng() % 2) {
          w.centre = Vector2(from.x + float(int(rng() % 400u)) - 200.0f, from.y + float(int(rng() % 200u)) - 150.0f);
        } else {
          // Level with the flight where it passes, so the flight comes in from the side just
          // at the step its point comes within the radius across.
          const double a = c.angle * 0.01745329238474369, v = weapon.speed * c.strength, cs = std::cos(a);
          const double di = double(3 + rng() % 200u), k2 = 100.0 / (2.0 * v * v * cs * cs);
          const float sx = c.facingRight ? 1.0f : -1.0f;
          const float y = float(double(from.y) - (di * std::tan(a) - k2 * di * di));
          const float edge = float(w.radius) * (rng() % 2 ? 0.999f : 1.0f) - float(rng() % 3u) * 0.25f;
          w.centre = Vector2(from.x + sx * float(di) + sx * edge, y);
        }
        setup.worms.push_back(w);
      }
      setup.worms.insert(setup.worms.begin() + std::ptrdiff_t(rng() % (setup.worms.size() + 1)), shooter);
      const ShotCandidate expected = PlainFlight(c, weapon, 100.0, terrain, setup);
      SimulateFlight(c, weapon, 100.0, terrain, setup);
      ASSERT_EQ(c.impact.x, expected.impact.x) << origin << " round " << round;
      ASSERT_EQ(c.impact.y, expected.impact.y) << origin << " round " << round;
      ASSERT_EQ(c.error, expected.error) << origin << " round " << round;
      hitBody += (c.impact.x == c.to.x && c.impact.y == c.to.y) || (c.impact.x == c.from.x && c.impact.y == c.from.y);
      ++compared;
    }
  }
  EXPECT_GT(hitBody, compared / 5);
}
