// The tree list engine's side of user input: keys, mouse, wheel and pan gesture turned into
// focus moves, selection, checking, expanding, sorting and editing requests; also focus and
// scrolling by object, the row colours and the type-ahead search over the rows.

#include "os/OS.Input.h"
#include "vcl/VCL.Menus.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/ui/controls/ZCL.UI.Menus.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.Locks.h"

namespace {

using TLockedUpdate = TZCLTreeListLockedUpdate;
using TLongOperation = TZCLTreeListLongOperation;

constexpr Integer HitFlagResizeZone = 3;
constexpr Integer ModeDeselect = 0;
constexpr Integer ModeSelect = 1;
constexpr Integer ModeToggle = 2;

// A click on an expanded group may hand the focus to its first row.
TObject* ClickFocusTarget(TZCLTreeListSubClass* Tree, TObject* Object) {
  if (auto* group = dynamic_cast<TZCLTreeListGroup*>(Object))
    if (!Tree->GetOptionsBehavior()->GetGroupsFocusOnClick() && group->GetExpanded() && group->GetLinks()->First())
      return group->GetLinks()->First();
  return Object;
}

bool IsHitAtButton(TZCLHitTestInfo* HitTest) {
  return HitTest->GetHitObjectFlag(HitFlagCheckBox) || HitTest->GetHitObjectFlag(HitFlagExpandButton) ||
         HitTest->GetHitObjectFlag(HitFlagResizeZone);
}

TZCLTreeListColumn* HitColumn(TZCLHitTestInfo* HitTest) {
  auto* column = dynamic_cast<TZCLTreeListColumnViewInfo*>(HitTest->GetHitObjectData(u"ColumnViewInfo"));
  return column ? column->GetColumn() : nullptr;
}

Integer RowIndexOf(TZCLTreeListContentViewInfo* Content, TObject* Object) {
  if (!Content || !Object) return -1;
  TZCLCompoundControlContentCellList* cells = Content->GetCells();
  for (Integer i = 0; i < cells->GetCount(); ++i)
    if ((*cells)[i]->GetData() == Object) return i;
  return -1;
}

}  // namespace

// ---- focus by object ------------------------------------------------------------------------

void TZCLTreeListSubClass::SetFocusedGroup(TZCLTreeListGroup* Group) {
  if (Group != FocusedObject) SetFocusedObject(Group, true, true);
}

void TZCLTreeListSubClass::SetFocusedColumn(TZCLTreeListColumn* Column) {
  if (!GetEnabled() || (Column && !Column->GetVisible())) Column = nullptr;
  if (Column == FocusedColumn) return;
  FocusedColumn = Column;
  Changed(0x401 | (Column ? 0x800 : 0));
}

void* TZCLTreeListSubClass::GetFocusedNodeData() const {
  TZCLTreeListNode* node = GetFocusedNode();
  return node ? node->Data : nullptr;
}

void TZCLTreeListSubClass::SetFocusedNodeData(void* Data) {
  SetFocusedNode(FRoot ? FRoot->FindNode(Data, true) : nullptr);
}

// ---- selection ------------------------------------------------------------------------------

void TZCLTreeListSubClass::SelectObject(TObject* Object, Integer Mode, bool SkipGroups) {
  if (!Object || (SkipGroups && dynamic_cast<TZCLTreeListGroup*>(Object))) return;
  IPtr<IZCLSelectableObject> selectable;
  if (!Supports(Object, selectable)) return;
  switch (Mode) {
    case ModeDeselect:
      selectable->SetSelected(false);
      break;
    case ModeSelect:
      selectable->SetSelected(true);
      break;
    case ModeToggle:
      selectable->SetSelected(!selectable->GetSelected());
      break;
    default:
      break;
  }
}

void TZCLTreeListSubClass::SelectRange(TObject* From, TObject* To, TObject* FocusTo, bool MakeVisible,
                                       bool DropSelection, Integer Mode) {
  TZCLTreeListContentViewInfo* content = GetContent();
  const Integer a = RowIndexOf(content, From);
  const Integer b = RowIndexOf(content, To);
  if (a < 0 || b < 0) return;
  TLockedUpdate update(this);
  if (DropSelection) SelectNone();
  const Integer low = std::min(a, b), high = std::max(a, b);
  TZCLCompoundControlContentCellList* cells = content->GetCells();
  for (Integer i = low; i <= high; ++i) {
    TObject* object = (*cells)[i]->GetData();
    // A group in the middle would select its rows twice, and rows outside the range with them.
    if (i > low && i < high && dynamic_cast<TZCLTreeListGroup*>(object)) continue;
    SelectObject(object, Mode);
  }
  SetFocusedObject(FocusTo, false, MakeVisible);
}

