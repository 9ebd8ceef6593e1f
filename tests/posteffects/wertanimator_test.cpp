// The post effects' value animator: call sequences and what they leave, as a table.
#include "posteffects/wertanimator.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

using Anim = pe::WertAnimator<float>;

struct Case {
  const char* name;
  std::function<void(Anim&)> calls;
  float value;
  bool done;
};

const double kNone = 0.0;
const double kTwo = 2.0;
const double kNegative = -1.0;

void SetAt(Anim& a, float v) {
  a.SetNow(v);
  a.SetTarget(v);
  a.SetBlendTime(nullptr);
}

void Blend(Anim& a, float to, const double* t) {
  a.StartFromCurrent();
  a.SetTarget(to);
  a.SetBlendTime(t);
}

TEST(ValueAnimator, CallSequences) {
  const std::vector<Case> cases = {
      {"set at once is done and stays",
       [](Anim& a) {
         SetAt(a, 3.0f);
         a.Update(5.0);
       },
       3.0f, true},
      {"zero time counts as over",
       [](Anim& a) {
         SetAt(a, 1.0f);
         Blend(a, 4.0f, &kNone);
       },
       1.0f, true},
      {"quarter of a 2 s blend",
       [](Anim& a) {
         SetAt(a, 0.0f);
         Blend(a, 10.0f, &kTwo);
         a.Update(0.5);
       },
       2.5f, false},
      {"half way",
       [](Anim& a) {
         SetAt(a, 0.0f);
         Blend(a, 10.0f, &kTwo);
         a.Update(0.5);
         a.Update(0.5);
       },
       5.0f, false},
      {"exactly at the end by the formula",
       [](Anim& a) {
         SetAt(a, 0.0f);
         Blend(a, 10.0f, &kTwo);
         a.Update(2.0);
       },
       10.0f, true},
      {"past the end lands on the target",
       [](Anim& a) {
         SetAt(a, 0.0f);
         Blend(a, 10.0f, &kTwo);
         a.Update(3.0);
       },
       10.0f, true},
      {"a new target mid-blend starts where the value stands",
       [](Anim& a) {
         SetAt(a, 0.0f);
         Blend(a, 10.0f, &kTwo);
         a.Update(1.0);
         Blend(a, 0.0f, &kTwo);
         a.Update(1.0);
       },
       2.5f, false},
      {"a target alone jumps back towards the old start",
       [](Anim& a) {
         SetAt(a, 0.0f);
         Blend(a, 10.0f, &kTwo);
         a.Update(1.0);
         a.SetTarget(20.0f);
         a.Update(0.0);
       },
       0.0f, false},
      {"without stop at target it runs on",
       [](Anim& a) {
         a.SetStopAtTarget(false);
         SetAt(a, 0.0f);
         Blend(a, 10.0f, &kTwo);
         a.Update(3.0);
       },
       15.0f, true},
      {"a negative time lands at the first update",
       [](Anim& a) {
         SetAt(a, 1.0f);
         Blend(a, 7.0f, &kNegative);
         a.Update(0.0);
       },
       7.0f, true},
      {"an exponent shapes the blend",
       [](Anim& a) {
         a.SetExponent(2.0);
         SetAt(a, 0.0f);
         Blend(a, 8.0f, &kTwo);
         a.Update(1.0);
       },
       2.0f, false},
  };
  for (const Case& c : cases) {
    Anim a;
    c.calls(a);
    EXPECT_FLOAT_EQ(a.Current(), c.value) << c.name;
    EXPECT_EQ(a.IsDone(), c.done) << c.name;
  }
}

TEST(ValueAnimator, VectorsBlendComponentByComponentAndCopiesKeepTheirBlend) {
  pe::WertAnimator<platform::Vector4> v;
  v.BlendOrSet({0.0f, 10.0f, -4.0f, 1.0f}, nullptr);
  const double t = 4.0;
  v.BlendOrSet({4.0f, 0.0f, 4.0f, 1.0f}, &t);
  v.Update(1.0);
  EXPECT_EQ(v.Current(), (platform::Vector4{1.0f, 7.5f, -2.0f, 1.0f}));
  pe::WertAnimator<platform::Vector4> copy = v;
  copy.Update(1.0);
  EXPECT_EQ(copy.Current(), (platform::Vector4{2.0f, 5.0f, 0.0f, 1.0f}));
  EXPECT_EQ(v.Current(), (platform::Vector4{1.0f, 7.5f, -2.0f, 1.0f}));
}

}  // namespace
