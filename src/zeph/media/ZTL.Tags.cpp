#include "zeph/media/ZTL.Tags.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.TypInfo.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zeph/media/ZTL.Core.h"
#include "zeph/media/ZTL.Utils.h"

String TagsAppendValue(const String& List, const String& Value) {
  if (List.empty()) return Value;
  if (Value.empty()) return List;
  size_t p = List.find(Value);
  if (p != String::npos) {
    const size_t end = p + Value.size();
    // Only the first occurrence decides whether the value is already there.
    if ((p == 0 || List[p - 1] == u';') && (end == List.size() || List[end] == u';')) return List;
  }
  return List + u";" + Value;
}

String TagsDecodeValues(const String& Text, Char Delimiter) {
  if (Text.find(Delimiter) == String::npos) return Text;
  String result;
  size_t start = 0;
  for (;;) {
    size_t stop = Text.find(Delimiter, start);
    if (stop == String::npos) stop = Text.size();
    size_t a = start, b = stop;
    while (a < b && Text[a] == u' ') ++a;
    while (b > a && Text[b - 1] == u' ') --b;
    if (b > a) {
      if (!result.empty()) result += u';';
      result.append(Text, a, b - a);
    }
    if (stop == Text.size()) break;
    start = stop + 1;
  }
  return result;
}

Integer TagsEnumValues(const String& Text, bool Split, const TProc<const String&>& Proc) {
  if (!Split) {
    if (Text.empty()) return 0;
    Proc(Text);
    return 1;
  }
  Integer count = 0;
  size_t start = 0;
  for (;;) {
    size_t stop = Text.find(u';', start);
    if (stop == String::npos) stop = Text.size();
    size_t a = start, b = stop;
    while (a < b && Text[a] < 33) ++a;
    while (b > a && Text[b - 1] < 33) --b;
    if (b > a) {
      Proc(Text.substr(a, b - a));
      ++count;
    }
    if (stop >= Text.size()) break;
    start = stop + 1;
  }
  return count;
}

String TagsFirstValue(const String& Text) {
  const size_t p = Text.find(u';');
  return p == String::npos ? Text : Text.substr(0, p);
}

bool TagsSameName(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i) {
    char a = A[i], b = B[i];
    if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 32);
    if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 32);
    if (a != b) return false;
  }
  return true;
}

// ---- field map -------------------------------------------------------------------------------------

namespace {

std::string UpperAscii(std::string_view S) {
  std::string r(S);
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return r;
}

// The text as a number with "." as decimal separator, truncated toward zero; 0 when it is none.
Int64 TextToInt(const String& Text, Int64 Min, Int64 Max) {
  const std::string s = StringToUTF8(zcTrim(Text));
  if (s.empty()) return 0;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(s.c_str(), &end);
  if (end != s.c_str() + s.size() || std::isnan(v)) return 0;
  if (v <= static_cast<double>(Min)) return Min;
  if (v >= static_cast<double>(Max)) return Max;
  return static_cast<Int64>(v);
}

}  // namespace

String TZTLTagFieldMapItem::DefaultGet(const TObject* Tag, const TZTLTagFieldMapItem& Item) {
  const TPropInfo* p = Item.PropInfo;
  switch (p->PropType->Kind) {
    case tkInteger:
    case tkInt64:
    case tkEnumeration: {
      const Int64 v = p->PropType->Kind == tkInt64 ? GetInt64Prop(Tag, p) : GetOrdProp(Tag, p);
      return v == 0 ? String() : IntToStr(v);
    }
    case tkString:
    case tkLString:
    case tkWString:
    case tkUString:
      return GetStrProp(Tag, p);
    default:
      throw ENotSupportedException(p->Name);
  }
}

