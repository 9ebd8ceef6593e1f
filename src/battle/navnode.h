// One ground-surface point of the computer opponent's navigation graph, as the terrain's
// surface scan makes it. The graph (NavGraph) adds its links and costs after x and y when
// it is built; until then a node carries the two runs of five values every new node
// starts with.
#pragma once

#include <array>
#include <cstdint>

struct NavNode {
  static constexpr std::array<int32_t, 5> kInitialRun{1, 2000, 4000, 3000, 5000};

  NavNode() = default;
  NavNode(int32_t x_, int32_t y_) : x(x_), y(y_) {}

  int32_t x = 0;
  int32_t y = 0;
  std::array<int32_t, 5> firstRun = kInitialRun;
  std::array<int32_t, 5> secondRun = kInitialRun;
};
