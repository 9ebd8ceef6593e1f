// Path animations: the three generators pinned against a seeded generator, following a path
// at a known speed in each walking mode, and the degenerate boxes and short paths.
#include "engine/pfadanimation.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/kvnode.h"
#include "platform/random.h"
#include "platform/text.h"
#include "support/draws.h"

namespace {

PfadAnimation Path(std::u16string_view body) {
  auto root = ParseKVText(std::u16string(u"<>\n \t<\\>\n<PFADANIMATION>") + std::u16string(body) +
                          u"<\\PFADANIMATION>");
  return PfadAnimation(root.get());
}

const char16_t* const kSquare =
    u"<CREATE_MANUELL> <POINT> \"0\" \"0\" <\\POINT> <POINT> \"100\" \"0\" <\\POINT> "
    u"<POINT> \"100\" \"100\" <\\POINT> <POINT> \"0\" \"100\" <\\POINT> <\\CREATE_MANUELL>";

bool Finite(const Vector2& v) { return std::isfinite(v.x) && std::isfinite(v.y); }

}  // namespace

TEST(PfadAnimation, ReadsItsKeysWithTheirDefaults) {
  PfadAnimation plain = Path(u"");
  EXPECT_EQ(plain.GetName(), u"PFADANIMATION");
  EXPECT_TRUE(plain.IsLooping());
  EXPECT_TRUE(plain.IsWelded());
  EXPECT_FALSE(plain.IsLinear());
  EXPECT_EQ(plain.GetSpeed(), 1.0);
  EXPECT_EQ(plain.GetKind(), PfadAnimation::kNone);
  EXPECT_TRUE(plain.GetPoints().empty());

  PfadAnimation given =
      Path(std::u16string(u"<NAME> \"Runde\" <\\NAME> <LOOP> \"0\" <\\LOOP> <WELD> \"0\" <\\WELD>"
                          u"<LINEAR> \"1\" <\\LINEAR> <SPEED> \"40\" <\\SPEED>") +
           kSquare + u"<CREATE_MANUELL> <POINT> \"7\" \"7\" <\\POINT> <\\CREATE_MANUELL>");
  EXPECT_EQ(given.GetName(), u"Runde");
  EXPECT_FALSE(given.IsLooping());
  EXPECT_FALSE(given.IsWelded());
  EXPECT_TRUE(given.IsLinear());
  EXPECT_EQ(given.GetSpeed(), 40.0);
  EXPECT_EQ(given.GetBaseSpeed(), 40.0);
  // Only the first CREATE_MANUELL counts.
  EXPECT_EQ(given.GetPoints(), (std::vector<Vector2>{{0, 0}, {100, 0}, {100, 100}, {0, 100}}));
  EXPECT_EQ(given.GetBounds(), (Rect{0, 0, 100, 100}));
  // Given points stay as they are.
  given.Regenerate(nullptr);
  EXPECT_EQ(given.GetPoints().size(), 4u);
}

TEST(PfadAnimation, APointCloudDrawsEachYBeforeItsX) {
  platform::SRand(11);
  PfadAnimation cloud = Path(
      u"<CREATE_RANDOM_RAND> <RECT> \"0\" \"0\" \"100\" \"50\" <\\RECT> <ANZ_PUNKTE> \"3\" <\\ANZ_PUNKTE> "
      u"<\\CREATE_RANDOM_RAND>");
  EXPECT_EQ(DrawsSince(11), 6);
  const std::vector<double> r = FractionsAfter(11, 6);
  ASSERT_EQ(cloud.GetPoints().size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(cloud.GetPoints()[i], Vector2(float(r[2 * i + 1] * 100.0), float(r[2 * i] * 50.0))) << i;
    EXPECT_GE(cloud.GetPoints()[i].x, 0.0f);
    EXPECT_LE(cloud.GetPoints()[i].x, 100.0f);
    EXPECT_LE(cloud.GetPoints()[i].y, 50.0f);
  }
  EXPECT_EQ(cloud.GetKind(), PfadAnimation::kCloud);

  // Made anew within the bounding box of its points, as many draws again.
  const Rect box = cloud.GetBounds();
  const uint32_t before = platform::RandState();
  cloud.Regenerate(nullptr);
  EXPECT_EQ(DrawsSince(before), 6);
  const std::vector<double> again = FractionsAfter(before, 2);
  EXPECT_EQ(cloud.GetPoints()[0], Vector2(float(again[1] * (box.right - box.left) + box.left),
                                          float(again[0] * (box.bottom - box.top) + box.top)));
}

