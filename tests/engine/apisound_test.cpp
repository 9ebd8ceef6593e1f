#include "engine/apisound.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "engine/searchpath.h"
#include "support/temp_dir.h"
#include "support/wav.h"

namespace {

using Buffer = platform::NullSoundDevice::Buffer;

std::unique_ptr<KVNode> Config(std::initializer_list<std::pair<const char16_t*, const char16_t*>> keys) {
  auto root = std::make_unique<KVNode>(u"Config");
  KVNode* section = root->AddChild(u"Sound");
  for (auto [key, value] : keys) section->AddChildWith(key, value);
  return root;
}

// A sound manager on the silent device with an archive of test sounds.
class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wav::Bytes tone = wav::Pcm(1, 22050, 16, wav::Tone(200, 1, 16));
    wav::Bytes odd = wav::Riff(
        {wav::Chunk("fmt ", wav::FormatBody(1, 1, 22050, 24)), wav::Chunk("data", wav::Bytes(30, 0))});
    wav::Bytes silentChannels = wav::Riff(
        {wav::Chunk("fmt ", wav::FormatBody(1, 0, 22050, 16)), wav::Chunk("data", wav::Bytes(30, 0))});
    ASSERT_TRUE(WriteDataArchive(m_dir.File("s.gob"), {{u"sounds\\klick.wav", tone},
                                                       {u"second\\boom.wav", tone},
                                                       {u"sounds\\24bit.wav", odd},
                                                       {u"sounds\\nochannels.wav", silentChannels},
                                                       {u"sounds\\broken.wav", {'R', 'I', 'F', 'F', 1}}}));
    m_archive = DataArchive::Open(m_dir.File("s.gob"));
    ASSERT_TRUE(m_archive);
    Start(nullptr);
  }

  void Start(const KVNode* config) {
    m_sound = std::make_unique<APISound>(config);
    auto device = std::make_unique<platform::NullSoundDevice>();
    m_device = device.get();
    ASSERT_EQ(m_sound->Init(std::move(device)), APISound::kOk);
  }

  SoundSet* Set(const std::u16string& name, const SearchPath* path = nullptr) {
    return m_sound->Cache().FindOrCreate({&name, path, m_archive.get()});
  }

  Buffer* BufferOf(SoundSet* set, int i) { return static_cast<Buffer*>(set->Buffer(i)); }

  int Playing(SoundSet* set) {
    int n = 0;
    for (int i = 0; i < set->CopyCount(); ++i)
      if (set->Buffer(i) && set->Buffer(i)->IsPlaying()) ++n;
    return n;
  }

  TempDir m_dir;
  std::unique_ptr<DataArchive> m_archive;
  std::unique_ptr<APISound> m_sound;
  platform::NullSoundDevice* m_device = nullptr;
};

}  // namespace

TEST(SoundVolume, AttenuationInHundredthsOfADecibel) {
  struct Case {
    int request, master, mB;
  };
  const Case cases[] = {
      {100, 100, 0},    {50, 100, -602},  {10, 100, -2000},   {1, 100, -4000}, {50, 50, -1204},
      {0, 100, -10000}, {100, 0, -10000}, {-20, 100, -10000}, {250, 100, 0},   {75, 100, -249},
  };
  for (const Case& c : cases) {
    APISound sound(nullptr);
    sound.SetVolume(c.master);
    EXPECT_EQ(sound.AttenuationFor(c.request), c.mB) << c.request << "% of " << c.master << "%";
  }
  EXPECT_FLOAT_EQ(APISound::VolumeToAttenuation(0.5f), -0.30103f);
}

TEST(SoundVolume, MixerGainFollowsMillibels) {
  EXPECT_DOUBLE_EQ(platform::GainFromMillibels(0), 1.0);
  EXPECT_NEAR(platform::GainFromMillibels(-2000), 0.1, 1e-12);
  EXPECT_NEAR(platform::GainFromMillibels(-602), 0.5, 1e-3);
  EXPECT_EQ(platform::MixerVolumeFromMillibels(0), 128);
  EXPECT_EQ(platform::MixerVolumeFromMillibels(-602), 64);
  EXPECT_EQ(platform::MixerVolumeFromMillibels(-2000), 13);
  EXPECT_EQ(platform::MixerVolumeFromMillibels(-10000), 0);
  EXPECT_EQ(platform::MixerVolumeFromMillibels(500), 128);
  EXPECT_EQ(platform::MixerVolumeFromMillibels(-30000), 0);
}

