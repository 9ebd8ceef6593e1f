// The engine context as the input manager's host, and the main loop driving the managers:
// focus and activation reach the frame timer, Alt+Enter reaches the reset protocol, window
// messages reach the input manager through the message hook.
#include <gtest/gtest.h>

#include "engine/dataarchive.h"
#include "engine/resetobjekt.h"
#include "support/engine_run.h"
#include "support/temp_dir.h"
#include "support/wav.h"

namespace {

using platform::MessageType;
using Kind = platform::InputEvent::Kind;

constexpr uint8_t kLeftAlt = 0x38, kRightAlt = 0xB8, kReturn = 0x1C, kA = 0x1E;

struct ResetCounter final : ResetObjekt {
  int lost = 0, reset = 0;
  void OnLostDevice() override { ++lost; }
  void OnResetDevice() override { ++reset; }
};

}  // namespace

TEST(ContextWiring, RegainingFocusDoesNotEndThePlayersPause) {
  struct Case {
    bool fullscreen;
    MessageType lose, regain, ignored;
  };
  // A window follows the focus, full screen the activation; the other kind changes nothing.
  const Case cases[] = {
      {false, MessageType::FocusLost, MessageType::FocusGained, MessageType::Deactivate},
      {true, MessageType::Deactivate, MessageType::Activate, MessageType::FocusLost},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fullscreen ? "full screen" : "window");
    EngineRun run(EngineRun::DisplayConfig(c.fullscreen).get());
    FrameTimer& timer = *run.context.timer;
    ASSERT_TRUE(run.Pass());
    EXPECT_GT(timer.gameStep, 0.0);

    run.Send(c.ignored);
    EXPECT_FALSE(run.input->IsInactive());
    EXPECT_FALSE(timer.focusPaused);

    // The player pauses, then the window loses and regains the focus.
    timer.paused = true;
    run.Send(c.lose);
    EXPECT_TRUE(run.input->IsInactive());
    EXPECT_TRUE(timer.focusPaused);
    run.Send(c.regain);
    EXPECT_FALSE(run.input->IsInactive());
    EXPECT_FALSE(timer.focusPaused);
    EXPECT_TRUE(timer.paused);
    ASSERT_TRUE(run.Pass());
    EXPECT_EQ(timer.gameStep, 0.0);

    // Focus lost on an unpaused game stops it until the focus returns.
    timer.paused = false;
    run.Send(c.lose);
    ASSERT_TRUE(run.Pass());
    EXPECT_EQ(timer.gameStep, 0.0);
    EXPECT_GT(timer.realStep, 0.0);
    run.Send(c.regain);
    ASSERT_TRUE(run.Pass());
    EXPECT_GT(timer.gameStep, 0.0);
  }
}

TEST(ContextWiring, AltEnterRunsTheResetProtocolOncePerPress) {
  EngineRun run(EngineRun::DisplayConfig(true).get());
  ResetCounter counter;
  run.graphics->RegisterResetObjekt(&counter);
  ASSERT_TRUE(run.graphics->IsFullscreen());

  // Left Alt held, Return pressed: one switch to a window, however long both stay down.
  run.Keys({kLeftAlt});
  ASSERT_TRUE(run.Pass());
  run.Keys({kLeftAlt, kReturn});
  ASSERT_TRUE(run.Pass());
  ASSERT_TRUE(run.Pass());
  ASSERT_TRUE(run.Pass());
  EXPECT_EQ(counter.lost, 1);
  EXPECT_EQ(counter.reset, 1);
  EXPECT_FALSE(run.graphics->IsFullscreen());
  EXPECT_TRUE(run.graphics->GetPresentParameters().windowed);
  EXPECT_EQ(run.graphics->GetPresentParameters().fullScreenRefreshRate, 0u);
  // The input manager now sees a window: the focus counts, activation does not.
  run.Send(MessageType::Deactivate);
  EXPECT_FALSE(run.context.timer->focusPaused);
  run.Send(MessageType::FocusLost);
  EXPECT_TRUE(run.context.timer->focusPaused);
  run.Send(MessageType::FocusGained);

  // The right Alt key, or Return pressed before Alt, switches nothing.
  // Key sets held by value: an initializer_list's array would die with the braces that made it.
  const std::vector<std::vector<std::vector<uint8_t>>> sequences = {{{kRightAlt}, {kRightAlt, kReturn}},
                                                                    {{kReturn}, {kReturn, kLeftAlt}}};
  for (const auto& frames : sequences) {
    run.Keys({});
    ASSERT_TRUE(run.Pass());
    for (const auto& keys : frames) {
      run.Keys(keys);
      ASSERT_TRUE(run.Pass());
    }
  }
  EXPECT_EQ(counter.reset, 1);

  // Key messages through the window do not switch: only the polled keyboard does.
  platform::WindowMessage key;
  key.type = MessageType::KeyDown;
  key.scancode = platform::kScancodeReturn;
  key.modifiers = platform::kModAlt;
  platform::PostMessage(key);
  run.Keys({});
  ASSERT_TRUE(run.Pass());
  ASSERT_TRUE(run.Pass());
  EXPECT_EQ(counter.reset, 1);

  // A second press goes back to full screen.
  run.Keys({kLeftAlt, kReturn});
  ASSERT_TRUE(run.Pass());
  EXPECT_EQ(counter.reset, 2);
  EXPECT_TRUE(run.graphics->IsFullscreen());
  EXPECT_EQ(run.graphics->GetPresentParameters().fullScreenRefreshRate, 60u);
  run.graphics->UnregisterResetObjekt(&counter);
}

