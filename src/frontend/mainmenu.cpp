// The main scene as far as the shell needs it.
#include "frontend/mainmenu.h"

#include <algorithm>
#include <cmath>

#include "battle/battledata.h"
#include "battle/cameramanager.h"
#include "battle/steuerungliste.h"
#include "battle/waffenset.h"
#include "battle/waffenteams.h"
#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/contentlimits.h"
#include "engine/gameeventhost.h"
#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "engine/myloadscreen.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"
#include "frontend/engineshowcase.h"
#include "frontend/menubattle.h"
#include "frontend/menucraters.h"
#include "frontend/menushooter.h"
#include "frontend/menuworms.h"
#include "objects/bonussettings.h"
#include "objects/eventtable.h"
#include "objects/kraftfeldliste.h"
#include "objects/namen.h"
#include "objects/partikelliste.h"
#include "objects/renderextra.h"
#include "objects/soundchoice.h"
#include "objects/teleporterliste.h"
#include "objects/wormmanager.h"
#include "platform/clock.h"
#include "platform/numeric.h"
#include "platform/random.h"
#include "platform/text.h"
#include "platform/texture.h"
#include "platform/window.h"
#include "posteffects/posteffectlibrary.h"
#include "world/ebeneneigenschaft.h"
#include "world/levelinfo.h"
#include "world/settingkatalog.h"
#include "world/wassermanager.h"
#include "world/welt.h"
#include "world/wind.h"

namespace {

constexpr uint8_t kKeyEscape = 0x01;
constexpr uint8_t kKeyEnter = 28;
constexpr uint8_t kKeyNumpadEnter = 156;
constexpr uint8_t kKeyH = 35;
constexpr int32_t kMeterHalfWidth = 160;
constexpr int32_t kMeterTop = 36;
constexpr int32_t kMeterHeight = 14;
constexpr Argb kMeterTrack = 0x60000000;
constexpr Argb kMeterBar = 0xE0E8F4FF;
constexpr Argb kMeterCentre = 0xFFFFFFFF;

}  // namespace

MainMenu::MainMenu(APIContext* context)
    : m_context(context ? context : APIContext::Get()),
      m_globals(dynamic_cast<MyGlobals*>(m_context->globals.get())) {
  if (m_context->input) m_context->input->RegisterControl(this, true);
  const DataArchive* archive = m_globals ? m_globals->GetArchive() : nullptr;
  APIGraphics* graphics = m_context->graphics;

  {
    content::FileScope splashFile(u"Splash.spl");
    if (std::unique_ptr<KVNode> splash = LoadKVFromArchive(u"Splash.spl", archive)) {
      m_splashScreen = std::make_unique<MyLoadScreen>(splash->GetChild(0, u"SPLASH_MAIN"), archive, graphics);
      m_startScreen = std::make_unique<MyLoadScreen>(splash->GetChild(0, u"LOAD_START"), archive, graphics);
      m_previewScreen = std::make_unique<MyLoadScreen>(splash->GetChild(0, u"LOAD_PREVIEW"), archive, graphics);
    }
  }
  Step();
  if (m_context->language) m_context->language->LoadArchiveFile(u"sprache.lng", archive);
  // The scene's first sprite, the image "misc.png"; the other scene sprites and the sounds
  // follow here as their parts are built.
  if (TexturDefCache* cache = graphics ? graphics->GetTexturDefCache() : nullptr) {
    const std::u16string misc = u"misc.png";
    cache->Get(misc, nullptr, nullptr, archive);
  }
  m_white = std::make_unique<platform::Texture>(1, 1);
  m_white->MutablePixels()[0] = 0xFFFFFFFF;
  LoadDataFiles();
  if (Quitting()) return;
  StartBackdrop();
  m_showcase = std::make_unique<EngineShowcase>(m_context, archive, [this] { Step(); });
  if (Quitting()) return;
  // A step draws its frame before it counts, so one more frame shows the bar filled.
  if (m_splashScreen) m_splashScreen->Render();
  BuildMenuWorld();
  if (Quitting()) return;
  if (m_globals) m_craters = std::make_unique<MenuCraters>(m_globals);
  if (m_globals && m_hasMenuWorld) {
    m_worms = std::make_unique<MenuWorms>(m_globals);
    m_worms->Place();
    // Until the battle drives the worms' turns, the first of them tries the weapons.
    m_shooter = std::make_unique<MenuShooter>(m_globals);
    m_shooter->SetWorms(&m_worms->Worms());
    m_battle = std::make_unique<MenuBattle>(m_globals, m_context);
  }
  // The loading is over: its pictures are read again when a loading screen next shows.
  for (MyLoadScreen* screen : {m_splashScreen.get(), m_startScreen.get(), m_previewScreen.get()})
    if (screen) screen->ReleasePictures();
}

