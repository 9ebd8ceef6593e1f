// Image decoding through stb_image and tent-filter resampling.
#include "platform/image.h"

#include <stb_image.h>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {
constexpr int32_t kMaxSide = 16384;
}

std::optional<Image> DecodeImage(const uint8_t* data, size_t size, std::string* error) {
  if (!data || size == 0 || size > size_t(INT32_MAX)) {
    if (error) *error = "no image data";
    return std::nullopt;
  }
  int w = 0, h = 0, channels = 0;
  if (!stbi_info_from_memory(data, int(size), &w, &h, &channels) || w <= 0 || h <= 0 || w > kMaxSide ||
      h > kMaxSide) {
    if (error) *error = stbi_failure_reason() ? stbi_failure_reason() : "unknown image format";
    return std::nullopt;
  }
  // stbi fills alpha with 255 for images without an alpha channel.
  unsigned char* rgba = stbi_load_from_memory(data, int(size), &w, &h, &channels, 4);
  if (!rgba) {
    if (error) *error = stbi_failure_reason() ? stbi_failure_reason() : "image cannot be decoded";
    return std::nullopt;
  }
  Image image;
  image.width = w;
  image.height = h;
  image.pixels.resize(size_t(w) * size_t(h));
  for (size_t i = 0; i < image.pixels.size(); ++i) {
    const unsigned char* p = rgba + i * 4;
    image.pixels[i] =
        (uint32_t(p[3]) << 24) | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | uint32_t(p[2]);
  }
  stbi_image_free(rgba);
  return image;
}

int32_t NextPowerOfTwo(int32_t n) {
  int32_t p = 1;
  while (p < n && p < (1 << 30)) p <<= 1;
  return p;
}

namespace {

struct Tap {
  int32_t index;
  float weight;
};

// For each destination sample, the source samples under a tent as wide as the larger of
// one source and one destination step, normalised to sum 1.
std::vector<std::vector<Tap>> Taps(int32_t srcSize, int32_t dstSize) {
  std::vector<std::vector<Tap>> taps;
  taps.resize(size_t(dstSize));
  double scale = double(srcSize) / double(dstSize);
  double radius = std::max(1.0, scale);
  for (int32_t d = 0; d < dstSize; ++d) {
    double centre = (d + 0.5) * scale - 0.5;
    int32_t first = int32_t(std::floor(centre - radius)) + 1;
    int32_t last = int32_t(std::ceil(centre + radius)) - 1;
    double sum = 0.0;
    for (int32_t s = first; s <= last; ++s) {
      double w = 1.0 - std::abs(s - centre) / radius;
      if (w <= 0.0) continue;
      int32_t clamped = std::clamp(s, 0, srcSize - 1);
      taps[size_t(d)].push_back({clamped, float(w)});
      sum += w;
    }
    if (taps[size_t(d)].empty()) {
      taps[size_t(d)].push_back({std::clamp(int32_t(std::lround(centre)), 0, srcSize - 1), 1.0f});
      sum = 1.0;
    }
    for (Tap& t : taps[size_t(d)]) t.weight = float(t.weight / sum);
  }
  return taps;
}

}  // namespace

Image Resample(const Image& image, int32_t width, int32_t height) {
  if (width == image.width && height == image.height) return image;
  auto tapsX = Taps(image.width, width);
  auto tapsY = Taps(image.height, height);
  // Horizontal pass into floats, then vertical pass into bytes.
  std::vector<float> mid(size_t(width) * size_t(image.height) * 4);
  for (int32_t y = 0; y < image.height; ++y) {
    const uint32_t* row = image.pixels.data() + size_t(y) * size_t(image.width);
    for (int32_t x = 0; x < width; ++x) {
      float acc[4] = {};
      for (const Tap& t : tapsX[size_t(x)]) {
        uint32_t p = row[t.index];
        for (int c = 0; c < 4; ++c) acc[c] += float((p >> (8 * c)) & 0xFF) * t.weight;
      }
      float* out = &mid[(size_t(y) * size_t(width) + size_t(x)) * 4];
      for (int c = 0; c < 4; ++c) out[c] = acc[c];
    }
  }
  Image result;
  result.width = width;
  result.height = height;
  result.pixels.resize(size_t(width) * size_t(height));
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      float acc[4] = {};
      for (const Tap& t : tapsY[size_t(y)]) {
        const float* in = &mid[(size_t(t.index) * size_t(width) + size_t(x)) * 4];
        for (int c = 0; c < 4; ++c) acc[c] += in[c] * t.weight;
      }
      uint32_t p = 0;
      for (int c = 0; c < 4; ++c) p |= uint32_t(std::clamp(std::lround(acc[c]), 0L, 255L)) << (8 * c);
      result.pixels[size_t(y) * size_t(width) + size_t(x)] = p;
    }
  }
  return result;
}

}  // namespace platform
