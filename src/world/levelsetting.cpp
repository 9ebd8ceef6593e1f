#include "world/levelsetting.h"

#include "engine/contentlimits.h"
#include "engine/kvnode.h"
#include "platform/numeric.h"
#include "platform/random.h"
#include "world/settingkatalog.h"

namespace {

// Names of one key resolved through `find`. Names that resolve to nothing are left out,
// so the weights pair with the names found, in order.
template <class T, class Find>
WeightedList<T*> ReadResolved(const KVNode& block, std::u16string_view key, std::u16string_view weightKey,
                              Find find, bool keepMissing) {
  WeightedList<T*> list;
  if (const KVNode* names = block.GetChild(0, key)) {
    for (unsigned i = 0; i < names->GetValueCount(); ++i) {
      std::u16string name = names->GetValue(i)->Text();
      T* entry = find(name);
      if (entry || keepMissing) list.entries.push_back(entry);
    }
  }
  list.weights = ReadCumulativeWeights(&block, weightKey, list.entries.size());
  return list;
}

void ReadRange(const KVNode& node, std::u16string_view key, int32_t& min, int32_t& max) {
  node.Read(key, min, 0);
  node.Read(key, max, 1);
}

// A range of counts of things a layer places, each end held to the limit.
void ReadCountRange(const KVNode& node, std::u16string_view key, int32_t& min, int32_t& max) {
  content::ReadCount(node, key, min, -content::kMaxLayerObjects, content::kMaxLayerObjects, 0);
  content::ReadCount(node, key, max, -content::kMaxLayerObjects, content::kMaxLayerObjects, 1);
}

template <class T>
T* PickPointer(const WeightedList<T*>& list) {
  T* const* picked = list.Pick();
  return picked ? *picked : nullptr;
}

}  // namespace

LayerKindBlock::LayerKindBlock(const KVNode* node, SettingKatalog& katalog) {
  if (!node) return;
  if (const KVNode* wolken = node->GetChild(0, u"WOLKEN")) {
    clouds = ReadWeightedNames(wolken, u"WOLKEN_NAMEN", u"WOLKEN_PROP");
    ReadCountRange(*wolken, u"ANZ_WOLKEN", cloudCountMin, cloudCountMax);
    for (unsigned i = 0; i < 4; ++i) wolken->Read(u"WOLKEN_SPACE", cloudSpace[i], i);
  }
  if (const KVNode* a = node->GetChild(0, u"ANIMS")) {
    anims = ReadWeightedNames(a, u"ANIMS_NAMEN", u"ANIMS_PROP");
    ReadCountRange(*a, u"ANZ_ANIMS", animCountMin, animCountMax);
  }
  if (const KVNode* a = node->GetChild(0, u"RANDOM_POS_ANIMS")) {
    randomPosAnims = ReadWeightedNames(a, u"RANDOM_POS_ANIMS_NAMEN", u"RANDOM_POS_ANIMS_PROP");
    ReadCountRange(*a, u"RANDOM_POS_ANZ_ANIMS", randomPosAnimCountMin, randomPosAnimCountMax);
  }
  if (const KVNode* noise = node->GetChild(0, u"PERLIN_NOISE")) {
    noise->Read(u"USE_PERLIN_NOISE", useNoise);
    noise->Read(u"SCALING", noiseScaling);
    noise->Read(u"ITERATION", noiseIterations);
    ReadRange(*noise, u"MIN_MAX", noiseMin, noiseMax);
  }
  auto findObjekt = [&](const std::u16string& name) { return katalog.FindObjekt(&name); };
  objects = ReadResolved<SettingObjekt>(*node, u"OBJEKTE", u"OBJEKTE_PROP", findObjekt, false);
  airObjects = ReadResolved<SettingObjekt>(*node, u"OBJEKTE_LUFT", u"OBJEKTE_LUFT_PROP", findObjekt, false);
  groundObjects =
      ReadResolved<SettingObjekt>(*node, u"OBJEKTE_ERDE", u"OBJEKTE_ERDE_PROP", findObjekt, false);
  backgroundObjects = ReadResolved<HintergrundObjekt>(
      *node, u"OBJEKTE_HG", u"OBJEKTE_HG_PROP",
      [&](const std::u16string& name) -> HintergrundObjekt* {
        if (HintergrundObjekt* found = katalog.FindHintergrundObjekt(&name)) return found;
        // A plain object named here becomes a background object at its first mention;
        // later mentions, in any setting, find that one.
        if (SettingObjekt* plain = katalog.FindObjekt(&name))
          return katalog.PromoteToHintergrundObjekt(*plain);
        return nullptr;
      },
      false);
  auto findMuster = [&](const std::u16string& name) { return katalog.FindMuster(&name); };
  fills = ReadResolved<SettingMuster>(*node, u"F\u00DCLLUNGEN", u"F\u00DCLLUNGEN_PROP", findMuster, true);
  covers = ReadResolved<SettingMuster>(*node, u"BEDECKUNGEN", u"BEDECKUNGEN_PROP", findMuster, true);
}

