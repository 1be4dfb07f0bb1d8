// The Qt 6 half of the memo benchmark: a QPlainTextEdit without line wrapping on the offscreen
// platform, given the same text and scrolled to its end with its vertical bar, the end painted.
// Kept apart from the library's headers; linked in only when Qt 6 is installed.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <memory>

#include "support/MemoBenchData.h"

namespace {

std::unique_ptr<QApplication> GApplication;
int GArgc = 1;
char GName[] = "zcl_memo_bench";
char* GArgv[] = {GName, nullptr};

void BM_MemoSetTextScrollToEnd_Qt6(benchmark::State& State) {
  const std::u16string& source = memobench::Text();
  const QString text = QString::fromUtf16(source.data(), qsizetype(source.size()));
  QPlainTextEdit edit;
  edit.setLineWrapMode(QPlainTextEdit::NoWrap);
  edit.setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  edit.setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  edit.resize(memobench::ViewWidth, memobench::ViewHeight);
  edit.show();
  QApplication::processEvents();
  for (auto _ : State) {
    edit.setPlainText(text);
    QScrollBar* bar = edit.verticalScrollBar();
    bar->setValue(bar->maximum());
    edit.viewport()->repaint();
    benchmark::DoNotOptimize(bar->value());
  }
  State.counters["top line"] = edit.verticalScrollBar()->value();
}
BENCHMARK(BM_MemoSetTextScrollToEnd_Qt6)->Unit(benchmark::kMillisecond);

}  // namespace

void StartQtPeer() {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  GApplication = std::make_unique<QApplication>(GArgc, GArgv);
}

void StopQtPeer() { GApplication.reset(); }
