#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "os/OS.Clipboard.h"
#include "os/OS.Units.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Clipbrd.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Utils.Clipboard.h"

// Text blocks another program put on the clipboard: any size (odd, without a terminating zero)
// and any content. Reading the text stays inside the block and stops at the first zero.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = [] {
    InitializeUnits(RtlUnits());
    InitializeUnits(OsUnits());
    InitializeUnits(VclUnits());
    return true;
  }();
  (void)initialized;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, Size);
  if (!block) return 0;
  if (Size > 0) {
    std::memcpy(GlobalLock(block), Data, Size);
    GlobalUnlock(block);
  }
  if (!OpenClipboard(nullptr)) std::abort();
  EmptyClipboard();
  if (!SetClipboardData(CF_UNICODETEXT, block)) std::abort();
  CloseClipboard();

  const String text = Clipboard()->GetAsText();
  if (text.size() > Size / 2 || text.find(u'\0') != String::npos) std::abort();
  const String wide = TZCLGlobalMemory::DecodeText(block, true);
  const String narrow = TZCLGlobalMemory::DecodeText(block, false);
  if (wide.size() > Size / 2 + 1 || narrow.size() > Size) std::abort();
  if (OpenClipboard(nullptr)) {
    EmptyClipboard();
    CloseClipboard();
  }
  return 0;
}
