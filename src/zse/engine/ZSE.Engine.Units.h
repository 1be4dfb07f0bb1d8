#pragma once
#include "rtl/RTL.Units.h"

// The skin engine core's units, in dependency order.
TUnitList ZseEngineUnits();
