// The build record of one layer: its scale, group seed, rectangle, parallax, kind and
// setting, and the stages that paint it, made from a creator file or by the random recipe.
// The world build fills one per layer, applies its stages and throws it away.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/gfxtypes.h"
#include "world/landschaftsformcreator.h"

class DataArchive;
class KVNode;
class LevelInfo;
class LevelSetting;
class TexturDefCache;

class LfcStageList {
 public:
  LfcStageList() = default;
  ~LfcStageList();
  LfcStageList(const LfcStageList&) = delete;
  LfcStageList& operator=(const LfcStageList&) = delete;

  // Each of the four values times the scale, truncated toward zero.
  Rect GetScaledRect() const;
  // A preview at scale s keeps the parallax's departure from 1 in proportion.
  Vector2 GetScaledParallax() const;

  // Stores the setting and the kind; without a creator document takes the random recipe,
  // else makes one stage per known section of the document, in file order (other sections
  // are skipped). File stages are not randomised.
  static void BuildFromFile(const LevelInfo& level, LfcStageList& list, const LevelSetting* setting,
                            const KVNode* creator, int32_t kind);
  // The random recipe: hills, the edge, the cover and fill tiles and the objects, with every
  // draw made in its fixed order, stages the quality drops included.
  static void BuildRandom(const LevelInfo& level, LfcStageList& list, const LevelSetting* setting,
                          int32_t kind);
  // The stage a creator-file section names, or null for a name that is not a stage.
  static std::unique_ptr<LandschaftsFormCreator> MakeStage(const KVNode& section, const LevelSetting* setting,
                                                           int32_t kind, double scale,
                                                           TexturDefCache* textures,
                                                           const DataArchive* archive);

  double scale = 1.0;
  uint32_t seed = 0;
  Rect rect{0, 0, 0, 0};
  Vector2 parallax{1.0f, 1.0f};
  int32_t kind = 0;
  const LevelSetting* setting = nullptr;
  // Where the pictures of file stages come from (null: they have none).
  TexturDefCache* textures = nullptr;
  const DataArchive* archive = nullptr;
  std::vector<std::unique_ptr<LandschaftsFormCreator>> stages;
};
