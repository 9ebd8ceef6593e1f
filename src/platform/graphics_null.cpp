// The Null graphics backend: no window and no GPU. Clears fill CPU buffers, quads are
// recorded for tests to assert what was drawn.
#include <algorithm>

#include "platform/effect_backend.h"
#include "platform/graphics.h"
#include "platform/graphics_hooks.h"

namespace platform {

namespace {

class NullDevice final : public GraphicsDevice {
 public:
  NullDevice(int32_t width, int32_t height) : GraphicsDevice(width, height) {
    m_backBuffer.assign(size_t(width) * size_t(height), 0xFF000000u);
  }

  Backend Kind() const override { return Backend::Null; }

  void Clear(uint32_t flags, uint32_t argb, float, uint32_t) override {
    if (!(flags & kClearTarget)) return;
    if (m_target) {
      std::fill(m_target->MutablePixels(),
                m_target->MutablePixels() + size_t(m_target->Width()) * m_target->Height(), argb);
    } else {
      std::fill(m_backBuffer.begin(), m_backBuffer.end(), argb);
    }
  }

  bool Present() override { return true; }

  std::vector<uint32_t> ReadPixels() override {
    if (m_target)
      return std::vector<uint32_t>(m_target->MutablePixels(),
                                   m_target->MutablePixels() + size_t(m_target->Width()) * m_target->Height());
    return m_backBuffer;
  }

  bool SetRenderTarget(Texture* target) override {
    if (target && (!target->IsRenderTarget() || RenderTargetsRefused())) return false;
    m_target = target;
    m_areaWidth = m_areaHeight = 0;
    return true;
  }

  bool CopyRenderTarget(Texture* from, Texture* to) override {
    if (!from || !to || !from->IsRenderTarget() || !to->IsRenderTarget()) return false;
    if (from->Width() != to->Width() || from->Height() != to->Height()) return false;
    const uint32_t* source = from->MutablePixels();
    std::copy(source, source + size_t(from->Width()) * from->Height(), to->MutablePixels());
    return true;
  }

  bool CopyRenderTargetCorner(Texture* from, Texture* to) override {
    if (!from || !to || !from->IsRenderTarget() || !to->IsRenderTarget()) return false;
    if (to->Width() > from->Width() || to->Height() > from->Height()) return false;
    const uint32_t* source = from->MutablePixels();
    uint32_t* target = to->MutablePixels();
    for (int32_t y = 0; y < to->Height(); ++y)
      std::copy(source + size_t(y) * size_t(from->Width()), source + size_t(y) * size_t(from->Width()) + to->Width(),
                target + size_t(y) * size_t(to->Width()));
    return true;
  }

  void DrawSpriteQuads(Texture* texture, const SpriteQuad* quads, size_t count,
                       const DrawState& state) override {
    for (size_t i = 0; i < count; ++i) Record(texture, quads[i], state, false, -1);
  }

  void DrawPreTransformedQuad(Texture* texture, const SpriteQuad& quad, const DrawState& state,
                              int effectPass) override {
    Record(texture, quad, state, true, effectPass);
  }

  std::unique_ptr<Effect> CreateEffect(const EffectDescription& description, std::string* error) override {
    return CreateNullEffect(description, error);
  }

  const std::vector<DrawRecord>& RecordedDraws() const override { return m_draws; }
  void ClearRecordedDraws() override { m_draws.clear(); }

 protected:
  bool ResetBackBuffer(int32_t width, int32_t height) override {
    m_backBuffer.assign(size_t(width) * size_t(height), 0xFF000000u);
    return true;
  }

 private:
  void Record(const Texture* texture, const SpriteQuad& quad, const DrawState& state, bool preTransformed,
              int pass) {
    DrawRecord r;
    r.texture = texture;
    r.source = quad.source;
    // Where the corners land on the target: pixel edges for sprites, pixel centres for
    // pre-transformed quads.
    const float sx = float(TargetWidth()) / float(AreaWidth()), sy = float(TargetHeight()) / float(AreaHeight());
    const float edge = preTransformed ? 0.5f : 0.0f;
    for (int i = 0; i < 4; ++i)
      r.corners[i] = sx == 1.0f && sy == 1.0f
                         ? Vector2(quad.v[i].x, quad.v[i].y)
                         : Vector2((quad.v[i].x + edge) * sx - edge, (quad.v[i].y + edge) * sy - edge);
    r.colour = quad.v[0].colour;
    r.blend = state.blend;
    r.alphaTest = state.alphaTest;
    r.preTransformed = preTransformed;
    r.effectPass = pass;
    r.target = m_target;
    m_draws.push_back(r);
  }

  std::vector<uint32_t> m_backBuffer;
  std::vector<DrawRecord> m_draws;
};

}  // namespace

std::unique_ptr<GraphicsDevice> GraphicsDevice::CreateNull(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return nullptr;
  return std::unique_ptr<GraphicsDevice>(new NullDevice(width, height));
}

}  // namespace platform
