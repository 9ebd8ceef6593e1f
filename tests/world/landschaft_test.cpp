// The landscape pixel store: tiling, addressing at tile borders and bounds, the solid and
// empty thresholds, locking and dirty rows, copies, tint, animations and drawing through
// the Null device's recorded draws.
#include "world/landschaft.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <stdexcept>
#include <vector>

#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "engine/frametimer.h"
#include "engine/kvnode.h"
#include "engine/renderextralookup.h"
#include "engine/spriterenderer.h"
#include "platform/zeropages.h"
#include "support/png.h"
#include "support/resident.h"
#include "support/temp_dir.h"
#include "world/landstamp.h"
#include "world/terrain_art.h"

using terrain_test::ArtStore;

namespace {

std::unique_ptr<Landschaft> Store(const Rect& r) {
  auto land = std::make_unique<Landschaft>(r);
  land->SetGraphics(nullptr);
  land->CreateTiles();
  return land;
}

// The pixel word a float lookup reaches, written through the PixelRef's pointers.
const uint8_t* LookUp(Landschaft& land, float x, float y) {
  PixelRef ref;
  ref.x = x;
  ref.y = y;
  return land.PixelAt(ref) ? ref.blue : nullptr;
}

}  // namespace

TEST(Landschaft, TilesCoverTheRectangleColumnByColumn) {
  struct Case {
    Rect rect;
    int32_t columns, rows;
    std::vector<Rect> tiles;  // in creation order
    std::vector<int32_t> textureWidths;
  };
  const Case cases[] = {
      {{0, 0, 257, 1}, 2, 1, {{0, 0, 256, 1}, {256, 0, 257, 1}}, {256, 1}},
      {{0, 0, 512, 512},
       2,
       2,
       {{0, 0, 256, 256}, {0, 256, 256, 512}, {256, 0, 512, 256}, {256, 256, 512, 512}},
       {256, 256, 256, 256}},
      {{-300, -10, 300, 10},
       3,
       1,
       {{-300, -10, -44, 10}, {-44, -10, 212, 10}, {212, -10, 300, 10}},
       {256, 256, 128}},
      // An inverted or empty rectangle has no tiles.
      {{10, 0, 0, 5}, 0, 0, {}, {}},
      {{0, 0, 0, 0}, 0, 0, {}, {}},
      {{-2000000000, 0, 2000000000, 5}, 0, 0, {}, {}},  // wider than 32-bit integers reach
  };
  for (const Case& c : cases) {
    auto land = Store(c.rect);
    EXPECT_EQ(land->Columns(), c.columns);
    EXPECT_EQ(land->Rows(), c.rows);
    ASSERT_EQ(land->Tiles().size(), c.tiles.size());
    for (size_t i = 0; i < c.tiles.size(); ++i) {
      const LandschaftTile& tile = *land->Tiles()[i];
      EXPECT_EQ(tile.WorldRect(), c.tiles[i]) << i;
      EXPECT_EQ(tile.LockRect(), (Rect{0, 0, c.tiles[i].Width(), c.tiles[i].Height()}));
      EXPECT_EQ(tile.GetTexture()->Width(), c.textureWidths[i]);
      EXPECT_EQ(tile.Position(), Vector2(float(c.tiles[i].left), float(c.tiles[i].top)));
      int32_t col = (c.tiles[i].left - c.rect.left) / 256, row = (c.tiles[i].top - c.rect.top) / 256;
      EXPECT_EQ(land->GridTile(col, row), &tile);
    }
  }
  auto inverted = Store({10, 0, 0, 5});
  EXPECT_EQ(LookUp(*inverted, 5.0f, 2.0f), nullptr);
}

