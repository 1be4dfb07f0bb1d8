#include "zcl/base/ZCL.FileFormats.XML.Reader.h"

#include <algorithm>
#include <cstring>
#include <tuple>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Strings.h"
#include "rtl/RTL.SyncObjs.h"
#include "zcl/base/ZCL.FileFormats.XML.Types.h"

namespace {

const String XmlNamespace = u"http://www.w3.org/XML/1998/namespace";
const String XmlnsNamespace = u"http://www.w3.org/2000/xmlns/";

// The class table, looked up once: the parser asks at nearly every character.
const uint8_t* const CharClasses = zcXMLCharProperties();
inline bool HasClass(Char C, uint8_t Class) { return (CharClasses[C] & Class) != 0; }

bool IsWs(Char C) { return C == u' ' || C == u'\t' || C == u'\n' || C == u'\r'; }
bool IsNameStart(Char C) { return HasClass(C, xccNameStart); }
bool IsNameChar(Char C) { return HasClass(C, xccNameChar); }

// The length of the multi-byte UTF-8 sequence at P (N bytes there), with its code point in Cp;
// 0 when the bytes there are no whole, valid, shortest sequence of a scalar value.
size_t Utf8Sequence(const Byte* P, size_t N, uint32_t& Cp) {
  const Byte b = P[0];
  size_t len;
  uint32_t min;
  if ((b & 0xE0) == 0xC0)
    len = 2, min = 0x80;
  else if ((b & 0xF0) == 0xE0)
    len = 3, min = 0x800;
  else if ((b & 0xF8) == 0xF0)
    len = 4, min = 0x10000;
  else
    return 0;
  if (len > N) return 0;
  uint32_t cp = b & (0x7F >> len);
  for (size_t k = 1; k < len; ++k) {
    if ((P[k] & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (P[k] & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  Cp = cp;
  return len;
}

// Length of the valid UTF-8 prefix of the bytes.
size_t ValidUtf8Prefix(const Byte* P, size_t N) {
  size_t i = 0;
  while (i < N) {
    // Runs of ASCII eight bytes at a time.
    while (N - i >= 8) {
      uint64_t word;
      std::memcpy(&word, P + i, 8);
      if (word & 0x8080808080808080ull) break;
      i += 8;
    }
    if (i >= N) break;
    if (P[i] < 0x80) {
      ++i;
      continue;
    }
    uint32_t cp;
    const size_t len = Utf8Sequence(P + i, N - i, cp);
    if (len == 0) return i;
    i += len;
  }
  return N;
}

// Whether the bytes (fewer than a whole sequence) may begin a UTF-8 sequence that more input completes.
bool IsUtf8Lead(const Byte* P, Integer N) {
  Integer need = P[0] >= 0xC2 && P[0] <= 0xDF   ? 2
                 : P[0] >= 0xE0 && P[0] <= 0xEF ? 3
                 : P[0] >= 0xF0 && P[0] <= 0xF4 ? 4
                                                : 0;
  if (N >= need) return false;
  for (Integer i = 1; i < N; ++i)
    if ((P[i] & 0xC0) != 0x80) return false;
  return true;
}

// How many of the eight units at P come before the first one below U+0020, above U+7FFF or equal
// to A, B or C: those are plain text. Underscore is set when one of them is "_", NotBlank when one
// is not a space.
inline int PlainUnits(const Char* P, Char A, Char B, Char C, bool& Underscore, bool& NotBlank) {
#if defined(__SSE2__)
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P));
  const __m128i stop = _mm_or_si128(
      _mm_or_si128(_mm_cmplt_epi16(v, _mm_set1_epi16(0x20)), _mm_cmpeq_epi16(v, _mm_set1_epi16(static_cast<short>(A)))),
      _mm_or_si128(_mm_cmpeq_epi16(v, _mm_set1_epi16(static_cast<short>(B))),
                   _mm_cmpeq_epi16(v, _mm_set1_epi16(static_cast<short>(C)))));
  const unsigned stopBits = static_cast<unsigned>(_mm_movemask_epi8(stop));
  const int plain = stopBits ? __builtin_ctz(stopBits) / 2 : 8;
  const unsigned mask = plain == 8 ? 0xFFFFu : (1u << (2 * plain)) - 1;
  if ((static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(v, _mm_set1_epi16(0x20)))) & mask) != mask)
    NotBlank = true;
  if (static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(v, _mm_set1_epi16(0x5F)))) & mask) Underscore = true;
  return plain;
#else
  int plain = 0;
  while (plain < 8 && P[plain] >= 0x20 && P[plain] <= 0x7FFF && P[plain] != A && P[plain] != B && P[plain] != C) {
    NotBlank |= P[plain] != u' ';
    Underscore |= P[plain] == u'_';
    ++plain;
  }
  return plain;
#endif
}

bool IsHex(Char C) { return (C >= u'0' && C <= u'9') || (C >= u'a' && C <= u'f') || (C >= u'A' && C <= u'F'); }
int HexVal(Char C) { return C <= u'9' ? C - u'0' : (C | 0x20) - u'a' + 10; }

// The codes the writer turns into "_xHHHH_" (and the underscore that protects a literal pattern).
bool IsEscapedCode(uint32_t C) {
  if (C == 0x5F) return true;
  if (C < 0x20) return C != 9 && C != 10 && C != 13;
  return C == 0xFFFE || C == 0xFFFF || (C >= 0xD800 && C <= 0xDFFF);
}

// "1." and digits.
bool IsVersionNum(const String& V) {
  if (V.size() < 3 || V[0] != u'1' || V[1] != u'.') return false;
  return std::all_of(V.begin() + 2, V.end(), [](Char c) { return c >= u'0' && c <= u'9'; });
}

