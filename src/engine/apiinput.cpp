// The input manager: message queue, per-frame polling, key edges and listener dispatch.
#include "engine/apiinput.h"

#include <algorithm>
#include <cstring>

#include "engine/apicontext.h"

namespace {

// The manager whose ProcessMessage is the window messages' hook, if any.
APIInput* g_hooked = nullptr;

using Kind = platform::InputEvent::Kind;
using platform::MouseButton;

double SplitAxis(int32_t value, int part) {
  switch (part) {
    case 0:
      return (value >= 1 ? value : 0) / 1000.0;
    case 1:
      return (value < 0 ? value : 0) / 1000.0;
    default:
      return value / 1000.0;
  }
}

// A controller that cannot be read rests: axes centred, hats centred, no buttons.
void ClearReading(JoystickState& s) {
  uint8_t present = s.present;
  s = JoystickState();
  for (uint32_t& p : s.pov) p = 0xFFFFFFFFu;
  s.present = present;
}

}  // namespace

// ---- records -----------------------------------------------------------------

bool KeyboardState::WasKeyPressed(int code) const {
  return std::find(pressed.begin(), pressed.end(), code) != pressed.end();
}

double JoystickState::GetAxis(int index) const {
  if (!present || index < 0 || index > 17) return 0.0;
  const int32_t axes[6] = {lX, lY, lZ, lRx, lRy, lRz};
  return SplitAxis(axes[index / 3], index % 3);
}

bool JoystickState::IsButtonDown(int button) const {
  return present && button >= 0 && button < 128 && buttons[button] > 127;
}

double InputState::GetMouseAxis(int index) const {
  if (index < 0 || index > 8) return 0.0;
  const int32_t axes[3] = {mouseDX, mouseDY, wheel};
  return SplitAxis(axes[index / 3], index % 3);
}

// ---- the manager -------------------------------------------------------------

APIInput* APIInput::Get() {
  static APIInput input(APIContext::Get());
  return &input;
}

APIInput::APIInput(InputHost* host) : m_host(host) {}

APIInput::~APIInput() { Shutdown(); }

int32_t APIInput::Init(std::unique_ptr<platform::InputDevice> devices) {
  m_devices = devices ? std::move(devices) : platform::CreateSdlInputDevice();
  if (!m_devices) return kFail;
  m_state.joysticks.assign(m_devices->JoystickCount(), JoystickState());
  for (JoystickState& j : m_state.joysticks) {
    ClearReading(j);
    j.present = 1;
  }
  platform::SetMessageHook([this](platform::WindowMessage& message) { ProcessMessage(message); });
  g_hooked = this;
  return kOk;
}

void APIInput::Shutdown() {
  if (g_hooked == this) {
    platform::SetMessageHook({});
    g_hooked = nullptr;
  }
  m_devices.reset();
  m_state.joysticks.clear();
}

bool APIInput::ToInputEvent(const platform::WindowMessage& m, platform::InputEvent& e) {
  using Type = platform::MessageType;
  e = platform::InputEvent();
  e.x = m.x;
  e.y = m.y;
  auto button = [&](MouseButton b, bool down) {
    e.button = b;
    // Every second press of a run of clicks is the double click; a third press is a plain
    // press again.
    e.kind = !down                                  ? Kind::ButtonUp
             : (m.clicks >= 2 && m.clicks % 2 == 0) ? Kind::DoubleClick
                                                    : Kind::ButtonDown;
  };
  switch (m.type) {
    case Type::MouseMove:
      e.kind = Kind::MouseMove;
      return true;
    case Type::LeftDown:
    case Type::LeftUp:
      button(MouseButton::Left, m.type == Type::LeftDown);
      return true;
    case Type::RightDown:
    case Type::RightUp:
      button(MouseButton::Right, m.type == Type::RightDown);
      return true;
    case Type::MiddleDown:
    case Type::MiddleUp:
      button(MouseButton::Middle, m.type == Type::MiddleDown);
      return true;
    case Type::Wheel:
      e.kind = Kind::Wheel;
      e.wheelDelta = m.wheelDelta;
      return true;
    case Type::Activate:
      e.kind = Kind::Activate;
      return true;
    case Type::Deactivate:
      e.kind = Kind::Deactivate;
      return true;
    case Type::FocusGained:
      e.kind = Kind::FocusGained;
      return true;
    case Type::FocusLost:
      e.kind = Kind::FocusLost;
      return true;
    case Type::KeyDown:
      e.kind = Kind::KeyDown;
      e.scancode = m.scancode;
      e.dik = platform::DikFromScancode(m.scancode);
      return true;
    case Type::Text:
      e.kind = Kind::Text;
      e.text = m.text;
      return true;
    case Type::KeyUp:
    case Type::None:
    case Type::Quit:
    case Type::Close:
      return false;
  }
  return false;
}

