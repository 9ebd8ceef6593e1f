// The landscape pixel store: tiles, locking, copies, tint, animations and drawing.
#include "world/landschaft.h"

#include <algorithm>
#include <cstring>

#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/bewegteanimation.h"
#include "engine/frametimer.h"
#include "engine/spriterenderer.h"
#include "platform/image.h"
#include "platform/workers.h"

void SortToColumnOrder(std::vector<RemovedPixel>& list, size_t from, int32_t left, int32_t width) {
  if (list.size() < from + 2) return;
  std::vector<size_t> start(size_t(width) + 1, 0);
  for (size_t i = from; i < list.size(); ++i) ++start[size_t(int32_t(list[i].x) - left) + 1];
  for (size_t c = 1; c < start.size(); ++c) start[c] += start[c - 1];
  std::vector<RemovedPixel> sorted(list.size() - from);
  for (size_t i = from; i < list.size(); ++i) sorted[start[size_t(int32_t(list[i].x) - left)]++] = list[i];
  std::copy(sorted.begin(), sorted.end(), list.begin() + std::ptrdiff_t(from));
}

namespace {

int32_t TextureSide(int32_t n) { return platform::NextPowerOfTwo(std::max(1, n)); }

}  // namespace

size_t LandschaftTile::SlotBytes(const Rect& world) {
  const size_t words = size_t(TextureSide(world.right - world.left)) * size_t(TextureSide(world.bottom - world.top));
  return platform::ZeroPages::RoundUp(words * sizeof(uint32_t));
}

LandschaftTile::LandschaftTile(const Rect& world, platform::ZeroPages* pages, size_t offset)
    : m_pages(pages),
      m_offset(offset),
      m_world(world),
      m_lock{0, 0, world.right - world.left, world.bottom - world.top},
      m_position(float(world.left), float(world.top)),
      m_leftF(float(world.left)),
      m_topF(float(world.top)) {
  int32_t w = TextureSide(m_lock.right);
  int32_t h = TextureSide(m_lock.bottom);
  // A full mip chain, regenerated on upload, so zoomed-out layers stay smooth. The pixels
  // start cleared: fully transparent, so a new layer is empty everywhere.
  if (pages)
    m_texture = std::make_unique<platform::Texture>(
        w, h, 0, platform::kUsageAutoGenMipmap,
        reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(pages->Data()) + offset));
  else
    m_texture = std::make_unique<platform::Texture>(w, h, 0, platform::kUsageAutoGenMipmap);
  m_pitch = m_texture->Width();
  // Page memory stays untouched until the tile is written.
  m_pixels.store(pages ? ClearPixels() : m_texture->MutablePixels(), std::memory_order_relaxed);
}

uint32_t* LandschaftTile::ClearPixels() {
  // Big enough for the largest texture of a tile; read only.
  alignas(64) static const uint32_t clear[Landschaft::kTileSize * Landschaft::kTileSize] = {};
  return const_cast<uint32_t*>(clear);
}

uint32_t* LandschaftTile::TakeMemory(bool wholeSlot) {
  // Before any pixel of the slot is read: its pages then come in one call, never as the
  // shared zero page first (see ZeroPages::Populate).
  if (m_pages && wholeSlot && m_pages->TakesWhole()) m_pages->Populate(m_offset, SlotBytes(m_world));
  uint32_t* pixels = m_texture->MutablePixels();
  m_pixels.store(pixels, std::memory_order_relaxed);
  return pixels;
}

LandschaftTile::~LandschaftTile() { Unlock(); }

bool LandschaftTile::Lock() {
  if (m_locked) return true;
  if (!m_texture) return false;
  int32_t pitch = 0;
  if (!m_texture->Lock(&m_lock, pitch)) return false;
  m_locked = true;
  if (m_lockCount) m_lockCount->fetch_add(1, std::memory_order_relaxed);
  return true;
}

bool LandschaftTile::Unlock() {
  if (!m_locked) return true;
  if (!m_texture) return false;
  m_texture->Unlock();
  // Marked again here as well as at the lock: a draw while the tile was locked may have
  // uploaded rows that were changed after it.
  m_texture->MarkDirty(0, m_lock.bottom);
  m_locked = false;
  if (m_lockCount) m_lockCount->fetch_sub(1, std::memory_order_relaxed);
  return true;
}

