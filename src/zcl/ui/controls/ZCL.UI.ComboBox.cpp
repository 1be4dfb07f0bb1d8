#include "zcl/ui/controls/ZCL.UI.ComboBox.h"

#include <algorithm>

#include "os/OS.Text.h"
#include "rtl/RTL.Numbers.h"
#include "vcl/VCL.ImgList.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Messages.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zcl/ui/ZCL.UI.ImageList.h"

// ---- list -----------------------------------------------------------------------------------

const TMessageTable& TZCLComboBoxList::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_WANTSPECIALKEY, &TZCLComboBoxList::CMWantSpecialKey)});
  return table;
}

void TZCLComboBoxList::CMWantSpecialKey(TMessage& Message) {
  switch (static_cast<Word>(Message.WParam)) {
    case VK_UP:
    case VK_DOWN:
    case VK_RETURN:
      Message.Result = 1;
      return;
    default: InheritedMessage(inherited::MessageTable(), Message);
  }
}

TZCLComboBoxList::TZCLComboBoxList(TComponent* AOwner)
    : TZCLCustomControl(AOwner),
      FSearch(Create<TZCLIncrementalSearch>()),
      FStyle(Create<TZCLStyleTreeList>(static_cast<TObject*>(this))) {
  FSearch->SetMode(ismFilter);
  FSearch->OnChange = TNotifyEvent(this, &TZCLComboBoxList::SearchChanged);
  SetTabStop(true);
}

TZCLComboBoxList::~TZCLComboBoxList() {
  Free(FStyle);
  Free(FSearch);
}

void TZCLComboBoxList::EndUpdate() {
  if (--FUpdateCount == 0) Rebuild();
}

void TZCLComboBoxList::Clear() {
  FRows.clear();
  FFocusedRow = FHotRow = FPressedRow = -1;
  FTopRow = 0;
  Rebuild();
}

Integer TZCLComboBoxList::AddRow(const String& Caption, Integer Tag, const String& Group) {
  TRow row;
  row.Caption = Caption;
  row.Tag = Tag;
  row.Group = Group;
  FRows.push_back(row);
  Rebuild();
  return GetRowCount() - 1;
}

void TZCLComboBoxList::SetGrouping(bool Value) {
  if (FGrouping == Value) return;
  FGrouping = Value;
  Rebuild();
}

void TZCLComboBoxList::Rebuild() {
  if (FUpdateCount > 0) return;
  // Group rows come and go with the grouping; items keep their order within each group.
  FRows.erase(std::remove_if(FRows.begin(), FRows.end(), [](const TRow& r) { return r.IsGroup; }), FRows.end());
  if (FGrouping) {
    std::vector<TRow> grouped;
    std::vector<String> groups;
    for (const TRow& r : FRows)
      if (std::find(groups.begin(), groups.end(), r.Group) == groups.end()) groups.push_back(r.Group);
    for (const String& g : groups) {
      TRow header;
      header.Caption = g;
      header.IsGroup = true;
      header.Group = g;
      grouped.push_back(header);
      for (const TRow& r : FRows)
        if (r.Group == g) grouped.push_back(r);
    }
    const Integer focusedTag = FFocusedRow >= 0 && FFocusedRow < GetRowCount() ? FRows[size_t(FFocusedRow)].Tag : -1;
    FRows = std::move(grouped);
    FFocusedRow = -1;
    for (Integer i = 0; i < GetRowCount(); ++i)
      if (!FRows[size_t(i)].IsGroup && FRows[size_t(i)].Tag == focusedTag && focusedTag >= 0) FFocusedRow = i;
  }
  FVisible.clear();
  const bool filter = FFiltering && FSearch->Active();
  // The search's own containment test, with each caption upper-cased once rather than per key.
  const String needle = filter ? zcUpperCase(FSearch->GetText()) : String();
  for (Integer i = 0; i < GetRowCount(); ++i) {
    TRow& r = FRows[size_t(i)];
    if (filter && !r.IsGroup) {
      if (!r.HasUpperCaption) {
        r.UpperCaption = zcUpperCase(r.Caption);
        r.HasUpperCaption = true;
      }
      if (r.UpperCaption.find(needle) == String::npos) continue;
    }
    FVisible.push_back(i);
  }
  // A group row without shown items goes too.
  if (FGrouping) {
    std::vector<Integer> kept;
    for (size_t k = 0; k < FVisible.size(); ++k) {
      if (FRows[size_t(FVisible[k])].IsGroup && (k + 1 == FVisible.size() || FRows[size_t(FVisible[k + 1])].IsGroup))
        continue;
      kept.push_back(FVisible[k]);
    }
    FVisible = std::move(kept);
  }
  FTopRow = std::clamp(FTopRow, 0, std::max(0, GetVisibleRowCount() - 1));
  Invalidate();
}

