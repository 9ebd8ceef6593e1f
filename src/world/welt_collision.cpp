// The collision test against the main game layer.
#include <algorithm>
#include <bit>
#include <cmath>

#include "platform/numeric.h"
#include "world/welt.h"

namespace {

// The columns (or rows) x with trunc(lo) <= x and x < hi, cut to the layer's span: pixels
// outside the layer are never solid, so leaving them out changes no result.
void Span(float lo, float hi, int32_t layerLo, int32_t layerHi, int64_t& first, int64_t& end) {
  first = platform::TruncToInt(lo);
  end = std::isnan(hi) ? first : int64_t(std::clamp(std::ceil(double(hi)), -2147483649.0, 2147483648.0));
  first = std::max<int64_t>(first, layerLo);
  end = std::min<int64_t>(end, layerHi);
}

// The texels of a mask, when its rectangle lies inside its texture (the read-only lock).
const uint32_t* MaskTexels(const platform::Texture* texture, const Rect& r) {
  if (!texture || r.left < 0 || r.top < 0 || r.right > texture->Width() || r.bottom > texture->Height() ||
      r.right <= r.left || r.bottom <= r.top)
    return nullptr;
  return texture->Pixels() + size_t(r.top) * size_t(texture->Width()) + size_t(r.left);
}

// The shape's mask when it was made from the shape's source rectangle.
const SolidMask* UsableMask(const CollisionShape& shape) {
  const SolidMask* m = shape.mask;
  return m && m->width == shape.source.Width() && m->height == shape.source.Height() ? m : nullptr;
}

// The first solid terrain pixel in column order (x outer, y inner) of [x0, x1) x [y0, y1)
// inside the layer for which hits(x, y) holds. The columns go in strips of the layer's
// clear blocks, left to right: the first strip with a hit holds the answer. A strip's rows
// are read left to right, each only up to the best column found so far, which gives the
// same pixel; stretches the layer knows to be clear are passed over, rows and all where
// one covers what is left of the strip.
template <class Hits>
bool FirstHit(const Landschaft& land, int64_t x0, int64_t x1, int64_t y0, int64_t y1, Hits hits,
              Vector2& out) {
  if (y0 >= y1) return false;
  Rect clear;
  for (int64_t stripLeft = x0; stripLeft < x1;) {
    land.ClearAround(int32_t(stripLeft), int32_t(y0), clear);
    const int64_t stripEnd = std::min<int64_t>(x1, clear.right);
    int64_t bestX = stripEnd, bestY = 0;
    for (int64_t y = y0; y < y1 && bestX > stripLeft;) {
      int64_t next = y + 1;
      int64_t x = stripLeft;
      while (x < bestX) {
        if (land.ClearAround(int32_t(x), int32_t(y), clear)) {
          if (x == stripLeft && clear.right >= bestX) next = std::max<int64_t>(next, clear.bottom);
          x = clear.right;
          continue;
        }
        int32_t count = 0;
        const uint32_t* pixel = land.PeekRow(int32_t(x), int32_t(y), count);
        if (!pixel) break;
        // Up to the end of the block, whose neighbour may be clear.
        count = std::min<int32_t>(count, clear.right - int32_t(x));
        for (const int64_t end = std::min<int64_t>(bestX, x + count); x < end; ++x, ++pixel)
          if (IsSolidPixel(*pixel) && hits(x, y)) {
            bestX = x;
            bestY = y;
            break;
          }
      }
      y = next;
    }
    if (bestX < stripEnd) {
      out = Vector2(float(bestX), float(bestY));
      return true;
    }
    stripLeft = stripEnd;
  }
  return false;
}

}  // namespace

