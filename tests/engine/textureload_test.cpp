// Loading textures from the archive and from disk.
#include "engine/textureload.h"

#include <gtest/gtest.h>
#include <stb/stb_image_write.h>

#include <fstream>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "support/temp_dir.h"

namespace {

std::vector<uint8_t> Png(int w, int h, uint32_t argb) {
  std::vector<uint8_t> rgba;
  for (int i = 0; i < w * h; ++i)
    for (int shift : {16, 8, 0, 24}) rgba.push_back(uint8_t(argb >> shift));
  std::vector<uint8_t> out;
  stbi_write_png_to_func(
      [](void* ctx, void* data, int size) {
        auto* v = static_cast<std::vector<uint8_t>*>(ctx);
        v->insert(v->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
      },
      &out, w, h, 4, rgba.data(), w * 4);
  return out;
}

class Loading : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WriteDataArchive(dir.File("t.gob"), {{u"tex\\ball.png", Png(3, 5, 0x80C08040)},
                                                     {u"square.png", Png(8, 4, 0xFF00FF00)},
                                                     {u"junk.png", {'n', 'o', 'p', 'e'}}}));
    archive = DataArchive::Open(dir.File("t.gob"));
    ASSERT_NE(archive, nullptr);
    DisplayEnvironment env;
    env.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(context, env);
    graphics->UseNullDevice(true);
    ASSERT_EQ(graphics->Create(), kResultOk);
  }

  TempDir dir;
  std::unique_ptr<DataArchive> archive;
  APIContext context;
  std::unique_ptr<APIGraphics> graphics;
};

}  // namespace

TEST_F(Loading, ArchiveImagesGrowToPowersOfTwoWithAFullMipChain) {
  platform::TexturePtr texture;
  // A leading backslash is dropped before the lookup.
  ASSERT_TRUE(graphics->LoadTexture(&texture, u"\\TEX\\ball.png", archive.get()));
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(texture->Width(), 4);
  EXPECT_EQ(texture->Height(), 8);
  EXPECT_EQ(texture->Levels(), 4);
  // A flat colour stays that colour through the resampling, alpha as it was.
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 4; ++x) ASSERT_EQ(texture->PixelAt(x, y), 0x80C08040u);

  ImageInfo info;
  TextureLoadOptions options;
  options.format = kFormatX8R8G8B8;
  ASSERT_EQ(CreateTextureFromArchive(archive.get(), nullptr, u"tex\\ball.png", options, &texture, &info),
            kResultOk);
  EXPECT_EQ(info.width, 3u);
  EXPECT_EQ(info.height, 5u);
  EXPECT_EQ(texture->PixelAt(0, 0), 0xFFC08040u);  // no alpha in this format

  ASSERT_TRUE(graphics->LoadTexture(&texture, u"square.png", archive.get()));
  EXPECT_EQ(texture->Width(), 8);
  EXPECT_EQ(texture->Height(), 4);
  EXPECT_EQ(texture->PixelAt(7, 3), 0xFF00FF00u);
}

TEST_F(Loading, MissingOrBrokenEntriesFailAndLeaveTheOutputAlone) {
  platform::TexturePtr texture;
  ASSERT_TRUE(graphics->LoadTexture(&texture, u"square.png", archive.get()));
  platform::Texture* before = texture.get();
  EXPECT_FALSE(graphics->LoadTexture(&texture, u"missing.png", archive.get()));
  EXPECT_FALSE(graphics->LoadTexture(&texture, u"junk.png", archive.get()));
  EXPECT_FALSE(graphics->LoadTexture(&texture, u"\\\\square.png", archive.get()));  // only one backslash goes
  EXPECT_EQ(texture.get(), before);
  EXPECT_EQ(CreateTextureFromArchive(nullptr, nullptr, u"square.png", {}, &texture), kResultFail);
}

TEST_F(Loading, DiskFilesLoadWithoutAnArchive) {
  auto png = Png(16, 16, 0xFF123456);
  std::ofstream(dir.Path() / "disk.png", std::ios::binary)
      .write(reinterpret_cast<const char*>(png.data()), long(png.size()));
  platform::TexturePtr texture;
  ASSERT_TRUE(graphics->LoadTexture(&texture, dir.File("disk.png"), nullptr));
  EXPECT_EQ(texture->Width(), 16);
  EXPECT_EQ(texture->Levels(), 5);
  EXPECT_EQ(texture->PixelAt(15, 15), 0xFF123456u);
  EXPECT_FALSE(graphics->LoadTexture(&texture, dir.File("absent.png"), nullptr));
  // Explicit sizes resample to them; a colour key clears matching pixels.
  TextureLoadOptions options;
  options.width = 4;
  options.height = 2;
  options.mipLevels = 1;
  options.colorKey = 0xFF123456;
  ASSERT_EQ(CreateTextureFromFile(nullptr, dir.File("disk.png"), options, &texture), kResultOk);
  EXPECT_EQ(texture->Width(), 4);
  EXPECT_EQ(texture->Levels(), 1);
  EXPECT_EQ(texture->PixelAt(0, 0), 0u);
}
