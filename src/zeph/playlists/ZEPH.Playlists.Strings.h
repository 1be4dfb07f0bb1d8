#pragma once
// Display texts of playlists: captions and state texts the skin providers show.

#include "rtl/RTL.Types.h"

extern String sPlaylistNewPlaylist;
extern String sPlaylistAutoName;
extern String sPlaylistGroup;
extern String sPlaylistLoading;
extern String sPlaylistLocked;
extern String sPlaylistHasPreimage;
extern String sPlaylistSettings;
extern String sPlaylistShuffled;
extern String sPlaylistTempo;

// The mark of a read-only playlist (a padlock).
String GetReadOnlyMark();
String GetArrowText();
