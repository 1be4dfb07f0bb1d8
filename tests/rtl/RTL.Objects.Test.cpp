#include <gtest/gtest.h>

#include <vector>

#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Objects.h"

namespace {
std::vector<String> GLog;

class TShape : public TObject {
  ZCL_CLASS(TShape, TObject)
 public:
  ~TShape() override { GLog.push_back(u"~TShape"); }
  void AfterConstruction() override {
    inherited::AfterConstruction();
    GLog.push_back(u"After:" + ClassName());
    CreateStyle();
  }
  void BeforeDestruction() override { GLog.push_back(u"Before:" + ClassName()); }
  // A factory the base calls; a derived class's override must run.
  virtual void CreateStyle() { GLog.push_back(u"TShape.CreateStyle"); }
};

class TCircle : public TShape {
  ZCL_CLASS(TCircle, TShape)
 public:
  ~TCircle() override { GLog.push_back(u"~TCircle"); }
  void CreateStyle() override { GLog.push_back(u"TCircle.CreateStyle"); }
};

class TAbstractShape : public TShape {
  ZCL_CLASS(TAbstractShape, TShape)
 public:
  virtual int Corners() const = 0;
};

// A hierarchy whose constructor takes arguments.
class TNode : public TObject {
  ZCL_CLASS(TNode, TObject)
 public:
  using TCreateSignature = void(TNode* AParent, const String& AText);
  TNode(TNode* AParent, const String& AText) : Parent(AParent), Text(AText) {}
  TNode* Parent;
  String Text;
  bool Constructed = false;
  void AfterConstruction() override { Constructed = true; }
};

class TLeaf : public TNode {
  ZCL_CLASS(TLeaf, TNode)
 public:
  using TNode::TNode;
};

// A hierarchy with a class-level virtual operation, called on a class reference.
class TCodecRecord : public TClassRecord {
 public:
  using TClassRecord::TClassRecord;
  virtual String Extension() const = 0;
};
template <class T>
class TCodecRecordOf : public TClassRecordOf<T, TCodecRecord> {
 public:
  using TClassRecordOf<T, TCodecRecord>::TClassRecordOf;
  String Extension() const override { return T::Extension(); }
};
class TCodec : public TObject {
  ZCL_CLASS(TCodec, TObject)
 public:
  template <class T>
  using TMetaClassFor = TCodecRecordOf<T>;
  static String Extension() { return u""; }
};
class TPngCodec : public TCodec {
  ZCL_CLASS(TPngCodec, TCodec)
 public:
  static String Extension() { return u".png"; }
};
using TCodecClass = const TCodecRecord*;

class TFailing : public TObject {
  ZCL_CLASS(TFailing, TObject)
 public:
  ~TFailing() override { GLog.push_back(u"~TFailing"); }
  void AfterConstruction() override { throw EInvalidOperation(u"no"); }
};
}  // namespace

TEST(Objects, ClassRecordsDescribeTheHierarchy) {
  TClass circle = TCircle::StaticClass();
  EXPECT_EQ(circle->ClassName(), u"TCircle");
  EXPECT_EQ(circle->ClassParent(), TShape::StaticClass());
  EXPECT_EQ(TShape::StaticClass()->ClassParent(), TObject::StaticClass());
  EXPECT_EQ(TObject::StaticClass()->ClassParent(), nullptr);
  EXPECT_TRUE(circle->InheritsFrom(TObject::StaticClass()));
  EXPECT_TRUE(circle->InheritsFrom(circle));
  EXPECT_FALSE(TShape::StaticClass()->InheritsFrom(circle));
  EXPECT_FALSE(circle->InheritsFrom(nullptr));
  EXPECT_TRUE(circle->ClassNameIs(u"tcircle"));
  EXPECT_TRUE(TAbstractShape::StaticClass()->IsAbstract());
  EXPECT_FALSE(circle->IsAbstract());

  TShape* shape = Create<TCircle>();
  EXPECT_EQ(shape->ClassType(), circle);
  EXPECT_EQ(shape->ClassName(), u"TCircle");
  EXPECT_EQ(shape->ToString(), u"TCircle");
  EXPECT_TRUE(shape->Equals(shape));
  EXPECT_FALSE(shape->Equals(nullptr));
  Free(shape);
}

