// The player's own files in the per-user folder (configuration, campaign progress): how a
// read went, so that a file the game could not read is never replaced by an empty one, and
// what a save that failed is told on stderr.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "engine/kvnode.h"

enum class PlayerFileState {
  Missing,     // not there: a new one may be written
  Read,        // read and parsed whole
  Unreadable,  // there but could not be read (permissions, a folder, too large): kept as it is
  Damaged,     // read but not a document of its kind: set aside before a new one is written
};

struct PlayerFile {
  PlayerFileState state = PlayerFileState::Missing;
  // The parsed document when the state is Read.
  std::unique_ptr<KVNode> root;
};

// No player file comes near this size.
constexpr size_t kMaxPlayerFileBytes = size_t(4) << 20;

// Reads a player file whose root node is named `rootName` (compared exactly). Says on stderr
// what was wrong with an unreadable or damaged file.
PlayerFile LoadPlayerFile(std::u16string_view path, std::u16string_view rootName);
// Writes the document; a failure is told on stderr (what, where and why) and gives false.
bool SavePlayerFile(std::u16string_view path, const KVNode& root, const char* what);
// Moves a damaged file aside to path + ".bad" (replacing an older one), with a message.
bool SetAsideDamaged(std::u16string_view path);
// Writes the document unless the file's state forbids it: an unreadable file is kept, a
// damaged one is set aside first. Returns whether the document was written.
bool SavePlayerFileOver(std::u16string_view path, PlayerFileState state, const KVNode& root, const char* what);
