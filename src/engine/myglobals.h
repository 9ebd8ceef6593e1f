// The game-wide object: opens the data archive, owns for the whole run every game-wide
// manager and type table of the game (names, animations, worms and teams, layer
// properties, particles, the world of the running battle, events, explosions, weapons, the
// camera, water, wind, bonus crates, force fields, render extras, teleporters, post effects, the setting
// catalogue, the controls and the unlock store), the music player, the text styles, the
// font face names and the team colours. It reads and writes the configuration section
// "ANWENDUNG", and offers the object lookup by id, the collection of all objects and the
// camera job list. Every game object reaches these through it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/apiglobals.h"
#include "engine/dataarchive.h"
#include "engine/gfxtypes.h"
#include "engine/messagepanel.h"
#include "engine/musikplayer.h"
#include "engine/textstyle.h"
#include "frontend/unlockliste.h"
#include "objects/objectlist.h"
#include "objects/simservices.h"

class APIContext;
class AnimationManager;
class BonusSettings;
class CameraJobList;
class CameraManager;
class EbenenEigenschaften;
class EventTable;
class ExplosionTable;
class GameEventHost;
class KraftfeldListe;
class Namen;
class Objekt;
class PartikelListe;
class PostEffectLibrary;
class RenderExtraListe;
class SettingKatalog;
class SteuerungListe;
class TeleporterListe;
class WaffenSet;
class WasserManager;
class Welt;
class WindManager;
class WormManager;
struct TexturePartRecord;

class MyGlobals : public APIGlobals, public ObjectFinder {
 public:
  static constexpr int kDefaultMusicVolume = 100;
  static constexpr int32_t kDefaultEarthStep = 10;
  static constexpr int32_t kDefaultParticleMaximum = 2000;
  // Seconds the battle stays busy after camera jobs were added or ended.
  static constexpr double kBusyTime = 2.0;
  static constexpr int kTeamColourCount = 10;
  static constexpr Argb kTeamColours[kTeamColourCount] = {0xFF6926A6, 0xFF0330F3, 0xFF0098DE, 0xFFD0B200,
                                                          0xFFFF6C00, 0xFFE90016, 0xFFFF4DE4, 0xFF212121,
                                                          0xFF9C9C9C, 0xFF39A626};

  // Reads the campaign progress, makes every manager empty, opens the archive (see
  // DataArchive::Locate; a missing archive leaves it null) and makes the music player.
  // Without a context the process-wide one is used.
  explicit MyGlobals(APIContext* context = nullptr);
  // Deletes the managers in a fixed order and writes the campaign progress back.
  ~MyGlobals() override;
  MyGlobals(const MyGlobals&) = delete;
  MyGlobals& operator=(const MyGlobals&) = delete;

  // "ANWENDUNG" ("INTRO", "PARTIKEL", "MUSIC_VOLUME"; a missing key keeps its default),
  // then the controls and the camera job list.
  void LoadSettings() override;
  // Appends "ANWENDUNG" with "INTRO", "PARTIKEL" and "MUSIC_VOLUME".
  void SaveSettings(KVNode* root) override;
  // The team roster ("teams.man"), when it was read this run.
  void SavePlayerFiles() override;
  // The post effects, the wind, the camera and the box texture; the animation manager draws with
  // the device's graphics manager from now on; the mouse goes to the centre of the display.
  void CreateDeviceObjects() override;
  // Writes the key configuration and the campaign progress (as the destructor does), for an
  // end that cannot go through the destructor.
  void SaveKeysAndProgress();
  // Installs the game's three font files from the archive with the font manager.
  void RegisterFonts();

  APIContext* GetContext() const { return m_context; }
  const DataArchive* GetArchive() const { return m_archive.get(); }
  MusikPlayer* GetMusikPlayer() const { return m_musikPlayer.get(); }
  Namen* GetNamen() const { return m_namen.get(); }
  AnimationManager* GetAnimationManager() const { return m_animations.get(); }
  WormManager* GetWormManager() const { return m_wormManager.get(); }
  EbenenEigenschaften* GetLayerProperties() const { return m_layerProperties.get(); }
  // Null until the settings are loaded.
  SteuerungListe* GetSteuerungListe() const { return m_controls.get(); }
  PartikelListe* GetPartikelListe() const { return m_particles.get(); }
  // The world of the running battle: an empty one until a level is built.
  Welt* GetWelt() const { return m_welt.get(); }
  // The world build's new world replaces (and deletes) the one there was.
  void SetWelt(std::unique_ptr<Welt> welt);
  EventTable* GetEventTable() const { return m_events.get(); }
  ExplosionTable* GetExplosionTable() const { return m_explosions.get(); }
  // What events reach of the game.
  GameEventHost* GetEventHost() const { return m_eventHost.get(); }
  WaffenSet* GetWaffenSet() const { return m_weapons.get(); }
  // Null until the device objects are made.
  CameraManager* GetCamera() const { return m_camera.get(); }
  WasserManager* GetWasserManager() const { return m_wasserManager.get(); }
  // Null until the device objects are made.
  WindManager* GetWindManager() const { return m_windManager.get(); }
  BonusSettings* GetBonusSettings() const { return m_bonus.get(); }
  KraftfeldListe* GetKraftfeldListe() const { return m_forceFields.get(); }
  RenderExtraListe* GetRenderExtras() const { return m_renderExtras.get(); }
  TeleporterListe* GetTeleporterListe() const { return m_teleporters.get(); }
  // Null until the device objects are made.
  PostEffectLibrary* GetPostEffects() const { return m_postEffects.get(); }
  SettingKatalog* GetSettingKatalog() const { return m_katalog.get(); }
  UnlockListe& GetUnlocks() { return m_unlocks; }
  // What particles reach: installed for the whole life of the game-wide object.
  SimServices& GetSimServices() { return m_simServices; }
  // Null until the settings are loaded.
  CameraJobList* GetCameraJobs() const { return m_cameraJobs.get(); }

