#include "objects/renderextra.h"

#include "engine/kvnode.h"
#include "platform/text.h"

namespace {

// In the order the reader tests them: "WOLKEN" comes before "SONSTIGES" although its kind
// is the higher one.
struct KindKeyword {
  const char16_t* word;
  int32_t kind;
};
constexpr KindKeyword kKeywords[] = {
    {u"EBENE_HG", RenderExtra::kBackgroundLayers},
    {u"EBENE_SPIEL", RenderExtra::kGameLayers},
    {u"EBENE_VG", RenderExtra::kForegroundLayers},
    {u"WORMS", RenderExtra::kWorms},
    {u"WASSER", RenderExtra::kWater},
    {u"PARTIKEL", RenderExtra::kParticles},
    {u"KRAFTFELDER", RenderExtra::kForceFields},
    {u"TELEPORTER", RenderExtra::kTeleporters},
    {u"WOLKEN", RenderExtra::kClouds},
    {u"SONSTIGES", RenderExtra::kOthers},
};

}  // namespace

int32_t RenderExtra::KindFromKeyword(std::u16string_view keyword) {
  for (const KindKeyword& k : kKeywords)
    if (keyword == k.word) return k.kind;
  return -1;
}

RenderExtra::RenderExtra(const KVNode* node) {
  for (auto& list : m_colours) list.fill(kDefaultColour);
  if (!node) return;
  node->Read(u"NAME", m_name);
  node->Read(u"ALWAYS_RENDER", m_alwaysRender);
  if (const KVNode* renderable = node->GetChild(0, u"RENDERABLE")) {
    for (unsigned i = 0; i < renderable->GetValueCount(); ++i) {
      int32_t kind = KindFromKeyword(renderable->GetValue(i)->Text());
      if (kind >= 0) m_renders[size_t(kind)] = true;
    }
  }
  for (unsigned b = 0; const KVNode* block = node->GetChild(b, u"COLORKEYS"); ++b) ReadColourKeys(*block);
}

void RenderExtra::ReadColourKeys(const KVNode& block) {
  const KVValue* keyword = block.GetValue(0);
  int32_t kind = keyword ? KindFromKeyword(keyword->Text()) : -1;
  if (kind < 0) return;
  auto& list = m_colours[size_t(kind)];
  for (unsigned e = 0; const KVNode* entry = block.GetChild(e, u"EINTRAG"); ++e) {
    const KVValue* index = entry->GetValue(0);
    const KVValue* colour = entry->GetValue(1);
    if (!index || !colour) continue;
    // An index outside the table would write past it; such an entry is refused.
    int32_t first = index->AsInt();
    if (first < 0 || first >= kColourCount) continue;
    uint32_t value = platform::WToUL16(colour->Text());
    const KVValue* toEnd = entry->GetValue(2);
    int32_t last = toEnd && toEnd->AsBool() ? kColourCount - 1 : first;
    for (int32_t i = first; i <= last; ++i) list[size_t(i)] = value;
  }
}

bool RenderExtra::GetColour(int32_t kind, uint32_t& colour, int32_t index) const {
  if (kind < 0 || kind >= kKindCount) return false;
  if (index >= 0 && index < kColourCount) colour = m_colours[size_t(kind)][size_t(index)];
  return m_renders[size_t(kind)];
}

void RenderExtraListe::Load(const KVNode* root) {
  if (!root) return;
  for (unsigned i = 0; const KVNode* entry = root->GetChild(i, u"EINTRAG"); ++i)
    m_entries.push_back(std::make_unique<RenderExtra>(entry));
}

RenderExtra* RenderExtraListe::FindLast(const std::u16string* name) const {
  if (!name) return nullptr;
  for (size_t i = m_entries.size(); i-- > 0;)
    if (m_entries[i]->HasName(name)) return m_entries[i].get();
  return nullptr;
}

RenderExtra* RenderExtraListe::Find(const std::u16string* name) {
  m_current = FindLast(name);
  return m_current;
}

bool RenderExtraListe::GetLayerEntry(int32_t layerKey, uint32_t& colour, int32_t index) const {
  return m_current && m_current->GetColour(layerKey, colour, index);
}

void RenderExtraListe::Clear() {
  m_current = nullptr;
  m_entries.clear();
}
