#include "rtl/RTL.Numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.FormatSettings.h"

namespace {

const TFormatSettings& Inv() {
  static const TFormatSettings s = TFormatSettings::Invariant();
  return s;
}

TFormatSettings Comma() {
  TFormatSettings s = TFormatSettings::Invariant();
  s.DecimalSeparator = u',';
  s.ThousandSeparator = u'.';
  return s;
}

std::string U8(const String& S) { return StringToUTF8(S); }

}  // namespace

TEST(IntegerText, ParsesPrefixesSignsAndRanges) {
  struct Case {
    const char16_t* text;
    bool ok;
    Integer value;
  };
  const Case cases[] = {
      {u"42", true, 42},          {u"  -42", true, -42},      {u"\t+7", true, 7},
      {u"$1F", true, 31},         {u"0x1f", true, 31},        {u"0XFF", true, 255},
      {u"-$10", true, -16},       {u"$FFFFFFFF", true, -1},   {u"2147483647", true, MaxInt},
      {u"-2147483648", true, INT32_MIN},
      {u"2147483648", false, 0},  {u"$100000000", false, 0},  {u"", false, 0},
      {u"  ", false, 0},          {u"-", false, 0},           {u"$", false, 0},
      {u"0x", false, 0},          {u"12 ", false, 0},         {u"1.0", false, 0},
      {u"1e3", false, 0},         {u"--1", false, 0},         {u"\uFF11", false, 0},
      {u"x1", false, 0},          {u"$G", false, 0},
  };
  for (const auto& c : cases) {
    Integer v = -999;
    EXPECT_EQ(TryStrToInt(c.text, v), c.ok) << U8(c.text);
    if (c.ok) {
      EXPECT_EQ(v, c.value) << U8(c.text);
    }
    EXPECT_EQ(StrToIntDef(c.text, -999), c.ok ? c.value : -999) << U8(c.text);
  }
}

TEST(IntegerText, SixtyFourBitForms) {
  Int64 v = 0;
  EXPECT_TRUE(TryStrToInt64(u"9223372036854775807", v));
  EXPECT_EQ(v, INT64_MAX);
  EXPECT_TRUE(TryStrToInt64(u"-9223372036854775808", v));
  EXPECT_EQ(v, INT64_MIN);
  EXPECT_FALSE(TryStrToInt64(u"9223372036854775808", v));
  EXPECT_TRUE(TryStrToInt64(u"$FFFFFFFFFFFFFFFF", v));
  EXPECT_EQ(v, -1);
  EXPECT_EQ(StrToInt64(u"2147483648"), 2147483648LL);
  EXPECT_EQ(StrToInt64Def(u"nope", 5), 5);
  EXPECT_EQ(StrToUInt64(u"18446744073709551615"), UINT64_MAX);
  UInt64 u = 0;
  EXPECT_FALSE(TryStrToUInt64(u"-1", u));
  EXPECT_FALSE(TryStrToUInt64(u"18446744073709551616", u));
}

TEST(IntegerText, ErrorsNameTheText) {
  try {
    StrToInt(u"12a");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.GetMessage(), u"'12a' is not a valid integer value");
  }
  EXPECT_THROW(StrToInt64(u""), EConvertError);
  EXPECT_THROW(StrToUInt64(u"-3"), EConvertError);
}

TEST(IntegerText, ToText) {
  EXPECT_EQ(IntToStr(-42), u"-42");
  EXPECT_EQ(IntToStr(INT64_MIN), u"-9223372036854775808");
  EXPECT_EQ(IntToStr(UINT64_MAX), u"18446744073709551615");
  EXPECT_EQ(IntToStr(2147483648LL), u"2147483648");
  EXPECT_EQ(UIntToStr(Cardinal(4294967295u)), u"4294967295");
}

