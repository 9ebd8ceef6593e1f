// Moving animations: 1,000 and 10,000 clones of the content's decorations (birds, butterflies
// with their sparks, gulls, sparks, clouds) updated, and 1,000 updated and drawn per frame;
// the baseline of the drawing is the same number of sprite draws made directly, without
// paths or frame animations, on the same device. Frame animations: 10,000 clones of the
// content's animations updated per frame, against a plain loop that only advances a clock
// and picks a frame index per clone.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"
#include "platform/numeric.h"
#include "platform/random.h"
#include "platform/window.h"

namespace {

constexpr int kCount = 1000;
constexpr int kClones = 10000;
constexpr double kStep = 1.0 / 60.0;

struct Scene {
  APIContext context;
  std::unique_ptr<platform::Window> window;
  std::unique_ptr<APIGraphics> graphics;
  std::unique_ptr<DataArchive> archive;
  std::unique_ptr<AnimationManager> manager;
  std::vector<std::unique_ptr<BewegteAnimation>> moving;

  // False when there is no content archive or no device.
  bool Build(bool gl, int count = kCount) {
    archive = DataArchive::Open(u"" KRUMBOLT_BINARY_DIR "/krumbolt.gob");
    if (!archive) return false;
    DisplayEnvironment display;
    display.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(context, display);
    if (gl) {
      window = platform::Window::Create(u"bench", 1024, 768);
      if (!window) return false;
      context.mainWindow = window.get();
    } else {
      graphics->UseNullDevice(true);
    }
    if (Failed(graphics->Create())) return false;
    manager = std::make_unique<AnimationManager>(graphics.get());
    for (const char16_t* file : {u"animationen.ani", u"ebenen_animationen.ani"}) {
      auto root = LoadKVFromArchive(file, archive.get());
      manager->LoadFile(root.get(), archive.get());
    }
    platform::SRand(1);
    const char16_t* names[] = {u"VOGEL", u"SCHMETTERLING", u"MOEWE", u"FUNKELN", u"WOLKE"};
    for (int i = 0; i < count; ++i) {
      auto clone = manager->CreateBewegteAnimation(names[i % 5]);
      if (!clone) return false;
      const int32_t x = (i * 97) % 824, y = (i * 61) % 568;
      const Rect area{x, y, x + 200, y + 200};
      if (clone->GetPath()) clone->GetPath()->Regenerate(&area);
      clone->SetArea(area);
      moving.push_back(std::move(clone));
    }
    return true;
  }
};

void BM_MovingUpdate(benchmark::State& state) {
  Scene scene;
  if (!scene.Build(false, int(state.range(0)))) {
    state.SkipWithError("no content archive");
    return;
  }
  for (auto _ : state)
    for (auto& m : scene.moving) m->Update(kStep);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_FrameAnimationClonesUpdate(benchmark::State& state) {
  Scene scene;
  if (!scene.Build(false, 0)) {
    state.SkipWithError("no content archive");
    return;
  }
  platform::SRand(1);
  const char16_t* names[] = {u"EXPLOSION", u"IMPLOSION",     u"RAUCH",       u"FUNKE",
                             u"VOGEL",     u"SCHMETTERLING", u"WASSERWELLEN"};
  std::vector<std::unique_ptr<Animation>> clones;
  for (int i = 0; i < kClones; ++i) {
    auto clone = scene.manager->CreateAnimation(names[i % 7]);
    if (!clone) {
      state.SkipWithError("an animation is missing");
      return;
    }
    clones.push_back(std::move(clone));
  }
  for (auto _ : state)
    for (auto& a : clones) {
      a->Update(kStep);
      benchmark::DoNotOptimize(a->GetCurrentFrame());
    }
  state.SetItemsProcessed(state.iterations() * kClones);
}

// The least a clone's update does: its clock moves on and gives a frame index.
void BM_FrameIndexBaseline(benchmark::State& state) {
  struct Clock {
    double position;
    double speed;
    int32_t frames;
  };
  std::vector<Clock> clocks;
  for (int i = 0; i < kClones; ++i) clocks.push_back({double(i % 8), 6.0 + i % 20, 4 + i % 5});
  for (auto _ : state)
    for (Clock& c : clocks) {
      c.position += kStep * c.speed;
      benchmark::DoNotOptimize(platform::TruncToInt(c.position) % c.frames);
    }
  state.SetItemsProcessed(state.iterations() * kClones);
}

void UpdateAndDraw(benchmark::State& state, bool gl) {
  Scene scene;
  if (!scene.Build(gl)) {
    state.SkipWithError("no content archive or device");
    return;
  }
  platform::GraphicsDevice* device = scene.graphics->GetDevice();
  SpriteRenderer* sprites = scene.graphics->GetSpriteRenderer();
  for (auto _ : state) {
    device->Clear(platform::kClearTarget, 0xFF5E8CC8, 1.0f, 0);
    sprites->Begin(SpriteRenderer::kAlphaBlend);
    for (auto& m : scene.moving) {
      m->Update(kStep);
      m->Render();
    }
    sprites->End();
    if (gl) benchmark::DoNotOptimize(device->ReadPixels());
    device->ClearRecordedDraws();
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}

// The draws alone: each animation's current frame as one transformed sprite at the size,
// place and angle it is drawn at, without paths, frame animations or children.
void DrawsOnly(benchmark::State& state, bool gl) {
  Scene scene;
  if (!scene.Build(gl)) {
    state.SkipWithError("no content archive or device");
    return;
  }
  platform::GraphicsDevice* device = scene.graphics->GetDevice();
  SpriteRenderer* sprites = scene.graphics->GetSpriteRenderer();
  struct Sprite {
    const AnimationFrame* frame;
    Vector2 scale, centre, topLeft;
    double angle;
  };
  std::vector<Sprite> plain;
  for (auto& m : scene.moving) {
    m->Update(kStep);
    const AnimationFrame* f = m->GetAnimation() ? m->GetAnimation()->GetCurrentFrame() : nullptr;
    if (!f) continue;
    const Vector2 size = m->GetSize();
    const Vector2 place = m->GetPath() ? m->GetPath()->GetPosition() : m->GetPosition();
    plain.push_back(
        {f,
         {size.x / float(f->rect.right - f->rect.left), size.y / float(f->rect.bottom - f->rect.top)},
         size / 2.0f,
         place - size / 2.0f,
         m->GetAngle()});
  }
  for (auto _ : state) {
    device->Clear(platform::kClearTarget, 0xFF5E8CC8, 1.0f, 0);
    sprites->Begin(SpriteRenderer::kAlphaBlend);
    for (const Sprite& s : plain)
      sprites->DrawTransformed(s.frame->texture->texture, &s.frame->rect, &s.scale, &s.centre, s.angle,
                               &s.topLeft, 0xFFFFFFFF);
    sprites->End();
    if (gl) benchmark::DoNotOptimize(device->ReadPixels());
    device->ClearRecordedDraws();
  }
  state.SetItemsProcessed(state.iterations() * int64_t(plain.size()));
}

void BM_MovingUpdateAndDrawNull(benchmark::State& state) { UpdateAndDraw(state, false); }
void BM_SpritesOnlyNull(benchmark::State& state) { DrawsOnly(state, false); }
void BM_MovingUpdateAndDrawOpenGL(benchmark::State& state) { UpdateAndDraw(state, true); }
void BM_SpritesOnlyOpenGL(benchmark::State& state) { DrawsOnly(state, true); }

}  // namespace

BENCHMARK(BM_MovingUpdate)->Arg(kCount)->Arg(kClones)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameIndexBaseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameAnimationClonesUpdate)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpritesOnlyNull)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MovingUpdateAndDrawNull)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpritesOnlyOpenGL)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MovingUpdateAndDrawOpenGL)->Unit(benchmark::kMillisecond);
