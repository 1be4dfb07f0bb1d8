#include "zcl/graphics/ZCL.Graphics.Blend.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "rtl/RTL.Numbers.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Threading.h"
#include "zcl/graphics/ZCL.Graphics.SkinImage.h"

namespace {

// ---- blend modes --------------------------------------------------------------------------------

using TModeTable = Byte[256][256];

TModeTable* GModeTables[BlendModeCount] = {};
const TModeTable* GSelectedTable = nullptr;
Byte GAlpha = 255;
Integer GLastChunkCount = 0;
std::vector<TZCLSoftwareImplBlendMode::TChunk>* GChunks = nullptr;
TZCLSoftwareImplBlendMode::TChunkProc GChunkProc = nullptr;

TZCLCriticalSection& BlendLock() {
  static TZCLCriticalSection* lock = new TZCLCriticalSection(nullptr, u"Blend");
  return *lock;
}

Integer ModeFormula(TZCLBlendMode Mode, Integer S, Integer D) {
  switch (Mode) {
    case bmMultiply:
      return (S * D) >> 8;
    case bmScreen:
      return 255 - (((255 - S) * (255 - D)) >> 8);
    case bmOverlay:
      return D < 128 ? (2 * S * D) >> 8 : 255 - ((2 * (255 - S) * (255 - D)) >> 8);
    case bmAddition:
      return S + D;
    case bmSubstract:
      return D - S;
    case bmDifference:
      return std::abs(S - D);
    case bmDivide:
      return MulDiv(256, D, S + 1);
    case bmLighten:
      return std::max(S, D);
    case bmDarken:
      return std::min(S, D);
    default:
      return D;
  }
}

const TModeTable* ModeTable(TZCLBlendMode Mode) {
  if (GModeTables[Mode] == nullptr) {
    auto* table = new TModeTable[1];
    for (Integer s = 0; s < 256; ++s)
      for (Integer d = 0; d < 256; ++d) (*table)[s][d] = Byte(std::clamp(ModeFormula(Mode, s, d), 0, 255));
    GModeTables[Mode] = table;
  }
  return GModeTables[Mode];
}

void TableChunk(TZCLSoftwareImplBlendMode::TChunk& Chunk) {
  const TModeTable& mode = *GSelectedTable;
  const TZCLByteTable& pm = TZCLColors::PremultiplyTable();
  const TZCLByteTable& um = TZCLColors::UnpremultiplyTable();
  const Byte alpha = GAlpha;
  for (Integer i = 0; i < Chunk.Count; ++i) {
    TZCLPixel32 s = Chunk.Source[i];
    TZCLPixel32& d = Chunk.Dest[i];
    if (s.A == 0) continue;
    const bool partial = s.A < 255;
    if (partial) {
      s.B = um[s.B][s.A];
      s.G = um[s.G][s.A];
      s.R = um[s.R][s.A];
    }
    TZCLPixel32 r = s;
    if (d.A == 255) {
      r.B = mode[s.B][d.B];
      r.G = mode[s.G][d.G];
      r.R = mode[s.R][d.R];
    } else if (d.A != 0) {
      const Byte inv = Byte(255 - d.A);
      r.B = Byte(std::min(255, pm[s.B][inv] + pm[mode[s.B][d.B]][d.A]));
      r.G = Byte(std::min(255, pm[s.G][inv] + pm[mode[s.G][d.G]][d.A]));
      r.R = Byte(std::min(255, pm[s.R][inv] + pm[mode[s.R][d.R]][d.A]));
    }
    if (partial) {
      r.B = pm[r.B][s.A];
      r.G = pm[r.G][s.A];
      r.R = pm[r.R][s.A];
    }
    TZCLColors::AlphaBlendPixel(d, r, alpha);
  }
}

void GrayscaleChunk(TZCLSoftwareImplBlendMode::TChunk& Chunk) {
  const TZCLByteTable& pm = TZCLColors::PremultiplyTable();
  const Byte alpha = GAlpha;
  for (Integer i = 0; i < Chunk.Count; ++i) {
    TZCLPixel32& d = Chunk.Dest[i];
    TZCLPixel32 gray = d;
    TZCLColors::GrayscalePixel(gray);
    TZCLColors::AlphaBlendPixel(d, gray, pm[alpha][Chunk.Source[i].A]);
  }
}

void RunChunk(void* Item) { GChunkProc(*static_cast<TZCLSoftwareImplBlendMode::TChunk*>(Item)); }

void BlendNormal(TZCLDib* Dest, TZCLDib* Source, Byte Alpha) {
  Source->DrawBlendAt(Dest->GetCanvas(), TPoint(0, 0), Alpha);
}

void BlendGrayscale(TZCLDib* Dest, TZCLDib* Source, Byte Alpha) {
  TZCLSoftwareImplBlendMode::Blend(Dest, Source, GrayscaleChunk, Alpha);
}

template <TZCLBlendMode Mode>
void BlendTable(TZCLDib* Dest, TZCLDib* Source, Byte Alpha) {
  TZCLLockGuard guard(BlendLock());
  GSelectedTable = ModeTable(Mode);
  TZCLSoftwareImplBlendMode::Blend(Dest, Source, TableChunk, Alpha);
}

}  // namespace

