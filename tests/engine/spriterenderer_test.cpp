// The sprite renderer through the Null device's recorded draws: fill modes, culling,
// transforms and the effect quad.
#include "engine/spriterenderer.h"

#include <gtest/gtest.h>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"

namespace {

class Sprites : public ::testing::Test {
 protected:
  void SetUp() override {
    DisplayEnvironment env;
    env.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(context, env);
    graphics->UseNullDevice(true);
    ASSERT_EQ(graphics->Create(), kResultOk);
    renderer = graphics->GetSpriteRenderer();
    device = graphics->GetDevice();
  }

  // The draws of one DrawRect inside Begin/End.
  const std::vector<platform::DrawRecord>& Rect(Rect src, ::Rect dst, int fx, int fy, bool* drew = nullptr) {
    device->ClearRecordedDraws();
    renderer->Begin(SpriteRenderer::kAlphaBlend);
    bool result = renderer->DrawRect(&texture, &src, &dst, fx, fy, 0xFFFFFFFF);
    if (drew) *drew = result;
    renderer->End();
    return device->RecordedDraws();
  }

  APIContext context;
  std::unique_ptr<APIGraphics> graphics;
  SpriteRenderer* renderer = nullptr;
  platform::GraphicsDevice* device = nullptr;
  platform::Texture texture{64, 64};
};

struct Piece {
  ::Rect source;
  Vector2 topLeft;
  Vector2 bottomRight;
};

void ExpectPieces(const std::vector<platform::DrawRecord>& draws, const std::vector<Piece>& pieces) {
  ASSERT_EQ(draws.size(), pieces.size());
  for (size_t i = 0; i < pieces.size(); ++i) {
    EXPECT_EQ(draws[i].source, pieces[i].source) << "piece " << i;
    EXPECT_EQ(draws[i].corners[0], pieces[i].topLeft) << "piece " << i;
    EXPECT_EQ(draws[i].corners[3], pieces[i].bottomRight) << "piece " << i;
  }
}

}  // namespace

TEST_F(Sprites, TilingFillsWholeTilesThenStripsThenTheCorner) {
  // 64x64 into 160x100: 2x1 whole tiles, a 32-wide right strip, 36-high bottom strips, a
  // 32x36 corner.
  bool drew = false;
  auto& draws = Rect({0, 0, 64, 64}, {10, 20, 170, 120}, SpriteRenderer::kTile, SpriteRenderer::kTile, &drew);
  EXPECT_TRUE(drew);
  ExpectPieces(draws, {
                          {{0, 0, 64, 64}, {10, 20}, {74, 84}},
                          {{0, 0, 64, 64}, {74, 20}, {138, 84}},
                          {{0, 0, 32, 64}, {138, 20}, {170, 84}},
                          {{0, 0, 64, 36}, {10, 84}, {74, 120}},
                          {{0, 0, 64, 36}, {74, 84}, {138, 120}},
                          {{0, 0, 32, 36}, {138, 84}, {170, 120}},
                      });
  for (const auto& d : draws) {
    EXPECT_EQ(d.texture, &texture);
    EXPECT_TRUE(d.blend);
    EXPECT_TRUE(d.alphaTest);
    EXPECT_FALSE(d.preTransformed);
  }
}

TEST_F(Sprites, FitKeepsProportionsAlignsAndMirrors) {
  using R = ::Rect;
  const int kFit = SpriteRenderer::kFit, kEnd = SpriteRenderer::kAlignEnd;
  // Twice as wide as high: the height ratio scales, the slack is horizontal.
  ExpectPieces(Rect({0, 0, 64, 64}, R{0, 0, 200, 100}, kFit, kFit), {{{0, 0, 64, 64}, {50, 0}, {150, 100}}});
  ExpectPieces(Rect({0, 0, 64, 64}, R{0, 0, 200, 100}, kFit | kEnd, kFit),
               {{{0, 0, 64, 64}, {100, 0}, {200, 100}}});
  // Left > right: the image is drawn mirrored, still centred.
  auto& mirrored = Rect({0, 0, 64, 64}, R{200, 0, 0, 100}, kFit, kFit);
  ASSERT_EQ(mirrored.size(), 1u);
  EXPECT_EQ(mirrored[0].corners[0], Vector2(150, 0));
  EXPECT_EQ(mirrored[0].corners[1], Vector2(50, 0));
  // Taller than wide: the slack is vertical.
  ExpectPieces(Rect({0, 0, 64, 64}, R{0, 0, 100, 300}, kFit, kFit | kEnd),
               {{{0, 0, 64, 64}, {0, 200}, {100, 300}}});
}

