// The world viewer on the shipped free-game level: the same fingerprints on every run and
// every worker count, a typed seed read as the game reads it, and a picture of the world.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/files.h"
#include "platform/image.h"
#include "support/temp_dir.h"

namespace {

// The tool's standard output, run with that many workers; empty when it failed.
std::string RunTool(const std::string& arguments, int workers) {
  const std::string command =
      "KRUMBOLT_THREADS=" + std::to_string(workers) + " '" KRUMBOLT_WORLD_TOOL "' " + arguments;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return {};
  std::string out;
  char buffer[512];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  return pclose(pipe) == 0 ? out : std::string();
}

size_t Lines(const std::string& text, const std::string& start) {
  size_t n = 0;
  for (size_t at = 0; (at = text.find("\n" + start, at)) != std::string::npos; ++at) ++n;
  return n;
}

}  // namespace

TEST(WorldTool, SameFingerprintsOnEveryRunAndWorkerCount) {
  const std::string one = RunTool("rand_level.lvl 1234 --hash", 1);
  ASSERT_FALSE(one.empty());
  // Two background layers, the game layer and its two copies, one foreground layer.
  EXPECT_EQ(Lines(one, "background "), 2u);
  EXPECT_EQ(Lines(one, "game "), 3u);
  EXPECT_EQ(Lines(one, "foreground "), 1u);
  EXPECT_EQ(Lines(one, "world hash "), 1u);
  EXPECT_EQ(RunTool("rand_level.lvl 1234 --hash", 3), one);
  EXPECT_EQ(RunTool("rand_level.lvl 1234 --hash", 8), one);
  EXPECT_NE(RunTool("rand_level.lvl 1235 --hash", 8), one);
}

TEST(WorldTool, ATypedSeedIsTheSumOfItsCharacters) {
  // "12" and "21" both sum to 99.
  const std::string a = RunTool("rand_level.lvl --seed-text 12 --hash", 4);
  ASSERT_FALSE(a.empty());
  EXPECT_NE(a.find(" seed 99 "), std::string::npos);
  EXPECT_EQ(RunTool("rand_level.lvl --seed-text 21 --hash", 4), a);
  EXPECT_EQ(RunTool("rand_level.lvl 99 --hash", 4), a);
}

TEST(WorldTool, WritesThePictureOfTheWholeWorld) {
  TempDir dir;
  const std::string png = (dir.Path() / "welt.png").string();
  const std::string out = RunTool("kampagne/level01.lvl --png '" + png + "'", 2);
  ASSERT_FALSE(out.empty());
  auto bytes = platform::ReadFileOs(png);
  ASSERT_TRUE(bytes);
  auto image = platform::DecodeImage(bytes->data(), bytes->size());
  ASSERT_TRUE(image);
  // The level's world is 2048 x 1024.
  EXPECT_EQ(image->width, 2048);
  EXPECT_EQ(image->height, 1024);
  EXPECT_FALSE(RunTool("no_such_level.lvl 1", 1).size());
}
