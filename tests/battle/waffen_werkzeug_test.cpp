// The placing and switching tools fired from a worm on a small ASCII-art world: teleporter
// chains of one to three gates, the teleport's two animations (and none), the worm switch,
// the shield turning a shell, and effects that start at the turn's end.
#include "battle/waffen_werkzeug.h"

#include "battle/weapon_world.h"
#include "platform/text.h"
#include "engine/animation.h"
#include "engine/animationmanager.h"
#include "objects/kraftfeldliste.h"
#include "objects/teleporterliste.h"
#include "posteffects/posteffectinstance.h"
#include "posteffects/posteffectlibrary.h"

namespace {

using weapon_test::WeaponWorld;

class ToolTest : public WeaponWorld {
 protected:
  void SetUp() override {
    WeaponWorld::SetUp();
    Type(u"<NAME> \"Tor\" <\\NAME> <GRAVITATION> \"0\" <\\GRAVITATION> <SIZE> \"20\" \"40\" \"0\" \"0\" <\\SIZE>");
    auto gates = ParseBody(
        u"<COLORS> \"FFFF0000\" \"FF0000FF\" <\\COLORS>"
        u"<TELEPORTER> <PARTIKEL_INFO> \"Tor\" <\\PARTIKEL_INFO> <NAME> \"Beamer\" <\\NAME> <\\TELEPORTER>",
        u"TELEPORTER");
    globals->GetTeleporterListe()->Load(gates.get(), LoadSources{globals->GetPartikelListe(), nullptr, nullptr,
                                                                 nullptr});
    auto fields = ParseBody(
        u"<SCHUBS_KRAFTFELD> <NAME> \"Schild\" <\\NAME> <RADIUS> \"0\" \"30\" \"0\" \"40\" <\\RADIUS>"
        u"  <TYPEN> \"2\" <\\TYPEN> <REIBUNG> \"0\" <\\REIBUNG> <ROUND> \"1\" \"1\" <\\ROUND> <\\SCHUBS_KRAFTFELD>",
        u"KRAFTFELDER");
    globals->GetKraftfeldListe()->Create(fields.get(), LoadSources{});
  }
  void TearDown() override {
    globals->GetTeleporterListe()->Clear();
    globals->GetKraftfeldListe()->Clear();
    WeaponWorld::TearDown();
  }
  void AddAnimation(const std::u16string& name, int frames, bool once) {
    // Frames without pictures: only the timing matters here. Without MAXFRAMES it has no
    // pass limit and never finishes.
    AnimationManager& animations = *globals->GetAnimationManager();
    std::u16string body = u"<NAME> \"" + name + u"\" <\\NAME> <SPEED> \"10\" <\\SPEED> <FRAMES>";
    for (int i = 0; i < frames; ++i) body += u" \"0\"";
    body += u" <\\FRAMES>";
    if (once)
      body += u"<PLAY_TYP> \"CLAMP\" <\\PLAY_TYP> <MAXFRAMES> \"" + platform::Utf8ToU16(std::to_string(frames)) +
              u"\" <\\MAXFRAMES>";
    animations.AddAnimation(std::make_unique<Animation>(ParseBody(body, u"ANIMATION").get(), nullptr, animations));
  }
};

TEST_F(ToolTest, BeamerChainsCloseAtTheirLengthOnTheActionKeyOrAtTheTurnsEnd) {
  TeleporterListe& gates = *globals->GetTeleporterListe();
  const struct {
    int chain, clicks;
    bool action;  // the action key after the clicks
    size_t placedAfter, pendingAfter;
    bool activeAfter;
    int uses;
  } cases[] = {
      {1, 1, false, 1, 0, false, 1},  // a chain of one closes at the first click
      {2, 2, false, 2, 0, false, 1},  // the second click completes it
      {3, 2, false, 0, 2, true, 0},   // one more to go
      {4, 2, true, 2, 0, false, 1},   // the action key closes a chain of two
      {3, 1, true, 0, 1, true, 0},    // ... but not of one
      {3, 3, true, 3, 0, false, 1},   // after the chain closed, the key counts no second use
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chain * 10 + c.clicks);
    gates.Clear();
    auto& beamer = Make<Beamer>(u"BEAMER", u"<TELEPORTER_NAME> \"Beamer\" <\\TELEPORTER_NAME> <MAX_TELEPORTERS> \"" +
                                               platform::Utf8ToU16(std::to_string(c.chain)) +
                                               u"\" <\\MAX_TELEPORTERS>");
    EXPECT_TRUE(beamer.TakesSteering());
    beamer.OnClick({10.0f, 10.0f});
    EXPECT_TRUE(gates.GetPending().empty()) << "no gate before the tool is fired";
    ASSERT_EQ(Fire({50.0f, 120.0f}, {1.0f, 0.0f}), 1);
    EXPECT_TRUE(beamer.IsActive());
    for (int i = 0; i < c.clicks; ++i) beamer.OnClick({60.0f + 80.0f * float(i), 100.0f});
    if (c.action) beamer.OnAction();
    EXPECT_EQ(gates.GetPlaced().size(), c.placedAfter);
    EXPECT_EQ(gates.GetPending().size(), c.pendingAfter);
    EXPECT_EQ(beamer.IsActive(), c.activeAfter);
    EXPECT_EQ(beamer.GetUsesThisTurn(), c.uses);
    // The gates of a group are linked with each other and stand where they were put.
    const auto& group = c.placedAfter ? gates.GetPlaced() : gates.GetPending();
    for (size_t i = 0; i < group.size(); ++i)
      EXPECT_EQ(*group[i]->GetPosition(), Vector2(60.0f + 80.0f * float(i), 100.0f));
    // The turn's end closes whatever is pending and ends placing.
    active->NewTurn();
    EXPECT_TRUE(gates.GetPending().empty());
    EXPECT_EQ(gates.GetPlaced().size(), size_t(c.clicks));
    EXPECT_FALSE(beamer.IsActive());
  }
  active->ResetForGame();
  EXPECT_TRUE(gates.GetPlaced().empty()) << "a new game round starts without gates";
}

