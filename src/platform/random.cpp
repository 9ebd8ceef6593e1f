#include "platform/random.h"

namespace platform {
namespace {
thread_local uint32_t g_state = 1;
}

void SRand(uint32_t seed) { g_state = seed; }

int Rand() {
  g_state = g_state * 214013u + 2531011u;
  return int((g_state >> 16) & 0x7FFFu);
}

double RandFraction() { return Rand() / 32767.0; }

uint32_t RandState() { return g_state; }

}  // namespace platform