LevelSetting::LevelSetting(const KVNode* node, SettingKatalog& katalog) {
  if (!node) return;
  node->Read(u"NAME_ID", m_nameId);
  node->Read(u"NAME_TEXT_ID", m_nameTextId);
  node->Read(u"SHOW", m_show);
  if (const KVNode* effects = node->GetChild(0, u"POST_EFFECTS"))
    for (const auto& child : effects->Children())
      if (child->Name() == u"POST_EFFECT") m_postEffects.emplace_back(child.get());
  m_game = LayerKindBlock(node->GetChild(0, u"SPIELEBENE"), katalog);
  const KVNode* background = node->GetChild(0, u"HINTERGRUND");
  m_background = background ? LayerKindBlock(background, katalog) : m_game;
  const KVNode* foreground = node->GetChild(0, u"VORDERGRUND");
  m_foreground = foreground ? LayerKindBlock(foreground, katalog) : m_game;
  m_backdrops = ReadResolved<EbenenHintergrund>(
      *node, u"HINTERGR\u00DCNDE", u"HINTERGR\u00DCNDE_PROP",
      [&](const std::u16string& name) { return katalog.FindHintergrund(&name); }, true);
  m_waters = ReadWeightedNames(node, u"WASSER", u"WASSER_PROP");
  m_winds = ReadWeightedNames(node, u"WIND", u"WIND_PROP");
}

const LevelSetting& LevelSetting::Empty() {
  static const LevelSetting empty;
  return empty;
}

const LayerKindBlock& LevelSetting::GetBlock(int32_t kind) const {
  if (kind == 0) return m_game;
  return kind > 0 ? m_foreground : m_background;
}

SettingObjekt* LevelSetting::PickObjekt(int32_t kind) const { return PickPointer(GetBlock(kind).objects); }
SettingObjekt* LevelSetting::PickObjektLuft(int32_t kind) const {
  return PickPointer(GetBlock(kind).airObjects);
}
SettingObjekt* LevelSetting::PickObjektErde(int32_t kind) const {
  return PickPointer(GetBlock(kind).groundObjects);
}
HintergrundObjekt* LevelSetting::PickObjektHG(int32_t kind) const {
  return PickPointer(GetBlock(kind).backgroundObjects);
}
SettingMuster* LevelSetting::PickFuellung(int32_t kind) const { return PickPointer(GetBlock(kind).fills); }
SettingMuster* LevelSetting::PickBedeckung(int32_t kind) const { return PickPointer(GetBlock(kind).covers); }
const std::u16string* LevelSetting::PickWolke(int32_t kind) const { return GetBlock(kind).clouds.Pick(); }
const std::u16string* LevelSetting::PickAnim(int32_t kind) const { return GetBlock(kind).anims.Pick(); }
const std::u16string* LevelSetting::PickRandomPosAnim(int32_t kind) const {
  return GetBlock(kind).randomPosAnims.Pick();
}
EbenenHintergrund* LevelSetting::PickHintergrund() const { return PickPointer(m_backdrops); }
const std::u16string* LevelSetting::PickWind() const { return m_winds.Pick(); }

LevelWasser* LevelSetting::PickWasser(const WaterBodyLookup* water) const {
  const int first = PickWeightedIndex(m_waters.weights);
  if (first < 0 || !water) return nullptr;
  for (size_t i = size_t(first); i < m_waters.size(); ++i)
    if (LevelWasser* body = water->FindByName(&m_waters.entries[i])) return body;
  return nullptr;
}

int32_t RandomCount(int32_t min, int32_t max) {
  // The difference is taken in 64 bits so that extreme ranges cannot overflow.
  return platform::TruncToInt(platform::RandFraction() * double(int64_t(max) - min) + min + 0.5);
}

int32_t LevelSetting::RandomWolkenCount(int32_t kind) const {
  const LayerKindBlock& b = GetBlock(kind);
  return RandomCount(b.cloudCountMin, b.cloudCountMax);
}

int32_t LevelSetting::RandomAnimCount(int32_t kind) const {
  const LayerKindBlock& b = GetBlock(kind);
  return RandomCount(b.animCountMin, b.animCountMax);
}

int32_t LevelSetting::RandomRandomPosAnimCount(int32_t kind) const {
  const LayerKindBlock& b = GetBlock(kind);
  return RandomCount(b.randomPosAnimCountMin, b.randomPosAnimCountMax);
}

void LevelSetting::GetPerlinNoise(int32_t kind, double& scaling, int32_t& iterations, int32_t& min,
                                  int32_t& max) const {
  const LayerKindBlock& b = GetBlock(kind);
  scaling = b.noiseScaling;
  iterations = b.noiseIterations;
  min = b.noiseMin;
  max = b.noiseMax;
}
