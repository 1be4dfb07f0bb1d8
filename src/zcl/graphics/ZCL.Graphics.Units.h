#pragma once
#include "rtl/RTL.Units.h"

// The graphics library's units, in dependency order.
TUnitList ZclGraphicsUnits();
