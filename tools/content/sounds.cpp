// Sound-effect recipes: enveloped noise and oscillators through swept filters.
#include "content/sounds.h"

#include <algorithm>
#include <cmath>

#include "content/synth.h"

namespace content {
namespace {

constexpr double kRate = kSoundRate;

std::vector<float> Render(double seconds, auto&& sample) {
  std::vector<float> out(size_t(seconds * kRate));
  for (size_t i = 0; i < out.size(); ++i) out[i] = float(sample(double(i) / kRate));
  return out;
}

// An explosion: a falling sine thump, a noise body whose filter closes, sparse crackle and
// a low rumble; 'size' 0 is a small blast, 1 a large one.
std::vector<float> Explosion(uint32_t seed, double size) {
  Rng rng(seed);
  double pitch = rng.Range(0.85, 1.15), decay = rng.Range(0.85, 1.2);
  double length = (1.1 + 1.5 * size) * decay;
  WhiteNoise noise(seed + 1), crackleNoise(seed + 2), rumbleNoise(seed + 3);
  Rng crackleRng(seed + 4);
  Oscillator thump(Oscillator::Wave::Sine);
  Biquad body, crackle, rumble;
  double brown = 0;
  return Render(length, [&](double t) {
    double f = Glide(t, (150 - 40 * size) * pitch, (48 - 14 * size) * pitch, 0.35 + 0.2 * size);
    double th = thump.Next(f, kRate) * AttackDecay(t, 0.002, (0.12 + 0.15 * size) * decay);
    body.Set(Biquad::Type::LowPass, Glide(t, 5000 * pitch, 250, 0.9 + 0.8 * size), 0.8, kRate);
    double b = body.Process(noise.Next()) * AttackDecay(t, 0.004, (0.25 + 0.45 * size) * decay);
    double p = 0.08 * std::exp(-t / (0.35 + 0.5 * size));
    double impulse = crackleRng.Unit() < p ? crackleNoise.Next() * 3.0 : 0.0;
    crackle.Set(Biquad::Type::BandPass, 1800 * pitch, 1.5, kRate);
    double c = crackle.Process(impulse) * (0.6 + 0.4 * size);
    brown = brown * 0.995 + rumbleNoise.Next() * 0.05;
    rumble.Set(Biquad::Type::LowPass, 140, 0.7, kRate);
    double r = rumble.Process(brown) * 0.9 * AttackDecay(t, 0.03, (0.35 + 0.45 * size) * decay);
    return std::tanh(1.3 * (0.9 * th + 0.8 * b + 0.5 * c + (0.4 + 0.4 * size) * r));
  });
}

std::vector<float> SmallExplosion(uint32_t seed) { return Explosion(seed, 0.0); }
std::vector<float> LargeExplosion(uint32_t seed) { return Explosion(seed, 1.0); }

std::vector<float> MenuClick(uint32_t seed) {
  WhiteNoise noise(seed);
  Oscillator tone(Oscillator::Wave::Sine);
  Biquad hp;
  hp.Set(Biquad::Type::HighPass, 3000, 0.7, kRate);
  return Render(0.05, [&](double t) {
    return 0.8 * tone.Next(Glide(t, 2000, 1500, 0.02), kRate) * AttackDecay(t, 0.0005, 0.007) +
           0.5 * hp.Process(noise.Next()) * AttackDecay(t, 0.0002, 0.002);
  });
}

std::vector<float> GameClick(uint32_t seed) {
  WhiteNoise noise(seed);
  Oscillator a(Oscillator::Wave::Sine), b(Oscillator::Wave::Triangle);
  Biquad bp;
  bp.Set(Biquad::Type::BandPass, 2500, 2.0, kRate);
  return Render(0.07, [&](double t) {
    double env = AttackDecay(t, 0.001, 0.012);
    return 0.6 * a.Next(1100, kRate) * env + 0.3 * b.Next(620, kRate) * env +
           0.4 * bp.Process(noise.Next()) * AttackDecay(t, 0.0002, 0.003);
  });
}

std::vector<float> MenuHover(uint32_t) {
  Oscillator tone(Oscillator::Wave::Sine), over(Oscillator::Wave::Sine);
  return Render(0.09, [&](double t) {
    double f = Glide(t, 1300, 1650, 0.05);
    return (tone.Next(f, kRate) + 0.2 * over.Next(f * 2, kRate)) * AttackDecay(t, 0.006, 0.025);
  });
}

std::vector<float> MenuSelect(uint32_t) {
  Oscillator first(Oscillator::Wave::Triangle), second(Oscillator::Wave::Triangle);
  Oscillator shine(Oscillator::Wave::Sine);
  return Render(0.28, [&](double t) {
    double a = first.Next(NoteFrequency(88), kRate) * AttackDecay(t, 0.003, 0.05);
    double t2 = t - 0.07;
    double b = t2 >= 0 ? second.Next(NoteFrequency(93), kRate) * AttackDecay(t2, 0.003, 0.08) : 0.0;
    double s = t2 >= 0 ? 0.25 * shine.Next(NoteFrequency(105), kRate) * AttackDecay(t2, 0.002, 0.04) : 0.0;
    return a + b + s;
  });
}

std::vector<float> Splash(uint32_t seed) {
  WhiteNoise noise(seed);
  Biquad bp, low;
  Oscillator plop(Oscillator::Wave::Sine);
  Rng rng(seed + 1);
  struct Bubble {
    double start, f0, f1, amp;
    Oscillator osc{Oscillator::Wave::Sine};
  };
  std::vector<Bubble> bubbles;
  for (int i = 0; i < 9; ++i) {
    double f0 = rng.Range(350, 700);
    bubbles.push_back({rng.Range(0.08, 0.7), f0, f0 * rng.Range(1.8, 2.6), rng.Range(0.15, 0.35)});
  }
  return Render(1.0, [&](double t) {
    bp.Set(Biquad::Type::BandPass, Glide(t, 700, 2600, 0.25), 0.9, kRate);
    double wash = bp.Process(noise.Next()) * AttackDecay(t, 0.012, 0.22);
    low.Set(Biquad::Type::LowPass, 900, 0.7, kRate);
    double body = low.Process(noise.Next()) * AttackDecay(t, 0.004, 0.08);
    double thud = plop.Next(Glide(t, 140, 60, 0.15), kRate) * AttackDecay(t, 0.002, 0.06);
    double bub = 0;
    for (auto& b : bubbles) {
      double bt = t - b.start;
      if (bt < 0 || bt > 0.12) continue;
      bub += b.amp * b.osc.Next(Glide(bt, b.f0, b.f1, 0.05), kRate) * AttackDecay(bt, 0.002, 0.025);
    }
    return 1.2 * wash + 0.6 * body + 0.7 * thud + bub;
  });
}

std::vector<float> Launch(uint32_t seed) {
  WhiteNoise noise(seed);
  Biquad bp;
  Oscillator roar(Oscillator::Wave::Saw);
  Biquad roarLp;
  roarLp.Set(Biquad::Type::LowPass, 400, 0.7, kRate);
  return Render(0.9, [&](double t) {
    bp.Set(Biquad::Type::BandPass, Glide(t, 300, 3200, 0.6), 1.2, kRate);
    double hiss = bp.Process(noise.Next()) * Adsr(t, 0.05, 0.2, 0.6, 0.45, 0.4);
    double r = roarLp.Process(roar.Next(Glide(t, 70, 110, 0.5), kRate)) * AttackDecay(t, 0.01, 0.18);
    return 1.6 * hiss + 0.6 * r;
  });
}

std::vector<float> Whoosh(uint32_t seed) {
  WhiteNoise noise(seed);
  Biquad bp;
  const double length = 0.5;
  return Render(length, [&](double t) {
    double x = t / length;
    double bell = std::sin(3.141592653589793 * x);
    bp.Set(Biquad::Type::BandPass, 400 + 1400 * bell * bell, 1.6, kRate);
    return bp.Process(noise.Next()) * bell * bell;
  });
}

std::vector<float> Jump(uint32_t) {
  Oscillator sq(Oscillator::Wave::Square);
  Biquad lp;
  lp.Set(Biquad::Type::LowPass, 2500, 0.7, kRate);
  return Render(0.22, [&](double t) {
    return lp.Process(sq.Next(Glide(t, 260, 720, 0.16), kRate, 0.3)) * AttackDecay(t, 0.004, 0.07);
  });
}

std::vector<float> Hurt(uint32_t seed) {
  Oscillator saw(Oscillator::Wave::Saw), vib(Oscillator::Wave::Sine);
  Biquad formant1, formant2;
  formant1.Set(Biquad::Type::BandPass, 800, 3.0, kRate);
  formant2.Set(Biquad::Type::BandPass, 1300, 3.0, kRate);
  WhiteNoise breath(seed);
  return Render(0.4, [&](double t) {
    double f = Glide(t, 430, 170, 0.32) * (1.0 + 0.03 * vib.Next(22, kRate));
    double s = saw.Next(f, kRate) + 0.15 * breath.Next();
    return (formant1.Process(s) + 0.7 * formant2.Process(s)) * Adsr(t, 0.01, 0.1, 0.7, 0.25, 0.12);
  });
}

std::vector<float> Pickup(uint32_t) {
  const int notes[] = {84, 88, 91, 96};
  Oscillator osc[4] = {Oscillator(Oscillator::Wave::Triangle), Oscillator(Oscillator::Wave::Triangle),
                       Oscillator(Oscillator::Wave::Triangle), Oscillator(Oscillator::Wave::Triangle)};
  std::vector<float> dry = Render(0.5, [&](double t) {
    double s = 0;
    for (int i = 0; i < 4; ++i) {
      double nt = t - i * 0.055;
      if (nt >= 0) s += osc[i].Next(NoteFrequency(notes[i]), kRate) * AttackDecay(nt, 0.002, 0.06 + 0.03 * i);
    }
    return s;
  });
  // A short echo makes it sparkle.
  size_t delay = size_t(0.09 * kRate);
  for (size_t i = dry.size(); i-- > delay;) dry[i] += 0.35f * dry[i - delay];
  return dry;
}

std::vector<float> Tick(uint32_t seed) {
  Oscillator a(Oscillator::Wave::Sine), b(Oscillator::Wave::Sine);
  WhiteNoise noise(seed);
  Biquad hp;
  hp.Set(Biquad::Type::HighPass, 4000, 0.7, kRate);
  return Render(0.09, [&](double t) {
    return 0.7 * a.Next(2100, kRate) * AttackDecay(t, 0.0005, 0.012) +
           0.35 * b.Next(3350, kRate) * AttackDecay(t, 0.0005, 0.006) +
           0.3 * hp.Process(noise.Next()) * AttackDecay(t, 0.0001, 0.0015);
  });
}

// A rifle shot: a sharp crack of bright noise over a short low thump, with a little ring.
std::vector<float> Shot(uint32_t seed) {
  WhiteNoise noise(seed);
  Biquad crack, body;
  crack.Set(Biquad::Type::HighPass, 1800, 0.7, kRate);
  body.Set(Biquad::Type::LowPass, 700, 0.8, kRate);
  Oscillator thump(Oscillator::Wave::Sine);
  return Render(0.45, [&](double t) {
    const double n = noise.Next();
    return 1.4 * crack.Process(n) * AttackDecay(t, 0.0005, 0.018) +
           0.9 * body.Process(n) * AttackDecay(t, 0.001, 0.09) +
           0.6 * thump.Next(Glide(t, 160, 55, 0.08), kRate) * AttackDecay(t, 0.001, 0.05);
  });
}

// A gate sending something on: a rising shimmer of detuned sines over a swept noise band,
// ending in a soft pop.
std::vector<float> Teleport(uint32_t seed) {
  WhiteNoise noise(seed);
  Biquad bp;
  Oscillator a(Oscillator::Wave::Sine), b(Oscillator::Wave::Sine), pop(Oscillator::Wave::Sine);
  Oscillator trem(Oscillator::Wave::Sine);
  const double length = 0.7;
  return Render(length, [&](double t) {
    double f = Glide(t, 220, 1400, 0.5);
    double shimmer = (a.Next(f, kRate) + b.Next(f * 1.507, kRate)) * (0.6 + 0.4 * trem.Next(18, kRate));
    bp.Set(Biquad::Type::BandPass, Glide(t, 500, 5000, 0.55), 2.0, kRate);
    double sweep = bp.Process(noise.Next());
    double body = (0.45 * shimmer + 0.9 * sweep) * Adsr(t, 0.08, 0.2, 0.7, 0.45, 0.1);
    double t2 = t - 0.5;
    double p = t2 >= 0 ? pop.Next(Glide(t2, 900, 200, 0.08), kRate) * AttackDecay(t2, 0.002, 0.04) : 0.0;
    return body + 0.8 * p;
  });
}

// A force field switching on: a low hum swelling up through a closing resonance.
std::vector<float> FieldOn(uint32_t seed) {
  WhiteNoise noise(seed);
  Oscillator hum(Oscillator::Wave::Saw), sub(Oscillator::Wave::Sine);
  Biquad lp, hiss;
  hiss.Set(Biquad::Type::HighPass, 3000, 0.7, kRate);
  return Render(0.8, [&](double t) {
    lp.Set(Biquad::Type::LowPass, Glide(t, 200, 2400, 0.5), 4.0, kRate);
    double h = lp.Process(hum.Next(Glide(t, 55, 110, 0.4), kRate)) + 0.6 * sub.Next(55, kRate);
    return (0.8 * h + 0.15 * hiss.Process(noise.Next())) * Adsr(t, 0.25, 0.2, 0.6, 0.55, 0.2);
  });
}

// Something bouncing off a shield: a metallic ping with a buzzing tail.
std::vector<float> FieldHit(uint32_t seed) {
  WhiteNoise noise(seed);
  Oscillator p1(Oscillator::Wave::Sine), p2(Oscillator::Wave::Sine), buzz(Oscillator::Wave::Square);
  Biquad bp;
  bp.Set(Biquad::Type::BandPass, 1800, 3.0, kRate);
  return Render(0.45, [&](double t) {
    double ping = (p1.Next(1320, kRate) + 0.6 * p2.Next(2980, kRate)) * AttackDecay(t, 0.001, 0.08);
    double b = bp.Process(buzz.Next(Glide(t, 180, 90, 0.3), kRate, 0.3)) * AttackDecay(t, 0.002, 0.12);
    double click = noise.Next() * AttackDecay(t, 0.0002, 0.004);
    return 0.7 * ping + 0.6 * b + 0.5 * click;
  });
}

// A force field giving out: the hum falling away and crackling.
std::vector<float> FieldOff(uint32_t seed) {
  WhiteNoise noise(seed);
  Rng crackleRng(seed + 1);
  Oscillator hum(Oscillator::Wave::Saw);
  Biquad lp, crackle;
  crackle.Set(Biquad::Type::BandPass, 2500, 1.5, kRate);
  return Render(0.9, [&](double t) {
    lp.Set(Biquad::Type::LowPass, Glide(t, 2400, 150, 0.6), 3.0, kRate);
    double h = lp.Process(hum.Next(Glide(t, 110, 35, 0.7), kRate));
    double impulse = crackleRng.Unit() < 0.02 * std::exp(-t / 0.4) ? noise.Next() * 3.0 : 0.0;
    return (0.8 * h) * AttackDecay(t, 0.01, 0.35) + 0.5 * crackle.Process(impulse);
  });
}

// A kill field striking: a short electric zap.
std::vector<float> Zap(uint32_t seed) {
  WhiteNoise noise(seed);
  Oscillator saw(Oscillator::Wave::Saw);
  Biquad hp;
  hp.Set(Biquad::Type::HighPass, 1200, 0.8, kRate);
  return Render(0.25, [&](double t) {
    double s = saw.Next(Glide(t, 1800, 120, 0.2), kRate) * AttackDecay(t, 0.001, 0.06);
    return 0.6 * s + 0.7 * hp.Process(noise.Next()) * AttackDecay(t, 0.0005, 0.05);
  });
}

// A plane's engine for looping: a buzzing pulse wave beaten by the propeller blades, every
// partial a whole number of cycles in the second it lasts, so its end meets its start.
std::vector<float> Propeller(uint32_t seed) {
  WhiteNoise noise(seed);
  Oscillator engine(Oscillator::Wave::Square), sub(Oscillator::Wave::Sine), blades(Oscillator::Wave::Sine);
  Biquad lp, hiss;
  lp.Set(Biquad::Type::LowPass, 900, 1.2, kRate);
  hiss.Set(Biquad::Type::BandPass, 2400, 1.0, kRate);
  return Render(1.0, [&](double) {
    const double beat = 0.65 + 0.35 * blades.Next(24, kRate);
    const double e = lp.Process(engine.Next(96, kRate, 0.3)) + 0.5 * sub.Next(48, kRate);
    return (0.8 * e + 0.08 * hiss.Process(noise.Next())) * beat;
  });
}

}  // namespace

const std::vector<SoundInfo>& SoundCatalogue() {
  static const std::vector<SoundInfo> catalogue = {
      {"sounds/explosionen/explo1.wav", 11, 0.89, SmallExplosion},
      {"sounds/explosionen/explo2.wav", 12, 0.89, SmallExplosion},
      {"sounds/explosionen/explo3.wav", 13, 0.89, SmallExplosion},
      {"sounds/explosionen/explo4.wav", 14, 0.89, SmallExplosion},
      {"sounds/explosionen/explo5.wav", 15, 0.89, LargeExplosion},
      {"sounds/explosionen/explo6.wav", 16, 0.89, LargeExplosion},
      {"sounds/explosionen/explo7.wav", 17, 0.89, LargeExplosion},
      {"sounds/explosionen/explo8.wav", 18, 0.89, LargeExplosion},
      {"sounds/klick_menu.wav", 21, 0.6, MenuClick},
      {"sounds/klick_game.wav", 22, 0.6, GameClick},
      {"sounds/menu_hover.wav", 23, 0.35, MenuHover},
      {"sounds/menu_select.wav", 24, 0.55, MenuSelect},
      {"sounds/splash.wav", 25, 0.8, Splash},
      {"sounds/launch.wav", 26, 0.75, Launch},
      {"sounds/whoosh.wav", 27, 0.6, Whoosh},
      {"sounds/jump.wav", 28, 0.5, Jump},
      {"sounds/hurt.wav", 29, 0.7, Hurt},
      {"sounds/pickup.wav", 30, 0.6, Pickup},
      {"sounds/tick.wav", 31, 0.6, Tick},
      {"sounds/schuss.wav", 32, 0.8, Shot},
      {"sounds/teleport.wav", 33, 0.7, Teleport},
      {"sounds/kraftfeld_an.wav", 34, 0.6, FieldOn},
      {"sounds/kraftfeld_treffer.wav", 35, 0.65, FieldHit},
      {"sounds/kraftfeld_aus.wav", 36, 0.6, FieldOff},
      {"sounds/zap.wav", 37, 0.6, Zap},
      {"sounds/flugzeug.wav", 38, 0.55, Propeller},
  };
  return catalogue;
}

const SoundInfo* FindSound(const std::string& name) {
  for (const auto& s : SoundCatalogue())
    if (s.name == name) return &s;
  return nullptr;
}

std::vector<float> MakeSound(const SoundInfo& info) {
  std::vector<float> samples = info.make(info.seed);
  // A DC blocker: pulse waves and brown noise would otherwise leave an offset.
  Biquad dc;
  dc.Set(Biquad::Type::HighPass, 25.0, 0.707, kRate);
  for (float& v : samples) v = float(dc.Process(v));
  Declick(samples, 1, kSoundRate);
  Normalise(samples, info.peak);
  return samples;
}

}  // namespace content
