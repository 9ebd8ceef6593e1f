// A setting of the catalogue: which objects, patterns, clouds and animations each layer
// kind gets, which backdrops, waters and winds a level may have, and its post effects.
// Every picker draws exactly once from the game's generator, so a level seed gives the
// same world every time.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "world/settingobjekt.h"
#include "world/weightedlist.h"

class EbenenHintergrund;
class KVNode;
class LevelWasser;
class SettingKatalog;

// The bodies of water by name (WasserManager::FindByName): the water manager implements it.
class WaterBodyLookup {
 public:
  virtual ~WaterBodyLookup() = default;
  // The first body of that exact name, or null.
  virtual LevelWasser* FindByName(const std::u16string* name) const = 0;
};

// What one layer kind of a setting gets ("SPIELEBENE", "HINTERGRUND" or "VORDERGRUND").
struct LayerKindBlock {
  LayerKindBlock() = default;
  // The block's keys; names resolve through the catalogue (which may take a promoted
  // background object).
  LayerKindBlock(const KVNode* node, SettingKatalog& katalog);

  WeightedList<SettingObjekt*> objects;
  WeightedList<SettingObjekt*> airObjects;
  WeightedList<SettingObjekt*> groundObjects;
  WeightedList<HintergrundObjekt*> backgroundObjects;
  // Null entries stand for names the catalogue does not have.
  WeightedList<SettingMuster*> fills;
  WeightedList<SettingMuster*> covers;
  bool useNoise = false;
  double noiseScaling = 0.04;
  int32_t noiseIterations = 1;
  int32_t noiseMin = 0;
  int32_t noiseMax = 64;
  WeightedList<std::u16string> clouds;
  int32_t cloudCountMin = 0;
  int32_t cloudCountMax = 0;
  // Left, top, right, bottom in pixels: the band inside a layer where clouds go.
  std::array<int32_t, 4> cloudSpace{};
  WeightedList<std::u16string> anims;
  int32_t animCountMin = 0;
  int32_t animCountMax = 0;
  WeightedList<std::u16string> randomPosAnims;
  int32_t randomPosAnimCountMin = 0;
  int32_t randomPosAnimCountMax = 0;
};

class LevelSetting {
 public:
  // The keys of a "SETTING" entry; null gives a setting with every default, which picks
  // nothing (each pick still draws).
  LevelSetting(const KVNode* node, SettingKatalog& katalog);
  LevelSetting(const LevelSetting&) = delete;
  LevelSetting& operator=(const LevelSetting&) = delete;

  // A setting with every default: what callers use where a level has none, so that the
  // draws stay the same.
  static const LevelSetting& Empty();

  // Layer kind: 0 the game block, above 0 the foreground block, below 0 the background block.
  const LayerKindBlock& GetBlock(int32_t kind) const;

  SettingObjekt* PickObjekt(int32_t kind) const;
  SettingObjekt* PickObjektLuft(int32_t kind) const;
  SettingObjekt* PickObjektErde(int32_t kind) const;
  HintergrundObjekt* PickObjektHG(int32_t kind) const;
  SettingMuster* PickFuellung(int32_t kind) const;
  SettingMuster* PickBedeckung(int32_t kind) const;
  // The picked name, or null.
  const std::u16string* PickWolke(int32_t kind) const;
  const std::u16string* PickAnim(int32_t kind) const;
  const std::u16string* PickRandomPosAnim(int32_t kind) const;
  EbenenHintergrund* PickHintergrund() const;
  // From the first name whose weight reaches the draw on, the first name the water knows;
  // null when none (or without a lookup).
  LevelWasser* PickWasser(const WaterBodyLookup* water) const;
  const std::u16string* PickWind() const;
  // round(r * (max - min) + min), so both ends come half as often as the values between.
  int32_t RandomWolkenCount(int32_t kind) const;
  int32_t RandomAnimCount(int32_t kind) const;
  int32_t RandomRandomPosAnimCount(int32_t kind) const;
  const std::array<int32_t, 4>& GetWolkenSpace(int32_t kind) const { return GetBlock(kind).cloudSpace; }
  void GetPerlinNoise(int32_t kind, double& scaling, int32_t& iterations, int32_t& min, int32_t& max) const;
  bool UsesPerlinNoise(int32_t kind) const { return GetBlock(kind).useNoise; }

  const std::u16string& GetNameId() const { return m_nameId; }
  const std::u16string& GetNameTextId() const { return m_nameTextId; }
  bool IsShown() const { return m_show; }
  const std::vector<SettingPostEffect>& GetPostEffects() const { return m_postEffects; }
  const WeightedList<EbenenHintergrund*>& GetBackdrops() const { return m_backdrops; }
  const WeightedList<std::u16string>& GetWaters() const { return m_waters; }
  const WeightedList<std::u16string>& GetWinds() const { return m_winds; }

 private:
  LevelSetting() = default;

  std::vector<SettingPostEffect> m_postEffects;
  LayerKindBlock m_background;
  LayerKindBlock m_foreground;
  LayerKindBlock m_game;
  WeightedList<EbenenHintergrund*> m_backdrops;
  WeightedList<std::u16string> m_waters;
  WeightedList<std::u16string> m_winds;
  std::u16string m_nameId;
  std::u16string m_nameTextId;
  bool m_show = true;
};

// One draw: n = trunc(r * (max - min) + min + 0.5).
int32_t RandomCount(int32_t min, int32_t max);
