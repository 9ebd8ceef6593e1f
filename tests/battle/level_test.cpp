// The battle's turn cycle on the shipped content, played headless at 0.01 s a frame: whole
// battles checked by the harness, the fire key held by a script, a team wiped out in one
// turn, a draw, the booking, bad starts, and the same seed giving the same battle.
#include <gtest/gtest.h>

#include <cstring>

#include "battle/headlessbattle.h"
#include "battle/level.h"
#include "battle/waffe.h"
#include "engine/myglobals.h"
#include "objects/mannschaft.h"
#include "objects/worm.h"
#include "objects/wormmanager.h"
#include "platform/text.h"
#include "platform/workers.h"
#include "support/battle_harness.h"
#include "support/user_folder.h"
#include "world/welt.h"

namespace {

using Control = HeadlessBattleConfig::Control;

std::string U8(const std::u16string& s) { return platform::U16ToUtf8(s); }

HeadlessBattleConfig Config(const std::u16string& level, uint32_t seed, std::vector<HeadlessBattleConfig::Team> teams,
                            int32_t worms = 2) {
  HeadlessBattleConfig c;
  c.level = level;
  c.seed = seed;
  c.teams = std::move(teams);
  c.wormsPerTeam = worms;
  return c;
}

HeadlessBattleConfig::Team Cpu(const char16_t* strength) {
  HeadlessBattleConfig::Team t;
  t.control = Control::kComputer;
  t.strength = strength;
  return t;
}

HeadlessBattleConfig::Team Scripted(ScriptedSteuerung::Script script = nullptr) {
  HeadlessBattleConfig::Team t;
  t.control = Control::kScripted;
  t.script = std::move(script);
  return t;
}

HeadlessBattleConfig::Team Idle() {
  HeadlessBattleConfig::Team t;
  t.control = Control::kIdle;
  return t;
}

// Holds Space for `frames` frames from the first frame of each of its turns.
ScriptedSteuerung::Script HoldSpace(int64_t frames) {
  auto start = std::make_shared<int64_t>(-1);
  auto worm = std::make_shared<const Worm*>(nullptr);
  return [=](InputState& input, const Worm* w, int64_t frame) {
    std::memset(input.keyboard.keys, 0, sizeof input.keyboard.keys);
    if (w != *worm) {
      *worm = w;
      *start = frame;
    }
    if (w && frame - *start < frames) input.keyboard.keys[57] = 0x80;
  };
}

// Every worm of the team takes more damage than it has health at the end of the turn.
void Doom(Mannschaft& team) {
  for (Worm* w : team.PlayOrder()) w->SetPendingDamage(w->GetHealth() + 1000.0);
}

}  // namespace

class BattleTest : public ::testing::Test {
 protected:
  UserFolder folder;
};

TEST_F(BattleTest, WholeBattlesKeepEveryInvariantOnSeveralSeedsAndLevels) {
  struct Case {
    const char16_t* level;
    uint32_t seed;
    std::vector<HeadlessBattleConfig::Team> teams;
    int32_t worms;
    bool threaded = false;
  };
  const Case cases[] = {
      {u"mainmenu.lvl", 1, {Cpu(u"CPU_SCHWER"), Cpu(u"CPU_SCHWER")}, 2},
      {u"mainmenu.lvl", 7, {Cpu(u"CPU_MITTEL"), Scripted(), Cpu(u"CPU_SCHWER")}, 1},
      {u"kampagne\\level01.lvl", 3, {Scripted(), Cpu(u"CPU_SCHWER")}, 2},
      {u"kampagne\\level03.lvl", 9, {Cpu(u"CPU_SCHWER"), Scripted()}, 3},
      {u"rand_level.lvl", 4, {Scripted(), Scripted(), Scripted(), Scripted()}, 1},
      // The planner on its own thread: the battle differs from run to run, the rules do not.
      {u"mainmenu.lvl", 2, {Cpu(u"CPU_SCHWER"), Cpu(u"CPU_MITTEL")}, 2, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.level) + " seed " + std::to_string(c.seed));
    HeadlessBattleConfig config = Config(c.level, c.seed, c.teams, c.worms);
    config.threadedPlanner = c.threaded;
    if (c.threaded) config.maxTurns = 16;
    BattleHarness harness(config);
    harness.requireDecision = !c.threaded;
    const HeadlessBattleResult r = harness.Play();
    ASSERT_TRUE(r.started) << U8(r.error);
    EXPECT_TRUE(r.decided || c.threaded);
    EXPECT_EQ(harness.Report(), "");
    if (!c.threaded) EXPECT_GT(harness.Shots(), 0);
    EXPECT_GT(r.turns, 1);
  }
}

