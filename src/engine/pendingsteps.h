// Frame steps that a set of moving animations has not taken yet. Decorations that nobody
// draws or reads need not move every frame: their owner keeps the steps here, in order
// (equal steps as one run), and hands them over as soon as the animations are asked for.
// Each animation then takes every kept step in turn, with the same arithmetic as frame by
// frame, so it stands exactly where it would have stood.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class BewegteAnimation;

class PendingSteps {
 public:
  using Animations = std::vector<std::unique_ptr<BewegteAnimation>>;

  // One frame's step for these animations (nothing to keep when there are none).
  void Add(double step, const Animations& animations);
  // Every kept step, taken by each animation from the last to the first; none kept after.
  void Apply(const Animations& animations);
  bool Empty() const { return m_runs.empty(); }

 private:
  struct Run {
    double step;
    int64_t count;
  };
  // Steps that vary from frame to frame make a run each: past this many they are taken.
  static constexpr size_t kMaxRuns = 64;
  std::vector<Run> m_runs;
};
