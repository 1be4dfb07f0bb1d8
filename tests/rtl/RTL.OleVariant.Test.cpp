#include "rtl/RTL.OleVariant.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "rtl/RTL.Variant.h"

namespace {

// Frees what it holds when the test ends.
struct TOle {
  VARIANT V;
  TOle() { VariantInit(&V); }
  ~TOle() { VariantClear(&V); }
};

TEST(OleVariantTest, LayoutIsTheAbis) {
  EXPECT_EQ(offsetof(VARIANT, vt), 0u);
  EXPECT_EQ(offsetof(VARIANT, lVal), 8u);
  EXPECT_EQ(offsetof(VARIANT, bstrVal), 8u);
  EXPECT_EQ(sizeof(VARIANT), 8 + 2 * sizeof(void*));
}

TEST(OleVariantTest, StringsAreLengthPrefixedAndMayHoldZeros) {
  const char16_t text[] = {u'a', 0, u'b'};
  BSTR s = SysAllocStringLen(text, 3);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SysStringLen(s), 3u);
  uint32_t prefix;
  std::memcpy(&prefix, reinterpret_cast<const char*>(s) - 4, 4);
  EXPECT_EQ(prefix, 6u);  // bytes
  EXPECT_EQ(s[1], 0);
  EXPECT_EQ(s[2], u'b');
  EXPECT_EQ(s[3], 0);  // terminated
  SysFreeString(s);

  s = SysAllocString(u"xyz");
  EXPECT_EQ(SysStringLen(s), 3u);
  SysFreeString(s);
  s = SysAllocStringLen(nullptr, 2);  // room, zeroed
  EXPECT_EQ(SysStringLen(s), 2u);
  EXPECT_EQ(s[0], 0);
  SysFreeString(s);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);
  EXPECT_EQ(SysAllocStringLen(u"", 0x80000000u), nullptr);  // beyond the length prefix
}

TEST(OleVariantTest, EveryKindRoundTrips) {
  struct TCase {
    const char* Name;
    Variant Value;
    VARTYPE Tag;
  };
  const TCase cases[] = {
      {"empty", Variant(), VT_EMPTY},
      {"int32", Variant(-7), VT_I4},
      {"int32 max", Variant(INT32_MAX), VT_I4},
      {"int64", Variant(static_cast<long long>(1) << 40), VT_I8},
      {"small int64", Variant(5LL), VT_I8},
      {"double", Variant(2.5), VT_R8},
      {"true", Variant(true), VT_BOOL},
      {"false", Variant(false), VT_BOOL},
      {"string", Variant(String(u"h\u00e9llo")), VT_BSTR},
      {"empty string", Variant(String()), VT_BSTR},
      {"string with a zero", Variant(String(u"a\0b", 3)), VT_BSTR},
  };
  for (const TCase& c : cases) {
    TOle ole;
    VariantToOleVariant(c.Value, ole.V);
    EXPECT_EQ(ole.V.vt, c.Tag) << c.Name;
    const Variant back = OleVariantToVariant(ole.V);
    EXPECT_EQ(back.VarType(), c.Value.VarType()) << c.Name;
    if (!c.Value.IsEmpty()) {
      EXPECT_EQ(back.AsString(), c.Value.AsString()) << c.Name;
    }
    TOle copy;  // a copy owns its own string
    ASSERT_EQ(VariantCopy(&copy.V, &ole.V), S_OK) << c.Name;
    if (c.Tag == VT_BSTR && SysStringLen(ole.V.bstrVal)) EXPECT_NE(copy.V.bstrVal, ole.V.bstrVal);
    EXPECT_EQ(OleVariantToVariant(copy.V).AsString(), back.AsString()) << c.Name;
  }
}

TEST(OleVariantTest, OtherKindsConvertOrRefuse) {
  struct TCase {
    const char* Name;
    Variant Value;
    VARTYPE Tag;
  };
  const TCase cases[] = {
      {"null", Null(), VT_EMPTY},
      {"byte", Variant(static_cast<unsigned char>(200)), VT_I4},
      {"long word", Variant(4000000000u), VT_I8},
      {"single", Variant(1.5f), VT_R8},
      {"currency", Variant(Currency::FromDouble(1.25)), VT_R8},
      {"date", Variant(TDateTime(2.25)), VT_R8},
  };
  for (const TCase& c : cases) {
    TOle ole;
    VariantToOleVariant(c.Value, ole.V);
    EXPECT_EQ(ole.V.vt, c.Tag) << c.Name;
  }
  TOle ole;
  VariantToOleVariant(Variant(String(u"x")), ole.V);
  EXPECT_THROW(VariantToOleVariant(Variant(~0ULL), ole.V), EVariantOverflowError);
  EXPECT_EQ(ole.V.vt, VT_EMPTY);  // the old string was freed, nothing half-made is left
  EXPECT_THROW(VariantToOleVariant(VarArrayCreate({0, 1}, varInteger), ole.V), EVariantBadVarTypeError);

  VARIANT unknown;
  VariantInit(&unknown);
  unknown.vt = 0x4242;
  EXPECT_THROW(OleVariantToVariant(unknown), EVariantBadVarTypeError);
  EXPECT_EQ(VariantClear(&unknown), DISP_E_BADVARTYPE);  // not ours to free
  EXPECT_EQ(VariantCopy(&ole.V, &unknown), DISP_E_BADVARTYPE);
  EXPECT_EQ(VariantCopy(nullptr, &unknown), E_INVALIDARG);

  VARIANT truthy;  // any nonzero boolean from a plugin is True
  VariantInit(&truthy);
  truthy.vt = VT_BOOL;
  truthy.boolVal = 1;
  EXPECT_TRUE(OleVariantToVariant(truthy).AsBoolean());
  VARIANT nullString;  // a null BSTR is the empty text
  VariantInit(&nullString);
  nullString.vt = VT_BSTR;
  EXPECT_EQ(OleVariantToVariant(nullString).AsString(), u"");
}

}  // namespace