TEST(FloatText, ShortestGeneralForm) {
  struct Case {
    double value;
    const char16_t* expected;
  };
  const Case cases[] = {
      {0, u"0"},
      {-0.0, u"0"},
      {1, u"1"},
      {-1.5, u"-1.5"},
      {0.1, u"0.1"},
      {0.1 + 0.2, u"0.3"},  // 15 significant digits hide the binary noise
      {1.0 / 3, u"0.333333333333333"},
      {123.456, u"123.456"},
      {0.0001, u"0.0001"},
      {0.00001, u"1E-5"},
      {1.5e-7, u"1.5E-7"},
      {123456789012345.0, u"123456789012345"},
      {1e15, u"1E15"},
      {1234567890123456.0, u"1.23456789012346E15"},
      {1e300, u"1E300"},
      {9.999999999999999e22, u"1E23"},
      {std::numeric_limits<double>::quiet_NaN(), u"NAN"},
      {HUGE_VAL, u"INF"},
      {-HUGE_VAL, u"-INF"},
  };
  for (const auto& c : cases) EXPECT_EQ(FloatToStr(c.value, Inv()), c.expected) << c.value;
  EXPECT_EQ(FloatToStr(-1.5, Comma()), u"-1,5");
  EXPECT_EQ(FloatToStr(2.5e-9, Comma()), u"2,5E-9");
}

