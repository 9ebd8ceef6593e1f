// Stamps into a store: every blend mode, clamping and wrapping, modulation, erasing with
// the removed pixels, keep-solid, the mask layer, the fixed colour, mirroring, rotation,
// the definition block, and the surface scan; results and removed-pixel order must not
// depend on the number of workers.
#include "world/landstamp.h"

#include <gtest/gtest.h>

#include <cmath>

#include "battle/navnode.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "engine/texturdefcache.h"
#include "platform/random.h"
#include "platform/workers.h"
#include "support/png.h"
#include "support/temp_dir.h"
#include "world/landschaft.h"
#include "world/terrain_art.h"
#include "world/watersurface.h"

using terrain_test::ArtStore;

namespace {

std::unique_ptr<platform::Texture> Image(int32_t w, int32_t h, const std::vector<uint32_t>& pixels) {
  auto t = std::make_unique<platform::Texture>(w, h);
  for (int32_t i = 0; i < w * h; ++i) t->MutablePixels()[i] = pixels[size_t(i)];
  return t;
}

std::unique_ptr<Landschaft> Store(const Rect& r, uint32_t fill = 0) {
  auto land = std::make_unique<Landschaft>(r);
  land->SetGraphics(nullptr);
  land->CreateTiles();
  if (fill)
    for (int32_t y = r.top; y < r.bottom; ++y)
      for (int32_t x = r.left; x < r.right; ++x) *land->LockedPixel(x, y) = fill;
  land->UnlockAll();
  return land;
}

// A stamp of the whole texture onto dest, nearest sampling, no rotation.
LandStamp Plain(platform::Texture* t, const Rect& dest, int32_t sourceMode = 1, int32_t destMode = 0,
                Argb modulation = 0xFFFFFFFF, bool clamp = true) {
  return LandStamp(t, {0, 0, t->Width(), t->Height()}, dest, nullptr, nullptr, false, modulation, sourceMode,
                   destMode, clamp);
}

class WorkerCount {
 public:
  explicit WorkerCount(int n) { platform::SetProcessorCountOverride(n); }
  ~WorkerCount() { platform::SetProcessorCountOverride(0); }
};

}  // namespace

TEST(LandStamp, BlendModesCombineImageAndTerrain) {
  // Image pixel A 128, R 255, G 64, B 0 over terrain A 200, R 0, G 128, B 255; the
  // expected bytes are the single-precision products, truncated.
  struct Case {
    int32_t sourceMode, destMode;
    bool clamp;
    uint32_t expected;
  };
  const Case cases[] = {
      {1, 0, true, 0x80FF4000},  {0, 1, true, 0xC80080FF},  {9, 11, true, 0xA3805F7E},
      {5, 0, true, 0x40FF1000},  {6, 0, true, 0x64002000},  {7, 0, true, 0x3F002F00},
      {8, 0, true, 0x1BFF1F00},  {10, 0, true, 0x64C83200}, {12, 0, true, 0x1B360D00},
      {2, 1, true, 0xFF0040FF},  {3, 1, true, 0x48FFC0FF},  {4, 1, true, 0x480040FF},
      {1, 1, true, 0xFFFFC0FF},  {1, 1, false, 0x48FFC0FF}, {1, 4, true, 0x00FF0000},
      {1, 4, false, 0xB8FFC001}, {13, 0, true, 0x80FF4000}, {10, 12, true, 0x8FC84D36},
      {5, 8, true, 0x6BFF4F00},  {-1, 0, true, 0x80FF4000},
  };
  auto image = Image(1, 1, {0x80FF4000});
  for (const Case& c : cases) {
    auto land = Store({0, 0, 3, 3}, 0xC80080FF);
    LandStamp stamp = Plain(image.get(), {1, 1, 2, 2}, c.sourceMode, c.destMode, 0xFFFFFFFF, c.clamp);
    ASSERT_TRUE(land->StampTexture(stamp, nullptr));
    for (int32_t y = 0; y < 3; ++y)
      for (int32_t x = 0; x < 3; ++x)
        EXPECT_EQ(*land->PeekPixel(x, y), (x == 1 && y == 1) ? c.expected : 0xC80080FFu)
            << std::hex << "modes " << c.sourceMode << "/" << c.destMode << " clamp " << c.clamp << " at "
            << x << "," << y;
  }
}

