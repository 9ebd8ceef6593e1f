// SDL2_mixer music. The mixer has one music stream; the Music object that last started it
// is the current one.
#include "platform/music.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>

#include <atomic>

#include "platform/files.h"
#include "platform/sound.h"

namespace platform {

namespace {

// Written by the mixer's audio thread when a song ends, read by the main thread.
std::atomic<bool> g_finished{false};
const Music* g_current = nullptr;

void OnMusicFinished() { g_finished.store(true, std::memory_order_release); }

}  // namespace

std::unique_ptr<Music> Music::Load(std::u16string_view path, std::string* error) {
  if (!AcquireAudioOutput()) {
    if (error) *error = "no audio output";
    return nullptr;
  }
  Mix_Music* music = Mix_LoadMUS(ToOsPath(path).c_str());
  if (!music) {
    if (error) *error = Mix_GetError();
    ReleaseAudioOutput();
    return nullptr;
  }
  Mix_HookMusicFinished(OnMusicFinished);
  std::unique_ptr<Music> out(new Music);
  out->m_music = music;
  return out;
}

Music::~Music() {
  if (IsCurrent()) {
    Mix_HaltMusic();
    g_current = nullptr;
  }
  Mix_FreeMusic(static_cast<Mix_Music*>(m_music));
  ReleaseAudioOutput();
}

bool Music::IsCurrent() const { return g_current == this; }

bool Music::Play() {
  Mix_VolumeMusic(m_volume);
  if (IsCurrent() && m_started && Mix_PlayingMusic()) {
    Mix_ResumeMusic();
    return true;
  }
  g_finished.store(false, std::memory_order_release);
  if (Mix_PlayMusic(static_cast<Mix_Music*>(m_music), 0) != 0) return false;
  // Starting clears whatever a halted earlier song reported.
  g_finished.store(false, std::memory_order_release);
  g_current = this;
  m_started = true;
  return true;
}

bool Music::Pause() {
  if (IsCurrent() && m_started) Mix_PauseMusic();
  return true;
}

bool Music::Stop() { return Pause(); }

bool Music::Rewind() {
  if (!IsCurrent() || !m_started) return true;
  if (Mix_PlayingMusic()) {
    bool paused = Mix_PausedMusic() != 0;
    if (Mix_SetMusicPosition(0.0) != 0) {
      // A stream that cannot seek starts over on the next Play.
      Mix_HaltMusic();
      m_started = false;
    } else if (paused) {
      Mix_PauseMusic();
    }
  } else {
    m_started = false;
  }
  g_finished.store(false, std::memory_order_release);
  return true;
}

bool Music::SetVolumeMB(int32_t mB) {
  m_volume = MixerVolumeFromMillibels(mB);
  if (IsCurrent()) Mix_VolumeMusic(m_volume);
  return true;
}

bool Music::IsFinished() const {
  return IsCurrent() && m_started && g_finished.load(std::memory_order_acquire);
}

}  // namespace platform
