// The SDL2_mixer sound device, the shared audio output and the silent device.
#include "platform/sound.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace platform {

namespace {

constexpr int kFirstChannels = 32;
constexpr int kMaxChannels = 512;

int g_audioUsers = 0;
int g_channels = 0;

// One sound's samples, shared by every copy of it. Most sounds of a scene never play, so
// they are kept as read (a mono sound takes half the room of the output's stereo) and
// converted to the output's format when one of their copies first plays.
class Samples {
 public:
  Samples(const SDL_AudioCVT& cvt, const uint8_t* data, size_t size)
      : m_cvt(cvt), m_bytes(data, data + size) {}

  // The samples in the output's format; null when they cannot be converted.
  const std::vector<uint8_t>* Output() {
    if (!m_converted) Convert();
    return m_usable ? &m_bytes : nullptr;
  }

 private:
  void Convert() {
    m_converted = true;
    if (!m_cvt.needed || m_bytes.empty()) return;
    // The converter works in place in a buffer len_mult times the input; what it gives back
    // is copied out at its own size, so the working room is not held for the whole run.
    const size_t size = m_bytes.size();
    std::vector<uint8_t> work(size * size_t(std::max(m_cvt.len_mult, 1)));
    std::memcpy(work.data(), m_bytes.data(), size);
    m_cvt.buf = work.data();
    m_cvt.len = int(size);
    if (SDL_ConvertAudio(&m_cvt) < 0) {
      m_usable = false;
      std::vector<uint8_t>().swap(m_bytes);
      return;
    }
    m_bytes.assign(work.begin(), work.begin() + std::min(work.size(), size_t(std::max(m_cvt.len_cvt, 0))));
  }

  SDL_AudioCVT m_cvt;
  std::vector<uint8_t> m_bytes;
  bool m_converted = false;
  bool m_usable = true;
};

class MixerBuffer : public SoundBuffer {
 public:
  explicit MixerBuffer(std::shared_ptr<Samples> samples) : m_samples(std::move(samples)) {}

  ~MixerBuffer() override {
    // Freeing a chunk halts every channel that plays it.
    if (m_chunk) Mix_FreeChunk(m_chunk);
  }

  void Play(bool loop) override {
    if (IsPlaying() || !MakeChunk()) return;
    int channel = Mix_PlayChannel(-1, m_chunk, loop ? -1 : 0);
    if (channel < 0 && g_channels < kMaxChannels) {
      g_channels = Mix_AllocateChannels(std::min(g_channels * 2, kMaxChannels));
      channel = Mix_PlayChannel(-1, m_chunk, loop ? -1 : 0);
    }
    m_channel = channel;
    m_loop = loop;
  }

  void Stop() override {
    if (OwnsChannel()) Mix_HaltChannel(m_channel);
    m_channel = -1;
  }

  void Rewind() override {
    if (!IsPlaying()) return;
    Mix_HaltChannel(m_channel);
    m_channel = Mix_PlayChannel(m_channel, m_chunk, m_loop ? -1 : 0);
  }

  bool IsPlaying() const override { return OwnsChannel() && Mix_Playing(m_channel) != 0; }

  void SetVolumeMB(int32_t mB) override {
    m_volume = MixerVolumeFromMillibels(mB);
    if (m_chunk) Mix_VolumeChunk(m_chunk, m_volume);
  }

 private:
  // Each copy has a chunk of its own over the shared samples, so a channel's chunk tells
  // which copy it is playing. Made when the copy first plays.
  bool MakeChunk() {
    if (m_chunk) return true;
    const std::vector<uint8_t>* bytes = m_samples->Output();
    if (!bytes) return false;
    m_chunk = Mix_QuickLoad_RAW(const_cast<Uint8*>(bytes->data()), Uint32(bytes->size()));
    if (m_chunk) Mix_VolumeChunk(m_chunk, m_volume);
    return m_chunk != nullptr;
  }

  bool OwnsChannel() const { return m_chunk && m_channel >= 0 && Mix_GetChunk(m_channel) == m_chunk; }

  std::shared_ptr<Samples> m_samples;
  Mix_Chunk* m_chunk = nullptr;
  int m_channel = -1;
  int m_volume = MIX_MAX_VOLUME;
  bool m_loop = false;
};

class MixerSoundDevice : public SoundDevice {
 public:
  ~MixerSoundDevice() override { ReleaseAudioOutput(); }

