// The pixel store of one landscape layer: a world rectangle covered by 256 x 256 tiles of
// 32-bit pixels (bytes blue, green, red, alpha), each tile a lockable texture whose GPU
// copy is made only when the layer is drawn. Everything that moves reads and changes the
// main game layer through it, pixel by pixel. A pixel is solid when its alpha is above
// 192 and empty when it is below 193.
#pragma once

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <functional>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <memory>
#include <string>
#include <vector>

#include "engine/gfxtypes.h"
#include "engine/pendingsteps.h"
#include "platform/numeric.h"
#include "platform/texture.h"
#include "platform/zeropages.h"
#include "world/screencover.h"

class APIGraphics;
class AnimationManager;
class BewegteAnimation;
class FrameTimer;
class LandStamp;
class WaterSurface;
struct NavNode;

// The result of a pixel lookup: the position asked for and pointers to the pixel's bytes.
// Writing through the pointers changes the terrain at once.
struct PixelRef {
  float x = 0.0f;
  float y = 0.0f;
  uint8_t* alpha = nullptr;
  uint8_t* red = nullptr;
  uint8_t* green = nullptr;
  uint8_t* blue = nullptr;
};

// A solid pixel cleared by an erasing stamp or a crater: its integer position and its
// bytes before it was cleared.
struct RemovedPixel {
  float x = 0.0f;
  float y = 0.0f;
  uint8_t alpha = 0;
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  bool operator==(const RemovedPixel&) const = default;
};

// Reorders list[from ..] (pixels of the columns left .. left + width - 1, found row by
// row) into column order, x outer and y inner, keeping the rows' order in each column.
void SortToColumnOrder(std::vector<RemovedPixel>& list, size_t from, int32_t left, int32_t width);

// Solid and empty by the alpha byte of a 0xAARRGGBB pixel word.
constexpr bool IsSolidPixel(uint32_t argb) { return (argb >> 24) > 192; }
constexpr bool IsEmptyPixel(uint32_t argb) { return (argb >> 24) < 193; }
#if defined(__SSE2__)
// IsSolidPixel of sixteen pixel words in a row at once: one byte each, 0xFF where solid.
inline __m128i SolidPixels16(const uint32_t* pixels) {
  const __m128i limit = _mm_set1_epi32(192);
  auto solid = [&](int32_t at) {
    const __m128i alpha = _mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + at)), 24);
    return _mm_cmpgt_epi32(alpha, limit);
  };
  return _mm_packs_epi16(_mm_packs_epi32(solid(0), solid(4)), _mm_packs_epi32(solid(8), solid(12)));
}
#endif

// One tile. Its texture is the pixel memory; "locked" marks that the tile is being
// changed, so that its rows go to the GPU copy before the next draw. The memory is the
// tile's own, or a slot of its store's page memory (see ZeroPages). A tile in page memory
// that was never written reads from one shared clear tile and holds no memory of its own;
// its slot is taken, whole, at the first MutableRow (the store gives back the pages that
// stay clear when asked, see Landschaft::GiveBackClearPages).
class LandschaftTile {
 public:
  // Over its own memory, or over `pages` from `offset` (SlotBytes of the rectangle, zeros).
  explicit LandschaftTile(const Rect& world, platform::ZeroPages* pages = nullptr, size_t offset = 0);
  ~LandschaftTile();
  LandschaftTile(const LandschaftTile&) = delete;
  LandschaftTile& operator=(const LandschaftTile&) = delete;

  // The bytes a tile over the rectangle takes of page memory: its texture's pixels, in whole
  // pages, so that each tile's pages are its own.
  static size_t SlotBytes(const Rect& world);

