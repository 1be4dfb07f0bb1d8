#include "rtl/RTL.Classes.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "rtl/RTL.Strings.h"
#include "rtl/RTL.TypInfo.h"

namespace {
[[noreturn]] void RaiseIndex(Integer Index) { throw EListError(u"List index out of bounds (%d)", {Index}); }
}  // namespace

// ---- TPersistent ----

void TPersistent::Assign(TPersistent* Source) {
  if (Source)
    Source->AssignTo(this);
  else
    AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest) { Dest->AssignError(this); }

void TPersistent::DefineProperties(TFiler*) {}

void TPersistent::AssignError(TPersistent* Source) {
  const String sourceName = Source ? Source->ClassName() : String(u"nil");
  throw EConvertError(u"Cannot assign a %s to a %s", {sourceName, ClassName()});
}

TPersistent* TPersistent::GetOwner() const { return nullptr; }

String TPersistent::GetNamePath() const {
  String result = ClassName();
  if (TPersistent* owner = GetOwner()) {
    const String ownerPath = owner->GetNamePath();
    if (!ownerPath.empty()) result = ownerPath + u'.' + result;
  }
  return result;
}

// ---- TComponent ----

namespace {
// Owned components are looked up by name from a list of this length on.
constexpr size_t KNameIndexFrom = 16;
}  // namespace

// Open addressing with linear probing over one word per entry: the component's address with the
// top 16 bits of its name hash in the bits above 47, which user-space addresses leave free. A
// look-up in a long list touches one slot run and, on a tag match, the component's name; the table
// of 100,000 names stays small enough to keep in cache. Names hash and compare as SameText does.
// The low half of each entry's hash is kept beside it, so that growing the table and closing gaps
// never go back to the components' names, which lie all over the heap.
struct TComponent::TNameIndex {
  static_assert(sizeof(uintptr_t) == 8, "the slots pack a 48-bit address and a 16-bit tag");
  static constexpr int TagShift = 48;
  static constexpr uint64_t AddressMask = (uint64_t(1) << TagShift) - 1;
  std::vector<uint64_t> Slots;  // 0: free
  std::vector<uint32_t> Homes;  // per slot: the low half of its entry's hash
  size_t Count = 0;

  size_t Mask() const { return Slots.size() - 1; }
  // The name hash keeps similar names ("Node1", "Node2" ...) close in its low bits, which
  // would cluster the probe runs: they are spread over all bits first.
  static uint64_t HashOf(StringView Name) {
    uint64_t h = HashText(Name);
    h ^= h >> 32;
    h *= 0x9E3779B97F4A7C15ull;
    return h ^ (h >> 29);
  }
  static uint64_t Tag(uint64_t Hash) { return Hash & ~AddressMask; }
  static TComponent* At(uint64_t Slot) { return reinterpret_cast<TComponent*>(Slot & AddressMask); }

  TComponent* Find(StringView Name) const {
    if (Slots.empty()) return nullptr;
    const uint64_t hash = HashOf(Name), tag = Tag(hash);
    for (size_t i = hash & Mask();; i = (i + 1) & Mask()) {
      const uint64_t slot = Slots[i];
      if (!slot) return nullptr;
      if ((slot & ~AddressMask) == tag && SameText(At(slot)->GetName(), Name)) return At(slot);
    }
  }

  // False when a component of that name is indexed already, or its address does not fit a slot.
  bool Add(TComponent* C) {
    const uint64_t address = reinterpret_cast<uintptr_t>(C);
    if (address & ~AddressMask) return false;
    if ((Count + 1) * 8 > Slots.size() * 7) Grow();
    const uint64_t hash = HashOf(C->GetName()), tag = Tag(hash);
    size_t i = hash & Mask();
    for (; Slots[i]; i = (i + 1) & Mask())
      if ((Slots[i] & ~AddressMask) == tag && SameText(At(Slots[i])->GetName(), C->GetName())) return false;
    Slots[i] = tag | address;
    Homes[i] = static_cast<uint32_t>(hash);
    ++Count;
    return true;
  }