TEST_F(BattleTest, SpaceHeldOneSecondFiresAtHalfStrengthAndTwoSecondsFiresAtFullByItself) {
  for (const auto& [frames, strength] : {std::pair<int64_t, double>{100, 0.5}, {400, 1.0}}) {
    SCOPED_TRACE(frames);
    HeadlessBattle battle(Config(u"mainmenu.lvl", 5, {Scripted(HoldSpace(frames)), Idle()}, 1));
    ASSERT_TRUE(battle.Start());
    // The scripted team must be at turn first; else let the idle team's clock run out.
    Worm* shooter = nullptr;
    double charged = 0.0;
    int64_t heldFrames = 0, firedAt = -1;
    ScriptedSteuerung* control = battle.ScriptedControl(0);
    while (firedAt < 0 && battle.Step()) {
      Worm* active = battle.GetLevel().GetActiveWorm();
      if (active->GetControl() != control) continue;
      if (!shooter) shooter = active;
      if (control->Input().keyboard.keys[57]) ++heldFrames;
      if (shooter->GetStrength() > 0.0) charged = shooter->GetStrength();
      if (shooter->GetEigenschaften().weaponsUsed[WormEigenschaften::kRound] > 0) firedAt = heldFrames;
    }
    ASSERT_NE(shooter, nullptr);
    ASSERT_GE(firedAt, 0) << "no shot";
    EXPECT_NEAR(charged, strength, 0.011);
    if (strength == 1.0) {
      // Full after two seconds: the shot left while Space was still down.
      EXPECT_LE(firedAt, 215);
      EXPECT_GE(firedAt, 199);
    }
  }
}

TEST_F(BattleTest, ATeamWipedOutInATurnDecidesTheRoundAfterTheDeathsPlayedOneByOne) {
  HeadlessBattle battle(Config(u"mainmenu.lvl", 11, {Idle(), Idle()}, 2));
  ASSERT_TRUE(battle.Start());
  Level& level = battle.GetLevel();
  Mannschaft* atTurn = level.GetActiveTeam();
  Mannschaft* other = battle.Teams()[0] == atTurn ? battle.Teams()[1] : battle.Teams()[0];
  Doom(*other);
  level.SetTurnTimeLeft(0.5);
  std::vector<Worm*> dying(other->PlayOrder().begin(), other->PlayOrder().end());
  const int32_t turns = level.GetTurnCount();
  bool together = false, bothStarted[2] = {false, false};
  while (battle.Step()) {
    if (dying[0]->IsDeathStarted() && dying[1]->IsDeathStarted() && !dying[0]->IsDeathAnimationDone() &&
        !dying[1]->IsDeathAnimationDone())
      together = true;
    for (int i = 0; i < 2; ++i) bothStarted[i] = bothStarted[i] || dying[i]->IsDeathStarted();
  }
  EXPECT_TRUE(level.IsRoundDecided());
  EXPECT_EQ(level.GetTurnCount(), turns) << "no hand-over once the round is decided";
  EXPECT_EQ(level.GetProcessingCount(), 1) << "the end-of-turn processing runs once";
  EXPECT_TRUE(bothStarted[0] && bothStarted[1]);
  EXPECT_FALSE(together) << "two deaths played at once";
  const HeadlessBattleResult r = battle.Result();
  EXPECT_EQ(r.winner, battle.Teams()[0] == atTurn ? 0 : 1);
  level.UpdateRoundStatistics();
  EXPECT_FALSE(level.IsDraw());
  EXPECT_EQ(level.GetRanking().front(), atTurn);
  EXPECT_EQ(atTurn->winsThisGame, 1);
  EXPECT_EQ(other->lossesThisGame, 1);
  EXPECT_TRUE(level.IsGameWon());
  // A second booking changes nothing.
  level.UpdateRoundStatistics();
  EXPECT_EQ(atTurn->winsThisGame, 1);
  EXPECT_EQ(other->lossesThisGame, 1);
  EXPECT_EQ(level.GetRanking().size(), 2u);
  EXPECT_NE(level.BuildRoundEndHeadline().find(atTurn->GetName()), std::u16string::npos);
  EXPECT_NE(level.BuildGameEndHeadline().find(atTurn->GetName()), std::u16string::npos);
}

