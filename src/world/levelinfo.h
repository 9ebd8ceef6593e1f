// A level description: everything a battle needs before its world exists — the seed, the
// world rectangle (fixed, or drawn between two bounds), the camera zoom, the layers to
// build with their parallax and recipe files, the setting, the layer properties, the
// default teams, the bonus sets and the campaign keys. Read from a ".lvl" document; the
// front end makes them for the campaign, the main menu and the free game and reseeds them
// from typed seeds, the battle hands one to the world build.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/gfxtypes.h"
#include "objects/teamsetup.h"
#include "world/ebeneneigenschaft.h"
#include "world/levelsetting.h"

class APIContext;
class AnimationManager;
class BonusSettings;
class DataArchive;
class KVNode;
class Landschaft;
class LfcStageList;
class MyLoadScreen;
class SettingKatalog;
class TexturDefCache;
class Welt;

// The game-wide lists a description reads from: the game-wide object's layer properties
// and setting catalogue, and the archive its recipe files come from (null: from disk).
// Every pointer may be null; the description then takes the defaults.
struct LevelSources {
  const EbenenEigenschaften* properties = nullptr;
  const SettingKatalog* katalog = nullptr;
  const DataArchive* archive = nullptr;
};

// The body of water of the running level (WasserManager::SetLevelWater); the water
// manager implements it.
class LevelWaterTarget : public WaterBodyLookup {
 public:
  virtual void SetLevelWater(LevelWasser* body) = 0;
};

// The wind in force (WindManager::SelectByName): the default wind, then the last wind of
// that name. The wind manager implements it.
class WindSelector {
 public:
  virtual ~WindSelector() = default;
  virtual void SelectByName(const std::u16string* name) = 0;
};

// Where ApplyToScene hands the level's choices; any may be null (the draw still happens).
struct SceneManagers {
  LevelWaterTarget* water = nullptr;
  WindSelector* wind = nullptr;
  BonusSettings* bonus = nullptr;
};

// What the world build uses of the engine. Every pointer may be null: no animation
// manager leaves the layers without decorations, no texture cache leaves file stages'
// pieces without pictures, no context means the process-wide one.
struct WorldBuildServices {
  APIContext* context = nullptr;
  const AnimationManager* animations = nullptr;
  TexturDefCache* textures = nullptr;
  const DataArchive* archive = nullptr;
  // When given, each stage's class name and the seconds its Apply took are appended here.
  std::vector<std::pair<std::u16string, double>>* stageTimes = nullptr;
  // When given, asked before each layer and stage: true stops the build there, and the world
  // returned is unfinished, fit only to be thrown away (a quit during loading).
  std::function<bool()> cancelled;
};

class LevelInfo {
 public:
  // Layer counts above this would only exhaust memory (each layer of a large world takes
  // tens of megabytes); counts are held to 0 .. kMaxLayerCount.
  static constexpr int32_t kMaxLayerCount = 8;

  // From a parsed level document, or from defaults alone with a null node; either way it
  // ends with the random draws of the rectangle, zoom and setting. Without "RANDOM_SEED"
  // the seed is the tick count.
  LevelInfo(const KVNode* node, const LevelSources& sources);
  ~LevelInfo();
  LevelInfo(const LevelInfo&) = delete;
  LevelInfo& operator=(const LevelInfo&) = delete;

  // Sets the seed and redraws the random rectangle, zoom and setting. Unlike the
  // constructor it does not reseed before the setting draw, so a reseeded description may
  // pick a different setting than a level file with the same seed.
  void Reseed(uint32_t seed);
  // seed = the sum of the UTF-16 code units of the text ("12" and "21" both give 99).
  void SetSeedFromText(std::u16string_view text);
  static uint32_t SeedFromText(std::u16string_view text);
  // One draw: the first bonus name whose cumulative weight is greater than the draw.
  const std::u16string* PickBonus() const;
  // At level start, after the world is built: the setting's water, its wind and the bonus
  // set, drawn in that order. Without a setting each pick draws and finds nothing.
  void ApplyToScene(const SceneManagers& managers) const;

  // The level's world: background layers, foreground layers, then the game layer with its
  // tinted copies, each painted by its stages from the generator reseeded at fixed points,
  // so the same description and seed always give the same world. With a load screen the
  // stages are counted first and each one advances it.
  std::unique_ptr<Welt> BuildWorld(MyLoadScreen* loadScreen, const WorldBuildServices& services) const;
  // The number of stages the build will apply (the load screen's maximum).
  int32_t DryRunBuild(MyLoadScreen* loadScreen, const WorldBuildServices& services) const;
  // One layer: a store over the record's scaled rectangle with its decorations, painted by
  // the record's stages (each from the same generator state) with a mask store beside it.
  // A mask store of the same rectangle may be handed in to be cleared and used; else one
  // is made for the call.
  std::unique_ptr<Landschaft> MakeLayer(LfcStageList& record, MyLoadScreen* loadScreen,
                                        const WorldBuildServices& services, Landschaft* mask = nullptr) const;

  const LevelSetting& GetSettingOrEmpty() const { return setting ? *setting : LevelSetting::Empty(); }
  const std::vector<SettingPostEffect>& GetPostEffects() const {
    return GetSettingOrEmpty().GetPostEffects();
  }

  EbenenEigenschaft layerProperties;
  bool invert = false;
  double buildScale = 1.0;
  bool placeSettingObjects = true;
  bool parallaxSteps = true;
  double quality = 100.0;
  Rect worldRect{0, 0, 0, 0};
  Rect worldRectMin{-512, -384, 512, 384};
  Rect worldRectMax{-2048, -1024, 2048, 1024};
  uint32_t seed = 0;
  // Owned by the catalogue.
  LevelSetting* setting = nullptr;
  // Unloadable files stay as null entries, so the build takes the random recipe there.
  std::vector<std::unique_ptr<KVNode>> backgroundCreators;
  int32_t backgroundCount = 0;
  Vector2 backgroundScrollOffset{0.9f, 0.9f};
  Vector2 backgroundScrollChange{-0.05f, -0.05f};
  std::unique_ptr<KVNode> gameCreator;
  int32_t gameCount = 1;
  Vector2 gameScrollChange{-0.0025f, -0.0025f};
  Argb gameColourMultiply = 0xFFAFAFAF;
  std::vector<std::unique_ptr<KVNode>> foregroundCreators;
  int32_t foregroundCount = 0;
  Vector2 foregroundScrollOffset{1.1f, 1.1f};
  Vector2 foregroundScrollChange{0.05f, 0.05f};
  bool randomRect = true;
  bool randomSetting = true;
  TeamSetup defaultTeams;
  std::u16string unlocks;
  std::u16string keyToUnlock;
  Vector2 zoom{1.5f, 0.75f};
  // Largest zoom (x, y), then smallest.
  std::array<float, 4> zoomExtrema{1.5f, 0.75f, 1.5f, 0.75f};
  std::vector<std::u16string> bonusNames;
  // Cumulative, one per bonus name.
  std::vector<double> bonusWeights;

 private:
  void Read(const KVNode& node);
  // Draws the rectangle and zoom (when random) after reseeding; then, on the constructor's
  // path only, reseeds again; then draws the setting (when random).
  void DrawRandomParts(bool reseedBeforeSetting);
  // The build record of layer `index` of a group (-1 background, +1 foreground, 0 the game
  // layer), its stages made from the group's creator file or by the random recipe.
  void FillRecord(int32_t group, int32_t index, LfcStageList& record,
                  const WorldBuildServices& services) const;

  LevelSources m_sources;
};
