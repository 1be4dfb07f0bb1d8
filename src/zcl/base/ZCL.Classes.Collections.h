#pragma once
// The component library's generic collections: an enumerable base, an array-backed list with
// notifications and an owning object list, a hash dictionary with linear probing and
// backward-shift removal, a hash set, a two-way map, a class map, lock-guarded containers, a
// bounded value cache and the colour palette list.
//
// Notifications follow one rule: cnAdded when an item enters, cnExtracted when it is handed back
// to the caller, cnRemoved when it leaves for good; owning collections destroy an item only on
// cnRemoved, after the handler has seen it. Handlers run after the collection reached its new
// state.

#include <algorithm>
#include <functional>
#include <iterator>
#include <span>
#include <type_traits>
#include <utility>
#include <vector>

#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Generics.h"
#include "rtl/RTL.Geometry.h"
#include "rtl/RTL.Interfaces.h"
#include "rtl/RTL.Lists.h"
#include "rtl/RTL.Objects.h"
#include "rtl/RTL.Set.h"
#include "rtl/RTL.SyncObjs.h"
#include "zcl/base/ZCL.Classes.h"
#include "zcl/base/ZCL.Threading.h"

class Variant;

// ---- enumeration ---------------------------------------------------------------------------------

template <class T>
struct IZCLEnumerator : virtual IInterface {
  RTL_INTERFACE(IZCLEnumerator, IInterface, "{6A3E1F52-0C4B-4D7E-9B21-5E8F3A7C1D20}")
  virtual T GetCurrent() = 0;
  virtual bool MoveNext() = 0;
};

template <class T>
struct IZCLEnumerable : virtual IInterface {
  RTL_INTERFACE(IZCLEnumerable, IInterface, "{6A3E1F52-0C4B-4D7E-9B21-5E8F3A7C1D21}")
  virtual IPtr<IZCLEnumerator<T>> GetEnumerator() = 0;
};

// A single-pass iterator over an enumerator, for range-for over any enumerable.
template <class T>
class TZCLEnumeratorIterator {
 public:
  using value_type = T;
  using difference_type = std::ptrdiff_t;
  using iterator_category = std::input_iterator_tag;

  TZCLEnumeratorIterator() = default;
  explicit TZCLEnumeratorIterator(IPtr<IZCLEnumerator<T>> Enumerator) : FEnumerator(std::move(Enumerator)) { Next(); }
  T operator*() const { return FEnumerator->GetCurrent(); }
  TZCLEnumeratorIterator& operator++() {
    Next();
    return *this;
  }
  bool operator==(const TZCLEnumeratorIterator& Other) const { return FEnumerator == Other.FEnumerator; }

 private:
  void Next() {
    if (FEnumerator && !FEnumerator->MoveNext()) FEnumerator = nullptr;
  }
  IPtr<IZCLEnumerator<T>> FEnumerator;
};

template <class T>
TZCLEnumeratorIterator<T> begin(const IPtr<IZCLEnumerable<T>>& Enumerable) {
  return TZCLEnumeratorIterator<T>(Enumerable->GetEnumerator());
}
template <class T>
TZCLEnumeratorIterator<T> end(const IPtr<IZCLEnumerable<T>>&) {
  return {};
}

namespace detail {
[[noreturn]] void RaiseArgumentOutOfRange();
[[noreturn]] void RaiseRangeOutOfRange(Integer Index, Integer Count, Integer ListCount);
[[noreturn]] void RaiseOutOfMemory();
[[noreturn]] void RaiseDuplicates();
[[noreturn]] void RaiseItemNotFound();
[[noreturn]] void RaiseInvalidClassTypecast();

template <class T>
constexpr bool IsObjectPointer =
    std::is_pointer_v<T>&& std::is_base_of_v<TObject, std::remove_cv_t<std::remove_pointer_t<T>>>;

// Destroys an owned item; only object pointers can be owned.
template <class T>
void FreeOwned(const T& Item) {
  if constexpr (IsObjectPointer<T>) Free(const_cast<TObject*>(static_cast<const TObject*>(Item)));
}
}  // namespace detail

// The root of the generic collections. Not counted: its owner frees it.
template <class T>
class TZCLEnumerable : public TZCLUnknownObject, public IZCLEnumerable<T> {
  ZCL_CLASS(TZCLEnumerable, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZCLEnumerable<T>)
  IPtr<IZCLEnumerator<T>> GetEnumerator() override = 0;
  // The enumerated items in order.
  virtual std::vector<T> ToArray() {
    std::vector<T> result;
    for (auto e = GetEnumerator(); e->MoveNext();) result.push_back(e->GetCurrent());
    return result;
  }
  TZCLEnumeratorIterator<T> begin() { return TZCLEnumeratorIterator<T>(GetEnumerator()); }
  TZCLEnumeratorIterator<T> end() { return {}; }
};

// ---- lists ---------------------------------------------------------------------------------------

template <class T>
using TZCLListCompareProc = std::function<Integer(const T& Left, const T& Right)>;

template <class T>
using TZCLListNotifyEvent = TDelegate<void(TObject* Sender, const T& Item, TCollectionNotification Action)>;

template <class T>
class TZCLListOf;

namespace detail {
// The order a list uses when it is given no comparer: the default order of T, and for variants
// (which have no default order) their comparison by value.
template <class T>
IPtr<IComparer<T>> ListDefaultComparer() {
  return TComparer<T>::Default();
}
template <>
IPtr<IComparer<Variant>> ListDefaultComparer<Variant>();
}  // namespace detail

// Walks a list by index; must not outlive the list.
template <class T>
class TZCLListEnumerator : public TInterfacedObject, public IZCLEnumerator<T> {
  ZCL_CLASS(TZCLListEnumerator, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZCLEnumerator<T>)
  explicit TZCLListEnumerator(TZCLListOf<T>* List) : FList(List) {}
  T GetCurrent() override { return FList->Data()[FIndex]; }
  bool MoveNext() override { return ++FIndex < FList->GetCount(); }

 private:
  TZCLListOf<T>* FList;
  Integer FIndex = -1;
};

// An array-backed list. Capacity doubles on growth and never shrinks on its own; slots beyond
// Count hold default values. Items are compared by the list's comparer (the default order of T
// unless one is given). Index errors raise EArgumentOutOfRangeException.
template <class T>
class TZCLListOf : public TZCLEnumerable<T> {
 public:
  template <class X>
  using TMetaClassFor = TClassRecordOf<X>;  // the base's is out of sight behind a dependent base

  ZCL_CLASS(TZCLListOf, TZCLEnumerable<T>)
 public:
  explicit TZCLListOf(IPtr<IComparer<T>> AComparer = nullptr)
      : FComparer(AComparer ? std::move(AComparer) : detail::ListDefaultComparer<T>()) {}
  ~TZCLListOf() override { Clear(); }

