// The landscape stages one by one on small stores: their draws, where they put objects,
// tiles and pieces, the fills and their cancelling overlaps, the rim, and the mended faults
// (Sobel columns left to no band, one falloff step, flat noise, tiny tile steps, empty
// rectangles and frames, too few outline points, negative object counts).
#include "world/lfc_stages.h"

#include <gtest/gtest.h>

#include <functional>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "platform/image.h"
#include "platform/random.h"
#include "platform/text.h"
#include "platform/workers.h"
#include "support/rand_ledger.h"
#include "support/temp_dir.h"
#include "world/generator_fixture.h"
#include "world/lfcstagelist.h"
#include "world/settingkatalog.h"
#include "world/valuenoise.h"
#include "world/worldhash.h"

namespace {

using generator_test::GeneratorPack;

std::unique_ptr<LandschaftsFormCreator> Stage(std::u16string_view section, std::u16string_view body,
                                              const LevelSetting* setting = nullptr, int32_t kind = 0,
                                              double scale = 1.0) {
  auto node = ParseBody(body, section);
  return LfcStageList::MakeStage(*node, setting, kind, scale, nullptr, nullptr);
}

uint32_t Alpha(const Landschaft& store, int32_t x, int32_t y) { return *store.PeekPixel(x, y) >> 24; }

// The pixels of the store for which the test holds.
int32_t Count(const Landschaft& store, const std::function<bool(int32_t, int32_t, uint32_t)>& test) {
  int32_t n = 0;
  const Rect r = store.GetRect();
  for (int32_t y = r.top; y < r.bottom; ++y)
    for (int32_t x = r.left; x < r.right; ++x)
      if (test(x, y, *store.PeekPixel(x, y))) ++n;
  return n;
}

void Fill(Landschaft& store, const Rect& area, uint32_t colour) {
  for (int32_t y = area.top; y < area.bottom; ++y)
    for (int32_t x = area.left; x < area.right; ++x) *store.LockedPixel(x, y) = colour;
}

class StageTest : public ::testing::Test {
 protected:
  void TearDown() override { platform::SetProcessorCountOverride(0); }
  GeneratorPack pack;
};

}  // namespace

TEST_F(StageTest, RandomizeAndConstructorDrawLedger) {
  struct Case {
    const char* what;
    std::function<std::unique_ptr<LandschaftsFormCreator>()> make;
    int32_t kind;
    int constructorDraws;
    int randomizeDraws;
  };
  const LevelSetting* s = pack.setting;
  auto formen = [s](int32_t mode) {
    auto f = std::make_unique<LFC_Formen>(nullptr, s, 0, 1.0);
    f->SetModus(mode);
    return f;
  };
  auto tiles = [s](int32_t kind, bool covering) {
    auto k = std::make_unique<LFC_Kacheln>(nullptr, s, kind, 1.0);
    k->SetCovering(covering);
    return k;
  };
  const Case cases[] = {
      {"ground objects", [&] { return formen(0); }, 0, 0, 2},
      {"air objects", [&] { return formen(1); }, 0, 0, 2},
      {"earth objects", [&] { return formen(2); }, 0, 0, 2},
      {"background objects", [s] { return std::make_unique<LFC_HGObjektePlacer>(nullptr, s, -1, 1.0); }, -1,
       0, 2},
      {"cover tiles, game layer", [&] { return tiles(0, true); }, 0, 1, 2},
      {"cover tiles, background", [&] { return tiles(-1, true); }, -1, 1, 3},
      {"fill tiles, game layer", [&] { return tiles(0, false); }, 0, 1, 2},
      {"fill tiles, foreground", [&] { return tiles(2, false); }, 2, 1, 3},
      {"file tiles naming a pattern", [s] { return Stage(u"LFC_KACHELN", u"<MUSTER> \"1\" <\\MUSTER>", s); },
       0, 2, 2},
      {"inversion", [s] { return std::make_unique<LFC_Invert>(nullptr, s, 0, 1.0); }, 0, 0, 0},
      {"noise line", [s] { return std::make_unique<LFC_Noise>(nullptr, s, 0, 1.0); }, 0, 0, 4},
      {"scan-line band", [s] { return std::make_unique<LFC_ScanLine>(nullptr, s, 0, 1.0); }, 0, 0, 15},
      {"ellipse", [s] { return std::make_unique<LFC_EleptikScanLine>(nullptr, s, -2, 1.0); }, -2, 0, 18},
      {"rim, game layer", [s] { return std::make_unique<LFC_Sobel>(nullptr, s, 0, 1.0); }, 0, 0, 1},
      {"rim, background", [s] { return std::make_unique<LFC_Sobel>(nullptr, s, -1, 1.0); }, -1, 0, 2},
      {"pieces", [s] { return std::make_unique<LFC_LoadFile>(nullptr, s, 0, 1.0); }, 0, 0, 0},
  };
  for (const Case& c : cases) {
    platform::SRand(42);
    RandLedger ledger;
    auto stage = c.make();
    EXPECT_EQ(ledger.Draws(), c.constructorDraws) << c.what;
    ledger.Mark();
    stage->Randomize(c.kind);
    EXPECT_EQ(ledger.Draws(), c.randomizeDraws) << c.what;
  }
}

TEST_F(StageTest, ScanLineWithTwoPassesSkipsTheRangeDraws) {
  // A seed whose 8th draw is 32767 gives r = 1 for the pass count: 2 passes, and then
  // neither of the two range draws is made.
  uint32_t seed = 0;
  for (;; ++seed) {
    ReferenceRand probe(seed);
    for (int i = 0; i < 7; ++i) probe.Next();
    if (probe.Next() == 32767) break;
  }
  platform::SRand(seed);
  RandLedger ledger;
  LFC_ScanLine band(nullptr, pack.setting, 0, 1.0);
  band.Randomize(0);
  EXPECT_EQ(ledger.Draws(), 13);
  EXPECT_NE(band.Describe().find(u"loops=2,1,1"), std::u16string::npos)
      << platform::U16ToUtf8(band.Describe());
}

