// Corner cutting and midpoint displacement of outlines.
#include "engine/polygonops.h"

#include <algorithm>

#include "platform/random.h"

using platform::Vector2;

namespace {

// The lowest edge index whose end (first or second) is p, or edges.size().
size_t FindEdge(const PolygonEdges& edges, const Vector2* p, Vector2* PolygonEdge::*end) {
  for (size_t i = 0; i < edges.size(); ++i)
    if ((*edges[i]).*end == p) return i;
  return edges.size();
}

}  // namespace

bool PolygonOps::CutCorner(size_t pointIndex, PolygonEdges& edges, PolygonPoints& points, float t,
                           bool append) {
  if (pointIndex >= points.size()) return false;
  Vector2* p = points[pointIndex].get();
  const size_t outIndex = FindEdge(edges, p, &PolygonEdge::first);
  const size_t inIndex = FindEdge(edges, p, &PolygonEdge::second);
  if (outIndex == edges.size() || inIndex == edges.size()) return false;
  PolygonEdge& outgoing = *edges[outIndex];
  PolygonEdge& incoming = *edges[inIndex];

  // p leaves the list now but is freed only at the end: the arithmetic below still reads it.
  std::unique_ptr<Vector2> removed = std::move(points[pointIndex]);
  points.erase(points.begin() + ptrdiff_t(pointIndex));

  auto q1 = std::make_unique<Vector2>(*p + (*outgoing.second - *p) * t);
  outgoing.first = q1.get();
  Vector2* q1Raw = q1.get();
  if (append)
    points.push_back(std::move(q1));
  else
    points.insert(points.begin() + ptrdiff_t(pointIndex), std::move(q1));

  auto q2 = std::make_unique<Vector2>(*incoming.first + (*p - *incoming.first) * (1.0f - t));
  incoming.second = q2.get();
  Vector2* q2Raw = q2.get();
  if (append)
    points.push_back(std::move(q2));
  else
    points.insert(points.begin() + ptrdiff_t(pointIndex) + 1, std::move(q2));

  auto joint = std::make_unique<PolygonEdge>(PolygonEdge{q2Raw, q1Raw});
  if (append)
    edges.push_back(std::move(joint));
  else
    edges.insert(edges.begin() + ptrdiff_t(outIndex), std::move(joint));
  return true;
}

void PolygonOps::CutAllCorners(PolygonEdges& edges, PolygonPoints& points, float t) {
  const size_t count = points.size();
  for (size_t i = 0; i < count; ++i) CutCorner(0, edges, points, t, true);
}

bool PolygonOps::SplitEdge(size_t edgeIndex, PolygonEdges& edges, PolygonPoints& points, bool append,
                           Vector2** newPoint, Vector2* normal) {
  if (edgeIndex >= edges.size()) return false;
  Vector2* a = edges[edgeIndex]->first;
  Vector2* b = edges[edgeIndex]->second;
  auto m = std::make_unique<Vector2>((*a + *b) / 2.0f);
  const Vector2 h = (*a - *b) / 2.0f;
  Vector2* mRaw = m.get();
  if (normal) *normal = Vector2(-h.y, h.x);
  if (newPoint) *newPoint = mRaw;

  auto at = std::find_if(points.begin(), points.end(), [a](const auto& q) { return q.get() == a; });
  if (append || at == points.end())
    points.push_back(std::move(m));
  else
    points.insert(at, std::move(m));

  edges.erase(edges.begin() + ptrdiff_t(edgeIndex));
  auto firstHalf = std::make_unique<PolygonEdge>(PolygonEdge{a, mRaw});
  auto secondHalf = std::make_unique<PolygonEdge>(PolygonEdge{mRaw, b});
  if (append) {
    edges.push_back(std::move(firstHalf));
    edges.push_back(std::move(secondHalf));
  } else {
    edges.insert(edges.begin() + ptrdiff_t(edgeIndex), std::move(firstHalf));
    edges.insert(edges.begin() + ptrdiff_t(edgeIndex), std::move(secondHalf));
  }
  return true;
}

void PolygonOps::DisplaceMidpoints(PolygonEdges& edges, PolygonPoints& points, double minimum,
                                   double maximum) {
  for (size_t k = edges.size(); k-- > 0;) {
    Vector2* m = nullptr;
    Vector2 normal;
    SplitEdge(k, edges, points, true, &m, &normal);
    const double f = platform::Rand() / 32767.0 * (maximum - minimum) + minimum;
    *m += normal * float(f);
  }
}
