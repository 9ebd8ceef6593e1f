#include "support/resident.h"

#include <unistd.h>

#include <fstream>

namespace test_support {

size_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  size_t total = 0, resident = 0;
  if (!(statm >> total >> resident)) return 0;
  return resident * size_t(sysconf(_SC_PAGESIZE));
}

bool ResidentBytesAreTheProgramsOwn() {
#if defined(__SANITIZE_THREAD__)
  return false;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
  return false;
#else
  return true;
#endif
#else
  return true;
#endif
}

}  // namespace test_support
