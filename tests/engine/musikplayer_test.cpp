#include "engine/musikplayer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "platform/sound.h"
#include "support/temp_dir.h"
#include "support/wav.h"

namespace {

void WriteBytes(const std::filesystem::path& path, const wav::Bytes& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

bool WaitFinished(const MusikPlayer& player, double seconds) {
  auto start = std::chrono::steady_clock::now();
  while (!player.IsFinished()) {
    if (std::chrono::steady_clock::now() - start > std::chrono::duration<double>(seconds)) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

class MusicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!platform::AcquireAudioOutput()) GTEST_SKIP() << "no audio output";
    m_acquired = true;
    // 0.1 s of stereo sound stands in for a song.
    WriteBytes(m_dir.Path() / "song.wav", wav::Pcm(2, 22050, 16, wav::Tone(2205, 2, 16)));
    WriteBytes(m_dir.Path() / "other.wav", wav::Pcm(1, 22050, 16, wav::Tone(22050, 1, 16)));
  }
  void TearDown() override {
    if (m_acquired) platform::ReleaseAudioOutput();
  }

  std::u16string Path(const char* name) { return m_dir.File(name); }

  TempDir m_dir;
  bool m_acquired = false;
};

}  // namespace

TEST_F(MusicTest, StatesFollowTheTable) {
  MusikPlayer player;
  std::u16string song = Path("song.wav");
  struct Step {
    const char* op;
    int32_t result;
    MusikPlayer::State state;
  };
  // From none: everything refused; a load gives stopped.
  const Step steps[] = {
      {"play", MusikPlayer::kPlayRefused, MusikPlayer::kNone},
      {"pause", MusikPlayer::kPauseRefused, MusikPlayer::kNone},
      {"stop", MusikPlayer::kStopRefused, MusikPlayer::kNone},
      {"rewind", MusikPlayer::kRewindRefused, MusikPlayer::kNone},
      {"volume", MusikPlayer::kVolumeRefused, MusikPlayer::kNone},
      {"load", MusikPlayer::kOk, MusikPlayer::kStopped},
      {"stop", MusikPlayer::kStopRefused, MusikPlayer::kStopped},
      {"pause", MusikPlayer::kOk, MusikPlayer::kPaused},
      {"pause", MusikPlayer::kPauseRefused, MusikPlayer::kPaused},
      {"play", MusikPlayer::kOk, MusikPlayer::kRunning},
      {"play", MusikPlayer::kPlayRefused, MusikPlayer::kRunning},
      {"volume", MusikPlayer::kOk, MusikPlayer::kRunning},
      {"pause", MusikPlayer::kOk, MusikPlayer::kPaused},
      {"stop", MusikPlayer::kOk, MusikPlayer::kStopped},
      {"rewind", MusikPlayer::kOk, MusikPlayer::kStopped},
      {"play", MusikPlayer::kOk, MusikPlayer::kRunning},
      {"rewind", MusikPlayer::kOk, MusikPlayer::kStopped},
      {"play", MusikPlayer::kOk, MusikPlayer::kRunning},
      {"stop", MusikPlayer::kOk, MusikPlayer::kStopped},
      {"play", MusikPlayer::kOk, MusikPlayer::kRunning},
      {"load", MusikPlayer::kOk, MusikPlayer::kStopped},
  };
  int i = 0;
  for (const Step& s : steps) {
    std::string op = s.op;
    int32_t r = op == "play"     ? player.Play()
                : op == "pause"  ? player.Pause()
                : op == "stop"   ? player.Stop()
                : op == "rewind" ? player.Rewind()
                : op == "volume" ? player.SetVolume(-500)
                                 : player.Load(song.c_str());
    EXPECT_EQ(r, s.result) << "step " << i << " " << s.op;
    EXPECT_EQ(player.GetState(), s.state) << "step " << i << " " << s.op;
    ++i;
  }
  EXPECT_EQ(player.FileName(), song);
  EXPECT_EQ(player.SetVolume(500), MusikPlayer::kOk);
  EXPECT_EQ(player.SetVolume(-20000), MusikPlayer::kOk);
  player.Release();
  EXPECT_EQ(player.GetState(), MusikPlayer::kNone);
  EXPECT_TRUE(player.FileName().empty());
}

