#include "zcl/ui/inspector/ZCL.UI.Controls.ObjectInspector.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "rtl/RTL.FormatSettings.h"
#include "rtl/RTL.Numbers.h"
#include "vcl/VCL.Messages.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Expressions.Math.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/ui/ZCL.Utils.RTTI.h"
#include "zcl/ui/controls/ZCL.UI.ComboBox.h"
#include "zcl/ui/controls/ZCL.UI.Edit.DropDown.h"
#include "zcl/ui/controls/ZCL.UI.Controls.ScrollBar.h"

namespace {

constexpr Char kEllipsis[] = u"\u2026";

// A float row's editor shows and reads numbers in the user's format, but hands the row invariant
// text, the form properties are written from: otherwise applying "2.5" unchanged under a decimal
// comma would store 0.
class TInvariantFloatEdit : public TZCLEdit {
  ZCL_CLASS(TInvariantFloatEdit, TZCLEdit)
 public:
  using TZCLEdit::TZCLEdit;
  String InplaceGetValue() override { return FloatToStr(GetValue().AsDouble(), InvariantFormatSettings()); }
  void InplaceSetValue(const String& Value) override {
    Extended v = 0;
    if (TryStrToFloat(Value, v, InvariantFormatSettings()))
      SetValue(Variant(double(v)));
    else
      inherited::InplaceSetValue(Value);
  }
};

TZCLPropertyEditor* EditorOf(TZCLTreeListNode* Node) {
  auto* node = dynamic_cast<TZCLObjectInspectorNode*>(Node);
  return node ? node->Editor : nullptr;
}

}  // namespace

// ---- node ---------------------------------------------------------------------------------------

TZCLObjectInspectorNode::~TZCLObjectInspectorNode() { Free(Editor); }

String TZCLObjectInspectorNode::GetValue(Integer Index) {
  if (!Editor) return inherited::GetValue(Index);
  if (Index == 0) {
    const String name = Editor->GetName();
    const size_t dot = name.rfind(u'.');
    return dot == String::npos ? name : name.substr(dot + 1);
  }
  return Index == 1 ? Editor->GetValue() : String();
}

Integer TZCLObjectInspectorNode::GetValuesCount() { return Editor ? 2 : inherited::GetValuesCount(); }

void TZCLObjectInspectorNode::SetValue(Integer Index, const String& Value) {
  if (!Editor) {
    inherited::SetValue(Index, Value);
    return;
  }
  if (Index == 1) Editor->SetValue(Value);
}

// ---- expanded rows --------------------------------------------------------------------------------

TZCLObjectInspectorExpandedNodes::~TZCLObjectInspectorExpandedNodes() {
  for (auto& [cls, list] : FLists) Free(list);
}

void TZCLObjectInspectorExpandedNodes::Store() {
  TObject* inspected = FOwner->GetInspectedObject();
  if (!inspected) return;
  auto* list = Create<TZCLStringList>();
  std::function<void(TZCLTreeListNode*)> visit = [&](TZCLTreeListNode* Node) {
    TZCLTreeListNodeList* children = Node->GetChildrenList();
    if (!children) return;
    for (TZCLTreeListNode* child : *children)
      if (child->GetExpanded()) {
        const String path = FOwner->GetPath(child);
        if (list->IndexOf(path) < 0) list->Add(path);
        visit(child);
      }
  };
  visit(FOwner->GetRootNode());
  TZCLStringList*& slot = FLists[inspected->ClassType()];
  Free(slot);
  slot = list;
}

bool TZCLObjectInspectorExpandedNodes::IsExpanded(TZCLTreeListNode* Node) {
  TObject* inspected = FOwner->GetInspectedObject();
  if (!inspected) return false;
  auto it = FLists.find(inspected->ClassType());
  return it != FLists.end() && it->second->IndexOf(FOwner->GetPath(Node)) >= 0;
}

// ---- options ----------------------------------------------------------------------------------------

void TZCLObjectInspectorOptionsBehavior::DeclareProperties(TClassDeclaration<TZCLObjectInspectorOptionsBehavior>& D) {
  D.Property(u"AllowExpressions", &TZCLObjectInspectorOptionsBehavior::GetAllowExpressions,
             &TZCLObjectInspectorOptionsBehavior::SetAllowExpressions)
      .Default(false);
}

void TZCLObjectInspectorOptionsBehavior::DoAssign(TPersistent* Source) {
  inherited::DoAssign(Source);
  if (auto* source = dynamic_cast<TZCLObjectInspectorOptionsBehavior*>(Source))
    SetAllowExpressions(source->GetAllowExpressions());
}