TEST_F(ToolTest, BeamerDescriptionCountsTheGatesLeft) {
  auto& beamer = Make<Beamer>(u"BEAMER", u"<TEXT_ID> \"W\" <\\TEXT_ID> <TELEPORTER_NAME> \"Beamer\" "
                                         u"<\\TELEPORTER_NAME> <MAX_TELEPORTERS> \"3\" <\\MAX_TELEPORTERS>");
  EXPECT_EQ(*beamer.DescriptionText(true), u"W\nTELEPORTER_START");
  Fire({50.0f, 120.0f}, {1.0f, 0.0f});
  beamer.OnClick({60.0f, 100.0f});
  EXPECT_EQ(*beamer.DescriptionText(true), u"W\nTELEPORTER_REST2");
  beamer.OnClick({140.0f, 100.0f});
  EXPECT_EQ(*beamer.DescriptionText(true), u"W\nTELEPORTER_REST1\nTELEPORTER_CANCEL");
  EXPECT_EQ(*beamer.DescriptionText(false), u"W\n");
}

TEST_F(ToolTest, BeamerOfAnUnknownGateTypeCannotBeFired) {
  testing::internal::CaptureStderr();
  auto& beamer = Make<Beamer>(u"BEAMER", u"<TELEPORTER_NAME> \"Nichts\" <\\TELEPORTER_NAME>");
  EXPECT_NE(testing::internal::GetCapturedStderr(), "");
  EXPECT_FALSE(beamer.IsUsable());
  EXPECT_EQ(Fire({50.0f, 120.0f}, {1.0f, 0.0f}), 0);
}

