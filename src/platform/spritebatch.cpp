// Sprite batching.
#include "platform/spritebatch.h"

namespace platform {

bool SpriteBatch::Begin(uint32_t flags) {
  if (m_inBatch) return false;
  m_inBatch = true;
  m_state.blend = (flags & kAlphaBlend) != 0;
  m_state.alphaTest = m_state.blend;
  m_begun = m_state;
  m_transform = Matrix::Identity();
  return true;
}

bool SpriteBatch::Draw(Texture* texture, const Rect* source, const Vector2* centre, const Vector2* position,
                       uint32_t colour) {
  if (!m_inBatch || !texture) return false;
  if (texture != m_texture) {
    Flush();
    m_texture = texture;
  }
  Rect src = source ? *source : Rect{0, 0, texture->Width(), texture->Height()};
  float w = float(int64_t(src.right) - src.left);
  float h = float(int64_t(src.bottom) - src.top);
  Vector2 offset = (position ? *position : Vector2()) - (centre ? *centre : Vector2());
  const Vector2 corners[4] = {{0, 0}, {w, 0}, {0, h}, {w, h}};
  float texW = float(texture->Width());
  float texH = float(texture->Height());
  float u0 = float(src.left) / texW, u1 = float(src.right) / texW;
  float v0 = float(src.top) / texH, v1 = float(src.bottom) / texH;
  const float us[4] = {u0, u1, u0, u1};
  const float vs[4] = {v0, v0, v1, v1};
  SpriteQuad quad;
  quad.source = src;
  for (int i = 0; i < 4; ++i) {
    Vector2 p = TransformCoord(corners[i] + offset, m_transform);
    QuadVertex& v = quad.v[i];
    v.x = p.x;
    v.y = p.y;
    v.colour = colour;
    v.u = us[i];
    v.v = vs[i];
    v.s = float(i & 1);
    v.t = float(i >> 1);
  }
  m_quads.push_back(quad);
  return true;
}

void SpriteBatch::Flush() {
  if (!m_quads.empty() && m_texture)
    m_device->DrawSpriteQuads(m_texture, m_quads.data(), m_quads.size(), m_state);
  m_quads.clear();
}

void SpriteBatch::DrawOpaque(bool opaque) {
  if (!m_inBatch) return;
  const DrawState next = opaque ? DrawState{false, false} : m_begun;
  if (next.blend == m_state.blend && next.alphaTest == m_state.alphaTest) return;
  Flush();
  m_state = next;
}

bool SpriteBatch::End() {
  if (!m_inBatch) return false;
  Flush();
  m_texture = nullptr;
  m_inBatch = false;
  return true;
}

}  // namespace platform
