#pragma once
// Style resources: one themable value of the user interface (a colour, margins, an integer; fonts
// and textures elsewhere). A resource holds its own value or refers, by a dotted identifier such
// as "Common.Colors.Text", to a resource of the same kind that its Owner resolves. A resource
// listens to the one it refers to, so changes travel up every chain of references.

#include <functional>
#include <vector>

#include "rtl/RTL.TypInfo.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Classes.h"
#include "zcl/base/ZCL.Colors.h"
#include "zcl/base/ZCL.ObjectLinks.h"
#include "zcl/base/ZCL.Utils.Common.h"

class TZCLResource;
using TZCLResourceClass = TClass;

inline PTypeInfo ZclEnumTypeInfo(const TZCLBoolean*) {
  static const PTypeInfo info = ::detail::MakeEnumType(u"TZCLBoolean", otUByte, "Default, False, True");
  return info;
}
constexpr Integer EnumHigh(TZCLBoolean) { return 2; }

// Change flags of resources and styles.
constexpr TZCLPersistentChanges ZCLResourceChangeContent = 1;
constexpr TZCLPersistentChanges ZCLResourceChangeTargetDPI = 2;
constexpr TZCLPersistentChanges ZCLResourceChangeColorSchema = 4;

struct IZCLResourceChangeListener : virtual IInterface {
  RTL_INTERFACE(IZCLResourceChangeListener, IInterface, "{0D4B7A61-2E93-4C58-B1F7-6A2C9E3D5B10}")
  virtual void ResourceChanged(TObject* Sender, TZCLResource* Resource) = 0;
};

struct IZCLResourceChangeNotifier : virtual IInterface {
  RTL_INTERFACE(IZCLResourceChangeNotifier, IInterface, "{0D4B7A61-2E93-4C58-B1F7-6A2C9E3D5B11}")
  virtual void ListenerAdd(IZCLResourceChangeListener* Listener) = 0;
  virtual void ListenerRemove(IZCLResourceChangeListener* Listener) = 0;
};

struct IZCLResourceProvider : virtual IInterface {
  RTL_INTERFACE(IZCLResourceProvider, IInterface, "{0D4B7A61-2E93-4C58-B1F7-6A2C9E3D5B12}")
  // The resource under ID of ResourceClass (or a descendant); never Sender itself.
  virtual TZCLResource* GetResource(const String& ID, TZCLResourceClass ResourceClass, TObject* Sender) = 0;
};

class TZCLResourceListenerList : public TZCLListenerList {
  ZCL_CLASS(TZCLResourceListenerList, TZCLListenerList)
 public:
  using TZCLListenerList::TZCLListenerList;
  void NotifyBeginUpdate();
  void NotifyEndUpdate();
  void NotifyRemoving(TObject* Object);
  void NotifyResourceChanged(TObject* Sender, TZCLResource* Resource);
};

