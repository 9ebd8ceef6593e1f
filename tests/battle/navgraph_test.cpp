// The computer opponent's navigation graph and route search: links over small drawn
// worlds, the cheapest-path search against a plain open-list search on graphs full of
// equal costs, the fallback to the nearest reachable node, and the routes made of it.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <random>
#include <string>

#include "battle/navgraph.h"
#include "battle/navnode.h"
#include "battle/terrainsnapshot.h"
#include "world/landschaft.h"
#include "world/linewalk.h"
#include "world/terrain_art.h"

namespace {

// A worm that jumps (40, -40) forward and has the usual other three jumps.
PlanSnapshot Worm(float x, float y) {
  PlanSnapshot p;
  p.person = Vector2(x, y);
  p.climb = 3;
  const float j = 60.0f;
  const Vector2 right[4] = {{j, -j}, {0.5f * j, -2.0f * j}, {-0.5f * j, -0.5f * j}, {-0.2f * j, -3.0f * j}};
  for (int i = 0; i < 4; ++i) {
    p.jumps[size_t(i)] = right[i];
    p.jumps[size_t(i + 4)] = Vector2(-right[i].x, right[i].y);
  }
  p.gravity = 100.0;
  return p;
}

TEST(NavGraph, WalkLinksClimbStepsBothWaysAndDropOneWay) {
  // Ground at row 6 on the left, a two-pixel step up at x = 4, a drop of five at x = 8.
  auto terrain = TerrainSnapshot::FromRows({
      "..........",
      "..........",
      "..........",
      "....####..",
      "....####..",
      "######## .",
      "######## .",
      "##########",
  });
  NavGraph g;
  PlanSnapshot plan = Worm(1.0f, 1.0f);
  plan.jumps = {};  // walking only
  ASSERT_TRUE(g.Build(terrain, plan));
  const int32_t onLow = g.NodeAt(3, 4), onStep = g.NodeAt(4, 2), onTop = g.NodeAt(7, 2), inPit = g.NodeAt(8, 6);
  ASSERT_NE(onLow, NavGraph::kNone);
  ASSERT_NE(onStep, NavGraph::kNone);
  ASSERT_NE(inPit, NavGraph::kNone);
  const auto& n = g.Nodes();
  EXPECT_EQ(n[size_t(onLow)].links[0], onStep);  // up two pixels, within the climb of 3
  EXPECT_EQ(n[size_t(onStep)].links[5], onLow);
  EXPECT_EQ(n[size_t(onTop)].links[0], inPit);  // a free drop
  EXPECT_EQ(n[size_t(inPit)].links[5], NavGraph::kNone);  // not back up
  EXPECT_TRUE(n[size_t(inPit)].reachable);
  // Lookups: nearest in a column, first at or below a row, nothing outside.
  EXPECT_EQ(g.NearestInColumn(8, 0), inPit);
  EXPECT_EQ(g.FirstBelow(4, 0), onStep);
  EXPECT_EQ(g.FirstBelow(4, 3), NavGraph::kNone);
  EXPECT_EQ(g.NodeAt(-1, 4), NavGraph::kNone);
  EXPECT_EQ(g.NearestInColumn(100, 4), NavGraph::kNone);
}

TEST(NavGraph, NoGraphForAWormOffTheWorldOrOverAPit) {
  auto terrain = TerrainSnapshot::FromRows({
      "..........",
      "..........",
      "###....###",
      "###....###",
  });
  for (Vector2 at : {Vector2(5.0f, 0.0f), Vector2(-50.0f, 0.0f), Vector2(5.0f, 1e30f), Vector2(NAN, 0.0f)}) {
    NavGraph g;
    EXPECT_FALSE(g.Build(terrain, Worm(at.x, at.y))) << at.x << "," << at.y;
    EXPECT_TRUE(g.Plan(Worm(at.x, at.y)).empty());
  }
}

TEST(NavGraph, JumpsCrossAGapAndBadArcsAreSkipped) {
  const std::string air(120, '.');
  const std::string ground = std::string(10, '#') + std::string(26, '.') + std::string(84, '#');
  std::vector<const char*> rows(60, air.c_str());
  rows.push_back(ground.c_str());
  rows.push_back(ground.c_str());
  auto terrain = TerrainSnapshot::FromRows(rows);
  NavGraph g;
  PlanSnapshot plan = Worm(9.0f, 50.0f);
  ASSERT_TRUE(g.Build(terrain, plan));
  const int32_t edge = g.NodeAt(9, 59);
  ASSERT_NE(edge, NavGraph::kNone);
  // The forward jump (60, -60) under a pull of 100 flies 72 pixels: across the gap.
  const int32_t landing = g.Nodes()[size_t(edge)].links[1];
  ASSERT_NE(landing, NavGraph::kNone);
  EXPECT_GE(g.Nodes()[size_t(landing)].x, 36);
  // Without pull, with vertical or no impulses there is no jump to follow.
  for (int bad = 0; bad < 3; ++bad) {
    PlanSnapshot p = plan;
    if (bad == 0) p.gravity = 0.0;
    if (bad == 1) p.jumps.fill(Vector2(0.0f, -60.0f));
    if (bad == 2) p.jumps.fill(Vector2(0.0f, 0.0f));
    NavGraph h;
    ASSERT_TRUE(h.Build(terrain, p));
    for (int s = 1; s < 10; ++s) {
      if (s == 5) continue;
      EXPECT_EQ(h.Nodes()[size_t(h.NodeAt(9, 59))].links[size_t(s)], NavGraph::kNone) << bad << " " << s;
    }
  }
}

// A jump traced the direct way: step by step from the start, each piece of the flight a
// segment through the terrain between the pixels of its ends, the last point when nothing
// is met.
Vector2 TracedLanding(const TerrainSnapshot& terrain, Vector2 v, double g, Vector2 start) {
  const double speed = std::hypot(double(v.x), double(v.y));
  const double a = std::atan2(-double(v.y), std::fabs(double(v.x)));
  const double t = std::tan(a), k = g / (2.0 * speed * speed * std::cos(a) * std::cos(a));
  const float bottom = float(terrain.GetRect().bottom) + 1.0f;
  Vector2 previous = start;
  for (int i = 1; i < NavGraph::kArcSteps; ++i) {
    Vector2 point(start.x + (v.x > 0.0f ? 1.0f : -1.0f) * float(i),
                  float(std::floor(double(start.y) - (double(i) * t - k * double(i) * double(i)))));
    if (point.y > bottom) point.y = bottom;
    Vector2 hit;
    if (i >= 2 && terrain.TraceSegment(previous, point, &hit)) return hit;
    previous = point;
    if (point.y >= bottom) break;
  }
  return previous;
}

TEST(NavGraph, JumpLinksShelterAndViewsMatchTheirDirectTraces) {
  // Rough hills with overhangs and floating rocks, so that jumps land everywhere, on
  // ledges, under roofs and beyond the sides.
  std::mt19937 rng(11);
  const int w = 300, h = 300;  // tall enough that some shelter fans lie wholly inside
  std::vector<std::string> art(size_t(h), std::string(size_t(w), '.'));
  for (int x = 0; x < w; ++x) {
    const int top = 200 + int(25.0 * std::sin(x * 0.05) + 10.0 * std::sin(x * 0.23));
    for (int y = top; y < h; ++y) art[size_t(y)][size_t(x)] = '#';
  }
  for (int r = 0; r < 40; ++r) {
    const int x0 = int(rng() % w), y0 = int(rng() % 220), len = 3 + int(rng() % 20);
    for (int x = x0; x < std::min(w, x0 + len); ++x) art[size_t(y0)][size_t(x)] = '#';
  }
  std::vector<const char*> rows;
  for (auto& r : art) rows.push_back(r.c_str());
  // Far from the origin, where the direct traces' truncation is the flooring of the copies
  // (closer, a jump's flight and a ray reaching below 0 may part by a pixel).
  const int32_t o = 1000;
  const auto terrain = TerrainSnapshot::FromRows(rows, o, o);
  PlanSnapshot plan = Worm(float(o + 150), float(o));
  // Impulses whose flights reach no whole pixel exactly (where the two ways of computing a
  // height could round either side), and a steep back flip that leaves the world's top.
  const Vector2 right[4] = {{61.3f, -57.9f}, {29.7f, -121.1f}, {-31.1f, -29.3f}, {-19.7f, -401.3f}};
  for (size_t i = 0; i < 4; ++i) plan.jumps[i] = right[i], plan.jumps[i + 4] = Vector2(-right[i].x, right[i].y);
  // Enemies and friends seen over the hills, under the rocks and from beside the world.
  plan.shotOffset = Vector2(5.0f, -12.0f);
  const float of = float(o);
  plan.enemies = {{of + 20.0f, of + 150.0f}, {of + 280.0f, of + 120.0f}, {of + 150.0f, of + 10.0f}, {of - 50.0f, of + 60.0f}};
  plan.friends = {{of + 60.0f, of + 190.0f}, {of + 240.0f, of + 30.0f}};
  NavGraph g;
  ASSERT_TRUE(g.Build(terrain, plan));
  int compared = 0;
  for (const NavGraph::Node& n : g.Nodes()) {
    if (!n.reachable) continue;
    for (int j = 0; j < 8; ++j) {
      const int slot = j <= 3 ? j + 1 : j + 2;
      const Vector2 at = TracedLanding(terrain, plan.jumps[size_t(j)], plan.gravity, Vector2(float(n.x), float(n.y - 1)));
      const int32_t expected = g.NodeAt(int32_t(at.x), int32_t(at.y) - 1);
      ASSERT_EQ(n.links[size_t(slot)], expected) << n.x << "," << n.y << " jump " << j;
      compared += expected != NavGraph::kNone;
    }
    int32_t pixels = 0, solid = 0;
    double shelter = 0.0;
    for (int i = 0; i < 20; ++i) {
      const double deg = double(i) / 19.0 * 270.0 + 135.0;
      const Vector2 p(float(n.x), float(n.y - 1));
      const Vector2 r(float(100.0 * std::cos(deg * 0.01745329238474369)),
                      float(100.0 * std::sin(deg * 0.01745329238474369)));
      Vector2 hit;
      if (terrain.TraceLine(p, p + r, pixels, solid, &hit))
        shelter += 1.0 - double((hit - p).LengthSq()) / 10000.0;
    }
    ASSERT_DOUBLE_EQ(n.shelter, shelter / 20.0) << n.x << "," << n.y;
    ASSERT_DOUBLE_EQ(n.solidity, double(solid) / double(pixels)) << n.x << "," << n.y;
    const Vector2 q = Vector2(float(n.x), float(n.y - 1)) + plan.shotOffset;
    auto seen = [&](const std::vector<Vector2>& points) {
      int k = 0;
      for (const Vector2& e : points) k += !terrain.TraceSegment(q, e, nullptr);
      return double(k) / double(points.size());
    };
    ASSERT_DOUBLE_EQ(n.enemyView, seen(plan.enemies)) << n.x << "," << n.y;
    ASSERT_DOUBLE_EQ(n.friendView, seen(plan.friends)) << n.x << "," << n.y;
  }
  EXPECT_GT(compared, 1000);
}

TEST(NavGraph, CratesMarkTheNodesInsideTheirBoxes) {
  // Rough ground off the origin, some of it under a roof; crates with fractional centres
  // and sizes on the columns' edges, at the graph's sides and past them, one as wide as
  // the world, one of no size and one not a number. Marked, after a build and on a graph
  // of loose nodes, is every node whose place lies inside a box and no other.
  const int w = 120, h = 60;
  std::vector<std::string> art(size_t(h), std::string(size_t(w), '.'));
  for (int x = 0; x < w; ++x)
    for (int y = 40 + int(6.0 * std::sin(x * 0.3)); y < h; ++y) art[size_t(y)][size_t(x)] = '#';
  for (int x = 30; x < 50; ++x) art[20][size_t(x)] = '#';
  std::vector<const char*> rows;
  for (auto& r : art) rows.push_back(r.c_str());
  const int32_t ox = -40, oy = 15;
  const auto terrain = TerrainSnapshot::FromRows(rows, ox, oy);
  const float nan = std::nanf("");
  const std::vector<PlanSnapshot::Crate> crates = {
      {{float(ox) + 10.5f, float(oy) + 36.0f}, {3.0f, 20.0f}},  {{float(ox) + 40.0f, float(oy) + 19.0f}, {4.0f, 4.0f}},
      {{float(ox) + 70.25f, float(oy) + 40.0f}, {6.5f, 9.0f}},  {{float(ox) - 1.0f, float(oy) + 40.0f}, {4.0f, 40.0f}},
      {{float(ox + w) + 0.5f, float(oy) + 40.0f}, {4.0f, 40.0f}}, {{float(ox) + 60.0f, float(oy) + 44.0f}, {1e30f, 2.0f}},
      {{float(ox) + 90.0f, float(oy) + 39.0f}, {0.0f, 0.0f}},   {{nan, float(oy) + 40.0f}, {10.0f, 10.0f}},
      {{float(ox) + 100.0f, float(oy) + 40.0f}, {nan, 10.0f}},
  };
  NavGraph built;
  PlanSnapshot plan = Worm(float(ox + 60), float(oy));
  ASSERT_TRUE(built.Build(terrain, plan));
  NavGraph loose;
  for (const NavGraph::Node& n : built.Nodes()) loose.AddNode(n.x, n.y);
  for (NavGraph* g : {&built, &loose}) {
    for (size_t k = 0; k <= crates.size(); ++k) {
      // Each crate alone, then all of them.
      const std::vector<PlanSnapshot::Crate> some =
          k < crates.size() ? std::vector<PlanSnapshot::Crate>{crates[k]} : crates;
      g->Reset(some);
      int marked = 0;
      for (const NavGraph::Node& n : g->Nodes()) {
        bool inside = false;
        for (const auto& c : some)
          inside = inside || (std::fabs(double(n.x) - c.centre.x) * 2.0 < c.size.x &&
                              std::fabs(double(n.y) - c.centre.y) * 2.0 < c.size.y);
        ASSERT_EQ(n.crate, inside ? 1.0 : 0.0) << "crate " << k << " at " << n.x << "," << n.y;
        marked += inside;
      }
      if (k == 0 || k == 2 || k == 5) {
        EXPECT_GT(marked, 0) << "crate " << k;
      }
    }
  }
}

// Every node of two graphs the same: place, links, costs and features.
void ExpectSameGraph(const NavGraph& kept, const NavGraph& fresh, const std::string& round) {
  ASSERT_EQ(kept.Nodes().size(), fresh.Nodes().size()) << round;
  for (size_t i = 0; i < fresh.Nodes().size(); ++i) {
    const NavGraph::Node& a = kept.Nodes()[i];
    const NavGraph::Node& b = fresh.Nodes()[i];
    ASSERT_EQ(a.x, b.x) << round << " node " << i;
    ASSERT_EQ(a.y, b.y) << round << " node " << i;
    ASSERT_EQ(a.reachable, b.reachable) << round << " at " << b.x << "," << b.y;
    ASSERT_EQ(a.links, b.links) << round << " at " << b.x << "," << b.y;
    ASSERT_EQ(a.linkCosts, b.linkCosts) << round << " at " << b.x << "," << b.y;
    ASSERT_EQ(a.shelter, b.shelter) << round << " at " << b.x << "," << b.y;
    ASSERT_EQ(a.solidity, b.solidity) << round << " at " << b.x << "," << b.y;
    ASSERT_EQ(a.enemyView, b.enemyView) << round << " at " << b.x << "," << b.y;
    ASSERT_EQ(a.friendView, b.friendView) << round << " at " << b.x << "," << b.y;
  }
}

TEST(NavGraph, ABuildOverChangedGroundIsTheGraphOfANewBuild) {
  // Hills, floating rocks and a cave off the origin; round by round the ground gets
  // craters, new rocks and single pixels flipped under the flights and rays, the worm
  // moves, its jumps change, the water rises, and the world is swapped for a wider one.
  // The graph built again each round over the last must be the graph built anew.
  std::mt19937 rng(23);
  const int32_t ox = -60, oy = 40;
  auto makeArt = [&](int w, int h) {
    std::vector<std::string> art(size_t(h), std::string(size_t(w), '.'));
    for (int x = 0; x < w; ++x) {
      const int top = h * 2 / 3 + int(22.0 * std::sin(x * 0.045) + 9.0 * std::sin(x * 0.21));
      for (int y = top; y < h; ++y) art[size_t(y)][size_t(x)] = '#';
    }
    for (int r = 0; r < 30; ++r) {
      const int x0 = int(rng() % unsigned(w)), y0 = 20 + int(rng() % unsigned(h / 2)), len = 3 + int(rng() % 25);
      for (int x = x0; x < std::min(w, x0 + len); ++x) art[size_t(y0)][size_t(x)] = '#';
    }
    return art;
  };
  auto snapshot = [&](const std::vector<std::string>& art) {
    std::vector<const char*> rows;
    for (auto& r : art) rows.push_back(r.c_str());
    return TerrainSnapshot::FromRows(rows, ox, oy);
  };
  std::vector<std::string> art = makeArt(420, 260);
  auto groundUnder = [&](int x) {
    int y = 0;
    while (y + 1 < int(art.size()) && art[size_t(y + 1)][size_t(x)] != '#') ++y;
    return Vector2(float(ox + x), float(oy + y));
  };
  PlanSnapshot plan = Worm(0.0f, 0.0f);
  plan.person = groundUnder(200);
  plan.shotOffset = Vector2(4.0f, -10.0f);
  plan.enemies = {{float(ox + 30), float(oy + 150)}, {float(ox + 390), float(oy + 120)}};
  plan.friends = {{float(ox + 250), float(oy + 60)}};
  NavGraph kept;
  size_t reused = 0;
  for (int round = 0; round < 9; ++round) {
    const int w = int(art[0].size()), h = int(art.size());
    if (round == 1 || round == 3 || round == 6) {
      // Craters and a new rock.
      for (int c = 0; c < 3; ++c) {
        const int cx = int(rng() % unsigned(w)), cy = h / 3 + int(rng() % unsigned(h / 2)), r = 6 + int(rng() % 25);
        for (int y = std::max(0, cy - r); y < std::min(h, cy + r); ++y)
          for (int x = std::max(0, cx - r); x < std::min(w, cx + r); ++x)
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) < r * r) art[size_t(y)][size_t(x)] = '.';
      }
      const int rx = int(rng() % unsigned(w - 20)), ry = 10 + int(rng() % unsigned(h / 2));
      for (int x = rx; x < rx + 15; ++x) art[size_t(ry)][size_t(x)] = '#';
    }
    if (round == 2 || round == 6) {
      // Single pixels anywhere, and on the world's edges.
      for (int k = 0; k < 60; ++k) {
        char& c = art[size_t(rng() % unsigned(h))][size_t(rng() % unsigned(w))];
        c = c == '#' ? '.' : '#';
      }
      art[0][size_t(w / 2)] = '#';
      art[size_t(h - 1)][0] = '.';
    }
    if (round == 4) {
      for (size_t i = 0; i < 4; ++i) plan.jumps[i].x *= 1.25f, plan.jumps[i + 4].x *= 1.25f;
    }
    if (round == 5) plan.waterY = double(oy + h - 40);
    if (round == 7) {
      // Another world, wider: nothing of the last is kept.
      art = makeArt(470, 260);
      plan.waterY = 1e30;
    }
    if (round > 0) plan.person = groundUnder(int(rng() % unsigned(art[0].size())));
    const TerrainSnapshot terrain = snapshot(art);
    const std::string name = "round " + std::to_string(round);
    NavGraph fresh;
    const bool ok = fresh.Build(terrain, plan);
    ASSERT_EQ(kept.Build(terrain, plan), ok) << name;
    if (!ok) continue;
    ExpectSameGraph(kept, fresh, name);
    if (HasFatalFailure()) return;
    ASSERT_LE(kept.FeaturesWorkedOut(), fresh.FeaturesWorkedOut()) << name;
    reused += fresh.FeaturesWorkedOut() - kept.FeaturesWorkedOut();
    // The plans made on both agree too.
    const auto a = kept.Plan(plan), b = fresh.Plan(plan);
    ASSERT_EQ(a.size(), b.size()) << name;
    for (size_t i = 0; i < a.size(); ++i) {
      EXPECT_EQ(a[i].to.x, b[i].to.x) << name;
      EXPECT_EQ(a[i].kind, b[i].kind) << name;
    }
  }
  EXPECT_GT(reused, 1000u);
}

