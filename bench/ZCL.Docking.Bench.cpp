// A dock site of 20 panels in nested groups (Horizontal site, Vertical columns, one Tabbed
// group): a relayout pass over 50 resizes of the host window, and saving and loading its layout.
// No peer library is named: the baselines are the platform's own alignment of the same 20
// controls as nested plain aligned panels over the same resizes, and the XML document alone
// writing and parsing the same layout text.
#include <benchmark/benchmark.h>

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
#include "zcl/ui/docking/ZCL.UI.Controls.Docking.h"
#include "support/ZclControlsBench.h"

namespace {

constexpr Integer PanelCount = 20;
constexpr Integer Resizes = 50;

TForm* NewForm() {
  TForm* form = TCustomForm::CreateNew<TForm>(nullptr);
  form->SetBorderStyle(bsNone);
  form->SetBounds(0, 0, 1200, 800);
  return form;
}

// Four Vertical columns of four panels, and a Tabbed group of four in the middle.
struct TDockHost {
  TForm* Form = NewForm();
  TZCLDockSite* Site = Create<TZCLDockSite>(Form);
  TDockHost() {
    Site->SetName(u"Site");
    Site->SetParent(Form);
    Integer n = 0;
    for (Integer c = 0; c < 5; ++c) {
      auto* group = Create<TZCLDockGroup>(Form);
      group->SetLayout(c == 2 ? Tabbed : Vertical);
      group->SetCustomWidthValue(200);
      Site->InsertDockControl(group, -1, c < 2 ? alLeft : c == 2 ? alClient : alRight);
      for (Integer i = 0; i < 4; ++i, ++n) {
        auto* p = Create<TZCLDockPanel>(Form);
        p->SetName(u"P" + IntToStr(n));
        p->SetCaption(u"Panel " + IntToStr(n));
        p->SetCustomHeightValue(100 + 10 * i);
        group->InsertDockControl(p, -1, c == 2 ? alClient : i == 0 ? alTop : i == 3 ? alBottom : alClient);
      }
    }
    Form->Show();
    Headless::RunUntilIdle();
  }
  ~TDockHost() { Free(Form); }
};

// The same tree of plain aligned controls.
struct TPlainHost {
  TForm* Form = NewForm();
  TPlainHost() {
    for (Integer c = 0; c < 5; ++c) {
      auto* column = Create<TZCLCustomControl>(Form);
      column->SetParent(Form);
      column->SetWidth(200);
      column->SetAlign(c < 2 ? alLeft : c == 2 ? alClient : alRight);
      for (Integer i = 0; i < 4; ++i) {
        auto* p = Create<TZCLCustomControl>(Form);
        p->SetParent(column);
        p->SetHeight(100 + 10 * i);
        p->SetAlign(i == 0 ? alTop : i == 3 ? alBottom : alClient);
      }
    }
    Form->Show();
    Headless::RunUntilIdle();
  }
  ~TPlainHost() { Free(Form); }
};

void ResizeLoop(TForm* Form) {
  for (Integer i = 0; i < Resizes; ++i) Form->SetBounds(0, 0, 900 + 7 * i, 600 + 5 * i);
}

void BM_DockSiteRelayout50Resizes(benchmark::State& State) {
  TDockHost host;
  for (auto _ : State) ResizeLoop(host.Form);
}
BENCHMARK(BM_DockSiteRelayout50Resizes)->Unit(benchmark::kMillisecond);

void BM_Baseline_PlainAlignment50Resizes(benchmark::State& State) {
  TPlainHost host;
  for (auto _ : State) ResizeLoop(host.Form);
}
BENCHMARK(BM_Baseline_PlainAlignment50Resizes)->Unit(benchmark::kMillisecond);

void BM_DockLayoutSaveAndLoad(benchmark::State& State) {
  TDockHost host;
  for (auto _ : State) {
    TZCLXMLDocument doc;
    host.Site->SaveToXML(&doc);
    TMemoryStream stream;
    doc.SaveToStreamDefault(&stream);
    stream.SetPosition(0);
    TZCLXMLDocument loaded;
    loaded.LoadFromStreamDefault(&stream);
    host.Site->LoadFromXML(&loaded);
    Headless::RunUntilIdle();
  }
}
BENCHMARK(BM_DockLayoutSaveAndLoad)->Unit(benchmark::kMicrosecond);

void BM_Baseline_XmlWriteAndParseSameText(benchmark::State& State) {
  TDockHost host;
  TZCLXMLDocument source;
  host.Site->SaveToXML(&source);
  for (auto _ : State) {
    TZCLXMLDocument copy;
    copy.Assign(&source);
    TMemoryStream stream;
    copy.SaveToStreamDefault(&stream);
    stream.SetPosition(0);
    TZCLXMLDocument loaded;
    loaded.LoadFromStreamDefault(&stream);
    benchmark::DoNotOptimize(loaded.GetCount());
  }
}
BENCHMARK(BM_Baseline_XmlWriteAndParseSameText)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  InitializeControlsUnits(THeadlessConfig::Single(96));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  FinalizeUnits();
  return 0;
}