void TZCLComboBoxList::SearchChanged(TObject*) {
  Rebuild();
  // The focus moves to the first shown item when filtering hid it.
  const bool shown = std::find(FVisible.begin(), FVisible.end(), FFocusedRow) != FVisible.end();
  if (!shown)
    for (Integer row : FVisible)
      if (!FRows[size_t(row)].IsGroup) {
        SetFocusedRow(row);
        break;
      }
  FTopRow = 0;
  MakeFocusedVisible();
}

void TZCLComboBoxList::SetFocusedRow(Integer Value) {
  if (Value >= GetRowCount() || (Value >= 0 && FRows[size_t(Value)].IsGroup)) return;
  if (Value < 0) Value = -1;
  if (FFocusedRow == Value) return;
  FFocusedRow = Value;
  MakeFocusedVisible();
  Invalidate();
}

void TZCLComboBoxList::SetCheckBoxes(bool Value) {
  if (FCheckBoxes == Value) return;
  FCheckBoxes = Value;
  Invalidate();
}

void TZCLComboBoxList::SetImages(TCustomImageList* Value) {
  if (FImages == Value) return;
  FImages = Value;
  Invalidate();
}

TRect TZCLComboBoxList::GetCheckBoxRect(Integer Position) {
  if (!FCheckBoxes) return TRect();
  const TRect r = GetVisibleRowRect(Position);
  const Integer dpi = GetCurrentPPI(), size = ScaleByDPI(13, dpi), left = r.Left + ScaleByDPI(4, dpi);
  const Integer top = r.Top + (r.Height() - size) / 2;
  return TRect(left, top, left + size, top + size);
}

Integer TZCLComboBoxList::GetRowHeight() {
  const Integer dpi = GetCurrentPPI();
  return MeasureTextSize(GetFont(), u"Qq").cy + ScaleByDPI(4, dpi);
}

void TZCLComboBoxList::SetShowHeader(bool Value) {
  if (FShowHeader == Value) return;
  FShowHeader = Value;
  Invalidate();
}

TRect TZCLComboBoxList::GetVisibleRowRect(Integer Position) {
  const Integer h = GetRowHeight(), f = GetFrameSize();
  const Integer top = f + GetHeaderHeight() + (Position - FTopRow) * h;
  return TRect(f, top, GetClientWidth() - f, top + h);
}

Integer TZCLComboBoxList::RowAt(const TPoint& P) {
  const Integer h = GetRowHeight(), f = GetFrameSize(), top = f + GetHeaderHeight();
  if (P.X < f || P.X >= GetClientWidth() - f || P.Y < top || P.Y >= GetClientHeight() - f) return -1;
  const Integer position = FTopRow + (P.Y - top) / h;
  return position >= 0 && position < GetVisibleRowCount() ? FVisible[size_t(position)] : -1;
}

void TZCLComboBoxList::ScrollTo(Integer Top) {
  const Integer h = std::max(1, GetRowHeight());
  const Integer page = std::max(1, (GetClientHeight() - 2 * GetFrameSize() - GetHeaderHeight()) / h);
  Top = std::clamp(Top, 0, std::max(0, GetVisibleRowCount() - page));
  if (Top == FTopRow) return;
  FTopRow = Top;
  Invalidate();
}

void TZCLComboBoxList::MakeFocusedVisible() {
  auto it = std::find(FVisible.begin(), FVisible.end(), FFocusedRow);
  if (it == FVisible.end()) return;
  const Integer position = Integer(it - FVisible.begin());
  const Integer h = std::max(1, GetRowHeight());
  const Integer page = std::max(1, (GetClientHeight() - 2 * GetFrameSize() - GetHeaderHeight()) / h);
  if (position < FTopRow)
    ScrollTo(position);
  else if (position >= FTopRow + page)
    ScrollTo(position - page + 1);
}

void TZCLComboBoxList::MoveFocus(Integer Delta) {
  auto it = std::find(FVisible.begin(), FVisible.end(), FFocusedRow);
  Integer position = it == FVisible.end() ? (Delta > 0 ? -1 : GetVisibleRowCount()) : Integer(it - FVisible.begin());
  for (Integer p = position + Delta; p >= 0 && p < GetVisibleRowCount(); p += Delta)
    if (!FRows[size_t(FVisible[size_t(p)])].IsGroup) {
      SetFocusedRow(FVisible[size_t(p)]);
      return;
    }
}

