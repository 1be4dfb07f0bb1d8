#pragma once
// Combo boxes: drop-down edits whose popup lists the items one row each. The basic combo box
// addresses an abstract item list by ItemIndex (keys, wheel, list, in-place cell editing); the
// combo box holds strings with objects, either as an editable text with autocompletion or as a
// pick list, and keeps Text and ItemIndex in step.

#include <vector>

#include "rtl/RTL.StringList.h"
#include "zcl/ui/controls/ZCL.UI.Controls.IncrementalSearch.h"
#include "zcl/ui/controls/ZCL.UI.Controls.ScrollBar.h"
#include "zcl/ui/controls/ZCL.UI.Edit.DropDown.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.ViewInfo.h"

enum TZCLComboBoxMode : Byte { cbmEdit, cbmList };
ZCL_ENUM(TZCLComboBoxMode, cbmEdit, cbmList);

class TZCLComboBoxList;

using TZCLComboBoxCustomDrawItemEvent =
    TDelegate<void(TObject* Sender, TCanvas* Canvas, const TRect& R, Integer Index, bool& Handled)>;
using TZCLComboBoxDeleteItemObjectEvent = TDelegate<void(TObject* Sender, TObject* ItemObject)>;
using TZCLComboBoxGetDisplayTextEvent = TDelegate<void(TObject* Sender, Integer Index, String& Text)>;
using TZCLComboBoxPrepareDropDownListEvent = TDelegate<void(TObject* Sender, TZCLComboBoxList* List)>;

// The list of an open combo box: rows of items (Tag: the item index) under optional group rows,
// a focused and a hot row, type-ahead filtering and custom-drawn rows.
class TZCLComboBoxList : public TZCLCustomControl {
  ZCL_CLASS(TZCLComboBoxList, TZCLCustomControl)
  VCL_MESSAGES()
 public:
  struct TRow {
    String Caption;
    Integer Tag = -1;
    String Group;
    bool IsGroup = false;
    bool Checked = false;
    Integer ImageIndex = -1;
    TObject* Data = nullptr;
    // The caption in upper case, made when a filter first needs it.
    String UpperCaption;
    bool HasUpperCaption = false;
  };
  using TDrawRowEvent = TDelegate<void(TObject* Sender, TCanvas* Canvas, const TRect& R, const TRow& Row, bool& Handled)>;
  using TRowEvent = TDelegate<void(TObject* Sender, Integer Row)>;

  explicit TZCLComboBoxList(TComponent* AOwner);
  ~TZCLComboBoxList() override;

  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  void Clear();
  // Appends an item row; its index among the rows.
  Integer AddRow(const String& Caption, Integer Tag, const String& Group = String());
  Integer GetRowCount() const { return static_cast<Integer>(FRows.size()); }
  TRow& GetRow(Integer Index) { return FRows[size_t(Index)]; }
  // Shown rows (filtered, with group rows when grouping), as indexes of GetRow.
  const std::vector<Integer>& GetVisibleRows() const { return FVisible; }
  Integer GetVisibleRowCount() const { return static_cast<Integer>(FVisible.size()); }
  bool GetGrouping() const { return FGrouping; }
  void SetGrouping(bool Value);
  // The focused row (an index of GetRow), -1 for none.
  Integer GetFocusedRow() const { return FFocusedRow; }
  void SetFocusedRow(Integer Value);
  Integer GetHotRow() const { return FHotRow; }
  Integer GetTopRow() const { return FTopRow; }
  Integer GetRowHeight();
  // The client rectangle of a shown row (by its position among the shown rows).
  TRect GetVisibleRowRect(Integer Position);
  // The row under a client point, -1 for none.
  Integer RowAt(const TPoint& P);
  void MakeFocusedVisible();
  // Makes Top the first shown row (kept within the rows).
  void ScrollTo(Integer Top);
  TZCLIncrementalSearch* GetSearch() const { return FSearch; }
  bool GetFiltering() const { return FFiltering; }
  void SetFiltering(bool Value) { FFiltering = Value; }
  TZCLStyleTreeList* GetStyle() const { return FStyle; }
  void SetStyle(TZCLStyleTreeList* Value) { FStyle->Assign(Value); }
  // Frame around the rows.
  Integer GetFrameSize() const { return 1; }
  // A column header bar above the rows (one column without a caption).
  bool GetShowHeader() const { return FShowHeader; }
  void SetShowHeader(bool Value);
  Integer GetHeaderHeight() { return FShowHeader ? GetRowHeight() : 0; }
  // Rows show a check box before their text.
  bool GetCheckBoxes() const { return FCheckBoxes; }
  void SetCheckBoxes(bool Value);
  // Rows show their image before their text.
  TCustomImageList* GetImages() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  // The row's check box in client coordinates (empty without check boxes).
  TRect GetCheckBoxRect(Integer Position);

