#include "engine/apiinput.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using platform::InputEvent;
using platform::MouseButton;
using Kind = InputEvent::Kind;

// The window, the graphics manager and the frame timer as the input manager sees them.
// The timer has the player's pause and the focus pause; the game stands while either is set.
struct FakeHost : InputHost {
  int32_t cursorX = 100, cursorY = 100;
  int32_t width = 1024, height = 768;
  bool fullScreen = false;
  bool focusPause = false;
  bool playerPause = false;
  int toggles = 0;
  int arrows = 0;

  void GetCursor(int32_t& x, int32_t& y) override {
    x = cursorX;
    y = cursorY;
  }
  void GetDisplaySize(int32_t& w, int32_t& h) override {
    w = width;
    h = height;
  }
  bool IsFullScreen() override { return fullScreen; }
  void SetFocusPause(bool paused) override { focusPause = paused; }
  void ToggleFullScreen() override {
    ++toggles;
    fullScreen = !fullScreen;
  }
  void ShowArrowCursor() override { ++arrows; }
  bool GameStands() const { return focusPause || playerPause; }
};

// Writes every call into a shared log as "<name>.<event>".
struct Recorder : MyControl {
  Recorder(std::string name, std::vector<std::string>* log) : name(std::move(name)), log(log) {}
  void Note(const char* what) {
    log->push_back(name + "." + what);
    if (hook) hook(what);
  }
  void OnMouseMove(const InputState*) override { Note("move"); }
  void OnLeftButtonUp(const InputState*) override { Note("lup"); }
  void OnLeftButtonDown(const InputState*) override { Note("ldown"); }
  void OnRightButtonUp(const InputState*) override { Note("rup"); }
  void OnRightButtonDown(const InputState*) override { Note("rdown"); }
  void OnMiddleButtonUp(const InputState*) override { Note("mup"); }
  void OnMiddleButtonDown(const InputState*) override { Note("mdown"); }
  void OnMouseWheel(const InputState*) override { Note("wheel"); }
  void OnKeyDown(const InputState*) override { Note("kdown"); }
  void OnKeyUp(const InputState*) override { Note("kup"); }
  void OnKeyHeld(const InputState*) override { Note("kheld"); }

  std::string name;
  std::vector<std::string>* log;
  std::function<void(const char*)> hook;
};

InputEvent Message(Kind kind, MouseButton button = MouseButton::Left, int32_t wheel = 0) {
  InputEvent e;
  e.kind = kind;
  e.button = button;
  e.wheelDelta = wheel;
  return e;
}

using Codes = std::vector<uint8_t>;
using Log = std::vector<std::string>;

class InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto devices = std::make_unique<platform::ScriptedInputDevice>();
    m_devices = devices.get();
    ASSERT_EQ(m_input.Init(std::move(devices)), APIInput::kOk);
  }

  // Sets exactly these keys down and runs one frame.
  void Frame(const Codes& keys) {
    m_devices->ReleaseAllKeys();
    for (uint8_t k : keys) m_devices->SetKey(k, true);
    m_input.Update();
  }
  void Send(Kind kind, MouseButton button = MouseButton::Left, int32_t wheel = 0) {
    m_input.Process(Message(kind, button, wheel));
  }
  const InputState& State() { return *m_input.GetInputState(); }
  std::vector<std::string> TakeLog() { return std::exchange(m_log, {}); }

  FakeHost m_host;
  APIInput m_input{&m_host};
  platform::ScriptedInputDevice* m_devices = nullptr;
  std::vector<std::string> m_log;
};

constexpr uint8_t kA = 0x1E, kS = 0x1F, kD = 0x20;

}  // namespace

TEST_F(InputTest, KeyEdgesAndHeldKeysOverFrames) {
  Recorder r("r", &m_log);
  m_input.RegisterControl(&r, true);
  struct FrameCase {
    Codes down;
    Codes pressed, released, held;
    Log calls;
  };
  const FrameCase frames[] = {
      {{kA}, {kA}, {}, {kA}, {"r.kdown"}},
      {{kA, kS}, {kS}, {}, {kA, kS}, {"r.kdown", "r.kheld"}},
      {{kS}, {}, {kA}, {kS}, {"r.kup", "r.kheld"}},
      {{kS}, {}, {}, {kS}, {"r.kheld"}},
      {{}, {}, {kS}, {}, {"r.kup"}},
      {{}, {}, {}, {}, {}},
  };
  int i = 0;
  for (const FrameCase& f : frames) {
    Frame(f.down);
    const KeyboardState& k = State().keyboard;
    EXPECT_EQ(k.pressed, f.pressed) << "frame " << i;
    EXPECT_EQ(k.released, f.released) << "frame " << i;
    EXPECT_EQ(k.held, f.held) << "frame " << i;
    EXPECT_EQ(TakeLog(), f.calls) << "frame " << i;
    for (uint8_t code : f.down) EXPECT_TRUE(k.IsKeyDown(code));
    ++i;
  }
  // A key that goes down and up between two updates is never seen.
  m_devices->SetKey(kD, true);
  m_devices->SetKey(kD, false);
  m_input.Update();
  EXPECT_TRUE(State().keyboard.pressed.empty());
  EXPECT_TRUE(TakeLog().empty());
}

