// The intro player: the decoder module (see video_decoder.h) is loaded for the time of one
// video and let go after it; the pictures are drawn through the graphics device.
#include "platform/video.h"

#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "platform/clock.h"
#include "platform/graphics.h"
#include "platform/spritebatch.h"
#include "platform/texture.h"
#include "platform/video_decoder.h"
#include "platform/window.h"

namespace platform {

namespace {

std::string ModuleBesideProgram() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return kVideoDecoderModuleName;
  return (program.parent_path() / kVideoDecoderModuleName).string();
}

// The loaded module and one open video in it; both are let go at the end of the scope, the
// video first.
class DecoderModule {
 public:
  DecoderModule() = default;
  DecoderModule(const DecoderModule&) = delete;
  DecoderModule& operator=(const DecoderModule&) = delete;
  ~DecoderModule() {
    if (m_video) m_api->close(m_video);
    if (m_library) dlclose(m_library);
  }

  // False with the reason in `error` when the module cannot be used.
  bool Load(const std::string& path, std::string* error) {
    m_library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_library) {
      const char* why = dlerror();
      *error = why ? why : path + ": cannot be loaded";
      return false;
    }
    auto entry = reinterpret_cast<VideoDecoderEntry>(dlsym(m_library, kVideoDecoderEntryName));
    m_api = entry ? entry() : nullptr;
    if (!m_api || m_api->version != kVideoDecoderVersion || !m_api->open || !m_api->next || !m_api->close) {
      *error = path + ": not a video decoder of this version";
      m_api = nullptr;
      return false;
    }
    return true;
  }

  bool Open(const std::string& path) {
    m_video = m_api->open(path.c_str(), &width, &height);
    return m_video != nullptr;
  }

  int32_t Next(uint8_t* bgra, double* seconds) { return m_api->next(m_video, bgra, seconds); }

  int32_t width = 0, height = 0;

 private:
  void* m_library = nullptr;
  const VideoDecoderApi* m_api = nullptr;
  void* m_video = nullptr;
};

// Takes waiting messages; false when playing is to stop. A quit request is put back so the
// program's own loop still sees it.
bool PumpAndCheck() {
  WindowMessage m;
  bool go = true;
  bool quit = false;
  int exitCode = 0;
  while (GetMessage(m)) {
    if (m.type == MessageType::Quit) {
      quit = true;
      exitCode = m.exitCode;
      go = false;
      continue;
    }
    if (m.type == MessageType::KeyDown && m.scancode == kScancodeEscape) go = false;
    if (m.type == MessageType::Close) go = false;
    DispatchMessage(m);
  }
  if (IsKeyDown(kScancodeEscape)) go = false;
  if (quit) PostQuitMessage(exitCode);
  return go;
}

}  // namespace

VideoResult PlayVideoFullscreen(const std::string& osPath, const VideoOptions& options) {
  const std::string modulePath =
      options.decoderModule.empty() ? ModuleBesideProgram() : options.decoderModule;
  DecoderModule decoder;
  std::string error;
  if (!decoder.Load(modulePath, &error)) {
    std::fprintf(stderr, "video: no decoder (%s); %s is not played\n", error.c_str(), osPath.c_str());
    return VideoResult::Failed;
  }
  if (!decoder.Open(osPath)) {
    std::fprintf(stderr, "video: %s is missing or not a video that can be played\n", osPath.c_str());
    return VideoResult::Failed;
  }
  // A quit that came while the file opened spares making the window and the device.
  if (QuitRequested()) return VideoResult::Stopped;
  const int width = decoder.width;
  const int height = decoder.height;

  std::unique_ptr<Window> ownWindow;
  std::unique_ptr<GraphicsDevice> ownDevice;
  Window* window = options.window;
  GraphicsDevice* device = options.device;
  if (!window) {
    ownWindow = Window::Create(u"Krumbolt", width, height, &error);
    if (!ownWindow) return VideoResult::Failed;
    window = ownWindow.get();
    window->SetFullscreen(true);
    window->Show();
  }
  if (!device) {
    ownDevice = GraphicsDevice::CreateOpenGL(*window, width, height);
    if (!ownDevice) return VideoResult::Failed;
    device = ownDevice.get();
  }
  ShowCursor(false);

  Texture texture(width, height);
  SpriteBatch batch(*device);
  const int32_t backW = device->BackBufferWidth(), backH = device->BackBufferHeight();
  // The picture keeps its proportions inside the device's back buffer.
  Letterbox box = Letterbox::Compute(width, height, backW, backH);
  Vector2 scale(float(box.width) / float(width), float(box.height) / float(height));
  Vector2 position(float(box.x), float(box.y));

  VideoResult result = VideoResult::Finished;
  const uint64_t start = PerformanceCounter();
  const double period = 1.0 / double(PerformanceFrequency());
  int index = 0;
  for (;;) {
    double due = -1.0;
    const int32_t next = decoder.Next(reinterpret_cast<uint8_t*>(texture.MutablePixels()), &due);
    if (next < 0) {
      std::fprintf(stderr, "video: %s: a picture cannot be converted; playing stops\n", osPath.c_str());
      result = VideoResult::Failed;
      break;
    }
    if (next == 0) break;
    if (!PumpAndCheck()) {
      result = VideoResult::Stopped;
      break;
    }
    texture.MarkAllDirty();

    // Wait for the frame's time, still answering Escape.
    bool stop = false;
    while (due > 0.0 && double(PerformanceCounter() - start) * period < due) {
      if (!PumpAndCheck()) {
        stop = true;
        break;
      }
      SleepMs(1);
    }
    if (stop) {
      result = VideoResult::Stopped;
      break;
    }
    device->Clear(kClearTarget, 0xFF000000, 1.0f, 0);
    batch.Begin(0);
    batch.SetTransform(Transformation2D(nullptr, 0.0f, &scale, nullptr, 0.0f, &position));
    batch.Draw(&texture, nullptr, nullptr, nullptr, 0xFFFFFFFF);
    batch.End();
    device->Present();
    if (options.onFrame) options.onFrame(index, *device);
    ++index;
  }
  if (index == 0 && result == VideoResult::Finished) result = VideoResult::Failed;
  ShowCursor(true);
  return result;
}

}  // namespace platform
