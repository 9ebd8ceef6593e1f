// The human control: single and double presses from scripted frames, consumption per
// consumer, the press history, every kind of input a binding takes, and the key
// configuration's blocks written and read back.
#include <gtest/gtest.h>

#include <functional>

#include "battle/cpusteuerung.h"
#include "battle/humansteuerung.h"
#include "engine/apiinput.h"
#include "engine/kvnode.h"
#include "platform/input.h"
#include "support/kv_fixture.h"

namespace {

constexpr uint8_t kSpace = 57;

// Frames of 0.01 s with a millisecond tick that moves with them.
struct Script {
  HumanSteuerung control;
  InputState input;
  uint32_t now = 5000;

  void Frame() {
    control.Update(input, 0.01, now);
    now += 10;
  }
  // `seconds` of frames with the fire key held or let go.
  void Hold(double seconds, bool down, uint8_t key = kSpace) {
    input.keyboard.keys[key] = down ? 0x80 : 0;
    for (int i = 0, n = int(seconds * 100.0 + 0.5); i < n; ++i) Frame();
  }
  // A short press that begins now and lasts 0.05 s.
  void Tap(uint8_t key = kSpace) { Hold(0.05, true, key); }
};

}  // namespace

TEST(HumanSteuerung, SingleAndDoublePressByTheGapBetweenPresses) {
  struct Case {
    double gap;  // seconds from one press's start to the next
    bool doublePress;
  };
  const Case cases[] = {{0.1, true}, {0.24, true}, {0.26, false}, {0.5, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gap);
    Script s;
    s.Tap();
    s.Hold(c.gap - 0.05, false);
    s.Tap();
    EXPECT_EQ(s.control.IsDoublePress(Aktion::kFire, Steuerung::kRaw), c.doublePress);
    // Neither is single while the key is down or the window after its release runs.
    EXPECT_FALSE(s.control.IsSinglePress(Aktion::kFire, Steuerung::kRaw));
    s.Hold(0.24, false);
    EXPECT_FALSE(s.control.IsSinglePress(Aktion::kFire, Steuerung::kRaw));
    s.Hold(0.02, false);
    EXPECT_EQ(s.control.IsSinglePress(Aktion::kFire, Steuerung::kRaw), !c.doublePress);
  }
}

TEST(HumanSteuerung, TheFirstPressOfANewControlCounts) {
  Script s;
  EXPECT_FALSE(s.control.IsSinglePress(Aktion::kFire, Steuerung::kRaw)) << "no press yet";
  s.Hold(0.3, false);
  EXPECT_FALSE(s.control.IsSinglePress(Aktion::kFire, Steuerung::kRaw)) << "blank samples are no press";
  s.Tap();
  EXPECT_FALSE(s.control.IsDoublePress(Aktion::kFire, Steuerung::kRaw));
  s.Hold(0.26, false);
  EXPECT_TRUE(s.control.IsSinglePress(Aktion::kFire, Steuerung::kPrimary));
  // A long press is single after its release too; the time held plays no part.
  Script held;
  held.Hold(3.0, true);
  held.Hold(0.26, false);
  EXPECT_TRUE(held.control.IsSinglePress(Aktion::kFire, Steuerung::kRaw));
  // A press begun inside the window stops the one before from turning single.
  Script quick;
  quick.Tap();
  quick.Hold(0.2, false);
  quick.Tap();
  quick.Hold(0.1, false);
  EXPECT_FALSE(quick.control.IsSinglePress(Aktion::kFire, Steuerung::kRaw));
}

