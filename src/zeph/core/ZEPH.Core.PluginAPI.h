#pragma once
// The bases of plugin-facing objects: the counted base, the property list whose every operation
// runs an access check and a guarded virtual, the bridges between program streams and plugin
// streams, and the support routines that create plugin objects through the core.

#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Variant.h"
#include "zeph/core/ZEPH.Core.Interfaces.h"

// The counted base of plugin-facing objects: the count is 1 while the constructor runs, so the
// constructor may hand out references to itself; freeing it while references remain raises
// "Invalid Pointer".
class TInterfacedObjectEx : public TInterfacedObject {
  ZCL_CLASS(TInterfacedObjectEx, TInterfacedObject)
 public:
  Integer GetRefCount() const { return TInterfacedObject::GetRefCount(); }
};

// Integer property identifiers read and written as Double, 32-bit, 64-bit, object or Variant
// values. A descendant that overrides only the two Variant virtuals is fully usable.
class TZEPHPropertyList : public TInterfacedObjectEx, public IZEPHPropertyList2 {
  ZCL_CLASS(TZEPHPropertyList, TInterfacedObjectEx)
  RTL_INTERFACES(TInterfacedObjectEx, IZEPHPropertyList2)
 public:
  void BeginUpdate() override;
  void EndUpdate() override;
  HRESULT Reset() override;
  HRESULT GetValueAsFloat(Integer PropertyID, Double& Value) override;
  HRESULT GetValueAsInt32(Integer PropertyID, Integer& Value) override;
  HRESULT GetValueAsInt64(Integer PropertyID, Int64& Value) override;
  HRESULT GetValueAsObject(Integer PropertyID, const TGUID& IID, void** Value) override;
  HRESULT SetValueAsFloat(Integer PropertyID, Double Value) override;
  HRESULT SetValueAsInt32(Integer PropertyID, Integer Value) override;
  HRESULT SetValueAsInt64(Integer PropertyID, Int64 Value) override;
  HRESULT SetValueAsObject(Integer PropertyID, IInterface* Value) override;
  HRESULT GetValueAsVariant(Integer PropertyID, Variant& Value) override;
  HRESULT SetValueAsVariant(Integer PropertyID, const Variant& Value) override;

  // The interface attached under property identifier 0.
  const IPtr<IInterface>& GetCustomObject() const { return FCustomObject; }
  void SetCustomObject(const IPtr<IInterface>& Value) { FCustomObject = Value; }

 protected:
  // Result arrives set to S_OK; answering False stops the operation with Result.
  virtual bool CheckAccess(HRESULT& Result);
  virtual void DoBeginUpdate() {}
  virtual void DoEndUpdate() {}
  virtual void DoGetValueAsFloat(Integer PropertyID, Double& Value, HRESULT& Result);
  virtual void DoGetValueAsInt32(Integer PropertyID, Integer& Value, HRESULT& Result);
  virtual void DoGetValueAsInt64(Integer PropertyID, Int64& Value, HRESULT& Result);
  virtual IPtr<IInterface> DoGetValueAsObject(Integer PropertyID);
  virtual void DoGetValueAsVariant(Integer PropertyID, Variant& Value, HRESULT& Result);
  virtual void DoSetValueAsFloat(Integer PropertyID, Double Value, HRESULT& Result);
  virtual void DoSetValueAsInt32(Integer PropertyID, Integer Value, HRESULT& Result);
  virtual void DoSetValueAsInt64(Integer PropertyID, Int64 Value, HRESULT& Result);
  virtual void DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result);
  virtual void DoSetValueAsVariant(Integer PropertyID, const Variant& Value, HRESULT& Result);
  virtual HRESULT DoReset() { return E_NOTIMPL; }

 private:
  template <class F>
  HRESULT Guarded(F&& Body);
  IPtr<IInterface> FCustomObject;
};

// ---- support routines ----------------------------------------------------------------------------

// The core reference that the routines below create objects through.
class TZEPHAPIWrappers {
 public:
  TZEPHAPIWrappers() = delete;
  static void Initialize(IZEPHCore* Core);
  static void Finalize();
};

// Raises "Plugin was not initialized" when no core is stored.
IPtr<IZEPHCore> CoreGetIntf();
// Raises Fmt formatted with R (signed decimal) when R is negative.
void CheckResult(HRESULT R, StringView Fmt);
// Raises "Cannot create object (%d)" on failure; Obj holds a reference of the type IID names.
void CoreCreateObject(const TGUID& IID, void** Obj);
template <InterfaceType I>
IPtr<I> CoreCreateObject() {
  void* obj = nullptr;
  CoreCreateObject(IIDOf<I>(), &obj);
  return IPtr<I>::Adopt(static_cast<I*>(obj));
}
bool CoreGetService(const TGUID& IID, void** Obj);
template <InterfaceType I>
bool CoreGetService(IPtr<I>& Obj) {
  void* obj = nullptr;
  const bool found = CoreGetService(IIDOf<I>(), &obj) && obj;
  Obj = found ? IPtr<I>::Adopt(static_cast<I*>(obj)) : IPtr<I>();
  return found;
}
IPtr<IZEPHString> MakePluginString(const String& S);

// How the routines read the text of a plugin string; set by the adapters unit.
using TZEPHPluginStringExtractHook = void (*)(String& Text, IInterface* Intf);
extern TZEPHPluginStringExtractHook PluginStringExtractHook;
// The text of a plugin string through the hook, else its data and length; empty for null.
String PluginStringText(IZEPHString* S);

