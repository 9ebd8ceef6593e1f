// The application shell: start-up, the window procedure, the main loop and shutdown.
#pragma once

#include <string_view>

#include "engine/gfxtypes.h"

// Exit code of a start-up that could not create the graphics device or the input devices.
constexpr int kExitStartupFailed = 1;
// Exit code of a start without the game's data (no usable archive, no loose files).
constexpr int kExitNoGameData = 2;
// Exit code of a game whose display went away under it (the player's files are saved).
constexpr int kExitDisplayLost = 3;

// The program: returns its exit code.
int WinMain();
// Creates the main window for the chosen mode and hangs it on the engine context.
HResult CreateMainWindow();
// Plays the intro full-screen; Escape stops it. A missing or unplayable file skips it.
HResult PlayIntroVideo(std::u16string_view fileName);
