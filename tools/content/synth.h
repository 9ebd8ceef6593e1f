// Building blocks of the sound and music synthesisers: oscillators, noise, filters and
// envelopes, all in double precision and seeded, so a recipe always renders the same samples.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "content/noise.h"

namespace content {

constexpr double kTwoPi = 6.283185307179586;

// Band-limited (polyBLEP) oscillators driven by a phase 0..1.
class Oscillator {
 public:
  enum class Wave { Sine, Triangle, Saw, Square };
  explicit Oscillator(Wave wave, double phase = 0.0) : m_wave(wave), m_phase(phase) {}
  // One sample at the given frequency (Hz) and sample rate; pulse width for squares.
  double Next(double freq, double rate, double width = 0.5);

 private:
  Wave m_wave;
  double m_phase;
};

class WhiteNoise {
 public:
  explicit WhiteNoise(uint32_t seed) : m_rng(seed) {}
  double Next() { return m_rng.Unit() * 2.0 - 1.0; }

 private:
  Rng m_rng;
};

// Two-pole filters (the common cookbook forms); coefficients may change every sample.
class Biquad {
 public:
  enum class Type { LowPass, HighPass, BandPass };
  void Set(Type type, double freq, double q, double rate);
  double Process(double x);

 private:
  double m_b0 = 1, m_b1 = 0, m_b2 = 0, m_a1 = 0, m_a2 = 0;
  double m_x1 = 0, m_x2 = 0, m_y1 = 0, m_y2 = 0;
};

// A percussive envelope: linear attack, then exponential decay with time constant tau.
double AttackDecay(double t, double attack, double tau);
// Attack, decay to sustain, release after 'length'; all in seconds.
double Adsr(double t, double attack, double decay, double sustain, double length, double release);
// Exponential glide from a to b over 'time' seconds, then b.
double Glide(double t, double a, double b, double time);

// Peak absolute sample value.
double Peak(const std::vector<float>& samples);
// Scales so that the peak is 'target'; silence stays silent.
void Normalise(std::vector<float>& samples, double target);
// Short fades at both ends so playback never starts or stops with a click.
void Declick(std::vector<float>& samples, int channels, int rate, double fadeIn = 0.001,
             double fadeOut = 0.005);

double NoteFrequency(int midiNote);

}  // namespace content
