#pragma once
// The object inspector: a two-column tree list (property name, value) of one object's published
// properties, served by the property editor registry. It groups, sorts and filters the rows,
// remembers per class of object which rows were expanded, opens the cell editor a property's
// editor asks for and reports every change through its events.

#include <map>
#include <type_traits>
#include <utility>

#include "zcl/ui/controls/ZCL.UI.Edit.Text.h"
#include "zcl/ui/inspector/ZCL.UI.Controls.ObjectInspector.PropertyEditors.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.h"

class TZCLSearchEdit;
class TZCLSearchString;
class TZCLObjectInspectorSubClass;

using TZCLObjectInspectorPropertyAddEvent =
    TDelegate<void(TObject* Sender, TObject* AObject, PPropInfo APropInfo, bool& AAllow)>;
using TZCLObjectInspectorPropertyChangingEvent =
    TDelegate<void(TObject* Sender, TObject* AObject, PPropInfo APropInfo, TZCLPropertyEditor* AProperty,
                   const Variant& AValue, bool& AAllow)>;
using TZCLObjectInspectorPropertyChangedEvent =
    TDelegate<void(TObject* Sender, TObject* AObject, PPropInfo APropInfo, TZCLPropertyEditor* AProperty)>;

// A row of the inspector. With an editor, value 0 is the last part of the editor's name and
// value 1 its value; writing value 1 goes through the editor.
class TZCLObjectInspectorNode : public TZCLTreeListStringNode {
  ZCL_CLASS(TZCLObjectInspectorNode, TZCLTreeListStringNode)
 public:
  using TZCLTreeListStringNode::TZCLTreeListStringNode;
  ~TZCLObjectInspectorNode() override;
  String GetValue(Integer Index) override;
  Integer GetValuesCount() override;
  void SetValue(Integer Index, const String& Value) override;

  // Owned.
  TZCLPropertyEditor* Editor = nullptr;
};

// Which rows were expanded, by class of the inspected object, for the life of the inspector.
class TZCLObjectInspectorExpandedNodes : public TObject {
  ZCL_CLASS(TZCLObjectInspectorExpandedNodes, TObject)
 public:
  explicit TZCLObjectInspectorExpandedNodes(TZCLObjectInspectorSubClass* AOwner) : FOwner(AOwner) {}
  ~TZCLObjectInspectorExpandedNodes() override;
  void Store();
  bool IsExpanded(TZCLTreeListNode* Node);

 private:
  TZCLObjectInspectorSubClass* FOwner;
  std::map<TClass, TZCLStringList*> FLists;
};

class TZCLObjectInspectorOptionsBehavior : public TZCLTreeListCustomOptions {
  ZCL_CLASS(TZCLObjectInspectorOptionsBehavior, TZCLTreeListCustomOptions)
 public:
  using TZCLTreeListCustomOptions::TZCLTreeListCustomOptions;
  static void DeclareProperties(TClassDeclaration<TZCLObjectInspectorOptionsBehavior>& D);
  bool GetAllowExpressions() const { return FAllowExpressions; }
  // Read when an editor opens: no change to report.
  void SetAllowExpressions(bool Value) { FAllowExpressions = Value; }

 protected:
  void DoAssign(TPersistent* Source) override;

 private:
  bool FAllowExpressions = false;
};

class TZCLObjectInspectorOptionsView : public TZCLTreeListCustomOptions {
  ZCL_CLASS(TZCLObjectInspectorOptionsView, TZCLTreeListCustomOptions)
 public:
  using TZCLTreeListCustomOptions::TZCLTreeListCustomOptions;
  static void DeclareProperties(TClassDeclaration<TZCLObjectInspectorOptionsView>& D);
  bool GetHighlightNonStorableProperties() const { return FHighlightNonStorableProperties; }
  void SetHighlightNonStorableProperties(bool Value) { SetBooleanField(FHighlightNonStorableProperties, Value, KindStruct); }

 protected:
  void DoAssign(TPersistent* Source) override;

