// The procedural textures of the game: terrain fills and covers, water, skies, clouds,
// stars and distant hills. Each has a fixed archive name, size and seed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "content/image.h"

namespace content {

struct TextureInfo {
  std::string name;  // archive path with '/' separators
  int width, height;
  uint32_t seed;
  bool tilesX, tilesY;  // repeats seamlessly across that edge
  Image (*make)(int width, int height, uint32_t seed);
};

const std::vector<TextureInfo>& TextureCatalogue();
const TextureInfo* FindTexture(const std::string& name);
Image MakeTexture(const TextureInfo& info);

}  // namespace content
