#include "zeph/core/ZEPH.Core.PluginAPI.h"

#include <cerrno>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Format.h"
#include "rtl/RTL.Numbers.h"
#include "zcl/base/ZCL.Utils.Stream.h"

// ---- property list -------------------------------------------------------------------------------

template <class F>
HRESULT TZEPHPropertyList::Guarded(F&& Body) {
  HRESULT result = S_OK;
  if (!CheckAccess(result)) return result;
  result = S_OK;
  try {
    Body(result);
  } catch (...) {
    result = E_UNEXPECTED;
  }
  return result;
}

bool TZEPHPropertyList::CheckAccess(HRESULT& Result) {
  Result = S_OK;
  return true;
}

void TZEPHPropertyList::BeginUpdate() {
  HRESULT result = S_OK;
  if (CheckAccess(result)) DoBeginUpdate();
}

void TZEPHPropertyList::EndUpdate() {
  HRESULT result = S_OK;
  if (CheckAccess(result)) DoEndUpdate();
}

HRESULT TZEPHPropertyList::Reset() {
  return Guarded([&](HRESULT& R) { R = DoReset(); });
}

HRESULT TZEPHPropertyList::GetValueAsFloat(Integer PropertyID, Double& Value) {
  return Guarded([&](HRESULT& R) { DoGetValueAsFloat(PropertyID, Value, R); });
}

HRESULT TZEPHPropertyList::GetValueAsInt32(Integer PropertyID, Integer& Value) {
  return Guarded([&](HRESULT& R) { DoGetValueAsInt32(PropertyID, Value, R); });
}

HRESULT TZEPHPropertyList::GetValueAsInt64(Integer PropertyID, Int64& Value) {
  return Guarded([&](HRESULT& R) { DoGetValueAsInt64(PropertyID, Value, R); });
}

HRESULT TZEPHPropertyList::GetValueAsObject(Integer PropertyID, const TGUID& IID, void** Value) {
  if (Value) *Value = nullptr;
  return Guarded([&](HRESULT& R) {
    IPtr<IInterface> object = DoGetValueAsObject(PropertyID);
    R = object ? object->QueryInterface(IID, Value) : E_INVALIDARG;
  });
}

HRESULT TZEPHPropertyList::SetValueAsFloat(Integer PropertyID, Double Value) {
  return Guarded([&](HRESULT& R) { DoSetValueAsFloat(PropertyID, Value, R); });
}

HRESULT TZEPHPropertyList::SetValueAsInt32(Integer PropertyID, Integer Value) {
  return Guarded([&](HRESULT& R) { DoSetValueAsInt32(PropertyID, Value, R); });
}

HRESULT TZEPHPropertyList::SetValueAsInt64(Integer PropertyID, Int64 Value) {
  return Guarded([&](HRESULT& R) { DoSetValueAsInt64(PropertyID, Value, R); });
}

HRESULT TZEPHPropertyList::SetValueAsObject(Integer PropertyID, IInterface* Value) {
  return Guarded([&](HRESULT& R) { DoSetValueAsObject(PropertyID, Value, R); });
}

HRESULT TZEPHPropertyList::GetValueAsVariant(Integer PropertyID, Variant& Value) {
  Value.Clear();
  return Guarded([&](HRESULT& R) { DoGetValueAsVariant(PropertyID, Value, R); });
}

HRESULT TZEPHPropertyList::SetValueAsVariant(Integer PropertyID, const Variant& Value) {
  return Guarded([&](HRESULT& R) { DoSetValueAsVariant(PropertyID, Value, R); });
}

void TZEPHPropertyList::DoGetValueAsFloat(Integer PropertyID, Double& Value, HRESULT& Result) {
  Variant v;
  DoGetValueAsVariant(PropertyID, v, Result);
  if (Result >= 0) Value = v.AsDouble();
}

void TZEPHPropertyList::DoGetValueAsInt32(Integer PropertyID, Integer& Value, HRESULT& Result) {
  Variant v;
  DoGetValueAsVariant(PropertyID, v, Result);
  if (Result >= 0) Value = v.AsInteger();
}

