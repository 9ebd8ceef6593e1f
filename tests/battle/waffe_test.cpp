// The weapon base on the null backend: the shot position by aim angle and facing, each
// team's ammunition over turns and rounds, the fire path's refusals, the shot-sound period
// and weights, the ammunition messages, and the weapon set's file order and categories.
#include "battle/waffe.h"

#include <gtest/gtest.h>

#include <fstream>

#include "battle/waffenset.h"
#include "battle/waffenteams.h"
#include "engine/apicontext.h"
#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "engine/sprache.h"
#include "objects/partikel.h"
#include "support/kv_fixture.h"
#include "support/temp_dir.h"
#include "support/user_folder.h"

namespace {

// Two teams told apart by the worm's name; round number and colours set by the test.
struct TwoTeams final : WaffenTeams {
  Mannschaft* red = reinterpret_cast<Mannschaft*>(0x10);
  Mannschaft* blue = reinterpret_cast<Mannschaft*>(0x20);
  int32_t round = 0;
  Mannschaft* TeamOf(const Objekt& worm) const override {
    if (worm.GetName() == u"RED") return red;
    if (worm.GetName() == u"BLUE") return blue;
    return nullptr;
  }
  Argb TeamColour(const Mannschaft* team) const override { return team == red ? 0xFFFF0000 : 0xFF0000FF; }
  int32_t RoundNumber() const override { return round; }
};

struct Shooter : Partikel {
  explicit Shooter(const char16_t* team)
      : Partikel(nullptr, &kAt, &kAt, 0xFFFFFFFF, 0, kTypeLayer,
                 ParseBody(std::u16string(u"<NAME> \"") + team + u"\" <\\NAME>").get()) {}
  static constexpr Vector2 kAt{0.0f, 0.0f};
};

// A weapon that counts its shots as the real ones do.
class CountingWaffe final : public Waffe {
 public:
  using Waffe::Waffe;
  int32_t fired = 0;
  int32_t CurrentShotCounter() const { return m_shotCounter; }

 protected:
  int32_t FireImpl(Objekt&, const Vector2&, const Vector2&, double, const Vector2&) override {
    ++fired;
    ++m_usesThisTurn;
    return 1;
  }
};

std::unique_ptr<CountingWaffe> Make(std::u16string_view body) {
  auto root = ParseBody(body, u"BAZOOKA");
  return std::make_unique<CountingWaffe>(root.get(), nullptr, nullptr);
}

class WaffeTest : public ::testing::Test {
 protected:
  void SetUp() override { WaffenTeams::Install(&teams); }
  void TearDown() override { WaffenTeams::Install(nullptr); }
  int32_t Fire(Waffe& w, Objekt& worm) { return w.Fire(worm, {0, 0}, {1, 0}, 1.0, {0, 0}); }

