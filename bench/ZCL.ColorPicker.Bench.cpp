// The colour picker at 192 DPI: rebuilding the gamut's cached picture (one vertical gradient per
// pixel column through the shared render) and dragging across the gamut (each move sets the
// colour, updates the other cells and repaints the control at once), side by side with a plain
// loop that computes every pixel of a gamut of the same size from HSL. The font dialog's family
// list drawing one screen of rows, each in its own face, beside a plain loop drawing the same
// names in their faces onto a bitmap.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "os/OS.Text.h"
#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Units.h"
#include "support/BenchRatio.h"
#include "support/ZclControlsBench.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zcl/ui/ZCL.UI.Units.h"
#include "zcl/ui/controls/ZCL.UI.ColorPicker.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Units.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.FontPicker.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.h"

namespace {

struct TFixture {
  TForm* Form;
  TZCLColorPicker* Picker;
  TZCLColorPickerGamutCell* Gamut;
  TFixture() : Form(TCustomForm::CreateNew<TForm>(nullptr)) {
    Form->SetBounds(50, 50, 1200, 900);
    Picker = Create<TZCLColorPicker>(Form);
    Picker->SetParent(Form);
    Form->Show();
    Headless::RunUntilIdle();
    Gamut = Picker->GetPickerSubClass()->GetPickerViewInfo()->GetGamut();
  }
  ~TFixture() { Free(Form); }
};

void BM_PickerGamutRebuild(benchmark::State& State) {
  TFixture f;
  const TRect c = f.Gamut->GetContentRect();
  TZCLBitmap target(f.Picker->GetWidth(), f.Picker->GetHeight());
  for (auto _ : State) {
    f.Gamut->FreeCache();
    f.Gamut->DrawContent(target.GetCanvas());
  }
  State.SetItemsProcessed(State.iterations() * c.Width() * c.Height());
  State.counters["side"] = c.Width();
}
BENCHMARK(BM_PickerGamutRebuild)->Unit(benchmark::kMillisecond);

// A plain baseline: the same picture computed pixel by pixel, no drawing library.
void BM_PlainGamutPixels(benchmark::State& State) {
  TFixture f;
  const TRect c = f.Gamut->GetContentRect();
  const Integer w = c.Width(), h = c.Height();
  std::vector<uint32_t> pixels(size_t(w) * h);
  for (auto _ : State) {
    for (Integer y = 0; y < h; ++y)
      for (Integer x = 0; x < w; ++x) {
        Byte r = 0, g = 0, b = 0;
        TZCLColors::HSLToRGB(Single(x) / Single(w), 1 - Single(y) / Single(h), 0.5f, r, g, b);
        pixels[size_t(y) * w + x] = 0xFF000000u | (uint32_t(r) << 16) | (uint32_t(g) << 8) | b;
      }
    benchmark::DoNotOptimize(pixels.data());
  }
  State.SetItemsProcessed(State.iterations() * w * h);
}
BENCHMARK(BM_PlainGamutPixels)->Unit(benchmark::kMillisecond);

// One move of a drag across the gamut, repaint included: the dragged gamut keeps its cache.
void BM_PickerGamutDragMove(benchmark::State& State) {
  TFixture f;
  const TRect c = f.Gamut->GetContentRect();
  f.Picker->GetPickerSubClass()->SetPressedObject(f.Gamut);
  Integer x = 0;
  for (auto _ : State) {
    f.Gamut->ApplyPoint(c.Left + x, c.Top + (x * 7) % c.Height());
    Headless::RunUntilIdle();
    x = (x + 3) % c.Width();
  }
  f.Picker->GetPickerSubClass()->SetPressedObject(nullptr);
}
BENCHMARK(BM_PickerGamutDragMove)->Unit(benchmark::kMillisecond);

ZEPHSE_BENCH_RATIO("BM_PickerGamutRebuild", "BM_PlainGamutPixels", 0.0);

struct TFontListFixture {
  TZCLFontPickerDialog* Dialog;
  TZCLTreeList* List;
  TFont* Font;
  TFontListFixture()
      : Dialog(TZCLCustomForm::CreateDialog<TZCLFontPickerDialog>(nullptr)), Font(Create<TFont>()) {
    Dialog->Prepare(Font, nullptr);
    Dialog->Show();
    Headless::RunUntilIdle();
    List = Dialog->GetFontList();
  }
  ~TFontListFixture() {
    Free(Dialog);
    Free(Font);
  }
};

void BM_FontListPaint(benchmark::State& State) {
  TFontListFixture f;
  TZCLBitmap target(f.List->GetWidth(), f.List->GetHeight());
  for (auto _ : State) f.List->GetSubClass()->Draw(target.GetCanvas());
  State.counters["rows"] = f.List->GetSubClass()->GetContent()->GetCells()->GetCount();
}
BENCHMARK(BM_FontListPaint)->Unit(benchmark::kMillisecond);

void BM_PlainFontRows(benchmark::State& State) {
  TFontListFixture f;
  // The same names the list shows, one row height apart.
  std::vector<String> names;
  TZCLCompoundControlContentCellList* cells = f.List->GetSubClass()->GetContent()->GetCells();
  const Integer rowHeight = cells->GetCount() > 0 ? (*cells)[0]->Height : 20;
  TZCLTreeListNode* root = f.List->GetRootNode();
  for (Integer i = 0; i < std::min(cells->GetCount(), root->GetChildrenCount()); ++i)
    names.push_back(root->GetChild(i)->GetValue(0));
  TZCLBitmap target(f.List->GetWidth(), f.List->GetHeight());
  TCanvas* canvas = target.GetCanvas();
  canvas->GetFont()->Assign(f.List->GetFont());
  canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
  for (auto _ : State) {
    canvas->FillRect(TRect(0, 0, f.List->GetWidth(), f.List->GetHeight()));
    Integer top = 0;
    for (const String& name : names) {
      canvas->GetFont()->SetName(name);
      TRect r(0, top, f.List->GetWidth(), top + rowHeight);
      CanvasDrawText(canvas, r, name, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
      top += rowHeight;
    }
  }
  State.counters["rows"] = Integer(names.size());
}
BENCHMARK(BM_PlainFontRows)->Unit(benchmark::kMillisecond);

ZEPHSE_BENCH_RATIO("BM_FontListPaint", "BM_PlainFontRows", 0.0);

}  // namespace

int main(int argc, char** argv) {
  THeadlessConfig config = THeadlessConfig::Single(192);
  config.ManualClock = false;
  InitializeControlsUnits(config);
  benchmark::Initialize(&argc, argv);
  RunSpecifiedBenchmarksWithRatios();
  benchmark::Shutdown();
  FinalizeUnits();
  return 0;
}
