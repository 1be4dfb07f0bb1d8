#include <gtest/gtest.h>

#include "rtl/RTL.Interfaces.h"
#include "rtl/RTL.TypInfo.h"
#include "rtl/RTL.Variant.h"

namespace {
enum TShade : Byte { shLight, shMedium, shDark, shBlack };
ZCL_ENUM(TShade, shLight, shMedium, shDark, shBlack);
using TShades = TSet<TShade>;

enum class TEdge { Left, Top, Right, Bottom };
ZCL_ENUM(TEdge, TEdge::Left, TEdge::Top, TEdge::Right, TEdge::Bottom);

class THiddenMark : public TCustomAttribute {
  ZCL_CLASS(THiddenMark, TCustomAttribute)
};

struct TBox {
  Integer X = 0, Y = 0;
  bool operator==(const TBox&) const = default;
};

class TSubObject : public TObject {
  ZCL_CLASS(TSubObject, TObject)
};

class TOther : public TObject {
  ZCL_CLASS(TOther, TObject)
};

class TBase : public TObject {
  ZCL_CLASS(TBase, TObject)
 public:
  static void DeclareProperties(TClassDeclaration<TBase>& D);
  String GetCaption() const { return FCaption; }
  void SetCaption(const String& Value) {
    FCaption = Value;
    ++Writes;
  }
  TShade GetShade() const { return FShade; }
  void SetShade(TShade Value) { FShade = Value; }
  Integer GetCoord(Integer Index) const { return FCoords[Index]; }
  void SetCoord(Integer Index, Integer Value) { FCoords[Index] = Value; }
  Integer GetCount() const { return 7; }

  String FCaption;
  TShade FShade = shMedium;
  Integer FCoords[2] = {0, 0};
  Integer FSecret = 0;
  Integer Writes = 0;
};

void TBase::DeclareProperties(TClassDeclaration<TBase>& D) {
  D.Property(u"Caption", &TBase::GetCaption, &TBase::SetCaption);
  D.Property(u"Shade", &TBase::GetShade, &TBase::SetShade).Default(shMedium);
  D.Property(u"Left", 0, &TBase::GetCoord, &TBase::SetCoord).Default(0);
  D.Property(u"Top", 1, &TBase::GetCoord, &TBase::SetCoord).Default(0);
  D.Property(u"Count", &TBase::GetCount);
  D.Property(u"Secret", &TBase::FSecret, &TBase::FSecret).Visibility(mvPublic);
}

class TWidget : public TBase {
  ZCL_CLASS(TWidget, TBase)
 public:
  static void DeclareProperties(TClassDeclaration<TWidget>& D);
  bool IsSizeStored() const { return FSize != 10; }

  Cardinal FMask = 0;
  Integer FColor = 0;
  TShades FShades{shLight};
  Double FSize = 10;
  Int64 FBig = 0;
  bool FEnabled = true;
  Char FHotKey = u'a';
  TEdge FEdge = TEdge::Left;
  TSubObject* FSub = nullptr;
  TNotifyEvent OnChange;
  TBox FBox;
  IPtr<IInterface> FLink;
  bool FKeep = false;
  String FNote;
};

void TWidget::DeclareProperties(TClassDeclaration<TWidget>& D) {
  D.Property(u"Mask", &TWidget::FMask, &TWidget::FMask);
  D.Property(u"Color", &TWidget::FColor, &TWidget::FColor).Type(TypeInfoTColor()).Default(0x1FFFFFFF);
  D.Property(u"Shades", &TWidget::FShades, &TWidget::FShades).Default(TShades{shLight});
  D.Property(u"Size", &TWidget::FSize, &TWidget::FSize).Stored(&TWidget::IsSizeStored);
  D.Property(u"Big", &TWidget::FBig, &TWidget::FBig);
  D.Property(u"Enabled", &TWidget::FEnabled, &TWidget::FEnabled).Default(true);
  D.Property(u"HotKey", &TWidget::FHotKey, &TWidget::FHotKey);
  D.Property(u"Edge", &TWidget::FEdge, &TWidget::FEdge);
  D.Property(u"Sub", &TWidget::FSub, &TWidget::FSub);
  D.Event(u"OnChange", &TWidget::OnChange);
  D.Property(u"Box", &TWidget::FBox, &TWidget::FBox);
  D.Property(u"Link", &TWidget::FLink, &TWidget::FLink);
  D.Property(u"Note", &TWidget::FNote, &TWidget::FNote).Stored(&TWidget::FKeep).Attribute<THiddenMark>();
  // The public Secret of the base becomes published, in its inherited place.
  D.Publish(u"Secret").Default(5);
}

// A class without declarations of its own inherits its parent's list.
class TPlainWidget : public TWidget {
  ZCL_CLASS(TPlainWidget, TWidget)
};

class TCounted : public TInterfacedObject {
 public:
};

std::vector<String> Names(const std::vector<PPropInfo>& List) {
  std::vector<String> result;
  for (PPropInfo p : List) result.push_back(p->Name);
  return result;
}

class TypInfo : public ::testing::Test {
 protected:
  void SetUp() override { RegisterProperties<TPlainWidget>(); }
};
}  // namespace

