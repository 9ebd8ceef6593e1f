// Builds RIFF WAVE bytes for tests, chunk by chunk, so that damaged files are easy to make.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wav {

using Bytes = std::vector<uint8_t>;

void PutU16(Bytes& b, uint16_t v);
void PutU32(Bytes& b, uint32_t v);
// A chunk: id, the given size (the body's length unless overridden), the body, and the pad
// byte after an odd body.
Bytes Chunk(const std::string& id, const Bytes& body, int64_t sizeOverride = -1);
// The 16-byte format head; with extra bytes (non-PCM) the count and the bytes follow.
Bytes FormatBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, const Bytes* extra = nullptr);
// "RIFF", the size of what follows (unless overridden), "WAVE", then the chunks.
Bytes Riff(const std::vector<Bytes>& chunks, int64_t sizeOverride = -1);
// A sine tone of `frames` sample frames.
Bytes Tone(uint32_t frames, uint16_t channels, uint16_t bits, uint32_t rate = 22050);
// A whole PCM file.
Bytes Pcm(uint16_t channels, uint32_t rate, uint16_t bits, const Bytes& samples);

}  // namespace wav
