#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "zcl/base/ZCL.Utils.Shell.h"

// "Shell IDList Array" blocks from other programs: the count, offsets and item IDs are read only
// inside the block, and no decoded component can step out of the parent folder.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  std::vector<String> parent;
  std::vector<std::vector<String>> items;
  if (!detail::ParseShellIDList(Data, Size, parent, items)) return 0;
  for (const std::vector<String>& item : items) {
    if (item.empty()) std::abort();
    for (const String& part : item)
      if (part.empty() || part == u"." || part == u".." || part.find(u'/') != String::npos) std::abort();
  }
  return 0;
}
