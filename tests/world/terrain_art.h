// Small stores drawn as ASCII art for the terrain tests, one character per pixel:
// '#' solid earth, '.' empty air, 'e' alpha 192 (the most opaque empty pixel),
// 's' alpha 193 (the least opaque solid pixel), 'r' solid red, 'g' solid green.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "world/landschaft.h"

namespace terrain_test {

constexpr uint32_t kEarth = 0xFF8B5A2B;

inline uint32_t ArtPixel(char c) {
  switch (c) {
    case '#':
      return kEarth;
    case 'e':
      return 0xC0406080;
    case 's':
      return 0xC1406080;
    case 'r':
      return 0xFFFF0000;
    case 'g':
      return 0xFF00FF00;
    default:
      return 0;
  }
}

// The art's top-left character is the pixel (left, top).
inline std::unique_ptr<Landschaft> ArtStore(const std::vector<std::string>& art, int32_t left = 0,
                                            int32_t top = 0) {
  int32_t width = art.empty() ? 0 : int32_t(art[0].size());
  auto land = std::make_unique<Landschaft>(Rect{left, top, left + width, top + int32_t(art.size())});
  land->SetGraphics(nullptr);
  land->CreateTiles();
  for (int32_t y = 0; y < int32_t(art.size()); ++y)
    for (int32_t x = 0; x < width; ++x)
      *land->LockedPixel(left + x, top + y) = ArtPixel(art[size_t(y)][size_t(x)]);
  land->UnlockAll();
  return land;
}

// A store of the given size, empty above row `groundTop` and solid from it down.
inline std::unique_ptr<Landschaft> FlatStore(const Rect& rect, int32_t groundTop) {
  auto land = std::make_unique<Landschaft>(rect);
  land->SetGraphics(nullptr);
  land->CreateTiles();
  for (int32_t y = std::max(groundTop, rect.top); y < rect.bottom; ++y)
    for (int32_t x = rect.left; x < rect.right; ++x) *land->LockedPixel(x, y) = kEarth;
  land->UnlockAll();
  return land;
}

// The store back as art with the same characters (other pixels as '?').
inline std::vector<std::string> ToArt(const Landschaft& land) {
  Rect r = land.GetRect();
  std::vector<std::string> art;
  for (int32_t y = r.top; y < r.bottom; ++y) {
    std::string row;
    for (int32_t x = r.left; x < r.right; ++x) {
      uint32_t p = *land.PeekPixel(x, y);
      char c = '?';
      for (char k : {'#', '.', 'e', 's', 'r', 'g'})
        if (ArtPixel(k) == p) c = k;
      row += c;
    }
    art.push_back(row);
  }
  return art;
}

// 64-bit FNV-1a over every pixel in world row order.
inline uint64_t PixelHash(const Landschaft& land) {
  uint64_t h = 1469598103934665603ull;
  Rect r = land.GetRect();
  for (int32_t y = r.top; y < r.bottom; ++y)
    for (int32_t x = r.left; x < r.right; ++x) {
      uint32_t p = *land.PeekPixel(x, y);
      for (int i = 0; i < 4; ++i) {
        h ^= (p >> (8 * i)) & 0xFF;
        h *= 1099511628211ull;
      }
    }
  return h;
}

}  // namespace terrain_test