// ---- scrolling by object --------------------------------------------------------------------

TObject* TZCLTreeListSubClass::ObjectAtPos(Integer X, Integer Y) {
  UpdateHitTest(X, Y);
  return GetHitTest()->HitObject;
}

TPoint TZCLTreeListSubClass::GetViewport() { return GetContent()->GetViewport(); }
void TZCLTreeListSubClass::SetViewportX(Integer Value) { GetContent()->SetViewportX(Value); }
void TZCLTreeListSubClass::SetViewportY(Integer Value) { GetContent()->SetViewportY(Value); }

void TZCLTreeListSubClass::ScrollBy(Integer DeltaX, Integer DeltaY) {
  TZCLTreeListContentViewInfo* content = GetContent();
  const TPoint viewport = content->GetViewport();
  if (DeltaX) content->SetViewportX(viewport.X + DeltaX);
  if (DeltaY) content->SetViewportY(viewport.Y + DeltaY);
}

void TZCLTreeListSubClass::ScrollByLines(Integer Count, bool Up) { GetContent()->ScrollByLines(Count, Up); }

void TZCLTreeListSubClass::ScrollHorizontally(TScrollCode Code) { GetContent()->ScrollHorizontally(Code); }
void TZCLTreeListSubClass::ScrollVertically(TScrollCode Code) { GetContent()->ScrollVertically(Code); }

bool TZCLTreeListSubClass::QueryChildInterface(TObject* Object, const TGUID& IID, void** Obj) {
  TZCLCompoundControlBaseContentCell* cell = nullptr;
  TZCLTreeListContentViewInfo* content = GetContent();
  return content && content->GetCells()->Find(Object, cell) && cell->QueryInterface(IID, Obj) == S_OK;
}

void TZCLTreeListSubClass::ExpandParents(TObject* Object) {
  IPtr<IZCLTreeNodeLink> link;
  if (!Object || !Supports(Object, link)) return;
  for (TObject* parent = link->GetLinkParent(); parent && parent != FRoot;) {
    IPtr<IZCLExpandableObject> expandable;
    if (Supports(parent, expandable)) expandable->SetExpanded(true);
    IPtr<IZCLTreeNodeLink> up;
    parent = Supports(parent, up) ? up->GetLinkParent() : nullptr;
  }
}

void TZCLTreeListSubClass::ScrollTo(TObject* Object, Integer Mode, TZCLTreeListColumn* Column) {
  if (!Object) return;
  ExpandParents(Object);
  // Rows that the expansion brings in must be laid out before the distance is measured.
  if (!IsUpdateLocked() && GetPendingChanges()) Changed(0);
  const TPoint delta = GetContent()->CalculateScrollToDelta(Object, Mode, Column);
  ScrollBy(delta.X, delta.Y);
}

// ---- colours --------------------------------------------------------------------------------

TAlphaColor TZCLTreeListSubClass::GetNodeBackgroundColor(bool Odd, TZCLTreeListNode* Node) {
  TAlphaColor result = FStyle->GetRowColor(Odd);
  const bool focused = IsFocused();
  if (Node && Node->GetSelected()) {
    const TAlphaColor focusedRow = FStyle->GetColor(12)->GetValue();
    const bool focusedRowLook = focused && Node == FocusedObject &&
                                !(FOptionsSelection->GetFocusCell() && FocusedColumn) && focusedRow != claDefault;
    const TAlphaColor selected = FStyle->GetRowSelectedColor(focused);
    if (focusedRowLook)
      result = focusedRow;
    else if (selected != claDefault)
      result = selected;
  }
  if (Node && FOptionsBehavior->GetHotTrack() && GetHoveredObject() == Node) {
    const TAlphaColor hovered = FStyle->GetColor(14)->GetValue();
    if (TAlphaColorHelper::IsValid(hovered)) result = hovered;
  }
  if (OnGetNodeBackground) OnGetNodeBackground(this, Node, result);
  return result;
}

