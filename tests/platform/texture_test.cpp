#include "platform/texture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "platform/image.h"
#include "support/resident.h"

using platform::AlphaRows;
using platform::MeasureAlphaRows;
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

// Rows counted from the rectangle's top; '.' is transparent, 'o' opaque, '+' partly covered.
TEST(Texture, AlphaRowsFindTransparentTopsAndOpaqueBottoms) {
  struct Case {
    const char* name;
    std::vector<const char*> rows;
    Rect rect;
    int32_t firstShown, endShown, opaqueFrom;
  };
  const Case cases[] = {
      {"hills over the sky", {"....", "..+.", ".oo+", "oooo", "oooo"}, {0, 0, 4, 5}, 1, 5, 3},
      {"a gap in the last row", {"oooo", "oooo", "oo.o"}, {0, 0, 4, 3}, 0, 3, 3},
      {"all clear", {"....", "...."}, {0, 0, 4, 2}, 0, 0, 2},
      {"all opaque", {"oo", "oo"}, {0, 0, 2, 2}, 0, 2, 0},
      {"shown in the middle", {"..", "+.", ".."}, {0, 0, 2, 3}, 1, 2, 3},
      // Only the rectangle counts: the clear column and the top row lie outside it.
      {"a part", {"....", ".ooo", ".ooo"}, {1, 1, 4, 3}, 0, 2, 0},
      {"clipped to the texture", {"..", "oo"}, {-5, -5, 9, 9}, 1, 2, 1},
      {"empty rectangle", {"oo"}, {1, 0, 1, 1}, 0, 1, 1},
  };
  for (const Case& c : cases) {
    const int32_t w = int32_t(std::strlen(c.rows[0])), h = int32_t(c.rows.size());
    Texture texture(w, h);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        const char k = c.rows[size_t(y)][x];
        texture.MutablePixels()[size_t(y) * size_t(w) + size_t(x)] = k == 'o'   ? 0xFF336699u
                                                                     : k == '+' ? 0x80336699u
                                                                                : 0x00FFFFFFu;
      }
    const AlphaRows rows = MeasureAlphaRows(texture, c.rect);
    EXPECT_EQ(rows.firstShown, c.firstShown) << c.name;
    EXPECT_EQ(rows.endShown, c.endShown) << c.name;
    EXPECT_EQ(rows.opaqueFrom, c.opaqueFrom) << c.name;
  }
}

TEST(Texture, ARenderTargetGetsItsCpuCopyOnlyWhenAskedAndThenReadsClear) {
  // Its content lives on the device: no pixel memory until something asks for it.
  Texture target(64, 32, 1, platform::kUsageRenderTarget);
  EXPECT_FALSE(target.HasCpuCopy());
  EXPECT_EQ(target.Pixels(), nullptr);
  int32_t pitch = 0;
  Rect r{1, 2, 3, 4};
  uint32_t* p = target.Lock(&r, pitch);
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(target.HasCpuCopy());
  EXPECT_EQ(pitch, 64);
  EXPECT_EQ(p, target.Pixels() + 2 * 64 + 1);
  for (int32_t i = 0; i < 64 * 32; ++i) ASSERT_EQ(target.Pixels()[i], 0u) << i;

  Texture other(8, 8, 1, platform::kUsageRenderTarget);
  EXPECT_EQ(other.MutablePixels()[63], 0u);
  // Any other texture holds its pixels from the start.
  EXPECT_TRUE(Texture(8, 8).HasCpuCopy());
}

TEST(Texture, ReleasedPixelsGiveTheirMemoryBackAndReadClearUntilWrittenAgain) {
  Texture picture(16, 8, 0);
  picture.MutablePixels()[5] = 0xFF123456;
  picture.ClearDirty();
  const uint64_t before = picture.ChangeCount();
  ASSERT_TRUE(picture.ReleasePixels());
  EXPECT_TRUE(picture.IsReleased());
  EXPECT_FALSE(picture.HasCpuCopy());
  EXPECT_EQ(picture.Pixels(), nullptr);
  EXPECT_EQ(picture.Width(), 16);
  EXPECT_EQ(picture.Levels(), 5);
  // Readers that remembered what the pixels held learn that it changed; the next upload
  // sends the whole texture.
  EXPECT_GT(picture.ChangeCount(), before);
  EXPECT_EQ(picture.DirtyBegin(), 0);
  EXPECT_EQ(picture.DirtyEnd(), 8);
  const platform::AlphaRows rows = platform::MeasureAlphaRows(picture, {0, 0, 16, 8});
  EXPECT_EQ(rows.firstShown, 0);
  EXPECT_EQ(rows.opaqueFrom, 8);

  // A writer gets a cleared copy, and the texture holds pixels again.
  int32_t pitch = 0;
  Rect r{0, 0, 16, 8};
  uint32_t* p = picture.Lock(&r, pitch);
  ASSERT_NE(p, nullptr);
  EXPECT_FALSE(picture.IsReleased());
  for (int32_t i = 0; i < 16 * 8; ++i) ASSERT_EQ(p[i], 0u) << i;

  // What a texture does not own, or keeps on the device, is not given back.
  Texture target(8, 8, 1, platform::kUsageRenderTarget);
  EXPECT_FALSE(target.ReleasePixels());
  EXPECT_FALSE(target.IsReleased());
  std::vector<uint32_t> borrowed(64, 0u);
  Texture over(8, 8, 1, platform::kUsageNone, borrowed.data());
  EXPECT_FALSE(over.ReleasePixels());
  EXPECT_EQ(over.Pixels(), borrowed.data());
}