  TDrawRowEvent OnDrawRow;
  TRowEvent OnRowClick;
  TNotifyEvent OnApply;

 protected:
  void Paint() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyUp(Word& Key, TShiftState Shift) override;
  void KeyPress(Char& Key) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  bool MouseWheel(TMouseWheelDirection Direction, TShiftState Shift, const TPoint& MousePos) override;
  void SetTargetDPI(Integer Value) override;
  void Rebuild();
  void MoveFocus(Integer Delta);
  void SearchChanged(TObject* Sender);
  void CMWantSpecialKey(TMessage& Message);

 private:
  std::vector<TRow> FRows;
  std::vector<Integer> FVisible;
  Integer FFocusedRow = -1;
  Integer FHotRow = -1;
  Integer FTopRow = 0;
  Integer FPressedRow = -1;
  Integer FUpdateCount = 0;
  bool FGrouping = false;
  bool FFiltering = true;
  bool FCheckBoxes = false;
  bool FShowHeader = false;
  TCustomImageList* FImages = nullptr;
  TZCLIncrementalSearch* FSearch;
  TZCLStyleTreeList* FStyle;
};

class TZCLCustomComboBox : public TZCLCustomDropDownEdit {
  ZCL_CLASS(TZCLCustomComboBox, TZCLCustomDropDownEdit)
 public:
  explicit TZCLCustomComboBox(TComponent* AOwner);
  ~TZCLCustomComboBox() override;
  static void DeclareProperties(TClassDeclaration<TZCLCustomComboBox>& D);

  Integer GetDropDownListSize() const { return FDropDownListSize; }
  // Kept within 1..25.
  void SetDropDownListSize(Integer Value);
  TZCLStyleTreeList* GetStyleDropDownList() const { return FStyleDropDownList; }
  void SetStyleDropDownList(TZCLStyleTreeList* Value) { FStyleDropDownList->Assign(Value); }
  TZCLStyleScrollBox* GetStyleDropDownListScrollBox() const { return FStyleDropDownListScrollBox; }
  void SetStyleDropDownListScrollBox(TZCLStyleScrollBox* Value) { FStyleDropDownListScrollBox->Assign(Value); }

 protected:
  TZCLStyleButton* CreateStyleButton() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void SetTargetDPI(Integer Value) override;

  Integer FDropDownListSize = 8;
  TZCLStyleTreeList* FStyleDropDownList;
  TZCLStyleScrollBox* FStyleDropDownListScrollBox;
};

class TZCLBasicComboBox : public TZCLCustomComboBox {
  ZCL_CLASS(TZCLBasicComboBox, TZCLCustomComboBox)
  VCL_MESSAGES()
 public:
  using TZCLCustomComboBox::TZCLCustomComboBox;
  static void DeclareProperties(TClassDeclaration<TZCLBasicComboBox>& D);
  void Loaded() override;

  virtual Integer GetCount() = 0;
  Integer GetItemIndex() const { return FItemIndex; }
  virtual void SetItemIndex(Integer Value);
  bool HasSelection() { return FItemIndex >= 0 && FItemIndex < GetCount(); }
  // -1 below 0, at most the last index.
  Integer ValidateIndex(Integer Value);
  void NeedItems();
  void BeginSelectionLock() { ++FSelectionLock; }
  void EndSelectionLock() { --FSelectionLock; }