TEST(SoundConfig, ReadsClampsAndWritesTheSoundSection) {
  struct Case {
    const char16_t* volume;
    const char16_t* copies;
    int wantVolume, wantCopies;
  };
  const Case cases[] = {
      {nullptr, nullptr, 100, 5}, {u"40", u"3", 40, 3},  {u"150", u"5", 100, 5},   {u"-3", u"5", 0, 5},
      {u"80", u"0", 80, 1},       {u"80", u"-4", 80, 1}, {u"80", u"1000", 80, 64}, {u"abc", u"x", 0, 1},
  };
  for (const Case& c : cases) {
    auto root = std::make_unique<KVNode>(u"Config");
    KVNode* section = root->AddChild(u"Sound");
    if (c.volume) section->AddChildWith(u"Volume", c.volume);
    if (c.copies) section->AddChildWith(u"P_Sounds", c.copies);
    APISound sound(root.get());
    EXPECT_EQ(sound.GetVolume(), c.wantVolume);
    EXPECT_EQ(sound.CopyCount(), c.wantCopies);
    EXPECT_EQ(sound.Cache().CopyCount(), c.wantCopies);

    KVNode out(u"Config");
    sound.SaveConfig(&out);
    APISound again(&out);
    EXPECT_EQ(again.GetVolume(), c.wantVolume);
    EXPECT_EQ(again.CopyCount(), c.wantCopies);
    ASSERT_NE(out.GetChild(0, u"Sound"), nullptr);
    EXPECT_EQ(out.GetChild(0, u"Sound")->GetChild(0, u"")->Name(), u"Volume");
    EXPECT_EQ(out.GetChild(0, u"Sound")->GetChild(1, u"")->Name(), u"P_Sounds");
  }
  APISound none(nullptr);
  EXPECT_EQ(none.GetVolume(), 100);
  EXPECT_EQ(none.CopyCount(), 5);
}

TEST(SoundConfig, NoAudioSilencesTheRunButKeepsTheStoredVolume) {
  auto config = Config({{u"Volume", u"70"}});
  const char* old = std::getenv("SDL_AUDIODRIVER");
  std::string saved = old ? old : "";
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  APISound sound(config.get());
  EXPECT_EQ(sound.Init(), APISound::kFail);
  if (old)
    setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
  else
    unsetenv("SDL_AUDIODRIVER");
  EXPECT_EQ(sound.GetVolume(), 0);
  EXPECT_FALSE(sound.HasDevice());
  // Sounds neither load nor queue, and nothing breaks.
  std::u16string name = u"sounds\\klick.wav";
  SoundSet* set = sound.Cache().FindOrCreate({&name, nullptr, nullptr});
  EXPECT_EQ(set->UsableCount(), 0);
  sound.Play(set, 100);
  sound.Update(0.01);
  EXPECT_EQ(sound.PlayListSize(), 0u);
  KVNode out(u"Config");
  sound.SaveConfig(&out);
  EXPECT_EQ(out.GetChild(0, u"Sound")->Find(u"Volume")->AsInt(), 70);
}

TEST_F(SoundTest, PlaysAtOnceAtTheRequestedVolume) {
  SoundSet* set = Set(u"sounds\\klick.wav");
  ASSERT_EQ(set->UsableCount(), 5);
  m_sound->Play(set, 50);
  EXPECT_EQ(m_sound->PlayListSize(), 1u);
  m_sound->Update(0.01);
  // The last copy is taken first, played from the start, once.
  Buffer* last = BufferOf(set, 4);
  EXPECT_TRUE(last->IsPlaying());
  EXPECT_EQ(last->PlayCount(), 1);
  EXPECT_EQ(last->RewindCount(), 1);
  EXPECT_FALSE(last->Looping());
  EXPECT_EQ(last->VolumeMB(), -602);
  m_sound->Update(0.01);
  EXPECT_EQ(m_sound->PlayListSize(), 1u);
  last->Finish();
  m_sound->Update(0.01);
  EXPECT_EQ(m_sound->PlayListSize(), 0u);
  EXPECT_EQ(last->PlayCount(), 1);
}

TEST_F(SoundTest, ABusySetMakesTheRequestWait) {
  SoundSet* set = Set(u"sounds\\klick.wav");
  for (int i = 0; i < 6; ++i) m_sound->Play(set, 100);
  m_sound->Update(0.01);
  EXPECT_EQ(Playing(set), 5);
  EXPECT_EQ(m_sound->PlayListSize(), 6u);
  for (int frame = 0; frame < 10; ++frame) m_sound->Update(0.01);
  EXPECT_EQ(m_sound->PlayListSize(), 6u);

  BufferOf(set, 4)->Finish();
  m_sound->Update(0.01);
  // The finished play is gone; the waiting one took the copy that came free.
  EXPECT_EQ(m_sound->PlayListSize(), 5u);
  EXPECT_EQ(BufferOf(set, 4)->PlayCount(), 2);
  EXPECT_EQ(Playing(set), 5);

  m_device->FinishAll();
  m_sound->Update(0.01);
  EXPECT_EQ(m_sound->PlayListSize(), 0u);
}

