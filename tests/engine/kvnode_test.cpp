#include "engine/kvnode.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <fstream>

#include "platform/files.h"
#include "platform/text.h"
#include "support/temp_dir.h"

namespace {

std::unique_ptr<KVNode> Parse(std::u16string_view body) {
  return ParseKVText(std::u16string(u"<>\n \t<\\>\n") + std::u16string(body));
}

std::vector<std::u16string> Values(const KVNode* node) {
  std::vector<std::u16string> out;
  for (unsigned i = 0; i < node->GetValueCount(); ++i) out.push_back(node->GetValue(i)->Text());
  return out;
}

// Structural equality of two trees: names, values in order, children in order.
void ExpectSameTree(const KVNode& a, const KVNode& b) {
  EXPECT_EQ(a.Name(), b.Name());
  EXPECT_EQ(Values(&a), Values(&b)) << platform::U16ToUtf8(a.Name());
  ASSERT_EQ(a.CountChildren(u""), b.CountChildren(u"")) << platform::U16ToUtf8(a.Name());
  for (unsigned i = 0; i < a.CountChildren(u""); ++i)
    ExpectSameTree(*a.GetChild(i, u""), *b.GetChild(i, u""));
}

}  // namespace

TEST(KVNode, ParsesNodesValuesAndComments) {
  auto root = Parse(
      u"<Config>\n"
      u"  <Display> \"1024\" \"768\" bare words dropped <\\Display>\n"
      u"  <Name> \"two words\" \"\" \"a<b>c\" \"line\nbreak\" <\\Name>\n"
      u"  <Joined> \"ab\"\"cd\" x\"y\"z <\\Joined>\n"
      u"  <Display> \"second\" <\\Display>\n"
      u"<\\Config>");
  ASSERT_EQ(root->Name(), u"Config");
  EXPECT_EQ(root->CountChildren(u"Display"), 2u);
  EXPECT_EQ(root->CountChildren(u""), 4u);
  EXPECT_EQ(Values(root->GetChild(0, u"Display")), (std::vector<std::u16string>{u"1024", u"768"}));
  EXPECT_EQ(Values(root->GetChild(1, u"Display")), (std::vector<std::u16string>{u"second"}));
  EXPECT_EQ(root->GetChild(2, u"Display"), nullptr);
  EXPECT_EQ(Values(root->GetChild(0, u"Name")),
            (std::vector<std::u16string>{u"two words", u"", u"a<b>c", u"line\nbreak"}));
  // Quoted and unquoted pieces of one token join.
  EXPECT_EQ(Values(root->GetChild(0, u"Joined")), (std::vector<std::u16string>{u"abcd", u"xyz"}));
  // With an empty name every child counts, in order.
  EXPECT_EQ(root->GetChild(2, u"")->Name(), u"Joined");
}

TEST(KVNode, TypedReads) {
  KVValue two(2.0);
  EXPECT_EQ(two.Text(), u"2.000000");
  EXPECT_EQ(two.AsInt(), 2);
  EXPECT_EQ(two.AsDouble(), 2.0);
  EXPECT_FALSE(KVValue(u"true").AsBool());
  EXPECT_TRUE(KVValue(u"1").AsBool());
  EXPECT_TRUE(KVValue(u"-1").AsBool());
  KVValue hex(255, true);
  EXPECT_EQ(hex.Text(), u"ff");
  EXPECT_EQ(hex.AsInt(), 0);
  EXPECT_EQ(KVValue(-1, true).Text(), u"ffffffff");
  EXPECT_EQ(KVValue(true).Text(), u"1");
  EXPECT_EQ(KVValue(false).Text(), u"0");
  EXPECT_EQ(KVValue(1.5).Text(), u"1.500000");
  // Values that are not finite would read back as something else: they are written as 0.
  EXPECT_EQ(KVValue(std::nan("")).Text(), u"0.000000");
  EXPECT_EQ(KVValue(-INFINITY).Text(), u"0.000000");
}

TEST(KVNode, ReadHelpersKeepDefaultsForMissingKeys) {
  auto root = Parse(u"<R><A> \"5\" \"2.5\" <\\A><B> <\\B><\\R>");
  int a = 1, b = 7, missing = 9;
  double second = 0, third = -1;
  EXPECT_TRUE(root->Read(u"A", a));
  EXPECT_TRUE(root->Read(u"A", second, 1));
  EXPECT_FALSE(root->Read(u"A", third, 2));
  EXPECT_FALSE(root->Read(u"B", b));
  EXPECT_FALSE(root->Read(u"C", missing));
  EXPECT_EQ(a, 5);
  EXPECT_EQ(second, 2.5);
  EXPECT_EQ(third, -1);
  EXPECT_EQ(b, 7);
  EXPECT_EQ(missing, 9);
  EXPECT_EQ(root->GetChild(0, u"A")->GetValue(2), nullptr);
}

