#include "zeph/media/ZTL.Utils.h"

#include <atomic>

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.RegularExpressions.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zeph/media/ZTL.Tags.h"

namespace {

// ---- code-page guess -------------------------------------------------------------------------

enum : Integer { ModeSingleByte = 1, ModeCyrillic = 2, ModeMultiByte = 255 };

Integer CodePageMode() {
  // Cached per default code page; a race only computes the same value twice.
  static std::atomic<Integer> cachedPage{-1}, cachedMode{ModeSingleByte};
  const Integer page = zcDefaultCodePage.load();
  if (cachedPage.load() == page) return cachedMode.load();
  const Integer resolved = page == 0 ? GetACP() : page;
  TCodePageInfo info;
  Integer mode = ModeSingleByte;
  if (GetCodePageInfo(resolved, info) && info.MaxCharSize >= 2)
    mode = ModeMultiByte;
  else if (resolved == 1251)
    mode = ModeCyrillic;
  cachedMode.store(mode);
  cachedPage.store(page);
  return mode;
}

bool IsWordDelimiter(Char C) {
  switch (C) {
    case 0x25:
    case 0x3D:
    case 0x3A:
    case 0x2B:
    case 0x2D:
    case 0x5C:
    case 0x2F:
    case 0x2A:
    case 0x3B:
    case 0x2C:
    case 0x7C:
    case 0x28:
    case 0x29:
    case 0x7B:
    case 0x7D:
    case 0x3C:
    case 0x3E:
    case 0x5B:
    case 0x5D:
    case 0x2E:
    case 0x40:
    case 0x23:
    case 0x24:
    case 0x5E:
    case 0x26:
    case 0x3F:
    case 0x21:
    case 0x22:
    case 0x27:
    case 0x20:
    case 0x0D:
    case 0x0A:
    case 0x09:
    case 0x00:
    case 0xAB:
    case 0xBB:
    case 0x201C:
    case 0x201D:
    case 0x5F:
      return true;
    default:
      return false;
  }
}

struct TWord {
  size_t Start, Length;
  bool High;  // all characters below 256, at least one 128 or above
};

std::vector<TWord> SplitWords(const String& Text) {
  std::vector<TWord> words;
  size_t i = 0;
  while (i < Text.size()) {
    if (IsWordDelimiter(Text[i])) {
      ++i;
      continue;
    }
    size_t start = i;
    bool below256 = true, any128 = false;
    for (; i < Text.size() && !IsWordDelimiter(Text[i]); ++i) {
      if (Text[i] >= 256)
        below256 = false;
      else if (Text[i] >= 128)
        any128 = true;
    }
    words.push_back({start, i - start, below256 && any128});
  }
  return words;
}

bool IsCyrillicByte(Char C) {
  if (C >= 0xC0 && C <= 0xFF) return true;
  switch (C) {
    case 0x69:
    case 0xA5:
    case 0xA8:
    case 0xAA:
    case 0xAB:
    case 0xAF:
    case 0xB2:
    case 0xB3:
    case 0xB4:
    case 0xB8:
    case 0xB9:
    case 0xBA:
    case 0xBB:
    case 0xBF:
      return true;
    default:
      return false;
  }
}

Char CyrillicChar(Char C) {
  if (C >= 0xC0 && C <= 0xFF) return static_cast<Char>(0x0410 + (C - 0xC0));
  switch (C) {
    case 0xA5:
      return 0x0490;
    case 0xA8:
      return 0x0401;
    case 0xAA:
      return 0x0404;
    case 0xAF:
      return 0x0407;
    case 0xB2:
      return 0x0406;
    case 0xB3:
      return 0x0456;
    case 0xB4:
      return 0x0491;
    case 0xB8:
      return 0x0451;
    case 0xB9:
      return 0x2116;
    case 0xBA:
      return 0x0454;
    case 0xBF:
      return 0x0457;
    default:
      return C;  // "i", and the guillemets
  }
}

// Converts every high word made only of Windows-1251 letters; Latin-1 words with accents stay.
void RepairCyrillicWords(String& Text) {
  for (const TWord& w : SplitWords(Text)) {
    if (!w.High) continue;
    bool all = true;
    for (size_t i = w.Start; i < w.Start + w.Length && all; ++i) all = IsCyrillicByte(Text[i]);
    if (!all) continue;
    for (size_t i = w.Start; i < w.Start + w.Length; ++i) Text[i] = CyrillicChar(Text[i]);
  }
}

size_t LongestHighWord(const std::vector<TWord>& Words) {
  size_t longest = 0;
  for (const TWord& w : Words)
    if (w.High && w.Length > longest) longest = w.Length;
  return longest;
}

}  // namespace

String TZTLTagsEncoding::DecodeAnsi(std::string_view Data) {
  String text = zcRawBytesToString(reinterpret_cast<const Byte*>(Data.data()), static_cast<Integer>(Data.size()));
  const Integer mode = CodePageMode();
  if (mode == ModeMultiByte) return zcAnsiToUnicode(Data, -1);
  const std::vector<TWord> words = SplitWords(text);
  if (LongestHighWord(words) < 3) return text;
  if (mode == ModeCyrillic) {
    RepairCyrillicWords(text);
    return text;
  }
  // Rebuilt word by word: a word may change length when the system code page decodes it.
  String result;
  size_t done = 0;
  for (const TWord& w : words) {
    if (!w.High) continue;
    result.append(text, done, w.Start - done);
    result += zcAnsiToUnicode(Data.substr(w.Start, w.Length), 0);
    done = w.Start + w.Length;
  }
  result.append(text, done, String::npos);
  return result;
}

