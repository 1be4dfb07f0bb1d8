#include "zse/engine/ZSE.Visualizer.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>
#include <numbers>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Numbers.h"
#include "zcl/base/ZCL.Threading.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"

// ---- shared tables --------------------------------------------------------------------------------------

namespace {

constexpr Integer MaxOrder = 15;
constexpr Integer TableSlots = 16;

// Published with release stores once complete; readers take them with acquire loads, so a
// transform made on one thread can run on another without a lock of its own.
std::mutex GTableLock;
std::atomic<Integer*> GBitReverse[TableSlots];
std::atomic<TComplexSingle*> GStages[2][TableSlots];
// Arrays of stage pointers handed to transforms; entries only ever go from null to a table.
const TComplexSingle* GStageViews[2][TableSlots];

Integer* BuildBitReverse(Integer Order) {
  const Integer n = 1 << Order;
  auto* table = new Integer[static_cast<size_t>(std::max(n - 1, 1))];
  Integer j = 0;
  for (Integer i = 0; i < n - 1; ++i) {
    table[i] = j;
    Integer k = n / 2;
    while (k <= j) {
      j -= k;
      k /= 2;
    }
    j += k;
  }
  return table;
}

// Rotation from w_0 = 1 by pi / M per entry, in double precision.
TComplexSingle* BuildStage(Integer Stage, bool Inverse) {
  const Integer m = 1 << Stage;
  auto* table = new TComplexSingle[static_cast<size_t>(m)];
  const double theta = std::numbers::pi / m;
  const double c = std::cos(theta), s = (Inverse ? -1.0 : 1.0) * std::sin(theta);
  double re = 1, im = 0;
  for (Integer k = 0; k < m; ++k) {
    table[k] = {static_cast<float>(re), static_cast<float>(im)};
    const double nre = re * c - im * s;
    const double nim = im * c + re * s;
    re = nre;
    im = nim;
  }
  return table;
}

}  // namespace

const Integer* TFastFourierTransformHelper::BitReverseTable(Integer Order) {
  if (Integer* t = GBitReverse[Order].load(std::memory_order_acquire)) return t;
  std::lock_guard<std::mutex> guard(GTableLock);
  Integer* t = GBitReverse[Order].load(std::memory_order_relaxed);
  if (!t) {
    t = BuildBitReverse(Order);
    GBitReverse[Order].store(t, std::memory_order_release);
  }
  return t;
}

const TComplexSingle* const* TFastFourierTransformHelper::Twiddles(Integer Order, bool Inverse) {
  const int dir = Inverse ? 1 : 0;
  const Integer top = std::max(Order - 1, 0);
  if (GStages[dir][top].load(std::memory_order_acquire)) return GStageViews[dir];
  std::lock_guard<std::mutex> guard(GTableLock);
  // From the highest stage down, stopping at the first one that exists.
  for (Integer s = top; s >= 0; --s) {
    if (GStages[dir][s].load(std::memory_order_relaxed)) break;
    TComplexSingle* t = BuildStage(s, Inverse);
    GStageViews[dir][s] = t;
    GStages[dir][s].store(t, std::memory_order_release);
  }
  return GStageViews[dir];
}

void TFastFourierTransformHelper::Finalize() {
  std::lock_guard<std::mutex> guard(GTableLock);
  for (Integer i = 0; i < TableSlots; ++i) {
    delete[] GBitReverse[i].exchange(nullptr);
    for (int dir = 0; dir < 2; ++dir) {
      delete[] GStages[dir][i].exchange(nullptr);
      GStageViews[dir][i] = nullptr;
    }
  }
}

// ---- TFastFourierTransform ------------------------------------------------------------------------------

TFastFourierTransform::TFastFourierTransform(Byte SizeIndex) {
  const Integer order = std::min<Integer>(SizeIndex, 12) + 2;
  Init(order, 1 << order);
}

TFastFourierTransform::~TFastFourierTransform() { delete[] FBuffer; }

void TFastFourierTransform::Init(Integer AOrder, Integer ABufferLength) {
  if (AOrder > MaxOrder || AOrder < 0) throw Exception(u"Buffer length too long");
  FOrder = AOrder;
  FBufferLength = ABufferLength;
  delete[] FBuffer;
  FBuffer = new TComplexSingle[static_cast<size_t>(std::max(ABufferLength, 1))]();
  FSize = 1 << AOrder;
  FBitReverse = TFastFourierTransformHelper::BitReverseTable(AOrder);
  FForwardTwiddles = TFastFourierTransformHelper::Twiddles(AOrder, false);
  FInverseTwiddles = TFastFourierTransformHelper::Twiddles(AOrder, true);
}

