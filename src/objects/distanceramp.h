// A value that changes with distance: `nearValue` up to `nearDistance`, `farValue` from
// `farDistance` on, linear between. Explosions push and hurt by it, and the earth thrown
// out of a crater takes its speed from it.
#pragma once

struct DistanceRamp {
  double nearValue = 0.0;
  double farValue = 0.0;
  double nearDistance = 0.0;
  double farDistance = 0.0;
};
