// The main scene on the running engine: the language file, Escape, and the title music.
#include "frontend/mainmenu.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <set>
#include <thread>
#include <vector>

#include "battle/cameramanager.h"
#include "engine/animation.h"
#include "engine/animationmanager.h"
#include "engine/myloadscreen.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"
#include "objects/namen.h"
#include "objects/partikelliste.h"
#include "objects/person.h"
#include "objects/renderextra.h"
#include "objects/wormmanager.h"
#include "platform/random.h"
#include "platform/sound.h"
#include "platform/text.h"
#include "support/engine_run.h"
#include "support/temp_dir.h"
#include "world/ebeneneigenschaft.h"
#include "world/landschaft.h"
#include "world/settingkatalog.h"
#include "world/wassermanager.h"
#include "world/welt.h"
#include "world/wind.h"

namespace {

using platform::MessageType;

constexpr uint8_t kEscape = 0x01;

// The scene driven by the main loop of a started engine.
struct Scene {
  explicit Scene(const KVNode* config = nullptr) : run(config), menu(&run.context) {
    run.loop->updateScene = [this] { menu.Update(); };
    run.loop->renderScene = [this] { menu.Render(); };
    run.loop->updateMusic = [this] { menu.UpdateMusic(); };
  }
  MusikPlayer& Player() { return *run.globals->GetMusikPlayer(); }

  EngineRun run;
  MainMenu menu;
};

// Runs a test in a folder of its own: the songs are looked for in the working directory.
class WorkingDirectory {
 public:
  WorkingDirectory() : m_old(std::filesystem::current_path()) { std::filesystem::current_path(m_dir.Path()); }
  ~WorkingDirectory() { std::filesystem::current_path(m_old); }
  // A silent MP3 of about `seconds`: MPEG-1 layer III frames at 128 kbit/s, 44.1 kHz, mono,
  // 1152 samples each, whose empty side information decodes to silence.
  void Song(const char* name, double seconds) const {
    constexpr size_t kFrameBytes = 144 * 128000 / 44100;
    size_t frames = size_t(seconds * 44100 / 1152) + 1;
    std::vector<char> bytes(frames * kFrameBytes, 0);
    for (size_t f = 0; f < frames; ++f) {
      char* h = &bytes[f * kFrameBytes];
      h[0] = char(0xFF);
      h[1] = char(0xFB);
      h[2] = char(0x90);
      h[3] = char(0xC0);
    }
    std::ofstream(m_dir.Path() / name, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
  }

 private:
  TempDir m_dir;
  std::filesystem::path m_old;
};

class SceneMusic : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!platform::AcquireAudioOutput()) GTEST_SKIP() << "no audio output";
    m_acquired = true;
  }
  void TearDown() override {
    if (m_acquired) platform::ReleaseAudioOutput();
  }
  WorkingDirectory m_cwd;
  bool m_acquired = false;
};

}  // namespace

