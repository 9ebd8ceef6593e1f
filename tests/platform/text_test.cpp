#include "platform/text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <thread>
#include <vector>

#include "platform/numeric.h"
#include "platform/random.h"

using platform::FormatW;

TEST(Text, WToIReadsLikeTheRuntime) {
  struct Case {
    const char16_t* text;
    int32_t expected;
  } cases[] = {
      {u"12", 12},          {u"  -7", -7},      {u"+5", 5},         {u"12\r", 12},
      {u"1e3", 1},          {u"true", 0},       {u"", 0},           {u"-", 0},
      {u"\t\n 42abc", 42},  {u"2.000000", 2},   {u"ff", 0},         {u"1a", 1},
      {u"2147483647", 2147483647},              {u"2147483648", 2147483647},
      {u"-2147483648", INT32_MIN},              {u"-99999999999", INT32_MIN},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::WToI(c.text), c.expected) << platform::U16ToUtf8(c.text);
}

TEST(Text, WToFReadsDecimalNotationOnly) {
  struct Case {
    const char16_t* text;
    double expected;
  } cases[] = {
      {u"1,5", 1.0},  {u".5", 0.5},     {u"-1.5e2", -150.0}, {u"12\r", 12.0},   {u"2.000000", 2.0},
      {u"1e", 1.0},   {u"1e+", 1.0},    {u"inf", 0.0},       {u"nan", 0.0},     {u"0x10", 0.0},
      {u"1d3", 1.0},  {u"  +3.25x", 3.25}, {u"", 0.0},       {u"-.", 0.0},      {u"1e-400", 0.0},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::WToF(c.text), c.expected) << platform::U16ToUtf8(c.text);
  EXPECT_TRUE(std::isinf(platform::WToF(u"1e400")));
}

TEST(Text, WToUL16ReadsHexLikeWcstoul) {
  EXPECT_EQ(platform::WToUL16(u"0xFF646464"), 0xFF646464u);
  EXPECT_EQ(platform::WToUL16(u"FF646464"), 0xFF646464u);
  EXPECT_EQ(platform::WToUL16(u"1FFFFFFFF"), 0xFFFFFFFFu);
  EXPECT_EQ(platform::WToUL16(u"zz"), 0u);
  EXPECT_EQ(platform::WToUL16(u"-1"), 0xFFFFFFFFu);
}

TEST(Text, FormatWFollowsTheWideRuntime) {
  struct Case {
    std::u16string got;
    const char16_t* expected;
  } cases[] = {
      {FormatW(u"%f", 2.0), u"2.000000"},
      {FormatW(u"%f", -0.0), u"-0.000000"},
      {FormatW(u"%f", 1.5), u"1.500000"},
      {FormatW(u"%.2f", 3.14159), u"3.14"},
      {FormatW(u"%f", 1e23), u"99999999999999991611392.000000"},
      {FormatW(u"%d", -42), u"-42"},
      {FormatW(u"%x", -1), u"ffffffff"},
      {FormatW(u"%x", 255), u"ff"},
      {FormatW(u"%X", 0xabcu), u"ABC"},
      {FormatW(u"%05d|%-4d|%4d", 42, 7, 7), u"00042|7   |   7"},
      {FormatW(u"%s and %s", u"this", std::u16string(u"that")), u"this and that"},
      {FormatW(u"%c%%", u'x'), u"x%"},
      {FormatW(u"%d %s", 1), u"1 "},
      {FormatW(u"%.3s", u"abcdef"), u"abc"},
      {FormatW(u"%+.1f", 2.25), u"+2.2"},
      {FormatW(u"%e", 12345.0), u"1.234500e+04"},
      {FormatW(u"Runde %d/%d", 2, 5), u"Runde 2/5"},
      {FormatW(u"%02d:%02d", 3, 9), u"03:09"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.expected);
}

TEST(Text, FormatWIgnoresTheLocale) {
  // A comma locale must not leak into data files.
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) std::setlocale(LC_ALL, "C.UTF-8");
  EXPECT_EQ(FormatW(u"%f", 0.5), u"0.500000");
  EXPECT_EQ(platform::WToF(u"0.5"), 0.5);
  std::setlocale(LC_ALL, "C");
}