void TZCLComboBoxList::Paint() {
  TCanvas* canvas = GetCanvas();
  const TRect client = GetClientRect();
  FStyle->DrawBackground(canvas, client, GetEnabled(), {mLeft, mTop, mRight, mBottom});
  const Integer dpi = GetCurrentPPI();
  if (FShowHeader) {
    const Integer f = GetFrameSize();
    FStyle->DrawHeader(canvas, TRect(f, f, client.Right - f, f + GetHeaderHeight()), {mBottom});
  }
  for (Integer position = FTopRow; position < GetVisibleRowCount(); ++position) {
    const TRect r = GetVisibleRowRect(position);
    if (r.Top >= client.Bottom) break;
    const Integer index = FVisible[size_t(position)];
    const TRow& row = FRows[size_t(index)];
    if (row.IsGroup) {
      FStyle->DrawGroupHeader(canvas, r, {mBottom});
    } else if (index == FFocusedRow || index == FHotRow) {
      FillRectAlpha(canvas, r, FStyle->GetRowSelectedColor(index == FFocusedRow));
    }
    bool handled = false;
    if (OnDrawRow) OnDrawRow(this, canvas, r, row, handled);
    if (handled) continue;
    TRect text = r;
    text.Inflate(-ScaleByDPI(4, dpi), 0);
    if (FCheckBoxes && !row.IsGroup) {
      const TRect box = GetCheckBoxRect(position);
      FStyle->DrawCheckBox(canvas, box, index == FHotRow ? bstHover : bstNormal, row.Checked ? cbChecked : cbUnchecked);
      text.Left = box.Right + ScaleByDPI(4, dpi);
    }
    if (FImages && !row.IsGroup) {
      const TSize size = GetImageListSize(FImages, dpi);
      const Integer top = r.Top + (r.Height() - size.cy) / 2;
      DrawImageListItem(canvas, TRect(text.Left, top, text.Left + size.cx, top + size.cy), FImages, row.ImageIndex,
                        GetEnabled());
      text.Left += size.cx + ScaleByDPI(4, dpi);
    }
    AssignCanvasFont(canvas, GetFont());
    canvas->GetFont()->SetColor(index == FFocusedRow ? FStyle->GetRowSelectedTextColor(true)
                                                     : FStyle->GetTextColor(GetEnabled()));
    canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
    CanvasDrawText(canvas, text, row.Caption, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
}

void TZCLComboBoxList::KeyDown(Word& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  switch (Key) {
    case VK_UP: MoveFocus(-1); Key = 0; return;
    case VK_DOWN: MoveFocus(1); Key = 0; return;
    default: break;
  }
  if (FFiltering && FSearch->CanProcessKey(Key, Shift) && FSearch->ProcessKey(Key, Shift)) Key = 0;
}

void TZCLComboBoxList::KeyUp(Word& Key, TShiftState Shift) {
  inherited::KeyUp(Key, Shift);
  if (Key == VK_RETURN && OnApply) OnApply(this);
}

void TZCLComboBoxList::KeyPress(Char& Key) {
  inherited::KeyPress(Key);
  if (FFiltering && FSearch->ProcessChar(Key)) Key = 0;
}

void TZCLComboBoxList::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  FPressedRow = RowAt(TPoint(X, Y));
}

void TZCLComboBoxList::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  const Integer row = RowAt(TPoint(X, Y));
  const Integer hot = row >= 0 && !FRows[size_t(row)].IsGroup ? row : -1;
  if (hot == FHotRow) return;
  FHotRow = hot;
  Invalidate();
}

void TZCLComboBoxList::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseUp(Button, Shift, X, Y);
  const Integer row = RowAt(TPoint(X, Y));
  const Integer pressed = FPressedRow;
  FPressedRow = -1;
  if (Button != TMouseButton::Left || row < 0 || row != pressed) return;
  if (!FRows[size_t(row)].IsGroup) SetFocusedRow(row);
  if (OnRowClick) OnRowClick(this, row);
}

bool TZCLComboBoxList::MouseWheel(TMouseWheelDirection Direction, TShiftState Shift, const TPoint& MousePos) {
  if (inherited::MouseWheel(Direction, Shift, MousePos)) return true;
  const Integer lines = std::max(1, TZCLMouseWheel::GetScrollLines(Shift));
  ScrollTo(FTopRow + (Direction == mwdDown ? lines : -lines));
  return true;
}

void TZCLComboBoxList::SetTargetDPI(Integer Value) {
  inherited::SetTargetDPI(Value);
  FStyle->SetTargetDPI(Value);
}

// ---- custom combo box -----------------------------------------------------------------------

