// The profile stages: the noise line filled from below, the band between two noise lines
// and the noisy ellipse, both refined and filled column by column.
#include <algorithm>
#include <cmath>
#include <optional>

#include "engine/kvnode.h"
#include "engine/polygonops.h"
#include "platform/numeric.h"
#include "platform/random.h"
#include "platform/text.h"
#include "platform/workers.h"
#include "world/collisionshape.h"
#include "world/landschaft.h"
#include "world/levelsetting.h"
#include "world/lfc_stages.h"
#include "world/lfc_support.h"
#include "world/valuenoise.h"

namespace {

using platform::RandFraction;
using platform::TruncToInt;

constexpr int32_t kProfileOctaves = 50;

// The smallest and largest of the values, from the same starting bounds as the profiles use.
void Range(const std::vector<double>& values, double& lo, double& hi) {
  lo = 2147483647.0;
  hi = -2147483647.0;
  for (double v : values) {
    if (v < lo) lo = v;
    if (v > hi) hi = v;
  }
}

// (v - lo) / (hi - lo); a flat series (every value equal) gives 0: a line at the base height.
double Normalised(double v, double lo, double hi) { return hi > lo ? (v - lo) / (hi - lo) : 0.0; }

// Reads value 0 into both entries and value 1, when given, into the second.
template <class T>
void ReadPair(const KVNode& section, std::u16string_view key, T (&out)[2]) {
  if (section.Read(key, out[0], 0)) out[1] = out[0];
  section.Read(key, out[1], 1);
}

// sign(v) * |v|^e.
double SignedPower(double v, double e) { return v > 0 ? std::pow(v, e) : -std::pow(std::fabs(v), e); }

// Whether an edge counts at column x: half-open in x (min x <= x < max x), so a vertex lying
// on a column is counted once where the outline passes through it and zero or two times at an
// outline's leftmost or rightmost point; a vertical edge never counts.
inline bool EdgeSpansColumn(const Vector2& a, const Vector2& b, float x) {
  return std::min(a.x, b.x) <= x && x < std::max(a.x, b.x);
}

// One column of the fill. The column is followed down from above the whole outline, so the
// parity of "inside" at the rectangle's top counts every crossing above it (an outline may
// rise above the rectangle). Crossings inside the rectangle are counted per row; an odd count
// toggles "inside", and a pixel is flipped while inside and on rows that an even number of
// edges cross. Flipping toggles the layer's alpha and the mask, so shapes that overlap cancel
// out.
struct ColumnFill {
  const std::vector<PolygonEdge>* edges;
  const std::vector<std::vector<uint32_t>>* columnEdges;
  int32_t storeLeft;
  int32_t top, bottom;
  uint32_t maskColour;
  // The grey of each solid pixel from 2D noise (the recipe's shapes), else white.
  const NoiseGrid2* noise;
  int32_t greyMin, greyMax;

  void Run(Landschaft& layer, Landschaft& mask, int32_t x, std::vector<int32_t>& counters) const {
    std::fill(counters.begin(), counters.end(), 0);
    bool inside = false;
    const float fx = float(x);
    const double dTop = top, dBottom = bottom;
    for (uint32_t e : (*columnEdges)[size_t(x - storeLeft)]) {
      const PolygonEdge& edge = (*edges)[e];
      const Vector2& a = *edge.first;
      const Vector2& b = *edge.second;
      if (!EdgeSpansColumn(a, b, fx)) continue;
      const double y = double(a.y) + (double(b.y) - a.y) * ((double(fx) - a.x) / (double(b.x) - a.x));
      if (y < dTop)
        inside = !inside;
      else if (y < dBottom)
        ++counters[size_t(platform::TruncInRange(y - dTop))];
    }
    const uint32_t maskAlpha = maskColour >> 24, maskRgb = maskColour & 0xFFFFFFu;
    std::optional<NoiseGrid2::Column> greys;
    if (noise) greys.emplace(*noise, x);
    for (int32_t y = top; y < bottom; ++y) {
      const int32_t c = counters[size_t(y - top)];
      if (c & 1) inside = !inside;
      if (!(inside || (c != 0 && c % 2 == 0))) continue;
      uint32_t* p = layer.LockedPixel(x, y);
      uint32_t* m = mask.LockedPixel(x, y);
      if (!p || !m) continue;
      const uint32_t alpha = 255u - (*p >> 24);
      uint32_t rgb = *p & 0xFFFFFFu;
      if (alpha != 0) {
        uint32_t grey = 255;
        if (greys) grey = uint32_t(TruncToInt(greys->At(y) * (greyMax - greyMin) + greyMin)) & 0xFFu;

        rgb = grey << 16 | grey << 8 | grey;
      }
      *p = alpha << 24 | rgb;
      *m = ((maskAlpha - (*m >> 24)) & 0xFFu) << 24 | maskRgb;
    }
  }
};

}  // namespace