void TFastFourierTransform::Execute(bool Inverse) {
  const Integer n = FSize;
  if (n > FBufferLength) return;  // a buffer shorter than the transform is never touched
  TComplexSingle* b = FBuffer;
  for (Integer i = 0; i < n - 1; ++i) {
    const Integer r = FBitReverse[i];
    if (i < r) std::swap(b[i], b[r]);
  }
  const TComplexSingle* const* twiddles = Inverse ? FInverseTwiddles : FForwardTwiddles;
  for (Integer s = 0; s < FOrder; ++s) {
    const Integer half = 1 << s, span = half * 2;
    const TComplexSingle* w = twiddles[s];
    for (Integer k = 0; k < half; ++k) {
      const double wr = w[k].Re, wi = w[k].Im;
      for (Integer j = k; j < n; j += span) {
        TComplexSingle& a = b[j];
        TComplexSingle& c = b[j + half];
        const float tr = static_cast<float>(c.Re * wr - c.Im * wi);
        const float ti = static_cast<float>(c.Re * wi + c.Im * wr);
        c.Re = a.Re - tr;
        c.Im = a.Im - ti;
        a.Re += tr;
        a.Im += ti;
      }
    }
  }
  if (Inverse) {
    const float scale = 1.0f / static_cast<float>(n);
    for (Integer i = 0; i < n; ++i) {
      b[i].Re *= scale;
      b[i].Im *= scale;
    }
  }
}

// ---- TZSOVisualizer -------------------------------------------------------------------------------------

TZSOVisualizer::TZSOVisualizer() {
  FData = new TObject();
  FLock = new TZCLCriticalSection();
  FTransform = new TFastFourierTransform(10);
  FData2 = new TObject();
  FWorkLock = new TZCLCriticalSection(this, u"Work");
}

TZSOVisualizer::~TZSOVisualizer() {
  Free(FWorkLock);
  Free(FData2);
  Free(FData);
  Free(FLock);
  Free(FTransform);
}

void TZSOVisualizer::BuildBandMap(Integer* Map, Integer Count, Integer BinCount, Integer MaxFrequency, float Curve) {
  if (MaxFrequency == 0 || !Map) return;
  for (Integer i = 0; i < Count; ++i) {
    float t = static_cast<float>(i) / static_cast<float>(Count);
    if (Curve > 0) t = static_cast<float>((std::exp(Curve * t) - 1) / (std::exp(Curve) - 1));
    const float f = t * 19980.0f + 20.0f;
    Map[i] = static_cast<Integer>(f * static_cast<float>(BinCount) / static_cast<float>(MaxFrequency));
    if (Map[i] >= BinCount) Map[i] = -1;
  }
}

// ---- TZSOWaveformVisualizer -----------------------------------------------------------------------------

void TZSOWaveformVisualizer::UpdatePeak() {
  uint16_t peak = 0;
  for (Integer i = 0; i < EntryCount; ++i) peak = std::max({peak, FEntries[i].Low, FEntries[i].High});
  FEntries[EntryCount].Low = peak;
}

void TZSOWaveformVisualizer::Clear() { std::memset(FEntries, 0, sizeof(FEntries)); }

TZCLRegionData* TZSOWaveformVisualizer::GetRegionData(const TRect& R, bool Vertical) const {
  // The vertical form is the horizontal one on the transposed rectangle.
  const TRect box = Vertical ? TRect(R.Top, R.Left, R.Bottom, R.Right) : R;
  const Integer w = std::max(box.Width(), 0), half = box.Height() / 2, middle = box.Top + half;
  const Integer peak = std::max<Integer>(GetPeak(), 1);
  auto* data = new TZCLRegionData(w);
  TRect* rects = data->GetRects();
  Integer first = 0;
  for (Integer x = 0; x < w; ++x) {
    const Integer last = std::min(MulDiv(x, EntryCount, w), EntryCount - 1);
    Integer lo = 0, hi = 0;
    for (Integer i = first; i <= last; ++i) {
      lo = std::max<Integer>(lo, FEntries[i].Low);
      hi = std::max<Integer>(hi, FEntries[i].High);
    }
    first = std::max(first, last + 1);
    const Integer up = GetPeak() ? MulDiv(half, hi, peak) : 0;
    const Integer down = GetPeak() ? MulDiv(half, lo, peak) : 0;
    TRect c(box.Left + x, middle - up, box.Left + x + 1, middle + down);
    if (Vertical) {
      // Back to rows, mirrored so that the start of the track is at the bottom.
      const Integer y = R.Top + R.Bottom - 1 - c.Left;
      c = TRect(c.Top, y, c.Bottom, y + 1);
    }
    rects[x] = c;
  }
  return data;
}

HRGN TZSOWaveformVisualizer::GetRegion(const TRect& R, bool Vertical) const {
  TZCLRegionData* data = GetRegionData(R, Vertical);
  HRGN result = data->CreateRegion(R);
  Free(data);
  return result;
}

void ZSEVisualizerFinalize() { TFastFourierTransformHelper::Finalize(); }
