// The engine context's configuration: read at start-up, rebuilt and written whole at exit.
#include "engine/apicontext.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "engine/apigraphics.h"
#include "engine/apiinput.h"
#include "engine/apisound.h"
#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "platform/files.h"
#include "platform/text.h"
#include "support/temp_dir.h"
#include "support/user_folder.h"

namespace {

DisplayEnvironment Desktop() {
  DisplayEnvironment env;
  env.desktop = {1920, 1080};
  env.workArea = {0, 0, 1920, 1040};
  for (auto [w, h] : {std::pair{1024u, 768u}, {1280u, 720u}, {1280u, 1024u}, {1680u, 1050u}, {1920u, 1080u}})
    env.adapterModes.push_back({w, h, 60, kFormatX8R8G8B8});
  return env;
}

// Runs one start and one exit of the engine context with the game-wide object; the
// managers are this run's own.
struct GameRun {
  APIContext context;
  std::unique_ptr<APIGraphics> graphics;
  std::unique_ptr<APIInput> input;
  std::unique_ptr<APISound> sound;
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
    context.inputFactory = [this](APIContext& c) {
      input = std::make_unique<APIInput>(&c);
      return input.get();
    };
    context.soundFactory = [this](APIContext& c) {
      sound = std::make_unique<APISound>(c.GetConfig());
      return sound.get();
    };
    context.Init();
  }
};

const std::vector<std::u16string> kSections = {u"Display", u"Sound", u"Sprache", u"ANWENDUNG"};

std::vector<std::u16string> SectionNames(const KVNode& root) {
  std::vector<std::u16string> names;
  for (const auto& child : root.Children()) names.push_back(child->Name());
  return names;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
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
    EXPECT_EQ(run.context.input, run.input.get());
    EXPECT_EQ(run.context.sound, run.sound.get());
    ASSERT_NE(run.context.language, nullptr);
    EXPECT_EQ(run.context.language->ActiveIndex(), 1);
    EXPECT_EQ(run.globals->GetMusicVolume(), 100);
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
  EXPECT_EQ(SectionNames(*root), kSections);
  bool intro = false;
  int32_t musicVolume = 0, volume = 0, copies = 0;
  root->GetChild(0, u"ANWENDUNG")->Read(u"INTRO", intro);
  root->GetChild(0, u"ANWENDUNG")->Read(u"MUSIC_VOLUME", musicVolume);
  root->GetChild(0, u"Sound")->Read(u"Volume", volume);
  root->GetChild(0, u"Sound")->Read(u"P_Sounds", copies);
  EXPECT_TRUE(intro);
  EXPECT_EQ(musicVolume, 100);
  EXPECT_EQ(volume, 100);
  EXPECT_EQ(copies, 5);
  // No file was loaded, so the active language is named by nothing.
  std::u16string active = u"unset";
  root->GetChild(0, u"Sprache")->Read(u"Aktive_Sprache", active);
  EXPECT_EQ(active, u"");
}

TEST(Configuration, RoundTripKeepsLiveValuesAndDropsUnknownKeys) {
  UserFolder folder;
  folder.Write(
      "<>\n \t<\\>\n<Config>\n"
      "\t<ANWENDUNG> <INTRO> \"0\" <\\INTRO> <HAND_MADE> \"1\" <\\HAND_MADE> <MUSIC_VOLUME> \"30\" "
      "<\\MUSIC_VOLUME> <\\ANWENDUNG>\n"
      "\t<Custom> \"x\" <\\Custom>\n"
      "\t<Display> <Resolution> \"1280\" \"720\" <\\Resolution> <Fullscreen> \"0\" <\\Fullscreen> "
      "<\\Display>\n"
      "\t<Sprache> <Aktive_Sprache> \"DEUTSCH\" <\\Aktive_Sprache> <\\Sprache>\n"
      "\t<Sound> <Volume> \"40\" <\\Volume> <P_Sounds> \"3\" <\\P_Sounds> <\\Sound>\n"
      "<\\Config>\n");
  {
    GameRun run;
    EXPECT_FALSE(run.globals->intro);
    EXPECT_EQ(run.globals->GetMusicVolume(), 30);
    EXPECT_EQ(run.graphics->GetScreenWidth(), 1280u);
    EXPECT_FALSE(run.graphics->IsFullscreen());
    EXPECT_EQ(run.sound->GetVolume(), 40);
    EXPECT_EQ(run.sound->CopyCount(), 3);
    run.context.Shutdown();
  }
  auto root = LoadKVFile(platform::Utf8ToU16(folder.Config().string()));
  ASSERT_NE(root, nullptr);
  // Written in the fixed order whatever the order read; unknown keys and sections are gone.
  EXPECT_EQ(SectionNames(*root), kSections);
  EXPECT_EQ(root->GetChild(0, u"ANWENDUNG")->Find(u"HAND_MADE"), nullptr);
  int32_t w = 0;
  root->GetChild(0, u"Display")->Read(u"Resolution", w, 0);
  EXPECT_EQ(w, 1280);
  // A second run reads what the first wrote.
  GameRun again;
  EXPECT_FALSE(again.globals->intro);
  EXPECT_EQ(again.globals->GetMusicVolume(), 30);
  EXPECT_EQ(again.graphics->GetScreenHeight(), 720u);
  EXPECT_EQ(again.sound->GetVolume(), 40);
  EXPECT_EQ(again.sound->CopyCount(), 3);
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
    testing::internal::CaptureStderr();
    run.context.Shutdown();
    const std::string said = testing::internal::GetCapturedStderr();
    auto root = LoadKVFile(platform::Utf8ToU16(folder.Config().string()));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(SectionNames(*root), kSections);
    // The damaged file was set aside whole before the defaults replaced it, and the player is told.
    EXPECT_EQ(ReadAll(folder.Config().string() + ".bad"), bytes);
    EXPECT_NE(said.find("config.cfg.bad"), std::string::npos) << said;
  }
}

