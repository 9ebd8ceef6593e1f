#include "support/draws.h"

#include "platform/random.h"

int DrawsSince(uint32_t state) {
  const uint32_t now = platform::RandState();
  for (int n = 0; n <= 1000000; ++n) {
    if (state == now) return n;
    state = state * 214013u + 2531011u;
  }
  return -1;
}

std::vector<double> FractionsAfter(uint32_t seed, int count) {
  std::vector<double> out;
  uint32_t state = seed;
  for (int i = 0; i < count; ++i) {
    state = state * 214013u + 2531011u;
    out.push_back(double((state >> 16) & 0x7FFFu) / 32767.0);
  }
  return out;
}
