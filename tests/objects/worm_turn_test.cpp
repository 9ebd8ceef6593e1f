// The worm's turn from scripted keys at 0.01 s frames: charging and firing, the shot's
// direction and its wait for the fire animation, aiming and its limits, walking, the four
// jumps, a steered weapon's handlers, the requests to the battle, worm switching closing
// on the first press, the turn's beginning and end, when a turn is over, and the
// end-of-turn processing of healing, damage, poison and death with its messages.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "battle/humansteuerung.h"
#include "engine/apiinput.h"
#include "posteffects/posteffectinstance.h"
#include "posteffects/posteffectlibrary.h"
#include "worm_fixture.h"

namespace worm_test {
namespace {

constexpr uint8_t kLeftKey = 203, kRightKey = 205, kUpKey = 200, kDownKey = 208, kSpace = 57, kShift = 42,
                  kEnter = 28, kBackspace = 14, kTab = 15, kDelete = 211, kKey3 = 4;

// A weapon that records what the worm does with it.
class RecordingWeapon final : public Waffe {
 public:
  RecordingWeapon() : Waffe(nullptr, nullptr, nullptr) {}
  struct Shot {
    Vector2 from, direction;
    double strength;
    Vector2 target;
  };
  bool charges = true, target = false, setting = false, steers = false, freeAim = false;
  std::vector<Shot> shots;
  std::vector<double> values;
  std::vector<std::string> calls;
  std::vector<Vector2> aims;

  bool Charges() const override { return charges; }
  bool NeedsTarget() const override { return target; }
  bool HasSetting() const override { return setting; }
  void Arm(double value) override { values.push_back(value); }
  bool TakesSteering() const override { return steers; }
  bool FiresContinuously() const override { return freeAim; }
  // As the real weapons: none fires again while it works.
  bool FireTest(const Objekt&) const override { return !m_active; }
  void OnLeft(double) override { calls.push_back("left"); }
  void OnRight(double) override { calls.push_back("right"); }
  void OnUp(double) override { calls.push_back("up"); }
  void OnDown(double) override { calls.push_back("down"); }
  void OnAction() override { calls.push_back("action"); }
  void OnPlace(double) override { calls.push_back("place"); }
  void OnClick(const Vector2&) override { calls.push_back("click"); }
  void SetAim(const Vector2&, const Vector2& direction) override { aims.push_back(direction); }
  void SetActive(bool on) { m_active = on; }
  void SetUses(int32_t perTurn) { m_usesPerTurn = perTurn; }
  void SetFirePose(const Animation* main, const Animation* second) {
    m_animations[1][0] = main;
    m_animations[1][1] = second;
    m_playAnimation[1] = 1;
  }

 protected:
  int32_t FireImpl(Objekt&, const Vector2& from, const Vector2& direction, double strength,
                   const Vector2& at) override {
    shots.push_back({from, direction, strength, at});
    ++m_usesThisTurn;
    return 1;
  }
};

class WormTurn : public WormWorld {
 protected:
  void SetUp() override {
    WormWorld::SetUp();
    team = Team(1, 0xFF0000FF);
    weapon.AddTeamRecord(team);
    // Ammunition never runs out here: each test's turns are the weapon's own.
    weapon.FindTeamRecord(team)->availabilityOverride = 1;
    worm = Make(100.0f, team);
    worm->SetControl(&control);
    worm->SetWeapon(&weapon);
    worm->SetCurrent(true);
    globals->busyTime = 0.0;
  }

  // One frame: the keys as they stand, the control, then the worm's frame step.
  void Frame() {
    control.Update(input, 0.01, now);
    now += 10;
    worm->FrameUpdate();
  }
  void Frames(double seconds) {
    for (int i = 0, n = int(std::lround(seconds * 100.0)); i < n; ++i) Frame();
  }
  void Key(uint8_t key, bool down) { input.keyboard.keys[key] = down ? 0x80 : 0; }
  // The keys down for that long, then let go.
  void Hold(const std::vector<uint8_t>& keys, double seconds) {
    for (uint8_t k : keys) Key(k, true);
    Frames(seconds);
    for (uint8_t k : keys) Key(k, false);
  }
  // A short press, then the rest of the double-press window so it counts as single.
  void Tap(uint8_t key) {
    Hold({key}, 0.05);
    Frames(0.3);
  }