LFC_Noise::LFC_Noise(const KVNode* section, const LevelSetting* setting, int32_t kind, double scale)
    : LandschaftsFormCreator(section, setting, kind, scale) {
  if (!section) return;
  section->Read(u"PERSISTANCE", m_persistence);
  section->Read(u"SCALE", m_frequency, 0);
  section->Read(u"SCALE", m_amplitude, 1);
  section->Read(u"BASEHEIGHT", m_baseHeight);
}

void LFC_Noise::Randomize(int32_t) {
  m_persistence = (RandFraction() - 0.5) * 2 * 0.25 + 0.5;
  m_frequency = RandFraction() * 10 + 20;
  m_amplitude = (RandFraction() - 0.5) * 2 * 0.2 + 0.3;
  m_baseHeight = (RandFraction() - 0.5) * 2 * 0.125 + 0.6;
}

void LFC_Noise::Apply(Landschaft& layer, Landschaft& mask, MyLoadScreen*) {
  const Rect work = WorkingRect(layer);
  const int32_t width = work.right - work.left, height = work.bottom - work.top;
  const int32_t seed = platform::Rand() + 1;
  if (width <= 0 || height <= 0) return;
  std::vector<double> heights(size_t(width), 0.0);
  // The 50 octaves of each column are the costly part; columns are independent.
  lfc::RunColumnBands(0, width, [&](int32_t first, int32_t end) {
    for (int32_t i = first; i < end; ++i)
      heights[size_t(i)] = NoiseOctaves1(double(i) / width * m_frequency, m_persistence, kOctaves, seed);
  });
  double lo, hi;
  Range(heights, lo, hi);
  const Rect store = layer.GetRect();
  lfc::LockTiles(layer);
  lfc::LockTiles(mask);
  lfc::RunColumnBands(0, width, [&](int32_t firstColumn, int32_t endColumn) {
    for (int32_t i = firstColumn; i < endColumn; ++i) {
      double y = work.top + height * (Normalised(heights[size_t(i)], lo, hi) * m_amplitude + m_baseHeight);
      const int32_t x = work.left + i;
      if (x - work.left < kRampWidth)
        y = (y - work.bottom) * std::sqrt((x - work.left) / kRampWidth) + work.bottom;
      if (work.right - x < kRampWidth)
        y = (y - work.bottom) * std::sqrt((work.right - x) / kRampWidth) + work.bottom;
      if (x < store.left || x >= store.right) continue;
      // Rows from the bottom up while at or below the line; rows outside the store change
      // nothing, so the walk starts and ends inside it.
      const int32_t first = std::min(work.bottom, store.bottom - 1);
      const int32_t last = y <= store.top ? store.top : int32_t(std::ceil(y));
      for (int32_t row = first; row >= last; --row) {
        if (uint32_t* p = layer.LockedPixel(x, row)) *p = 0xFFFFFFFFu;
        if (uint32_t* m = mask.LockedPixel(x, row)) *m = m_maskColour;
      }
    }
  });
}

void LFC_Noise::DescribeParameters(std::u16string& out) const {
  DescribeValue(out, u"persistence", m_persistence);
  DescribeValue(out, u"frequency", m_frequency);
  DescribeValue(out, u"amplitude", m_amplitude);
  DescribeValue(out, u"base", m_baseHeight);
}

