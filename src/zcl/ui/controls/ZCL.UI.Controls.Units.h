#pragma once
#include "rtl/RTL.Units.h"

// The standard controls' units, in dependency order.
TUnitList ZclControlsUnits();
