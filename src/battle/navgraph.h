// The computer opponent's navigation graph and route search. Every standable pixel of the
// ground is a node (the empty pixel right above a solid one); nodes are linked by single
// walking steps (which may climb or drop) and by the eight jumps a worm can make, and each
// node the worm can reach carries how sheltered and how enclosed it is and how many enemies
// and friends it can see. The search picks the best-scoring reachable node, finds the
// cheapest path to it and turns that into a route of walk and jump steps.
//
// The graph is built and searched by the planner (see RoutePlanner) from copies only: the
// terrain snapshot and the PlanSnapshot below, both taken on the main thread. Nodes refer
// to each other by index.
#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "engine/gfxtypes.h"

class TerrainSnapshot;

// One step of a route: walk to `to`, or jump from `from` (the take-off x) towards `to`.
struct RouteStep {
  Vector2 to;
  Vector2 from;
  bool facingRight = true;
  // Walk with the run modifier.
  bool run = false;
  // 0 walk; 1, 5 the single- and double-press jump; 2, 6 the backward jumps.
  int32_t kind = 0;
  // The jump has been triggered.
  bool started = false;
};

// What the planner knows of the battle, copied when the plan is asked for.
struct PlanSnapshot {
  // The worm planned for: its position and where its weapon sits relative to it.
  Vector2 person;
  Vector2 shotOffset;
  // The highest step the worm walks up or down, in pixels.
  int32_t climb = 10;
  // The worm's jump impulses for (kind, direction) = (1, right), (5, right), (2, right),
  // (6, right), (1, left), (5, left), (2, left), (6, left).
  std::array<Vector2, 8> jumps{};
  // The pull on the worm (the world's gravity times its type's factor), pixels / s².
  double gravity = 100.0;
  // The shot positions of the enemies and of the worm's team mates.
  std::vector<Vector2> enemies;
  std::vector<Vector2> friends;
  // Bonus crates: centre and size.
  struct Crate {
    Vector2 centre;
    Vector2 size;
  };
  std::vector<Crate> crates;
  // Weights of shelter, solidity, enemy view, friend view and crates in a node's score.
  std::array<double, 5> factors{1.0, 1.0, 4.0, -1.0, 4.0};
  // Nothing at or below the water line is standable.
  double waterY = 1e30;
};

class NavGraph {
 public:
  static constexpr int32_t kNone = -1;
  static constexpr int kLinks = 10;
  // Link slots: 0 walk right, 1..4 the jumps facing right of the kinds 1, 5, 2, 6; 5 walk
  // left, 6..9 the same jumps facing left.
  static constexpr std::array<int32_t, kLinks> kInitialCosts{1, 2000, 4000, 3000, 5000, 1, 2000, 4000, 3000, 5000};
  static constexpr std::array<int32_t, kLinks> kSlotKind{0, 1, 5, 2, 6, 0, 1, 5, 2, 6};
  // The longest a jump arc is followed, in pixels across.
  static constexpr int kArcSteps = 300;
  // A walk longer than this (straight-line distance from start to end) runs.
  static constexpr double kRunDistance = 600.0;

  // What the searches read for every node they pass comes first, side by side; the
  // features the choice of target weighs follow.
  struct Node {
    int32_t x = 0;
    int32_t y = 0;
    std::array<int32_t, kLinks> links{kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone};
    std::array<int32_t, kLinks> linkCosts = kInitialCosts;
    int32_t cost = 0;
    int32_t previous = kNone;
    double crate = 0.0;
    bool inOpen = false;
    bool closed = false;
    bool reachable = false;
    double shelter = 0.0;
    double solidity = 0.0;
    double enemyView = 0.0;
    double friendView = 0.0;
    double score = 0.0;
  };

  // The surface of the snapshot above the water line, its column index, the links and
  // features of every node reachable from the worm's ground, and the link costs weighted
  // near edges. False when cancelled (the graph is then incomplete) or when the worm stands
  // on no ground (off the world or over a pit: no node is reachable, nothing to plan).
  // Built again, the graph works out anew only what the ground changed since the last
  // build could have changed: the same graph as a new one built on this snapshot.
  bool Build(const TerrainSnapshot& terrain, const PlanSnapshot& plan, const std::atomic<bool>* cancel = nullptr);
  // Views worked out only when a choice of target needs them (the game's way): there, a
  // node's lines of sight to the build's enemies and friends are traced one by one until
  // it is plain that its score cannot beat the best found so far, so the target is the one
  // a build with every view worked out gives. Off (the default), a build works out the
  // views of every node it reaches.
  void SetLazyViews(bool lazy) { m_lazyViews = lazy; }

