// Person properties: reading, ranges and ratios, writing.
#include "objects/personeigenschaften.h"

#include <cmath>
#include <cstdio>

#include "engine/kvnode.h"
#include "platform/numeric.h"
#include "platform/text.h"

namespace {

void Complain(const std::u16string& set, const char* what) {
  std::fprintf(stderr, "Krumbolt: person properties \"%s\": %s; the default is kept\n",
               platform::U16ToUtf8(set).c_str(), what);
}

bool Finite(double v) { return std::isfinite(v); }

}  // namespace

unsigned PersonEigenschaften::ValueCount(const KVNode& block, std::u16string_view key) {
  const KVNode* child = block.GetChild(0, key);
  return child ? child->GetValueCount() : 0;
}

double PersonEigenschaften::ValueAt(const KVNode& block, std::u16string_view key, unsigned index) {
  double value = 0.0;
  block.Read(key, value, index);
  return value;
}

PersonEigenschaften::PersonEigenschaften(const KVNode* block) {
  if (block) {
    ReadKeys(*block);
    Sanitise();
  }
  SetSpeedRatio(speedRatio);
  SetSizeRatio(sizeRatio);
}

void PersonEigenschaften::ReadKeys(const KVNode& block) {
  block.Read(u"NAME", name);

  // Two values set minimum and maximum alike; four give the maximum its own. A key with
  // one value would name a component that is not there, so it counts as absent.
  auto readPair = [&](std::u16string_view key, Vector2 range[2]) {
    unsigned n = ValueCount(block, key);
    if (n < 2) return;
    range[0] = range[1] = Vector2(float(ValueAt(block, key, 0)), float(ValueAt(block, key, 1)));
    if (n >= 4) range[1] = Vector2(float(ValueAt(block, key, 2)), float(ValueAt(block, key, 3)));
  };
  readPair(u"SIZE", sizeRange);
  readPair(u"CENTER", centreRange);

  if (ValueCount(block, u"MAX_STEP_SIZE") >= 1) {
    block.Read(u"MAX_STEP_SIZE", maxStepRange[0], 0);
    maxStepRange[1] = maxStepRange[0];
    block.Read(u"MAX_STEP_SIZE", maxStepRange[1], 1);
  }

  double* speedRanges[3] = {walkRange, runRange, jumpRange};
  unsigned speeds = ValueCount(block, u"SPEED");
  for (unsigned i = 0; i < 3 && i < speeds; ++i)
    speedRanges[i][0] = speedRanges[i][1] = ValueAt(block, u"SPEED", i);
  for (unsigned i = 3; i < 6 && i < speeds; ++i) speedRanges[i - 3][1] = ValueAt(block, u"SPEED", i);

  block.Read(u"FALLSPEED", fallSpeed[0], 0);
  block.Read(u"FALLSPEED", fallSpeed[1], 1);
  block.Read(u"AUFKLATSCH_SPEED", landingSpeed[0], 0);
  block.Read(u"AUFKLATSCH_SPEED", landingSpeed[1], 1);
  block.Read(u"AUFKLATSCH_SCHADEN", landingDamage[0], 0);
  block.Read(u"AUFKLATSCH_SCHADEN", landingDamage[1], 1);
  block.Read(u"SPEED_VERH", speedRatio);
  block.Read(u"SIZE_VERH", sizeRatio);
}