const TZCLBlendFunction BlendFunctions[BlendModeCount] = {
    BlendNormal,
    BlendTable<bmMultiply>,
    BlendTable<bmScreen>,
    BlendTable<bmOverlay>,
    BlendTable<bmAddition>,
    BlendTable<bmSubstract>,
    BlendTable<bmDifference>,
    BlendTable<bmDivide>,
    BlendTable<bmLighten>,
    BlendTable<bmDarken>,
    BlendGrayscale,
};

void TZCLSoftwareImplBlendMode::Blend(TZCLDib* Dest, TZCLDib* Source, TChunkProc Proc, Byte Alpha) {
  if (Dest->GetWidth() != Source->GetWidth() || Dest->GetHeight() != Source->GetHeight())
    throw EInvalidOperation(u"Cannot blend DIBs with different sizes");
  TZCLLockGuard guard(BlendLock());
  GAlpha = Alpha;
  GChunkProc = Proc;
  const Integer total = Source->GetColorCount();
  if (total == 0) return;
  Source->BeginAccess();
  Dest->BeginAccess();
  if (total < MultithreadThreshold) {
    TChunk chunk{total, Source->GetColors(), Dest->GetColors()};
    GLastChunkCount = 1;
    Proc(chunk);
  } else {
    const Integer n = std::max(CPUCount(), 1);
    if (GChunks == nullptr) GChunks = new std::vector<TChunk>(size_t(n));
    const Integer run = total / n;
    std::vector<void*> items(static_cast<size_t>(n));
    for (Integer i = 0; i < n; ++i) {
      TChunk& c = (*GChunks)[size_t(i)];
      c.Count = i == n - 1 ? total - run * (n - 1) : run;
      c.Source = Source->GetColors() + size_t(run) * size_t(i);
      c.Dest = Dest->GetColors() + size_t(run) * size_t(i);
      items[size_t(i)] = &c;
    }
    GLastChunkCount = n;
    TZCLMultithreadedOperation::Run(items.data(), n, RunChunk);
  }
  Dest->EndAccess();
}

Integer TZCLSoftwareImplBlendMode::LastChunkCount() { return GLastChunkCount; }

void TZCLSoftwareImplBlendMode::Finalize() {
  for (auto*& t : GModeTables) {
    delete[] t;
    t = nullptr;
  }
  delete GChunks;
  GChunks = nullptr;
}

// ---- stack blur -----------------------------------------------------------------------------------

TZCLSoftwareImplStackBlur::TZCLSoftwareImplStackBlur(Integer ARadius) : FRadius(std::max(ARadius, 0)) {
  FDiv = 2 * FRadius + 1;
  const Integer divSum = (FRadius + 1) * (FRadius + 1);
  FDivTable.resize(size_t(256 * divSum));
  for (size_t i = 0; i < FDivTable.size(); ++i) FDivTable[i] = Integer(i) / divSum;
}

