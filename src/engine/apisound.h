// The sound manager: the output device, the master volume, the number of copies kept of
// each sound, the cache of sound sets, and the play requests advanced once per frame.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "engine/soundset.h"
#include "platform/sound.h"

class APISound;
class DataArchive;
class KVNode;

// One scheduled playing of a sound set: after a delay, a number of plays with a pause
// between them. Requests made by APISound::Play live in its play list; the weapons keep
// long-lived ones of their own and drive them with PlayNow and Stop.
class SoundRequest {
 public:
  // The play flag that loops a buffer until it is stopped.
  static constexpr uint32_t kLooping = 1;

  SoundRequest(APISound* sound, SoundSet* set, int volume, int plays, double delay, double interval,
               uint32_t flags);

  // Stops a playing buffer; nothing is left to play.
  void Stop();
  // Stops, keeps the flags and starts a play at once.
  void PlayNow(uint32_t flags);
  // No buffer playing, no delay left and no plays left.
  bool IsFinished() const;
  // One frame of the schedule, on the game step (so a paused game holds its sounds).
  void Advance(double gameStep);

  double Delay() const { return m_delay; }
  int PlaysLeft() const { return m_playsLeft; }
  bool HasBuffer() const { return m_current != nullptr; }

 private:
  // Takes the last copy of the set that is not playing and plays it from the start.
  // False when every copy is busy.
  bool StartPlay();

  double m_delay;
  SoundSet* m_set;
  int m_playsLeft;
  double m_interval;
  double m_pauseLeft;
  int m_volume;
  uint32_t m_flags;
  APISound* m_sound;
  platform::SoundBuffer* m_current = nullptr;
  bool m_ready = true;
};

// The one sound manager. The process-wide one is made on first use from the engine
// context's configuration (it reads "Sound"); the shell calls Init after the input manager
// at start-up, the main loop Update(game step) every frame after the input manager, the
// engine context SaveConfig(root) at shutdown.
class APISound {
 public:
  static constexpr int32_t kOk = 0;
  static constexpr int32_t kFail = int32_t(0x80004005);
  static constexpr int kDefaultVolume = 100;
  static constexpr int kDefaultCopies = 5;
  // Copies per set are kept within these bounds whatever the configuration says.
  static constexpr int kMinCopies = 1;
  static constexpr int kMaxCopies = 64;

  // The process-wide manager, made on the first call from the process-wide engine
  // context's configuration, which must have been read by then.
  static APISound* Get();

  explicit APISound(const KVNode* configRoot);
  ~APISound();
  APISound(const APISound&) = delete;
  APISound& operator=(const APISound&) = delete;

  // Opens the output: the given device, or the SDL mixer when none is given. Without a
  // device the master volume becomes 0 and kFail is returned; the game runs on silently.
  int32_t Init(std::unique_ptr<platform::SoundDevice> device = nullptr);
  // Stops and deletes every request, deletes the sets and closes the output.
  void Shutdown();

  // Queues one play of the set at `volume` percent of the master volume. A set without a
  // single usable copy is not queued.
  void Play(SoundSet* set, int volume);
  void Update(double gameStep);
  void StopAll();
  // Appends "Sound" with "Volume" and "P_Sounds".
  void SaveConfig(KVNode* root) const;

  // Fills the first copies of `buffers` (at most `count`) from the WAV entry at `path`.
  // True when all `count` copies were made.
  bool LoadWave(int count, std::vector<std::unique_ptr<platform::SoundBuffer>>& buffers,
                std::u16string_view path, const DataArchive* archive);

  // log10(v), in single precision as the volume formula needs it.
  static float VolumeToAttenuation(float v);
  // The attenuation in hundredths of a decibel for a request's volume under the master
  // volume: truncate(2000 log10(request/100 * master/100)), -10000 for silence, never above 0.
  int32_t AttenuationFor(int requestVolume) const;

  // Master volume in percent, 0 ... 100 (the options screen reads and sets it).
  int GetVolume() const { return m_volume; }
  void SetVolume(int volume);
  int CopyCount() const { return m_copyCount; }
  SoundCache& Cache() { return m_cache; }
  size_t PlayListSize() const { return m_playList.size(); }
  bool HasDevice() const { return m_device != nullptr; }

 private:
  std::unique_ptr<platform::SoundDevice> m_device;
  int m_volume = kDefaultVolume;
  // What the configuration keeps: a failed start-up silences this run without storing 0.
  int m_savedVolume = kDefaultVolume;
  int m_copyCount = kDefaultCopies;
  SoundCache m_cache;
  std::vector<std::unique_ptr<SoundRequest>> m_playList;
};
