// The navigation graph: surface, links, features, weights, and the route search.
#include "battle/navgraph.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <tuple>

#include "battle/navnode.h"
#include "battle/terrainsnapshot.h"
#include "platform/numeric.h"
#include "world/linewalk.h"

namespace {

constexpr double kRadiansPerDegree = 0.01745329238474369;
// The twenty rays of the shelter probe, 100 pixels long, fanned over all but the ground.
constexpr size_t kRays = 20;
constexpr double kRayLength = 100.0;

bool Cancelled(const std::atomic<bool>* cancel) { return cancel && cancel->load(std::memory_order_relaxed); }

}  // namespace

int32_t NavGraph::AddNode(int32_t x, int32_t y) {
  m_nodes.emplace_back();
  m_nodes.back().x = x;
  m_nodes.back().y = y;
  return int32_t(m_nodes.size() - 1);
}

void NavGraph::BuildColumnIndex() {
  m_columnStart.clear();
  m_columnNodes.clear();
  if (m_nodes.empty()) return;
  int32_t lo = m_nodes[0].x, hi = m_nodes[0].x;
  for (const Node& n : m_nodes) lo = std::min(lo, n.x), hi = std::max(hi, n.x);
  m_left = lo;
  // Per column its nodes' rows and indices, in graph order, side by side in one array.
  m_columnStart.assign(size_t(int64_t(hi) - lo + 2), 0);
  for (const Node& n : m_nodes) ++m_columnStart[size_t(n.x - lo) + 1];
  for (size_t c = 1; c < m_columnStart.size(); ++c) m_columnStart[c] += m_columnStart[c - 1];
  m_columnNodes.resize(m_nodes.size());
  std::vector<uint32_t> next(m_columnStart.begin(), m_columnStart.end() - 1);
  for (size_t i = 0; i < m_nodes.size(); ++i)
    m_columnNodes[next[size_t(m_nodes[i].x - lo)]++] = {m_nodes[i].y, int32_t(i)};
}

int32_t NavGraph::NodeAt(int32_t x, int32_t y) const {
  const int64_t c = int64_t(x) - m_left;
  if (c < 0 || c + 1 >= int64_t(m_columnStart.size())) return kNone;
  for (uint32_t k = m_columnStart[size_t(c)]; k < m_columnStart[size_t(c) + 1]; ++k)
    if (m_columnNodes[k][0] == y) return m_columnNodes[k][1];
  return kNone;
}

int32_t NavGraph::NearestInColumn(int32_t x, int32_t y) const {
  const int64_t c = int64_t(x) - m_left;
  if (c < 0 || c + 1 >= int64_t(m_columnStart.size())) return kNone;
  int32_t best = kNone;
  int64_t bestD = INT64_MAX;
  for (uint32_t k = m_columnStart[size_t(c)]; k < m_columnStart[size_t(c) + 1]; ++k) {
    const int64_t d = std::abs(int64_t(m_columnNodes[k][0]) - y);
    if (d < bestD) best = m_columnNodes[k][1], bestD = d;
  }
  return best;
}

int32_t NavGraph::FirstBelow(int32_t x, int32_t y) const {
  const int64_t c = int64_t(x) - m_left;
  if (c < 0 || c + 1 >= int64_t(m_columnStart.size())) return kNone;
  int32_t best = kNone;
  int64_t bestD = INT64_MAX;
  for (uint32_t k = m_columnStart[size_t(c)]; k < m_columnStart[size_t(c) + 1]; ++k) {
    const int64_t d = int64_t(m_columnNodes[k][0]) - y;
    if (d >= 0 && d < bestD) best = m_columnNodes[k][1], bestD = d;
  }
  return best;
}

bool NavGraph::Build(const TerrainSnapshot& terrain, const PlanSnapshot& plan, const std::atomic<bool>* cancel) {
  m_nodes.clear();
  m_workedOut = 0;
  if (!m_memo) m_memo = std::make_unique<Memo>();
  Memo& memo = *m_memo;
  memo.Update(terrain, plan);
  // The ground points above the water line, column by column, top to bottom, as the
  // snapshot's scan finds them; a node is the empty pixel the worm stands in, above one.
  const int32_t bottom = platform::TruncToInt(std::min(double(memo.rect.bottom), plan.waterY));
  const int32_t rows = std::max(0, bottom - memo.rect.top);
  m_entries.clear();
  for (int32_t c = 0; c < memo.width && rows > 0; ++c) {
    Memo::Column& column = memo.columns[size_t(c)];
    for (size_t k = 0; k < column.rows.size() && column.rows[k] < rows; ++k) {
      AddNode(memo.rect.left + c, memo.rect.top + column.rows[k] - 1);
      m_entries.push_back(&column.entries[k]);
    }
  }
  BuildColumnIndex();
  m_viewsDue.clear();
  m_viewEnemies.clear();
  m_viewFriends.clear();
  if (m_lazyViews) {
    m_viewsDue.resize(m_nodes.size());
    m_viewOffset = plan.shotOffset;
    m_viewEnemies = plan.enemies;
    m_blockedEnemy = 0;
    m_viewFriends = plan.friends;
  }
  if (Cancelled(cancel)) return false;
  bool ok = true;
  BuildLinks(terrain, plan, cancel, ok);
  if (!ok) return false;
  WeightGraph();
  return true;
}

void NavGraph::Memo::Fresh(const TerrainSnapshot& terrain) {
  rect = terrain.GetRect();
  width = terrain.Width();
  height = width > 0 ? rect.bottom - rect.top : 0;
  bytes.assign(terrain.Bytes(), terrain.Bytes() + size_t(width) * size_t(height));
  tops.left = rect.left;
  tops.bottom = rect.bottom;
  tops.levels.assign(1, std::vector<int32_t>(size_t(width), rect.bottom));
  columns.assign(size_t(width), {});
  // One pass row by row: a column's highest ground is its first solid pixel, a ground
  // point a solid pixel under an empty one (from the second row on, as the scan has it).
  // Eight columns at a time where no column of them still looks for its top and none has
  // a ground point.
  std::vector<int32_t>& top = tops.levels[0];
  size_t open = size_t(width);
  const size_t w = size_t(width);
  for (int32_t r = 0; r < height; ++r) {
    const uint8_t* row = &bytes[size_t(r) * w];
    const uint8_t* above = r > 0 ? row - w : nullptr;
    size_t c = 0;
    if (open == 0 && above)
      for (; c + 8 <= w; c += 8) {
        uint64_t a, b;
        std::memcpy(&a, row + c, 8);
        std::memcpy(&b, above + c, 8);
        if (a & ~b)
          for (size_t k = c; k < c + 8; ++k)
            if (row[k] && !above[k]) columns[k].rows.push_back(r);
      }
    for (; c < w; ++c) {
      if (!row[c]) continue;
      if (top[c] == rect.bottom) top[c] = rect.top + r, --open;
      if (above && !above[c]) columns[c].rows.push_back(r);
    }
  }
  tops.Build();
  for (Column& col : columns) col.entries.resize(col.rows.size());
  blocksWide = blocksHigh = 0;
  changed.clear();
  changedBox = {INT64_MAX, INT64_MAX, INT64_MIN, INT64_MIN};
  made = true;
  arcsMade = false;
}