  Integer GetCount() const { return FCount; }
  // A larger count exposes default items without notification; a smaller one deletes the rest.
  void SetCount(Integer Value) {
    if (Value < 0) detail::RaiseArgumentOutOfRange();
    if (Value > GetCapacity()) SetCapacity(Value);
    if (Value < FCount) DeleteRangeCore(Value, FCount - Value, cnRemoved);
    FCount = Value;
  }
  Integer GetCapacity() const { return static_cast<Integer>(FItems.size()); }
  // Exactly Value slots; items beyond it are deleted first.
  void SetCapacity(Integer Value) {
    if (Value < FCount) SetCount(Value);
    FItems.resize(static_cast<size_t>(Value));
  }

  const T& GetItem(Integer Index) const {
    CheckIndex(Index);
    return FItems[static_cast<size_t>(Index)];
  }
  const T& operator[](Integer Index) const { return GetItem(Index); }
  // Replaces the item; the old one is notified cnRemoved, then the new one cnAdded.
  void SetItem(Integer Index, const T& Item) {
    CheckIndex(Index);
    T old = std::exchange(FItems[static_cast<size_t>(Index)], Item);
    if (FNotify) {
      Notify(old, cnRemoved);
      Notify(Item, cnAdded);
    }
  }

  const TZCLListNotifyEvent<T>& GetOnNotify() const { return FOnNotify; }
  void SetOnNotify(const TZCLListNotifyEvent<T>& Value) {
    FOnNotify = Value;
    UpdateNotifyFlag();
  }

  Integer Add(const T& Item) {
    EnsureCapacity(FCount + 1);
    FItems[static_cast<size_t>(FCount)] = Item;
    const Integer index = FCount++;
    if (FNotify) Notify(Item, cnAdded);
    return index;
  }
  void AddRange(const TZCLListOf<T>& List) {
    InsertRange(FCount, std::span<const T>(List.Data(), static_cast<size_t>(List.GetCount())));
  }
  void Assign(const TZCLListOf<T>& List) {
    Clear();
    AddRange(List);
  }
  void Insert(Integer Index, const T& Item) {
    if (Index < 0 || Index > FCount) detail::RaiseArgumentOutOfRange();
    EnsureCapacity(FCount + 1);
    auto* items = FItems.data();
    std::move_backward(items + Index, items + FCount, items + FCount + 1);
    items[Index] = Item;
    ++FCount;
    if (FNotify) Notify(Item, cnAdded);
  }
  // Inserts the first ItemCount elements of Items, notifying each in order; a negative ItemCount
  // or one beyond the array raises "Argument out of range".
  void InsertRange(Integer Index, std::span<const T> Items, Integer ItemCount) {
    if (Index < 0 || Index > FCount || ItemCount < 0 || static_cast<size_t>(ItemCount) > Items.size())
      detail::RaiseArgumentOutOfRange();
    if (ItemCount == 0) return;
    if (static_cast<Int64>(FCount) + ItemCount > 0x7FFFFFFF) detail::RaiseOutOfMemory();
    // Copied before growing: Items may point into this list.
    std::vector<T> copy(Items.begin(), Items.begin() + ItemCount);
    EnsureCapacity(FCount + ItemCount);
    auto* items = FItems.data();
    std::move_backward(items + Index, items + FCount, items + FCount + ItemCount);
    std::copy(copy.begin(), copy.end(), items + Index);
    FCount += ItemCount;
    if (FNotify)
      for (const T& item : copy) Notify(item, cnAdded);
  }
  void InsertRange(Integer Index, std::span<const T> Items) {
    InsertRange(Index, Items, static_cast<Integer>(Items.size()));
  }
  void InsertRange(Integer Index, std::initializer_list<T> Items) {
    InsertRange(Index, std::span<const T>(Items.begin(), Items.size()));
  }

  void Delete(Integer Index) { DeleteRange(Index, 1); }
  // Raises "Argument out of range [%d-%d] in %d" (Index, ItemCount, Count) for a bad range.
  void DeleteRange(Integer Index, Integer ItemCount) { DeleteRangeCore(Index, ItemCount, cnRemoved); }
  // The index the item had, or -1.
  Integer Remove(const T& Item) {
    const Integer index = IndexOf(Item);
    if (index >= 0) Delete(index);
    return index;
  }
  // Takes the item out without destroying it (cnExtracted); the default value when absent.
  T Extract(const T& Item) { return ExtractByIndex(IndexOf(Item)); }
  T ExtractByIndex(Integer Index) {
    if (Index < 0 || Index >= FCount) return T{};
    T item = FItems[static_cast<size_t>(Index)];
    DeleteRangeCore(Index, 1, cnExtracted);
    return item;
  }

  virtual Integer IndexOf(const T& Item, bool FromEnd = false) const {
    if (FromEnd) {
      for (Integer i = FCount - 1; i >= 0; --i)
        if (FComparer->Compare(FItems[static_cast<size_t>(i)], Item) == 0) return i;
    } else {
      for (Integer i = 0; i < FCount; ++i)
        if (FComparer->Compare(FItems[static_cast<size_t>(i)], Item) == 0) return i;
    }
    return -1;
  }
  bool Contains(const T& Item) const { return IndexOf(Item) >= 0; }
  // On a list sorted by its comparer: True with the first equal item's index, or False with the
  // insertion point that keeps the order.
  bool BinarySearch(const T& Item, Integer& Index) const {
    Integer low = 0, high = FCount - 1;
    while (low <= high) {
      Integer mid = low + (high - low) / 2;
      const Integer c = FComparer->Compare(FItems[static_cast<size_t>(mid)], Item);
      if (c < 0) {
        low = mid + 1;
      } else if (c > 0) {
        high = mid - 1;
      } else {
        while (mid > 0 && FComparer->Compare(FItems[static_cast<size_t>(mid - 1)], Item) == 0) --mid;
        Index = mid;
        return true;
      }
    }
    Index = low;
    return false;
  }

  // Empties the list (each item notified cnRemoved) and releases the storage.
  void Clear() { SetCapacity(0); }

  // Quicksort; not stable.
  void Sort() { SortRange(*FComparer); }
  void Sort(const IPtr<IComparer<T>>& AComparer) { SortRange(AComparer ? *AComparer : *FComparer); }
  void Sort(const TZCLListCompareProc<T>& Proc) { Sort(TComparer<T>::Construct(Proc)); }

  std::vector<T> ToArray() override { return std::vector<T>(FItems.begin(), FItems.begin() + FCount); }
  IPtr<IZCLEnumerator<T>> GetEnumerator() override { return Create<TZCLListEnumerator<T>>(this); }

