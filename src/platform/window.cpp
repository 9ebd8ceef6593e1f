// SDL2 windows, events and message boxes.
#include "platform/window.h"

#include <SDL.h>
#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <thread>
#include <unordered_map>

#include "platform/text.h"

namespace platform {

namespace {

struct Queue {
  std::deque<WindowMessage> messages;
  MessageHook hook;
  bool keys[kScancodeCount] = {};
  std::unordered_map<uint32_t, Window*> windows;
};

Queue& TheQueue() {
  static Queue queue;
  return queue;
}

uint16_t ToModifiers(Uint16 mod) {
  uint16_t m = 0;
  if (mod & KMOD_SHIFT) m |= kModShift;
  if (mod & KMOD_CTRL) m |= kModCtrl;
  if (mod & KMOD_ALT) m |= kModAlt;
  if (mod & KMOD_GUI) m |= kModGui;
  return m;
}

void Enqueue(WindowMessage message) {
  Queue& q = TheQueue();
  if ((message.type == MessageType::KeyDown || message.type == MessageType::KeyUp) && message.scancode >= 0 &&
      message.scancode < kScancodeCount)
    q.keys[message.scancode] = message.type == MessageType::KeyDown;
  if (message.type == MessageType::FocusLost) std::memset(q.keys, 0, sizeof(q.keys));
  q.messages.push_back(std::move(message));
}

void MapMouse(WindowMessage& m, uint32_t windowId, int32_t wx, int32_t wy) {
  m.windowId = windowId;
  m.x = wx;
  m.y = wy;
  if (Window* w = Window::FromId(windowId)) {
    double bx, by;
    w->WindowToBackBuffer(wx, wy, bx, by);
    m.x = int32_t(std::floor(bx));
    m.y = int32_t(std::floor(by));
  }
}

void Translate(const SDL_Event& e) {
  WindowMessage m;
  m.modifiers = ToModifiers(SDL_GetModState());
  switch (e.type) {
    case SDL_QUIT:
      m.type = MessageType::Quit;
      Enqueue(std::move(m));
      break;
    case SDL_WINDOWEVENT:
      m.windowId = e.window.windowID;
      if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
        m.type = MessageType::Close;
        Enqueue(m);
      } else if (e.window.event == SDL_WINDOWEVENT_LEAVE || e.window.event == SDL_WINDOWEVENT_ENTER) {
        if (Window* w = Window::FromId(e.window.windowID))
          w->SetPointerInside(e.window.event == SDL_WINDOWEVENT_ENTER);
      } else if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
        m.type = MessageType::Activate;
        Enqueue(m);
        m.type = MessageType::FocusGained;
        Enqueue(m);
      } else if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
        m.type = MessageType::Deactivate;
        Enqueue(m);
        m.type = MessageType::FocusLost;
        Enqueue(m);
      }
      break;
    case SDL_MOUSEMOTION:
      // Motion reaches a window only while the pointer is over it (or captured by a held
      // button, when the position may lie outside and is mapped as it is).
      if (Window* w = Window::FromId(e.motion.windowID)) w->SetPointerInside(true);
      m.type = MessageType::MouseMove;
      MapMouse(m, e.motion.windowID, e.motion.x, e.motion.y);
      Enqueue(std::move(m));
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      bool down = e.type == SDL_MOUSEBUTTONDOWN;
      switch (e.button.button) {
        case SDL_BUTTON_LEFT:
          m.type = down ? MessageType::LeftDown : MessageType::LeftUp;
          break;
        case SDL_BUTTON_RIGHT:
          m.type = down ? MessageType::RightDown : MessageType::RightUp;
          break;
        case SDL_BUTTON_MIDDLE:
          m.type = down ? MessageType::MiddleDown : MessageType::MiddleUp;
          break;
        default:
          return;
      }
      m.clicks = e.button.clicks;
      MapMouse(m, e.button.windowID, e.button.x, e.button.y);
      Enqueue(std::move(m));
      break;
    }
    case SDL_MOUSEWHEEL: {
      int32_t notches = e.wheel.y;
      if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
      if (notches == 0) return;
      m.type = MessageType::Wheel;
      m.wheelDelta = notches * 120;
      int mx = 0, my = 0;
      SDL_GetMouseState(&mx, &my);
      MapMouse(m, e.wheel.windowID, mx, my);
      Enqueue(std::move(m));
      break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      m.type = e.type == SDL_KEYDOWN ? MessageType::KeyDown : MessageType::KeyUp;
      m.windowId = e.key.windowID;
      m.scancode = int32_t(e.key.keysym.scancode);
      m.modifiers = ToModifiers(e.key.keysym.mod);
      m.repeat = e.key.repeat != 0;
      Enqueue(std::move(m));
      break;
    case SDL_TEXTINPUT:
      m.type = MessageType::Text;
      m.windowId = e.text.windowID;
      m.text = Utf8ToU16(e.text.text);
      Enqueue(std::move(m));
      break;
    default:
      break;
  }
}

