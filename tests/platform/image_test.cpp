#include "platform/image.h"

#include <gtest/gtest.h>
#include <stb/stb_image_write.h>

namespace {

std::vector<uint8_t> EncodePng(int w, int h, int channels, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> out;
  stbi_write_png_to_func(
      [](void* ctx, void* bytes, int size) {
        auto* v = static_cast<std::vector<uint8_t>*>(ctx);
        v->insert(v->end(), static_cast<uint8_t*>(bytes), static_cast<uint8_t*>(bytes) + size);
      },
      &out, w, h, channels, data.data(), w * channels);
  return out;
}

}  // namespace

TEST(Image, DecodesToArgbWithOpaqueAlphaWhenThereIsNone) {
  // RGB without alpha.
  std::vector<uint8_t> rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30};
  auto png = EncodePng(2, 2, 3, rgb);
  auto image = platform::DecodeImage(png.data(), png.size());
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 2);
  EXPECT_EQ(image->height, 2);
  EXPECT_EQ(image->pixels, (std::vector<uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF0A141E}));
  // Straight alpha is kept as it is.
  std::vector<uint8_t> rgba = {200, 100, 50, 0, 1, 2, 3, 128};
  png = EncodePng(2, 1, 4, rgba);
  image = platform::DecodeImage(png.data(), png.size());
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixels, (std::vector<uint32_t>{0x00C86432, 0x80010203}));
}

TEST(Image, RefusesWhatIsNoImage) {
  std::string error;
  const uint8_t junk[] = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'};
  EXPECT_FALSE(platform::DecodeImage(junk, sizeof(junk), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(platform::DecodeImage(nullptr, 0));
  auto png = EncodePng(2, 2, 3, std::vector<uint8_t>(12, 7));
  png.resize(png.size() / 2);  // truncated
  EXPECT_FALSE(platform::DecodeImage(png.data(), png.size()));
}

TEST(Image, ResamplingKeepsFlatColoursAndEdges) {
  platform::Image flat{3, 5, std::vector<uint32_t>(15, 0x80402010)};
  platform::Image up = platform::Resample(flat, 4, 8);
  EXPECT_EQ(up.width, 4);
  EXPECT_EQ(up.height, 8);
  for (uint32_t p : up.pixels) EXPECT_EQ(p, 0x80402010u);
  // A black-to-white ramp stays monotonic with black and white ends.
  platform::Image ramp{3, 1, {0xFF000000, 0xFF808080, 0xFFFFFFFF}};
  platform::Image wide = platform::Resample(ramp, 4, 1);
  EXPECT_EQ(wide.pixels.front(), 0xFF000000u);
  EXPECT_EQ(wide.pixels.back(), 0xFFFFFFFFu);
  for (size_t i = 1; i < wide.pixels.size(); ++i) EXPECT_GE(wide.pixels[i] & 0xFF, wide.pixels[i - 1] & 0xFF);
}
