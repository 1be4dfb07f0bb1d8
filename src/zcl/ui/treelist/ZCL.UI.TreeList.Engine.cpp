// The tree list engine: node class, selection, focus, deletion, change processing and the
// sorting and grouping requests that the sorter carries out.

#include "zcl/base/ZCL.Utils.Strings.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.Locks.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.InplaceEdit.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.Sorting.h"

namespace {
using TLockedUpdate = TZCLTreeListLockedUpdate;
using TLongOperation = TZCLTreeListLongOperation;
}  // namespace

// ---- nodes ----------------------------------------------------------------------------------

TZCLTreeListNode* TZCLTreeListSubClass::CreateNode() {
  if (!FNodeClass) FNodeClass = DoGetNodeClass();
  return FNodeClass->Create<TZCLTreeListNode>(static_cast<IZCLTreeList*>(this));
}

TClass TZCLTreeListSubClass::DoGetNodeClass() {
  TClass result = TZCLTreeListStringNode::StaticClass();
  if (FOnGetNodeClass) FOnGetNodeClass(this, result);
  if (!result || !result->InheritsFrom(TZCLTreeListNode::StaticClass())) result = TZCLTreeListStringNode::StaticClass();
  return result;
}

void TZCLTreeListSubClass::SetOnGetNodeClass(const TZCLTreeListGetNodeClassEvent& Value) {
  if (FOnGetNodeClass == Value) return;
  if (FRoot && FRoot->GetChildrenList() && FRoot->GetChildrenList()->GetCount() > 0)
    throw EInvalidOperation(u"Cannot change class of nodes if nodes are already created");
  FOnGetNodeClass = Value;
  TZCLTreeListNode* root = FRoot;
  FRoot = nullptr;
  Free(root);
  FNodeClass = nullptr;
  FRoot = CreateNode();
  FRoot->SetHasChildrenFlag(true);
  FRoot->SetExpanded(true);
  Changed(ChangeStruct);
}

void TZCLTreeListSubClass::DoNodeChecked(TZCLTreeListNode* Node) {
  if (OnNodeChecked) OnNodeChecked(this, Node);
}

void TZCLTreeListSubClass::DoGetNodeChildren(TZCLTreeListNode* Node) {
  if (OnGetNodeChildren) OnGetNodeChildren(this, Node);
}

void TZCLTreeListSubClass::NodeValuesChanged(Integer ValueIndex) {
  Cardinal flags = 0x21;
  if (FSorter && FSorter->IsGroupedBy(ValueIndex)) flags |= TreeListChangeGroup;
  if (GetSorter()->IsSortedBy(ValueIndex)) flags |= TreeListChangeSort;
  Changed(flags);
}

// ---- focus and selection --------------------------------------------------------------------

TZCLTreeListNode* TZCLTreeListSubClass::GetFocusedNode() const {
  if (auto* node = dynamic_cast<TZCLTreeListNode*>(FocusedObject)) return node;
  if (auto* group = dynamic_cast<TZCLTreeListGroup*>(FocusedObject)) return group->GetLinks()->First();
  return FSelection.First();
}

void TZCLTreeListSubClass::SetFocusedNode(TZCLTreeListNode* Node) {
  if (Node != FocusedObject) SetFocusedObject(Node, true, true);
}

void TZCLTreeListSubClass::SetFocusedObject(TObject* Object, bool DropSelection, bool MakeVisible) {
  if (Object && Object == FRoot) return;
  if (!GetEnabled()) Object = nullptr;
  TLockedUpdate update(this);
  // Focus moved by other means ends a search; a filter stays until the user clears it.
  if (FIncSearch->GetMode() != ismFilter) FIncSearch->Cancel();
  if (DropSelection && (FSelection.GetCount() > 1 || (FSelection.GetCount() == 1 && FSelection.First() != Object)))
    SelectNone();
  ExpandParents(Object);
  SelectObject(Object, 1);
  const bool columnChanged = FocusedColumn != nullptr;
  FocusedColumn = nullptr;
  const bool objectChanged = FocusedObject != Object;
  FocusedObject = Object;
  Cardinal flags = ChangeContent;
  if (objectChanged) flags |= 0x200;
  if (columnChanged) flags |= 0x400;
  if (MakeVisible && Object) flags |= 0x800;
  Changed(flags);
}

