// A lockable 32-bit texture: the CPU copy of level 0 is the texture's content (terrain
// stamping and collision masks read and write it directly); the graphics device creates
// its GPU copy the first time the texture is drawn and uploads changed rows before a draw.
// A texture that is never drawn never gets a GPU copy. A render target's content lives on
// the device: it gets a CPU copy (all zeros) only when something asks for its pixels, as
// the null device does. A picture that can be read again from where it came (a refill) may
// give its CPU copy back while the device holds it (DropCpuCopy): whoever reads or writes
// its pixels next gets them read again first, so to every reader it holds its pixels.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/rect.h"

namespace platform {

class ZeroPages;

// The device-side copy of a texture; owned by the texture, made by a graphics backend.
class TextureGpu {
 public:
  virtual ~TextureGpu() = default;
};

enum TextureUsage : uint32_t {
  kUsageNone = 0,
  kUsageRenderTarget = 1,  // drawn into by the device; the CPU copy is not kept in step
  kUsageAutoGenMipmap = 0x400,
  kUsageDynamic = 0x200,
};

class Texture {
 public:
  // Pixels are 32-bit words 0xAARRGGBB (bytes B, G, R, A in memory), rows top first, all 0.
  // levels 0 means the full mip chain down to 1x1.
  Texture(int32_t width, int32_t height, int32_t levels = 1, uint32_t usage = kUsageNone);
  // The same over pixel memory the caller owns: width x height words that outlive the
  // texture, which shows them as they are (zeros for a clear texture; a caller that changes
  // them marks the rows). Nothing is written to them here, so memory that is never drawn
  // into costs nothing (see ZeroPages).
  Texture(int32_t width, int32_t height, int32_t levels, uint32_t usage, uint32_t* zeroedPixels);
  ~Texture();
  Texture(const Texture&) = delete;
  Texture& operator=(const Texture&) = delete;

  int32_t Width() const { return m_width; }
  int32_t Height() const { return m_height; }
  // Number of mip levels, level 0 included.
  int32_t Levels() const { return m_levels; }
  uint32_t Usage() const { return m_usage; }
  bool IsRenderTarget() const { return (m_usage & kUsageRenderTarget) != 0; }
  static int32_t FullMipCount(int32_t width, int32_t height);

  // Locks level 0: returns the first pixel of rect (the whole texture when null) and the
  // row pitch in words; the rectangle's rows are uploaded before the texture is next drawn.
  // Null when the rectangle lies outside the texture.
  uint32_t* Lock(const Rect* rect, int32_t& pitchWords);
  void Unlock();

  // Direct access to level 0. Writers that bypass Lock must call MarkDirty. Pixels is null
  // for a render target that has no CPU copy yet; MutablePixels makes it. A copy that was
  // dropped is read again first (on any thread: one reads it, the others wait for it).
  const uint32_t* Pixels() const {
    if (m_dropped.load(std::memory_order_acquire)) ReadDroppedCopy();
    return m_pixels;
  }
  uint32_t* MutablePixels() {
    if (m_dropped.load(std::memory_order_acquire)) ReadDroppedCopy();
    if (!m_pixels) MakeCpuCopy();
    // Workers write rows of one texture side by side, each through here: the flag is
    // written only while it is set, and is atomic for the rare case that two clear it.
    if (m_matchesRefill.load(std::memory_order_relaxed))
      m_matchesRefill.store(false, std::memory_order_relaxed);
    return m_pixels;
  }
  // Whether level 0 is in memory now (false while released or dropped).
  bool HasCpuCopy() const { return m_pixels != nullptr; }
  // Writes a whole picture (width x height words) to level 0 and marks it all for upload.
  // Where the CPU copy is large, its pages that would hold nothing but zeros (the clear
  // parts of a picture) are left unwritten and take no memory.
  void Assign(const uint32_t* pixels);
  // Gives back the pixels' memory, the CPU copy and the device copy, for a picture that is
  // not drawn for a while. The texture keeps its size and reads as holding nothing: Pixels
  // is null and a draw shows it clear, until a writer fills it again (MutablePixels or Lock
  // make a cleared copy). False, and nothing given back, for a render target or a texture
  // over memory its caller owns.
  bool ReleasePixels();
  // Since ReleasePixels, until the pixels were written again.
  bool IsReleased() const { return m_released; }
  // How a released texture gets its pixels back: the function fills the cleared level 0
  // (width x height words) and says whether it could. Kept across releases. Setting one
  // says that the pixels held now are what it reads; a dropped copy is read again with the
  // function it was dropped under before another takes its place.
  void SetRefill(std::function<bool(uint32_t* pixels)> refill);
  bool HasRefill() const { return static_cast<bool>(m_refill); }
  // A released texture with a refill gets its pixels again (the graphics device asks before
  // it uploads one); true when the texture holds its pixels (a dropped copy counts).
  bool Refill();
  uint32_t PixelAt(int32_t x, int32_t y) const { return Pixels()[size_t(y) * size_t(m_width) + size_t(x)]; }

