#include <gtest/gtest.h>

#include <functional>

#include "zcl/base/ZCL.Base.TestUtil.h"
#include "zcl/base/ZCL.Classes.h"
#include "zcl/base/ZCL.ObjectLinks.h"

namespace {

// Logs its tag and the name of the object it is told about (which must still be whole).
class TListener : public TInterfacedObject, public IZCLObjectRemoveNotify {
  RTL_INTERFACES(TInterfacedObject, IZCLObjectRemoveNotify)
  TListener(std::vector<std::string>& Log, std::string Tag) : FLog(Log), FTag(std::move(Tag)) {}
  void OnRemove(TObject* Object) override {
    FLog.push_back(FTag + ":" + StringToUTF8(static_cast<TComponent*>(Object)->GetName()));
  }

 private:
  std::vector<std::string>& FLog;
  std::string FTag;
};

IPtr<IZCLObjectRemoveNotify> Listener(std::vector<std::string>& Log, std::string Tag) {
  return Create<TListener>(Log, std::move(Tag));
}

TZCLComponent* Named(const Char* Name) {
  auto* c = Create<TZCLComponent>(nullptr);
  c->SetName(Name);
  return c;
}

TEST(ZclObjectLinks, WeakReferencesReadNullAfterDestruction) {
  auto* obj = Named(u"Obj");
  TZCLComponent *a = nullptr, *b = nullptr;
  TZCLObjectLinks::RegisterWeakReference(obj, a);
  TZCLObjectLinks::RegisterWeakReference(obj, b);
  TZCLObjectLinks::RegisterWeakReference(obj, b);  // twice: needs two unregistrations
  EXPECT_EQ(a, obj);
  TZCLObjectLinks::UnregisterWeakReference(b);
  EXPECT_EQ(b, nullptr);
  b = obj;  // still registered once
  Free(obj);
  EXPECT_EQ(a, nullptr);
  EXPECT_EQ(b, nullptr);

  TZCLComponent* copy = Named(u"X");
  TZCLComponent* never = copy;  // unregistering clears even a variable never registered
  TZCLObjectLinks::UnregisterWeakReference(never);
  EXPECT_EQ(never, nullptr);
  TZCLComponent* empty = nullptr;
  TZCLObjectLinks::UnregisterWeakReference(empty);
  Free(copy);
}

TEST(ZclObjectLinks, PlainComponentsTakePartThroughFreeNotification) {
  auto* plain = Create<TComponent>(nullptr);
  TComponent* ref = nullptr;
  TZCLObjectLinks::RegisterWeakReference(plain, ref);
  Free(plain);
  EXPECT_EQ(ref, nullptr);

  auto* other = Create<TObject>();
  TObject* objRef = nullptr;
  EXPECT_EQ(RaisedMessage<Exception>([&] { TZCLObjectLinks::RegisterWeakReference(other, objRef); }),
            "Object must implement the IZCLObjectLinksSupport interface");
  EXPECT_EQ(objRef, nullptr);
  EXPECT_EQ(RaisedMessage<Exception>([&] { TZCLObjectLinks::Link(other, nullptr); }), "Objects must not be nil");
  TZCLObjectLinks::Release(other);  // no record: nothing
  Free(other);
}

TEST(ZclObjectLinks, RemoveListenersRunNewestFirstExactlyOnce) {
  std::vector<std::string> log;
  auto* obj = Named(u"Obj");
  auto* other = Named(u"Other");
  auto first = Listener(log, "first"), second = Listener(log, "second"), gone = Listener(log, "gone");
  TZCLObjectLinks::RegisterRemoveListener(obj, first);
  TZCLObjectLinks::RegisterRemoveListener(obj, gone);
  TZCLObjectLinks::RegisterRemoveListener(obj, second);
  TZCLObjectLinks::RegisterRemoveListener(other, gone);
  TZCLObjectLinks::UnregisterRemoveListener(gone, nullptr);  // from every record
  Free(obj);
  Free(other);
  EXPECT_EQ(log, (std::vector<std::string>{"second:Obj", "first:Obj"}));
  TZCLObjectLinks::Release(obj);  // the record is gone: nobody is told twice
  EXPECT_EQ(log.size(), 2u);
}

// A listener its owner frees; it unregisters as it goes.
class TOwnedListener : public TZCLUnknownObject, public IZCLObjectRemoveNotify {
  RTL_INTERFACES(TZCLUnknownObject, IZCLObjectRemoveNotify)
 public:
  TOwnedListener(TObject* AObject, std::vector<std::string>& Log, std::string Tag)
      : FObject(AObject), FLog(Log), FTag(std::move(Tag)) {
    TZCLObjectLinks::RegisterRemoveListener(FObject, this);
  }
  ~TOwnedListener() override { TZCLObjectLinks::UnregisterRemoveListener(this, FObject); }
  void OnRemove(TObject*) override {
    FLog.push_back(FTag);
    if (OnTold) OnTold();
  }
  std::function<void()> OnTold;

