// The game-wide object: opens the data archive, owns the music player and keeps the game's
// own settings (section "ANWENDUNG" of the configuration). It grows the game-wide managers
// of every subsystem in later steps; for now it holds what the shell and the main scene need.
#pragma once

#include <memory>

#include "engine/apiglobals.h"
#include "engine/dataarchive.h"
#include "engine/gfxtypes.h"
#include "engine/messagepanel.h"
#include "engine/musikplayer.h"

class APIContext;
struct TexturePartRecord;
class WasserManager;
class WindManager;

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
  WasserManager* GetWasserManager() const { return m_wasserManager.get(); }
  // Null until the device objects are created.
  WindManager* GetWindManager() const { return m_windManager.get(); }

  int GetMusicVolume() const { return m_musicVolume; }
  // Stores the volume limited to 0 ... 100 and gives it to the music player: 2000 log10 of
  // the fraction in hundredths of a decibel, silence for 0.
  void SetMusicVolume(int volume);
  // The music player's level for a music volume of 0 ... 100.
  static int32_t MusicAttenuation(int volume);

  // The nine-part box: three layers of nine cells of the box texture, each stretched into
  // the corners, edges and middle of the rectangle. Note the order of the colours and skin
  // columns: layer 1, layer 3, layer 2; the layers are drawn 1, 2, 3. A skin (row, column)
  // is the cell set moved 100 pixels per column and row; layer 2 takes its column + 3 and
  // layer 3 its column + 6. The border is at most half the box's width and height.
  void DrawRectBox(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t border, Argb colour1,
                   Argb colour3, Argb colour2, int32_t skinRow, int32_t column1, int32_t column3,
                   int32_t column2);
  // The part "RECTS" of "misc.prt"; null before the device exists or when it is missing.
  const TexturePartRecord* GetBoxTexture() const { return m_boxTexture; }
  const Rect& GetBoxCell(int index) const { return m_boxCells[index]; }

  // Play the intro video at start-up (key "INTRO").
  bool intro = true;
  // The battle's message panels and fading lines, empty until the battle places them.
  MessagePanel messagePanel1;
  MessagePanel messagePanel2;
  FadingTextList fadingTextList;

 private:
  APIContext* m_context;
  std::unique_ptr<DataArchive> m_archive;
  std::unique_ptr<MusikPlayer> m_musikPlayer;
  std::unique_ptr<WasserManager> m_wasserManager;
  std::unique_ptr<WindManager> m_windManager;
  int m_musicVolume = kDefaultMusicVolume;
  const TexturePartRecord* m_boxTexture = nullptr;
  Rect m_boxCells[9];
  // The cells of the skin being drawn.
  Rect m_skinCells[9];
};