  const IPtr<IComparer<T>>& GetComparer() const { return FComparer; }
  // Direct access to the Count items (for fast loops).
  const T* Data() const { return FItems.data(); }
  const T* begin() const { return FItems.data(); }
  const T* end() const { return FItems.data() + FCount; }

 protected:
  virtual void Notify(const T& Item, TCollectionNotification Action) {
    if (FOnNotify) FOnNotify(this, Item, Action);
  }
  // Notifications are delivered only while the result is True.
  virtual bool UpdateNotifyFlag() {
    FNotify = FOnNotify.Assigned();
    return FNotify;
  }
  bool FNotify = false;

 private:
  void CheckIndex(Integer Index) const {
    if (Index < 0 || Index >= FCount) detail::RaiseArgumentOutOfRange();
  }
  void EnsureCapacity(Integer Needed) {
    if (Needed < 0) detail::RaiseOutOfMemory();
    const Integer capacity = GetCapacity();
    if (capacity >= Needed) return;
    Int64 grown = capacity == 0 ? Needed : capacity;
    while (grown < Needed) grown *= 2;
    if (grown > 0x7FFFFFFF) detail::RaiseOutOfMemory();
    FItems.resize(static_cast<size_t>(grown));
  }
  void DeleteRangeCore(Integer Index, Integer ItemCount, TCollectionNotification Action) {
    if (Index < 0 || ItemCount < 0 || static_cast<Int64>(Index) + ItemCount > FCount)
      detail::RaiseRangeOutOfRange(Index, ItemCount, FCount);
    if (ItemCount == 0) return;
    auto* items = FItems.data();
    std::vector<T> removed;
    if (FNotify)
      removed.assign(std::make_move_iterator(items + Index), std::make_move_iterator(items + Index + ItemCount));
    std::move(items + Index + ItemCount, items + FCount, items + Index);
    std::fill(items + FCount - ItemCount, items + FCount, T{});
    FCount -= ItemCount;
    for (const T& item : removed) Notify(item, Action);
  }
  void SortRange(IComparer<T>& Cmp) {
    if (FCount > 1) QuickSort(Cmp, 0, FCount - 1);
  }
  void QuickSort(IComparer<T>& Cmp, Integer L, Integer R) {
    T* items = FItems.data();
    while (L < R) {
      if (R - L == 1) {
        if (Cmp.Compare(items[L], items[R]) > 0) std::swap(items[L], items[R]);
        return;
      }
      const T pivot = items[L + (R - L) / 2];
      Integer i = L, j = R;
      do {
        while (Cmp.Compare(items[i], pivot) < 0) ++i;
        while (Cmp.Compare(items[j], pivot) > 0) --j;
        if (i <= j) {
          if (i != j) std::swap(items[i], items[j]);
          ++i;
          --j;
        }
      } while (i <= j);
      if (j - L <= R - i) {
        if (L < j) QuickSort(Cmp, L, j);
        L = i;
      } else {
        if (i < R) QuickSort(Cmp, i, R);
        R = j;
      }
    }
  }

  IPtr<IComparer<T>> FComparer;
  Integer FCount = 0;
  std::vector<T> FItems;  // its size is the capacity
  TZCLListNotifyEvent<T> FOnNotify;
};

// A list of objects (T is the class) that destroys what it loses for good while it owns them.
template <class T>
class TZCLObjectListOf : public TZCLListOf<T*> {
 public:
  template <class X>
  using TMetaClassFor = TClassRecordOf<X>;  // the base's is out of sight behind a dependent base

  ZCL_CLASS(TZCLObjectListOf, TZCLListOf<T*>)
 public:
  explicit TZCLObjectListOf(bool AOwnObjects = true) : TZCLListOf<T*>(nullptr) { SetOwnObjects(AOwnObjects); }
  TZCLObjectListOf(IPtr<IComparer<T*>> AComparer, bool AOwnObjects) : TZCLListOf<T*>(std::move(AComparer)) {
    SetOwnObjects(AOwnObjects);
  }
  // Cleared here, while the owning override still dispatches.
  ~TZCLObjectListOf() override { this->Clear(); }

  bool GetOwnObjects() const { return FOwnObjects; }
  void SetOwnObjects(bool Value) {
    FOwnObjects = Value;
    UpdateNotifyFlag();
  }

 protected:
  void Notify(T* const& Item, TCollectionNotification Action) override {
    inherited::Notify(Item, Action);
    if (Action == cnRemoved && FOwnObjects) Free(Item);
  }
  bool UpdateNotifyFlag() override {
    inherited::UpdateNotifyFlag();
    this->FNotify = this->FNotify || FOwnObjects;
    return this->FNotify;
  }

 private:
  bool FOwnObjects = false;
};

using TZCLListOfInteger = TZCLListOf<Integer>;
using TZCLListOfString = TZCLListOf<String>;
// A list of single-precision values that can also search with a tolerance.
class TZCLFloatList : public TZCLListOf<Single> {
  ZCL_CLASS(TZCLFloatList, TZCLListOf<Single>)
 public:
  using TZCLListOf<Single>::TZCLListOf;
  using TZCLListOf<Single>::IndexOf;
  // The first index whose item differs from Value by less than Epsilon; -1 when none.
  Integer IndexOf(Single Value, Single Epsilon) const;
};
using TZCLVariantList = TZCLListOf<Variant>;  // users include rtl/RTL.Variant.h
using TZCLInterfaceList = TZCLListOf<IPtr<IInterface>>;

// ---- dictionaries --------------------------------------------------------------------------------

enum TDictionaryOwnership : Byte { doOwnsKeys, doOwnsValues };
constexpr Integer EnumHigh(TDictionaryOwnership) { return doOwnsValues; }
using TDictionaryOwnerships = TSet<TDictionaryOwnership>;

template <class K, class V>
class TZCLMap;
template <class T>
class TZCLHashSet;

namespace detail {
// (comparer hash + 1) and $7FFFFFFF: never -1, the empty-slot marker.
inline Integer TableHash(Integer ComparerHash) {
  return static_cast<Integer>((static_cast<Cardinal>(ComparerHash) + 1u) & 0x7FFFFFFFu);
}
// The smallest of 4, 8, 16... that holds N; 0 for 0.
Integer TableCapacityFor(Integer N);
// The value of a hash set's slots.
struct TNoValue {};
}  // namespace detail

// A key-to-value table: open addressing with linear probing, at most three quarters full,
// capacities 0 or powers of two from 4; removal shifts later slots back (no tombstones). Table
// order is neither insertion order nor stable across growth and removal.
template <class K, class V>
class TZCLDictionary : public TZCLEnumerable<TPair<K, V>> {
 public:
  template <class X>
  using TMetaClassFor = TClassRecordOf<X>;  // the base's is out of sight behind a dependent base

