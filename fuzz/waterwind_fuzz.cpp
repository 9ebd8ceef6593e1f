// Fuzz target: the water and wind readers on whatever tree the key/value reader makes of
// arbitrary bytes, then every body activated, moved and made to rise, and every wind drawn,
// blown for long and short frames and spawning into a particle list that knows every name.
// fuzz-sources: src/world/wasser.cpp src/world/wassermanager.cpp src/world/wind.cpp
// fuzz-sources: src/world/weightedlist.cpp src/objects/renderextra.cpp src/battle/wertanimator.cpp
// fuzz-sources: src/platform/random.cpp src/platform/math2d.cpp
// The engine context is only named, so its type information is not linked in: no vptr checks.
// fuzz-flags: -fno-sanitize=vptr
// fuzz-seeds: data/wasser.was data/wind.wnd
#include <cstddef>
#include <cstdint>

#include "engine/animation.h"
#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/kvnode.h"
#include "engine/spriterenderer.h"
#include "objects/renderextra.h"
#include "platform/random.h"
#include "platform/text.h"
#include "world/wassermanager.h"
#include "world/wind.h"
#include "world/windparticles.h"
#include "world/worldbounds.h"

// Without a graphics device and animations the water never draws: these are only named.
APIContext* APIContext::Get() { return nullptr; }
std::unique_ptr<Animation> AnimationManager::CreateAnimation(std::u16string_view) const { return nullptr; }
const AnimationFrame* Animation::GetCurrentFrame() const { return nullptr; }
bool SpriteRenderer::DrawTransformed(platform::Texture*, const Rect*, const Vector2*, const Vector2*, double,
                                     const Vector2*, Argb) {
  return false;
}

namespace {

class EveryName final : public WindParticleList {
 public:
  const PartikelInfo* FindInfo(const std::u16string& name) const override {
    return name.empty() ? nullptr : reinterpret_cast<const PartikelInfo*>(this);
  }
  void Add(const PartikelInfo&, const Vector2&) override { ++added; }
  int added = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string text = DecodeKVBytes(data, size, false);
  std::unique_ptr<KVNode> root = ParseKVText(text);
  platform::SRand(uint32_t(size));

  RenderExtraListe extras;
  extras.Load(root.get());
  FixedWorldBounds world{Rect{-2048, -1024, 2048, 1024}};
  {
    WasserManager water(nullptr);
    water.SetSources({nullptr, &extras, &world});
    water.Load(root.get());
    for (const auto& body : water.GetBodies()) {
      water.SetLevelWater(body.get());
      water.GetSurfaceY();
      body->GetLevelAnimator().Set(body->GetHeight() * 2.0);
      body->GetLevelAnimator().SetSpeed(0.5);
      for (double step : {0.0, 0.01, 0.3, 1e9}) body->Update(step, step);
      water.GetSurfaceY();
    }
    water.SetLevelWater(nullptr);
  }

  EveryName particles;
  WindManager winds;
  winds.SetSources({&particles, &world});
  winds.Load(root.get());
  for (const auto& wind : winds.GetWinds()) {
    winds.SelectByName(&wind->GetName());
    winds.NewRound(0.5);
    for (double step : {0.0, 0.01, 2.5, 1e9}) winds.Update(step);
    winds.GetCurrentWind()->ForceOnParticle({0.0f, 0.0f});
    winds.GetCurrentWind()->GetStrengthRatio();
  }
  return 0;
}
