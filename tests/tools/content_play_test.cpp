#include <gtest/gtest.h>

#include <string>

#include "engine/dataarchive.h"
#include "engine/wavefile.h"
#include "platform/music.h"
#include "platform/sound.h"
#include "platform/text.h"

// The generated content as the game reads it: every sound of the archive through the
// game's WAV reader, every song through the music stream.
TEST(GeneratedContent, EverySoundOpensThroughTheGamesWaveReader) {
  auto archive = DataArchive::Open(platform::Utf8ToU16(KRUMBOLT_BINARY_DIR "/krumbolt.gob"));
  ASSERT_NE(archive, nullptr);
  int sounds = 0;
  for (const auto& [name, entry] : archive->List()) {
    std::string n = platform::U16ToUtf8(name);
    if (n.size() < 4 || n.substr(n.size() - 4) != ".wav") continue;
    WaveFile wave;
    ASSERT_EQ(wave.Open(archive.get(), name.c_str()), WaveFile::kOk) << n;
    EXPECT_EQ(wave.FormatTag(), 1) << n;
    EXPECT_EQ(wave.Channels(), 1) << n;
    EXPECT_EQ(wave.SamplesPerSec(), 44100u) << n;
    EXPECT_EQ(wave.BitsPerSample(), 16) << n;
    EXPECT_GT(wave.DataSize(), 1000u) << n;
    ++sounds;
  }
  EXPECT_GE(sounds, 19);
}

TEST(GeneratedContent, EverySongLoadsAsMusic) {
  if (!platform::AcquireAudioOutput()) GTEST_SKIP() << "no audio output";
  for (const char* name : {"Titlesong1.mp3", "Titlesong2.mp3", "InGameSong1.mp3", "InGameSong2.mp3"}) {
    std::string error;
    auto music =
        platform::Music::Load(platform::Utf8ToU16(std::string(KRUMBOLT_BINARY_DIR "/") + name), &error);
    EXPECT_NE(music, nullptr) << name << ": " << error;
  }
  platform::ReleaseAudioOutput();
}
