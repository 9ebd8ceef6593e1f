// The shipped teleporter types, force fields and bonus sets: they read with keys the readers
// know, and every particle type, animation, sound and set they name is in the archive.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "engine/animationmanager.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "engine/searchpath.h"
#include "objects/bonussettings.h"
#include "objects/kraftfeldliste.h"
#include "objects/partikelliste.h"
#include "objects/teleporterliste.h"
#include "platform/text.h"

namespace {

std::unique_ptr<DataArchive> OpenArchive() {
  const char* env = std::getenv("KRUMBOLT_GOB");
  return DataArchive::Open(platform::Utf8ToU16(env ? env : KRUMBOLT_BINARY_DIR "/krumbolt.gob"));
}

std::string U8(const std::u16string& s) { return platform::U16ToUtf8(s); }

struct Content {
  Content() : archive(OpenArchive()), animations(nullptr) {
    if (!archive) return;
    animations.LoadFile(LoadKVFromArchive(u"animationen.ani", archive.get()).get(), archive.get());
    PartikelInfo::LoadAll(LoadKVFromArchive(u"partikel.prt", archive.get()).get(), particles, &animations);
  }
  LoadSources Sources() { return {&particles, &animations, nullptr, archive.get()}; }
  // Every sound a block names under `key` lies in one of its search folders.
  void ExpectSounds(const KVNode& block, std::u16string_view key) {
    const KVNode* names = block.GetChild(0, key);
    if (!names) return;
    const SearchPath path(block.GetChild(0, u"SEARCHPATH"));
    for (unsigned i = 0; i < names->GetValueCount(); ++i) {
      bool found = false;
      for (int f = 0; f < path.GetCount(); ++f)
        found |= archive->Find(JoinPath(path.GetFolder(f), names->GetValue(i)->Text())).has_value();
      EXPECT_TRUE(found) << U8(names->GetValue(i)->Text());
    }
  }
  void ExpectKnownKeys(const KVNode& block, std::initializer_list<const char16_t*> known) {
    for (const auto& child : block.Children())
      EXPECT_TRUE(
          std::any_of(known.begin(), known.end(), [&](const char16_t* k) { return child->Name() == k; }))
          << U8(block.Name()) << ": unknown key " << U8(child->Name());
  }

  std::unique_ptr<DataArchive> archive;
  AnimationManager animations;
  PartikelListe particles;
};

}  // namespace

TEST(BattleObjectsContent, TeleporterTypesReadCleanlyAndEveryNameResolves) {
  Content content;
  ASSERT_TRUE(content.archive);
  auto root = LoadKVFromArchive(u"Teleporter.tpt", content.archive.get());
  ASSERT_TRUE(root);
  content.ExpectKnownKeys(*root, {u"COLORS", u"TELEPORTER"});
  for (unsigned i = 0; i < root->CountChildren(u"TELEPORTER"); ++i) {
    const KVNode& block = *root->GetChild(i, u"TELEPORTER");
    content.ExpectKnownKeys(
        block, {u"PARTIKEL_INFO", u"NAME", u"HEALTH", u"RENDER_EXTRA_ID", u"RENDER_EXTRA_TYPEN", u"MAX_DIST",
                u"TIME_OUT", u"USE_PHYSIK", u"ANIMATIONEN", u"EXTRA_ANIMATIONEN", u"SEARCHPATH",
                u"ON_TELEPORT_SOUNDS", u"ON_TELEPORT_SOUND_PROP"});
    content.ExpectSounds(block, u"ON_TELEPORT_SOUNDS");
  }

  TeleporterListe gates;
  gates.Load(root.get(), content.Sources());
  ASSERT_EQ(gates.GetTypes().size(), root->CountChildren(u"TELEPORTER")) << "every type names a known body";
  EXPECT_FALSE(gates.GetColours().empty());
  const std::u16string name = u"Teleporter";
  auto gate = gates.Place(&name);
  ASSERT_TRUE(gate) << "the teleporter weapon places gates of this name";
  for (int slot = 0; slot < Teleporter::kAnimationCount; ++slot) EXPECT_NE(gate->GetAnimation(slot), nullptr);
  for (const auto& extra : gate->ExtraAnimations()) EXPECT_NE(extra, nullptr);
  // A worm standing under a gate (its position is its feet) is within reach.
  const double height = gate->GetInfo()->size.baseY;
  EXPECT_LT((height / 2) * (height / 2), gate->GetMaxDistance());
}

