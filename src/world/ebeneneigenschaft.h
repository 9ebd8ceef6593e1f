// Layer property sets: the gravity a level's world runs with, by name. The sets come from
// "eigenschaften.egs" into one game-wide list; a level picks one by name or brings its own,
// and the world keeps a copy.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/gfxtypes.h"

class KVNode;

struct EbenenEigenschaft {
  // Defaults; with a node, its "NAME" and "GRAVITATION" (a missing value keeps its default).
  explicit EbenenEigenschaft(const KVNode* node = nullptr);

  // Pixels per second squared, y down; particles add it times their own factor.
  Vector2 gravity{0.0f, 100.0f};
  double factor = 1.0;
  std::u16string name = u"DEFAULT";
};

class EbenenEigenschaften {
 public:
  // The built-in default set comes first, so a file set named "DEFAULT" is never found.
  EbenenEigenschaften();
  EbenenEigenschaften(const EbenenEigenschaften&) = delete;
  EbenenEigenschaften& operator=(const EbenenEigenschaften&) = delete;

  // One set per "EBENENEIGENSCHAFTEN" child of the root, in order; null loads nothing.
  void Load(const KVNode* root);
  // The first set of that exact name from the front; the default set for no name or no match.
  const EbenenEigenschaft& Find(const std::u16string* name) const;
  const EbenenEigenschaft& Find(const std::u16string& name) const { return Find(&name); }

  const EbenenEigenschaft& GetDefault() const { return *m_sets.front(); }
  size_t GetCount() const { return m_sets.size(); }

 private:
  std::vector<std::unique_ptr<EbenenEigenschaft>> m_sets;
};