TEST(NavGraph, LazyViewsChooseTheTargetOfAllViews) {
  // Hills with floating rocks and enemies and friends around them. For weights that favour
  // or shun the enemies and friends, weigh only them or nothing at all (ties everywhere:
  // the last node in graph order must win) or draw to a crate, the graph that traces views
  // only as its choice needs them chooses what the graph with every view does, again and
  // again on the same build as the weights change.
  std::mt19937 rng(37);
  const int w = 360, h = 240;
  std::vector<std::string> art(size_t(h), std::string(size_t(w), '.'));
  for (int x = 0; x < w; ++x) {
    const int top = 160 + int(30.0 * std::sin(x * 0.04) + 8.0 * std::sin(x * 0.19));
    for (int y = top; y < h; ++y) art[size_t(y)][size_t(x)] = '#';
  }
  for (int r = 0; r < 35; ++r) {
    const int x0 = int(rng() % w), y0 = 30 + int(rng() % 150), len = 4 + int(rng() % 30);
    for (int x = x0; x < std::min(w, x0 + len); ++x) art[size_t(y0)][size_t(x)] = '#';
  }
  std::vector<const char*> rows;
  for (auto& r : art) rows.push_back(r.c_str());
  const auto terrain = TerrainSnapshot::FromRows(rows, 500, 200);
  auto ground = [&](int x) {
    int y = 0;
    while (y + 1 < h && art[size_t(y + 1)][size_t(x)] != '#') ++y;
    return Vector2(float(500 + x), float(200 + y));
  };
  PlanSnapshot plan = Worm(0.0f, 0.0f);
  plan.person = ground(180);
  plan.shotOffset = Vector2(6.0f, -14.0f);
  for (int x : {20, 95, 300, 340}) plan.enemies.push_back(ground(x) + Vector2(0.0f, -12.0f));
  for (int x : {150, 230}) plan.friends.push_back(ground(x) + Vector2(0.0f, -12.0f));
  plan.crates.push_back({ground(260), Vector2(6.0f, 6.0f)});
  const std::array<double, 5> weights[] = {
      {1.0, 1.0, 4.0, -1.0, 4.0}, {1.0, 1.0, 1.0, 0.0, 1.0}, {1.0, 1.0, -4.0, 2.0, 0.0}, {0.0, 0.0, 1.0, 0.0, 0.0},
      {0.0, 0.0, 0.0, 1.0, 0.0},  {0.5, 2.0, 3.0, -3.0, 0.0}, {1.0, 1.0, 0.0, 0.0, 0.0},  {0.0, 0.0, -1.0, -1.0, 0.0},
      {0.0, 0.0, 1.0, 0.0, 9.0},  {0.0, 0.0, 0.0, 0.0, 0.0},
  };
  NavGraph all, lazy;
  lazy.SetLazyViews(true);
  ASSERT_TRUE(all.Build(terrain, plan));
  ASSERT_TRUE(lazy.Build(terrain, plan));
  for (int from : {180, 40, 320}) {
    const Vector2 at = ground(from);
    const int32_t start = all.NearestInColumn(int32_t(at.x), int32_t(at.y));
    ASSERT_NE(start, NavGraph::kNone);
    for (const auto& f : weights) {
      const std::string name = "from " + std::to_string(from) + " weights " + std::to_string(f[0]) + " " +
                               std::to_string(f[1]) + " " + std::to_string(f[2]) + " " + std::to_string(f[3]) +
                               " " + std::to_string(f[4]);
      all.Reset(plan.crates);
      lazy.Reset(plan.crates);
      const int32_t expected = all.ChooseTarget(start, f);
      ASSERT_NE(expected, NavGraph::kNone) << name;
      ASSERT_EQ(lazy.ChooseTarget(start, f), expected) << name;
      // Views traced are the views; the rest are not known yet.
      for (size_t i = 0; i < all.Nodes().size(); ++i) {
        const NavGraph::Node& a = all.Nodes()[i];
        const NavGraph::Node& b = lazy.Nodes()[i];
        if (b.enemyView != 0.0 || b.friendView != 0.0) {
          ASSERT_EQ(b.enemyView, a.enemyView) << name << " at " << a.x << "," << a.y;
          ASSERT_EQ(b.friendView, a.friendView) << name << " at " << a.x << "," << a.y;
        }
      }
    }
  }
  // The plans agree too.
  const auto a = all.Plan(plan), b = lazy.Plan(plan);
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) EXPECT_EQ(a[i].to.x, b[i].to.x);
}

