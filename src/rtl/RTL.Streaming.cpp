#include "rtl/RTL.Streaming.h"

#include <cmath>
#include <cstring>
#include <memory>

#include "rtl/RTL.Geometry.h"
#include "rtl/RTL.Streaming.Text.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.TypInfo.h"

namespace {

constexpr char Signature[4] = {'T', 'P', 'F', '0'};

bool SameName(StringView A, StringView B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i) {
    Char a = A[i], b = B[i];
    if (a >= u'a' && a <= u'z') a = static_cast<Char>(a - 32);
    if (b >= u'a' && b <= u'z') b = static_cast<Char>(b - 32);
    if (a != b) return false;
  }
  return true;
}

bool IsAscii(StringView S) {
  for (Char c : S)
    if (c >= 0x80) return false;
  return true;
}

// Decodes the 80-bit extended format of older streams.
double ExtendedToDouble(const Byte* B) {
  uint64_t mantissa;
  std::memcpy(&mantissa, B, 8);
  const int exponent = (B[8] | (B[9] << 8)) & 0x7FFF;
  const bool negative = (B[9] & 0x80) != 0;
  double value;
  if (exponent == 0x7FFF)
    value = (mantissa << 1) ? std::nan("") : INFINITY;
  else if (exponent == 0 && mantissa == 0)
    value = 0;
  else
    value = std::ldexp(static_cast<double>(mantissa), exponent - 16383 - 63);
  return negative ? -value : value;
}

String Latin1ToString(const std::string& S) {
  String result(S.size(), u'\0');
  for (size_t i = 0; i < S.size(); ++i) result[i] = static_cast<Byte>(S[i]);
  return result;
}

// Colour properties are written by name (alpha colours always, the unnamed ones as "x"
// and eight hex digits); numbers are read as well.
bool IntegerToIdent(PTypeInfo Type, Int64 Value, String& Ident) {
  if (Type == TypeInfoTColor()) return ColorToIdent(static_cast<TColor>(Value), Ident);
  if (Type == TypeInfoTAlphaColor()) {
    AlphaColorToIdent(static_cast<TAlphaColor>(Value), Ident);
    return true;
  }
  return false;
}

bool IdentToInteger(PTypeInfo Type, StringView Ident, Int64& Value) {
  if (Type == TypeInfoTColor()) {
    TColor color = 0;
    if (!IdentToColor(Ident, color)) return false;
    Value = color;
    return true;
  }
  if (Type == TypeInfoTAlphaColor()) {
    TAlphaColor color = 0;
    if (!IdentToAlphaColor(Ident, color)) return false;
    Value = color;
    return true;
  }
  return false;
}

// Marks a component as being written for as long as the guard lives.
class TWritingGuard {
 public:
  TWritingGuard(TComponentState& State) : FState(State), FWasWriting(State.Contains(csWriting)) {
    FState.Include(csWriting);
  }
  ~TWritingGuard() {
    if (!FWasWriting) FState.Exclude(csWriting);
  }

 private:
  TComponentState& FState;
  bool FWasWriting;
};

}  // namespace

// ---- TWriter ---------------------------------------------------------------------------------------

void TWriter::WriteValue(TValueType Value) {
  const Byte b = Value;
  FStream->WriteBuffer(&b, 1);
}

void TWriter::WriteSignature() { FStream->WriteBuffer(Signature, 4); }

void TWriter::WriteInteger(Int64 Value) {
  if (Value >= INT8_MIN && Value <= INT8_MAX) {
    WriteValue(vaInt8);
    const int8_t v = static_cast<int8_t>(Value);
    FStream->WriteBuffer(&v, 1);
  } else if (Value >= INT16_MIN && Value <= INT16_MAX) {
    WriteValue(vaInt16);
    const int16_t v = static_cast<int16_t>(Value);
    FStream->WriteBuffer(&v, 2);
  } else if (Value >= INT32_MIN && Value <= INT32_MAX) {
    WriteValue(vaInt32);
    const int32_t v = static_cast<int32_t>(Value);
    FStream->WriteBuffer(&v, 4);
  } else {
    WriteValue(vaInt64);
    FStream->WriteBuffer(&Value, 8);
  }
}