TEST_F(BattleTest, ADrawBooksALossToEveryTeamAndNoWinOrUnlock) {
  HeadlessBattle battle(Config(u"mainmenu.lvl", 12, {Scripted(HoldSpace(0)), Idle(), Idle()}, 1));
  ASSERT_TRUE(battle.Start());
  Level& level = battle.GetLevel();
  for (Mannschaft* team : battle.Teams()) Doom(*team);
  level.SetTurnTimeLeft(0.1);
  while (battle.Step()) {
  }
  ASSERT_TRUE(level.IsRoundDecided());
  const auto keys = battle.Globals().GetUnlocks().GetKeys();
  level.UpdateRoundStatistics();
  level.UpdateRoundStatistics();
  EXPECT_TRUE(level.IsDraw());
  EXPECT_FALSE(level.IsGameWon());
  for (Mannschaft* team : battle.Teams()) {
    EXPECT_EQ(team->winsThisGame, 0);
    EXPECT_EQ(team->lossesThisGame, 1);
  }
  EXPECT_EQ(battle.Globals().GetUnlocks().GetKeys(), keys);
  EXPECT_EQ(battle.Result().winner, -1);
  EXPECT_TRUE(battle.Result().draw);
}

TEST_F(BattleTest, ABattleThatCannotStartSaysWhy) {
  {
    HeadlessBattle battle(Config(u"mainmenu.lvl", 1, {Idle()}, 1));
    EXPECT_FALSE(battle.Start());
    EXPECT_NE(battle.Result().error.find(u"two teams"), std::u16string::npos) << U8(battle.Result().error);
  }
  {
    HeadlessBattle battle(Config(u"no_such_level.lvl", 1, {Idle(), Idle()}, 1));
    EXPECT_FALSE(battle.Start());
    EXPECT_FALSE(battle.Result().error.empty());
  }
  {
    // A world without ground has no place for any worm.
    HeadlessBattle battle(Config(u"mainmenu.lvl", 1, {Idle(), Idle()}, 1));
    ASSERT_TRUE(battle.Start());
    const Rect rect{0, 0, 400, 300};
    battle.Globals().SetWelt(std::make_unique<Welt>(&rect));
    std::vector<Level::TeamEntry> teams;
    for (Mannschaft* t : battle.Teams()) teams.push_back({t, u""});
    std::u16string error;
    EXPECT_FALSE(battle.GetLevel().PlaceTeams(teams, nullptr, true, &error));
    EXPECT_NE(error.find(u"no room"), std::u16string::npos) << U8(error);
  }
}

TEST_F(BattleTest, AWormThatLeavesTheWorldDiesAndEndsItsTurn) {
  HeadlessBattle battle(Config(u"mainmenu.lvl", 4, {Idle(), Idle()}, 2));
  ASSERT_TRUE(battle.Start());
  Worm* worm = battle.GetLevel().GetActiveWorm();
  const Rect r = battle.Globals().GetWelt()->GetWorldRect();
  *worm->GetPosition() = Vector2(float(r.left) - 500.0f, float(r.top) + 10.0f);
  worm->Command(Person::kFalling);
  const int32_t turns = battle.GetLevel().GetTurnCount();
  for (int i = 0; i < 600 && battle.GetLevel().GetTurnCount() == turns; ++i) battle.Step();
  EXPECT_TRUE(worm->IsDead());
  EXPECT_EQ(battle.GetLevel().GetTurnCount(), turns + 1) << "the turn passed without waiting for the clock";
}

