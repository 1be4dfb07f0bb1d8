#include "zse/formats/ZSE.Formats.Units.h"

#include "zse/formats/ZSE.Formats.Converters.h"
#include "zse/formats/ZSE.Formats.Converters400.h"
#include "zse/formats/ZSE.Formats.ZCS5.h"

namespace {
const TUnit GZseFormatsUnits[] = {
    {"ZSE.Formats.Units", nullptr, nullptr},
    {"ZSE.Formats.ZCS5", FormatZCS5Initialize, nullptr},
    {"ZSE.Formats.Converters", FormatConvertersInitialize, nullptr},
    {"ZSE.Formats.Converters400", FormatConverters400Initialize, nullptr},
};
}  // namespace

TUnitList ZseFormatsUnits() { return GZseFormatsUnits; }