void TZEPHPropertyList::DoGetValueAsInt64(Integer PropertyID, Int64& Value, HRESULT& Result) {
  Variant v;
  DoGetValueAsVariant(PropertyID, v, Result);
  if (Result >= 0) Value = v.AsInt64();
}

IPtr<IInterface> TZEPHPropertyList::DoGetValueAsObject(Integer PropertyID) {
  if (PropertyID == 0) return FCustomObject;
  Variant v;
  if (GetValueAsVariant(PropertyID, v) < 0) return nullptr;
  return IPtr<IInterface>(MakePluginString(v.AsString()));
}

void TZEPHPropertyList::DoGetValueAsVariant(Integer, Variant& Value, HRESULT& Result) {
  Value.Clear();
  Result = E_NOTIMPL;
}

void TZEPHPropertyList::DoSetValueAsFloat(Integer PropertyID, Double Value, HRESULT& Result) {
  DoSetValueAsVariant(PropertyID, Variant(Value), Result);
}

void TZEPHPropertyList::DoSetValueAsInt32(Integer PropertyID, Integer Value, HRESULT& Result) {
  DoSetValueAsVariant(PropertyID, Variant(Value), Result);
}

void TZEPHPropertyList::DoSetValueAsInt64(Integer PropertyID, Int64 Value, HRESULT& Result) {
  DoSetValueAsVariant(PropertyID, Variant(static_cast<long long>(Value)), Result);
}

void TZEPHPropertyList::DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) {
  if (PropertyID == 0) {
    FCustomObject = IPtr<IInterface>(Value);
    return;
  }
  IPtr<IZEPHString> text;
  if (!Supports(Value, text)) {
    Result = E_NOTIMPL;
    return;
  }
  DoSetValueAsVariant(PropertyID, Variant(PluginStringText(text.get())), Result);
}

void TZEPHPropertyList::DoSetValueAsVariant(Integer, const Variant&, HRESULT& Result) { Result = E_NOTIMPL; }

// ---- support routines ----------------------------------------------------------------------------

namespace {
IZEPHCore* GPluginCore = nullptr;
}

TZEPHPluginStringExtractHook PluginStringExtractHook = nullptr;

void TZEPHAPIWrappers::Initialize(IZEPHCore* Core) {
  if (Core) Core->_AddRef();
  if (GPluginCore) GPluginCore->_Release();
  GPluginCore = Core;
}

void TZEPHAPIWrappers::Finalize() {
  IZEPHCore* core = GPluginCore;
  GPluginCore = nullptr;
  if (core) core->_Release();
}

IPtr<IZEPHCore> CoreGetIntf() {
  if (!GPluginCore) throw Exception(u"Plugin was not initialized");
  return IPtr<IZEPHCore>(GPluginCore);
}

void CheckResult(HRESULT R, StringView Fmt) {
  if (R < 0) throw Exception(Format(Fmt, {static_cast<Integer>(R)}));
}

void CoreCreateObject(const TGUID& IID, void** Obj) {
  CheckResult(CoreGetIntf()->CreateObject(IID, Obj), u"Cannot create object (%d)");
}

bool CoreGetService(const TGUID& IID, void** Obj) {
  if (Obj) *Obj = nullptr;
  return GPluginCore && GPluginCore->QueryInterface(IID, Obj) >= 0;
}

IPtr<IZEPHString> MakePluginString(const String& S) {
  IPtr<IZEPHString> result = CoreCreateObject<IZEPHString>();
  result->SetData(S.c_str(), static_cast<Integer>(S.size()));
  return result;
}

String PluginStringText(IZEPHString* S) {
  String text;
  if (!S) return text;
  if (PluginStringExtractHook) {
    PluginStringExtractHook(text, S);
    return text;
  }
  const Integer length = S->GetLength();
  if (length > 0) text.assign(S->GetData(), static_cast<size_t>(length));
  return text;
}

