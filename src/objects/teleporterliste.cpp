// The teleporter list: types, groups of gates, and the per-frame passes over them.
#include "objects/teleporterliste.h"

#include "engine/kvnode.h"
#include "objects/partikelliste.h"
#include "platform/text.h"

TeleporterListe::~TeleporterListe() = default;

void TeleporterListe::Load(const KVNode* root, const LoadSources& sources) {
  if (!root) return;
  if (const KVNode* colours = root->GetChild(0, u"COLORS"))
    for (unsigned i = 0; i < colours->GetValueCount(); ++i)
      m_colours.push_back(Argb(platform::WToUL16(colours->GetValue(i)->Text())));
  for (unsigned i = 0; i < root->CountChildren(u"TELEPORTER"); ++i) {
    const KVNode* section = root->GetChild(i, u"TELEPORTER");
    std::u16string typeName;
    if (!section->Read(u"PARTIKEL_INFO", typeName)) continue;
    const PartikelInfo* type = sources.particles ? sources.particles->FindInfo(typeName) : nullptr;
    if (!type) continue;
    m_types.push_back(std::make_unique<Teleporter>(type, *section, sources));
  }
}

std::unique_ptr<Teleporter> TeleporterListe::Place(const std::u16string* name) const {
  if (!name) return nullptr;
  for (size_t i = m_types.size(); i-- > 0;)
    if (m_types[i]->GetName() == *name) return std::make_unique<Teleporter>(*m_types[i]);
  return nullptr;
}

Teleporter* TeleporterListe::AddPending(std::unique_ptr<Teleporter> gate) {
  if (!gate) return nullptr;
  Teleporter* added = gate.get();
  added->ActivateRenderExtras();
  m_pending.push_back(std::move(gate));
  // A file without colours would leave nothing to take the group's colour from.
  added->SetPairColour(m_colours.empty() ? Teleporter::kDefaultPairColour
                                         : m_colours[m_pairCounter % m_colours.size()]);
  for (size_t i = m_pending.size(); i-- > 0;) Teleporter::Link(m_pending[i].get(), added);
  return added;
}

void TeleporterListe::CommitPending() {
  if (m_pending.empty()) return;
  ++m_pairCounter;
  for (auto& gate : m_pending) m_placed.push_back(std::move(gate));
  m_pending.clear();
}

void TeleporterListe::TryTeleport(Objekt& object) {
  for (size_t i = m_placed.size(); i-- > 0;) m_placed[i]->TryTeleport(object);
  for (size_t i = m_pending.size(); i-- > 0;) m_pending[i]->TryTeleport(object);
}

void TeleporterListe::Update(double dt) {
  for (size_t i = m_placed.size(); i-- > 0;) m_placed[i]->Update(dt);
  for (size_t i = m_pending.size(); i-- > 0;) m_pending[i]->Update(dt);
}

void TeleporterListe::Render(const Vector2& offset, const Vector2& scale) {
  for (size_t i = m_placed.size(); i-- > 0;) m_placed[i]->Render(offset, scale);
  for (size_t i = m_pending.size(); i-- > 0;) m_pending[i]->Render(offset, scale);
}

bool TeleporterListe::RenderExtra(const Vector2& offset, const Vector2& scale) {
  bool drew = false;
  for (size_t i = m_placed.size(); i-- > 0;) drew |= m_placed[i]->RenderExtra(offset, scale);
  for (size_t i = m_pending.size(); i-- > 0;) drew |= m_pending[i]->RenderExtra(offset, scale);
  return drew;
}

void TeleporterListe::Clear() {
  CommitPending();
  m_placed.clear();
}
