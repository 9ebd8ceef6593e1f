// The name lists: loading every list block, team names by language, picks that repeat
// and shuffle under a fixed seed, random single names, and the shipped "namen.nam".
#include "objects/namen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "engine/sprache.h"
#include "platform/random.h"
#include "platform/text.h"
#include "support/kv_fixture.h"
#include "support/rand_ledger.h"
#include "support/temp_dir.h"

namespace {

using Names = std::vector<std::u16string>;

std::unique_ptr<KVNode> Lists() {
  return ParseBody(
      u"<NAMEN> \"Anna\" \"Bert\" <\\NAMEN> <TEAMNAMEN> \"Rot\" \"Blau\" <\\TEAMNAMEN>"
      u"<TEAMNAMEN_ENG> \"Red\" <\\TEAMNAMEN_ENG> <NAMEN> \"Cleo\" <\\NAMEN> <TEAMNAMEN> \"Gelb\" "
      u"<\\TEAMNAMEN>"
      u"<TEAMNAMEN_ENG> \"Blue\" \"Yellow\" <\\TEAMNAMEN_ENG>",
      u"NAMEN_DATEI");
}

// A language table whose active language is the given one.
std::unique_ptr<Sprache> LanguageTable(const TempDir& dir, const char16_t* active) {
  KVNode root(u"SPRACHDATEI");
  root.AddChildWith(u"SPRACHEN", u"DEUTSCH", u"ENGLISCH");
  root.AddChild(u"TEXTE");
  std::u16string path = dir.File("lang.lng");
  EXPECT_TRUE(SaveKVFile(path, root));
  auto table = std::make_unique<Sprache>(nullptr);
  table->LoadFile(path);
  table->SetLanguage(active);
  return table;
}

Names Sorted(Names n) {
  std::sort(n.begin(), n.end());
  return n;
}

}  // namespace

TEST(Namen, LoadAppendsEveryBlockOfEachList) {
  Namen names;
  names.Load(Lists().get());
  names.Load(nullptr);
  EXPECT_EQ(names.PersonNames(), (Names{u"Anna", u"Bert", u"Cleo"}));
  EXPECT_EQ(names.TeamNames(), (Names{u"Rot", u"Blau", u"Gelb"}));
  EXPECT_EQ(names.EnglishTeamNames(), (Names{u"Red", u"Blue", u"Yellow"}));
}

TEST(Namen, TeamNamesFollowTheActiveLanguage) {
  TempDir dir;
  Namen names;
  names.Load(Lists().get());
  auto german = LanguageTable(dir, u"DEUTSCH");
  auto english = LanguageTable(dir, u"ENGLISCH");
  platform::SRand(7);
  EXPECT_EQ(Sorted(names.PickTeamNames(-1, german.get())), Sorted({u"Rot", u"Blau", u"Gelb"}));
  EXPECT_EQ(Sorted(names.PickTeamNames(-1, english.get())), Sorted({u"Red", u"Blue", u"Yellow"}));
}

TEST(Namen, PicksTakeTheListInTurnThenShuffle) {
  Namen names;
  names.Load(ParseBody(u"<NAMEN> \"A\" \"B\" \"C\" \"D\" \"E\" <\\NAMEN>").get());
  const struct {
    int count;
    Names contents;
  } cases[] = {
      {0, {}},
      {3, {u"A", u"B", u"C"}},  // fewer than the list: the first ones, in some order
      {-1, {u"A", u"B", u"C", u"D", u"E"}},
      {7, {u"A", u"A", u"B", u"B", u"C", u"D", u"E"}},  // more: the list repeats
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.count);
    EXPECT_EQ(Sorted(names.PickNames(c.count)), c.contents);
  }

  // The same seed gives the same order, one draw per place after the first.
  platform::SRand(1234);
  RandLedger ledger;
  Names first = names.PickNames(5);
  EXPECT_EQ(ledger.Draws(), 4);
  platform::SRand(1234);
  EXPECT_EQ(names.PickNames(5), first);
  // And the order is really mixed for some seed.
  bool mixed = false;
  for (uint32_t seed = 1; seed < 20 && !mixed; ++seed) {
    platform::SRand(seed);
    mixed = names.PickNames(5) != Names{u"A", u"B", u"C", u"D", u"E"};
  }
  EXPECT_TRUE(mixed);

  Namen empty;
  EXPECT_TRUE(empty.PickNames(4).empty());
  EXPECT_TRUE(empty.PickTeamNames(4, nullptr).empty());
}

TEST(Namen, RandomNameByTheDrawAndTypForNothing) {
  const Names list = {u"A", u"B", u"C", u"D"};
  const struct {
    int draw;
    const char16_t* name;
  } cases[] = {{0, u"A"}, {8191, u"A"}, {8192, u"B"}, {16384, u"C"}, {32766, u"D"}, {32767, u"D"}};
  for (const auto& c : cases) {
    SeedSoNextRandIs(c.draw);
    EXPECT_EQ(Namen::RandomName(list), c.name) << c.draw;
  }
  EXPECT_EQ(Namen::RandomName({}), u"Typ");
}

TEST(Namen, ShippedListsAreLongEnoughAndDistinct) {
  const char* env = std::getenv("KRUMBOLT_GOB");
  auto archive = DataArchive::Open(platform::Utf8ToU16(env ? env : KRUMBOLT_BINARY_DIR "/krumbolt.gob"));
  ASSERT_TRUE(archive);
  auto root = LoadKVFromArchive(u"namen.nam", archive.get());
  ASSERT_TRUE(root);
  Namen names;
  names.Load(root.get());
  for (const Names* list : {&names.TeamNames(), &names.EnglishTeamNames()}) {
    EXPECT_GE(list->size(), 10u);
    EXPECT_EQ(std::set<std::u16string>(list->begin(), list->end()).size(), list->size());
  }
  EXPECT_GE(names.PersonNames().size(), 30u);
  EXPECT_EQ(std::set<std::u16string>(names.PersonNames().begin(), names.PersonNames().end()).size(),
            names.PersonNames().size());
  EXPECT_EQ(names.TeamNames()[0], u"Die Maulw\u00FCrfe");  // umlauts survive the packing
}
