// The display manager on the Null device: mode list and choice, the reset registry and the
// reset protocol, the "Display" section.
#include "engine/apigraphics.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/apicontext.h"
#include "engine/imagerecordcache.h"
#include "engine/kvnode.h"
#include "engine/resetobjekt.h"

namespace {

DisplayEnvironment Desktop(int32_t w = 1920, int32_t h = 1080) {
  DisplayEnvironment env;
  env.desktop = {w, h};
  env.workArea = {0, 0, w, h - 40};
  env.frame = {4, 4, 23};
  for (auto [mw, mh] :
       {std::pair{1024u, 768u}, {1280u, 720u}, {1280u, 1024u}, {1680u, 1050u}, {1920u, 1080u}})
    if (int32_t(mw) <= w && int32_t(mh) <= h) env.adapterModes.push_back({mw, mh, 60, kFormatX8R8G8B8});
  return env;
}

std::unique_ptr<KVNode> Config(const char16_t* text) { return ParseKVText(text); }

class Recorder final : public ResetObjekt {
 public:
  Recorder(std::string name, std::vector<std::string>& log) : m_name(std::move(name)), m_log(&log) {}
  void OnResetDevice() override { m_log->push_back(m_name + ".reset"); }
  void OnLostDevice() override { m_log->push_back(m_name + ".lost"); }

 private:
  std::string m_name;
  std::vector<std::string>* m_log;
};

}  // namespace

TEST(DisplayModes, RefreshSearchPrefers60ThenDownwardThenUpward) {
  auto m = [](uint32_t w, uint32_t h, uint32_t hz, uint32_t f = kFormatX8R8G8B8) {
    return DisplayMode{w, h, hz, f};
  };
  std::vector<DisplayMode> adapter = {
      m(1280, 720, 75),   m(1280, 720, 50),  // 50 wins over 75: the downward search replaces
      m(1920, 1080, 100),                    // only 100 Hz: not listed
      m(1024, 768, 75),   m(1024, 768, 70),  // only upward rates: the lowest, 70
      m(1680, 1050, 59),  m(1680, 1050, 60),
      m(1680, 1050, 85),                                       // 60 wins
      m(1280, 1024, 30),  m(1280, 1024, 31, kFormatA8R8G8B8),  // 30 is out of range; 31 found
      m(800, 600, 60),                                         // not one of the five sizes
  };
  auto list = APIGraphics::BuildModeList(adapter);
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0], m(1024, 768, 70));
  EXPECT_EQ(list[1], m(1280, 720, 50));
  EXPECT_EQ(list[2], m(1280, 1024, 31, kFormatA8R8G8B8));
  EXPECT_EQ(list[3], m(1680, 1050, 60));
  EXPECT_TRUE(APIGraphics::BuildModeList({m(1920, 1080, 100)}).empty());
  // The formats are searched A8R8G8B8 first: of two 60 Hz modes of one size it is taken.
  auto both =
      APIGraphics::BuildModeList({m(1024, 768, 60, kFormatX8R8G8B8), m(1024, 768, 60, kFormatA8R8G8B8)});
  ASSERT_EQ(both.size(), 1u);
  EXPECT_EQ(both[0].format, kFormatA8R8G8B8);
}

TEST(DisplayModes, ChoiceScoresAndSkipsWhatDoesNotFit) {
  std::vector<DisplayMode> modes = {{1024, 768, 60, 22}, {1280, 720, 60, 22}, {1280, 1024, 60, 22}};
  DisplayEnvironment env = Desktop();
  DisplayMode wanted{1600, 900, 60, 22};
  // Full screen: 1280x720 scores 500 against 1024x768's 708; 1280x1024 is taller than wanted.
  EXPECT_EQ(APIGraphics::ChooseModeIndex(modes, &wanted, true, env), 1u);
  // No wanted mode: the last entry.
  EXPECT_EQ(APIGraphics::ChooseModeIndex(modes, nullptr, true, env), 2u);
  // Everything skipped: the first entry.
  DisplayMode tiny{640, 480, 60, 22};
  EXPECT_EQ(APIGraphics::ChooseModeIndex(modes, &tiny, true, env), 0u);
  // In a window a mode whose framed height exceeds the work area is never chosen.
  env.workArea = {0, 0, 1920, 1000};
  DisplayMode tall{1280, 1024, 60, 22};
  EXPECT_EQ(APIGraphics::ChooseModeIndex(modes, &tall, false, env), 1u);
  env.workArea = {0, 0, 1920, 1051};  // 1024 + frame 4 + caption 23 just fits
  EXPECT_EQ(APIGraphics::ChooseModeIndex(modes, &tall, false, env), 2u);
  EXPECT_EQ(APIGraphics::ChooseModeIndex({}, &tall, false, env), APIGraphics::kNoMode);
}