// A Latin letter, then letters, digits, ".", "_" and "-".
bool IsEncName(const String& V) {
  auto letter = [](Char c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
  if (V.empty() || !letter(V[0])) return false;
  return std::all_of(V.begin() + 1, V.end(), [&](Char c) {
    return letter(c) || (c >= u'0' && c <= u'9') || c == u'.' || c == u'_' || c == u'-';
  });
}

// Whether a declared encoding agrees with the one the first bytes showed (UTF-8 or UTF-16).
bool SameFamily(TEncoding* Detected, TEncoding* Declared) {
  auto family = [](TEncoding* E) {
    Integer cp = E->GetCodePage();
    return cp == 1200 || cp == 1201 ? 1200 : cp;
  };
  return family(Detected) == family(Declared);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TZCLXMLNameTable

TZCLXMLNameTable::TZCLXMLNameTable() = default;

TZCLXMLNameTable::~TZCLXMLNameTable() {
  for (TItem* head : FBuckets)
    while (head) {
      TItem* next = head->Next;
      delete head;
      head = next;
    }
}

uint32_t TZCLXMLNameTable::HashOf(StringView Text) {
  uint32_t h = 0;
  for (Char c : Text) h = ((h << 2) | (h >> 30)) ^ (c & 0xFF);
  return h;
}

const String& TZCLXMLNameTable::Add(StringView Text) {
  if (Text.empty()) return FEmpty;
  // A document repeats few names: the last one seen in its slot is found without hashing it.
  const size_t n = Text.size();
  TItem*& recent = FRecent[(n * 31 + Text[0] * 7 + Text[n - 1] * 3 + Text[n / 2]) % RecentSlots];
  if (recent && recent->Value.size() == n && std::memcmp(recent->Value.data(), Text.data(), n * sizeof(Char)) == 0)
    return recent->Value;
  uint32_t h = HashOf(Text);
  TItem** link = &FBuckets[h & 0xFF];
  for (; *link; link = &(*link)->Next)
    if ((*link)->Hash == h && (*link)->Value == Text) {
      recent = *link;
      return (*link)->Value;
    }
  *link = new TItem{h, String(Text), nullptr};
  recent = *link;
  return (*link)->Value;
}

const String& TZCLXMLNameTable::Get(StringView Text) const {
  if (Text.empty()) return FEmpty;
  uint32_t h = HashOf(Text);
  for (TItem* i = FBuckets[h & 0xFF]; i; i = i->Next)
    if (i->Hash == h && i->Value == Text) return i->Value;
  return FEmpty;
}

// ---------------------------------------------------------------------------------------------
// TZCLXMLNamespaceManager

TZCLXMLNamespaceManager::TZCLXMLNamespaceManager(TZCLXMLNameTable* NameTable) : FNameTable(NameTable) {
  FDecls.reserve(8);
  FDecls.push_back({u"", u"", -1, -1});
  FDecls.push_back({u"xmlns", XmlnsNamespace, -1, -1});
  FDecls.push_back({u"xml", XmlNamespace, 0, -1});
}

bool TZCLXMLNamespaceManager::PopScope() {
  if (FScopeId == 1) return false;
  while (FDecls.size() > 3 && FDecls.back().ScopeId == FScopeId) FDecls.pop_back();
  --FScopeId;
  return true;
}

void TZCLXMLNamespaceManager::AddNamespace(const String& Prefix, const String& Uri) {
  if (Prefix == u"xml" && Uri != XmlNamespace)
    throw EZCLXMLArgumentException(
        u"Prefix 'xml' is reserved for use by XML and can be mapped only to namespace name '" + XmlNamespace + u"'.");
  if (Prefix == u"xmlns") throw EZCLXMLArgumentException(u"Prefix 'xmlns' is reserved for use by XML.");
  Integer previous = -1;
  for (Integer i = static_cast<Integer>(FDecls.size()) - 1; i >= 0; --i)
    if (FDecls[i].Prefix == Prefix) {
      if (FDecls[i].ScopeId == FScopeId) {
        FDecls[i].Uri = FNameTable->Add(Uri);
        return;
      }
      previous = i;
      break;
    }
  FDecls.push_back({FNameTable->Add(Prefix), FNameTable->Add(Uri), FScopeId, previous});
}

String TZCLXMLNamespaceManager::LookupNamespace(const String& Prefix) const {
  for (Integer i = static_cast<Integer>(FDecls.size()) - 1; i >= 0; --i)
    if (FDecls[i].Prefix == Prefix) {
      // An undeclaration (empty name) hides nothing beneath it for a prefix; the default
      // namespace is tracked by the reader's contexts.
      if (!FDecls[i].Uri.empty()) return FDecls[i].Uri;
    }
  return {};
}

// ---------------------------------------------------------------------------------------------
// TZCLXMLNodeData

void TZCLXMLNodeData::Clear() {
  Depth = 0;
  IsEmptyOrDefault = false;
  LineNumber = LinePosition = ValueLineNumber = ValueLinePosition = 0;
  LocalName.clear();
  LocalNameAtom = nullptr;
  NamespaceURI.clear();
  Prefix.clear();
  QuoteChar = u'"';
  NodeType = xntNone;
  Value.clear();
  XmlContextPushed = false;
}

// ---------------------------------------------------------------------------------------------
// TZCLXMLReader

void TZCLXMLReader::Skip() {
  if (FReadState != xrsInteractive) return;
  MoveToElement();
  if (FNode->NodeType != xntElement || FNode->IsEmptyElement()) {
    Read();
    return;
  }
  Integer depth = FNode->Depth;
  while (Read() && FNode->Depth > depth) {
  }
  if (FNode->NodeType == xntEndElement) Read();
}

std::unique_ptr<TZCLXMLReader> TZCLXMLReader::Create(const TZCLXMLReaderSettings& Settings, TStream* Stream) {
  if (Stream == nullptr) throw EZCLXMLArgumentNullException(u"input");
  return std::make_unique<TZCLXMLTextReader>(Settings, Stream);
}

// ---------------------------------------------------------------------------------------------
// TZCLXMLTextReader: construction, errors, input

TZCLXMLTextReader::TZCLXMLTextReader(const TZCLXMLReaderSettings& Settings, TStream* Stream)
    : FSettings(Settings), FStream(Stream) {
  if (Stream == nullptr) throw EZCLXMLArgumentNullException(u"input");
  if (FSettings.NameTable) {
    FNameTable = FSettings.NameTable;
  } else {
    FOwnedNameTable = std::make_unique<TZCLXMLNameTable>();
    FNameTable = FOwnedNameTable.get();
  }
  FNamespaceManager = std::make_unique<TZCLXMLNamespaceManager>(FNameTable);
  FContexts.push_back({});
  FNode = &FContent;
  FContent.LineNumber = FSettings.LineNumberOffset;
  FContent.LinePosition = FSettings.LinePositionOffset;
  if (FSettings.Conformance == xcDocument) FFragmentType = xntDocument;
}

TZCLXMLTextReader::~TZCLXMLTextReader() { TEncoding::FreeEncoding(FOwnedEncoding); }

TZCLXMLTextReader::TPos TZCLXMLTextReader::LineInfo(Integer At) const {
  Integer line = 0, start = 0;
  if (FProvisional) {
    // Raw characters of the declaration: line ends are not normalised yet.
    for (Integer i = 0; i < At && i < FLen; ++i)
      if (FText[i] == u'\n' || (FText[i] == u'\r' && (i + 1 >= FLen || FText[i + 1] != u'\n'))) {
        ++line;
        start = i + 1;
      }
  } else {
    // A few lines on from the last answer are walked; anything else is searched.
    const size_t count = FLineStarts.size();
    size_t hint = FLineHint < count ? FLineHint : 0;
    if (FLineStarts[hint] <= At) {
      const size_t limit = std::min(count, hint + 8);
      while (hint + 1 < limit && FLineStarts[hint + 1] <= At) ++hint;
      if (hint + 1 == limit && limit < count && FLineStarts[limit] <= At)
        hint = static_cast<size_t>(std::upper_bound(FLineStarts.begin() + static_cast<std::ptrdiff_t>(limit),
                                                    FLineStarts.end(), At) -
                                   FLineStarts.begin()) -
               1;
    } else {
      auto it = std::upper_bound(FLineStarts.begin(), FLineStarts.begin() + static_cast<std::ptrdiff_t>(hint), At);
      hint = it == FLineStarts.begin() ? 0 : static_cast<size_t>(it - FLineStarts.begin()) - 1;
    }
    FLineHint = hint;
    const Integer idx = static_cast<Integer>(hint);
    line = FLineBase + idx;
    start = FLineStarts[idx];
  }
  Integer pos = At - start + 1;
  if (line == 0) pos += FSettings.LinePositionOffset;
  return {line + 1 + FSettings.LineNumberOffset, pos};
}

TZCLXMLNodeData& TZCLXMLTextReader::SetContent(TZCLXMLNodeType Kind, Integer At, String Value) {
  FContent.Clear();
  FContent.NodeType = Kind;
  FContent.Depth = FDepth;
  FContent.Value = std::move(Value);
  if (FLineInfo) SetLine(FContent, At);
  FNode = &FContent;
  return FContent;
}

void TZCLXMLTextReader::SetLine(TZCLXMLNodeData& N, Integer At) const {
  TPos p = LineInfo(At);
  N.LineNumber = p.Line;
  N.LinePosition = p.Pos;
}

void TZCLXMLTextReader::Fail(Integer At, StringView Fmt, TVarRecList Args) {
  TPos p = LineInfo(At);
  FReadState = xrsError;
  FNode->LineNumber = p.Line;
  FNode->LinePosition = p.Pos;
  throw EZCLXMLException(Fmt, Args, p.Line, p.Pos);
}

void TZCLXMLTextReader::FailNoLine(StringView Msg) {
  FReadState = xrsError;
  throw EZCLXMLException(String(Msg), 0, 0);
}

String TZCLXMLTextReader::TokenAt(Integer At) {
  Integer e = At;
  while (IsNameChar(Ch(e)) || Ch(e) == u':') ++e;
  if (e == At) e = At + 1;
  return FText.substr(At, e - At);
}

void TZCLXMLTextReader::FailToken(Integer At, StringView Expected1, StringView Expected2) {
  if (AtEnd(At)) Fail(At, u"Unexpected end of file has occurred.");
  if (Expected2.empty())
    Fail(At, u"'%s' is an unexpected token. The expected token is '%s'.", {TokenAt(At), String(Expected1)});
  Fail(At, u"'%s' is an unexpected token. The expected token is '%s' or '%s'.",
       {TokenAt(At), String(Expected1), String(Expected2)});
}

void TZCLXMLTextReader::FailWhitespace(Integer At) {
  if (AtEnd(At)) Fail(At, u"Unexpected end of file has occurred.");
  Fail(At, u"'%s' is an unexpected token. Expecting white space.", {TokenAt(At)});
}

// The arguments of a character error at At (with the second half of a pair, when there is one).
TZCLXMLCharArgs TZCLXMLTextReader::CharArgs(Integer At) {
  if (At + 1 >= FLen && At < FLen && zcXMLIsHighSurrogate(FText[At])) Fill();  // no decoding error raised here
  return zcXMLCharExceptionArgs(FText.data(), FLen, At);
}

void TZCLXMLTextReader::FailChar(Integer At) {
  TZCLXMLCharArgs a = CharArgs(At);
  Fail(At, u"'%s', hexadecimal value %s, is an invalid character.", {a.Text, a.Code});
}

void TZCLXMLTextReader::FailUnclosed(Integer At) {
  if (FElements.empty() || FDepth == 0) Fail(At, u"Unexpected end of file has occurred.");
  String names;
  for (Integer i = FDepth - 1; i >= 0; --i) {
    if (!names.empty()) names += u", ";
    names += FElements[i]->GetQualifiedName();
  }
  Fail(At, u"Unexpected end of file has occurred. The following elements are not closed: %s.", {names});
}

// True at the end of the input (decoding more as needed); raises when the text ends at an
// undecodable byte.
bool TZCLXMLTextReader::AtEndSlow(Integer At) {
  while (At >= FLen)
    if (!Fill()) {
      if (FDecodeErrorAt >= 0 && At >= FDecodeErrorAt)
        Fail(FDecodeErrorAt, u"Invalid character in the given encoding.");
      return true;
    }
  return false;
}

bool TZCLXMLTextReader::StartsWith(Integer At, StringView S) {
  if (S.empty()) return true;
  return !AtEnd(At + static_cast<Integer>(S.size()) - 1) && StringView(FText).substr(At, S.size()) == S;
}

// Reads the first bytes and decides the encoding from them (or from the settings). Characters are
// decoded later, block by block, as the parser asks for them.
void TZCLXMLTextReader::OpenInput() {
  FBytes.resize(ByteBlock);
  while (FBytesUsed < 4 && !FStreamAtEnd) ReadBytes();
  const Byte* b = FBytes.data();
  const Integer n = FBytesUsed;
  auto at = [&](Integer i) -> Byte { return i < n ? b[i] : 0; };
  TEncoding* enc = nullptr;
  if (!FSettings.Encoding && n >= 2) {
    Byte b0 = at(0), b1 = at(1), b2 = at(2), b3 = at(3);
    bool zz = b2 == 0 && b3 == 0;
    if (b0 == 0 && b1 == 0) {
      if ((b2 == 0 && b3 == 0x3C) || (b2 == 0x3C && b3 == 0) || (b2 == 0xFE && b3 == 0xFF) ||
          (b2 == 0xFF && b3 == 0xFE))
        throw ENotImplemented(u"Not implemented");
    } else if ((b0 == 0 && b1 == 0x3C) || (b0 == 0xFE && b1 == 0xFF)) {
      if (zz) throw ENotImplemented(u"Not implemented");
      enc = TEncoding::GetBigEndianUnicode();
    } else if ((b0 == 0x3C && b1 == 0) || (b0 == 0xFF && b1 == 0xFE)) {
      if (zz) throw ENotImplemented(u"Not implemented");
      enc = TEncoding::GetUnicode();
    } else if (b0 == 0x4C && b1 == 0x6F && b2 == 0xA7 && b3 == 0x94) {
      Fail(0, u"UnknownEncoding: ebcdic");
    } else if (b0 == 0xEF && b1 == 0xBB && b2 == 0xBF) {
      enc = TEncoding::GetUTF8();
    }
  }
  FDetected = enc != nullptr;
  if (!enc) enc = FSettings.Encoding;
  if (enc) {
    TBytes pre = enc->GetPreamble();
    if (!pre.empty() && n >= static_cast<Integer>(pre.size()) && std::equal(pre.begin(), pre.end(), b))
      FBytePos = static_cast<Integer>(pre.size());
    FEncoding = enc;
    FDecoded = true;
  } else {
    // Until the declaration names the encoding, bytes stand for themselves (the declaration is
    // ASCII); they are decoded again once the encoding is known, so none is given up.
    FProvisional = true;
  }
}

// Appends what the stream gives to the waiting bytes; sets FStreamAtEnd when it gives nothing.
void TZCLXMLTextReader::ReadBytes() {
  if (!FProvisional && FBytePos > 0) {
    std::copy(FBytes.begin() + FBytePos, FBytes.begin() + FBytesUsed, FBytes.begin());
    FBytesUsed -= FBytePos;
    FBytePos = 0;
  }
  if (FBytesUsed == static_cast<Integer>(FBytes.size())) FBytes.resize(FBytes.size() * 2);
  Integer got = FStream->Read(FBytes.data() + FBytesUsed, static_cast<Integer>(FBytes.size()) - FBytesUsed);
  if (got <= 0)
    FStreamAtEnd = true;
  else
    FBytesUsed += got;
}

// How many of the waiting bytes can be decoded now. Bytes that may still complete a character
// wait for more input; Invalid reports bytes after the result that will never decode.
Integer TZCLXMLTextReader::DecodableBytes(bool& Invalid) {
  Invalid = false;
  const Byte* p = FBytes.data() + FBytePos;
  const Integer n = FBytesUsed - FBytePos;
  if (FProvisional || n == 0) return n;
  const Integer cp = FEncoding->GetCodePage();
  if (cp == CP_UTF8) {
    Integer valid = static_cast<Integer>(ValidUtf8Prefix(p, n));
    if (valid < n && (FStreamAtEnd || !IsUtf8Lead(p + valid, n - valid))) Invalid = true;
    return valid;
  }
  if (cp == CP_UTF16LE || cp == CP_UTF16BE) {
    Integer even = n & ~1;
    if (even >= 2 && !FStreamAtEnd) {
      Char last = cp == CP_UTF16LE ? Char(p[even - 2] | (p[even - 1] << 8)) : Char((p[even - 2] << 8) | p[even - 1]);
      if (zcXMLIsHighSurrogate(last)) even -= 2;  // waits for its low half
    }
    if (FStreamAtEnd && even < n) Invalid = true;
    return even;
  }
  // Stateful code pages (ISO-2022, HZ, UTF-7) decode in one piece.
  if (((cp >= 50220 && cp <= 50229) || cp == 52936 || cp == CP_UTF7) && !FStreamAtEnd) return 0;
  if (FEncoding->IsValid(p, n)) return n;
  if (!FStreamAtEnd) {
    if (n <= 3) return 0;
    for (Integer k = 1; k <= 3; ++k)
      if (FEncoding->IsValid(p, n - k)) return n - k;  // a character split by the block end
  }
  Integer lo = 0, hi = n;  // the longest valid prefix
  while (lo < hi) {
    Integer mid = (lo + hi + 1) / 2;
    if (FEncoding->IsValid(p, mid))
      lo = mid;
    else
      hi = mid - 1;
  }
  Invalid = true;
  return lo;
}

// Decodes more of the input onto the end of the text; false at the end of the input. Line ends
// become LF as they are decoded (a CR at the end of a block waits for the next character).
bool TZCLXMLTextReader::Fill() {
  const Integer before = FLen;
  while (!FInputAtEnd && FLen == before) {
    if (!FProvisional && FEncoding->GetCodePage() == CP_UTF8) {
      FillUtf8();
      continue;
    }
    bool invalid = false;
    Integer take = DecodableBytes(invalid);
    if (take == 0 && !invalid && !FStreamAtEnd) {
      ReadBytes();
      continue;
    }
    const Byte* p = FBytes.data() + FBytePos;
    if (FProvisional) {
      FText.reserve(FText.size() + take);
      for (Integer i = 0; i < take; ++i) FText.push_back(p[i] < 0x80 ? Char(p[i]) : Char(0xFFFF));
    } else if (take > 0) {
      // Decoded straight onto the end of the text, then line ends are normalised in place. A CR
      // left from the last block takes the slot before the new characters.
      const size_t most = static_cast<size_t>(FEncoding->GetMaxCharCount(take));
      const size_t base = FText.size();
      const size_t slot = FPendingCR ? 1 : 0;
      FText.resize(base + slot + most);
      const size_t got = static_cast<size_t>(
          FEncoding->GetChars(p, take, FText.data() + base + slot, static_cast<Integer>(most)));
      if (static_cast<Int64>(base) + static_cast<Int64>(got) > 0x7FFFFFF0) {
        FText.resize(base);
        FailNoLine(u"The input document is too large.");
      }
      FCharactersInDocument += static_cast<Int64>(got);
      if (FSettings.MaxCharactersInDocument > 0 && FCharactersInDocument > FSettings.MaxCharactersInDocument) {
        FText.resize(base);
        FailNoLine(u"The input document has exceeded a limit set by MaxCharactersInDocument.");
      }
      Char* const d = FText.data();
      size_t r = base + slot, w = base;
      const size_t e = r + got;
      if (slot && got > 0) {
        FPendingCR = false;
        d[w++] = u'\n';
        FLineStarts.push_back(static_cast<Integer>(w));
        if (d[r] == u'\n') ++r;
      }
      if (w == r) {
        // Nothing moves until the first CR: only the line starts are noted.
        for (; r < e; ++r) {
          const Char c = d[r];
          if (c > u'\r') continue;
          if (c == u'\r') break;
          if (c == u'\n') FLineStarts.push_back(static_cast<Integer>(r + 1));
        }
        w = r;
      }
      // A CR, or a CR LF pair, becomes one LF; a CR at the end waits for the next character.
      while (r < e) {
        const Char c = d[r++];
        if (c == u'\r') {
          if (r == e) {
            FPendingCR = true;
            break;
          }
          d[w++] = u'\n';
          FLineStarts.push_back(static_cast<Integer>(w));
          if (d[r] == u'\n') ++r;
        } else {
          d[w++] = c;
          if (c == u'\n') FLineStarts.push_back(static_cast<Integer>(w));
        }
      }
      FText.resize(w);
    }
    FBytePos += take;
    if (invalid || (FStreamAtEnd && FBytePos == FBytesUsed)) {
      if (FPendingCR) {
        FPendingCR = false;
        FText.push_back(u'\n');
        FLineStarts.push_back(static_cast<Integer>(FText.size()));
      }
      if (invalid) FDecodeErrorAt = static_cast<Integer>(FText.size());
      FInputAtEnd = true;
    }
    FLen = static_cast<Integer>(FText.size());
  }
  return FLen > before;
}

// The UTF-8 form of Fill: validating, decoding and normalising line ends in one pass over the
// bytes, which is what nearly every document takes. The result is the same as the general path's.
void TZCLXMLTextReader::FillUtf8() {
  const Byte* const p = FBytes.data() + FBytePos;
  const Integer n = FBytesUsed - FBytePos;
  const size_t base = FText.size();
  FText.resize(base + static_cast<size_t>(n));  // never more UTF-16 units than bytes
  Char* const d = FText.data();
  size_t w = base;
  Integer i = 0;
  Int64 units = 0;  // decoded before line ends are joined, as the limits count them
  bool invalid = false;
  if (FDropLF && n > 0) {
    FDropLF = false;
    if (p[0] == '\n') {
      i = 1;
      units = 1;
    }
  }
  while (i < n) {
#if defined(__SSE2__)
    // Sixteen plain ASCII characters (none below U+000E, so no line end) at a time.
    while (n - i >= 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      const int stop = _mm_movemask_epi8(_mm_cmplt_epi8(v, _mm_set1_epi8(0x0E)));
      const __m128i zero = _mm_setzero_si128();
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + w), _mm_unpacklo_epi8(v, zero));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + w + 8), _mm_unpackhi_epi8(v, zero));
      const int plain = stop ? __builtin_ctz(static_cast<unsigned>(stop)) : 16;
      w += static_cast<size_t>(plain);
      i += plain;
      units += plain;
      if (stop) break;
    }
    if (i >= n) break;
