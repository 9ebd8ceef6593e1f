// The frame chain's render targets and quad.
#include "posteffects/myposteffectrenderdata.h"

#include <algorithm>
#include <cmath>

#include "engine/apigraphics.h"

MyPostEffectRenderData::MyPostEffectRenderData(APIGraphics* graphics) : m_graphics(graphics) {
  if (m_graphics) m_graphics->RegisterResetObjekt(this);
  OnResetDevice();
}

MyPostEffectRenderData::~MyPostEffectRenderData() {
  OnLostDevice();
  if (m_graphics) m_graphics->UnregisterResetObjekt(this);
}

void MyPostEffectRenderData::ResetQuad() {
  scaleX = scaleY = 1.0f;
  const float w = float(m_width), h = float(m_height);
  const float xs[4] = {-0.5f, w - 0.5f, -0.5f, w - 0.5f};
  const float ys[4] = {-0.5f, -0.5f, h - 0.5f, h - 0.5f};
  const float us[4] = {0.0f, 1.0f, 0.0f, 1.0f};
  const float vs[4] = {0.0f, 0.0f, 1.0f, 1.0f};
  for (int i = 0; i < 4; ++i) {
    platform::QuadVertex& v = quad.v[i];
    v = platform::QuadVertex{};
    v.x = xs[i];
    v.y = ys[i];
    v.z = 1.0f;
    v.rhw = 1.0f;
    v.u = us[i];
    v.v = vs[i];
    v.s = us[i];
    v.t = vs[i];
  }
  quad.source = {0, 0, m_width, m_height};
}

void MyPostEffectRenderData::OnResetDevice() {
  platform::GraphicsDevice* device = m_graphics ? m_graphics->GetDevice() : nullptr;
  m_width = m_graphics ? int32_t(m_graphics->GetScreenWidth()) : 0;
  m_height = m_graphics ? int32_t(m_graphics->GetScreenHeight()) : 0;
  ResetQuad();
  if (!device || m_width <= 0 || m_height <= 0) return;
  UploadQuad();
  // In the order ORG, SOURCE, WORK; a target the device refuses stops the rest.
  for (auto* target : {&m_org, &m_source, &m_work}) {
    *target = MakeTarget(m_width, m_height);
    if (!*target) return;
  }
}

std::unique_ptr<platform::Texture> MyPostEffectRenderData::MakeTarget(int32_t width, int32_t height) const {
  platform::GraphicsDevice* device = m_graphics ? m_graphics->GetDevice() : nullptr;
  auto target = std::make_unique<platform::Texture>(width, height, 1, platform::kUsageRenderTarget);
  if (device) {
    platform::Texture* previous = device->RenderTarget();
    const bool usable = device->SetRenderTarget(target.get());
    device->SetRenderTarget(previous);
    if (!usable) target.reset();
  }
  return target;
}

platform::Texture* MyPostEffectRenderData::Extra() {
  // Most effects draw their extra smaller, or none: the screen-sized one is made only for
  // the effects that draw it at full size. A refusal is remembered until the next reset.
  if (!m_extra && !m_extraTried && IsComplete()) {
    m_extraTried = true;
    m_extra = MakeTarget(m_width, m_height);
  }
  return m_extra.get();
}

platform::Texture* MyPostEffectRenderData::ExtraAt(float scaleX, float scaleY) {
  const int32_t w = std::clamp(int32_t(std::lround(double(m_width) * scaleX)), 1, m_width);
  const int32_t h = std::clamp(int32_t(std::lround(double(m_height) * scaleY)), 1, m_height);
  if (!IsComplete() || (w == m_width && h == m_height)) return Extra();
  for (const ReducedExtra& reduced : m_reducedExtras)
    if (reduced.width == w && reduced.height == h) return reduced.target ? reduced.target.get() : Extra();
  // A size the device refuses is remembered too, so it is not tried again every frame.
  m_reducedExtras.push_back({w, h, MakeTarget(w, h)});
  const ReducedExtra& made = m_reducedExtras.back();
  return made.target ? made.target.get() : Extra();
}

platform::Texture* MyPostEffectRenderData::Held(size_t slot, int32_t width, int32_t height) {
  if (!IsComplete() || width <= 0 || height <= 0 || width > m_width || height > m_height) return nullptr;
  if (m_held.size() <= slot) m_held.resize(slot + 1);
  ReducedExtra& held = m_held[slot];
  if (held.width != width || held.height != height) {
    held.width = width;
    held.height = height;
    held.target = MakeTarget(width, height);
  }
  return held.target.get();
}

void MyPostEffectRenderData::OnLostDevice() {
  m_originalAsSource = false;
  m_reducedExtras.clear();
  m_held.clear();
  m_extra.reset();
  m_extraTried = false;
  m_source.reset();
  m_work.reset();
  m_org.reset();
}
