#include "world/levelinfo.h"

#include <algorithm>

#include "engine/kvnode.h"
#include "objects/bonussettings.h"
#include "platform/clock.h"
#include "platform/numeric.h"
#include "platform/random.h"
#include "platform/text.h"
#include "world/settingkatalog.h"

namespace {

void ReadVector(const KVNode& node, std::u16string_view key, Vector2& out) {
  node.Read(key, out.x, 0);
  node.Read(key, out.y, 1);
}

// Four numbers, each truncated toward zero; missing values keep what was there.
void ReadRect(const KVNode& node, std::u16string_view key, Rect& out) {
  int32_t* fields[4] = {&out.left, &out.top, &out.right, &out.bottom};
  for (unsigned i = 0; i < 4; ++i)
    if (const KVValue* v = node.Find(key, i)) *fields[i] = platform::TruncToInt(v->AsDouble());
}

void ReadCount(const KVNode& node, std::u16string_view key, int32_t& out) {
  if (node.Read(key, out)) out = std::clamp(out, 0, LevelInfo::kMaxLayerCount);
}

std::unique_ptr<KVNode> LoadCreator(const KVValue& name, const DataArchive* archive) {
  return LoadKVFromArchive(name.Text(), archive);
}

void ReadCreators(const KVNode& node, std::u16string_view key, const DataArchive* archive,
                  std::vector<std::unique_ptr<KVNode>>& out) {
  const KVNode* files = node.GetChild(0, key);
  if (!files) return;
  for (unsigned i = 0; i < files->GetValueCount(); ++i)
    out.push_back(LoadCreator(*files->GetValue(i), archive));
}

// min + (max - min) * r, the difference in integers (64 bits, so it cannot overflow).
int32_t Between(int32_t min, int32_t max, double r) {
  return platform::TruncToInt(min + double(int64_t(max) - min) * r);
}

}  // namespace

LevelInfo::LevelInfo(const KVNode* node, const LevelSources& sources) : m_sources(sources) {
  seed = platform::TickCount();
  if (node) Read(*node);
  DrawRandomParts(true);
}

LevelInfo::~LevelInfo() = default;

void LevelInfo::Read(const KVNode& node) {
  node.Read(u"KEY2UNLOCK", keyToUnlock);
  node.Read(u"UNLOCKS", unlocks);
  if (const KVNode* named = node.GetChild(0, u"EBENEN_EIGENSCHAFT_NAME")) {
    const KVValue* name = named->GetValue(0);
    std::u16string text = name ? name->Text() : std::u16string();
    if (m_sources.properties) layerProperties = m_sources.properties->Find(name ? &text : nullptr);
  } else if (const KVNode* own = node.GetChild(0, u"EBENEN_EIGENSCHAFT")) {
    layerProperties = EbenenEigenschaft(own);
  }
  if (const KVValue* name = node.Find(u"SETTING_NAME")) {
    if (m_sources.katalog) setting = m_sources.katalog->FindSetting(&name->Text());
    randomSetting = setting == nullptr;
  }
  if (const KVNode* seedNode = node.GetChild(0, u"RANDOM_SEED")) {
    const KVValue* text = seedNode->GetValue(0);
    seed = SeedFromText(text ? std::u16string_view(text->Text()) : std::u16string_view());
  }
  for (unsigned i = 0; i < 4; ++i) node.Read(u"ZOOM_EXTREMA", zoomExtrema[i], i);
  zoom = Vector2{zoomExtrema[2], zoomExtrema[3]};
  ReadRect(node, u"WORLD_RECT_MIN", worldRectMin);
  ReadRect(node, u"WORLD_RECT_MAX", worldRectMax);
  if (node.GetChild(0, u"WORLD_RECT")) {
    ReadRect(node, u"WORLD_RECT", worldRect);
    worldRectMax = worldRect;
    worldRectMin = worldRect;
    randomRect = false;
  }
  node.Read(u"QUALITY", quality);
  ReadCount(node, u"ANZ_HG_EBENEN", backgroundCount);
  ReadVector(node, u"HG_SCROLL_OFFSET", backgroundScrollOffset);
  ReadVector(node, u"HG_SCROLL_CHANGE", backgroundScrollChange);
  ReadCreators(node, u"HG_FORM_CREATOR_FILE", m_sources.archive, backgroundCreators);
  ReadCount(node, u"ANZ_SPIEL_EBENEN", gameCount);
  ReadVector(node, u"SPIEL_SCROLL_CHANGE", gameScrollChange);
  if (const KVValue* colour = node.Find(u"SPIEL_COLOR_MULTIPLY"))
    gameColourMultiply = platform::WToUL16(colour->Text());
  if (const KVValue* file = node.Find(u"SPIEL_FORM_CREATOR_FILE"))
    gameCreator = LoadCreator(*file, m_sources.archive);
  ReadCount(node, u"ANZ_VG_EBENEN", foregroundCount);
  ReadVector(node, u"VG_SCROLL_OFFSET", foregroundScrollOffset);
  ReadVector(node, u"VG_SCROLL_CHANGE", foregroundScrollChange);
  ReadCreators(node, u"VG_FORM_CREATOR_FILE", m_sources.archive, foregroundCreators);
  if (const KVNode* teams = node.GetChild(0, u"DEFAULT_TEAMS")) defaultTeams.Read(teams);
  if (const KVNode* names = node.GetChild(0, u"BONUS"))
    for (unsigned i = 0; i < names->GetValueCount(); ++i) bonusNames.push_back(names->GetValue(i)->Text());
  bonusWeights = ReadCumulativeWeights(&node, u"BONUS_PROP", bonusNames.size());
}

