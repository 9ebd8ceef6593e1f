// Path generation and following.
#include "engine/pfadanimation.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/contentlimits.h"
#include "engine/kvnode.h"
#include "engine/polygonops.h"
#include "platform/numeric.h"
#include "platform/random.h"

namespace {

constexpr double kDegreesToRadians = 0.01745329238474369;

bool ReadIntRect(const KVNode* node, Rect& rect) {
  const KVNode* child = node->GetChild(0, u"RECT");
  if (!child || child->GetValueCount() < 4) return false;
  rect = {child->GetValue(0)->AsInt(), child->GetValue(1)->AsInt(), child->GetValue(2)->AsInt(),
          child->GetValue(3)->AsInt()};
  return true;
}

// A count of passes given as a number, truncated; each pass doubles the points.
void ReadPasses(const KVNode* node, std::u16string_view key, int32_t& out) {
  double value = 0.0;
  if (node->Read(key, value)) out = content::Clamp(platform::TruncToInt(value), 0, content::kMaxPathPasses, key);
}

void ReadPoints(const KVNode* node, int32_t& out) {
  content::ReadCount(*node, u"ANZ_PUNKTE", out, 0, content::kMaxPathPoints);
}

struct Box {
  float minX, minY, maxX, maxY;
};

Box BoundsOf(const std::vector<Vector2>& points) {
  Box b{points[0].x, points[0].y, points[0].x, points[0].y};
  for (const Vector2& p : points) {
    b.minX = std::min(b.minX, p.x);
    b.minY = std::min(b.minY, p.y);
    b.maxX = std::max(b.maxX, p.x);
    b.maxY = std::max(b.maxY, p.y);
  }
  return b;
}

}  // namespace

PfadAnimation::PfadAnimation(const KVNode* node) {
  if (!node) return;
  node->Read(u"NAME", m_name);
  node->Read(u"LOOP", m_loop);
  node->Read(u"WELD", m_weld);
  node->Read(u"LINEAR", m_linear);
  if (node->Read(u"SPEED", m_baseSpeed)) m_speed = m_baseSpeed;

  if (const KVNode* band = node->GetChild(0, u"CREATE_RANDOM_WOLKE")) {
    m_count = 0;
    m_layer = 0;
    ReadPoints(band, m_count);
    band->Read(u"EBENE", m_layer);
    band->Read(u"H\u00D6HE", m_height[0], 0);
    band->Read(u"H\u00D6HE", m_height[1], 1);
    m_kind = kBand;
  } else if (const KVNode* cloud = node->GetChild(0, u"CREATE_RANDOM_RAND")) {
    Rect area;
    int32_t count = 4;
    ReadIntRect(cloud, area);
    ReadPoints(cloud, count);
    CreateCloud(area, count);
  } else if (const KVNode* outline = node->GetChild(0, u"CREATE_RANDOM_PERLIN")) {
    Rect area;
    int32_t count = 4, splitPasses = 1, smoothPasses = 1;
    double smooth = 0.25, split = 0.5;
    ReadIntRect(outline, area);
    ReadPoints(outline, count);
    outline->Read(u"SMOOTH", smooth);
    outline->Read(u"SPLIT", split);
    ReadPasses(outline, u"ANZ_SPLIT", splitPasses);
    ReadPasses(outline, u"ANZ_SMOOTH", smoothPasses);
    CreateOutline(area, count, smooth, split, splitPasses, smoothPasses);
  }

  if (const KVNode* given = node->GetChild(0, u"CREATE_MANUELL")) {
    for (unsigned i = 0; const KVNode* point = given->GetChild(i, u"POINT"); ++i) {
      // A point needs both of its coordinates.
      if (point->GetValueCount() < 2) continue;
      m_points.emplace_back(float(point->GetValue(0)->AsDouble()), float(point->GetValue(1)->AsDouble()));
    }
  }
}

void PfadAnimation::CreateCloud(const Rect& area, int32_t count) {
  m_points.clear();
  for (int32_t i = 0; i < count; ++i) {
    // The y of each point is drawn before its x.
    const double ry = platform::RandFraction();
    const double y = ry * double(int64_t(area.bottom) - area.top) + double(area.top);
    const double rx = platform::RandFraction();
    const double x = rx * double(int64_t(area.right) - area.left) + double(area.left);
    m_points.emplace_back(float(x), float(y));
  }
  m_count = count;
  m_speed = m_baseSpeed;
  m_kind = kCloud;
}