TEST(Objects, CreateRunsAfterConstructionWithTheOverrideAndFreeRunsBeforeDestructionFirst) {
  GLog.clear();
  TShape* shape = Create<TCircle>();
  EXPECT_EQ(GLog, (std::vector<String>{u"After:TCircle", u"TCircle.CreateStyle"}));
  GLog.clear();
  Free(shape);
  EXPECT_EQ(GLog, (std::vector<String>{u"Before:TCircle", u"~TCircle", u"~TShape"}));
  Free(nullptr);  // allowed

  TShape* other = Create<TShape>();
  FreeAndNil(other);
  EXPECT_EQ(other, nullptr);
}

TEST(Objects, VirtualConstructorsCreateTheRecordsClass) {
  GLog.clear();
  TClass cls = TCircle::StaticClass();
  TObject* obj = cls->Create();
  EXPECT_EQ(obj->ClassType(), cls);
  EXPECT_EQ(GLog, (std::vector<String>{u"After:TCircle", u"TCircle.CreateStyle"}));
  Free(obj);

  TShape* shape = cls->Create<TShape>();
  EXPECT_EQ(shape->ClassName(), u"TCircle");
  Free(shape);

  TNode root(nullptr, u"root");
  TClass leafClass = TLeaf::StaticClass();
  TNode* leaf = leafClass->Create<TNode>(&root, u"leaf");
  EXPECT_EQ(leaf->ClassType(), leafClass);
  EXPECT_EQ(leaf->Parent, &root);
  EXPECT_EQ(leaf->Text, u"leaf");
  EXPECT_TRUE(leaf->Constructed);
  Free(leaf);
}

TEST(Objects, VirtualConstructorErrors) {
  // Abstract class, a class outside the requested base, a hierarchy without a default constructor.
  EXPECT_THROW(TAbstractShape::StaticClass()->Create<TShape>(), EInvalidOperation);
  EXPECT_THROW(TCircle::StaticClass()->Create<TNode>(nullptr, u""), EInvalidCast);
  EXPECT_THROW(TLeaf::StaticClass()->Create(), EInvalidOperation);
}

TEST(Objects, FailingAfterConstructionDestroysTheObject) {
  GLog.clear();
  EXPECT_THROW(Create<TFailing>(), EInvalidOperation);
  EXPECT_THROW(TFailing::StaticClass()->Create(), EInvalidOperation);
  EXPECT_EQ(GLog, (std::vector<String>{u"~TFailing", u"~TFailing"}));
}

TEST(Objects, ClassLevelVirtualOperationsDispatchOnTheClassReference) {
  TCodecClass png = TPngCodec::StaticClass();
  TCodecClass base = TCodec::StaticClass();
  EXPECT_EQ(png->Extension(), u".png");
  EXPECT_EQ(base->Extension(), u"");
  EXPECT_TRUE(png->InheritsFrom(base));
  TCodec* codec = png->Create<TCodec>();
  EXPECT_EQ(static_cast<TCodecClass>(codec->ClassType())->Extension(), u".png");
  Free(codec);
}

TEST(Objects, ClassRegistry) {
  RegisterClasses({TCircle::StaticClass(), TShape::StaticClass()});
  RegisterClass(TCircle::StaticClass());  // again: ignored
  EXPECT_EQ(FindClass(u"tCIRCLE"), TCircle::StaticClass());
  EXPECT_EQ(GetClass(u"TShape"), TShape::StaticClass());
  EXPECT_EQ(GetClass(u"TSquare"), nullptr);
  try {
    FindClass(u"TSquare");
    FAIL();
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(e.GetMessage(), u"Class TSquare not found");
  }

  // Another class under a taken name.
  class TImposter : public TObject {
   public:
    TClass ClassType() const override { return Record(); }
    static TClass Record() {
      static const TClassRecordOf<TImposter> record(u"TCircle", TObject::StaticClass());
      return &record;
    }
  };
  EXPECT_THROW(RegisterClass(TImposter::Record()), EFilerError);

  UnRegisterClasses({TCircle::StaticClass(), TShape::StaticClass()});
  EXPECT_EQ(GetClass(u"TCircle"), nullptr);
}

