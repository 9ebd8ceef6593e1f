// The display manager: modes, device creation, the reset registry and window placement.
#include "engine/apigraphics.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "engine/apicontext.h"
#include "engine/effect.h"
#include "engine/fontmanager.h"
#include "engine/imagerecordcache.h"
#include "engine/kvnode.h"
#include "engine/resetobjekt.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"

namespace {

struct ModeSize {
  uint32_t width;
  uint32_t height;
};
constexpr ModeSize kModeSizes[5] = {{1024, 768}, {1280, 720}, {1280, 1024}, {1680, 1050}, {1920, 1080}};

int64_t Distance(uint32_t a, uint32_t b) { return std::llabs(int64_t(a) - int64_t(b)); }

}  // namespace

DisplayEnvironment DisplayEnvironment::Query() {
  DisplayEnvironment env;
  env.desktop = platform::DesktopSize();
  env.workArea = platform::WorkArea();
  env.frame = platform::WindowFrameMetrics();
  for (const ModeSize& size : kModeSizes)
    if (int64_t(size.width) <= env.desktop.width && int64_t(size.height) <= env.desktop.height)
      env.adapterModes.push_back({size.width, size.height, 60, kFormatX8R8G8B8});
  // A desktop smaller than every size still gets the smallest, scaled down into it.
  if (env.adapterModes.empty()) env.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
  return env;
}

APIGraphics* APIGraphics::Get() {
  static APIGraphics graphics(*APIContext::Get(), DisplayEnvironment::Query());
  return &graphics;
}

APIGraphics::APIGraphics(APIContext& context, DisplayEnvironment display)
    : m_context(&context), m_display(std::move(display)) {
  m_spriteRenderer = std::make_unique<SpriteRenderer>(this);
  m_effectCache = std::make_unique<EffectCache>(this);
  m_texturDefCache = std::make_unique<TexturDefCache>(this);
  m_imageRecords = std::make_unique<ImageRecordCache>();
  int32_t wantedWidth = m_display.desktop.width;
  int32_t wantedHeight = m_display.desktop.height;
  if (KVNode* config = context.GetConfig()) {
    if (KVNode* section = config->GetChild(0, u"Display")) {
      section->Read(u"Resolution", wantedWidth, 0);
      section->Read(u"Resolution", wantedHeight, 1);
      section->Read(u"Fullscreen", m_fullscreen, 0);
    }
  }
  m_modes = BuildModeList(m_display.adapterModes);
  // Without any listed mode there would be nothing to choose; the smallest size stands in.
  if (m_modes.empty()) m_modes.push_back({1024, 768, 60, kFormatX8R8G8B8});
  m_wanted = {uint32_t(std::max(0, wantedWidth)), uint32_t(std::max(0, wantedHeight)), 60, kFormatX8R8G8B8};
  ApplyWantedMode();
}

APIGraphics::~APIGraphics() { Release(); }

std::vector<DisplayMode> APIGraphics::BuildModeList(const std::vector<DisplayMode>& adapterModes) {
  std::vector<DisplayMode> candidates[5];
  for (uint32_t format : {kFormatA8R8G8B8, kFormatX8R8G8B8})
    for (const DisplayMode& mode : adapterModes) {
      if (mode.format != format) continue;
      for (int i = 0; i < 5; ++i)
        if (mode.width == kModeSizes[i].width && mode.height == kModeSizes[i].height)
          candidates[i].push_back(mode);
    }
  std::vector<DisplayMode> list;
  for (const auto& sizeCandidates : candidates) {
    auto find = [&](uint32_t rate) -> const DisplayMode* {
      for (const DisplayMode& m : sizeCandidates)
        if (m.refreshRate == rate) return &m;
      return nullptr;
    };
    const DisplayMode* picked = nullptr;
    for (uint32_t rate = 60; rate <= 99 && !picked; ++rate) picked = find(rate);
    // The downward search runs whatever the upward one found and wins when it finds one.
    const DisplayMode* down = nullptr;
    for (uint32_t rate = 60; rate >= 31 && !down; --rate) down = find(rate);
    if (down) picked = down;
    if (picked) list.push_back(*picked);
  }
  std::sort(list.begin(), list.end(), [](const DisplayMode& a, const DisplayMode& b) {
    return a.width != b.width ? a.width < b.width : a.height < b.height;
  });
  return list;
}

