#pragma once
// Combo boxes: drop-down edits whose popup lists the items one row each. The basic combo box
// addresses an abstract item list by ItemIndex (keys, wheel, list, in-place cell editing); the
// combo box holds strings with objects, either as an editable text with autocompletion or as a
// pick list, and keeps Text and ItemIndex in step.

#include <vector>

#include "rtl/RTL.StringList.h"
#include "zcl/ui/controls/ZCL.UI.Edit.DropDown.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.h"

enum TZCLComboBoxMode : Byte { cbmEdit, cbmList };
ZCL_ENUM(TZCLComboBoxMode, cbmEdit, cbmList);


using TZCLComboBoxCustomDrawItemEvent =
    TDelegate<void(TObject* Sender, TCanvas* Canvas, const TRect& R, Integer Index, bool& Handled)>;
using TZCLComboBoxDeleteItemObjectEvent = TDelegate<void(TObject* Sender, TObject* ItemObject)>;
using TZCLComboBoxGetDisplayTextEvent = TDelegate<void(TObject* Sender, Integer Index, String& Text)>;
using TZCLComboBoxPrepareDropDownListEvent = TDelegate<void(TObject* Sender, TZCLTreeList* List)>;

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
  virtual void DoPrepareDropDownList(TZCLTreeList* List);
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
  TZCLTreeList* GetOpenList();

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
  TZCLTreeList* GetList() const { return FList; }
  TZCLCustomComboBox* GetComboBox() const { return FComboBox; }
  // Exactly the rows DropDownListSize allows, plus the list's borders and header; 2 without rows.
  Integer CalculateHeight();
  void AdjustSize() override;

 protected:
  virtual void ClickAtObject(TZCLHitTestInfo* HitTest) {}
  virtual void PopulateList(TZCLTreeList* List) = 0;
  virtual void SetupList(TZCLTreeList* List);
  void DoShow() override;
  void ListMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  void ListMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y);

  TObject* FHitObject = nullptr;
  TZCLTreeList* FList = nullptr;
  TZCLCustomComboBox* FComboBox;
};

class TZCLBasicComboBoxDropDown : public TZCLCustomComboBoxDropDown {
  ZCL_CLASS(TZCLBasicComboBoxDropDown, TZCLCustomComboBoxDropDown)
 public:
  using TZCLCustomComboBoxDropDown::TZCLCustomComboBoxDropDown;
  void AfterConstruction() override;
  TZCLBasicComboBox* GetBasicComboBox() const { return static_cast<TZCLBasicComboBox*>(FComboBox); }
  // Sets the combo box's ItemIndex from the focused node and closes.
  virtual void ApplySelection();
  void SyncSelection();
  // A row for the item (Tag: its index); DoGetDisplayItemName may change its text.
  TZCLTreeListNode* AddItem(TZCLTreeList* List, const String& Text);

 protected:
  virtual void AddItems(TZCLTreeList* List) = 0;
  void ClickAtObject(TZCLHitTestInfo* HitTest) override;
  void PopulateList(TZCLTreeList* List) override;
  void SetupList(TZCLTreeList* List) override;
  void DoShow() override;
  void ListCustomDrawNode(TObject* Sender, TCanvas* Canvas, const TRect& R, TZCLTreeListNode* Node, bool& Handled);
  void ListGetNodeGroup(TObject* Sender, TZCLTreeListNode* Node, String& GroupName);
  void ListKeyUp(TObject* Sender, Word& Key, TShiftState Shift);
  void ListFocusedNodeChanged(TObject* Sender);
};

class TZCLComboBoxDropDown : public TZCLBasicComboBoxDropDown {
  ZCL_CLASS(TZCLComboBoxDropDown, TZCLBasicComboBoxDropDown)
 public:
  using TZCLBasicComboBoxDropDown::TZCLBasicComboBoxDropDown;

 protected:
  void AddItems(TZCLTreeList* List) override;
  void SetupList(TZCLTreeList* List) override;
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