// --- delegates ---

namespace {
struct TListener {
  int Clicks = 0;
  void Click(TObject*) { ++Clicks; }
  void Other(TObject*) {}
  void Key(Word& Key, bool& Handled) {
    Key = 0;
    Handled = true;
  }
  virtual ~TListener() = default;
  virtual int Value() const { return 1; }
};
struct TDerivedListener : TListener {
  int Value() const override { return 2; }
};
using TKeyEvent = TDelegate<void(Word& Key, bool& Handled)>;
using TValueEvent = TDelegate<int()>;

int Twice(int* Data, int X) { return *Data * X; }
}  // namespace

TEST(Delegates, AssignCallAndClear) {
  TListener a;
  TNotifyEvent onClick;
  EXPECT_FALSE(onClick);
  EXPECT_TRUE(onClick == nullptr);
  EXPECT_THROW(onClick(nullptr), EInvalidOperation);

  onClick = {&a, &TListener::Click};
  ASSERT_TRUE(onClick.Assigned());
  onClick(nullptr);
  onClick(nullptr);
  EXPECT_EQ(a.Clicks, 2);
  EXPECT_EQ(onClick.GetData(), &a);
  onClick = nullptr;
  EXPECT_FALSE(onClick);

  // By-reference parameters reach the handler's variables.
  TKeyEvent onKey{&a, &TListener::Key};
  Word key = 13;
  bool handled = false;
  onKey(key, handled);
  EXPECT_EQ(key, 0);
  EXPECT_TRUE(handled);

  // Virtual methods dispatch on the object; objects of derived classes bind to base methods.
  TDerivedListener d;
  TValueEvent value{&d, &TListener::Value};
  EXPECT_EQ(value(), 2);

  // Plain functions, with and without a data pointer, and captureless lambdas.
  int factor = 3;
  TDelegate<int(int)> twice{&factor, &Twice};
  EXPECT_EQ(twice(5), 15);
  EXPECT_EQ(twice.GetData(), &factor);
  TDelegate<int(int)> negate = [](int X) { return -X; };
  EXPECT_EQ(negate(4), -4);
}

TEST(Delegates, EqualityByObjectAndMethod) {
  TListener a, b;
  const TNotifyEvent aClick{&a, &TListener::Click}, aClick2{&a, &TListener::Click};
  const TNotifyEvent bClick{&b, &TListener::Click}, aOther{&a, &TListener::Other};
  EXPECT_TRUE(aClick == aClick2);
  EXPECT_FALSE(aClick == bClick);
  EXPECT_FALSE(aClick == aOther);
  EXPECT_FALSE(aClick == TNotifyEvent());
  EXPECT_TRUE(TNotifyEvent() == TNotifyEvent(nullptr));
  EXPECT_TRUE(SameCode(aClick, bClick));
  EXPECT_FALSE(SameCode(aClick, aOther));
  // A null object or method gives an unassigned delegate.
  EXPECT_FALSE(TNotifyEvent(static_cast<TListener*>(nullptr), &TListener::Click));
}

TEST(Delegates, UntypedViewRoundTripsAndChecksTheSignature) {
  TListener a;
  TNotifyEvent onClick{&a, &TListener::Click};
  TMethod m = onClick.AsMethod();
  EXPECT_EQ(m.Data, &a);
  TNotifyEvent back = TNotifyEvent::FromMethod(m);
  EXPECT_TRUE(back == onClick);
  back(nullptr);
  EXPECT_EQ(a.Clicks, 1);
  EXPECT_FALSE(TNotifyEvent::FromMethod(TMethod()));
  EXPECT_THROW(TKeyEvent::FromMethod(m), EInvalidCast);
}