TEST(PfadAnimation, ADriftingBandSpansItsAreaAndStartsAnywhere) {
  struct Case {
    int32_t layer;
    double speed;
  };
  for (const Case& c : {Case{0, 20.0}, Case{1, 15.0}, Case{2, 10.0}}) {
    PfadAnimation band =
        Path(u"<SPEED> \"20\" <\\SPEED> <CREATE_RANDOM_WOLKE> <ANZ_PUNKTE> \"3\" <\\ANZ_PUNKTE> <EBENE> \"" +
             platform::Utf8ToU16(std::to_string(c.layer)) +
             u"\" <\\EBENE> <H\u00D6HE> \"10\" \"60\" <\\H\u00D6HE> <\\CREATE_RANDOM_WOLKE>");
    EXPECT_EQ(band.GetKind(), PfadAnimation::kBand);
    EXPECT_EQ(band.GetLayer(), c.layer);
    // No points until it is given an area; without one there is nothing to work in.
    EXPECT_TRUE(band.GetPoints().empty());
    platform::SRand(5);
    band.Regenerate(nullptr);
    EXPECT_EQ(DrawsSince(5), 0);
    EXPECT_TRUE(band.GetPoints().empty());

    const Rect area{0, 0, 400, 300};
    band.Regenerate(&area);
    // One y per point (five: the overhanging ends and three between), then r1 and r2 of the start.
    EXPECT_EQ(DrawsSince(5), 7);
    const std::vector<double> r = FractionsAfter(5, 7);
    const auto& p = band.GetPoints();
    ASSERT_EQ(p.size(), 5u);
    const float xs[5] = {0.0f, 400.0f / 3.0f, 200.0f, 800.0f / 3.0f, 400.0f};
    float minY = 1e9f, maxY = -1e9f;
    for (size_t i = 0; i < 5; ++i) {
      EXPECT_NEAR(p[i].x, xs[i], 1e-3f) << i;
      EXPECT_GE(p[i].y, 10.0f);
      EXPECT_LE(p[i].y, 60.0f);
      minY = std::min(minY, p[i].y);
      maxY = std::max(maxY, p[i].y);
    }
    EXPECT_EQ(p[0].x, 0.0f);
    EXPECT_EQ(p[4].x, 400.0f);
    EXPECT_EQ(minY, 10.0f);
    EXPECT_EQ(maxY, 60.0f);
    // The ys keep the order of their draws.
    for (size_t i = 0; i < 5; ++i)
      for (size_t k = 0; k < 5; ++k)
        if (r[i] < r[k]) {
          EXPECT_LT(p[i].y, p[k].y);
        }
    EXPECT_EQ(band.GetT(), r[5] * 5.0 + r[6]);
    EXPECT_EQ(band.GetSpeed(), c.speed);
  }
}

TEST(PfadAnimation, AWobblyOutlineIsRepeatableFromItsSeed) {
  struct Case {
    const char16_t* keys;
    size_t points;
    int draws;
  };
  const Case cases[] = {
      // 4 corners, one split pass (4 draws) gives 8, one smoothing pass 16.
      {u"<ANZ_PUNKTE> \"4\" <\\ANZ_PUNKTE>", 16, 4},
      {u"<ANZ_PUNKTE> \"5\" <\\ANZ_PUNKTE> <ANZ_SPLIT> \"2.9\" <\\ANZ_SPLIT> <ANZ_SMOOTH> \"0\" "
       u"<\\ANZ_SMOOTH>",
       20, 15},
      {u"<ANZ_PUNKTE> \"6\" <\\ANZ_PUNKTE> <ANZ_SPLIT> \"0\" <\\ANZ_SPLIT> <ANZ_SMOOTH> \"2\" <\\ANZ_SMOOTH>",
       24, 0},
  };
  for (const Case& c : cases) {
    const std::u16string body =
        std::u16string(u"<CREATE_RANDOM_PERLIN> <RECT> \"10\" \"20\" \"210\" \"120\" <\\RECT>") + c.keys +
        u"<\\CREATE_RANDOM_PERLIN>";
    platform::SRand(3);
    PfadAnimation first = Path(body);
    EXPECT_EQ(DrawsSince(3), c.draws) << platform::U16ToUtf8(c.keys);
    platform::SRand(3);
    PfadAnimation second = Path(body);
    EXPECT_EQ(first.GetKind(), PfadAnimation::kOutline);
    EXPECT_EQ(first.GetPoints().size(), c.points) << platform::U16ToUtf8(c.keys);
    EXPECT_EQ(first.GetPoints(), second.GetPoints());
    EXPECT_EQ(first.GetBounds(), (Rect{10, 20, 210, 120}));
  }

  // Without displacement the walk goes once round a regular outline: every point once, each
  // step as long as the next.
  PfadAnimation even = Path(
      u"<CREATE_RANDOM_PERLIN> <RECT> \"0\" \"0\" \"100\" \"100\" <\\RECT> <ANZ_PUNKTE> \"4\" <\\ANZ_PUNKTE> "
      u"<SPLIT> \"0\" <\\SPLIT> <ANZ_SMOOTH> \"0\" <\\ANZ_SMOOTH> <\\CREATE_RANDOM_PERLIN>");
  const auto& p = even.GetPoints();
  ASSERT_EQ(p.size(), 8u);
  for (size_t i = 0; i < p.size(); ++i) {
    const float step = (p[(i + 1) % p.size()] - p[i]).Length();
    EXPECT_NEAR(step, std::sqrt(2.0f) * 25.0f, 1e-3f) << i;
  }
  platform::SRand(9);
  PfadAnimation randomised = Path(
      u"<CREATE_RANDOM_PERLIN> <RECT> \"0\" \"0\" \"100\" \"100\" <\\RECT> <ANZ_PUNKTE> \"4\" <\\ANZ_PUNKTE> "
      u"<\\CREATE_RANDOM_PERLIN>");
  EXPECT_NE(randomised.GetPoints(),
            Path(u"<CREATE_RANDOM_PERLIN> <RECT> \"0\" \"0\" \"100\" \"100\" <\\RECT> "
                 u"<ANZ_PUNKTE> \"4\" <\\ANZ_PUNKTE> <\\CREATE_RANDOM_PERLIN>")
                .GetPoints());
}

