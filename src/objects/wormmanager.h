// The worm and team manager as the game-wide object asks it: worms and the person
// manager's templates by id, and the collection of every worm in the game. It stands for
// the worm and team manager until worms and teams are built, which keep the worms in their
// teams with the roster, the properties and the statistics.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "objects/objekt.h"
#include "objects/personenmanager.h"

class WormManager : public PersonenManager {
 public:
  // The manager owns the worm from now on.
  void AddWorm(std::unique_ptr<Objekt> worm);
  // The worm in the game with that id, or null.
  Objekt* FindWormById(uint32_t id) const;
  // Appends every worm in the game.
  void CollectWorms(std::vector<Objekt*>& out) const;

 private:
  std::vector<std::unique_ptr<Objekt>> m_worms;
};