bool g_videoTried = false;
bool g_videoOk = false;

volatile sig_atomic_t g_quitSignal = 0;
bool g_quitPosted = false;

void OnQuitSignal(int) { g_quitSignal = 1; }

std::function<void()> g_displayLost;
int g_displayLostExit = 0;

// Xlib's I/O error handler: it must not return, and exit() would run the teardown on top of
// the call that failed.
int OnDisplayLost(void*) {
  std::fprintf(stderr, "Krumbolt: the display went away; the game ends\n");
  if (g_displayLost) g_displayLost();
  std::fflush(nullptr);
  _exit(g_displayLostExit);
}

// SDL loads Xlib itself; its handler setter is found in the library already loaded.
void InstallDisplayLostHandler() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || std::strcmp(driver, "x11") != 0) return;
  void* xlib = dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
  if (!xlib) return;
  using Handler = int (*)(void*);
  using Setter = Handler (*)(Handler);
  if (auto set = reinterpret_cast<Setter>(dlsym(xlib, "XSetIOErrorHandler"))) set(OnDisplayLost);
  dlclose(xlib);
}

bool HeadlessDriver() {
  const char* driver = g_videoOk ? SDL_GetCurrentVideoDriver() : nullptr;
  return !driver || std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
}

}  // namespace

bool InitVideo() {
  if (g_videoTried) return g_videoOk;
  g_videoTried = true;
  g_videoOk = SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0;
  if (!g_videoOk) std::fprintf(stderr, "Krumbolt: no video: %s\n", SDL_GetError());
  if (g_videoOk) InstallDisplayLostHandler();
  return g_videoOk;
}

void SetDisplayLostHandler(std::function<void()> handler, int exitCode) {
  g_displayLost = std::move(handler);
  g_displayLostExit = exitCode;
}

void InstallQuitSignals() {
  struct sigaction action {};
  action.sa_handler = OnQuitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  // SDL would otherwise put its own handlers in place when video starts.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
}

bool QuitRequested() {
  PumpMessages();
  for (const WindowMessage& m : TheQueue().messages)
    if (m.type == MessageType::Quit || m.type == MessageType::Close) return true;
  return g_quitSignal != 0;
}

void PumpMessages() {
  if (g_quitSignal && !g_quitPosted) {
    g_quitPosted = true;
    PostQuitMessage(0);
  }
  if (!g_videoOk) return;
  SDL_Event e;
  while (SDL_PollEvent(&e)) Translate(e);
}

bool PeekMessage(WindowMessage& out) {
  Queue& q = TheQueue();
  if (q.messages.empty()) PumpMessages();
  if (q.messages.empty()) return false;
  out = q.messages.front();
  return true;
}

bool GetMessage(WindowMessage& out) {
  Queue& q = TheQueue();
  if (q.messages.empty()) PumpMessages();
  if (q.messages.empty()) return false;
  out = std::move(q.messages.front());
  q.messages.pop_front();
  return true;
}

void PostMessage(WindowMessage message) { Enqueue(std::move(message)); }

void WaitMessage(double seconds) {
  if (!TheQueue().messages.empty() || !(seconds > 0.0)) return;
  // Rounded up: waking early would only mean a second, shorter wait.
  const int ms = int(std::ceil(std::min(seconds, 1.0) * 1000.0));
  if (!g_videoOk) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return;
  }
  // The event that ends the wait stays in SDL's queue for the next pump.
  SDL_WaitEventTimeout(nullptr, ms);
}

