#include "rtl/RTL.Format.h"

#include <charconv>
#include <string>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.FormatSettings.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Variant.h"

namespace {

// Widths and precisions beyond this are taken as a malformed directive rather than as a
// request for a gigabyte of padding.
constexpr Integer MaxFieldSize = 1 << 20;

class TFormatter {
 public:
  TFormatter(StringView Fmt, TVarRecList Args, const TFormatSettings& Settings)
      : FFmt(Fmt), FArgs(Args), FSettings(Settings) {}

  String Run() {
    String out;
    out.reserve(FFmt.size() + 16 * FArgs.size());
    size_t i = 0;
    while (i < FFmt.size()) {
      const size_t next = FFmt.find(u'%', i);
      if (next == StringView::npos) {
        out.append(FFmt.substr(i));
        break;
      }
      out.append(FFmt.substr(i, next - i));
      i = next + 1;
      if (i < FFmt.size() && FFmt[i] == u'%') {
        out += u'%';
        ++i;
        continue;
      }
      Directive(i, out);
    }
    return out;
  }

 private:
  [[noreturn]] void Fail() const {
    throw EConvertError(u"Format '%s' invalid or incompatible with argument", {FFmt});
  }

  const TVarRec& NextArg() {
    if (FNext >= FArgs.size()) Fail();
    return FArgs.begin()[FNext++];
  }

  // Digits or "*" at I; false when neither is there.
  bool Number(size_t& I, Integer& Value) {
    if (I < FFmt.size() && FFmt[I] == u'*') {
      ++I;
      const TVarRec& arg = NextArg();
      if (arg.Kind() != TVarRec::TKind::Integer && arg.Kind() != TVarRec::TKind::Int64) Fail();
      const Int64 v = arg.AsInt64();
      if (v > MaxFieldSize || v < -MaxFieldSize) Fail();
      Value = static_cast<Integer>(v);
      return true;
    }
    if (I >= FFmt.size() || FFmt[I] < u'0' || FFmt[I] > u'9') return false;
    Integer v = 0;
    while (I < FFmt.size() && FFmt[I] >= u'0' && FFmt[I] <= u'9') {
      v = v * 10 + (FFmt[I++] - u'0');
      if (v > MaxFieldSize) Fail();
    }
    Value = v;
    return true;
  }

  void Directive(size_t& I, String& Out) {
    // The first number is the index when a ":" follows it, else the width.
    Integer first = 0;
    const size_t save = I;
    const bool star = I < FFmt.size() && FFmt[I] == u'*';
    bool haveWidth = false;
    Integer width = 0;
    if (Number(I, first)) {
      if (I < FFmt.size() && FFmt[I] == u':') {
        if (first < 0) Fail();
        FNext = static_cast<size_t>(first);
        ++I;
      } else if (star) {
        haveWidth = true;  // the argument "*" took stays taken
        width = first;
      } else {
        I = save;
      }
    }
    bool left = false;
    if (I < FFmt.size() && FFmt[I] == u'-') {
      left = true;
      ++I;
    }
    if (!haveWidth) Number(I, width);
    if (width < 0) {  // a negative "*" width left-justifies, as in C
      left = true;
      width = -width;
    }
    Integer precision = -1;
    if (I < FFmt.size() && FFmt[I] == u'.') {
      ++I;
      if (!Number(I, precision) || precision < 0) precision = -1;
    }
    if (I >= FFmt.size()) Fail();
    const Char type = FFmt[I++] | 0x20;
    String text = Convert(type, NextArg(), precision);
    if (width > 0 && static_cast<Integer>(text.size()) < width) {
      const size_t pad = static_cast<size_t>(width) - text.size();
      if (left)
        text.append(pad, u' ');
      else
        text.insert(0, pad, u' ');
    }
    Out += text;
  }

