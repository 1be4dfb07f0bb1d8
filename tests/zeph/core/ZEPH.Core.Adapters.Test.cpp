#include <gtest/gtest.h>

#include <thread>

#include "rtl/RTL.Classes.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.TypInfo.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zeph/core/ZEPH.Core.Adapters.h"
#include "zeph/core/ZEPH.Core.Objects.h"

namespace {
class TAdaptedThing : public TComponent {
  ZCL_CLASS(TAdaptedThing, TComponent)
 public:
  using TComponent::TComponent;
  String FCaption;
  bool FVisible = false;
  Integer FCount = 3;
  TComponent* FChild = nullptr;
  Integer GetCount() const { return FCount; }
  static void DeclareProperties(TClassDeclaration<TAdaptedThing>& D) {
    D.Property(u"Caption", &TAdaptedThing::FCaption, &TAdaptedThing::FCaption);
    D.Property(u"Visible", &TAdaptedThing::FVisible, &TAdaptedThing::FVisible);
    D.Property(u"Count", &TAdaptedThing::GetCount);
    D.Property(u"Child", &TAdaptedThing::FChild, &TAdaptedThing::FChild);
  }
};

// A class of its own that no adapter is registered for, below one that has one.
class TDerivedThing : public TAdaptedThing {
  ZCL_CLASS(TDerivedThing, TAdaptedThing)
 public:
  using TAdaptedThing::TAdaptedThing;
};

class TThingAdapter : public TZEPHMappedObjectAdapter {
  ZCL_CLASS(TThingAdapter, TZEPHMappedObjectAdapter)
 public:
  TThingAdapter(TPersistent* AObject, TStreamOwnership AOwnership) : TZEPHMappedObjectAdapter(AObject, AOwnership) {
    MapProperty(1, u"Caption", GetLinkedObject());
    MapProperty(2, u"Visible", GetLinkedObject());
    MapProperty(3, u"Count", GetLinkedObject());
    MapProperty(4, u"Child", GetLinkedObject());
    MapProperty(5, u"NoSuchProperty", GetLinkedObject());
  }
};

class TSafeAdapter : public TZEPHCustomObjectAdapter {
  ZCL_CLASS(TSafeAdapter, TZEPHCustomObjectAdapter)
 public:
  explicit TSafeAdapter(TObject* AObject) : TZEPHCustomObjectAdapter(AObject) { FThreadSafe = true; }
};

class ZephAdapters : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterProperties<TAdaptedThing>();
    TZEPHCoreAdaptersMap::RegisterMapped(TAdaptedThing::StaticClass(), TThingAdapter::StaticClass());
  }
  static void TearDownTestSuite() { TZEPHCoreAdaptersMap::Unregister(TAdaptedThing::StaticClass()); }
  IPtr<IZEPHPropertyList> AdapterOf(TObject* Object) {
    void* obj = nullptr;
    EXPECT_EQ(TZEPHCoreAdaptersMap::QueryAdapter(Object, IIDOf<IZEPHPropertyList>(), &obj), S_OK);
    return IPtr<IZEPHPropertyList>::Adopt(static_cast<IZEPHPropertyList*>(obj));
  }
};
}  // namespace