void PostQuitMessage(int exitCode) {
  WindowMessage m;
  m.type = MessageType::Quit;
  m.exitCode = exitCode;
  Enqueue(std::move(m));
}

void ClearMessages() {
  Queue& q = TheQueue();
  q.messages.clear();
  std::memset(q.keys, 0, sizeof(q.keys));
}

void DispatchMessage(WindowMessage& message) {
  Queue& q = TheQueue();
  if (q.hook) q.hook(message);
  if (Window* w = Window::FromId(message.windowId))
    if (w->GetProcedure()) w->GetProcedure()(message);
}

void SetMessageHook(MessageHook hook) { TheQueue().hook = std::move(hook); }

bool IsKeyDown(int scancode) {
  if (scancode < 0 || scancode >= kScancodeCount) return false;
  return TheQueue().keys[scancode];
}

void ShowCursor(bool show) {
  if (g_videoOk) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

void SetArrowCursor() {
  if (!g_videoOk) return;
  // Made once and kept: SDL keeps using the cursor it was given.
  static SDL_Cursor* arrow = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
  if (arrow) SDL_SetCursor(arrow);
}

Size DesktopSize() {
  SDL_DisplayMode mode;
  if (InitVideo() && SDL_GetDesktopDisplayMode(0, &mode) == 0) return {mode.w, mode.h};
  return {1024, 768};
}

int DesktopRefreshRate() {
  SDL_DisplayMode mode;
  if (InitVideo() && SDL_GetDesktopDisplayMode(0, &mode) == 0) return mode.refresh_rate;
  return 0;
}

Rect WorkArea() {
  SDL_Rect r;
  if (InitVideo() && SDL_GetDisplayUsableBounds(0, &r) == 0 && r.w > 0 && r.h > 0)
    return {r.x, r.y, r.x + r.w, r.y + r.h};
  Size d = DesktopSize();
  return {0, 0, d.width, d.height};
}

FrameMetrics WindowFrameMetrics() {
  // Before a window exists nothing can be measured; these are the usual decorations.
  return FrameMetrics{};
}

void ShowMessageBox(std::u16string_view caption, std::u16string_view text, MessageBoxIcon icon) {
  std::string c = U16ToUtf8(caption);
  std::string t = U16ToUtf8(text);
  std::fprintf(stderr, "%s %s\n", c.c_str(), t.c_str());
  if (HeadlessDriver()) return;
  Uint32 flags = icon == MessageBoxIcon::Error     ? SDL_MESSAGEBOX_ERROR
                 : icon == MessageBoxIcon::Warning ? SDL_MESSAGEBOX_WARNING
                                                   : SDL_MESSAGEBOX_INFORMATION;
  SDL_ShowSimpleMessageBox(flags, c.c_str(), t.c_str(), nullptr);
}

std::unique_ptr<Window> Window::Create(std::u16string_view title, int32_t clientWidth, int32_t clientHeight,
                                       std::string* error) {
  if (!InitVideo()) {
    if (error) *error = SDL_GetError();
    return nullptr;
  }
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  // The device renders into its own framebuffer with depth and stencil; the window's
  // surface only receives the scaled copy.
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  std::string utf8 = U16ToUtf8(title);
  SDL_Window* native = SDL_CreateWindow(utf8.c_str(), 0, 0, clientWidth, clientHeight,
                                        SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI);
  if (!native) {
    if (error) *error = SDL_GetError();
    return nullptr;
  }
  std::unique_ptr<Window> window(new Window());
  window->m_native = native;
  window->m_id = SDL_GetWindowID(native);
  window->m_backBuffer = {clientWidth, clientHeight};
  TheQueue().windows[window->m_id] = window.get();
  return window;
}

Window::~Window() {
  TheQueue().windows.erase(m_id);
  if (m_native) SDL_DestroyWindow(static_cast<SDL_Window*>(m_native));
}

Window* Window::FromId(uint32_t id) {
  auto& windows = TheQueue().windows;
  auto it = windows.find(id);
  return it == windows.end() ? nullptr : it->second;
}

void Window::Show() { SDL_ShowWindow(static_cast<SDL_Window*>(m_native)); }
void Window::Hide() { SDL_HideWindow(static_cast<SDL_Window*>(m_native)); }
void Window::Raise() { SDL_RaiseWindow(static_cast<SDL_Window*>(m_native)); }

void Window::SetIcon(const uint32_t* argbPixels, int32_t width, int32_t height) {
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(argbPixels), width, height,
                                                            32, width * 4, SDL_PIXELFORMAT_ARGB8888);
  if (!surface) return;
  SDL_SetWindowIcon(static_cast<SDL_Window*>(m_native), surface);
  SDL_FreeSurface(surface);
}