TEST_F(InputTest, AKeyboardThatCannotBeReadHasEveryKeyUp) {
  Frame({kA, kS});
  m_devices->SetKeyboardFails(true);
  m_input.Update();
  EXPECT_EQ(State().keyboard.released, (Codes{kA, kS}));
  EXPECT_FALSE(State().keyboard.IsKeyDown(kA));
  m_devices->SetKeyboardFails(false);
  m_input.Update();
  EXPECT_EQ(State().keyboard.pressed, (Codes{kA, kS}));
}

TEST_F(InputTest, ListenersNewestFirstReleasesBeforePresses) {
  Recorder menu("menu", &m_log), level("level", &m_log);
  m_input.RegisterControl(&menu, true);
  m_input.RegisterControl(&level, true);
  Frame({kA, kS});
  TakeLog();
  // One frame with every kind of event: S released, D pressed, A and D held.
  Send(Kind::MouseMove);
  for (MouseButton b : {MouseButton::Left, MouseButton::Right, MouseButton::Middle}) {
    Send(Kind::ButtonDown, b);
    Send(Kind::ButtonUp, b);
  }
  Send(Kind::Wheel, MouseButton::Left, 120);
  Frame({kA, kD});
  const Log perListener = {"kup", "kdown", "kheld", "move",  "lup",  "rup",
                           "mup", "ldown", "rdown", "mdown", "wheel"};
  Log expected;
  for (const char* who : {"level", "menu"})
    for (const auto& e : perListener) expected.push_back(std::string(who) + "." + e);
  EXPECT_EQ(TakeLog(), expected);
}

TEST_F(InputTest, RegistrationKeepsOneEntryPerListener) {
  Recorder a("a", &m_log), b("b", &m_log), quiet("quiet", &m_log);
  m_input.RegisterControl(&a, true);
  m_input.RegisterControl(&a, true);
  m_input.RegisterControl(&a, false);
  m_input.RegisterControl(&quiet, false);
  m_input.RegisterControl(&quiet, true);
  m_input.RegisterControl(&b, true);
  m_input.RegisterControl(nullptr, true);
  Frame({kA});
  // The second list is never called.
  EXPECT_EQ(TakeLog(), (Log{"b.kdown", "a.kdown"}));
  m_input.UnregisterControl(&a);
  m_input.UnregisterControl(&quiet);
  m_input.UnregisterControl(&quiet);
  m_input.RegisterControl(&quiet, true);
  Frame({});
  EXPECT_EQ(TakeLog(), (Log{"quiet.kup", "b.kup"}));
}

TEST_F(InputTest, ListenersMayLeaveOrJoinDuringDispatch) {
  Recorder first("first", &m_log), self("self", &m_log), newest("newest", &m_log), late("late", &m_log);
  auto victim = std::make_unique<Recorder>("victim", &m_log);
  m_input.RegisterControl(&first, true);
  m_input.RegisterControl(victim.get(), true);
  m_input.RegisterControl(&self, true);
  m_input.RegisterControl(&newest, true);
  // The newest listener removes and deletes one that has not been called yet.
  newest.hook = [&](const char*) {
    if (victim) {
      m_input.UnregisterControl(victim.get());
      victim.reset();
    }
  };
  // Another one leaves in its first call and registers a newcomer.
  self.hook = [&](const char*) {
    m_input.UnregisterControl(&self);
    m_input.RegisterControl(&late, true);
  };
  Frame({kA});
  Send(Kind::MouseMove);
  Frame({kA, kS});
  // The deleted listener is never called; the one that left is not called again; the
  // newcomer is called from the next frame on, as the newest.
  EXPECT_EQ(TakeLog(),
            (Log{"newest.kdown", "self.kdown", "first.kdown", "late.kdown", "late.kheld", "late.move",
                 "newest.kdown", "newest.kheld", "newest.move", "first.kdown", "first.kheld", "first.move"}));
}

