// A double that glides from a start value to a target over a duration, linearly or along a
// power curve. Owners embed it by value, step it once a frame and read the current value.
#pragma once

class WertAnimator {
 public:
  // Only the stop flag and the exponent are set here; every owner sets the value, the
  // target and the duration before the first step.
  WertAnimator() = default;

  void SetValue(const double& value);
  void Set(const double& target);
  // A missing, zero or not-a-number duration becomes 0.001 with that much already
  // elapsed, so the next step lands on the target.
  void SetSpeed(const double* duration);
  void SetSpeed(const double& duration) { SetSpeed(&duration); }
  // Null means linear (1.0).
  void SetExponent(const double* exponent);
  void SetExponent(const double& exponent) { SetExponent(&exponent); }
  // The next glide starts from where the value stands now.
  void Reset();
  void Step(const double& dt);

  void SetStopAtTarget(bool stop) { m_stopAtTarget = stop; }
  bool StopsAtTarget() const { return m_stopAtTarget; }
  const double& GetExponent() const { return m_exponent; }
  const double& GetValue() const { return m_current; }
  const double& GetStart() const { return m_start; }
  const double& GetTarget() const { return m_target; }
  const double& GetElapsed() const { return m_elapsed; }
  const double& GetDuration() const { return m_duration; }

 private:
  bool m_stopAtTarget = true;
  double m_exponent = 1.0;
  double m_start = 0.0;
  double m_current = 0.0;
  double m_target = 0.0;
  double m_elapsed = 0.0;
  double m_duration = 0.001;
};
