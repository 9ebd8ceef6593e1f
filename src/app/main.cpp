// The program's entry.
#include <cstdio>

#include "engine/dataarchive.h"
#include "platform/text.h"

int main() {
  std::u16string path = DataArchive::Locate();
  auto archive = path.empty() ? nullptr : DataArchive::Open(path);
  if (!archive) {
    std::fprintf(stderr, "Krumbolt: no content archive krumbolt.gob found\n");
    return 1;
  }
  std::printf("Krumbolt: %zu content entries in %s\n", archive->EntryCount(), platform::U16ToUtf8(path).c_str());
  return 0;
}
