// Collision shape builders and the segment intersection.
#include "world/collisionshape.h"

#include <cmath>
#include <utility>

SolidMask SolidMask::FromTexture(const platform::Texture* texture, const Rect& r) {
  SolidMask mask;
  if (!texture || !texture->Pixels() || r.left < 0 || r.top < 0 || r.right > texture->Width() ||
      r.bottom > texture->Height() || r.right <= r.left || r.bottom <= r.top)
    return mask;
  mask.width = r.right - r.left;
  mask.height = r.bottom - r.top;
  mask.wordsPerRow = (mask.width + 63) / 64;
  mask.bits.assign(size_t(mask.wordsPerRow) * size_t(mask.height), 0);
  for (int32_t y = 0; y < mask.height; ++y) {
    const uint32_t* row = texture->Pixels() + size_t(r.top + y) * size_t(texture->Width()) + size_t(r.left);
    for (int32_t x = 0; x < mask.width; ++x)
      if ((row[x] >> 24) > 192)
        mask.bits[size_t(y) * size_t(mask.wordsPerRow) + size_t(x >> 6)] |= uint64_t(1) << (x & 63);
  }
  return mask;
}

CollisionShape CollisionShape::MakePoint(const Vector2& point) {
  CollisionShape s;
  s.kind = kPoint;
  s.points[0] = point;
  return s;
}

CollisionShape CollisionShape::MakeBox(const Rect& box) {
  CollisionShape s;
  s.kind = kBox;
  s.points[0] = Vector2(float(box.left), float(box.top));
  s.points[1] = Vector2(float(box.right), float(box.bottom));
  return s;
}

CollisionShape CollisionShape::MakeFrameMask(const Rect& box, const platform::Texture* texture,
                                             const Rect& source) {
  CollisionShape s = MakeBox(box);
  s.kind = kFrameMask;
  s.texture = texture;
  s.source = source;
  return s;
}

CollisionShape CollisionShape::MakeTransformedMask(const Vector2& frameSize, const platform::Texture* texture,
                                                   const Rect& source, const platform::Matrix& transform) {
  CollisionShape s;
  s.kind = kTransformedMask;
  s.points[0] = frameSize;
  s.texture = texture;
  s.source = source;
  s.transform = transform;
  return s;
}

int32_t SegmentIntersect(const Vector2& a0, const Vector2& a1, const Vector2& b0, const Vector2& b1,
                         Vector2* p, Vector2* q) {
  const Vector2 d1 = a1 - a0, d2 = b1 - b0, e = a0 - b0;
  const float c = d1.x * d2.y - d1.y * d2.x;
  if (std::fabs(c) >= 1e-8f) {
    float s = (d2.x * e.y - d2.y * e.x) / c;
    float t = (d1.x * e.y - d1.y * e.x) / c;
    if (s >= 0.0f && s <= 1.0f && t >= 0.0f && t <= 1.0f) {
      if (p) *p = a0 + d1 * s;
      return 1;
    }
    return 0;
  }
  // Parallel: apart, or on one line.
  if (d1.x * e.y - d1.y * e.x != 0.0f || d2.x * e.y - d2.y * e.x != 0.0f) return 0;
  const bool aPoint = d1.x == 0.0f && d1.y == 0.0f;
  const bool bPoint = d2.x == 0.0f && d2.y == 0.0f;
  if (aPoint && bPoint) return a0 == b0 ? 1 : 0;
  // A point lies on a collinear segment when it is within the segment's extent along the
  // axis on which the segment's ends differ in x (else along y), ends included.
  auto within = [](const Vector2& point, const Vector2& s0, const Vector2& s1) {
    float v = point.x, lo = s0.x, hi = s1.x;
    if (s0.x == s1.x) v = point.y, lo = s0.y, hi = s1.y;
    if (lo > hi) std::swap(lo, hi);
    return v >= lo && v <= hi;
  };
  if (aPoint) {
    if (!within(a0, b0, b1)) return 0;
    if (p) *p = a0;
    return 1;
  }
  if (bPoint) {
    if (!within(b0, a0, a1)) return 0;
    if (p) *p = b0;
    return 1;
  }
  const Vector2 f = a1 - b0;
  float t0, t1;
  if (d2.x != 0.0f) {
    t0 = e.x / d2.x;
    t1 = f.x / d2.x;
  } else {
    t0 = e.y / d2.y;
    t1 = f.y / d2.y;
  }
  if (t0 > t1) std::swap(t0, t1);
  if (t0 > 1.0f || t1 < 0.0f) return 0;
  if (t0 < 0.0f) t0 = 0.0f;
  if (t1 > 1.0f) t1 = 1.0f;
  if (p) *p = b0 + d2 * t0;
  if (t0 == t1) return 1;
  if (q) *q = b0 + d2 * t1;
  return 2;
}
