#include <cstddef>
#include <cstdint>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "zcl/base/ZCL.FileFormats.XML.h"

// The first byte picks "SXML" or "BXML"; the rest follows the signature. What loads cleanly must
// save as "SXML" and load back equal.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = (InitializeUnits(RtlUnits()), true);
  (void)initialized;
  if (Size == 0) return 0;
  TBytes bytes = (Data[0] & 1) ? TBytes{'B', 'X', 'M', 'L'} : TBytes{'S', 'X', 'M', 'L'};
  bytes.insert(bytes.end(), Data + 1, Data + Size);
  TBytesStream input(bytes);
  TZCLXMLDocument* doc = Create<TZCLXMLDocument>();
  TZCLXMLDocument* back = Create<TZCLXMLDocument>();
  doc->SetAllowMultipleRoots((Data[0] & 2) != 0);
  back->SetAllowMultipleRoots(true);
  bool loaded = false;
  try {
    doc->LoadFromStream(&input);
    loaded = true;
  } catch (const Exception&) {
    // Corrupt or truncated input fails cleanly.
  }
  if (loaded) {
    TBytesStream binary;
    try {
      doc->SaveToStream(&binary, TZCLXMLDocumentFormat::Binary());
    } catch (const Exception&) {
      // A name the code page does not round-trip is refused on save.
      binary.SetSize(0);
    }
    if (binary.GetSize() > 0) {
      binary.SetPosition(0);
      back->LoadFromStream(&binary);
      if (!back->Equals(doc)) __builtin_trap();
    }
  }
  Free(back);
  Free(doc);
  return 0;
}
