#pragma once
// Persistent objects, components and collections.
//
// TPersistent: assignment between objects (Assign / AssignTo), the owner relation, name paths.
// TComponent: an owner tree with names, free notification and component state. The owner frees
//   what it owns, last created first; a component learns of the destruction of the components it
//   watches (FreeNotification) while they are still whole.
// TCollection / TCollectionItem: a list of items of one class with update batching.
//
// Destruction happens in BeforeDestruction (run by Free), while every override still dispatches:
// a component frees its owned components, tells its watchers and leaves its owner there, and an
// item leaves its collection there. The destructors only repeat what was skipped when an object
// was deleted without Free.

#include <functional>
#include <memory>
#include <vector>

#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Generics.h"
#include "rtl/RTL.Interfaces.h"
#include "rtl/RTL.Objects.h"
#include "rtl/RTL.Set.h"

class TFiler;
class TReader;
class TWriter;
class TComponent;
class TCollection;
class TCollectionItem;

using TPersistentClass = TClass;
using TComponentClass = TClass;
using TCollectionItemClass = TClass;

class TPersistent : public TObject {
  ZCL_CLASS(TPersistent, TObject)
 public:
  // Copies Source into this object. The base asks Source to assign itself (AssignTo); a pair
  // that neither side supports raises EConvertError "Cannot assign a %s to a %s".
  virtual void Assign(TPersistent* Source);
  // The object that owns this one in the persistent sense (a component's owner, an item's
  // collection, a collection's owner); null by default.
  virtual TPersistent* GetOwner() const;
  // The path that names this object from its root ("Form1.Font", "Items[2]"): by default the
  // class name, behind the owner's path.
  virtual String GetNamePath() const;

 protected:
  friend class TFiler;
  friend class TReader;
  friend class TWriter;
  // Copies this object into Dest; the base raises the assignment error.
  virtual void AssignTo(TPersistent* Dest);
  // Declares data that is streamed but is no published property.
  virtual void DefineProperties(TFiler* Filer);
  [[noreturn]] void AssignError(TPersistent* Source);
};

enum TOperation : Byte { opInsert, opRemove };

enum TComponentStateItem : Byte {
  csLoading,
  csReading,
  csWriting,
  csDestroying,
  csDesigning,
  csAncestor,
  csUpdating,
  csFixups,
  csFreeNotification,
  csInline,
  csDesignInstance
};
constexpr Integer EnumHigh(TComponentStateItem) { return csDesignInstance; }
using TComponentState = TSet<TComponentStateItem>;

enum TComponentStyleItem : Byte { csInheritable, csCheckPropAvail, csSubComponent, csTransient };
constexpr Integer EnumHigh(TComponentStyleItem) { return csTransient; }
using TComponentStyle = TSet<TComponentStyleItem>;

using TComponentName = String;
using TGetChildProc = std::function<void(TComponent* Child)>;

class TComponent : public TPersistent, public virtual IInterface {
  ZCL_CLASS(TComponent, TPersistent)
 public:
  // Virtual constructors of components take the owner.
  using TCreateSignature = void(TComponent* AOwner);

  // Joins AOwner's components. Once construction has finished (AfterConstruction) the owner
  // validates the component (ValidateInsert; if it refuses, the component leaves it again) and
  // is told with opInsert.
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  // Answers IInterface (and what descendants list); never counted: the owner frees components.
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override;
  Integer _AddRef() override { return -1; }
  Integer _Release() override { return -1; }

