// The effects a level's setting switches on for as long as the level runs: each entry's
// effect copied from the library by name, put on the active list and given the parameters
// the entry sets, at once. The camera keeps one set for the battle's level; the menu world
// keeps its own.
#pragma once

#include <vector>

struct SettingPostEffect;
class MyPostEffect;
class PostEffectLibrary;

class LevelEffects {
 public:
  explicit LevelEffects(PostEffectLibrary* library = nullptr) : m_library(library) {}
  // Takes its effects off the list and deletes them.
  ~LevelEffects();
  LevelEffects(const LevelEffects&) = delete;
  LevelEffects& operator=(const LevelEffects&) = delete;

  void SetLibrary(PostEffectLibrary* library) { m_library = library; }
  // Clears what there was, then switches on each entry's effect; names the library does
  // not know are left out.
  void Apply(const std::vector<SettingPostEffect>& entries);
  // Adds one entry's effect; false when the library does not know it.
  bool Add(const SettingPostEffect& entry);
  void Clear();
  const std::vector<MyPostEffect*>& Effects() const { return m_effects; }

 private:
  PostEffectLibrary* m_library;
  std::vector<MyPostEffect*> m_effects;
};