std::unique_ptr<LandschaftTile> LandschaftTile::Clone(platform::ZeroPages* pages, size_t offset) {
  auto copy = std::make_unique<LandschaftTile>(m_world, pages, offset);
  copy->Lock();
  if (pages && !HasMemory()) {
    // Clear stays clear, without memory.
  } else if (pages && m_pages) {
    // Both start on a page and have the same layout: the source's clear pages are left
    // out, so the copy holds memory only where the source does.
    platform::CopyIntoZeroed(copy->TakeMemory(false), Row(0),
                             size_t(m_texture->Width()) * size_t(m_texture->Height()) * sizeof(uint32_t));
  } else {
    size_t rowBytes = size_t(m_lock.right) * sizeof(uint32_t);
    for (int32_t r = 0; r < m_lock.bottom; ++r) std::memcpy(copy->MutableRow(r), Row(r), rowBytes);
  }
  Unlock();
  return copy;
}

void LandschaftTile::Clear() {
  if (!Lock()) return;
  if (m_pages) {
    // The pages go back, and the tile reads from the clear tile again.
    if (HasMemory()) m_pages->Zero(m_offset, SlotBytes(m_world));
    m_pixels.store(ClearPixels(), std::memory_order_relaxed);
    return;
  }
  for (int32_t row = 0; row < m_lock.bottom; ++row)
    std::memset(MutableRow(row), 0, size_t(m_lock.right) * sizeof(uint32_t));
}

bool LandschaftTile::ShowsNothing() {
  if (!HasMemory()) return true;
  if (m_locked || !m_texture) return false;
  const uint64_t change = m_texture->ChangeCount();
  if (m_checkedAt == change) return m_empty;
  m_checkedAt = change;
  m_empty = true;
  if (m_pages) {
    // Only the pages written so far can hold anything; the others are not read (reading
    // would give them memory on some systems). Outside the locked rectangle the words are
    // never written.
    const size_t bytes = size_t(m_texture->Width()) * size_t(m_texture->Height()) * sizeof(uint32_t);
    const size_t pageWords = platform::ZeroPages::PageSize() / sizeof(uint32_t);
    const uint32_t* pixels = Row(0);
    std::vector<unsigned char> touched;
    platform::TouchedPages(pixels, bytes, touched);
    const size_t words = bytes / sizeof(uint32_t);
    for (size_t p = 0; p < touched.size() && m_empty; ++p) {
      if (!touched[p]) continue;
      for (size_t i = p * pageWords, end = std::min(words, i + pageWords); i < end; ++i)
        if (pixels[i] >> 24) {
          m_empty = false;
          break;
        }
    }
    return m_empty;
  }
  for (int32_t row = 0; row < m_lock.bottom && m_empty; ++row) {
    const uint32_t* p = Row(row);
    for (int32_t i = 0; i < m_lock.right; ++i)
      if (p[i] >> 24) {
        m_empty = false;
        break;
      }
  }
  return m_empty;
}

const AlphaBlocks& LandschaftTile::Opacity() {
  static const AlphaBlocks kNone;
  if (m_locked || !m_texture || ShowsNothing()) return kNone;
  const uint64_t change = m_texture->ChangeCount();
  if (m_opacityAt == change) return m_opacity;
  m_opacityAt = change;
  // Pages never written hold nothing and are not read (ShowsNothing says why); outside the
  // locked rectangle the words are never written.
  std::vector<unsigned char> touched;
  const size_t pageBytes = platform::ZeroPages::PageSize();
  const auto* base = reinterpret_cast<const unsigned char*>(Row(0));
  const size_t rowBytes = size_t(m_pitch) * sizeof(uint32_t);
  if (m_pages) platform::TouchedPages(base, rowBytes * size_t(m_texture->Height()), touched);
  const int32_t width = m_texture->Width(), height = m_texture->Height();
  m_opacity = AlphaBlocks::Measure(width, height, [&](int32_t y) -> const uint32_t* {
    if (y >= m_lock.bottom) return nullptr;
    if (m_pages) {
      const size_t first = size_t(y) * rowBytes / pageBytes, last = ((size_t(y) + 1) * rowBytes - 1) / pageBytes;
      for (size_t p = first; p <= last && p < touched.size(); ++p)
        if (!touched[p]) return nullptr;
    }
    return Row(y);
  });
  return m_opacity;
}

