#include "zcl/ui/treelist/ZCL.UI.TreeList.h"

#include "vcl/VCL.Messages.h"

// ---- the control ----------------------------------------------------------------------------

const TMessageTable& TZCLCustomTreeList::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(WM_GETDLGCODE, &TZCLCustomTreeList::WMGetDlgCode)});
  return table;
}

TZCLCustomTreeList::TZCLCustomTreeList(TComponent* AOwner) : TZCLCompoundControl(AOwner) {
  SetFocusOnClick(true);
  SetTabStop(true);
}

TZCLCompoundControlSubClass* TZCLCustomTreeList::CreateSubClass() { return Create<TZCLTreeListSubClass>(this); }

void TZCLCustomTreeList::SetStyle(TZCLStyleTreeList* Value) {
  GetStyle()->Assign(Value);
  UpdateTransparency();
}

TObject* TZCLCustomTreeList::ObjectAtPos(Integer X, Integer Y) {
  UpdateHitTest(X, Y);
  return GetHitTest()->HitObject;
}

void TZCLCustomTreeList::FocusFirstRootChild() {
  TZCLTreeListNode* root = GetRootNode();
  if (root->GetChildrenCount() > 0) SetFocusedNode(root->GetChild(0));
}

void TZCLCustomTreeList::FocusFirstItem() {
  TZCLTreeListNodeList* rows = GetAbsoluteVisibleNodes();
  if (rows->GetCount() > 0 && rows->First()) SetFocusedNode(rows->First());
  if (CanFocus()) SetFocus();
}

bool TZCLCustomTreeList::Focused() {
  if (inherited::Focused()) return true;
  TZCLTreeListEditingController* editing = FSubClass ? GetEditingController() : nullptr;
  return editing && editing->GetEditIntf() && editing->GetEditIntf()->InplaceIsFocused();
}

void TZCLCustomTreeList::FocusChanged() {
  inherited::FocusChanged();
  // Leaving the tree list (not for its own editor) stores what is being edited.
  if (FSubClass && !FSubClass->IsFocused()) GetEditingController()->ApplyIfEditing();
}

void TZCLCustomTreeList::UpdateTransparency() {
  TControlStyle style = GetControlStyle();
  if (FSubClass && GetStyle()->GetColor(1)->HasAlpha())
    style.Exclude(csOpaque);
  else
    style.Include(csOpaque);
  SetControlStyle(style);
}

void TZCLCustomTreeList::ResourceChanged() {
  inherited::ResourceChanged();
  UpdateTransparency();
}

void TZCLCustomTreeList::WMGetDlgCode(TMessage& Message) { Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; }

// ---- published ------------------------------------------------------------------------------