TEST(DisplayModes, TheListIsNeverEmpty) {
  APIContext context;
  DisplayEnvironment env = Desktop(800, 600);
  EXPECT_TRUE(env.adapterModes.empty());
  APIGraphics graphics(context, env);
  ASSERT_EQ(graphics.GetModeCount(), 1u);
  EXPECT_EQ(graphics.GetScreenWidth(), 1024u);
  EXPECT_EQ(graphics.GetScreenHeight(), 768u);
}

TEST(APIGraphicsConfig, ReadsDisplayAndWritesTheLiveState) {
  struct Case {
    const char16_t* config;
    uint32_t width, height;
    bool fullscreen;
  };
  const Case cases[] = {
      // Without "Display" the wanted size is the desktop's, full screen.
      {u"<>\n \t<\\>\n<Config>\n<\\Config>\n", 1920, 1080, true},
      {u"<>\n \t<\\>\n<Config><Display><Resolution> \"1280\" \"720\" <\\Resolution>"
       u"<Fullscreen> \"0\" <\\Fullscreen><\\Display><\\Config>",
       1280, 720, false},
      // One value of two: the height stays the desktop's; full screen picks what fits under it.
      {u"<>\n \t<\\>\n<Config><Display><Resolution> \"1024\" <\\Resolution><\\Display><\\Config>", 1024, 768,
       true},
  };
  for (const Case& c : cases) {
    APIContext context;
    context.configuration = Config(c.config);
    APIGraphics graphics(context, Desktop());
    EXPECT_EQ(graphics.GetScreenWidth(), c.width);
    EXPECT_EQ(graphics.GetScreenHeight(), c.height);
    EXPECT_EQ(graphics.IsFullscreen(), c.fullscreen);
    EXPECT_EQ(graphics.GetPresentParameters().windowed, !c.fullscreen);
    KVNode root(u"Config");
    graphics.SaveConfig(&root);
    KVNode* display = root.GetChild(0, u"Display");
    ASSERT_NE(display, nullptr);
    int32_t w = 0, h = 0;
    bool fs = !c.fullscreen;
    display->Read(u"Resolution", w, 0);
    display->Read(u"Resolution", h, 1);
    display->Read(u"Fullscreen", fs, 0);
    EXPECT_EQ(uint32_t(w), c.width);
    EXPECT_EQ(uint32_t(h), c.height);
    EXPECT_EQ(fs, c.fullscreen);
  }
}

TEST(ResetRegistry, KeepsOneEntryPerObjectAndUnregistersTheLast) {
  APIContext context;
  APIGraphics graphics(context, Desktop());
  std::vector<std::string> log;
  Recorder a("a", log), b("b", log), c("c", log);
  graphics.RegisterResetObjekt(&a);
  graphics.RegisterResetObjekt(&b);
  graphics.RegisterResetObjekt(&a);
  graphics.RegisterResetObjekt(&c);
  EXPECT_EQ(graphics.ResetObjekte(), (std::vector<ResetObjekt*>{&a, &b, &c}));
  Recorder stranger("x", log);
  graphics.UnregisterResetObjekt(&stranger);
  EXPECT_EQ(graphics.ResetObjekte().size(), 3u);
  graphics.UnregisterResetObjekt(&b);
  EXPECT_EQ(graphics.ResetObjekte(), (std::vector<ResetObjekt*>{&a, &c}));
}

