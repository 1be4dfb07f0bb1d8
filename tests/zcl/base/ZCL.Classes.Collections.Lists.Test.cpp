#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "rtl/RTL.Classes.h"
#include "zcl/base/ZCL.Base.TestUtil.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Hashes.h"

namespace {

// ---- pointer and object lists -----------------------------------------------------------------

struct TChangeCounter {
  int Changes = 0;
  void Changed(TObject*) { ++Changes; }
};

std::string Letters(const TList& List) {
  std::string text;
  for (Pointer p : List) text += *static_cast<const char*>(p);
  return text;
}

TEST(ZclPointerList, MoveItemShiftsTheItemsBetweenAndReportsOnce) {
  static const char letters[] = "ABCDE";
  struct TCase {
    Integer From, To;
    bool Result;
    const char* Expected;
    int Changes;
  };
  const TCase cases[] = {
      {3, 1, true, "ADBCE", 1},  {1, 3, true, "ACDBE", 1},   {0, 0, true, "ABCDE", 1},
      {0, 5, false, "ABCDE", 0}, {-1, 2, false, "ABCDE", 0}, {4, 0, true, "EABCD", 1},
  };
  for (const TCase& c : cases) {
    auto* list = Create<TZCLList>();
    for (int i = 0; i < 5; ++i) list->Add(const_cast<char*>(letters + i));
    TChangeCounter counter;
    list->OnChanged = {&counter, &TChangeCounter::Changed};
    EXPECT_EQ(list->MoveItem(c.From, c.To), c.Result) << c.From << "->" << c.To;
    EXPECT_EQ(Letters(*list), c.Expected) << c.From << "->" << c.To;
    EXPECT_EQ(counter.Changes, c.Changes) << c.From << "->" << c.To;
    list->OnChanged = nullptr;
    Free(list);
  }
}

TEST(ZclPointerList, ChangesAreReportedPerItemButShuffleIsSilentAndKeepsTheItems) {
  static const char letters[] = "ABCDEFGHIJ";
  auto* source = Create<TList>();
  for (int i = 0; i < 10; ++i) source->Add(const_cast<char*>(letters + i));
  auto* list = Create<TZCLList>();
  TChangeCounter counter;
  list->OnChanged = {&counter, &TChangeCounter::Changed};
  list->AddRange(source);
  EXPECT_EQ(Letters(*list), "ABCDEFGHIJ");
  EXPECT_EQ(counter.Changes, 10);
  list->AddRange(list);  // its own items once more, not forever
  EXPECT_EQ(Letters(*list), "ABCDEFGHIJABCDEFGHIJ");

  counter.Changes = 0;
  list->Shuffle();
  EXPECT_EQ(counter.Changes, 0);
  std::string shuffled = Letters(*list);
  std::sort(shuffled.begin(), shuffled.end());
  EXPECT_EQ(shuffled, "AABBCCDDEEFFGGHHIIJJ");

  list->Extract(const_cast<char*>(letters));
  list->Delete(0);
  EXPECT_EQ(counter.Changes, 2);
  list->EnsureCapacity(100);
  EXPECT_GE(list->GetCapacity(), list->GetCount() + 100);
  list->OnChanged = nullptr;
  Free(list);
  Free(source);
}

// Sees, when told of a change, whether the deleted object was already freed.
struct TFreeWatch {
  std::vector<int>* Log;
  std::vector<size_t> FreedAtChange;
  void Changed(TObject*) { FreedAtChange.push_back(Log->size()); }
};

TEST(ZclObjectList, OwnedItemsAreFreedOnDeletionBeforeTheChangeButNeverOnExtraction) {
  std::vector<int> log;
  auto* list = Create<TZCLObjectList>(true);
  TTracked* items[4];
  for (int i = 0; i < 4; ++i) list->Add(items[i] = new TTracked(log, i));
  TFreeWatch watch{&log, {}};
  list->OnChanged = {&watch, &TFreeWatch::Changed};

  EXPECT_EQ(list->Remove(items[1]), 1);
  EXPECT_EQ(log, std::vector<int>{1});
  EXPECT_EQ(watch.FreedAtChange, std::vector<size_t>{1});  // freed before OnChanged ran
  EXPECT_EQ(list->Remove(items[1]), -1);

  EXPECT_EQ(list->Extract(items[0]), items[0]);
  EXPECT_EQ(list->ExtractByIndex(-1), nullptr);
  EXPECT_EQ(list->ExtractByIndex(list->GetCount()), nullptr);
  EXPECT_EQ(list->ExtractByIndex(1), items[3]);
  EXPECT_EQ(log, std::vector<int>{1});
  EXPECT_EQ(watch.FreedAtChange.size(), 3u);  // each extraction reported once
  EXPECT_EQ(list->First(), items[2]);
  EXPECT_EQ(list->GetCount(), 1);
  EXPECT_THROW(list->GetItems(1), EListError);

  list->OnChanged = nullptr;
  Free(list);  // frees the owned remainder
  EXPECT_EQ(log, (std::vector<int>{1, 2}));
  delete items[0];
  delete items[3];

  auto* unowned = Create<TZCLObjectList>(false);
  auto* kept = new TTracked(log, 9);
  unowned->Add(kept);
  unowned->Delete(0);
  delete unowned;  // also without Free
  EXPECT_EQ(log, (std::vector<int>{1, 2, 0, 3}));
  delete kept;
}

TEST(ZclComponentList, FindByNameIgnoresCaseAndSearchesOwnedComponentsWhenRecursive) {
  auto* outer = Create<TComponent>(nullptr);
  outer->SetName(u"Outer");
  auto* inner = Create<TComponent>(outer);
  inner->SetName(u"Inner");
  auto* second = Create<TComponent>(nullptr);
  second->SetName(u"inner");
  auto* list = Create<TZCLComponentList>(false);
  list->Add(outer);
  list->Add(second);
  EXPECT_EQ(list->FindByName(u"OUTER"), outer);
  EXPECT_EQ(list->FindByName(u"Inner"), second);
  EXPECT_EQ(list->FindByName(u"Inner", true), inner);  // found inside Outer before the second item
  EXPECT_EQ(list->FindByName(u""), nullptr);
  EXPECT_EQ(list->FindByName(u"none", true), nullptr);
  Free(list);
  Free(outer);
  Free(second);
}

TEST(ZclFloatList, IndexOfWithToleranceIsStrict) {
  auto* list = Create<TZCLFloatList>();
  for (Single v : {1.0f, 2.0f, 2.05f}) list->Add(v);
  EXPECT_EQ(list->IndexOf(2.04f, 0.1f), 1);
  EXPECT_EQ(list->IndexOf(0.5f, 0.5f), -1);  // a difference of exactly Epsilon does not match
  EXPECT_EQ(list->IndexOf(2.05f, 0.01f), 2);
  EXPECT_EQ(list->IndexOf(5.0f, 1.0f), -1);
  Free(list);
}

TEST(ZclCheckIsClassType, NullRaisesInvalidCast) {
  EXPECT_EQ(RaisedMessage<EInvalidCast>([] { CheckIsClassType(nullptr); }), "Invalid class typecast");
  EXPECT_NO_THROW(CheckIsClassType(TObject::StaticClass()));
}

// ---- listener lists ---------------------------------------------------------------------------

struct IPing : virtual IInterface {
  RTL_INTERFACE(IPing, IInterface, "{6A7D2E10-41C3-4B8E-9F21-5D0C3B7A8E01}")
  virtual void Ping() = 0;
};
struct IPong : virtual IInterface {
  RTL_INTERFACE(IPong, IInterface, "{6A7D2E10-41C3-4B8E-9F21-5D0C3B7A8E02}")
  virtual void Pong() = 0;
};

// Logs its calls; may run an action of the test when pinged.
class TListener : public TInterfacedObject, public IPing {
  RTL_INTERFACES(TInterfacedObject, IPing)
 public:
  TListener(std::string& Log, char Id) : FLog(Log), FId(Id) {}
  void Ping() override {
    FLog += FId;
    if (OnPing) OnPing();
  }
  std::function<void()> OnPing;

