// Distance ramps: reading and the value at a distance.
#include "objects/distanceramp.h"

#include <algorithm>
#include <cmath>

#include "engine/kvnode.h"

DistanceRamp DistanceRamp::Read(const KVNode* block) {
  DistanceRamp ramp;
  if (!block) return ramp;
  double* fields[4] = {&ramp.nearValue, &ramp.farValue, &ramp.nearDistance, &ramp.farDistance};
  for (unsigned i = 0; i < 4 && i < block->GetValueCount(); ++i) {
    const double v = block->GetValue(i)->AsDouble();
    if (std::isfinite(v)) *fields[i] = v;
  }
  return ramp;
}

double DistanceRamp::Interpolate(double d) const {
  const double span = farDistance - nearDistance;
  if (span == 0.0) return nearValue;
  return nearValue + (d - nearDistance) / span * (farValue - nearValue);
}

std::optional<double> DistanceRamp::At(double d) const {
  if (!(nearDistance <= d && d <= farDistance)) return std::nullopt;
  return std::clamp(Interpolate(d), std::min(nearValue, farValue), std::max(nearValue, farValue));
}
