// The graphics manager's second cache: image records, each owning its textures, memory
// blocks and names, kept from creation until the manager releases its device objects.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/texture.h"

// One image with the textures made from it (up to ten further ones), the memory blocks it
// was read from and its two names. Destroying the record releases all of them.
struct ImageRecord {
  std::unique_ptr<platform::Texture> texture;
  std::array<std::unique_ptr<platform::Texture>, 10> furtherTextures;
  std::array<std::vector<uint8_t>, 2> blocks;
  std::array<std::u16string, 2> names;
};

// Owned by the graphics manager; empty at its creation, emptied before its device goes.
class ImageRecordCache {
 public:
  ImageRecordCache() = default;
  ImageRecordCache(const ImageRecordCache&) = delete;
  ImageRecordCache& operator=(const ImageRecordCache&) = delete;

  // Takes ownership; null is ignored. The record stays where it is until the cache is cleared.
  ImageRecord* Add(std::unique_ptr<ImageRecord> record);
  // The first record whose first name is `name`, or null.
  ImageRecord* Find(std::u16string_view name) const;
  size_t Size() const { return m_records.size(); }
  // Destroys every record, last first.
  void Clear();

 private:
  std::vector<std::unique_ptr<ImageRecord>> m_records;
};
