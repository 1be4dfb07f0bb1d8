#include "zeph/media/ZEPH.Media.Units.h"

#include "zeph/media/ZBL.FileInfo.h"

namespace {
const TUnit GZephMediaUnits[] = {
    {"ZBL.FileInfo", detail::ZBLFileInfoInitialization, nullptr},
};
}

TUnitList ZephMediaUnits() { return GZephMediaUnits; }