TEST(NavGraph, TheCopysSurfaceIsTheLayersSurface) {
  // Caves and overhangs off the origin: the same points in the same order (column by
  // column, top to bottom), which the graph's order and its ties rest on.
  std::mt19937 rng(5);
  std::vector<std::string> art(90, std::string(130, '.'));
  for (auto& row : art)
    for (char& c : row) c = rng() % 3 == 0 ? '#' : '.';
  auto land = terrain_test::ArtStore(art, -40, -30);
  std::vector<NavNode> layer, copy;
  land->FindSurfacePoints(layer);
  TerrainSnapshot::Take(*land).FindSurfacePoints(1e30, copy);
  ASSERT_EQ(copy.size(), layer.size());
  for (size_t i = 0; i < copy.size(); ++i) {
    ASSERT_EQ(copy[i].x, layer[i].x) << i;
    ASSERT_EQ(copy[i].y, layer[i].y) << i;
  }
  // Above a water line only.
  copy.clear();
  TerrainSnapshot::Take(*land).FindSurfacePoints(10.0, copy);
  for (const NavNode& n : copy) EXPECT_LT(n.y, 10);
  EXPECT_FALSE(copy.empty());
}

TEST(NavGraph, ASegmentTraceMeetsTheFirstSolidPixelOfItsWalk) {
  // Sparse rocks off the origin. Segments wholly inside, touching the edges with their
  // ends or with the pixel their walk steps past the end, crossing out and lying beside
  // the copy: the trace meets what a plain walk over every pixel (outside ones empty) does.
  std::mt19937 rng(19);
  const int32_t left = -23, top = 11, w = 70, h = 50;
  std::vector<std::string> art(size_t(h), std::string(size_t(w), '.'));
  for (auto& row : art)
    for (char& c : row) c = rng() % 9 == 0 ? '#' : '.';
  std::vector<const char*> rows;
  for (auto& r : art) rows.push_back(r.c_str());
  const auto terrain = TerrainSnapshot::FromRows(rows, left, top);
  auto walked = [&](const Vector2& from, const Vector2& to, Vector2& hit) {
    LineWalk walk(int32_t(from.x), int32_t(from.y), int32_t(to.x), int32_t(to.y));
    for (int64_t k = 0; k <= walk.StepCount(); ++k) {
      if (k > 0) walk.Step();
      if (terrain.IsSolid(walk.X(), walk.Y())) {
        hit = Vector2(float(walk.X()), float(walk.Y()));
        return true;
      }
    }
    return false;
  };
  // Ends anywhere within three pixels of the copy's edges, or well inside it.
  auto end = [&](bool nearEdge) {
    if (!nearEdge)
      return Vector2(float(left + 5 + int32_t(rng() % unsigned(w - 10))) + 0.5f,
                     float(top + 5 + int32_t(rng() % unsigned(h - 10))) + 0.25f);
    const int32_t x = rng() % 2 ? left - 3 + int32_t(rng() % 7) : left + w - 4 + int32_t(rng() % 7);
    const int32_t y = rng() % 2 ? top - 3 + int32_t(rng() % 7) : top + h - 4 + int32_t(rng() % 7);
    return rng() % 2 ? Vector2(float(x), float(top + int32_t(rng() % unsigned(h)))) : Vector2(float(left + int32_t(rng() % unsigned(w))), float(y));
  };
  int hits = 0;
  for (int i = 0; i < 4000; ++i) {
    const Vector2 a = end(i % 3 == 0), b = i % 5 == 0 ? a + Vector2(float(rng() % 3) - 1.0f, float(rng() % 3) - 1.0f)
                                                       : end(i % 2 == 0);
    Vector2 expected, got;
    const bool solid = walked(a, b, expected);
    ASSERT_EQ(terrain.TraceSegment(a, b, &got), solid) << a.x << "," << a.y << " to " << b.x << "," << b.y;
    if (!solid) continue;
    ++hits;
    ASSERT_EQ(got.x, expected.x) << a.x << "," << a.y << " to " << b.x << "," << b.y;
    ASSERT_EQ(got.y, expected.y) << a.x << "," << a.y << " to " << b.x << "," << b.y;
  }
  EXPECT_GT(hits, 1000);
}

