#pragma once
// Base classes of the component library: objects and persistents that answer interface queries
// without counting, a counted object, a persistent and a collection with update locks, link-aware
// component and collection-item bases, a free-notification forwarder, component routines and a
// progress calculator for weighted stages.

#include <vector>

#include "rtl/RTL.Classes.h"
#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Interfaces.h"
#include "zcl/base/ZCL.ObjectLinks.h"

// Brackets bulk changes; EndUpdate of the outermost lock delivers what was gathered.
struct IZCLUpdateLock : virtual IInterface {
  RTL_INTERFACE(IZCLUpdateLock, IInterface, "{6A3E1F52-0C4B-4D7E-9B21-5E8F3A7C1D10}")
  virtual void BeginUpdate() = 0;
  virtual void EndUpdate() = 0;
};

// Up to eight change kinds, one bit each; the kinds are declared by the derived classes.
using TZCLPersistentChanges = Byte;

// Progress in percent, 0 to 100.
using TZCLProgressEvent = TDelegate<void(TObject* Sender, Single Progress)>;

enum TZCLSortDirection : Byte { sdDefault, sdAscending, sdDescending };

// Answers interface queries; its owner frees it (_AddRef and _Release return -1).
class TZCLUnknownObject : public TNoRefCountObject {
  ZCL_CLASS(TZCLUnknownObject, TNoRefCountObject)
};

// A persistent that answers interface queries without counting.
class TZCLUnknownPersistent : public TPersistent, public virtual IInterface {
  ZCL_CLASS(TZCLUnknownPersistent, TPersistent)
  RTL_INTERFACES(IInterface, IInterface)
  Integer _AddRef() override { return -1; }
  Integer _Release() override { return -1; }
  void BeforeDestruction() override;
  // Set at the very start of destruction, so overrides can skip work.
  bool GetIsDestroying() const { return FIsDestroying; }

 protected:
  bool FIsDestroying = false;
};

// A counted object: the count is 1 while the constructor runs; destroying it while references
// remain raises "Invalid Pointer".
class TZCLInterfacedObject : public TInterfacedObject {
  ZCL_CLASS(TZCLInterfacedObject, TInterfacedObject)
};

// Gathers the changes reported under update locks and delivers their union once, when the
// outermost lock is released. Without a lock every Changed delivers at once.
class TZCLLockablePersistent : public TZCLUnknownPersistent, public IZCLUpdateLock {
  ZCL_CLASS(TZCLLockablePersistent, TZCLUnknownPersistent)
  RTL_INTERFACES(TZCLUnknownPersistent, IZCLUpdateLock)
  // Brackets DoAssign with an update lock, so the assignment's changes arrive once.
  void Assign(TPersistent* Source) override;
  void BeginUpdate() override;
  void EndUpdate() override;
  // Drops the changes gathered so far (also under outer locks), then EndUpdate.
  virtual void CancelUpdate();
  void Changed(TZCLPersistentChanges Changes);
  Integer GetLockCount() const { return FLockCount; }

 protected:
  // Default: Source->AssignTo(this); null does nothing.
  virtual void DoAssign(TPersistent* Source);
  virtual void DoChanged(TZCLPersistentChanges Changes) = 0;

 private:
  TZCLPersistentChanges FChanges = 0;
  Integer FLockCount = 0;
};

// A collection item that takes part in object links.
class TZCLCollectionItem : public TCollectionItem, public IZCLObjectLinksSupport {
  ZCL_CLASS(TZCLCollectionItem, TCollectionItem)
  RTL_INTERFACES(IInterface, IInterface, IZCLObjectLinksSupport)
  using TCollectionItem::TCollectionItem;
  Integer _AddRef() override { return -1; }
  Integer _Release() override { return -1; }
  // Releases the object-link record after the inherited work.
  void BeforeDestruction() override;
  bool GetIsDestroying() const { return FIsDestroying; }

 protected:
  bool FIsDestroying = false;
};

// A collection whose changes under a lock reach DoUpdate once, with a null item, at the
// outermost EndUpdate. The base collection's own update counter is left alone.
class TZCLCollection : public TCollection, public IZCLUpdateLock {
  ZCL_CLASS(TZCLCollection, TCollection)
  RTL_INTERFACES(IInterface, IInterface, IZCLUpdateLock)
  using TCollection::TCollection;
  Integer _AddRef() override { return -1; }
  Integer _Release() override { return -1; }
  void BeginUpdate() override;
  void EndUpdate() override;
  Integer GetLockCount() const { return FLockCount; }