TEST(Text, CodePageConversions) {
  // Windows-1252 maps 0x80 to the euro sign and 0xE4 to a-umlaut; units it cannot hold become blanks.
  EXPECT_EQ(platform::Cp1252ToU16("\x80\xE4"), u"\u20AC\u00E4");
  EXPECT_EQ(platform::U16ToCp1252(u"\u20AC\u00E4\u0416"), "\x80\xE4 ");
  EXPECT_EQ(platform::Utf8ToU16("H\xC3\x96HE \xF0\x9F\x99\x82"), u"H\u00D6HE \U0001F642");
  EXPECT_EQ(platform::U16ToUtf8(u"H\u00D6HE \U0001F642"), "H\xC3\x96HE \xF0\x9F\x99\x82");
  const uint8_t odd[] = {0x41, 0x00, 0x42};
  EXPECT_EQ(platform::Utf16LEToU16(odd, 3), u"A");
  EXPECT_EQ(platform::AsciiLower(u"MENU.Prt\u00C4"), u"menu.prt\u00C4");
}

TEST(Random, MatchesTheClassicGeneratorPerThread) {
  platform::SRand(1);
  const int expected[] = {41, 18467, 6334, 26500, 19169};
  for (int e : expected) EXPECT_EQ(platform::Rand(), e);
  platform::SRand(0);
  const int fromZero[] = {38, 7719, 21238, 2437, 8855};
  for (int e : fromZero) EXPECT_EQ(platform::Rand(), e);
  // Each thread starts from 1 whatever the main thread did.
  int first = -1;
  std::thread([&] { first = platform::Rand(); }).join();
  EXPECT_EQ(first, 41);
  platform::SRand(12345);
  int a = platform::Rand();
  platform::SRand(12345);
  EXPECT_EQ(platform::Rand(), a);
  platform::SRand(0);
  for (int i = 0; i < 1000; ++i) {
    double r = platform::RandFraction();
    ASSERT_GE(r, 0.0);
    ASSERT_LE(r, 1.0);
  }
}

TEST(Numeric, TruncationTowardZeroWithADefinedOutOfRange) {
  EXPECT_EQ(platform::TruncToInt(2.9), 2);
  EXPECT_EQ(platform::TruncToInt(-2.9), -2);
  EXPECT_EQ(platform::TruncToInt(2147483647.5), 2147483647);
  EXPECT_EQ(platform::TruncToInt(NAN), INT32_MIN);
  EXPECT_EQ(platform::TruncToInt(1e10), INT32_MIN);
  EXPECT_EQ(platform::TruncToInt(-INFINITY), INT32_MIN);

  // At and around every edge of the range, and far beyond, both widths give what the
  // range test says: the value toward zero inside, the smallest integer outside.
  auto within32 = [](double v) {
    return v > -2147483649.0 && v < 2147483648.0 ? int32_t(v) : INT32_MIN;
  };
  auto within64 = [](double v) {
    return v > -9223372036854775808.0 && v < 9223372036854775808.0 ? int64_t(v) : INT64_MIN;
  };
  std::vector<double> values = {0.0, -0.0, 0.5, -0.5, 0.999999, -0.999999, 1e-300, -1e-300, INFINITY, -INFINITY,
                                NAN, -NAN, 1e300, -1e300};
  for (double edge : {2147483648.0, -2147483649.0, -2147483648.0, 2147483647.0, 9223372036854775808.0,
                      -9223372036854775808.0}) {
    values.push_back(edge);
    values.push_back(std::nextafter(edge, 0.0));
    values.push_back(std::nextafter(edge, edge > 0 ? INFINITY : -INFINITY));
    values.push_back(edge + (edge > 0 ? 0.5 : -0.5));
    values.push_back(edge - (edge > 0 ? 0.5 : -0.5));
  }
  for (double v : values) {
    EXPECT_EQ(platform::TruncToInt(v), within32(v)) << v;
    EXPECT_EQ(platform::TruncToInt64(v), within64(v)) << v;
    EXPECT_EQ(platform::TruncToInt(float(v)), within32(double(float(v)))) << float(v);
  }
}