  // C must still have the name it was indexed under.
  void Remove(TComponent* C) {
    if (Slots.empty()) return;
    size_t i = HashOf(C->GetName()) & Mask();
    for (;; i = (i + 1) & Mask()) {
      if (!Slots[i]) return;
      if (At(Slots[i]) == C) break;
    }
    // Close the gap: a later entry of the run moves into it unless its home lies after the gap.
    size_t hole = i;
    for (size_t j = (i + 1) & Mask(); Slots[j]; j = (j + 1) & Mask()) {
      const size_t home = Homes[j] & Mask();
      if (((j - home) & Mask()) >= ((j - hole) & Mask())) {
        Slots[hole] = Slots[j];
        Homes[hole] = Homes[j];
        hole = j;
      }
    }
    Slots[hole] = 0;
    --Count;
  }

  void Grow() {
    // Tables stay below 2^32 slots, so the kept half of the hash places an entry in any of them.
    std::vector<uint64_t> old(std::max<size_t>(32, Slots.size() * 2), 0);
    std::vector<uint32_t> oldHomes(old.size(), 0);
    old.swap(Slots);
    oldHomes.swap(Homes);
    for (size_t k = 0; k < old.size(); ++k) {
      if (!old[k]) continue;
      size_t i = oldHomes[k] & Mask();
      while (Slots[i]) i = (i + 1) & Mask();
      Slots[i] = old[k];
      Homes[i] = oldHomes[k];
    }
  }
};

// Whether the component's Notification is TComponent's own. Read from the virtual table as the
// Itanium C++ ABI lays it out (a pointer to a virtual member holds its table offset plus one);
// where that does not hold, every component counts as having its own.
static bool HasBaseNotification(const TComponent* C, void (TComponent::*Member)(TComponent*, TOperation)) {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__aarch64__) || defined(__i386__))
  struct TMemberPointer {
    uintptr_t Ptr;
    ptrdiff_t Adj;
  } pointer;
  static_assert(sizeof(Member) == sizeof(pointer));
  std::memcpy(&pointer, &Member, sizeof(pointer));
  if (!(pointer.Ptr & 1) || pointer.Adj != 0) return false;
  const size_t slot = (pointer.Ptr - 1) / sizeof(void*);
  auto slotOf = [slot](const TComponent* Object) {
    void* const* table;
    std::memcpy(&table, Object, sizeof(table));
    return table[slot];
  };
  static const void* const base = [&] {
    const TComponent plain(nullptr);
    return slotOf(&plain);
  }();
  return slotOf(C) == base;
#else
  (void)C, (void)Member;
  return false;
#endif
}

TComponent::TComponent(TComponent* AOwner) {
  // The owner validates the component and hears of it in AfterConstruction, when it is whole.
  if (AOwner) {
    AOwner->Insert(this);
    if (AOwner->FComponentState.Contains(csDesigning)) SetDesigning(true);
    FInsertPending = true;
  }
}

TComponent::~TComponent() { Dismantle(); }

void TComponent::AfterConstruction() {
  inherited::AfterConstruction();
  if (FInsertPending) {
    FInsertPending = false;
    if (FOwner) {
      try {
        ValidateContainer(FOwner);
      } catch (...) {
        FOwner->Remove(this);
        throw;
      }
      if (!HearsNotifications()) FOwner->UnlistNotified(this);
      FOwner->Notification(this, opInsert);
    }
  }
}

void TComponent::BeforeDestruction() {
  inherited::BeforeDestruction();
  Dismantle();
}

void TComponent::Dismantle() {
  if (FDismantled) return;
  FDismantled = true;
  Destroying();
  RemoveFreeNotifications();
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
}

HRESULT TComponent::QueryInterface(const TGUID& IID, void** Obj) {
  return ::detail::QueryInterfaceTable<IInterface>(this, IID, Obj) ? S_OK : E_NOINTERFACE;
}

TComponent* TComponent::GetComponent(Integer Index) const {
  if (Index < 0 || Index >= GetComponentCount()) RaiseIndex(Index);
  return FComponents[Index];
}