void TZCLTreeListSubClass::NodeSetSelected(TZCLTreeListNode* Node, bool& Selected) {
  TLockedUpdate update(this);
  Selected = Selected && GetEnabled();
  if (Selected) {
    if (!FOptionsSelection->GetMultiSelect())
      while (FSelection.GetCount() > 0) FSelection.Last()->SetSelected(false);
    FSelection.Add(Node);
  } else {
    for (Integer i = FSelection.GetCount() - 1; i >= 0; --i)
      if (FSelection[i] == Node) {
        FSelection.Delete(i);
        break;
      }
  }
  Changed(0x101);
}

void TZCLTreeListSubClass::SelectNone() {
  TLockedUpdate update(this);
  while (FSelection.GetCount() > 0) FSelection.Last()->SetSelected(false);
  SetFocusedNode(nullptr);
}

void TZCLTreeListSubClass::SelectAll() {
  TZCLTreeListNodeList* rows = GetAbsoluteVisibleNodes();
  if (!rows || rows->GetCount() == 0) return;
  TLockedUpdate update(this);
  for (TZCLTreeListNode* node : *rows)
    if (node) node->SetSelected(true);
  // Single-select leaves only the focused node selected.
  TObject* focus = FocusedObject ? FocusedObject : rows->First();
  if (auto* node = dynamic_cast<TZCLTreeListNode*>(focus)) node->SetSelected(true);
  SetFocusedObject(focus, false, true);
}

void TZCLTreeListSubClass::SelectInvert() {
  TZCLTreeListNodeList* rows = GetAbsoluteVisibleNodes();
  if (!rows || rows->GetCount() == 0 || !FOptionsSelection->GetMultiSelect()) return;
  TLockedUpdate update(this);
  for (TZCLTreeListNode* node : *rows)
    if (node) node->SetSelected(!node->GetSelected());
  if (TZCLTreeListNode* first = FSelection.First()) SetFocusedObject(first, false, true);
}

void TZCLTreeListSubClass::ConfigLoad(TZCLIniFile* Ini, const String& Section, const String& Item) {
  TLockedUpdate update(this);
  FColumns->ConfigLoad(Ini, Section, Item + u".ColumnsData");
  if (FOptionsBehavior->GetSortingMode() == tlsmDisabled) ResetSortingParams();
}

void TZCLTreeListSubClass::Localize(const String& Section) { FColumns->Localize(Section); }

void TZCLTreeListSubClass::ConfigSave(TZCLIniFile* Ini, const String& Section, const String& Item) {
  FColumns->ConfigSave(Ini, Section, Item + u".ColumnsData");
}

// ---- deleting, clearing, reloading ----------------------------------------------------------

bool TZCLTreeListSubClass::DoCanDeleteSelected() {
  bool allow = true;
  if (OnCanDeleteSelected) OnCanDeleteSelected(this, allow);
  return allow;
}

void TZCLTreeListSubClass::DeleteSelected() {
  if (!HasSelection() || !DoCanDeleteSelected()) return;
  TLongOperation operation(this);
  TLockedUpdate update(this);
  DoDeleteSelected();
}

void TZCLTreeListSubClass::DoDeleteSelected() {
  // Only the topmost selected nodes: freeing one frees its selected descendants with it.
  TZCLTreeListNodeList victims;
  for (TZCLTreeListNode* node : FSelection) {
    bool ancestorSelected = false;
    for (TZCLTreeListNode* p = node->GetParent(); p && p != FRoot; p = p->GetParent())
      if (p->GetSelected()) {
        ancestorSelected = true;
        break;
      }
    if (!ancestorSelected) victims.Add(node);
  }
  // Every selected node goes with its topmost selected ancestor.
  FSelection.Clear();
  for (Integer i = victims.GetCount() - 1; i >= 0; --i) Free(victims[i]);
  Changed(0x100);
}

void TZCLTreeListSubClass::Clear() {
  if (!FRoot) return;
  TLongOperation operation(this);
  TLockedUpdate update(this);
  SetFocusedObject(nullptr, false, false);
  if (FGroups) FGroups->Clear();
  if (FSelection.GetCount() > 0) {
    // The selected nodes go with the root's children below.
    FSelection.Clear();
    Changed(0x100);
  }
  if (TZCLTreeListContentViewInfo* content = GetContent()) content->GetAbsoluteVisibleNodes()->Clear();
  FRoot->DeleteChildren();
}