  bool Lock();
  bool Unlock();
  bool IsLocked() const { return m_locked; }
  // From now on the tile counts itself in `count` while it is locked (as it is now, too).
  void CountLocksIn(std::atomic<int32_t>* count) {
    m_lockCount = count;
    if (m_locked) count->fetch_add(1, std::memory_order_relaxed);
  }
  // Fills the pointers for a position inside the tile, locking it first.
  bool PixelAt(PixelRef& ref) {
    if (!m_locked && !Lock()) return false;
    // The column and row are the float offsets from the tile's corner, truncated; the
    // store only asks for positions in (left - 1, right), where that cannot overflow.
    auto* bytes = reinterpret_cast<uint8_t*>(MutableRow(platform::TruncInRange(ref.y - m_topF)) +
                                             platform::TruncInRange(ref.x - m_leftF));
    ref.blue = bytes;
    ref.green = bytes + 1;
    ref.red = bytes + 2;
    ref.alpha = bytes + 3;
    return true;
  }
  // A new tile over the same rectangle with the same pixels, left locked; this one is
  // unlocked. The copy lives in `pages` from `offset` when they are given.
  std::unique_ptr<LandschaftTile> Clone(platform::ZeroPages* pages = nullptr, size_t offset = 0);
  // Each channel times its factor, truncated; the tile is unlocked afterwards.
  void Tint(float a, float r, float g, float b);
  // Every pixel cleared (fully transparent); the tile is left locked. A tile in page memory
  // gives its memory back.
  void Clear();
  // True when no pixel of the tile has any alpha, so drawing it could show nothing. Learnt
  // from the pixels after each change; a locked tile that was written may be changing and
  // never counts as empty.
  bool ShowsNothing();
  // Which blocks of the tile's texture are opaque, learnt from the pixels after each change;
  // a locked tile may be changing and has none.
  const AlphaBlocks& Opacity();
  // Whether the tile holds pixel memory (always, for a tile with its own).
  bool HasMemory() const { return m_pixels.load(std::memory_order_relaxed) != ClearPixels(); }

  const Rect& WorldRect() const { return m_world; }
  const Rect& LockRect() const { return m_lock; }
  const Vector2& Position() const { return m_position; }
  platform::Texture* GetTexture() const { return m_texture.get(); }
  // Pixel words per texture row.
  int32_t Pitch() const { return m_pitch; }
  // The words of one row of the tile (row 0 is the world rectangle's top), for reading.
  const uint32_t* Row(int32_t row) const {
    return m_pixels.load(std::memory_order_relaxed) + size_t(row) * size_t(m_pitch);
  }
  // The same for a writer holding the lock; the tile takes its memory now if it has none.
  uint32_t* MutableRow(int32_t row) {
    uint32_t* pixels = m_pixels.load(std::memory_order_relaxed);
    if (pixels == ClearPixels()) pixels = TakeMemory();
    return pixels + size_t(row) * size_t(m_pitch);
  }

 private:
  // The shared clear tile that tiles without memory read from; never written.
  static uint32_t* ClearPixels();
  // A writer's tile gets all of its slot's pages at once; a copy only those it fills.
  uint32_t* TakeMemory(bool wholeSlot = true);

  bool m_locked = false;
  std::atomic<int32_t>* m_lockCount = nullptr;
  int32_t m_pitch = 0;
  // The pixels read: the texture's, or the shared clear tile. Atomic because a worker may
  // give a tile its memory while another reads a neighbouring pixel of the clear tile.
  std::atomic<uint32_t*> m_pixels{nullptr};
  platform::ZeroPages* m_pages = nullptr;
  size_t m_offset = 0;
  // What the pixels were found to be at the texture's change count m_checkedAt.
  uint64_t m_checkedAt = UINT64_MAX;
  bool m_empty = false;
  AlphaBlocks m_opacity;
  uint64_t m_opacityAt = UINT64_MAX;
  Rect m_world;
  Rect m_lock;
  Vector2 m_position;
  float m_leftF = 0.0f;
  float m_topF = 0.0f;
  std::unique_ptr<platform::Texture> m_texture;
};

class Landschaft {
 public:
  static constexpr int32_t kTileSize = 256;
  static constexpr int32_t kTileShift = 8;

  // An empty store over the rectangle: parallax (1, 1), offset (0, 0), no tiles yet.
  explicit Landschaft(const Rect& world);
  // A copy of the rectangle, parallax, offset, depth and every pixel; the animation names
  // and animations are not copied.
  Landschaft(const Landschaft& other);
  Landschaft& operator=(const Landschaft&) = delete;
  ~Landschaft();
  static std::unique_ptr<Landschaft> Create(const Landschaft& source);

  // One cleared (fully transparent) tile per 256 x 256 cell, column by column, top to
  // bottom within a column, all in one block of page memory: tiles that are never drawn
  // into take none. An empty or inverted rectangle gets no tiles.
  void CreateTiles();

