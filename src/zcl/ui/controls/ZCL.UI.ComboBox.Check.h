#pragma once
// Combo boxes over collection items: the check combo box, a drop-down list of check boxes whose
// text lists the checked items, each followed by the separator; and the image combo box, a pick
// list whose items carry an image shown before the text.

#include <functional>

#include "zcl/ui/controls/ZCL.UI.ComboBox.h"

class TZCLCheckComboBox;
class TZCLImageComboBox;

// The text and tag both kinds of item carry, over the item class each descends from.
template <class TBase>
class TZCLComboBoxTextItem : public TBase {
 public:
  using TBase::TBase;
  NativeInt GetTag() const { return FTag; }
  void SetTag(NativeInt Value) { FTag = Value; }
  const String& GetText() const { return FText; }
  void SetText(const String& Value) {
    if (FText == Value) return;
    FText = Value;
    this->Changed(false);
  }

 protected:
  // Tag and Text follow the item's own properties.
  template <class T>
  static void DeclareTextProperties(TClassDeclaration<T>& D) {
    D.Property(u"Tag", &T::GetTag, &T::SetTag).Default(0);
    D.Property(u"Text", &T::GetText, &T::SetText);
  }
  void AssignText(const TZCLComboBoxTextItem& Source) {
    FTag = Source.FTag;
    FText = Source.FText;
  }
  // Adds an item to Items with its text and what Setup sets, reported as one change.
  template <class T, class TSetup>
  static T* AddTo(TCollection* Items, const String& Text, TSetup Setup) {
    Items->BeginUpdate();
    T* item;
    try {
      item = Items->Add<T>();
      item->SetText(Text);
      Setup(item);
    } catch (...) {
      Items->EndUpdate();
      throw;
    }
    Items->EndUpdate();
    return item;
  }

 private:
  NativeInt FTag = 0;
  String FText;
};

class TZCLCheckComboBoxItem : public TZCLComboBoxTextItem<TZCLCollectionItem> {
  ZCL_CLASS(TZCLCheckComboBoxItem, TZCLCollectionItem)
 public:
  using TZCLComboBoxTextItem::TZCLComboBoxTextItem;
  static void DeclareProperties(TClassDeclaration<TZCLCheckComboBoxItem>& D);
  void Assign(TPersistent* Source) override;
  bool GetChecked() const { return FChecked; }
  void SetChecked(bool Value);

 private:
  friend class TZCLCheckComboBoxItems;
  bool FChecked = false;
};

class TZCLCheckComboBoxItems : public TZCLCollection {
  ZCL_CLASS(TZCLCheckComboBoxItems, TZCLCollection)
 public:
  explicit TZCLCheckComboBoxItems(TZCLCheckComboBox* AOwner);
  TPersistent* GetOwner() const override;
  TZCLCheckComboBoxItem* Add(const String& Text, bool Checked = false);
  TZCLCheckComboBoxItem* GetItem(Integer Index) const { return TCollection::GetItem<TZCLCheckComboBoxItem>(Index); }
  // The first item whose Text equals Text exactly.
  bool FindByText(const String& Text, TZCLCheckComboBoxItem*& Item) const;
  // Checked or unchecked checks or unchecks all; grayed changes nothing.
  void SetAllChecked(TCheckBoxState State);
  void EnumChecked(const std::function<void(TZCLCheckComboBoxItem*)>& Proc) const;

 protected:
  void DoUpdate(TCollectionItem* Item) override;

 private:
  TZCLCheckComboBox* FOwner;
};

using TZCLCheckComboBoxGetDisplayTextEvent = TDelegate<void(TObject* Sender, String& AText)>;
using TZCLCheckComboBoxGetItemDisplayTextEvent =
    TDelegate<void(TObject* Sender, TZCLCheckComboBoxItem* AItem, String& AText)>;

class TZCLCheckComboBox : public TZCLCustomComboBox {
  ZCL_CLASS(TZCLCheckComboBox, TZCLCustomComboBox)
 public:
  explicit TZCLCheckComboBox(TComponent* AOwner);
  ~TZCLCheckComboBox() override;
  static void DeclareProperties(TClassDeclaration<TZCLCheckComboBox>& D);

  TZCLCheckComboBoxItems* GetItems() const { return FItems; }
  void SetItems(TZCLCheckComboBoxItems* Value) { FItems->Assign(Value); }
  Char GetSeparator() const { return FSeparator; }
  void SetSeparator(Char Value);
  bool IsSeparatorStored() const { return FSeparator != u';'; }
  // Text := the checked items' texts, each followed by the separator.
  void UpdateText();
  void ItemsUpdated();

  virtual void DoGetDisplayItemName(TZCLCheckComboBoxItem* Item, String& Text);
  virtual void DoGetDisplayItemGroupName(TZCLCheckComboBoxItem* Item, String& Text);

  TZCLCheckComboBoxGetItemDisplayTextEvent OnGetDisplayItemGroupName;
  TZCLCheckComboBoxGetItemDisplayTextEvent OnGetDisplayItemName;
  TZCLCheckComboBoxGetDisplayTextEvent OnGetDisplayText;