TColor TZCLTreeListSubClass::GetNodeTextColor(TZCLTreeListNode* Node) {
  TColor result = FStyle->GetTextColor(GetEnabled() && (!Node || Node->GetEnabled()));
  if (!Node || !Node->GetEnabled()) return result;
  const bool focused = IsFocused();
  const bool selected = Node->GetSelected();
  auto take = [&](Integer Index) {
    if (FStyle->GetColor(Index)->GetValue() == claDefault) return false;
    result = FStyle->GetColor(Index)->GetAsColor();
    return true;
  };
  if (selected && focused) take(18);
  if (FOptionsBehavior->GetHotTrack() && GetHoveredObject() == Node &&
      TAlphaColorHelper::IsValid(FStyle->GetColor(15)->GetValue()))
    result = FStyle->GetColor(15)->GetAsColor();
  if (selected) {
    if (Node == FocusedObject) take(13);
    if (!focused) take(19);
  }
  return result;
}

void TZCLTreeListSubClass::PrepareCanvas(TCanvas* Canvas, Integer FontIndex, bool Small) {
  Canvas->GetBrush()->SetStyle(TBrushStyle::bsSolid);
  AssignCanvasFont(Canvas, FontIndex < 0 ? GetFont() : FStyle->GetFont(FontIndex)->GetFont());
  if (Small) Canvas->GetFont()->SetHeight(Canvas->GetFont()->GetHeight() * 2 / 3);
  Canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
}

// ---- type-ahead search ----------------------------------------------------------------------

Integer TZCLTreeListSubClass::GetIncSearchValueIndex() {
  const Integer position = FOptionsBehavior->GetIncSearchColumnIndex();
  if (position < 0) return -1;
  Integer visible = 0;
  for (TZCLTreeListColumn* column : FColumns->GetDrawingOrder())
    if (column->GetVisible() && visible++ == position) return column->GetIndex();
  return 0;
}

void TZCLTreeListSubClass::IncSearchLookup(TObject*, bool& Found) {
  Found = false;
  const Integer valueIndex = std::max(0, GetIncSearchValueIndex());
  TZCLTreeListNodeList* rows = GetAbsoluteVisibleNodes();
  const Integer count = rows->GetCount();
  if (count == 0) return;
  const bool filter = FIncSearch->GetMode() == ismFilter;
  const Integer start = std::max(0, rows->IndexOf(GetFocusedNode()));
  for (Integer step = 0; step < count; ++step) {
    TZCLTreeListNode* node = (*rows)[(start + step) % count];
    if (!node) continue;
    const String text = node->GetValue(valueIndex);
    Integer from = 0, to = 0;
    const bool match =
        filter ? FIncSearch->Contains(text) : FIncSearch->GetHighlightBounds(text, from, to) && from == 0;
    if (match) {
      SetFocusedObject(node, true, true);
      Found = true;
      return;
    }
  }
}

void TZCLTreeListSubClass::IncSearchChanged(TObject*) {
  if (FIncSearch->GetMode() == ismFilter) {
    Changed(ChangeStruct);
    TZCLTreeListNodeList* rows = GetAbsoluteVisibleNodes();
    if (!IsUpdateLocked() && rows->GetCount() > 0) SetFocusedObject(rows->First(), true, true);
  }
  Changed(ChangeContent);
}

// ---- keyboard -------------------------------------------------------------------------------

bool TZCLTreeListSubClass::WantSpecialKey(Word Key, TShiftState Shift) {
  if (Key == VK_ESCAPE && (HasOpenEditor(nullptr) || FIncSearch->Active())) return true;
  return inherited::WantSpecialKey(Key, Shift);
}

bool TZCLTreeListSubClass::CheckFocusedObject() {
  if (FocusedObject) return true;
  // The first row that may take the focus: a group row only where groups are focusable.
  TZCLCompoundControlContentCellList* cells = GetContent()->GetCells();
  const bool groupsFocus = FOptionsBehavior->GetGroupsFocus();
  for (Integer i = 0; i < cells->GetCount(); ++i) {
    TObject* object = (*cells)[i]->GetData();
    if (groupsFocus || !dynamic_cast<TZCLTreeListGroup*>(object)) {
      SetFocusedObject(object, true, true);
      break;
    }
  }
  return false;
}

