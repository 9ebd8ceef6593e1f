// Page memory: zeros that cost nothing until written, ranges made zero again (whole pages
// handed back, the rest cleared), and copies that leave the source's clear pages out.
#include "platform/zeropages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "support/resident.h"

using platform::ZeroPages;
using test_support::ResidentBytes;

namespace {

constexpr size_t kMiB = size_t(1) << 20;

bool AllZero(const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (p[i]) return false;
  return true;
}

}  // namespace

TEST(ZeroPages, ReadsAsZerosAndIsResidentOnlyWhereWritten) {
  EXPECT_EQ(ZeroPages(0).Data(), nullptr);
  const size_t page = ZeroPages::PageSize();
  EXPECT_EQ(ZeroPages(1).Size(), page);
  EXPECT_EQ(ZeroPages::RoundUp(page + 1), 2 * page);

  const size_t before = ResidentBytes();
  ZeroPages pages(64 * kMiB);
  auto* bytes = static_cast<uint8_t*>(pages.Data());
  // One byte in each of 16 pages; those are the pages touched, and all that is resident.
  for (size_t i = 0; i < 16; ++i) bytes[i * 4 * kMiB + 5] = uint8_t(i + 1);
  EXPECT_LT(ResidentBytes(), before + 4 * kMiB);
  std::vector<unsigned char> touched;
  platform::TouchedPages(bytes, pages.Size(), touched);
  ASSERT_EQ(touched.size(), pages.Size() / page);
  for (size_t p = 0; p < touched.size(); ++p) ASSERT_EQ(touched[p] != 0, p % (4 * kMiB / page) == 0) << p;
  // Untouched memory reads as zeros.
  for (size_t i = 0; i < 16; ++i) EXPECT_EQ(bytes[i * 4 * kMiB + 5], i + 1);
  bytes[5] = 0;
  EXPECT_TRUE(AllZero(bytes, 4 * kMiB));
}

TEST(ZeroPages, ZeroClearsExactlyTheRangeAndHandsWholePagesBack) {
  const size_t page = ZeroPages::PageSize();
  struct Case {
    size_t offset, bytes;
  };
  const Case cases[] = {
      {0, 0},                       // nothing
      {10, 20},                     // inside one page
      {page - 3, 6},                // across a page border, no whole page
      {page / 2, 3 * page},         // parts of two pages around two whole ones
      {page, 2 * page},             // whole pages only
      {7 * page, 5 * page},         // past the end: up to the end
  };
  for (const Case& c : cases) {
    ZeroPages pages(8 * page);
    auto* bytes = static_cast<uint8_t*>(pages.Data());
    std::memset(bytes, 0xAB, pages.Size());
    pages.Zero(c.offset, c.bytes);
    const size_t end = std::min(c.offset + c.bytes, pages.Size());
    for (size_t i = 0; i < pages.Size(); ++i)
      ASSERT_EQ(bytes[i], (i >= c.offset && i < end) ? 0 : 0xAB) << c.offset << "+" << c.bytes << " at " << i;
  }

  // Pages handed back are no longer resident.
  ZeroPages large(64 * kMiB);
  std::memset(large.Data(), 1, large.Size());
  const size_t full = ResidentBytes();
  large.Zero(0, large.Size());
  EXPECT_LT(ResidentBytes() + 48 * kMiB, full);
  EXPECT_TRUE(AllZero(static_cast<uint8_t*>(large.Data()), large.Size()));
}

TEST(ZeroPages, CopiesLeaveClearPagesOut) {
  const size_t page = ZeroPages::PageSize();
  ZeroPages source(4096 * page), destination(4096 * page);
  auto* s = static_cast<uint8_t*>(source.Data());
  // Every 64th page has a byte, the rest stays clear; an odd length ends in part of a page.
  for (size_t p = 0; p < 4096; p += 64) s[p * page + p % page] = uint8_t(p / 64 + 1);
  const size_t length = 4095 * page + 100;
  s[length - 1] = 0x5A;
  // Neither the source's untouched pages nor the destination's pages for them take memory.
  const size_t before = ResidentBytes();
  platform::CopyIntoZeroed(destination.Data(), source.Data(), length);
  if (test_support::ResidentBytesAreTheProgramsOwn()) EXPECT_LT(ResidentBytes(), before + 256 * page);
  EXPECT_EQ(std::memcmp(destination.Data(), source.Data(), destination.Size()), 0);
}

TEST(ZeroPages, PopulatedPagesReadAsZerosAndTheClearOnesGoBackAfterwards) {
  const size_t page = ZeroPages::PageSize();
  ZeroPages pages(64 * kMiB);
  auto* bytes = static_cast<uint8_t*>(pages.Data());
  // Half a page in, a little over 32 MiB: the whole pages inside get their memory at once,
  // the partial ones at the ends do not.
  const size_t before = ResidentBytes();
  pages.Populate(page / 2, 32 * kMiB + page);
  const size_t populated = ResidentBytes();
  if (test_support::ResidentBytesAreTheProgramsOwn()) {
    EXPECT_GT(populated, before + 30 * kMiB);
  }
  std::vector<unsigned char> touched;
  platform::TouchedPages(bytes, pages.Size(), touched);
  const size_t firstWhole = 1, endWhole = (page / 2 + 32 * kMiB + page) / page;
  for (size_t p = 0; p < touched.size(); ++p)
    ASSERT_EQ(touched[p] != 0, p >= firstWhole && p < endWhole) << "page " << p;
  EXPECT_TRUE(AllZero(bytes, pages.Size()));

  // Written: one byte in every 16th page, and a page far outside the populated range.
  for (size_t p = firstWhole; p < endWhole; p += 16) bytes[p * page + 7] = uint8_t(p);
  bytes[60 * kMiB] = 0xEE;
  // Written and then cleared again counts as clear.
  bytes[(firstWhole + 1) * page] = 1;
  bytes[(firstWhole + 1) * page] = 0;
  pages.GiveBackZeroPages();
  if (test_support::ResidentBytesAreTheProgramsOwn()) {
    EXPECT_LT(ResidentBytes(), before + 4 * kMiB);
  }
  platform::TouchedPages(bytes, pages.Size(), touched);
  for (size_t p = 0; p < touched.size(); ++p) {
    const bool written = (p >= firstWhole && p < endWhole && (p - firstWhole) % 16 == 0) || p == 60 * kMiB / page;
    ASSERT_EQ(touched[p] != 0, written) << "page " << p;
  }
  for (size_t p = firstWhole; p < endWhole; ++p)
    ASSERT_EQ(bytes[p * page + 7], (p - firstWhole) % 16 == 0 ? uint8_t(p) : 0) << "page " << p;
  EXPECT_EQ(bytes[60 * kMiB], 0xEE);
}