TEST(Texture, ARefillBringsAReleasedTextureBackOrLeavesItClear) {
  struct Case {
    const char* name;
    bool withRefill;
    bool refillSucceeds;
    bool holdsPixels;
    uint32_t firstPixel;
  };
  const Case cases[] = {
      {"read again", true, true, true, 0xFF00FF00u},
      {"the file is gone", true, false, false, 0u},
      {"nothing to read it from", false, false, false, 0u},
  };
  // A small texture keeps its copy in one block, a large one in pages of its own.
  for (const int32_t side : {4, 256})
    for (const Case& c : cases) {
      SCOPED_TRACE(side);
      Texture picture(side, side, 0);
      const size_t words = size_t(side) * size_t(side);
      int calls = 0;
      if (c.withRefill)
        picture.SetRefill([&](uint32_t* pixels) {
          ++calls;
          if (!c.refillSucceeds) {
            // A half-read file leaves nothing behind.
            pixels[0] = 0xFFFFFFFFu;
            pixels[words - 1] = 0xFFFFFFFFu;
            return false;
          }
          std::fill(pixels, pixels + words, 0xFF00FF00u);
          return true;
        });
      EXPECT_TRUE(picture.Refill()) << c.name << ": holding its pixels, nothing is read";
      EXPECT_EQ(calls, 0) << c.name;
      ASSERT_TRUE(picture.ReleasePixels());
      const uint64_t change = picture.ChangeCount();
      EXPECT_EQ(picture.Refill(), c.holdsPixels) << c.name;
      EXPECT_EQ(calls, c.withRefill ? 1 : 0) << c.name;
      if (c.withRefill) {
        // Read once: after a failed read the texture holds clear pixels and is asked no more.
        EXPECT_FALSE(picture.IsReleased()) << c.name;
        EXPECT_GT(picture.ChangeCount(), change) << c.name;
        EXPECT_EQ(picture.PixelAt(0, 0), c.firstPixel) << c.name;
        EXPECT_EQ(picture.PixelAt(side - 1, side - 1), c.firstPixel) << c.name;
        picture.Refill();
        EXPECT_EQ(calls, 1) << c.name;
      } else {
        EXPECT_TRUE(picture.IsReleased()) << c.name;
        EXPECT_EQ(picture.Pixels(), nullptr) << c.name;
      }
    }
}

TEST(Texture, AnAssignedPictureHoldsMemoryOnlyForThePagesThatAreNotClear) {
  // 2048 x 2048 (16 MiB): its top half clear but for one pixel, its bottom half opaque; and
  // the same at a size small enough for one block.
  for (const int32_t side : {2048, 16}) {
    SCOPED_TRACE(side);
    const size_t words = size_t(side) * size_t(side);
    std::vector<uint32_t> picture(words, 0u);
    std::fill(picture.begin() + words / 2, picture.end(), 0xFF336699u);
    picture[size_t(side) * 3 + 7] = 0x80FFFFFFu;
    std::vector<uint32_t> clear(words, 0u);

    const size_t before = test_support::ResidentBytes();
    Texture texture(side, side, 0);
    texture.ClearDirty();
    texture.Assign(picture.data());
    const size_t assigned = test_support::ResidentBytes();
    ASSERT_TRUE(std::equal(picture.begin(), picture.end(), texture.Pixels()));
    EXPECT_EQ(texture.DirtyBegin(), 0);
    EXPECT_EQ(texture.DirtyEnd(), side);
    if (side == 2048 && test_support::ResidentBytesAreTheProgramsOwn()) {
      EXPECT_LT(assigned, before + words * 4 / 2 + (size_t(1) << 20));
      EXPECT_GT(assigned, before + words * 4 / 2 - (size_t(1) << 20));
    }

    // A clear picture over it clears it, and the large copy gives its pages back.
    texture.Assign(clear.data());
    ASSERT_TRUE(std::equal(clear.begin(), clear.end(), texture.Pixels()));
    if (side == 2048 && test_support::ResidentBytesAreTheProgramsOwn())
      EXPECT_LT(test_support::ResidentBytes(), before + (size_t(1) << 20));

    // A writer reaches the clear parts as before.
    int32_t pitch = 0;
    const Rect r{side - 2, 1, side, 2};
    uint32_t* p = texture.Lock(&r, pitch);
    ASSERT_NE(p, nullptr);
    p[1] = 0xFF0000FFu;
    EXPECT_EQ(texture.PixelAt(side - 1, 1), 0xFF0000FFu);
    EXPECT_EQ(texture.PixelAt(side - 2, 1), 0u);
  }
}