TEST_F(InputTest, ClicksAndDoubleClicks) {
  Recorder r("r", &m_log);
  m_input.RegisterControl(&r, true);
  // Down and up in one frame: the button ends up, and the release is reported first.
  Send(Kind::ButtonDown);
  Send(Kind::ButtonUp);
  m_input.Update();
  EXPECT_EQ(State().buttons[0], 0);
  EXPECT_EQ(TakeLog(), (Log{"r.lup", "r.ldown"}));

  // A double click over four frames: down, up, (up, down), up.
  struct Step {
    std::vector<Kind> messages;
    uint8_t button;
    Log calls;
  };
  const Step steps[] = {
      {{Kind::ButtonDown}, 0x80, {"r.rdown"}},
      {{Kind::ButtonUp}, 0, {"r.rup"}},
      {{Kind::DoubleClick}, 0x80, {"r.rup", "r.rdown"}},
      {{Kind::ButtonUp}, 0, {"r.rup"}},
  };
  for (const Step& s : steps) {
    for (Kind k : s.messages) Send(k, MouseButton::Right);
    m_input.Update();
    EXPECT_EQ(State().buttons[1], s.button);
    EXPECT_EQ(State().IsRightButtonDown(), s.button != 0);
    EXPECT_EQ(TakeLog(), s.calls);
  }
  EXPECT_FALSE(State().IsLeftButtonDown());
  Send(Kind::ButtonDown, MouseButton::Middle);
  m_input.Update();
  EXPECT_EQ(State().buttons[2], 0x80);
  EXPECT_EQ(State().buttons[3], 0);
}

TEST_F(InputTest, WheelKeepsTheLastDeltaOfAFrame) {
  Recorder r("r", &m_log);
  m_input.RegisterControl(&r, true);
  struct Case {
    std::vector<int32_t> deltas;
    int32_t wheel;
    double axis6, axis7, axis8;
  };
  const Case cases[] = {
      {{120}, 120, 0.12, 0.0, 0.12},
      {{120, -240, 360}, 360, 0.36, 0.0, 0.36},
      {{-120}, -120, 0.0, -0.12, -0.12},
      {{}, 0, 0.0, 0.0, 0.0},
  };
  for (const Case& c : cases) {
    for (int32_t d : c.deltas) Send(Kind::Wheel, MouseButton::Left, d);
    m_input.Update();
    EXPECT_EQ(State().wheel, c.wheel);
    EXPECT_DOUBLE_EQ(State().GetMouseAxis(6), c.axis6);
    EXPECT_DOUBLE_EQ(State().GetMouseAxis(7), c.axis7);
    EXPECT_DOUBLE_EQ(State().GetMouseAxis(8), c.axis8);
    EXPECT_EQ(TakeLog(), c.deltas.empty() ? Log{} : Log{"r.wheel"});
  }
}

TEST_F(InputTest, MouseIsClampedToTheDisplayBothEndsIncluded) {
  struct Case {
    int32_t cx, cy;
    int32_t x, y, dx, dy;
    int arrows;
  };
  // The first update starts from (0, 0) with the cursor outside.
  const Case cases[] = {
      {100, 50, 100, 50, 100, 50, 1},       {-5, 60, 0, 60, -100, 10, 1},
      {1024, 768, 1024, 768, 1024, 708, 2}, {1030, 800, 1024, 768, 0, 0, 2},
      {512, 384, 512, 384, -512, -384, 3},  {512, 384, 512, 384, 0, 0, 3},
  };
  for (const Case& c : cases) {
    m_host.cursorX = c.cx;
    m_host.cursorY = c.cy;
    m_input.Update();
    EXPECT_EQ(State().mouseX, c.x) << c.cx << "," << c.cy;
    EXPECT_EQ(State().mouseY, c.y) << c.cx << "," << c.cy;
    EXPECT_EQ(State().mouseDX, c.dx) << c.cx << "," << c.cy;
    EXPECT_EQ(State().mouseDY, c.dy) << c.cx << "," << c.cy;
    EXPECT_EQ(m_host.arrows, c.arrows) << c.cx << "," << c.cy;
  }
  EXPECT_DOUBLE_EQ(State().GetMouseAxis(0), 0.0);
  m_host.cursorX = 312;
  m_input.Update();
  EXPECT_DOUBLE_EQ(State().GetMouseAxis(0), 0.0);
  EXPECT_DOUBLE_EQ(State().GetMouseAxis(1), -0.2);
  EXPECT_DOUBLE_EQ(State().GetMouseAxis(2), -0.2);
  EXPECT_DOUBLE_EQ(State().GetMouseAxis(9), 0.0);
  EXPECT_DOUBLE_EQ(State().GetMouseAxis(-1), 0.0);
}