  // For tests: a node at (x, y) (the empty pixel over the ground), and a link.
  int32_t AddNode(int32_t x, int32_t y);
  void SetLink(int32_t from, int slot, int32_t to) { m_nodes[size_t(from)].links[size_t(slot)] = to; }
  void BuildColumnIndex();

  // Lookups on the column index; kNone outside the rectangle or when nothing fits.
  int32_t NodeAt(int32_t x, int32_t y) const;
  // The smallest |node y - y| (the first such in the column).
  int32_t NearestInColumn(int32_t x, int32_t y) const;
  // node y >= y with the smallest node y - y.
  int32_t FirstBelow(int32_t x, int32_t y) const;

  // The search fields cleared, crates marked from the snapshot's crates.
  void Reset(const std::vector<PlanSnapshot::Crate>& crates);
  void MarkReachable(int32_t start);
  // The reachable node of the highest score (the last in graph order on ties), or kNone.
  // With lazy views, only the views that choice needs are traced.
  int32_t ChooseTarget(int32_t start, const std::array<double, 5>& factors);
  // The cheapest path from start to target over the links: the node taken is the one of
  // the least cost, the one first put into the open set on ties. An unreachable target is
  // replaced by the closed node nearest to it, searched again. Returns the node reached;
  // kNone when cancelled.
  int32_t FindPath(int32_t start, int32_t target, const std::vector<PlanSnapshot::Crate>& crates,
                   const std::atomic<bool>* cancel = nullptr);
  // The route from start to end along the previous links: one step per run of equal steps;
  // a first walk step ending at the worm's own x is left out.
  std::vector<RouteStep> BuildRoute(int32_t start, int32_t end, float personX) const;

  // The whole plan of the planner thread: reset, target, path and route.
  std::vector<RouteStep> Plan(const PlanSnapshot& plan, const std::atomic<bool>* cancel = nullptr);

  const std::vector<Node>& Nodes() const { return m_nodes; }
  std::vector<Node>& Nodes() { return m_nodes; }
  // Nodes taken by the last search, in order.
  const std::vector<int32_t>& ClosedOrder() const { return m_closedOrder; }
  // Jump landings and shelters the last build worked out rather than took from the
  // builds before it.
  size_t FeaturesWorkedOut() const { return m_workedOut; }

