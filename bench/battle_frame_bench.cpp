// One battle frame on OpenGL offscreen at 1024 x 768, started as the shell starts it: the
// menu level's world with its water, two teams of six worms, 2000 particles (half drifting
// smoke, half earth crumbs that meet the ground) and the HUD, no post effects. The whole
// frame (the game step of the particles, worms, water and wind, the world pass, the overlay,
// the presentation) and its parts alone. Every figure waits for the driver and counts the
// CPU time of every thread of the process (the software rasteriser draws on its own).
//
// Runs with SDL_VIDEODRIVER=offscreen (set here when unset); taskset -c 0-1 gives the
// two-core figures.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "battle/cameramanager.h"
#include "battle/levelhud.h"
#include "battle/levelrender.h"
#include "battle/waffenset.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/apiinput.h"
#include "engine/apisound.h"
#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "engine/spriterenderer.h"
#include "frontend/mainmenu.h"
#include "objects/mannschaft.h"
#include "objects/partikelinfo.h"
#include "objects/partikelliste.h"
#include "objects/worm.h"
#include "objects/wormmanager.h"
#include "platform/random.h"
#include "platform/video.h"
#include "platform/window.h"
#include "posteffects/posteffectlibrary.h"
#include "world/wassermanager.h"
#include "world/welt.h"
#include "world/wind.h"

namespace {

constexpr int kParticles = 2000;
constexpr int kWormsPerTeam = 6;

struct Battle final : HudHost {
  Worm* worm = nullptr;
  Worm* GetActiveWorm() const override { return worm; }
  double GetTurnTimeLeft() const override { return 31.0; }
};

std::unique_ptr<KVNode> Parse(const std::u16string& text) {
  return ParseKVText(u"<>\n \t<\\>\n<ROOT>" + text + u"<\\ROOT>");
}

class Game {
 public:
  Game() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    m_home = std::filesystem::temp_directory_path() / ("krumbolt-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(m_home);
    setenv("XDG_DATA_HOME", m_home.c_str(), 1);
    std::filesystem::current_path(KRUMBOLT_BINARY_DIR);
    platform::InitVideo();
    context = APIContext::Get();
    context->graphicsFactory = [](APIContext& c) {
      DisplayEnvironment display;
      display.desktop = {2560, 1600};
      display.workArea = {0, 0, 2560, 1600};
      display.adapterModes = {{1024, 768, 60, kFormatX8R8G8B8}};
      static APIGraphics graphics(c, display);
      return &graphics;
    };
    auto owned = std::make_unique<MyGlobals>();
    globals = owned.get();
    globals->intro = false;
    context->globals = std::move(owned);
    context->Init();
    std::string error;
    m_window = platform::Window::Create(u"Krumbolt", 1024, 768, &error);
    context->mainWindow = m_window.get();
    graphics = context->graphics;
    graphics->ChangeMode(1024, 768, 60, kFormatX8R8G8B8, false);
    if (!m_window || Failed(graphics->Create())) {
      std::fprintf(stderr, "no OpenGL device: %s\n", error.c_str());
      std::exit(1);
    }
    globals->RegisterFonts();
    context->input->Init();
    context->sound->Init();
    // The menu level's world, water and wind, as the first scene builds them; no effects.
    scene = std::make_unique<MainMenu>(context);
    if (PostEffectLibrary* effects = globals->GetPostEffects()) effects->StopLevelEffects();
    Teams();
    Particles();
    hud = std::make_unique<LevelHud>(context, globals, &battle, globals->GetCamera());
    hud->Reset();
    renderer = std::make_unique<LevelRenderer>(context, globals, &battle, hud.get());
    SetZoomedOut(false);
    for (int i = 0; i < 50; ++i) Step();
  }

  // The camera over the middle of the world: at the screen's own scale (as the battle starts)
  // or zoomed out to the world's whole height.
  void SetZoomedOut(bool out) {
    CameraManager* camera = globals->GetCamera();
    if (!camera) return;
    const Rect r = globals->GetWelt()->GetWorldRect();
    const float h = out ? float(r.bottom - r.top) : 768.0f, w = h * 1024.0f / 768.0f;
    camera->SetView(ViewRect{float(r.left + r.right) / 2.0f - w / 2.0f, float(r.bottom) - h, w, h});
    camera->Update(0.01, false);
  }

  void Teams() {
    WormManager* manager = globals->GetWormManager();
    manager->ClearSelection();
    platform::SRand(3);
    for (int t = 0; t < 2; ++t) {
      auto team = std::make_unique<Mannschaft>(*manager, false);
      team->SetColour(MyGlobals::kTeamColours[t + 1]);
      Mannschaft* added = manager->AddTeam(std::move(team));
      added->ResetForGame();
      added->AddWormsToPlayOrder(kWormsPerTeam, globals->GetWelt());
      manager->AddTeamToGame(added);
    }
    manager->BeginGame();
    WaffenSet* weapons = globals->GetWaffenSet();
    weapons->ClearTeamRecords();
    for (Mannschaft* team : manager->PlayingTeams()) weapons->AddTeamRecords(team);
    Mannschaft* first = manager->PlayingTeams().front();
    battle.worm = first->PlayOrder().empty() ? nullptr : first->PlayOrder().front();
  }