namespace {

// Stands in for a device copy: a texture with one counts as held by the device.
class HeldByDevice final : public platform::TextureGpu {};

// A picture whose refill paints it (0xFF000000 | index) and counts its calls, uploaded: the
// state the device leaves a loaded picture in after a frame.
struct Uploaded {
  explicit Uploaded(int32_t side) : texture(side, side, 0) {
    Paint(texture.MutablePixels());
    texture.MarkAllDirty();
    texture.SetRefill([this](uint32_t* pixels) {
      ++reads;
      if (!readable) return false;
      Paint(pixels);
      return true;
    });
    texture.SetGpu(std::make_unique<HeldByDevice>());
    texture.ClearDirty();
  }
  void Paint(uint32_t* pixels) const {
    for (size_t i = 0; i < size_t(texture.Width()) * size_t(texture.Height()); ++i)
      pixels[i] = 0xFF000000u | uint32_t(i);
  }
  Texture texture;
  int reads = 0;
  bool readable = true;
};

}  // namespace

TEST(Texture, ADroppedCopyIsReadAgainForItsFirstReaderOrWriterAndKeptFromThen) {
  // A small copy in one block and a large one in pages of its own.
  for (const int32_t side : {4, 256}) {
    SCOPED_TRACE(side);
    const uint32_t last = 0xFF000000u | uint32_t(side * side - 1);
    {
      Uploaded up(side);
      const uint64_t change = up.texture.ChangeCount();
      ASSERT_TRUE(up.texture.DropCpuCopy());
      EXPECT_TRUE(up.texture.CpuCopyDropped());
      EXPECT_FALSE(up.texture.HasCpuCopy());
      EXPECT_EQ(up.texture.HeldPixels(), nullptr);
      EXPECT_FALSE(up.texture.IsReleased());
      EXPECT_TRUE(up.texture.Refill()) << "it holds its picture";
      EXPECT_EQ(up.reads, 0);
      // A reader sees the picture, read once; nothing changed for readers or the device.
      EXPECT_EQ(up.texture.PixelAt(side - 1, side - 1), last);
      EXPECT_EQ(up.texture.PixelAt(1, 0), 0xFF000001u);
      EXPECT_EQ(up.reads, 1);
      EXPECT_EQ(up.texture.ChangeCount(), change);
      EXPECT_FALSE(up.texture.IsDirty());
      EXPECT_NE(up.texture.Gpu(), nullptr);
      // Read back for a reader, it is kept: that reader is likely to come back.
      EXPECT_FALSE(up.texture.DropCpuCopy());
      EXPECT_TRUE(up.texture.HasCpuCopy());
    }
    {
      // A writer gets the picture first: what it does not write stays.
      Uploaded up(side);
      ASSERT_TRUE(up.texture.DropCpuCopy());
      int32_t pitch = 0;
      Rect row{0, 0, side, 1};
      uint32_t* p = up.texture.Lock(&row, pitch);
      ASSERT_NE(p, nullptr);
      p[0] = 0xFFABCDEFu;
      EXPECT_EQ(up.reads, 1);
      EXPECT_EQ(up.texture.PixelAt(0, 0), 0xFFABCDEFu);
      EXPECT_EQ(up.texture.PixelAt(side - 1, side - 1), last);
      EXPECT_EQ(up.texture.DirtyBegin(), 0);
      EXPECT_EQ(up.texture.DirtyEnd(), 1);
    }
    {
      // A refill put in place of another reads what was dropped with the one it was dropped
      // under, before it goes.
      Uploaded up(side);
      ASSERT_TRUE(up.texture.DropCpuCopy());
      up.texture.SetRefill(nullptr);
      EXPECT_EQ(up.reads, 1);
      EXPECT_FALSE(up.texture.CpuCopyDropped());
      EXPECT_EQ(up.texture.PixelAt(side - 1, side - 1), last);
    }
    {
      // Gone when it was wanted: the texture holds clear pixels and sends them to the device,
      // so that the device shows what the texture holds.
      Uploaded up(side);
      ASSERT_TRUE(up.texture.DropCpuCopy());
      up.readable = false;
      EXPECT_EQ(up.texture.PixelAt(side - 1, side - 1), 0u);
      EXPECT_EQ(up.texture.PixelAt(0, 0), 0u);
      EXPECT_EQ(up.reads, 1);
      EXPECT_EQ(up.texture.DirtyBegin(), 0);
      EXPECT_EQ(up.texture.DirtyEnd(), side);
    }
    {
      // Released after it was dropped, it is released like any other and read again whole.
      Uploaded up(side);
      ASSERT_TRUE(up.texture.DropCpuCopy());
      ASSERT_TRUE(up.texture.ReleasePixels());
      EXPECT_FALSE(up.texture.CpuCopyDropped());
      EXPECT_EQ(up.texture.Pixels(), nullptr);
      EXPECT_TRUE(up.texture.Refill());
      EXPECT_EQ(up.texture.PixelAt(side - 1, side - 1), last);
      EXPECT_TRUE(up.texture.IsDirty());
    }
  }
}

