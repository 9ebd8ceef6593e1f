// Person movement on a small drawn world: standing, walking up a slope and a step, being
// stopped by a wall, running, jumping and landing with the landing-damage ramp, falling into
// water and drowning, climbing out of the terrain and what a climb returns to, the order in
// which death is decided, and the round effects.
#include "objects/person.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "engine/animation.h"
#include "engine/animationmanager.h"
#include "engine/frametimer.h"
#include "engine/kvnode.h"
#include "engine/texturdefcache.h"
#include "objects/partikelinfo.h"
#include "objects/personenmanager.h"
#include "objects/simservices.h"
#include "support/kv_fixture.h"
#include "world/terrain_art.h"
#include "world/watersurface.h"
#include "world/welt.h"

namespace {

// 40 x 20: flat ground at row 15 (x 0-11), a slope rising one row every two columns to row
// 11 (x 12-19), a step of two rows up to row 9 (x 20-27), a wall much taller than a step
// (x 28-29), then a pit with water from row 16.5 (x 30-39) and a floating ledge at row 12.
const std::vector<std::string> kArt = {
    "........................................",  // 0
    "........................................",  // 1
    "............................##..........",  // 2
    "............................##..........",  // 3
    "............................##..........",  // 4
    "............................##..........",  // 5
    "............................##..........",  // 6
    "............................##..........",  // 7
    "............................##..........",  // 8
    "....................##########..........",  // 9
    "....................##########..........",  // 10
    "..................############..........",  // 11
    "................##############....####..",  // 12
    "..............################....####..",  // 13
    "............##################....####..",  // 14
    "##############################..........",  // 15
    "##############################..........",  // 16
    "##############################..........",  // 17
    "##############################..........",  // 18
    "##############################..........",  // 19
};

constexpr double kStep = 0.01;
constexpr double kWater = 16.5;

struct FixedWater : WaterSurface {
  double y = kWater;
  double GetSurfaceY() const override { return y; }
};

// A person that records what the movement books on it.
class RecordingPerson : public Person {
 public:
  using Person::Person;
  void AddDamage(double amount) override { damage.push_back(amount); }
  void AddWalked(const Vector2& step) override { walked += step.Length(); }
  void OnKilled() override { ++killed; }
  std::vector<double> damage;
  double walked = 0.0;
  int killed = 0;
};

class PersonWorld : public ::testing::Test {
 protected:
  void SetUp() override {
    Rect rect{0, 0, 40, 20};
    world = std::make_unique<Welt>(&rect);
    world->SetGameLayers(terrain_test::ArtStore(kArt), 0, 0.0f, 0.0f, 0xFFFFFFFF);
    world->SetWaterSurface(&water);
    timer.gameStep = kStep;
    services.timer = &timer;
    services.world = world.get();
    SimServices::Install(&services);
    // A point at the feet that keeps its speed on a bounce, without gravity by default so
    // the landing speeds are the thrown ones.
    type = std::make_unique<PartikelInfo>(
        ParseBody(
            u"<NAME> \"Body\" <\\NAME> <COLLISION_EBENE> \"1\" <\\COLLISION_EBENE>"
            u"<SIZE> \"4\" \"6\" \"0\" \"0\" <\\SIZE> <REIBUNG_COLLISION> \"1\" \"0\" <\\REIBUNG_COLLISION>"
            u"<GRAVITATION> \"0\" \"0\" <\\GRAVITATION>",
            u"PARTIKEL_INFO")
            .get());
    fallingType = std::make_unique<PartikelInfo>(
        ParseBody(
            u"<NAME> \"Faller\" <\\NAME> <COLLISION_EBENE> \"1\" <\\COLLISION_EBENE>"
            u"<SIZE> \"4\" \"6\" \"0\" \"0\" <\\SIZE> <REIBUNG_COLLISION> \"1\" \"0\" <\\REIBUNG_COLLISION>"
            u"<GRAVITATION> \"1\" \"0\" <\\GRAVITATION>",
            u"PARTIKEL_INFO")
            .get());
  }
  void TearDown() override { SimServices::Install(nullptr); }

