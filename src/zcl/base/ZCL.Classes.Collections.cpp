#include "zcl/base/ZCL.Classes.Collections.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <random>

#include "rtl/RTL.Classes.h"
#include "rtl/RTL.Threads.h"
#include "rtl/RTL.Variant.h"
#include "zcl/base/ZCL.Colors.h"
#include "zcl/base/ZCL.Hashes.h"
#include "zcl/base/ZCL.Utils.Strings.h"

namespace detail {
void RaiseArgumentOutOfRange() { throw EArgumentOutOfRangeException(u"Argument out of range"); }

void RaiseRangeOutOfRange(Integer Index, Integer Count, Integer ListCount) {
  throw EArgumentOutOfRangeException(u"Argument out of range [%d-%d] in %d", {Index, Count, ListCount});
}

void RaiseOutOfMemory() { throw EOutOfMemory(u"Out of memory"); }
void RaiseDuplicates() { throw EListError(u"Duplicates not allowed"); }
void RaiseItemNotFound() { throw EListError(u"Item not found"); }
void RaiseInvalidClassTypecast() { throw EInvalidCast(u"Invalid class typecast"); }

template <>
IPtr<IComparer<Variant>> ListDefaultComparer<Variant>() {
  static const IPtr<IComparer<Variant>> comparer =
      TComparer<Variant>::Construct([](const Variant& L, const Variant& R) {
        try {
          switch (VarCompareValue(L, R)) {
            case vrLessThan:
              return -1;
            case vrGreaterThan:
              return 1;
            case vrEqual:
              return 0;
            default:
              break;
          }
        } catch (const Exception&) {
          // Values that do not compare (a text against a number it does not read as) order by kind.
        }
        return CompareValue(VarType(L), VarType(R)) != 0 ? CompareValue(VarType(L), VarType(R)) : 1;
      });
  return comparer;
}

Integer TableCapacityFor(Integer N) {
  if (N <= 0) return 0;
  if (N > 0x40000000) RaiseOutOfMemory();
  Integer capacity = 4;
  while (capacity < N) capacity *= 2;
  return capacity;
}
}  // namespace detail

void TZCLColorList::Populate(TColor BaseColor) {
  static constexpr Single Hues[] = {0.61f, 0.99f, 0.74f, 0.35f, 0.90f, 0.08f, 0.55f};
  static constexpr Single Offsets[] = {0.0f, -0.15f, 0.15f};
  SetCount(0);
  SetCapacity(21);
  for (Single offset : Offsets) {
    Single h, s, l;
    TZCLColors::ColorToHSL(BaseColor, h, s, l);
    l = static_cast<Single>(std::clamp<double>(l, 0.4, 0.8));
    s = s > 0.4f ? s : 0.4f;
    l = static_cast<Single>(std::clamp<double>(static_cast<double>(l) + offset, 0.2, 0.9));
    for (Single hue : Hues) Add(TZCLColors::HSLToColor(hue, s, l));
  }
}

Integer TZCLFloatList::IndexOf(Single Value, Single Epsilon) const {
  for (Integer i = 0; i < GetCount(); ++i)
    if (std::fabs(GetItem(i) - Value) < Epsilon) return i;
  return -1;
}

// ---- non-generic lists ---------------------------------------------------------------------------

void CheckIsClassType(TClass TypeInfo) {
  if (!TypeInfo) detail::RaiseInvalidClassTypecast();
}

void TZCLList::Notify(Pointer Ptr, TListNotification Action) {
  TList::Notify(Ptr, Action);
  if (OnChanged) OnChanged(this);
}

bool TZCLList::MoveItem(Integer FromIndex, Integer ToIndex) {
  if (!IsValid(FromIndex) || !IsValid(ToIndex)) return false;
  if (FromIndex != ToIndex) Move(FromIndex, ToIndex);
  if (OnChanged) OnChanged(this);
  return true;
}

void TZCLList::EnsureCapacity(Integer N) {
  if (N > 0 && GetCount() + static_cast<int64_t>(N) > GetCapacity()) {
    if (GetCount() + static_cast<int64_t>(N) > MaxListSize) detail::RaiseOutOfMemory();
    SetCapacity(GetCount() + N);
  }
}

void TZCLList::AddRange(TList* Source) {
  if (!Source) return;
  const Integer n = Source->GetCount();  // Source may be this list
  EnsureCapacity(n);
  for (Integer i = 0; i < n; ++i) Add(Source->GetItems(i));
}

void TZCLList::Shuffle() {
  thread_local std::minstd_rand generator{std::random_device{}()};
  std::vector<Pointer> pool(begin(), end());
  Pointer* slots = GetList();
  for (Integer j = 0; j < GetCount(); ++j) {
    std::uniform_int_distribution<size_t> pick(0, pool.size() - 1);
    const size_t k = pick(generator);
    slots[j] = pool[k];
    pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(k));
  }
}

