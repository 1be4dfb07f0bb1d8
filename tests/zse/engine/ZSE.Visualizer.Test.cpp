#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <thread>
#include <vector>

#include "rtl/RTL.Exceptions.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zse/engine/ZSE.Visualizer.h"

namespace {

struct TRun {
  bool Inverse;
  std::vector<std::complex<float>> In, Out;
};

TEST(ZseFourier, FourPointVectors) {
  const std::vector<TRun> runs = {
      {false, {1, 0, 0, 0}, {1, 1, 1, 1}},
      {true, {1, 1, 1, 1}, {1, 0, 0, 0}},
      // The forward sign is e^{+2 pi i k n / N}: (0, 1, 0, 0) gives i^k.
      {false, {0, 1, 0, 0}, {{1, 0}, {0, 1}, {-1, 0}, {0, -1}}},
  };
  for (const TRun& run : runs) {
    TFastFourierTransform fft(0);
    ASSERT_EQ(fft.GetSize(), 4);
    for (int i = 0; i < 4; ++i) fft.GetBuffer()[i] = {run.In[i].real(), run.In[i].imag()};
    fft.Execute(run.Inverse);
    for (int i = 0; i < 4; ++i) {
      EXPECT_NEAR(fft.GetBuffer()[i].Re, run.Out[i].real(), 1e-6) << i;
      EXPECT_NEAR(fft.GetBuffer()[i].Im, run.Out[i].imag(), 1e-6) << i;
    }
  }
}

// Every size against a plain DFT of the same sign, and back.
TEST(ZseFourier, MatchesDirectTransformAndInverts) {
  for (Byte index : {1, 5, 10}) {
    TFastFourierTransform fft(index);
    const int n = fft.GetSize();
    std::vector<std::complex<double>> x(n);
    for (int i = 0; i < n; ++i) {
      x[i] = {std::sin(i * 0.37) + 0.25 * (i % 7), std::cos(i * 1.3)};
      fft.GetBuffer()[i] = {static_cast<float>(x[i].real()), static_cast<float>(x[i].imag())};
    }
    fft.Execute(false);
    for (int k = 0; k < n; k += std::max(1, n / 64)) {
      std::complex<double> sum;
      for (int j = 0; j < n; ++j) sum += x[j] * std::polar(1.0, 2 * std::numbers::pi * k * j / n);
      EXPECT_NEAR(fft.GetBuffer()[k].Re, sum.real(), 2e-3 * n) << n << " bin " << k;
      EXPECT_NEAR(fft.GetBuffer()[k].Im, sum.imag(), 2e-3 * n) << n << " bin " << k;
    }
    fft.Execute(true);
    for (int i = 0; i < n; ++i) EXPECT_NEAR(fft.GetBuffer()[i].Re, x[i].real(), 1e-3) << n << " at " << i;
  }
}

TEST(ZseFourier, ExponentLandsInLastBin) {
  TFastFourierTransform fft(3);  // 32 points
  const int n = fft.GetSize();
  for (int i = 0; i < n; ++i) {
    const auto e = std::polar(1.0, 2 * std::numbers::pi * i / n);
    fft.GetBuffer()[i] = {static_cast<float>(e.real()), static_cast<float>(e.imag())};
  }
  fft.Execute(false);
  EXPECT_NEAR(fft.GetBuffer()[n - 1].Re, n, 1e-3);
  for (int k = 0; k < n - 1; ++k) EXPECT_NEAR(std::abs(fft.GetBuffer()[k].Re), 0, 1e-3) << k;
}

TEST(ZseFourier, OrderAboveFifteenIsRefused) {
  TFastFourierTransform fft(0);
  EXPECT_THROW(fft.Init(16, 1 << 16), Exception);
  EXPECT_EQ(fft.GetSize(), 4);  // left as it was
}

// The first transforms of a size made on several threads at once share one set of tables.
TEST(ZseFourier, TablesAreBuiltOnceAcrossThreads) {
  TFastFourierTransformHelper::Finalize();
  std::vector<const Integer*> seen(8);
  std::vector<const TComplexSingle*> stage(8);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&, t] {
      TFastFourierTransform fft(11);
      seen[t] = TFastFourierTransformHelper::BitReverseTable(13);
      stage[t] = TFastFourierTransformHelper::Twiddles(13, false)[12];
      fft.GetBuffer()[0] = {1, 0};
      fft.Execute(false);
    });
  for (auto& t : threads) t.join();
  for (int t = 1; t < 8; ++t) {
    EXPECT_EQ(seen[t], seen[0]);
    EXPECT_EQ(stage[t], stage[0]);
  }
}

TEST(ZseBandMap, Cases) {
  Integer map[4] = {7, 7, 7, 7};
  TZSOVisualizer::BuildBandMap(map, 1, 255, 0, 1.5f);
  EXPECT_EQ(map[0], 7);  // MaxFrequency 0 writes nothing
  TZSOVisualizer::BuildBandMap(map, 1, 255, 20000, 1.5f);
  EXPECT_EQ(map[0], 20 * 255 / 20000);
  // Linear without a curve: 20 + k * 4995 Hz.
  TZSOVisualizer::BuildBandMap(map, 4, 1000, 20000, 0);
  EXPECT_EQ(map[1], static_cast<Integer>((20 + 4995) * 1000.0f / 20000));
  EXPECT_EQ(map[3], static_cast<Integer>((20 + 3 * 4995) * 1000.0f / 20000));
  // Bins past the end become -1.
  TZSOVisualizer::BuildBandMap(map, 4, 100, 1000, 0);
  EXPECT_EQ(map[0], 2);
  EXPECT_EQ(map[1], -1);
}

TEST(ZseWaveform, RegionColumnsCoverTheirEntries) {
  auto* w = new TZSOWaveformVisualizer();
  w->Clear();
  w->Entry(0).High = 100;     // column 0 only
  w->Entry(10).Low = 50;      // column 1 covers 1..10
  w->Entry(5110).High = 200;  // last column covers 5101..5110
  w->Entry(5115).High = 400;  // past the last column: not drawn, but counts for the peak
  w->UpdatePeak();
  EXPECT_EQ(w->GetPeak(), 400);
  TZCLRegionData* data = w->GetRegionData(TRect(0, 0, 512, 100), false);
  ASSERT_EQ(data->GetCount(), 512);
  const TRect* r = data->GetRects();
  EXPECT_EQ(r[0], TRect(0, 50 - 13, 1, 50));  // MulDiv(50, 100, 400) = 13 (12.5 away from zero)
  EXPECT_EQ(r[1], TRect(1, 50, 2, 50 + 6));
  EXPECT_EQ(r[2], TRect(2, 50, 3, 50));
  EXPECT_EQ(r[511], TRect(511, 25, 512, 50));
  Free(data);

  // Vertical: one row per rectangle, the track's start at the bottom.
  data = w->GetRegionData(TRect(0, 0, 100, 512), true);
  EXPECT_EQ(data->GetRects()[0], TRect(37, 511, 50, 512));
  Free(data);
  delete w;
}

}  // namespace
