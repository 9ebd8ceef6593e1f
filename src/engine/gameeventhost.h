// The events' host in the running game: sounds through the engine context's sound
// manager, the game-wide object's particles, world, explosion and event tables, objects,
// worms, camera and weapons. It also tells particles which worms they touch.
#pragma once

#include "objects/eventhost.h"
#include "objects/simservices.h"

class APIContext;
class MyGlobals;

class GameEventHost final : public EventHost, public WormContacts {
 public:
  GameEventHost(APIContext* context, MyGlobals* globals) : m_context(context), m_globals(globals) {}

  SoundSet* FindSound(const std::u16string& file, const SearchPath& path) override;
  std::unique_ptr<Animation> CreateAnimation(const std::u16string& name) override;
  void PlaySound(SoundSet* sound, int volume) override;
  EventTable* GetEventTable() override;
  ExplosionTable* GetExplosionTable() override;
  PartikelListe* GetPartikelListe() override;
  Welt* GetWelt() override;
  int32_t GetEarthStep() override;
  void CollectObjects(std::vector<Objekt*>& out) override;
  void CollectWorms(std::vector<Objekt*>& out) override;
  bool ContainsPoint(const Objekt& worm, const Vector2& point) override;
  // WormContacts: the worm manager's worms, and whether a worm's radius holds the point.
  void CollectWorms(std::vector<Objekt*>& out) const override;
  bool ContainsPoint(const Objekt& worm, const Vector2& point) const override;
  void FollowWithCamera(uint32_t objectId) override;
  void HoldTurnFor(uint32_t objectId) override;
  bool AddAmmo(const std::u16string& weapon, Objekt& worm, int32_t rounds) override;

 private:
  APIContext* m_context;
  MyGlobals* m_globals;
};
