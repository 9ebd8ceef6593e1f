// What the terrain asks of the water: the y of the active water surface in world pixels
// (WasserManager::GetSurfaceY). The water manager implements it when it joins the tree;
// until then the terrain's callers hand in whatever stands for the water.
#pragma once

class WaterSurface {
 public:
  virtual ~WaterSurface() = default;
  virtual double GetSurfaceY() const = 0;
};