class TZCLResource : public TZCLLockablePersistent,
                     public IZCLResourceChangeNotifier,
                     public IZCLResourceChangeListener,
                     public IZCLObjectRemoveNotify {
  ZCL_CLASS(TZCLResource, TZCLLockablePersistent)
  RTL_INTERFACES(TZCLLockablePersistent, IZCLResourceChangeNotifier, IZCLResourceChangeListener,
                 IZCLObjectRemoveNotify)
 public:
  using TCreateSignature = void(TObject* AOwner);
  // Create with Create<T>(Owner): construction finishes, silently, in AfterConstruction.
  explicit TZCLResource(TObject* AOwner);
  ~TZCLResource() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  bool IsEqual(TZCLResource* Resource);
  bool IsDefault() { return !IsIDStored() && !IsValueStored(); }
  void Reset();
  void RefreshReferenceNow() { RefreshReference(); }
  String ToString() const override;

  const String& GetID() const { return FID; }
  virtual void SetID(const String& Value);
  const String& GetDefaultID() const { return FDefaultID; }
  TZCLResource* GetReference() const { return FReference; }
  TObject* GetResourceOwner() const { return FOwner; }
  Integer GetTargetDPI() const { return FTargetDPI; }
  void SetTargetDPI(Integer Value);

  virtual TZCLResourceClass GetResourceClass() const { return ClassType(); }
  virtual String GetValueText() const { return String(); }
  virtual TZCLResource* Clone() const;
  // A default identifier from the owner; a user's own identifier stays.
  virtual void InitializeDefault(const String& ID);
  virtual bool IsIDStored() const { return FID != FDefaultID; }
  virtual bool IsValueStored() const { return FReference == nullptr; }
  virtual void FlushCache() {}
  virtual void RefreshReference();
  // "Color", "Margins"... (the class name less "TZCLResource").
  static String GetTypeName(TClass ResourceClass);

  void ListenerAdd(IZCLResourceChangeListener* Listener) override;
  void ListenerRemove(IZCLResourceChangeListener* Listener) override;
  void ResourceChanged(TObject* Sender, TZCLResource* Resource) override;
  void OnRemove(TObject* Object) override;

 protected:
  virtual void DoAssignValue(TZCLResource* Source, bool AssignValue) = 0;
  virtual void ReferenceChanged() { Changed(ZCLResourceChangeContent); }
  virtual void DoReset() { SetID(FDefaultID); }
  virtual void DoResourceChanged(TObject* Sender, TZCLResource* Resource);
  virtual void DoTargetDPIChanged() { FlushCache(); }
  virtual bool IsValueEqual(TZCLResource* Resource) = 0;
  virtual void Initialize() { Reset(); }
  void DoAssign(TPersistent* Source) override;
  void DoChanged(TZCLPersistentChanges Changes) override;
  void ResolveReference();
  void SetReference(TZCLResource* Value);
  TZCLResource* FindReference();
  // Without the resolution that SetID runs.
  void SetDefaultIDField(const String& Value) { FDefaultID = Value; }

  String FID;
  String FDefaultID;
  TZCLResourceListenerList* FListeners;
  TZCLResource* FReference = nullptr;
  TObject* FOwner;
  Integer FTargetDPI = 96;
};

// A resource holding one value of T. The null value means "not set": the default is read then.
template <class T>
class TZCLResourceSimple : public TZCLResource {
  ZCL_CLASS(TZCLResourceSimple, TZCLResource)
 public:
  using TZCLResource::TZCLResource;
  using TZCLResource::InitializeDefault;

  virtual bool SameValue(const T& A, const T& B) const = 0;
  virtual T GetNullValue() const { return T{}; }
  virtual T GetValue() {
    if (FReference) return static_cast<TZCLResourceSimple<T>*>(FReference)->GetValue();
    return SameValue(FValue, GetNullValue()) ? FDefaultValue : FValue;
  }
  // Holding a value of its own, the resource stops referring.
  void SetValue(const T& Value) {
    if (FID.empty() && SameValue(Value, FValue)) return;
    BeginUpdate();
    FValue = Value;
    SetID(String());
    Changed(ZCLResourceChangeContent);
    EndUpdate();
  }
  // True when the value followed the default.
  virtual bool InitializeDefault(const String& ID, const T& DefaultValue) {
    TZCLResource::InitializeDefault(ID);
    const bool follows = SameValue(FValue, FDefaultValue);
    if (follows) FValue = DefaultValue;
    FDefaultValue = DefaultValue;
    FlushCache();
    return follows;
  }
  void InitializeDefault(const String& ID) override { InitializeDefault(ID, GetNullValue()); }
  bool IsValueStored() const override {
    auto* self = const_cast<TZCLResourceSimple<T>*>(this);
    return !FReference && !SameValue(FValue, self->GetNullValue()) && !SameValue(FValue, FDefaultValue);
  }
  const T& GetOwnValue() const { return FValue; }
  const T& GetDefaultValue() const { return FDefaultValue; }

 protected:
  void DoAssignValue(TZCLResource* Source, bool AssignValue) override {
    if (AssignValue) SetValue(static_cast<TZCLResourceSimple<T>*>(Source)->GetValue());
  }
  void DoReset() override {
    SetValue(GetNullValue());
    TZCLResource::DoReset();
  }
  void Initialize() override {
    FDefaultValue = GetNullValue();
    TZCLResource::Initialize();
  }
  bool IsValueEqual(TZCLResource* Resource) override {
    return SameValue(GetValue(), static_cast<TZCLResourceSimple<T>*>(Resource)->GetValue());
  }

  T FValue{};
  T FDefaultValue{};
};

