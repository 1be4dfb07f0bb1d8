#include "zcl/base/ZCL.FileFormats.INI.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Format.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/base/ZCL.Hashes.h"
#include "zcl/base/ZCL.Utils.Common.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Strings.h"

namespace {

constexpr StringView kEscapeMark = u"\\:";

// How a Boolean is stored.
const char16_t* BoolText(bool Value) { return Value ? u"1" : u"0"; }

bool IsBreak(Char C) { return C == u'\r' || C == u'\n' || C == u'\x2028'; }
bool HasBreak(StringView S) {
  for (Char c : S)
    if (IsBreak(c)) return true;
  return false;
}

// Values that would not survive as one line (or would read back decoded) are escaped; all others
// are stored as they are.
String EncodeValue(const String& Value) {
  if (!HasBreak(Value) && !StringView(Value).starts_with(kEscapeMark)) return Value;
  String result(kEscapeMark);
  result.reserve(Value.size() + 8);
  for (Char c : Value) {
    switch (c) {
      case u'\\':
        result += u"\\\\";
        break;
      case u'\r':
        result += u"\\r";
        break;
      case u'\n':
        result += u"\\n";
        break;
      case u'\x2028':
        result += u"\\L";
        break;
      default:
        result += c;
    }
  }
  return result;
}

String DecodeValue(String Raw) {
  if (!StringView(Raw).starts_with(kEscapeMark)) return Raw;
  String result;
  result.reserve(Raw.size());
  for (size_t i = kEscapeMark.size(); i < Raw.size(); ++i) {
    const Char c = Raw[i];
    if (c != u'\\' || i + 1 >= Raw.size()) {
      result += c;
      continue;
    }
    switch (Raw[i + 1]) {
      case u'\\':
        result += u'\\';
        break;
      case u'r':
        result += u'\r';
        break;
      case u'n':
        result += u'\n';
        break;
      case u'L':
        result += u'\x2028';
        break;
      default:
        result += c;
        continue;  // not an escape: both characters stay
    }
    ++i;
  }
  return result;
}

// Names compare ignoring case, and only texts of equal length can match.
bool IsControl(Char C) { return C < 0x20 || (C >= 0x7F && C <= 0x9F); }

// The locale's comparison ignores control characters, so names that differ only in them would be
// one name: such characters must stand at the same places in both.
bool SameName(StringView A, StringView B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i)
    if ((IsControl(A[i]) || IsControl(B[i])) && A[i] != B[i]) return false;
  return zcCompareStringsBuf(A.data(), B.data(), static_cast<Integer>(A.size()), static_cast<Integer>(B.size()),
                             true) == 0;
}

Cardinal NameHash(StringView Name) { return ElfHash(Name, true); }

TObject* HashTag(Cardinal Hash) { return reinterpret_cast<TObject*>(static_cast<uintptr_t>(Hash)); }
Cardinal TagHash(TObject* Tag) { return static_cast<Cardinal>(reinterpret_cast<uintptr_t>(Tag)); }

void CheckKey(const String& Key) {
  if (HasBreak(Key) || Key.find(u'=') != String::npos || StringView(Key).starts_with(u"["))
    throw EZCLIniFileError(u"Invalid INI key name \"%s\"", {zcEncodeLineBreaks(Key)});
}

void CheckSectionName(const String& Name) {
  if (HasBreak(Name)) throw EZCLIniFileError(u"Invalid INI section name \"%s\"", {zcEncodeLineBreaks(Name)});
}

// Text of lines in the encoding when it holds every character; UTF-8 otherwise, so that saving
// never loses characters.
TEncoding* EncodingFor(TEncoding* Encoding, const String& Text) {
  if (Encoding == nullptr || zcIsUTF16LE(Encoding)) return Encoding;
  const Integer codePage = Encoding->GetCodePage();
  if (codePage == CP_UTF8 || codePage == CP_UTF16BE) return Encoding;
  if (Encoding->GetString(Encoding->GetBytes(Text)) == Text) return Encoding;
  return TEncoding::GetUTF8();
}

template <class TWork>
void Locked(TZCLIniFile& File, TWork&& Work) {
  File.BeginUpdate();
  try {
    Work();
  } catch (...) {
    File.EndUpdate();
    throw;
  }
  File.EndUpdate();
}

}  // namespace

// ---- TZCLIniFileSection ---------------------------------------------------------------------------------