  // Fills the pointers of the pixel at ref's position, locking its tile; false outside the
  // store (a position that is not a number is outside).
  bool PixelAt(PixelRef& ref) {
    LandschaftTile* tile = TileAt(ref.x, ref.y);
    if (!tile || !tile->PixelAt(ref)) return false;
    // The pixel's block, or the block beside it (left of and above 0 the tile's pixel is
    // found from its corner): both are forgotten.
    const int32_t cx = platform::TruncInRange(ref.x) - m_area.left, cy = platform::TruncInRange(ref.y) - m_area.top;
    ForgetBlocks(int64_t(cx) + m_area.left - 1, int64_t(cy) + m_area.top - 1, int64_t(cx) + m_area.left + 2,
                 int64_t(cy) + m_area.top + 2);
    return true;
  }
  static bool IsSolid(const PixelRef& p) { return *p.alpha > 192; }
  static bool IsEmpty(const PixelRef& p) { return *p.alpha < 193; }

  // Read-only lookups by the same addressing as PixelAt, without locking: null outside.
  const uint32_t* PeekPixel(float x, float y) const {
    const LandschaftTile* tile = TileAt(x, y);
    if (!tile) return nullptr;
    int32_t c = platform::TruncInRange(x - float(tile->WorldRect().left));
    int32_t r = platform::TruncInRange(y - float(tile->WorldRect().top));
    return tile->Row(r) + c;
  }
  const uint32_t* PeekPixel(int32_t x, int32_t y) const {
    if (x < m_area.left || x >= m_area.right || y < m_area.top || y >= m_area.bottom) return nullptr;
    int32_t cx = x - m_area.left, cy = y - m_area.top;
    const LandschaftTile* tile =
        m_grid[size_t(cy >> kTileShift) * size_t(m_columns) + size_t(cx >> kTileShift)];
    return tile->Row(cy & (kTileSize - 1)) + (cx & (kTileSize - 1));
  }
  // Inside and solid; inside and empty.
  bool IsSolidAt(float x, float y) const {
    const uint32_t* p = PeekPixel(x, y);
    return p && IsSolidPixel(*p);
  }
  bool IsEmptyAt(float x, float y) const {
    const uint32_t* p = PeekPixel(x, y);
    return p && IsEmptyPixel(*p);
  }
  bool IsSolidAt(int32_t x, int32_t y) const {
    const uint32_t* p = PeekPixel(x, y);
    return p && IsSolidPixel(*p);
  }
  bool IsEmptyAt(int32_t x, int32_t y) const {
    const uint32_t* p = PeekPixel(x, y);
    return p && IsEmptyPixel(*p);
  }
  // The same answer as IsSolidAt(x, y), without reading the pixel where its block is known
  // to hold no solid pixel (see the clear blocks below).
  bool IsSolidAtSkippingClear(float x, float y) const {
    // The pixel PeekPixel reads: the tile by the truncated position, the pixel by the
    // truncated offset from the tile's corner (the two differ left of and above 0).
    const LandschaftTile* tile = TileAt(x, y);
    if (!tile) return false;
    const int32_t c = platform::TruncInRange(x - float(tile->WorldRect().left));
    const int32_t r = platform::TruncInRange(y - float(tile->WorldRect().top));
    if (BlockIsClear(tile->WorldRect().left - m_area.left + c, tile->WorldRect().top - m_area.top + r)) return false;
    return IsSolidPixel(tile->Row(r)[c]);
  }
  // The same for an integer position.
  bool IsSolidAtSkippingClear(int32_t x, int32_t y) const {
    if (x < m_area.left || x >= m_area.right || y < m_area.top || y >= m_area.bottom) return false;
    const int32_t cx = x - m_area.left, cy = y - m_area.top;
    if (BlockIsClear(cx, cy)) return false;
    // A block known to hold a solid pixel has its rows' bits at hand.
    return (BlockRows(cx, cy)[cy & (kBlockSize - 1)] >> (cx & (kBlockSize - 1))) & 1u;
  }
  // True when no pixel of a rectangle around the integer position is solid; `clear`
  // receives it (world pixels [left, right) x [top, bottom)): the position's block when that
  // is known to be clear, or for a position outside the store the part of the plane beyond
  // the store's edge it lies past. When false, `clear` receives the block all the same.
  bool ClearAround(int32_t x, int32_t y, Rect& clear) const {
    constexpr int32_t lo = INT32_MIN, hi = INT32_MAX;
    if (y < m_area.top || y >= m_area.bottom || x < m_area.left || x >= m_area.right) {
      if (y < m_area.top)
        clear = {lo, lo, hi, m_area.top};
      else if (y >= m_area.bottom)
        clear = {lo, m_area.bottom, hi, hi};
      else if (x < m_area.left)
        clear = {lo, lo, m_area.left, hi};
      else
        clear = {m_area.right, lo, hi, hi};
      return true;
    }
    const int32_t cx = x - m_area.left, cy = y - m_area.top;
    clear.left = x - (cx & (kBlockSize - 1));
    clear.top = y - (cy & (kBlockSize - 1));
    clear.right = clear.left + std::min(kBlockSize, m_area.right - clear.left);
    clear.bottom = clear.top + std::min(kBlockSize, m_area.bottom - clear.top);
    return BlockIsClear(cx, cy);
  }
  // Whether any pixel of the inclusive rectangle is solid (pixels outside the store are
  // not), skipping the blocks known to be clear.
  bool AnySolidIn(int32_t left, int32_t top, int32_t right, int32_t bottom) const;