void NavGraph::Memo::Update(const TerrainSnapshot& terrain, const PlanSnapshot& plan) {
  static const Fan fan = MakeFan();
  const int32_t h = terrain.Width() > 0 ? terrain.GetRect().bottom - terrain.GetRect().top : 0;
  if (!made || terrain.GetRect() != rect || terrain.Width() != width || h != height) {
    Fresh(terrain);
  } else {
    // The blocks whose pixels changed; their columns' tops and ground points worked out again.
    blocksWide = (width + kBlock - 1) / kBlock;
    blocksHigh = (height + kBlock - 1) / kBlock;
    std::vector<uint8_t> blockChanged(size_t(blocksWide) * size_t(blocksHigh), 0);
    std::vector<uint8_t> columnChanged(size_t(blocksWide), 0);
    bool any = false;
    const uint8_t* now = terrain.Bytes();
    // Columns c0 .. c1 - 1 of row r: the blocks that differ are marked and copied.
    auto compare = [&](int32_t r, int32_t c0, int32_t c1) {
      uint8_t* was = &bytes[size_t(r) * size_t(width)];
      const uint8_t* is = now + size_t(r) * size_t(width);
      if (std::memcmp(was + c0, is + c0, size_t(c1 - c0)) == 0) return;
      for (int32_t b = c0 / kBlock; b * kBlock < c1; ++b) {
        const int32_t b0 = b * kBlock, n = std::min(kBlock, width - b0);
        if (std::memcmp(was + b0, is + b0, size_t(n)) == 0) continue;
        blockChanged[size_t(r / kBlock) * size_t(blocksWide) + size_t(b)] = 1;
        columnChanged[size_t(b)] = 1;
        std::memcpy(was + b0, is + b0, size_t(n));
      }
      any = true;
    };
    std::vector<Rect> parts;
    if (terrain.ReadSince(version, parts)) {
      // The copy has been taken again in place since the bytes kept here were brought up
      // to it: only the parts it read again may differ (a tile read at several takings is
      // looked at once).
      std::sort(parts.begin(), parts.end(), [](const Rect& a, const Rect& b) {
        return std::tie(a.top, a.left, a.bottom, a.right) < std::tie(b.top, b.left, b.bottom, b.right);
      });
      parts.erase(std::unique(parts.begin(), parts.end()), parts.end());
      for (const Rect& part : parts) {
        const int32_t c0 = std::max(part.left, rect.left) - rect.left, c1 = std::min(part.right, rect.right) - rect.left;
        const int32_t r0 = std::max(part.top, rect.top) - rect.top, r1 = std::min(part.bottom, rect.bottom) - rect.top;
        if (c0 >= c1) continue;
        for (int32_t r = r0; r < r1; ++r) compare(r, c0, c1);
      }
    } else {
      for (int32_t r = 0; r < height; ++r) compare(r, 0, width);
    }
    if (!any) {
      changed.clear();
      changedBox = {INT64_MAX, INT64_MAX, INT64_MIN, INT64_MIN};
    } else {
      const size_t w = size_t(blocksWide) + 1;
      changed.assign(w * (size_t(blocksHigh) + 1), 0);
      changedBox = {INT64_MAX, INT64_MAX, INT64_MIN, INT64_MIN};
      for (size_t y = 0; y < size_t(blocksHigh); ++y)
        for (size_t x = 0; x < size_t(blocksWide); ++x) {
          const uint8_t here = blockChanged[y * size_t(blocksWide) + x];
          changed[(y + 1) * w + x + 1] = here + changed[y * w + x + 1] + changed[(y + 1) * w + x] - changed[y * w + x];
          if (!here) continue;
          const int64_t bx = int64_t(rect.left) + int64_t(x) * kBlock, by = int64_t(rect.top) + int64_t(y) * kBlock;
          // A block at the copy's right or bottom edge ends there.
          changedBox = {std::min(changedBox[0], bx), std::min(changedBox[1], by),
                        std::max(changedBox[2], std::min<int64_t>(bx + kBlock, int64_t(rect.left) + width) - 1),
                        std::max(changedBox[3], std::min<int64_t>(by + kBlock, int64_t(rect.top) + height) - 1)};
        }
      std::vector<int32_t>& top = tops.levels[0];
      // A column's new points are gathered here and copied back into its own vectors, which
      // keep their memory: no allocation per changed column.
      std::vector<int32_t> rows;
      std::vector<Entry> entries;
      for (int32_t b = 0; b < blocksWide; ++b) {
        if (!columnChanged[size_t(b)]) continue;
        // The changed rows of the block's columns, as spans of rows whose ground points may
        // have changed (a point rests on its row and the row above, so a span reaches one
        // row past its last block). Outside them the points and what is known of their
        // places stay; inside, the points are found again, keeping what was known of a place
        // that is still one (it is checked below like the rest).
        std::vector<std::array<int32_t, 2>> spans;
        for (int32_t by = 0; by < blocksHigh; ++by) {
          if (!blockChanged[size_t(by) * size_t(blocksWide) + size_t(b)]) continue;
          const int32_t r0 = std::max(1, by * kBlock), r1 = std::min(height, (by + 1) * kBlock + 1);
          if (!spans.empty() && spans.back()[1] >= r0)
            spans.back()[1] = std::max(spans.back()[1], r1);
          else if (r0 < r1)
            spans.push_back({r0, r1});
        }
        const int32_t firstChanged = blocksHigh > 0 ? [&] {
          for (int32_t by = 0; by < blocksHigh; ++by)
            if (blockChanged[size_t(by) * size_t(blocksWide) + size_t(b)]) return by * kBlock;
          return height;
        }() : height;
        const int32_t c0 = b * kBlock, c1 = std::min(width, c0 + kBlock);
        for (int32_t c = c0; c < c1; ++c) {
          // The highest ground moves only when it lay at or below the first changed row.
          if (top[size_t(c)] - rect.top >= firstChanged) {
            top[size_t(c)] = rect.bottom;
            for (int32_t r = firstChanged; r < height; ++r)
              if (bytes[size_t(r) * size_t(width) + size_t(c)]) {
                top[size_t(c)] = rect.top + r;
                break;
              }
          }
          Column& column = columns[size_t(c)];
          rows.clear();
          entries.clear();
          size_t k = 0;
          for (const auto& span : spans) {
            for (; k < column.rows.size() && column.rows[k] < span[0]; ++k) {
              rows.push_back(column.rows[k]);
              entries.push_back(column.entries[k]);
            }
            size_t old = k;
            for (int32_t r = span[0]; r < span[1]; ++r) {
              const uint8_t* at = &bytes[size_t(r) * size_t(width) + size_t(c)];
              if (!*at || at[-ptrdiff_t(width)]) continue;
              while (old < column.rows.size() && column.rows[old] < r) ++old;
              rows.push_back(r);
              entries.push_back(old < column.rows.size() && column.rows[old] == r ? column.entries[old] : Entry{});
            }
            while (k < column.rows.size() && column.rows[k] < span[1]) ++k;
          }
          for (; k < column.rows.size(); ++k) {
            rows.push_back(column.rows[k]);
            entries.push_back(column.entries[k]);
          }
          column.rows.assign(rows.begin(), rows.end());
          column.entries.assign(entries.begin(), entries.end());
        }
      }
      tops.Build();
    }
  }
  version = terrain.Version();
  // New jumps make new flights: every landing goes.
  bool sameJumps = gravity == plan.gravity || (std::isnan(gravity) && std::isnan(plan.gravity));
  for (size_t j = 0; j < 8; ++j)
    sameJumps = sameJumps && std::memcmp(&jumps[j], &plan.jumps[j], sizeof(Vector2)) == 0;
  if (!sameJumps || !arcsMade) {
    arcsMade = true;
    jumps = plan.jumps;
    gravity = plan.gravity;
    for (size_t j = 0; j < arcs.size(); ++j) arcs[j] = MakeArc(plan.jumps[j], plan.gravity, rect);
    for (Column& c : columns)
      for (Entry& e : c.entries) e.have &= ~0xFFu;
  }
  Forget(fan);
}

