// The main scene as far as the shell needs it.
#include "frontend/mainmenu.h"

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "platform/window.h"

MainMenu::MainMenu() = default;
MainMenu::~MainMenu() = default;

void MainMenu::Update() {
  if (platform::IsKeyDown(platform::kScancodeEscape)) APIContext::Get()->running = false;
}

void MainMenu::Render() {
  APIGraphics* graphics = APIContext::Get()->graphics;
  platform::GraphicsDevice* device = graphics ? graphics->GetDevice() : nullptr;
  if (!device) return;
  device->Clear(platform::kClearTarget | platform::kClearZBuffer | platform::kClearStencil, kBackground, 1.0f,
                0);
  if (device->BeginScene()) device->EndScene();
  device->Present();
}

void MainMenu::UpdateMusic() {}