#endif
    const Byte b = p[i];
    if (b < 0x80) {
      ++i;
      ++units;
      if (b == '\r') {
        d[w++] = u'\n';
        FLineStarts.push_back(static_cast<Integer>(w));
        if (i == n)
          FDropLF = true;  // the LF of a CR LF pair may start the next block
        else if (p[i] == '\n') {
          ++i;
          ++units;
        }
        continue;
      }
      d[w++] = b;
      if (b == '\n') FLineStarts.push_back(static_cast<Integer>(w));
      continue;
    }
    uint32_t cp = 0;
    const Integer len = static_cast<Integer>(Utf8Sequence(p + i, static_cast<size_t>(n - i), cp));
    if (len == 0) {
      // Bytes that more input may complete wait for it; anything else ends the text here.
      invalid = FStreamAtEnd || !IsUtf8Lead(p + i, n - i);
      break;
    }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      d[w++] = Char(0xD800 + (cp >> 10));
      d[w++] = Char(0xDC00 + (cp & 0x3FF));
      units += 2;
    } else {
      d[w++] = Char(cp);
      ++units;
    }
  }
  if (static_cast<Int64>(base) + units > 0x7FFFFFF0) {
    FText.resize(base);
    FailNoLine(u"The input document is too large.");
  }
  FCharactersInDocument += units;
  if (FSettings.MaxCharactersInDocument > 0 && FCharactersInDocument > FSettings.MaxCharactersInDocument) {
    FText.resize(base);
    FailNoLine(u"The input document has exceeded a limit set by MaxCharactersInDocument.");
  }
  FText.resize(w);
  FBytePos += i;
  if (invalid || (FStreamAtEnd && FBytePos == FBytesUsed)) {
    if (invalid) FDecodeErrorAt = static_cast<Integer>(FText.size());
    FInputAtEnd = true;
  } else if (i == 0) {
    ReadBytes();  // nothing decodable yet
  }
  FLen = static_cast<Integer>(FText.size());
}

