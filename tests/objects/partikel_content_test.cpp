// The shipped particle types: every key of every type is one the reader knows, every
// animation and child type they name exists, the earth types resolve, and the winds' types
// are there to fly.
#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/animationmanager.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "objects/partikelliste.h"
#include "platform/text.h"
#include "world/wind.h"

namespace {

std::unique_ptr<DataArchive> OpenArchive() {
  const char* env = std::getenv("KRUMBOLT_GOB");
  return DataArchive::Open(platform::Utf8ToU16(env ? env : KRUMBOLT_BINARY_DIR "/krumbolt.gob"));
}

std::string U8(const std::u16string& s) { return platform::U16ToUtf8(s); }

}  // namespace

TEST(PartikelContent, EveryTypeReadsCleanlyAndEveryNameResolves) {
  auto archive = OpenArchive();
  ASSERT_TRUE(archive);
  AnimationManager animations(nullptr);
  animations.LoadFile(LoadKVFromArchive(u"animationen.ani", archive.get()).get(), archive.get());
  auto root = LoadKVFromArchive(u"partikel.prt", archive.get());
  ASSERT_TRUE(root);
  for (unsigned i = 0; i < root->CountChildren(u"PARTIKEL_INFO"); ++i) {
    const KVNode& block = *root->GetChild(i, u"PARTIKEL_INFO");
    for (const auto& key : PartikelInfo::UnknownKeys(block))
      ADD_FAILURE() << "type " << i << ": unknown key " << U8(key);
  }
  for (const auto& child : root->Children())
    EXPECT_TRUE(child->Name() == u"PARTIKEL_INFO" || child->Name() == u"ERDE_PARTIKEL" ||
                child->Name() == u"ERDE_PARTIKEL_PROP")
        << U8(child->Name());

  PartikelListe list;
  testing::internal::CaptureStderr();
  PartikelInfo::LoadAll(root.get(), list, &animations);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "every value is usable";
  for (const char16_t* name :
       {u"Erde_Klein", u"Erde_Gross", u"Rauch", u"Funke", u"Explosion", u"Blatt", u"Schneeflocke", u"Asche"})
    EXPECT_NE(list.FindInfo(name), nullptr) << U8(name);
  for (const auto& type : list.GetInfos()) {
    if (type->draw) {
      EXPECT_TRUE(type->HasAnimations()) << U8(type->name) << " has something to draw";
    }
    for (const auto& child : type->childTypes.names) EXPECT_NE(list.FindInfo(child), nullptr) << U8(child);
  }
  ASSERT_FALSE(list.GetEarthTypes().empty());
  for (const PartikelInfo* earth : list.GetEarthTypes()) {
    ASSERT_NE(earth, nullptr);
    EXPECT_TRUE(earth->changesLayer) << "earth settles back into the ground";
    EXPECT_EQ(earth->collisionShape, 1);
  }

  // A blast is scaled by its explosion's radius and passes that scale on to what it spawns:
  // its children's sizes are per unit of radius as well, so at radius 40 a spark or a puff
  // of smoke stays smaller than the blast. Every blast of explosionen.exp is checked.
  auto blasts = LoadKVFromArchive(u"explosionen.exp", archive.get());
  ASSERT_TRUE(blasts);
  size_t checked = 0;
  for (unsigned i = 0; const KVNode* explosion = blasts->GetChild(i, u"EXPLOSION"); ++i) {
    const KVNode* names = explosion->GetChild(0, u"PARTIKEL_NAMEN");
    for (unsigned n = 0; names && n < names->GetValueCount(); ++n) {
      const PartikelInfo* blast = list.FindInfo(names->GetValue(n)->Text());
      ASSERT_NE(blast, nullptr) << U8(names->GetValue(n)->Text());
      for (const auto& child : blast->childTypes.names)
        if (const PartikelInfo* type = list.FindInfo(child)) {
          EXPECT_LT(type->size.baseX + type->size.rangeX, blast->size.baseX)
              << U8(blast->name) << ": " << U8(child);
          ++checked;
        }
    }
  }
  EXPECT_GT(checked, 0u);

  WindManager winds;
  winds.Load(LoadKVFromArchive(u"wind.wnd", archive.get()).get());
  size_t withParticles = 0;
  for (const auto& wind : winds.GetWinds()) {
    for (const auto& type : wind->GetParticleTypes()) EXPECT_NE(list.FindInfo(type), nullptr) << U8(type);
    withParticles += wind->GetParticleTypes().empty() ? 0 : 1;
  }
  EXPECT_GE(withParticles, 3u);
}