TEST(LandStamp, SourceAlphaReplacesOrKeepsTheTerrain) {
  for (uint32_t alpha : {255u, 0u}) {
    auto image = Image(2, 2, std::vector<uint32_t>(4, (alpha << 24) | 0x123456));
    auto land = Store({0, 0, 4, 4}, 0xFF808080);
    ASSERT_TRUE(land->StampTexture(Plain(image.get(), {1, 1, 3, 3}, 9, 11), nullptr));
    EXPECT_EQ(*land->PeekPixel(2, 2), alpha == 255 ? 0xFF123456u : 0xFF808080u);
    EXPECT_EQ(*land->PeekPixel(0, 0), 0xFF808080u);
  }
}

TEST(LandStamp, CopiesTheImageExactlyAtEqualSize) {
  std::vector<uint32_t> pixels;
  for (uint32_t i = 0; i < 12; ++i) pixels.push_back(0xFF000000u | (i * 0x151515u));
  auto image = Image(4, 3, pixels);
  for (bool bilinear : {false, true}) {
    auto land = Store({-300, 0, 300, 280});  // the image straddles a tile border at x = -44
    LandStamp stamp(image.get(), {0, 0, 4, 3}, {-46, 254, -42, 257}, nullptr, nullptr, bilinear, 0xFFFFFFFF,
                    1, 0, true);
    ASSERT_TRUE(land->StampTexture(stamp, nullptr));
    for (int32_t y = 0; y < 3; ++y)
      for (int32_t x = 0; x < 4; ++x)
        EXPECT_EQ(*land->PeekPixel(-46 + x, 254 + y), pixels[size_t(y * 4 + x)])
            << bilinear << " " << x << "," << y;
    EXPECT_EQ(*land->PeekPixel(-47, 254), 0u);
    EXPECT_EQ(*land->PeekPixel(-42, 254), 0u);
    for (const auto& tile : land->Tiles()) EXPECT_FALSE(tile->IsLocked());
  }
  // The modulation multiplies every sampled channel: 255 becomes 128, 255, 128, 64 and 200
  // becomes 100, 200, 100, 50.
  auto white = Image(2, 1, {0xFFFFFFFF, 0xC8C8C8C8});
  auto land = Store({0, 0, 2, 1});
  ASSERT_TRUE(land->StampTexture(Plain(white.get(), {0, 0, 2, 1}, 1, 0, 0x80FF8040), nullptr));
  EXPECT_EQ(*land->PeekPixel(0, 0), 0x80FF8040u);
  EXPECT_EQ(*land->PeekPixel(1, 0), 0x64C86432u);
}

TEST(LandStamp, BilinearSamplingBlendsNeighboursAndStaysInsideTheImage) {
  // Two texels stretched over four pixels: u / 4 * 2 gives 0, 0.5, 1 and 1.5; the last
  // pixels read beyond the right texel, which is clamped.
  auto image = Image(2, 1, {0xFF000000, 0xFFC8C8C8});
  auto land = Store({0, 0, 4, 1});
  LandStamp stamp(image.get(), {0, 0, 2, 1}, {0, 0, 4, 1}, nullptr, nullptr, true, 0xFFFFFFFF, 1, 0, true);
  ASSERT_TRUE(land->StampTexture(stamp, nullptr));
  EXPECT_EQ(*land->PeekPixel(0, 0), 0xFF000000u);
  EXPECT_EQ(*land->PeekPixel(1, 0), 0xFF646464u);
  EXPECT_EQ(*land->PeekPixel(2, 0), 0xFFC8C8C8u);
  EXPECT_EQ(*land->PeekPixel(3, 0), 0xFFC8C8C8u);
}

