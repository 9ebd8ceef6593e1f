// The planner's copy of the game layer's solidity and its line walks.
#include "battle/terrainsnapshot.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "battle/navnode.h"
#include "platform/numeric.h"
#include "platform/texture.h"
#include "platform/workers.h"
#include "world/landschaft.h"
#include "world/linewalk.h"

namespace {

// One byte per pixel of a row: 1 where it is solid (its alpha above 192), else 0. Sixteen
// pixels at a time where the processor has 128-bit integer lanes.
void SolidRow(const uint32_t* pixels, uint8_t* row, int32_t count) {
  int32_t x = 0;
#if defined(__SSE2__)
  const __m128i one = _mm_set1_epi8(1);
  for (; x + 16 <= count; x += 16)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x), _mm_and_si128(SolidPixels16(pixels + x), one));
#endif
  for (; x < count; ++x) row[x] = IsSolidPixel(pixels[x]) ? 1 : 0;
}

}  // namespace

TerrainSnapshot TerrainSnapshot::Take(const Landschaft& land) {
  TerrainSnapshot s;
  s.Retake(land);
  return s;
}

void TerrainSnapshot::Retake(const Landschaft& land) {
  TerrainSnapshot& s = *this;
  static std::atomic<uint64_t> takings{0};
  const uint64_t before = s.m_version;
  s.m_version = takings.fetch_add(1, std::memory_order_relaxed) + 1;
  const Rect rect = land.GetRect();
  const int32_t width = std::max(0, rect.Width());
  const int32_t height = std::max(0, rect.Height());
  const auto& tiles = land.Tiles();
  std::vector<TileState> states(tiles.size());
  for (size_t i = 0; i < tiles.size(); ++i) {
    const LandschaftTile* t = tiles[i].get();
    const platform::Texture* texture = t ? t->GetTexture() : nullptr;
    states[i] = {t, texture ? texture->ChangeCount() : 0, t && t->IsLocked()};
  }
  const bool again = s.m_source == &land && s.m_rect == rect && s.m_width == width && width > 0 && height > 0 &&
                     s.m_solid.size() == size_t(width) * size_t(height) && s.m_tiles.size() == states.size();
  s.m_source = &land;
  if (again) {
    // A tile is read again when it is another, was written since, or is (or was) locked for
    // writing at either reading.
    std::vector<size_t> stale;
    for (size_t i = 0; i < states.size(); ++i) {
      const TileState& was = s.m_tiles[i];
      const TileState& now = states[i];
      if (now.tile != was.tile || now.changes != was.changes || now.locked || was.locked) stale.push_back(i);
    }
    s.m_tiles = std::move(states);
    s.m_tilesRead = stale.size();
    if (s.m_takings.size() == kTakingsKept) s.m_takings.erase(s.m_takings.begin());
    Taking& taking = s.m_takings.emplace_back();
    taking.before = before;
    for (size_t i : stale) {
      const LandschaftTile* t = tiles[i].get();
      if (!t) continue;
      const Rect& wr = t->WorldRect();
      const Rect part{std::max(wr.left, rect.left), std::max(wr.top, rect.top), std::min(wr.right, rect.right),
                      std::min(wr.bottom, rect.bottom)};
      if (part.left < part.right && part.top < part.bottom) taking.parts.push_back(part);
    }
    if (stale.empty()) return;
    // One job per processor at most, each reading every n-th stale tile: the pool starts
    // no more threads than there are processors.
    const int n = std::max(1, std::min(platform::ProcessorCount(), int(stale.size())));
    auto job = [&](int k) {
      for (size_t i = size_t(k); i < stale.size(); i += size_t(n)) {
        const LandschaftTile* t = tiles[stale[i]].get();
        if (!t) continue;
        const Rect& wr = t->WorldRect();
        const int32_t x0 = std::max(wr.left, rect.left), x1 = std::min(wr.right, rect.right);
        const int32_t y0 = std::max(wr.top, rect.top), y1 = std::min(wr.bottom, rect.bottom);
        for (int32_t y = y0; y < y1; ++y)
          SolidRow(t->Row(y - wr.top) + (x0 - wr.left), &s.m_solid[size_t(y - rect.top) * size_t(width)] + (x0 - rect.left),
                   x1 - x0);
      }
    };
    platform::WorkerPool::Shared().Run(n, job);
    return;
  }
  s.m_tiles = std::move(states);
  s.m_tilesRead = tiles.size();
  s.m_takings.clear();
  s.m_rect = rect;
  s.m_width = width;
  if (s.m_width == 0 || height == 0) {
    s.m_rect = Rect{0, 0, 0, 0};
    s.m_width = 0;
    s.m_solid.clear();
    return;
  }
  // Each job clears its own rows: the main thread does not go over the whole copy twice.
  s.m_solid.resize(size_t(s.m_width) * size_t(height));
  const int n = std::max(1, std::min(platform::ProcessorCount(), height));
  auto job = [&](int i) {
    const int32_t y0 = s.m_rect.top + int32_t(int64_t(height) * i / n);
    const int32_t y1 = s.m_rect.top + int32_t(int64_t(height) * (i + 1) / n);
    for (int32_t y = y0; y < y1; ++y) {
      uint8_t* row = &s.m_solid[size_t(y - s.m_rect.top) * size_t(s.m_width)];
      std::memset(row, 0, size_t(s.m_width));
      for (int32_t x = s.m_rect.left; x < s.m_rect.right;) {
        int32_t count = 0;
        const uint32_t* p = land.PeekRow(x, y, count);
        if (!p) {
          ++x;
          continue;
        }
        SolidRow(p, row + (x - s.m_rect.left), count);
        x += count;
      }
    }
  };
  platform::WorkerPool::Shared().Run(n, job);
}

