#include "rtl/RTL.Lists.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <thread>
#include <vector>

#include "rtl/RTL.Classes.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Generics.h"

namespace {

Pointer P(intptr_t Value) { return reinterpret_cast<Pointer>(Value); }
intptr_t V(Pointer Item) { return reinterpret_cast<intptr_t>(Item); }

std::vector<intptr_t> Values(const TList& List) {
  std::vector<intptr_t> result;
  for (Pointer item : List) result.push_back(V(item));
  return result;
}

void Fill(TList& List, std::initializer_list<intptr_t> Items) {
  List.Clear();
  for (intptr_t item : Items) List.Add(P(item));
}

struct TEvent {
  intptr_t item;
  TListNotification action;
  bool operator==(const TEvent&) const = default;
};

class TRecordingList : public TList {
 public:
  std::vector<TEvent> Events;

 protected:
  void Notify(Pointer Ptr, TListNotification Action) override { Events.push_back({V(Ptr), Action}); }
};

std::atomic<int> GLiving = 0;  // items are made on several threads
int GFreed = 0;

class TCounted : public TObject {
  ZCL_CLASS(TCounted, TObject)
 public:
  TCounted() { ++GLiving; }
  ~TCounted() override {
    --GLiving;
    ++GFreed;
  }
};

class TCountedChild : public TCounted {
  ZCL_CLASS(TCountedChild, TCounted)
};

template <class F>
void ExpectListError(F Action, const String& Message) {
  try {
    Action();
    ADD_FAILURE() << "no EListError, expected " << StringToUTF8(Message);
  } catch (const EListError& e) {
    EXPECT_EQ(e.GetMessage(), Message);
  }
}

Integer CompareValues(Pointer Item1, Pointer Item2) { return CompareValue(V(Item1), V(Item2)); }

}  // namespace

TEST(List, NotifiesAddedExtractedAndDeletedInOrder) {
  TRecordingList list;
  list.Add(P(1));
  list.Add(P(2));
  list.Insert(0, P(3));
  list.SetItems(1, P(4));       // 1 leaves, 4 enters
  list.SetItems(1, P(4));       // unchanged: silent
  EXPECT_EQ(list.Extract(P(2)), P(2));
  EXPECT_EQ(list.Extract(P(9)), nullptr);
  list.Add(nullptr);            // null items are never notified
  list.Move(0, 1);              // moves are silent
  list.Exchange(0, 1);
  list.Add(P(5));
  list.Delete(0);
  list.Clear();                 // the rest, last first
  const std::vector<TEvent> expected = {
      {1, lnAdded},   {2, lnAdded},     {3, lnAdded},   {1, lnDeleted}, {4, lnAdded},
      {2, lnExtracted}, {5, lnAdded}, {3, lnDeleted}, {5, lnDeleted}, {4, lnDeleted},
  };
  EXPECT_EQ(list.Events, expected);
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(list.GetCapacity(), 0);
}

TEST(List, RaisesListErrorsWithTheIndex) {
  TList list;
  ExpectListError([&] { list.First(); }, u"List index out of bounds (0)");
  ExpectListError([&] { list.Last(); }, u"List index out of bounds (-1)");
  Fill(list, {1, 2, 3});
  const struct {
    std::function<void()> action;
    String message;
  } cases[] = {
      {[&] { list.GetItems(-1); }, u"List index out of bounds (-1)"},
      {[&] { list.GetItems(3); }, u"List index out of bounds (3)"},
      {[&] { list.SetItems(3, nullptr); }, u"List index out of bounds (3)"},
      {[&] { list.Insert(4, nullptr); }, u"List index out of bounds (4)"},
      {[&] { list.Delete(3); }, u"List index out of bounds (3)"},
      {[&] { list.Exchange(0, 7); }, u"List index out of bounds (7)"},
      {[&] { list.Move(5, 0); }, u"List index out of bounds (5)"},
      {[&] { list.Move(0, 3); }, u"List index out of bounds (3)"},
      {[&] { list.SetCapacity(2); }, u"List capacity out of bounds (2)"},
      {[&] { list.SetCapacity(MaxListSize + 1); }, u"List capacity out of bounds (134217728)"},
      {[&] { list.SetCount(-1); }, u"List count out of bounds (-1)"},
  };
  for (const auto& c : cases) ExpectListError(c.action, c.message);
  EXPECT_EQ(Values(list), (std::vector<intptr_t>{1, 2, 3}));  // nothing changed
  list.Insert(3, P(4));                                        // the end is a valid place
  EXPECT_EQ(list.Last(), P(4));
}

