// File-system access for the game: paths arrive as UTF-16 with either slash, go to the
// OS as UTF-8; writes go through a temporary file and a rename so that a failed write
// never loses the previous file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A game path (UTF-16, backslashes allowed) as the OS path it names.
std::string ToOsPath(std::u16string_view path);
// An OS path as a game path that ToOsPath turns back into the same bytes: bytes that are
// not UTF-8, and backslashes, are carried as they are rather than read as text.
std::u16string FromOsPath(std::string_view bytes);

// No content file comes near this; it keeps a wrong path from reading without end.
constexpr size_t kMaxFileBytes = size_t(256) << 20;

// Reads a regular file whole. A folder, device or FIFO, a file above maxBytes, or a failed
// read gives nothing, and `error` (when given) says why.
std::optional<std::vector<uint8_t>> ReadFile(std::u16string_view path, size_t maxBytes = kMaxFileBytes,
                                             std::string* error = nullptr);
std::optional<std::vector<uint8_t>> ReadFileOs(const std::string& osPath, size_t maxBytes = kMaxFileBytes,
                                               std::string* error = nullptr);
bool FileExists(std::u16string_view path);

// Writes the bytes to a temporary file beside the target, flushes it to disk and renames
// it over the target. On any failure the target is left as it was, false is returned and
// `error` (when given) says why. A symbolic link is written through: its target is replaced.
bool WriteFileAtomic(std::u16string_view path, const std::vector<uint8_t>& bytes, std::string* error = nullptr);
bool WriteFileAtomicOs(const std::string& osPath, const std::vector<uint8_t>& bytes,
                       std::string* error = nullptr);

// Creates the folder (only its last level); an existing folder counts as success.
bool CreateFolder(std::u16string_view path);

// The base folder for per-user data: $XDG_DATA_HOME, else $HOME/.local/share, else ".".
std::u16string UserDataBase();

// The folder of the running executable (UTF-16, no trailing slash), or empty.
std::u16string ExecutableFolder();

}  // namespace platform