TEST(MainScene, LoadsTheLanguageFileInTheConfiguredLanguage) {
  struct Case {
    const char16_t* configured;  // null: no "Sprache" section
    const char16_t* text;
    const char16_t* saved;
  };
  const Case cases[] = {
      {nullptr, u"Main Menu", u"ENGLISCH"},
      {u"DEUTSCH", u"Hauptmenü", u"DEUTSCH"},
      {u"FRANZÖSISCH", u"Menu principal", u"FRANZÖSISCH"},
      {u"KLINGONISCH", u"Main Menu", u"ENGLISCH"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(platform::U16ToUtf8(c.saved));
    auto config = EngineRun::DisplayConfig(false);
    if (c.configured) config->AddChild(u"Sprache")->AddChildWith(u"Aktive_Sprache", c.configured);
    Scene scene(config.get());
    Sprache& language = *scene.run.context.language;
    EXPECT_TRUE(language.IsFileLoaded(u"sprache.lng"));
    const std::u16string* text = language.GetText(u"MAINMENU");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(*text, c.text);

    KVNode root(u"Config");
    language.Save(&root);
    std::u16string active, loaded;
    root.GetChild(0, u"Sprache")->Read(u"Aktive_Sprache", active);
    root.GetChild(0, u"Sprache")->Read(u"Loaded_Files", loaded);
    EXPECT_EQ(active, c.saved);
    EXPECT_EQ(loaded, u"sprache.lng");
  }
}

TEST(MainScene, LoadsTheWorldDataIntoTheGameWideObject) {
  EngineRun run;
  MainMenu menu(&run.context);
  MyGlobals& globals = *run.globals;
  EXPECT_NE(globals.GetAnimationManager()->FindBewegteAnimation(u"HIMMELSWOLKE"), nullptr);
  EXPECT_NE(globals.GetAnimationManager()->FindAnimation(u"EXPLOSION"), nullptr);
  EXPECT_EQ(globals.GetLayerProperties()->Find(u"MOND").name, u"MOND");
  EXPECT_GT(globals.GetRenderExtras()->GetCount(), 0u);
  EXPECT_FALSE(globals.GetNamen()->PersonNames().empty());
  // The roster's templates with their own particle types and animations.
  const Person* car = globals.GetWormManager()->FindPerson(u"Auto");
  ASSERT_NE(car, nullptr);
  EXPECT_EQ(globals.GetPartikelListe()->FindInfo(u"AutoKoerper"), car->GetInfo());
  EXPECT_NE(car->GetAnimation(Person::kAnimLaufen), nullptr);
  const SettingKatalog& katalog = *globals.GetSettingKatalog();
  ASSERT_GE(katalog.GetSettingCount(), 4);
  // The backdrops' pictures come from the texture cache and their clouds from the
  // animation manager; each lays its clouds out again after a device reset.
  int clouds = 0;
  for (const auto& backdrop : katalog.Hintergruende()) {
    SCOPED_TRACE(platform::U16ToUtf8(backdrop->GetName()));
    ASSERT_FALSE(backdrop->GetBackground().empty());
    for (const auto& picture : backdrop->GetBackground()) ASSERT_NE(picture.texture, nullptr);
    const auto& registered = run.graphics->ResetObjekte();
    EXPECT_NE(std::find(registered.begin(), registered.end(), backdrop.get()), registered.end());
    if (BewegteAnimation* cloud = backdrop->GetAnimation(0)) {
      ++clouds;
      EXPECT_EQ(cloud->GetName(), u"HIMMELSWOLKE");
      cloud->SetArea({0, 0, 1, 1});
      run.graphics->Reset();
      EXPECT_EQ(cloud->GetArea().right, 1280);
      // Its path is stretched over the band of sky.
      const Rect bounds = cloud->GetPath()->GetBounds();
      EXPECT_NEAR(bounds.left, 0, 1);
      EXPECT_NEAR(bounds.right, 1280, 1);
      EXPECT_NEAR(bounds.top, 51, 1);
    }
  }
  EXPECT_GT(clouds, 0);
  for (const auto& object : katalog.Objekte()) EXPECT_NE(object->texture, nullptr);
}

TEST(MainScene, EscapeEndsTheRunUntilTheSceneIsGone) {
  EngineRun run;
  {
    MainMenu menu(&run.context);
    run.Keys({kEscape});
    EXPECT_FALSE(run.Pass());
    EXPECT_FALSE(run.context.running);
  }
  // The deleted scene has left the input manager's listeners.
  run.context.running = true;
  run.Keys({});
  ASSERT_TRUE(run.Pass());
  run.Keys({kEscape});
  EXPECT_TRUE(run.Pass());
}

TEST(MainScene, ShowsWaterAndAWindThatChangesEveryFewSeconds) {
  Scene scene;
  // The water and the winds are loaded once, into the game's own managers, and the scene
  // shows those: a battle finds the same bodies of water and winds.
  ASSERT_NE(scene.run.globals->GetWasserManager(), nullptr);
  ASSERT_EQ(scene.menu.GetBackdropWater(), scene.run.globals->GetWasserManager());
  ASSERT_NE(scene.run.globals->GetWindManager(), nullptr);
  ASSERT_EQ(scene.menu.GetBackdropWind(), scene.run.globals->GetWindManager());
  const WasserManager& water = *scene.menu.GetBackdropWater();
  EXPECT_GT(water.GetBodies().size(), 1u);
  ASSERT_NE(water.GetLevelWater(), nullptr);
  EXPECT_EQ(water.GetLevelWater()->GetName(), MainMenu::kBackdropWater);
  // The water runs along the bottom of the menu world, and the world itself (the game-wide
  // one, which everything that moves asks) knows where it stands.
  ASSERT_NE(scene.menu.GetMenuWorld(), nullptr);
  ASSERT_EQ(scene.menu.GetMenuWorld(), scene.run.globals->GetWelt());
  const double bottom = scene.menu.GetMenuWorld()->GetWorldRect().bottom;
  EXPECT_GT(water.GetLevelWater()->GetHeight(), 0.0);
  EXPECT_EQ(water.GetSurfaceY(), bottom - water.GetLevelWater()->GetHeight());
  EXPECT_EQ(scene.menu.GetMenuWorld()->WaterSurfaceY(), water.GetSurfaceY());
  const WindManager& wind = *scene.menu.GetBackdropWind();
  EXPECT_GT(wind.GetWinds().size(), 1u);
  const Wind& current = *wind.GetCurrentWind();
  EXPECT_EQ(current.GetName(), MainMenu::kBackdropWind);

  // Its first wind glides in within a second, then holds.
  for (int i = 0; i < 150; ++i) ASSERT_TRUE(scene.run.Pass());
  EXPECT_DOUBLE_EQ(current.GetStrengthRatio(), current.GetSignedTarget() / current.GetStrengthRange().y);
  EXPECT_GT(current.GetShownStrength().GetElapsed(), 1.4);
  // The next one comes after four seconds.
  for (int i = 150; i < 450; ++i) ASSERT_TRUE(scene.run.Pass());
  EXPECT_LT(current.GetShownStrength().GetElapsed(), 1.0);

  // The frame shows the waves and the body of water.
  platform::GraphicsDevice* device = scene.run.graphics->GetDevice();
  device->ClearRecordedDraws();
  scene.menu.Render();
  std::set<const platform::Texture*> textures;
  for (const auto& draw : device->RecordedDraws()) textures.insert(draw.texture);
  for (const Wasser* type : water.GetLevelWater()->GetTypes()) {
    EXPECT_TRUE(textures.count(type->GetWaveAnimation()->GetCurrentFrame()->texture->texture));
    EXPECT_TRUE(textures.count(type->GetWaterAnimation()->GetCurrentFrame()->texture->texture));
  }
}

TEST_F(SceneMusic, ATitleSongPlaysPausesWhileInactiveAndResumes) {
  m_cwd.Song("Titlesong1.mp3", 5.0);
  m_cwd.Song("Titlesong2.mp3", 5.0);
  Scene scene(EngineRun::DisplayConfig(false).get());
  ASSERT_TRUE(scene.run.Pass());
  MusikPlayer& player = scene.Player();
  EXPECT_TRUE(player.IsRunning());
  EXPECT_TRUE(player.FileName() == u"Titlesong1.mp3" || player.FileName() == u"Titlesong2.mp3");
  std::u16string song = player.FileName();

  scene.run.Send(MessageType::FocusLost);
  EXPECT_TRUE(player.IsPaused());
  ASSERT_TRUE(scene.run.Pass());
  EXPECT_TRUE(player.IsPaused());
  scene.run.Send(MessageType::FocusGained);
  EXPECT_TRUE(player.IsRunning());
  // The same song goes on; nothing new was loaded.
  EXPECT_EQ(player.FileName(), song);
}

TEST_F(SceneMusic, AMissingSongGivesWayToTheOther) {
  m_cwd.Song("Titlesong2.mp3", 5.0);
  for (uint32_t seed : {1u, 2u, 3u, 4u}) {
    platform::SRand(seed);
    Scene scene;
    ASSERT_TRUE(scene.run.Pass());
    EXPECT_TRUE(scene.Player().IsRunning()) << seed;
    EXPECT_EQ(scene.Player().FileName(), u"Titlesong2.mp3") << seed;
  }
}

TEST_F(SceneMusic, WithoutSongsTheSceneGoesOnSilentAndStopsLooking) {
  Scene scene;
  ASSERT_TRUE(scene.run.Pass());
  EXPECT_FALSE(scene.Player().IsLoaded());
  uint32_t state = platform::RandState();
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(scene.run.Pass());
  EXPECT_EQ(platform::RandState(), state);
  EXPECT_FALSE(scene.Player().IsLoaded());
}

TEST_F(SceneMusic, AFinishedSongIsFollowedByAnother) {
  m_cwd.Song("Titlesong1.mp3", 0.05);
  m_cwd.Song("Titlesong2.mp3", 0.05);
  Scene scene;
  ASSERT_TRUE(scene.run.Pass());
  MusikPlayer& player = scene.Player();
  ASSERT_TRUE(player.IsRunning());
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!player.IsFinished() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_TRUE(player.IsFinished());
  ASSERT_TRUE(scene.run.Pass());
  EXPECT_TRUE(player.IsRunning());
  EXPECT_FALSE(player.IsFinished());
}

TEST(MainScene, LoadsBehindTheSplashScreenOneFramePerStepAndFillsTheBar) {
  EngineRun run;
  platform::GraphicsDevice* device = run.graphics->GetDevice();
  device->ClearRecordedDraws();
  MainMenu menu(&run.context);
  ASSERT_NE(menu.SplashScreen(), nullptr);
  ASSERT_NE(menu.StartScreen(), nullptr);
  ASSERT_NE(menu.PreviewScreen(), nullptr);
  EXPECT_TRUE(menu.PreviewScreen()->RendersToTexture());
  // "MAXIMUM" is the number of steps the scene takes.
  const MyLoadScreen& splash = *menu.SplashScreen();
  const double maximum = splash.Maximum();
  EXPECT_EQ(splash.Progress(), maximum);

  // Each frame starts with the top and bottom borders (on 1280 x 1024) and then draws the
  // splash, the empty bar, the full bar cut to the progress and the notice; a frame per
  // step and a last one with the bar filled.
  const platform::Texture* border = splash.Border(2)->texture;
  const TexturPart* full = splash.BarFull();
  // The splash screen's frames end with its notice; the battle's loading screen (without a
  // notice) follows while the menu world is built.
  auto draws = device->RecordedDraws();
  size_t end = 0;
  for (size_t i = 0; i < draws.size(); ++i)
    if (draws[i].texture == splash.Notice()->texture && draws[i].source == splash.Notice()->rect) end = i + 1;
  ASSERT_LT(end, draws.size());
  draws.resize(end);
  std::vector<int32_t> widths;
  int frames = 0;
  for (const auto& draw : draws) {
    if (draw.texture == border && draw.source == splash.Border(2)->rect) ++frames;
    if (draw.texture == full->texture && draw.source.top == full->rect.top) {
      ASSERT_EQ(int(widths.size()), frames - 2) << "one full bar per frame from the second on";
      widths.push_back(draw.source.Width());
    }
  }
  ASSERT_EQ(frames, int(maximum) + 1);
  for (size_t k = 0; k < widths.size(); ++k)
    EXPECT_EQ(widths[k], full->rect.Width() * int32_t(k + 1) / int32_t(maximum)) << "frame " << k + 1;
  EXPECT_EQ(widths.back(), full->rect.Width());
}

TEST(MainScene, BuildsTheMenuWorldAndPansAcrossIt) {
  Scene scene;
  const Welt* world = scene.menu.GetMenuWorld();
  ASSERT_NE(world, nullptr);
  // The world of the last level: the game-wide object keeps it.
  EXPECT_EQ(world, scene.run.globals->GetWelt());
  const Rect r = world->GetWorldRect();
  EXPECT_EQ((std::array{r.left, r.top, r.right, r.bottom}), (std::array{-1536, -768, 1536, 768}));
  EXPECT_EQ(world->BackgroundLayers().size(), 2u);
  EXPECT_EQ(world->GameLayers().size(), 3u);
  EXPECT_TRUE(world->ForegroundLayers().empty());
  // The battle's loading screen counted the stages (a planning count, which a group's
  // later recipe layers can miss) and went forward with them.
  EXPECT_GT(scene.menu.StartScreen()->Maximum(), 5.0);
  EXPECT_GT(scene.menu.StartScreen()->Progress(), 5.0);

  // The world's height fills the 1024 rows of the screen; the view starts at the left end and
  // moves right, slowly.
  Vector2 camera, zoom;
  double travel = 0.0;
  scene.menu.GetMenuView(camera, zoom, travel);
  EXPECT_FLOAT_EQ(zoom.y, 1024.0f / 1536.0f);
  EXPECT_FLOAT_EQ(camera.x, 1536.0f * zoom.x);
  EXPECT_EQ(travel, 0.0);
  for (int i = 0; i < 500; ++i) ASSERT_TRUE(scene.run.Pass());
  Vector2 later;
  scene.menu.GetMenuView(later, zoom, travel);
  EXPECT_LT(later.x, camera.x);
  // Five seconds of a 45-second way, eased in: 3 percent.
  EXPECT_NEAR(travel, 0.5 - 0.5 * std::cos(5.0 / 45.0 * 3.14159265358979), 1e-3);
  EXPECT_EQ(later.y, camera.y);

  // The frame shows the terrain and the background layers.
  platform::GraphicsDevice* device = scene.run.graphics->GetDevice();
  device->ClearRecordedDraws();
  scene.menu.Render();
  std::set<const platform::Texture*> textures;
  for (const auto& draw : device->RecordedDraws()) textures.insert(draw.texture);
  for (const auto* group : {&world->BackgroundLayers(), &world->GameLayers()})
    for (const auto& layer : *group)
      EXPECT_TRUE(std::any_of(layer->Tiles().begin(), layer->Tiles().end(),
                              [&](const auto& tile) { return textures.count(tile->GetTexture()) > 0; }));
}

TEST(MainScene, TheCameraPansUntilThePlayerTakesIt) {
  Scene scene;
  CameraManager* camera = scene.run.globals->GetCamera();
  ASSERT_NE(camera, nullptr);
  ASSERT_TRUE(camera->IsEnabled());
  scene.run.cursor.Place(640, 512);
  for (int i = 0; i < 300; ++i) ASSERT_TRUE(scene.run.Pass());
  // The whole height shows while the view pans to the right on its own.
  ViewRect before = camera->GetView();
  EXPECT_FLOAT_EQ(before.height, 1536.0f);
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(scene.run.Pass());
  EXPECT_GT(camera->GetView().x, before.x);

  // A wheel notch zooms in about the cursor at once, and the pan is over.
  scene.run.cursor.Place(300, 700);
  scene.run.Pass();
  const Vector2 under = camera->ScreenToWorld(300, 700);
  before = camera->GetView();
  scene.run.Mouse(MessageType::Wheel, 120);
  EXPECT_NEAR(camera->GetView().height, before.height / 1.1, 0.01);
  EXPECT_NEAR(camera->ScreenToWorld(300, 700).x, under.x, 0.5);
  EXPECT_NEAR(camera->ScreenToWorld(300, 700).y, under.y, 0.5);
  before = camera->GetView();
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(scene.run.Pass());
  EXPECT_EQ(camera->GetView().x, before.x);
  // The world point under the cursor is the game's.
  EXPECT_EQ(scene.run.globals->cursorPoint.x, camera->ScreenToWorld(300, 700).x);

  // The middle button drags the world along with the mouse.
  scene.run.Mouse(MessageType::MiddleDown);
  scene.run.cursor.Place(400, 700);
  scene.run.Pass();
  EXPECT_LT(camera->GetView().x, before.x);
  scene.run.Mouse(MessageType::MiddleUp);

  // At the right edge the view scrolls right.
  before = camera->GetView();
  scene.run.cursor.Place(1280, 700);
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(scene.run.Pass());
  EXPECT_GT(camera->GetView().x, before.x);
}

TEST(MainScene, TheCameraGoesToTheBlastAClickSetsOff) {
  Scene scene;
  CameraManager* camera = scene.run.globals->GetCamera();
  ASSERT_NE(camera, nullptr);
  scene.run.cursor.Place(640, 512);
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(scene.run.Pass());
  // A click into the air carves nothing, and the camera stays with the pan.
  scene.run.cursor.Place(1100, 20);
  scene.run.Mouse(MessageType::LeftDown);
  scene.run.Mouse(MessageType::LeftUp);
  EXPECT_TRUE(camera->Jobs().empty());
  // A click on the ground to the right of the middle: the blast's place is followed.
  int32_t x = 1100, y = 20;
  for (; y < 1000; y += 4) {
    const Vector2 p = camera->ScreenToWorld(x, y);
    const Landschaft* ground = scene.run.globals->GetWelt()->GetGameLandschaft();
    if (ground && ground->IsSolidAt(p.x, p.y)) break;
  }
  ASSERT_LT(y, 1000) << "ground under the cursor's column";
  scene.run.cursor.Place(x, y);
  scene.run.Pass();
  const Vector2 blast = camera->ScreenToWorld(x, y);
  scene.run.Mouse(MessageType::LeftDown);
  scene.run.Mouse(MessageType::LeftUp);
  // The blast's job is the newest; a soldier it hurt may have one of its own before it.
  ASSERT_GE(camera->Jobs().size(), 1u);
  EXPECT_NEAR(camera->Jobs().back().GetPosition().x, blast.x, 0.5);
  for (int i = 0; i < 150; ++i) ASSERT_TRUE(scene.run.Pass());
  const ViewRect v = camera->GetView();
  // As near to the blast as the world's edges let the view come.
  EXPECT_NEAR(v.x + v.width / 2, blast.x, 3.0);
  // The watch ends after two seconds; the view stays on the blast, the pan does not return.
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(scene.run.Pass());
  EXPECT_TRUE(camera->Jobs().empty());
  EXPECT_NEAR(camera->GetView().x + camera->GetView().width / 2, blast.x, 1.0);
}