uint32_t LevelInfo::SeedFromText(std::u16string_view text) {
  uint32_t sum = 0;
  for (char16_t unit : text) sum += unit;
  return sum;
}

void LevelInfo::DrawRandomParts(bool reseedBeforeSetting) {
  platform::SRand(seed);
  platform::Rand();
  if (randomRect) {
    const double r1 = platform::RandFraction();
    const double r2 = platform::RandFraction();
    const double r3 = platform::RandFraction();
    const double r4 = platform::RandFraction();
    worldRect.left = Between(worldRectMin.left, worldRectMax.left, r1);
    worldRect.right = Between(worldRectMin.right, worldRectMax.right, r2);
    worldRect.top = Between(worldRectMin.top, worldRectMax.top, r3);
    worldRect.bottom = Between(worldRectMin.bottom, worldRectMax.bottom, r4);
    zoom.x = float(zoomExtrema[0] + (zoomExtrema[2] - zoomExtrema[0]) * (r1 + r2) / 2);
    zoom.y = float(zoomExtrema[1] + (zoomExtrema[3] - zoomExtrema[1]) * (r3 + r4) / 2);
  } else {
    zoom = Vector2{zoomExtrema[2], zoomExtrema[3]};
  }
  if (reseedBeforeSetting) {
    platform::SRand(seed);
    platform::Rand();
  }
  if (randomSetting) setting = m_sources.katalog ? m_sources.katalog->PickRandomSetting() : nullptr;
}

void LevelInfo::Reseed(uint32_t newSeed) {
  seed = newSeed;
  DrawRandomParts(false);
}

void LevelInfo::SetSeedFromText(std::u16string_view text) { Reseed(SeedFromText(text)); }

const std::u16string* LevelInfo::PickBonus() const {
  const double u = platform::RandFraction();
  for (size_t i = 0; i < bonusNames.size(); ++i)
    if (bonusWeights[i] > u) return &bonusNames[i];
  return nullptr;
}

void LevelInfo::ApplyToScene(const SceneManagers& managers) const {
  const LevelSetting& s = GetSettingOrEmpty();
  LevelWasser* water = s.PickWasser(managers.water);
  if (managers.water) managers.water->SetLevelWater(water);
  const std::u16string* wind = s.PickWind();
  if (managers.wind) managers.wind->SelectByName(wind);
  const std::u16string* bonus = PickBonus();
  if (managers.bonus) managers.bonus->Select(bonus);
}
