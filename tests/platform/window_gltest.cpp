// A window on the offscreen video driver: the pointer's leave and enter events, as SDL
// delivers them, take the cursor out of the client area and bring it back, all the way to
// the input manager's "cursor outside" state.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <memory>

#include "engine/apiinput.h"
#include "platform/input.h"
#include "platform/window.h"

namespace {

// The input manager's view of the window: its cursor and a client area of its size.
struct WindowHost : InputHost {
  explicit WindowHost(platform::Window* w) : window(w) {}
  void GetCursor(int32_t& x, int32_t& y) override {
    x = y = 0;
    window->MousePosition(x, y);
  }
  void GetDisplaySize(int32_t& w, int32_t& h) override {
    w = window->BackBufferSize().width;
    h = window->BackBufferSize().height;
  }
  bool IsFullScreen() override { return false; }
  void SetFocusPause(bool) override {}
  void ToggleFullScreen() override {}
  void ShowArrowCursor() override { ++arrows; }
  platform::Window* window;
  int arrows = 0;
};

}  // namespace

TEST(PointerOutside, LeaveAndEnterEventsTakeTheCursorOutAndBack) {
  std::string error;
  auto window = platform::Window::Create(u"pointer", 100, 80, &error);
  ASSERT_NE(window, nullptr) << error;
  platform::ClearMessages();
  WindowHost host(window.get());
  APIInput input(&host);
  ASSERT_EQ(input.Init(std::make_unique<platform::ScriptedInputDevice>()), APIInput::kOk);

  auto send = [&](uint32_t type, uint8_t event) {
    SDL_Event e{};
    e.type = type;
    if (type == SDL_WINDOWEVENT) {
      e.window.windowID = window->Id();
      e.window.event = event;
    } else {
      e.motion.windowID = window->Id();
      e.motion.x = 50;
      e.motion.y = 40;
    }
    ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
    platform::PumpMessages();
    platform::ClearMessages();
    input.Update();
  };
  auto inside = [&] {
    int32_t x = -100, y = -100;
    window->MousePosition(x, y);
    return x >= 0 && y >= 0 && x < 100 && y < 80;
  };

  send(SDL_MOUSEMOTION, 0);
  EXPECT_TRUE(window->IsPointerInside());
  EXPECT_TRUE(inside());
  EXPECT_FALSE(input.IsCursorOutside());

  send(SDL_WINDOWEVENT, SDL_WINDOWEVENT_LEAVE);
  EXPECT_FALSE(window->IsPointerInside());
  EXPECT_FALSE(inside()) << "the last position inside no longer stands for the pointer";
  EXPECT_TRUE(input.IsCursorOutside());

  // Back in: the position is the window's again and the arrow is shown.
  const int arrows = host.arrows;
  send(SDL_WINDOWEVENT, SDL_WINDOWEVENT_ENTER);
  EXPECT_TRUE(window->IsPointerInside());
  EXPECT_TRUE(inside());
  EXPECT_FALSE(input.IsCursorOutside());
  EXPECT_EQ(host.arrows, arrows + 1);

  // A motion reported to the window means the pointer is over it, whatever came before.
  send(SDL_WINDOWEVENT, SDL_WINDOWEVENT_LEAVE);
  ASSERT_TRUE(input.IsCursorOutside());
  send(SDL_MOUSEMOTION, 0);
  EXPECT_TRUE(window->IsPointerInside());
  EXPECT_FALSE(input.IsCursorOutside());
  input.Shutdown();
}
