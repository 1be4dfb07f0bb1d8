// Writing and reading a component tree of many siblings: the time should grow with the count
// (name look-ups, insertion and notification must not be linear per component).
#include <benchmark/benchmark.h>

#include <string>

#include "rtl/RTL.Classes.h"
#include "rtl/RTL.Streaming.Text.h"
#include "rtl/RTL.Streaming.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.TypInfo.h"
#include "rtl/RTL.Units.h"
#include "support/BenchRatio.h"

namespace {

class TBenchNode : public TComponent {
  ZCL_CLASS(TBenchNode, TComponent)
 public:
  using TComponent::TComponent;
  static void DeclareProperties(TClassDeclaration<TBenchNode>& D) {
    D.Property(u"Caption", &TBenchNode::FCaption, &TBenchNode::FCaption);
    D.Property(u"Left", &TBenchNode::FLeft, &TBenchNode::FLeft).Default(0);
    D.Property(u"Top", &TBenchNode::FTop, &TBenchNode::FTop).Default(0);
    D.Property(u"Visible", &TBenchNode::FVisible, &TBenchNode::FVisible).Default(true);
    D.Property(u"Link", &TBenchNode::FLink, &TBenchNode::FLink);
  }
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override {
    if (Root == this)
      for (Integer i = 0; i < GetComponentCount(); ++i) Proc(GetComponent(i));
  }
  String FCaption;
  Integer FLeft = 0;
  Integer FTop = 0;
  bool FVisible = true;
  TComponent* FLink = nullptr;
};

// A root with Count components, each with a caption, a position and a reference.
TBenchNode* MakeTree(Integer Count) {
  auto* root = Create<TBenchNode>(nullptr);
  root->SetName(u"Root");
  TBenchNode* previous = root;
  for (Integer i = 0; i < Count; ++i) {
    auto* node = Create<TBenchNode>(root);
    node->SetName(u"Node" + UTF8ToString(std::to_string(i)));
    node->FCaption = u"Caption of a node";
    node->FLeft = i;
    node->FTop = i * 3;
    node->FVisible = (i % 7) != 0;
    node->FLink = previous;
    previous = node;
  }
  return root;
}

void BM_BinaryRoundTrip(benchmark::State& State) {
  TBenchNode* root = MakeTree(static_cast<Integer>(State.range(0)));
  for (auto _ : State) {
    TMemoryStream stream;
    WriteComponent(&stream, root);
    stream.SetPosition(0);
    TComponent* copy = ReadComponent(&stream, nullptr);
    benchmark::DoNotOptimize(copy);
    Free(copy);
  }
  Free(root);
}
// Several rounds each: the first round of a large tree mostly measures the heap's first growth.
BENCHMARK(BM_BinaryRoundTrip)->Arg(10000)->Arg(100000)->MinTime(2)->Unit(benchmark::kMillisecond);
ZEPHSE_BENCH_GROWTH("BM_BinaryRoundTrip/100000/min_time:2.000", "BM_BinaryRoundTrip/10000/min_time:2.000", 12.0);

// Building and freeing the tree alone: creation, naming and ownership.
void BM_BuildTree(benchmark::State& State) {
  for (auto _ : State) Free(MakeTree(static_cast<Integer>(State.range(0))));
}
BENCHMARK(BM_BuildTree)->Arg(10000)->Arg(100000)->MinTime(2)->Unit(benchmark::kMillisecond);
ZEPHSE_BENCH_GROWTH("BM_BuildTree/100000/min_time:2.000", "BM_BuildTree/10000/min_time:2.000", 12.0);

void BM_TextRoundTrip(benchmark::State& State) {
  TBenchNode* root = MakeTree(static_cast<Integer>(State.range(0)));
  for (auto _ : State) {
    TMemoryStream binary, text, back;
    WriteComponent(&binary, root);
    binary.SetPosition(0);
    ObjectBinaryToText(&binary, &text);
    text.SetPosition(0);
    ObjectTextToBinary(&text, &back);
    back.SetPosition(0);
    TComponent* copy = ReadComponent(&back, nullptr);
    benchmark::DoNotOptimize(copy);
    Free(copy);
  }
  Free(root);
}
BENCHMARK(BM_TextRoundTrip)->Arg(10000)->Arg(100000)->MinTime(2)->Unit(benchmark::kMillisecond);
ZEPHSE_BENCH_GROWTH("BM_TextRoundTrip/100000/min_time:2.000", "BM_TextRoundTrip/10000/min_time:2.000", 12.0);

}  // namespace

int main(int argc, char** argv) {
  InitializeUnits(RtlUnits());
  RegisterProperties<TBenchNode>();
  RegisterClass(TBenchNode::StaticClass());
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RunSpecifiedBenchmarksWithRatios();
  benchmark::Shutdown();
  FinalizeUnits();
  return 0;
}
