#pragma once
// Signal processing below the spectrum and waveform displays: an in-place radix-2 FFT with
// process-wide tables, the map from display bands to spectrum bins, and the store of a track's
// waveform with the region that draws it.

#include <cstdint>

#include "os/OS.Types.h"
#include "rtl/RTL.Geometry.h"
#include "rtl/RTL.Objects.h"

class TZCLCriticalSection;
class TZCLRegionData;

struct TComplexSingle {
  float Re = 0;
  float Im = 0;
};

// Transforms Buffer in place. The bit-reversal and twiddle tables are built once per order and
// shared by every transform of the process; building them is safe from any thread.
class TFastFourierTransform : public TObject {
  ZCL_CLASS(TFastFourierTransform, TObject)
 public:
  // SizeIndex 0..12 gives 4..16384 points.
  explicit TFastFourierTransform(Byte SizeIndex);
  ~TFastFourierTransform() override;

  // Raises "Buffer length too long" for an order above 15 (nothing touched then).
  virtual void Init(Integer AOrder, Integer ABufferLength);
  // Forward: X_k = sum x_n e^{+2 pi i k n / N}; inverse uses the other sign and divides by N.
  virtual void Execute(bool Inverse);

  TComplexSingle* GetBuffer() const { return FBuffer; }
  Integer GetBufferLength() const { return FBufferLength; }
  Integer GetSize() const { return FSize; }
  Integer GetOrder() const { return FOrder; }

 private:
  TComplexSingle* FBuffer = nullptr;
  Integer FBufferLength = 0;
  Integer FSize = 0;
  Integer FOrder = 0;
  const Integer* FBitReverse = nullptr;
  const TComplexSingle* const* FForwardTwiddles = nullptr;
  const TComplexSingle* const* FInverseTwiddles = nullptr;
};

// The shared tables; no instances.
class TFastFourierTransformHelper {
 public:
  TFastFourierTransformHelper() = delete;
  // N - 1 entries for N = 2^Order (none below order 1).
  static const Integer* BitReverseTable(Integer Order);
  // Per-stage twiddles (stage s has 2^s entries) for stages 0..Order - 1 at least.
  static const TComplexSingle* const* Twiddles(Integer Order, bool Inverse);
  // Frees every table (unit finalization).
  static void Finalize();
};

// The sound side's visualizer: a 4096-point transform and its two locks.
class TZSOVisualizer : public TObject {
  ZCL_CLASS(TZSOVisualizer, TObject)
 public:
  TZSOVisualizer();
  ~TZSOVisualizer() override;

  TFastFourierTransform* GetTransform() const { return FTransform; }
  TZCLCriticalSection* GetLock() const { return FLock; }
  TZCLCriticalSection* GetWorkLock() const { return FWorkLock; }

  // Map[i] is the first spectrum bin of band i on a frequency scale from 20 Hz, bent towards the
  // low end by Curve (0 spaces linearly); bins at or past BinCount become -1. Nothing is written
  // when MaxFrequency is 0.
  static void BuildBandMap(Integer* Map, Integer Count, Integer BinCount, Integer MaxFrequency, float Curve);

 private:
  TObject* FData = nullptr;
  TZCLCriticalSection* FLock = nullptr;
  TFastFourierTransform* FTransform = nullptr;
  TObject* FData2 = nullptr;
  TZCLCriticalSection* FWorkLock = nullptr;
};

// A track's waveform: 5120 pairs of levels from start to end; the Low of entry 5120 is the peak.
class TZSOWaveformVisualizer : public TObject {
  ZCL_CLASS(TZSOWaveformVisualizer, TObject)
 public:
  static constexpr Integer EntryCount = 5120;
  struct TEntry {
    uint16_t Low = 0;
    uint16_t High = 0;
  };

  TEntry& Entry(Integer Index) { return FEntries[Index]; }
  uint16_t GetPeak() const { return FEntries[EntryCount].Low; }
  void UpdatePeak();
  void Clear();
  // One rectangle per column (horizontal: Highs above the middle line, Lows below) or per row
  // (vertical, the track's start at the bottom). The caller frees the result.
  TZCLRegionData* GetRegionData(const TRect& R, bool Vertical) const;
  HRGN GetRegion(const TRect& R, bool Vertical) const;

 private:
  TEntry FEntries[EntryCount + 1];
};

void ZSEVisualizerFinalize();
