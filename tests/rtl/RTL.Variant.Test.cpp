#include "rtl/RTL.Variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "rtl/RTL.FormatSettings.h"
#include "rtl/RTL.Numbers.h"

namespace {
std::string Narrow(const String& s) { return StringToUTF8(s); }

// "Type:Value" of a value, so one string shows kind and value in a table. Reals are printed
// here rather than through the float formatting, which has tests of its own.
std::string Show(const Variant& v) {
  const std::string type = Narrow(VarTypeAsText(v.VarType())) + ":";
  const TVarType t = v.VarType();
  if (t == varSingle || t == varDouble || t == varCurrency) {
    char text[40];
    snprintf(text, sizeof text, t == varSingle ? "%.7g" : "%.15g", v.AsDouble());
    return type + text;
  }
  return type + (v.IsArray() ? std::string("[]") : Narrow(VarToStr(v)));
}

// Variant conversions of text follow the process-wide settings: pin them.
class VariantTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FSaved = FormatSettings;
    FormatSettings = TFormatSettings::Invariant();
  }
  void TearDown() override { FormatSettings = FSaved; }

 private:
  TFormatSettings FSaved;
};

template <typename E, typename F>
String MessageOf(F&& f) {
  try {
    f();
  } catch (const E& e) {
    return e.GetMessage();
  } catch (const Exception& e) {
    return u"wrong class " + e.ClassName() + u": " + e.GetMessage();
  }
  return u"no exception";
}
}  // namespace

TEST_F(VariantTest, KindsAndClassification) {
  struct {
    Variant v;
    TVarType type;
    bool ordinal, flt, str;
  } cases[] = {
      {Variant(), varEmpty, false, false, false},
      {Null(), varNull, false, false, false},
      {Variant(true), varBoolean, true, false, false},
      {Variant(ShortInt(-5)), varShortInt, true, false, false},
      {Variant(Byte(5)), varByte, true, false, false},
      {Variant(SmallInt(5)), varSmallint, true, false, false},
      {Variant(Word(5)), varWord, true, false, false},
      {Variant(5), varInteger, true, false, false},
      {Variant(5u), varLongWord, true, false, false},
      {Variant(Int64(5)), varInt64, true, false, false},
      {Variant(UInt64(5)), varUInt64, true, false, false},
      {Variant(1.5f), varSingle, false, true, false},
      {Variant(1.5), varDouble, false, true, false},
      {Variant(Currency::FromDouble(1.5)), varCurrency, false, true, false},
      {Variant(TDateTime(1.5)), varDate, false, false, false},
      {Variant(u"x"), varUString, false, false, true},
      {Variant("x"), varUString, false, false, true},
      {Variant(String(u"x")), varUString, false, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Show(c.v));
    EXPECT_EQ(VarType(c.v), c.type);
    EXPECT_EQ(VarIsOrdinal(c.v), c.ordinal);
    EXPECT_EQ(VarIsFloat(c.v), c.flt);
    EXPECT_EQ(VarIsNumeric(c.v), c.ordinal || c.flt);
    EXPECT_EQ(VarIsStr(c.v), c.str);
  }
  EXPECT_TRUE(VarIsClear(Null()) && VarIsClear(Unassigned()) && !VarIsClear(Variant(0)));
  EXPECT_TRUE(VarIsNull(Null()) && VarIsEmpty(Unassigned()));
  Variant v = 5;
  v.Clear();
  EXPECT_TRUE(VarIsEmpty(v));
}