TEST_F(InputTest, LosingFocusPausesWithoutTouchingThePlayersPause) {
  struct Step {
    bool fullScreen;
    Kind message;
    bool inactive;
  };
  // A window reacts to focus, full screen to activation; the other kind is ignored.
  const Step steps[] = {
      {false, Kind::FocusLost, true}, {false, Kind::FocusGained, false}, {false, Kind::Deactivate, false},
      {true, Kind::FocusLost, false}, {true, Kind::Deactivate, true},    {true, Kind::Activate, false},
      {false, Kind::FocusLost, true}, {true, Kind::FocusGained, true},   {false, Kind::FocusGained, false},
  };
  for (const Step& s : steps) {
    m_host.fullScreen = s.fullScreen;
    Send(s.message);
    EXPECT_EQ(m_input.IsInactive(), s.inactive);
    EXPECT_EQ(m_input.IsActive(), !s.inactive);
    EXPECT_EQ(m_host.focusPause, s.inactive);
  }

  // The player pauses, the window loses and regains the focus: the game still stands.
  m_host.fullScreen = false;
  m_host.playerPause = true;
  Send(Kind::FocusLost);
  EXPECT_TRUE(m_host.GameStands());
  Send(Kind::FocusGained);
  EXPECT_FALSE(m_host.focusPause);
  EXPECT_TRUE(m_host.playerPause);
  EXPECT_TRUE(m_host.GameStands());
  // Input is still polled while inactive.
  Send(Kind::FocusLost);
  Frame({kA});
  EXPECT_TRUE(State().keyboard.WasKeyPressed(kA));
}

TEST_F(InputTest, AltEnterSwitchesTheDisplayMode) {
  constexpr uint8_t kLAlt = 0x38, kRAlt = 0xB8, kReturn = 0x1C;
  struct Case {
    const char* what;
    std::vector<Codes> frames;
    int toggles;
  };
  const Case cases[] = {
      {"left Alt held, Return pressed", {{kLAlt}, {kLAlt, kReturn}}, 1},
      {"both pressed in one frame", {{kLAlt, kReturn}}, 1},
      {"right Alt", {{kRAlt}, {kRAlt, kReturn}}, 0},
      {"Return held before Alt", {{kReturn}, {kReturn, kLAlt}}, 0},
      {"Return held on", {{kLAlt, kReturn}, {kLAlt, kReturn}, {kLAlt, kReturn}}, 1},
      {"Return alone", {{kReturn}}, 0},
  };
  for (const Case& c : cases) {
    Frame({});
    m_host.toggles = 0;
    for (const Codes& f : c.frames) {
      m_devices->ReleaseAllKeys();
      for (uint8_t k : f) m_devices->SetKey(k, true);
      m_input.Update();
    }
    EXPECT_EQ(m_host.toggles, c.toggles) << c.what;
  }
}

TEST_F(InputTest, JoysticksAreSplitIntoAxisParts) {
  // Controllers are listed at Init.
  auto devices = std::make_unique<platform::ScriptedInputDevice>();
  platform::ScriptedInputDevice* pads = devices.get();
  pads->AddJoystick();
  pads->AddJoystick();
  APIInput input(&m_host);
  ASSERT_EQ(input.Init(std::move(devices)), APIInput::kOk);
  ASSERT_EQ(input.GetInputState()->JoystickCount(), 2u);

  platform::JoystickReading& r = pads->Joystick(1);
  r.axes[0] = 500;
  r.axes[1] = -250;
  r.axes[5] = 1000;
  r.buttons[7] = 0x80;
  r.pov[0] = 9000;
  input.Update();
  const JoystickState& j = input.GetInputState()->joysticks[1];
  EXPECT_EQ(j.present, 1);
  const std::pair<int, double> axes[] = {{0, 0.5},  {1, 0.0},  {2, 0.5},  {3, 0.0},  {4, -0.25}, {5, -0.25},
                                         {15, 1.0}, {16, 0.0}, {17, 1.0}, {18, 0.0}, {-1, 0.0}};
  for (auto [index, value] : axes) EXPECT_DOUBLE_EQ(j.GetAxis(index), value) << index;
  EXPECT_TRUE(j.IsButtonDown(7));
  EXPECT_FALSE(j.IsButtonDown(6));
  EXPECT_FALSE(j.IsButtonDown(128));
  EXPECT_EQ(j.pov[0], 9000u);
  EXPECT_FALSE(input.GetInputState()->joysticks[0].IsButtonDown(7));

  // A controller that cannot be read keeps nothing held.
  pads->SetJoystickFails(1, true);
  input.Update();
  EXPECT_FALSE(j.IsButtonDown(7));
  EXPECT_DOUBLE_EQ(j.GetAxis(2), 0.0);
  EXPECT_EQ(j.pov[0], 0xFFFFFFFFu);
  EXPECT_EQ(j.present, 1);
  pads->SetJoystickFails(1, false);
  input.Update();
  EXPECT_TRUE(j.IsButtonDown(7));

  // A device that is not there answers nothing.
  JoystickState absent;
  absent.lX = 800;
  absent.buttons[0] = 0x80;
  EXPECT_DOUBLE_EQ(absent.GetAxis(0), 0.0);
  EXPECT_FALSE(absent.IsButtonDown(0));
}

