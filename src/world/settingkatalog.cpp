#include "world/settingkatalog.h"

#include "engine/kvnode.h"
#include "platform/numeric.h"
#include "platform/random.h"

namespace {

template <class T, class Name>
T* FindLastByName(const std::vector<std::unique_ptr<T>>& list, const std::u16string* name, Name nameOf) {
  if (!name) return nullptr;
  for (size_t i = list.size(); i-- > 0;)
    if (nameOf(*list[i]) == *name) return list[i].get();
  return nullptr;
}

// The children named `entry` of the root's first child named `section`, in order.
template <class Each>
void ForEachEntry(const KVNode& root, std::u16string_view section, std::u16string_view entry, Each each) {
  const KVNode* list = root.GetChild(0, section);
  if (!list) return;
  for (const auto& child : list->Children())
    if (child->Name() == entry) each(*child);
}

}  // namespace

SettingKatalog::~SettingKatalog() {
  // Settings go first: they point into every other list.
  m_settings.clear();
  m_muster.clear();
  m_objekte.clear();
  m_hintergrundObjekte.clear();
  m_hintergruende.clear();
}

void SettingKatalog::Load(const KVNode* root, CatalogueAssets* assets, APIGraphics* graphics) {
  if (!root) return;
  ForEachEntry(*root, u"OBJEKTE", u"OBJEKT",
               [&](const KVNode& n) { m_objekte.push_back(std::make_unique<SettingObjekt>(&n, assets)); });
  ForEachEntry(*root, u"MUSTER", u"MUSTER",
               [&](const KVNode& n) { m_muster.push_back(std::make_unique<SettingMuster>(&n, assets)); });
  ForEachEntry(*root, u"HINTERGRUNDOBJEKTE", u"HINTERGRUNDOBJEKT", [&](const KVNode& n) {
    m_hintergrundObjekte.push_back(std::make_unique<HintergrundObjekt>(&n, assets));
  });
  ForEachEntry(*root, u"HINTERGR\u00DCNDE", u"HINTERGRUND", [&](const KVNode& n) {
    m_hintergruende.push_back(std::make_unique<EbenenHintergrund>(&n, assets, graphics));
  });
  ForEachEntry(*root, u"SETTINGS", u"SETTING",
               [&](const KVNode& n) { m_settings.push_back(std::make_unique<LevelSetting>(&n, *this)); });
}

SettingMuster* SettingKatalog::FindMuster(const std::u16string* name) const {
  return FindLastByName(m_muster, name,
                        [](const SettingMuster& m) -> const std::u16string& { return m.name; });
}

SettingObjekt* SettingKatalog::FindObjekt(const std::u16string* name) const {
  return FindLastByName(m_objekte, name,
                        [](const SettingObjekt& o) -> const std::u16string& { return o.name; });
}

HintergrundObjekt* SettingKatalog::FindHintergrundObjekt(const std::u16string* name) const {
  return FindLastByName(m_hintergrundObjekte, name,
                        [](const HintergrundObjekt& o) -> const std::u16string& { return o.name; });
}

EbenenHintergrund* SettingKatalog::FindHintergrund(const std::u16string* name) const {
  return FindLastByName(m_hintergruende, name,
                        [](const EbenenHintergrund& h) -> const std::u16string& { return h.GetName(); });
}

LevelSetting* SettingKatalog::FindSetting(const std::u16string* name) const {
  return FindLastByName(m_settings, name,
                        [](const LevelSetting& s) -> const std::u16string& { return s.GetNameId(); });
}

HintergrundObjekt* SettingKatalog::PromoteToHintergrundObjekt(const SettingObjekt& object) {
  m_hintergrundObjekte.push_back(std::make_unique<HintergrundObjekt>(object));
  return m_hintergrundObjekte.back().get();
}

LevelSetting* SettingKatalog::GetSetting(int32_t index) const {
  if (index < 0 || index >= GetSettingCount()) return nullptr;
  return m_settings[size_t(index)].get();
}

LevelSetting* SettingKatalog::PickRandomSetting() const {
  const int32_t count = GetSettingCount();
  if (count == 0) return nullptr;
  if (count == 1) return m_settings.front().get();
  return GetSetting(platform::TruncToInt(platform::RandFraction() * (count - 1)));
}