void Window::SetFullscreen(bool fullscreen) {
  if (SDL_SetWindowFullscreen(static_cast<SDL_Window*>(m_native),
                              fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) == 0)
    m_fullscreen = fullscreen;
}

void Window::SetClientSize(int32_t width, int32_t height) {
  SDL_SetWindowSize(static_cast<SDL_Window*>(m_native), width, height);
}

void Window::SetPosition(int32_t x, int32_t y) {
  SDL_SetWindowPosition(static_cast<SDL_Window*>(m_native), x, y);
}

Size Window::ClientSize() const {
  int w = 0, h = 0;
  SDL_GetWindowSize(static_cast<SDL_Window*>(m_native), &w, &h);
  return {w, h};
}

Size Window::DrawableSize() const {
  int w = 0, h = 0;
  SDL_GL_GetDrawableSize(static_cast<SDL_Window*>(m_native), &w, &h);
  if (w <= 0 || h <= 0) return ClientSize();
  return {w, h};
}

void Window::SetBackBufferSize(int32_t width, int32_t height) { m_backBuffer = {width, height}; }

Letterbox Window::CurrentLetterbox() const {
  Size d = DrawableSize();
  return Letterbox::Compute(m_backBuffer.width, m_backBuffer.height, d.width, d.height);
}

void Window::WindowToBackBuffer(double wx, double wy, double& bx, double& by) const {
  Size client = ClientSize();
  Size drawable = DrawableSize();
  // Window coordinates are points; the drawable may have more pixels on dense displays.
  double dx = client.width > 0 ? wx * drawable.width / client.width : wx;
  double dy = client.height > 0 ? wy * drawable.height / client.height : wy;
  CurrentLetterbox().ToBackBuffer(dx, dy, m_backBuffer.width, m_backBuffer.height, bx, by);
}

void PointerOutsideClient(int32_t lastX, int32_t lastY, bool haveDesktop, int32_t desktopX, int32_t desktopY,
                          int32_t width, int32_t height, int32_t& x, int32_t& y) {
  auto inside = [&](int32_t px, int32_t py) { return px >= 0 && py >= 0 && px < width && py < height; };
  if (haveDesktop && !inside(desktopX, desktopY)) {
    x = desktopX;
    y = desktopY;
    return;
  }
  x = std::clamp(lastX, 0, std::max(width - 1, 0));
  y = std::clamp(lastY, 0, std::max(height - 1, 0));
  const int32_t toLeft = x, toRight = width - 1 - x, toTop = y, toBottom = height - 1 - y;
  const int32_t nearest = std::min({toLeft, toRight, toTop, toBottom});
  if (nearest == toLeft)
    x = -1;
  else if (nearest == toRight)
    x = width + 1;
  else if (nearest == toTop)
    y = -1;
  else
    y = height + 1;
}

bool Window::MousePosition(int32_t& x, int32_t& y) const {
  int wx = 0, wy = 0;
  SDL_GetMouseState(&wx, &wy);
  // SDL keeps the last position inside once the pointer has left; the desktop position
  // tells where it went, where the video driver knows it.
  if (!m_pointerInside) {
    int gx = 0, gy = 0, left = 0, top = 0;
    SDL_GetGlobalMouseState(&gx, &gy);
    SDL_GetWindowPosition(static_cast<SDL_Window*>(m_native), &left, &top);
    const Size client = ClientSize();
    int32_t ox = 0, oy = 0;
    // Drivers without a desktop (offscreen, some compositors) report the origin.
    const bool haveDesktop = gx != 0 || gy != 0;
    PointerOutsideClient(wx, wy, haveDesktop, gx - left, gy - top, client.width, client.height, ox, oy);
    wx = ox;
    wy = oy;
  }
  double bx, by;
  WindowToBackBuffer(wx, wy, bx, by);
  x = int32_t(std::floor(bx));
  y = int32_t(std::floor(by));
  return true;
}

}  // namespace platform
