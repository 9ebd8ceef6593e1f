// Particle types: the keys in their order, the weighted lists, the start-value draws, the
// death condition, "partikel.prt" as a whole, and what a broken type loads as.
#include "objects/partikelinfo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "engine/kvnode.h"
#include "objects/partikelliste.h"
#include "platform/random.h"
#include "platform/text.h"
#include "support/kv_fixture.h"
#include "support/rand_ledger.h"

namespace {

std::unique_ptr<PartikelInfo> Type(std::u16string_view keys) {
  auto root = ParseBody(std::u16string(u"<PARTIKEL_INFO>") + std::u16string(keys) + u"<\\PARTIKEL_INFO>");
  return std::make_unique<PartikelInfo>(root->GetChild(0, u"PARTIKEL_INFO"));
}

}  // namespace

TEST(PartikelInfo, DefaultsStandWithoutKeys) {
  PartikelInfo t(nullptr);
  EXPECT_EQ(t.name, u"UNNAMED_PARTIKLEINFO");
  EXPECT_EQ(t.death, nullptr);
  EXPECT_TRUE(t.checkExact);
  EXPECT_FALSE(t.checkForceFields);
  EXPECT_EQ(t.partikelTyp, 1);
  EXPECT_EQ(t.colourBase, 0xFFFFFFFFu);
  EXPECT_FALSE(t.fadingIn);
  EXPECT_TRUE(t.fadingOut);
  EXPECT_EQ(t.sizingIn, 1.0);
  EXPECT_EQ(t.lifetime.base, -1.0);
  EXPECT_EQ(t.collisionFriction.base, 0.5);
  EXPECT_EQ(t.maxSpeed.base, 1000.0);
  EXPECT_EQ(t.gravity.base, 1.0);
  EXPECT_EQ(t.size.baseX, 20.0);
  EXPECT_EQ(t.maxChildrenBase, -1);
  EXPECT_EQ(t.recursionBase, 2);
  EXPECT_TRUE(t.canBeDeleted);
  EXPECT_TRUE(t.draw);
}

