#include "engine/searchpath.h"

#include "engine/kvnode.h"
#include "platform/text.h"

namespace {

void TrimBackslashes(std::u16string& s) {
  while (!s.empty() && s.back() == u'\\') s.pop_back();
  size_t lead = 0;
  while (lead < s.size() && s[lead] == u'\\') ++lead;
  s.erase(0, lead);
}

}  // namespace

SearchPath::SearchPath(const KVNode* node) {
  if (!node) {
    m_folders.emplace_back();
    return;
  }
  for (unsigned i = 0; i < node->GetValueCount(); ++i) {
    std::u16string folder = node->GetValue(i)->Text();
    AddFolder(folder);
  }
}

SearchPath::SearchPath(std::u16string& folder) { AddFolder(folder); }

void SearchPath::AddFolder(std::u16string& folder) {
  TrimBackslashes(folder);
  m_folders.push_back(folder);
}

std::u16string SearchPath::GetFolder(int index) const {
  if (index < 0 || index >= GetCount()) return {};
  return m_folders[size_t(index)];
}

bool SearchPath::Contains(std::u16string_view folder) const {
  for (const auto& f : m_folders)
    if (f == folder) return true;
  return false;
}

std::u16string JoinPath(std::u16string_view folder, std::u16string_view file) {
  std::u16string dir = platform::AsciiLower(folder);
  std::u16string name = platform::AsciiLower(file);
  TrimBackslashes(dir);
  TrimBackslashes(name);
  if (dir.empty()) return name;
  return dir + u'\\' + name;
}

std::u16string JoinPath(const std::u16string* folder, const std::u16string* file) {
  return JoinPath(folder ? std::u16string_view(*folder) : std::u16string_view(),
                  file ? std::u16string_view(*file) : std::u16string_view());
}
