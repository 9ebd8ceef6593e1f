// Outline refinement: exact point and edge lists after corner cutting and midpoint
// displacement, including the list order and the random draws.
#include "engine/polygonops.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/random.h"

using platform::Vector2;

namespace {

struct Outline {
  PolygonPoints points;
  PolygonEdges edges;
};

// Edge i runs from point i - 1 to point i, and a last edge closes the outline (or, for an
// open chain, is left out).
Outline MakeOutline(const std::vector<Vector2>& corners, bool closed = true) {
  Outline o;
  for (const Vector2& c : corners) o.points.push_back(std::make_unique<Vector2>(c));
  for (size_t i = 1; i < o.points.size(); ++i)
    o.edges.push_back(std::make_unique<PolygonEdge>(PolygonEdge{o.points[i - 1].get(), o.points[i].get()}));
  if (closed)
    o.edges.push_back(std::make_unique<PolygonEdge>(PolygonEdge{o.points.back().get(), o.points[0].get()}));
  return o;
}

std::vector<Vector2> Points(const Outline& o) {
  std::vector<Vector2> out;
  for (const auto& p : o.points) out.push_back(*p);
  return out;
}

// Each edge as the indices of its two points in the point list (-1 for a point not held).
std::vector<std::pair<int, int>> Edges(const Outline& o) {
  auto index = [&](const Vector2* p) {
    for (size_t i = 0; i < o.points.size(); ++i)
      if (o.points[i].get() == p) return int(i);
    return -1;
  };
  std::vector<std::pair<int, int>> out;
  for (const auto& e : o.edges) out.emplace_back(index(e->first), index(e->second));
  return out;
}

uint32_t StateAfterDraws(uint32_t seed, int draws) {
  platform::SRand(seed);
  for (int i = 0; i < draws; ++i) platform::Rand();
  return platform::RandState();
}

}  // namespace

std::ostream& operator<<(std::ostream& os, const Vector2& v) {
  return os << "(" << v.x << ", " << v.y << ")";
}

TEST(PolygonOps, RefinedOutlinesForAFixedSeed) {
  const std::vector<Vector2> square = {{0, 0}, {4, 0}, {4, 4}, {0, 4}};
  const std::vector<Vector2> triangle = {{0, 0}, {10, 0}, {3, 7}};
  struct Case {
    const char* name;
    std::vector<Vector2> corners;
    uint32_t seed;
    int draws;
    std::function<void(Outline&)> refine;
    std::vector<Vector2> points;
    std::vector<std::pair<int, int>> edges;
  } cases[] = {
      // Each corner is cut against the edges as they are by then, so the corners cut later
      // see the shortened edges of the earlier cuts.
      {"square, corners cut at 0.25",
       square,
       1,
       0,
       [](Outline& o) { PolygonOps::CutAllCorners(o.edges, o.points, 0.25f); },
       {{1, 0}, {0, 1}, {4, 1}, {3.25f, 0}, {3, 4}, {4, 3.25f}, {0, 3.25f}, {0.75f, 4}},
       {{0, 3}, {2, 5}, {4, 7}, {6, 1}, {1, 0}, {3, 2}, {5, 4}, {7, 6}}},
      {"triangle, corners cut at 0.3",
       triangle,
       1,
       0,
       [](Outline& o) { PolygonOps::CutAllCorners(o.edges, o.points, 0.3f); },
       {{3.0f, 0.0f},
        {0.9000000953674316f, 2.0999999046325684f},
        {7.899999618530273f, 2.1000001430511475f},
        {7.900000095367432f, 0.0f},
        {2.369999885559082f, 5.529999732971191f},
        {4.470000267028809f, 5.529999732971191f}},
       {{0, 3}, {2, 5}, {4, 1}, {1, 0}, {3, 2}, {5, 4}}},
      // Draws 41, 18467, 6334, 26500 go to edges 3, 2, 1, 0.
      {"square, midpoints displaced in -1..1",
       square,
       1,
       4,
       [](Outline& o) { PolygonOps::DisplaceMidpoints(o.edges, o.points, -1.0, 1.0); },
       {{0, 0},
        {4, 0},
        {4, 4},
        {0, 4},
        {1.9949949979782104f, 2.0f},
        {2.0f, 4.254341125488281f},
        {2.773216962814331f, 2.0f},
        {2.0f, -1.234961986541748f}},
       {{3, 4}, {4, 0}, {2, 5}, {5, 3}, {1, 6}, {6, 2}, {0, 7}, {7, 1}}},
      {"triangle, displaced in -0.5..0.25, then cut at 0.25",
       triangle,
       12345,
       3,
       [](Outline& o) {
         PolygonOps::DisplaceMidpoints(o.edges, o.points, -0.5, 0.25);
         PolygonOps::CutAllCorners(o.edges, o.points, 0.25f);
       },
       {{1.25f, -0.11302338540554047f},
        {0.6606093645095825f, 0.7525959014892578f},
        {9.071311950683594f, 0.8213121891021729f},
        {8.75f, -0.11302340030670166f},
        {2.910609245300293f, 6.002595901489258f},
        {3.821312189102173f, 6.071311950683594f},
        {2.1469805240631104f, 2.445936918258667f},
        {2.7094802856445312f, 3.758436918258667f},
        {5.669264793395996f, 3.981764554977417f},
        {6.981764793395996f, 2.669264554977417f},
        {5.9375f, -0.367326021194458f},
        {4.0625f, -0.367326021194458f}},
       {{4, 7}, {6, 1}, {2, 9}, {8, 5}, {0, 11}, {10, 3}, {1, 0}, {3, 2}, {5, 4}, {7, 6}, {9, 8}, {11, 10}}},
  };
  for (const auto& c : cases) {
    Outline o = MakeOutline(c.corners);
    platform::SRand(c.seed);
    c.refine(o);
    EXPECT_EQ(Points(o), c.points) << c.name;
    EXPECT_EQ(Edges(o), c.edges) << c.name;
    EXPECT_EQ(platform::RandState(), StateAfterDraws(c.seed, c.draws)) << c.name << ": one draw per edge";
  }
}

