#include "engine/searchpath.h"

#include <gtest/gtest.h>

#include "engine/kvnode.h"

TEST(SearchPath, JoinsTrimmedLowerCasedParts) {
  struct Case {
    const char16_t* folder;
    const char16_t* file;
    const char16_t* joined;
  };
  const Case cases[] = {
      {u"\\Texturen\\Menu\\", u"Button.PNG", u"texturen\\menu\\button.png"},
      {u"", u"Misc.prt", u"misc.prt"},
      {u"\\\\", u"\\A.wav", u"a.wav"},
      {u"Sounds", u"", u"sounds\\"},
      {u"\u00C4rger", u"\u00DCber.WAV", u"\u00C4rger\\\u00DCber.wav"},  // A to Z only
  };
  for (const Case& c : cases) {
    std::u16string folder = c.folder, file = c.file;
    EXPECT_EQ(JoinPath(&folder, &file), c.joined);
  }
  std::u16string file = u"X.wav";
  EXPECT_EQ(JoinPath(nullptr, &file), u"x.wav");
  EXPECT_EQ(JoinPath(nullptr, nullptr), u"");
}

TEST(SearchPath, FoldersFromANodeKeepTheirCase) {
  auto path = [&] {
    KVNode n(u"SEARCHPATH");
    for (const char16_t* v : {u"\\Sounds\\", u"b", u"", u"b"}) n.InsertValue(std::make_unique<KVValue>(v));
    return SearchPath(&n);
  }();
  ASSERT_EQ(path.GetCount(), 4);
  EXPECT_EQ(path.GetFolder(0), u"Sounds");
  EXPECT_EQ(path.GetFolder(2), u"");
  EXPECT_EQ(path.GetFolder(4), u"");
  EXPECT_TRUE(path.Contains(u"Sounds"));
  EXPECT_FALSE(path.Contains(u"sounds"));
  EXPECT_TRUE(path.Contains(u""));

  SearchPath none(nullptr);
  ASSERT_EQ(none.GetCount(), 1);
  EXPECT_EQ(none.GetFolder(0), u"");
  std::u16string folder = u"\\a\\";
  SearchPath one(folder);
  EXPECT_EQ(folder, u"a");
  EXPECT_TRUE(one.Contains(u"a"));
}
