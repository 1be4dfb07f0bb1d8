#pragma once
#include "rtl/RTL.Units.h"

// The media library's units, in dependency order.
TUnitList ZephMediaUnits();