void NavGraph::Memo::Forget(const Fan& fan) {
  if (changed.empty()) return;
  // Nothing known of a place reaches further across than a jump's flight (the shelter rays
  // are shorter): a column with no changed ground that near keeps all it knows.
  constexpr int64_t kAcross = kArcSteps + 4;
  for (size_t c = 0; c < columns.size(); ++c) {
    Column& column = columns[c];
    const int64_t x = int64_t(rect.left) + int64_t(c);
    if (!AnyChanged(x - kAcross, rect.top, x + kAcross, int64_t(rect.top) + height - 1)) continue;
    for (size_t k = 0; k < column.rows.size(); ++k) {
      Entry& e = column.entries[k];
      if (!e.have) continue;
      // The rays start at the place (the pixel above the node).
      const int64_t y = int64_t(rect.top) + column.rows[k] - 2;
      // The fan, then its four groups of five neighbouring rays, then each ray.
      if ((e.have >> 8) && AnyChanged(x + fan.box[0], y + fan.box[1], x + fan.box[2], y + fan.box[3]))
        for (size_t g = 0; g < 4; ++g) {
          const auto& gb = fan.groupBox[g];
          if (!AnyChanged(x + gb[0], y + gb[1], x + gb[2], y + gb[3])) continue;
          for (size_t r = g * 5; r < g * 5 + 5; ++r) {
            const auto& b = fan.rayBox[r];
            if ((e.have & (1u << (8 + r))) && AnyChanged(x + b[0], y + b[1], x + b[2], y + b[3]))
              e.have &= ~(1u << (8 + r));
          }
        }
      for (size_t j = 0; j < 8; ++j) {
        if (!(e.have & (1u << j))) continue;
        const auto& b = e.reach[j];
        if (!AnyChanged(b[0], b[1], b[2], b[3])) continue;
        // A flight that ended below the world is not looked at closer.
        const int last = e.lastStep[j];
        bool hit = last < 2;
        for (int run = 0; !hit && run <= (last - 2) / kArcRun; ++run) {
          const auto& o = arcs[j].runReach[size_t(run)];
          hit = o[0] > o[2] || AnyChanged(x + o[0] - 1, y + o[1] - 1, x + o[2] + 1, y + o[3] + 1);
        }
        if (hit) e.have &= ~(1u << j);
      }
    }
  }
}

void NavGraph::BuildLinks(const TerrainSnapshot& terrain, const PlanSnapshot& plan, const std::atomic<bool>* cancel,
                          bool& ok) {
  const float px = plan.person.x, py = plan.person.y;
  // A worm off the world (or not a number) has no ground under it.
  if (!(std::isfinite(px) && std::isfinite(py)) || std::fabs(px) > 2e9f || std::fabs(py) > 2e9f) {
    ok = false;
    return;
  }
  const int32_t first = FirstBelow(int32_t(px), int32_t(py));
  if (first == kNone) {
    ok = false;
    return;
  }
  const int32_t climb = std::max(1, plan.climb);

  Memo& memo = *m_memo;
  const std::array<Arc, 8>& arcs = memo.arcs;
  static const Fan fan = MakeFan();
  const Tops& tops = memo.tops;
  // The fan's pixels as steps through the copy's bytes, for nodes whose fan lies inside it.
  const Rect& rect = terrain.GetRect();
  const int64_t stride = terrain.Width();
  std::vector<int64_t> fanSteps;
  fanSteps.reserve(fan.pixels.size());
  for (const auto& o : fan.pixels) fanSteps.push_back(int64_t(o[1]) * stride + o[0]);
  const int32_t reach = int32_t(kRayLength) + 2;

  // First in, first out: every node is put in once, so the list is the queue's whole history.
  std::vector<int32_t> queue;
  queue.reserve(m_nodes.size());
  m_nodes[size_t(first)].reachable = true;
  queue.push_back(first);
  auto enqueue = [&](int32_t m) {
    if (m_nodes[size_t(m)].reachable) return;
    m_nodes[size_t(m)].reachable = true;
    queue.push_back(m);
  };
  for (size_t head = 0; head < queue.size();) {
    if ((head & 63) == 63 && Cancelled(cancel)) {
      ok = false;
      return;
    }
    const int32_t ni = queue[head++];
    const int32_t nx = m_nodes[size_t(ni)].x, ny = m_nodes[size_t(ni)].y;
    // What the builds before worked out for this place (its ground unchanged since).
    Memo::Entry& kept = *m_entries[size_t(ni)];

    // Walking: a step up or down within the climb height links both ways, a free drop one way.
    for (int side = 0; side < 2; ++side) {
      const int slot = side == 0 ? 0 : 5, back = side == 0 ? 5 : 0;
      const int32_t dx = side == 0 ? 1 : -1;
      if (m_nodes[size_t(ni)].links[size_t(slot)] != kNone) continue;
      // One pass over the next column: the node nearest in height within the climb, the
      // lower one of two as near, and else the first below.
      int32_t m = kNone, below = kNone;
      const int64_t c = int64_t(nx) + dx - m_left;
      if (c >= 0 && c + 1 < int64_t(m_columnStart.size())) {
        int64_t bestKey = INT64_MAX, belowD = INT64_MAX;
        for (uint32_t k = m_columnStart[size_t(c)]; k < m_columnStart[size_t(c) + 1]; ++k) {
          const int64_t d = int64_t(m_columnNodes[k][0]) - ny;
          const int64_t key = d >= 0 ? 2 * d : -2 * d + 1;
          if ((d >= 0 ? d : -d) < climb && key < bestKey) m = m_columnNodes[k][1], bestKey = key;
          if (d >= 0 && d < belowD) below = m_columnNodes[k][1], belowD = d;
        }
      }
      if (m != kNone) {
        m_nodes[size_t(ni)].links[size_t(slot)] = m;
        m_nodes[size_t(m)].links[size_t(back)] = ni;
        enqueue(m);
        continue;
      }
      m = below;
      if (m != kNone) {
        const Node& mn = m_nodes[size_t(m)];
        if (!terrain.TraceSegment(Vector2(float(nx + dx), float(ny)), Vector2(float(mn.x), float(mn.y - 2)), nullptr)) {
          m_nodes[size_t(ni)].links[size_t(slot)] = m;
          enqueue(m);
        }
      }
    }

    // Jumps.
    for (int j = 0; j < 8; ++j) {
      const int slot = j <= 3 ? j + 1 : j + 2;
      if (m_nodes[size_t(ni)].links[size_t(slot)] != kNone || !arcs[size_t(j)].usable) continue;
      if (!(kept.have & (1u << j))) {
        std::array<int64_t, 4> box{};
        int last = -1;
        const Vector2 landing = LandArc(terrain, tops, arcs[size_t(j)], nx, ny - 1, &box, &last);
        kept.landing[size_t(j)] = {int32_t(landing.x), int32_t(landing.y)};
        for (size_t k = 0; k < 4; ++k) kept.reach[size_t(j)][k] = int32_t(std::clamp<int64_t>(box[k], -(1 << 30), 1 << 30));
        kept.lastStep[size_t(j)] = int16_t(last);
        kept.have |= 1u << j;
        ++m_workedOut;
      }
      const int32_t m = NodeAt(kept.landing[size_t(j)][0], kept.landing[size_t(j)][1] - 1);
      if (m != kNone) {
        m_nodes[size_t(ni)].links[size_t(slot)] = m;
        enqueue(m);
      }
    }
  }

  // The shelter, solidity and views of the places reached, in graph order (column by
  // column, top to bottom) rather than in the order the links reached them: one place
  // reads much the same ground as the one before. None of it changes a link.
  for (size_t i = 0; i < m_nodes.size(); ++i) {
    if ((i & 63) == 63 && Cancelled(cancel)) {
      ok = false;
      return;
    }
    if (!m_nodes[i].reachable) continue;
    const int32_t ni = int32_t(i);
    const int32_t nx = m_nodes[i].x, ny = m_nodes[i].y;
    Memo::Entry& kept = *m_entries[i];

    // Shelter and solidity: every pixel of the twenty rays counts, the first solid one of
    // a ray tells how near the ground is that way.
    if ((kept.have >> 8) != (1u << kRays) - 1) {
      const int64_t px = nx, py = int64_t(ny) - 1;
      const bool inside =
          px - reach >= rect.left && px + reach < rect.right && py - reach >= rect.top && py + reach < rect.bottom;
      const uint8_t* centre = inside ? terrain.Bytes() + (py - rect.top) * stride + (px - rect.left) : nullptr;
      const int64_t column = px - tops.left;
      for (size_t r = 0; r < kRays; ++r) {
        if (kept.have & (1u << (8 + r))) continue;
        bool met = false;
        int32_t solid = 0;
        double shelter = 0.0;
        for (uint32_t piece = fan.rayPiece[r]; piece < fan.rayPiece[r + 1]; ++piece) {
          // A piece wholly above the ground of its columns holds nothing solid.
          const auto& box = fan.pieceBox[piece];
          if (centre) {
            // The fan's columns lie inside the copy: the two runs of its level are read
            // straight (no value of Tops lies below the copy's bottom).
            const auto& t = fan.pieceTops[piece];
            const int32_t* level = tops.level[size_t(t[0])];
            if (py + box[2] < std::min(level[column + t[1]], level[column + t[2]])) continue;
          } else if (py + box[2] < tops.Min(px + box[0], px + box[1])) {
            continue;
          }
          const uint32_t k0 = fan.pieceStart[piece], k1 = fan.pieceStart[piece + 1];
          int32_t count = 0;
          if (centre) {
            // Four sums side by side: no pixel waits on the one before.
            const int64_t* steps = fanSteps.data();
            int32_t c1 = 0, c2 = 0, c3 = 0;
            uint32_t k = k0;
            for (; k + 4 <= k1; k += 4) {
              count += centre[steps[k]];
              c1 += centre[steps[k + 1]];
              c2 += centre[steps[k + 2]];
              c3 += centre[steps[k + 3]];
            }
            for (; k < k1; ++k) count += centre[steps[k]];
            count += c1 + c2 + c3;
          } else {
            for (uint32_t k = k0; k < k1; ++k) count += terrain.IsSolid(px + fan.pixels[k][0], py + fan.pixels[k][1]);
          }
          solid += count;
          if (met || count == 0) continue;
          // The first solid pixel of the ray tells how near the ground is that way.
          met = true;
          for (uint32_t k = k0; k < k1; ++k) {
            const auto& o = fan.pixels[k];
            if (centre ? !centre[fanSteps[k]] : !terrain.IsSolid(px + o[0], py + o[1])) continue;
            const double dx = o[0], dy = o[1];
            shelter = 1.0 - (dx * dx + dy * dy) / 10000.0;
            break;
          }
        }
        kept.rayShelter[r] = shelter;
        kept.raySolid[r] = uint8_t(solid);
        kept.have |= 1u << (8 + r);
        ++m_workedOut;
      }
      // Ray by ray, in order, as they were walked: the first solid pixel of each (when
      // there is one) adds to the shelter, every solid pixel to the solidity. Kept with the
      // rays: a ray dropped is worked out again, and the totals with it.
      double shelter = 0.0;
      int32_t solid = 0;
      for (size_t r = 0; r < kRays; ++r) {
        if (kept.raySolid[r]) shelter += kept.rayShelter[r];
        solid += kept.raySolid[r];
      }
      kept.shelterSum = shelter;
      kept.solidSum = solid;
    }
    Node& n = m_nodes[size_t(ni)];
    n.shelter = kept.shelterSum / double(kRays);
    n.solidity = fan.pixels.empty() ? 0.0 : double(kept.solidSum) / double(fan.pixels.size());

    // What the worm would see from here with its weapon (lazy: when a choice needs it).
    if (m_lazyViews) {
      m_viewsDue[size_t(ni)].due = true;
      continue;
    }
    const Vector2 q = Vector2(float(nx), float(ny - 1)) + plan.shotOffset;
    auto view = [&](const std::vector<Vector2>& points) {
      if (points.empty()) return 0.0;
      size_t seen = 0;
      for (const Vector2& e : points)
        if (!SegmentBlocked(memo, q, e)) ++seen;
      return double(seen) / double(points.size());
    };
    n.enemyView = view(plan.enemies);
    n.friendView = view(plan.friends);
  }
}

