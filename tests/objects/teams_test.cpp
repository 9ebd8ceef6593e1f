// The teams of a game: the turn order of teams and worms, the round count, the living
// counts and the statistics' roll-up.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "objects/worm_fixture.h"
#include "platform/random.h"

namespace {

using worm_test::WormWorld;

// Into a list of one the new element always goes last; into a list of three it lands
// first, second or last under any seed, never third.
TEST(RandomInsert, NeverLandsDirectlyBeforeTheLastElement) {
  platform::SRand(19);
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
  // A new game of these teams, every worm of them taking part.
  void Play(std::initializer_list<Mannschaft*> teams) {
    Manager().ClearSelection();
    for (Mannschaft* t : teams) {
      t->ResetForGame();
      t->AddWormsToPlayOrder(6, world.get());
      Manager().AddTeamToGame(t);
    }
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
  platform::SRand(7);
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

// Teams and worms join the game at random places by the game's generator: the same seed
// gives the same turn order, with each bar in its team's place, and the third of three lands
// first or last, never between the two before it.
TEST_F(GameTeams, TheTurnOrderFollowsTheSeedAndTheBiasedInsertion) {
  Mannschaft* a = TeamOf(1, 3);
  Mannschaft* b = TeamOf(2, 1);
  Mannschaft* c = TeamOf(3, 1);
  std::set<std::vector<Mannschaft*>> teamOrders;
  std::set<std::vector<Worm*>> wormOrders;
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    platform::SRand(seed);
    Play({a, b, c});
    const std::vector<Mannschaft*> teams = Manager().PlayingTeams();
    const std::vector<Worm*> worms = a->PlayOrder();
    ASSERT_EQ(Manager().GetBarList().size(), 3u);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(Manager().GetBarList()[i], &teams[i]->Bar()) << seed;
    platform::SRand(seed);
    Play({a, b, c});
    EXPECT_EQ(Manager().PlayingTeams(), teams) << seed;
    EXPECT_EQ(a->PlayOrder(), worms) << seed;
    teamOrders.insert(teams);
    wormOrders.insert(worms);
  }
  EXPECT_EQ(teamOrders, (std::set<std::vector<Mannschaft*>>{{a, b, c}, {c, a, b}}));
  Worm* w0 = a->GetWorm(0);
  Worm* w1 = a->GetWorm(1);
  Worm* w2 = a->GetWorm(2);
  EXPECT_EQ(wormOrders, (std::set<std::vector<Worm*>>{{w0, w1, w2}, {w2, w0, w1}}));
}

TEST_F(GameTeams, TurnsSkipTheLifelessAndCountRounds) {
  Mannschaft* a = TeamOf(1, 2);
  Mannschaft* b = TeamOf(2, 1);
  Play({a, b});
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
  Play({a, b});
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

// The worms a blast or a particle can touch: the living worms of the playing teams, the last
// team's first; none outside a game.
TEST_F(GameTeams, OnlyTheLivingWormsOfTheGameAreCollected) {
  Mannschaft* a = TeamOf(1, 2);
  Mannschaft* b = TeamOf(2, 1);
  Mannschaft* benched = TeamOf(3, 1);
  Play({a, b});
  benched->ResetForGame();
  benched->AddWormsToPlayOrder(6, world.get());
  Worm* dead = a->PlayOrder()[0];
  dead->SetHealth(0.0);

  std::vector<Objekt*> worms;
  Manager().CollectWorms(worms);
  const Mannschaft* last = Manager().PlayingTeams().back();
  ASSERT_EQ(worms.size(), 2u);
  EXPECT_EQ(static_cast<Worm*>(worms[0])->GetTeam(), last);
  EXPECT_NE(static_cast<Worm*>(worms[1])->GetTeam(), last);
  EXPECT_EQ(std::count(worms.begin(), worms.end(), dead), 0);
  EXPECT_EQ(std::count(worms.begin(), worms.end(), benched->GetWorm(0)), 0);

  Manager().ClearSelection();
  worms.clear();
  Manager().CollectWorms(worms);
  EXPECT_TRUE(worms.empty());
}

// Pass 0 draws the bodies (team layer, then the body), pass 1 the aim, which only the worm at
// turn has.
TEST_F(GameTeams, TheFirstPassDrawsTheBodies) {
  Mannschaft* a = TeamOf(1, 2);
  Play({a});
  for (Worm* w : a->PlayOrder()) w->UpdateAnimation();
  platform::GraphicsDevice* device = graphics->GetDevice();
  auto draws = [&](int32_t pass) {
    device->ClearRecordedDraws();
    graphics->GetSpriteRenderer()->Begin(SpriteRenderer::kAlphaBlend);
    Manager().DrawWorms(Vector2(), Vector2(1.0f, 1.0f), 0xFFFFFFFF, pass);
    graphics->GetSpriteRenderer()->End();
    return device->RecordedDraws();
  };
  const auto bodies = draws(0);
  ASSERT_EQ(bodies.size(), 4u);
  EXPECT_EQ(bodies[0].colour, a->GetColour());
  EXPECT_EQ(bodies[1].colour, 0xFFFFFFFFu);
  EXPECT_TRUE(draws(1).empty()) << "no worm at turn, no crosshair";
}

// New teams outside a roster with names and a template: the counter's next id, a colour, the
// built-in name, and no worms.
TEST_F(GameTeams, ANewTeamWithoutATemplateHasNoWorms) {
  const int32_t counter = Manager().GetTeamCounter();
  Mannschaft team(Manager(), true);
  EXPECT_EQ(team.GetId(), counter + 1);
  EXPECT_EQ(team.GetName(), u"UNNAMED_MANNSCHAFT");
  EXPECT_EQ(team.GetWormCount(), 0);
  EXPECT_NE(std::find(std::begin(globals->teamColours), std::end(globals->teamColours), team.GetColour()),
            std::end(globals->teamColours));
}

// The colour is drawn by the game's generator: the same seed, the same colour.
TEST_F(GameTeams, TheColourPickFollowsTheGamesSeed) {
  TeamOf(1, 0)->SetColour(globals->teamColours[0]);
  std::set<Argb> seen;
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    platform::SRand(seed);
    const Argb first = Manager().PickUnusedColour();
    platform::SRand(seed);
    EXPECT_EQ(Manager().PickUnusedColour(), first) << seed;
    EXPECT_NE(first, globals->teamColours[0]);
    seen.insert(first);
  }
  EXPECT_GT(seen.size(), 3u);
}

}  // namespace
