#include "rtl/RTL.Format.h"

#include <string>

#include "rtl/RTL.Exceptions.h"

// Minimal formatter: %s, %d, %%. Replaced by the full implementation.
String Format(StringView Fmt, TVarRecList Args) {
  String Result;
  auto arg = Args.begin();
  for (size_t i = 0; i < Fmt.size(); ++i) {
    Char c = Fmt[i];
    if (c != u'%' || i + 1 >= Fmt.size()) {
      Result.push_back(c);
      continue;
    }
    Char d = Fmt[++i];
    if (d == u'%') {
      Result.push_back(u'%');
      continue;
    }
    if (arg == Args.end()) throw EConvertError(u"Format '" + String(Fmt) + u"' invalid or incompatible with argument");
    switch (arg->Kind()) {
      case TVarRec::TKind::String: Result += arg->AsString(); break;
      case TVarRec::TKind::AnsiString: Result += UTF8ToString(arg->AsAnsiString()); break;
      case TVarRec::TKind::Integer:
      case TVarRec::TKind::Int64: Result += AsciiToString(std::to_string(arg->AsInt64())); break;
      case TVarRec::TKind::UInt64: Result += AsciiToString(std::to_string(arg->AsUInt64())); break;
      default: throw EConvertError(u"Format '" + String(Fmt) + u"' invalid or incompatible with argument");
    }
    ++arg;
  }
  return Result;
}
