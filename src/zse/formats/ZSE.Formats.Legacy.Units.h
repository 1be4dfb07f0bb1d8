#pragma once
#include "rtl/RTL.Units.h"

// The readers and converters of the older skin generations, in registration order.
TUnitList ZseFormatsLegacyUnits();
