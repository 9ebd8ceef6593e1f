// The graphics device: a back buffer of the display mode's size that is presented scaled
// into the window, textured quad drawing for the sprite batch and for pre-transformed
// quads, render targets, and the device status of the reset protocol. Two backends: OpenGL
// 3.3 core (the real one) and Null (no window; records every draw for tests).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/math2d.h"
#include "platform/rect.h"
#include "platform/texture.h"

namespace platform {

class Window;
class Effect;
struct EffectDescription;

enum class DeviceStatus { Ok, Lost, NeedsReset };
enum class Backend { OpenGL, Null };

enum ClearFlag : uint32_t {
  kClearTarget = 1,
  kClearZBuffer = 2,
  kClearStencil = 4,
};

// One corner of a quad: position, colour (0xAARRGGBB), texture coordinates and the corner's
// own coordinates (0 or 1) for effects. 36 bytes, as the effect quads lay them out.
struct QuadVertex {
  float x = 0.0f;
  float y = 0.0f;
  float z = 1.0f;
  float rhw = 1.0f;
  uint32_t colour = 0xFFFFFFFF;
  float u = 0.0f;
  float v = 0.0f;
  float s = 0.0f;
  float t = 0.0f;
};
static_assert(sizeof(QuadVertex) == 36);

// A quad in corner order top-left, top-right, bottom-left, bottom-right (as transformed),
// with the source rectangle it shows.
struct SpriteQuad {
  QuadVertex v[4];
  Rect source;
};

struct DrawState {
  bool blend = true;      // straight alpha: SRCALPHA / INVSRCALPHA on all four channels
  bool alphaTest = true;  // fragments with alpha 0 write nothing
};

// What the Null backend remembers of each quad drawn.
struct DrawRecord {
  const Texture* texture = nullptr;
  Rect source;
  Vector2 corners[4];  // top-left, top-right, bottom-left, bottom-right as drawn, in target pixels
  uint32_t colour = 0;
  bool blend = false;
  bool alphaTest = false;
  bool preTransformed = false;
  int effectPass = -1;  // pre-transformed quads: the pass the caller named; -1 for sprites
  const Texture* target = nullptr;
};

class GraphicsDevice {
 public:
  // A device rendering into `window`, with a back buffer of width x height. Null (and the
  // reason in `error`) when OpenGL 3.3 core cannot be had.
  static std::unique_ptr<GraphicsDevice> CreateOpenGL(Window& window, int32_t width, int32_t height,
                                                      std::string* error = nullptr);
  static std::unique_ptr<GraphicsDevice> CreateNull(int32_t width, int32_t height);
  virtual ~GraphicsDevice();
  GraphicsDevice(const GraphicsDevice&) = delete;
  GraphicsDevice& operator=(const GraphicsDevice&) = delete;

  virtual Backend Kind() const = 0;
  int32_t BackBufferWidth() const { return m_width; }
  int32_t BackBufferHeight() const { return m_height; }

  // Ok, unless a test forced another status. OpenGL never loses its device; the reset
  // protocol still runs on mode changes.
  DeviceStatus TestCooperativeLevel() const { return m_status; }
  // Re-creates the back buffer with a new size. Textures (CPU and GPU copies) survive.
  bool Reset(int32_t width, int32_t height);
  int ResetCount() const { return m_resetCount; }

  // Test hooks: the status TestCooperativeLevel reports (a successful Reset brings it back to
  // Ok), and whether Reset fails.
  void ForceStatus(DeviceStatus status) { m_status = status; }
  void FailResets(bool fail) { m_failResets = fail; }

  virtual void Clear(uint32_t flags, uint32_t argb, float z, uint32_t stencil) = 0;
  virtual bool BeginScene();
  virtual void EndScene();
  // Shows the back buffer in the window (scaled, letterboxed). Never waits for the display.
  virtual bool Present() = 0;
  // The current render target's pixels as 0xAARRGGBB words, rows top first.
  virtual std::vector<uint32_t> ReadPixels() = 0;