  HumanSteuerung control{&context};
  InputState input;
  uint32_t now = 5000;
  RecordingWeapon weapon;
  Mannschaft* team = nullptr;
  std::unique_ptr<Worm> worm;
};

TEST_F(WormTurn, HeldFireChargesAndReleasesOrFiresByItselfWhenFull) {
  const struct {
    double held;
    double strength;
  } cases[] = {{0.2, 0.1}, {1.0, 0.5}, {1.5, 0.75}, {2.0, 1.0}, {3.0, 1.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.held);
    weapon.shots.clear();
    weapon.NewTurn();
    globals->busyTime = 0.0;
    Key(kSpace, true);
    Frames(c.held);
    // A full charge has gone without letting go; anything less waits for the release.
    EXPECT_EQ(weapon.shots.size(), c.strength >= 1.0 ? 1u : 0u);
    EXPECT_DOUBLE_EQ(globals->busyTime, 1.0) << "charging holds the turn clock";
    Key(kSpace, false);
    Frames(0.1);
    ASSERT_EQ(weapon.shots.size(), 1u) << "one shot, whether released or full";
    EXPECT_NEAR(weapon.shots[0].strength, c.strength, 1e-9);
    EXPECT_EQ(worm->GetStrength(), 0.0);
    EXPECT_EQ(worm->GetEigenschaften().weaponsUsed[WormEigenschaften::kRound], int(&c - cases) + 1);
  }
}

TEST_F(WormTurn, AWeaponThatDoesNotChargeFiresOncePerPress) {
  weapon.charges = false;
  weapon.SetUses(5);
  Hold({kSpace}, 0.5);
  EXPECT_EQ(weapon.shots.size(), 1u) << "held down, it does not fire again";
  Frames(0.1);
  Hold({kSpace}, 0.05);
  EXPECT_EQ(weapon.shots.size(), 2u);
}

TEST_F(WormTurn, TheShotGoesAlongTheAimMirroredWhenFacingLeft) {
  weapon.charges = false;
  weapon.SetUses(10);
  const struct {
    double aim;
    bool right;
  } cases[] = {{0.0, true}, {-30.0, true}, {-30.0, false}, {45.0, false}, {-90.0, true}};
  for (const auto& c : cases) {
    worm->SetAimAngle(c.aim);
    worm->SetFacingRight(c.right);
    weapon.shots.clear();
    Hold({kSpace}, 0.02);
    Frames(0.02);
    ASSERT_EQ(weapon.shots.size(), 1u);
    const double a = c.aim * 3.14159265358979 / 180.0;
    EXPECT_NEAR(weapon.shots[0].direction.x, (c.right ? 1.0 : -1.0) * std::cos(a), 1e-5) << c.aim;
    EXPECT_NEAR(weapon.shots[0].direction.y, std::sin(a), 1e-5) << c.aim;
    const Vector2 from = worm->GetShotPosition(0, false);
    EXPECT_EQ(weapon.shots[0].from.x, from.x);
    EXPECT_EQ(weapon.shots[0].from.y, from.y);
  }
}

TEST_F(WormTurn, TheShotWaitsForHalfTheFireAnimation) {
  weapon.charges = false;
  AnimationManager& animations = *globals->GetAnimationManager();
  // A 2-frame overlay at 10 frames a second, once through or looping: half is 0.1 s. The
  // looping one comes back to its first frame before its position shows a half.
  for (const char16_t* name : {u"B_DADDEL_0", u"B_STEHEN"}) {
    SCOPED_TRACE(platform::U16ToUtf8(name));
    auto main = animations.CreateAnimation(u"A_STEHEN");
    auto overlay = animations.CreateAnimation(name);
    weapon.SetFirePose(main.get(), overlay.get());
    weapon.shots.clear();
    weapon.NewTurn();
    Key(kSpace, true);
    Frames(0.05);
    EXPECT_TRUE(weapon.shots.empty());
    EXPECT_TRUE(worm->IsFiring());
    Frames(0.1);
    Key(kSpace, false);
    EXPECT_EQ(weapon.shots.size(), 1u);
    EXPECT_FALSE(worm->IsFiring());
    Frames(0.05);
  }
}

TEST_F(WormTurn, AimTurnsAtItsRatesAndStopsAtTheVertical) {
  weapon.charges = false;
  const struct {
    std::vector<uint8_t> keys;
    double seconds, start, end;
  } cases[] = {{{kUpKey}, 1.0, 0.0, -36.0},         {{kUpKey, kShift}, 1.0, 0.0, -72.0},
               {{kDownKey}, 0.5, 10.0, 28.0},       {{kDownKey, kShift}, 0.5, 0.0, 36.0},
               {{kUpKey}, 3.0, 0.0, -90.0},         {{kDownKey, kShift}, 2.0, 0.0, 90.0}};
  for (const auto& c : cases) {
    worm->SetAimAngle(c.start);
    Hold(c.keys, c.seconds);
    EXPECT_NEAR(worm->GetAimAngle(), c.end, 1e-9) << c.seconds;
  }
  // A worm that cannot fire does not aim.
  worm->SetCurrent(false);
  worm->SetAimAngle(0.0);
  Hold({kUpKey}, 0.5);
  EXPECT_EQ(worm->GetAimAngle(), 0.0);
}

TEST_F(WormTurn, AWeaponAimedWhileItWorksIsToldTheAim) {
  weapon.freeAim = true;
  weapon.SetActive(true);
  worm->SetAimAngle(0.0);
  Hold({kUpKey}, 0.5);
  EXPECT_NEAR(worm->GetAimAngle(), -18.0, 1e-9) << "only the free aim turns it, once";
  ASSERT_FALSE(weapon.aims.empty());
  EXPECT_NEAR(weapon.aims.back().y, std::sin(-18.0 * 3.14159265358979 / 180.0), 1e-5);
}

TEST_F(WormTurn, WalkingRunningAndStopping) {
  weapon.charges = false;
  Key(kRightKey, true);
  Frame();
  EXPECT_EQ(worm->GetMoveState(), Person::kWalking);
  EXPECT_TRUE(worm->IsFacingRight());
  Key(kShift, true);
  Key(kRightKey, false);
  Key(kLeftKey, true);
  Frame();
  EXPECT_EQ(worm->GetMoveState(), Person::kRunning);
  EXPECT_FALSE(worm->IsFacingRight());
  const float x = worm->GetPosition()->x;
  Frames(0.5);
  EXPECT_LT(worm->GetPosition()->x, x - 20.0f) << "running left at 60 a second";
  Key(kLeftKey, false);
  Key(kShift, false);
  Frame();
  EXPECT_EQ(worm->GetMoveState(), Person::kStanding);
  // A worm whose turn it is not stops walking.
  worm->Command(Person::kWalking);
  worm->SetCurrent(false);
  Frame();
  EXPECT_EQ(worm->GetMoveState(), Person::kStanding);
}

TEST_F(WormTurn, TheFourJumpsTakeOffAlongTheirVectors) {
  // Jump speed 100: forward (J, -J), high (J/2, -2J), hop back (-J/2, -J/2), back flip
  // (-J/5, -3J), mirrored when facing left.
  const struct {
    int32_t command;
    uint32_t flag;
    bool right;
    Vector2 speed;
  } cases[] = {
      {Person::kJumping, 0, true, {100.0f, -100.0f}},  {Person::kJumping, 1, true, {50.0f, -200.0f}},
      {Person::kJumpingBack, 0, true, {-50.0f, -50.0f}}, {Person::kJumpingBack, 1, true, {-20.0f, -300.0f}},
      {Person::kJumping, 0, false, {-100.0f, -100.0f}}, {Person::kJumpingBack, 1, false, {20.0f, -300.0f}},
  };
  for (const auto& c : cases) {
    auto w = Make(100.0f);
    w->SetFacingRight(c.right);
    CommandParam param;
    param.flag = c.flag;
    w->Command(c.command, &param);
    EXPECT_EQ(w->GetMoveState(), Person::kFalling);
    EXPECT_NEAR(w->GetSpeed()->x, c.speed.x, 1e-4) << c.command << " " << c.flag;
    EXPECT_NEAR(w->GetSpeed()->y, c.speed.y, 1e-4) << c.command << " " << c.flag;
    EXPECT_EQ(w->GetCurrentAnimation(), w->GetAnimation(Person::kAnimSpringen));
    // In the air a jump changes nothing.
    w->Command(Person::kJumping, &param);
    EXPECT_NEAR(w->GetSpeed()->x, c.speed.x, 1e-4);
  }
  // The direction overrides the facing; the backward flag turns it round.
  auto w = Make(100.0f);
  EXPECT_EQ(w->GetJumpVector(Worm::kJumpForward, -1).x, -100.0f);
  EXPECT_EQ(w->GetJumpVector(Worm::kJumpBackward, 1).x, -50.0f);
}

TEST_F(WormTurn, TheJetPackLiftsOffAndAThrowLeavesTheGround) {
  // Standing on the ground row 80: the jet pack starts 2 pixels above it, a throw 2 higher
  // than it stood.
  auto w = Make(100.0f);
  w->Command(Person::kJetpack);
  EXPECT_EQ(w->GetMoveState(), Person::kJetpack);
  EXPECT_EQ(w->GetPosition()->y, 78.0f);
  EXPECT_EQ(*w->GetSpeed(), Vector2(0.0f, -100.0f));
  auto t = Make(100.0f);
  CommandParam param;
  param.vector = Vector2(30.0f, -40.0f);
  t->Command(Person::kThrown, &param);
  EXPECT_EQ(t->GetPosition()->y, 77.0f);
  EXPECT_EQ(*t->GetSpeed(), param.vector);
  // A weapon at work keeps the worm from walking off.
  weapon.SetActive(true);
  Hold({kRightKey}, 0.1);
  EXPECT_EQ(worm->GetMoveState(), Person::kStanding);
  EXPECT_EQ(worm->GetPosition()->x, 100.0f);
}

TEST_F(WormTurn, KeysJumpSingleOrDouble) {
  weapon.charges = false;
  const struct {
    uint8_t key;
    bool twice;
    Vector2 speed;
  } cases[] = {{kEnter, false, {100.0f, -100.0f}},
               {kEnter, true, {50.0f, -200.0f}},
               {kBackspace, false, {-50.0f, -50.0f}},
               {kBackspace, true, {-20.0f, -300.0f}}};
  for (const auto& c : cases) {
    *worm->GetPosition() = Vector2(100.0f, 79.0f);
    worm->Command(Person::kStanding);
    // The presses are read by the control step alone, so the take-off speed stays to be seen.
    auto step = [&](double seconds, bool down) {
      Key(c.key, down);
      for (int i = 0, n = int(std::lround(seconds * 100.0)); i < n; ++i) {
        control.Update(input, 0.01, now);
        now += 10;
        worm->FireStep();
      }
    };
    step(0.05, true);
    step(0.1, false);
    if (c.twice) step(0.05, true);
    for (int i = 0; i < 40 && worm->GetMoveState() == Person::kStanding; ++i) step(0.01, false);
    EXPECT_EQ(worm->GetMoveState(), Person::kFalling);
    EXPECT_NEAR(worm->GetSpeed()->x, c.speed.x, 1e-4) << int(c.key) << c.twice;
    EXPECT_NEAR(worm->GetSpeed()->y, c.speed.y, 1e-4) << int(c.key) << c.twice;
    step(0.3, false);
  }
}

TEST_F(WormTurn, ASteeredWeaponTakesTheKeysInsteadOfTheWorm) {
  weapon.steers = true;
  weapon.SetActive(true);
  Key(kLeftKey, true);
  Key(kUpKey, true);
  Frame();
  Key(kLeftKey, false);
  Key(kUpKey, false);
  EXPECT_EQ(worm->GetMoveState(), Person::kStanding) << "the worm does not walk";
  EXPECT_EQ(worm->GetAimAngle(), 0.0);
  EXPECT_EQ(weapon.calls, (std::vector<std::string>{"left", "up"}));
  weapon.calls.clear();
  // Fire acts once per press; the target button holds every frame and clicks once.
  input.buttons[0] = 0x80;
  Key(kSpace, true);
  Frames(0.03);
  input.buttons[0] = 0;
  Key(kSpace, false);
  Frame();
  EXPECT_EQ(weapon.calls, (std::vector<std::string>{"action", "place", "click", "place", "place"}));
  EXPECT_TRUE(weapon.shots.empty());
}

TEST_F(WormTurn, RequestsToTheBattleAndTheLabelMode) {
  weapon.charges = false;
  input.buttons[1] = 0x80;
  Frame();
  input.buttons[1] = 0;
  EXPECT_EQ(globals->panelRequest, 3);
  globals->panelRequest = 0;
  Frame();
  EXPECT_EQ(globals->panelRequest, 0) << "a press asks once";

  Hold({kTab}, 0.02);
  EXPECT_EQ(globals->switchWormRequest, 0) << "switching is not open";
  globals->switchAlways = 1;
  Hold({kTab}, 0.02);
  EXPECT_EQ(globals->switchWormRequest, 1);

  // Any worm, whose turn it is or not, turns the label mode on.
  worm->SetCurrent(false);
  Manager().labelMode = 4;
  Hold({kDelete}, 0.02);
  EXPECT_EQ(Manager().labelMode, 0);
}

TEST_F(WormTurn, WithSwitchingOpenTheFirstFireOnlyClosesIt) {
  for (bool charges : {false, true}) {
    weapon.charges = charges;
    weapon.shots.clear();
    weapon.NewTurn();
    globals->switchOpen = 1;
    Hold({kSpace}, 0.3);
    Frames(0.05);
    EXPECT_EQ(globals->switchOpen, 0);
    EXPECT_TRUE(weapon.shots.empty());
    Hold({kSpace}, 0.3);
    Frames(0.05);
    EXPECT_EQ(weapon.shots.size(), 1u);
  }
}

TEST_F(WormTurn, ValueKeysAndATargetAtTheCursor) {
  weapon.charges = false;
  weapon.setting = true;
  weapon.target = true;
  Hold({kKey3}, 0.01);
  EXPECT_EQ(weapon.values, std::vector<double>{3.0});
  // The target button takes the point under the cursor; the shot goes there.
  globals->cursorPoint = Vector2(150.0f, 20.0f);
  input.buttons[0] = 0x80;
  Frame();
  input.buttons[0] = 0;
  EXPECT_TRUE(worm->IsTargetReady());
  Hold({kSpace}, 0.02);
  ASSERT_EQ(weapon.shots.size(), 1u);
  EXPECT_EQ(weapon.shots[0].target.x, 150.0f);
  EXPECT_EQ(weapon.shots[0].target.y, 20.0f);
}

TEST_F(WormTurn, TheTurnBeginsAndEnds) {
  // The team ran out of the held weapon: the worm puts it away.
  weapon.FindTeamRecord(team)->availabilityOverride = -1;
  worm->SetCurrent(false);
  worm->BeginTurn();
  EXPECT_TRUE(worm->IsCurrent());
  EXPECT_EQ(worm->GetWeapon(), nullptr);
  weapon.FindTeamRecord(team)->availabilityOverride = 1;
  worm->SetWeapon(&weapon);
  Hold({kSpace}, 0.5);
  worm->SetTarget(Vector2(1.0f, 1.0f));
  worm->EndTurn();
  EXPECT_FALSE(worm->IsCurrent());
  EXPECT_EQ(worm->GetStrength(), 0.0);
  EXPECT_FALSE(worm->IsTargetReady());
  // Between turns the worm ignores its keys.
  Hold({kSpace, kRightKey}, 0.5);
  EXPECT_TRUE(weapon.shots.empty());
  EXPECT_EQ(worm->GetStrength(), 0.0);
  EXPECT_EQ(worm->GetMoveState(), Person::kStanding);
}

TEST_F(WormTurn, EffectsTheWormWasHitWithShowDuringItsNextTurn) {
  // One effect lasts a round, one half a second of the worm's turns; both switch a
  // saturation at once.
  auto sections = ParseBody(
      u"<PE_SATURATE> <NAME> \"S\" <\\NAME> <\\PE_SATURATE>"
      u"<PEA_SATURATE> <NAME> \"A\" <\\NAME> <POSTEFFECT_NAME> \"S\" <\\POSTEFFECT_NAME>"
      u" <SATURATE_PARAMS_ACTIVE> \"0\" <\\SATURATE_PARAMS_ACTIVE> <SATURATE_PARAMS_INACTIVE> \"1\" <\\SATURATE_PARAMS_INACTIVE>"
      u" <SPEED> \"0\" \"0\" \"0\" <\\SPEED> <\\PEA_SATURATE>"
      u"<POSTEFFECT_INSTANZ> <NAME> \"RUNDE\" <\\NAME> <ANIMATOR_NAME> \"A\" <\\ANIMATOR_NAME>"
      u" <TIMER_PARAMS> \"0\" \"0\" <\\TIMER_PARAMS> <ROUND_PARAMS> \"1\" \"1\" <\\ROUND_PARAMS> <\\POSTEFFECT_INSTANZ>"
      u"<POSTEFFECT_INSTANZ> <NAME> \"ZEIT\" <\\NAME> <ANIMATOR_NAME> \"A\" <\\ANIMATOR_NAME>"
      u" <TIMER_PARAMS> \"1\" \"0.5\" <\\TIMER_PARAMS> <\\POSTEFFECT_INSTANZ>",
      u"POSTEFFECTS");
  globals->GetPostEffects()->Load(sections.get(), nullptr);
  worm->EndTurn();
  worm->ApplyPostEffectRamp(*worm->GetPosition(), {u"RUNDE", u"ZEIT"}, DistanceRamp{1.0, 1.0, 0.0, 1000.0});
  ASSERT_EQ(worm->Effects().size(), 2u);
  auto active = [&](const std::u16string& name) {
    for (const auto& effect : worm->Effects())
      if (effect->GetName() == name) return effect->IsActive();
    return false;
  };
  Frames(1.0);
  EXPECT_FALSE(active(u"RUNDE")) << "not before the worm's turn";

  worm->BeginTurn();
  EXPECT_TRUE(active(u"RUNDE"));
  EXPECT_TRUE(active(u"ZEIT"));
  Frames(0.3);
  EXPECT_TRUE(active(u"ZEIT"));
  Frames(0.3);
  EXPECT_FALSE(active(u"ZEIT")) << "its time is up";
  EXPECT_TRUE(active(u"RUNDE")) << "for the whole turn";
  EXPECT_EQ(globals->GetPostEffects()->GetActiveList().size(), 1u) << "the timed one went";
  worm->EndTurn();
  EXPECT_FALSE(active(u"RUNDE"));
  Frames(0.01);
  EXPECT_TRUE(worm->Effects().empty()) << "both done and gone";
  EXPECT_FALSE(globals->GetPostEffects()->HasActiveEffects());
}

TEST_F(WormTurn, ATurnIsOverWhenTheWeaponIsSpentAndNothingHoldsIt) {
  const struct {
    int32_t status;
    bool weapon, spent;
    double hold;
    bool over;
  } cases[] = {{0, false, false, 0.0, false}, {0, true, false, 0.0, false}, {0, true, true, 0.0, true},
               {0, true, true, 0.5, false},   {2, false, false, 0.0, true},  {3, true, false, 1.0, true}};
  for (const auto& c : cases) {
    weapon.NewTurn();
    worm->status = c.status;
    worm->SetWeapon(c.weapon ? &weapon : nullptr);
    if (c.spent) weapon.Fire(*worm, Vector2(), Vector2(1.0f, 0.0f), 0.5, Vector2());
    globals->busyTime = c.hold;
    EXPECT_EQ(worm->IsTurnOver(), c.over) << &c - cases;
  }
}

TEST_F(WormTurn, ACorpseNeitherHoldsItsOwnTurnNorTheEndOfOne) {
  worm->status = 0;
  EXPECT_FALSE(worm->IsTurnOver());
  // Thrown: a living worm in the air is not at rest, a dead one is.
  auto other = Make(50.0f, team);
  CommandParam param;
  param.vector = Vector2(0.0f, -50.0f);
  other->Command(Person::kThrown, &param);
  EXPECT_FALSE(other->IsAtRest());
  other->SetHealth(0.0);
  EXPECT_TRUE(other->IsAtRest());
  EXPECT_TRUE(worm->IsAtRest());
  // The worm at turn drowns: its turn is over.
  *worm->GetPosition() = Vector2(100.0f, 2000.0f);
  EXPECT_TRUE(worm->IsTurnOver());
  EXPECT_TRUE(worm->IsAtRest());
}

TEST_F(WormTurn, EnteringWaterSlowsTheWormUntilItIsReset) {
  const double speed = worm->GetMaxSpeed(), friction = worm->GetAirFriction();
  worm->Command(Person::kInWater);
  EXPECT_EQ(worm->GetMoveState(), Person::kInWater);
  EXPECT_EQ(worm->GetMaxSpeed(), Worm::kWaterMaxSpeed);
  EXPECT_EQ(worm->GetAirFriction(), Worm::kWaterAirFriction);
  worm->Reset();
  EXPECT_EQ(worm->GetMaxSpeed(), speed);
  EXPECT_EQ(worm->GetAirFriction(), friction);
}

// The lines shown since the list had `from` of them.
std::vector<std::u16string> Lines(const MyGlobals& g, size_t from) {
  std::vector<std::u16string> out;
  for (size_t i = from; i < g.fadingTextList.Lines().size(); ++i) out.push_back(g.fadingTextList.Lines()[i]->text);
  return out;
}

TEST_F(WormTurn, TheEndOfATurnHealsHurtsAndPoisonsThenDecidesDeath) {
  const DistanceRamp poison{5.0, 5.0, 0.0, 40.0};
  const struct {
    double health, heal, pending, poison;
    bool deadBefore;
    double after;
    bool died;
    std::vector<std::u16string> lines;
  } cases[] = {
      {100.0, 10.0, 30.0, 5.0, false, 75.0, false,
       {u"Vorlage lost 30", u"Vorlage poisoned 5", u"Vorlage healed 10"}},
      {100.0, 0.0, 0.0, 0.0, false, 100.0, false, {}},
      {20.0, 0.0, 30.0, 0.0, false, -10.0, true, {u"Vorlage died"}},
      {20.0, 0.0, 20.0, 0.0, false, 0.0, true, {u"Vorlage died"}},
      // Healing that comes in time saves a worm.
      {20.0, 15.0, 30.0, 0.0, false, 5.0, false, {u"Vorlage lost 30", u"Vorlage healed 15"}},
      // Already dead: no second death, but what still happens is told.
      {0.0, 0.0, 12.5, 0.0, true, -12.5, false, {u"Vorlage lost 12"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    const size_t shown = globals->fadingTextList.Lines().size();
    auto w = Make(100.0f, team);
    w->SetControl(&control);
    w->SetHealth(c.health);
    if (c.heal > 0.0) w->Heal(c.heal, false, 2, false);
    if (c.poison > 0.0) w->ApplyPoison(Centre(*w), &poison, 2);
    if (c.deadBefore) ASSERT_TRUE(w->IsDead());
    w->SetPendingDamage(c.pending);
    w->NextRound();
    EXPECT_DOUBLE_EQ(w->GetHealth(), c.after);
    EXPECT_EQ(w->HasDiedThisRound(), c.died);
    EXPECT_EQ(w->IsDead(), c.died || c.deadBefore);
    EXPECT_EQ(w->GetPendingDamage(), 0.0);
    EXPECT_EQ(Lines(*globals, shown), c.lines);
  }
}

TEST_F(WormTurn, TheEndOfATurnEndsTheFireSequenceAndForgetsPresses) {
  weapon.charges = false;
  AnimationManager& animations = *globals->GetAnimationManager();
  auto main = animations.CreateAnimation(u"A_STEHEN");
  auto overlay = animations.CreateAnimation(u"B_DADDEL_0");
  weapon.SetFirePose(main.get(), overlay.get());
  Key(kSpace, true);
  Frames(0.03);
  ASSERT_TRUE(worm->IsFiring());
  worm->NextRound();
  EXPECT_FALSE(worm->IsFiring());
  // The press under way is not taken again as a new one.
  EXPECT_FALSE(control.IsDown(Aktion::kFire, Steuerung::kPrimary));
}

TEST_F(WormTurn, TheFrameStepKeepsTheSizeAndCountsTheTimeAtTurn) {
  worm->GetSize()->x = 3.0f;
  Frames(0.5);
  EXPECT_EQ(*worm->GetSize(), worm->GetEigenschaften().size);
  EXPECT_NEAR(worm->GetEigenschaften().timeOnTurn[WormEigenschaften::kRound], 0.5, 1e-9);
  // The team steps its worms; a worm of status 2 is left alone.
  team->AddWormToPlayOrder(worm.get(), world.get(), worm->GetPosition());
  worm->SetCurrent(true);
  team->Update();
  EXPECT_NEAR(worm->GetEigenschaften().timeOnTurn[WormEigenschaften::kRound], 0.51, 1e-9);
  worm->status = 2;
  team->Update();
  EXPECT_NEAR(worm->GetEigenschaften().timeOnTurn[WormEigenschaften::kRound], 0.51, 1e-9);
}

}  // namespace
}  // namespace worm_test
