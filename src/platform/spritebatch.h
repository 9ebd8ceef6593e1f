// The sprite batch: textured rectangles drawn through a 2D transform, in the order they
// were submitted, batched into as few device calls as the texture changes allow.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/graphics.h"
#include "platform/math2d.h"
#include "platform/rect.h"

namespace platform {

class SpriteBatch {
 public:
  // Begin flag: straight-alpha blending with the alpha test "alpha > 0". Without it sprites
  // are drawn opaque.
  static constexpr uint32_t kAlphaBlend = 16;

  explicit SpriteBatch(GraphicsDevice& device) : m_device(&device) {}

  bool Begin(uint32_t flags);
  // Row-vector transform applied to every following sprite's corners.
  void SetTransform(const Matrix& transform) { m_transform = transform; }
  const Matrix& Transform() const { return m_transform; }
  // Draws the source rectangle of the texture (the whole texture when null) as a quad of
  // the source's size with its top-left corner at position - centre, put through the
  // transform. Colour multiplies the texels. False without a texture or outside Begin/End.
  bool Draw(Texture* texture, const Rect* source, const Vector2* centre, const Vector2* position,
            uint32_t colour);
  // Hands the batched sprites to the device.
  void Flush();
  bool End();
  bool InBatch() const { return m_inBatch; }
  // Whether the batch begun blends (kAlphaBlend).
  bool Blends() const { return m_inBatch && m_state.blend; }
  // Whether the following sprites of a blending batch are drawn opaque instead (blending and
  // alpha test off), until switched back or the batch ends. What is batched is drawn first.
  // Only for texels that are opaque where drawn: there the two give the same pixels.
  void DrawOpaque(bool opaque);

  // The device's reset protocol: nothing of the batch depends on the device's resources, so
  // these only drop what is batched.
  void OnLostDevice() {
    m_quads.clear();
    m_texture = nullptr;
  }
  void OnResetDevice() {}

 private:
  GraphicsDevice* m_device;
  Matrix m_transform = Matrix::Identity();
  DrawState m_state;
  DrawState m_begun;  // the state Begin set
  bool m_inBatch = false;
  Texture* m_texture = nullptr;
  std::vector<SpriteQuad> m_quads;
};

}  // namespace platform