TEST(NavGraph, TheCopyTakenAgainReadsOnlyTheTilesWrittenSince) {
  // 600 x 300 over 3 x 2 tiles, off the origin.
  std::vector<std::string> art(300, std::string(600, '.'));
  for (int y = 150; y < 300; ++y) art[size_t(y)] = std::string(600, '#');
  auto land = terrain_test::ArtStore(art, -100, 50);
  ASSERT_EQ(land->Tiles().size(), 6u);
  TerrainSnapshot copy;
  copy.Retake(*land);
  EXPECT_EQ(copy.TilesRead(), 6u);
  copy.Retake(*land);
  EXPECT_EQ(copy.TilesRead(), 0u);
  auto same = [&] {
    const TerrainSnapshot fresh = TerrainSnapshot::Take(*land);
    for (int y = 50; y < 350; ++y)
      for (int x = -100; x < 500; ++x)
        if (copy.IsSolid(x, y) != fresh.IsSolid(x, y)) return false;
    return true;
  };
  // A crater in the second tile and a new rock in the fifth, written and let go.
  for (int y = 200; y < 220; ++y)
    for (int x = 200; x < 230; ++x) *land->LockedPixel(x, y) = 0;
  for (int y = 60; y < 70; ++y)
    for (int x = 0; x < 10; ++x) *land->LockedPixel(x, y) = 0xFF808080u;
  land->UnlockAll();
  copy.Retake(*land);
  EXPECT_EQ(copy.TilesRead(), 2u);
  EXPECT_TRUE(same());
  // A tile still held for writing is read at every taking until it has been let go.
  *land->LockedPixel(-90, 340) = 0;
  copy.Retake(*land);
  EXPECT_EQ(copy.TilesRead(), 1u);
  EXPECT_TRUE(same());
  land->UnlockAll();
  copy.Retake(*land);
  EXPECT_EQ(copy.TilesRead(), 1u);
  copy.Retake(*land);
  EXPECT_EQ(copy.TilesRead(), 0u);
  EXPECT_TRUE(same());
}