LFC_ScanLine::LFC_ScanLine(const KVNode* section, const LevelSetting* setting, int32_t kind, double scale)
    : LandschaftsFormCreator(section, setting, kind, scale) {
  if (!section) return;
  ReadPair(*section, u"PERSISTANCE", m_persistence);
  if (section->Read(u"SCALE", m_frequency[0], 0)) m_frequency[1] = m_frequency[0];
  if (section->Read(u"SCALE", m_amplitude[0], 1)) m_amplitude[1] = m_amplitude[0];
  section->Read(u"SCALE", m_frequency[1], 2);
  section->Read(u"SCALE", m_amplitude[1], 3);
  ReadPair(*section, u"BASEHEIGHT", m_baseHeight);
  ReadPair(*section, u"STEPS", m_steps);
  if (section->Read(u"RANDOM_LOOPS", m_loops[0], 0)) m_loops[1] = m_loops[2] = m_loops[0];
  section->Read(u"RANDOM_LOOPS", m_loops[1], 1);
  section->Read(u"RANDOM_LOOPS", m_loops[2], 2);
  section->Read(u"SMOOTH_VERH", m_smoothRatio);
  section->Read(u"SPLIT_RANDOM", m_splitRange);
}

void LFC_ScanLine::Randomize(int32_t kind) {
  m_maskColour = kOpaqueGreen;
  if (kind != 0) m_colourKey = Grey(kind);
  m_persistence[0] = m_persistence[1] = RandFraction() * 0.25 + 0.15;
  m_frequency[0] = RandFraction() * 20 + 10;
  m_amplitude[0] = RandFraction() * 0.25 + 0.25;
  m_frequency[1] = RandFraction() * 10 + 5;
  m_amplitude[1] = RandFraction() * 0.25 + 0.25;
  m_baseHeight[0] = RandFraction() * 0.3 + 0.45;
  m_baseHeight[1] = RandFraction() * 0.3 + 0.45;
  m_loops[0] = TruncToInt((RandFraction() * 2 + 1) / 2 + 0.5);
  double m = m_loops[0] <= 1 ? RandFraction() * 1 + 1 : 1.0;
  m_loops[1] = TruncToInt(RandFraction() * (m - 1) + 1 + 0.5);
  m = m_loops[0] <= 1 ? RandFraction() * 1 + 4 : 1.0;
  m_loops[2] = TruncToInt(RandFraction() * (m - 1) + 1 + 0.5);
  m_steps[0] = m_steps[1] = TruncToInt(RandFraction() * 10 + 20);
  m_smoothRatio = RandFraction() * 0.25 + 0.125;
  m_splitRange = RandFraction() * 0.6000000000000001 + 0.5;
  const LevelSetting& setting = Setting();
  m_perlin = setting.UsesPerlinNoise(kind);
  if (m_perlin) setting.GetPerlinNoise(kind, m_perlinScaling, m_perlinIterations, m_greyMin, m_greyMax);
}

void LFC_ScanLine::Apply(Landschaft& layer, Landschaft& mask, MyLoadScreen*) {
  const Rect work = WorkingRect(layer);
  const int32_t width = work.right - work.left, height = work.bottom - work.top;
  const int32_t seed = platform::Rand() + 1;
  // An empty rectangle, or an edge of fewer than two points, has no band to fill.
  if (width <= 0 || height <= 0 || m_steps[0] < 2 || m_steps[1] < 2) return;
  std::vector<Vector2> outline;
  for (int edge = 0; edge < 2; ++edge) {
    const int32_t steps = m_steps[edge];
    std::vector<double> v(static_cast<size_t>(steps));
    for (int32_t i = 0; i < steps; ++i) {
      // The lower edge takes its frequency as an offset along the noise, not as a factor.
      const double at = edge == 0 ? double(i) / steps * m_frequency[0] : double(i) / steps + m_frequency[1];
      v[size_t(i)] = NoiseOctaves1(at, m_persistence[edge], kProfileOctaves, seed);
    }
    double lo, hi;
    Range(v, lo, hi);
    auto point = [&](int32_t i) {
      return Vector2(float(work.left + double(i) / steps * width),
                     float(work.top + height * (Normalised(v[size_t(i)], lo, hi) * m_amplitude[edge] +
                                                m_baseHeight[edge])));
    };
    if (edge == 0)
      for (int32_t i = 0; i < steps; ++i) outline.push_back(point(i));
    else
      for (int32_t i = steps - 1; i >= 0; --i) outline.push_back(point(i));
  }
  RefineAndFill(layer, mask, work, std::move(outline));
}