TEST_F(TypInfo, PropertyListsRunInDeclarationOrderInheritedFirst) {
  EXPECT_EQ(Names(GetPropList(TBase::StaticClass())),
            (std::vector<String>{u"Caption", u"Shade", u"Left", u"Top", u"Count"}));
  const std::vector<String> widget{u"Caption", u"Shade",    u"Left", u"Top",  u"Count",   u"Secret", u"Mask",
                                   u"Color",   u"Shades",   u"Size", u"Big",  u"Enabled", u"HotKey", u"Edge",
                                   u"Sub",     u"OnChange", u"Box",  u"Link", u"Note"};
  EXPECT_EQ(Names(GetPropList(TWidget::StaticClass())), widget);
  EXPECT_EQ(Names(GetPropList(TPlainWidget::StaticClass())), widget);
  EXPECT_EQ(GetPropCount(TWidget::StaticClass()), static_cast<Integer>(widget.size()));
  EXPECT_TRUE(GetPropList(TOther::StaticClass()).empty());
  EXPECT_EQ(Names(GetPropList(TWidget::StaticClass(), TTypeKinds{tkEnumeration})),
            (std::vector<String>{u"Shade", u"Enabled", u"Edge"}));

  // Visibility: the base's Secret is public, found only when asked for.
  EXPECT_EQ(GetPropInfo(TBase::StaticClass(), u"Secret"), nullptr);
  PPropInfo secret = GetPropInfo(TBase::StaticClass(), u"secret", TMemberVisibilities{mvPublic});
  ASSERT_NE(secret, nullptr);
  EXPECT_EQ(secret->Visibility, mvPublic);
  EXPECT_EQ(Names(GetPropList(TBase::StaticClass(), TMemberVisibilities{mvPublic})), (std::vector<String>{u"Secret"}));
  EXPECT_EQ(GetPropInfo(TWidget::StaticClass(), u"Secret")->DeclaringClass, TWidget::StaticClass());
  EXPECT_EQ(GetDeclaredPropInfo(TWidget::StaticClass(), u"Caption"), nullptr);
  EXPECT_EQ(GetDeclaredPropInfo(TBase::StaticClass(), u"Caption"), GetPropInfo(TWidget::StaticClass(), u"CAPTION"));
}

