// The parts of the graphics device that both backends share.
#include "platform/graphics.h"

#include <atomic>

#include "platform/graphics_hooks.h"

namespace platform {

namespace {
std::atomic<bool> g_refuseTargets{false};
}  // namespace

void RefuseRenderTargets(bool refuse) { g_refuseTargets = refuse; }
bool RenderTargetsRefused() { return g_refuseTargets; }

GraphicsDevice::~GraphicsDevice() = default;

bool GraphicsDevice::Reset(int32_t width, int32_t height) {
  ++m_resetCount;
  if (m_failResets || m_status == DeviceStatus::Lost || width <= 0 || height <= 0) return false;
  m_areaWidth = m_areaHeight = 0;
  if (!ResetBackBuffer(width, height)) return false;
  m_width = width;
  m_height = height;
  m_status = DeviceStatus::Ok;
  return true;
}

bool GraphicsDevice::BeginScene() {
  if (m_inScene) return false;
  m_inScene = true;
  return true;
}

void GraphicsDevice::EndScene() { m_inScene = false; }

const std::vector<DrawRecord>& GraphicsDevice::RecordedDraws() const {
  static const std::vector<DrawRecord> kNone;
  return kNone;
}

}  // namespace platform
