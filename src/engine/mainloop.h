// One pass of the main loop at a time: a waiting window message is dispatched, else the
// device status decides between skipping the pass, resetting the device, or an update
// step followed by the render step, whose accumulator caps rendering at 60 frames a second.
#pragma once

#include <functional>

class APIContext;

class MainLoop {
 public:
  static constexpr double kRenderRate = 60.0;
  // Between passes the loop waits for a message, at most until the next frame is due and
  // never longer than this: the frame timer cuts longer steps, and the game's time would
  // fall behind the clock.
  static constexpr double kMaxWait = 0.005;

  explicit MainLoop(APIContext& context) : m_context(&context) {}

  // The current scene's three operations.
  std::function<void()> updateScene;
  std::function<void()> renderScene;
  std::function<void()> updateMusic;

  // How the loop waits (seconds at most, returning early when a message arrives); the
  // platform's message wait unless a test puts its own.
  std::function<void(double)> waitForMessage;

  // Runs passes while the context's running flag is set, waiting between them (see
  // WaitTime); returns the exit code (the quit message's, else 0).
  int Run();
  // The wait after a pass: none after a message (more may be waiting), else until the
  // render accumulator passes 1/60 s, at most kMaxWait.
  double WaitTime() const;
  // One pass; false when the loop is to end.
  bool Pass();
  // Frame timer, input, sound, then the scene.
  void UpdateStep();
  // Adds the real step to the accumulator; renders when it is above 1/60 s, then zeroes it.
  void RenderStep();
  void MusicStep();

  double renderAccumulator = 0.0;
  int exitCode = 0;

 private:
  APIContext* m_context;
  bool m_dispatched = false;
};
