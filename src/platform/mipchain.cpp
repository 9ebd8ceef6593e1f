#include "platform/mipchain.h"

#include <algorithm>
#include <cstddef>

namespace platform {

namespace {

// Each byte of the result is the mean of the two bytes, rounded up: a + b = 2 (a & b) +
// (a ^ b), so the rounded-up half is (a | b) - (a ^ b) / 2, and no byte borrows from the next.
inline uint32_t MeanUp(uint32_t a, uint32_t b) { return (a | b) - ((a ^ b) >> 1 & 0x7F7F7F7Fu); }

}  // namespace

void HalveLevel(const uint32_t* source, int32_t width, int32_t height, int32_t pitch, uint32_t* target) {
  const int32_t w = std::max(1, width / 2), h = std::max(1, height / 2);
  const int32_t dx = width > 1 ? 1 : 0;
  const ptrdiff_t dy = height > 1 ? pitch : 0;
  for (int32_t y = 0; y < h; ++y) {
    const uint32_t* top = source + ptrdiff_t(2 * y) * pitch;
    const uint32_t* bottom = top + dy;
    uint32_t* out = target + ptrdiff_t(y) * w;
    for (int32_t x = 0; x < w; ++x) {
      const int32_t sx = 2 * x;
      out[x] = MeanUp(MeanUp(top[sx], top[sx + dx]), MeanUp(bottom[sx], bottom[sx + dx]));
    }
  }
}

}  // namespace platform
