#include "zeph/core/ZSO.DataAdapter.h"

#include <algorithm>
#include <cmath>

#include "rtl/RTL.Numbers.h"

namespace {
// Position codes: 1 front left, 2 front right, 3 centre, 4 low-frequency, 5/6 back left/right,
// 7/8 side left/right.
constexpr Byte GLayouts[8][8] = {
    {1},
    {1, 2},
    {1, 2, 3},
    {1, 2, 5, 6},
    {1, 2, 3, 5, 6},
    {1, 2, 3, 4, 5, 6},
    {1, 2, 3, 5, 6, 7, 8},
    {1, 2, 3, 4, 5, 6, 7, 8},
};

struct TMatrixFiller {
  TZSOChannelsMixingMatrix& Matrix;
  const Byte* Columns;
  bool C;
  bool D;

  bool SetCells(Integer Row, std::initializer_list<Byte> Mask) {
    bool set = false;
    for (Integer j = 0; j < 8; ++j)
      if (Columns[j] != 0 && std::find(Mask.begin(), Mask.end(), Columns[j]) != Mask.end()) {
        Matrix[Row][j].Weight = 1.0f;
        set = true;
      }
    return set;
  }

  bool Map(Integer Row, Byte Code) {
    switch (Code) {
      case 1:
        return SetCells(Row, {1});
      case 2:
        return SetCells(Row, {2}) || Map(Row, 1);
      case 3:
        return SetCells(Row, {3}) || (C && SetCells(Row, {1, 2}));
      case 4:
        return SetCells(Row, {4}) || (D && Map(Row, 3));
      case 5:
        return SetCells(Row, {5}) || (C && Map(Row, 1));
      case 6:
        return SetCells(Row, {6}) || (C && Map(Row, 2));
      case 7:
        return SetCells(Row, {7}) || (C && Map(Row, 1) && Map(Row, 5));
      case 8:
        return SetCells(Row, {8}) || (C && Map(Row, 2) && Map(Row, 6));
      default:
        return false;
    }
  }
};

TZSOChannelsMixingMatrixPresetManager* GPresets = nullptr;
}  // namespace

void BuildDefaultMixingMatrix(TZSOChannelsMixingMatrix& Matrix, Integer SourceCount, Integer TargetCount,
                              bool Fallback) {
  Matrix = TZSOChannelsMixingMatrix{};
  if (SourceCount < 1 || SourceCount > 8 || TargetCount < 1 || TargetCount > 8) return;
  const bool down = SourceCount > TargetCount;
  const Byte* columns = GLayouts[(down ? TargetCount : SourceCount) - 1];
  const Byte* rows = GLayouts[(down ? SourceCount : TargetCount) - 1];
  TMatrixFiller filler{Matrix, columns, Fallback, down ? false : Fallback};
  for (Integer i = 0; i < 8; ++i) filler.Map(i, rows[i]);
  if (down)
    for (Integer r = 0; r < 8; ++r)
      for (Integer c = r + 1; c < 8; ++c) std::swap(Matrix[r][c], Matrix[c][r]);
  for (auto& row : Matrix) {
    Single sum = 0;
    for (const auto& cell : row) sum += cell.Weight;
    if (sum > 0)
      for (auto& cell : row) cell.Weight *= 1.0f / sum;
    for (auto& cell : row) cell.Active = std::fabs(cell.Weight) > 0.0001f;
  }
}

String ChannelCountToText(Integer Count) {
  static const char16_t* const names[] = {u"Mono",         u"Stereo",       nullptr,         u"Quad",
                                          u"5.0 Surround", u"5.1 Surround", u"7.0 Surround", u"7.1 Surround"};
  if (Count >= 1 && Count <= 8 && names[Count - 1]) return names[Count - 1];
  return IntToStr(Count);
}

TZSOChannelsMixingMatrixPreset::TZSOChannelsMixingMatrixPreset(Integer ASourceCount, Integer ATargetCount)
    : FSourceCount(ASourceCount), FTargetCount(ATargetCount) {
  BuildDefaultMixingMatrix(FMatrix, FSourceCount, FTargetCount, true);
}

