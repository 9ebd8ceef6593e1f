// The person manager: property sets by name with the default set, person templates from a
// direct or a named particle type, lookups by name and id, quiet templates, and the shipped
// worms_default.wrm.
#include "objects/personenmanager.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/animation.h"
#include "engine/animationmanager.h"
#include "engine/dataarchive.h"
#include "engine/frametimer.h"
#include "engine/kvnode.h"
#include "objects/partikelinfo.h"
#include "objects/partikelliste.h"
#include "objects/person.h"
#include "objects/simservices.h"
#include "platform/text.h"
#include "support/kv_fixture.h"
#include "world/terrain_art.h"
#include "world/welt.h"

namespace {

// Counts the events particles fire.
struct EventSpy : EventRunner {
  void Run(const std::u16string& name, Objekt&) override { names.push_back(name); }
  std::vector<std::u16string> names;
};

class Manager : public ::testing::Test {
 protected:
  void SetUp() override {
    services.events = &spy;
    services.particles = &particles;
    SimServices::Install(&services);
    particles.AddInfo(std::make_unique<PartikelInfo>(
        ParseBody(u"<NAME> \"Koerper\" <\\NAME> <EVENT_CREATE> \"Puff\" <\\EVENT_CREATE>", u"PARTIKEL_INFO")
            .get()));
    manager.SetSources(&particles, nullptr);
  }
  void TearDown() override { SimServices::Install(nullptr); }

  EventSpy spy;
  SimServices services;
  PartikelListe particles;
  PersonenManager manager;
};

const char16_t* kDocument =
    u"<PERSONENEIGENSCHAFTEN> <NAME> \"Schnell\" <\\NAME> <SPEED> \"90\" \"120\" \"200\" <\\SPEED> "
    u"<\\PERSONENEIGENSCHAFTEN>"
    u"<PERSONENEIGENSCHAFTEN> <NAME> \"DEFAULT\" <\\NAME> <SPEED> \"30\" <\\SPEED> <\\PERSONENEIGENSCHAFTEN>"
    u"<PERSONENEIGENSCHAFTEN> <NAME> \"Schnell\" <\\NAME> <SPEED> \"95\" <\\SPEED> <\\PERSONENEIGENSCHAFTEN>"
    // A direct type (registered with the list), with the record's own properties.
    u"<PERSON> <PARTIKEL_INFO_DIREKT> <NAME> \"Eigen\" <\\NAME> <EVENT_CREATE> \"Puff\" <\\EVENT_CREATE>"
    u"  <\\PARTIKEL_INFO_DIREKT>"
    u"  <PERSON> <NAME> \"Auto\" <\\NAME> <POSITION> \"12\" \"34\" <\\POSITION>"
    u"    <PERSON_EIGENSCHAFTEN> \"Schnell\" <\\PERSON_EIGENSCHAFTEN> <\\PERSON> <\\PERSON>"
    // A named type; unknown set names fall back to the default set.
    u"<PERSON> <PARTIKEL_INFO_INDIREKT> \"Koerper\" <\\PARTIKEL_INFO_INDIREKT>"
    u"  <PERSON> <NAME> \"Laeufer\" <\\NAME> <PERSON_EIGENSCHAFTEN> \"Gibtsnicht\" <\\PERSON_EIGENSCHAFTEN> "
    u"<\\PERSON>"
    u"<\\PERSON>"
    // Both: the named one decides.
    u"<PERSON> <PARTIKEL_INFO_DIREKT> <NAME> \"Zweiter\" <\\NAME> <\\PARTIKEL_INFO_DIREKT>"
    u"  <PARTIKEL_INFO_INDIREKT> \"Koerper\" <\\PARTIKEL_INFO_INDIREKT>"
    u"  <PERSON> <NAME> \"Auto\" <\\NAME> <\\PERSON> <\\PERSON>"
    // No inner record, and an unknown type: no template.
    u"<PERSON> <PARTIKEL_INFO_INDIREKT> \"Koerper\" <\\PARTIKEL_INFO_INDIREKT> <\\PERSON>"
    u"<PERSON> <PARTIKEL_INFO_INDIREKT> \"Unbekannt\" <\\PARTIKEL_INFO_INDIREKT>"
    u"  <PERSON> <NAME> \"Geist\" <\\NAME> <\\PERSON> <\\PERSON>";

}  // namespace

