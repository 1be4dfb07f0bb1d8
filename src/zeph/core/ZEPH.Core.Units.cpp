#include "zeph/core/ZEPH.Core.Units.h"

#include "zeph/core/ZEPH.Core.Adapters.h"
#include "zeph/core/ZEPH.Core.Config.h"
#include "zeph/core/ZEPH.Core.Images.h"
#include "zeph/core/ZEPH.Core.Objects.h"
#include "zeph/core/ZEPH.Core.Services.h"

namespace {
const TUnit GZephCoreUnits[] = {
    {"ZEPH.Core.Config", nullptr,
     [] {
       CoreFinalize();
       detail::CoreConfigFinalize();
     }},
    {"ZEPH.Core.Objects", RegisterCoreObjectFactories, nullptr},
    {"ZEPH.Core.Adapters", AdaptersInitialize, AdaptersFinalize},
    {"ZEPH.Core.Services", ServicesInitialize, nullptr},
    {"ZEPH.Core.Images", RegisterImageFactories, nullptr},
};
}  // namespace

TUnitList ZephCoreUnits() { return GZephCoreUnits; }
