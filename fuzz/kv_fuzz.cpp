// Fuzz target: the key/value reader on arbitrary bytes, both encodings, and the writer on
// whatever tree comes out.
// fuzz-seeds: data/*.ani data/*.wst data/*.lvl data/*.cfg data/*.lng data/*.prt data/*.evt
#include <cstddef>
#include <cstdint>

#include "engine/kvnode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (bool textMode : {false, true}) {
    auto root = ParseKVText(DecodeKVBytes(data, size, textMode));
    auto again = ParseKVText(WriteKVText(*root));
    (void)again;
  }
  return 0;
}
