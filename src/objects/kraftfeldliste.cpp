// The force-field list: types by name, the active fields and the per-frame passes.
#include "objects/kraftfeldliste.h"

#include "engine/kvnode.h"
#include "objects/partikel.h"

KraftfeldListe::~KraftfeldListe() = default;

void KraftfeldListe::Create(const KVNode* root, const LoadSources& sources) {
  if (!root) return;
  for (unsigned i = 0; i < root->CountChildren(u"KILL_KRAFTFELD"); ++i)
    m_types.push_back(std::make_unique<KillKraftfeld>(root->GetChild(i, u"KILL_KRAFTFELD"), sources));
  for (unsigned i = 0; i < root->CountChildren(u"SCHUBS_KRAFTFELD"); ++i)
    m_types.push_back(std::make_unique<SchubsKraftfeld>(root->GetChild(i, u"SCHUBS_KRAFTFELD"), sources));
}

std::unique_ptr<Kraftfeld> KraftfeldListe::CreateByName(const std::u16string* name) const {
  if (!name) return nullptr;
  for (size_t i = m_types.size(); i-- > 0;)
    if (m_types[i]->GetName() == *name) return m_types[i]->Clone();
  return nullptr;
}

Kraftfeld* KraftfeldListe::Add(std::unique_ptr<Kraftfeld> field) {
  if (!field) return nullptr;
  Kraftfeld* added = field.get();
  m_active.push_back(std::move(field));
  added->OnCreate();
  return added;
}

void KraftfeldListe::CollectContaining(std::vector<Kraftfeld*>& out, const Vector2& point) const {
  for (size_t i = m_active.size(); i-- > 0;)
    if (m_active[i]->Contains(point)) out.push_back(m_active[i].get());
}

void KraftfeldListe::ApplyFields(Partikel& particle) {
  if (m_active.empty()) return;
  // A field acting on the particle never adds or removes fields, so the gathered pointers
  // stay valid; the scratch list saves an allocation per particle and frame.
  m_scratch.clear();
  CollectContaining(m_scratch, *particle.GetPosition());
  for (Kraftfeld* field : m_scratch) field->ApplyTo(particle);
}

void KraftfeldListe::Update(double dt) {
  for (size_t i = m_active.size(); i-- > 0;) {
    m_active[i]->Update(dt);
    if (m_active[i]->IsFinished()) {
      m_active[i]->OnDestroy();
      m_active.erase(m_active.begin() + std::ptrdiff_t(i));
    }
  }
}

void KraftfeldListe::OnNewRound() {
  for (size_t i = m_active.size(); i-- > 0;) m_active[i]->OnNewRound();
}

void KraftfeldListe::Render(const Vector2& offset, const Vector2& scale) {
  for (size_t i = m_active.size(); i-- > 0;) m_active[i]->Render(offset, scale);
}

bool KraftfeldListe::RenderExtra(const Vector2& offset, const Vector2& scale) {
  bool drew = false;
  for (size_t i = m_active.size(); i-- > 0;) drew |= m_active[i]->RenderExtra(offset, scale);
  return drew;
}

void KraftfeldListe::Clear() { m_active.clear(); }