TEST(FloatText, FloatToStrFFormats) {
  struct Case {
    double value;
    TFloatFormat format;
    Integer precision, digits;
    const char16_t* expected;
  };
  const Case cases[] = {
      {1234.5, ffGeneral, 3, 0, u"1.23E3"},
      {1234.5, ffGeneral, 4, 2, u"1235"},
      {1e-10, ffGeneral, 15, 2, u"1E-10"},
      {1e-10, ffGeneral, 15, 4, u"1E-0010"},
      {1234.5, ffExponent, 4, 2, u"1.235E+03"},
      {-0.00012, ffExponent, 3, 0, u"-1.20E-4"},
      {0, ffExponent, 3, 1, u"0.00E+0"},
      {1234.5678, ffFixed, 15, 2, u"1234.57"},
      {0.125, ffFixed, 15, 2, u"0.13"},  // exact half rounds away from zero
      {2.675, ffFixed, 15, 2, u"2.68"},  // as written, not as stored
      {-0.001, ffFixed, 15, 2, u"0.00"},
      {1.23456789, ffFixed, 4, 6, u"1.235000"},  // precision first, then padding
      {123456.0, ffFixed, 4, 2, u"1.235E5"},     // too many integer digits: general form
      {1234567.891, ffNumber, 15, 2, u"1,234,567.89"},
      {-999.0, ffNumber, 15, 0, u"-999"},
      {100.0, ffNumber, 15, 1, u"100.0"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FloatToStrF(c.value, c.format, c.precision, c.digits, Inv()), c.expected)
        << c.value << " format " << c.format;
  EXPECT_EQ(FloatToStrF(1234567.891, ffNumber, 15, 2, Comma()), u"1.234.567,89");
}

TEST(FloatText, CurrencyLayouts) {
  TFormatSettings s = TFormatSettings::Invariant();
  s.CurrencyString = u"$";
  const char16_t* positive[] = {u"$1,234.50", u"1,234.50$", u"$ 1,234.50", u"1,234.50 $"};
  for (Byte f = 0; f < 4; ++f) {
    s.CurrencyFormat = f;
    EXPECT_EQ(FloatToStrF(1234.5, ffCurrency, 15, 2, s), positive[f]) << int(f);
  }
  const char16_t* negative[] = {u"($1.5)", u"-$1.5", u"$-1.5", u"$1.5-", u"(1.5$)", u"-1.5$",
                                u"1.5-$", u"1.5$-", u"-1.5 $", u"-$ 1.5", u"1.5 $-", u"$ 1.5-",
                                u"$ -1.5", u"1.5- $", u"($ 1.5)", u"(1.5 $)"};
  for (Byte f = 0; f < 16; ++f) {
    s.NegCurrFormat = f;
    EXPECT_EQ(FloatToStrF(-1.5, ffCurrency, 15, 1, s), negative[f]) << int(f);
  }
}

TEST(FloatText, FormatFloatPictures) {
  struct Case {
    const char16_t* picture;
    double value;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"0", 0.5, u"1"},
      {u"0", -0.4, u"0"},
      {u"0.00", 1, u"1.00"},
      {u"0.##", 1, u"1"},
      {u"0.##", 1.005, u"1.01"},
      {u"#.##", 0.5, u".5"},
      {u"#", 0, u""},
      {u"000", 7, u"007"},
      {u"#,##0.00", 1234567.891, u"1,234,567.89"},
      {u"#,##0", -1234, u"-1,234"},
      {u"#,##0", 999, u"999"},
      {u"000-00", 12345, u"123-45"},
      {u"00", 12345, u"12345"},
      {u"0.00E+00", 1234.5, u"1.23E+03"},
      {u"0.00E-00", 1234.5, u"1.23E03"},
      {u"0.0e-0", 0.00012, u"1.2e-4"},
      {u"00.0E+0", 1234.5, u"12.3E+2"},
      {u"0.00E+00", 0, u"0.00E+00"},
      {u"0 'kg'", 5, u"5 kg"},
      {u"\"#\"0", 5, u"#5"},
      {u"0;(0);'zero'", 5, u"5"},
      {u"0;(0);'zero'", -5, u"(5)"},
      {u"0;(0);'zero'", 0, u"zero"},
      {u"0;(0);'zero'", 0.2, u"zero"},  // rounds to zero
      {u"0.0;;'zero'", -2.5, u"-2.5"},  // empty negative section: the first one with "-"
      {u"0%", 12, u"12%"},
      {u"", 1.5, u"1.5"},
      {u".00", 12.5, u"12.50"},
      {u"0.000000000000000000", 0.1, u"0.100000000000000000"},
      {u"0", 1e20, u"100000000000000000000"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatFloat(c.picture, c.value, Inv()), c.expected) << U8(c.picture) << " " << c.value;
  EXPECT_EQ(FormatFloat(u"#,##0.00", 1234.5, Comma()), u"1.234,50");
  EXPECT_EQ(FormatFloat(u"0.00", HUGE_VAL, Inv()), u"INF");
}

TEST(FloatText, ParsingUnderBothSettings) {
  struct Case {
    const char16_t* text;
    bool okInvariant;
    bool okComma;
    double value;
  };
  const Case cases[] = {
      {u"1.5", true, false, 1.5},       {u"1,5", false, true, 1.5},     {u" -2.5e3 ", true, false, -2500},
      {u"+.5", true, false, 0.5},       {u"7.", true, false, 7},        {u"1E-5", true, true, 1e-5},
      {u"12", true, true, 12},          {u"", false, false, 0},         {u".", false, false, 0},
      {u"1e", false, false, 0},         {u"1e+", false, false, 0},      {u"1.2.3", false, false, 0},
      {u"1,000.5", false, false, 0},    {u"e5", false, false, 0},       {u"0x10", false, false, 0},
      {u"1e400", false, false, 0},      {u"1e-400", true, true, 0},     {u"- 1", false, false, 0},
      {u"$5", false, false, 0},         {u"1 2", false, false, 0},
  };
  for (const auto& c : cases) {
    double v = -1;
    EXPECT_EQ(TryStrToFloat(c.text, v, Inv()), c.okInvariant) << U8(c.text);
    if (c.okInvariant) {
      EXPECT_EQ(v, c.value) << U8(c.text);
    }
    v = -1;
    EXPECT_EQ(TryStrToFloat(c.text, v, Comma()), c.okComma) << U8(c.text);
    if (c.okComma) {
      EXPECT_EQ(v, c.value) << U8(c.text);
    }
  }
  double v = 0;
  EXPECT_TRUE(TryStrToFloat(u"-inf", v, Inv()));
  EXPECT_TRUE(std::isinf(v) && v < 0);
  EXPECT_TRUE(TryStrToFloat(u"NAN", v, Inv()));
  EXPECT_TRUE(std::isnan(v));
}

TEST(FloatText, RoundTripsThroughText) {
  const double values[] = {0.1, 1.0 / 3, 123456.789, 1e-300, 6.02214076e23, -2.5, 5e-324};
  for (double x : values) {
    const String text = FloatToStrF(x, ffGeneral, 17, 0, Comma());
    EXPECT_EQ(StrToFloat(text, Comma()), x) << U8(text);
  }
}

TEST(FloatText, SingleAndErrors) {
  Single f = 0;
  EXPECT_TRUE(TryStrToFloat(u"0.1", f, Inv()));
  EXPECT_EQ(f, 0.1f);
  EXPECT_FALSE(TryStrToFloat(u"1e39", f, Inv()));  // beyond Single
  try {
    StrToFloat(u"1,5", Inv());
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.GetMessage(), u"'1,5' is not a valid floating point value");
  }
  EXPECT_EQ(StrToFloatDef(u"x", 2.5, Inv()), 2.5);
}

