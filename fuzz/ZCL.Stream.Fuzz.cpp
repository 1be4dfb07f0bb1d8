#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "rtl/RTL.Variant.h"
#include "zcl/base/ZCL.Utils.Stream.h"

// Binary data of the program's formats read with the stream conventions: chunk headers, counted
// strings and tagged values either read cleanly or raise a stream error, never read beyond the
// data, and the written form of a value read back is stable.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 1) return 0;
  TCustomMemoryStream stream(Data + 1, static_cast<NativeInt>(Size - 1));
  try {
    while (StreamGetBytesLeft(&stream) > 0) {
      switch (Data[0] % 4) {
        case 0: {  // a chunk: identifier and size, then skip the data
          Cardinal id, size;
          stream.ReadBufferData(id);
          stream.ReadBufferData(size);
          if (size > StreamGetBytesLeft(&stream)) return 0;
          stream.Seek(size, soCurrent);
          break;
        }
        case 1: {
          String text;
          StreamReadStringWithLength(&stream, text);
          if (text.size() > 0xFFFF) std::abort();
          break;
        }
        case 2: {
          AnsiString text;
          StreamReadAnsiStringWithLength(&stream, text);
          break;
        }
        default: {
          Variant value;
          StreamReadVariant(&stream, value);
          // Integers are stored by value (a 4-byte 0 comes back as 1 byte), so the stable form
          // is the written one: writing what was read back gives the same bytes again.
          TMemoryStream copy, again;
          StreamWriteVariant(&copy, value);
          copy.SetPosition(0);
          Variant back;
          StreamReadVariant(&copy, back);
          if (StreamGetBytesLeft(&copy) != 0) std::abort();
          StreamWriteVariant(&again, back);
          if (!StreamEquals(&copy, &again)) std::abort();
          break;
        }
      }
      if (stream.GetPosition() > static_cast<Int64>(Size - 1)) std::abort();
    }
  } catch (const EStreamError&) {
  }
  return 0;
}
