// The shipped weapon file: it loads without a message, every weapon has its icon, the
// categories hold what they name, and every text the weapons show exists in each language.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "battle/waffe.h"
#include "battle/waffenset.h"
#include "battle/waffenteams.h"
#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "engine/frametimer.h"
#include "engine/gameeventhost.h"
#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "engine/sprache.h"
#include "engine/spriterenderer.h"
#include "objects/eventtable.h"
#include "objects/partikel.h"
#include "objects/partikelinfo.h"
#include "objects/partikelliste.h"
#include "objects/wormmanager.h"
#include "platform/text.h"
#include "support/user_folder.h"
#include "world/terrain_art.h"
#include "world/welt.h"

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
  // The car is a person of the roster.
  globals.GetWormManager()->Load(LoadKVFromArchive(u"worms_default.wrm", archive.get()).get());
  WaffenSet set(&globals, &context);
  testing::internal::CaptureStderr();
  set.Load(root.get());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

  std::vector<std::u16string> names;
  for (const Waffe* w : set.Weapons()) names.push_back(w->GetName());
  // All 21 kinds, in the order of their keywords.
  EXPECT_EQ(names, (std::vector<std::u16string>{
                       u"Bazooka", u"Flammenwerfer", u"Lenkrakete", u"Gewehr", u"Flugzeug", u"Luftschlag",
                       u"Armageddon", u"Granate", u"Dynamit", u"Mine", u"Auto", u"Laeufer", u"Bauen", u"Erosion",
                       u"Rausch", u"Jetpack", u"Schild", u"Beamer", u"Schlaeger", u"Wurmwechsel", u"Teleport"}));
  std::vector<std::u16string> keys = {u"BAZOOKA_BESCHREIBUNG",
                                      u"SHOTS_LEFT",
                                      u"HOMING_BESCHREIBUNG",
                                      u"AUFSCHALTZEIT",
                                      u"SEKUNDEN",
                                      u"TIMER",
                                      u"DYNAMIT_R\u00DCCKZUG",
                                      u"MINE_R\u00DCCKZUG",
                                      u"MINE_BESCHREIBUNG",
                                      u"AIRSTRIKE_BESCHREIBUNG",
                                      u"ARMAGEDDON_BESCHREIBUNG",
                                      u"FLUGZEUG_START",
                                      u"FLUGZEUG_CANCEL",
                                      u"AUTO_START",
                                      u"AUTO_BESCHREIBUNG",
                                      u"JETPACK_START",
                                      u"JETPACK_BESCHREIBUNG",
                                      u"OBJEKTE_START",
                                      u"OBJEKTE_BESCHREIBUNG",
                                      u"TELEPORTER_START",
                                      u"TELEPORTER_REST",
                                      u"TELEPORTER_CANCEL",
                                      u"TELEPORT_BESCHREIBUNG",
                                      u"SWITCH_BESCHREIBUNG",
                                      u"SCHILD_BESCHREIBUNG",
                                      u"RUNDEN",
                                      u"NAHKAMPFWAFFE_BESCHREIBUNG",
                                      u"FLAMMENWERFER_START",
                                      u"EROSION_BESCHREIBUNG",
                                      u"Laeufer_START",
                                      u"Laeufer_BESCHREIBUNG"};
  for (const Waffe* w : set.Weapons()) {
    EXPECT_TRUE(w->IsUsable()) << U8(w->GetName());
    ASSERT_NE(w->GetPreview(), nullptr) << U8(w->GetName());
    EXPECT_EQ(w->GetPreview()->rect.Width(), 64) << U8(w->GetName());
    EXPECT_FALSE(w->GetShotPositions().empty()) << U8(w->GetName());
    // The worm holds the weapons it aims in its own pose, body and team layer, for holding
    // and firing; the air attacks and the devices it does not hold in its hand.
    const std::vector<std::u16string> inHand = {u"Bazooka", u"Lenkrakete", u"Gewehr",        u"Granate",
                                                u"Dynamit", u"Mine",       u"Flammenwerfer", u"Schlaeger"};
    if (std::find(inHand.begin(), inHand.end(), w->GetName()) != inHand.end()) {
      for (bool held : {true, false})
        for (bool team : {false, true}) EXPECT_NE(w->GetAnimationId(held, team), nullptr) << U8(w->GetName());
    }
    for (const char16_t* suffix : {u"", u"_CHANGE_ANZAHL1", u"_CHANGE_ANZAHL"})
      keys.push_back(w->GetTextId() + suffix);
  }
  ASSERT_EQ(set.GetCategoryCount(), 5);
  int listed = 0;
  for (int c = 0; c < set.GetCategoryCount(); ++c) {
    keys.push_back(set.GetCategory(c)->GetTextId());
    listed += set.GetCategory(c)->GetWeaponCount();
  }
  EXPECT_EQ(listed, int(set.Weapons().size())) << "every weapon stands in one category";

  // Every event the weapons' particle types fire is one of events.evt.
  auto events = LoadKVFromArchive(u"events.evt", archive.get());
  ASSERT_TRUE(events);
  std::vector<std::u16string> eventNames;
  for (const auto& block : events->Children()) {
    std::u16string name;
    if (block->Read(u"NAME", name)) eventNames.push_back(name);
  }
  for (const Waffe* w : set.Weapons()) {
    // The car and the runners are persons of the roster; the tools and the club fire nothing.
    const PartikelInfo* type = w->GetProjectile();
    const std::vector<std::u16string> noShell = {u"Auto",   u"Laeufer", u"Bauen",     u"Rausch",     u"Jetpack",
                                                 u"Schild", u"Beamer",  u"Schlaeger", u"Wurmwechsel", u"Teleport"};
    if (std::find(noShell.begin(), noShell.end(), w->GetName()) != noShell.end()) {
      EXPECT_EQ(type, nullptr) << U8(w->GetName());
      continue;
    }
    ASSERT_NE(type, nullptr) << U8(w->GetName());
    for (const PartikelInfo::WeightedNames* list :
         {&type->eventCreate, &type->eventDelete, &type->eventCollide, &type->eventKill,
          &type->eventEnterWater, &type->eventWormCollide})
      for (const auto& name : list->names)
        EXPECT_NE(std::find(eventNames.begin(), eventNames.end(), name), eventNames.end())
            << U8(w->GetName()) << ": " << U8(name);
    // Erosion's crumbs settle back as earth; everything else a weapon sends out goes off.
    if (w->GetName() != u"Erosion")
      EXPECT_FALSE(type->eventKill.names.empty()) << U8(w->GetName()) << " goes off when it dies";
  }

  ASSERT_EQ(language.LanguageNames().size(), 4u);
  for (int l = 0; l < 4; ++l) {
    language.SetLanguageIndex(l);
    for (const auto& key : keys) {
      const std::u16string* text = language.GetText(key);
      EXPECT_TRUE(text && !text->empty()) << U8(key) << " in language " << l;
    }
  }
}

