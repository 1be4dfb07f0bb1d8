#pragma once
// Property editors: one object per inspector row that turns a published property's value into
// text and back and offers extra capabilities (a dialog, a value list, custom drawing, its own
// cell control, child rows) through small interfaces. TZCLPropertyEditors decides which editor
// class serves a property; registering a nil editor hides the property.

#include <functional>
#include <vector>

#include "rtl/RTL.Geometry.h"
#include "rtl/RTL.TypInfo.h"
#include "rtl/RTL.Variant.h"
#include "zcl/base/ZCL.Classes.h"

class TCanvas;
class TComponent;
class TFont;
class TPersistent;
class TZCLCustomResourceCollection;
class TZCLStringList;
class TZCLStyleEdit;
class TZCLStyleHatch;
class TZCLStyleTreeList;
class TZCLPropertyEditor;
struct TZCLInplaceInfo;

// ---- what the inspector offers its editors -------------------------------------------------------

struct IZCLObjectInspector : virtual IInterface {
  RTL_INTERFACE(IZCLObjectInspector, IInterface, "{A720A7EA-F6A6-4E0A-A516-97BD4BBF6472}")
  virtual TObject* GetInspectedObject() = 0;
  // False vetoes the change.
  virtual bool PropertyChanging(TZCLPropertyEditor* Editor, const Variant& Value) = 0;
  virtual void PropertyChanged(TZCLPropertyEditor* Editor) = 0;
};

struct IZCLObjectInspectorStyleSet : virtual IInterface {
  RTL_INTERFACE(IZCLObjectInspectorStyleSet, IInterface, "{F13C9B12-68F3-401F-B791-0493AA2165DB}")
  virtual TZCLCustomResourceCollection* GetResourceCollection() = 0;
  virtual TZCLStyleTreeList* GetStyle() = 0;
  virtual TZCLStyleEdit* GetStyleInplaceEdit() = 0;
  virtual TZCLStyleHatch* GetStyleHatch() = 0;
};

// ---- capabilities an editor may offer ------------------------------------------------------------

struct IZCLPropertyEditorDialog : virtual IInterface {
  RTL_INTERFACE(IZCLPropertyEditorDialog, IInterface, "{328FFD8A-1C57-4EC9-BE2D-9532B0679758}")
  // Shows a modal dialog and applies its result.
  virtual void Execute() = 0;
};

struct IZCLPropertyEditorCustomDraw : virtual IInterface {
  RTL_INTERFACE(IZCLPropertyEditorCustomDraw, IInterface, "{AD03D07C-88A6-418F-9BE6-59CB60F1D72A}")
  // Bounds is the value cell, ContentBounds the cell less its text margins.
  virtual void Draw(TCanvas* Canvas, const TRect& Bounds, const TRect& ContentBounds) = 0;
};

struct IZCLPropertyEditorCustomEditBox : virtual IInterface {
  RTL_INTERFACE(IZCLPropertyEditorCustomEditBox, IInterface, "{DDC52F76-4181-490F-A731-ED588CB644A0}")
  // The cell's control, placed by Params.
  virtual TComponent* CreateEditBox(const TZCLInplaceInfo& Params) = 0;
};

struct IZCLPropertyEditorValueList : virtual IInterface {
  RTL_INTERFACE(IZCLPropertyEditorValueList, IInterface, "{B1FAE6A2-F6BB-40FB-9E55-39B55419D173}")
  // The values a drop-down offers; an item may carry an object.
  virtual void GetValues(TZCLStringList* List) = 0;
};

// Add takes ownership of the editor it is given.
using TZCLPropertyEditorAddProc = std::function<void(TZCLPropertyEditor* Editor)>;

struct IZCLPropertyEditorSubProperties : virtual IInterface {
  RTL_INTERFACE(IZCLPropertyEditorSubProperties, IInterface, "{C5DE7BC8-01CA-4A3C-B917-6E7D68C311A0}")
  virtual void GetProperties(const TZCLPropertyEditorAddProc& Add) = 0;
};

// ---- editors -----------------------------------------------------------------------------------------

class TZCLPropertyEditor : public TZCLUnknownObject {
  ZCL_CLASS(TZCLPropertyEditor, TZCLUnknownObject)
 public:
  // The constructor the registry's classes are created with.
  using TCreateSignature = void(PPropInfo, TPersistent*, IZCLObjectInspector*);
  TZCLPropertyEditor(PPropInfo APropInfo, TPersistent* AInstance, IZCLObjectInspector* AInspector);

  virtual String GetFullName() { return FullName; }
  virtual String GetName();
  // Empty when the value cannot be read.
  virtual String GetValue();
  // Errors of the conversion propagate ("The %s is read only", "Can't set \"%s\" to \"%s\"" ...).
  virtual void SetValue(const String& Value);
  virtual bool AllowInplaceEditing() { return true; }
  // False: the value is drawn in the disabled text colour.
  virtual bool HasValue() { return true; }

  // Asks the inspector (True without one).
  bool DoChanging(const Variant& Value);
  void DoChanged();
  // No setter, unless the value is an object (changed in place or through its child rows).
  bool IsReadOnly() const;
  // The stored specifier is the constant False.
  bool IsNonStorable() const;

