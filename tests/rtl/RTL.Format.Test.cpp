#include "rtl/RTL.Format.h"

#include <gtest/gtest.h>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.FormatSettings.h"
#include "rtl/RTL.Variant.h"

namespace {

// Comma decimal separator, dot thousands, currency after the amount.
TFormatSettings CommaSettings() {
  TFormatSettings s = TFormatSettings::Invariant();
  s.DecimalSeparator = u',';
  s.ThousandSeparator = u'.';
  s.CurrencyString = u"\u20AC";
  s.CurrencyFormat = 3;
  s.NegCurrFormat = 8;
  return s;
}

String F(StringView Fmt, TVarRecList Args) { return Format(Fmt, Args, TFormatSettings::Invariant()); }

}  // namespace

TEST(Format, IntegerDirectives) {
  const Int64 big = 9000000000LL;
  struct Case {
    String fmt;
    String expected;
  };
  const Case cases[] = {
      {u"%d", u"-42"},    {u"%5d", u"  -42"},   {u"%-5d|", u"-42  |"}, {u"%.5d", u"-00042"},
      {u"%u", u"4294967254"}, {u"%x", u"FFFFFFD6"}, {u"%.4x", u"FFFFFFD6"}, {u"%D", u"-42"},
  };
  for (const auto& c : cases) EXPECT_EQ(F(c.fmt, {-42}), c.expected) << StringToUTF8(c.fmt);
  EXPECT_EQ(F(u"%d", {big}), u"9000000000");
  EXPECT_EQ(F(u"%x", {Int64(-1)}), u"FFFFFFFFFFFFFFFF");
  EXPECT_EQ(F(u"%u", {Int64(-1)}), u"18446744073709551615");
  EXPECT_EQ(F(u"%d", {UINT64_MAX}), u"18446744073709551615");
  EXPECT_EQ(F(u"%.4x", {255}), u"00FF");
  EXPECT_EQ(F(u"0x%2x", {9}), u"0x 9");  // width pads with spaces, precision with zeros
  EXPECT_EQ(F(u"%d", {INT32_MIN}), u"-2147483648");
  EXPECT_EQ(F(u"%d", {INT64_MIN}), u"-9223372036854775808");
}

TEST(Format, FloatDirectives) {
  struct Case {
    String fmt;
    double value;
    String expected;
  };
  const Case cases[] = {
      {u"%e", 1000, u"1.00000000000000E+003"},
      {u"%.3e", -1234.5, u"-1.23E+003"},  // precision counts significant digits
      {u"%e", 0, u"0.00000000000000E+000"},
      {u"%f", 3.14159, u"3.14"},
      {u"%.0f", 2.5, u"3"},  // half away from zero
      {u"%.3f", -0.0004, u"0.000"},  // no negative zero
      {u"%f", 1e15, u"1000000000000000.00"},
      {u"%g", 0.1, u"0.1"},
      {u"%g", 1e20, u"1E020"},
      {u"%g", 1.5e-7, u"1.5E-007"},
      {u"%.3g", 1234.5, u"1.23E003"},
      {u"%n", 1234567.891, u"1,234,567.89"},
      {u"%.0n", -999.5, u"-1,000"},
      {u"%m", 1234.5, u"\u00A41,234.50"},
      {u"%10.1f|", 2.25, u"       2.3|"},
      {u"%-8.1f|", 2.25, u"2.3     |"},
  };
  for (const auto& c : cases) EXPECT_EQ(F(c.fmt, {c.value}), c.expected) << StringToUTF8(c.fmt) << " " << c.value;
}

TEST(Format, FloatsFollowTheSettings) {
  const TFormatSettings s = CommaSettings();
  EXPECT_EQ(Format(u"%f", {1234.5}, s), u"1234,50");
  EXPECT_EQ(Format(u"%n", {1234.5}, s), u"1.234,50");
  EXPECT_EQ(Format(u"%m", {-1234.5}, s), u"-1.234,50 \u20AC");
  EXPECT_EQ(Format(u"%m", {1234.5}, s), u"1.234,50 \u20AC");
  EXPECT_EQ(Format(u"%e", {0.5}, s), u"5,00000000000000E-001");
}

TEST(Format, TextAndPointers) {
  const String name = u"skin";
  int x = 0;
  EXPECT_EQ(F(u"Cannot open file \"%s\". %s", {name, "gone"}), u"Cannot open file \"skin\". gone");
  EXPECT_EQ(F(u"[%6s][%-6s][%.2s]", {u"ab", u"ab", u"abc"}), u"[    ab][ab    ][ab]");
  EXPECT_EQ(F(u"%s%s", {u'\u00E9', "\xC3\xA9"}), u"\u00E9\u00E9");
  EXPECT_EQ(F(u"%p", {nullptr}), u"0000000000000000");
  EXPECT_EQ(F(u"%p", {static_cast<const void*>(&x)}).size(), 16u);
  EXPECT_EQ(F(u"100%% %s", {u"done"}), u"100% done");
  EXPECT_EQ(F(u"no directives", {}), u"no directives");
}