TZCLObjectList::~TZCLObjectList() {
  if (FOwnObjects)
    for (Pointer item : *this) Free(static_cast<TObject*>(item));
}

void TZCLObjectList::Notify(Pointer Ptr, TListNotification Action) {
  if (Action == lnDeleted && FOwnObjects) Free(static_cast<TObject*>(Ptr));
  TZCLList::Notify(Ptr, Action);
}

TObject* TZCLObjectList::ExtractByIndex(Integer Index) {
  if (!IsValid(Index)) return nullptr;
  TObject* item = GetItems(Index);
  GetList()[Index] = nullptr;  // a null item is deleted without notification
  Delete(Index);
  if (item) Notify(item, lnExtracted);
  return item;
}

TComponent* TZCLComponentList::FindByName(StringView Name, bool Recursive) const {
  if (Name.empty()) return nullptr;
  for (Integer i = 0; i < GetCount(); ++i) {
    TComponent* component = GetItems(i);
    if (!component) continue;
    if (zcSameText(component->GetName(), Name)) return component;
    if (Recursive)
      if (TComponent* found = FindComponentRecursive(component, Name, true)) return found;
  }
  return nullptr;
}

TZCLListenerList::TZCLListenerList(Integer Capacity)
    : FItems(Create<TZCLInterfaceList>()), FLock(Create<TZCLCriticalSection>(this)) {
  if (Capacity > 0) FItems->SetCapacity(Capacity);
  FItems->SetOnNotify({this, &TZCLListenerList::ItemsNotify});
}

TZCLListenerList::~TZCLListenerList() {
  FItems->SetOnNotify(nullptr);
  FreeAndNil(FLock);
  FreeAndNil(FItems);
}

void TZCLListenerList::ItemsNotify(TObject*, const IPtr<IInterface>&, TCollectionNotification) { DoChanged(); }

void TZCLListenerList::DoChanged() {
  if (OnChanged) OnChanged(this);
}

void TZCLListenerList::Add(const IPtr<IInterface>& Listener) {
  TZCLLockGuard guard(*FLock);
  FItems->Add(Listener);
}

void TZCLListenerList::Remove(const IPtr<IInterface>& Listener) {
  TZCLLockGuard guard(*FLock);
  if (Listener && FCurrent == Listener) FCurrent = nullptr;
  const Integer index = FItems->IndexOf(Listener);
  if (index < 0) return;
  // Keep every running enumeration on the listener it stands at: removing an earlier one shifts
  // the rest down by one, removing the visited one leaves its successor in its slot.
  for (TCursor* cursor : FCursors) {
    if (index < cursor->Index)
      --cursor->Index;
    else if (index == cursor->Index)
      cursor->CurrentRemoved = true;
  }
  FItems->Delete(index);
}

void TZCLListenerList::Clear() {
  TZCLLockGuard guard(*FLock);
  if (FItems->GetCount() == 0) return;
  FCurrent = nullptr;
  for (TCursor* cursor : FCursors) {
    cursor->Index = 0;
    cursor->CurrentRemoved = true;
  }
  const auto handler = FItems->GetOnNotify();
  FItems->SetOnNotify(nullptr);
  try {
    FItems->Clear();
    FItems->SetCapacity(0);
  } catch (...) {
    FItems->SetOnNotify(handler);
    throw;
  }
  FItems->SetOnNotify(handler);
  DoChanged();
}

TZCLListenerList::TCursorScope::TCursorScope(TZCLListenerList& AList) : List(AList), SavedCurrent(AList.FCurrent) {
  List.FCursors.push_back(&Cursor);
}

TZCLListenerList::TCursorScope::~TCursorScope() {
  List.FCursors.pop_back();
  List.FCurrent = SavedCurrent;
}

