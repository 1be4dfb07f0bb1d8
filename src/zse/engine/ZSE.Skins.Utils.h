#pragma once
// The codec of skin package entries: deflate at level 9, optionally scrambled word by word with a
// key, the matching inflate and unpacked-size count, and the reader of a font's family name that
// the embedded fonts of a skin use.

#include <optional>

#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Types.h"
#include "zcl/base/ZCL.Classes.h"

// With a key, every whole 32-bit little-endian word is XORed with Key ^ 0x51574658; the one to
// three bytes after the last whole word stay. Its own inverse.
void SkinPackageXor(void* Buffer, Integer Count, Cardinal Key);
// Compresses the whole Source (from position 0) to Dest's position.
void SkinPackagePack(TStream* Source, TStream* Dest, const TZCLProgressEvent& Progress = nullptr,
                     std::optional<Cardinal> Key = std::nullopt);
// A new memory stream (position 0) with the data inflated from Source's position to its end.
// Size is the expected unpacked size, 0 when unknown (then counted first). Raises
// EZDecompressionError with zlib's text, or "Unpack Error" when the data ends before the stream.
TMemoryStream* SkinPackageUnpack(TStream* Source, const TZCLProgressEvent& Progress = nullptr,
                                 std::optional<Cardinal> Key = std::nullopt, Int64 Size = 0);
// The unpacked size of the data from Source's position to its end; the position is kept.
Int64 SkinPackageGetUnpackedSize(TStream* Source, std::optional<Cardinal> Key = std::nullopt);

// One record of a font's "name" table; Offset counts from the table's start.
struct TNameRecord {
  Word PlatformID = 0;
  Word EncodingID = 0;
  Word LanguageID = 0;
  Word NameID = 0;
  Word Length = 0;
  // The table's string-storage offset plus the record's own; both are 16-bit, so the sum needs
  // more than 16 bits.
  Cardinal Offset = 0;
};
using TNameRecords = std::vector<TNameRecord>;

// The Windows family name (US English preferred) of the font file at the stream's position 0.
// Never raises; False (position kept) for anything that is not such a font.
bool TrueTypeGetFontName(TStream* Stream, String& Name);