 private:
  // A jump's flight from any start pixel: x moves one pixel a step, the height of step i
  // is i tan a - g i^2 / (2 v^2 cos^2 a) above the start, and the pixels met between the
  // points of steps 1, 2, ... (each pixel once, in order) are the same wherever it starts.
  struct Arc {
    bool usable = false;
    int32_t sx = 1;
    // The pixels met as steps through a copy of the world's width.
    int32_t width = 0;
    std::vector<int64_t> offsets;
    // Row of step i's point below the start (floor of the negated height).
    std::vector<int64_t> row;
    // The exact point of the last step, below the start.
    double lastRow = 0.0;
    // The pixels met, as offsets, and per step i >= 2 one past its last pixel.
    std::vector<std::array<int32_t, 2>> pixels;
    std::vector<uint32_t> stepEnd;
    // Per step, the columns its pixels lie in and the lowest of their rows, as offsets;
    // the same per run of kArcRun steps from step 2 on.
    std::vector<std::array<int32_t, 3>> stepBox;
    std::vector<std::array<int32_t, 3>> runBox;
    // Per run, the level of Tops that covers its columns with two runs of it and the first
    // column of the second, as an offset (level -1: the run has no pixels).
    std::vector<std::array<int32_t, 2>> runTops;
    // Per step, the box (left, top, right, bottom, as offsets) of every point and pixel of
    // the flight up to it: the ground a landing found by then depends on.
    std::vector<std::array<int64_t, 4>> reach;
    // Per run of kArcRun steps from step 2 on, the box of its points and pixels.
    std::vector<std::array<int64_t, 4>> runReach;
    // Per side of `reach` (left, top, right, bottom), by the room a start has on that side,
    // the last step whose box needs no more; beyond the table every step fits. Empty when
    // a box reaches too far for a table.
    std::array<std::vector<int16_t>, 4> lastWithin;
  };
  static constexpr int kArcRun = 16;
  // The highest solid row of every column of the copy (its bottom where there is none),
  // with the least of any run of columns at hand.
  struct Tops {
    int32_t left = 0;
    int32_t bottom = 0;
    // Level k holds the least of 2^k columns from each column on.
    std::vector<std::vector<int32_t>> levels;
    // Each level's values, as Build left them (a Tops is moved, never copied).
    std::array<const int32_t*, 64> level{};
    // From the highest solid row of every column (level 0).
    void Build();
    int32_t Min(int64_t from, int64_t to) const {
      // Columns beside the copy hold nothing: their ground is its bottom.
      const int64_t n = levels.empty() ? 0 : int64_t(levels[0].size());
      const int64_t a = std::max<int64_t>(from - left, 0), b = std::min<int64_t>(to - left, n - 1);
      if (a > b) return bottom;
      const int k = 63 - __builtin_clzll(uint64_t(b - a + 1));
      const std::vector<int32_t>& level = levels[size_t(k)];
      return std::min({bottom, level[size_t(a)], level[size_t(b - (int64_t(1) << k) + 1)]});
    }
  };
  // The twenty shelter rays from any start pixel: the pixels of each, as offsets.
  struct Fan {
    std::vector<std::array<int32_t, 2>> pixels;
    std::array<uint32_t, 21> rayStart{};
    // Each ray in pieces of kFanPiece pixels: where each piece begins, and the columns and
    // the lowest row its pixels lie in, as offsets.
    std::vector<uint32_t> pieceStart;
    std::vector<std::array<int32_t, 3>> pieceBox;
    // Per piece, the level of Tops that covers its columns with two runs, and the first
    // column of each run, as offsets.
    std::vector<std::array<int32_t, 3>> pieceTops;
    std::array<uint32_t, 21> rayPiece{};
    // Per ray, the box (left, top, right, bottom) of its pixels, and of all of them.
    std::array<std::array<int32_t, 4>, 20> rayBox{};
    // Rays 5g .. 5g + 4 together.
    std::array<std::array<int32_t, 4>, 4> groupBox{};
    std::array<int32_t, 4> box{};
  };
  static constexpr uint32_t kFanPiece = 16;
  // What a build keeps for the next: the copy of the ground it was made on (to tell which
  // blocks of it changed), every column's highest ground and ground points, the jump
  // flights, and per standing place its jump landings and shelter with the ground each
  // depends on. What lies on changed ground is dropped and worked out again when needed.
  struct Memo {
    static constexpr int32_t kBlock = 16;
    bool made = false;
    bool arcsMade = false;
    // The number of the copy's bytes the bytes here were last brought up to.
    uint64_t version = 0;
    Rect rect{0, 0, 0, 0};
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> bytes;
    Tops tops;
    std::array<Vector2, 8> jumps{};
    double gravity = 0.0;
    std::array<Arc, 8> arcs;
    // What is known of one standing place: bit j of `have` its jump j's landing (with the
    // box of ground it depends on and the step its flight ended at), bit 8 + r its shelter
    // ray r (what it adds to the shelter and its solid pixels).
    // A build reads the landings and the rays' totals of every place; the rest only when
    // it works something out again or drops it.
    struct Entry {
      uint32_t have = 0;
      // With every ray known: the shelter of the rays whose pixels hold ground, summed ray
      // by ray in order, and the solid pixels of them all.
      int32_t solidSum = 0;
      double shelterSum = 0.0;
      std::array<std::array<int32_t, 2>, 8> landing{};
      std::array<std::array<int32_t, 4>, 8> reach{};
      std::array<int16_t, 8> lastStep{};
      std::array<double, 20> rayShelter{};
      std::array<uint8_t, 20> raySolid{};
    };
    // Per column, the rows (from the copy's top) of its ground points and what is known
    // of the place above each.
    struct Column {
      std::vector<int32_t> rows;
      std::vector<Entry> entries;
    };
    std::vector<Column> columns;
    // Changed blocks of the last update, summed from the top left.
    int32_t blocksWide = 0;
    int32_t blocksHigh = 0;
    std::vector<uint32_t> changed;
    // The box (left, top, right, bottom) of the changed blocks, in the world and inside
    // the copy; empty (left above right) when nothing changed.
    std::array<int64_t, 4> changedBox{INT64_MAX, INT64_MAX, INT64_MIN, INT64_MIN};
    // Whether a changed block meets the box.
    bool AnyChanged(int64_t left, int64_t top, int64_t right, int64_t bottom) const {
      // Beside the box of all changed blocks nothing changed; within it the box is cut to it,
      // which lies inside the copy.
      if (right < changedBox[0] || left > changedBox[2] || bottom < changedBox[1] || top > changedBox[3] ||
          left > right || top > bottom)
        return false;
      left = std::max(left, changedBox[0]) - rect.left, right = std::min(right, changedBox[2]) - rect.left;
      top = std::max(top, changedBox[1]) - rect.top, bottom = std::min(bottom, changedBox[3]) - rect.top;
      const size_t x0 = size_t(left) / kBlock, x1 = size_t(right) / kBlock + 1;
      const size_t y0 = size_t(top) / kBlock, y1 = size_t(bottom) / kBlock + 1;
      const size_t w = size_t(blocksWide) + 1;
      return changed[y1 * w + x1] + changed[y0 * w + x0] != changed[y0 * w + x1] + changed[y1 * w + x0];
    }
    // Brought up to the snapshot and the plan's jumps.
    void Update(const TerrainSnapshot& terrain, const PlanSnapshot& plan);
    void Fresh(const TerrainSnapshot& terrain);
    // Drops what lies on changed ground.
    void Forget(const Fan& fan);
  };
  void BuildLinks(const TerrainSnapshot& terrain, const PlanSnapshot& plan, const std::atomic<bool>* cancel,
                  bool& ok);
  void WeightGraph();
  static Arc MakeArc(const Vector2& impulse, double gravity, const Rect& world);
  static Fan MakeFan();
  // Where the arc from the start pixel first meets the ground (or its last point).
  // A piece of the flight wholly above the ground of its columns meets nothing and is
  // passed over.
  // `reach` is the box of the ground the answer depends on, `lastStep` the step of the
  // flight it came at (-1 when below the world's bottom).
  static Vector2 LandArc(const TerrainSnapshot& terrain, const Tops& tops, const Arc& arc, int32_t x, int32_t y,
                         std::array<int64_t, 4>* reach = nullptr, int* lastStep = nullptr);
  // Whether a solid pixel of the memo's copy lies on the segment, as
  // TerrainSnapshot::TraceSegment finds it; stretches of it above the highest ground of
  // their columns are not looked up.
  static bool SegmentBlocked(const Memo& ground, const Vector2& from, const Vector2& to);
  // Traces node i's lines of sight still due, one by one, while its score may still beat
  // `bar`, the score of node `best` (every line when there is none); true when all are
  // traced (its views set).
  bool TraceViews(size_t i, const std::array<double, 5>& factors, int32_t best, double bar);
  // The highest score node i may still reach with its lines not yet traced: all of them
  // clear where their weight is positive, none where it is not. Each term of the score
  // grows with its view, so no rounding makes this lower than the score itself.
  double ViewBound(size_t i, const std::array<double, 5>& factors) const;
  int32_t Search(int32_t start, int32_t target);