void TZCLObjectInspectorOptionsView::DeclareProperties(TClassDeclaration<TZCLObjectInspectorOptionsView>& D) {
  D.Property(u"HighlightNonStorableProperties", &TZCLObjectInspectorOptionsView::GetHighlightNonStorableProperties,
             &TZCLObjectInspectorOptionsView::SetHighlightNonStorableProperties)
      .Default(true);
}

void TZCLObjectInspectorOptionsView::DoAssign(TPersistent* Source) {
  inherited::DoAssign(Source);
  if (auto* source = dynamic_cast<TZCLObjectInspectorOptionsView*>(Source))
    SetHighlightNonStorableProperties(source->GetHighlightNonStorableProperties());
}

// ---- rows ---------------------------------------------------------------------------------------------

bool TZCLObjectInspectorNodeViewInfo::HasEditButton() {
  TZCLTreeListNode* node = GetNode();
  TZCLPropertyEditor* editor = EditorOf(node);
  return node && node->GetSelected() && editor && Supports<IZCLPropertyEditorDialog>(static_cast<IInterface*>(editor));
}

void TZCLObjectInspectorNodeViewInfo::Calculate(Integer AWidth, Integer AHeight) {
  inherited::Calculate(AWidth, AHeight);
  TRect r = GetBounds();
  r.Inflate(-1, -1);
  r.Left = std::max(r.Left, r.Right - r.Height());
  EditButtonRect = r;
  ValueCellMargins = CellMargins;
  ValueCellMargins.Right += EditButtonRect.Width();
}

TRect TZCLObjectInspectorNodeViewInfo::GetCellMargins(TZCLTreeListColumnViewInfo* Column) {
  if (Column && Column->AbsoluteIndex == 1 && HasEditButton()) return ValueCellMargins;
  return inherited::GetCellMargins(Column);
}

void TZCLObjectInspectorNodeViewInfo::DoCalculateHitTest(const TPoint& P, const TRect& Bounds, TZCLHitTestInfo* HitTest) {
  inherited::DoCalculateHitTest(P, Bounds, HitTest);
  if (HasEditButton() && EditButtonRect.Contains(P)) {
    HitTest->SetHitObjectFlag(HitFlagEditButton, true);
    HitTest->Cursor = crHandPoint;
  }
}

void TZCLObjectInspectorNodeViewInfo::DoDrawCell(TCanvas* Canvas, const TRect& R, TZCLTreeListColumnViewInfo* Column,
                                                 bool First) {
  auto* tree = static_cast<TZCLObjectInspectorSubClass*>(GetTreeList());
  TZCLTreeListNode* node = GetNode();
  TZCLPropertyEditor* editor = EditorOf(node);
  if (!editor) {
    inherited::DoDrawCell(Canvas, R, Column, First);
    return;
  }
  const bool valueCell = Column && Column->AbsoluteIndex == 1;
  if (valueCell) {
    if (tree->GetEditingController()->IsEditing(node, Column->GetColumn())) return;
    IPtr<IZCLPropertyEditorCustomDraw> custom;
    if (Supports(static_cast<IInterface*>(editor), custom)) {
      const TRect m = GetCellMargins(Column);
      custom->Draw(Canvas, R, TRect(R.Left + m.Left, R.Top + m.Top, R.Right - m.Right, R.Bottom - m.Bottom));
      return;
    }
  }
  const TColor saved = Canvas->GetFont()->GetColor();
  const TColor disabled = tree->GetStyle()->GetTextColor(false);
  if ((valueCell && !editor->HasValue()) || editor->IsReadOnly() ||
      (editor->IsNonStorable() && tree->GetInspectorOptionsView()->GetHighlightNonStorableProperties()))
    Canvas->GetFont()->SetColor(disabled);
  inherited::DoDrawCell(Canvas, R, Column, First);
  Canvas->GetFont()->SetColor(saved);
}

void TZCLObjectInspectorNodeViewInfo::DoDraw(TCanvas* Canvas) {
  inherited::DoDraw(Canvas);
  if (!GetNode() || !HasEditButton()) return;
  TZCLTreeListSubClass* tree = GetTreeList();
  AssignCanvasFont(Canvas, tree->GetFont());
  Canvas->GetFont()->SetColor(tree->GetNodeTextColor(GetNode()));
  if (TZCLStyleEditButton* style = tree->GetStyleInplaceEditButton()) style->Draw(Canvas, EditButtonRect, bstNormal, 0);
  TextDraw(Canvas, kEllipsis, EditButtonRect, taCenter, taVerticalCenter, false);
}

// ---- editing -------------------------------------------------------------------------------------------

