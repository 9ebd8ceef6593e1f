#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>
#include <vector>

#include "content/image.h"
#include "content/noise.h"
#include "content/textures.h"
#include "support/temp_dir.h"

using namespace content;

namespace {

// Difference of two pixels, colour weighted by coverage, so hidden colour under zero
// alpha does not count.
double PixelDiff(const Image& img, int x1, int y1, int x2, int y2) {
  const uint8_t *p = img.Pixel(x1, y1), *q = img.Pixel(x2, y2);
  double d = std::abs(int(p[3]) - int(q[3]));
  for (int c = 0; c < 3; ++c) d += std::fabs(p[c] * p[3] / 255.0 - q[c] * q[3] / 255.0);
  return d;
}
double ColumnDiff(const Image& img, int a, int b) {
  double sum = 0;
  for (int y = 0; y < img.Height(); ++y) sum += PixelDiff(img, a, y, b, y);
  return sum / img.Height();
}
double RowDiff(const Image& img, int a, int b) {
  double sum = 0;
  for (int x = 0; x < img.Width(); ++x) sum += PixelDiff(img, x, a, x, b);
  return sum / img.Width();
}
// The step across the wrap seam against the mean step between neighbouring columns (rows):
// a texture that tiles shows no bigger jump at its edge than anywhere inside.
double SeamRatioX(const Image& img) {
  double inside = 0;
  for (int x = 0; x + 1 < img.Width(); ++x) inside += ColumnDiff(img, x, x + 1);
  inside /= img.Width() - 1;
  return ColumnDiff(img, img.Width() - 1, 0) / std::max(inside, 0.5);
}
double SeamRatioY(const Image& img) {
  double inside = 0;
  for (int y = 0; y + 1 < img.Height(); ++y) inside += RowDiff(img, y, y + 1);
  inside /= img.Height() - 1;
  return RowDiff(img, img.Height() - 1, 0) / std::max(inside, 0.5);
}


// Brightness of a pixel (Rec. 601 weights).
double Luma(const Image& img, int x, int y) {
  const uint8_t* p = img.Pixel(x, y);
  return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
}
double Mean(const std::vector<double>& v) {
  double s = 0;
  for (double x : v) s += x;
  return v.empty() ? 0.0 : s / double(v.size());
}
double Spread(const std::vector<double>& v) {
  const double m = Mean(v);
  double s = 0;
  for (double x : v) s += (x - m) * (x - m);
  return v.empty() ? 0.0 : std::sqrt(s / double(v.size()));
}
// How much the brightness of 32 x 32 blocks differs: blotches this large repeat as a grid
// when the fill is stamped tile by tile.
double BlockSpread(const Image& img) {
  std::vector<double> blocks;
  for (int by = 0; by + 32 <= img.Height(); by += 32)
    for (int bx = 0; bx + 32 <= img.Width(); bx += 32) {
      double s = 0;
      for (int y = by; y < by + 32; ++y)
        for (int x = bx; x < bx + 32; ++x) s += Luma(img, x, y);
      blocks.push_back(s / (32 * 32));
    }
  return Spread(blocks);
}
// How much whole rows differ in brightness: stripes across the tile read as corrugation.
double RowSpread(const Image& img) {
  std::vector<double> rows;
  for (int y = 0; y < img.Height(); ++y) {
    double s = 0;
    for (int x = 0; x < img.Width(); ++x) s += Luma(img, x, y);
    rows.push_back(s / img.Width());
  }
  return Spread(rows);
}
double MeanLuma(const Image& img) {
  double s = 0;
  for (int y = 0; y < img.Height(); ++y)
    for (int x = 0; x < img.Width(); ++x) s += Luma(img, x, y);
  return s / (double(img.Width()) * img.Height());
}

}  // namespace

