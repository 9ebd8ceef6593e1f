// 16-bit PCM RIFF/WAVE files for the sound and music generators.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace content {

// Interleaved samples -1..1 converted to 16-bit (rounded, clamped) in a canonical
// 44-byte-header WAV file.
std::vector<uint8_t> EncodeWav(const std::vector<float>& samples, int channels, int sampleRate);

struct WavInfo {
  int channels = 0, sampleRate = 0, bitsPerSample = 0;
  std::vector<int16_t> samples;  // interleaved
};
// Reads a PCM WAV file (any chunk order; 16-bit only); nullopt when malformed.
std::optional<WavInfo> DecodeWav(const std::vector<uint8_t>& bytes);

}  // namespace content
