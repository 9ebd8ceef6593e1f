// Test hooks of the graphics backends: states a test forces that the game never asks for.
#pragma once

namespace platform {

// While on, every graphics device refuses textures as render targets, as a driver out of
// video memory would. Off at start.
void RefuseRenderTargets(bool refuse);
bool RenderTargetsRefused();

}  // namespace platform
