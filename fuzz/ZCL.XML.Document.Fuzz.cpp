#include <cstddef>
#include <cstdint>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "zcl/base/ZCL.FileFormats.XML.h"

// Loads any bytes as an XML document; a document that loaded without error must save as text
// and load back equal. The first byte allows several roots.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = (InitializeUnits(RtlUnits()), true);
  (void)initialized;
  if (Size == 0) return 0;
  const bool multipleRoots = (Data[0] & 1) != 0;
  TBytesStream input(TBytes(Data + 1, Data + Size));
  TZCLXMLDocument* doc = Create<TZCLXMLDocument>();
  TZCLXMLDocument* back = Create<TZCLXMLDocument>();
  doc->SetAllowMultipleRoots(multipleRoots);
  back->SetAllowMultipleRoots(multipleRoots);
  try {
    doc->LoadFromStream(&input);
    if (!doc->HasLoadError() && doc->GetCount() == 1) {
      TBytesStream text;
      doc->SaveToStream(&text, TZCLXMLDocumentFormat::Default());
      text.SetPosition(0);
      back->LoadFromStream(&text);
      if (back->HasLoadError() || !back->Equals(doc)) __builtin_trap();
    }
  } catch (const Exception&) {
    // Binary input raises its errors; that is a valid outcome.
  }
  Free(back);
  Free(doc);
  return 0;
}
