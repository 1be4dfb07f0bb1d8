#pragma once
// The SDL2 display backend: real top-level windows on the desktop's display (X11 or Wayland
// through SDL), desktop input, monitors, clipboard and file drops. Only the program (through
// the backend choice of os/backends/OS.Backends.h) and the display tests include this header.

#include "rtl/RTL.Types.h"

// Starts SDL's video subsystem and installs the backend (UI thread, after the OS units are
// initialized). False, with SDL's reason in Error, when no display can be opened; nothing is
// installed then.
bool InstallSdlBackend(String* Error = nullptr);
