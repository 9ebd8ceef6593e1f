// sheetgen: assembles equal-sized PNG frames into one power-of-two sprite sheet.
//
//   sheetgen OUT.png [--columns N] FRAME.png...
//
// Frames go row by row from the top-left; without --columns as many fit in a row as fit in
// 1024 pixels. The layout is printed as an animation file addresses it: the first cell and
// the count of columns and rows.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "content/image.h"
#include "content/sheet.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: sheetgen OUT.png [--columns N] FRAME.png...\n");
    return 2;
  }
  std::string out = argv[1];
  int columns = 0;
  std::vector<content::Image> frames;
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--columns" && i + 1 < argc) {
      columns = std::atoi(argv[++i]);
      if (columns <= 0) {
        std::fprintf(stderr, "sheetgen: --columns needs a positive number\n");
        return 2;
      }
      continue;
    }
    auto frame = content::ReadPng(arg);
    if (!frame) {
      std::fprintf(stderr, "sheetgen: cannot read %s\n", arg.c_str());
      return 1;
    }
    frames.push_back(std::move(*frame));
  }
  std::string error;
  content::SheetLayout layout;
  content::Image sheet = content::AssembleSheet(frames, columns, &layout, &error);
  if (sheet.Width() == 0) {
    std::fprintf(stderr, "sheetgen: %s\n", error.c_str());
    return 1;
  }
  if (!content::WritePng(out, sheet)) {
    std::fprintf(stderr, "sheetgen: cannot write %s\n", out.c_str());
    return 1;
  }
  std::printf("%s: %dx%d, FIRST_FRAME 0 0 %d %d, ANZAHL %d %d (%d frames)\n", out.c_str(), layout.width,
              layout.height, layout.cellWidth, layout.cellHeight, layout.columns, layout.rows,
              layout.frameCount);
  return 0;
}