Integer TComponent::GetComponentIndex() const {
  if (!FOwner) return -1;
  auto it = std::find(FOwner->FComponents.begin(), FOwner->FComponents.end(), this);
  return it == FOwner->FComponents.end() ? -1 : static_cast<Integer>(it - FOwner->FComponents.begin());
}

void TComponent::SetComponentIndex(Integer Value) {
  const Integer current = GetComponentIndex();
  if (current < 0) return;
  auto& list = FOwner->FComponents;
  Value = std::clamp(Value, 0, static_cast<Integer>(list.size()) - 1);
  if (Value == current) return;
  list.erase(list.begin() + current);
  list.insert(list.begin() + Value, this);
  if (FListedNotified) FOwner->FNotifiedUnordered = true;
}

TComponent* TComponent::FindComponent(StringView AName) const {
  if (AName.empty()) return nullptr;
  // A dying owner's list only shrinks: it is searched as it is rather than indexed anew.
  if (!FNameIndex && FComponents.size() >= KNameIndexFrom && !FComponentState.Contains(csDestroying)) {
    auto index = std::make_unique<TNameIndex>();
    bool unique = true;
    for (TComponent* c : FComponents)
      if (!c->FName.empty() && !index->Add(c)) {
        unique = false;
        break;
      }
    if (unique) const_cast<TComponent*>(this)->FNameIndex = std::move(index);
  }
  if (FNameIndex) return FNameIndex->Find(AName);
  for (TComponent* c : FComponents)
    if (SameText(c->FName, AName)) return c;
  return nullptr;
}

void TComponent::NameIndexAdd(TComponent* AComponent) {
  if (FNameIndex && !AComponent->FName.empty() && !FNameIndex->Add(AComponent))
    FNameIndex.reset();  // a second component of that name: the first in the list must win
}

void TComponent::NameIndexRemove(TComponent* AComponent) {
  if (FNameIndex && !AComponent->FName.empty()) FNameIndex->Remove(AComponent);
}

void TComponent::ChangeName(const TComponentName& NewName) {
  if (FOwner) FOwner->NameIndexRemove(this);
  FName = NewName;
  if (FOwner) FOwner->NameIndexAdd(this);
}

bool TComponent::HearsNotifications() const {
  return !FComponents.empty() || !FFreeNotifies.empty() || !HasBaseNotification(this, &TComponent::Notification);
}

void TComponent::ListNotified(TComponent* AComponent) {
  if (AComponent->FListedNotified) return;
  AComponent->FListedNotified = true;
  if (!FComponents.empty() && FComponents.back() != AComponent) FNotifiedUnordered = true;
  FNotified.push_back(AComponent);
}

void TComponent::UnlistNotified(TComponent* AComponent) {
  if (!AComponent->FListedNotified) return;
  AComponent->FListedNotified = false;
  auto it = std::find(FNotified.rbegin(), FNotified.rend(), AComponent);
  if (it != FNotified.rend()) FNotified.erase(std::next(it).base());
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->FOwner == this) return;
  // An owner inside the component's own tree would free it twice.
  for (const TComponent* c = this; c; c = c->FOwner)
    if (c == AComponent) throw EComponentError(u"Cannot insert %s into its own tree", {AComponent->ClassName()});
  AComponent->ValidateContainer(this);
  // Checked here as well: ValidateRename only compares components this one already owns.
  if (FindComponent(AComponent->FName))
    throw EComponentError(u"A component named %s already exists", {AComponent->FName});
  ValidateRename(AComponent, u"", AComponent->FName);
  if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
  Insert(AComponent);
  AComponent->FInsertPending = false;
  if (!AComponent->HearsNotifications()) UnlistNotified(AComponent);
  if (FComponentState.Contains(csDesigning)) AComponent->SetDesigning(true);
  Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->FOwner != this) return;
  ValidateRename(AComponent, AComponent->FName, u"");
  Notification(AComponent, opRemove);
  Remove(AComponent);
}