  // The pixel word at an integer position for writing, its tile locked; null outside.
  uint32_t* LockedPixel(int32_t x, int32_t y) {
    if (x < m_area.left || x >= m_area.right || y < m_area.top || y >= m_area.bottom) return nullptr;
    int32_t cx = x - m_area.left, cy = y - m_area.top;
    LandschaftTile* tile = m_grid[size_t(cy >> kTileShift) * size_t(m_columns) + size_t(cx >> kTileShift)];
    if (!tile->IsLocked() && !tile->Lock()) return nullptr;
    ForgetBlock(cx, cy);
    return tile->MutableRow(cy & (kTileSize - 1)) + (cx & (kTileSize - 1));
  }

  // The pixel words of row y from x to the end of x's tile row, that tile locked; count
  // receives their number. Null outside.
  uint32_t* LockedRow(int32_t x, int32_t y, int32_t& count) {
    uint32_t* p = LockedPixel(x, y);
    count = p ? std::min(kTileSize - ((x - m_area.left) & (kTileSize - 1)), m_area.right - x) : 0;
    if (p) ForgetBlocks(x, y, x + count, y + 1);
    return p;
  }
  // The same for reading, without locking.
  const uint32_t* PeekRow(int32_t x, int32_t y, int32_t& count) const {
    const uint32_t* p = PeekPixel(x, y);
    count = p ? std::min(kTileSize - ((x - m_area.left) & (kTileSize - 1)), m_area.right - x) : 0;
    return p;
  }

  // The store's number, never shared with another store of the run, and how many times it
  // has been written since a lookup first asked for the count (writing counts wherever the
  // writers forget blocks; asking makes the blocks). While one store's count stays the
  // same none of its pixels changed, so an answer worked out from them still holds. For
  // the thread that steps the game, as the block lookups are.
  uint64_t Id() const { return m_id; }
  uint64_t WriteCount() const {
    if (!m_blocks) MakeBlocks();
    return m_writes.load(std::memory_order_relaxed);
  }

  // Unlocks every locked tile, in the order of the tiles.
  void UnlockAll();
  // After a build: hands back the page memory of the tiles' pages that hold nothing (while
  // the layer is built a tile that is written gets its whole slot at once), and from then on
  // a tile written for the first time takes only the pages it writes.
  void GiveBackClearPages();
  Rect GetRect() const { return m_rect; }
  // Multiplies every pixel by the colour, channel by channel, truncating.
  void Tint(Argb colour);
  // Every pixel cleared, as a new store's are.
  void Clear();

  // Decorations: the layer's moving animations, drawn with the layer.
  void AddAnimation(std::unique_ptr<BewegteAnimation> animation);
  // For each animation name from the last to the first, a new moving animation of that
  // name from the manager, an unknown name included (as a null entry).
  void CreateAnimations(const AnimationManager& manager);
  // Each animation advances by the frame's game step, so decorations stand still while
  // the game is paused. The steps are kept until the animations are drawn or asked for
  // here, and taken then: hold on to an animation only until the next frame's update.
  void UpdateAnimations(const FrameTimer& timer);
  std::vector<std::u16string>& AnimationNames() { return m_animationNames; }
  // Brought up to date first (so not from two threads at once).
  const std::vector<std::unique_ptr<BewegteAnimation>>& Animations() const;

