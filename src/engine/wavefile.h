// Reading RIFF WAVE sounds from the data archive: the format record and the sample data.
// Every chunk is checked against the bytes that hold it, so a damaged file fails to open
// instead of being read past its end.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

class DataArchive;

class WaveFile {
 public:
  static constexpr int32_t kOk = 0;
  static constexpr int32_t kFail = int32_t(0x80004005);
  static constexpr int32_t kInvalidArg = int32_t(0x80070057);
  static constexpr int32_t kNotInitialized = int32_t(0x800401F0);

  WaveFile() = default;
  ~WaveFile() { Close(); }
  WaveFile(const WaveFile&) = delete;
  WaveFile& operator=(const WaveFile&) = delete;

  // Opens the named archive entry: kInvalidArg for a null name, kFail when the archive is
  // null, the entry is missing, or the entry is not a RIFF WAVE with "fmt " and "data".
  int32_t Open(const DataArchive* archive, const char16_t* name);
  // The same over bytes already in memory (the file takes a copy).
  int32_t OpenMemory(const uint8_t* bytes, size_t size);
  // Copies at most `count` bytes, never more than the unread sample data.
  int32_t Read(uint8_t* destination, uint32_t count, uint32_t* bytesRead);
  // kNotInitialized when nothing is open. Frees the entry's bytes.
  int32_t Close();

  bool IsOpen() const { return m_open; }
  // The format record: 16 bytes of format, a 16-bit count of extra bytes, then those bytes
  // (PCM: the count is 0). Empty until a format has been read.
  const std::vector<uint8_t>& FormatBlock() const { return m_format; }
  uint16_t FormatTag() const { return Get16(0); }
  uint16_t Channels() const { return Get16(2); }
  uint32_t SamplesPerSec() const { return Get32(4); }
  uint32_t AvgBytesPerSec() const { return Get32(8); }
  uint16_t BlockAlign() const { return Get16(12); }
  uint16_t BitsPerSample() const { return Get16(14); }
  uint16_t ExtraSize() const { return Get16(16); }
  // Size of the sample data, set when the file is opened.
  uint32_t DataSize() const { return m_dataSize; }
  // Sample data not yet read.
  uint32_t Remaining() const { return m_remaining; }

 private:
  uint16_t Get16(size_t at) const;
  uint32_t Get32(size_t at) const;
  int32_t Parse();

  std::vector<uint8_t> m_bytes;  // the whole entry while open
  std::vector<uint8_t> m_format;
  size_t m_dataOffset = 0;
  uint32_t m_dataSize = 0;
  uint32_t m_remaining = 0;
  bool m_open = false;
};