void TZTLTagFieldMapItem::DefaultSet(TObject* Tag, const TZTLTagFieldMapItem& Item, const String& Text) {
  const TPropInfo* p = Item.PropInfo;
  const auto* data = GetTypeData(p->PropType);
  switch (p->PropType->Kind) {
    case tkInteger:
    case tkInt64: {
      const Int64 v = TextToInt(Text, data->MinInt64Value, data->MaxInt64Value);
      if (p->PropType->Kind == tkInt64)
        SetInt64Prop(Tag, p, v);
      else
        SetOrdProp(Tag, p, v);
      return;
    }
    case tkEnumeration: {
      const String text = zcTrim(Text);
      for (size_t i = 0; i < data->EnumNames.size(); ++i)
        if (zcSameText(data->EnumNames[i], text)) {
          SetOrdProp(Tag, p, data->MinInt64Value + static_cast<Int64>(i));
          return;
        }
      Int64 v = 0;
      if (TryStrToInt64(text, v) && v >= data->MinInt64Value && v <= data->MaxInt64Value) SetOrdProp(Tag, p, v);
      return;
    }
    case tkString:
    case tkLString:
    case tkWString:
    case tkUString:
      SetStrProp(Tag, p, Text);
      return;
    default:
      throw ENotSupportedException(p->Name);
  }
}

TZTLTagFieldMap::TZTLTagFieldMap(TClass TagClass) : FTagClass(TagClass) {}

TZTLTagFieldMap::~TZTLTagFieldMap() = default;

void TZTLTagFieldMap::Populate() {
  Add("CueSheet", u"CueSheet", false);
  Add("replaygain_album_gain", u"AlbumGain", false);
  Add("replaygain_album_peak", u"AlbumPeak", false);
  Add("replaygain_track_peak", u"TrackPeak", false);
  Add("replaygain_track_gain", u"TrackGain", false);
}

TZTLTagFieldMapItem* TZTLTagFieldMap::NewItem(StringView PropertyName, bool Multi) {
  const TPropInfo* info = GetPropInfo(FTagClass, PropertyName);
  if (!info) throw EPropertyError(u"Property %s not found", {String(PropertyName)});
  auto item = std::make_unique<TZTLTagFieldMapItem>();
  item->PropInfo = info;
  item->Multi = Multi;
  item->Getter = &TZTLTagFieldMapItem::DefaultGet;
  item->Setter = &TZTLTagFieldMapItem::DefaultSet;
  FItems.push_back(std::move(item));
  return FItems.back().get();
}

void TZTLTagFieldMap::Offer(TZTLTagFieldMapItem* Item) {
  if (FPropMap.emplace(Item->PropInfo, Item).second) FPropOrder.push_back(Item);
}

void TZTLTagFieldMap::Add(Integer ID, StringView PropertyName, bool Multi) {
  if (ID != 0 && FIdMap.count(ID)) return;
  TZTLTagFieldMapItem* item = NewItem(PropertyName, Multi);
  item->ID = ID;
  FIdMap.emplace(ID, item);
  Offer(item);
}

void TZTLTagFieldMap::Add(std::string_view Name, StringView PropertyName, bool Multi) {
  AddEx(Name, PropertyName, Multi, &TZTLTagFieldMapItem::DefaultGet, &TZTLTagFieldMapItem::DefaultSet);
}

void TZTLTagFieldMap::AddEx(std::string_view Name, StringView PropertyName, bool Multi, TZTLTagFieldGetter Getter,
                            TZTLTagFieldSetter Setter) {
  const std::string key = UpperAscii(Name);
  if (!key.empty() && FNameMap.count(key)) return;
  TZTLTagFieldMapItem* item = NewItem(PropertyName, Multi);
  item->Name = std::string(Name);
  item->Getter = std::move(Getter);
  item->Setter = std::move(Setter);
  FNameMap.emplace(key, item);
  Offer(item);
}

void TZTLTagFieldMap::Remove(std::string_view Name) {
  auto it = FNameMap.find(UpperAscii(Name));
  if (it == FNameMap.end()) return;
  TZTLTagFieldMapItem* item = it->second;
  FNameMap.erase(it);
  auto prop = FPropMap.find(item->PropInfo);
  if (prop != FPropMap.end() && prop->second == item) {
    FPropMap.erase(prop);
    std::erase(FPropOrder, item);
  }
  if (item->ID != 0) {
    auto id = FIdMap.find(item->ID);
    if (id != FIdMap.end() && id->second == item) FIdMap.erase(id);
  }
  std::erase_if(FItems, [item](const auto& p) { return p.get() == item; });
}

const TZTLTagFieldMapItem* TZTLTagFieldMap::FindID(Integer ID) const {
  auto it = FIdMap.find(ID);
  return it == FIdMap.end() ? nullptr : it->second;
}

