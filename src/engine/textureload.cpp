// Texture loading from disk and from the archive.
#include "engine/textureload.h"

#include <algorithm>
#include <string>
#include <utility>

#include "engine/contentlimits.h"
#include "engine/dataarchive.h"
#include "platform/files.h"
#include "platform/image.h"

HResult CreateTextureFromFileInMemory(platform::GraphicsDevice*, const uint8_t* data, size_t size,
                                      const TextureLoadOptions& options, platform::TexturePtr* out,
                                      ImageInfo* srcInfo) {
  if (!out) return kResultFail;
  auto image = platform::DecodeImage(data, size);
  if (!image) return kResultFail;
  if (srcInfo) *srcInfo = {uint32_t(image->width), uint32_t(image->height), 1, kFormatA8R8G8B8};
  if (options.colorKey != 0)
    for (uint32_t& p : image->pixels)
      if (p == options.colorKey) p = 0;
  auto side = [](uint32_t wanted, int32_t actual) {
    if (wanted == kTextureDefault || wanted == 0) return platform::NextPowerOfTwo(actual);
    return int32_t(std::min<uint32_t>(wanted, 16384));
  };
  int32_t width = side(options.width, image->width);
  int32_t height = side(options.height, image->height);
  // A picture already at the texture's size is taken as it is, not copied; either way the
  // decoded picture goes before the texture is made, so loading holds two copies, not three.
  platform::Image sized = width == image->width && height == image->height
                              ? std::move(*image)
                              : platform::Resample(*image, width, height);
  image.reset();
  if (options.format == kFormatX8R8G8B8)
    for (uint32_t& p : sized.pixels) p |= 0xFF000000u;
  int32_t levels = (options.mipLevels == kTextureDefault || options.mipLevels == 0)
                       ? 0
                       : int32_t(std::min<uint32_t>(options.mipLevels, 32));
  auto texture = std::make_shared<platform::Texture>(width, height, levels, options.usage);
  texture->Assign(sized.pixels.data());
  *out = std::move(texture);
  return kResultOk;
}

HResult CreateTextureFromFile(platform::GraphicsDevice* device, std::u16string_view path,
                              const TextureLoadOptions& options, platform::TexturePtr* out,
                              ImageInfo* srcInfo) {
  HResult result = kResultFail;
  for (int attempt = 0; attempt < 2 && Failed(result); ++attempt) {
    auto bytes = platform::ReadFile(path);
    result = bytes
                 ? CreateTextureFromFileInMemory(device, bytes->data(), bytes->size(), options, out, srcInfo)
                 : kResultFail;
  }
  return result;
}

HResult CreateTextureFromArchive(const DataArchive* archive, platform::GraphicsDevice* device,
                                 std::u16string_view name, const TextureLoadOptions& options,
                                 platform::TexturePtr* out, ImageInfo* srcInfo) {
  if (!archive) return kResultFail;
  auto entry = archive->Find(name);
  if (!entry) return kResultFail;
  auto bytes = archive->Read(*entry, content::kMaxMediaBytes);
  if (!bytes || bytes->size() != entry->size) {
    content::ReportFault(name, entry->size > content::kMaxMediaBytes ? "the image is too large"
                                                                     : "the archive could not be read");
    return kResultFail;
  }
  HResult result = CreateTextureFromFileInMemory(device, bytes->data(), bytes->size(), options, out, srcInfo);
  if (Failed(result))
    result = CreateTextureFromFileInMemory(device, bytes->data(), bytes->size(), options, out, srcInfo);
  if (Failed(result)) content::ReportFault(name, "not an image that can be decoded");
  return result;
}

bool APIGraphics::LoadTexture(platform::TexturePtr* out, std::u16string_view path, const DataArchive* archive,
                              uint32_t format) {
  if (!path.empty() && path.front() == u'\\') path.remove_prefix(1);
  TextureLoadOptions options;
  options.format = format;
  if (!archive) return Succeeded(CreateTextureFromFile(m_device.get(), path, options, out));
  return Succeeded(CreateTextureFromArchive(archive, m_device.get(), path, options, out));
}
