// Oscillators, filters and envelopes of the synthesisers.
#include "content/synth.h"

#include <algorithm>

namespace content {
namespace {

// Smooths the jump of a naive waveform at phase 0 (t = phase, dt = phase step).
double PolyBlep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1.0;
  }
  if (t > 1.0 - dt) {
    t = (t - 1.0) / dt;
    return t * t + t + t + 1.0;
  }
  return 0.0;
}

}  // namespace

double Oscillator::Next(double freq, double rate, double width) {
  double dt = std::clamp(freq / rate, 0.0, 0.5);
  double t = m_phase;
  double out = 0;
  switch (m_wave) {
    case Wave::Sine:
      out = std::sin(kTwoPi * t);
      break;
    case Wave::Saw:
      out = 2.0 * t - 1.0 - PolyBlep(t, dt);
      break;
    case Wave::Triangle:
      // Its harmonics fall off fast enough that the naive shape does not alias audibly.
      out = 1.0 - 4.0 * std::fabs(t - 0.5);
      break;
    case Wave::Square: {
      out = t < width ? 1.0 : -1.0;
      out += PolyBlep(t, dt);
      double t2 = t - width + (t < width ? 1.0 : 0.0);
      out -= PolyBlep(t2 - std::floor(t2), dt);
      break;
    }
  }
  m_phase += dt;
  if (m_phase >= 1.0) m_phase -= 1.0;
  return out;
}

void Biquad::Set(Type type, double freq, double q, double rate) {
  freq = std::clamp(freq, 10.0, rate * 0.45);
  double w0 = kTwoPi * freq / rate;
  double alpha = std::sin(w0) / (2.0 * q);
  double c = std::cos(w0);
  double a0 = 1.0 + alpha;
  double b0, b1, b2;
  switch (type) {
    case Type::LowPass:
      b0 = (1 - c) / 2;
      b1 = 1 - c;
      b2 = (1 - c) / 2;
      break;
    case Type::HighPass:
      b0 = (1 + c) / 2;
      b1 = -(1 + c);
      b2 = (1 + c) / 2;
      break;
    default:
      b0 = alpha;
      b1 = 0;
      b2 = -alpha;
      break;
  }
  m_b0 = b0 / a0;
  m_b1 = b1 / a0;
  m_b2 = b2 / a0;
  m_a1 = -2 * c / a0;
  m_a2 = (1 - alpha) / a0;
}

double Biquad::Process(double x) {
  double y = m_b0 * x + m_b1 * m_x1 + m_b2 * m_x2 - m_a1 * m_y1 - m_a2 * m_y2;
  m_x2 = m_x1;
  m_x1 = x;
  m_y2 = m_y1;
  m_y1 = y;
  return y;
}

double AttackDecay(double t, double attack, double tau) {
  if (t < 0) return 0;
  if (t < attack) return t / attack;
  return std::exp(-(t - attack) / tau);
}

double Adsr(double t, double attack, double decay, double sustain, double length, double release) {
  auto level = [&](double tt) {
    if (tt < attack) return tt / attack;
    if (tt < attack + decay) return 1.0 - (1.0 - sustain) * (tt - attack) / decay;
    return sustain;
  };
  if (t < 0) return 0;
  if (t < length) return level(t);
  double r = t - length;
  return r < release ? level(length) * (1.0 - r / release) : 0.0;
}

double Glide(double t, double a, double b, double time) {
  if (t >= time) return b;
  return a * std::pow(b / a, std::max(0.0, t) / time);
}

double Peak(const std::vector<float>& samples) {
  double peak = 0;
  for (float s : samples) peak = std::max(peak, double(std::fabs(s)));
  return peak;
}

void Normalise(std::vector<float>& samples, double target) {
  double peak = Peak(samples);
  if (peak <= 0) return;
  double gain = target / peak;
  for (float& s : samples) s = float(s * gain);
}

void Declick(std::vector<float>& samples, int channels, int rate, double fadeIn, double fadeOut) {
  size_t frames = samples.size() / size_t(channels);
  size_t in = std::min(frames / 2, size_t(fadeIn * rate)), out = std::min(frames / 2, size_t(fadeOut * rate));
  for (size_t i = 0; i < in; ++i)
    for (int c = 0; c < channels; ++c) samples[i * channels + c] *= float(double(i) / double(in));
  for (size_t i = 0; i < out; ++i)
    for (int c = 0; c < channels; ++c)
      samples[(frames - 1 - i) * channels + c] *= float(double(i) / double(out));
}

double NoteFrequency(int midiNote) { return 440.0 * std::pow(2.0, (midiNote - 69) / 12.0); }

}  // namespace content
