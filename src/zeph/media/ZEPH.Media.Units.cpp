#include "zeph/media/ZEPH.Media.Units.h"

#include "zeph/media/ZBL.FileChangeNotifier.h"
#include "zeph/media/ZBL.FileInfo.Formatter.h"
#include "zeph/media/ZBL.FileInfo.h"

namespace {
const TUnit GZephMediaUnits[] = {
    {"ZBL.FileInfo", detail::ZBLFileInfoInitialization, nullptr},
    {"ZBL.FileInfo.Formatter", nullptr, TZBLFileInfoPreview::FinalizeInstance},
    {"ZBL.FileChangeNotifier", nullptr, TZBLFileChangeNotifier::FinalizeInstance},
};
}

TUnitList ZephMediaUnits() { return GZephMediaUnits; }
