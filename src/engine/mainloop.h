// One pass of the main loop at a time: a waiting window message is dispatched, else the
// device status decides between skipping the pass, resetting the device, or an update
// step followed by the render step, whose accumulator caps rendering at 60 frames a second.
#pragma once

#include <functional>

class APIContext;

class MainLoop {
 public:
  static constexpr double kRenderRate = 60.0;

  explicit MainLoop(APIContext& context) : m_context(&context) {}

  // The current scene's three operations.
  std::function<void()> updateScene;
  std::function<void()> renderScene;
  std::function<void()> updateMusic;

  // Runs passes while the context's running flag is set; returns the exit code (the quit
  // message's, else 0).
  int Run();
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
};