bool MainMenu::StartBattle() {
  if (!m_battle || !m_levelInfo || !m_hasMenuWorld) return false;
  // The battle's worms take the stage.
  m_shooter.reset();
  m_worms.reset();
  m_playerHasCamera = true;
  // The seed of the battle's draws; the world stays the one shown.
  const bool started =
      m_battle->Start(*m_levelInfo, battleSeed ? battleSeed : platform::TickCount(), m_startScreen.get(), true);
  // The showcase is not shown during the battle: its keys and buttons are the battle's now.
  if (started && m_showcase && m_context->input) m_context->input->UnregisterControl(m_showcase.get());
  // The battle's setting brings its water; the menu world keeps its own.
  if (WasserManager* water = GetBackdropWater()) {
    const std::u16string name = kBackdropWater;
    water->SetLevelWater(water->FindByName(&name));
  }
  return started;
}

bool MainMenu::Quitting() {
  if (!m_quitting) m_quitting = platform::QuitRequested();
  return m_quitting;
}

void MainMenu::LoadDataFiles() {
  if (!m_globals) return;
  BattleDataOptions options;
  options.step = [this] { Step(); };
  options.stop = [this] { return m_quitting; };
  LoadBattleData(*m_globals, *m_context, options);
}

MainMenu::~MainMenu() {
  if (m_globals && &WaffenTeams::Current() == m_globals->GetWormManager()) WaffenTeams::Install(nullptr);
  if (PostEffectLibrary* effects = m_globals ? m_globals->GetPostEffects() : nullptr)
    if (effects->GetLevel() == this) effects->SetLevel(nullptr);
  if (m_context->input) m_context->input->UnregisterControl(this);
  // The water may still fill this scene's screen: it goes back to the game-wide world.
  if (WasserManager* water = GetBackdropWater(); water && water->GetSources().world == &m_backdropWorld) {
    WasserSources sources = water->GetSources();
    sources.world = m_globals->GetWelt();
    water->SetSources(sources);
  }
}

void MainMenu::Step() {
  if (m_splashScreen) m_splashScreen->Advance(1.0);
  Quitting();
}

WasserManager* MainMenu::GetBackdropWater() const {
  return m_globals ? m_globals->GetWasserManager() : nullptr;
}

WindManager* MainMenu::GetBackdropWind() const { return m_globals ? m_globals->GetWindManager() : nullptr; }

void MainMenu::StartBackdrop() {
  FitBackdropToScreen();
  if (WindManager* wind = GetBackdropWind()) {
    const std::u16string name = kBackdropWind;
    wind->SelectByName(&name);
    wind->NewRound(1.0);
  }
}

