// Tools for pinning the game generator's draws in tests: an independent copy of its
// arithmetic, a count of the draws made since a mark, and states from which the next draw
// gives a chosen value.
#pragma once

#include <cstdint>
#include <vector>

// The generator's step, computed here on its own so that tests do not trust the code
// under test: state = state * 214013 + 2531011, value = (state >> 16) & 32767.
struct ReferenceRand {
  explicit ReferenceRand(uint32_t seed) : state(seed) {}
  int Next();
  double NextFraction() { return Next() / 32767.0; }
  uint32_t state;
};

// Counts the draws of this thread's generator since construction (or the last Mark).
class RandLedger {
 public:
  RandLedger();
  void Mark();
  // -1 when the state is not reachable within a million draws.
  int Draws() const;

 private:
  uint32_t m_mark;
};

// Seeds this thread's generator so that its next draw returns `value` (0 .. 32767).
void SeedSoNextRandIs(int value);
