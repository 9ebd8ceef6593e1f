#include "engine/sprache.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "platform/files.h"
#include "platform/text.h"
#include "support/temp_dir.h"

namespace {

using Texts = std::vector<std::u16string>;

std::unique_ptr<KVNode> Language(const Texts& names,
                                 const std::vector<std::pair<std::u16string, Texts>>& texts) {
  auto root = std::make_unique<KVNode>(u"SPRACHDATEI");
  if (!names.empty()) {
    KVNode* languages = root->AddChild(u"SPRACHEN");
    for (const auto& n : names) languages->InsertValue(std::make_unique<KVValue>(n));
  }
  KVNode* table = root->AddChild(u"TEXTE");
  for (const auto& [key, values] : texts) {
    KVNode* entry = table->AddChild(key);
    for (const auto& v : values) entry->InsertValue(std::make_unique<KVValue>(v));
  }
  return root;
}

std::unique_ptr<KVNode> Config(const char16_t* active, const std::vector<std::u16string>& files) {
  auto root = std::make_unique<KVNode>(u"Config");
  KVNode* section = root->AddChild(u"Sprache");
  if (active) section->AddChildWith(u"Aktive_Sprache", active);
  KVNode* loaded = section->AddChild(u"Loaded_Files");
  for (const auto& f : files) loaded->InsertValue(std::make_unique<KVValue>(f));
  return root;
}

std::u16string Text(const Sprache& s, std::u16string_view key) {
  const std::u16string* t = s.GetText(key);
  return t ? *t : u"<null>";
}

const Texts kFour = {u"DEUTSCH", u"ENGLISCH", u"RUSSISCH", u"FRANZ\u00D6SISCH"};

class SpracheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(
        SaveKVFile(m_base, *Language(kFour, {{u"JA", {u"Ja", u"Yes", u"\u0414\u0430", u"Oui"}},
                                             {u"NEIN", {u"Nein", u"No", u"\u041D\u0435\u0442", u"Non"}},
                                             {u"NUR_DE", {u"Nur deutsch"}}})));
    ASSERT_TRUE(SaveKVFile(
        m_patch,
        *Language({}, {{u"NEIN",
                        {u"Niemals", u"Never", u"\u041D\u0438\u043A\u043E\u0433\u0434\u0430", u"Jamais"}}})));
    ASSERT_TRUE(SaveKVFile(m_extra, *Language({u"PIRATISCH", u"RUSSISCH"}, {{u"JA", {u"Arr", u"Da!"}}})));
  }

  TempDir m_dir;
  std::u16string m_base = m_dir.File("base.lng");
  std::u16string m_patch = m_dir.File("patch.lng");
  std::u16string m_extra = m_dir.File("extra.lng");
};

}  // namespace

TEST_F(SpracheTest, ConfigurationSelectsTheLanguageOfItsFiles) {
  auto config = Config(u"RUSSISCH", {m_base});
  Sprache s(config.get());
  EXPECT_EQ(s.ActiveCode(), Sprache::kRussian);
  EXPECT_EQ(s.ActiveIndex(), 2);
  EXPECT_EQ(Text(s, u"JA"), u"\u0414\u0430");
  EXPECT_EQ(Text(s, u"NEIN"), u"\u041D\u0435\u0442");
  // A missing key, a key in another case, and an entry without a Russian text.
  EXPECT_EQ(s.GetText(u"VIELLEICHT"), nullptr);
  EXPECT_EQ(s.GetText(u"ja"), nullptr);
  EXPECT_EQ(s.GetText(u"NUR_DE"), nullptr);
  s.SetLanguage(u"FRANZ\u00D6SISCH");
  EXPECT_EQ(s.ActiveCode(), Sprache::kFrench);
  EXPECT_EQ(Text(s, u"JA"), u"Oui");
  s.SetLanguageIndex(0);
  EXPECT_EQ(Text(s, u"NUR_DE"), u"Nur deutsch");
  // Out of range and unknown names change nothing.
  s.SetLanguageIndex(4);
  s.SetLanguageIndex(-1);
  s.SetLanguage(u"KLINGONISCH");
  EXPECT_EQ(s.ActiveCode(), Sprache::kGerman);
}