void TWriter::WriteDouble(double Value) {
  WriteValue(vaDouble);
  FStream->WriteBuffer(&Value, 8);
}

void TWriter::WriteSingle(float Value) {
  WriteValue(vaSingle);
  FStream->WriteBuffer(&Value, 4);
}

void TWriter::WriteString(const String& Value) {
  if (IsAscii(Value)) {
    if (Value.size() <= 255) {
      WriteValue(vaString);
      const Byte len = static_cast<Byte>(Value.size());
      FStream->WriteBuffer(&len, 1);
    } else {
      WriteValue(vaLString);
      const int32_t len = static_cast<int32_t>(Value.size());
      FStream->WriteBuffer(&len, 4);
    }
    std::string bytes(Value.begin(), Value.end());
    FStream->WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  } else {
    WriteValue(vaWString);
    const int32_t len = static_cast<int32_t>(Value.size());
    FStream->WriteBuffer(&len, 4);
    FStream->WriteBuffer(Value.data(), static_cast<Int64>(Value.size() * 2));
  }
}

void TWriter::WriteIdent(const String& Value) {
  if (SameName(Value, u"False")) {
    WriteValue(vaFalse);
  } else if (SameName(Value, u"True")) {
    WriteValue(vaTrue);
  } else if (SameName(Value, u"nil")) {
    WriteValue(vaNil);
  } else if (SameName(Value, u"Null")) {
    WriteValue(vaNull);
  } else {
    WriteValue(vaIdent);
    WriteStr(Value);
  }
}

void TWriter::WriteStr(const String& Value) {
  const std::string bytes = StringToUTF8(Value);
  if (bytes.size() > 255) throw EWriteError(u"Name too long to be written: %s", {Value});
  const Byte len = static_cast<Byte>(bytes.size());
  FStream->WriteBuffer(&len, 1);
  FStream->WriteBuffer(bytes.data(), len);
}

void TWriter::WriteBinary(const TBytes& Data) {
  WriteValue(vaBinary);
  const int32_t len = static_cast<int32_t>(Data.size());
  FStream->WriteBuffer(&len, 4);
  FStream->WriteBuffer(Data.data(), len);
}

void TWriter::WritePropName(const String& Name) { WriteStr(FPropPath + Name); }

void TWriter::DefineProperty(const String& Name, const TReaderProc&, const TWriterProc& WriteData, bool HasData) {
  if (!HasData || !WriteData) return;
  WritePropName(Name);
  WriteData(this);
}

void TWriter::DefineBinaryProperty(const String& Name, const TStreamProc&, const TStreamProc& WriteData, bool HasData) {
  if (!HasData || !WriteData) return;
  TBytesStream data;
  WriteData(&data);
  TBytes bytes = data.GetBytes();
  bytes.resize(static_cast<size_t>(data.GetSize()));
  WritePropName(Name);
  WriteBinary(bytes);
}

void TWriter::WriteDescendent(TComponent* Root, TComponent*) {
  FRoot = Root;
  WriteSignature();
  WriteComponent(Root);
}

void TWriter::WriteComponent(TComponent* Component) {
  TWritingGuard guard(Component->FComponentState);
  WriteStr(Component->ClassName());
  WriteStr(Component->GetName());
  WriteProperties(Component);
  WriteListEnd();
  Component->GetChildren([this](TComponent* Child) { WriteComponent(Child); }, FRoot ? FRoot : Component);
  WriteListEnd();
}

void TWriter::WriteProperties(TPersistent* Instance) {
  for (PPropInfo prop : GetPropList(Instance))
    if (prop->HasGetter() && IsStoredProp(Instance, prop)) WriteProperty(Instance, prop);
  Instance->DefineProperties(this);
}

String TWriter::ReferenceName(TComponent* Value) const {
  TComponent* owner = Value->GetOwner();
  if (Value == FRoot || owner == FRoot || !owner) return Value->GetName();
  return owner->GetName() + u"." + Value->GetName();
}