TEST_F(StageTest, ObjectCountsBelowOneDrawOnlyTheCount) {
  // Base 0.4 and range 0.5 with a small draw give 0; a negative count places nothing either
  // (it never equals the number placed, so it must not be waited for).
  for (const char16_t* counts : {u"\"0.4\" \"0.5\"", u"\"-3\" \"0\""}) {
    auto stage = Stage(u"LFC_FORMEN",
                       u"<RAND> \"0\" \"0\" \"0\" \"0\" <\\RAND> <ANZ_FORMEN> " + std::u16string(counts) +
                           u" <\\ANZ_FORMEN>",
                       pack.setting);
    auto layer = GeneratorPack::Store({0, 0, 200, 100});
    auto mask = GeneratorPack::Store({0, 0, 200, 100});
    Fill(*layer, {0, 50, 200, 100}, 0xFF806040);
    const uint64_t before = LayerHash(*layer);
    SeedSoNextRandIs(100);
    RandLedger ledger;
    stage->Apply(*layer, *mask, nullptr);
    EXPECT_EQ(ledger.Draws(), 1) << platform::U16ToUtf8(counts);
    EXPECT_EQ(LayerHash(*layer), before);
  }
}

TEST_F(StageTest, AnEmptyObjectListGivesUpAfterTwoHundredPasses) {
  // Without a setting every pick finds nothing: one draw for the count, one per pass.
  auto stage = Stage(u"LFC_FORMEN", u"<ANZ_FORMEN> \"5\" \"0\" <\\ANZ_FORMEN>");
  auto layer = GeneratorPack::Store({0, 0, 300, 300});
  auto mask = GeneratorPack::Store({0, 0, 300, 300});
  platform::SRand(7);
  RandLedger ledger;
  stage->Apply(*layer, *mask, nullptr);
  EXPECT_EQ(ledger.Draws(), 1 + LFC_Formen::kMaxFailures);
}

TEST_F(StageTest, ObjectsGoWhereTheirModeAllows) {
  // The left half of the store is earth, the right half air. Ground objects sit on the
  // surface of the left half (its top at row 100), air objects keep clear of the earth,
  // earth objects stay inside it. The mask marks every drawn object in the mask colour.
  struct Case {
    int32_t mode;
    std::function<bool(int32_t x, int32_t y)> allowed;
  };
  const Case cases[] = {
      // On the surface row 100 (trees reach up to 48 pixels, stones sink in by a fifth),
      // at most half an object's width past the earth's side.
      {0, [](int32_t x, int32_t y) { return x < 216 && y >= 45 && y < 110; }},
      // The clearance grid reaches a whole width out, further than a turned object.
      {1, [](int32_t x, int32_t) { return x >= 200; }},
      // The grid's last column can lie short of an object's far side by up to 20 pixels.
      {2, [](int32_t x, int32_t) { return x < 216; }},
  };
  for (const Case& c : cases) {
    auto stage = Stage(u"LFC_FORMEN",
                       platform::FormatW(u"<RAND> \"0\" \"0\" \"0\" \"0\" <\\RAND>"
                                         u"<ANZ_FORMEN> \"12\" \"0\" <\\ANZ_FORMEN>"
                                         u"<MODUS> \"%d\" <\\MODUS>"
                                         u"<MASKEN_FARBE> \"FFFF0000\" <\\MASKEN_FARBE>",
                                         c.mode),
                       pack.setting);
    auto layer = GeneratorPack::Store({0, 0, 400, 300});
    auto mask = GeneratorPack::Store({0, 0, 400, 300});
    // Earth from row 100 down in the left half; from row 0 for the air and earth cases,
    // where only the halves matter.
    Fill(*layer, {0, c.mode == 0 ? 100 : 0, 200, 300}, 0xFF806040);
    platform::SRand(11);
    stage->Apply(*layer, *mask, nullptr);
    const int32_t marked = Count(*mask, [](int32_t, int32_t, uint32_t p) { return (p >> 24) != 0; });
    EXPECT_GT(marked, 0) << "mode " << c.mode;
    EXPECT_EQ(
        Count(*mask, [&](int32_t x, int32_t y, uint32_t p) { return (p >> 24) != 0 && !c.allowed(x, y); }), 0)
        << "mode " << c.mode;
    // Where the object is opaque, exactly the mask colour (soft edges blend it in).
    EXPECT_EQ(Count(*mask, [](int32_t, int32_t,
                              uint32_t p) { return (p >> 24) == 255 && (p & 0xFFFFFF) != 0xFF0000; }),
              0);
  }
}

TEST_F(StageTest, BackgroundObjectsStandOnTheBottomEdge) {
  auto stage = Stage(u"LFC_FORMEN_HG",
                     u"<RAND> \"0\" \"0\" \"0\" \"0\" <\\RAND> <ANZ_FORMEN> \"4\" \"0\" <\\ANZ_FORMEN>",
                     pack.setting, -1);
  auto layer = GeneratorPack::Store({-300, -100, 300, 100});
  auto mask = GeneratorPack::Store({-300, -100, 300, 100});
  platform::SRand(5);
  stage->Apply(*layer, *mask, nullptr);
  // Mountains are anchored at their bottom middle: their foot is the layer's last row, and
  // none reaches higher than the tallest mountain (120 pixels).
  EXPECT_GT(Count(*layer, [](int32_t, int32_t y, uint32_t p) { return y == 99 && (p >> 24) != 0; }), 0);
  EXPECT_EQ(Count(*layer, [](int32_t, int32_t y, uint32_t p) { return y < 100 - 121 && (p >> 24) != 0; }), 0);
}

