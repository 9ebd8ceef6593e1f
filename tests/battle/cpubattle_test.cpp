// Computer opponents in whole battles on the shipped content: each strength plays its
// battle to a winner and the same seed plays it the same way again; with the planner on
// its own thread, a turn that runs out while the computer thinks and a battle torn down
// while it thinks both stop and join the plan, and no planner thread outlives a battle.
#include <gtest/gtest.h>

#include "battle/cpusteuerung.h"
#include "battle/headlessbattle.h"
#include "battle/routeplanner.h"
#include "battle/steuerungliste.h"
#include "engine/myglobals.h"
#include "platform/text.h"
#include "support/user_folder.h"

namespace {

HeadlessBattleConfig Computers(const char16_t* strength, uint32_t seed, int32_t worms = 2) {
  HeadlessBattleConfig c;
  c.level = u"mainmenu.lvl";
  c.seed = seed;
  c.wormsPerTeam = worms;
  HeadlessBattleConfig::Team team;
  team.control = HeadlessBattleConfig::Control::kComputer;
  team.strength = strength;
  c.teams = {team, team};
  return c;
}

CPUSteuerung* Control(HeadlessBattle& battle, const char16_t* name) {
  return dynamic_cast<CPUSteuerung*>(battle.Globals().GetSteuerungListe()->FindByName(name));
}

class CpuBattle : public ::testing::Test {
 protected:
  UserFolder folder;
};

TEST_F(CpuBattle, EachStrengthPlaysToAWinnerAndTheSameSeedPlaysTheSameBattle) {
  for (const char16_t* strength : {u"CPU_LEICHT", u"CPU_MITTEL", u"CPU_SCHWER"}) {
    SCOPED_TRACE(platform::U16ToUtf8(strength));
    HeadlessBattleResult first;
    for (int run = 0; run < 2; ++run) {
      HeadlessBattle battle(Computers(strength, 7));
      const HeadlessBattleResult r = battle.Run();
      ASSERT_TRUE(r.started) << platform::U16ToUtf8(r.error);
      EXPECT_TRUE(r.decided) << r.cappedBy;
      EXPECT_FALSE(r.draw);
      EXPECT_GE(r.winner, 0);
      if (run == 0) {
        first = r;
      } else {
        EXPECT_EQ(r.hash, first.hash);
        EXPECT_EQ(r.frames, first.frames);
        EXPECT_EQ(r.healths, first.healths);
      }
    }
    EXPECT_EQ(RoutePlanner::LiveThreads(), 0);
  }
}

TEST_F(CpuBattle, ATurnThatRunsOutWhileTheComputerThinksStopsThePlan) {
  // Half a second a turn: the headless frames run far faster than the planner thinks, so
  // turns end with a plan under way.
  HeadlessBattleConfig config = Computers(u"CPU_MITTEL", 3);
  config.threadedPlanner = true;
  config.roundTime = 0.5;
  config.maxTurns = 12;
  HeadlessBattle battle(config);
  ASSERT_TRUE(battle.Start()) << platform::U16ToUtf8(battle.Result().error);
  CPUSteuerung* cpu = Control(battle, u"CPU_MITTEL");
  ASSERT_NE(cpu, nullptr);
  int endedMidPlan = 0;
  int32_t turns = battle.GetLevel().GetTurnCount();
  bool planning = false;
  while (battle.Step()) {
    // One control, so one planner thread at most.
    ASSERT_LE(RoutePlanner::LiveThreads(), 1);
    if (battle.GetLevel().GetTurnCount() != turns) {
      turns = battle.GetLevel().GetTurnCount();
      endedMidPlan += planning;
    }
    planning = cpu->IsPlanning();
  }
  EXPECT_GT(endedMidPlan, 0);
  EXPECT_GE(battle.Result().turns, 12);
}

TEST_F(CpuBattle, ABattleTornDownWhileTheComputerThinksLeavesNoPlannerBehind) {
  // Seed 49 builds a world whose turned stamps once read one row past their tables (found
  // by the sanitizer runs of these battles).
  const struct {
    int frames;
    uint32_t seed;
  } cases[] = {{0, 0}, {1, 1}, {40, 49}};
  for (const auto& [frames, seed] : cases) {
    SCOPED_TRACE(frames);
    {
      HeadlessBattleConfig config = Computers(u"CPU_SCHWER", seed, 3);
      config.threadedPlanner = true;
      HeadlessBattle battle(config);
      ASSERT_TRUE(battle.Start());
      CPUSteuerung* cpu = Control(battle, u"CPU_SCHWER");
      ASSERT_NE(cpu, nullptr);
      int stepped = 0;
      while (stepped < frames && battle.Step()) ++stepped;
      // The first turn's route plan was asked for as the turn began; it may still be made.
      if (frames == 0) {
        EXPECT_TRUE(cpu->IsPlanning());
      }
    }
    EXPECT_EQ(RoutePlanner::LiveThreads(), 0);
  }
}

}  // namespace
