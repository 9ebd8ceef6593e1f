// SDL keyboard and controller reading, the scancode table and the scripted devices.
#include "platform/input.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace platform {

namespace {

struct KeyCode {
  SDL_Scancode scancode;
  uint8_t dik;
};

// Every key that has a DirectInput code. Codes are the set-1 make codes; keys whose make
// code carries the E0 prefix get 0x80 added. The first row of a code is its main key.
constexpr KeyCode kKeyCodes[] = {
    {SDL_SCANCODE_ESCAPE, 0x01},
    {SDL_SCANCODE_1, 0x02},
    {SDL_SCANCODE_2, 0x03},
    {SDL_SCANCODE_3, 0x04},
    {SDL_SCANCODE_4, 0x05},
    {SDL_SCANCODE_5, 0x06},
    {SDL_SCANCODE_6, 0x07},
    {SDL_SCANCODE_7, 0x08},
    {SDL_SCANCODE_8, 0x09},
    {SDL_SCANCODE_9, 0x0A},
    {SDL_SCANCODE_0, 0x0B},
    {SDL_SCANCODE_MINUS, 0x0C},
    {SDL_SCANCODE_EQUALS, 0x0D},
    {SDL_SCANCODE_BACKSPACE, 0x0E},
    {SDL_SCANCODE_TAB, 0x0F},
    {SDL_SCANCODE_Q, 0x10},
    {SDL_SCANCODE_W, 0x11},
    {SDL_SCANCODE_E, 0x12},
    {SDL_SCANCODE_R, 0x13},
    {SDL_SCANCODE_T, 0x14},
    {SDL_SCANCODE_Y, 0x15},
    {SDL_SCANCODE_U, 0x16},
    {SDL_SCANCODE_I, 0x17},
    {SDL_SCANCODE_O, 0x18},
    {SDL_SCANCODE_P, 0x19},
    {SDL_SCANCODE_LEFTBRACKET, 0x1A},
    {SDL_SCANCODE_RIGHTBRACKET, 0x1B},
    {SDL_SCANCODE_RETURN, 0x1C},
    {SDL_SCANCODE_LCTRL, 0x1D},
    {SDL_SCANCODE_A, 0x1E},
    {SDL_SCANCODE_S, 0x1F},
    {SDL_SCANCODE_D, 0x20},
    {SDL_SCANCODE_F, 0x21},
    {SDL_SCANCODE_G, 0x22},
    {SDL_SCANCODE_H, 0x23},
    {SDL_SCANCODE_J, 0x24},
    {SDL_SCANCODE_K, 0x25},
    {SDL_SCANCODE_L, 0x26},
    {SDL_SCANCODE_SEMICOLON, 0x27},
    {SDL_SCANCODE_APOSTROPHE, 0x28},
    {SDL_SCANCODE_GRAVE, 0x29},
    {SDL_SCANCODE_LSHIFT, 0x2A},
    {SDL_SCANCODE_BACKSLASH, 0x2B},
    // The ISO key left of Return sends the same make code as the backslash key.
    {SDL_SCANCODE_NONUSHASH, 0x2B},
    {SDL_SCANCODE_Z, 0x2C},
    {SDL_SCANCODE_X, 0x2D},
    {SDL_SCANCODE_C, 0x2E},
    {SDL_SCANCODE_V, 0x2F},
    {SDL_SCANCODE_B, 0x30},
    {SDL_SCANCODE_N, 0x31},
    {SDL_SCANCODE_M, 0x32},
    {SDL_SCANCODE_COMMA, 0x33},
    {SDL_SCANCODE_PERIOD, 0x34},
    {SDL_SCANCODE_SLASH, 0x35},
    {SDL_SCANCODE_RSHIFT, 0x36},
    {SDL_SCANCODE_KP_MULTIPLY, 0x37},
    {SDL_SCANCODE_LALT, 0x38},
    {SDL_SCANCODE_SPACE, 0x39},
    {SDL_SCANCODE_CAPSLOCK, 0x3A},
    {SDL_SCANCODE_F1, 0x3B},
    {SDL_SCANCODE_F2, 0x3C},
    {SDL_SCANCODE_F3, 0x3D},
    {SDL_SCANCODE_F4, 0x3E},
    {SDL_SCANCODE_F5, 0x3F},
    {SDL_SCANCODE_F6, 0x40},
    {SDL_SCANCODE_F7, 0x41},
    {SDL_SCANCODE_F8, 0x42},
    {SDL_SCANCODE_F9, 0x43},
    {SDL_SCANCODE_F10, 0x44},
    {SDL_SCANCODE_NUMLOCKCLEAR, 0x45},
    {SDL_SCANCODE_SCROLLLOCK, 0x46},
    {SDL_SCANCODE_KP_7, 0x47},
    {SDL_SCANCODE_KP_8, 0x48},
    {SDL_SCANCODE_KP_9, 0x49},
    {SDL_SCANCODE_KP_MINUS, 0x4A},
    {SDL_SCANCODE_KP_4, 0x4B},
    {SDL_SCANCODE_KP_5, 0x4C},
    {SDL_SCANCODE_KP_6, 0x4D},
    {SDL_SCANCODE_KP_PLUS, 0x4E},
    {SDL_SCANCODE_KP_1, 0x4F},
    {SDL_SCANCODE_KP_2, 0x50},
    {SDL_SCANCODE_KP_3, 0x51},
    {SDL_SCANCODE_KP_0, 0x52},
    {SDL_SCANCODE_KP_PERIOD, 0x53},
    {SDL_SCANCODE_NONUSBACKSLASH, 0x56},
    {SDL_SCANCODE_F11, 0x57},
    {SDL_SCANCODE_F12, 0x58},
    {SDL_SCANCODE_F13, 0x64},
    {SDL_SCANCODE_F14, 0x65},
    {SDL_SCANCODE_F15, 0x66},
    {SDL_SCANCODE_INTERNATIONAL2, 0x70},  // Katakana/Hiragana
    {SDL_SCANCODE_INTERNATIONAL1, 0x73},  // the Brazilian and Japanese "/ ?" key
    {SDL_SCANCODE_INTERNATIONAL4, 0x79},  // Henkan (convert)
    {SDL_SCANCODE_INTERNATIONAL5, 0x7B},  // Muhenkan (no convert)
    {SDL_SCANCODE_INTERNATIONAL3, 0x7D},  // Yen
    {SDL_SCANCODE_KP_EQUALS, 0x8D},
    {SDL_SCANCODE_AUDIOPREV, 0x90},
    {SDL_SCANCODE_AUDIONEXT, 0x99},
    {SDL_SCANCODE_KP_ENTER, 0x9C},
    {SDL_SCANCODE_RCTRL, 0x9D},
    {SDL_SCANCODE_MUTE, 0xA0},
    {SDL_SCANCODE_AUDIOMUTE, 0xA0},
    {SDL_SCANCODE_CALCULATOR, 0xA1},
    {SDL_SCANCODE_AUDIOPLAY, 0xA2},
    {SDL_SCANCODE_AUDIOSTOP, 0xA4},
    {SDL_SCANCODE_VOLUMEDOWN, 0xAE},
    {SDL_SCANCODE_VOLUMEUP, 0xB0},
    {SDL_SCANCODE_AC_HOME, 0xB2},
    {SDL_SCANCODE_KP_COMMA, 0xB3},
    {SDL_SCANCODE_KP_DIVIDE, 0xB5},
    {SDL_SCANCODE_PRINTSCREEN, 0xB7},
    {SDL_SCANCODE_SYSREQ, 0xB7},
    {SDL_SCANCODE_RALT, 0xB8},
    {SDL_SCANCODE_PAUSE, 0xC5},
    {SDL_SCANCODE_HOME, 0xC7},
    {SDL_SCANCODE_UP, 0xC8},
    {SDL_SCANCODE_PAGEUP, 0xC9},
    {SDL_SCANCODE_LEFT, 0xCB},
    {SDL_SCANCODE_RIGHT, 0xCD},
    {SDL_SCANCODE_END, 0xCF},
    {SDL_SCANCODE_DOWN, 0xD0},
    {SDL_SCANCODE_PAGEDOWN, 0xD1},
    {SDL_SCANCODE_INSERT, 0xD2},
    {SDL_SCANCODE_DELETE, 0xD3},
    {SDL_SCANCODE_LGUI, 0xDB},
    {SDL_SCANCODE_RGUI, 0xDC},
    {SDL_SCANCODE_APPLICATION, 0xDD},
    {SDL_SCANCODE_POWER, 0xDE},
    {SDL_SCANCODE_SLEEP, 0xDF},
    {SDL_SCANCODE_AC_SEARCH, 0xE5},
    {SDL_SCANCODE_AC_BOOKMARKS, 0xE6},
    {SDL_SCANCODE_AC_REFRESH, 0xE7},
    {SDL_SCANCODE_AC_STOP, 0xE8},
    {SDL_SCANCODE_AC_FORWARD, 0xE9},
    {SDL_SCANCODE_AC_BACK, 0xEA},
    {SDL_SCANCODE_COMPUTER, 0xEB},
    {SDL_SCANCODE_MAIL, 0xEC},
    {SDL_SCANCODE_MEDIASELECT, 0xED},
};

struct Tables {
  uint8_t dikOf[SDL_NUM_SCANCODES] = {};
  int scancodeOf[256] = {};
  Tables() {
    for (const KeyCode& k : kKeyCodes) {
      dikOf[k.scancode] = k.dik;
      if (scancodeOf[k.dik] == 0) scancodeOf[k.dik] = k.scancode;
    }
  }
};

const Tables& KeyTables() {
  static const Tables tables;
  return tables;
}

// The SDL devices: the keyboard as SDL tracks it from the focused window's events, and
// the controllers opened once at creation.
class SdlInputDevice : public InputDevice {
 public:
  SdlInputDevice() {
    m_joystickSystem = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
    if (!m_joystickSystem) {
      std::fprintf(stderr, "input: no game controllers (%s)\n", SDL_GetError());
      return;
    }
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
      SDL_Joystick* pad = SDL_JoystickOpen(i);
      if (!pad) {
        std::fprintf(stderr, "input: game controller %d skipped (%s)\n", i, SDL_GetError());
        continue;
      }
      m_pads.push_back(pad);
    }
  }