void TZCLTreeListSubClass::ReloadData() {
  TLockedUpdate update(this);
  const String path = GetPath(GetFocusedNode());
  Clear();
  FRoot->SetHasChildrenFlag(true);
  FRoot->GetChildrenCount();
  SetFocusedPath(path);
}

String TZCLTreeListSubClass::GetPath(TZCLTreeListNode* Node) {
  if (!Node || Node == FRoot) return String();
  return GetPath(Node->GetParent()) + GetNodePathName(Node) + u"\\";
}

TZCLTreeListNode* TZCLTreeListSubClass::FindByPath(String Path, bool IgnoreCase, bool Exact) {
  if (!Path.empty() && Path.back() != u'\\' && Path.back() != u'/') Path += u'\\';
  TZCLTreeListNode* current = FRoot;
  TZCLTreeListNode* reached = nullptr;
  while (!Path.empty() && current) {
    TZCLTreeListNode* match = nullptr;
    const Integer count = current->GetChildrenCount();
    for (Integer i = 0; i < count && !match; ++i) {
      TZCLTreeListNode* child = current->GetChild(i);
      const String name = GetNodePathName(child);
      if (name.size() >= Path.size()) continue;
      const Char next = Path[name.size()];
      if ((next == u'\\' || next == u'/') && zcCompareStrings(StringView(Path).substr(0, name.size()), name, IgnoreCase) == 0)
        match = child;
    }
    if (!match) break;
    Path.erase(0, GetNodePathName(match).size() + 1);
    reached = current = match;
  }
  if (Exact && !Path.empty()) return nullptr;
  return reached;
}

// ---- sorting and grouping -------------------------------------------------------------------

TZCLTreeListSorter* TZCLTreeListSubClass::CreateSorter() { return new TZCLTreeListSorter(this); }

TZCLTreeListSorter* TZCLTreeListSubClass::GetSorter() {
  if (!FSorter) FSorter = CreateSorter();
  return FSorter;
}

void TZCLTreeListSubClass::SortBy(TZCLTreeListColumn* Column, TZCLSortDirection Direction, bool ResetPrevious) {
  if (!Column) return;
  if (Column->GetColumns() != FColumns) throw EInvalidArgument(u"Column that you specified not owned by this TreeList.");
  TLockedUpdate update(this);
  if (ResetPrevious || FOptionsBehavior->GetSortingMode() != tlsmMulti) ResetSortingParams();
  if (Direction != sdDefault) {
    if (!FSortBy.Contains(Column)) FSortBy.Add(Column);
  } else {
    FSortBy.Remove(Column);
    if (FSortBy.GetCount() == 0) DoSortReset();
  }
  Column->SortDirection = Direction;
  Resort();
}

void TZCLTreeListSubClass::SortByColumnClick(TZCLTreeListColumn* Column, bool ResetOthers) {
  TZCLSortDirection next = sdAscending;
  if (FSortBy.Contains(Column)) next = Column->SortDirection == sdAscending ? sdDescending : sdDefault;
  SortBy(Column, next, ResetOthers);
}

void TZCLTreeListSubClass::ResetSortingParams() {
  for (TZCLTreeListColumn* column : FSortBy) column->SortDirection = sdDefault;
  FSortBy.Clear();
}

void TZCLTreeListSubClass::Resort() {
  TLongOperation operation(this);
  ProcessChanges(TreeListChangeSort | 0x800 | (GetPendingChanges() & TreeListChangeGroup));
}

void TZCLTreeListSubClass::GroupBy(TZCLTreeListColumn* Column, bool ResetPrevious) {
  if (!Column) return;
  TLockedUpdate update(this);
  if (ResetPrevious) ResetGrouping();
  FGroupBy.Add(Column);
  Changed(0x880);
}

void TZCLTreeListSubClass::ResetGrouping() {
  if (FGroupBy.GetCount() == 0) return;
  FGroupBy.Clear();
  Changed(0x880);
}

void TZCLTreeListSubClass::Regroup() { ProcessChanges(0x880); }

bool TZCLTreeListSubClass::DoColumnClick(TZCLTreeListColumn* Column) {
  bool handled = false;
  if (OnColumnClick) OnColumnClick(this, Column->GetIndex(), handled);
  return handled;
}

