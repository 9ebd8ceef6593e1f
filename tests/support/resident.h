// The process's resident memory, for tests of memory that must stay untouched.
#pragma once

#include <cstddef>

namespace test_support {

// Bytes of the process resident in memory now (from /proc/self/statm); 0 when unknown.
size_t ResidentBytes();
// False where the resident size is not the program's own: the thread sanitizer maps shadow
// memory for every page the program touches, so a few written pages cost several more.
bool ResidentBytesAreTheProgramsOwn();

}  // namespace test_support