TEST(ResetRegistry, ResetReleasesAllThenRecreatesAllInRegistrationOrder) {
  APIContext context;
  context.configuration = Config(
      u"<>\n \t<\\>\n<Config><Display><Resolution> \"1280\" \"720\" <\\Resolution>"
      u"<Fullscreen> \"0\" <\\Fullscreen><\\Display><\\Config>");
  APIGraphics graphics(context, Desktop());
  graphics.UseNullDevice(true);
  ASSERT_EQ(graphics.Create(), kResultOk);
  EXPECT_EQ(graphics.GetScreenRect(), (Rect{0, 0, 1280, 720}));
  std::vector<std::string> log;
  Recorder a("a", log), b("b", log);
  graphics.RegisterResetObjekt(&a);
  graphics.RegisterResetObjekt(&b);
  graphics.Reset();
  EXPECT_EQ(log, (std::vector<std::string>{"a.lost", "b.lost", "a.reset", "b.reset"}));
  EXPECT_TRUE(context.running);

  // A mode change resets into the new size.
  log.clear();
  graphics.ChangeMode(1024, 768, 60, kFormatX8R8G8B8, false);
  EXPECT_EQ(log, (std::vector<std::string>{"a.lost", "b.lost", "a.reset", "b.reset"}));
  EXPECT_EQ(graphics.GetDevice()->BackBufferWidth(), 1024);
  EXPECT_EQ(graphics.GetScreenRect(), (Rect{0, 0, 1024, 768}));
  EXPECT_EQ(graphics.GetModeIndex(), 0u);

  // A failed reset re-creates nothing and ends the main loop.
  log.clear();
  graphics.GetDevice()->FailResets(true);
  graphics.Reset();
  EXPECT_EQ(log, (std::vector<std::string>{"a.lost", "b.lost"}));
  EXPECT_FALSE(context.running);
}

TEST(ResetRegistry, FullScreenToggleGoesThroughTheResetAndIsSaved) {
  APIContext context;
  APIGraphics graphics(context, Desktop());
  graphics.UseNullDevice(true);
  ASSERT_EQ(graphics.Create(), kResultOk);
  EXPECT_TRUE(graphics.IsFullscreen());
  EXPECT_EQ(graphics.GetScreenWidth(), 1920u);
  int resets = graphics.GetDevice()->ResetCount();
  graphics.ToggleFullscreen();
  EXPECT_EQ(graphics.GetDevice()->ResetCount(), resets + 1);
  EXPECT_FALSE(graphics.IsFullscreen());
  // In a window the mode is chosen again: only sizes whose frame fits the work area count.
  EXPECT_EQ(graphics.GetScreenWidth(), 1280u);
  EXPECT_EQ(graphics.GetScreenHeight(), 720u);
  KVNode root(u"Config");
  graphics.SaveConfig(&root);
  bool fullscreen = true;
  root.GetChild(0, u"Display")->Read(u"Fullscreen", fullscreen, 0);
  EXPECT_FALSE(fullscreen);
  // Back to full screen restores the wanted size.
  graphics.ToggleFullscreen();
  EXPECT_TRUE(graphics.IsFullscreen());
  EXPECT_EQ(graphics.GetScreenWidth(), 1920u);
}

TEST(ImageRecords, LiveThroughResetsAndGoWithTheDeviceObjects) {
  // Each record owns its textures: they survive device resets and are destroyed, every
  // one of them, when the manager releases its device objects.
  struct Watched final : platform::TextureGpu {
    explicit Watched(int& alive) : count(&alive) { ++*count; }
    ~Watched() override { --*count; }
    int* count;
  };
  APIContext context;
  APIGraphics graphics(context, Desktop());
  graphics.UseNullDevice(true);
  ImageRecordCache* cache = graphics.GetImageRecordCache();
  ASSERT_NE(cache, nullptr);
  EXPECT_EQ(cache->Size(), 0u);
  ASSERT_EQ(graphics.Create(), kResultOk);
  int alive = 0;
  for (const char16_t* name : {u"sky", u"hills"}) {
    auto record = std::make_unique<ImageRecord>();
    record->names = {name, u"second name"};
    record->blocks[0].assign(64, 1);
    record->texture = std::make_unique<platform::Texture>(4, 4);
    record->texture->SetGpu(std::make_unique<Watched>(alive));
    for (auto& further : record->furtherTextures) {
      further = std::make_unique<platform::Texture>(2, 2);
      further->SetGpu(std::make_unique<Watched>(alive));
    }
    cache->Add(std::move(record));
  }
  EXPECT_EQ(alive, 22);
  EXPECT_EQ(cache->Find(u"hills")->names[1], u"second name");
  EXPECT_EQ(cache->Find(u"second name"), nullptr);
  graphics.Reset();
  EXPECT_EQ(alive, 22);
  EXPECT_EQ(cache->Size(), 2u);
  graphics.Release();
  EXPECT_EQ(alive, 0);
  EXPECT_EQ(cache->Size(), 0u);
}