// A setting of its own over the pack's pictures: one object, one background object.
struct OwnSetting {
  OwnSetting(GeneratorPack& pack, std::u16string_view objects) {
    document = ParseKVText(u"<>\n \t<\\>\n<WORLDSETTING>" + std::u16string(objects) +
                           u"<SETTINGS><SETTING><NAME_ID> \"EIGEN\" <\\NAME_ID><SPIELEBENE>"
                           u"<OBJEKTE> \"KLOTZ\" <\\OBJEKTE><OBJEKTE_HG> \"WAND\" <\\OBJEKTE_HG>"
                           u"<\\SPIELEBENE><\\SETTING><\\SETTINGS><\\WORLDSETTING>");
    katalog.Load(document.get(), &pack.assets);
    const std::u16string name = u"EIGEN";
    setting = katalog.FindSetting(&name);
  }
  std::unique_ptr<KVNode> document;
  SettingKatalog katalog;
  LevelSetting* setting = nullptr;
};

// A 20 x 20 block of the opaque earth picture, upright, anchored at (ax, ay); as a
// background object it goes to the sides given (left, top, right, bottom).
std::u16string Block(const char16_t* section, const char16_t* name, const char16_t* anchor,
                     const char16_t* sides = u"") {
  std::u16string item = section == std::u16string_view(u"OBJEKTE") ? u"OBJEKT" : u"HINTERGRUNDOBJEKT";
  return u"<" + std::u16string(section) + u"><" + item + u"><NAME> \"" + name + u"\" <\\NAME>" +
         u"<TEXTUR_DIREKT> \"erde.png\" <\\TEXTUR_DIREKT><ROTATION> \"0\" \"0\" <\\ROTATION>"
         u"<MIN_SIZE> \"20\" \"20\" <\\MIN_SIZE><MAX_SIZE> \"20\" \"20\" <\\MAX_SIZE>"
         u"<SCALE_SYMETRIC> \"1\" <\\SCALE_SYMETRIC><CENTER> " +
         anchor + u" <\\CENTER>" +
         (*sides ? u"<POSITIONS> " + std::u16string(sides) + u" <\\POSITIONS>" : u"") + u"<\\" + item +
         u"><\\" + section + u">";
}

TEST_F(StageTest, BackgroundObjectsGoToTheSidesTheirPickLands) {
  // Blocks anchored at their top left corner on a 300 x 200 layer. With n allowed sides the
  // pick k = trunc(n r) takes the first allowed side at which the running count reaches k,
  // so 0 and 1 both give the first side and the last needs r = 1: left and top (never
  // right) of left, top, right; only the right of right and bottom.
  struct Case {
    const char16_t* sides;
    std::function<bool(int32_t x, int32_t y)> allowed;
    std::vector<std::function<bool(int32_t x, int32_t y)>> seen;
  };
  const Case cases[] = {
      {u"\"1\" \"1\" \"1\" \"0\"",
       [](int32_t x, int32_t y) { return x < 20 || y < 20; },
       {[](int32_t x, int32_t y) { return x < 20 && y >= 20; },
        [](int32_t x, int32_t y) { return x >= 20 && y < 20; }}},
      {u"\"0\" \"0\" \"1\" \"1\"", [](int32_t x, int32_t) { return x >= 280; }, {[](int32_t x, int32_t) {
         return x >= 280;
       }}},
  };
  for (const Case& c : cases) {
    OwnSetting own(pack, Block(u"HINTERGRUNDOBJEKTE", u"WAND", u"\"0\" \"0\"", c.sides));
    ASSERT_NE(own.setting, nullptr);
    auto stage = Stage(u"LFC_FORMEN_HG",
                       u"<RAND> \"0\" \"0\" \"0\" \"0\" <\\RAND> <ANZ_FORMEN> \"12\" \"0\" <\\ANZ_FORMEN>"
                       u"<MASKEN_FARBE> \"FFFF0000\" <\\MASKEN_FARBE>",
                       own.setting);
    auto layer = GeneratorPack::Store({0, 0, 300, 200});
    auto mask = GeneratorPack::Store({0, 0, 300, 200});
    platform::SRand(3);
    stage->Apply(*layer, *mask, nullptr);
    const std::string where = platform::U16ToUtf8(c.sides);
    EXPECT_EQ(
        Count(*mask, [&](int32_t x, int32_t y, uint32_t p) { return (p >> 24) != 0 && !c.allowed(x, y); }), 0)
        << where;
    for (const auto& region : c.seen)
      EXPECT_GT(
          Count(*mask, [&](int32_t x, int32_t y, uint32_t p) { return (p >> 24) != 0 && region(x, y); }), 0)
          << where;
  }
}

TEST_F(StageTest, ObjectsHangFromTheirHorizontalAnchor) {
  // The only ground is a pillar over the columns 100 .. 109; a 20 pixel block standing on it
  // reaches right of its anchor by (1 - ax) of its width and left of it by ax.
  struct Case {
    const char16_t* anchor;
    int32_t lo, hi;  // the columns the block may cover
  };
  const Case cases[] = {{u"\"0\" \"1\"", 100, 130}, {u"\"1\" \"1\"", 80, 110}, {u"\"0.5\" \"1\"", 90, 120}};
  for (const Case& c : cases) {
    OwnSetting own(pack, Block(u"OBJEKTE", u"KLOTZ", c.anchor));
    ASSERT_NE(own.setting, nullptr);
    auto stage = Stage(u"LFC_FORMEN",
                       u"<RAND> \"0\" \"0\" \"0\" \"0\" <\\RAND> <ANZ_FORMEN> \"1\" \"0\" <\\ANZ_FORMEN>"
                       u"<MASKEN_FARBE> \"FFFF0000\" <\\MASKEN_FARBE>",
                       own.setting);
    int32_t marked = 0;
    for (uint32_t seed = 1; seed <= 3; ++seed) {
      auto layer = GeneratorPack::Store({0, 0, 300, 200});
      auto mask = GeneratorPack::Store({0, 0, 300, 200});
      Fill(*layer, {100, 100, 110, 200}, 0xFF806040);
      platform::SRand(seed);
      stage->Apply(*layer, *mask, nullptr);
      marked += Count(*mask, [](int32_t, int32_t, uint32_t p) { return (p >> 24) != 0; });
      EXPECT_EQ(
          Count(*mask, [&](int32_t x, int32_t y,
                           uint32_t p) { return (p >> 24) != 0 && (x < c.lo || x >= c.hi || y >= 101); }),
          0)
          << platform::U16ToUtf8(c.anchor) << " seed " << seed;
    }
    EXPECT_GT(marked, 0) << platform::U16ToUtf8(c.anchor);
  }
}