TObject* TZCLTreeListSubClass::GetNextObject(TObject* Object, Word Key) {
  TZCLTreeListContentViewInfo* content = GetContent();
  Integer index = RowIndexOf(content, Object);
  if (index < 0) return nullptr;
  TZCLCompoundControlContentCellList* cells = content->GetCells();
  const Integer last = cells->GetCount() - 1;
  const Integer first = std::clamp(cells->FirstVisible, 0, last);
  const Integer lastVisible = std::clamp(cells->LastVisible, first, last);
  Integer direction = 1;
  switch (Key) {
    case VK_UP:
      --index;
      direction = -1;
      break;
    case VK_DOWN:
      ++index;
      break;
    case VK_HOME:
      index = 0;
      break;
    case VK_END:
      index = last;
      direction = -1;
      break;
    case VK_PRIOR:
      index = index != first ? first : index - (lastVisible - first);
      direction = -1;
      break;
    case VK_NEXT:
      index = index != lastVisible ? lastVisible : index + (lastVisible - first);
      break;
    default:
      return nullptr;
  }
  index = std::clamp(index, 0, last);
  for (;; index += direction) {
    if (index < 0 || index > last) return nullptr;
    TObject* candidate = (*cells)[index]->GetData();
    auto* group = dynamic_cast<TZCLTreeListGroup*>(candidate);
    if (!group) return candidate;
    if (FOptionsBehavior->GetGroupsFocus() && !(Key == VK_HOME && group->GetExpanded())) return candidate;
  }
}

void TZCLTreeListSubClass::MoveFocus(TObject* Object, TShiftState Shift) {
  if (!Object || Object == FRoot) return;
  if (FOptionsSelection->GetMultiSelect() && (Shift.Contains(ssShift) || Shift.Contains(ssCtrl))) {
    if (!SelectionAnchor) return;
    const bool ctrl = Shift.Contains(ssCtrl);
    IPtr<IZCLSelectableObject> anchor;
    const bool anchorSelected = Supports(SelectionAnchor, anchor) && anchor->GetSelected();
    SelectRange(SelectionAnchor, Object, Object, true, !ctrl, ctrl && !anchorSelected ? ModeDeselect : ModeSelect);
  } else if (Object != FocusedObject) {
    SetFocusedObject(Object, true, true);
  }
}

void TZCLTreeListSubClass::ToggleCheckFocused() {
  IPtr<IZCLCheckableObject> checkable;
  if (!FocusedObject || !Supports(FocusedObject, checkable) || !checkable->CanCheck()) return;
  TLockedUpdate update(this);
  const bool checked = !checkable->GetChecked();
  checkable->SetChecked(checked);
  for (Integer i = 0; i < FSelection.GetCount(); ++i) FSelection[i]->SetChecked(checked);
}