void TZCLObjectInspectorEditingController::EditApply(TObject* Edit, TZCLCompoundControlChanges) {
  if (!FEdit || Edit != FEdit || IsLocked() || !FEditIntf) return;
  TZCLTreeListSubClass* tree = GetTreeList();
  TZCLTreeListNodeList* rows = tree->GetAbsoluteVisibleNodes();
  TZCLTreeListNode* node =
      FParams.RowIndex >= 0 && FParams.RowIndex < rows->GetCount() ? (*rows)[FParams.RowIndex] : nullptr;
  if (node) {
    ++FLockCount;
    try {
      node->SetValue(FParams.ColumnIndex, FEditIntf->InplaceGetValue());
      // The shown text becomes the property's normalised value.
      if (FEditIntf) FEditIntf->InplaceSetValue(node->GetValue(FParams.ColumnIndex));
    } catch (...) {
      --FLockCount;
      throw;
    }
    --FLockCount;
  }
  if (InKeyDown || !tree->IsFocused()) Close(0, true);
}

void TZCLObjectInspectorEditingController::EditKeyDown(TObject* Edit, Word& Key, TShiftState Shift) {
  const bool saved = InKeyDown;
  InKeyDown = true;
  try {
    inherited::EditKeyDown(Edit, Key, Shift);
  } catch (...) {
    InKeyDown = saved;
    throw;
  }
  InKeyDown = saved;
}

void TZCLObjectInspectorExpressionEdit::UpdateInnerControl() {
  inherited::UpdateInnerControl();
  if (TZCLInnerEdit* e = GetInnerEdit(); e && (GetInputMask() == eimInteger || GetInputMask() == eimFloat))
    e->SetInputMask(eimText);
}

Variant TZCLObjectInspectorExpressionEdit::TextToValue(const String& Text) {
  const TZCLEditInputMask mask = GetInputMask();
  if (mask != eimInteger && mask != eimFloat) return inherited::TextToValue(Text);
  const double value = Text.empty() ? 0.0 : TZCLMathExpressionFactory::Instance()->Evaluate(Text).AsDouble();
  if (mask == eimFloat) return Variant(value);
  if (!std::isfinite(value) || value < double(std::numeric_limits<Integer>::min()) ||
      value > double(std::numeric_limits<Integer>::max()))
    throw ERangeError(u"%s is not a 32-bit integer", {Text});
  return Variant(static_cast<Integer>(std::trunc(value)));
}

String TZCLObjectInspectorExpressionEdit::ValueToText(const Variant& Value) {
  if (VarIsFloat(Value)) return FloatToStr(Value.AsDouble(), InvariantFormatSettings());
  return inherited::ValueToText(Value);
}

// ---- sub-class ---------------------------------------------------------------------------------------------

TZCLObjectInspectorSubClass::TZCLObjectInspectorSubClass(TComponent* AOwner) : TZCLTreeListSubClass(AOwner) {
  FStyleHatch = Create<TZCLStyleHatch>(static_cast<TObject*>(this));
  FOptionsBehaviorEx = Create<TZCLObjectInspectorOptionsBehavior>(static_cast<IZCLTreeListOptionsListener*>(this));
  FOptionsViewEx = Create<TZCLObjectInspectorOptionsView>(static_cast<IZCLTreeListOptionsListener*>(this));
  FExpandedNodes = Create<TZCLObjectInspectorExpandedNodes>(this);
  // The root was made while the engine's own node class was in force.
  FNodeClass = TZCLObjectInspectorNode::StaticClass();
}

void TZCLObjectInspectorSubClass::AfterConstruction() {
  inherited::AfterConstruction();
  GetOptionsBehavior()->SetCellHints(true);
  GetOptionsBehavior()->SetEditing(true);
  // Rows are compared by their editors' names: UI objects, and too few rows for threads to pay.
  GetOptionsBehavior()->SetSortingUseMultithreading(false);
  GetOptionsView()->GetColumns()->SetAutoWidth(true);
  GetColumns()->Add(String());
  GetColumns()->Add(String());
  SortBy((*GetColumns())[0], sdAscending, true);
  OnGetNodeGroup = TZCLTreeListGetNodeGroupEvent(this, &TZCLObjectInspectorSubClass::GetNodeGroup);
}

TZCLObjectInspectorSubClass::~TZCLObjectInspectorSubClass() {
  Free(FStyleHatch);
  Free(FExpandedNodes);
  Free(FOptionsViewEx);
  Free(FOptionsBehaviorEx);
}

void TZCLObjectInspectorSubClass::BeforeDestruction() {
  FDestroying = true;
  SetInspectedObject(nullptr);
  inherited::BeforeDestruction();
}

