#include "rtl/RTL.RegularExpressions.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <algorithm>

// The compiled pattern, shared by the expression and every match made from it.
class TRegExPattern {
 public:
  pcre2_code* Code = nullptr;
  Integer CaptureCount = 0;
  std::vector<std::pair<String, Integer>> Names;
  ~TRegExPattern() { pcre2_code_free(Code); }

  Integer IndexOfName(StringView Name) const {
    for (const auto& n : Names)
      if (n.first == Name) return n.second;
    return -1;
  }
};

namespace {

PCRE2_SPTR16 Ptr(StringView S) { return reinterpret_cast<PCRE2_SPTR16>(S.data()); }

String ErrorText(int Code) {
  PCRE2_UCHAR16 buffer[256];
  int n = pcre2_get_error_message(Code, buffer, 256);
  if (n < 0) return u"unknown error";
  return String(reinterpret_cast<const Char*>(buffer), static_cast<size_t>(n));
}

struct TMatchData {
  pcre2_match_data* Data;
  explicit TMatchData(const pcre2_code* Code) : Data(pcre2_match_data_create_from_pattern(Code, nullptr)) {
    if (!Data) throw EOutOfMemory(u"Out of memory");
  }
  ~TMatchData() { pcre2_match_data_free(Data); }
  TMatchData(const TMatchData&) = delete;
  TMatchData& operator=(const TMatchData&) = delete;
};

}  // namespace

TRegEx::TRegEx(StringView Pattern, TRegExOptions Options) {
  uint32_t flags = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF;
  if (Options.Contains(roIgnoreCase)) flags |= PCRE2_CASELESS;
  if (Options.Contains(roMultiLine)) flags |= PCRE2_MULTILINE;
  if (Options.Contains(roSingleLine)) flags |= PCRE2_DOTALL;
  if (Options.Contains(roExtended)) flags |= PCRE2_EXTENDED;
  if (Options.Contains(roExplicitCapture)) flags |= PCRE2_NO_AUTO_CAPTURE;
  if (Options.Contains(roUnicodeProperties)) flags |= PCRE2_UCP;
  int error = 0;
  PCRE2_SIZE offset = 0;
  pcre2_code* code = pcre2_compile(Ptr(Pattern), Pattern.size(), flags, &error, &offset, nullptr);
  if (!code)
    throw ERegularExpressionError(u"Error in regular expression at offset %d: %s",
                                  {static_cast<Integer>(offset), ErrorText(error)});
  // JIT is only a speed-up: a platform without it matches through the interpreter.
  pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
  auto pattern = std::make_shared<TRegExPattern>();
  pattern->Code = code;
  uint32_t captures = 0, nameCount = 0, entrySize = 0;
  PCRE2_SPTR16 table = nullptr;
  pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &captures);
  pcre2_pattern_info(code, PCRE2_INFO_NAMECOUNT, &nameCount);
  pcre2_pattern_info(code, PCRE2_INFO_NAMEENTRYSIZE, &entrySize);
  pcre2_pattern_info(code, PCRE2_INFO_NAMETABLE, &table);
  pattern->CaptureCount = static_cast<Integer>(captures);
  // Each entry: the group number in the first unit, then the NUL-terminated name.
  for (uint32_t i = 0; i < nameCount; ++i) {
    const PCRE2_UCHAR16* entry = table + i * entrySize;
    String name(reinterpret_cast<const Char*>(entry + 1));
    pattern->Names.emplace_back(std::move(name), static_cast<Integer>(entry[0]));
  }
  std::sort(pattern->Names.begin(), pattern->Names.end(),
            [](const auto& a, const auto& b) { return a.second < b.second; });
  FPattern = std::move(pattern);
}

TMatch TRegEx::DoMatch(const std::shared_ptr<const String>& Input, Integer Offset, bool NotEmptyAtStart) const {
  TMatch result;
  if (!FPattern) throw ERegularExpressionError(u"Regular expression is not compiled");
  result.FPattern = FPattern;
  result.FInput = Input;
  const String& text = *Input;
  if (Offset < 0 || static_cast<size_t>(Offset) > text.size()) return result;
  TMatchData md(FPattern->Code);
  uint32_t flags = NotEmptyAtStart ? PCRE2_NOTEMPTY_ATSTART : 0;
  int rc =
      pcre2_match(FPattern->Code, Ptr(text), text.size(), static_cast<PCRE2_SIZE>(Offset), flags, md.Data, nullptr);
  if (rc == PCRE2_ERROR_NOMATCH || rc == PCRE2_ERROR_PARTIAL) return result;
  if (rc < 0) throw ERegularExpressionError(u"Regular expression match failed: %s", {ErrorText(rc)});
  const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(md.Data);
  const Integer groups = FPattern->CaptureCount + 1;
  result.FGroups.reserve(static_cast<size_t>(groups));
  for (Integer i = 0; i < groups; ++i) {
    PCRE2_SIZE s = ov[2 * i], e = ov[2 * i + 1];
    if (i >= rc || s == PCRE2_UNSET || e < s) {
      result.FGroups.emplace_back();
      continue;
    }
    result.FGroups.emplace_back(static_cast<Integer>(s) + 1, static_cast<Integer>(e - s), text.substr(s, e - s), true);
  }
  result.FSuccess = true;
  return result;
}

bool TRegEx::IsMatch(StringView Input) const { return Match(Input).GetSuccess(); }

TMatch TRegEx::Match(StringView Input, Integer StartPos) const {
  return DoMatch(std::make_shared<const String>(Input), StartPos - 1, false);
}

