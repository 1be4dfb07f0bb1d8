#include "rtl/RTL.Interfaces.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <unordered_set>
#include <vector>

#include "rtl/RTL.Exceptions.h"

namespace {

struct IShape : virtual IInterface {
  RTL_INTERFACE(IShape, IInterface, "{6A3F1C52-0D4E-4B7A-9C11-2E5F60A1B001}")
  virtual Double Area() = 0;
};
struct ISquare : IShape {
  RTL_INTERFACE(ISquare, IShape, "{6A3F1C52-0D4E-4B7A-9C11-2E5F60A1B002}")
  virtual Double Side() = 0;
};
struct INamed : virtual IInterface {
  RTL_INTERFACE(INamed, IInterface, "{6A3F1C52-0D4E-4B7A-9C11-2E5F60A1B003}")
  virtual String Name() = 0;
};
struct IUnused : virtual IInterface {
  RTL_INTERFACE(IUnused, IInterface, "{6A3F1C52-0D4E-4B7A-9C11-2E5F60A1B004}")
};

int GLiving = 0;

class TSquare : public TInterfacedObject, public ISquare {
  ZCL_CLASS(TSquare, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, ISquare)
 public:
  TSquare() { ++GLiving; }
  ~TSquare() override { --GLiving; }
  Double Area() override { return FSide * FSide; }
  Double Side() override { return FSide; }
  Double FSide = 3;
};

// Adds an interface to a class that already has a table: both tables answer.
class TNamedSquare : public TSquare, public INamed {
  RTL_INTERFACES(TSquare, INamed)
 public:
  String Name() override { return u"square"; }
};

// Takes and drops references to itself while its constructor runs; may keep one.
class TSelfReferencing : public TInterfacedObject, public IShape {
  RTL_INTERFACES(TInterfacedObject, IShape)
 public:
  explicit TSelfReferencing(IPtr<IShape>* Keep) {
    ++GLiving;
    IPtr<IShape> self(this);
    IPtr<IShape> copy = self;
    if (Keep) *Keep = self;
  }
  ~TSelfReferencing() override { --GLiving; }
  Double Area() override { return 1; }
};

// Hands itself out as an interface while it is being destroyed.
class TCallsBackWhileDying : public TInterfacedObject, public IShape {
  RTL_INTERFACES(TInterfacedObject, IShape)
 public:
  TCallsBackWhileDying() { ++GLiving; }
  ~TCallsBackWhileDying() override {
    IPtr<IShape> self(this);
    --GLiving;
  }
  void BeforeDestruction() override {
    TInterfacedObject::BeforeDestruction();
    IPtr<IShape> self(this);
  }
  Double Area() override { return 0; }
};

class TOwned : public TNoRefCountObject, public IShape {
  RTL_INTERFACES(TNoRefCountObject, IShape)
 public:
  TOwned() { ++GLiving; }
  ~TOwned() override { --GLiving; }
  Double Area() override { return 2; }
};

class TStaticName : public TContainedObject, public INamed {
  RTL_INTERFACES(TContainedObject, INamed)
 public:
  using TContainedObject::TContainedObject;
  String Name() override { return u"inner"; }
};

// Delegates INamed to a contained object that counts on this one.
class TOuter : public TInterfacedObject, public IShape {
  ZCL_CLASS(TOuter, TInterfacedObject)
 public:
  TOuter() : FName(new TStaticName(this)) { ++GLiving; }
  ~TOuter() override {
    Free(FName);
    --GLiving;
  }
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override {
    if (DelegateQuery<INamed>(FName, IID, Obj)) return S_OK;
    return InterfaceTableQuery<IShape>(this, IID, Obj) ? S_OK : TInterfacedObject::QueryInterface(IID, Obj);
  }
  Double Area() override { return 4; }
  TStaticName* FName;
};

class InterfacesTest : public ::testing::Test {
 protected:
  void SetUp() override { GLiving = 0; }
  void TearDown() override { EXPECT_EQ(GLiving, 0) << "an object leaked or was freed twice"; }
};

}  // namespace

