#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <random>
#include <thread>

#include "rtl/RTL.Geometry.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Variant.h"
#include "zcl/base/ZCL.Base.TestUtil.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Colors.h"

namespace {

// Records every notification a collection sends.
template <class T>
struct TRecorder {
  std::vector<std::pair<T, TCollectionNotification>> Seen;
  void Notify(TObject*, const T& Item, TCollectionNotification Action) { Seen.emplace_back(Item, Action); }
};

std::vector<Integer> Items(const TZCLListOf<Integer>& List) { return {List.begin(), List.end()}; }

// ---- lists ------------------------------------------------------------------------------------

TEST(ZclList, GrowsByDoublingAndCountExposesDefaultsSilently) {
  auto* list = Create<TZCLListOf<Integer>>();
  TRecorder<Integer> rec;
  list->SetOnNotify({&rec, &TRecorder<Integer>::Notify});
  std::vector<Integer> capacities;
  for (Integer i = 0; i < 5; ++i) {
    list->Add(i);
    capacities.push_back(list->GetCapacity());
  }
  EXPECT_EQ(capacities, (std::vector<Integer>{1, 2, 4, 4, 8}));

  // A smaller capacity deletes the items beyond it, with notification.
  rec.Seen.clear();
  list->SetCapacity(2);
  EXPECT_EQ(list->GetCapacity(), 2);
  EXPECT_EQ(Items(*list), (std::vector<Integer>{0, 1}));
  EXPECT_EQ(rec.Seen, (decltype(rec.Seen){{2, cnRemoved}, {3, cnRemoved}, {4, cnRemoved}}));

  rec.Seen.clear();
  list->SetCount(0);
  list->SetCount(10);
  EXPECT_EQ(list->GetCapacity(), 10);
  EXPECT_EQ(Items(*list), std::vector<Integer>(10, 0));
  EXPECT_EQ(rec.Seen.size(), 2u);  // the two removed by Count := 0, none for the exposed defaults
  Free(list);
}

TEST(ZclList, RangeErrorsNameTheRangeAndChangeNothing) {
  auto* list = Create<TZCLListOf<Integer>>();
  list->InsertRange(0, {1, 2, 3, 4});
  EXPECT_EQ(RaisedMessage<EArgumentOutOfRangeException>([&] { list->DeleteRange(3, 2); }),
            "Argument out of range [3-2] in 4");
  EXPECT_EQ(RaisedMessage<EArgumentOutOfRangeException>([&] { list->Delete(-1); }),
            "Argument out of range [-1-1] in 4");
  for (auto action : std::vector<std::function<void()>>{[&] { list->Insert(5, 0); }, [&] { list->GetItem(4); },
                                                        [&] { list->SetItem(-1, 0); }, [&] { list->SetCount(-1); },
                                                        [&] {
                                                          const Integer two[] = {7, 8};
                                                          list->InsertRange(0, two, 3);
                                                        }})
    EXPECT_EQ(RaisedMessage<EArgumentOutOfRangeException>(action), "Argument out of range");
  list->DeleteRange(1, 0);
  list->Insert(4, 5);  // Insert at Count appends
  EXPECT_EQ(Items(*list), (std::vector<Integer>{1, 2, 3, 4, 5}));
  EXPECT_EQ(list->ExtractByIndex(9), 0);  // not an error
  Free(list);
}

TEST(ZclList, SearchesFindFirstLastAndInsertionPoint) {
  auto* list = Create<TZCLListOf<Integer>>();
  Integer index = -5;
  EXPECT_FALSE(list->BinarySearch(3, index));
  EXPECT_EQ(index, 0);
  list->InsertRange(0, {1, 2, 2, 2, 5});
  struct {
    Integer Item;
    bool Found;
    Integer Index;
  } cases[] = {{2, true, 1}, {3, false, 4}, {0, false, 0}, {9, false, 5}, {5, true, 4}, {1, true, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(list->BinarySearch(c.Item, index), c.Found) << c.Item;
    EXPECT_EQ(index, c.Index) << c.Item;
  }
  list->SetCount(0);
  list->InsertRange(0, {7, 8, 7});
  EXPECT_EQ(list->IndexOf(7, true), 2);
  EXPECT_EQ(list->Remove(7), 0);
  EXPECT_EQ(Items(*list), (std::vector<Integer>{8, 7}));
  EXPECT_EQ(list->Remove(42), -1);
  Free(list);
}

TEST(ZclList, InsertRangeFromItsOwnItems) {
  auto* list = Create<TZCLListOf<String>>();
  list->InsertRange(0, {u"a", u"b", u"c"});
  list->InsertRange(1, std::span<const String>(list->Data(), 3));  // the source moves while inserting
  EXPECT_EQ(list->ToArray(), (std::vector<String>{u"a", u"a", u"b", u"c", u"b", u"c"}));
  Free(list);
}

TEST(ZclList, ClearAndDestroyNotifyEveryItemOnceInOrder) {
  auto* list = Create<TZCLListOf<IPtr<IInterface>>>();
  TRecorder<IPtr<IInterface>> rec;
  list->SetOnNotify({&rec, &TRecorder<IPtr<IInterface>>::Notify});
  IPtr<IInterface> a = Create<TInterfacedObject>(), b = Create<TInterfacedObject>();
  list->Add(a);
  list->Add(b);
  list->Delete(0);  // the handler sees the deleted item, not an emptied slot
  ASSERT_EQ(rec.Seen.size(), 3u);
  EXPECT_EQ(rec.Seen[2].first, a);
  EXPECT_EQ(rec.Seen[2].second, cnRemoved);
  list->Add(a);
  rec.Seen.clear();
  list->Clear();
  EXPECT_EQ(rec.Seen, (decltype(rec.Seen){{b, cnRemoved}, {a, cnRemoved}}));
  EXPECT_EQ(list->GetCapacity(), 0);
  list->Add(a);
  rec.Seen.clear();
  Free(list);
  EXPECT_EQ(rec.Seen, (decltype(rec.Seen){{a, cnRemoved}}));
}

TEST(ZclList, VariantsOrderAndMatchByValue) {
  auto* list = Create<TZCLVariantList>();
  TRecorder<Variant> rec;
  list->SetOnNotify({&rec, &TRecorder<Variant>::Notify});
  for (const Variant& v : {Variant(3), Variant(1.5), Variant(u"2"), Variant(-7)}) list->Add(v);
  EXPECT_EQ(list->IndexOf(Variant(2)), 2);  // "2" equals 2
  list->Delete(0);
  EXPECT_EQ(VarToStr(rec.Seen.back().first), u"3");  // the handler sees the deleted value
  list->Sort();
  std::vector<String> texts;
  for (const Variant& v : *list) texts.push_back(VarToStr(v));
  EXPECT_EQ(texts, (std::vector<String>{u"-7", u"1.5", u"2"}));
  Free(list);
}

TEST(ZclObjectList, OwnsOnlyWhatItLosesForGood) {
  std::vector<int> freed;
  auto* list = Create<TZCLObjectListOf<TTracked>>(true);
  TRecorder<TTracked*> rec;
  list->SetOnNotify({&rec, &TRecorder<TTracked*>::Notify});
  for (int i = 0; i < 4; ++i) list->Add(new TTracked(freed, i));
  TTracked* second = list->GetItem(1);

  list->Delete(0);
  EXPECT_EQ(freed, (std::vector<int>{0}));
  EXPECT_EQ(rec.Seen.back().second, cnRemoved);

  EXPECT_EQ(list->Extract(second), second);
  EXPECT_EQ(rec.Seen.back(), (std::pair<TTracked*, TCollectionNotification>{second, cnExtracted}));
  EXPECT_EQ(freed, (std::vector<int>{0}));
  Free(second);

  list->SetItem(0, new TTracked(freed, 10));  // replaces item 2
  EXPECT_EQ(freed, (std::vector<int>{0, 1, 2}));
  Free(list);
  EXPECT_EQ(freed, (std::vector<int>{0, 1, 2, 10, 3}));

  // Not owning: nothing is freed.
  freed.clear();
  TTracked keep(freed, 7);
  auto* borrowed = Create<TZCLObjectListOf<TTracked>>(false);
  borrowed->Add(&keep);
  Free(borrowed);
  EXPECT_TRUE(freed.empty());
}

TEST(ZclList, SortsByComparerProcAndDefault) {
  std::mt19937 rng(7);
  std::vector<Integer> data(500);
  for (auto& v : data) v = static_cast<Integer>(rng() % 100);
  auto* list = Create<TZCLListOf<Integer>>();
  list->InsertRange(0, std::span<const Integer>(data));
  list->Sort();
  auto expected = data;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Items(*list), expected);

  list->Sort([](const Integer& L, const Integer& R) { return CompareValue(R, L); });
  std::reverse(expected.begin(), expected.end());
  EXPECT_EQ(Items(*list), expected);
  list->Sort(TComparer<Integer>::Construct([](const Integer& L, const Integer& R) { return CompareValue(L, R); }));
  std::reverse(expected.begin(), expected.end());
  EXPECT_EQ(Items(*list), expected);
  Free(list);

  auto* texts = Create<TZCLListOfString>();
  texts->InsertRange(0, {u"b", u"B", u"a", u"\u00e9", u""});
  texts->Sort();
  EXPECT_EQ(texts->ToArray(), (std::vector<String>{u"", u"B", u"a", u"b", u"\u00e9"}));  // ordinal
  Free(texts);
}

TEST(ZclList, EnumeratesInOrder) {
  auto* list = Create<TZCLListOf<Integer>>();
  list->InsertRange(0, {3, 1, 2});
  std::vector<Integer> seen;
  {
    IPtr<IZCLEnumerable<Integer>> enumerable = static_cast<IZCLEnumerable<Integer>*>(list);
    for (Integer v : enumerable) seen.push_back(v);
  }
  EXPECT_EQ(seen, (std::vector<Integer>{3, 1, 2}));
  seen.clear();
  for (Integer v : *static_cast<TZCLEnumerable<Integer>*>(list)) seen.push_back(v);
  EXPECT_EQ(seen, (std::vector<Integer>{3, 1, 2}));
  Free(list);
}

// ---- dictionaries -----------------------------------------------------------------------------

// Every key hashes alike: every key collides with every other.
IPtr<IEqualityComparer<String>> CollidingComparer(Integer Hash = 5) {
  return TEqualityComparer<String>::Construct([](const String& L, const String& R) { return L == R; },
                                              [Hash](const String&) { return Hash; });
}

TEST(ZclDictionary, GrowsAtThreeQuartersAndSizesToPowersOfTwo) {
  auto* dict = Create<TZCLDictionary<Integer, Integer>>();
  Integer value = -1;
  EXPECT_FALSE(dict->TryGetValue(1, value));
  EXPECT_EQ(value, 0);
  std::vector<Integer> capacities;
  for (Integer i = 0; i < 7; ++i) {
    dict->Add(i, i * 10);
    capacities.push_back(dict->GetCapacity());
  }
  EXPECT_EQ(capacities, (std::vector<Integer>{4, 4, 4, 8, 8, 8, 16}));
  EXPECT_EQ(RaisedMessage<EArgumentOutOfRangeException>([&] { dict->SetCapacity(6); }), "Argument out of range");
  dict->Clear(true);
  EXPECT_EQ(dict->GetCapacity(), 16);
  dict->SetCapacity(5);
  EXPECT_EQ(dict->GetCapacity(), 8);
  dict->SetCapacity(0);
  EXPECT_EQ(dict->GetCapacity(), 0);
  Free(dict);
  EXPECT_EQ(RaisedMessage<EArgumentOutOfRangeException>([] { Create<TZCLDictionary<Integer, Integer>>(-1); }),
            "Argument out of range");
}

TEST(ZclDictionary, CollidingKeysSurviveRemovalsAndMatchAModel) {
  // Random adds and removes on a table where every key collides, and on one with real hashes,
  // checked against std::map after every step: removal must shift the probe chain back.
  for (bool colliding : {true, false}) {
    auto* dict = Create<TZCLDictionary<String, Integer>>(colliding ? CollidingComparer() : nullptr);
    std::map<String, Integer> model;
    std::mt19937 rng(colliding ? 1 : 2);
    for (int step = 0; step < 3000; ++step) {
      const String key = u"k" + UTF8ToString(std::to_string(rng() % 40));
      const Integer value = static_cast<Integer>(rng() % 1000);
      switch (rng() % 3) {
        case 0:
          dict->AddOrSetValue(key, value);
          model[key] = value;
          break;
        case 1:
          EXPECT_EQ(dict->TryAdd(key, value), model.emplace(key, value).second);
          break;
        default:
          dict->Remove(key);
          model.erase(key);
      }
      ASSERT_EQ(dict->GetCount(), static_cast<Integer>(model.size()));
    }
    for (const auto& [key, value] : model) EXPECT_EQ(dict->GetItem(key), value);
    Integer n = 0;
    for (const auto& pair : *dict) {
      EXPECT_EQ(model.at(pair.Key), pair.Value);
      ++n;
    }
    EXPECT_EQ(n, dict->GetCount());
    Free(dict);
  }
}

TEST(ZclDictionary, TableHashIsNeverTheEmptyMarker) {
  for (Integer hash : {-1, 0x7FFFFFFF}) {
    auto* dict = Create<TZCLDictionary<String, Integer>>(CollidingComparer(hash));
    dict->Add(u"a", 1);
    dict->Add(u"b", 2);
    for (const auto& item : dict->GetTable()) {
      if (item.Hash != -1) {
        EXPECT_EQ(item.Hash, 0);
      }
    }
    dict->Remove(u"a");
    EXPECT_EQ(dict->GetItem(u"b"), 2);
    Free(dict);
  }
}

TEST(ZclDictionary, MisuseRaisesThePlatformTexts) {
  auto* dict = Create<TZCLStringIndexes>();
  dict->Add(u"a", 1);
  EXPECT_EQ(RaisedMessage<EListError>([&] { dict->Add(u"a", 2); }), "Duplicates not allowed");
  EXPECT_EQ(RaisedMessage<EListError>([&] { dict->GetItem(u"b"); }), "Item not found");
  EXPECT_EQ(dict->GetItem(u"a"), 1);
  dict->Remove(u"b");  // a missing key is no error
  Free(dict);
  EXPECT_EQ(
      RaisedMessage<EInvalidCast>([] { Create<TZCLDictionary<Integer, TObject*>>(TDictionaryOwnerships{doOwnsKeys}); }),
      "Invalid class typecast");
  EXPECT_EQ(RaisedMessage<EInvalidCast>(
                [] { Create<TZCLDictionary<TObject*, String>>(TDictionaryOwnerships{doOwnsValues}); }),
            "Invalid class typecast");
}

// Keys that are equal by name but distinct objects.
IPtr<IEqualityComparer<TTracked*>> ById() {
  return TEqualityComparer<TTracked*>::Construct([](TTracked* const& L, TTracked* const& R) { return L->Id == R->Id; },
                                                 [](TTracked* const& V) { return V->Id; });
}

TEST(ZclDictionary, OwningDictionaryFreesEachObjectExactlyOnce) {
  std::vector<int> freed;
  auto* dict = Create<TZCLDictionary<TTracked*, TTracked*>>(TDictionaryOwnerships{doOwnsKeys, doOwnsValues}, 0, ById());
  TRecorder<TTracked*> keys;
  dict->OnKeyNotify = {&keys, &TRecorder<TTracked*>::Notify};
  for (int i = 0; i < 3; ++i) dict->Add(new TTracked(freed, i), new TTracked(freed, 100 + i));

  auto* replacement = new TTracked(freed, 200);
  TTracked probe(freed, 0);  // equal to key 0, a different object
  EXPECT_FALSE(dict->TryAdd(&probe, replacement));
  dict->AddOrSetValue(&probe, replacement);  // the old value goes, the stored key stays
  EXPECT_EQ(freed, (std::vector<int>{100}));

  TTracked* storedKey1 = nullptr;
  for (const auto& item : dict->GetTable())
    if (item.Hash != -1 && item.Key->Id == 1) storedKey1 = item.Key;
  TTracked probe1(freed, 1);
  dict->Remove(&probe1);  // the stored key is notified and freed, not the argument
  EXPECT_EQ(keys.Seen.back(), (std::pair<TTracked*, TCollectionNotification>{storedKey1, cnRemoved}));
  EXPECT_EQ(freed, (std::vector<int>{100, 1, 101}));

  Free(dict);
  std::sort(freed.begin(), freed.end());
  EXPECT_EQ(freed, (std::vector<int>{0, 1, 2, 100, 101, 102, 200}));
}

TEST(ZclDictionary, KeysValuesAndRemoveValue) {
  auto* dict = Create<TZCLStringsDictionary>();
  dict->Add(u"a", u"x");
  dict->Add(u"b", u"y");
  dict->Add(u"c", u"x");
  std::vector<String> keys, values;
  for (const String& k : dict->Keys()) keys.push_back(k);
  for (const String& v : dict->Values()) values.push_back(v);
  std::sort(keys.begin(), keys.end());
  std::sort(values.begin(), values.end());
  EXPECT_EQ(keys, (std::vector<String>{u"a", u"b", u"c"}));
  EXPECT_EQ(values, (std::vector<String>{u"x", u"x", u"y"}));
  EXPECT_EQ(dict->ToArray().size(), 3u);
  dict->RemoveValue(u"x");
  EXPECT_EQ(dict->GetCount(), 1);
  EXPECT_TRUE(dict->ContainsKey(u"b"));
  Free(dict);
}

TEST(ZclHashSet, IncludesOnceAndExcludesWhatIsThere) {
  auto* set = Create<TZCLHashSet<String>>(CollidingComparer());
  EXPECT_TRUE(set->Include(u"a"));
  EXPECT_FALSE(set->Include(u"a"));
  EXPECT_TRUE(set->Include(u"b"));
  EXPECT_TRUE(set->Include(u"c"));
  EXPECT_TRUE(set->Exclude(u"a"));
  EXPECT_FALSE(set->Exclude(u"a"));
  EXPECT_TRUE(set->Contains(u"b"));
  EXPECT_TRUE(set->Contains(u"c"));
  auto all = set->ToArray();
  std::sort(all.begin(), all.end());
  EXPECT_EQ(all, (std::vector<String>{u"b", u"c"}));
  set->Clear();
  EXPECT_EQ(set->GetCapacity(), 0);
  Free(set);
}

TEST(ZclMap, AFailedAddLeavesTheMapAndItsObjectsAlone) {
  std::vector<int> freed;
  auto* map = Create<TZCLMap<String, TTracked*>>(nullptr, nullptr, TDictionaryOwnerships{doOwnsValues});
  auto* one = new TTracked(freed, 1);
  map->Add(u"one", one);

  auto* other = new TTracked(freed, 2);
  EXPECT_EQ(RaisedMessage<EListError>([&] { map->Add(u"one", other); }), "Duplicates not allowed");
  EXPECT_EQ(RaisedMessage<EListError>([&] { map->Add(u"uno", one); }), "Duplicates not allowed");
  EXPECT_TRUE(freed.empty());  // the value still mapped to "one" lives on
  EXPECT_EQ(map->GetForward().GetCount(), 1);
  EXPECT_EQ(map->GetReverse().GetCount(), 1);
  EXPECT_EQ(map->GetForward().GetItem(u"one"), one);
  EXPECT_EQ(map->GetReverse().GetItem(one), u"one");
  Free(other);
  Free(map);
  EXPECT_EQ(freed, (std::vector<int>{2, 1}));
}

// ---- class map --------------------------------------------------------------------------------

class TBase : public TObject {
  ZCL_CLASS(TBase, TObject)
};
class TMiddle : public TBase {
  ZCL_CLASS(TMiddle, TBase)
};
class TLeaf : public TMiddle {
  ZCL_CLASS(TLeaf, TMiddle)
};

TEST(ZclClassMap, AnswersWithTheNearestRegisteredAncestor) {
  auto* map = Create<TZCLClassMap<Integer>>();
  map->Add(TBase::StaticClass(), 1);
  map->Add(TLeaf::StaticClass(), 3);
  EXPECT_EQ(RaisedMessage<EListError>([&] { map->Add(TBase::StaticClass(), 9); }), "Duplicates not allowed");
  struct {
    TClass Class;
    bool Found;
    Integer Value;
  } cases[] = {{TLeaf::StaticClass(), true, 3},
               {TMiddle::StaticClass(), true, 1},
               {TBase::StaticClass(), true, 1},
               {TObject::StaticClass(), false, 0},
               {nullptr, false, 0}};
  for (const auto& c : cases) {
    Integer value = -1;
    EXPECT_EQ(map->TryGetValue(c.Class, value), c.Found);
    EXPECT_EQ(value, c.Value);
  }
  TLeaf leaf;
  Integer value = 0;
  EXPECT_TRUE(map->TryGetValue(static_cast<const TObject*>(&leaf), value));
  EXPECT_EQ(value, 3);
  Free(map);
}

// ---- thread-safe containers -------------------------------------------------------------------

TEST(ZclThreadList, GuardsConcurrentWritersAndReadsByIndexSafely) {
  for (auto* list : {Create<TZCLThreadListOf<Integer>>(), TZCLThreadListOf<Integer>::CreateMultiRead()}) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
      threads.emplace_back([list] {
        for (Integer i = 0; i < 1000; ++i) list->Add(i);
      });
    for (auto& t : threads) t.join();
    EXPECT_EQ(list->GetCount(), 4000);
    Integer item = 5;
    EXPECT_FALSE(list->TryGetItem(-1, item));
    EXPECT_EQ(item, 0);
    item = 5;
    EXPECT_FALSE(list->TryGetItem(list->GetCount(), item));
    EXPECT_EQ(item, 0);
    list->Remove(999);
    auto* inner = list->BeginRead();
    EXPECT_EQ(inner->GetCount(), 3999);
    list->EndRead();
    Free(list);
  }
}

