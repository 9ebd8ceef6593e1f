// Sprite-sheet layout and assembly.
#include "content/sheet.h"

#include <algorithm>

namespace content {

SheetLayout PlanSheet(int frameCount, int cellWidth, int cellHeight, int columns) {
  SheetLayout l;
  if (frameCount <= 0 || cellWidth <= 0 || cellHeight <= 0) return l;
  l.cellWidth = cellWidth;
  l.cellHeight = cellHeight;
  l.frameCount = frameCount;
  l.columns = columns > 0 ? std::min(columns, frameCount) : std::clamp(1024 / cellWidth, 1, frameCount);
  l.rows = (frameCount + l.columns - 1) / l.columns;
  l.width = NextPowerOfTwo(l.columns * cellWidth);
  l.height = NextPowerOfTwo(l.rows * cellHeight);
  return l;
}

void FrameOrigin(const SheetLayout& layout, int index, int& left, int& top) {
  left = (index % layout.columns) * layout.cellWidth;
  top = (index / layout.columns) * layout.cellHeight;
}

Image AssembleSheet(const std::vector<Image>& frames, int columns, SheetLayout* layout, std::string* error) {
  auto fail = [&](const std::string& message) {
    if (error) *error = message;
    return Image();
  };
  if (frames.empty()) return fail("no frames");
  int w = frames[0].Width(), h = frames[0].Height();
  for (size_t i = 0; i < frames.size(); ++i)
    if (frames[i].Width() != w || frames[i].Height() != h)
      return fail("frame " + std::to_string(i) + " is " + std::to_string(frames[i].Width()) + "x" +
                  std::to_string(frames[i].Height()) + ", the first is " + std::to_string(w) + "x" +
                  std::to_string(h));
  SheetLayout l = PlanSheet(int(frames.size()), w, h, columns);
  if (l.width == 0) return fail("empty frames");
  Image sheet(l.width, l.height);
  for (int i = 0; i < int(frames.size()); ++i) {
    int x, y;
    FrameOrigin(l, i, x, y);
    sheet.Paste(frames[size_t(i)], x, y);
  }
  if (layout) *layout = l;
  return sheet;
}

}  // namespace content