TEST(NavGraph, AGraphKeptOverACopyTakenAgainIsTheGraphOfANewBuild) {
  // A build over the layer's copy taken again in place looks only at the tiles read since
  // the copy it was last built on, over any number of takings between (some for other
  // uses): craters and rocks in one tile, then in several, a tile held for writing, and
  // a copy made anew (whose tiles are all read), round by round against a new graph.
  std::mt19937 rng(29);
  const int32_t left = -130, top = 20, w = 620, h = 300;
  std::vector<std::string> art(size_t(h), std::string(size_t(w), '.'));
  for (int x = 0; x < w; ++x)
    for (int y = 190 + int(25.0 * std::sin(x * 0.03)); y < h; ++y) art[size_t(y)][size_t(x)] = '#';
  auto land = terrain_test::ArtStore(art, left, top);
  ASSERT_GT(land->Tiles().size(), 4u);
  auto write = [&](int count) {
    for (int k = 0; k < count; ++k) {
      const int32_t cx = left + 10 + int32_t(rng() % unsigned(w - 20)), cy = top + 120 + int32_t(rng() % 150u);
      const bool solid = rng() % 3 == 0;
      for (int32_t y = cy - 6; y <= cy + 6; ++y)
        for (int32_t x = cx - 6; x <= cx + 6; ++x)
          if (uint32_t* p = land->LockedPixel(x, y)) *p = solid ? 0xFF806040u : 0u;
    }
  };
  PlanSnapshot plan = Worm(float(left + 300), float(top));
  auto copy = std::make_shared<TerrainSnapshot>();
  copy->Retake(*land);
  NavGraph kept;
  ASSERT_TRUE(kept.Build(*copy, plan));
  for (int round = 0; round < 12; ++round) {
    const std::string name = "round " + std::to_string(round);
    write(round % 4 == 0 ? 1 : 1 + int(rng() % 5));
    if (round % 3 != 1) land->UnlockAll();
    for (int between = int(rng() % 3); between > 0; --between) {
      copy->Retake(*land);
      write(int(rng() % 2));
    }
    if (round == 7) copy = std::make_shared<TerrainSnapshot>();
    copy->Retake(*land);
    const TerrainSnapshot fresh = TerrainSnapshot::Take(*land);
    ASSERT_TRUE(kept.Build(*copy, plan)) << name;
    NavGraph anew;
    ASSERT_TRUE(anew.Build(fresh, plan)) << name;
    ExpectSameGraph(kept, anew, name);
  }
  land->UnlockAll();
}