TEST_F(Sprites, PlaceStretchAndMixedModes) {
  using R = ::Rect;
  const int kPlace = SpriteRenderer::kPlace, kEnd = SpriteRenderer::kAlignEnd;
  const int kStretch = SpriteRenderer::kStretch, kTile = SpriteRenderer::kTile;
  ExpectPieces(Rect({0, 0, 64, 64}, R{0, 0, 200, 100}, kPlace, 0), {{{0, 0, 64, 64}, {68, 18}, {132, 82}}});
  ExpectPieces(Rect({0, 0, 64, 64}, R{0, 0, 200, 100}, kPlace | kEnd, 0),
               {{{0, 0, 64, 64}, {136, 18}, {200, 82}}});
  // A smaller destination: the offset truncates toward zero.
  ExpectPieces(Rect({0, 0, 64, 64}, R{0, 0, 50, 50}, 0, kPlace), {{{0, 0, 64, 64}, {-7, -7}, {57, 57}}});
  ExpectPieces(Rect({0, 0, 64, 64}, R{0, 0, 200, 100}, kStretch, kStretch),
               {{{0, 0, 64, 64}, {0, 0}, {200, 100}}});
  ExpectPieces(Rect({0, 0, 64, 64}, R{0, 0, 200, 100}, kStretch, kTile),
               {{{0, 0, 64, 64}, {0, 0}, {200, 64}}, {{0, 0, 64, 36}, {0, 64}, {200, 100}}});
  ExpectPieces(Rect({0, 0, 64, 64}, R{0, 0, 100, 200}, kTile, kStretch),
               {{{0, 0, 64, 64}, {0, 0}, {64, 200}}, {{0, 0, 36, 64}, {64, 0}, {100, 200}}});
  // Combinations without a mode draw nothing.
  for (auto [fx, fy] : {std::pair{0, 0}, {kStretch, 0}, {kTile, 0}, {SpriteRenderer::kAlignStart, kEnd}}) {
    bool drew = true;
    EXPECT_TRUE(Rect({0, 0, 64, 64}, R{0, 0, 200, 100}, fx, fy, &drew).empty());
    EXPECT_FALSE(drew);
  }
  // An empty source draws nothing (it would divide by zero).
  bool drew = true;
  EXPECT_TRUE(Rect({5, 5, 5, 9}, R{0, 0, 200, 100}, kTile, kTile, &drew).empty());
  EXPECT_FALSE(drew);
  EXPECT_FALSE(renderer->DrawRect(nullptr, nullptr, nullptr, kStretch, kStretch, 0));
}

TEST_F(Sprites, TransformedDrawsAreCulledByTheirLargerScaledSide) {
  ::Rect src{0, 0, 64, 32};
  struct Case {
    Vector2 position;
    Vector2 scale;
    bool drawn;
  };
  const Case cases[] = {
      {{-64, 0}, {1, 1}, true},        {{-65, 0}, {1, 1}, false},      {{1024 + 64, 768}, {1, 1}, true},
      {{1024 + 65, 0}, {1, 1}, false}, {{0, 768 + 65}, {1, 1}, false}, {{-120, 0}, {2, 1}, true},
      {{-129, 0}, {2, 1}, false},      {{10, 10}, {0, 1}, false},      {{10, 10}, {1, 0}, false},
      // Mirrored draws keep the margin of their larger side.
      {{-64, 0}, {-1, -1}, true},      {{-65, 0}, {-1, -1}, false},    {{0, 768 + 300}, {1, -10}, true},
  };
  for (const Case& c : cases) {
    device->ClearRecordedDraws();
    renderer->Begin(0);
    bool drawn = renderer->DrawTransformed(&texture, &src, &c.scale, nullptr, 0.0, &c.position, 0x80FFFFFF);
    renderer->End();
    EXPECT_EQ(drawn, c.drawn) << c.position.x << "," << c.position.y;
    EXPECT_EQ(device->RecordedDraws().size(), c.drawn ? 1u : 0u);
  }
  // Without a position nothing is culled; scale, rotation about the centre and translation apply.
  device->ClearRecordedDraws();
  renderer->Begin(0);
  Vector2 scale(2, 2), centre(10, 10), pos(100, 50);
  EXPECT_TRUE(
      renderer->DrawTransformed(&texture, &src, &scale, &centre, 1.5707963705062866, &pos, 0xFF102030));
  EXPECT_TRUE(renderer->DrawTransformed(&texture, &src, nullptr, nullptr, 0.0, nullptr, 0xFF102030));
  renderer->End();
  const auto& draws = device->RecordedDraws();
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_NEAR(draws[0].corners[0].x, 120.0f, 1e-3);
  EXPECT_NEAR(draws[0].corners[0].y, 50.0f, 1e-3);
  EXPECT_EQ(draws[0].colour, 0xFF102030u);
  EXPECT_FALSE(draws[0].blend);
  EXPECT_EQ(draws[1].corners[3], Vector2(64, 32));
}