TEST_F(VariantTest, Conversions) {
  struct {
    Variant v;
    const char* asString;
    Int64 asInt;
    double asDouble;
    bool asBool;
  } cases[] = {
      {Variant(), "", 0, 0, false},
      {Variant(true), "True", -1, -1, true},
      {Variant(false), "False", 0, 0, false},
      {Variant(42), "42", 42, 42, true},
      {Variant(2.5), "2.5", 2, 2.5, true},  // halves round to even
      {Variant(3.5), "3.5", 4, 3.5, true},
      {Variant(-2.5), "-2.5", -2, -2.5, true},
      {Variant(0.1f), "0.1", 0, 0.1f, true},
      {Variant(Currency::FromDouble(12.345)), "12.345", 12, 12.345, true},
      {Variant(Currency::FromDouble(0.5)), "0.5", 0, 0.5, true},
      {Variant(Currency::FromDouble(1.5)), "1.5", 2, 1.5, true},
      {Variant(u" 17"), " 17", 17, 17, true},
      {Variant(u"$1F"), "$1F", 31, 31, true},
      {Variant(u"2.5"), "2.5", 2, 2.5, true},
      {Variant(u"1e3"), "1e3", 1000, 1000, true},
      {Variant(u"0"), "0", 0, 0, false},
      {Variant(UInt64(18446744073709551615ull)), "18446744073709551615", 0, 1.8446744073709552e19, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Show(c.v));
    EXPECT_EQ(Narrow(c.v.AsString()), c.asString);
    if (c.v.VarType() != varUInt64) {
      EXPECT_EQ(c.v.AsInt64(), c.asInt);
    }
    EXPECT_DOUBLE_EQ(c.v.AsDouble(), c.asDouble);
    EXPECT_EQ(c.v.AsBoolean(), c.asBool);
  }
  EXPECT_TRUE(Variant(u"TRUE").AsBoolean());
  EXPECT_FALSE(Variant(u"false").AsBoolean());
  EXPECT_EQ(Variant(u"true").AsString(), u"true");
  EXPECT_EQ(Variant(-1.5).AsInteger(), -2);
  EXPECT_EQ(Variant(Currency::FromDouble(2.5)).AsInteger(), 2);
  EXPECT_EQ(Variant(Currency::FromDouble(-3.5)).AsInt64(), -4);
  EXPECT_EQ(Currency::FromDouble(1.23456).Scaled, 12346);
  EXPECT_EQ(Currency::FromDouble(-1.23454).Scaled, -12345);

  // Dates: text keeps only the parts that are there.
  EXPECT_EQ(VarToStr(Variant(EncodeDate(2024, 3, 5))), u"03/05/2024");
  EXPECT_EQ(VarToStr(Variant(EncodeTime(14, 7, 9, 0))), u"14:07:09");
  EXPECT_EQ(VarToStr(Variant(EncodeDateTime(2024, 3, 5, 14, 7, 9, 0))), u"03/05/2024 14:07:09");
  EXPECT_EQ(Variant(u"03/05/2024").AsDate().Value, EncodeDate(2024, 3, 5).Value);
  EXPECT_EQ(Variant(u"45000.5").AsDate().Value, 45000.5);

  EXPECT_EQ(VarToStr(Null()), u"");
  EXPECT_EQ(VarToStrDef(Null(), u"-"), u"-");

  EXPECT_EQ(VarType(VarAsType(Variant(u"12"), varByte)), varByte);
  EXPECT_EQ(VarAsType(Variant(u"12"), varByte).AsInteger(), 12);
  EXPECT_EQ(VarType(VarAsType(Variant(7), varOleStr)), varUString);
  EXPECT_EQ(VarAsType(Variant(2.5), varSmallint).AsInteger(), 2);
  EXPECT_TRUE(VarIsEmpty(VarAsType(Variant(3), varEmpty)));
  EXPECT_EQ(static_cast<Integer>(Variant(u"9")), 9);
  EXPECT_EQ(static_cast<String>(Variant(9)), u"9");
}