 private:
  std::string& FLog;
  char FId;
};
class TBothListener : public TListener, public IPong {
  RTL_INTERFACES(TListener, IPong)
 public:
  using TListener::TListener;
  void Pong() override {}
};

struct TListenerFixture : ::testing::Test {
  std::string log;
  TZCLListenerList* list = Create<TZCLListenerList>(4);
  std::vector<IPtr<TListener>> listeners;
  void SetUp() override {
    for (char id : std::string("ABCD")) {
      listeners.push_back(IPtr<TListener>(Create<TListener>(log, id)));
      list->Add(IPtr<IInterface>(listeners.back()));
    }
  }
  void TearDown() override { Free(list); }
  IPtr<IInterface> At(int I) { return IPtr<IInterface>(listeners[I]); }
  void PingAll() {
    list->Enum<IPing>([](const IPtr<IPing>& p) { p->Ping(); });
  }
};

TEST_F(TListenerFixture, RemovingListenersDuringEnumerationSkipsNoneAndCallsNoneTwice) {
  struct TCase {
    int Pinged;   // the listener that acts
    int Removed;  // the listener it removes
    const char* Expected;
  };
  // Removing itself, an earlier listener (the old index arithmetic skipped the next one), a
  // later one (never called) and the first.
  const TCase cases[] = {{1, 1, "ABCD"}, {2, 0, "ABCD"}, {1, 2, "ABD"}, {3, 0, "ABCD"}, {0, 0, "ABCD"}};
  for (const TCase& c : cases) {
    log.clear();
    listeners[c.Pinged]->OnPing = [this, c] { list->Remove(At(c.Removed)); };
    PingAll();
    EXPECT_EQ(log, c.Expected) << c.Pinged << " removes " << c.Removed;
    listeners[c.Pinged]->OnPing = nullptr;
    log.clear();
    PingAll();
    EXPECT_EQ(list->Count(), 3);
    list->Clear();
    for (int i = 0; i < 4; ++i) list->Add(At(i));
  }
}

TEST_F(TListenerFixture, NestedEnumerationsAddsAndClearInsideProcStayConsistent) {
  // B removes A inside a nested enumeration that runs inside the outer one.
  bool nested = false;
  listeners[1]->OnPing = [&] {
    if (nested) return;
    nested = true;
    log += '[';
    list->Enum<IPing>([&](const IPtr<IPing>& p) {
      if (p.get() == static_cast<IPing*>(listeners[2].get())) list->Remove(At(0));
      p->Ping();
    });
    log += ']';
  };
  PingAll();
  EXPECT_EQ(log, "AB[ABCD]CD");  // the nested run pinged B again, which did nothing more

  // A listener added during the run is visited; Clear inside the run ends it.
  log.clear();
  auto extra = IPtr<TListener>(Create<TListener>(log, 'E'));
  listeners[1]->OnPing = [&] { list->Add(IPtr<IInterface>(extra)); };
  PingAll();
  EXPECT_EQ(log, "BCDE");
  log.clear();
  listeners[2]->OnPing = [&] { list->Clear(); };
  PingAll();
  EXPECT_EQ(log, "BC");
  EXPECT_EQ(list->Count(), 0);
}

TEST(ZclListenerList, EnumCallsOnlyListenersOfTheInterfaceAndChangesAreReported) {
  std::string log;
  auto* list = Create<TZCLListenerList>();
  TChangeCounter counter;
  list->OnChanged = {&counter, &TChangeCounter::Changed};
  auto both = IPtr<TBothListener>(Create<TBothListener>(log, 'X'));
  auto ping = IPtr<TListener>(Create<TListener>(log, 'Y'));
  list->Add(IPtr<IInterface>(both));
  list->Add(IPtr<IInterface>(ping));
  list->Add(IPtr<IInterface>(ping));  // duplicates allowed
  int pongs = 0, all = 0;
  list->Enum<IPong>([&](const IPtr<IPong>&) { ++pongs; });
  list->Enum<IInterface>([&](const IPtr<IInterface>&) { ++all; });
  EXPECT_EQ(pongs, 1);
  EXPECT_EQ(all, 3);
  EXPECT_EQ(counter.Changes, 3);

  list->Remove(IPtr<IInterface>(ping));  // the first occurrence only
  EXPECT_EQ(list->Count(), 2);
  list->Remove(IPtr<IInterface>(Create<TListener>(log, 'Z')));  // absent: no change
  EXPECT_EQ(counter.Changes, 4);
  list->Clear();
  EXPECT_EQ(counter.Changes, 5);  // once for the whole clear
  list->Clear();
  EXPECT_EQ(counter.Changes, 5);

  // An exception in Proc leaves the list unlocked and usable.
  list->Add(IPtr<IInterface>(ping));
  EXPECT_THROW(list->Enum<IPing>([](const IPtr<IPing>&) { throw EListError(u"boom"); }), EListError);
  std::thread other([&] { list->Add(IPtr<IInterface>(both)); });
  other.join();
  EXPECT_EQ(list->Count(), 2);
  list->OnChanged = nullptr;
  Free(list);
  EXPECT_EQ(ping->GetRefCount(), 1);  // the list dropped its references
}

// ---- strings ----------------------------------------------------------------------------------

TEST(ZclStringComparer, CaseRuleGovernsEqualityAndHash) {
  auto exact = IPtr<TZCLStringComparer>(Create<TZCLStringComparer>(false));
  auto folded = IPtr<TZCLStringComparer>(Create<TZCLStringComparer>(true));
  EXPECT_TRUE(folded->Equals(u"abc", u"ABC"));
  EXPECT_EQ(folded->GetHashCode(u"abc"), folded->GetHashCode(u"ABC"));
  EXPECT_FALSE(exact->Equals(u"abc", u"ABC"));
  EXPECT_NE(exact->GetHashCode(u"abc"), exact->GetHashCode(u"ABC"));
  for (auto* c : {exact.get(), folded.get()}) {
    EXPECT_FALSE(c->Equals(u"abc", u"abcd"));
    EXPECT_TRUE(c->Equals(u"", u""));
    EXPECT_EQ(c->Compare(u"a", u"b"), -1);
    EXPECT_EQ(c->Compare(u"b", u"a"), 1);
  }
  EXPECT_EQ(folded->Compare(u"\u00E9t\u00E9", u"\u00C9T\u00C9"), 0);
  EXPECT_TRUE(folded->Equals(u"\u00E9t\u00E9", u"\u00C9T\u00C9"));
  // The hash is lookup3 over the raw UTF-16 code units, seed 0.
  const String s = u"Hello";
  EXPECT_EQ(exact->GetHashCode(s), static_cast<Integer>(TZCLHashBobJenkins::HashLittle(s.data(), 10, 0)));
}

TEST(ZclStringSet, IncludeRunsFollowTheCaseRule) {
  auto* folded = Create<TZCLStringSet>(true, 8);
  const Char text[] = u"AbcABCdef";
  EXPECT_TRUE(folded->Include(text, 3));
  EXPECT_FALSE(folded->Include(text + 3, 3));
  EXPECT_TRUE(folded->Include(text + 3, 6));
  EXPECT_TRUE(folded->Contains(u"abcdef"));
  EXPECT_EQ(folded->GetCount(), 2);
  auto* exact = Create<TZCLStringSet>(false);
  EXPECT_TRUE(exact->Include(text, 3));
  EXPECT_TRUE(exact->Include(text + 3, 3));
  EXPECT_TRUE(exact->Include(text, 0));
  EXPECT_EQ(exact->GetCount(), 3);
  Free(folded);
  Free(exact);
}

TEST(ZclStringSharedTable, EqualRunsShareOneCopy) {
  auto* table = Create<TZCLStringSharedTable>();
  const Char text[] = u"nameNAMEname";
  const String& a = table->Share(text, 4);
  const String& b = table->Share(text + 8, 4);
  const String& upper = table->Share(text + 4, 4);
  EXPECT_EQ(&a, &b);
  EXPECT_NE(&a, &upper);
  EXPECT_EQ(a, u"name");
  EXPECT_EQ(upper, u"NAME");
  EXPECT_EQ(&table->Share(u""), &table->Share(text, 0));

  // Many texts, several per chain, each stays unique.
  std::vector<const String*> first;
  for (int i = 0; i < 200000; ++i) first.push_back(&table->Share(UTF8ToString(std::to_string(i))));
  for (int i = 0; i < 200000; i += 997) {
    const String& again = table->Share(UTF8ToString(std::to_string(i)));
    ASSERT_EQ(&again, first[i]);
    ASSERT_EQ(again, UTF8ToString(std::to_string(i)));
  }
  // A source with another text is not taken as the shared copy.
  const String wrong = u"other";
  EXPECT_EQ(table->Share(u"fresh", 5, &wrong), u"fresh");
  const String right = u"given";
  EXPECT_EQ(table->Share(u"given", 5, &right), u"given");
  table->Clear();
  EXPECT_EQ(table->Share(u"name"), u"name");
  Free(table);
}

// ---- fast object list -------------------------------------------------------------------------

class TCounted : public TObject {
 public:
  explicit TCounted(std::atomic<int>& Freed) : FFreed(Freed) {}
  ~TCounted() override { FFreed.fetch_add(1); }

