// Zeroed memory taken from the system in whole pages. Nothing of it is written or resident
// until it is written to: reading untouched memory sees zeros, so a large store that stays
// mostly empty costs only the pages that were drawn into, and none of it is zero-filled by
// the program.
#pragma once

#include <cstddef>
#include <vector>

namespace platform {

class ZeroPages {
 public:
  // At least `bytes` of zeros (none for 0). Throws std::bad_alloc when the system has no
  // room for the address range.
  explicit ZeroPages(size_t bytes);
  ~ZeroPages();
  ZeroPages(const ZeroPages&) = delete;
  ZeroPages& operator=(const ZeroPages&) = delete;

  void* Data() const { return m_data; }
  size_t Size() const { return m_size; }

  // Makes [offset, offset + bytes) zero again; the whole pages inside it go back to the
  // system and read as zeros from then on.
  void Zero(size_t offset, size_t bytes);

  // Gives the whole pages of [offset, offset + bytes) their memory now, in one call, where
  // the system can. For a range about to be written nearly throughout: each page's first
  // touch is otherwise a fault of its own, and a page read before it is written is faulted
  // twice, the second time with every processor of the program told to forget the old one.
  void Populate(size_t offset, size_t bytes);
  // Whether the store's user populates what it takes (its own policy; true at first).
  bool TakesWhole() const { return m_takesWhole; }
  void SetTakesWhole(bool whole) { m_takesWhole = whole; }
  // Hands back every page that holds nothing but zeros (it reads as zeros from then on):
  // for after a populated range was written.
  void GiveBackZeroPages();

  static size_t PageSize();
  // n rounded up to a whole number of pages.
  static size_t RoundUp(size_t n);

 private:
  void* m_data = nullptr;
  size_t m_size = 0;
  bool m_takesWhole = true;
};

// For each page of [start, start + bytes) (start on a page boundary), whether it was ever
// touched: an untouched page reads as zeros. Looking does not touch the pages, where
// reading them might (some systems give a page its own memory on the first read). When the
// system cannot tell, every page counts as touched.
void TouchedPages(const void* start, size_t bytes, std::vector<unsigned char>& touched);

// Copies `bytes` from source to a destination that holds zeros, page by page, leaving out
// the pages of source that are all zero, so the destination's untouched pages stay
// untouched. Both must start on a page boundary; the source's untouched pages are not read.
void CopyIntoZeroed(void* destination, const void* source, size_t bytes);

}  // namespace platform
