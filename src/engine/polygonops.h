// Refinement of closed outlines held as a list of points and a list of edges: corner
// cutting rounds an outline, midpoint displacement roughens it. The scan-line landscape
// stages and the wobbly path animations use both; the order in which points and edges are
// inserted and appended is part of the result (later passes and random draws follow it).
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "platform/math2d.h"

// An edge of an outline from its first to its second point. The points belong to the
// outline's point list; the edges alone carry the shape (the order of the points does not).
struct PolygonEdge {
  platform::Vector2* first = nullptr;
  platform::Vector2* second = nullptr;
};

using PolygonPoints = std::vector<std::unique_ptr<platform::Vector2>>;
using PolygonEdges = std::vector<std::unique_ptr<PolygonEdge>>;

class PolygonOps {
 public:
  // Replaces the point at pointIndex by two points: q1 a fraction t along its outgoing edge
  // and q2 a fraction 1 - t along its incoming edge (seen from that edge's start), joined by
  // a new edge (q2, q1). Without append, q1 and q2 take the point's place in the list and
  // the new edge goes where the outgoing edge was; with append all three go to the ends.
  // False (nothing changed) when the point lacks an outgoing or an incoming edge.
  static bool CutCorner(size_t pointIndex, PolygonEdges& edges, PolygonPoints& points, float t, bool append);

  // Cuts every point present before the pass once, always the point at index 0, appending.
  static void CutAllCorners(PolygonEdges& edges, PolygonPoints& points, float t);

  // Splits the edge (a, b) at its middle m into (a, m) and (m, b); normal is
  // (-h.y, h.x) with h = (a - b) / 2. Without append, m goes before a in the point list and
  // (m, b) then (a, m) take the edge's index; with append, m and then (a, m), (m, b) are
  // appended. False for an index outside the list.
  static bool SplitEdge(size_t edgeIndex, PolygonEdges& edges, PolygonPoints& points, bool append,
                        platform::Vector2** newPoint, platform::Vector2* normal);

  // Splits every edge once, from the last to the first, and moves each new point by
  // f * normal with f = r / 32767 * (maximum - minimum) + minimum: one draw r of the game's
  // random generator per edge, in that order.
  static void DisplaceMidpoints(PolygonEdges& edges, PolygonPoints& points, double minimum, double maximum);
};