// Drops the consumed characters once they are the larger part of the text; only between nodes,
// when no value refers to the text any more.
void TZCLXMLTextReader::Compact() {
  if (FProvisional || FPos < ByteBlock || FPos < FLen - FPos) return;
  auto it = std::upper_bound(FLineStarts.begin(), FLineStarts.end(), FPos);
  Integer keep = static_cast<Integer>(it - FLineStarts.begin()) - 1;  // the line FPos lies on
  FLineStarts.erase(FLineStarts.begin(), FLineStarts.begin() + keep);
  FLineHint = 0;
  FLineBase += keep;
  for (Integer& start : FLineStarts) start -= FPos;
  FText.erase(0, FPos);
  FLen = static_cast<Integer>(FText.size());
  if (FDecodeErrorAt >= 0) FDecodeErrorAt -= FPos;
  FPos = 0;
}

// The encoding is known (named by the declaration, or UTF-8 without one): the text decoded so far
// stood for the bytes one to one, so decoding starts again at the first unconsumed byte.
void TZCLXMLTextReader::ApplyEncoding(TEncoding* Named) {
  if (FDecoded) return;  // the first bytes or the settings decided the encoding
  FDecoded = true;
  FEncoding = Named ? Named : TEncoding::GetUTF8();
  TPos at = LineInfo(FPos);
  FProvisional = false;
  FLineBase = at.Line - 1 - FSettings.LineNumberOffset;
  Integer column = at.Pos - 1 - (FLineBase == 0 ? FSettings.LinePositionOffset : 0);
  FLineStarts.assign(1, -column);
  FLineHint = 0;
  FBytePos = FPos;
  FCharactersInDocument = FPos;
  FText.clear();
  FLen = 0;
  FPos = 0;
  FInputAtEnd = false;
}

// ---------------------------------------------------------------------------------------------
// TZCLXMLTextReader: public operations

TZCLXMLSpace TZCLXMLTextReader::GetXmlSpace() const { return FContexts.back().XmlSpace; }
String TZCLXMLTextReader::GetXmlLang() const { return FContexts.back().XmlLang; }

String TZCLXMLTextReader::GetValue() {
  if (FContexts.back().XmlSpace == xsPreserve) return FNode->Value;
  return Trim(FNode->Value);
}

bool TZCLXMLTextReader::MoveToNextAttribute() {
  if (FCurAttr + 1 >= static_cast<Integer>(FAttrs.size())) return false;
  FNode = FAttrs[++FCurAttr];
  return true;
}

bool TZCLXMLTextReader::MoveToElement() {
  if (FNode->NodeType != xntAttribute) return false;
  FCurAttr = -1;
  FNode = FAttrOwner;
  return true;
}

bool TZCLXMLTextReader::TryGetAttribute(const String& Name, String& Value) {
  if (Name.find(u':') != String::npos) {
    for (TZCLXMLNodeData* a : FAttrs)
      if (a->GetQualifiedName() == Name) {
        Value = a->Value;
        return true;
      }
    return false;
  }
  return TryGetAttribute(u"", Name, u"", Value);
}

bool TZCLXMLTextReader::TryGetAttribute(const String& Prefix, const String& LocalName, const String& NamespaceURI,
                                        String& Value) {
  if (LocalName.empty()) return false;
  for (TZCLXMLNodeData* a : FAttrs) {
    if (a->LocalName != LocalName) continue;
    if (!NamespaceURI.empty() ? a->NamespaceURI == NamespaceURI : a->Prefix == Prefix) {
      Value = a->Value;
      return true;
    }
  }
  return false;
}

String TZCLXMLTextReader::GetAttribute(const String& LocalName, const String& NamespaceURI) {
  if (LocalName.empty()) return {};
  for (TZCLXMLNodeData* a : FAttrs)
    if (a->LocalName == LocalName && a->NamespaceURI == NamespaceURI) return a->Value;
  return {};
}

String TZCLXMLTextReader::LookupNamespace(const String& Prefix) {
  if (!FSettings.Namespaces) return {};
  if (Prefix.empty()) return FContexts.back().DefaultNamespace;
  return FNamespaceManager->LookupNamespace(Prefix);
}

void TZCLXMLTextReader::LeaveElement() {
  TZCLXMLNodeData& e = *FElements[FDepth];
  if (FSettings.Namespaces) FNamespaceManager->PopScope();
  if (e.XmlContextPushed) {
    FContexts.pop_back();
    e.XmlContextPushed = false;
  }
}

bool TZCLXMLTextReader::Read() {
  if (FReadState == xrsError || FAtEndOfFile) return false;
  FAttrs.clear();
  FAttrAt.clear();
  FCurAttr = -1;
  if (FPendingLeave) {
    FPendingLeave = false;
    LeaveElement();
  }
  Compact();
  if (!FStarted) {
    FStarted = true;
    FReadState = xrsInteractive;
    OpenInput();
    if (ParseXmlDeclaration()) return true;
  }
  return FDepth == 0 ? ParseDocumentContent() : ParseElementContent();
}

// ---------------------------------------------------------------------------------------------
// Top level and element content

bool TZCLXMLTextReader::ParseDocumentContent() {
  for (;;) {
    if (AtEnd(FPos)) {
      if (FFragmentType == xntDocument && !FRootParsed) FailNoLine(u"Root element is missing.");
      if (FFragmentType == xntNone) FFragmentType = FRootParsed ? xntDocument : xntElement;
      SetContent(xntNone, FPos, {});
      FAtEndOfFile = true;
      FReadState = xrsEndOfFile;
      return false;
    }
    Char c = FText[FPos];
    if (c == u'<') {
      Integer lt = FPos;
      Char c1 = Ch(FPos + 1);
      if (c1 == u'!') {
        if (StartsWith(FPos, u"<!--")) {
          FPos += 4;
          if (ParseCommentOrCData(true)) return true;
          continue;
        }
        if (StartsWith(FPos, u"<![")) {
          if (FFragmentType == xntDocument) Fail(lt, u"InvalidRootData");
          if (!StartsWith(FPos + 3, u"CDATA[")) FailToken(FPos + 3, u"CDATA[");
          FPos += 9;
          ParseCommentOrCData(false);
          if (FFragmentType == xntNone) FFragmentType = xntElement;
          return true;
        }
        if (StartsWith(FPos, u"<!-")) FailToken(FPos + 3, u"-");
        if (FRootParsed) {
          if (StartsWith(FPos + 2, u"DOCTYPE")) Fail(lt, u"Unexpected DTD declaration.");
          FailToken(FPos + 2, u"<!--");
        }
        SkipDoctype();
        continue;
      }
      if (c1 == u'/') Fail(FPos + 2, u"Unexpected end tag.");
      if (c1 == u'?') {
        FPos += 2;
        if (ParsePI()) return true;
        continue;
      }
      if (AtEnd(FPos + 1)) Fail(lt, u"Data at the root level is invalid.");
      if (FRootParsed) {
        if (FFragmentType == xntDocument) Fail(FPos + 1, u"There are multiple root elements.");
      }
      if (FFragmentType == xntNone) FFragmentType = xntElement;
      FRootParsed = true;
      ++FPos;
      ParseStartTag();
      return true;
    }
    if (c == u'&') Fail(FPos, u"Data at the root level is invalid.");
    if (FFragmentType != xntDocument) {
      if (ParseText()) {
        if (FFragmentType == xntNone && FNode->NodeType == xntText) FFragmentType = xntElement;
        return true;
      }
      continue;
    }
    // Document: only whitespace between top-level constructs.
    Integer start = FPos;
    while (IsWs(Ch(FPos))) ++FPos;
    if (FPos == start) {
      if (HasClass(c, xccCharData)) Fail(FPos, u"Data at the root level is invalid.");
      FailChar(FPos);
    }
    if (!FSettings.IgnoreWhitespace) {
      SetContent(xntWhitespace, start, FText.substr(start, FPos - start));
      return true;
    }
  }
}

bool TZCLXMLTextReader::ParseElementContent() {
  for (;;) {
    if (AtEnd(FPos)) FailUnclosed(FPos);
    Char c = FText[FPos];
    if (c == u'<') {
      Char c1 = Ch(FPos + 1);
      if (c1 == u'!') {
        if (StartsWith(FPos, u"<!--")) {
          FPos += 4;
          if (ParseCommentOrCData(true)) return true;
          continue;
        }
        if (StartsWith(FPos, u"<!-")) FailToken(FPos + 3, u"-");
        if (StartsWith(FPos, u"<![")) {
          if (!StartsWith(FPos + 3, u"CDATA[")) FailToken(FPos + 3, u"CDATA[");
          FPos += 9;
          ParseCommentOrCData(false);
          return true;
        }
        if (TokenAt(FPos + 2) == u"DOCTYPE") Fail(FPos, u"Unexpected DTD declaration.");
        FailToken(FPos + 2, u"<!--", u"<[CDATA[");
      }
      if (c1 == u'/') {
        FPos += 2;
        ParseEndTag();
        return true;
      }
      if (c1 == u'?') {
        FPos += 2;
        if (ParsePI()) return true;
        continue;
      }
      ++FPos;
      ParseStartTag();
      return true;
    }
    if (ParseText()) return true;
  }
}

// ---------------------------------------------------------------------------------------------
// Names, tags and attributes

