// The crate drop's reach into the running game.
#include "objects/gamebonushost.h"

#include <memory>

#include "battle/camerajob.h"
#include "battle/cameramanager.h"
#include "engine/apicontext.h"
#include "engine/messagepanel.h"
#include "engine/myglobals.h"
#include "engine/sprache.h"

Welt* GameBonusDropHost::GetWorld() const { return m_globals->GetWelt(); }

PartikelListe* GameBonusDropHost::GetParticles() const { return m_globals->GetPartikelListe(); }

Objekt* GameBonusDropHost::FindObject(uint32_t id) const { return m_globals->FindObject(id); }

void GameBonusDropHost::FollowCrate(uint32_t id) {
  if (CameraManager* camera = m_globals->GetCamera())
    camera->AddJob(CameraJob(m_globals, id, CameraJob::kTimed, 3.0, 0.0, true, 4.0), false);
  m_globals->busyTime = 3.0;
}

void GameBonusDropHost::AnnounceDrop() {
  APIContext* context = m_globals->GetContext();
  const Sprache* language = context ? context->language.get() : nullptr;
  const std::u16string* text = language ? language->GetText(u"BONUSKISTE_GEDROPT") : nullptr;
  if (!text) return;
  m_globals->messagePanel1.Add(std::make_unique<MessageLabel>(*text, 0xFFFFFFFF, 5.0, 0.75));
  m_globals->fadingTextList.Add(std::make_unique<FadingTextLabel>(*text, 0xFFFFFFFF));
}