TEST_F(ToolTest, TeleportPlaysTheLeavingAnimationMovesTheWormThenPlaysTheArrivingOneEveryUse) {
  AddAnimation(u"AUS", 3, true);   // 0.3 s
  AddAnimation(u"EIN", 2, true);   // 0.2 s
  auto& teleport =
      Make<Teleport>(u"TELEPORT", u"<ANI_START> \"AUS\" <\\ANI_START> <ANI_ENDE> \"EIN\" <\\ANI_ENDE>"
                                  u"<USES_PER_ROUND> \"2\" <\\USES_PER_ROUND>");
  EXPECT_TRUE(teleport.NeedsTarget());
  const Vector2 home = *shooter->GetPosition();
  for (int use = 0; use < 2; ++use) {
    SCOPED_TRACE(use);
    const Vector2 target(100.0f + 50.0f * float(use), 60.0f);
    ASSERT_EQ(Fire({50.0f, 120.0f}, {1.0f, 0.0f}, target), 1);
    EXPECT_EQ(teleport.GetPhase(), 0);
    int frames = 0;
    while (teleport.GetPhase() == 0 && frames < 100) {
      EXPECT_EQ(*shooter->GetPosition(), use ? Vector2(100.0f, 60.0f) : home);
      Frame();
      ++frames;
    }
    EXPECT_NEAR(frames, 30, 1);
    EXPECT_EQ(*shooter->GetPosition(), target);
    // The arriving animation plays again on the second use too.
    frames = 0;
    while (teleport.IsActive() && frames < 100) {
      active->Update(0.01);
      ++frames;
    }
    EXPECT_NEAR(frames, 20, 1);
    EXPECT_EQ(teleport.GetUsesThisTurn(), use + 1);
  }
}

TEST_F(ToolTest, TeleportWithoutEndingAnimationsMovesAtOnce) {
  AddAnimation(u"KREISEND", 3, false);  // loops: it never finishes
  for (const char16_t* keys : {u"", u"<ANI_START> \"KREISEND\" <\\ANI_START> <ANI_ENDE> \"KREISEND\" <\\ANI_ENDE>"}) {
    auto& teleport = Make<Teleport>(u"TELEPORT", keys);
    *shooter->GetPosition() = Vector2(50.0f, 149.0f);
    ASSERT_EQ(Fire({50.0f, 120.0f}, {1.0f, 0.0f}, {200.0f, 100.0f}), 1);
    EXPECT_EQ(*shooter->GetPosition(), Vector2(200.0f, 100.0f));
    EXPECT_FALSE(teleport.IsActive());
    EXPECT_EQ(teleport.GetUsesThisTurn(), 1);
  }
}

TEST_F(ToolTest, SwitchOpensWormSwitchingForTheTurnWithoutSpendingIt) {
  auto& tool = Make<SwitchWorm>(u"SWITCHWORM", u"");
  ASSERT_EQ(Fire({50.0f, 120.0f}, {1.0f, 0.0f}), 1);
  EXPECT_EQ(globals->switchOpen, 1);
  EXPECT_EQ(tool.GetUsesThisTurn(), 0);
  EXPECT_TRUE(tool.CanFire(*shooter)) << "the worm may still act after switching";
  active->NewTurn();
  EXPECT_EQ(globals->switchOpen, 0);
  EXPECT_EQ(tool.GetAmmoForTeam(own), 0) << "one unit for the turn it was used in";
}

TEST_F(ToolTest, ShieldStandsAtTheTargetForItsRoundsAndTurnsAShell) {
  auto& shield = Make<Schild>(u"SCHILD", u"<SCHILDNAME> \"Schild\" <\\SCHILDNAME> <USES_PER_GAME> \"-1\" "
                                         u"<\\USES_PER_GAME> <USES_PER_ROUND> \"3\" <\\USES_PER_ROUND>");
  KraftfeldListe& fields = *globals->GetKraftfeldListe();
  const struct {
    double arm;
    double limit;
  } cases[] = {{0.3, 2.0}, {3.0, 4.0}, {2.7, 3.0}};
  for (const auto& c : cases) {
    shield.Arm(c.arm);
    EXPECT_EQ(shield.GetStateByte(), 1);
    ASSERT_EQ(Fire({50.0f, 120.0f}, {1.0f, 0.0f}, {200.0f, 100.0f}), 1);
    EXPECT_DOUBLE_EQ(fields.GetActive().back()->GetRoundLimit(), c.limit) << c.arm;
  }
  EXPECT_EQ(*fields.GetActive().back()->GetPosition(), Vector2(200.0f, 100.0f));
  EXPECT_DOUBLE_EQ(globals->busyTime, 2.0);
  fields.Clear();

  // A shell flying right at the shield's centre turns back at its outer circle.
  shield.Arm(1.0);
  active->NewTurn();
  ASSERT_EQ(Fire({50.0f, 120.0f}, {1.0f, 0.0f}, {200.0f, 100.0f}), 1);
  const PartikelInfo* shellType = Type(
      u"<NAME> \"Geschoss\" <\\NAME> <GRAVITATION> \"0\" <\\GRAVITATION> <PARTIKELTYP> \"2\" <\\PARTIKELTYP>");
  const Vector2 start(100.0f, 100.0f), speed(200.0f, 0.0f);
  auto shell = std::make_unique<Partikel>(shellType, &start, &speed, 0xFFFFFFFF, 0);
  Partikel* flying = shell.get();
  globals->GetPartikelListe()->Add(std::move(shell));
  float nearest = 1e9f;
  for (int i = 0; i < 100; ++i) {
    globals->GetPartikelListe()->Update();
    nearest = std::min(nearest, std::abs(flying->GetPosition()->x - 200.0f));
  }
  EXPECT_LT(flying->GetSpeed()->x, 0.0f) << "turned back";
  EXPECT_GT(nearest, 35.0f) << "it never got inside";

  // Each use adds one field; a new game round removes them.
  active->ResetForGame();
  EXPECT_TRUE(fields.GetActive().empty());
}