  void SetDepth(int32_t depth) { m_depth = depth; }
  int32_t GetDepth() const { return m_depth; }
  void SetParallax(const Vector2* parallax) {
    if (parallax) m_parallax = *parallax;
  }
  const Vector2& GetParallax() const { return m_parallax; }
  void SetOffset(const Vector2& offset) { m_offset = offset; }
  const Vector2& GetOffset() const { return m_offset; }

  // Draws every tile (last to first) and then every animation at the layer's origin and
  // scale for the camera position and zoom, through the graphics manager's sprite
  // renderer, inside the caller's Begin/End.
  // With a cover (what the layers in front hide), the tiles' hidden parts are left out.
  void Draw(const Vector2& camera, const Vector2& zoom, Argb colour, const ScreenCover* cover = nullptr);
  // Hides on the cover what the layer's tiles paint over with opaque texels, placed as Draw
  // places them.
  void HideOpaque(ScreenCover& cover, const Vector2& camera, const Vector2& zoom);
  bool DrawAnimationsForEffect(const Vector2& camera, const Vector2& zoom);
  // The graphics manager that draws the layer: the engine context's when the store is
  // made; tests hand in their own.
  void SetGraphics(APIGraphics* graphics) { m_graphics = graphics; }

  // Terrain searches.
  bool FindSurfaceY(int32_t x, int32_t y, int32_t range, int32_t& row) const;
  bool FindGroundRow(int32_t x, int32_t y, int32_t range, int32_t gap, int32_t& row) const;
  bool NearestCrossing(Vector2& point, int32_t radius, int32_t rayCount) const;
  Vector2 FreeDirectionAt(const Vector2& point, int32_t range, int32_t length) const;
  Vector2 SurfaceTangentAt(const Vector2& point, int32_t range, int32_t width) const;
  bool TraceSegment(const Vector2& from, const Vector2& to, bool stopOutside, Vector2* hit,
                    Vector2* beforeHit, bool invert) const;
  bool TraceLine(const Vector2& from, const Vector2& to, int32_t& pixelCount, int32_t& blockedCount,
                 bool outsideBlocks, Vector2* firstBlocked) const;

  // Stamping and the surface scan, on one worker per processor.
  bool StampTexture(const LandStamp& stamp, std::vector<RemovedPixel>* removed);
  // The stamps in their order, with the same result as one StampTexture call after the
  // other (without removed pixels), but each tile worked through all of them by one job:
  // many small stamps over a large store keep every worker busy.
  void StampTextures(const std::vector<LandStamp>& stamps);
  // Appends the ground-surface points of the area (the store, or its intersection with
  // `area`) above the water surface (none: the store's bottom).
  void FindSurfacePoints(std::vector<NavNode>& out, const Rect* area = nullptr,
                         const WaterSurface* water = nullptr) const;

  // The tiles in creation order, and the grid lookup of column c, row r.
  const std::vector<std::unique_ptr<LandschaftTile>>& Tiles() const { return m_tiles; }
  LandschaftTile* GridTile(int32_t column, int32_t row) const {
    return m_grid[size_t(row) * size_t(m_columns) + size_t(column)];
  }
  int32_t Columns() const { return m_columns; }
  int32_t Rows() const { return m_rows; }
  int32_t Width() const { return m_width; }
  int32_t Height() const { return m_height; }

 private:
  // The tile holding a float position: chosen by the truncated position, as PixelAt does.
  LandschaftTile* TileAt(float x, float y) const {
    if (!(x >= m_leftF && x < m_rightF && y >= m_topF && y < m_bottomF)) return nullptr;
    // Inside the bounds the position fits any 32-bit integer.
    int32_t cx = platform::TruncInRange(x) - m_area.left;
    int32_t cy = platform::TruncInRange(y) - m_area.top;
    return m_grid[size_t(cy >> kTileShift) * size_t(m_columns) + size_t(cx >> kTileShift)];
  }
  // Lookups answer inside m_area only: the rectangle once its tiles exist, else nothing.
  void SetLookupArea();

