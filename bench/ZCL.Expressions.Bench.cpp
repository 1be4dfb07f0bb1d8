// Typical binding expressions compiled once and evaluated 1,000,000 times, beside muparser
// doing the same with its variables bound to the same doubles.
#include <benchmark/benchmark.h>
#include <muParser.h>

#include "rtl/RTL.Units.h"
#include "support/BenchRatio.h"
#include "zcl/base/ZCL.Expressions.Math.h"

namespace {
struct TValues {
  double X = 0, Y = 0, Z = 1;
};

// The arithmetic dialect with the variables x, y and z read from the context, as a binding
// dialect adds them: typed reads beside the procedures, or (TDelegateFactory) the procedures
// alone.
template <bool Typed>
class TVariableFactory : public TZCLMathExpressionFactory {
 public:
  void AfterConstruction() override {
    TZCLMathExpressionFactory::AfterConstruction();
    if constexpr (Typed) {
      RegisterFunctionWithoutArgs(u"x", VarX, Read<&TValues::X>);
      RegisterFunctionWithoutArgs(u"y", VarY, Read<&TValues::Y>);
      RegisterFunctionWithoutArgs(u"z", VarZ, Read<&TValues::Z>);
    } else {
      RegisterFunctionWithoutArgs(u"x", VarX);
      RegisterFunctionWithoutArgs(u"y", VarY);
      RegisterFunctionWithoutArgs(u"z", VarZ);
    }
    RegisterFunctionWithoutArgs(u"t", VarT);
  }
  static void VarX(Variant& R, TZCLExpressionContext C, TZCLExpressionElements*) { R = static_cast<TValues*>(C)->X; }
  static void VarY(Variant& R, TZCLExpressionContext C, TZCLExpressionElements*) { R = static_cast<TValues*>(C)->Y; }
  static void VarZ(Variant& R, TZCLExpressionContext C, TZCLExpressionElements*) { R = static_cast<TValues*>(C)->Z; }
  static void VarT(Variant& R, TZCLExpressionContext, TZCLExpressionElements*) { R = u"label"; }
  template <double TValues::*Field>
  static bool Read(TZCLExpressionScalar& Value, TZCLExpressionContext C) {
    Value.Type = varDouble;
    Value.D = static_cast<TValues*>(C)->*Field;
    return true;
  }
};
using TBindingFactory = TVariableFactory<true>;
using TDelegateFactory = TVariableFactory<false>;

// The same expressions in both dialects (muparser writes "&&" and "sin").
struct TExpressionPair {
  const char16_t* Ours;
  const char* Muparser;
};
constexpr TExpressionPair KExpressions[] = {
    {u"(x * 2 + y) / 3 > 10 and z", "(x * 2 + y) / 3 > 10 && z"},
    {u"x * 2 + Sin(y) / 3", "x * 2 + sin(y) / 3"},
};
const String KExpression = KExpressions[0].Ours;
const char* const KMuExpression = KExpressions[0].Muparser;
constexpr int KEvaluations = 1000000;

void Initialize() {
  static const bool done = (InitializeUnits(RtlUnits()), true);
  (void)done;
}

template <class TFactory>
void EvaluateWith(benchmark::State& State) {
  Initialize();
  TFactory* factory = Create<TFactory>();
  TZCLExpression* expression = factory->Compile(KExpressions[State.range(0)].Ours, true);
  TValues values;
  Variant result;
  double sum = 0;
  for (auto _ : State) {
    values.X = static_cast<double>(State.iterations() % 32);
    values.Y = values.X / 2;
    expression->Evaluate(result, &values);
    sum += result.AsDouble();
  }
  benchmark::DoNotOptimize(sum);
  Free(expression);
  Free(factory);
}

void BM_ZephseEvaluate(benchmark::State& State) { EvaluateWith<TBindingFactory>(State); }
BENCHMARK(BM_ZephseEvaluate)->Arg(0)->Arg(1)->Iterations(KEvaluations);

// The variables read through their procedures only.
void BM_ZephseEvaluateDelegates(benchmark::State& State) { EvaluateWith<TDelegateFactory>(State); }
BENCHMARK(BM_ZephseEvaluateDelegates)->Arg(0)->Arg(1)->Iterations(KEvaluations);

// Integers and text, which take the general Variant rules rather than the real-number paths.
void BM_ZephseEvaluateMixed(benchmark::State& State) {
  Initialize();
  TBindingFactory* factory = Create<TBindingFactory>();
  TZCLExpression* expression = factory->Compile(u"Round(x) div 3 mod 4 = 1 or t = 'label'", true);
  TValues values;
  Variant result;
  Integer hits = 0;
  for (auto _ : State) {
    values.X = static_cast<double>(State.iterations() % 32);
    expression->Evaluate(result, &values);
    hits += result.AsInteger() != 0;
  }
  benchmark::DoNotOptimize(hits);
  Free(expression);
  Free(factory);
}
BENCHMARK(BM_ZephseEvaluateMixed)->Iterations(KEvaluations);

void BM_MuparserEvaluate(benchmark::State& State) {
  TValues values;
  mu::Parser parser;
  parser.DefineVar("x", &values.X);
  parser.DefineVar("y", &values.Y);
  parser.DefineVar("z", &values.Z);
  parser.SetExpr(KExpressions[State.range(0)].Muparser);
  double sum = 0;
  for (auto _ : State) {
    values.X = static_cast<double>(State.iterations() % 32);
    values.Y = values.X / 2;
    sum += parser.Eval();
  }
  benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_MuparserEvaluate)->Arg(0)->Arg(1)->Iterations(KEvaluations);
// Goal: within 1.5 times muparser's time.
ZEPHSE_BENCH_RATIO("BM_ZephseEvaluate/0/iterations:1000000", "BM_MuparserEvaluate/0/iterations:1000000", 1 / 1.5);
ZEPHSE_BENCH_RATIO("BM_ZephseEvaluate/1/iterations:1000000", "BM_MuparserEvaluate/1/iterations:1000000", 1 / 1.5);

void BM_ZephseCompile(benchmark::State& State) {
  Initialize();
  TBindingFactory* factory = Create<TBindingFactory>();
  for (auto _ : State) Free(factory->Compile(KExpression, true));
  Free(factory);
}
BENCHMARK(BM_ZephseCompile);

void BM_MuparserCompile(benchmark::State& State) {
  TValues values;
  for (auto _ : State) {
    mu::Parser parser;
    parser.DefineVar("x", &values.X);
    parser.DefineVar("y", &values.Y);
    parser.DefineVar("z", &values.Z);
    parser.SetExpr(KMuExpression);
    benchmark::DoNotOptimize(parser.Eval());  // muparser compiles on its first evaluation
  }
}
BENCHMARK(BM_MuparserCompile);
ZEPHSE_BENCH_RATIO("BM_ZephseCompile", "BM_MuparserCompile", 0);
}  // namespace

int main(int argc, char** argv) { return RunBenchmarksWithRatios(argc, argv); }
