// The one read-only content archive ("GOB" files): a directory of named entries followed
// by their plain data. Entries are looked up by name, ignoring the case of A to Z.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ArchiveEntry {
  uint32_t offset = 0;
  uint32_t size = 0;
};

class DataArchive {
 public:
  static constexpr size_t kNameBytes = 260;
  static constexpr size_t kEntryBytes = 268;

  // Opens and checks an archive: the magic "GOB\0" and at least one entry. Null otherwise.
  static std::unique_ptr<DataArchive> Open(std::u16string_view path);
  ~DataArchive();
  DataArchive(const DataArchive&) = delete;
  DataArchive& operator=(const DataArchive&) = delete;

  // The first entry whose name matches; names are compared as Windows-1252 bytes.
  std::optional<ArchiveEntry> Find(std::u16string_view name) const;
  // Entries claim up to 4 GiB; one above maxBytes is refused rather than read whole.
  static constexpr size_t kMaxEntryBytes = size_t(64) << 20;
  std::optional<std::vector<uint8_t>> Read(const ArchiveEntry& entry, size_t maxBytes = kMaxEntryBytes) const;
  std::optional<std::vector<uint8_t>> ReadEntry(std::u16string_view name, size_t maxBytes = kMaxEntryBytes) const;
  size_t EntryCount() const { return m_entries.size(); }
  // Every entry in directory order, names decoded from Windows-1252 (tools and tests).
  std::vector<std::pair<std::u16string, ArchiveEntry>> List() const;

  // Where the game looks for its archive: $KRUMBOLT_GOB, the working directory, beside
  // the executable, then the installed data folder. Empty when none exists.
  static std::u16string Locate(std::u16string_view fileName = u"krumbolt.gob");
  // The places Locate tries, in its order (only $KRUMBOLT_GOB when that is set).
  static std::vector<std::u16string> Places(std::u16string_view fileName = u"krumbolt.gob");

 private:
  struct DirEntry {
    ArchiveEntry entry;
    std::string name;  // Windows-1252 bytes
    bool usable;       // has a terminating zero and data inside the file
  };
  DataArchive() = default;

  int m_fd = -1;
  std::vector<DirEntry> m_entries;
};

// Writes an archive from (name, bytes) pairs in the given order. Names are converted to
// Windows-1252; returns false when a name does not fit or the file cannot be written.
bool WriteDataArchive(std::u16string_view path,
                      const std::vector<std::pair<std::u16string, std::vector<uint8_t>>>& entries,
                      std::string* error = nullptr);