  virtual void DoDeleteItemObject(TObject* Object);
  virtual void DoCustomDrawItem(TCanvas* Canvas, const TRect& R, Integer Index, bool& Handled);
  virtual void DoGetDisplayItemName(Integer Index, String& Text);
  virtual void DoGetDisplayItemGroupName(Integer Index, String& Text);
  virtual void DoPrepareDropDownList(TZCLComboBoxList* List);
  bool HasGroupNames() const { return bool(OnGetDisplayItemGroupName); }

  TZCLComboBoxCustomDrawItemEvent OnCustomDrawItem;
  TZCLComboBoxDeleteItemObjectEvent OnDeleteItemObject;
  TZCLComboBoxGetDisplayTextEvent OnGetDisplayItemGroupName;
  TZCLComboBoxGetDisplayTextEvent OnGetDisplayItemName;
  TNotifyEvent OnNeedItems;
  TZCLComboBoxPrepareDropDownListEvent OnPrepareDropDownList;
  TNotifyEvent OnSelect;

 protected:
  virtual void ItemIndexChanged();
  virtual void DoSelect();
  virtual void SetItemIndexCore(Integer Value);
  void DoDropDown() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  bool MouseWheel(TMouseWheelDirection Direction, TShiftState Shift, const TPoint& MousePos) override;
  String GetDisplayText(const String& Text) override;
  void CMWantSpecialKey(TMessage& Message);
  TZCLComboBoxList* GetOpenList();

  Integer FItemIndex = -1;
  Integer FLoadedItemIndex = -1;
  Integer FSelectionLock = 0;
};

class TZCLComboBox;

class TZCLComboBoxStrings : public TStringList {
  ZCL_CLASS(TZCLComboBoxStrings, TStringList)
 public:
  explicit TZCLComboBoxStrings(TZCLBasicComboBox* AOwner) : FOwner(AOwner) {}
  void Delete(Integer Index) override;
  void Clear() override;

 protected:
  void Changed() override;

 private:
  TZCLBasicComboBox* FOwner;
};

// The popup of a combo box with its list.
class TZCLCustomComboBoxDropDown : public TZCLPopupWindow {
  ZCL_CLASS(TZCLCustomComboBoxDropDown, TZCLPopupWindow)
 public:
  // AOwner must be a combo box (EInvalidCast otherwise).
  explicit TZCLCustomComboBoxDropDown(TComponent* AOwner);
  void AfterConstruction() override;
  TZCLComboBoxList* GetList() const { return FList; }
  TZCLCustomComboBox* GetComboBox() const { return FComboBox; }
  // Exactly the rows DropDownListSize allows, plus the list's frame; 2 without rows.
  Integer CalculateHeight();
  void AdjustSize() override;

 protected:
  virtual void ClickAtObject(Integer Row) {}
  virtual void PopulateList(TZCLComboBoxList* List) = 0;
  virtual void SetupList(TZCLComboBoxList* List);
  void DoShow() override;
  void ListRowClick(TObject* Sender, Integer Row);

  TZCLComboBoxList* FList = nullptr;
  TZCLCustomComboBox* FComboBox;
};

class TZCLBasicComboBoxDropDown : public TZCLCustomComboBoxDropDown {
  ZCL_CLASS(TZCLBasicComboBoxDropDown, TZCLCustomComboBoxDropDown)
 public:
  using TZCLCustomComboBoxDropDown::TZCLCustomComboBoxDropDown;
  void AfterConstruction() override;
  TZCLBasicComboBox* GetBasicComboBox() const { return static_cast<TZCLBasicComboBox*>(FComboBox); }
  // Sets the combo box's ItemIndex from the focused row and closes.
  virtual void ApplySelection();
  void SyncSelection();
  // A row for the item; DoGetDisplayItemName may change its text.
  Integer AddItem(TZCLComboBoxList* List, const String& Text);