  using TParentClass = TZCLEnumerable<TPair<K, V>>;
  ZCL_CLASS(TZCLDictionary, TParentClass)
 public:
  using TPairType = TPair<K, V>;
  using TKeyNotifyEvent = TDelegate<void(TObject* Sender, const K& Key, TCollectionNotification Action)>;
  using TValueNotifyEvent = TDelegate<void(TObject* Sender, const V& Value, TCollectionNotification Action)>;

  struct TItem {
    Integer Hash = -1;
    K Key{};
    V Value{};
  };

  explicit TZCLDictionary(Integer ACapacity = 0, IPtr<IEqualityComparer<K>> AComparer = nullptr)
      : TZCLDictionary(TDictionaryOwnerships(), ACapacity, std::move(AComparer)) {}
  explicit TZCLDictionary(IPtr<IEqualityComparer<K>> AComparer) : TZCLDictionary(0, std::move(AComparer)) {}
  // Owning keys (values) needs object keys (values): EInvalidCast "Invalid class typecast".
  TZCLDictionary(TDictionaryOwnerships AOwnerships, Integer ACapacity = 0,
                 IPtr<IEqualityComparer<K>> AComparer = nullptr)
      : FComparer(AComparer ? std::move(AComparer) : TEqualityComparer<K>::Default()), FOwnerships(AOwnerships) {
    if (ACapacity < 0) detail::RaiseArgumentOutOfRange();
    if (AOwnerships.Contains(doOwnsKeys) && !detail::IsObjectPointer<K>) detail::RaiseInvalidClassTypecast();
    if (AOwnerships.Contains(doOwnsValues) && !detail::IsObjectPointer<V>) detail::RaiseInvalidClassTypecast();
    SetCapacity(ACapacity);
  }
  ~TZCLDictionary() override { Clear(false); }

  Integer GetCount() const { return FCount; }
  Integer GetCapacity() const { return static_cast<Integer>(FItems.size()); }
  // Raises "Argument out of range" below Count; otherwise the smallest power of two from 4 that
  // holds Value (0 for 0).
  virtual void SetCapacity(Integer Value) {
    if (Value < FCount) detail::RaiseArgumentOutOfRange();
    Rehash(detail::TableCapacityFor(Value));
  }
  TDictionaryOwnerships GetOwnerships() const { return FOwnerships; }

  // Raises EListError "Item not found" for a missing key.
  const V& GetItem(const K& Key) const {
    const Integer index = Find(Key, Hash(Key));
    if (index < 0) detail::RaiseItemNotFound();
    return FItems[static_cast<size_t>(index)].Value;
  }
  const V& operator[](const K& Key) const { return GetItem(Key); }

  // Raises EListError "Duplicates not allowed" for a present key.
  void Add(const K& Key, const V& Value) { AddCore(Key, Value, TAddMode::Raise); }
  bool TryAdd(const K& Key, const V& Value) { return AddCore(Key, Value, TAddMode::Ignore); }
  void AddOrSetValue(const K& Key, const V& Value) { AddCore(Key, Value, TAddMode::Replace); }
  // Nothing for a missing key.
  void Remove(const K& Key) {
    const Integer index = Find(Key, Hash(Key));
    if (index >= 0) RemoveAt(index, cnRemoved);
  }
  // Removes every pair whose value equals Value by the default equality of V.
  void RemoveValue(const V& Value) {
    std::vector<K> keys;
    for (const TItem& item : FItems)
      if (item.Hash != -1 && DefaultEquals(item.Value, Value)) keys.push_back(item.Key);
    for (const K& key : keys) Remove(key);
  }
  bool ContainsKey(const K& Key) const { return Find(Key, Hash(Key)) >= 0; }
  // The default value when the key is missing.
  bool TryGetValue(const K& Key, V& Value) const {
    const Integer index = Find(Key, Hash(Key));
    if (index < 0) {
      Value = V{};
      return false;
    }
    Value = FItems[static_cast<size_t>(index)].Value;
    return true;
  }
  // Every pair is notified cnRemoved (owned objects destroyed); without KeepCapacity the table
  // is released.
  virtual void Clear(bool KeepCapacity = false) {
    FCount = 0;
    std::vector<TItem> items;
    if (KeepCapacity) {
      items.resize(FItems.size());
      items.swap(FItems);
    } else {
      FGrowThreshold = 0;
      items.swap(FItems);
    }
    // Notified from a detached table, so a handler sees the dictionary already empty.
    for (TItem& item : items) {
      if (item.Hash == -1) continue;
      item.Hash = -1;
      KeyNotify(item.Key, cnRemoved);
      item.Key = K{};
      ValueNotify(item.Value, cnRemoved);
      item.Value = V{};
    }
  }
  virtual void Enum(const std::function<void(const K& Key, const V& Value)>& Proc) const {
    for (const TItem& item : FItems)
      if (item.Hash != -1) Proc(item.Key, item.Value);
  }
  // Each call makes a new enumerable that is its own enumerator: one loop per call.
  virtual IPtr<IZCLEnumerable<K>> Keys() { return Create<TKeyEnumerator>(this); }
  virtual IPtr<IZCLEnumerable<V>> Values() { return Create<TValueEnumerator>(this); }
  IPtr<IZCLEnumerator<TPairType>> GetEnumerator() override { return Create<TPairEnumerator>(this); }

  TKeyNotifyEvent OnKeyNotify;
  TValueNotifyEvent OnValueNotify;

  // The table, for fast loops over used slots (Hash != -1).
  const std::vector<TItem>& GetTable() const { return FItems; }

 protected:
  virtual void KeyNotify(const K& Key, TCollectionNotification Action) {
    if (OnKeyNotify) OnKeyNotify(this, Key, Action);
    if (Action == cnRemoved && FOwnerships.Contains(doOwnsKeys)) detail::FreeOwned(Key);
  }
  virtual void ValueNotify(const V& Value, TCollectionNotification Action) {
    if (OnValueNotify) OnValueNotify(this, Value, Action);
    if (Action == cnRemoved && FOwnerships.Contains(doOwnsValues)) detail::FreeOwned(Value);
  }

 private:
  friend class TZCLMap<K, V>;
  friend class TZCLHashSet<K>;
  enum class TAddMode { Raise, Ignore, Replace };

  class TCustomEnumerator : public TInterfacedObject {
   public:
    explicit TCustomEnumerator(TZCLDictionary* ADictionary) : FDictionary(ADictionary) {}
    bool MoveNext() {
      const auto& items = FDictionary->FItems;
      while (++FIndex < static_cast<Integer>(items.size()))
        if (items[static_cast<size_t>(FIndex)].Hash != -1) return true;
      return false;
    }
    const TItem& Slot() const { return FDictionary->FItems[static_cast<size_t>(FIndex)]; }