bool Welt::TestCollision(const CollisionShape& shape, Vector2& hit) {
  Landschaft* land = GetGameLandschaft();
  if (!land) return false;
  const Rect area = land->GetRect();
  switch (shape.kind) {
    case CollisionShape::kPoint: {
      if (!land->IsSolidAt(shape.points[0].x, shape.points[0].y)) return false;
      hit = shape.points[0];
      return true;
    }
    case CollisionShape::kBox: {
      const uint32_t key[4] = {std::bit_cast<uint32_t>(shape.points[0].x), std::bit_cast<uint32_t>(shape.points[0].y),
                               std::bit_cast<uint32_t>(shape.points[1].x), std::bit_cast<uint32_t>(shape.points[1].y)};
      const uint64_t writes = land->WriteCount();
      BoxAnswer& answer = m_boxAnswers[Slot(key, m_boxAnswers.size())];
      if (!answer.Is(*land, writes, key)) {
        int64_t x0, x1, y0, y1;
        Span(shape.points[0].x, shape.points[1].x, area.left, area.right, x0, x1);
        Span(shape.points[0].y, shape.points[1].y, area.top, area.bottom, y0, y1);
        answer.hit = FirstHit(
            *land, x0, x1, y0, y1, [](int64_t, int64_t) { return true; }, answer.at);
        answer.Set(*land, writes, key);
      }
      if (answer.hit) hit = answer.at;
      return answer.hit;
    }
    case CollisionShape::kFrameMask: {
      const uint32_t* texels = MaskTexels(shape.texture, shape.source);
      if (!texels) return false;
      const int32_t pitch = shape.texture->Width();
      const Vector2 lo = shape.points[0], hi = shape.points[1];
      const int32_t w = platform::TruncToInt(hi.x - lo.x), h = platform::TruncToInt(hi.y - lo.y);
      if (w <= 0 || h <= 0) return false;
      const int32_t sw = shape.source.Width(), sh = shape.source.Height();
      const int64_t left = platform::TruncToInt(lo.x), top = platform::TruncToInt(lo.y);
      int64_t x0, x1, y0, y1;
      Span(lo.x, hi.x, area.left, area.right, x0, x1);
      Span(lo.y, hi.y, area.top, area.bottom, y0, y1);
      if (x0 >= x1) return false;
      // The box can hold one column (row) more than its truncated width (height); that
      // column samples the mask's last texel column instead of reading beyond it.
      thread_local std::vector<int32_t> texelColumn;
      texelColumn.resize(size_t(x1 - x0));
      for (int64_t x = x0; x < x1; ++x)
        texelColumn[size_t(x - x0)] =
            int32_t(std::min<int64_t>(platform::TruncToInt64(double(x - left) / w * sw), sw - 1));
      const SolidMask* mask = UsableMask(shape);
      auto texel = [&](int64_t x, int64_t y) {
        int64_t ty = std::min<int64_t>(platform::TruncToInt64(double(y - top) / h * sh), sh - 1);
        const int32_t tx = texelColumn[size_t(x - x0)];
        return mask ? mask->Solid(tx, int32_t(ty)) : IsSolidPixel(texels[size_t(ty) * size_t(pitch) + size_t(tx)]);
      };
      return FirstHit(*land, x0, x1, y0, y1, texel, hit);
    }
    case CollisionShape::kTransformedMask: {
      const float width = shape.points[0].x, height = shape.points[0].y;
      const Vector2 corners[4] = {{0.0f, 0.0f}, {0.0f, height}, {width, 0.0f}, {width, height}};
      Vector2 moved[4];
      platform::TransformCoordArray(moved, corners, 4, shape.transform);
      float minX = moved[0].x, maxX = moved[0].x, minY = moved[0].y, maxY = moved[0].y;
      for (const Vector2& p : moved) {
        minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
      }
      // A matrix without an inverse maps no terrain pixel back into the frame.
      platform::Matrix inverse;
      if (!platform::Inverse(shape.transform, &inverse)) return false;
      const uint32_t* texels = MaskTexels(shape.texture, shape.source);
      if (!texels) return false;
      const int32_t pitch = shape.texture->Width();
      const int32_t sw = shape.source.Width(), sh = shape.source.Height();
      const SolidMask* mask = UsableMask(shape);
      const int64_t x0 = std::max<int64_t>(platform::TruncToInt(minX), area.left);
      const int64_t x1 = std::min<int64_t>(platform::TruncToInt(maxX), int64_t(area.right) - 1);
      const int64_t y0 = std::max<int64_t>(platform::TruncToInt(minY), area.top);
      const int64_t y1 = std::min<int64_t>(platform::TruncToInt(maxY), int64_t(area.bottom) - 1);
      auto texel = [&](int64_t x, int64_t y) {
        Vector2 local = platform::TransformCoord(Vector2(float(x), float(y)), inverse);
        if (!(local.x >= 0.0f && local.x < width && local.y >= 0.0f && local.y < height)) return false;
        int32_t tx = std::clamp(platform::TruncToInt(local.x / width * float(sw)), 0, sw - 1);
        int32_t ty = std::clamp(platform::TruncToInt(local.y / height * float(sh)), 0, sh - 1);
        return mask ? mask->Solid(tx, ty) : IsSolidPixel(texels[size_t(ty) * size_t(pitch) + size_t(tx)]);
      };
      return FirstHit(*land, x0, x1 + 1, y0, y1 + 1, texel, hit);
    }
    default:
      return false;
  }
}