void MainMenu::BuildMenuWorld() {
  const DataArchive* archive = m_globals ? m_globals->GetArchive() : nullptr;
  APIGraphics* graphics = m_context->graphics;
  if (!archive || !graphics) return;
  std::unique_ptr<KVNode> document = LoadKVFromArchive(kMenuLevel, archive);
  if (!document) return;
  m_levelInfo = std::make_unique<LevelInfo>(
      document.get(), LevelSources{m_globals->GetLayerProperties(), m_globals->GetSettingKatalog(), archive});
  const LevelInfo& level = *m_levelInfo;
  WorldBuildServices services;
  services.context = m_context;
  services.animations = m_globals->GetAnimationManager();
  services.textures = graphics->GetTexturDefCache();
  services.archive = archive;
  services.cancelled = [this] { return Quitting(); };
  if (m_startScreen) m_startScreen->ResetProgress();
  std::unique_ptr<Welt> world = level.BuildWorld(m_startScreen.get(), services);
  // A build cut short by a quit is not a world to show.
  if (m_quitting) return;
  m_globals->SetWelt(std::move(world));
  m_hasMenuWorld = true;
  // The camera shows the world as a battle's camera does; it pans on its own until the
  // player takes it.
  if (CameraManager* camera = m_globals->GetCamera()) {
    camera->SetupForLevel(level);
    camera->SetEnabled(true);
  }
  // The water runs along the world's bottom from now on.
  m_backdropWorld.rect = m_globals->GetWelt()->GetWorldRect();
  if (WasserManager* water = GetBackdropWater()) {
    const std::u16string name = kBackdropWater;
    water->SetLevelWater(water->FindByName(&name));
  }
  // The menu world stands in for the battle in the post-effect chain: the camera switched
  // on the level's effects.
  if (PostEffectLibrary* effects = m_globals->GetPostEffects()) effects->SetLevel(this);
}

const Welt* MainMenu::GetMenuWorld() const { return m_hasMenuWorld ? m_globals->GetWelt() : nullptr; }

void MainMenu::GetMenuView(Vector2& camera, Vector2& zoom, double& travel) const {
  APIGraphics* graphics = m_context->graphics;
  const double screenWidth = graphics ? graphics->GetScreenWidth() : 0.0;
  const double screenHeight = graphics ? graphics->GetScreenHeight() : 0.0;
  const Welt* world = GetMenuWorld();
  const Rect r = world ? world->GetWorldRect() : m_backdropWorld.rect;
  const double worldWidth = r.right - r.left, worldHeight = r.bottom - r.top;
  // The world's height fills the screen; its width passes by, there and back, easing in and
  // out at the ends.
  const double scale = worldHeight > 0.0 ? screenHeight / worldHeight : 1.0;
  travel = 0.5 - 0.5 * std::cos(m_panClock / kPanSeconds * 3.14159265358979);
  const double hidden = std::max(0.0, worldWidth * scale - screenWidth);
  zoom = Vector2(float(scale), float(scale));
  camera = Vector2(float(-r.left * scale - hidden * travel), float(-r.top * scale));
}

ViewRect MainMenu::PanView() const {
  Vector2 camera, zoom;
  double travel = 0.0;
  GetMenuView(camera, zoom, travel);
  APIGraphics* graphics = m_context->graphics;
  const float width = graphics ? float(graphics->GetScreenWidth()) : 0.0f;
  const float height = graphics ? float(graphics->GetScreenHeight()) : 0.0f;
  return ViewRect{-camera.x / zoom.x, -camera.y / zoom.y, width / zoom.x, height / zoom.y};
}

bool MainMenu::CameraShowsWorld() const { return m_hasMenuWorld && m_globals->GetCamera(); }

void MainMenu::UpdateCamera(double step) {
  if (!CameraShowsWorld()) return;
  CameraManager* camera = m_globals->GetCamera();
  if (SteuerungListe* controls = m_globals->GetSteuerungListe()) controls->Update();
  camera->Update(step, false);
  // The first drag, edge scroll, zoom or job ends the pan for good.
  if (!m_playerHasCamera && (camera->GetManualTimer() > 0.0 || !camera->Jobs().empty()))
    m_playerHasCamera = true;
  if (!m_playerHasCamera) camera->SetView(PanView());
}

void MainMenu::OnMouseWheel(const InputState* state) {
  // In the battle the wheel reaches the camera through the battle's display.
  if (m_battle && m_battle->IsRunning()) return;
  if (CameraShowsWorld()) m_globals->GetCamera()->OnMouseWheel(state);
}