 protected:
  void Update(TCollectionItem* Item) override;
  // The changed item, or null for the combined update at the end of a lock. Empty here.
  virtual void DoUpdate(TCollectionItem* Item);

 private:
  bool FUpdatePending = false;
  Integer FLockCount = 0;
};

// A component that releases its object-link record when it is destroyed.
class TZCLComponent : public TComponent, public IZCLObjectLinksSupport {
  ZCL_CLASS(TZCLComponent, TComponent)
  RTL_INTERFACES(TComponent, IZCLObjectLinksSupport)
  using TComponent::TComponent;
  void BeforeDestruction() override;
};

using TZCLFreeNotificationEvent = TDelegate<void(TObject* Sender, TComponent* Component)>;

// Forwards the destruction of the components that asked to notify it to OnFreeNotification.
class TZCLComponentFreeNotifier : public TComponent {
  ZCL_CLASS(TZCLComponentFreeNotifier, TComponent)
 public:
  using TComponent::TComponent;
  TZCLFreeNotificationEvent OnFreeNotification;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
};

// Points Field at Value and moves Self's free notification from the old component to the new
// one. False (and nothing done) when Value is already held.
bool SetComponentReferenceCore(TComponent*& Field, TComponent* Self, TComponent* Value);
template <class T>
bool SetComponentReference(T*& Field, TComponent* Self, T* Value) {
  TComponent* field = Field;
  const bool changed = SetComponentReferenceCore(field, Self, Value);
  Field = static_cast<T*>(field);
  return changed;
}

// Owner's component of that name (ignoring case); with Recursive, the first hit of a depth-first
// search through the owned components. Null when Owner is null or nothing matches.
TComponent* FindComponentRecursive(TComponent* Owner, StringView Name, bool Recursive = true);

// Without AllowUnicode only ASCII letters, digits, "_" and "." pass; then the identifier rule
// (with dots between names when AllowDots).
bool IsValidIdentifier(StringView Text, bool AllowUnicode = false, bool AllowDots = false);

// A name unique (ignoring case) in the tree of Component's root owner: BaseName's identifier
// characters, behind the class name (less PrefixToRemove, or less its leading "T") when they are
// empty or begin with a digit, followed by a counter when needed (always when BaseName is empty).
String GenerateComponentName(TComponent* Component, StringView PrefixToRemove = u"", StringView BaseName = u"");

// Turns the progress of several weighted stages into one overall percentage.
class TZCLProgressCalculator : public TObject {
  ZCL_CLASS(TZCLProgressCalculator, TObject)
 public:
  class TStage {
   public:
    Single Progress = 0;  // percent of this stage
    Single Weight = 0;    // as added; its share of all weights once the process begins
  };

  TZCLProgressCalculator() = default;
  explicit TZCLProgressCalculator(TZCLProgressEvent AOnProgress) : OnProgress(AOnProgress) {}

  // Raises EInvalidOperation while active, EInvalidArgument "W <= 0" for a weight not above 0.
  Integer AddStage(Single Weight);
  // Raises EInvalidOperation when active, EInvalidArgument when there are no stages.
  void BeginProcess();
  void SetStageProgress(Single Percent);
  // 100 * Position / Total rounded (ties to even); nothing when Total <= 0.
  void SetStageProgress(Int64 Position, Int64 Total);
  // Shaped as a TZCLProgressEvent, for long operations' progress events.
  void StageProgressHandler(TObject* Sender, Single Percent);
  void NextStage();
  // Reports 100 unconditionally and ends the process.
  void EndProcess();

  bool GetActive() const { return FActive; }
  Single GetProgress() const { return FProgress; }
  Integer GetStageCount() const { return static_cast<Integer>(FStages.size()); }
  const TStage& GetStage(Integer Index) const;

  TZCLProgressEvent OnProgress;

 protected:
  virtual void DoProgress();

 private:
  void CheckActive() const;
  void Recalculate();

  Integer FCurrentStage = 0;
  Single FProgress = 0;
  std::vector<TStage> FStages;
  bool FActive = false;
};
