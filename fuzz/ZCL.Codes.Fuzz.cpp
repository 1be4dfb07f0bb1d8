#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Utils.Strings.h"

// Base64 and hexadecimal text from outside (settings, clipboard, web) and typed durations:
// decoding accepts exactly what it can decode, decoded bytes survive a round trip, and a
// failed decode leaves the target stream untouched.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 1) return 0;
  const std::string_view text(reinterpret_cast<const char*>(Data + 1), Size - 1);
  switch (Data[0] % 3) {
    case 0: {
      TMemoryStream out;
      if (TZCLMimecode::Decode(text, &out)) {
        // Unused low bits of the last group may differ; the bytes must survive a round trip.
        const AnsiString again = TZCLMimecode::EncodeToString(out.GetMemory(), static_cast<Integer>(out.GetSize()));
        TMemoryStream back;
        // An empty result may have no memory at all, and memcmp must not see a null pointer.
        if (again.size() != text.size() || !TZCLMimecode::Decode(again, &back) || back.GetSize() != out.GetSize() ||
            (out.GetSize() != 0 &&
             std::memcmp(back.GetMemory(), out.GetMemory(), static_cast<size_t>(out.GetSize())) != 0))
          std::abort();
      } else if (out.GetSize() != 0) {
        std::abort();
      }
      break;
    }
    case 1: {
      const String wide = UTF8ToString(text);
      TMemoryStream out;
      out.WriteBuffer("keep", 4);
      out.SetPosition(2);
      if (TZCLHexcode::Decode(wide, &out)) {
        if (out.GetPosition() != 2 + static_cast<Int64>(wide.size() / 2)) std::abort();
      } else if (out.GetSize() != 4 || out.GetPosition() != 2 || std::memcmp(out.GetMemory(), "keep", 4) != 0) {
        std::abort();
      }
      break;
    }
    default: {
      const String wide = UTF8ToString(text);  // NUL-terminated by the string
      const Char* p = wide.c_str();
      Double seconds = -1;
      if (TZCLTimeFormat::Parse(p, seconds) && (seconds < 0 || p > wide.c_str() + wide.size())) std::abort();
      break;
    }
  }
  return 0;
}
