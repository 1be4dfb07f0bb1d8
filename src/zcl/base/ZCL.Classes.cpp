#include "zcl/base/ZCL.Classes.h"

#include <cmath>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"

// ---- TZCLUnknownPersistent ---------------------------------------------------------------------

void TZCLUnknownPersistent::BeforeDestruction() {
  FIsDestroying = true;
  inherited::BeforeDestruction();
}

// ---- TZCLLockablePersistent --------------------------------------------------------------------

void TZCLLockablePersistent::Assign(TPersistent* Source) {
  if (Source == this) return;
  BeginUpdate();
  try {
    DoAssign(Source);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TZCLLockablePersistent::DoAssign(TPersistent* Source) {
  if (Source) TPersistent::Assign(Source);  // asks Source to assign itself
}

void TZCLLockablePersistent::BeginUpdate() { ++FLockCount; }

void TZCLLockablePersistent::EndUpdate() {
  if (--FLockCount == 0 && FChanges != 0) Changed(FChanges);
}

void TZCLLockablePersistent::CancelUpdate() {
  FChanges = 0;
  EndUpdate();
}

void TZCLLockablePersistent::Changed(TZCLPersistentChanges Changes) {
  FChanges |= Changes;
  if (FLockCount != 0) return;
  // Emptied before the call: changes reported from DoChanged start a new round.
  const TZCLPersistentChanges pending = FChanges;
  FChanges = 0;
  DoChanged(pending);
}

// ---- TZCLCollectionItem ------------------------------------------------------------------------

void TZCLCollectionItem::BeforeDestruction() {
  FIsDestroying = true;
  inherited::BeforeDestruction();
  TZCLObjectLinks::Release(this);
}

// ---- TZCLCollection ----------------------------------------------------------------------------

void TZCLCollection::BeginUpdate() { ++FLockCount; }

void TZCLCollection::EndUpdate() {
  if (--FLockCount == 0 && FUpdatePending) Update(nullptr);
}

void TZCLCollection::Update(TCollectionItem* Item) {
  FUpdatePending = true;
  if (FLockCount != 0) return;
  FUpdatePending = false;
  DoUpdate(Item);
}

void TZCLCollection::DoUpdate(TCollectionItem*) {}

// ---- components --------------------------------------------------------------------------------

void TZCLComponent::BeforeDestruction() {
  inherited::BeforeDestruction();
  TZCLObjectLinks::Release(this);
}

void TZCLComponentFreeNotifier::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && OnFreeNotification) OnFreeNotification(this, AComponent);
}

bool SetComponentReferenceCore(TComponent*& Field, TComponent* Self, TComponent* Value) {
  if (Field == Value) return false;
  if (Field) {
    Field->RemoveFreeNotification(Self);
    Field = nullptr;
  }
  if (Value) {
    Field = Value;
    Value->FreeNotification(Self);
  }
  return true;
}

TComponent* FindComponentRecursive(TComponent* Owner, StringView Name, bool Recursive) {
  if (!Owner) return nullptr;
  if (TComponent* found = Owner->FindComponent(Name)) return found;
  if (!Recursive) return nullptr;
  for (Integer i = 0; i < Owner->GetComponentCount(); ++i)
    if (TComponent* found = FindComponentRecursive(Owner->GetComponent(i), Name, true)) return found;
  return nullptr;
}

namespace {
bool IsAsciiIdentChar(Char C) {
  return (C >= u'0' && C <= u'9') || (C >= u'A' && C <= u'Z') || (C >= u'a' && C <= u'z') || C == u'_';
}

bool NameTaken(TComponent* Node, StringView Name) {
  if (SameText(Node->GetName(), Name)) return true;
  for (Integer i = 0; i < Node->GetComponentCount(); ++i)
    if (NameTaken(Node->GetComponent(i), Name)) return true;
  return false;
}
}  // namespace

bool IsValidIdentifier(StringView Text, bool AllowUnicode, bool AllowDots) {
  if (Text.empty()) return false;
  if (!AllowUnicode)
    for (Char c : Text)
      if (!IsAsciiIdentChar(c) && c != u'.') return false;
  return IsValidIdent(Text, AllowDots);
}

