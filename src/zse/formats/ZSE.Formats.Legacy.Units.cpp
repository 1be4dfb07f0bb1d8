#include "zse/formats/ZSE.Formats.Legacy.Units.h"

#include "zse/formats/ZSE.Formats.Legacy.Converter.h"
#include "zse/formats/ZSE.Formats.Legacy.Converters.h"
#include "zse/formats/ZSE.Formats.Legacy.Packages.h"

namespace {
const TUnit GZseFormatsLegacyUnits[] = {
    {"ZSE.Formats.Legacy.Units", nullptr, nullptr},
    {"ZSE.Formats.Legacy.Converter", LegacyConverterInitialize, nullptr},
    {"ZSE.Formats.Legacy.Converters", LegacyConvertersInitialize, nullptr},
    {"ZSE.Formats.Legacy.Packages", LegacyPackagesInitialize, nullptr},
};
}  // namespace

TUnitList ZseFormatsLegacyUnits() { return GZseFormatsLegacyUnits; }
