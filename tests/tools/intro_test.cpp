#include "content/intro.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"

using namespace content;

namespace {

double Brightness(const Image& img) {
  double sum = 0;
  for (size_t i = 0; i < img.Bytes().size(); i += 4)
    sum += img.Bytes()[i] + img.Bytes()[i + 1] + img.Bytes()[i + 2];
  return sum / (img.Bytes().size() / 4 * 3 * 255.0);
}

IntroSettings Small() {
  IntroSettings s;
  s.width = 320;
  s.height = 240;
  return s;
}

}  // namespace

// The film fades in from black and out to black, shows the golden title in between, and
// renders the same picture every time.
TEST(Intro, FadesShowsTheTitleAndRepeatsExactly) {
  auto font = platform::ReadFileOs(KRUMBOLT_INTRO_FONT);
  ASSERT_TRUE(font);
  IntroSettings s = Small();
  IntroRenderer renderer(s, *font);
  EXPECT_LT(Brightness(renderer.Frame(0)), 0.002);
  EXPECT_LT(Brightness(renderer.Frame(s.FrameCount() - 1)), 0.02);
  Image middle = renderer.Frame(s.FrameCount() * 2 / 3);
  EXPECT_GT(Brightness(middle), 0.15);
  int golden = 0;
  for (int y = 0; y < s.height / 2; ++y)
    for (int x = 0; x < s.width; ++x) {
      const uint8_t* p = middle.Pixel(x, y);
      if (p[0] > 200 && p[1] > 120 && p[2] < 110) ++golden;
    }
  EXPECT_GT(golden, s.width * s.height / 100);
  EXPECT_EQ(middle.Bytes(), IntroRenderer(s, *font).Frame(s.FrameCount() * 2 / 3).Bytes());
  // Without a font the film still renders, only without its title.
  Image plain = IntroRenderer(s, {}).Frame(s.FrameCount() * 2 / 3);
  EXPECT_NE(plain.Bytes(), middle.Bytes());
}

TEST(Intro, TheBuildWritesAnAsfFilmWithWmv2Video) {
  auto bytes = platform::ReadFileOs(std::string(KRUMBOLT_BINARY_DIR) + "/intro.wmv");
  ASSERT_TRUE(bytes);
  const uint8_t asfHeader[] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11};
  ASSERT_GT(bytes->size(), 100000u);
  EXPECT_TRUE(std::equal(asfHeader, asfHeader + 8, bytes->begin()));
  std::string head(bytes->begin(), bytes->begin() + 4096);
  EXPECT_NE(head.find("WMV2"), std::string::npos);
}
