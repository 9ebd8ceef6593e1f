// A fresh folder for one test, removed afterwards.
#pragma once

#include <filesystem>
#include <string>

class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::filesystem::path& Path() const { return m_path; }
  std::u16string File(const std::string& name) const;

 private:
  std::filesystem::path m_path;
};