void TWriter::WriteCollection(TCollection* Value) {
  WriteValue(vaCollection);
  const String savedPath = FPropPath;
  FPropPath.clear();
  for (Integer i = 0; i < Value->GetCount(); ++i) {
    WriteListBegin();
    WriteProperties(Value->GetItem(i));
    WriteListEnd();
  }
  FPropPath = savedPath;
  WriteListEnd();
}

void TWriter::WriteProperty(TPersistent* Instance, PPropInfo PropInfo) {
  const TTypeKind kind = PropInfo->PropType->Kind;
  if (kind == tkClass) {
    TObject* value = GetObjectProp(Instance, PropInfo);
    if (!value) return;
    auto* component = dynamic_cast<TComponent*>(value);
    if (component && !component->GetComponentStyle().Contains(csSubComponent)) {
      if (!PropInfo->HasSetter()) return;
      WritePropName(PropInfo->Name);
      WriteIdent(ReferenceName(component));
    } else if (auto* collection = dynamic_cast<TCollection*>(value)) {
      if (collection->GetCount() == 0) return;
      WritePropName(PropInfo->Name);
      WriteCollection(collection);
    } else if (auto* persistent = dynamic_cast<TPersistent*>(value)) {
      const String savedPath = FPropPath;
      FPropPath += PropInfo->Name + u".";
      WriteProperties(persistent);
      FPropPath = savedPath;
    }
    return;
  }
  if (!PropInfo->HasSetter() || IsDefaultPropertyValue(Instance, PropInfo)) return;
  switch (kind) {
    case tkInteger: {
      WritePropName(PropInfo->Name);
      const Int64 value = GetOrdProp(Instance, PropInfo);
      String ident;
      if (IntegerToIdent(PropInfo->PropType, value, ident))
        WriteIdent(ident);
      else
        WriteInteger(value);
      break;
    }
    case tkInt64:
      WritePropName(PropInfo->Name);
      WriteInteger(GetInt64Prop(Instance, PropInfo));
      break;
    case tkChar:
    case tkWChar:
      WritePropName(PropInfo->Name);
      WriteString(String(1, static_cast<Char>(GetOrdProp(Instance, PropInfo))));
      break;
    case tkEnumeration:
      WritePropName(PropInfo->Name);
      if (IsTypeOrAlias(PropInfo->PropType, TypeInfo<bool>()))
        WriteBoolean(GetOrdProp(Instance, PropInfo) != 0);
      else
        WriteIdent(GetEnumProp(Instance, PropInfo));
      break;
    case tkSet: {
      WritePropName(PropInfo->Name);
      WriteValue(vaSet);
      const String elements = GetSetProp(Instance, PropInfo);
      size_t start = 0;
      while (start < elements.size()) {
        size_t comma = elements.find(u',', start);
        if (comma == String::npos) comma = elements.size();
        WriteStr(elements.substr(start, comma - start));
        start = comma + 1;
      }
      WriteStr(u"");
      break;
    }
    case tkFloat:
      WritePropName(PropInfo->Name);
      if (PropInfo->PropType->Data.FloatType == ftSingle)
        WriteSingle(static_cast<float>(GetFloatProp(Instance, PropInfo)));
      else
        WriteDouble(GetFloatProp(Instance, PropInfo));
      break;
    case tkString:
    case tkLString:
    case tkWString:
    case tkUString:
      WritePropName(PropInfo->Name);
      WriteString(GetStrProp(Instance, PropInfo));
      break;
    default:
      // Events, interfaces, variants and records are not streamed.
      break;
  }
}

// ---- TReader ---------------------------------------------------------------------------------------

namespace {
[[noreturn]] void RaiseStreamRead() { throw EReadError(u"Stream read error"); }
[[noreturn]] void RaiseInvalidFormat() { throw EReadError(u"Invalid stream format"); }
}  // namespace

void TReader::Enter() {
  if (++FDepth > MaxDepth) {
    --FDepth;
    RaiseInvalidFormat();
  }
}

