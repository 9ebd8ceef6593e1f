// Person properties: how the range keys and the two ratios give the current values, the
// landing ramp, the written block reading back, and unusable sets falling back safely.
#include "objects/personeigenschaften.h"

#include <gtest/gtest.h>

#include "engine/kvnode.h"
#include "support/kv_fixture.h"

namespace {

PersonEigenschaften Read(std::u16string_view body) {
  auto root = ParseBody(body, u"PERSONENEIGENSCHAFTEN");
  return PersonEigenschaften(root.get());
}

}  // namespace

TEST(PersonEigenschaften, BuiltInSetWithoutBlock) {
  PersonEigenschaften p;
  EXPECT_EQ(p.name, u"DEFAULT");
  EXPECT_EQ(p.maxStep, 10);
  EXPECT_EQ(p.size, Vector2(50, 50));
  EXPECT_EQ(p.centre, Vector2(0, -25));
  EXPECT_DOUBLE_EQ(p.walkSpeed, 40.0);
  EXPECT_DOUBLE_EQ(p.runSpeed, 60.0);
  EXPECT_DOUBLE_EQ(p.jumpSpeed, 100.0);
  EXPECT_DOUBLE_EQ(p.fallSpeed[0], 400.0);
  EXPECT_DOUBLE_EQ(p.fallSpeed[1], 100.0);
  EXPECT_DOUBLE_EQ(p.GetSpeedRatio(), 0.5);
  EXPECT_DOUBLE_EQ(p.GetSizeRatio(), 0.5);
}

TEST(PersonEigenschaften, RangesAndRatiosGiveTheCurrentValues) {
  struct Case {
    const char16_t* body;
    int32_t step;
    Vector2 size, centre;
    double walk, run, jump;
  };
  const Case cases[] = {
      // Two SIZE values and three SPEED values fix the values whatever the ratio.
      {u"<SIZE> \"20\" \"30\" <\\SIZE> <SPEED> \"10\" \"20\" \"30\" <\\SPEED> <SIZE_VERH> \"1\" "
       u"<\\SIZE_VERH>",
       10,
       {20, 30},
       {0, -25},
       10,
       20,
       30},
      // Four and six values: the ratios slide between minimum and maximum.
      {u"<SIZE> \"20\" \"30\" \"40\" \"50\" <\\SIZE> <CENTER> \"0\" \"-10\" \"0\" \"-30\" <\\CENTER>"
       u"<SPEED> \"10\" \"20\" \"30\" \"20\" \"40\" \"70\" <\\SPEED> <MAX_STEP_SIZE> \"4\" \"9\" "
       u"<\\MAX_STEP_SIZE>"
       u"<SIZE_VERH> \"0.25\" <\\SIZE_VERH> <SPEED_VERH> \"0.75\" <\\SPEED_VERH>",
       5,
       {25, 35},
       {0, -15},
       17.5,
       35,
       60},
      // The step height truncates towards zero: 4 + 5 * 0.5 = 6.5.
      {u"<MAX_STEP_SIZE> \"4\" \"9\" <\\MAX_STEP_SIZE>", 6, {50, 50}, {0, -25}, 40, 60, 100},
      // One step value sets both ends; fewer SPEED values leave the later speeds alone.
      {u"<MAX_STEP_SIZE> \"3\" <\\MAX_STEP_SIZE> <SPEED> \"12\" <\\SPEED>",
       3,
       {50, 50},
       {0, -25},
       12,
       60,
       100},
      // Five SPEED values: the fifth sets only the run maximum.
      {u"<SPEED> \"10\" \"20\" \"30\" \"30\" \"40\" <\\SPEED> <SPEED_VERH> \"1\" <\\SPEED_VERH>",
       10,
       {50, 50},
       {0, -25},
       30,
       40,
       30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::u16string(c.body).size());
    PersonEigenschaften p = Read(c.body);
    EXPECT_EQ(p.maxStep, c.step);
    EXPECT_EQ(p.size, c.size);
    EXPECT_EQ(p.centre, c.centre);
    EXPECT_DOUBLE_EQ(p.walkSpeed, c.walk);
    EXPECT_DOUBLE_EQ(p.runSpeed, c.run);
    EXPECT_DOUBLE_EQ(p.jumpSpeed, c.jump);
  }
}

TEST(PersonEigenschaften, SettingRatiosLaterMovesTheCurrentValues) {
  PersonEigenschaften p = Read(
      u"<SPEED> \"10\" \"20\" \"30\" \"20\" \"40\" \"70\" <\\SPEED>"
      u"<SIZE> \"20\" \"30\" \"40\" \"50\" <\\SIZE>");
  p.SetSpeedRatio(0.0);
  EXPECT_DOUBLE_EQ(p.jumpSpeed, 30.0);
  p.SetSpeedRatio(1.0);
  EXPECT_DOUBLE_EQ(p.jumpSpeed, 70.0);
  p.SetSizeRatio(1.0);
  EXPECT_EQ(p.size, Vector2(40, 50));
  EXPECT_DOUBLE_EQ(p.GetSpeedRatio(), 1.0);
  EXPECT_DOUBLE_EQ(p.GetSizeRatio(), 1.0);
}