bool TerrainSnapshot::ReadSince(uint64_t version, std::vector<Rect>& parts) const {
  if (version == 0) return false;
  if (version == m_version) return true;
  for (size_t i = m_takings.size(); i-- > 0;) {
    if (m_takings[i].before != version) continue;
    for (size_t k = i; k < m_takings.size(); ++k)
      parts.insert(parts.end(), m_takings[k].parts.begin(), m_takings[k].parts.end());
    return true;
  }
  return false;
}

TerrainSnapshot TerrainSnapshot::FromRows(const std::vector<const char*>& rows, int32_t left, int32_t top) {
  TerrainSnapshot s;
  int32_t width = 0;
  for (const char* r : rows) width = std::max(width, int32_t(std::strlen(r)));
  s.m_rect = Rect{left, top, left + width, top + int32_t(rows.size())};
  s.m_width = width;
  s.m_solid.assign(size_t(width) * rows.size(), 0);
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; rows[y][x]; ++x) s.m_solid[y * size_t(width) + x] = rows[y][x] == '#';
  return s;
}

namespace {

Vector2 At(const LineWalk& w) { return Vector2(float(w.X()), float(w.Y())); }

bool Finite(const Vector2& v) { return std::isfinite(v.x) && std::isfinite(v.y); }

}  // namespace

bool TerrainSnapshot::TraceSegment(const Vector2& from, const Vector2& to, Vector2* hit) const {
  if (!Finite(from) || !Finite(to)) return false;
  LineWalk walk(platform::TruncToInt(from.x), platform::TruncToInt(from.y), platform::TruncToInt(to.x),
                platform::TruncToInt(to.y));
  if (IsSolid(walk.X(), walk.Y())) {
    if (hit) *hit = At(walk);
    return true;
  }
  // The walk's last step goes at most a pixel past its end on either axis: when that box
  // lies inside the rectangle, every step does and its byte is read straight.
  const int64_t x0 = walk.X(), y0 = walk.Y(), x1 = platform::TruncToInt(to.x), y1 = platform::TruncToInt(to.y);
  if (std::min(x0, x1) > m_rect.left && std::max(x0, x1) + 1 < m_rect.right && std::min(y0, y1) > m_rect.top &&
      std::max(y0, y1) + 1 < m_rect.bottom) {
    const uint8_t* bytes = m_solid.data();
    for (int64_t k = walk.StepCount(); k > 0; --k) {
      walk.Step();
      if (bytes[(walk.Y() - m_rect.top) * m_width + (walk.X() - m_rect.left)]) {
        if (hit) *hit = At(walk);
        return true;
      }
    }
    return false;
  }
  int64_t first = 1, last = 0;
  walk.MajorSpan(m_rect, first, last);
  if (first > last) return false;
  walk.Seek(first - 1);
  for (int64_t k = first; k <= last; ++k) {
    walk.Step();
    if (IsSolid(walk.X(), walk.Y())) {
      if (hit) *hit = At(walk);
      return true;
    }
  }
  return false;
}