TZCLIniFileSection::TZCLIniFileSection(const String& AName) : FName(AName) {}

void TZCLIniFileSection::Changed() {
  if (FUpdateCount == 0 && OnChanged) OnChanged(this);
}

void TZCLIniFileSection::BeginUpdate() { ++FUpdateCount; }

void TZCLIniFileSection::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) Changed();
}

void TZCLIniFileSection::SetString(Integer Index, const String& Text) {
  if (InRange(Index)) ItemRef(Index).Object = nullptr;
  inherited::SetString(Index, Text);
}

Cardinal TZCLIniFileSection::GetNameHash() {
  if (FNameHash == 0) FNameHash = NameHash(FName);
  return FNameHash;
}

void TZCLIniFileSection::SetName(const String& Value) {
  if (Value == FName) return;
  CheckSectionName(Value);
  FName = Value;
  FNameHash = 0;
  Changed();
}

Cardinal TZCLIniFileSection::LineHash(Integer Index) {
  TZCLStringListItem& item = ItemRef(Index);
  Cardinal hash = TagHash(item.Object);
  if (hash == 0) {
    const size_t eq = item.Text.find(u'=');
    hash = NameHash(eq == String::npos ? StringView() : StringView(item.Text).substr(0, eq));
    item.Object = HashTag(hash);
  }
  return hash;
}

bool TZCLIniFileSection::FindKey(const String& Key, Integer& Index) {
  Index = -1;
  if (FCount == 0) return false;
  const Cardinal hash = NameHash(Key);
  for (Integer i = 0; i < FCount; ++i) {
    if (LineHash(i) != hash) continue;
    const String& text = ItemAt(i).Text;
    const size_t eq = text.find(u'=');
    if (SameName(eq == String::npos ? StringView() : StringView(text).substr(0, eq), Key)) {
      Index = i;
      return true;
    }
  }
  return false;
}

bool TZCLIniFileSection::ExistsKey(const String& Key) {
  Integer index;
  return FindKey(Key, index);
}

bool TZCLIniFileSection::DeleteKey(const String& Key) {
  Integer index;
  if (!FindKey(Key, index)) return false;
  Delete(index);
  return true;
}

bool TZCLIniFileSection::ReadValue(const String& Key, String& Value) {
  Integer index;
  if (!FindKey(Key, index)) {
    Value.clear();
    return false;
  }
  Value = DecodeValue(GetValueFromIndex(index));
  return true;
}

String TZCLIniFileSection::ReadString(const String& Key, const String& Default) {
  String value;
  return ReadValue(Key, value) ? value : Default;
}

bool TZCLIniFileSection::ReadBool(const String& Key, bool Default) {
  String text;
  Integer value;
  return ReadValue(Key, text) && TryStrToInt(text, value) ? value != 0 : Default;
}

Integer TZCLIniFileSection::ReadInteger(const String& Key, Integer Default) {
  String text;
  Integer value;
  return ReadValue(Key, text) && TryStrToInt(text, value) ? value : Default;
}

Int64 TZCLIniFileSection::ReadInt64(const String& Key, Int64 Default) {
  String text;
  Int64 value;
  return ReadValue(Key, text) && TryStrToInt64(text, value) ? value : Default;
}

Double TZCLIniFileSection::ReadFloat(const String& Key, Double Default) {
  String text;
  if (!ReadValue(Key, text)) return Default;
  try {
    Extended value;
    if (TryStrToFloat(text, value, InvariantFormatSettings()) || TryStrToFloat(text, value))
      return static_cast<Double>(value);
  } catch (...) {
  }
  return Default;
}

TRect TZCLIniFileSection::ReadRectDef(const String& Key, const TRect& Default) {
  String text;
  return ReadValue(Key, text) ? zcStringToRect(text) : Default;
}

TPoint TZCLIniFileSection::ReadPoint(const String& Key) {
  String text;
  return ReadValue(Key, text) ? zcStringToPoint(text) : TPoint();
}

TColor TZCLIniFileSection::ReadColor(const String& Key, TColor Default) {
  String text;
  if (!ReadValue(Key, text) || text.empty()) return Default;
  Integer parts[3] = {0, 0, 0};
  const Integer count = zcExplodeStringAsIntegerArray(text, u',', parts, 3);
  if (count <= 0) return Default;
  if (count == 1) return parts[0];
  return (parts[0] & 0xFF) | ((parts[1] & 0xFF) << 8) | ((parts[2] & 0xFF) << 16);
}

