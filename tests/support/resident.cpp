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

}  // namespace test_support
