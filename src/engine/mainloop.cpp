// The main loop's passes.
#include "engine/mainloop.h"

#include <algorithm>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/apiinput.h"
#include "engine/apisound.h"
#include "platform/window.h"

int MainLoop::Run() {
  while (Pass()) {
    // An idle scene costs almost nothing: the loop sleeps instead of spinning.
    const double wait = WaitTime();
    if (wait <= 0.0) continue;
    if (waitForMessage)
      waitForMessage(wait);
    else
      platform::WaitMessage(wait);
  }
  return exitCode;
}

double MainLoop::WaitTime() const {
  if (m_dispatched) return 0.0;
  return std::clamp(1.0 / kRenderRate - renderAccumulator, 0.0, kMaxWait);
}

bool MainLoop::Pass() {
  m_dispatched = false;
  if (!m_context->running) return false;
  platform::WindowMessage message;
  if (platform::PeekMessage(message)) {
    m_dispatched = true;
    platform::GetMessage(message);
    if (message.type == platform::MessageType::Quit) {
      exitCode = message.exitCode;
      return false;
    }
    platform::DispatchMessage(message);
    MusicStep();
    return m_context->running;
  }
  platform::GraphicsDevice* device = m_context->graphics ? m_context->graphics->GetDevice() : nullptr;
  platform::DeviceStatus status = device ? device->TestCooperativeLevel() : platform::DeviceStatus::Ok;
  if (status == platform::DeviceStatus::Lost) return m_context->running;
  if (status == platform::DeviceStatus::NeedsReset) {
    m_context->graphics->Reset();
    MusicStep();
    return m_context->running;
  }
  UpdateStep();
  RenderStep();
  MusicStep();
  return m_context->running;
}

void MainLoop::UpdateStep() {
  if (m_context->timer) m_context->timer->Tick();
  if (m_context->input) m_context->input->Update();
  if (m_context->sound) m_context->sound->Update(m_context->timer ? m_context->timer->gameStep : 0.0);
  if (updateScene) updateScene();
}

void MainLoop::RenderStep() {
  if (m_context->timer) renderAccumulator += m_context->timer->realStep;
  if (renderAccumulator > 1.0 / kRenderRate) {
    if (renderScene) renderScene();
    // The excess is dropped, not carried over.
    renderAccumulator = 0.0;
  }
}

void MainLoop::MusicStep() {
  if (updateMusic) updateMusic();
}