   private:
    TZCLDictionary* FDictionary;
    Integer FIndex = -1;
  };
  class TPairEnumerator : public TCustomEnumerator, public IZCLEnumerator<TPairType> {
   public:
    RTL_INTERFACES(TInterfacedObject, IZCLEnumerator<TPairType>)
    using TCustomEnumerator::TCustomEnumerator;
    TPairType GetCurrent() override { return TPairType(this->Slot().Key, this->Slot().Value); }
    bool MoveNext() override { return TCustomEnumerator::MoveNext(); }
  };
  class TKeyEnumerator : public TCustomEnumerator, public IZCLEnumerator<K>, public IZCLEnumerable<K> {
   public:
    RTL_INTERFACES(TInterfacedObject, IZCLEnumerator<K>, IZCLEnumerable<K>)
    using TCustomEnumerator::TCustomEnumerator;
    K GetCurrent() override { return this->Slot().Key; }
    bool MoveNext() override { return TCustomEnumerator::MoveNext(); }
    IPtr<IZCLEnumerator<K>> GetEnumerator() override { return static_cast<IZCLEnumerator<K>*>(this); }
  };
  class TValueEnumerator : public TCustomEnumerator, public IZCLEnumerator<V>, public IZCLEnumerable<V> {
   public:
    RTL_INTERFACES(TInterfacedObject, IZCLEnumerator<V>, IZCLEnumerable<V>)
    using TCustomEnumerator::TCustomEnumerator;
    V GetCurrent() override { return this->Slot().Value; }
    bool MoveNext() override { return TCustomEnumerator::MoveNext(); }
    IPtr<IZCLEnumerator<V>> GetEnumerator() override { return static_cast<IZCLEnumerator<V>*>(this); }
  };

  Integer Hash(const K& Key) const { return detail::TableHash(FComparer->GetHashCode(Key)); }
  // The slot of Key, or (not slot) of the free slot that ends its probe; INT_MIN for no table.
  Integer Find(const K& Key, Integer AHash) const {
    const Integer capacity = GetCapacity();
    if (capacity == 0) return static_cast<Integer>(0x80000000u);
    Integer i = AHash & (capacity - 1);
    for (;;) {
      const TItem& item = FItems[static_cast<size_t>(i)];
      if (item.Hash == -1) return ~i;
      if (item.Hash == AHash && FComparer->Equals(item.Key, Key)) return i;
      if (++i == capacity) i = 0;
    }
  }
  void Rehash(Integer NewCapacity) {
    if (NewCapacity == GetCapacity()) return;
    if (NewCapacity < 0) detail::RaiseOutOfMemory();
    std::vector<TItem> old(static_cast<size_t>(NewCapacity));
    old.swap(FItems);
    FGrowThreshold = NewCapacity / 2 + NewCapacity / 4;
    const Integer mask = NewCapacity - 1;
    for (TItem& item : old) {
      if (item.Hash == -1) continue;
      Integer i = item.Hash & mask;
      while (FItems[static_cast<size_t>(i)].Hash != -1) i = (i + 1) & mask;
      FItems[static_cast<size_t>(i)] = std::move(item);
    }
  }
  void Grow() {
    const Integer capacity = GetCapacity();
    if (capacity > 0x3FFFFFFF) detail::RaiseOutOfMemory();
    Rehash(capacity < 4 ? 4 : capacity * 2);
  }
  bool AddCore(const K& Key, const V& Value, TAddMode Mode) {
    if (FCount >= FGrowThreshold) Grow();
    const Integer hash = Hash(Key);
    const Integer index = Find(Key, hash);
    if (index < 0) {
      TItem& item = FItems[static_cast<size_t>(~index)];
      item.Hash = hash;
      item.Key = Key;
      item.Value = Value;
      ++FCount;
      KeyNotify(Key, cnAdded);
      ValueNotify(Value, cnAdded);
      return true;
    }
    switch (Mode) {
      case TAddMode::Ignore:
        return false;
      case TAddMode::Raise:
        detail::RaiseDuplicates();
      case TAddMode::Replace:
        break;
    }
    V old = std::exchange(FItems[static_cast<size_t>(index)].Value, Value);
    ValueNotify(old, cnRemoved);
    ValueNotify(Value, cnAdded);
    return true;
  }
  // Removes the pair at Index with backward shift, then notifies the stored key and value.
  void RemoveAt(Integer Index, TCollectionNotification Action) {
    const Integer capacity = GetCapacity();
    const Integer mask = capacity - 1;
    TItem removed = std::move(FItems[static_cast<size_t>(Index)]);
    Integer gap = Index;
    FItems[static_cast<size_t>(gap)].Hash = -1;
    for (Integer j = (gap + 1) & mask; FItems[static_cast<size_t>(j)].Hash != -1; j = (j + 1) & mask) {
      const Integer desired = FItems[static_cast<size_t>(j)].Hash & mask;
      const bool stays = gap < j ? (gap < desired && desired <= j) : (desired > gap || desired <= j);
      if (stays) continue;
      FItems[static_cast<size_t>(gap)] = std::move(FItems[static_cast<size_t>(j)]);
      FItems[static_cast<size_t>(j)] = TItem{};
      gap = j;
    }
    FItems[static_cast<size_t>(gap)] = TItem{};
    --FCount;
    KeyNotify(removed.Key, Action);
    ValueNotify(removed.Value, Action);
  }

  IPtr<IEqualityComparer<K>> FComparer;
  Integer FCount = 0;
  Integer FGrowThreshold = 0;
  std::vector<TItem> FItems;
  TDictionaryOwnerships FOwnerships;
};

using TZCLStringsDictionary = TZCLDictionary<String, String>;
using TZCLStringIndexes = TZCLDictionary<String, Integer>;
using TZCLObjectDictionary = TZCLDictionary<TObject*, TObject*>;

// ---- hash sets -----------------------------------------------------------------------------------

template <class T>
class TZCLCustomHashSet : public TZCLEnumerable<T> {
 public:
  template <class X>
  using TMetaClassFor = TClassRecordOf<X>;  // the base's is out of sight behind a dependent base

  ZCL_CLASS(TZCLCustomHashSet, TZCLEnumerable<T>)
 public:
  virtual Integer GetCount() const = 0;
  virtual void Clear() = 0;
  virtual bool Contains(const T& Value) const = 0;
  // True when Value was present and is removed now.
  virtual bool Exclude(const T& Value) = 0;
  // True when Value was added, False when it was already present.
  virtual bool Include(const T& Value) = 0;
  std::vector<T> ToArray() override {
    std::vector<T> result;
    result.reserve(static_cast<size_t>(GetCount()));
    for (auto e = this->GetEnumerator(); e->MoveNext();) result.push_back(e->GetCurrent());
    return result;
  }
};