TEST(HumanSteuerung, ConsumptionBelongsToOneConsumerAndOnePress) {
  Script s;
  s.Hold(0.05, true);
  ASSERT_TRUE(s.control.IsDown(Aktion::kFire, Steuerung::kPrimary));
  s.control.Consume(Aktion::kFire, Steuerung::kPrimary);
  s.Frame();
  EXPECT_FALSE(s.control.IsDown(Aktion::kFire, Steuerung::kPrimary));
  EXPECT_TRUE(s.control.IsDown(Aktion::kFire, Steuerung::kRaw));
  EXPECT_TRUE(s.control.IsDown(Aktion::kFire, Steuerung::kSecondary));
  EXPECT_TRUE(s.control.IsConsumed(Aktion::kFire, Steuerung::kPrimary));
  EXPECT_FALSE(s.control.IsConsumed(Aktion::kFire, Steuerung::kSecondary));
  // A consumed press is no single press for that consumer once it is over.
  s.Hold(0.3, false);
  EXPECT_FALSE(s.control.IsSinglePress(Aktion::kFire, Steuerung::kPrimary));
  EXPECT_TRUE(s.control.IsSinglePress(Aktion::kFire, Steuerung::kSecondary));
  // The next press starts unconsumed.
  s.Tap();
  EXPECT_TRUE(s.control.IsDown(Aktion::kFire, Steuerung::kPrimary));

  // A turn change takes every press under way from both consumers, not from the raw state.
  s.control.ConsumeAll();
  EXPECT_FALSE(s.control.IsDown(Aktion::kFire, Steuerung::kPrimary));
  EXPECT_FALSE(s.control.IsDown(Aktion::kFire, Steuerung::kSecondary));
  EXPECT_TRUE(s.control.IsDown(Aktion::kFire, Steuerung::kRaw));
  s.Hold(0.3, false);
  EXPECT_FALSE(s.control.IsSinglePress(Aktion::kFire, Steuerung::kPrimary));
  EXPECT_FALSE(s.control.IsSinglePress(Aktion::kUp, Steuerung::kPrimary));

  // Actions outside 0 .. 24 are never down and take no consumption.
  for (int action : {-1, 25, 1000}) {
    s.control.Consume(action, Steuerung::kPrimary);
    EXPECT_FALSE(s.control.IsDown(action, Steuerung::kRaw));
    EXPECT_FALSE(s.control.IsSinglePress(action, Steuerung::kRaw));
  }
}

TEST(HumanSteuerung, HistoryKeepsTheLastTenPresses) {
  Script s;
  const KeyBinding& fire = s.control.Binding(Aktion::kFire);
  ASSERT_EQ(fire.History().size(), 2u);
  for (int press = 1; press <= 12; ++press) {
    s.Tap();
    s.Hold(0.05, false);
    EXPECT_EQ(fire.History().size(), std::min<size_t>(2 + press, 10)) << press;
  }
  // The blank samples went first.
  for (const InputSample& sample : fire.History()) EXPECT_TRUE(sample.pressed);
  EXPECT_NEAR(fire.Current().heldSeconds, 0.04, 1e-9);
  EXPECT_NEAR(fire.Current().releasedSeconds, 0.05, 1e-9);
}

TEST(HumanSteuerung, BuiltInKeysReachTheirActionsThroughTheKeyTable) {
  // Each action's keys by SDL scancode: arrows, WASD, space, shifts, return and E, backspace
  // and Q, End and C, the digit row, Tab, Delete and N, Escape.
  struct Case {
    int action;
    std::vector<int> scancodes;
  };
  const Case cases[] = {{0, {80, 4}},    {1, {79, 7}}, {2, {82, 26}}, {3, {81, 22}},  {4, {44}},
                        {5, {225, 229}}, {6, {40, 8}}, {7, {42, 20}}, {11, {77, 6}},  {12, {30}},
                        {20, {38}},      {21, {39}},   {22, {43}},    {23, {76, 17}}, {24, {41}}};
  for (const Case& c : cases) {
    for (int scancode : c.scancodes) {
      SCOPED_TRACE(testing::Message() << "action " << c.action << " scancode " << scancode);
      HumanSteuerung control;
      InputState input;
      const uint8_t dik = platform::DikFromScancode(scancode);
      ASSERT_NE(dik, 0);
      input.keyboard.keys[dik] = 0x80;
      control.Update(input, 0.01, 0);
      for (int a = 0; a < Aktion::kCount; ++a)
        EXPECT_EQ(control.IsDown(a, Steuerung::kRaw), a == c.action) << a;
    }
  }
}

