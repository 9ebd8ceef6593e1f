// A copy of which pixels of the game layer are solid, taken on the main thread for the
// computer opponent's planner: the planner walks its lines and flights over the copy while
// the battle goes on changing the real layer (craters, stamps), so the two never share a
// pixel. One byte per pixel; outside the copied rectangle nothing is solid.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/gfxtypes.h"

class Landschaft;
struct NavNode;

class TerrainSnapshot {
 public:
  TerrainSnapshot() = default;
  // The solidity of every pixel of the layer's rectangle, copied by the shared workers.
  static TerrainSnapshot Take(const Landschaft& land);
  // The same into this copy, reusing its memory; taken again from the same layer, only the
  // tiles written since (or being written now) are read again.
  void Retake(const Landschaft& land);
  // Tiles read by the last Retake (all of them when it read the whole layer).
  size_t TilesRead() const { return m_tilesRead; }
  // Each taking gives the copy's bytes a number no other taking gives (0: a copy made
  // otherwise).
  uint64_t Version() const { return m_version; }
  // When the copy's bytes have the number `version`, or had it before one of its last few
  // takings in place (none of them reading the whole layer since): true, and the parts of
  // its rectangle read again since then are added to `parts`; beside them its bytes are
  // those it had then.
  bool ReadSince(uint64_t version, std::vector<Rect>& parts) const;
  // A snapshot of the rectangle from rows of '#' (solid) and anything else (empty), the
  // first row at rect.top; for tests and tools.
  static TerrainSnapshot FromRows(const std::vector<const char*>& rows, int32_t left = 0, int32_t top = 0);

  const Rect& GetRect() const { return m_rect; }
  bool IsSolid(int64_t x, int64_t y) const {
    if (x < m_rect.left || x >= m_rect.right || y < m_rect.top || y >= m_rect.bottom) return false;
    return m_solid[size_t(y - m_rect.top) * size_t(m_width) + size_t(x - m_rect.left)] != 0;
  }
  // The solidity bytes row by row from the rectangle's top left, for walks that have
  // checked their bounds once: pixel (x, y) is at (y - top) * width + (x - left).
  const uint8_t* Bytes() const { return m_solid.data(); }
  int32_t Width() const { return m_width; }
  bool Inside(int64_t x, int64_t y) const {
    return x >= m_rect.left && x < m_rect.right && y >= m_rect.top && y < m_rect.bottom;
  }

  // The segment's pixels from `from` to `to` (truncated ends) until the first solid one:
  // true and its position in `hit`. Outside pixels are empty; only the part of the walk
  // over the rectangle's span is stepped.
  bool TraceSegment(const Vector2& from, const Vector2& to, Vector2* hit) const;
  // Whether a solid pixel lies on the segment, as TraceSegment finds it, given the highest
  // solid row of every column (ColumnTops): pixels above it are not looked up.
  bool TraceSegmentBelow(const Vector2& from, const Vector2& to, const int32_t* tops) const;
  // Every pixel of the line counted in `pixels` and the solid ones in `solid` (both running
  // on from their values); true and the first solid pixel in `firstSolid` when one lies on it.
  bool TraceLine(const Vector2& from, const Vector2& to, int32_t& pixels, int32_t& solid,
                 Vector2* firstSolid) const;

  // The ground-surface points, as the layer's own scan finds them (a solid pixel under an
  // empty one, column by column, top to bottom), above the water line `waterY`.
  void FindSurfacePoints(double waterY, std::vector<NavNode>& out) const;
  // For every column from the left, the highest solid row (the bottom when none).
  void ColumnTops(std::vector<int32_t>& out) const;

 private:
  // A tile of the layer as it was when last read.
  struct TileState {
    const void* tile = nullptr;
    uint64_t changes = 0;
    bool locked = false;
  };
  Rect m_rect{0, 0, 0, 0};
  int32_t m_width = 0;
  std::vector<uint8_t> m_solid;
  const Landschaft* m_source = nullptr;
  std::vector<TileState> m_tiles;
  size_t m_tilesRead = 0;
  uint64_t m_version = 0;
  // The last takings in place, oldest first: the number the bytes had before each and the
  // parts it read again.
  struct Taking {
    uint64_t before = 0;
    std::vector<Rect> parts;
  };
  static constexpr size_t kTakingsKept = 8;
  std::vector<Taking> m_takings;
};
