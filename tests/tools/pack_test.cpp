#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "platform/files.h"
#include "platform/text.h"
#include "support/temp_dir.h"

namespace {

int Pack(const TempDir& dir, const std::string& out) {
  std::string cmd = std::string(KRUMBOLT_PACK) + " " + (dir.Path() / out).string() + " --dir " +
                    (dir.Path() / "src").string() + " --files " + (dir.Path() / "extra.lst").string() +
                    " 2>/dev/null";
  return std::system(cmd.c_str());
}

void Write(const std::filesystem::path& p, const std::string& s) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << s;
}

}  // namespace

TEST(Packer, StoresTextAsUtf16AndIsReproducible) {
  TempDir dir;
  Write(dir.Path() / "src/kampagne/kampagne.kam",
        "<>\r\n \t<\\>\r\n<K><NAME> \"Gr\xC3\xBC\xC3\x9F"
        "e\" <\\NAME><\\K>\r\n");
  Write(dir.Path() / "src/image.png", std::string("\x89PNG\r\n\x1A\n", 8));
  Write(dir.Path() / "src/art.svg", "<svg/>");
  Write(dir.Path() / "blob.bin", "BLOB");
  Write(dir.Path() / "extra.lst", "# comment\nfont.ttf\t" + (dir.Path() / "blob.bin").string() + "\n");
  ASSERT_EQ(Pack(dir, "a.gob"), 0);
  ASSERT_EQ(Pack(dir, "b.gob"), 0);
  EXPECT_EQ(platform::ReadFile(dir.File("a.gob")), platform::ReadFile(dir.File("b.gob")));

  auto archive = DataArchive::Open(dir.File("a.gob"));
  ASSERT_NE(archive, nullptr);
  EXPECT_EQ(archive->EntryCount(), 3u);  // the SVG source is not packed
  auto png = archive->ReadEntry(u"image.png");
  ASSERT_TRUE(png);
  EXPECT_EQ(png->size(), 8u);
  EXPECT_EQ(archive->ReadEntry(u"FONT.TTF")->size(), 4u);
  auto kam = archive->ReadEntry(u"kampagne\\kampagne.kam");
  ASSERT_TRUE(kam);
  ASSERT_GE(kam->size(), 2u);
  EXPECT_EQ((*kam)[0], 0xFF);
  EXPECT_EQ((*kam)[1], 0xFE);
  std::u16string text = platform::Utf16LEToU16(kam->data() + 2, kam->size() - 2);
  EXPECT_EQ(text.find(u'\r'), std::u16string::npos);
  auto root = LoadKVFromArchive(u"kampagne\\kampagne.kam", archive.get());
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->Find(u"NAME")->Text(), u"Gr\u00FC\u00DFe");
}

TEST(Packer, RefusesTextWithoutHeaderAndClashingNames) {
  TempDir dir;
  Write(dir.Path() / "extra.lst", "");
  Write(dir.Path() / "src/bad.lvl", "no header here");
  EXPECT_NE(Pack(dir, "a.gob"), 0);
  std::filesystem::remove(dir.Path() / "src/bad.lvl");
  Write(dir.Path() / "src/A.png", "1");
  Write(dir.Path() / "src/a.PNG", "2");
  EXPECT_NE(Pack(dir, "a.gob"), 0);
}

TEST(Packer, ListsAnArchive) {
  TempDir dir;
  ASSERT_TRUE(WriteDataArchive(dir.File("a.gob"), {{u"b\\c.txt", {1, 2, 3}}, {u"a.png", {}}}));
  std::string out = (dir.Path() / "list.txt").string();
  ASSERT_EQ(
      std::system(
          (std::string(KRUMBOLT_PACK) + " --list " + (dir.Path() / "a.gob").string() + " > " + out).c_str()),
      0);
  std::ifstream f(out);
  std::string all((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  EXPECT_EQ(all, "b\\c.txt\t3\na.png\t0\n");
}

TEST(Packer, TheGameArchiveOpensAndEveryEntryReadsBack) {
  auto archive = DataArchive::Open(platform::Utf8ToU16(KRUMBOLT_BINARY_DIR "/krumbolt.gob"));
  ASSERT_NE(archive, nullptr);
  EXPECT_TRUE(archive->Find(u"georgia.ttf"));
  for (const auto& [name, entry] : archive->List()) {
    auto bytes = archive->ReadEntry(name);
    ASSERT_TRUE(bytes) << platform::U16ToUtf8(name);
    EXPECT_EQ(bytes->size(), entry.size);
    if (bytes->size() >= 2 && (*bytes)[0] == 0xFF && (*bytes)[1] == 0xFE) {
      auto root = LoadKVFromArchive(name, archive.get());
      ASSERT_NE(root, nullptr) << platform::U16ToUtf8(name);
      EXPECT_GT(root->CountChildren(u"") + root->GetValueCount(), 0u) << platform::U16ToUtf8(name);
    }
  }
}
