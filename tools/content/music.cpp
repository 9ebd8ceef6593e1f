// Song rendering: every note is synthesised straight into a stereo mix buffer; a room
// reverb and a soft limiter finish the mix, and the tail is folded onto the start so the
// song loops without a gap.
#include "content/music.h"

#include <algorithm>
#include <cmath>

#include "content/noise.h"
#include "content/synth.h"

namespace content {
namespace {

constexpr double kRate = kSongRate;

struct Mix {
  std::vector<double> left, right;
  explicit Mix(size_t frames) : left(frames, 0.0), right(frames, 0.0) {}
};

// Renders one note: 'voice' maps (time since note start, seconds) to a sample and is asked
// for length + release seconds.
template <typename Voice>
void Note(Mix& mix, double start, double seconds, double pan, Voice&& voice) {
  size_t first = size_t(std::max(0.0, start) * kRate);
  size_t count = std::min(size_t(seconds * kRate), mix.left.size() - std::min(first, mix.left.size()));
  // Equal-power pan: -1 is left, 1 right.
  double a = (pan + 1.0) * 0.25 * 3.141592653589793;
  double gl = std::cos(a), gr = std::sin(a);
  for (size_t i = 0; i < count; ++i) {
    double v = voice(double(i) / kRate);
    mix.left[first + i] += v * gl;
    mix.right[first + i] += v * gr;
  }
}

std::vector<int> ChordTones(const SongInfo& song, const Chord& c, int octaveShift) {
  int root = song.key + c.root + 12 * octaveShift;
  return {root, root + (c.minor ? 3 : 4), root + 7};
}

void Pad(Mix& mix, const SongInfo& song, const Chord& c, double start, double length, Rng& rng) {
  auto tones = ChordTones(song, c, 0);
  tones.push_back(tones[0] + 12);
  for (size_t n = 0; n < tones.size(); ++n) {
    for (int side = -1; side <= 1; side += 2) {
      double f = NoteFrequency(tones[n]) * std::pow(2.0, side * 6.0 / 1200.0);
      Oscillator osc(Oscillator::Wave::Saw, rng.Unit());
      Biquad lp;
      double lfoPhase = rng.Unit() * kTwoPi;
      int tick = 0;
      Note(mix, start, length + 0.8, side * 0.6, [&](double t) {
        // The filter sweeps slowly: new coefficients every 32 samples are plenty.
        if ((tick++ & 31) == 0)
          lp.Set(Biquad::Type::LowPass, 900 + 350 * std::sin(lfoPhase + t * 1.3), 0.8, kRate);
        return 0.035 * lp.Process(osc.Next(f, kRate)) * Adsr(t, 0.45, 0.5, 0.8, length, 0.8);
      });
    }
  }
}

void Bass(Mix& mix, const SongInfo& song, const Chord& c, double start, double beat, int style) {
  // Eighth-note grid; which eighths sound depends on the style.
  static const char* patterns[4] = {"x..x..x.", "x....xx.", "x.xxx.xx", "x..x.x.x"};
  const char* p = patterns[style % 4];
  int root = song.key + c.root - 24;
  if (root < 33) root += 12;
  for (int e = 0; e < 8; ++e) {
    if (p[e] != 'x') continue;
    int note = (e == 7 && style % 2 == 1) ? root + 7 : root;
    double len = beat * 0.45;
    Oscillator saw(Oscillator::Wave::Saw), sub(Oscillator::Wave::Sine);
    Biquad lp;
    double f = NoteFrequency(note);
    int tick = 0;
    Note(mix, start + e * beat * 0.5, len + 0.08, 0.0, [&](double t) {
      if ((tick++ & 7) == 0) lp.Set(Biquad::Type::LowPass, 220 + 900 * std::exp(-t / 0.07), 1.1, kRate);
      double s = 0.6 * lp.Process(saw.Next(f, kRate)) + 0.7 * sub.Next(f, kRate);
      return 0.22 * s * Adsr(t, 0.004, 0.1, 0.75, len, 0.06);
    });
  }
}

void Arpeggio(Mix& mix, const SongInfo& song, const Chord& c, double start, double beat, int style,
              double gain) {
  static const int orders[4][8] = {
      {0, 1, 2, 3, 2, 1, 0, 1}, {0, 2, 1, 3, 0, 2, 1, 3}, {0, 1, 2, 1, 3, 2, 1, 2}, {3, 2, 1, 0, 1, 2, 3, 2}};
  auto tones = ChordTones(song, c, 1);
  tones.push_back(tones[0] + 12);
  double step = beat * 0.25;
  for (int s = 0; s < 16; ++s) {
    int note = tones[size_t(orders[style % 4][s % 8])];
    double accent = (s % 4 == 0) ? 1.0 : 0.65;
    Oscillator osc(style % 2 ? Oscillator::Wave::Square : Oscillator::Wave::Triangle);
    Biquad lp;
    lp.Set(Biquad::Type::LowPass, 3200, 0.7, kRate);
    double f = NoteFrequency(note);
    double pan = (s % 2 ? 0.35 : -0.35);
    Note(mix, start + s * step, 0.35, pan, [&](double t) {
      return gain * 0.07 * accent * lp.Process(osc.Next(f, kRate, 0.25)) * AttackDecay(t, 0.002, 0.09);
    });
  }
}

void Lead(Mix& mix, const SongInfo& song, const std::vector<int>& phrase, const std::vector<double>& lengths,
          double start, double beat) {
  double t0 = start;
  for (size_t i = 0; i < phrase.size(); ++i) {
    double len = lengths[i] * beat;
    if (phrase[i] >= 0) {
      double f = NoteFrequency(phrase[i]);
      Oscillator body(Oscillator::Wave::Sine), air(Oscillator::Wave::Triangle), vib(Oscillator::Wave::Sine);
      Note(mix, t0, len + 0.3, 0.15, [&](double t) {
        double v = 1.0 + 0.004 * vib.Next(5.5, kRate) * std::min(1.0, t * 3.0);
        double s = body.Next(f * v, kRate) + 0.25 * air.Next(f * 2 * v, kRate);
        return 0.09 * s * Adsr(t, 0.02, 0.15, 0.6, len * 0.9, 0.25);
      });
    }
    t0 += len;
  }
  (void)song;
}

// A two-bar motif over the given chords: chord tones on strong beats, scale steps between.
void MakeMotif(const SongInfo& song, const Chord& a, const Chord& b, Rng& rng, std::vector<int>& notes,
               std::vector<double>& lengths) {
  static const double rhythms[4][6] = {{1.0, 0.5, 0.5, 1.0, 1.0, 0},
                                       {1.5, 0.5, 1.0, 1.0, 0, 0},
                                       {0.5, 0.5, 1.0, 0.5, 0.5, 1.0},
                                       {2.0, 1.0, 1.0, 0, 0, 0}};
  notes.clear();
  lengths.clear();
  for (const Chord* c : {&a, &b}) {
    auto tones = ChordTones(song, *c, 1);
    const double* r = rhythms[rng.Int(4)];
    for (int i = 0; i < 6 && r[i] > 0; ++i) {
      int note = tones[size_t(rng.Int(3))];
      if (i % 2 == 1 && rng.Unit() < 0.4) note += rng.Unit() < 0.5 ? 2 : -1;  // passing note
      if (rng.Unit() < 0.12) note = -1;                                       // a breath
      notes.push_back(note);
      lengths.push_back(r[i]);
    }
  }
}

struct Drums {
  WhiteNoise noise{7};
  void Kick(Mix& mix, double at, double gain) {
    Oscillator osc(Oscillator::Wave::Sine);
    Note(mix, at, 0.45, 0.0, [&](double t) {
      double f = Glide(t, 140, 42, 0.12);
      return gain * 0.55 * std::tanh(1.5 * osc.Next(f, kRate)) * AttackDecay(t, 0.001, 0.16);
    });
  }
  void Snare(Mix& mix, double at, double gain) {
    Oscillator tone(Oscillator::Wave::Triangle);
    Biquad bp;
    bp.Set(Biquad::Type::BandPass, 1900, 0.8, kRate);
    Note(mix, at, 0.3, 0.1, [&](double t) {
      return gain * (0.35 * bp.Process(noise.Next()) * AttackDecay(t, 0.001, 0.09) +
                     0.18 * tone.Next(Glide(t, 230, 180, 0.05), kRate) * AttackDecay(t, 0.001, 0.05));
    });
  }
  void Hat(Mix& mix, double at, double gain, bool open) {
    Biquad hp;
    hp.Set(Biquad::Type::HighPass, 7500, 0.7, kRate);
    Note(mix, at, open ? 0.25 : 0.08, -0.3, [&](double t) {
      return gain * 0.12 * hp.Process(noise.Next()) * AttackDecay(t, 0.0005, open ? 0.08 : 0.02);
    });
  }
};

void DrumBar(Mix& mix, Drums& drums, double start, double beat, int style, bool fill, double gain) {
  // 16 steps: K kick, S snare, h closed hat, o open hat, '.' rest; two rows so hats sound
  // with kicks and snares.
  static const char* hits[4] = {"K.......K.K.....", "K......K..K.....", "K...K...K...K...",
                                "K..K....K..K...."};
  static const char* snares[4] = {"....S.......S...", "............S...", "....S.......S...",
                                  "....S.......S..S"};
  static const char* hats[4] = {"h.h.h.h.h.h.h.h.", "hhhhhhhhhhhhhhhh", "hho.hho.hho.hho.",
                                "h.h.h.o.h.h.h.o."};
  double step = beat * 0.25;
  for (int s = 0; s < 16; ++s) {
    double at = start + s * step;
    if (hits[style % 4][s] == 'K') drums.Kick(mix, at, gain);
    if (snares[style % 4][s] == 'S') drums.Snare(mix, at, gain);
    if (fill && s >= 12) drums.Snare(mix, at, gain * (0.5 + 0.15 * (s - 12)));
    char h = hats[style % 4][s];
    if (h != '.') drums.Hat(mix, at, gain * (s % 4 == 0 ? 1.0 : 0.7) * (style == 1 ? 0.6 : 1.0), h == 'o');
  }
}

// A small stereo room: four damped combs and two allpasses per side (Schroeder style).
void Reverb(std::vector<double>& left, std::vector<double>& right, double wet) {
  auto run = [&](std::vector<double>& x, int spread) {
    const int combs[4] = {1557, 1617, 1491, 1422}, allpasses[2] = {225, 556};
    std::vector<double> out(x.size(), 0.0);
    for (int c = 0; c < 4; ++c) {
      size_t d = size_t(combs[c] + spread);
      std::vector<double> buf(d, 0.0);
      double lp = 0;
      for (size_t i = 0; i < x.size(); ++i) {
        double y = buf[i % d];
        lp = y * 0.75 + lp * 0.25;
        buf[i % d] = x[i] + lp * 0.8;
        out[i] += y * 0.25;
      }
    }
    for (int a : allpasses) {
      size_t d = size_t(a + spread);
      std::vector<double> buf(d, 0.0);
      for (size_t i = 0; i < out.size(); ++i) {
        double b = buf[i % d];
        double y = -out[i] + b;
        buf[i % d] = out[i] + b * 0.5;
        out[i] = y;
      }
    }
    for (size_t i = 0; i < x.size(); ++i) x[i] += wet * out[i];
  };
  run(left, 0);
  run(right, 23);
}

}  // namespace

const std::vector<SongInfo>& SongCatalogue() {
  static const std::vector<SongInfo> catalogue = {
      {"Titlesong1.mp3",
       1,
       96,
       60,
       {{0, false}, {7, false}, {9, true}, {5, false}},
       {{9, true}, {5, false}, {0, false}, {7, false}},
       0},
      {"Titlesong2.mp3",
       2,
       84,
       57,
       {{0, true}, {8, false}, {3, false}, {10, false}},
       {{5, true}, {0, true}, {8, false}, {7, false}},
       1},
      {"InGameSong1.mp3",
       3,
       124,
       50,
       {{0, true}, {10, false}, {8, false}, {10, false}},
       {{8, false}, {10, false}, {0, true}, {0, true}},
       2},
      {"InGameSong2.mp3",
       4,
       112,
       52,
       {{0, true}, {3, false}, {10, false}, {5, false}},
       {{8, false}, {10, false}, {0, true}, {7, true}},
       3},
  };
  return catalogue;
}

const SongInfo* FindSong(const std::string& file) {
  for (const auto& s : SongCatalogue())
    if (s.file == file) return &s;
  return nullptr;
}

std::vector<Section> Arrangement(const SongInfo& song) {
  // Pads and arpeggio always play; the sections add bass, drums and the lead.
  std::vector<Section> sections = {
      {4, false, false, false, false}, {8, false, true, true, false}, {8, false, true, true, true},
      {8, true, true, true, true},     {4, true, true, false, false},
  };
  // Keep every song between about one minute and one and a half: slow songs drop the
  // breakdown, fast ones get another verse.
  auto seconds = [&] {
    int bars = 0;
    for (const auto& s : sections) bars += s.bars;
    return bars * 4 * 60.0 / song.bpm;
  };
  if (seconds() > 90) sections.erase(sections.begin() + 4);
  if (seconds() < 65) sections.push_back({8, false, true, true, true});
  return sections;
}

double SongSeconds(const SongInfo& song) {
  int bars = 0;
  for (const auto& s : Arrangement(song)) bars += s.bars;
  return bars * 4 * 60.0 / song.bpm;
}

std::vector<float> RenderSong(const SongInfo& song) {
  const double beat = 60.0 / song.bpm, bar = 4 * beat, tail = 3.0;
  const double length = SongSeconds(song);
  const size_t frames = size_t(length * kRate);
  Mix mix(size_t((length + tail) * kRate));
  Rng rng(song.seed);
  Drums drums;
  std::vector<int> motifVerse, motifBridge;
  std::vector<double> rhythmVerse, rhythmBridge;
  MakeMotif(song, song.verse[0], song.verse[1], rng, motifVerse, rhythmVerse);
  MakeMotif(song, song.bridge[0], song.bridge[1], rng, motifBridge, rhythmBridge);
  double t = 0;
  for (const auto& section : Arrangement(song)) {
    const auto& chords = section.bridge ? song.bridge : song.verse;
    for (int b = 0; b < section.bars; ++b) {
      const Chord& c = chords[size_t(b) % chords.size()];
      double at = t + b * bar;
      Pad(mix, song, c, at, bar, rng);
      Arpeggio(mix, song, c, at, beat, song.style, section.drums ? 1.0 : 0.7);
      if (section.bass) Bass(mix, song, c, at, beat, song.style);
      if (section.drums) DrumBar(mix, drums, at, beat, song.style, b == section.bars - 1, 1.0);
      if (section.lead && b % 2 == 0) {
        // The motif repeats, answered a step higher every other time.
        std::vector<int> phrase = section.bridge ? motifBridge : motifVerse;
        if (b % 4 == 2)
          for (int& n : phrase)
            if (n >= 0) n += 2;
        Lead(mix, song, phrase, section.bridge ? rhythmBridge : rhythmVerse, at, beat);
      }
    }
    t += section.bars * bar;
  }
  Reverb(mix.left, mix.right, 0.28);
  // Fold the ringing tail onto the start so the last bar flows into the first.
  for (size_t i = frames; i < mix.left.size(); ++i) {
    mix.left[i - frames] += mix.left[i];
    mix.right[i - frames] += mix.right[i];
  }
  std::vector<float> out(frames * 2);
  for (size_t i = 0; i < frames; ++i) {
    out[i * 2] = float(std::tanh(mix.left[i] * 1.1));
    out[i * 2 + 1] = float(std::tanh(mix.right[i] * 1.1));
  }
  Normalise(out, 0.89);
  return out;
}

}  // namespace content