  TwoTeams teams;
  Shooter red{u"RED"}, blue{u"BLUE"}, nobody{u"GREY"};
};

constexpr char16_t kThreeAngles[] =
    u"<SHOTPOS_CENTER> <CENTER> \"0.5\" \"0.45\" <\\CENTER> <SHOT_POS> \"0.45\" \"0.85\" <\\SHOT_POS>"
    u" <WINKEL> \"90\" <\\WINKEL> <\\SHOTPOS_CENTER>"
    u"<SHOTPOS_CENTER> <CENTER> \"0.5\" \"0.45\" <\\CENTER> <SHOT_POS> \"0.45\" \"0.1\" <\\SHOT_POS>"
    u" <WINKEL> \"-90\" <\\WINKEL> <\\SHOTPOS_CENTER>"
    u"<SHOTPOS_CENTER> <CENTER> \"0.3\" \"0.5\" <\\CENTER> <SHOT_POS> \"0.1\" \"0.45\" <\\SHOT_POS>"
    u" <WINKEL> \"0\" <\\WINKEL> <\\SHOTPOS_CENTER>";

TEST_F(WaffeTest, ShotPositionFollowsTheTableByAngleAndFacing) {
  auto w = Make(kThreeAngles);
  ASSERT_EQ(w->GetShotPositions().size(), 3u);
  EXPECT_EQ(w->GetShotPositions()[0].winkel, -90.0);  // kept sorted
  EXPECT_EQ(w->GetShotPositions()[2].winkel, 90.0);
  double low = 0, high = 0;
  w->GetAnimationAngles(low, high);  // taken from the table's ends
  EXPECT_EQ(low, -90.0);
  EXPECT_EQ(high, 90.0);

  // A worm 20 wide and 40 high standing at (100, 200).
  const Vector2 base(100.0f, 200.0f), size(20.0f, 40.0f);
  struct Case {
    double angle;
    bool mirrored, centre;
    float x, y;
  } cases[] = {
      {-90.0, false, false, 100 + 10 - 0.45f * 20, 200 - 40 + 0.1f * 40},
      {0.0, false, false, 100 + 10 - 0.1f * 20, 200 - 40 + 0.45f * 40},
      {0.0, true, false, 100 - 10 + 0.1f * 20, 200 - 40 + 0.45f * 40},
      {90.0, false, false, 100 + 10 - 0.45f * 20, 200 - 40 + 0.85f * 40},
      {45.0, false, false, 100 + 10 - 0.275f * 20, 200 - 40 + 0.65f * 40},
      {-45.0, true, false, 100 - 10 + 0.275f * 20, 200 - 40 + 0.275f * 40},
      {45.0, false, true, 100 + 10 - 0.4f * 20, 200 - 40 + 0.475f * 40},
      {-135.0, false, false, 100 + 10 - 0.45f * 20, 200 - 40 + 0.1f * 40},  // clamped to the first
      {170.0, true, false, 100 - 10 + 0.45f * 20, 200 - 40 + 0.85f * 40},   // clamped to the last
  };
  for (const Case& c : cases) {
    const Vector2 p = w->GetShotPosition(base, size, c.mirrored, c.angle, c.centre);
    EXPECT_NEAR(p.x, c.x, 1e-4) << c.angle << " mirrored " << c.mirrored;
    EXPECT_NEAR(p.y, c.y, 1e-4) << c.angle << " mirrored " << c.mirrored;
  }
}

TEST_F(WaffeTest, ShotPositionOfSmallTables) {
  const Vector2 base(0.0f, 0.0f), size(20.0f, 40.0f);
  // No table: half the worm's height above its feet.
  auto none = Make(u"");
  EXPECT_EQ(none->GetShotPosition(base, size, false, 30.0, false), Vector2(0.0f, -20.0f));
  // One entry answers its point at every angle.
  auto one = Make(
      u"<SHOTPOS_CENTER> <SHOT_POS> \"0.25\" \"0.5\" <\\SHOT_POS> <WINKEL> \"10\" <\\WINKEL> "
      u"<\\SHOTPOS_CENTER>");
  for (double a : {-90.0, 10.0, 90.0})
    EXPECT_EQ(one->GetShotPosition(base, size, false, a, false), Vector2(5.0f, -20.0f)) << a;
  // Two entries at the same angle: no division by zero, the first in the file wins.
  auto twin = Make(
      u"<SHOTPOS_CENTER> <SHOT_POS> \"0.25\" \"0.5\" <\\SHOT_POS> <\\SHOTPOS_CENTER>"
      u"<SHOTPOS_CENTER> <SHOT_POS> \"0.75\" \"0.0\" <\\SHOT_POS> <\\SHOTPOS_CENTER>");
  for (double a : {-5.0, 0.0, 5.0}) {
    const Vector2 p = twin->GetShotPosition(base, size, false, a, false);
    EXPECT_EQ(p, Vector2(5.0f, -20.0f)) << a;
  }
}

TEST_F(WaffeTest, AmmunitionIsPaidOncePerTurnInWhichTheTeamFired) {
  auto w = Make(u"<USES_PER_GAME> \"2\" <\\USES_PER_GAME> <USES_PER_ROUND> \"3\" <\\USES_PER_ROUND>");
  w->AddTeamRecord(teams.red);
  w->AddTeamRecord(teams.blue);
  w->AddTeamRecord(teams.red);  // already there
  ASSERT_EQ(w->GetTeamRecords().size(), 2u);

  for (int i = 0; i < 3; ++i) EXPECT_EQ(Fire(*w, red), 1) << i;
  EXPECT_EQ(Fire(*w, red), 0);  // three uses per turn
  EXPECT_TRUE(w->IsExhausted());
  EXPECT_EQ(w->GetAmmoForTeam(teams.red), 2);
  w->NewTurn();
  EXPECT_EQ(w->GetAmmoForTeam(teams.red), 1);
  EXPECT_EQ(w->GetAmmoForTeam(teams.blue), 2);
  EXPECT_EQ(w->GetUsesThisTurn(), 0);
  EXPECT_EQ(w->GetCurrentRecord(), nullptr);

  w->NewTurn();  // a turn without a shot costs nothing
  EXPECT_EQ(w->GetAmmoForTeam(teams.red), 1);
  EXPECT_EQ(Fire(*w, red), 1);
  w->NewTurn();
  EXPECT_EQ(w->GetAmmoForTeam(teams.red), 0);
  EXPECT_FALSE(w->HasAmmoFor(red));
  EXPECT_EQ(Fire(*w, red), 0);
  EXPECT_TRUE(w->HasAmmoFor(blue));

  // A new round gives full ammunition again.
  w->ClearTeamRecords();
  w->AddTeamRecord(teams.red);
  EXPECT_EQ(w->GetAmmoForTeam(teams.red), 2);
  EXPECT_EQ(w->GetAmmoForTeam(teams.blue), 0);  // no record
  EXPECT_FALSE(w->HasAmmoFor(blue));
}

TEST_F(WaffeTest, UnlimitedAmmunitionNeverRunsOut) {
  auto w = Make(u"<USES_PER_GAME> \"-1\" <\\USES_PER_GAME>");
  w->AddTeamRecord(teams.red);
  for (int turn = 0; turn < 5; ++turn) {
    EXPECT_EQ(Fire(*w, red), 1);
    w->NewTurn();
  }
  EXPECT_EQ(w->GetAmmoForTeam(teams.red), -1);
  w->FindTeamRecord(teams.red)->AddAmmo(3, false);
  EXPECT_EQ(w->GetAmmoForTeam(teams.red), -1);
  // Below -1 counts as unlimited too.
  EXPECT_EQ(Make(u"<USES_PER_GAME> \"-7\" <\\USES_PER_GAME>")->GetAmmunition(), -1);
}

TEST_F(WaffeTest, WhoMayFire) {
  auto w = Make(u"<START_RUNDE> \"2\" <\\START_RUNDE>");
  w->AddTeamRecord(teams.red);
  teams.round = 1;
  EXPECT_FALSE(w->HasAmmoFor(red));
  EXPECT_EQ(Fire(*w, red), 0);
  teams.round = 2;  // e.g. the fourth turn of two teams
  EXPECT_TRUE(w->HasAmmoFor(red));
  EXPECT_FALSE(w->HasAmmoFor(nobody));  // no team
  EXPECT_EQ(Fire(*w, nobody), 0);

  WaffenTeamRecord* record = w->FindTeamRecord(teams.red);
  record->availabilityOverride = -1;
  EXPECT_FALSE(w->HasAmmoFor(red));
  record->availabilityOverride = 1;
  record->ammunition = 0;
  teams.round = 0;
  EXPECT_TRUE(w->HasAmmoFor(red));
  EXPECT_EQ(w->fired, 0);
}

TEST_F(WaffeTest, ShotSoundsEveryPeriodWithCumulativeWeights) {
  auto w = Make(u"<SHOT_SOUND_VERH> \"3\" <\\SHOT_SOUND_VERH>");
  std::vector<int32_t> counters;
  for (int i = 0; i < 7; ++i) {
    counters.push_back(w->CurrentShotCounter());
    w->PlayShotSound();
  }
  // A sound goes with counter 0: shots 1, 4 and 7.
  EXPECT_EQ(counters, (std::vector<int32_t>{0, 1, 2, 0, 1, 2, 0}));
  w->NewTurn();
  EXPECT_EQ(w->CurrentShotCounter(), 0);
  EXPECT_EQ(Make(u"<SHOT_SOUND_VERH> \"0\" <\\SHOT_SOUND_VERH>")->GetShotSoundPeriod(), 1);

  struct Case {
    const char16_t* values;
    size_t count;
    std::vector<double> cumulative;
  } cases[] = {
      {u"\"1\" \"3\"", 2, {0.25, 1.0}},
      {u"\"2\"", 3, {0.5, 0.75, 1.0}},         // missing weights count 1
      {u"\"0\" \"0\"", 2, {0.5, 1.0}},         // all zero: evenly
      {u"\"-4\" \"1\" \"7\"", 2, {0.0, 1.0}},  // negative counts 0; extra values are ignored
      {u"", 0, {}},
  };
  for (const Case& c : cases) {
    auto node = ParseBody(std::u16string(u"<P> ") + c.values + u" <\\P>");
    const auto got = Waffe::CumulativeWeights(node->GetChild(0, u"P"), c.count);
    ASSERT_EQ(got.size(), c.cumulative.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_DOUBLE_EQ(got[i], c.cumulative[i]) << i;
  }
}

TEST_F(WaffeTest, AmmunitionMessagesByChange) {
  UserFolder folder;
  APIContext context;
  context.configuration = std::make_unique<KVNode>(u"Config");
  context.language = std::make_unique<Sprache>(context.configuration.get());
  TempDir dir;
  {
    std::ofstream out(dir.Path() / "test.lng");
    out << "\xFF\xFE";
  }
  // The language file as UTF-16 with its mark.
  const std::u16string text =
      u"<>\n \t<\\>\n<SPRACHDATEI> <SPRACHEN> \"DEUTSCH\" \"ENGLISCH\" <\\SPRACHEN> <TEXTE>"
      u"<BAZ_CHANGE_ANZAHL1> \"x\" \"One more bazooka\" <\\BAZ_CHANGE_ANZAHL1>"
      u"<BAZ_CHANGE_ANZAHL> \"x\" \"%d bazookas\" <\\BAZ_CHANGE_ANZAHL> <\\TEXTE> <\\SPRACHDATEI>";
  {
    std::ofstream out(dir.Path() / "test.lng", std::ios::binary | std::ios::app);
    out.write(reinterpret_cast<const char*>(text.data()), std::streamsize(text.size() * 2));
  }
  context.language->LoadFile(dir.File("test.lng"));
  context.language->SetLanguage(u"ENGLISCH");
  MyGlobals globals(&context);

  auto root = ParseBody(u"<TEXT_ID> \"BAZ\" <\\TEXT_ID> <USES_PER_GAME> \"1\" <\\USES_PER_GAME>", u"BAZOOKA");
  CountingWaffe w(root.get(), &globals, &context);
  w.AddTeamRecord(teams.blue);
  WaffenTeamRecord* record = w.FindTeamRecord(teams.blue);
  record->AddAmmo(1, true);
  record->AddAmmo(3, true);
  record->AddAmmo(-1, false);
  EXPECT_EQ(record->ammunition, 4);
  ASSERT_EQ(globals.messagePanel1.Messages().size(), 2u);
  EXPECT_EQ(globals.messagePanel1.Messages()[0]->text, u"One more bazooka");
  EXPECT_EQ(globals.messagePanel1.Messages()[1]->text, u"3 bazookas");
  EXPECT_EQ(globals.messagePanel1.Messages()[1]->colour, 0xFF0000FFu);
  ASSERT_EQ(globals.fadingTextList.Lines().size(), 2u);
  EXPECT_EQ(globals.fadingTextList.Lines()[1]->text, u"3 bazookas");
  // Without the key nothing is told.
  w.ClearTeamRecords();
  auto other = ParseBody(u"<TEXT_ID> \"NONE\" <\\TEXT_ID>", u"BAZOOKA");
  CountingWaffe silent(other.get(), &globals, &context);
  silent.AddTeamRecord(teams.red);
  silent.FindTeamRecord(teams.red)->AddAmmo(1, true);
  EXPECT_EQ(globals.messagePanel1.Messages().size(), 2u);
}

TEST(WaffenSet, LoadsByKeywordOrderAndResolvesCategoriesFromTheEnd) {
  auto root = ParseBody(
      u"<GRANATE> \"Granate\" <\\GRANATE>"
      u"<KATEGORIE> <NAME> \"WURF\" <\\NAME> <TEXT_ID> \"KAT_WURF\" <\\TEXT_ID>"
      u"  <WAFFEN> \"Granate\" \"Bazooka\" \"Nichts\" \"Granate\" <\\WAFFEN> <\\KATEGORIE>"
      u"<BAZOOKA> \"Bazooka\" <TEXT_ID> \"first\" <\\TEXT_ID> <\\BAZOOKA>"
      u"<UNBEKANNT> \"x\" <\\UNBEKANNT>"
      u"<TELEPORT> \"Bazooka\" <TEXT_ID> \"second\" <\\TEXT_ID> <\\TELEPORT>"
      u"<KATEGORIE> <\\KATEGORIE>",
      u"WAFFEN");
  WaffenSet set;
  set.Load(root.get());
  std::vector<Waffe*> weapons;
  set.GetWeapons(weapons);
  ASSERT_EQ(weapons.size(), 3u);
  EXPECT_EQ(weapons[0]->GetTextId(), u"first");  // BAZOOKA first, whatever the file order
  EXPECT_EQ(weapons[1]->GetName(), u"Granate");
  EXPECT_EQ(weapons[2]->GetTextId(), u"second");

  ASSERT_EQ(set.GetCategoryCount(), 2);
  const WaffenKategorie* wurf = set.GetCategory(0);
  EXPECT_EQ(wurf->GetName(), u"WURF");
  EXPECT_EQ(wurf->GetTextId(), u"KAT_WURF");
  ASSERT_EQ(wurf->GetWeaponCount(), 3);  // the unknown name is left out, the twice-named shown twice
  EXPECT_EQ(wurf->GetWaffe(0), weapons[1]);
  EXPECT_EQ(wurf->GetWaffe(1), weapons[2]);  // the later of the two named "Bazooka"
  EXPECT_EQ(wurf->GetWaffe(2), weapons[1]);
  EXPECT_EQ(set.GetCategory(1)->GetName(), u"UNNAMED_KAT");
  EXPECT_EQ(set.GetCategory(1)->GetWeaponCount(), 0);
  EXPECT_EQ(Waffe::FindByName(weapons, u""), nullptr);

  // Every keyword makes a weapon; an unknown one none.
  for (const char16_t* keyword : WaffenSet::kKeywords)
    EXPECT_NE(WaffenSet::Create(keyword, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(WaffenSet::Create(u"KATAPULT", nullptr, nullptr, nullptr), nullptr);
}

TEST_F(WaffeTest, SetArmsTeamsAndCollectsWhatAWormMayUse) {
  auto root = ParseBody(
      u"<BAZOOKA> \"Bazooka\" <USES_PER_GAME> \"-1\" <\\USES_PER_GAME> <\\BAZOOKA>"
      u"<MINE> \"Mine\" <USES_PER_GAME> \"0\" <\\USES_PER_GAME> <\\MINE>"
      u"<AIRSTRIKE> \"Luftschlag\" <START_RUNDE> \"3\" <\\START_RUNDE> <\\AIRSTRIKE>",
      u"WAFFEN");
  WaffenSet set;
  set.Load(root.get());
  set.ClearTeamRecords();
  set.AddTeamRecords(teams.red);
  std::vector<Waffe*> usable;
  set.CollectUsableWeapons(usable, red);
  ASSERT_EQ(usable.size(), 1u);
  EXPECT_EQ(usable[0]->GetName(), u"Bazooka");
  teams.round = 3;
  usable.clear();
  set.CollectUsableWeapons(usable, red);
  ASSERT_EQ(usable.size(), 2u);
  EXPECT_EQ(usable[1]->GetName(), u"Luftschlag");
  usable.clear();
  set.CollectUsableWeapons(usable, blue);
  EXPECT_TRUE(usable.empty());

  set.UpdateAll(0.25);
  EXPECT_EQ(set.Weapons()[0]->GetTurnTimer(), 0.25);
  set.ResetTurnCounts();
  EXPECT_EQ(set.Weapons()[0]->GetTurnTimer(), 0.0);
}

}  // namespace

namespace {

TEST(WaffeDrawing, ReadoutTextAndTheBoxOnTheScreen) {
  struct Case {
    double value;
    const char16_t* text;
  } texts[] = {{4.6, u"5"}, {1.01, u"1"}, {1.0, u"1.0"}, {0.96, u"1.0"}, {0.44, u"0.4"}, {0.0, u"0.0"}};
  for (const Case& c : texts) EXPECT_EQ(Waffe::ReadoutText(c.value), c.text) << c.value;

  struct Box {
    Rect in, out;
  } boxes[] = {
      {{100, 100, 200, 150}, {100, 100, 200, 150}},    // inside stays
      {{950, 700, 1100, 800}, {874, 668, 1024, 768}},  // past the right and bottom edges
      {{-30, -10, 70, 40}, {0, 0, 100, 50}},           // past the left and top edges
      {{-10, 0, 1100, 20}, {0, 0, 1110, 20}},          // wider than the screen: the left edge wins
  };
  for (const Box& b : boxes) {
    const Rect r = KeepOnScreen(b.in, 1024, 768);
    EXPECT_EQ(r.left, b.out.left);
    EXPECT_EQ(r.top, b.out.top);
    EXPECT_EQ(r.right, b.out.right);
    EXPECT_EQ(r.bottom, b.out.bottom);
  }
}

}  // namespace