TEST(HumanSteuerung, FramesWithNothingPressedAgeTheSamplesAsEveryBindingsOwnUpdateWould) {
  // Every binding takes an input of its own kind; each frame the control's update must leave
  // every binding exactly as the binding's own update does.
  Script s;
  s.control.Binding(Aktion::kUp).mouseAxes = {3};
  s.control.Binding(Aktion::kDown).joyButtons = {{0, 4}};
  s.control.Binding(Aktion::kLeft).joyAxes = {{0, 0}};
  std::vector<KeyBinding> own;
  for (int a = 0; a < Aktion::kCount; ++a) own.push_back(s.control.Binding(a));
  auto none = [](InputState&) {};
  auto key = [](uint8_t k) { return [k](InputState& in) { in.keyboard.keys[k] = 0x80; }; };
  auto pad = [](std::function<void(JoystickState&)> set) {
    return [set](InputState& in) {
      in.joysticks.resize(1);
      in.joysticks[0].present = 1;
      set(in.joysticks[0]);
    };
  };
  struct Stretch {
    const char* what;
    std::function<void(InputState&)> input;
    int frames;
    double step;
  };
  const Stretch script[] = {
      {"nothing", none, 30, 0.01},
      {"fire held", key(kSpace), 5, 0.01},
      {"released, then nothing", none, 40, 0.013},
      {"a key no binding has", key(99), 3, 0.01},
      {"a bit below the down bit", [](InputState& in) { in.keyboard.keys[kSpace] = 0x7F; }, 3, 0.01},
      {"left button", [](InputState& in) { in.buttons[0] = 0x80; }, 2, 0.01},
      {"the fourth button", [](InputState& in) { in.buttons[3] = 0x80; }, 2, 0.01},
      {"mouse down", [](InputState& in) { in.mouseDY = 4; }, 3, 0.01},
      {"mouse up", [](InputState& in) { in.mouseDY = -4; }, 2, 0.01},
      {"wheel", [](InputState& in) { in.wheel = 120; }, 2, 0.01},
      {"pad at rest", pad([](JoystickState&) {}), 3, 0.01},
      {"pad button", pad([](JoystickState& j) { j.buttons[4] = 0x80; }), 3, 0.01},
      {"pad stick", pad([](JoystickState& j) { j.lX = 900; }), 3, 0.01},
      {"paused", none, 5, 0.0},
      {"nothing again", none, 60, 1.0 / 60.0},
  };
  for (const Stretch& stretch : script) {
    SCOPED_TRACE(stretch.what);
    for (int f = 0; f < stretch.frames; ++f) {
      InputState input;
      stretch.input(input);
      s.control.Update(input, stretch.step, s.now);
      for (KeyBinding& b : own) b.Update(input, stretch.step, s.now);
      s.now += 10;
    }
    for (int a = 0; a < Aktion::kCount; ++a) {
      const auto& got = s.control.Binding(a).History();
      const auto& want = own[size_t(a)].History();
      ASSERT_EQ(got.size(), want.size()) << a;
      for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].down, want[i].down) << a << " " << i;
        EXPECT_EQ(got[i].pressed, want[i].pressed) << a << " " << i;
        EXPECT_EQ(got[i].pressTime, want[i].pressTime) << a << " " << i;
        EXPECT_EQ(got[i].releaseTime, want[i].releaseTime) << a << " " << i;
        EXPECT_EQ(got[i].heldSeconds, want[i].heldSeconds) << a << " " << i;
        EXPECT_EQ(got[i].releasedSeconds, want[i].releasedSeconds) << a << " " << i;
        EXPECT_EQ(got[i].minStrength, want[i].minStrength) << a << " " << i;
        EXPECT_EQ(got[i].maxStrength, want[i].maxStrength) << a << " " << i;
      }
    }
  }
  // Every kind of input made its binding's press.
  for (int a : {Aktion::kFire, Aktion::kUp, Aktion::kDown, Aktion::kLeft, Aktion::kTarget})
    EXPECT_GE(own[size_t(a)].History().size(), 3u) << a;
}