 private:
  TObject* FObject;
  std::vector<std::string>& FLog;
  std::string FTag;
};

TEST(ZclObjectLinks, ListenersFreedWhileTheyAreToldAreSkippedAndNotTouched) {
  std::vector<std::string> log;
  auto* obj = Named(u"Obj");
  auto* last = Create<TOwnedListener>(obj, log, "last");
  auto* middle = Create<TOwnedListener>(obj, log, "middle");
  auto* first = Create<TOwnedListener>(obj, log, "first");  // newest: told first
  // The first listener's work frees the others and itself (a window closing with its parts).
  first->OnTold = [&] {
    Free(last);
    Free(middle);
    Free(first);
  };
  Free(obj);
  EXPECT_EQ(log, (std::vector<std::string>{"first"}));
}

struct IShape : virtual IInterface {
  RTL_INTERFACE(IShape, IInterface, "{0B1E0C44-2F0A-4C6A-9D1B-3C5D7E9F1A10}")
  virtual int Id() = 0;
};
class TShape : public TInterfacedObject, public IShape {
  RTL_INTERFACES(TInterfacedObject, IShape)
  explicit TShape(int AId) : FId(AId) {}
  int Id() override { return FId; }
  int FId;
};
class TShapeComponent : public TZCLComponent, public IShape {
  ZCL_CLASS(TShapeComponent, TZCLComponent)
  RTL_INTERFACES(TZCLComponent, IShape)
  explicit TShapeComponent(TComponent* AOwner) : TZCLComponent(AOwner) {}
  int Id() override { return 99; }
};

TEST(ZclObjectLinks, ExtensionsAnswerNewestFirstThenLinkedObjects) {
  auto* obj = Named(u"Obj");
  auto* buddy = Create<TShapeComponent>(nullptr);
  EXPECT_EQ(TZCLObjectLinks::GetExtension<IShape>(obj), nullptr);
  TZCLObjectLinks::Link(obj, buddy);
  EXPECT_EQ(TZCLObjectLinks::GetExtension<IShape>(obj)->Id(), 99);
  TZCLObjectLinks::RegisterExtension(obj, IPtr<IShape>(Create<TShape>(1)));
  TZCLObjectLinks::RegisterExtension(obj, IPtr<IShape>(Create<TShape>(2)));
  EXPECT_EQ(TZCLObjectLinks::GetExtension<IShape>(obj)->Id(), 2);
  EXPECT_FALSE(TZCLObjectLinks::GetExtension(buddy, IZCLObjectRemoveNotify::IID, nullptr));
  EXPECT_TRUE(TZCLObjectLinks::GetExtension(buddy, IZCLObjectLinksSupport::IID, nullptr));  // obj supports it

  auto* lone = Named(u"Lone");
  auto* partner = Create<TShapeComponent>(nullptr);
  TZCLObjectLinks::Link(lone, partner);
  Free(partner);  // unlinked: the query no longer reaches it
  EXPECT_EQ(TZCLObjectLinks::GetExtension<IShape>(lone), nullptr);
  Free(lone);
  Free(buddy);
  Free(obj);
}

TEST(ZclObjectLinks, CollectionItemsReleaseTheirRecords) {
  TCollection coll(TZCLCollectionItem::StaticClass());
  TCollectionItem* item = coll.Add();
  TCollectionItem* ref = nullptr;
  TZCLObjectLinks::RegisterWeakReference(item, ref);
  coll.Delete(0);
  EXPECT_EQ(ref, nullptr);
}

}  // namespace
