// Fuzz target: the particle type reader on whatever tree the key/value reader makes of
// arbitrary bytes: every "PARTIKEL_INFO" block read with its death conditions, its unknown
// keys listed, and every start value drawn and every list picked from, as particles do.
// fuzz-sources: src/objects/partikelinfo.cpp src/world/collisionshape.cpp
// fuzz-sources: src/platform/texture.cpp src/platform/zeropages.cpp
// fuzz-sources: src/platform/random.cpp src/platform/math2d.cpp
// fuzz-flags: -fno-sanitize=vptr
// fuzz-seeds: data/partikel.prt
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "engine/animation.h"
#include "engine/animationmanager.h"
#include "engine/kvnode.h"
#include "objects/partikelinfo.h"
#include "objects/partikelliste.h"
#include "platform/random.h"

// The reader is fuzzed without animations and without the particle list: these are only
// named by the reader's file.
const Animation* AnimationManager::FindAnimation(std::u16string_view) const { return nullptr; }
std::unique_ptr<Animation> Animation::Clone() const { return nullptr; }
const AnimationFrame* AnimationFrames::GetFrame(int32_t) const { return nullptr; }
void PartikelListe::AddInfo(std::unique_ptr<PartikelInfo>) { std::abort(); }
const PartikelInfo* PartikelListe::FindInfo(const std::u16string&) const { std::abort(); }
void PartikelListe::SetEarthTypes(std::vector<const PartikelInfo*>, std::vector<double>) { std::abort(); }

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

void CheckCumulative(const std::vector<double>& weights, size_t count) { Check(weights.size() == count); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string text = DecodeKVBytes(data, size, false);
  std::unique_ptr<KVNode> root = ParseKVText(text);
  if (!root) return 0;
  platform::SRand(uint32_t(size));
  for (const KVNode* node :
       {root.get(), root->GetChild(0, u"PARTIKEL_INFO"), root->GetChild(1, u"PARTIKEL_INFO")}) {
    if (!node) continue;
    PartikelInfo type(node, nullptr);
    (void)PartikelInfo::UnknownKeys(*node);
    CheckCumulative(type.eventCreate.weights, type.eventCreate.names.size());
    CheckCumulative(type.childTypes.weights, type.childTypes.names.size());
    for (int i = 0; i < 4; ++i) {
      (void)type.DrawColour();
      const Vector2 speed = type.DrawInitSpeed();
      const Vector2 at = type.DrawInitPosition();
      const Vector2 size2 = type.DrawSize();
      // Every number the reader keeps is finite, so every draw is.
      Check(std::isfinite(speed.x) && std::isfinite(speed.y) && std::isfinite(at.x) && std::isfinite(at.y));
      Check(std::isfinite(size2.x) && std::isfinite(size2.y));
      (void)type.DrawSpawnPosition();
      (void)type.DrawMaxChildren();
      (void)type.DrawRecursion();
      (void)type.PickCreateEvent();
      (void)type.PickKillEvent();
      (void)type.PickChildType();
      Check(type.PickAnimation() == nullptr);
      if (type.death) (void)type.death->Matches(uint32_t(i * 7));
    }
  }
  return 0;
}
