#include "support/png.h"

#include <stb/stb_image_write.h>

std::vector<uint8_t> MakePng(int width, int height, const std::function<uint32_t(int, int)>& pixel) {
  std::vector<uint8_t> rgba;
  rgba.reserve(size_t(width) * size_t(height) * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint32_t argb = pixel(x, y);
      for (int shift : {16, 8, 0, 24}) rgba.push_back(uint8_t(argb >> shift));
    }
  std::vector<uint8_t> out;
  stbi_write_png_to_func(
      [](void* context, void* data, int size) {
        auto* bytes = static_cast<std::vector<uint8_t>*>(context);
        bytes->insert(bytes->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
      },
      &out, width, height, 4, rgba.data(), width * 4);
  return out;
}