TEST(PfadAnimation, WalkersCoverTheirSpeedInPixelsPerSecond) {
  struct Case {
    const char16_t* keys;
    std::vector<Vector2> positions;  // after each update of half a second
  };
  const Case cases[] = {
      // Closed: from the last corner back to the first.
      {u"", {{50, 0}, {100, 0}, {100, 50}, {100, 100}, {50, 100}, {0, 100}, {0, 50}, {0, 0}, {50, 0}}},
      // Open ends: the walker rests on the last corner for its segment, then starts over.
      {u"<WELD> \"0\" <\\WELD>",
       {{50, 0}, {100, 0}, {100, 50}, {100, 100}, {50, 100}, {0, 100}, {0, 100}, {0, 0}}},
      // Not looping: to the last corner, then back the same way, and so on.
      {u"<LOOP> \"0\" <\\LOOP>",
       {{50, 0},
        {100, 0},
        {100, 50},
        {100, 100},
        {50, 100},
        {0, 100},
        {50, 100},
        {100, 100},
        {100, 50},
        {100, 0},
        {50, 0},
        {0, 0},
        {50, 0}}},
  };
  for (const Case& c : cases) {
    for (bool linear : {true, false}) {
      PfadAnimation path = Path(std::u16string(u"<SPEED> \"100\" <\\SPEED>") + c.keys +
                                (linear ? u"<LINEAR> \"1\" <\\LINEAR>" : u"") + kSquare);
      path.Update(0.0);  // measures the first segment
      EXPECT_EQ(path.GetPosition(), Vector2(0, 0));
      for (size_t i = 0; i < c.positions.size(); ++i) {
        path.Update(0.5);
        const Vector2 at = path.GetPosition();
        // The spline passes through the corners; between them it bends away from the chord.
        if (linear || (std::fmod(path.GetT(), 1.0) == 0.0)) {
          EXPECT_EQ(at, c.positions[i])
              << platform::U16ToUtf8(c.keys) << " step " << i << " linear " << linear;
        } else {
          EXPECT_TRUE(Finite(at));
        }
      }
    }
  }

  // SPEED 50 on a segment 100 pixels long: t grows by 0.5 a second, heading along it.
  PfadAnimation slow = Path(
      u"<SPEED> \"50\" <\\SPEED> <LINEAR> \"1\" <\\LINEAR> <CREATE_MANUELL> <POINT> \"0\" \"0\" <\\POINT> "
      u"<POINT> \"0\" \"100\" <\\POINT> <\\CREATE_MANUELL>");
  slow.Update(0.0);
  EXPECT_EQ(slow.GetSegmentLength(), 100.0);
  slow.Update(1.0);
  EXPECT_EQ(slow.GetT(), 0.5);
  EXPECT_EQ(slow.GetPosition(), Vector2(0, 50));
  EXPECT_EQ(slow.GetDirection(), Vector2(0, 50));
  slow.SetHalt(1.0);
  slow.Update(0.5);
  EXPECT_EQ(slow.GetDirection(), Vector2(0, 0));
  EXPECT_EQ(slow.GetPosition(), Vector2(0, 75));
}