void LandschaftTile::Tint(float a, float r, float g, float b) {
  if (!Lock()) return;
  if (!HasMemory()) {
    Unlock();
    return;
  }
  // Every byte value maps through its channel's factor; the table holds the same
  // truncated float products the per-pixel multiplication gives.
  uint8_t lut[4][256];
  const float factors[4] = {b, g, r, a};
  for (int c = 0; c < 4; ++c)
    for (int v = 0; v < 256; ++v) lut[c][v] = uint8_t(platform::TruncToInt(float(v) * factors[c]));
  for (int32_t row = 0; row < m_lock.bottom; ++row) {
    auto* bytes = reinterpret_cast<uint8_t*>(MutableRow(row));
    const uint32_t* words = Row(row);
    for (int32_t i = 0; i < m_lock.right * 4; i += 4) {
      // A clear word stays clear; not writing it keeps untouched pages untouched.
      if (words[i / 4] == 0) continue;
      bytes[i] = lut[0][bytes[i]];
      bytes[i + 1] = lut[1][bytes[i + 1]];
      bytes[i + 2] = lut[2][bytes[i + 2]];
      bytes[i + 3] = lut[3][bytes[i + 3]];
    }
  }
  Unlock();
}

Landschaft::Landschaft(const Rect& world) : m_rect(world) {
  // A rectangle wider or higher than 32-bit integers reach gets no tiles.
  const int64_t width = int64_t(world.right) - world.left, height = int64_t(world.bottom) - world.top;
  const bool fits = width <= INT32_MAX && height <= INT32_MAX;
  m_width = fits ? int32_t(width) : 0;
  m_height = fits ? int32_t(height) : 0;
  if (APIContext* context = APIContext::Get()) m_graphics = context->graphics;
}

Landschaft::Landschaft(const Landschaft& other)
    : m_columns(other.m_columns),
      m_rows(other.m_rows),
      m_width(other.m_width),
      m_height(other.m_height),
      m_rect(other.m_rect),
      m_parallax(other.m_parallax),
      m_offset(other.m_offset),
      m_depth(other.m_depth),
      m_graphics(other.m_graphics) {
  m_grid.assign(other.m_grid.size(), nullptr);
  m_tiles.resize(other.m_tiles.size());
  std::vector<Rect> rects;
  for (const auto& tile : other.m_tiles) rects.push_back(tile->WorldRect());
  std::vector<size_t> offsets;
  MakePages(rects, offsets);
  // A copy is of a finished layer: later writes take only the pages they write.
  if (m_pages) m_pages->SetTakesWhole(false);
  // Each tile is copied on its own: the large game layers' copies share the work.
  ForEachTile([&](size_t i) {
    m_tiles[i] = other.m_tiles[i]->Clone(m_pages.get(), offsets[i]);
    m_tiles[i]->CountLocksIn(&m_lockedTiles);
  });
  for (const auto& tile : m_tiles) {
    const Rect& w = tile->WorldRect();
    int32_t c = (w.left - m_rect.left) >> kTileShift;
    int32_t r = (w.top - m_rect.top) >> kTileShift;
    m_grid[size_t(r) * size_t(m_columns) + size_t(c)] = tile.get();
  }
  if (!m_tiles.empty()) SetLookupArea();
}

Landschaft::~Landschaft() = default;

std::unique_ptr<Landschaft> Landschaft::Create(const Landschaft& source) {
  return std::make_unique<Landschaft>(source);
}

void Landschaft::SetLookupArea() {
  CountWrite();
  m_area = m_rect;
  m_leftF = float(m_rect.left);
  m_topF = float(m_rect.top);
  m_rightF = float(m_rect.right);
  m_bottomF = float(m_rect.bottom);
}

void Landschaft::MakePages(const std::vector<Rect>& rects, std::vector<size_t>& offsets) {
  offsets.clear();
  size_t total = 0;
  for (const Rect& r : rects) {
    offsets.push_back(total);
    total += LandschaftTile::SlotBytes(r);
  }
  m_pages = total ? std::make_unique<platform::ZeroPages>(total) : nullptr;
}

