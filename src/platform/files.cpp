#include "platform/files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/text.h"

namespace platform {

std::string ToOsPath(std::u16string_view path) {
  std::u16string p(path);
  for (auto& c : p)
    if (c == u'\\') c = u'/';
  return U16ToUtf8(p);
}

std::optional<std::vector<uint8_t>> ReadFileOs(const std::string& osPath) {
  FILE* f = std::fopen(osPath.c_str(), "rb");
  if (!f) return std::nullopt;
  std::vector<uint8_t> data;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + n);
  bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) return std::nullopt;
  return data;
}

std::optional<std::vector<uint8_t>> ReadFile(std::u16string_view path) { return ReadFileOs(ToOsPath(path)); }

bool FileExists(std::u16string_view path) {
  struct stat st;
  return ::stat(ToOsPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool WriteFileAtomicOs(const std::string& osPath, const std::vector<uint8_t>& bytes) {
  std::string temp = osPath + ".tmp-" + std::to_string(::getpid());
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  size_t written = 0;
  while (written < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    written += size_t(n);
  }
  bool ok = written == bytes.size() && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(temp.c_str(), osPath.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

bool WriteFileAtomic(std::u16string_view path, const std::vector<uint8_t>& bytes) {
  return WriteFileAtomicOs(ToOsPath(path), bytes);
}

bool CreateFolder(std::u16string_view path) {
  std::string os = ToOsPath(path);
  if (::mkdir(os.c_str(), 0755) == 0) return true;
  struct stat st;
  return errno == EEXIST && ::stat(os.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::u16string UserDataBase() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && *xdg) return Utf8ToU16(xdg);
  const char* home = std::getenv("HOME");
  if (home && *home) {
    std::string base = std::string(home) + "/.local";
    ::mkdir(base.c_str(), 0755);
    base += "/share";
    ::mkdir(base.c_str(), 0755);
    return Utf8ToU16(base);
  }
  return u".";
}

std::u16string ExecutableFolder() {
  char buf[4096];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return u"";
  std::string p(buf, size_t(n));
  size_t slash = p.rfind('/');
  if (slash == std::string::npos) return u"";
  return Utf8ToU16(p.substr(0, slash));
}

}  // namespace platform