// A set on the dictionary's table scheme, without notifications or ownership.
template <class T>
class TZCLHashSet : public TZCLCustomHashSet<T> {
 public:
  template <class X>
  using TMetaClassFor = TClassRecordOf<X>;  // the base's is out of sight behind a dependent base

  ZCL_CLASS(TZCLHashSet, TZCLCustomHashSet<T>)
 public:
  explicit TZCLHashSet(Integer ACapacity = 0) : TZCLHashSet(nullptr, ACapacity) {}
  explicit TZCLHashSet(IPtr<IEqualityComparer<T>> AComparer, Integer ACapacity = 0)
      : FTable(Create<TTable>(TDictionaryOwnerships(), ACapacity, std::move(AComparer))) {}
  ~TZCLHashSet() override { FreeAndNil(FTable); }

  Integer GetCount() const override { return FTable->GetCount(); }
  Integer GetCapacity() const { return FTable->GetCapacity(); }
  void SetCapacity(Integer Value) { FTable->SetCapacity(Value); }
  void Clear() override { FTable->Clear(false); }
  bool Contains(const T& Value) const override { return FTable->ContainsKey(Value); }
  bool Exclude(const T& Value) override {
    const Integer index = FTable->Find(Value, FTable->Hash(Value));
    if (index < 0) return false;
    FTable->RemoveAt(index, cnRemoved);
    return true;
  }
  bool Include(const T& Value) override { return FTable->TryAdd(Value, detail::TNoValue{}); }
  IPtr<IZCLEnumerator<T>> GetEnumerator() override { return FTable->Keys()->GetEnumerator(); }

 private:
  // The dictionary's table with empty values; no handler is ever assigned and nothing is owned,
  // so it sends no notifications.
  using TTable = TZCLDictionary<T, detail::TNoValue>;
  TTable* FTable;
};

// A two-way map: a forward dictionary (which carries the ownerships) and a reverse one kept in
// step. A failed Add leaves both as they were and destroys nothing.
template <class K, class V>
class TZCLMap : public TZCLUnknownObject {
  ZCL_CLASS(TZCLMap, TZCLUnknownObject)
 public:
  explicit TZCLMap(IPtr<IEqualityComparer<K>> KeyComparer = nullptr, IPtr<IEqualityComparer<V>> ValueComparer = nullptr,
                   TDictionaryOwnerships Ownerships = TDictionaryOwnerships(), Integer Capacity = 0) {
    FReverse = Create<TZCLDictionary<V, K>>(Capacity, std::move(ValueComparer));
    try {
      FForward = Create<TZCLDictionary<K, V>>(Ownerships, Capacity, std::move(KeyComparer));
    } catch (...) {
      Free(FReverse);
      throw;
    }
  }
  ~TZCLMap() override {
    Clear();
    Free(FForward);
    Free(FReverse);
  }

  // Raises EListError "Duplicates not allowed" when Key or Value is already mapped.
  void Add(const K& Key, const V& Value) {
    FForward->Add(Key, Value);
    try {
      FReverse->Add(Value, Key);
    } catch (...) {
      // The pair goes back to the caller: extracted, not removed, so nothing owned is destroyed
      // (the value is still mapped to its other key).
      const Integer index = FForward->Find(Key, FForward->Hash(Key));
      if (index >= 0) FForward->RemoveAt(index, cnExtracted);
      throw;
    }
  }
  void Clear() {
    FForward->Clear(false);
    FReverse->Clear(false);
  }
  const TZCLDictionary<K, V>& GetForward() const { return *FForward; }
  const TZCLDictionary<V, K>& GetReverse() const { return *FReverse; }

 private:
  TZCLDictionary<K, V>* FForward = nullptr;
  TZCLDictionary<V, K>* FReverse = nullptr;
};

using TZCLStringsMap = TZCLMap<String, String>;

// ---- class map -----------------------------------------------------------------------------------

// Answers a class (or an object) with the value registered for the nearest class on its line of
// inheritance.
template <class T>
class TZCLClassMap : public TZCLUnknownObject {
  ZCL_CLASS(TZCLClassMap, TZCLUnknownObject)
 public:
  TZCLClassMap() : FItems(Create<TZCLDictionary<TClass, T>>()) {}
  ~TZCLClassMap() override { FreeAndNil(FItems); }

  // Raises EListError "Duplicates not allowed" when AClass is registered already.
  void Add(TClass AClass, const T& Value) { FItems->Add(AClass, Value); }
  // The class itself, then its ancestors; a null class is one lookup of the null key. Value is
  // the default of T on a miss.
  bool TryGetValue(TClass AClass, T& Value) const {
    for (TClass c = AClass;;) {
      if (FItems->TryGetValue(c, Value)) return true;
      if (!c) return false;
      c = c->ClassParent();
      if (!c) return false;
    }
  }
  bool TryGetValue(const TObject* AObject, T& Value) const {
    return TryGetValue(AObject ? AObject->ClassType() : TClass(nullptr), Value);
  }

 private:
  TZCLDictionary<TClass, T>* FItems;
};

// ---- thread-safe containers ----------------------------------------------------------------------

// A list behind a read-write synchronizer. Count is read without the lock.
template <class T>
class TZCLThreadListOf : public TObject {
  ZCL_CLASS(TZCLThreadListOf, TObject)
 public:
  // Readers and writers exclude each other.
  TZCLThreadListOf() : TZCLThreadListOf(Create<TSimpleRWSync>()) {}
  // Takes ownership of Lock (a TObject that implements IReadWriteSync).
  template <class L>
  requires std::is_base_of_v<TObject, L> && std::is_base_of_v<IReadWriteSync, L>
  explicit TZCLThreadListOf(L* Lock) : FLockObject(Lock), FLock(Lock), FList(Create<TZCLListOf<T>>()) {}
  // Many readers or one writer.
  static TZCLThreadListOf* CreateMultiRead() {
    return Create<TZCLThreadListOf>(Create<TMultiReadExclusiveWriteSynchronizer>());
  }
  ~TZCLThreadListOf() override {
    Free(FList);
    Free(FLockObject);
  }

  void Add(const T& Item) {
    TWrite guard(*FLock);
    FList->Add(Item);
  }
  void Remove(const T& Item) {
    TWrite guard(*FLock);
    FList->Remove(Item);
  }
  // Without the lock: may be stale by the time it is used.
  Integer GetCount() const { return FList->GetCount(); }
  // False and the default value outside 0 .. Count-1.
  bool TryGetItem(Integer Index, T& Item) const {
    FLock->BeginRead();
    const bool found = Index >= 0 && Index < FList->GetCount();
    Item = found ? FList->GetItem(Index) : T{};
    FLock->EndRead();
    return found;
  }
  TZCLListOf<T>* BeginRead() {
    FLock->BeginRead();
    return FList;
  }
  void EndRead() { FLock->EndRead(); }
  TZCLListOf<T>* BeginWrite() {
    FLock->BeginWrite();
    return FList;
  }
  void EndWrite() { FLock->EndWrite(); }
  TZCLListOf<T>* LockList() { return BeginWrite(); }
  void UnlockList() { EndWrite(); }