TEST(Noise, LatticeRepeatsWithItsPeriod) {
  struct Case {
    int px, py;
    double x, y;
  } cases[] = {{4, 4, 0.3, 0.7}, {3, 5, 2.9, 4.99}, {8, 2, -1.25, 0.5}, {1, 1, 0.5, 0.5}};
  for (const auto& c : cases) {
    double v = ValueNoise(c.x, c.y, c.px, c.py, 9);
    EXPECT_DOUBLE_EQ(v, ValueNoise(c.x + c.px, c.y, c.px, c.py, 9)) << c.px << "x" << c.py;
    EXPECT_DOUBLE_EQ(v, ValueNoise(c.x, c.y - 2 * c.py, c.px, c.py, 9)) << c.px << "x" << c.py;
    EXPECT_GE(v, 0.0);
    EXPECT_LE(v, 1.0);
  }
  Fractal f{3, 5, 6, 0.5, 4};
  EXPECT_DOUBLE_EQ(Fbm(0.0, 0.25, f), Fbm(1.0, 1.25, f));
  EXPECT_DOUBLE_EQ(Ridged(0.999, 0.5, f), Ridged(-0.001, 0.5, f));
  Cells a = Cellular(0.02, 0.5, 5, 5, 3), b = Cellular(1.02, -0.5, 5, 5, 3);
  EXPECT_DOUBLE_EQ(a.f1, b.f1);
  EXPECT_EQ(a.id, b.id);
  EXPECT_NE(ValueNoise(0.5, 0.5, 4, 4, 1), ValueNoise(0.5, 0.5, 4, 4, 2));
}

TEST(Textures, CatalogueNamesAndSizes) {
  std::set<std::string> names;
  for (const auto& t : TextureCatalogue()) {
    EXPECT_TRUE(names.insert(t.name).second) << t.name;
    EXPECT_EQ(t.name.substr(0, 9), "texturen/") << t.name;
    EXPECT_EQ(t.name.substr(t.name.size() - 4), ".png") << t.name;
    EXPECT_TRUE(IsPowerOfTwo(t.width) && IsPowerOfTwo(t.height)) << t.name;
    EXPECT_EQ(FindTexture(t.name), &t);
  }
  EXPECT_EQ(FindTexture("texturen/terrain/nothing.png"), nullptr);
}

// Every texture: the same seed gives the same pixels, sizes match, and the ones that
// claim to tile show no seam. Fills and skies are opaque; clouds fade out before their
// edges.
TEST(Textures, DeterministicSeamlessAndCorrectlyTransparent) {
  for (const auto& t : TextureCatalogue()) {
    SCOPED_TRACE(t.name);
    Image a = MakeTexture(t);
    ASSERT_EQ(a.Width(), t.width);
    ASSERT_EQ(a.Height(), t.height);
    EXPECT_EQ(a.Bytes(), MakeTexture(t).Bytes());
    if (t.tilesX) {
      EXPECT_LT(SeamRatioX(a), 2.0);
    }
    if (t.tilesY) {
      EXPECT_LT(SeamRatioY(a), 2.0);
    }
    bool opaque = t.name.find("terrain/") != std::string::npos ||
                  t.name.find("sky/day") != std::string::npos ||
                  t.name.find("sky/dusk") != std::string::npos ||
                  t.name.find("sky/night") != std::string::npos || t.name == "texturen/water/water.png";
    if (opaque) {
      for (size_t i = 3; i < a.Bytes().size(); i += 4) ASSERT_EQ(a.Bytes()[i], 255);
    }
    if (t.name.find("cloud") != std::string::npos) {
      for (int x = 0; x < a.Width(); ++x) {
        EXPECT_EQ(a.Pixel(x, 0)[3], 0);
        EXPECT_EQ(a.Pixel(x, a.Height() - 1)[3], 0);
      }
      EXPECT_GT(a.Pixel(a.Width() / 2, a.Height() / 2)[3], 128);
    }
    if (t.name.find("hills") != std::string::npos) {
      for (int x = 0; x < a.Width(); ++x) {
        EXPECT_EQ(a.Pixel(x, 0)[3], 0);
        EXPECT_EQ(a.Pixel(x, a.Height() - 1)[3], 255);
      }
    }
  }
}

