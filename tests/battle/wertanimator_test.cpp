#include "battle/wertanimator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(WertAnimator, StartsStoppingAtTheTargetAndLinear) {
  WertAnimator a;
  EXPECT_TRUE(a.StopsAtTarget());
  EXPECT_EQ(a.GetExponent(), 1.0);
}

TEST(WertAnimator, MissingZeroOrNaNDurationJumpsToTheTargetOnTheNextStep) {
  const double zero = 0.0, nan = std::numeric_limits<double>::quiet_NaN();
  const double* durations[] = {nullptr, &zero, &nan};
  for (const double* d : durations) {
    WertAnimator a;
    a.SetValue(2.0);
    a.Set(7.0);
    a.SetSpeed(d);
    EXPECT_EQ(a.GetDuration(), 0.001);
    EXPECT_EQ(a.GetElapsed(), 0.001);
    a.Step(0.016);
    EXPECT_EQ(a.GetValue(), 7.0);
  }
  // A real duration restarts the clock.
  WertAnimator a;
  a.SetValue(0.0);
  a.Set(4.0);
  a.SetSpeed(2.0);
  EXPECT_EQ(a.GetElapsed(), 0.0);
  a.Step(0.5);
  EXPECT_DOUBLE_EQ(a.GetValue(), 1.0);
}

TEST(WertAnimator, CurvesAndTheStopFlag) {
  struct Case {
    double exponent;
    bool stop;
    double dt;
    double expected;
  };
  // start 0, target 10, duration 1
  const Case cases[] = {
      {2.0, true, 0.5, 2.5},    // t squared
      {0.5, true, 0.25, 5.0},   // square root
      {1.0, true, 1.0, 10.0},   // exactly at the end: still the curve, which lands on target
      {1.0, true, 1.5, 10.0},   // pinned once past the duration
      {1.0, false, 1.5, 15.0},  // without the flag the line goes on past the target
      {2.0, false, 2.0, 40.0},
  };
  for (const Case& c : cases) {
    WertAnimator a;
    a.SetStopAtTarget(c.stop);
    a.SetExponent(c.exponent);
    a.SetValue(0.0);
    a.Set(10.0);
    a.SetSpeed(1.0);
    a.Step(c.dt);
    EXPECT_DOUBLE_EQ(a.GetValue(), c.expected) << c.exponent << " " << c.stop << " " << c.dt;
  }
  WertAnimator a;
  a.SetExponent(3.0);
  a.SetExponent(nullptr);
  EXPECT_EQ(a.GetExponent(), 1.0);
}

TEST(WertAnimator, RestartFromWhereTheValueStands) {
  WertAnimator a;
  a.SetValue(0.0);
  a.Set(1.0);
  a.SetSpeed(1.0);
  a.Step(0.4);
  ASSERT_DOUBLE_EQ(a.GetValue(), 0.4);

  // Set alone moves nothing; only a step does.
  a.Reset();
  a.Set(1.0);
  EXPECT_DOUBLE_EQ(a.GetValue(), 0.4);
  EXPECT_DOUBLE_EQ(a.GetStart(), 0.4);
  a.SetSpeed(1.0 - a.GetValue());
  a.Step(0.3);
  EXPECT_DOUBLE_EQ(a.GetValue(), 0.7);
  a.Step(0.3);
  EXPECT_DOUBLE_EQ(a.GetValue(), 1.0);
  a.Step(0.3);
  EXPECT_EQ(a.GetValue(), 1.0);
}

TEST(WertAnimator, AResetMovesTheStartAndLeavesTheClockRunning) {
  // Start 0, target 10 over 1 s; at 0.4 s a reset makes 4 the new start. The elapsed time
  // goes on from 0.4, so 0.1 s later the glide is halfway from 4 to 10.
  WertAnimator a;
  a.SetValue(0.0);
  a.Set(10.0);
  a.SetSpeed(1.0);
  a.Step(0.4);
  a.Reset();
  EXPECT_DOUBLE_EQ(a.GetStart(), 4.0);
  EXPECT_DOUBLE_EQ(a.GetValue(), 4.0);
  EXPECT_DOUBLE_EQ(a.GetElapsed(), 0.4);
  a.Step(0.1);
  EXPECT_DOUBLE_EQ(a.GetValue(), 7.0);
}
