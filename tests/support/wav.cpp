#include "support/wav.h"

#include <cmath>

namespace wav {

void PutU16(Bytes& b, uint16_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}

void PutU32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

Bytes Chunk(const std::string& id, const Bytes& body, int64_t sizeOverride) {
  Bytes out(id.begin(), id.end());
  PutU32(out, sizeOverride >= 0 ? uint32_t(sizeOverride) : uint32_t(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  if (body.size() % 2) out.push_back(0);
  return out;
}

Bytes FormatBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, const Bytes* extra) {
  Bytes b;
  uint16_t block = uint16_t(channels * bits / 8);
  PutU16(b, tag);
  PutU16(b, channels);
  PutU32(b, rate);
  PutU32(b, rate * block);
  PutU16(b, block);
  PutU16(b, bits);
  if (extra) {
    PutU16(b, uint16_t(extra->size()));
    b.insert(b.end(), extra->begin(), extra->end());
  }
  return b;
}

Bytes Riff(const std::vector<Bytes>& chunks, int64_t sizeOverride) {
  Bytes body = {'W', 'A', 'V', 'E'};
  for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
  Bytes out = {'R', 'I', 'F', 'F'};
  PutU32(out, sizeOverride >= 0 ? uint32_t(sizeOverride) : uint32_t(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

Bytes Tone(uint32_t frames, uint16_t channels, uint16_t bits, uint32_t rate) {
  Bytes b;
  for (uint32_t i = 0; i < frames; ++i) {
    double s = std::sin(2.0 * 3.14159265358979 * 440.0 * i / rate) * 0.5;
    for (uint16_t c = 0; c < channels; ++c) {
      if (bits == 8)
        b.push_back(uint8_t(128 + int(s * 127)));
      else
        PutU16(b, uint16_t(int16_t(s * 32767)));
    }
  }
  return b;
}

Bytes Pcm(uint16_t channels, uint32_t rate, uint16_t bits, const Bytes& samples) {
  return Riff({Chunk("fmt ", FormatBody(1, channels, rate, bits)), Chunk("data", samples)});
}

}  // namespace wav
