#include "zse/script/ZSE.Script.Units.h"

namespace {
const TUnit GZseScriptUnits[] = {
    {"ZSE.Script.Units", nullptr, nullptr},
};
}  // namespace

TUnitList ZseScriptUnits() { return GZseScriptUnits; }
