#include "zeph/playlists/ZEPH.Playlists.Units.h"

#include "zeph/playlists/ZEPH.Playlists.Controller.h"
#include "zeph/playlists/ZEPH.Playlists.Formats.ASX.h"
#include "zeph/playlists/ZEPH.Playlists.Formats.M3U.h"
#include "zeph/playlists/ZEPH.Playlists.Formats.PL3.h"
#include "zeph/playlists/ZEPH.Playlists.Formats.PL4.h"
#include "zeph/playlists/ZEPH.Playlists.Formats.XSPF.h"
#include "zeph/playlists/ZEPH.Playlists.Formats.h"
#include "zeph/playlists/ZEPH.Playlists.Preimages.Folders.h"
#include "zeph/playlists/ZEPH.Playlists.Preimages.Playlist.h"
#include "zeph/playlists/ZEPH.Playlists.Service.Adapters.h"
#include "zeph/playlists/ZEPH.Playlists.Settings.h"
#include "zeph/playlists/ZEPH.Playlists.Storage.Helpers.h"
#include "zeph/playlists/ZEPH.Playlists.Tools.h"

namespace {
const TUnit GZephPlaylistsUnits[] = {
    {"ZEPH.Playlists.Settings", detail::PlaylistSettingsInitialization, detail::PlaylistSettingsFinalization},
    {"ZEPH.Playlists.Tools", detail::PlaylistToolsInitialization, detail::PlaylistToolsFinalization},
    {"ZEPH.Playlists.Formats", detail::PlaylistFormatsInitialization, TZEPHPlaylistFormats::Finalize},
    // Registration order decides which format a content signature picks first.
    {"ZEPH.Playlists.Formats.XSPF", detail::XSPFFormatInitialization, nullptr},
    {"ZEPH.Playlists.Formats.PL3", detail::PL3FormatInitialization, nullptr},
    {"ZEPH.Playlists.Formats.PL4", detail::PL4FormatInitialization, nullptr},
    {"ZEPH.Playlists.Formats.M3U", detail::M3UFormatsInitialization, nullptr},
    {"ZEPH.Playlists.Formats.ASX", detail::ASXFormatsInitialization, nullptr},
    {"ZEPH.Playlists.Storage.Helpers", nullptr, TZEPHPlaylistItemFormatStringFactory::FinalizeInstance},
    {"ZEPH.Playlists.Preimages", nullptr, TZEPHPlaylistPreimageRepository::Finalize},
    {"ZEPH.Playlists.Preimages.Folders", detail::PlaylistPreimagesFoldersInitialization, nullptr},
    {"ZEPH.Playlists.Preimages.Playlist", detail::PlaylistPreimagesPlaylistInitialization, nullptr},
    {"ZEPH.Playlists.Controller", nullptr, detail::PlaylistControllerFinalization},
    {"ZEPH.Playlists.Service.Adapters", detail::PlaylistAdaptersInitialization, nullptr},
};
}

TUnitList ZephPlaylistsUnits() { return GZephPlaylistsUnits; }