TEST(Texture, OnlyAPictureTheDeviceHoldsAsItsRefillReadsItDropsItsCopy) {
  struct Case {
    const char* name;
    void (*change)(Uploaded&);
    bool drops;
  };
  const Case cases[] = {
      {"uploaded, as read", [](Uploaded&) {}, true},
      {"written through a lock since", [](Uploaded& up) {
         int32_t pitch = 0;
         Rect r{1, 1, 2, 2};
         up.texture.Lock(&r, pitch)[0] = 0xFF0000FFu;
         up.texture.ClearDirty();
       }, false},
      {"written directly since", [](Uploaded& up) {
         up.texture.MutablePixels()[3] = 0u;
         up.texture.MarkAllDirty();
         up.texture.ClearDirty();
       }, false},
      {"rows not yet uploaded", [](Uploaded& up) { up.texture.MarkDirty(2, 3); }, false},
      {"no device copy", [](Uploaded& up) { up.texture.DropGpu(); }, false},
      {"nothing to read it from", [](Uploaded& up) { up.texture.SetRefill(nullptr); }, false},
      {"released", [](Uploaded& up) { up.texture.ReleasePixels(); }, false},
      {"read again after a release", [](Uploaded& up) {
         up.texture.ReleasePixels();
         up.texture.Refill();
         up.texture.SetGpu(std::make_unique<HeldByDevice>());
         up.texture.ClearDirty();
       }, true},
      {"cleared after a failed read", [](Uploaded& up) {
         up.texture.ReleasePixels();
         up.readable = false;
         up.texture.Refill();
         up.texture.SetGpu(std::make_unique<HeldByDevice>());
         up.texture.ClearDirty();
       }, false},
  };
  for (const Case& c : cases) {
    Uploaded up(8);
    c.change(up);
    EXPECT_EQ(up.texture.DropCpuCopy(), c.drops) << c.name;
    EXPECT_EQ(up.texture.CpuCopyDropped(), c.drops) << c.name;
  }

  // What a texture does not own, or keeps on the device alone, has no copy to drop.
  std::vector<uint32_t> borrowed(64, 0u);
  Texture over(8, 8, 1, platform::kUsageNone, borrowed.data());
  Texture target(8, 8, 1, platform::kUsageRenderTarget);
  for (Texture* t : {&over, &target}) {
    t->SetRefill([](uint32_t*) { return true; });
    t->SetGpu(std::make_unique<HeldByDevice>());
    t->ClearDirty();
    EXPECT_FALSE(t->DropCpuCopy());
  }
  EXPECT_EQ(over.Pixels(), borrowed.data());
}

TEST(Texture, ThreadsReadingADroppedCopyAtOnceReadItOnce) {
  Uploaded up(256);
  ASSERT_TRUE(up.texture.DropCpuCopy());
  constexpr int kThreads = 8;
  std::vector<const uint32_t*> seen(kThreads);
  std::vector<uint32_t> last(kThreads);
  {
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
      threads.emplace_back([&, i] {
        seen[size_t(i)] = up.texture.Pixels();
        last[size_t(i)] = up.texture.PixelAt(255, 255);
      });
    for (std::thread& t : threads) t.join();
  }
  EXPECT_EQ(up.reads, 1);
  for (int i = 0; i < kThreads; ++i) {
    EXPECT_EQ(seen[size_t(i)], up.texture.HeldPixels()) << i;
    EXPECT_EQ(last[size_t(i)], 0xFF000000u | 0xFFFFu) << i;
  }
}
