#pragma once
// Helpers of the playlist tools: the preset templates offered for grouping and sorting.

#include <vector>

#include "rtl/RTL.Types.h"

struct TZEPHGroupingSortingTemplates {
  std::vector<String> Templates;
};

const TZEPHGroupingSortingTemplates& PlaylistGroupingPresets();
const TZEPHGroupingSortingTemplates& PlaylistSortingPresets();

namespace detail {
void PlaylistToolsInitialization();
void PlaylistToolsFinalization();
}  // namespace detail
