// The game's event host.
#include "engine/gameeventhost.h"

#include <cstdio>

#include "battle/camerajob.h"
#include "battle/cameramanager.h"
#include "battle/waffe.h"
#include "battle/waffenset.h"
#include "battle/waffenteams.h"
#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/apisound.h"
#include "engine/camerajoblist.h"
#include "engine/myglobals.h"
#include "engine/soundset.h"
#include "objects/eventtable.h"
#include "objects/partikelliste.h"
#include "objects/worm.h"
#include "objects/wormmanager.h"
#include "platform/text.h"

SoundSet* GameEventHost::FindSound(const std::u16string& file, const SearchPath& path) {
  APISound* sound = m_context ? m_context->sound : nullptr;
  if (!sound) return nullptr;
  SoundSet* set = sound->Cache().FindOrCreate({&file, &path, m_globals ? m_globals->GetArchive() : nullptr});
  // Without an output device nothing loads; with one, an empty set is a missing file.
  if (set && sound->HasDevice() && set->UsableCount() == 0)
    std::fprintf(stderr, "events.evt: no sound \"%s\"\n", platform::U16ToUtf8(file).c_str());
  return set;
}

std::unique_ptr<Animation> GameEventHost::CreateAnimation(const std::u16string& name) {
  AnimationManager* animations = m_globals ? m_globals->GetAnimationManager() : nullptr;
  return animations ? animations->CreateAnimation(name) : nullptr;
}

void GameEventHost::PlaySound(SoundSet* set, int volume) {
  if (APISound* sound = m_context ? m_context->sound : nullptr; sound && set) sound->Play(set, volume);
}

EventTable* GameEventHost::GetEventTable() { return m_globals ? m_globals->GetEventTable() : nullptr; }
ExplosionTable* GameEventHost::GetExplosionTable() {
  return m_globals ? m_globals->GetExplosionTable() : nullptr;
}
PartikelListe* GameEventHost::GetPartikelListe() {
  return m_globals ? m_globals->GetPartikelListe() : nullptr;
}
Welt* GameEventHost::GetWelt() { return m_globals ? m_globals->GetWelt() : nullptr; }
int32_t GameEventHost::GetEarthStep() {
  return m_globals ? m_globals->earthStep : MyGlobals::kDefaultEarthStep;
}

void GameEventHost::CollectObjects(std::vector<Objekt*>& out) {
  if (m_globals) m_globals->CollectObjects(out);
}

void GameEventHost::CollectWorms(std::vector<Objekt*>& out) {
  static_cast<const GameEventHost*>(this)->CollectWorms(out);
}

void GameEventHost::CollectWorms(std::vector<Objekt*>& out) const {
  if (WormManager* worms = m_globals ? m_globals->GetWormManager() : nullptr) worms->CollectWorms(out);
}

bool GameEventHost::ContainsPoint(const Objekt& worm, const Vector2& point) {
  return static_cast<const GameEventHost*>(this)->ContainsPoint(worm, point);
}

bool GameEventHost::ContainsPoint(const Objekt& worm, const Vector2& point) const {
  const auto* w = dynamic_cast<const Worm*>(&worm);
  return w && w->ContainsPoint(point);
}

void GameEventHost::FollowWithCamera(uint32_t objectId) {
  if (CameraManager* camera = m_globals ? m_globals->GetCamera() : nullptr)
    camera->AddJob(CameraJob(m_globals, objectId, CameraJob::kFollows, 0.0, 0.0, true, -1.0), false);
}

void GameEventHost::HoldTurnFor(uint32_t objectId) {
  if (CameraJobList* jobs = m_globals ? m_globals->GetCameraJobs() : nullptr)
    jobs->Add(CameraJob(m_globals, objectId, CameraJob::kFollows, 0.0, 0.0, true, -1.0));
}

bool GameEventHost::AddAmmo(const std::u16string& weapon, Objekt& worm, int32_t rounds) {
  WaffenSet* weapons = m_globals ? m_globals->GetWaffenSet() : nullptr;
  Waffe* found = weapons ? weapons->FindByName(weapon) : nullptr;
  if (!found) return false;
  // A worm without a team, or a team the weapon keeps no stock for, takes nothing.
  if (WaffenTeamRecord* record = found->FindTeamRecord(WaffenTeams::Current().TeamOf(worm)))
    record->AddAmmo(rounds, true);
  return true;
}
