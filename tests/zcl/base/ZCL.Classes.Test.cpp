#include <gtest/gtest.h>

#include "zcl/base/ZCL.Base.TestUtil.h"
#include "zcl/base/ZCL.Classes.h"

namespace {

// ---- update locks -----------------------------------------------------------------------------

class TLockable : public TZCLLockablePersistent {
  ZCL_CLASS(TLockable, TZCLLockablePersistent)
 public:
  std::vector<TZCLPersistentChanges> Delivered;
  Integer Locks = 0;
  Integer Value = 0;
  bool ReportAgain = false;

  void BeginUpdate() override {
    ++Locks;
    inherited::BeginUpdate();
  }

 protected:
  void DoChanged(TZCLPersistentChanges Changes) override {
    Delivered.push_back(Changes);
    if (ReportAgain) {
      ReportAgain = false;
      Changed(8);  // a change reported while delivering starts a new round
    }
  }
  void DoAssign(TPersistent* Source) override {
    if (auto* other = dynamic_cast<TLockable*>(Source)) {
      Value = other->Value;
      Changed(1);
      Changed(2);
      return;
    }
    inherited::DoAssign(Source);
  }
};

TEST(ZclLockablePersistent, DeliversTheUnionOnceAtTheOutermostUnlock) {
  TLockable obj;
  obj.BeginUpdate();
  obj.Changed(1);
  obj.BeginUpdate();
  obj.Changed(4);
  obj.EndUpdate();
  EXPECT_TRUE(obj.Delivered.empty());
  obj.EndUpdate();
  EXPECT_EQ(obj.Delivered, (std::vector<TZCLPersistentChanges>{5}));

  obj.Changed(2);  // unlocked: at once
  obj.ReportAgain = true;
  obj.Changed(1);
  EXPECT_EQ(obj.Delivered, (std::vector<TZCLPersistentChanges>{5, 2, 1, 8}));

  obj.Delivered.clear();
  obj.BeginUpdate();
  obj.Changed(1);
  obj.BeginUpdate();
  obj.Changed(2);
  obj.CancelUpdate();  // drops everything gathered, also under the outer lock
  obj.EndUpdate();
  EXPECT_TRUE(obj.Delivered.empty());
  EXPECT_EQ(obj.GetLockCount(), 0);
}

TEST(ZclLockablePersistent, AssignBracketsItsChangesInOneDelivery) {
  TLockable a, b;
  b.Value = 7;
  a.Assign(&b);
  EXPECT_EQ(a.Value, 7);
  EXPECT_EQ(a.Delivered, (std::vector<TZCLPersistentChanges>{3}));
  EXPECT_EQ(a.Locks, 1);

  a.Assign(&a);  // itself: no lock at all
  EXPECT_EQ(a.Locks, 1);
  a.Assign(nullptr);  // nil: locked and unlocked, nothing changes
  EXPECT_EQ(a.Locks, 2);
  EXPECT_EQ(a.Delivered.size(), 1u);
  EXPECT_EQ(a.GetLockCount(), 0);

  TZCLCollection other(TCollectionItem::StaticClass());
  EXPECT_THROW(a.Assign(&other), EConvertError);
  EXPECT_EQ(a.GetLockCount(), 0);  // unlocked on the error path too
}

class TItem : public TZCLCollectionItem {
  ZCL_CLASS(TItem, TZCLCollectionItem)
 public:
  using TZCLCollectionItem::TZCLCollectionItem;
  void Touch() { Changed(false); }
};

class TUpdates : public TZCLCollection {
  ZCL_CLASS(TUpdates, TZCLCollection)
 public:
  TUpdates() : TZCLCollection(TItem::StaticClass()) {}
  std::vector<TCollectionItem*> Updates;

