// Loading image files into textures, from disk or from the data archive, with the loader's
// defaults: sizes rounded up to powers of two (the image resampled), a full mip chain.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/apigraphics.h"
#include "engine/gfxtypes.h"
#include "platform/texture.h"

class DataArchive;

// "Take it from the image": the size rounded up to a power of two, the full mip chain.
constexpr uint32_t kTextureDefault = 0xFFFFFFFF;
constexpr uint32_t kPoolManaged = 1;

struct TextureLoadOptions {
  uint32_t width = kTextureDefault;
  uint32_t height = kTextureDefault;
  uint32_t mipLevels = kTextureDefault;
  uint32_t usage = 0;
  uint32_t format = kFormatA8R8G8B8;
  uint32_t pool = kPoolManaged;
  uint32_t filter = kTextureDefault;
  uint32_t mipFilter = kTextureDefault;
  // Pixels of exactly this colour become transparent black; 0 turns the key off.
  Argb colorKey = 0;
};

// What the image file held before it was made into a texture.
struct ImageInfo {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t mipLevels = 1;
  uint32_t format = kFormatA8R8G8B8;
};

// The loader proper: decodes the bytes and makes the texture. The device may be null (a
// texture needs the device only when it is drawn).
HResult CreateTextureFromFileInMemory(platform::GraphicsDevice* device, const uint8_t* data, size_t size,
                                      const TextureLoadOptions& options, platform::TexturePtr* out,
                                      ImageInfo* srcInfo = nullptr);
// From a file on disk; a failed attempt is tried exactly once more.
HResult CreateTextureFromFile(platform::GraphicsDevice* device, std::u16string_view path,
                              const TextureLoadOptions& options, platform::TexturePtr* out,
                              ImageInfo* srcInfo = nullptr);
// From an archive entry; the entry is read whole into a buffer that lives for this one load,
// and a failed decode is tried exactly once more.
HResult CreateTextureFromArchive(const DataArchive* archive, platform::GraphicsDevice* device,
                                 std::u16string_view name, const TextureLoadOptions& options,
                                 platform::TexturePtr* out, ImageInfo* srcInfo = nullptr);