void TZCLTreeListSubClass::ProcessKeyDown(Word& Key, TShiftState Shift) {
  const bool ctrl = Shift.Contains(ssCtrl), alt = Shift.Contains(ssAlt), shift = Shift.Contains(ssShift);
  switch (Key) {
    case VK_RETURN:
      if (FOptionsBehavior->GetEditing())
        if (TZCLTreeListNode* node = GetFocusedNode()) RequestEditing(node, FocusedColumn);
      break;
    case VK_SHIFT:
      if (!SelectionAnchor) SelectionAnchor = FocusedObject;
      break;
    case VK_SPACE:
      if (!FIncSearch->ProcessKey(Key, Shift)) ToggleCheckFocused();
      break;
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_HOME:
    case VK_END: {
      const Word key = Key;
      Key = 0;
      if (!CheckFocusedObject() && key != VK_NEXT && key != VK_END) break;
      {
        TLockedUpdate update(this);
        TZCLTreeListColumn* column = FocusedColumn;
        MoveFocus(GetNextObject(FocusedObject, key), Shift);
        FocusedColumn = column;
      }
      SimulateMouseMove();
      break;
    }
    case VK_LEFT:
    case VK_RIGHT: {
      if (!FocusedObject) break;
      const bool left = Key == VK_LEFT;
      Key = 0;
      if (FOptionsSelection->GetFocusCell() && FColumns->GetCount() > 0) {
        TZCLTreeListColumn* current = FocusedColumn;
        if (!current && !left) current = (*FColumns)[0];
        if (current) {
          TZCLTreeListColumnList& order = FColumns->GetDrawingOrder();
          const Integer at = order.IndexOf(current);
          for (Integer i = at + (left ? -1 : 1); at >= 0 && i >= 0 && i < order.GetCount(); i += left ? -1 : 1)
            if (order[i]->GetVisible()) {
              SetFocusedColumn(order[i]);
              return;
            }
        }
      }
      IPtr<IZCLExpandableObject> expandable;
      if (Supports(FocusedObject, expandable) && expandable->CanToggle() && expandable->GetExpanded() != !left) {
        ToggleExpanded(FocusedObject);
        return;
      }
      IPtr<IZCLTreeNodeLink> link;
      if (Supports(FocusedObject, link)) MoveFocus(left ? link->GetLinkParent() : link->GetLinkChild(), TShiftState());
      break;
    }
    case VK_DELETE:
      if (FOptionsBehavior->GetDeleting()) DeleteSelected();
      break;
    case VK_MULTIPLY:
      SelectInvert();
      break;
    case VK_ADD:
      if (ctrl && !FOptionsView->GetColumns()->GetAutoWidth()) {
        FColumns->ApplyBestFit(false);
        break;
      }
      [[fallthrough]];
    default:
      if (Key == 'A' && ctrl && !shift && !alt) {
        SelectAll();
        break;
      }
      if (FIncSearch->CanProcessKey(Key, Shift) && FIncSearch->ProcessKey(Key, Shift)) Key = 0;
  }
}

void TZCLTreeListSubClass::ProcessKeyPress(Char& Key) {
  if (FOptionsBehavior->GetIncSearchColumnIndex() >= 0 && FIncSearch->ProcessChar(Key)) Key = 0;
}

void TZCLTreeListSubClass::ProcessKeyUp(Word& Key, TShiftState) {
  if (Key == VK_SHIFT) SelectionAnchor = nullptr;
}

// ---- mouse ----------------------------------------------------------------------------------

void TZCLTreeListSubClass::ProcessMouseDown(TMouseButton Button, TShiftState Shift) {
  inherited::ProcessMouseDown(Button, Shift);
  WasSelectedOnMouseDown = false;
  TZCLHitTestInfo* hitTest = GetHitTest();
  if (IsHitAtButton(hitTest)) return;
  IPtr<IZCLSelectableObject> selectable;
  if (hitTest->HitObject && Supports(hitTest->HitObject, selectable)) {
    SelectOnMouseDown(Button, Shift);
  } else if (Button == TMouseButton::Left && hitTest->HitObject == GetContent()) {
    if (FOptionsBehavior->GetAllowDefocus())
      SelectNone();
    else
      SetFocusedObject(FocusedObject, true, false);
  }
}

void TZCLTreeListSubClass::SelectOnMouseDown(TMouseButton Button, TShiftState Shift) {
  TObject* object = GetHitTest()->HitObject;
  IPtr<IZCLSelectableObject> selectable;
  if (!object || !Supports(object, selectable)) return;
  WasSelectedOnMouseDown = selectable->GetSelected();
  TObject* focus = ClickFocusTarget(this, object);
  TLockedUpdate update(this);
  const bool ctrl = Shift.Contains(ssCtrl), shift = Shift.Contains(ssShift);
  if (Button != TMouseButton::Left) {
    if (WasSelectedOnMouseDown) return;
  } else if (FOptionsSelection->GetMultiSelect() && (shift || ctrl || WasSelectedOnMouseDown)) {
    if (shift) {
      if (!SelectionAnchor) return;
      IPtr<IZCLSelectableObject> anchor;
      const bool anchorSelected = Supports(SelectionAnchor, anchor) && anchor->GetSelected();
      SelectRange(SelectionAnchor, object, focus, true, !ctrl, ctrl && !anchorSelected ? ModeDeselect : ModeSelect);
    } else {
      SetFocusedObject(focus, false, false);
      selectable->SetSelected(ctrl ? !WasSelectedOnMouseDown : true);
    }
    return;
  }
  SetFocusedObject(focus, true, true);
  selectable->SetSelected(true);
}