void TComponent::Insert(TComponent* AComponent) {
  FComponents.push_back(AComponent);
  AComponent->FOwner = this;
  NameIndexAdd(AComponent);
  // Listed until it is whole (AfterConstruction, InsertComponent): a component under
  // construction does not yet show its own Notification.
  ListNotified(AComponent);
  if (FOwner && FComponents.size() == 1) FOwner->ListNotified(this);
}

void TComponent::Remove(TComponent* AComponent) {
  NameIndexRemove(AComponent);
  UnlistNotified(AComponent);
  AComponent->FOwner = nullptr;
  auto it = std::find(FComponents.rbegin(), FComponents.rend(), AComponent);
  if (it != FComponents.rend()) FComponents.erase(std::next(it).base());
}

void TComponent::DestroyComponents() {
  // Every owned component goes: a dying owner drops its name index at once instead of taking
  // each name out of it.
  if (FComponentState.Contains(csDestroying)) FNameIndex.reset();
  while (!FComponents.empty()) {
    TComponent* instance = FComponents.back();
    if (instance->FComponentState.Contains(csFreeNotification) ||
        (FComponentState.Contains(csDesigning) && FComponentState.Contains(csInline)))
      RemoveComponent(instance);
    else
      Remove(instance);
    Free(instance);
  }
}

void TComponent::Destroying() {
  if (FComponentState.Contains(csDestroying)) return;
  FComponentState.Include(csDestroying);
  for (TComponent* c : FComponents) c->Destroying();
}

void TComponent::SetName(const TComponentName& NewName) {
  if (FName == NewName) return;
  if (!NewName.empty() && !IsValidIdent(NewName))
    throw EComponentError(u"'%s' is not a valid component name", {NewName});
  if (FOwner)
    FOwner->ValidateRename(this, FName, NewName);
  else
    ValidateRename(nullptr, FName, NewName);
  ChangeName(NewName);
}

void TComponent::ValidateRename(TComponent* AComponent, const String& CurName, const String& NewName) {
  if (AComponent && !SameText(CurName, NewName) && AComponent->FOwner == this && FindComponent(NewName))
    throw EComponentError(u"A component named %s already exists", {NewName});
}

void TComponent::ValidateContainer(TComponent* AComponent) { AComponent->ValidateInsert(this); }

void TComponent::ValidateInsert(TComponent*) {}

void TComponent::SetChildOrder(TComponent*, Integer) {}

void TComponent::SetParentComponent(TComponent*) {}

void TComponent::GetChildren(const TGetChildProc&, TComponent*) {}

void TComponent::Loaded() { FComponentState.Exclude(csLoading); }

void TComponent::SetDesigning(bool Value, bool SetChildren) {
  if (Value)
    FComponentState.Include(csDesigning);
  else
    FComponentState.Exclude(csDesigning);
  if (SetChildren)
    for (TComponent* c : FComponents) c->SetDesigning(Value);
}

void TComponent::SetSubComponent(bool IsSubComponent) {
  if (IsSubComponent)
    FComponentStyle.Include(csSubComponent);
  else
    FComponentStyle.Exclude(csSubComponent);
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  if (!FOwner || AComponent->FOwner != FOwner) {
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end()) {
      FFreeNotifies.push_back(AComponent);
      if (FOwner) FOwner->ListNotified(this);
      AComponent->FreeNotification(this);
    }
  }
  FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (!AComponent) return;
  RemoveNotification(AComponent);
  AComponent->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* AComponent) {
  auto it = std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent);
  if (it != FFreeNotifies.end()) FFreeNotifies.erase(it);
}

void TComponent::RemoveFreeNotifications() {
  while (!FFreeNotifies.empty()) {
    TComponent* watcher = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    watcher->Notification(this, opRemove);
    // Also when an override did not pass the notification on: the watcher must never keep
    // a pointer to this component.
    watcher->RemoveNotification(this);
  }
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
  if (FNotifiedUnordered) {
    FNotified.clear();
    for (TComponent* c : FComponents)
      if (c->FListedNotified) FNotified.push_back(c);
    FNotifiedUnordered = false;
  }
  // Last first, as the list runs; it may shrink while the owned components react.
  Integer i = static_cast<Integer>(FNotified.size()) - 1;
  while (i >= 0) {
    FNotified[i]->Notification(AComponent, Operation);
    --i;
    if (i >= static_cast<Integer>(FNotified.size())) i = static_cast<Integer>(FNotified.size()) - 1;
  }
}

