// The game-wide nine-part box on the Null device with the game's "misc.prt": the border
// limited by the box's size, the nine destinations, and the three layers' skins and colours.
#include <gtest/gtest.h>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/myglobals.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"

namespace {

class RectBox : public ::testing::Test {
 protected:
  void SetUp() override {
    DisplayEnvironment env;
    env.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(context, env);
    graphics->UseNullDevice(true);
    context.graphics = graphics.get();
    auto owned = std::make_unique<MyGlobals>(&context);
    globals = owned.get();
    context.globals = std::move(owned);
    ASSERT_EQ(graphics->Create(), kResultOk);
    device = graphics->GetDevice();
  }
  void TearDown() override {
    context.globals.reset();
    graphics->Release();
  }

  std::vector<platform::DrawRecord> Box(int32_t l, int32_t t, int32_t r, int32_t b, int32_t border,
                                        Argb c1 = 0xFF000001, Argb c3 = 0xFF000003, Argb c2 = 0xFF000002,
                                        int32_t row = 0, int32_t col1 = 0, int32_t col3 = 0,
                                        int32_t col2 = 0) {
    device->ClearRecordedDraws();
    graphics->GetSpriteRenderer()->Begin(SpriteRenderer::kAlphaBlend);
    globals->DrawRectBox(l, t, r, b, border, c1, c3, c2, row, col1, col3, col2);
    graphics->GetSpriteRenderer()->End();
    return device->RecordedDraws();
  }

  APIContext context;
  std::unique_ptr<APIGraphics> graphics;
  MyGlobals* globals = nullptr;
  platform::GraphicsDevice* device = nullptr;
};

Rect Destination(const platform::DrawRecord& d) {
  return {int32_t(d.corners[0].x), int32_t(d.corners[0].y), int32_t(d.corners[3].x), int32_t(d.corners[3].y)};
}

}  // namespace

TEST_F(RectBox, TheBoxTextureIsThePartRectsOfMiscPrtWithThirtyPixelCells) {
  const TexturePartRecord* box = globals->GetBoxTexture();
  ASSERT_NE(box, nullptr);
  ASSERT_NE(box->texture, nullptr);
  const auto* part = static_cast<const TexturPart*>(box);
  EXPECT_EQ(part->GetNameId(), u"RECTS");
  EXPECT_EQ(part->GetDefinitionFile(), u"misc.prt");
  EXPECT_EQ(globals->GetBoxCell(0), (Rect{0, 0, 30, 30}));
  EXPECT_EQ(globals->GetBoxCell(4), (Rect{30, 30, 60, 60}));
  EXPECT_EQ(globals->GetBoxCell(5), (Rect{60, 30, 90, 60}));
  EXPECT_EQ(globals->GetBoxCell(8), (Rect{60, 60, 90, 90}));
}

TEST_F(RectBox, TheBorderIsAtMostHalfTheBoxAndTheNineCellsFillIt) {
  struct Case {
    Rect box;
    int32_t border;
    int32_t used;
  };
  const Case cases[] = {
      {{100, 50, 300, 90}, 30, 20},     // 40 high: half the height
      {{100, 50, 300, 90}, 10, 10},     // fits: kept
      {{300, 90, 100, 50}, 10, 10},     // reversed corners are put in order
      {{100, 50, 160, 250}, 45, 30},    // 60 wide: half the width
      {{100, 50, 300, 250}, 100, 100},  // exactly half is too much
  };
  for (const Case& c : cases) {
    auto draws = Box(c.box.left, c.box.top, c.box.right, c.box.bottom, c.border);
    const int32_t l = std::min(c.box.left, c.box.right), r = std::max(c.box.left, c.box.right);
    const int32_t t = std::min(c.box.top, c.box.bottom), b = std::max(c.box.top, c.box.bottom);
    const int32_t u = c.used;
    const int32_t xs[4] = {l, l + u, r - u, r}, ys[4] = {t, t + u, b - u, b};
    // Cells of no size are not drawn; the rest come in row-major order.
    std::vector<Rect> expected;
    for (int row = 0; row < 3; ++row)
      for (int col = 0; col < 3; ++col)
        if (xs[col] < xs[col + 1] && ys[row] < ys[row + 1])
          expected.push_back({xs[col], ys[row], xs[col + 1], ys[row + 1]});
    ASSERT_EQ(draws.size(), 3 * expected.size()) << c.border;
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(Destination(draws[i]), expected[i]) << i;
  }
}

TEST_F(RectBox, LayersTakeTheirColoursAndSkinsInTheArgumentsOrder) {
  struct Case {
    int32_t row, col1, col3, col2;
    int32_t x1, x2, x3;  // the x offsets of layers 1, 2 and 3
  };
  const Case cases[] = {
      {0, 0, 0, 0, 0, 300, 600},
      {2, 1, 2, 3, 100, 600, 800},
  };
  for (const Case& c : cases) {
    auto draws =
        Box(100, 100, 300, 300, 30, 0xFF000001, 0xFF000003, 0xFF000002, c.row, c.col1, c.col3, c.col2);
    ASSERT_EQ(draws.size(), 27u);
    const int32_t xs[3] = {c.x1, c.x2, c.x3};
    const Argb colours[3] = {0xFF000001, 0xFF000002, 0xFF000003};
    for (int layer = 0; layer < 3; ++layer)
      for (int i = 0; i < 9; ++i) {
        const auto& d = draws[size_t(layer * 9 + i)];
        const Rect& cell = globals->GetBoxCell(i);
        EXPECT_EQ(d.source, (Rect{cell.left + xs[layer], cell.top + 100 * c.row, cell.right + xs[layer],
                                  cell.bottom + 100 * c.row}))
            << "layer " << layer + 1 << " cell " << i;
        EXPECT_EQ(d.colour, colours[layer]);
        EXPECT_EQ(d.texture, globals->GetBoxTexture()->texture);
      }
  }
}
