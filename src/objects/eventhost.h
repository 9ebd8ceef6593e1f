// What events reach beyond their target: the sounds, the particle types and the particle
// list, the world, the explosion definitions, every object and every worm of the battle,
// the camera, and the weapons' ammunition. The game-wide object provides the game's host;
// tests provide one that records what it was asked. Events keep the host for their
// lifetime, so it must outlive the event table.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/gfxtypes.h"

class Animation;
class EventTable;
class ExplosionTable;
class Objekt;
class PartikelInfo;
class PartikelListe;
class SearchPath;
class SoundSet;
class Welt;

class EventHost {
 public:
  virtual ~EventHost() = default;

  // While the events are read.
  // The shared sound set of the file (SoundCache::FindOrCreate with the game's number of
  // copies); null when there is no sound manager.
  virtual SoundSet* FindSound(const std::u16string& file, const SearchPath& path) = 0;
  // A new copy of the named animation, or null for a name the manager does not hold.
  virtual std::unique_ptr<Animation> CreateAnimation(const std::u16string& name) = 0;

  // While events run.
  virtual void PlaySound(SoundSet* sound, int volume) = 0;
  // Null where that part is missing; the event then skips what it would do with it.
  virtual EventTable* GetEventTable() = 0;
  virtual ExplosionTable* GetExplosionTable() = 0;
  virtual PartikelListe* GetPartikelListe() = 0;
  virtual Welt* GetWelt() = 0;
  // The first value of the setting "PARTIKEL": every n-th removed pixel becomes earth.
  virtual int32_t GetEarthStep() = 0;
  // Every particle of both particle lists, then every living worm of every playing team
  // (MyGlobals::CollectObjects).
  virtual void CollectObjects(std::vector<Objekt*>& out) = 0;
  // Every living worm of every playing team (WormManager::CollectWorms).
  virtual void CollectWorms(std::vector<Objekt*>& out) = 0;
  // Whether the point lies within the worm's radius (Worm::ContainsPoint).
  virtual bool ContainsPoint(const Objekt& worm, const Vector2& point) = 0;
  // The camera follows the object, and holds its last place once it is gone
  // (CameraManager::AddJob with a following job, without taking over).
  virtual void FollowWithCamera(uint32_t objectId) = 0;
  // The turn waits for the object (the game-wide object's timed jobs, which set the hold
  // time to 2 s).
  virtual void HoldTurnFor(uint32_t objectId) = 0;
  // Adds rounds of the named weapon to the worm's team (Waffe::FindByName, then the team's
  // record's AddAmmo, which keeps unlimited ammunition unlimited and shows the change).
  // False when no weapon carries the name.
  virtual bool AddAmmo(const std::u16string& weapon, Objekt& worm, int32_t rounds) = 0;
};