void TZCLTreeListSubClass::ProcessMouseUp(TMouseButton Button, TShiftState Shift) {
  TZCLHitTestInfo* hitTest = GetHitTest();
  TObject* hit = hitTest->HitObject;
  if (Button == TMouseButton::Left && hit && hit == GetPressedObject() && !GetMouseDownConsumed()) {
    auto* node = dynamic_cast<TZCLTreeListNode*>(hit);
    const bool modifiers = FOptionsSelection->GetMultiSelect() && (Shift.Contains(ssShift) || Shift.Contains(ssCtrl));
    // A press on a selected row kept the selection for a drag; a release without one reduces it.
    if (WasSelectedOnMouseDown && !modifiers && !(node && HasOpenEditor(node)))
      SetFocusedObject(ClickFocusTarget(this, hit), true, !IsHitAtButton(hitTest));
    if (node && FOptionsBehavior->GetEditingStartingMode() == esmOnSingleClick && !IsHitAtButton(hitTest))
      RequestEditing(node, HitColumn(hitTest));
  }
  WasSelectedOnMouseDown = false;
  inherited::ProcessMouseUp(Button, Shift);
}

void TZCLTreeListSubClass::ProcessMouseClick(TMouseButton Button, TShiftState Shift) {
  TZCLHitTestInfo* hitTest = GetHitTest();
  TObject* hit = hitTest->HitObject;
  if (auto* header = dynamic_cast<TZCLTreeListColumnViewInfo*>(hit)) {
    ProcessColumnClick(Button, Shift, header->GetColumn());
  } else if (auto* group = dynamic_cast<TZCLTreeListGroup*>(hit)) {
    ProcessGroupClick(Button, Shift, group);
  } else if (auto* node = dynamic_cast<TZCLTreeListNode*>(hit); node && Button == TMouseButton::Left &&
                                                                Shift.Contains(ssAlt) &&
                                                                hitTest->GetHitObjectFlag(HitFlagExpandButton)) {
    TLockedUpdate update(this);
    const bool expand = !node->GetExpanded();
    if (TZCLTreeListNode* parent = node->GetParent()) parent->ExpandCollapseChildren(expand, !expand);
  } else {
    inherited::ProcessMouseClick(Button, Shift);
  }
}

void TZCLTreeListSubClass::ProcessGroupClick(TMouseButton Button, TShiftState Shift, TZCLTreeListGroup* Group) {
  if (Button != TMouseButton::Left || !Group) return;
  TZCLHitTestInfo* hitTest = GetHitTest();
  if (hitTest->GetHitObjectFlag(HitFlagCheckBox)) {
    ToggleChecked(Group);
  } else if (hitTest->GetHitObjectFlag(HitFlagExpandButton)) {
    if (Shift.Contains(ssAlt)) {
      TLockedUpdate update(this);
      FGroups->SetExpanded(!Group->GetExpanded());
    } else {
      ToggleExpanded(Group);
    }
  }
}

void TZCLTreeListSubClass::ToggleGroupExpanded(TZCLTreeListGroup* Group, TShiftState Shift) {
  if (!Shift.Contains(ssAlt)) {
    ToggleExpanded(Group);
    return;
  }
  TLongOperation operation(this);
  TLockedUpdate update(this);
  FGroups->SetExpanded(Group->GetExpanded());
}

bool TZCLTreeListSubClass::DoNodeDblClicked(TZCLTreeListNode* Node) {
  if (!OnNodeDblClicked) return false;
  OnNodeDblClicked(this, Node);
  return true;
}

void TZCLTreeListSubClass::ProcessMouseDblClick(TMouseButton Button, TShiftState Shift) {
  TZCLHitTestInfo* hitTest = GetHitTest();
  TObject* hit = hitTest->HitObject;
  if (Button == TMouseButton::Left) {
    if (auto* header = dynamic_cast<TZCLTreeListColumnViewInfo*>(hit)) {
      if (hitTest->GetHitObjectFlag(HitFlagResizeZone))
        header->GetColumn()->ApplyBestFit();
      else
        ProcessColumnClick(Button, Shift, header->GetColumn());
      return;
    }
    if (auto* group = dynamic_cast<TZCLTreeListGroup*>(hit)) {
      if (IsHitAtButton(hitTest)) {
        ProcessGroupClick(Button, Shift, group);
        return;
      }
      ToggleGroupExpanded(group, Shift);
      if (!FOptionsBehavior->GetGroupsFocusOnClick() && group->GetExpanded() && group->GetLinks()->First())
        SetFocusedNode(group->GetLinks()->First());
      return;
    }
    if (auto* node = dynamic_cast<TZCLTreeListNode*>(hit); node && !IsHitAtButton(hitTest)) {
      if (FOptionsBehavior->GetEditingStartingMode() == esmOnDoubleClick) RequestEditing(node, HitColumn(hitTest));
      if (HasOpenEditor(nullptr)) return;
      if (!DoNodeDblClicked(node)) ToggleExpanded(node);
      return;
    }
  }
  inherited::ProcessMouseDblClick(Button, Shift);
}

