// The integer line walk of the segment and line traces: from the start pixel, long + 1
// steps along the major axis, each a straight or a diagonal step by an error term, so the
// last step lands one beyond the end. Besides stepping it can tell where any step lands
// and which steps lie inside a rectangle, so far-off ends cost nothing to walk past.
#pragma once

#include <algorithm>
#include <cstdint>

#include "engine/gfxtypes.h"

class LineWalk {
 public:
  LineWalk(int32_t fromX, int32_t fromY, int32_t toX, int32_t toY) : m_x0(fromX), m_y0(fromY) {
    int64_t dx = int64_t(toX) - fromX, dy = int64_t(toY) - fromY;
    m_sx = dx > 0 ? 1 : (dx < 0 ? -1 : 0);
    m_sy = dy > 0 ? 1 : (dy < 0 ? -1 : 0);
    int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    m_xMajor = adx > ady;
    m_long = m_xMajor ? adx : ady;
    m_short = m_xMajor ? ady : adx;
    m_err0 = m_long / 2;
    m_x = m_x0;
    m_y = m_y0;
    m_err = m_err0;
  }

  // Steps are numbered 1 .. StepCount(); step 0 is the start.
  int64_t StepCount() const { return m_long + 1; }
  int64_t X() const { return m_x; }
  int64_t Y() const { return m_y; }

  // One step from the current point.
  void Step() {
    m_err -= m_short;
    if (m_err < 0) {
      m_err += m_long;
      m_x += m_sx;
      m_y += m_sy;
    } else if (m_xMajor) {
      m_x += m_sx;
    } else {
      m_y += m_sy;
    }
  }

  // Puts the walk at step k as if it had stepped there.
  void Seek(int64_t k) {
    int64_t diagonals = Diagonals(k);
    if (m_xMajor) {
      m_x = m_x0 + m_sx * k;
      m_y = m_y0 + m_sy * diagonals;
    } else {
      m_x = m_x0 + m_sx * diagonals;
      m_y = m_y0 + m_sy * k;
    }
    m_err = m_long == 0 ? m_err0 : int64_t(m_err0 - __int128(k) * m_short + __int128(m_long) * diagonals);
  }

  // The steps [first, last] whose major coordinate lies in the rectangle's span on that
  // axis; first > last when there are none. Only these steps can lie inside it.
  void MajorSpan(const Rect& r, int64_t& first, int64_t& last) const {
    int64_t lo = m_xMajor ? r.left : r.top, hi = (m_xMajor ? r.right : r.bottom) - 1;
    int64_t start = m_xMajor ? m_x0 : m_y0;
    int64_t s = m_xMajor ? m_sx : m_sy;
    first = 1;
    last = StepCount();
    if (lo > hi) {
      first = 1, last = 0;
    } else if (s == 0) {
      // No movement on the major axis (a zero-length walk stays on its start pixel).
      if (start < lo || start > hi) first = 1, last = 0;
    } else if (s > 0) {
      first = std::max<int64_t>(first, lo - start);
      last = std::min<int64_t>(last, hi - start);
    } else {
      first = std::max<int64_t>(first, start - hi);
      last = std::min<int64_t>(last, start - lo);
    }
  }

 private:
  // Diagonal steps among the first k: the error term stays in [0, long), so it is the
  // least d >= 0 with err0 - k * short + d * long >= 0.
  int64_t Diagonals(int64_t k) const {
    if (m_long == 0) return 0;
    __int128 need = __int128(k) * m_short - m_err0;
    if (need <= 0) return 0;
    return int64_t((need + m_long - 1) / m_long);
  }

  int64_t m_x0, m_y0;
  int64_t m_sx = 0, m_sy = 0;
  bool m_xMajor = false;
  int64_t m_long = 0, m_short = 0, m_err0 = 0;
  int64_t m_x, m_y, m_err;
};
