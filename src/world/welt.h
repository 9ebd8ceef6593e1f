// The world of the running battle: three groups of landscape layers (background, game and
// foreground), a backdrop behind them all, the world rectangle and the level's layer
// properties. The main game layer is the terrain everything tests and changes: the
// collision test, the outside code, craters, stamping and the searches for drop and spawn
// places work on it. The game-wide object keeps one world for the whole run, replaced at
// every level start; front-end screens make small preview worlds of their own.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "engine/gfxtypes.h"
#include "world/collisionshape.h"
#include "world/ebeneneigenschaft.h"
#include "world/landschaft.h"
#include "world/worldbounds.h"

class APIContext;
class APIGraphics;
class AnimationManager;
class EbenenHintergrund;
class FrameTimer;
class LandStamp;
class LevelInfo;
class WaterSurface;

// What the spawn search needs of an object (Objekt::GetSize and Objekt::GetPosition):
// game objects implement it when they join the tree.
class PlaceableObject {
 public:
  virtual ~PlaceableObject() = default;
  virtual Vector2 GetSize() const = 0;
  // The stored position; the spawn search overwrites it.
  virtual Vector2& GetPosition() = 0;
};

// The water and the wind read the world's rectangle through WorldBounds.
class Welt : public WorldBounds {
 public:
  // A place handed out by the spawn search, with the minimum distance it was placed with.
  struct SpawnPosition {
    Vector2 position;
    double distance = 0.0;
  };
  // The drop search's column: rows are walked from `first` while below `end`, and the
  // free run must be longer than `needed`.
  struct DropParameters {
    double first = 0.0;
    double end = 2000.0;
    double needed = 50.0;
  };
  // Attempts after which the drop and spawn searches give up: a world without any valid
  // place would otherwise keep them searching for ever.
  static constexpr int kMaxPlacementAttempts = 10000;
  // At most this many layers are cut by craters and shapes.
  static constexpr int kMaxCutLayers = 10;

  // The layer groups AddLayer takes.
  enum Group : int32_t { kBackground = -1, kGame = 0, kForeground = 1 };

  // Empty groups, no backdrop, the default layer properties; the rectangle when given,
  // else (0, 0, 0, 0) until Setup.
  explicit Welt(const Rect* rect = nullptr);
  // The background layers go first, then the game layers, then the foreground layers. The
  // backdrop belongs to the setting catalogue.
  ~Welt() override;
  Welt(const Welt&) = delete;
  Welt& operator=(const Welt&) = delete;

  // Makes the world ready for a build of the level: every layer goes, the layer properties
  // are the level's, and the rectangle is the level's scaled by its build scale (each
  // value truncated). The backdrop is drawn with the context's graphics manager (null: the
  // process-wide context), and the searches keep away from its game-wide object's water.
  void Setup(const LevelInfo& level, APIContext* context = nullptr);

  Rect GetWorldRect() const override { return m_rect; }
  void SetWorldRect(const Rect& rect) { m_rect = rect; }
  const EbenenEigenschaft& GetLayerProperties() const { return m_layerProperties; }
  // Pixels per second squared; particles add it times their own factor.
  const Vector2& GetGravity() const { return m_layerProperties.gravity; }

  // The backdrop drawn behind everything (null: none). A backdrop lays its animations out
  // for the screen at once.
  void SetBackdrop(EbenenHintergrund* backdrop);
  EbenenHintergrund* GetBackdrop() const { return m_backdrop; }

  // Takes the layer into a group (kBackground, kGame or kForeground; any other value
  // drops it). It goes before the first layer from the group's second on whose depth is
  // greater than its own, else to the end: the group's first layer keeps its place, so
  // background depths -1, -2, -3 come out as -1, -3, -2.
  void AddLayer(std::unique_ptr<Landschaft> layer, int32_t group);
  const std::vector<std::unique_ptr<Landschaft>>& BackgroundLayers() const { return m_backgroundLayers; }
  const std::vector<std::unique_ptr<Landschaft>>& ForegroundLayers() const { return m_foregroundLayers; }

