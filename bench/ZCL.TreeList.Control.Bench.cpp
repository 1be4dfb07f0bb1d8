// The tree list control at 100,000 rows of three columns, side by side with Qt 6's QTreeView over
// a QStandardItemModel behind a QSortFilterProxyModel (offscreen platform; that half is built only
// when Qt 6 is installed): populating, sorting by a column of natural ("smart") order, filtering
// with the search text typed key by key, and scrolling from top to bottom by wheel notches.
// Neither side paints while it works; both lay out their rows.
#include <benchmark/benchmark.h>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Units.h"
#include "support/BenchRatio.h"
#include "support/ZclControlsBench.h"
#include "support/TreeListBenchData.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zcl/ui/ZCL.UI.Units.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Units.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.h"

#ifdef ZEPHSE_HAVE_QT6
void StartQtPeer(int& argc, char** argv);
void StopQtPeer();
#endif

namespace {

using namespace treelistbench;

struct TList {
  TZCLTreeList* List = Create<TZCLTreeList>(static_cast<TComponent*>(nullptr));
  TList() {
    List->SetBounds(0, 0, ViewWidth, ViewHeight);
    for (const char16_t* caption : {u"Name", u"Title", u"Size"}) List->GetColumns()->Add(caption);
    TZCLTreeListOptionsBehavior* behavior = List->GetOptionsBehavior();
    behavior->SetIncSearchColumnIndex(0);
    behavior->SetIncSearchMode(ismFilter);
  }
  ~TList() { Free(List); }
  TZCLTreeListSubClass* Tree() const { return List->GetSubClass(); }
  void Populate() {
    Tree()->BeginUpdate();
    TZCLTreeListNode* root = List->GetRootNode();
    for (int i = 0; i < RowCount; ++i) root->AddChild({Cell(i, 0), Cell(i, 1), Cell(i, 2)});
    Tree()->EndUpdate();
  }
};

TList& Filled() {
  static TList list;
  static bool filled = (list.Populate(), true);
  (void)filled;
  return list;
}

void BM_Populate_Zcl(benchmark::State& State) {
  for (auto _ : State) {
    State.PauseTiming();
    auto* list = new TList();
    State.ResumeTiming();
    list->Populate();
    benchmark::DoNotOptimize(list->List->GetAbsoluteVisibleNodes()->GetCount());
    State.PauseTiming();
    delete list;
    State.ResumeTiming();
  }
}
BENCHMARK(BM_Populate_Zcl)->Unit(benchmark::kMillisecond);

void BM_SortSmart_Zcl(benchmark::State& State) {
  TList& list = Filled();
  TZCLTreeListColumn* column = (*list.List->GetColumns())[SortColumn];
  bool ascending = false;
  for (auto _ : State) {
    ascending = !ascending;
    list.Tree()->SortBy(column, ascending ? sdAscending : sdDescending, true);
  }
  list.Tree()->SortBy(column, sdDefault, true);
}
// The sort spreads its comparisons over the task pool: the CPU time of every thread counts.
BENCHMARK(BM_SortSmart_Zcl)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// The search text grows one typed key at a time; the rows are filtered again after each key.
void BM_FilterTyped_Zcl(benchmark::State& State) {
  TList& list = Filled();
  TZCLTreeListSubClass* tree = list.Tree();
  TZCLIncrementalSearch* search = tree->GetIncSearch();
  for (auto _ : State) {
    for (const char16_t* key = FilterKeys; *key; ++key) {
      const Integer typed = search->GetTextLength();
      Char c = *key;
      tree->KeyPress(c);
      // Where the keys do not reach the search yet, the key goes to it as the tree list would
      // hand it over: the search takes the character and the rows are filtered again.
      if (search->GetTextLength() == typed) {
        search->ProcessChar(*key);
        tree->Changed(ChangeStruct);
      }
    }
    State.counters["rows"] = list.List->GetAbsoluteVisibleNodes()->GetCount();
    State.PauseTiming();
    search->Cancel();
    tree->Changed(ChangeStruct);
    State.ResumeTiming();
  }
}
BENCHMARK(BM_FilterTyped_Zcl)->Unit(benchmark::kMillisecond);

void BM_WheelToBottom_Zcl(benchmark::State& State) {
  TList& list = Filled();
  TZCLTreeListSubClass* tree = list.Tree();
  Integer notches = 0;
  for (auto _ : State) {
    State.PauseTiming();
    list.List->SetViewportY(0);
    State.ResumeTiming();
    notches = 0;
    for (Integer last = -1; list.List->GetViewportY() != last; ++notches) {
      last = list.List->GetViewportY();
      tree->MouseWheel(mwdDown, TShiftState());
    }
  }
  State.counters["notches"] = notches;
}
BENCHMARK(BM_WheelToBottom_Zcl)->Unit(benchmark::kMillisecond);

ZEPHSE_BENCH_RATIO("BM_Populate_Zcl", "BM_Populate_Qt6", 1.0);
ZEPHSE_BENCH_RATIO("BM_SortSmart_Zcl/process_time/real_time", "BM_SortSmart_Qt6/process_time/real_time", 1.0);
ZEPHSE_BENCH_RATIO("BM_FilterTyped_Zcl", "BM_FilterTyped_Qt6", 1.0);
ZEPHSE_BENCH_RATIO("BM_WheelToBottom_Zcl", "BM_WheelToBottom_Qt6", 1.0);

}  // namespace

int main(int argc, char** argv) {
  THeadlessConfig config;
  config.ManualClock = false;
  InitializeControlsUnits(config);
  // Three rows a notch, as Qt's default wheel setting.
  TZCLMouseWheel::LinesDefault = 3;
#ifdef ZEPHSE_HAVE_QT6
  StartQtPeer(argc, argv);
#endif
  const int result = RunBenchmarksWithRatios(argc, argv);
#ifdef ZEPHSE_HAVE_QT6
  StopQtPeer();
#endif
  FinalizeUnits();
  return result;
}
