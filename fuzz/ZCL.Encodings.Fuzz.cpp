#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Utils.Encodings.h"

namespace {
bool IsWellFormedUTF16(StringView Text) {
  for (size_t i = 0; i < Text.size(); ++i) {
    const Char c = Text[i];
    if (c >= 0xDC00 && c <= 0xDFFF) return false;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= Text.size() || Text[i + 1] < 0xDC00 || Text[i + 1] > 0xDFFF) return false;
      ++i;
    }
  }
  return true;
}
}  // namespace

// Bytes from outside decoded as UTF-8, as code-page text and as stream text: the UTF-8 decoder
// yields well-formed UTF-16 that encodes back to the same bytes, or rejects the input as a whole.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string_view bytes(reinterpret_cast<const char*>(Data), Size);
  const auto count = static_cast<Integer>(Size);

  const Integer needed = zcUTF8ToUnicodeBuf(nullptr, 0, Data, count);
  const String text = zcDecodeUTF8(bytes);
  if (needed > 0) {
    if (static_cast<Integer>(text.size()) != needed || !IsWellFormedUTF16(text)) std::abort();
    if (zcEncodeUTF8(text) != bytes) std::abort();
    if (!zcIsValidUTF8(Data, count)) std::abort();
  } else if (!text.empty() || zcIsValidUTF8(Data, count)) {
    std::abort();
  }

  // A small destination: never written past its capacity, never ends in half a pair.
  Char small[5] = {0, 0, 0, 0, 0x1234};
  const Integer written = zcUTF8ToUnicodeBuf(small, 4, Data, count);
  if (written > 4 || small[4] != 0x1234) std::abort();
  if (written > 0 && !IsWellFormedUTF16(StringView(small, static_cast<size_t>(written)))) std::abort();

  (void)zcAnsiToUnicode(Data, count, 1252);
  (void)zcAnsiToUnicode(Data, count, 932);

  TCustomMemoryStream stream(Data, static_cast<NativeInt>(Size));
  TEncoding* used = nullptr;
  (void)zcStreamReadText(&stream, TEncoding::GetUTF8(), used);
  if (used == nullptr) std::abort();
  return 0;
}