namespace {

// One pass of the stack blur over Count samples of four channels: In(k, c) reads sample k,
// Out(k, c, v) writes it. Positions outside 0..Count-1 repeat the edge samples.
template <class TIn, class TOut>
void StackBlurLine(Integer Count, Integer R, const Integer* DivTable, std::array<Integer, 4>* Stack, TIn In, TOut Out) {
  const Integer div = 2 * R + 1;
  const Integer last = Count - 1;
  Integer sum[4] = {}, inSum[4] = {}, outSum[4] = {};
  for (Integer i = -R; i <= R; ++i) {
    const Integer k = std::clamp(i, 0, last);
    Integer* s = Stack[i + R].data();
    const Integer w = R + 1 - std::abs(i);
    for (Integer c = 0; c < 4; ++c) {
      s[c] = In(k, c);
      sum[c] += s[c] * w;
      if (i > 0)
        inSum[c] += s[c];
      else
        outSum[c] += s[c];
    }
  }
  Integer sp = R;
  for (Integer x = 0; x < Count; ++x) {
    for (Integer c = 0; c < 4; ++c) Out(x, c, DivTable[sum[c]]);
    Integer* s = Stack[(sp - R + div) % div].data();
    const Integer k = std::min(x + R + 1, last);
    for (Integer c = 0; c < 4; ++c) {
      sum[c] -= outSum[c];
      outSum[c] -= s[c];
      s[c] = In(k, c);
      inSum[c] += s[c];
      sum[c] += inSum[c];
    }
    sp = (sp + 1) % div;
    s = Stack[sp].data();
    for (Integer c = 0; c < 4; ++c) {
      outSum[c] += s[c];
      inSum[c] -= s[c];
    }
  }
}

}  // namespace

void TZCLSoftwareImplStackBlur::Apply(TZCLPixel32* Pixels, Integer Width, Integer Height) {
  if (FRadius <= 0 || Pixels == nullptr || Width <= 0 || Height <= 0) return;
  std::vector<Integer> planes(size_t(Width) * size_t(Height) * 4);
  std::vector<std::array<Integer, 4>> stack(static_cast<size_t>(FDiv));
  const Integer* dv = FDivTable.data();
  auto* bytes = reinterpret_cast<Byte*>(Pixels);
  for (Integer y = 0; y < Height; ++y) {
    const size_t row = size_t(y) * size_t(Width);
    StackBlurLine(
        Width, FRadius, dv, stack.data(),
        [&](Integer k, Integer c) { return Integer(bytes[(row + size_t(k)) * 4 + size_t(c)]); },
        [&](Integer k, Integer c, Integer v) { planes[(row + size_t(k)) * 4 + size_t(c)] = v; });
  }
  for (Integer x = 0; x < Width; ++x) {
    StackBlurLine(
        Height, FRadius, dv, stack.data(),
        [&](Integer k, Integer c) { return planes[(size_t(k) * size_t(Width) + size_t(x)) * 4 + size_t(c)]; },
        [&](Integer k, Integer c, Integer v) {
          bytes[(size_t(k) * size_t(Width) + size_t(x)) * 4 + size_t(c)] = Byte(v);
        });
  }
}

namespace {
TZCLBlurFilterCoreFactory* GCoreFactory = nullptr;
TZCLValueCacheManager<Integer, IPtr<IZCLBlurFilterCore>>* GCoreCache = nullptr;
}  // namespace

void TZCLSoftwareImplStackBlur::Register() {
  TZCLBlurFilter::SetCoreFactory(
      [](Integer Radius) { return IPtr<IZCLBlurFilterCore>(Create<TZCLSoftwareImplStackBlur>(Radius)); });
}

void TZCLBlurFilter::SetCoreFactory(TZCLBlurFilterCoreFactory Factory) {
  delete GCoreFactory;
  GCoreFactory = new TZCLBlurFilterCoreFactory(std::move(Factory));
}

void TZCLBlurFilter::Finalize() {
  FreeAndNil(GCoreCache);
  delete GCoreFactory;
  GCoreFactory = nullptr;
}

void TZCLBlurFilter::SetRadius(Integer Value) {
  Value = std::clamp(Value, 0, 32);
  if (Value == FRadius) return;
  FRadius = Value;
  FCore = nullptr;
  FCoreRadius = 0;
  if (GCoreFactory == nullptr) TZCLSoftwareImplStackBlur::Register();
  if (GCoreCache == nullptr) GCoreCache = new TZCLValueCacheManager<Integer, IPtr<IZCLBlurFilterCore>>(8);
  IPtr<IZCLBlurFilterCore> core;
  if (!GCoreCache->TryGetValue(Value, core)) {
    core = (*GCoreFactory)(Value);
    GCoreCache->Add(Value, core);
  }
  FCore = core;
  FCoreRadius = core ? core->GetRadius() : 0;
}

void TZCLBlurFilter::Apply(TZCLDib* Dib) {
  if (FCoreRadius <= 0 || Dib == nullptr || Dib->Empty()) return;
  Dib->BeginAccess();
  FCore->Apply(Dib->GetColors(), Dib->GetWidth(), Dib->GetHeight());
  Dib->EndAccess();
}