namespace {

Mannschaft* const kRange = reinterpret_cast<Mannschaft*>(0x10);

struct OneTeam final : WaffenTeams {
  Mannschaft* TeamOf(const Objekt&) const override { return kRange; }
  Argb TeamColour(const Mannschaft*) const override { return 0xFFFFFFFF; }
  int32_t RoundNumber() const override { return 1; }
};

struct Stand : Partikel {
  explicit Stand(Vector2 at) : Partikel(nullptr, &at, &kStill, 0xFFFFFFFF, 0) {}
  static constexpr Vector2 kStill{0.0f, 0.0f};
};

}  // namespace

TEST(WaffenContent, ShippedBazookaBlastsACraterWhereItHits) {
  auto archive = OpenArchive();
  ASSERT_TRUE(archive);
  UserFolder folder;
  APIContext context;
  context.configuration = std::make_unique<KVNode>(u"Config");
  context.timer = std::make_unique<FrameTimer>();
  context.timer->gameStep = context.timer->realStep = 0.01;
  MyGlobals globals(&context);
  globals.LoadSettings();
  auto load = [&](const char16_t* name) { return LoadKVFromArchive(name, archive.get()); };
  globals.GetAnimationManager()->LoadFile(load(u"animationen.ani").get(), archive.get());
  PartikelInfo::LoadAll(load(u"partikel.prt").get(), *globals.GetPartikelListe(),
                        globals.GetAnimationManager());
  globals.GetExplosionTable()->Load(load(u"explosionen.exp").get(), globals.GetPartikelListe());
  globals.GetEventTable()->Load(load(u"events.evt").get(), *globals.GetEventHost());
  WaffenSet set(&globals, &context);
  set.Load(load(u"waffen.waf").get());

  // Ground from row 150, a wall from column 300.
  std::vector<std::string> art;
  for (int y = 0; y < 200; ++y) {
    std::string row(400, y >= 150 ? '#' : '.');
    for (int x = 300; x < 400; ++x) row[size_t(x)] = '#';
    art.push_back(row);
  }
  auto land = terrain_test::ArtStore(art);
  const Rect rect = land->GetRect();
  auto world = std::make_unique<Welt>(&rect);
  world->SetGameLayers(std::move(land), 0, 0.0f, 0.0f, 0xFFFFFFFF);
  globals.SetWelt(std::move(world));
  auto solidNear = [&](int32_t cx, int32_t cy) {
    int n = 0;
    for (int32_t y = cy - 30; y <= cy + 30; ++y)
      for (int32_t x = cx - 30; x <= cx + 30; ++x)
        n += globals.GetWelt()->GetGameLandschaft()->IsSolidAt(x, y);
    return n;
  };
  const int before = solidNear(300, 112);

  OneTeam teams;
  WaffenTeams::Install(&teams);
  Stand shooter({50.0f, 149.0f});
  Waffe* bazooka = set.FindByName(u"Bazooka");
  ASSERT_NE(bazooka, nullptr);
  bazooka->AddTeamRecord(kRange);
  ASSERT_EQ(bazooka->Fire(shooter, {60.0f, 100.0f}, {1.0f, 0.0f}, 1.0, {0.0f, 0.0f}), 1);
  for (int i = 0; i < 100; ++i) globals.GetPartikelListe()->Update();
  // 500 px/s falling under 100 px/s²: the wall after about half a second, some 12 px lower.
  EXPECT_LT(solidNear(300, 112), before - 1000) << "a crater in the wall";
  EXPECT_EQ(solidNear(60, 100), 0);
  WaffenTeams::Install(nullptr);
  globals.GetPartikelListe()->Clear();
}