Int64 TReader::Remaining() {
  const Int64 size = FStream->GetSize();
  return size < 0 ? INT64_MAX : size - FStream->GetPosition();
}

TValueType TReader::ReadValueRaw() {
  if (FHasPeek) {
    FHasPeek = false;
    return FPeek;
  }
  Byte b;
  FStream->ReadBuffer(&b, 1);
  return static_cast<TValueType>(b);
}

TValueType TReader::ReadValue() { return ReadValueRaw(); }

TValueType TReader::NextValue() {
  if (!FHasPeek) {
    FPeek = ReadValueRaw();
    FHasPeek = true;
  }
  return FPeek;
}

void TReader::InvalidValue() { throw EReadError(u"Invalid property value"); }

void TReader::CheckValue(TValueType Value) {
  if (ReadValue() != Value) InvalidValue();
}

void TReader::ReadSignature() {
  char sig[4];
  if (FStream->Read(sig, 4) != 4 || std::memcmp(sig, Signature, 4) != 0) RaiseInvalidFormat();
}

Int64 TReader::ReadInt64() {
  switch (ReadValue()) {
    case vaInt8: {
      int8_t v;
      FStream->ReadBuffer(&v, 1);
      return v;
    }
    case vaInt16: {
      int16_t v;
      FStream->ReadBuffer(&v, 2);
      return v;
    }
    case vaInt32: {
      int32_t v;
      FStream->ReadBuffer(&v, 4);
      return v;
    }
    case vaInt64: {
      Int64 v;
      FStream->ReadBuffer(&v, 8);
      return v;
    }
    default:
      InvalidValue();
  }
}

Integer TReader::ReadInteger() {
  const Int64 v = ReadInt64();
  if (v < INT32_MIN || v > INT32_MAX) InvalidValue();
  return static_cast<Integer>(v);
}

bool TReader::ReadBoolean() {
  const TValueType v = ReadValue();
  if (v != vaTrue && v != vaFalse) InvalidValue();
  return v == vaTrue;
}

double TReader::ReadFloat() {
  switch (NextValue()) {
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64:
      return static_cast<double>(ReadInt64());
    default:
      break;
  }
  switch (ReadValue()) {
    case vaExtended: {
      Byte b[10];
      FStream->ReadBuffer(b, 10);
      return ExtendedToDouble(b);
    }
    case vaSingle: {
      float v;
      FStream->ReadBuffer(&v, 4);
      return v;
    }
    case vaDouble:
    case vaDate: {
      double v;
      FStream->ReadBuffer(&v, 8);
      return v;
    }
    case vaCurrency: {
      Int64 v;
      FStream->ReadBuffer(&v, 8);
      return static_cast<double>(v) / 10000.0;
    }
    default:
      InvalidValue();
  }
}

String TReader::ReadString() {
  const TValueType type = ReadValue();
  Int64 len = 0;
  if (type == vaString) {
    Byte b;
    FStream->ReadBuffer(&b, 1);
    len = b;
  } else if (type == vaLString || type == vaWString || type == vaUTF8String) {
    int32_t v;
    FStream->ReadBuffer(&v, 4);
    len = v;
  } else {
    InvalidValue();
  }
  const Int64 bytes = type == vaWString ? len * 2 : len;
  if (len < 0 || bytes > Remaining()) RaiseStreamRead();
  if (type == vaWString) {
    String result(static_cast<size_t>(len), u'\0');
    FStream->ReadBuffer(result.data(), bytes);
    return result;
  }
  std::string raw(static_cast<size_t>(len), '\0');
  FStream->ReadBuffer(raw.data(), bytes);
  return type == vaUTF8String ? UTF8ToString(raw) : Latin1ToString(raw);
}

String TReader::ReadIdent() {
  switch (ReadValue()) {
    case vaIdent:
      return ReadStr();
    case vaFalse:
      return u"False";
    case vaTrue:
      return u"True";
    case vaNil:
      return u"nil";
    case vaNull:
      return u"Null";
    default:
      InvalidValue();
  }
}

