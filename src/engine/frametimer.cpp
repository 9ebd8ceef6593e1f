// The frame timer's arithmetic.
#include "engine/frametimer.h"

#include <algorithm>

#include "platform/clock.h"

namespace {

class SystemClock final : public TimerClock {
 public:
  bool QueryFrequency(uint64_t& countsPerSecond) override {
    countsPerSecond = platform::PerformanceFrequency();
    return countsPerSecond != 0;
  }
  uint64_t QueryCounter() override { return platform::PerformanceCounter(); }
  uint32_t TickCount() override { return platform::TickCount(); }
};

}  // namespace

TimerClock& SystemTimerClock() {
  static SystemClock clock;
  return clock;
}

FrameTimer::FrameTimer(TimerClock* clock) : m_clock(clock ? clock : &SystemTimerClock()) { Reset(); }

void FrameTimer::Reset() {
  uint64_t frequency = 0;
  if (m_clock->QueryFrequency(frequency) && frequency != 0) {
    usesPerformanceCounter = true;
    tickPeriod = 1.0 / double(frequency);
    last = m_clock->QueryCounter();
  } else {
    usesPerformanceCounter = false;
    tickPeriod = 0.001;
    last = m_clock->TickCount();
  }
  now = last;
}

void FrameTimer::Tick() {
  int64_t counts;
  if (usesPerformanceCounter) {
    now = m_clock->QueryCounter();
    counts = int64_t(now - last);
  } else {
    // The 32-bit tick count wraps; the difference taken in 32 bits stays right across it.
    now = m_clock->TickCount();
    counts = int64_t(uint32_t(uint32_t(now) - uint32_t(last)));
  }
  // A clock that steps back would give a negative frame; such a frame counts as 0.
  if (counts < 0) counts = 0;
  realStep = double(counts) * tickPeriod;
  realTotal += realStep;
  if (!IsPaused()) {
    gameStep = realStep * speed;
    gameTotal += gameStep;
    gameStep = std::min(gameStep, kMaxStep);
  } else {
    gameStep = 0.0;
  }
  realStep = std::min(realStep, kMaxStep);
  last = now;
}