  ~SdlInputDevice() override {
    for (SDL_Joystick* pad : m_pads) SDL_JoystickClose(pad);
    if (m_joystickSystem) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
  }

  bool ReadKeyboard(uint8_t (&keys)[256]) override {
    std::memset(keys, 0, sizeof keys);
    int count = 0;
    const Uint8* state = SDL_GetKeyboardState(&count);
    if (!state) return false;
    const Tables& tables = KeyTables();
    for (int sc = 0; sc < count && sc < SDL_NUM_SCANCODES; ++sc)
      if (state[sc] && tables.dikOf[sc]) keys[tables.dikOf[sc]] = 0x80;
    return true;
  }

  void Poll() override {
    if (!m_pads.empty()) SDL_JoystickUpdate();
  }

  size_t JoystickCount() const override { return m_pads.size(); }

  bool ReadJoystick(size_t index, JoystickReading& out) override {
    out = JoystickReading();
    if (index >= m_pads.size()) return false;
    SDL_Joystick* pad = m_pads[index];
    if (!SDL_JoystickGetAttached(pad)) return false;
    int axes = SDL_JoystickNumAxes(pad);
    for (int a = 0; a < axes && a < 8; ++a) {
      int32_t v = ScaleJoystickAxis(SDL_JoystickGetAxis(pad, a));
      if (a < 6)
        out.axes[a] = v;
      else
        out.sliders[a - 6] = v;
    }
    int hats = SDL_JoystickNumHats(pad);
    for (int h = 0; h < hats && h < 4; ++h) out.pov[h] = HatToPov(SDL_JoystickGetHat(pad, h));
    int buttons = SDL_JoystickNumButtons(pad);
    for (int b = 0; b < buttons && b < 128; ++b) out.buttons[b] = SDL_JoystickGetButton(pad, b) ? 0x80 : 0;
    return true;
  }