  TComponent* GetOwner() const override { return FOwner; }
  Integer GetComponentCount() const { return static_cast<Integer>(FComponents.size()); }
  // Raises EListError "List index out of bounds (%d)" outside 0 .. ComponentCount - 1.
  TComponent* GetComponent(Integer Index) const;
  // The position in the owner's list; -1 without an owner.
  Integer GetComponentIndex() const;
  void SetComponentIndex(Integer Value);
  // The owned component of that name, ignoring case; null for an empty name or none.
  TComponent* FindComponent(StringView AName) const;
  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);
  // Frees the owned components, last first.
  void DestroyComponents();
  void Destroying();

  const TComponentName& GetName() const { return FName; }
  // Raises EComponentError "'%s' is not a valid component name" for a non-empty name that is
  // no identifier, and "A component named %s already exists" when a sibling has it.
  virtual void SetName(const TComponentName& NewName);
  NativeInt GetTag() const { return FTag; }
  void SetTag(NativeInt Value) { FTag = Value; }
  Integer GetDesignInfo() const { return FDesignInfo; }
  void SetDesignInfo(Integer Value) { FDesignInfo = Value; }
  TComponentState GetComponentState() const { return FComponentState; }
  TComponentStyle GetComponentStyle() const { return FComponentStyle; }
  String GetNamePath() const override { return FName; }

  // AComponent wants to know when this one is destroyed (and the other way round): each gets
  // Notification(other, opRemove) before the other is gone. Components of the same owner need
  // no registration: the owner passes every notification to all it owns.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  // The component that displays this one (a control's parent); the base has none.
  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual bool HasParent() const { return false; }
  virtual void SetParentComponent(TComponent* Value);
  // Calls Proc for each child that is streamed with this component; the base has none.
  virtual void GetChildren(const TGetChildProc& Proc, TComponent* Root);
  // Called once a stream has been read into the component: clears csLoading.
  virtual void Loaded();
  void SetDesigning(bool Value, bool SetChildren = true);
  void SetSubComponent(bool IsSubComponent);

  static void DeclareProperties(TClassDeclaration<TComponent>& D);

 protected:
  // Told when AComponent is inserted into or removed from this component's owner tree, or
  // when a component this one watches is destroyed. The base drops a free notification of a
  // removed component and passes the notification to every owned component.
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  // Raises when AComponent, a component of this one, may not change from CurName to NewName.
  virtual void ValidateRename(TComponent* AComponent, const String& CurName, const String& NewName);
  virtual void ValidateContainer(TComponent* AComponent);
  virtual void ValidateInsert(TComponent* AComponent);
  virtual void SetChildOrder(TComponent* Child, Integer Order);
  // Assigns the name without checks.
  void ChangeName(const TComponentName& NewName);
  void Loading() { FComponentState.Include(csLoading); }
  void Updating() { FComponentState.Include(csUpdating); }
  void Updated() { FComponentState.Exclude(csUpdating); }
  void SetComponentState(TComponentState Value) { FComponentState = Value; }

 private:
  friend class TReader;
  friend class TWriter;
  void Insert(TComponent* AComponent);
  void Remove(TComponent* AComponent);
  void RemoveNotification(TComponent* AComponent);
  void RemoveFreeNotifications();
  // The owner-tree and notification work of destruction; runs once.
  void Dismantle();
  // Whether the component may do anything when its owner passes on a notification; see
  // FNotified.
  bool HearsNotifications() const;
  void ListNotified(TComponent* AComponent);
  void UnlistNotified(TComponent* AComponent);
  // Keeps the owner's lists in step with this component's name and notification needs.
  void NameIndexAdd(TComponent* AComponent);
  void NameIndexRemove(TComponent* AComponent);

  TComponent* FOwner = nullptr;
  TComponentName FName;
  NativeInt FTag = 0;
  Integer FDesignInfo = 0;
  std::vector<TComponent*> FComponents;
  // The owned components by name, ignoring case: built by the first look-up in a long list and
  // kept in step from then on; dropped while two owned components share a name.
  struct TNameIndex;
  std::unique_ptr<TNameIndex> FNameIndex;
  // The owned components that a notification is passed on to, in list order unless
  // FNotifiedUnordered. A component whose Notification is the base one and that has nothing
  // to pass on or unlink is left out, so that many plain siblings are not told of one another.
  std::vector<TComponent*> FNotified;
  bool FNotifiedUnordered = false;
  bool FListedNotified = false;  // in the owner's FNotified
  std::vector<TComponent*> FFreeNotifies;
  TComponentState FComponentState;
  TComponentStyle FComponentStyle{csInheritable};
  bool FDismantled = false;
  // Set while the owner has not yet been told of this component's insertion.
  bool FInsertPending = false;
};

// ---- collections ---------------------------------------------------------------------------------

