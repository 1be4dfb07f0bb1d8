#include <cstddef>
#include <cstdint>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zcl/ui/ZCL.UI.Units.h"
#include "zse/engine/ZSE.Engine.Units.h"
#include "zse/engine/ZSE.Layout.h"

namespace {
Integer CountItems(TZSELayoutCustomItem* Item) {
  Integer n = Item->GetCount();
  for (Integer i = 0; i < Item->GetCount(); ++i) n += CountItems(Item->GetItem(i));
  return n;
}
}  // namespace

// A window's layout document: it loads or fails with an exception, the tree lays out at two
// sizes, and what loaded saves and loads back to a tree of the same size.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized =
      (InitializeUnits(RtlUnits()), InitializeUnits(OsUnits()), InstallHeadlessBackend(THeadlessConfig::Single(96)),
       InitializeUnits(VclUnits()), InitializeUnits(ZclBaseUnits()), InitializeUnits(ZclGraphicsUnits()),
       InitializeUnits(ZclUiUnits()), InitializeUnits(ZseEngineUnits()), true);
  (void)initialized;
  TBytesStream input(TBytes(Data, Data + Size));
  TZCLXMLDocument* doc = Create<TZCLXMLDocument>();
  TZCLXMLDocument* saved = Create<TZCLXMLDocument>();
  TZSELayout* root = Create<TZSELayout>(nullptr);
  TZSELayout* back = Create<TZSELayout>(nullptr);
  TZSESchema schema;
  try {
    doc->LoadFromStream(&input);
    if (!doc->HasLoadError() && doc->GetCount() > 0) {
      root->LoadFromXML(doc->GetNode(0), &schema);
      root->BoundsFromSizeLimits(TRect(0, 0, 300, 200));
      root->SetBounds(TRect(0, 0, 37, 5000));
      root->SaveToXML(saved->Add(u"layout"), &schema);
      back->LoadFromXML(saved->GetNode(0), &schema);
      if (CountItems(back) != CountItems(root)) __builtin_trap();
    }
  } catch (const Exception&) {
    // Bad property values and names raise; that is a valid outcome.
  }
  Free(back);
  Free(root);
  Free(saved);
  Free(doc);
  return 0;
}
