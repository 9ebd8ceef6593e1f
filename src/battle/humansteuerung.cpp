// Key bindings, their press histories and the human control's queries.
#include "battle/humansteuerung.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/apicontext.h"
#include "engine/apiinput.h"
#include "engine/frametimer.h"
#include "engine/kvnode.h"
#include "platform/text.h"

namespace {

InputSample Blank(uint32_t now) {
  InputSample s;
  s.pressTime = s.releaseTime = now;
  return s;
}

void Dropped(const char* list, int32_t value) {
  std::fprintf(stderr, "Krumbolt: keyconfig.cfg: %s value %d names no input and is ignored\n", list, value);
}

// Pairs (value 2k, value 2k + 1) = (number, joystick); an odd last value has no partner.
void ReadPairs(const KVNode* node, const char* list, int32_t numberLimit,
               std::vector<KeyBinding::JoyInput>& out) {
  if (!node) return;
  for (unsigned k = 0; k + 1 < node->GetValueCount(); k += 2) {
    const int32_t number = node->GetValue(k)->AsInt();
    const int32_t joystick = node->GetValue(k + 1)->AsInt();
    if (joystick < 0 || number < 0 || (numberLimit > 0 && number >= numberLimit)) {
      Dropped(list, joystick < 0 ? joystick : number);
      continue;
    }
    out.emplace_back(joystick, number);
  }
}

template <class T>
void WriteList(KVNode* block, std::u16string name, const std::vector<T>& values) {
  KVNode* child = block->AddChild(std::move(name));
  for (T v : values) child->InsertValue(std::make_unique<KVValue>(int(v)));
}

void WritePairs(KVNode* block, std::u16string name, const std::vector<KeyBinding::JoyInput>& pairs) {
  KVNode* child = block->AddChild(std::move(name));
  for (const auto& [joystick, number] : pairs) {
    child->InsertValue(std::make_unique<KVValue>(int(number)));
    child->InsertValue(std::make_unique<KVValue>(int(joystick)));
  }
}

}  // namespace

// ---- KeyBinding ----------------------------------------------------------------

KeyBinding::KeyBinding(int32_t action_, uint32_t now) : action(action_), m_history{Blank(now), Blank(now)} {}

void KeyBinding::Update(const InputState& input, double step, uint32_t now) {
  InputSample s;
  s.pressTime = s.releaseTime = now;
  auto press = [&](double strength) {
    s.down = true;
    s.minStrength = std::min(s.minStrength, strength);
    s.maxStrength = std::max(s.maxStrength, strength);
  };
  for (uint8_t key : keys)
    if (input.keyboard.IsKeyDown(key)) press(1.0);
  for (int32_t button : mouseButtons)
    if (button >= 0 && button < kMouseButtons && input.buttons[button] > 127) press(1.0);
  for (int32_t axis : mouseAxes) {
    const double value = std::fabs(input.GetMouseAxis(axis));
    if (value > 0.0) press(value);
  }
  const size_t joysticks = input.JoystickCount();
  for (const auto& [joystick, button] : joyButtons)
    if (joystick >= 0 && size_t(joystick) < joysticks &&
        input.joysticks[size_t(joystick)].IsButtonDown(button))
      press(1.0);
  for (const auto& [joystick, axis] : joyAxes) {
    if (joystick < 0 || size_t(joystick) >= joysticks) continue;
    const double value = std::fabs(input.joysticks[size_t(joystick)].GetAxis(axis));
    if (value > kJoystickDeadZone) press(value);
  }

  InputSample& last = m_history.back();
  if (!last.down && s.down) {
    s.pressed = true;
    m_history.push_back(s);
    while (m_history.size() > kHistoryLimit) m_history.erase(m_history.begin());
  } else if (last.down && s.down) {
    last.heldSeconds += step;
    last.minStrength = std::min(last.minStrength, s.minStrength);
    last.maxStrength = std::max(last.maxStrength, s.maxStrength);
  } else if (last.down && !s.down) {
    last.down = false;
    last.releaseTime = now;
  }
  AgeReleased(step);
}

void KeyBinding::Read(const KVNode* block) {
  keys.clear();
  mouseButtons.clear();
  mouseAxes.clear();
  joyButtons.clear();
  joyAxes.clear();
  if (!block) return;
  block->Read(u"STEUERUNG", action);
  if (const KVNode* node = block->GetChild(0, u"KEYS"))
    for (unsigned i = 0; i < node->GetValueCount(); ++i) keys.push_back(uint8_t(node->GetValue(i)->AsInt()));
  if (const KVNode* node = block->GetChild(0, u"MOUSE_BUTTONS"))
    for (unsigned i = 0; i < node->GetValueCount(); ++i) {
      const int32_t button = node->GetValue(i)->AsInt();
      if (button >= 0 && button < kMouseButtons)
        mouseButtons.push_back(button);
      else
        Dropped("MOUSE_BUTTONS", button);
    }
  if (const KVNode* node = block->GetChild(0, u"MOUSE_AXIS"))
    for (unsigned i = 0; i < node->GetValueCount(); ++i) mouseAxes.push_back(node->GetValue(i)->AsInt());
  ReadPairs(block->GetChild(0, u"JOY_BUTTONS"), "JOY_BUTTONS", kJoystickButtons, joyButtons);
  ReadPairs(block->GetChild(0, u"JOY_AXIS"), "JOY_AXIS", 0, joyAxes);
}

