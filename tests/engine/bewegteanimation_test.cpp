// Moving animations through the Null device's recorded draws: reading, placing, drawing
// with size, offset, scale and angle, children riding on the parent's path, the random draws
// of a clone in order, and the effect pass gated by the render-extra colours.
#include "engine/bewegteanimation.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>

#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "engine/pendingsteps.h"
#include "engine/renderextralookup.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"
#include "platform/random.h"
#include "platform/text.h"
#include "support/draws.h"
#include "support/png.h"
#include "support/temp_dir.h"

namespace {

const char16_t* const kDefinitions =
    u"<>\n \t<\\>\n<ANI>"
    // Two 32 x 32 frames side by side, and a frame of no width.
    u"<ANIMATION_FRAMES> <NAME> \"Zwei\" <\\NAME> <ANIMATIONFILE> <SEARCHPATH> \"anim\" <\\SEARCHPATH>"
    u"  <TEXTUR_FILE> \"frames.png\" <\\TEXTUR_FILE> <FIRST_FRAME> \"0\" \"0\" \"32\" \"32\" <\\FIRST_FRAME>"
    u"  <ANZAHL> \"2\" \"1\" <\\ANZAHL> <\\ANIMATIONFILE> <\\ANIMATION_FRAMES>"
    u"<ANIMATION_FRAMES> <NAME> \"Strich\" <\\NAME> <FRAME> \"anim\" <TEXTUR_FILE> \"frames.png\" "
    u"<\\TEXTUR_FILE>"
    u"  <TEX_RECT> \"5\" \"0\" \"5\" \"32\" <\\TEX_RECT> <\\FRAME> <\\ANIMATION_FRAMES>"
    u"<ANIMATION> <NAME> \"Flug\" <\\NAME> <ANIMATION_FRAME_NAME> \"Zwei\" <\\ANIMATION_FRAME_NAME>"
    u"  <PLAY_TYP> \"FORWARD_BACKWARD\" <\\PLAY_TYP> <\\ANIMATION>"
    u"<ANIMATION> <NAME> \"Strich\" <\\NAME> <ANIMATION_FRAME_NAME> \"Strich\" <\\ANIMATION_FRAME_NAME> "
    u"<\\ANIMATION>"
    u"<PFADANIMATION> <NAME> \"Abwaerts\" <\\NAME> <LINEAR> \"1\" <\\LINEAR> <SPEED> \"100\" <\\SPEED>"
    u"  <CREATE_MANUELL> <POINT> \"0\" \"0\" <\\POINT> <POINT> \"0\" \"100\" <\\POINT> <\\CREATE_MANUELL> "
    u"<\\PFADANIMATION>"
    u"<PFADANIMATION> <NAME> \"Schwarm\" <\\NAME> <CREATE_RANDOM_RAND> <RECT> \"0\" \"0\" \"200\" \"100\" "
    u"<\\RECT>"
    u"  <ANZ_PUNKTE> \"3\" <\\ANZ_PUNKTE> <\\CREATE_RANDOM_RAND> <\\PFADANIMATION>"
    u"<BEWEGTEANIMATION> <NAME> \"Fest\" <\\NAME> <RENDER_EXTRA_ID> \"3\" <\\RENDER_EXTRA_ID>"
    u"  <ANIMATION_SIZE> <ANIMATION> \"Flug\" \"64\" \"32\" <\\ANIMATION> <\\ANIMATION_SIZE>"
    u"  <POSITION> \"100\" \"50\" <\\POSITION> <\\BEWEGTEANIMATION>"
    u"<BEWEGTEANIMATION> <NAME> \"Kind\" <\\NAME> <PFAD> \"Schwarm\" <\\PFAD> <DEFAULT_SIZE> \"16\" \"8\" "
    u"<\\DEFAULT_SIZE>"
    u"  <ANIMATION_SIZE> <ANIMATION> \"Flug\" <\\ANIMATION> <\\ANIMATION_SIZE> <\\BEWEGTEANIMATION>"
    u"<BEWEGTEANIMATION> <NAME> \"Eltern\" <\\NAME> <PFAD> \"Abwaerts\" <\\PFAD>"
    u"  <ANIMATION_SIZE> <ANIMATION> \"Flug\" \"32\" \"32\" <\\ANIMATION> <\\ANIMATION_SIZE>"
    u"  <BEWEGTEANIMATIONEN> \"Kind\" \"Unbekannt\" \"Kind\" <\\BEWEGTEANIMATIONEN>"
    u"  <ROTATE_WITH_DIR> \"1\" <\\ROTATE_WITH_DIR> <ROTATION> \"90\" <\\ROTATION> <\\BEWEGTEANIMATION>"
    u"<BEWEGTEANIMATION> <NAME> \"Wahl\" <\\NAME> <PFAD> \"Schwarm\" <\\PFAD>"
    u"  <ANIMATION_SIZE> <ANIMATION> \"Flug\" \"64\" \"32\" <\\ANIMATION> <ANIMATION> \"Strich\" \"8\" \"4\" "
    u"<\\ANIMATION>"
    u"  <\\ANIMATION_SIZE> <\\BEWEGTEANIMATION>"
    u"<BEWEGTEANIMATION> <NAME> \"Flach\" <\\NAME> <ANIMATION_SIZE> <ANIMATION> \"Strich\" <\\ANIMATION> "
    u"<\\ANIMATION_SIZE>"
    u"  <RECT> \"10.7\" \"20\" \"111\" \"81\" <\\RECT> <PFAD> \"Fehlt\" <\\PFAD> <\\BEWEGTEANIMATION>"
    u"<\\ANI>";

class MovingAnimations : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WriteDataArchive(
        dir.File("a.gob"),
        {{u"anim\\frames.png", MakePng(64, 32, [](int x, int) { return 0xFF000000u | x; })}}));
    archive = DataArchive::Open(dir.File("a.gob"));
    DisplayEnvironment env;
    env.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(context, env);
    graphics->UseNullDevice(true);
    ASSERT_EQ(graphics->Create(), kResultOk);
    device = graphics->GetDevice();
    manager = std::make_unique<AnimationManager>(graphics.get());
    platform::SRand(1);
    auto root = ParseKVText(kDefinitions);
    manager->LoadFile(root.get(), archive.get());
  }
  void TearDown() override { RenderExtraLookup::Install(nullptr); }

  // The draws of one call inside a sprite batch.
  template <class F>
  const std::vector<platform::DrawRecord>& Draws(F&& draw) {
    device->ClearRecordedDraws();
    graphics->GetSpriteRenderer()->Begin(SpriteRenderer::kAlphaBlend);
    draw();
    graphics->GetSpriteRenderer()->End();
    return device->RecordedDraws();
  }

  TempDir dir;
  std::unique_ptr<DataArchive> archive;
  APIContext context;
  std::unique_ptr<APIGraphics> graphics;
  platform::GraphicsDevice* device = nullptr;
  std::unique_ptr<AnimationManager> manager;
};