TEST(NavGraph, TheCopyIsSolidWhereTheLayersPixelsAreSolid) {
  // Every alpha (and colours with all bits set) at random over 3 x 2 tiles whose last
  // row and column of tiles are cut short, off the origin: taken whole and taken again
  // after writes, the copy says solid exactly where the layer does.
  std::mt19937 rng(41);
  const int32_t left = -77, top = 13, w = 530, h = 301;
  auto land = terrain_test::ArtStore(std::vector<std::string>(size_t(h), std::string(size_t(w), '.')), left, top);
  auto fill = [&](int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    for (int32_t y = y0; y < y1; ++y)
      for (int32_t x = x0; x < x1; ++x) {
        const uint32_t alpha = rng() % 4 == 0 ? 191u + rng() % 4 : rng() % 256;
        *land->LockedPixel(x, y) = alpha << 24 | (rng() % 2 ? 0xFFFFFFu : rng() & 0xFFFFFFu);
      }
    land->UnlockAll();
  };
  auto same = [&](const TerrainSnapshot& copy) {
    for (int32_t y = top; y < top + h; ++y)
      for (int32_t x = left; x < left + w; ++x)
        if (copy.IsSolid(x, y) != land->IsSolidAt(x, y)) return false;
    return true;
  };
  fill(left, top, left + w, top + h);
  TerrainSnapshot copy = TerrainSnapshot::Take(*land);
  EXPECT_TRUE(same(copy));
  fill(left + 3, top + 250, left + 40, top + 301);
  fill(left + 500, top + 7, left + 530, top + 20);
  copy.Retake(*land);
  EXPECT_EQ(copy.TilesRead(), 4u);  // each write straddles two tiles
  EXPECT_TRUE(same(copy));
}