TEST_F(VariantTest, ConversionErrors) {
  using C = EVariantTypeCastError;
  using O = EVariantOverflowError;
  EXPECT_EQ(MessageOf<C>([] { Variant(u"abc").AsInteger(); }),
            u"Could not convert variant of type (UnicodeString) into type (Integer)");
  EXPECT_EQ(MessageOf<C>([] { Variant(u"12abc").AsDouble(); }),
            u"Could not convert variant of type (UnicodeString) into type (Double)");
  EXPECT_EQ(MessageOf<C>([] { Variant(u"yes").AsBoolean(); }),
            u"Could not convert variant of type (UnicodeString) into type (Boolean)");
  EXPECT_EQ(MessageOf<C>([] { Null().AsString(); }),
            u"Could not convert variant of type (Null) into type (UnicodeString)");
  EXPECT_EQ(MessageOf<C>([] { Null().AsInteger(); }), u"Could not convert variant of type (Null) into type (Integer)");
  EXPECT_EQ(MessageOf<C>([] { Variant(u"soon").AsDate(); }),
            u"Could not convert variant of type (UnicodeString) into type (Date)");
  EXPECT_EQ(MessageOf<C>([] { VarArrayOf({1}).AsString(); }),
            u"Could not convert variant of type (Array Variant) into type (UnicodeString)");
  EXPECT_EQ(MessageOf<C>([] { Variant(u"").AsInteger(); }),
            u"Could not convert variant of type (UnicodeString) into type (Integer)");
  EXPECT_EQ(MessageOf<O>([] { Variant(Int64(1) << 40).AsInteger(); }),
            u"Range check error while converting variant of type (Int64) into type (Integer)");
  EXPECT_EQ(MessageOf<O>([] { Variant(1e300).AsInt64(); }),
            u"Range check error while converting variant of type (Double) into type (Int64)");
  EXPECT_EQ(MessageOf<O>([] { Variant(double(NAN)).AsInteger(); }),
            u"Range check error while converting variant of type (Double) into type (Integer)");
  EXPECT_EQ(MessageOf<O>([] { VarAsType(Variant(300), varByte); }),
            u"Range check error while converting variant of type (Integer) into type (Byte)");
  EXPECT_EQ(MessageOf<O>([] { VarAsType(Variant(-1), varUInt64); }),
            u"Range check error while converting variant of type (Integer) into type (UInt64)");
  EXPECT_EQ(MessageOf<O>([] { Variant(1e300).AsCurrency(); }),
            u"Range check error while converting variant of type (Double) into type (Currency)");
  EXPECT_EQ(MessageOf<EVariantBadVarTypeError>([] { VarAsType(Variant(1), 0x77); }), u"Invalid variant type");
  EXPECT_EQ(VarTypeAsText(0x77), u"$0077");
}

TEST_F(VariantTest, ArithmeticOfMixedKinds) {
  const Variant i = 7, s = u"3", b = true, d = 2.5, e, n = Null(), big = MaxInt;
  const Variant i64 = Int64(5), c = Currency::FromDouble(1.25), dt = TDateTime(10.5), w = Word(2);
  struct {
    Variant result;
    const char* expected;
  } cases[] = {
      {i + i, "Integer:14"},
      {i + w, "Integer:9"},
      {i + i64, "Int64:12"},
      {big + 1, "Int64:2147483648"},                           // Integer overflow -> Int64
      {Variant(MaxInt64) + 1, "Double:9.22337203685478e+18"},  // Int64 overflow -> Double
      {Variant(-MaxInt - 1) * -1, "Int64:2147483648"},
      {i - 10, "Integer:-3"},
      {i * d, "Double:17.5"},
      {i + s, "Double:10"},  // string + number is a number
      {s + i, "Double:10"},
      {s + Variant(u"4"), "UnicodeString:34"},  // two strings join
      {e + s, "UnicodeString:3"},
      {s - Variant(u"4"), "Double:-1"},
      {e + i, "Integer:7"},
      {e + e, "Empty:"},
      {b + 1, "Integer:0"},  // True is -1
      {b * b, "Integer:1"},
      {n + i, "Null:"},
      {s * n, "Null:"},
      {i / 2, "Double:3.5"},  // "/" is always real
      {Variant(6) / 3, "Double:2"},
      {c + i, "Currency:8.25"},
      {c * c, "Currency:1.5625"},
      {c * Variant(0.5), "Double:0.625"},
      {dt + 1, "Date:01/10/1900 12:00:00"},
      {dt - 0.5, "Date:01/09/1900"},
      {dt - Variant(TDateTime(0.5)), "Double:10"},
      {Variant(1.5f) + Variant(1.5f), "Double:3"},
      {VarIntDiv(i, 2), "Integer:3"},
      {VarIntDiv(Variant(-7), 2), "Integer:-3"},
      {VarMod(Variant(-7), 2), "Integer:-1"},
      {VarIntDiv(Variant(7.5), 2), "Int64:4"},  // 7.5 rounds to 8
      {VarIntDiv(s, 2), "Int64:1"},
      {VarMod(i64, 4), "Int64:1"},
      {VarMod(n, 4), "Null:"},
      {-i, "Integer:-7"},
      {-Variant(-MaxInt - 1), "Int64:2147483648"},
      {-d, "Double:-2.5"},
      {-s, "Double:-3"},
      {-c, "Currency:-1.25"},
      {-n, "Null:"},
      {VarAnd(b, Variant(false)), "Boolean:False"},
      {VarOr(b, Variant(u"false")), "Boolean:True"},
      {VarXor(b, b), "Boolean:False"},
      {VarAnd(Variant(12), 10), "Integer:8"},
      {VarOr(Variant(12), 3), "Integer:15"},
      {VarXor(Variant(12), Int64(10)), "Int64:6"},
      {VarAnd(b, 6), "Integer:6"},  // Boolean with a number: bitwise, True = -1
      {VarNot(b), "Boolean:False"},
      {VarNot(Variant(0)), "Integer:-1"},
      {VarNot(Variant(u"True")), "Boolean:False"},
      {VarNot(n), "Null:"},
  };
  for (size_t k = 0; k < std::size(cases); ++k) EXPECT_EQ(Show(cases[k].result), cases[k].expected) << "case " << k;

  Variant acc = 1;
  acc += 2;
  acc *= u"4";
  EXPECT_EQ(Show(acc), "Double:12");

  EXPECT_EQ(MessageOf<EVariantTypeCastError>([&] { i + Variant(u"x"); }),
            u"Could not convert variant of type (UnicodeString) into type (Double)");
  EXPECT_THROW(i / 0, EZeroDivide);
  EXPECT_THROW(Variant(0) / 0, EInvalidOp);
  EXPECT_THROW(VarIntDiv(i, 0), EDivByZero);
  EXPECT_THROW(VarMod(i, Variant(u"0")), EDivByZero);
  EXPECT_EQ(MessageOf<EVariantInvalidOpError>([&] { VarArrayOf({1}) + i; }), u"Invalid variant operation");
  EXPECT_THROW(Variant(Currency::FromScaled(MaxInt64)) + Variant(Currency::FromScaled(1)), EVariantOverflowError);
}

