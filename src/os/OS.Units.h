#pragma once
#include "rtl/RTL.Units.h"

// The operating-system layer's units, in dependency order.
TUnitList OsUnits();