TEST_F(StageTest, TilesCoverTheWorkingRectangleExactly) {
  // A copied opaque pattern in 30 x 20 tiles inside margins 10, 5, 20, 15: every pixel of
  // the working rectangle and nothing else. The rows are bounded by the top and bottom
  // margins and the height, not the left and right margins and the width: on the wide layer
  // the last row is shortened at the bottom margin rather than running past it, and on the
  // tall one the rows below the width are painted the right way up.
  auto stage = Stage(
      u"LFC_KACHELN",
      u"<RAND> \"10\" \"5\" \"20\" \"15\" <\\RAND> <SIZE> \"30\" \"20\" <\\SIZE> <MUSTER> \"1\" <\\MUSTER>"
      u"<SRC_BLEND> \"ONE\" <\\SRC_BLEND> <DST_BLEND> \"ZERO\" <\\DST_BLEND>"
      u"<MASKEN_FARBE> \"FF00FF00\" <\\MASKEN_FARBE>",
      pack.setting);
  for (const Rect& rect : {Rect{0, 0, 100, 60}, Rect{-40, -90, 60, 70}}) {
    auto layer = GeneratorPack::Store(rect);
    auto mask = GeneratorPack::Store(rect);
    stage->Apply(*layer, *mask, nullptr);
    const Rect work{rect.left + 10, rect.top + 5, rect.right - 20, rect.bottom - 15};
    auto inside = [&](int32_t x, int32_t y) {
      return x >= work.left && x < work.right && y >= work.top && y < work.bottom;
    };
    EXPECT_EQ(
        Count(*layer, [&](int32_t x, int32_t y, uint32_t p) { return ((p >> 24) == 255) != inside(x, y); }),
        0);
    EXPECT_EQ(
        Count(*mask, [&](int32_t x, int32_t y, uint32_t p) { return (p == 0xFF00FF00) != inside(x, y); }), 0);
  }
}

TEST_F(StageTest, TilesUseTheMaskWhenAsked) {
  auto stage =
      Stage(u"LFC_KACHELN",
            u"<RAND> \"0\" \"0\" \"0\" \"0\" <\\RAND> <SIZE> \"64\" \"64\" <\\SIZE> <MUSTER> \"1\" <\\MUSTER>"
            u"<USE_MASKE> \"1\" <\\USE_MASKE> <MASKEN_FARBE> \"FF00FF00\" <\\MASKEN_FARBE>"
            u"<SRC_BLEND> \"ONE\" <\\SRC_BLEND> <DST_BLEND> \"ZERO\" <\\DST_BLEND>",
            pack.setting);
  auto layer = GeneratorPack::Store({0, 0, 120, 80});
  auto mask = GeneratorPack::Store({0, 0, 120, 80});
  Fill(*mask, {20, 10, 70, 50}, 0xFF00FF00);
  // A mask pixel of another colour, even with the same alpha, is not painted through.
  Fill(*mask, {70, 10, 90, 50}, 0xFFFF0000);
  stage->Apply(*layer, *mask, nullptr);
  EXPECT_EQ(
      Count(*layer, [](int32_t x, int32_t y,
                       uint32_t p) { return ((p >> 24) != 0) != (x >= 20 && x < 70 && y >= 10 && y < 50); }),
      0);
}

TEST_F(StageTest, TileStepsUnderOnePixelPaintNothing) {
  // A step that truncates to 0 would never leave its tile.
  for (auto [size, scale] : {std::pair{u"\"0\" \"50\"", 1.0}, std::pair{u"\"200\" \"200\"", 0.004}}) {
    auto stage = Stage(u"LFC_KACHELN",
                       u"<RAND> \"0\" \"0\" \"0\" \"0\" <\\RAND> <SIZE> " + std::u16string(size) +
                           u" <\\SIZE> <MUSTER> \"1\" <\\MUSTER>",
                       pack.setting, 0, scale);
    auto layer = GeneratorPack::Store({0, 0, 50, 50});
    auto mask = GeneratorPack::Store({0, 0, 50, 50});
    stage->Apply(*layer, *mask, nullptr);
    EXPECT_EQ(Count(*layer, [](int32_t, int32_t, uint32_t p) { return p != 0; }), 0);
  }
}

