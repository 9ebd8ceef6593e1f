// Passes of the main loop on the Null device: the render cap, lost and reset devices, quit.
#include "engine/mainloop.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/resetobjekt.h"
#include "platform/window.h"

namespace {

class ManualClock final : public TimerClock {
 public:
  uint64_t counter = 0;
  bool QueryFrequency(uint64_t& f) override {
    f = 1000000;
    return true;
  }
  uint64_t QueryCounter() override { return counter; }
  uint32_t TickCount() override { return 0; }
};

struct Loop : ::testing::Test {
  void SetUp() override {
    platform::ClearMessages();
    DisplayEnvironment env;
    env.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(context, env);
    graphics->UseNullDevice(true);
    ASSERT_EQ(graphics->Create(), kResultOk);
    context.graphics = graphics.get();
    context.timer = std::make_unique<FrameTimer>(&clock);
    loop = std::make_unique<MainLoop>(context);
    loop->updateScene = [this] { ++updates; };
    loop->renderScene = [this] { ++renders; };
    loop->updateMusic = [this] { ++music; };
  }
  void TearDown() override { platform::ClearMessages(); }

  // One pass after the clock moved on by the given microseconds.
  void PassAfter(uint64_t micros) {
    clock.counter += micros;
    ASSERT_TRUE(loop->Pass());
  }

  APIContext context;
  ManualClock clock;
  std::unique_ptr<APIGraphics> graphics;
  std::unique_ptr<MainLoop> loop;
  int updates = 0, renders = 0, music = 0;
};

}  // namespace

TEST_F(Loop, RendersOnlyWhenTheAccumulatorExceedsASixtiethOfASecond) {
  loop->renderAccumulator = 1.0 / 60.0;
  loop->RenderStep();  // the timer's real step is still 0
  EXPECT_EQ(renders, 0);
  loop->renderAccumulator = 0.0;
  // Passes of 10 ms: the second reaches 0.02 s and renders; the excess is dropped.
  PassAfter(10000);
  EXPECT_EQ(renders, 0);
  PassAfter(10000);
  EXPECT_EQ(renders, 1);
  EXPECT_EQ(loop->renderAccumulator, 0.0);
  // A frame of half a second is one step of 0.01 s: two passes again before a render.
  PassAfter(500000);
  EXPECT_EQ(renders, 1);
  PassAfter(500000);
  EXPECT_EQ(renders, 2);
  // Updates and the music step run on every pass.
  EXPECT_EQ(updates, 4);
  EXPECT_EQ(music, 4);
  // Passes of 1 ms: updates every pass, a render every 17th.
  for (int i = 0; i < 34; ++i) PassAfter(1000);
  EXPECT_EQ(updates, 38);
  EXPECT_EQ(renders, 4);
}

TEST_F(Loop, ALostDeviceSkipsPassesAndOneThatNeedsAResetIsReset) {
  struct Counter final : ResetObjekt {
    int lost = 0, reset = 0;
    void OnLostDevice() override { ++lost; }
    void OnResetDevice() override { ++reset; }
  } counter;
  graphics->RegisterResetObjekt(&counter);
  graphics->GetDevice()->ForceStatus(platform::DeviceStatus::Lost);
  PassAfter(20000);
  PassAfter(20000);
  EXPECT_EQ(updates + renders + music, 0);
  graphics->GetDevice()->ForceStatus(platform::DeviceStatus::NeedsReset);
  PassAfter(20000);
  EXPECT_EQ(counter.lost, 1);
  EXPECT_EQ(counter.reset, 1);
  EXPECT_EQ(updates, 0);
  EXPECT_EQ(music, 1);
  EXPECT_EQ(graphics->GetDevice()->TestCooperativeLevel(), platform::DeviceStatus::Ok);
  PassAfter(20000);
  EXPECT_EQ(updates, 1);
  // A reset that fails ends the loop.
  graphics->GetDevice()->ForceStatus(platform::DeviceStatus::NeedsReset);
  graphics->GetDevice()->FailResets(true);
  EXPECT_FALSE(loop->Pass());
  EXPECT_FALSE(context.running);
  graphics->UnregisterResetObjekt(&counter);
}

TEST_F(Loop, MessagesComeFirstAndQuitEndsWithItsCode) {
  platform::WindowMessage move;
  move.type = platform::MessageType::MouseMove;
  platform::PostMessage(move);
  platform::PostQuitMessage(7);
  PassAfter(20000);
  EXPECT_EQ(updates, 0);  // the pass dispatched the message
  EXPECT_EQ(music, 1);
  EXPECT_EQ(loop->Run(), 7);
  EXPECT_EQ(updates, 0);
  // Clearing the running flag ends the loop with 0.
  context.running = false;
  MainLoop other(context);
  EXPECT_EQ(other.Run(), 0);
}

// Between passes the loop sleeps until the next frame is due, in waits short enough that
// the frame timer never cuts a step, so the frames keep their rate and the game's time
// keeps up with the clock; after a dispatched message it goes on at once.
TEST_F(Loop, RunWaitsBetweenPassesInsteadOfSpinning) {
  std::vector<double> waits;
  double gameTime = 0.0;
  loop->waitForMessage = [&](double seconds) {
    waits.push_back(seconds);
    // The clock moves on by the wait, rounded up to its microseconds.
    clock.counter += uint64_t(seconds * 1e6) + 1;
  };
  loop->updateScene = [&] {
    ++updates;
    gameTime += context.timer->gameStep;
    if (updates == 5) {
      platform::WindowMessage m;
      m.type = platform::MessageType::MouseMove;
      platform::PostMessage(m);
    }
  };
  loop->renderScene = [&] {
    ++renders;
    if (renders == 30) context.running = false;
  };
  context.running = true;
  loop->Run();
  EXPECT_EQ(renders, 30);
  ASSERT_FALSE(waits.empty());
  double slept = 0.0;
  for (double w : waits) {
    EXPECT_GT(w, 0.0);
    EXPECT_LE(w, MainLoop::kMaxWait);
    slept += w;
  }
  // 30 frames of a little over 1/60 s each, all of it asleep; every pass's step counted.
  EXPECT_NEAR(slept, 30.0 / 60.0, 0.01);
  EXPECT_NEAR(gameTime, double(clock.counter) / 1e6, 1e-6);
  // Four to five passes a frame, not thousands; one more for the message.
  EXPECT_LE(updates, 30 * 5);
  EXPECT_EQ(music, updates + 1);
}
