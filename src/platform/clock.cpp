// Clocks over std::chrono::steady_clock.
#include "platform/clock.h"

#include <chrono>
#include <thread>

namespace platform {

namespace {
// steady_clock counts from boot here, as the system's tick count does, so the tick count
// differs from run to run (the shell seeds the random generator with it).
using Clock = std::chrono::steady_clock;
}  // namespace

uint64_t PerformanceCounter() {
  return uint64_t(
      std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count());
}

uint64_t PerformanceFrequency() { return 1000000000ull; }

uint32_t TickCount() {
  return uint32_t(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count());
}

void SleepMs(uint32_t milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

}  // namespace platform
