// The shipped weapon file: it loads without a message, every weapon has its icon, the
// categories hold what they name, and every text the weapons show exists in each language.
#include <gtest/gtest.h>

#include <cstdlib>

#include "battle/waffe.h"
#include "battle/waffenset.h"
#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "engine/sprache.h"
#include "engine/spriterenderer.h"
#include "objects/partikelinfo.h"
#include "objects/partikelliste.h"
#include "platform/text.h"
#include "support/user_folder.h"

namespace {

std::unique_ptr<DataArchive> OpenArchive() {
  const char* env = std::getenv("KRUMBOLT_GOB");
  return DataArchive::Open(platform::Utf8ToU16(env ? env : KRUMBOLT_BINARY_DIR "/krumbolt.gob"));
}

std::string U8(const std::u16string& s) { return platform::U16ToUtf8(s); }

}  // namespace

TEST(WaffenContent, ShippedWeaponsLoadWithIconsCategoriesAndTexts) {
  auto archive = OpenArchive();
  ASSERT_TRUE(archive);
  UserFolder folder;
  APIContext context;
  context.configuration = std::make_unique<KVNode>(u"Config");
  DisplayEnvironment display;
  display.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
  APIGraphics graphics(context, display);
  context.graphics = &graphics;
  Sprache language(context.configuration.get());
  language.LoadArchiveFile(u"sprache.lng", archive.get());

  auto root = LoadKVFromArchive(u"waffen.waf", archive.get());
  ASSERT_TRUE(root);
  MyGlobals globals(&context);
  ASSERT_NE(globals.GetArchive(), nullptr);
  // The weapons name animations and particle types, read before them as the game does.
  globals.GetAnimationManager()->LoadFile(LoadKVFromArchive(u"animationen.ani", archive.get()).get(),
                                          archive.get());
  PartikelInfo::LoadAll(LoadKVFromArchive(u"partikel.prt", archive.get()).get(), *globals.GetPartikelListe(),
                        globals.GetAnimationManager());
  WaffenSet set(&globals, &context);
  testing::internal::CaptureStderr();
  set.Load(root.get());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

  std::vector<std::u16string> names;
  for (const Waffe* w : set.Weapons()) names.push_back(w->GetName());
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Bazooka", u"Lenkrakete", u"Gewehr", u"Granate", u"Dynamit",
                                                u"Mine"}));
  std::vector<std::u16string> keys = {u"BAZOOKA_BESCHREIBUNG", u"SHOTS_LEFT",        u"HOMING_BESCHREIBUNG",
                                      u"AUFSCHALTZEIT",        u"SEKUNDEN",          u"TIMER",
                                      u"DYNAMIT_R\u00DCCKZUG", u"MINE_R\u00DCCKZUG", u"MINE_BESCHREIBUNG"};
  for (const Waffe* w : set.Weapons()) {
    EXPECT_TRUE(w->IsUsable()) << U8(w->GetName());
    ASSERT_NE(w->GetPreview(), nullptr) << U8(w->GetName());
    EXPECT_EQ(w->GetPreview()->rect.Width(), 64) << U8(w->GetName());
    EXPECT_FALSE(w->GetShotPositions().empty()) << U8(w->GetName());
    for (const char16_t* suffix : {u"", u"_CHANGE_ANZAHL1", u"_CHANGE_ANZAHL"})
      keys.push_back(w->GetTextId() + suffix);
  }
  ASSERT_EQ(set.GetCategoryCount(), 2);
  int listed = 0;
  for (int c = 0; c < set.GetCategoryCount(); ++c) {
    keys.push_back(set.GetCategory(c)->GetTextId());
    listed += set.GetCategory(c)->GetWeaponCount();
  }
  EXPECT_EQ(listed, int(set.Weapons().size())) << "every weapon stands in one category";

  ASSERT_EQ(language.LanguageNames().size(), 4u);
  for (int l = 0; l < 4; ++l) {
    language.SetLanguageIndex(l);
    for (const auto& key : keys) {
      const std::u16string* text = language.GetText(key);
      EXPECT_TRUE(text && !text->empty()) << U8(key) << " in language " << l;
    }
  }
}