TEST(KVNode, WriterLayoutIsExact) {
  KVNode root(u"Config");
  KVNode* display = root.AddChild(u"Display");
  display->AddChildWith(u"Resolution", 1024, 768);
  display->AddChildWith(u"Fullscreen", false);
  root.AddChild(u"Empty");
  KVNode* mixed = root.AddChildWith(u"Mixed", u"v");
  mixed->AddChildWith(u"K", 1.5);
  EXPECT_EQ(WriteKVText(root),
            u"<>\n \t<\\>\n"
            u"<Config>\n"
            u"\t<Display>\n"
            u"\t\t<Resolution> \"1024\" \"768\" <\\Resolution>\n"
            u"\t\t<Fullscreen> \"0\" <\\Fullscreen>\n"
            u"\t<\\Display>\n"
            u"\t<Empty> <\\Empty>\n"
            u"\t<Mixed>\n"
            u"\t\"v\"\n"
            u"\t\t<K> \"1.500000\" <\\K>\n"
            u"\t<\\Mixed>\n"
            u"<\\Config>");
}

TEST(KVNode, WrittenTreesReadBackTheSame) {
  KVNode root(u"Root");
  root.AddChildWith(u"Text", u"with blanks\tand tabs", u"<angle>", u"", u"Zw\u00F6lf \u0416");
  KVNode* deep = root.AddChild(u"Deep");
  for (int i = 0; i < 5; ++i) deep = deep->AddChildWith(u"Level", i, -i * 0.25, i % 2 == 0);
  root.AddChildWith(u"Hex", 0x7f, u"x");
  // Blanks, tabs and line ends belong to a name, inside it and at either end.
  root.AddChildWith(u"My Node", u"a");
  root.AddChildWith(u" Tab\tand\nline ", u"b");
  auto back = ParseKVText(WriteKVText(root));
  ExpectSameTree(root, *back);
  EXPECT_NE(back->Find(u"My Node"), nullptr);
}

TEST(KVNode, WriterCleansWhatItCannotRepresent) {
  // A team name typed with a double quote must not break the roster it is saved in.
  KVNode root(u"R");
  root.AddChildWith(u"NAME", u"Big \"Bertha\"");
  root.AddChildWith(u"\\x<y> z", u"v");
  auto back = ParseKVText(WriteKVText(root));
  ASSERT_EQ(back->CountChildren(u""), 2u);
  EXPECT_EQ(back->Find(u"NAME")->Text(), u"Big 'Bertha'");
  EXPECT_EQ(back->GetChild(1, u"")->Name(), u"xy z");
  EXPECT_EQ(back->GetChild(1, u"")->GetValue(0)->Text(), u"v");
}

TEST(KVNode, HeaderDeclaresTheSyntax) {
  // Square brackets, a semicolon separator and a slash end marker.
  auto root = ParseKVText(u"[];[/]\n[Root];[A];\"1\";\"x y\";[/A];[/Root]");
  ASSERT_NE(root->GetChild(0, u"A"), nullptr);
  EXPECT_EQ(Values(root->GetChild(0, u"A")), (std::vector<std::u16string>{u"1", u"x y"}));
  // Newlines are not separators here, so they join the tokens they touch.
  auto defaults = ParseKVText(u"<>\n \t<\\>\n<R><A> \"1\" <\\A><\\R>");
  EXPECT_EQ(WriteKVText(*root).substr(0, 9), u"<>\n \t<\\>\n");
  EXPECT_EQ(defaults->Find(u"A")->Text(), u"1");
}

TEST(KVNode, CarriageReturnsAreNotSeparators) {
  auto root = ParseKVText(u"<>\n \t<\\>\r\n<R>\r\n<A> \"x\"\r\n \"y\" \r\n<\\A>\r\n<\\R>");
  // The CR right after a closing quote stays in the value; a lone CR token is dropped.
  KVNode* a = nullptr;
  for (const auto& child : root->Children())
    if (child->Name() == u"A") a = child.get();
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(Values(a), (std::vector<std::u16string>{u"x\r", u"y"}));
}

TEST(KVNode, MismatchedEndTagsAndMalformedText) {
  // An end tag naming another node ends the current one at the first differing character.
  auto root = Parse(u"<R><A> \"1\" <\\AB> \"2\" <B> \"3\" <\\B><\\R>");
  EXPECT_EQ(Values(root->GetChild(0, u"A")), (std::vector<std::u16string>{u"1"}));
  EXPECT_EQ(Values(root.get()), (std::vector<std::u16string>{u"2"}));
  ASSERT_NE(root->GetChild(0, u"B"), nullptr);

  struct Case {
    std::u16string text;
  } broken[] = {
      {u""},
      {u"<"},
      {u"<>"},
      {u"<>\n \t<"},
      {u"<>\n \t<\\"},
      {u"<>\n \t<\\>\n<R> >>> \"v\" <\\R>"},
      {u"<>\n \t<\\>\n<R><A><B><C> \"unterminated"},
      {u"<>\n \t<\\>\n<R><\\"},
  };
  for (const auto& c : broken) {
    auto node = ParseKVText(c.text);
    ASSERT_NE(node, nullptr);
  }
  EXPECT_EQ(ParseKVText(u"<>\n \t<\\>\n<R> >>> \"v\" <\\R>")->GetValue(0)->Text(), u"v");
  auto open = ParseKVText(u"<>\n \t<\\>\n<R><A><B><C> \"unterminated");
  EXPECT_EQ(open->GetChild(0, u"A")->GetChild(0, u"B")->GetChild(0, u"C")->GetValue(0)->Text(),
            u"unterminated");
}

