// The pieces a setting is made of: fill and cover patterns, placeable objects, objects for
// the edges of background layers, and the post-effect entries of a setting. The setting
// catalogue reads and owns them; the landscape stages stamp them.
#pragma once

#include <array>
#include <string>

#include "engine/gfxtypes.h"
#include "world/catalogueassets.h"

class KVNode;

// One "MUSTER" entry: a texture the tile stage lays over a layer.
struct SettingMuster {
  SettingMuster() = default;
  SettingMuster(const KVNode* node, CatalogueAssets* assets);

  SettingTextureRef textureRef;
  const TexturePartRecord* texture = nullptr;
  Vector2 minSize{0.0f, 0.0f};
  Vector2 maxSize{200.0f, 200.0f};
  std::u16string name;
};

// One "OBJEKT" entry: a picture the object stages stamp into a layer.
struct SettingObjekt {
  SettingObjekt() = default;
  SettingObjekt(const KVNode* node, CatalogueAssets* assets);
  virtual ~SettingObjekt() = default;

  SettingTextureRef textureRef;
  const TexturePartRecord* texture = nullptr;
  Vector2 rotationCentre{0.5f, 0.5f};
  double rotationMin = -180.0;
  double rotationMax = 180.0;
  Vector2 minSize{0.0f, 0.0f};
  Vector2 maxSize{200.0f, 200.0f};
  bool scaleSymmetric = true;
  // The point of the picture, as fractions of its size, that sits on the placement point.
  Vector2 anchor{0.5f, 0.5f};
  bool takeWorldNormal = false;
  std::u16string name;
};

// One "HINTERGRUNDOBJEKT" entry: an object the background-object stage puts against the
// allowed edges of a layer.
struct HintergrundObjekt : SettingObjekt {
  HintergrundObjekt(const KVNode* node, CatalogueAssets* assets);
  // A plain object promoted for "OBJEKTE_HG": its fields, the bottom edge, on the ground.
  explicit HintergrundObjekt(const SettingObjekt& object) : SettingObjekt(object) {}

  // Left, top, right, bottom.
  std::array<bool, 4> edges{false, false, false, true};
  bool placeInAir = false;
};

// One "POST_EFFECT" entry of a setting: an effect by name and the parameters it sets.
struct SettingPostEffect {
  explicit SettingPostEffect(const KVNode* node = nullptr);

  std::u16string effectName;
  bool hasF1 = false;
  bool hasF2 = false;
  bool hasV1 = false;
  bool hasV2 = false;
  float f1 = 0.0f;
  float f2 = 0.0f;
  std::array<float, 4> v1{};
  std::array<float, 4> v2{};
};

// Reads up to four values of the first child `key`, each filling its own place and every
// later one: ("1", "0") gives (1, 0, 0, 0) and ("0.5", "1") gives (0.5, 1, 1, 1). False
// without the key.
bool ReadFilledFour(const KVNode& node, std::u16string_view key, std::array<float, 4>& out);
bool ReadFilledFour(const KVNode& node, std::u16string_view key, std::array<bool, 4>& out);
