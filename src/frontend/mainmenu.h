// The one top-level scene the shell drives. For now it loads the language file, draws a
// cleared frame, keeps a title song playing and ends the program on Escape; the front end
// fills it in (loading screen, menus, the battle).
#pragma once

#include "engine/apiinput.h"

class APIContext;
class MyGlobals;

class MainMenu : public MyControl {
 public:
  static constexpr unsigned kBackground = 0xFF1B2230;
  // Random picks of a song at most, should they keep landing on one that cannot be loaded.
  static constexpr int kMaxSongPicks = 64;

  // Registers with the input manager and loads "sprache.lng" from the archive. Without a
  // context the process-wide one is used.
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

 private:
  // Loads a random song of the current kind, rewinds, plays it and applies the music
  // volume. When no song of the kind can be loaded the kind stays silent for the run.
  void StartRandomSong();

  APIContext* m_context;
  MyGlobals* m_globals;
  // The in-game songs play rather than the title songs.
  bool m_inGameMusic = false;
  // Per kind (title, in-game): no song of it could be loaded.
  bool m_silent[2] = {false, false};
};
