#include "engine/frametimer.h"

#include <gtest/gtest.h>

namespace {

// A clock the test winds by hand.
class FakeClock final : public TimerClock {
 public:
  bool hasCounter = true;
  uint64_t frequency = 1000000;
  uint64_t counter = 5000;
  uint32_t ticks = 100;

  bool QueryFrequency(uint64_t& f) override {
    f = frequency;
    return hasCounter;
  }
  uint64_t QueryCounter() override { return counter; }
  uint32_t TickCount() override { return ticks; }
};

}  // namespace

TEST(FrameTimer, SpeedScalesTheGameStepAndBothStepsAreLimited) {
  FakeClock clock;
  FrameTimer timer(&clock);
  EXPECT_TRUE(timer.usesPerformanceCounter);
  timer.speed = 2.0;
  clock.counter += 4000;  // 0.004 s
  timer.Tick();
  EXPECT_DOUBLE_EQ(timer.realStep, 0.004);
  EXPECT_DOUBLE_EQ(timer.gameStep, 0.008);
  clock.counter += 8000;  // 0.008 s: the game step is limited, its total is not
  timer.Tick();
  EXPECT_DOUBLE_EQ(timer.gameStep, 0.01);
  EXPECT_DOUBLE_EQ(timer.gameTotal, 0.008 + 0.016);
  clock.counter += 500000;  // a frame of 0.5 s gives one step of 0.01 s
  timer.Tick();
  EXPECT_DOUBLE_EQ(timer.realStep, 0.01);
  EXPECT_DOUBLE_EQ(timer.realTotal, 0.004 + 0.008 + 0.5);
}

TEST(FrameTimer, PausesStopTheGameClockButNotTheRealOne) {
  FakeClock clock;
  FrameTimer timer(&clock);
  clock.counter += 3000;
  timer.Tick();
  double gameTotal = timer.gameTotal;
  for (int which = 0; which < 2; ++which) {
    timer.paused = which == 0;
    timer.focusPaused = which == 1;
    clock.counter += 5000;
    timer.Tick();
    EXPECT_EQ(timer.gameStep, 0.0);
    EXPECT_EQ(timer.gameTotal, gameTotal);
    EXPECT_DOUBLE_EQ(timer.realStep, 0.005);
  }
  EXPECT_DOUBLE_EQ(timer.realTotal, 0.013);
  // Regaining the focus does not end the player's pause.
  timer.paused = true;
  timer.focusPaused = false;
  clock.counter += 5000;
  timer.Tick();
  EXPECT_EQ(timer.gameStep, 0.0);
}

TEST(FrameTimer, FallsBackToTheTickCountAcrossItsWrap) {
  FakeClock clock;
  clock.hasCounter = false;
  clock.ticks = 0xFFFFFFFA;
  FrameTimer timer(&clock);
  EXPECT_FALSE(timer.usesPerformanceCounter);
  clock.ticks += 3;
  timer.Tick();
  EXPECT_DOUBLE_EQ(timer.realStep, 0.003);
  clock.ticks += 7;  // wraps past zero
  timer.Tick();
  EXPECT_DOUBLE_EQ(timer.realStep, 0.007);
  clock.ticks += 40;
  timer.Tick();
  EXPECT_DOUBLE_EQ(timer.realStep, 0.01);
  EXPECT_DOUBLE_EQ(timer.realTotal, 0.05);
}

TEST(FrameTimer, ACounterThatStepsBackGivesAZeroStep) {
  FakeClock clock;
  FrameTimer timer(&clock);
  clock.counter -= 1000;
  timer.Tick();
  EXPECT_EQ(timer.realStep, 0.0);
  EXPECT_EQ(timer.gameStep, 0.0);
  EXPECT_EQ(timer.realTotal, 0.0);
  clock.counter += 2000;
  timer.Tick();
  EXPECT_DOUBLE_EQ(timer.realStep, 0.002);
}
