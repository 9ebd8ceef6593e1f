// Start-up and shutdown of the engine context, the per-user folder, and what the input
// manager asks of the window, the display and the clock.
#include "engine/apicontext.h"

#include <filesystem>

#include "engine/apigraphics.h"
#include "engine/apiinput.h"
#include "engine/apisound.h"
#include "engine/sprache.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/window.h"

APIContext* APIContext::Get() {
  static APIContext context;
  return &context;
}

APIContext::APIContext() = default;
APIContext::~APIContext() = default;

std::u16string APIContext::UserFilePath(std::u16string_view fileName) const {
  std::u16string folder = platform::UserDataBase() + u"/" + title;
  // Unlike the last level alone, the XDG base may be missing on a fresh system as well.
  std::error_code ec;
  std::filesystem::create_directories(platform::ToOsPath(folder), ec);
  return folder + u"/" + std::u16string(fileName);
}

void APIContext::Init() {
  PlayerFile config = LoadPlayerFile(UserFilePath(u"config.cfg"), u"Config");
  configState = config.state;
  configuration = config.root ? std::move(config.root) : std::make_unique<KVNode>(u"Config");
  graphics = graphicsFactory ? graphicsFactory(*this) : APIGraphics::Get();
  input = inputFactory ? inputFactory(*this) : APIInput::Get();
  sound = soundFactory ? soundFactory(*this) : APISound::Get();
  timer = std::make_unique<FrameTimer>();
  language = std::make_unique<Sprache>(configuration.get());
  if (globals) globals->LoadSettings();
}

void APIContext::Shutdown() {
  // A fresh document: keys no component writes do not survive.
  KVNode root(u"Config");
  if (graphics) graphics->SaveConfig(&root);
  if (sound) sound->SaveConfig(&root);
  if (language) language->Save(&root);
  if (globals) globals->SaveSettings(&root);
  SavePlayerFileOver(UserFilePath(u"config.cfg"), configState, root, "configuration");
  if (globals) globals->SavePlayerFiles();
}

void APIContext::GetCursor(int32_t& x, int32_t& y) {
  x = 0;
  y = 0;
  if (mainWindow) mainWindow->MousePosition(x, y);
}

void APIContext::GetDisplaySize(int32_t& width, int32_t& height) {
  width = graphics ? int32_t(graphics->GetScreenWidth()) : 0;
  height = graphics ? int32_t(graphics->GetScreenHeight()) : 0;
}

bool APIContext::IsFullScreen() { return graphics && graphics->IsFullscreen(); }

void APIContext::SetFocusPause(bool paused) {
  if (timer) timer->focusPaused = paused;
}

void APIContext::ToggleFullScreen() {
  if (graphics) graphics->ToggleFullscreen();
}

void APIContext::ShowArrowCursor() {
  if (mainWindow) platform::SetArrowCursor();
}
