// The engine context started as the shell starts it, on OpenGL offscreen (1024 x 768), in a
// temporary per-user folder, with scripted input, the silent sound device and a frame timer
// on a clock the test moves: for tests that draw whole scenes and look at the pixels.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/apiinput.h"
#include "engine/apisound.h"
#include "engine/frametimer.h"
#include "engine/myglobals.h"
#include "platform/input.h"
#include "platform/window.h"
#include "support/engine_run.h"
#include "support/user_folder.h"

class GlEngine {
 public:
  // Check Ready() (or `error`) before using it.
  // The screen is 1024 x 768 unless another of the game's sizes is given.
  explicit GlEngine(int32_t width = 1024, int32_t height = 768);
  // The game-wide object goes first, then the device.
  ~GlEngine();
  GlEngine(const GlEngine&) = delete;
  GlEngine& operator=(const GlEngine&) = delete;

  bool Ready() const { return m_ready; }
  // The clock moves on by 10 ms and the timer ticks, `frames` times, with `update` run after
  // each tick.
  template <class Update>
  void Step(int frames, Update update) {
    for (int i = 0; i < frames; ++i) {
      clock.counter += 10000;
      context.timer->Tick();
      update();
    }
  }

  UserFolder folder;
  ManualClock clock;
  APIContext context;
  std::unique_ptr<APIGraphics> graphics;
  std::unique_ptr<APIInput> input;
  std::unique_ptr<APISound> sound;
  std::unique_ptr<platform::Window> window;
  MyGlobals* game = nullptr;
  // The input device the test scripts its keys and pointer on.
  platform::ScriptedInputDevice* keys = nullptr;
  std::string error;

 private:
  bool m_ready = false;
};

// Writes the pixels (0xAARRGGBB, `width` to a row) as a PNG of that name beside the build.
void WritePngBesideBuild(const char* name, const std::vector<uint32_t>& pixels, int width, int height);