bool PropertyListReadBool(IZEPHPropertyList* List, Integer PropertyID, bool Default);
Double PropertyListReadFloat(IZEPHPropertyList* List, Integer PropertyID, Double Default);
Integer PropertyListReadInt32(IZEPHPropertyList* List, Integer PropertyID, Integer Default);
bool PropertyListReadObjectAsString(IZEPHPropertyList* List, Integer PropertyID, IPtr<IZEPHString>& S);
bool PropertyListTryReadString(IZEPHPropertyList* List, Integer PropertyID, String& Text);
String PropertyListReadString(IZEPHPropertyList* List, Integer PropertyID);
// Raises "PropList is nil" for a null list and the result code when the write fails.
void PropertyListWriteInt32(IZEPHPropertyList* List, Integer PropertyID, Integer Value);
void PropertyListWriteBool(IZEPHPropertyList* List, Integer PropertyID, bool Value);

// ---- streams -------------------------------------------------------------------------------------

// A program stream that reads and writes through a plugin stream.
class TZEPHStreamWrapper : public TStream {
  ZCL_CLASS(TZEPHStreamWrapper, TStream)
 public:
  explicit TZEPHStreamWrapper(IZEPHStream* ASource) : FSource(ASource) {}
  using TStream::Read;
  using TStream::Write;
  Integer Read(void* Buffer, Integer Count) override;
  // The written count on success, 0 on failure.
  Integer Write(const void* Buffer, Integer Count) override;
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
  Int64 GetSize() override;
  // A failing plugin stream raises the silent EAbort.
  void SetSize(Int64 NewSize) override;
  IZEPHStream* GetSource() const { return FSource.get(); }

 private:
  IPtr<IZEPHStream> FSource;
};

// A plugin stream over a program stream.
class TZEPHStreamAdapter : public TInterfacedObjectEx, public virtual IZEPHStream {
  ZCL_CLASS(TZEPHStreamAdapter, TInterfacedObjectEx)
  RTL_INTERFACES(TInterfacedObjectEx, IZEPHStream)
 public:
  // Raises EStreamError "Unsupported stream class" when IsStreamSupported refuses ASource.
  TZEPHStreamAdapter(TStream* ASource, TStreamOwnership AOwnership, bool AReadOnly = false);
  ~TZEPHStreamAdapter() override;
  void AfterConstruction() override;

  Int64 GetSize() override;
  HRESULT SetSize(Int64 Value) override;
  Int64 GetPosition() override;
  // S_OK when the stream ended where the mode and offset say, else E_FAIL.
  HRESULT Seek(Int64 Offset, Integer Mode) override;
  Integer Read(void* Buffer, Integer Count) override { return DoRead(Buffer, Count); }
  HRESULT Write(const void* Buffer, Integer Count, Integer* Written) override;

  TStream* GetSource() const { return FSource; }
  TStreamOwnership GetOwnership() const { return FOwnership; }
  bool GetReadOnly() const { return FReadOnly; }

 protected:
  virtual bool IsStreamSupported(TStream* AStream) { return AStream != nullptr; }
  virtual Integer DoRead(void* Buffer, Integer Count);
  TStream* FSource;
  TStreamOwnership FOwnership;
  bool FReadOnly;
};

class TZEPHMemoryStreamAdapter : public TZEPHStreamAdapter, public IZEPHMemoryStream {
  ZCL_CLASS(TZEPHMemoryStreamAdapter, TZEPHStreamAdapter)
  RTL_INTERFACES(TZEPHStreamAdapter, IZEPHMemoryStream)
 public:
  TZEPHMemoryStreamAdapter();
  // The memory stream's bytes; null for an empty stream.
  void* GetData() override;

 protected:
  bool IsStreamSupported(TStream* AStream) override;
};

class TZEPHFileStreamAdapter : public TZEPHStreamAdapter, public IZEPHFileStream {
  ZCL_CLASS(TZEPHFileStreamAdapter, TZEPHStreamAdapter)
  RTL_INTERFACES(TZEPHStreamAdapter, IZEPHFileStream)
 public:
  TZEPHFileStreamAdapter(const String& FileName, Word Mode);
  TZEPHFileStreamAdapter(IZEPHString* FileName, Word Mode);
  HRESULT GetClipping(Int64& Offset, Int64& Size) override;
  HRESULT GetFileName(IPtr<IZEPHString>& S) override;

 protected:
  TZEPHFileStreamAdapter(TStream* ASource, bool AReadOnly);
  bool IsStreamSupported(TStream* AStream) override;
  // -1 when nothing was read for a non-zero count before the end, or on an exception.
  Integer DoRead(void* Buffer, Integer Count) override;
};

// Over any program stream, always owned; the clipping and file name are found behind wrappers.
class TZEPHFileStreamAdapterEx : public TZEPHFileStreamAdapter {
  ZCL_CLASS(TZEPHFileStreamAdapterEx, TZEPHFileStreamAdapter)
 public:
  TZEPHFileStreamAdapterEx(TStream* ASource, bool AReadOnly) : TZEPHFileStreamAdapter(ASource, AReadOnly) {}
  HRESULT GetClipping(Int64& Offset, Int64& Size) override;
  HRESULT GetFileName(IPtr<IZEPHString>& S) override;

 protected:
  bool IsStreamSupported(TStream* AStream) override { return AStream != nullptr; }
};