// Scans a name at At; returns the index after it. Raises the name errors of the tag scanner.
Integer TZCLXMLTextReader::ScanName(Integer At, String& Prefix, String& Local, const String** LocalAtom) {
  if (AtEnd(At)) Fail(At, u"Unexpected end of file while parsing %s has occurred.", {String(u"Name")});
  Char c = FText[At];
  bool ns = FSettings.Namespaces;
  if (!IsNameStart(c) && (ns || c != u':')) {
    TZCLXMLCharArgs a = CharArgs(At);
    Fail(At, u"Name cannot begin with the '%s' character, hexadecimal value %s.", {a.Text, a.Code});
  }
  Integer i = At + 1, colon = -1;
  for (;;) {
    if (AtEnd(i)) break;
    Char d = FText[i];
    if (IsNameChar(d)) {
      ++i;
    } else if (d == u':') {
      if (!ns) {
        ++i;
        continue;
      }
      if (colon >= 0) {
        TZCLXMLCharArgs a = CharArgs(i);
        Fail(i, u"The '%s' character, hexadecimal value %s, cannot be included in a name.", {a.Text, a.Code});
      }
      colon = i;
      ++i;
      if (!IsNameStart(Ch(i))) {
        if (AtEnd(i)) Fail(i, u"Unexpected end of file while parsing %s has occurred.", {String(u"Name")});
        TZCLXMLCharArgs a = CharArgs(i);
        Fail(i, u"Name cannot begin with the '%s' character, hexadecimal value %s.", {a.Text, a.Code});
      }
    } else {
      break;
    }
  }
  const String* local;
  if (colon >= 0) {
    Prefix = FNameTable->Add(StringView(FText).substr(At, colon - At));
    local = &FNameTable->Add(StringView(FText).substr(colon + 1, i - colon - 1));
  } else {
    Prefix.clear();
    local = &FNameTable->Add(StringView(FText).substr(At, i - At));
  }
  Local = *local;
  if (LocalAtom) *LocalAtom = local;
  return i;
}

TZCLXMLNodeData* TZCLXMLTextReader::NewAttr() {
  size_t k = FAttrs.size();
  if (k >= FAttrPool.size()) FAttrPool.push_back(std::make_unique<TZCLXMLNodeData>());
  TZCLXMLNodeData* a = FAttrPool[k].get();
  a->Clear();
  a->NodeType = xntAttribute;
  FAttrs.push_back(a);
  return a;
}

void TZCLXMLTextReader::ParseStartTag() {
  if (static_cast<Integer>(FElements.size()) <= FDepth) FElements.push_back(std::make_unique<TZCLXMLNodeData>());
  TZCLXMLNodeData& e = *FElements[FDepth];
  e.Clear();
  e.NodeType = xntElement;
  e.Depth = FDepth;
  SetLine(e, FPos);
  FPos = ScanName(FPos, e.Prefix, e.LocalName, &e.LocalNameAtom);
  FNode = &e;
  FAttrOwner = &e;
  if (FSettings.Namespaces) FNamespaceManager->PushScope();
  if (AtEnd(FPos)) FailUnclosed(FPos);
  Char c = FText[FPos];
  if (IsWs(c)) {
    ParseAttributes();
  } else if (c == u'>') {
    ++FPos;
  } else if (c == u'/') {
    if (AtEnd(FPos + 1)) Fail(FPos + 1, u"Unexpected end of file while parsing %s has occurred.", {String(u">")});
    if (FText[FPos + 1] != u'>') FailToken(FPos, u">");
    e.IsEmptyOrDefault = true;
    FPos += 2;
  } else {
    TZCLXMLCharArgs a = CharArgs(FPos);
    Fail(FPos, u"The '%s' character, hexadecimal value %s, cannot be included in a name.", {a.Text, a.Code});
  }
  if (FSettings.Namespaces) {
    e.NamespaceURI =
        e.Prefix.empty() ? FContexts.back().DefaultNamespace : FNamespaceManager->LookupNamespace(e.Prefix);
    if (!e.Prefix.empty() && e.NamespaceURI.empty()) e.NamespaceURI = e.Prefix;
    for (TZCLXMLNodeData* a : FAttrs) {
      if (a->Prefix.empty()) continue;
      if (a->Prefix == u"xmlns")
        a->NamespaceURI = XmlnsNamespace;
      else {
        a->NamespaceURI = FNamespaceManager->LookupNamespace(a->Prefix);
        if (a->NamespaceURI.empty()) a->NamespaceURI = a->Prefix;
      }
    }
  }
  if (FAttrs.size() > 1) CheckDuplicateAttributes();
  ++FDepth;
  if (e.IsEmptyOrDefault) {
    --FDepth;
    FPendingLeave = true;
  }
}

// Two attributes of one tag with the same name, or with the same local name and namespace.
void TZCLXMLTextReader::CheckDuplicateAttributes() {
  // Unbound prefixes name their own namespace, so equal prefixes always mean equal namespaces.
  auto key = [&](size_t i) { return std::tie(FAttrs[i]->LocalName, FAttrs[i]->NamespaceURI); };
  const size_t n = FAttrs.size();
  TZCLXMLNodeData* dup = nullptr;
  if (n <= 16) {
    for (size_t i = 1; i < n && !dup; ++i)
      for (size_t j = 0; j < i && !dup; ++j)
        if (key(i) == key(j)) dup = FAttrs[i];
  } else {
    std::vector<size_t> order(n);
    for (size_t i = 0; i < n; ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t x, size_t y) { return key(x) < key(y); });
    for (size_t k = 1; k < n && !dup; ++k)
      if (key(order[k]) == key(order[k - 1])) dup = FAttrs[std::max(order[k], order[k - 1])];
  }
  if (!dup) return;
  if (!FAttrAt.empty()) SetLine(*dup, FAttrAt[static_cast<size_t>(std::find(FAttrs.begin(), FAttrs.end(), dup) - FAttrs.begin())]);
  FReadState = xrsError;
  FNode->LineNumber = dup->LineNumber;
  FNode->LinePosition = dup->LinePosition;
  throw EZCLXMLException(u"'%s' is a duplicate attribute name.", {dup->GetQualifiedName()}, dup->LineNumber,
                         dup->LinePosition);
}

void TZCLXMLTextReader::ParseAttributes() {
  TZCLXMLNodeData& e = *FElements[FDepth];
  for (;;) {
    Integer before = FPos;
    while (IsWs(Ch(FPos))) ++FPos;
    if (AtEnd(FPos)) FailUnclosed(FPos);
    Char c = FText[FPos];
    if (c == u'>') {
      ++FPos;
      return;
    }
    if (c == u'/') {
      if (Ch(FPos + 1) != u'>') FailToken(FPos + 1, u">");
      e.IsEmptyOrDefault = true;
      FPos += 2;
      return;
    }
    if (!IsNameStart(c) && (FSettings.Namespaces || c != u':')) {
      TZCLXMLCharArgs a = CharArgs(FPos);
      Fail(FPos, u"Name cannot begin with the '%s' character, hexadecimal value %s.", {a.Text, a.Code});
    }
    if (FPos == before) FailWhitespace(FPos);
    TZCLXMLNodeData* a = NewAttr();
    a->Depth = FDepth + 1;
    // Without line information an attribute's place is kept for the duplicate check's error.
    if (FLineInfo || FSettings.Namespaces)
      SetLine(*a, FPos);
    else
      FAttrAt.push_back(FPos);
    FPos = ScanName(FPos, a->Prefix, a->LocalName, &a->LocalNameAtom);
    while (IsWs(Ch(FPos))) ++FPos;
    if (Ch(FPos) != u'=') FailToken(FPos, u"=");
    ++FPos;
    while (IsWs(Ch(FPos))) ++FPos;
    Char q = Ch(FPos);
    if (q != u'"' && q != u'\'') FailToken(FPos, u"\"", u"'");
    a->QuoteChar = q;
    ++FPos;
    if (FLineInfo || FSettings.Namespaces) {
      TPos vp = LineInfo(FPos);
      a->ValueLineNumber = vp.Line;
      a->ValueLinePosition = vp.Pos;
    }
    String value;
    bool underscore = false;  // as in ParseText
    for (;;) {
      // A run of plain characters is taken whole; the others are looked at one by one below.
      Integer run = FPos;
      while (run < FLen) {
        if (FLen - run >= 8) {
          bool notBlank = false;
          const int plain = PlainUnits(FText.data() + run, u'<', u'&', q, underscore, notBlank);
          run += plain;
          if (plain == 8) continue;
        }
        const Char d = FText[run];
        if (d == q || !(HasClass(d, xccAttrValue) || d == u'"' || d == u'\'' || d == u'>')) break;
        underscore |= d == u'_';
        ++run;
      }
      if (run > FPos) {
        if (value.empty())
          value.assign(FText.data() + FPos, static_cast<size_t>(run - FPos));
        else
          value.append(FText, static_cast<size_t>(FPos), static_cast<size_t>(run - FPos));
        FPos = run;
      }
      if (AtEnd(FPos)) Fail(FPos, u"There is an unclosed literal string.");
      Char d = FText[FPos];
      if (d == q) {
        ++FPos;
        break;
      }
      if (HasClass(d, xccAttrValue) || d == u'"' || d == u'\'' || d == u'>') {
        value.push_back(d);
        ++FPos;
      } else if (d == u'\t' || d == u'\n') {
        value.push_back(u' ');
        ++FPos;
      } else if (d == u'&') {
        bool ws;
        underscore = true;
        if (!ParseReference(FPos, value, ws)) {
          value.push_back(u'&');
          ++FPos;
        }
      } else if (d == u'<') {
        TZCLXMLCharArgs ca = CharArgs(FPos);
        Fail(FPos, u"'%s', hexadecimal value %s, is an invalid attribute character.", {ca.Text, ca.Code});
      } else if (zcXMLIsHighSurrogate(d) && zcXMLIsLowSurrogate(Ch(FPos + 1))) {
        value.append(FText, FPos, 2);
        FPos += 2;
      } else {
        FailChar(FPos);
      }
    }
    if (underscore) DecodeUnderscoreEscapes(value);
    a->Value = std::move(value);
    if (FSettings.Namespaces) HandleSpecialAttribute(*a);
  }
}

