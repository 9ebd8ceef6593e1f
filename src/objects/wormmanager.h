// The worm and team manager as the worms and the game-wide object ask it: worms and the
// person manager's templates by id, the collection of every worm in the game, the presets
// of worm properties (the first is the built-in "DEFAULT"), the teams by id with the team
// whose turn it is, and which labels and arrows the worms draw. The roster, the play order,
// the team bars and the statistics' roll-up grow on this.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "battle/waffenteams.h"
#include "engine/playerfile.h"
#include "objects/mannschaft.h"
#include "objects/objekt.h"
#include "objects/personenmanager.h"
#include "objects/wormeigenschaften.h"

class MyGlobals;
class PartikelInfo;
class Worm;

class WormManager : public PersonenManager, public WaffenTeams {
 public:
  // Which worms draw their label.
  enum LabelMode : int32_t {
    kNoLabels = 0,
    kAllLabels = 1,
    kCurrentTeam = 2,
    kOtherTeams = 3,
    kCurrentWorm = 4
  };

  // The most teams a roster keeps and the most worms a team of it has; a team file with
  // more loses the rest, with a message.
  static constexpr int32_t kMaxTeams = 64;
  static constexpr int32_t kMaxWormsPerTeam = 6;

  WormManager();
  ~WormManager() override;

  // Worms made by the manager reach the game through this (the process-wide one when none).
  void SetGlobals(MyGlobals* globals) { m_globals = globals; }
  MyGlobals* GetGlobals() const { return m_globals; }

  // A roster document ("worms_default.wrm", then the player's "teams.man"): the person part,
  // then MANNSCHAFT_COUNTER, the WORMEIGENSCHAFTEN presets, the first DEFAULT_WORM (the
  // template worm, from its particle type, direct or named, and its WORM block, replacing an
  // earlier one), the MANNSCHAFT teams and the WORM entries: a worm with a type and WORM
  // block of its own is built from them, any other is a copy of the template with the
  // entry's name, team and properties. Worms are made quietly (no create event: there is no
  // world yet). Unsound entries (a duplicate team id, too many teams or worms, a worm with
  // nothing to be built from, a team left without worms) are dropped with a message; the
  // team counter ends at least at the largest team id read.
  void Load(const KVNode* block) override;
  // Appends MANNSCHAFT_COUNTER, one MANNSCHAFT per team and one WORM per worm (not the
  // person templates, not removed ones).
  void Write(KVNode* root) const;
  // The player's roster file: read after the shipped defaults; written at exit through a
  // temporary file, so a failed write keeps the old one. A file that could not be read is
  // never written over; one that was damaged, or lost entries when read, is kept beside
  // the new one as ".bad". Nothing is written unless the file was looked at first.
  void LoadRoster(std::u16string_view path);
  bool SaveRoster(std::u16string_view path);
  // Whether the last document read dropped something.
  bool DroppedOnRead() const { return m_dropped; }

  // Every new team takes its id from this counter.
  int32_t GetTeamCounter() const { return m_teamCounter; }
  int32_t NextTeamId() { return ++m_teamCounter; }
  // The template new worms are copied from; null until a document names one.
  Worm* GetDefaultWorm() const { return m_defaultWorm.get(); }

  // The manager owns the worm from now on; one already registered is not added again.
  void AddWorm(std::unique_ptr<Objekt> worm);
  // The worm in the game with that id, or null.
  Objekt* FindWormById(uint32_t id) const;
  // Appends every living worm of the playing teams: the teams from the back of the turn
  // order, each team's worms in its play order. Nothing outside a game.
  void CollectWorms(std::vector<Objekt*>& out) const;

  // The preset of that name, searched from the last, so a file's "DEFAULT" hides the
  // built-in one; the default preset for no name or none.
  const WormEigenschaften& FindPreset(const std::u16string* name) const;
  const WormEigenschaften& GetDefaultPreset() const { return *m_defaultPreset; }
  // A preset named "DEFAULT" becomes the default preset.
  void AddPreset(std::unique_ptr<WormEigenschaften> preset);
  const std::vector<std::unique_ptr<WormEigenschaften>>& Presets() const { return m_presets; }

