// The human player's control: keyboard, mouse and joystick input turned into the 25 action
// states through one KeyBinding per action, read from and written to the key configuration.
#pragma once

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "battle/steuerung.h"

class APIContext;
class TimerClock;
struct InputState;

// One press of an action.
struct InputSample {
  bool down = false;
  // Set for every press an update recorded; clear only in the blank samples a binding starts with.
  bool pressed = false;
  // Keys and buttons count 1.0, axes their magnitude; kept, though no query reads them.
  double minStrength = 1.0;
  double maxStrength = 0.0;
  uint32_t pressTime = 0;
  uint32_t releaseTime = 0;
  double heldSeconds = 0.0;
  double releasedSeconds = 0.0;
  int32_t consumed = 0;
};

// An action's inputs and its recent presses.
class KeyBinding {
 public:
  static constexpr size_t kHistoryLimit = 10;
  // Seconds: a press that begins sooner after the one before is a double press.
  static constexpr double kPressWindow = 0.25;
  static constexpr double kJoystickDeadZone = 0.25;
  // Mouse buttons the input state knows.
  static constexpr int32_t kMouseButtons = 4;
  static constexpr int32_t kJoystickButtons = 128;

  // {joystick index, button or axis number}
  using JoyInput = std::pair<int32_t, int32_t>;

  // Two blank samples stamped `now`.
  KeyBinding(int32_t action, uint32_t now);

  // One frame: records a new press, extends or ends the current one, and ages the released ones.
  void Update(const InputState& input, double step, uint32_t now);
  // The frame's update when none of the binding's inputs is pressed and its current sample
  // is not down: only the released samples age.
  void AgeReleased(double step) {
    for (InputSample& sample : m_history)
      if (!sample.down) sample.releasedSeconds += step;
  }
  // Replaces every list from a "TASTE" block (none: all empty). Values a player's file may
  // hold that name no input (a mouse button beyond the fourth, a negative joystick, a
  // joystick button above 127) are dropped with a message.
  void Read(const KVNode* block);
  // "STEUERUNG", "KEYS", "MOUSE_BUTTONS", "MOUSE_AXIS", "JOY_BUTTONS", "JOY_AXIS", always all six.
  void Write(KVNode* block) const;

  const std::vector<InputSample>& History() const { return m_history; }
  const InputSample& Current() const { return m_history.back(); }
  // The sample before the current one; null while there is none.
  const InputSample* Previous() const {
    return m_history.size() >= 2 ? &m_history[m_history.size() - 2] : nullptr;
  }
  InputSample& Current() { return m_history.back(); }

  int32_t action;
  std::vector<uint8_t> keys;
  std::vector<int32_t> mouseButtons;
  std::vector<int32_t> mouseAxes;
  std::vector<JoyInput> joyButtons;
  std::vector<JoyInput> joyAxes;

 private:
  std::vector<InputSample> m_history;
};

class HumanSteuerung : public Steuerung {
 public:
  // The built-in bindings, named "DEFAULT". Input, the frame step and the tick count come
  // from the context (the process-wide one when none) and the clock (the system's when none).
  explicit HumanSteuerung(APIContext* context = nullptr, TimerClock* clock = nullptr);

  // Every binding, actions 0 to 24, from the input manager's state of this frame.
  void Update() override;
  // The same from a given state, frame step and tick count.
  void Update(const InputState& input, double step, uint32_t now);
  void Save(KVNode* node) const override;
  // "NAME", then up to 25 "TASTE" blocks; a block replaces the bindings of the action its
  // "STEUERUNG" names (a missing or out-of-range number: the block is skipped). Actions no
  // block names keep what they had.
  void Load(const KVNode* node) override;

  bool IsSinglePress(int action, int mask) const override;
  bool IsDoublePress(int action, int mask) const override;
  bool IsDown(int action, int mask) const override;
  bool IsConsumed(int action, int mask) const override;
  void Consume(int action, int mask) override;
  void ConsumeAll() override;

  const KeyBinding& Binding(int action) const { return m_bindings[size_t(action)]; }
  KeyBinding& Binding(int action) { return m_bindings[size_t(action)]; }
  // Back to the built-in bindings (keys and mouse buttons only).
  void SetDefaultBindings();

 private:
  // The press window in milliseconds.
  static constexpr uint32_t kPressWindowMs = uint32_t(KeyBinding::kPressWindow * 1000.0);

  bool Masked(const InputSample& sample, int mask) const { return mask != kRaw && (sample.consumed & mask); }
  uint32_t Now() const;

  APIContext* m_context;
  TimerClock* m_clock;
  std::vector<KeyBinding> m_bindings;
};
