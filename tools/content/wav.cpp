// 16-bit PCM WAV encoding and a strict reader for checking what we wrote.
#include "content/wav.h"

#include <cmath>
#include <cstring>

namespace content {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void PutTag(std::vector<uint8_t>& out, const char* tag) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(tag[i]));
}
uint32_t Get16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t Get32(const uint8_t* p) { return Get16(p) | Get16(p + 2) << 16; }

}  // namespace

std::vector<uint8_t> EncodeWav(const std::vector<float>& samples, int channels, int sampleRate) {
  uint32_t dataBytes = uint32_t(samples.size() * 2);
  std::vector<uint8_t> out;
  out.reserve(44 + dataBytes);
  PutTag(out, "RIFF");
  Put32(out, 36 + dataBytes);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  Put32(out, 16);
  Put16(out, 1);  // PCM
  Put16(out, uint32_t(channels));
  Put32(out, uint32_t(sampleRate));
  Put32(out, uint32_t(sampleRate * channels * 2));
  Put16(out, uint32_t(channels * 2));
  Put16(out, 16);
  PutTag(out, "data");
  Put32(out, dataBytes);
  for (float s : samples) {
    long v = std::lround(double(s) * 32767.0);
    if (v > 32767) v = 32767;
    if (v < -32768) v = -32768;
    Put16(out, uint32_t(uint16_t(int16_t(v))));
  }
  return out;
}

std::optional<WavInfo> DecodeWav(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) || std::memcmp(bytes.data() + 8, "WAVE", 4))
    return std::nullopt;
  if (Get32(bytes.data() + 4) + 8 != bytes.size()) return std::nullopt;
  WavInfo info;
  bool haveFormat = false;
  size_t pos = 12;
  while (pos + 8 <= bytes.size()) {
    const uint8_t* chunk = bytes.data() + pos;
    uint32_t size = Get32(chunk + 4);
    if (size > bytes.size() - pos - 8) return std::nullopt;
    if (!std::memcmp(chunk, "fmt ", 4)) {
      if (size < 16 || Get16(chunk + 8) != 1) return std::nullopt;
      info.channels = int(Get16(chunk + 10));
      info.sampleRate = int(Get32(chunk + 12));
      info.bitsPerSample = int(Get16(chunk + 22));
      if (Get16(chunk + 20) != uint32_t(info.channels * 2) || info.bitsPerSample != 16) return std::nullopt;
      haveFormat = true;
    } else if (!std::memcmp(chunk, "data", 4)) {
      if (!haveFormat || size % 2) return std::nullopt;
      info.samples.resize(size / 2);
      for (size_t i = 0; i < info.samples.size(); ++i) info.samples[i] = int16_t(Get16(chunk + 8 + i * 2));
      return info;
    }
    pos += 8 + size + (size & 1);
  }
  return std::nullopt;
}

}  // namespace content