TEST_F(TypInfo, TypesOfProperties) {
  TClass w = TWidget::StaticClass();
  struct TCase {
    const char16_t* Name;
    TTypeKind Kind;
    const char16_t* TypeName;
  };
  const TCase cases[] = {
      {u"Caption", tkUString, u"string"},
      {u"Shade", tkEnumeration, u"TShade"},
      {u"Left", tkInteger, u"Integer"},
      {u"Mask", tkInteger, u"Cardinal"},
      {u"Color", tkInteger, u"TColor"},
      {u"Shades", tkSet, u"set of TShade"},
      {u"Size", tkFloat, u"Double"},
      {u"Big", tkInt64, u"Int64"},
      {u"Enabled", tkEnumeration, u"Boolean"},
      {u"HotKey", tkWChar, u"Char"},
      {u"Edge", tkEnumeration, u"TEdge"},
      {u"Sub", tkClass, u"TSubObject"},
      {u"OnChange", tkMethod, u""},
      {u"Box", tkRecord, u""},
      {u"Link", tkInterface, nullptr},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(StringToUTF8(c.Name));
    PPropInfo p = GetPropInfo(w, c.Name);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->PropType->Kind, c.Kind);
    if (c.TypeName) {
      EXPECT_EQ(p->PropType->Name, c.TypeName);
    }
    EXPECT_TRUE(PropIsType(w, c.Name, c.Kind));
  }

  // Cardinal is told from Integer by its range; TColor is distinct from Integer but an alias of it.
  const TTypeData* mask = GetTypeData(GetPropInfo(w, u"Mask")->PropType);
  EXPECT_EQ(mask->MinValue, 0);
  EXPECT_EQ(mask->MaxValue, -1);
  EXPECT_EQ(mask->MaxInt64Value, 4294967295);
  EXPECT_EQ(mask->OrdType, otULong);
  PTypeInfo color = GetPropInfo(w, u"Color")->PropType;
  EXPECT_NE(color, TypeInfo<Integer>());
  EXPECT_EQ(color, TypeInfoTColor());
  EXPECT_TRUE(IsTypeOrAlias(color, TypeInfo<Integer>()));
  EXPECT_FALSE(IsTypeOrAlias(TypeInfo<Integer>(), color));
  EXPECT_EQ(GetTypeData(color)->MinValue, INT32_MIN);
  EXPECT_EQ(GetObjectPropClass(GetPropInfo(w, u"Sub")), TSubObject::StaticClass());
  EXPECT_EQ(GetTypeData(GetPropInfo(w, u"Shades")->PropType)->CompType, TypeInfo<TShade>());
  EXPECT_EQ(GetTypeData(GetPropInfo(w, u"Link")->PropType)->Guid, &IInterface::IID);
  EXPECT_EQ(GetPropInfo(w, u"Top")->Index, 1);
  EXPECT_TRUE(GetPropInfo(w, u"Count")->IsReadOnly());
  EXPECT_THROW(PropType(w, u"Nothing"), EPropertyError);

  // A declared type must be of the property's kind.
  class TBad : public TObject {
    ZCL_CLASS(TBad, TObject)
   public:
    String F;
    static void DeclareProperties(TClassDeclaration<TBad>& D) {
      D.Property(u"F", &TBad::F, &TBad::F).Type(TypeInfoTColor());
    }
  };
  EXPECT_THROW(RegisterProperties<TBad>(), EPropertyError);
  EXPECT_EQ(GetPropInfo(TBad::StaticClass(), u"F"), nullptr);
}

TEST_F(TypInfo, EnumerationAndSetNames) {
  PTypeInfo shade = TypeInfo<TShade>();
  EXPECT_EQ(GetEnumName(shade, 2), u"shDark");
  EXPECT_EQ(GetEnumName(shade, 9), u"");
  EXPECT_EQ(GetEnumValue(shade, u"SHDARK"), 2);
  EXPECT_EQ(GetEnumValue(shade, u"shGrey"), -1);
  EXPECT_EQ(GetEnumName(TypeInfo<TEdge>(), 3), u"Bottom");
  EXPECT_EQ(GetEnumName(TypeInfo<bool>(), 1), u"True");
  EXPECT_EQ(GetEnumName(TypeInfo<Integer>(), -5), u"-5");
  EXPECT_EQ(GetTypeData(shade)->MaxValue, 3);
  EXPECT_EQ(EnumHigh(shBlack), 3);

  PTypeInfo shades = TypeInfo<TShades>();
  EXPECT_EQ(SetToString(shades, 0b1010), u"shMedium,shBlack");
  EXPECT_EQ(SetToString(shades, 0b1010, true), u"[shMedium,shBlack]");
  EXPECT_EQ(SetToString(shades, 0, true), u"[]");
  EXPECT_EQ(StringToSet(shades, u"[shMedium, shblack]"), 0b1010);
  EXPECT_EQ(StringToSet(shades, u"shLight"), 0b1);
  EXPECT_EQ(StringToSet(shades, u" [ ] "), 0);
  EXPECT_THROW(StringToSet(shades, u"[shMedium,shGrey]"), EPropertyConvertError);
  EXPECT_THROW(StringToSet(shades, u"[shMedium"), EPropertyConvertError);
}