bool TZCLIniFileSection::ReadFont(const String& Key, TFont* Font) {
  String text;
  if (!ReadValue(Key, text)) return false;
  if (Font == nullptr) return true;
  String name;
  Integer color = 0, height = 0, style = 0;
  zcStringToFont(text, name, color, height, style);
  TFontStyles styles;
  if (style & zcFontStyleItalic) styles.Include(fsItalic);
  if (style & zcFontStyleBold) styles.Include(fsBold);
  if (style & zcFontStyleUnderline) styles.Include(fsUnderline);
  if (style & zcFontStyleStrikeOut) styles.Include(fsStrikeOut);
  Font->SetName(name);
  Font->SetColor(color);
  Font->SetHeight(height);
  Font->SetStyle(styles);
  return true;
}

bool TZCLIniFileSection::ReadStream(const String& Key, TStream* Stream) {
  String text;
  if (Stream == nullptr || !ReadValue(Key, text)) return false;
  if (!TZCLHexcode::Decode(text, Stream)) return false;
  Stream->SetPosition(0);
  return true;
}

void TZCLIniFileSection::WriteString(const String& Key, const String& Value) {
  CheckKey(Key);
  const String line = Key + u'=' + EncodeValue(Value);
  const Cardinal hash = NameHash(Key);
  Integer index;
  if (FindKey(Key, index)) {
    TZCLStringListItem& item = ItemRef(index);
    item.Text = line;
    item.Object = HashTag(hash);
    Changed();
  } else {
    Add(line, HashTag(hash));
  }
}

// The typed *Def writers go through WriteStringDef: their text forms are equal exactly when the
// values are.
void TZCLIniFileSection::WriteBool(const String& Key, bool Value) { WriteString(Key, BoolText(Value)); }

void TZCLIniFileSection::WriteBoolDef(const String& Key, bool Value, bool Default) {
  WriteStringDef(Key, BoolText(Value), BoolText(Default));
}

void TZCLIniFileSection::WriteInteger(const String& Key, Integer Value) { WriteString(Key, IntToStr(Value)); }

void TZCLIniFileSection::WriteIntegerDef(const String& Key, Integer Value, Integer Default) {
  WriteStringDef(Key, IntToStr(Value), IntToStr(Default));
}

void TZCLIniFileSection::WriteInt64(const String& Key, Int64 Value) { WriteString(Key, IntToStr(Value)); }

void TZCLIniFileSection::WriteInt64Def(const String& Key, Int64 Value, Int64 Default) {
  WriteStringDef(Key, IntToStr(Value), IntToStr(Default));
}

void TZCLIniFileSection::WriteFloat(const String& Key, Double Value) {
  WriteString(Key, FloatToStr(Value, InvariantFormatSettings()));
}

void TZCLIniFileSection::WriteRect(const String& Key, const TRect& Value) {
  WriteString(Key, Format(u"%d,%d,%d,%d", {Value.Left, Value.Top, Value.Right, Value.Bottom}));
}

void TZCLIniFileSection::WritePoint(const String& Key, const TPoint& Value) {
  WriteString(Key, Format(u"%d,%d", {Value.X, Value.Y}));
}

void TZCLIniFileSection::WriteStream(const String& Key, TStream* Stream) {
  WriteStringDef(Key, Stream != nullptr ? TZCLHexcode::EncodeStream(Stream) : String(), String());
}

void TZCLIniFileSection::WriteStringDef(const String& Key, const String& Value, const String& Default) {
  if (Value == Default)
    DeleteKey(Key);
  else
    WriteString(Key, Value);
}

// ---- TZCLIniFile -------------------------------------------------------------------------------------------

TZCLIniFile::TZCLIniFile(const String& AFileName, bool AAutoSave)
    : FAutoSave(AAutoSave),
      FEncoding(TEncoding::GetUnicode()),
      FFileName(AFileName),
      FSections(new TZCLObjectListOf<TZCLIniFileSection>(true)) {}

TZCLIniFile::~TZCLIniFile() {
  FLastSection = nullptr;
  delete FSections;
}

TZCLIniFile* TZCLIniFile::CreateInMemory() { return Create<TZCLIniFile>(String(), false); }

void TZCLIniFile::AfterConstruction() {
  inherited::AfterConstruction();
  if (!FFileName.empty()) LoadFromFile(FFileName);
}

