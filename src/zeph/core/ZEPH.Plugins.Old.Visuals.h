#pragma once
// Bases of visualization plugins implemented in the program. Through a TZEPHPlugin pointer the
// host's operations are reached; through the class itself, those of the extension.

#include <array>

#include "zeph/core/ZEPH.Plugins.Visuals.h"
#include "zeph/core/ZEPH.Plugins.Wrapped.h"

class TZEPHCustomVisualPlugin : public TZEPHCustomWrappedPlugin, public IZEPHExtensionEmbeddedVisualization {
  ZCL_CLASS(TZEPHCustomVisualPlugin, TZEPHCustomWrappedPlugin)
 public:
  using TZEPHCustomWrappedPlugin::TZEPHCustomWrappedPlugin;
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override;
  using TZEPHCustomWrappedPlugin::QueryInterface;
  void BeforeDestruction() override;

  // IZEPHExtensionEmbeddedVisualization
  Cardinal GetFlags() override { return 3; }
  HRESULT GetMaxDisplaySize(Integer& Width, Integer& Height) override;
  HRESULT GetName(IPtr<IZEPHString>& Name) override;
  // DoInitialize runs on the first call only; every call answers S_OK.
  HRESULT Initialize(Integer Width, Integer Height) override;
  using TZEPHCustomWrappedPlugin::Initialize;
  void Finalize() override {}

  bool GetVisualInitialized() const { return FVisualInitialized; }

 protected:
  // Replaces the wrapped plugin's finalize: runs once, before destruction, after a visual start.
  void DoFinalize() override = 0;
  virtual void DoInitialize(Integer Width, Integer Height) = 0;
  Cardinal DoGetCategories() override { return ZEPH_PLUGIN_CATEGORY_VISUALIZATION; }
  // Registers the plugin itself as a visualization when a core is given.
  HRESULT DoInitialize(IZEPHCore* Core) override;

 private:
  bool FVisualInitialized = false;
};

// Adds a byte frame built from each frame for subclasses that draw from bytes.
class TZEPHCustomNativeVisualPlugin : public TZEPHCustomVisualPlugin {
  ZCL_CLASS(TZEPHCustomNativeVisualPlugin, TZEPHCustomVisualPlugin)
 public:
  using TZEPHCustomVisualPlugin::TZEPHCustomVisualPlugin;
  HRESULT Initialize(Integer Width, Integer Height) override;
  using TZEPHCustomVisualPlugin::Initialize;
  // Builds the byte frame; subclasses draw after calling it. A null frame changes nothing.
  void Draw(HDC DC, const TZEPHVisualData* Data) override;

  Integer GetLevelA() const { return FLevelA; }
  Integer GetLevelB() const { return FLevelB; }
  const std::array<std::array<Byte, 256>, 2>& GetSpectrumBytes() const { return FSpectrum; }
  const std::array<std::array<ShortInt, 512>, 2>& GetWaveformBytes() const { return FWaveform; }

 private:
  Cardinal FFlags = 0;
  Integer FLevelA = 0;
  Integer FLevelB = 0;
  std::array<std::array<Byte, 256>, 2> FSpectrum{};
  std::array<std::array<ShortInt, 512>, 2> FWaveform{};
};