TEST(HumanSteuerung, MouseButtonsMouseAxesAndJoysticks) {
  struct Case {
    const char* what;
    std::function<void(KeyBinding&)> bind;
    std::function<void(InputState&)> input;
    bool down;
  };
  auto mouseAxis = [](int axis) { return [axis](KeyBinding& b) { b.mouseAxes = {axis}; }; };
  auto joyAxis = [](int joystick, int axis) {
    return [=](KeyBinding& b) { b.joyAxes = {{joystick, axis}}; };
  };
  auto move = [](int dx, int dy, int wheel) {
    return [=](InputState& s) {
      s.mouseDX = dx;
      s.mouseDY = dy;
      s.wheel = wheel;
    };
  };
  auto stick = [](int axisIndex, int32_t value) {
    return [=](InputState& s) {
      s.joysticks.resize(1);
      s.joysticks[0].present = 1;
      int32_t* axes[6] = {&s.joysticks[0].lX,  &s.joysticks[0].lY,  &s.joysticks[0].lZ,
                          &s.joysticks[0].lRx, &s.joysticks[0].lRy, &s.joysticks[0].lRz};
      *axes[axisIndex] = value;
    };
  };
  std::vector<Case> cases = {
      {"left button", [](KeyBinding& b) { b.mouseButtons = {0}; }, [](InputState& s) { s.buttons[0] = 0x80; },
       true},
      {"middle button", [](KeyBinding& b) { b.mouseButtons = {2}; },
       [](InputState& s) { s.buttons[2] = 0x80; }, true},
      {"other button", [](KeyBinding& b) { b.mouseButtons = {1}; },
       [](InputState& s) { s.buttons[2] = 0x80; }, false},
      {"x right on x+", mouseAxis(0), move(5, 0, 0), true},
      {"x left on x+", mouseAxis(0), move(-5, 0, 0), false},
      {"x left on x-", mouseAxis(1), move(-5, 0, 0), true},
      {"x right on x-", mouseAxis(1), move(5, 0, 0), false},
      {"x either way", mouseAxis(2), move(-1, 0, 0), true},
      {"y down on y+", mouseAxis(3), move(0, 7, 0), true},
      {"y up on y-", mouseAxis(4), move(0, -7, 0), true},
      {"y still", mouseAxis(5), move(9, 0, 0), false},
      {"wheel notch away", mouseAxis(6), move(0, 0, 120), true},
      {"wheel notch back", mouseAxis(7), move(0, 0, -120), true},
      {"wheel back on wheel+", mouseAxis(6), move(0, 0, -120), false},
      {"joystick button",
       [](KeyBinding& b) {
         b.joyButtons = {{0, 5}};
       },
       [](InputState& s) {
         s.joysticks.resize(1);
         s.joysticks[0].present = 1;
         s.joysticks[0].buttons[5] = 0x80;
       },
       true},
      {"second joystick absent",
       [](KeyBinding& b) {
         b.joyButtons = {{1, 5}};
       },
       [](InputState& s) {
         s.joysticks.resize(1);
         s.joysticks[0].present = 1;
         s.joysticks[0].buttons[5] = 0x80;
       },
       false},
      {"negative joystick", joyAxis(-1, 0), stick(0, 900), false},
      {"inside the dead zone", joyAxis(0, 0), stick(0, 250), false},
      {"outside the dead zone", joyAxis(0, 0), stick(0, 260), true},
  };
  // Every stick axis, both ways: index 3k takes the positive side, 3k + 1 the negative, 3k + 2 both.
  for (int axis = 0; axis < 6; ++axis)
    for (int32_t value : {600, -600}) {
      cases.push_back({"positive part", joyAxis(0, 3 * axis), stick(axis, value), value > 0});
      cases.push_back({"negative part", joyAxis(0, 3 * axis + 1), stick(axis, value), value < 0});
      cases.push_back({"either way", joyAxis(0, 3 * axis + 2), stick(axis, value), true});
    }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HumanSteuerung control;
    KeyBinding& b = control.Binding(Aktion::kFire);
    b.keys.clear();
    b.mouseButtons.clear();
    c.bind(b);
    InputState input;
    c.input(input);
    control.Update(input, 0.01, 0);
    EXPECT_EQ(control.IsDown(Aktion::kFire, Steuerung::kRaw), c.down);
    if (c.down) {
      EXPECT_GT(b.Current().maxStrength, 0.0);
    }
  }
}

