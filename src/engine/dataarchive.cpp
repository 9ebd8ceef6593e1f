#include "engine/dataarchive.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.h"
#include "platform/text.h"

namespace {

constexpr size_t kMaxAnsiName = 1023;

uint32_t ReadU32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

void PutU32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + size_t(i)] = uint8_t(v >> (8 * i));
}

bool ReadAt(int fd, void* buf, size_t size, uint64_t offset) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::pread(fd, static_cast<uint8_t*>(buf) + done, size - done, off_t(offset + done));
    if (n <= 0) return false;
    done += size_t(n);
  }
  return true;
}

std::string AnsiName(std::u16string_view name) {
  std::string s = platform::U16ToCp1252(name);
  if (s.size() > kMaxAnsiName) s.resize(kMaxAnsiName);
  return s;
}

bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = char(x - 32);
    if (y >= 'a' && y <= 'z') y = char(y - 32);
    if (x != y) return false;
  }
  return true;
}

}  // namespace

std::unique_ptr<DataArchive> DataArchive::Open(std::u16string_view path) {
  int fd = ::open(platform::ToOsPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st;
  uint8_t header[8];
  if (::fstat(fd, &st) != 0 || !ReadAt(fd, header, 8, 0) || std::memcmp(header, "GOB", 4) != 0 ||
      ReadU32(header + 4) < 1) {
    ::close(fd);
    return nullptr;
  }
  auto archive = std::unique_ptr<DataArchive>(new DataArchive);
  archive->m_fd = fd;
  const uint64_t fileSize = uint64_t(st.st_size);
  // A count larger than the file can hold stops at the end of the file.
  uint64_t count = std::min<uint64_t>(ReadU32(header + 4), (fileSize - 8) / kEntryBytes);
  std::vector<uint8_t> dir(size_t(count) * kEntryBytes);
  if (count > 0 && !ReadAt(fd, dir.data(), dir.size(), 8)) count = 0;
  archive->m_entries.reserve(size_t(count));
  for (uint64_t i = 0; i < count; ++i) {
    const uint8_t* e = dir.data() + i * kEntryBytes;
    DirEntry d;
    d.entry.offset = ReadU32(e);
    d.entry.size = ReadU32(e + 4);
    const char* name = reinterpret_cast<const char*>(e + 8);
    const void* zero = std::memchr(name, 0, kNameBytes);
    d.name.assign(name, zero ? static_cast<const char*>(zero) - name : kNameBytes);
    d.usable = zero != nullptr && uint64_t(d.entry.offset) + d.entry.size <= fileSize;
    archive->m_entries.push_back(std::move(d));
  }
  return archive;
}

DataArchive::~DataArchive() {
  if (m_fd >= 0) ::close(m_fd);
}

std::optional<ArchiveEntry> DataArchive::Find(std::u16string_view name) const {
  if (name.empty()) return std::nullopt;
  const std::string wanted = AnsiName(name);
  if (wanted.size() >= kNameBytes) return std::nullopt;
  for (const auto& d : m_entries)
    if (d.usable && EqualIgnoringAsciiCase(d.name, wanted)) return d.entry;
  return std::nullopt;
}

std::optional<std::vector<uint8_t>> DataArchive::Read(const ArchiveEntry& entry, size_t maxBytes) const {
  if (entry.size > maxBytes) return std::nullopt;
  std::vector<uint8_t> data(entry.size);
  if (entry.size > 0 && !ReadAt(m_fd, data.data(), data.size(), entry.offset)) return std::nullopt;
  return data;
}

std::optional<std::vector<uint8_t>> DataArchive::ReadEntry(std::u16string_view name, size_t maxBytes) const {
  auto entry = Find(name);
  if (!entry) return std::nullopt;
  return Read(*entry, maxBytes);
}

std::vector<std::pair<std::u16string, ArchiveEntry>> DataArchive::List() const {
  std::vector<std::pair<std::u16string, ArchiveEntry>> out;
  for (const auto& d : m_entries) out.emplace_back(platform::Cp1252ToU16(d.name), d.entry);
  return out;
}

std::vector<std::u16string> DataArchive::Places(std::u16string_view fileName) {
  const char* env = std::getenv("KRUMBOLT_GOB");
  if (env && *env) return {platform::FromOsPath(env)};
  std::u16string name(fileName);
  std::vector<std::u16string> places{name};
  std::u16string exe = platform::ExecutableFolder();
  if (!exe.empty()) {
    places.push_back(exe + u"/" + name);
    places.push_back(exe + u"/../share/krumbolt/" + name);
  }
  return places;
}

std::u16string DataArchive::Locate(std::u16string_view fileName) {
  const std::vector<std::u16string> places = Places(fileName);
  // A path given in $KRUMBOLT_GOB is the archive, there or not.
  if (std::getenv("KRUMBOLT_GOB") && *std::getenv("KRUMBOLT_GOB")) return places.front();
  for (const std::u16string& place : places)
    if (platform::FileExists(place)) return place;
  return u"";
}

bool WriteDataArchive(std::u16string_view path,
                      const std::vector<std::pair<std::u16string, std::vector<uint8_t>>>& entries,
                      std::string* error) {
  auto fail = [&](std::string message) {
    if (error) *error = std::move(message);
    return false;
  };
  if (entries.empty()) return fail("an archive needs at least one entry");
  uint64_t offset = 8 + uint64_t(entries.size()) * DataArchive::kEntryBytes;
  std::vector<uint8_t> out(size_t(offset), 0);
  std::memcpy(out.data(), "GOB", 4);
  PutU32(out, 4, uint32_t(entries.size()));
  for (size_t i = 0; i < entries.size(); ++i) {
    const auto& [name, data] = entries[i];
    std::string ansi = platform::U16ToCp1252(name);
    if (ansi.empty() || ansi.size() >= DataArchive::kNameBytes) return fail("bad entry name: " + platform::U16ToUtf8(name));
    if (offset + data.size() > 0xFFFFFFFFull) return fail("archive larger than 4 GiB");
    size_t at = 8 + i * DataArchive::kEntryBytes;
    PutU32(out, at, uint32_t(offset));
    PutU32(out, at + 4, uint32_t(data.size()));
    std::memcpy(out.data() + at + 8, ansi.data(), ansi.size());
    offset += data.size();
  }
  for (const auto& entry : entries) out.insert(out.end(), entry.second.begin(), entry.second.end());
  if (!platform::WriteFileAtomic(path, out)) return fail("cannot write " + platform::U16ToUtf8(path));
  return true;
}