  IZCLObjectInspector* GetInspector() const { return Inspector; }
  PPropInfo GetPropInfo() const { return PropInfo; }
  TPersistent* GetInstance() const { return Instance; }
  IZCLObjectInspectorStyleSet* GetStyleSet() const { return StyleSet; }

  // The row's path: its caption and those of its ancestor rows joined with "."; set by the
  // inspector right after the row is made.
  String FullName;

 protected:
  IZCLObjectInspector* Inspector;
  PPropInfo PropInfo;
  TPersistent* Instance;
  IZCLObjectInspectorStyleSet* StyleSet = nullptr;
};

using TZCLPropertyEditorClass = TClass;

// Colour and font dialogs live above this unit and install themselves here; while none is
// installed the editors' Execute does nothing.
struct TZCLPropertyEditorDialogs {
  static inline std::function<bool(TAlphaColor& Color, bool HasAlpha)> ColorPicker;
  static inline std::function<bool(TFont* Font)> FontPicker;
};

class TZCLAlphaColorPropertyEditor : public TZCLPropertyEditor,
                                     public IZCLPropertyEditorDialog,
                                     public IZCLPropertyEditorCustomDraw {
  ZCL_CLASS(TZCLAlphaColorPropertyEditor, TZCLPropertyEditor)
  RTL_INTERFACES(TZCLPropertyEditor, IZCLPropertyEditorDialog, IZCLPropertyEditorCustomDraw)
 public:
  using TZCLPropertyEditor::TZCLPropertyEditor;
  String GetValue() override;
  void SetValue(const String& Value) override;
  bool AllowInplaceEditing() override { return false; }
  virtual TAlphaColor GetColor();
  virtual bool HasAlpha() { return true; }
  // No comparison with the current value: setting the same colour still reports a change.
  virtual void SetColor(TAlphaColor Value);
  void Execute() override;
  void Draw(TCanvas* Canvas, const TRect& Bounds, const TRect& ContentBounds) override;
};

class TZCLColorPropertyEditor : public TZCLAlphaColorPropertyEditor {
  ZCL_CLASS(TZCLColorPropertyEditor, TZCLAlphaColorPropertyEditor)
 public:
  using TZCLAlphaColorPropertyEditor::TZCLAlphaColorPropertyEditor;
  TAlphaColor GetColor() override;
  bool HasAlpha() override { return false; }
  // Nothing when Value is the current colour.
  void SetColor(TAlphaColor Value) override;
};

class TZCLBooleanPropertyEditor : public TZCLPropertyEditor,
                                  public IZCLPropertyEditorCustomEditBox,
                                  public IZCLPropertyEditorCustomDraw {
  ZCL_CLASS(TZCLBooleanPropertyEditor, TZCLPropertyEditor)
  RTL_INTERFACES(TZCLPropertyEditor, IZCLPropertyEditorCustomEditBox, IZCLPropertyEditorCustomDraw)
 public:
  using TZCLPropertyEditor::TZCLPropertyEditor;
  TComponent* CreateEditBox(const TZCLInplaceInfo& Params) override;
  void Draw(TCanvas* Canvas, const TRect& Bounds, const TRect& ContentBounds) override;

 protected:
  void StyleCheckBox(TObject* CheckBox);
};

// One element of a set, as a check-box child row of the set's row.
class TZCLSetSubPropertyEditor : public TZCLBooleanPropertyEditor {
  ZCL_CLASS(TZCLSetSubPropertyEditor, TZCLBooleanPropertyEditor)
 public:
  TZCLSetSubPropertyEditor(PPropInfo APropInfo, const String& AElementName, TPersistent* AInstance,
                           Integer AElementIndex, IZCLObjectInspector* AInspector);
  // The set property's own path.
  String GetFullName() override;
  String GetName() override { return ElementName; }
  String GetValue() override;
  // Exactly "True" includes the element, any other text excludes it; no change, no events.
  void SetValue(const String& Value) override;

  Integer ElementIndex;
  String ElementName;
};

class TZCLCustomFontPropertyEditor : public TZCLPropertyEditor,
                                     public IZCLPropertyEditorDialog,
                                     public IZCLPropertyEditorCustomDraw {
  ZCL_CLASS(TZCLCustomFontPropertyEditor, TZCLPropertyEditor)
  RTL_INTERFACES(TZCLPropertyEditor, IZCLPropertyEditorDialog, IZCLPropertyEditorCustomDraw)
 public:
  using TZCLPropertyEditor::TZCLPropertyEditor;
  // Fonts change through the dialog only.
  void SetValue(const String&) override {}
  bool AllowInplaceEditing() override { return false; }
  virtual void Draw(TCanvas* Canvas, const TRect& Bounds);
  void Draw(TCanvas* Canvas, const TRect& Bounds, const TRect&) override { Draw(Canvas, Bounds); }

 protected:
  TFont* GetFont();
};

