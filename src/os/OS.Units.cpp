#include "os/OS.Units.h"

namespace {
const TUnit GOsUnits[] = {
    {"OS.Units", nullptr, nullptr},
};
}

TUnitList OsUnits() { return GOsUnits; }
