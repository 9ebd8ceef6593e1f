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

  WormManager();
  ~WormManager() override;

  // Worms made by the manager reach the game through this (the process-wide one when none).
  void SetGlobals(MyGlobals* globals) { m_globals = globals; }

  // The person part, then the document's WORMEIGENSCHAFTEN presets and its first
  // DEFAULT_WORM: the template worm, from its particle type (direct or named) and its WORM
  // block, made quietly (it fires no create event) and replacing an earlier one.
  void Load(const KVNode* block) override;
  // The template new worms are copied from; null until a document names one.
  Worm* GetDefaultWorm() const { return m_defaultWorm.get(); }

  // The manager owns the worm from now on.
  void AddWorm(std::unique_ptr<Objekt> worm);
  // The worm in the game with that id, or null.
  Objekt* FindWormById(uint32_t id) const;
  // Appends every worm in the game.
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
  // The first team with that id, or null.
  Mannschaft* FindTeamById(int32_t id) const;
  const std::vector<std::unique_ptr<Mannschaft>>& Teams() const { return m_teams; }
  // The team whose turn it is (null outside a battle).
  Mannschaft* GetCurrentTeam() const { return m_currentTeam; }
  void SetCurrentTeam(Mannschaft* team) { m_currentTeam = team; }
  // The current team's current worm, or null.
  Worm* GetCurrentWorm() const { return m_currentTeam ? m_currentTeam->GetCurrentWorm() : nullptr; }

  // The weapons' questions: a worm's team and its colour, and the round the teams have
  // reached (0 until the play order counts turns).
  Mannschaft* TeamOf(const Objekt& worm) const override;
  Argb TeamColour(const Mannschaft* team) const override;
  int32_t RoundNumber() const override { return 0; }

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
  Mannschaft* m_currentTeam = nullptr;
};
