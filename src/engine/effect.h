// Effect files loaded through the graphics manager's device, and the cache that shares one
// loaded file among all its users. The graphics manager owns the cache; the post effects ask
// it for their files and work with the compiled effect.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/resetobjekt.h"
#include "engine/spriterenderer.h"
#include "platform/effect.h"

class APIGraphics;
class DataArchive;
class SearchPath;

// One effect file. The compiled effect is null when loading failed; users test it before use.
// While it serves as the sprite renderer's effect, each sprite quad is drawn with the pass
// now begun, the sprite's texture bound as "g_Textur_SRC".
class Effect : public ResetObjekt, public SpriteEffect {
 public:
  // Registers with the graphics manager's reset registry, then loads: with a search path,
  // from the first folder that yields an effect (folder and name joined by JoinPath); without
  // one, the name as it is.
  Effect(APIGraphics* graphics, std::u16string name, const SearchPath* path, const DataArchive* archive);
  ~Effect() override;
  Effect(const Effect&) = delete;
  Effect& operator=(const Effect&) = delete;

  platform::Effect* GetEffect() const { return m_effect.get(); }
  const std::u16string& GetFileName() const { return m_fileName; }
  // The search-path folder the file was found in; empty without a search path or when the
  // file was not found.
  const std::u16string& GetFolder() const { return m_folder; }
  // A failed load made with a search path: whether it tried exactly the folders of `path`.
  bool TriedFolders(const SearchPath& path) const;

  void OnResetDevice() override;
  void OnLostDevice() override;

  void SetSourceTexture(platform::Texture* texture) override;
  void CommitChanges() override;
  int CurrentPass() const override;
  platform::DrawState PassState() const override;

 private:
  std::unique_ptr<platform::Effect> m_effect;
  APIGraphics* m_graphics;
  std::u16string m_fileName;
  std::u16string m_folder;
  std::vector<std::u16string> m_triedFolders;
  bool m_loadedWithPath = false;
  platform::EffectHandle m_sourceTexture;
};

class EffectCache {
 public:
  explicit EffectCache(APIGraphics* graphics) : m_graphics(graphics) {}
  ~EffectCache();
  EffectCache(const EffectCache&) = delete;
  EffectCache& operator=(const EffectCache&) = delete;

  // The first cached effect of exactly this name (letter case counts) and, with a path,
  // found in one of the path's folders; else a new one, loaded, cached and returned. A
  // failed load is cached too, so asking again makes no second attempt.
  Effect* Get(const std::u16string& name, const SearchPath* path, const DataArchive* archive);
  size_t Count() const { return m_effects.size(); }
  // Deletes every cached effect (the graphics manager's release, before the device goes).
  void Clear();

 private:
  APIGraphics* m_graphics;
  std::vector<std::unique_ptr<Effect>> m_effects;
};