TEST(LandStamp, EraseSubtractsAlphaAndReportsPixelsThatTurnEmpty) {
  // Terrain alphas 200, 150, 255, 0 down column 1, and 255 at (2, 0).
  auto land = Store({0, 0, 3, 4});
  const uint32_t column[] = {0xC8102030, 0x96405060, 0xFF708090, 0x00A0B0C0};
  for (int32_t y = 0; y < 4; ++y) *land->LockedPixel(1, y) = column[y];
  *land->LockedPixel(2, 0) = 0xFF010203;
  land->UnlockAll();
  struct Case {
    uint32_t imageAlpha;
    bool collect;
    uint32_t alphasAfter[4];
    std::vector<RemovedPixel> removed;
  };
  const Case cases[] = {
      {255,
       true,
       {0, 0, 0, 0},
       {{1, 0, 200, 0x10, 0x20, 0x30}, {1, 2, 255, 0x70, 0x80, 0x90}, {2, 0, 255, 1, 2, 3}}},
      {255, false, {0, 0, 0, 0}, {}},
      // 200 - 100 and 255 - 100 turn empty; 150 was never solid.
      {100,
       true,
       {100, 50, 155, 0},
       {{1, 0, 200, 0x10, 0x20, 0x30}, {1, 2, 255, 0x70, 0x80, 0x90}, {2, 0, 255, 1, 2, 3}}},
      // 255 - 60 = 195 stays solid; 200 - 60 = 140 does not.
      {60, true, {140, 90, 195, 0}, {{1, 0, 200, 0x10, 0x20, 0x30}}},
  };
  for (const Case& c : cases) {
    auto target = Landschaft::Create(*land);
    auto image = Image(1, 1, {(c.imageAlpha << 24) | 0xFFFFFF});
    LandStamp stamp = Plain(image.get(), {1, 0, 3, 4});
    stamp.erase = true;
    stamp.collectRemoved = c.collect;
    std::vector<RemovedPixel> removed;
    ASSERT_TRUE(target->StampTexture(stamp, &removed));
    for (int32_t y = 0; y < 4; ++y) {
      EXPECT_EQ(*target->PeekPixel(1, y) >> 24, c.alphasAfter[y]) << c.imageAlpha << " row " << y;
      EXPECT_EQ(*target->PeekPixel(1, y) & 0xFFFFFF, column[y] & 0xFFFFFF);  // colour kept
    }
    EXPECT_EQ(*target->PeekPixel(0, 0), 0u);
    EXPECT_EQ(removed, c.removed) << c.imageAlpha;
  }
  // Without a list nothing is collected, and nothing fails.
  auto image = Image(1, 1, {0xFFFFFFFF});
  LandStamp stamp = Plain(image.get(), {0, 0, 3, 4});
  stamp.erase = stamp.collectRemoved = true;
  EXPECT_TRUE(land->StampTexture(stamp, nullptr));
  EXPECT_EQ(*land->PeekPixel(1, 2), 0x00708090u);
}