// The search as a plain open list: take the least cost, the first in the list on ties.
struct ListSearch {
  std::vector<int32_t> closedOrder;
  std::vector<int32_t> previous;
  std::vector<int32_t> cost;
  bool Run(const std::vector<NavGraph::Node>& nodes, int32_t start, int32_t target) {
    const size_t n = nodes.size();
    previous.assign(n, NavGraph::kNone);
    cost.assign(n, 0);
    std::vector<char> inOpen(n, 0), closed(n, 0);
    std::vector<int32_t> open{start};
    inOpen[size_t(start)] = 1;
    while (!open.empty()) {
      size_t best = 0;
      for (size_t i = 1; i < open.size(); ++i)
        if (cost[size_t(open[i])] < cost[size_t(open[best])]) best = i;
      const int32_t ni = open[best];
      open.erase(open.begin() + std::ptrdiff_t(best));
      inOpen[size_t(ni)] = 0;
      if (ni == target) return true;
      for (int s = 0; s < NavGraph::kLinks; ++s) {
        const int32_t m = nodes[size_t(ni)].links[size_t(s)];
        if (m == NavGraph::kNone || closed[size_t(m)]) continue;
        const int32_t c = int32_t(double(cost[size_t(ni)]) + nodes[size_t(ni)].linkCosts[size_t(s)] - nodes[size_t(m)].crate);
        if (inOpen[size_t(m)] && c > cost[size_t(m)]) continue;
        previous[size_t(m)] = ni;
        cost[size_t(m)] = c;
        if (!inOpen[size_t(m)]) open.push_back(m), inOpen[size_t(m)] = 1;
      }
      closed[size_t(ni)] = 1;
      closedOrder.push_back(ni);
    }
    return false;
  }
};

TEST(NavGraph, SearchTakesTheFirstInsertedOnEqualCosts) {
  // Small graphs whose link costs come from three values, so equal costs are everywhere.
  std::mt19937 rng(5);
  for (int round = 0; round < 200; ++round) {
    NavGraph g;
    const int count = 5 + int(rng() % 40);
    for (int i = 0; i < count; ++i) g.AddNode(i, 0);
    for (int i = 0; i < count; ++i)
      for (int s = 0; s < NavGraph::kLinks; ++s) {
        if (rng() % 3) continue;
        int32_t m = int32_t(rng() % uint32_t(count));
        if (m == i) continue;
        g.SetLink(i, s, m);
        g.Nodes()[size_t(i)].linkCosts[size_t(s)] = int32_t(1 + rng() % 3);
      }
    for (auto& n : g.Nodes()) n.crate = (rng() % 7 == 0) ? 1.0 : 0.0;
    const int32_t target = int32_t(rng() % uint32_t(count));
    std::vector<double> crates;
    for (auto& n : g.Nodes()) crates.push_back(n.crate);
    ListSearch list;
    const bool found = list.Run(g.Nodes(), 0, target);
    // FindPath resets crates from the crate list; mark them again by hand.
    g.Reset({});
    for (size_t i = 0; i < crates.size(); ++i) g.Nodes()[i].crate = crates[i];
    const int32_t reached = g.FindPath(0, target, {});
    if (found) {
      ASSERT_EQ(reached, target) << round;
      EXPECT_EQ(g.ClosedOrder(), list.closedOrder) << round;
      for (int32_t at = target; at != 0; at = list.previous[size_t(at)])
        ASSERT_EQ(g.Nodes()[size_t(at)].previous, list.previous[size_t(at)]) << round;
    }
  }
}

