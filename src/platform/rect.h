// Integer rectangles and sizes as the drawing and window code pass them around:
// left and top inclusive, right and bottom exclusive.
#pragma once

#include <cstdint>

namespace platform {

struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  // Held to the 32-bit range: rectangles from data files may span more than it holds.
  constexpr int32_t Width() const { return Held(int64_t(right) - left); }
  constexpr int32_t Height() const { return Held(int64_t(bottom) - top); }
  static constexpr int32_t Held(int64_t v) { return int32_t(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v); }
  constexpr bool operator==(const Rect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  constexpr bool operator!=(const Rect& o) const { return !(*this == o); }
};

struct Size {
  int32_t width = 0;
  int32_t height = 0;
  constexpr bool operator==(const Size& o) const { return width == o.width && height == o.height; }
};

// Where a back buffer of one size is shown inside a drawable area of another: scaled by the
// largest factor that keeps its proportions and centred, with black bars around it.
struct Letterbox {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;

  static Letterbox Compute(int32_t backWidth, int32_t backHeight, int32_t areaWidth, int32_t areaHeight);
  // A point of the drawable area in back-buffer pixels (not clamped; may lie outside).
  void ToBackBuffer(double areaX, double areaY, int32_t backWidth, int32_t backHeight, double& outX,
                    double& outY) const;
};

inline Letterbox Letterbox::Compute(int32_t backWidth, int32_t backHeight, int32_t areaWidth,
                                    int32_t areaHeight) {
  Letterbox box{0, 0, areaWidth, areaHeight};
  if (backWidth <= 0 || backHeight <= 0 || areaWidth <= 0 || areaHeight <= 0) return box;
  // Compare the two aspect ratios in integers so equal proportions give an exact fit.
  int64_t lhs = int64_t(areaWidth) * backHeight;
  int64_t rhs = int64_t(areaHeight) * backWidth;
  if (lhs > rhs) {
    box.width = int32_t(rhs / backHeight);
    box.x = (areaWidth - box.width) / 2;
  } else if (lhs < rhs) {
    box.height = int32_t(lhs / backWidth);
    box.y = (areaHeight - box.height) / 2;
  }
  return box;
}

inline void Letterbox::ToBackBuffer(double areaX, double areaY, int32_t backWidth, int32_t backHeight,
                                    double& outX, double& outY) const {
  outX = width > 0 ? (areaX - x) * backWidth / width : areaX;
  outY = height > 0 ? (areaY - y) * backHeight / height : areaY;
}

}  // namespace platform
