// The engine context's configuration: read at start-up, rebuilt and written whole at exit.
#include "engine/apicontext.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "engine/apigraphics.h"
#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "platform/files.h"
#include "platform/text.h"
#include "support/temp_dir.h"

namespace {

// Points the per-user folder at a fresh temporary folder for one test.
class UserFolder {
 public:
  UserFolder() {
    const char* old = std::getenv("XDG_DATA_HOME");
    m_old = old ? old : "";
    setenv("XDG_DATA_HOME", m_dir.Path().c_str(), 1);
  }
  ~UserFolder() { setenv("XDG_DATA_HOME", m_old.c_str(), 1); }
  std::filesystem::path Config() const { return m_dir.Path() / "Krumbolt" / "config.cfg"; }
  void Write(const std::string& bytes) const {
    std::filesystem::create_directories(Config().parent_path());
    std::ofstream(Config(), std::ios::binary) << bytes;
  }

 private:
  TempDir m_dir;
  std::string m_old;
};

DisplayEnvironment Desktop() {
  DisplayEnvironment env;
  env.desktop = {1920, 1080};
  env.workArea = {0, 0, 1920, 1040};
  for (auto [w, h] : {std::pair{1024u, 768u}, {1280u, 720u}, {1280u, 1024u}, {1680u, 1050u}, {1920u, 1080u}})
    env.adapterModes.push_back({w, h, 60, kFormatX8R8G8B8});
  return env;
}

// Runs one start and one exit of the engine context with the game-wide object.
struct GameRun {
  APIContext context;
  std::unique_ptr<APIGraphics> graphics;
  MyGlobals* globals = nullptr;

  GameRun() {
    context.title = u"Krumbolt";
    auto g = std::make_unique<MyGlobals>(&context);
    globals = g.get();
    context.globals = std::move(g);
    context.graphicsFactory = [this](APIContext& c) {
      graphics = std::make_unique<APIGraphics>(c, Desktop());
      return graphics.get();
    };
    context.Init();
  }
};

std::vector<std::u16string> SectionNames(const KVNode& root) {
  std::vector<std::u16string> names;
  for (const auto& child : root.Children()) names.push_back(child->Name());
  return names;
}

}  // namespace

TEST(Configuration, AMissingFileGivesDefaultsAndIsWrittenAtExit) {
  UserFolder folder;
  {
    GameRun run;
    ASSERT_NE(run.context.GetConfig(), nullptr);
    EXPECT_EQ(run.context.GetConfig()->Name(), u"Config");
    EXPECT_TRUE(run.globals->intro);
    EXPECT_EQ(run.graphics->GetScreenWidth(), 1920u);
    EXPECT_NE(run.context.timer, nullptr);
    run.context.Shutdown();
  }
  auto bytes = platform::ReadFileOs(folder.Config().string());
  ASSERT_TRUE(bytes);
  ASSERT_GE(bytes->size(), 2u);
  EXPECT_EQ((*bytes)[0], 0xFF);
  EXPECT_EQ((*bytes)[1], 0xFE);
  auto root = LoadKVFile(platform::Utf8ToU16(folder.Config().string()));
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->Name(), u"Config");
  EXPECT_EQ(SectionNames(*root), (std::vector<std::u16string>{u"Display", u"ANWENDUNG"}));
  bool intro = false;
  root->GetChild(0, u"ANWENDUNG")->Read(u"INTRO", intro);
  EXPECT_TRUE(intro);
}

TEST(Configuration, RoundTripKeepsLiveValuesAndDropsUnknownKeys) {
  UserFolder folder;
  folder.Write(
      "<>\n \t<\\>\n<Config>\n"
      "\t<ANWENDUNG> <INTRO> \"0\" <\\INTRO> <HAND_MADE> \"1\" <\\HAND_MADE> <\\ANWENDUNG>\n"
      "\t<Custom> \"x\" <\\Custom>\n"
      "\t<Display> <Resolution> \"1280\" \"720\" <\\Resolution> <Fullscreen> \"0\" <\\Fullscreen> "
      "<\\Display>\n"
      "<\\Config>\n");
  {
    GameRun run;
    EXPECT_FALSE(run.globals->intro);
    EXPECT_EQ(run.graphics->GetScreenWidth(), 1280u);
    EXPECT_FALSE(run.graphics->IsFullscreen());
    run.context.Shutdown();
  }
  auto root = LoadKVFile(platform::Utf8ToU16(folder.Config().string()));
  ASSERT_NE(root, nullptr);
  // Written in the order Display, ANWENDUNG whatever the order read; unknown keys are gone.
  EXPECT_EQ(SectionNames(*root), (std::vector<std::u16string>{u"Display", u"ANWENDUNG"}));
  EXPECT_EQ(root->GetChild(0, u"ANWENDUNG")->Find(u"HAND_MADE"), nullptr);
  int32_t w = 0;
  root->GetChild(0, u"Display")->Read(u"Resolution", w, 0);
  EXPECT_EQ(w, 1280);
  // A second run reads what the first wrote.
  GameRun again;
  EXPECT_FALSE(again.globals->intro);
  EXPECT_EQ(again.graphics->GetScreenHeight(), 720u);
}

TEST(Configuration, ADamagedFileGivesDefaults) {
  const std::string damaged[] = {
      std::string("\xFF\xFE<\0>\0", 6),        // UTF-16 that ends inside its header
      "<Config> <Display> <Resolution> \"12",  // truncated, no header
      std::string(300, '\0'),
      "\x89PNG\r\n\x1a\n garbage",
  };
  for (const std::string& bytes : damaged) {
    UserFolder folder;
    folder.Write(bytes);
    GameRun run;
    ASSERT_NE(run.context.GetConfig(), nullptr);
    EXPECT_TRUE(run.globals->intro);
    EXPECT_EQ(run.graphics->GetScreenWidth(), 1920u);
    EXPECT_TRUE(run.graphics->IsFullscreen());
    run.context.Shutdown();
    auto root = LoadKVFile(platform::Utf8ToU16(folder.Config().string()));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(SectionNames(*root), (std::vector<std::u16string>{u"Display", u"ANWENDUNG"}));
  }
}

TEST(Configuration, UserFilesLiveInTheTitledFolder) {
  UserFolder folder;
  APIContext context;
  context.title = u"Krumbolt";
  std::u16string path = context.UserFilePath(u"teams.man");
  EXPECT_EQ(path, platform::Utf8ToU16(folder.Config().parent_path().string()) + u"/teams.man");
  EXPECT_TRUE(std::filesystem::is_directory(folder.Config().parent_path()));
}
