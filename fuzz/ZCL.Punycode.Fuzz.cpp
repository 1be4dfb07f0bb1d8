#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "zcl/base/ZCL.Utils.Strings.h"

// Labels from outside (addresses, playlists): any text decodes or fails with a result code, and
// what decodes encodes back to the same text, digits compared without case.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string text(reinterpret_cast<const char*>(Data), Size);
  const auto count = static_cast<Integer>(Size);
  Integer length = 0;
  const Integer code = TZCLPunycode::Decode(text.data(), count, length, nullptr);
  if (code < TZCLPunycode::Success || code > TZCLPunycode::Overflow) std::abort();
  (void)TZCLPunycode::DecodeDomain(text);
  if (code != TZCLPunycode::Success || length == 0) return 0;

  String decoded(static_cast<size_t>(length), u'\0');
  if (TZCLPunycode::Decode(text.data(), count, length, decoded.data()) != TZCLPunycode::Success ||
      length != static_cast<Integer>(decoded.size()))
    std::abort();

  // The form the encoder writes: basic part, "-" only after a basic part, lower-case digits.
  const size_t delimiter = text.rfind('-');
  std::string expected = delimiter == std::string::npos ? std::string() : text.substr(0, delimiter);
  if (!expected.empty()) expected += '-';
  for (size_t j = delimiter == std::string::npos ? 0 : delimiter + 1; j < text.size(); ++j)
    expected += static_cast<char>(std::tolower(static_cast<unsigned char>(text[j])));

  Integer needed = 0;
  if (TZCLPunycode::Encode(decoded.data(), length, needed, nullptr) != TZCLPunycode::Success) std::abort();
  std::string encoded(static_cast<size_t>(needed), '\0');
  if (TZCLPunycode::Encode(decoded.data(), length, needed, encoded.data()) != TZCLPunycode::Success ||
      encoded != expected)
    std::abort();
  return 0;
}