TEST(PersonEigenschaften, LandingDamageRamp) {
  PersonEigenschaften p;  // 200 .. 300 pixels per second give 1 .. 25
  const struct {
    double speed, damage;
  } cases[] = {{0, 0}, {199.9, 0}, {200, 0}, {250, 13}, {300, 25}, {400, 49}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(p.LandingDamage(c.speed), c.damage) << c.speed;

  PersonEigenschaften q = Read(
      u"<AUFKLATSCH_SPEED> \"100\" \"150\" <\\AUFKLATSCH_SPEED>"
      u"<AUFKLATSCH_SCHADEN> \"0\" \"10\" <\\AUFKLATSCH_SCHADEN>");
  EXPECT_DOUBLE_EQ(q.LandingDamage(125), 5.0);
}

TEST(PersonEigenschaften, WrittenBlockReadsBackTheSameSet) {
  PersonEigenschaften p = Read(
      u"<NAME> \"Flink\" <\\NAME> <SIZE> \"20\" \"30\" \"40\" \"50\" <\\SIZE>"
      u"<CENTER> \"1\" \"-10\" \"2\" \"-30\" <\\CENTER> <SPEED> \"10\" \"20\" \"30\" \"20\" \"40\" \"70\" "
      u"<\\SPEED>"
      u"<FALLSPEED> \"300\" \"50\" <\\FALLSPEED> <AUFKLATSCH_SPEED> \"150\" \"250\" <\\AUFKLATSCH_SPEED>"
      u"<AUFKLATSCH_SCHADEN> \"2\" \"30\" <\\AUFKLATSCH_SCHADEN> <MAX_STEP_SIZE> \"4\" \"9\" "
      u"<\\MAX_STEP_SIZE>"
      u"<SIZE_VERH> \"0.25\" <\\SIZE_VERH> <SPEED_VERH> \"0.75\" <\\SPEED_VERH>");
  KVNode block(u"PERSONENEIGENSCHAFTEN");
  p.Write(&block);

  std::vector<std::u16string> keys;
  for (const auto& child : block.Children()) keys.push_back(child->Name());
  EXPECT_EQ(keys, (std::vector<std::u16string>{u"NAME", u"SIZE", u"CENTER", u"SPEED", u"FALLSPEED",
                                               u"AUFKLATSCH_SPEED", u"AUFKLATSCH_SCHADEN", u"MAX_STEP_SIZE",
                                               u"SIZE_VERH", u"SPEED_VERH"}));
  EXPECT_EQ(block.Find(u"MAX_STEP_SIZE", 1)->Text(), u"9");
  EXPECT_EQ(block.Find(u"SPEED", 3)->Text(), u"20.000000");

  auto reread = ParseKVText(WriteKVText(block));
  PersonEigenschaften q(reread.get());
  EXPECT_EQ(q.name, u"Flink");
  EXPECT_EQ(q.maxStep, p.maxStep);
  EXPECT_EQ(q.size, p.size);
  EXPECT_EQ(q.centre, p.centre);
  EXPECT_DOUBLE_EQ(q.walkSpeed, p.walkSpeed);
  EXPECT_DOUBLE_EQ(q.runSpeed, p.runSpeed);
  EXPECT_DOUBLE_EQ(q.jumpSpeed, p.jumpSpeed);
  EXPECT_DOUBLE_EQ(q.fallSpeed[0], 300.0);
  EXPECT_DOUBLE_EQ(q.LandingDamage(200), p.LandingDamage(200));
  EXPECT_DOUBLE_EQ(q.GetSizeRatio(), 0.25);
  EXPECT_DOUBLE_EQ(q.GetSpeedRatio(), 0.75);
}

TEST(PersonEigenschaften, UnusableRangesKeepTheirDefaultsWithAMessage) {
  const PersonEigenschaften defaults;
  enum Field { kSize, kStep, kWalk, kRun, kLanding };
  struct Case {
    const char16_t* body;
    const char* message;
    Field field;
  };
  const Case cases[] = {
      {u"<SIZE> \"0\" \"30\" <\\SIZE>", "SIZE", kSize},
      {u"<SIZE> \"40\" \"50\" \"20\" \"30\" <\\SIZE>", "SIZE", kSize},
      {u"<SPEED> \"-10\" \"20\" \"30\" <\\SPEED>", "walk", kWalk},
      {u"<SPEED> \"10\" \"20\" \"30\" \"20\" \"10\" \"70\" <\\SPEED>", "run", kRun},
      {u"<MAX_STEP_SIZE> \"9\" \"4\" <\\MAX_STEP_SIZE>", "MAX_STEP_SIZE", kStep},
      {u"<MAX_STEP_SIZE> \"-3\" <\\MAX_STEP_SIZE>", "MAX_STEP_SIZE", kStep},
      {u"<AUFKLATSCH_SPEED> \"300\" \"300\" <\\AUFKLATSCH_SPEED>", "AUFKLATSCH_SPEED", kLanding},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    testing::internal::CaptureStderr();
    PersonEigenschaften p = Read(std::u16string(u"<NAME> \"Kaputt\" <\\NAME>") + c.body);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Kaputt"), std::string::npos) << err;
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    switch (c.field) {
      case kSize:
        EXPECT_EQ(p.size, defaults.size);
        break;
      case kStep:
        EXPECT_EQ(p.maxStep, defaults.maxStep);
        break;
      case kWalk:
        EXPECT_DOUBLE_EQ(p.walkSpeed, defaults.walkSpeed);
        break;
      case kRun:
        EXPECT_DOUBLE_EQ(p.runSpeed, defaults.runSpeed);
        break;
      case kLanding:
        EXPECT_DOUBLE_EQ(p.LandingDamage(300), 25.0);
        break;
    }
  }
  // A key with too few values is absent, quietly.
  testing::internal::CaptureStderr();
  PersonEigenschaften p = Read(u"<SIZE> \"20\" <\\SIZE> <CENTER> <\\CENTER>");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(p.size, defaults.size);
  EXPECT_EQ(p.centre, defaults.centre);
}
