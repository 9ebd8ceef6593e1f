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