TEST(Rounding, RoundIsTiesToEven) {
  const std::pair<double, Int64> cases[] = {{0.5, 0},   {1.5, 2},   {2.5, 2},  {3.5, 4},     {-0.5, 0},
                                            {-1.5, -2}, {-2.5, -2}, {2.4, 2},  {2.6, 3},     {-2.6, -3},
                                            {1e15 + 0.5, 1000000000000000}, {4503599627370497.0, 4503599627370497}};
  for (const auto& [value, expected] : cases) EXPECT_EQ(Round(value), expected) << value;
}

TEST(Rounding, TruncIntFracCeilFloor) {
  EXPECT_EQ(Trunc(-2.7), -2);
  EXPECT_EQ(Trunc(2.7), 2);
  EXPECT_EQ(Int(2.7), 2.0);
  EXPECT_EQ(Int(-2.7), -2.0);
  EXPECT_DOUBLE_EQ(Frac(-2.75), -0.75);
  EXPECT_EQ(Ceil(1.2), 2);
  EXPECT_EQ(Ceil(-1.2), -1);
  EXPECT_EQ(Floor(-1.2), -2);
  EXPECT_DOUBLE_EQ(RoundTo(1.235, -2), 1.24);
  EXPECT_DOUBLE_EQ(RoundTo(1.245, -2), 1.24);  // the exact half goes to even
  EXPECT_DOUBLE_EQ(RoundTo(1250, 2), 1200);
  EXPECT_DOUBLE_EQ(RoundTo(-1.235, -2), -1.24);
  EXPECT_DOUBLE_EQ(RoundTo(0.004, -2), 0);
  EXPECT_DOUBLE_EQ(RoundTo(99.995, -2), 100);
  EXPECT_THROW(Round(std::nan("")), EInvalidOp);
  EXPECT_THROW(Trunc(1e19), EInvalidOp);
  EXPECT_THROW(Ceil(3e9), EInvalidOp);
}

TEST(Rounding, MulDiv) {
  struct Case {
    Integer a, b, c, expected;
  };
  const Case cases[] = {
      {10, 3, 4, 8},           // 7.5 rounds away from zero
      {-10, 3, 4, -8},         // and so does -7.5
      {10, -3, -4, 8},
      {5, 1, 3, 2},            // 1.67
      {4, 1, 3, 1},            // 1.33
      {100000, 100000, 100000, 100000},  // the product needs 64 bits
      {MaxInt, 2, 2, MaxInt},
      {7, 1, 0, -1},           // zero divisor
      {MaxInt, 2, 1, -1},      // overflow
      {INT32_MIN, -1, 1, -1},  // overflow
      {96, 144, 96, 144},
  };
  for (const auto& c : cases) EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
}