  // The object with that id: a particle first, then a worm, then another person of the
  // worm and team manager, then an object a weapon keeps; null when none has it.
  Objekt* FindObject(uint32_t id) const override;
  // Appends every particle, then every worm in the game.
  void CollectObjects(std::vector<Objekt*>& out) const;

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
  // Menu and battle text: the title, plain, highlighted and green styles.
  TextStyle textStyles[4];
  std::u16string fontFaces[2];
  // "PARTIKEL": every earthStep-th pixel an explosion removes becomes an earth particle;
  // at most particleMaximum particles fly at once.
  int32_t earthStep = kDefaultEarthStep;
  int32_t particleMaximum = kDefaultParticleMaximum;
  // Set to kBusyTime by the camera job list; the battle counts it down and waits for it.
  double busyTime = 0.0;
  // The world point under the mouse, as the camera last saw it.
  Vector2 cursorPoint{0.0f, 0.0f};
  // How far from its worm the crosshair is drawn, and how many worms a new team fields.
  double crosshairDistance = 150.0;
  int32_t newTeamWormCount = 6;
  // Set once and never changed: while set, menu fades jump to their end value.
  int32_t instantTransitions = 1;
  // Requests to the battle, consumed by its update: the weapon store panel (0 none, 1 open,
  // 2 close, 3 toggle) and a non-zero request that the team's next worm takes the turn.
  int32_t panelRequest = 0;
  int32_t switchWormRequest = 0;
  // Worm switching is open this turn (the switch tool), or allowed at any time.
  uint8_t switchOpen = 0;
  uint8_t switchAlways = 0;
  // Objects the battle steps in one pass; empty until it fills it.
  ObjectList<Objekt> objects;
  Argb teamColours[kTeamColourCount];
  // The battle's message panels and fading lines, empty until the battle places them.
  MessagePanel messagePanel1;
  MessagePanel messagePanel2;
  FadingTextList fadingTextList;

 private:
  APIContext* m_context;
  SimServices m_simServices;
  UnlockListe m_unlocks;
  std::u16string m_unlockPath;
  std::u16string m_keyConfigPath;
  std::unique_ptr<Namen> m_namen;
  std::unique_ptr<AnimationManager> m_animations;
  std::unique_ptr<WormManager> m_wormManager;
  std::unique_ptr<EbenenEigenschaften> m_layerProperties;
  std::unique_ptr<SteuerungListe> m_controls;
  std::unique_ptr<PartikelListe> m_particles;
  std::unique_ptr<Welt> m_welt;
  std::unique_ptr<EventTable> m_events;
  std::unique_ptr<ExplosionTable> m_explosions;
  std::unique_ptr<GameEventHost> m_eventHost;
  std::unique_ptr<WaffenSet> m_weapons;
  std::unique_ptr<CameraManager> m_camera;
  std::unique_ptr<WasserManager> m_wasserManager;
  std::unique_ptr<WindManager> m_windManager;
  std::unique_ptr<BonusSettings> m_bonus;
  std::unique_ptr<KraftfeldListe> m_forceFields;
  std::unique_ptr<RenderExtraListe> m_renderExtras;
  std::unique_ptr<TeleporterListe> m_teleporters;
  std::unique_ptr<PostEffectLibrary> m_postEffects;
  std::unique_ptr<SettingKatalog> m_katalog;
  std::unique_ptr<CameraJobList> m_cameraJobs;
  std::unique_ptr<DataArchive> m_archive;
  std::unique_ptr<MusikPlayer> m_musikPlayer;
  int m_musicVolume = kDefaultMusicVolume;
  const TexturePartRecord* m_boxTexture = nullptr;
  Rect m_boxCells[9];
  // The cells of the skin being drawn.
  Rect m_skinCells[9];
};
