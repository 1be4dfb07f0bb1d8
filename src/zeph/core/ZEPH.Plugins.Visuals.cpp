#include "zeph/core/ZEPH.Plugins.Visuals.h"

#include <algorithm>
#include <cmath>

#include "rtl/RTL.Format.h"
#include "rtl/RTL.Strings.h"
#include "zeph/core/ZEPH.Core.Config.h"
#include "zeph/core/ZEPH.Core.h"

namespace {
// Truncated toward zero; 0 for what has no 32-bit value.
Integer SafeTrunc(double Value) {
  if (!std::isfinite(Value) || Value <= -2147483649.0 || Value >= 2147483648.0) return 0;
  return static_cast<Integer>(Value);
}
}  // namespace

Integer VisualLevel(Single Peak) {
  const double v = static_cast<double>(Peak) * 100;
  if (!std::isfinite(v) || v < -2147483648.5 || v > 2147483647.5) return 0;
  return static_cast<Integer>(std::nearbyint(v));
}

ShortInt VisualWaveformByte(Single Sample) {
  return static_cast<ShortInt>(static_cast<Byte>(SafeTrunc(static_cast<double>(Sample) * 127) & 0xFF));
}

Byte VisualSpectrumByte(Single Value) { return static_cast<Byte>(SafeTrunc(Value) & 0xFF); }

// ---- TZEPHEmbeddedVisualization ----------------------------------------------------------------

void TZEPHEmbeddedVisualization::LogFailure(const String& Text) {
  TObject* sender = dynamic_cast<TObject*>(FExtension.get());
  try {
    throw;
  } catch (const Exception& e) {
    CoreLogException(sender, &e, Text);
  } catch (const std::exception& e) {
    const Exception wrapped(UTF8ToString(e.what()));
    CoreLogException(sender, &wrapped, Text);
  } catch (...) {
    const Exception unknown(u"Unknown exception");
    CoreLogException(sender, &unknown, Text);
  }
}

void TZEPHEmbeddedVisualization::Click(Single X, Single Y, TMouseButton Button) {
  Integer button;
  if (Button == mbLeft)
    button = 0;
  else if (Button == mbMiddle)
    button = 1;
  else
    return;
  if (FState != TZEPHEmbeddedVisualizationState::Active) return;
  try {
    FExtension->Click(SafeTrunc(static_cast<double>(X) * FWidth), SafeTrunc(static_cast<double>(Y) * FHeight), button);
  } catch (...) {
    LogFailure(u"Click");
  }
}

void TZEPHEmbeddedVisualization::Draw(HDC DC, const TZEPHVisualData* Data) {
  if (FState != TZEPHEmbeddedVisualizationState::Active) return;
  try {
    FExtension->Draw(DC, Data);
  } catch (...) {
    FState = TZEPHEmbeddedVisualizationState::Failed;
    LogFailure(u"Draw");
  }
}

bool TZEPHEmbeddedVisualization::GetMaxDisplaySize(TSize& Size) {
  if (FState != TZEPHEmbeddedVisualizationState::Active) return false;
  return FExtension->GetMaxDisplaySize(Size.cx, Size.cy) >= 0;
}

void TZEPHEmbeddedVisualization::Resize(Integer Width, Integer Height) {
  if (FState != TZEPHEmbeddedVisualizationState::None && Width == FWidth && Height == FHeight) return;
  FHeight = Height;
  FWidth = Width;
  if (Width < 1 || Height < 1) {
    Finalize();
    return;
  }
  switch (FState) {
    case TZEPHEmbeddedVisualizationState::None:
      try {
        FState = FExtension->Initialize(Width, Height) >= 0 ? TZEPHEmbeddedVisualizationState::Active
                                                            : TZEPHEmbeddedVisualizationState::InitFailed;
      } catch (...) {
        FState = TZEPHEmbeddedVisualizationState::InitFailed;
      }
      break;
    case TZEPHEmbeddedVisualizationState::Active:
      try {
        FExtension->Resize(Width, Height);
      } catch (...) {
        FState = TZEPHEmbeddedVisualizationState::Failed;
        LogFailure(Format(u"Resize(%d,%d)", {Width, Height}));
      }
      break;
    default:
      break;
  }
}

