// The frame clock every per-frame update reads: the real and the game step of the last
// frame (each at most 0.01 s), their unclamped totals, a speed factor and pause flags.
#pragma once

#include <cstdint>

// Where the frame timer takes its time from; tests hand in their own.
class TimerClock {
 public:
  virtual ~TimerClock() = default;
  // False when there is no high-resolution counter.
  virtual bool QueryFrequency(uint64_t& countsPerSecond) = 0;
  virtual uint64_t QueryCounter() = 0;
  // Milliseconds, 32 bits, wrapping.
  virtual uint32_t TickCount() = 0;
};

// The platform's clocks.
TimerClock& SystemTimerClock();

class FrameTimer {
 public:
  static constexpr double kMaxStep = 0.01;

  // Speed 1.0, not paused, totals 0.0, then Reset. Without a clock the system's is used.
  explicit FrameTimer(TimerClock* clock = nullptr);

  // Chooses the clock and takes the start count.
  void Reset();
  // Once per pass of the main loop.
  void Tick();
  // Whether the game step stands still (either pause).
  bool IsPaused() const { return paused || focusPaused; }

  double speed = 1.0;
  // The player's pause (the pause screen sets and clears it).
  bool paused = false;
  // Pause while the window has lost the focus or activation (set and cleared by the input
  // manager). Kept apart from the player's pause, so regaining the focus does not end a
  // pause the player asked for.
  bool focusPaused = false;
  double gameStep = 0.0;
  double realStep = 0.0;
  double gameTotal = 0.0;
  double realTotal = 0.0;
  uint64_t now = 0;
  bool usesPerformanceCounter = false;
  double tickPeriod = 0.001;
  uint64_t last = 0;

 private:
  TimerClock* m_clock;
};
