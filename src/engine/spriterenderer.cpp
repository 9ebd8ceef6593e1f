// The sprite renderer: transformed draws with culling, fill modes and the effect quad.
#include "engine/spriterenderer.h"

#include <algorithm>
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
  int32_t w = platform::TruncToInt(float(source.right - source.left) * s.x);
  int32_t h = platform::TruncToInt(float(source.bottom - source.top) * s.y);
  // A mirrored draw (negative scale) reaches just as far as an upright one; without the
  // absolute values a sprite mirrored on both axes, or a tall one mirrored upwards, was culled
  // while still on screen.
  int32_t m = std::max(std::abs(w), std::abs(h));
  if (position) {
    float screenW = float(m_graphics->GetScreenWidth());
    float screenH = float(m_graphics->GetScreenHeight());
    if (position->x > screenW + float(m) || position->y > screenH + float(m) || position->x < float(-m) ||
        position->y < float(-m))
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
  float W = float(source.right - source.left), H = float(source.bottom - source.top);
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

bool SpriteRenderer::DrawRect(platform::Texture* texture, const Rect* src, const Rect* dst, int flagsX,
                              int flagsY, Argb colour) {
  if (!texture || !src || !dst) return false;
  const int32_t sW = src->right - src->left, sH = src->bottom - src->top;
  const int32_t dW = dst->right - dst->left, dH = dst->bottom - dst->top;
  // An empty source would divide by zero below (and tile without end).
  if (sW == 0 || sH == 0) return false;
  const float rx = float(dW) / float(sW), ry = float(dH) / float(sH);
  const float left = float(dst->left), top = float(dst->top);
  auto draw = [&](const Rect& piece, const Vector2* scale, float x, float y) {
    Vector2 position(x, y);
    return DrawTransformed(texture, &piece, scale, nullptr, 0.0, &position, colour);
  };

  if ((flagsX | flagsY) & kPlace) {
    int32_t ox = (flagsX & kAlignEnd) ? dW - sW : (dW - sW) / 2;
    int32_t oy = (flagsY & kAlignEnd) ? dH - sH : (dH - sH) / 2;
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
    auto slack = [](int flags, bool flip, int32_t d, int32_t s, float sc, float& p) {
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

  Rect cutRight = *src;
  Rect cutBottom = *src;
  if ((flagsX & kTile) && (flagsY & kTile)) {
    int32_t nx = platform::TruncToInt(rx), ny = platform::TruncToInt(ry);
    cutRight.right = src->left + platform::TruncToInt((rx - float(nx)) * float(sW));
    cutBottom.bottom = src->top + platform::TruncToInt((ry - float(ny)) * float(sH));
    Rect corner = cutRight;
    corner.bottom = cutBottom.bottom;
    bool drew = false;
    for (int32_t i = 0; i < nx; ++i)
      for (int32_t j = 0; j < ny; ++j) drew |= draw(*src, nullptr, left + float(i * sW), top + float(j * sH));
    for (int32_t j = 0; j < ny; ++j)
      drew |= draw(cutRight, nullptr, left + float(nx * sW), top + float(j * sH));
    for (int32_t i = 0; i < nx; ++i)
      drew |= draw(cutBottom, nullptr, left + float(i * sW), top + float(ny * sH));
    drew |= draw(corner, nullptr, left + float(nx * sW), top + float(ny * sH));
    return drew;
  }

  if ((flagsX & kStretch) && (flagsY & kTile)) {
    Vector2 scale(rx, 1.0f);
    int32_t ny = platform::TruncToInt(ry);
    cutBottom.bottom = src->top + platform::TruncToInt((ry - float(ny)) * float(sH));
    bool drew = false;
    for (int32_t j = 0; j < ny; ++j) drew |= draw(*src, &scale, left, top + float(j * sH));
    drew |= draw(cutBottom, &scale, left, top + float(ny * sH));
    return drew;
  }

  if ((flagsX & kTile) && (flagsY & kStretch)) {
    Vector2 scale(1.0f, ry);
    int32_t nx = platform::TruncToInt(rx);
    cutRight.right = src->left + platform::TruncToInt((rx - float(nx)) * float(sW));
    bool drew = false;
    for (int32_t i = 0; i < nx; ++i) drew |= draw(*src, &scale, left + float(i * sW), top);
    drew |= draw(cutRight, &scale, left + float(nx * sW), top);
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
