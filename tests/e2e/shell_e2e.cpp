// The whole program offscreen: it starts, runs its loop, ends on SIGTERM like on closing
// the window, and leaves a well-formed config.cfg in a fresh per-user folder.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "engine/kvnode.h"
#include "platform/files.h"
#include "platform/text.h"
#include "support/temp_dir.h"

namespace {

// Starts the game with XDG_DATA_HOME at `home`, lets it run, sends SIGTERM and returns the
// exit status (or -1 when it did not end in time).
int RunAndTerminate(const std::filesystem::path& home) {
  pid_t pid = fork();
  if (pid == 0) {
    setenv("XDG_DATA_HOME", home.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    execl(KRUMBOLT_EXE, KRUMBOLT_EXE, static_cast<char*>(nullptr));
    _exit(127);
  }
  auto folder = home / "Krumbolt";
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!std::filesystem::exists(folder) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  // Give it time to get into its main loop (or into the intro, which also ends on SIGTERM).
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  kill(pid, SIGTERM);
  int status = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return -1;
}

std::unique_ptr<KVNode> ReadConfig(const std::filesystem::path& home, std::vector<uint8_t>* bytes) {
  auto path = home / "Krumbolt" / "config.cfg";
  auto raw = platform::ReadFileOs(path.string());
  if (!raw) return nullptr;
  *bytes = *raw;
  return LoadKVFile(platform::Utf8ToU16(path.string()));
}

std::vector<std::u16string> SectionNames(const KVNode& root) {
  std::vector<std::u16string> names;
  for (const auto& child : root.Children()) names.push_back(child->Name());
  return names;
}

int32_t IntOf(const KVNode& root, const char16_t* section, const char16_t* key) {
  int32_t value = -1;
  if (const KVNode* s = root.GetChild(0, section)) s->Read(key, value);
  return value;
}

std::u16string TextOf(const KVNode& root, const char16_t* section, const char16_t* key) {
  std::u16string value = u"(missing)";
  if (const KVNode* s = root.GetChild(0, section)) s->Read(key, value);
  return value;
}

const std::vector<std::u16string> kSections = {u"Display", u"Sound", u"Sprache", u"ANWENDUNG"};

}  // namespace

TEST(Shell, EndsOnSigtermAndWritesTheConfiguration) {
  TempDir home;
  ASSERT_EQ(RunAndTerminate(home.Path()), 0);
  std::vector<uint8_t> bytes;
  auto root = ReadConfig(home.Path(), &bytes);
  ASSERT_NE(root, nullptr);
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xFE);
  EXPECT_EQ(bytes[2], '<');
  EXPECT_EQ(bytes[3], 0);
  EXPECT_EQ(root->Name(), u"Config");
  KVNode* display = root->GetChild(0, u"Display");
  ASSERT_NE(display, nullptr);
  EXPECT_NE(display->Find(u"Resolution", 1), nullptr);
  EXPECT_NE(display->Find(u"Fullscreen"), nullptr);
  KVNode* app = root->GetChild(0, u"ANWENDUNG");
  ASSERT_NE(app, nullptr);
  EXPECT_NE(app->Find(u"INTRO"), nullptr);
  // Every section, in its fixed order, with the defaults of a first start; the main scene
  // has loaded the language file from the archive.
  EXPECT_EQ(SectionNames(*root), kSections);
  EXPECT_EQ(IntOf(*root, u"Sound", u"Volume"), 100);
  EXPECT_EQ(IntOf(*root, u"Sound", u"P_Sounds"), 5);
  EXPECT_EQ(TextOf(*root, u"Sprache", u"Aktive_Sprache"), u"ENGLISCH");
  EXPECT_EQ(TextOf(*root, u"Sprache", u"Loaded_Files"), u"sprache.lng");
  EXPECT_EQ(IntOf(*root, u"ANWENDUNG", u"MUSIC_VOLUME"), 100);

  // A second run in a window keeps what the player chose, whatever the order read.
  KVNode config(u"Config");
  KVNode* a = config.AddChild(u"ANWENDUNG");
  a->AddChildWith(u"INTRO", false);
  a->AddChildWith(u"MUSIC_VOLUME", 30);
  config.AddChild(u"Sprache")->AddChildWith(u"Aktive_Sprache", u"DEUTSCH");
  KVNode* sound = config.AddChild(u"Sound");
  sound->AddChildWith(u"Volume", 40);
  sound->AddChildWith(u"P_Sounds", 3);
  KVNode* d = config.AddChild(u"Display");
  d->AddChildWith(u"Resolution", 1024, 768);
  d->AddChildWith(u"Fullscreen", false);
  ASSERT_TRUE(SaveKVFile(platform::Utf8ToU16((home.Path() / "Krumbolt" / "config.cfg").string()), config));
  ASSERT_EQ(RunAndTerminate(home.Path()), 0);
  root = ReadConfig(home.Path(), &bytes);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(SectionNames(*root), kSections);
  bool fullscreen = true, intro = true;
  root->GetChild(0, u"Display")->Read(u"Fullscreen", fullscreen);
  root->GetChild(0, u"ANWENDUNG")->Read(u"INTRO", intro);
  EXPECT_FALSE(fullscreen);
  EXPECT_FALSE(intro);
  EXPECT_EQ(IntOf(*root, u"Display", u"Resolution"), 1024);
  EXPECT_EQ(IntOf(*root, u"Sound", u"Volume"), 40);
  EXPECT_EQ(IntOf(*root, u"Sound", u"P_Sounds"), 3);
  EXPECT_EQ(TextOf(*root, u"Sprache", u"Aktive_Sprache"), u"DEUTSCH");
  EXPECT_EQ(IntOf(*root, u"ANWENDUNG", u"MUSIC_VOLUME"), 30);
}
