#include "zeph/media/ZEPH.Media.Units.h"

#include "zeph/media/ZBL.FileInfo.Formatter.h"
#include "zeph/media/ZBL.FileInfo.h"

namespace {
const TUnit GZephMediaUnits[] = {
    {"ZBL.FileInfo", detail::ZBLFileInfoInitialization, nullptr},
    {"ZBL.FileInfo.Formatter", nullptr, TZBLFileInfoPreview::FinalizeInstance},
};
}

TUnitList ZephMediaUnits() { return GZephMediaUnits; }
