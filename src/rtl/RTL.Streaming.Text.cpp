#include "rtl/RTL.Streaming.Text.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

#include "rtl/RTL.Format.h"
#include "rtl/RTL.Streaming.h"
#include "rtl/RTL.Streams.h"

namespace {

constexpr Integer MaxNesting = TReader::MaxDepth;

bool SameKeyword(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i) {
    char a = A[i], b = B[i];
    if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 32);
    if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 32);
    if (a != b) return false;
  }
  return true;
}

bool IsIdentStart(char C) { return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_'; }
bool IsIdentChar(char C) { return IsIdentStart(C) || (C >= '0' && C <= '9'); }
bool IsDigit(char C) { return C >= '0' && C <= '9'; }
int HexValue(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  return -1;
}

// ---- text to binary ---------------------------------------------------------------------------------

enum class TToken { Eof, Symbol, Ident, Integer, Float, String };

class TTextParser {
 public:
  TTextParser(std::string Text, TWriter& Writer) : FText(std::move(Text)), FWriter(Writer) { Next(); }

  void ParseObject(Integer Depth) {
    if (Depth > MaxNesting) Error(u"Nesting too deep");
    TFilerFlags flags;
    if (IsKeyword("inherited"))
      flags.Include(ffInherited);
    else if (IsKeyword("inline"))
      flags.Include(ffInline);
    else if (!IsKeyword("object"))
      Error(u"'object' expected");
    Next();
    String name, className = ExpectIdent();
    if (FToken == TToken::Symbol && FSymbol == ':') {
      Next();
      name = className;
      className = ExpectIdent();
    }
    Int64 childPos = 0;
    if (FToken == TToken::Symbol && FSymbol == '[') {
      Next();
      childPos = ExpectInteger();
      ExpectSymbol(']');
      flags.Include(ffChildPos);
    }
    if (!flags.Empty()) {
      Byte prefix = 0xF0;
      for (Integer f = ffInherited; f <= ffInline; ++f)
        if (flags.Contains(static_cast<TFilerFlag>(f))) prefix |= static_cast<Byte>(1 << f);
      FWriter.WriteValue(static_cast<TValueType>(prefix));
      if (flags.Contains(ffChildPos)) FWriter.WriteInteger(childPos);
    }
    FWriter.WriteStr(className);
    FWriter.WriteStr(name);
    while (!IsKeyword("object") && !IsKeyword("inherited") && !IsKeyword("inline") && !IsKeyword("end"))
      ParseProperty(Depth);
    FWriter.WriteListEnd();
    while (!IsKeyword("end")) ParseObject(Depth + 1);
    FWriter.WriteListEnd();
    Next();
  }

  void ExpectEof() {
    if (FToken != TToken::Eof) Error(u"End of text expected");
  }

 private:
  [[noreturn]] void Error(const String& Message) {
    throw EParserError(u"%s on line %d", {Message, FLine});
  }

  void SkipBlanks() {
    for (;;) {
      while (FPos < FText.size() && static_cast<unsigned char>(FText[FPos]) <= ' ') {
        if (FText[FPos] == '\n') ++FLine;
        ++FPos;
      }
      // Comments: // to the end of the line.
      if (FPos + 1 < FText.size() && FText[FPos] == '/' && FText[FPos + 1] == '/') {
        while (FPos < FText.size() && FText[FPos] != '\n') ++FPos;
        continue;
      }
      return;
    }
  }

  void Next() {
    SkipBlanks();
    FTokenText.clear();
    FStringValue.clear();
    if (FPos >= FText.size()) {
      FToken = TToken::Eof;
      return;
    }
    const char c = FText[FPos];
    if (IsIdentStart(c)) {
      const size_t start = FPos;
      while (FPos < FText.size() && (IsIdentChar(FText[FPos]) || FText[FPos] == '.')) ++FPos;
      FTokenText = FText.substr(start, FPos - start);
      FToken = TToken::Ident;
    } else if (c == '\'' || c == '#') {
      ReadStringToken();
    } else if (IsDigit(c) || c == '$' ||
               ((c == '-' || c == '+') && FPos + 1 < FText.size() && IsDigit(FText[FPos + 1]))) {
      ReadNumberToken();
    } else {
      FToken = TToken::Symbol;
      FSymbol = c;
      ++FPos;
    }
  }

  void ReadStringToken() {
    std::string utf8;
    for (;;) {
      if (FPos < FText.size() && FText[FPos] == '\'') {
        ++FPos;
        for (;;) {
          if (FPos >= FText.size() || FText[FPos] == '\n') Error(u"Unterminated string");
          if (FText[FPos] == '\'') {
            if (FPos + 1 < FText.size() && FText[FPos + 1] == '\'') {
              utf8 += '\'';
              FPos += 2;
              continue;
            }
            ++FPos;
            break;
          }
          utf8 += FText[FPos++];
        }
      } else if (FPos < FText.size() && FText[FPos] == '#') {
        FStringValue += UTF8ToString(utf8);
        utf8.clear();
        ++FPos;
        uint32_t code = 0;
        size_t digits = 0;
        if (FPos < FText.size() && FText[FPos] == '$') {
          ++FPos;
          while (FPos < FText.size() && HexValue(FText[FPos]) >= 0 && digits < 5) {
            code = code * 16 + static_cast<uint32_t>(HexValue(FText[FPos++]));
            ++digits;
          }
        } else {
          while (FPos < FText.size() && IsDigit(FText[FPos]) && digits < 6) {
            code = code * 10 + static_cast<uint32_t>(FText[FPos++] - '0');
            ++digits;
          }
        }
        if (digits == 0 || code > 0xFFFF) Error(u"Invalid character code");
        FStringValue += static_cast<Char>(code);
      } else {
        break;
      }
    }
    FStringValue += UTF8ToString(utf8);
    FToken = TToken::String;
  }

  void ReadNumberToken() {
    const size_t start = FPos;
    if (FText[FPos] == '$') {
      ++FPos;
      uint64_t value = 0;
      size_t digits = 0;
      while (FPos < FText.size() && HexValue(FText[FPos]) >= 0) {
        if (++digits > 16) Error(u"Number out of range");
        value = value * 16 + static_cast<uint64_t>(HexValue(FText[FPos++]));
      }
      if (digits == 0) Error(u"Invalid number");
      FIntValue = static_cast<Int64>(value);
      FToken = TToken::Integer;
      return;
    }
    if (FText[FPos] == '-' || FText[FPos] == '+') ++FPos;
    bool isFloat = false;
    while (FPos < FText.size() && IsDigit(FText[FPos])) ++FPos;
    if (FPos < FText.size() && FText[FPos] == '.') {
      isFloat = true;
      ++FPos;
      while (FPos < FText.size() && IsDigit(FText[FPos])) ++FPos;
    }
    if (FPos < FText.size() && (FText[FPos] == 'e' || FText[FPos] == 'E')) {
      isFloat = true;
      ++FPos;
      if (FPos < FText.size() && (FText[FPos] == '-' || FText[FPos] == '+')) ++FPos;
      while (FPos < FText.size() && IsDigit(FText[FPos])) ++FPos;
    }
    std::string number = FText.substr(start, FPos - start);
    if (!number.empty() && number[0] == '+') number.erase(0, 1);
    FFloatSuffix = 0;
    if (FPos < FText.size() && (FText[FPos] == 's' || FText[FPos] == 'S' || FText[FPos] == 'c' ||
                                FText[FPos] == 'C' || FText[FPos] == 'd' || FText[FPos] == 'D')) {
      FFloatSuffix = static_cast<char>(FText[FPos++] | 0x20);
      isFloat = true;
    }
    const char* first = number.data();
    const char* last = first + number.size();
    if (isFloat) {
      auto [end, ec] = std::from_chars(first, last, FFloatValue);
      if (ec != std::errc() || end != last) Error(u"Invalid number");
      FToken = TToken::Float;
    } else {
      auto [end, ec] = std::from_chars(first, last, FIntValue);
      if (ec == std::errc::result_out_of_range) Error(u"Number out of range");
      if (ec != std::errc() || end != last) Error(u"Invalid number");
      FToken = TToken::Integer;
    }
  }

  bool IsKeyword(const char* Word) const { return FToken == TToken::Ident && SameKeyword(FTokenText, Word); }

  String ExpectIdent() {
    if (FToken != TToken::Ident) Error(u"Identifier expected");
    String result = UTF8ToString(FTokenText);
    Next();
    return result;
  }

  Int64 ExpectInteger() {
    if (FToken != TToken::Integer) Error(u"Integer expected");
    const Int64 value = FIntValue;
    Next();
    return value;
  }

  void ExpectSymbol(char Symbol) {
    if (FToken != TToken::Symbol || FSymbol != Symbol) Error(Format(u"'%s' expected", {String(1, Char(Symbol))}));
    Next();
  }

  void ParseProperty(Integer Depth) {
    if (FToken != TToken::Ident) Error(u"Property name expected");
    FWriter.WriteStr(UTF8ToString(FTokenText));
    Next();
    ExpectSymbol('=');
    ParseValue(Depth);
  }

  void ParseValue(Integer Depth) {
    if (Depth > MaxNesting) Error(u"Nesting too deep");
    switch (FToken) {
      case TToken::Integer:
        FWriter.WriteInteger(FIntValue);
        Next();
        return;
      case TToken::Float:
        WriteFloat();
        Next();
        return;
      case TToken::String: {
        String value = FStringValue;
        Next();
        while (FToken == TToken::Symbol && FSymbol == '+') {
          Next();
          if (FToken != TToken::String) Error(u"String expected");
          value += FStringValue;
          Next();
        }
        FWriter.WriteString(value);
        return;
      }
      case TToken::Ident:
        FWriter.WriteIdent(UTF8ToString(FTokenText));
        Next();
        return;
      case TToken::Symbol:
        break;
      case TToken::Eof:
        Error(u"Value expected");
    }
    switch (FSymbol) {
      case '[': {
        FWriter.WriteValue(vaSet);
        Next();
        if (FToken != TToken::Symbol || FSymbol != ']') {
          for (;;) {
            FWriter.WriteStr(ExpectIdent());
            if (FToken == TToken::Symbol && FSymbol == ']') break;
            ExpectSymbol(',');
          }
        }
        Next();
        FWriter.WriteStr(u"");
        return;
      }
      case '(':
        FWriter.WriteListBegin();
        Next();
        while (FToken != TToken::Symbol || FSymbol != ')') ParseValue(Depth + 1);
        Next();
        FWriter.WriteListEnd();
        return;
      case '{':
        ParseBinary();
        return;
      case '<':
        FWriter.WriteValue(vaCollection);
        Next();
        while (FToken != TToken::Symbol || FSymbol != '>') {
          if (!IsKeyword("item")) Error(u"'item' expected");
          Next();
          if (FToken == TToken::Symbol && FSymbol == '[') {
            Next();
            FWriter.WriteInteger(ExpectInteger());
            ExpectSymbol(']');
          }
          FWriter.WriteListBegin();
          while (!IsKeyword("end")) ParseProperty(Depth + 1);
          Next();
          FWriter.WriteListEnd();
        }
        Next();
        FWriter.WriteListEnd();
        return;
      default:
        Error(u"Invalid property value");
    }
  }

  void WriteFloat() {
    switch (FFloatSuffix) {
      case 's':
        if (!(std::fabs(FFloatValue) <= 3.4028234663852886e38)) Error(u"Number out of range");
        FWriter.WriteSingle(static_cast<float>(FFloatValue));
        break;
      case 'c': {
        const double scaled = std::round(FFloatValue * 10000.0);
        // Beyond 2^53 the scaled value would no longer be exact.
        if (!(std::fabs(scaled) <= 9007199254740992.0)) Error(u"Number out of range");
        const Int64 value = static_cast<Int64>(scaled);
        FWriter.WriteValue(vaCurrency);
        FWriter.GetStream()->WriteBuffer(&value, 8);
        break;
      }
      case 'd':
        FWriter.WriteValue(vaDate);
        FWriter.GetStream()->WriteBuffer(&FFloatValue, 8);
        break;
      default:
        FWriter.WriteDouble(FFloatValue);
        break;
    }
  }

  // '{' has been seen; hexadecimal digits in pairs, blanks between them, up to '}'.
  void ParseBinary() {
    TBytes data;
    int high = -1;
    for (;;) {
      if (FPos >= FText.size()) Error(u"'}' expected");
      const char c = FText[FPos++];
      if (c == '}') break;
      if (c == '\n') ++FLine;
      if (static_cast<unsigned char>(c) <= ' ') continue;
      const int v = HexValue(c);
      if (v < 0) Error(u"Invalid binary value");
      if (high < 0) {
        high = v;
      } else {
        data.push_back(static_cast<Byte>(high * 16 + v));
        high = -1;
      }
    }
    if (high >= 0) Error(u"Invalid binary value");
    FWriter.WriteBinary(data);
    Next();
  }

  std::string FText;
  TWriter& FWriter;
  size_t FPos = 0;
  Integer FLine = 1;
  TToken FToken = TToken::Eof;
  std::string FTokenText;
  char FSymbol = 0;
  String FStringValue;
  Int64 FIntValue = 0;
  double FFloatValue = 0;
  char FFloatSuffix = 0;
};

// ---- binary to text ---------------------------------------------------------------------------------

class TTextEmitter {
 public:
  TTextEmitter(TReader& Reader, TStream* Output) : FReader(Reader), FOutput(Output) {}

  void ConvertObject(Integer Indent) {
    if (Indent / 2 > MaxNesting) throw EReadError(u"Invalid stream format");
    const Byte first = FReader.NextValue();
    std::string keyword = "object";
    std::string position;
    if ((first & 0xF0) == 0xF0) {
      FReader.ReadValue();
      if (first & (1 << ffInherited)) keyword = "inherited";
      if (first & (1 << ffInline)) keyword = "inline";
      if (first & (1 << ffChildPos)) position = " [" + std::to_string(FReader.ReadInt64()) + "]";
    }
    const std::string className = StringToUTF8(FReader.ReadStr());
    const std::string name = StringToUTF8(FReader.ReadStr());
    Line(Indent, keyword + " " + (name.empty() ? "" : name + ": ") + className + position);
    while (!FReader.EndOfList()) ConvertProperty(Indent + 2);
    FReader.ReadListEnd();
    while (!FReader.EndOfList()) ConvertObject(Indent + 2);
    FReader.ReadListEnd();
    Line(Indent, "end");
  }

 private:
  void Emit(const std::string& Text) { FOutput->WriteBuffer(Text.data(), static_cast<Int64>(Text.size())); }
  void Line(Integer Indent, const std::string& Text) { Emit(std::string(static_cast<size_t>(Indent), ' ') + Text + "\n"); }

  void ConvertProperty(Integer Indent) {
    FPending = std::string(static_cast<size_t>(Indent), ' ') + StringToUTF8(FReader.ReadStr()) + " = ";
    ConvertValue(Indent);
    Emit(FPending + "\n");
    FPending.clear();
  }

  static std::string QuoteString(const String& Value) {
    if (Value.empty()) return "''";
    std::string result;
    bool quoted = false;
    for (Char c : Value) {
      if (c >= 32 && c < 127) {
        if (!quoted) result += '\'';
        quoted = true;
        if (c == u'\'') result += '\'';
        result += static_cast<char>(c);
      } else {
        if (quoted) result += '\'';
        quoted = false;
        result += '#' + std::to_string(static_cast<unsigned>(c));
      }
    }
    if (quoted) result += '\'';
    return result;
  }

  static std::string FloatText(double Value) {
    if (!std::isfinite(Value)) throw EReadError(u"Invalid property value");
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, Value);
    std::string text(buffer, end);
    if (text.find_first_of(".e") == std::string::npos) text += ".0";
    return text;
  }

  // Appends the value to the pending line; lists, collections and binary data span lines.
  void ConvertValue(Integer Indent) {
    if (Indent / 2 > MaxNesting) throw EReadError(u"Invalid stream format");
    const TValueType type = FReader.NextValue();
    switch (type) {
      case vaInt8:
      case vaInt16:
      case vaInt32:
      case vaInt64:
        FPending += std::to_string(FReader.ReadInt64());
        return;
      case vaExtended:
      case vaDouble:
        FPending += FloatText(FReader.ReadFloat());
        return;
      case vaSingle:
        FPending += FloatText(static_cast<float>(FReader.ReadFloat())) + "s";
        return;
      case vaCurrency:
        FPending += FloatText(FReader.ReadFloat()) + "c";
        return;
      case vaDate:
        FPending += FloatText(FReader.ReadFloat()) + "d";
        return;
      case vaString:
      case vaLString:
      case vaWString:
      case vaUTF8String:
        FPending += QuoteString(FReader.ReadString());
        return;
      case vaIdent:
      case vaFalse:
      case vaTrue:
      case vaNil:
      case vaNull:
        FPending += StringToUTF8(FReader.ReadIdent());
        return;
      case vaSet: {
        FReader.ReadValue();
        FPending += '[';
        bool first = true;
        for (String e = FReader.ReadStr(); !e.empty(); e = FReader.ReadStr()) {
          if (!first) FPending += ", ";
          first = false;
          FPending += StringToUTF8(e);
        }
        FPending += ']';
        return;
      }
      case vaBinary: {
        const TBytes data = FReader.ReadBinary();
        static const char hex[] = "0123456789ABCDEF";
        FPending += '{';
        for (size_t i = 0; i < data.size(); ++i) {
          if (i % 32 == 0) {
            Emit(FPending + "\n");
            FPending = std::string(static_cast<size_t>(Indent + 2), ' ');
          }
          FPending += hex[data[i] >> 4];
          FPending += hex[data[i] & 15];
        }
        FPending += '}';
        return;
      }
      case vaList:
        FReader.ReadValue();
        FPending += '(';
        while (!FReader.EndOfList()) {
          Emit(FPending + "\n");
          FPending = std::string(static_cast<size_t>(Indent + 2), ' ');
          ConvertValue(Indent + 2);
        }
        FReader.ReadListEnd();
        FPending += ')';
        return;
      case vaCollection:
        FReader.ReadValue();
        FPending += '<';
        while (!FReader.EndOfList()) {
          std::string item = "item";
          switch (FReader.NextValue()) {
            case vaInt8:
            case vaInt16:
            case vaInt32:
            case vaInt64:
              item += " [" + std::to_string(FReader.ReadInt64()) + "]";
              break;
            default:
              break;
          }
          Emit(FPending + "\n");
          FPending.clear();
          Line(Indent + 2, item);
          FReader.CheckValue(vaList);
          while (!FReader.EndOfList()) ConvertProperty(Indent + 4);
          FReader.ReadListEnd();
          FPending = std::string(static_cast<size_t>(Indent + 2), ' ') + "end";
        }
        FReader.ReadListEnd();
        FPending += '>';
        return;
      default:
        throw EReadError(u"Invalid stream format");
    }
  }

  TReader& FReader;
  TStream* FOutput;
  std::string FPending;
};

}  // namespace