 private:
  bool FHighlightNonStorableProperties = true;
};

// A row with the value cell drawn by the row's editor, in the disabled colour for values that
// cannot change or are not stored, and an edit button on the selected row of a dialog editor.
class TZCLObjectInspectorNodeViewInfo : public TZCLTreeListNodeViewInfo {
  ZCL_CLASS(TZCLObjectInspectorNodeViewInfo, TZCLTreeListNodeViewInfo)
 public:
  using TZCLTreeListNodeViewInfo::TZCLTreeListNodeViewInfo;
  void Calculate(Integer AWidth, Integer AHeight) override;
  TRect GetCellMargins(TZCLTreeListColumnViewInfo* Column) override;
  virtual bool HasEditButton();
  // Hit flag of the edit button.
  static constexpr Integer HitFlagEditButton = 9;
  TRect EditButtonRect;
  TRect ValueCellMargins;

 protected:
  void DoCalculateHitTest(const TPoint& P, const TRect& Bounds, TZCLHitTestInfo* HitTest) override;
  void DoDraw(TCanvas* Canvas) override;
  void DoDrawCell(TCanvas* Canvas, const TRect& R, TZCLTreeListColumnViewInfo* Column, bool First) override;
};

class TZCLObjectInspectorEditingController : public TZCLTreeListEditingController {
  ZCL_CLASS(TZCLObjectInspectorEditingController, TZCLTreeListEditingController)
 public:
  using TZCLTreeListEditingController::TZCLTreeListEditingController;
  // Set only while the editor's key handling runs.
  bool InKeyDown = false;

 protected:
  // Writes the text through the row's editor (no OnEditing/OnEdited) and shows the normalised
  // value; closes after Enter or an arrow key, or when the inspector lost the focus.
  void EditApply(TObject* Edit, TZCLCompoundControlChanges Changes) override;
  void EditKeyDown(TObject* Edit, Word& Key, TShiftState Shift) override;
};

// A number edit that takes any text and evaluates it as a math expression.
class TZCLObjectInspectorExpressionEdit : public TZCLEdit {
  ZCL_CLASS(TZCLObjectInspectorExpressionEdit, TZCLEdit)
 public:
  using TZCLEdit::TZCLEdit;
  // Numbers go back to the row as they are written in stored data: invariant.
  String InplaceGetValue() override { return ValueToText(GetValue()); }

 protected:
  void UpdateInnerControl() override;
  Variant TextToValue(const String& Text) override;
  String ValueToText(const Variant& Value) override;
};

