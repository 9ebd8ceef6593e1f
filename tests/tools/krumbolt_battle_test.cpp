// The headless battle tool on the menu level: a whole computer battle to a winner, told
// line by line, with the same hash on every run; bad arguments are refused.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "support/user_folder.h"

namespace {

// The tool's lines and its exit code.
std::vector<std::string> RunBattle(const std::string& arguments, int& code) {
  const std::string command = "'" KRUMBOLT_BATTLE_TOOL "' " + arguments + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  std::vector<std::string> lines;
  if (!pipe) return lines;
  std::string out;
  char buffer[512];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  const int status = pclose(pipe);
  code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool Starts(const std::string& line, const std::string& start) { return line.rfind(start, 0) == 0; }

}  // namespace

TEST(BattleTool, PlaysTheMenuLevelToAWinnerWithTheSameHashEveryRun) {
  UserFolder folder;
  int code = -1;
  const std::vector<std::string> first = RunBattle("mainmenu.lvl 7", code);
  EXPECT_EQ(code, 0);
  ASSERT_EQ(first.size(), 7u);
  EXPECT_TRUE(Starts(first[0], "result: winner "));
  EXPECT_TRUE(Starts(first[1], "turns: "));
  EXPECT_TRUE(Starts(first[2], "frames: "));
  EXPECT_TRUE(Starts(first[3], "health: "));
  EXPECT_TRUE(Starts(first[4], "health: "));
  EXPECT_TRUE(Starts(first[5], "hash: "));
  EXPECT_TRUE(Starts(first[6], "speed: ") && first[6].find(" x real time") != std::string::npos);
  // The winner is one of the teams, and the loser has nothing left.
  const std::string winner = first[0].substr(15);
  EXPECT_TRUE(first[3] == "health: " + winner + " " + first[3].substr(first[3].rfind(' ') + 1) ||
              first[4] == "health: " + winner + " " + first[4].substr(first[4].rfind(' ') + 1));
  const std::vector<std::string> second = RunBattle("mainmenu.lvl 7", code);
  ASSERT_EQ(second.size(), 7u);
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(second[i], first[i]);
}

TEST(BattleTool, RefusesBadArguments) {
  UserFolder folder;
  for (const char* arguments : {"", "mainmenu.lvl", "mainmenu.lvl x", "mainmenu.lvl 7 --teams 9",
                                "mainmenu.lvl 7 --strength 3", "mainmenu.lvl 7 --worms", "nolevel.lvl 7"}) {
    SCOPED_TRACE(arguments);
    int code = -1;
    EXPECT_TRUE(RunBattle(arguments, code).empty());
    EXPECT_EQ(code, 2);
  }
}
