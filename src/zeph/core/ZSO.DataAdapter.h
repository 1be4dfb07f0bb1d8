#pragma once
// Channel-mixing presets of the sound path: for a pair of channel counts (1..8 each) an 8 x 8
// matrix of weights built by a fixed default rule, and a manager that keeps the presets sorted and
// tells its listeners when they change.

#include <array>

#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Classes.h"
#include "zcl/base/ZCL.Threading.h"

struct TZSOChannelsMixingCell {
  Single Weight = 0;
  bool Active = false;
};

// Row r is target channel r, column c source channel c.
using TZSOChannelsMixingMatrix = std::array<std::array<TZSOChannelsMixingCell, 8>, 8>;

// Counts outside 1..8 have no layout and give an all-zero matrix.
void BuildDefaultMixingMatrix(TZSOChannelsMixingMatrix& Matrix, Integer SourceCount, Integer TargetCount,
                              bool Fallback);

// "Mono", "Stereo", "Quad", "5.0 Surround" .. "7.1 Surround", else the decimal count.
String ChannelCountToText(Integer Count);

class TZSOChannelsMixingMatrixPreset : public TObject {
  ZCL_CLASS(TZSOChannelsMixingMatrixPreset, TObject)
 public:
  TZSOChannelsMixingMatrixPreset(Integer ASourceCount, Integer ATargetCount);
  // Raises EInvalidPointer (the target keeping its matrix) when the counts differ.
  void Assign(const TZSOChannelsMixingMatrixPreset* Source);
  TZSOChannelsMixingMatrixPreset* Clone() const;
  // "Stereo -> Mono".
  String ToString() const override;

  Integer GetSourceCount() const { return FSourceCount; }
  Integer GetTargetCount() const { return FTargetCount; }
  TZSOChannelsMixingMatrix& GetMatrix() { return FMatrix; }
  const TZSOChannelsMixingMatrix& GetMatrix() const { return FMatrix; }

 private:
  Integer FSourceCount;
  Integer FTargetCount;
  TZSOChannelsMixingMatrix FMatrix;
};

// The listener interface: the presets changed.
struct IZSOChannelsMixingMatrixPresets : virtual IInterface {
  RTL_INTERFACE(IZSOChannelsMixingMatrixPresets, IInterface, "{E836D03E-97B7-4B4D-AA24-30D3A0673AAD}")
  virtual void Changed() = 0;
};

// Changes go between BeginUpdate and EndUpdate, which hold the manager's lock; listeners hear of
// them on the thread that ends the outermost update. Reading the list takes no lock.
class TZSOChannelsMixingMatrixPresetManager : public TZCLLockablePersistent {
  ZCL_CLASS(TZSOChannelsMixingMatrixPresetManager, TZCLLockablePersistent)
 public:
  TZSOChannelsMixingMatrixPresetManager();
  ~TZSOChannelsMixingMatrixPresetManager() override;

  void BeginUpdate() override;
  void EndUpdate() override;

  // Takes ownership.
  void Add(TZSOChannelsMixingMatrixPreset* Preset);
  void Delete(Integer Index);
  void Clear();
  Integer GetCount() const { return static_cast<Integer>(FPresets.size()); }
  // Raises EListError out of range.
  TZSOChannelsMixingMatrixPreset* GetPreset(Integer Index) const;
  TZCLListenerList* GetListeners() const { return FListeners; }

 protected:
  void DoAssign(TPersistent* Source) override;
  void DoChanged(TZCLPersistentChanges Changes) override;

 private:
  std::vector<TZSOChannelsMixingMatrixPreset*> FPresets;
  TZCLListenerList* FListeners;
  TZCLCriticalSection* FLock;
};

// The process-wide manager; exists while the unit is initialized.
TZSOChannelsMixingMatrixPresetManager* ChannelsMixingMatrixPresets();

class TZSODataAdapterUnit {
 public:
  static void Initialize();
  static void Finalize();
};
