// The game's songs, generated: chord progressions played by pads, bass, arpeggio, a lead
// and drums, mixed in stereo with a small room. Rendered as 44.1 kHz float PCM whose end
// runs seamlessly into its start.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace content {

constexpr int kSongRate = 44100;

struct Chord {
  int root;  // semitones above the key
  bool minor;
};

struct SongInfo {
  std::string file;
  uint32_t seed;
  double bpm;
  int key;                           // MIDI note of the key's root
  std::vector<Chord> verse, bridge;  // one chord per bar
  int style;                         // drum and arpeggio pattern, 0..3
};

const std::vector<SongInfo>& SongCatalogue();
const SongInfo* FindSong(const std::string& file);

// The arrangement: sections of bars with the instruments they use.
struct Section {
  int bars;
  bool bridge;  // play the bridge progression instead of the verse
  bool bass, drums, lead;
};
std::vector<Section> Arrangement(const SongInfo& song);
double SongSeconds(const SongInfo& song);

// Interleaved stereo samples, peak at -1 dBFS.
std::vector<float> RenderSong(const SongInfo& song);

}  // namespace content