String TZTLTagsEncoding::Decode(std::string_view Data) {
  String result = zcDecodeUTF8(Data);
  if (result.empty()) return Data.empty() ? String() : DecodeAnsi(Data);
  bool below256 = true, any128 = false;
  for (Char c : result) {
    if (c >= 256) {
      below256 = false;
      break;
    }
    if (c >= 128) any128 = true;
  }
  if (!below256 || !any128) return result;
  // Latin-1 letters only: maybe text that was encoded to UTF-8 twice.
  const RawByteString bytes = zcStringToRawBytes(result.data(), static_cast<Integer>(result.size()));
  String twice = zcDecodeUTF8(bytes);
  if (!twice.empty()) return twice;
  if (CodePageMode() == ModeCyrillic) RepairCyrillicWords(result);
  return result;
}

// ---- artists and titles ------------------------------------------------------------------------

namespace {

const TRegExOptions ResolverOptions{roIgnoreCase, roMultiLine};

struct TResolverPatterns {
  TRegEx Bonus{u" (\\(|\\[).*(exclusive|bonus).*(\\)|\\])", ResolverOptions};
  TRegEx ArtistFeat{u"(?<data>.*) \\b(featuring |feat\\.|feat |ft |ft\\.)(?<data2>.*)", ResolverOptions};
  TRegEx TitleArtistFeat{u"(?<data>.*) \\b(featuring |feat\\.|feat |ft |ft\\.)(?<data2>.*) - ", ResolverOptions};
  TRegEx TitleFeatBracket{u" ?(\\(|\\[)\\b(featuring |feat\\.|feat |ft |ft\\.)(?<data>[^)]*)(\\)|\\])",
                          ResolverOptions};
  TRegEx TitleFeat{u" ?\\b(featuring |feat\\.|feat |ft |ft\\.)(?<data>.*)", ResolverOptions};
  TRegEx TitleWithBracket{u" ?(\\(|\\[)(п-у |при уч\\.|при участии |уч\\.)(?<data>[^)]*)(\\)|\\])", ResolverOptions};
  TRegEx TitleWith{u" ?(п-у |при уч\\.|при участии |уч\\.)(?<data>.*)", ResolverOptions};
};

const TResolverPatterns& Patterns() {
  static const TResolverPatterns patterns;
  return patterns;
}

const StringView ArtistSeparators[] = {u", ", u" & ", u" and ", u" × "};

void AddArtist(TZCLStringList& List, const String& Name) {
  String name = zcTrim(Name);
  if (!name.empty() && List.IndexOf(name) < 0) List.Add(name);
}

void HandleGroup(TZCLStringList& List, const TMatch& Match, StringView Group);

// Character by character, so positions stay those of Text (upper-casing a whole text may change
// its length).
size_t FindIgnoreCase(const String& Text, StringView Pattern, size_t From) {
  if (Pattern.empty() || Text.size() < Pattern.size()) return String::npos;
  for (size_t i = From; i + Pattern.size() <= Text.size(); ++i) {
    size_t k = 0;
    while (k < Pattern.size() && zcCharUpper(Text[i + k]) == zcCharUpper(Pattern[k])) ++k;
    if (k == Pattern.size()) return i;
  }
  return String::npos;
}

void HandleArtist(TZCLStringList& List, const String& Value) {
  String rest = Patterns().ArtistFeat.Replace(Value, [&List](const TMatch& m) {
    HandleGroup(List, m, u"data");
    HandleGroup(List, m, u"data2");
    return String();
  });
  StringView separator;
  for (StringView s : ArtistSeparators)
    if (rest.find(s) != String::npos) {
      separator = s;
      break;
    }
  if (separator.empty()) {
    AddArtist(List, rest);
    return;
  }
  size_t start = 0;
  for (;;) {
    const size_t p = FindIgnoreCase(rest, separator, start);
    if (p == String::npos) break;
    AddArtist(List, rest.substr(start, p - start));
    start = p + separator.size();
  }
  AddArtist(List, rest.substr(start));
}

void HandleGroup(TZCLStringList& List, const TMatch& Match, StringView Group) {
  TGroup g;
  if (Match.TryGetGroup(Group, g) && g.GetSuccess()) HandleArtist(List, g.GetValue());
}

}  // namespace

void TZTLMetaDataResolver::Process(String& Title, String& Artists) {
  const TResolverPatterns& p = Patterns();
  Title = p.Bonus.Replace(Title, u"");
  TZCLStringList list;  // compares ignoring case
  TagsEnumValues(Artists, true, [&list](const String& v) { HandleArtist(list, v); });
  auto take = [&list](const TRegEx& re, String& text, bool both) {
    text = re.Replace(text, [&list, both](const TMatch& m) {
      HandleGroup(list, m, u"data");
      if (both) HandleGroup(list, m, u"data2");
      return String();
    });
  };
  take(p.TitleArtistFeat, Title, true);
  take(p.TitleFeatBracket, Title, false);
  take(p.TitleFeat, Title, false);
  take(p.TitleWithBracket, Title, false);
  take(p.TitleWith, Title, false);
  Artists = list.GetDelimitedText(u";", false);
}
