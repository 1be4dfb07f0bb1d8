#include <gtest/gtest.h>

#include <clocale>

#include "rtl/RTL.Exceptions.h"
#include "zcl/ui/ZCL.Utils.RTTI.h"

enum TRttiTestKind : Byte { rkNone, rkOne, rkTwo, rkThree };
ZCL_ENUM(TRttiTestKind, rkNone, rkOne, rkTwo, rkThree);

namespace {

class TRttiTestFont : public TPersistent {
  ZCL_CLASS(TRttiTestFont, TPersistent)
 public:
  String FName = u"Sans";
  static void DeclareProperties(TClassDeclaration<TRttiTestFont>& D) {
    D.Property(u"Name", &TRttiTestFont::FName, &TRttiTestFont::FName);
  }
};

class TRttiTestObject : public TPersistent {
  ZCL_CLASS(TRttiTestObject, TPersistent)
 public:
  TRttiTestObject() { FFont = new TRttiTestFont; }
  ~TRttiTestObject() override { Free(FFont); }
  TRttiTestKind FKind = rkNone;
  double FRatio = 0;
  bool FFlag = false;
  Cardinal FMask = 0;
  String FCaption;
  Integer FSecret = 0;
  TRttiTestFont* FFont;
  TRttiTestFont* FEmpty = nullptr;
  String GetCaption() const { return FCaption; }
  Integer GetCount() const { return 3; }
  static void DeclareProperties(TClassDeclaration<TRttiTestObject>& D) {
    D.Property(u"Kind", &TRttiTestObject::FKind, &TRttiTestObject::FKind).Default(rkNone);
    D.Property(u"Ratio", &TRttiTestObject::FRatio, &TRttiTestObject::FRatio);
    D.Property(u"Flag", &TRttiTestObject::FFlag, &TRttiTestObject::FFlag).Default(false);
    D.Property(u"Mask", &TRttiTestObject::FMask, &TRttiTestObject::FMask).Default(0u).Attribute<HiddenAttribute>();
    D.Property(u"Caption", &TRttiTestObject::GetCaption);
    D.Property(u"Font", &TRttiTestObject::FFont);
    D.Property(u"Empty", &TRttiTestObject::FEmpty);
    D.Property(u"Secret", &TRttiTestObject::FSecret, &TRttiTestObject::FSecret).Visibility(mvPublic);
    D.Property(u"Count", &TRttiTestObject::GetCount);
  }
};

class TRttiPlain : public TObject {
  ZCL_CLASS(TRttiPlain, TObject)
};

class RTTI : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterProperties<TRttiTestObject>();
    RegisterProperties<TRttiTestFont>();
  }
  TRttiTestObject Obj;
};

TEST_F(RTTI, LookupByVisibilityAndPath) {
  std::vector<PPropInfo> list;
  TRttiPlain plain;
  EXPECT_FALSE(TRTTI::GetPropList(&plain, list));
  EXPECT_TRUE(list.empty());
  ASSERT_TRUE(TRTTI::GetPropList(&Obj, list));
  EXPECT_EQ(list.front()->Name, u"Kind");

  EXPECT_NE(TRTTI::GetPropInfo(&Obj, u"Kind"), nullptr);
  EXPECT_EQ(TRTTI::GetPropInfo(&Obj, u"Secret"), nullptr);
  EXPECT_NE(TRTTI::GetPropInfo(&Obj, u"Secret", {mvPublic}), nullptr);
  EXPECT_EQ(TRTTI::GetPropInfo(&Obj, u"secret", {mvPublic}), nullptr);  // extended lookup is exact
  try {
    TRTTI::GetPropInfo(&plain, u"X", {mvPublic});
    FAIL();
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.GetMessage(), u"The TRttiPlain has no RTTI info");
  }

  TObject* target = &Obj;
  PPropInfo p = TRTTI::GetPropInfoByPath(target, u"Font.Name");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(target, Obj.FFont);
  EXPECT_EQ(TRTTI::GetPropValueAsString(target, p), u"Sans");

  struct Bad {
    const char16_t* Path;
    const char16_t* Message;
  } bad[] = {
      {u"Caption.Length", u"Invalid property type: TRttiTestObject.Caption"},
      {u"Nope", u"Unknown property TRttiTestObject.Nope"},
      {u"Font.Nope", u"Unknown property TRttiTestFont.Nope"},
      {u"Empty.Name", u"Property TRttiTestObject.Empty is not assigned"},
  };
  for (const Bad& b : bad) {
    target = &Obj;
    try {
      TRTTI::GetPropInfoByPath(target, b.Path);
      ADD_FAILURE() << "no error for " << String(b.Path).size();
    } catch (const EPropertyError& e) {
      EXPECT_EQ(e.GetMessage(), b.Message);
    }
  }
}