  // The clear blocks: per block of kBlockSize x kBlockSize pixels of m_area (counted from
  // its top left corner, so a block lies in one tile) whether it is known to hold no solid
  // pixel, known to hold one, or not known. Learnt when a lookup first asks about the
  // block, made unknown again wherever the store is written: every writer goes through
  // PixelAt, LockedPixel, LockedRow, the stamps, Tint or Clear, which forget what they may
  // change. Nothing is kept until the first lookup, so building a layer pays nothing. The
  // lookups that learn blocks are for the thread that steps the game, not for workers.
  static constexpr int32_t kBlockShift = 4;
  static constexpr int32_t kBlockSize = 1 << kBlockShift;
  enum : uint8_t { kBlockUnknown = 0, kBlockClear = 1, kBlockSolid = 2 };
  // cx, cy: a position inside m_area, counted from its corner.
  bool BlockIsClear(int32_t cx, int32_t cy) const {
    if (!m_blocks) MakeBlocks();
    const size_t b = size_t(cy >> kBlockShift) * size_t(m_blocksX) + size_t(cx >> kBlockShift);
    const uint8_t state = m_blocks[b].load(std::memory_order_relaxed);
    return state == kBlockClear || (state == kBlockUnknown && LearnBlock(cx >> kBlockShift, cy >> kBlockShift));
  }
  void MakeBlocks() const;
  // Reads the block's pixels and notes what it holds; true when it is clear. A block found
  // to hold a solid pixel keeps a bit per pixel, a row of 16 bits per row of it (bit i:
  // column i), until it is forgotten.
  bool LearnBlock(int32_t bx, int32_t by) const;
  // The rows of bits of the block holding cx, cy, which must be known to hold a solid pixel.
  const uint16_t* BlockRows(int32_t cx, int32_t cy) const {
    return &m_blockRows[(size_t(cy >> kBlockShift) * size_t(m_blocksX) + size_t(cx >> kBlockShift)) * kBlockSize];
  }
  // Of such a block: the columns of its solid pixels (a bit each) and its first and last
  // rows holding one.
  struct BlockSpan {
    uint16_t columns;
    uint8_t first;
    uint8_t last;
  };
  void ForgetBlock(int32_t cx, int32_t cy) {
    if (!m_blocks) return;
    m_blocks[size_t(cy >> kBlockShift) * size_t(m_blocksX) + size_t(cx >> kBlockShift)].store(
        kBlockUnknown, std::memory_order_relaxed);
    CountWrite();
  }
  // Workers that write one store at once may lose each other's steps, but every write
  // leaves the count above what it was before the write began; the game's thread reads it
  // only while no worker writes.
  void CountWrite() { m_writes.store(m_writes.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed); }
  static uint64_t NextId();
  // The blocks of world pixels [left, right) x [top, bottom), cut to the store.
  void ForgetBlocks(int64_t left, int64_t top, int64_t right, int64_t bottom);
  void ForgetAllBlocks();
  // One block of page memory for tiles over the rectangles, and each one's offset in it.
  void MakePages(const std::vector<Rect>& rects, std::vector<size_t>& offsets);
  // work(i) for every tile index, spread over the workers (each tile by one of them).
  void ForEachTile(const std::function<void(size_t)>& work);

  // How many tiles are locked (each counts itself); declared first so that it outlives them.
  std::atomic<int32_t> m_lockedTiles{0};
  // The tiles' pixels; declared before them so that it outlives them.
  std::unique_ptr<platform::ZeroPages> m_pages;
  std::vector<std::unique_ptr<LandschaftTile>> m_tiles;
  std::vector<LandschaftTile*> m_grid;
  int32_t m_columns = 0;
  int32_t m_rows = 0;
  int32_t m_width = 0;
  int32_t m_height = 0;
  Rect m_rect;
  Rect m_area;
  float m_leftF = 0.0f, m_topF = 0.0f, m_rightF = 0.0f, m_bottomF = 0.0f;
  Vector2 m_parallax{1.0f, 1.0f};
  Vector2 m_offset{0.0f, 0.0f};
  int32_t m_depth = 0;
  std::vector<std::u16string> m_animationNames;
  std::vector<std::unique_ptr<BewegteAnimation>> m_animations;
  mutable PendingSteps m_animationSteps;
  APIGraphics* m_graphics = nullptr;
  // Atomic because workers may write neighbouring pixels of one store at once.
  mutable std::unique_ptr<std::atomic<uint8_t>[]> m_blocks;
  mutable std::unique_ptr<uint16_t[]> m_blockRows;
  mutable std::unique_ptr<BlockSpan[]> m_blockSpans;
  mutable int32_t m_blocksX = 0;
  mutable int32_t m_blocksY = 0;
  const uint64_t m_id = NextId();
  std::atomic<uint64_t> m_writes{0};
};
