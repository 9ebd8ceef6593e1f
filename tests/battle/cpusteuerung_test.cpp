// The computer control in a small battle: a turn that walks plans its route and walks it
// with the walking actions; a turn without walking waits out its first pause and then
// chooses, finding nothing to fire with; and every way a turn can end mid-plan (the next
// worm's turn, the battle letting go with TakeOver(nullptr), the control's end) stops the
// plan and leaves no planner thread behind.
#include <gtest/gtest.h>

#include "../objects/worm_fixture.h"
#include "battle/cpusteuerung.h"
#include "battle/routeplanner.h"
#include "world/terrain_art.h"

namespace {

using worm_test::WormWorld;

class CpuTurn : public WormWorld {
 protected:
  void SetUp() override {
    WormWorld::SetUp();
    // A long field for the planner: flat ground from row 80, a roofed nook on the right.
    std::vector<std::string> art(100, std::string(width, '.'));
    for (int y = 80; y < 100; ++y) art[size_t(y)] = std::string(width, '#');
    for (int y = 50; y < 54; ++y)
      for (int x = width - 60; x < width; ++x) art[size_t(y)][size_t(x)] = '#';
    const Rect rect{0, 0, width, 100};
    auto welt = std::make_unique<Welt>(&rect);
    welt->SetGameLayers(terrain_test::ArtStore(art), 0, 0.0f, 0.0f, 0xFFFFFFFF);
    globals->SetWelt(std::move(welt));
    red = Team(1, 0xFFFF0000);
    blue = Team(2, 0xFF0000FF);
    a = Make(40.0f, red);
    b = Make(400.0f, blue);
    for (Worm* w : {a.get(), b.get()}) w->SetWorld(globals->GetWelt());
    Manager().ClearSelection();
    Manager().AddTeamToGame(red);
    Manager().AddTeamToGame(blue);
    control.factors = {1.0, 1.0, 0.0, 0.0, 0.0};
  }
  void TearDown() override {
    control.TakeOver(nullptr);
    WormWorld::TearDown();
  }

  int width = 1200;
  Mannschaft* red = nullptr;
  Mannschaft* blue = nullptr;
  std::unique_ptr<Worm> a, b;
  CPUSteuerung control{u"CPU_TEST"};
};

TEST_F(CpuTurn, AWalkingTurnPlansAndWalksItsRoute) {
  control.SetThreaded(false);
  control.movement = 1.0;
  a->SetCurrent(true);
  control.TakeOver(a.get());
  control.Update();  // takes the plan up
  ASSERT_EQ(control.GetMode(), CPUSteuerung::kWalk);
  ASSERT_FALSE(control.GetRoute().empty());
  EXPECT_TRUE(control.GetRoute().back().facingRight);
  EXPECT_GE(control.GetRoute().back().to.x, float(width - 60));
  EXPECT_GE(control.GetPauseTimer(), control.pause[0]);
  EXPECT_LE(control.GetPauseTimer(), control.pause[1]);
  int frames = 0;
  while (control.GetPauseTimer() > 0.0 && frames < 1000) control.Update(), ++frames;
  control.Update();
  EXPECT_EQ(control.StateOf(Aktion::kRight), CPUSteuerung::kDown);
  EXPECT_EQ(control.StateOf(Aktion::kLeft), CPUSteuerung::kNothing);
  EXPECT_TRUE(control.IsDown(Aktion::kRight, 1));
  // Not its turn any more: it does nothing.
  a->SetCurrent(false);
  control.Update();
  EXPECT_EQ(control.StateOf(Aktion::kRight), CPUSteuerung::kDown);
}

TEST_F(CpuTurn, ATurnWithoutWalkingChoosesAfterItsFirstPause) {
  control.SetThreaded(false);
  control.movement = 0.0;
  a->SetCurrent(true);
  control.TakeOver(a.get());
  EXPECT_FALSE(control.IsPlanning());
  EXPECT_EQ(control.GetPauseTimer(), 1.0);
  for (int i = 0; i < 99; ++i) control.Update();
  EXPECT_GT(control.GetPauseTimer(), 0.0);
  for (int i = 0; i < 5; ++i) control.Update();
  // No weapon in its list: nothing to choose, and it stays choosing.
  EXPECT_EQ(control.GetMode(), CPUSteuerung::kChooseShot);
  EXPECT_EQ(control.GetChosenCandidate(), -1);
  EXPECT_TRUE(control.GetRoute().empty());
}

// A wider field, so that the plans take a while.
class CpuTurnWide : public CpuTurn {
 public:
  CpuTurnWide() { width = 4000; }
};

TEST_F(CpuTurnWide, EveryEndOfATurnMidPlanStopsThePlanner) {
  const int before = RoutePlanner::LiveThreads();
  control.SetThreaded(true);
  control.movement = 1.0;
  a->SetCurrent(true);
  control.TakeOver(a.get());
  EXPECT_TRUE(control.IsPlanning());
  // The turn runs out mid-plan: the next worm's turn replaces the plan.
  a->SetCurrent(false);
  b->SetCurrent(true);
  control.TakeOver(b.get());
  EXPECT_LE(RoutePlanner::LiveThreads(), before + 1);
  // The battle lets go (round over, teardown).
  control.TakeOver(nullptr);
  EXPECT_FALSE(control.IsPlanning());
  EXPECT_EQ(RoutePlanner::LiveThreads(), before);
  // The turn passes to another control mid-plan: the next frame stops it.
  control.TakeOver(b.get());
  b->SetCurrent(false);
  control.Update();
  EXPECT_EQ(RoutePlanner::LiveThreads(), before);
  // The control goes while planning.
  {
    CPUSteuerung other(u"CPU_OTHER");
    b->SetCurrent(true);
    other.TakeOver(b.get());
  }
  EXPECT_EQ(RoutePlanner::LiveThreads(), before);
}

TEST(CpuKeys, AnAngleStepOfNothingIsRefused) {
  CPUSteuerung c;
  const struct {
    const char16_t* values;
    double step;
  } cases[] = {{u"\"-80\" \"80\" \"5\"", 5.0}, {u"\"-80\" \"80\" \"0\"", 1.0}, {u"\"-80\" \"80\" \"-3\"", 1.0}};
  for (const auto& k : cases) {
    c.angles = {-90.0, 90.0, 1.0};
    auto node = ParseBody(std::u16string(u"<WINKEL_PARAMS> ") + k.values + u" <\\WINKEL_PARAMS>", u"CPUSTEUERUNG");
    c.Load(node.get());
    EXPECT_EQ(c.angles[0], -80.0);
    EXPECT_EQ(c.angles[2], k.step);
  }
}

}  // namespace