TEST_F(StageTest, PiecesAreLaidOutInTheirFrameStretchedOverTheLayer) {
  // A 4 x 2 red picture on disk; the frame 0..100 x 0..50 stretched over a 200 x 100 layer.
  TempDir dir;
  platform::Image red(4, 2, 0xFFFF0000);
  ASSERT_TRUE(platform::WritePng((dir.Path() / "rot.png").string(), red));
  APIContext context;
  DisplayEnvironment display;
  display.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
  APIGraphics graphics(context, display);
  graphics.UseNullDevice(true);
  ASSERT_EQ(graphics.Create(), kResultOk);
  const std::u16string folder = platform::Utf8ToU16(dir.Path().string());
  auto piece = [&](const char16_t* rect) {
    return u"<SCHNIPPSEL> <SEARCHPATH> \"" + folder +
           u"\" <\\SEARCHPATH> <TEXTUR_DIREKT> \"rot.png\" <\\TEXTUR_DIREKT>"
           u"<BILINEAR> \"0\" <\\BILINEAR> <WORLD_RECT> " +
           rect + u" <\\WORLD_RECT> <\\SCHNIPPSEL>";
  };
  // A frame of no size has nothing to stretch: the pieces are not drawn.
  for (auto [frame, framed] :
       {std::pair{u"\"0\" \"0\" \"100\" \"50\"", true}, std::pair{u"\"0\" \"0\" \"0\" \"0\"", false}}) {
    auto node = ParseBody(u"<WORLD_RECT> " + std::u16string(frame) + u" <\\WORLD_RECT>" +
                              piece(u"\"50\" \"0\" \"100\" \"25\"") + piece(u"\"0\" \"40\" \"10\" \"50\""),
                          u"LFC_LOAD_FILE");
    LFC_LoadFile stage(node.get(), nullptr, 0, 1.0, graphics.GetTexturDefCache(), nullptr);
    ASSERT_EQ(stage.Pieces().size(), 2u);
    auto layer = GeneratorPack::Store({-100, -50, 100, 50});
    auto mask = GeneratorPack::Store({-100, -50, 100, 50});
    stage.Apply(*layer, *mask, nullptr);
    auto expected = [&](int32_t x, int32_t y) {
      return framed &&
             ((x >= 0 && x < 100 && y >= -50 && y < 0) || (x >= -100 && x < -80 && y >= 30 && y < 50));
    };
    EXPECT_EQ(
        Count(*layer, [&](int32_t x, int32_t y, uint32_t p) { return (p == 0xFFFF0000) != expected(x, y); }),
        0)
        << platform::U16ToUtf8(frame);
    // The mask gets the pieces unchanged.
    EXPECT_EQ(
        Count(*mask, [&](int32_t x, int32_t y, uint32_t p) { return (p == 0xFFFF0000) != expected(x, y); }),
        0);
  }
}

TEST_F(StageTest, InversionTwiceRestoresLayerAndMask) {
  auto layer = GeneratorPack::Store({0, 0, 64, 48});
  auto mask = GeneratorPack::Store({0, 0, 64, 48});
  Fill(*layer, {8, 8, 40, 40}, 0xC0123456);
  Fill(*mask, {8, 8, 40, 40}, 0xFF00FF00);
  const uint64_t layerBefore = LayerHash(*layer);
  LFC_Invert invert(nullptr, nullptr, 0, 1.0);
  invert.SetRand({0, 0, 0, 0});
  invert.Randomize(0);
  invert.Apply(*layer, *mask, nullptr);
  EXPECT_EQ(*layer->PeekPixel(10, 10), 0x3FEDCBA9u);
  EXPECT_EQ(*layer->PeekPixel(0, 0), 0xFFFFFFFFu);
  // Opaque green mask colour: alpha 255 becomes 0 and 0 becomes 255.
  EXPECT_EQ(*mask->PeekPixel(10, 10), 0x0000FF00u);
  EXPECT_EQ(*mask->PeekPixel(0, 0), 0xFF00FF00u);
  invert.Apply(*layer, *mask, nullptr);
  EXPECT_EQ(LayerHash(*layer), layerBefore);
  // The mask's alpha is back; its colour is the mask colour everywhere now.
  EXPECT_EQ(Count(*mask,
                  [](int32_t x, int32_t y, uint32_t p) {
                    return p != ((x >= 8 && x < 40 && y >= 8 && y < 40) ? 0xFF00FF00u : 0x0000FF00u);
                  }),
            0);
}

TEST_F(StageTest, NoiseFillsEveryColumnFromTheBottomUpToTheLine) {
  auto stage = Stage(u"LFC_NOISE",
                     u"<RAND> \"0\" \"40\" \"0\" \"0\" <\\RAND> <MASKEN_FARBE> \"FF00FF00\" <\\MASKEN_FARBE>"
                     u"<PERSISTANCE> \"0.5\" <\\PERSISTANCE> <SCALE> \"8\" \"0.3\" <\\SCALE>"
                     u"<BASEHEIGHT> \"0.5\" <\\BASEHEIGHT>");
  const Rect rect{-300, -100, 300, 100};
  auto layer = GeneratorPack::Store(rect);
  auto mask = GeneratorPack::Store(rect);
  platform::SRand(3);
  stage->Apply(*layer, *mask, nullptr);
  for (int32_t x = rect.left; x < rect.right; ++x) {
    int32_t top = rect.bottom;
    while (top > rect.top && *layer->PeekPixel(x, top - 1) == 0xFFFFFFFFu) --top;
    for (int32_t y = rect.top; y < top; ++y) ASSERT_EQ(*layer->PeekPixel(x, y), 0u) << x << "," << y;
    for (int32_t y = top; y < rect.bottom; ++y) ASSERT_EQ(*mask->PeekPixel(x, y), 0xFF00FF00u);
    const int32_t fromLeft = x - rect.left, fromRight = rect.right - x;
    if (fromLeft == 0) {
      EXPECT_EQ(top, rect.bottom) << "ramped down to the bottom at the left edge";
    }
    if (fromLeft >= 200 && fromRight >= 200) {
      // Working rectangle 40 .. 200 down: the line lies between base and base + amplitude.
      EXPECT_GE(top, int32_t(-60 + 160 * 0.5)) << x;
      EXPECT_LE(top, int32_t(-60 + 160 * 0.8) + 1) << x;
    }
  }
}

TEST_F(StageTest, FlatNoiseGivesALineAtTheBaseHeight) {
  // Frequency 0 samples one noise value everywhere: the range is 0 and the line is the base.
  auto stage = Stage(u"LFC_NOISE",
                     u"<RAND> \"0\" \"0\" \"0\" \"0\" <\\RAND> <SCALE> \"0\" \"0.3\" <\\SCALE>"
                     u"<BASEHEIGHT> \"0.25\" <\\BASEHEIGHT>");
  auto layer = GeneratorPack::Store({0, 0, 600, 100});
  auto mask = GeneratorPack::Store({0, 0, 600, 100});
  stage->Apply(*layer, *mask, nullptr);
  for (int32_t x = 200; x <= 400; x += 50) {
    EXPECT_EQ(Alpha(*layer, x, 24), 0u) << x;
    EXPECT_EQ(Alpha(*layer, x, 25), 255u) << x;
  }
}