void TZCLTreeListSubClass::ProcessColumnClick(TMouseButton Button, TShiftState Shift, TZCLTreeListColumn* Column) {
  if (Button != TMouseButton::Left || !Column) return;
  TZCLHitTestInfo* hitTest = GetHitTest();
  if (hitTest->GetHitObjectFlag(HitFlagCheckBox)) {
    TLockedUpdate update(this);
    FRoot->SetChildrenCheckState(FRoot->GetChildrenCheckState() == cbChecked ? cbUnchecked : cbChecked);
    return;
  }
  if (hitTest->GetHitObjectFlag(3) || DoColumnClick(Column)) return;
  if (FOptionsBehavior->GetSortingMode() == tlsmDisabled) return;
  SortByColumnClick(Column, !Shift.Contains(ssCtrl));
}

// ---- events ---------------------------------------------------------------------------------

void TZCLTreeListSubClass::DoSelectionChanged() {
  if (OnSelectionChanged) OnSelectionChanged(this);
}
void TZCLTreeListSubClass::DoFocusedNodeChanged() {
  if (OnFocusedNodeChanged) OnFocusedNodeChanged(this);
}
void TZCLTreeListSubClass::DoFocusedColumnChanged() {
  if (OnFocusedColumnChanged) OnFocusedColumnChanged(this);
}
void TZCLTreeListSubClass::DoSorting() {
  if (OnSorting) OnSorting(this);
}
void TZCLTreeListSubClass::DoSorted() {
  if (OnSorted) OnSorted(this);
}
void TZCLTreeListSubClass::DoSortReset() {
  if (OnSortReset) OnSortReset(this);
}

// ---- change processing ----------------------------------------------------------------------

void TZCLTreeListSubClass::ProcessChanges(TZCLCompoundControlChanges Flags) {
  if ((Flags & ~ChangeContent) && FEditingController) FEditingController->ProcessChanges(Flags);
  if ((Flags & ChangeContent) && !GetEnabled() && HasSelection()) SelectNone();
  if (Flags & ChangeStruct) FGroups->RemoveEmpty();
  if (Flags & 0x3000) {
    // A manual order must not be undone by the sort columns.
    ResetSortingParams();
    Flags |= ChangeStruct;
    if (Flags & 0x1000)
      GetSorter()->ApplyGroupOrder();
    else
      Flags |= TreeListChangeGroup;
  }
  // Rows are rebuilt only when the order may have changed (rebuilding costs as much as the rows),
  // or when a structural change waits behind an update lock: the old rows may show freed nodes.
  if (Flags & (TreeListChangeSort | TreeListChangeGroup)) {
    const bool moved = GetSorter()->Sort((Flags & TreeListChangeGroup) != 0);
    if (moved || (GetPendingChanges() & ChangeStruct)) Flags |= ChangeStruct;
  }
  if (Flags & 0x10000) SetFocusedObject(nullptr, true, true);
  inherited::ProcessChanges(Flags);
  if (Flags & ChangeStruct) {
    // A focused row that went away (collapsed or filtered out) hands focus to its nearest shown ancestor.
    if (FocusedObject && GetContent()) {
      TObject* object = FocusedObject;
      TZCLCompoundControlBaseContentCell* cell = nullptr;
      while (object && object != FRoot && !GetContent()->GetCells()->Find(object, cell)) {
        IPtr<IZCLTreeNodeLink> link;
        object = Supports(object, link) ? link->GetLinkParent() : nullptr;
      }
      if (object != FocusedObject) SetFocusedObject(object == FRoot ? nullptr : object, false, false);
    }
    if (FocusedColumn && !FocusedColumn->GetVisible()) {
      FocusedColumn = nullptr;
      Flags |= 0x400;
    }
  }
  if ((Flags & 0x800) && FocusedObject) ScrollTo(FocusedObject, 0, FocusedColumn);
  if ((Flags & (ChangeSize | ChangeStruct | 0x20)) && FOptionsBehavior->GetAutoBestFit()) FColumns->ApplyBestFit(true);
  if (Flags & 0x100) DoSelectionChanged();
  if (Flags & 0x200) DoFocusedNodeChanged();
  if (Flags & 0x400) DoFocusedColumnChanged();
  if (Flags & 0x20000) {
    ResetSortingParams();
    Resort();
  }
}
