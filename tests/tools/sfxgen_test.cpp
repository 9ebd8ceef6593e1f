#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "content/sounds.h"
#include "content/synth.h"
#include "content/wav.h"
#include "platform/files.h"
#include "support/temp_dir.h"

using namespace content;

namespace {

double Rms(const std::vector<float>& s, size_t from, size_t to) {
  double sum = 0;
  for (size_t i = from; i < to; ++i) sum += double(s[i]) * s[i];
  return std::sqrt(sum / double(std::max<size_t>(1, to - from)));
}

}  // namespace

TEST(Wav, EncodesCanonicalHeaderAndRoundsSamples) {
  std::vector<float> samples = {0.0f, 1.0f, -1.0f, 1.5f, -2.0f, 0.5f};
  auto bytes = EncodeWav(samples, 2, 22050);
  ASSERT_EQ(bytes.size(), 44u + 12u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
  EXPECT_EQ(bytes[4] | bytes[5] << 8, int(bytes.size()) - 8);
  EXPECT_EQ(std::string(bytes.begin() + 36, bytes.begin() + 40), "data");
  auto wav = DecodeWav(bytes);
  ASSERT_TRUE(wav);
  EXPECT_EQ(wav->channels, 2);
  EXPECT_EQ(wav->sampleRate, 22050);
  EXPECT_EQ(wav->bitsPerSample, 16);
  const int16_t expected[] = {0, 32767, -32767, 32767, -32768, 16384};
  ASSERT_EQ(wav->samples.size(), 6u);
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(wav->samples[i], expected[i]) << i;
}

TEST(Wav, ReaderRejectsMalformedFiles) {
  auto good = EncodeWav({0.1f, 0.2f, 0.3f, 0.4f}, 1, 44100);
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  std::vector<Case> cases;
  cases.push_back({"truncated", {good.begin(), good.begin() + 40}});
  auto badSize = good;
  badSize[4] += 1;
  cases.push_back({"RIFF size off", badSize});
  auto notPcm = good;
  notPcm[20] = 3;
  cases.push_back({"float format", notPcm});
  auto bigData = good;
  bigData[41] = 0x7F;
  cases.push_back({"data beyond the end", bigData});
  auto noFmt = good;
  noFmt[12] = 'x';
  cases.push_back({"no format chunk", noFmt});
  for (const auto& c : cases) EXPECT_FALSE(DecodeWav(c.bytes)) << c.what;
  EXPECT_TRUE(DecodeWav(good));
}

// Every effect: reproducible, at its intended peak without clipping, centred on zero, and
// silent at both ends so it never clicks.
TEST(Sounds, LevelsAndEnvelopes) {
  for (const auto& info : SoundCatalogue()) {
    SCOPED_TRACE(info.name);
    auto s = MakeSound(info);
    ASSERT_EQ(s, MakeSound(info));
    double seconds = double(s.size()) / kSoundRate;
    EXPECT_GT(seconds, 0.03);
    EXPECT_LT(seconds, 4.0);
    EXPECT_NEAR(Peak(s), info.peak, 1e-4);
    EXPECT_LE(Peak(s), 0.9);
    double mean = 0;
    for (float v : s) mean += v;
    EXPECT_LT(std::fabs(mean / double(s.size())), 0.01);
    EXPECT_LT(std::fabs(s.front()), 0.01);
    EXPECT_LT(std::fabs(s.back()), 0.01);
    EXPECT_EQ(info.name.substr(0, 7), "sounds/");
  }
}

TEST(Sounds, ExplosionsDecayAndLargeOnesLastLonger) {
  double longestSmall = 0, shortestLarge = 1e9;
  for (int n = 1; n <= 8; ++n) {
    const SoundInfo* info = FindSound("sounds/explosionen/explo" + std::to_string(n) + ".wav");
    ASSERT_NE(info, nullptr) << n;
    auto s = MakeSound(*info);
    size_t q = s.size() / 4;
    EXPECT_GT(Rms(s, 0, q), 4 * Rms(s, 3 * q, s.size())) << n;
    double seconds = double(s.size()) / kSoundRate;
    if (n <= 4)
      longestSmall = std::max(longestSmall, seconds);
    else
      shortestLarge = std::min(shortestLarge, seconds);
  }
  EXPECT_LT(longestSmall, shortestLarge);
  EXPECT_NE(MakeSound(*FindSound("sounds/explosionen/explo1.wav")),
            MakeSound(*FindSound("sounds/explosionen/explo2.wav")));
}

TEST(Sfxgen, WritesValidWaveFiles) {
  TempDir dir;
  std::string cmd = std::string(KRUMBOLT_SFXGEN) + " " + dir.Path().string() + " sounds/klick_menu.wav";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  auto bytes = platform::ReadFileOs((dir.Path() / "sounds/klick_menu.wav").string());
  ASSERT_TRUE(bytes);
  auto wav = DecodeWav(*bytes);
  ASSERT_TRUE(wav);
  EXPECT_EQ(wav->channels, 1);
  EXPECT_EQ(wav->sampleRate, kSoundRate);
  EXPECT_EQ(*bytes, EncodeWav(MakeSound(*FindSound("sounds/klick_menu.wav")), 1, kSoundRate));
}
