// What the setting catalogue asks of the engine while it loads: textures by name through
// the texture-definition cache, and fresh copies of moving animations for the backdrops.
// The cache (TexturDefCache::Get) and the animation manager (CreateBewegteAnimation)
// answer these once they join the game-wide object; until then the loader hands in
// whatever stands for them, or nothing, and the catalogue keeps the names as data.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "engine/gfxtypes.h"
#include "engine/searchpath.h"
#include "engine/spriterenderer.h"

class KVNode;

// The moving animation a backdrop lays over one of its textures (BewegteAnimation): the
// backdrop updates it every frame and gives it its pixel area after every device reset.
class BackdropAnimation {
 public:
  virtual ~BackdropAnimation() = default;
  virtual void Update(double step) = 0;
  virtual void SetArea(const Rect& area) = 0;
};

class CatalogueAssets {
 public:
  virtual ~CatalogueAssets() = default;
  // The whole image `file`, or with a part name that part of the sprite-definition file
  // `file`, looked up in the search path's folders; null when it cannot be had. The cache
  // keeps what it returns for the whole run.
  virtual const TexturePartRecord* GetTexture(const std::u16string& file, const SearchPath& searchPath,
                                              const std::u16string* partName) = 0;
  // A new copy of the named moving animation; null for a name the manager does not have.
  virtual std::unique_ptr<BackdropAnimation> CreateBewegteAnimation(std::u16string_view name) = 0;
};

// The texture keys of a catalogue entry, kept as written: "SEARCHPATH", "TEXTUR_DIREKT"
// (an image file) and "TEXTUR_INDIREKT" with "PRT_NAME" and "NAME_ID" (a part of a
// sprite-definition file, looked up only when "NAME_ID" is given, and the winner when both
// are given).
struct SettingTextureRef {
  static SettingTextureRef Read(const KVNode& node);
  // The direct image is asked for first, then the part, which replaces it (even when it
  // cannot be had). Null without assets or without either key.
  const TexturePartRecord* Resolve(CatalogueAssets* assets) const;
  bool IsGiven() const { return hasFile || hasPart; }

  SearchPath searchPath{nullptr};
  bool hasFile = false;
  std::u16string file;
  bool hasPart = false;
  std::u16string prtName;
  std::u16string partName;
};