// The stone, sand and ice fills and the snow cover are stamped in tiles of 100 to 300 pixels
// over whole hills: no blotch as large as a block and no band across the rows may stand out,
// or the tiles show as a grid and the sand as corrugation. Snow lies as a rim on ice, so it
// must be much brighter than the ice to show.
TEST(Textures, FillsShowNoGridOrStripesAndSnowStandsOutOnIce) {
  for (const char* name : {"texturen/terrain/rock.png", "texturen/terrain/sand.png", "texturen/terrain/ice.png",
                           "texturen/terrain/snow.png"}) {
    SCOPED_TRACE(name);
    const TextureInfo* info = FindTexture(name);
    ASSERT_NE(info, nullptr);
    const Image img = MakeTexture(*info);
    EXPECT_LT(BlockSpread(img), 8.0);
    EXPECT_LT(RowSpread(img), 5.0);
  }
  const Image ice = MakeTexture(*FindTexture("texturen/terrain/ice.png"));
  const Image snow = MakeTexture(*FindTexture("texturen/terrain/snow.png"));
  EXPECT_GT(MeanLuma(snow) - MeanLuma(ice), 80.0);
}

TEST(Textures, EachWaveFrameTilesOnItsOwn) {
  const TextureInfo* waves = FindTexture("texturen/water/waves.png");
  ASSERT_NE(waves, nullptr);
  Image img = MakeTexture(*waves);
  const int frames = 4, fw = img.Width() / frames;
  for (int f = 0; f < frames; ++f) {
    // Coverage of the first and last column of a frame must agree (alpha carries the crest).
    double diff = 0, inside = 0;
    for (int y = 0; y < img.Height(); ++y) {
      diff += std::abs(int(img.Pixel(f * fw, y)[3]) - int(img.Pixel(f * fw + fw - 1, y)[3]));
      inside += std::abs(int(img.Pixel(f * fw, y)[3]) - int(img.Pixel(f * fw + 1, y)[3]));
    }
    EXPECT_LE(diff, 2 * inside + 64) << "frame " << f;
  }
  // The frames differ: the crest moves.
  EXPECT_NE(ColumnDiff(img, 10, fw + 10), 0.0);
}

TEST(Png, EncodesAndDecodesExactly) {
  Image img(8, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) {
      uint8_t* p = img.Pixel(x, y);
      p[0] = uint8_t(x * 30);
      p[1] = uint8_t(y * 60);
      p[2] = uint8_t(x ^ y);
      p[3] = uint8_t(255 - x * y);
    }
  auto bytes = EncodePng(img);
  ASSERT_GE(bytes.size(), 8u);
  EXPECT_EQ(bytes[1], 'P');
  auto back = DecodePng(bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Width(), 8);
  EXPECT_EQ(back->Height(), 4);
  EXPECT_EQ(back->Bytes(), img.Bytes());
  EXPECT_FALSE(DecodePng({1, 2, 3}));
}

TEST(Texgen, WritesNamedTexturesAndRejectsUnknownOnes) {
  TempDir dir;
  std::string cmd = std::string(KRUMBOLT_TEXGEN) + " " + dir.Path().string();
  ASSERT_EQ(std::system((cmd + " texturen/sky/cloud_1.png").c_str()), 0);
  auto img = ReadPng((dir.Path() / "texturen/sky/cloud_1.png").string());
  ASSERT_TRUE(img);
  EXPECT_EQ(img->Width(), 256);
  EXPECT_EQ(img->Height(), 128);
  EXPECT_EQ(img->Bytes(), MakeTexture(*FindTexture("texturen/sky/cloud_1.png")).Bytes());
  EXPECT_NE(std::system((cmd + " texturen/none.png 2>/dev/null").c_str()), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "texturen/none.png"));
}