TEST(BattleObjectsContent, ForceFieldTypesReadCleanlyAndTheShieldIsThere) {
  Content content;
  ASSERT_TRUE(content.archive);
  auto root = LoadKVFromArchive(u"kraftfelder.kft", content.archive.get());
  ASSERT_TRUE(root);
  content.ExpectKnownKeys(*root, {u"KILL_KRAFTFELD", u"SCHUBS_KRAFTFELD"});
  for (const auto& block : root->Children()) {
    content.ExpectKnownKeys(*block, {u"NAME",
                                     u"HEALTH",
                                     u"RENDER_EXTRA_ID",
                                     u"RENDER_EXTRA_TYPEN",
                                     u"RADIUS",
                                     u"POSITION",
                                     u"TIMER",
                                     u"ROUND",
                                     u"HITS",
                                     u"EXTRA_ANIMATIONEN",
                                     u"SEARCHPATH",
                                     u"ON_CREATE_SOUNDS",
                                     u"ON_CREATE_SOUND_PROP",
                                     u"ON_DESTROY_SOUNDS",
                                     u"ON_DESTROY_SOUND_PROP",
                                     u"ON_HIT_SOUNDS",
                                     u"ON_HIT_SOUND_PROP",
                                     u"TYPEN",
                                     u"ANIMATION",
                                     u"COLORKEY",
                                     u"REIBUNG"});
    for (const char16_t* key : {u"ON_CREATE_SOUNDS", u"ON_DESTROY_SOUNDS", u"ON_HIT_SOUNDS"})
      content.ExpectSounds(*block, key);
  }
  KraftfeldListe fields;
  fields.Create(root.get(), content.Sources());
  for (const auto& type : fields.GetTypes()) {
    auto* kill = dynamic_cast<KillKraftfeld*>(type.get());
    ASSERT_NE(kill, nullptr);
    EXPECT_NE(kill->GetAnimation(), nullptr) << U8(kill->GetName());
    for (const auto& extra : kill->ExtraAnimations()) EXPECT_NE(extra, nullptr);
    EXPECT_GT(kill->GetOuterRadius(), kill->GetInnerRadius());
    EXPECT_NE(kill->GetKinds(), 0u);
  }
  // The shield weapon creates its field by this name.
  const std::u16string shield = u"SCHILD";
  std::unique_ptr<Kraftfeld> made = fields.CreateByName(&shield);
  auto* schild = dynamic_cast<SchubsKraftfeld*>(made.get());
  ASSERT_NE(schild, nullptr);
  // It and the kill field act on the shells the aimed and air weapons fire.
  for (const char16_t* shell : {u"RAKETE", u"LENKRAKETE", u"KUGEL", u"GRANATE", u"LUFTBOMBE", u"METEOR"}) {
    const PartikelInfo* type = content.particles.FindInfo(shell);
    ASSERT_NE(type, nullptr) << U8(shell);
    EXPECT_TRUE(type->checkForceFields) << U8(shell);
    for (const auto& field : fields.GetTypes())
      EXPECT_NE(uint32_t(type->partikelTyp) & static_cast<KillKraftfeld*>(field.get())->GetKinds(), 0u)
          << U8(shell) << " in " << U8(field->GetName());
  }
}

TEST(BattleObjectsContent, BonusSetsNameKnownCrateTypesAndEveryLevelFindsItsSets) {
  Content content;
  ASSERT_TRUE(content.archive);
  auto root = LoadKVFromArchive(u"Boni.bon", content.archive.get());
  ASSERT_TRUE(root);
  content.ExpectKnownKeys(*root, {u"EINSTELLUNG"});
  for (const auto& block : root->Children())
    content.ExpectKnownKeys(
        *block, {u"NAME", u"PROPKISTE", u"ANZKISTEN", u"MAXANZKISTEN", u"KISTE_TYP", u"KISTE_PROPS"});
  BonusSettings settings;
  settings.LoadFile(root.get());
  EXPECT_EQ(settings.GetDefault().name, u"DEFAULT");
  EXPECT_EQ(settings.GetDefault().crateWeights.size(), settings.GetDefault().crateTypes.size());
  for (const BonusSet& set : settings.GetSets()) {
    for (const auto& type : set.crateTypes) {
      const PartikelInfo* info = content.particles.FindInfo(type);
      ASSERT_NE(info, nullptr) << U8(type);
      EXPECT_TRUE(info->collisionWorm) << U8(type) << ": worms pick crates up";
      EXPECT_FALSE(info->canBeDeleted) << U8(type) << ": crates are never thinned";
      EXPECT_FALSE(info->eventWormCollide.names.empty()) << U8(type);
    }
  }
  for (const char16_t* level :
       {u"mainmenu.lvl", u"rand_level.lvl", u"kampagne\\level01.lvl", u"kampagne\\level02.lvl",
        u"kampagne\\level03.lvl", u"kampagne\\level04.lvl", u"kampagne\\level05.lvl"}) {
    auto document = LoadKVFromArchive(level, content.archive.get());
    ASSERT_TRUE(document) << U8(level);
    for (const auto& child : document->Children()) {
      const KVNode* names = child->Name() == u"BONUS" ? child.get() : child->GetChild(0, u"BONUS");
      for (unsigned i = 0; names && i < names->GetValueCount(); ++i) {
        const std::u16string name = names->GetValue(i)->Text();
        EXPECT_TRUE(std::any_of(settings.GetSets().begin(), settings.GetSets().end(),
                                [&](const BonusSet& set) { return set.name == name; }))
            << U8(level) << " names " << U8(name);
      }
    }
  }
}