  // Smoke drifting in front of everything and earth crumbs thrown about, never ageing.
  void Particles() {
    PartikelListe* list = globals->GetPartikelListe();
    list->SetSettings(nullptr, &m_maximum);
    m_smoke = std::make_unique<PartikelInfo>(
        Parse(u"<PARTIKEL_INFO><NAME> \"BenchSmoke\" <\\NAME><ANIMATIONEN> \"RAUCH\" <\\ANIMATIONEN>"
              u"<DRAW_EBENE> \"1\" <\\DRAW_EBENE><SIZE> \"24\" \"24\" \"24\" \"24\" <\\SIZE>"
              u"<GRAVITATION> \"-0.05\" <\\GRAVITATION><INIT_SPEED> \"0\" \"-5\" \"10\" \"5\" <\\INIT_SPEED>"
              u"<\\PARTIKEL_INFO>")
            ->GetChild(0, u"PARTIKEL_INFO"),
        globals->GetAnimationManager());
    m_crumb = std::make_unique<PartikelInfo>(
        Parse(u"<PARTIKEL_INFO><NAME> \"BenchCrumb\" <\\NAME><ANIMATIONEN> \"FUNKE\" <\\ANIMATIONEN>"
              u"<DRAW_EBENE> \"0\" <\\DRAW_EBENE><SIZE> \"6\" \"6\" \"6\" \"6\" <\\SIZE>"
              u"<COLLISION_EBENE> \"1\" <\\COLLISION_EBENE><REIBUNG_COLLISION> \"0.5\" \"0.5\" <\\REIBUNG_COLLISION>"
              u"<GRAVITATION> \"1\" <\\GRAVITATION><INIT_SPEED> \"0\" \"-150\" \"200\" \"100\" <\\INIT_SPEED>"
              u"<\\PARTIKEL_INFO>")
            ->GetChild(0, u"PARTIKEL_INFO"),
        globals->GetAnimationManager());
    const Rect r = globals->GetWelt()->GetWorldRect();
    for (int i = 0; i < kParticles; ++i) {
      const float x = float(r.left) + float(r.right - r.left) * float(platform::RandFraction());
      const float y = float(r.top) + float(r.bottom - r.top) * 0.5f * float(platform::RandFraction());
      list->Add(i % 2 ? *m_smoke : *m_crumb, Vector2(x, y));
    }
  }

  // The game step of a battle frame: what the battle steps each frame that the picture shows.
  void Step() {
    context->timer->Tick();
    context->input->Update();
    const double dt = 0.01;
    globals->GetPartikelListe()->Update();
    globals->GetWormManager()->Update(true, dt, dt);
    if (CameraManager* camera = globals->GetCamera()) camera->Update(dt, false);
    if (WasserManager* water = globals->GetWasserManager()) water->Update();
    if (WindManager* wind = globals->GetWindManager()) wind->Update(dt);
    globals->GetWelt()->Update(*context->timer);
    hud->Update(context->input->GetInputState(), dt);
  }

  void Draw() {
    platform::GraphicsDevice* device = graphics->GetDevice();
    device->Clear(platform::kClearTarget | platform::kClearZBuffer | platform::kClearStencil, 0xFF1B2230, 1.0f, 0);
    if (device->BeginScene()) {
      renderer->RenderPass();
      renderer->RenderOverlay();
      device->EndScene();
    }
  }

  void Frame() {
    Step();
    Draw();
    graphics->GetDevice()->Present();
    glFinish();
  }

  ~Game() {
    renderer.reset();
    hud.reset();
    globals->GetPartikelListe()->Clear();
    scene.reset();
    // The device and everything it made (the fonts' textures among them) go while the
    // window and its context still exist; the graphics object itself outlives this one.
    graphics->Release();
    std::filesystem::remove_all(m_home);
  }

  APIContext* context = nullptr;
  APIGraphics* graphics = nullptr;
  MyGlobals* globals = nullptr;
  Battle battle;
  std::unique_ptr<MainMenu> scene;
  std::unique_ptr<LevelHud> hud;
  std::unique_ptr<LevelRenderer> renderer;

