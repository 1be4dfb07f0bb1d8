#pragma once
// Adapters: property lists that stand for one program object behind a plugin interface, the
// registry that finds or creates the adapter of a program object, the way back from a plugin
// interface to its program object, and the routines that turn plugin strings into program text.

#include <functional>
#include <unordered_map>

#include "rtl/RTL.TypInfo.h"
#include "zcl/base/ZCL.ObjectLinks.h"
#include "zeph/core/ZEPH.Core.PluginAPI.h"

class TPersistent;
class TZCLStringList;

// A property list whose program object is itself.
class TZEPHSimpleObjectAdapter : public TZEPHPropertyList, public IObject {
  ZCL_CLASS(TZEPHSimpleObjectAdapter, TZEPHPropertyList)
  RTL_INTERFACES(TZEPHPropertyList, IObject)
 public:
  TObject* GetObject() override { return GetLinkedObject(); }
  virtual TObject* GetLinkedObject() { return this; }
};

// An adapter over a program object held by a weak reference: once the object is gone every
// operation answers E_HANDLE; off the main thread E_ACCESSDENIED unless the adapter is thread-safe.
class TZEPHCustomObjectAdapter : public TZEPHSimpleObjectAdapter,
                                 public IZEPHCoreClassAdapter,
                                 public IZCLObjectLinksSupport {
  ZCL_CLASS(TZEPHCustomObjectAdapter, TZEPHSimpleObjectAdapter)
  RTL_INTERFACES(TZEPHSimpleObjectAdapter, IZEPHCoreClassAdapter, IZCLObjectLinksSupport)
 public:
  using TCreateSignature = void(TObject*);
  explicit TZEPHCustomObjectAdapter(TObject* AObject = nullptr, TStreamOwnership AOwnership = soReference);
  ~TZEPHCustomObjectAdapter() override;
  void BeforeDestruction() override;

  TObject* GetLinkedObject() override { return FObject; }
  // Links the adapter with AObject: a weak reference, and findable from AObject by the map.
  virtual void SetObject(TObject* AObject);
  virtual HRESULT CheckState();
  bool GetThreadSafe() const { return FThreadSafe; }
  TStreamOwnership GetOwnership() const { return FOwnership; }
  void SetOwnership(TStreamOwnership Value) { FOwnership = Value; }

 protected:
  bool CheckAccess(HRESULT& Result) override;
  bool FThreadSafe = false;
  TStreamOwnership FOwnership;
  TObject* FObject = nullptr;
};

// Maps integer property identifiers onto published properties of program objects.
class TZEPHMappedObjectAdapter : public TZEPHCustomObjectAdapter {
  ZCL_CLASS(TZEPHMappedObjectAdapter, TZEPHCustomObjectAdapter)
 public:
  using TCreateSignature = void(TPersistent*, TStreamOwnership);
  struct TLocalPropInfo {
    TObject* Object;
    PPropInfo PropInfo;
  };
  TZEPHMappedObjectAdapter(TPersistent* AObject, TStreamOwnership AOwnership);

  // Maps PropertyID to AObject's published property PropName (replacing an earlier mapping); a
  // name that is not published is ignored.
  void MapProperty(Integer PropertyID, StringView PropName, TObject* AObject);
  bool IsMapped(Integer PropertyID) const { return FProperties.count(PropertyID) != 0; }

 protected:
  IPtr<IInterface> DoGetValueAsObject(Integer PropertyID) override;
  void DoGetValueAsVariant(Integer PropertyID, Variant& Value, HRESULT& Result) override;
  void DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) override;
  void DoSetValueAsVariant(Integer PropertyID, const Variant& Value, HRESULT& Result) override;

 private:
  const TLocalPropInfo* Find(Integer PropertyID) const;
  std::unordered_map<Integer, TLocalPropInfo> FProperties;
};
using TZEPHMappedObjectAdapterClass = const TClassRecord*;

using TZEPHCoreAdapterCreateProc = std::function<IPtr<IInterface>(TObject* AObject, TStreamOwnership AOwnership)>;

class TZEPHCoreAdaptersMap {
 public:
  TZEPHCoreAdaptersMap() = delete;
  // Each class once: a second registration raises.
  static void Register(TClass AClass, TZEPHCoreAdapterCreateProc AProc);
  static void RegisterMapped(TClass AObjectClass, TZEPHMappedObjectAdapterClass AAdapterClass);
  static void Unregister(TClass AClass);
  // The adapter already linked to AObject, else a new one by the nearest registered class;
  // raises "Adapter for %s was not found". Null for a null object.
  static void GetAdapter(IPtr<IInterface>& Intf, TObject* AObject, TStreamOwnership AOwnership);
  static HRESULT QueryAdapter(TObject* AObject, const TGUID& IID, void** Obj);
  static void Finalize();
};

HRESULT AdapterGetObject(IInterface* Intf, TClass AClass, TObject*& Obj, bool AllowNil);
// Raises EInvalidCast with AClass's name on failure; null for a null Intf.
TObject* AdapterGetObjectChecked(IInterface* Intf, TClass AClass);
bool TryQueryInterface(IInterface* Intf, const TGUID& IID, void** Obj, HRESULT& R);
Integer GetObjectDPI(IInterface* Intf);
bool TryPluginStringToStr(IInterface* Intf, String& Text);
bool TryPluginStringToStrEx(IInterface* Intf, String& Text, HRESULT& R);
String PluginStringToStr(IInterface* Intf);
String PluginStringToStrDef(IInterface* Intf, const String& Default, HRESULT& R);
// A new list the caller owns.
TZCLStringList* PluginObjectListToStringList(IZEPHObjectList* List);

// Unit start-up: the string hook and the string-list adapter.
void AdaptersInitialize();
void AdaptersFinalize();