  // A person with the test's properties (step 3, walk 40, run 100, jump 60) at (x, y).
  std::unique_ptr<RecordingPerson> Make(float x, float y, const PartikelInfo* kind = nullptr) {
    auto p = std::make_unique<RecordingPerson>(kind ? kind : fallingType.get(), nullptr, nullptr, nullptr);
    PersonEigenschaften& props = p->GetProperties();
    props.maxStepRange[0] = props.maxStepRange[1] = 3;
    props.walkRange[0] = props.walkRange[1] = 40.0;
    props.runRange[0] = props.runRange[1] = 100.0;
    props.jumpRange[0] = props.jumpRange[1] = 60.0;
    props.SetSizeRatio(0.5);
    props.SetSpeedRatio(0.5);
    *p->GetPosition() = Vector2(x, y);
    p->SetWorld(world.get());
    return p;
  }

  // Frames until the person is in the state (or the limit).
  static int RunUntil(Person& p, int32_t state, int limit = 1000) {
    for (int i = 0; i < limit; ++i) {
      if (p.GetMoveState() == state) return i;
      p.MoveStep();
    }
    return limit;
  }

  bool SolidBelow(const Person& p) {
    Vector2 pos = *const_cast<Person&>(p).GetPosition();
    return world->GetGameLandschaft()->IsSolidAt(int32_t(pos.x), int32_t(pos.y) + 1);
  }

  FixedWater water;
  FrameTimer timer;
  SimServices services;
  std::unique_ptr<Welt> world;
  std::unique_ptr<PartikelInfo> type;
  std::unique_ptr<PartikelInfo> fallingType;
};

CommandParam Facing(bool right) {
  CommandParam p;
  p.flag = right ? 1 : 0;
  return p;
}

}  // namespace

TEST_F(PersonWorld, StandsOnTheGroundAndFallsWhenItIsGone) {
  auto p = Make(5.5f, 14.0f);
  for (int i = 0; i < 100; ++i) EXPECT_FALSE(p->MoveStep());
  EXPECT_EQ(p->GetMoveState(), Person::kStanding);
  EXPECT_EQ(*p->GetPosition(), Vector2(5.5f, 14.0f));
  EXPECT_DOUBLE_EQ(p->GetTimeBudget(), 0.0);

  // Over open air the ground test lets it fall, and it lands on the pixel above the ground.
  auto q = Make(35.5f, 5.0f);
  q->MoveStep();
  EXPECT_EQ(q->GetMoveState(), Person::kFalling);
  EXPECT_LT(RunUntil(*q, Person::kStanding), 1000);
  EXPECT_FLOAT_EQ(q->GetPosition()->y, 11.0f);
  EXPECT_TRUE(SolidBelow(*q));
  EXPECT_TRUE(q->damage.empty());
}

TEST_F(PersonWorld, WalksUpTheSlopeAndTheStepUntilTheWallStopsIt) {
  auto p = Make(1.5f, 14.0f);
  CommandParam right = Facing(true);
  p->Command(Person::kWalking, &right);
  std::vector<float> heights;
  int frames = 0;
  while (p->GetMoveState() == Person::kWalking && frames < 500) {
    p->MoveStep();
    ++frames;
    // Every step ends on the ground: the pixel below the feet is solid.
    if (p->GetMoveState() == Person::kWalking) {
      ASSERT_TRUE(SolidBelow(*p)) << "frame " << frames;
    }
    heights.push_back(p->GetPosition()->y);
  }
  // Stopped in front of the wall, standing on the step's top, with no time left over.
  EXPECT_EQ(p->GetMoveState(), Person::kStanding);
  EXPECT_FLOAT_EQ(p->GetPosition()->x, 27.5f);
  EXPECT_FLOAT_EQ(p->GetPosition()->y, 8.0f);
  EXPECT_DOUBLE_EQ(p->GetTimeBudget(), 0.0);
  // 26 pixels at 40 pixels per second, one pixel every 0.025 s.
  EXPECT_NEAR(frames, 65, 2);
  EXPECT_NEAR(p->walked, 26.0, 1e-4);
  // The slope is followed pixel by pixel: never more than the step height at once.
  for (size_t i = 1; i < heights.size(); ++i) EXPECT_LE(std::fabs(heights[i] - heights[i - 1]), 3.0f);
}