 protected:
  virtual void AddItems(TZCLComboBoxList* List) = 0;
  void ClickAtObject(Integer Row) override;
  void PopulateList(TZCLComboBoxList* List) override;
  void SetupList(TZCLComboBoxList* List) override;
  void DoShow() override;
  void ListDrawRow(TObject* Sender, TCanvas* Canvas, const TRect& R, const TZCLComboBoxList::TRow& Row, bool& Handled);
  void ListApply(TObject* Sender);
};

class TZCLComboBoxDropDown : public TZCLBasicComboBoxDropDown {
  ZCL_CLASS(TZCLComboBoxDropDown, TZCLBasicComboBoxDropDown)
 public:
  using TZCLBasicComboBoxDropDown::TZCLBasicComboBoxDropDown;

 protected:
  void AddItems(TZCLComboBoxList* List) override;
  void SetupList(TZCLComboBoxList* List) override;
};

class TZCLComboBox : public TZCLBasicComboBox {
  ZCL_CLASS(TZCLComboBox, TZCLBasicComboBox)
 public:
  explicit TZCLComboBox(TComponent* AOwner);
  ~TZCLComboBox() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLComboBox>& D);
  // A cell editor: a pick list whose choice applies the cell.
  template <class T = TZCLComboBox>
  static T* CreateInplaceComboBox(const TZCLInplaceInfo& Params) {
    T* result = TZCLCustomEdit::CreateInplace<T>(Params);
    result->OnSelect = Params.OnApply;
    result->SetMode(cbmList);
    return result;
  }
  void Localize(const String& Section, const String& Name) override;

  Integer GetCount() override { return FItems->GetCount(); }
  void SetItemIndex(Integer Value) override;
  bool GetAutoComplete() const { return FAutoComplete; }
  void SetAutoComplete(bool Value) { FAutoComplete = Value; }
  TZCLComboBoxStrings* GetItems() const { return FItems; }
  TStrings* GetItemsProperty() const { return FItems; }
  void SetItems(TStrings* Value) { FItems->Assign(Value); }
  TZCLComboBoxMode GetMode() const { return FMode; }
  void SetMode(TZCLComboBoxMode Value);
  Integer AddItem(const String& Text, TObject* Object) { return FItems->AddObject(Text, Object); }
  Integer IndexOf(const String& Text) const { return FItems->IndexOf(Text); }
  Integer IndexOfObject(TObject* Object) const { return FItems->IndexOfObject(Object); }
  TObject* GetSelectedObject() { return HasSelection() ? FItems->GetObjects(FItemIndex) : nullptr; }
  // The first item starting with Text (case-sensitive); -1 for none or an empty text.
  Integer FindPrefix(const String& Text) const;
  virtual void SyncItemIndexWithText();
  void ItemsChanged();

 protected:
  void ItemIndexChanged() override;
  void SetTextCore(const String& Value) override;
  bool CanCreateInnerControl() override;
  TWinControl* CreateInnerControl() override;
  bool IsDropDownArea(Integer X, Integer Y) override;
  TZCLPopupWindow* CreateDropDownWindow() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  bool CanAutoComplete() const;
  void InnerChange(TObject* Sender);

  bool FAutoComplete = true;
  Word FLastKey = 0;
  TZCLComboBoxStrings* FItems;
  TZCLComboBoxMode FMode = cbmEdit;
  TNotifyEvent FInnerChange;
  Integer FCompleteLock = 0;
};

class TZCLBasicComboBoxUIInsightAdapter : public TZCLUIInsightAdapterWinControl {
  ZCL_CLASS(TZCLBasicComboBoxUIInsightAdapter, TZCLUIInsightAdapterWinControl)
 public:
  bool GetCaption(TObject* Object, String& Text) const override;
};

class TZCLComboBoxUIInsightAdapter : public TZCLBasicComboBoxUIInsightAdapter {
  ZCL_CLASS(TZCLComboBoxUIInsightAdapter, TZCLBasicComboBoxUIInsightAdapter)
 public:
  void EnumChildren(TObject* Object, TZCLUIInsightSearchQueueBuilder* Builder) const override;
};

void RegisterComboBoxClasses();