uint32_t APIGraphics::ChooseModeIndex(const std::vector<DisplayMode>& modes, const DisplayMode* wanted,
                                      bool fullscreen, const DisplayEnvironment& display) {
  if (modes.empty()) return kNoMode;
  if (!wanted) return uint32_t(modes.size() - 1);
  int64_t workWidth = display.workArea.Width();
  int64_t workHeight = display.workArea.Height();
  uint32_t best = kNoMode;
  int64_t bestScore = 0;
  for (uint32_t i = 0; i < modes.size(); ++i) {
    const DisplayMode& m = modes[i];
    if (!fullscreen) {
      if (int64_t(m.height) + display.frame.frameY + display.frame.caption > workHeight ||
          int64_t(m.width) + 2 * display.frame.frameX > workWidth)
        continue;
    } else if (m.height > wanted->height || m.width > wanted->width) {
      continue;
    }
    int64_t score = Distance(m.format, wanted->format) * 10 + Distance(m.width, wanted->width) +
                    Distance(m.height, wanted->height) + Distance(m.refreshRate, wanted->refreshRate);
    if (best == kNoMode || score < bestScore) {
      best = i;
      bestScore = score;
    }
  }
  return best == kNoMode ? 0 : best;
}

DisplayMode APIGraphics::ChooseMode(const DisplayMode* wanted) const {
  uint32_t index = ChooseModeIndex(m_modes, wanted, m_fullscreen, m_display);
  return index == kNoMode ? DisplayMode{1024, 768, 60, kFormatX8R8G8B8} : m_modes[index];
}

void APIGraphics::ApplyWantedMode() {
  m_mode = ChooseMode(&m_wanted);
  m_modeIndex = FindModeIndex(m_mode.width, m_mode.height, m_mode.refreshRate, m_mode.format);
  m_screenWidth = m_mode.width;
  m_screenHeight = m_mode.height;
  FillPresentParameters();
}

void APIGraphics::FillPresentParameters() {
  PresentParameters& pp = m_presentParameters;
  pp.backBufferWidth = m_mode.width;
  pp.backBufferHeight = m_mode.height;
  pp.backBufferFormat = m_mode.format;
  pp.backBufferCount = 1;
  pp.windowed = !m_fullscreen;
  pp.fullScreenRefreshRate = m_fullscreen ? m_mode.refreshRate : 0;
}

uint32_t APIGraphics::FindModeIndex(uint32_t width, uint32_t height, uint32_t refresh,
                                    uint32_t format) const {
  DisplayMode wanted{width, height, refresh, format};
  for (uint32_t i = 0; i < m_modes.size(); ++i)
    if (m_modes[i] == wanted) return i;
  return kNoMode;
}

HResult APIGraphics::Create() {
  if (m_device) return kResultOk;
  platform::Window* window = m_context->mainWindow;
  m_presentParameters.deviceWindow = window;
  if (m_presentParameters.windowed) m_presentParameters.backBufferFormat = m_display.desktopFormat;
  std::string error;
  if (m_useNullDevice) {
    m_device = platform::GraphicsDevice::CreateNull(int32_t(m_screenWidth), int32_t(m_screenHeight));
  } else if (window) {
    m_device = platform::GraphicsDevice::CreateOpenGL(*window, int32_t(m_screenWidth),
                                                      int32_t(m_screenHeight), &error);
  } else {
    error = "no main window";
  }
  if (!m_device) {
    std::fprintf(stderr, "Krumbolt: graphics device: %s\n", error.c_str());
    Release();
    return kResultFail;
  }
  if (Failed(m_spriteRenderer->Init())) {
    Release();
    return kResultFail;
  }
  m_fontManager = std::make_unique<FontManager>(this);
  m_screenRect = {0, 0, int32_t(m_screenWidth), int32_t(m_screenHeight)};
  if (m_context->globals) m_context->globals->CreateDeviceObjects();
  AdjustWindow();
  return kResultOk;
}

