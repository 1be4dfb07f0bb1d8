#pragma once
// Visualizations: the frame record, the two extension interfaces, the wrapper that drives one
// embedded visualization and shields the host from its failures, and the service that collects
// the visualizations plugins register.

#include <vector>

#include "os/OS.Types.h"
#include "rtl/RTL.Delegates.h"
#include "vcl/VCL.Controls.h"
#include "zcl/base/ZCL.Classes.h"
#include "zeph/core/ZEPH.Core.Interfaces.h"

#pragma pack(push, 1)
// One frame, 8,716 bytes, little-endian.
struct TZEPHVisualData {
  Single Peaks[2];          // left, right
  Single Spectrum[3][256];  // left, right, both; 20 Hz .. 20 kHz
  Single Waveform[2][512];  // left, right; full scale 1.0
  Integer Reserved;         // not 0 when LogarithmicSpectrum holds data
  Word LogarithmicSpectrum[3][256];
};
#pragma pack(pop)
static_assert(sizeof(TZEPHVisualData) == 8716);

constexpr Cardinal ZEPH_VIS_FLAG_WAVEFORM = 1;
constexpr Cardinal ZEPH_VIS_FLAG_SPECTRUM = 2;

struct IZEPHServiceVisualizations : virtual IInterface {
  RTL_INTERFACE(IZEPHServiceVisualizations, IInterface, "{3F6B2A10-8D4C-4E7A-B1F2-0A9C8D7E6F51}")
};

struct IZEPHExtensionEmbeddedVisualization : virtual IInterface {
  RTL_INTERFACE(IZEPHExtensionEmbeddedVisualization, IInterface, "{3F6B2A10-8D4C-4E7A-B1F2-0A9C8D7E6F52}")
  virtual Cardinal GetFlags() = 0;
  virtual HRESULT GetMaxDisplaySize(Integer& Width, Integer& Height) = 0;
  virtual HRESULT GetName(IPtr<IZEPHString>& Name) = 0;
  virtual HRESULT Initialize(Integer Width, Integer Height) = 0;
  virtual void Finalize() = 0;
  virtual void Click(Integer X, Integer Y, Integer Button) = 0;
  virtual void Draw(HDC DC, const TZEPHVisualData* Data) = 0;
  virtual void Resize(Integer Width, Integer Height) = 0;
};

struct IZEPHExtensionCustomVisualization : virtual IInterface {
  RTL_INTERFACE(IZEPHExtensionCustomVisualization, IInterface, "{3F6B2A10-8D4C-4E7A-B1F2-0A9C8D7E6F53}")
  virtual Cardinal GetFlags() = 0;
  virtual void Draw(const TZEPHVisualData* Data) = 0;
};

// Frame conversions, defined for every float: NaN, infinities and values beyond the 32-bit range
// give 0; the rest truncate toward zero (bytes keep the low 8 bits) or round to nearest even.
Integer VisualLevel(Single Peak);
ShortInt VisualWaveformByte(Single Sample);
Byte VisualSpectrumByte(Single Value);

enum class TZEPHEmbeddedVisualizationState : Byte { None, Active, InitFailed, Failed };

// Drives one embedded visualization; its owner finalizes it before freeing it.
class TZEPHEmbeddedVisualization : public TObject {
  ZCL_CLASS(TZEPHEmbeddedVisualization, TObject)
 public:
  explicit TZEPHEmbeddedVisualization(const IPtr<IZEPHExtensionEmbeddedVisualization>& AExtension)
      : FExtension(AExtension) {}

  // X and Y are 0..1 of the display; the right button is never passed on.
  void Click(Single X, Single Y, TMouseButton Button);
  void Draw(HDC DC, const TZEPHVisualData* Data);
  bool GetMaxDisplaySize(TSize& Size);
  void Resize(Integer Width, Integer Height);
  void Finalize();
  Cardinal GetFlags() { return FExtension->GetFlags(); }
  // "Noname" when the extension cannot tell.
  String GetName();

  TZEPHEmbeddedVisualizationState GetState() const { return FState; }
  IZEPHExtensionEmbeddedVisualization* GetExtension() const { return FExtension.get(); }

 private:
  void LogFailure(const String& Text);

  Integer FHeight = 0;
  Integer FWidth = 0;
  IPtr<IZEPHExtensionEmbeddedVisualization> FExtension;
  String FName;
  TZEPHEmbeddedVisualizationState FState = TZEPHEmbeddedVisualizationState::None;
};

using TZEPHVisualRemovingEvent = TDelegate<void(TZEPHEmbeddedVisualization* Visualization)>;

// Registers itself as a core service while it lives. Takes no lock: the callers serialize.
class TZEPHServiceVisual : public TZCLUnknownObject,
                           public IZEPHServiceAttrExtendable,
                           public IZEPHServiceVisualizations {
  ZCL_CLASS(TZEPHServiceVisual, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZEPHServiceAttrExtendable, IZEPHServiceVisualizations)
 public:
  TZEPHServiceVisual();
  ~TZEPHServiceVisual() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  void RegisterExtension(IInterface* Extension) override;
  void UnregisterExtension(IInterface* Extension) override;

  // Newest first; exceptions reach the caller.
  void DrawCustomVisualizations(const TZEPHVisualData* Data);
  Integer GetEmbeddedCount() const { return static_cast<Integer>(FEmbedded.size()); }
  TZEPHEmbeddedVisualization* GetEmbedded(Integer Index) const { return FEmbedded.at(Index); }
  Integer GetCustomCount() const { return static_cast<Integer>(FCustom.size()); }
  IZEPHExtensionCustomVisualization* GetCustom(Integer Index) const { return FCustom.at(Index).get(); }
  TZEPHEmbeddedVisualization* FindByName(const String& Name);
  // Cycles none, first, ..., last, none (or backwards).
  TZEPHEmbeddedVisualization* GetNext(TZEPHEmbeddedVisualization* Current, bool Forward);

  TNotifyEvent OnChanged;
  TZEPHVisualRemovingEvent OnRemoving;

 private:
  std::vector<TZEPHEmbeddedVisualization*> FEmbedded;
  std::vector<IPtr<IZEPHExtensionCustomVisualization>> FCustom;
};
