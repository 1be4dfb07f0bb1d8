#include "zeph/core/ZEPH.Plugins.Old.Visuals.h"

#include "zeph/core/ZEPH.Core.Objects.h"

HRESULT TZEPHCustomVisualPlugin::QueryInterface(const TGUID& IID, void** Obj) {
  if (InterfaceTableQuery<IZEPHExtensionEmbeddedVisualization>(this, IID, Obj)) return S_OK;
  return TZEPHCustomWrappedPlugin::QueryInterface(IID, Obj);
}

void TZEPHCustomVisualPlugin::BeforeDestruction() {
  TZEPHCustomWrappedPlugin::BeforeDestruction();
  if (FVisualInitialized) {
    FVisualInitialized = false;
    try {
      DoFinalize();
    } catch (...) {
    }
  }
}

HRESULT TZEPHCustomVisualPlugin::GetMaxDisplaySize(Integer& Width, Integer& Height) {
  Width = 800;
  Height = 600;
  return S_OK;
}

HRESULT TZEPHCustomVisualPlugin::GetName(IPtr<IZEPHString>& Name) {
  Name = IPtr<IZEPHString>(Create<TZEPHStringAdapter>(InfoName));
  return S_OK;
}

HRESULT TZEPHCustomVisualPlugin::Initialize(Integer Width, Integer Height) {
  if (!FVisualInitialized) {
    FVisualInitialized = true;
    DoInitialize(Width, Height);
  }
  return S_OK;
}

HRESULT TZEPHCustomVisualPlugin::DoInitialize(IZEPHCore* Core) {
  const HRESULT result = TZEPHCustomWrappedPlugin::DoInitialize(Core);
  if (Core)
    Core->RegisterExtension(IZEPHServiceVisualizations::IID, static_cast<IZEPHExtensionEmbeddedVisualization*>(this));
  return result;
}

HRESULT TZEPHCustomNativeVisualPlugin::Initialize(Integer Width, Integer Height) {
  const HRESULT result = TZEPHCustomVisualPlugin::Initialize(Width, Height);
  Resize(Width, Height);
  FFlags = GetFlags();
  return result;
}

void TZEPHCustomNativeVisualPlugin::Draw(HDC, const TZEPHVisualData* Data) {
  if (!Data) return;
  FLevelA = VisualLevel(Data->Peaks[1]);
  FLevelB = VisualLevel(Data->Peaks[0]);
  if (FFlags & ZEPH_VIS_FLAG_WAVEFORM)
    for (int c = 0; c < 2; ++c)
      for (int i = 0; i < 512; ++i) FWaveform[c][i] = VisualWaveformByte(Data->Waveform[c][i]);
  if (FFlags & ZEPH_VIS_FLAG_SPECTRUM)
    for (int c = 0; c < 2; ++c)
      for (int i = 0; i < 256; ++i) FSpectrum[c][i] = VisualSpectrumByte(Data->Spectrum[c][i]);
}
