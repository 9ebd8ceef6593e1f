// The one top-level scene the shell drives. For now it makes the loading screens, loads the
// language file, a backdrop and the game-wide object's data files whose managers exist
// behind the start's loading screen, builds the world of "mainmenu.lvl" behind the battle's
// loading screen and shows it through the battle's camera, slowly panning from one end to the
// other until the player drags, scrolls or zooms the view, with animated water along its
// bottom and a wind meter whose wind changes every few seconds; Enter starts a hot-seat
// battle of two teams on that world; it keeps a title song playing and ends the program on
// Escape. The front end fills it in (the remaining
// data files, menus, the battle).
#pragma once

#include <cstdint>
#include <memory>

#include "engine/apiinput.h"
#include "engine/gfxtypes.h"
#include "posteffects/posteffectscene.h"
#include "world/worldbounds.h"

class APIContext;
class EngineShowcase;
class LevelInfo;
class MenuBattle;
class MenuCraters;
class MenuShooter;
class MenuWorms;
class MyGlobals;
class MyLoadScreen;
class WasserManager;
class Welt;
class WindManager;
struct ViewRect;

namespace platform {
class Texture;
}

class MainMenu : public MyControl, public PostEffectScene {
 public:
  static constexpr unsigned kBackground = 0xFF1B2230;
  // Random picks of a song at most, should they keep landing on one that cannot be loaded.
  static constexpr int kMaxSongPicks = 64;
  // The backdrop's body of water and wind, and how often the wind changes.
  static constexpr const char16_t* kBackdropWater = u"SEE";
  static constexpr const char16_t* kBackdropWind = u"WIND";
  static constexpr double kWindChangeSeconds = 4.0;
  // The level behind the menus, and the seconds the view takes from one end to the other.
  static constexpr const char16_t* kMenuLevel = u"mainmenu.lvl";
  static constexpr double kPanSeconds = 45.0;
  // How long the camera watches a blast a click set off, how fast it gets there, and the id
  // its job follows (no object: the blast's place).
  static constexpr double kBlastWatchSeconds = 2.0;
  static constexpr double kBlastFollowRate = 4.0;
  static constexpr uint32_t kNoObject = 0xFFFFFFFFu;

  // Registers with the input manager, makes the three loading screens of "Splash.spl" and
  // loads what the scene has so far behind the first, one frame per step: the language file
  // and the game-wide object's data files (the water and the winds among them). Without a
  // context the process-wide one is used.
  explicit MainMenu(APIContext* context = nullptr);
  ~MainMenu() override;
  MainMenu(const MainMenu&) = delete;
  MainMenu& operator=(const MainMenu&) = delete;

  // Once per pass of the main loop, after the frame timer, input and sound.
  void Update();
  // At most 60 times a second.
  void Render();
  // After every pass not skipped for a lost device: pauses the song while the window is
  // inactive, resumes it on return, and starts a random title song when none is playing.
  void UpdateMusic();

  void OnKeyDown(const InputState* state) override;
  // The wheel zooms the camera about the cursor.
  void OnMouseWheel(const InputState* state) override;
  // A click (press and release without a drag) on the menu world carves a crater.
  void OnLeftButtonDown(const InputState* state) override;
  void OnLeftButtonUp(const InputState* state) override;
  MenuCraters* GetCraters() const { return m_craters.get(); }
  MenuWorms* GetWorms() const { return m_worms.get(); }
  MenuShooter* GetShooter() const { return m_shooter.get(); }
  // The hot-seat battle on the menu world (null without one): Enter starts it; the worms
  // and the shooting range leave then.
  MenuBattle* GetBattle() const { return m_battle.get(); }
  // Starts it; false when there is no menu world or the battle cannot start.
  bool StartBattle();
  // The seed of the battle's draws; 0 takes the tick count at the start.
  uint32_t battleSeed = 0;

  // The menu world stands in for the battle in the post-effect chain: its layers and water,
  // and its layers in a render extra's key colours.
  void RenderPass() override;
  bool RenderForEffect(const std::u16string& name) override;