TEST_F(SpracheTest, LaterFilesOverrideEarlierOnes) {
  Sprache s(nullptr);
  s.LoadFile(m_base);
  s.LoadFile(m_patch);
  EXPECT_EQ(Text(s, u"NEIN"), u"Never");
  EXPECT_EQ(Text(s, u"JA"), u"Yes");
  EXPECT_EQ(s.LoadedFiles(), (Texts{m_base, m_patch}));
  // Loading a name again adds nothing.
  s.LoadFile(m_base);
  EXPECT_EQ(Text(s, u"NEIN"), u"Never");
  EXPECT_EQ(s.LanguageNames(), kFour);
  EXPECT_EQ(s.LoadedFiles().size(), 2u);
  // A missing file is skipped without a trace.
  s.LoadFile(m_dir.File("missing.lng"));
  EXPECT_EQ(s.LoadedFiles().size(), 2u);
}

TEST_F(SpracheTest, LanguageNamesOfLaterFilesAppend) {
  auto config = Config(u"RUSSISCH", {m_base, m_extra});
  Sprache s(config.get());
  EXPECT_EQ(s.LanguageNames(),
            (Texts{u"DEUTSCH", u"ENGLISCH", u"RUSSISCH", u"FRANZ\u00D6SISCH", u"PIRATISCH", u"RUSSISCH"}));
  // The later of two equal names wins; every name not specially known has code 1.
  EXPECT_EQ(s.ActiveIndex(), 5);
  EXPECT_EQ(s.ActiveCode(), Sprache::kRussian);
  EXPECT_EQ(s.GetText(u"NEIN"), nullptr);
  s.SetLanguage(u"PIRATISCH");
  EXPECT_EQ(s.ActiveIndex(), 4);
  EXPECT_EQ(s.ActiveCode(), Sprache::kEnglish);
}

TEST_F(SpracheTest, DefaultsToIndexOneAndSavesItsSection) {
  struct Case {
    const char* what;
    std::unique_ptr<KVNode> config;
    std::u16string savedName;
  };
  Case cases[] = {{"no configuration", nullptr, u"ENGLISCH"},
                  {"unknown language", Config(u"KLINGONISCH", {}), u"ENGLISCH"},
                  {"German", Config(u"DEUTSCH", {}), u"DEUTSCH"}};
  for (Case& c : cases) {
    Sprache s(c.config.get());
    EXPECT_EQ(s.ActiveIndex(), 1) << c.what;
    // Before any file is loaded there is no name at the active index.
    EXPECT_EQ(s.GetActiveLanguageName(), u"") << c.what;
    s.LoadFile(m_base);
    EXPECT_EQ(s.GetActiveLanguageName(), c.savedName) << c.what;

    KVNode root(u"Config");
    s.Save(&root);
    const KVNode* section = root.GetChild(0, u"Sprache");
    ASSERT_NE(section, nullptr);
    EXPECT_EQ(section->GetChild(0, u"")->Name(), u"Aktive_Sprache");
    EXPECT_EQ(section->GetChild(1, u"")->Name(), u"Loaded_Files");
    EXPECT_EQ(section->Find(u"Aktive_Sprache")->Text(), c.savedName);
    // The saved section brings the same table back.
    Sprache again(&root);
    EXPECT_EQ(again.GetActiveLanguageName(), c.savedName) << c.what;
    EXPECT_EQ(again.LoadedFiles(), Texts{m_base});
  }
}