TEST(KeyConfiguration, HumanControlRoundTripWithEveryKindOfList) {
  HumanSteuerung control;
  control.SetName(u"ZWEITER");
  KeyBinding& fire = control.Binding(Aktion::kFire);
  fire.keys = {57, 28};
  fire.mouseButtons = {0, 2};
  fire.mouseAxes = {6};
  fire.joyButtons = {{0, 3}, {1, 127}};
  fire.joyAxes = {{0, 17}};
  control.Binding(Aktion::kLeft).keys.clear();
  KVNode root(u"Keyconfig");
  control.Save(root.AddChild(u"HUMANSTEUERUNG"));
  const std::u16string text = WriteKVText(root);

  // Pairs are written number first, then the joystick.
  const KVNode* block = root.GetChild(0, u"HUMANSTEUERUNG")->GetChild(Aktion::kFire, u"TASTE");
  ASSERT_NE(block, nullptr);
  const KVNode* joy = block->GetChild(0, u"JOY_BUTTONS");
  ASSERT_EQ(joy->GetValueCount(), 4u);
  EXPECT_EQ(joy->GetValue(0)->AsInt(), 3);
  EXPECT_EQ(joy->GetValue(1)->AsInt(), 0);
  const char16_t* children[] = {u"STEUERUNG",  u"KEYS",        u"MOUSE_BUTTONS",
                                u"MOUSE_AXIS", u"JOY_BUTTONS", u"JOY_AXIS"};
  ASSERT_EQ(block->Children().size(), 6u);
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(block->Children()[i]->Name(), children[i]);

  HumanSteuerung back;
  back.Load(ParseKVText(text)->GetChild(0, u"HUMANSTEUERUNG"));
  EXPECT_EQ(back.GetName(), u"ZWEITER");
  for (int a = 0; a < Aktion::kCount; ++a) {
    SCOPED_TRACE(a);
    const KeyBinding& x = control.Binding(a);
    const KeyBinding& y = back.Binding(a);
    EXPECT_EQ(y.action, a);
    EXPECT_EQ(x.keys, y.keys);
    EXPECT_EQ(x.mouseButtons, y.mouseButtons);
    EXPECT_EQ(x.mouseAxes, y.mouseAxes);
    EXPECT_EQ(x.joyButtons, y.joyButtons);
    EXPECT_EQ(x.joyAxes, y.joyAxes);
  }
  EXPECT_TRUE(back.Binding(Aktion::kLeft).keys.empty()) << "an empty list reads back empty";
}