TEST_F(Manager, SetsAreFoundFromTheLastWithTheDefaultAsFallback) {
  // Before loading: the built-in set alone.
  EXPECT_DOUBLE_EQ(manager.FindEigenschaften(nullptr).walkSpeed, 40.0);
  EXPECT_EQ(&manager.FindEigenschaften(u"Schnell"), &manager.GetDefault());

  testing::internal::CaptureStderr();
  manager.Load(ParseBody(kDocument, u"TEAMS").get());
  testing::internal::GetCapturedStderr();
  ASSERT_EQ(manager.GetEigenschaften().size(), 4u);  // the built-in one stays in the list
  EXPECT_DOUBLE_EQ(manager.FindEigenschaften(u"Schnell").walkSpeed, 95.0);
  // The file's DEFAULT replaces the built-in one for unknown names and no name.
  EXPECT_DOUBLE_EQ(manager.FindEigenschaften(u"Gibtsnicht").walkSpeed, 30.0);
  EXPECT_DOUBLE_EQ(manager.FindEigenschaften(nullptr).walkSpeed, 30.0);
  EXPECT_EQ(&manager.GetDefault(), manager.GetEigenschaften()[2].get());
}

TEST_F(Manager, TemplatesComeFromDirectAndNamedTypesAndFireNoEvents) {
  testing::internal::CaptureStderr();
  manager.Load(ParseBody(kDocument, u"TEAMS").get());
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Unbekannt"), std::string::npos) << err;

  const auto& persons = manager.GetPersons();
  ASSERT_EQ(persons.size(), 3u);
  EXPECT_EQ(persons[0]->GetName(), u"Auto");
  EXPECT_EQ(persons[0]->GetInfo()->name, u"Eigen");
  EXPECT_EQ(particles.FindInfo(u"Eigen"), persons[0]->GetInfo());  // the direct type joined the list
  EXPECT_EQ(*persons[0]->GetPosition(), Vector2(12.0f, 34.0f));
  EXPECT_DOUBLE_EQ(persons[0]->GetProperties().walkSpeed, 95.0);
  EXPECT_EQ(persons[1]->GetName(), u"Laeufer");
  EXPECT_DOUBLE_EQ(persons[1]->GetProperties().walkSpeed, 30.0);
  EXPECT_EQ(persons[2]->GetInfo()->name, u"Koerper");
  // A template has no world yet: reading it fires nothing.
  EXPECT_TRUE(spy.names.empty());

  // By name from the last, by id from the first.
  EXPECT_EQ(manager.FindPerson(u"Auto"), persons[2].get());
  EXPECT_EQ(manager.FindPerson(u"Geist"), nullptr);
  EXPECT_EQ(manager.FindPerson(nullptr), nullptr);
  EXPECT_EQ(manager.FindPersonById(persons[1]->GetId()), persons[1].get());
  EXPECT_EQ(manager.FindPersonById(0xFFFFFFFF), nullptr);

  // A person made from a template later is a living particle: its creation is heard.
  Person runner(persons[1]->GetInfo(), nullptr, &manager, nullptr);
  EXPECT_EQ(spy.names, std::vector<std::u16string>{u"Puff"});
}

TEST_F(Manager, TemplatesTakeTheirAnimationsIntoBothTables) {
  AnimationManager animations(nullptr);
  for (const char16_t* name : {u"Steh", u"Lauf", u"Tot", u"Farbe"}) {
    auto node = ParseBody(std::u16string(u"<NAME> \"") + name + u"\" <\\NAME>", u"ANIMATION");
    animations.AddAnimation(std::make_unique<Animation>(node.get(), nullptr, animations));
  }
  manager.SetSources(&particles, &animations);
  manager.Load(ParseBody(u"<PERSON> <PARTIKEL_INFO_INDIREKT> \"Koerper\" <\\PARTIKEL_INFO_INDIREKT> <PERSON>"
                         u"<ANIMATIONEN> <STEHEN> \"Steh\" \"Farbe\" <\\STEHEN> <LAUFEN> \"Lauf\" <\\LAUFEN>"
                         u"<TOT_4> \"Tot\" <\\TOT_4> <KRANK_0> \"Weg\" <\\KRANK_0> <\\ANIMATIONEN>"
                         u"<\\PERSON> <\\PERSON>",
                         u"TEAMS")
                   .get());
  ASSERT_EQ(manager.GetPersons().size(), 1u);
  const Person& p = *manager.GetPersons()[0];
  EXPECT_EQ(p.GetName(), u"Person");
  ASSERT_NE(p.GetAnimation(Person::kAnimStehen), nullptr);
  EXPECT_EQ(p.GetAnimation(Person::kAnimStehen)->GetName(), u"Steh");
  EXPECT_EQ(p.GetSecondAnimation(Person::kAnimStehen)->GetName(), u"Farbe");
  EXPECT_EQ(p.GetAnimation(Person::kAnimLaufen)->GetName(), u"Lauf");
  EXPECT_EQ(p.GetSecondAnimation(Person::kAnimLaufen), nullptr);
  EXPECT_EQ(p.GetAnimation(Person::kAnimTot + 4)->GetName(), u"Tot");
  EXPECT_EQ(p.GetAnimation(Person::kAnimKrank), nullptr);  // an unknown animation leaves the entry empty
  int filled = 0;
  for (int i = 0; i < Person::kAnimationCount; ++i) filled += p.GetAnimation(i) != nullptr;
  EXPECT_EQ(filled, 3);
  EXPECT_EQ(Person::AnimationName(Person::kAnimTot + 4), u"TOT_4");
  EXPECT_EQ(Person::AnimationName(15), u"");

  // A copy clones every entry.
  Person copy(p);
  EXPECT_NE(copy.GetAnimation(Person::kAnimStehen), p.GetAnimation(Person::kAnimStehen));
  EXPECT_EQ(copy.GetAnimation(Person::kAnimStehen)->GetName(), u"Steh");
  EXPECT_NE(copy.GetId(), p.GetId());
}

