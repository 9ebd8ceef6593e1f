// An engine context for tests, started through APIContext::Init.
#include "support/engine_run.h"

#include "engine/kvnode.h"
#include "platform/text.h"
#include "platform/window.h"

EngineRun::EngineRun(const KVNode* config, platform::Size display) {
  platform::ClearMessages();
  context.title = u"Krumbolt";
  if (config) SaveKVFile(context.UserFilePath(u"config.cfg"), *config);
  auto g = std::make_unique<MyGlobals>(&context);
  globals = g.get();
  context.globals = std::move(g);
  context.graphicsFactory = [this, display](APIContext& c) {
    DisplayEnvironment env;
    env.desktop = display;
    env.workArea = {0, 0, display.width, display.height};
    env.adapterModes.push_back({uint32_t(display.width), uint32_t(display.height), 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(c, env);
    graphics->UseNullDevice(true);
    return graphics.get();
  };
  context.inputFactory = [this](APIContext&) {
    input = std::make_unique<APIInput>(&cursor);
    return input.get();
  };
  context.soundFactory = [this](APIContext& c) {
    sound = std::make_unique<APISound>(c.GetConfig());
    return sound.get();
  };
  context.Init();
  context.timer = std::make_unique<FrameTimer>(&clock);
  graphics->Create();
  auto scripted = std::make_unique<platform::ScriptedInputDevice>();
  devices = scripted.get();
  input->Init(std::move(scripted));
  auto silent = std::make_unique<platform::NullSoundDevice>();
  speaker = silent.get();
  sound->Init(std::move(silent));
  loop = std::make_unique<MainLoop>(context);
}

EngineRun::~EngineRun() {
  // As the shell does: the game-wide object goes while the managers it uses still exist.
  context.globals.reset();
  platform::ClearMessages();
}

std::unique_ptr<KVNode> EngineRun::DisplayConfig(bool fullscreen) {
  auto root = std::make_unique<KVNode>(u"Config");
  KVNode* display = root->AddChild(u"Display");
  display->AddChildWith(u"Resolution", 1280, 1024);
  display->AddChildWith(u"Fullscreen", fullscreen);
  return root;
}

bool EngineRun::Pass(uint64_t micros) {
  clock.counter += micros;
  return loop->Pass();
}

void EngineRun::Send(platform::MessageType type) {
  platform::WindowMessage message;
  message.type = type;
  platform::PostMessage(message);
  Pass();
}

void PlaceableCursor::GetCursor(int32_t& x, int32_t& y) {
  if (!m_placed) return m_context.GetCursor(x, y);
  x = m_x;
  y = m_y;
}

void EngineRun::Mouse(platform::MessageType type, int32_t wheelDelta) {
  platform::WindowMessage message;
  message.type = type;
  message.wheelDelta = wheelDelta;
  message.clicks = 1;
  cursor.GetCursor(message.x, message.y);
  platform::PostMessage(message);
  Pass();
  Pass();
}

void EngineRun::Keys(const std::vector<uint8_t>& down) {
  devices->ReleaseAllKeys();
  for (uint8_t k : down) devices->SetKey(k, true);
}