const TZTLTagFieldMapItem* TZTLTagFieldMap::FindName(std::string_view Name) const {
  auto it = FNameMap.find(UpperAscii(Name));
  return it == FNameMap.end() ? nullptr : it->second;
}

const TZTLTagFieldMapItem* TZTLTagFieldMap::FindProperty(const TPropInfo* PropInfo) const {
  auto it = FPropMap.find(PropInfo);
  return it == FPropMap.end() ? nullptr : it->second;
}

// ---- TZTLTagMappedFiler ----------------------------------------------------------------------------

TZTLTagMappedFiler::TZTLTagMappedFiler(TZTLTag* Tag, TStream* Stream, const TZTLTagFieldMap* FieldMap)
    : FStream(Stream), FTag(Tag), FFieldMap(FieldMap) {}

String TZTLTagMappedFiler::DecodeValue(std::string_view Data, const TZTLTagFieldMapItem&) {
  if (Data.empty()) return String();
  return zcTrim(TZTLTagsEncoding::Decode(Data));
}

String TZTLTagMappedFiler::NormalizeMultiValue(const String& Text, const TZTLTagFieldMapItem&) { return Text; }

RawByteString TZTLTagMappedFiler::EncodeValue(const String& Text, const TZTLTagFieldMapItem&) {
  return zcEncodeUTF8(Text);
}

String TZTLTagMappedFiler::JoinMultiValue(const String& Text, const TZTLTagFieldMapItem&) { return Text; }

AnsiString TZTLTagMappedFiler::IdToName(Integer ID) { return std::to_string(ID); }

String TZTLTagMappedFiler::FilterValue(const String& Text) { return Text; }

void TZTLTagMappedFiler::ReadField(Integer ID, std::string_view Data) {
  const TZTLTagFieldMapItem* item = ID != 0 ? FFieldMap->FindID(ID) : nullptr;
  if (item)
    ReadMappedField(*item, Data);
  else
    FTag->GetCustomFields()->Add(IdToName(ID), AnsiString(Data));
}

void TZTLTagMappedFiler::ReadField(std::string_view Name, std::string_view Data) {
  const TZTLTagFieldMapItem* item = !Name.empty() ? FFieldMap->FindName(Name) : nullptr;
  if (item)
    ReadMappedField(*item, Data);
  else
    FTag->GetCustomFields()->Add(AnsiString(Name), AnsiString(Data));
}

void TZTLTagMappedFiler::ReadMappedField(const TZTLTagFieldMapItem& Item, std::string_view Data) {
  ApplyValue(Item, DecodeValue(Data, Item));
}

void TZTLTagMappedFiler::ApplyValue(const TZTLTagFieldMapItem& Item, String Text) {
  switch (Item.PropInfo->PropType->Kind) {
    case tkString:
    case tkLString:
    case tkWString:
    case tkUString:
      if (Item.Multi) {
        Text = NormalizeMultiValue(Text, Item);
        // A filter that cuts the text may leave an empty last value behind.
        if (FilterValues) Text = TagsDecodeValues(FilterValue(Text), u';');
        if (AppendValues) Text = TagsAppendValue(GetStrProp(FTag, Item.PropInfo), Text);
      } else if (FilterValues) {
        Text = FilterValue(Text);
      }
      break;
    default:
      break;
  }
  Item.Setter(FTag, Item, Text);
}

void TZTLTagMappedFiler::SetTagSize(Cardinal Size) { FTag->SetSize(Size); }

void TZTLTagMappedFiler::EnumValues(const TProc<const AnsiString&, const RawByteString&>& Proc, bool SplitMulti) {
  for (const TZTLTagFieldMapItem* item : FFieldMap->GetPropItems()) {
    String value = item->Getter(FTag, *item);
    if (value.empty()) continue;
    const AnsiString name = item->Name.empty() ? IdToName(item->ID) : item->Name;
    if (item->Multi && SplitMulti) {
      TagsEnumValues(value, true, [&](const String& part) { Proc(name, EncodeValue(part, *item)); });
    } else {
      if (item->Multi) value = JoinMultiValue(value, *item);
      Proc(name, EncodeValue(value, *item));
    }
  }
  TZBLFileInfoCustomFields* fields = FTag->GetCustomFields();
  for (Integer i = 0; i < fields->GetCount(); ++i) Proc(fields->GetItem(i)->Name, fields->GetItem(i)->Value);
}