void APIInput::ProcessMessage(const platform::WindowMessage& message) {
  platform::InputEvent event;
  if (ToInputEvent(message, event)) Process(event);
}

void APIInput::SetActive(bool active) {
  m_active = active;
  m_inactive = !active;
  if (m_host) m_host->SetFocusPause(!active);
}

void APIInput::Process(const platform::InputEvent& e) {
  switch (e.kind) {
    case Kind::MouseMove:
    case Kind::NonClientMouseMove:
    case Kind::ButtonDown:
    case Kind::ButtonUp:
    case Kind::Wheel:
      m_queue.push_back({e.kind, e.button, e.wheelDelta});
      break;
    case Kind::DoubleClick:
      // A double click arrives in place of the second press: a release, then a press.
      m_queue.push_back({Kind::ButtonUp, e.button, 0});
      m_queue.push_back({Kind::ButtonDown, e.button, 0});
      break;
    case Kind::Activate:
    case Kind::Deactivate:
      if (m_host && m_host->IsFullScreen()) SetActive(e.kind == Kind::Activate);
      break;
    case Kind::FocusGained:
    case Kind::FocusLost:
      if (!m_host || !m_host->IsFullScreen()) SetActive(e.kind == Kind::FocusGained);
      break;
    case Kind::KeyDown:
    case Kind::KeyUp:
    case Kind::Text:
      // The keyboard is polled once per frame.
      break;
  }
}

void APIInput::Update() {
  int32_t width = 0, height = 0;
  if (m_host) m_host->GetDisplaySize(width, height);

  // Cursor.
  int32_t cursorX = 0, cursorY = 0;
  if (m_host) m_host->GetCursor(cursorX, cursorY);
  bool outside = cursorX < 0 || cursorY < 0 || cursorX > width || cursorY > height;
  if (!outside && m_cursorOutside && m_host) m_host->ShowArrowCursor();
  m_cursorOutside = outside;

  // Keyboard: a failed read leaves every key up this frame.
  std::memset(m_currentKeys, 0, sizeof m_currentKeys);
  if (m_devices) {
    m_devices->Poll();
    m_devices->ReadKeyboard(m_currentKeys);
  }
  ReadJoysticks();
  uint32_t events = BuildKeyLists();

  // Mouse position and movement.
  m_state.mouseDX = 0;
  m_state.mouseDY = 0;
  m_state.wheel = 0;
  int32_t oldX = m_state.mouseX, oldY = m_state.mouseY;
  m_state.mouseX = std::clamp(cursorX, 0, std::max(width, 0));
  m_state.mouseY = std::clamp(cursorY, 0, std::max(height, 0));
  m_state.mouseDX = m_state.mouseX - oldX;
  m_state.mouseDY = m_state.mouseY - oldY;

  events |= ConsumeMessages();
  std::memcpy(m_state.keyboard.keys, m_currentKeys, sizeof m_currentKeys);
  Dispatch(events);

  // Alt+Enter, with the left Alt key only and a newly pressed Return.
  if (m_state.keyboard.IsKeyDown(kKeyLeftAlt) && m_state.keyboard.WasKeyPressed(kKeyReturn) && m_host)
    m_host->ToggleFullScreen();

  std::memcpy(m_previousKeys, m_currentKeys, sizeof m_currentKeys);
}

void APIInput::ReadJoysticks() {
  if (!m_devices) return;
  for (size_t i = 0; i < m_state.joysticks.size(); ++i) {
    JoystickState& j = m_state.joysticks[i];
    platform::JoystickReading r;
    if (!m_devices->ReadJoystick(i, r)) {
      // A controller that cannot be read keeps nothing held down.
      ClearReading(j);
      continue;
    }
    j.lX = r.axes[0];
    j.lY = r.axes[1];
    j.lZ = r.axes[2];
    j.lRx = r.axes[3];
    j.lRy = r.axes[4];
    j.lRz = r.axes[5];
    std::memcpy(j.sliders, r.sliders, sizeof j.sliders);
    std::memcpy(j.pov, r.pov, sizeof j.pov);
    std::memcpy(j.buttons, r.buttons, sizeof j.buttons);
  }
}