void PfadAnimation::CreateBand(const Rect& area, int32_t count, int32_t layer) {
  m_layer = layer;
  m_count = count;
  m_points.clear();
  // Every y is a fresh draw in 0 .. 1, spread over the band by the fit below; the ends hang
  // 100 pixels outside the area until the fit pulls them back to its edges.
  // Sums in 64 bits: extreme areas and heights from a file cannot overflow.
  m_points.emplace_back(float(int64_t(area.left) - 100), float(platform::RandFraction()));
  for (int32_t i = 1; i <= count; ++i) {
    const float x = float(int64_t(area.right) - area.left) / float(count + 1) * float(i) + float(area.left);
    m_points.emplace_back(float(platform::TruncToInt(x)), float(platform::RandFraction()));
  }
  m_points.emplace_back(float(int64_t(area.right) + 100), float(platform::RandFraction()));
  FitInto({area.left, platform::Saturate(int64_t(area.top) + m_height[0]), area.right,
           platform::Saturate(int64_t(area.top) + m_height[1])});
  m_speed = m_baseSpeed;
  // A random start anywhere on the path: r1 first, then r2.
  const double r1 = platform::RandFraction();
  const double r2 = platform::RandFraction();
  m_t = r1 * double(m_points.size()) + r2;
  // Farther layers drift slower: layer 1 at 0.75, layer 2 at 0.5 of the base speed.
  if (layer != 0) m_speed = (1.0 - double(layer) / 4.0) * m_baseSpeed;
  m_kind = kBand;
}

void PfadAnimation::CreateOutline(const Rect& area, int32_t count, double smooth, double split,
                                  int32_t splitPasses, int32_t smoothPasses) {
  PolygonPoints points;
  PolygonEdges edges;
  for (int32_t i = 0; i < count; ++i) {
    const double theta = double(i) / double(count) * 360.0 * kDegreesToRadians;
    points.push_back(std::make_unique<Vector2>(float(std::sin(theta)), float(std::cos(theta))));
  }
  for (int32_t i = 1; i < count; ++i)
    edges.push_back(
        std::make_unique<PolygonEdge>(PolygonEdge{points[size_t(i - 1)].get(), points[size_t(i)].get()}));
  if (count > 0)
    edges.push_back(std::make_unique<PolygonEdge>(PolygonEdge{points.back().get(), points.front().get()}));

  for (int32_t i = 0; i < splitPasses; ++i) PolygonOps::DisplaceMidpoints(edges, points, -split, split);
  for (int32_t i = 0; i < smoothPasses; ++i) PolygonOps::CutAllCorners(edges, points, float(smooth));

  // The outline in walking order: from edge 0 along the edges (each found by its start,
  // searching from the last edge down) until the walk is back at edge 0. A broken outline
  // ends the walk early instead of going round for ever.
  m_points.clear();
  if (!edges.empty()) {
    size_t current = 0;
    for (size_t steps = 0; steps < edges.size(); ++steps) {
      m_points.push_back(*edges[current]->first);
      const Vector2* end = edges[current]->second;
      size_t next = edges.size();
      for (size_t k = edges.size(); k-- > 0;)
        if (edges[k]->first == end) {
          next = k;
          break;
        }
      if (next == edges.size() || next == 0) break;
      current = next;
    }
  }

  m_smooth = smooth;
  m_split = split;
  m_count = count;
  m_splitPasses = splitPasses;
  m_smoothPasses = smoothPasses;
  FitInto(area);
  m_speed = m_baseSpeed;
  m_kind = kOutline;
}

void PfadAnimation::Regenerate(const Rect* area) {
  if (m_kind == kNone) return;
  Rect box;
  if (area) {
    box = *area;
  } else {
    if (m_points.empty()) return;
    box = GetBounds();
  }
  switch (m_kind) {
    case kCloud:
      CreateCloud(box, m_count);
      break;
    case kOutline:
      CreateOutline(box, m_count, m_smooth, m_split, m_splitPasses, m_smoothPasses);
      break;
    case kBand:
      CreateBand(box, m_count, m_layer);
      break;
    default:
      break;
  }
}