TEST(LandStamp, KeepSolidMaskAndFixedColourChooseWhatIsDrawn) {
  auto image = Image(1, 1, {0xFF0000FF});
  // Keep solid: 193 stays, 192 is drawn over.
  auto land = ArtStore({"se#."});
  LandStamp keep = Plain(image.get(), {0, 0, 4, 1});
  keep.keepSolid = true;
  ASSERT_TRUE(land->StampTexture(keep, nullptr));
  EXPECT_EQ(terrain_test::ToArt(*land)[0], "s?#?");
  EXPECT_EQ(*land->PeekPixel(1, 0), 0xFF0000FFu);

  // Mask: drawn only where the mask layer is green; the mask covers x 0..3 only, so at
  // x = 4 and 5 the terrain pixel's own colour is tested.
  auto terrain = ArtStore({"....gr"});
  auto mask = ArtStore({"gr.g"});
  LandStamp masked = Plain(image.get(), {0, 0, 6, 1});
  masked.maskLayer = mask.get();
  masked.maskColour = 0x0000FF00;  // only red, green and blue are compared
  ASSERT_TRUE(terrain->StampTexture(masked, nullptr));
  const uint32_t b = 0xFF0000FF;
  const uint32_t expected[] = {b, 0, 0, b, b, 0xFFFF0000};
  for (int32_t x = 0; x < 6; ++x) EXPECT_EQ(*terrain->PeekPixel(x, 0), expected[x]) << x;

  // Fixed colour: red, green and blue from the colour times the modulation; alpha sampled.
  auto half = Image(1, 1, {0x80123456});
  auto plain = Store({0, 0, 1, 1});
  LandStamp fixed = Plain(half.get(), {0, 0, 1, 1}, 1, 0, 0xFFFF8040);
  fixed.useFixedColour = true;
  fixed.fixedColour = 0x00FFFFFF;
  ASSERT_TRUE(plain->StampTexture(fixed, nullptr));
  EXPECT_EQ(*plain->PeekPixel(0, 0), 0x80FF8040u);
}

TEST(LandStamp, ReversedDestinationMirrorsTheImage) {
  LandStamp wide(nullptr, {0, 0, 4, 1}, {100, 0, 0, 50}, nullptr, nullptr, false, 0xFFFFFFFF, 1, 0, true);
  EXPECT_EQ(wide.destination, (Rect{0, 0, 100, 50}));
  EXPECT_TRUE(wide.mirrorX);
  EXPECT_FALSE(wide.mirrorY);

  // Mirrored, column u samples (1 - u / 4) * 4: 4 (clamped to the last texel), 3, 2, 1.
  auto image = Image(4, 1, {0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004});
  auto land = Store({0, 0, 4, 4});
  ASSERT_TRUE(land->StampTexture(Plain(image.get(), {4, 0, 0, 1}), nullptr));
  const uint32_t row[] = {0xFF000004, 0xFF000004, 0xFF000003, 0xFF000002};
  for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(*land->PeekPixel(x, 0), row[x]) << x;
  // The same down a column.
  auto tall = Image(1, 4, {0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004});
  LandStamp up = Plain(tall.get(), {1, 4, 2, 0});
  EXPECT_TRUE(up.mirrorY);
  ASSERT_TRUE(land->StampTexture(up, nullptr));
  for (int32_t y = 0; y < 4; ++y) EXPECT_EQ(*land->PeekPixel(1, y), row[y]) << y;
}

TEST(LandStamp, QuarterTurnAboutTheCentreCoversTheSameSquare) {
  std::vector<uint32_t> pixels(64, 0xFF202020);
  pixels[0] = 0xFFFF0000;  // top-left texel
  auto image = Image(8, 8, pixels);
  auto land = Store({0, 0, 32, 32});
  Vector2 centre(4.0f, 4.0f);
  double quarter = 90.0;
  LandStamp stamp(image.get(), {0, 0, 8, 8}, {10, 10, 18, 18}, &centre, &quarter, false, 0xFFFFFFFF, 1, 0,
                  true);
  ASSERT_TRUE(land->StampTexture(stamp, nullptr));
  // The turned square is the same region; its pixel edges can move by one pixel, since
  // the single-precision quarter turn is not exact.
  int covered = 0;
  for (int32_t y = 0; y < 32; ++y)
    for (int32_t x = 0; x < 32; ++x) {
      if (*land->PeekPixel(x, y) == 0) continue;
      ++covered;
      EXPECT_TRUE(x >= 10 && x <= 18 && y >= 10 && y <= 18) << x << "," << y;
    }
  EXPECT_GE(covered, 49);
  EXPECT_LE(covered, 64);
  // Turning clockwise on the screen (y down) takes the top-left corner to the top-right.
  bool cornerTexel = false;
  for (int32_t y = 10; y <= 11; ++y)
    for (int32_t x = 17; x <= 18; ++x) cornerTexel |= *land->PeekPixel(x, y) == 0xFFFF0000u;
  EXPECT_TRUE(cornerTexel);
}

