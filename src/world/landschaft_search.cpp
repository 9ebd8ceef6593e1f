// Terrain searches over one store: surface and ground rows, the nearest change between
// solid and empty, free directions, the ground's tangent and the segment and line traces.
// They only read pixels, so they never lock a tile.
#include <cmath>

#include "world/landschaft.h"
#include "world/linewalk.h"

namespace {

constexpr float kRadiansPerDegree = 0.017453292f;

bool IsFinite(const Vector2& v) { return std::isfinite(v.x) && std::isfinite(v.y); }

Vector2 Turned(float length, float radians) {
  return platform::TransformCoord(Vector2(length, 0.0f), platform::Matrix::RotationZ(radians));
}

}  // namespace

namespace {

// The pixel word at a walk position (64-bit, possibly far outside), or null.
const uint32_t* PeekWalk(const Landschaft& land, int64_t x, int64_t y) {
  if (x < INT32_MIN || x > INT32_MAX || y < INT32_MIN || y > INT32_MAX) return nullptr;
  return land.PeekPixel(int32_t(x), int32_t(y));
}

Vector2 WalkPoint(const LineWalk& w) { return Vector2(float(w.X()), float(w.Y())); }

}  // namespace

bool Landschaft::TraceSegment(const Vector2& from, const Vector2& to, bool stopOutside, Vector2* hit,
                              Vector2* beforeHit, bool invert) const {
  // Ends that are not numbers would make a walk of billions of steps.
  if (!IsFinite(from) || !IsFinite(to)) return false;
  auto blocks = [&](int64_t x, int64_t y) {
    const uint32_t* p = PeekWalk(*this, x, y);
    if (!p) return stopOutside;
    return invert ? IsEmptyPixel(*p) : IsSolidPixel(*p);
  };
  LineWalk walk(platform::TruncToInt(from.x), platform::TruncToInt(from.y), platform::TruncToInt(to.x),
                platform::TruncToInt(to.y));
  if (blocks(walk.X(), walk.Y())) {
    if (hit) *hit = WalkPoint(walk);
    if (beforeHit) *beforeHit = WalkPoint(walk);
    return true;
  }
  // A walk that stops outside ends at the store's edge at the latest. One that goes on
  // through outside pixels can only stop inside, and it is inside only while its major
  // coordinate is within the store's span, so the rest is skipped.
  int64_t first = 1, last = walk.StepCount();
  if (!stopOutside) walk.MajorSpan(m_area, first, last);
  if (first > last) return false;
  walk.Seek(first - 1);
  for (int64_t k = first; k <= last; ++k) {
    Vector2 before = WalkPoint(walk);
    walk.Step();
    if (blocks(walk.X(), walk.Y())) {
      if (hit) *hit = WalkPoint(walk);
      if (beforeHit) *beforeHit = before;
      return true;
    }
  }
  return false;
}

bool Landschaft::TraceLine(const Vector2& from, const Vector2& to, int32_t& pixelCount, int32_t& blockedCount,
                           bool outsideBlocks, Vector2* firstBlocked) const {
  if (!IsFinite(from) || !IsFinite(to)) return false;
  LineWalk walk(platform::TruncToInt(from.x), platform::TruncToInt(from.y), platform::TruncToInt(to.x),
                platform::TruncToInt(to.y));
  // The counters wrap like the 32-bit counters they are rather than overflow.
  uint32_t pixels = uint32_t(pixelCount), blocked = uint32_t(blockedCount);
  bool haveFirst = false;
  auto block = [&](const Vector2& at, uint64_t times) {
    blocked += uint32_t(times);
    if (!haveFirst && times > 0) {
      haveFirst = true;
      if (firstBlocked) *firstBlocked = at;
    }
  };
  auto test = [&](int64_t x, int64_t y) {
    const uint32_t* p = PeekWalk(*this, x, y);
    if (p ? IsSolidPixel(*p) : outsideBlocks) block(Vector2(float(x), float(y)), 1);
  };

  pixels += 1;
  test(walk.X(), walk.Y());
  const int64_t steps = walk.StepCount();
  pixels += uint32_t(steps);

  // Steps outside the store's span on the major axis are all outside; only the span is
  // walked pixel by pixel.
  int64_t first = 1, last = 0;
  walk.MajorSpan(m_area, first, last);
  if (first > last) first = steps + 1, last = steps;
  if (outsideBlocks && first > 1) {
    walk.Seek(1);
    block(WalkPoint(walk), uint64_t(first - 1));
  }
  if (first <= last) {
    walk.Seek(first - 1);
    for (int64_t k = first; k <= last; ++k) {
      walk.Step();
      test(walk.X(), walk.Y());
    }
  }
  if (outsideBlocks && last < steps) {
    walk.Seek(last + 1);
    block(WalkPoint(walk), uint64_t(steps - last));
  }
  pixelCount = int32_t(pixels);
  blockedCount = int32_t(blocked);
  return haveFirst;
}