void TZCLXMLTextReader::HandleSpecialAttribute(TZCLXMLNodeData& A) {
  TZCLXMLNodeData& e = *FElements[FDepth];
  auto ownContext = [&] {
    if (!e.XmlContextPushed) {
      FContexts.push_back(FContexts.back());
      e.XmlContextPushed = true;
    }
  };
  auto bind = [&](const String& P, const String& N) {
    if (N == XmlnsNamespace) {
      if (P == u"xmlns")
        throw EZCLXMLException(u"Prefix 'xmlns' is reserved for use by XML.", A.ValueLineNumber, A.ValueLinePosition);
      throw EZCLXMLException(u"Prefix '%s' cannot be mapped to namespace name reserved for 'xml' or 'xmlns'.", {P},
                             A.ValueLineNumber, A.ValueLinePosition);
    }
    if (N == XmlNamespace && P != u"xml")
      throw EZCLXMLException(u"Prefix '%s' cannot be mapped to namespace name reserved for 'xml' or 'xmlns'.", {P},
                             A.ValueLineNumber, A.ValueLinePosition);
    try {
      FNamespaceManager->AddNamespace(P, N);
    } catch (const EZCLXMLException& x) {
      throw EZCLXMLException(x.GetMessage(), A.LineNumber, A.LinePosition);
    }
  };
  try {
    if (A.Prefix.empty() && A.LocalName == u"xmlns") {
      A.NamespaceURI = XmlnsNamespace;
      ownContext();
      FContexts.back().DefaultNamespace = FNameTable->Add(A.Value);
      if (A.Value == XmlnsNamespace || A.Value == XmlNamespace) bind(u"", A.Value);
      return;
    }
    if (A.Prefix == u"xmlns") {
      if (A.Value.empty())
        throw EZCLXMLException(u"Invalid namespace declaration.", A.ValueLineNumber, A.ValueLinePosition - 1);
      bind(A.LocalName, A.Value);
      return;
    }
    if (A.Prefix == u"xml") {
      if (A.LocalName == u"space") {
        ownContext();
        String v = Trim(A.Value);
        if (v == u"preserve")
          FContexts.back().XmlSpace = xsPreserve;
        else if (v == u"default")
          FContexts.back().XmlSpace = xsDefault;
        else
          throw EZCLXMLException(u"'%s' is an invalid xml:space value.", {A.Value}, A.LineNumber, A.LinePosition);
      } else if (A.LocalName == u"lang") {
        ownContext();
        FContexts.back().XmlLang = A.Value;
      }
    }
  } catch (const EZCLXMLException& x) {
    FReadState = xrsError;
    FNode->LineNumber = x.LineNumber;
    FNode->LinePosition = x.LinePosition;
    throw;
  }
}

void TZCLXMLTextReader::ParseEndTag() {
  TZCLXMLNodeData& e = *FElements[FDepth - 1];
  String qualified;  // made only for a prefixed name
  const String& qn = e.Prefix.empty() ? e.LocalName : (qualified = e.GetQualifiedName());
  Integer nameAt = FPos;
  Integer after = FPos + static_cast<Integer>(qn.size());
  if (!StartsWith(FPos, qn) || IsNameChar(Ch(after)) || Ch(after) == u':') {
    AtEnd(FPos);
    Integer e2 = FPos;
    while (IsNameChar(Ch(e2)) || Ch(e2) == u':') ++e2;
    Fail(nameAt, u"The '%s' start tag on line '%s' position '%s' does not match the end tag of '%s'.",
         {qn, IntToStr(e.LineNumber), IntToStr(e.LinePosition), FText.substr(FPos, e2 - FPos)});
  }
  FPos = after;
  while (IsWs(Ch(FPos))) ++FPos;
  if (AtEnd(FPos)) Fail(FPos, u"UnclosedElements");
  if (FText[FPos] != u'>') FailToken(FPos, u">");
  ++FPos;
  --FDepth;
  e.NodeType = xntEndElement;
  if (FLineInfo) SetLine(e, nameAt);
  FNode = &e;
  FPendingLeave = true;
}

// ---------------------------------------------------------------------------------------------
// Text and references

// At "&": appends the referenced character(s) and moves At behind the reference. False (nothing
// consumed) for a reference to another named entity; an "&" that starts no reference raises.
bool TZCLXMLTextReader::ParseReference(Integer& At, String& Out, bool& Whitespace) {
  Whitespace = false;
  if (Ch(At + 1) == u'#') {
    bool hex = Ch(At + 2) == u'x';
    Integer i = At + (hex ? 3 : 2);
    Integer first = i;
    int64_t v = 0;
    for (;; ++i) {
      if (AtEnd(i)) Fail(i, u"Unexpected end of file while parsing %s has occurred.", {String()});
      Char c = FText[i];
      bool digit = hex ? IsHex(c) : (c >= u'0' && c <= u'9');
      if (!digit) break;
      v = v * (hex ? 16 : 10) + (hex ? HexVal(c) : c - u'0');
      if (v > 0x7FFFFFFF) Fail(i, u"Invalid value of a character entity reference.");
    }
    if (i == first || FText[i] != u';')
      Fail(i, hex ? StringView(u"Invalid syntax for a hexadecimal numeric entity reference.")
                  : StringView(u"Invalid syntax for a decimal numeric entity reference."));
    if (v <= 0xFFFF) {
      Char c = static_cast<Char>(v);
      if (FSettings.CheckCharacters && !HasClass(c, xccCharData)) {
        TZCLXMLCharArgs a = zcXMLCharExceptionArgs(c, 0);
        Fail(first, u"'%s', hexadecimal value %s, is an invalid character.", {a.Text, a.Code});
      }
      Out.push_back(c);
      Whitespace = c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
    } else {
      uint32_t u = static_cast<uint32_t>(v) - 0x10000;
      Char high = static_cast<Char>(0xD800 + ((u >> 10) & 0xFFFF)), low = static_cast<Char>(0xDC00 + (u & 0x3FF));
      if (v > 0x10FFFF) {
        TZCLXMLCharArgs a = zcXMLCharExceptionArgs(high, low);
        Fail(first, u"'%s', hexadecimal value %s, is an invalid character.", {a.Text, a.Code});
      }
      Out.push_back(high);
      Out.push_back(low);
    }
    At = i + 1;
    return true;
  }
  static const struct {
    const char16_t* Name;
    Char Value;
  } predefined[] = {{u"&amp;", u'&'}, {u"&apos;", u'\''}, {u"&gt;", u'>'}, {u"&lt;", u'<'}, {u"&quot;", u'"'}};
  for (const auto& p : predefined)
    if (StartsWith(At, p.Name)) {
      Out.push_back(p.Value);
      At += static_cast<Integer>(std::char_traits<char16_t>::length(p.Name));
      return true;
    }
  // Any other "&" must start a reference to a named entity, which stays in the text as written.
  Integer i = At + 1;
  if (IsNameStart(Ch(i)) || Ch(i) == u':') {
    ++i;
    while (IsNameChar(Ch(i)) || Ch(i) == u':') ++i;
    if (Ch(i) == u';') return false;
  }
  if (AtEnd(i)) Fail(i, u"Unexpected end of file has occurred.");
  Fail(i, u"An error occurred while parsing EntityName.");
}

// "_xHHHH_" as the writer produces it for characters XML cannot hold.
void TZCLXMLTextReader::DecodeUnderscoreEscapes(String& S) const {
  size_t i = S.find(u"_x");
  if (i == String::npos) return;
  String out = S.substr(0, i);
  while (i < S.size()) {
    if (S[i] == u'_' && i + 6 < S.size() && S[i + 1] == u'x' && S[i + 6] == u'_' && IsHex(S[i + 2]) &&
        IsHex(S[i + 3]) && IsHex(S[i + 4]) && IsHex(S[i + 5])) {
      uint32_t v = (HexVal(S[i + 2]) << 12) | (HexVal(S[i + 3]) << 8) | (HexVal(S[i + 4]) << 4) | HexVal(S[i + 5]);
      if (IsEscapedCode(v)) {
        out.push_back(static_cast<Char>(v));
        i += 7;
        continue;
      }
    }
    out.push_back(S[i++]);
  }
  S = std::move(out);
}

bool TZCLXMLTextReader::ParseText() {
  Integer start = FPos;
  String value;
  // While the text is one run of plain characters it stays in place, [start, direct): blank
  // text that is dropped is never copied, and the rest is copied once.
  Integer direct = -1;
  auto own = [&] {
    if (direct >= 0) value.assign(FText.data() + start, static_cast<size_t>(direct - start));
    direct = -1;
  };
  Char orBits = 0;
  const uint8_t* const properties = zcXMLCharProperties();
  // Whether an escape may be in the text: an underscore, written or referenced.
  bool underscore = false;
  while (!AtEnd(FPos)) {
    // A run of plain characters is taken whole; the others are looked at one by one below.
    Integer run = FPos;
    while (run < FLen) {
      if (FLen - run >= 8) {
        bool notBlank = false;
        const int plain = PlainUnits(FText.data() + run, u'<', u'&', u']', underscore, notBlank);
        if (notBlank) orBits |= 0xFF;  // only whether the text is blank counts
        run += plain;
        if (plain == 8) continue;
      }
      const Char c = FText[run];
      if (c == u'<' || c == u'&' || c == u']') break;
      if (c != u'\t' && c != u'\n') {
        if (!(properties[c] & xccCharData)) break;
        orBits |= c;
        underscore |= c == u'_';
      }
      ++run;
    }
    if (run > FPos) {
      if (FPos == start) {
        direct = run;
      } else {
        own();
        value.append(FText, static_cast<size_t>(FPos), static_cast<size_t>(run - FPos));
      }
      FPos = run;
      continue;
    }
    Char c = FText[FPos];
    if (c == u'<') break;
    own();
    if (c == u'&') {
      bool ws;
      underscore = true;
      if (ParseReference(FPos, value, ws)) {
        if (!ws) orBits |= 0xFF;
      } else {
        value.push_back(u'&');
        orBits |= u'&';
        ++FPos;
      }
      continue;
    }
    if (c == u']' && StartsWith(FPos, u"]]>")) Fail(FPos, u"']]&gt;' is not allowed in character data.");
    if (c == u'\t' || c == u'\n') {
      value.push_back(c);
    } else if (HasClass(c, xccCharData)) {
      value.push_back(c);
      orBits |= c;
    } else if (zcXMLIsHighSurrogate(c) && zcXMLIsLowSurrogate(Ch(FPos + 1))) {
      value.append(FText, FPos, 2);
      orBits |= c;
      ++FPos;
    } else {
      FailChar(FPos);
    }
    ++FPos;
  }
  if (FPos == start) return false;
  TZCLXMLNodeType kind = xntText;
  if (orBits <= 0x20) {
    if (FContexts.back().XmlSpace == xsPreserve)
      kind = xntSignificantWhitespace;
    else if (FSettings.IgnoreWhitespace)
      return false;
    else
      kind = xntWhitespace;
  }
  own();
  if (value.empty()) return false;
  if (underscore) DecodeUnderscoreEscapes(value);
  SetContent(kind, start, std::move(value));
  return true;
}