HRESULT TZCLObjectInspectorSubClass::QueryInterface(const TGUID& IID, void** Obj) {
  if (::detail::QueryInterfaceTable<IZCLObjectInspectorStyleSet, IZCLObjectInspector>(this, IID, Obj)) return S_OK;
  return inherited::QueryInterface(IID, Obj);
}

TZCLCustomResourceCollection* TZCLObjectInspectorSubClass::GetResourceCollection() { return GetCollection(); }

bool TZCLObjectInspectorSubClass::PropertyChanging(TZCLPropertyEditor* Editor, const Variant& Value) {
  bool allow = true;
  if (OnPropertyChanging)
    OnPropertyChanging(this, Editor->GetInstance(), Editor->GetPropInfo(), Editor, Value, allow);
  return allow;
}

void TZCLObjectInspectorSubClass::PropertyChanged(TZCLPropertyEditor* Editor) {
  if (OnPropertyChanged) OnPropertyChanged(this, Editor->GetInstance(), Editor->GetPropInfo(), Editor);
  Invalidate();
}

void TZCLObjectInspectorSubClass::SetInspectedObject(TComponent* Value) {
  if (Value == FInspectedObject) return;
  FExpandedNodes->Store();
  if (FInspectedObject) FInspectedObject->RemoveFreeNotification(this);
  FInspectedObject = Value;
  if (FInspectedObject) FInspectedObject->FreeNotification(this);
  Populate();
}

void TZCLObjectInspectorSubClass::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FInspectedObject) SetInspectedObject(nullptr);
}

void TZCLObjectInspectorSubClass::SetSearchText(const String& Value) {
  if (Value == FSearchText) return;
  FSearchText = Value;
  Populate();
}

TZCLCompoundControlCustomViewInfo* TZCLObjectInspectorSubClass::CreateViewInfo() {
  auto* viewInfo = static_cast<TZCLTreeListViewInfo*>(inherited::CreateViewInfo());
  TZCLTreeListContentViewInfo* content = viewInfo->GetContent();
  content->SetNodeViewInfo(new TZCLObjectInspectorNodeViewInfo(content));
  return viewInfo;
}

TClass TZCLObjectInspectorSubClass::DoGetNodeClass() { return TZCLObjectInspectorNode::StaticClass(); }

void TZCLObjectInspectorSubClass::AddEditorNode(TZCLTreeListNode* Parent, TZCLPropertyEditor* Editor) {
  auto* node = static_cast<TZCLObjectInspectorNode*>(Parent->AddChild());
  node->Editor = Editor;
  String fullName;
  for (TZCLTreeListNode* n = node; n && n != GetRootNode(); n = n->GetParent())
    fullName = fullName.empty() ? n->GetValue(0) : n->GetValue(0) + u"." + fullName;
  Editor->FullName = fullName;
  node->SetExpanded(FExpandedNodes->IsExpanded(node));

  IPtr<IZCLPropertyEditorSubProperties> sub;
  if (Supports(static_cast<IInterface*>(Editor), sub)) {
    sub->GetProperties([&](TZCLPropertyEditor* Child) { AddEditorNode(node, Child); });
    return;
  }
  PPropInfo prop = Editor->GetPropInfo();
  if (prop->PropType->Kind != tkClass) return;
  TObject* value = GetObjectProp(Editor->GetInstance(), prop);
  if (value && !value->InheritsFrom(TComponent::StaticClass())) LoadProperties(value, node);
}

void TZCLObjectInspectorSubClass::LoadProperties(TObject* Object, TZCLTreeListNode* Parent) {
  auto* instance = dynamic_cast<TPersistent*>(Object);
  if (!instance) return;
  for (PPropInfo prop : ::GetPropList(Object)) {
    TZCLPropertyEditorClass cls = TZCLPropertyEditors::GetEditorClass(prop, Object);
    if (!cls) continue;
    if (TRTTI::GetAttribute(Object, prop, HiddenAttribute::StaticClass())) continue;
    bool allow = true;
    if (OnPropertyAdd) OnPropertyAdd(this, Object, prop, allow);
    if (!allow) continue;
    AddEditorNode(Parent, cls->Create<TZCLPropertyEditor>(prop, instance, static_cast<IZCLObjectInspector*>(this)));
  }
}

void TZCLObjectInspectorSubClass::Filter(TZCLTreeListNode* Node, TZCLSearchString* Matcher) {
  for (Integer i = Node->GetChildrenCount() - 1; i >= 0; --i) {
    TZCLTreeListNode* child = Node->GetChild(i);
    Matcher->BeginCompare();
    Matcher->CompareCore(child->GetValue(0));
    const bool byName = Matcher->EndCompare();
    bool matches = byName;
    if (!matches) {
      Matcher->BeginCompare();
      Matcher->CompareCore(child->GetValue(1));
      matches = Matcher->EndCompare();
    }
    if (matches) continue;
    Filter(child, Matcher);
    child->SetExpanded(true);
    if (child->GetChildrenCount() == 0) Free(child);
  }
}