TEST(LandStamp, UnusableSourceDrawsNothing) {
  auto image = Image(4, 4, std::vector<uint32_t>(16, 0xFFFFFFFF));
  const struct {
    platform::Texture* texture;
    Rect source;
  } cases[] = {{nullptr, {0, 0, 4, 4}},
               {image.get(), {0, 0, 5, 4}},
               {image.get(), {-1, 0, 4, 4}},
               {image.get(), {2, 2, 2, 4}}};
  for (const auto& c : cases) {
    auto land = Store({0, 0, 8, 8});
    LandStamp stamp(c.texture, c.source, {0, 0, 8, 8}, nullptr, nullptr, false, 0xFFFFFFFF, 1, 0, true);
    EXPECT_FALSE(land->StampTexture(stamp, nullptr));
    EXPECT_EQ(terrain_test::PixelHash(*land), terrain_test::PixelHash(*Store({0, 0, 8, 8})));
  }
  // A destination wider than 32-bit integers reach maps no pixel.
  auto land = Store({0, 0, 8, 8});
  EXPECT_TRUE(land->StampTexture(Plain(image.get(), {-2000000000, 0, 2000000000, 8}), nullptr));
  EXPECT_EQ(terrain_test::PixelHash(*land), terrain_test::PixelHash(*Store({0, 0, 8, 8})));
}

TEST(LandStamp, ResultsAndRemovedPixelsDoNotDependOnTheWorkerCount) {
  // A 1100 x 600 store (15 tiles) with a rough ground, two large rotated bilinear stamps
  // and an erase that collects.
  platform::SRand(5);
  std::vector<uint32_t> pixels(64 * 64);
  for (uint32_t& p : pixels) p = (uint32_t(platform::Rand() & 255) << 24) | uint32_t(platform::Rand()) * 977u;
  auto image = Image(64, 64, pixels);
  auto disc = Image(1, 1, {0xFFFFFFFF});

  struct Outcome {
    uint64_t hash;
    std::vector<RemovedPixel> removed;
  };
  auto run = [&](int workers) {
    WorkerCount count(workers);
    auto land = Store({-100, -50, 1000, 550});
    for (int32_t x = -100; x < 1000; ++x)
      for (int32_t y = 200 + (x * 7919 % 97); y < 550; ++y) *land->LockedPixel(x, y) = 0xFF8B5A2B;
    Vector2 centre(150.0f, 100.0f);
    double angle = 33.0;
    LandStamp rock(image.get(), {0, 0, 64, 64}, {100, 50, 420, 330}, &centre, &angle, true, 0xFFC0A080, 9, 11,
                   true);
    EXPECT_TRUE(land->StampTexture(rock, nullptr));
    angle = -71.5;
    LandStamp mirrored(image.get(), {8, 8, 56, 40}, {900, 100, 500, 500}, &centre, &angle, false, 0xFFFFFFFF,
                       5, 8, false);
    EXPECT_TRUE(land->StampTexture(mirrored, nullptr));
    angle = 10.0;
    LandStamp hole(disc.get(), {0, 0, 1, 1}, {-20, 150, 800, 420}, nullptr, &angle, false, 0xFFFFFFFF, 1, 0,
                   true);
    hole.erase = hole.collectRemoved = true;
    Outcome out;
    EXPECT_TRUE(land->StampTexture(hole, &out.removed));
    out.hash = terrain_test::PixelHash(*land);
    return out;
  };
  Outcome one = run(1);
  EXPECT_GT(one.removed.size(), 50000u);
  // The removed pixels come tile by tile, each tile x outer and y inner.
  EXPECT_TRUE(std::is_sorted(
      one.removed.begin(), one.removed.begin() + 100,
      [](const RemovedPixel& a, const RemovedPixel& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); }));
  for (int workers : {2, 3, 8}) {
    Outcome other = run(workers);
    EXPECT_EQ(other.hash, one.hash) << workers << " workers";
    EXPECT_TRUE(other.removed == one.removed) << workers << " workers";
  }
}

