// The per-user folder of one test.
#include "support/user_folder.h"

#include <cstdlib>
#include <fstream>

UserFolder::UserFolder() {
  const char* old = std::getenv("XDG_DATA_HOME");
  m_old = old ? old : "";
  setenv("XDG_DATA_HOME", m_dir.Path().c_str(), 1);
}

UserFolder::~UserFolder() { setenv("XDG_DATA_HOME", m_old.c_str(), 1); }

void UserFolder::Write(const std::string& bytes) const {
  std::filesystem::create_directories(Config().parent_path());
  std::ofstream(Config(), std::ios::binary) << bytes;
}