TZCLCustomComboBox::TZCLCustomComboBox(TComponent* AOwner)
    : TZCLCustomDropDownEdit(AOwner),
      FStyleDropDownList(Create<TZCLStyleTreeList>(static_cast<TObject*>(this))),
      FStyleDropDownListScrollBox(Create<TZCLStyleScrollBox>(static_cast<TObject*>(this))) {}

TZCLCustomComboBox::~TZCLCustomComboBox() {
  Free(FStyleDropDownListScrollBox);
  Free(FStyleDropDownList);
}

void TZCLCustomComboBox::DeclareProperties(TClassDeclaration<TZCLCustomComboBox>&) {}

void TZCLCustomComboBox::SetDropDownListSize(Integer Value) { FDropDownListSize = std::clamp(Value, 1, 25); }

TZCLStyleButton* TZCLCustomComboBox::CreateStyleButton() {
  return Create<TZCLStyleEditButton>(static_cast<TObject*>(this));
}

void TZCLCustomComboBox::KeyDown(Word& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  if (IsDropDownKey(Key, Shift)) {
    SetDroppedDown(true);
    Key = 0;
  }
}

void TZCLCustomComboBox::SetTargetDPI(Integer Value) {
  inherited::SetTargetDPI(Value);
  FStyleDropDownList->SetTargetDPI(Value);
  FStyleDropDownListScrollBox->SetTargetDPI(Value);
}

// ---- basic combo box ------------------------------------------------------------------------

const TMessageTable& TZCLBasicComboBox::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_WANTSPECIALKEY, &TZCLBasicComboBox::CMWantSpecialKey)});
  return table;
}

void TZCLBasicComboBox::DeclareProperties(TClassDeclaration<TZCLBasicComboBox>&) {}

Integer TZCLBasicComboBox::ValidateIndex(Integer Value) {
  if (Value < 0) return -1;
  return std::min(Value, GetCount() - 1);
}

void TZCLBasicComboBox::NeedItems() {
  if (GetCount() == 0 && OnNeedItems) OnNeedItems(this);
}

void TZCLBasicComboBox::SetItemIndex(Integer Value) {
  if (ValidateIndex(Value) != FItemIndex || GetComponentState().Contains(csLoading)) SetItemIndexCore(Value);
}

void TZCLBasicComboBox::SetItemIndexCore(Integer Value) {
  if (GetComponentState().Contains(csLoading)) {
    FLoadedItemIndex = Value;
    return;
  }
  FItemIndex = ValidateIndex(Value);
  ItemIndexChanged();
  Invalidate();
}

void TZCLBasicComboBox::Loaded() {
  inherited::Loaded();
  SetItemIndex(FLoadedItemIndex);
}

TZCLComboBoxList* TZCLBasicComboBox::GetOpenList() {
  auto* window = dynamic_cast<TZCLCustomComboBoxDropDown*>(FDropDown);
  return window ? window->GetList() : nullptr;
}

void TZCLBasicComboBox::ItemIndexChanged() {
  if (auto* window = dynamic_cast<TZCLBasicComboBoxDropDown*>(FDropDown)) window->SyncSelection();
  if (FSelectionLock == 0 && !GetComponentState().Contains(csLoading)) DoSelect();
}

void TZCLBasicComboBox::DoSelect() {
  if (OnSelect) OnSelect(this);
}

void TZCLBasicComboBox::DoDeleteItemObject(TObject* Object) {
  if (OnDeleteItemObject) OnDeleteItemObject(this, Object);
}

void TZCLBasicComboBox::DoCustomDrawItem(TCanvas* Canvas, const TRect& R, Integer Index, bool& Handled) {
  if (OnCustomDrawItem) OnCustomDrawItem(this, Canvas, R, Index, Handled);
}

void TZCLBasicComboBox::DoGetDisplayItemName(Integer Index, String& Text) {
  if (OnGetDisplayItemName) OnGetDisplayItemName(this, Index, Text);
}

void TZCLBasicComboBox::DoGetDisplayItemGroupName(Integer Index, String& Text) {
  if (OnGetDisplayItemGroupName) OnGetDisplayItemGroupName(this, Index, Text);
}

void TZCLBasicComboBox::DoPrepareDropDownList(TZCLComboBoxList* List) {
  if (OnPrepareDropDownList) OnPrepareDropDownList(this, List);
}

void TZCLBasicComboBox::DoDropDown() {
  NeedItems();
  inherited::DoDropDown();
}