void APIGraphics::Reset() {
  // The windowed flag of the presentation parameters is the one switch Alt+Enter flips; the
  // manager's own flag follows it, and a mode chosen for full screen is chosen again so the
  // window fits the work area.
  bool fullscreen = !m_presentParameters.windowed;
  if (fullscreen != m_fullscreen) {
    m_fullscreen = fullscreen;
    ApplyWantedMode();
  }
  m_spriteRenderer->OnLostDevice();
  // Indexing, not iterators: a hook must not register or unregister, but if one does the
  // walk stays within the list.
  for (size_t i = 0; i < m_resetObjekte.size(); ++i) m_resetObjekte[i]->OnLostDevice();
  bool ok = m_device && m_device->Reset(int32_t(m_presentParameters.backBufferWidth),
                                        int32_t(m_presentParameters.backBufferHeight));
  if (!ok) {
    m_context->running = false;
    return;
  }
  m_screenRect = {0, 0, int32_t(m_screenWidth), int32_t(m_screenHeight)};
  for (size_t i = 0; i < m_resetObjekte.size(); ++i) m_resetObjekte[i]->OnResetDevice();
  m_spriteRenderer->OnResetDevice();
  AdjustWindow();
}

void APIGraphics::ChangeMode(uint32_t width, uint32_t height, uint32_t refresh, uint32_t format,
                             bool fullscreen) {
  m_fullscreen = fullscreen;
  m_wanted = {width, height, refresh, format};
  ApplyWantedMode();
  Reset();
}

void APIGraphics::ToggleFullscreen() {
  m_presentParameters.windowed = !m_presentParameters.windowed;
  Reset();
}

void APIGraphics::AdjustWindow() {
  platform::Window* window = m_context->mainWindow;
  if (!window) return;
  window->SetBackBufferSize(int32_t(m_screenWidth), int32_t(m_screenHeight));
  if (m_presentParameters.windowed) {
    window->SetFullscreen(false);
    window->SetClientSize(int32_t(m_screenWidth), int32_t(m_screenHeight));
    const platform::FrameMetrics& f = m_display.frame;
    int32_t outerWidth = int32_t(m_screenWidth) + 2 * f.frameX;
    int32_t outerHeight = int32_t(m_screenHeight) + f.frameY + f.caption;
    int32_t x = std::max(0, (m_display.desktop.width - outerWidth) / 2);
    int32_t y = std::max(0, (m_display.desktop.height - outerHeight) / 2);
    // The window manager puts its frame around the client area we place.
    window->SetPosition(x + f.frameX, y + f.caption);
  } else {
    window->SetFullscreen(true);
  }
}

void APIGraphics::SaveConfig(KVNode* root) const {
  if (!root) return;
  KVNode* display = root->AddChild(u"Display");
  display->AddChildWith(u"Resolution", int(m_screenWidth), int(m_screenHeight));
  display->AddChildWith(u"Fullscreen", !m_presentParameters.windowed);
}

void APIGraphics::Release() {
  // Fonts go first (each leaves the reset registry as it goes), then the image records'
  // textures, then the effects, which leave the registry too.
  m_fontManager.reset();
  if (m_imageRecords) m_imageRecords->Clear();
  if (m_effectCache) m_effectCache->Clear();
  if (m_spriteRenderer) m_spriteRenderer->Release();
  m_device.reset();
}

void APIGraphics::RegisterResetObjekt(ResetObjekt* object) {
  if (!object) return;
  if (std::find(m_resetObjekte.begin(), m_resetObjekte.end(), object) == m_resetObjekte.end())
    m_resetObjekte.push_back(object);
}

void APIGraphics::UnregisterResetObjekt(ResetObjekt* object) {
  for (size_t i = m_resetObjekte.size(); i-- > 0;)
    if (m_resetObjekte[i] == object) {
      m_resetObjekte.erase(m_resetObjekte.begin() + ptrdiff_t(i));
      return;
    }
}