void TZCLBlurFilter::ApplyPixels(TZCLPixel32* Pixels, Integer Width, Integer Height) {
  if (FCoreRadius > 0) FCore->Apply(Pixels, Width, Height);
}

// ---- TZCLDibEx ---------------------------------------------------------------------------------

bool TZCLDibEx::UpdateSize(const TRect& R) {
  if (GetWidth() != R.Width() || GetHeight() != R.Height()) {
    ResizeRect(R);
    FDirty = true;
    return true;
  }
  if (FDirty) Reset();
  return FDirty;
}

void TZCLDibEx::FreeMask() {
  delete[] FMask;
  FMask = nullptr;
  FMaskCapacity = 0;
}

bool TZCLDibEx::IsOpaqueState() const {
  return FFrameState == StateOpaque || (FFrameState > StateOpaque && (FFrameState >> 24) == 255);
}

void TZCLDibEx::PrepareMask(Integer FrameIndex, Cardinal FrameState, const TDrawFrame& DrawFrame) {
  if ((FMask != nullptr || FFrameIsUniform) && FrameIndex == FFrameIndex) return;
  Reset();
  FFrameIndex = FrameIndex;
  FFrameState = FrameState;
  FOpaqueRun = TPoint(0, 0);
  if (IsOpaqueState() || FrameState == StateTransparent) {
    FreeMask();
    FFrameIsUniform = true;
    return;
  }
  FFrameIsUniform = false;
  if (Empty()) return;
  if (DrawFrame) DrawFrame(GetCanvas(), ClientRect());
  const Integer count = GetColorCount();
  if (FMask == nullptr || FMaskCapacity < count) {
    FreeMask();
    FMask = new Byte[size_t(count)];
    FMaskCapacity = count;
  }
  BeginAccess();
  const TZCLPixel32* colors = GetColors();
  Integer bestStart = 0, bestEnd = 0, bestLength = 0, runStart = -1;
  for (Integer i = 0; i < count; ++i) {
    const Byte a = colors[i].A;
    FMask[i] = a;
    if (a == 255) {
      if (runStart < 0) runStart = i;
    } else if (runStart >= 0) {
      if (i - runStart > bestLength) {
        bestLength = i - runStart;
        bestStart = runStart - 1;
        bestEnd = i - 1;
      }
      runStart = -1;
    }
  }
  if (bestLength >= count / 3 && bestLength > 0)
    FOpaqueRun = TPoint(bestStart, bestEnd);
  else
    FOpaqueRun = TPoint(0, 0);
}

void TZCLDibEx::PrepareMask(TZCLSkinImage* Image, Integer FrameIndex) {
  if ((FMask != nullptr || FFrameIsUniform) && FrameIndex == FFrameIndex) return;
  PrepareMask(FrameIndex, Image->GetFrameInfo(FrameIndex),
              [&](TCanvas* Canvas, const TRect& R) { Image->DoDraw(Canvas, R, FrameIndex, 255); });
}

void TZCLDibEx::ResetMask() {
  FreeMask();
  FFrameIndex = -1;
  FFrameState = 0;
  FFrameIsUniform = false;
  FOpaqueRun = TPoint(0, 0);
}

void TZCLDibEx::ApplyMask(const TRect* R) {
  if (FFrameIsUniform) {
    if (!IsOpaqueState()) Reset();
    return;
  }
  if (FMask == nullptr || Empty()) return;
  Integer first = 0, last = GetColorCount() - 1;
  if (R != nullptr) {
    const Integer a = CoordToIndex(R->Left, R->Top);
    const Integer b = CoordToIndex(R->Right - 1, R->Bottom - 1);
    if (a > 0) first = a;
    if (b > 0) last = b;
  }
  const bool hasRun = FOpaqueRun.X != 0 || FOpaqueRun.Y != 0;
  const TZCLByteTable& pm = TZCLColors::PremultiplyTable();
  BeginAccess();
  TZCLPixel32* colors = GetColors();
  for (Integer i = first; i <= last; ++i) {
    if (hasRun && i > FOpaqueRun.X && i <= FOpaqueRun.Y) {
      i = FOpaqueRun.Y;
      continue;
    }
    const Byte m = FMask[i];
    if (m == 255) continue;
    TZCLPixel32& p = colors[i];
    if (m == 0) {
      p = {};
    } else {
      p.B = pm[p.B][m];
      p.G = pm[p.G][m];
      p.R = pm[p.R][m];
      p.A = pm[p.A][m];
    }
  }
  EndAccess();
}
