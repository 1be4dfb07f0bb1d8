#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "rtl/RTL.Streams.h"
#include "zeph/media/ZTL.Tags.APEv2.h"
#include "zeph/media/ZTL.Tags.ID3v1.h"

// The end of a file with an APEv2 tag in any state: the items read lie inside the file, and
// writing them into a copy keeps the bytes in front of the tag and the trailing ID3v1 and Lyrics3
// blocks, and reads back the same items.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TCustomMemoryStream input(Data, static_cast<NativeInt>(Size));
  TZTLAPEv2Location at;
  TZTLAPEv2Codec::FindFooter(&input, at);
  std::vector<TZTLAPEv2Item> items;
  TZTLAPEv2Codec::Read(&input, items);
  if (at.TagStart() < 0 || at.TagStart() > static_cast<Int64>(Size)) std::abort();
  TMemoryStream copy;
  copy.WriteBuffer(Data, static_cast<Int64>(Size));
  TZTLAPEv2Codec::Write(&copy, items, false);
  const auto front = static_cast<size_t>(at.TagStart());
  const auto trail = static_cast<size_t>(at.TrailSize);
  const auto* bytes = static_cast<const Byte*>(copy.GetMemory());
  const auto copySize = static_cast<size_t>(copy.GetSize());
  if (copySize < front + trail || std::memcmp(bytes, Data, front) != 0 ||
      std::memcmp(bytes + copySize - trail, Data + Size - trail, trail) != 0)
    std::abort();
  // The new tag is found where it was written, unless the bytes in front of it now look like a
  // trailing block of their own (a "TAG" that ends up 128 bytes before the end).
  TZTLAPEv2Location again_at;
  TZTLAPEv2Codec::FindFooter(&copy, again_at);
  if (again_at.TrailSize != at.TrailSize) return 0;
  if (again_at.TagStart() != at.TagStart()) std::abort();
  std::vector<TZTLAPEv2Item> again;
  TZTLAPEv2Codec::Read(&copy, again);
  if (again.size() != items.size()) {
    TZTLAPEv2Location at2;
    TZTLAPEv2Codec::FindFooter(&copy, at2);
    fprintf(stderr, "items %zu again %zu front %lld trail %lld / %lld %lld found %d count %u size %u hdr %lld\n",
            items.size(), again.size(), (long long)at.TagStart(), (long long)at.TrailSize, (long long)at2.TagStart(),
            (long long)at2.TrailSize, at2.Found, at2.Footer.ItemCount, at2.Footer.TagSize, (long long)at2.HeaderSize);
    for (auto& i : items) fprintf(stderr, "key %zu val %zu flags %x\n", i.Key.size(), i.Value.size(), i.Flags);
    std::abort();
  }
  for (size_t i = 0; i < items.size(); ++i)
    if (again[i].Key != items[i].Key || again[i].Value != items[i].Value) std::abort();
  return 0;
}