TEST(Landschaft, NewTilesAreClearedAndLookupsFindTheRightPixel) {
  auto land = Store({-300, -10, 300, 300});
  for (const auto& tile : land->Tiles()) {
    const platform::Texture* t = tile->GetTexture();
    for (int32_t i = 0; i < t->Width() * t->Height(); ++i) ASSERT_EQ(t->Pixels()[i], 0u);
  }
  const LandschaftTile* first = land->Tiles()[0].get();
  const LandschaftTile* second = land->GridTile(1, 0);
  const LandschaftTile* below = land->GridTile(0, 1);
  struct Case {
    float x, y;
    const LandschaftTile* tile;  // null: outside
    int32_t column, row;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  const Case cases[] = {
      {-300.0f, -10.0f, first, 0, 0},    // the first pixel of the first tile
      {-45.0f, -10.0f, first, 255, 0},   // the last column of tile 0 ...
      {-44.0f, -10.0f, second, 0, 0},    // ... and the first of tile 1
      {-300.0f, 245.0f, first, 0, 255},  // the last row of tile 0 ...
      {-300.0f, 246.0f, below, 0, 0},    // ... and the first of the tile below
      {-299.5f, 3.75f, first, 0, 13},
      // Negative positions: the tile follows the truncated position (-9), the column the
      // float offset within that tile (-9.5 + 44 = 34.5), as the store addresses pixels.
      {-9.5f, 0.0f, second, 34, 10},
      {300.0f, 0.0f, nullptr, 0, 0},  // right and bottom are outside
      {0.0f, 300.0f, nullptr, 0, 0},
      {-300.01f, 0.0f, nullptr, 0, 0},
      {nan, 0.0f, nullptr, 0, 0},
      {0.0f, nan, nullptr, 0, 0},
      {inf, 0.0f, nullptr, 0, 0},
      {-inf, 0.0f, nullptr, 0, 0},
  };
  for (const Case& c : cases) {
    const uint8_t* bytes = LookUp(*land, c.x, c.y);
    const uint32_t* peek = land->PeekPixel(c.x, c.y);
    if (!c.tile) {
      EXPECT_EQ(bytes, nullptr) << c.x << "," << c.y;
      EXPECT_EQ(peek, nullptr) << c.x << "," << c.y;
      continue;
    }
    const uint32_t* expected = c.tile->Row(c.row) + c.column;
    EXPECT_EQ(bytes, reinterpret_cast<const uint8_t*>(expected)) << c.x << "," << c.y;
    EXPECT_EQ(peek, expected) << c.x << "," << c.y;
  }
  // Integer lookups agree with float ones at whole positions.
  for (int32_t x : {-300, -45, -44, 0, 211, 212, 299})
    for (int32_t y : {-10, 245, 246, 299})
      EXPECT_EQ(land->PeekPixel(x, y), land->PeekPixel(float(x), float(y)));
}

TEST(Landschaft, AlphaThresholdsSplitSolidFromEmpty) {
  auto land = Store({0, 0, 8, 1});
  const struct {
    uint32_t argb;
    bool solid, empty;
  } cases[] = {{0x00000000, false, true},
               {0xC0FFFFFF, false, true},  // 192
               {0xC1000000, true, false},  // 193
               {0xFF000000, true, false}};
  for (const auto& c : cases) {
    PixelRef ref;
    ASSERT_TRUE(land->PixelAt(ref));
    *reinterpret_cast<uint32_t*>(ref.blue) = c.argb;
    EXPECT_EQ(Landschaft::IsSolid(ref), c.solid) << std::hex << c.argb;
    EXPECT_EQ(Landschaft::IsEmpty(ref), c.empty) << std::hex << c.argb;
    EXPECT_EQ(land->IsSolidAt(0, 0), c.solid);
    EXPECT_EQ(land->IsEmptyAt(0.0f, 0.0f), c.empty);
  }
  // Outside is neither.
  EXPECT_FALSE(land->IsSolidAt(8, 0));
  EXPECT_FALSE(land->IsEmptyAt(8, 0));
}

TEST(Landschaft, WritingLocksOneTileAndItsRowsReachTheNextDraw) {
  auto land = Store({0, 0, 512, 300});
  for (const auto& tile : land->Tiles()) tile->GetTexture()->ClearDirty();  // as after a first draw

  // Reading never locks; a lookup for writing locks only its own tile.
  EXPECT_TRUE(land->IsEmptyAt(300, 10));
  EXPECT_FALSE(land->GridTile(1, 0)->IsLocked());
  PixelRef ref;
  ref.x = 300.0f;
  ref.y = 10.0f;
  ASSERT_TRUE(land->PixelAt(ref));
  *ref.alpha = 255;
  *ref.red = 7;
  EXPECT_TRUE(land->GridTile(1, 0)->IsLocked());
  for (const LandschaftTile* other : {land->GridTile(0, 0), land->GridTile(0, 1), land->GridTile(1, 1)})
    EXPECT_FALSE(other->IsLocked());
  EXPECT_EQ(*land->PeekPixel(300, 10), 0xFF070000u);

  // A draw while the tile is locked uploads its rows; a later write still reaches the GPU
  // copy because unlocking marks the rows again.
  platform::Texture* texture = land->GridTile(1, 0)->GetTexture();
  ASSERT_TRUE(texture->IsDirty());
  texture->ClearDirty();
  *ref.green = 9;
  land->UnlockAll();
  EXPECT_FALSE(land->GridTile(1, 0)->IsLocked());
  EXPECT_TRUE(texture->IsDirty());
  EXPECT_EQ(texture->DirtyBegin(), 0);
  EXPECT_EQ(texture->DirtyEnd(), 256);
  EXPECT_FALSE(land->GridTile(0, 0)->GetTexture()->IsDirty());
}

// Unlocking all tiles passes over a store none of whose tiles is locked; whichever way a
// tile was locked, it is unlocked.
TEST(Landschaft, UnlockAllUnlocksTilesLockedAnyWay) {
  const struct {
    const char* what;
    std::function<std::unique_ptr<Landschaft>(std::unique_ptr<Landschaft>)> lock;
  } ways[] = {
      {"a pixel for writing", [](std::unique_ptr<Landschaft> l) {
         *l->LockedPixel(300, 10) = terrain_test::kEarth;
         return l;
       }},
      {"a row across a tile border", [](std::unique_ptr<Landschaft> l) {
         int32_t count = 0;
         l->LockedRow(250, 280, count)[0] = terrain_test::kEarth;
         return l;
       }},
      {"a pixel's bytes", [](std::unique_ptr<Landschaft> l) {
         PixelRef ref;
         ref.x = 10.5f;
         ref.y = 270.5f;
         EXPECT_TRUE(l->PixelAt(ref));
         return l;
       }},
      {"the tile itself", [](std::unique_ptr<Landschaft> l) {
         EXPECT_TRUE(l->GridTile(1, 1)->Lock());
         return l;
       }},
      {"clearing", [](std::unique_ptr<Landschaft> l) {
         l->Clear();
         return l;
       }},
      {"new tiles over locked ones", [](std::unique_ptr<Landschaft> l) {
         *l->LockedPixel(5, 5) = terrain_test::kEarth;
         l->CreateTiles();
         *l->LockedPixel(400, 290) = terrain_test::kEarth;
         return l;
       }},
      {"a copy of a locked store", [](std::unique_ptr<Landschaft> l) {
         *l->LockedPixel(5, 5) = terrain_test::kEarth;
         return Landschaft::Create(*l);
       }},
  };
  for (const auto& w : ways) {
    SCOPED_TRACE(w.what);
    auto land = w.lock(Store({0, 0, 512, 300}));
    EXPECT_TRUE(std::any_of(land->Tiles().begin(), land->Tiles().end(), [](const auto& t) { return t->IsLocked(); }));
    land->UnlockAll();
    for (const auto& tile : land->Tiles()) EXPECT_FALSE(tile->IsLocked());
    // Nothing locked: nothing to do, and nothing is locked afterwards.
    land->UnlockAll();
    for (const auto& tile : land->Tiles()) EXPECT_FALSE(tile->IsLocked());
  }
}

TEST(Landschaft, CopyClonesPixelsAndLayerValuesButNotAnimations) {
  auto source = ArtStore({"#..e", ".s#.", "r..g"}, -2, 5);
  Vector2 parallax(0.5f, 0.25f);
  source->SetParallax(&parallax);
  source->SetParallax(nullptr);  // null changes nothing
  source->SetOffset({3.0f, -4.0f});
  source->SetDepth(-2);
  source->AnimationNames().push_back(u"WOLKE");
  source->AddAnimation(nullptr);
  PixelRef ref;
  ref.x = -2.0f;
  ref.y = 5.0f;
  ASSERT_TRUE(source->PixelAt(ref));  // the source tile is locked before the copy

  auto copy = Landschaft::Create(*source);
  EXPECT_EQ(terrain_test::ToArt(*copy), terrain_test::ToArt(*source));
  EXPECT_EQ(copy->GetRect(), source->GetRect());
  EXPECT_EQ(copy->GetParallax(), parallax);
  EXPECT_EQ(copy->GetOffset(), Vector2(3.0f, -4.0f));
  EXPECT_EQ(copy->GetDepth(), -2);
  EXPECT_TRUE(copy->AnimationNames().empty());
  EXPECT_TRUE(copy->Animations().empty());
  EXPECT_FALSE(source->Tiles()[0]->IsLocked());
  EXPECT_TRUE(copy->Tiles()[0]->IsLocked());
  EXPECT_NE(copy->Tiles()[0]->GetTexture(), source->Tiles()[0]->GetTexture());
  *copy->LockedPixel(-2, 5) = 0;
  EXPECT_EQ(*source->PeekPixel(-2, 5), terrain_test::kEarth);
}

TEST(Landschaft, TintMultipliesEachChannelAndTruncates) {
  // Byte values 0, 1, 100, 128, 175, 200, 254, 255 in every channel, then tinted.
  const uint8_t values[] = {0, 1, 100, 128, 175, 200, 254, 255};
  struct Case {
    Argb colour;
    uint8_t alpha[8];  // what each value becomes in the alpha channel
    uint8_t red[8];    // ... and in the red channel
  };
  const Case cases[] = {
      {0xFFFFFFFF, {0, 1, 100, 128, 175, 200, 254, 255}, {0, 1, 100, 128, 175, 200, 254, 255}},
      {0x80FFFFFF, {0, 0, 50, 64, 87, 100, 127, 128}, {0, 1, 100, 128, 175, 200, 254, 255}},
      // 175/255 in single precision: 255 stays 175, but 254 becomes 174.
      {0xFFAFAFAF, {0, 1, 100, 128, 175, 200, 254, 255}, {0, 0, 68, 87, 120, 137, 174, 175}},
      {0xFF33FFFF, {0, 1, 100, 128, 175, 200, 254, 255}, {0, 0, 20, 25, 35, 40, 50, 51}},
  };
  for (const Case& c : cases) {
    auto land = Store({0, 0, 8, 300});  // two tiles
    for (int i = 0; i < 8; ++i) {
      uint32_t v = values[i];
      *land->LockedPixel(i, 0) = (v << 24) | (v << 16) | (v << 8) | v;
      *land->LockedPixel(i, 299) = (v << 24) | (v << 16) | (v << 8) | v;
    }
    land->Tint(c.colour);
    for (int i = 0; i < 8; ++i) {
      for (int32_t y : {0, 299}) {
        uint32_t p = *land->PeekPixel(i, y);
        EXPECT_EQ(p >> 24, c.alpha[i]) << std::hex << c.colour << std::dec << " value " << int(values[i]);
        EXPECT_EQ((p >> 16) & 255, c.red[i])
            << std::hex << c.colour << std::dec << " value " << int(values[i]);
        EXPECT_EQ(p & 255, (c.colour & 255) == 255 ? values[i] : c.red[i]);
      }
    }
    for (const auto& tile : land->Tiles()) EXPECT_FALSE(tile->IsLocked());
  }
}

// A large layer that is mostly sky: its memory is taken only where pixels are drawn, and
// neither a copy nor a tint nor clearing takes memory for clear tiles.
TEST(Landschaft, MemoryIsTakenOnlyWherePixelsAreDrawn) {
  const size_t kMiB = size_t(1) << 20;
  const size_t before = test_support::ResidentBytes();
  auto land = Store({-2048, -1024, 2048, 1024});  // 128 tiles, 32 MB of pixels
  // A line of ground along the bottom row of tiles.
  for (int32_t x = -2048; x < 2048; ++x) *land->LockedPixel(x, 1000) = 0xFF804020u;
  land->UnlockAll();
  // As at the end of a world build: while a layer is built a written tile takes its whole
  // slot (where the kernel can populate pages), and the build's end gives the clear ones back.
  land->GiveBackClearPages();
  auto copy = Landschaft::Create(*land);
  copy->Tint(0xFFAFAFAF);
  if (test_support::ResidentBytesAreTheProgramsOwn())
    EXPECT_LT(test_support::ResidentBytes(), before + 8 * kMiB);
  EXPECT_EQ(*copy->PeekPixel(-2048, 1000), 0xFF572B15u);
  EXPECT_EQ(*copy->PeekPixel(2047, 1000), 0xFF572B15u);
  EXPECT_EQ(*copy->PeekPixel(0, 999), 0u);
  EXPECT_EQ(*land->PeekPixel(0, 1000), 0xFF804020u);

  // Cleared, a store reads clear again and gives its memory back.
  for (int32_t y = 0; y < 1024; ++y)
    for (int32_t x = -2048; x < 2048; ++x) *land->LockedPixel(x, y) = 0xFF000000u | uint32_t(y);
  const size_t filled = test_support::ResidentBytes();
  land->Clear();
  EXPECT_LT(test_support::ResidentBytes() + 12 * kMiB, filled);
  for (int32_t y : {-1024, 0, 500, 1023}) EXPECT_EQ(*land->PeekPixel(1, y), 0u);
}

// While a layer is built, a tile that is written takes its whole slot at once; the build's
// end gives back the pages that stayed clear, and from then on a first write takes only the
// page it writes. Copies of a finished layer take only what they copy.
TEST(Landschaft, ABuiltLayerKeepsOnlyThePagesItsPixelsUse) {
  auto land = Store({0, 0, 1024, 512});  // 4 x 2 tiles of 256 x 256
  auto tileAt = [](Landschaft& l, int32_t x, int32_t y) -> LandschaftTile& {
    for (const auto& tile : l.Tiles()) {
      const Rect& r = tile->WorldRect();
      if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return *tile;
    }
    throw std::logic_error("no tile");
  };
  // The pages of a tile's slot that hold memory, by index.
  auto touchedPages = [](LandschaftTile& tile) {
    std::vector<unsigned char> touched;
    const size_t bytes = size_t(tile.GetTexture()->Width()) * size_t(tile.GetTexture()->Height()) * 4;
    platform::TouchedPages(tile.Row(0), bytes, touched);
    std::vector<size_t> pages;
    for (size_t p = 0; p < touched.size(); ++p)
      if (touched[p]) pages.push_back(p);
    return pages;
  };
  const size_t rowsPerPage = platform::ZeroPages::PageSize() / (256 * 4);
  *land->LockedPixel(10, 10) = 0xFF112233u;
  LandschaftTile& first = tileAt(*land, 10, 10);
  EXPECT_EQ(touchedPages(first).size(), 256 / rowsPerPage) << "the whole slot, at once";
  land->UnlockAll();
  land->GiveBackClearPages();
  EXPECT_EQ(touchedPages(first), std::vector<size_t>{10 / rowsPerPage});
  EXPECT_EQ(*land->PeekPixel(10, 10), 0xFF112233u);
  EXPECT_EQ(*land->PeekPixel(10, 200), 0u);

  // After the build: only the page written.
  *land->LockedPixel(700, 300) = 0xFF445566u;
  land->UnlockAll();
  EXPECT_EQ(touchedPages(tileAt(*land, 700, 300)), std::vector<size_t>{(300 - 256) / rowsPerPage});
  auto copy = Landschaft::Create(*land);
  *copy->LockedPixel(300, 400) = 0xFF778899u;
  copy->UnlockAll();
  EXPECT_EQ(touchedPages(tileAt(*copy, 10, 10)), std::vector<size_t>{10 / rowsPerPage});
  EXPECT_EQ(touchedPages(tileAt(*copy, 300, 400)), std::vector<size_t>{(400 - 256) / rowsPerPage});
  EXPECT_EQ(*copy->PeekPixel(700, 300), 0xFF445566u);
}

namespace {

// Two 32 x 32 frames side by side; "A" is 64 x 32 at (100, 50), "B" 32 x 32 at (10, 10)
// with render-extra id 3.
const char16_t* const kAnimations =
    u"<>\n \t<\\>\n<ANI>"
    u"<ANIMATION_FRAMES> <NAME> \"Zwei\" <\\NAME> <ANIMATIONFILE> <SEARCHPATH> \"anim\" <\\SEARCHPATH>"
    u"  <TEXTUR_FILE> \"frames.png\" <\\TEXTUR_FILE> <FIRST_FRAME> \"0\" \"0\" \"32\" \"32\" <\\FIRST_FRAME>"
    u"  <ANZAHL> \"2\" \"1\" <\\ANZAHL> <\\ANIMATIONFILE> <\\ANIMATION_FRAMES>"
    u"<ANIMATION> <NAME> \"Flug\" <\\NAME> <ANIMATION_FRAME_NAME> \"Zwei\" <\\ANIMATION_FRAME_NAME>"
    u"  <PLAY_TYP> \"CLAMP\" <\\PLAY_TYP> <\\ANIMATION>"
    u"<BEWEGTEANIMATION> <NAME> \"A\" <\\NAME> <ANIMATION_SIZE> <ANIMATION> \"Flug\" \"64\" \"32\" "
    u"<\\ANIMATION>"
    u"  <\\ANIMATION_SIZE> <POSITION> \"100\" \"50\" <\\POSITION> <\\BEWEGTEANIMATION>"
    u"<BEWEGTEANIMATION> <NAME> \"B\" <\\NAME> <RENDER_EXTRA_ID> \"3\" <\\RENDER_EXTRA_ID>"
    u"  <ANIMATION_SIZE> <ANIMATION> \"Flug\" \"32\" \"32\" <\\ANIMATION> <\\ANIMATION_SIZE>"
    u"  <POSITION> \"10\" \"10\" <\\POSITION> <\\BEWEGTEANIMATION>"
    u"<\\ANI>";

// Moving animations get a colour for render-extra id 3 only.
class IdThree : public RenderExtraLookup {
 public:
  bool GetLayerEntry(int32_t layerKey, Argb& colour, int32_t index) const override {
    if (layerKey != kLayerMovingAnimations) return false;
    colour = index == 3 ? 0xFFFFFFFF : 0;
    return true;
  }
};

class LayerDrawing : public ::testing::Test {
 protected:
  void SetUp() override {
    DisplayEnvironment env;
    env.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(context, env);
    graphics->UseNullDevice(true);
    ASSERT_EQ(graphics->Create(), kResultOk);
    device = graphics->GetDevice();
  }
  void TearDown() override { RenderExtraLookup::Install(nullptr); }

  // The animations above, over a sheet of two 32x32 frames in an archive kept for the test.
  void LoadAnimations(AnimationManager& manager) {
    ASSERT_TRUE(WriteDataArchive(
        dir.File("a.gob"),
        {{u"anim\\frames.png", MakePng(64, 32, [](int x, int) { return 0xFF000000u | x; })}}));
    archive = DataArchive::Open(dir.File("a.gob"));
    auto root = ParseKVText(kAnimations);
    manager.LoadFile(root.get(), archive.get());
  }

  template <class F>
  const std::vector<platform::DrawRecord>& Draws(F&& draw) {
    device->ClearRecordedDraws();
    graphics->GetSpriteRenderer()->Begin(SpriteRenderer::kAlphaBlend);
    draw();
    graphics->GetSpriteRenderer()->End();
    return device->RecordedDraws();
  }

  APIContext context;
  std::unique_ptr<APIGraphics> graphics;
  platform::GraphicsDevice* device = nullptr;
  TempDir dir;
  std::unique_ptr<DataArchive> archive;
};

}  // namespace

TEST_F(LayerDrawing, AnimationsAreMadeUpdatedAndDrawnLastToFirst) {
  AnimationManager manager(graphics.get());
  LoadAnimations(manager);

  auto land = Store({0, 0, 16, 16});
  land->SetGraphics(graphics.get());
  *land->LockedPixel(3, 3) = 0x01000000;
  land->UnlockAll();
  land->AnimationNames() = {u"A", u"UNBEKANNT", u"B"};
  land->CreateAnimations(manager);
  ASSERT_EQ(land->Animations().size(), 3u);
  ASSERT_NE(land->Animations()[0], nullptr);
  EXPECT_EQ(land->Animations()[0]->GetName(), u"B");
  EXPECT_EQ(land->Animations()[1], nullptr);
  EXPECT_EQ(land->Animations()[2]->GetName(), u"A");

  // Paused, the game step is 0 and nothing moves on; a step of one frame's time shows
  // each animation's second frame.
  FrameTimer timer;
  timer.gameStep = 0.0;
  land->UpdateAnimations(timer);
  EXPECT_EQ(land->Animations()[0]->GetAnimation()->GetCurrentFrame()->rect, (Rect{0, 0, 32, 32}));
  timer.gameStep = 0.04;
  land->UpdateAnimations(timer);
  EXPECT_EQ(land->Animations()[0]->GetAnimation()->GetCurrentFrame()->rect, (Rect{32, 0, 64, 32}));
  EXPECT_EQ(land->Animations()[2]->GetAnimation()->GetCurrentFrame()->rect, (Rect{32, 0, 64, 32}));

  // Origin (0 - 512) * 0.5 + 512 = 256 and (0 - 384) * 0.5 + 384 = 192; scale 2 * 0.5.
  Vector2 parallax(0.5f, 0.5f);
  land->SetParallax(&parallax);
  const auto& draws = Draws([&] { land->Draw({0.0f, 0.0f}, {2.0f, 2.0f}, 0xFF102030); });
  ASSERT_EQ(draws.size(), 3u);  // the tile, then A, then B
  EXPECT_EQ(draws[0].texture, land->Tiles()[0]->GetTexture());
  EXPECT_EQ(draws[1].corners[0], Vector2(256 + 68, 192 + 34));
  EXPECT_EQ(draws[1].corners[3], Vector2(256 + 132, 192 + 66));
  EXPECT_EQ(draws[2].corners[0], Vector2(256 - 6, 192 - 6));
  EXPECT_EQ(draws[2].colour, 0xFF102030u);

  // The effect pass draws only what the render extra gives a colour, at the zoom itself
  // (not zoom times parallax).
  bool drew = true;
  EXPECT_TRUE(Draws([&] { drew = land->DrawAnimationsForEffect({0.0f, 0.0f}, {2.0f, 2.0f}); }).empty());
  EXPECT_FALSE(drew);
  IdThree lookup;
  RenderExtraLookup::Install(&lookup);
  const auto& effect = Draws([&] { drew = land->DrawAnimationsForEffect({0.0f, 0.0f}, {2.0f, 2.0f}); });
  EXPECT_TRUE(drew);
  ASSERT_EQ(effect.size(), 1u);
  EXPECT_EQ(effect[0].corners[0], Vector2(256 - 12, 192 - 12));
  EXPECT_EQ(effect[0].corners[3], Vector2(256 + 52, 192 + 52));
}

TEST_F(LayerDrawing, AnAnimationAddedLaterTakesNoneOfTheStepsBeforeIt) {
  AnimationManager manager(graphics.get());
  LoadAnimations(manager);

  // Two frames' worth of steps pass before the second animation comes and one after: the
  // first shows its second frame, the second still its first.
  auto land = Store({0, 0, 16, 16});
  land->AddAnimation(manager.CreateBewegteAnimation(u"A"));
  FrameTimer timer;
  timer.gameStep = 0.02;
  land->UpdateAnimations(timer);
  land->UpdateAnimations(timer);
  land->AddAnimation(manager.CreateBewegteAnimation(u"B"));
  land->UpdateAnimations(timer);
  ASSERT_EQ(land->Animations().size(), 2u);
  const double frames = 0.02 * 25.0;  // the frame player's default speed
  EXPECT_EQ(land->Animations()[0]->GetAnimation()->GetFramesPlayed(), frames + frames + frames);
  EXPECT_EQ(land->Animations()[1]->GetAnimation()->GetFramesPlayed(), frames);
  EXPECT_EQ(land->Animations()[0]->GetAnimation()->GetCurrentFrame()->rect, (Rect{32, 0, 64, 32}));
  EXPECT_EQ(land->Animations()[1]->GetAnimation()->GetCurrentFrame()->rect, (Rect{0, 0, 32, 32}));
}

TEST_F(LayerDrawing, TilesAreDrawnLastToFirstAtParallaxAndOffset) {
  auto land = Store({-100, 0, 300, 300});  // tiles (-100,0) (-100,256) (156,0) (156,256)
  land->SetGraphics(graphics.get());
  for (int32_t x : {-100, 156})
    for (int32_t y : {0, 256}) *land->LockedPixel(x, y) = 0x01000000;
  land->UnlockAll();
  Vector2 parallax(0.5f, 0.25f);
  land->SetParallax(&parallax);
  land->SetOffset({10.0f, -8.0f});
  device->ClearRecordedDraws();
  ASSERT_EQ(graphics->GetSpriteRenderer()->Begin(SpriteRenderer::kAlphaBlend), kResultOk);
  land->Draw({100.0f, 40.0f}, {2.0f, 4.0f}, 0x80FFFFFF);
  graphics->GetSpriteRenderer()->End();
  // Scale (1, 1); centre (522, 376); origin ((100 - 522) * 0.5 + 522, (40 - 376) * 0.25 + 376) = (311, 292).
  const auto& draws = device->RecordedDraws();
  ASSERT_EQ(draws.size(), 4u);
  const struct {
    size_t tile;
    Vector2 topLeft;
  } expected[] = {{3, {467, 548}}, {2, {467, 292}}, {1, {211, 548}}, {0, {211, 292}}};
  for (size_t i = 0; i < 4; ++i) {
    const LandschaftTile& tile = *land->Tiles()[expected[i].tile];
    EXPECT_EQ(draws[i].texture, tile.GetTexture()) << i;
    EXPECT_EQ(draws[i].source, tile.LockRect()) << i;
    EXPECT_EQ(draws[i].corners[0], expected[i].topLeft) << i;
    EXPECT_EQ(draws[i].colour, 0x80FFFFFFu);
  }
  EXPECT_EQ(draws[0].corners[3], Vector2(467 + 144, 548 + 44));
}

// A tile drawn with no alpha anywhere could show nothing, so it is left out; the tiles
// are looked at again after every change, and a tile being changed is always drawn.
TEST_F(LayerDrawing, TilesWithoutAlphaAreLeftOut) {
  auto land = Store({0, 0, 512, 256});  // tiles (0,0) and (256,0)
  land->SetGraphics(graphics.get());
  // Colour without alpha shows nothing either.
  *land->LockedPixel(10, 10) = 0x00FFFFFF;
  land->UnlockAll();
  auto drawn = [&] {
    std::vector<const platform::Texture*> textures;
    for (const auto& d : Draws([&] { land->Draw({0.0f, 0.0f}, {1.0f, 1.0f}, 0xFFFFFFFF); }))
      textures.push_back(d.texture);
    return textures;
  };
  const platform::Texture* first = land->Tiles()[0]->GetTexture();
  const platform::Texture* second = land->Tiles()[1]->GetTexture();
  EXPECT_TRUE(drawn().empty());

  *land->LockedPixel(300, 255) = 0x01000000;  // the last row of the second tile
  EXPECT_EQ(drawn(), (std::vector<const platform::Texture*>{second}));  // still locked
  land->UnlockAll();
  EXPECT_EQ(drawn(), (std::vector<const platform::Texture*>{second}));

  // A change through the pointers of a lookup, and one by a writer that marks its rows.
  PixelRef ref;
  ref.x = 20.0f;
  ref.y = 20.0f;
  ASSERT_TRUE(land->PixelAt(ref));
  *ref.alpha = 7;
  land->UnlockAll();
  EXPECT_EQ(drawn(), (std::vector<const platform::Texture*>{second, first}));
  land->Clear();
  land->UnlockAll();
  EXPECT_TRUE(drawn().empty());
  land->Tiles()[0]->MutableRow(5)[5] = 0xFF000000;
  land->Tiles()[0]->GetTexture()->MarkDirty(5, 6);
  EXPECT_EQ(drawn(), (std::vector<const platform::Texture*>{first}));
}

namespace {

// Every answer of the lookups that pass over clear blocks against the pixels themselves:
// each pixel of the store and a margin around it (whole and half positions, which differ
// left of and above 0), every stretch ClearAround reports, and rectangles of all sizes.
void ExpectBlocksAgreeWithPixels(const Landschaft& land) {
  const Rect r = land.GetRect();
  const Rect around{r.left - 20, r.top - 20, r.right + 20, r.bottom + 20};
  for (int32_t y = around.top; y < around.bottom; ++y)
    for (int32_t x = around.left; x < around.right; ++x) {
      ASSERT_EQ(land.IsSolidAtSkippingClear(x, y), land.IsSolidAt(x, y)) << x << "," << y;
      for (float f : {0.5f, -0.5f}) {
        const float fx = float(x) + f, fy = float(y) + f;
        ASSERT_EQ(land.IsSolidAtSkippingClear(fx, fy), land.IsSolidAt(fx, fy)) << fx << "," << fy;
      }
      Rect clear;
      if (!land.ClearAround(x, y, clear)) continue;
      ASSERT_TRUE(x >= clear.left && x < clear.right && y >= clear.top && y < clear.bottom) << x << "," << y;
      // Each stretch once, from its first position; only the part near the store can hold
      // anything.
      if (x != std::max(clear.left, around.left) || y != std::max(clear.top, around.top)) continue;
      for (int32_t cy = std::max(clear.top, around.top); cy < std::min(clear.bottom, around.bottom); ++cy)
        for (int32_t cx = std::max(clear.left, around.left); cx < std::min(clear.right, around.right); ++cx)
          ASSERT_FALSE(land.IsSolidAt(cx, cy)) << "stretch around " << x << "," << y << " holds " << cx << "," << cy;
    }
  for (int32_t size : {1, 3, 16, 40}) {
    for (int32_t top = around.top; top < around.bottom; top += 7 + size / 4)
      for (int32_t left = around.left; left < around.right; left += 5 + size / 4) {
        bool any = false;
        for (int32_t y = top; y < top + size && !any; ++y)
          for (int32_t x = left; x < left + size && !any; ++x) any = land.IsSolidAt(x, y);
        ASSERT_EQ(land.AnySolidIn(left, top, left + size - 1, top + size - 1), any)
            << left << "," << top << " size " << size;
      }
  }
}

}  // namespace

// The blocks a lookup has found clear are forgotten by every way of writing the store: a
// block learnt clear and then written must not answer "clear" again.
TEST(Landschaft, ClearBlocksAnswerAsThePixelsDoAfterEveryKindOfWrite) {
  auto rock = std::make_unique<platform::Texture>(6, 6);
  for (int i = 0; i < 36; ++i) rock->MutablePixels()[i] = terrain_test::kEarth;
  const double angle = 30.0;
  const Vector2 centre(3.0f, 3.0f);
  const struct {
    const char* what;
    std::function<void(Landschaft&)> write;
  } writes[] = {
      {"a pixel in open air", [](Landschaft& l) { *l.LockedPixel(70, 40) = terrain_test::kEarth; }},
      {"a hole dug into the ground and the wall",
       [](Landschaft& l) {
         for (int32_t y = 200; y < 205; ++y)
           for (int32_t x = 60; x < 66; ++x) *l.LockedPixel(x, y) = 0;
         *l.LockedPixel(100, 33) = 0xC0FFFFFFu;
       }},
      {"the least opaque solid pixel", [](Landschaft& l) { *l.LockedPixel(-35, -20) = 0xC1000000u; }},
      {"a row across blocks and the tile border",
       [](Landschaft& l) {
         int32_t count = 0;
         uint32_t* row = l.LockedRow(190, 10, count);
         for (int32_t i = 0; i < count; ++i) row[i] = terrain_test::kEarth;
       }},
      {"a pixel through its bytes, left of 0",
       [](Landschaft& l) {
         PixelRef ref;
         ref.x = -0.5f;
         ref.y = 20.5f;
         ASSERT_TRUE(l.PixelAt(ref));
         *ref.alpha = 0xFF;
       }},
      {"a turned stamp",
       [&](Landschaft& l) {
         LandStamp stamp(rock.get(), {0, 0, 6, 6}, {120, 60, 126, 66}, &centre, &angle, false, 0xFFFFFFFF,
                         LandStamp::kOne, LandStamp::kZero, true);
         l.StampTexture(stamp, nullptr);
       }},
      {"stamps in one go",
       [&](Landschaft& l) {
         std::vector<LandStamp> stamps;
         for (int32_t x : {-30, 250, 290})
           stamps.emplace_back(rock.get(), Rect{0, 0, 6, 6}, Rect{x, 100, x + 6, 106}, nullptr, nullptr, false,
                               0xFFFFFFFF, LandStamp::kOne, LandStamp::kZero, true);
         l.StampTextures(stamps);
       }},
      {"a tint", [](Landschaft& l) { l.Tint(0xC8FFFFFF); }},
      {"clearing, then a pixel",
       [](Landschaft& l) {
         l.Clear();
         *l.LockedPixel(5, 5) = terrain_test::kEarth;
       }},
      {"new tiles, then a pixel",
       [](Landschaft& l) {
         l.CreateTiles();
         *l.LockedPixel(300, 250) = terrain_test::kEarth;
       }},
  };
  // Crossing a tile border both ways, with right and bottom edges inside a block.
  auto land = Store({-40, -24, 310, 270});
  for (int32_t x = -40; x < 310; ++x)
    for (int32_t y = 150 + (x * 7) % 23; y < 270; ++y) *land->LockedPixel(x, y) = terrain_test::kEarth;
  for (int32_t y = 0; y < 150; ++y) *land->LockedPixel(100, y) = terrain_test::kEarth;  // a thin wall
  land->UnlockAll();
  for (const auto& w : writes) {
    SCOPED_TRACE(w.what);
    ExpectBlocksAgreeWithPixels(*land);
    // Answers kept by the write count must be given up after every kind of write as well.
    const uint64_t writes = land->WriteCount();
    w.write(*land);
    land->UnlockAll();
    EXPECT_NE(land->WriteCount(), writes);
    ExpectBlocksAgreeWithPixels(*land);
  }
}
