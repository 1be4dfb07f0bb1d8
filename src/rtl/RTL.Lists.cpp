#include "rtl/RTL.Lists.h"

#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "rtl/RTL.Classes.h"
#include "rtl/RTL.Exceptions.h"

namespace {
constexpr StringView SListIndexError = u"List index out of bounds (%d)";
constexpr StringView SListCapacityError = u"List capacity out of bounds (%d)";
constexpr StringView SListCountError = u"List count out of bounds (%d)";
constexpr StringView SDuplicateItem = u"Duplicates not allowed";

// The platform's growth: +4 while small, +16 up to 64, then half as much again.
Integer GrowCapacity(Integer Capacity, Integer NeededCount) {
  Int64 result = Capacity;
  do {
    if (result > 64)
      result = result * 3 / 2;
    else if (result > 8)
      result += 16;
    else
      result += 4;
  } while (result < NeededCount);
  return static_cast<Integer>(std::min<Int64>(result, MaxListSize));
}

// The platform's quicksort, with the scans bounded to the range so that an inconsistent compare
// function cannot run them off the array.
template <class Compare>
void QuickSort(Pointer* Items, Integer L, Integer R, const Compare& Cmp) {
  while (L < R) {
    if (R - L == 1) {
      if (Cmp(Items[L], Items[R]) > 0) std::swap(Items[L], Items[R]);
      return;
    }
    Integer i = L, j = R;
    const Pointer pivot = Items[L + (R - L) / 2];
    do {
      while (i < R && Cmp(Items[i], pivot) < 0) ++i;
      while (j > L && Cmp(Items[j], pivot) > 0) --j;
      if (i <= j) {
        if (i != j) std::swap(Items[i], Items[j]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (j - L > R - i) {
      if (i < R) QuickSort(Items, i, R, Cmp);
      R = j;
    } else {
      if (L < j) QuickSort(Items, L, j, Cmp);
      L = i;
    }
  }
}
}  // namespace

// --- TList ---

TList::~TList() { std::free(FList); }

void TList::BeforeDestruction() {
  Clear();
  TObject::BeforeDestruction();
}

void TList::Error(StringView Msg, Integer Data) { throw EListError(Msg, {Data}); }

void TList::CheckIndex(Integer Index) const {
  if (Index < 0 || Index >= FCount) Error(SListIndexError, Index);
}

Integer TList::Add(Pointer Item) {
  const Integer result = FCount;
  if (result == FCapacity) Grow();
  FList[result] = Item;
  ++FCount;
  if (Item) Notify(Item, lnAdded);
  return result;
}

void TList::Clear() {
  SetCount(0);
  SetCapacity(0);
}

void TList::Delete(Integer Index) {
  CheckIndex(Index);
  const Pointer item = FList[Index];
  --FCount;
  if (Index < FCount) std::memmove(FList + Index, FList + Index + 1, (FCount - Index) * sizeof(Pointer));
  if (item) Notify(item, lnDeleted);
}

void TList::Exchange(Integer Index1, Integer Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  std::swap(FList[Index1], FList[Index2]);
}

TList* TList::Expand() {
  if (FCount == FCapacity) Grow();
  return this;
}

Pointer TList::Extract(Pointer Item) {
  const Integer index = IndexOf(Item);
  if (index < 0) return nullptr;
  // Deleted as null, so it is told lnExtracted only.
  FList[index] = nullptr;
  Delete(index);
  if (Item) Notify(Item, lnExtracted);
  return Item;
}

Integer TList::IndexOf(Pointer Item) const {
  for (Integer i = 0; i < FCount; ++i)
    if (FList[i] == Item) return i;
  return -1;
}

void TList::Insert(Integer Index, Pointer Item) {
  if (Index < 0 || Index > FCount) Error(SListIndexError, Index);
  if (FCount == FCapacity) Grow();
  if (Index < FCount) std::memmove(FList + Index + 1, FList + Index, (FCount - Index) * sizeof(Pointer));
  FList[Index] = Item;
  ++FCount;
  if (Item) Notify(Item, lnAdded);
}

void TList::Move(Integer CurIndex, Integer NewIndex) {
  if (CurIndex == NewIndex) return;
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  const Pointer item = FList[CurIndex];
  if (CurIndex < NewIndex)
    std::memmove(FList + CurIndex, FList + CurIndex + 1, (NewIndex - CurIndex) * sizeof(Pointer));
  else
    std::memmove(FList + NewIndex + 1, FList + NewIndex, (CurIndex - NewIndex) * sizeof(Pointer));
  FList[NewIndex] = item;
}

Integer TList::Remove(Pointer Item) {
  const Integer index = IndexOf(Item);
  if (index >= 0) Delete(index);
  return index;
}

void TList::Pack() {
  Integer kept = 0;
  for (Integer i = 0; i < FCount; ++i)
    if (FList[i]) FList[kept++] = FList[i];
  FCount = kept;
}

void TList::Sort(TListSortCompare Compare) {
  if (FCount > 1 && Compare) QuickSort(FList, 0, FCount - 1, Compare);
}

void TList::SortList(const TListSortCompareFunc& Compare) {
  if (FCount > 1 && Compare) QuickSort(FList, 0, FCount - 1, Compare);
}

void TList::Assign(TList* ListA, TListAssignOp AOperator, TList* ListB) {
  TList* source = ListA;
  if (ListB) {
    source = ListB;
    Assign(ListA);
  }
  if (!source) return;
  switch (AOperator) {
    case laCopy:
      if (source == this) return;  // clearing first would lose the items
      Clear();
      SetCapacity(source->FCapacity);
      for (Integer i = 0; i < source->FCount; ++i) Add(source->FList[i]);
      break;
    case laAnd:
      for (Integer i = FCount - 1; i >= 0; --i)
        if (source->IndexOf(FList[i]) < 0) Delete(i);
      break;
    case laOr:
      for (Integer i = 0; i < source->FCount; ++i)
        if (IndexOf(source->FList[i]) < 0) Add(source->FList[i]);
      break;
    case laXor: {
      TList onlyInSource;
      onlyInSource.SetCapacity(source->FCount);
      for (Integer i = 0; i < source->FCount; ++i)
        if (IndexOf(source->FList[i]) < 0) onlyInSource.Add(source->FList[i]);
      for (Integer i = FCount - 1; i >= 0; --i)
        if (source->IndexOf(FList[i]) >= 0) Delete(i);
      if (FCapacity < FCount + onlyInSource.FCount) SetCapacity(FCount + onlyInSource.FCount);
      for (Pointer item : onlyInSource) Add(item);
      break;
    }
    case laSrcUnique:
      for (Integer i = FCount - 1; i >= 0; --i)
        if (source->IndexOf(FList[i]) >= 0) Delete(i);
      break;
    case laDestUnique: {
      TList onlyInSource;
      onlyInSource.SetCapacity(source->FCount);
      for (Integer i = source->FCount - 1; i >= 0; --i)
        if (IndexOf(source->FList[i]) < 0) onlyInSource.Add(source->FList[i]);
      Assign(&onlyInSource);
      break;
    }
  }
}

void TList::SetCapacity(Integer NewCapacity) {
  if (NewCapacity < FCount || NewCapacity > MaxListSize) Error(SListCapacityError, NewCapacity);
  if (NewCapacity == FCapacity) return;
  if (NewCapacity == 0) {
    std::free(FList);
    FList = nullptr;
  } else {
    auto* grown = static_cast<Pointer*>(std::realloc(FList, size_t(NewCapacity) * sizeof(Pointer)));
    if (!grown) throw EOutOfMemory(u"Out of memory");
    FList = grown;
  }
  FCapacity = NewCapacity;
}

void TList::SetCount(Integer NewCount) {
  if (NewCount < 0 || NewCount > MaxListSize) Error(SListCountError, NewCount);
  if (NewCount > FCapacity) SetCapacity(NewCount);
  if (NewCount > FCount)
    std::memset(FList + FCount, 0, (NewCount - FCount) * sizeof(Pointer));
  else
    for (Integer i = FCount - 1; i >= NewCount; --i) Delete(i);
  FCount = NewCount;
}

Pointer TList::GetItems(Integer Index) const {
  CheckIndex(Index);
  return FList[Index];
}

void TList::SetItems(Integer Index, Pointer Item) {
  CheckIndex(Index);
  const Pointer old = FList[Index];
  if (Item == old) return;
  FList[Index] = Item;
  if (old) Notify(old, lnDeleted);
  if (Item) Notify(Item, lnAdded);
}

void TList::Grow() { SetCapacity(GrowCapacity(FCapacity, FCount + 1)); }

void TList::Notify(Pointer, TListNotification) {}

// --- TObjectList ---

TObjectList::~TObjectList() {
  // Freed through Free the list is empty already; a list destroyed otherwise (a member of
  // another object) still frees what it owns, last first.
  if (FOwnsObjects)
    for (Integer i = GetCount() - 1; i >= 0; --i) ::Free(static_cast<TObject*>(GetList()[i]));
}

void TObjectList::Notify(Pointer Ptr, TListNotification Action) {
  if (FOwnsObjects && Action == lnDeleted) ::Free(static_cast<TObject*>(Ptr));
  TList::Notify(Ptr, Action);
}

Integer TObjectList::FindInstanceOf(TClass AClass, bool AExact, Integer AStartAt) const {
  for (Integer i = std::max(AStartAt, 0); i < GetCount(); ++i) {
    const TObject* obj = GetItems(i);
    if (!obj) continue;
    if (AExact ? obj->ClassType() == AClass : obj->InheritsFrom(AClass)) return i;
  }
  return -1;
}

// --- TThreadList ---

TThreadList::TThreadList() : FList(new TList) {}

TThreadList::~TThreadList() { ::Free(FList); }

void TThreadList::Add(Pointer Item) {
  std::lock_guard lock(FLock);
  if (FDuplicates == dupAccept || FList->IndexOf(Item) < 0)
    FList->Add(Item);
  else if (FDuplicates == dupError)
    throw EListError(String(SDuplicateItem));
}

void TThreadList::Clear() {
  std::lock_guard lock(FLock);
  FList->Clear();
}

TList* TThreadList::LockList() {
  FLock.lock();
  return FList;
}

void TThreadList::Remove(Pointer Item) {
  std::lock_guard lock(FLock);
  FList->Remove(Item);
}

void TThreadList::UnlockList() { FLock.unlock(); }

// --- TInterfaceList ---

namespace {
// Holds the list's lock for a scope.
class TListLock {
 public:
  explicit TListLock(TThreadList* List) : FList(List), FItems(List->LockList()) {}
  ~TListLock() { FList->UnlockList(); }
  TList* operator->() const { return FItems; }
  TList* Items() const { return FItems; }

 private:
  TThreadList* FList;
  TList* FItems;
};

IInterface* Held(TList* Items, Integer Index) { return static_cast<IInterface*>(Items->GetItems(Index)); }
}  // namespace

TInterfaceList::TInterfaceList() : FList(new TThreadList) { FList->SetDuplicates(dupAccept); }

TInterfaceList::~TInterfaceList() {
  Clear();
  ::Free(FList);
}

IPtr<IInterface> TInterfaceList::Get(Integer Index) {
  TListLock items(FList);
  return Held(items.Items(), Index);
}

Integer TInterfaceList::GetCapacity() {
  TListLock items(FList);
  return items->GetCapacity();
}

Integer TInterfaceList::GetCount() {
  TListLock items(FList);
  return items->GetCount();
}

void TInterfaceList::Put(Integer Index, const IPtr<IInterface>& Item) {
  IPtr<IInterface> old;
  {
    TListLock items(FList);
    IInterface* previous = Held(items.Items(), Index);
    if (Item) Item->_AddRef();
    items->GetList()[Index] = Item.get();
    old = IPtr<IInterface>::Adopt(previous);
  }
  // The old reference goes outside the lock: its release may run arbitrary code.
}

void TInterfaceList::SetCapacity(Integer NewCapacity) {
  TListLock items(FList);
  items->SetCapacity(NewCapacity);
}

// Dropped references are released after the lock is left: a release may run arbitrary code.
void TInterfaceList::SetCount(Integer NewCount) {
  std::vector<IPtr<IInterface>> dropped;
  TListLock items(FList);
  if (NewCount < 0 || NewCount > MaxListSize) TList::Error(SListCountError, NewCount);
  for (Integer i = items->GetCount() - 1; i >= NewCount; --i) dropped.push_back(IPtr<IInterface>::Adopt(Held(items.Items(), i)));
  items->SetCount(NewCount);
}

void TInterfaceList::Clear() {
  std::vector<IPtr<IInterface>> dropped;
  TListLock items(FList);
  for (Integer i = items->GetCount() - 1; i >= 0; --i) dropped.push_back(IPtr<IInterface>::Adopt(Held(items.Items(), i)));
  items->Clear();
}

void TInterfaceList::Delete(Integer Index) {
  IPtr<IInterface> dropped;
  TListLock items(FList);
  dropped = IPtr<IInterface>::Adopt(Held(items.Items(), Index));
  items->Delete(Index);
}

void TInterfaceList::Exchange(Integer Index1, Integer Index2) {
  TListLock items(FList);
  items->Exchange(Index1, Index2);
}

IPtr<IInterface> TInterfaceList::First() { return Get(0); }

IPtr<IInterface> TInterfaceList::Last() {
  TListLock items(FList);
  return Held(items.Items(), items->GetCount() - 1);
}

Integer TInterfaceList::IndexOf(const IPtr<IInterface>& Item) {
  TListLock items(FList);
  return items->IndexOf(Item.get());
}

Integer TInterfaceList::Add(const IPtr<IInterface>& Item) {
  TListLock items(FList);
  const Integer index = items->Add(Item.get());
  if (Item) Item->_AddRef();
  return index;
}

void TInterfaceList::Insert(Integer Index, const IPtr<IInterface>& Item) {
  TListLock items(FList);
  items->Insert(Index, Item.get());
  if (Item) Item->_AddRef();
}

Integer TInterfaceList::Remove(const IPtr<IInterface>& Item) {
  TListLock items(FList);
  const Integer index = items->IndexOf(Item.get());
  if (index >= 0) Delete(index);
  return index;
}

void TInterfaceList::Lock() { FList->LockList(); }

void TInterfaceList::Unlock() { FList->UnlockList(); }

TInterfaceList* TInterfaceList::Expand() {
  TListLock items(FList);
  items->Expand();
  return this;
}

// --- TComponentList ---

namespace detail {
// The component that watches the list's components for it.
class TComponentListNexus : public TComponent {
 public:
  explicit TComponentListNexus(TComponentList* List) : TComponent(nullptr), FList(List) {}

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    if (Operation == opRemove && FList) FList->HandleFreeNotify(AComponent);
    TComponent::Notification(AComponent, Operation);
  }

 private:
  TComponentList* FList;
};
}  // namespace detail

namespace {
TComponent* AsComponent(Pointer Ptr) { return static_cast<TComponent*>(static_cast<TObject*>(Ptr)); }
}  // namespace

TComponentList::TComponentList() : TComponentList(true) {}

TComponentList::TComponentList(bool AOwnsObjects)
    : TObjectList(AOwnsObjects), FNexus(Create<detail::TComponentListNexus>(this)) {}

TComponentList::~TComponentList() {
  // Destroyed without Free (Free clears first), the components that remain must stop telling
  // a nexus that is about to go; the object list then frees what it owns.
  for (Pointer item : *this)
    if (item) AsComponent(item)->RemoveFreeNotification(FNexus);
  ::Free(FNexus);
}

void TComponentList::Notify(Pointer Ptr, TListNotification Action) {
  if (Ptr) {
    // A component may be in the list more than once: it is watched while any occurrence remains.
    if (Action == lnAdded)
      AsComponent(Ptr)->FreeNotification(FNexus);
    else if (TList::IndexOf(Ptr) < 0)
      AsComponent(Ptr)->RemoveFreeNotification(FNexus);
  }
  TObjectList::Notify(Ptr, Action);
}

void TComponentList::HandleFreeNotify(TComponent* AComponent) {
  TObject* obj = AComponent;
  while (TObjectList::Extract(obj)) {
  }
}

Integer TComponentList::Add(TComponent* Component) { return TObjectList::Add(Component); }
TComponent* TComponentList::Extract(TComponent* Item) { return AsComponent(TObjectList::Extract(Item)); }
Integer TComponentList::Remove(TComponent* Component) { return TObjectList::Remove(Component); }
Integer TComponentList::IndexOf(TComponent* Component) const { return TObjectList::IndexOf(Component); }
void TComponentList::Insert(Integer Index, TComponent* Component) { TObjectList::Insert(Index, Component); }
TComponent* TComponentList::First() const { return AsComponent(TObjectList::First()); }
TComponent* TComponentList::Last() const { return AsComponent(TObjectList::Last()); }
TComponent* TComponentList::GetItems(Integer Index) const { return AsComponent(TObjectList::GetItems(Index)); }
void TComponentList::SetItems(Integer Index, TComponent* Component) { TObjectList::SetItems(Index, Component); }
