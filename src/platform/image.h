// Decoding images (PNG, JPEG, BMP, TGA) from memory into 32-bit ARGB pixels, and the
// resampling the texture loader applies: sizes that are not powers of two are scaled up
// to the next power of two.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct Image {
  int32_t width = 0;
  int32_t height = 0;
  // 0xAARRGGBB words, rows top first, straight (not premultiplied) alpha.
  std::vector<uint32_t> pixels;
};

// Alpha is 255 where the image has none. Nullopt (with the reason in error) when the data
// is not an image of a known format or its size is absurd.
std::optional<Image> DecodeImage(const uint8_t* data, size_t size, std::string* error = nullptr);

// The smallest power of two >= n (n >= 1).
int32_t NextPowerOfTwo(int32_t n);

// Resamples to width x height with a triangle (tent) filter, each channel separately;
// used when an image's size differs from the texture's.
Image Resample(const Image& image, int32_t width, int32_t height);

}  // namespace platform
