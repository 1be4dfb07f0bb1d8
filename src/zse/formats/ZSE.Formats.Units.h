#pragma once
#include "rtl/RTL.Units.h"

// The skin formats and converters, in dependency order.
TUnitList ZseFormatsUnits();
