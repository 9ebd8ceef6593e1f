// Counting the game generator's draws: how many were made since a remembered state, and the
// fractions a seed yields, so tests can pin both the number and the order of draws.
#pragma once

#include <cstdint>
#include <vector>

// The number of draws that took the generator from `state` to its current state (-1 when
// more than a million).
int DrawsSince(uint32_t state);
// The first `count` values r = rand() / 32767 after seeding with `seed`; the generator's own
// state is left untouched.
std::vector<double> FractionsAfter(uint32_t seed, int count);
