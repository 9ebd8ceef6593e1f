// The weapon set: the keyword factory, the weapon file's loader and the passes over every
// weapon.
#include "battle/waffenset.h"

#include <cstdio>

#include "battle/waffe.h"
#include "battle/waffen_geschosse.h"
#include "battle/waffen_gesteuert.h"
#include "battle/waffen_luft.h"
#include "battle/waffen_nahkampf.h"
#include "battle/waffen_werkzeug.h"
#include "engine/kvnode.h"
#include "platform/text.h"

const char16_t* const WaffenSet::kKeywords[kKeywordCount] = {u"BAZOOKA",
                                                             u"FLAMMENWERFER",
                                                             u"HOMINGMISSLE",
                                                             u"GEWEHR",
                                                             u"FLUGZEUG",
                                                             u"AIRSTRIKE",
                                                             u"ARMAGEDDON",
                                                             u"GRANATE",
                                                             u"DYNAMIT",
                                                             u"MINE",
                                                             u"AUTO",
                                                             u"SELBSTM\u00D6RDER",
                                                             u"OBJEKTE_EINF\u00DCGEN",
                                                             u"EROSION",
                                                             u"POST_EFFECTS",
                                                             u"JETPACK",
                                                             u"SCHILD",
                                                             u"BEAMER",
                                                             u"NAHKAMPFWAFFE",
                                                             u"SWITCHWORM",
                                                             u"TELEPORT"};

void WaffenKategorie::Read(const KVNode* block, const std::vector<Waffe*>& weapons) {
  if (!block) return;
  block->Read(u"NAME", m_name);
  block->Read(u"TEXT_ID", m_textId);
  const KVNode* names = block->GetChild(0, u"WAFFEN");
  for (unsigned i = 0; names && i < names->GetValueCount(); ++i)
    if (Waffe* weapon = Waffe::FindByName(weapons, names->GetValue(i)->Text())) m_weapons.push_back(weapon);
}

WaffenSet::WaffenSet(MyGlobals* globals, APIContext* context) : m_globals(globals), m_context(context) {}

WaffenSet::~WaffenSet() {
  for (Waffe* weapon : m_weapons) delete weapon;
  m_weapons.clear();
  m_categories.clear();
}

std::unique_ptr<Waffe> WaffenSet::Create(const std::u16string& keyword, const KVNode* block,
                                         MyGlobals* globals, APIContext* context) {
  if (keyword == u"BAZOOKA") return std::make_unique<Bazooka>(block, globals, context);
  if (keyword == u"HOMINGMISSLE") return std::make_unique<HomingMissle>(block, globals, context);
  if (keyword == u"GEWEHR") return std::make_unique<Gewehr>(block, globals, context);
  if (keyword == u"GRANATE") return std::make_unique<Granate>(block, globals, context);
  if (keyword == u"DYNAMIT") return std::make_unique<Dynamit>(block, globals, context);
  if (keyword == u"MINE") return std::make_unique<Mine>(block, globals, context);
  if (keyword == u"AIRSTRIKE") return std::make_unique<AirStrike>(block, globals, context);
  if (keyword == u"ARMAGEDDON") return std::make_unique<Armageddon>(block, globals, context);
  if (keyword == u"FLUGZEUG") return std::make_unique<Flugzeug>(block, globals, context);
  if (keyword == u"AUTO") return std::make_unique<Auto>(block, globals, context);
  if (keyword == u"JETPACK") return std::make_unique<Jetpack>(block, globals, context);
  if (keyword == u"OBJEKTE_EINF\u00DCGEN") return std::make_unique<Objekteinfuegen>(block, globals, context);
  if (keyword == u"BEAMER") return std::make_unique<Beamer>(block, globals, context);
  if (keyword == u"TELEPORT") return std::make_unique<Teleport>(block, globals, context);
  if (keyword == u"SWITCHWORM") return std::make_unique<SwitchWorm>(block, globals, context);
  if (keyword == u"SCHILD") return std::make_unique<Schild>(block, globals, context);
  if (keyword == u"POST_EFFECTS") return std::make_unique<PostEffectWaffe>(block, globals, context);
  if (keyword == u"NAHKAMPFWAFFE") return std::make_unique<Nahkampfwaffe>(block, globals, context);
  if (keyword == u"FLAMMENWERFER") return std::make_unique<Flammenwerfer>(block, globals, context);
  if (keyword == u"EROSION") return std::make_unique<Erosion>(block, globals, context);
  if (keyword == u"SELBSTM\u00D6RDER") return std::make_unique<Selbstmoerder>(block, globals, context);
  return nullptr;
}

void WaffenSet::Load(const KVNode* root) {
  if (!root) return;
  for (const char16_t* keyword : kKeywords) {
    const std::u16string name = keyword;
    for (const auto& child : root->Children())
      if (child->Name() == name)
        m_weapons.push_back(Create(name, child.get(), m_globals, m_context).release());
  }
  for (const auto& child : root->Children()) {
    if (child->Name() != u"KATEGORIE") continue;
    WaffenKategorie category;
    category.Read(child.get(), m_weapons);
    m_categories.push_back(std::move(category));
  }
  for (const auto& child : root->Children()) {
    bool known = child->Name() == u"KATEGORIE";
    for (const char16_t* keyword : kKeywords) known = known || child->Name() == keyword;
    if (!known)
      std::fprintf(stderr, "waffen.waf: unknown block <%s> skipped\n",
                   platform::U16ToUtf8(child->Name()).c_str());
  }
}

void WaffenSet::GetWeapons(std::vector<Waffe*>& out) const { out = m_weapons; }

Waffe* WaffenSet::FindByName(const std::u16string& name) const { return Waffe::FindByName(m_weapons, name); }

Objekt* WaffenSet::FindOwnedObject(uint32_t id) const {
  for (Waffe* weapon : m_weapons)
    if (Objekt* object = weapon->FindOwnedObject(id)) return object;
  return nullptr;
}

void WaffenSet::AddTeamRecords(Mannschaft* team) {
  for (auto it = m_weapons.rbegin(); it != m_weapons.rend(); ++it) (*it)->AddTeamRecord(team);
}

void WaffenSet::ClearTeamRecords() {
  for (auto it = m_weapons.rbegin(); it != m_weapons.rend(); ++it) (*it)->ClearTeamRecords();
}

void WaffenSet::ResetTurnCounts() {
  for (auto it = m_weapons.rbegin(); it != m_weapons.rend(); ++it) (*it)->NewTurn();
}

void WaffenSet::ResetAllForGame() {
  for (auto it = m_weapons.rbegin(); it != m_weapons.rend(); ++it) (*it)->ResetForGame();
}

void WaffenSet::UpdateAll(double step) {
  for (auto it = m_weapons.rbegin(); it != m_weapons.rend(); ++it) (*it)->Update(step);
}

void WaffenSet::DrawAll(const Vector2& offset, const Vector2& scale, bool flag) {
  for (auto it = m_weapons.rbegin(); it != m_weapons.rend(); ++it) (*it)->DrawAim(offset, scale, flag);
}

bool WaffenSet::DrawAimAll(const Vector2& offset, const Vector2& scale) {
  bool drew = false;
  for (auto it = m_weapons.rbegin(); it != m_weapons.rend(); ++it)
    drew = (*it)->DrawExtra(offset, scale) || drew;
  return drew;
}

void WaffenSet::CollectUsableWeapons(std::vector<Waffe*>& out, const Objekt& worm) const {
  for (Waffe* weapon : m_weapons)
    if (weapon->HasAmmoFor(worm)) out.push_back(weapon);
}