  std::vector<Node> m_nodes;
  // Column c (from m_left) holds m_columnNodes[m_columnStart[c] .. m_columnStart[c + 1]):
  // (row, node index) pairs.
  std::vector<uint32_t> m_columnStart;
  std::vector<std::array<int32_t, 2>> m_columnNodes;
  int32_t m_left = 0;
  std::vector<int32_t> m_closedOrder;
  // The search's open set, each node's number of first insertion and the node of each.
  std::vector<uint64_t> m_open;
  std::vector<uint32_t> m_seqOf;
  std::vector<int32_t> m_nodeOf;
  // The reachable marks of a walk, one byte per node, and its queue.
  std::vector<uint8_t> m_reachMark;
  std::vector<int32_t> m_reachQueue;
  std::unique_ptr<Memo> m_memo;
  // Per node, what the memo knows of its place (valid during a build).
  std::vector<Memo::Entry*> m_entries;
  size_t m_workedOut = 0;
  // Lazy views: per node, whether its views are still due and, of its lines to the
  // build's enemies and friends (seen with the build's shot offset), how many are traced
  // and how many of those are clear. Empty when no view is due.
  struct ViewsDue {
    bool due = false;
    // The enemy whose line is traced first; the rest follow in turn from it.
    uint16_t firstEnemy = 0;
    uint16_t enemies = 0;
    uint16_t enemiesSeen = 0;
    uint16_t friends = 0;
    uint16_t friendsSeen = 0;
  };
  bool m_lazyViews = false;
  // The enemy whose line of sight was last found blocked: a node's lines are traced from
  // it on, as its neighbours' are most likely blocked the same way and a blocked line
  // tells soonest that a node cannot win.
  uint16_t m_blockedEnemy = 0;
  std::vector<ViewsDue> m_viewsDue;
  // The nodes whose views are due, as (highest reachable score, index), for a choice.
  std::vector<std::pair<double, int32_t>> m_dueOrder;
  static constexpr size_t kFirstWeighed = 16;
  Vector2 m_viewOffset;
  std::vector<Vector2> m_viewEnemies;
  std::vector<Vector2> m_viewFriends;
};