void MainMenu::FitBackdropToScreen() {
  APIGraphics* graphics = m_context->graphics;
  WasserManager* water = GetBackdropWater();
  if (!graphics || !water || m_hasMenuWorld) return;
  const Rect screen{0, 0, int32_t(graphics->GetScreenWidth()), int32_t(graphics->GetScreenHeight())};
  if (screen == m_backdropWorld.rect && water->GetLevelWater()) return;
  m_backdropWorld.rect = screen;
  // Without a menu world the water fills the screen's bottom; a world built later (or this
  // scene's end) hands the water back to the game-wide world.
  WasserSources sources = water->GetSources();
  sources.world = &m_backdropWorld;
  water->SetSources(sources);
  const std::u16string name = kBackdropWater;
  water->SetLevelWater(water->FindByName(&name));
}

void MainMenu::Update() {
  if (!m_context->timer) return;
  const double step = m_context->timer->realStep;
  // The view keeps to the wall clock however slowly frames come (the steps are held to
  // 0.01 s each); its way starts with the first update.
  if (m_panStart < 0.0) m_panStart = m_context->timer->realTotal;
  m_panClock = m_context->timer->realTotal - m_panStart;
  if (m_battle && m_battle->IsRunning()) {
    // The battle steps the world, the camera, the water, the wind, the particles, the
    // events and the effects itself.
    m_battle->Update();
    if (m_showcase) m_showcase->Update();
    return;
  }
  if (m_hasMenuWorld) m_globals->GetWelt()->Update(*m_context->timer);
  UpdateCamera(step);
  if (WasserManager* water = GetBackdropWater()) water->Update();
  if (WindManager* wind = GetBackdropWind()) {
    m_windClock += step;
    if (m_windClock >= kWindChangeSeconds) {
      m_windClock = 0.0;
      wind->NewRound(1.0);
    }
    wind->Update(step);
  }
  if (m_craters) m_craters->Update();
  if (m_worms) m_worms->Update();
  if (m_shooter) {
    SteuerungListe* controls = m_globals->GetSteuerungListe();
    m_shooter->Update(m_context->timer->gameStep, controls ? controls->GetActive() : nullptr);
  }
  if (m_showcase) m_showcase->Update();
  // The battle steps the active effects with the game step; the menu world with the real one.
  if (PostEffectLibrary* effects = m_globals ? m_globals->GetPostEffects() : nullptr)
    effects->UpdateActive(step);
}

void MainMenu::OnLeftButtonDown(const InputState* state) {
  if (state) m_pressX = state->mouseX, m_pressY = state->mouseY;
}

void MainMenu::OnLeftButtonUp(const InputState* state) {
  // A drag moves the camera; only a press released where it began is a click.
  constexpr int32_t kClickSlop = 4;
  if (!state || !m_craters || !CameraShowsWorld() || m_pressX < 0) return;
  const bool click =
      std::abs(state->mouseX - m_pressX) <= kClickSlop && std::abs(state->mouseY - m_pressY) <= kClickSlop;
  m_pressX = m_pressY = -1;
  if (!click) return;
  // A weapon that takes a target takes the click; in the battle every click is the players'.
  if (m_shooter && m_shooter->TakesClicks()) return;
  if (m_battle && m_battle->IsRunning()) return;
  CameraManager* camera = m_globals->GetCamera();
  const Vector2 point = camera->ScreenToWorld(state->mouseX, state->mouseY);
  if (!m_craters->Blast(point)) return;
  if (m_worms) m_worms->Blast(point);
  // The camera goes to the blast at once and stays on it a while, as on a shot's explosion.
  CameraJob job(m_globals, kNoObject, CameraJob::kTimed, kBlastWatchSeconds, 0.0, true, kBlastFollowRate);
  job.SetPosition(point);
  camera->AddJob(job, true);
}

