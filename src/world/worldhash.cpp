// Layer and world fingerprints.
#include "world/worldhash.h"

#include <cstring>

#include "engine/bewegteanimation.h"
#include "world/landschaft.h"
#include "world/welt.h"

namespace {

class Fnv {
 public:
  void Bytes(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; ++i) {
      m_hash ^= p[i];
      m_hash *= 1099511628211ull;
    }
  }
  template <class T>
  void Value(T v) {
    uint8_t bytes[sizeof(T)];
    std::memcpy(bytes, &v, sizeof(T));
    Bytes(bytes, sizeof(T));
  }
  uint64_t Get() const { return m_hash; }

 private:
  uint64_t m_hash = 1469598103934665603ull;
};

void HashRect(Fnv& h, const Rect& r) {
  h.Value(r.left);
  h.Value(r.top);
  h.Value(r.right);
  h.Value(r.bottom);
}

}  // namespace

uint64_t LayerHash(const Landschaft& layer) {
  Fnv h;
  const Rect r = layer.GetRect();
  for (int32_t y = r.top; y < r.bottom; ++y) {
    for (int32_t x = r.left; x < r.right;) {
      int32_t count = 0;
      const uint32_t* p = layer.PeekRow(x, y, count);
      if (!p) break;
      for (int32_t i = 0; i < count; ++i) h.Value(p[i]);
      x += count;
    }
  }
  HashRect(h, r);
  h.Value(layer.GetDepth());
  h.Value(layer.GetParallax().x);
  h.Value(layer.GetParallax().y);
  for (const auto& animation : layer.Animations()) {
    if (!animation) {
      h.Value(uint8_t(0));
      continue;
    }
    h.Value(uint8_t(1));
    for (char16_t c : animation->GetName()) h.Value(c);
    h.Value(animation->GetPosition().x);
    h.Value(animation->GetPosition().y);
    if (const PfadAnimation* path = animation->GetPath())
      for (const Vector2& p : path->GetPoints()) {
        h.Value(p.x);
        h.Value(p.y);
      }
  }
  return h.Get();
}

uint64_t WorldHash(const Welt& world) {
  Fnv h;
  HashRect(h, world.GetWorldRect());
  for (const auto* group : {&world.BackgroundLayers(), &world.GameLayers(), &world.ForegroundLayers()})
    for (const auto& layer : *group) h.Value(LayerHash(*layer));
  return h.Get();
}
