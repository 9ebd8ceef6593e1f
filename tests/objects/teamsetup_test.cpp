#include "objects/teamsetup.h"

#include <gtest/gtest.h>

#include "engine/kvnode.h"

namespace {
std::unique_ptr<KVNode> Parse(std::u16string_view body) {
  return ParseKVText(std::u16string(u"<>\n \t<\\>\n<DEFAULT_TEAMS>\n") + std::u16string(body) +
                     u"<\\DEFAULT_TEAMS>\n");
}
}  // namespace

TEST(TeamSetup, WithoutABlockTwoDefaultSlots) {
  TeamSetup setup;
  EXPECT_EQ(setup.teamCount, 2);
  ASSERT_EQ(setup.slots.size(), 2u);
  for (const TeamSetupEntry& slot : setup.slots) {
    EXPECT_EQ(slot.wormCount, 1);
    EXPECT_EQ(slot.control, u"DEFAULT");
    ASSERT_EQ(slot.positions.size(), 1u);
    EXPECT_EQ(slot.positions[0], TeamPosition(0.0f, 0.0f, -1.0f));
  }
}

TEST(TeamSetup, CountsAreClamped) {
  struct Case {
    const char16_t* teams;
    const char16_t* worms;
    int32_t teamCount;
    int32_t wormCount;
  };
  const Case cases[] = {{u"7", u"0", 4, 1}, {u"1", u"9", 2, 6}, {u"3", u"4", 3, 4}, {u"-5", u"-1", 2, 1}};
  for (const Case& c : cases) {
    auto root = Parse(std::u16string(u"<ANZ_TEAMS> \"") + c.teams + u"\" <\\ANZ_TEAMS><TEAM><ANZ_WORMS> \"" +
                      c.worms + u"\" <\\ANZ_WORMS><\\TEAM>");
    TeamSetup setup;
    setup.Read(root.get());
    EXPECT_EQ(setup.teamCount, c.teamCount);
    ASSERT_EQ(setup.slots.size(), 1u);
    EXPECT_EQ(setup.slots[0].wormCount, c.wormCount);
  }
}

TEST(TeamSetup, SlotsAndPositionsAsWritten) {
  auto root = Parse(
      uR"(<ANZ_TEAMS> "2" <\ANZ_TEAMS>
    <TEAM> <STEUERUNG> "CPU_LEICHT" <\STEUERUNG>
      <POSITION> "100" "-20.5" <\POSITION>
      <POSITION> "300" "40" "0" <\POSITION>
      <POSITION> "7" <\POSITION>
    <\TEAM>
    <TEAM> <\TEAM>
    <TEAM> <ANZ_WORMS> "3" <\ANZ_WORMS> <\TEAM>)");
  TeamSetup setup;
  setup.Read(root.get());
  // Three slots stay although two teams play.
  EXPECT_EQ(setup.teamCount, 2);
  ASSERT_EQ(setup.slots.size(), 3u);
  const TeamSetupEntry& first = setup.slots[0];
  EXPECT_EQ(first.control, u"CPU_LEICHT");
  // A position without its third value gets 1; one without y is left out.
  ASSERT_EQ(first.positions.size(), 2u);
  EXPECT_EQ(first.positions[0], TeamPosition(100.0f, -20.5f, 1.0f));
  EXPECT_EQ(first.positions[1], TeamPosition(300.0f, 40.0f, 0.0f));
  EXPECT_EQ(setup.slots[1].positions[0], TeamPosition(0.0f, 0.0f, -1.0f));
  EXPECT_EQ(setup.slots[2].wormCount, 3);

  // Reading again starts from the defaults, and copies are whole.
  TeamSetup copy = setup;
  setup.Read(nullptr);
  EXPECT_EQ(setup.slots.size(), 2u);
  EXPECT_EQ(copy.slots[0].positions.size(), 2u);
}