TEST_F(BattleTest, TheSameSeedGivesTheSameBattleTwiceAndOnOneOrEightWorkers) {
  auto run = [](int workers) {
    platform::SetProcessorCountOverride(workers);
    HeadlessBattle battle(Config(u"mainmenu.lvl", 21, {Cpu(u"CPU_SCHWER"), Scripted()}, 2));
    const HeadlessBattleResult r = battle.Run();
    platform::SetProcessorCountOverride(0);
    return r;
  };
  const HeadlessBattleResult a = run(8), b = run(8), c = run(1);
  ASSERT_TRUE(a.started) << U8(a.error);
  EXPECT_TRUE(a.decided);
  EXPECT_EQ(a.hash, b.hash);
  EXPECT_EQ(a.hash, c.hash);
  EXPECT_EQ(a.turns, c.turns);
  EXPECT_EQ(a.frames, c.frames);
  EXPECT_EQ(a.healths, c.healths);
  EXPECT_EQ(a.ammunition, c.ammunition);
}

namespace {

// A living worm of the team not at turn.
Worm* OtherTeamsWorm(HeadlessBattle& battle, int skip = 0) {
  for (Mannschaft* team : battle.Teams())
    if (team != battle.GetLevel().GetActiveTeam())
      for (Worm* w : team->PlayOrder())
        if (!w->IsDead() && skip-- == 0) return w;
  return nullptr;
}

// Lifts the worm into the air, so it falls for a while.
void Lift(Worm& w) {
  *w.GetPosition() = *w.GetPosition() - Vector2(0.0f, 250.0f);
  w.Command(Person::kFalling);
}

}  // namespace

TEST_F(BattleTest, TheHoldStopsTheClockButNoLongerThanTwentySecondsInARow) {
  HeadlessBattle battle(Config(u"mainmenu.lvl", 3, {Idle(), Idle()}, 1));
  ASSERT_TRUE(battle.Start());
  Level& level = battle.GetLevel();
  MyGlobals& g = battle.Globals();
  for (int i = 0; i < 200; ++i) battle.Step();
  // A hold of a second stops the clock for that second.
  double clock = level.GetTurnTimeLeft();
  g.busyTime = 1.0;
  for (int i = 0; i < 99; ++i) battle.Step();
  EXPECT_EQ(level.GetTurnTimeLeft(), clock);
  for (int i = 0; i < 51; ++i) battle.Step();
  EXPECT_NEAR(level.GetTurnTimeLeft(), clock - 0.5, 0.011);
  // An object that never ends renews the hold every frame: the clock goes on after 20 s.
  clock = level.GetTurnTimeLeft();
  int frames = 0;
  for (; frames < 3000 && level.GetTurnTimeLeft() == clock; ++frames) {
    g.busyTime = 2.0;
    battle.Step();
  }
  EXPECT_NEAR(frames * HeadlessBattle::kFrameStep, Level::kMaxContinuousHold, 0.015);
  g.busyTime = 2.0;
  battle.Step();
  EXPECT_LT(level.GetTurnTimeLeft(), clock - 0.015) << "the capped hold keeps the clock running";
}

