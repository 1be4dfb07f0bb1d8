#pragma once
#include "rtl/RTL.Units.h"

// The skin engine's units, in dependency order.
TUnitList ZseEngineUnits();