TEST_F(PersonWorld, RunningCoversMoreGroundAndWalkingLeftMirrors) {
  auto walker = Make(1.5f, 14.0f);
  auto runner = Make(1.5f, 14.0f);
  CommandParam right = Facing(true);
  walker->Command(Person::kWalking, &right);
  runner->Command(Person::kWalking, &right);
  runner->Command(Person::kRunning);
  for (int i = 0; i < 11; ++i) {
    walker->MoveStep();
    runner->MoveStep();
  }
  // 0.11 s: 4 pixels walking, 11 running (give or take the rounding of the summed steps).
  EXPECT_FLOAT_EQ(walker->GetPosition()->x, 5.5f);
  EXPECT_NEAR(runner->GetPosition()->x, 12.5f, 1.0f);

  auto left = Make(8.5f, 14.0f);
  CommandParam leftward = Facing(false);
  left->Command(Person::kWalking, &leftward);
  for (int i = 0; i < 11; ++i) left->MoveStep();
  EXPECT_FLOAT_EQ(left->GetPosition()->x, 4.5f);
  EXPECT_FALSE(left->IsFacingRight());
}

TEST_F(PersonWorld, JumpsAndLandsWithoutHarm) {
  auto p = Make(5.5f, 14.0f);
  CommandParam shortJump;
  shortJump.vector = Vector2(0.1f, 1.0f);
  p->Command(Person::kJumping, &shortJump);
  EXPECT_EQ(p->GetMoveState(), Person::kFalling);
  EXPECT_EQ(p->GetPreviousState(), Person::kFalling);
  EXPECT_EQ(*p->GetSpeed(), Vector2(6.0f, -60.0f));
  float highest = 14.0f;
  int frames = 0;
  while (frames < 500 && !(frames > 0 && p->GetMoveState() == Person::kStanding)) {
    p->MoveStep();
    highest = std::min(highest, p->GetPosition()->y);
    ++frames;
  }
  EXPECT_EQ(p->GetMoveState(), Person::kStanding);
  EXPECT_LT(highest, 0.0f);  // 60 px/s up against 100 px/s^2 rises 18 pixels
  EXPECT_GT(p->GetPosition()->x, 5.5f);
  EXPECT_TRUE(SolidBelow(*p));
  EXPECT_TRUE(p->damage.empty());

  // A jump while falling changes nothing but the stored state.
  auto q = Make(35.5f, 5.0f);
  q->MoveStep();
  ASSERT_EQ(q->GetMoveState(), Person::kFalling);
  const Vector2 speed = *q->GetSpeed();
  q->Command(Person::kJumping);
  q->Command(Person::kJumpingBack);
  EXPECT_EQ(*q->GetSpeed(), speed);
  EXPECT_EQ(q->GetMoveState(), Person::kFalling);
}

TEST_F(PersonWorld, LandingDamageFollowsTheRamp) {
  // Default landing pairs: 200 .. 300 pixels per second cost 1 .. 25, nothing up to 200.
  const struct {
    float speed;
    double damage;  // < 0: none booked
  } cases[] = {{150, -1}, {200, -1}, {250, 13}, {300, 25}, {400, 49}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.speed);
    auto p = Make(5.5f, 8.0f, type.get());  // no gravity: the impact speed is the thrown one
    CommandParam throw_;
    throw_.vector = Vector2(0.0f, c.speed);
    p->Command(Person::kThrown, &throw_);
    EXPECT_LT(RunUntil(*p, Person::kStanding, 100), 100);
    EXPECT_FLOAT_EQ(p->GetPosition()->y, 14.0f);
    if (c.damage < 0) {
      EXPECT_TRUE(p->damage.empty());
    } else {
      ASSERT_EQ(p->damage.size(), 1u);
      EXPECT_NEAR(p->damage[0], c.damage, 1e-9);
    }
  }
}

