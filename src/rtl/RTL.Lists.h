#pragma once
// The classic lists: TList (pointers, with change notification), TObjectList (owning),
// TThreadList (a TList behind a lock), TInterfaceList (counted interface references, thread-safe)
// and TComponentList (drops components as they are destroyed).
//
// Index errors raise EListError with the index: "List index out of bounds (%d)"; capacity and
// count errors "List capacity out of bounds (%d)" and "List count out of bounds (%d)".

#include <functional>
#include <memory>
#include <mutex>

#include "rtl/RTL.Interfaces.h"
#include "rtl/RTL.Objects.h"
#include "rtl/RTL.Types.h"

class TComponent;

// What a list or collection does with an item that is already in it.
enum TDuplicates : Byte { dupIgnore, dupAccept, dupError };

enum TListNotification : Byte { lnAdded, lnExtracted, lnDeleted };

// Assign's set operations, "this" being the destination and the source the other list.
enum TListAssignOp : Byte {
  laCopy,       // the source's items
  laAnd,        // items in both
  laOr,         // items in either
  laXor,        // items in exactly one
  laSrcUnique,  // destination items not in the source
  laDestUnique  // source items not in the destination
};

// Negative, zero or positive as Item1 sorts before, with or after Item2.
using TListSortCompare = Integer (*)(Pointer Item1, Pointer Item2);
using TListSortCompareFunc = std::function<Integer(Pointer Item1, Pointer Item2)>;

inline constexpr Integer MaxListSize = MaxInt / 16;

class TList : public TObject {
  ZCL_CLASS(TList, TObject)
 public:
  TList() = default;
  // Releases the storage. Freed through Free, the list is cleared first with notifications.
  ~TList() override;
  void BeforeDestruction() override;

  // Appends Item and returns its index.
  Integer Add(Pointer Item);
  // Deletes every item (last first, each notified lnDeleted) and releases the storage.
  virtual void Clear();
  void Delete(Integer Index);
  void Exchange(Integer Index1, Integer Index2);
  // Grows the capacity when the list is full.
  TList* Expand();
  // Takes the first occurrence of Item out of the list without deleting it (lnExtracted);
  // returns Item, or null when it is not in the list.
  Pointer Extract(Pointer Item);
  Pointer First() const { return GetItems(0); }
  Pointer Last() const { return GetItems(FCount - 1); }
  // The index of the first occurrence, -1 when absent.
  Integer IndexOf(Pointer Item) const;
  void Insert(Integer Index, Pointer Item);
  // Moves the item at CurIndex to NewIndex without notifications.
  void Move(Integer CurIndex, Integer NewIndex);
  // Deletes the first occurrence of Item; its former index, or -1.
  Integer Remove(Pointer Item);
  // Drops the null items (they were never notified).
  void Pack();
  // Quicksort; not stable. A compare function that is not a consistent order leaves the items
  // in some order but never reads outside the list.
  void Sort(TListSortCompare Compare);
  void SortList(const TListSortCompareFunc& Compare);
  // Set operations with ListA, or with ListA and ListB (then this list first becomes a copy of
  // ListA and ListB is the source). Assigning a list to itself changes nothing.
  void Assign(TList* ListA, TListAssignOp AOperator = laCopy, TList* ListB = nullptr);

  Integer GetCapacity() const { return FCapacity; }
  void SetCapacity(Integer NewCapacity);
  Integer GetCount() const { return FCount; }
  // Growing adds null items (not notified); shrinking deletes from the end.
  void SetCount(Integer NewCount);
  Pointer GetItems(Integer Index) const;
  // Replaces the item: the old one is notified lnDeleted, the new one lnAdded.
  void SetItems(Integer Index, Pointer Item);
  Pointer operator[](Integer Index) const { return GetItems(Index); }
  // The item array itself (GetCount() items), for sorters and fast loops.
  Pointer* GetList() const { return FList; }

  Pointer* begin() const { return FList; }
  Pointer* end() const { return FList + FCount; }

  [[noreturn]] static void Error(StringView Msg, Integer Data);

 protected:
  virtual void Grow();
  // Told after an item entered (lnAdded) or left the list; null items are never notified.
  virtual void Notify(Pointer Ptr, TListNotification Action);

 private:
  void CheckIndex(Integer Index) const;
  Pointer* FList = nullptr;
  Integer FCount = 0;
  Integer FCapacity = 0;
};

// A list of objects that frees the objects it deletes while OwnsObjects is set (the default).
// Extracted objects are handed back, never freed.
class TObjectList : public TList {
  ZCL_CLASS(TObjectList, TList)
 public:
  TObjectList() = default;
  explicit TObjectList(bool AOwnsObjects) : FOwnsObjects(AOwnsObjects) {}
  // Frees what is still owned when the list was not cleared through Free.
  ~TObjectList() override;