  // The layer becomes game layer 0 and the main layer; `copies` clones follow it, each
  // cloned from the one before and tinted with the colour (so tints compound), copy k
  // with the main layer's parallax plus k times the change.
  void SetGameLayers(std::unique_ptr<Landschaft> layer, int32_t copies, float changeX, float changeY,
                     Argb colour);
  // The main layer; when none was set, game layer 0 becomes it. Null without game layers.
  Landschaft* GetGameLandschaft();
  const std::vector<std::unique_ptr<Landschaft>>& GameLayers() const { return m_gameLayers; }
  // After the frame's pixel work, so that the tiles can be drawn.
  void UnlockGameLayers();
  // Each layer's named animations, made once after the build: game, then foreground, then
  // background layers, each group last to first.
  void CreateLayerAnimations(const AnimationManager& manager);
  // The backdrop's animations, then the layers' in the order above.
  void Update(const FrameTimer& timer);

  // The drawing family, each for a camera position and zoom, inside the caller's sprite
  // batch. Every group is drawn from its last layer to its first, so game layer 0 (the
  // terrain) lies over its copies. Each layer places itself by its parallax and offset.
  //
  // The backdrop first (with drawBackdrop), each picture stretched over the screen plus a
  // margin of its size times its parallax and the zoom, slid across that margin by the
  // scroll fraction (0 .. 1, from the camera); then the background layers.
  //
  // Drawn in an opaque colour, what the opaque texels of layers drawn later paint over is
  // left out, and so are the pictures' clear parts: in each group (the foreground too), of
  // every layer what the group's layers in front hide; behind
  // the background layers, the backdrop they hide; and with gameLayersFollow (the caller
  // draws the game layers next in an opaque colour at the same camera), of the background
  // what the game layers hide.
  void DrawBackground(const Vector2& camera, const Vector2& zoom, const Vector2& scrollFraction, Argb colour,
                      bool drawBackdrop, bool gameLayersFollow = false);
  // The backdrop alone. Rows that are transparent in a picture, and rows that a later
  // picture covers with opaque rows across the screen, are left out; so are the parts that
  // later pictures, and with a cover what it hides, paint over.
  void DrawBackdrop(const Vector2& zoom, const Vector2& scrollFraction, Argb colour, const ScreenCover* cover = nullptr);
  void DrawGameLayers(const Vector2& camera, const Vector2& zoom, Argb colour);
  // Whether hidden parts are left out (the default); drawing everything gives the same
  // picture at a higher cost.
  void SetLeavesOutHidden(bool leaveOut) { m_leaveOutHidden = leaveOut; }
  void DrawForegroundLayers(const Vector2& camera, const Vector2& zoom, Argb colour);
  // The layers' animations that the current render extra colours; true when any drew.
  bool DrawBackgroundAnimations(const Vector2& camera, const Vector2& zoom);
  bool DrawGameLayerAnimations(const Vector2& camera, const Vector2& zoom);
  bool DrawForegroundAnimations(const Vector2& camera, const Vector2& zoom);
  // The group in the current render extra's colour for its layer key (index 0). Nothing is
  // drawn, and the result is false, when the entry has no such colour or its alpha is 0;
  // else true when the colour has any red, green or blue.
  bool DrawBackgroundTinted(const Vector2& camera, const Vector2& zoom);
  bool DrawGameLayersTinted(const Vector2& camera, const Vector2& zoom);
  bool DrawForegroundTinted(const Vector2& camera, const Vector2& zoom);
  Vector2 FreeDirectionAt(const Vector2& point, int32_t range, int32_t length);
  Vector2 SurfaceTangentAt(const Vector2& point, int32_t range, int32_t width);
  // Landschaft::AnySolidIn on the main layer (false without one).
  bool AnySolidIn(int32_t left, int32_t top, int32_t right, int32_t bottom);

  // The water the searches keep away from (the water manager's active surface). Without
  // one the surface is the world's bottom edge, as it is when no body of water is active.
  void SetWaterSurface(const WaterSurface* water) { m_water = water; }
  double WaterSurfaceY() const;

  // True with the hit pixel when the shape covers a solid pixel of the main layer; the
  // first hit (x outer, y inner) ends the test.
  bool TestCollision(const CollisionShape& shape, Vector2& hit);
  // Which side of the world the rectangle has left completely: 3 left, 2 right, 1 below
  // (combined by or); nothing for above, so things may fly above the world.
  int32_t OutsideCode(const Rect& r) const {
    int32_t code = 0;
    if (r.right < m_rect.left) code |= 3;
    if (r.left > m_rect.right) code |= 2;
    if (r.top > m_rect.bottom) code |= 1;
    return code;
  }

