#include "engine/dataarchive.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "engine/kvnode.h"
#include "platform/files.h"
#include "platform/text.h"
#include "support/temp_dir.h"

namespace {

using Entries = std::vector<std::pair<std::u16string, std::vector<uint8_t>>>;

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

std::string Text(const std::optional<std::vector<uint8_t>>& b) { return b ? std::string(b->begin(), b->end()) : "<none>"; }

void WriteRaw(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void PutU32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

}  // namespace

TEST(DataArchive, FindsEntriesIgnoringLetterCase) {
  TempDir dir;
  Entries entries = {{u"menu.prt", Bytes("menu")},
                     {u"kampagne\\kampagne.kam", Bytes("campaign")},
                     {u"MENU.PRT", Bytes("shadowed")},
                     {u"\u00E4rger.txt", Bytes("umlaut")},
                     {u"empty", {}}};
  ASSERT_TRUE(WriteDataArchive(dir.File("a.gob"), entries));
  auto archive = DataArchive::Open(dir.File("a.gob"));
  ASSERT_NE(archive, nullptr);
  EXPECT_EQ(archive->EntryCount(), 5u);
  // The first of two equal names wins; only A-Z ignore case.
  EXPECT_EQ(Text(archive->ReadEntry(u"MENU.prt")), "menu");
  EXPECT_EQ(Text(archive->ReadEntry(u"KAMPAGNE\\Kampagne.KAM")), "campaign");
  EXPECT_EQ(Text(archive->ReadEntry(u"\u00E4rger.txt")), "umlaut");
  EXPECT_EQ(Text(archive->ReadEntry(u"\u00C4rger.txt")), "<none>");
  EXPECT_EQ(Text(archive->ReadEntry(u"missing")), "<none>");
  EXPECT_EQ(Text(archive->ReadEntry(u"")), "<none>");
  // An absent name leaves the archive usable.
  EXPECT_EQ(Text(archive->ReadEntry(u"menu.prt")), "menu");
  EXPECT_EQ(Text(archive->ReadEntry(u"empty")), "");
  EXPECT_EQ(archive->Find(u"empty")->size, 0u);
}

TEST(DataArchive, RefusesForeignOrBrokenFiles) {
  TempDir dir;
  std::vector<uint8_t> zeroCount = {'G', 'O', 'B', 0, 0, 0, 0, 0};
  WriteRaw(dir.Path() / "zero.gob", zeroCount);
  EXPECT_EQ(DataArchive::Open(dir.File("zero.gob")), nullptr);
  WriteRaw(dir.Path() / "foreign.gob", Bytes("PK\x03\x04xxxxxxxxxxxx"));
  EXPECT_EQ(DataArchive::Open(dir.File("foreign.gob")), nullptr);
  WriteRaw(dir.Path() / "short.gob", Bytes("GOB"));
  EXPECT_EQ(DataArchive::Open(dir.File("short.gob")), nullptr);
  EXPECT_EQ(DataArchive::Open(dir.File("absent.gob")), nullptr);
}

TEST(DataArchive, SurvivesLyingDirectories) {
  TempDir dir;
  ASSERT_TRUE(WriteDataArchive(dir.File("a.gob"), {{u"good", Bytes("ok")}, {u"huge", Bytes("xx")}, {u"noname", Bytes("n")}}));
  auto bytes = *platform::ReadFile(dir.File("a.gob"));
  // A count far beyond the file, an entry whose data lies past the end, a name without a zero.
  PutU32(bytes, 4, 0x7FFFFFFF);
  PutU32(bytes, 8 + 268 + 4, 0xFFFFFF00);
  std::memset(bytes.data() + 8 + 2 * 268 + 8, 'n', 260);
  WriteRaw(dir.Path() / "b.gob", bytes);
  auto archive = DataArchive::Open(dir.File("b.gob"));
  ASSERT_NE(archive, nullptr);
  EXPECT_EQ(archive->EntryCount(), 3u);
  EXPECT_EQ(Text(archive->ReadEntry(u"good")), "ok");
  EXPECT_EQ(Text(archive->ReadEntry(u"huge")), "<none>");
  EXPECT_EQ(Text(archive->ReadEntry(std::u16string(260, u'n'))), "<none>");
  EXPECT_EQ(Text(archive->ReadEntry(std::u16string(259, u'n'))), "<none>");
}

TEST(DataArchive, LoadsKeyValueTextFromEntries) {
  TempDir dir;
  // Archive text is taken byte for byte: no CR LF translation for single-byte text.
  std::vector<uint8_t> ansi = Bytes("<>\n \t<\\>\n<R><A> \"x\"\r <\\A><\\R>");
  KVNode root(u"R");
  root.AddChildWith(u"B", u"\u044F");
  auto utf16 = platform::U16ToUtf16LE(WriteKVText(root), true);
  ASSERT_TRUE(WriteDataArchive(dir.File("a.gob"), {{u"ansi.txt", ansi}, {u"wide.txt", utf16}}));
  auto archive = DataArchive::Open(dir.File("a.gob"));
  ASSERT_NE(archive, nullptr);
  auto a = LoadKVFromArchive(u"ANSI.TXT", archive.get());
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->Find(u"A")->Text(), u"x\r");
  auto w = LoadKVFromArchive(u"wide.txt", archive.get());
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->Find(u"B")->Text(), u"\u044F");
  EXPECT_EQ(LoadKVFromArchive(u"absent.txt", archive.get()), nullptr);
  // Without an archive the name is a path on disk.
  WriteRaw(dir.Path() / "disk.txt", ansi);
  auto d = LoadKVFromArchive(dir.File("disk.txt"), nullptr);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->Find(u"A")->Text(), u"x\r");
}
