// The setting catalogue: every pattern, object, background object, backdrop and setting of
// "WorldSetting.wst", read once at start-up and owned by the game-wide object for the whole
// run. Levels choose a setting from it by name or at random and keep pointers into it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "world/ebenenhintergrund.h"
#include "world/levelsetting.h"
#include "world/settingobjekt.h"

class APIGraphics;
class KVNode;

class SettingKatalog {
 public:
  SettingKatalog() = default;
  ~SettingKatalog();
  SettingKatalog(const SettingKatalog&) = delete;
  SettingKatalog& operator=(const SettingKatalog&) = delete;

  // Reads the sections "OBJEKTE", "MUSTER", "HINTERGRUNDOBJEKTE", "HINTERGRÜNDE" and
  // "SETTINGS" in that order (settings last: they name the others); null reads nothing.
  // Textures and backdrop animations come through the assets (none: names kept as data);
  // backdrops register with the graphics manager for device resets when one is given.
  void Load(const KVNode* root, CatalogueAssets* assets = nullptr, APIGraphics* graphics = nullptr);

  // By name, from the last entry to the first, exactly; null for a null name or no match.
  SettingMuster* FindMuster(const std::u16string* name) const;
  SettingObjekt* FindObjekt(const std::u16string* name) const;
  HintergrundObjekt* FindHintergrundObjekt(const std::u16string* name) const;
  EbenenHintergrund* FindHintergrund(const std::u16string* name) const;
  LevelSetting* FindSetting(const std::u16string* name) const;

  // A plain object made a background object by a setting; the catalogue owns it.
  HintergrundObjekt* PromoteToHintergrundObjekt(const SettingObjekt& object);

  LevelSetting* GetSetting(int32_t index) const;
  int32_t GetSettingCount() const { return int32_t(m_settings.size()); }
  // No settings: null, no draw. One: that one, no draw. Otherwise one draw and the index
  // trunc(r * (count - 1)), so the last setting comes only when the generator gives 32767.
  LevelSetting* PickRandomSetting() const;

  const std::vector<std::unique_ptr<SettingMuster>>& Muster() const { return m_muster; }
  const std::vector<std::unique_ptr<SettingObjekt>>& Objekte() const { return m_objekte; }
  const std::vector<std::unique_ptr<HintergrundObjekt>>& HintergrundObjekte() const {
    return m_hintergrundObjekte;
  }
  const std::vector<std::unique_ptr<EbenenHintergrund>>& Hintergruende() const { return m_hintergruende; }
  const std::vector<std::unique_ptr<LevelSetting>>& Settings() const { return m_settings; }

 private:
  std::vector<std::unique_ptr<SettingMuster>> m_muster;
  std::vector<std::unique_ptr<SettingObjekt>> m_objekte;
  std::vector<std::unique_ptr<HintergrundObjekt>> m_hintergrundObjekte;
  std::vector<std::unique_ptr<EbenenHintergrund>> m_hintergruende;
  std::vector<std::unique_ptr<LevelSetting>> m_settings;
};
