#pragma once
#include "rtl/RTL.Units.h"

// The UI class library's units, in dependency order.
TUnitList VclUnits();