// ---------------------------------------------------------------------------------------------
// Comments, CDATA, instructions, declarations

bool TZCLXMLTextReader::ParseCommentOrCData(bool Comment) {
  Integer start = FPos;
  bool skip = Comment && FSettings.IgnoreComments;
  for (;;) {
    if (AtEnd(FPos + 2))
      Fail(std::min(FPos, FLen), u"Unexpected end of file while parsing %s has occurred.",
           {String(Comment ? u"Comment" : u"CDATA")});
    Char c = FText[FPos];
    if (Comment && c == u'-' && FText[FPos + 1] == u'-') {
      if (FText[FPos + 2] == u'>') break;
      Fail(FPos, u"An XML comment cannot contain '--', and '-' cannot be the last character.");
    }
    if (!Comment && c == u']' && FText[FPos + 1] == u']' && FText[FPos + 2] == u'>') break;
    if (HasClass(c, xccCharData)) {
      ++FPos;
    } else if (zcXMLIsHighSurrogate(c) && zcXMLIsLowSurrogate(FText[FPos + 1])) {
      FPos += 2;
    } else if (FSettings.CheckCharacters) {
      FailChar(FPos);
    } else {
      ++FPos;
    }
  }
  Integer end = FPos;
  FPos += 3;
  if (skip) return false;
  SetContent(Comment ? xntComment : xntCData, start, FText.substr(start, end - start));
  return true;
}

bool TZCLXMLTextReader::ParsePI() {
  Integer nameAt = FPos;
  String prefix, local;
  bool ns = FSettings.Namespaces;
  FSettings.Namespaces = false;  // a colon is found below
  Integer e = ScanName(FPos, prefix, local);
  FSettings.Namespaces = ns;
  if (ns) {
    for (Integer i = nameAt; i < e; ++i)
      if (FText[i] == u':') {
        TZCLXMLCharArgs a = CharArgs(i);
        Fail(i, u"The '%s' character, hexadecimal value %s, cannot be included in a name.", {a.Text, a.Code});
      }
  }
  if (SameText(local, u"xml"))
    Fail(nameAt,
         u"Unexpected XML declaration. The XML declaration must be the first node in the document, and no "
         u"white space characters are allowed to appear before it.");
  FPos = e;
  if (!IsWs(Ch(FPos)) && !StartsWith(FPos, u"?>")) {
    if (AtEnd(FPos)) Fail(FPos, u"Unexpected end of file while parsing %s has occurred.", {String(u"PI")});
    TZCLXMLCharArgs a = CharArgs(FPos);
    Fail(FPos, u"The '%s' character, hexadecimal value %s, cannot be included in a name.", {a.Text, a.Code});
  }
  while (IsWs(Ch(FPos))) ++FPos;
  Integer start = FPos;
  for (;;) {
    if (AtEnd(FPos + 1))
      Fail(std::min(FPos, FLen), u"Unexpected end of file while parsing %s has occurred.", {String(u"PI")});
    Char c = FText[FPos];
    if (c == u'?' && FText[FPos + 1] == u'>') break;
    if (HasClass(c, xccCharData))
      ++FPos;
    else if (zcXMLIsHighSurrogate(c) && zcXMLIsLowSurrogate(FText[FPos + 1]))
      FPos += 2;
    else
      FailChar(FPos);
  }
  Integer end = FPos;
  FPos += 2;
  if (FSettings.IgnoreInstructions) return false;
  SetContent(xntProcessingInstruction, nameAt, FText.substr(start, end - start)).LocalName = local;
  return true;
}

void TZCLXMLTextReader::SkipWhitespace() {
  while (IsWs(Ch(FPos))) ++FPos;
}

bool TZCLXMLTextReader::ParseXmlDeclaration() {
  if (!StartsWith(FPos, u"<?xml") || AtEnd(FPos + 5) || IsNameChar(FText[FPos + 5]) || FText[FPos + 5] == u':') {
    ApplyEncoding(nullptr);
    return false;
  }
  SetContent(xntXmlDeclaration, FPos + 2, {}).LocalName = FNameTable->Add(u"xml");
  FAttrOwner = &FContent;
  FPos += 5;
  const char16_t* names[] = {u"version", u"encoding", u"standalone"};
  int next = 0;  // index of the earliest pseudo-attribute still allowed
  String valueText;
  TEncoding* named = nullptr;
  bool haveVersion = false;
  std::vector<TZCLXMLNodeData*> attrs;
  for (;;) {
    Integer wsStart = FPos;
    SkipWhitespace();
    bool hadWs = FPos > wsStart;
    if (AtEnd(FPos)) Fail(FPos, u"Unexpected end of file has occurred.");
    if (FText[FPos] == u'?') {
      if (AtEnd(FPos + 1)) Fail(FPos + 1, u"Unexpected end of file has occurred.");
      if (FText[FPos + 1] != u'>') FailToken(FPos + 1, u">");
      if (!haveVersion) Fail(FPos, u"Syntax for an XML declaration is invalid.");
      FPos += 2;
      break;
    }
    if (!hadWs) FailToken(FPos, u"?>");
    if (!valueText.empty()) valueText += FText.substr(wsStart, FPos - wsStart);
    Integer nameAt = FPos;
    Integer e = FPos;
    while (IsNameChar(Ch(e)) || Ch(e) == u':') ++e;
    String name = FText.substr(FPos, e - FPos);
    int which = -1;
    for (int k = 0; k < 3; ++k)
      if (name == names[k]) which = k;
    if (which < 0 || which < next || (which == 0) != (next == 0) || (which == 1 && next != 1))
      Fail(nameAt, u"Syntax for an XML declaration is invalid.");
    next = which + 1;
    FPos = e;
    SkipWhitespace();
    if (Ch(FPos) != u'=') FailToken(FPos, u"=");
    ++FPos;
    SkipWhitespace();
    Char q = Ch(FPos);
    if (q != u'"' && q != u'\'') FailToken(FPos, u"\"", u"'");
    Integer vStart = ++FPos;
    for (;;) {
      if (AtEnd(FPos)) Fail(FPos, u"There is an unclosed literal string.");
      Char c = FText[FPos];
      if (c == q) break;
      if (!HasClass(c, xccAttrValue)) Fail(FPos, u"Syntax for an XML declaration is invalid.");
      ++FPos;
    }
    String value = FText.substr(vStart, FPos - vStart);
    ++FPos;
    valueText += FText.substr(nameAt, FPos - nameAt);
    TZCLXMLNodeData* a = NewAttr();
    a->Depth = 1;
    a->LocalName = FNameTable->Add(name);
    a->QuoteChar = q;
    a->Value = value;
    SetLine(*a, nameAt);
    TPos vp = LineInfo(vStart);
    a->ValueLineNumber = vp.Line;
    a->ValueLinePosition = vp.Pos;
    if (which == 0) {
      haveVersion = true;
      if (!IsVersionNum(value)) Fail(vStart, u"Version number '%s' is invalid.", {value});
    } else if (which == 1) {
      if (!IsEncName(value)) Fail(vStart, u"Syntax for an XML declaration is invalid.");
      if (SameText(value, u"utf-8"))
        named = TEncoding::GetUTF8();
      else
        named = FOwnedEncoding = TEncoding::GetEncoding(value);
      if (FDetected && !SameFamily(FEncoding, named))
        Fail(vStart, u"The encoding '%s' in the XML declaration does not match the document's encoding.", {value});
    } else if (value != u"yes" && value != u"no") {
      Fail(vStart, u"Syntax for an XML declaration is invalid.");
    }
  }
  FContent.Value = valueText;
  // Attributes of the declaration stay reachable until the next Read.
  ApplyEncoding(named);
  return true;
}

// Skips a document type declaration; the internal subset is not processed.
String TZCLXMLTextReader::ScanQuoted() {
  Char q = Ch(FPos);
  if (q != u'"' && q != u'\'') FailToken(FPos, u"\", '");
  Integer start = ++FPos;
  while (!AtEnd(FPos) && FText[FPos] != q) ++FPos;
  if (AtEnd(FPos)) Fail(FPos, u"Unexpected end of file has occurred.");
  ++FPos;
  return FText.substr(start, FPos - 1 - start);
}

