#include "zcl/base/ZCL.Classes.StringList.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.StringList.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Strings.h"

namespace {

// Runs Work between BeginUpdate and EndUpdate; EndUpdate also when Work raises.
template <class TWork>
void Bracketed(TZCLStringList& List, TWork&& Work) {
  List.BeginUpdate();
  try {
    Work();
  } catch (...) {
    List.EndUpdate();
    throw;
  }
  List.EndUpdate();
}

bool IsLineBreak(Char C) { return C == u'\r' || C == u'\n' || C == u'\x2028'; }

}  // namespace

TZCLStringList::TZCLStringList(const String& Text, bool IsMultiLine) {
  if (IsMultiLine) {
    SetText(Text);
  } else {
    SetCapacity(1);
    Add(Text);
  }
}

TZCLStringList::~TZCLStringList() { TZCLStringList::Clear(); }

TZCLStringList* TZCLStringList::CreateCopy(const TZCLStringList* Source) {
  auto list = std::make_unique<TZCLStringList>();
  list->AddStrings(Source);
  return list.release();
}

void TZCLStringList::Assign(TPersistent* Source) {
  if (auto* list = dynamic_cast<TZCLStringList*>(Source)) {
    if (list == this) return;
    Bracketed(*this, [&] {
      Clear();
      AddStrings(list);
    });
  } else if (auto* strings = dynamic_cast<TStrings*>(Source)) {
    Bracketed(*this, [&] {
      Clear();
      EnsureCapacity(strings->GetCount());
      for (Integer i = 0; i < strings->GetCount(); ++i) Add(strings->GetStrings(i), strings->GetObjects(i));
    });
  }
}

void TZCLStringList::AssignTo(TPersistent* Dest) {
  auto* strings = dynamic_cast<TStrings*>(Dest);
  if (strings == nullptr) {
    inherited::AssignTo(Dest);
    return;
  }
  strings->BeginUpdate();
  try {
    strings->Clear();
    strings->SetCapacity(FCount);
    for (Integer i = 0; i < FCount; ++i) strings->AddObject(ItemAt(i).Text, ItemAt(i).Object);
  } catch (...) {
    strings->EndUpdate();
    throw;
  }
  strings->EndUpdate();
}

void TZCLStringList::AddStrings(const TZCLStringList* Source) {
  if (Source == nullptr) return;
  Bracketed(*this, [&] {
    // Room first: no reallocation moves the source items while they are read, even when a list
    // adds its own items.
    const Integer count = Source->GetCount();
    EnsureCapacity(count);
    for (Integer i = 0; i < count; ++i) {
      const TZCLStringListItem& item = Source->ItemAt(i);
      Add(item.Text, item.Object, item.Interface.get());
    }
  });
}

void TZCLStringList::AddStrings(const std::vector<String>& Source) {
  Bracketed(*this, [&] {
    EnsureCapacity(static_cast<Integer>(Source.size()));
    for (const String& text : Source) Add(text);
  });
}

std::vector<String> TZCLStringList::ToArray() const {
  std::vector<String> result;
  result.reserve(static_cast<size_t>(FCount));
  for (Integer i = 0; i < FCount; ++i) result.push_back(ItemAt(i).Text);
  return result;
}

void TZCLStringList::Clear() {
  Bracketed(*this, [&] {
    DeleteRange(0, FCount);
    SetCapacity(0);
  });
}

Integer TZCLStringList::Add(const String& Text, TObject* Object, IInterface* Interface) {
  FLastInsertIndex = -1;
  Insert(FCount, Text, Object, Interface);
  return FLastInsertIndex;
}

Integer TZCLStringList::AddPair(const String& Name, const String& Value, TObject* Object, IInterface* Interface) {
  return Add(Name + FNameValueSeparator + Value, Object, Interface);
}

void TZCLStringList::Grow() {
  const Integer capacity = GetCapacity();
  const Integer delta = capacity <= 8 ? 4 : capacity <= 64 ? 16 : capacity / 4;
  SetCapacity(capacity + delta);
}

void TZCLStringList::Insert(Integer Index, const String& Text, TObject* Object, IInterface* Interface) {
  if (Index < 0 || Index > FCount) return;
  FLastInsertIndex = Index;
  Bracketed(*this, [&] {
    if (FCount == GetCapacity()) Grow();
    std::move_backward(FItems.begin() + Index, FItems.begin() + FCount, FItems.begin() + FCount + 1);
    TZCLStringListItem& item = FItems[static_cast<size_t>(Index)];
    item.Text = Text;
    item.Object = Object;
    item.Interface = Interface;
    ++FCount;
    Changed();
  });
}

