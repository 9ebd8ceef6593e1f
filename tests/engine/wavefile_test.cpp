#include "engine/wavefile.h"

#include <gtest/gtest.h>

#include "engine/dataarchive.h"
#include "support/temp_dir.h"
#include "support/wav.h"

namespace {

using wav::Bytes;
using wav::Chunk;
using wav::FormatBody;
using wav::Riff;

Bytes ReadAll(WaveFile& f) {
  Bytes out(f.Remaining());
  uint32_t n = 0;
  EXPECT_EQ(f.Read(out.data(), uint32_t(out.size()), &n), WaveFile::kOk);
  out.resize(n);
  return out;
}

}  // namespace

TEST(WaveFile, ReadsPcmFiles) {
  struct Case {
    uint16_t channels, bits;
    uint32_t rate;
  };
  for (Case c : {Case{1, 8, 11025}, Case{2, 16, 44100}, Case{1, 16, 22050}}) {
    Bytes samples = wav::Tone(101, c.channels, c.bits, c.rate);
    Bytes file = wav::Pcm(c.channels, c.rate, c.bits, samples);
    WaveFile f;
    ASSERT_EQ(f.OpenMemory(file.data(), file.size()), WaveFile::kOk);
    EXPECT_EQ(f.FormatTag(), 1);
    EXPECT_EQ(f.Channels(), c.channels);
    EXPECT_EQ(f.SamplesPerSec(), c.rate);
    EXPECT_EQ(f.BitsPerSample(), c.bits);
    EXPECT_EQ(f.BlockAlign(), c.channels * c.bits / 8);
    // PCM gets an extra-byte count of 0 after the 16-byte head.
    EXPECT_EQ(f.FormatBlock().size(), 18u);
    EXPECT_EQ(f.ExtraSize(), 0);
    EXPECT_EQ(f.DataSize(), samples.size());
    EXPECT_EQ(ReadAll(f), samples);
  }
}

TEST(WaveFile, FindsChunksInAnyOrderAndSkipsPadding) {
  Bytes samples = wav::Tone(30, 1, 16);
  // "data" before "fmt ", an odd-sized chunk (padded) in between, trailing bytes after the RIFF.
  Bytes file = Riff({Chunk("LIST", Bytes(7, 'x')), Chunk("data", samples), Chunk("junk", Bytes(3, 0)),
                     Chunk("fmt ", FormatBody(1, 1, 8000, 16))});
  file.insert(file.end(), {'t', 'a', 'i', 'l'});
  WaveFile f;
  ASSERT_EQ(f.OpenMemory(file.data(), file.size()), WaveFile::kOk);
  EXPECT_EQ(f.SamplesPerSec(), 8000u);
  EXPECT_EQ(ReadAll(f), samples);
}

TEST(WaveFile, KeepsExtraBytesOfOtherFormats) {
  Bytes extra = {1, 2, 3, 4};
  Bytes file = Riff({Chunk("fmt ", FormatBody(2, 1, 22050, 4, &extra)), Chunk("data", Bytes(10, 9))});
  WaveFile f;
  ASSERT_EQ(f.OpenMemory(file.data(), file.size()), WaveFile::kOk);
  EXPECT_EQ(f.FormatTag(), 2);
  EXPECT_EQ(f.ExtraSize(), 4);
  ASSERT_EQ(f.FormatBlock().size(), 22u);
  EXPECT_EQ(Bytes(f.FormatBlock().begin() + 18, f.FormatBlock().end()), extra);

  // A non-PCM format chunk of only 16 bytes has no extra bytes, not the next chunk's header.
  Bytes shortFmt = Riff({Chunk("fmt ", FormatBody(3, 1, 22050, 32)), Chunk("data", Bytes(8, 1))});
  ASSERT_EQ(f.OpenMemory(shortFmt.data(), shortFmt.size()), WaveFile::kOk);
  EXPECT_EQ(f.ExtraSize(), 0);
  EXPECT_EQ(f.FormatBlock().size(), 18u);
}

