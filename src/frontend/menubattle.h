// The first scene's battle: until the menus come, Enter starts a hot-seat battle of two teams
// on the menu level, both players at the keyboard on the human control. The scene shows the
// world; this shows the worms, the weapons, whose turn it is with the clock, the turn changes
// and the round's result, and starts a new battle when the players ask for one after it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "battle/level.h"
#include "engine/gfxtypes.h"

class APIContext;
class LevelInfo;
class Mannschaft;
class MyGlobals;
class MyLoadScreen;
struct InputState;

namespace platform {
class Texture;
}

class MenuBattle {
 public:
  static constexpr int32_t kTeamCount = 2;
  static constexpr double kRoundTime = 40.0;
  // After the result shows, how long before a key starts the next battle.
  static constexpr double kResultPause = 1.0;

  MenuBattle(MyGlobals* globals, APIContext* context);
  ~MenuBattle();
  MenuBattle(const MenuBattle&) = delete;
  MenuBattle& operator=(const MenuBattle&) = delete;

  // Starts the battle on the level's world (the one built already with reuseWorld, else
  // built anew behind the load screen): the roster's first two teams, or two new teams made
  // for the battle when the roster has fewer. False, with the reason, when it cannot start.
  bool Start(const LevelInfo& level, uint32_t seed, MyLoadScreen* loadScreen, bool reuseWorld);
  // One frame of the battle; after the round's decision the result waits, is booked and shown.
  void Update();
  // Enter or Space once the result has shown a moment: the next battle on the same level,
  // on a world built anew.
  void OnKeyDown(const InputState* state);
  // The worms and the weapons in the world's view.
  void Render(const Vector2& offset, const Vector2& zoom);
  // Whose turn it is, the clock, the turn-change messages and the result, over the screen.
  void RenderOverlay();

  Level& GetLevel() { return m_level; }
  bool IsRunning() const { return m_started; }
  bool IsResultShown() const { return m_booked; }
  const std::u16string& GetError() const { return m_error; }
  // The text lines of the overlay as they stand (what RenderOverlay draws).
  std::vector<std::u16string> OverlayLines() const;
  int32_t GetBattlesStarted() const { return m_battles; }

 private:
  void ChooseTeams();
  bool Restart();

  MyGlobals* m_globals;
  APIContext* m_context;
  Level m_level;
  const LevelInfo* m_levelInfo = nullptr;
  uint32_t m_seed = 0;
  MyLoadScreen* m_loadScreen = nullptr;
  std::vector<Level::TeamEntry> m_teams;
  std::u16string m_error;
  bool m_started = false;
  double m_decidedFor = 0.0;
  bool m_booked = false;
  double m_resultFor = 0.0;
  bool m_restartAsked = false;
  int32_t m_battles = 0;
  int m_fonts[2] = {-1, -1};
  std::unique_ptr<platform::Texture> m_white;
};