TEST(Guid, ParsesAndPrintsTheBracedForm) {
  const TGUID guid = StringToGUID(u"{0123abcd-4567-89ef-a0b1-c2d3e4f5a6b7}");
  EXPECT_EQ(guid.D1, 0x0123ABCDu);
  EXPECT_EQ(guid.D2, 0x4567u);
  EXPECT_EQ(guid.D3, 0x89EFu);
  const uint8_t d4[8] = {0xA0, 0xB1, 0xC2, 0xD3, 0xE4, 0xF5, 0xA6, 0xB7};
  EXPECT_TRUE(std::equal(d4, d4 + 8, guid.D4));
  EXPECT_EQ(GUIDToString(guid), u"{0123ABCD-4567-89EF-A0B1-C2D3E4F5A6B7}");
  EXPECT_EQ(StringToGUID(guid.ToString()), guid);
  EXPECT_EQ(IIDOf<IShape>(), StringToGUID(u"{6A3F1C52-0D4E-4B7A-9C11-2E5F60A1B001}"));
  EXPECT_TRUE(GUID_NULL.IsEmpty());
  EXPECT_EQ(GUIDToString(GUID_NULL), u"{00000000-0000-0000-0000-000000000000}");
}

TEST(Guid, RejectsMalformedText) {
  const char16_t* bad[] = {
      u"",
      u"0123ABCD-4567-89EF-A0B1-C2D3E4F5A6B7",     // no braces
      u"{0123ABCD-4567-89EF-A0B1-C2D3E4F5A6B}",    // one digit short
      u"{0123ABCD-4567-89EF-A0B1-C2D3E4F5A6B77}",  // one digit long
      u"{0123ABCD_4567-89EF-A0B1-C2D3E4F5A6B7}",   // wrong separator
      u"{0123ABCD-4567-89EF-A0B1C-2D3E4F5A6B7}",   // separator moved
      u"{0123ABCG-4567-89EF-A0B1-C2D3E4F5A6B7}",   // not hex
      u"{0123ABC\uFF11-4567-89EF-A0B1-C2D3E4F5A6B7}",  // full-width digit
      u" {0123ABCD-4567-89EF-A0B1-C2D3E4F5A6B7}",
  };
  for (const char16_t* text : bad) {
    TGUID guid = StringToGUID(u"{0123ABCD-4567-89EF-A0B1-C2D3E4F5A6B7}");
    EXPECT_FALSE(TryStringToGUID(text, guid)) << StringToUTF8(text);
    EXPECT_TRUE(guid.IsEmpty());
    try {
      StringToGUID(text);
      ADD_FAILURE() << "accepted " << StringToUTF8(text);
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.GetMessage(), u"'" + String(text) + u"' is not a valid GUID value");
    }
  }
}

TEST(Guid, NewGuidsAreRandomVersion4AndHashLikeTheyCompare) {
  std::unordered_set<TGUID> seen;
  std::set<TGUID> ordered;
  for (int i = 0; i < 200; ++i) {
    TGUID guid;
    ASSERT_EQ(CreateGUID(guid), S_OK);
    EXPECT_EQ(guid.D3 >> 12, 4);
    EXPECT_EQ(guid.D4[0] & 0xC0, 0x80);
    seen.insert(guid);
    ordered.insert(guid);
  }
  EXPECT_EQ(seen.size(), 200u);
  EXPECT_EQ(ordered.size(), 200u);
  const TGUID a = TGUID::NewGuid();
  const TGUID b = StringToGUID(a.ToString());
  EXPECT_EQ(a, b);
  EXPECT_EQ(std::hash<TGUID>()(a), std::hash<TGUID>()(b));
}

TEST(ResultCodes, HaveTheirValuesAndTests) {
  EXPECT_EQ(static_cast<uint32_t>(E_NOINTERFACE), 0x80004002u);
  EXPECT_EQ(static_cast<uint32_t>(E_FAIL), 0x80004005u);
  EXPECT_EQ(HResultFromOSError(5), E_ACCESSDENIED);
  EXPECT_EQ(static_cast<uint32_t>(HResultFromOSError(2)), 0x80070002u);
  EXPECT_EQ(HResultFromOSError(0), S_OK);
  EXPECT_TRUE(Succeeded(S_OK));
  EXPECT_TRUE(Succeeded(S_FALSE));
  EXPECT_TRUE(Failed(E_UNEXPECTED));
  EXPECT_FALSE(Failed(S_FALSE));
}

