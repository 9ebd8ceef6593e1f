// A plain CPU image of 32-bit 0xAARRGGBB words, row by row, and PNG output for tools and
// tests that want to look at what they drew.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct ArgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // width * height words, top row first

  ArgbImage() = default;
  ArgbImage(int w, int h, uint32_t fill = 0) : width(w), height(h), pixels(size_t(w) * size_t(h), fill) {}
  uint32_t& At(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
  uint32_t At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// Blends a straight-alpha colour over a pixel on all four channels, as the sprite pass does:
// result = src * a + dst * (1 - a), alpha included (so the alpha becomes a*a + d*(1 - a)).
uint32_t BlendStraightAlpha(uint32_t dst, uint32_t src);

// Writes the image as an 8-bit RGBA PNG (OS path). False when it cannot be written.
bool WritePng(const std::string& osPath, const ArgbImage& image);

}  // namespace platform