TEST_F(VariantTest, Comparison) {
  struct {
    Variant a, b;
    TVariantRelationship r;
  } cases[] = {
      {1, 2, vrLessThan},
      {2, 1.5, vrGreaterThan},
      {Variant(Int64(1) << 40), 1e12, vrGreaterThan},
      {Variant(UInt64(18446744073709551615ull)), -1, vrGreaterThan},
      {Variant(UInt64(18446744073709551615ull)), Variant(UInt64(18446744073709551615ull)), vrEqual},
      {Variant(MaxInt64), Variant(MaxInt64 - 1), vrGreaterThan},  // exact, not through doubles
      {u"10", 9, vrGreaterThan},                                  // the string takes the number's kind
      {u"abc", u"abd", vrLessThan},
      {u"abc", u"abc", vrEqual},
      {u"", Variant(), vrEqual},
      {Variant(), 0, vrEqual},
      {Variant(), Variant(), vrEqual},
      {true, -1, vrEqual},
      {false, true, vrLessThan},
      {true, 0, vrLessThan},
      {true, u"TRUE", vrEqual},
      {Null(), Null(), vrEqual},
      {Null(), -1000, vrLessThan},
      {u"", Null(), vrGreaterThan},
      {Null(), Variant(), vrLessThan},
      {Variant(TDateTime(2.5)), 2.5, vrEqual},
      {Variant(EncodeDate(2024, 3, 5)), u"03/05/2024", vrEqual},
      {Variant(Currency::FromDouble(1.25)), 1.25, vrEqual},
      {double(NAN), 1, vrNotEqual},
  };
  for (size_t k = 0; k < std::size(cases); ++k) {
    EXPECT_EQ(VarCompareValue(cases[k].a, cases[k].b), cases[k].r) << "case " << k;
    // The relation reversed.
    const TVariantRelationship back = VarCompareValue(cases[k].b, cases[k].a);
    const TVariantRelationship expected = cases[k].r == vrLessThan      ? vrGreaterThan
                                          : cases[k].r == vrGreaterThan ? vrLessThan
                                                                        : cases[k].r;
    EXPECT_EQ(back, expected) << "case " << k;
  }
  EXPECT_TRUE(Variant(1) == 1.0);
  EXPECT_TRUE(Variant(1) != 2);
  EXPECT_TRUE(Variant(1) < 2 && Variant(2) <= 2 && Variant(3) > 2 && Variant(3) >= 3);
  EXPECT_FALSE(Variant(double(NAN)) <= 1);

  EXPECT_THROW(Variant(u"abc") == 1, EVariantTypeCastError);
  EXPECT_FALSE(VarSameValue(Variant(u"abc"), 1));
  EXPECT_THROW(VarArrayOf({1}) == VarArrayOf({1}), EVariantInvalidOpError);
}

