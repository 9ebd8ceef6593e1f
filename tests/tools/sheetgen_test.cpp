#include <gtest/gtest.h>

#include <cstdlib>

#include "content/image.h"
#include "content/sheet.h"
#include "support/temp_dir.h"

using namespace content;

TEST(Sheet, LayoutTable) {
  struct Case {
    int count, w, h, columns;
    int wantColumns, wantRows, wantWidth, wantHeight;
  } cases[] = {
      {16, 64, 64, 0, 16, 1, 1024, 64}, {20, 64, 64, 0, 16, 2, 1024, 128}, {3, 100, 50, 0, 3, 1, 512, 64},
      {1, 2000, 30, 0, 1, 1, 2048, 32}, {10, 32, 32, 4, 4, 3, 128, 128},   {2, 32, 32, 8, 2, 1, 64, 32},
      {8, 128, 32, 0, 8, 1, 1024, 32},  {9, 128, 32, 0, 8, 2, 1024, 64},   {5, 200, 200, 0, 5, 1, 1024, 256},
  };
  for (const auto& c : cases) {
    SheetLayout l = PlanSheet(c.count, c.w, c.h, c.columns);
    EXPECT_EQ(l.columns, c.wantColumns) << c.count << " frames of " << c.w;
    EXPECT_EQ(l.rows, c.wantRows) << c.count << " frames of " << c.w;
    EXPECT_EQ(l.width, c.wantWidth) << c.count << " frames of " << c.w;
    EXPECT_EQ(l.height, c.wantHeight) << c.count << " frames of " << c.w;
  }
  EXPECT_EQ(PlanSheet(0, 32, 32).width, 0);
  EXPECT_EQ(PlanSheet(4, 0, 32).width, 0);
}

// Frame i lands in column i mod C, row i div C, which is the order in which an animation
// file numbers the cells of its grid; everything else stays transparent.
TEST(Sheet, FramesLandInRowMajorCells) {
  std::vector<Image> frames;
  for (int i = 0; i < 5; ++i) {
    Image f(24, 16);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 24; ++x) f.Set(x, y, Rgb{i / 10.0, 1.0, 0.5}, 1.0);
    frames.push_back(f);
  }
  SheetLayout l;
  std::string error;
  Image sheet = AssembleSheet(frames, 2, &l, &error);
  ASSERT_EQ(sheet.Width(), 64);
  ASSERT_EQ(sheet.Height(), 64);
  EXPECT_EQ(l.rows, 3);
  for (int i = 0; i < 5; ++i) {
    int x = (i % 2) * 24, y = (i / 2) * 16;
    EXPECT_EQ(sheet.Pixel(x, y)[0], frames[size_t(i)].Pixel(0, 0)[0]) << i;
    EXPECT_EQ(sheet.Pixel(x + 23, y + 15)[3], 255) << i;
  }
  EXPECT_EQ(sheet.Pixel(24, 32)[3], 0);  // the sixth cell is empty
  EXPECT_EQ(sheet.Pixel(48, 0)[3], 0);   // padding to the power of two
  EXPECT_EQ(sheet.Pixel(0, 48)[3], 0);
}

TEST(Sheet, RefusesFramesOfDifferentSizes) {
  std::string error;
  Image sheet = AssembleSheet({Image(8, 8), Image(8, 8), Image(8, 9)}, 0, nullptr, &error);
  EXPECT_EQ(sheet.Width(), 0);
  EXPECT_NE(error.find("frame 2"), std::string::npos) << error;
  EXPECT_EQ(AssembleSheet({}, 0, nullptr, &error).Width(), 0);
}

TEST(Sheetgen, AssemblesFilesAndFailsOnMissingFrames) {
  TempDir dir;
  std::string frames;
  for (int i = 0; i < 3; ++i) {
    Image f(40, 20);
    f.Set(0, 0, Rgb{1, 0, 0}, 1.0);
    std::string path = (dir.Path() / ("f" + std::to_string(i) + ".png")).string();
    ASSERT_TRUE(WritePng(path, f));
    frames += " " + path;
  }
  std::string out = (dir.Path() / "sheet.png").string();
  ASSERT_EQ(std::system((std::string(KRUMBOLT_SHEETGEN) + " " + out + frames + " >/dev/null").c_str()), 0);
  auto sheet = ReadPng(out);
  ASSERT_TRUE(sheet);
  EXPECT_EQ(sheet->Width(), 128);
  EXPECT_EQ(sheet->Height(), 32);
  EXPECT_EQ(sheet->Pixel(80, 0)[3], 255);
  std::string bad = std::string(KRUMBOLT_SHEETGEN) + " " + (dir.Path() / "bad.png").string() + frames + " " +
                    (dir.Path() / "missing.png").string() + " 2>/dev/null";
  EXPECT_NE(std::system(bad.c_str()), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "bad.png"));
}