TEST_F(PersonWorld, FallsIntoTheWaterAndDrowns) {
  auto p = Make(32.5f, 5.0f);
  bool dead = false;
  int frames = 0;
  while (!dead && frames < 500) {
    dead = p->MoveStep();
    ++frames;
  }
  ASSERT_TRUE(dead);
  EXPECT_EQ(p->GetDeathKind(), Person::kDrowned);
  EXPECT_EQ(p->GetMoveState(), Person::kInWater);
  EXPECT_DOUBLE_EQ(p->GetHealth(), 0.0);
  EXPECT_GT(p->GetPosition()->y, kWater);
  EXPECT_EQ(p->killed, 1);
  // Floating in place: death is not decided again and the water holds it sideways.
  for (int i = 0; i < 300; ++i) EXPECT_TRUE(p->MoveStep());
  EXPECT_EQ(p->killed, 1);
  EXPECT_EQ(p->GetMoveState(), Person::kInWater);
  EXPECT_EQ(p->GetPosition()->x, 32.5f);
}

TEST_F(PersonWorld, ClimbsOutOfTheTerrainAndResumesWhatItWasDoing) {
  // Buried in the wall's right column while walking towards the open pit: the step ahead
  // is free, but the feet are deep in the terrain.
  auto p = Make(29.5f, 7.0f);
  CommandParam right = Facing(true);
  p->Command(Person::kWalking, &right);
  p->MoveStep();
  EXPECT_EQ(p->GetMoveState(), Person::kClimbing);
  // Fifty pixels a second upward, one pixel a step.
  for (int i = 0; i < 4; ++i) p->MoveStep();
  EXPECT_NEAR(p->GetPosition()->y, 5.0f, 0.5f);
  // Within a step of the wall's top it walks on, as it did before the climb.
  int frames = 0;
  while (p->GetMoveState() == Person::kClimbing && frames++ < 500) p->MoveStep();
  EXPECT_EQ(p->GetMoveState(), Person::kWalking);
  EXPECT_FLOAT_EQ(p->GetPosition()->y, 3.0f);

  // A standing person buried by terrain climbs and then stands again.
  auto q = Make(24.5f, 14.0f);
  q->MoveStep();
  EXPECT_EQ(q->GetMoveState(), Person::kClimbing);
  frames = 0;
  while (q->GetMoveState() == Person::kClimbing && frames++ < 500) q->MoveStep();
  EXPECT_EQ(q->GetMoveState(), Person::kStanding);
  EXPECT_FLOAT_EQ(q->GetPosition()->y, 10.0f);
}

TEST_F(PersonWorld, JetpackFlightNeverFallsByTheGroundTest) {
  auto p = Make(35.5f, 5.0f, type.get());
  p->Command(Person::kJetpack);
  p->SetInputX(-50.0);
  p->MoveStep();
  EXPECT_EQ(p->GetMoveState(), Person::kJetpack);
  EXPECT_FALSE(p->IsFacingRight());
  for (int i = 0; i < 20; ++i) p->MoveStep();
  EXPECT_EQ(p->GetMoveState(), Person::kJetpack);
  // Input is one frame's: without a call the force is gone.
  EXPECT_EQ(p->ExtraAcceleration().x, 0.0f);
}

TEST_F(PersonWorld, ZeroSpeedBlocksTheWalkInsteadOfDividingByZero) {
  auto p = Make(5.5f, 14.0f);
  p->GetProperties().walkRange[0] = p->GetProperties().walkRange[1] = 0.0;
  p->GetProperties().SetSpeedRatio(0.5);
  CommandParam right = Facing(true);
  p->Command(Person::kWalking, &right);
  p->MoveStep();
  EXPECT_EQ(p->GetMoveState(), Person::kStanding);
  EXPECT_EQ(*p->GetPosition(), Vector2(5.5f, 14.0f));
  EXPECT_TRUE(std::isfinite(p->GetSpeed()->x));
}