bool TerrainSnapshot::TraceSegmentBelow(const Vector2& from, const Vector2& to, const int32_t* tops) const {
  if (!Finite(from) || !Finite(to)) return false;
  LineWalk walk(platform::TruncToInt(from.x), platform::TruncToInt(from.y), platform::TruncToInt(to.x),
                platform::TruncToInt(to.y));
  auto solid = [&](int64_t x, int64_t y) {
    return x >= m_rect.left && x < m_rect.right && y >= tops[x - m_rect.left] && IsSolid(x, y);
  };
  if (solid(walk.X(), walk.Y())) return true;
  int64_t first = 1, last = 0;
  walk.MajorSpan(m_rect, first, last);
  if (first > last) return false;
  walk.Seek(first - 1);
  for (int64_t k = first; k <= last; ++k) {
    walk.Step();
    if (solid(walk.X(), walk.Y())) return true;
  }
  return false;
}

bool TerrainSnapshot::TraceLine(const Vector2& from, const Vector2& to, int32_t& pixels, int32_t& solid,
                                Vector2* firstSolid) const {
  if (!Finite(from) || !Finite(to)) return false;
  LineWalk walk(platform::TruncToInt(from.x), platform::TruncToInt(from.y), platform::TruncToInt(to.x),
                platform::TruncToInt(to.y));
  uint32_t count = uint32_t(pixels) + 1u + uint32_t(walk.StepCount());
  uint32_t blocked = uint32_t(solid);
  bool found = false;
  auto test = [&] {
    if (!IsSolid(walk.X(), walk.Y())) return;
    ++blocked;
    if (!found && firstSolid) *firstSolid = At(walk);
    found = true;
  };
  test();
  int64_t first = 1, last = 0;
  walk.MajorSpan(m_rect, first, last);
  if (first <= last) {
    walk.Seek(first - 1);
    for (int64_t k = first; k <= last; ++k) {
      walk.Step();
      test();
    }
  }
  pixels = int32_t(count);
  solid = int32_t(blocked);
  return found;
}

void TerrainSnapshot::FindSurfacePoints(double waterY, std::vector<NavNode>& out) const {
  const int32_t bottom = platform::TruncToInt(std::min(double(m_rect.bottom), waterY));
  const int32_t rows = std::max(0, bottom - m_rect.top);
  if (m_width == 0 || rows == 0) return;
  // Row by row over the copy (as it lies in memory), then handed out column by column,
  // top to bottom: first counted per column, then put in place.
  const size_t width = size_t(m_width);
  std::vector<uint32_t> count(width + 1, 0);
  for (int32_t r = 1; r < rows; ++r) {
    const uint8_t* above = &m_solid[size_t(r - 1) * width];
    const uint8_t* row = above + width;
    for (size_t c = 0; c < width; ++c) count[c + 1] += uint32_t(row[c] & (above[c] ^ 1));
  }
  for (size_t c = 0; c < width; ++c) count[c + 1] += count[c];
  const size_t first = out.size();
  out.resize(first + count[width]);
  for (int32_t r = 1; r < rows; ++r) {
    const uint8_t* above = &m_solid[size_t(r - 1) * width];
    const uint8_t* row = above + width;
    for (size_t c = 0; c < width; ++c)
      if (row[c] && !above[c]) out[first + count[c]++] = NavNode(m_rect.left + int32_t(c), m_rect.top + r);
  }
}

void TerrainSnapshot::ColumnTops(std::vector<int32_t>& out) const {
  out.assign(size_t(m_width), m_rect.bottom);
  size_t open = size_t(m_width);
  const int32_t height = m_width > 0 ? int32_t(m_solid.size() / size_t(m_width)) : 0;
  for (int32_t r = 0; r < height && open > 0; ++r) {
    const uint8_t* row = &m_solid[size_t(r) * size_t(m_width)];
    for (size_t c = 0; c < size_t(m_width); ++c)
      if (row[c] && out[c] == m_rect.bottom) out[c] = m_rect.top + r, --open;
  }
}