TEST(PartikelInfo, ReadsEveryKey) {
  auto t = Type(
      u"<NAME> \"Shell\" <\\NAME><RENDER_EXTRA_TYPEN> \"GLOW\" \"HEAT\" <\\RENDER_EXTRA_TYPEN>"
      u"<DEATH_PARAM><TYP> \"WORLD\" <\\TYP><\\DEATH_PARAM><DRAW_EBENE> \"-1\" <\\DRAW_EBENE>"
      u"<RENDER_EXTRA_ID> \"4\" <\\RENDER_EXTRA_ID><CHECK_EXACT> \"0\" <\\CHECK_EXACT>"
      u"<CHECK_TELEPORTER> \"1\" <\\CHECK_TELEPORTER><PARTIKELTYP> \"3\" <\\PARTIKELTYP>"
      u"<COLORKEY> \"80FF0000\" \"10000000\" <\\COLORKEY><FADE_IN_TIME> \"0.5\" \"0.25\" <\\FADE_IN_TIME>"
      u"<FADE_OUT_TIME> \"2\" <\\FADE_OUT_TIME><FADING> \"1\" \"0\" <\\FADING><SIZING> \"0.5\" \"3\" "
      u"<\\SIZING>"
      u"<ROTATE_WITH_DIRECTION> \"1\" <\\ROTATE_WITH_DIRECTION><ROTATE_WITH_NORMAL> \"2\" "
      u"<\\ROTATE_WITH_NORMAL>"
      u"<ROTATE_WITH_COLLISION> \"1\" <\\ROTATE_WITH_COLLISION><ROTATE_MIRROR> \"1\" <\\ROTATE_MIRROR>"
      u"<CAN_BE_DELETED> \"0\" <\\CAN_BE_DELETED><CHANGES_EBENE> \"1\" <\\CHANGES_EBENE>"
      u"<COLLISION_EBENE> \"2\" <\\COLLISION_EBENE><COLLISION_WORM> \"1\" <\\COLLISION_WORM>"
      u"<LEBENSDAUER> \"3\" \"1\" <\\LEBENSDAUER><ABHÄNGIGKEIT_WIND> \"0.5\" \"0.1\" <\\ABHÄNGIGKEIT_WIND>"
      u"<REIBUNG_LUFT> \"2\" <\\REIBUNG_LUFT><REIBUNG_COLLISION> \"0.4\" <\\REIBUNG_COLLISION>"
      u"<INIT_ROATION_SPEED> \"360\" \"180\" <\\INIT_ROATION_SPEED><INIT_ROATION> \"90\" <\\INIT_ROATION>"
      u"<MAXSPEED> \"500\" <\\MAXSPEED><GRAVITATION> \"0.3\" <\\GRAVITATION>"
      u"<INIT_SPEED> \"1\" \"2\" \"3\" \"4\" <\\INIT_SPEED><INIT_POSITION> \"5\" \"6\" \"7\" \"8\" "
      u"<\\INIT_POSITION>"
      u"<SIZE> \"8\" \"4\" \"2\" \"1\" <\\SIZE><PARTIKEL_INFOS> \"Smoke\" <\\PARTIKEL_INFOS>"
      u"<DRAW> \"0\" <\\DRAW><MAXPARTIKEL> \"5\" \"2\" <\\MAXPARTIKEL><SPAWNSPEED> \"30\" <\\SPAWNSPEED>"
      u"<SPAWNPOSITION> \"3\" \"4\" <\\SPAWNPOSITION><SPAWNPOSITION_OFFSET> \"-1\" \"-2\" "
      u"<\\SPAWNPOSITION_OFFSET>"
      u"<REKURSION> \"0\" \"1\" <\\REKURSION><EVENT_CREATE> \"C\" <\\EVENT_CREATE><EVENT_DELETE> \"D\" "
      u"<\\EVENT_DELETE>"
      u"<EVENT_COLLIDE> \"X\" <\\EVENT_COLLIDE><EVENT_KILL> \"K\" <\\EVENT_KILL>"
      u"<EVENT_ENTER_WASSSER> \"W\" <\\EVENT_ENTER_WASSSER><EVENT_WORMCOLLIDE> \"V\" <\\EVENT_WORMCOLLIDE>");
  EXPECT_EQ(t->name, u"Shell");
  EXPECT_EQ(t->renderExtraTypes, (std::vector<std::u16string>{u"GLOW", u"HEAT"}));
  ASSERT_NE(t->death, nullptr);
  EXPECT_EQ(t->death->bits, uint32_t(DeathParam::kOutside));
  EXPECT_EQ(t->drawLayer, -1);
  EXPECT_EQ(t->renderExtraId, 4);
  EXPECT_FALSE(t->checkExact);
  EXPECT_TRUE(t->checkTeleporter);
  EXPECT_EQ(t->partikelTyp, 3);
  EXPECT_TRUE(t->checkForceFields) << "PARTIKELTYP switches the force fields on";
  EXPECT_EQ(t->colourBase, 0x80FF0000u);
  EXPECT_EQ(t->colourVariation, 0x10000000u);
  EXPECT_EQ(t->fadeIn.base, 0.5);
  EXPECT_EQ(t->fadeIn.range, 0.25);
  EXPECT_EQ(t->fadeOut.base, 2.0);
  EXPECT_EQ(t->fadeOut.range, 0.0) << "a pair given by its base keeps the range 0";
  EXPECT_TRUE(t->fadingIn);
  EXPECT_FALSE(t->fadingOut);
  EXPECT_EQ(t->sizingIn, 0.5);
  EXPECT_EQ(t->sizingOut, 3.0);
  EXPECT_TRUE(t->rotateWithDirection);
  EXPECT_EQ(t->rotateWithNormal, 2);
  EXPECT_EQ(t->rotateWithCollision, 1);
  EXPECT_TRUE(t->rotateMirror);
  EXPECT_FALSE(t->canBeDeleted);
  EXPECT_TRUE(t->changesLayer);
  EXPECT_EQ(t->collisionShape, 2);
  EXPECT_TRUE(t->collisionWorm);
  EXPECT_EQ(t->lifetime.base, 3.0);
  EXPECT_EQ(t->lifetime.range, 1.0);
  EXPECT_EQ(t->windFactor.base, 0.5);
  EXPECT_EQ(t->windFactor.range, 0.1);
  EXPECT_EQ(t->airFriction.base, 2.0);
  EXPECT_EQ(t->collisionFriction.base, 0.4);
  EXPECT_EQ(t->spin.base, 360.0);
  EXPECT_EQ(t->spin.range, 180.0);
  EXPECT_EQ(t->startAngle.base, 90.0);
  EXPECT_EQ(t->maxSpeed.base, 500.0);
  EXPECT_EQ(t->maxSpeed.range, 0.0);
  EXPECT_EQ(t->gravity.base, 0.3);
  EXPECT_EQ(t->initSpeed.rangeY, 4.0);
  EXPECT_EQ(t->initPosition.baseX, 5.0);
  EXPECT_EQ(t->size.rangeX, 2.0);
  EXPECT_EQ(t->childTypes.names, std::vector<std::u16string>{u"Smoke"});
  EXPECT_FALSE(t->draw);
  EXPECT_EQ(t->maxChildrenBase, 5);
  EXPECT_EQ(t->maxChildrenRange, 2);
  EXPECT_EQ(t->spawnRate.base, 30.0);
  EXPECT_EQ(t->spawnPosition, Vector2(3.0f, 4.0f));
  EXPECT_EQ(t->spawnOffset, Vector2(-1.0f, -2.0f));
  EXPECT_EQ(t->recursionBase, 0);
  EXPECT_EQ(t->recursionRange, 1);
  for (auto [list, name] : {std::pair{&t->eventCreate, u"C"},
                            {&t->eventDelete, u"D"},
                            {&t->eventCollide, u"X"},
                            {&t->eventKill, u"K"},
                            {&t->eventEnterWater, u"W"},
                            {&t->eventWormCollide, u"V"}})
    EXPECT_EQ(list->names, std::vector<std::u16string>{name});
}