TEST(KVNode, RandomBytesNeverCrashOrHang) {
  uint32_t state = 7;
  for (int round = 0; round < 200; ++round) {
    std::vector<uint8_t> bytes(size_t(round * 13 % 700));
    for (auto& b : bytes) {
      state = state * 1103515245u + 12345u;
      // Mostly syntax characters and quotes, so the parser's paths are all taken.
      const char pick[] = "<>\\\" \n\tAB1";
      b = (state >> 28) < 12 ? uint8_t(pick[(state >> 16) % 10]) : uint8_t(state >> 20);
    }
    if (round % 2) bytes.insert(bytes.begin(), {'<', '>', '\n', ' ', '<', '\\', '>', '\n'});
    auto root = ParseKVText(DecodeKVBytes(bytes.data(), bytes.size(), round % 3 == 0));
    ASSERT_NE(root, nullptr);
    WriteKVText(*root);
  }
}

TEST(KVNode, DeepNestingIsBounded) {
  std::u16string text = u"<>\n \t<\\>\n<R>";
  for (int i = 0; i < 100000; ++i) text += u"<N>";
  auto root = ParseKVText(text);
  int depth = 0;
  for (const KVNode* n = root.get(); n->CountChildren(u"") > 0; n = n->GetChild(0, u"")) ++depth;
  EXPECT_GT(depth, 50);
  EXPECT_LT(depth, 1000);
}

TEST(KVFile, LoadsUtf16AndAnsiFromDisk) {
  TempDir dir;
  // ANSI: text mode turns CR LF into LF and stops at 0x1A; bytes are Windows-1252.
  {
    std::ofstream f(dir.Path() / "ansi.cfg", std::ios::binary);
    f << "<>\r\n \t<\\>\r\n<R>\r\n<N> \"H\xD6HE\" \"x\" <\\N>\r\n<\\R>\x1A<junk>";
  }
  auto ansi = LoadKVFile(dir.File("ansi.cfg"));
  ASSERT_NE(ansi, nullptr);
  EXPECT_EQ(Values(ansi->GetChild(0, u"N")), (std::vector<std::u16string>{u"H\u00D6HE", u"x"}));
  EXPECT_EQ(ansi->CountChildren(u"junk"), 0u);

  KVNode root(u"Config");
  root.AddChildWith(u"Sprache", u"\u0420\u0443\u0441\u0441\u043A\u0438\u0439");
  ASSERT_TRUE(SaveKVFile(dir.File("u.cfg"), root, true));
  auto bytes = platform::ReadFile(dir.File("u.cfg"));
  ASSERT_TRUE(bytes);
  const uint8_t head[] = {0xFF, 0xFE, 0x3C, 0, 0x3E, 0, 0x0A, 0, 0x20, 0,
                          0x09, 0,    0x3C, 0, 0x5C, 0, 0x3E, 0, 0x0A, 0};
  ASSERT_GE(bytes->size(), sizeof head);
  EXPECT_TRUE(std::equal(head, head + sizeof head, bytes->begin()));
  auto back = LoadKVFile(dir.File("u.cfg"));
  ASSERT_NE(back, nullptr);
  ExpectSameTree(root, *back);

  EXPECT_EQ(LoadKVFile(dir.File("missing.cfg")), nullptr);
}

TEST(KVFile, AFailedSaveKeepsThePreviousFile) {
  TempDir dir;
  KVNode first(u"Config");
  first.AddChildWith(u"A", 1);
  ASSERT_TRUE(SaveKVFile(dir.File("keep.cfg"), first));
  // Occupy the temporary file's place with a folder, so the new text cannot be written.
  std::filesystem::create_directory(dir.Path() / ("keep.cfg.tmp-" + std::to_string(::getpid())));
  KVNode second(u"Config");
  second.AddChildWith(u"A", 2);
  EXPECT_FALSE(SaveKVFile(dir.File("keep.cfg"), second));
  auto back = LoadKVFile(dir.File("keep.cfg"));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Find(u"A")->AsInt(), 1);
  EXPECT_FALSE(SaveKVFile(dir.File("no/such/folder/x.cfg"), first));
}
