// Sound sets: several buffers holding copies of one sound, so the sound can play over
// itself, and the cache that shares one set per file name and search path.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/sound.h"

class APISound;
class DataArchive;
class SearchPath;

// What a requester asks the cache for; every pointer is borrowed for the call.
struct SoundKey {
  const std::u16string* fileName = nullptr;
  const SearchPath* searchPath = nullptr;  // null: the file name alone
  const DataArchive* archive = nullptr;
};

// Owned by the cache for the whole run; requesters keep plain pointers and never delete it.
class SoundSet {
 public:
  // Creates and fills `copyCount` buffers through the sound manager: over each folder of
  // the search path in turn until one loads, or from the file name itself.
  SoundSet(APISound* sound, int copyCount, const SoundKey& key);
  SoundSet(const SoundSet&) = delete;
  SoundSet& operator=(const SoundSet&) = delete;

  // Same file name (exact), and the key has no search path or its search path contains
  // the folder in which this set was found. A set that no folder held matches a search
  // path of exactly the folders it tried, so a missing sound is looked for only once.
  bool Matches(const SoundKey& key) const;

  int CopyCount() const { return int(m_buffers.size()); }
  // Slot i; null where a copy could not be made.
  platform::SoundBuffer* Buffer(int i) const { return m_buffers[size_t(i)].get(); }
  int UsableCount() const;
  const std::u16string& FileName() const { return m_fileName; }
  const std::u16string& FoundFolder() const { return m_foundFolder; }

 private:
  std::vector<std::unique_ptr<platform::SoundBuffer>> m_buffers;
  APISound* m_sound;
  std::u16string m_fileName;
  std::u16string m_foundFolder;
  // The folders searched when no folder held the file; empty otherwise.
  std::vector<std::u16string> m_triedFolders;
  bool m_failedOverPath = false;
};

// A member of the sound manager.
class SoundCache {
 public:
  SoundCache(APISound* sound, int copyCount) : m_sound(sound), m_copyCount(copyCount) {}
  // The first set that matches the key, else a new one appended to the cache.
  SoundSet* FindOrCreate(const SoundKey& key);
  // Deletes every set with its buffers.
  void Clear() { m_sets.clear(); }
  size_t Size() const { return m_sets.size(); }
  int CopyCount() const { return m_copyCount; }

 private:
  APISound* m_sound;
  int m_copyCount;
  std::vector<std::unique_ptr<SoundSet>> m_sets;
};
