#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "rtl/RTL.Streams.h"
#include "zeph/media/ZTL.Tags.VorbisComments.h"

namespace {

Int64 WrittenSize(TZTLTagVorbisComments& Tag, TMemoryStream& Out) {
  Out.SetSize(0);
  Tag.WriteCommentBlock(&Out);
  return Out.GetSize();
}

}  // namespace

// A comment block in any state: reading stays inside the bytes given, and once written, the
// block reads back into a tag that writes a block of the same size again.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TCustomMemoryStream input(Data, static_cast<NativeInt>(Size));
  TZTLTagVorbisComments tag;
  tag.ReadCommentBlock(&input);
  if (tag.GetSize() > Size) std::abort();
  TMemoryStream first;
  WrittenSize(tag, first);
  first.SetPosition(0);
  TZTLTagVorbisComments second;
  second.ReadCommentBlock(&first);
  if (second.GetSize() != first.GetSize() || second.GetVendor() != tag.GetVendor()) std::abort();
  TMemoryStream out2, out3;
  const Int64 size2 = WrittenSize(second, out2);
  out2.SetPosition(0);
  TZTLTagVorbisComments third;
  third.ReadCommentBlock(&out2);
  if (WrittenSize(third, out3) != size2) std::abort();
  return 0;
}