  // Gives back the CPU copy of a picture the device holds whole (a device copy and nothing
  // left to upload) and that its refill reads as it is: nothing wrote it since the refill
  // was set or last read it. The texture keeps reading as holding its pixels (see Pixels).
  // A copy that had to be read again because someone asked for it is kept from then on:
  // its reader is likely to come back. False, and nothing given back, otherwise.
  bool DropCpuCopy();
  bool CpuCopyDropped() const { return m_dropped.load(std::memory_order_acquire); }
  // Level 0 as it is in memory, without reading a dropped copy again (null then).
  const uint32_t* HeldPixels() const { return m_pixels; }
  void MarkDirty(int32_t firstRow, int32_t endRow);
  void MarkAllDirty() { MarkDirty(0, m_height); }
  // Grows with every MarkDirty (and so every Lock): a reader that remembers it knows whether
  // what it learnt of the pixels may still hold.
  uint64_t ChangeCount() const { return m_changeCount; }

  // For graphics backends: the GPU copy and the rows [dirtyBegin, dirtyEnd) not yet uploaded.
  TextureGpu* Gpu() const { return m_gpu.get(); }
  void SetGpu(std::unique_ptr<TextureGpu> gpu) { m_gpu = std::move(gpu); }
  void DropGpu() { m_gpu.reset(); }
  bool IsDirty() const { return m_dirtyBegin < m_dirtyEnd; }
  int32_t DirtyBegin() const { return m_dirtyBegin; }
  int32_t DirtyEnd() const { return m_dirtyEnd; }
  void ClearDirty() { m_dirtyBegin = m_dirtyEnd = 0; }

 private:
  void MakeCpuCopy();
  void FreeCpuCopy();
  bool OwnsPixels() const;
  // Brings a dropped copy back through the refill; a reader may ask, so it is const.
  void ReadDroppedCopy() const;

  int32_t m_width;
  int32_t m_height;
  int32_t m_levels;
  uint32_t m_usage;
  // The CPU copy when the texture owns it: a small one in a vector, a large one in pages
  // of its own, so that what is never written (or only ever cleared) stays unbacked.
  std::vector<uint32_t> m_owned;
  std::unique_ptr<ZeroPages> m_ownedPages;
  uint32_t* m_pixels = nullptr;
  int32_t m_dirtyBegin = 0;
  int32_t m_dirtyEnd = 0;
  uint64_t m_changeCount = 0;
  bool m_released = false;
  // The CPU copy was given back while the device holds the picture (DropCpuCopy).
  mutable std::atomic<bool> m_dropped{false};
  // Level 0 holds what the refill reads (set with the refill, cleared by any write).
  std::atomic<bool> m_matchesRefill{false};
  // A dropped copy was read again for a reader: it is not dropped again.
  bool m_readBack = false;
  std::function<bool(uint32_t*)> m_refill;
  std::unique_ptr<TextureGpu> m_gpu;
};

using TexturePtr = std::shared_ptr<Texture>;

// What the alpha channel of a rectangle of a texture shows, row by row (rows counted from
// the rectangle's top).
struct AlphaRows {
  int32_t firstShown = 0;  // first row with a pixel that is not fully transparent
  int32_t endShown = 0;    // one past the last such row (firstShown == endShown: nothing shows)
  int32_t opaqueFrom = 0;  // every pixel from this row to the bottom is fully opaque
};
// The rectangle is clipped to the texture. A texture without pixels in memory counts as
// showing every row and hiding nothing.
AlphaRows MeasureAlphaRows(const Texture& texture, const Rect& rect);

}  // namespace platform
