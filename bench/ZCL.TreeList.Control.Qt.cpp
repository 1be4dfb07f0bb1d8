// The Qt 6 half of the tree list benchmark: a QTreeView over a QStandardItemModel behind a
// QSortFilterProxyModel on the offscreen platform, doing what the tree list does in the other
// half. Kept apart from the library's headers; linked in only when Qt 6 is installed.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCollator>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTreeView>
#include <QWheelEvent>
#include <memory>

#include "support/TreeListBenchData.h"

namespace {

using namespace treelistbench;

QString ToQString(const std::u16string& Text) { return QString::fromUtf16(Text.data(), qsizetype(Text.size())); }

// Natural order, as the tree list's smart comparison: "a2" before "a10".
class TNaturalProxy : public QSortFilterProxyModel {
 public:
  TNaturalProxy() {
    FCollator.setNumericMode(true);
    FCollator.setCaseSensitivity(Qt::CaseInsensitive);
    setFilterCaseSensitivity(Qt::CaseInsensitive);
    setFilterKeyColumn(0);
  }

 protected:
  bool lessThan(const QModelIndex& Left, const QModelIndex& Right) const override {
    return FCollator.compare(Left.data().toString(), Right.data().toString()) < 0;
  }

 private:
  QCollator FCollator;
};

struct TView {
  QStandardItemModel Model;
  TNaturalProxy Proxy;
  QTreeView View;
  TView() {
    Model.setColumnCount(3);
    Model.setHorizontalHeaderLabels({"Name", "Title", "Size"});
    Proxy.setSourceModel(&Model);
    View.setModel(&Proxy);
    View.setRootIsDecorated(false);
    View.setUniformRowHeights(true);
    View.resize(ViewWidth, ViewHeight);
    View.show();
    QApplication::processEvents();
  }
  void Populate() {
    Model.setRowCount(0);
    for (int i = 0; i < RowCount; ++i) {
      QList<QStandardItem*> row;
      for (int c = 0; c < 3; ++c) row.append(new QStandardItem(ToQString(Cell(i, c))));
      Model.appendRow(row);
    }
    View.doItemsLayout();
  }
};

std::unique_ptr<QApplication> GApplication;
int GArgc = 1;
char GName[] = "zcl_treelist_control_bench";
char* GArgv[] = {GName, nullptr};

TView& Filled() {
  static TView* view = [] {
    auto* v = new TView();
    v->Populate();
    return v;
  }();
  return *view;
}

void BM_Populate_Qt6(benchmark::State& State) {
  for (auto _ : State) {
    State.PauseTiming();
    auto* view = new TView();
    State.ResumeTiming();
    view->Populate();
    benchmark::DoNotOptimize(view->Proxy.rowCount());
    State.PauseTiming();
    delete view;
    State.ResumeTiming();
  }
}
BENCHMARK(BM_Populate_Qt6)->Unit(benchmark::kMillisecond);

void BM_SortSmart_Qt6(benchmark::State& State) {
  TView& view = Filled();
  bool ascending = false;
  for (auto _ : State) {
    ascending = !ascending;
    view.Proxy.sort(SortColumn, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    view.View.doItemsLayout();
  }
  view.Proxy.sort(-1);
}
BENCHMARK(BM_SortSmart_Qt6)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void BM_FilterTyped_Qt6(benchmark::State& State) {
  TView& view = Filled();
  for (auto _ : State) {
    QString text;
    for (const char16_t* key = FilterKeys; *key; ++key) {
      text += QChar(*key);
      view.Proxy.setFilterFixedString(text);
      view.View.doItemsLayout();
    }
    State.counters["rows"] = view.Proxy.rowCount();
    State.PauseTiming();
    view.Proxy.setFilterFixedString(QString());
    view.View.doItemsLayout();
    State.ResumeTiming();
  }
}
BENCHMARK(BM_FilterTyped_Qt6)->Unit(benchmark::kMillisecond);

void BM_WheelToBottom_Qt6(benchmark::State& State) {
  TView& view = Filled();
  QScrollBar* bar = view.View.verticalScrollBar();
  QWidget* viewport = view.View.viewport();
  const QPointF at(ViewWidth / 2.0, ViewHeight / 2.0);
  int notches = 0;
  for (auto _ : State) {
    State.PauseTiming();
    bar->setValue(0);
    State.ResumeTiming();
    notches = 0;
    for (int last = -1; bar->value() != last; ++notches) {
      last = bar->value();
      QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                        Qt::NoScrollPhase, false);
      QApplication::sendEvent(viewport, &wheel);
    }
  }
  State.counters["notches"] = notches;
}
BENCHMARK(BM_WheelToBottom_Qt6)->Unit(benchmark::kMillisecond);

}  // namespace

void StartQtPeer(int&, char**) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  GApplication = std::make_unique<QApplication>(GArgc, GArgv);
}

void StopQtPeer() { GApplication.reset(); }
