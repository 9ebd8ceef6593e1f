// Sound output: buffers of decoded PCM played on mixer channels, with volumes in hundredths
// of a decibel. Two devices stand behind one interface: the SDL2_mixer one and a silent one
// whose buffers a test drives by hand.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

// The head of a WAVE format record.
struct PcmFormat {
  uint16_t formatTag = 0;  // 1 = PCM
  uint16_t channels = 0;
  uint32_t samplesPerSec = 0;
  uint32_t avgBytesPerSec = 0;
  uint16_t blockAlign = 0;
  uint16_t bitsPerSample = 0;
};

// Whether a format is one we play: PCM, 8 or 16 bits, one or two channels, 1 kHz to
// 384 kHz, and a block size that matches.
bool IsPlayablePcm(const PcmFormat& format);

// Attenuation in hundredths of a decibel (-10000 silent ... 0 full) as a linear gain:
// 10^(mB / 2000). Values outside the range are clamped.
double GainFromMillibels(int32_t mB);
// The same as a mixer volume 0 ... 128.
int MixerVolumeFromMillibels(int32_t mB);

// One playable copy of a sound. A stopped buffer starts from the beginning when played.
class SoundBuffer {
 public:
  virtual ~SoundBuffer() = default;
  virtual void Play(bool loop) = 0;
  virtual void Stop() = 0;
  // Back to the first sample; a playing buffer goes on from there.
  virtual void Rewind() = 0;
  virtual bool IsPlaying() const = 0;
  virtual void SetVolumeMB(int32_t mB) = 0;
};

class SoundDevice {
 public:
  virtual ~SoundDevice() = default;
  // Takes the samples once and makes `count` independent buffers that share them (a device
  // may keep them as given until one of the buffers first plays). Empty when the format is
  // not playable or the device cannot take the sound.
  virtual std::vector<std::unique_ptr<SoundBuffer>> CreateBuffers(const PcmFormat& format,
                                                                  const uint8_t* data, size_t size,
                                                                  int count) = 0;
};

// Opens the SDL2_mixer output (44.1 kHz stereo, MP3 decoding for music). Reference
// counted: music and sound both hold the output open. False when there is no audio.
bool AcquireAudioOutput();
void ReleaseAudioOutput();

// The mixer device; null when the audio output cannot be opened.
std::unique_ptr<SoundDevice> CreateMixerSoundDevice();

// A silent device: buffers play until the test finishes them.
class NullSoundDevice : public SoundDevice {
 public:
  class Buffer : public SoundBuffer {
   public:
    Buffer(NullSoundDevice* device, const PcmFormat& format, size_t bytes);
    ~Buffer() override;
    void Play(bool loop) override;
    void Stop() override { m_playing = false; }
    void Rewind() override { ++m_rewinds; }
    bool IsPlaying() const override { return m_playing; }
    void SetVolumeMB(int32_t mB) override { m_volumeMB = mB; }

    // The sound has played to its end.
    void Finish() { m_playing = false; }
    bool Looping() const { return m_looping; }
    int PlayCount() const { return m_plays; }
    int RewindCount() const { return m_rewinds; }
    int32_t VolumeMB() const { return m_volumeMB; }
    size_t Bytes() const { return m_bytes; }

   private:
    friend class NullSoundDevice;
    NullSoundDevice* m_device;
    PcmFormat m_format;
    size_t m_bytes;
    bool m_playing = false;
    bool m_looping = false;
    int m_plays = 0;
    int m_rewinds = 0;
    int32_t m_volumeMB = 0;
  };

  ~NullSoundDevice() override;
  std::vector<std::unique_ptr<SoundBuffer>> CreateBuffers(const PcmFormat& format, const uint8_t* data,
                                                          size_t size, int count) override;
  // Buffers alive, in creation order.
  const std::vector<Buffer*>& Buffers() const { return m_buffers; }
  void FinishAll();
  // Buffer creation fails while set.
  void SetFailing(bool failing) { m_failing = failing; }

 private:
  friend class Buffer;
  std::vector<Buffer*> m_buffers;
  bool m_failing = false;
};

}  // namespace platform
