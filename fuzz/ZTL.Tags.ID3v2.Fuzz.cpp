#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "rtl/RTL.Streams.h"
#include "zeph/media/ZTL.Tags.ID3v2.h"

// A file that starts with whatever a tag writer left there: the frames read decode without
// error, and a tag rebuilt from them replaces the old one in a copy that reads back to the same
// frames, with the bytes after the tag unchanged.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TCustomMemoryStream input(Data, static_cast<NativeInt>(Size));
  std::vector<TZTLID3v2Frame> frames;
  Byte major = 0;
  const Cardinal size = TZTLID3v2Codec::Read(&input, 0, frames, major);
  if (size == 0) return 0;
  RawByteString body;
  for (const TZTLID3v2Frame& f : frames) {
    if (f.ID == "APIC" || f.ID == "PIC") {
      TZTLID3v2Picture picture;
      TZTLID3v2Codec::DecodePicture(f.ID, f.Data, major, picture);
    } else if (f.ID == "CHAP") {
      TZTLID3v2Chapter chapter;
      TZTLID3v2Codec::DecodeChapter(f.Data, major, chapter);
    } else {
      (void)TID3v2Encoding::DecodeAndCut(f.Data);
      (void)TZTLID3v2Codec::DecodeComment(f.Data);
      (void)TZTLID3v2Codec::DecodeGenre(f.Data);
      (void)TZTLID3v2Codec::DecodeLink(f.Data);
      (void)TZTLID3v2Codec::DecodeRating(f.Data);
      (void)TZTLID3v2Codec::DecodeOwner(f.Data);
    }
    TZTLID3v2Codec::WriteFrame(body, f.ID, f.Data);
  }
  TMemoryStream copy;
  copy.WriteBuffer(Data, static_cast<Int64>(Size));
  const Int64 oldSize = TZTLID3v2Codec::GetTagSize(&copy, 0);
  RawByteString tag;
  TZTLID3v2Codec::Build(body, tag, oldSize, true);
  TZTLID3v2Codec::Replace(&copy, tag);
  const auto* bytes = static_cast<const Byte*>(copy.GetMemory());
  const size_t audio = Size - static_cast<size_t>(std::min<Int64>(oldSize, static_cast<Int64>(Size)));
  if (static_cast<size_t>(copy.GetSize()) != tag.size() + audio ||
      std::memcmp(bytes + tag.size(), Data + (Size - audio), audio) != 0)
    std::abort();
  std::vector<TZTLID3v2Frame> again;
  if (TZTLID3v2Codec::Read(&copy, 0, again, major) != tag.size()) std::abort();
  // Frames written as version 3 by the rebuild: version-2.2 identifiers were dropped.
  size_t kept = 0;
  for (const TZTLID3v2Frame& f : frames)
    if (f.ID.size() == 4) ++kept;
  if (again.size() > kept) std::abort();
  return 0;
}
