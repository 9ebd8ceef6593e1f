#include "platform/files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/text.h"

namespace platform {

namespace {

// Lone low surrogates U+DC00 + byte carry the bytes of an OS path that UTF-8 text cannot:
// bytes of invalid sequences, and the backslash, which game paths take as a separator.
constexpr char16_t kRawByte = 0xDC00;

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(char(cp));
  } else if (cp < 0x800) {
    out.push_back(char(0xC0 | (cp >> 6)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(char(0xE0 | (cp >> 12)));
    out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(char(0xF0 | (cp >> 18)));
    out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  }
}

// The length of the well-formed UTF-8 sequence at i and its code point; 0 when there is none.
size_t Utf8Sequence(std::string_view s, size_t i, uint32_t& cp) {
  const auto b = [&](size_t k) { return uint8_t(s[i + k]); };
  const uint8_t lead = b(0);
  if (lead < 0x80) {
    cp = lead;
    return 1;
  }
  size_t len;
  uint32_t min;
  if ((lead & 0xE0) == 0xC0) {
    len = 2, cp = lead & 0x1F, min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    len = 3, cp = lead & 0x0F, min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    len = 4, cp = lead & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + len > s.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    if ((b(k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(k) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) return 0;
  return len;
}

}  // namespace

std::string ToOsPath(std::u16string_view path) {
  std::string out;
  out.reserve(path.size());
  for (size_t i = 0; i < path.size(); ++i) {
    uint32_t cp = path[i];
    if (cp == u'\\') {
      out.push_back('/');
    } else if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < path.size() && path[i + 1] >= 0xDC00 &&
               path[i + 1] < 0xE000) {
      AppendUtf8(out, 0x10000 + ((cp - 0xD800) << 10) + (path[i + 1] - 0xDC00u));
      ++i;
    } else if (cp >= kRawByte && cp <= kRawByte + 0xFF) {
      out.push_back(char(cp - kRawByte));
    } else if (cp >= 0xD800 && cp < 0xE000) {
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, cp);
    }
  }
  return out;
}

std::u16string FromOsPath(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    uint32_t cp = 0;
    size_t len = Utf8Sequence(bytes, i, cp);
    if (len == 0 || cp == '\\') {
      out.push_back(char16_t(kRawByte + uint8_t(bytes[i])));
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(char16_t(0xD800 + (cp >> 10)));
      out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(char16_t(cp));
    }
    i += len;
  }
  return out;
}

std::optional<std::vector<uint8_t>> ReadFileOs(const std::string& osPath, size_t maxBytes, std::string* error) {
  const auto fail = [&](std::string why) -> std::optional<std::vector<uint8_t>> {
    if (error) *error = std::move(why);
    return std::nullopt;
  };
  const auto tooLarge = [&] { return fail("larger than " + std::to_string(maxBytes) + " bytes"); };
  // Non-blocking, so that opening a FIFO cannot stall; only regular files are read.
  int fd = ::open(osPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return fail(std::strerror(errno));
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    int code = errno;
    ::close(fd);
    return fail(std::strerror(code));
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return fail(S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : "not a regular file");
  }
  if (uint64_t(st.st_size) > maxBytes) {
    ::close(fd);
    return tooLarge();
  }
  std::vector<uint8_t> data;
  data.reserve(size_t(st.st_size));
  uint8_t buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int code = errno;
      ::close(fd);
      return fail(std::strerror(code));
    }
    if (n == 0) break;
    // A file that grows while it is read stops at the limit as well.
    if (data.size() + size_t(n) > maxBytes) {
      ::close(fd);
      return tooLarge();
    }
    data.insert(data.end(), buf, buf + n);
  }
  ::close(fd);
  return data;
}

std::optional<std::vector<uint8_t>> ReadFile(std::u16string_view path, size_t maxBytes, std::string* error) {
  return ReadFileOs(ToOsPath(path), maxBytes, error);
}

bool FileExists(std::u16string_view path) {
  struct stat st;
  return ::stat(ToOsPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

namespace {

// The file a path finally names when it is a symbolic link (relative targets are taken from
// the link's folder), so that a write replaces the target and keeps the link. A chain longer
// than the system allows is left as it is.
std::string FollowLinks(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::string target(size_t(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
    ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
    if (n <= 0 || size_t(n) >= target.size()) return path;
    target.resize(size_t(n));
    if (target[0] != '/') {
      size_t slash = path.rfind('/');
      if (slash != std::string::npos) target = path.substr(0, slash + 1) + target;
    }
    path = std::move(target);
  }
  return path;
}

}  // namespace

bool WriteFileAtomicOs(const std::string& linkPath, const std::vector<uint8_t>& bytes, std::string* error) {
  const std::string osPath = FollowLinks(linkPath);
  int failure = 0;
  // A folder in the file's place would take the rename (an empty one) or refuse it late.
  struct stat st;
  if (::stat(osPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) failure = EISDIR;
  std::string temp = osPath + ".tmp-" + std::to_string(::getpid());
  int fd = failure ? -1 : ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    if (error) *error = std::strerror(failure ? failure : errno);
    return false;
  }
  size_t written = 0;
  while (written < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      failure = errno;
      break;
    }
    written += size_t(n);
  }
  if (!failure && ::fsync(fd) != 0) failure = errno;
  if (::close(fd) != 0 && !failure) failure = errno;
  if (!failure && ::rename(temp.c_str(), osPath.c_str()) != 0) failure = errno;
  if (failure) {
    ::unlink(temp.c_str());
    if (error) *error = std::strerror(failure);
    return false;
  }
  return true;
}

bool WriteFileAtomic(std::u16string_view path, const std::vector<uint8_t>& bytes, std::string* error) {
  return WriteFileAtomicOs(ToOsPath(path), bytes, error);
}

bool CreateFolder(std::u16string_view path) {
  std::string os = ToOsPath(path);
  if (::mkdir(os.c_str(), 0755) == 0) return true;
  struct stat st;
  return errno == EEXIST && ::stat(os.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::u16string UserDataBase() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && *xdg) return FromOsPath(xdg);
  const char* home = std::getenv("HOME");
  if (home && *home) {
    std::string base = std::string(home) + "/.local";
    ::mkdir(base.c_str(), 0755);
    base += "/share";
    ::mkdir(base.c_str(), 0755);
    return FromOsPath(base);
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
  return FromOsPath(p.substr(0, slash));
}

}  // namespace platform
