// Data files that fail to load say so once on stderr, with the file and the reason; entries
// above the size limit of their kind are refused instead of read whole.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "engine/contentlimits.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "engine/textureload.h"
#include "engine/wavefile.h"
#include "platform/files.h"
#include "platform/text.h"
#include "support/temp_dir.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

size_t Occurrences(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

}  // namespace

TEST(DataFaults, EachFailingFileIsNamedOnceWithItsReason) {
  TempDir dir;
  const std::u16string path = dir.File("faults.gob");
  std::vector<uint8_t> huge = Bytes("<>\n \t<\\>\n<ROOT> <\\ROOT>");
  huge.resize(content::kMaxDocumentBytes + 1, ' ');
  ASSERT_TRUE(WriteDataArchive(path, {{u"fine.ani", Bytes("<>\n \t<\\>\n<ROOT> <\\ROOT>")},
                                      {u"headless.ani", Bytes("\x13\x9a\xfe garbage")},
                                      {u"huge.wst", huge},
                                      {u"noise.png", Bytes("\x89PNG not really")},
                                      {u"noise.wav", Bytes("RIFF....WAVEjunk")}}));
  auto archive = DataArchive::Open(path);
  ASSERT_NE(archive, nullptr);

  testing::internal::CaptureStderr();
  for (int twice = 0; twice < 2; ++twice) {
    EXPECT_NE(LoadKVFromArchive(u"fine.ani", archive.get()), nullptr);
    // A missing name is an answer for callers that try several, not a fault.
    EXPECT_EQ(LoadKVFromArchive(u"absent.ani", archive.get()), nullptr);
    LoadKVFromArchive(u"headless.ani", archive.get());
    EXPECT_EQ(LoadKVFromArchive(u"huge.wst", archive.get()), nullptr);
    platform::TexturePtr texture;
    EXPECT_TRUE(Failed(CreateTextureFromArchive(archive.get(), nullptr, u"noise.png", {}, &texture)));
    WaveFile wave;
    EXPECT_LT(wave.Open(archive.get(), u"noise.wav"), 0);
  }
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(Occurrences(said, "fine.ani"), 0u) << said;
  EXPECT_EQ(Occurrences(said, "absent.ani"), 0u) << said;
  EXPECT_EQ(Occurrences(said, "headless.ani could not be loaded: no key/value header"), 1u) << said;
  EXPECT_EQ(Occurrences(said, "huge.wst could not be loaded: the entry is larger than"), 1u) << said;
  EXPECT_EQ(Occurrences(said, "noise.png could not be loaded"), 1u) << said;
  EXPECT_EQ(Occurrences(said, "noise.wav could not be loaded"), 1u) << said;
}

TEST(DataFaults, ArchiveEntriesAboveTheirLimitAreRefused) {
  TempDir dir;
  const std::u16string path = dir.File("sizes.gob");
  ASSERT_TRUE(WriteDataArchive(path, {{u"a", std::vector<uint8_t>(1000, 7)}}));
  auto archive = DataArchive::Open(path);
  ASSERT_NE(archive, nullptr);
  EXPECT_FALSE(archive->ReadEntry(u"a", 999));
  auto whole = archive->ReadEntry(u"a", 1000);
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->size(), 1000u);
}

TEST(DataFaults, LanguageFilesFromTheConfigurationAreReadOnlyWhenRegularAndSmall) {
  // "Loaded_Files" names paths on disk: a device that never ends and a FIFO nobody writes
  // to give nothing at once.
  TempDir dir;
  const std::string fifo = (dir.Path() / "fifo.lng").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& p : {std::string("/dev/zero"), fifo}) EXPECT_EQ(LoadKVFile(platform::Utf8ToU16(p)), nullptr);
}
