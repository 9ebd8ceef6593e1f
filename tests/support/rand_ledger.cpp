#include "support/rand_ledger.h"

#include "platform/random.h"

namespace {
constexpr uint32_t kMultiplier = 214013u;
constexpr uint32_t kIncrement = 2531011u;

uint32_t InverseMultiplier() {
  // Newton's iteration for the inverse of an odd number modulo 2^32.
  uint32_t x = kMultiplier;
  for (int i = 0; i < 5; ++i) x *= 2u - kMultiplier * x;
  return x;
}
}  // namespace

int ReferenceRand::Next() {
  state = state * kMultiplier + kIncrement;
  return int((state >> 16) & 0x7FFFu);
}

RandLedger::RandLedger() : m_mark(platform::RandState()) {}

void RandLedger::Mark() { m_mark = platform::RandState(); }

int RandLedger::Draws() const {
  const uint32_t now = platform::RandState();
  uint32_t s = m_mark;
  for (int n = 0; n < 1000000; ++n) {
    if (s == now) return n;
    s = s * kMultiplier + kIncrement;
  }
  return -1;
}

void SeedSoNextRandIs(int value) {
  const uint32_t next = uint32_t(value) << 16;
  platform::SRand((next - kIncrement) * InverseMultiplier());
}