 protected:
  bool CanCreateInnerControl() override { return false; }
  bool IsDropDownArea(Integer X, Integer Y) override { return inherited::IsDropDownArea(X, Y); }
  TZCLPopupWindow* CreateDropDownWindow() override;
  void SetTextCore(const String& Value) override;

 private:
  TZCLCheckComboBoxItems* FItems;
  Char FSeparator = u';';
  bool FSettingText = false;
};

class TZCLCheckComboBoxDropDown : public TZCLCustomComboBoxDropDown {
  ZCL_CLASS(TZCLCheckComboBoxDropDown, TZCLCustomComboBoxDropDown)
 public:
  using TZCLCustomComboBoxDropDown::TZCLCustomComboBoxDropDown;

 protected:
  void ClickAtObject(TZCLHitTestInfo* HitTest) override;
  void PopulateList(TZCLTreeList* List) override;
  void SetupList(TZCLTreeList* List) override;
  void ListGetNodeGroup(TObject* Sender, TZCLTreeListNode* Node, String& GroupName);
  void ListNodeChecked(TObject* Sender, TZCLTreeListNode* Node);
  void ListUpdateState(TObject* Sender);
  TZCLCheckComboBox* GetCheckComboBox() const { return static_cast<TZCLCheckComboBox*>(FComboBox); }

 private:
  bool FItemsLocked = false;
};

class TZCLImageComboBoxItem : public TZCLComboBoxTextItem<TCollectionItem> {
  ZCL_CLASS(TZCLImageComboBoxItem, TCollectionItem)
 public:
  using TZCLComboBoxTextItem::TZCLComboBoxTextItem;
  static void DeclareProperties(TClassDeclaration<TZCLImageComboBoxItem>& D);
  void Assign(TPersistent* Source) override;
  Integer GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(Integer Value);
  void* Data = nullptr;

 private:
  friend class TZCLImageComboBoxItems;
  Integer FImageIndex = -1;
};

class TZCLImageComboBoxItems : public TCollection {
  ZCL_CLASS(TZCLImageComboBoxItems, TCollection)
 public:
  explicit TZCLImageComboBoxItems(TZCLImageComboBox* AOwner);
  TPersistent* GetOwner() const override;
  TZCLImageComboBoxItem* Add(const String& Text, Integer ImageIndex = -1);
  TZCLImageComboBoxItem* GetItem(Integer Index) const { return TCollection::GetItem<TZCLImageComboBoxItem>(Index); }
  bool FindByData(const void* Data, TZCLImageComboBoxItem*& Item) const;

 protected:
  void Update(TCollectionItem* Item) override;

 private:
  TZCLImageComboBox* FOwner;
};

class TZCLImageComboBox : public TZCLBasicComboBox {
  ZCL_CLASS(TZCLImageComboBox, TZCLBasicComboBox)
 public:
  explicit TZCLImageComboBox(TComponent* AOwner);
  ~TZCLImageComboBox() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLImageComboBox>& D);

  Integer GetCount() override { return FItems->GetCount(); }
  TCustomImageList* GetImages() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  TZCLImageComboBoxItems* GetItems() const { return FItems; }
  void SetItems(TZCLImageComboBoxItems* Value) { FItems->Assign(Value); }
  const TRect& GetImageRect() const { return FImageRect; }
  void ItemsUpdated();

 protected:
  bool CanCreateInnerControl() override { return false; }
  void CalculateContent(const TRect& R) override;
  void DrawText(TCanvas* Canvas) override;
  bool IsDropDownArea(Integer X, Integer Y) override;
  TZCLPopupWindow* CreateDropDownWindow() override;
  void ItemIndexChanged() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void ImagesChanged(TObject* Sender);

 private:
  TCustomImageList* FImages = nullptr;
  TChangeLink* FImagesLink;
  TZCLImageComboBoxItems* FItems;
  TRect FImageRect;
};

class TZCLImageComboBoxDropDown : public TZCLBasicComboBoxDropDown {
  ZCL_CLASS(TZCLImageComboBoxDropDown, TZCLBasicComboBoxDropDown)
 public:
  using TZCLBasicComboBoxDropDown::TZCLBasicComboBoxDropDown;

 protected:
  void AddItems(TZCLTreeList* List) override;
};

class TZCLCheckComboBoxUIInsightAdapter : public TZCLUIInsightAdapterWinControl {
  ZCL_CLASS(TZCLCheckComboBoxUIInsightAdapter, TZCLUIInsightAdapterWinControl)
 public:
  void EnumChildren(TObject* Object, TZCLUIInsightSearchQueueBuilder* Builder) const override;
};

class TZCLImageComboBoxUIInsightAdapter : public TZCLBasicComboBoxUIInsightAdapter {
  ZCL_CLASS(TZCLImageComboBoxUIInsightAdapter, TZCLBasicComboBoxUIInsightAdapter)
 public:
  void EnumChildren(TObject* Object, TZCLUIInsightSearchQueueBuilder* Builder) const override;
};

void RegisterCheckComboBoxClasses();