void TZCLObjectInspectorSubClass::Populate() {
  BeginUpdate();
  try {
    Clear();
    if (FInspectedObject) LoadProperties(FInspectedObject, GetRootNode());
    if (!FSearchText.empty()) {
      TZCLSearchString matcher(FSearchText, true);
      Filter(GetRootNode(), &matcher);
    }
    GetOptionsBehavior()->SetGroups(true);
    Resort();
    if (TZCLTreeListNode* focused = GetFocusedNode()) MakeVisible(focused);
    GetGroups()->RemoveEmpty();
    GetOptionsBehavior()->SetGroups(GetGroups()->GetCount() > 1);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  if (!FDestroying && OnPopulated) OnPopulated(this);
}

void TZCLObjectInspectorSubClass::DoSortReset() {
  Populate();
  inherited::DoSortReset();
}

void TZCLObjectInspectorSubClass::GetNodeGroup(TObject*, TZCLTreeListNode* Node, String& GroupName) {
  if (OnPropertyGetGroupName) OnPropertyGetGroupName(this, Node, GroupName);
}

TZCLTreeListNode* TZCLObjectInspectorSubClass::FindNode(const String& Path) {
  if (Path.empty()) return nullptr;
  TZCLTreeListNode* node = GetRootNode();
  size_t start = 0;
  while (node) {
    const size_t dot = Path.find(u'.', start);
    const String part = Path.substr(start, dot == String::npos ? String::npos : dot - start);
    node->GetChildrenCount();  // loads children on demand
    TZCLTreeListNode* found = nullptr;
    node = node->Find(found, part, 0, false) ? found : nullptr;
    if (dot == String::npos) break;
    start = dot + 1;
  }
  return node;
}

void TZCLObjectInspectorSubClass::ExecuteDialog(TZCLTreeListNode* Node) {
  IPtr<IZCLPropertyEditorDialog> dialog;
  if (TZCLPropertyEditor* editor = EditorOf(Node); editor && Supports(static_cast<IInterface*>(editor), dialog))
    dialog->Execute();
}

TZCLTreeListEditingController* TZCLObjectInspectorSubClass::CreateEditingController() {
  return Create<TZCLObjectInspectorEditingController>(static_cast<TZCLTreeListSubClass*>(this));
}

TComponent* TZCLObjectInspectorSubClass::CreateTextEditor(const TZCLInplaceInfo& Params, TZCLPropertyEditor* Editor,
                                                          TZCLEditInputMask Mask) {
  TZCLCustomTextEdit* edit = nullptr;
  if (FOptionsBehaviorEx->GetAllowExpressions())
    edit = TZCLCustomEdit::CreateInplace<TZCLObjectInspectorExpressionEdit>(Params);
  else if (Mask == eimFloat)
    edit = TZCLCustomEdit::CreateInplace<TInvariantFloatEdit>(Params);
  else
    edit = TZCLCustomEdit::CreateInplace<TZCLEdit>(Params);
  edit->SetResourceCollection(GetCollection());
  edit->SetReadOnly(Editor->IsReadOnly());
  edit->SetStyle(GetStyleInplaceEdit());
  edit->SetStyleButton(GetStyleInplaceEditButton());
  edit->SetInputMask(Mask);
  edit->InplaceSetValue(Editor->GetValue());
  return edit;
}

bool TZCLObjectInspectorSubClass::CreateInplaceEditor(const TZCLInplaceInfo& Params, TComponent*& Edit) {
  Edit = nullptr;
  TZCLTreeListNode* focused = GetFocusedNode();
  TZCLPropertyEditor* editor = EditorOf(focused);
  if (Params.ColumnIndex != 1 || !editor || !editor->AllowInplaceEditing()) return true;

  IPtr<IZCLPropertyEditorCustomEditBox> custom;
  IPtr<IZCLPropertyEditorValueList> values;
  IInterface* intf = static_cast<IInterface*>(editor);
  if (Supports(intf, custom)) {
    Edit = custom->CreateEditBox(Params);
  } else if (Supports(intf, values)) {
    auto* combo = TZCLCustomEdit::CreateInplace<TZCLComboBox>(Params);
    combo->SetReadOnly(editor->IsReadOnly());
    combo->SetStyle(GetStyleInplaceEdit());
    combo->SetStyleButton(GetStyleInplaceEditButton());
    combo->SetStyleDropDownList(TZCLTreeListSubClass::GetStyle());
    if (TZCLStyleScrollBox* scrollBox = GetStyleScrollBox()) combo->SetStyleDropDownListScrollBox(scrollBox);
    TZCLStringList* list = Create<TZCLStringList>();
    try {
      values->GetValues(list);
      for (Integer i = 0; i < list->GetCount(); ++i) combo->GetItems()->AddObject(list->GetStrings(i), list->GetObjects(i));
      combo->SetItemIndex(list->IndexOf(editor->GetValue()));
    } catch (...) {
      Free(list);
      throw;
    }
    Free(list);
    Edit = combo;
  } else {
    switch (editor->GetPropInfo()->PropType->Kind) {
      case tkInteger:
      case tkInt64:
        Edit = CreateTextEditor(Params, editor, eimInteger);
        break;
      case tkFloat:
        Edit = CreateTextEditor(Params, editor, eimFloat);
        break;
      case tkVariant:
      case tkString:
      case tkLString:
      case tkWString:
      case tkUString:
        Edit = CreateTextEditor(Params, editor, eimText);
        break;
      default:
        break;
    }
  }
  IPtr<IZCLPropertyEditorDialog> dialog;
  if (auto* text = dynamic_cast<TZCLCustomEdit*>(Edit); text && Supports(intf, dialog))
    text->GetButtons()->Add(kEllipsis)->OnClick = TNotifyEvent(this, &TZCLObjectInspectorSubClass::EditButtonClick);
  return true;
}

void TZCLObjectInspectorSubClass::EditButtonClick(TObject*) {
  ExecuteDialog(GetFocusedNode());
  GetEditingController()->Cancel();
}

void TZCLObjectInspectorSubClass::ProcessMouseClick(TMouseButton Button, TShiftState Shift) {
  TZCLHitTestInfo* hitTest = GetHitTest();
  auto* node = dynamic_cast<TZCLTreeListNode*>(hitTest->HitObject);
  if (node && hitTest->GetHitObjectFlag(TZCLObjectInspectorNodeViewInfo::HitFlagEditButton)) {
    ExecuteDialog(node);
    return;
  }
  if (!node || Button != TMouseButton::Left || hitTest->GetHitObjectFlag(HitFlagCheckBox) ||
      hitTest->GetHitObjectFlag(HitFlagExpandButton) || hitTest->GetHitObjectFlag(3 /* resize zone */)) {
    inherited::ProcessMouseClick(Button, Shift);
    return;
  }
  StartEditing(node, (*GetColumns())[1]);
  // One click both opens and operates the editor: a check box toggles, a combo box drops down.
  auto* control = dynamic_cast<TWinControl*>(GetEditingController()->GetEdit());
  if (!control || !control->HandleAllocated()) return;
  TWinControl* host = GetContainer()->ContainerGetControl();
  const TPoint p = control->ScreenToClient(host->ClientToScreen(hitTest->HitPoint));
  if (!control->GetClientRect().Contains(p)) return;
  const LPARAM at = MAKELPARAM(p.X, p.Y);
  PostMessage(control->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessage(control->GetHandle(), WM_LBUTTONUP, 0, at);
}

void TZCLObjectInspectorSubClass::ProcessMouseDblClick(TMouseButton Button, TShiftState Shift) {
  inherited::ProcessMouseDblClick(Button, Shift);
  auto* node = dynamic_cast<TZCLTreeListNode*>(GetHitTest()->HitObject);
  if (Button == TMouseButton::Left && node && node->GetChildrenCount() == 0 && !GetEditingController()->IsEditing())
    ExecuteDialog(node);
}

void TZCLObjectInspectorSubClass::ProcessKeyDown(Word& Key, TShiftState Shift) {
  const Word key = Key;
  inherited::ProcessKeyDown(Key, Shift);
  if (key != VK_RETURN) return;
  TZCLTreeListNode* node = GetFocusedNode();
  if (!node) return;
  StartEditing(node, (*GetColumns())[1]);
  if (!GetEditingController()->IsEditing()) ExecuteDialog(node);
}

// ---- controls ---------------------------------------------------------------------------------------------

TZCLCompoundControlSubClass* TZCLObjectInspectorControl::CreateSubClass() {
  return Create<TZCLObjectInspectorSubClass>(static_cast<TComponent*>(this));
}

TZCLObjectInspector::TZCLObjectInspector(TComponent* AOwner) : TZCLContainer(AOwner) {
  FControl = Create<TZCLObjectInspectorControl>(static_cast<TComponent*>(this));
  FControl->SetAlign(alClient);
  FControl->SetParent(this);
  FControl->GetOptionsBehavior()->SetIncSearchColumnIndex(0);
  FControl->OnKeyDown = TKeyEvent(this, &TZCLObjectInspector::ControlKeyDown);
  FSearchEdit = Create<TZCLSearchEdit>(static_cast<TComponent*>(this));
  FSearchEdit->SetAlign(alTop);
  FSearchEdit->SetAlignWithMargins(true);
  FSearchEdit->GetMargins()->SetAll(0);
  FSearchEdit->GetMargins()->SetBottom(6);
  FSearchEdit->SetFocusControl(FControl);
  FSearchEdit->SetTabOrder(0);
  FSearchEdit->OnChange = TNotifyEvent(this, &TZCLObjectInspector::SearchChange);
  FSearchEdit->SetVisible(false);
  FSearchEdit->SetParent(this);
  SetBorders({});
  if (GetWidth() == 0 && GetHeight() == 0) SetBounds(GetLeft(), GetTop(), 200, 400);
}

void TZCLObjectInspector::DeclareProperties(TClassDeclaration<TZCLObjectInspector>& D) {
  D.Property(u"InspectedObject", &TZCLObjectInspector::GetInspectedObject, &TZCLObjectInspector::SetInspectedObject);
  D.Property(u"OptionsBehavior", &TZCLObjectInspector::GetOptionsBehavior, &TZCLObjectInspector::SetOptionsBehavior);
  D.Property(u"OptionsView", &TZCLObjectInspector::GetOptionsView, &TZCLObjectInspector::SetOptionsView);
  D.Property(u"SearchBox", &TZCLObjectInspector::GetSearchBox, &TZCLObjectInspector::SetSearchBox).Default(false);
  D.Property(u"SearchBoxTextHint", &TZCLObjectInspector::GetSearchBoxTextHint,
             &TZCLObjectInspector::SetSearchBoxTextHint)
      .Default(u"");
  using C = TZCLObjectInspector;
  using S = TZCLObjectInspectorSubClass;
  using T = TZCLObjectInspectorControl;
  D.Property(u"Style", &C::GetStyle, &C::SetStyle);
  D.Property(u"StyleHatch", &C::GetStyleHatch, &C::SetStyleHatch);
  D.Property(u"StyleInplaceEdit", &C::GetStyleInplaceEdit, &C::SetStyleInplaceEdit);
  D.Property(u"StyleInplaceEditButton", &C::GetStyleInplaceEditButton, &C::SetStyleInplaceEditButton);
  D.Property(u"StyleScrollBox", &C::GetStyleScrollBox, &C::SetStyleScrollBox);
  D.Property(u"StyleSearchEdit", &C::GetStyleSearchEdit, &C::SetStyleSearchEdit);
  D.Property(u"StyleSearchEditButton", &C::GetStyleSearchEditButton, &C::SetStyleSearchEditButton);
  D.Property(u"OnPopulated", &C::GetInspectorEvent<&S::OnPopulated>, &C::SetInspectorEvent<&S::OnPopulated>);
  D.Property(u"OnPropertyAdd", &C::GetInspectorEvent<&S::OnPropertyAdd>, &C::SetInspectorEvent<&S::OnPropertyAdd>);
  D.Property(u"OnPropertyChanging", &C::GetInspectorEvent<&S::OnPropertyChanging>,
             &C::SetInspectorEvent<&S::OnPropertyChanging>);
  D.Property(u"OnPropertyChanged", &C::GetInspectorEvent<&S::OnPropertyChanged>,
             &C::SetInspectorEvent<&S::OnPropertyChanged>);
  D.Property(u"OnPropertyGetGroupName", &C::GetInspectorEvent<&S::OnPropertyGetGroupName>,
             &C::SetInspectorEvent<&S::OnPropertyGetGroupName>);
  D.Event(u"OnKeyDown", &C::OnKeyDown);
  D.Property(u"OnKeyPress", &C::GetControlEvent<&T::OnKeyPress>, &C::SetControlEvent<&T::OnKeyPress>);
  D.Property(u"OnKeyUp", &C::GetControlEvent<&T::OnKeyUp>, &C::SetControlEvent<&T::OnKeyUp>);
  D.Property(u"OnMouseDown", &C::GetControlEvent<&T::OnMouseDown>, &C::SetControlEvent<&T::OnMouseDown>);
  D.Property(u"OnMouseMove", &C::GetControlEvent<&T::OnMouseMove>, &C::SetControlEvent<&T::OnMouseMove>);
  D.Property(u"OnMouseUp", &C::GetControlEvent<&T::OnMouseUp>, &C::SetControlEvent<&T::OnMouseUp>);
}

TZCLStyleEdit* TZCLObjectInspector::GetStyleSearchEdit() const { return FSearchEdit->GetStyle(); }

void TZCLObjectInspector::SetStyleSearchEdit(TZCLStyleEdit* Value) { FSearchEdit->SetStyle(Value); }

TZCLStyleButton* TZCLObjectInspector::GetStyleSearchEditButton() const { return FSearchEdit->GetStyleButton(); }

void TZCLObjectInspector::SetStyleSearchEditButton(TZCLStyleButton* Value) { FSearchEdit->SetStyleButton(Value); }

TComponent* TZCLObjectInspector::GetInspectedObject() const {
  return static_cast<TComponent*>(GetSubClass()->GetInspectedObject());
}

void TZCLObjectInspector::SetSearchBox(bool Value) {
  if (FSearchBox == Value) return;
  FSearchBox = Value;
  FSearchEdit->Clear();
  FSearchEdit->SetVisible(Value);
}

String TZCLObjectInspector::GetSearchBoxTextHint() const { return FSearchEdit->GetTextHint(); }

void TZCLObjectInspector::SetSearchBoxTextHint(const String& Value) { FSearchEdit->SetTextHint(Value); }

void TZCLObjectInspector::SetSearchText(const String& Text) {
  if (Text == FSearchEdit->GetText()) return;
  FSearchEdit->SetText(Text);
  GetSubClass()->SetSearchText(Text);
}

void TZCLObjectInspector::ResourceCollectionChanged() {
  inherited::ResourceCollectionChanged();
  FControl->SetResourceCollection(GetResourceCollection());
  FSearchEdit->SetResourceCollection(GetResourceCollection());
}

void TZCLObjectInspector::SearchChange(TObject*) { GetSubClass()->SetSearchText(FSearchEdit->GetText()); }

void TZCLObjectInspector::Localize(const String& Section, const String& Name) {
  inherited::Localize(Section, Name);
  // The control's own sub-section, as for the items and buttons of other controls.
  SetSearchBoxTextHint(LangGet(Section + u"." + Name, u"th", String()));
}

void TZCLObjectInspector::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  inherited::GetChildren(
      [&](TComponent* Child) {
        if (Child != FControl && Child != FSearchEdit) Proc(Child);
      },
      Root);
}

void TZCLObjectInspector::ControlKeyDown(TObject*, Word& Key, TShiftState Shift) {
  if (Key == VK_F3 && FSearchBox && FSearchEdit->CanFocus()) FSearchEdit->SetFocus();
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

bool TZCLObjectInspector::FocusNextRow(bool Backward) {
  TZCLObjectInspectorSubClass* tree = GetSubClass();
  TZCLTreeListNodeList* rows = tree->GetAbsoluteVisibleNodes();
  const Integer row = rows->IndexOf(tree->GetFocusedNode());
  const Integer next = Backward ? row - 1 : row + 1;
  if (row < 0 || next < 0 || next >= rows->GetCount()) return false;
  TZCLTreeListEditingController* editing = tree->GetEditingController();
  if (editing->IsEditing() && editing->IsModified()) editing->ApplyIfEditing();
  TZCLTreeListNode* target = (*tree->GetAbsoluteVisibleNodes())[next];
  tree->SetFocusedNode(target);
  tree->StartEditing(target, (*tree->GetColumns())[1]);
  return true;
}

void TZCLObjectInspector::CMChildKey(TMessage& Message) {
  const Word key = static_cast<Word>(Message.WParam);
  const TShiftState shift = KeyboardStateToShiftState();
  if (key == VK_TAB) {
    if (FocusNextRow(shift.Contains(ssShift))) Message.Result = 1;
    return;
  }
  if (key == VK_F3) {
    Message.Result = 1;
    if (FSearchBox && FSearchEdit->CanFocus()) FSearchEdit->SetFocus();
    Word k = key;
    if (OnKeyDown) OnKeyDown(this, k, shift);
    return;
  }
  inherited::CMChildKey(Message);
}

const TMessageTable& TZCLObjectInspector::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(), {VCL_MESSAGE(CM_CHILDKEY, &TZCLObjectInspector::CMChildKey)});
  return table;
}

void RegisterObjectInspectorClasses() {
  RegisterProperties<TZCLObjectInspectorOptionsBehavior>();
  RegisterProperties<TZCLObjectInspectorOptionsView>();
  RegisterProperties<TZCLObjectInspectorExpressionEdit>();
  RegisterProperties<TZCLObjectInspector>();
  RegisterClass(TZCLObjectInspector::StaticClass());
}