TEST(Rounding, MinMaxRanges) {
  EXPECT_EQ(Min(3, 4), 3);
  EXPECT_EQ(Max(3, 4.5), 4.5);
  EXPECT_EQ(Min(Int64(-1), 2), -1);
  EXPECT_EQ(EnsureRange(12, 1, 8), 8);
  EXPECT_EQ(EnsureRange(-3, 1, 8), 1);
  EXPECT_TRUE(InRange(0.5, 0.0, 1.0));
  EXPECT_FALSE(InRange(9, 0, 8));
  EXPECT_TRUE(SameValue(0.1 + 0.2, 0.3));
  EXPECT_FALSE(SameValue(1.0, 1.0001));
  EXPECT_TRUE(SameValue(1.0, 1.01, 0.02));
  EXPECT_TRUE(SameValue(0.1f + 0.2f, 0.3f));
}

TEST(FloatChecks, FaultsRaiseLikeATrappingFpu) {
  EXPECT_THROW(FDiv(1.0, 0.0), EZeroDivide);
  EXPECT_THROW(FDiv(-1.0, 0.0), EZeroDivide);
  EXPECT_THROW(FDiv(0.0, 0.0), EInvalidOp);
  EXPECT_THROW(FDiv(1e308, 1e-308), EOverflow);
  EXPECT_THROW(FDiv(1.0f, 0.0f), EZeroDivide);
  EXPECT_EQ(FDiv(1.0, 4.0), 0.25);
  EXPECT_THROW(Ln(0), EInvalidOp);
  EXPECT_THROW(Ln(-1), EInvalidOp);
  EXPECT_THROW(Log10(0), EInvalidOp);
  EXPECT_THROW(Sqrt(-1), EInvalidOp);
  EXPECT_THROW(Exp(1000), EOverflow);
  EXPECT_EQ(Exp(-1000), 0);  // underflow is not a fault
  EXPECT_THROW(Power(0, -1), EZeroDivide);
  EXPECT_THROW(Power(-8, 1.0 / 3), EInvalidOp);
  EXPECT_THROW(Power(10, 400), EOverflow);
  EXPECT_THROW(CheckFloat(std::nan("")), EInvalidOp);
  EXPECT_THROW(CheckFloat(HUGE_VAL), EOverflow);
  EXPECT_DOUBLE_EQ(LogN(2, 8), 3);
  EXPECT_DOUBLE_EQ(Power(-2, 3), -8);
  EXPECT_DOUBLE_EQ(Power(2, -2), 0.25);
  EXPECT_DOUBLE_EQ(Power(0, 0), 1);
  EXPECT_DOUBLE_EQ(Power(9, 0.5), 3);
  try {
    FDiv(1.0, 0.0);
  } catch (const Exception& e) {
    EXPECT_EQ(e.GetMessage(), u"Floating point division by zero");
  }
  try {
    Ln(-1);
  } catch (const Exception& e) {
    EXPECT_EQ(e.GetMessage(), u"Invalid floating point operation");
  }
}

TEST(FloatChecks, IntegerDivision) {
  EXPECT_EQ(IntDiv(7, 2), 3);
  EXPECT_EQ(IntDiv(-7, 2), -3);
  EXPECT_EQ(IntMod(-7, 2), -1);
  EXPECT_EQ(IntMod(INT32_MIN, -1), 0);
  EXPECT_THROW(IntDiv(1, 0), EDivByZero);
  EXPECT_THROW(IntMod(Int64(1), Int64(0)), EDivByZero);
  EXPECT_THROW(IntDiv(INT32_MIN, -1), EIntOverflow);
  EXPECT_THROW(IntDiv(INT64_MIN, Int64(-1)), EIntOverflow);
  try {
    IntDiv(1, 0);
  } catch (const Exception& e) {
    EXPECT_EQ(e.GetMessage(), u"Division by zero");
  }
}