 private:
  std::filesystem::path m_home;
  std::unique_ptr<platform::Window> m_window;
  std::unique_ptr<PartikelInfo> m_smoke;
  std::unique_ptr<PartikelInfo> m_crumb;
  // The list reads its limit from here.
  const int32_t m_maximum = kParticles + 100;
};

Game& TheGame() {
  static Game game;
  return game;
}

// range(0): 0 at the screen's scale, 1 zoomed out to the world's height.
Game& TheGame(benchmark::State& state) {
  Game& game = TheGame();
  game.SetZoomedOut(state.range(0) != 0);
  return game;
}

void Rate(benchmark::State& state) {
  state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["particles"] = double(TheGame().globals->GetPartikelListe()->GetCount());
}

void WholeFrame(benchmark::State& state) {
  Game& game = TheGame(state);
  for (auto _ : state) game.Frame();
  Rate(state);
}

// The same frame with every layer drawn whole, hidden parts included: what leaving them out saves.
void WholeFrameEverythingDrawn(benchmark::State& state) {
  Game& game = TheGame(state);
  Welt* world = game.globals->GetWelt();
  world->SetLeavesOutHidden(false);
  for (auto _ : state) game.Frame();
  world->SetLeavesOutHidden(true);
  Rate(state);
}

void GameStep(benchmark::State& state) {
  Game& game = TheGame();
  for (auto _ : state) game.Step();
  Rate(state);
}

// The drawing parts, each alone on a cleared back buffer (the clear alone is the baseline).
template <class Part>
void Alone(benchmark::State& state, Part part) {
  Game& game = TheGame(state);
  platform::GraphicsDevice* device = game.graphics->GetDevice();
  SpriteRenderer* sprites = game.graphics->GetSpriteRenderer();
  Vector2 offset, scale, centre;
  game.globals->GetCamera()->GetViewTransform(offset, scale, centre);
  for (auto _ : state) {
    device->Clear(platform::kClearTarget, 0xFF1B2230, 1.0f, 0);
    device->BeginScene();
    sprites->Begin(SpriteRenderer::kAlphaBlend);
    part(game, offset, scale, centre);
    sprites->End();
    device->EndScene();
    glFinish();
  }
  Rate(state);
}

void ClearOnly(benchmark::State& state) {
  Alone(state, [](Game&, const Vector2&, const Vector2&, const Vector2&) {});
}

void WorldLayers(benchmark::State& state) {
  Alone(state, [](Game& g, const Vector2& o, const Vector2& s, const Vector2& c) {
    Welt* world = g.globals->GetWelt();
    world->DrawBackground(o, s, c, 0xFFFFFFFF, true, true);
    world->DrawGameLayers(o, s, 0xFFFFFFFF);
    world->DrawForegroundLayers(o, s, 0xFFFFFFFF);
  });
}

void BackgroundLayers(benchmark::State& state) {
  Alone(state, [](Game& g, const Vector2& o, const Vector2& s, const Vector2& c) {
    g.globals->GetWelt()->DrawBackground(o, s, c, 0xFFFFFFFF, true);
  });
}

void GameLayers(benchmark::State& state) {
  Alone(state, [](Game& g, const Vector2& o, const Vector2& s, const Vector2&) {
    g.globals->GetWelt()->DrawGameLayers(o, s, 0xFFFFFFFF);
  });
}

void ForegroundLayers(benchmark::State& state) {
  Alone(state, [](Game& g, const Vector2& o, const Vector2& s, const Vector2&) {
    g.globals->GetWelt()->DrawForegroundLayers(o, s, 0xFFFFFFFF);
  });
}

void Water(benchmark::State& state) {
  Alone(state, [](Game& g, const Vector2& o, const Vector2& s, const Vector2&) {
    for (int d = -2; d <= 1; ++d) g.globals->GetWasserManager()->Draw(o, s, 0xFFFFFFFF, d);
  });
}

void ParticlesDrawn(benchmark::State& state) {
  Alone(state, [](Game& g, const Vector2& o, const Vector2& s, const Vector2&) {
    for (int d = -2; d <= 1; ++d) g.globals->GetPartikelListe()->Render(o, s, 0xFFFFFFFF, d);
  });
}

void Worms(benchmark::State& state) {
  Alone(state, [](Game& g, const Vector2& o, const Vector2& s, const Vector2&) {
    for (int pass = 0; pass < 3; ++pass) g.globals->GetWormManager()->DrawWorms(o, s, 0xFFFFFFFF, pass);
  });
}

void Hud(benchmark::State& state) {
  Alone(state, [](Game& g, const Vector2&, const Vector2&, const Vector2&) { g.hud->DrawOverlay(); });
}

void Present(benchmark::State& state) {
  Game& game = TheGame();
  for (auto _ : state) {
    game.graphics->GetDevice()->Present();
    glFinish();
  }
  Rate(state);
}

#define BATTLE_BENCH(name) \
  BENCHMARK(name)->Arg(0)->Arg(1)->ArgName("zoomed_out")->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()

BATTLE_BENCH(WholeFrame);
BATTLE_BENCH(WholeFrameEverythingDrawn);
BATTLE_BENCH(GameStep);
BATTLE_BENCH(ClearOnly);
BATTLE_BENCH(WorldLayers);
BATTLE_BENCH(BackgroundLayers);
BATTLE_BENCH(GameLayers);
BATTLE_BENCH(ForegroundLayers);
BATTLE_BENCH(Water);
BATTLE_BENCH(ParticlesDrawn);
BATTLE_BENCH(Worms);
BATTLE_BENCH(Hud);
BATTLE_BENCH(Present);

}  // namespace