  Integer Add(TObject* Obj) { return TList::Add(Obj); }
  TObject* Extract(TObject* Item) { return static_cast<TObject*>(TList::Extract(Item)); }
  Integer Remove(TObject* Obj) { return TList::Remove(Obj); }
  Integer IndexOf(TObject* Obj) const { return TList::IndexOf(Obj); }
  void Insert(Integer Index, TObject* Obj) { TList::Insert(Index, Obj); }
  TObject* First() const { return static_cast<TObject*>(TList::First()); }
  TObject* Last() const { return static_cast<TObject*>(TList::Last()); }
  TObject* GetItems(Integer Index) const { return static_cast<TObject*>(TList::GetItems(Index)); }
  void SetItems(Integer Index, TObject* Obj) { TList::SetItems(Index, Obj); }
  TObject* operator[](Integer Index) const { return GetItems(Index); }
  // The index of the first object from AStartAt on that is of AClass (exactly, or a descendant).
  Integer FindInstanceOf(TClass AClass, bool AExact = true, Integer AStartAt = 0) const;

  bool GetOwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }

 protected:
  void Notify(Pointer Ptr, TListNotification Action) override;

 private:
  bool FOwnsObjects = true;
};

// A TList shared between threads: LockList hands it out under the lock (the same thread may lock
// again), UnlockList ends that.
class TThreadList : public TObject {
  ZCL_CLASS(TThreadList, TObject)
 public:
  TThreadList();
  ~TThreadList() override;

  // Adds Item by the Duplicates policy: dupIgnore drops a repeated item, dupAccept adds it,
  // dupError raises EListError "Duplicates not allowed".
  void Add(Pointer Item);
  void Clear();
  TList* LockList();
  void Remove(Pointer Item);
  void UnlockList();

  TDuplicates GetDuplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }

 private:
  TList* FList;
  std::recursive_mutex FLock;
  TDuplicates FDuplicates = dupIgnore;
};

// A list of counted interface references, safe to use from several threads.
struct IInterfaceList : virtual IInterface {
  RTL_INTERFACE(IInterfaceList, IInterface, "{8E6B0D1A-2F4C-4A3B-9D57-61C2E8F0A711}")
  virtual IPtr<IInterface> Get(Integer Index) = 0;
  virtual Integer GetCapacity() = 0;
  virtual Integer GetCount() = 0;
  virtual void Put(Integer Index, const IPtr<IInterface>& Item) = 0;
  virtual void SetCapacity(Integer NewCapacity) = 0;
  virtual void SetCount(Integer NewCount) = 0;
  virtual void Clear() = 0;
  virtual void Delete(Integer Index) = 0;
  virtual void Exchange(Integer Index1, Integer Index2) = 0;
  virtual IPtr<IInterface> First() = 0;
  virtual Integer IndexOf(const IPtr<IInterface>& Item) = 0;
  virtual Integer Add(const IPtr<IInterface>& Item) = 0;
  virtual void Insert(Integer Index, const IPtr<IInterface>& Item) = 0;
  virtual IPtr<IInterface> Last() = 0;
  virtual Integer Remove(const IPtr<IInterface>& Item) = 0;
  // Holds the list's lock (reentrant) so that several calls run as one.
  virtual void Lock() = 0;
  virtual void Unlock() = 0;
};

// Items compare by identity of their IInterface; the list holds one reference per item.
class TInterfaceList : public TInterfacedObject, public IInterfaceList {
  ZCL_CLASS(TInterfaceList, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IInterfaceList)
 public:
  TInterfaceList();
  ~TInterfaceList() override;

  IPtr<IInterface> Get(Integer Index) override;
  Integer GetCapacity() override;
  Integer GetCount() override;
  void Put(Integer Index, const IPtr<IInterface>& Item) override;
  void SetCapacity(Integer NewCapacity) override;
  // Growing adds null items; shrinking releases the dropped ones.
  void SetCount(Integer NewCount) override;
  void Clear() override;
  void Delete(Integer Index) override;
  void Exchange(Integer Index1, Integer Index2) override;
  IPtr<IInterface> First() override;
  Integer IndexOf(const IPtr<IInterface>& Item) override;
  Integer Add(const IPtr<IInterface>& Item) override;
  void Insert(Integer Index, const IPtr<IInterface>& Item) override;
  IPtr<IInterface> Last() override;
  Integer Remove(const IPtr<IInterface>& Item) override;
  void Lock() override;
  void Unlock() override;
  TInterfaceList* Expand();

 private:
  // Pointers to the items' IInterface, each holding one reference; the list's own lock guards them.
  TThreadList* FList;
};

namespace detail {
class TComponentListNexus;
}

// A list of components that drops each component the moment it is destroyed (through free
// notification), so it never holds a dangling pointer. Owning by default, as TObjectList.
class TComponentList : public TObjectList {
  ZCL_CLASS(TComponentList, TObjectList)
 public:
  TComponentList();
  explicit TComponentList(bool AOwnsObjects);
  ~TComponentList() override;

  Integer Add(TComponent* Component);
  TComponent* Extract(TComponent* Item);
  Integer Remove(TComponent* Component);
  Integer IndexOf(TComponent* Component) const;
  void Insert(Integer Index, TComponent* Component);
  TComponent* First() const;
  TComponent* Last() const;
  TComponent* GetItems(Integer Index) const;
  void SetItems(Integer Index, TComponent* Component);
  TComponent* operator[](Integer Index) const { return GetItems(Index); }

 protected:
  void Notify(Pointer Ptr, TListNotification Action) override;

 private:
  friend class detail::TComponentListNexus;
  // Takes every occurrence of a component that is being destroyed out of the list.
  void HandleFreeNotify(TComponent* AComponent);
  detail::TComponentListNexus* FNexus = nullptr;
};
