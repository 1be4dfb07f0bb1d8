#pragma once
// The program's choice of display backend. Only the program calls this; libraries never pick a
// backend, and tests install the one they need themselves.

#include "rtl/RTL.Types.h"

enum class TDisplayBackendKind { None, Headless, Sdl };

// What the environment asks for. ZEPHSE_BACKEND=headless or =sdl choose; otherwise the desktop
// backend when a display is named (DISPLAY or WAYLAND_DISPLAY), none when not. An unknown
// ZEPHSE_BACKEND value chooses none and explains itself in Error.
TDisplayBackendKind ChooseDisplayBackend(const char* BackendVariable, bool HaveDisplay, String& Error);

// Installs the chosen backend (UI thread, after the OS units are initialized) and returns it;
// None with a message for the user in Error when there is no display to show windows on or the
// desktop backend cannot start. The headless backend runs on the system clock here.
TDisplayBackendKind InstallDisplayBackendForProgram(String& Error);