TEST(PartikelInfo, ForceFieldsFollowTheLaterKey) {
  EXPECT_TRUE(Type(u"<PARTIKELTYP> \"3\" <\\PARTIKELTYP>")->checkForceFields);
  EXPECT_FALSE(Type(u"<PARTIKELTYP> \"3\" <\\PARTIKELTYP><CHECK_KRAFTFELDER> \"0\" <\\CHECK_KRAFTFELDER>")
                   ->checkForceFields);
  EXPECT_TRUE(Type(u"<CHECK_KRAFTFELDER> \"1\" <\\CHECK_KRAFTFELDER>")->checkForceFields);
}

TEST(PartikelInfo, WeightsBecomeCumulativeAndPicksTakeTheFirstReachingTheDraw) {
  auto t = Type(
      u"<EVENT_CREATE> \"A\" \"B\" \"C\" <\\EVENT_CREATE><EVENT_CREATE_PROP> \"1\" \"1\" \"2\" "
      u"<\\EVENT_CREATE_PROP>"
      u"<EVENT_KILL> \"K1\" \"K2\" <\\EVENT_KILL><EVENT_KILL_PROP> \"3\" \"1\" \"100\" <\\EVENT_KILL_PROP>"
      u"<EVENT_COLLIDE> \"X\" \"Y\" <\\EVENT_COLLIDE><EVENT_COLLIDE_PROP> \"3\" <\\EVENT_COLLIDE_PROP>"
      u"<EVENT_DELETE> \"Z\" <\\EVENT_DELETE><EVENT_DELETE_PROP> \"0\" <\\EVENT_DELETE_PROP>");
  EXPECT_EQ(t->eventCreate.weights, (std::vector<double>{0.25, 0.5, 1.0}));
  // Only as many weights as names are read; missing ones count 1.0.
  EXPECT_EQ(t->eventKill.weights, (std::vector<double>{0.75, 1.0}));
  EXPECT_EQ(t->eventCollide.weights, (std::vector<double>{0.75, 1.0}));

  const struct {
    int draw;
    const char16_t* create;
  } picks[] = {{0, u"A"}, {8191, u"A"}, {8192, u"B"}, {16383, u"B"}, {16384, u"C"}, {32767, u"C"}};
  for (const auto& p : picks) {
    SeedSoNextRandIs(p.draw);
    EXPECT_EQ(t->PickCreateEvent(), p.create) << p.draw;
  }
  // All weights zero: nothing is ever picked; no names: nothing either.
  SeedSoNextRandIs(16000);
  EXPECT_EQ(t->PickDeleteEvent(), u"");
  EXPECT_EQ(t->PickWormCollideEvent(), u"");
}