TEST(LandStamp, DefinitionBlockSetsEveryField) {
  // An image and a sprite-definition file naming a part of it, in the archive's folder
  // "bilder\steine".
  const std::string prt =
      "<>\n \t<\\>\n<SPRITES> <TEXTUR> <SEARCHPATH> \"Bilder\\Steine\" <\\SEARCHPATH>"
      " <TEXTURNAME> \"fels.png\" <\\TEXTURNAME> <NAME_ID> \"FELS\" <\\NAME_ID>"
      " <TEX_PART> <NAME_ID> \"FELS_A\" <\\NAME_ID> <PART_RECT> \"4\" \"4\" \"20\" \"12\" <\\PART_RECT> "
      "<\\TEX_PART>"
      " <\\TEXTUR> <\\SPRITES>\n";
  TempDir dir;
  ASSERT_TRUE(WriteDataArchive(
      dir.File("s.gob"), {{u"bilder\\steine\\fels.png",
                           MakePng(32, 32, [](int x, int y) { return 0xFF000000u | uint32_t(x << 8 | y); })},
                          {u"bilder\\steine\\steine.prt", std::vector<uint8_t>(prt.begin(), prt.end())}}));
  auto archive = DataArchive::Open(dir.File("s.gob"));
  APIContext context;
  DisplayEnvironment env;
  env.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
  APIGraphics graphics(context, env);
  graphics.UseNullDevice(true);
  ASSERT_EQ(graphics.Create(), kResultOk);
  TexturDefCache& cache = *graphics.GetTexturDefCache();

  KVNode def(u"SCHNIPPSEL");
  def.AddChildWith(u"SEARCHPATH", u"Bilder\\Steine");
  def.AddChildWith(u"TEXTUR_INDIREKT", u"steine.prt", u"FELS_A");
  def.AddChildWith(u"TEXTUR_DIREKT", u"ignored.png");
  def.AddChildWith(u"WORLD_RECT", u"200", u"10", u"100", u"60");
  def.AddChildWith(u"ROTCENTER", u"1.5", u"-2");
  def.AddChildWith(u"ROTATION", u"12.25");
  def.AddChildWith(u"BILINEAR", u"0");
  def.AddChildWith(u"COLORKEY", u"80FF0000");
  LandStamp stamp(&def, &cache, archive.get());
  ASSERT_NE(stamp.texture, nullptr);
  EXPECT_EQ(stamp.texture->Width(), 32);
  EXPECT_EQ(stamp.texture->PixelAt(5, 6), 0xFF000506u);
  EXPECT_EQ(stamp.source, (Rect{4, 4, 20, 12}));
  EXPECT_EQ(stamp.destination, (Rect{100, 10, 200, 60}));
  EXPECT_TRUE(stamp.mirrorX);
  EXPECT_EQ(stamp.rotationCentre, Vector2(1.5f, -2.0f));
  EXPECT_EQ(stamp.rotation, 12.25);
  EXPECT_FALSE(stamp.bilinear);
  EXPECT_EQ(stamp.modulation, 0x80FF0000u);
  EXPECT_EQ(stamp.sourceMode, 9);
  EXPECT_EQ(stamp.destMode, 11);
  EXPECT_TRUE(stamp.clamp);

  // A whole image, with TEX_RECT overriding its rectangle.
  KVNode direct(u"SCHNIPPSEL");
  direct.AddChildWith(u"SEARCHPATH", u"Bilder\\Steine");
  direct.AddChildWith(u"TEXTUR_DIREKT", u"fels.png");
  direct.AddChildWith(u"TEX_RECT", u"1", u"2", u"3", u"4");
  LandStamp whole(&direct, &cache, archive.get());
  EXPECT_EQ(whole.texture, stamp.texture);
  EXPECT_EQ(whole.source, (Rect{1, 2, 3, 4}));
  direct.AddChildWith(u"BILINEAR", u"7");
  EXPECT_TRUE(LandStamp(&direct, &cache, archive.get()).bilinear);

  // Without a node the defaults stand; without a cache, or for a part nobody defines,
  // there is no texture.
  LandStamp bare(nullptr, nullptr, nullptr);
  EXPECT_EQ(bare.texture, nullptr);
  EXPECT_TRUE(bare.bilinear);
  EXPECT_EQ(bare.modulation, 0xFFFFFFFFu);
  EXPECT_EQ(bare.destination, (Rect{0, 0, 0, 0}));
  EXPECT_EQ(LandStamp(&def, nullptr, archive.get()).texture, nullptr);
  KVNode missing(u"SCHNIPPSEL");
  missing.AddChildWith(u"TEXTUR_INDIREKT", u"steine.prt", u"FELS_Z");
  EXPECT_EQ(LandStamp(&missing, &cache, archive.get()).texture, nullptr);
}

