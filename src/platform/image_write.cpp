// PNG output of CPU images through stb_image_write, kept private to this file.
#include "platform/image.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace platform {

uint32_t BlendStraightAlpha(uint32_t dst, uint32_t src) {
  const uint32_t a = src >> 24;
  if (a == 0) return dst;
  if (a == 255) return src;
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t s = (src >> shift) & 0xFF;
    const uint32_t d = (dst >> shift) & 0xFF;
    out |= ((s * a + d * (255 - a) + 127) / 255) << shift;
  }
  return out;
}

bool WritePng(const std::string& osPath, const Image& image) {
  if (image.width <= 0 || image.height <= 0) return false;
  std::vector<uint8_t> rgba(image.pixels.size() * 4);
  for (size_t i = 0; i < image.pixels.size(); ++i) {
    const uint32_t p = image.pixels[i];
    rgba[i * 4 + 0] = uint8_t(p >> 16);
    rgba[i * 4 + 1] = uint8_t(p >> 8);
    rgba[i * 4 + 2] = uint8_t(p);
    rgba[i * 4 + 3] = uint8_t(p >> 24);
  }
  return stbi_write_png(osPath.c_str(), image.width, image.height, 4, rgba.data(), image.width * 4) != 0;
}

}  // namespace platform