TEST(ContextWiring, WindowMessagesBecomeInputMessages) {
  struct Case {
    MessageType type;
    int32_t clicks;
    bool taken;
    Kind kind;
    platform::MouseButton button;
  };
  using B = platform::MouseButton;
  const Case cases[] = {
      {MessageType::MouseMove, 0, true, Kind::MouseMove, B::Left},
      {MessageType::LeftDown, 1, true, Kind::ButtonDown, B::Left},
      {MessageType::LeftDown, 2, true, Kind::DoubleClick, B::Left},
      {MessageType::LeftDown, 3, true, Kind::ButtonDown, B::Left},
      {MessageType::LeftDown, 4, true, Kind::DoubleClick, B::Left},
      {MessageType::LeftUp, 2, true, Kind::ButtonUp, B::Left},
      {MessageType::RightDown, 2, true, Kind::DoubleClick, B::Right},
      {MessageType::RightUp, 1, true, Kind::ButtonUp, B::Right},
      {MessageType::MiddleDown, 1, true, Kind::ButtonDown, B::Middle},
      {MessageType::MiddleUp, 1, true, Kind::ButtonUp, B::Middle},
      {MessageType::Wheel, 0, true, Kind::Wheel, B::Left},
      {MessageType::Activate, 0, true, Kind::Activate, B::Left},
      {MessageType::Deactivate, 0, true, Kind::Deactivate, B::Left},
      {MessageType::FocusGained, 0, true, Kind::FocusGained, B::Left},
      {MessageType::FocusLost, 0, true, Kind::FocusLost, B::Left},
      {MessageType::KeyDown, 0, true, Kind::KeyDown, B::Left},
      {MessageType::Text, 0, true, Kind::Text, B::Left},
      // Key-up messages are the window procedure's alone.
      {MessageType::KeyUp, 0, false, Kind::MouseMove, B::Left},
      {MessageType::Close, 0, false, Kind::MouseMove, B::Left},
      {MessageType::Quit, 0, false, Kind::MouseMove, B::Left},
  };
  for (const Case& c : cases) {
    platform::WindowMessage m;
    m.type = c.type;
    m.clicks = c.clicks;
    m.wheelDelta = -240;
    m.scancode = platform::kScancodeReturn;
    platform::InputEvent e;
    SCOPED_TRACE(int(c.type) * 10 + c.clicks);
    ASSERT_EQ(APIInput::ToInputEvent(m, e), c.taken);
    if (!c.taken) continue;
    EXPECT_EQ(e.kind, c.kind);
    if (c.kind == Kind::ButtonDown || c.kind == Kind::ButtonUp || c.kind == Kind::DoubleClick) {
      EXPECT_EQ(e.button, c.button);
    }
    if (c.kind == Kind::Wheel) {
      EXPECT_EQ(e.wheelDelta, -240);
    }
    if (c.kind == Kind::KeyDown) {
      EXPECT_EQ(e.dik, kReturn);
    }
  }

  // Through the hook: a click and a double click in one frame each, a wheel turn.
  EngineRun run;
  for (MessageType t : {MessageType::LeftDown, MessageType::LeftUp}) run.Send(t);
  ASSERT_TRUE(run.Pass());
  EXPECT_FALSE(run.input->GetInputState()->IsLeftButtonDown());
  platform::WindowMessage second;
  second.type = MessageType::LeftDown;
  second.clicks = 2;
  platform::PostMessage(second);
  ASSERT_TRUE(run.Pass());
  ASSERT_TRUE(run.Pass());
  EXPECT_TRUE(run.input->GetInputState()->IsLeftButtonDown());
  platform::WindowMessage wheel;
  wheel.type = MessageType::Wheel;
  wheel.wheelDelta = 120;
  platform::PostMessage(wheel);
  ASSERT_TRUE(run.Pass());
  ASSERT_TRUE(run.Pass());
  EXPECT_EQ(run.input->GetInputState()->wheel, 120);
}

TEST(ContextWiring, TheUpdateStepRunsTimerInputSoundThenTheScene) {
  TempDir dir;
  ASSERT_TRUE(
      WriteDataArchive(dir.File("s.gob"), {{u"klick.wav", wav::Pcm(1, 22050, 16, wav::Tone(200, 1, 16))}}));
  auto archive = DataArchive::Open(dir.File("s.gob"));
  ASSERT_TRUE(archive);
  EngineRun run;
  std::u16string name = u"klick.wav";
  SoundSet* set = run.sound->Cache().FindOrCreate({&name, nullptr, archive.get()});
  ASSERT_GT(set->UsableCount(), 0);

  // What the scene sees in a pass: the timer has ticked, this frame's keys are in, and a
  // sound it asked for in the pass before has been started.
  struct Seen {
    double gameTotal;
    bool keyPressed;
    bool soundPlaying;
  };
  std::vector<Seen> seen;
  run.loop->updateScene = [&] {
    bool playing = false;
    for (int i = 0; i < set->CopyCount(); ++i) playing |= set->Buffer(i) && set->Buffer(i)->IsPlaying();
    seen.push_back(
        {run.context.timer->gameTotal, run.input->GetInputState()->keyboard.WasKeyPressed(kA), playing});
    if (seen.size() == 1) run.sound->Play(set, 100);
  };
  run.Keys({kA});
  ASSERT_TRUE(run.Pass(4000));
  run.Keys({});
  ASSERT_TRUE(run.Pass(4000));
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_DOUBLE_EQ(seen[0].gameTotal, 0.004);
  EXPECT_TRUE(seen[0].keyPressed);
  EXPECT_FALSE(seen[0].soundPlaying);
  EXPECT_DOUBLE_EQ(seen[1].gameTotal, 0.008);
  EXPECT_FALSE(seen[1].keyPressed);
  EXPECT_TRUE(seen[1].soundPlaying);
}