String GenerateComponentName(TComponent* Component, StringView PrefixToRemove, StringView BaseName) {
  TComponent* root = Component;
  while (root->GetOwner()) root = root->GetOwner();

  // Every UTF-16 unit stands for itself: a non-ASCII unit is dropped alone, never with its
  // neighbour (there are no lead bytes to pair it with).
  String stem;
  for (Char c : BaseName)
    if (IsAsciiIdentChar(c)) stem += c;
  if (stem.empty() || (stem[0] >= u'0' && stem[0] <= u'9')) {
    const String& className = Component->ClassName();
    String prefix;
    if (!PrefixToRemove.empty() && StartsText(PrefixToRemove, className)) {
      prefix = className.substr(PrefixToRemove.size());
      stem = prefix + stem;
    } else {
      stem = className + stem;
      if (!stem.empty() && stem[0] == u'T') stem.erase(0, 1);
    }
  }

  Integer counter = BaseName.empty() ? 1 : 0;
  String candidate;
  for (;;) {
    candidate = counter > 0 ? stem + IntToStr(counter) : stem;
    if (!NameTaken(root, candidate) || counter == 0x7FFFFFFF) return candidate;
    ++counter;
  }
}

// ---- TZCLProgressCalculator --------------------------------------------------------------------

namespace {
// Weights this close to 0 count as 0, as single-precision zero tests do.
constexpr Single SingleZeroTolerance = 1e-4f;
}  // namespace

Integer TZCLProgressCalculator::AddStage(Single Weight) {
  if (FActive) throw EInvalidOperation(u"Cannot modify stages while process is active");
  if (Weight < 0 || std::fabs(Weight) <= SingleZeroTolerance) throw EInvalidArgument(u"W <= 0");
  FStages.push_back({0, Weight});
  return static_cast<Integer>(FStages.size()) - 1;
}

void TZCLProgressCalculator::BeginProcess() {
  if (FActive) throw EInvalidOperation(u"Process is already started");
  if (FStages.empty()) throw EInvalidArgument(u"Stages were not defined");
  Single sum = 0;
  for (const TStage& stage : FStages) sum += stage.Weight;
  for (TStage& stage : FStages) {
    stage.Progress = 0;
    stage.Weight = stage.Weight / sum;
  }
  FCurrentStage = 0;
  FProgress = 0;
  FActive = true;
}

void TZCLProgressCalculator::CheckActive() const {
  if (!FActive) throw EInvalidOperation(u"Process was not started");
}

const TZCLProgressCalculator::TStage& TZCLProgressCalculator::GetStage(Integer Index) const {
  if (Index < 0 || Index >= GetStageCount()) throw EListError(u"List index out of bounds (%d)", {Index});
  return FStages[static_cast<size_t>(Index)];
}

void TZCLProgressCalculator::SetStageProgress(Single Percent) {
  CheckActive();
  FStages[static_cast<size_t>(FCurrentStage)].Progress = Percent;
  Recalculate();
}

void TZCLProgressCalculator::SetStageProgress(Int64 Position, Int64 Total) {
  if (Total <= 0) return;
  SetStageProgress(static_cast<Single>(std::nearbyint(100.0 * (static_cast<double>(Position) / Total))));
}

void TZCLProgressCalculator::StageProgressHandler(TObject*, Single Percent) { SetStageProgress(Percent); }

void TZCLProgressCalculator::NextStage() {
  CheckActive();
  FStages[static_cast<size_t>(FCurrentStage)].Progress = 100;
  if (FCurrentStage + 1 >= GetStageCount()) throw EListError(u"List index out of bounds (%d)", {FCurrentStage + 1});
  ++FCurrentStage;
  Recalculate();
}

void TZCLProgressCalculator::EndProcess() {
  CheckActive();
  FProgress = 100;
  DoProgress();
  FActive = false;
}

void TZCLProgressCalculator::Recalculate() {
  Single value = 0;
  for (const TStage& stage : FStages) value += stage.Weight * stage.Progress;
  if (std::fabs(value - FProgress) <= 0.01f) return;
  FProgress = value;
  DoProgress();
}

void TZCLProgressCalculator::DoProgress() {
  if (OnProgress) OnProgress(this, FProgress);
}