  // The manager owns the team from now on.
  Mannschaft* AddTeam(std::unique_ptr<Mannschaft> team);
  // The last team with that id, or null.
  Mannschaft* FindTeamById(int32_t id) const;
  // Takes the team out of the roster (every occurrence); it and its worms are kept alive
  // until shutdown but no longer written.
  void RemoveTeam(Mannschaft* team);
  // A team colour no team bears yet (random among them), or any when all are taken.
  Argb PickUnusedColour() const;
  // A team name from the name lists (the English ones in English) that no team bears yet,
  // in a shuffled order; a taken one at random when all are taken; "UNNAMED_MANNSCHAFT"
  // when the lists hold no team names.
  std::u16string PickUnusedTeamName() const;
  const std::vector<std::unique_ptr<Mannschaft>>& Teams() const { return m_teams; }
  // The team whose turn it is (null outside a battle).
  Mannschaft* GetCurrentTeam() const { return m_currentTeam; }
  void SetCurrentTeam(Mannschaft* team) { m_currentTeam = team; }
  // The current team's current worm, or null.
  Worm* GetCurrentWorm() const { return m_currentTeam ? m_currentTeam->GetCurrentWorm() : nullptr; }

  // The game being played: the playing teams in turn order, the front one at turn.
  // No team plays.
  void ClearSelection();
  // Puts the team into the game at a random place of the turn order.
  void AddTeamToGame(Mannschaft* team);
  const std::vector<Mannschaft*>& PlayingTeams() const { return m_playing; }
  // Starts the turn count of a game (or of a further round of it).
  void BeginGame();
  // Turns the order on to the next team with a living worm (the front one again when none
  // has one) and makes it the current team; every step counts a turn. Null with no team.
  Mannschaft* NextTeam();
  // Whole rotations of the turn order so far: the number of turns taken, divided by the
  // teams playing; 0 before the first turn and without playing teams.
  uint32_t GetRoundNumber() const;
  // The playing teams' bars in turn order, and the longest recorded when the game began.
  const std::vector<TeamBar*>& GetBarList() const { return m_bars; }
  double GetMaxTeamValue() const { return m_maxTeamValue; }
  // Per frame: the bars follow their teams' health and rows; while the round runs the team
  // at turn counts its time (gameStep: the scaled step, 0 while paused).
  void Update(bool addTime, double gameStep, double realStep);
  // Every playing worm, back to front, in one pass: 0 the body, 1 the aim, 2 the label (of
  // the living worms only).
  void DrawWorms(const Vector2& offset, const Vector2& zoom, Argb colour, int32_t pass);
  // The render-extra form of every playing worm; true when any drew.
  bool RenderExtra(const Vector2& offset, const Vector2& zoom);
  // Playing teams with a living worm.
  int32_t CountLivingTeams() const;
  // Statistics: a round ended (round into game), the game ended (round into game into
  // total, and each team's wins and losses of the game into its totals), a new game and a
  // further round start from 0.
  void EndRound();
  void EndGame();
  void ResetGameStatistics();
  void ResetRoundStatistics();

  // The weapons' questions: a worm's team and its colour, and the round the teams have
  // reached (0 until the play order counts turns).
  Mannschaft* TeamOf(const Objekt& worm) const override;
  Argb TeamColour(const Mannschaft* team) const override;
  int32_t RoundNumber() const override { return int32_t(GetRoundNumber()); }

  int32_t labelMode = kAllLabels;
  // The current worm's arrow is drawn.
  bool showArrows = true;

 private:
  MyGlobals* m_globals = nullptr;
  std::vector<std::unique_ptr<Objekt>> m_worms;
  std::unique_ptr<Worm> m_defaultWorm;
  std::vector<std::unique_ptr<WormEigenschaften>> m_presets;
  const WormEigenschaften* m_defaultPreset = nullptr;
  std::vector<std::unique_ptr<Mannschaft>> m_teams;
  std::vector<std::unique_ptr<Mannschaft>> m_removedTeams;
  std::vector<const Objekt*> m_removedWorms;
  Mannschaft* m_currentTeam = nullptr;
  std::vector<Mannschaft*> m_playing;
  std::vector<TeamBar*> m_bars;
  double m_maxTeamValue = 0.0;
  // Turns since the game began; all bits set before the first.
  uint32_t m_turns = ~0u;
  int32_t m_teamCounter = 0;
  bool m_dropped = false;
  bool m_rosterLooked = false;
  PlayerFileState m_rosterState = PlayerFileState::Missing;
  bool m_rosterLost = false;
};
