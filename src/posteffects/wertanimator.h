// The value animator of the post effects: a float, a two-float or a four-float value that
// blends from a start to a target over a blend time, advanced by the frame step. Every
// animated parameter of a post effect is one.
#pragma once

#include <cmath>
#include <type_traits>

#include "platform/effect.h"
#include "platform/math2d.h"

namespace pe {

// Component-wise arithmetic of the vector value types, in single precision.
inline platform::Vector4 operator-(const platform::Vector4& a, const platform::Vector4& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z, a.w - b.w};
}
inline platform::Vector4 operator+(const platform::Vector4& a, const platform::Vector4& b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w};
}
inline platform::Vector4 operator*(const platform::Vector4& a, float s) {
  return {a.x * s, a.y * s, a.z * s, a.w * s};
}

// T is float, platform::Vector2 or platform::Vector4. The owner sets start, current,
// target and blend time before the first use; owners always call one of two sequences:
// blend (StartFromCurrent, SetTarget, SetBlendTime(t > 0)) or set at once (SetNow,
// SetTarget, SetBlendTime(none)).
template <typename T>
class WertAnimator {
 public:
  WertAnimator() = default;

  void SetNow(const T& value) {
    m_start = value;
    m_current = value;
    m_elapsed = 0.0;
  }
  void SetTarget(const T& value) {
    m_target = value;
    m_elapsed = 0.0;
  }
  // No time, or exactly 0, counts as a blend already over; a negative time is kept and so
  // lands on the target at the next Update.
  void SetBlendTime(const double* time) {
    m_elapsed = 0.0;
    if (!time || *time == 0.0) {
      m_blendTime = 0.001;
      m_elapsed = 0.001;
      return;
    }
    m_blendTime = *time;
  }
  void StartFromCurrent() { m_start = m_current; }

  void Update(double dt) {
    m_elapsed += dt;
    if (m_elapsed > m_blendTime && m_stopAtTarget) {
      m_current = m_target;
      return;
    }
    const double r = m_elapsed / m_blendTime;
    const double f = m_exponent == 1.0 ? r : std::pow(r, m_exponent);
    if constexpr (std::is_same_v<T, float>) {
      m_current = float(double(m_start) + (double(m_target) - double(m_start)) * f);
    } else {
      m_current = m_start + (m_target - m_start) * float(f);
    }
  }

  bool IsDone() const { return m_elapsed >= m_blendTime; }
  const T& Current() const { return m_current; }
  const T& Start() const { return m_start; }
  const T& Target() const { return m_target; }
  double Elapsed() const { return m_elapsed; }
  double BlendTime() const { return m_blendTime; }
  void SetStopAtTarget(bool stop) { m_stopAtTarget = stop; }
  void SetExponent(double exponent) { m_exponent = exponent; }

  // The two call sequences every owner uses: a blend from where the value stands when a
  // positive time is given, else the value at once.
  void BlendOrSet(const T& value, const double* time) {
    if (time && *time > 0.0) {
      StartFromCurrent();
      SetTarget(value);
      SetBlendTime(time);
    } else {
      SetNow(value);
      SetTarget(value);
      SetBlendTime(nullptr);
    }
  }

 private:
  bool m_stopAtTarget = true;
  double m_exponent = 1.0;
  T m_start{};
  T m_current{};
  T m_target{};
  double m_elapsed = 0.0;
  double m_blendTime = 0.001;
};

}  // namespace pe
