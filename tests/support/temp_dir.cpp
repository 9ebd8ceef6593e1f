#include "support/temp_dir.h"

#include <atomic>
#include <unistd.h>

#include "platform/text.h"

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  m_path = std::filesystem::temp_directory_path() /
           ("krumbolt-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  std::filesystem::remove_all(m_path);
  std::filesystem::create_directories(m_path);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(m_path, ec);
}

std::u16string TempDir::File(const std::string& name) const { return platform::Utf8ToU16((m_path / name).string()); }