void KeyBinding::Write(KVNode* block) const {
  if (!block) return;
  block->AddChildWith(u"STEUERUNG", int(action));
  WriteList(block, u"KEYS", keys);
  WriteList(block, u"MOUSE_BUTTONS", mouseButtons);
  WriteList(block, u"MOUSE_AXIS", mouseAxes);
  WritePairs(block, u"JOY_BUTTONS", joyButtons);
  WritePairs(block, u"JOY_AXIS", joyAxes);
}

// ---- HumanSteuerung ------------------------------------------------------------

HumanSteuerung::HumanSteuerung(APIContext* context, TimerClock* clock)
    : Steuerung(u"DEFAULT"), m_context(context), m_clock(clock) {
  const uint32_t now = Now();
  m_bindings.reserve(Aktion::kCount);
  for (int32_t a = 0; a < Aktion::kCount; ++a) m_bindings.emplace_back(a, now);
  SetDefaultBindings();
}

uint32_t HumanSteuerung::Now() const { return (m_clock ? *m_clock : SystemTimerClock()).TickCount(); }

void HumanSteuerung::SetDefaultBindings() {
  static const std::vector<uint8_t> kKeys[Aktion::kCount] = {
      {203, 30}, {205, 32}, {200, 17}, {208, 31}, {57}, {42, 54},  {28, 18}, {14, 16}, {},
      {},        {},        {207, 46}, {2},       {3},  {4},       {5},      {6},      {7},
      {8},       {9},       {10},      {11},      {15}, {211, 49}, {1}};
  for (KeyBinding& b : m_bindings) {
    b.keys = kKeys[b.action];
    b.mouseButtons.clear();
    b.mouseAxes.clear();
    b.joyButtons.clear();
    b.joyAxes.clear();
  }
  m_bindings[Aktion::kTarget].mouseButtons = {0};
  m_bindings[Aktion::kWeaponPanel].mouseButtons = {1};
  m_bindings[Aktion::kCameraDrag].mouseButtons = {2};
}

void HumanSteuerung::Update() {
  APIContext* context = m_context ? m_context : APIContext::Get();
  const InputState* input = context->input ? context->input->GetInputState() : nullptr;
  const double step = context->timer ? context->timer->realStep : 0.0;
  static const InputState kNothing;
  Update(input ? *input : kNothing, step, Now());
}

namespace {

// No key, no mouse button, no mouse movement and no controller: no binding can be pressed.
bool NothingPressed(const InputState& input) {
  if (input.mouseDX != 0 || input.mouseDY != 0 || input.wheel != 0 || !input.joysticks.empty()) return false;
  uint8_t any = 0;
  for (uint8_t b : input.buttons) any |= uint8_t(b & 0x80);
  for (uint8_t k : input.keyboard.keys) any |= uint8_t(k & 0x80);
  return any == 0;
}

}  // namespace

void HumanSteuerung::Update(const InputState& input, double step, uint32_t now) {
  // Most frames nobody touches anything: then each binding only ages its samples, and
  // reading every binding's inputs one by one would find nothing.
  if (NothingPressed(input) &&
      std::none_of(m_bindings.begin(), m_bindings.end(), [](const KeyBinding& b) { return b.Current().down; })) {
    for (KeyBinding& b : m_bindings) b.AgeReleased(step);
    return;
  }
  for (KeyBinding& b : m_bindings) b.Update(input, step, now);
}

void HumanSteuerung::Save(KVNode* node) const {
  if (!node) return;
  Steuerung::Save(node);
  for (const KeyBinding& b : m_bindings) b.Write(node->AddChild(u"TASTE"));
}

void HumanSteuerung::Load(const KVNode* node) {
  if (!node) return;
  Steuerung::Load(node);
  const unsigned blocks = std::min(node->CountChildren(u"TASTE"), unsigned(Aktion::kCount));
  for (unsigned i = 0; i < blocks; ++i) {
    const KVNode* block = node->GetChild(i, u"TASTE");
    int32_t action = -1;
    if (!block->Read(u"STEUERUNG", action) || !IsAction(action)) continue;
    m_bindings[size_t(action)].Read(block);
  }
}

bool HumanSteuerung::IsSinglePress(int action, int mask) const {
  if (!IsAction(action)) return false;
  const KeyBinding& b = Binding(action);
  const InputSample* previous = b.Previous();
  const InputSample& current = b.Current();
  if (!previous || !current.pressed || Masked(current, mask)) return false;
  // A blank sample before the first press of a control is no earlier press: the first
  // press counts like any other.
  if (previous->pressed && uint32_t(current.pressTime - previous->pressTime) < kPressWindowMs) return false;
  return !current.down && current.releasedSeconds >= KeyBinding::kPressWindow;
}

bool HumanSteuerung::IsDoublePress(int action, int mask) const {
  if (!IsAction(action)) return false;
  const KeyBinding& b = Binding(action);
  const InputSample* previous = b.Previous();
  const InputSample& current = b.Current();
  if (!previous || !current.pressed || !previous->pressed || Masked(current, mask)) return false;
  return uint32_t(current.pressTime - previous->pressTime) < kPressWindowMs;
}

bool HumanSteuerung::IsDown(int action, int mask) const {
  if (!IsAction(action)) return false;
  const InputSample& current = Binding(action).Current();
  return current.down && !Masked(current, mask);
}

bool HumanSteuerung::IsConsumed(int action, int mask) const {
  return IsAction(action) && (Binding(action).Current().consumed & mask) != 0;
}

void HumanSteuerung::Consume(int action, int mask) {
  if (IsAction(action)) Binding(action).Current().consumed |= mask;
}

void HumanSteuerung::ConsumeAll() {
  for (KeyBinding& b : m_bindings) b.Current().consumed |= kPrimary | kSecondary | kTurnChange;
}