 protected:
  void DoUpdate(TCollectionItem* Item) override { Updates.push_back(Item); }
};

TEST(ZclCollection, ChangesUnderALockArriveOnceWithoutItem) {
  TUpdates coll;
  auto* a = coll.Add<TItem>();
  auto* b = coll.Add<TItem>();
  coll.Updates.clear();
  a->Touch();
  b->Touch();
  EXPECT_EQ(coll.Updates, (std::vector<TCollectionItem*>{a, b}));

  coll.Updates.clear();
  IZCLUpdateLock* lock = &coll;
  lock->BeginUpdate();
  a->Touch();
  coll.BeginUpdate();
  b->Touch();
  coll.EndUpdate();
  a->Touch();
  EXPECT_TRUE(coll.Updates.empty());
  lock->EndUpdate();
  EXPECT_EQ(coll.Updates, (std::vector<TCollectionItem*>{nullptr}));
  coll.BeginUpdate();
  coll.EndUpdate();  // nothing pending: no update
  EXPECT_EQ(coll.Updates.size(), 1u);
}

// ---- interfaces -------------------------------------------------------------------------------

struct IAbsent : virtual IInterface {
  RTL_INTERFACE(IAbsent, IInterface, "{0B1E0C44-2F0A-4C6A-9D1B-3C5D7E9F1A01}")
};

TEST(ZclUnknownObject, AnswersQueriesWithoutCounting) {
  auto* obj = Create<TZCLUnknownObject>();
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(obj->QueryInterface(IAbsent::IID, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(obj->QueryInterface(IInterface::IID, &out), S_OK);
  {
    IPtr<IInterface> held = obj;
    EXPECT_EQ(obj->_Release(), -1);
  }  // the last reference goes: the object stays
  EXPECT_EQ(obj->_AddRef(), -1);
  Free(obj);

  auto* persistent = Create<TLockable>();
  EXPECT_TRUE(Supports<IZCLUpdateLock>(persistent));
  EXPECT_FALSE(Supports<IAbsent>(persistent));
  EXPECT_EQ(persistent->_Release(), -1);
  Free(persistent);
}

TEST(ZclInterfacedObject, RefusesToDieWhileReferenced) {
  IPtr<IInterface> held = Create<TZCLInterfacedObject>();
  auto* obj = dynamic_cast<TZCLInterfacedObject*>(held.get());
  EXPECT_EQ(RaisedMessage<EInvalidPointer>([&] { Free(obj); }), "Invalid Pointer");
  EXPECT_EQ(obj->GetRefCount(), 1);
}

// ---- component routines -----------------------------------------------------------------------

class TWatcher : public TComponent {
  ZCL_CLASS(TWatcher, TComponent)
 public:
  using TComponent::TComponent;
  TComponent* FBuddy = nullptr;
  Integer Removals = 0;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove) {
      ++Removals;
      if (AComponent == FBuddy) FBuddy = nullptr;
    }
  }
};

TEST(ZclComponentRoutines, SetComponentReferenceMovesTheFreeNotification) {
  auto* watcher = Create<TWatcher>(nullptr);
  auto* first = Create<TComponent>(nullptr);
  auto* second = Create<TComponent>(nullptr);
  EXPECT_TRUE(SetComponentReference(watcher->FBuddy, watcher, first));
  EXPECT_FALSE(SetComponentReference(watcher->FBuddy, watcher, first));
  EXPECT_TRUE(SetComponentReference(watcher->FBuddy, watcher, second));
  Free(first);  // no longer watched
  EXPECT_EQ(watcher->Removals, 0);
  EXPECT_EQ(watcher->FBuddy, second);
  Free(second);
  EXPECT_EQ(watcher->Removals, 1);
  EXPECT_EQ(watcher->FBuddy, nullptr);

  auto* third = Create<TComponent>(nullptr);
  SetComponentReference(watcher->FBuddy, watcher, third);
  EXPECT_TRUE(SetComponentReference<TComponent>(watcher->FBuddy, watcher, nullptr));
  Free(third);
  EXPECT_EQ(watcher->Removals, 1);
  Free(watcher);
}

TEST(ZclComponentRoutines, FreeNotifierForwardsDestruction) {
  auto* notifier = Create<TZCLComponentFreeNotifier>(nullptr);
  struct TLog {
    std::vector<TComponent*> Gone;
    void Note(TObject*, TComponent* Component) { Gone.push_back(Component); }
  } log;
  notifier->OnFreeNotification = {&log, &TLog::Note};
  auto* watched = Create<TComponent>(nullptr);
  watched->FreeNotification(notifier);
  Free(watched);
  EXPECT_EQ(log.Gone, (std::vector<TComponent*>{watched}));
  Free(notifier);
}

TEST(ZclComponentRoutines, IsValidIdentifier) {
  struct {
    const Char* Text;
    bool AllowUnicode, AllowDots, Valid;
  } cases[] = {
      {u"a.b", false, true, true},           {u"a.b", false, false, false}, {u"", true, true, false},
      {u"_x1", false, false, true},          {u"1x", false, false, false},  {u"\u00e9t\u00e9", false, false, false},
      {u"\u00e9t\u00e9", true, false, true}, {u"a b", true, false, false},  {u"a..b", false, true, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsValidIdentifier(c.Text, c.AllowUnicode, c.AllowDots), c.Valid) << StringToUTF8(c.Text);
}

class TZCLTestWidget : public TComponent {
  ZCL_CLASS(TZCLTestWidget, TComponent)
 public:
  using TComponent::TComponent;
};

TEST(ZclComponentRoutines, GenerateComponentNameIsUniqueInTheRootTree) {
  auto* root = Create<TComponent>(nullptr);
  auto* group = Create<TComponent>(root);
  std::vector<String> names;
  for (int i = 0; i < 3; ++i) {
    auto* button = Create<TZCLTestWidget>(i == 1 ? group : root);  // the whole tree counts
    button->SetName(GenerateComponentName(button, u"", u"Button"));
    names.push_back(button->GetName());
  }
  EXPECT_EQ(names, (std::vector<String>{u"Button", u"Button1", u"Button2"}));

  auto* widget = Create<TZCLTestWidget>(group);
  struct {
    const Char* Prefix;
    const Char* Base;
    const Char* Expected;
  } cases[] = {
      {u"", u"", u"ZCLTestWidget1"},    {u"TZCL", u"", u"TestWidget1"},
      {u"tzcl", u"", u"TestWidget1"},   {u"TX", u"", u"ZCLTestWidget1"},
      {u"", u"3D", u"ZCLTestWidget3D"}, {u"", u"K\u00e4se", u"Kse"},  // nothing dropped after a non-ASCII unit
      {u"", u"B-u t", u"But"},          {u"", u"\u00e4\u00f6", u"ZCLTestWidget"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GenerateComponentName(widget, c.Prefix, c.Base), c.Expected) << StringToUTF8(c.Base);
  widget->SetName(u"ZCLTestWidget1");
  EXPECT_EQ(GenerateComponentName(widget), u"ZCLTestWidget2");
  Free(root);
}

TEST(ZclComponentRoutines, FindComponentRecursiveSearchesDepthFirst) {
  auto* root = Create<TComponent>(nullptr);
  auto* a = Create<TComponent>(root);
  a->SetName(u"A");
  auto* deep = Create<TComponent>(a);
  deep->SetName(u"Target");
  auto* b = Create<TComponent>(root);
  b->SetName(u"B");
  auto* shallow = Create<TComponent>(b);
  shallow->SetName(u"Other");
  EXPECT_EQ(FindComponentRecursive(root, u"target"), deep);
  EXPECT_EQ(FindComponentRecursive(root, u"Target", false), nullptr);
  EXPECT_EQ(FindComponentRecursive(root, u"b", false), b);
  EXPECT_EQ(FindComponentRecursive(nullptr, u"A"), nullptr);
  Free(root);
}

// ---- progress ---------------------------------------------------------------------------------

struct TProgressLog {
  std::vector<Single> Reported;
  void Note(TObject*, Single Progress) { Reported.push_back(Progress); }
};

TEST(ZclProgressCalculator, WeighsStagesIntoOnePercentage) {
  TProgressLog log;
  TZCLProgressCalculator calc(TZCLProgressEvent(&log, &TProgressLog::Note));
  calc.AddStage(1);
  calc.AddStage(3);
  calc.BeginProcess();
  EXPECT_TRUE(log.Reported.empty());
  calc.SetStageProgress(50);
  calc.SetStageProgress(50.005f);  // within 0.01 of what was reported: silent
  calc.NextStage();
  calc.SetStageProgress(50);
  calc.EndProcess();
  EXPECT_EQ(log.Reported, (std::vector<Single>{12.5f, 25, 62.5f, 100}));
}

TEST(ZclProgressCalculator, RoundsPositionsAndGuardsItsState) {
  TProgressLog log;
  TZCLProgressCalculator calc(TZCLProgressEvent(&log, &TProgressLog::Note));
  EXPECT_EQ(RaisedMessage<EInvalidArgument>([&] { calc.BeginProcess(); }), "Stages were not defined");
  EXPECT_EQ(RaisedMessage<EInvalidArgument>([&] { calc.AddStage(0); }), "W <= 0");
  EXPECT_EQ(RaisedMessage<EInvalidArgument>([&] { calc.AddStage(-1); }), "W <= 0");
  EXPECT_EQ(RaisedMessage<EInvalidOperation>([&] { calc.NextStage(); }), "Process was not started");
  calc.AddStage(1);
  calc.BeginProcess();
  EXPECT_EQ(RaisedMessage<EInvalidOperation>([&] { calc.AddStage(1); }),
            "Cannot modify stages while process is active");
  EXPECT_EQ(RaisedMessage<EInvalidOperation>([&] { calc.BeginProcess(); }), "Process is already started");
  calc.SetStageProgress(1, 3);
  calc.SetStageProgress(5, 0);
  calc.SetStageProgress(1, 8);  // 12.5 rounds to even
  EXPECT_EQ(log.Reported, (std::vector<Single>{33, 12}));
  calc.EndProcess();
  EXPECT_FALSE(calc.GetActive());
}

}  // namespace
