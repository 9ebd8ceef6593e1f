// Page memory through anonymous private mappings: the kernel hands out zero pages on demand.
#include "platform/zeropages.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

namespace platform {

size_t ZeroPages::PageSize() {
  static const size_t size = [] {
    long s = sysconf(_SC_PAGESIZE);
    return s > 0 ? size_t(s) : size_t(4096);
  }();
  return size;
}

size_t ZeroPages::RoundUp(size_t n) {
  const size_t page = PageSize();
  return (n + page - 1) / page * page;
}

ZeroPages::ZeroPages(size_t bytes) {
  if (bytes == 0) return;
  m_size = RoundUp(bytes);
  void* p = mmap(nullptr, m_size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  m_data = p;
  // Huge pages would make one written pixel take two megabytes: the memory is sparse.
  madvise(p, m_size, MADV_NOHUGEPAGE);
}

ZeroPages::~ZeroPages() {
  if (m_data) munmap(m_data, m_size);
}

void ZeroPages::Zero(size_t offset, size_t bytes) {
  if (offset >= m_size) return;
  bytes = std::min(bytes, m_size - offset);
  auto* base = static_cast<uint8_t*>(m_data);
  const size_t page = PageSize();
  const size_t first = RoundUp(offset), end = (offset + bytes) / page * page;
  if (first >= end) {
    std::memset(base + offset, 0, bytes);
    return;
  }
  std::memset(base + offset, 0, first - offset);
  // Pages handed back read as zeros again; should the system refuse, they are cleared here.
  if (madvise(base + first, end - first, MADV_DONTNEED) != 0) std::memset(base + first, 0, end - first);
  std::memset(base + end, 0, offset + bytes - end);
}

namespace {

bool AllZero(const uint8_t* p, size_t n);

}  // namespace

void ZeroPages::Populate(size_t offset, size_t bytes) {
#ifdef MADV_POPULATE_WRITE
  if (offset >= m_size) return;
  bytes = std::min(bytes, m_size - offset);
  const size_t page = PageSize();
  const size_t first = RoundUp(offset), end = (offset + bytes) / page * page;
  // An older system refuses; the pages then come one fault at a time, as without this.
  if (first < end) madvise(static_cast<uint8_t*>(m_data) + first, end - first, MADV_POPULATE_WRITE);
#else
  (void)offset;
  (void)bytes;
#endif
}

void ZeroPages::GiveBackZeroPages() {
  if (!m_data) return;
  auto* base = static_cast<uint8_t*>(m_data);
  const size_t page = PageSize();
  std::vector<unsigned char> touched;
  TouchedPages(base, m_size, touched);
  // Runs of clear pages go back in one call each.
  size_t run = 0, runStart = 0;
  auto flush = [&] {
    if (run) madvise(base + runStart * page, run * page, MADV_DONTNEED);
    run = 0;
  };
  for (size_t i = 0; i < touched.size(); ++i) {
    if (touched[i] && AllZero(base + i * page, page)) {
      if (!run) runStart = i;
      ++run;
    } else {
      flush();
    }
  }
  flush();
}

namespace {

bool AllZero(const uint8_t* p, size_t n) {
  // Word by word: untouched pages all map the one zero page, so this reads from the cache.
  const auto* w = reinterpret_cast<const uint64_t*>(p);
  size_t words = n / 8;
  for (size_t i = 0; i < words; ++i)
    if (w[i]) return false;
  for (size_t i = words * 8; i < n; ++i)
    if (p[i]) return false;
  return true;
}

}  // namespace

void TouchedPages(const void* start, size_t bytes, std::vector<unsigned char>& touched) {
  const size_t page = ZeroPages::PageSize();
  const size_t pages = ZeroPages::RoundUp(bytes) / page;
  touched.assign(pages, 1);
  // The kernel's page map: one word per page, bit 63 "present", bit 62 "swapped out". A page
  // that is neither was never given memory. (Residency alone would take a page that went to
  // swap for an untouched one.)
  static const int pagemap = open("/proc/self/pagemap", O_RDONLY | O_CLOEXEC);
  if (pagemap < 0 || pages == 0) return;
  std::vector<uint64_t> entries(pages);
  const off_t at = off_t(reinterpret_cast<uintptr_t>(start) / page * sizeof(uint64_t));
  const ssize_t want = ssize_t(pages * sizeof(uint64_t));
  if (pread(pagemap, entries.data(), size_t(want), at) != want) return;
  for (size_t i = 0; i < pages; ++i) touched[i] = (entries[i] >> 62) != 0 ? 1 : 0;
}

void CopyIntoZeroed(void* destination, const void* source, size_t bytes) {
  auto* d = static_cast<uint8_t*>(destination);
  const auto* s = static_cast<const uint8_t*>(source);
  const size_t page = ZeroPages::PageSize();
  std::vector<unsigned char> touched;
  TouchedPages(source, bytes, touched);
  for (size_t at = 0, i = 0; at < bytes; at += page, ++i) {
    const size_t n = std::min(page, bytes - at);
    if (touched[i] && !AllZero(s + at, n)) std::memcpy(d + at, s + at, n);
  }
}

}  // namespace platform
