// The engine context started as the shell starts it, in a temporary per-user folder, on the
// null graphics device, with scripted input devices, the silent sound device and a frame
// timer on a clock the test moves.
#pragma once

#include <memory>
#include <vector>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/apiinput.h"
#include "engine/apisound.h"
#include "engine/mainloop.h"
#include "engine/myglobals.h"
#include "platform/input.h"
#include "platform/sound.h"
#include "support/user_folder.h"

class ManualClock final : public TimerClock {
 public:
  uint64_t counter = 0;
  bool QueryFrequency(uint64_t& f) override {
    f = 1000000;
    return true;
  }
  uint64_t QueryCounter() override { return counter; }
  uint32_t TickCount() override { return 0; }
};

// The engine context as the input manager sees it, with a cursor a test may place.
class PlaceableCursor final : public InputHost {
 public:
  explicit PlaceableCursor(APIContext& context) : m_context(context) {}
  void GetCursor(int32_t& x, int32_t& y) override;
  void GetDisplaySize(int32_t& width, int32_t& height) override { m_context.GetDisplaySize(width, height); }
  bool IsFullScreen() override { return m_context.IsFullScreen(); }
  void SetFocusPause(bool paused) override { m_context.SetFocusPause(paused); }
  void ToggleFullScreen() override { m_context.ToggleFullScreen(); }
  void ShowArrowCursor() override { m_context.ShowArrowCursor(); }

  // From now on the cursor is there, whatever the window says.
  void Place(int32_t x, int32_t y) {
    m_placed = true;
    m_x = x;
    m_y = y;
  }

 private:
  APIContext& m_context;
  bool m_placed = false;
  int32_t m_x = 0, m_y = 0;
};

class EngineRun {
 public:
  // Starts from this config.cfg (none when null); the display is 1280x1024 unless another
  // size is given, which is then its one mode.
  explicit EngineRun(const KVNode* config = nullptr, platform::Size display = {1280, 1024});
  ~EngineRun();

  // A configuration with the "Display" section asking for full screen or a window.
  static std::unique_ptr<KVNode> DisplayConfig(bool fullscreen);

  // One pass of the main loop after the clock moved on by `micros`.
  bool Pass(uint64_t micros = 10000);
  // Posts a window message and runs the pass that dispatches it.
  void Send(platform::MessageType type);
  // Sets exactly these keys down.
  void Keys(const std::vector<uint8_t>& down);
  // Posts a mouse message at the placed cursor and runs the pass that dispatches it and the
  // one that hands it to the listeners.
  void Mouse(platform::MessageType type, int32_t wheelDelta = 0);

  UserFolder folder;
  ManualClock clock;
  APIContext context;
  PlaceableCursor cursor{context};
  std::unique_ptr<APIGraphics> graphics;
  std::unique_ptr<APIInput> input;
  std::unique_ptr<APISound> sound;
  MyGlobals* globals = nullptr;
  platform::ScriptedInputDevice* devices = nullptr;
  platform::NullSoundDevice* speaker = nullptr;
  std::unique_ptr<MainLoop> loop;
};