TEST_F(BattleTest, ADoneWormEndsItsTurnWhenEveryLivingWormStandsAndTheClockEndsItAtOnce) {
  HeadlessBattle battle(Config(u"mainmenu.lvl", 8, {Idle(), Idle()}, 3));
  ASSERT_TRUE(battle.Start());
  Level& level = battle.GetLevel();
  for (int i = 0; i < 200; ++i) battle.Step();
  int32_t turns = level.GetTurnCount();

  // The worm at turn is done, but another worm is still in the air: the turn waits for it.
  Worm* falling = OtherTeamsWorm(battle);
  ASSERT_NE(falling, nullptr);
  Lift(*falling);
  level.GetActiveWorm()->status = 1;
  battle.Step();
  EXPECT_FALSE(level.IsTurnLatched());
  int frames = 0;
  for (; frames < 1000 && level.GetTurnCount() == turns; ++frames) battle.Step();
  EXPECT_EQ(level.GetTurnCount(), turns + 1);
  EXPECT_TRUE(falling->IsAtRest()) << "the turn passed while a worm was still falling";
  EXPECT_GT(frames, 20) << "the fall took its time";

  // A corpse in the air does not hold the turn.
  for (int i = 0; i < 100; ++i) battle.Step();
  turns = level.GetTurnCount();
  Worm* corpse = OtherTeamsWorm(battle);
  ASSERT_NE(corpse, nullptr);
  corpse->SetHealth(0.0);
  ASSERT_TRUE(corpse->IsDead());
  Lift(*corpse);
  level.GetActiveWorm()->status = 1;
  for (int i = 0; i < 5; ++i) battle.Step();
  EXPECT_EQ(level.GetTurnCount(), turns + 1);

  // The clock running out ends the turn at once, with worms still moving.
  for (int i = 0; i < 1000 && (i < 100 || level.GetHoldTime() > 0.0); ++i) battle.Step();
  turns = level.GetTurnCount();
  Worm* mover = OtherTeamsWorm(battle);
  ASSERT_NE(mover, nullptr);
  Lift(*mover);
  level.SetTurnTimeLeft(0.015);
  for (int i = 0; i < 3; ++i) battle.Step();
  EXPECT_FALSE(mover->IsStanding());
  EXPECT_EQ(level.GetTurnCount(), turns + 1);
}

TEST_F(BattleTest, AGameOfTwoWinsPlaysASecondRoundWithTheSameTeamsPlacedAgain) {
  HeadlessBattle battle(Config(u"mainmenu.lvl", 13, {Idle(), Idle()}, 2));
  ASSERT_TRUE(battle.Start());
  Level& level = battle.GetLevel();
  level.SetWinsNeeded(2);
  Mannschaft* winner = level.GetActiveTeam();
  Mannschaft* loser = battle.Teams()[0] == winner ? battle.Teams()[1] : battle.Teams()[0];
  Doom(*loser);
  level.SetTurnTimeLeft(0.1);
  while (battle.Step()) {
  }
  ASSERT_TRUE(level.IsRoundDecided());
  level.UpdateRoundStatistics();
  EXPECT_FALSE(level.IsGameWon()) << "one win of two";
  level.EndRoundContinue();
  EXPECT_EQ(level.GetActiveWorm(), nullptr);
  EXPECT_FALSE(level.IsRoundDecided()) << "a round that ended is not decided again";

  // The next round: the same teams and worms, placed anew with their full health; the
  // game's wins stay, the round's statistics start again.
  std::vector<Level::TeamEntry> teams;
  for (Mannschaft* t : battle.Teams()) teams.push_back({t, u""});
  std::u16string error;
  ASSERT_TRUE(level.Start(*battle.GetLevelInfo(), 14, teams, false, &error)) << U8(error);
  EXPECT_FALSE(level.IsRoundDecided());
  EXPECT_TRUE(level.GetRanking().empty());
  EXPECT_EQ(winner->winsThisGame, 1);
  EXPECT_EQ(loser->lossesThisGame, 1);
  for (Mannschaft* t : battle.Teams()) {
    EXPECT_EQ(t->CountLivingWorms(), 2);
    for (Worm* w : t->PlayOrder()) EXPECT_EQ(w->GetEigenschaften().weaponsUsed[WormEigenschaften::kRound], 0);
  }
  ASSERT_NE(level.GetActiveWorm(), nullptr);
  // The same team wins again: the game is won, and its headline names it.
  Doom(*loser);
  level.SetTurnTimeLeft(0.1);
  for (int i = 0; i < 3000 && !(level.IsRoundDecided() && !level.AreDeathsPlaying()); ++i) level.Update(0.01, 0.01);
  ASSERT_TRUE(level.IsRoundDecided());
  level.UpdateRoundStatistics();
  EXPECT_TRUE(level.IsGameWon());
  EXPECT_NE(level.BuildGameEndHeadline().find(winner->GetName()), std::u16string::npos);
  const int32_t totalWins = winner->wins;
  level.EndRoundTeardown();
  EXPECT_EQ(winner->wins, totalWins + 2) << "the game's wins go into the team's totals";
}
