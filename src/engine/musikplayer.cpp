#include "engine/musikplayer.h"

#include <algorithm>
#include <cstdio>

#include "platform/music.h"
#include "platform/text.h"

MusikPlayer::MusikPlayer() = default;

MusikPlayer::~MusikPlayer() { Release(); }

void MusikPlayer::Release() {
  m_music.reset();
  m_fileName.clear();
  m_state = kNone;
}

int32_t MusikPlayer::Load(const char16_t* path) {
  Release();
  if (!path) return kFail;
  std::u16string name(path);
  // A longer path would not fit the player's buffer; cut short it could name another file.
  if (name.size() > kMaxPath || m_failed.count(name)) return kFail;
  std::string error;
  m_music = platform::Music::Load(name, &error);
  if (!m_music) {
    std::fprintf(stderr, "music: cannot play %s (%s)\n", platform::U16ToUtf8(name).c_str(), error.c_str());
    m_failed.insert(name);
    return kFail;
  }
  m_fileName = name;
  m_state = kStopped;
  return kOk;
}

int32_t MusikPlayer::Play() {
  if (m_state != kStopped && m_state != kPaused) return kPlayRefused;
  if (!m_music->Play()) return kFail;
  m_state = kRunning;
  return kOk;
}

int32_t MusikPlayer::Pause() {
  if (m_state != kStopped && m_state != kRunning) return kPauseRefused;
  if (!m_music->Pause()) return kFail;
  m_state = kPaused;
  return kOk;
}

int32_t MusikPlayer::Stop() {
  if (m_state != kPaused && m_state != kRunning) return kStopRefused;
  if (!m_music->Stop()) return kFail;
  m_state = kStopped;
  return kOk;
}

int32_t MusikPlayer::Rewind() {
  if (m_state == kNone) return kRewindRefused;
  Stop();
  return m_music->Rewind() ? kOk : kFail;
}

int32_t MusikPlayer::SetVolume(int volume) {
  if (m_state == kNone) return kVolumeRefused;
  return m_music->SetVolumeMB(std::clamp(volume, -10000, 0)) ? kOk : kFail;
}

bool MusikPlayer::IsFinished() const { return m_state == kRunning && m_music->IsFinished(); }