TEST_F(TypInfo, ReadAndWriteByName) {
  TWidget* w = Create<TWidget>();
  SetStrProp(w, u"caption", u"Hello");
  EXPECT_EQ(w->FCaption, u"Hello");
  EXPECT_EQ(GetStrProp(w, u"Caption"), u"Hello");
  SetOrdProp(w, u"Shade", shDark);
  EXPECT_EQ(w->FShade, shDark);
  SetEnumProp(w, u"Shade", u"shblack");
  EXPECT_EQ(GetEnumProp(w, u"Shade"), u"shBlack");
  SetEnumProp(w, u"Edge", u"Right");
  EXPECT_EQ(w->FEdge, TEdge::Right);
  SetOrdProp(w, u"Top", 42);
  EXPECT_EQ(w->FCoords[1], 42);
  EXPECT_EQ(GetOrdProp(w, u"Top"), 42);
  EXPECT_EQ(GetOrdProp(w, u"Count"), 7);

  // Unsigned 32-bit values read as non-negative; either reading of 32 bits is accepted on write.
  SetOrdProp(w, u"Mask", 4294967295);
  EXPECT_EQ(w->FMask, 0xFFFFFFFFu);
  EXPECT_EQ(GetOrdProp(w, u"Mask"), 4294967295);
  SetOrdProp(w, u"Mask", -1);
  EXPECT_EQ(GetOrdProp(w, u"Mask"), 4294967295);
  SetOrdProp(w, u"Color", 0xFF000005);
  EXPECT_EQ(w->FColor, static_cast<Integer>(0xFF000005));
  EXPECT_EQ(GetOrdProp(w, u"Color"), static_cast<Integer>(0xFF000005));

  SetSetProp(w, u"Shades", u"[shDark,shLight]");
  EXPECT_EQ(w->FShades, (TShades{shLight, shDark}));
  EXPECT_EQ(GetSetProp(w, u"Shades", true), u"[shLight,shDark]");
  EXPECT_EQ(GetOrdProp(w, u"Shades"), 0b101);
  SetFloatProp(w, u"Size", 2.5);
  EXPECT_EQ(GetFloatProp(w, u"Size"), 2.5);
  SetInt64Prop(w, u"Big", INT64_MIN);
  EXPECT_EQ(GetInt64Prop(w, u"Big"), INT64_MIN);
  SetOrdProp(w, u"Enabled", 0);
  EXPECT_FALSE(w->FEnabled);
  SetOrdProp(w, u"HotKey", u'Z');
  EXPECT_EQ(w->FHotKey, u'Z');

  TSubObject* sub = Create<TSubObject>();
  SetObjectProp(w, u"Sub", sub);
  EXPECT_EQ(w->FSub, sub);
  EXPECT_EQ(GetObjectProp(w, u"Sub"), sub);
  EXPECT_EQ(GetObjectProp(w, u"Sub", TOther::StaticClass()), nullptr);
  TOther* other = Create<TOther>();
  EXPECT_THROW(SetObjectProp(w, u"Sub", other), EInvalidCast);
  EXPECT_EQ(w->FSub, sub);
  SetObjectProp(w, u"Sub", nullptr);
  EXPECT_EQ(w->FSub, nullptr);

  TBox box{3, 4};
  PPropInfo boxProp = GetPropInfo(w, u"Box");
  SetPropAs(w, boxProp, box);
  EXPECT_EQ(GetPropAs<TBox>(w, boxProp), box);
  EXPECT_THROW(GetPropAs<Integer>(w, boxProp), EPropertyError);

  IPtr<IInterface> counted = Create<TCounted>();
  SetInterfaceProp(w, GetPropInfo(w, u"Link"), counted.get());
  EXPECT_EQ(GetInterfaceProp(w, GetPropInfo(w, u"Link")), counted);
  SetInterfaceProp(w, GetPropInfo(w, u"Link"), nullptr);
  EXPECT_EQ(w->FLink, nullptr);

  Free(other);
  Free(sub);
  Free(w);
}

