// A value that changes with distance: `nearValue` at `nearDistance`, `farValue` at
// `farDistance`, linear between. Explosions push and hurt by it, poison and render effects
// fade with it, and the earth thrown out of a crater takes its speed from it.
#pragma once

#include <optional>

class KVNode;

struct DistanceRamp {
  double nearValue = 0.0;
  double farValue = 0.0;
  double nearDistance = 0.0;
  double farDistance = 0.0;

  // Up to four values of the block in the order above; values not given stay 0.0, and a
  // value that is not a finite number counts as not given. A null block is all zero.
  static DistanceRamp Read(const KVNode* block);

  // The straight line through the two ends at d, without any bound; equal distances give
  // the near value.
  double Interpolate(double d) const;
  // The value at d when nearDistance <= d <= farDistance, clamped between the two values;
  // nothing outside that span.
  std::optional<double> At(double d) const;
};