String TReader::ReadStr() {
  const Byte len = ReadValueRaw();
  std::string raw(len, '\0');
  FStream->ReadBuffer(raw.data(), len);
  return UTF8ToString(raw);
}

void TReader::SkipValue() {
  switch (NextValue()) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil:
      ReadValue();
      break;
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64:
      ReadInt64();
      break;
    case vaExtended:
    case vaSingle:
    case vaDouble:
    case vaDate:
    case vaCurrency:
      ReadFloat();
      break;
    case vaString:
    case vaLString:
    case vaWString:
    case vaUTF8String:
      ReadString();
      break;
    case vaIdent:
      ReadIdent();
      break;
    case vaBinary: {
      ReadValue();
      int32_t len;
      FStream->ReadBuffer(&len, 4);
      if (len < 0 || len > Remaining()) RaiseStreamRead();
      FStream->Seek(len, soCurrent);
      break;
    }
    case vaSet:
      ReadValue();
      while (!ReadStr().empty()) {
      }
      break;
    case vaList:
      ReadValue();
      Enter();
      while (!EndOfList()) SkipValue();
      ReadListEnd();
      Leave();
      break;
    case vaCollection:
      ReadValue();
      Enter();
      while (!EndOfList()) {
        switch (NextValue()) {
          case vaInt8:
          case vaInt16:
          case vaInt32:
          case vaInt64:
            ReadInt64();
            break;
          default:
            break;
        }
        CheckValue(vaList);
        while (!EndOfList()) {
          ReadStr();
          SkipValue();
        }
        ReadListEnd();
      }
      ReadListEnd();
      Leave();
      break;
    default:
      RaiseInvalidFormat();
  }
}

void TReader::DefineProperty(const String& Name, const TReaderProc& ReadData, const TWriterProc&, bool) {
  if (FPropFound || !ReadData || !SameName(Name, FPropName)) return;
  FPropFound = true;
  ReadData(this);
}

TBytes TReader::ReadBinary() {
  CheckValue(vaBinary);
  int32_t len;
  FStream->ReadBuffer(&len, 4);
  if (len < 0 || len > Remaining()) RaiseStreamRead();
  TBytes data(static_cast<size_t>(len));
  FStream->ReadBuffer(data.data(), len);
  return data;
}

void TReader::DefineBinaryProperty(const String& Name, const TStreamProc& ReadData, const TStreamProc&, bool) {
  if (FPropFound || !ReadData || !SameName(Name, FPropName)) return;
  FPropFound = true;
  TBytesStream data(ReadBinary());
  data.SetPosition(0);
  ReadData(&data);
}

void TReader::ReadProperty(TPersistent* Instance) {
  const String path = ReadStr();
  if (path.empty()) RaiseInvalidFormat();
  TPersistent* target = Instance;
  size_t start = 0;
  for (size_t dot = path.find(u'.'); dot != String::npos; dot = path.find(u'.', start)) {
    PPropInfo prop = GetPropInfo(target, StringView(path).substr(start, dot - start));
    auto* next = prop && prop->PropType->Kind == tkClass && prop->HasGetter()
                     ? dynamic_cast<TPersistent*>(GetObjectProp(target, prop))
                     : nullptr;
    if (!next) throw EReadError(u"Property %s does not exist", {path});
    target = next;
    start = dot + 1;
  }
  const String name = path.substr(start);
  if (PPropInfo prop = GetPropInfo(target, name)) {
    ReadPropValue(target, prop);
    return;
  }
  FPropName = name;
  FPropFound = false;
  target->DefineProperties(this);
  if (!FPropFound) throw EReadError(u"Property %s does not exist", {path});
  FPropName.clear();
}