TEST_F(TypInfo, MethodProperties) {
  struct TSink {
    int Calls = 0;
    void Changed(TObject*) { ++Calls; }
    void Key(Word&, bool&) {}
  } sink;
  TWidget* w = Create<TWidget>();
  TNotifyEvent handler{&sink, &TSink::Changed};
  SetMethodProp(w, u"OnChange", handler.AsMethod());
  w->OnChange(w);
  EXPECT_EQ(sink.Calls, 1);
  EXPECT_TRUE(GetMethodProp(w, u"OnChange") == handler.AsMethod());
  // A method of another event type is refused.
  TDelegate<void(Word&, bool&)> key{&sink, &TSink::Key};
  EXPECT_THROW(SetMethodProp(w, u"OnChange", key.AsMethod()), EInvalidCast);
  SetMethodProp(w, u"OnChange", TMethod());
  EXPECT_FALSE(w->OnChange);
  Free(w);
}

TEST_F(TypInfo, ErrorsLeaveTheObjectUnchanged) {
  TWidget* w = Create<TWidget>();
  TBase* base = Create<TBase>();
  EXPECT_THROW(GetOrdProp(w, u"Missing"), EPropertyError);
  try {
    SetOrdProp(w, u"Missing", 1);
    FAIL();
  } catch (const EPropertyError& e) {
    EXPECT_EQ(e.GetMessage(), u"Property Missing does not exist");
  }
  EXPECT_THROW(SetOrdProp(w, u"Count", 1), EPropReadOnly);
  EXPECT_THROW(GetStrProp(w, u"Shade"), EPropertyError);  // wrong kind
  EXPECT_THROW(SetFloatProp(w, u"Caption", 1), EPropertyError);
  EXPECT_THROW(GetOrdProp(static_cast<TObject*>(nullptr), GetPropInfo(w, u"Shade")), EArgumentNilException);
  // A property of another class.
  EXPECT_THROW(GetOrdProp(base, GetPropInfo(w, u"Mask")), EPropertyError);

  struct TRangeCase {
    const char16_t* Name;
    Int64 Value;
  };
  const TRangeCase outOfRange[] = {
      {u"Shade", 4},        {u"Shade", -1},        {u"Enabled", 2},
      {u"Shades", 0b10000}, {u"Mask", 4294967296}, {u"Left", INT32_MIN - 1LL},
  };
  for (const TRangeCase& c : outOfRange) {
    SCOPED_TRACE(StringToUTF8(c.Name));
    const Int64 before = GetOrdProp(w, c.Name);
    EXPECT_THROW(SetOrdProp(w, c.Name, c.Value), ERangeError);
    EXPECT_EQ(GetOrdProp(w, c.Name), before);
  }
  EXPECT_THROW(SetEnumProp(w, u"Shade", u"shGrey"), EPropertyConvertError);
  EXPECT_EQ(w->FShade, shMedium);
  EXPECT_EQ(w->Writes, 0);
  Free(base);
  Free(w);
}