TEST(KeyConfiguration, HandEditedBlocksKeepWhatIsSound) {
  auto root = ParseBody(
      u"<HUMANSTEUERUNG> <NAME> \"DEFAULT\" <\\NAME>"
      // Key 300 is 44 in eight bits; the mouse has no button 8 or -1; joystick -1 is none,
      // button 128 is beyond the 128 buttons; the odd last JOY_AXIS value has no partner.
      u"<TASTE> <STEUERUNG> \"4\" <\\STEUERUNG> <KEYS> \"300\" \"57\" <\\KEYS>"
      u"<MOUSE_BUTTONS> \"8\" \"1\" \"-1\" <\\MOUSE_BUTTONS>"
      u"<JOY_BUTTONS> \"2\" \"-1\" \"128\" \"0\" \"7\" \"0\" <\\JOY_BUTTONS>"
      u"<JOY_AXIS> \"4\" \"0\" \"5\" <\\JOY_AXIS> <\\TASTE>"
      // No action number, then one out of range: both blocks are skipped.
      u"<TASTE> <KEYS> \"1\" <\\KEYS> <\\TASTE>"
      u"<TASTE> <STEUERUNG> \"25\" <\\STEUERUNG> <KEYS> \"1\" <\\KEYS> <\\TASTE>"
      // A later block for the same action replaces the earlier.
      u"<TASTE> <STEUERUNG> \"0\" <\\STEUERUNG> <KEYS> \"75\" <\\KEYS> <\\TASTE>"
      u"<\\HUMANSTEUERUNG>",
      u"Keyconfig");
  HumanSteuerung control;
  control.Load(root->GetChild(0, u"HUMANSTEUERUNG"));
  const KeyBinding& fire = control.Binding(Aktion::kFire);
  EXPECT_EQ(fire.keys, (std::vector<uint8_t>{44, 57}));
  EXPECT_EQ(fire.mouseButtons, (std::vector<int32_t>{1}));
  EXPECT_EQ(fire.joyButtons, (std::vector<KeyBinding::JoyInput>{{0, 7}}));
  EXPECT_EQ(fire.joyAxes, (std::vector<KeyBinding::JoyInput>{{0, 4}}));
  EXPECT_EQ(control.Binding(Aktion::kLeft).keys, (std::vector<uint8_t>{75}));
  // The skipped blocks changed nothing; actions no block names keep their built-in keys.
  EXPECT_EQ(control.Binding(Aktion::kPause).keys, (std::vector<uint8_t>{1}));
  EXPECT_EQ(control.Binding(Aktion::kRight).keys, (std::vector<uint8_t>{205, 32}));
}

TEST(KeyConfiguration, ComputerControlParametersRoundTrip) {
  CPUSteuerung cpu(u"CPU_MITTEL");
  cpu.weapons = {u"Bazooka", u"Granate"};
  cpu.angles = {-85.0, 85.0, 3.0};
  cpu.factors = {1.0, 1.0, 4.0, -1.0, 4.0};
  cpu.movement = 0.7;
  cpu.pause = {1.0, 3.0};
  cpu.windFactor = 0.5;
  KVNode root(u"Keyconfig");
  cpu.Save(root.AddChild(u"CPUSTEUERUNG"));
  auto parsed = ParseKVText(WriteKVText(root));
  const KVNode* block = parsed->GetChild(0, u"CPUSTEUERUNG");
  ASSERT_NE(block, nullptr);
  const char16_t* children[] = {u"NAME",     u"WAFFEN", u"WINKEL_PARAMS", u"FAKTOREN",
                                u"BEWEGUNG", u"PAUSE",  u"WINDSTÄRKE"};
  ASSERT_EQ(block->Children().size(), 7u);
  for (size_t i = 0; i < 7; ++i) EXPECT_EQ(block->Children()[i]->Name(), children[i]);
  CPUSteuerung back;
  back.Load(block);
  EXPECT_EQ(back.GetName(), u"CPU_MITTEL");
  EXPECT_EQ(back.weapons, cpu.weapons);
  EXPECT_EQ(back.angles, cpu.angles);
  EXPECT_EQ(back.factors, cpu.factors);
  EXPECT_EQ(back.movement, cpu.movement);
  EXPECT_EQ(back.pause, cpu.pause);
  EXPECT_EQ(back.windFactor, cpu.windFactor);

  // A key with fewer values overwrites only those; absent keys keep what was there.
  auto partial = ParseBody(u"<PAUSE> \"9\" <\\PAUSE>");
  back.Load(partial.get());
  EXPECT_EQ(back.pause, (std::array<double, 2>{9.0, 3.0}));
  EXPECT_EQ(back.weapons, cpu.weapons);

  // Its actions: a state answers its query until taken.
  back.SetState(Aktion::kJump, CPUSteuerung::kDouble);
  EXPECT_TRUE(back.IsDoublePress(Aktion::kJump, Steuerung::kPrimary));
  back.Consume(Aktion::kJump, Steuerung::kPrimary);
  EXPECT_FALSE(back.IsDoublePress(Aktion::kJump, Steuerung::kPrimary));
}