class TCollectionItem : public TPersistent {
  ZCL_CLASS(TCollectionItem, TPersistent)
 public:
  // Virtual constructors of items take the collection.
  using TCreateSignature = void(TCollection* Collection);

  // Joins the collection (it gets its ID now; the collection is told with cnAdded once
  // construction has finished).
  explicit TCollectionItem(TCollection* ACollection);
  ~TCollectionItem() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  TCollection* GetCollection() const { return FCollection; }
  // Moves the item to another collection (or out of any, with null).
  virtual void SetCollection(TCollection* Value);
  Integer GetID() const { return FID; }
  // The position in the collection; -1 outside one.
  Integer GetIndex() const;
  // Moves the item within its collection; EListError for a position outside it.
  virtual void SetIndex(Integer Value);
  // The text the designer shows; the class name by default.
  virtual String GetDisplayName() const;
  virtual void SetDisplayName(const String& Value);
  TPersistent* GetOwner() const override;
  String GetNamePath() const override;

 protected:
  // Reports a change: the item alone, or with AllItems every item. Nothing during an update.
  void Changed(bool AllItems);

 private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
  Integer FID = 0;
  // Set while the collection has not yet been told of this item's addition.
  bool FAddPending = false;
};

class TCollection : public TPersistent {
  ZCL_CLASS(TCollection, TPersistent)
 public:
  // ItemClass must be TCollectionItem or a descendant (EInvalidCast otherwise).
  explicit TCollection(TCollectionItemClass ItemClass);
  ~TCollection() override;
  void BeforeDestruction() override;

  // A new item of the item class, last.
  TCollectionItem* Add();
  // A new item at Index.
  TCollectionItem* Insert(Integer Index);
  // Frees the item at Index (Notify cnDeleting first).
  void Delete(Integer Index);
  void Clear();
  void Exchange(Integer Index1, Integer Index2);
  void Move(Integer CurIndex, Integer NewIndex);
  Integer GetCount() const { return static_cast<Integer>(FItems.size()); }
  // EListError "List index out of bounds (%d)" outside the list.
  TCollectionItem* GetItem(Integer Index) const;
  // Assigns Value to the item at Index.
  void SetItem(Integer Index, TCollectionItem* Value);
  TCollectionItem* FindItemID(Integer ID) const;
  TCollectionItemClass GetItemClass() const { return FItemClass; }

  // Updates nest; while one is open, changes call no Update. The last EndUpdate reports one
  // change of all items.
  virtual void BeginUpdate();
  virtual void EndUpdate();
  Integer GetUpdateCount() const { return FUpdateCount; }

  void Assign(TPersistent* Source) override;
  String GetNamePath() const override;

  template <class T>
  T* Add() {
    return static_cast<T*>(Add());
  }
  template <class T>
  T* GetItem(Integer Index) const {
    return static_cast<T*>(GetItem(Index));
  }

 protected:
  // A change of Item, or of every item when Item is null. Empty here.
  virtual void Update(TCollectionItem* Item);
  // Item was added (cnAdded), is leaving (cnExtracting) or is about to be freed (cnDeleting).
  virtual void Notify(TCollectionItem* Item, TCollectionNotification Action);
  // Update(nil) unless an update is open.
  void Changed();
  // The name of the owner's property that holds this collection; empty when none does.
  String GetPropName() const;

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* Item, bool CheckClass);
  void RemoveItem(TCollectionItem* Item);

  TCollectionItemClass FItemClass;
  std::vector<TCollectionItem*> FItems;
  Integer FUpdateCount = 0;
  Integer FNextID = 0;
};

// A collection with an owner (the persistent that holds it), for name paths and streaming.
class TOwnedCollection : public TCollection {
  ZCL_CLASS(TOwnedCollection, TCollection)
 public:
  TOwnedCollection(TPersistent* AOwner, TCollectionItemClass ItemClass);
  TPersistent* GetOwner() const override { return FOwner; }

 private:
  TPersistent* FOwner;
};

// Unit hooks (RTL.Units.cpp).
namespace detail {
void ClassesInitialization();
}  // namespace detail
