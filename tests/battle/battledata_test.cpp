// Loading the battle's data with the player's team roster.
#include "battle/battledata.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "objects/wormmanager.h"
#include "platform/text.h"
#include "support/engine_run.h"

namespace {

std::string Bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A quit may stop the loading at any step. Wherever it comes, the player's teams survive the
// end of the run: read and written back whole, or left unread and kept byte for byte, never
// read without the worm templates, found damaged and written back empty.
TEST(BattleData, AQuitAtAnyLoadingStepKeepsThePlayersTeams) {
  auto roster = ParseKVText(
      u"<>\n \t<\\>\n<TEAMS><MANNSCHAFT_COUNTER> \"5\" <\\MANNSCHAFT_COUNTER>"
      u"<MANNSCHAFT><NAME> \"Die Roten\" <\\NAME><ID> \"4\" <\\ID><\\MANNSCHAFT>"
      u"<MANNSCHAFT><NAME> \"Die Blauen\" <\\NAME><ID> \"5\" <\\ID><\\MANNSCHAFT>"
      u"<WORM><NAME> \"Anna\" <\\NAME><MANNSCHAFTS_ID> \"4\" <\\MANNSCHAFTS_ID><\\WORM>"
      u"<WORM><NAME> \"Bert\" <\\NAME><MANNSCHAFTS_ID> \"5\" <\\MANNSCHAFTS_ID><\\WORM><\\TEAMS>");
  ASSERT_NE(roster, nullptr);

  // How many times a whole loading asks whether to stop.
  int questions = 0;
  {
    EngineRun run;
    BattleDataOptions options;
    options.playerRoster = false;
    options.stop = [&] { return ++questions, false; };
    LoadBattleData(*run.globals, run.context, options);
  }
  ASSERT_GT(questions, 2);

  for (int stopAt = 0; stopAt <= questions; ++stopAt) {
    SCOPED_TRACE(stopAt);
    EngineRun run;
    const std::u16string path = run.context.UserFilePath(u"teams.man");
    const std::filesystem::path file = platform::U16ToUtf8(path);
    std::filesystem::create_directories(file.parent_path());
    ASSERT_TRUE(SaveKVFile(path, *roster));
    const std::string before = Bytes(file);

    BattleDataOptions options;
    int asked = 0;
    options.stop = [&] { return asked++ >= stopAt; };
    LoadBattleData(*run.globals, run.context, options);
    run.globals->SavePlayerFiles();

    EXPECT_FALSE(std::filesystem::exists(file.string() + ".bad"));
    auto saved = LoadKVFile(path);
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(saved->CountChildren(u"MANNSCHAFT"), 2u);
    EXPECT_EQ(saved->CountChildren(u"WORM"), 2u);
    if (run.globals->GetWormManager()->Teams().empty()) EXPECT_EQ(Bytes(file), before);
  }
}

}  // namespace
