// The folders in which a data file names its images, sounds and effects, and the one way
// a folder and a file name are joined into a lookup path.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class KVNode;

// An ordered list of folders, each kept without leading or trailing backslashes and in
// its own letter case; an empty folder stands for the file name alone.
class SearchPath {
 public:
  // One folder per value of the node, in order; a null node gives one empty folder.
  explicit SearchPath(const KVNode* node);
  // One folder (trimmed in place).
  explicit SearchPath(std::u16string& folder);

  void AddFolder(std::u16string& folder);
  int GetCount() const { return int(m_folders.size()); }
  // A copy of the folder; empty for an index out of range.
  std::u16string GetFolder(int index) const;
  // Exact, case-sensitive comparison with every folder.
  bool Contains(std::u16string_view folder) const;

 private:
  std::vector<std::u16string> m_folders;
};

// Folder and file name, each trimmed of leading and trailing backslashes and lower-cased
// (A to Z), joined with one backslash; the file name alone when the folder is empty.
// Null pointers count as empty.
std::u16string JoinPath(const std::u16string* folder, const std::u16string* file);
std::u16string JoinPath(std::u16string_view folder, std::u16string_view file);
