// The application shell.
#include "app/shell.h"

#include <cstdio>
#include <memory>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/apiinput.h"
#include "engine/apisound.h"
#include "engine/dataarchive.h"
#include "engine/mainloop.h"
#include "engine/myglobals.h"
#include "frontend/mainmenu.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/random.h"
#include "platform/text.h"
#include "platform/video.h"
#include "platform/window.h"

namespace {

std::unique_ptr<platform::Window> g_mainWindow;
MainMenu* g_scene = nullptr;

// A small round icon in the game's colours, drawn here rather than shipped.
void SetWindowIcon(platform::Window& window) {
  constexpr int kSize = 32;
  uint32_t pixels[kSize * kSize];
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      float dx = float(x) - 15.5f, dy = float(y) - 15.5f;
      float d = dx * dx + dy * dy;
      uint32_t p = 0;
      if (d < 15.0f * 15.0f) {
        float light = 1.0f - (float(x) + float(y)) / 80.0f;
        uint32_t r = uint32_t(90 + 140 * light), g = uint32_t(60 + 100 * light),
                 b = uint32_t(30 + 40 * light);
        p = 0xFF000000u | (r << 16) | (g << 8) | b;
      } else if (d < 16.0f * 16.0f) {
        p = 0xFF201008u;
      }
      pixels[y * kSize + x] = p;
    }
  window.SetIcon(pixels, kSize, kSize);
}

// The input manager's hook has seen every message but key-up before it comes here.
void WndProc(platform::WindowMessage& message) {
  if (message.type == platform::MessageType::Close) platform::PostQuitMessage(0);
}

void Shutdown(APIContext* context) {
  delete g_scene;
  g_scene = nullptr;
  context->Shutdown();
  context->globals.reset();
  // The input and sound managers let go of their devices and the message hook while the
  // window and the platform layer are still there, not when the process ends.
  if (context->input) context->input->Shutdown();
  if (context->sound) context->sound->Shutdown();
  // The device goes before the window it draws into.
  if (context->graphics) context->graphics->Release();
  context->mainWindow = nullptr;
  g_mainWindow.reset();
}

}  // namespace

HResult CreateMainWindow() {
  APIContext* context = APIContext::Get();
  APIGraphics* graphics = context->graphics;
  int32_t width = graphics ? int32_t(graphics->GetScreenWidth()) : 1024;
  int32_t height = graphics ? int32_t(graphics->GetScreenHeight()) : 768;
  std::string error;
  g_mainWindow = platform::Window::Create(u"Krumbolt", width, height, &error);
  if (!g_mainWindow) return kResultFail;
  g_mainWindow->SetPosition(0, 0);
  g_mainWindow->SetProcedure(WndProc);
  SetWindowIcon(*g_mainWindow);
  context->mainWindow = g_mainWindow.get();
  return kResultOk;
}

HResult PlayIntroVideo(std::u16string_view fileName) {
  if (!platform::FileExists(fileName)) {
    std::fprintf(stderr, "Krumbolt: %s not found; the intro is skipped\n", platform::U16ToUtf8(fileName).c_str());
    return kResultFail;
  }
  platform::VideoResult result = platform::PlayVideoFullscreen(platform::ToOsPath(fileName));
  return result == platform::VideoResult::Failed ? kResultFail : kResultOk;
}

namespace {

// Without its archive, and without the files it would hold beside the program, the game has
// nothing to show: the player is told where it looked. Empty when the data is there.
std::u16string MissingGameData() {
  const std::u16string found = DataArchive::Locate();
  if (!found.empty() && DataArchive::Open(found)) return u"";
  if (platform::FileExists(u"Splash.spl") && platform::FileExists(u"animationen.ani")) return u"";
  std::u16string text = found.empty() ? u"The game data krumbolt.gob was not found. Looked in:"
                                      : u"The game data " + found + u" is not a usable archive. Looked in:";
  for (const std::u16string& place : DataArchive::Places()) text += u"\n" + place;
  return text;
}

}  // namespace

int WinMain() {
  platform::SRand(platform::TickCount());
  platform::InitVideo();
  if (const std::u16string missing = MissingGameData(); !missing.empty()) {
    platform::ShowMessageBox(u"Krumbolt", missing, platform::MessageBoxIcon::Error);
    return kExitNoGameData;
  }

  APIContext* context = APIContext::Get();
  context->title = u"Krumbolt";
  auto globals = std::make_unique<MyGlobals>();
  MyGlobals* myGlobals = globals.get();
  context->globals = std::move(globals);
  context->Init();
  // Losing the display saves the player's files and ends the game; nothing is drawn or freed.
  platform::SetDisplayLostHandler(
      [context, myGlobals] {
        context->Shutdown();
        myGlobals->SaveKeysAndProgress();
      },
      kExitDisplayLost);

  if (myGlobals->intro && !platform::QuitRequested()) PlayIntroVideo(u"intro.wmv");
  // A quit during the intro (or before it) ends the game here, with the player's files saved.
  if (platform::QuitRequested()) {
    Shutdown(context);
    return 0;
  }

  CreateMainWindow();
  platform::ShowCursor(true);
  if (context->mainWindow) context->mainWindow->Show();

  if (Failed(context->graphics->Create())) {
    platform::ShowMessageBox(u"Fehler!", u"Direct3D kann nicht initialisiert werden",
                             platform::MessageBoxIcon::Error);
    Shutdown(context);
    // The failure must show in the exit code, so scripts and launchers see it.
    return kExitStartupFailed;
  }
  myGlobals->RegisterFonts();
  if (context->input->Init() < 0) {
    platform::ShowMessageBox(u"Fehler!", u"DirectInput konnte nicht initialisiert werden",
                             platform::MessageBoxIcon::Error);
    Shutdown(context);
    return kExitStartupFailed;
  }
  if (context->sound->Init() < 0)
    platform::ShowMessageBox(u"Fehler!", u"DirectSound konnte nicht initialisiert werden",
                             platform::MessageBoxIcon::Error);
  if (context->mainWindow) context->mainWindow->Raise();

  g_scene = new MainMenu();
  // The loading steps stop early on a quit; the half-loaded scene is never run.
  if (platform::QuitRequested()) {
    Shutdown(context);
    return 0;
  }
  context->timer->Tick();

  MainLoop loop(*context);
  loop.updateScene = [] {
    if (g_scene) g_scene->Update();
  };
  loop.renderScene = [] {
    if (g_scene) g_scene->Render();
  };
  loop.updateMusic = [] {
    if (g_scene) g_scene->UpdateMusic();
  };
  int exitCode = loop.Run();

  Shutdown(context);
  return exitCode;
}
