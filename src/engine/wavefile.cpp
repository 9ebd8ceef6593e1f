#include "engine/wavefile.h"

#include <algorithm>
#include <cstring>

#include "engine/contentlimits.h"
#include "engine/dataarchive.h"

namespace {

uint32_t ReadU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t ReadU16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
bool IsId(const uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

struct Chunk {
  size_t offset = 0;  // first byte of the chunk's data
  uint32_t size = 0;
};

enum class Found { Yes, No, Damaged };

// Finds the first chunk `id` among the chunks laid end to end in [begin, end). A chunk
// that claims more bytes than its parent holds ends the search; if it is the one looked
// for, the file is damaged.
Found FindChunk(const std::vector<uint8_t>& bytes, size_t begin, size_t end, const char* id, Chunk& out) {
  uint64_t pos = begin;
  while (pos + 8 <= end) {
    const uint8_t* head = bytes.data() + pos;
    uint32_t size = ReadU32(head + 4);
    uint64_t body = pos + 8;
    bool fits = size <= end - body;
    if (IsId(head, id)) {
      if (!fits) return Found::Damaged;
      out.offset = size_t(body);
      out.size = size;
      return Found::Yes;
    }
    if (!fits) return Found::No;
    pos = body + size + (size & 1);
  }
  return Found::No;
}

}  // namespace

uint16_t WaveFile::Get16(size_t at) const {
  return at + 2 <= m_format.size() ? ReadU16(m_format.data() + at) : 0;
}

uint32_t WaveFile::Get32(size_t at) const {
  return at + 4 <= m_format.size() ? ReadU32(m_format.data() + at) : 0;
}

int32_t WaveFile::Open(const DataArchive* archive, const char16_t* name) {
  Close();
  m_format.clear();
  m_dataSize = 0;
  if (!name) return kInvalidArg;
  if (!archive) return kFail;
  auto entry = archive->Find(name);
  if (!entry) return kFail;
  auto bytes = archive->Read(*entry, content::kMaxMediaBytes);
  if (!bytes) {
    content::ReportFault(name, entry->size > content::kMaxMediaBytes ? "the sound is too large" : "the archive could not be read");
    return kFail;
  }
  m_bytes = std::move(*bytes);
  const int32_t result = Parse();
  if (result < 0) content::ReportFault(name, "not a sound this game plays (RIFF WAVE, PCM)");
  return result;
}

int32_t WaveFile::OpenMemory(const uint8_t* bytes, size_t size) {
  Close();
  m_format.clear();
  m_dataSize = 0;
  if (!bytes && size) return kInvalidArg;
  if (size) m_bytes.assign(bytes, bytes + size);
  return Parse();
}

int32_t WaveFile::Parse() {
  auto fail = [this] {
    m_bytes.clear();
    m_bytes.shrink_to_fit();
    m_format.clear();
    return kFail;
  };
  if (m_bytes.size() < 12 || !IsId(m_bytes.data(), "RIFF") || !IsId(m_bytes.data() + 8, "WAVE"))
    return fail();
  uint64_t riffEnd = 8 + uint64_t(ReadU32(m_bytes.data() + 4));
  if (riffEnd < 12 || riffEnd > m_bytes.size()) return fail();

  Chunk fmt;
  if (FindChunk(m_bytes, 12, size_t(riffEnd), "fmt ", fmt) != Found::Yes || fmt.size < 16) return fail();
  const uint8_t* f = m_bytes.data() + fmt.offset;
  m_format.assign(f, f + 16);
  uint16_t extra = 0;
  if (ReadU16(f) != 1 && fmt.size >= 18) {
    extra = ReadU16(f + 16);
    // The extra bytes must lie inside the format chunk.
    if (extra > fmt.size - 18) return fail();
  }
  m_format.push_back(uint8_t(extra));
  m_format.push_back(uint8_t(extra >> 8));
  if (extra) m_format.insert(m_format.end(), f + 18, f + 18 + extra);

  Chunk data;
  if (FindChunk(m_bytes, 12, size_t(riffEnd), "data", data) != Found::Yes) return fail();
  m_dataOffset = data.offset;
  m_dataSize = data.size;
  m_remaining = data.size;
  m_open = true;
  return kOk;
}

int32_t WaveFile::Read(uint8_t* destination, uint32_t count, uint32_t* bytesRead) {
  if (!m_open) return kNotInitialized;
  if (!destination || !bytesRead) return kInvalidArg;
  uint32_t n = std::min(count, m_remaining);
  if (n) std::memcpy(destination, m_bytes.data() + m_dataOffset + (m_dataSize - m_remaining), n);
  m_remaining -= n;
  *bytesRead = n;
  return kOk;
}

int32_t WaveFile::Close() {
  if (!m_open) return kNotInitialized;
  m_open = false;
  m_bytes.clear();
  m_bytes.shrink_to_fit();
  m_dataOffset = 0;
  m_remaining = 0;
  return kOk;
}