TEST_F(RTTI, WritesFromTextAndVariants) {
  TRTTI::SetPropValueFromString(&Obj, u"Kind", u"2");
  EXPECT_EQ(Obj.FKind, rkTwo);
  TRTTI::SetPropValueFromString(&Obj, u"Kind", u"rkThree");
  EXPECT_EQ(Obj.FKind, rkThree);
  EXPECT_THROW(TRTTI::SetPropValueFromString(&Obj, u"Kind", u"7"), EPropertyConvertError);
  EXPECT_THROW(TRTTI::SetPropValueFromString(&Obj, u"Kind", u"bogus"), EPropertyConvertError);
  EXPECT_EQ(Obj.FKind, rkThree);
  TRTTI::SetPropValueFromString(&Obj, u"Nothing", u"1");  // unknown names do nothing

  const char* saved = std::setlocale(LC_NUMERIC, nullptr);
  std::string savedLocale = saved ? saved : "C";
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  TRTTI::SetPropValueFromString(&Obj, u"Ratio", u"1.5");
  std::setlocale(LC_NUMERIC, savedLocale.c_str());
  EXPECT_DOUBLE_EQ(Obj.FRatio, 1.5);
  EXPECT_EQ(TRTTI::GetPropValueAsString(&Obj, u"Ratio"), u"1.5");

  PPropInfo flag = TRTTI::GetPropInfo(&Obj, u"Flag");
  TRTTI::SetPropValue(&Obj, flag, Variant(0.7));
  EXPECT_FALSE(Obj.FFlag);
  TRTTI::SetPropValue(&Obj, flag, Variant(-1.2));
  EXPECT_TRUE(Obj.FFlag);
  EXPECT_TRUE(TRTTI::IsBooleanProp(flag));

  PPropInfo caption = TRTTI::GetPropInfo(&Obj, u"Caption");
  try {
    TRTTI::SetPropValueFromString(&Obj, caption, u"x");
    FAIL();
  } catch (const EPropReadOnly& e) {
    EXPECT_EQ(e.GetMessage(), u"The Caption is read only");
  }
  EXPECT_THROW(TRTTI::SetPropValue(&Obj, caption, Variant(String(u"x"))), EPropReadOnly);
}

TEST_F(RTTI, UnsignedStoringAndAttributes) {
  PPropInfo mask = TRTTI::GetPropInfo(&Obj, u"Mask");
  EXPECT_TRUE(TRTTI::IsUnsignedProp(mask));
  EXPECT_FALSE(TRTTI::IsUnsignedProp(TRTTI::GetPropInfo(&Obj, u"Kind")));
  EXPECT_FALSE(TRTTI::ShouldStore(&Obj, mask));
  Obj.FMask = 4294967295u;
  EXPECT_EQ(TRTTI::GetPropValueAsString(&Obj, u"Mask"), u"4294967295");
  EXPECT_TRUE(TRTTI::ShouldStore(&Obj, mask));

  EXPECT_NE(TRTTI::GetAttribute(&Obj, mask, HiddenAttribute::StaticClass()), nullptr);
  // No attributes: answered without the extended information, so a plain object is fine.
  TRttiPlain plain;
  EXPECT_EQ(TRTTI::GetAttribute(&plain, TRTTI::GetPropInfo(&Obj, u"Kind"), HiddenAttribute::StaticClass()), nullptr);

  EXPECT_EQ(TRTTI::GetObjectProp(&Obj, u"Font"), Obj.FFont);
  EXPECT_EQ(TRTTI::GetObjectProp(&Obj, u"Font", TRttiTestObject::StaticClass()), nullptr);
  EXPECT_EQ(TRTTI::GetObjectProp(&Obj, u"Kind"), nullptr);

  std::vector<TRttiTestFont*> fonts;
  TRTTI::EnumClassProperties<TRttiTestFont>(&Obj, [&](TRttiTestFont* F) { fonts.push_back(F); }, false);
  EXPECT_EQ(fonts, std::vector<TRttiTestFont*>{Obj.FFont});
}

}  // namespace