  static String Digits(UInt64 Value, unsigned Base) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, Value, static_cast<int>(Base));
    String s(buf, r.ptr);
    for (Char& c : s)
      if (c >= u'a' && c <= u'f') c = static_cast<Char>(c - 32);
    return s;
  }

  static String Pad(String Digits, Integer Precision, bool Negative) {
    if (Precision > static_cast<Integer>(Digits.size()))
      Digits.insert(0, static_cast<size_t>(Precision) - Digits.size(), u'0');
    if (Negative) Digits.insert(0, 1, u'-');
    return Digits;
  }

  // A Variant argument stands for its value converted to what the directive needs; a value
  // that does not convert is a mismatch like any other.
  String ConvertVariant(Char Type, const Variant& V, Integer Precision) {
    try {
      switch (Type) {
        case u'd':
        case u'u':
        case u'x':
          if (V.VarType() == varUInt64) return Convert(Type, TVarRec(V.AsUInt64()), Precision);
          return Convert(Type, TVarRec(V.AsInt64()), Precision);
        case u'e':
        case u'f':
        case u'g':
        case u'n':
        case u'm': return Convert(Type, TVarRec(V.AsDouble()), Precision);
        case u's': {
          const String text = VarToStr(V);
          return Convert(Type, TVarRec(text), Precision);
        }
        default: Fail();
      }
    } catch (const EVariantError&) {
      Fail();
    }
  }

  String Convert(Char Type, const TVarRec& Arg, Integer Precision) {
    using K = TVarRec::TKind;
    const K kind = Arg.Kind();
    if (kind == K::Variant) return ConvertVariant(Type, Arg.AsVariant(), Precision);
    const bool isInt = kind == K::Integer || kind == K::Int64 || kind == K::UInt64;
    switch (Type) {
      case u'd': {
        if (!isInt) Fail();
        if (kind == K::UInt64) return Pad(Digits(Arg.AsUInt64(), 10), Precision, false);
        const Int64 v = Arg.AsInt64();
        return Pad(Digits(v < 0 ? 0 - UInt64(v) : UInt64(v), 10), Precision, v < 0);
      }
      case u'u':
      case u'x': {
        if (!isInt) Fail();
        UInt64 v = Arg.AsUInt64();
        if (kind == K::Integer) v = static_cast<Cardinal>(Arg.AsInt64());
        return Pad(Digits(v, Type == u'u' ? 10 : 16), Precision, false);
      }
      case u'e':
      case u'f':
      case u'g':
      case u'n':
      case u'm': {
        if (kind != K::Extended) Fail();
        const double v = Arg.AsDouble();
        switch (Type) {
          case u'e': return FloatToStrF(v, ffExponent, Precision < 0 ? 15 : Precision, 3, FSettings);
          case u'f': return FloatToStrF(v, ffFixed, 18, Precision < 0 ? 2 : Precision, FSettings);
          case u'g': return FloatToStrF(v, ffGeneral, Precision < 0 ? 15 : Precision, 3, FSettings);
          case u'n': return FloatToStrF(v, ffNumber, 18, Precision < 0 ? 2 : Precision, FSettings);
          default:
            return FloatToStrF(v, ffCurrency, 18, Precision < 0 ? FSettings.CurrencyDecimals : Precision, FSettings);
        }
      }
      case u'p': {
        if (kind != K::Pointer) Fail();
        return Pad(Digits(reinterpret_cast<UInt64>(Arg.AsPointer()), 16), 16, false);
      }
      case u's': {
        String s;
        if (kind == K::String)
          s = Arg.AsString();
        else if (kind == K::AnsiString)
          s = UTF8ToString(Arg.AsAnsiString());
        else if (kind == K::Char)
          s.assign(1, Arg.AsChar());
        else
          Fail();
        if (Precision >= 0 && static_cast<size_t>(Precision) < s.size()) s.resize(static_cast<size_t>(Precision));
        return s;
      }
      default: Fail();
    }
  }

  StringView FFmt;
  TVarRecList FArgs;
  const TFormatSettings& FSettings;
  size_t FNext = 0;
};

}  // namespace

String Format(StringView Fmt, TVarRecList Args) { return Format(Fmt, Args, FormatSettings); }

String Format(StringView Fmt, TVarRecList Args, const TFormatSettings& Settings) {
  return TFormatter(Fmt, Args, Settings).Run();
}