  // Clears a disc in the layers to cut (layerArgument < 0: every game layer, else the first
  // layerArgument + 1), graded: narrower in the copies. Solid pixels cleared in the main
  // layer are appended to `removed`.
  void CarveCrater(const Vector2& centre, double radius, std::vector<RemovedPixel>* removed,
                   int32_t layerArgument, bool graded);
  // Erases the stamp's image from the layers to cut, the rectangle shrinking about its
  // centre from layer to layer when graded; the stamp is changed.
  void CarveShape(LandStamp& stamp, std::vector<RemovedPixel>* removed, int32_t layerArgument, bool graded);
  // -1: the main layer; 0 .. count - 1: that game layer; else false without stamping.
  bool StampIntoLayer(const LandStamp& stamp, int32_t index, std::vector<RemovedPixel>* removed);
  // A place in open air above a free column, well above the water. False when none was
  // found within the attempts (out untouched). Without a main layer: (0, needed).
  bool FindDropPosition(Vector2& out, const DropParameters& parameters);
  // Moves the object to a place on the ground, apart from the earlier ones (a rule dropped
  // after 100 candidates), and records it. False when no place was found within the
  // attempts, or without a main layer; the object is then left where it was.
  bool FindSpawnPosition(PlaceableObject& object, double minDistance, const Vector2* preset);
  const std::vector<SpawnPosition>& SpawnPositions() const { return m_spawnPositions; }

 private:
  using LayerGroup = std::vector<std::unique_ptr<Landschaft>>;
  int32_t LayersToCut(int32_t layerArgument) const;
  bool DrawTinted(const LayerGroup& group, int32_t layerKey, const Vector2& camera, const Vector2& zoom);
  // A screen-sized cover when drawing in `colour` may leave hidden parts out, else nothing.
  std::optional<ScreenCover> NewCover(Argb colour) const;
  // The group drawn last to first, each layer leaving out what those in front hide and its
  // clear parts (everything drawn when NewCover gives no cover).
  void DrawGroupLeavingOut(const LayerGroup& group, const Vector2& camera, const Vector2& zoom, Argb colour);
  bool m_leaveOutHidden = true;
  void DeleteLayers();

  APIGraphics* m_graphics = nullptr;
  Landschaft* m_main = nullptr;
  LayerGroup m_gameLayers;
  LayerGroup m_foregroundLayers;
  LayerGroup m_backgroundLayers;
  EbenenHintergrund* m_backdrop = nullptr;
  Rect m_rect;
  EbenenEigenschaft m_layerProperties;
  std::vector<SpawnPosition> m_spawnPositions;
  const WaterSurface* m_water = nullptr;

  // Answers of the box test, the area test and the surface tangent on the main layer, kept
  // for as long as that layer is not written: what lies at rest asks the same each frame.
  // Keyed by the exact bits of the question, one place per question by a hash of it.
  struct Asked {
    uint64_t store = 0;
    uint64_t writes = 0;
    uint32_t key[4] = {};
    bool Is(const Landschaft& land, uint64_t count, const uint32_t (&k)[4]) const {
      return store == land.Id() && writes == count && key[0] == k[0] && key[1] == k[1] && key[2] == k[2] &&
             key[3] == k[3];
    }
    void Set(const Landschaft& land, uint64_t count, const uint32_t (&k)[4]) {
      store = land.Id();
      writes = count;
      for (int i = 0; i < 4; ++i) key[i] = k[i];
    }
  };
  struct BoxAnswer : Asked {
    bool hit = false;
    Vector2 at;
  };
  struct TangentAnswer : Asked {
    Vector2 tangent;
  };
  static size_t Slot(const uint32_t (&k)[4], size_t slots);
  std::array<BoxAnswer, 64> m_boxAnswers;
  std::array<TangentAnswer, 32> m_tangentAnswers;
  struct AreaAnswer : Asked {
    bool solid = false;
  };
  std::array<AreaAnswer, 64> m_areaAnswers;
};