void PfadAnimation::FitInto(const Rect& area) {
  if (m_points.empty()) return;
  const Box b = BoundsOf(m_points);
  const float width = b.maxX - b.minX, height = b.maxY - b.minY;
  const float areaWidth = float(int64_t(area.right) - area.left);
  const float areaHeight = float(int64_t(area.bottom) - area.top);
  // A box without width or height would divide by zero; its points go to the area's middle.
  const float middleX = float(area.left) + areaWidth / 2.0f;
  const float middleY = float(area.top) + areaHeight / 2.0f;
  for (Vector2& p : m_points) {
    p.x = width > 0.0f ? (p.x - b.minX) / width * areaWidth + float(area.left) : middleX;
    p.y = height > 0.0f ? (p.y - b.minY) / height * areaHeight + float(area.top) : middleY;
  }
}

void PfadAnimation::CenterOn(const Vector2& c) {
  if (m_points.empty()) return;
  const Box b = BoundsOf(m_points);
  const Vector2 middle((b.minX + b.maxX) / 2.0f, (b.minY + b.maxY) / 2.0f);
  for (Vector2& p : m_points) p = p - middle + c;
}

Rect PfadAnimation::GetBounds() const {
  if (m_points.empty()) return {};
  const Box b = BoundsOf(m_points);
  return {platform::TruncToInt(b.minX), platform::TruncToInt(b.minY), platform::TruncToInt(b.maxX),
          platform::TruncToInt(b.maxY)};
}

void PfadAnimation::SetLayer(int32_t layer) {
  m_layer = layer;
  Regenerate(nullptr);
}

void PfadAnimation::ControlPoints(int32_t n, int32_t out[4]) const {
  int32_t i = platform::TruncToInt(m_t) % n;
  if (i < 0) i += n;
  // An index past the last point is reflected back from the end.
  auto fromEnd = [n](int32_t k) { return k < n ? k : (n - 1) - (k % n); };
  if (m_loop && m_weld) {
    out[0] = (i - 1 + n) % n;
    out[1] = i;
    out[2] = (i + 1) % n;
    out[3] = (i + 2) % n;
  } else if (m_loop) {
    out[0] = std::max(i - 1, 0);
    out[1] = i;
    out[2] = std::min(i + 1, n - 1);
    out[3] = std::min(i + 2, n - 1);
  } else if (m_forward) {
    out[0] = std::abs(i - 1);
    out[1] = i;
    out[2] = fromEnd(i + 1);
    out[3] = fromEnd(i + 2);
  } else {
    const int32_t j = (n - (i + 1)) % n;
    out[0] = fromEnd(j + 1);
    out[1] = j;
    out[2] = std::abs(j - 1);
    out[3] = std::abs(j - 2);
  }
  // With two points or fewer the reflections can still point past the end.
  for (int k = 0; k < 4; ++k) out[k] = std::clamp(out[k], 0, n - 1);
}

Vector2 PfadAnimation::Evaluate() {
  const int32_t n = int32_t(m_points.size());
  if (n == 0) {
    m_direction = {};
    return {};
  }
  if (n == 1) {
    m_direction = {};
    return m_points[0];
  }
  int32_t index[4];
  ControlPoints(n, index);
  const Vector2& p0 = m_points[size_t(index[0])];
  const Vector2& p1 = m_points[size_t(index[1])];
  const Vector2& p2 = m_points[size_t(index[2])];
  const Vector2& p3 = m_points[size_t(index[3])];

  m_segmentLength = double((p2 - p1).Length());
  if (m_segmentLength == 0.0) m_segmentLength = m_stepSpeed;
  const double f = m_t - std::trunc(m_t);
  m_stepSpeed = m_speed;

  Vector2 point, ahead;
  if (!m_linear) {
    point = platform::CatmullRom(p0, p1, p2, p3, float(f));
    ahead = platform::CatmullRom(p0, p1, p2, p3, float(f + 0.01));
  } else {
    point = p1 + (p2 - p1) * float(f);
    ahead = p1 + (p2 - p1) * float(f + 0.01);
  }
  m_direction = m_halt > 0.0 ? Vector2() : platform::Normalize(ahead - point) * float(m_stepSpeed);
  return point;
}

void PfadAnimation::Update(double step) {
  if (m_segmentLength != 0.0) m_t += step * m_stepSpeed / m_segmentLength;
  if (!m_loop) {
    const double last = double(int64_t(m_points.size()) - 1);
    if (m_t >= last || m_t < 0.0) {
      // The walker turns at either end and starts again from the end it has reached.
      m_forward = !m_forward;
      m_t = 0.0;
    }
  }
  m_position = Evaluate();
}