bool TZCLStringList::DeleteRange(Integer Index, Integer N) {
  if (Index < 0 || Index >= FCount || N < 1 || N > FCount - Index) return false;
  Bracketed(*this, [&] {
    std::move(FItems.begin() + Index + N, FItems.begin() + FCount, FItems.begin() + Index);
    for (Integer i = FCount - N; i < FCount; ++i) FItems[static_cast<size_t>(i)] = TZCLStringListItem();
    FCount -= N;
    Changed();
  });
  return true;
}

Integer TZCLStringList::Remove(const String& Text) {
  const Integer index = IndexOf(Text);
  if (index >= 0) Delete(index);
  return index;
}

void TZCLStringList::RemoveDuplicates() {
  Bracketed(*this, [&] {
    TZCLStringSet met(FIgnoreCase, FCount);
    for (Integer i = FCount - 1; i >= 0; --i)
      if (!met.Include(ItemAt(i).Text)) Delete(i);
  });
}

void TZCLStringList::TrimAll() {
  Bracketed(*this, [&] {
    for (Integer i = 0; i < FCount; ++i) SetString(i, zcTrim(ItemAt(i).Text));
  });
}

String TZCLStringList::GetStrings(Integer Index) const { return InRange(Index) ? ItemAt(Index).Text : String(); }

void TZCLStringList::SetString(Integer Index, const String& Text) {
  if (!InRange(Index)) return;
  FItems[static_cast<size_t>(Index)].Text = Text;
  Changed();
}

TObject* TZCLStringList::GetObjects(Integer Index) const { return InRange(Index) ? ItemAt(Index).Object : nullptr; }

void TZCLStringList::SetObjects(Integer Index, TObject* Object) {
  if (!InRange(Index)) return;
  FItems[static_cast<size_t>(Index)].Object = Object;
  Changed();
}

IInterface* TZCLStringList::GetInterfaces(Integer Index) const {
  return InRange(Index) ? ItemAt(Index).Interface.get() : nullptr;
}

void TZCLStringList::SetInterfaces(Integer Index, IInterface* Interface) {
  if (!InRange(Index)) return;
  FItems[static_cast<size_t>(Index)].Interface = Interface;
  Changed();
}

void TZCLStringList::EnsureCapacity(Integer N) {
  if (N > 0 && FCount + N > GetCapacity()) SetCapacity(FCount + N);
}

void TZCLStringList::SetCapacity(Integer Value) {
  Value = std::max(Value, FCount);
  if (Value == GetCapacity()) return;
  FItems.resize(static_cast<size_t>(Value));
  if (Value == 0) FItems.shrink_to_fit();
}

Integer TZCLStringList::IndexOf(const String& Text) const {
  for (Integer i = 0; i < FCount; ++i)
    if (zcCompareStrings(ItemAt(i).Text, Text, FIgnoreCase) == 0) return i;
  return -1;
}

Integer TZCLStringList::IndexOfObject(const TObject* Object) const {
  for (Integer i = 0; i < FCount; ++i)
    if (ItemAt(i).Object == Object) return i;
  return -1;
}

Integer TZCLStringList::IndexOfName(const String& Name) const {
  const String prefix = Name + FNameValueSeparator;
  const auto length = static_cast<Integer>(prefix.size());
  for (Integer i = FCount - 1; i >= 0; --i) {
    const String& text = ItemAt(i).Text;
    if (static_cast<Integer>(text.size()) >= length &&
        zcCompareStringsBuf(text.data(), prefix.data(), length, length, FIgnoreCase) == 0)
      return i;
  }
  return -1;
}

String TZCLStringList::GetNames(Integer Index) const {
  if (!InRange(Index)) return String();
  const String& text = ItemAt(Index).Text;
  const size_t pos = text.find(FNameValueSeparator);
  return pos == String::npos ? String() : text.substr(0, pos);
}

String TZCLStringList::GetValueFromIndex(Integer Index) const {
  if (!InRange(Index)) return String();
  const String& text = ItemAt(Index).Text;
  const size_t pos = text.find(FNameValueSeparator);
  return pos == String::npos ? text : text.substr(pos + 1);
}

void TZCLStringList::SetValueFromIndex(Integer Index, const String& Value) {
  if (InRange(Index)) SetString(Index, GetNames(Index) + FNameValueSeparator + Value);
}

String TZCLStringList::GetValues(const String& Name) const { return GetValueFromIndex(IndexOfName(Name)); }