class TZCLFontPropertyEditor : public TZCLCustomFontPropertyEditor {
  ZCL_CLASS(TZCLFontPropertyEditor, TZCLCustomFontPropertyEditor)
 public:
  using TZCLCustomFontPropertyEditor::TZCLCustomFontPropertyEditor;
  // "<name>, <size>pt".
  String GetValue() override;
  void Execute() override;
};

class TZCLCustomComponentPropertyEditor : public TZCLPropertyEditor, public IZCLPropertyEditorValueList {
  ZCL_CLASS(TZCLCustomComponentPropertyEditor, TZCLPropertyEditor)
  RTL_INTERFACES(TZCLPropertyEditor, IZCLPropertyEditorValueList)
 public:
  TZCLCustomComponentPropertyEditor(PPropInfo APropInfo, TPersistent* AInstance, IZCLObjectInspector* AInspector);
  // The component's Name, "<Components[i]>" for an unnamed one, empty for nil.
  static String GetDisplayName(TComponent* Component);
  String GetValue() override;
  // Empty text clears the reference; a text not in the list, or an entry without a component,
  // changes nothing.
  void SetValue(const String& Value) override;
  // The empty entry first, then the candidates in logical order; a current value found nowhere
  // else follows the empty entry.
  void GetValues(TZCLStringList* List) override;
  // Only named components of PropertyClass or a descendant.
  void AddComponent(TComponent* Component, TZCLStringList* List);
  void AddOwnedComponents(TComponent* Owner, TZCLStringList* List);
  void AddComponents(const std::vector<TComponent*>& Components, TZCLStringList* List);

  TClass PropertyClass;

 protected:
  virtual void PopulateValues(TZCLStringList* List) = 0;
  void SetComponent(TComponent* Value);
};

class TZCLComponentPropertyEditor : public TZCLCustomComponentPropertyEditor {
  ZCL_CLASS(TZCLComponentPropertyEditor, TZCLCustomComponentPropertyEditor)
 public:
  using TZCLCustomComponentPropertyEditor::TZCLCustomComponentPropertyEditor;

 protected:
  // The components owned by the nearest component above the inspected object.
  void PopulateValues(TZCLStringList* List) override;
};

class TZCLEnumPropertyEditor : public TZCLPropertyEditor, public IZCLPropertyEditorValueList {
  ZCL_CLASS(TZCLEnumPropertyEditor, TZCLPropertyEditor)
  RTL_INTERFACES(TZCLPropertyEditor, IZCLPropertyEditorValueList)
 public:
  using TZCLPropertyEditor::TZCLPropertyEditor;
  // Every value name; each item's object is the ordinal.
  void GetValues(TZCLStringList* List) override;
};

class TZCLObjectPropertyEditor : public TZCLPropertyEditor {
  ZCL_CLASS(TZCLObjectPropertyEditor, TZCLPropertyEditor)
 public:
  using TZCLPropertyEditor::TZCLPropertyEditor;
  // "(<text of the object>)", the declared class name for nil.
  String GetValue() override;
  bool AllowInplaceEditing() override { return false; }
};

class TZCLSetPropertyEditor : public TZCLPropertyEditor, public IZCLPropertyEditorSubProperties {
  ZCL_CLASS(TZCLSetPropertyEditor, TZCLPropertyEditor)
  RTL_INTERFACES(TZCLPropertyEditor, IZCLPropertyEditorSubProperties)
 public:
  using TZCLPropertyEditor::TZCLPropertyEditor;
  String GetValue() override;
  bool AllowInplaceEditing() override { return false; }
  void GetProperties(const TZCLPropertyEditorAddProc& Add) override;
};

// ---- the registry -------------------------------------------------------------------------------------

class TZCLPropertyEditors {
 public:
  TZCLPropertyEditors() = delete;

  struct TPropertyInfo {
    TClass OwnerClass = nullptr;
    TZCLPropertyEditorClass EditorClass = nullptr;
    String PropertyName;
    PTypeInfo PropertyType = nullptr;
  };

  // Newest first; no check for duplicates. The name counts only with an owner class.
  static void Register(PTypeInfo PropertyType, TClass OwnerClass, const String& PropertyName,
                       TZCLPropertyEditorClass EditorClass);
  static void RegisterKind(TTypeKind TypeKind, TZCLPropertyEditorClass EditorClass);
  // A name the class does not publish is ignored.
  static void HideProperty(TClass OwnerClass, const String& PropertyName);
  static void HideProperties(TClass OwnerClass, std::initializer_list<String> PropertyNames);
  // Null: the property is not shown.
  static TZCLPropertyEditorClass GetEditorClass(PTypeInfo PropertyType, const TObject* Instance,
                                                const String& PropertyName);
  static TZCLPropertyEditorClass GetEditorClass(PPropInfo PropInfo, const TObject* Instance);
  // A fresh editor of the class the registry names, or null.
  static TZCLPropertyEditor* CreateEditor(PPropInfo PropInfo, TPersistent* Instance, IZCLObjectInspector* Inspector);

  static const std::vector<TPropertyInfo>& GetEntries();
  // Back to the defaults this unit writes (for tests and re-initialization).
  static void RegisterDefaults();
  static void Finalize();
};

void RegisterPropertyEditorClasses();
void FinalizePropertyEditors();