void TZCLTreeList::DeclareProperties(TClassDeclaration<TZCLTreeList>& D) {
  using C = TZCLTreeList;
  using S = TZCLTreeListSubClass;
  D.Property(u"Columns", &C::GetColumns, &C::SetColumns);
  D.Publish(u"DoubleBuffered").Default(true);
  D.Property(u"FocusOnClick", &C::GetFocusOnClick, &C::SetFocusOnClick).Default(true);
  D.Publish(u"Font");
  D.Property(u"OptionsBehavior", &C::GetOptionsBehavior, &C::SetOptionsBehavior);
  D.Property(u"OptionsCustomizing", &C::GetOptionsCustomizing, &C::SetOptionsCustomizing);
  D.Property(u"OptionsSelection", &C::GetOptionsSelection, &C::SetOptionsSelection);
  D.Property(u"OptionsView", &C::GetOptionsView, &C::SetOptionsView);
  D.Property(u"ResourceCollection", &C::GetResourceCollection, &C::SetResourceCollection);
  D.Property(u"Style", &C::GetStyle, &C::SetStyle);
  D.Property(u"StyleHint", &C::GetStyleHint, &C::SetStyleHint);
  D.Property(u"StyleInplaceEdit", &C::GetStyleInplaceEdit, &C::SetStyleInplaceEdit);
  D.Property(u"StyleInplaceEditButton", &C::GetStyleInplaceEditButton, &C::SetStyleInplaceEditButton);
  D.Property(u"StyleScrollBox", &C::GetStyleScrollBox, &C::SetStyleScrollBox);
  D.Publish(u"TabStop").Default(true);

  D.Property(u"OnCalculated", &C::GetEngineEvent<&S::OnCalculated>, &C::SetEngineEvent<&S::OnCalculated>);
  D.Property(u"OnDropSourceData", &C::GetEngineEvent<&S::OnDropSourceData>, &C::SetEngineEvent<&S::OnDropSourceData>);
  D.Property(u"OnDropSourceFinish", &C::GetEngineEvent<&S::OnDropSourceFinish>,
          &C::SetEngineEvent<&S::OnDropSourceFinish>);
  D.Property(u"OnDropSourceStart", &C::GetEngineEvent<&S::OnDropSourceStart>, &C::SetEngineEvent<&S::OnDropSourceStart>);
  D.Property(u"OnGetCursor", &C::GetEngineEvent<&S::OnGetCursor>, &C::SetEngineEvent<&S::OnGetCursor>);
  D.Property(u"OnUpdateState", &C::GetEngineEvent<&S::OnUpdateState>, &C::SetEngineEvent<&S::OnUpdateState>);
  for (const char16_t* name : {u"OnClick", u"OnDblClick", u"OnKeyDown", u"OnKeyPress", u"OnKeyUp", u"OnMouseDown",
                               u"OnMouseMove", u"OnMouseUp"})
    D.Publish(name);

  D.Property(u"OnCanDeleteSelected", &C::GetEngineEvent<&S::OnCanDeleteSelected>,
          &C::SetEngineEvent<&S::OnCanDeleteSelected>);
  D.Property(u"OnColumnClick", &C::GetEngineEvent<&S::OnColumnClick>, &C::SetEngineEvent<&S::OnColumnClick>);
  D.Property(u"OnCompare", &C::GetEngineEvent<&S::OnCompare>, &C::SetEngineEvent<&S::OnCompare>);
  D.Property(u"OnCustomDrawColumnBar", &C::GetEngineEvent<&S::OnCustomDrawColumnBar>,
          &C::SetEngineEvent<&S::OnCustomDrawColumnBar>);
  D.Property(u"OnCustomDrawNode", &C::GetEngineEvent<&S::OnCustomDrawNode>, &C::SetEngineEvent<&S::OnCustomDrawNode>);
  D.Property(u"OnCustomDrawNodeCell", &C::GetEngineEvent<&S::OnCustomDrawNodeCell>,
          &C::SetEngineEvent<&S::OnCustomDrawNodeCell>);
  D.Property(u"OnCustomDrawNodeCellValue", &C::GetEngineEvent<&S::OnCustomDrawNodeCellValue>,
          &C::SetEngineEvent<&S::OnCustomDrawNodeCellValue>);
  D.Property(u"OnEditCreate", &C::GetEngineEvent<&S::OnEditCreate>, &C::SetEngineEvent<&S::OnEditCreate>);
  D.Property(u"OnEdited", &C::GetEngineEvent<&S::OnEdited>, &C::SetEngineEvent<&S::OnEdited>);
  D.Property(u"OnEditing", &C::GetEngineEvent<&S::OnEditing>, &C::SetEngineEvent<&S::OnEditing>);
  // The older name of OnEditing: read from stored forms, never written.
  D.Property(u"OnEditApply", &C::GetEngineEvent<&S::OnEditing>, &C::SetEngineEvent<&S::OnEditing>).Stored(false);
  D.Property(u"OnEditInitialize", &C::GetEngineEvent<&S::OnEditInitialize>, &C::SetEngineEvent<&S::OnEditInitialize>);
  D.Property(u"OnEditKeyDown", &C::GetEngineEvent<&S::OnEditKeyDown>, &C::SetEngineEvent<&S::OnEditKeyDown>);
  D.Property(u"OnFocusedColumnChanged", &C::GetEngineEvent<&S::OnFocusedColumnChanged>,
          &C::SetEngineEvent<&S::OnFocusedColumnChanged>);
  D.Property(u"OnFocusedNodeChanged", &C::GetEngineEvent<&S::OnFocusedNodeChanged>,
          &C::SetEngineEvent<&S::OnFocusedNodeChanged>);
  D.Property(u"OnGetNodeCellDisplayText", &C::GetEngineEvent<&S::OnGetNodeCellDisplayText>,
          &C::SetEngineEvent<&S::OnGetNodeCellDisplayText>);
  D.Property(u"OnGetNodeCellStyle", &C::GetEngineEvent<&S::OnGetNodeCellStyle>,
          &C::SetEngineEvent<&S::OnGetNodeCellStyle>);
  D.Property(u"OnGetNodeChildren", &C::GetEngineEvent<&S::OnGetNodeChildren>, &C::SetEngineEvent<&S::OnGetNodeChildren>);
  D.Property(u"OnGetNodeClass", &C::GetOnGetNodeClass, &C::SetOnGetNodeClass);
  D.Property(u"OnGetNodeGroup", &C::GetEngineEvent<&S::OnGetNodeGroup>, &C::SetEngineEvent<&S::OnGetNodeGroup>);
  D.Property(u"OnNodeChecked", &C::GetEngineEvent<&S::OnNodeChecked>, &C::SetEngineEvent<&S::OnNodeChecked>);
  D.Property(u"OnNodeDeleted", &C::GetEngineEvent<&S::OnNodeDeleted>, &C::SetEngineEvent<&S::OnNodeDeleted>);
  D.Property(u"OnSelectionChanged", &C::GetEngineEvent<&S::OnSelectionChanged>,
          &C::SetEngineEvent<&S::OnSelectionChanged>);
  D.Property(u"OnSorted", &C::GetEngineEvent<&S::OnSorted>, &C::SetEngineEvent<&S::OnSorted>);
  D.Property(u"OnSorting", &C::GetEngineEvent<&S::OnSorting>, &C::SetEngineEvent<&S::OnSorting>);
  D.Property(u"OnSortReset", &C::GetEngineEvent<&S::OnSortReset>, &C::SetEngineEvent<&S::OnSortReset>);
}

void RegisterTreeListClasses() {
  RegisterProperties<TZCLTreeList>();
  RegisterClasses({TZCLTreeList::StaticClass()});
}