void TComponent::DeclareProperties(TClassDeclaration<TComponent>& D) {
  // The name is written by the streaming system itself, not as a property.
  D.Property(u"Name", &TComponent::GetName, &TComponent::SetName).Stored(false);
  D.Property(u"Tag", &TComponent::GetTag, &TComponent::SetTag).Default(0);
}

// ---- TCollectionItem ----

TCollectionItem::TCollectionItem(TCollection* ACollection) {
  // The item's class is checked in AfterConstruction: here it is not yet the derived class.
  if (ACollection) {
    ACollection->InsertItem(this, false);
    FAddPending = true;
  }
}

TCollectionItem::~TCollectionItem() {
  if (FCollection) FCollection->RemoveItem(this);
}

void TCollectionItem::AfterConstruction() {
  inherited::AfterConstruction();
  if (FAddPending) {
    FAddPending = false;
    if (FCollection) {
      if (!InheritsFrom(FCollection->FItemClass)) {
        TCollection* collection = FCollection;
        collection->FItems.erase(std::find(collection->FItems.begin(), collection->FItems.end(), this));
        FCollection = nullptr;
        throw EInvalidCast(u"A %s cannot be an item of a collection of %s",
                           {ClassName(), collection->FItemClass->ClassName()});
      }
      FCollection->Notify(this, cnAdded);
      FCollection->Changed();
    }
  }
}

void TCollectionItem::BeforeDestruction() {
  inherited::BeforeDestruction();
  if (FCollection) FCollection->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* Value) {
  if (FCollection == Value) return;
  if (Value && !InheritsFrom(Value->FItemClass))
    throw EInvalidCast(u"A %s cannot be an item of a collection of %s", {ClassName(), Value->FItemClass->ClassName()});
  if (FCollection) FCollection->RemoveItem(this);
  if (Value) {
    Value->InsertItem(this, true);
    FAddPending = false;
    Value->Notify(this, cnAdded);
    Value->Changed();
  }
}

Integer TCollectionItem::GetIndex() const {
  if (!FCollection) return -1;
  const auto& items = FCollection->FItems;
  auto it = std::find(items.begin(), items.end(), this);
  return it == items.end() ? -1 : static_cast<Integer>(it - items.begin());
}

void TCollectionItem::SetIndex(Integer Value) {
  const Integer current = GetIndex();
  if (current < 0 || current == Value) return;
  auto& items = FCollection->FItems;
  if (Value < 0 || Value >= static_cast<Integer>(items.size())) RaiseIndex(Value);
  items.erase(items.begin() + current);
  items.insert(items.begin() + Value, this);
  Changed(true);
}

String TCollectionItem::GetDisplayName() const { return ClassName(); }

void TCollectionItem::SetDisplayName(const String&) { Changed(false); }

TPersistent* TCollectionItem::GetOwner() const { return FCollection; }

String TCollectionItem::GetNamePath() const {
  if (!FCollection) return ClassName();
  return Format(u"%s[%d]", {FCollection->GetNamePath(), GetIndex()});
}

void TCollectionItem::Changed(bool AllItems) {
  if (FCollection && FCollection->FUpdateCount == 0) FCollection->Update(AllItems ? nullptr : this);
}

// ---- TCollection ----

TCollection::TCollection(TCollectionItemClass ItemClass) : FItemClass(ItemClass) {
  if (!ItemClass || !ItemClass->InheritsFrom(TCollectionItem::StaticClass()))
    throw EInvalidCast(u"%s is no collection item class", {ItemClass ? ItemClass->ClassName() : String(u"nil")});
}

TCollection::~TCollection() {
  FUpdateCount = 1;
  while (!FItems.empty()) Free(FItems.back());
}

