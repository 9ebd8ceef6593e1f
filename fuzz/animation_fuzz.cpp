// Fuzz target: the animation files, path animations and moving animations on whatever tree
// the key/value reader makes of arbitrary bytes, used as the world build uses them (every
// definition copied, placed into extreme areas, regenerated and stepped), and the setting
// catalogue's counts run as the loops they bound.
// fuzz-seeds: data/animationen.ani data/ebenen_animationen.ani data/WorldSetting.wst
// fuzz-sources: src/world/catalogueassets.cpp src/world/ebenenhintergrund.cpp src/world/levelsetting.cpp
// fuzz-sources: src/world/settingkatalog.cpp src/world/settingobjekt.cpp src/world/weightedlist.cpp
// fuzz-sources: src/objects/renderextra.cpp src/engine/searchpath.cpp src/platform/random.cpp
// fuzz-sources: src/platform/clock.cpp src/engine/bewegteanimation.cpp src/engine/animation.cpp
// fuzz-sources: src/engine/pfadanimation.cpp src/engine/animationmanager.cpp src/engine/polygonops.cpp
// fuzz-sources: src/engine/renderextralookup.cpp src/platform/math2d.cpp src/engine/spriterenderer.cpp
// fuzz-sources: src/engine/texturdefcache.cpp src/engine/textureload.cpp src/platform/texture.cpp
// fuzz-sources: src/platform/spritebatch.cpp src/platform/graphics.cpp src/platform/image.cpp
// fuzz-sources: src/platform/zeropages.cpp
#include <climits>
#include <cstddef>
#include <cstdint>

#include "engine/animation.h"
#include "engine/animationmanager.h"
#include "engine/apigraphics.h"
#include "engine/bewegteanimation.h"
#include "engine/kvnode.h"
#include "engine/pfadanimation.h"
#include "world/levelsetting.h"
#include "world/settingkatalog.h"

// The graphics manager is not part of this target: nothing is drawn, so these are never
// called, only named.
void APIGraphics::RegisterResetObjekt(ResetObjekt*) {}
void APIGraphics::UnregisterResetObjekt(ResetObjekt*) {}

namespace {

const Rect kAreas[] = {{0, 0, 640, 480}, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {INT_MAX, 5, INT_MIN, -5}, {7, 7, 7, 7}};

void Exercise(PfadAnimation& path) {
  for (const Rect& area : kAreas) {
    path.Regenerate(&area);
    path.Update(0.01);
    path.Evaluate();
    path.GetBounds();
  }
  path.Regenerate(nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto root = ParseKVText(DecodeKVBytes(data, size, false));
  AnimationManager animations(nullptr);
  animations.LoadFile(root.get(), nullptr);
  for (unsigned i = 0; const KVNode* node = root->GetChild(i, u"PFADANIMATION"); ++i) {
    std::u16string name;
    node->Read(u"NAME", name);
    if (auto path = animations.CreatePfadAnimation(name)) Exercise(*path);
  }
  for (unsigned i = 0; const KVNode* node = root->GetChild(i, u"BEWEGTEANIMATION"); ++i) {
    std::u16string name;
    node->Read(u"NAME", name);
    auto moving = animations.CreateBewegteAnimation(name);
    if (!moving) continue;
    for (const Rect& area : kAreas) {
      moving->SetArea(area);
      moving->Update(0.01);
      moving->RegeneratePath();
      moving->PickAnimation();
    }
  }
  for (unsigned i = 0; const KVNode* node = root->GetChild(i, u"ANIMATION"); ++i) {
    std::u16string name;
    node->Read(u"NAME", name);
    if (auto animation = animations.CreateAnimation(name)) animation->Update(0.01);
  }

  // The counts of the catalogue's layer blocks bound the build's loops.
  SettingKatalog katalog;
  katalog.Load(root.get());
  for (const auto& setting : katalog.Settings())
    for (int32_t kind : {-2, -1, 0, 1}) {
      for (int32_t k = 0, n = setting->RandomWolkenCount(kind); k < n; ++k)
        animations.CreateBewegteAnimation(u"x");
      for (int32_t k = 0, n = setting->RandomAnimCount(kind) + setting->RandomRandomPosAnimCount(kind); k < n; ++k)
        animations.CreateBewegteAnimation(u"x");
    }
  return 0;
}