namespace {

class Water : public WaterSurface {
 public:
  explicit Water(double y) : m_y(y) {}
  double GetSurfaceY() const override { return m_y; }

 private:
  double m_y;
};

std::vector<std::pair<int32_t, int32_t>> Points(const std::vector<NavNode>& nodes) {
  std::vector<std::pair<int32_t, int32_t>> out;
  for (const NavNode& n : nodes) out.push_back({n.x, n.y});
  return out;
}

}  // namespace

TEST(SurfaceScan, FindsGroundBelowAirAboveTheWater) {
  auto land = ArtStore(
      {
          "..#.",
          "#...",
          "##.#",
          "###.",
      },
      10, 20);
  using P = std::vector<std::pair<int32_t, int32_t>>;
  Rect columns{11, 0, 13, 100};
  Water water(23.0);
  Water high(-5.0);
  const struct {
    const Rect* area;
    const WaterSurface* water;
    P expected;
  } cases[] = {
      // A column solid from its first row (x = 12) yields nothing for that run.
      {nullptr, nullptr, {{10, 21}, {11, 22}, {12, 23}, {13, 22}}},
      {nullptr, &water, {{10, 21}, {11, 22}, {13, 22}}},
      {&columns, nullptr, {{11, 22}, {12, 23}}},
      {nullptr, &high, {}},
  };
  for (const auto& c : cases) {
    std::vector<NavNode> nodes;
    land->FindSurfacePoints(nodes, c.area, c.water);
    EXPECT_EQ(Points(nodes), c.expected);
  }
  std::vector<NavNode> nodes{NavNode(1, 2)};
  land->FindSurfacePoints(nodes);
  ASSERT_EQ(nodes.size(), 5u);  // appended
  EXPECT_EQ(nodes[1].firstRun, NavNode::kInitialRun);
  EXPECT_EQ(nodes[1].secondRun, NavNode::kInitialRun);
}

TEST(SurfaceScan, StripsCoverEveryColumnForAnyWorkerCount) {
  // 61 columns: with 7 strips, 61 / 7 * 7 falls just short of 61 in double arithmetic.
  auto land = terrain_test::FlatStore({0, 0, 61, 10}, 4);
  std::vector<NavNode> reference;
  {
    WorkerCount one(1);
    land->FindSurfacePoints(reference);
  }
  ASSERT_EQ(reference.size(), 61u);
  for (int workers : {2, 3, 7, 8}) {
    WorkerCount count(workers);
    std::vector<NavNode> nodes;
    land->FindSurfacePoints(nodes);
    EXPECT_EQ(Points(nodes), Points(reference)) << workers << " workers";
  }
}