TEST(List, GrowsLikeThePlatform) {
  TList list;
  std::vector<Integer> capacities;
  for (int i = 0; i < 120; ++i) {
    list.Add(P(i + 1));
    if (capacities.empty() || capacities.back() != list.GetCapacity()) capacities.push_back(list.GetCapacity());
  }
  EXPECT_EQ(capacities, (std::vector<Integer>{4, 8, 12, 28, 44, 60, 76, 114, 171}));
  list.SetCount(200);  // grows with null items
  EXPECT_EQ(list.GetCount(), 200);
  EXPECT_EQ(list[199], nullptr);
  list.Pack();
  EXPECT_EQ(list.GetCount(), 120);
  EXPECT_EQ(list.IndexOf(P(120)), 119);
  list.SetCount(2);
  EXPECT_EQ(Values(list), (std::vector<intptr_t>{1, 2}));
}

TEST(List, EditsInPlace) {
  TList list;
  Fill(list, {10, 20, 30, 40, 20});
  EXPECT_EQ(list.IndexOf(P(20)), 1);
  EXPECT_EQ(list.Remove(P(20)), 1);  // the first occurrence
  EXPECT_EQ(list.Remove(P(99)), -1);
  list.Move(0, 3);
  EXPECT_EQ(Values(list), (std::vector<intptr_t>{30, 40, 20, 10}));
  list.Move(3, 0);
  list.Exchange(1, 2);
  EXPECT_EQ(Values(list), (std::vector<intptr_t>{10, 40, 30, 20}));
  EXPECT_EQ(list.Expand()->GetCapacity(), 8);
}

TEST(List, SortsWithACompareFunction) {
  std::mt19937 random(7);
  TList list;
  for (int i = 0; i < 1000; ++i) list.Add(P(random() % 100));
  std::vector<intptr_t> expected = Values(list);
  std::sort(expected.begin(), expected.end());
  list.Sort(CompareValues);
  EXPECT_EQ(Values(list), expected);

  list.SortList([](Pointer A, Pointer B) { return CompareValue(V(B), V(A)); });
  std::reverse(expected.begin(), expected.end());
  EXPECT_EQ(Values(list), expected);

  // An inconsistent compare function must not run off the list (checked under the sanitizers).
  list.SortList([&](Pointer, Pointer) { return static_cast<Integer>(random() % 3) - 1; });
  std::vector<intptr_t> shuffled = Values(list);
  std::sort(shuffled.begin(), shuffled.end());
  std::reverse(shuffled.begin(), shuffled.end());
  EXPECT_EQ(shuffled, expected);
  list.SortList([](Pointer, Pointer) { return -1; });
  EXPECT_EQ(list.GetCount(), 1000);
}

TEST(List, AssignsWithSetOperations) {
  const struct {
    TListAssignOp op;
    std::vector<intptr_t> expected;
  } cases[] = {
      {laCopy, {3, 4, 6}}, {laAnd, {3, 4}},          {laOr, {1, 2, 3, 4, 5, 6}},
      {laXor, {1, 2, 5, 6}}, {laSrcUnique, {1, 2, 5}}, {laDestUnique, {6}},
  };
  TList source;
  Fill(source, {3, 4, 6});
  for (const auto& c : cases) {
    TList dest;
    Fill(dest, {1, 2, 3, 4, 5});
    dest.Assign(&source, c.op);
    EXPECT_EQ(Values(dest), c.expected) << int(c.op);
    // The three-list form: dest becomes a copy of its first list, then the operation with the second.
    TList other, first;
    Fill(first, {1, 2, 3, 4, 5});
    other.Add(P(42));
    other.Assign(&first, c.op, &source);
    EXPECT_EQ(Values(other), c.expected) << int(c.op);
  }
  // A list assigned to itself keeps its items.
  source.Assign(&source);
  EXPECT_EQ(Values(source), (std::vector<intptr_t>{3, 4, 6}));
}

