// Points the per-user folder (XDG_DATA_HOME) at a fresh temporary folder for one test.
#pragma once

#include <filesystem>
#include <string>

#include "support/temp_dir.h"

class UserFolder {
 public:
  UserFolder();
  ~UserFolder();
  std::filesystem::path Config() const { return m_dir.Path() / "Krumbolt" / "config.cfg"; }
  // Writes config.cfg with these bytes.
  void Write(const std::string& bytes) const;

 private:
  TempDir m_dir;
  std::string m_old;
};
