// The engine context on OpenGL offscreen.
#include "support/gl_engine.h"

#include <fstream>

#include "platform/input.h"
#include "platform/sound.h"
#include "support/png.h"

GlEngine::GlEngine(int32_t width, int32_t height) {
  context.title = u"Krumbolt";
  auto globals = std::make_unique<MyGlobals>(&context);
  game = globals.get();
  context.globals = std::move(globals);
  context.graphicsFactory = [this, width, height](APIContext& c) {
    DisplayEnvironment env;
    env.desktop = {width, height};
    env.workArea = {0, 0, width, height};
    env.adapterModes.push_back({uint32_t(width), uint32_t(height), 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(c, env);
    return graphics.get();
  };
  context.inputFactory = [this](APIContext& c) {
    input = std::make_unique<APIInput>(&c);
    return input.get();
  };
  context.soundFactory = [this](APIContext& c) {
    sound = std::make_unique<APISound>(c.GetConfig());
    return sound.get();
  };
  context.Init();
  context.timer = std::make_unique<FrameTimer>(&clock);
  window = platform::Window::Create(u"scene", width, height, &error);
  if (!window) return;
  context.mainWindow = window.get();
  if (graphics->Create() != kResultOk) {
    error = "the graphics device could not be made";
    return;
  }
  auto scripted = std::make_unique<platform::ScriptedInputDevice>();
  keys = scripted.get();
  input->Init(std::move(scripted));
  sound->Init(std::make_unique<platform::NullSoundDevice>());
  m_ready = true;
}

GlEngine::~GlEngine() {
  context.globals.reset();
  if (graphics) graphics->Release();
}

void WritePngBesideBuild(const char* name, const std::vector<uint32_t>& pixels, int width, int height) {
  const std::vector<uint8_t> png =
      MakePng(width, height, [&](int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; });
  std::ofstream(std::string(KRUMBOLT_BINARY_DIR) + "/" + name, std::ios::binary)
      .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
}
