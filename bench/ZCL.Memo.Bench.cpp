// The memo with a text of about one megabyte (16,384 lines of 63 characters): setting the text and
// scrolling to its end with the vertical bar, the end painted; side by side with Qt 6's
// QPlainTextEdit on its offscreen platform (that half is built only when Qt 6 is installed), also
// without line wrapping and with both bars.
#include <benchmark/benchmark.h>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Units.h"
#include "support/BenchRatio.h"
#include "support/ZclControlsBench.h"
#include "support/MemoBenchData.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zcl/ui/ZCL.UI.Units.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Units.h"
#include "zcl/ui/controls/ZCL.UI.Memo.h"

#ifdef ZEPHSE_HAVE_QT6
void StartQtPeer();
void StopQtPeer();
#endif

namespace {

void BM_MemoSetTextScrollToEnd(benchmark::State& State) {
  const std::u16string& text = memobench::Text();
  TForm* form = TCustomForm::CreateNew<TForm>(nullptr);
  form->SetBorderStyle(bsNone);
  form->SetBounds(0, 0, memobench::ViewWidth, memobench::ViewHeight);
  auto* memo = Create<TZCLMemo>(form);
  memo->SetParent(form);
  memo->SetAlign(alClient);
  memo->SetScrollBars(ssBoth);
  form->Show();
  Headless::RunUntilIdle();
  for (auto _ : State) {
    memo->SetText(String(text));
    memo->GetVertScrollBar()->GetSubClass()->Scroll(scBottom);
    form->Update();
    benchmark::DoNotOptimize(memo->GetInnerMemo()->GetTopLine());
  }
  State.counters["top line"] = memo->GetInnerMemo()->GetTopLine();
  Free(form);
}
BENCHMARK(BM_MemoSetTextScrollToEnd)->Unit(benchmark::kMillisecond);

#ifdef ZEPHSE_HAVE_QT6
ZEPHSE_BENCH_RATIO("BM_MemoSetTextScrollToEnd", "BM_MemoSetTextScrollToEnd_Qt6", 1.0);
#endif

}  // namespace

int main(int argc, char** argv) {
  THeadlessConfig config;
  config.ManualClock = false;
  InitializeControlsUnits(config);
#ifdef ZEPHSE_HAVE_QT6
  StartQtPeer();
#endif
  const int result = RunBenchmarksWithRatios(argc, argv);
#ifdef ZEPHSE_HAVE_QT6
  StopQtPeer();
#endif
  FinalizeUnits();
  return result;
}