TEST(PartikelInfo, StartValueDraws) {
  auto t = Type(
      u"<COLORKEY> \"FF808080\" \"20000000\" <\\COLORKEY><SIZE> \"10\" \"20\" \"4\" \"8\" <\\SIZE>"
      u"<INIT_SPEED> \"100\" \"-50\" \"10\" \"20\" <\\INIT_SPEED><MAXPARTIKEL> \"3\" \"4\" <\\MAXPARTIKEL>");
  // The colour varies alpha alone, by up to 32/255 either way (clamped at opaque).
  platform::SRand(7);
  for (int i = 0; i < 200; ++i) {
    const Argb c = t->DrawColour();
    EXPECT_EQ(c & 0x00FFFFFF, 0x00808080u);
    EXPECT_GE(c >> 24, 0xFFu - 32u);
  }
  // One draw scales both axes of the size: r = 1 gives the base plus the whole range.
  SeedSoNextRandIs(32767);
  EXPECT_EQ(t->DrawSize(), Vector2(14.0f, 28.0f));
  // The speed draws x first, each symmetric about the base.
  ReferenceRand reference(12345);
  platform::SRand(12345);
  const double r1 = reference.NextFraction(), r2 = reference.NextFraction();
  EXPECT_EQ(t->DrawInitSpeed(), Vector2(float(100 + (2 * r1 - 1) * 10), float(-50 + (2 * r2 - 1) * 20)));
  SeedSoNextRandIs(32766);
  EXPECT_EQ(t->DrawMaxChildren(), 6) << "base + r * range, truncated";
  SeedSoNextRandIs(32767);
  EXPECT_EQ(t->DrawMaxChildren(), 7);

  auto grey = Type(u"<COLORKEY> \"FF808080\" \"0\" <\\COLORKEY>");
  EXPECT_EQ(grey->DrawColour(), 0xFF808080u);
}

TEST(DeathParam, MatchesByItsBitsAndItsNestedCondition) {
  const struct {
    const char16_t* block;
    uint32_t state;
    bool dies;
  } cases[] = {
      {u"<TYP> \"ALTER\" \"WORLD\" <\\TYP>", 1, true},
      {u"<TYP> \"ALTER\" \"WORLD\" <\\TYP>", 4, true},
      {u"<TYP> \"ALTER\" \"WORLD\" <\\TYP>", 2 | 8 | 16, false},
      {u"<TYP> \"ALTER\" \"WORLD\" <\\TYP><AND> \"1\" <\\AND>", 1, false},
      {u"<TYP> \"ALTER\" \"WORLD\" <\\TYP><AND> \"1\" <\\AND>", 5, true},
      {u"<TYP> \"SPEED\" \"NO_PARTIKELS\" \"ANIMATION_END\" \"BOGUS\" <\\TYP>", 16, true},
      {u"<TYP> \"BOGUS\" <\\TYP>", 31, false},
      {u"<AND> \"1\" <\\AND>", 0, true},
      // Nested: own AND (by AND_SUB, default) or OR.
      {u"<TYP> \"ALTER\" <\\TYP><DEATH_PARAM><TYP> \"SPEED\" <\\TYP><\\DEATH_PARAM>", 1, false},
      {u"<TYP> \"ALTER\" <\\TYP><DEATH_PARAM><TYP> \"SPEED\" <\\TYP><\\DEATH_PARAM>", 3, true},
      {u"<TYP> \"ALTER\" <\\TYP><AND_SUB> \"0\" <\\AND_SUB><DEATH_PARAM><TYP> \"SPEED\" "
       u"<\\TYP><\\DEATH_PARAM>",
       2, true},
      {u"<TYP> \"ALTER\" <\\TYP><AND_SUB> \"0\" <\\AND_SUB><DEATH_PARAM><TYP> \"SPEED\" "
       u"<\\TYP><\\DEATH_PARAM>",
       4, false},
  };
  for (const auto& c : cases) {
    auto root = ParseBody(c.block);
    DeathParam death(*root);
    EXPECT_EQ(death.Matches(c.state), c.dies) << platform::U16ToUtf8(c.block) << " state " << c.state;
  }
}