 private:
  struct TWrite {
    explicit TWrite(IReadWriteSync& Lock) : FLock(Lock) { FLock.BeginWrite(); }
    ~TWrite() { FLock.EndWrite(); }
    IReadWriteSync& FLock;
  };
  TObject* FLockObject;
  IReadWriteSync* FLock;
  TZCLListOf<T>* FList;
};

// One owned object behind the library's recursive lock; reach it only between Lock and Unlock.
template <class T>
class TZCLThreadObject : public TObject {
  ZCL_CLASS(TZCLThreadObject, TObject)
 public:
  // Takes ownership of AObject.
  explicit TZCLThreadObject(T* AObject) : FLock(Create<TZCLCriticalSection>()), FObject(AObject) {}
  ~TZCLThreadObject() override {
    Free(FLock);
    Free(FObject);
  }
  T* Lock() {
    FLock->Enter();
    return FObject;
  }
  void Unlock() { FLock->Leave(); }

 private:
  TZCLCriticalSection* FLock;
  T* FObject;
};

// ---- value caches --------------------------------------------------------------------------------

// A bounded cache that evicts the oldest entry first (a lookup does not protect an entry) and
// hands every value that leaves it, by eviction or destruction, to ReleaseValue exactly once.
template <class K, class V>
class TZCLValueCacheManager : public TObject {
  ZCL_CLASS(TZCLValueCacheManager, TObject)
 public:
  using TRemoveEvent = TDelegate<void(TObject* Sender, const V& Value)>;

  // Capacities below 5 hold 4 entries. OwnValues needs object values (EInvalidCast).
  explicit TZCLValueCacheManager(Integer ACapacity, IPtr<IEqualityComparer<K>> AComparer = nullptr,
                                 bool AOwnValues = false)
      : FCapacity(ACapacity < 5 ? 4 : ACapacity),
        FComparer(AComparer ? std::move(AComparer) : TEqualityComparer<K>::Default()),
        FOwnValues(AOwnValues) {
    if (AOwnValues && !detail::IsObjectPointer<V>) detail::RaiseInvalidClassTypecast();
    FDictionary = Create<TZCLDictionary<K, V>>(ACapacity < 0 ? 0 : ACapacity, FComparer);
    FDictionary->OnValueNotify = {this, &TZCLValueCacheManager::ValueNotify};
    FRing.resize(static_cast<size_t>(FCapacity));
  }
  ~TZCLValueCacheManager() override { FreeAndNil(FDictionary); }
  // Empties the cache while a descendant's ReleaseValue can still run (the destructor only
  // reaches this class's own).
  void BeforeDestruction() override {
    FDictionary->Clear();
    TObject::BeforeDestruction();
  }

  // Evicts the entry added Capacity adds ago when the cache is full. Raises EListError
  // "Duplicates not allowed" for a key in the cache (then nothing was evicted twice: the ring
  // stays where it was).
  void Add(const K& Key, const V& Value) {
    TSlot& slot = FRing[static_cast<size_t>(FRingIndex)];
    if (slot.Used) {
      slot.Used = false;
      FDictionary->Remove(slot.Key);
      slot.Key = K{};
    }
    FDictionary->Add(Key, Value);
    slot.Key = Key;
    slot.Used = true;
    FRingIndex = (FRingIndex + 1) % FCapacity;
  }
  bool TryGetValue(const K& Key, V& Value) const { return FDictionary->TryGetValue(Key, Value); }
  Integer GetCount() const { return FDictionary->GetCount(); }
  Integer GetCapacity() const { return FCapacity; }

  TRemoveEvent OnRemove;

 protected:
  // Default: OnRemove when assigned, else the value object is destroyed when the cache owns values.
  virtual void ReleaseValue(const V& Value) {
    if (OnRemove)
      OnRemove(this, Value);
    else if (FOwnValues)
      detail::FreeOwned(Value);
  }

 private:
  struct TSlot {
    K Key{};
    bool Used = false;
  };
  void ValueNotify(TObject*, const V& Value, TCollectionNotification Action) {
    if (Action == cnRemoved) ReleaseValue(Value);
  }

  Integer FCapacity;
  IPtr<IEqualityComparer<K>> FComparer;
  TZCLDictionary<K, V>* FDictionary = nullptr;
  bool FOwnValues;
  std::vector<TSlot> FRing;
  Integer FRingIndex = 0;
};

// ---- colours -------------------------------------------------------------------------------------

class TZCLColorList : public TZCLListOf<TColor> {
  ZCL_CLASS(TZCLColorList, TZCLListOf<TColor>)
 public:
  using TZCLListOf<TColor>::TZCLListOf;
  // Replaces the items with 21 colours: seven fixed hues in three rows (the base colour's
  // lightness, 0.15 darker, 0.15 lighter) at the base colour's saturation (at least 0.4).
  void Populate(TColor BaseColor);
};

// ---- non-generic lists ---------------------------------------------------------------------------

class TComponent;

// EInvalidCast "Invalid class typecast" unless the class is given.
void CheckIsClassType(TClass TypeInfo);

// A pointer list that reports every added, extracted and deleted item through OnChanged.
class TZCLList : public TList {
  ZCL_CLASS(TZCLList, TList)
 public:
  TNotifyEvent OnChanged;

  bool IsValid(Integer Index) const { return Index >= 0 && Index < GetCount(); }
  // False (and nothing done) unless both indexes are valid; otherwise one OnChanged.
  bool MoveItem(Integer FromIndex, Integer ToIndex);
  // Room for N more items.
  void EnsureCapacity(Integer N);
  void AddRange(TList* Source);
  // A random permutation; the slots are written directly, so nothing is notified.
  void Shuffle();

 protected:
  void Notify(Pointer Ptr, TListNotification Action) override;
};

// An object list that frees deleted items while it owns them (before OnChanged sees the deletion);
// extracted items are never freed.
class TZCLObjectList : public TZCLList {
  ZCL_CLASS(TZCLObjectList, TZCLList)
 public:
  explicit TZCLObjectList(bool AOwnObjects = true) : FOwnObjects(AOwnObjects) {}
  // Frees what is still owned when the list was not cleared through Free.
  ~TZCLObjectList() override;