TStreamOriginalFormat TestStreamFormat(TStream* Stream) {
  const Int64 position = Stream->GetPosition();
  char buffer[64];
  const Integer count = Stream->Read(buffer, sizeof buffer);
  Stream->SetPosition(position);
  std::string_view head(buffer, static_cast<size_t>(count < 0 ? 0 : count));
  if (head.substr(0, 4) == "TPF0") return sofBinary;
  if (head.substr(0, 3) == "\xEF\xBB\xBF") head.remove_prefix(3);
  while (!head.empty() && static_cast<unsigned char>(head.front()) <= ' ') head.remove_prefix(1);
  for (const char* keyword : {"object", "inherited", "inline"}) {
    const size_t n = std::strlen(keyword);
    if (head.size() > n && SameKeyword(head.substr(0, n), keyword) && !IsIdentChar(head[n])) return sofText;
  }
  return sofUnknown;
}

void ObjectTextToBinary(TStream* Input, TStream* Output) {
  const Int64 size = Input->GetSize() - Input->GetPosition();
  if (size < 0 || size > INT32_MAX) throw EParserError(u"Text too large");
  std::string text(static_cast<size_t>(size), '\0');
  Input->ReadBuffer(text.data(), size);
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  TWriter writer(Output);
  TTextParser parser(std::move(text), writer);
  writer.WriteSignature();
  parser.ParseObject(0);
  parser.ExpectEof();
}

void ObjectBinaryToText(TStream* Input, TStream* Output) {
  TReader reader(Input);
  reader.ReadSignature();
  TTextEmitter emitter(reader, Output);
  emitter.ConvertObject(0);
}
