// sfxgen: writes the game's synthesised sound effects as 16-bit PCM WAV files.
//
//   sfxgen OUTDIR [NAME]...   every sound (or the named ones) below OUTDIR
//   sfxgen --list             names, lengths and peak levels
#include <cstdio>
#include <string>
#include <vector>

#include "content/image.h"
#include "content/sounds.h"
#include "content/synth.h"
#include "content/wav.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: sfxgen OUTDIR [NAME]...\n       sfxgen --list\n");
    return 2;
  }
  if (std::string(argv[1]) == "--list") {
    for (const auto& s : content::SoundCatalogue()) {
      auto samples = content::MakeSound(s);
      std::printf("%s\t%.3f s\tpeak %.2f\n", s.name.c_str(), double(samples.size()) / content::kSoundRate,
                  content::Peak(samples));
    }
    return 0;
  }
  std::string out = argv[1];
  std::vector<const content::SoundInfo*> wanted;
  if (argc == 2) {
    for (const auto& s : content::SoundCatalogue()) wanted.push_back(&s);
  } else {
    for (int i = 2; i < argc; ++i) {
      const auto* s = content::FindSound(argv[i]);
      if (!s) {
        std::fprintf(stderr, "sfxgen: no sound named %s\n", argv[i]);
        return 2;
      }
      wanted.push_back(s);
    }
  }
  for (const auto* s : wanted) {
    auto bytes = content::EncodeWav(content::MakeSound(*s), 1, content::kSoundRate);
    if (!content::WriteBytes(out + "/" + s->name, bytes)) {
      std::fprintf(stderr, "sfxgen: cannot write %s/%s\n", out.c_str(), s->name.c_str());
      return 1;
    }
  }
  return 0;
}