bool Landschaft::FindSurfaceY(int32_t x, int32_t y, int32_t range, int32_t& row) const {
  // Outside the store's columns no pixel is solid nor empty: nothing can be found.
  if (x < m_area.left || x >= m_area.right) return false;
  // The column's pixel at a row, as PeekPixel finds it, with the column worked out once.
  const int32_t cx = x - m_area.left;
  const size_t column = size_t(cx >> kTileShift);
  const int32_t within = cx & (kTileSize - 1);
  auto pixel = [&](int32_t py) -> const uint32_t* {
    if (py < m_area.top || py >= m_area.bottom) return nullptr;
    const int32_t cy = py - m_area.top;
    return m_grid[size_t(cy >> kTileShift) * size_t(m_columns) + column]->Row(cy & (kTileSize - 1)) + within;
  };
  auto IsSolidAt = [&](int32_t, int32_t py) {
    const uint32_t* p = pixel(py);
    return p && IsSolidPixel(*p);
  };
  auto IsEmptyAt = [&](int32_t, int32_t py) {
    const uint32_t* p = pixel(py);
    return p && IsEmptyPixel(*p);
  };
  bool upSolid = IsSolidAt(x, y);
  bool downEmpty = IsEmptyAt(x, y);
  if (upSolid == downEmpty) return false;
  // Once both probes have left the store for good nothing more can be found.
  int64_t limit = std::max<int64_t>(int64_t(y) - m_area.top, int64_t(m_area.bottom) - y) + 1;
  int64_t end = std::min<int64_t>(range, limit);
  for (int64_t i = 1; i < end; ++i) {
    int32_t upY = int32_t(y - i), downY = int32_t(y + i);
    bool upFree = IsEmptyAt(x, upY);
    bool downGround = IsSolidAt(x, downY);
    if (upFree && upSolid) {
      row = upY;
      return true;
    }
    if (downGround && downEmpty) {
      row = downY;
      return true;
    }
    upSolid = !upFree;
    downEmpty = !downGround;
  }
  return false;
}

bool Landschaft::FindGroundRow(int32_t x, int32_t y, int32_t range, int32_t gap, int32_t& row) const {
  int64_t top = std::max<int64_t>(m_rect.top, int64_t(y) - range);
  int64_t bottom = std::min<int64_t>(m_rect.bottom, int64_t(y) + range);
  if (x < m_rect.left || x > m_rect.right) return false;

  // Upward. Rows below the store are never solid and nothing is counted before the first
  // solid row, so the walk starts at the store's last row.
  bool haveUp = false;
  int64_t up = 0, free = 0;
  for (int64_t r = std::min<int64_t>(y, int64_t(m_rect.bottom) - 1); r >= top; --r) {
    if (IsSolidAt(x, int32_t(r))) {
      up = r;
      haveUp = true;
      free = 0;
    } else {
      ++free;
      if (haveUp && free > gap) {
        up = r + free;
        break;
      }
    }
  }

  // Downward, from gap rows above y. Rows above the store only add to the free run.
  bool haveDown = false;
  int64_t down = 0;
  free = 0;
  int64_t r = int64_t(y) - gap;
  if (r < m_rect.top && bottom > m_rect.top) {
    free += m_rect.top - r;
    r = m_rect.top;
  }
  for (; r < bottom; ++r) {
    if (!IsSolidAt(x, int32_t(r))) {
      ++free;
    } else if (free > gap) {
      down = r;
      haveDown = true;
      break;
    } else {
      free = 0;
    }
  }

  if (!haveUp && !haveDown) return false;
  if (haveUp && haveDown)
    row = int32_t(std::llabs(down - y) >= std::llabs(up - y) ? up : down);
  else
    row = int32_t(haveUp ? up : down);
  return true;
}