TEST_F(ZephAdapters, MappedPropertiesByIdentifier) {
  TAdaptedThing thing(nullptr);
  IPtr<IZEPHPropertyList> adapter = AdapterOf(&thing);
  EXPECT_EQ(adapter->SetValueAsObject(1, MakePluginString(u"Play").get()), S_OK);
  EXPECT_EQ(thing.FCaption, u"Play");
  EXPECT_EQ(PropertyListReadString(adapter.get(), 1), u"Play");
  EXPECT_EQ(PropertyListReadInt32(adapter.get(), 3, 0), 3);

  struct Case {
    Double Value;
    bool Visible;
  } cases[] = {{0.7, false}, {1.2, true}, {-1.5, true}, {0, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(adapter->SetValueAsFloat(2, c.Value), S_OK);
    EXPECT_EQ(thing.FVisible, c.Visible) << c.Value;
    EXPECT_EQ(PropertyListReadInt32(adapter.get(), 2, -1), c.Visible ? 1 : 0);
  }

  // A read-only property and a non-string value fail; unmapped identifiers are invalid for
  // Variants and fall to the base for objects.
  EXPECT_EQ(adapter->SetValueAsInt32(3, 9), E_UNEXPECTED);
  EXPECT_EQ(adapter->SetValueAsObject(1, static_cast<IZEPHPropertyList*>(adapter.get())), E_INVALIDARG);
  IPtr<IZEPHPropertyList2> list2 = QueryIntf<IZEPHPropertyList2>(adapter);
  Variant v;
  EXPECT_EQ(list2->GetValueAsVariant(5, v), E_INVALIDARG);
  void* obj = nullptr;
  EXPECT_EQ(adapter->GetValueAsObject(5, IIDOf<IZEPHString>(), &obj), E_INVALIDARG);
}

TEST_F(ZephAdapters, ClassPropertiesTravelAsAdapters) {
  TAdaptedThing thing(nullptr), child(nullptr);
  IPtr<IZEPHPropertyList> adapter = AdapterOf(&thing);
  IPtr<IZEPHPropertyList> childAdapter = AdapterOf(&child);
  EXPECT_EQ(adapter->SetValueAsObject(4, childAdapter.get()), S_OK);
  EXPECT_EQ(thing.FChild, &child);
  void* obj = nullptr;
  ASSERT_EQ(adapter->GetValueAsObject(4, IIDOf<IZEPHPropertyList>(), &obj), S_OK);
  EXPECT_EQ(IPtr<IZEPHPropertyList>::Adopt(static_cast<IZEPHPropertyList*>(obj)), childAdapter);
  EXPECT_EQ(adapter->SetValueAsObject(4, nullptr), S_OK);
  EXPECT_EQ(thing.FChild, nullptr);
}

TEST_F(ZephAdapters, OneLiveAdapterPerObjectFoundThroughTheClassChain) {
  TDerivedThing thing(nullptr);
  IPtr<IZEPHPropertyList> first = AdapterOf(&thing);
  EXPECT_EQ(AdapterOf(&thing), first);
  EXPECT_NE(dynamic_cast<TThingAdapter*>(first.get()), nullptr);
  auto* old = first.get();
  first = nullptr;
  IPtr<IZEPHPropertyList> second = AdapterOf(&thing);
  EXPECT_TRUE(second);
  (void)old;

  TComponent plain(nullptr);
  try {
    IPtr<IInterface> none;
    TZEPHCoreAdaptersMap::GetAdapter(none, &plain, soReference);
    FAIL();
  } catch (const Exception& E) {
    EXPECT_EQ(E.GetMessage(), u"Adapter for TComponent was not found");
  }
  IPtr<IInterface> none;
  TZEPHCoreAdaptersMap::GetAdapter(none, nullptr, soReference);
  EXPECT_EQ(none, nullptr);
  EXPECT_THROW(TZEPHCoreAdaptersMap::RegisterMapped(TAdaptedThing::StaticClass(), TThingAdapter::StaticClass()),
               Exception);
}

TEST_F(ZephAdapters, GoneObjectsAndOtherThreads) {
  auto* thing = new TAdaptedThing(nullptr);
  IPtr<IZEPHPropertyList> adapter = AdapterOf(thing);
  IPtr<IZEPHPropertyList> safe(Create<TSafeAdapter>(thing));
  TObject* found = nullptr;
  EXPECT_EQ(AdapterGetObject(adapter.get(), TAdaptedThing::StaticClass(), found, false), S_OK);
  EXPECT_EQ(found, thing);
  Integer value = 0;
  HRESULT fromWorker = S_OK;
  std::thread([&] { fromWorker = adapter->GetValueAsInt32(3, value); }).join();
  EXPECT_EQ(fromWorker, E_ACCESSDENIED);

  Free(thing);
  EXPECT_EQ(adapter->GetValueAsInt32(3, value), E_HANDLE);
  EXPECT_EQ(AdapterGetObject(adapter.get(), TObject::StaticClass(), found, false), E_HANDLE);
  HRESULT safeFromWorker = S_OK;
  std::thread([&] {
    fromWorker = adapter->GetValueAsInt32(3, value);
    safeFromWorker = safe->GetValueAsInt32(3, value);
  }).join();
  EXPECT_EQ(fromWorker, E_ACCESSDENIED);
  EXPECT_EQ(safeFromWorker, E_HANDLE);
}

TEST_F(ZephAdapters, BackToProgramObjectsAndTexts) {
  TObject* found = reinterpret_cast<TObject*>(1);
  EXPECT_EQ(AdapterGetObject(nullptr, TObject::StaticClass(), found, true), S_OK);
  EXPECT_EQ(found, nullptr);
  EXPECT_EQ(AdapterGetObject(nullptr, TObject::StaticClass(), found, false), E_INVALIDARG);
  IPtr<TZEPHSimpleObjectAdapter> simple(Create<TZEPHSimpleObjectAdapter>());
  EXPECT_EQ(AdapterGetObject(static_cast<IObject*>(simple.get()), TStream::StaticClass(), found, false), E_INVALIDARG);
  EXPECT_EQ(found, simple.get());
  EXPECT_THROW(AdapterGetObjectChecked(static_cast<IObject*>(simple.get()), TStream::StaticClass()), EInvalidCast);
  EXPECT_EQ(GetObjectDPI(static_cast<IObject*>(simple.get())), 96);

  String text = u"left";
  EXPECT_TRUE(TryPluginStringToStr(nullptr, text));
  EXPECT_EQ(text, u"");
  EXPECT_FALSE(TryPluginStringToStr(static_cast<IObject*>(simple.get()), text));
  HRESULT r = S_OK;
  EXPECT_EQ(PluginStringToStrDef(static_cast<IObject*>(simple.get()), u"def", r), u"def");
  EXPECT_EQ(r, E_INVALIDARG);
  EXPECT_EQ(PluginStringToStr(MakePluginString(u"text").get()), u"text");
}

TEST_F(ZephAdapters, StringListsAreHandedOverToTheirAdapter) {
  auto* list = new TZCLStringList();
  list->Add(u"a");
  void* obj = nullptr;
  ASSERT_EQ(TZEPHCoreAdaptersMap::QueryAdapter(list, IIDOf<IZEPHObjectList>(), &obj), S_OK);
  IPtr<IZEPHObjectList> adapter = IPtr<IZEPHObjectList>::Adopt(static_cast<IZEPHObjectList*>(obj));
  EXPECT_EQ(adapter->Add(MakePluginString(u"b").get()), S_OK);
  IPtr<TZEPHSimpleObjectAdapter> notAString(Create<TZEPHSimpleObjectAdapter>());
  EXPECT_EQ(adapter->Add(static_cast<IObject*>(notAString.get())), E_INVALIDARG);
  EXPECT_EQ(adapter->Insert(3, MakePluginString(u"c").get()), E_INVALIDARG);
  EXPECT_EQ(adapter->SetObject(0, MakePluginString(u"A").get()), S_OK);
  TZCLStringList* copy = PluginObjectListToStringList(adapter.get());
  EXPECT_EQ(copy->GetCount(), 2);
  EXPECT_EQ(copy->GetStrings(0), u"A");
  Free(copy);

  IPtr<IZEPHObjectList> objects(Create<TZEPHObjectListAdapter>());
  objects->Add(MakePluginString(u"x").get());
  objects->Add(static_cast<IObject*>(notAString.get()));
  objects->Add(nullptr);
  copy = PluginObjectListToStringList(objects.get());
  EXPECT_EQ(copy->GetCount(), 1);
  Free(copy);
}
