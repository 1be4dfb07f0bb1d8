#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Classes.StringList.h"

// Text files from outside read into the string list: any bytes load, no item holds a line
// break, and the text written back splits into the same items.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TMemoryStream input;
  if (Size > 0) input.WriteBuffer(Data, static_cast<Integer>(Size));
  input.SetPosition(0);
  TZCLStringList list;
  list.LoadFromStream(&input);
  for (Integer i = 0; i < list.GetCount(); ++i)
    for (Char c : list.GetStrings(i))
      if (c == u'\r' || c == u'\n' || c == u'\x2028') std::abort();
  TZCLStringList again;
  again.SetText(list.GetText());
  if (again.ToArray() != list.ToArray()) std::abort();
  return 0;
}