void TZCLXMLTextReader::SkipDoctype() {
  Integer at = FPos + 2;
  if (AtEnd(at + 7)) Fail(at, u"Unexpected end of file while parsing %s has occurred.", {String(u"DOCTYPE")});
  if (!StartsWith(at, u"DOCTYPE")) FailToken(at, u"DOCTYPE");
  FPos = at + 7;
  if (!IsWs(FText[FPos])) FailWhitespace(FPos);
  SkipWhitespace();
  String prefix, local;
  bool ns = FSettings.Namespaces;
  FSettings.Namespaces = false;
  FPos = ScanName(FPos, prefix, local);
  FSettings.Namespaces = ns;
  SkipWhitespace();
  if (AtEnd(FPos)) Fail(FPos, u"Unexpected end of file has occurred.");
  Char c = FText[FPos];
  auto requireWs = [&] {
    if (!IsWs(Ch(FPos))) FailWhitespace(FPos);
    SkipWhitespace();
  };
  if (c == u'P') {
    if (!StartsWith(FPos, u"PUBLIC")) FailToken(FPos, u"PUBLIC");
    FPos += 6;
    requireWs();
    ScanQuoted();
    requireWs();
    ScanQuoted();
    SkipWhitespace();
  } else if (c == u'S') {
    if (!StartsWith(FPos, u"SYSTEM")) FailToken(FPos, u"SYSTEM");
    FPos += 6;
    requireWs();
    ScanQuoted();
    SkipWhitespace();
  } else if (c != u'[' && c != u'>') {
    Fail(FPos, u"Expecting external ID, '[' or '&gt;'.");
  }
  if (AtEnd(FPos)) Fail(FPos, u"Unexpected end of file has occurred.");
  c = FText[FPos];
  if (c == u'[') {
    ++FPos;
    Char quote = 0;
    bool inPI = false, inComment = false;
    for (;;) {
      if (AtEnd(FPos)) Fail(FPos, u"Unexpected end of file has occurred.");
      Char d = FText[FPos];
      if (quote) {
        if (d == quote) quote = 0;
      } else if (inPI) {
        if (StartsWith(FPos, u"?>")) inPI = false, ++FPos;
      } else if (inComment) {
        if (StartsWith(FPos, u"-->")) inComment = false, FPos += 2;
      } else if (d == u'"' || d == u'\'') {
        quote = d;
      } else if (StartsWith(FPos, u"<?")) {
        inPI = true;
        ++FPos;
      } else if (StartsWith(FPos, u"<!--")) {
        inComment = true;
        FPos += 3;
      } else if (d == u']') {
        break;
      }
      if (!HasClass(d, xccCharData)) {
        if (zcXMLIsHighSurrogate(d) && zcXMLIsLowSurrogate(Ch(FPos + 1)))
          ++FPos;
        else
          FailChar(FPos);
      }
      ++FPos;
    }
    ++FPos;
    SkipWhitespace();
    if (Ch(FPos) != u'>') FailToken(FPos, u">");
    ++FPos;
    return;
  }
  if (c != u'>') Fail(FPos, u"Expecting an internal subset or the end of the DOCTYPE declaration.");
  ++FPos;
}

// ---------------------------------------------------------------------------------------------
// Loaders

TZCLXMLNodeLoader::TZCLXMLNodeLoader(TZCLXMLNameTable* NameTable) : FNameTable(NameTable) {}

TZCLXMLNodeLoader::~TZCLXMLNodeLoader() { Free(Loaders); }

void TZCLXMLNodeLoader::SubstituteContext(TObject*&) {}
void TZCLXMLNodeLoader::OnBegin(TObject*, TZCLXMLReader*) {}
void TZCLXMLNodeLoader::OnText(TObject*, TZCLXMLReader*) {}
void TZCLXMLNodeLoader::OnEnd(TObject*) {}

TZCLXMLCallbackLoader::TZCLXMLCallbackLoader(TZCLXMLNameTable* NameTable, TZCLXMLBeginProc BeginProc,
                                             TZCLXMLTextProc TextProc)
    : TZCLXMLNodeLoader(NameTable), OnBeginProc(BeginProc), OnTextProc(TextProc) {}

void TZCLXMLCallbackLoader::OnBegin(TObject* Context, TZCLXMLReader* Reader) {
  if (OnBeginProc) OnBeginProc(Context, Reader);
}

void TZCLXMLCallbackLoader::OnText(TObject* Context, TZCLXMLReader* Reader) {
  if (OnTextProc) OnTextProc(Context, Reader->GetValue());
}

TZCLXMLNodeLoaders::TZCLXMLNodeLoaders(TZCLXMLNameTable* NameTable) : FNameTable(NameTable) {}

TZCLXMLNodeLoaders::~TZCLXMLNodeLoaders() {
  for (Integer i = 0; i < FCount; ++i) Free(FItems[i].Loader.load());
  Free(FDefault.Loader.load());
}

void TZCLXMLNodeLoaders::Reserve(Integer N) {
  if (FCapacity >= FCount + N) return;
  FCapacity = FCount + N;
  auto items = std::make_unique<THolder[]>(FCapacity);
  for (Integer i = 0; i < FCount; ++i) {
    items[i].Name = std::move(FItems[i].Name);
    items[i].LoaderClass = FItems[i].LoaderClass;
    items[i].Loader.store(FItems[i].Loader.load());
  }
  FItems = std::move(items);
}

TZCLXMLNodeLoaders::THolder& TZCLXMLNodeLoaders::Add(const String& Name) {
  if (FCapacity < FCount + 1) Reserve(1);
  THolder& h = FItems[FCount++];
  h.Name = FNameTable->Add(Name);
  return h;
}

TZCLXMLNodeLoaders::THolder& TZCLXMLNodeLoaders::AddLoader(const String& Name, TZCLXMLNodeLoaderClass LoaderClass) {
  THolder& h = Add(Name);
  h.LoaderClass = LoaderClass;
  return h;
}

TZCLXMLNodeLoaders::THolder& TZCLXMLNodeLoaders::AddLoaderNS(const String& Prefix, const String& Name,
                                                             TZCLXMLNodeLoaderClass LoaderClass) {
  return AddLoader(Prefix + u":" + Name, LoaderClass);
}

TZCLXMLNodeLoaders::THolder& TZCLXMLNodeLoaders::AddLoaderInstance(const String& Name, TZCLXMLNodeLoader* Loader) {
  THolder& h = Add(Name);
  h.Loader.store(Loader);
  return h;
}

TZCLXMLNodeLoaders::THolder& TZCLXMLNodeLoaders::AddCallback(const String& Name, TZCLXMLTextProc TextProc) {
  return AddLoaderInstance(Name, Create<TZCLXMLCallbackLoader>(FNameTable, TZCLXMLBeginProc(), TextProc));
}

TZCLXMLNodeLoaders::THolder& TZCLXMLNodeLoaders::AddCallbackNS(const String& Prefix, const String& Name,
                                                               TZCLXMLTextProc TextProc) {
  return AddCallback(Prefix + u":" + Name, TextProc);
}

void TZCLXMLNodeLoaders::SetDefault(TZCLXMLNodeLoaderClass LoaderClass) {
  Free(FDefault.Loader.exchange(nullptr));
  FDefault.LoaderClass = LoaderClass;
}

// The entry's handler, created on first use; of two threads creating it at once one instance survives.
TZCLXMLNodeLoader* TZCLXMLNodeLoaders::Instance(THolder& H) {
  TZCLXMLNodeLoader* loader = H.Loader.load(std::memory_order_acquire);
  if (loader || !H.LoaderClass) return loader;
  TZCLXMLNodeLoader* made = H.LoaderClass->Create<TZCLXMLNodeLoader>(FNameTable);
  if (H.Loader.compare_exchange_strong(loader, made, std::memory_order_acq_rel)) return made;
  Free(made);
  return loader;
}

TZCLXMLNodeLoader* TZCLXMLNodeLoaders::Find(TZCLXMLReader* Reader, const String& NameAtom) {
  TZCLXMLNodeLoader* result = nullptr;
  Integer i = FCount - 1;
  // Atoms of one table compare by reference; the text comparison also serves names built by the caller.
  while (i >= 0 && !(FItems[i].Name.data() == NameAtom.data() || FItems[i].Name == NameAtom)) --i;
  if (i >= 0)
    result = Instance(FItems[i]);
  else if (FDefault.LoaderClass || FDefault.Loader.load())
    result = Instance(FDefault);
  if (!result || result->KeyAttribute.empty()) return result;
  String key;
  if (!result->Loaders || !Reader->TryGetAttribute(result->KeyAttribute, key)) return nullptr;
  return result->Loaders->Find(Reader, key);
}

TZCLXMLDocumentLoader::TZCLXMLDocumentLoader()
    : FNameTable(std::make_unique<TZCLXMLNameTable>()), FLoadLock(Create<TCriticalSection>()) {
  Settings.IgnoreComments = true;
  Settings.IgnoreWhitespace = true;
  Settings.NameTable = FNameTable.get();
  Loaders = Create<TZCLXMLNodeLoaders>(FNameTable.get());
}

TZCLXMLDocumentLoader::~TZCLXMLDocumentLoader() {
  Free(Loaders);
  Free(FLoadLock);
}

void TZCLXMLDocumentLoader::Load(TObject* Context, TStream* Stream) {
  if (Stream->GetPosition() >= Stream->GetSize()) return;
  // The reader and the handler tables add names to the shared table, which is not thread-safe.
  TLockGuard guard(*FLoadLock);
  struct TFrame {
    TZCLXMLNodeLoader* Loader;
    TObject* Context;
  };
  std::vector<TFrame> stack;
  stack.reserve(16);
  TZCLXMLNodeLoader* current = nullptr;
  TObject* context = Context;
  // The tables hold atoms of this loader's name table, so the reader works on it too.
  TZCLXMLReaderSettings settings = Settings;
  settings.NameTable = FNameTable.get();
  std::unique_ptr<TZCLXMLReader> reader = TZCLXMLReader::Create(settings, Stream);
  for (;;) {
    try {
      if (!reader->Read()) break;
    } catch (const Exception&) {
      break;  // a malformed document is loaded up to its first error
    }
    TZCLXMLNodeData* node = reader->Node();
    switch (node->NodeType) {
      case xntElement: {
        const bool empty = node->IsEmptyElement();
        TZCLXMLNodeLoader* loader = nullptr;
        if (current)
          loader = current->Loaders ? current->Loaders->Find(reader.get(), node->GetQualifiedName()) : nullptr;
        else if (stack.empty())
          loader = Loaders->Find(reader.get(), node->GetQualifiedName());
        TObject* elementContext = context;
        if (loader) {
          loader->SubstituteContext(elementContext);
          loader->OnBegin(elementContext, reader.get());
        }
        if (!empty) {
          stack.push_back({current, context});
          current = loader;
          context = elementContext;
        } else if (loader) {
          loader->OnEnd(elementContext);
        }
        break;
      }
      case xntText:
      case xntCData:
      case xntSignificantWhitespace:
        if (current) current->OnText(context, reader.get());
        break;
      case xntEndElement:
        if (!stack.empty()) {
          if (current) current->OnEnd(context);
          current = stack.back().Loader;
          context = stack.back().Context;
          stack.pop_back();
        }
        break;
      default:
        break;
    }
  }
}