// Answers one layer key and index with one colour.
class OneColour : public RenderExtraLookup {
 public:
  OneColour(int32_t key, int32_t index, Argb colour) : m_key(key), m_index(index), m_colour(colour) {}
  bool GetLayerEntry(int32_t layerKey, Argb& colour, int32_t index) const override {
    if (layerKey != m_key) return false;
    if (index == m_index) colour = m_colour;
    return true;
  }

 private:
  int32_t m_key, m_index;
  Argb m_colour;
};

Vector2 Centre(const platform::DrawRecord& d) {
  return (d.corners[0] + d.corners[1] + d.corners[2] + d.corners[3]) * 0.25f;
}

}  // namespace

TEST_F(MovingAnimations, ReadsItsKeysAndPlacesItself) {
  const BewegteAnimation* fest = manager->FindBewegteAnimation(u"Fest");
  ASSERT_NE(fest, nullptr);
  EXPECT_EQ(fest->GetRenderExtraId(), 3);
  EXPECT_EQ(fest->GetSize(), Vector2(64, 32));
  EXPECT_EQ(fest->GetPosition(), Vector2(100, 50));
  EXPECT_EQ(fest->GetPath(), nullptr);
  ASSERT_NE(fest->GetAnimation(), nullptr);
  EXPECT_EQ(fest->GetAnimation()->GetName(), u"Flug");

  // An animation listed without a size takes DEFAULT_SIZE; the area is the path's box.
  const BewegteAnimation* kind = manager->FindBewegteAnimation(u"Kind");
  ASSERT_NE(kind->GetPath(), nullptr);
  EXPECT_EQ(kind->GetAnimationSizes(), (std::vector<Vector2>{{16, 8}}));
  EXPECT_EQ(kind->GetArea(), kind->GetPath()->GetBounds());

  // Unknown child and path names are left out.
  const BewegteAnimation* eltern = manager->FindBewegteAnimation(u"Eltern");
  EXPECT_EQ(eltern->GetChildren().size(), 2u);
  EXPECT_TRUE(eltern->RotatesWithDirection());
  EXPECT_EQ(eltern->GetRotation(), 90.0);
  const BewegteAnimation* flach = manager->FindBewegteAnimation(u"Flach");
  EXPECT_EQ(flach->GetPath(), nullptr);
  // RECT is truncated; the position is its centre by integer division.
  EXPECT_EQ(flach->GetArea(), (Rect{10, 20, 111, 81}));
  EXPECT_EQ(flach->GetPosition(), Vector2(60, 50));

  // Placing a clone with a path: fitted into an area, or centred on a point.
  auto clone = manager->CreateBewegteAnimation(u"Kind");
  clone->SetArea({100, 200, 300, 260});
  EXPECT_EQ(clone->GetPosition(), Vector2(200, 230));
  EXPECT_EQ(clone->GetPath()->GetBounds(), (Rect{100, 200, 300, 260}));
  clone->SetPosition({0, 0});
  EXPECT_EQ(clone->GetPath()->GetBounds(), (Rect{-100, -30, 100, 30}));
  EXPECT_EQ(clone->GetArea(), (Rect{-100, -30, 100, 30}));
}

