// Fuzz target: the archive reader on an arbitrary file, then lookups and reads.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "engine/dataarchive.h"
#include "platform/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/archive-fuzz-" + std::to_string(::getpid()) + ".gob";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  auto archive = DataArchive::Open(platform::Utf8ToU16(path));
  if (!archive) return 0;
  for (const auto& [name, entry] : archive->List()) {
    auto bytes = archive->ReadEntry(name);
    (void)bytes;
  }
  for (const char16_t* name : {u"a", u"menu.prt", u"KAMPAGNE\\kampagne.kam"}) archive->ReadEntry(name);
  return 0;
}