void TZCLIniFile::BeforeDestruction() {
  // Destruction never raises; a failed save keeps the file on disk as it was.
  if (FAutoSave) {
    try {
      UpdateFile();
    } catch (...) {
    }
  }
  inherited::BeforeDestruction();
}

void TZCLIniFile::Changed() {
  FModified = true;
  if (FUpdateCount == 0 && OnChanged) OnChanged(this);
}

void TZCLIniFile::BeginUpdate() { ++FUpdateCount; }

void TZCLIniFile::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) Changed();
}

void TZCLIniFile::SectionChanged(TZCLIniFileSection*) { Changed(); }

void TZCLIniFile::Clear() {
  Locked(*this, [&] {
    FLastSection = nullptr;
    FSections->Clear();
    Changed();
  });
}

void TZCLIniFile::LoadFromFile(const String& AFileName) {
  Locked(*this, [&] {
    Clear();
    TStream* stream = nullptr;
    if (!StreamCreateFileReader(AFileName, stream)) return;
    std::unique_ptr<TStream> owner(stream);
    LoadFromStream(stream);
  });
  FModified = false;
}

void TZCLIniFile::LoadFromStream(TStream* Stream) {
  TEncoding* used = nullptr;
  const String text = zcStreamReadText(Stream, nullptr, used);
  if (used != nullptr) FEncoding = used;
  LoadFromText(text);
}

void TZCLIniFile::LoadFromResource(const void* Instance, StringView Name, StringView Type) {
  TResourceStream stream(Instance, Name, Type);
  LoadFromStream(&stream);
}

void TZCLIniFile::LoadFromString(const Char* Text, Integer Length) {
  Locked(*this, [&] {
    Clear();
    TZCLIniFileSection* current = nullptr;
    // Empty lines are ignored, so any run of break characters acts as one break.
    auto takeLine = [&](const Char* Start, Integer Count) {
      if (Count <= 0) return;
      if (Start[0] == u'[') {
        current = GetSection(Count >= 2 ? String(Start + 1, static_cast<size_t>(Count - 2)) : String(), true);
      } else if (current != nullptr) {
        current->Add(String(Start, static_cast<size_t>(Count)));
      }
    };
    Integer start = 0;
    for (Integer i = 0; i < Length; ++i) {
      if (!IsBreak(Text[i])) continue;
      takeLine(Text + start, i - start);
      start = i + 1;
    }
    if (Text != nullptr) takeLine(Text + start, Length - start);
  });
}

void TZCLIniFile::SaveToStream(TStream* Stream, TEncoding* AEncoding) {
  String text;
  for (Integer i = 0; i < FSections->GetCount(); ++i) {
    TZCLIniFileSection* section = FSections->GetItem(i);
    if (section->GetCount() == 0) continue;
    text += u'[';
    text += section->GetName();
    text += u"]\r\n";
    text += section->GetText();
    text += u"\r\n";
  }
  zcStreamWriteText(Stream, text, EncodingFor(AEncoding, text), true);
}

bool TZCLIniFile::SaveToFile(const String& AFileName, TEncoding* AEncoding) {
  zcFileSetAttr(AFileName, 0);
  TStream* stream = nullptr;
  if (!StreamCreateFileWriter(AFileName, stream)) return false;
  std::unique_ptr<TStream> owner(stream);
  SaveToStream(stream, AEncoding);
  owner.reset();  // writes back; a failure raises here
  return true;
}

bool TZCLIniFile::UpdateFile() {
  if (FFileName.empty()) return false;
  if (!FModified) return true;
  if (!SaveToFile(FFileName, FEncoding)) return false;
  FModified = false;
  return true;
}

void TZCLIniFile::SetFileName(const String& Value) {
  // File names differ by case on this system, so the comparison keeps case.
  if (Value == FFileName) return;
  FFileName = Value;
  Changed();
}

TZCLIniFileSection* TZCLIniFile::GetSection(const String& Name, bool MayCreate) {
  const Integer count = FSections->GetCount();
  if (count > 0) {
    if (FLastSection != nullptr && SameName(FLastSection->GetName(), Name)) return FLastSection;
    const Cardinal hash = NameHash(Name);
    for (Integer i = 0; i < count; ++i) {
      TZCLIniFileSection* section = FSections->GetItem(i);
      if (section->GetNameHash() == hash && SameName(section->GetName(), Name)) {
        FLastSection = section;
        return section;
      }
    }
  }
  if (!MayCreate) return nullptr;
  CheckSectionName(Name);
  auto* section = Create<TZCLIniFileSection>(Name);
  section->OnChanged = {this, &TZCLIniFile::SectionChanged};
  FSections->Add(section);
  return section;
}