bool PropertyListReadBool(IZEPHPropertyList* List, Integer PropertyID, bool Default) {
  Integer value = 0;
  if (!List || List->GetValueAsInt32(PropertyID, value) < 0) return Default;
  return value != 0;
}

Double PropertyListReadFloat(IZEPHPropertyList* List, Integer PropertyID, Double Default) {
  Double value = 0;
  if (!List || List->GetValueAsFloat(PropertyID, value) < 0) return Default;
  return value;
}

Integer PropertyListReadInt32(IZEPHPropertyList* List, Integer PropertyID, Integer Default) {
  Integer value = 0;
  if (!List || List->GetValueAsInt32(PropertyID, value) < 0) return Default;
  return value;
}

bool PropertyListReadObjectAsString(IZEPHPropertyList* List, Integer PropertyID, IPtr<IZEPHString>& S) {
  S = nullptr;
  if (!List) return false;
  void* obj = nullptr;
  const HRESULT r = List->GetValueAsObject(PropertyID, IIDOf<IZEPHString>(), &obj);
  S = IPtr<IZEPHString>::Adopt(static_cast<IZEPHString*>(obj));
  return r >= 0;
}

bool PropertyListTryReadString(IZEPHPropertyList* List, Integer PropertyID, String& Text) {
  Text.clear();
  IPtr<IZEPHString> s;
  if (!PropertyListReadObjectAsString(List, PropertyID, s)) return false;
  Text = PluginStringText(s.get());
  return true;
}

String PropertyListReadString(IZEPHPropertyList* List, Integer PropertyID) {
  String text;
  PropertyListTryReadString(List, PropertyID, text);
  return text;
}

void PropertyListWriteInt32(IZEPHPropertyList* List, Integer PropertyID, Integer Value) {
  if (!List) throw Exception(u"PropList is nil");
  CheckResult(List->SetValueAsInt32(PropertyID, Value), u"%d");
}

void PropertyListWriteBool(IZEPHPropertyList* List, Integer PropertyID, bool Value) {
  PropertyListWriteInt32(List, PropertyID, Value ? 1 : 0);
}

// ---- stream wrapper ------------------------------------------------------------------------------

Integer TZEPHStreamWrapper::Read(void* Buffer, Integer Count) { return FSource->Read(Buffer, Count); }

Integer TZEPHStreamWrapper::Write(const void* Buffer, Integer Count) {
  Integer written = 0;
  return FSource->Write(Buffer, Count, &written) >= 0 ? written : 0;
}

Int64 TZEPHStreamWrapper::Seek(Int64 Offset, TSeekOrigin Origin) {
  if (Origin == soBeginning || Origin == soCurrent || Origin == soEnd) FSource->Seek(Offset, static_cast<Integer>(Origin));
  return FSource->GetPosition();
}

Int64 TZEPHStreamWrapper::GetSize() { return FSource->GetSize(); }

void TZEPHStreamWrapper::SetSize(Int64 NewSize) {
  if (FSource->SetSize(NewSize) < 0) throw EAbort(u"");
}

// ---- stream adapters -----------------------------------------------------------------------------

TZEPHStreamAdapter::TZEPHStreamAdapter(TStream* ASource, TStreamOwnership AOwnership, bool AReadOnly)
    : FSource(ASource), FOwnership(AOwnership), FReadOnly(AReadOnly) {}

TZEPHStreamAdapter::~TZEPHStreamAdapter() {
  if (FOwnership == soOwned) Free(FSource);
}

void TZEPHStreamAdapter::AfterConstruction() {
  // The class's own test needs the whole object, so it runs once construction has finished.
  if (!IsStreamSupported(FSource)) throw EStreamError(u"Unsupported stream class");
  TInterfacedObjectEx::AfterConstruction();
}

Int64 TZEPHStreamAdapter::GetSize() { return FSource->GetSize(); }

