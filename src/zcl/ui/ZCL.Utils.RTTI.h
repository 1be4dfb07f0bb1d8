#pragma once
// Reading and writing properties of objects by name, as text or variants, without knowing their
// classes: the skin schema, the inspector, bindings and the style refresh go through TRTTI.

#include <functional>
#include <vector>

#include "rtl/RTL.Classes.h"
#include "rtl/RTL.TypInfo.h"
#include "rtl/RTL.Variant.h"

// On a published property: hidden from the object inspector and not written by the skin schema.
class HiddenAttribute : public TCustomAttribute {
  ZCL_CLASS(HiddenAttribute, TCustomAttribute)
};

class TRTTI {
 public:
  TRTTI() = delete;

  // Published properties of Obj's class, own and inherited; False (List empty) when there are none.
  static bool GetPropList(const TObject* Obj, std::vector<PPropInfo>& List);
  static bool GetPropList(TClass AClass, std::vector<PPropInfo>& List);
  // The class when it carries extended type information; EInvalidOperation otherwise.
  static TClass GetRttiType(const TObject* Obj);
  // Case-sensitive search over every property of the type, own and inherited.
  static bool FindProperty(TClass RttiType, StringView Name, PPropInfo& Prop);
  static PPropInfo GetPropInfo(const TObject* Obj, StringView Name,
                               const TMemberVisibilities& Visibilities = {mvPublished});
  // Walks a dotted path ("Font.Color"); Obj becomes the object owning the last property.
  static PPropInfo GetPropInfoByPath(TObject*& Obj, StringView Path,
                                     const TMemberVisibilities& Visibilities = {mvPublished});
  static TCustomAttribute* GetAttribute(const TObject* Obj, PPropInfo Prop, TClass AttributeClass,
                                        bool Inherited = false);
  static bool IsPropType(PPropInfo Prop, PTypeInfo Type) { return Prop && Prop->PropType == Type; }
  static bool IsBooleanProp(PPropInfo Prop) { return IsPropType(Prop, TypeInfo<bool>()); }
  static bool IsUnsignedProp(PPropInfo Prop);
  static bool ShouldStore(const TObject* Obj, PPropInfo Prop);
  static Variant GetPropValue(const TObject* Obj, PPropInfo Prop, bool PreferStrings = true);
  static bool TryGetPropValueAsString(const TObject* Obj, PPropInfo Prop, String& Text);
  static String GetPropValueAsString(const TObject* Obj, PPropInfo Prop);
  static String GetPropValueAsString(const TObject* Obj, StringView Name);
  static void SetPropValueFromString(TObject* Obj, PPropInfo Prop, const String& Text);
  static void SetPropValueFromString(TObject* Obj, StringView Name, const String& Text);
  static void SetPropValue(TObject* Obj, PPropInfo Prop, const Variant& Value);
  static void SetBooleanProp(TObject* Obj, PPropInfo Prop, bool Value);
  static TObject* GetObjectProp(const TObject* Obj, StringView Name, TClass MinClass = nullptr);

  // Every object held by a class-kind property of the given visibilities (components and nil
  // skipped): objects of T go to Proc; others are entered when Recursive.
  template <class T>
  static void EnumClassProperties(TObject* Obj, const std::function<void(T*)>& Proc, bool Recursive,
                                  const TMemberVisibilities& Visibilities = {mvPublished}) {
    EnumObjects(Obj, T::StaticClass(), [&](TObject* Value) { Proc(static_cast<T*>(Value)); }, Recursive,
                Visibilities);
  }

 private:
  static void EnumObjects(TObject* Obj, TClass Wanted, const std::function<void(TObject*)>& Proc, bool Recursive,
                          const TMemberVisibilities& Visibilities);
};

