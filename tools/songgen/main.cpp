// songgen: renders the game's songs and encodes them as MP3 (LAME, 128 kbit/s stereo).
//
//   songgen OUTDIR [FILE]...   every song (or the named ones) into OUTDIR
//   songgen --wav OUT.wav FILE  one song as 16-bit WAV, for listening to the raw mix
//   songgen --list              names, tempi and lengths
#include <lame/lame.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "content/image.h"
#include "content/music.h"
#include "content/wav.h"

namespace {

bool EncodeMp3(const std::vector<float>& stereo, std::vector<uint8_t>& out) {
  lame_t lame = lame_init();
  if (!lame) return false;
  lame_set_in_samplerate(lame, content::kSongRate);
  lame_set_out_samplerate(lame, content::kSongRate);
  lame_set_num_channels(lame, 2);
  lame_set_mode(lame, JOINT_STEREO);
  lame_set_VBR(lame, vbr_off);
  lame_set_brate(lame, 128);
  lame_set_quality(lame, 5);
  lame_set_bWriteVbrTag(lame, 1);  // an Info frame with the encoder delay, for gapless players
  if (lame_init_params(lame) < 0) {
    lame_close(lame);
    return false;
  }
  const int chunk = 8192;
  std::vector<float> left(chunk), right(chunk);
  std::vector<uint8_t> buffer(size_t(1.25 * chunk + 7200));
  size_t frames = stereo.size() / 2;
  bool ok = true;
  for (size_t pos = 0; pos < frames && ok; pos += chunk) {
    int n = int(std::min<size_t>(chunk, frames - pos));
    for (int i = 0; i < n; ++i) {
      left[size_t(i)] = stereo[(pos + size_t(i)) * 2];
      right[size_t(i)] = stereo[(pos + size_t(i)) * 2 + 1];
    }
    int written =
        lame_encode_buffer_ieee_float(lame, left.data(), right.data(), n, buffer.data(), int(buffer.size()));
    if (written < 0)
      ok = false;
    else
      out.insert(out.end(), buffer.begin(), buffer.begin() + written);
  }
  if (ok) {
    int written = lame_encode_flush(lame, buffer.data(), int(buffer.size()));
    if (written < 0)
      ok = false;
    else
      out.insert(out.end(), buffer.begin(), buffer.begin() + written);
  }
  if (ok) {
    // The Info frame was reserved as the first frame; fill it in now that the length is known.
    unsigned char tag[2880];
    size_t n = lame_get_lametag_frame(lame, tag, sizeof tag);
    if (n > 0 && n <= out.size()) std::memcpy(out.data(), tag, n);
  }
  lame_close(lame);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(
        stderr,
        "usage: songgen OUTDIR [FILE]...\n       songgen --wav OUT.wav FILE\n       songgen --list\n");
    return 2;
  }
  std::string first = argv[1];
  if (first == "--list") {
    for (const auto& s : content::SongCatalogue())
      std::printf("%s\t%.0f bpm\t%.1f s\n", s.file.c_str(), s.bpm, content::SongSeconds(s));
    return 0;
  }
  if (first == "--wav") {
    const content::SongInfo* song = argc == 4 ? content::FindSong(argv[3]) : nullptr;
    if (!song) {
      std::fprintf(stderr, "songgen: --wav needs an output file and a song name\n");
      return 2;
    }
    return content::WriteBytes(argv[2], content::EncodeWav(content::RenderSong(*song), 2, content::kSongRate))
               ? 0
               : 1;
  }
  std::vector<const content::SongInfo*> wanted;
  if (argc == 2) {
    for (const auto& s : content::SongCatalogue()) wanted.push_back(&s);
  } else {
    for (int i = 2; i < argc; ++i) {
      const auto* s = content::FindSong(argv[i]);
      if (!s) {
        std::fprintf(stderr, "songgen: no song named %s\n", argv[i]);
        return 2;
      }
      wanted.push_back(s);
    }
  }
  for (const auto* s : wanted) {
    std::vector<uint8_t> mp3;
    if (!EncodeMp3(content::RenderSong(*s), mp3) || !content::WriteBytes(first + "/" + s->file, mp3)) {
      std::fprintf(stderr, "songgen: cannot encode or write %s\n", s->file.c_str());
      return 1;
    }
  }
  return 0;
}
