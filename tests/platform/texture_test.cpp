#include "platform/texture.h"

#include <gtest/gtest.h>

#include "platform/image.h"

using platform::Rect;
using platform::Texture;

TEST(Texture, LockMarksRowsForUploadAndRefusesRectsOutside) {
  Texture t(16, 8);
  EXPECT_EQ(t.Levels(), 1);
  // New content has never been uploaded.
  EXPECT_TRUE(t.IsDirty());
  t.ClearDirty();
  int32_t pitch = 0;
  Rect r{2, 3, 5, 6};
  uint32_t* p = t.Lock(&r, pitch);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(pitch, 16);
  p[0] = 0xFF112233;
  p[pitch + 2] = 0x80FFFFFF;
  t.Unlock();
  EXPECT_EQ(t.PixelAt(2, 3), 0xFF112233u);
  EXPECT_EQ(t.PixelAt(4, 4), 0x80FFFFFFu);
  EXPECT_EQ(t.DirtyBegin(), 3);
  EXPECT_EQ(t.DirtyEnd(), 6);
  Rect low{0, 7, 1, 8};
  t.Lock(&low, pitch);
  EXPECT_EQ(t.DirtyBegin(), 3);
  EXPECT_EQ(t.DirtyEnd(), 8);

  for (Rect bad :
       {Rect{-1, 0, 2, 2}, Rect{0, 0, 17, 1}, Rect{0, 0, 1, 9}, Rect{3, 3, 3, 4}, Rect{4, 4, 2, 6}})
    EXPECT_EQ(t.Lock(&bad, pitch), nullptr)
        << bad.left << "," << bad.top << "," << bad.right << "," << bad.bottom;
}

TEST(Texture, LevelCountsAndPowersOfTwo) {
  EXPECT_EQ(Texture::FullMipCount(1, 1), 1);
  EXPECT_EQ(Texture::FullMipCount(256, 16), 9);
  EXPECT_EQ(Texture(64, 32, 0).Levels(), 7);
  EXPECT_EQ(Texture(64, 32, 99).Levels(), 7);
  EXPECT_EQ(Texture(64, 32, 3).Levels(), 3);
  for (auto [n, p] : {std::pair{1, 1}, {2, 2}, {3, 4}, {100, 128}, {128, 128}, {129, 256}})
    EXPECT_EQ(platform::NextPowerOfTwo(n), p);
}
