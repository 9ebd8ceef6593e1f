// The input manager: polls the keyboard and the game controllers once per frame, takes the
// mouse from the window's messages, works out the key edges, calls the input listeners,
// pauses the game while the window is inactive, switches full screen on Alt+Enter, and
// turns key codes into characters for text fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/input.h"
#include "platform/window.h"

struct InputState;

// The input-listener interface. Listeners register with the input manager and are called
// once per frame, the most recently registered first.
class MyControl {
 public:
  virtual ~MyControl() = default;
  virtual void OnMouseMove(const InputState*) {}
  virtual void OnLeftButtonUp(const InputState*) {}
  virtual void OnLeftButtonDown(const InputState*) {}
  virtual void OnRightButtonUp(const InputState*) {}
  virtual void OnRightButtonDown(const InputState*) {}
  virtual void OnMiddleButtonUp(const InputState*) {}
  virtual void OnMiddleButtonDown(const InputState*) {}
  virtual void OnMouseWheel(const InputState*) {}
  virtual void OnKeyDown(const InputState*) {}
  virtual void OnKeyUp(const InputState*) {}
  virtual void OnKeyHeld(const InputState*) {}
};

// 256 key bytes by DirectInput key code (bit 7 = down) and the frame's key lists.
struct KeyboardState {
  uint8_t keys[256] = {};
  std::vector<uint8_t> pressed;   // went down this frame
  std::vector<uint8_t> released;  // went up this frame
  std::vector<uint8_t> held;      // down this frame (pressed ones included)

  bool IsKeyDown(int code) const { return code >= 0 && code < 256 && (keys[code] & 0x80) != 0; }
  bool WasKeyPressed(int code) const;
  size_t PressedCount() const { return pressed.size(); }
  uint8_t PressedKey(size_t i) const { return i < pressed.size() ? pressed[i] : 0; }
};

// One game controller in the joystick-state-2 layout (272 bytes), then the present byte.
struct JoystickState {
  int32_t lX = 0, lY = 0, lZ = 0, lRx = 0, lRy = 0, lRz = 0;
  int32_t sliders[2] = {};
  uint32_t pov[4] = {};
  uint8_t buttons[128] = {};
  int32_t velocity[8] = {};      // the six axes, then the two sliders
  int32_t acceleration[8] = {};  // the same order
  int32_t force[8] = {};         // the same order
  uint8_t present = 0;

  // index / 3 picks lX, lY, lZ, lRx, lRy, lRz; index % 3 picks the part >= 1, the part
  // < 0, or the whole value; divided by 1000. 0.0 for other indices or an absent device.
  double GetAxis(int index) const;
  bool IsButtonDown(int button) const;
};

// The frame's one input record, handed to listeners and read by the controls.
struct InputState {
  int32_t mouseX = 0, mouseY = 0;  // back-buffer pixels, clamped to 0 ... width (height)
  int32_t mouseDX = 0, mouseDY = 0;
  int32_t wheel = 0;        // last wheel delta of the frame, 120 per notch
  uint8_t buttons[4] = {};  // left, right, middle, and one that nothing sets; 0x80 = down
  KeyboardState keyboard;
  std::vector<JoystickState> joysticks;

  bool IsLeftButtonDown() const { return buttons[0] > 127; }
  bool IsRightButtonDown() const { return buttons[1] > 127; }
  // dx, dy and the wheel, each split as JoystickState::GetAxis splits an axis (index 0 ... 8).
  double GetMouseAxis(int index) const;
  size_t JoystickCount() const { return joysticks.size(); }
};

// What the input manager needs of the window, the graphics manager and the frame timer.
// The engine context implements it over them.
class InputHost {
 public:
  virtual ~InputHost() = default;
  // The cursor in back-buffer pixels; outside the window it may lie beyond 0 ... width
  // and 0 ... height.
  virtual void GetCursor(int32_t& x, int32_t& y) = 0;
  virtual void GetDisplaySize(int32_t& width, int32_t& height) = 0;
  virtual bool IsFullScreen() = 0;
  // The frame timer's focus pause: kept apart from the player's own pause, so regaining
  // the focus never resumes a game the player paused. The game step is 0 while either is set.
  virtual void SetFocusPause(bool paused) = 0;
  // Alt+Enter: switch between window and full screen through the device-reset path.
  virtual void ToggleFullScreen() = 0;
  // The cursor came back into the window: show the standard arrow.
  virtual void ShowArrowCursor() {}
};

