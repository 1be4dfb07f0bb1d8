#pragma once
#include "rtl/RTL.Units.h"

// The script engine's units, in dependency order.
TUnitList ZseScriptUnits();