void TZCLTreeListSubClass::ProcessMouseWheel(TMouseWheelDirection Direction, TShiftState Shift) {
  TZCLTreeListContentViewInfo* content = GetContent();
  const Integer lines = TZCLMouseWheel::GetScrollLines(Shift);
  if (Shift.Contains(ssShift)) {
    for (Integer i = 0; i < lines; ++i) content->ScrollHorizontally(Direction == mwdDown ? scLineDown : scLineUp);
    return;
  }
  const Integer rows = FOptionsBehavior->GetMouseWheelScrollLines();
  content->ScrollByLines(rows > 0 ? rows : lines, Direction == mwdUp);
}

void TZCLTreeListSubClass::ProcessGesture(const TGestureEventInfo& Info, bool& Handled) {
  if (Info.GestureID != igiPan) return;
  if (Info.Flags.Contains(gfBegin)) {
    GestureOrigin = Info.Location;
  } else {
    ScrollBy(GestureOrigin.X - Info.Location.X, GestureOrigin.Y - Info.Location.Y);
    GestureOrigin = Info.Location;
  }
  Handled = true;
}

// ---- columns menu ---------------------------------------------------------------------------

void TZCLTreeListSubClass::ProcessContextPopup(bool& Handled) {
  inherited::ProcessContextPopup(Handled);
  if (Handled || !FOptionsCustomizing->GetColumnVisibility()) return;
  TZCLHitTestInfo* hitTest = GetHitTest();
  TZCLTreeListContentViewInfo* content = GetContent();
  if (!dynamic_cast<TZCLTreeListColumnViewInfo*>(hitTest->HitObject) && hitTest->HitObject != content->GetColumnBar())
    return;
  ShowColumnsPopupMenu(ClientToScreen(hitTest->HitPoint));
  Handled = true;
}

TZCLPopupMenu* TZCLTreeListSubClass::GetColumnsPopupMenu() {
  if (!FColumnsPopupMenu) FColumnsPopupMenu = ::Create<TZCLPopupMenu>(this);
  TZCLPopupMenuStyle* style = FColumnsPopupMenu->GetStyle();
  style->Assign(FStylePopupMenu);
  TZCLCustomResourceCollection* collection = FStylePopupMenu->GetStyleCollection();
  style->SetCollection(collection ? collection : GetCollection());
  TMenuItem* items = FColumnsPopupMenu->GetItems();
  items->Clear();
  for (Integer i = 0; i < FColumns->GetCount(); ++i) {
    TZCLTreeListColumn* column = (*FColumns)[i];
    TMenuItem* item =
        MenuItemAddEx(items, column->GetCaption(), i, TNotifyEvent(this, &TZCLTreeListSubClass::ColumnsMenuClick));
    item->SetAutoCheck(true);
    item->SetChecked(column->GetVisible());
  }
  return FColumnsPopupMenu;
}

void TZCLTreeListSubClass::ColumnsMenuClick(TObject* Sender) {
  auto* item = dynamic_cast<TMenuItem*>(Sender);
  if (!item || item->GetTag() < 0 || item->GetTag() >= FColumns->GetCount()) return;
  (*FColumns)[Integer(item->GetTag())]->SetVisible(item->GetChecked());
}

void TZCLTreeListSubClass::SetStylePopupMenu(TZCLStylePopupMenu* Value) { FStylePopupMenu->Assign(Value); }

void TZCLTreeListSubClass::ShowColumnsPopupMenu(const TPoint& P) { GetColumnsPopupMenu()->PopupAt(P); }
