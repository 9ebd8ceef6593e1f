// The music player: one song at a time, with the states none, stopped, paused and running.
// MyGlobals owns the one player; the front end loads, starts, pauses, stops and rewinds
// songs and asks each frame whether the song has ended.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>

namespace platform {
class Music;
}

class MusikPlayer {
 public:
  enum State : int32_t { kNone = 0, kStopped = 1, kPaused = 2, kRunning = 3 };
  static constexpr int32_t kOk = 0;
  static constexpr int32_t kPlayRefused = int32_t(0x80000000);
  static constexpr int32_t kPauseRefused = int32_t(0x80000001);
  static constexpr int32_t kRewindRefused = int32_t(0x80000002);
  static constexpr int32_t kStopRefused = int32_t(0x80000003);
  static constexpr int32_t kVolumeRefused = int32_t(0x80000004);
  static constexpr int32_t kFail = int32_t(0x80004005);
  // Longer paths are refused.
  static constexpr size_t kMaxPath = 259;

  MusikPlayer();
  ~MusikPlayer();

  void Release();
  // Releases the current song, then opens `path`: stopped on success. A song that failed
  // to load is reported once on stderr; later loads of it fail at once without trying
  // the file again.
  int32_t Load(const char16_t* path);
  int32_t Play();
  int32_t Pause();
  int32_t Stop();
  // Stops and goes back to the start.
  int32_t Rewind();
  // Hundredths of a decibel, limited to -10000 ... 0.
  int32_t SetVolume(int volume);
  // Running and played to its end.
  bool IsFinished() const;

  State GetState() const { return m_state; }
  bool IsLoaded() const { return m_state != kNone; }
  bool IsPaused() const { return m_state == kPaused; }
  bool IsRunning() const { return m_state == kRunning; }
  const std::u16string& FileName() const { return m_fileName; }

 private:
  std::unique_ptr<platform::Music> m_music;
  std::u16string m_fileName;
  State m_state = kNone;
  std::set<std::u16string> m_failed;
};
