#include "zeph/core/ZEPH.Core.Objects.h"

#include "rtl/RTL.FormatSettings.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.Hashes.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zeph/core/ZEPH.Core.Adapters.h"
#include "zeph/core/ZEPH.Core.h"
#include "zeph/core/ZEPH.Core.Messages.h"

namespace {
// Characters that end a word for whole-word searches and capitalization.
bool IsWordDelimiter(Char C) {
  static const StringView delimiters = u"%=:+-\\/*;,|(){}<>[].@#$^&?!\"' \r\n\t\u00AB\u00BB\u201C\u201D\u201E_";
  return C == 0 || delimiters.find(C) != StringView::npos;
}

// A buffer handed in by a plugin: Count characters when they can be read, else empty text.
String BufferText(const Char* Chars, Integer Count) {
  if (!Chars) return String();
  if (Count < 0) return String(Chars);
  if (Count == 0 || !zcIsMemoryReadable(Chars, static_cast<size_t>(Count) * sizeof(Char))) return String();
  return String(Chars, static_cast<size_t>(Count));
}

String ObjectText(IInterface* Intf) {
  String text;
  TryPluginStringToStr(Intf, text);
  return text;
}

IPtr<IZEPHString> NewString(const String& Text) { return IPtr<IZEPHString>(Create<TZEPHStringAdapter>(Text)); }

String CapitalizeWords(const String& Text) {
  String result = AnsiLowerCase(Text);
  bool start = true;
  for (Char& c : result) {
    if (IsWordDelimiter(c)) {
      start = true;
    } else if (start) {
      c = ToUpper(c);
      start = false;
    }
  }
  return result;
}

String SentenceCase(const String& Text) {
  String result = AnsiLowerCase(Text);
  for (Char& c : result) {
    const String upper = AnsiUpperCase(StringView(&c, 1));
    if (upper.size() == 1 && upper[0] != c) {
      c = upper[0];
      break;
    }
  }
  return result;
}
}  // namespace

// ---- string --------------------------------------------------------------------------------------

template <class F>
HRESULT TZEPHStringAdapter::Locked(F&& Body) {
  try {
    TZCLLockGuard guard(FLock);
    return Body();
  } catch (...) {
    return E_UNEXPECTED;
  }
}

void TZEPHStringAdapter::SetString(const String& Value) {
  TZCLLockGuard guard(FLock);
  FText = Value;
  FHash = 0;
}

HRESULT TZEPHStringAdapter::GetChar(Integer Index, Char& C) {
  return Locked([&] {
    if (Index < 0 || Index >= GetLength()) return E_INVALIDARG;
    C = FText[static_cast<size_t>(Index)];
    return S_OK;
  });
}

Integer TZEPHStringAdapter::GetHashCode() {
  TZCLLockGuard guard(FLock);
  if (FHash == 0) {
    const std::string utf8 = StringToUTF8(FText);
    FHash = TZCLHashBobJenkins::HashLittle(utf8.data(), utf8.size(), 0);
  }
  return static_cast<Integer>(FHash);
}

void TZEPHStringAdapter::Recalculate() {
  TZCLLockGuard guard(FLock);
  FHash = 0;
}

HRESULT TZEPHStringAdapter::SetChar(Integer Index, Char C) {
  return Locked([&] {
    if (Index < 0 || Index >= GetLength()) return E_INVALIDARG;
    FText[static_cast<size_t>(Index)] = C;
    FHash = 0;
    return S_OK;
  });
}

HRESULT TZEPHStringAdapter::SetData(const Char* Chars, Integer Count) {
  return Locked([&] {
    FText = BufferText(Chars, Count);
    FHash = 0;
    return S_OK;
  });
}

HRESULT TZEPHStringAdapter::Append(IZEPHString* S) {
  const String text = ObjectText(S);
  return Locked([&] {
    FText += text;
    FHash = 0;
    return S_OK;
  });
}

HRESULT TZEPHStringAdapter::AppendChars(const Char* Chars, Integer Count) {
  return Locked([&] {
    FText += BufferText(Chars, Count);
    FHash = 0;
    return S_OK;
  });
}

