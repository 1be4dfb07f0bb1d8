#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zeph/media/ZTL.Tags.ID3v2.h"
#include "zeph/media/ZTL.Utils.h"

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

// Tag text of unknown encoding under the code pages the guess treats apart (single-byte,
// Cyrillic, multi-byte): the guess yields text for any bytes, valid UTF-8 decodes as UTF-8, and
// the artist resolver takes any title and artist text apart without error.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 1) return 0;
  static const Integer pages[] = {0, 1251, 1252, 932};
  zcDefaultCodePage.store(pages[Data[0] % 4]);
  const std::string_view bytes(reinterpret_cast<const char*>(Data + 1), Size - 1);
  const String text = TZTLTagsEncoding::Decode(bytes);
  const String ansi = TZTLTagsEncoding::DecodeAnsi(bytes);
  const String utf8 = zcDecodeUTF8(bytes);
  if (!utf8.empty() && text.empty()) std::abort();
  if (!IsWellFormedUTF16(utf8)) std::abort();
  (void)ansi;
  (void)TID3v2Encoding::Decode(bytes);
  String title = text, artists = ansi;
  TZTLMetaDataResolver::Process(title, artists);
  return 0;
}