void MainMenu::Render() {
  APIGraphics* graphics = m_context->graphics;
  platform::GraphicsDevice* device = graphics ? graphics->GetDevice() : nullptr;
  if (!device) return;
  FitBackdropToScreen();
  PostEffectLibrary* effects = m_globals ? m_globals->GetPostEffects() : nullptr;
  if (effects && effects->GetLevel() == this && effects->HasActiveEffects()) {
    // The chain's finished picture is copied over the whole back buffer; the chain clears
    // it only where it cannot.
    effects->RenderActive(kBackground);
  } else {
    device->Clear(platform::kClearTarget | platform::kClearZBuffer | platform::kClearStencil, kBackground, 1.0f,
                  0);
    if (device->BeginScene()) {
      RenderPass();
      device->EndScene();
    }
  }
  if (device->BeginScene()) {
    if (m_battle && m_battle->IsRunning()) {
      // The battle has the screen to itself: its HUD has the wind meter.
      m_battle->RenderOverlay();
    } else {
      SpriteRenderer* renderer = graphics->GetSpriteRenderer();
      if (renderer && Succeeded(renderer->Begin(SpriteRenderer::kAlphaBlend))) {
        DrawWindMeter();
        if (m_shooter) m_shooter->RenderOverlay();
        if (m_showcase) m_showcase->Draw();
        renderer->End();
      }
      if (m_battle) m_battle->RenderOverlay();
    }
    device->EndScene();
  }
  device->Present();
}

void MainMenu::WorldTransform(Vector2& camera, Vector2& zoom, Vector2& centre) const {
  camera = Vector2(0.0f, 0.0f);
  zoom = Vector2(1.0f, 1.0f);
  centre = Vector2(0.0f, 0.0f);
  if (CameraShowsWorld()) {
    m_globals->GetCamera()->GetViewTransform(camera, zoom, centre);
  } else if (m_hasMenuWorld) {
    double travel = 0.0;
    GetMenuView(camera, zoom, travel);
    centre = Vector2(float(travel), 0.0f);
  }
}

void MainMenu::RenderPass() {
  // A running battle draws its world itself, in its depth order.
  if (m_battle && m_battle->IsRunning()) {
    m_battle->RenderPass();
    return;
  }
  SpriteRenderer* renderer = m_context->graphics ? m_context->graphics->GetSpriteRenderer() : nullptr;
  if (!renderer || !Succeeded(renderer->Begin(SpriteRenderer::kAlphaBlend))) return;
  Vector2 camera, zoom, centre;
  WorldTransform(camera, zoom, centre);
  Welt* world = m_hasMenuWorld ? m_globals->GetWelt() : nullptr;
  WasserManager* backdropWater = GetBackdropWater();
  auto water = [&](int32_t depth) {
    if (m_craters) m_craters->Render(camera, zoom, depth);
    if (backdropWater) backdropWater->Draw(camera, zoom, 0xFFFFFFFF, depth);
  };
  // The battle's order: backdrop and background layers, water behind the terrain, the
  // game layers, water in front, the foreground layers, the nearest water.
  if (world) world->DrawBackground(camera, zoom, centre, 0xFFFFFFFF, true, true);
  water(-2);
  if (world) world->DrawGameLayers(camera, zoom, 0xFFFFFFFF);
  water(-1);
  if (m_worms) m_worms->Render(camera, zoom);
  if (m_shooter) m_shooter->Render(camera, zoom);
  water(0);
  if (world) world->DrawForegroundLayers(camera, zoom, 0xFFFFFFFF);
  water(1);
  renderer->End();
}

bool MainMenu::RenderForEffect(const std::u16string& name) {
  if (m_battle && m_battle->IsRunning()) return m_battle->RenderForEffect(name);
  Welt* world = m_hasMenuWorld ? m_globals->GetWelt() : nullptr;
  RenderExtraListe* extras = m_globals ? m_globals->GetRenderExtras() : nullptr;
  SpriteRenderer* renderer = m_context->graphics ? m_context->graphics->GetSpriteRenderer() : nullptr;
  if (!world || !extras || !renderer || !extras->Find(&name)) return false;
  if (!Succeeded(renderer->Begin(SpriteRenderer::kAlphaBlend))) return false;
  Vector2 camera, zoom, centre;
  WorldTransform(camera, zoom, centre);
  bool drew = world->DrawBackgroundTinted(camera, zoom);
  drew = world->DrawBackgroundAnimations(camera, zoom) || drew;
  drew = world->DrawGameLayersTinted(camera, zoom) || drew;
  drew = world->DrawGameLayerAnimations(camera, zoom) || drew;
  drew = world->DrawForegroundTinted(camera, zoom) || drew;
  drew = world->DrawForegroundAnimations(camera, zoom) || drew;
  renderer->End();
  return drew;
}

