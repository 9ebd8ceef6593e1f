// Fuzz target: the WAV reader on arbitrary bytes, then reading the samples in pieces.
// fuzz-seeds: $BUILD/gen/sounds/*.wav
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/wavefile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  WaveFile wave;
  if (wave.OpenMemory(data, size) != WaveFile::kOk) return 0;
  (void)wave.FormatTag();
  (void)wave.ExtraSize();
  std::vector<uint8_t> buffer(4096);
  uint32_t n = 0;
  uint64_t total = 0;
  while (wave.Read(buffer.data(), uint32_t(buffer.size()), &n) == WaveFile::kOk && n > 0) total += n;
  if (total != wave.DataSize()) __builtin_trap();
  return 0;
}