String TZCLIniFile::GetSectionName(Integer Index) const {
  TZCLIniFileSection* section = GetSectionByIndex(Index);
  return section != nullptr ? section->GetName() : String();
}

TZCLIniFileSection* TZCLIniFile::GetSectionByIndex(Integer Index) const {
  return Index >= 0 && Index < FSections->GetCount() ? FSections->GetItem(Index) : nullptr;
}

bool TZCLIniFile::ExistsSection(const String& Section) { return FindSection(Section) != nullptr; }

bool TZCLIniFile::ExistsKey(const String& Section, const String& Key) {
  TZCLIniFileSection* section = FindSection(Section);
  return section != nullptr && section->ExistsKey(Key);
}

bool TZCLIniFile::FindValue(const String& Section, const String& Key, TZCLIniFileSection*& Sec, Integer& Index) {
  Sec = FindSection(Section);
  Index = -1;
  return Sec != nullptr && Sec->FindKey(Key, Index);
}

bool TZCLIniFile::ReadValue(const String& Section, const String& Key, String& Value) {
  TZCLIniFileSection* section = FindSection(Section);
  if (section == nullptr) {
    Value.clear();
    return false;
  }
  return section->ReadValue(Key, Value);
}

String TZCLIniFile::ReadString(const String& Section, const String& Key, const String& Default) {
  String value;
  return ReadValue(Section, Key, value) ? value : Default;
}

bool TZCLIniFile::ReadBool(const String& Section, const String& Key, bool Default) {
  TZCLIniFileSection* section = FindSection(Section);
  return section != nullptr ? section->ReadBool(Key, Default) : Default;
}

Integer TZCLIniFile::ReadInteger(const String& Section, const String& Key, Integer Default) {
  TZCLIniFileSection* section = FindSection(Section);
  return section != nullptr ? section->ReadInteger(Key, Default) : Default;
}

TColor TZCLIniFile::ReadColor(const String& Section, const String& Key, TColor Default) {
  TZCLIniFileSection* section = FindSection(Section);
  return section != nullptr ? section->ReadColor(Key, Default) : Default;
}

TRect TZCLIniFile::ReadRectDef(const String& Section, const String& Key, const TRect& Default) {
  TZCLIniFileSection* section = FindSection(Section);
  return section != nullptr ? section->ReadRectDef(Key, Default) : Default;
}

TPoint TZCLIniFile::ReadPoint(const String& Section, const String& Key) {
  TZCLIniFileSection* section = FindSection(Section);
  return section != nullptr ? section->ReadPoint(Key) : TPoint();
}

bool TZCLIniFile::ReadFont(const String& Section, const String& Key, TFont* Font) {
  TZCLIniFileSection* section = FindSection(Section);
  return section != nullptr && section->ReadFont(Key, Font);
}

bool TZCLIniFile::ReadStream(const String& Section, const String& Key, TStream* Stream) {
  TZCLIniFileSection* section = FindSection(Section);
  return section != nullptr && section->ReadStream(Key, Stream);
}

bool TZCLIniFile::ReadStreamProc(const String& Section, const String& Key, const TProc<TStream*>& Proc) {
  try {
    TMemoryStream stream;
    if (!ReadStream(Section, Key, &stream) || stream.GetSize() == 0) return false;
    stream.SetPosition(0);
    if (Proc) Proc(&stream);
    return true;
  } catch (...) {
    return false;
  }
}

void TZCLIniFile::ReadKeys(const String& Section, TZCLStringList* List) {
  TZCLIniFileSection* section = FindSection(Section);
  if (section == nullptr || List == nullptr) return;
  List->EnsureCapacity(section->GetCount());
  for (Integer i = 0; i < section->GetCount(); ++i) {
    const String name = section->GetNames(i);
    if (!name.empty()) List->Add(name);
  }
}

void TZCLIniFile::EnumKeys(const String& Section, const TProc<const String&>& Proc) {
  TZCLIniFileSection* section = FindSection(Section);
  if (section == nullptr || !Proc) return;
  for (Integer i = 0; i < section->GetCount(); ++i) {
    const String name = section->GetNames(i);
    if (!name.empty()) Proc(name);
  }
}

