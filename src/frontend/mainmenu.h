// The one top-level scene the shell drives. For now it makes the loading screens, loads the
// language file behind the start's loading screen, draws a cleared frame, keeps a title
// song playing and ends the program on Escape; the front end fills it in (the remaining
// data files, menus, the battle).
#pragma once

#include <memory>

#include "engine/apiinput.h"

class APIContext;
class MyGlobals;
class MyLoadScreen;

class MainMenu : public MyControl {
 public:
  static constexpr unsigned kBackground = 0xFF1B2230;
  // Random picks of a song at most, should they keep landing on one that cannot be loaded.
  static constexpr int kMaxSongPicks = 64;

  // Registers with the input manager, makes the three loading screens of "Splash.spl" and
  // loads what the scene has so far behind the first, one frame per step. Without a context
  // the process-wide one is used.
  explicit MainMenu(APIContext* context = nullptr);
  ~MainMenu() override;
  MainMenu(const MainMenu&) = delete;
  MainMenu& operator=(const MainMenu&) = delete;

  // Once per pass of the main loop, after the frame timer, input and sound.
  void Update();
  // At most 60 times a second.
  void Render();
  // After every pass not skipped for a lost device: pauses the song while the window is
  // inactive, resumes it on return, and starts a random title song when none is playing.
  void UpdateMusic();

  void OnKeyDown(const InputState* state) override;

  // The loading screens of the start, of a battle start and of level previews.
  MyLoadScreen* SplashScreen() const { return m_splashScreen.get(); }
  MyLoadScreen* StartScreen() const { return m_startScreen.get(); }
  MyLoadScreen* PreviewScreen() const { return m_previewScreen.get(); }

 private:
  // Loads a random song of the current kind, rewinds, plays it and applies the music
  // volume. When no song of the kind can be loaded the kind stays silent for the run.
  void StartRandomSong();

  // One loading step: the splash screen draws a frame and its progress grows by one.
  void Step();

  APIContext* m_context;
  MyGlobals* m_globals;
  std::unique_ptr<MyLoadScreen> m_splashScreen;
  std::unique_ptr<MyLoadScreen> m_startScreen;
  std::unique_ptr<MyLoadScreen> m_previewScreen;
  // The in-game songs play rather than the title songs.
  bool m_inGameMusic = false;
  // Per kind (title, in-game): no song of it could be loaded.
  bool m_silent[2] = {false, false};
};