TEST_F(InterfacesTest, CountedObjectIsFreedWhenTheLastReferenceGoes) {
  IPtr<IShape> shape = Create<TSquare>();
  EXPECT_EQ(GLiving, 1);
  auto* object = dynamic_cast<TSquare*>(shape.get());
  EXPECT_EQ(object->GetRefCount(), 1);
  {
    IPtr<IShape> copy = shape;
    IPtr<IInterface> base = copy;
    IPtr<IShape> moved = std::move(copy);
    EXPECT_FALSE(copy);
    EXPECT_EQ(object->GetRefCount(), 3);
    moved.reset(moved.get());  // resetting to the held pointer keeps it
    EXPECT_EQ(object->GetRefCount(), 3);
  }
  EXPECT_EQ(object->GetRefCount(), 1);
  IPtr<IShape>& alias = shape;
  shape = alias;  // self-assignment keeps the reference
  EXPECT_EQ(GLiving, 1);
  shape = nullptr;
  EXPECT_EQ(GLiving, 0);
}

TEST_F(InterfacesTest, ReferencesTakenInTheConstructorNeverFreeTheObject) {
  TSelfReferencing* object = Create<TSelfReferencing>(nullptr);
  EXPECT_EQ(GLiving, 1);
  EXPECT_EQ(object->GetRefCount(), 0);
  Free(object);

  IPtr<IShape> kept;
  Create<TSelfReferencing>(&kept);
  EXPECT_EQ(GLiving, 1);
  EXPECT_EQ(dynamic_cast<TInterfacedObject*>(kept.get())->GetRefCount(), 1);
  kept = nullptr;
  EXPECT_EQ(GLiving, 0);

  // Made through the class record, the same holds.
  TObject* viaRecord = ClassOf<TSquare>()->Create();
  EXPECT_EQ(dynamic_cast<TSquare*>(viaRecord)->GetRefCount(), 0);
  Free(viaRecord);
}

TEST_F(InterfacesTest, FreeingAReferencedObjectRaisesAndKeepsIt) {
  IPtr<IShape> shape = Create<TSquare>();
  auto* object = dynamic_cast<TSquare*>(shape.get());
  try {
    Free(object);
    ADD_FAILURE() << "no exception";
  } catch (const EInvalidPointer& e) {
    EXPECT_EQ(e.GetMessage(), u"Invalid Pointer");
  }
  EXPECT_EQ(GLiving, 1);
  EXPECT_EQ(shape->Area(), 9);
}

TEST_F(InterfacesTest, ReferencesTakenWhileDyingNeverFreeTheObjectAgain) {
  IPtr<IShape> shape = Create<TCallsBackWhileDying>();
  shape = nullptr;  // freed by its last reference
  EXPECT_EQ(GLiving, 0);
  Free(Create<TCallsBackWhileDying>());  // freed by its owner
  EXPECT_EQ(GLiving, 0);
}

TEST_F(InterfacesTest, QueryIntoTheQueriedReferenceKeepsTheObject) {
  IPtr<ISquare> square = Create<TSquare>();
  IPtr<IShape> shape = square;
  square = nullptr;
  IPtr<IShape>& same = shape;
  EXPECT_TRUE(Supports(shape, same));  // the only reference is both source and target
  EXPECT_EQ(shape->Area(), 9);
  EXPECT_EQ(GLiving, 1);
}

TEST_F(InterfacesTest, OwnedObjectsAreNeverFreedByReferences) {
  TOwned* owned = Create<TOwned>();
  {
    IPtr<IShape> shape = owned;
    IPtr<IInterface> any;
    ASSERT_TRUE(Supports(shape, any));
    EXPECT_EQ(shape->_AddRef(), -1);
    EXPECT_EQ(shape->_Release(), -1);
  }
  EXPECT_EQ(GLiving, 1);
  Free(owned);
}