void TZCLBasicComboBox::KeyDown(Word& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  if (Shift.Contains(ssShift) || Shift.Contains(ssCtrl) || Shift.Contains(ssAlt)) return;
  if (Key != VK_UP && Key != VK_DOWN) return;
  NeedItems();
  const Integer index = Key == VK_UP ? std::max(FItemIndex - 1, 0) : std::min(GetCount() - 1, FItemIndex + 1);
  if (index != FItemIndex) {
    SetItemIndex(index);
    SelectAll();
  }
  Key = 0;
}

bool TZCLBasicComboBox::MouseWheel(TMouseWheelDirection Direction, TShiftState Shift, const TPoint& MousePos) {
  if (inherited::MouseWheel(Direction, Shift, MousePos)) return true;
  if (TZCLComboBoxList* list = GetOpenList()) {
    const Integer lines = std::max(1, TZCLMouseWheel::GetScrollLines(Shift));
    list->ScrollTo(list->GetTopRow() + (Direction == mwdDown ? lines : -lines));
    return true;
  }
  NeedItems();
  const Integer d = Direction == mwdDown ? -1 : 1;
  SetItemIndex(std::max(FItemIndex - d, 0));
  return true;
}

String TZCLBasicComboBox::GetDisplayText(const String& Text) {
  String text = inherited::GetDisplayText(Text);
  if (FItemIndex >= 0) DoGetDisplayItemName(FItemIndex, text);
  return text;
}

void TZCLBasicComboBox::CMWantSpecialKey(TMessage& Message) {
  const Word key = static_cast<Word>(Message.WParam);
  if (key == VK_UP || key == VK_DOWN) {
    Message.Result = 1;
    return;
  }
  InheritedMessage(inherited::MessageTable(), Message);
}

// ---- strings --------------------------------------------------------------------------------

void TZCLComboBoxStrings::Delete(Integer Index) {
  TObject* object = Index >= 0 && Index < GetCount() ? GetObjects(Index) : nullptr;
  inherited::Delete(Index);
  if (object && FOwner) FOwner->DoDeleteItemObject(object);
}