TMatchCollection TRegEx::Matches(StringView Input) const {
  TMatchCollection result;
  for (TMatch m = Match(Input); m.GetSuccess(); m = m.NextMatch()) result.push_back(m);
  return result;
}

const TGroup& TMatch::GetGroup(Integer Index) const {
  if (Index < 0 || Index >= GetGroupCount()) throw ERegularExpressionError(u"Group index %d out of range", {Index});
  return FGroups[static_cast<size_t>(Index)];
}

const TGroup& TMatch::GetGroup(StringView Name) const {
  Integer index = FPattern ? FPattern->IndexOfName(Name) : -1;
  if (index < 0) throw ERegularExpressionError(u"Group \"%s\" not found", {String(Name)});
  return GetGroup(index);
}

bool TMatch::TryGetGroup(StringView Name, TGroup& Group) const {
  Integer index = FPattern ? FPattern->IndexOfName(Name) : -1;
  if (index < 0 || index >= GetGroupCount()) return false;
  Group = FGroups[static_cast<size_t>(index)];
  return true;
}

TMatch TMatch::NextMatch() const {
  if (!FSuccess) return TMatch();
  TRegEx re;
  re.FPattern = FPattern;
  const Integer end = GetIndex() - 1 + GetLength();
  // After an empty match the same place may not match empty again, or the walk would stand still.
  return re.DoMatch(FInput, end, GetLength() == 0);
}

String TRegEx::Replace(StringView Input, const TMatchEvaluator& Evaluator, Integer Count) const {
  String result;
  Integer last = 0;  // 0-based end of the text copied so far
  Integer done = 0;
  for (TMatch m = Match(Input); m.GetSuccess() && (Count < 0 || done < Count); m = m.NextMatch(), ++done) {
    const Integer start = m.GetIndex() - 1;
    result.append(Input.substr(static_cast<size_t>(last), static_cast<size_t>(start - last)));
    result += Evaluator(m);
    last = start + m.GetLength();
  }
  result.append(Input.substr(static_cast<size_t>(last)));
  return result;
}

namespace {

// "$n", "${n}", "${name}" and "$$"; anything else after "$" stays as it is.
String Expand(const TMatch& M, StringView Replacement) {
  String out;
  for (size_t i = 0; i < Replacement.size(); ++i) {
    Char c = Replacement[i];
    if (c != u'$' || i + 1 >= Replacement.size()) {
      out += c;
      continue;
    }
    Char n = Replacement[i + 1];
    if (n == u'$') {
      out += u'$';
      ++i;
    } else if (n >= u'0' && n <= u'9') {
      size_t j = i + 1;
      Integer index = 0;
      while (j < Replacement.size() && Replacement[j] >= u'0' && Replacement[j] <= u'9' && index < 100000)
        index = index * 10 + (Replacement[j++] - u'0');
      if (index < M.GetGroupCount()) out += M.GetGroup(index).GetValue();
      i = j - 1;
    } else if (n == u'{') {
      size_t close = Replacement.find(u'}', i + 2);
      if (close == StringView::npos) {
        out += c;
        continue;
      }
      StringView key = Replacement.substr(i + 2, close - i - 2);
      bool digits = !key.empty() && key.size() < 6;
      Integer index = 0;
      for (Char k : key) {
        if (k < u'0' || k > u'9')
          digits = false;
        else
          index = index * 10 + (k - u'0');
      }
      if (digits) {
        if (index < M.GetGroupCount()) out += M.GetGroup(index).GetValue();
      } else {
        TGroup g;
        if (!M.TryGetGroup(key, g)) throw ERegularExpressionError(u"Group \"%s\" not found", {String(key)});
        out += g.GetValue();
      }
      i = close;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

String TRegEx::Replace(StringView Input, StringView Replacement, Integer Count) const {
  String replacement(Replacement);
  return Replace(
      Input, [&replacement](const TMatch& M) { return Expand(M, replacement); }, Count);
}

std::vector<String> TRegEx::Split(StringView Input) const {
  std::vector<String> result;
  Integer last = 0;
  for (TMatch m = Match(Input); m.GetSuccess(); m = m.NextMatch()) {
    const Integer start = m.GetIndex() - 1;
    if (m.GetLength() == 0 && (start == 0 || start == static_cast<Integer>(Input.size()))) continue;
    result.emplace_back(Input.substr(static_cast<size_t>(last), static_cast<size_t>(start - last)));
    last = start + m.GetLength();
  }
  result.emplace_back(Input.substr(static_cast<size_t>(last)));
  return result;
}

std::vector<std::pair<String, Integer>> TRegEx::GetGroupNames() const {
  return FPattern ? FPattern->Names : std::vector<std::pair<String, Integer>>();
}

bool TRegEx::IsMatch(StringView Input, StringView Pattern, TRegExOptions Options) {
  return TRegEx(Pattern, Options).IsMatch(Input);
}

TMatch TRegEx::Match(StringView Input, StringView Pattern, TRegExOptions Options) {
  return TRegEx(Pattern, Options).Match(Input);
}

String TRegEx::Replace(StringView Input, StringView Pattern, StringView Replacement, TRegExOptions Options) {
  return TRegEx(Pattern, Options).Replace(Input, Replacement);
}

String TRegEx::Escape(StringView Text) {
  static constexpr StringView meta = u"\\^$.|?*+()[]{}-/#";
  String out;
  out.reserve(Text.size());
  for (Char c : Text) {
    if (meta.find(c) != StringView::npos) out += u'\\';
    out += c;
  }
  return out;
}