void TZCLStringList::SetValues(const String& Name, const String& Value) {
  const Integer index = IndexOfName(Name);
  if (index >= 0)
    SetString(index, Name + FNameValueSeparator + Value);
  else
    Add(Name + FNameValueSeparator + Value);
}

String TZCLStringList::GetDelimitedText(StringView Delimiter, bool AppendTrailing) const {
  size_t size = 0;
  for (Integer i = 0; i < FCount; ++i) size += ItemAt(i).Text.size() + Delimiter.size();
  String result;
  result.reserve(size);
  for (Integer i = 0; i < FCount; ++i) {
    result += ItemAt(i).Text;
    if (AppendTrailing || i + 1 < FCount) result += Delimiter;
  }
  return result;
}

void TZCLStringList::SetText(const String& Text) {
  Bracketed(*this, [&] {
    Clear();
    const size_t n = Text.size();
    size_t start = 0, pos = 0;
    while (pos < n) {
      if (!IsLineBreak(Text[pos])) {
        ++pos;
        continue;
      }
      Add(Text.substr(start, pos - start));
      if (Text[pos] == u'\x2028') ++pos;
      if (pos < n && Text[pos] == u'\r') ++pos;
      if (pos < n && Text[pos] == u'\n') ++pos;
      start = pos;
    }
    if (start < n) Add(Text.substr(start));
  });
}

void TZCLStringList::LoadFromStream(TStream* Stream, TEncoding* Encoding) {
  SetText(zcStreamReadText(Stream, Encoding));
}

void TZCLStringList::SaveToStream(TStream* Stream, TEncoding* Encoding) {
  zcStreamWriteText(Stream, GetText(), Encoding, true);
}

bool TZCLStringList::LoadFromFile(const String& FileName, TEncoding* Encoding) {
  TStream* stream = nullptr;
  if (!StreamCreateFileReader(FileName, stream)) return false;
  std::unique_ptr<TStream> owner(stream);
  LoadFromStream(stream, Encoding);
  return true;
}

bool TZCLStringList::SaveToFile(const String& FileName, TEncoding* Encoding) {
  zcFileSetAttr(FileName, 0);
  TStream* stream = nullptr;
  if (!StreamCreateFileWriter(FileName, stream)) return false;
  std::unique_ptr<TStream> owner(stream);
  SaveToStream(stream, Encoding);
  // Freeing writes back; a failure there must raise here, not in a destructor.
  owner.reset();
  return true;
}

void TZCLStringList::Sort(const TZCLStringListCompareProc& Compare, bool UseThreads) {
  if (FCount <= 0) return;
  Bracketed(*this, [&] {
    TZCLMultithreadedStringListSorter::Sort(this, Compare, UseThreads);
    Changed();
  });
}

void TZCLStringList::Sort() {
  Sort([](const TZCLStringListItem* A, const TZCLStringListItem* B) { return zcCompareStrings(A->Text, B->Text); },
       true);
}

void TZCLStringList::SortLogical() {
  Sort(
      [](const TZCLStringListItem* A, const TZCLStringListItem* B) { return zcLogicalCompare(A->Text, B->Text, true); },
      FCount > 1000);
}

// ---- TZCLSortedStrings --------------------------------------------------------------------------------

bool TZCLSortedStrings::Find(const String& Text, Integer& Index) const {
  Integer low = 0, high = FCount - 1;
  while (low <= high) {
    const Integer mid = low + (high - low) / 2;
    const Integer c = zcCompareStrings(ItemAt(mid).Text, Text, FIgnoreCase);
    if (c < 0) {
      low = mid + 1;
    } else if (c == 0) {
      Index = mid;
      return true;
    } else {
      high = mid - 1;
    }
  }
  Index = low;
  return false;
}

void TZCLSortedStrings::Insert(Integer, const String& Text, TObject* Object, IInterface* Interface) {
  Integer index = 0;
  if (Find(Text, index))
    FLastInsertIndex = index;
  else
    inherited::Insert(index, Text, Object, Interface);
}

Integer TZCLSortedStrings::IndexOf(const String& Text) const {
  Integer index = 0;
  return Find(Text, index) ? index : -1;
}

void TZCLSortedStrings::SetString(Integer Index, const String& Text) {
  inherited::SetString(Index, Text);
  // By the comparison Find uses, so the list stays searchable also with IgnoreCase set.
  const bool ignoreCase = FIgnoreCase;
  Sort([ignoreCase](const TZCLStringListItem* A,
                    const TZCLStringListItem* B) { return zcCompareStrings(A->Text, B->Text, ignoreCase); },
       true);
}
