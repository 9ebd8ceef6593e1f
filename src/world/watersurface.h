// What the terrain asks of the water: the y of the active water surface in world pixels
// (WasserManager::GetSurfaceY). The water manager implements it; the world takes the
// game-wide one at its set-up, and tests hand in their own.
#pragma once

class WaterSurface {
 public:
  virtual ~WaterSurface() = default;
  virtual double GetSurfaceY() const = 0;
};
