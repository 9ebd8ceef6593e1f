// What the setting catalogue asks of the engine while it loads: textures by name and fresh
// copies of moving animations for the backdrops. In the game the texture-definition cache
// and the animation manager answer (GameCatalogueAssets); tests hand in their own answers.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "engine/bewegteanimation.h"
#include "engine/gfxtypes.h"
#include "engine/searchpath.h"
#include "engine/spriterenderer.h"

class AnimationManager;
class DataArchive;
class KVNode;
class TexturDefCache;

class CatalogueAssets {
 public:
  virtual ~CatalogueAssets() = default;
  // The whole image `file`, or with a part name that part of the sprite-definition file
  // `file`, looked up in the search path's folders; null when it cannot be had. What is
  // returned is kept by its owner for the whole run.
  virtual const TexturePartRecord* GetTexture(const std::u16string& file, const SearchPath& searchPath,
                                              const std::u16string* partName) = 0;
  // A new copy of the named moving animation; null for a name the manager does not have.
  virtual std::unique_ptr<BewegteAnimation> CreateBewegteAnimation(std::u16string_view name) = 0;
  // The picture is used rarely, and perhaps never (a run shows few of the catalogue's
  // settings): its memory may go until it is drawn or stamped, when it is read again.
  virtual void ReleaseUntilUsed(const TexturePartRecord* /*picture*/) {}
};

// The game's answers: the graphics manager's texture-definition cache reading from the
// archive, and the game-wide animation manager. Either may be null (nothing is found).
class GameCatalogueAssets final : public CatalogueAssets {
 public:
  GameCatalogueAssets(TexturDefCache* cache, const AnimationManager* animations, const DataArchive* archive)
      : m_cache(cache), m_animations(animations), m_archive(archive) {}

  const TexturePartRecord* GetTexture(const std::u16string& file, const SearchPath& searchPath,
                                      const std::u16string* partName) override;
  std::unique_ptr<BewegteAnimation> CreateBewegteAnimation(std::u16string_view name) override;
  void ReleaseUntilUsed(const TexturePartRecord* picture) override;

 private:
  TexturDefCache* m_cache;
  const AnimationManager* m_animations;
  const DataArchive* m_archive;
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
