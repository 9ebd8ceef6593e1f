// Golden picture comparison.
#include "support/golden.h"

#include <algorithm>
#include <cstdlib>

#include "platform/files.h"
#include "platform/image.h"

::testing::AssertionResult MatchesGolden(const std::vector<uint32_t>& frame, int frameWidth,
                                         const platform::Rect& region, const std::string& name,
                                         int tolerance) {
  const int w = region.Width(), h = region.Height();
  platform::Image actual(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      actual.At(x, y) =
          0xFF000000u |
          (frame[size_t(region.top + y) * size_t(frameWidth) + size_t(region.left + x)] & 0xFFFFFFu);

  const std::string dir = KRUMBOLT_GOLDEN;
  const std::string golden = dir + "/" + name + ".png";
  int worst = 256;
  if (auto bytes = platform::ReadFileOs(golden)) {
    auto expected = platform::DecodeImage(bytes->data(), bytes->size());
    if (expected && expected->width == w && expected->height == h) {
      worst = 0;
      for (size_t i = 0; i < actual.pixels.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8)
          worst = std::max(worst, std::abs(int((actual.pixels[i] >> shift) & 0xFF) -
                                           int((expected->pixels[i] >> shift) & 0xFF)));
    }
  }
  if (worst <= tolerance) return ::testing::AssertionSuccess();
  const std::string written = dir + "/" + name + ".actual.png";
  platform::WritePng(written, actual);
  return ::testing::AssertionFailure() << "frame differs from " << golden << " by up to " << worst
                                       << " (256: missing or of another size); wrote " << written;
}