TEST(ZclThreadObject, HandsOutItsObjectUnderARecursiveLock) {
  std::vector<int> freed;
  auto* holder = Create<TZCLThreadObject<TTracked>>(new TTracked(freed, 1));
  TTracked* a = holder->Lock();
  EXPECT_EQ(holder->Lock(), a);  // nests on one thread
  holder->Unlock();
  holder->Unlock();
  EXPECT_THROW(holder->Unlock(), EInvalidOperation);
  Free(holder);
  EXPECT_EQ(freed, (std::vector<int>{1}));
}

// ---- value caches -----------------------------------------------------------------------------

struct TRemoved {
  std::vector<Integer> Values;
  void OnRemove(TObject*, const Integer& Value) { Values.push_back(Value); }
};

TEST(ZclValueCache, EvictsOldestFirstAndReleasesEachValueOnce) {
  TRemoved removed;
  auto* cache = Create<TZCLValueCacheManager<String, Integer>>(2);
  cache->OnRemove = {&removed, &TRemoved::OnRemove};
  EXPECT_EQ(cache->GetCapacity(), 4);
  for (Integer i = 1; i <= 4; ++i) cache->Add(u"k" + IntToStr(i), i);
  Integer value = 0;
  EXPECT_TRUE(cache->TryGetValue(u"k1", value));  // a hit does not protect k1
  cache->Add(u"k5", 5);
  EXPECT_EQ(removed.Values, (std::vector<Integer>{1}));
  EXPECT_FALSE(cache->TryGetValue(u"k1", value));
  cache->Add(u"k1", 11);  // allowed again; evicts the second key
  EXPECT_EQ(removed.Values, (std::vector<Integer>{1, 2}));
  EXPECT_EQ(RaisedMessage<EListError>([&] { cache->Add(u"k5", 0); }), "Duplicates not allowed");
  EXPECT_EQ(removed.Values, (std::vector<Integer>{1, 2, 3}));  // its slot was freed before the add failed
  removed.Values.clear();
  Free(cache);
  std::sort(removed.Values.begin(), removed.Values.end());
  EXPECT_EQ(removed.Values, (std::vector<Integer>{4, 5, 11}));
}