String TZCLIniFile::ReadSection(const String& Section) {
  TZCLIniFileSection* section = FindSection(Section);
  return section != nullptr ? section->GetText() : String();
}

void TZCLIniFile::WriteString(const String& Section, const String& Key, const String& Value) {
  Locked(*this, [&] { GetSection(Section, true)->WriteString(Key, Value); });
}

void TZCLIniFile::WriteBool(const String& Section, const String& Key, bool Value) {
  WriteString(Section, Key, BoolText(Value));
}

void TZCLIniFile::WriteInteger(const String& Section, const String& Key, Integer Value) {
  WriteString(Section, Key, IntToStr(Value));
}

void TZCLIniFile::WriteRect(const String& Section, const String& Key, const TRect& Value) {
  WriteString(Section, Key, Format(u"%d,%d,%d,%d", {Value.Left, Value.Top, Value.Right, Value.Bottom}));
}

void TZCLIniFile::WritePoint(const String& Section, const String& Key, const TPoint& Value) {
  WriteString(Section, Key, Format(u"%d,%d", {Value.X, Value.Y}));
}

void TZCLIniFile::WriteStream(const String& Section, const String& Key, TStream* Stream) {
  Locked(*this, [&] { GetSection(Section, true)->WriteStream(Key, Stream); });
}

void TZCLIniFile::WriteBoolDef(const String& Section, const String& Key, bool Value, bool Default) {
  WriteStringDef(Section, Key, BoolText(Value), BoolText(Default));
}

void TZCLIniFile::WriteIntegerDef(const String& Section, const String& Key, Integer Value, Integer Default) {
  WriteStringDef(Section, Key, IntToStr(Value), IntToStr(Default));
}

void TZCLIniFile::WriteStringDef(const String& Section, const String& Key, const String& Value, const String& Default) {
  if (Value == Default)
    DeleteKey(Section, Key);
  else
    WriteString(Section, Key, Value);
}

void TZCLIniFile::WriteSection(const String& Section, const String& Text) {
  // A line starting with "[" would read back as a header of another section.
  TZCLStringList lines(Text, true);
  for (Integer i = 0; i < lines.GetCount(); ++i)
    if (StringView(lines.GetStrings(i)).starts_with(u"["))
      throw EZCLIniFileError(u"Invalid INI line \"%s\"", {lines.GetStrings(i)});
  GetSection(Section, true)->SetText(Text);
}

bool TZCLIniFile::DeleteKey(const String& Section, const String& Key) {
  TZCLIniFileSection* section = FindSection(Section);
  return section != nullptr && section->DeleteKey(Key);
}

bool TZCLIniFile::DeleteSection(const String& Section) {
  TZCLIniFileSection* section = FindSection(Section);
  if (section == nullptr) return false;
  if (FLastSection == section) FLastSection = nullptr;
  FSections->Remove(section);
  Changed();
  return true;
}

void TZCLIniFile::RenameKey(const String& Section, const String& Key, const String& NewKey) {
  MoveKey(Section, Key, Section, NewKey);
}

void TZCLIniFile::MoveKey(const String& Section, const String& Key, const String& NewSection, const String& NewKey) {
  TZCLIniFileSection* section;
  Integer index;
  if (!FindValue(Section, Key, section, index)) return;
  CheckKey(NewKey);
  Locked(*this, [&] {
    String value;
    section->ReadValue(Key, value);
    section->Delete(index);
    WriteString(NewSection, NewKey, value);
  });
}

void TZCLIniFile::RenameSection(const String& Section, const String& NewName) {
  TZCLIniFileSection* section = FindSection(Section);
  if (section != nullptr) section->SetName(NewName);
}

void TZCLIniFile::Merge(TZCLIniFile* Source, bool Overwrite) {
  if (Source == nullptr || Source == this) return;
  Locked(*this, [&] {
    for (Integer i = 0; i < Source->GetSectionCount(); ++i) {
      const String name = Source->GetSectionName(i);
      if (!ExistsSection(name)) {
        WriteSection(name, Source->ReadSection(name));
        continue;
      }
      TZCLStringList keys;
      Source->ReadKeys(name, &keys);
      for (Integer k = 0; k < keys.GetCount(); ++k) {
        const String key = keys.GetStrings(k);
        if (!Overwrite && ExistsKey(name, key)) continue;
        WriteString(name, key, Source->ReadString(name, key, String()));
      }
    }
  });
}