HRESULT TZEPHStringAdapter::ChangeCase(Integer Mode) {
  return Locked([&] {
    switch (Mode) {
      case 1: FText = AnsiLowerCase(FText); break;
      case 2: FText = AnsiUpperCase(FText); break;
      case 3: FText = CapitalizeWords(FText); break;
      case 4: FText = SentenceCase(FText); break;
      default: return E_INVALIDARG;
    }
    FHash = 0;
    return S_OK;
  });
}

HRESULT TZEPHStringAdapter::Clone(IPtr<IZEPHString>& S) {
  try {
    S = NewString(FText);
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

namespace {
Integer CompareTexts(const String& A, const String& B, LongBool IgnoreCase) {
  const Integer r = IgnoreCase ? AnsiCompareText(A, B) : AnsiCompareStr(A, B);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}
}  // namespace

HRESULT TZEPHStringAdapter::Compare(IZEPHString* S, Integer& Result, LongBool IgnoreCase) {
  const String other = ObjectText(S);
  return Locked([&] {
    Result = CompareTexts(FText, other, IgnoreCase);
    return S_OK;
  });
}

HRESULT TZEPHStringAdapter::CompareChars(const Char* Chars, Integer Count, Integer& Result, LongBool IgnoreCase) {
  // The buffer is tested like every other one: an unreadable buffer compares as empty text.
  const String other = BufferText(Chars, Count);
  return Locked([&] {
    Result = CompareTexts(FText, other, IgnoreCase);
    return S_OK;
  });
}

HRESULT TZEPHStringAdapter::Delete(Integer Index, Integer Count) {
  return Locked([&] {
    if (Index < 0 || Count < 0) return E_INVALIDARG;
    if (Index < GetLength()) FText.erase(static_cast<size_t>(Index), static_cast<size_t>(Count));
    FHash = 0;
    return S_OK;
  });
}

Integer TZEPHStringAdapter::FindText(const String& Text, const String& Pattern, Integer Flags, Integer Start) {
  if (Pattern.empty() || Start < 0) return -1;
  String text = Text, pattern = Pattern;
  if (Flags & ZEPH_FIND_IGNORE_CASE) {
    // Character by character: a mapping that changes the length ("ß" to "SS") would move every
    // position found after it away from the text the caller holds.
    for (Char& c : text) c = ToUpper(c);
    for (Char& c : pattern) c = ToUpper(c);
  }
  size_t pos = static_cast<size_t>(Start);
  while (pos <= text.size()) {
    pos = text.find(pattern, pos);
    if (pos == String::npos) return -1;
    if (!(Flags & ZEPH_FIND_WHOLE_WORDS)) return static_cast<Integer>(pos);
    const size_t end = pos + pattern.size();
    const bool before = pos == 0 || IsWordDelimiter(text[pos - 1]);
    const bool after = end >= text.size() || IsWordDelimiter(text[end]);
    if (before && after) return static_cast<Integer>(pos);
    pos = end;
  }
  return -1;
}

String TZEPHStringAdapter::ReplaceText(const String& Text, const String& Old, const String& New, Integer Flags) {
  if (Old.empty()) return Text;
  String result;
  Integer from = 0;
  for (;;) {
    const Integer found = FindText(Text, Old, Flags, from);
    if (found < 0) break;
    result.append(Text, static_cast<size_t>(from), static_cast<size_t>(found - from));
    result += New;
    from = found + static_cast<Integer>(Old.size());
  }
  result.append(Text, static_cast<size_t>(from), String::npos);
  return result;
}

HRESULT TZEPHStringAdapter::Find(IZEPHString* S, Integer& Index, Integer Flags, Integer StartFromIndex) {
  const String pattern = ObjectText(S);
  return Locked([&] {
    Index = FindText(FText, pattern, Flags, StartFromIndex);
    return S_OK;
  });
}

HRESULT TZEPHStringAdapter::FindChars(const Char* Chars, Integer Count, Integer& Index, Integer Flags,
                                      Integer StartFromIndex) {
  const String pattern = BufferText(Chars, Count);
  return Locked([&] {
    Index = FindText(FText, pattern, Flags, StartFromIndex);
    return S_OK;
  });
}

HRESULT TZEPHStringAdapter::Insert(Integer Index, IZEPHString* S) {
  const String text = ObjectText(S);
  return Locked([&] {
    if (Index < 0) return E_INVALIDARG;
    FText.insert(std::min(static_cast<size_t>(Index), FText.size()), text);
    FHash = 0;
    return S_OK;
  });
}

HRESULT TZEPHStringAdapter::InsertChars(Integer Index, const Char* Chars, Integer Count) {
  const String text = BufferText(Chars, Count);
  return Locked([&] {
    if (Index < 0) return E_INVALIDARG;
    FText.insert(std::min(static_cast<size_t>(Index), FText.size()), text);
    FHash = 0;
    return S_OK;
  });
}

HRESULT TZEPHStringAdapter::Replace(IZEPHString* OldPattern, IZEPHString* NewPattern, Integer Flags) {
  const String oldText = ObjectText(OldPattern), newText = ObjectText(NewPattern);
  return Locked([&] {
    FText = ReplaceText(FText, oldText, newText, Flags);
    FHash = 0;
    return S_OK;
  });
}

HRESULT TZEPHStringAdapter::ReplaceChars(const Char* OldChars, Integer OldCount, const Char* NewChars,
                                         Integer NewCount, Integer Flags) {
  const String oldText = BufferText(OldChars, OldCount), newText = BufferText(NewChars, NewCount);
  return Locked([&] {
    FText = ReplaceText(FText, oldText, newText, Flags);
    FHash = 0;
    return S_OK;
  });
}

HRESULT TZEPHStringAdapter::SubString(Integer Index, Integer Count, IPtr<IZEPHString>& S) {
  return Locked([&] {
    if (Index < 0 || Count < 0) return E_INVALIDARG;
    S = NewString(static_cast<size_t>(Index) < FText.size()
                      ? FText.substr(static_cast<size_t>(Index), static_cast<size_t>(Count))
                      : String());
    return S_OK;
  });
}

// ---- object list ---------------------------------------------------------------------------------

TZEPHObjectListAdapter::TZEPHObjectListAdapter(Integer Capacity) : FLock(this, u"ObjectList.Lock") {
  if (Capacity > 0) FItems.reserve(static_cast<size_t>(Capacity));
}

template <class F>
HRESULT TZEPHObjectListAdapter::Locked(F&& Body) {
  try {
    TZCLLockGuard guard(FLock);
    return Body();
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHObjectListAdapter::Add(IInterface* Obj) {
  return Locked([&] {
    FItems.emplace_back(Obj);
    return S_OK;
  });
}

HRESULT TZEPHObjectListAdapter::Clear() {
  return Locked([&] {
    std::vector<IPtr<IInterface>>().swap(FItems);
    return S_OK;
  });
}

HRESULT TZEPHObjectListAdapter::Delete(Integer Index) {
  return Locked([&] {
    if (Index < 0 || Index >= GetCount()) return E_INVALIDARG;
    FItems.erase(FItems.begin() + Index);
    return S_OK;
  });
}

HRESULT TZEPHObjectListAdapter::Insert(Integer Index, IInterface* Obj) {
  return Locked([&] {
    if (Index < 0 || Index > GetCount()) return E_INVALIDARG;
    FItems.emplace(FItems.begin() + Index, Obj);
    return S_OK;
  });
}

Integer TZEPHObjectListAdapter::GetCount() { return static_cast<Integer>(FItems.size()); }

HRESULT TZEPHObjectListAdapter::GetObject(Integer Index, const TGUID& IID, void** Obj) {
  if (Obj) *Obj = nullptr;
  return Locked([&] {
    if (Index < 0 || Index >= GetCount()) return E_INVALIDARG;
    const IPtr<IInterface>& item = FItems[static_cast<size_t>(Index)];
    return item ? item->QueryInterface(IID, Obj) : E_NOINTERFACE;
  });
}

HRESULT TZEPHObjectListAdapter::SetObject(Integer Index, IInterface* Obj) {
  return Locked([&] {
    if (Index < 0 || Index >= GetCount()) return E_INVALIDARG;
    FItems[static_cast<size_t>(Index)] = IPtr<IInterface>(Obj);
    return S_OK;
  });
}

// ---- string list ---------------------------------------------------------------------------------

TZEPHStringListAdapter::TZEPHStringListAdapter(TZCLStringList* AList) : FList(AList) {}

TZEPHStringListAdapter* TZEPHStringListAdapter::CreateCopy(const TZCLStringList* AList) {
  auto* copy = new TZCLStringList();
  copy->Assign(const_cast<TZCLStringList*>(AList));
  return Create<TZEPHStringListAdapter>(copy);
}

TZEPHStringListAdapter::~TZEPHStringListAdapter() { Free(FList); }

HRESULT TZEPHStringListAdapter::Add(IInterface* Obj) {
  String text;
  HRESULT r = S_OK;
  if (!TryPluginStringToStrEx(Obj, text, r)) return r;
  FList->Add(text);
  return S_OK;
}

HRESULT TZEPHStringListAdapter::Clear() {
  FList->Clear();
  return S_OK;
}

HRESULT TZEPHStringListAdapter::Delete(Integer Index) {
  if (Index < 0 || Index >= FList->GetCount()) return E_INVALIDARG;
  FList->Delete(Index);
  return S_OK;
}

HRESULT TZEPHStringListAdapter::Insert(Integer Index, IInterface* Obj) {
  if (Index < 0 || Index > FList->GetCount()) return E_INVALIDARG;
  String text;
  HRESULT r = S_OK;
  if (!TryPluginStringToStrEx(Obj, text, r)) return r;
  FList->Insert(Index, text);
  return S_OK;
}

Integer TZEPHStringListAdapter::GetCount() { return FList->GetCount(); }

HRESULT TZEPHStringListAdapter::GetObject(Integer Index, const TGUID& IID, void** Obj) {
  if (Obj) *Obj = nullptr;
  if (Index < 0 || Index >= FList->GetCount()) return E_INVALIDARG;
  try {
    return MakePluginString(FList->GetStrings(Index))->QueryInterface(IID, Obj);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHStringListAdapter::SetObject(Integer Index, IInterface* Obj) {
  if (Index < 0 || Index >= FList->GetCount()) return E_INVALIDARG;
  String text;
  HRESULT r = S_OK;
  if (!TryPluginStringToStrEx(Obj, text, r)) return r;
  FList->SetStrings(Index, text);
  return S_OK;
}

// ---- configuration -------------------------------------------------------------------------------

bool TZEPHCustomConfigAdapter::SplitKeyPath(const String& Path, String& Section, String& Key, bool& HasKey) {
  const size_t slash = Path.find(u'\\');
  HasKey = slash != String::npos;
  Section = HasKey ? Path.substr(0, slash) : Path;
  Key = HasKey ? Path.substr(slash + 1) : String();
  return !Section.empty() && (!HasKey || !Key.empty());
}

TObject* TZEPHCustomConfigAdapter::GetObject() { return GetIniFile(); }

bool TZEPHCustomConfigAdapter::CheckAccess(HRESULT& Result) {
  Result = S_OK;
  return true;
}

HRESULT TZEPHCustomConfigAdapter::ReadText(IZEPHString* KeyPath, String& Text) {
  Text.clear();
  HRESULT r = S_OK;
  if (!CheckAccess(r)) return r;
  String section, key;
  bool hasKey = false;
  if (!SplitKeyPath(ObjectText(KeyPath), section, key, hasKey) || !hasKey) return E_INVALIDARG;
  return GetIniFile()->ReadValue(section, key, Text) ? S_OK : E_FAIL;
}

HRESULT TZEPHCustomConfigAdapter::WriteText(IZEPHString* KeyPath, const String& Text) {
  HRESULT r = S_OK;
  if (!CheckAccess(r)) return r;
  String section, key;
  bool hasKey = false;
  if (!SplitKeyPath(ObjectText(KeyPath), section, key, hasKey) || !hasKey) return E_INVALIDARG;
  GetIniFile()->WriteString(section, key, Text);
  return S_OK;
}

HRESULT TZEPHCustomConfigAdapter::Delete(IZEPHString* KeyPath) {
  try {
    HRESULT r = S_OK;
    if (!CheckAccess(r)) return r;
    String section, key;
    bool hasKey = false;
    if (!SplitKeyPath(ObjectText(KeyPath), section, key, hasKey)) return E_INVALIDARG;
    const bool existed = hasKey ? GetIniFile()->DeleteKey(section, key) : GetIniFile()->DeleteSection(section);
    return existed ? S_OK : E_FAIL;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHCustomConfigAdapter::GetValueAsFloat(IZEPHString* KeyPath, Double& Value) {
  try {
    String text;
    const HRESULT r = ReadText(KeyPath, text);
    if (r < 0) return r;
    // Text that is no number is a failure, as for integers, not a silent 0.
    Extended value = 0;
    if (!TryStrToFloat(text, value, TFormatSettings::Invariant())) return E_FAIL;
    Value = value;
    return r;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHCustomConfigAdapter::GetValueAsInt32(IZEPHString* KeyPath, Integer& Value) {
  try {
    String text;
    const HRESULT r = ReadText(KeyPath, text);
    if (r < 0) return r;
    return TryStrToInt(text, Value) ? r : E_FAIL;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHCustomConfigAdapter::GetValueAsInt64(IZEPHString* KeyPath, Int64& Value) {
  try {
    String text;
    const HRESULT r = ReadText(KeyPath, text);
    if (r < 0) return r;
    return TryStrToInt64(text, Value) ? r : E_FAIL;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHCustomConfigAdapter::GetValueAsStream(IZEPHString* KeyPath, IPtr<IZEPHStream>& Value) {
  Value = nullptr;
  TMemoryStream* stream = nullptr;
  try {
    String text;
    const HRESULT r = ReadText(KeyPath, text);
    if (r < 0) return r;
    stream = new TMemoryStream();
    if (!TZCLHexcode::Decode(text, stream)) {
      Free(stream);
      return E_FAIL;
    }
    stream->SetPosition(0);
    TMemoryStream* owned = stream;
    stream = nullptr;
    Value = IPtr<IZEPHStream>(Create<TZEPHStreamAdapter>(owned, soOwned));
    return r;
  } catch (...) {
    Free(stream);
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHCustomConfigAdapter::GetValueAsString(IZEPHString* KeyPath, IPtr<IZEPHString>& Value) {
  Value = nullptr;
  try {
    String text;
    const HRESULT r = ReadText(KeyPath, text);
    if (r >= 0) Value = NewString(text);
    return r;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHCustomConfigAdapter::SetValueAsFloat(IZEPHString* KeyPath, Double Value) {
  try {
    return WriteText(KeyPath, FloatToStr(Value, TFormatSettings::Invariant()));
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHCustomConfigAdapter::SetValueAsInt32(IZEPHString* KeyPath, Integer Value) {
  try {
    return WriteText(KeyPath, IntToStr(Value));
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHCustomConfigAdapter::SetValueAsInt64(IZEPHString* KeyPath, Int64 Value) {
  try {
    return WriteText(KeyPath, IntToStr(static_cast<long>(Value)));
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHCustomConfigAdapter::SetValueAsStream(IZEPHString* KeyPath, IZEPHStream* Value) {
  try {
    if (!Value) return E_UNEXPECTED;
    Value->Seek(0, 0);
    const Int64 size = Value->GetSize();
    std::vector<Byte> buffer(static_cast<size_t>(std::max<Int64>(size, 0)));
    const Integer read = buffer.empty() ? 0 : Value->Read(buffer.data(), static_cast<Integer>(buffer.size()));
    buffer.resize(static_cast<size_t>(std::max(read, 0)));
    return WriteText(KeyPath, TZCLHexcode::Encode(buffer.data(), static_cast<Integer>(buffer.size())));
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHCustomConfigAdapter::SetValueAsString(IZEPHString* KeyPath, IZEPHString* Value) {
  try {
    return WriteText(KeyPath, ObjectText(Value));
  } catch (...) {
    return E_UNEXPECTED;
  }
}

TZEPHConfigAdapter::TZEPHConfigAdapter() : TZEPHConfigAdapter(TZCLIniFile::CreateInMemory(), soOwned) {}

TZEPHConfigAdapter::TZEPHConfigAdapter(TZCLIniFile* AIniFile, TStreamOwnership AOwnership)
    : FIniFile(AIniFile), FOwnership(AOwnership) {}

TZEPHConfigAdapter::~TZEPHConfigAdapter() {
  if (FOwnership == soOwned) Free(FIniFile);
}

// ---- error information ---------------------------------------------------------------------------

void TZBLErrorLog::SetInfo(Integer ACode, const String& AMessage, const String& ADetails) {
  Code = ACode;
  Message = AMessage;
  Details = ADetails;
}

String TZBLErrorLog::ToString() const {
  String text;
  if (Code != 0) text += u"Code: " + IntToStr(Code) + u" (" + IntToHex(static_cast<Cardinal>(Code), 8) + u")\r\n";
  if (!Message.empty()) text += u"Message: " + Message + u"\r\n";
  if (!Details.empty()) {
    if (!text.empty()) text += String(25, u'-') + u"\r\n";
    text += Details;
  }
  return text;
}

TZEPHErrorInfoAdapter::TZEPHErrorInfoAdapter(Integer Code, const String& Message)
    : TZEPHErrorInfoAdapter(new TZBLErrorLog(), true) {
  FLog->SetInfo(Code, Message, String());
}

TZEPHErrorInfoAdapter::~TZEPHErrorInfoAdapter() {
  if (FOwned) Free(FLog);
}

HRESULT TZEPHErrorInfoAdapter::GetInfo(Integer& Code, IPtr<IZEPHString>& Message, IPtr<IZEPHString>& Details) {
  Message = nullptr;
  Details = nullptr;
  try {
    if (FLog->Code == 0) return E_FAIL;
    Code = FLog->Code;
    Message = NewString(FLog->Message);
    Details = NewString(FLog->Details);
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHErrorInfoAdapter::GetInfoFormatted(IPtr<IZEPHString>& Text) {
  Text = nullptr;
  try {
    if (FLog->Code == 0) return E_FAIL;
    Text = NewString(FLog->ToString());
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

void TZEPHErrorInfoAdapter::SetInfo(Integer Code, IZEPHString* Message, IZEPHString* Details) {
  try {
    FLog->SetInfo(Code, ObjectText(Message), ObjectText(Details));
  } catch (...) {
    // Nothing leaves a plugin call.
  }
}

// ---- factories -----------------------------------------------------------------------------------

void RegisterCoreObjectFactories() {
  TZEPHCore* core = TZEPHCore::Instance();
  core->RegisterCreateObjectProc(IIDOf<IZEPHConfig>(), [](IPtr<IInterface>& Obj) {
    Obj = IPtr<IInterface>(static_cast<IZEPHConfig*>(Create<TZEPHConfigAdapter>()));
  });
  core->RegisterCreateObjectProc(IIDOf<IZEPHErrorInfo>(), [](IPtr<IInterface>& Obj) {
    Obj = IPtr<IInterface>(static_cast<IZEPHErrorInfo*>(Create<TZEPHErrorInfoAdapter>()));
  });
  core->RegisterCreateObjectProc(IIDOf<IZEPHMemoryStream>(), [](IPtr<IInterface>& Obj) {
    Obj = IPtr<IInterface>(static_cast<IZEPHMemoryStream*>(Create<TZEPHMemoryStreamAdapter>()));
  });
  core->RegisterCreateObjectProc(IIDOf<IZEPHObjectList>(), [](IPtr<IInterface>& Obj) {
    Obj = IPtr<IInterface>(static_cast<IZEPHObjectList*>(Create<TZEPHObjectListAdapter>()));
  });
  core->RegisterCreateObjectProc(IIDOf<IZEPHString>(), [](IPtr<IInterface>& Obj) {
    Obj = IPtr<IInterface>(static_cast<IZEPHString*>(Create<TZEPHStringAdapter>()));
  });
}