TEST(PolygonOps, CutCornerInPlaceAndWithoutEdges) {
  // An open chain a -> b -> c: only b has both an incoming and an outgoing edge.
  Outline o = MakeOutline({{0, 0}, {4, 0}, {4, 6}}, false);
  EXPECT_FALSE(PolygonOps::CutCorner(0, o.edges, o.points, 0.5f, false)) << "a has no incoming edge";
  EXPECT_FALSE(PolygonOps::CutCorner(2, o.edges, o.points, 0.5f, false)) << "c has no outgoing edge";
  EXPECT_FALSE(PolygonOps::CutCorner(3, o.edges, o.points, 0.5f, false));
  EXPECT_EQ(Points(o), (std::vector<Vector2>{{0, 0}, {4, 0}, {4, 6}}));

  ASSERT_TRUE(PolygonOps::CutCorner(1, o.edges, o.points, 0.5f, false));
  EXPECT_EQ(Points(o), (std::vector<Vector2>{{0, 0}, {4, 3}, {2, 0}, {4, 6}}));
  EXPECT_EQ(Edges(o), (std::vector<std::pair<int, int>>{{0, 2}, {2, 1}, {1, 3}}))
      << "the joining edge takes the outgoing edge's index";
}

TEST(PolygonOps, SplitEdgeInPlaceOrAppended) {
  Outline o = MakeOutline({{0, 0}, {4, 0}, {4, 6}}, false);
  Vector2* m = nullptr;
  Vector2 normal;
  ASSERT_TRUE(PolygonOps::SplitEdge(1, o.edges, o.points, false, &m, &normal));
  EXPECT_EQ(*m, Vector2(4, 3));
  EXPECT_EQ(normal, Vector2(3, 0)) << "(-h.y, h.x) with h = (a - b) / 2";
  EXPECT_EQ(Points(o), (std::vector<Vector2>{{0, 0}, {4, 3}, {4, 0}, {4, 6}})) << "m goes before a";
  EXPECT_EQ(Edges(o), (std::vector<std::pair<int, int>>{{0, 2}, {1, 3}, {2, 1}})) << "(m, b) before (a, m)";

  ASSERT_TRUE(PolygonOps::SplitEdge(0, o.edges, o.points, true, &m, &normal));
  EXPECT_EQ(*m, Vector2(2, 0));
  EXPECT_EQ(normal, Vector2(0, -2));
  EXPECT_EQ(Points(o), (std::vector<Vector2>{{0, 0}, {4, 3}, {4, 0}, {4, 6}, {2, 0}}));
  EXPECT_EQ(Edges(o), (std::vector<std::pair<int, int>>{{1, 3}, {2, 1}, {0, 4}, {4, 2}}));

  EXPECT_FALSE(PolygonOps::SplitEdge(4, o.edges, o.points, true, &m, &normal));
  EXPECT_EQ(o.edges.size(), 4u);
}

TEST(PolygonOps, DisplacementFactorSpansTheRange) {
  // Seeds whose first draw is 0 and 32767: the factor is then exactly the minimum and the
  // maximum. The normal of (0,0) -> (4,0) is (0, -2).
  struct Case {
    uint32_t seed;
    double minimum, maximum;
    Vector2 midpoint;
  } cases[] = {
      {20057, -0.75, 0.5, {2, 1.5f}},
      {30091, -0.75, 0.5, {2, -1}},
      {20057, 0.0, 0.0, {2, 0}},
      {30091, 0.0, 0.0, {2, 0}},
  };
  for (const auto& c : cases) {
    Outline o = MakeOutline({{0, 0}, {4, 0}}, false);
    platform::SRand(c.seed);
    PolygonOps::DisplaceMidpoints(o.edges, o.points, c.minimum, c.maximum);
    ASSERT_EQ(o.points.size(), 3u);
    EXPECT_EQ(*o.points[2], c.midpoint) << c.seed;
    EXPECT_EQ(Edges(o), (std::vector<std::pair<int, int>>{{0, 2}, {2, 1}}));
  }
}
