// The game's sound effects, synthesised: explosions, splash, clicks, launch and whoosh,
// jump, hurt, pickup, menu hover and select, countdown tick, rifle shot. Mono 16-bit at 44.1 kHz.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace content {

constexpr int kSoundRate = 44100;

struct SoundInfo {
  std::string name;  // archive path with '/' separators
  uint32_t seed;
  double peak;  // target peak level, 0..1
  std::vector<float> (*make)(uint32_t seed);
};

const std::vector<SoundInfo>& SoundCatalogue();
const SoundInfo* FindSound(const std::string& name);
// The finished samples: rendered, declicked and normalised to the recipe's peak.
std::vector<float> MakeSound(const SoundInfo& info);

}  // namespace content