TEST_F(TypInfo, DefaultsAndStoredTests) {
  TWidget* w = Create<TWidget>();
  TClass cls = TWidget::StaticClass();
  auto isDefault = [&](const char16_t* Name) { return IsDefaultPropertyValue(w, GetPropInfo(cls, Name)); };
  // Ordinals need a declared default; floats, strings, Int64, objects and methods default to zero.
  EXPECT_TRUE(isDefault(u"Shade"));
  EXPECT_TRUE(isDefault(u"Enabled"));
  EXPECT_TRUE(isDefault(u"Shades"));
  EXPECT_TRUE(isDefault(u"Left"));
  EXPECT_FALSE(isDefault(u"Mask"));  // nodefault
  EXPECT_FALSE(isDefault(u"Color"));
  EXPECT_TRUE(isDefault(u"Caption"));
  EXPECT_TRUE(isDefault(u"Big"));
  EXPECT_TRUE(isDefault(u"Sub"));
  EXPECT_TRUE(isDefault(u"OnChange"));
  EXPECT_FALSE(isDefault(u"Size"));    // 10, not 0
  EXPECT_FALSE(isDefault(u"Secret"));  // published with default 5
  w->FSecret = 5;
  EXPECT_TRUE(isDefault(u"Secret"));
  w->FColor = 0x1FFFFFFF;
  EXPECT_TRUE(isDefault(u"Color"));
  w->FShade = shDark;
  w->FShades = {};
  w->FCaption = u"x";
  EXPECT_FALSE(isDefault(u"Shade"));
  EXPECT_FALSE(isDefault(u"Shades"));
  EXPECT_FALSE(isDefault(u"Caption"));
  EXPECT_TRUE(GetPropInfo(cls, u"Mask")->IsNoDefault());

  // Against an ancestor: equal values are not written.
  TWidget* ancestor = Create<TWidget>();
  ancestor->FShade = shDark;
  ancestor->FCaption = u"x";
  EXPECT_TRUE(IsDefaultPropertyValue(w, GetPropInfo(cls, u"Shade"), ancestor));
  EXPECT_TRUE(IsDefaultPropertyValue(w, GetPropInfo(cls, u"Caption"), ancestor));
  EXPECT_FALSE(IsDefaultPropertyValue(w, GetPropInfo(cls, u"Shades"), ancestor));

  // Stored: constant, method, field.
  EXPECT_TRUE(IsStoredProp(w, u"Caption"));
  EXPECT_FALSE(IsStoredProp(w, u"Size"));
  w->FSize = 3;
  EXPECT_TRUE(IsStoredProp(w, u"Size"));
  EXPECT_FALSE(IsStoredProp(w, u"Note"));
  w->FKeep = true;
  EXPECT_TRUE(IsStoredProp(w, u"Note"));
  EXPECT_EQ(GetPropInfo(cls, u"Size")->StoredKind, TStoredKind::Method);
  EXPECT_EQ(GetPropInfo(cls, u"Note")->StoredKind, TStoredKind::Field);
  Free(ancestor);
  Free(w);
}

TEST_F(TypInfo, Attributes) {
  PPropInfo note = GetPropInfo(TWidget::StaticClass(), u"Note");
  EXPECT_NE(note->GetAttribute(THiddenMark::StaticClass()), nullptr);
  EXPECT_NE(note->GetAttribute(TCustomAttribute::StaticClass()), nullptr);
  EXPECT_EQ(GetPropInfo(TWidget::StaticClass(), u"Caption")->GetAttribute(TCustomAttribute::StaticClass()), nullptr);
}

namespace {
class TRecordHolder : public TObject {
  ZCL_CLASS(TRecordHolder, TObject)
 public:
  Variant FAny;
  TDateTime FWhen;
  UInt64 FHuge = 0;
  static void DeclareProperties(TClassDeclaration<TRecordHolder>& D) {
    D.Property(u"Any", &TRecordHolder::FAny, &TRecordHolder::FAny);
    D.Property(u"When", &TRecordHolder::FWhen, &TRecordHolder::FWhen);
    D.Property(u"Huge", &TRecordHolder::FHuge, &TRecordHolder::FHuge);
  }
};
}  // namespace