void TZEPHEmbeddedVisualization::Finalize() {
  if (FState == TZEPHEmbeddedVisualizationState::None) return;
  if (FState != TZEPHEmbeddedVisualizationState::InitFailed) {
    try {
      FExtension->Finalize();
    } catch (...) {
    }
  }
  FState = TZEPHEmbeddedVisualizationState::None;
}

String TZEPHEmbeddedVisualization::GetName() {
  if (FName.empty()) {
    IPtr<IZEPHString> name;
    if (FExtension->GetName(name) >= 0 && name)
      FName = String(name->GetData(), static_cast<size_t>(std::max<Integer>(name->GetLength(), 0)));
    else
      FName = u"Noname";
  }
  return FName;
}

// ---- TZEPHServiceVisual --------------------------------------------------------------------------

TZEPHServiceVisual::TZEPHServiceVisual() = default;

void TZEPHServiceVisual::AfterConstruction() {
  TZCLUnknownObject::AfterConstruction();
  TZEPHCore::Instance()->RegisterService(static_cast<IZEPHServiceVisualizations*>(this));
}

void TZEPHServiceVisual::BeforeDestruction() {
  if (TZEPHCore* core = TZEPHCore::InstanceIfExists())
    core->UnregisterService(static_cast<IZEPHServiceVisualizations*>(this));
  TZCLUnknownObject::BeforeDestruction();
}

TZEPHServiceVisual::~TZEPHServiceVisual() {
  for (auto* item : FEmbedded) Free(item);
  FEmbedded.clear();
  FCustom.clear();
}

void TZEPHServiceVisual::RegisterExtension(IInterface* Extension) {
  IPtr<IZEPHExtensionCustomVisualization> custom;
  if (Supports(Extension, custom)) FCustom.push_back(custom);
  IPtr<IZEPHExtensionEmbeddedVisualization> embedded;
  if (Supports(Extension, embedded)) {
    FEmbedded.push_back(Create<TZEPHEmbeddedVisualization>(embedded));
    std::stable_sort(FEmbedded.begin(), FEmbedded.end(),
                     [](TZEPHEmbeddedVisualization* a, TZEPHEmbeddedVisualization* b) {
                       return AnsiCompareText(a->GetName(), b->GetName()) < 0;
                     });
  }
  if (OnChanged) OnChanged(this);
}

void TZEPHServiceVisual::UnregisterExtension(IInterface* Extension) {
  IPtr<IZEPHExtensionCustomVisualization> custom;
  if (Supports(Extension, custom)) {
    auto pos = std::find(FCustom.begin(), FCustom.end(), custom);
    if (pos != FCustom.end()) FCustom.erase(pos);
  }
  IPtr<IZEPHExtensionEmbeddedVisualization> embedded;
  if (Supports(Extension, embedded)) {
    for (Integer i = GetEmbeddedCount() - 1; i >= 0; --i) {
      if (i >= GetEmbeddedCount() || FEmbedded[i]->GetExtension() != embedded.get()) continue;
      TZEPHEmbeddedVisualization* item = FEmbedded[i];
      if (OnRemoving) OnRemoving(item);
      auto pos = std::find(FEmbedded.begin(), FEmbedded.end(), item);
      if (pos != FEmbedded.end()) {
        FEmbedded.erase(pos);
        Free(item);
      }
    }
  }
  if (OnChanged) OnChanged(this);
}

void TZEPHServiceVisual::DrawCustomVisualizations(const TZEPHVisualData* Data) {
  // A copy: a visualization may unregister itself while it draws.
  const auto custom = FCustom;
  for (auto it = custom.rbegin(); it != custom.rend(); ++it) (*it)->Draw(Data);
}

TZEPHEmbeddedVisualization* TZEPHServiceVisual::FindByName(const String& Name) {
  for (auto* item : FEmbedded)
    if (SameText(item->GetName(), Name)) return item;
  return nullptr;
}

TZEPHEmbeddedVisualization* TZEPHServiceVisual::GetNext(TZEPHEmbeddedVisualization* Current, bool Forward) {
  const Integer n = GetEmbeddedCount();
  if (n == 0) return nullptr;
  auto pos = std::find(FEmbedded.begin(), FEmbedded.end(), Current);
  Integer p = pos == FEmbedded.end() ? 0 : static_cast<Integer>(pos - FEmbedded.begin()) + 1;
  p = Forward ? (p + 1) % (n + 1) : (p + n) % (n + 1);
  return p == 0 ? nullptr : FEmbedded[p - 1];
}
