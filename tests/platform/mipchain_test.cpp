#include "platform/mipchain.h"

#include <gtest/gtest.h>

#include <vector>

using platform::HalveLevel;

TEST(HalveLevel, AveragesEachRowPairThenTheTwoRoundingHalfUpChannelByChannel) {
  struct Case {
    const char* name;
    uint32_t a, b, c, d;  // the 2 x 2 block: a b over c d
    uint32_t expected;
  } cases[] = {
      {"equal pixels stay", 0x80FF1020, 0x80FF1020, 0x80FF1020, 0x80FF1020, 0x80FF1020},
      // (0 + 1) / 2 rounds up to 1, and (1 + 0) / 2 again: a plain mean of four would give 0.
      {"rounding of the row pairs", 0x00000001, 0x00000000, 0x00000000, 0x00000000, 0x00000001},
      // Rows first: 1 1 over 0 2 gives row means 1 and 1, so 1; columns first would give
      // 1 and 2, so 2.
      {"rows before columns", 0x00000001, 0x00000001, 0x00000000, 0x00000002, 0x00000001},
      // Bytes never carry or borrow into their neighbours.
      {"channels apart", 0xFF00FF00, 0x00FF00FF, 0xFF00FF00, 0x00FF00FF, 0x80808080},
      {"full and empty", 0xFFFFFFFF, 0xFFFFFFFF, 0x00000000, 0x00000000, 0x80808080},
      {"white beside nothing", 0xFFFFFFFF, 0x00000000, 0x00000000, 0x00000000, 0x40404040},
  };
  for (const Case& c : cases) {
    const uint32_t block[4] = {c.a, c.b, c.c, c.d};
    uint32_t out = 0;
    HalveLevel(block, 2, 2, 2, &out);
    EXPECT_EQ(out, c.expected) << c.name << std::hex << " got " << out;
  }
}

TEST(HalveLevel, ReadsRowsByTheirPitchAndPairsASideOfOneWithItself) {
  // 4 x 2 pixels in rows 6 apart; the two words after each row are not the picture's.
  const uint32_t wide[12] = {0x10, 0x30, 0x00, 0x02, 0xEEEE, 0xEEEE,  //
                             0x10, 0x10, 0x04, 0x04, 0xEEEE, 0xEEEE};
  std::vector<uint32_t> out(2, 0);
  HalveLevel(wide, 4, 2, 6, out.data());
  EXPECT_EQ(out, (std::vector<uint32_t>{0x18, 0x03}));

  // One column: each pixel of a row pair is its own partner, so only rows are averaged.
  const uint32_t column[4] = {0x00, 0x0A, 0xFF, 0x01};
  out.assign(2, 0);
  HalveLevel(column, 1, 4, 1, out.data());
  EXPECT_EQ(out, (std::vector<uint32_t>{0x05, 0x80}));

  // One row: only the pairs along it.
  const uint32_t row[4] = {0x01, 0x02, 0x7F, 0x80};
  out.assign(2, 0);
  HalveLevel(row, 4, 1, 4, out.data());
  EXPECT_EQ(out, (std::vector<uint32_t>{0x02, 0x80}));

  // One pixel stays itself.
  const uint32_t one = 0xDEADBEEF;
  uint32_t single = 0;
  HalveLevel(&one, 1, 1, 1, &single);
  EXPECT_EQ(single, one);
}