TEST_F(MusicTest, ReportsTheEndOfASongWhileRunning) {
  MusikPlayer player;
  std::u16string song = Path("song.wav");
  ASSERT_EQ(player.Load(song.c_str()), MusikPlayer::kOk);
  EXPECT_FALSE(player.IsFinished());
  ASSERT_EQ(player.Play(), MusikPlayer::kOk);
  ASSERT_TRUE(WaitFinished(player, 5.0));
  // It stays running until the front end reacts.
  EXPECT_EQ(player.GetState(), MusikPlayer::kRunning);
  // Paused, a song that reached its end is not finished.
  ASSERT_EQ(player.Pause(), MusikPlayer::kOk);
  EXPECT_FALSE(player.IsFinished());
  // Rewound and started again, it plays to its end once more.
  ASSERT_EQ(player.Rewind(), MusikPlayer::kOk);
  ASSERT_EQ(player.Play(), MusikPlayer::kOk);
  EXPECT_FALSE(player.IsFinished());
  EXPECT_TRUE(WaitFinished(player, 5.0));
}

TEST_F(MusicTest, LoadingAnotherSongReleasesTheFirst) {
  MusikPlayer player;
  std::u16string song = Path("song.wav"), other = Path("other.wav");
  ASSERT_EQ(player.Load(other.c_str()), MusikPlayer::kOk);
  ASSERT_EQ(player.Play(), MusikPlayer::kOk);
  ASSERT_EQ(player.Load(song.c_str()), MusikPlayer::kOk);
  EXPECT_EQ(player.GetState(), MusikPlayer::kStopped);
  EXPECT_EQ(player.FileName(), song);
  // The one-second song was halted; that is not the end of the new one.
  ASSERT_EQ(player.Play(), MusikPlayer::kOk);
  EXPECT_FALSE(player.IsFinished());
  EXPECT_TRUE(WaitFinished(player, 5.0));
}

TEST_F(MusicTest, ASongThatCannotLoadIsReportedOnce) {
  MusikPlayer player;
  std::u16string missing = Path("Titlesong1.mp3");
  testing::internal::CaptureStderr();
  EXPECT_EQ(player.Load(missing.c_str()), MusikPlayer::kFail);
  EXPECT_EQ(player.GetState(), MusikPlayer::kNone);
  // Not tried again: even once the file exists, the same name fails at once.
  WriteBytes(m_dir.Path() / "Titlesong1.mp3", wav::Pcm(1, 22050, 16, wav::Tone(100, 1, 16)));
  EXPECT_EQ(player.Load(missing.c_str()), MusikPlayer::kFail);
  std::string log = testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
  EXPECT_NE(log.find("Titlesong1.mp3"), std::string::npos);
  EXPECT_EQ(player.Play(), MusikPlayer::kPlayRefused);

  std::u16string tooLong = Path("song.wav");
  tooLong.insert(0, 300, u'/');
  EXPECT_EQ(player.Load(tooLong.c_str()), MusikPlayer::kFail);
  EXPECT_EQ(player.Load(nullptr), MusikPlayer::kFail);
}

TEST_F(MusicTest, PlaysMp3) {
  // An MP3 made from our own tone with Debian's encoder.
  if (std::system("command -v lame >/dev/null 2>&1") != 0) GTEST_SKIP() << "lame not installed";
  WriteBytes(m_dir.Path() / "tone.wav", wav::Pcm(2, 44100, 16, wav::Tone(8820, 2, 16, 44100)));
  std::string cmd = "lame --quiet -b 64 '" + (m_dir.Path() / "tone.wav").string() + "' '" +
                    (m_dir.Path() / "InGameSong1.mp3").string() + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  MusikPlayer player;
  std::u16string song = Path("InGameSong1.mp3");
  ASSERT_EQ(player.Load(song.c_str()), MusikPlayer::kOk);
  ASSERT_EQ(player.Play(), MusikPlayer::kOk);
  EXPECT_TRUE(WaitFinished(player, 5.0));
}