void TZSOChannelsMixingMatrixPreset::Assign(const TZSOChannelsMixingMatrixPreset* Source) {
  if (!Source || Source->FSourceCount != FSourceCount || Source->FTargetCount != FTargetCount)
    throw EInvalidPointer(u"");
  FMatrix = Source->FMatrix;
}

TZSOChannelsMixingMatrixPreset* TZSOChannelsMixingMatrixPreset::Clone() const {
  auto* result = Create<TZSOChannelsMixingMatrixPreset>(FSourceCount, FTargetCount);
  result->Assign(this);
  return result;
}

String TZSOChannelsMixingMatrixPreset::ToString() const {
  return ChannelCountToText(FSourceCount) + u" -> " + ChannelCountToText(FTargetCount);
}

TZSOChannelsMixingMatrixPresetManager::TZSOChannelsMixingMatrixPresetManager()
    : FListeners(Create<TZCLListenerList>()), FLock(Create<TZCLCriticalSection>(this, u"MixingPresets")) {}

TZSOChannelsMixingMatrixPresetManager::~TZSOChannelsMixingMatrixPresetManager() {
  for (auto* preset : FPresets) Free(preset);
  FPresets.clear();
  Free(FListeners);
  Free(FLock);
}

void TZSOChannelsMixingMatrixPresetManager::BeginUpdate() {
  FLock->Enter();
  TZCLLockablePersistent::BeginUpdate();
}

void TZSOChannelsMixingMatrixPresetManager::EndUpdate() {
  // The lock is left also when a listener raises, so the manager stays usable.
  try {
    TZCLLockablePersistent::EndUpdate();
  } catch (...) {
    FLock->Leave();
    throw;
  }
  FLock->Leave();
}

void TZSOChannelsMixingMatrixPresetManager::Add(TZSOChannelsMixingMatrixPreset* Preset) {
  FPresets.push_back(Preset);
  Changed(1);
}

void TZSOChannelsMixingMatrixPresetManager::Delete(Integer Index) {
  TZSOChannelsMixingMatrixPreset* preset = GetPreset(Index);
  FPresets.erase(FPresets.begin() + Index);
  Free(preset);
  Changed(1);
}

void TZSOChannelsMixingMatrixPresetManager::Clear() {
  for (auto* preset : FPresets) Free(preset);
  FPresets.clear();
  Changed(1);
}

TZSOChannelsMixingMatrixPreset* TZSOChannelsMixingMatrixPresetManager::GetPreset(Integer Index) const {
  if (Index < 0 || Index >= GetCount()) throw EListError(Format(u"List index out of bounds (%d)", {Index}));
  return FPresets[Index];
}

void TZSOChannelsMixingMatrixPresetManager::DoAssign(TPersistent* Source) {
  auto* other = dynamic_cast<TZSOChannelsMixingMatrixPresetManager*>(Source);
  if (!other) return;
  BeginUpdate();
  try {
    Clear();
    FPresets.reserve(other->FPresets.size());
    for (auto* preset : other->FPresets) Add(preset->Clone());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TZSOChannelsMixingMatrixPresetManager::DoChanged(TZCLPersistentChanges) {
  std::stable_sort(FPresets.begin(), FPresets.end(), [](const auto* a, const auto* b) {
    if (a->GetSourceCount() != b->GetSourceCount()) return a->GetSourceCount() < b->GetSourceCount();
    return a->GetTargetCount() < b->GetTargetCount();
  });
  FListeners->Enum<IZSOChannelsMixingMatrixPresets>(
      [](const IPtr<IZSOChannelsMixingMatrixPresets>& L) { L->Changed(); });
}

TZSOChannelsMixingMatrixPresetManager* ChannelsMixingMatrixPresets() { return GPresets; }

void TZSODataAdapterUnit::Initialize() {
  if (!GPresets) GPresets = Create<TZSOChannelsMixingMatrixPresetManager>();
}

void TZSODataAdapterUnit::Finalize() {
  Free(GPresets);
  GPresets = nullptr;
}
