#pragma once
#include "rtl/RTL.Units.h"

// The player core's units, in dependency order. Finalizing them shuts the core down.
TUnitList ZephCoreUnits();
