#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "rtl/RTL.Strings.h"
#include "vcl/VCL.StdCtrls.h"

// Edit masks and the texts poured into them (stored forms, pasted text): any mask parses, any
// text formats into exactly the mask's length with literals in place and only characters
// the places accept, and what Unformat gives back formats again.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const String input = UTF8ToString(std::string_view(reinterpret_cast<const char*>(Data), Size));
  const size_t split = input.find(u'\n');
  const String maskText = split == String::npos ? input : input.substr(0, split);
  const String value = split == String::npos ? String() : input.substr(split + 1);
  const TEditMask mask(maskText);
  const String formatted = mask.Format(value);
  if (static_cast<Integer>(formatted.size()) != mask.Length()) std::abort();
  for (Integer i = 0; i < mask.Length(); ++i) {
    const Char c = formatted[size_t(i)];
    if (mask.IsLiteral(i) ? c != mask.Literal(i) : (c != mask.GetBlank() && !mask.Accepts(i, c))) std::abort();
  }
  // What callers read back formats into the same length again.
  if (static_cast<Integer>(mask.Format(mask.Unformat(formatted)).size()) != mask.Length()) std::abort();
  return 0;
}