class TZCLObjectInspectorSubClass : public TZCLTreeListSubClass,
                                    public IZCLObjectInspectorStyleSet,
                                    public IZCLObjectInspector {
  ZCL_CLASS(TZCLObjectInspectorSubClass, TZCLTreeListSubClass)
 public:
  explicit TZCLObjectInspectorSubClass(TComponent* AOwner);
  ~TZCLObjectInspectorSubClass() override;
  // The columns and the sort order need the engine's controllers.
  void AfterConstruction() override;
  void BeforeDestruction() override;
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override;

  // IZCLObjectInspectorStyleSet
  TZCLCustomResourceCollection* GetResourceCollection() override;
  TZCLStyleTreeList* GetStyle() override { return TZCLTreeListSubClass::GetStyle(); }
  TZCLStyleEdit* GetStyleInplaceEdit() override { return TZCLTreeListSubClass::GetStyleInplaceEdit(); }
  TZCLStyleHatch* GetStyleHatch() override { return FStyleHatch; }
  // IZCLObjectInspector
  TObject* GetInspectedObject() override { return FInspectedObject; }
  bool PropertyChanging(TZCLPropertyEditor* Editor, const Variant& Value) override;
  void PropertyChanged(TZCLPropertyEditor* Editor) override;

  // Remembers the expanded rows of the current object first; repopulates when it changed.
  void SetInspectedObject(TComponent* Value);
  const String& GetSearchText() const { return FSearchText; }
  void SetSearchText(const String& Value);
  void Populate();
  // "Font.Color": the row of each part by its caption, loading children on the way.
  TZCLTreeListNode* FindNode(const String& Path);
  // Opens the row's dialog when its editor has one.
  void ExecuteDialog(TZCLTreeListNode* Node);

  TZCLObjectInspectorOptionsBehavior* GetInspectorOptionsBehavior() const { return FOptionsBehaviorEx; }
  TZCLObjectInspectorOptionsView* GetInspectorOptionsView() const { return FOptionsViewEx; }
  TZCLObjectInspectorExpandedNodes* GetExpandedNodes() const { return FExpandedNodes; }

  TNotifyEvent OnPopulated;
  TZCLObjectInspectorPropertyAddEvent OnPropertyAdd;
  TZCLObjectInspectorPropertyChangedEvent OnPropertyChanged;
  TZCLObjectInspectorPropertyChangingEvent OnPropertyChanging;
  TZCLTreeListGetNodeGroupEvent OnPropertyGetGroupName;

 protected:
  TClass DoGetNodeClass() override;
  TZCLCompoundControlCustomViewInfo* CreateViewInfo() override;
  TZCLTreeListEditingController* CreateEditingController() override;
  bool CreateInplaceEditor(const TZCLInplaceInfo& Params, TComponent*& Edit) override;
  void DoSortReset() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void ProcessKeyDown(Word& Key, TShiftState Shift) override;
  void ProcessMouseClick(TMouseButton Button, TShiftState Shift) override;
  void ProcessMouseDblClick(TMouseButton Button, TShiftState Shift) override;

 private:
  friend class TZCLObjectInspectorEditingController;
  void AddEditorNode(TZCLTreeListNode* Parent, TZCLPropertyEditor* Editor);
  void LoadProperties(TObject* Object, TZCLTreeListNode* Parent);
  void Filter(TZCLTreeListNode* Node, TZCLSearchString* Matcher);
  void GetNodeGroup(TObject* Sender, TZCLTreeListNode* Node, String& GroupName);
  TComponent* CreateTextEditor(const TZCLInplaceInfo& Params, TZCLPropertyEditor* Editor, TZCLEditInputMask Mask);
  void EditButtonClick(TObject* Sender);

  TZCLObjectInspectorExpandedNodes* FExpandedNodes;
  TComponent* FInspectedObject = nullptr;
  TZCLObjectInspectorOptionsBehavior* FOptionsBehaviorEx;
  TZCLObjectInspectorOptionsView* FOptionsViewEx;
  String FSearchText;
  TZCLStyleHatch* FStyleHatch;
  bool FDestroying = false;
};

class TZCLObjectInspectorControl : public TZCLCustomTreeList {
  ZCL_CLASS(TZCLObjectInspectorControl, TZCLCustomTreeList)
 public:
  using TZCLCustomTreeList::TZCLCustomTreeList;
  TZCLObjectInspectorSubClass* GetInspector() const { return static_cast<TZCLObjectInspectorSubClass*>(FSubClass); }

 protected:
  TZCLCompoundControlSubClass* CreateSubClass() override;
};

class TZCLObjectInspector : public TZCLContainer {
  ZCL_CLASS(TZCLObjectInspector, TZCLContainer)
  VCL_MESSAGES()
 public:
  explicit TZCLObjectInspector(TComponent* AOwner);
  static void DeclareProperties(TClassDeclaration<TZCLObjectInspector>& D);

