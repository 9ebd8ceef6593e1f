// The player's campaign progress: the campaign keys earned so far, kept in "data.lck" in
// the per-user folder as a key/value document whose root "UNLOCK" holds one value per key.
// The game-wide object loads it when it is made and writes it back when it goes. The
// queries and the unlocking join it with the campaign screens and the battle's bookkeeping.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/playerfile.h"

class UnlockListe {
 public:
  UnlockListe() = default;
  UnlockListe(const UnlockListe&) = delete;
  UnlockListe& operator=(const UnlockListe&) = delete;

  // Appends every value of the file's root, unchanged; a missing, unreadable or damaged
  // file leaves the list as it is.
  void Load(std::u16string_view path);
  // Writes the whole list (an empty one too) through a temporary file, so a failed write
  // keeps the file there was. A file that could not be read is kept; a damaged one is kept
  // unless the list changed, and is then set aside as "data.lck.bad" first. False when
  // nothing was written.
  bool Save(std::u16string_view path) const;

  const std::vector<std::u16string>& GetKeys() const { return m_keys; }
  // Grants a campaign key; an empty key, or one held already, changes nothing.
  void Unlock(const std::u16string& key);
  bool IsUnlocked(std::u16string_view key) const;

 private:
  std::vector<std::u16string> m_keys;
  // What Load found, and the keys it read, to tell whether this run changed anything.
  PlayerFileState m_fileState = PlayerFileState::Missing;
  std::vector<std::u16string> m_loadedKeys;
};