TEST(NavGraph, ReachableMarksAreTheNodesTheLinksLeadTo) {
  // One-way links at random, some nodes linked to nothing, marks left over from a walk
  // from elsewhere: each walk marks exactly what a plain closure over the links holds.
  std::mt19937 rng(11);
  NavGraph g;
  for (int round = 0; round < 100; ++round) {
    if (round % 10 == 0) g = NavGraph();
    const int count = 1 + int(rng() % 60);
    while (int(g.Nodes().size()) < count) g.AddNode(int32_t(g.Nodes().size()), 0);
    g.Nodes().resize(size_t(count));
    for (auto& n : g.Nodes()) n.links.fill(NavGraph::kNone);
    for (int i = 0; i < count; ++i)
      for (int s = 0; s < NavGraph::kLinks; ++s)
        if (rng() % 5 == 0) g.SetLink(i, s, int32_t(rng() % uint32_t(count)));
    const int32_t start = rng() % 8 == 0 ? NavGraph::kNone : int32_t(rng() % uint32_t(count));
    std::vector<bool> expected(size_t(count), false);
    if (start != NavGraph::kNone) {
      expected[size_t(start)] = true;
      for (bool grew = true; grew;) {
        grew = false;
        for (int i = 0; i < count; ++i)
          if (expected[size_t(i)])
            for (int32_t m : g.Nodes()[size_t(i)].links)
              if (m != NavGraph::kNone && !expected[size_t(m)]) expected[size_t(m)] = grew = true;
      }
    }
    g.MarkReachable(start);
    for (int i = 0; i < count; ++i) ASSERT_EQ(g.Nodes()[size_t(i)].reachable, expected[size_t(i)]) << round << " node " << i;
  }
}

TEST(NavGraph, EqualPathsFollowTheLaterEqualOffer) {
  // S -> A (walk right), S -> B (walk left), both on to T at the same cost: A is taken
  // first, but B's equal offer is taken too, so the path runs through B.
  NavGraph g;
  const int32_t s = g.AddNode(10, 0), a = g.AddNode(11, 0), b = g.AddNode(9, 0), t = g.AddNode(10, 5);
  g.SetLink(s, 0, a);
  g.SetLink(s, 5, b);
  g.SetLink(a, 1, t);
  g.SetLink(b, 1, t);
  g.BuildColumnIndex();
  g.Reset({});
  ASSERT_EQ(g.FindPath(s, t, {}), t);
  EXPECT_EQ(g.ClosedOrder(), (std::vector<int32_t>{s, a, b}));
  EXPECT_EQ(g.Nodes()[size_t(t)].previous, b);
}

TEST(NavGraph, UnreachableTargetLeadsToTheNearestClosedNode) {
  NavGraph g;
  const int32_t s = g.AddNode(0, 0), a = g.AddNode(1, 0), b = g.AddNode(2, 0), far = g.AddNode(50, 0);
  g.SetLink(s, 0, a);
  g.SetLink(a, 0, b);
  g.BuildColumnIndex();
  g.Reset({});
  EXPECT_EQ(g.FindPath(s, far, {}), b);
  EXPECT_EQ(g.Nodes()[size_t(b)].previous, a);
  const auto route = g.BuildRoute(s, b, 0.0f);
  ASSERT_EQ(route.size(), 1u);
  EXPECT_EQ(route[0].to.x, 2.0f);
}

TEST(NavGraph, LongWalksRunAndEqualStepsMerge) {
  const struct {
    int length;
    bool run;
  } cases[] = {{700, true}, {500, false}};
  for (const auto& c : cases) {
    NavGraph g;
    for (int x = 0; x <= c.length; ++x) g.AddNode(x, 10);
    for (int x = 0; x < c.length; ++x) g.SetLink(x, 0, x + 1);
    g.BuildColumnIndex();
    g.Reset({});
    ASSERT_EQ(g.FindPath(0, c.length, {}), c.length);
    const auto route = g.BuildRoute(0, c.length, 0.0f);
    ASSERT_EQ(route.size(), 1u) << c.length;
    EXPECT_EQ(route[0].kind, 0);
    EXPECT_TRUE(route[0].facingRight);
    EXPECT_EQ(route[0].run, c.run) << c.length;
    EXPECT_EQ(route[0].to.x, float(c.length));
  }
}

TEST(NavGraph, PlansToTheBestNodeAndStaysWhenNothingIsBetter) {
  // A roofed shelter on the right scores best for shelter and solidity.
  std::vector<const char*> rows = {
      "................................................................",
      "................................................................",
      "....................................................############",
      "....................................................############",
      "................................................................",
      "................................................................",
      "................................................................",
      "################################################################",
      "################################################################",
  };
  auto terrain = TerrainSnapshot::FromRows(rows);
  NavGraph g;
  PlanSnapshot plan = Worm(5.0f, 5.0f);
  plan.jumps = {};
  plan.factors = {1.0, 1.0, 0.0, 0.0, 0.0};
  ASSERT_TRUE(g.Build(terrain, plan));
  auto route = g.Plan(plan);
  ASSERT_FALSE(route.empty());
  EXPECT_TRUE(route.back().facingRight);
  EXPECT_GE(route.back().to.x, 52.0f);
  // Standing on the best node already: no route.
  PlanSnapshot there = plan;
  there.person = route.back().to;
  NavGraph h;
  ASSERT_TRUE(h.Build(terrain, there));
  EXPECT_TRUE(h.Plan(there).empty());
  // A crate worth more than any shelter draws the worm to it.
  PlanSnapshot crate = plan;
  crate.factors = {1.0, 1.0, 0.0, 0.0, 4.0};
  crate.crates.push_back({Vector2(20.0f, 6.0f), Vector2(4.0f, 4.0f)});
  NavGraph k;
  ASSERT_TRUE(k.Build(terrain, crate));
  route = k.Plan(crate);
  ASSERT_FALSE(route.empty());
  // The crate covers x = 19 .. 21.
  EXPECT_GE(route.back().to.x, 19.0f);
  EXPECT_LE(route.back().to.x, 21.0f);
}

}  // namespace
