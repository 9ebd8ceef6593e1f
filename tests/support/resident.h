// The process's resident memory, for tests of memory that must stay untouched.
#pragma once

#include <cstddef>

namespace test_support {

// Bytes of the process resident in memory now (from /proc/self/statm); 0 when unknown.
size_t ResidentBytes();

}  // namespace test_support
