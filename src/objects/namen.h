// The name lists read from "namen.nam": person names and team names (a second list of team
// names for English), from which new worms and teams take their names. The game-wide
// object keeps the one list; the main scene fills it at start-up.
#pragma once

#include <string>
#include <vector>

class KVNode;
class Sprache;

class Namen {
 public:
  Namen() = default;
  Namen(const Namen&) = delete;
  Namen& operator=(const Namen&) = delete;

  // Appends every value of each TEAMNAMEN, then TEAMNAMEN_ENG, then NAMEN child. A null
  // block adds nothing.
  void Load(const KVNode* block);
  // `count` team names (a negative count: as many as the list holds), the list repeated
  // when it is shorter, in an order shuffled by the game's generator. The English list
  // serves when the language table's active language is "ENGLISCH" (the process-wide
  // table when none is given).
  std::vector<std::u16string> PickTeamNames(int count, const Sprache* language = nullptr) const;
  // The same over the person names.
  std::vector<std::u16string> PickNames(int count) const;
  // The first name of the (shuffled) list that is not among the taken ones; when every one
  // is taken, one of the list drawn at random; empty for an empty list.
  static std::u16string FirstUnused(const std::vector<std::u16string>& shuffled,
                                    const std::vector<std::u16string>& taken);
  // One element drawn at random; "Typ" for an empty list.
  static std::u16string RandomName(const std::vector<std::u16string>& list);

  const std::vector<std::u16string>& PersonNames() const { return m_names; }
  const std::vector<std::u16string>& TeamNames() const { return m_teamNames; }
  const std::vector<std::u16string>& EnglishTeamNames() const { return m_teamNamesEnglish; }

 private:
  std::vector<std::u16string> m_names;
  std::vector<std::u16string> m_teamNames;
  std::vector<std::u16string> m_teamNamesEnglish;
};