 private:
  std::atomic<int>& FFreed;
};

// Refuses to be freed: its BeforeDestruction raises.
class TStubborn : public TObject {
 public:
  void BeforeDestruction() override { throw EInvalidOperation(u"stubborn"); }
};

TEST(ZclFastObjectList, ChunksSplitEvenlyWithTheRemainderInTheLast) {
  using TChunks = std::vector<std::pair<Integer, Integer>>;
  EXPECT_EQ(TZCLFastObjectList::ChunksFor(2, 4), (TChunks{{0, 1}, {1, 1}}));
  EXPECT_EQ(TZCLFastObjectList::ChunksFor(10, 4), (TChunks{{0, 2}, {2, 2}, {4, 2}, {6, 4}}));
  EXPECT_EQ(TZCLFastObjectList::ChunksFor(10, 16), (TChunks{{0, 2}, {2, 2}, {4, 2}, {6, 4}}));
  EXPECT_EQ(TZCLFastObjectList::ChunksFor(7, 3), (TChunks{{0, 2}, {2, 2}, {4, 3}}));
  EXPECT_EQ(TZCLFastObjectList::ChunksFor(5, 1), (TChunks{{0, 5}}));
  EXPECT_EQ(TZCLFastObjectList::ChunksFor(1, 0), (TChunks{{0, 1}}));
  EXPECT_TRUE(TZCLFastObjectList::ChunksFor(0, 4).empty());
}

TEST(ZclFastObjectList, GrowsByDoublingAndClearsEitherWay) {
  std::atomic<int> freed{0};
  auto* list = Create<TZCLFastObjectList>();
  std::vector<Integer> capacities;
  for (int i = 0; i < 9; ++i) {
    list->Add(new TCounted(freed));
    capacities.push_back(list->Capacity);
  }
  EXPECT_EQ(capacities, (std::vector<Integer>{4, 4, 4, 4, 8, 8, 8, 8, 16}));
  EXPECT_EQ(static_cast<Integer>(list->Items.size()), list->Capacity);
  list->Clear(true);
  EXPECT_EQ(freed, 9);
  EXPECT_EQ(list->Count, 0);
  EXPECT_EQ(list->Capacity, 16);

  for (int i = 0; i < 1001; ++i) list->Add(new TCounted(freed));
  list->ClearMultithreaded(false);
  EXPECT_EQ(freed, 1010);
  EXPECT_EQ(list->Count, 0);
  EXPECT_EQ(list->Capacity, 0);
  EXPECT_TRUE(list->Items.empty());
  list->ClearMultithreaded(false);  // empty: nothing to do

  list->Add(new TCounted(freed));
  list->Grow(100);
  EXPECT_GT(list->Capacity, 101);
  Free(list);  // frees what is left
  EXPECT_EQ(freed, 1011);
}

TEST(ZclFastObjectList, AFailingFreeIsRaisedAfterEveryOtherItemIsFreed) {
  for (bool threaded : {false, true}) {
    std::atomic<int> freed{0};
    auto* list = Create<TZCLFastObjectList>();
    auto* stubborn = new TStubborn;
    for (int i = 0; i < 40; ++i) list->Add(i == 5 ? static_cast<TObject*>(stubborn) : new TCounted(freed));
    const std::string message = RaisedMessage<EInvalidOperation>([&] {
      if (threaded)
        list->ClearMultithreaded(true);
      else
        list->Clear(true);
    });
    EXPECT_EQ(message, "stubborn") << threaded;
    EXPECT_EQ(freed, 39) << threaded;
    EXPECT_EQ(list->Count, 0) << threaded;
    EXPECT_EQ(list->Items[5], nullptr) << threaded;
    delete stubborn;
    Free(list);
  }
}

}  // namespace