TEST(PartikelInfo, LoadAllReadsTypesThenEarthTypesAndWeights) {
  auto root = ParseBody(
      u"<PARTIKEL_INFO><NAME> \"Erde\" <\\NAME><\\PARTIKEL_INFO>"
      u"<PARTIKEL_INFO><NAME> \"Stein\" <\\NAME><\\PARTIKEL_INFO>"
      u"<PARTIKEL_INFO><NAME> \"Erde\" <\\NAME><DRAW_EBENE> \"1\" <\\DRAW_EBENE><\\PARTIKEL_INFO>"
      u"<ERDE_PARTIKEL> \"Erde\" \"Nichts\" \"Stein\" <\\ERDE_PARTIKEL><ERDE_PARTIKEL_PROP> \"2\" "
      u"<\\ERDE_PARTIKEL_PROP>");
  PartikelListe list;
  PartikelInfo::LoadAll(root.get(), list, nullptr);
  ASSERT_EQ(list.GetInfos().size(), 3u);
  // The later type of a name hides the earlier one.
  EXPECT_EQ(list.FindInfo(u"Erde"), list.GetInfos()[2].get());
  EXPECT_EQ(list.FindInfo(u""), nullptr);
  EXPECT_EQ(list.GetEarthTypes(),
            (std::vector<const PartikelInfo*>{list.GetInfos()[2].get(), nullptr, list.GetInfos()[1].get()}));
  EXPECT_EQ(list.GetEarthWeights(), (std::vector<double>{0.5, 0.75, 1.0}));

  // A weight that is no finite number of 0 or more counts 1.0, with a message; picks still
  // reach every type.
  auto broken = ParseBody(
      u"<PARTIKEL_INFO><NAME> \"Erde\" <\\NAME><\\PARTIKEL_INFO>"
      u"<ERDE_PARTIKEL> \"Erde\" \"Erde\" \"Erde\" <\\ERDE_PARTIKEL>"
      u"<ERDE_PARTIKEL_PROP> \"1e999\" \"-2\" \"2\" <\\ERDE_PARTIKEL_PROP>");
  PartikelListe other;
  testing::internal::CaptureStderr();
  PartikelInfo::LoadAll(broken.get(), other, nullptr);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("ERDE_PARTIKEL_PROP"), std::string::npos);
  EXPECT_EQ(other.GetEarthWeights(), (std::vector<double>{0.25, 0.5, 1.0}));
}

