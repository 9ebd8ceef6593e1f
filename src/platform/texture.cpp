// CPU side of lockable textures.
#include "platform/texture.h"

#include <algorithm>
#include <mutex>

#include "platform/zeropages.h"

namespace platform {

namespace {

// From this size on a CPU copy takes pages of its own; below it, the rounding to whole
// pages and a mapping per texture would cost more than they save.
constexpr size_t kPagedBytes = 64 * 1024;

// Serialises reading dropped copies again: two threads that read one texture's pixels at
// once (stamping jobs) read its file once.
std::mutex g_readBackMutex;

}  // namespace

Texture::Texture(int32_t width, int32_t height, int32_t levels, uint32_t usage)
    : m_width(std::max(1, width)), m_height(std::max(1, height)), m_usage(usage) {
  int32_t full = FullMipCount(m_width, m_height);
  m_levels = (levels <= 0 || levels > full) ? full : levels;
  if (!IsRenderTarget()) MakeCpuCopy();
  // A new texture's content has never been uploaded.
  MarkAllDirty();
}

Texture::Texture(int32_t width, int32_t height, int32_t levels, uint32_t usage, uint32_t* zeroedPixels)
    : m_width(std::max(1, width)), m_height(std::max(1, height)), m_usage(usage), m_pixels(zeroedPixels) {
  int32_t full = FullMipCount(m_width, m_height);
  m_levels = (levels <= 0 || levels > full) ? full : levels;
  MarkAllDirty();
}

Texture::~Texture() = default;

void Texture::MakeCpuCopy() {
  const size_t words = size_t(m_width) * size_t(m_height);
  FreeCpuCopy();
  if (words * sizeof(uint32_t) >= kPagedBytes) {
    m_ownedPages = std::make_unique<ZeroPages>(words * sizeof(uint32_t));
    m_pixels = static_cast<uint32_t*>(m_ownedPages->Data());
  } else {
    m_owned.assign(words, 0u);
    m_pixels = m_owned.data();
  }
  m_released = false;
}

void Texture::FreeCpuCopy() {
  std::vector<uint32_t>().swap(m_owned);
  m_ownedPages.reset();
  m_pixels = nullptr;
}

bool Texture::OwnsPixels() const {
  return m_pixels && (m_pixels == m_owned.data() || (m_ownedPages && m_pixels == m_ownedPages->Data()));
}

void Texture::Assign(const uint32_t* pixels) {
  uint32_t* to = MutablePixels();
  const size_t words = size_t(m_width) * size_t(m_height);
  if (!m_ownedPages || m_pixels != m_ownedPages->Data()) {
    std::copy(pixels, pixels + words, to);
    MarkAllDirty();
    return;
  }
  // The store starts on a page boundary, so each step of a page's words covers one page.
  const size_t pageWords = ZeroPages::PageSize() / sizeof(uint32_t);
  const size_t pages = (words + pageWords - 1) / pageWords;
  std::vector<unsigned char> touched, shown(pages);
  TouchedPages(to, words * sizeof(uint32_t), touched);
  for (size_t page = 0; page < pages; ++page) {
    const uint32_t* from = pixels + page * pageWords;
    shown[page] = std::any_of(from, from + std::min(pageWords, words - page * pageWords),
                              [](uint32_t p) { return p != 0; });
  }
  // The pages about to be written get their memory a run at a time, not a fault per page.
  for (size_t page = 0; page < pages;) {
    size_t end = page;
    while (end < pages && shown[end] && !touched[end]) ++end;
    if (end > page)
      m_ownedPages->Populate(page * pageWords * sizeof(uint32_t),
                             (end - page) * pageWords * sizeof(uint32_t));
    page = end + 1;
  }
  for (size_t page = 0; page < pages; ++page) {
    const size_t at = page * pageWords, n = std::min(pageWords, words - at);
    if (shown[page])
      std::copy(pixels + at, pixels + at + n, to + at);
    else if (touched[page])
      m_ownedPages->Zero(at * sizeof(uint32_t), n * sizeof(uint32_t));
  }
  MarkAllDirty();
}

void Texture::SetRefill(std::function<bool(uint32_t* pixels)> refill) {
  // What was dropped under the old refill can only be read again with it.
  if (CpuCopyDropped()) ReadDroppedCopy();
  m_refill = std::move(refill);
  m_matchesRefill = m_refill && m_pixels;
}

bool Texture::DropCpuCopy() {
  if (!m_refill || !m_matchesRefill || m_readBack || m_released || IsRenderTarget() || !OwnsPixels() || !m_gpu ||
      IsDirty())
    return false;
  FreeCpuCopy();
  m_dropped.store(true, std::memory_order_release);
  return true;
}

void Texture::ReadDroppedCopy() const {
  std::lock_guard<std::mutex> lock(g_readBackMutex);
  if (!m_dropped.load(std::memory_order_relaxed)) return;
  // Textures are made as mutable objects: only such a texture can have dropped its copy.
  auto* self = const_cast<Texture*>(this);
  self->MakeCpuCopy();
  if (self->m_ownedPages) self->m_ownedPages->Populate(0, self->m_ownedPages->Size());
  if (!self->m_refill(self->m_pixels)) {
    // Unreadable now: the texture holds clear pixels, as a released one that could not be
    // read again, and the device is sent them so that it shows what the texture holds.
    if (self->m_ownedPages)
      self->m_ownedPages->Zero(0, self->m_ownedPages->Size());
    else
      std::fill(self->m_owned.begin(), self->m_owned.end(), 0u);
    self->m_matchesRefill = false;
    self->MarkAllDirty();
  }
  self->m_readBack = true;
  m_dropped.store(false, std::memory_order_release);
}

bool Texture::ReleasePixels() {
  if (IsRenderTarget() || (m_pixels && !OwnsPixels())) return false;
  m_dropped.store(false, std::memory_order_release);
  FreeCpuCopy();
  m_gpu.reset();
  m_released = true;
  // Whatever a reader learnt of the pixels no longer holds.
  MarkAllDirty();
  return true;
}

bool Texture::Refill() {
  if (!m_released) return m_pixels != nullptr || CpuCopyDropped();
  if (!m_refill) return false;
  MakeCpuCopy();
  // A refill writes the whole picture: its pages come in one call.
  if (m_ownedPages) m_ownedPages->Populate(0, m_ownedPages->Size());
  MarkAllDirty();
  m_matchesRefill = m_refill(m_pixels);
  if (m_matchesRefill) return true;
  // What could not be read again stays clear, as a released texture reads.
  if (m_ownedPages)
    m_ownedPages->Zero(0, m_ownedPages->Size());
  else
    std::fill(m_owned.begin(), m_owned.end(), 0u);
  return false;
}

int32_t Texture::FullMipCount(int32_t width, int32_t height) {
  int32_t n = 1;
  int32_t size = std::max(width, height);
  while (size > 1) {
    size >>= 1;
    ++n;
  }
  return n;
}

uint32_t* Texture::Lock(const Rect* rect, int32_t& pitchWords) {
  pitchWords = m_width;
  Rect r = rect ? *rect : Rect{0, 0, m_width, m_height};
  if (r.left < 0 || r.top < 0 || r.right > m_width || r.bottom > m_height || r.left >= r.right ||
      r.top >= r.bottom)
    return nullptr;
  MarkDirty(r.top, r.bottom);
  return MutablePixels() + size_t(r.top) * size_t(m_width) + size_t(r.left);
}

void Texture::Unlock() {}

void Texture::MarkDirty(int32_t firstRow, int32_t endRow) {
  firstRow = std::clamp(firstRow, 0, m_height);
  endRow = std::clamp(endRow, 0, m_height);
  if (firstRow >= endRow) return;
  ++m_changeCount;
  m_matchesRefill = false;
  if (!IsDirty()) {
    m_dirtyBegin = firstRow;
    m_dirtyEnd = endRow;
  } else {
    m_dirtyBegin = std::min(m_dirtyBegin, firstRow);
    m_dirtyEnd = std::max(m_dirtyEnd, endRow);
  }
}

AlphaRows MeasureAlphaRows(const Texture& texture, const Rect& rect) {
  const int32_t left = std::clamp(rect.left, 0, texture.Width()),
                right = std::clamp(rect.right, left, texture.Width());
  const int32_t top = std::clamp(rect.top, 0, texture.Height()),
                bottom = std::clamp(rect.bottom, top, texture.Height());
  const int32_t rows = bottom - top;
  AlphaRows result{0, rows, rows};
  const uint32_t* pixels = texture.Pixels();
  if (!pixels || left == right) return result;
  bool seen = false;
  bool opaqueBelow = true;
  for (int32_t y = rows; y-- > 0;) {
    const uint32_t* row = pixels + size_t(top + y) * size_t(texture.Width());
    uint32_t any = 0, all = 0xFF000000u;
    for (int32_t x = left; x < right; ++x) {
      any |= row[x];
      all &= row[x];
    }
    if (opaqueBelow && (all >> 24) == 0xFF)
      result.opaqueFrom = y;
    else
      opaqueBelow = false;
    if (any >> 24) {
      if (!seen) result.endShown = y + 1;
      seen = true;
      result.firstShown = y;
    }
  }
  if (!seen) result.firstShown = result.endShown = 0;
  return result;
}

}  // namespace platform
