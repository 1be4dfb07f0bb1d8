#include "zcl/ui/inspector/ZCL.UI.Controls.ObjectInspector.PropertyEditors.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "rtl/RTL.Classes.h"
#include "rtl/RTL.Format.h"
#include "rtl/RTL.Strings.h"
#include "os/OS.Text.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Colors.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/ui/ZCL.UI.Controls.Base.h"
#include "zcl/ui/ZCL.Utils.RTTI.h"
#include "zcl/ui/controls/ZCL.UI.CheckBoxes.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.ViewInfo.h"

namespace {

[[noreturn]] void RaiseReadOnly(PPropInfo Prop) { throw EPropReadOnly(u"The %s is read only", {Prop->Name}); }

// An owner-less list that frees nothing of what its items carry.
struct TTempList {
  TZCLStringList* List = Create<TZCLStringList>();
  ~TTempList() { Free(List); }
};

// A square of the bounds' height at their left, the text beside it, then the swatch.
void DrawSwatchAndText(TCanvas* Canvas, const TRect& Bounds, const String& Text, TAlphaColor Color,
                       IZCLObjectInspectorStyleSet* StyleSet) {
  TRect square(Bounds.Left, Bounds.Top, Bounds.Left + Bounds.Height(), Bounds.Bottom);
  TRect text(square.Right + 2, Bounds.Top, Bounds.Right, Bounds.Bottom);
  Canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
  CanvasDrawText(Canvas, text, Text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  square.Inflate(-2, -2);
  if (square.IsEmpty()) return;
  if (TZCLStyleHatch* hatch = StyleSet ? StyleSet->GetStyleHatch() : nullptr)
    hatch->Draw(Canvas, square, std::max(2, square.Height() / 2));
  if (TAlphaColorHelper::IsValid(Color)) FillRectAlpha(Canvas, square, Color);
}

}  // namespace

// ---- base editor ----------------------------------------------------------------------------

TZCLPropertyEditor::TZCLPropertyEditor(PPropInfo APropInfo, TPersistent* AInstance, IZCLObjectInspector* AInspector)
    : Inspector(AInspector), PropInfo(APropInfo), Instance(AInstance) {
  if (Inspector) {
    IPtr<IZCLObjectInspectorStyleSet> styles;
    if (Supports(static_cast<IInterface*>(Inspector), styles)) StyleSet = styles.get();
  }
}

String TZCLPropertyEditor::GetName() { return PropInfo->Name; }

String TZCLPropertyEditor::GetValue() {
  try {
    return TRTTI::GetPropValueAsString(Instance, PropInfo);
  } catch (const Exception&) {
    return String();
  }
}

void TZCLPropertyEditor::SetValue(const String& Value) {
  if (IsReadOnly() || !DoChanging(Value)) return;
  TRTTI::SetPropValueFromString(Instance, PropInfo, Value);
  DoChanged();
}

bool TZCLPropertyEditor::DoChanging(const Variant& Value) { return !Inspector || Inspector->PropertyChanging(this, Value); }

void TZCLPropertyEditor::DoChanged() {
  if (Inspector) Inspector->PropertyChanged(this);
}

bool TZCLPropertyEditor::IsReadOnly() const { return !PropInfo->HasSetter() && PropInfo->PropType->Kind != tkClass; }

bool TZCLPropertyEditor::IsNonStorable() const {
  return PropInfo->StoredKind == TStoredKind::Constant && !PropInfo->StoredConstant;
}

// ---- colours ----------------------------------------------------------------------------------

TAlphaColor TZCLAlphaColorPropertyEditor::GetColor() { return static_cast<TAlphaColor>(GetOrdProp(Instance, PropInfo)); }

String TZCLAlphaColorPropertyEditor::GetValue() { return TAlphaColorHelper::ToString(GetColor()); }

void TZCLAlphaColorPropertyEditor::SetValue(const String& Value) {
  // The texts GetValue shows for the two special colours read back as those colours, not as
  // hexadecimal digits.
  if (SameText(Value, TAlphaColorHelper::ToString(claNone)))
    SetColor(claNone);
  else if (SameText(Value, TAlphaColorHelper::ToString(claDefault)))
    SetColor(claDefault);
  else
    SetColor(TAlphaColorHelper::FromString(Value));
}

void TZCLAlphaColorPropertyEditor::SetColor(TAlphaColor Value) {
  const Variant value(static_cast<Cardinal>(Value));
  if (!DoChanging(value)) return;
  TRTTI::SetPropValue(Instance, PropInfo, value);
  DoChanged();
}

void TZCLAlphaColorPropertyEditor::Execute() {
  TAlphaColor color = GetColor();
  if (TZCLPropertyEditorDialogs::ColorPicker && TZCLPropertyEditorDialogs::ColorPicker(color, HasAlpha()))
    SetColor(color);
}

void TZCLAlphaColorPropertyEditor::Draw(TCanvas* Canvas, const TRect& Bounds, const TRect&) {
  DrawSwatchAndText(Canvas, Bounds, GetValue(), GetColor(), StyleSet);
}

TAlphaColor TZCLColorPropertyEditor::GetColor() {
  return TAlphaColorHelper::FromColor(static_cast<TColor>(GetOrdProp(Instance, PropInfo)), 255);
}

void TZCLColorPropertyEditor::SetColor(TAlphaColor Value) {
  if (Value == GetColor()) return;
  const Variant value(static_cast<Integer>(TAlphaColorHelper::ToColor(Value)));
  if (!DoChanging(value)) return;
  TRTTI::SetPropValue(Instance, PropInfo, value);
  DoChanged();
}

// ---- Booleans and set elements -------------------------------------------------------------------

TComponent* TZCLBooleanPropertyEditor::CreateEditBox(const TZCLInplaceInfo& Params) {
  auto* box = Create<TZCLInplaceCheckBox>(Params);
  StyleCheckBox(box);
  return box;
}

void TZCLBooleanPropertyEditor::StyleCheckBox(TObject* CheckBox) {
  auto* box = static_cast<TZCLInplaceCheckBox*>(CheckBox);
  if (!StyleSet) return;
  TZCLStyleTreeList* treeStyle = StyleSet->GetStyle();
  if (treeStyle && treeStyle->GetTargetDPI() > 0) box->ScaleForPPI(treeStyle->GetTargetDPI());
  box->SetResourceCollection(StyleSet->GetResourceCollection());
  TZCLStyleCheckBox* style = box->GetCheckBoxStyle();
  if (treeStyle) style->SetCollection(treeStyle->GetStyleCollection());
  style->GetTexture()->SetID(u"Buttons.Textures.CheckBox");
  if (TZCLStyleEdit* editStyle = StyleSet->GetStyleInplaceEdit()) {
    style->GetColorText()->Assign(editStyle->GetColorText());
    style->GetColorTextHover()->Assign(editStyle->GetColorText());
    style->GetColorTextPressed()->Assign(editStyle->GetColorText());
    style->GetColorTextDisabled()->Assign(editStyle->GetColorTextDisabled());
  }
}

void TZCLBooleanPropertyEditor::Draw(TCanvas* Canvas, const TRect& Bounds, const TRect& ContentBounds) {
  TZCLInplaceInfo info;
  auto* box = Create<TZCLInplaceCheckBox>(info);
  try {
    box->SetParentFont(false);
    box->InplaceSetValue(GetValue());
    box->GetCheckBoxSubClass()->SetFlag(bfEnabled, box->GetEnabled());
    StyleCheckBox(box);
    box->GetFont()->Assign(Canvas->GetFont());
    box->GetCheckBoxSubClass()->Calculate(TRect(ContentBounds.Left, Bounds.Top, Bounds.Right, Bounds.Bottom));
    box->GetCheckBoxSubClass()->Draw(Canvas);
  } catch (...) {
    Free(box);
    throw;
  }
  Free(box);
}

TZCLSetSubPropertyEditor::TZCLSetSubPropertyEditor(PPropInfo APropInfo, const String& AElementName,
                                                   TPersistent* AInstance, Integer AElementIndex,
                                                   IZCLObjectInspector* AInspector)
    : TZCLBooleanPropertyEditor(APropInfo, AInstance, AInspector), ElementIndex(AElementIndex), ElementName(AElementName) {}

String TZCLSetSubPropertyEditor::GetFullName() {
  const size_t dot = FullName.rfind(u'.');
  return dot == String::npos ? String() : FullName.substr(0, dot);
}

String TZCLSetSubPropertyEditor::GetValue() {
  if (ElementIndex < 0 || ElementIndex >= 32) return u"False";
  const auto value = static_cast<Cardinal>(GetOrdProp(Instance, PropInfo));
  return (value >> ElementIndex) & 1 ? u"True" : u"False";
}

void TZCLSetSubPropertyEditor::SetValue(const String& Value) {
  if (ElementIndex < 0 || ElementIndex >= 32) return;
  const auto current = static_cast<Cardinal>(GetOrdProp(Instance, PropInfo));
  const Cardinal bit = Cardinal(1) << ElementIndex;
  const Cardinal next = Value == u"True" ? current | bit : current & ~bit;
  if (next == current) return;
  const Variant value(static_cast<Integer>(next));
  if (!DoChanging(value)) return;
  TRTTI::SetPropValue(Instance, PropInfo, value);
  DoChanged();
}

// ---- fonts ------------------------------------------------------------------------------------

TFont* TZCLCustomFontPropertyEditor::GetFont() {
  return dynamic_cast<TFont*>(GetObjectProp(Instance, PropInfo));
}

void TZCLCustomFontPropertyEditor::Draw(TCanvas* Canvas, const TRect& Bounds) {
  TFont* font = GetFont();
  TFont* copy = Create<TFont>();
  if (font) copy->Assign(font);
  Canvas->GetFont()->SetName(copy->GetName());
  DrawSwatchAndText(Canvas, Bounds, GetValue(), TAlphaColorHelper::FromColor(copy->GetColor(), 255), StyleSet);
  Free(copy);
}

String TZCLFontPropertyEditor::GetValue() {
  TFont* font = GetFont();
  if (!font) return String();
  return Format(u"%s, %dpt", {font->GetName(), std::abs(font->GetSize())});
}

void TZCLFontPropertyEditor::Execute() {
  TFont* font = GetFont();
  if (!font || !TZCLPropertyEditorDialogs::FontPicker) return;
  TFont* copy = Create<TFont>();
  try {
    copy->Assign(font);
    if (TZCLPropertyEditorDialogs::FontPicker(copy) &&
        DoChanging(Variant(static_cast<UInt64>(reinterpret_cast<uintptr_t>(copy))))) {
      font->Assign(copy);
      DoChanged();
    }
  } catch (...) {
    Free(copy);
    throw;
  }
  Free(copy);
}

// ---- component references ------------------------------------------------------------------------

TZCLCustomComponentPropertyEditor::TZCLCustomComponentPropertyEditor(PPropInfo APropInfo, TPersistent* AInstance,
                                                                     IZCLObjectInspector* AInspector)
    : TZCLPropertyEditor(APropInfo, AInstance, AInspector), PropertyClass(GetObjectPropClass(APropInfo)) {}

String TZCLCustomComponentPropertyEditor::GetDisplayName(TComponent* Component) {
  if (!Component) return String();
  if (!Component->GetName().empty()) return Component->GetName();
  return Format(u"<Components[%d]>", {Component->GetComponentIndex()});
}

String TZCLCustomComponentPropertyEditor::GetValue() {
  return GetDisplayName(dynamic_cast<TComponent*>(GetObjectProp(Instance, PropInfo)));
}

void TZCLCustomComponentPropertyEditor::GetValues(TZCLStringList* List) {
  List->BeginUpdate();
  try {
    PopulateValues(List);
    List->SortLogical();
    List->Insert(0, String());
    const String current = GetValue();
    if (List->IndexOf(current) < 0) List->Insert(1, current);
  } catch (...) {
    List->EndUpdate();
    throw;
  }
  List->EndUpdate();
}

void TZCLCustomComponentPropertyEditor::AddComponent(TComponent* Component, TZCLStringList* List) {
  if (Component && !Component->GetName().empty() && Component->InheritsFrom(PropertyClass))
    List->Add(GetDisplayName(Component), Component);
}

void TZCLCustomComponentPropertyEditor::AddOwnedComponents(TComponent* Owner, TZCLStringList* List) {
  if (!Owner) return;
  for (Integer i = 0; i < Owner->GetComponentCount(); ++i) AddComponent(Owner->GetComponent(i), List);
}

void TZCLCustomComponentPropertyEditor::AddComponents(const std::vector<TComponent*>& Components,
                                                      TZCLStringList* List) {
  for (TComponent* c : Components) AddComponent(c, List);
}

void TZCLCustomComponentPropertyEditor::SetValue(const String& Value) {
  if (Value.empty()) {
    SetComponent(nullptr);
    return;
  }
  TTempList values;
  GetValues(values.List);
  const Integer index = values.List->IndexOf(Value);
  if (index < 0) return;
  // The entry that stands for a current value owned elsewhere carries no component: choosing it
  // keeps the reference as it is.
  if (auto* component = dynamic_cast<TComponent*>(values.List->GetObjects(index))) SetComponent(component);
}

void TZCLCustomComponentPropertyEditor::SetComponent(TComponent* Value) {
  if (!DoChanging(Variant(static_cast<UInt64>(reinterpret_cast<uintptr_t>(Value))))) return;
  if (!Value || Value->InheritsFrom(PropertyClass)) {
    if (!PropInfo->HasSetter()) RaiseReadOnly(PropInfo);
    SetObjectProp(Instance, PropInfo, Value);
  }
  DoChanged();
}

void TZCLComponentPropertyEditor::PopulateValues(TZCLStringList* List) {
  if (!Instance || !Inspector) return;
  auto* inspected = dynamic_cast<TPersistent*>(Inspector->GetInspectedObject());
  if (!inspected) return;
  for (TPersistent* p = inspected->GetOwner(); p; p = p->GetOwner())
    if (auto* owner = dynamic_cast<TComponent*>(p)) {
      AddOwnedComponents(owner, List);
      return;
    }
}

// ---- enumerations, objects, sets ---------------------------------------------------------------------

void TZCLEnumPropertyEditor::GetValues(TZCLStringList* List) {
  const TTypeData& data = PropInfo->PropType->Data;
  for (Int64 i = data.MinValue; i <= data.MaxValue; ++i)
    List->Add(GetEnumName(PropInfo->PropType, static_cast<Integer>(i)),
              reinterpret_cast<TObject*>(static_cast<intptr_t>(i)));
}

String TZCLObjectPropertyEditor::GetValue() {
  TObject* value = GetObjectProp(Instance, PropInfo);
  String text = value ? value->ToString() : String();
  if (text.empty()) {
    TClass cls = GetObjectPropClass(PropInfo);
    text = cls ? cls->ClassName() : PropInfo->PropType->Name;
  }
  return u"(" + text + u")";
}

String TZCLSetPropertyEditor::GetValue() { return u"[" + TZCLPropertyEditor::GetValue() + u"]"; }

void TZCLSetPropertyEditor::GetProperties(const TZCLPropertyEditorAddProc& Add) {
  PTypeInfo element = PropInfo->PropType->Data.CompType;
  if (!element) return;
  for (Int64 i = element->Data.MinValue; i <= element->Data.MaxValue; ++i)
    Add(Create<TZCLSetSubPropertyEditor>(PropInfo, GetEnumName(element, static_cast<Integer>(i)), Instance,
                                         static_cast<Integer>(i), Inspector));
}

// ---- registry ---------------------------------------------------------------------------------------

namespace {

std::vector<TZCLPropertyEditors::TPropertyInfo>* GEntries = nullptr;
std::array<TZCLPropertyEditorClass, tkProcedure + 1> GKindDefaults{};

bool IsInterfaceAncestor(PTypeInfo Ancestor, PTypeInfo Type) {
  for (PTypeInfo t = Type; t; t = t->Data.IntfParent)
    if (t == Ancestor || (t->Data.Guid && Ancestor->Data.Guid && *t->Data.Guid == *Ancestor->Data.Guid)) return true;
  return false;
}

// Type descends from Ancestor (or is it): class inheritance or interface ancestry.
bool TypeDescends(PTypeInfo Type, PTypeInfo Ancestor) {
  if (Type == Ancestor) return true;
  if (!Type || !Ancestor || Type->Kind != Ancestor->Kind) return false;
  if (Type->Kind == tkClass)
    return Type->Data.ClassType && Ancestor->Data.ClassType && Type->Data.ClassType->InheritsFrom(Ancestor->Data.ClassType);
  if (Type->Kind == tkInterface) return IsInterfaceAncestor(Ancestor, Type);
  return false;
}

bool Matches(const TZCLPropertyEditors::TPropertyInfo& E, PTypeInfo T, const TObject* Instance, const String& Name) {
  if (!TypeDescends(T, E.PropertyType)) return false;
  if (E.OwnerClass && (!Instance || !Instance->InheritsFrom(E.OwnerClass))) return false;
  return E.PropertyName.empty() || SameText(E.PropertyName, Name);
}

bool IsBetter(const TZCLPropertyEditors::TPropertyInfo& E, const TZCLPropertyEditors::TPropertyInfo& Best, PTypeInfo T) {
  if (!Best.OwnerClass && E.OwnerClass) return true;
  if (Best.PropertyName.empty() && !E.PropertyName.empty()) return true;
  if (Best.PropertyType != T && E.PropertyType == T) return true;
  if (E.PropertyType != Best.PropertyType && TypeDescends(E.PropertyType, Best.PropertyType)) return true;
  return Best.OwnerClass && E.OwnerClass && E.OwnerClass != Best.OwnerClass && E.OwnerClass->InheritsFrom(Best.OwnerClass);
}

}  // namespace

void TZCLPropertyEditors::Register(PTypeInfo PropertyType, TClass OwnerClass, const String& PropertyName,
                                   TZCLPropertyEditorClass EditorClass) {
  if (!GEntries) GEntries = new std::vector<TPropertyInfo>();
  TPropertyInfo info;
  info.OwnerClass = OwnerClass;
  info.EditorClass = EditorClass;
  if (OwnerClass) info.PropertyName = PropertyName;
  info.PropertyType = PropertyType;
  GEntries->insert(GEntries->begin(), std::move(info));
}

void TZCLPropertyEditors::RegisterKind(TTypeKind TypeKind, TZCLPropertyEditorClass EditorClass) {
  if (static_cast<size_t>(TypeKind) < GKindDefaults.size()) GKindDefaults[TypeKind] = EditorClass;
}

void TZCLPropertyEditors::HideProperty(TClass OwnerClass, const String& PropertyName) {
  if (PPropInfo prop = ::GetPropInfo(OwnerClass, PropertyName))
    Register(prop->PropType, OwnerClass, PropertyName, nullptr);
}

void TZCLPropertyEditors::HideProperties(TClass OwnerClass, std::initializer_list<String> PropertyNames) {
  for (const String& name : PropertyNames) HideProperty(OwnerClass, name);
}

TZCLPropertyEditorClass TZCLPropertyEditors::GetEditorClass(PTypeInfo PropertyType, const TObject* Instance,
                                                            const String& PropertyName) {
  if (!PropertyType) return nullptr;
  const TPropertyInfo* best = nullptr;
  if (GEntries)
    for (const TPropertyInfo& e : *GEntries)
      if (Matches(e, PropertyType, Instance, PropertyName) && (!best || IsBetter(e, *best, PropertyType))) best = &e;
  if (best) return best->EditorClass;
  const auto kind = static_cast<size_t>(PropertyType->Kind);
  return kind < GKindDefaults.size() ? GKindDefaults[kind] : nullptr;
}

TZCLPropertyEditorClass TZCLPropertyEditors::GetEditorClass(PPropInfo PropInfo, const TObject* Instance) {
  return PropInfo ? GetEditorClass(PropInfo->PropType, Instance, PropInfo->Name) : nullptr;
}

TZCLPropertyEditor* TZCLPropertyEditors::CreateEditor(PPropInfo PropInfo, TPersistent* Instance,
                                                      IZCLObjectInspector* Inspector) {
  TZCLPropertyEditorClass cls = GetEditorClass(PropInfo, Instance);
  return cls ? cls->Create<TZCLPropertyEditor>(PropInfo, Instance, Inspector) : nullptr;
}

const std::vector<TZCLPropertyEditors::TPropertyInfo>& TZCLPropertyEditors::GetEntries() {
  static const std::vector<TPropertyInfo> empty;
  return GEntries ? *GEntries : empty;
}

void TZCLPropertyEditors::RegisterDefaults() {
  Finalize();
  GKindDefaults.fill(nullptr);
  RegisterKind(tkClass, TZCLObjectPropertyEditor::StaticClass());
  RegisterKind(tkEnumeration, TZCLEnumPropertyEditor::StaticClass());
  RegisterKind(tkSet, TZCLSetPropertyEditor::StaticClass());
  for (TTypeKind kind : {tkFloat, tkInt64, tkInteger, tkLString, tkString, tkUString, tkWString, tkVariant})
    RegisterKind(kind, TZCLPropertyEditor::StaticClass());
  Register(TypeInfo<TComponent*>(), TPersistent::StaticClass(), String(), TZCLComponentPropertyEditor::StaticClass());
  Register(TypeInfoTAlphaColor(), nullptr, String(), TZCLAlphaColorPropertyEditor::StaticClass());
  Register(TypeInfoTColor(), nullptr, String(), TZCLColorPropertyEditor::StaticClass());
  Register(TypeInfo<bool>(), nullptr, String(), TZCLBooleanPropertyEditor::StaticClass());
  Register(TypeInfo<TFont*>(), nullptr, String(), TZCLFontPropertyEditor::StaticClass());
}

void TZCLPropertyEditors::Finalize() {
  delete GEntries;
  GEntries = nullptr;
}

void RegisterPropertyEditorClasses() { TZCLPropertyEditors::RegisterDefaults(); }

void FinalizePropertyEditors() { TZCLPropertyEditors::Finalize(); }