void LFC_ScanLine::RefineAndFill(Landschaft& layer, Landschaft& mask, const Rect& work,
                                 std::vector<Vector2> outline) {
  // The outline as a closed chain: each point joined to the one before, the last to the
  // first.
  PolygonPoints points;
  PolygonEdges edges;
  for (const Vector2& p : outline) points.push_back(std::make_unique<platform::Vector2>(p));
  for (size_t i = 1; i < points.size(); ++i)
    edges.push_back(std::make_unique<PolygonEdge>(PolygonEdge{points[i - 1].get(), points[i].get()}));
  if (!points.empty())
    edges.push_back(std::make_unique<PolygonEdge>(PolygonEdge{points.back().get(), points.front().get()}));
  for (int32_t pass = 0; pass < m_loops[0]; ++pass) {
    for (int32_t i = 0; i < m_loops[1]; ++i)
      PolygonOps::DisplaceMidpoints(edges, points, -m_splitRange, m_splitRange);
    for (int32_t i = 0; i < m_loops[2]; ++i) PolygonOps::CutAllCorners(edges, points, float(m_smoothRatio));
  }

  const Rect store = layer.GetRect();
  const int32_t columns = store.right - store.left;
  if (columns <= 0 || work.bottom <= work.top) return;
  // Each edge is listed at the columns its x extent covers, so a column tests only the edges
  // it can cross; the order of the crossings does not change the counts.
  std::vector<PolygonEdge> edgeList;
  edgeList.reserve(edges.size());
  std::vector<std::vector<uint32_t>> columnEdges(static_cast<size_t>(columns));
  for (const auto& e : edges) {
    const float x0 = std::min(e->first->x, e->second->x), x1 = std::max(e->first->x, e->second->x);
    if (!(x1 > float(store.left) && x0 <= float(store.right - 1))) continue;
    // The columns x0 <= c < x1 (half-open, as the fill counts them).
    const int32_t c0 = std::max(store.left, int32_t(std::ceil(std::max(double(x0), double(store.left)))));
    const int32_t c1 =
        std::min(store.right - 1, int32_t(std::ceil(std::min(double(x1), double(store.right)))) - 1);
    const uint32_t index = uint32_t(edgeList.size());
    edgeList.push_back(*e);
    for (int32_t c = c0; c <= c1; ++c) columnEdges[size_t(c - store.left)].push_back(index);
  }
  std::optional<NoiseGrid2> noise;
  if (m_perlin) noise.emplace(m_perlinScaling, 0.5, m_perlinIterations, 0, work.top, work.bottom);
  const ColumnFill fill{
      &edgeList, &columnEdges, store.left, work.top, work.bottom, m_maskColour, noise ? &*noise : nullptr,
      m_greyMin, m_greyMax};
  // Columns are independent: bands of them run on the workers, each with its own counters.
  lfc::LockTiles(layer);
  lfc::LockTiles(mask);
  const int32_t rows = work.bottom - work.top;
  lfc::RunColumnBands(store.left, columns, [&](int32_t first, int32_t end) {
    std::vector<int32_t> counters(size_t(rows) + 1, 0);
    for (int32_t x = first; x < end; ++x) fill.Run(layer, mask, x, counters);
  });
}

