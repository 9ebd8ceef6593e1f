// The teams of a game: the turn order of teams and worms, the round count, the living
// counts and the statistics' roll-up.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "objects/worm_fixture.h"

namespace {

using worm_test::WormWorld;

// Into a list of one the new element always goes last; into a list of three it lands
// first, second or last under any seed, never third.
TEST(RandomInsert, NeverLandsDirectlyBeforeTheLastElement) {
  std::srand(19);
  std::set<size_t> places;
  for (int i = 0; i < 300; ++i) {
    std::vector<int> one{1};
    EXPECT_EQ(RandomInsert(one, 2), 1u);
    EXPECT_EQ(one, (std::vector<int>{1, 2}));
    std::vector<int> three{1, 2, 3};
    const size_t at = RandomInsert(three, 9);
    EXPECT_EQ(three[at], 9);
    places.insert(at);
  }
  EXPECT_EQ(places, (std::set<size_t>{0, 1, 3}));
}

class GameTeams : public WormWorld {
 protected:
  // A team of n worms standing at x = 20, 40, ...
  Mannschaft* TeamOf(int32_t id, int n) {
    Mannschaft* team = Team(id, 0xFF000000u | uint32_t(id));
    for (int i = 0; i < n; ++i) owned.push_back(Make(20.0f * float(i + 1), team));
    return team;
  }
  std::vector<std::unique_ptr<Worm>> owned;
};

TEST_F(GameTeams, WormsArePlacedOnceFixedPositionsFirstFromTheBack) {
  // Worms start well above the water: a taller world, ground from row 250 of 600.
  const Rect rect{0, 0, 400, 600};
  std::vector<std::string> art(600, std::string(400, '.'));
  for (int y = 250; y < 600; ++y) art[size_t(y)] = std::string(400, '#');
  Welt tall(&rect);
  tall.SetGameLayers(terrain_test::ArtStore(art), 0, 0.0f, 0.0f, 0xFFFFFFFF);
  Welt* world = &tall;
  std::srand(7);
  Mannschaft* team = TeamOf(1, 3);
  team->ResetForGame();
  ASSERT_TRUE(team->AddOneWormToPlayOrder(Vector2(150.0f, 20.0f), world));
  ASSERT_EQ(team->PlayOrder().size(), 1u);
  EXPECT_EQ(team->PlayOrder()[0], team->GetWorm(2));
  EXPECT_NEAR(team->GetWorm(2)->GetPosition()->x, 150.0f, 1.0f);
  // More asked for than are free: all free ones, none twice.
  EXPECT_EQ(team->AddWormsToPlayOrder(5, world), 2);
  EXPECT_EQ(team->PlayOrder().size(), 3u);
  EXPECT_FALSE(team->AddWormToPlayOrder(team->GetWorm(0), world, nullptr));
  for (Worm* w : team->PlayOrder()) {
    EXPECT_DOUBLE_EQ(w->GetHealth(), 100.0);
    EXPECT_NEAR(w->GetPosition()->y, 248.0f, 1.0f);
  }
  EXPECT_DOUBLE_EQ(team->TotalHealth(), 300.0);
}

TEST_F(GameTeams, TurnsSkipTheLifelessAndCountRounds) {
  Mannschaft* a = TeamOf(1, 2);
  Mannschaft* b = TeamOf(2, 1);
  Manager().ClearSelection();
  for (Mannschaft* t : {a, b}) {
    t->ResetForGame();
    t->AddWormsToPlayOrder(6, world.get());
    Manager().AddTeamToGame(t);
  }
  Manager().BeginGame();
  EXPECT_EQ(Manager().GetRoundNumber(), 0u);
  EXPECT_EQ(Manager().CountLivingTeams(), 2);
  Mannschaft* first = Manager().NextTeam();
  Mannschaft* second = Manager().NextTeam();
  EXPECT_NE(first, second);
  EXPECT_EQ(Manager().GetRoundNumber(), 0u);
  Manager().NextTeam();
  EXPECT_EQ(Manager().GetRoundNumber(), 1u);

  // B wiped out: every turn goes round B to A, counting both steps.
  b->PlayOrder()[0]->SetHealth(0.0);
  EXPECT_EQ(Manager().CountLivingTeams(), 1);
  EXPECT_EQ(Manager().NextTeam(), a);
  const uint32_t round = Manager().GetRoundNumber();
  // From A round the dead B back to A: two turns, one round, every time.
  for (uint32_t i = 1; i <= 3; ++i) {
    EXPECT_EQ(Manager().NextTeam(), a);
    EXPECT_EQ(Manager().GetRoundNumber(), round + i);
  }
  EXPECT_EQ(Manager().GetCurrentTeam(), a);

  // The dead worm of A is passed over.
  Worm* dead = a->NextWorm();
  Worm* alive = a->NextWorm();
  ASSERT_NE(dead, alive);
  dead->SetHealth(0.0);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(a->NextWorm(), alive);
  EXPECT_EQ(a->CountLivingWorms(), 1);
  EXPECT_DOUBLE_EQ(a->TotalHealth(), 100.0);
  alive->SetHealth(0.0);
  // With no one alive the front team still answers.
  EXPECT_NE(Manager().NextTeam(), nullptr);
  EXPECT_EQ(Manager().CountLivingTeams(), 0);
}

TEST_F(GameTeams, StatisticsRollUpFromRoundToGameToTotal) {
  Mannschaft* a = TeamOf(1, 1);
  a->ResetForGame();
  a->AddWormsToPlayOrder(1, world.get());
  Manager().AddTeamToGame(a);
  WormEigenschaften& s = a->GetWorm(0)->GetEigenschaften();
  s.damageDealt[WormEigenschaften::kRound] = 30.0;
  Manager().EndRound();
  EXPECT_DOUBLE_EQ(s.damageDealt[WormEigenschaften::kGame], 30.0);
  EXPECT_DOUBLE_EQ(s.damageDealt[0], 0.0);
  Manager().ResetRoundStatistics();
  s.damageDealt[WormEigenschaften::kRound] = 12.0;
  a->winsThisGame = 2;
  a->lossesThisGame = 1;
  Manager().EndGame();
  EXPECT_DOUBLE_EQ(s.damageDealt[0], 42.0);
  EXPECT_EQ(a->wins, 2);
  EXPECT_EQ(a->losses, 1);
  Manager().ResetGameStatistics();
  EXPECT_DOUBLE_EQ(s.damageDealt[WormEigenschaften::kGame], 0.0);
  EXPECT_EQ(a->winsThisGame, 0);
  EXPECT_DOUBLE_EQ(s.damageDealt[0], 42.0);
}

// The bars: each glides to its team's row, its value to the team's health; the team at turn
// counts its time while the round runs.
TEST_F(GameTeams, BarsFollowTheTeamsHealthAndTheTeamAtTurnCountsItsTime) {
  Mannschaft* a = TeamOf(1, 2);
  Mannschaft* b = TeamOf(2, 1);
  Manager().ClearSelection();
  for (Mannschaft* t : {a, b}) {
    t->ResetForGame();
    t->AddWormsToPlayOrder(6, world.get());
    Manager().AddTeamToGame(t);
  }
  Manager().BeginGame();
  ASSERT_EQ(Manager().GetBarList().size(), 2u);
  EXPECT_DOUBLE_EQ(Manager().GetMaxTeamValue(), 200.0);
  EXPECT_DOUBLE_EQ(a->Bar().GetRecorded(), 200.0);
  Mannschaft* first = Manager().NextTeam();
  EXPECT_EQ(Manager().GetBarList()[0], &first->Bar());
  a->PlayOrder()[0]->SetHealth(40.0);
  for (int i = 0; i < 100; ++i) Manager().Update(true, 0.01, 0.01);
  EXPECT_DOUBLE_EQ(a->Bar().GetCurrentValue(), 140.0);
  EXPECT_DOUBLE_EQ(a->Bar().GetRecorded(), 200.0);
  EXPECT_NEAR(first->time, 1.0, 1e-9);
  EXPECT_NEAR(Manager().GetBarList()[1]->GetPosition(), 1.0, 1e-6);
  Manager().Update(false, 0.01, 0.01);
  EXPECT_NEAR(first->time, 1.0, 1e-9);
}

}  // namespace
