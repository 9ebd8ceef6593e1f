// CPU side of lockable textures.
#include "platform/texture.h"

#include <algorithm>

namespace platform {

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
  m_owned.assign(size_t(m_width) * size_t(m_height), 0u);
  m_pixels = m_owned.data();
  m_released = false;
}

bool Texture::ReleasePixels() {
  if (IsRenderTarget() || (m_pixels && m_pixels != m_owned.data())) return false;
  std::vector<uint32_t>().swap(m_owned);
  m_pixels = nullptr;
  m_gpu.reset();
  m_released = true;
  // Whatever a reader learnt of the pixels no longer holds.
  MarkAllDirty();
  return true;
}

bool Texture::Refill() {
  if (!m_released) return m_pixels != nullptr;
  if (!m_refill) return false;
  MakeCpuCopy();
  MarkAllDirty();
  if (m_refill(m_pixels)) return true;
  // What could not be read again stays clear, as a released texture reads.
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
  if (!IsDirty()) {
    m_dirtyBegin = firstRow;
    m_dirtyEnd = endRow;
  } else {
    m_dirtyBegin = std::min(m_dirtyBegin, firstRow);
    m_dirtyEnd = std::max(m_dirtyEnd, endRow);
  }
}

AlphaRows MeasureAlphaRows(const Texture& texture, const Rect& rect) {
  const int32_t left = std::clamp(rect.left, 0, texture.Width()), right = std::clamp(rect.right, left, texture.Width());
  const int32_t top = std::clamp(rect.top, 0, texture.Height()), bottom = std::clamp(rect.bottom, top, texture.Height());
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
