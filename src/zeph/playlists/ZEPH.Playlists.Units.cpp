#include "zeph/playlists/ZEPH.Playlists.Units.h"

#include "zeph/playlists/ZEPH.Playlists.Settings.h"
#include "zeph/playlists/ZEPH.Playlists.Tools.h"

namespace {
const TUnit GZephPlaylistsUnits[] = {
    {"ZEPH.Playlists.Settings", detail::PlaylistSettingsInitialization, detail::PlaylistSettingsFinalization},
    {"ZEPH.Playlists.Tools", detail::PlaylistToolsInitialization, detail::PlaylistToolsFinalization},
};
}

TUnitList ZephPlaylistsUnits() { return GZephPlaylistsUnits; }
