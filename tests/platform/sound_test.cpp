// The mixer device through the dummy audio driver: a sound is held as it was read until one
// of its copies first plays, and then once, in the output's format and at its own size.
#include "platform/sound.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include "support/wav.h"

namespace {

// Bytes the program has taken from the allocator and not given back.
size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

}  // namespace

TEST(MixerSound, SamplesAreHeldAsReadUntilACopyPlaysThenOnceInTheOutputsFormat) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizers' allocators keep an account of their own";
#endif
  auto device = platform::CreateMixerSoundDevice();
  if (!device) GTEST_SKIP() << "no audio output";
  // Ten seconds of mono at the output's rate; the output (44.1 kHz, 16-bit stereo) takes
  // twice its bytes, and the converter works in four times them.
  const wav::Bytes samples = wav::Tone(441000, 1, 16, 44100);
  const platform::PcmFormat format{1, 1, 44100, 88200, 2, 16};
  const size_t before = HeapInUse();
  auto copies = device->CreateBuffers(format, samples.data(), samples.size(), 5);
  ASSERT_EQ(copies.size(), 5u);
  const size_t loaded = HeapInUse() - before;
  EXPECT_LT(loaded, samples.size() * 11 / 10);

  copies[0]->SetVolumeMB(-602);
  copies[0]->Play(false);
  copies[3]->Play(true);
  EXPECT_TRUE(copies[0]->IsPlaying());
  EXPECT_TRUE(copies[3]->IsPlaying());
  EXPECT_FALSE(copies[1]->IsPlaying());
  const size_t played = HeapInUse() - before;
  EXPECT_GT(played, samples.size() * 18 / 10);
  EXPECT_LT(played, samples.size() * 22 / 10);

  copies[3]->Stop();
  EXPECT_FALSE(copies[3]->IsPlaying());
  EXPECT_TRUE(copies[0]->IsPlaying());
}