void TCollection::BeforeDestruction() {
  inherited::BeforeDestruction();
  // No updates while the items go.
  FUpdateCount = 1;
  while (!FItems.empty()) Free(FItems.back());
}

TCollectionItem* TCollection::Add() { return FItemClass->Create<TCollectionItem>(this); }

TCollectionItem* TCollection::Insert(Integer Index) {
  if (Index < 0 || Index > GetCount()) RaiseIndex(Index);
  TCollectionItem* item = Add();
  item->SetIndex(Index);
  return item;
}

void TCollection::Delete(Integer Index) {
  TCollectionItem* item = GetItem(Index);
  Notify(item, cnDeleting);
  Free(item);
}

void TCollection::Clear() {
  if (FItems.empty()) return;
  BeginUpdate();
  try {
    while (!FItems.empty()) Free(FItems.back());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TCollection::Exchange(Integer Index1, Integer Index2) {
  GetItem(Index1);
  GetItem(Index2);
  if (Index1 == Index2) return;
  std::swap(FItems[Index1], FItems[Index2]);
  Changed();
}

void TCollection::Move(Integer CurIndex, Integer NewIndex) { GetItem(CurIndex)->SetIndex(NewIndex); }

TCollectionItem* TCollection::GetItem(Integer Index) const {
  if (Index < 0 || Index >= GetCount()) RaiseIndex(Index);
  return FItems[Index];
}

void TCollection::SetItem(Integer Index, TCollectionItem* Value) { GetItem(Index)->Assign(Value); }

TCollectionItem* TCollection::FindItemID(Integer ID) const {
  for (TCollectionItem* item : FItems)
    if (item->FID == ID) return item;
  return nullptr;
}

void TCollection::BeginUpdate() { ++FUpdateCount; }

void TCollection::EndUpdate() {
  --FUpdateCount;
  Changed();
}

void TCollection::Changed() {
  if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::Notify(TCollectionItem*, TCollectionNotification) {}

void TCollection::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TCollection*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  // Clearing first would free the very items to be copied.
  if (source == this) return;
  BeginUpdate();
  try {
    Clear();
    for (TCollectionItem* item : source->FItems) Add()->Assign(item);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

String TCollection::GetNamePath() const {
  TPersistent* owner = GetOwner();
  if (!owner) return ClassName();
  const String ownerPath = owner->GetNamePath();
  if (ownerPath.empty()) return ClassName();
  const String propName = GetPropName();
  if (propName.empty()) return ClassName();
  return ownerPath + u'.' + propName;
}

String TCollection::GetPropName() const {
  TPersistent* owner = GetOwner();
  if (!owner) return String();
  for (PPropInfo p : GetPropList(owner->ClassType(), TTypeKinds{tkClass}))
    if (p->HasGetter() && GetObjectProp(owner, p) == this) return p->Name;
  return String();
}

void TCollection::InsertItem(TCollectionItem* Item, bool CheckClass) {
  if (CheckClass && !Item->InheritsFrom(FItemClass))
    throw EInvalidCast(u"A %s cannot be an item of a collection of %s", {Item->ClassName(), FItemClass->ClassName()});
  FItems.push_back(Item);
  Item->FCollection = this;
  Item->FID = FNextID++;
}

void TCollection::RemoveItem(TCollectionItem* Item) {
  Notify(Item, cnExtracting);
  auto it = std::find(FItems.rbegin(), FItems.rend(), Item);
  if (it != FItems.rend()) FItems.erase(std::next(it).base());
  Item->FCollection = nullptr;
  Changed();
}

// ---- TOwnedCollection ----

TOwnedCollection::TOwnedCollection(TPersistent* AOwner, TCollectionItemClass ItemClass)
    : TCollection(ItemClass), FOwner(AOwner) {}

namespace detail {
void ClassesInitialization() {
  RegisterProperties<TComponent>();
  RegisterClasses({TPersistent::StaticClass(), TComponent::StaticClass(), TCollection::StaticClass(),
                   TCollectionItem::StaticClass(), TOwnedCollection::StaticClass()});
}
}  // namespace detail
