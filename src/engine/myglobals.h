// The game-wide object: opens the data archive, owns the music player and keeps the game's
// own settings (section "ANWENDUNG" of the configuration). It grows the game-wide managers
// of every subsystem in later steps; for now it holds what the shell and the main scene need.
#pragma once

#include <memory>

#include "engine/apiglobals.h"
#include "engine/dataarchive.h"
#include "engine/musikplayer.h"

class APIContext;

class MyGlobals : public APIGlobals {
 public:
  static constexpr int kDefaultMusicVolume = 100;

  // Opens the archive (see DataArchive::Locate); a missing archive leaves it null. Without a
  // context the process-wide one is used.
  explicit MyGlobals(APIContext* context = nullptr);
  ~MyGlobals() override;

  void LoadSettings() override;
  void SaveSettings(KVNode* root) override;
  void CreateDeviceObjects() override;
  // Installs the game's three font files from the archive with the font manager.
  void RegisterFonts();

  const DataArchive* GetArchive() const { return m_archive.get(); }
  MusikPlayer* GetMusikPlayer() const { return m_musikPlayer.get(); }

  int GetMusicVolume() const { return m_musicVolume; }
  // Stores the volume limited to 0 ... 100 and gives it to the music player: 2000 log10 of
  // the fraction in hundredths of a decibel, silence for 0.
  void SetMusicVolume(int volume);
  // The music player's level for a music volume of 0 ... 100.
  static int32_t MusicAttenuation(int volume);

  // Play the intro video at start-up (key "INTRO").
  bool intro = true;

 private:
  APIContext* m_context;
  std::unique_ptr<DataArchive> m_archive;
  std::unique_ptr<MusikPlayer> m_musikPlayer;
  int m_musicVolume = kDefaultMusicVolume;
};
