#include "zeph/media/ZEPH.Media.Units.h"

#include "zeph/media/ZBL.FileChangeNotifier.h"
#include "zeph/media/ZBL.FileInfo.Formatter.h"
#include "zeph/media/ZBL.FileInfo.h"
#include "zeph/media/ZEPH.FileInfo.Formatter.Legend.h"
#include "zeph/media/ZEPH.FileInfo.Formatter.Service.h"
#include "zeph/media/ZEPH.FileInfo.Formatter.h"
#include "zeph/media/ZEPH.FileManager.Services.Tags.h"
#include "zeph/media/ZEPH.FileManager.h"
#include "zeph/media/ZTL.FileFormats.FLAC.h"
#include "zeph/media/ZTL.FileFormats.M4A.h"
#include "zeph/media/ZTL.FileFormats.WMA.h"
#include "zeph/media/ZTL.Ogg.Opus.h"
#include "zeph/media/ZTL.Ogg.Vorbis.h"

namespace {
const TUnit GZephMediaUnits[] = {
    {"ZBL.FileInfo", detail::ZBLFileInfoInitialization, nullptr},
    {"ZBL.FileInfo.Formatter", nullptr, TZBLFileInfoPreview::FinalizeInstance},
    {"ZBL.FileChangeNotifier", nullptr, TZBLFileChangeNotifier::FinalizeInstance},
    {"ZEPH.FileManager", detail::FileManagerInitialization, detail::FileManagerFinalization},
    {"ZEPH.FileInfo.Formatter", RegisterFileInfoWithCore,
     [] {
       TZEPHFileInfoFormatterLegend::FinalizeInstance();
       TZEPHFileInfoFormatStringFactory::FinalizeInstance();
     }},
    {"ZTL.FileFormats.FLAC", detail::ZTLFlacInitialization, nullptr},
    {"ZTL.FileFormats.WMA", detail::ZTLWMAInitialization, nullptr},
    {"ZTL.FileFormats.M4A", detail::ZTLM4AInitialization, nullptr},
    {"ZTL.Ogg.Vorbis", detail::ZTLOggVorbisInitialization, nullptr},
    {"ZTL.Ogg.Opus", detail::ZTLOpusInitialization, nullptr},
    {"ZEPH.FileManager.Services.Tags", detail::FileManagerTagsInitialization, detail::FileManagerTagsFinalization},
};
}

TUnitList ZephMediaUnits() { return GZephMediaUnits; }