class TZCLResourceColor : public TZCLResourceSimple<TAlphaColor>, public IZCLColorSchema {
  ZCL_CLASS(TZCLResourceColor, TZCLResourceSimple<TAlphaColor>)
  RTL_INTERFACES(TZCLResource, IZCLColorSchema)
 public:
  using TZCLResourceSimple::TZCLResourceSimple;
  static void DeclareProperties(TClassDeclaration<TZCLResourceColor>& D);

  bool SameValue(const TAlphaColor& A, const TAlphaColor& B) const override { return A == B; }
  TAlphaColor GetNullValue() const override { return claDefault; }
  // With opacity and the colour schema applied; cached.
  TAlphaColor GetValue() override;
  String GetValueText() const override;
  void FlushCache() override { FCachedValue = claDefault; }
  void ApplyColorSchema(const TZCLColorSchema& Schema) override;

  TColor GetAsColor() { return TAlphaColorHelper::ToColor(GetValue()); }
  void SetAsColor(TColor Value) { SetValue(TAlphaColorHelper::FromColor(Value, 255)); }
  // A slot referring to ID; found nowhere, it reads the default colour.
  void InitializeAsRef(const String& ID, bool AAllowAlpha);
  // A slot referring to ID; found nowhere, it reads Color.
  void InitializeAsColor(const String& ID, TColor Color);
  bool InitializeDefault(const String& ID, const TAlphaColor& DefaultValue) override;
  bool HasAlpha() { return FAllowAlpha && (GetValue() >> 24) < 255; }
  bool IsEmpty() { return GetValue() == 0; }
  bool IsColorationAllowed() const;
  TZCLBoolean GetAllowColoration() const { return FAllowColoration; }
  void SetAllowColoration(TZCLBoolean Value);
  Byte GetOpacity() const { return FOpacity; }
  void SetOpacity(Byte Value);
  bool GetAllowAlpha() const { return FAllowAlpha; }
  // The schema applied last (ApplyColorSchema).
  TZCLColorSchema GetColorSchema() const { return FColorSchema; }

 protected:
  void DoAssignValue(TZCLResource* Source, bool AssignValue) override;
  void DoReset() override;
  void Initialize() override;
  bool IsValueEqual(TZCLResource* Resource) override;

 private:
  TAlphaColor GetStoredValue() const { return FValue; }
  TAlphaColor FCachedValue = claDefault;
  TZCLBoolean FAllowColoration = TZCLBoolean::Default;
  Byte FOpacity = 255;
  TZCLColorSchema FColorSchema = TZCLColorSchema::Default();
  bool FAllowAlpha = true;
};

// Margins: the null value is the default itself.
class TZCLResourceMargins : public TZCLResourceSimple<TRect> {
  ZCL_CLASS(TZCLResourceMargins, TZCLResourceSimple<TRect>)
 public:
  using TZCLResourceSimple::TZCLResourceSimple;
  static void DeclareProperties(TClassDeclaration<TZCLResourceMargins>& D);

  bool SameValue(const TRect& A, const TRect& B) const override { return A == B; }
  TRect GetNullValue() const override { return FDefaultValue; }
  String GetValueText() const override;
  // 0 unless all four sides are equal.
  Integer GetAll();
  // Not clamped.
  void SetAll(Integer Value) { SetValue(TRect(Value, Value, Value, Value)); }
  // Sides by index: 0 left, 1 top, 2 right, 3 bottom; negative values become 0.
  Integer GetSide(Integer Index);
  void SetSide(Integer Index, Integer Value);
};

class TZCLResourceInteger : public TZCLResourceSimple<Integer> {
  ZCL_CLASS(TZCLResourceInteger, TZCLResourceSimple<Integer>)
 public:
  using TZCLResourceSimple::TZCLResourceSimple;
  static void DeclareProperties(TClassDeclaration<TZCLResourceInteger>& D);

  bool SameValue(const Integer& A, const Integer& B) const override { return A == B; }
  String GetValueText() const override;
};

// The resource classes known to streams, in registration order.
class TZCLResourceClassRepository {
 public:
  static void Register(TZCLResourceClass Class);
  static void Unregister(TZCLResourceClass Class);
  static void Enum(const std::function<void(TZCLResourceClass)>& Proc);
  // Unit hooks: the value resources here (fonts and textures add themselves).
  static void Initialize();
  static void Finalize();
};
