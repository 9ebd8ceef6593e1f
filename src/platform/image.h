// CPU images of 32-bit ARGB pixels: decoding (PNG, JPEG, BMP, TGA) from memory, the
// resampling the texture loader applies (sizes that are not powers of two are scaled up to
// the next power of two), straight-alpha blending and PNG output for tools and tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

struct Image {
  int32_t width = 0;
  int32_t height = 0;
  // 0xAARRGGBB words, rows top first, straight (not premultiplied) alpha.
  std::vector<uint32_t> pixels;

  Image() = default;
  Image(int32_t w, int32_t h, uint32_t fill = 0) : width(w), height(h), pixels(size_t(w) * size_t(h), fill) {}
  Image(int32_t w, int32_t h, std::vector<uint32_t> words) : width(w), height(h), pixels(std::move(words)) {}
  uint32_t& At(int32_t x, int32_t y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
  uint32_t At(int32_t x, int32_t y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// Alpha is 255 where the image has none. Nullopt (with the reason in error) when the data
// is not an image of a known format or its size is absurd.
std::optional<Image> DecodeImage(const uint8_t* data, size_t size, std::string* error = nullptr);

// The smallest power of two >= n (n >= 1).
int32_t NextPowerOfTwo(int32_t n);

// Resamples to width x height with a triangle (tent) filter, each channel separately;
// used when an image's size differs from the texture's.
Image Resample(const Image& image, int32_t width, int32_t height);

// Blends a straight-alpha colour over a pixel on all four channels, as the sprite pass does:
// result = src * a + dst * (1 - a), alpha included (so the alpha becomes a*a + d*(1 - a)).
uint32_t BlendStraightAlpha(uint32_t dst, uint32_t src);

// Writes the image as an 8-bit RGBA PNG (OS path). False when it cannot be written.
bool WritePng(const std::string& osPath, const Image& image);

}  // namespace platform
