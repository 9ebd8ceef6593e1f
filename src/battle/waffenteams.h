// What the weapons ask of the worms and teams: which team a worm plays for, the team's
// colour and the round number the teams have reached. It stands for Worm::GetTeam, the
// team's colour (Mannschaft) and WormManager::GetRoundNumber until worms and teams are
// built; they install the real answers. Without an installed one no worm has a team, so
// no worm can fire (the weapons' ammunition records are kept per team).
#pragma once

#include <cstdint>

#include "engine/gfxtypes.h"

class Mannschaft;
class Objekt;

class WaffenTeams {
 public:
  virtual ~WaffenTeams() = default;
  // The team the worm plays for, or null.
  virtual Mannschaft* TeamOf(const Objekt& worm) const = 0;
  virtual Argb TeamColour(const Mannschaft* team) const = 0;
  // The turn counter divided by the number of playing teams.
  virtual int32_t RoundNumber() const = 0;

  // The answers in force: the installed ones, or a set without teams. The installer keeps
  // ownership and uninstalls (null) before it goes.
  static const WaffenTeams& Current();
  static void Install(const WaffenTeams* teams);
};
