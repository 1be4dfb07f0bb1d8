// The 4096-point spectrum transform against a plain direct transform of the same sign (the
// arithmetic it replaces) and, when installed, the single-precision in-place transform of the
// reference FFT library planned for this size.
#include <benchmark/benchmark.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#ifdef ZEPHSE_HAVE_FFTW
#include <fftw3.h>
#endif

#include "rtl/RTL.Units.h"
#include "support/BenchRatio.h"
#include "zse/engine/ZSE.Visualizer.h"

namespace {

constexpr int N = 4096;

float Sample(int I) { return std::sin(I * 0.05f) + 0.5f * std::sin(I * 0.31f); }

void BM_Fft4096_Zse(benchmark::State& State) {
  TFastFourierTransform fft(10);
  for (auto _ : State) {
    State.PauseTiming();
    for (int i = 0; i < N; ++i) fft.GetBuffer()[i] = {Sample(i), 0};
    State.ResumeTiming();
    fft.Execute(false);
    benchmark::DoNotOptimize(fft.GetBuffer()[1].Re);
  }
}
BENCHMARK(BM_Fft4096_Zse)->Unit(benchmark::kMicrosecond);

// The direct sum with a precomputed table of the N roots, so only the O(N^2) products count.
void BM_Fft4096_Dft(benchmark::State& State) {
  std::vector<std::complex<float>> in(N), out(N), roots(N);
  for (int i = 0; i < N; ++i) {
    in[i] = {Sample(i), 0};
    roots[i] = std::polar(1.0f, static_cast<float>(2 * std::numbers::pi * i / N));
  }
  for (auto _ : State) {
    for (int k = 0; k < N; ++k) {
      std::complex<float> sum;
      for (int n = 0, index = 0; n < N; ++n, index = (index + k) & (N - 1)) sum += in[n] * roots[index];
      out[k] = sum;
    }
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_Fft4096_Dft)->Unit(benchmark::kMicrosecond);
ZEPHSE_BENCH_RATIO("BM_Fft4096_Zse", "BM_Fft4096_Dft", 0);

#ifdef ZEPHSE_HAVE_FFTW
void BM_Fft4096_Fftw(benchmark::State& State) {
  auto* data = static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * N));
  // Backward is the e^{+i} sign, the same as ours.
  fftwf_plan plan = fftwf_plan_dft_1d(N, data, data, FFTW_BACKWARD, FFTW_MEASURE);
  for (auto _ : State) {
    State.PauseTiming();
    for (int i = 0; i < N; ++i) {
      data[i][0] = Sample(i);
      data[i][1] = 0;
    }
    State.ResumeTiming();
    fftwf_execute(plan);
    benchmark::DoNotOptimize(data[1][0]);
  }
  fftwf_destroy_plan(plan);
  fftwf_free(data);
}
BENCHMARK(BM_Fft4096_Fftw)->Unit(benchmark::kMicrosecond);
ZEPHSE_BENCH_RATIO("BM_Fft4096_Zse", "BM_Fft4096_Fftw", 0);
#endif

}  // namespace

int main(int argc, char** argv) {
  InitializeUnits(RtlUnits());
  const int result = RunBenchmarksWithRatios(argc, argv);
  FinalizeUnits();
  return result;
}