  Integer Add(TObject* Obj) { return TList::Add(Obj); }
  void Insert(Integer Index, TObject* Obj) { TList::Insert(Index, Obj); }
  TObject* GetItems(Integer Index) const { return static_cast<TObject*>(TList::GetItems(Index)); }
  TObject* operator[](Integer Index) const { return GetItems(Index); }
  TObject* First() const { return GetItems(0); }
  TObject* Last() const { return GetItems(GetCount() - 1); }
  Integer IndexOf(TObject* Obj) const { return TList::IndexOf(Obj); }
  // The former index of the first occurrence (freed when owned), or -1.
  Integer Remove(TObject* Obj) { return TList::Remove(Obj); }
  // Null for an invalid index; otherwise the item leaves the list unfreed (notified as extracted).
  TObject* ExtractByIndex(Integer Index);
  TObject* Extract(TObject* Obj) { return ExtractByIndex(IndexOf(Obj)); }

  bool GetOwnObjects() const { return FOwnObjects; }
  void SetOwnObjects(bool Value) { FOwnObjects = Value; }

 protected:
  void Notify(Pointer Ptr, TListNotification Action) override;

 private:
  bool FOwnObjects;
};

class TZCLComponentList : public TComponentList {
  ZCL_CLASS(TZCLComponentList, TComponentList)
 public:
  using TComponentList::TComponentList;
  // The first component named Name (ignoring case) in list order; with Recursive, a component
  // whose own name differs is searched through before the next. Null for an empty name.
  TComponent* FindByName(StringView Name, bool Recursive = false) const;
};

// A thread-safe list of listener interfaces. Enum calls Proc with the listeners that support the
// requested interface, holding the list's recursive lock; a listener may add or remove listeners
// (itself or others) while it is called, and no remaining listener is skipped or called twice.
class TZCLListenerList : public TObject {
  ZCL_CLASS(TZCLListenerList, TObject)
 public:
  explicit TZCLListenerList(Integer Capacity = 0);
  ~TZCLListenerList() override;

  TNotifyEvent OnChanged;

  void Add(const IPtr<IInterface>& Listener);
  void Remove(const IPtr<IInterface>& Listener);
  void Clear();
  // Read without the lock.
  Integer Count() const { return FItems->GetCount(); }

  template <class T, class F>
  void Enum(F&& Proc) {
    TZCLLockGuard guard(*FLock);
    TCursorScope scope(*this);
    TCursor& cursor = scope.Cursor;
    while (cursor.Index < FItems->GetCount()) {
      cursor.CurrentRemoved = false;
      // A local reference keeps a listener alive while it removes itself.
      const IPtr<IInterface> current = FItems->GetItem(cursor.Index);
      FCurrent = current;
      if constexpr (std::is_same_v<T, IInterface>) {
        Proc(current);
      } else {
        IPtr<T> intf;
        if (Supports(current, intf)) Proc(intf);
      }
      // When the visited listener left, its slot now holds the next one.
      if (!cursor.CurrentRemoved) ++cursor.Index;
    }
  }

 protected:
  void DoChanged();

 private:
  // One per running enumeration; Remove and Clear keep them on the listener they stand at.
  struct TCursor {
    Integer Index = 0;
    bool CurrentRemoved = false;
  };
  struct TCursorScope {
    explicit TCursorScope(TZCLListenerList& AList);
    ~TCursorScope();
    TZCLListenerList& List;
    IPtr<IInterface> SavedCurrent;
    TCursor Cursor;
  };
  void ItemsNotify(TObject* Sender, const IPtr<IInterface>& Item, TCollectionNotification Action);

  TZCLInterfaceList* FItems;
  IPtr<IInterface> FCurrent;
  TZCLCriticalSection* FLock;
  std::vector<TCursor*> FCursors;
};

// Compares and hashes strings, ignoring case by the locale when IgnoreCase is set.
class TZCLStringComparer : public TInterfacedObject, public IComparer<String>, public IEqualityComparer<String> {
  ZCL_CLASS(TZCLStringComparer, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IComparer<String>, IEqualityComparer<String>)
 public:
  explicit TZCLStringComparer(bool AIgnoreCase = false) : FIgnoreCase(AIgnoreCase) {}
  Integer Compare(const String& Left, const String& Right) override;
  bool Equals(const String& Left, const String& Right) override;
  // The lookup3 hash of the UTF-16 code units (of the upper-case copy with IgnoreCase).
  Integer GetHashCode(const String& Value) override;
  bool GetIgnoreCase() const { return FIgnoreCase; }

 private:
  bool FIgnoreCase;
};

class TZCLStringSet : public TZCLHashSet<String> {
  ZCL_CLASS(TZCLStringSet, TZCLHashSet<String>)
 public:
  explicit TZCLStringSet(bool IgnoreCase = false, Integer Capacity = 0);
  using TZCLHashSet<String>::Include;
  // Adds the text of the run; true when it was not in the set.
  bool Include(const Char* Run, Integer Length) { return Include(String(Run, static_cast<size_t>(Length))); }
};

// Hands out one shared copy of each distinct text. A fixed table of 65535 chains that never
// rehashes. The returned references stay valid until Clear or the table's destruction.
class TZCLStringSharedTable : public TObject {
  ZCL_CLASS(TZCLStringSharedTable, TObject)
 public:
  static constexpr Cardinal BucketCount = 65535;
  struct TItem {
    TItem* Next = nullptr;
    String Text;
    Cardinal Hash = 0;
  };

  TZCLStringSharedTable();
  ~TZCLStringSharedTable() override;

  // The table's copy of the run's text; a new copy is made from Source when it is given (it must
  // hold the same text), else from the run.
  const String& Share(const Char* Run, Integer Length, const String* Source = nullptr);
  const String& Share(StringView Text) { return Share(Text.data(), static_cast<Integer>(Text.size())); }
  void Clear();

 private:
  TItem** FBuckets;
};

// A bare owning array of objects whose fields users may walk directly: Items[0 .. Count - 1].
class TZCLFastObjectList : public TObject {
  ZCL_CLASS(TZCLFastObjectList, TObject)
 public:
  ~TZCLFastObjectList() override;

  Integer Capacity = 0;
  Integer Count = 0;
  std::vector<TObject*> Items;

  void Add(TObject* Obj);
  // Makes room for N more items by doubling (at least 4); EOutOfMemory past the 32-bit range.
  void Grow(Integer N);
  // Frees every item, first to last, clearing its slot first.
  void Clear(bool KeepCapacity = false);
  // Frees the items on up to four threads; returns when all are freed. When destructors raise,
  // every other item is still freed, the list ends empty and the first exception is raised again.
  void ClearMultithreaded(bool KeepCapacity = false);

  // The (first slot, item count) of each chunk ClearMultithreaded frees on its own thread.
  static std::vector<std::pair<Integer, Integer>> ChunksFor(Integer ACount, Integer Processors);

 private:
  void ReleaseStorage(bool KeepCapacity);
};