HRESULT TZEPHStreamAdapter::SetSize(Int64 Value) {
  if (FReadOnly) return E_NOTIMPL;
  try {
    FSource->SetSize(Value);
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

Int64 TZEPHStreamAdapter::GetPosition() { return FSource->GetPosition(); }

HRESULT TZEPHStreamAdapter::Seek(Int64 Offset, Integer Mode) {
  if (Mode < 0 || Mode > 2) return E_INVALIDARG;
  try {
    // A relative seek succeeds when it ends where it was asked to, like one from the beginning.
    Int64 expected = Offset;
    if (Mode == 1) expected = FSource->GetPosition() + Offset;
    if (Mode == 2) expected = FSource->GetSize() + Offset;
    return FSource->Seek(Offset, static_cast<TSeekOrigin>(Mode)) == expected ? S_OK : E_FAIL;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

Integer TZEPHStreamAdapter::DoRead(void* Buffer, Integer Count) {
  try {
    return FSource->Read(Buffer, Count);
  } catch (...) {
    return -1;
  }
}

HRESULT TZEPHStreamAdapter::Write(const void* Buffer, Integer Count, Integer* Written) {
  if (FReadOnly) return E_NOTIMPL;
  try {
    const Integer count = FSource->Write(Buffer, Count);
    if (Written) *Written = count;
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

TZEPHMemoryStreamAdapter::TZEPHMemoryStreamAdapter() : TZEPHStreamAdapter(new TMemoryStream(), soOwned) {}

void* TZEPHMemoryStreamAdapter::GetData() {
  auto* stream = static_cast<TMemoryStream*>(FSource);
  return stream->GetSize() > 0 ? stream->GetMemory() : nullptr;
}

bool TZEPHMemoryStreamAdapter::IsStreamSupported(TStream* AStream) {
  return AStream && AStream->InheritsFrom(TMemoryStream::StaticClass());
}

TZEPHFileStreamAdapter::TZEPHFileStreamAdapter(const String& FileName, Word Mode)
    : TZEPHStreamAdapter(new TFileStream(FileName, Mode), soOwned) {}

TZEPHFileStreamAdapter::TZEPHFileStreamAdapter(IZEPHString* FileName, Word Mode)
    : TZEPHFileStreamAdapter(PluginStringText(FileName), Mode) {}

TZEPHFileStreamAdapter::TZEPHFileStreamAdapter(TStream* ASource, bool AReadOnly)
    : TZEPHStreamAdapter(ASource, soOwned, AReadOnly) {}

bool TZEPHFileStreamAdapter::IsStreamSupported(TStream* AStream) {
  return AStream && AStream->InheritsFrom(TFileStream::StaticClass());
}

Integer TZEPHFileStreamAdapter::DoRead(void* Buffer, Integer Count) {
  try {
    errno = 0;
    const Integer count = FSource->Read(Buffer, Count);
    if (count == 0 && Count != 0 && errno != 0 && FSource->GetPosition() < FSource->GetSize()) return -1;
    return count;
  } catch (...) {
    return -1;
  }
}

HRESULT TZEPHFileStreamAdapter::GetClipping(Int64&, Int64&) { return E_FAIL; }

HRESULT TZEPHFileStreamAdapter::GetFileName(IPtr<IZEPHString>& S) {
  try {
    S = MakePluginString(static_cast<TFileStream*>(FSource)->GetFileName());
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHFileStreamAdapterEx::GetClipping(Int64& Offset, Int64& Size) {
  if (!FSource->InheritsFrom(TZCLSubStream::StaticClass())) return E_FAIL;
  auto* sub = static_cast<TZCLSubStream*>(FSource);
  Offset = sub->GetOffset();
  Size = sub->GetSize();
  return S_OK;
}

HRESULT TZEPHFileStreamAdapterEx::GetFileName(IPtr<IZEPHString>& S) {
  try {
    TStream* stream = TZCLStreamWrapper::Unwrap(FSource);
    if (!stream || !stream->InheritsFrom(TFileStream::StaticClass())) return E_FAIL;
    S = MakePluginString(static_cast<TFileStream*>(stream)->GetFileName());
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}