TEST(WaveFile, ReadsNoMoreThanTheRemainingData) {
  Bytes samples = {1, 2, 3, 4, 5, 6};
  Bytes file = wav::Pcm(1, 8000, 8, samples);
  WaveFile f;
  ASSERT_EQ(f.OpenMemory(file.data(), file.size()), WaveFile::kOk);
  uint8_t buf[16] = {};
  uint32_t n = 0;
  ASSERT_EQ(f.Read(buf, 4, &n), WaveFile::kOk);
  EXPECT_EQ(n, 4u);
  ASSERT_EQ(f.Read(buf, 10, &n), WaveFile::kOk);
  EXPECT_EQ(n, 2u);
  EXPECT_EQ(buf[0], 5);
  EXPECT_EQ(buf[1], 6);
  ASSERT_EQ(f.Read(buf, 10, &n), WaveFile::kOk);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(f.Read(nullptr, 1, &n), WaveFile::kInvalidArg);
  EXPECT_EQ(f.Read(buf, 1, nullptr), WaveFile::kInvalidArg);
  EXPECT_EQ(f.Close(), WaveFile::kOk);
  EXPECT_EQ(f.Read(buf, 1, &n), WaveFile::kNotInitialized);
  EXPECT_EQ(f.Close(), WaveFile::kNotInitialized);
}

TEST(WaveFile, RejectsDamagedFiles) {
  Bytes fmt = Chunk("fmt ", FormatBody(1, 2, 22050, 16));
  Bytes data = Chunk("data", wav::Tone(64, 2, 16));
  Bytes good = Riff({fmt, data});
  Bytes extra = {1, 2};
  Bytes adpcm = FormatBody(2, 1, 22050, 4, &extra);
  adpcm[16] = 40;  // claims more extra bytes than the chunk holds

  struct Case {
    const char* what;
    Bytes bytes;
  };
  const Case cases[] = {
      {"empty", {}},
      {"shorter than the RIFF head", Bytes(good.begin(), good.begin() + 11)},
      {"not RIFF",
       [&] {
         Bytes b = good;
         b[3] = 'X';
         return b;
       }()},
      {"not WAVE",
       [&] {
         Bytes b = good;
         b[8] = 'A';
         return b;
       }()},
      {"truncated in the samples", Bytes(good.begin(), good.end() - 10)},
      {"truncated in the format head", Bytes(good.begin(), good.begin() + 20)},
      {"RIFF larger than the file", Riff({fmt, data}, int64_t(good.size()))},
      {"RIFF size below its form type", Riff({fmt, data}, 2)},
      {"no format chunk", Riff({data})},
      {"no data chunk", Riff({fmt})},
      {"format chunk under 16 bytes", Riff({Chunk("fmt ", Bytes(14, 1)), data})},
      {"data chunk larger than the file", Riff({fmt, Chunk("data", Bytes(8, 0), 0x10000)})},
      {"data size 0xFFFFFFFF", Riff({fmt, Chunk("data", Bytes(8, 0), 0xFFFFFFFFll)})},
      {"format chunk past the end", Riff({Chunk("fmt ", FormatBody(1, 1, 8000, 8), 4000)})},
      {"extra bytes past the format chunk", Riff({Chunk("fmt ", adpcm), data})},
      {"huge chunk hides the format", Riff({Chunk("LIST", Bytes(4, 0), 0x7FFFFFF0), fmt, data})},
  };
  for (const Case& c : cases) {
    WaveFile f;
    EXPECT_EQ(f.OpenMemory(c.bytes.data(), c.bytes.size()), WaveFile::kFail) << c.what;
    EXPECT_FALSE(f.IsOpen()) << c.what;
    uint8_t buf[4];
    uint32_t n = 0;
    EXPECT_EQ(f.Read(buf, 4, &n), WaveFile::kNotInitialized) << c.what;
  }
}

TEST(WaveFile, OpensArchiveEntries) {
  TempDir dir;
  Bytes samples = wav::Tone(20, 1, 8);
  ASSERT_TRUE(WriteDataArchive(dir.File("s.gob"), {{u"sounds\\klick.wav", wav::Pcm(1, 8000, 8, samples)},
                                                   {u"sounds\\bad.wav", {'R', 'I', 'F', 'F'}}}));
  auto archive = DataArchive::Open(dir.File("s.gob"));
  ASSERT_TRUE(archive);
  WaveFile f;
  ASSERT_EQ(f.Open(archive.get(), u"SOUNDS\\Klick.wav"), WaveFile::kOk);
  EXPECT_EQ(ReadAll(f), samples);
  EXPECT_EQ(f.Open(archive.get(), u"sounds\\missing.wav"), WaveFile::kFail);
  EXPECT_EQ(f.Open(archive.get(), u"sounds\\bad.wav"), WaveFile::kFail);
  EXPECT_EQ(f.Open(archive.get(), nullptr), WaveFile::kInvalidArg);
  EXPECT_EQ(f.Open(nullptr, u"sounds\\klick.wav"), WaveFile::kFail);
}