NavGraph::Arc NavGraph::MakeArc(const Vector2& impulse, double gravity, const Rect& world) {
  Arc arc;
  // A vertical impulse or none at all gives no jump, nor does a world without a pull.
  const double speed = std::hypot(double(impulse.x), double(impulse.y));
  const double angle = std::atan2(-double(impulse.y), std::fabs(double(impulse.x)));
  const double c = std::cos(angle), t = std::tan(angle);
  if (!(std::isfinite(speed) && speed > 0.0 && std::fabs(c) >= 1e-3 && gravity > 0.0 && std::isfinite(gravity)))
    return arc;
  arc.usable = true;
  arc.sx = impulse.x > 0.0f ? 1 : -1;
  arc.width = std::max(0, world.right - world.left);
  const double k = gravity / (2.0 * speed * speed * c * c);
  // Rows further than the world is high from any start are beyond it: above, nothing is
  // met; below, the flight ends.
  const int64_t height = int64_t(world.bottom) - world.top + 2;
  auto rowAt = [&](int i) {
    const double di = double(i);
    const double r = std::floor(-(di * t - k * di * di));
    return int64_t(std::clamp(r, -4e9, 4e9));
  };
  arc.row.reserve(kArcSteps);
  for (int i = 0; i < kArcSteps; ++i) arc.row.push_back(rowAt(i));
  arc.lastRow = -(double(kArcSteps - 1) * t - k * double(kArcSteps - 1) * double(kArcSteps - 1));
  // A pixel just met again is left out: it was not solid then, so it is not now.
  auto add = [&](int64_t x, int64_t y) {
    if (y < -height) return;
    const std::array<int32_t, 2> o{int32_t(x), int32_t(y)};
    auto& met = arc.pixels;
    if (std::find(met.end() - std::min<ptrdiff_t>(ptrdiff_t(met.size()), 8), met.end(), o) != met.end()) return;
    met.push_back(o);
  };
  arc.stepEnd.assign(kArcSteps, 0);
  arc.stepBox.assign(kArcSteps, {0, 0, INT32_MIN});
  arc.reach.assign(kArcSteps, {0, 0, 0, 0});
  auto cover = [](std::array<int64_t, 4>& box, int64_t x, int64_t y) {
    box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x), std::max(box[3], y)};
  };
  cover(arc.reach[1], arc.sx, arc.row[1]);
  // A run that reaches below the world is never passed over.
  arc.runBox.assign(size_t(kArcSteps - 2 + kArcRun - 1) / kArcRun, {INT32_MAX, INT32_MIN, INT32_MIN});
  arc.runReach.assign(arc.runBox.size(), {INT64_MAX, INT64_MAX, INT64_MIN, INT64_MIN});
  for (int i = 2; i < kArcSteps; ++i) {
    if (arc.row[size_t(i)] > height || arc.row[size_t(i - 1)] > height) {
      // Every start is above the world's bottom, so this point is below it: the walk stops.
      for (int r = i; r < kArcSteps; ++r) arc.stepEnd[size_t(r)] = uint32_t(arc.pixels.size());
      for (int r = i; r < kArcSteps; ++r) arc.reach[size_t(r)] = arc.reach[size_t(i - 1)];
      for (size_t r = size_t(i - 2) / kArcRun; r < arc.runBox.size(); ++r) arc.runBox[r][2] = INT32_MAX;
      break;
    }
    const size_t begin = arc.pixels.size();
    LineWalk walk(arc.sx * (i - 1), int32_t(arc.row[size_t(i - 1)]), arc.sx * i, int32_t(arc.row[size_t(i)]));
    add(walk.X(), walk.Y());
    for (int64_t s = 1; s <= walk.StepCount(); ++s) {
      walk.Step();
      add(walk.X(), walk.Y());
    }
    arc.stepEnd[size_t(i)] = uint32_t(arc.pixels.size());
    for (size_t k = begin; k < arc.pixels.size(); ++k)
      arc.offsets.push_back(int64_t(arc.pixels[k][1]) * arc.width + arc.pixels[k][0]);
    auto& box = arc.stepBox[size_t(i)];
    box = {INT32_MAX, INT32_MIN, INT32_MIN};
    for (size_t k = begin; k < arc.pixels.size(); ++k) {
      box[0] = std::min(box[0], arc.pixels[k][0]);
      box[1] = std::max(box[1], arc.pixels[k][0]);
      box[2] = std::max(box[2], arc.pixels[k][1]);
    }
    auto& run = arc.runBox[size_t(i - 2) / kArcRun];
    run = {std::min(run[0], box[0]), std::max(run[1], box[1]), std::max(run[2], box[2])};
    arc.reach[size_t(i)] = arc.reach[size_t(i - 1)];
    cover(arc.reach[size_t(i)], int64_t(arc.sx) * i, arc.row[size_t(i)]);
    for (size_t k = begin; k < arc.pixels.size(); ++k) cover(arc.reach[size_t(i)], arc.pixels[k][0], arc.pixels[k][1]);
    // A run's box holds its steps' points (and the point before its first) and pixels.
    auto& runReach = arc.runReach[size_t(i - 2) / kArcRun];
    cover(runReach, int64_t(arc.sx) * (i - 1), arc.row[size_t(i - 1)]);
    cover(runReach, int64_t(arc.sx) * i, arc.row[size_t(i)]);
    for (size_t k = begin; k < arc.pixels.size(); ++k) cover(runReach, arc.pixels[k][0], arc.pixels[k][1]);
  }
  arc.runTops.assign(arc.runBox.size(), {-1, 0});
  for (size_t r = 0; r < arc.runBox.size(); ++r) {
    const auto& box = arc.runBox[r];
    if (box[0] > box[1]) continue;
    const int level = 63 - __builtin_clzll(uint64_t(int64_t(box[1]) - box[0] + 1));
    arc.runTops[r] = {level, int32_t(int64_t(box[1]) - (int64_t(1) << level) + 1)};
  }
  // The room each side of a step's box needs grows step by step.
  for (size_t side = 0; side < 4; ++side) {
    auto need = [&](int i) { return side < 2 ? -arc.reach[size_t(i)][side] : arc.reach[size_t(i)][side]; };
    const int64_t most = need(kArcSteps - 1);
    std::vector<int16_t>& table = arc.lastWithin[side];
    if (most < 0 || most > (int64_t(1) << 16)) {
      for (auto& t : arc.lastWithin) t.clear();
      break;
    }
    table.assign(size_t(most) + 1, 0);
    int i = 0;
    for (int64_t room = 0; room <= most; ++room) {
      while (i + 1 < kArcSteps && need(i + 1) <= room) ++i;
      table[size_t(room)] = int16_t(i);
    }
  }
  return arc;
}

