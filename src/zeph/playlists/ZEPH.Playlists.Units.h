#pragma once
#include "rtl/RTL.Units.h"

// The playlists library's units, in dependency order.
TUnitList ZephPlaylistsUnits();
