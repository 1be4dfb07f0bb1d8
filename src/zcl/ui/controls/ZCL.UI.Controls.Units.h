#pragma once
#include "rtl/RTL.Units.h"

// The units of the controls library (standard controls, compound controls, tree list), in
// dependency order.
TUnitList ZclControlsUnits();