  // The loading screens of the start, of a battle start and of level previews.
  MyLoadScreen* SplashScreen() const { return m_splashScreen.get(); }
  MyLoadScreen* StartScreen() const { return m_startScreen.get(); }
  MyLoadScreen* PreviewScreen() const { return m_previewScreen.get(); }
  // The water and winds the scene shows: the game-wide object's, which hold "wasser.was" and
  // "wind.wnd" for the whole run; null without the game-wide object (or, for the winds,
  // before the device exists).
  WasserManager* GetBackdropWater() const;
  WindManager* GetBackdropWind() const;
  // The corner panel the engine's services draw until the menus replace it.
  EngineShowcase* GetShowcase() const { return m_showcase.get(); }
  // The world of "mainmenu.lvl", kept by the game-wide object as the world of the last
  // level; null when it could not be built (no content archive or graphics manager).
  const Welt* GetMenuWorld() const;
  // Where the world is shown: the screen position of the world's origin (the layers'
  // camera), the zoom, and how far the view has come along its way (0 .. 1).
  void GetMenuView(Vector2& camera, Vector2& zoom, double& travel) const;

 private:
  // Loads a random song of the current kind, rewinds, plays it and applies the music
  // volume. When no song of the kind can be loaded the kind stays silent for the run.
  void StartRandomSong();
  // The backdrop's body of water fills the screen's bottom and its wind comes into force.
  void StartBackdrop();
  // The screen's size changed: the water is laid out again over the new screen (unless it
  // runs along the menu world).
  void FitBackdropToScreen();
  // Builds the world of the menu level behind the start screen and hands it to the
  // game-wide object; the backdrop's water runs along its bottom from then on.
  void BuildMenuWorld();
  // The camera over the menu world: the player's controls drive it; until the player first
  // drags, scrolls or zooms (or a job asks it elsewhere) it follows the pan.
  void UpdateCamera(double step);
  bool CameraShowsWorld() const;
  // Where the world is drawn: by the camera, else along the menu's own way.
  void WorldTransform(Vector2& camera, Vector2& zoom, Vector2& centre) const;
  // The pan's view as a camera rectangle.
  ViewRect PanView() const;
  // A track across the top centre with a bar from its middle, as long as the shown wind
  // strength, to the side the wind blows to.
  void DrawWindMeter();

  // The animation files, the layer properties, the names, the water, the winds, the render
  // extras and the setting catalogue, in the order of the full load.
  void LoadDataFiles();
  // One loading step: the splash screen draws a frame and its progress grows by one; a quit
  // asked for meanwhile is noted, and the loading stops at the next step.
  void Step();
  bool Quitting();

  APIContext* m_context;
  MyGlobals* m_globals;
  std::unique_ptr<MyLoadScreen> m_splashScreen;
  std::unique_ptr<MyLoadScreen> m_startScreen;
  std::unique_ptr<MyLoadScreen> m_previewScreen;
  // The in-game songs play rather than the title songs.
  bool m_inGameMusic = false;
  // A quit came during loading: what is left is not loaded, and the scene never runs.
  bool m_quitting = false;
  // Per kind (title, in-game): no song of it could be loaded.
  bool m_silent[2] = {false, false};
  // The backdrop's world: the screen.
  FixedWorldBounds m_backdropWorld;
  double m_windClock = 0.0;
  std::unique_ptr<platform::Texture> m_white;
  std::unique_ptr<EngineShowcase> m_showcase;
  std::unique_ptr<MenuCraters> m_craters;
  std::unique_ptr<MenuWorms> m_worms;
  // After the worms: it goes first, while the worm it arms still exists.
  std::unique_ptr<MenuShooter> m_shooter;
  std::unique_ptr<LevelInfo> m_levelInfo;
  std::unique_ptr<MenuBattle> m_battle;
  int32_t m_pressX = -1, m_pressY = -1;
  bool m_hasMenuWorld = false;
  // Seconds of real time since the view started on its way, and the timer's total then.
  double m_panClock = 0.0;
  double m_panStart = -1.0;
  bool m_playerHasCamera = false;
};