uint32_t APIInput::BuildKeyLists() {
  KeyboardState& k = m_state.keyboard;
  k.pressed.clear();
  k.released.clear();
  k.held.clear();
  uint32_t events = 0;
  for (int code = 0; code < 256; ++code) {
    bool now = (m_currentKeys[code] & 0x80) != 0;
    bool before = (m_previousKeys[code] & 0x80) != 0;
    if (now && !before) {
      k.pressed.push_back(uint8_t(code));
      k.held.push_back(uint8_t(code));
      events |= kKeyDown;
    } else if (!now && before) {
      k.released.push_back(uint8_t(code));
      events |= kKeyUp;
    } else if (now && before) {
      k.held.push_back(uint8_t(code));
      events |= kKeyHeld;
    }
  }
  return events;
}

uint32_t APIInput::ConsumeMessages() {
  uint32_t events = 0;
  for (const InputMessage& m : m_queue) {
    int slot = m.button == MouseButton::Left ? 0 : m.button == MouseButton::Right ? 1 : 2;
    uint32_t up = slot == 0 ? kLeftUp : slot == 1 ? kRightUp : kMiddleUp;
    uint32_t down = slot == 0 ? kLeftDown : slot == 1 ? kRightDown : kMiddleDown;
    switch (m.kind) {
      case Kind::MouseMove:
      case Kind::NonClientMouseMove:
        events |= kMove;
        break;
      case Kind::Wheel:
        m_state.wheel = m.wheelDelta;
        events |= kWheel;
        break;
      case Kind::ButtonDown:
        m_state.buttons[slot] = 0x80;
        events |= down;
        break;
      case Kind::ButtonUp:
        m_state.buttons[slot] = 0;
        events |= up;
        break;
      default:
        break;
    }
  }
  m_queue.clear();
  return events;
}

bool APIInput::IsRegistered(MyControl* control) const {
  return std::find(m_controls.begin(), m_controls.end(), control) != m_controls.end();
}

void APIInput::Dispatch(uint32_t events) {
  if (!events) return;
  // Listeners may register or unregister (themselves or others) while being called: walk
  // a copy, and call nobody who has left the list meanwhile.
  const std::vector<MyControl*> snapshot = m_controls;
  using Handler = void (MyControl::*)(const InputState*);
  static constexpr std::pair<Event, Handler> kOrder[] = {
      {kKeyUp, &MyControl::OnKeyUp},
      {kKeyDown, &MyControl::OnKeyDown},
      {kKeyHeld, &MyControl::OnKeyHeld},
      {kMove, &MyControl::OnMouseMove},
      {kLeftUp, &MyControl::OnLeftButtonUp},
      {kRightUp, &MyControl::OnRightButtonUp},
      {kMiddleUp, &MyControl::OnMiddleButtonUp},
      {kLeftDown, &MyControl::OnLeftButtonDown},
      {kRightDown, &MyControl::OnRightButtonDown},
      {kMiddleDown, &MyControl::OnMiddleButtonDown},
      {kWheel, &MyControl::OnMouseWheel},
  };
  for (size_t i = snapshot.size(); i-- > 0;) {
    MyControl* control = snapshot[i];
    for (const auto& [event, handler] : kOrder) {
      if (!(events & event)) continue;
      if (!IsRegistered(control)) break;
      (control->*handler)(&m_state);
    }
  }
}

void APIInput::RegisterControl(MyControl* control, bool dispatched) {
  if (!control || IsRegistered(control)) return;
  if (std::find(m_otherControls.begin(), m_otherControls.end(), control) != m_otherControls.end()) return;
  (dispatched ? m_controls : m_otherControls).push_back(control);
}

void APIInput::UnregisterControl(MyControl* control) {
  for (auto* list : {&m_controls, &m_otherControls})
    for (size_t i = list->size(); i-- > 0;)
      if ((*list)[i] == control) list->erase(list->begin() + std::ptrdiff_t(i));
}
