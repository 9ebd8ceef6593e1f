// The one 2D drawing path of the game: textured rectangles drawn through a transform
// (scale, rotation about a centre, translation) or mapped from a source onto a destination
// rectangle in one of several fill modes. Owned by the graphics manager. While a post effect
// has put its effect here, each draw becomes a quad drawn with that effect.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/gfxtypes.h"
#include "platform/graphics.h"
#include "platform/spritebatch.h"
#include "platform/texture.h"

class APIGraphics;

// The hook through which the effect files take over drawing (the effect type of the effect
// files implements it): the drawn texture becomes the effect's source "g_Textur_SRC" and the
// changed parameters are committed before each quad. The effect begins its technique and
// pass around the draws.
class SpriteEffect {
 public:
  virtual ~SpriteEffect() = default;
  virtual void SetSourceTexture(platform::Texture* texture) = 0;
  virtual void CommitChanges() = 0;
  // The pass now begun, recorded with each quad.
  virtual int CurrentPass() const { return 0; }
  // Blending and alpha test of the pass.
  virtual platform::DrawState PassState() const { return {false, false}; }
};

// What the forwarders read of a texture part: its texture and its source rectangle (the
// texture definitions' part record starts with these two).
struct TexturePartRecord {
  platform::Texture* texture = nullptr;
  Rect rect;
};

class SpriteRenderer {
 public:
  static constexpr uint32_t kAlphaBlend = platform::SpriteBatch::kAlphaBlend;

  // Fill-mode bits of DrawRect, per axis.
  enum FillFlag : int {
    kStretch = 1,
    kTile = 2,
    kPlace = 4,
    kFit = 8,
    kAlignStart = 16,
    kAlignEnd = 32,
  };

  explicit SpriteRenderer(APIGraphics* graphics) : m_graphics(graphics) {}
  ~SpriteRenderer();

  // Creates the sprite batch once the device exists.
  HResult Init();
  void OnLostDevice();
  void OnResetDevice();
  void Release();

  // Sprite mode: begins and ends a batch (flags 16 blends with alpha, 0 draws opaque). In
  // effect mode both do nothing.
  HResult Begin(uint32_t flags);
  HResult End();

  // Draws src of the texture scaled (null: 1, 1), turned by `rotation` radians about
  // rotationCentre and moved to position. False when culled (outside the screen by more
  // than the larger scaled side) or scaled to nothing.
  bool DrawTransformed(platform::Texture* texture, const Rect* src, const Vector2* scale,
                       const Vector2* rotationCentre, double rotation, const Vector2* position, Argb colour);
  // Maps src onto dst by the fill-mode bits of each axis. True when at least one piece drew.
  bool DrawRect(platform::Texture* texture, const Rect* src, const Rect* dst, int flagsX, int flagsY,
                Argb colour);
  bool DrawRectTexPtr(platform::Texture* const* texture, const Rect* src, const Rect* dst, int flagsX,
                      int flagsY, Argb colour);
  // Draws the part's own source rectangle; false when the part or its texture is null.
  bool DrawRectTex(const TexturePartRecord* part, const Rect* dst, int flagsX, int flagsY, Argb colour);
  bool DrawTransformedTex(const TexturePartRecord* part, const Rect* src, const Vector2* scale,
                          const Vector2* rotationCentre, double rotation, const Vector2* position,
                          Argb colour);

  // scale = dst size / src size (computed in double), origin = dst's top-left corner.
  static void ScaleRatio(const Rect* dst, const Rect* src, Vector2* scale, Vector2* origin);

  platform::SpriteBatch* Batch() const { return m_batch.get(); }

  // Set by a post effect while it runs its passes; null in sprite mode.
  SpriteEffect* effect = nullptr;

 private:
  APIGraphics* m_graphics;
  std::unique_ptr<platform::SpriteBatch> m_batch;
  // The staging copy of the effect quad.
  platform::SpriteQuad m_quad;
};