TEST(PfadAnimation, DegenerateBoxesAndShortPathsStayFinite) {
  // Fitting points without width or height: they go to the middle of the area on that axis.
  PfadAnimation same = Path(
      u"<CREATE_MANUELL> <POINT> \"5\" \"5\" <\\POINT> <POINT> \"5\" \"5\" <\\POINT> <\\CREATE_MANUELL>");
  same.FitInto({0, 0, 100, 50});
  EXPECT_EQ(same.GetPoints(), (std::vector<Vector2>{{50, 25}, {50, 25}}));
  PfadAnimation flat = Path(
      u"<CREATE_MANUELL> <POINT> \"0\" \"5\" <\\POINT> <POINT> \"10\" \"5\" <\\POINT> <\\CREATE_MANUELL>");
  flat.FitInto({100, 0, 300, 50});
  EXPECT_EQ(flat.GetPoints(), (std::vector<Vector2>{{100, 25}, {300, 25}}));
  // A cloud in an empty rectangle, fitted into a real area.
  PfadAnimation dot =
      Path(u"<CREATE_RANDOM_RAND> <RECT> \"7\" \"7\" \"7\" \"7\" <\\RECT> <\\CREATE_RANDOM_RAND>");
  dot.FitInto({0, 0, 10, 10});
  for (const Vector2& p : dot.GetPoints()) EXPECT_EQ(p, Vector2(5, 5));

  // Back and forth over two points or one, in both directions, with the spline's reflected
  // control points: every position is finite and on the path.
  for (const char16_t* points :
       {u"<POINT> \"0\" \"0\" <\\POINT> <POINT> \"10\" \"0\" <\\POINT>", u"<POINT> \"3\" \"4\" <\\POINT>"}) {
    PfadAnimation path =
        Path(std::u16string(u"<LOOP> \"0\" <\\LOOP> <SPEED> \"7\" <\\SPEED> <CREATE_MANUELL>") + points +
             u"<\\CREATE_MANUELL>");
    bool turned = false;
    const bool initiallyForward = path.IsForward();
    for (int i = 0; i < 40; ++i) {
      path.Update(0.3);
      turned |= path.IsForward() != initiallyForward;
      const Vector2 at = path.GetPosition();
      ASSERT_TRUE(Finite(at)) << i;
      ASSERT_TRUE(Finite(path.GetDirection())) << i;
      const Rect box = path.GetBounds();
      EXPECT_GE(at.x, float(box.left) - 1e-3f);
      EXPECT_LE(at.x, float(box.right) + 1e-3f);
    }
    EXPECT_TRUE(turned);
  }
  // Two points evaluated past the last segment (as a band's random start can place it), in
  // both directions. Walking backward, the fourth control point would lie two points before
  // the first; it stays on the last point.
  PfadAnimation two = Path(
      u"<LOOP> \"0\" <\\LOOP> <CREATE_MANUELL> <POINT> \"0\" \"0\" <\\POINT> <POINT> \"10\" \"0\" <\\POINT> "
      u"<\\CREATE_MANUELL>");
  ASSERT_TRUE(two.IsForward());
  two.SetT(1.5);
  EXPECT_EQ(two.Evaluate(), Vector2(11.25f, 0.0f));
  two.Update(0.0);
  ASSERT_FALSE(two.IsForward());
  two.SetT(1.5);
  EXPECT_EQ(two.Evaluate(), Vector2(4.375f, 0.0f));
  PfadAnimation empty = Path(u"");
  empty.Update(1.0);
  EXPECT_EQ(empty.GetPosition(), Vector2(0, 0));
  EXPECT_EQ(empty.Evaluate(), Vector2(0, 0));
}

TEST(PfadAnimation, CentringAndBounds) {
  PfadAnimation path = Path(kSquare);
  path.CenterOn({0, 0});
  EXPECT_EQ(path.GetBounds(), (Rect{-50, -50, 50, 50}));
  path.FitInto({10, 10, 30, 20});
  EXPECT_EQ(path.GetPoints(), (std::vector<Vector2>{{10, 10}, {30, 10}, {30, 20}, {10, 20}}));
  path.SetPoints({{0.9f, -0.9f}, {2.5f, 3.7f}});
  // Truncated toward zero.
  EXPECT_EQ(path.GetBounds(), (Rect{0, 0, 2, 3}));
}