// The one input manager. The process-wide one is made on first use with the engine context
// as its host; the shell calls Init after the graphics device exists (a negative result is
// fatal at start-up), which hooks it into the window messages; the main loop calls Update
// once per frame after the frame timer and before the sound manager; Shutdown at exit.
class APIInput {
 public:
  static constexpr int32_t kOk = 0;
  static constexpr int32_t kFail = int32_t(0x80004005);
  static constexpr uint8_t kKeyLeftAlt = 0x38;
  static constexpr uint8_t kKeyReturn = 0x1C;

  // The process-wide manager, made on the first call with the process-wide engine context
  // as its host.
  static APIInput* Get();

  explicit APIInput(InputHost* host);
  ~APIInput();
  APIInput(const APIInput&) = delete;
  APIInput& operator=(const APIInput&) = delete;

  // Takes the devices to poll (the SDL ones when none are given), one joystick state per
  // controller, and becomes the hook that sees every dispatched window message.
  int32_t Init(std::unique_ptr<platform::InputDevice> devices = nullptr);
  // Lets go of the devices and of the message hook.
  void Shutdown();
  void Process(const platform::InputEvent& event);
  // The message hook: mouse, wheel, activation, focus and key-down messages go to Process.
  // Key-up messages are the window procedure's alone; the keyboard itself is polled.
  void ProcessMessage(const platform::WindowMessage& message);
  // The input message for a window message; false for messages the manager does not take.
  static bool ToInputEvent(const platform::WindowMessage& message, platform::InputEvent& event);
  void Update();

  // A pointer already in either list is not added again. Only the dispatched list is called.
  void RegisterControl(MyControl* control, bool dispatched);
  // Removes every occurrence from both lists. Safe during dispatch: a removed listener is
  // not called again, not even later in the same frame.
  void UnregisterControl(MyControl* control);

  const InputState* GetInputState() const { return &m_state; }
  // Puts the recorded mouse position there (the next update moves it to the cursor).
  void SetMousePosition(int32_t x, int32_t y) {
    m_state.mouseX = x;
    m_state.mouseY = y;
  }
  bool IsInactive() const { return m_inactive; }
  // The cursor lay beyond the display at the last update (the pointer left the window).
  bool IsCursorOutside() const { return m_cursorOutside; }
  bool IsActive() const { return m_active; }

  // Text entry: the numeric-pad digits as the main-row digit keys.
  static int NumpadToDigitKey(int code);
  // The character of a key in a layout (0 German QWERTZ, 1 English, 2 Russian, 3 French
  // AZERTY); 0 when the key has none; other layouts give the code itself.
  static char16_t KeyChar(int code, int layout);
  static char16_t ToLowerChar(char16_t c);
  static char16_t ToUpperChar(char16_t c);

 private:
  struct InputMessage {
    platform::InputEvent::Kind kind;
    platform::MouseButton button;
    int32_t wheelDelta;
  };
  enum Event : uint32_t {
    kMove = 1u << 0,
    kLeftUp = 1u << 1,
    kLeftDown = 1u << 2,
    kRightUp = 1u << 3,
    kRightDown = 1u << 4,
    kMiddleUp = 1u << 5,
    kMiddleDown = 1u << 6,
    kWheel = 1u << 7,
    kKeyDown = 1u << 8,
    kKeyUp = 1u << 9,
    kKeyHeld = 1u << 10,
  };

  void SetActive(bool active);
  void ReadJoysticks();
  uint32_t BuildKeyLists();
  uint32_t ConsumeMessages();
  void Dispatch(uint32_t events);
  bool IsRegistered(MyControl* control) const;

  bool m_active = true;
  InputHost* m_host;
  std::unique_ptr<platform::InputDevice> m_devices;
  InputState m_state;
  uint8_t m_previousKeys[256] = {};
  uint8_t m_currentKeys[256] = {};
  std::vector<MyControl*> m_controls;
  std::vector<MyControl*> m_otherControls;
  std::vector<InputMessage> m_queue;
  bool m_inactive = false;
  bool m_cursorOutside = true;
};