 private:
  bool m_joystickSystem = false;
  std::vector<SDL_Joystick*> m_pads;
};

}  // namespace

uint8_t DikFromScancode(int scancode) {
  if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) return 0;
  return KeyTables().dikOf[scancode];
}

int ScancodeFromDik(uint8_t dik) { return KeyTables().scancodeOf[dik]; }

int ScancodeFromName(const char* name) {
  SDL_Scancode sc = SDL_GetScancodeFromName(name);
  return sc == SDL_SCANCODE_UNKNOWN ? 0 : int(sc);
}

std::vector<int> MappedScancodes() {
  std::vector<int> out;
  for (const KeyCode& k : kKeyCodes) out.push_back(int(k.scancode));
  std::sort(out.begin(), out.end());
  return out;
}

int32_t ScaleJoystickAxis(int16_t value) {
  int32_t v = int32_t(value) * 1000 / 32767;
  return std::clamp(v, -1000, 1000);
}

uint32_t HatToPov(uint8_t hat) {
  switch (hat & 0x0F) {
    case SDL_HAT_UP:
      return 0;
    case SDL_HAT_RIGHTUP:
      return 4500;
    case SDL_HAT_RIGHT:
      return 9000;
    case SDL_HAT_RIGHTDOWN:
      return 13500;
    case SDL_HAT_DOWN:
      return 18000;
    case SDL_HAT_LEFTDOWN:
      return 22500;
    case SDL_HAT_LEFT:
      return 27000;
    case SDL_HAT_LEFTUP:
      return 31500;
    default:
      return 0xFFFFFFFFu;
  }
}