void Landschaft::CreateTiles() {
  m_blocks.reset();
  m_tiles.clear();
  m_grid.clear();
  m_pages.reset();
  m_columns = m_rows = 0;
  if (m_width <= 0 || m_height <= 0) return;
  m_columns = m_width / kTileSize + (m_width % kTileSize != 0 ? 1 : 0);
  m_rows = m_height / kTileSize + (m_height % kTileSize != 0 ? 1 : 0);
  m_grid.assign(size_t(m_columns) * size_t(m_rows), nullptr);
  // Column by column, top to bottom within a column.
  std::vector<Rect> rects;
  rects.reserve(m_grid.size());
  for (int32_t c = 0; c < m_columns; ++c)
    for (int32_t r = 0; r < m_rows; ++r) {
      const int64_t x = int64_t(m_rect.left) + int64_t(c) * kTileSize,
                    y = int64_t(m_rect.top) + int64_t(r) * kTileSize;
      const int32_t x2 = int32_t(std::min<int64_t>(x + kTileSize, m_rect.right));
      const int32_t y2 = int32_t(std::min<int64_t>(y + kTileSize, m_rect.bottom));
      rects.push_back(Rect{int32_t(x), int32_t(y), x2, y2});
    }
  std::vector<size_t> offsets;
  MakePages(rects, offsets);
  m_tiles.reserve(rects.size());
  for (size_t i = 0; i < rects.size(); ++i) {
    m_tiles.push_back(std::make_unique<LandschaftTile>(rects[i], m_pages.get(), offsets[i]));
    m_tiles.back()->CountLocksIn(&m_lockedTiles);
  }
  for (size_t i = 0; i < m_tiles.size(); ++i)
    m_grid[(i % size_t(m_rows)) * size_t(m_columns) + i / size_t(m_rows)] = m_tiles[i].get();
  SetLookupArea();
}

void Landschaft::GiveBackClearPages() {
  if (!m_pages) return;
  m_pages->GiveBackZeroPages();
  // From now on few pixels are written at a time (craters, stamps): a tile written for the
  // first time takes only the pages written.
  m_pages->SetTakesWhole(false);
}

void Landschaft::UnlockAll() {
  // Most frames write nothing: then no tile is locked.
  if (m_lockedTiles.load(std::memory_order_relaxed) == 0) return;
  for (auto& tile : m_tiles) tile->Unlock();
}

void Landschaft::MakeBlocks() const {
  m_blocksX = (m_area.right - m_area.left + kBlockSize - 1) >> kBlockShift;
  m_blocksY = (m_area.bottom - m_area.top + kBlockSize - 1) >> kBlockShift;
  const size_t count = size_t(std::max(m_blocksX, 0)) * size_t(std::max(m_blocksY, 0));
  m_blocks = std::make_unique<std::atomic<uint8_t>[]>(std::max<size_t>(count, 1));
  for (size_t i = 0; i < count; ++i) m_blocks[i].store(kBlockUnknown, std::memory_order_relaxed);
  m_blockRows = std::make_unique<uint16_t[]>(std::max<size_t>(count, 1) * kBlockSize);
  m_blockSpans = std::make_unique<BlockSpan[]>(std::max<size_t>(count, 1));
}

bool Landschaft::LearnBlock(int32_t bx, int32_t by) const {
  // A block lies in one tile: tiles are whole numbers of blocks from the store's corner.
  const int32_t cx = bx << kBlockShift, cy = by << kBlockShift;
  const int32_t width = std::min(kBlockSize, m_area.right - m_area.left - cx);
  const int32_t height = std::min(kBlockSize, m_area.bottom - m_area.top - cy);
  const LandschaftTile* tile = m_grid[size_t(cy >> kTileShift) * size_t(m_columns) + size_t(cx >> kTileShift)];
  const size_t b = size_t(by) * size_t(m_blocksX) + size_t(bx);
  uint16_t* rows = &m_blockRows[b * kBlockSize];
  uint32_t any = 0;
  BlockSpan span{0, uint8_t(kBlockSize - 1), 0};
  for (int32_t r = 0; r < kBlockSize; ++r) {
    uint32_t bits = 0;
    if (r < height) {
      const uint32_t* row = tile->Row((cy & (kTileSize - 1)) + r) + (cx & (kTileSize - 1));
      int32_t i = 0;
#if defined(__SSE2__)
      // A whole row of the block at once: each pixel's alpha against the limit, the sixteen
      // answers packed into bytes, one bit each.
      if (width == kBlockSize) {
        bits = uint32_t(_mm_movemask_epi8(SolidPixels16(row)));
        i = width;
      }
#endif
      for (; i < width; ++i) bits |= uint32_t(IsSolidPixel(row[i])) << i;
    }
    rows[r] = uint16_t(bits);
    any |= bits;
    if (bits) span.first = std::min(span.first, uint8_t(r)), span.last = uint8_t(r);
  }
  span.columns = uint16_t(any);
  m_blockSpans[b] = span;
  m_blocks[b].store(any ? kBlockSolid : kBlockClear, std::memory_order_relaxed);
  return !any;
}

