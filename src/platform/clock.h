// The process clocks: a high-resolution counter that never wraps or runs backwards, the
// 32-bit millisecond tick count, and sleeping.
#pragma once

#include <cstdint>

namespace platform {

uint64_t PerformanceCounter();
// Counts of PerformanceCounter per second.
uint64_t PerformanceFrequency();
// Milliseconds since an arbitrary start; wraps after about 49.7 days as 32-bit counts do.
uint32_t TickCount();
void SleepMs(uint32_t milliseconds);

}  // namespace platform
