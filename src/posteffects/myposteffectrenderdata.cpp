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
  // In the order ORG, EXTRA, SOURCE, WORK; a target the device refuses stops the rest.
  for (auto* target : {&m_org, &m_extra, &m_source, &m_work}) {
    *target = std::make_unique<platform::Texture>(m_width, m_height, 1, platform::kUsageRenderTarget);
    platform::Texture* previous = device->RenderTarget();
    const bool usable = device->SetRenderTarget(target->get());
    device->SetRenderTarget(previous);
    if (!usable) {
      target->reset();
      return;
    }
  }
}

platform::Texture* MyPostEffectRenderData::ExtraAt(float scaleX, float scaleY) {
  const int32_t w = std::clamp(int32_t(std::lround(double(m_width) * scaleX)), 1, m_width);
  const int32_t h = std::clamp(int32_t(std::lround(double(m_height) * scaleY)), 1, m_height);
  if (!m_extra || (w == m_width && h == m_height)) return m_extra.get();
  for (const ReducedExtra& reduced : m_reducedExtras)
    if (reduced.width == w && reduced.height == h) return reduced.target ? reduced.target.get() : m_extra.get();
  platform::GraphicsDevice* device = m_graphics ? m_graphics->GetDevice() : nullptr;
  auto target = std::make_unique<platform::Texture>(w, h, 1, platform::kUsageRenderTarget);
  if (device) {
    platform::Texture* previous = device->RenderTarget();
    const bool usable = device->SetRenderTarget(target.get());
    device->SetRenderTarget(previous);
    if (!usable) target.reset();
  }
  // A size the device refuses is remembered too, so it is not tried again every frame.
  m_reducedExtras.push_back({w, h, std::move(target)});
  const ReducedExtra& made = m_reducedExtras.back();
  return made.target ? made.target.get() : m_extra.get();
}

void MyPostEffectRenderData::OnLostDevice() {
  m_reducedExtras.clear();
  m_extra.reset();
  m_source.reset();
  m_work.reset();
  m_org.reset();
}