TEST_F(SoundTest, DelayRepetitionAndPauseRunOnTheGameStep) {
  SoundSet* set = Set(u"sounds\\klick.wav");
  // Three plays, the first after 0.25 s, then 0.5 s of pause after each.
  SoundRequest request(m_sound.get(), set, 100, 3, 0.25, 0.5, 0);
  Buffer* last = BufferOf(set, 4);
  request.Advance(0.125);
  EXPECT_FALSE(request.HasBuffer());
  request.Advance(0.0);  // a paused game holds the delay
  EXPECT_FALSE(request.HasBuffer());
  request.Advance(0.125);
  ASSERT_TRUE(request.HasBuffer());
  EXPECT_EQ(last->PlayCount(), 1);

  int plays = 1;
  for (int frame = 0; frame < 40 && !request.IsFinished(); ++frame) {
    if (last->IsPlaying()) last->Finish();
    request.Advance(0.125);
    if (last->PlayCount() > plays) {
      plays = last->PlayCount();
      // Finish, then four steps of 0.125 s of pause: the next play starts on the fifth.
      EXPECT_EQ(frame % 5, 4) << "play " << plays;
    }
  }
  EXPECT_TRUE(request.IsFinished());
  EXPECT_EQ(last->PlayCount(), 3);
  EXPECT_EQ(request.PlaysLeft(), 0);
}

TEST_F(SoundTest, LongLivedRequestsLoopUntilStopped) {
  SoundSet* set = Set(u"sounds\\klick.wav");
  SoundRequest flight(m_sound.get(), set, 100, 0, 0.0, 0.0, SoundRequest::kLooping);
  flight.Stop();
  EXPECT_TRUE(flight.IsFinished());
  flight.PlayNow(SoundRequest::kLooping);
  Buffer* last = BufferOf(set, 4);
  EXPECT_TRUE(last->IsPlaying());
  EXPECT_TRUE(last->Looping());
  EXPECT_FALSE(flight.IsFinished());
  flight.PlayNow(SoundRequest::kLooping);  // restarts on a free copy, the old one stopped
  EXPECT_EQ(Playing(set), 1);
  flight.Stop();
  EXPECT_EQ(Playing(set), 0);
  EXPECT_TRUE(flight.IsFinished());
}

TEST_F(SoundTest, UnplayableSetsAreDroppedNotQueued) {
  for (const char16_t* name :
       {u"sounds\\missing.wav", u"sounds\\broken.wav", u"sounds\\24bit.wav", u"sounds\\nochannels.wav"}) {
    SoundSet* set = Set(name);
    EXPECT_EQ(set->UsableCount(), 0);
    for (int i = 0; i < 100; ++i) m_sound->Play(set, 100);
    EXPECT_EQ(m_sound->PlayListSize(), 0u);
    // A request made by hand on such a set ends instead of waiting for ever.
    SoundRequest request(m_sound.get(), set, 100, 2, 0.0, 0.0, 0);
    request.Advance(0.01);
    EXPECT_TRUE(request.IsFinished());
  }
  m_sound->Play(nullptr, 100);
  EXPECT_EQ(m_sound->PlayListSize(), 0u);
}

TEST_F(SoundTest, SkipsCopiesThatCouldNotBeMade) {
  // A device that makes one copy fewer than asked leaves the last slot empty.
  struct Short : platform::SoundDevice {
    platform::NullSoundDevice inner;
    std::vector<std::unique_ptr<platform::SoundBuffer>> CreateBuffers(const platform::PcmFormat& f,
                                                                      const uint8_t* d, size_t n,
                                                                      int count) override {
      return inner.CreateBuffers(f, d, n, count - 1);
    }
  };
  auto config = Config({{u"P_Sounds", u"3"}});
  APISound sound(config.get());
  auto device = std::make_unique<Short>();
  Short* shortDevice = device.get();
  ASSERT_EQ(sound.Init(std::move(device)), APISound::kOk);
  std::u16string name = u"sounds\\klick.wav";
  SoundSet* set = sound.Cache().FindOrCreate({&name, nullptr, m_archive.get()});
  ASSERT_EQ(set->UsableCount(), 2);
  EXPECT_EQ(set->Buffer(2), nullptr);
  for (int i = 0; i < 3; ++i) sound.Play(set, 100);
  sound.Update(0.01);
  EXPECT_EQ(Playing(set), 2);
  EXPECT_EQ(sound.PlayListSize(), 3u);
  shortDevice->inner.FinishAll();
  sound.Update(0.01);
  EXPECT_EQ(Playing(set), 1);
  EXPECT_EQ(sound.PlayListSize(), 1u);
}