void LFC_ScanLine::DescribeParameters(std::u16string& out) const {
  for (int e = 0; e < 2; ++e) {
    const std::u16string k = e == 0 ? u"0" : u"1";
    DescribeValue(out, u"persistence" + k, m_persistence[e]);
    DescribeValue(out, u"frequency" + k, m_frequency[e]);
    DescribeValue(out, u"amplitude" + k, m_amplitude[e]);
    DescribeValue(out, u"base" + k, m_baseHeight[e]);
    DescribeValue(out, u"steps" + k, m_steps[e]);
  }
  out += platform::FormatW(u", loops=%d,%d,%d", m_loops[0], m_loops[1], m_loops[2]);
  DescribeValue(out, u"smooth", m_smoothRatio);
  DescribeValue(out, u"split", m_splitRange);
  DescribeValue(out, u"perlin", int32_t(m_perlin));
  if (m_perlin) {
    DescribeValue(out, u"scaling", m_perlinScaling);
    DescribeValue(out, u"iterations", m_perlinIterations);
    out += platform::FormatW(u", grey=%d,%d", m_greyMin, m_greyMax);
  }
}

LFC_EleptikScanLine::LFC_EleptikScanLine(const KVNode* section, const LevelSetting* setting, int32_t kind,
                                         double scale)
    : LFC_ScanLine(section, setting, kind, scale) {
  if (!section) return;
  if (section->Read(u"CENTER", m_centre[0], 0)) m_centre[1] = m_centre[0];
  section->Read(u"CENTER", m_centre[1], 1);
  section->Read(u"EXZENTER", m_eccentricity);
}

void LFC_EleptikScanLine::Randomize(int32_t kind) {
  LFC_ScanLine::Randomize(kind);
  const double r1 = RandFraction();
  const double r2 = RandFraction();
  m_centre[0] = float(r2 * 0.19999999999999996 + 0.4);
  m_centre[1] = float(r1 * 0.5 + 0.35);
  m_eccentricity = RandFraction() * 0.5 + 0.25;
  m_maskColour = kOpaqueGreen;
  if (kind != 0) m_colourKey = Grey(kind);
}

void LFC_EleptikScanLine::Apply(Landschaft& layer, Landschaft& mask, MyLoadScreen*) {
  const Rect work = WorkingRect(layer);
  const int32_t width = work.right - work.left, height = work.bottom - work.top;
  const int32_t seed = platform::Rand() + 1;
  const int32_t n = m_steps[0];
  if (width <= 0 || height <= 0 || n < 2) return;
  const Vector2 centre(float(work.left) + float(width) * m_centre[0],
                       float(work.top) + float(height) * m_centre[1]);
  std::vector<double> a(static_cast<size_t>(n)), b(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    a[size_t(i)] = NoiseOctaves1(double(i) / n * m_frequency[0], m_persistence[0], kProfileOctaves, seed);
    b[size_t(i)] = NoiseOctaves1(double(i) / n * m_frequency[1], m_persistence[1], kProfileOctaves, seed);
  }
  double loA, hiA, loB, hiB;
  Range(a, loA, hiA);
  Range(b, loB, hiB);
  std::vector<Vector2> outline;
  outline.reserve(size_t(n));
  for (int32_t i = 0; i < n; ++i) {
    const double angle = double(i) / n * 360 * 0.01745329238474369;
    const double s = SignedPower(std::sin(angle), m_eccentricity);
    const double c = SignedPower(std::cos(angle), m_eccentricity);
    const double q = Normalised(a[size_t(i)], loA, hiA) * s + Normalised(b[size_t(i)], loB, hiB) * c;
    outline.emplace_back(float(centre.x + width * s / 2 * (q * m_amplitude[0] + m_baseHeight[0])),
                         float(centre.y + height * c / 2 * (q * m_amplitude[1] + m_baseHeight[1])));
  }
  RefineAndFill(layer, mask, work, std::move(outline));
}

void LFC_EleptikScanLine::DescribeParameters(std::u16string& out) const {
  LFC_ScanLine::DescribeParameters(out);
  out += platform::FormatW(u", centre=%.9g,%.9g", double(m_centre[0]), double(m_centre[1]));
  DescribeValue(out, u"eccentricity", m_eccentricity);
}