TEST_F(MovingAnimations, DrawsItsFrameAtItsSizeAroundItsPlace) {
  auto fest = manager->CreateBewegteAnimation(u"Fest");
  const platform::Texture* sheet = fest->GetAnimation()->GetCurrentFrame()->texture->texture;
  auto& plain = Draws([&] { fest->Render(); });
  ASSERT_EQ(plain.size(), 1u);
  EXPECT_EQ(plain[0].texture, sheet);
  EXPECT_EQ(plain[0].source, (Rect{0, 0, 32, 32}));
  EXPECT_EQ(plain[0].corners[0], Vector2(68, 34));
  EXPECT_EQ(plain[0].corners[3], Vector2(132, 66));
  EXPECT_EQ(plain[0].colour, 0xFFFFFFFFu);

  // One frame's time at 25 frames a second shows the second frame; offset and scale apply to
  // the place and the size.
  fest->Update(0.04);
  auto& moved = Draws([&] { fest->RenderTransformed({10, 20}, {2, 2}, 0x80FF0000); });
  ASSERT_EQ(moved.size(), 1u);
  EXPECT_EQ(moved[0].source, (Rect{32, 0, 64, 32}));
  EXPECT_EQ(moved[0].corners[0], Vector2(146, 88));
  EXPECT_EQ(moved[0].corners[3], Vector2(274, 152));
  EXPECT_EQ(moved[0].colour, 0x80FF0000u);

  // A frame of no width draws nothing (and divides by nothing).
  auto flach = manager->CreateBewegteAnimation(u"Flach");
  ASSERT_NE(flach->GetAnimation()->GetCurrentFrame(), nullptr);
  EXPECT_TRUE(Draws([&] { flach->Render(); }).empty());
}