std::unique_ptr<InputDevice> CreateSdlInputDevice() { return std::make_unique<SdlInputDevice>(); }

bool ScriptedInputDevice::ReadKeyboard(uint8_t (&keys)[256]) {
  if (m_keyboardFails) {
    std::memset(keys, 0, sizeof keys);
    return false;
  }
  std::memcpy(keys, m_keys, sizeof keys);
  return true;
}

bool ScriptedInputDevice::ReadJoystick(size_t index, JoystickReading& out) {
  if (index >= m_joysticks.size() || m_joysticks[index].fails) return false;
  out = m_joysticks[index].reading;
  return true;
}

void ScriptedInputDevice::ReleaseAllKeys() { std::memset(m_keys, 0, sizeof m_keys); }

size_t ScriptedInputDevice::AddJoystick() {
  m_joysticks.emplace_back();
  return m_joysticks.size() - 1;
}

std::unique_ptr<VirtualJoystick> VirtualJoystick::Attach(int axes, int buttons, int hats) {
  if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return nullptr;
  int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, axes, buttons, hats);
  if (index < 0) {
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    return nullptr;
  }
  SDL_Joystick* pad = SDL_JoystickOpen(index);
  if (!pad) {
    SDL_JoystickDetachVirtual(index);
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    return nullptr;
  }
  std::unique_ptr<VirtualJoystick> joystick(new VirtualJoystick);
  joystick->m_deviceIndex = index;
  joystick->m_handle = pad;
  return joystick;
}

VirtualJoystick::~VirtualJoystick() {
  SDL_JoystickClose(static_cast<SDL_Joystick*>(m_handle));
  SDL_JoystickDetachVirtual(m_deviceIndex);
  SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

void VirtualJoystick::SetAxis(int axis, int16_t value) {
  SDL_JoystickSetVirtualAxis(static_cast<SDL_Joystick*>(m_handle), axis, value);
}

void VirtualJoystick::SetButton(int button, bool down) {
  SDL_JoystickSetVirtualButton(static_cast<SDL_Joystick*>(m_handle), button, down ? 1 : 0);
}

void VirtualJoystick::SetHat(int hat, uint8_t mask) {
  SDL_JoystickSetVirtualHat(static_cast<SDL_Joystick*>(m_handle), hat, mask);
}

}  // namespace platform