TEST_F(PersonWorld, DeathIsDecidedInItsOrderAndOnlyOnce) {
  const struct {
    Vector2 position;
    double health;
    int32_t kind;
  } cases[] = {
      {{5.5f, 14.0f}, 100.0, Person::kAlive},
      {{35.5f, 30.0f}, 100.0, Person::kLeftWorld},  // below the world and the water: the world first
      {{-10.0f, 5.0f}, 0.0, Person::kLeftWorld},    // left of it, health gone too
      {{35.5f, 18.0f}, 0.0, Person::kDrowned},      // under water with no health: drowned
      {{5.5f, 14.0f}, 0.0, Person::kKilled},        // health used up
      {{5.5f, -30.0f}, 100.0, Person::kAlive},      // above the world is not outside
      {{NAN, 14.0f}, 100.0, Person::kLeftWorld},    // a position lost to arithmetic
      {{5.5f, INFINITY}, 100.0, Person::kLeftWorld},
      {{1e30f, 5.0f}, 100.0, Person::kLeftWorld},  // far beyond any integer column
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.position.x << "," << c.position.y);
    auto p = Make(c.position.x, c.position.y);
    p->SetHealth(c.health);
    EXPECT_EQ(p->IsDead(), c.kind != Person::kAlive);
    EXPECT_EQ(p->GetDeathKind(), c.kind);
    EXPECT_EQ(p->killed, c.kind != Person::kAlive ? 1 : 0);
    if (c.kind == Person::kDrowned) {
      EXPECT_EQ(p->GetMoveState(), Person::kInWater);
    }
    // Once dead it stays dead without deciding again; a reset makes it alive.
    *p->GetPosition() = Vector2(5.5f, 14.0f);
    p->SetHealth(100.0);
    EXPECT_EQ(p->IsDead(), c.kind != Person::kAlive);
    EXPECT_LE(p->killed, 1);
    p->ResetMovement();
    EXPECT_FALSE(p->IsDead());
  }
  // A lost or far-away position never hangs the movement: the frame ends and the person is
  // dead.
  for (Vector2 at : {Vector2(NAN, NAN), Vector2(-1e30f, 1e30f), Vector2(1e9f, 5.0f)}) {
    auto lost = Make(at.x, at.y);
    CommandParam right = Facing(true);
    lost->Command(Person::kWalking, &right);
    lost->Command(Person::kRunning);
    EXPECT_TRUE(lost->MoveStep());
    EXPECT_EQ(lost->GetDeathKind(), Person::kLeftWorld);
  }
}

TEST_F(PersonWorld, AnimationFollowsTheStateAndDeathPlaysOnce) {
  AnimationManager animations(nullptr);
  // Named animations without pictures; the death one ends after 2 frames (0.08 s).
  for (const char16_t* name : {u"Steh", u"Lauf", u"Renn", u"Fall", u"Kletter", u"Nass", u"Kreuz"})
    animations.AddAnimation(std::make_unique<Animation>(
        ParseBody(std::u16string(u"<NAME> \"") + name + u"\" <\\NAME> <FRAMES> \"0\" \"1\" <\\FRAMES>", u"A")
            .get(),
        nullptr, animations));
  animations.AddAnimation(std::make_unique<Animation>(
      ParseBody(
          u"<NAME> \"Tot\" <\\NAME> <FRAMES> \"0\" \"1\" \"2\" <\\FRAMES> <PLAY_TYP> \"CLAMP\" <\\PLAY_TYP>"
          u"<MAXFRAMES> \"2\" <\\MAXFRAMES>",
          u"A")
          .get(),
      nullptr, animations));
  const char16_t* record =
      u"<ANIMATIONEN> <STEHEN> \"Steh\" \"Kreuz\" <\\STEHEN> <LAUFEN> \"Lauf\" <\\LAUFEN> <RENNEN> \"Renn\" "
      u"<\\RENNEN>"
      u"<FALLEN> \"Fall\" <\\FALLEN> <KLETTERN> \"Kletter\" <\\KLETTERN> <ERSOFFEN> \"Nass\" <\\ERSOFFEN>"
      u"<FADENKREUZ> \"Kreuz\" <\\FADENKREUZ> <TOT_6> \"Tot\" <\\TOT_6> <\\ANIMATIONEN>";
  PersonenManager manager;
  auto make = [&](bool withDeath) {
    std::u16string body = record;
    if (!withDeath)
      body.replace(body.find(u"<TOT_6>"), body.find(u"<\\TOT_6>") + 8 - body.find(u"<TOT_6>"), u"");
    auto p =
        std::make_unique<Person>(fallingType.get(), ParseBody(body, u"PERSON").get(), &manager, &animations);
    *p->GetPosition() = Vector2(5.5f, 14.0f);
    p->SetWorld(world.get());
    return p;
  };
  auto playing = [](const Person& p) {
    return p.GetCurrentAnimation() ? p.GetCurrentAnimation()->GetName() : std::u16string(u"-");
  };

  auto p = make(true);
  ASSERT_NE(p->GetSecondAnimation(Person::kAnimStehen), nullptr);
  const struct {
    int32_t state;
    const char16_t* name;
  } byState[] = {{Person::kStanding, u"Steh"}, {Person::kWalking, u"Lauf"}, {Person::kRunning, u"Renn"},
                 {Person::kFalling, u"Fall"},  {Person::kThrown, u"Fall"},  {Person::kClimbing, u"Kletter"},
                 {Person::kJetpack, u"-"}};
  for (const auto& c : byState) {
    p->Command(c.state);
    p->UpdateAnimation();
    EXPECT_EQ(playing(*p), c.name) << c.state;
  }
  p->Command(Person::kStanding);
  p->UpdateAnimation();
  EXPECT_EQ(p->GetCurrentSecondAnimation(), p->GetSecondAnimation(Person::kAnimStehen));
  // Unchanged state: the animation plays on instead of restarting.
  p->UpdateAnimation();
  EXPECT_GT(p->GetCurrentAnimation()->GetFramesPlayed(), 0.0);
  // The crosshair advances with the current ones.
  EXPECT_GT(p->GetAnimation(Person::kAnimFadenkreuz)->GetFramesPlayed(), 0.0);

  // Death by health: the death animation, played to its end, then the corpse once.
  p->ClearEffects();
  p->SetHealth(0.0);
  ASSERT_TRUE(p->IsDead());
  p->UpdateAnimation();
  EXPECT_EQ(p->GetCurrentAnimation(), p->GetAnimation(Person::kAnimTot + 6));
  EXPECT_TRUE(p->IsCorpsePending());
  for (int i = 0; i < 20; ++i) p->UpdateAnimation();
  EXPECT_TRUE(p->GetCurrentAnimation()->IsFinished());
  EXPECT_FALSE(p->IsCorpsePending());
  EXPECT_EQ(p->GetCurrentAnimation(), p->GetAnimation(Person::kAnimTot + 6));

  // Drowned persons show the water animation, and without death animations the state rules.
  auto wet = make(true);
  *wet->GetPosition() = Vector2(35.5f, 18.0f);
  ASSERT_TRUE(wet->IsDead());
  wet->UpdateAnimation();
  EXPECT_EQ(playing(*wet), u"Nass");
  auto plain = make(false);
  plain->SetHealth(0.0);
  ASSERT_TRUE(plain->IsDead());
  plain->UpdateAnimation();
  EXPECT_EQ(playing(*plain), u"Steh");
}

