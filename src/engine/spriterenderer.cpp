// The sprite renderer: transformed draws with culling, fill modes and the effect quad.
#include "engine/spriterenderer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/apigraphics.h"
#include "platform/numeric.h"

SpriteRenderer::~SpriteRenderer() = default;

HResult SpriteRenderer::Init() {
  platform::GraphicsDevice* device = m_graphics->GetDevice();
  if (!device) return kResultFail;
  m_batch = std::make_unique<platform::SpriteBatch>(*device);
  return kResultOk;
}

void SpriteRenderer::OnLostDevice() {
  if (m_batch) m_batch->OnLostDevice();
}

void SpriteRenderer::OnResetDevice() {
  if (m_batch) m_batch->OnResetDevice();
}

void SpriteRenderer::Release() { m_batch.reset(); }

HResult SpriteRenderer::Begin(uint32_t flags) {
  if (effect) return kResultOk;
  if (!m_batch) return kResultFail;
  return m_batch->Begin(flags) ? kResultOk : kResultFail;
}

HResult SpriteRenderer::End() {
  if (effect) return kResultOk;
  if (!m_batch) return kResultFail;
  return m_batch->End() ? kResultOk : kResultFail;
}

bool SpriteRenderer::DrawTransformed(platform::Texture* texture, const Rect* src, const Vector2* scale,
                                     const Vector2* rotationCentre, double rotation, const Vector2* position,
                                     Argb colour) {
  if (!texture) return false;
  Rect source = src ? *src : Rect{0, 0, texture->Width(), texture->Height()};
  Vector2 s = scale ? *scale : Vector2(1.0f, 1.0f);
  // Sizes in 64 bits and doubles: extreme rectangles cannot overflow. A mirrored draw
  // (negative scale) reaches just as far as an upright one; without the absolute values a
  // sprite mirrored on both axes, or a tall one mirrored upwards, was culled while still on
  // screen.
  const double w = std::trunc(double(float(int64_t(source.right) - source.left) * s.x));
  const double h = std::trunc(double(float(int64_t(source.bottom) - source.top) * s.y));
  const float m = float(std::max(std::fabs(w), std::fabs(h)));
  if (position) {
    float screenW = float(m_graphics->GetScreenWidth());
    float screenH = float(m_graphics->GetScreenHeight());
    if (position->x > screenW + m || position->y > screenH + m || position->x < -m || position->y < -m)
      return false;
  }
  if (scale && (scale->x == 0.0f || scale->y == 0.0f)) return false;

  platform::Matrix matrix =
      platform::Transformation2D(nullptr, 0.0f, scale, rotationCentre, float(rotation), position);
  if (!effect) {
    if (!m_batch) return false;
    m_batch->SetTransform(matrix);
    m_batch->Draw(texture, &source, nullptr, nullptr, colour);
    return true;
  }

  platform::GraphicsDevice* device = m_graphics->GetDevice();
  if (!device) return false;
  float texW = float(texture->Width());
  float texH = float(texture->Height());
  float uL = float(source.left) / texW, vT = float(source.top) / texH;
  float uR = float(source.right) / texW, vB = float(source.bottom) / texH;
  float W = float(int64_t(source.right) - source.left), H = float(int64_t(source.bottom) - source.top);
  const Vector2 corners[4] = {{0, 0}, {W, 0}, {0, H}, {W, H}};
  Vector2 moved[4];
  platform::TransformCoordArray(moved, corners, 4, matrix);
  const float us[4] = {uL, uR, uL, uR}, vs[4] = {vT, vT, vB, vB};
  for (int i = 0; i < 4; ++i) {
    platform::QuadVertex& v = m_quad.v[i];
    v.x = moved[i].x;
    v.y = moved[i].y;
    v.z = 1.0f;
    v.rhw = 1.0f;
    v.colour = colour;
    v.u = us[i];
    v.v = vs[i];
    v.s = float(i & 1);
    v.t = float(i >> 1);
  }
  m_quad.source = source;
  effect->SetSourceTexture(texture);
  effect->CommitChanges();
  device->DrawPreTransformedQuad(texture, m_quad, effect->PassState(), effect->CurrentPass());
  return true;
}

namespace {
constexpr int32_t kMaxTiles = 8192;
}  // namespace

