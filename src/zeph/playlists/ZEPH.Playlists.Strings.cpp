#include "zeph/playlists/ZEPH.Playlists.Strings.h"

String sPlaylistNewPlaylist = u"New Playlist";
String sPlaylistAutoName = u"autoname";
String sPlaylistGroup = u"Group:";
String sPlaylistLoading = u"Loading...";
String sPlaylistLocked = u"Locked";
String sPlaylistHasPreimage = u"Has preimage";
String sPlaylistSettings = u"Settings";
String sPlaylistShuffled = u"Shuffled";
String sPlaylistTempo = u"Tempo: %d%%";

// Every system this runs on draws the padlock symbol.
String GetReadOnlyMark() { return u"\U0001F512"; }

String GetArrowText() { return u"\u2192"; }
