#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Exceptions.h"

// Any bytes in any code page (the first byte picks it): decoding yields well-formed UTF-16 whose
// length the counting form predicts; the strict decoder either agrees or raises EEncodingError
// exactly when the strict test says the bytes are invalid; the text encodes back without error.
namespace {
bool WellFormed(const String& Text) {
  for (size_t i = 0; i < Text.size(); ++i) {
    const char16_t c = Text[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= Text.size() || Text[i + 1] < 0xDC00 || Text[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

struct TEncodingDeleter {
  void operator()(TEncoding* E) const { TEncoding::FreeEncoding(E); }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 1) return 0;
  static const std::vector<Integer> codePages = GetInstalledCodePages();
  const Integer codePage = codePages[Data[0] % codePages.size()];
  const Byte* bytes = Data + 1;
  const auto count = static_cast<Integer>(Size - 1);

  std::unique_ptr<TEncoding, TEncodingDeleter> lenient(TEncoding::GetEncoding(codePage));
  std::unique_ptr<TEncoding, TEncodingDeleter> strict(TEncoding::GetEncoding(codePage, true));
  const String text = lenient->GetString(bytes, count);
  if (!WellFormed(text)) std::abort();
  if (lenient->GetCharCount(bytes, count) != static_cast<Integer>(text.size())) std::abort();
  lenient->GetBytes(text);

  bool raised = false;
  try {
    if (strict->GetString(bytes, count) != text) std::abort();
  } catch (const EEncodingError&) {
    raised = true;
  }
  // The UTF-16 decoders leave a trailing incomplete unit undecoded, which the strict test counts
  // as invalid; everywhere else the strict test and the strict decoder agree.
  const bool valid = strict->IsValid(bytes, count);
  if (raised && valid) std::abort();
  if (!raised && !valid && codePage != CP_UTF16LE && codePage != CP_UTF16BE) std::abort();
  return 0;
}