bool SpriteRenderer::DrawRect(platform::Texture* texture, const Rect* src, const Rect* dst, int flagsX,
                              int flagsY, Argb colour) {
  if (!texture || !src || !dst) return false;
  // Sizes and offsets in 64 bits: extreme rectangles cannot overflow.
  const int64_t sW = int64_t(src->right) - src->left, sH = int64_t(src->bottom) - src->top;
  const int64_t dW = int64_t(dst->right) - dst->left, dH = int64_t(dst->bottom) - dst->top;
  // An empty source would divide by zero below (and tile without end).
  if (sW == 0 || sH == 0) return false;
  const float rx = float(dW) / float(sW), ry = float(dH) / float(sH);
  const float left = float(dst->left), top = float(dst->top);
  auto draw = [&](const Rect& piece, const Vector2* scale, float x, float y) {
    Vector2 position(x, y);
    return DrawTransformed(texture, &piece, scale, nullptr, 0.0, &position, colour);
  };

  if ((flagsX | flagsY) & kPlace) {
    int64_t ox = (flagsX & kAlignEnd) ? dW - sW : (dW - sW) / 2;
    int64_t oy = (flagsY & kAlignEnd) ? dH - sH : (dH - sH) / 2;
    return draw(*src, nullptr, float(dst->left + ox), float(dst->top + oy));
  }

  if ((flagsX | flagsY) & kFit) {
    bool flipX = dst->left > dst->right, flipY = dst->top > dst->bottom;
    float arx = std::abs(rx), ary = std::abs(ry);
    bool vertical = ary >= arx;
    Vector2 scale = vertical ? Vector2(arx, arx) : Vector2(ary, ary);
    if (flipX) scale.x = -scale.x;
    if (flipY) scale.y = -scale.y;
    Vector2 pos(left, top);
    auto slack = [](int flags, bool flip, int64_t d, int64_t s, float sc, float& p) {
      if (flags & kAlignStart) {
        if (flip) p += float(d) + float(s) * (-sc);
      } else if (flags & kAlignEnd) {
        if (!flip) p += float(d) - float(s) * sc;
      } else {
        p += (float(d) - float(s) * sc) / 2.0f;
      }
    };
    if (vertical)
      slack(flagsY, flipY, dH, sH, scale.y, pos.y);
    else
      slack(flagsX, flipX, dW, sW, scale.x, pos.x);
    return draw(*src, &scale, pos.x, pos.y);
  }

  if ((flagsX & kStretch) && (flagsY & kStretch)) {
    Vector2 scale(rx, ry);
    return draw(*src, &scale, left, top);
  }

  // More tiles than pixels on the largest screen reach nowhere; the loops stay bounded.
  auto tiles = [](float ratio) { return std::clamp(platform::TruncToInt(ratio), -kMaxTiles, kMaxTiles); };
  // Where the cut tile ends: a fraction of the source (of either sign), held to its size.
  auto cut = [](int32_t start, float fraction, int64_t size) {
    const int64_t reach = std::abs(size);
    return int32_t(start + std::clamp<int64_t>(platform::TruncToInt64(double(fraction) * double(size)), -reach, reach));
  };
  auto at = [](float origin, int32_t index, int64_t size) { return origin + float(index) * float(size); };
  Rect cutRight = *src;
  Rect cutBottom = *src;
  if ((flagsX & kTile) && (flagsY & kTile)) {
    int32_t nx = tiles(rx), ny = tiles(ry);
    cutRight.right = cut(src->left, rx - float(nx), sW);
    cutBottom.bottom = cut(src->top, ry - float(ny), sH);
    Rect corner = cutRight;
    corner.bottom = cutBottom.bottom;
    bool drew = false;
    for (int32_t i = 0; i < nx; ++i)
      for (int32_t j = 0; j < ny; ++j) drew |= draw(*src, nullptr, at(left, i, sW), at(top, j, sH));
    for (int32_t j = 0; j < ny; ++j) drew |= draw(cutRight, nullptr, at(left, nx, sW), at(top, j, sH));
    for (int32_t i = 0; i < nx; ++i) drew |= draw(cutBottom, nullptr, at(left, i, sW), at(top, ny, sH));
    drew |= draw(corner, nullptr, at(left, nx, sW), at(top, ny, sH));
    return drew;
  }

  if ((flagsX & kStretch) && (flagsY & kTile)) {
    Vector2 scale(rx, 1.0f);
    int32_t ny = tiles(ry);
    cutBottom.bottom = cut(src->top, ry - float(ny), sH);
    bool drew = false;
    for (int32_t j = 0; j < ny; ++j) drew |= draw(*src, &scale, left, at(top, j, sH));
    drew |= draw(cutBottom, &scale, left, at(top, ny, sH));
    return drew;
  }

  if ((flagsX & kTile) && (flagsY & kStretch)) {
    Vector2 scale(1.0f, ry);
    int32_t nx = tiles(rx);
    cutRight.right = cut(src->left, rx - float(nx), sW);
    bool drew = false;
    for (int32_t i = 0; i < nx; ++i) drew |= draw(*src, &scale, at(left, i, sW), top);
    drew |= draw(cutRight, &scale, at(left, nx, sW), top);
    return drew;
  }
  return false;
}

bool SpriteRenderer::DrawRectTexPtr(platform::Texture* const* texture, const Rect* src, const Rect* dst,
                                    int flagsX, int flagsY, Argb colour) {
  return DrawRect(texture ? *texture : nullptr, src, dst, flagsX, flagsY, colour);
}

bool SpriteRenderer::DrawRectTex(const TexturePartRecord* part, const Rect* dst, int flagsX, int flagsY,
                                 Argb colour) {
  if (!part || !part->texture) return false;
  return DrawRect(part->texture, &part->rect, dst, flagsX, flagsY, colour);
}

bool SpriteRenderer::DrawTransformedTex(const TexturePartRecord* part, const Rect* src, const Vector2* scale,
                                        const Vector2* rotationCentre, double rotation,
                                        const Vector2* position, Argb colour) {
  if (!part || !part->texture) return false;
  return DrawTransformed(part->texture, src, scale, rotationCentre, rotation, position, colour);
}

void SpriteRenderer::ScaleRatio(const Rect* dst, const Rect* src, Vector2* scale, Vector2* origin) {
  if (!dst || !src) return;
  if (scale) {
    double sx = double(dst->right - dst->left) / double(src->right - src->left);
    double sy = double(dst->bottom - dst->top) / double(src->bottom - src->top);
    *scale = Vector2(float(sx), float(sy));
  }
  if (origin) *origin = Vector2(float(dst->left), float(dst->top));
}
