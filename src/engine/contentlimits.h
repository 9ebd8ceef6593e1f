// Limits for counts read from content files. A count is a loop bound or an allocation size,
// so a damaged or hand-edited file could otherwise make start-up allocate without end; a
// value outside its range is held to the nearest end, and the file and key are named once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/kvnode.h"

namespace content {

// Frames across or down one sheet of an animation file ("ANZAHL").
constexpr int32_t kMaxSheetSide = 256;
// Numbers given to frames ("OFFSET", the entries of "REIHENFOLGE").
constexpr int32_t kMaxFrameNumber = 1 << 20;
// Points a path animation makes ("ANZ_PUNKTE"), and its split and smoothing passes, each
// of which doubles the points.
constexpr int32_t kMaxPathPoints = 4096;
constexpr int32_t kMaxPathPasses = 8;
// Clouds and animations of one kind of layer ("ANZ_WOLKEN", "ANZ_ANIMS", "RANDOM_POS_ANZ_ANIMS").
constexpr int32_t kMaxLayerObjects = 1000;

// Size limits of archive entries and data files by kind: far above anything shipped, far
// below what would exhaust memory.
constexpr size_t kMaxDocumentBytes = size_t(8) << 20;  // key/value documents, effects
constexpr size_t kMaxMediaBytes = size_t(32) << 20;    // images, sounds, fonts

// Says once on stderr (per file) that a data file could not be loaded and why.
void ReportFault(std::u16string_view file, std::string_view reason);

// Names the content file being read on this thread for the messages below; scopes nest.
class FileScope {
 public:
  explicit FileScope(std::u16string_view name);
  ~FileScope();
  FileScope(const FileScope&) = delete;
  FileScope& operator=(const FileScope&) = delete;
  static std::u16string_view Current();

 private:
  std::u16string m_name;
  const FileScope* m_outer;
};

// A document read from a content file, named for the messages while it lives.
class ScopedDocument {
 public:
  ScopedDocument(std::u16string_view name, std::unique_ptr<KVNode> document)
      : m_scope(name), m_document(std::move(document)) {}
  KVNode* get() const { return m_document.get(); }

 private:
  FileScope m_scope;
  std::unique_ptr<KVNode> m_document;
};

// Holds `value` to min .. max. A value outside is clamped, with one message on stderr naming
// the file being read and the key (once per file and key).
int32_t Clamp(int32_t value, int32_t min, int32_t max, std::u16string_view key);
// Reads the index-th value of `key` as a count held to min .. max; false (out unchanged)
// when the key or value is missing.
bool ReadCount(const KVNode& node, std::u16string_view key, int32_t& out, int32_t min, int32_t max,
               unsigned index = 0);

}  // namespace content
