#include "battle/wertanimator.h"

#include <cmath>

namespace {
constexpr double kShortestDuration = 0.001;
}

void WertAnimator::SetValue(const double& value) {
  m_start = value;
  m_current = value;
  m_elapsed = 0.0;
}

void WertAnimator::Set(const double& target) {
  m_target = target;
  m_elapsed = 0.0;
}

void WertAnimator::SetSpeed(const double* duration) {
  // A NaN duration would make every later value NaN; it is treated like a missing one.
  if (!duration || *duration == 0.0 || std::isnan(*duration)) {
    m_duration = kShortestDuration;
    m_elapsed = kShortestDuration;
    return;
  }
  m_elapsed = 0.0;
  m_duration = *duration;
}

void WertAnimator::SetExponent(const double* exponent) { m_exponent = exponent ? *exponent : 1.0; }

void WertAnimator::Reset() { m_start = m_current; }

void WertAnimator::Step(const double& dt) {
  m_elapsed += dt;
  if (m_elapsed > m_duration && m_stopAtTarget) {
    m_current = m_target;
    return;
  }
  double t = m_elapsed / m_duration;
  if (m_exponent != 1.0) t = std::pow(t, m_exponent);
  m_current = m_start + (m_target - m_start) * t;
}