NavGraph::Fan NavGraph::MakeFan() {
  Fan fan;
  for (size_t i = 0; i < kRays; ++i) {
    const double deg = double(i) / 19.0 * 270.0 + 135.0;
    const double ex = std::floor(kRayLength * std::cos(deg * kRadiansPerDegree));
    const double ey = std::floor(kRayLength * std::sin(deg * kRadiansPerDegree));
    fan.rayStart[i] = uint32_t(fan.pixels.size());
    LineWalk walk(0, 0, int32_t(ex), int32_t(ey));
    fan.pixels.push_back({0, 0});
    for (int64_t s = 1; s <= walk.StepCount(); ++s) {
      walk.Step();
      fan.pixels.push_back({int32_t(walk.X()), int32_t(walk.Y())});
    }
  }
  fan.rayStart[kRays] = uint32_t(fan.pixels.size());
  for (size_t i = 0; i < kRays; ++i) {
    fan.rayPiece[i] = uint32_t(fan.pieceStart.size());
    for (uint32_t k = fan.rayStart[i]; k < fan.rayStart[i + 1]; k += kFanPiece) {
      fan.pieceStart.push_back(k);
      std::array<int32_t, 3> box{INT32_MAX, INT32_MIN, INT32_MIN};
      for (uint32_t j = k; j < std::min(k + kFanPiece, fan.rayStart[i + 1]); ++j) {
        box[0] = std::min(box[0], fan.pixels[j][0]);
        box[1] = std::max(box[1], fan.pixels[j][0]);
        box[2] = std::max(box[2], fan.pixels[j][1]);
      }
      fan.pieceBox.push_back(box);
      const int level = 31 - __builtin_clz(uint32_t(box[1] - box[0] + 1));
      fan.pieceTops.push_back({level, box[0], box[1] - (1 << level) + 1});
    }
  }
  fan.rayPiece[kRays] = uint32_t(fan.pieceStart.size());
  fan.pieceStart.push_back(fan.rayStart[kRays]);
  fan.box = {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (size_t i = 0; i < kRays; ++i) {
    auto& b = fan.rayBox[i];
    b = {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (uint32_t k = fan.rayStart[i]; k < fan.rayStart[i + 1]; ++k) {
      const auto& o = fan.pixels[k];
      b = {std::min(b[0], o[0]), std::min(b[1], o[1]), std::max(b[2], o[0]), std::max(b[3], o[1])};
    }
    fan.box = {std::min(fan.box[0], b[0]), std::min(fan.box[1], b[1]), std::max(fan.box[2], b[2]),
               std::max(fan.box[3], b[3])};
    auto& g = fan.groupBox[i / 5];
    if (i % 5 == 0) g = b;
    g = {std::min(g[0], b[0]), std::min(g[1], b[1]), std::max(g[2], b[2]), std::max(g[3], b[3])};
  }
  return fan;
}

bool NavGraph::SegmentBlocked(const Memo& ground, const Vector2& from, const Vector2& to) {
  if (!(std::isfinite(from.x) && std::isfinite(from.y) && std::isfinite(to.x) && std::isfinite(to.y))) return false;
  LineWalk walk(platform::TruncToInt(from.x), platform::TruncToInt(from.y), platform::TruncToInt(to.x),
                platform::TruncToInt(to.y));
  const Rect& rect = ground.rect;
  const Tops& tops = ground.tops;
  const int32_t* top = tops.levels[0].data();
  const uint8_t* bytes = ground.bytes.data();
  const int64_t width = ground.width;
  // Below the highest ground of its column and inside the copy (whose columns all lie
  // within its rectangle, and whose tops are never above it).
  auto solid = [&](int64_t x, int64_t y) {
    return x >= rect.left && x < rect.right && y >= top[x - rect.left] && y < rect.bottom &&
           bytes[(y - rect.top) * width + (x - rect.left)];
  };
  if (solid(walk.X(), walk.Y())) return true;
  int64_t first = 1, last = 0;
  walk.MajorSpan(rect, first, last);
  if (first > last) return false;
  // In stretches: a stretch wholly above the highest ground of its columns meets nothing
  // (the walk goes one way on each axis, so its ends bound it). The walk stands at each
  // stretch's first step; its last is sought on a copy.
  constexpr int64_t kStretch = 64;
  walk.Seek(first);
  for (int64_t a = first; a <= last; a += kStretch) {
    const int64_t b = std::min(last, a + kStretch - 1);
    LineWalk end = walk;
    end.Seek(b);
    if (std::max(walk.Y(), end.Y()) < tops.Min(std::min(walk.X(), end.X()), std::max(walk.X(), end.X()))) {
      walk = end;
      walk.Step();
      continue;
    }
    if (std::min(walk.X(), end.X()) >= rect.left && std::max(walk.X(), end.X()) < rect.right &&
        std::min(walk.Y(), end.Y()) >= rect.top && std::max(walk.Y(), end.Y()) < rect.bottom) {
      // Inside the copy: each pixel is only held against its column's highest ground and
      // its byte.
      const int64_t left = rect.left, above = rect.top;
      for (int64_t k = a; k <= b; ++k) {
        if (k > a) walk.Step();
        const int64_t x = walk.X() - left, y = walk.Y();
        if (y >= top[x] && bytes[(y - above) * width + x]) return true;
      }
    } else {
      if (solid(walk.X(), walk.Y())) return true;
      for (int64_t k = a + 1; k <= b; ++k) {
        walk.Step();
        if (solid(walk.X(), walk.Y())) return true;
      }
    }
    walk.Step();
  }
  return false;
}

double NavGraph::ViewBound(size_t i, const std::array<double, 5>& f) const {
  const ViewsDue& d = m_viewsDue[i];
  const Node& n = m_nodes[i];
  const size_t enemies = m_viewEnemies.size(), friends = m_viewFriends.size();
  const double e = double(d.enemiesSeen) + (f[2] >= 0.0 ? double(enemies - d.enemies) : 0.0);
  const double fr = double(d.friendsSeen) + (f[3] >= 0.0 ? double(friends - d.friends) : 0.0);
  const double ev = enemies ? e / double(enemies) : 0.0, fv = friends ? fr / double(friends) : 0.0;
  return n.shelter * f[0] + n.solidity * f[1] + ev * f[2] + fv * f[3] + n.crate * f[4];
}

bool NavGraph::TraceViews(size_t i, const std::array<double, 5>& f, int32_t best, double bar) {
  ViewsDue& d = m_viewsDue[i];
  Node& n = m_nodes[i];
  const size_t enemies = m_viewEnemies.size(), friends = m_viewFriends.size();
  const Vector2 q = Vector2(float(n.x), float(n.y - 1)) + m_viewOffset;
  if (d.enemies == 0 && enemies > 0) d.firstEnemy = uint16_t(m_blockedEnemy % enemies);
  while (d.enemies < enemies || d.friends < friends) {
    if (best != kNone) {
      // An equal score loses to the best when it lies earlier in graph order.
      const double bound = ViewBound(i, f);
      if (bound < bar || (bound == bar && int32_t(i) < best)) return false;
    }
    if (d.enemies < enemies) {
      const size_t e = (size_t(d.firstEnemy) + d.enemies) % enemies;
      if (SegmentBlocked(*m_memo, q, m_viewEnemies[e]))
        m_blockedEnemy = uint16_t(e);
      else
        ++d.enemiesSeen;
      ++d.enemies;
    } else {
      d.friendsSeen += !SegmentBlocked(*m_memo, q, m_viewFriends[d.friends]);
      ++d.friends;
    }
  }
  n.enemyView = enemies ? double(d.enemiesSeen) / double(enemies) : 0.0;
  n.friendView = friends ? double(d.friendsSeen) / double(friends) : 0.0;
  d.due = false;
  return true;
}

void NavGraph::Tops::Build() {
  levels.resize(1);
  for (size_t span = 1; span * 2 <= levels[0].size(); span *= 2) {
    const std::vector<int32_t>& below = levels.back();
    std::vector<int32_t> next(below.size() - span);
    for (size_t c = 0; c < next.size(); ++c) next[c] = std::min(below[c], below[c + span]);
    levels.push_back(std::move(next));
  }
  level.fill(nullptr);
  for (size_t k = 0; k < levels.size(); ++k) level[k] = levels[k].data();
}

Vector2 NavGraph::LandArc(const TerrainSnapshot& terrain, const Tops& tops, const Arc& arc, int32_t x, int32_t y,
                          std::array<int64_t, 4>* reach, int* lastStep) {
  const Rect& r = terrain.GetRect();
  const int64_t bottom = int64_t(r.bottom) + 1;
  // The ground met up to step i (and the point given back) is all the answer depends on;
  // a pixel more on every side covers the line walks' last steps.
  auto done = [&](int i, Vector2 at) {
    if (lastStep) *lastStep = i;
    if (reach) {
      const auto& o = arc.reach[size_t(i)];
      const int64_t ax = int64_t(at.x), ay = int64_t(at.y);
      *reach = {std::min(int64_t(x) + o[0], ax) - 2, std::min(int64_t(y) + o[1], ay) - 2,
                std::max(int64_t(x) + o[2], ax) + 2, std::max(int64_t(y) + o[3], ay) + 2};
    }
    return at;
  };
  const uint8_t* bytes = terrain.Bytes();
  const int64_t start = (int64_t(y) - r.top) * terrain.Width() + (int64_t(x) - r.left);
  // The flight's box only grows step by step: up to step `inside` it lies inside the copy,
  // where the bytes of a step are read straight.
  int inside = 1;
  auto within = [&](int i) {
    const auto& c = arc.reach[size_t(i)];
    return int64_t(x) + c[0] >= r.left && int64_t(x) + c[2] < r.right && int64_t(y) + c[1] >= r.top &&
           int64_t(y) + c[3] < r.bottom;
  };
  if (arc.width == terrain.Width() && within(2) && !arc.lastWithin[0].empty()) {
    // Each side's box only grows, so the last step inside is the least of the last steps
    // each side's room allows.
    auto last = [&](size_t side, int64_t room) {
      const std::vector<int16_t>& table = arc.lastWithin[side];
      return room >= int64_t(table.size()) ? kArcSteps - 1 : int(table[size_t(room)]);
    };
    inside = std::min({last(0, int64_t(x) - r.left), last(1, int64_t(y) - r.top), last(2, int64_t(r.right) - 1 - x),
                       last(3, int64_t(r.bottom) - 1 - y)});
  } else if (arc.width == terrain.Width() && within(2)) {
    int lo = 2, hi = kArcSteps - 1;
    while (lo < hi) {
      const int mid = (lo + hi + 1) / 2;
      if (within(mid))
        lo = mid;
      else
        hi = mid - 1;
    }
    inside = lo;
  }
  // From this step on the flight is past the world's side, where it never comes back; a
  // step whose point lies this far below the start is below the world.
  const int64_t side = arc.sx > 0 ? int64_t(r.right) - x : int64_t(x) - r.left + 1;
  const int64_t below = bottom - y;
  uint32_t p = 0;
  const int64_t columns = tops.levels.empty() ? 0 : int64_t(tops.levels[0].size());
  for (int i = 2, run = 0; i < kArcSteps; ++run) {
    const int last = std::min(i + kArcRun, kArcSteps) - 1;
    // A whole run above the ground (and so above the world's bottom) is passed over.
    const auto& box = arc.runBox[size_t(run)];
    const auto& runTops = arc.runTops[size_t(run)];
    // With the run's columns inside the copy, its level's two runs are read straight.
    const int64_t firstColumn = int64_t(x) + box[0] - tops.left;
    const bool within = runTops[0] >= 0 && firstColumn >= 0 && int64_t(x) + box[1] - tops.left < columns;
    if (box[2] != INT32_MAX &&
        int64_t(y) + box[2] < (within ? std::min(tops.level[size_t(runTops[0])][firstColumn],
                                                 tops.level[size_t(runTops[0])][int64_t(x) + runTops[1] - tops.left])
                                      : tops.Min(int64_t(x) + box[0], int64_t(x) + box[1]))) {
      p = arc.stepEnd[size_t(last)];
      if (last >= side)
        return done(last, Vector2(float(int64_t(x) + int64_t(arc.sx) * last), float(int64_t(y) + arc.row[size_t(last)])));
      i = last + 1;
      continue;
    }
    for (; i <= last; ++i) {
      if (i <= inside) {
        // Up to step `inside` the flight lies inside the copy, so above its bottom and short
        // of its sides: the pixels of the run's steps up to there are read straight, as one
        // row of offsets, four at a time until one is solid.
        const int upto = std::min(last, inside);
        const uint32_t stop = arc.stepEnd[size_t(upto)];
        const int64_t* offsets = arc.offsets.data();
        for (; p + 4 <= stop; p += 4)
          if (bytes[start + offsets[p]] | bytes[start + offsets[p + 1]] | bytes[start + offsets[p + 2]] |
              bytes[start + offsets[p + 3]])
            break;
        for (; p < stop; ++p)
          if (bytes[start + offsets[p]]) {
            while (arc.stepEnd[size_t(i)] <= p) ++i;
            const auto& o = arc.pixels[p];
            return done(i, Vector2(float(int64_t(x) + o[0]), float(int64_t(y) + o[1])));
          }
        i = upto;
        continue;
      }
      if (arc.row[size_t(i)] >= below) {
        // Below the world nothing more is met: the last piece ends on its edge.
        const Vector2 from{float(int64_t(x) + int64_t(arc.sx) * (i - 1)), float(int64_t(y) + arc.row[size_t(i - 1)])};
        const Vector2 edge{float(int64_t(x) + int64_t(arc.sx) * i), float(bottom)};
        Vector2 hit;
        const Vector2 at = terrain.TraceSegment(from, edge, &hit) ? hit : edge;
        // The segment's pixels lie between its ends.
        done(i - 1, edge);
        if (lastStep) *lastStep = -1;
        return at;
      }
      const uint32_t end = arc.stepEnd[size_t(i)];
      const auto& step = arc.stepBox[size_t(i)];
      if (p < end && int64_t(y) + step[2] < tops.Min(int64_t(x) + step[0], int64_t(x) + step[1])) p = end;
      for (; p < end; ++p) {
        const auto& o = arc.pixels[p];
        if (terrain.IsSolid(int64_t(x) + o[0], int64_t(y) + o[1]))
          return done(i, Vector2(float(int64_t(x) + o[0]), float(int64_t(y) + o[1])));
      }
      if (i >= side)
        return done(i, Vector2(float(int64_t(x) + int64_t(arc.sx) * i), float(int64_t(y) + arc.row[size_t(i)])));
    }
  }
  return done(kArcSteps - 1,
              Vector2(float(int64_t(x) + int64_t(arc.sx) * (kArcSteps - 1)), float(double(y) + arc.lastRow)));
}

void NavGraph::WeightGraph() {
  // A node's run of walking steps one way, itself included, counted up to 30: a walk step
  // always goes to the next column, whose nodes all come later (right) or earlier (left) in
  // graph order, so each run is the next node's run and one more, known by then.
  std::vector<uint8_t> run(m_nodes.size());
  auto weigh = [&](int along, std::array<int, 4> slots) {
    auto one = [&](size_t i) {
      Node& n = m_nodes[i];
      const int32_t m = n.links[size_t(along)];
      const int k = m == kNone ? 1 : std::min(30, int(run[size_t(m)]) + 1);
      run[i] = uint8_t(k);
      const double factor = k < 10 ? 2.0 : (k < 20 ? 0.5 : 1.0);
      for (int s : slots) n.linkCosts[size_t(s)] = int32_t(double(n.linkCosts[size_t(s)]) * factor);
    };
    if (along == 0)
      for (size_t i = m_nodes.size(); i-- > 0;) one(i);
    else
      for (size_t i = 0; i < m_nodes.size(); ++i) one(i);
  };
  weigh(0, {1, 2, 8, 9});
  weigh(5, {6, 7, 3, 4});
}

void NavGraph::Reset(const std::vector<PlanSnapshot::Crate>& crates) {
  auto inCrate = [](const Node& n, const PlanSnapshot::Crate& c) {
    return std::fabs(double(n.x) - c.centre.x) * 2.0 < c.size.x && std::fabs(double(n.y) - c.centre.y) * 2.0 < c.size.y;
  };
  // With the column index at hand, a crate is looked for only in the columns its box may
  // reach (a pixel more each side); else over every node.
  const bool indexed = !m_columnStart.empty() && m_columnNodes.size() == m_nodes.size();
  for (Node& n : m_nodes) {
    n.cost = 0;
    n.crate = 0.0;
    if (!indexed)
      for (const PlanSnapshot::Crate& c : crates)
        if (inCrate(n, c)) n.crate = 1.0;
    n.inOpen = false;
    n.closed = false;
    n.previous = kNone;
  }
  if (!indexed) return;
  const double first = double(m_left), lastColumn = double(m_left) + double(m_columnStart.size() - 2);
  for (const PlanSnapshot::Crate& c : crates) {
    const double half = double(c.size.x) / 2.0;
    const double lo = std::max(first, std::ceil(double(c.centre.x) - half - 1.0));
    const double hi = std::min(lastColumn, std::floor(double(c.centre.x) + half + 1.0));
    if (!(lo <= hi)) continue;
    for (int64_t x = int64_t(lo); x <= int64_t(hi); ++x) {
      const size_t col = size_t(x - m_left);
      for (uint32_t k = m_columnStart[col]; k < m_columnStart[col + 1]; ++k) {
        Node& n = m_nodes[size_t(m_columnNodes[k][1])];
        if (inCrate(n, c)) n.crate = 1.0;
      }
    }
  }
}

void NavGraph::MarkReachable(int32_t start) {
  // The walk marks a byte per node (a link's far end is looked up there, not in its node)
  // and the marks go to the nodes in order at the end.
  std::vector<uint8_t>& mark = m_reachMark;
  mark.assign(m_nodes.size(), 0);
  if (start != kNone) {
    std::vector<int32_t>& queue = m_reachQueue;
    queue.assign(1, start);
    mark[size_t(start)] = 1;
    for (size_t head = 0; head < queue.size();) {
      const Node& n = m_nodes[size_t(queue[head++])];
      for (int32_t m : n.links)
        if (m != kNone && !mark[size_t(m)]) {
          mark[size_t(m)] = 1;
          queue.push_back(m);
        }
    }
  }
  for (size_t i = 0; i < m_nodes.size(); ++i) m_nodes[i].reachable = mark[i] != 0;
}

int32_t NavGraph::ChooseTarget(int32_t start, const std::array<double, 5>& f) {
  MarkReachable(start);
  int32_t best = kNone;
  double bestScore = 0.0;
  if (!m_viewsDue.empty() && std::all_of(f.begin(), f.end(), [](double v) { return std::isfinite(v); })) {
    // Views due: the nodes whose score is known are weighed first, then the others, each
    // traced only as long as it may still win. The choice is the highest score, the last
    // in graph order on ties, whatever the order they are weighed in.
    auto wins = [&](double score, size_t i) {
      return best == kNone || score > bestScore || (score == bestScore && int32_t(i) > best);
    };
    std::vector<std::pair<double, int32_t>>& due = m_dueOrder;
    due.clear();
    for (size_t i = 0; i < m_nodes.size(); ++i) {
      Node& n = m_nodes[i];
      if (!n.reachable) continue;
      if (m_viewsDue[i].due) {
        due.emplace_back(ViewBound(i, f), int32_t(i));
        continue;
      }
      n.score = n.shelter * f[0] + n.solidity * f[1] + n.enemyView * f[2] + n.friendView * f[3] + n.crate * f[4];
      if (wins(n.score, i)) best = int32_t(i), bestScore = n.score;
    }
    auto weigh = [&](size_t i) {
      if (!TraceViews(i, f, best, bestScore)) return;
      Node& n = m_nodes[i];
      n.score = n.shelter * f[0] + n.solidity * f[1] + n.enemyView * f[2] + n.friendView * f[3] + n.crate * f[4];
      if (wins(n.score, i)) best = int32_t(i), bestScore = n.score;
    };
    // The few that may reach the most first, which sets a bar the rest seldom pass; then
    // the rest from the last in graph order, each passed over while the highest score it
    // may reach loses to the best so far (one weighed already is passed over or weighed
    // again, to the same end).
    std::array<std::pair<double, int32_t>, kFirstWeighed> top;
    size_t count = 0;
    for (const auto& e : due) {
      if (count == top.size() && !(e > top[count - 1])) continue;
      size_t k = count < top.size() ? count++ : count - 1;
      for (; k > 0 && e > top[k - 1]; --k) top[k] = top[k - 1];
      top[k] = e;
    }
    for (size_t k = 0; k < count; ++k)
      if (wins(top[k].first, size_t(top[k].second))) weigh(size_t(top[k].second));
    for (size_t k = due.size(); k-- > 0;)
      if (m_viewsDue[size_t(due[k].second)].due && wins(due[k].first, size_t(due[k].second)))
        weigh(size_t(due[k].second));
    return best;
  }
  for (size_t i = m_nodes.size(); i-- > 0;) {
    Node& n = m_nodes[i];
    if (!n.reachable) continue;
    // A node whose views are due is traced no further than it takes to tell it cannot beat
    // the best so far (an equal score stays behind the later node).
    if (!m_viewsDue.empty() && m_viewsDue[i].due && !TraceViews(i, f, best, bestScore)) continue;
    n.score = n.shelter * f[0] + n.solidity * f[1] + n.enemyView * f[2] + n.friendView * f[3] + n.crate * f[4];
    // Inserted before the first of a lower score: an equal score stays behind the earlier.
    if (best == kNone || n.score > bestScore) best = int32_t(i), bestScore = n.score;
  }
  return best;
}

int32_t NavGraph::Search(int32_t start, int32_t target) {
  // The open set as a heap of (cost, first insertion), one 64-bit key each: the cost (its
  // order kept when moved to unsigned) above the number of the node's first insertion, by
  // which the node is found again. A node goes in again only at a lower cost, so no two
  // keys are equal. An entry whose cost no longer matches its node's is stale and skipped.
  auto key = [](int32_t cost, uint32_t seq) { return uint64_t(uint32_t(cost) ^ 0x80000000u) << 32 | seq; };
  std::vector<uint64_t>& open = m_open;
  std::vector<uint32_t>& seqOf = m_seqOf;
  std::vector<int32_t>& nodeOf = m_nodeOf;
  open.clear();
  nodeOf.clear();
  seqOf.assign(m_nodes.size(), 0);
  m_closedOrder.clear();
  Node& s = m_nodes[size_t(start)];
  s.inOpen = true;
  s.cost = 0;
  seqOf[size_t(start)] = 0;
  nodeOf.push_back(start);
  open.push_back(key(0, 0));
  // A heap of four children to a parent: half as deep as a binary one. The keys are all
  // different, so any heap takes them in the same order.
  auto push = [&](uint64_t k) {
    size_t i = open.size();
    open.push_back(k);
    while (i > 0) {
      const size_t parent = (i - 1) / 4;
      if (!(k < open[parent])) break;
      open[i] = open[parent];
      i = parent;
    }
    open[i] = k;
  };
  auto pop = [&] {
    const uint64_t top = open[0];
    const uint64_t last = open.back();
    open.pop_back();
    const size_t n = open.size();
    if (n == 0) return top;
    size_t i = 0;
    for (;;) {
      const size_t first = 4 * i + 1;
      if (first >= n) break;
      size_t least = first;
      for (size_t c = first + 1; c < std::min(first + 4, n); ++c)
        if (open[c] < open[least]) least = c;
      if (!(open[least] < last)) break;
      open[i] = open[least];
      i = least;
    }
    open[i] = last;
    return top;
  };
  while (!open.empty()) {
    const uint64_t e = pop();
    const int32_t ni = nodeOf[size_t(uint32_t(e))];
    const int32_t cost = int32_t(uint32_t(e >> 32) ^ 0x80000000u);
    Node& n = m_nodes[size_t(ni)];
    if (!n.inOpen || n.cost != cost) continue;
    n.inOpen = false;
    if (ni == target) return target;
    for (int i = 0; i < kLinks; ++i) {
      const int32_t mi = n.links[size_t(i)];
      if (mi == kNone) continue;
      Node& m = m_nodes[size_t(mi)];
      if (m.closed) continue;
      const int32_t c = int32_t(double(n.cost) + double(n.linkCosts[size_t(i)]) - m.crate);
      if (m.inOpen && c > m.cost) continue;
      m.previous = ni;
      if (m.inOpen && c == m.cost) continue;  // same key: its place in the heap stands
      m.cost = c;
      if (!m.inOpen) {
        m.inOpen = true;
        seqOf[size_t(mi)] = uint32_t(nodeOf.size());
        nodeOf.push_back(mi);
      }
      push(key(c, seqOf[size_t(mi)]));
    }
    n.closed = true;
    m_closedOrder.push_back(ni);
  }
  return kNone;
}

int32_t NavGraph::FindPath(int32_t start, int32_t target, const std::vector<PlanSnapshot::Crate>& crates,
                           const std::atomic<bool>* cancel) {
  if (start == kNone || target == kNone) return start;
  if (Cancelled(cancel)) return kNone;
  if (Search(start, target) == target) return target;
  if (Cancelled(cancel)) return kNone;
  const Node& t = m_nodes[size_t(target)];
  int32_t reached = start;
  int64_t best = 2147483647;
  for (size_t k = m_closedOrder.size(); k-- > 0;) {
    const Node& n = m_nodes[size_t(m_closedOrder[k])];
    const int64_t dx = int64_t(n.x) - t.x, dy = int64_t(n.y) - t.y;
    const int64_t d = dx * dx + dy * dy;
    if (d < best) best = d, reached = m_closedOrder[k];
  }
  if (reached == start) return start;
  Reset(crates);
  Search(start, reached);
  return reached;
}

std::vector<RouteStep> NavGraph::BuildRoute(int32_t start, int32_t end, float personX) const {
  std::vector<RouteStep> route;
  if (start == kNone || end == kNone) return route;
  const Node& s = m_nodes[size_t(start)];
  const Node& e = m_nodes[size_t(end)];
  const bool run = std::hypot(double(s.x) - e.x, double(s.y) - e.y) > kRunDistance;
  std::vector<RouteStep> steps;
  size_t guard = 0;
  for (int32_t ni = end; ni != start && guard <= m_nodes.size(); ++guard) {
    const Node& n = m_nodes[size_t(ni)];
    const int32_t pi = n.previous;
    if (pi == kNone) break;
    const Node& p = m_nodes[size_t(pi)];
    int slot = 0;
    for (int i = 0; i < kLinks; ++i)
      if (p.links[size_t(i)] == ni) {
        slot = i;
        break;
      }
    RouteStep step;
    step.to = Vector2(float(n.x), float(n.y));
    step.from = Vector2(float(p.x), float(p.y));
    step.facingRight = slot < 5;
    step.kind = kSlotKind[size_t(slot)];
    step.run = step.kind == 0 && run;
    steps.push_back(step);  // from the end backwards
    ni = pi;
  }
  // steps[0] is the last step of the route. Of a run of equal steps only the last is kept.
  std::vector<RouteStep> kept;
  for (const RouteStep& st : steps) {
    if (!kept.empty()) {
      const RouteStep& after = kept.back();
      if (after.kind == st.kind && after.facingRight == st.facingRight && after.run == st.run) continue;
    }
    kept.push_back(st);
  }
  route.assign(kept.rbegin(), kept.rend());
  if (!route.empty() && !route.front().started && int32_t(route.front().to.x) == int32_t(personX))
    route.erase(route.begin());
  return route;
}

std::vector<RouteStep> NavGraph::Plan(const PlanSnapshot& plan, const std::atomic<bool>* cancel) {
  Reset(plan.crates);
  if (!(std::isfinite(plan.person.x) && std::isfinite(plan.person.y)) || std::fabs(plan.person.x) > 2e9f ||
      std::fabs(plan.person.y) > 2e9f)
    return {};
  const int32_t start = NearestInColumn(int32_t(plan.person.x), int32_t(plan.person.y));
  if (start == kNone) return {};
  int32_t target = ChooseTarget(start, plan.factors);
  if (target != kNone) {
    const Node& s = m_nodes[size_t(start)];
    const Node& t = m_nodes[size_t(target)];
    const double dx = double(s.x) - t.x, dy = double(s.y) - t.y;
    if (dx * dx + dy * dy < 10.0) target = start;
  } else {
    target = start;
  }
  // ChooseTarget has marked what is reachable from the start.
  const int32_t reached = FindPath(start, target, plan.crates, cancel);
  if (reached == kNone || Cancelled(cancel)) return {};
  return BuildRoute(start, reached, plan.person.x);
}
