#include "zeph/media/ZTL.Tags.ID3v2.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.TypInfo.h"
#include "zcl/base/ZCL.Classes.ByteBuffer.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.Stream.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zcl/graphics/ZCL.Graphics.Images.h"
#include "zeph/media/ZTL.Core.h"
#include "zeph/media/ZTL.Genres.h"
#include "zeph/media/ZTL.Tags.h"
#include "zeph/media/ZTL.Utils.h"

namespace {

// ---- text ------------------------------------------------------------------------------------------

String TrimUpTo32(const String& S) {
  size_t a = 0, b = S.size();
  while (a < b && S[a] <= 32) ++a;
  while (b > a && S[b - 1] <= 32) --b;
  return S.substr(a, b - a);
}

// UTF-8 without a leading mark, characters below 33 removed from the end; empty when invalid.
String DecodeUtf8Rest(std::string_view Data) {
  if (Data.size() >= 3 && std::memcmp(Data.data(), "\xEF\xBB\xBF", 3) == 0) Data.remove_prefix(3);
  String s = zcDecodeUTF8(Data);
  while (!s.empty() && s.back() < 33) s.pop_back();
  return s;
}

// The byte-order-mark test: true with the text when the data reads as UTF-16.
bool TryUtf16(std::string_view Data, String& Text) {
  const auto* d = reinterpret_cast<const Byte*>(Data.data());
  const size_t n = Data.size();
  size_t start = 0;
  bool bigEndian = false, found = false;
  for (size_t i = 0; i + 1 < n && !found; ++i) {
    size_t j = i;
    if (d[j] <= 1) ++j;
    if (j + 1 >= n) break;
    size_t markEnd = 0;
    if (d[j] == 0xFF && d[j + 1] == 0xFE)
      markEnd = j + 2, bigEndian = false;
    else if (d[j] == 0xFE && d[j + 1] == 0xFF)
      markEnd = j + 2, bigEndian = true;
    else if (j + 2 < n && d[j] == 0xFF && d[j + 1] == 0 && d[j + 2] == 0xFE)
      markEnd = j + 3, bigEndian = false;
    else if (j + 2 < n && d[j] == 0xFE && d[j + 1] == 0 && d[j + 2] == 0xFF)
      markEnd = j + 3, bigEndian = true;
    if (markEnd == 0) continue;
    bool encodingByte = false;
    for (size_t k = 0; k < markEnd && !encodingByte; ++k) encodingByte = d[k] <= 1;
    if (!encodingByte) continue;
    found = true;
    start = markEnd;
  }
  if (!found) {
    if (n == 0 || d[0] != 1) return false;
    start = 1;
    bigEndian = false;
  } else if (bigEndian && start + 1 < n && d[start] == 0 && d[start + 1] == 0) {
    ++start;  // a writer that put a zero unit after the mark
  }
  String s;
  s.reserve((n - start) / 2);
  for (size_t p = start; p + 1 < n; p += 2) {
    Char unit = bigEndian ? static_cast<Char>(d[p] << 8 | d[p + 1]) : static_cast<Char>(d[p + 1] << 8 | d[p]);
    if (unit == 0xFEFF) continue;  // a further mark in the same order
    if (unit == 0xFFFE) {          // a further mark in the other order
      bigEndian = !bigEndian;
      continue;
    }
    s += unit;
  }
  Text = TrimUpTo32(s);
  return true;
}

// ---- frames ----------------------------------------------------------------------------------------

const char* const KnownFrames4[] = {
    "XHD3", "AENC", "APIC", "ASPI", "COMM", "COMR", "ENCR", "EQU2", "EQUA", "ETCO", "GEOB", "GRID", "IPLS", "LINK",
    "MCDI", "MLLT", "OWNE", "PCNT", "POPM", "POSS", "PRIV", "RBUF", "RGAD", "RVA2", "RVRB", "SEEK", "SIGN", "SYLT",
    "SYTC", "TALB", "TBPM", "TCMP", "TCOM", "TCON", "TCOP", "TDAT", "TDEN", "TDLY", "TDOR", "TDRC", "TDRL", "TDTG",
    "TENC", "TEXT", "TFLT", "TIME", "TIPL", "TIT1", "TIT2", "TIT3", "TKEY", "TLAN", "TLEN", "TMCL", "TMED", "TMOO",
    "TOAL", "TOFN", "TOLY", "TOPE", "TORY", "TOWN", "TPE1", "TPE2", "TPE3", "TPE4", "TPOS", "TPRO", "TPUB", "TRCK",
    "TRDA", "TRSN", "TRSO", "TSIZ", "TSO2", "TSOA", "TSOC", "TSOP", "TSOT", "TSRC", "TSSE", "TSST", "TXXX", "TYER",
    "UFID", "USER", "USLT", "WCOM", "WCOP", "WOAF", "WOAR", "WOAS", "WORS", "WPAY", "WPUB", "WXXX", "XRVA", "TGID",
    "TDES", "TCAT", "WFED", "ISRC", "RVAD", "PCST", "CTOC", "CHAP", "NCON", "GRP1", "TT22", "MVNM", "MVIN"};
const char* const KnownFrames3[] = {"BUF", "CNT", "COM", "CRA", "CRM", "EQU", "ETC", "GEO", "IPL", "LNK", "MCI", "MLL",
                                    "PIC", "POP", "REV", "RVA", "SLT", "STC", "TAL", "TBP", "TCM", "TCO", "TCP", "TCR",
                                    "TDA", "TDY", "TEN", "TFT", "TIM", "TKE", "TLA", "TLE", "TMT", "TOA", "TOF", "TOL",
                                    "TOR", "TOT", "TP1", "TP2", "TP3", "TP4", "TPA", "TPB", "TRC", "TRD", "TRK", "TSI",
                                    "TSS", "TT1", "TT2", "TT3", "TXT", "TXX", "TYE", "UFI", "ULT", "WAF", "WAR", "WAS",
                                    "WCM", "WCP", "WPB", "WXX", "TDR", "GP1", "TS2", "TSA", "TSP", "TSC", "TST"};

const std::unordered_set<std::string_view>& KnownFrames() {
  static const std::unordered_set<std::string_view> known = [] {
    std::unordered_set<std::string_view> s;
    for (const char* id : KnownFrames4) s.insert(id);
    for (const char* id : KnownFrames3) s.insert(id);
    return s;
  }();
  return known;
}

Cardinal BE32(const Byte* P) {
  return static_cast<Cardinal>(P[0]) << 24 | static_cast<Cardinal>(P[1]) << 16 | static_cast<Cardinal>(P[2]) << 8 |
         P[3];
}

Cardinal Syncsafe(const Byte* P) {
  return (P[0] & 0x7Fu) << 21 | (P[1] & 0x7Fu) << 14 | (P[2] & 0x7Fu) << 7 | (P[3] & 0x7Fu);
}

void PutBE32(RawByteString& Out, size_t At, Cardinal V) {
  for (int i = 0; i < 4; ++i) Out[At + i] = static_cast<char>((V >> (24 - 8 * i)) & 0xFF);
}

void PutSyncsafe(RawByteString& Out, size_t At, Cardinal V) {
  for (int i = 0; i < 4; ++i) Out[At + i] = static_cast<char>((V >> (21 - 7 * i)) & 0x7F);
}

// Every 00 that follows an FF removed.
RawByteString Resync(std::string_view Data) {
  RawByteString out;
  out.reserve(Data.size());
  for (size_t i = 0; i < Data.size(); ++i) {
    out += Data[i];
    if (static_cast<Byte>(Data[i]) == 0xFF && i + 1 < Data.size() && Data[i + 1] == 0) ++i;
  }
  return out;
}

struct TFrameHeader {
  std::string_view ID;
  Int64 Size = 0;
  Byte Format = 0;
  size_t HeaderSize = 0;
};

// A complete header at Pos whose identifier is known and whose size is not negative.
bool ReadHeader(std::string_view Area, size_t Pos, Byte Major, TFrameHeader& H) {
  const size_t headerSize = Major == 2 ? 6 : 10;
  if (Pos > Area.size() || Area.size() - Pos < headerSize) return false;
  const auto* p = reinterpret_cast<const Byte*>(Area.data() + Pos);
  H.HeaderSize = headerSize;
  if (Major == 2) {
    H.ID = Area.substr(Pos, 3);
    H.Size = static_cast<Int64>(p[3]) << 16 | p[4] << 8 | p[5];
    H.Format = 0;
  } else {
    H.ID = Area.substr(Pos, 4);
    H.Size = Major == 4 ? static_cast<Int64>(Syncsafe(p + 4)) : static_cast<Int64>(static_cast<Integer>(BE32(p + 4)));
    H.Format = p[9];
  }
  return H.Size >= 0 && KnownFrames().count(H.ID) > 0;
}

// The first position from Pos on where an accepted header stands; npos when none.
size_t FindHeader(std::string_view Area, size_t Pos, Byte Major) {
  TFrameHeader h;
  for (; Pos < Area.size(); ++Pos)
    if (ReadHeader(Area, Pos, Major, h)) return Pos;
  return std::string_view::npos;
}

bool IsZeroID(std::string_view Area, size_t Pos, Byte Major) {
  const size_t n = Major == 2 ? 3 : 4;
  if (Area.size() - Pos < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (Area[Pos + i] != 0) return false;
  return true;
}

struct TWalkFrame {
  std::string_view ID;
  RawByteString Data;
};

// Walks the frames of an area. Frames that cannot be decoded (compressed, encrypted) are left
// out; grouping and data-length bytes are removed and unsynchronisation undone.
std::vector<TWalkFrame> WalkFrames(std::string_view Area, Byte Major, bool TagUnsync, size_t MaxFrames = SIZE_MAX) {
  std::vector<TWalkFrame> frames;
  size_t pos = 0;
  TFrameHeader h;
  while (frames.size() < MaxFrames && ReadHeader(Area, pos, Major, h)) {
    const size_t dataStart = pos + h.HeaderSize;
    Int64 size = h.Size;
    const Int64 declaredEnd = static_cast<Int64>(dataStart) + size;
    const Int64 areaSize = static_cast<Int64>(Area.size());
    // Size repair: writers that got the size wrong leave the next header elsewhere.
    if (declaredEnd <= areaSize) {
      TFrameHeader next;
      if (areaSize - declaredEnd > 10 && !IsZeroID(Area, static_cast<size_t>(declaredEnd), Major) &&
          !ReadHeader(Area, static_cast<size_t>(declaredEnd), Major, next)) {
        const size_t found = FindHeader(Area, static_cast<size_t>(declaredEnd), Major);
        if (found != std::string_view::npos) size = static_cast<Int64>(found - dataStart);
      }
    } else {
      const size_t found = FindHeader(Area, dataStart, Major);
      size = static_cast<Int64>(found != std::string_view::npos ? found : Area.size()) - static_cast<Int64>(dataStart);
    }
    pos = dataStart + static_cast<size_t>(size);
    if (size <= 0) continue;
    std::string_view data = Area.substr(dataStart, static_cast<size_t>(size));
    bool unsync = TagUnsync;
    bool skip = false;
    if (Major == 3) {
      skip = (h.Format & 0xC0) != 0;                                                         // compressed or encrypted
      if (!skip && (h.Format & 0x20)) data.remove_prefix(std::min<size_t>(1, data.size()));  // group
    } else if (Major == 4) {
      skip = (h.Format & 0x0C) != 0 || (h.Format & 0x80) != 0;
      if (!skip && (h.Format & 0x40)) data.remove_prefix(std::min<size_t>(1, data.size()));
      if (!skip && (h.Format & 0x01)) data.remove_prefix(std::min<size_t>(4, data.size()));
      if (h.Format & 0x02) unsync = true;
    }
    if (skip || data.empty()) continue;
    frames.push_back({h.ID, unsync ? Resync(data) : RawByteString(data)});
  }
  return frames;
}

// A text frame of a version-4 tag in UTF-8 or UTF-16 BE, re-encoded so a version-3 tag may hold it.
RawByteString TextFrameForV3(std::string_view ID, const RawByteString& Data) {
  if (ID.empty() || (ID[0] != 'T' && ID != "COMM" && ID != "USLT") || Data.empty()) return Data;
  const Byte enc = static_cast<Byte>(Data[0]);
  if (enc != 2 && enc != 3) return Data;
  const std::string_view rest = std::string_view(Data).substr(1);
  if (ID[0] == 'T' && ID != "TXXX") {
    // NUL-separated values stay separated.
    String text;
    if (enc == 3)
      text = UTF8ToString(rest);
    else
      for (size_t i = 0; i + 1 < rest.size(); i += 2)
        text += static_cast<Char>(static_cast<Byte>(rest[i]) << 8 | static_cast<Byte>(rest[i + 1]));
    RawByteString out("\x01", 1);
    bool markNeeded = true;
    for (Char c : text) {
      if (markNeeded) out += "\xFF\xFE", markNeeded = false;
      if (c == 0) markNeeded = true;
      out += static_cast<char>(c & 0xFF);
      out += static_cast<char>(c >> 8);
    }
    return out;
  }
  // TXXX, COMM, USLT: prefix bytes (language) stay, the texts after them are re-encoded.
  const size_t prefix = ID == "TXXX" ? 0 : 3;
  if (rest.size() < prefix) return Data;
  RawByteString out("\x01", 1);
  out.append(rest.substr(0, prefix));
  std::string_view texts = rest.substr(prefix);
  // Description and value, each ended by a terminator in the old encoding.
  auto emit = [&out](const String& s, bool terminate) {
    out += "\xFF\xFE";
    for (Char c : s) out += static_cast<char>(c & 0xFF), out += static_cast<char>(c >> 8);
    if (terminate) out.append("\0\0", 2);
  };
  if (enc == 3) {
    const size_t nul = texts.find('\0');
    emit(UTF8ToString(texts.substr(0, nul)), true);
    emit(nul == std::string_view::npos ? String() : UTF8ToString(texts.substr(nul + 1)), false);
  } else {
    size_t nul = std::string_view::npos;
    for (size_t i = 0; i + 1 < texts.size(); i += 2)
      if (texts[i] == 0 && texts[i + 1] == 0) {
        nul = i;
        break;
      }
    auto be = [](std::string_view s) {
      String t;
      for (size_t i = 0; i + 1 < s.size(); i += 2)
        t += static_cast<Char>(static_cast<Byte>(s[i]) << 8 | static_cast<Byte>(s[i + 1]));
      return t;
    };
    emit(be(texts.substr(0, nul)), true);
    emit(nul == std::string_view::npos ? String() : be(texts.substr(nul + 2)), false);
  }
  return out;
}

}  // namespace

// ---- TID3v2Encoding --------------------------------------------------------------------------------

String TID3v2Encoding::Decode(std::string_view Data) {
  if (Data.empty()) return String();
  const Byte enc = static_cast<Byte>(Data[0]);
  String text;
  switch (enc) {
    case 0:
    case 3:
      if (enc == 0 && TryUtf16(Data, text)) return text;
      text = DecodeUtf8Rest(Data.substr(1));
      if (text.empty()) text = zcAnsiToUnicode(Data.substr(1), -1);
      return text;
    case 2: {
      for (size_t p = 1; p + 1 < Data.size(); p += 2) {
        const Byte hi = static_cast<Byte>(Data[p]), lo = static_cast<Byte>(Data[p + 1]);
        if (hi == 0 && lo == 0) break;
        if (lo == 0xFF) continue;
        text += static_cast<Char>(hi << 8 | lo);
      }
      return text;
    }
    default:
      if (TryUtf16(Data, text)) return text;
      text = DecodeUtf8Rest(Data);
      if (text.empty()) text = TZTLTagsEncoding::DecodeAnsi(Data);
      return text;
  }
}

String TID3v2Encoding::DecodeAndCut(std::string_view Data) { return CleanValue(Decode(Data)); }

RawByteString TID3v2Encoding::Encode(StringView Text, Integer Flags) {
  RawByteString out;
  out.reserve(Text.size() * 2 + 3);
  if (Flags & 1) out += '\x01';
  if (Flags & 2) out += "\xFF\xFE";
  for (Char c : Text) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

// ---- TZTLID3v2Codec --------------------------------------------------------------------------------

Int64 TZTLID3v2Codec::GetTagSize(TStream* Stream, Int64 Position) {
  const Int64 old = Stream->GetPosition();
  Byte h[10];
  Stream->SetPosition(Position);
  const bool ok = Stream->Read(h, 10) == 10 && std::memcmp(h, "ID3", 3) == 0;
  Stream->SetPosition(old);
  if (!ok) return 0;
  Int64 size = static_cast<Int64>(Syncsafe(h + 6)) + 10;
  if (h[3] == 4 && (h[5] & 0x10)) size += 10;  // the footer goes with the tag
  return size;
}

void TZTLID3v2Codec::SkipTag(TStream* Stream, Int64 Position) {
  Stream->SetPosition(Position + GetTagSize(Stream, Position));
}

Cardinal TZTLID3v2Codec::Read(TStream* Stream, Int64 Position, std::vector<TZTLID3v2Frame>& Frames, Byte& Major) {
  Frames.clear();
  Major = 0;
  Byte h[10];
  Stream->SetPosition(Position);
  if (Stream->Read(h, 10) != 10 || std::memcmp(h, "ID3", 3) != 0) return 0;
  const Int64 total = GetTagSize(Stream, Position);
  if (h[3] < 2 || h[3] > 4 || Stream->GetSize() - Position < total) return 0;
  Major = h[3];
  const Byte flags = h[5];
  RawByteString area(Syncsafe(h + 6), '\0');
  Stream->SetPosition(Position + 10);
  Stream->ReadBuffer(area.data(), static_cast<Int64>(area.size()));
  // Version 2.2 used this flag for a compression that was never defined: nothing can be read.
  if (Major == 2 && (flags & 0x40)) return static_cast<Cardinal>(total);
  bool tagUnsync = (flags & 0x80) != 0;
  // Before version 4 the whole tag is unsynchronised, frame headers included.
  if (tagUnsync && Major < 4) {
    area = Resync(area);
    tagUnsync = false;
  }
  std::string_view view(area);
  if (flags & 0x40) {
    // The extended header, skipped by the size it gives (without itself in version 3).
    if (view.size() < 4) return static_cast<Cardinal>(total);
    const auto* p = reinterpret_cast<const Byte*>(view.data());
    const Int64 skip = Major == 3 ? static_cast<Int64>(BE32(p)) + 4 : static_cast<Int64>(Syncsafe(p));
    if (skip > static_cast<Int64>(view.size())) return static_cast<Cardinal>(total);
    view.remove_prefix(static_cast<size_t>(skip));
  }
  for (TWalkFrame& f : WalkFrames(view, Major, tagUnsync)) {
    TZTLID3v2Frame frame{std::string(f.ID), std::move(f.Data)};
    if (Major == 4) frame.Data = TextFrameForV3(frame.ID, frame.Data);
    Frames.push_back(std::move(frame));
  }
  return static_cast<Cardinal>(total);
}

Integer TZTLID3v2Codec::FrameCode(std::string_view ID) {
  Cardinal code = 0;
  for (size_t i = 0; i < ID.size() && i < 4; ++i) code |= static_cast<Cardinal>(static_cast<Byte>(ID[i])) << (8 * i);
  return static_cast<Integer>(code);
}

bool TZTLID3v2Codec::IsKnownFrame(std::string_view ID) { return KnownFrames().count(ID) > 0; }

String TZTLID3v2Codec::DecodeComment(std::string_view Data) {
  if (Data.size() < 5) return String();
  std::string bytes(1, Data[0]);
  bytes.append(Data.substr(4));
  return TID3v2Encoding::Decode(bytes);
}

String TZTLID3v2Codec::DecodeGenre(std::string_view Data) {
  String text = TID3v2Encoding::Decode(Data);
  if (text.empty() || text[0] != u'(') return text;
  const size_t close = text.rfind(u')');
  if (close == String::npos) return text;
  Integer number = 0;
  if (!TryStrToInt(text.substr(1, close - 1), number)) number = 0;
  text.erase(0, close + 1);
  if (text.empty()) text = GetGenreName(number);
  return text;
}

String TZTLID3v2Codec::DecodeLink(std::string_view Data) {
  size_t skip = 0;
  while (skip < Data.size() && static_cast<Byte>(Data[skip]) < 16) ++skip;
  std::string_view rest = Data.substr(skip);
  String result;
  if (rest.size() >= 2 && static_cast<Byte>(rest[0]) == 0xFF && static_cast<Byte>(rest[1]) == 0xFE) {
    if (Data.size() <= 6 || Data[6] != 0)
      result = TZCLPunycode::DecodeDomain(Data.substr(std::min<size_t>(5, Data.size())));
    else
      result = TID3v2Encoding::DecodeAndCut(Data);
  } else {
    result = TZCLPunycode::DecodeDomain(rest);
  }
  const size_t nul = result.find(u'\0');
  if (nul != String::npos && nul + 1 < result.size()) result.erase(0, nul + 1);
  return zcTrim(result);
}

Integer TZTLID3v2Codec::DecodeRating(std::string_view Data) {
  const size_t nul = Data.find('\0');
  if (nul == std::string_view::npos || nul + 1 >= Data.size()) return 0;
  const Byte b = static_cast<Byte>(Data[nul + 1]);
  return b == 0 ? 0 : b / 63 + 1;
}

String TZTLID3v2Codec::DecodeOwner(std::string_view Data) {
  const size_t nul = Data.find('\0');
  if (nul == std::string_view::npos) return String();
  String owner = zcRawBytesToString(reinterpret_cast<const Byte*>(Data.data()), static_cast<Integer>(nul + 1));
  std::string text(1, '\x01');
  text.append(Data.substr(nul + 1));
  return owner + TID3v2Encoding::DecodeAndCut(text);
}

namespace {

// The offset within the first 256 bytes where a registered image format's header starts.
size_t FindImageStart(std::string_view Data) {
  const size_t limit = std::min<size_t>(256, Data.size());
  for (size_t i = 0; i < limit; ++i)
    if (TZCLImageFormatRepository::FindByHeader(reinterpret_cast<const Byte*>(Data.data() + i),
                                                static_cast<Integer>(Data.size() - i)))
      return i;
  return std::string_view::npos;
}

}  // namespace

bool TZTLID3v2Codec::DecodePicture(std::string_view ID, std::string_view Data, Byte Major, TZTLID3v2Picture& Picture) {
  size_t pos = 1;  // the encoding byte
  if (Data.empty()) return false;
  if (Major == 2 || ID == "PIC") {
    pos += 3;
  } else {
    const size_t nul = Data.find('\0', pos);
    if (nul == std::string_view::npos) return false;
    pos = nul + 1;
  }
  if (pos >= Data.size()) return false;
  Picture.PictureType = static_cast<Byte>(Data[pos++]);
  // The description ends at a zero byte (two in UTF-16; the image search passes the second).
  const size_t nul = Data.find('\0', pos);
  if (nul == std::string_view::npos) return false;
  pos = nul + 1;
  std::string_view rest = Data.substr(pos);
  const size_t start = FindImageStart(rest);
  Picture.Data = RawByteString(start == std::string_view::npos ? rest : rest.substr(start));
  return true;
}

bool TZTLID3v2Codec::DecodeChapter(std::string_view Data, Byte Major, TZTLID3v2Chapter& Chapter) {
  const size_t nul = Data.find('\0');
  if (nul == std::string_view::npos || Data.size() - nul - 1 < 16) return false;
  const String element = zcRawBytesToString(reinterpret_cast<const Byte*>(Data.data()), static_cast<Integer>(nul));
  const auto* p = reinterpret_cast<const Byte*>(Data.data() + nul + 1);
  Chapter.Start = BE32(p) / 1000.0;
  Chapter.Finish = BE32(p + 4) / 1000.0;
  Chapter.Title = element;
  std::vector<TWalkFrame> sub = WalkFrames(Data.substr(nul + 17), Major, false, 1);
  if (!sub.empty() && (sub[0].ID == "TT2" || sub[0].ID == "TIT2")) {
    String title = TID3v2Encoding::Decode(sub[0].Data);
    Chapter.Title = title.substr(0, title.find(u'\0'));
  }
  return true;
}

void TZTLID3v2Codec::WriteFrame(RawByteString& Out, std::string_view ID, std::string_view Payload, bool SkipEmpty) {
  if ((SkipEmpty && Payload.empty()) || ID.size() != 4) return;
  Out.append(ID);
  const size_t at = Out.size();
  Out.append(6, '\0');
  PutBE32(Out, at, static_cast<Cardinal>(Payload.size()));
  Out.append(Payload);
}

void TZTLID3v2Codec::WriteChapters(RawByteString& Out, const std::vector<TZTLID3v2Chapter>& Chapters) {
  if (Chapters.empty()) return;
  const size_t count = std::min<size_t>(255, Chapters.size());
  RawByteString toc("chapter toc", 11);
  toc += '\0';
  toc += '\x03';
  toc += static_cast<char>(count);
  for (size_t i = 0; i < count; ++i) toc += "Ch" + std::to_string(i + 1) + '\0';
  WriteFrame(Out, "CTOC", toc);
  for (size_t i = 0; i < count; ++i) {
    const TZTLID3v2Chapter& c = Chapters[i];
    RawByteString chap = "Ch" + std::to_string(i + 1) + '\0';
    const size_t at = chap.size();
    chap.append(8, '\0');
    PutBE32(chap, at, static_cast<Cardinal>(static_cast<Int64>(c.Start * 1000)));
    PutBE32(chap, at + 4, static_cast<Cardinal>(static_cast<Int64>(c.Finish * 1000)));
    chap.append(8, '\xFF');
    WriteFrame(chap, "TIT2", c.Title.empty() ? RawByteString() : TID3v2Encoding::Encode(c.Title, 3), false);
    WriteFrame(Out, "CHAP", chap);
  }
}

Integer TZTLID3v2Codec::Build(const RawByteString& Frames, RawByteString& Out, Int64 ExistingSize, bool Pad) {
  const size_t start = Out.size();
  Out.append("ID3\x03\x00\x00", 6);
  Out.append(4, '\0');
  Out.append(Frames);
  const Int64 content = static_cast<Int64>(Out.size() - start);
  Int64 total = Pad && content < 4096 ? 4096 : content;
  if (ExistingSize >= total && ExistingSize < 102400) total = ExistingSize;
  PutSyncsafe(Out, start + 6, static_cast<Cardinal>(total - 10));
  Out.append(static_cast<size_t>(total - content), '\0');
  return static_cast<Integer>(total - content);
}

void TZTLID3v2Codec::Replace(TStream* Stream, const RawByteString& Tag, const TZCLProgressEvent& OnProgress,
                             TObject* Sender) {
  const Int64 existing = GetTagSize(Stream, 0);
  const Int64 available = Stream->GetSize();
  TMemoryStream replacement;
  if (!Tag.empty()) replacement.WriteBuffer(Tag.data(), static_cast<Int64>(Tag.size()));
  StreamReplaceRange(Stream, Tag.empty() ? nullptr : &replacement, 0, std::min(existing, available), OnProgress,
                     Sender);
}

// ---- TZTLTagID3v2 ----------------------------------------------------------------------------------

namespace {

Integer Code(std::string_view ID) { return TZTLID3v2Codec::FrameCode(ID); }

class TZTLTagID3v2FieldMap : public TZTLTagFieldMap {
 public:
  using TZTLTagFieldMap::TZTLTagFieldMap;
  void Populate() override {
    TZTLTagFieldMap::Populate();
    struct {
      const char* ID;
      const char16_t* Property;
      bool Multi;
    } frames[] = {
        {"TP2", u"AlbumArtist", false},
        {"TPE2", u"AlbumArtist", true},
        {"TP3", u"Conductor", false},
        {"TPE3", u"Conductor", false},
        {"TAL", u"Album", false},
        {"TALB", u"Album", false},
        {"TMOO", u"Mood", false},
        {"TP1", u"Artist", false},
        {"TPE1", u"Artist", true},
        {"TCM", u"Composer", true},
        {"TCOM", u"Composer", true},
        {"TCR", u"Copyright", false},
        {"TCOP", u"Copyright", false},
        {"TEN", u"EncodedBy", false},
        {"TENC", u"EncodedBy", false},
        {"TCO", u"Genre", true},
        {"TCON", u"Genre", true},
        {"WXX", u"Link", false},
        {"WXXX", u"Link", false},
        {"TT2", u"Title", false},
        {"TIT2", u"Title", false},
        {"TRK", u"Track", false},
        {"TRCK", u"Track", false},
        {"TYE", u"Date", false},
        {"TYER", u"Date", false},
        {"TDRC", u"Date", false},
        {"ULT", u"Lyrics", false},
        {"USLT", u"Lyrics", false},
        {"POPM", u"Rating", false},
        {"TBPM", u"BPM", false},
        {"TCMP", u"PartOfCompilation", false},
        {"TPOS", u"DiskNumber", false},
        {"TPUB", u"Publisher", true},
        {"TEXT", u"Lyricist", true},
        {"TSRC", u"ISRC", false},
        {"TKE", u"Key", false},
        {"TKEY", u"Key", false},
    };
    for (const auto& f : frames) Add(Code(f.ID), f.Property, f.Multi);
    Add("COMM", u"Comment", false);
    Add("Catalog Number", u"Catalog", false);
    Add("MusicMatch_Mood", u"Mood", false);
    Add("WM/Mood", u"Mood", false);
    Add("Band", u"AlbumArtist", false);
    Add("BPM (beats per minute)", u"BPM", false);
    Add("Composer", u"Composer", true);
    Add("Publisher", u"Publisher", true);
    Add("Copyright message", u"Copyright", false);
    Add("Lyrics", u"Lyrics", false);
    Add("Mood", u"Mood", false);
  }
};

const TZTLTagFieldMap* ID3v2FieldMap() {
  static const std::unique_ptr<TZTLTagID3v2FieldMap> map = [] {
    RegisterTagProperties();
    return TZTLTagFieldMap::CreatePopulated<TZTLTagID3v2FieldMap>(TZTLTag::StaticClass());
  }();
  return map.get();
}

class TZTLTagID3v2Reader : public TZTLTagMappedFiler {
 public:
  TZTLTagID3v2Reader(TZTLTag* Tag, TStream* Stream, Byte Major)
      : TZTLTagMappedFiler(Tag, Stream, ID3v2FieldMap()), FBeforeV24(Major < 4) {
    AppendValues = false;
    FilterValues = true;
  }

  String DecodeValue(std::string_view Data, const TZTLTagFieldMapItem& Item) override {
    const Integer id = Item.ID;
    if (id == 0) return zcTrim(UTF8ToString(Data));
    if (id == Code("TCO") || id == Code("TCON")) return TZTLID3v2Codec::DecodeGenre(Data);
    if (id == Code("ULT") || id == Code("USLT")) return DecodeLyrics(Data);
    if (id == Code("WXX") || id == Code("WXXX")) return TZTLID3v2Codec::DecodeLink(Data);
    if (id == Code("POPM")) return IntToStr(TZTLID3v2Codec::DecodeRating(Data));
    return TID3v2Encoding::Decode(Data);
  }

  String NormalizeMultiValue(const String& Text, const TZTLTagFieldMapItem& Item) override {
    if (Text.find(u'\0') != String::npos) return TagsDecodeValues(Text, u'\0');
    if (FBeforeV24 && Item.ID != Code("TPE1") && Item.ID != Code("TPE2")) return TagsDecodeValues(Text, u'/');
    return Text;
  }

  AnsiString IdToName(Integer ID) override {
    AnsiString name;
    for (int i = 0; i < 4; ++i) name += static_cast<char>((static_cast<Cardinal>(ID) >> (8 * i)) & 0xFF);
    while (!name.empty() && static_cast<Byte>(name.back()) < 33) name.pop_back();
    return name;
  }

  String FilterValue(const String& Text) override { return CleanValue(Text); }

  using TZTLTagMappedFiler::ReadField;
  void ReadField(Integer ID, std::string_view Data) override {
    const bool comm = ID == Code("COMM"), priv = ID == Code("PRIV"), txxx = ID == Code("TXXX");
    if (!comm && !priv && !txxx) {
      TZTLTagMappedFiler::ReadField(ID, Data);
      return;
    }
    const String text = comm   ? TZTLID3v2Codec::DecodeComment(Data)
                        : priv ? TZTLID3v2Codec::DecodeOwner(Data)
                               : TID3v2Encoding::Decode(Data);
    const size_t nul = text.find(u'\0');
    AnsiString name = IdToName(ID);
    if (nul != String::npos && nul > 0) name = StringToUTF8(text.substr(0, nul));
    const String value = nul == String::npos ? text : text.substr(nul + 1);
    if (const TZTLTagFieldMapItem* item = FFieldMap->FindName(name))
      ApplyValue(*item, zcTrim(value));
    else
      FTag->GetCustomFields()->Add(IdToName(ID), AnsiString(Data));
  }

 private:
  String DecodeLyrics(std::string_view Data) {
    String text = TZTLID3v2Codec::DecodeComment(Data);
    const size_t nul = text.find(u'\0');
    if (nul != String::npos) {
      const String lyricist = CleanValue(text.substr(0, nul));
      if (FTag->GetValue(fitLyricist).empty() && !lyricist.empty()) FTag->SetValue(fitLyricist, lyricist);
      text.erase(0, nul + 1);
    }
    return NormalizeLines(CleanValue(text), true);
  }

  bool FBeforeV24;
};

RawByteString Text(const String& Value) { return TID3v2Encoding::Encode(Value, 3); }

RawByteString CommentPayload(const String& Description, const String& Value) {
  RawByteString p(
      "\x01"
      "eng",
      4);
  p += TID3v2Encoding::Encode(Description, 2);
  p.append("\0\0", 2);
  p += TID3v2Encoding::Encode(Value, 2);
  return p;
}

}  // namespace

TZTLTagID3v2::TZTLTagID3v2() : TZTLTag(u"ID3v2"), FChapters(new TZBLChapters()) {}

TZTLTagID3v2::TZTLTagID3v2(TStream* Stream) : TZTLTagID3v2() { Load(this, Stream, 0); }

TZTLTagID3v2::~TZTLTagID3v2() { delete FChapters; }

bool TZTLTagID3v2::IsEmpty() const { return inherited::IsEmpty() && FChapters->GetCount() == 0; }

void TZTLTagID3v2::ClearTags() {
  inherited::ClearTags();
  FChapters->Clear();
}

void TZTLTagID3v2::DoAssign(const TZBLCustomFileInfo* Source) {
  inherited::DoAssign(Source);
  if (const auto* tag = dynamic_cast<const TZTLTagID3v2*>(Source)) FChapters->Assign(tag->FChapters);
}

void TZTLTagID3v2::Load(TZTLTag* Tag, TStream* Stream, Int64 Position) {
  std::vector<TZTLID3v2Frame> frames;
  Byte major = 0;
  Tag->SetSize(0);
  const Cardinal size = TZTLID3v2Codec::Read(Stream, Position, frames, major);
  if (size == 0) return;
  Tag->BeginUpdate();
  Tag->SetSize(size);
  auto* id3 = dynamic_cast<TZTLTagID3v2*>(Tag);
  TZTLTagID3v2Reader reader(Tag, Stream, major);
  // The album art is the last front cover, else the first picture; every other picture frame is
  // kept and written back. A damaged picture frame is skipped.
  size_t cover = frames.size();
  std::vector<TZTLID3v2Picture> pictures(frames.size());
  for (size_t i = 0; i < frames.size(); ++i) {
    const TZTLID3v2Frame& f = frames[i];
    if ((f.ID == "APIC" || f.ID == "PIC") && TZTLID3v2Codec::DecodePicture(f.ID, f.Data, major, pictures[i]) &&
        !pictures[i].Data.empty() && (cover == frames.size() || pictures[i].PictureType == 3))
      cover = i;
  }
  for (size_t i = 0; i < frames.size(); ++i) {
    const TZTLID3v2Frame& f = frames[i];
    if (f.ID == "APIC" || f.ID == "PIC") {
      if (i == cover) {
        const RawByteString& data = pictures[i].Data;
        IPtr<IZCLDataContainer> art(Create<TZCLDataContainer>());
        art->SetDataSize(static_cast<Integer>(data.size()));
        std::memcpy(art->GetData(), data.data(), data.size());
        Tag->SetAlbumArt(art);
      } else if (f.ID == "APIC") {
        Tag->GetCustomFields()->Add(f.ID, f.Data);
      }
    } else if (f.ID == "CHAP") {
      TZTLID3v2Chapter c;
      if (id3 && TZTLID3v2Codec::DecodeChapter(f.Data, major, c) && !c.Title.empty())
        id3->FChapters->Add(c.Title, c.Start, c.Finish);
    } else if (f.ID != "CTOC") {
      reader.ReadField(TZTLID3v2Codec::FrameCode(f.ID), f.Data);
    }
  }
  Tag->EndUpdate();
}

Integer TZTLTagID3v2Builder::Build(const TZTLTag* Tag, RawByteString& Output, Int64 ExistingSize, bool Pad) {
  RawByteString f;
  auto frame = [&f](std::string_view ID, const RawByteString& Payload) { TZTLID3v2Codec::WriteFrame(f, ID, Payload); };
  auto value = [Tag](TZBLFileInfoText Index) -> const String& { return Tag->GetValue(Index); };
  auto slashes = [](const String& S) { return zcReplaceChar(S, u';', u'/'); };
  if (!value(fitComment).empty()) frame("COMM", CommentPayload(u"", value(fitComment)));
  if (!value(fitCatalog).empty()) frame("COMM", CommentPayload(u"Catalog Number", value(fitCatalog)));
  static const Byte ratings[] = {1, 64, 128, 196, 255};
  if (Tag->GetRating() >= 1 && Tag->GetRating() <= 5)
    frame("POPM",
          RawByteString("Windows Media Player 9 Series\0", 30) + static_cast<char>(ratings[Tag->GetRating() - 1]));
  if (!value(fitMood).empty())
    frame("PRIV", RawByteString("WM/Mood\0", 8) + TID3v2Encoding::Encode(value(fitMood), 0) + RawByteString("\0\0", 2));
  if (!value(fitAlbum).empty()) frame("TALB", Text(value(fitAlbum)));
  if (Tag->GetPartOfCompilation()) frame("TCMP", Text(u"1"));
  if (!value(fitComposer).empty()) frame("TCOM", Text(slashes(value(fitComposer))));
  if (!value(fitGenre).empty()) {
    Integer index = 0;
    if (TryGetGenreIndex(value(fitGenre), index))
      frame("TCON", RawByteString(1, '\0') + "(" + std::to_string(index) + ")");
    else
      frame("TCON", Text(slashes(value(fitGenre))));
  }
  if (!value(fitCopyright).empty()) frame("TCOP", Text(value(fitCopyright)));
  if (!value(fitEncodedBy).empty()) frame("TENC", Text(value(fitEncodedBy)));
  if (!value(fitLyricist).empty()) frame("TEXT", Text(slashes(value(fitLyricist))));
  if (!value(fitTitle).empty()) frame("TIT2", Text(value(fitTitle)));
  if (!value(fitMood).empty()) frame("TMOO", Text(value(fitMood)));
  if (!value(fitArtist).empty()) frame("TPE1", Text(zcReplaceChar(value(fitArtist), u';', u'\0')));
  if (!value(fitAlbumArtist).empty()) frame("TPE2", Text(zcReplaceChar(value(fitAlbumArtist), u';', u'\0')));
  if (!value(fitConductor).empty()) frame("TPE3", Text(value(fitConductor)));
  if (!value(fitDisk).empty()) frame("TPOS", Text(value(fitDisk)));
  if (!value(fitPublisher).empty()) frame("TPUB", Text(slashes(value(fitPublisher))));
  if (!value(fitTrack).empty()) frame("TRCK", Text(value(fitTrack)));
  if (!value(fitISRC).empty()) frame("TSRC", Text(value(fitISRC)));
  if (!value(fitKey).empty()) frame("TKEY", Text(value(fitKey)));
  const std::pair<TZBLFileInfoText, const char*> gains[] = {{fitAlbumGain, "replaygain_album_gain"},
                                                            {fitAlbumPeak, "replaygain_album_peak"},
                                                            {fitTrackGain, "replaygain_track_gain"},
                                                            {fitTrackPeak, "replaygain_track_peak"}};
  for (const auto& [index, name] : gains)
    if (!value(index).empty())
      frame("TXXX", RawByteString(1, '\0') + name + '\0' + zcUnicodeToAnsiCP(value(index), -1) + '\0');
  if (!value(fitDate).empty()) frame("TYER", Text(value(fitDate)));
  if (!value(fitLyrics).empty()) frame("USLT", CommentPayload(u"", value(fitLyrics)));
  if (!value(fitLink).empty()) frame("WXXX", RawByteString(2, '\0') + TZCLPunycode::EncodeDomain(value(fitLink)));
  if (Tag->GetBPM() > 0) frame("TBPM", Text(IntToStr(static_cast<Integer>(Tag->GetBPM()))));
  TZBLFileInfoCustomFields* custom = Tag->GetCustomFields();
  for (Integer i = 0; i < custom->GetCount(); ++i)
    if (custom->GetItem(i)->Name.size() == 4) frame(custom->GetItem(i)->Name, custom->GetItem(i)->Value);
  if (const auto* id3 = dynamic_cast<const TZTLTagID3v2*>(Tag); id3 && id3->GetChapters()->GetCount() > 0) {
    std::vector<TZTLID3v2Chapter> chapters;
    for (Integer i = 0; i < id3->GetChapters()->GetCount(); ++i) {
      const TZBLChapter* c = id3->GetChapters()->GetItem(i);
      chapters.push_back({c->Title, c->Start, c->Finish});
    }
    TZTLID3v2Codec::WriteChapters(f, chapters);
  }
  if (const IPtr<IZCLDataContainer>& art = Tag->GetAlbumArt(); art && art->GetDataSize() > 0) {
    const auto* data = static_cast<const Byte*>(art->GetData());
    TZCLImageFormatClass format = TZCLImageFormatRepository::FindByHeader(data, art->GetDataSize());
    RawByteString p(1, '\0');
    if (format) {
      String mime = format->MimeType();
      if (mime == u"image/jpeg") mime = u"image/jpg";
      p += zcUnicodeToAnsi(mime);
    }
    p += '\0';
    p += '\x03';
    p += '\0';
    p.append(reinterpret_cast<const char*>(data), static_cast<size_t>(art->GetDataSize()));
    frame("APIC", p);
  }
  return TZTLID3v2Codec::Build(f, Output, ExistingSize, Pad);
}

void TZTLTagID3v2::Save(TZTLTag* Tag, TStream* Stream, const TZCLProgressEvent& OnProgress, TObject* Sender) {
  const Int64 existing = TZTLID3v2Codec::GetTagSize(Stream, 0);
  if (Tag->GetDeleteTagOnSave()) {
    if (existing > 0) TZTLID3v2Codec::Replace(Stream, RawByteString(), OnProgress, Sender);
    return;
  }
  if (Tag->IsEmpty() && existing == 0) return;
  RawByteString tag;
  TZTLTagID3v2Builder::Build(Tag, tag, existing, true);
  TZTLID3v2Codec::Replace(Stream, tag, OnProgress, Sender);
}
