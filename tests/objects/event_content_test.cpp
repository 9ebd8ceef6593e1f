// The shipped events and blasts: events.evt and explosionen.exp read without a message,
// hold the events the weapons, crates and the first scene fire, every name they use (follow
// events, blasts, particle types, animations, sounds, weapons) is there, and every event a
// particle type or a crate names exists.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "engine/animationmanager.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "objects/event_fixture.h"
#include "objects/events.h"
#include "objects/explosionsevent.h"
#include "platform/text.h"

namespace {

std::unique_ptr<DataArchive> OpenArchive() {
  const char* env = std::getenv("KRUMBOLT_GOB");
  return DataArchive::Open(platform::Utf8ToU16(env ? env : KRUMBOLT_BINARY_DIR "/krumbolt.gob"));
}

std::string U8(const std::u16string& s) { return platform::U16ToUtf8(s); }

}  // namespace

TEST(EventContent, EveryEventReadsCleanlyAndEveryNameResolves) {
  auto archive = OpenArchive();
  ASSERT_TRUE(archive);
  AnimationManager animations(nullptr);
  animations.LoadFile(LoadKVFromArchive(u"animationen.ani", archive.get()).get(), archive.get());
  particle_test::Sim sim({std::string(8, '.')});
  event_test::Host host(sim);
  host.manager = &animations;
  auto types = LoadKVFromArchive(u"partikel.prt", archive.get());
  PartikelInfo::LoadAll(types.get(), sim.list, &animations);

  testing::internal::CaptureStderr();
  host.explosions.Load(LoadKVFromArchive(u"explosionen.exp", archive.get()).get(), &sim.list);
  auto root = LoadKVFromArchive(u"events.evt", archive.get());
  ASSERT_TRUE(root);
  host.events.Load(root.get(), host);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "every name resolves";

  // Only the twelve kinds stand at the root.
  for (const auto& child : root->Children()) {
    bool known = false;
    for (const char16_t* kind : EventTable::kSectionNames) known |= child->Name() == kind;
    EXPECT_TRUE(known) << U8(child->Name());
  }
  for (const char16_t* name : {u"Expl_Small", u"Expl_Medium", u"Expl_Big", u"Expl_Flame"}) {
    const auto* e = dynamic_cast<const ExplosionsEvent*>(host.Find(name));
    ASSERT_NE(e, nullptr) << U8(name);
    EXPECT_GT(e->GetRadius(), 0.0) << U8(name);
    EXPECT_NE(host.explosions.Find(&e->explosionName), nullptr) << U8(name) << " has a blast";
  }
  EXPECT_NE(dynamic_cast<EntersWaterEvent*>(host.Find(u"Water_Slow")), nullptr);
  EXPECT_NE(dynamic_cast<AddMedikitEvent*>(host.Find(u"Pickup_Medikit")), nullptr);
  EXPECT_NE(dynamic_cast<VergiftungsEvent*>(host.Find(u"Gas")), nullptr);
  EXPECT_NE(dynamic_cast<PartikelCreateEvent*>(host.Find(u"Smoke_Puff")), nullptr);
  EXPECT_NE(dynamic_cast<KillEvent*>(host.Find(u"Kill")), nullptr);
  for (const auto& event : host.events.Events())
    if (auto* shaped = dynamic_cast<AnimiertesExplosionsEvent*>(event.get()))
      EXPECT_FALSE(shaped->GetAnimations().empty()) << U8(event->GetName());

  // The crates name weapons of waffen.waf.
  auto* ammo = dynamic_cast<AddMunEvent*>(host.Find(u"Pickup_Ammo"));
  ASSERT_NE(ammo, nullptr);
  std::set<std::u16string> weapons;
  auto waf = LoadKVFromArchive(u"waffen.waf", archive.get());
  ASSERT_TRUE(waf);
  for (const auto& block : waf->Children())
    if (block->GetValueCount() > 0) weapons.insert(block->GetValue(0)->Text());
  ASSERT_FALSE(ammo->entries.empty());
  for (const auto& entry : ammo->entries) EXPECT_TRUE(weapons.count(entry.weapon)) << U8(entry.weapon);

  // Every sound is in the archive.
  for (const std::u16string& sound : host.soundLookups) EXPECT_TRUE(archive->Find(sound)) << U8(sound);

  // Every event a particle type fires is here.
  for (const auto& type : sim.list.GetInfos())
    for (const auto* list : {&type->eventCreate, &type->eventDelete, &type->eventCollide, &type->eventKill,
                             &type->eventEnterWater, &type->eventWormCollide})
      for (const auto& name : list->names)
        EXPECT_NE(host.Find(name), nullptr) << U8(type->name) << " fires " << U8(name);
}