void TReader::ReadPropValue(TPersistent* Instance, PPropInfo PropInfo) {
  const TTypeKind kind = PropInfo->PropType->Kind;
  if (kind == tkClass) {
    switch (NextValue()) {
      case vaCollection: {
        ReadValue();
        auto* collection = dynamic_cast<TCollection*>(GetObjectProp(Instance, PropInfo));
        if (!collection) InvalidValue();
        ReadCollection(collection);
        return;
      }
      case vaNil:
        ReadValue();
        if (PropInfo->HasSetter()) SetObjectProp(Instance, PropInfo, nullptr);
        return;
      case vaIdent:
        if (!PropInfo->HasSetter()) InvalidValue();
        FFixups.push_back({Instance, PropInfo, ReadIdent()});
        return;
      default:
        InvalidValue();
    }
  }
  if (kind == tkMethod || kind == tkVariant || kind == tkInterface || kind == tkRecord) {
    // Not streamed by this writer; skipped so that other data still loads.
    SkipValue();
    return;
  }
  if (!PropInfo->HasSetter()) InvalidValue();
  try {
    switch (kind) {
      case tkInteger:
        if (NextValue() == vaIdent) {
          Int64 value = 0;
          if (!IdentToInteger(PropInfo->PropType, ReadIdent(), value)) InvalidValue();
          SetOrdProp(Instance, PropInfo, value);
        } else {
          SetOrdProp(Instance, PropInfo, ReadInt64());
        }
        break;
      case tkInt64:
        SetInt64Prop(Instance, PropInfo, ReadInt64());
        break;
      case tkChar:
      case tkWChar: {
        const TValueType next = NextValue();
        if (next == vaInt8 || next == vaInt16 || next == vaInt32) {
          SetOrdProp(Instance, PropInfo, ReadInt64());
        } else {
          const String s = ReadString();
          if (s.size() != 1) InvalidValue();
          SetOrdProp(Instance, PropInfo, s[0]);
        }
        break;
      }
      case tkEnumeration: {
        const Integer value = GetEnumValue(PropInfo->PropType, ReadIdent());
        if (value < 0) InvalidValue();
        SetOrdProp(Instance, PropInfo, value);
        break;
      }
      case tkSet: {
        CheckValue(vaSet);
        String elements;
        for (String e = ReadStr(); !e.empty(); e = ReadStr()) {
          if (!elements.empty()) elements += u',';
          elements += e;
        }
        SetSetProp(Instance, PropInfo, elements);
        break;
      }
      case tkFloat:
        SetFloatProp(Instance, PropInfo, ReadFloat());
        break;
      case tkString:
      case tkLString:
      case tkWString:
      case tkUString:
        SetStrProp(Instance, PropInfo, ReadString());
        break;
      default:
        SkipValue();
        break;
    }
  } catch (const ERangeError&) {
    InvalidValue();
  } catch (const EPropertyConvertError&) {
    InvalidValue();
  }
}

void TReader::ReadCollection(TCollection* Collection) {
  Enter();
  Collection->BeginUpdate();
  try {
    Collection->Clear();
    while (!EndOfList()) {
      switch (NextValue()) {
        case vaInt8:
        case vaInt16:
        case vaInt32:
        case vaInt64:
          ReadInt64();  // the item's order: items are read in stream order
          break;
        default:
          break;
      }
      CheckValue(vaList);
      TCollectionItem* item = Collection->Add();
      while (!EndOfList()) ReadProperty(item);
      ReadListEnd();
    }
    ReadListEnd();
  } catch (...) {
    Collection->EndUpdate();
    Leave();
    throw;
  }
  Collection->EndUpdate();
  Leave();
}

void TReader::ReadFilerFlags(TFilerFlags& Flags) {
  const Byte b = NextValue();
  if ((b & 0xF0) != 0xF0) return;
  ReadValue();
  for (Integer f = ffInherited; f <= ffInline; ++f)
    if (b & (1 << f)) Flags.Include(static_cast<TFilerFlag>(f));
  if (Flags.Contains(ffChildPos)) ReadInteger();
}