TEST_F(SpracheTest, ReadsFromTheArchive) {
  auto doc = Language(kFour, {{u"JA", {u"Ja", u"Yes", u"\u0414\u0430", u"Oui"}}});
  std::u16string text = WriteKVText(*doc);
  ASSERT_TRUE(WriteDataArchive(m_dir.File("l.gob"), {{u"sprache.lng", platform::U16ToUtf16LE(text, true)}}));
  auto archive = DataArchive::Open(m_dir.File("l.gob"));
  auto config = Config(u"FRANZ\u00D6SISCH", {});
  Sprache s(config.get());
  s.LoadArchiveFile(u"sprache.lng", archive.get());
  EXPECT_TRUE(s.IsFileLoaded(u"sprache.lng"));
  EXPECT_EQ(s.ActiveCode(), Sprache::kFrench);
  EXPECT_EQ(Text(s, u"JA"), u"Oui");
  s.LoadArchiveFile(u"missing.lng", archive.get());
  EXPECT_FALSE(s.IsFileLoaded(u"missing.lng"));
}

TEST(SpracheContent, EveryTextInFourLanguages) {
  const char* env = std::getenv("KRUMBOLT_GOB");
  std::u16string path = platform::Utf8ToU16(env ? env : KRUMBOLT_BINARY_DIR "/krumbolt.gob");
  auto archive = DataArchive::Open(path);
  ASSERT_TRUE(archive) << "the content archive is built with the tests";
  Sprache s(nullptr);
  s.LoadArchiveFile(u"sprache.lng", archive.get());
  ASSERT_EQ(s.LanguageNames(), kFour);

  auto doc = LoadKVFromArchive(u"sprache.lng", archive.get());
  ASSERT_TRUE(doc);
  const KVNode* texts = doc->GetChild(0, u"TEXTE");
  ASSERT_NE(texts, nullptr);
  ASSERT_GT(texts->CountChildren(u""), 0u);
  std::set<std::u16string> keys;
  for (const auto& entry : texts->Children()) {
    std::string key = platform::U16ToUtf8(entry->Name());
    EXPECT_TRUE(keys.insert(entry->Name()).second) << "duplicate " << key;
    ASSERT_EQ(entry->GetValueCount(), 4u) << key;
    for (unsigned i = 0; i < 4; ++i) EXPECT_FALSE(entry->GetValue(i)->Text().empty()) << key;
    // The Russian text is written in Cyrillic.
    const std::u16string& russian = entry->GetValue(2)->Text();
    EXPECT_TRUE(std::any_of(russian.begin(), russian.end(), [](char16_t c) {
      return c >= 0x0400 && c <= 0x04FF;
    })) << key;
  }
  for (int language = 0; language < 4; ++language) {
    s.SetLanguageIndex(language);
    EXPECT_EQ(s.ActiveCode(), language);
    for (const char16_t* key : {u"MAINMENU", u"__ZUR\u00DCCK_BUTTON__", u"__EXIT_BUTTON__"})
      EXPECT_NE(s.GetText(key), nullptr) << language << " " << platform::U16ToUtf8(key);
  }
  s.SetLanguage(u"DEUTSCH");
  EXPECT_EQ(Text(s, u"__ZUR\u00DCCK_BUTTON__"), u"Zur\u00FCck");
}

TEST_F(SpracheTest, ADamagedLanguageFileKeepsTheSavedChoice) {
  const std::u16string damaged = m_dir.File("damaged.lng");
  ASSERT_TRUE(platform::WriteFileAtomic(damaged, {0x13, 0x9a, 0xfe, 0x00, 0x7f}));
  for (const std::u16string& file : {damaged, m_dir.File("missing.lng")}) {
    auto config = Config(u"DEUTSCH", {file});
    Sprache s(config.get());
    KVNode root(u"Config");
    s.Save(&root);
    EXPECT_EQ(root.GetChild(0, u"Sprache")->Find(u"Aktive_Sprache")->Text(), u"DEUTSCH");
    // Once a good file is there again, the choice applies.
    Sprache again(&root);
    again.LoadFile(m_base);
    EXPECT_EQ(again.ActiveCode(), Sprache::kGerman);
  }
}