TEST(ObjectList, FreesWhatItDeletesExactlyOnce) {
  GLiving = 0;
  GFreed = 0;
  TObjectList* list = Create<TObjectList>();
  EXPECT_TRUE(list->GetOwnsObjects());
  std::vector<TCounted*> objects;
  for (int i = 0; i < 6; ++i) objects.push_back(Create<TCounted>());
  for (TCounted* obj : objects) list->Add(obj);

  list->Delete(0);
  EXPECT_EQ(GFreed, 1);
  EXPECT_EQ(list->Remove(objects[1]), 0);
  EXPECT_EQ(GFreed, 2);
  EXPECT_EQ(list->Extract(objects[2]), objects[2]);  // handed back, not freed
  EXPECT_EQ(GFreed, 2);
  list->SetItems(0, objects[2]);                     // the replaced object goes
  EXPECT_EQ(GFreed, 3);
  Free(list);                                        // the rest goes with the list
  EXPECT_EQ(GFreed, 6);
  EXPECT_EQ(GLiving, 0);

  // Not owning: nothing is freed; owning as a plain member: freed with it.
  TCounted* kept = Create<TCounted>();
  {
    TObjectList borrowed(false);
    borrowed.Add(kept);
    borrowed.Clear();
  }
  EXPECT_EQ(GLiving, 1);
  {
    TObjectList member;
    member.Add(kept);
    member.Add(Create<TCounted>());
  }
  EXPECT_EQ(GLiving, 0);
  EXPECT_EQ(GFreed, 8);
}

TEST(ObjectList, FindsInstancesOfAClass) {
  TObjectList list;
  list.Add(Create<TCounted>());
  list.Add(nullptr);
  list.Add(Create<TCountedChild>());
  EXPECT_EQ(list.FindInstanceOf(ClassOf<TCountedChild>()), 2);
  EXPECT_EQ(list.FindInstanceOf(ClassOf<TCounted>()), 0);
  EXPECT_EQ(list.FindInstanceOf(ClassOf<TCounted>(), true, 1), -1);
  EXPECT_EQ(list.FindInstanceOf(ClassOf<TCounted>(), false, 1), 2);
}

TEST(ThreadList, AppliesTheDuplicatesPolicy) {
  const struct {
    TDuplicates policy;
    Integer count;
    bool raises;
  } cases[] = {{dupIgnore, 1, false}, {dupAccept, 2, false}, {dupError, 1, true}};
  for (const auto& c : cases) {
    TThreadList list;
    list.SetDuplicates(c.policy);
    list.Add(P(1));
    if (c.raises)
      ExpectListError([&] { list.Add(P(1)); }, u"Duplicates not allowed");
    else
      list.Add(P(1));
    TList* items = list.LockList();
    EXPECT_EQ(items->GetCount(), c.count);
    EXPECT_EQ(list.LockList(), items);  // the same thread may lock again
    list.UnlockList();
    list.UnlockList();
  }
}

TEST(ThreadList, SerialisesThreads) {
  TThreadList list;
  list.SetDuplicates(dupAccept);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&list, t] {
      for (int i = 0; i < 2000; ++i) {
        list.Add(P(t * 10000 + i + 1));
        if (i % 2) list.Remove(P(t * 10000 + i + 1));
      }
    });
  for (auto& t : threads) t.join();
  TList* items = list.LockList();
  EXPECT_EQ(items->GetCount(), 4000);
  list.UnlockList();
}

namespace {
struct IItem : virtual IInterface {
  RTL_INTERFACE(IItem, IInterface, "{0B1C2D3E-4F50-4617-8293-A4B5C6D7E801}")
};
class TItem : public TInterfacedObject, public IItem {
  RTL_INTERFACES(TInterfacedObject, IItem)
 public:
  TItem() { ++GLiving; }
  ~TItem() override { --GLiving; }
};
Integer RefCount(const IPtr<IItem>& Item) { return dynamic_cast<TItem*>(Item.get())->GetRefCount(); }
}  // namespace