TEST_F(PersonWorld, TheCorpseIsStampedOnceMirroredByFacing) {
  // A death picture of the body's size: red on its left half, green on its right.
  auto texture = std::make_shared<platform::Texture>(4, 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 4; ++x) texture->MutablePixels()[y * 4 + x] = x < 2 ? 0xFFFF0000 : 0xFF00FF00;
  const Rect source{0, 0, 4, 6};
  TexturPartDesc desc;
  desc.source = texture;
  desc.sourceRect = &source;
  TexturPart part(nullptr, desc);
  AnimationManager animations(nullptr);
  auto frames = std::make_unique<AnimationFrames>(u"Leiche");
  auto frame = std::make_unique<AnimationFrame>();
  frame->texture = &part;
  frame->rect = source;
  frames->AddFrame(std::move(frame));
  animations.AddFrames(std::move(frames));
  animations.AddAnimation(std::make_unique<Animation>(
      ParseBody(u"<NAME> \"Tot\" <\\NAME> <ANIMATION_FRAME_NAME> \"Leiche\" <\\ANIMATION_FRAME_NAME> "
                u"<FRAMES> \"0\" <\\FRAMES>"
                u"<PLAY_TYP> \"CLAMP\" <\\PLAY_TYP> <MAXFRAMES> \"1\" <\\MAXFRAMES>",
                u"A")
          .get(),
      nullptr, animations));
  PersonenManager manager;
  auto colourAt = [&](int32_t x, int32_t y) { return *world->GetGameLandschaft()->PeekPixel(x, y); };
  auto redder = [&](int32_t x, int32_t y) {
    return ((colourAt(x, y) >> 16) & 0xFF) > ((colourAt(x, y) >> 8) & 0xFF);
  };

  for (bool right : {true, false}) {
    SCOPED_TRACE(right);
    auto p = std::make_unique<Person>(
        fallingType.get(),
        ParseBody(u"<ANIMATIONEN> <TOT_0> \"Tot\" <\\TOT_0> <\\ANIMATIONEN>", u"PERSON").get(), &manager,
        &animations);
    // Dropped onto the ground (the body takes its size in flight), feet at (5, 14) or (5.5,
    // 14) on a body of 4 x 6: the picture covers x 3-6, rows 10-15.
    *p->GetPosition() = Vector2(5.5f, 11.0f);
    p->SetWorld(world.get());
    p->SetFacingRight(right);
    p->GetProperties().maxStepRange[0] = p->GetProperties().maxStepRange[1] = 3;
    p->GetProperties().SetSizeRatio(0.5);
    p->MoveStep();
    ASSERT_EQ(p->GetMoveState(), Person::kFalling);
    ASSERT_LT(RunUntil(*p, Person::kStanding, 200), 200);
    ASSERT_FLOAT_EQ(p->GetPosition()->y, 14.0f);
    ASSERT_NEAR(p->GetPosition()->x, 5.25f, 0.25f);
    p->ClearEffects();
    p->SetHealth(0.0);
    for (int i = 0; i < 10; ++i) p->MoveStep();
    EXPECT_FALSE(p->IsCorpsePending());
    EXPECT_EQ(redder(3, 12), right);
    EXPECT_EQ(redder(6, 12), !right);
    EXPECT_EQ(colourAt(2, 12) >> 24, 0u);  // nothing beside the picture
    EXPECT_EQ(colourAt(4, 9) >> 24, 0u);
    // Once only: cleared terrain stays clear while the dead person is stepped on.
    *world->GetGameLandschaft()->LockedPixel(4, 11) = 0;
    for (int i = 0; i < 10; ++i) p->MoveStep();
    EXPECT_EQ(colourAt(4, 11), 0u);
    world->SetGameLayers(terrain_test::ArtStore(kArt), 0, 0.0f, 0.0f, 0xFFFFFFFF);
  }
}