TEST_F(MovingAnimations, TheAngleFollowsTheDirectionOfTravel) {
  struct Case {
    const char16_t* to;  // second point of a path starting at the origin
    const char16_t* keys;
    double angle;
  };
  const double ninety = 90 * 0.01745329238474369;
  const Case cases[] = {
      {u"\"0\" \"100\"", u"<ROTATE_WITH_DIR> \"1\" <\\ROTATE_WITH_DIR> <ROTATION> \"90\" <\\ROTATION>",
       double(1.5707964f) + ninety},
      {u"\"0\" \"-100\"", u"<ROTATE_WITH_DIR> \"1\" <\\ROTATE_WITH_DIR>", double(4.712389f)},
      {u"\"100\" \"100\"", u"<ROTATE_WITH_DIR> \"1\" <\\ROTATE_WITH_DIR>", std::atan(1.0)},
      {u"\"-100\" \"0\"", u"<ROTATE_WITH_DIR> \"1\" <\\ROTATE_WITH_DIR> <ROTATION> \"-90\" <\\ROTATION>",
       double(3.1415927f) - ninety},
      {u"\"-100\" \"100\"", u"<ROTATE_WITH_DIR> \"1\" <\\ROTATE_WITH_DIR>",
       std::atan(-1.0) + double(3.1415927f)},
      // Without ROTATE_WITH_DIR the rotation is taken as radians.
      {u"\"0\" \"100\"", u"<ROTATION> \"90\" <\\ROTATION>", 90.0},
  };
  for (const Case& c : cases) {
    auto root =
        ParseKVText(std::u16string(u"<>\n \t<\\>\n<ANI><PFADANIMATION> <NAME> \"P\" <\\NAME> <LINEAR> \"1\" "
                                   u"<\\LINEAR> <CREATE_MANUELL> <POINT> \"0\" \"0\" <\\POINT> <POINT> ") +
                    c.to +
                    u"<\\POINT> <\\CREATE_MANUELL> <\\PFADANIMATION>"
                    u"<BEWEGTEANIMATION> <NAME> \"B\" <\\NAME> <PFAD> \"P\" <\\PFAD> "
                    u"<ANIMATION_SIZE> <ANIMATION> \"Flug\" \"40\" \"20\" <\\ANIMATION> <\\ANIMATION_SIZE> " +
                    c.keys + u"<\\BEWEGTEANIMATION><\\ANI>");
    manager->LoadFile(root.get(), archive.get());
    auto moving = manager->CreateBewegteAnimation(u"B");
    moving->SetPosition({500, 300});
    moving->Update(0.25);
    EXPECT_EQ(moving->GetAngle(), c.angle) << platform::U16ToUtf8(c.keys);
    // The picture turns about its middle, which stays on the path.
    auto& draws = Draws([&] { moving->Render(); });
    ASSERT_EQ(draws.size(), 1u);
    const Vector2 middle = Centre(draws[0]);
    EXPECT_NEAR(middle.x, moving->GetPath()->GetPosition().x, 1e-3f);
    EXPECT_NEAR(middle.y, moving->GetPath()->GetPosition().y, 1e-3f);
  }
}