TEST(Format, IndexesAndStars) {
  EXPECT_EQ(F(u"%1:s %0:s %s", {u"a", u"b", u"c"}), u"b a b");
  EXPECT_EQ(F(u"%0:s%0:s", {u"x"}), u"xx");
  EXPECT_EQ(F(u"[%*d]", {4, 7}), u"[   7]");
  EXPECT_EQ(F(u"[%-*d]", {4, 7}), u"[7   ]");
  EXPECT_EQ(F(u"[%.*f]", {3, 1.0}), u"[1.000]");
  EXPECT_EQ(F(u"[%*.*f]", {7, 1, 2.0}), u"[    2.0]");
  EXPECT_EQ(F(u"[%*d]", {-4, 7}), u"[7   ]");
}

TEST(Format, MismatchOrMissingArgumentRaises) {
  const String fmts[] = {u"%d", u"%s", u"%f", u"%x", u"%p", u"%e", u"%m"};
  const TVarRec wrong[] = {TVarRec(1.5), TVarRec(3), TVarRec(3), TVarRec(u"a"), TVarRec(3), TVarRec(true), TVarRec(u"1")};
  for (size_t i = 0; i < std::size(fmts); ++i) {
    try {
      Format(fmts[i], {wrong[i]}, TFormatSettings::Invariant());
      ADD_FAILURE() << "no error for " << StringToUTF8(fmts[i]);
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.GetMessage(), u"Format '" + fmts[i] + u"' invalid or incompatible with argument");
    }
  }
  const String malformed[] = {u"%", u"%5", u"%q", u"%2:s", u"%s %s", u"%*d", u"%.*f", u"%99999999999d"};
  for (const String& fmt : malformed)
    EXPECT_THROW(Format(fmt, {u"a"}, TFormatSettings::Invariant()), EConvertError) << StringToUTF8(fmt);
  EXPECT_THROW(F(u"%d", {true}), EConvertError);
}

TEST(Format, DefaultOverloadUsesProcessSettings) {
  const TFormatSettings saved = FormatSettings;
  FormatSettings = CommaSettings();
  const String text = Format(u"%.1f", {0.5});
  FormatSettings = saved;
  EXPECT_EQ(text, u"0,5");
}

TEST(Format, ExceptionMessagesFormatTheirArguments) {
  try {
    throw EListError(u"List index out of bounds (%d)", {7});
  } catch (const Exception& e) {
    EXPECT_EQ(e.GetMessage(), u"List index out of bounds (7)");
  }
}

TEST(Format, VariantsFormatByTheirValue) {
  const Variant i = 42, d = 2.5, text = u"12", word = u"abc", flag = true;
  EXPECT_EQ(F(u"%d %s %.1f %s", {i, i, d, text}), u"42 42 2.5 12");
  EXPECT_EQ(F(u"%d|%x|%s", {text, i, flag}), u"12|2A|True");
  EXPECT_EQ(F(u"[%s]", {Null()}), u"[]");
  EXPECT_EQ(F(u"%d", {Variant(UINT64_MAX)}), u"18446744073709551615");
  EXPECT_THROW(F(u"%d", {word}), EConvertError);
  EXPECT_THROW(F(u"%f", {Null()}), EConvertError);
  EXPECT_THROW(F(u"%p", {i}), EConvertError);
}

TEST(FormatSettings, InvariantAndLocales) {
  const TFormatSettings inv = TFormatSettings::Invariant();
  EXPECT_EQ(inv.DecimalSeparator, u'.');
  EXPECT_EQ(inv.ThousandSeparator, u',');
  EXPECT_EQ(inv.ShortDateFormat, u"MM/dd/yyyy");
  EXPECT_EQ(inv.LongTimeFormat, u"hh:nn:ss");
  EXPECT_EQ(inv.LongMonthNames[0], u"January");
  EXPECT_EQ(inv.ShortDayNames[0], u"Sun");

  // The unit initialization filled the process-wide settings from the user's locale.
  EXPECT_EQ(FormatSettings.ShortDateFormat, TFormatSettings::Create().ShortDateFormat);

  const TFormatSettings posix = TFormatSettings::Create(u"C");
  EXPECT_EQ(posix.ShortDateFormat, inv.ShortDateFormat);
  EXPECT_EQ(posix.DecimalSeparator, u'.');

  // Patterns arrive in FormatDateTime letters: "n" for minutes, four-digit years.
  const TFormatSettings de = TFormatSettings::Create(u"de_DE.UTF-8");
  EXPECT_EQ(de.DecimalSeparator, u',');
  EXPECT_EQ(de.ThousandSeparator, u'.');
  EXPECT_EQ(de.ListSeparator, u';');
  EXPECT_EQ(de.DateSeparator, u'.');
  EXPECT_EQ(de.ShortDateFormat, u"dd.MM.yyyy");
  EXPECT_EQ(de.LongTimeFormat, u"hh:nn:ss");
  EXPECT_EQ(de.LongMonthNames[0], u"Januar");
  EXPECT_EQ(de.LongDayNames[0], u"Sonntag");
  EXPECT_EQ(de.CurrencyString, u"\u20AC");
  EXPECT_EQ(Format(u"%.2n", {1234.5}, de), u"1.234,50");

  const TFormatSettings us = TFormatSettings::Create(u"en-US");
  EXPECT_EQ(us.ShortDateFormat, u"M/d/yyyy");
  EXPECT_NE(us.ShortTimeFormat.find(u"AMPM"), String::npos);
  EXPECT_NE(us.ShortTimeFormat.find(u"nn"), String::npos);
  EXPECT_EQ(us.ShortTimeFormat.find_first_of(u"\u00A0\u202F"), String::npos);
}
