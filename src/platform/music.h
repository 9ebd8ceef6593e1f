// One song played through SDL2_mixer's music stream (MP3, also WAV and OGG). Only one song
// sounds at a time; the end of a song is reported through a flag that the audio thread sets.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

class Music {
 public:
  // Null when the file cannot be opened or decoded, or there is no audio output; the
  // reason goes to `error`.
  static std::unique_ptr<Music> Load(std::u16string_view path, std::string* error = nullptr);
  ~Music();
  Music(const Music&) = delete;
  Music& operator=(const Music&) = delete;

  // Starts the song, or goes on from where it was paused or stopped.
  bool Play();
  bool Pause();
  // Stops playing; the position is kept until Rewind.
  bool Stop();
  // Back to the start; a playing song goes on from there.
  bool Rewind();
  // Hundredths of a decibel, -10000 ... 0.
  bool SetVolumeMB(int32_t mB);
  // The song has played to its end (since it was last started or rewound).
  bool IsFinished() const;

 private:
  Music() = default;
  bool IsCurrent() const;

  void* m_music = nullptr;
  bool m_started = false;  // handed to the mixer and not yet halted
  int m_volume = 128;
};

}  // namespace platform
