// libFuzzer target for the dock layout file: any bytes are read as an XML document (text or
// binary) and loaded into a dock site of four panels. The load either applies or skips what it
// cannot use, never crashes, and every panel survives it inside the site's tree, a floating
// window or on the site itself; a save afterwards works.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zcl/ui/ZCL.UI.Units.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Units.h"
#include "zcl/ui/docking/ZCL.UI.Controls.Docking.Engine.h"
#include "zcl/ui/docking/ZCL.UI.Controls.Docking.h"

namespace {

struct THost {
  TForm* Form;
  TZCLDockSite* Site;
  TZCLDockPanel* Panels[4];
  THost() {
    Form = TCustomForm::CreateNew<TForm>(nullptr);
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(0, 0, 800, 600);
    Site = Create<TZCLDockSite>(Form);
    Site->SetName(u"Site");
    Site->SetParent(Form);
    for (Integer i = 0; i < 4; ++i) {
      Panels[i] = Create<TZCLDockPanel>(Form);
      Panels[i]->SetName(u"P" + IntToStr(i + 1));
      Panels[i]->SetCaption(u"Panel " + IntToStr(i + 1));
      Site->InsertDockControl(Panels[i], -1, i == 0 ? alLeft : alClient);
    }
    Form->Show();
  }
};

// The panel sits in the site's tree or in a floating window's.
bool IsPlaced(TZCLDockPanel* Panel, TZCLDockSite* Site) {
  for (TControl* c = Panel->GetParent(); c; c = c->GetParent()) {
    if (c == Site) return true;
    if (auto* form = dynamic_cast<TZCLFloatDockForm*>(c)) return form->GetSite() == Site;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static THost* host = [] {
    InitializeUnits(RtlUnits());
    InitializeUnits(OsUnits());
    InstallHeadlessBackend(THeadlessConfig::Single(96));
    InitializeUnits(VclUnits());
    InitializeUnits(ZclBaseUnits());
    InitializeUnits(ZclGraphicsUnits());
    InitializeUnits(ZclUiUnits());
    InitializeUnits(ZclControlsUnits());
    return new THost();
  }();
  TZCLXMLDocument* doc = new TZCLXMLDocument();
  try {
    TCustomMemoryStream stream(Data, NativeInt(Size));
    doc->LoadFromStream(&stream);
  } catch (const Exception&) {
    // A broken binary document: whatever was read is still loaded below.
  }
  host->Site->LoadFromXML(doc);
  Free(doc);
  Headless::RunUntilIdle();
  for (TZCLDockPanel* p : host->Panels)
    if (!IsPlaced(p, host->Site)) std::abort();
  TZCLXMLDocument* saved = new TZCLXMLDocument();
  host->Site->SaveToXML(saved);
  if (!saved->FindNode(u"docking") || saved->FindNode(u"docking")->FindNode(u"sideBar")->GetCount() != 4) std::abort();
  Free(saved);
  return 0;
}