TEST_F(MovingAnimations, ChildrenRideOnTheParentsPath) {
  auto eltern = manager->CreateBewegteAnimation(u"Eltern");
  ASSERT_EQ(eltern->GetChildren().size(), 2u);
  eltern->SetPosition({500, 300});
  eltern->Update(0.0);
  for (double step : {0.25, 0.25, 0.3}) {
    eltern->Update(step);
    const Vector2 place = eltern->GetPath()->GetPosition();
    for (const auto& child : eltern->GetChildren()) {
      EXPECT_EQ(child->GetPosition(), place);
      // The child's own path is centred there.
      const Rect box = child->GetPath()->GetBounds();
      EXPECT_NEAR((box.left + box.right) / 2.0, place.x, 1.0);
      EXPECT_NEAR((box.top + box.bottom) / 2.0, place.y, 1.0);
    }
  }
  EXPECT_EQ(eltern->GetPath()->GetPosition(), Vector2(500, 330));

  // The parent first, then its children from the last to the first, each on its own path.
  auto& draws = Draws([&] { eltern->RenderTransformed({0, 0}, {1, 1}, 0xFFFFFFFF); });
  ASSERT_EQ(draws.size(), 3u);
  EXPECT_NEAR(Centre(draws[0]).y, 330.0f, 1e-3f);
  const Vector2 second = eltern->GetChildren()[1]->GetPath()->GetPosition();
  EXPECT_NEAR(Centre(draws[1]).x, second.x, 1e-3f);
  EXPECT_NEAR(Centre(draws[1]).y, second.y, 1e-3f);
}

TEST_F(MovingAnimations, AClonesDrawsComeInAFixedOrder) {
  struct Case {
    const char16_t* name;
    int copyDraws;  // the copied animation and those of the copied children
    int pathDraws;
  };
  const Case cases[] = {
      {u"Fest", 1, 0},
      {u"Kind", 1, 6},
      {u"Eltern", 3, 0},
      {u"Wahl", 1, 6},
  };
  for (const Case& c : cases) {
    for (uint32_t seed : {2u, 40u, 977u}) {
      platform::SRand(seed);
      auto clone = manager->CreateBewegteAnimation(c.name);
      ASSERT_NE(clone, nullptr);
      // The pick and the picked animation's start frame come last.
      EXPECT_EQ(DrawsSince(seed), c.copyDraws + c.pathDraws + 2) << platform::U16ToUtf8(c.name);
      const std::vector<double> r = FractionsAfter(seed, c.copyDraws + c.pathDraws + 2);
      if (c.pathDraws) {
        // The new path lies in the box of the definition's points, y drawn before x.
        const Rect box = manager->FindBewegteAnimation(c.name)->GetPath()->GetBounds();
        const Vector2 first = clone->GetPath()->GetPoints()[0];
        EXPECT_EQ(first.y, float(r[size_t(c.copyDraws)] * (box.bottom - box.top) + box.top));
        EXPECT_EQ(first.x, float(r[size_t(c.copyDraws) + 1] * (box.right - box.left) + box.left));
      }
      const size_t count = clone->GetAnimationNames().size();
      const size_t k = std::min(size_t(r[size_t(c.copyDraws + c.pathDraws)] * double(count)), count - 1);
      EXPECT_EQ(clone->GetAnimation()->GetName(), clone->GetAnimationNames()[k]);
      EXPECT_EQ(clone->GetSize(), clone->GetAnimationSizes()[k]);
    }
  }
}

// Everything an update moves, to the bit: the place, the path walker, the frame player and
// the children's.
std::vector<uint64_t> StateOf(const BewegteAnimation& a) {
  std::vector<uint64_t> out;
  auto add = [&](double v) { out.push_back(std::bit_cast<uint64_t>(v)); };
  add(a.GetPosition().x);
  add(a.GetPosition().y);
  if (const PfadAnimation* path = a.GetPath()) {
    add(path->GetT());
    add(path->GetSegmentLength());
    add(path->GetPosition().x);
    add(path->GetPosition().y);
    add(path->GetDirection().x);
    add(path->GetDirection().y);
    out.push_back(path->IsForward());
  }
  if (const Animation* frames = a.GetAnimation()) {
    add(frames->GetPosition());
    add(frames->GetFramesPlayed());
    out.push_back(frames->IsBackward());
  }
  for (const auto& child : a.GetChildren()) {
    const std::vector<uint64_t> c = StateOf(*child);
    out.insert(out.end(), c.begin(), c.end());
  }
  return out;
}

