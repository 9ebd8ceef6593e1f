// Reading and writing the player's own files.
#include "engine/playerfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "platform/files.h"
#include "platform/text.h"

namespace {

std::string Show(std::u16string_view path) { return platform::ToOsPath(path); }

}  // namespace

PlayerFile LoadPlayerFile(std::u16string_view path, std::u16string_view rootName) {
  PlayerFile file;
  const std::string osPath = platform::ToOsPath(path);
  struct stat st;
  if (::stat(osPath.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR)) return file;
  std::string error;
  auto bytes = platform::ReadFileOs(osPath, kMaxPlayerFileBytes, &error);
  if (!bytes) {
    file.state = PlayerFileState::Unreadable;
    std::fprintf(stderr, "Krumbolt: %s cannot be read (%s); it is kept as it is and not written\n", osPath.c_str(),
                 error.c_str());
    return file;
  }
  // The writer always puts its own header first; a file without it is not one of ours.
  const std::u16string text = DecodeKVBytes(bytes->data(), bytes->size(), true);
  KVSyntax syntax;
  size_t pos = 0;
  std::unique_ptr<KVNode> root;
  if (KVSyntax::FromText(text, syntax, pos)) root = ParseKVText(text);
  if (!root || root->Name() != rootName) {
    file.state = PlayerFileState::Damaged;
    std::fprintf(stderr, "Krumbolt: %s is damaged (no \"%s\" document); it is set aside before a new one is written\n",
                 osPath.c_str(), platform::U16ToUtf8(rootName).c_str());
    return file;
  }
  file.state = PlayerFileState::Read;
  file.root = std::move(root);
  return file;
}

bool SavePlayerFile(std::u16string_view path, const KVNode& root, const char* what) {
  std::string error;
  if (platform::WriteFileAtomic(path, platform::U16ToUtf16LE(WriteKVText(root), true), &error)) return true;
  std::fprintf(stderr, "Krumbolt: the %s could not be saved to %s (%s)\n", what, Show(path).c_str(), error.c_str());
  return false;
}

bool SetAsideDamaged(std::u16string_view path) {
  const std::string from = Show(path), to = from + ".bad";
  if (std::rename(from.c_str(), to.c_str()) == 0) {
    std::fprintf(stderr, "Krumbolt: the damaged %s was kept as %s\n", from.c_str(), to.c_str());
    return true;
  }
  std::fprintf(stderr, "Krumbolt: the damaged %s could not be set aside (%s)\n", from.c_str(), std::strerror(errno));
  return false;
}

bool SavePlayerFileOver(std::u16string_view path, PlayerFileState state, const KVNode& root, const char* what) {
  if (state == PlayerFileState::Unreadable) {
    std::fprintf(stderr, "Krumbolt: the %s is not saved: %s could not be read and is kept\n", what,
                 Show(path).c_str());
    return false;
  }
  // A damaged file that cannot be moved aside stays where it is rather than be lost.
  if (state == PlayerFileState::Damaged && !SetAsideDamaged(path)) return false;
  return SavePlayerFile(path, root, what);
}