  std::vector<std::unique_ptr<SoundBuffer>> CreateBuffers(const PcmFormat& format, const uint8_t* data,
                                                          size_t size, int count) override {
    std::vector<std::unique_ptr<SoundBuffer>> out;
    if (count <= 0 || !IsPlayablePcm(format) || (size && !data)) return out;
    size_t frames = size / format.blockAlign;
    auto samples = Prepare(format, data, frames * format.blockAlign);
    if (!samples) return out;
    for (int i = 0; i < count; ++i) out.push_back(std::make_unique<MixerBuffer>(samples));
    return out;
  }

 private:
  // The sound as read, with what converts it to the output's format; null when no
  // conversion there is possible or the converted sound would be too large.
  static std::shared_ptr<Samples> Prepare(const PcmFormat& format, const uint8_t* data, size_t size) {
    int rate = 0, channels = 0;
    Uint16 outFormat = 0;
    if (!Mix_QuerySpec(&rate, &outFormat, &channels)) return nullptr;
    SDL_AudioCVT cvt;
    SDL_AudioFormat inFormat = format.bitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    if (SDL_BuildAudioCVT(&cvt, inFormat, Uint8(format.channels), int(format.samplesPerSec), outFormat,
                          Uint8(channels), rate) < 0)
      return nullptr;
    if (size > size_t(INT32_MAX / std::max(cvt.len_mult, 1)) - 64) return nullptr;
    return std::make_shared<Samples>(cvt, data, size);
  }
};

}  // namespace

bool IsPlayablePcm(const PcmFormat& f) {
  if (f.formatTag != 1) return false;
  if (f.channels != 1 && f.channels != 2) return false;
  if (f.bitsPerSample != 8 && f.bitsPerSample != 16) return false;
  if (f.samplesPerSec < 1000 || f.samplesPerSec > 384000) return false;
  return f.blockAlign == f.channels * f.bitsPerSample / 8;
}

double GainFromMillibels(int32_t mB) {
  mB = std::clamp(mB, -10000, 0);
  return std::pow(10.0, double(mB) / 2000.0);
}

int MixerVolumeFromMillibels(int32_t mB) {
  if (mB <= -10000) return 0;
  return std::clamp(int(std::lround(GainFromMillibels(mB) * MIX_MAX_VOLUME)), 0, MIX_MAX_VOLUME);
}

bool AcquireAudioOutput() {
  if (g_audioUsers > 0) {
    ++g_audioUsers;
    return true;
  }
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    std::fprintf(stderr, "sound: no audio (%s)\n", SDL_GetError());
    return false;
  }
  // MP3 decoding is optional: without it songs fail to load and the game runs on.
  if ((Mix_Init(MIX_INIT_MP3) & MIX_INIT_MP3) == 0)
    std::fprintf(stderr, "sound: no MP3 decoder (%s)\n", Mix_GetError());
  if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024) != 0) {
    std::fprintf(stderr, "sound: cannot open the audio output (%s)\n", Mix_GetError());
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  g_channels = Mix_AllocateChannels(kFirstChannels);
  g_audioUsers = 1;
  return true;
}

void ReleaseAudioOutput() {
  if (g_audioUsers == 0 || --g_audioUsers > 0) return;
  Mix_HaltChannel(-1);
  Mix_CloseAudio();
  Mix_Quit();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  g_channels = 0;
}

std::unique_ptr<SoundDevice> CreateMixerSoundDevice() {
  if (!AcquireAudioOutput()) return nullptr;
  return std::make_unique<MixerSoundDevice>();
}

NullSoundDevice::Buffer::Buffer(NullSoundDevice* device, const PcmFormat& format, size_t bytes)
    : m_device(device), m_format(format), m_bytes(bytes) {
  m_device->m_buffers.push_back(this);
}

NullSoundDevice::Buffer::~Buffer() {
  if (!m_device) return;
  auto& list = m_device->m_buffers;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void NullSoundDevice::Buffer::Play(bool loop) {
  if (m_playing) return;
  m_playing = true;
  m_looping = loop;
  ++m_plays;
}

NullSoundDevice::~NullSoundDevice() {
  for (Buffer* b : m_buffers) b->m_device = nullptr;
}

std::vector<std::unique_ptr<SoundBuffer>> NullSoundDevice::CreateBuffers(const PcmFormat& format,
                                                                         const uint8_t*, size_t size,
                                                                         int count) {
  std::vector<std::unique_ptr<SoundBuffer>> out;
  if (m_failing || !IsPlayablePcm(format)) return out;
  for (int i = 0; i < count; ++i) out.push_back(std::make_unique<Buffer>(this, format, size));
  return out;
}

void NullSoundDevice::FinishAll() {
  for (Buffer* b : m_buffers) b->Finish();
}

}  // namespace platform