void TZCLComboBoxStrings::Clear() {
  if (GetCount() == 0) return;
  BeginUpdate();
  try {
    for (Integer i = GetCount() - 1; i >= 0; --i) Delete(i);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TZCLComboBoxStrings::Changed() {
  if (GetUpdateCount() == 0)
    if (auto* box = dynamic_cast<TZCLComboBox*>(FOwner)) box->ItemsChanged();
  inherited::Changed();
}

// ---- drop-down windows ----------------------------------------------------------------------

TZCLCustomComboBoxDropDown::TZCLCustomComboBoxDropDown(TComponent* AOwner)
    : TZCLPopupWindow(AOwner), FComboBox(dynamic_cast<TZCLCustomComboBox*>(AOwner)) {
  if (!FComboBox) throw EInvalidCast(u"Invalid class typecast");
}

void TZCLCustomComboBoxDropDown::AfterConstruction() {
  inherited::AfterConstruction();
  FList = Create<TZCLComboBoxList>(static_cast<TComponent*>(this));
  FList->SetParent(this);
  FList->SetAlign(alClient);
  FList->OnRowClick = TZCLComboBoxList::TRowEvent(this, &TZCLCustomComboBoxDropDown::ListRowClick);
  FList->BeginUpdate();
  SetupList(FList);
  FList->EndUpdate();
  PopulateList(FList);
}

void TZCLCustomComboBoxDropDown::SetupList(TZCLComboBoxList* List) {
  List->SetStyle(FComboBox->GetStyleDropDownList());
  List->SetFont(FComboBox->GetFont());
}

void TZCLCustomComboBoxDropDown::ListRowClick(TObject*, Integer Row) { ClickAtObject(Row); }

Integer TZCLCustomComboBoxDropDown::CalculateHeight() {
  if (!FList || FList->GetVisibleRowCount() == 0) return 2;
  const Integer rows = std::min(FList->GetVisibleRowCount(), FComboBox->GetDropDownListSize());
  return rows * FList->GetRowHeight() + 2 * FList->GetFrameSize() + FList->GetHeaderHeight();
}

void TZCLCustomComboBoxDropDown::AdjustSize() {
  SetClientHeight(CalculateHeight());
  inherited::AdjustSize();
}

void TZCLBasicComboBoxDropDown::AfterConstruction() {
  inherited::AfterConstruction();
  GetBasicComboBox()->DoPrepareDropDownList(FList);
  SyncSelection();
}

void TZCLBasicComboBoxDropDown::SetupList(TZCLComboBoxList* List) {
  inherited::SetupList(List);
  List->SetFiltering(true);
  List->OnDrawRow = TZCLComboBoxList::TDrawRowEvent(this, &TZCLBasicComboBoxDropDown::ListDrawRow);
  List->OnApply = TNotifyEvent(this, &TZCLBasicComboBoxDropDown::ListApply);
}

void TZCLBasicComboBoxDropDown::ListDrawRow(TObject*, TCanvas* Canvas, const TRect& R,
                                            const TZCLComboBoxList::TRow& Row, bool& Handled) {
  if (!Row.IsGroup) GetBasicComboBox()->DoCustomDrawItem(Canvas, R, Row.Tag, Handled);
}

void TZCLBasicComboBoxDropDown::ListApply(TObject*) { ApplySelection(); }

void TZCLBasicComboBoxDropDown::PopulateList(TZCLComboBoxList* List) {
  List->BeginUpdate();
  List->Clear();
  AddItems(List);
  if (GetBasicComboBox()->HasGroupNames()) {
    for (Integer i = 0; i < List->GetRowCount(); ++i) {
      TZCLComboBoxList::TRow& row = List->GetRow(i);
      GetBasicComboBox()->DoGetDisplayItemGroupName(row.Tag, row.Group);
    }
    List->SetGrouping(true);
  }
  List->EndUpdate();
}

Integer TZCLBasicComboBoxDropDown::AddItem(TZCLComboBoxList* List, const String& Text) {
  const Integer index = List->GetRowCount();
  String text = Text;
  GetBasicComboBox()->DoGetDisplayItemName(index, text);
  return List->AddRow(text, index);
}

void TZCLBasicComboBoxDropDown::SyncSelection() {
  const Integer index = GetBasicComboBox()->GetItemIndex();
  for (Integer i = 0; i < FList->GetRowCount(); ++i)
    if (!FList->GetRow(i).IsGroup && FList->GetRow(i).Tag == index) {
      FList->SetFocusedRow(i);
      return;
    }
}

void TZCLBasicComboBoxDropDown::DoShow() {
  inherited::DoShow();
  FList->MakeFocusedVisible();
}

void TZCLCustomComboBoxDropDown::DoShow() {
  inherited::DoShow();
  // Keys (arrows, type-ahead, Enter) go to the list while it is open.
  SafeSetFocus(FList);
}

void TZCLBasicComboBoxDropDown::ClickAtObject(Integer Row) {
  if (Row >= 0 && !FList->GetRow(Row).IsGroup) ApplySelection();
}

void TZCLBasicComboBoxDropDown::ApplySelection() {
  // Selecting may close and free this window.
  TZCLBasicComboBoxDropDown* self = nullptr;
  TZCLObjectLinks::RegisterWeakReference(this, self);
  const Integer row = FList->GetFocusedRow();
  if (row >= 0) GetBasicComboBox()->SetItemIndex(FList->GetRow(row).Tag);
  if (!self) return;
  TZCLObjectLinks::UnregisterWeakReference(self);
  ClosePopup();
}

void TZCLComboBoxDropDown::SetupList(TZCLComboBoxList* List) {
  inherited::SetupList(List);
  List->SetFiltering(static_cast<TZCLComboBox*>(FComboBox)->GetAutoComplete());
}

void TZCLComboBoxDropDown::AddItems(TZCLComboBoxList* List) {
  TZCLComboBoxStrings* items = static_cast<TZCLComboBox*>(FComboBox)->GetItems();
  for (Integer i = 0; i < items->GetCount(); ++i) AddItem(List, items->GetStrings(i));
}

// ---- combo box ------------------------------------------------------------------------------

TZCLComboBox::TZCLComboBox(TComponent* AOwner) : TZCLBasicComboBox(AOwner), FItems(new TZCLComboBoxStrings(this)) {}

TZCLComboBox::~TZCLComboBox() { Free(FItems); }

void TZCLComboBox::BeforeDestruction() {
  // Objects of the items are told of before the control goes.
  FItems->Clear();
  inherited::BeforeDestruction();
}

void TZCLComboBox::DeclareProperties(TClassDeclaration<TZCLComboBox>& D) {
  D.Property(u"AutoComplete", &TZCLComboBox::GetAutoComplete, &TZCLComboBox::SetAutoComplete).Default(true);
  D.Property(u"Borders", &TZCLCustomEdit::GetBorders, &TZCLCustomEdit::SetBorders).Default(true);
  D.Property(u"Buttons", &TZCLCustomEdit::GetButtons, &TZCLCustomEdit::SetButtons);
  D.Property(u"ButtonsImages", &TZCLCustomEdit::GetButtonsImages, &TZCLCustomEdit::SetButtonsImages);
  D.Property(u"DropDownListSize", &TZCLCustomComboBox::GetDropDownListSize, &TZCLCustomComboBox::SetDropDownListSize)
      .Default(8);
  D.Property(u"InputMask", &TZCLCustomTextEdit::GetInputMask, &TZCLCustomTextEdit::SetInputMask).Default(eimText);
  D.Property(u"Items", &TZCLComboBox::GetItemsProperty, &TZCLComboBox::SetItems);
  D.Property(u"ItemIndex", &TZCLBasicComboBox::GetItemIndex, &TZCLBasicComboBox::SetItemIndex).Default(-1);
  D.Property(u"MaxLength", &TZCLCustomTextEdit::GetMaxLength, &TZCLCustomTextEdit::SetMaxLength).Default(0);
  D.Property(u"Mode", &TZCLComboBox::GetMode, &TZCLComboBox::SetMode).Default(cbmEdit);
  D.Property(u"ReadOnly", &TZCLCustomTextEdit::GetReadOnly, &TZCLCustomTextEdit::SetReadOnly).Default(false);
  D.Property(u"ResourceCollection", &TZCLCustomControl::GetResourceCollection,
             &TZCLCustomControl::SetResourceCollection);
  D.Property(u"Style", &TZCLCustomEdit::GetStyle, &TZCLCustomEdit::SetStyle);
  D.Property(u"StyleButton", &TZCLCustomEdit::GetStyleButton, &TZCLCustomEdit::SetStyleButton);
  D.Property(u"StyleDropDownList", &TZCLCustomComboBox::GetStyleDropDownList,
             &TZCLCustomComboBox::SetStyleDropDownList);
  D.Property(u"StyleDropDownListScrollBox", &TZCLCustomComboBox::GetStyleDropDownListScrollBox,
             &TZCLCustomComboBox::SetStyleDropDownListScrollBox);
  D.Property(u"Text", &TZCLCustomTextEdit::GetText, &TZCLCustomTextEdit::SetText);
  D.Event(u"OnChange", &TZCLComboBox::OnChange);
  D.Event(u"OnDropDown", &TZCLComboBox::OnDropDown);
  D.Event(u"OnSelect", &TZCLComboBox::OnSelect);
  D.Event(u"OnCustomDraw", &TZCLComboBox::OnCustomDraw);
  D.Event(u"OnCustomDrawItem", &TZCLComboBox::OnCustomDrawItem);
  D.Event(u"OnDeleteItemObject", &TZCLComboBox::OnDeleteItemObject);
  D.Event(u"OnGetDisplayItemGroupName", &TZCLComboBox::OnGetDisplayItemGroupName);
  D.Event(u"OnGetDisplayItemName", &TZCLComboBox::OnGetDisplayItemName);
  D.Event(u"OnPrepareDropDownList", &TZCLComboBox::OnPrepareDropDownList);
}

Integer TZCLComboBox::FindPrefix(const String& Text) const {
  if (Text.empty()) return -1;
  for (Integer i = 0; i < FItems->GetCount(); ++i) {
    const String item = FItems->GetStrings(i);
    if (item.size() >= Text.size() && item.compare(0, Text.size(), Text) == 0) return i;
  }
  return -1;
}

void TZCLComboBox::SyncItemIndexWithText() { SetItemIndex(FItems->IndexOf(GetText())); }

void TZCLComboBox::ItemsChanged() {
  // While loading, the streamed ItemIndex waits for the end instead.
  if (!GetComponentState().Contains(csDestroying) && !GetComponentState().Contains(csLoading))
    SyncItemIndexWithText();
}

void TZCLComboBox::ItemIndexChanged() {
  SetText(FItemIndex >= 0 ? FItems->GetStrings(FItemIndex) : String());
  inherited::ItemIndexChanged();
}

void TZCLComboBox::SetItemIndex(Integer Value) {
  if (ValidateIndex(Value) != FItemIndex || GetComponentState().Contains(csLoading)) {
    SetItemIndexCore(Value);
  } else if (FItems->GetUpdateCount() > 0) {
    BeginSelectionLock();
    try {
      SetText(HasSelection() ? FItems->GetStrings(FItemIndex) : String());
    } catch (...) {
      EndSelectionLock();
      throw;
    }
    EndSelectionLock();
  }
}

void TZCLComboBox::SetTextCore(const String& Value) {
  inherited::SetTextCore(String());
  if (!(HasSelection() && FItems->GetStrings(FItemIndex) == Value)) FItemIndex = FItems->IndexOf(Value);
  if (FMode == cbmList && FItemIndex < 0) return;
  inherited::SetTextCore(Value);
  if (auto* e = GetInnerEdit(); e && e->GetText() != Value) {
    ++FCompleteLock;
    try {
      e->SetText(Value);
    } catch (...) {
      --FCompleteLock;
      throw;
    }
    --FCompleteLock;
  }
}

bool TZCLComboBox::CanCreateInnerControl() {
  return FMode != cbmList && !GetComponentState().Contains(csDesigning) &&
         !GetComponentState().Contains(csDestroying);
}

TWinControl* TZCLComboBox::CreateInnerControl() {
  auto* e = static_cast<TZCLInnerEdit*>(TZCLCustomTextEdit::CreateInnerControl());
  FInnerChange = e->OnChange;
  e->OnChange = TNotifyEvent(this, &TZCLComboBox::InnerChange);
  e->OnPaste = TNotifyEvent();
  e->SetText(GetText());
  return e;
}

bool TZCLComboBox::IsDropDownArea(Integer X, Integer Y) {
  return FMode == cbmList && inherited::IsDropDownArea(X, Y);
}

TZCLPopupWindow* TZCLComboBox::CreateDropDownWindow() {
  return TCustomForm::CreateNew<TZCLComboBoxDropDown>(this);
}

void TZCLComboBox::SetMode(TZCLComboBoxMode Value) {
  if (FMode == Value) return;
  FMode = Value;
  if (FMode == cbmList) {
    NeedItems();
    DestroyInnerControl();
    SyncItemIndexWithText();
    if (FItemIndex < 0) inherited::SetTextCore(String());
  } else if (!FInnerControl && CanCreateInnerControl()) {
    FInnerControl = CreateInnerControl();
    HookInnerControl(true);
    UpdateInnerControl();
  }
  BoundsChanged();
  Invalidate();
}

void TZCLComboBox::KeyDown(Word& Key, TShiftState Shift) {
  FLastKey = Shift.Contains(ssCtrl) || Shift.Contains(ssAlt) ? 0 : Key;
  inherited::KeyDown(Key, Shift);
}

bool TZCLComboBox::CanAutoComplete() const {
  return FAutoComplete && FLastKey != 0 && FLastKey != VK_DELETE && FLastKey != VK_BACK;
}

void TZCLComboBox::InnerChange(TObject* Sender) {
  if (FCompleteLock > 0) return;
  if (FMode == cbmEdit && CanAutoComplete()) {
    ++FCompleteLock;
    try {
      NeedItems();
      TZCLInnerEdit* e = GetInnerEdit();
      const String typed = e->GetText();
      FItemIndex = FindPrefix(typed);
      if (FItemIndex >= 0) {
        const String full = FItems->GetStrings(FItemIndex);
        e->SetText(full);
        e->SetSelStart(Integer(typed.size()));
        e->SetSelLength(Integer(full.size() - typed.size()));
      }
    } catch (...) {
      --FCompleteLock;
      throw;
    }
    --FCompleteLock;
  }
  if (FInnerChange) FInnerChange(Sender);
}

void TZCLComboBox::Localize(const String& Section, const String& Name) {
  const Integer saved = FItemIndex;
  BeginSelectionLock();
  try {
    inherited::Localize(Section, Name);
    LangApplyToItems(LangSubSection(Section, Name), FItems);
    // The renamed item no longer matches the old text; the index stays and takes its new text.
    if (FItemIndex != saved) SetItemIndex(saved);
  } catch (...) {
    EndSelectionLock();
    throw;
  }
  EndSelectionLock();
}

// ---- dialog search --------------------------------------------------------------------------

bool TZCLBasicComboBoxUIInsightAdapter::GetCaption(TObject* Object, String& Text) const {
  Text.clear();
  auto* box = dynamic_cast<TZCLBasicComboBox*>(Object);
  if (!box || box->GetItemIndex() != -1) return false;
  Text = box->GetText();
  return true;
}

void TZCLComboBoxUIInsightAdapter::EnumChildren(TObject* Object, TZCLUIInsightSearchQueueBuilder* Builder) const {
  auto* box = dynamic_cast<TZCLComboBox*>(Object);
  if (!box) return;
  for (Integer i = 0; i < box->GetItems()->GetCount(); ++i) Builder->AddCandidate(box->GetItems()->GetStrings(i));
}

void RegisterComboBoxClasses() {
  RegisterProperties<TZCLCustomComboBox>();
  RegisterProperties<TZCLBasicComboBox>();
  RegisterProperties<TZCLComboBox>();
  RegisterClasses({TZCLComboBox::StaticClass()});
  TZCLUIInsight::Register<TZCLBasicComboBoxUIInsightAdapter>(TZCLBasicComboBox::StaticClass());
  TZCLUIInsight::Register<TZCLComboBoxUIInsightAdapter>(TZCLComboBox::StaticClass());
}