bool Landschaft::NearestCrossing(Vector2& point, int32_t radius, int32_t rayCount) const {
  const uint32_t* start = PeekPixel(point.x, point.y);
  if (!start) return false;
  bool startSolid = IsSolidPixel(*start);
  Vector2 best = point;
  float bestDistance = 2147483647.0f;
  for (int32_t i = 0; i < rayCount; ++i) {
    float degrees = float(i) / float(rayCount) * 360.0f;
    Vector2 end = point + Turned(float(radius), degrees * kRadiansPerDegree);
    Vector2 crossing;
    bool crossed = startSolid ? TraceSegment(point, end, true, &crossing, nullptr, true)
                              : TraceSegment(point, end, true, nullptr, &crossing, false);
    if (!crossed) continue;
    // The best distance follows the best hit, so the point moves to the nearest crossing of
    // all rays. Left at its start value every hit would qualify and the last ray would win,
    // moving the point to an arbitrary side (the surface searches and the objects aligned to
    // the ground start from this point).
    float distance = (crossing - point).LengthSq();
    if (distance < bestDistance) {
      best = crossing;
      bestDistance = distance;
    }
  }
  point = best;
  return true;
}

Vector2 Landschaft::FreeDirectionAt(const Vector2& point, int32_t range, int32_t length) const {
  Vector2 q = point;
  if (!NearestCrossing(q, range, 8)) return Vector2(1.0f, 0.0f);
  bool blocked[360];
  int count = 0;
  for (int a = 0; a < 360; ++a) {
    Vector2 end = q + Turned(float(length), float(a) * kRadiansPerDegree);
    blocked[a] = TraceSegment(q, end, true, nullptr, nullptr, false);
    if (blocked[a]) ++count;
  }
  if (count == 0 || count >= 359) return Vector2(1.0f, 0.0f);

  // Free arcs in the order found; lo may be negative and hi above 359 where one wraps.
  struct Arc {
    int lo, hi;
  };
  Arc arcs[360];
  int arcCount = 0;
  bool taken[360] = {};
  for (int a = 0; a < 360; ++a) {
    if (blocked[a] || taken[a]) continue;
    Arc arc{a, a};
    taken[a] = true;
    bool lowOpen = true, highOpen = true;
    for (int k = 1; k < 360 && (lowOpen || highOpen); ++k) {
      if (lowOpen) {
        int d = (a - k + 360) % 360;
        if (blocked[d]) {
          lowOpen = false;
        } else {
          arc.lo = a - k;
          taken[d] = true;
        }
      }
      if (highOpen) {
        int d = (a + k) % 360;
        if (blocked[d]) {
          highOpen = false;
        } else {
          arc.hi = a + k;
          taken[d] = true;
        }
      }
    }
    arcs[arcCount++] = arc;
  }
  Arc merged = arcs[0];
  for (int i = 1; i < arcCount; ++i)
    if (arcs[i].lo - merged.hi < 20) merged.hi = arcs[i].hi;

  float middle = float(merged.lo + merged.hi) / 2.0f;
  Vector2 d = Turned(1.0f, middle * kRadiansPerDegree);
  return Vector2(-d.y, d.x);
}

Vector2 Landschaft::SurfaceTangentAt(const Vector2& point, int32_t range, int32_t width) const {
  float leftSum = point.y, rightSum = point.y;
  int32_t leftCount = 0, rightCount = 0;
  bool leftActive = true, rightActive = true;
  int32_t y = platform::TruncToInt(point.y);
  for (int32_t i = 1; i < width && (leftActive || rightActive); ++i) {
    int32_t row = 0;
    if (leftActive) {
      if (FindSurfaceY(platform::TruncToInt(point.x - float(i)), y, range, row)) {
        leftSum += float(row);
        ++leftCount;
      } else {
        leftActive = false;
      }
    }
    if (rightActive) {
      if (FindSurfaceY(platform::TruncToInt(point.x + float(i)), y, range, row)) {
        rightSum += float(row);
        ++rightCount;
      } else {
        rightActive = false;
      }
    }
  }
  float leftMean = leftCount > 0 ? leftSum / float(leftCount + 1) : point.y;
  float rightMean = rightCount > 0 ? rightSum / float(rightCount + 1) : point.y;
  return platform::Normalize(Vector2(float(width), rightMean - leftMean));
}
