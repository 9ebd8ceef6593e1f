// The world of a running battle, as far as the terrain needs it: the world rectangle and
// the game layers (the main layer, the terrain everything tests and changes, and its
// tinted copies behind it), with the collision test, the outside code, craters, stamping
// and the searches for drop and spawn places. The background and foreground groups, the
// backdrop, the layer properties, the build's Setup, the per-frame update and the drawing
// family join this class with the world model.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/gfxtypes.h"
#include "world/collisionshape.h"
#include "world/landschaft.h"

class LandStamp;
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

class Welt {
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

  explicit Welt(const Rect* rect = nullptr);
  ~Welt();
  Welt(const Welt&) = delete;
  Welt& operator=(const Welt&) = delete;

  Rect GetWorldRect() const { return m_rect; }
  void SetWorldRect(const Rect& rect) { m_rect = rect; }

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
  Vector2 FreeDirectionAt(const Vector2& point, int32_t range, int32_t length);
  Vector2 SurfaceTangentAt(const Vector2& point, int32_t range, int32_t width);

  // The water the searches keep away from (the water manager's active surface). Without
  // one the surface is the world's bottom edge, as it is when no body of water is active.
  void SetWaterSurface(const WaterSurface* water) { m_water = water; }
  double WaterSurfaceY() const;

  // True with the hit pixel when the shape covers a solid pixel of the main layer; the
  // first hit (x outer, y inner) ends the test.
  bool TestCollision(const CollisionShape& shape, Vector2& hit);
  // Which side of the world the rectangle has left completely: 3 left, 2 right, 1 below
  // (combined by or); nothing for above, so things may fly above the world.
  int32_t OutsideCode(const Rect& r) const;

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
  int32_t LayersToCut(int32_t layerArgument) const;

  Rect m_rect;
  Landschaft* m_main = nullptr;
  std::vector<std::unique_ptr<Landschaft>> m_gameLayers;
  std::vector<SpawnPosition> m_spawnPositions;
  const WaterSurface* m_water = nullptr;
};