TEST_F(SoundTest, StopAllStopsAndEmptiesThePlayList) {
  SoundSet* set = Set(u"sounds\\klick.wav");
  for (int i = 0; i < 3; ++i) m_sound->Play(set, 100);
  m_sound->Update(0.01);
  EXPECT_EQ(Playing(set), 3);
  m_sound->StopAll();
  EXPECT_EQ(Playing(set), 0);
  EXPECT_EQ(m_sound->PlayListSize(), 0u);
}

TEST_F(SoundTest, CacheSharesOneSetPerNameAndFoundFolder) {
  std::u16string first = u"\\First\\", second = u"Second";
  SearchPath both(first);
  both.AddFolder(second);
  std::u16string onlyFirstFolder = u"First";
  SearchPath onlyFirst(onlyFirstFolder);

  SoundSet* set = Set(u"boom.wav", &both);
  EXPECT_EQ(set->UsableCount(), 5);
  EXPECT_EQ(set->FoundFolder(), u"Second");
  EXPECT_EQ(Set(u"boom.wav", &both), set);
  // Without a search path any set of that name matches.
  EXPECT_EQ(Set(u"boom.wav"), set);
  // A search path without the found folder makes a second set, which finds nothing.
  SoundSet* other = Set(u"boom.wav", &onlyFirst);
  EXPECT_NE(other, set);
  EXPECT_EQ(other->UsableCount(), 0);
  // Names compare exactly, although the archive ignores case.
  SoundSet* upper = Set(u"BOOM.wav", &both);
  EXPECT_NE(upper, set);
  EXPECT_EQ(upper->UsableCount(), 5);
  EXPECT_EQ(m_sound->Cache().Size(), 3u);
  // Five copies per set; the sets' buffers go with the cache.
  EXPECT_EQ(m_device->Buffers().size(), 10u);
  m_sound->Cache().Clear();
  EXPECT_EQ(m_device->Buffers().size(), 0u);
}

TEST_F(SoundTest, AMissingSoundIsLookedForOnce) {
  // Every set made looks the file up in the archive; a failure is kept like a success, so
  // five requests over the same folders make one set. Other folders are a new attempt.
  std::u16string a = u"sounds", b = u"second";
  SearchPath path(a);
  path.AddFolder(b);
  SearchPath reversed(b);
  reversed.AddFolder(a);
  SoundSet* first = Set(u"missing.wav", &path);
  EXPECT_EQ(first->UsableCount(), 0);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Set(u"missing.wav", &path), first);
  EXPECT_EQ(m_sound->Cache().Size(), 1u);
  EXPECT_NE(Set(u"missing.wav", &reversed), first);
  EXPECT_EQ(m_sound->Cache().Size(), 2u);
  // A failed set is not a stand-in for a file that exists under another path.
  EXPECT_EQ(Set(u"klick.wav", &reversed)->UsableCount(), 5);
}

TEST(SoundMixer, PlaysThroughTheDummyDriver) {
  TempDir dir;
  // 0.05 s of sound.
  ASSERT_TRUE(
      WriteDataArchive(dir.File("m.gob"), {{u"beep.wav", wav::Pcm(2, 22050, 16, wav::Tone(1100, 2, 16))},
                                           {u"tick.wav", wav::Pcm(1, 11025, 8, wav::Tone(500, 1, 8))}}));
  auto archive = DataArchive::Open(dir.File("m.gob"));
  APISound sound(nullptr);
  if (sound.Init() != APISound::kOk) GTEST_SKIP() << "no audio output";
  std::u16string beep = u"beep.wav", tick = u"tick.wav";
  SoundSet* set = sound.Cache().FindOrCreate({&beep, nullptr, archive.get()});
  SoundSet* eight = sound.Cache().FindOrCreate({&tick, nullptr, archive.get()});
  ASSERT_EQ(set->UsableCount(), 5);
  ASSERT_EQ(eight->UsableCount(), 5);
  for (int i = 0; i < 7; ++i) sound.Play(set, 60);
  sound.Play(eight, 100);
  sound.Update(0.01);
  int playing = 0;
  for (int i = 0; i < 5; ++i) playing += set->Buffer(i)->IsPlaying();
  EXPECT_EQ(playing, 5);
  EXPECT_TRUE(eight->Buffer(4)->IsPlaying());
  auto start = std::chrono::steady_clock::now();
  while (sound.PlayListSize() > 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
    sound.Update(0.01);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(sound.PlayListSize(), 0u);
}