void TZCLIniFile::MergeFile(const String& AFileName, bool Overwrite) {
  TZCLIniFile* source = Create<TZCLIniFile>(AFileName, false);
  try {
    Merge(source, Overwrite);
  } catch (...) {
    Free(source);
    throw;
  }
  Free(source);
}

void TZCLIniFile::Assign(TZCLIniFile* Source) {
  Locked(*this, [&] {
    Clear();
    if (Source == nullptr || Source == this) return;
    TMemoryStream stream;
    Source->SaveToStream(&stream, nullptr);
    stream.SetPosition(0);
    LoadFromStream(&stream);
  });
}

bool TZCLIniFile::Equals(const TObject* Obj) const {
  const auto* other = dynamic_cast<const TZCLIniFile*>(Obj);
  if (other == nullptr) return false;
  if (other == this) return true;
  TMemoryStream mine, theirs;
  const_cast<TZCLIniFile*>(this)->SaveToStream(&mine, nullptr);
  const_cast<TZCLIniFile*>(other)->SaveToStream(&theirs, nullptr);
  return mine.GetSize() == theirs.GetSize() &&
         std::memcmp(mine.GetMemory(), theirs.GetMemory(), static_cast<size_t>(mine.GetSize())) == 0;
}

// ---- TZCLSyncSafeIniFile ------------------------------------------------------------------------------------

void TZCLSyncSafeIniFile::AfterConstruction() {
  try {
    inherited::AfterConstruction();
  } catch (...) {
    Clear();
  }
  if (IsEmpty() && !GetFileName().empty() && zcFileExists(GetBackupFileName())) {
    LoadFromFile(GetBackupFileName());
    // The main file is missing or empty: the next save writes it again.
    if (!IsEmpty()) SetModified(true);
  }
}

bool TZCLSyncSafeIniFile::UpdateFile() {
  if (!GetModified()) return true;
  if (GetFileName().empty()) return false;
  const String newFile = GetFileName() + u".new";
  if (!SaveToFile(newFile, GetEncoding())) return false;
  // An empty main file is no backup worth keeping: the backup on disk stays the last good one.
  if (zcFileExists(GetFileName()) && zcFileSize(GetFileName()) == 0) zcDeleteFile(GetFileName());
  if (!zcReplaceFile(newFile, GetFileName(), GetBackupFileName())) return false;
  SetModified(false);
  return true;
}

// ---- code pages ----------------------------------------------------------------------------------------------

namespace {
// Guards building and freeing the list, so that concurrent first calls build it once.
std::mutex& CodePagesLock() {
  static std::mutex lock;
  return lock;
}

constexpr size_t MaxCodePageName = 260;

// The item object holds the code page number, not an object.
TObject* CodePageTag(Integer CodePage) { return reinterpret_cast<TObject*>(static_cast<intptr_t>(CodePage)); }
Integer CodePageOfTag(TObject* Tag) { return static_cast<Integer>(reinterpret_cast<intptr_t>(Tag)); }
}  // namespace

// Linux: the installed code pages are the run-time library's ICU converters that map to a system
// code page number; their names are "<number> (<description>)".
const TZCLStringList& TZCLEncodings::CodePages() {
  std::lock_guard<std::mutex> guard(CodePagesLock());
  if (FCodePages == nullptr) {
    auto list = std::make_unique<TZCLStringList>();
    for (Integer codePage : GetInstalledCodePages()) {
      TCodePageInfo info;
      if (codePage <= 0 || !GetCodePageInfo(codePage, info)) continue;
      list->AddObject(info.CodePageName.substr(0, MaxCodePageName), CodePageTag(codePage));
    }
    list->SortLogical();
    list->Insert(0, u"Default", CodePageTag(0));
    FCodePages = list.release();
  }
  return *FCodePages;
}

void TZCLEncodings::EnumCodePages(const TZCLEnumCodePagesProc& Proc) {
  const TZCLStringList& list = CodePages();
  for (Integer i = 0; i < list.GetCount(); ++i) Proc(CodePageOfTag(list.GetObjects(i)), list.GetStrings(i));
}

void TZCLEncodings::FreeCodePages() {
  std::lock_guard<std::mutex> guard(CodePagesLock());
  delete FCodePages;
  FCodePages = nullptr;
}
