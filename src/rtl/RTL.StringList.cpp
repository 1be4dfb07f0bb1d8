#include "rtl/RTL.StringList.h"

#include <algorithm>
#include <numeric>

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Strings.h"

// --- TStrings --------------------------------------------------------------------------------

TStrings::~TStrings() { SetEncoding(nullptr); }

void TStrings::RaiseIndexError(Integer Index) { throw EListError(u"List index out of bounds (%d)", {Index}); }

Integer TStrings::Add(const String& S) {
  const Integer index = GetCount();
  Insert(index, S);
  return index;
}

Integer TStrings::AddObject(const String& S, TObject* AObject) {
  const Integer index = Add(S);
  PutObject(index, AObject);
  return index;
}

void TStrings::AddStrings(const TStrings* Strings) {
  if (!Strings) return;
  BeginUpdate();
  try {
    for (Integer i = 0; i < Strings->GetCount(); ++i) AddObject(Strings->Get(i), Strings->GetObject(i));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::InsertObject(Integer Index, const String& S, TObject* AObject) {
  Insert(Index, S);
  PutObject(Index, AObject);
}

void TStrings::Put(Integer Index, const String& S) {
  TObject* object = GetObject(Index);
  Delete(Index);
  InsertObject(Index, S, object);
}

void TStrings::Exchange(Integer Index1, Integer Index2) {
  BeginUpdate();
  try {
    const String text = Get(Index1);
    TObject* object = GetObject(Index1);
    Put(Index1, Get(Index2));
    PutObject(Index1, GetObject(Index2));
    Put(Index2, text);
    PutObject(Index2, object);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::Move(Integer CurIndex, Integer NewIndex) {
  if (CurIndex == NewIndex) return;
  if (NewIndex < 0 || NewIndex >= GetCount()) RaiseIndexError(NewIndex);
  BeginUpdate();
  try {
    const String text = Get(CurIndex);
    TObject* object = GetObject(CurIndex);
    Delete(CurIndex);
    InsertObject(NewIndex, text, object);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::Assign(TPersistent* Source) {
  const auto* source = dynamic_cast<const TStrings*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  if (source == this) return;
  BeginUpdate();
  try {
    Clear();
    FNameValueSeparator = source->FNameValueSeparator;
    FDelimiter = source->FDelimiter;
    FQuoteChar = source->FQuoteChar;
    FStrictDelimiter = source->FStrictDelimiter;
    FLineBreak = source->FLineBreak;
    FWriteBOM = source->FWriteBOM;
    FDefaultEncoding = source->FDefaultEncoding;
    SetEncoding(source->FEncoding);
    AddStrings(source);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

bool TStrings::Equals(const TStrings* Strings) const {
  if (!Strings || Strings->GetCount() != GetCount()) return false;
  for (Integer i = 0; i < GetCount(); ++i)
    if (Get(i) != Strings->Get(i)) return false;
  return true;
}

Integer TStrings::CompareStrings(const String& S1, const String& S2) const { return AnsiCompareText(S1, S2); }

Integer TStrings::IndexOf(const String& S) const {
  for (Integer i = 0; i < GetCount(); ++i)
    if (CompareStrings(Get(i), S) == 0) return i;
  return -1;
}

Integer TStrings::IndexOfObject(const TObject* AObject) const {
  for (Integer i = 0; i < GetCount(); ++i)
    if (GetObject(i) == AObject) return i;
  return -1;
}

Integer TStrings::IndexOfName(const String& Name) const {
  for (Integer i = 0; i < GetCount(); ++i) {
    const String line = Get(i);
    const size_t sep = line.find(FNameValueSeparator);
    if (sep != String::npos && CompareStrings(line.substr(0, sep), Name) == 0) return i;
  }
  return -1;
}

String TStrings::GetNames(Integer Index) const {
  const String line = Get(Index);
  const size_t sep = line.find(FNameValueSeparator);
  return sep == String::npos ? String() : line.substr(0, sep);
}

String TStrings::GetValueFromIndex(Integer Index) const {
  if (Index < 0) return {};
  const String line = Get(Index);
  const size_t sep = line.find(FNameValueSeparator);
  return sep == String::npos ? String() : line.substr(sep + 1);
}

void TStrings::SetValueFromIndex(Integer Index, const String& Value) {
  if (Value.empty()) {
    if (Index >= 0) Delete(Index);
    return;
  }
  if (Index < 0) Index = Add(String());
  Put(Index, GetNames(Index) + FNameValueSeparator + Value);
}

String TStrings::GetValues(const String& Name) const { return GetValueFromIndex(IndexOfName(Name)); }

void TStrings::SetValues(const String& Name, const String& Value) {
  Integer index = IndexOfName(Name);
  if (Value.empty()) {
    if (index >= 0) Delete(index);
    return;
  }
  const String line = Name + FNameValueSeparator + Value;
  if (index < 0)
    Add(line);
  else
    Put(index, line);
}

String TStrings::GetText() const {
  String result;
  size_t size = 0;
  for (Integer i = 0; i < GetCount(); ++i) size += Get(i).size() + FLineBreak.size();
  result.reserve(size);
  for (Integer i = 0; i < GetCount(); ++i) {
    result += Get(i);
    result += FLineBreak;
  }
  return result;
}

void TStrings::SetText(const String& Value) {
  BeginUpdate();
  try {
    Clear();
    size_t start = 0;
    while (start < Value.size()) {
      size_t end = start;
      while (end < Value.size() && Value[end] != u'\r' && Value[end] != u'\n') ++end;
      Add(Value.substr(start, end - start));
      if (end < Value.size() && Value[end] == u'\r') {
        ++end;
        if (end < Value.size() && Value[end] == u'\n') ++end;
      } else if (end < Value.size()) {
        ++end;
      }
      start = end;
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

String TStrings::JoinDelimited(Char Delimiter, Char QuoteChar, bool Strict) const {
  const Integer count = GetCount();
  if (count == 1 && Get(0).empty()) return String(2, QuoteChar);
  String result;
  for (Integer i = 0; i < count; ++i) {
    const String s = Get(i);
    const bool quote = std::any_of(s.begin(), s.end(), [&](Char c) {
      return c == QuoteChar || c == Delimiter || (!Strict && c <= u' ');
    });
    if (i > 0) result += Delimiter;
    if (!quote) {
      result += s;
      continue;
    }
    result += QuoteChar;
    for (Char c : s) {
      if (c == QuoteChar) result += QuoteChar;
      result += c;
    }
    result += QuoteChar;
  }
  return result;
}

void TStrings::ParseDelimited(const String& Value, Char Delimiter, Char QuoteChar, bool Strict) {
  const size_t n = Value.size();
  const auto isSpace = [&](size_t i) { return !Strict && i < n && Value[i] <= u' '; };
  BeginUpdate();
  try {
    Clear();
    size_t p = 0;
    while (isSpace(p)) ++p;
    while (p < n) {
      String s;
      if (Value[p] == QuoteChar) {
        // Quoted: a doubled quote stands for one; an unterminated quote runs to the end.
        ++p;
        while (p < n) {
          if (Value[p] == QuoteChar) {
            if (p + 1 < n && Value[p + 1] == QuoteChar) {
              s += QuoteChar;
              p += 2;
              continue;
            }
            ++p;
            break;
          }
          s += Value[p++];
        }
      } else {
        const size_t start = p;
        while (p < n && Value[p] != Delimiter && !isSpace(p)) ++p;
        s.assign(Value, start, p - start);
      }
      Add(s);
      while (isSpace(p)) ++p;
      if (p < n && Value[p] == Delimiter) {
        if (p + 1 == n) Add(String());  // a trailing delimiter ends with an empty string
        ++p;
        while (isSpace(p)) ++p;
      }
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

String TStrings::GetDelimitedText() const { return JoinDelimited(FDelimiter, FQuoteChar, FStrictDelimiter); }

void TStrings::SetDelimitedText(const String& Value) { ParseDelimited(Value, FDelimiter, FQuoteChar, FStrictDelimiter); }

String TStrings::GetCommaText() const { return JoinDelimited(u',', u'"', false); }

void TStrings::SetCommaText(const String& Value) { ParseDelimited(Value, u',', u'"', false); }

void TStrings::BeginUpdate() {
  if (FUpdateCount == 0) SetUpdateState(true);
  ++FUpdateCount;
}

void TStrings::EndUpdate() {
  if (FUpdateCount <= 0) return;
  if (--FUpdateCount == 0) SetUpdateState(false);
}

TEncoding* TStrings::GetDefaultEncoding() const {
  return FDefaultEncoding ? FDefaultEncoding : TEncoding::GetDefault();
}

// Keeps a private copy of encodings the caller owns, so that freeing theirs leaves ours valid.
void TStrings::SetEncoding(TEncoding* Value) {
  if (Value == FEncoding) return;
  TEncoding* old = FEncoding;
  FEncoding = nullptr;
  if (Value)
    FEncoding = TEncoding::IsStandardEncoding(Value) ? Value
                                                     : TEncoding::GetEncoding(Value->GetCodePage(), Value->GetStrict());
  TEncoding::FreeEncoding(old);
}

void TStrings::LoadFromStream(TStream* Stream, TEncoding* Encoding) {
  const Int64 size = Stream->GetSize() - Stream->GetPosition();
  if (size > MaxInt) throw EReadError(u"Stream read error");
  TBytes bytes(static_cast<size_t>(std::max<Int64>(size, 0)));
  if (!bytes.empty()) Stream->ReadBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  TEncoding* encoding = Encoding;
  const Integer preamble = TEncoding::GetBufferEncoding(bytes, encoding, GetDefaultEncoding());
  const String text =
      encoding->GetString(bytes.data() + preamble, static_cast<Integer>(bytes.size()) - preamble);
  SetText(text);
  SetEncoding(encoding);
}

void TStrings::LoadFromFile(const String& FileName, TEncoding* Encoding) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream, Encoding);
}

namespace {
// The bytes of a save: the preamble, then the text.
TBytes EncodeText(const String& Text, TEncoding* Encoding, bool Explicit, TEncoding* Fallback, bool WriteBOM) {
  TBytes body = Encoding->GetBytes(Text);
  if (!Explicit && Encoding->GetString(body) != Text) {
    Encoding = Fallback;
    body = Encoding->GetBytes(Text);
  }
  TBytes result = WriteBOM ? Encoding->GetPreamble() : TBytes();
  result.insert(result.end(), body.begin(), body.end());
  return result;
}
}  // namespace

void TStrings::SaveToStream(TStream* Stream, TEncoding* Encoding) {
  TEncoding* encoding = Encoding ? Encoding : FEncoding ? FEncoding : GetDefaultEncoding();
  const TBytes bytes = EncodeText(GetText(), encoding, Encoding != nullptr, TEncoding::GetUTF8(), FWriteBOM);
  if (!bytes.empty()) Stream->WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
}

void TStrings::SaveToFile(const String& FileName, TEncoding* Encoding) {
  TEncoding* encoding = Encoding ? Encoding : FEncoding ? FEncoding : GetDefaultEncoding();
  const TBytes bytes = EncodeText(GetText(), encoding, Encoding != nullptr, TEncoding::GetUTF8(), FWriteBOM);
  TFileStream stream(FileName, fmCreate);
  if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
}

// --- TStringList -----------------------------------------------------------------------------

TStringList::TStringList(TDuplicates Duplicates, bool Sorted, bool CaseSensitive)
    : FDuplicates(Duplicates), FSorted(Sorted), FCaseSensitive(CaseSensitive) {}

TStringList::~TStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
  if (FOwnsObjects) {
    std::vector<TItem> items;
    items.swap(FList);
    for (auto it = items.rbegin(); it != items.rend(); ++it) Free(it->Object);
  }
}

void TStringList::CheckIndex(Integer Index) const {
  if (Index < 0 || Index >= GetCount()) RaiseIndexError(Index);
}

void TStringList::Changed() {
  if (GetUpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
  if (GetUpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::SetUpdateState(bool Updating) {
  if (Updating)
    Changing();
  else
    Changed();
}

Integer TStringList::CompareStrings(const String& S1, const String& S2) const {
  if (FUseLocale) return FCaseSensitive ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2);
  return FCaseSensitive ? CompareStr(S1, S2) : CompareText(S1, S2);
}

String TStringList::Get(Integer Index) const {
  CheckIndex(Index);
  return FList[static_cast<size_t>(Index)].Text;
}

TObject* TStringList::GetObject(Integer Index) const {
  CheckIndex(Index);
  return FList[static_cast<size_t>(Index)].Object;
}

void TStringList::Put(Integer Index, const String& S) {
  if (FSorted) throw EListError(u"Operation not allowed on sorted list");
  CheckIndex(Index);
  Changing();
  FList[static_cast<size_t>(Index)].Text = S;
  Changed();
}

void TStringList::PutObject(Integer Index, TObject* AObject) {
  CheckIndex(Index);
  Changing();
  FList[static_cast<size_t>(Index)].Object = AObject;
  Changed();
}

Integer TStringList::Add(const String& S) { return AddObject(S, nullptr); }

Integer TStringList::AddObject(const String& S, TObject* AObject) {
  Integer index = GetCount();
  if (FSorted && Find(S, index)) {
    if (FDuplicates == dupIgnore) return index;
    if (FDuplicates == dupError) throw EListError(u"Duplicates not allowed");
  }
  InsertItem(index, S, AObject);
  return index;
}

void TStringList::Insert(Integer Index, const String& S) { InsertObject(Index, S, nullptr); }

void TStringList::InsertObject(Integer Index, const String& S, TObject* AObject) {
  if (FSorted) throw EListError(u"Operation not allowed on sorted list");
  if (Index < 0 || Index > GetCount()) RaiseIndexError(Index);
  InsertItem(Index, S, AObject);
}

void TStringList::InsertItem(Integer Index, const String& S, TObject* AObject) {
  Changing();
  FList.insert(FList.begin() + Index, TItem{S, AObject});
  Changed();
}

void TStringList::Delete(Integer Index) {
  CheckIndex(Index);
  Changing();
  TObject* object = FList[static_cast<size_t>(Index)].Object;
  FList.erase(FList.begin() + Index);
  if (FOwnsObjects) Free(object);
  Changed();
}

void TStringList::Clear() {
  if (FList.empty()) return;
  Changing();
  std::vector<TItem> items;
  items.swap(FList);
  if (FOwnsObjects)
    for (auto it = items.rbegin(); it != items.rend(); ++it) Free(it->Object);
  Changed();
}

void TStringList::Exchange(Integer Index1, Integer Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  Changing();
  std::swap(FList[static_cast<size_t>(Index1)], FList[static_cast<size_t>(Index2)]);
  Changed();
}

// Checked before anything moves: a failed move must not drop the item.
void TStringList::Move(Integer CurIndex, Integer NewIndex) {
  if (CurIndex == NewIndex) return;
  if (FSorted) throw EListError(u"Operation not allowed on sorted list");
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  Changing();
  auto first = FList.begin();
  if (CurIndex < NewIndex)
    std::rotate(first + CurIndex, first + CurIndex + 1, first + NewIndex + 1);
  else
    std::rotate(first + NewIndex, first + CurIndex, first + CurIndex + 1);
  Changed();
}

void TStringList::Assign(TPersistent* Source) {
  if (Source == this) return;
  if (const auto* list = dynamic_cast<const TStringList*>(Source)) {
    BeginUpdate();
    try {
      // Take the source's order and policy first, so that its strings go in as they are.
      FSorted = false;
      FCaseSensitive = list->FCaseSensitive;
      FUseLocale = list->FUseLocale;
      FDuplicates = list->FDuplicates;
      TStrings::Assign(Source);
      FSorted = list->FSorted;
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
    return;
  }
  TStrings::Assign(Source);
}

bool TStringList::Find(const String& S, Integer& Index) const {
  Integer low = 0, high = GetCount() - 1;
  bool found = false;
  while (low <= high) {
    const Integer mid = low + (high - low) / 2;
    const Integer c = CompareStrings(FList[static_cast<size_t>(mid)].Text, S);
    if (c < 0) {
      low = mid + 1;
    } else {
      high = mid - 1;
      if (c == 0) found = true;
    }
  }
  Index = low;
  return found;
}

Integer TStringList::IndexOf(const String& S) const {
  if (!FSorted) return TStrings::IndexOf(S);
  Integer index;
  return Find(S, index) ? index : -1;
}

template <class F>
void TStringList::SortItems(F Less) {
  // Sort a permutation, so that a compare function sees the list as it was while it sorts.
  std::vector<Integer> order(FList.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), Less);
  std::vector<TItem> sorted;
  sorted.reserve(FList.size());
  for (Integer i : order) sorted.push_back(std::move(FList[static_cast<size_t>(i)]));
  FList.swap(sorted);
}

void TStringList::Sort() {
  if (FList.size() < 2) return;
  Changing();
  SortItems([this](Integer a, Integer b) {
    return CompareStrings(FList[static_cast<size_t>(a)].Text, FList[static_cast<size_t>(b)].Text) < 0;
  });
  Changed();
}

void TStringList::CustomSort(TStringListSortCompare Compare) {
  if (FList.size() < 2 || !Compare) return;
  Changing();
  SortItems([this, Compare](Integer a, Integer b) { return Compare(this, a, b) < 0; });
  Changed();
}

void TStringList::SetSorted(bool Value) {
  if (FSorted == Value) return;
  if (Value) Sort();
  FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (FCaseSensitive == Value) return;
  FCaseSensitive = Value;
  if (FSorted) Sort();
}

void TStringList::SetUseLocale(bool Value) {
  if (FUseLocale == Value) return;
  FUseLocale = Value;
  if (FSorted) Sort();
}

void TStringList::SetCapacity(Integer Value) {
  if (Value < GetCount()) throw EListError(u"List capacity out of bounds (%d)", {Value});
  if (static_cast<size_t>(Value) > FList.capacity())
    FList.reserve(static_cast<size_t>(Value));
  else
    FList.shrink_to_fit();
}
