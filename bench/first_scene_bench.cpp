// One frame of the first scene, started as the shell starts it (the shipped archive, the
// OpenGL device offscreen), at 1024 x 768 and at 1920 x 1080: the whole frame as the main
// loop draws it, and each thing drawn on its own on a cleared back buffer (the backdrop alone
// and with the background layers; the clear alone is
// the baseline to subtract), the whole frame with no effect on, the post-effect chain whole (with its finishing pass and
// without) and part by part (the scene captured into
// its first picture, each effect the scene switched on, whole and step by step, the light rays' silhouette and the
// depth of field's depth key at the sizes their effects draw them, the finished picture
// drawn onto the back buffer), the presentation that scales the back
// buffer into the window, and the scene's start (its data files, the world's build and its first frame). Every
// figure waits for the driver to finish, and counts the CPU time of every thread of the
// process (the software rasteriser draws on its own threads).
//
// Runs with SDL_VIDEODRIVER=offscreen (set here when unset); taskset -c 0-1 gives the
// two-core figures. KRUMBOLT_BENCH_PICTURES=<folder> writes the pictures drawn (the game
// layers, the captured scene, the chain's finished picture) there as PNG files.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "battle/cameramanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/apiinput.h"
#include "engine/apisound.h"
#include "engine/effect.h"
#include "engine/myglobals.h"
#include "engine/spriterenderer.h"
#include "frontend/engineshowcase.h"
#include "frontend/mainmenu.h"
#include "platform/image.h"
#include "platform/texture.h"
#include "platform/video.h"
#include "platform/window.h"
#include "posteffects/finishingpass.h"
#include "posteffects/mype_effectcombination.h"
#include "posteffects/mype_kinds.h"
#include "posteffects/myposteffect.h"
#include "posteffects/myposteffectrenderdata.h"
#include "posteffects/posteffectlibrary.h"
#include "world/ebenenhintergrund.h"
#include "world/wassermanager.h"
#include "world/welt.h"