TEST(InputText, KeyTables) {
  struct Case {
    int code, layout;
    char16_t c;
  };
  const Case cases[] = {
      {0x15, 0, u'z'},      {0x2C, 0, u'y'},      {0x15, 1, u'y'},      {0x2C, 1, u'z'},      {0x15, 3, u'w'},
      {0x2C, 3, u'y'},      {0x10, 3, u'a'},      {0x1E, 3, u'q'},      {0x11, 3, u'z'},      {0x32, 3, u','},
      {0x02, 3, u'&'},      {0x03, 3, u'\u00E9'}, {0x0A, 3, u'\u00E7'}, {0x0B, 3, u'\u00E0'}, {0x0B, 0, u'0'},
      {0x1A, 0, u'\u00FC'}, {0x27, 0, u'\u00F6'}, {0x28, 0, u'\u00E4'}, {0x1A, 1, 0},         {0x27, 3, 0},
      {0x10, 2, u'\u0439'}, {0x29, 2, u'\u0451'}, {0x34, 2, u'\u044E'}, {0x29, 0, 0},         {0x0E, 2, 0x08},
      {0x1C, 1, 0x0D},      {0x36, 3, 0x10},      {0x39, 0, u' '},      {0x47, 0, 0x67},      {0x52, 2, 0x60},
      {0xC8, 0, 0x26},      {0xCB, 3, 0x25},      {0xC8, 1, 0},         {0xD0, 2, 0},         {0x01, 0, 0},
      {0xFF, 0, 0},         {0x15, 4, 0x15},      {0x2C, -1, 0x2C},     {0x1E, 9, 0x1E},
  };
  for (const Case& c : cases)
    EXPECT_EQ(int(APIInput::KeyChar(c.code, c.layout)), int(c.c))
        << std::hex << c.code << " layout " << c.layout;

  const std::pair<int, int> numpad[] = {{0x47, 0x08}, {0x48, 0x09}, {0x49, 0x0A}, {0x4B, 0x05}, {0x4C, 0x06},
                                        {0x4D, 0x07}, {0x4F, 0x02}, {0x50, 0x03}, {0x51, 0x04}, {0x52, 0x0B},
                                        {0x4A, 0x4A}, {0x53, 0x53}, {0x1E, 0x1E}};
  for (auto [in, out] : numpad) EXPECT_EQ(APIInput::NumpadToDigitKey(in), out) << std::hex << in;
  // A text field: numeric pad 7 becomes the digit 7.
  EXPECT_EQ(APIInput::KeyChar(APIInput::NumpadToDigitKey(0x47), 0), u'7');
}

TEST(InputText, CaseMapping) {
  struct Case {
    char16_t upper, lower;
  };
  const Case pairs[] = {{u'A', u'a'},           {u'Z', u'z'},           {u'\u00C4', u'\u00E4'},
                        {u'\u00D6', u'\u00F6'}, {u'\u00DC', u'\u00FC'}, {u'\u0410', u'\u0430'},
                        {u'\u042F', u'\u044F'}, {u'\u0401', u'\u0451'}, {u'\u0419', u'\u0439'}};
  for (const Case& c : pairs) {
    EXPECT_EQ(APIInput::ToLowerChar(c.upper), c.lower) << int(c.upper);
    EXPECT_EQ(APIInput::ToUpperChar(c.lower), c.upper) << int(c.lower);
    EXPECT_EQ(APIInput::ToLowerChar(c.lower), c.lower);
    EXPECT_EQ(APIInput::ToUpperChar(c.upper), c.upper);
  }
  // Letters outside the tables stay as they are.
  for (char16_t c : {u'\u0450', u'\u0400', u'\u00DF', u'\u00C9', u'\u00E9', u'1', u' ', u'\u0452'}) {
    EXPECT_EQ(APIInput::ToLowerChar(c), c) << int(c);
    EXPECT_EQ(APIInput::ToUpperChar(c), c) << int(c);
  }
}