void PersonEigenschaften::Sanitise() {
  const PersonEigenschaften defaults;
  auto sizeOk = [](const Vector2& v) { return Finite(v.x) && Finite(v.y) && v.x > 0.0f && v.y > 0.0f; };
  if (!sizeOk(sizeRange[0]) || !sizeOk(sizeRange[1])) {
    Complain(name, "SIZE must be positive");
    sizeRange[0] = defaults.sizeRange[0];
    sizeRange[1] = defaults.sizeRange[1];
  } else if (sizeRange[0].x > sizeRange[1].x || sizeRange[0].y > sizeRange[1].y) {
    Complain(name, "SIZE range is inverted");
    sizeRange[0] = defaults.sizeRange[0];
    sizeRange[1] = defaults.sizeRange[1];
  }
  if (!Finite(centreRange[0].x) || !Finite(centreRange[0].y) || !Finite(centreRange[1].x) ||
      !Finite(centreRange[1].y)) {
    Complain(name, "CENTER is not a number");
    centreRange[0] = defaults.centreRange[0];
    centreRange[1] = defaults.centreRange[1];
  }
  if (maxStepRange[0] < 0 || maxStepRange[1] < 0 || maxStepRange[0] > maxStepRange[1]) {
    Complain(name, "MAX_STEP_SIZE must be a rising range of at least 0");
    maxStepRange[0] = defaults.maxStepRange[0];
    maxStepRange[1] = defaults.maxStepRange[1];
  }
  const char* speedNames[3] = {"walk", "run", "jump"};
  double* ranges[3] = {walkRange, runRange, jumpRange};
  const double* defaultRanges[3] = {defaults.walkRange, defaults.runRange, defaults.jumpRange};
  for (int i = 0; i < 3; ++i) {
    double* r = ranges[i];
    if (!Finite(r[0]) || !Finite(r[1]) || r[0] < 0.0 || r[1] < 0.0 || r[0] > r[1]) {
      std::string what = std::string("SPEED ") + speedNames[i] + " range must rise from at least 0";
      Complain(name, what.c_str());
      r[0] = defaultRanges[i][0];
      r[1] = defaultRanges[i][1];
    }
  }
  // The landing ramp divides by the difference of its speeds.
  if (!Finite(landingSpeed[0]) || !Finite(landingSpeed[1]) || !(landingSpeed[1] > landingSpeed[0])) {
    Complain(name, "AUFKLATSCH_SPEED must rise");
    landingSpeed[0] = defaults.landingSpeed[0];
    landingSpeed[1] = defaults.landingSpeed[1];
  }
  if (!Finite(landingDamage[0]) || !Finite(landingDamage[1])) {
    Complain(name, "AUFKLATSCH_SCHADEN is not a number");
    landingDamage[0] = defaults.landingDamage[0];
    landingDamage[1] = defaults.landingDamage[1];
  }
  if (!Finite(speedRatio)) speedRatio = defaults.speedRatio;
  if (!Finite(sizeRatio)) sizeRatio = defaults.sizeRatio;
}

void PersonEigenschaften::SetSpeedRatio(double ratio) {
  speedRatio = ratio;
  walkSpeed = walkRange[0] + (walkRange[1] - walkRange[0]) * ratio;
  runSpeed = runRange[0] + (runRange[1] - runRange[0]) * ratio;
  jumpSpeed = jumpRange[0] + (jumpRange[1] - jumpRange[0]) * ratio;
}

void PersonEigenschaften::SetSizeRatio(double ratio) {
  sizeRatio = ratio;
  auto slide = [ratio](const Vector2 range[2]) {
    return Vector2(float(range[0].x + (range[1].x - range[0].x) * ratio),
                   float(range[0].y + (range[1].y - range[0].y) * ratio));
  };
  size = slide(sizeRange);
  centre = slide(centreRange);
  maxStep = platform::TruncToInt(maxStepRange[0] + (maxStepRange[1] - maxStepRange[0]) * ratio);
}

double PersonEigenschaften::LandingDamage(double impactSpeed) const {
  const double s0 = landingSpeed[0], s1 = landingSpeed[1];
  if (!(impactSpeed > s0)) return 0.0;
  return (impactSpeed - s0) / (s1 - s0) * (landingDamage[1] - landingDamage[0]) + landingDamage[0];
}

void PersonEigenschaften::Write(KVNode* block) const {
  if (!block) return;
  block->AddChildWith(u"NAME", name);
  block->AddChildWith(u"SIZE", double(sizeRange[0].x), double(sizeRange[0].y), double(sizeRange[1].x),
                      double(sizeRange[1].y));
  block->AddChildWith(u"CENTER", double(centreRange[0].x), double(centreRange[0].y), double(centreRange[1].x),
                      double(centreRange[1].y));
  block->AddChildWith(u"SPEED", walkRange[0], runRange[0], jumpRange[0], walkRange[1], runRange[1],
                      jumpRange[1]);
  block->AddChildWith(u"FALLSPEED", fallSpeed[0], fallSpeed[1]);
  block->AddChildWith(u"AUFKLATSCH_SPEED", landingSpeed[0], landingSpeed[1]);
  block->AddChildWith(u"AUFKLATSCH_SCHADEN", landingDamage[0], landingDamage[1]);
  block->AddChildWith(u"MAX_STEP_SIZE", int(maxStepRange[0]), int(maxStepRange[1]));
  block->AddChildWith(u"SIZE_VERH", sizeRatio);
  block->AddChildWith(u"SPEED_VERH", speedRatio);
}
