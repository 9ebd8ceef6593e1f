// The first scene's battle: until the menus come, Enter starts a battle of two teams on the
// menu level, the player at the keyboard and the mouse against the computer (or, with the
// second control set to the human one, two players at one keyboard). It draws the battle's
// world, its display (the HUD, the weapon store) and the round's result, and starts a new
// battle when the player asks for one after it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "battle/level.h"
#include "battle/leveldisplay.h"
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
  // The second team's control: the computer of middle strength.
  static constexpr const char16_t* kOpponent = u"CPU_MITTEL";
  // The second team's control for two players at one keyboard.
  static constexpr const char16_t* kHotSeat = u"DEFAULT";

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
  // on a world built anew. Escape during the battle pauses it.
  void OnKeyDown(const InputState* state);
  // Whether Escape pauses the battle now (it runs, undecided, not paused); otherwise, paused
  // or after the result, Escape is the scene's to end the game.
  bool TakesEscape() const;
  // The battle's world, everything in it in depth order (and, for a post effect, in a render
  // extra's key colours).
  void RenderPass();
  bool RenderForEffect(const std::u16string& name);
  // Before the battle how to start it; during it the HUD, the store and the descriptions;
  // after it the round's result and how to go on.
  void RenderOverlay();

  Level& GetLevel() { return m_level; }
  LevelDisplay& GetDisplay() { return m_display; }
  // The control of the second team for the next start: the computer by default.
  std::u16string opponent = kOpponent;
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
  LevelDisplay m_display;
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
};
