#include "world/settingobjekt.h"

#include "engine/kvnode.h"

namespace {

// Two values into a vector; a missing value keeps its default.
void ReadPair(const KVNode& node, std::u16string_view key, Vector2& out) {
  node.Read(key, out.x, 0);
  node.Read(key, out.y, 1);
}

template <class T, class Convert>
bool ReadFilled(const KVNode& node, std::u16string_view key, std::array<T, 4>& out, Convert convert) {
  const KVNode* values = node.GetChild(0, key);
  if (!values) return false;
  for (unsigned k = 0; k < 4 && k < values->GetValueCount(); ++k) {
    T v = convert(*values->GetValue(k));
    for (unsigned j = k; j < 4; ++j) out[j] = v;
  }
  return true;
}

}  // namespace

bool ReadFilledFour(const KVNode& node, std::u16string_view key, std::array<float, 4>& out) {
  return ReadFilled(node, key, out, [](const KVValue& v) { return float(v.AsDouble()); });
}

bool ReadFilledFour(const KVNode& node, std::u16string_view key, std::array<bool, 4>& out) {
  return ReadFilled(node, key, out, [](const KVValue& v) { return v.AsBool(); });
}

SettingMuster::SettingMuster(const KVNode* node, CatalogueAssets* assets) {
  if (!node) return;
  node->Read(u"NAME", name);
  textureRef = SettingTextureRef::Read(*node);
  texture = textureRef.Resolve(assets);
  ReadPair(*node, u"MIN_SIZE", minSize);
  ReadPair(*node, u"MAX_SIZE", maxSize);
}

SettingObjekt::SettingObjekt(const KVNode* node, CatalogueAssets* assets) {
  if (!node) return;
  node->Read(u"NAME", name);
  textureRef = SettingTextureRef::Read(*node);
  texture = textureRef.Resolve(assets);
  // Read again when a world build stamps it: a run builds few of the catalogue's settings.
  if (assets && texture) assets->ReleaseUntilUsed(texture);
  ReadPair(*node, u"ROT_CENTER", rotationCentre);
  node->Read(u"ROTATION", rotationMin, 0);
  node->Read(u"ROTATION", rotationMax, 1);
  ReadPair(*node, u"MIN_SIZE", minSize);
  ReadPair(*node, u"MAX_SIZE", maxSize);
  node->Read(u"SCALE_SYMETRIC", scaleSymmetric);
  ReadPair(*node, u"CENTER", anchor);
  node->Read(u"TAKE_WORLD_NORMAL", takeWorldNormal);
}

HintergrundObjekt::HintergrundObjekt(const KVNode* node, CatalogueAssets* assets)
    : SettingObjekt(node, assets) {
  if (!node) return;
  ReadFilledFour(*node, u"POSITIONS", edges);
  node->Read(u"PLACE_IN_AIR", placeInAir);
}

SettingPostEffect::SettingPostEffect(const KVNode* node) {
  if (!node) return;
  if (const KVValue* own = node->GetValue(0)) effectName = own->Text();
  node->Read(u"NAME", effectName);
  // A key marks its parameter as set even without a value, which then reads as 0.
  hasF1 = node->GetChild(0, u"F1") != nullptr;
  hasF2 = node->GetChild(0, u"F2") != nullptr;
  node->Read(u"F1", f1);
  node->Read(u"F2", f2);
  hasV1 = ReadFilledFour(*node, u"V1", v1);
  hasV2 = ReadFilledFour(*node, u"V2", v2);
}
