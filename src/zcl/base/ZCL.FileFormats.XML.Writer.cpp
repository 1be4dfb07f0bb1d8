#include "zcl/base/ZCL.FileFormats.XML.Writer.h"

#include <algorithm>
#include <cstring>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.FileFormats.XML.Types.h"

namespace {

constexpr Integer BufferSize = 65536;
constexpr const char16_t XmlnsNamespace[] = u"http://www.w3.org/2000/xmlns/";
constexpr const char16_t XmlNamespace[] = u"http://www.w3.org/XML/1998/namespace";

// Internal states of the raw writer.
enum : int { sStart, sAfterRoot, sProlog, sStartTag, sContent, sAttrName, sAttrValue, sClosed, sError };
// Tokens of the operations.
enum : int { tStartDocument = 0, tStartElement = 2, tEndElement = 3, tStartAttr = 4, tEndAttr = 5, tContent = 6 };

String QName(const String& Prefix, const String& Local) { return Prefix.empty() ? Local : Prefix + u":" + Local; }

void Require(bool Condition, const char16_t* What) {
  if (!Condition) throw EAssertionFailed(Format(u"Assertion failed: %s", {String(What)}));
}

bool IsHexDigit(Char C) { return (C >= u'0' && C <= u'9') || (C >= u'a' && C <= u'f') || (C >= u'A' && C <= u'F'); }

// "_xHHHH_" naming a code the writer itself escapes (controls, non-characters, surrogates, "_"):
// the reader decodes exactly these.
bool LooksLikeEscape(const Char* P, Integer Count) {
  if (Count < 7 || P[0] != u'_' || P[1] != u'x' || P[6] != u'_') return false;
  uint32_t v = 0;
  for (int k = 2; k < 6; ++k) {
    if (!IsHexDigit(P[k])) return false;
    v = v * 16 + (P[k] <= u'9' ? P[k] - u'0' : (P[k] | 0x20) - u'a' + 10);
  }
  if (v == 0x5F) return true;
  if (v < 0x20) return v != 9 && v != 10 && v != 13;
  return v == 0xFFFE || v == 0xFFFF || (v >= 0xD800 && v <= 0xDFFF);
}

// Appends the UTF-8 of P[0..N) at O, which has room for 3 * N bytes, and returns the end. A high
// surrogate at the end waits in High for its low half; a unit that is not part of a surrogate pair
// becomes U+FFFD, as the run-time library's encoder writes it.
Byte* EncodeUtf8(const Char* P, size_t N, Byte* O, Char& High) {
  const Char* end = P + N;
  if (High && P < end) {
    if (*P >= 0xDC00 && *P <= 0xDFFF) {
      const uint32_t c = zcXMLCombineSurrogates(*P++, High);
      *O++ = static_cast<Byte>(0xF0 | (c >> 18));
      *O++ = static_cast<Byte>(0x80 | ((c >> 12) & 0x3F));
      *O++ = static_cast<Byte>(0x80 | ((c >> 6) & 0x3F));
      *O++ = static_cast<Byte>(0x80 | (c & 0x3F));
    } else {
      *O++ = 0xEF, *O++ = 0xBF, *O++ = 0xBD;
    }
    High = 0;
  }
  while (P < end) {
    // Runs of ASCII four units at a time.
    while (end - P >= 4) {
      uint64_t units;
      std::memcpy(&units, P, 8);
      if (units & 0xFF80FF80FF80FF80ull) break;
      O[0] = static_cast<Byte>(P[0]);
      O[1] = static_cast<Byte>(P[1]);
      O[2] = static_cast<Byte>(P[2]);
      O[3] = static_cast<Byte>(P[3]);
      O += 4;
      P += 4;
    }
    if (P >= end) break;
    uint32_t c = *P++;
    if (c < 0x80) {
      *O++ = static_cast<Byte>(c);
      continue;
    }
    if (c < 0x800) {
      *O++ = static_cast<Byte>(0xC0 | (c >> 6));
      *O++ = static_cast<Byte>(0x80 | (c & 0x3F));
      continue;
    }
    if (c >= 0xD800 && c <= 0xDFFF) {
      if (c <= 0xDBFF && P == end) {
        High = static_cast<Char>(c);
        break;
      }
      if (c <= 0xDBFF && *P >= 0xDC00 && *P <= 0xDFFF) {
        c = zcXMLCombineSurrogates(*P++, static_cast<Char>(c));
        *O++ = static_cast<Byte>(0xF0 | (c >> 18));
        *O++ = static_cast<Byte>(0x80 | ((c >> 12) & 0x3F));
        *O++ = static_cast<Byte>(0x80 | ((c >> 6) & 0x3F));
        *O++ = static_cast<Byte>(0x80 | (c & 0x3F));
        continue;
      }
      c = 0xFFFD;
    }
    *O++ = static_cast<Byte>(0xE0 | (c >> 12));
    *O++ = static_cast<Byte>(0x80 | ((c >> 6) & 0x3F));
    *O++ = static_cast<Byte>(0x80 | (c & 0x3F));
  }
  return O;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TZCLXMLWriter

const String TZCLXMLWriter::NoText;

void TZCLXMLWriter::WriteAttributeString(const String& LocalName, const String& Value) {
  WriteAttributeString(NoText, LocalName, Value);
}

void TZCLXMLWriter::WriteAttributeString(const String& Prefix, const String& LocalName, const String& Value) {
  WriteStartAttribute(Prefix, LocalName);
  WriteString(Value);
  WriteEndAttribute();
}

void TZCLXMLWriter::WriteAttributeInteger(const String& LocalName, Int64 Value) {
  WriteAttributeString(LocalName, IntToStr(Value));
}

void TZCLXMLWriter::WriteElementString(const String& LocalName, const String& Value) {
  WriteElementString(NoText, LocalName, NoText, Value);
}

void TZCLXMLWriter::WriteElementString(const String& Prefix, const String& LocalName, const String& Namespace,
                                       const String& Value) {
  WriteStartElement(Prefix, LocalName, Namespace);
  if (!Namespace.empty()) WriteAttributeString(u"xmlns", Namespace);
  if (!Value.empty()) WriteString(Value);
  WriteEndElement();
}

std::unique_ptr<TZCLXMLWriter> TZCLXMLWriter::Create(TStream* Stream, const TZCLXMLWriterSettings& Settings) {
  auto raw = std::make_unique<TZCLXMLRawWriter>(Stream, Settings);
  if (!Settings.WellFormed) return raw;
  return std::make_unique<TZCLXMLWellFormedWriter>(raw.release(), Settings);
}

// ---------------------------------------------------------------------------------------------
// TZCLXMLRawWriter

TZCLXMLRawWriter::TZCLXMLRawWriter(TStream* Stream, const TZCLXMLWriterSettings& Settings)
    : FStream(Stream), FSettings(Settings) {
  FScopes.reserve(8);
  FBuffer.resize(BufferSize + 64);
}

TZCLXMLRawWriter::~TZCLXMLRawWriter() {
  try {
    Close();
  } catch (...) {
  }
}

TZCLXMLWriteState TZCLXMLRawWriter::GetWriteState() {
  static constexpr TZCLXMLWriteState map[] = {xwsStart,     xwsContent,   xwsProlog, xwsElement, xwsContent,
                                              xwsAttribute, xwsAttribute, xwsClosed, xwsError};
  return map[FState];
}

void TZCLXMLRawWriter::CheckState(int Token) {
  if (FState == sStartTag && (Token == tStartElement || Token == tContent)) Put(u'>');
  int next = -1;
  switch (Token) {
    case tStartDocument:
      if (FState == sStart) next = sProlog;
      break;
    case tStartElement:
      if (FState == sStart || FState == sProlog || FState == sStartTag || FState == sContent) next = sStartTag;
      break;
    case tEndElement:
      if (FState == sStartTag || FState == sContent) next = FScopes.size() == 1 ? sAfterRoot : sContent;
      break;
    case tStartAttr:
      if (FState == sStartTag) next = sAttrName;
      break;
    case tEndAttr:
      if (FState == sAttrName || FState == sAttrValue) next = sStartTag;
      break;
    case tContent:
      if (FState == sStartTag || FState == sContent) next = sContent;
      else if (FState == sAttrName || FState == sAttrValue) next = sAttrValue;
      break;
  }
  if (next < 0) {
    int old = FState;
    FState = sError;
    throw Exception(u"Invalid state (FState = %d, AToken = %d)", {old, Token});
  }
  FState = next;
}

void TZCLXMLRawWriter::Append(const Char* P, size_t N) {
  // Markup is mostly short ASCII pieces: they are copied as they are, without the encoder.
  if (!FHighSurrogate && N <= 64 && FLength + N <= FBuffer.size()) {
    Byte* const o = FBuffer.data() + FLength;
    size_t i = 0;
    for (; N - i >= 4; i += 4) {
      uint64_t units;
      std::memcpy(&units, P + i, 8);
      if (units & 0xFF80FF80FF80FF80ull) break;
      o[i] = static_cast<Byte>(P[i]);
      o[i + 1] = static_cast<Byte>(P[i + 1]);
      o[i + 2] = static_cast<Byte>(P[i + 2]);
      o[i + 3] = static_cast<Byte>(P[i + 3]);
    }
    while (i < N && P[i] < 0x80) {
      o[i] = static_cast<Byte>(P[i]);
      ++i;
    }
    FLength += i;
    if (i == N) return;
    P += i;
    N -= i;
  }
  const size_t need = FLength + 3 * N + 3;
  if (need > FBuffer.size()) FBuffer.resize(std::max(need, FBuffer.size() * 2));
  FLength = static_cast<size_t>(EncodeUtf8(P, N, FBuffer.data() + FLength, FHighSurrogate) - FBuffer.data());
}

void TZCLXMLRawWriter::Put(Char C) {
  if (C < 0x80 && !FHighSurrogate && FLength < FBuffer.size())
    FBuffer[FLength++] = static_cast<Byte>(C);
  else
    Append(&C, 1);
  FLastChar = C;
}

void TZCLXMLRawWriter::Put(StringView S) {
  if (S.empty()) return;
  Append(S.data(), S.size());
  FLastChar = S.back();
  if (static_cast<Integer>(FLength) >= BufferSize) DoFlush();
}

void TZCLXMLRawWriter::PutLineBreakIndent() {
  // The line break and the indentation of every level so far, kept end to end: one piece each time.
  const size_t length = FSettings.LineBreak.size() + FSettings.IndentText.size() * static_cast<size_t>(FIndentLevel);
  if (FIndents.empty()) FIndents = FSettings.LineBreak;
  while (FIndents.size() < length) FIndents += FSettings.IndentText;
  Put(StringView(FIndents).substr(0, length));
}

void TZCLXMLRawWriter::PutName(const String& Prefix, const String& LocalName) {
  if (!Prefix.empty()) {
    Put(Prefix);
    Put(u':');
  }
  Put(LocalName);
}

void TZCLXMLRawWriter::DoFlush() {
  if (FLength == 0 && !FHighSurrogate) return;
  try {
    // A high surrogate still alone here has lost its pair.
    if (FHighSurrogate) {
      FHighSurrogate = 0;
      Append(u"\uFFFD", 1);
    }
    const size_t count = FLength;
    FLength = 0;
    FStream->WriteBuffer(FBuffer.data(), static_cast<Int64>(count));
  } catch (...) {
    FState = sError;
    throw;
  }
}

void TZCLXMLRawWriter::WriteStartDocument(Integer Standalone) {
  CheckState(tStartDocument);
  if (FSettings.NoDeclaration || FDeclarationWritten) return;
  FDeclarationWritten = true;
  Put(u"<?xml version=\"1.0\" encoding=\"utf-8\"");
  if (Standalone == 1)
    Put(u" standalone=\"yes\"");
  else if (Standalone != 0)
    Put(u" standalone=\"no\"");
  Put(u"?>");
}

void TZCLXMLRawWriter::WriteEndDocument() {}

void TZCLXMLRawWriter::WriteStartElement(const String& Prefix, const String& LocalName, const String&) {
  Require(!LocalName.empty(), u"LocalName");
  if (FState == sStart && !FSettings.NoDeclaration) WriteStartDocument(0);
  CheckState(tStartElement);
  // Indentation inside preserved content would become part of it.
  const bool preserve = !FScopes.empty() && FScopes.back().Preserve;
  if ((FIndentLevel > 0 && FSettings.IndentElements && !preserve) || (FIndentLevel == 0 && !FSettings.NoDeclaration))
    PutLineBreakIndent();
  Put(u'<');
  PutName(Prefix, LocalName);
  FScopes.push_back({FScopeNames.size(), preserve});
  if (!Prefix.empty()) {
    FScopeNames += Prefix;
    FScopeNames += u':';
  }
  FScopeNames += LocalName;
  ++FIndentLevel;
}

void TZCLXMLRawWriter::WriteEndElement() {
  if (FState == sStartTag) {
    CheckState(tEndElement);
    Put(u"/>");
    FScopeNames.resize(FScopes.back().NameStart);
    FScopes.pop_back();
    --FIndentLevel;
    return;
  }
  WriteFullEndElement();
}

void TZCLXMLRawWriter::WriteFullEndElement() {
  if (FState == sStartTag) Put(u'>');
  CheckState(tEndElement);
  --FIndentLevel;
  if (FSettings.IndentElements && FLastChar == u'>' && !FScopes.back().Preserve) PutLineBreakIndent();
  const size_t start = FScopes.back().NameStart;
  FScopes.pop_back();
  Put(u"</");
  Put(StringView(FScopeNames).substr(start));
  Put(u'>');
  FScopeNames.resize(start);
}

void TZCLXMLRawWriter::WriteStartAttribute(const String& Prefix, const String& LocalName) {
  Require(!LocalName.empty(), u"LocalName");
  CheckState(tStartAttr);
  if (FSettings.BreakBeforeAttributes)
    PutLineBreakIndent();
  else
    Put(u' ');
  PutName(Prefix, LocalName);
  Put(u"=\"");
  FInSpaceAttr = Prefix.empty() ? LocalName.size() == 9 && LocalName == u"xml:space"
                                : LocalName.size() == 5 && Prefix == u"xml" && LocalName == u"space";
  FSpaceValue.clear();
}

void TZCLXMLRawWriter::WriteEndAttribute() {
  CheckState(tEndAttr);
  Put(u'"');
  if (FInSpaceAttr) {
    FInSpaceAttr = false;
    if (FSpaceValue == u"preserve")
      FScopes.back().Preserve = true;
    else if (FSpaceValue == u"default")
      FScopes.back().Preserve = false;
  }
}

void TZCLXMLRawWriter::SpecialChar(const Char* P, Integer Count, Integer& I, bool Escape) {
  Char c = P[I];
  bool disallowed = false;
  if (c < 0xD800 || c > 0xDFFF) {
    disallowed = c < 0x80 || c > 0xFFFD;
    if (!disallowed) {
      Put(c);
      return;
    }
  } else if (zcXMLIsHighSurrogate(c) && I + 1 < Count && zcXMLIsLowSurrogate(P[I + 1])) {
    Put(c);
    Put(P[I + 1]);
    ++I;
    return;
  } else if (FSettings.RejectInvalidChars) {
    if (zcXMLIsLowSurrogate(c))
      throw EZCLXMLArgumentException(Format(u"Invalid high surrogate character (%s). A high surrogate character must "
                                            u"have a value from range (0xD800 - 0xDBFF).",
                                            {zcXMLHex4(c)}));
    if (I + 1 >= Count)
      throw EZCLXMLArgumentException(u"The surrogate pair is invalid. Missing a low surrogate character.");
    throw EZCLXMLInvalidSurrogatePairException(
        Format(u"The surrogate pair (%s, %s) is invalid. A high surrogate character (0xD800 - 0xDBFF) must always be "
               u"paired with a low surrogate character (0xDC00 - 0xDFFF).",
               {zcXMLHex4(c), zcXMLHex4(P[I + 1])}));
  }
  if (FSettings.RejectInvalidChars)
    throw EZCLXMLArgumentException(Format(u"The %s is an invalid character.", {zcXMLHex4(c)}));
  if (!Escape)
    Put(c);
  else if (FSettings.UnderscoreEscapes)
    Put(u"_x" + zcXMLHex4(c) + u"_");
  else
    Put(u"&#x" + zcXMLHex4(c) + u";");
}

void TZCLXMLRawWriter::CopyText(const Char* P, Integer Count, TCopyMode Mode) {
  const uint8_t* props = zcXMLCharProperties();
  const bool comment = Mode == TCopyMode::Comment;
  const bool escapeUnderscore = FSettings.UnderscoreEscapes && (Mode == TCopyMode::Attr || Mode == TCopyMode::Text);
  uint8_t fast = (Mode == TCopyMode::Comment || Mode == TCopyMode::Raw) ? xccText : xccAttrValue;
  const Byte mode = FSettings.LineBreakMode;
  for (Integer i = 0; i < Count; ++i) {
    Integer run = i;
    while (run < Count && (props[P[run]] & fast) && !(comment && P[run] == u'-') &&
           !(escapeUnderscore && P[run] == u'_'))
      ++run;
    if (run > i) {
      Append(P + i, static_cast<size_t>(run - i));
      FLastChar = P[run - 1];
      if (static_cast<Integer>(FLength) >= BufferSize) DoFlush();
      i = run;
      if (i >= Count) break;
    }
    Char c = P[i];
    if (c == u'_' && escapeUnderscore) {
      // A literal "_xHHHH_" that the reader would decode keeps its underscore as "_x005f_".
      Put(LooksLikeEscape(P + i, Count - i) ? StringView(u"_x005f_") : StringView(u"_"));
      continue;
    }
    switch (Mode) {
      case TCopyMode::Attr:
        switch (c) {
          case u'\t': Put(mode == 2 ? StringView(u"\t") : u"&#x9;"); continue;
          case u'\n': Put(mode == 2 ? StringView(u"\n") : u"&#xA;"); continue;
          case u'\r': Put(mode == 2 ? StringView(u"\r") : u"&#xD;"); continue;
          case u'"': Put(u"&quot;"); continue;
          case u'&': Put(u"&amp;"); continue;
          case u'<': Put(u"&lt;"); continue;
          case u'>': Put(u"&gt;"); continue;
          case u'\'': Put(c); continue;
        }
        SpecialChar(P, Count, i, true);
        continue;
      case TCopyMode::Text:
        switch (c) {
          case u'\t': case u'"': case u'\'': case u']': Put(c); continue;
          case u'\n': if (mode == 0) Put(FSettings.LineBreak); else Put(c); continue;
          case u'\r':
            if (mode == 0) {
              Put(FSettings.LineBreak);
              if (i + 1 < Count && P[i + 1] == u'\n') ++i;
            } else if (mode == 1) {
              Put(u"&#xD;");
            } else {
              Put(c);
            }
            continue;
          case u'&': Put(u"&amp;"); continue;
          case u'<': Put(u"&lt;"); continue;
          case u'>': Put(u"&gt;"); continue;
        }
        SpecialChar(P, Count, i, true);
        continue;
      default: {
        if (c == u'\r' || c == u'\n') {
          if (mode == 0) {
            Put(FSettings.LineBreak);
            if (c == u'\r' && i + 1 < Count && P[i + 1] == u'\n') ++i;
          } else {
            Put(c);
          }
          continue;
        }
        if (Mode == TCopyMode::CData && c == u'>') {
          size_t n = FLength;
          if (n >= 2 && FBuffer[n - 1] == ']' && FBuffer[n - 2] == ']') Put(u"]]><![CDATA[");
          Put(c);
          continue;
        }
        if (Mode == TCopyMode::Comment && c == u'-') {
          Put(c);
          if (i + 1 >= Count || P[i + 1] == u'-') Put(u' ');
          continue;
        }
        if (props[c] & xccCharData) {
          Put(c);
          continue;
        }
        SpecialChar(P, Count, i, false);
      }
    }
  }
}

void TZCLXMLRawWriter::WriteCData(const String& Text) {
  CheckState(tContent);
  Put(u"<![CDATA[");
  CopyText(Text.data(), static_cast<Integer>(Text.size()), TCopyMode::CData);
  Put(u"]]>");
}

void TZCLXMLRawWriter::WriteComment(const String& Text) {
  CheckState(tContent);
  Put(u"<!--");
  CopyText(Text.data(), static_cast<Integer>(Text.size()), TCopyMode::Comment);
  Put(u"-->");
}

void TZCLXMLRawWriter::WriteChars(const Char* Characters, Integer Count) {
  CheckState(tContent);
  if (Count <= 0) return;
  if (FInSpaceAttr && FState == sAttrValue) FSpaceValue.append(Characters, Count);
  CopyText(Characters, Count, FState == sAttrValue ? TCopyMode::Attr : TCopyMode::Text);
}

void TZCLXMLRawWriter::WriteCharEntity(Char Character) {
  if (FSettings.RejectInvalidChars && !zcXMLHasClass(Character, xccCharData))
    throw EZCLXMLArgumentException(Format(u"The %s is an invalid character.", {zcXMLHex4(Character)}));
  CheckState(tContent);
  Put(u"&#x" + zcXMLHex4(Character) + u";");
}

void TZCLXMLRawWriter::WriteEntityRef(const String& Name) {
  Require(!Name.empty(), u"Name");
  CheckState(tContent);
  Put(u"&" + Name + u";");
}

void TZCLXMLRawWriter::WriteRawChars(const Char* Buffer, Integer BufferLength, Integer Index, Integer Count) {
  Require(Buffer != nullptr && Index >= 0 && Count >= 0 && Index + Count <= BufferLength, u"Buffer");
  CheckState(tContent);
  CopyText(Buffer + Index, Count, TCopyMode::Raw);
}

void TZCLXMLRawWriter::WriteRaw(const String& Text) {
  CheckState(tContent);
  CopyText(Text.data(), static_cast<Integer>(Text.size()), TCopyMode::Raw);
}

void TZCLXMLRawWriter::WriteSurrogateCharEntity(Char Low, Char High) {
  CheckState(tContent);
  String hex = LowerCase(IntToHex(static_cast<long long>(zcXMLCombineSurrogates(Low, High)), 1));
  Put(u"&#x" + hex + u";");
}

void TZCLXMLRawWriter::Flush() {
  if (FState == sClosed || FState == sError) return;
  DoFlush();
}

void TZCLXMLRawWriter::Close() {
  if (FState == sClosed || FState == sError) return;
  try {
    DoFlush();
    FState = sClosed;
  } catch (...) {
    FState = sError;
  }
}

// ---------------------------------------------------------------------------------------------
// TZCLXMLWellFormedWriter

TZCLXMLWellFormedWriter::TZCLXMLWellFormedWriter(TZCLXMLRawWriter* Raw, const TZCLXMLWriterSettings&)
    : FRaw(Raw) {
  FScopes.push_back({u"", 1});
  FNamespaces.push_back({XmlnsNamespace, u"xmlns"});
  FNamespaces.push_back({XmlNamespace, u"xml"});
}

TZCLXMLWellFormedWriter::~TZCLXMLWellFormedWriter() {
  try {
    Close();
  } catch (...) {
  }
}

template <class F>
void TZCLXMLWellFormedWriter::Guard(F&& Action) {
  try {
    Action();
  } catch (...) {
    FError = true;
    throw;
  }
}

void TZCLXMLWellFormedWriter::CheckName(const String& Name) {
  for (size_t i = 0; i < Name.size(); ++i) {
    if (!zcXMLHasClass(Name[i], i == 0 ? xccNameStart : xccNameChar))
      throw EZCLXMLException(
          Format(u"Invalid name character in \"%s\". The %d character, hexadecimal value %s, cannot be included in a name.",
                 {Name, static_cast<Integer>(i), zcXMLHex4(Name[i])}));
  }
}

String TZCLXMLWellFormedWriter::FindNamespace(const String& Prefix, bool& Found) const {
  for (Integer i = static_cast<Integer>(FNamespaces.size()) - 1; i >= 0; --i)
    if (FNamespaces[i].Prefix == Prefix) {
      Found = true;
      return FNamespaces[i].Name;
    }
  Found = false;
  return {};
}

void TZCLXMLWellFormedWriter::CompleteStartTag() {
  if (FRaw->GetWriteState() != xwsElement) return;
  std::vector<std::pair<String, String>> resolved;  // (namespace, local name)
  for (const TAttrName& a : FAttrs) {
    if (a.Prefix.empty() || a.Prefix == u"xmlns") continue;
    bool found;
    String ns = FindNamespace(a.Prefix, found);
    if (!found) throw EZCLXMLException(Format(u"Unable to find namespace for the \"%s\" prefix", {a.Prefix}));
    for (const auto& r : resolved)
      if (r.first == ns && r.second == a.LocalName)
        throw EZCLXMLException(Format(u"\"%s\" is a duplicate attribute name.", {QName(a.Prefix, a.LocalName)}));
    resolved.push_back({ns, a.LocalName});
  }
  const String& prefix = FScopes.back().Prefix;
  if (!prefix.empty()) {
    bool found;
    FindNamespace(prefix, found);
    if (!found) throw EZCLXMLException(Format(u"Unable to find namespace for the \"%s\" prefix", {prefix}));
  }
  FAttrs.clear();
}

TZCLXMLWriteState TZCLXMLWellFormedWriter::GetWriteState() { return FError ? xwsError : FRaw->GetWriteState(); }

void TZCLXMLWellFormedWriter::WriteStartDocument(Integer Standalone) {
  Guard([&] { FRaw->WriteStartDocument(Standalone); });
}

void TZCLXMLWellFormedWriter::WriteEndDocument() {
  Guard([&] { FRaw->WriteEndDocument(); });
}

void TZCLXMLWellFormedWriter::WriteStartElement(const String& Prefix, const String& LocalName,
                                                const String& Namespace) {
  Guard([&] {
    CompleteStartTag();
    if (LocalName.empty()) throw EZCLXMLArgumentException(u"The empty string is not a valid local name.");
    CheckName(LocalName);
    if (!Prefix.empty()) CheckName(Prefix);
    FRaw->WriteStartElement(Prefix, LocalName, Namespace);
    FScopes.push_back({Prefix, static_cast<Integer>(FNamespaces.size()) - 1});
  });
}

void TZCLXMLWellFormedWriter::WriteEndElement() {
  Guard([&] {
    CompleteStartTag();
    if (FScopes.size() <= 1) throw EZCLXMLArgumentException(u"There was no XML start tag open.");
    FRaw->WriteEndElement();
    FNamespaces.resize(FScopes.back().NamespaceTop + 1);
    FScopes.pop_back();
  });
}

void TZCLXMLWellFormedWriter::WriteFullEndElement() {
  Guard([&] {
    CompleteStartTag();
    if (FScopes.size() <= 1) throw EZCLXMLException(u"There was no XML start tag open.");
    FRaw->WriteFullEndElement();
    FNamespaces.resize(FScopes.back().NamespaceTop + 1);
    FScopes.pop_back();
  });
}

void TZCLXMLWellFormedWriter::WriteStartAttribute(const String& Prefix, const String& LocalName) {
  Guard([&] {
    if (LocalName.empty()) throw EZCLXMLArgumentException(u"The empty string is not a valid local name.");
    CheckName(LocalName);
    if (!Prefix.empty()) CheckName(Prefix);
    FInNamespaceDecl = false;
    if (Prefix == u"xmlns") {
      if (LocalName == u"xml" || LocalName == u"xmlns")
        throw EZCLXMLArgumentException(Format(u"The %s is invalid for local name", {LocalName}));
      FInNamespaceDecl = true;
      FDeclaredPrefix = LocalName;
    } else if (Prefix.empty() && LocalName == u"xmlns") {
      FInNamespaceDecl = true;
      FDeclaredPrefix.clear();
    }
    FDeclaredNamespace.clear();
    FRaw->WriteStartAttribute(Prefix, LocalName);
    for (const TAttrName& a : FAttrs)
      if (a.LocalName == LocalName && a.Prefix == Prefix)
        throw EZCLXMLException(Format(u"\"%s\" is a duplicate attribute name.", {QName(Prefix, LocalName)}));
    FAttrs.push_back({LocalName, Prefix});
  });
}

void TZCLXMLWellFormedWriter::WriteEndAttribute() {
  Guard([&] {
    if (FInNamespaceDecl) {
      // A redeclaration on the same element replaces the earlier one.
      Integer scopeTop = FScopes.back().NamespaceTop;
      bool replaced = false;
      for (Integer i = static_cast<Integer>(FNamespaces.size()) - 1; i > scopeTop; --i)
        if (FNamespaces[i].Prefix == FDeclaredPrefix) {
          FNamespaces[i].Name = FDeclaredNamespace;
          replaced = true;
        }
      if (!replaced) FNamespaces.push_back({FDeclaredNamespace, FDeclaredPrefix});
      FInNamespaceDecl = false;
    }
    FRaw->WriteEndAttribute();
  });
}

void TZCLXMLWellFormedWriter::WriteCData(const String& Text) {
  Guard([&] {
    CompleteStartTag();
    FRaw->WriteCData(Text);
  });
}

void TZCLXMLWellFormedWriter::WriteComment(const String& Text) {
  Guard([&] {
    CompleteStartTag();
    FRaw->WriteComment(Text);
  });
}

void TZCLXMLWellFormedWriter::WriteChars(const Char* Characters, Integer Count) {
  Guard([&] {
    if (FInNamespaceDecl && Count > 0) FDeclaredNamespace.append(Characters, Count);
    FRaw->WriteChars(Characters, Count);
  });
}

void TZCLXMLWellFormedWriter::WriteCharEntity(Char Character) {
  Guard([&] {
    CompleteStartTag();
    if (Character >= 0xD800 && Character <= 0xDFFF)
      throw EZCLXMLArgumentException(u"The surrogate pair is invalid. Missing a low surrogate character.");
    if (FInNamespaceDecl)
      throw EZCLXMLArgumentException(Format(u"The %s expected, but %s specified.", {u"Namespace", u"CharEntity"}));
    FRaw->WriteCharEntity(Character);
  });
}

void TZCLXMLWellFormedWriter::WriteEntityRef(const String& Name) {
  Guard([&] {
    CompleteStartTag();
    if (Name.empty()) throw EZCLXMLArgumentException(u"The empty string is not a valid name.");
    CheckName(Name);
    if (FInNamespaceDecl)
      throw EZCLXMLArgumentException(Format(u"The %s expected, but %s specified.", {u"Namespace", u"EntityRef"}));
    FRaw->WriteEntityRef(Name);
  });
}

void TZCLXMLWellFormedWriter::WriteRawChars(const Char* Buffer, Integer BufferLength, Integer Index, Integer Count) {
  Guard([&] {
    CompleteStartTag();
    if (Buffer == nullptr) throw EZCLXMLArgumentNullException(u"buffer");
    if (Index < 0 || Index > BufferLength) throw EZCLXMLArgumentOutOfRangeException(u"index");
    if (Count < 0 || Count > BufferLength - Index) throw EZCLXMLArgumentOutOfRangeException(u"count");
    if (FInNamespaceDecl)
      throw EZCLXMLArgumentException(Format(u"The %s expected, but %s specified.", {u"Namespace", u"Raw"}));
    FRaw->WriteRawChars(Buffer, BufferLength, Index, Count);
  });
}

void TZCLXMLWellFormedWriter::WriteRaw(const String& Text) {
  Guard([&] {
    CompleteStartTag();
    if (FInNamespaceDecl)
      throw EZCLXMLArgumentException(Format(u"The %s expected, but %s specified.", {u"Namespace", u"Raw"}));
    FRaw->WriteRaw(Text);
  });
}

void TZCLXMLWellFormedWriter::WriteSurrogateCharEntity(Char Low, Char High) {
  Guard([&] {
    if (!zcXMLIsLowSurrogate(Low) || !zcXMLIsHighSurrogate(High))
      throw EZCLXMLInvalidSurrogatePairException(
          Format(u"The surrogate pair (%s, %s) is invalid. A high surrogate character (0xD800 - 0xDBFF) must always "
                 u"be paired with a low surrogate character (0xDC00 - 0xDFFF).",
                 {zcXMLHex4(Low), zcXMLHex4(High)}));
    if (FInNamespaceDecl)
      throw EZCLXMLArgumentException(Format(u"The %s expected, but %s specified.", {u"Namespace", u"CharEntity"}));
    FRaw->WriteSurrogateCharEntity(Low, High);
  });
}

void TZCLXMLWellFormedWriter::Close() {
  if (FError) return;
  FRaw->Close();
}

void TZCLXMLWellFormedWriter::Flush() {
  Guard([&] { FRaw->Flush(); });
}