uint64_t Landschaft::NextId() {
  static std::atomic<uint64_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}

void Landschaft::ForgetBlocks(int64_t left, int64_t top, int64_t right, int64_t bottom) {
  if (!m_blocks) return;
  CountWrite();
  left = std::max<int64_t>(left, m_area.left) - m_area.left;
  top = std::max<int64_t>(top, m_area.top) - m_area.top;
  right = std::min<int64_t>(right, m_area.right) - m_area.left;
  bottom = std::min<int64_t>(bottom, m_area.bottom) - m_area.top;
  if (left >= right || top >= bottom) return;
  for (int64_t by = top >> kBlockShift; by <= (bottom - 1) >> kBlockShift; ++by)
    for (int64_t bx = left >> kBlockShift; bx <= (right - 1) >> kBlockShift; ++bx)
      m_blocks[size_t(by) * size_t(m_blocksX) + size_t(bx)].store(kBlockUnknown, std::memory_order_relaxed);
}

void Landschaft::ForgetAllBlocks() { ForgetBlocks(m_area.left, m_area.top, m_area.right, m_area.bottom); }

bool Landschaft::AnySolidIn(int32_t left, int32_t top, int32_t right, int32_t bottom) const {
  const int64_t x0 = std::max<int64_t>(left, m_area.left) - m_area.left;
  const int64_t y0 = std::max<int64_t>(top, m_area.top) - m_area.top;
  const int64_t x1 = std::min<int64_t>(int64_t(right) + 1, m_area.right) - m_area.left;
  const int64_t y1 = std::min<int64_t>(int64_t(bottom) + 1, m_area.bottom) - m_area.top;
  if (x0 >= x1 || y0 >= y1) return false;
  // Block by block; in a block not known to be clear, the rectangle's part of it.
  for (int64_t by = y0 >> kBlockShift; by <= (y1 - 1) >> kBlockShift; ++by)
    for (int64_t bx = x0 >> kBlockShift; bx <= (x1 - 1) >> kBlockShift; ++bx) {
      const int32_t bcx = int32_t(bx << kBlockShift), bcy = int32_t(by << kBlockShift);
      if (BlockIsClear(bcx, bcy)) continue;
      const int32_t cx0 = int32_t(std::max<int64_t>(x0, bcx)), cx1 = int32_t(std::min<int64_t>(x1, bcx + kBlockSize));
      const int32_t cy0 = int32_t(std::max<int64_t>(y0, bcy)), cy1 = int32_t(std::min<int64_t>(y1, bcy + kBlockSize));
      // The block holds a solid pixel: its rows' bits tell whether one lies in the part,
      // looked at only over the columns and rows that hold any.
      const uint32_t columns = ((1u << (cx1 - cx0)) - 1u) << (cx0 - bcx);
      const BlockSpan& span = m_blockSpans[size_t(by) * size_t(m_blocksX) + size_t(bx)];
      if (!(span.columns & columns)) continue;
      const uint16_t* rows = BlockRows(bcx, bcy);
      const int32_t r1 = std::min(cy1 - bcy, int32_t(span.last) + 1);
      for (int32_t r = std::max(cy0 - bcy, int32_t(span.first)); r < r1; ++r)
        if (rows[r] & columns) return true;
    }
  return false;
}

void Landschaft::Tint(Argb colour) {
  float a = float(colour >> 24) / 255.0f;
  float r = float((colour >> 16) & 255) / 255.0f;
  float g = float((colour >> 8) & 255) / 255.0f;
  float b = float(colour & 255) / 255.0f;
  ForgetAllBlocks();
  ForEachTile([&](size_t i) { m_tiles[i]->Tint(a, r, g, b); });
}

void Landschaft::Clear() {
  ForgetAllBlocks();
  ForEachTile([&](size_t i) { m_tiles[i]->Clear(); });
}

