// libFuzzer target for the file dialog's filter handling: a filter text and a typed name come
// from callers and users. Input: one byte of filter index, then the filter, a null byte and the
// name (UTF-8). The automatic extension keeps the name's stem; the default extension keeps no
// "*." and never fails.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "rtl/RTL.Types.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size == 0) return 0;
  const Integer index = static_cast<int8_t>(Data[0]);
  const std::string rest(reinterpret_cast<const char*>(Data + 1), Size - 1);
  const size_t split = rest.find('\0');
  const String filter = UTF8ToString(rest.substr(0, split));
  const String name = split == std::string::npos ? String() : UTF8ToString(rest.substr(split + 1));

  const String named = zcFileDialogAutoExtension(name, filter, index);
  const size_t dot = name.rfind(u'.');
  const String stem = dot == String::npos ? name : name.substr(0, dot);
  if (named.compare(0, stem.size(), stem) != 0) std::abort();
  if (index < 1 && named != name) std::abort();

  const String extensions = zcFileDialogDefaultExt(filter);
  if (extensions.find(u"*.") != String::npos) std::abort();
  (void)zcFileDialogFolderOf(name);
  return 0;
}