TEST(PartikelInfo, BrokenValuesLoadAsTheDefaultWithAMessage) {
  const struct {
    const char16_t* keys;
    const char* message;
    std::function<bool(const PartikelInfo&)> holds;
  } cases[] = {
      {u"<WOBBLE> \"1\" <\\WOBBLE>", "unknown key",
       [](const PartikelInfo& t) { return t.name == u"UNNAMED_PARTIKLEINFO"; }},
      {u"<DEATH_PARAM><TYPE> \"ALTER\" <\\TYPE><\\DEATH_PARAM>", "unknown key",
       [](const PartikelInfo& t) { return t.death && t.death->bits == 0; }},
      {u"<SIZE> \"4\" <\\SIZE>", "too few values",
       [](const PartikelInfo& t) { return t.size.baseX == 4.0 && t.size.baseY == 20.0; }},
      {u"<MAXSPEED> <\\MAXSPEED>", "no value",
       [](const PartikelInfo& t) { return t.maxSpeed.base == 1000.0; }},
      {u"<LEBENSDAUER> \"-2\" \"5\" <\\LEBENSDAUER>", "negative lifetime",
       [](const PartikelInfo& t) { return t.lifetime.base == -1.0 && t.lifetime.range == 0.0; }},
      {u"<LEBENSDAUER> \"2\" \"-1\" <\\LEBENSDAUER>", "negative lifetime",
       [](const PartikelInfo& t) { return t.lifetime.base == -1.0; }},
      {u"<INIT_SPEED> \"1e999\" \"2\" \"0\" \"0\" <\\INIT_SPEED>", "not a finite number",
       [](const PartikelInfo& t) { return t.initSpeed.baseX == 0.0 && t.initSpeed.baseY == 2.0; }},
      // Finite as a double, but no single-precision size or offset can hold it.
      {u"<SIZE> \"1e40\" \"3\" \"0\" \"0\" <\\SIZE>", "too large",
       [](const PartikelInfo& t) { return t.size.baseX == 20.0 && std::isfinite(t.DrawSize().x); }},
      {u"<SPAWNPOSITION_OFFSET> \"-1e39\" \"2\" <\\SPAWNPOSITION_OFFSET>", "too large",
       [](const PartikelInfo& t) { return t.spawnOffset.x == 0.0f && t.spawnOffset.y == 2.0f; }},
      {u"<ANIMATIONEN> \"NIRGENDS\" <\\ANIMATIONEN>", "does not exist",
       [](const PartikelInfo& t) { return t.animations.empty() && !t.PickAnimation(); }},
      {u"<COLLISION_EBENE> \"4\" <\\COLLISION_EBENE>", "without an animation",
       [](const PartikelInfo& t) { return t.collisionShape == 4; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::U16ToUtf8(c.keys));
    testing::internal::CaptureStderr();
    auto t = Type(c.keys);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    EXPECT_TRUE(c.holds(*t));
  }
  testing::internal::CaptureStderr();
  Type(u"<MAXSPEED> \"500\" <\\MAXSPEED><NAME> \"Fine\" <\\NAME>");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "a pair given by its base alone is no fault";
}

TEST(PartikelInfo, FuzzedBlocksLoadWithoutFault) {
  // Random keys of the reader (and a few strangers) with random value counts and values,
  // nested death blocks included; every type must load and draw finite start values.
  const char16_t* keys[] = {u"SIZE",
                            u"INIT_SPEED",
                            u"LEBENSDAUER",
                            u"COLORKEY",
                            u"MAXPARTIKEL",
                            u"REKURSION",
                            u"EVENT_CREATE",
                            u"EVENT_CREATE_PROP",
                            u"ANIMATIONEN_PROP",
                            u"PARTIKEL_INFOS",
                            u"PARTIKEL_PROP",
                            u"DEATH_PARAM",
                            u"TYP",
                            u"AND",
                            u"FADING",
                            u"SIZING",
                            u"X"};
  const char16_t* values[] = {u"0",        u"-1", u"1e999", u"-1e999", u"nan", u"1e40",
                              u"ffffffff", u"",   u"ALTER", u"3.5",    u"x"};
  ReferenceRand r(99);
  testing::internal::CaptureStderr();
  for (int round = 0; round < 500; ++round) {
    std::u16string body;
    const int count = r.Next() % 12;
    for (int k = 0; k < count; ++k) {
      const std::u16string key = keys[r.Next() % std::size(keys)];
      body += u"<" + key + u">";
      for (int v = r.Next() % 5; v > 0; --v)
        body += u" \"" + std::u16string(values[r.Next() % std::size(values)]) + u"\"";
      if (key == u"DEATH_PARAM") body += u"<DEATH_PARAM><TYP> \"ALTER\" <\\TYP><\\DEATH_PARAM>";
      body += u"<\\" + key + u">";
    }
    auto t = Type(body);
    platform::SRand(uint32_t(round));
    const Vector2 size = t->DrawSize(), speed = t->DrawInitSpeed();
    EXPECT_TRUE(std::isfinite(size.x) && std::isfinite(size.y) && std::isfinite(speed.x) &&
                std::isfinite(speed.y))
        << platform::U16ToUtf8(body);
    t->DrawColour();
    t->PickCreateEvent();
    t->PickChildType();
    if (t->death) t->death->Matches(31);
  }
  testing::internal::GetCapturedStderr();
}
