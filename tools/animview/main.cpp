// animview: renders the content's animations offscreen into one PNG, to look at them.
//
//   animview OUT.png [--seed N] [--time SECONDS]
//
// The upper part shows the moving animations of the animation files as they travel for the
// given time (default 4 s): clouds drifting on bands across the top, the others each in a
// panel of their own, every few steps drawn faintly so the path shows as a trail and the
// last step drawn fully. Below, every frame animation is laid out as a strip of the frames
// of its frame order. Runs without a display (SDL's offscreen driver).
#include <stb/stb_image_write.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"
#include "platform/random.h"
#include "platform/text.h"
#include "platform/window.h"

namespace {

constexpr int32_t kWidth = 1280;
constexpr int32_t kHeight = 1024;

std::vector<std::u16string> Names(const KVNode* root, std::u16string_view kind) {
  std::vector<std::u16string> names;
  if (!root) return names;
  for (unsigned i = 0; const KVNode* entry = root->GetChild(i, kind); ++i) {
    std::u16string name;
    entry->Read(u"NAME", name);
    names.push_back(name);
  }
  return names;
}

// Moves the animation on for `seconds`, drawing it faintly every few steps and fully at the end.
void Travel(BewegteAnimation& moving, double seconds) {
  const double step = 1.0 / 30.0;
  const int steps = int(seconds / step);
  for (int i = 0; i < steps; ++i) {
    moving.Update(step);
    if (i % 6 == 5 && i + 1 < steps) moving.RenderTransformed({0, 0}, {1, 1}, 0x50FFFFFF);
  }
  moving.Render();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: animview OUT.png [--seed N] [--time SECONDS]\n");
    return 2;
  }
  std::string out = argv[1];
  uint32_t seed = 1;
  double seconds = 4.0;
  for (int i = 2; i + 1 < argc; i += 2) {
    std::string arg = argv[i];
    if (arg == "--seed")
      seed = uint32_t(std::strtoul(argv[i + 1], nullptr, 10));
    else if (arg == "--time")
      seconds = std::strtod(argv[i + 1], nullptr);
  }
  setenv("SDL_VIDEODRIVER", "offscreen", 0);

  auto archive = DataArchive::Open(DataArchive::Locate());
  if (!archive) {
    std::fprintf(stderr, "animview: no krumbolt.gob found\n");
    return 1;
  }
  APIContext context;
  DisplayEnvironment display;
  display.adapterModes.push_back({uint32_t(kWidth), uint32_t(kHeight), 60, kFormatX8R8G8B8});
  APIGraphics graphics(context, display);
  auto window = platform::Window::Create(u"animview", kWidth, kHeight);
  if (!window) {
    std::fprintf(stderr, "animview: no window\n");
    return 1;
  }
  context.mainWindow = window.get();
  if (Failed(graphics.Create())) {
    std::fprintf(stderr, "animview: no graphics device\n");
    return 1;
  }

  platform::SRand(seed);
  AnimationManager manager(&graphics);
  auto files = LoadKVFromArchive(u"animationen.ani", archive.get());
  auto layers = LoadKVFromArchive(u"ebenen_animationen.ani", archive.get());
  manager.LoadFile(files.get(), archive.get());
  manager.LoadFile(layers.get(), archive.get());

  // A plain white texture for the panels.
  auto whiteTexture = std::make_shared<platform::Texture>(1, 1);
  whiteTexture->MutablePixels()[0] = 0xFFFFFFFF;

  platform::GraphicsDevice* device = graphics.GetDevice();
  SpriteRenderer& sprites = *graphics.GetSpriteRenderer();
  device->Clear(platform::kClearTarget, 0xFF5E8CC8, 1.0f, 0);
  device->BeginScene();
  sprites.Begin(SpriteRenderer::kAlphaBlend);
  auto panel = [&](const Rect& r, Argb colour) {
    Rect src{0, 0, 1, 1};
    sprites.DrawRect(whiteTexture.get(), &src, &r, SpriteRenderer::kStretch, SpriteRenderer::kStretch,
                     colour);
  };
  panel({0, 0, kWidth, 200}, 0x30FFFFFF);

  // Clouds on three layers, as the world build lays them out: layer first, then the band.
  const Rect sky{0, 10, kWidth, 190};
  for (int layer = 2; layer >= 0; --layer) {
    if (auto cloud = manager.CreateBewegteAnimation(u"WOLKE")) {
      cloud->SetLayer(layer);
      if (cloud->GetPath()) cloud->GetPath()->Regenerate(&sky);
      Travel(*cloud, seconds);
    }
  }

  // Every other moving animation in a panel of its own.
  std::vector<std::u16string> names;
  for (const auto& name : Names(layers.get(), u"BEWEGTEANIMATION"))
    if (name != u"WOLKE") names.push_back(name);
  const int32_t columns = 3, panelW = kWidth / columns, panelH = 170;
  for (size_t i = 0; i < names.size(); ++i) {
    const int32_t x = int32_t(i % columns) * panelW, y = 210 + int32_t(i / columns) * (panelH + 10);
    panel({x + 8, y, x + panelW - 8, y + panelH}, 0x28000000);
    auto moving = manager.CreateBewegteAnimation(names[i]);
    if (!moving) continue;
    const Rect area{x + 40, y + 30, x + panelW - 40, y + panelH - 30};
    if (moving->GetPath()) moving->GetPath()->Regenerate(&area);
    moving->SetArea(area);
    Travel(*moving, seconds);
  }

  // Frame strips, in two columns.
  const int32_t stripTop = 210 + int32_t((names.size() + columns - 1) / columns) * (panelH + 10) + 4;
  int32_t strip = 0;
  for (const auto& name : Names(files.get(), u"ANIMATION")) {
    const Animation* animation = manager.FindAnimation(name);
    if (!animation || !animation->GetFrames()) continue;
    const int32_t left = (strip % 2) * (kWidth / 2), top = stripTop + (strip / 2) * 38;
    if (top > kHeight - 36) break;
    ++strip;
    panel({left + 4, top - 2, left + kWidth / 2 - 4, top + 34}, 0x20000000);
    int32_t x = left + 8;
    for (int32_t index : animation->GetFrameOrder()) {
      const AnimationFrame* frame = animation->GetFrames()->GetFrame(index);
      if (!frame || !frame->texture) continue;
      const float w = float(frame->rect.right - frame->rect.left),
                  h = float(frame->rect.bottom - frame->rect.top);
      const float s = 32.0f / std::max(w, h);
      const Vector2 scale{s, s}, position{float(x), float(top)};
      sprites.DrawTransformed(frame->texture->texture, &frame->rect, &scale, nullptr, 0.0, &position,
                              0xFFFFFFFF);
      x += int32_t(w * s) + 4;
    }
  }
  sprites.End();
  device->EndScene();

  std::vector<uint32_t> pixels = device->ReadPixels();
  std::vector<uint8_t> rgba;
  rgba.reserve(pixels.size() * 4);
  for (uint32_t p : pixels) rgba.insert(rgba.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), 255});
  const bool ok = stbi_write_png(out.c_str(), kWidth, kHeight, 4, rgba.data(), kWidth * 4) != 0;
  graphics.Release();
  if (!ok) {
    std::fprintf(stderr, "animview: cannot write %s\n", out.c_str());
    return 1;
  }
  return 0;
}
