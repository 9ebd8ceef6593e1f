// The computer opponent's shots over drawn worlds: the ballistic search finds the one
// angle that clears a wall, a team mate in the way spoils a flight, straight shots stop at
// terrain and at the end of their shell's life, shots at the feet go off at the shooter,
// and the angles and pulls that have no flight are skipped rather than computed.
#include <gtest/gtest.h>

#include <cmath>
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
