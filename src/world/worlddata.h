// The world side of the game's data read straight from the archive: the moving animations,
// the setting catalogue with its pictures, and the layer properties. The game-wide object
// holds these for the game; tools and benchmarks that build worlds without it load them
// here, through a graphics manager's texture cache (the null device will do).
#pragma once

#include <memory>

#include "engine/animationmanager.h"
#include "world/catalogueassets.h"
#include "world/ebeneneigenschaft.h"
#include "world/levelinfo.h"
#include "world/settingkatalog.h"

class APIContext;
class APIGraphics;
class DataArchive;
class KVNode;

class WorldData {
 public:
  WorldData(APIGraphics& graphics, const DataArchive* archive);
  WorldData(const WorldData&) = delete;
  WorldData& operator=(const WorldData&) = delete;

  // A level description over this data, from a parsed level document.
  std::unique_ptr<LevelInfo> Level(const KVNode* document) const;
  // What the world build needs: the context, these animations, the cache and the archive.
  WorldBuildServices Services(APIContext* context) const;

  APIGraphics& graphics;
  const DataArchive* archive;
  AnimationManager animations;
  GameCatalogueAssets assets;
  SettingKatalog katalog;
  EbenenEigenschaften properties;
};