TEST_F(StageTest, AnOutlineOfFewerThanTwoPointsFillsNothing) {
  for (auto [section, steps] :
       {std::pair{u"LFC_NOISE_SCAN", u"\"1\""}, std::pair{u"LFC_NOISE_SCAN", u"\"10\" \"0\""},
        std::pair{u"LFC_ELLIPSE", u"\"1\""}}) {
    auto stage = Stage(
        section, u"<RAND> \"0\" \"0\" \"0\" \"0\" <\\RAND> <STEPS> " + std::u16string(steps) + u" <\\STEPS>");
    auto layer = GeneratorPack::Store({0, 0, 100, 100});
    auto mask = GeneratorPack::Store({0, 0, 100, 100});
    platform::SRand(9);
    RandLedger ledger;
    stage->Apply(*layer, *mask, nullptr);
    EXPECT_EQ(ledger.Draws(), 1) << "the seed is drawn all the same";
    EXPECT_EQ(Count(*layer, [](int32_t, int32_t, uint32_t p) { return p != 0; }), 0);
  }
}

TEST_F(StageTest, OverlappingShapesCancelOut) {
  // Each fill flips the pixels it covers, so the same shape twice leaves nothing, and two
  // shapes leave exactly the pixels covered once.
  const Rect rect{-200, -100, 200, 100};
  const char16_t* a =
      u"<RAND> \"0\" \"20\" \"120\" \"0\" <\\RAND> <MASKEN_FARBE> \"FF00FF00\" <\\MASKEN_FARBE>";
  const char16_t* b =
      u"<RAND> \"150\" \"40\" \"0\" \"0\" <\\RAND> <MASKEN_FARBE> \"FF00FF00\" <\\MASKEN_FARBE>"
      u"<STEPS> \"16\" <\\STEPS> <RANDOM_LOOPS> \"2\" <\\RANDOM_LOOPS>";
  auto covered = [&](std::vector<const char16_t*> shapes) {
    auto layer = GeneratorPack::Store(rect);
    auto mask = GeneratorPack::Store(rect);
    for (const char16_t* body : shapes) {
      platform::SRand(21);
      platform::Rand();
      Stage(u"LFC_ELLIPSE", body)->Apply(*layer, *mask, nullptr);
    }
    std::vector<bool> solid;
    int32_t maskApart = 0;
    for (int32_t y = rect.top; y < rect.bottom; ++y)
      for (int32_t x = rect.left; x < rect.right; ++x) {
        solid.push_back(Alpha(*layer, x, y) == 255);
        maskApart += Alpha(*mask, x, y) != Alpha(*layer, x, y);
      }
    // The mask follows the layer pixel for pixel.
    EXPECT_EQ(maskApart, 0);
    return solid;
  };
  const auto onlyA = covered({a}), onlyB = covered({b}), both = covered({a, b}), twice = covered({a, a});
  size_t overlap = 0, area = 0, notCancelled = 0, leftTwice = 0;
  for (size_t i = 0; i < onlyA.size(); ++i) {
    notCancelled += both[i] != (onlyA[i] != onlyB[i]);
    leftTwice += twice[i];
    overlap += onlyA[i] && onlyB[i];
    area += onlyA[i];
  }
  EXPECT_EQ(notCancelled, 0u);
  EXPECT_EQ(leftTwice, 0u);
  EXPECT_GT(area, onlyA.size() / 10);
  EXPECT_GT(overlap, 0u) << "the two shapes must overlap for this test";
}

TEST_F(StageTest, ABandRisingAboveItsRectangleIsFilledFromTheTop) {
  // The upper line lies 30 to 50 rows above the rectangle, the lower one inside it: every
  // column the band spans is solid from the rectangle's top down to the lower line, and
  // nothing lies below that line. Ten steps over 200 columns end the band at column 180.
  auto band = Stage(u"LFC_NOISE_SCAN",
                    u"<RAND> \"0\" \"0\" \"0\" \"0\" <\\RAND> <BASEHEIGHT> \"-0.5\" \"0.7\" <\\BASEHEIGHT>"
                    u"<SCALE> \"3\" \"0.2\" \"0.5\" \"0.2\" <\\SCALE> <STEPS> \"10\" <\\STEPS>"
                    u"<RANDOM_LOOPS> \"0\" <\\RANDOM_LOOPS>");
  auto layer = GeneratorPack::Store({0, 0, 200, 100});
  auto mask = GeneratorPack::Store({0, 0, 200, 100});
  platform::SRand(5);
  band->Apply(*layer, *mask, nullptr);
  for (int32_t x = 0; x < 200; ++x) {
    int32_t y = 0;
    while (y < 100 && Alpha(*layer, x, y) == 255) ++y;
    const int32_t run = y;
    while (y < 100 && Alpha(*layer, x, y) == 0) ++y;
    EXPECT_EQ(y, 100) << "column " << x << " has solid pixels below its first gap";
    if (x < 180)
      EXPECT_TRUE(run >= 69 && run <= 91) << "column " << x << " is solid down to row " << run;
    else
      EXPECT_EQ(run, 0) << "column " << x << " lies right of the band";
  }
}

