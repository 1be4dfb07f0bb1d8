#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "zcl/base/ZCL.Utils.FileSystem.h"

// Search-path text from settings files: any input loads, every folder ends with a delimiter and
// the text written back loads into the same list.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  String text(Size / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<Char>(Data[2 * i] | (Data[2 * i + 1] << 8));
  TZCLSearchPaths paths;
  paths.FromString(text);
  for (Integer i = 0; i < paths.GetCount(); ++i) {
    const String path = paths.GetPath(i);
    if (path.empty() || (path.back() != u'/' && path.back() != u'\\')) std::abort();
  }
  const String once = paths.ToString();
  TZCLSearchPaths again;
  again.FromString(once);
  if (again.ToString() != once || again.GetCount() != paths.GetCount()) std::abort();
  return 0;
}
