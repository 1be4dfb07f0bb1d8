#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.StringList.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"

namespace {
bool SameLines(const TStrings& A, const TStrings& B) {
  if (A.GetCount() != B.GetCount()) return false;
  for (Integer i = 0; i < A.GetCount(); ++i)
    if (A[i] != B[i]) return false;
  return true;
}

// Writing a list as delimited text and reading it back gives the same strings.
void CheckDelimitedRoundTrip(TStringList& List, Char Delimiter, bool Strict) {
  List.SetDelimiter(Delimiter);
  List.SetStrictDelimiter(Strict);
  TStringList back;
  back.SetDelimiter(Delimiter);
  back.SetStrictDelimiter(Strict);
  back.SetDelimitedText(List.GetDelimitedText());
  if (!SameLines(List, back)) std::abort();
}
}  // namespace

// A text file from outside (any bytes, any or no byte-order mark) loads without failing, and its
// lines survive delimited text in both modes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = (InitializeUnits(RtlUnits()), true);
  (void)initialized;
  TBytesStream stream(TBytes(Data, Data + Size));
  TStringList list;
  list.LoadFromStream(&stream);
  CheckDelimitedRoundTrip(list, u',', false);
  CheckDelimitedRoundTrip(list, u';', true);
  // Its text reads back as the same lines when no line holds a line break.
  TStringList text;
  text.SetText(list.GetText());
  if (!SameLines(list, text)) std::abort();
  return 0;
}
