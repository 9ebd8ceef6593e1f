// Reading and writing files: only regular files within a size are read, writes go through
// links, and OS paths keep their bytes.
#include "platform/files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "support/temp_dir.h"

TEST(Files, OnlyRegularFilesWithinTheLimitAreRead) {
  TempDir dir;
  const std::string fifo = (dir.Path() / "fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::ofstream((dir.Path() / "big").string(), std::ios::binary) << std::string(1000, 'x');
  struct Case {
    std::string path;
    size_t limit;
    const char* why;
  };
  // A FIFO nobody writes to would block, /dev/zero never ends, a folder has no bytes.
  const Case cases[] = {
      {fifo, platform::kMaxFileBytes, "not a regular file"},
      {"/dev/zero", platform::kMaxFileBytes, "not a regular file"},
      {dir.Path().string(), platform::kMaxFileBytes, "Is a directory"},
      {(dir.Path() / "big").string(), 999, "larger than 999 bytes"},
      {(dir.Path() / "none").string(), platform::kMaxFileBytes, "No such file"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(platform::ReadFileOs(c.path, c.limit, &error)) << c.path;
    EXPECT_NE(error.find(c.why), std::string::npos) << c.path << ": " << error;
  }
  auto whole = platform::ReadFileOs((dir.Path() / "big").string(), 1000);
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->size(), 1000u);
}

TEST(Files, OsPathsKeepTheirBytes) {
  const std::string paths[] = {"/a/b\\c", "/x\xff\xfe/y", "/\xc3\xa4/\xe2\x82\xac/\xf0\x9f\x98\x80", "/\xc0\xaf/\xed\xa0\x80"};
  for (const std::string& p : paths) EXPECT_EQ(platform::ToOsPath(platform::FromOsPath(p)), p);
  // Game paths still take a backslash as a separator.
  EXPECT_EQ(platform::ToOsPath(u"kampagne\\kampagne.kam"), "kampagne/kampagne.kam");
}

TEST(Files, WritesGoThroughLinksAndTellWhyTheyFail) {
  TempDir dir;
  const auto target = dir.Path() / "real.cfg";
  const auto link = dir.Path() / "link.cfg";
  std::filesystem::create_symlink("real.cfg", link);
  ASSERT_TRUE(platform::WriteFileAtomicOs(link.string(), {'a', 'b'}));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(std::filesystem::file_size(target), 2u);

  std::string error;
  std::filesystem::create_directories(dir.Path() / "folder" / "inside");
  EXPECT_FALSE(platform::WriteFileAtomicOs((dir.Path() / "folder").string(), {'a'}, &error));
  EXPECT_EQ(error, "Is a directory");
  EXPECT_FALSE(platform::WriteFileAtomicOs((dir.Path() / "real.cfg" / "below").string(), {'a'}, &error));
  EXPECT_EQ(error, "Not a directory");
  EXPECT_FALSE(platform::WriteFileAtomicOs(dir.Path().string() + "/" + std::string(300, 'n'), {'a'}, &error));
  EXPECT_EQ(error, "File name too long");
}