Integer TZCLStringComparer::Compare(const String& Left, const String& Right) {
  const Integer result = zcCompareStrings(Left, Right, FIgnoreCase);
  return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

bool TZCLStringComparer::Equals(const String& Left, const String& Right) {
  if (Left.size() != Right.size()) return false;
  if (FIgnoreCase) return zcCompareStrings(Left, Right, true) == 0;
  return Left == Right;
}

Integer TZCLStringComparer::GetHashCode(const String& Value) {
  if (FIgnoreCase) {
    const String upper = zcUpperCase(Value);
    return static_cast<Integer>(TZCLHashBobJenkins::HashLittle(upper.data(), upper.size() * sizeof(Char), 0));
  }
  return static_cast<Integer>(TZCLHashBobJenkins::HashLittle(Value.data(), Value.size() * sizeof(Char), 0));
}

TZCLStringSet::TZCLStringSet(bool IgnoreCase, Integer Capacity)
    : TZCLHashSet<String>(IPtr<IEqualityComparer<String>>(Create<TZCLStringComparer>(IgnoreCase)), Capacity) {}

TZCLStringSharedTable::TZCLStringSharedTable() : FBuckets(new TItem*[BucketCount]()) {}

TZCLStringSharedTable::~TZCLStringSharedTable() {
  Clear();
  delete[] FBuckets;
}

const String& TZCLStringSharedTable::Share(const Char* Run, Integer Length, const String* Source) {
  const size_t length = Length > 0 ? static_cast<size_t>(Length) : 0;
  const Cardinal hash = TZCLHashBobJenkins::HashLittle(Run, length * sizeof(Char), 0);
  TItem** link = &FBuckets[hash % BucketCount];
  for (; *link; link = &(*link)->Next) {
    const TItem* item = *link;
    if (item->Hash == hash && item->Text.size() == length &&
        (length == 0 || std::memcmp(item->Text.data(), Run, length * sizeof(Char)) == 0))
      return item->Text;
  }
  auto* item = new TItem;
  item->Hash = hash;
  // A source whose text is not the run's would break the table's one-text-per-entry rule.
  if (Source && Source->size() == length &&
      (length == 0 || std::memcmp(Source->data(), Run, length * sizeof(Char)) == 0))
    item->Text = *Source;
  else
    item->Text.assign(Run, length);
  *link = item;
  return item->Text;
}

void TZCLStringSharedTable::Clear() {
  for (Cardinal i = 0; i < BucketCount; ++i) {
    TItem* item = FBuckets[i];
    FBuckets[i] = nullptr;
    while (item) {
      TItem* next = item->Next;
      delete item;
      item = next;
    }
  }
}

TZCLFastObjectList::~TZCLFastObjectList() { Clear(false); }

void TZCLFastObjectList::Add(TObject* Obj) {
  if (Count + 1 > Capacity) Grow(1);
  Items[static_cast<size_t>(Count)] = Obj;
  ++Count;
}

void TZCLFastObjectList::Grow(Integer N) {
  const int64_t needed = static_cast<int64_t>(Count) + N;
  if (needed < Capacity) return;
  int64_t capacity = Capacity;
  while (capacity <= needed) {
    capacity = capacity < 4 ? 4 : capacity * 2;
    if (capacity > MaxInt) detail::RaiseOutOfMemory();
  }
  Items.resize(static_cast<size_t>(capacity), nullptr);
  Capacity = static_cast<Integer>(capacity);
}

void TZCLFastObjectList::ReleaseStorage(bool KeepCapacity) {
  Count = 0;
  if (!KeepCapacity) {
    Capacity = 0;
    std::vector<TObject*>().swap(Items);
  }
}

void TZCLFastObjectList::Clear(bool KeepCapacity) {
  std::exception_ptr failure;
  for (Integer i = 0; i < Count; ++i) {
    TObject* obj = Items[static_cast<size_t>(i)];
    Items[static_cast<size_t>(i)] = nullptr;
    try {
      Free(obj);
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  }
  ReleaseStorage(KeepCapacity);
  if (failure) std::rethrow_exception(failure);
}

std::vector<std::pair<Integer, Integer>> TZCLFastObjectList::ChunksFor(Integer ACount, Integer Processors) {
  std::vector<std::pair<Integer, Integer>> chunks;
  if (ACount <= 0) return chunks;
  Integer n = Processors > 3 ? 4 : Processors;
  n = std::clamp<Integer>(n, 1, ACount);
  const Integer size = ACount / n;
  for (Integer i = 0; i < n; ++i) chunks.emplace_back(i * size, i == n - 1 ? size + ACount % n : size);
  return chunks;
}

namespace {
struct TMtChunk {
  Integer Count;
  TObject** Cursor;
  std::exception_ptr Failure;
};

void FreeChunk(void* Item) {
  auto* chunk = static_cast<TMtChunk*>(Item);
  for (; chunk->Count > 0; --chunk->Count, ++chunk->Cursor) {
    TObject* obj = *chunk->Cursor;
    *chunk->Cursor = nullptr;
    try {
      Free(obj);
    } catch (...) {
      // The rest of the chunk is still freed; the caller raises the first failure.
      if (!chunk->Failure) chunk->Failure = std::current_exception();
    }
  }
}
}  // namespace

void TZCLFastObjectList::ClearMultithreaded(bool KeepCapacity) {
  if (Count == 0) return;
  std::vector<TMtChunk> chunks;
  for (const auto& [first, size] : ChunksFor(Count, CPUCount()))
    chunks.push_back({size, Items.data() + first, nullptr});
  std::vector<void*> work;
  for (TMtChunk& chunk : chunks) work.push_back(&chunk);
  std::exception_ptr failure;
  try {
    TZCLMultithreadedOperation::Run(work.data(), static_cast<Integer>(work.size()), FreeChunk);
  } catch (...) {
    failure = std::current_exception();
  }
  for (const TMtChunk& chunk : chunks)
    if (!failure && chunk.Failure) failure = chunk.Failure;
  ReleaseStorage(KeepCapacity);
  if (failure) std::rethrow_exception(failure);
}