TEST(PersonenManagerContent, ShippedRosterGivesTheCarAndTheRunner) {
  const char* env = std::getenv("KRUMBOLT_GOB");
  auto archive = DataArchive::Open(platform::Utf8ToU16(env ? env : KRUMBOLT_BINARY_DIR "/krumbolt.gob"));
  ASSERT_TRUE(archive);
  AnimationManager animations(nullptr);
  animations.LoadFile(LoadKVFromArchive(u"animationen.ani", archive.get()).get(), archive.get());
  PartikelListe particles;
  SimServices services;
  services.particles = &particles;
  SimServices::Install(&services);
  PersonenManager manager;
  manager.SetSources(&particles, &animations);
  auto roster = LoadKVFromArchive(u"worms_default.wrm", archive.get());
  ASSERT_TRUE(roster);
  // Every key of the templates' own particle types is one the type reader knows.
  for (unsigned i = 0; i < roster->CountChildren(u"PERSON"); ++i)
    if (const KVNode* type = roster->GetChild(i, u"PERSON")->GetChild(0, u"PARTIKEL_INFO_DIREKT"))
      EXPECT_TRUE(PartikelInfo::UnknownKeys(*type).empty());
  testing::internal::CaptureStderr();
  manager.Load(roster.get());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  for (const char16_t* name : {u"Auto", u"Laeufer"}) {
    SCOPED_TRACE(platform::U16ToUtf8(name));
    const Person* p = manager.FindPerson(name);
    ASSERT_NE(p, nullptr);
    EXPECT_GT(p->GetProperties().walkSpeed, 0.0);
    EXPECT_GT(p->GetProperties().runSpeed, p->GetProperties().walkSpeed);
    // Every state the movement chooses by has a picture.
    for (int32_t n : {Person::kAnimStehen, Person::kAnimLaufen, Person::kAnimRennen, Person::kAnimSpringen,
                      Person::kAnimFallen, Person::kAnimKlettern, Person::kAnimErsoffen})
      EXPECT_NE(p->GetAnimation(n), nullptr) << n;
  }
  // A copy of the runner walks the ground of a flat world at its walking speed.
  Rect rect{0, 0, 400, 200};
  Welt world(&rect);
  world.SetGameLayers(terrain_test::FlatStore(rect, 150), 0, 0.0f, 0.0f, 0xFFFFFFFF);
  FrameTimer timer;
  timer.gameStep = 0.01;
  services.timer = &timer;
  services.world = &world;
  Person runner(*manager.FindPerson(u"Laeufer"));
  runner.SetWorld(&world);
  *runner.GetPosition() = Vector2(50.5f, 149.0f);
  CommandParam right;
  right.flag = 1;
  runner.Command(Person::kWalking, &right);
  for (int i = 0; i < 100; ++i) ASSERT_FALSE(runner.MoveStep());
  EXPECT_EQ(runner.GetMoveState(), Person::kWalking);
  EXPECT_NEAR(runner.GetPosition()->x - 50.5f, runner.GetProperties().walkSpeed, 1.0);
  EXPECT_FLOAT_EQ(runner.GetPosition()->y, 149.0f);
  EXPECT_EQ(runner.GetCurrentAnimation(), runner.GetAnimation(Person::kAnimLaufen));
  SimServices::Install(nullptr);
}
