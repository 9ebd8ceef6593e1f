// The thread's message queue without a display: posting, taking, hooks and key state.
#include "platform/window.h"

#include <gtest/gtest.h>

#include <vector>

using platform::MessageType;
using platform::WindowMessage;

namespace {
WindowMessage Key(MessageType type, int scancode) {
  WindowMessage m;
  m.type = type;
  m.scancode = scancode;
  return m;
}
}  // namespace

TEST(MessageQueue, KeepsOrderAndLetsTheHookSeeAndChangeMessagesFirst) {
  platform::ClearMessages();
  platform::PostMessage(Key(MessageType::KeyDown, platform::kScancodeEscape));
  EXPECT_TRUE(platform::IsKeyDown(platform::kScancodeEscape));
  platform::PostMessage(Key(MessageType::KeyUp, platform::kScancodeEscape));
  EXPECT_FALSE(platform::IsKeyDown(platform::kScancodeEscape));
  platform::PostQuitMessage(3);

  std::vector<MessageType> seen;
  platform::SetMessageHook([&](WindowMessage& m) {
    seen.push_back(m.type);
    m.scancode = 99;
  });
  WindowMessage m;
  ASSERT_TRUE(platform::PeekMessage(m));
  EXPECT_EQ(m.type, MessageType::KeyDown);
  ASSERT_TRUE(platform::GetMessage(m));
  EXPECT_EQ(m.type, MessageType::KeyDown);
  platform::DispatchMessage(m);
  EXPECT_EQ(m.scancode, 99);
  ASSERT_TRUE(platform::GetMessage(m));
  EXPECT_EQ(m.type, MessageType::KeyUp);
  ASSERT_TRUE(platform::GetMessage(m));
  EXPECT_EQ(m.type, MessageType::Quit);
  EXPECT_EQ(m.exitCode, 3);
  EXPECT_FALSE(platform::GetMessage(m));
  EXPECT_EQ(seen, std::vector<MessageType>{MessageType::KeyDown});
  platform::SetMessageHook(nullptr);

  // Losing the focus releases every key.
  platform::PostMessage(Key(MessageType::KeyDown, platform::kScancodeReturn));
  WindowMessage lost;
  lost.type = MessageType::FocusLost;
  platform::PostMessage(lost);
  EXPECT_FALSE(platform::IsKeyDown(platform::kScancodeReturn));
  platform::ClearMessages();
}

TEST(PointerOutside, ThePositionOfAPointerThatLeftLiesOutsideTheClientArea) {
  // A 100 x 80 client area. The desktop position wins when it is known and outside; else the
  // last inside position moves just past the nearest edge, so the input manager sees the
  // pointer outside and shows the arrow again when it comes back.
  struct Case {
    int32_t lastX, lastY;
    bool haveDesktop;
    int32_t desktopX, desktopY;
    int32_t x, y;
  };
  const Case cases[] = {
      {50, 40, true, -30, 10, -30, 10},    // left through the left edge, desktop known
      {50, 40, true, 250, 300, 250, 300},  // far beyond the bottom right
      {2, 40, false, 0, 0, -1, 40},        // unknown desktop: nearest edge left
      {97, 40, false, 0, 0, 101, 40},      // right
      {50, 1, false, 0, 0, 50, -1},        // top
      {50, 79, false, 0, 0, 50, 81},       // bottom
      {50, 40, true, 60, 30, 50, 81},      // a desktop position inside is not believed
  };
  for (const Case& c : cases) {
    int32_t x = 0, y = 0;
    platform::PointerOutsideClient(c.lastX, c.lastY, c.haveDesktop, c.desktopX, c.desktopY, 100, 80, x, y);
    EXPECT_EQ(x, c.x) << c.lastX << "," << c.lastY;
    EXPECT_EQ(y, c.y) << c.lastX << "," << c.lastY;
  }
}
