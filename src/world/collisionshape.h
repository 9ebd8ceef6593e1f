// The shape with which a moving thing asks the world whether it touches terrain: a point,
// an axis-aligned box, the pixel mask of an animation frame stretched over a box, or that
// mask turned and moved by a matrix. Also the segment intersection of the column-fill
// stages.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/gfxtypes.h"
#include "platform/texture.h"

// The solid texels (alpha above 192) of a frame, one row of 64-bit words after the other,
// made once so that a mask test reads bits instead of the texture.
struct SolidMask {
  int32_t width = 0;
  int32_t height = 0;
  int32_t wordsPerRow = 0;
  std::vector<uint64_t> bits;

  bool Solid(int32_t x, int32_t y) const {
    return (bits[size_t(y) * size_t(wordsPerRow) + size_t(x >> 6)] >> (x & 63)) & 1u;
  }
  // The mask of the rectangle of a texture's texels; empty when the rectangle does not lie
  // inside the texture.
  static SolidMask FromTexture(const platform::Texture* texture, const Rect& source);
};

struct CollisionShape {
  enum Kind : int32_t { kNone = 0, kPoint = 1, kBox = 2, kFrameMask = 3, kTransformedMask = 4 };

  int32_t kind = kNone;
  // Point: points[0]. Box and frame mask: points[0] = (left, top), points[1] = (right,
  // bottom). Transformed mask: points[0] = the frame's (width, height) in local units.
  Vector2 points[4];
  // The masks: the frame's texture (borrowed; its CPU pixels are read) and its texels.
  const platform::Texture* texture = nullptr;
  Rect source;
  // Transformed mask: local frame coordinates (0..width, 0..height) to world pixels.
  platform::Matrix transform;
  // The masks: the source's solid mask when the caller keeps one (borrowed); the texels are
  // read otherwise.
  const SolidMask* mask = nullptr;

  static CollisionShape MakePoint(const Vector2& point);
  static CollisionShape MakeBox(const Rect& box);
  static CollisionShape MakeFrameMask(const Rect& box, const platform::Texture* texture, const Rect& source);
  static CollisionShape MakeTransformedMask(const Vector2& frameSize, const platform::Texture* texture,
                                            const Rect& source, const platform::Matrix& transform);
};

// Where the segments a0-a1 and b0-b1 meet, in single precision: 0 when they do not, 1 with
// the point p, 2 with the ends p and q of a shared stretch of collinear segments. Parallel
// segments apart from each other do not meet.
int32_t SegmentIntersect(const Vector2& a0, const Vector2& a1, const Vector2& b0, const Vector2& b1,
                         Vector2* p, Vector2* q);