TEST_F(TypInfo, VariantValues) {
  RegisterProperties<TRecordHolder>();
  TWidget* w = Create<TWidget>();
  w->FMask = 4294967295u;
  w->FShades = {shMedium, shBlack};
  // Reading: names when strings are preferred, numbers otherwise.
  EXPECT_EQ(GetPropValue(w, u"Mask").AsInt64(), 4294967295);
  EXPECT_EQ(GetPropValue(w, u"Shade").AsString(), u"shMedium");
  EXPECT_EQ(GetPropValue(w, u"Shade", false).AsInteger(), 1);
  EXPECT_EQ(GetPropValue(w, u"Enabled").AsString(), u"True");
  EXPECT_EQ(GetPropValue(w, u"Enabled", false).VarType(), varBoolean);
  EXPECT_EQ(GetPropValue(w, u"Shades").AsString(), u"shMedium,shBlack");
  EXPECT_EQ(GetPropValue(w, u"Size").AsDouble(), 10.0);
  EXPECT_EQ(GetPropValue(w, u"Caption").VarType(), varUString);
  EXPECT_THROW(GetPropValue(w, u"OnChange"), EPropertyConvertError);

  // Writing: text names values and elements; numbers convert; Booleans take any non-zero.
  SetPropValue(w, u"Shade", Variant(u"shDark"));
  SetPropValue(w, u"Edge", Variant(2));
  SetPropValue(w, u"Shades", Variant(u"[shLight]"));
  SetPropValue(w, u"Left", Variant(u"$10"));
  SetPropValue(w, u"Enabled", Variant(0.0));
  SetPropValue(w, u"HotKey", Variant(u"Q"));
  SetPropValue(w, u"Size", Variant(u"7"));
  SetPropValue(w, u"Caption", Variant(12));
  SetPropValue(w, u"Mask", Variant(4294967295u));
  EXPECT_EQ(w->FShade, shDark);
  EXPECT_EQ(w->FEdge, TEdge::Right);
  EXPECT_EQ(w->FShades, TShades{shLight});
  EXPECT_EQ(w->FCoords[0], 16);
  EXPECT_FALSE(w->FEnabled);
  EXPECT_EQ(w->FHotKey, u'Q');
  EXPECT_EQ(w->FSize, 7.0);
  EXPECT_EQ(w->FCaption, u"12");
  EXPECT_EQ(w->FMask, 4294967295u);
  SetPropValue(w, u"Enabled", Variant(-1.2));
  EXPECT_TRUE(w->FEnabled);
  // Bad values change nothing.
  EXPECT_THROW(SetPropValue(w, u"Left", Variant(u"ten")), EVariantTypeCastError);
  EXPECT_THROW(SetPropValue(w, u"Shade", Variant(u"shGrey")), EPropertyConvertError);
  EXPECT_THROW(SetPropValue(w, u"Shade", Variant(9)), ERangeError);
  EXPECT_THROW(SetPropValue(w, u"HotKey", Variant(u"QR")), EPropertyConvertError);
  EXPECT_THROW(SetPropValue(w, u"Sub", Variant(1)), EPropertyConvertError);
  EXPECT_EQ(w->FCoords[0], 16);
  EXPECT_EQ(w->FShade, shDark);

  TRecordHolder* h = Create<TRecordHolder>();
  SetPropValue(h, u"Any", Variant(u"free"));
  EXPECT_EQ(h->FAny.AsString(), u"free");
  EXPECT_EQ(GetVariantProp(h, u"Any").AsString(), u"free");
  SetFloatProp(h, u"When", 45000.5);
  EXPECT_EQ(GetPropValue(h, u"When").VarType(), varDate);
  SetPropValue(h, u"Huge", Variant(UINT64_MAX));
  EXPECT_EQ(h->FHuge, UINT64_MAX);
  EXPECT_EQ(GetPropValue(h, u"Huge").AsUInt64(), UINT64_MAX);
  EXPECT_FALSE(IsDefaultPropertyValue(h, GetPropInfo(h, u"Any")));
  h->FAny.Clear();
  EXPECT_TRUE(IsDefaultPropertyValue(h, GetPropInfo(h, u"Any")));
  Free(h);
  Free(w);
}
