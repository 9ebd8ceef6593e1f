// The sound manager: play requests over time, volumes and the loading of sound copies.
#include "engine/apisound.h"

#include <algorithm>
#include <cmath>

#include "engine/apicontext.h"
#include "engine/kvnode.h"
#include "engine/wavefile.h"
#include "platform/numeric.h"

namespace {

int ReadCopyCount(const KVNode* section) {
  int copies = APISound::kDefaultCopies;
  if (section) section->Read(u"P_Sounds", copies);
  return std::clamp(copies, APISound::kMinCopies, APISound::kMaxCopies);
}

int ReadVolume(const KVNode* section) {
  int volume = APISound::kDefaultVolume;
  if (section) section->Read(u"Volume", volume);
  return std::clamp(volume, 0, 100);
}

const KVNode* SoundSection(const KVNode* root) { return root ? root->GetChild(0, u"Sound") : nullptr; }

}  // namespace

// ---- SoundRequest ------------------------------------------------------------

SoundRequest::SoundRequest(APISound* sound, SoundSet* set, int volume, int plays, double delay,
                           double interval, uint32_t flags)
    : m_delay(delay),
      m_set(set),
      m_playsLeft(plays),
      m_interval(interval),
      m_pauseLeft(interval),
      m_volume(volume),
      m_flags(flags),
      m_sound(sound) {}

void SoundRequest::Stop() {
  if (m_current) m_current->Stop();
  m_current = nullptr;
  m_playsLeft = 0;
  m_delay = 0.0;
}

void SoundRequest::PlayNow(uint32_t flags) {
  Stop();
  m_flags = flags;
  StartPlay();
}

bool SoundRequest::IsFinished() const { return !m_current && m_delay <= 0.0 && m_playsLeft < 1; }

bool SoundRequest::StartPlay() {
  if (!m_set) return false;
  for (int i = m_set->CopyCount() - 1; i >= 0; --i) {
    platform::SoundBuffer* buffer = m_set->Buffer(i);
    // Slots whose copy could not be made are skipped.
    if (!buffer || buffer->IsPlaying()) continue;
    m_current = buffer;
    buffer->SetVolumeMB(m_sound ? m_sound->AttenuationFor(m_volume) : 0);
    buffer->Rewind();
    buffer->Play((m_flags & kLooping) != 0);
    return true;
  }
  return false;
}

void SoundRequest::Advance(double gameStep) {
  if (m_delay > 0.0) m_delay -= gameStep;
  if (m_delay > 0.0) return;
  if (!m_ready) {
    if (m_pauseLeft > 0.0) m_pauseLeft -= gameStep;
    if (m_pauseLeft <= 0.0 && m_playsLeft > 0) m_ready = true;
  }
  if (m_ready && !m_current) {
    // A set with no usable copy can never play: the request ends instead of waiting.
    if (!m_set || m_set->UsableCount() == 0) {
      m_playsLeft = 0;
      return;
    }
    StartPlay();
  }
  if (m_ready && m_current && !m_current->IsPlaying()) {
    m_ready = false;
    m_pauseLeft = m_interval;
    --m_playsLeft;
    m_current = nullptr;
  }
}

// ---- APISound ----------------------------------------------------------------

APISound* APISound::Get() {
  static APISound sound(APIContext::Get()->GetConfig());
  return &sound;
}

APISound::APISound(const KVNode* configRoot)
    : m_volume(ReadVolume(SoundSection(configRoot))),
      m_savedVolume(m_volume),
      m_copyCount(ReadCopyCount(SoundSection(configRoot))),
      m_cache(this, m_copyCount) {}

APISound::~APISound() { Shutdown(); }

int32_t APISound::Init(std::unique_ptr<platform::SoundDevice> device) {
  m_device = device ? std::move(device) : platform::CreateMixerSoundDevice();
  if (!m_device) {
    m_volume = 0;
    return kFail;
  }
  return kOk;
}

void APISound::Shutdown() {
  StopAll();
  m_cache.Clear();
  m_device.reset();
}

void APISound::SetVolume(int volume) {
  m_volume = std::clamp(volume, 0, 100);
  m_savedVolume = m_volume;
}

void APISound::Play(SoundSet* set, int volume) {
  if (!set || set->UsableCount() == 0) return;
  m_playList.push_back(std::make_unique<SoundRequest>(this, set, volume, 1, 0.0, 0.0, 0));
}

void APISound::Update(double gameStep) {
  for (size_t i = m_playList.size(); i-- > 0;) {
    SoundRequest* request = m_playList[i].get();
    request->Advance(gameStep);
    if (request->IsFinished()) m_playList.erase(m_playList.begin() + std::ptrdiff_t(i));
  }
}

void APISound::StopAll() {
  for (size_t i = m_playList.size(); i-- > 0;) {
    m_playList[i]->Stop();
    m_playList.erase(m_playList.begin() + std::ptrdiff_t(i));
  }
}

void APISound::SaveConfig(KVNode* root) const {
  if (!root) return;
  KVNode* section = root->AddChild(u"Sound");
  section->AddChildWith(u"Volume", m_savedVolume);
  section->AddChildWith(u"P_Sounds", m_copyCount);
}

bool APISound::LoadWave(int count, std::vector<std::unique_ptr<platform::SoundBuffer>>& buffers,
                        std::u16string_view path, const DataArchive* archive) {
  count = std::min(count, int(buffers.size()));
  if (count <= 0 || !m_device) return false;
  // One read of the entry; the copies share its samples, and the entry's bytes are freed
  // when the reader closes.
  WaveFile wave;
  std::u16string name(path);
  if (wave.Open(archive, name.c_str()) != WaveFile::kOk) return false;
  std::vector<uint8_t> samples(wave.DataSize());
  uint32_t read = 0;
  if (wave.Read(samples.data(), uint32_t(samples.size()), &read) != WaveFile::kOk || read != samples.size())
    return false;
  platform::PcmFormat format;
  format.formatTag = wave.FormatTag();
  format.channels = wave.Channels();
  format.samplesPerSec = wave.SamplesPerSec();
  format.avgBytesPerSec = wave.AvgBytesPerSec();
  format.blockAlign = wave.BlockAlign();
  format.bitsPerSample = wave.BitsPerSample();
  wave.Close();
  auto made = m_device->CreateBuffers(format, samples.data(), samples.size(), count);
  for (size_t i = 0; i < made.size() && i < size_t(count); ++i) buffers[i] = std::move(made[i]);
  return int(made.size()) >= count;
}

float APISound::VolumeToAttenuation(float v) { return std::log10(v); }

int32_t APISound::AttenuationFor(int requestVolume) const {
  float v = (float(requestVolume) / 100.0f) * (float(m_volume) / 100.0f);
  // log10 of 0 is minus infinity: silence instead.
  if (!(v > 0.0f)) return -10000;
  float mB = 2000.0f * VolumeToAttenuation(v);
  return std::clamp(platform::TruncToInt(mB), -10000, 0);
}
