// The one engine context of the process: the product title, the engine managers, the frame
// timer, the language table, the game-wide object, the main loop's running flag, the main
// window and the configuration document read from "config.cfg" in the per-user folder.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "engine/apiglobals.h"
#include "engine/apiinput.h"
#include "engine/frametimer.h"
#include "engine/kvnode.h"
#include "engine/playerfile.h"
#include "engine/sprache.h"

class APIGraphics;
class APISound;

namespace platform {
class Window;
}

// The context is also what the input manager sees of the window, the display and the clock.
class APIContext : public InputHost {
 public:
  // The process-wide context, made on the first call (title empty, managers null, running).
  static APIContext* Get();

  APIContext();
  ~APIContext() override;
  APIContext(const APIContext&) = delete;
  APIContext& operator=(const APIContext&) = delete;

  // Loads the configuration, gets the graphics, input and sound managers, makes the timer and
  // the language table, then lets the game-wide object load its settings.
  void Init();
  // Builds a fresh configuration from the live settings and writes "config.cfg" whole. A
  // file that could not be read is kept; a damaged one is set aside as "config.cfg.bad".
  void Shutdown();
  // The configuration document (never null after Init).
  KVNode* GetConfig() const { return configuration.get(); }
  // The full path of a file in the per-user folder $XDG_DATA_HOME/<title>; makes the folder.
  std::u16string UserFilePath(std::u16string_view fileName) const;

  // The fields are read and set directly by the shell and the managers.
  std::u16string title;
  APIGraphics* graphics = nullptr;  // not owned: a single object of its own
  APISound* sound = nullptr;        // not owned
  APIInput* input = nullptr;        // not owned
  std::unique_ptr<FrameTimer> timer;
  std::unique_ptr<Sprache> language;
  std::unique_ptr<APIGlobals> globals;
  bool running = true;
  platform::Window* mainWindow = nullptr;
  std::unique_ptr<KVNode> configuration;
  // What Init found in "config.cfg".
  PlayerFileState configState = PlayerFileState::Missing;

  // Give Init managers other than the process-wide ones (tests). Each is called once, after
  // the configuration has been read.
  std::function<APIGraphics*(APIContext&)> graphicsFactory;
  std::function<APIInput*(APIContext&)> inputFactory;
  std::function<APISound*(APIContext&)> soundFactory;

  // InputHost: the main window's cursor, the chosen mode's size, the graphics manager's
  // full-screen flag, the frame timer's focus pause and the reset path.
  void GetCursor(int32_t& x, int32_t& y) override;
  void GetDisplaySize(int32_t& width, int32_t& height) override;
  bool IsFullScreen() override;
  void SetFocusPause(bool paused) override;
  void ToggleFullScreen() override;
  void ShowArrowCursor() override;
};