TEST_F(MovingAnimations, KeptStepsTakenLaterLeaveEachAnimationWhereFrameByFrameWould) {
  // Two equal sets: the same draws make the same copies.
  auto make = [&] {
    platform::SRand(77);
    PendingSteps::Animations set;
    for (const char16_t* name : {u"Eltern", u"Kind", u"Wahl", u"Fest"}) set.push_back(manager->CreateBewegteAnimation(name));
    set.push_back(nullptr);
    return set;
  };
  PendingSteps::Animations frameByFrame = make(), kept = make();
  // Pauses, steady frames, a negative zero, and frames of varying length: more runs than
  // are kept at once.
  std::vector<double> steps = {0.0, 0.0, -0.0};
  for (int i = 0; i < 40; ++i) steps.push_back(0.01);
  for (int i = 0; i < 150; ++i) steps.push_back(0.004 + 0.0001 * (i % 37));
  steps.push_back(0.0);
  for (int i = 0; i < 30; ++i) steps.push_back(1.0 / 60.0);
  PendingSteps pending;
  for (size_t n = 0; n < steps.size(); ++n) {
    for (size_t i = frameByFrame.size(); i-- > 0;)
      if (frameByFrame[i]) frameByFrame[i]->Update(steps[n]);
    pending.Add(steps[n], kept);
    // Asked for now and then, and at the end.
    if (n == 100 || n + 1 == steps.size()) {
      EXPECT_FALSE(pending.Empty());
      pending.Apply(kept);
      EXPECT_TRUE(pending.Empty());
      for (size_t i = 0; i + 1 < kept.size(); ++i)
        EXPECT_EQ(StateOf(*kept[i]), StateOf(*frameByFrame[i])) << "step " << n << ", animation " << i;
    }
  }
  // The walkers did move on.
  EXPECT_NE(kept[0]->GetPath()->GetPosition(), make()[0]->GetPath()->GetPosition());

  // Without animations nothing is kept.
  PendingSteps none;
  none.Add(0.01, {});
  EXPECT_TRUE(none.Empty());
}

TEST_F(MovingAnimations, TheEffectPassDrawsOnlyWithAVisibleLayerColour) {
  auto fest = manager->CreateBewegteAnimation(u"Fest");
  struct Case {
    const char* what;
    std::unique_ptr<RenderExtraLookup> lookup;
    bool drawn;
  };
  Case cases[] = {
      {"no colour tables yet", nullptr, false},
      {"another layer key", std::make_unique<OneColour>(4, 3, 0xFFFFFFFF), false},
      {"transparent colour", std::make_unique<OneColour>(9, 3, 0x00FFFFFF), false},
      {"another index", std::make_unique<OneColour>(9, 2, 0xFFFFFFFF), false},
      {"visible colour", std::make_unique<OneColour>(9, 3, 0x01000000), true},
  };
  for (Case& c : cases) {
    RenderExtraLookup::Install(c.lookup.get());
    bool drew = false;
    auto& draws = Draws([&] { drew = fest->RenderForEffect({0, 0}, {1, 1}); });
    EXPECT_EQ(drew, c.drawn) << c.what;
    ASSERT_EQ(draws.size(), c.drawn ? 1u : 0u) << c.what;
    if (c.drawn) {
      EXPECT_EQ(draws[0].colour, 0xFFFFFFFFu);
    }
  }
}

