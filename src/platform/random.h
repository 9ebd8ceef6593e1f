// The game's random generator: the classic linear congruential generator with one state
// per thread, starting at 1. Every random draw of game logic goes through here, so that
// the same seed gives the same world.
#pragma once

#include <cstdint>

namespace platform {

constexpr int kRandMax = 32767;

void SRand(uint32_t seed);
// state = state * 214013 + 2531011 (mod 2^32); returns (state >> 16) & 32767.
int Rand();
// Rand() / 32767.0, so 0 <= r <= 1.
double RandFraction();
// The current state of this thread's generator (tests and diagnostics).
uint32_t RandState();

}  // namespace platform