TEST_F(VariantTest, Arrays) {
  Variant a = VarArrayCreate({5, 7}, varInteger);
  EXPECT_EQ(VarType(a), varArray | varInteger);
  EXPECT_TRUE(VarIsArray(a));
  EXPECT_EQ(VarArrayDimCount(a), 1);
  EXPECT_EQ(VarArrayLowBound(a, 1), 5);
  EXPECT_EQ(VarArrayHighBound(a, 1), 7);
  EXPECT_EQ(Show(a[6]), "Integer:0");
  a.SetElement(6, u"42");  // converted to the element type
  EXPECT_EQ(Show(a[6]), "Integer:42");
  EXPECT_THROW(a.SetElement(7, u"x"), EVariantTypeCastError);
  EXPECT_EQ(Show(a[7]), "Integer:0");  // a failed store changes nothing
  for (Integer bad : {4, 8, -MaxInt - 1, MaxInt}) {
    EXPECT_EQ(MessageOf<EVariantBadIndexError>([&] { a.GetElement(bad); }),
              u"Variant or safe array index out of bounds");
    EXPECT_THROW(a.SetElement(bad, 1), EVariantBadIndexError);
  }
  EXPECT_THROW(VarArrayLowBound(a, 2), EVariantBadIndexError);
  EXPECT_THROW(VarArrayHighBound(Variant(1), 1), EVariantNotAnArrayError);
  EXPECT_THROW(Variant(1).GetElement(0), EVariantNotAnArrayError);

  // Copies are deep.
  Variant copy = a;
  copy.SetElement(5, 1);
  EXPECT_EQ(a[5].AsInteger(), 0);
  EXPECT_EQ(copy[5].AsInteger(), 1);

  // Nested arrays, and assigning an element over its own container.
  Variant nested = VarArrayOf({1, u"two", VarArrayOf({3.5, Null()})});
  EXPECT_EQ(VarType(nested), varArray | varVariant);
  EXPECT_EQ(VarArrayHighBound(nested, 1), 2);
  EXPECT_EQ(Show(nested[2][0]), "Double:3.5");
  EXPECT_TRUE(VarIsNull(nested[2][1]));
  nested = nested[2];
  EXPECT_EQ(VarArrayHighBound(nested, 1), 1);
  EXPECT_EQ(Show(nested[0]), "Double:3.5");
  nested.SetElement(1, nested);
  EXPECT_EQ(Show(nested[1][0]), "Double:3.5");

  Variant empty = VarArrayOf({});
  EXPECT_EQ(VarArrayLowBound(empty, 1), 0);
  EXPECT_EQ(VarArrayHighBound(empty, 1), -1);
  Variant strings = VarArrayCreate({0, 1}, varOleStr);
  EXPECT_EQ(Show(strings[0]), "UnicodeString:");
  VarArrayRedim(strings, 3);
  EXPECT_EQ(VarArrayHighBound(strings, 1), 3);
  VarArrayRedim(strings, 0);
  EXPECT_EQ(VarArrayHighBound(strings, 1), 0);

  EXPECT_EQ(MessageOf<EVariantArrayCreateError>([] {
              VarArrayCreate({3, 1}, varVariant);
            }),
            u"Error creating variant or safe array");
  EXPECT_THROW(VarArrayCreate({0, 1, 0, 1}, varVariant), EVariantArrayCreateError);
  // A length taken from damaged data fails cleanly instead of exhausting memory.
  EXPECT_THROW(VarArrayCreate({0, MaxInt}, varVariant), EVariantArrayCreateError);
  EXPECT_THROW(VarArrayRedim(strings, MaxInt), EVariantArrayCreateError);
  EXPECT_THROW(VarArrayCreate({0, 1}, varDispatch), EVariantBadVarTypeError);
}