void MainMenu::DrawWindMeter() {
  WindManager* wind = GetBackdropWind();
  if (!wind) return;
  SpriteRenderer* renderer = m_context->graphics->GetSpriteRenderer();
  const double ratio = std::clamp(wind->GetCurrentWind()->GetStrengthRatio(), -1.0, 1.0);
  const int32_t centre = int32_t(m_context->graphics->GetScreenWidth() / 2);
  const int32_t bottom = kMeterTop + kMeterHeight;
  const int32_t length = platform::TruncToInt(kMeterHalfWidth * std::abs(ratio) + 0.5);
  const Rect source{0, 0, 1, 1};
  auto fill = [&](const Rect& r, Argb colour) {
    renderer->DrawRect(m_white.get(), &source, &r, SpriteRenderer::kStretch, SpriteRenderer::kStretch,
                       colour);
  };
  fill({centre - kMeterHalfWidth - 3, kMeterTop - 3, centre + kMeterHalfWidth + 3, bottom + 3}, kMeterTrack);
  if (length > 0)
    fill(ratio < 0.0 ? Rect{centre - length, kMeterTop, centre, bottom}
                     : Rect{centre, kMeterTop, centre + length, bottom},
         kMeterBar);
  fill({centre - 1, kMeterTop - 6, centre + 1, bottom + 6}, kMeterCentre);
}

void MainMenu::OnKeyDown(const InputState* state) {
  if (!state) return;
  // Escape ends the game, unless it pauses the battle.
  if (state->keyboard.WasKeyPressed(kKeyEscape) && !(m_battle && m_battle->TakesEscape())) m_context->running = false;
  if (m_battle && m_battle->IsRunning()) {
    m_battle->OnKeyDown(state);
  } else if (m_battle) {
    // Enter: the player against the computer; H: two players taking turns at one keyboard.
    if (state->keyboard.WasKeyPressed(kKeyEnter) || state->keyboard.WasKeyPressed(kKeyNumpadEnter)) {
      m_battle->opponent = MenuBattle::kOpponent;
      StartBattle();
    } else if (state->keyboard.WasKeyPressed(kKeyH)) {
      m_battle->opponent = MenuBattle::kHotSeat;
      StartBattle();
    }
  }
}

void MainMenu::UpdateMusic() {
  MusikPlayer* player = m_globals ? m_globals->GetMusikPlayer() : nullptr;
  if (!player) return;
  if (m_context->input && m_context->input->IsInactive()) {
    if (player->IsRunning()) player->Pause();
    return;
  }
  if (player->IsPaused()) {
    player->Play();
    return;
  }
  if (player->IsRunning() && !player->IsFinished()) return;
  StartRandomSong();
}

void MainMenu::StartRandomSong() {
  MusikPlayer* player = m_globals->GetMusikPlayer();
  bool& silent = m_silent[m_inGameMusic ? 1 : 0];
  if (silent) return;
  const char16_t* pattern = m_inGameMusic ? u"InGameSong%d.mp3" : u"Titlesong%d.mp3";
  // Random picks until one loads; the player refuses a song that failed before without
  // trying the file again, so the search ends once both songs have failed (or, should the
  // picks keep landing on one failing song, after kMaxSongPicks).
  bool failed[2] = {false, false};
  for (int pick = 0; pick < kMaxSongPicks && !(failed[0] && failed[1]); ++pick) {
    int number = platform::Rand() % 2 + 1;
    std::u16string name = platform::FormatW(pattern, number);
    if (player->Load(name.c_str()) != MusikPlayer::kOk) {
      failed[number - 1] = true;
      continue;
    }
    player->Rewind();
    player->Play();
    m_globals->SetMusicVolume(m_globals->GetMusicVolume());
    return;
  }
  silent = true;
}