TEST_F(ToolTest, ShieldOfAnUnknownFieldCountsNoUse) {
  testing::internal::CaptureStderr();
  auto& shield = Make<Schild>(u"SCHILD", u"<SCHILDNAME> \"Nichts\" <\\SCHILDNAME>");
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(shield.Fire(*shooter, {50.0f, 120.0f}, {1.0f, 0.0f}, 1.0, {200.0f, 100.0f}), 0);
  EXPECT_EQ(shield.GetUsesThisTurn(), 0);
  EXPECT_TRUE(globals->GetKraftfeldListe()->GetActive().empty());
}

TEST_F(ToolTest, EffectsOfAUseStartAtTheTurnsEndAndLastTheirRounds) {
  auto library = ParseBody(
      u"<POSTEFFECT_INSTANZ> <NAME> \"A\" <\\NAME> <TIMER_PARAMS> \"0\" \"0\" <\\TIMER_PARAMS>"
      u"  <ROUND_PARAMS> \"1\" \"1\" <\\ROUND_PARAMS> <\\POSTEFFECT_INSTANZ>"
      u"<POSTEFFECT_INSTANZ> <NAME> \"B\" <\\NAME> <TIMER_PARAMS> \"0\" \"0\" <\\TIMER_PARAMS>"
      u"  <ROUND_PARAMS> \"1\" \"1\" <\\ROUND_PARAMS> <\\POSTEFFECT_INSTANZ>",
      u"POSTEFFECTS");
  globals->GetPostEffects()->Load(library.get(), nullptr);
  auto& tool = Make<PostEffectWaffe>(u"POST_EFFECTS", u"<TEXT_ID> \"W\" <\\TEXT_ID> <USES_PER_GAME> \"-1\" "
                                                      u"<\\USES_PER_GAME> <EFFECT_INSTANZ> \"A\" \"Keins\" \"B\" "
                                                      u"<\\EFFECT_INSTANZ>");
  ASSERT_EQ(tool.GetInstances().size(), 2u) << "unknown names are left out";
  EXPECT_EQ(tool.GetRounds(), 1);
  tool.Arm(2.9);
  EXPECT_EQ(tool.GetRounds(), 2);
  EXPECT_EQ(*tool.DescriptionText(true), u"W\nRUNDEN 2");
  for (const auto& instance : tool.GetInstances()) EXPECT_EQ(instance->GetRoundLimit(), 2);

  ASSERT_EQ(Fire({50.0f, 120.0f}, {1.0f, 0.0f}), 1);
  EXPECT_DOUBLE_EQ(globals->busyTime, 1.0);
  Frames(10);
  for (const auto& instance : tool.GetInstances()) EXPECT_FALSE(instance->IsActive()) << "not in this turn";
  active->NewTurn();
  for (const auto& instance : tool.GetInstances()) EXPECT_TRUE(instance->IsActive());
  active->NewTurn();
  for (const auto& instance : tool.GetInstances()) EXPECT_TRUE(instance->IsActive()) << "one round counted";
  tool.Arm(5.0);
  for (const auto& instance : tool.GetInstances()) EXPECT_EQ(instance->GetRoundLimit(), 2) << "running: kept";
  active->NewTurn();
  for (const auto& instance : tool.GetInstances()) EXPECT_FALSE(instance->IsActive()) << "two rounds: over";
}

}  // namespace