TEST_F(StageTest, AnOutlinesOuterVertexOnAColumnLeavesNoColumnInverted) {
  // Four steps with no noise amplitude make a diamond whose left and right corners lie
  // exactly on the columns 20 and 180 (rows near 40); its bottom corner is at row 70. Below
  // the diamond nothing may be solid: a corner counted once would fill its column downwards.
  auto diamond = Stage(u"LFC_ELLIPSE",
                       u"<RAND> \"0\" \"0\" \"0\" \"0\" <\\RAND> <STEPS> \"4\" <\\STEPS>"
                       u"<SCALE> \"3\" \"0\" <\\SCALE> <BASEHEIGHT> \"0.8\" \"0.6\" <\\BASEHEIGHT>"
                       u"<CENTER> \"0.5\" \"0.4\" <\\CENTER> <RANDOM_LOOPS> \"0\" <\\RANDOM_LOOPS>");
  auto layer = GeneratorPack::Store({0, 0, 200, 100});
  auto mask = GeneratorPack::Store({0, 0, 200, 100});
  platform::SRand(5);
  diamond->Apply(*layer, *mask, nullptr);
  const int32_t below = Count(*layer, [](int32_t, int32_t y, uint32_t p) { return y > 71 && p >> 24; });
  EXPECT_EQ(below, 0);
  for (int32_t x : {19, 180, 181})
    EXPECT_EQ(Count(*layer, [x](int32_t px, int32_t, uint32_t p) { return px == x && p >> 24; }), 0) << x;
  EXPECT_EQ(Alpha(*layer, 100, 40), 255u);
  EXPECT_LE(Count(*layer, [](int32_t px, int32_t, uint32_t p) { return px == 20 && p >> 24; }), 1);
}

TEST_F(StageTest, RecipeShapesTakeTheirGreyFromTwoDimensionalNoise) {
  // In the recipe the game layer's shapes get a grey from noise (the setting's scaling 0.05,
  // 2 iterations, grey 0 .. 48) wherever they make a pixel solid.
  LFC_EleptikScanLine hill(nullptr, pack.setting, 0, 1.0);
  platform::SRand(4);
  hill.Randomize(0);
  hill.SetRand({0, 0, 0, 0});
  auto layer = GeneratorPack::Store({-100, -80, 100, 80});
  auto mask = GeneratorPack::Store({-100, -80, 100, 80});
  hill.Apply(*layer, *mask, nullptr);
  int32_t checked = 0;
  for (int32_t y = -80; y < 80; y += 7)
    for (int32_t x = -100; x < 100; x += 7) {
      const uint32_t p = *layer->PeekPixel(x, y);
      if ((p >> 24) != 255) continue;
      const uint32_t grey = uint32_t(NoiseOctaves2(x * 0.05, y * 0.05, 0.5, 2, 0) * 48);
      EXPECT_EQ(p, 0xFF000000u | grey << 16 | grey << 8 | grey) << x << "," << y;
      ++checked;
    }
  EXPECT_GT(checked, 20);
}

TEST(SobelBands, EqualBandsAndTheRestInTheLast) {
  struct Case {
    int32_t left, width, n;
    std::vector<std::pair<int32_t, int32_t>> bands;
  };
  const Case cases[] = {
      {0, 10, 4, {{0, 2}, {2, 4}, {4, 6}, {6, 10}}},
      {-5, 7, 3, {{-5, -3}, {-3, -1}, {-1, 2}}},
      {0, 3, 8, {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 3}}},
      {100, 12, 1, {{100, 112}}},
  };
  for (const Case& c : cases) {
    for (int32_t i = 0; i < c.n; ++i) {
      int32_t first, end;
      LFC_Sobel::Band(c.left, c.width, c.n, i, first, end);
      EXPECT_EQ(std::pair(first, end), c.bands[size_t(i)])
          << c.left << " " << c.width << " " << c.n << " band " << i;
    }
  }
}

namespace {

// A mask with a filled square [10, 30) x [10, 30) and a layer of white earth under it.
struct RimCanvas {
  explicit RimCanvas(const Rect& rect = {0, 0, 40, 40})
      : layer(GeneratorPack::Store(rect)), mask(GeneratorPack::Store(rect)) {
    Fill(*layer, rect, 0xFFFFFFFF);
    Fill(*mask, {10, 10, 30, 30}, 0xFF00FF00);
  }
  std::unique_ptr<Landschaft> layer, mask;
};

}  // namespace

TEST_F(StageTest, TheRimIsEveryMaskPixelWithinTheSamplingDistanceOfAnEdge) {
  RimCanvas canvas;
  Stage(u"LFC_SOBEL",
        u"<RAND> \"0\" \"0\" \"0\" \"0\" <\\RAND> <SIZE> \"3\" <\\SIZE> <MASKEN_FARBE> \"FFFF0000\" "
        u"<\\MASKEN_FARBE>")
      ->Apply(*canvas.layer, *canvas.mask, nullptr);
  for (int32_t x = 0; x < 40; ++x) {
    const bool inSquare = x >= 10 && x < 30;
    const bool rim = inSquare && (x < 13 || x >= 27);
    // Row 20 runs through the middle of the square: only the columns near its sides.
    EXPECT_EQ(*canvas.mask->PeekPixel(x, 20), rim ? 0xFFFF0000u : inSquare ? 0xFF00FF00u : 0u) << x;
    EXPECT_EQ(*canvas.layer->PeekPixel(x, 20), rim ? 0xFF000000u : 0xFFFFFFFFu) << x;
  }
}

TEST_F(StageTest, ASamplingDistanceOfZeroMarksNothing) {
  RimCanvas canvas;
  const uint64_t layer = LayerHash(*canvas.layer), mask = LayerHash(*canvas.mask);
  Stage(u"LFC_SOBEL", u"<RAND> \"0\" \"0\" \"0\" \"0\" <\\RAND> <SIZE> \"0\" <\\SIZE>")
      ->Apply(*canvas.layer, *canvas.mask, nullptr);
  EXPECT_EQ(LayerHash(*canvas.layer), layer);
  EXPECT_EQ(LayerHash(*canvas.mask), mask);
}

