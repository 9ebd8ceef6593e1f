// The main window and the thread's message queue over SDL2: SDL events become the
// messages the shell and the input manager expect, with mouse positions already mapped
// into back-buffer pixels through the same letterbox transform that presents the frame.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/rect.h"

namespace platform {

enum class MessageType : uint8_t {
  None,
  Quit,   // end of the main loop; exitCode holds the program's exit code
  Close,  // the user closed the window
  MouseMove,
  LeftDown,
  LeftUp,
  RightDown,
  RightUp,
  MiddleDown,
  MiddleUp,
  Wheel,
  Activate,    // the window became the active one
  Deactivate,  // another window (or none) became active, or the window was minimised
  FocusGained,
  FocusLost,
  KeyDown,
  KeyUp,
  Text,
};

enum KeyModifier : uint16_t {
  kModShift = 1,
  kModCtrl = 2,
  kModAlt = 4,
  kModGui = 8,
};

// SDL scancodes of the keys the shell itself looks at; the input manager owns the full table.
constexpr int kScancodeReturn = 40;
constexpr int kScancodeEscape = 41;
constexpr int kScancodeLeftAlt = 226;
constexpr int kScancodeRightAlt = 230;
constexpr int kScancodeCount = 512;

// One message. A plain record so that listeners may read and change it.
struct WindowMessage {
  MessageType type = MessageType::None;
  uint32_t windowId = 0;  // 0 for messages of the thread (quit)
  int32_t x = 0;          // mouse messages: position in back-buffer pixels (may lie outside)
  int32_t y = 0;
  int32_t wheelDelta = 0;  // +120 per notch turned away from the user
  int32_t clicks = 0;      // button downs: 1 single, 2 double click, ...
  int32_t scancode = 0;    // key messages: the SDL scancode
  uint16_t modifiers = 0;  // KeyModifier bits held when the message was made
  bool repeat = false;     // key downs from auto-repeat
  int32_t exitCode = 0;    // Quit
  std::u16string text;     // Text: the typed characters
};

// Starts SDL's video and event subsystems once (further calls return the first result).
bool InitVideo();

// When the display goes away under the game (the X server ends), Xlib would end the process
// from inside its own call, and the teardown that follows frees what is still in use. The
// handler runs instead (it saves what must not be lost, without drawing), then the process
// ends at once with `exitCode`. Only the X11 driver can lose its display.
void SetDisplayLostHandler(std::function<void()> handler, int exitCode);

// Catches SIGTERM and SIGINT (and unblocks them, should the starter have blocked them): each
// becomes a Quit message with exit code 0 at the next pump. Called on the first line of main,
// so that a signal arriving during start-up is never lost; SDL then leaves the signals alone.
void InstallQuitSignals();
// Whether a quit waits: a caught signal, or a Quit or Close message (pumps first, keeping
// every message). Long work between frames (the intro, the loading steps, the world build)
// asks it and stops early.
bool QuitRequested();

// The thread's message queue.
// Moves waiting SDL events into the queue.
void PumpMessages();
// The first waiting message without removing it (pumps first when the queue is empty).
bool PeekMessage(WindowMessage& out);
// Removes and returns the first waiting message; false when none waits.
bool GetMessage(WindowMessage& out);
void PostMessage(WindowMessage message);
void PostQuitMessage(int exitCode);
// Returns once a message waits or `seconds` have passed (at once when one waits already);
// without video it only sleeps.
void WaitMessage(double seconds);
// Drops every waiting message (tests).
void ClearMessages();
// Hands the message to the registered hook, then to the procedure of its window.
void DispatchMessage(WindowMessage& message);
// The hook sees every dispatched message before the window's procedure and may change it.
// The input manager registers here; an empty function removes the hook.
using MessageHook = std::function<void(WindowMessage&)>;
void SetMessageHook(MessageHook hook);
// Whether the key (SDL scancode) is down right now, as far as the queue has seen.
bool IsKeyDown(int scancode);

void ShowCursor(bool show);
// The system's standard arrow as the pointer over our windows.
void SetArrowCursor();

// The primary display.
Size DesktopSize();
int DesktopRefreshRate();  // 0 when unknown
// The part of the desktop not covered by panels and docks.
Rect WorkArea();
// What the window manager adds around the client area: the frame width on each side, the
// frame height at the bottom and the caption height at the top.
struct FrameMetrics {
  int32_t frameX = 4;
  int32_t frameY = 4;
  int32_t caption = 23;
};
FrameMetrics WindowFrameMetrics();

enum class MessageBoxIcon { Error, Warning, Information };
// A modal message box; without a display (or with the offscreen driver) the text goes to
// stderr instead.
void ShowMessageBox(std::u16string_view caption, std::u16string_view text, MessageBoxIcon icon);

class Window {
 public:
  // A hidden window able to carry an OpenGL context, with the given client size.
  static std::unique_ptr<Window> Create(std::u16string_view title, int32_t clientWidth, int32_t clientHeight,
                                        std::string* error = nullptr);
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  uint32_t Id() const { return m_id; }
  void Show();
  void Hide();
  void Raise();
  void SetIcon(const uint32_t* argbPixels, int32_t width, int32_t height);

  // Desktop full screen: the window covers the display and the back buffer is scaled in.
  void SetFullscreen(bool fullscreen);
  bool IsFullscreen() const { return m_fullscreen; }
  void SetClientSize(int32_t width, int32_t height);
  void SetPosition(int32_t x, int32_t y);
  Size ClientSize() const;
  Size DrawableSize() const;

  // The size of the frame the device renders; mouse positions are mapped into it.
  void SetBackBufferSize(int32_t width, int32_t height);
  Size BackBufferSize() const { return m_backBuffer; }
  Letterbox CurrentLetterbox() const;
  // The cursor in back-buffer pixels (not clamped), from a position in window coordinates.
  void WindowToBackBuffer(double wx, double wy, double& bx, double& by) const;
  // The cursor's current position in back-buffer pixels; false when SDL does not know it.
  // While the pointer is outside the window the position lies outside the back buffer too.
  bool MousePosition(int32_t& x, int32_t& y) const;
  // Set from the window's leave and enter events (and any motion inside it).
  void SetPointerInside(bool inside) { m_pointerInside = inside; }
  bool IsPointerInside() const { return m_pointerInside; }

  // The window procedure: called by DispatchMessage for this window's messages.
  using Procedure = std::function<void(WindowMessage&)>;
  void SetProcedure(Procedure procedure) { m_procedure = std::move(procedure); }
  const Procedure& GetProcedure() const { return m_procedure; }

  static Window* FromId(uint32_t id);
  // The SDL window, for the platform layer's own use.
  void* Native() const { return m_native; }

 private:
  Window() = default;

  void* m_native = nullptr;
  uint32_t m_id = 0;
  bool m_fullscreen = false;
  Size m_backBuffer;
  Procedure m_procedure;
  bool m_pointerInside = true;
};

// Where a pointer that left a client area of the given size stands, in window coordinates:
// the desktop position (relative to the client area) when that lies outside, else, where the
// desktop position is unknown, the last position inside moved past the nearest edge (one
// beyond the far edges, which themselves still count as inside for the input manager).
void PointerOutsideClient(int32_t lastX, int32_t lastY, bool haveDesktop, int32_t desktopX, int32_t desktopY,
                          int32_t width, int32_t height, int32_t& x, int32_t& y);

}  // namespace platform
