#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "content/music.h"
#include "content/synth.h"
#include "platform/files.h"
#include "support/temp_dir.h"

using namespace content;

TEST(Songs, TheFourSongsLastOneToOneAndAHalfMinutes) {
  const char* names[] = {"Titlesong1.mp3", "Titlesong2.mp3", "InGameSong1.mp3", "InGameSong2.mp3"};
  for (const char* name : names) {
    const SongInfo* song = FindSong(name);
    ASSERT_NE(song, nullptr) << name;
    EXPECT_GE(SongSeconds(*song), 60.0) << name;
    EXPECT_LE(SongSeconds(*song), 90.0) << name;
    int bars = 0;
    for (const auto& s : Arrangement(*song)) bars += s.bars;
    EXPECT_EQ(bars % 4, 0) << name;  // whole phrases, so the loop lands on the first chord
  }
  EXPECT_EQ(SongCatalogue().size(), 4u);
}

// A rendered song: the stated length in stereo frames, at -1 dBFS, both channels alive,
// louder once the drums come in, and its end joining its start without a jump.
TEST(Songs, RenderedMixLoopsCleanly) {
  const SongInfo& song = *FindSong("InGameSong2.mp3");
  auto mix = RenderSong(song);
  size_t frames = size_t(SongSeconds(song) * kSongRate);
  ASSERT_EQ(mix.size(), frames * 2);
  EXPECT_NEAR(Peak(mix), 0.89, 1e-4);
  auto rms = [&](double from, double to, int channel) {
    double sum = 0;
    size_t a = size_t(from * kSongRate), b = size_t(to * kSongRate);
    for (size_t i = a; i < b; ++i) sum += double(mix[i * 2 + channel]) * mix[i * 2 + channel];
    return std::sqrt(sum / double(b - a));
  };
  double bar = 4 * 60.0 / song.bpm;
  for (int c = 0; c < 2; ++c) {
    EXPECT_GT(rms(0, 4 * bar, c), 0.01) << c;
    EXPECT_GT(rms(5 * bar, 12 * bar, c), 1.5 * rms(0.5 * bar, 3.5 * bar, c)) << c;
  }
  double typicalStep = 0;
  for (size_t i = 2; i < 2000; i += 2) typicalStep += std::fabs(mix[i] - mix[i - 2]);
  typicalStep /= 999;
  EXPECT_LT(std::fabs(mix[0] - mix[mix.size() - 2]), 10 * typicalStep + 0.02);
}

TEST(Songgen, EncodesTheSameMp3Twice) {
  TempDir dir;
  std::string cmd = std::string(KRUMBOLT_SONGGEN) + " " + dir.Path().string() + " Titlesong1.mp3";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  auto first = platform::ReadFileOs((dir.Path() / "Titlesong1.mp3").string());
  ASSERT_TRUE(first);
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_EQ(first, platform::ReadFileOs((dir.Path() / "Titlesong1.mp3").string()));
  // An MPEG-1 layer III frame header, and the Info frame that carries the encoder delay.
  ASSERT_GT(first->size(), 200000u);
  EXPECT_EQ((*first)[0], 0xFF);
  EXPECT_EQ((*first)[1] & 0xFE, 0xFA);
  std::string head(first->begin(), first->begin() + 200);
  EXPECT_NE(head.find("Info"), std::string::npos);
  EXPECT_NE(
      std::system(
          (std::string(KRUMBOLT_SONGGEN) + " " + dir.Path().string() + " Nope.mp3 2>/dev/null").c_str()),
      0);
}

TEST(Songgen, TheBuildPlacesEverySongInTheWorkingDirectory) {
  for (const char* name : {"Titlesong1.mp3", "Titlesong2.mp3", "InGameSong1.mp3", "InGameSong2.mp3"}) {
    auto bytes = platform::ReadFileOs(std::string(KRUMBOLT_BINARY_DIR) + "/" + name);
    ASSERT_TRUE(bytes) << name;
    EXPECT_GT(bytes->size(), 500000u) << name;
  }
}