namespace {

constexpr uint32_t kClearColour = MainMenu::kBackground;

// The game as the shell has it once the first scene runs.
class Game {
 public:
  Game() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    // A fresh per-user folder: no saved display mode or settings change what is measured.
    m_home = std::filesystem::temp_directory_path() / ("krumbolt-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(m_home);
    setenv("XDG_DATA_HOME", m_home.c_str(), 1);
    // The archive is found in the working directory.
    std::filesystem::current_path(KRUMBOLT_BINARY_DIR);
    platform::InitVideo();

    context = APIContext::Get();
    context->graphicsFactory = [](APIContext& c) {
      DisplayEnvironment display;
      // A window of 1920 x 1080 with its frame must fit the work area, or the mode change
      // keeps the smaller mode.
      display.desktop = {2560, 1600};
      display.workArea = {0, 0, 2560, 1600};
      display.adapterModes = {{1024, 768, 60, kFormatX8R8G8B8}, {1920, 1080, 60, kFormatX8R8G8B8}};
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
    StartScene();
  }

  // The scene made afresh, up to its first frame drawn.
  void StartScene() {
    scene.reset();
    scene = std::make_unique<MainMenu>(context);
    context->timer->Tick();
    Frame();
  }

  void SetSize(uint32_t width, uint32_t height) {
    if (graphics->GetScreenWidth() == width && graphics->GetScreenHeight() == height) return;
    graphics->ChangeMode(width, height, 60, kFormatX8R8G8B8, false);
    Frame();
  }

  // One pass of the main loop that renders.
  void Frame() {
    context->timer->Tick();
    context->input->Update();
    scene->Update();
    scene->Render();
    glFinish();
  }

  // The scene's view of the world, as its render finds it.
  void View(Vector2& camera, Vector2& zoom, Vector2& centre) const {
    if (CameraManager* c = globals->GetCamera()) {
      c->GetViewTransform(camera, zoom, centre);
      return;
    }
    double travel = 0.0;
    scene->GetMenuView(camera, zoom, travel);
    centre = Vector2(float(travel), 0.0f);
  }

  // Clears the back buffer, draws `part` in one sprite batch and waits for the driver.
  template <class Part>
  void DrawAlone(Part part) {
    platform::GraphicsDevice* device = graphics->GetDevice();
    device->Clear(platform::kClearTarget, kClearColour, 1.0f, 0);
    SpriteRenderer* sprites = graphics->GetSpriteRenderer();
    sprites->Begin(SpriteRenderer::kAlphaBlend);
    part();
    sprites->End();
    glFinish();
  }

  ~Game() {
    scene.reset();
    // The device and everything it made (the fonts' textures among them) go while the
    // window and its context still exist; the graphics object itself outlives this one.
    graphics->Release();
    std::filesystem::remove_all(m_home);
  }

  APIContext* context = nullptr;
  APIGraphics* graphics = nullptr;
  MyGlobals* globals = nullptr;
  std::unique_ptr<MainMenu> scene;

 private:
  std::filesystem::path m_home;
  std::unique_ptr<platform::Window> m_window;
};

struct Times {
  double wall;
  double cpu;
};
Times Now() {
  timespec wall{}, cpu{};
  clock_gettime(CLOCK_MONOTONIC, &wall);
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
  return {double(wall.tv_sec) + 1e-9 * double(wall.tv_nsec), double(cpu.tv_sec) + 1e-9 * double(cpu.tv_nsec)};
}

Game& TheGame(benchmark::State& state) {
  static Game game;
  game.SetSize(uint32_t(state.range(0)), uint32_t(state.range(1)));
  // The back buffer the frame is drawn into, as the mode change left it.
  platform::GraphicsDevice* device = game.graphics->GetDevice();
  state.counters["backbuffer_w"] = double(device->BackBufferWidth());
  return game;
}

void Rate(benchmark::State& state) {
  state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

// With KRUMBOLT_BENCH_PICTURES naming a folder, the picture the bound target holds after the
// measured draws is written there as <name>_<width>.png, to compare two builds' pictures.
void WritePicture(Game& game, const std::string& name) {
  const char* folder = std::getenv("KRUMBOLT_BENCH_PICTURES");
  if (!folder) return;
  platform::GraphicsDevice* device = game.graphics->GetDevice();
  platform::Image image(device->TargetWidth(), device->TargetHeight(), device->ReadPixels());
  for (uint32_t& p : image.pixels) p |= 0xFF000000u;
  platform::WritePng(std::string(folder) + "/" + name + "_" + std::to_string(image.width) + ".png", image);
}

// The chain's finishing pass on (1) or off (0, every effect runs its own last step), for
// the figures with and without it from one build.
void Finishing(benchmark::State& state, Game& game, int64_t on) {
  FinishingPass& finishing = game.globals->GetPostEffects()->GetFinishingPass();
  finishing.SetEnabled(on != 0);
  state.SetLabel(on ? "finishing pass" : "effect by effect");
}

void WholeFrame(benchmark::State& state) {
  Game& game = TheGame(state);
  Finishing(state, game, state.range(2));
  for (auto _ : state) game.Frame();
  Rate(state);
}

// The whole frame with the active list set aside, as the main loop draws it when no effect is
// on: the scene straight onto the back buffer, then the panel. What the effect chain adds is
// the difference to WholeFrame.
void WholeFrameWithoutEffects(benchmark::State& state) {
  Game& game = TheGame(state);
  PostEffectLibrary* effects = game.globals->GetPostEffects();
  const std::vector<MyPostEffect*> kept = effects->GetActiveList();
  for (MyPostEffect* effect : kept) effects->DeactivateEffect(effect);
  state.SetLabel(std::to_string(kept.size()) + " effects set aside");
  for (auto _ : state) game.Frame();
  for (MyPostEffect* effect : kept) effects->ActivateEffect(effect);
  Rate(state);
}

void ClearOnly(benchmark::State& state) {
  Game& game = TheGame(state);
  for (auto _ : state) game.DrawAlone([] {});
  Rate(state);
}

void BackdropAndBackgroundLayers(benchmark::State& state) {
  Game& game = TheGame(state);
  Vector2 camera, zoom, centre;
  game.View(camera, zoom, centre);
  Welt* world = game.globals->GetWelt();
  for (auto _ : state) game.DrawAlone([&] { world->DrawBackground(camera, zoom, centre, 0xFFFFFFFF, true); });
  Rate(state);
}

// The backdrop alone: the sky pictures stretched over the screen and their animations.
void Backdrop(benchmark::State& state) {
  Game& game = TheGame(state);
  Vector2 camera, zoom, centre;
  game.View(camera, zoom, centre);
  Welt* world = game.globals->GetWelt();
  const EbenenHintergrund* backdrop = world->GetBackdrop();
  state.SetLabel(std::to_string(backdrop ? backdrop->GetBackground().size() : 0) + " pictures");
  for (auto _ : state) game.DrawAlone([&] { world->DrawBackdrop(zoom, centre, 0xFFFFFFFF); });
  Rate(state);
}

void BackgroundLayers(benchmark::State& state) {
  Game& game = TheGame(state);
  Vector2 camera, zoom, centre;
  game.View(camera, zoom, centre);
  Welt* world = game.globals->GetWelt();
  for (auto _ : state)
    game.DrawAlone([&] { world->DrawBackground(camera, zoom, centre, 0xFFFFFFFF, false); });
  Rate(state);
}

void GameLayers(benchmark::State& state) {
  Game& game = TheGame(state);
  Vector2 camera, zoom, centre;
  game.View(camera, zoom, centre);
  Welt* world = game.globals->GetWelt();
  for (auto _ : state) game.DrawAlone([&] { world->DrawGameLayers(camera, zoom, 0xFFFFFFFF); });
  WritePicture(game, "game_layers");
  Rate(state);
}

void Water(benchmark::State& state) {
  Game& game = TheGame(state);
  Vector2 camera, zoom, centre;
  game.View(camera, zoom, centre);
  WasserManager* water = game.scene->GetBackdropWater();
  for (auto _ : state)
    game.DrawAlone([&] {
      if (water)
        for (int32_t depth : {-2, -1, 0, 1}) water->Draw(camera, zoom, 0xFFFFFFFF, depth);
    });
  Rate(state);
}

void Panel(benchmark::State& state) {
  Game& game = TheGame(state);
  EngineShowcase* panel = game.scene->GetShowcase();
  for (auto _ : state)
    game.DrawAlone([&] {
      if (panel) panel->Draw();
    });
  Rate(state);
}

// The scene drawn into the post-effect chain's first picture, as the chain starts.
void SceneCapture(benchmark::State& state) {
  Game& game = TheGame(state);
  PostEffectLibrary* effects = game.globals->GetPostEffects();
  MyPostEffectRenderData& data = effects->GetRenderData();
  platform::GraphicsDevice* device = game.graphics->GetDevice();
  for (auto _ : state) {
    platform::Texture* kept = device->RenderTarget();
    device->SetRenderTarget(data.Org());
    device->Clear(platform::kClearTarget, 0xFF808080, 1.0f, 0);
    game.scene->RenderPass();
    device->SetRenderTarget(kept);
    glFinish();
  }
  platform::Texture* kept = device->RenderTarget();
  device->SetRenderTarget(data.Org());
  WritePicture(game, "scene");
  device->SetRenderTarget(kept);
  Rate(state);
}

// The whole chain over the captured picture, as the frame runs it.
void EffectChain(benchmark::State& state) {
  Game& game = TheGame(state);
  Finishing(state, game, state.range(2));
  PostEffectLibrary* effects = game.globals->GetPostEffects();
  const uint64_t runs = effects->GetFinishingPass().Runs();
  for (auto _ : state) {
    effects->RenderChain();
    glFinish();
  }
  state.counters["finished"] = double(effects->GetFinishingPass().Runs() - runs) / double(state.iterations());
  Rate(state);
}

// The chain's finished picture of this frame's capture with the finishing pass and without:
// the largest and the mean difference of a colour channel. With KRUMBOLT_BENCH_PICTURES
// naming a folder, both pictures are written there as PNG files to be looked at.
void FinishingDifference(benchmark::State& state) {
  Game& game = TheGame(state);
  PostEffectLibrary* effects = game.globals->GetPostEffects();
  MyPostEffectRenderData& data = effects->GetRenderData();
  platform::GraphicsDevice* device = game.graphics->GetDevice();
  FinishingPass& finishing = effects->GetFinishingPass();
  const bool kept = finishing.IsEnabled();
  std::vector<uint32_t> pictures[2];
  for (auto _ : state)
    for (int on : {0, 1}) {
      finishing.SetEnabled(on != 0);
      platform::Texture* target = device->RenderTarget();
      device->SetRenderTarget(data.Org());
      device->Clear(platform::kClearTarget, 0xFF808080, 1.0f, 0);
      game.scene->RenderPass();
      effects->RenderChain();
      device->SetRenderTarget(data.Org());
      pictures[on] = device->ReadPixels();
      device->SetRenderTarget(target);
    }
  finishing.SetEnabled(kept);
  int largest = 0;
  uint64_t sum = 0;
  for (size_t i = 0; i < pictures[0].size(); ++i)
    for (int shift : {16, 8, 0}) {
      const int d = std::abs(int((pictures[0][i] >> shift) & 0xFF) - int((pictures[1][i] >> shift) & 0xFF));
      largest = std::max(largest, d);
      sum += uint64_t(d);
    }
  state.counters["max_difference"] = largest;
  state.counters["mean_difference"] = double(sum) / double(3 * std::max<size_t>(1, pictures[0].size()));
  if (const char* folder = std::getenv("KRUMBOLT_BENCH_PICTURES"))
    for (int on : {0, 1}) {
      platform::Image image(data.Width(), data.Height(), pictures[on]);
      for (uint32_t& p : image.pixels) p |= 0xFF000000u;
      platform::WritePng(std::string(folder) + "/chain_" + std::to_string(data.Width()) +
                             (on ? "_finishing.png" : "_effect_by_effect.png"),
                         image);
    }
  Rate(state);
}

// One effect of the chain that the scene switched on (by its place on the active list),
// over the picture the previous frame left; the label names it.
void PostEffect(benchmark::State& state) {
  Game& game = TheGame(state);
  PostEffectLibrary* effects = game.globals->GetPostEffects();
  const auto& active = effects->GetActiveList();
  const size_t index = size_t(state.range(2));
  if (index >= active.size()) {
    state.SkipWithError("not on the active list");
    return;
  }
  MyPostEffect* effect = active[index];
  state.SetLabel(std::string(effect->GetName().begin(), effect->GetName().end()));
  MyPostEffectRenderData& data = effects->GetRenderData();
  platform::GraphicsDevice* device = game.graphics->GetDevice();
  for (auto _ : state) {
    data.ResetQuad();
    data.UploadQuad();
    device->CopyRenderTarget(data.Org(), data.Source());
    effect->Render(data);
    glFinish();
  }
  Rate(state);
}

// The same effect pass by pass: each child of a combination (or the effect itself) run in
// order over the picture, its CPU time (all threads, the driver waited for) reported as a
// counter of its name in ms per frame.
void EffectSteps(benchmark::State& state) {
  Game& game = TheGame(state);
  PostEffectLibrary* effects = game.globals->GetPostEffects();
  const auto& active = effects->GetActiveList();
  const size_t index = size_t(state.range(2));
  if (index >= active.size()) {
    state.SkipWithError("not on the active list");
    return;
  }
  MyPostEffect* effect = active[index];
  state.SetLabel(std::string(effect->GetName().begin(), effect->GetName().end()));
  std::vector<MyPostEffect*> steps;
  if (auto* combination = dynamic_cast<MyPE_EffectCombination*>(effect))
    for (size_t i = 0; i < combination->ChildCount(); ++i) steps.push_back(combination->GetChild(i));
  else
    steps.push_back(effect);
  std::vector<double> cpu(steps.size(), 0.0);
  MyPostEffectRenderData& data = effects->GetRenderData();
  platform::GraphicsDevice* device = game.graphics->GetDevice();
  for (auto _ : state) {
    data.ResetQuad();
    data.UploadQuad();
    device->CopyRenderTarget(data.Org(), data.Source());
    glFinish();
    for (size_t i = 0; i < steps.size(); ++i) {
      const Times before = Now();
      steps[i]->Render(data);
      glFinish();
      cpu[i] += Now().cpu - before.cpu;
    }
  }
  for (size_t i = 0; i < steps.size(); ++i) {
    const std::u16string& name = steps[i]->GetName();
    state.counters[std::to_string(i) + "_" + std::string(name.begin(), name.end()) + "_cpu_ms"] =
        1e3 * cpu[i] / double(state.iterations());
  }
  Rate(state);
}

// The world drawn flat in a render extra's colours, into the extra picture at the size the
// effect that reads it draws it (the label gives the fraction of the screen), through the
// effect's second effect file where it draws its extra through one, as the chain draws it.
void RenderExtra(benchmark::State& state, const MyPostEffect* effect, const char16_t* name, uint32_t clear) {
  Game& game = TheGame(state);
  PostEffectLibrary* effects = game.globals->GetPostEffects();
  MyPostEffectRenderData& data = effects->GetRenderData();
  platform::GraphicsDevice* device = game.graphics->GetDevice();
  const platform::Vector2 scaling = effect ? effect->ExtraScaling() : platform::Vector2{1.0f, 1.0f};
  Effect* second = nullptr;
  if (effect && effect->ExtraThroughSecondEffect() && !effect->GetSecondFileName().empty())
    second = game.graphics->GetEffectCache()->Get(effect->GetSecondFileName(), nullptr, game.globals->GetArchive());
  platform::Effect* fx = second ? second->GetEffect() : nullptr;
  state.SetLabel("at " + std::to_string(scaling.x) + (fx ? " through its second effect" : ""));
  SpriteRenderer* sprites = game.graphics->GetSpriteRenderer();
  for (auto _ : state) {
    platform::Texture* kept = device->RenderTarget();
    platform::Texture* extra = data.ExtraAt(scaling.x, scaling.y);
    device->SetRenderTarget(extra);
    device->SetDrawingArea(data.Width(), data.Height());
    device->Clear(platform::kClearTarget, clear, 1.0f, 0);
    uint32_t passes = 0;
    if (fx) {
      sprites->effect = second;
      fx->SetTechnique(fx->GetTechniqueByName("RenderPost"));
      if (fx->Begin(&passes)) {
        for (uint32_t i = 0; i < passes; ++i) {
          fx->BeginPass(i);
          effects->RenderLevelExtra(name);
          fx->EndPass();
        }
        fx->End();
      }
      sprites->effect = nullptr;
    } else {
      effects->RenderLevelExtra(name);
    }
    device->SetDrawingArea(0, 0);
    device->SetRenderTarget(kept);
    glFinish();
  }
  Rate(state);
}

// The light rays' silhouette (drawn with the sprite shader).
void Silhouette(benchmark::State& state) {
  Game& game = TheGame(state);
  MyPostEffect* rays = game.globals->GetPostEffects()->GetScatter();
  if (auto* combination = dynamic_cast<MyPE_EffectCombination*>(rays)) rays = combination->FindScatter();
  RenderExtra(state, rays, u"SILHOUETTE", 0xFFFFFFFF);
}

// The depth of field's depth key, drawn by the step that reads it.
void DepthKey(benchmark::State& state) {
  Game& game = TheGame(state);
  MyPE_EffectCombination* dof = game.globals->GetPostEffects()->GetDepthOfField();
  const MyPostEffect* keyed = nullptr;
  for (size_t i = 0; dof && i < dof->ChildCount(); ++i)
    if (dof->GetChild(i)->HasRenderExtra() && dof->GetChild(i)->GetRenderExtraName() == u"DOF_TIEFE")
      keyed = dof->GetChild(i);
  RenderExtra(state, keyed, u"DOF_TIEFE", 0xFF000000);
}

// The chain's finished picture put onto the back buffer: copied where the device can, as
// the chain does (else drawn).
void ChainToBackBuffer(benchmark::State& state) {
  Game& game = TheGame(state);
  PostEffectLibrary* effects = game.globals->GetPostEffects();
  MyPostEffectRenderData& data = effects->GetRenderData();
  platform::GraphicsDevice* device = game.graphics->GetDevice();
  for (auto _ : state) {
    if (device->CopyToBackBuffer(data.Org())) {
      glFinish();
      continue;
    }
    game.DrawAlone([&] {
      const Rect& screen = game.graphics->GetScreenRect();
      game.graphics->GetSpriteRenderer()->DrawRect(data.Org(), &screen, &screen, SpriteRenderer::kStretch,
                                                   SpriteRenderer::kStretch, 0xFFFFFFFF);
    });
  }
  Rate(state);
}

// The back buffer scaled into the window and shown.
void Present(benchmark::State& state) {
  Game& game = TheGame(state);
  platform::GraphicsDevice* device = game.graphics->GetDevice();
  for (auto _ : state) {
    device->Present();
    glFinish();
  }
  Rate(state);
}

// The scene's start: its data files, the menu world's build, and its first frame (which
// makes and uploads every texture drawn).
void SceneStart(benchmark::State& state) {
  Game& game = TheGame(state);
  double made = 0.0, first = 0.0, second = 0.0;
  for (auto _ : state) {
    const Times start = Now();
    game.scene.reset();
    game.scene = std::make_unique<MainMenu>(game.context);
    const Times loaded = Now();
    game.Frame();
    const Times drawn = Now();
    game.Frame();
    const Times again = Now();
    made += loaded.wall - start.wall;
    first += drawn.wall - loaded.wall;
    second += again.wall - drawn.wall;
    state.counters["scene_cpu_ms"] += 1e3 * (loaded.cpu - start.cpu);
    state.counters["first_frame_cpu_ms"] += 1e3 * (drawn.cpu - loaded.cpu);
    state.counters["second_frame_cpu_ms"] += 1e3 * (again.cpu - drawn.cpu);
  }
  // Wall times: the scene made (data files and the world's build), its first frame (every
  // texture made and uploaded, the effects compiled) and the next frame for comparison.
  const double n = double(state.iterations());
  state.counters["scene_ms"] = 1e3 * made / n;
  state.counters["first_frame_ms"] = 1e3 * first / n;
  state.counters["second_frame_ms"] = 1e3 * second / n;
  for (const char* key : {"scene_cpu_ms", "first_frame_cpu_ms", "second_frame_cpu_ms"})
    state.counters[key] = state.counters[key] / n;
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Args({1024, 768})->Args({1920, 1080})->ArgNames({"w", "h"});
  b->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
}

void SizesAndFinishing(benchmark::internal::Benchmark* b) {
  b->ArgsProduct({{1024}, {768}, {1, 0}})->ArgsProduct({{1920}, {1080}, {1, 0}})->ArgNames({"w", "h", "finishing"});
  b->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
}

BENCHMARK(WholeFrame)->Apply(SizesAndFinishing);
BENCHMARK(WholeFrameWithoutEffects)->Apply(Sizes);
BENCHMARK(EffectChain)->Apply(SizesAndFinishing);
BENCHMARK(FinishingDifference)->Apply(Sizes)->Iterations(1);
BENCHMARK(ClearOnly)->Apply(Sizes);
BENCHMARK(BackdropAndBackgroundLayers)->Apply(Sizes);
BENCHMARK(Backdrop)->Apply(Sizes);
BENCHMARK(BackgroundLayers)->Apply(Sizes);
BENCHMARK(GameLayers)->Apply(Sizes);
BENCHMARK(Water)->Apply(Sizes);
BENCHMARK(Panel)->Apply(Sizes);
BENCHMARK(SceneCapture)->Apply(Sizes);
BENCHMARK(PostEffect)
    ->ArgsProduct({{1024}, {768}, {0, 1, 2, 3, 4, 5}})
    ->ArgsProduct({{1920}, {1080}, {0, 1, 2, 3, 4, 5}})
    ->ArgNames({"w", "h", "effect"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(EffectSteps)
    ->ArgsProduct({{1024}, {768}, {0, 1, 2}})
    ->ArgNames({"w", "h", "effect"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(Silhouette)->Apply(Sizes);
BENCHMARK(DepthKey)->Apply(Sizes);
BENCHMARK(ChainToBackBuffer)->Apply(Sizes);
BENCHMARK(Present)->Apply(Sizes);
BENCHMARK(SceneStart)
    ->Args({1024, 768})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(3);

}  // namespace