TEST(PersonEffects, RoundsCountDownAndCuresEmptyThePoison) {
  using E = Person::EffectEntry;
  Person p(nullptr, nullptr, nullptr, nullptr);
  p.poison = {E{5.0, 2, false}, E{3.0, E::kUnlimited, false}, E{1.0, 1, false}};
  p.SumPoison();
  EXPECT_DOUBLE_EQ(p.poisonPerRound, 9.0);
  EXPECT_EQ(p.poisonRoundsLeft, -1);
  p.poisonGiven = true;

  p.AdvanceRoundEffects();
  EXPECT_FALSE(p.poisonGiven);
  // The one-round entry is gone, the two-round one has one left, the unlimited one stays.
  ASSERT_EQ(p.poison.size(), 2u);
  EXPECT_EQ(p.poison[0].roundsLeft, 1u);
  EXPECT_EQ(p.poison[1].roundsLeft, E::kUnlimited);
  EXPECT_DOUBLE_EQ(p.poisonPerRound, 8.0);

  p.poison.pop_back();
  p.SumPoison();
  EXPECT_EQ(p.poisonRoundsLeft, 1);
  p.healing = {E{10.0, 3, false}, E{0.0, 2, true}};
  p.AdvanceRoundEffects();
  EXPECT_TRUE(p.poison.empty());  // the cure is still there this round
  EXPECT_DOUBLE_EQ(p.healingPerRound, 10.0);
  EXPECT_EQ(p.healingRoundsLeft, 2);
  p.poison = {E{4.0, 5, false}};
  p.AdvanceRoundEffects();  // the cure's last round: it is removed before it acts
  EXPECT_EQ(p.poison.size(), 1u);
  EXPECT_EQ(p.healing.size(), 1u);

  // An entry that was given no rounds goes instead of counting round to unlimited.
  p.poison = {E{4.0, 0, false}};
  p.AdvanceRoundEffects();
  EXPECT_TRUE(p.poison.empty());
  EXPECT_EQ(p.poisonRoundsLeft, 0);

  p.ClearEffects();
  EXPECT_TRUE(p.healing.empty());
  EXPECT_DOUBLE_EQ(p.healingPerRound, 0.0);
}