TEST_F(MovingAnimations, MalformedEntriesLoadAndRunWithoutHarm) {
  const char16_t* const entries[] = {
      u"<PFADANIMATION> <NAME> \"P\" <\\NAME> <CREATE_RANDOM_RAND> <ANZ_PUNKTE> \"-5\" <\\ANZ_PUNKTE> "
      u"<\\CREATE_RANDOM_RAND> <\\PFADANIMATION>",
      u"<PFADANIMATION> <NAME> \"P\" <\\NAME> <CREATE_RANDOM_PERLIN> <ANZ_PUNKTE> \"1\" <\\ANZ_PUNKTE> "
      u"<ANZ_SMOOTH> \"3\" <\\ANZ_SMOOTH> <\\CREATE_RANDOM_PERLIN> <\\PFADANIMATION>",
      u"<PFADANIMATION> <NAME> \"P\" <\\NAME> <CREATE_RANDOM_PERLIN> <ANZ_PUNKTE> \"-2\" <\\ANZ_PUNKTE> "
      u"<\\CREATE_RANDOM_PERLIN> <\\PFADANIMATION>",
      u"<PFADANIMATION> <NAME> \"P\" <\\NAME> <LOOP> \"0\" <\\LOOP> <CREATE_RANDOM_WOLKE> <ANZ_PUNKTE> "
      u"\"-1\" "
      u"<\\ANZ_PUNKTE> <\\CREATE_RANDOM_WOLKE> <\\PFADANIMATION>",
      u"<PFADANIMATION> <NAME> \"P\" <\\NAME> <SPEED> \"0\" <\\SPEED> <CREATE_MANUELL> <POINT> \"1\" "
      u"<\\POINT> "
      u"<POINT> \"4\" \"4\" <\\POINT> <POINT> \"4\" \"4\" <\\POINT> <\\CREATE_MANUELL> <\\PFADANIMATION>",
      u"<ANIMATION> <NAME> \"Flug\" <\\NAME> <ANIMATION_FRAME> <ANIMATIONFILE> <ANZAHL> \"-1\" \"-1\" "
      u"<\\ANZAHL> "
      u"<REIHENFOLGE> \"-3\" <\\REIHENFOLGE> <\\ANIMATIONFILE> <\\ANIMATION_FRAME> <STARTFRAME> \"5\" \"2\" "
      u"<\\STARTFRAME> <SPEED> \"-40\" <\\SPEED> <\\ANIMATION>",
      u"<ANIMATION> <NAME> \"Flug\" <\\NAME> <ANIMATION_FRAME_NAME> <\\ANIMATION_FRAME_NAME> <FRAMES> \"99\" "
      u"<\\FRAMES> <INVERT> \"1\" <\\INVERT> <\\ANIMATION>",
  };
  for (const char16_t* entry : entries) {
    // Every malformed definition, under a moving animation that uses it and names itself as
    // a child, with a picture of no size.
    auto root =
        ParseKVText(std::u16string(u"<>\n \t<\\>\n<ANI>") + entry +
                    u"<BEWEGTEANIMATION> <NAME> \"M\" <\\NAME> <PFAD> \"P\" <\\PFAD> "
                    u"<DEFAULT_SIZE> \"0\" \"0\" <\\DEFAULT_SIZE> <ANIMATION_SIZE> <ANIMATION> <\\ANIMATION> "
                    u"<ANIMATION> \"Flug\" <\\ANIMATION> <\\ANIMATION_SIZE> <BEWEGTEANIMATIONEN> \"M\" "
                    u"<\\BEWEGTEANIMATIONEN> <\\BEWEGTEANIMATION><\\ANI>");
    manager->LoadFile(root.get(), archive.get());
    for (int round = 0; round < 2; ++round) {
      auto moving = manager->CreateBewegteAnimation(u"M");
      ASSERT_NE(moving, nullptr);
      if (moving->GetPath()) moving->GetPath()->Regenerate(nullptr);
      moving->SetArea({0, 0, 0, 0});
      moving->SetLayer(4);
      for (int i = 0; i < 20; ++i) {
        moving->Update(0.1);
        if (moving->GetPath()) {
          ASSERT_TRUE(std::isfinite(moving->GetPath()->GetPosition().x)) << platform::U16ToUtf8(entry);
          ASSERT_TRUE(std::isfinite(moving->GetPath()->GetPosition().y)) << platform::U16ToUtf8(entry);
        }
      }
      Draws([&] {
        moving->Render();
        moving->RenderTransformed({1, 1}, {0, 0}, 0xFFFFFFFF);
      });
    }
  }
}
