// The game's side of a bonus-crate drop: the running world and particle list of the
// game-wide object, its camera and hold time, its language table and message lists.
#pragma once

#include "objects/bonussettings.h"

class MyGlobals;

class GameBonusDropHost final : public BonusDropHost {
 public:
  explicit GameBonusDropHost(MyGlobals* globals) : m_globals(globals) {}

  Welt* GetWorld() const override;
  PartikelListe* GetParticles() const override;
  Objekt* FindObject(uint32_t id) const override;
  // A timed camera job of 3 s on the crate, and the turn waits 3 s.
  void FollowCrate(uint32_t id) override;
  void AnnounceDrop() override;

 private:
  MyGlobals* m_globals;
};