TEST(ZclValueCache, OwnedValuesAreFreedOnEvictionAndDestruction) {
  std::vector<int> freed;
  auto* cache = Create<TZCLValueCacheManager<Integer, TTracked*>>(4, nullptr, true);
  for (int i = 0; i < 6; ++i) cache->Add(i, new TTracked(freed, i));
  EXPECT_EQ(freed, (std::vector<int>{0, 1}));
  Free(cache);
  std::sort(freed.begin(), freed.end());
  EXPECT_EQ(freed, (std::vector<int>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(RaisedMessage<EInvalidCast>([] { Create<TZCLValueCacheManager<Integer, Integer>>(4, nullptr, true); }),
            "Invalid class typecast");
}

// A descendant's own ReleaseValue also sees the values that are left when the cache is freed.
class TCountingCache : public TZCLValueCacheManager<Integer, Integer> {
 public:
  TCountingCache(std::vector<Integer>& AReleased)
      : TZCLValueCacheManager<Integer, Integer>(4), FReleased(AReleased) {}

 protected:
  void ReleaseValue(const Integer& Value) override { FReleased.push_back(Value); }

 private:
  std::vector<Integer>& FReleased;
};

TEST(ZclValueCache, DescendantReleasesEveryValueOnFree) {
  std::vector<Integer> released;
  auto* cache = Create<TCountingCache>(released);
  for (Integer i = 1; i <= 5; ++i) cache->Add(i, i * 10);
  EXPECT_EQ(released, (std::vector<Integer>{10}));
  Free(cache);
  std::sort(released.begin(), released.end());
  EXPECT_EQ(released, (std::vector<Integer>{10, 20, 30, 40, 50}));
}

// ---- colour palette ---------------------------------------------------------------------------

TEST(ZclColorList, PopulatesThreeRowsOfSevenHues) {
  auto* list = Create<TZCLColorList>();
  list->Add(123);
  struct {
    TColor Base;
    Single Lightness[3];
  } cases[] = {{0x000000, {0.4f, 0.25f, 0.55f}}, {0xFFFFFF, {0.8f, 0.65f, 0.9f}}};
  for (const auto& c : cases) {
    list->Populate(c.Base);
    ASSERT_EQ(list->GetCount(), 21);
    EXPECT_EQ(list->GetCapacity(), 21);
    for (Integer i = 0; i < 21; ++i) {
      Single h, s, l;
      TZCLColors::ColorToHSL(list->GetItem(i), h, s, l);
      EXPECT_NEAR(l, c.Lightness[i / 7], 0.01) << i;
      EXPECT_NEAR(s, 0.4, 0.02) << i;
    }
  }
  // Only the hue of the base colour is dropped; a strong saturation is kept.
  list->Populate(0x0000FF);
  auto red = list->ToArray();
  list->Populate(0xFF0000);
  EXPECT_EQ(list->ToArray(), red);
  Single h, s, l;
  TZCLColors::ColorToHSL(red[0], h, s, l);
  EXPECT_NEAR(s, 1.0, 0.02);
  EXPECT_NEAR(h, 0.61, 0.01);
  Free(list);
}

}  // namespace
