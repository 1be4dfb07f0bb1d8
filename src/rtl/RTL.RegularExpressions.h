#pragma once
// Perl-compatible regular expressions on UTF-16 text.
//
//   TRegEx re(u"(?<name>\\w+)@(?<host>\\S+)", {roIgnoreCase});
//   TMatch m = re.Match(u"Mail: bob@example.org");
//   if (m.GetSuccess()) host = m.GetGroup(u"host").GetValue();
//   String s = TRegEx::Replace(u"a-b-c", u"-", u"+");          // "a+b+c"
//   String t = re.Replace(u"bob@x", u"${host}:$1");            // "x:bob"
//
// Positions are 1-based UTF-16 indexes, as everywhere in the library. Replacement texts use "$n",
// "${n}" and "${name}" for groups and "$$" for a dollar sign. A compiled expression is immutable
// and may be shared between threads; matches hold their own copy of the input.

#include <memory>
#include <vector>

#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Set.h"

RTL_EXCEPTION(ERegularExpressionError, Exception);

enum TRegExOption : Byte {
  roIgnoreCase,         // letters match either case (Unicode case folding)
  roMultiLine,          // ^ and $ also match at line breaks
  roSingleLine,         // . matches line breaks too
  roExtended,           // white space and # comments in the pattern are ignored
  roExplicitCapture,    // only named groups capture
  roUnicodeProperties,  // \w, \d, \b and POSIX classes follow Unicode properties, not ASCII
};
constexpr Integer EnumHigh(TRegExOption) { return roUnicodeProperties; }
using TRegExOptions = TSet<TRegExOption>;

class TRegExPattern;

// One captured group of a match. An unmatched group has Success false and an empty value.
class TGroup {
 public:
  TGroup() = default;
  TGroup(Integer Index, Integer Length, String Value, bool Success)
      : FIndex(Index), FLength(Length), FValue(std::move(Value)), FSuccess(Success) {}
  Integer GetIndex() const { return FIndex; }
  Integer GetLength() const { return FLength; }
  const String& GetValue() const { return FValue; }
  bool GetSuccess() const { return FSuccess; }

 private:
  Integer FIndex = 0;
  Integer FLength = 0;
  String FValue;
  bool FSuccess = false;
};

// A match and its groups; group 0 is the whole match. A failed match has Success false.
class TMatch {
 public:
  TMatch() = default;
  bool GetSuccess() const { return FSuccess; }
  Integer GetIndex() const { return FGroups.empty() ? 0 : FGroups[0].GetIndex(); }
  Integer GetLength() const { return FGroups.empty() ? 0 : FGroups[0].GetLength(); }
  String GetValue() const { return FGroups.empty() ? String() : FGroups[0].GetValue(); }
  Integer GetGroupCount() const { return static_cast<Integer>(FGroups.size()); }
  // Raises ERegularExpressionError for an index outside the groups or an unknown name.
  const TGroup& GetGroup(Integer Index) const;
  const TGroup& GetGroup(StringView Name) const;
  bool TryGetGroup(StringView Name, TGroup& Group) const;
  // The next match after this one in the same input (an empty match moves on by one character).
  TMatch NextMatch() const;

 private:
  friend class TRegEx;
  std::shared_ptr<const TRegExPattern> FPattern;
  std::shared_ptr<const String> FInput;
  std::vector<TGroup> FGroups;
  bool FSuccess = false;
};

using TMatchCollection = std::vector<TMatch>;
using TMatchEvaluator = TFunc<String, const TMatch&>;

class TRegEx {
 public:
  TRegEx() = default;
  // Raises ERegularExpressionError with the position and reason when the pattern does not compile.
  explicit TRegEx(StringView Pattern, TRegExOptions Options = {});

  bool IsMatch(StringView Input) const;
  // The first match at or after the 1-based StartPos.
  TMatch Match(StringView Input, Integer StartPos = 1) const;
  TMatchCollection Matches(StringView Input) const;
  // Every match replaced by the expanded Replacement; Count < 0 replaces all.
  String Replace(StringView Input, StringView Replacement, Integer Count = -1) const;
  // Every match replaced by what Evaluator returns for it.
  String Replace(StringView Input, const TMatchEvaluator& Evaluator, Integer Count = -1) const;
  // The pieces between the matches; captured groups are not included.
  std::vector<String> Split(StringView Input) const;
  // The group names with their numbers, in the pattern's order.
  std::vector<std::pair<String, Integer>> GetGroupNames() const;
  bool IsValid() const { return FPattern != nullptr; }

  static bool IsMatch(StringView Input, StringView Pattern, TRegExOptions Options = {});
  static TMatch Match(StringView Input, StringView Pattern, TRegExOptions Options = {});
  static String Replace(StringView Input, StringView Pattern, StringView Replacement, TRegExOptions Options = {});
  // Pattern with every metacharacter escaped, so that it matches itself literally.
  static String Escape(StringView Text);

 private:
  TMatch DoMatch(const std::shared_ptr<const String>& Input, Integer Offset, bool NotEmptyAtStart) const;
  std::shared_ptr<const TRegExPattern> FPattern;
  friend class TMatch;
};