TEST_F(InterfacesTest, QueriesAnswerListedInterfacesTheirBasesAndTheParentTable) {
  IPtr<IShape> shape = Create<TNamedSquare>();
  TObject* object = dynamic_cast<TObject*>(shape.get());
  ASSERT_NE(object, nullptr);

  struct Case {
    TGUID iid;
    bool answered;
  } cases[] = {{IIDOf<IInterface>(), true}, {IIDOf<IShape>(), true}, {IIDOf<ISquare>(), true},
               {IIDOf<INamed>(), true},     {IIDOf<IUnused>(), false}};
  for (const auto& c : cases) {
    EXPECT_EQ(Supports(object, c.iid), c.answered) << StringToUTF8(c.iid.ToString());
    EXPECT_EQ(Supports(shape, c.iid), c.answered) << StringToUTF8(c.iid.ToString());
    void* out = &out;  // anything but null
    EXPECT_EQ(shape->QueryInterface(c.iid, &out), c.answered ? S_OK : E_NOINTERFACE);
    EXPECT_EQ(out != nullptr, c.answered);
    if (out) shape->_Release();
  }
  EXPECT_EQ(dynamic_cast<TInterfacedObject*>(object)->GetRefCount(), 1);

  // The typed query hands out the interface as its own type.
  IPtr<ISquare> square;
  ASSERT_TRUE(Supports(object, square));
  EXPECT_EQ(square->Side(), 3);
  IPtr<INamed> named = QueryIntf<INamed>(square);
  ASSERT_TRUE(named);
  EXPECT_EQ(named->Name(), u"square");
  IPtr<IUnused> unused = QueryIntf<IUnused>(square);
  EXPECT_FALSE(unused);
  EXPECT_FALSE(Supports(unused, named));
  EXPECT_FALSE(named);  // a failed query leaves the out reference null
  EXPECT_FALSE(Supports<IShape>(static_cast<TObject*>(nullptr)));

  // By IID, with a typed or an untyped out reference.
  IPtr<IShape> asShape;
  EXPECT_TRUE(Supports(object, IIDOf<INamed>(), asShape));
  EXPECT_EQ(asShape, shape);
  EXPECT_FALSE(Supports(object, IIDOf<IUnused>(), asShape));
  EXPECT_FALSE(asShape);
  void* raw = &raw;
  EXPECT_FALSE(Supports(object, IIDOf<IUnused>(), &raw));
  EXPECT_EQ(raw, nullptr);
  ASSERT_TRUE(Supports(object, IIDOf<INamed>(), &raw));
  IPtr<INamed> adopted = IPtr<INamed>::Adopt(static_cast<INamed*>(raw));
  EXPECT_EQ(adopted->Name(), u"square");
}

TEST_F(InterfacesTest, TestingAnObjectNobodyHoldsDoesNotFreeIt) {
  TSquare* object = Create<TSquare>();
  EXPECT_TRUE(Supports<ISquare>(object));
  EXPECT_TRUE(Supports(static_cast<TObject*>(object), IIDOf<IShape>()));
  EXPECT_FALSE(Supports<INamed>(object));
  EXPECT_EQ(GLiving, 1);
  EXPECT_EQ(object->GetRefCount(), 0);
  Free(object);

  // Plain objects answer nothing.
  TObject* plain = Create<TObject>();
  EXPECT_FALSE(Supports<IInterface>(plain));
  Free(plain);
}

TEST_F(InterfacesTest, DelegatedInterfaceCountsOnItsController) {
  IPtr<IShape> shape = Create<TOuter>();
  auto* outer = dynamic_cast<TOuter*>(shape.get());
  IPtr<INamed> named;
  ASSERT_TRUE(Supports(shape, named));
  EXPECT_EQ(named->Name(), u"inner");
  EXPECT_EQ(static_cast<void*>(named.get()), static_cast<void*>(static_cast<INamed*>(outer->FName)));
  EXPECT_EQ(outer->GetRefCount(), 2);

  // The inner object's own table answers its interfaces; the aggregate's other ones are not its.
  EXPECT_TRUE(Supports<INamed>(named));
  EXPECT_FALSE(Supports<IShape>(named));
  EXPECT_FALSE(Supports<IUnused>(shape));

  shape = nullptr;
  EXPECT_EQ(GLiving, 1);  // the inner reference keeps the whole aggregate
  named = nullptr;
  EXPECT_EQ(GLiving, 0);
}

TEST_F(InterfacesTest, AggregatedObjectAnswersForItsController) {
  IPtr<IShape> shape = Create<TSquare>();
  auto* object = dynamic_cast<TSquare*>(shape.get());
  TAggregatedObject* inner = Create<TAggregatedObject>(static_cast<IInterface*>(object));
  IPtr<ISquare> square;
  EXPECT_TRUE(Supports(inner, square));
  EXPECT_EQ(square.get(), static_cast<ISquare*>(object));
  EXPECT_EQ(object->GetRefCount(), 2);
  {
    IPtr<IInterface> viaInner = static_cast<IInterface*>(inner);
    EXPECT_EQ(object->GetRefCount(), 3);
  }
  Free(inner);
  square = nullptr;
  shape = nullptr;
  EXPECT_EQ(GLiving, 0);
}

TEST_F(InterfacesTest, CountingIsSafeAcrossThreads) {
  IPtr<IShape> shape = Create<TSquare>();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([shape] {
      for (int i = 0; i < 20000; ++i) {
        IPtr<IShape> copy = shape;
        IPtr<ISquare> square;
        Supports(copy, square);
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(dynamic_cast<TSquare*>(shape.get())->GetRefCount(), 1);
  shape = nullptr;
}
