// Sprite sheets: equal-sized frames in a grid, row by row from the top-left, on a
// power-of-two canvas. Frame i sits in column i mod C and row i div C, so an animation
// file addresses the sheet with its first cell (0, 0, w, h) and the count of columns and rows.
#pragma once

#include <string>
#include <vector>

#include "content/image.h"

namespace content {

struct SheetLayout {
  int cellWidth = 0, cellHeight = 0;
  int columns = 0, rows = 0;
  int width = 0, height = 0;  // the canvas: powers of two
  int frameCount = 0;
};

// Columns default to as many as fit in 1024 pixels (at least one, at most the frame count).
SheetLayout PlanSheet(int frameCount, int cellWidth, int cellHeight, int columns = 0);
// Where frame i lies on the sheet: left, top (the cell is cellWidth × cellHeight).
void FrameOrigin(const SheetLayout& layout, int index, int& left, int& top);
// The frames on one canvas (transparent elsewhere); empty image and a message when the
// frames are missing or differ in size.
Image AssembleSheet(const std::vector<Image>& frames, int columns, SheetLayout* layout, std::string* error);

}  // namespace content
