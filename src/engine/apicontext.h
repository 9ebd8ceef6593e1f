// The one engine context of the process: the product title, the engine managers, the frame
// timer, the language table, the game-wide object, the main loop's running flag, the main
// window and the configuration document read from "config.cfg" in the per-user folder.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "engine/apiglobals.h"
#include "engine/frametimer.h"
#include "engine/kvnode.h"

class APIGraphics;
class APISound;
class APIInput;
class Sprache;

namespace platform {
class Window;
}

class APIContext {
 public:
  // The process-wide context, made on the first call (title empty, managers null, running).
  static APIContext* Get();

  APIContext();
  ~APIContext();
  APIContext(const APIContext&) = delete;
  APIContext& operator=(const APIContext&) = delete;

  // Loads the configuration, gets the managers, makes the timer and the language table, then
  // lets the game-wide object load its settings.
  void Init();
  // Builds a fresh configuration from the live settings and writes "config.cfg" whole.
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
  Sprache* language = nullptr;  // the language table; its owner is wired in with it
  std::unique_ptr<APIGlobals> globals;
  bool running = true;
  platform::Window* mainWindow = nullptr;
  std::unique_ptr<KVNode> configuration;

  // Gives Init a graphics manager other than the process-wide one (tests).
  std::function<APIGraphics*(APIContext&)> graphicsFactory;
};