TComponent* TReader::ReadComponent(TComponent* Parent, TComponent* Existing) {
  Enter();
  TFilerFlags flags;
  ReadFilerFlags(flags);
  const String className = ReadStr();
  const String name = ReadStr();
  TComponent* component = Existing;
  bool created = false;
  if (!component && FRoot && !name.empty()) {
    TComponent* found = FindOwned(name);
    if (found && found->ClassNameIs(className)) component = found;
  }
  if (!component) {
    TClass cls = FindClass(className);
    if (!cls->InheritsFrom(TComponent::StaticClass())) throw EReadError(u"Invalid stream format");
    component = cls->Create<TComponent>(FRoot ? FRoot : FRootOwner);
    created = true;
  }
  try {
    component->FComponentState.Include(csLoading);
    component->FComponentState.Include(csReading);
    if (!FRoot) FRoot = component;
    if (created && !name.empty()) {
      component->SetName(name);
    }
    if (Parent) component->SetParentComponent(Parent);
    while (!EndOfList()) ReadProperty(component);
    ReadListEnd();
    while (!EndOfList()) ReadComponent(component, nullptr);
    ReadListEnd();
    component->FComponentState.Exclude(csReading);
  } catch (...) {
    if (FRoot == component && created) FRoot = nullptr;
    if (created) Free(component);
    Leave();
    throw;
  }
  FLoaded.push_back(component);
  Leave();
  return component;
}

// The root keeps its own name index, in step with renames made by property setters.
TComponent* TReader::FindOwned(StringView Name) { return FRoot->FindComponent(Name); }

void TReader::ResolveFixups() {
  for (const TFixup& fixup : FFixups) {
    const String& name = fixup.Name;
    TComponent* target = nullptr;
    const size_t dot = name.find(u'.');
    if (dot == String::npos) {
      target = SameName(name, FRoot->GetName()) ? FRoot : FindOwned(name);
    } else if (SameName(StringView(name).substr(0, dot), FRoot->GetName())) {
      target = FindOwned(StringView(name).substr(dot + 1));
    } else if (TComponent* root = FindGlobalComponent(StringView(name).substr(0, dot))) {
      target = root->FindComponent(StringView(name).substr(dot + 1));
    }
    // A name that does not resolve (a component outside this tree) leaves the reference empty.
    if (!target) continue;
    try {
      SetObjectProp(fixup.Instance, fixup.PropInfo, target);
    } catch (const EInvalidCast&) {
      InvalidValue();
    }
  }
  FFixups.clear();
}

TComponent* TReader::ReadRootComponent(TComponent* Root, TComponent* AOwner) {
  ReadSignature();
  FRoot = Root;
  FRootOwner = AOwner;
  FFixups.clear();
  FLoaded.clear();
  TComponent* result = ReadComponent(nullptr, Root);
  try {
    ResolveFixups();
    // Loaded in reading order: a component's owned children have been read when it is told.
    for (TComponent* component : FLoaded) component->Loaded();
  } catch (...) {
    if (!Root) Free(result);
    throw;
  }
  FLoaded.clear();
  return result;
}

// ---- free functions ---------------------------------------------------------------------------------

namespace {
TFindGlobalComponent GFindGlobalComponent = nullptr;
}  // namespace

void SetFindGlobalComponent(TFindGlobalComponent Proc) { GFindGlobalComponent = Proc; }

TComponent* FindGlobalComponent(StringView Name) { return GFindGlobalComponent ? GFindGlobalComponent(Name) : nullptr; }

void WriteComponent(TStream* Stream, TComponent* Instance) {
  TWriter writer(Stream);
  writer.WriteDescendent(Instance);
}

TComponent* ReadComponent(TStream* Stream, TComponent* Instance, TComponent* AOwner) {
  TReader reader(Stream);
  return reader.ReadRootComponent(Instance, AOwner);
}

TComponent* ReadComponentRes(StringView ResName, TComponent* Instance, TComponent* AOwner) {
  TResourceStream resource(ResName, RT_RCDATA);
  if (TestStreamFormat(&resource) == sofText) {
    TMemoryStream binary;
    ObjectTextToBinary(&resource, &binary);
    binary.SetPosition(0);
    return ReadComponent(&binary, Instance, AOwner);
  }
  return ReadComponent(&resource, Instance, AOwner);
}