TEST(InterfaceList, HoldsOneReferencePerItem) {
  GLiving = 0;
  IPtr<IItem> a = Create<TItem>(), b = Create<TItem>(), c = Create<TItem>();
  {
    IPtr<IInterfaceList> list = Create<TInterfaceList>();
    EXPECT_EQ(list->Add(a), 0);
    EXPECT_EQ(list->Add(b), 1);
    list->Insert(0, c);
    list->Add(a);
    EXPECT_EQ(RefCount(a), 3);
    EXPECT_EQ(list->IndexOf(b), 2);  // identity, whatever interface the caller holds
    EXPECT_EQ(list->First(), IPtr<IInterface>(c));
    EXPECT_EQ(list->Get(1), IPtr<IInterface>(a));

    list->Put(1, b);  // a loses one reference, b gains one
    EXPECT_EQ(RefCount(a), 2);
    EXPECT_EQ(RefCount(b), 3);
    EXPECT_EQ(list->Remove(b), 1);
    EXPECT_EQ(RefCount(b), 2);
    list->Delete(0);
    EXPECT_EQ(RefCount(c), 1);
    list->SetCount(3);  // one null item appended
    EXPECT_EQ(list->Last(), nullptr);
    ExpectListError([&] { list->Get(3); }, u"List index out of bounds (3)");
    ExpectListError([&] { list->Put(-1, a); }, u"List index out of bounds (-1)");
    EXPECT_EQ(RefCount(a), 2);
    list->SetCount(1);
    EXPECT_EQ(list->GetCount(), 1);
  }
  EXPECT_EQ(RefCount(a), 1);
  EXPECT_EQ(RefCount(b), 1);
  c = nullptr;
  a = nullptr;
  b = nullptr;
  EXPECT_EQ(GLiving, 0);
}

TEST(InterfaceList, IsSafeAcrossThreads) {
  GLiving = 0;
  IPtr<IInterfaceList> list = Create<TInterfaceList>();
  IPtr<IItem> shared = Create<TItem>();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([list, shared] {
      for (int i = 0; i < 2000; ++i) {
        list->Add(shared);
        list->Remove(shared);
        list->Add(IPtr<IItem>(Create<TItem>()));
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(list->GetCount(), 8000);
  EXPECT_EQ(RefCount(shared), 1);
  list->Clear();
  shared = nullptr;
  EXPECT_EQ(GLiving, 0);
}

namespace {
int GComponents = 0;
class TWatched : public TComponent {
  ZCL_CLASS(TWatched, TComponent)
 public:
  explicit TWatched(TComponent* AOwner) : TComponent(AOwner) { ++GComponents; }
  ~TWatched() override { --GComponents; }
};
}  // namespace

TEST(ComponentList, DropsComponentsAsTheyAreDestroyed) {
  GComponents = 0;
  TComponent* owner = Create<TWatched>(nullptr);
  TComponent* a = Create<TWatched>(owner);
  TComponent* b = Create<TWatched>(nullptr);
  TComponent* c = Create<TWatched>(owner);
  TComponentList* list = Create<TComponentList>(false);
  list->Add(a);
  list->Add(b);
  list->Add(a);  // twice: both occurrences go with it
  list->Add(c);

  Free(a);
  EXPECT_EQ(list->GetCount(), 2);
  EXPECT_EQ(list->First(), b);
  list->Add(b);
  EXPECT_EQ(list->Remove(b), 0);  // one occurrence left: still watched
  Free(b);
  EXPECT_EQ(list->GetCount(), 1);
  EXPECT_EQ(list->Extract(c), c);  // no longer watched
  list->Add(owner);
  Free(list);  // the list goes first: later frees must not reach it
  Free(owner);
  EXPECT_EQ(GComponents, 0);
}

TEST(ComponentList, OwningListFreesEachComponentOnce) {
  GComponents = 0;
  TComponent* owner = Create<TWatched>(nullptr);
  TComponentList* list = Create<TComponentList>();
  list->Add(Create<TWatched>(owner));
  list->Add(Create<TWatched>(nullptr));
  list->Add(Create<TWatched>(nullptr));
  Free(list->GetItems(1));  // freed elsewhere: dropped, not freed again
  EXPECT_EQ(list->GetCount(), 2);
  list->Delete(1);
  EXPECT_EQ(GComponents, 2);
  Free(list);
  EXPECT_EQ(GComponents, 1);
  EXPECT_EQ(owner->GetComponentCount(), 0);  // the freed component left its owner
  {
    TComponentList member;  // destroyed without Free
    member.Add(Create<TWatched>(owner));
    TComponentList watching(false);
    watching.Add(owner);
    watching.Add(owner->GetComponent(0));
  }
  EXPECT_EQ(GComponents, 1);
  Free(owner);
  EXPECT_EQ(GComponents, 0);
}