  TZCLObjectInspectorControl* GetControl() const { return FControl; }
  TZCLObjectInspectorSubClass* GetSubClass() const { return FControl->GetInspector(); }
  TZCLSearchEdit* GetSearchEdit() const { return FSearchEdit; }
  TComponent* GetInspectedObject() const;
  void SetInspectedObject(TComponent* Value) { GetSubClass()->SetInspectedObject(Value); }
  bool GetSearchBox() const { return FSearchBox; }
  void SetSearchBox(bool Value);
  String GetSearchBoxTextHint() const;
  void SetSearchBoxTextHint(const String& Value);
  TZCLObjectInspectorOptionsBehavior* GetOptionsBehavior() const { return GetSubClass()->GetInspectorOptionsBehavior(); }
  void SetOptionsBehavior(TZCLObjectInspectorOptionsBehavior* Value) { GetOptionsBehavior()->Assign(Value); }
  TZCLObjectInspectorOptionsView* GetOptionsView() const { return GetSubClass()->GetInspectorOptionsView(); }
  void SetOptionsView(TZCLObjectInspectorOptionsView* Value) { GetOptionsView()->Assign(Value); }

  TZCLStyleTreeList* GetStyle() const { return GetSubClass()->GetStyle(); }
  void SetStyle(TZCLStyleTreeList* Value) { FControl->SetStyle(Value); }
  TZCLStyleHatch* GetStyleHatch() const { return GetSubClass()->GetStyleHatch(); }
  void SetStyleHatch(TZCLStyleHatch* Value) { GetStyleHatch()->Assign(Value); }
  TZCLStyleEdit* GetStyleInplaceEdit() const { return GetSubClass()->GetStyleInplaceEdit(); }
  void SetStyleInplaceEdit(TZCLStyleEdit* Value) { FControl->SetStyleInplaceEdit(Value); }
  TZCLStyleEditButton* GetStyleInplaceEditButton() const { return FControl->GetStyleInplaceEditButton(); }
  void SetStyleInplaceEditButton(TZCLStyleEditButton* Value) { FControl->SetStyleInplaceEditButton(Value); }
  TZCLStyleScrollBox* GetStyleScrollBox() const { return GetSubClass()->GetStyleScrollBox(); }
  void SetStyleScrollBox(TZCLStyleScrollBox* Value) { GetSubClass()->SetStyleScrollBox(Value); }
  TZCLStyleEdit* GetStyleSearchEdit() const;
  void SetStyleSearchEdit(TZCLStyleEdit* Value);
  TZCLStyleButton* GetStyleSearchEditButton() const;
  void SetStyleSearchEditButton(TZCLStyleButton* Value);

  // The sub-class's events and the inner tree list's, read and written there (for publishing).
  template <auto Field>
  using TInspectorEvent = std::remove_reference_t<decltype(std::declval<TZCLObjectInspectorSubClass&>().*Field)>;
  template <auto Field>
  TInspectorEvent<Field> GetInspectorEvent() const {
    return GetSubClass()->*Field;
  }
  template <auto Field>
  void SetInspectorEvent(TInspectorEvent<Field> Value) {
    GetSubClass()->*Field = Value;
  }
  template <auto Field>
  using TControlEvent = std::remove_reference_t<decltype(std::declval<TZCLObjectInspectorControl&>().*Field)>;
  template <auto Field>
  TControlEvent<Field> GetControlEvent() const {
    return FControl->*Field;
  }
  template <auto Field>
  void SetControlEvent(TControlEvent<Field> Value) {
    FControl->*Field = Value;
  }

  TZCLTreeListNode* FindNode(const String& Path) { return GetSubClass()->FindNode(Path); }
  void Populate() { GetSubClass()->Populate(); }
  void SetSearchText(const String& Text);
  void Localize(const String& Section, const String& Name) override;
  // The tree list and the search edit are parts of the inspector, not children a form stores.
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;

  TKeyEvent OnKeyDown;

 protected:
  // The inner tree list and search edit draw from the inspector's collection.
  void ResourceCollectionChanged() override;
  void CMChildKey(TMessage& Message);

 private:
  void SearchChange(TObject* Sender);
  void ControlKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
  // Tab moves to the next row (Shift+Tab the previous) and edits its value; false on the last.
  bool FocusNextRow(bool Backward);
  TZCLObjectInspectorControl* FControl;
  TZCLSearchEdit* FSearchEdit;
  bool FSearchBox = false;
};

void RegisterObjectInspectorClasses();
