#include "zeph/playlists/ZEPH.Playlists.Tools.h"

#include "zcl/base/ZCL.Utils.Strings.h"

namespace {
TZEPHGroupingSortingTemplates GGrouping;
TZEPHGroupingSortingTemplates GSorting;
}  // namespace

const TZEPHGroupingSortingTemplates& PlaylistGroupingPresets() { return GGrouping; }
const TZEPHGroupingSortingTemplates& PlaylistSortingPresets() { return GSorting; }

namespace detail {
void PlaylistToolsInitialization() {
  zcExplodeString(u"%Album|%Artist|%Genre|%FileDir|%Year|%Genre - %Artist|%Artist - %Album", u"|",
                  GGrouping.Templates);
  zcExplodeString(u"%Artist - %Title|%TrackNumber|%!%Mark|%FileCreatedDate|%!%FileModifiedDateAndTime", u"|",
                  GSorting.Templates);
}

void PlaylistToolsFinalization() {
  GGrouping.Templates.clear();
  GSorting.Templates.clear();
}
}  // namespace detail