void Landschaft::ForEachTile(const std::function<void(size_t)>& work) {
  const size_t count = m_tiles.size();
  // Small stores are not worth waking the workers for.
  if (count < 8) {
    for (size_t i = 0; i < count; ++i) work(i);
    return;
  }
  const int n = std::min(platform::ProcessorCount(), int(count));
  platform::WorkerPool::Shared().Run(n, [&](int job) {
    for (size_t i = size_t(job); i < count; i += size_t(n)) work(i);
  });
}

void Landschaft::AddAnimation(std::unique_ptr<BewegteAnimation> animation) {
  // A new animation takes none of the steps before it came.
  m_animationSteps.Apply(m_animations);
  m_animations.push_back(std::move(animation));
}

void Landschaft::CreateAnimations(const AnimationManager& manager) {
  m_animationSteps.Apply(m_animations);
  for (size_t i = m_animationNames.size(); i-- > 0;)
    m_animations.push_back(manager.CreateBewegteAnimation(m_animationNames[i]));
}

void Landschaft::UpdateAnimations(const FrameTimer& timer) { m_animationSteps.Add(timer.gameStep, m_animations); }

const std::vector<std::unique_ptr<BewegteAnimation>>& Landschaft::Animations() const {
  m_animationSteps.Apply(m_animations);
  return m_animations;
}

namespace {

struct LayerPlacement {
  Vector2 scale;
  Vector2 origin;
};

LayerPlacement Place(const APIGraphics& graphics, const Vector2& camera, const Vector2& zoom,
                     const Vector2& parallax, const Vector2& offset) {
  LayerPlacement p;
  p.scale = Vector2(zoom.x * parallax.x, zoom.y * parallax.y);
  Vector2 centre(float(graphics.GetScreenWidth() / 2) + offset.x,
                 float(graphics.GetScreenHeight() / 2) + offset.y);
  p.origin =
      Vector2((camera.x - centre.x) * parallax.x + centre.x, (camera.y - centre.y) * parallax.y + centre.y);
  return p;
}

}  // namespace

void Landschaft::Draw(const Vector2& camera, const Vector2& zoom, Argb colour, const ScreenCover* cover) {
  if (!m_graphics) return;
  SpriteRenderer* renderer = m_graphics->GetSpriteRenderer();
  if (!renderer) return;
  LayerPlacement p = Place(*m_graphics, camera, zoom, m_parallax, m_offset);
  for (size_t i = m_tiles.size(); i-- > 0;) {
    LandschaftTile& tile = *m_tiles[i];
    // A tile without a visible pixel draws nothing: alpha 0 everywhere, in every mip level.
    if (tile.ShowsNothing()) continue;
    Vector2 at(tile.Position().x * p.scale.x + p.origin.x, tile.Position().y * p.scale.y + p.origin.y);
    DrawShowing(*renderer, tile.GetTexture(), PlacedPicture{tile.LockRect(), at, p.scale}, cover, colour,
                cover ? &tile.Opacity() : nullptr);
  }
  m_animationSteps.Apply(m_animations);
  for (size_t i = m_animations.size(); i-- > 0;)
    if (m_animations[i]) m_animations[i]->RenderTransformed(p.origin, p.scale, colour);
}

void Landschaft::HideOpaque(ScreenCover& cover, const Vector2& camera, const Vector2& zoom) {
  if (!m_graphics) return;
  LayerPlacement p = Place(*m_graphics, camera, zoom, m_parallax, m_offset);
  for (const auto& tile : m_tiles) {
    const AlphaBlocks& opacity = tile->Opacity();
    if (!opacity.Any()) continue;
    Vector2 at(tile->Position().x * p.scale.x + p.origin.x, tile->Position().y * p.scale.y + p.origin.y);
    cover.Hide(opacity, PlacedPicture{tile->LockRect(), at, p.scale});
  }
}

bool Landschaft::DrawAnimationsForEffect(const Vector2& camera, const Vector2& zoom) {
  if (!m_graphics) return false;
  LayerPlacement p = Place(*m_graphics, camera, zoom, m_parallax, m_offset);
  bool drew = false;
  m_animationSteps.Apply(m_animations);
  for (size_t i = m_animations.size(); i-- > 0;)
    if (m_animations[i] && m_animations[i]->RenderForEffect(p.origin, zoom)) drew = true;
  return drew;
}