TEST_F(StageTest, ASingleFalloffStepGivesTheStartGrey) {
  // steps / 2 is 0: there is no ramp, and the rim takes the start grey.
  RimCanvas canvas;
  Stage(u"LFC_SOBEL",
        u"<RAND> \"0\" \"0\" \"0\" \"0\" <\\RAND> <SIZE> \"3\" <\\SIZE> <FALLOFF> \"1\" \"1\" \"96\" \"0\" "
        u"<\\FALLOFF>")
      ->Apply(*canvas.layer, *canvas.mask, nullptr);
  EXPECT_EQ(*canvas.layer->PeekPixel(10, 10), 0xFF606060u) << "corner: gradients along both axes";
  EXPECT_EQ(*canvas.layer->PeekPixel(11, 20), 0xFF606060u) << "side: a gradient along one axis";
  EXPECT_EQ(*canvas.layer->PeekPixel(20, 20), 0xFFFFFFFFu);
}

TEST_F(StageTest, FalloffGreysFoldTowardsTheEdge) {
  // Ten steps of one pixel. Along row 20 of the square [10, 30) x [10, 30): vertically the
  // sample 10 rows down leaves the square, so |gy| = 255 (ty = 0.2); horizontally at x in
  // 10 .. 19 the samples x - k leave it for k > x - 10, so |gx| = 255 (20 - x) and
  // tx = (20 - x) / 5, folded to 2 - tx above 1. Grey = 96 - 96 (ty + tx) / 2.
  RimCanvas canvas({0, 0, 60, 40});
  Stage(u"LFC_SOBEL",
        u"<RAND> \"0\" \"0\" \"0\" \"0\" <\\RAND> <SIZE> \"10\" <\\SIZE> <FALLOFF> \"1\" \"10\" \"96\" \"0\" "
        u"<\\FALLOFF>")
      ->Apply(*canvas.layer, *canvas.mask, nullptr);
  const uint32_t greys[10] = {86, 76, 67, 57, 48, 38, 48, 57, 67, 76};
  for (int32_t x = 10; x < 20; ++x) {
    const uint32_t grey = greys[x - 10];
    EXPECT_NEAR(double(*canvas.layer->PeekPixel(x, 20) & 0xFF), double(grey), 1.0) << x;
    EXPECT_EQ(*canvas.layer->PeekPixel(x, 20), *canvas.layer->PeekPixel(39 - x, 20)) << "symmetric at " << x;
  }
}

TEST_F(StageTest, TheRimDoesNotDependOnTheNumberOfWorkers) {
  // 203 columns leave a rest over for every worker count here but 1 and 7; those columns
  // must be marked too.
  auto run = [&](int workers) {
    platform::SetProcessorCountOverride(workers);
    const Rect rect{-101, -50, 102, 50};
    auto layer = GeneratorPack::Store(rect);
    auto mask = GeneratorPack::Store(rect);
    Fill(*layer, rect, 0xFFFFFFFF);
    Fill(*mask, {-80, -30, 102, 50}, 0xFF00FF00);
    platform::SRand(77);
    Stage(u"LFC_SOBEL",
          u"<RAND> \"0\" \"0\" \"0\" \"0\" <\\RAND> <SIZE> \"8\" <\\SIZE> <USE_NOISE> \"1\" <\\USE_NOISE>"
          u"<FALLOFF> \"1\" \"4\" \"96\" \"0\" <\\FALLOFF> <MASKEN_FARBE> \"FFFF0000\" <\\MASKEN_FARBE>")
        ->Apply(*layer, *mask, nullptr);
    // The square's right side is the store's edge, where samples fall outside: its last
    // three columns are marked too.
    EXPECT_GT(
        Count(*mask, [](int32_t x, int32_t, uint32_t p) { return x >= 99 && (p & 0xFFFFFFu) == 0xFF0000u; }),
        0)
        << workers << " workers";
    return std::pair(LayerHash(*layer), LayerHash(*mask));
  };
  const auto one = run(1);
  for (int workers : {2, 3, 7, 8, 16}) EXPECT_EQ(run(workers), one) << workers << " workers";
}

TEST(SobelNoise, OneOctaveAtAWholePixelIsTheSmoothedLatticeValue) {
  // The noise rim reads its distance per pixel this way.
  for (int32_t seed : {0, 1, 12345, -7})
    for (int32_t y = -40; y <= 40; y += 13)
      for (int32_t x = -40; x <= 40; x += 11)
        ASSERT_EQ(SmoothedNoise2(x, y, seed), NoiseOctaves2(x, y, 0.15, 1, seed))
            << x << "," << y << " " << seed;
}

TEST_F(StageTest, EmptyWorkingRectanglesPaintNothing) {
  // Margins wider or higher than the layer (as a small preview scale gives them).
  for (const char16_t* section : {u"LFC_NOISE", u"LFC_NOISE_SCAN", u"LFC_ELLIPSE", u"LFC_SOBEL",
                                  u"LFC_KACHELN", u"LFC_FORMEN", u"LFC_FORMEN_HG"}) {
    for (const char16_t* margins : {u"\"80\" \"0\" \"80\" \"0\"", u"\"0\" \"70\" \"0\" \"70\""}) {
      auto stage =
          Stage(section, u"<RAND> " + std::u16string(margins) + u" <\\RAND> <MUSTER> \"1\" <\\MUSTER>",
                pack.setting);
      auto layer = GeneratorPack::Store({0, 0, 100, 100});
      auto mask = GeneratorPack::Store({0, 0, 100, 100});
      Fill(*mask, {0, 0, 100, 100}, 0xFFFFFFFF);
      const uint64_t before = LayerHash(*layer);
      platform::SRand(1);
      stage->Apply(*layer, *mask, nullptr);
      EXPECT_EQ(LayerHash(*layer), before)
          << platform::U16ToUtf8(section) << " " << platform::U16ToUtf8(margins);
    }
  }
}
