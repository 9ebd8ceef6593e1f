// Keyboard, mouse messages and game controllers for the input manager. Keys are named by
// DirectInput key codes (the set-1 scan code, 0x80 added for extended keys), because the
// key configuration files store those numbers; SDL scancodes map to them through one table.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// The DirectInput key code of an SDL scancode, 0 when the key has none.
uint8_t DikFromScancode(int scancode);
// The SDL scancode that produces a key code (the main one where two keys share a code),
// 0 when no key produces it.
int ScancodeFromDik(uint8_t dik);
// SDL's scancode for a key name such as "Left Ctrl" or "Keypad Enter"; 0 when unknown.
int ScancodeFromName(const char* name);
// Every scancode the table maps, in ascending order (tests and tools).
std::vector<int> MappedScancodes();

enum class MouseButton : uint8_t { Left, Right, Middle };

// One window message for the input manager, as the window turns SDL events into them.
// Mouse positions are in back-buffer pixels (the window maps them through its letterbox).
struct InputEvent {
  enum class Kind : uint8_t {
    MouseMove,
    NonClientMouseMove,  // the pointer moved over the window frame
    ButtonDown,
    ButtonUp,
    DoubleClick,  // the second press of a double click (SDL clicks >= 2)
    Wheel,
    Activate,     // the window became the active one (full screen)
    Deactivate,   // the window lost activation (full screen)
    FocusGained,  // keyboard focus (windowed)
    FocusLost,
    KeyDown,  // the keyboard itself is polled; key and text messages are carried for
    KeyUp,    // consumers that want them
    Text,
  };
  Kind kind = Kind::MouseMove;
  MouseButton button = MouseButton::Left;
  int32_t x = 0;
  int32_t y = 0;
  // Wheel: 120 per notch, positive away from the user (SDL's flipped direction undone).
  int32_t wheelDelta = 0;
  int32_t scancode = 0;  // key messages: the SDL scancode
  uint8_t dik = 0;       // key messages: its DirectInput key code
  std::u16string text;   // text messages
};

// One controller's reading: axes lX, lY, lZ, lRx, lRy, lRz and two sliders scaled to
// -1000 ... +1000, point-of-view hats in hundredths of a degree clockwise from straight
// ahead (0xFFFFFFFF when centred), and button bytes (0x80 = down).
struct JoystickReading {
  int32_t axes[6] = {};
  int32_t sliders[2] = {};
  uint32_t pov[4] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
  uint8_t buttons[128] = {};
};

// SDL's -32768 ... 32767 axis range as -1000 ... +1000 (truncated toward zero).
int32_t ScaleJoystickAxis(int16_t value);
// An SDL hat position (bit mask of up 1, right 2, down 4, left 8) as a point-of-view angle.
uint32_t HatToPov(uint8_t hat);

// The devices the input manager polls once per frame.
class InputDevice {
 public:
  virtual ~InputDevice() = default;
  // Called once per frame before the reads.
  virtual void Poll() {}
  // 256 bytes indexed by key code, 0x80 for a key that is down. False when the keyboard
  // cannot be read this frame.
  virtual bool ReadKeyboard(uint8_t (&keys)[256]) = 0;
  // Controllers opened at creation, in enumeration order.
  virtual size_t JoystickCount() const = 0;
  // False when the controller cannot be read (it was unplugged).
  virtual bool ReadJoystick(size_t index, JoystickReading& out) = 0;
};

// The real devices through SDL: the keyboard state SDL keeps from the window's events, and
// every attached controller (a controller that fails to open is left out).
std::unique_ptr<InputDevice> CreateSdlInputDevice();

// Devices driven by the program itself: tests and scripted runs set keys and controllers.
class ScriptedInputDevice : public InputDevice {
 public:
  bool ReadKeyboard(uint8_t (&keys)[256]) override;
  size_t JoystickCount() const override { return m_joysticks.size(); }
  bool ReadJoystick(size_t index, JoystickReading& out) override;

  void SetKey(uint8_t dik, bool down) { m_keys[dik] = down ? 0x80 : 0; }
  void ReleaseAllKeys();
  void SetKeyboardFails(bool fails) { m_keyboardFails = fails; }
  // Adds a controller and returns its index.
  size_t AddJoystick();
  JoystickReading& Joystick(size_t index) { return m_joysticks[index].reading; }
  void SetJoystickFails(size_t index, bool fails) { m_joysticks[index].fails = fails; }

 private:
  struct Pad {
    JoystickReading reading;
    bool fails = false;
  };
  uint8_t m_keys[256] = {};
  bool m_keyboardFails = false;
  std::vector<Pad> m_joysticks;
};

// A controller that exists only in SDL's own virtual driver: a test attaches one, moves
// its axes, hats and buttons, and reads it back through CreateSdlInputDevice.
class VirtualJoystick {
 public:
  // Null when SDL cannot attach a virtual controller.
  static std::unique_ptr<VirtualJoystick> Attach(int axes, int buttons, int hats);
  ~VirtualJoystick();
  void SetAxis(int axis, int16_t value);
  void SetButton(int button, bool down);
  void SetHat(int hat, uint8_t mask);

 private:
  VirtualJoystick() = default;
  int m_deviceIndex = -1;
  void* m_handle = nullptr;
};

}  // namespace platform