TEST(Configuration, AnUnreadableFileIsKeptAsItIs) {
  // Running as root reads past permissions; a folder in its place and a file far too large
  // for a configuration cannot be read by anyone.
  struct Case {
    const char* what;
    std::function<void(const std::filesystem::path&)> make;
  };
  const Case cases[] = {
      {"a folder", [](const std::filesystem::path& p) { std::filesystem::create_directories(p / "inside"); }},
      {"too large",
       [](const std::filesystem::path& p) {
         std::ofstream(p, std::ios::binary) << "<>\n \t<\\>\n<Config> <\\Config>" << std::string(5 << 20, ' ');
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    UserFolder folder;
    std::filesystem::create_directories(folder.Config().parent_path());
    c.make(folder.Config());
    const auto before = std::filesystem::status(folder.Config()).type();
    const auto size = std::filesystem::is_regular_file(folder.Config()) ? std::filesystem::file_size(folder.Config()) : 0;
    testing::internal::CaptureStderr();
    {
      GameRun run;
      EXPECT_TRUE(run.globals->intro);
      run.context.Shutdown();
    }
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::filesystem::status(folder.Config()).type(), before);
    if (size) EXPECT_EQ(std::filesystem::file_size(folder.Config()), size);
    EXPECT_FALSE(std::filesystem::exists(folder.Config().string() + ".bad"));
    EXPECT_NE(said.find("config.cfg cannot be read"), std::string::npos) << said;
    EXPECT_NE(said.find("configuration is not saved"), std::string::npos) << said;
  }
}

TEST(Configuration, AFailedSaveSaysWhatAndWhere) {
  // The per-user folder is a file: nothing can be written under it.
  UserFolder folder;
  std::ofstream(folder.Config().parent_path(), std::ios::binary) << "in the way";
  testing::internal::CaptureStderr();
  {
    GameRun run;
    run.context.Shutdown();
  }
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("the configuration could not be saved to " + folder.Config().string()), std::string::npos)
      << said;
  EXPECT_NE(said.find("Not a directory"), std::string::npos) << said;
}

TEST(Configuration, ALinkedFileIsWrittenThroughItsLink) {
  UserFolder folder;
  std::filesystem::create_directories(folder.Config().parent_path());
  const std::filesystem::path target = folder.Config().parent_path() / "elsewhere.cfg";
  std::ofstream(target) << "<>\n \t<\\>\n<Config> <ANWENDUNG> <INTRO> \"0\" <\\INTRO> <\\ANWENDUNG> <\\Config>";
  std::filesystem::create_symlink("elsewhere.cfg", folder.Config());
  {
    GameRun run;
    EXPECT_FALSE(run.globals->intro);
    run.context.Shutdown();
  }
  EXPECT_TRUE(std::filesystem::is_symlink(folder.Config()));
  auto root = LoadKVFile(platform::Utf8ToU16(target.string()));
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(SectionNames(*root), kSections);
}

TEST(Configuration, TheUserFolderPathKeepsItsBytes) {
  // A backslash and bytes that are not UTF-8 are part of the folder's name, not text to mend.
  TempDir dir;
  const std::string base = dir.Path().string() + "/odd\\name\xff\xfe";
  std::filesystem::create_directories(base);
  const char* old = std::getenv("XDG_DATA_HOME");
  const std::string keep = old ? old : "";
  setenv("XDG_DATA_HOME", base.c_str(), 1);
  {
    GameRun run;
    run.context.Shutdown();
  }
  setenv("XDG_DATA_HOME", keep.c_str(), 1);
  EXPECT_TRUE(std::filesystem::is_regular_file(base + "/Krumbolt/config.cfg"));
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "odd"));
}

TEST(Configuration, UserFilesLiveInTheTitledFolder) {
  UserFolder folder;
  APIContext context;
  context.title = u"Krumbolt";
  std::u16string path = context.UserFilePath(u"teams.man");
  EXPECT_EQ(path, platform::Utf8ToU16(folder.Config().parent_path().string()) + u"/teams.man");
  EXPECT_TRUE(std::filesystem::is_directory(folder.Config().parent_path()));
}