TEST_F(Sprites, EffectModeDrawsQuadsWithTheEffectsSourceTexture) {
  struct FakeEffect final : SpriteEffect {
    platform::Texture* source = nullptr;
    int commits = 0;
    void SetSourceTexture(platform::Texture* t) override { source = t; }
    void CommitChanges() override { ++commits; }
    int CurrentPass() const override { return 2; }
  } effect;
  renderer->effect = &effect;
  device->ClearRecordedDraws();
  EXPECT_EQ(renderer->Begin(SpriteRenderer::kAlphaBlend), kResultOk);
  EXPECT_FALSE(renderer->Batch()->InBatch());
  ::Rect src{16, 0, 48, 32};
  Vector2 pos(10, 20);
  EXPECT_TRUE(renderer->DrawTransformed(&texture, &src, nullptr, nullptr, 0.0, &pos, 0xFFFFFFFF));
  EXPECT_EQ(renderer->End(), kResultOk);
  EXPECT_EQ(effect.source, &texture);
  EXPECT_EQ(effect.commits, 1);
  const auto& draws = device->RecordedDraws();
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_TRUE(draws[0].preTransformed);
  EXPECT_EQ(draws[0].effectPass, 2);
  EXPECT_EQ(draws[0].corners[0], Vector2(10, 20));
  EXPECT_EQ(draws[0].corners[3], Vector2(42, 52));
  EXPECT_EQ(draws[0].source, src);
  renderer->effect = nullptr;
}

TEST_F(Sprites, ForwardersAndScaleRatio) {
  TexturePartRecord part{&texture, {0, 0, 32, 32}};
  device->ClearRecordedDraws();
  renderer->Begin(0);
  ::Rect dst{0, 0, 64, 64};
  EXPECT_TRUE(
      renderer->DrawRectTex(&part, &dst, SpriteRenderer::kStretch, SpriteRenderer::kStretch, 0xFFFFFFFF));
  TexturePartRecord empty;
  EXPECT_FALSE(renderer->DrawRectTex(&empty, &dst, 1, 1, 0));
  EXPECT_FALSE(renderer->DrawRectTex(nullptr, &dst, 1, 1, 0));
  platform::Texture* pointer = &texture;
  EXPECT_TRUE(renderer->DrawRectTexPtr(&pointer, &part.rect, &dst, 4, 4, 0xFFFFFFFF));
  renderer->End();
  EXPECT_EQ(device->RecordedDraws().size(), 2u);
  EXPECT_EQ(device->RecordedDraws()[0].corners[3], Vector2(64, 64));

  Vector2 scale, origin;
  ::Rect d{10, 20, 110, 70}, s{0, 0, 64, 30};
  SpriteRenderer::ScaleRatio(&d, &s, &scale, &origin);
  EXPECT_EQ(scale, Vector2(float(100.0 / 64.0), float(50.0 / 30.0)));
  EXPECT_EQ(origin, Vector2(10, 20));
}

TEST_F(Sprites, ExtremeRectanglesNeitherOverflowNorTileWithoutEnd) {
  // Values a damaged file can give (a splash rectangle of inf or 1e308 truncates to the
  // 32-bit ends): sizes and offsets would overflow, and a tile count would run for ever.
  const int32_t lo = INT32_MIN, hi = INT32_MAX;
  struct Case {
    ::Rect src, dst;
    int fx, fy;
  };
  const int st = SpriteRenderer::kStretch, ti = SpriteRenderer::kTile, pl = SpriteRenderer::kPlace,
            fi = SpriteRenderer::kFit;
  const Case cases[] = {
      {{0, 0, 64, 64}, {lo, lo, hi, hi}, st, st},  {{lo, lo, hi, hi}, {0, 0, 64, 64}, st, st},
      {{0, 0, 1, 1}, {lo, lo, hi, hi}, ti, ti},    {{0, 0, 1, 1}, {0, 0, hi, 10}, ti, st},
      {{0, 0, 1, 1}, {0, 0, 10, hi}, st, ti},      {{lo, 0, hi, 1}, {hi, 0, lo, 1}, ti, ti},
      {{0, 0, 64, 64}, {lo, lo, hi, hi}, pl, pl},  {{lo, lo, 64, 64}, {hi, hi, lo, lo}, fi, fi},
  };
  for (const Case& c : cases) {
    const auto& draws = Rect(c.src, c.dst, c.fx, c.fy);
    EXPECT_LE(draws.size(), size_t(3 * 8192 + 1));
  }
  const Vector2 huge(3e38f, -3e38f), at(10.0f, 10.0f);
  const ::Rect wide{lo, lo, hi, hi};
  renderer->Begin(SpriteRenderer::kAlphaBlend);
  renderer->DrawTransformed(&texture, &wide, &huge, nullptr, 0.0, &at, 0xFFFFFFFF);
  renderer->End();
}
