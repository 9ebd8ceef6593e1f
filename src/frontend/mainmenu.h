// The one top-level scene the shell drives. For now it draws a cleared frame and ends the
// program on Escape; the front end fills it in (loading screen, menus, the battle).
#pragma once

class MainMenu {
 public:
  MainMenu();
  virtual ~MainMenu();
  MainMenu(const MainMenu&) = delete;
  MainMenu& operator=(const MainMenu&) = delete;

  // Once per pass of the main loop, after the frame timer, input and sound.
  void Update();
  // At most 60 times a second.
  void Render();
  // After every pass not skipped for a lost device: keeps a song playing.
  void UpdateMusic();

  static constexpr unsigned kBackground = 0xFF1B2230;
};