  // Draws into `target` (a texture made with kUsageRenderTarget) or, with null, into the
  // back buffer. The target's size becomes the drawing area.
  virtual bool SetRenderTarget(Texture* target) = 0;
  Texture* RenderTarget() const { return m_target; }
  // Copies the whole picture of one render target into another of the same size, pixel for
  // pixel (no filtering). False when either is no render target or the sizes differ.
  virtual bool CopyRenderTarget(Texture* from, Texture* to) = 0;
  // Copies the top-left corner of one render target, as large as the other, into that other
  // one pixel for pixel. False when either is no render target or `to` is the larger.
  virtual bool CopyRenderTargetCorner(Texture* from, Texture* to) = 0;
  // The same onto the back buffer, which must have the render target's size. False when the
  // device cannot: the caller then draws the picture instead.
  virtual bool CopyToBackBuffer(Texture* from) {
    (void)from;
    return false;
  }
  int32_t TargetWidth() const { return m_target ? m_target->Width() : m_width; }
  int32_t TargetHeight() const { return m_target ? m_target->Height() : m_height; }
  // Sprite and pre-transformed quad positions are given in a drawing area of width x height
  // pixels that is stretched over the whole current target: a screen-sized scene drawn into
  // a smaller target keeps its screen coordinates and comes out at the target's size. Each
  // SetRenderTarget (and each reset) makes the area the new target's own size again.
  void SetDrawingArea(int32_t width, int32_t height) {
    m_areaWidth = width;
    m_areaHeight = height;
  }
  int32_t AreaWidth() const { return m_areaWidth > 0 ? m_areaWidth : TargetWidth(); }
  int32_t AreaHeight() const { return m_areaHeight > 0 ? m_areaHeight : TargetHeight(); }

  // Sprite quads: positions in drawing-area pixels where (0, 0) is the top-left corner of the top-
  // left pixel, so a texel maps onto a pixel exactly at integer positions. Drawn in order.
  virtual void DrawSpriteQuads(Texture* texture, const SpriteQuad* quads, size_t count,
                               const DrawState& state) = 0;
  // A pre-transformed quad: positions where pixel centres lie at integer coordinates (the
  // device adds half a pixel). While a pass of an effect is begun, that pass draws it (its
  // textures are the effect's); otherwise the texture times the vertex colour is drawn.
  virtual void DrawPreTransformedQuad(Texture* texture, const SpriteQuad& quad, const DrawState& state,
                                      int effectPass) = 0;

  // An effect for this device, built from the description. Null, with the reason, when the
  // description is unusable or (OpenGL) a pass does not compile or link. Effects must be
  // destroyed before their device; the OpenGL device releases what outlives it.
  virtual std::unique_ptr<Effect> CreateEffect(const EffectDescription& description, std::string* error) = 0;

  // Code that changes the backend's state behind the device's back (effects, text) calls
  // this, so the next draw sets its whole state again.
  virtual void InvalidateState() {}

  // Null backend: every quad drawn since the last ClearRecordedDraws. Empty elsewhere.
  virtual const std::vector<DrawRecord>& RecordedDraws() const;
  virtual void ClearRecordedDraws() {}

 protected:
  GraphicsDevice(int32_t width, int32_t height) : m_width(width), m_height(height) {}
  virtual bool ResetBackBuffer(int32_t width, int32_t height) = 0;

  int32_t m_width;
  int32_t m_height;
  Texture* m_target = nullptr;
  // The drawing area; 0 stands for the target's own size.
  int32_t m_areaWidth = 0;
  int32_t m_areaHeight = 0;
  bool m_inScene = false;

 private:
  DeviceStatus m_status = DeviceStatus::Ok;
  bool m_failResets = false;
  int m_resetCount = 0;
};

}  // namespace platform
