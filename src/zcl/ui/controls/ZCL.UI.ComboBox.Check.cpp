#include "zcl/ui/controls/ZCL.UI.ComboBox.Check.h"

#include <algorithm>

#include "vcl/VCL.Forms.h"
#include "vcl/VCL.ImgList.h"
#include "zcl/ui/ZCL.UI.ImageList.h"

// ---- check combo box items ------------------------------------------------------------------

void TZCLCheckComboBoxItem::DeclareProperties(TClassDeclaration<TZCLCheckComboBoxItem>& D) {
  D.Property(u"Checked", &TZCLCheckComboBoxItem::GetChecked, &TZCLCheckComboBoxItem::SetChecked).Default(false);
  DeclareTextProperties(D);
}

void TZCLCheckComboBoxItem::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TZCLCheckComboBoxItem*>(Source)) {
    FChecked = source->FChecked;
    AssignText(*source);
    Changed(false);
    return;
  }
  inherited::Assign(Source);
}

void TZCLCheckComboBoxItem::SetChecked(bool Value) {
  if (FChecked == Value) return;
  FChecked = Value;
  Changed(false);
}

TZCLCheckComboBoxItems::TZCLCheckComboBoxItems(TZCLCheckComboBox* AOwner)
    : TZCLCollection(TZCLCheckComboBoxItem::StaticClass()), FOwner(AOwner) {}

TPersistent* TZCLCheckComboBoxItems::GetOwner() const { return FOwner; }

TZCLCheckComboBoxItem* TZCLCheckComboBoxItems::Add(const String& Text, bool Checked) {
  return TZCLCheckComboBoxItem::AddTo<TZCLCheckComboBoxItem>(
      this, Text, [Checked](TZCLCheckComboBoxItem* Item) { Item->SetChecked(Checked); });
}

bool TZCLCheckComboBoxItems::FindByText(const String& Text, TZCLCheckComboBoxItem*& Item) const {
  for (Integer i = 0; i < GetCount(); ++i)
    if (GetItem(i)->GetText() == Text) {
      Item = GetItem(i);
      return true;
    }
  Item = nullptr;
  return false;
}

void TZCLCheckComboBoxItems::SetAllChecked(TCheckBoxState State) {
  if (State == cbGrayed) return;
  BeginUpdate();
  for (Integer i = 0; i < GetCount(); ++i) GetItem(i)->SetChecked(State == cbChecked);
  EndUpdate();
}

void TZCLCheckComboBoxItems::EnumChecked(const std::function<void(TZCLCheckComboBoxItem*)>& Proc) const {
  for (Integer i = 0; i < GetCount(); ++i)
    if (GetItem(i)->GetChecked()) Proc(GetItem(i));
}

void TZCLCheckComboBoxItems::DoUpdate(TCollectionItem* Item) {
  inherited::DoUpdate(Item);
  if (FOwner) FOwner->ItemsUpdated();
}

// ---- check combo box ------------------------------------------------------------------------

TZCLCheckComboBox::TZCLCheckComboBox(TComponent* AOwner)
    : TZCLCustomComboBox(AOwner), FItems(new TZCLCheckComboBoxItems(this)) {}

TZCLCheckComboBox::~TZCLCheckComboBox() { Free(FItems); }

void TZCLCheckComboBox::DeclareProperties(TClassDeclaration<TZCLCheckComboBox>& D) {
  D.Property(u"Borders", &TZCLCustomEdit::GetBorders, &TZCLCustomEdit::SetBorders).Default(true);
  D.Property(u"Items", &TZCLCheckComboBox::GetItems, &TZCLCheckComboBox::SetItems);
  D.Property(u"Separator", &TZCLCheckComboBox::GetSeparator, &TZCLCheckComboBox::SetSeparator)
      .Stored(&TZCLCheckComboBox::IsSeparatorStored);
  D.Property(u"ResourceCollection", &TZCLCustomControl::GetResourceCollection,
             &TZCLCustomControl::SetResourceCollection);
  D.Property(u"Style", &TZCLCustomEdit::GetStyle, &TZCLCustomEdit::SetStyle);
  D.Property(u"StyleButton", &TZCLCustomEdit::GetStyleButton, &TZCLCustomEdit::SetStyleButton);
  D.Property(u"StyleDropDownList", &TZCLCustomComboBox::GetStyleDropDownList,
             &TZCLCustomComboBox::SetStyleDropDownList);
  D.Property(u"StyleDropDownListScrollBox", &TZCLCustomComboBox::GetStyleDropDownListScrollBox,
             &TZCLCustomComboBox::SetStyleDropDownListScrollBox);
  D.Property(u"Text", &TZCLCustomTextEdit::GetText, &TZCLCustomTextEdit::SetText);
  D.Event(u"OnChange", &TZCLCheckComboBox::OnChange);
  D.Event(u"OnGetDisplayItemGroupName", &TZCLCheckComboBox::OnGetDisplayItemGroupName);
  D.Event(u"OnGetDisplayItemName", &TZCLCheckComboBox::OnGetDisplayItemName);
  D.Event(u"OnGetDisplayText", &TZCLCheckComboBox::OnGetDisplayText);
}

void TZCLCheckComboBox::SetSeparator(Char Value) {
  if (FSeparator == Value) return;
  FSeparator = Value;
  UpdateText();
}

void TZCLCheckComboBox::UpdateText() {
  String text;
  FItems->EnumChecked([&](TZCLCheckComboBoxItem* Item) {
    text += Item->GetText();
    text += FSeparator;
  });
  if (OnGetDisplayText) OnGetDisplayText(this, text);
  inherited::SetTextCore(text);
  Invalidate();
}

void TZCLCheckComboBox::ItemsUpdated() {
  UpdateText();
  // An assignment of Text reports its own change once it is done.
  if (!FSettingText && !GetComponentState().Contains(csDestroying)) Changed();
}

void TZCLCheckComboBox::SetTextCore(const String& Value) {
  FSettingText = true;
  FItems->BeginUpdate();
  try {
    for (Integer i = 0; i < FItems->GetCount(); ++i) FItems->GetItem(i)->SetChecked(false);
    size_t start = 0;
    while (start <= Value.size()) {
      size_t end = Value.find(FSeparator, start);
      if (end == String::npos) end = Value.size();
      TZCLCheckComboBoxItem* item;
      if (end > start && FItems->FindByText(Value.substr(start, end - start), item)) item->SetChecked(true);
      start = end + 1;
    }
  } catch (...) {
    FItems->EndUpdate();
    FSettingText = false;
    throw;
  }
  FItems->EndUpdate();
  FSettingText = false;
  UpdateText();
}

void TZCLCheckComboBox::DoGetDisplayItemName(TZCLCheckComboBoxItem* Item, String& Text) {
  if (OnGetDisplayItemName) OnGetDisplayItemName(this, Item, Text);
}

void TZCLCheckComboBox::DoGetDisplayItemGroupName(TZCLCheckComboBoxItem* Item, String& Text) {
  if (OnGetDisplayItemGroupName) OnGetDisplayItemGroupName(this, Item, Text);
}

TZCLPopupWindow* TZCLCheckComboBox::CreateDropDownWindow() {
  return TCustomForm::CreateNew<TZCLCheckComboBoxDropDown>(this);
}

void TZCLCheckComboBoxDropDown::SetupList(TZCLTreeList* List) {
  inherited::SetupList(List);
  TZCLTreeListOptionsView* view = List->GetOptionsView();
  view->SetCheckBoxes(true);
  view->GetColumns()->SetAutoWidth(true);
  List->GetColumns()->Clear();
  List->GetColumns()->Add(String());
  view->GetColumns()->SetVisible(GetCheckComboBox()->GetItems()->GetCount() > 1);
  TZCLTreeListSubClass* tree = List->GetSubClass();
  tree->OnNodeChecked = TZCLTreeListNodeEvent(this, &TZCLCheckComboBoxDropDown::ListNodeChecked);
  tree->OnUpdateState = TNotifyEvent(this, &TZCLCheckComboBoxDropDown::ListUpdateState);
}

void TZCLCheckComboBoxDropDown::ListNodeChecked(TObject*, TZCLTreeListNode* Node) {
  if (auto* item = static_cast<TZCLCheckComboBoxItem*>(Node->Data)) item->SetChecked(Node->GetChecked());
}

void TZCLCheckComboBoxDropDown::ListUpdateState(TObject* Sender) {
  // Many check boxes changed under one lock rebuild the text once.
  const bool locked = static_cast<TZCLCompoundControlSubClass*>(Sender)->IsUpdateLocked();
  if (locked == FItemsLocked) return;
  FItemsLocked = locked;
  if (locked)
    GetCheckComboBox()->GetItems()->BeginUpdate();
  else
    GetCheckComboBox()->GetItems()->EndUpdate();
}

void TZCLCheckComboBoxDropDown::ListGetNodeGroup(TObject*, TZCLTreeListNode* Node, String& GroupName) {
  if (auto* item = static_cast<TZCLCheckComboBoxItem*>(Node->Data)) GetCheckComboBox()->DoGetDisplayItemGroupName(item, GroupName);
}

void TZCLCheckComboBoxDropDown::PopulateList(TZCLTreeList* List) {
  TZCLCheckComboBox* box = GetCheckComboBox();
  TZCLCheckComboBoxItems* items = box->GetItems();
  TZCLTreeListSubClass* tree = List->GetSubClass();
  tree->BeginUpdate();
  try {
    if (box->OnGetDisplayItemGroupName) {
      tree->OnGetNodeGroup = TZCLTreeListGetNodeGroupEvent(this, &TZCLCheckComboBoxDropDown::ListGetNodeGroup);
      List->GetOptionsBehavior()->SetGroups(true);
    }
    for (Integer i = 0; i < items->GetCount(); ++i) {
      TZCLCheckComboBoxItem* item = items->GetItem(i);
      String text = item->GetText();
      box->DoGetDisplayItemName(item, text);
      TZCLTreeListNode* node = List->GetRootNode()->AddChild();
      node->Data = item;
      node->Tag = i;
      node->SetChecked(item->GetChecked());
      node->AddValue(text);
    }
  } catch (...) {
    tree->EndUpdate();
    throw;
  }
  tree->EndUpdate();
}

void TZCLCheckComboBoxDropDown::ClickAtObject(TZCLHitTestInfo* HitTest) {
  // The check box itself is toggled by the list; the list stays open for more choices.
  if (!dynamic_cast<TZCLTreeListNode*>(HitTest->HitObject) || HitTest->GetHitObjectFlag(HitFlagCheckBox)) return;
  FList->GetSubClass()->ToggleChecked(HitTest->HitObject);
}

// ---- image combo box items ------------------------------------------------------------------

void TZCLImageComboBoxItem::DeclareProperties(TClassDeclaration<TZCLImageComboBoxItem>& D) {
  D.Property(u"ImageIndex", &TZCLImageComboBoxItem::GetImageIndex, &TZCLImageComboBoxItem::SetImageIndex).Default(-1);
  DeclareTextProperties(D);
}

void TZCLImageComboBoxItem::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TZCLImageComboBoxItem*>(Source)) {
    FImageIndex = source->FImageIndex;
    AssignText(*source);
    Changed(false);
    return;
  }
  inherited::Assign(Source);
}

void TZCLImageComboBoxItem::SetImageIndex(Integer Value) {
  if (FImageIndex == Value) return;
  FImageIndex = Value;
  Changed(false);
}

TZCLImageComboBoxItems::TZCLImageComboBoxItems(TZCLImageComboBox* AOwner)
    : TCollection(TZCLImageComboBoxItem::StaticClass()), FOwner(AOwner) {}

TPersistent* TZCLImageComboBoxItems::GetOwner() const { return FOwner; }

TZCLImageComboBoxItem* TZCLImageComboBoxItems::Add(const String& Text, Integer ImageIndex) {
  return TZCLImageComboBoxItem::AddTo<TZCLImageComboBoxItem>(
      this, Text, [ImageIndex](TZCLImageComboBoxItem* Item) { Item->SetImageIndex(ImageIndex); });
}

bool TZCLImageComboBoxItems::FindByData(const void* Data, TZCLImageComboBoxItem*& Item) const {
  for (Integer i = 0; i < GetCount(); ++i)
    if (GetItem(i)->Data == Data) {
      Item = GetItem(i);
      return true;
    }
  Item = nullptr;
  return false;
}

void TZCLImageComboBoxItems::Update(TCollectionItem* Item) {
  inherited::Update(Item);
  if (FOwner) FOwner->ItemsUpdated();
}

// ---- image combo box ------------------------------------------------------------------------

TZCLImageComboBox::TZCLImageComboBox(TComponent* AOwner)
    : TZCLBasicComboBox(AOwner), FImagesLink(new TChangeLink), FItems(new TZCLImageComboBoxItems(this)) {
  FImagesLink->OnChange = TNotifyEvent(this, &TZCLImageComboBox::ImagesChanged);
}

TZCLImageComboBox::~TZCLImageComboBox() {
  Free(FItems);
  Free(FImagesLink);
}

void TZCLImageComboBox::BeforeDestruction() {
  SetImages(nullptr);
  inherited::BeforeDestruction();
}

void TZCLImageComboBox::DeclareProperties(TClassDeclaration<TZCLImageComboBox>& D) {
  D.Property(u"Borders", &TZCLCustomEdit::GetBorders, &TZCLCustomEdit::SetBorders).Default(true);
  D.Property(u"Buttons", &TZCLCustomEdit::GetButtons, &TZCLCustomEdit::SetButtons);
  D.Property(u"ButtonsImages", &TZCLCustomEdit::GetButtonsImages, &TZCLCustomEdit::SetButtonsImages);
  D.Property(u"DropDownListSize", &TZCLCustomComboBox::GetDropDownListSize, &TZCLCustomComboBox::SetDropDownListSize)
      .Default(8);
  D.Property(u"Images", &TZCLImageComboBox::GetImages, &TZCLImageComboBox::SetImages);
  D.Property(u"Items", &TZCLImageComboBox::GetItems, &TZCLImageComboBox::SetItems);
  D.Property(u"ItemIndex", &TZCLBasicComboBox::GetItemIndex, &TZCLBasicComboBox::SetItemIndex).Default(-1);
  D.Property(u"ResourceCollection", &TZCLCustomControl::GetResourceCollection,
             &TZCLCustomControl::SetResourceCollection);
  D.Property(u"Style", &TZCLCustomEdit::GetStyle, &TZCLCustomEdit::SetStyle);
  D.Property(u"StyleButton", &TZCLCustomEdit::GetStyleButton, &TZCLCustomEdit::SetStyleButton);
  D.Property(u"StyleDropDownList", &TZCLCustomComboBox::GetStyleDropDownList,
             &TZCLCustomComboBox::SetStyleDropDownList);
  D.Property(u"StyleDropDownListScrollBox", &TZCLCustomComboBox::GetStyleDropDownListScrollBox,
             &TZCLCustomComboBox::SetStyleDropDownListScrollBox);
  D.Event(u"OnChange", &TZCLImageComboBox::OnChange);
  D.Event(u"OnDropDown", &TZCLImageComboBox::OnDropDown);
  D.Event(u"OnSelect", &TZCLImageComboBox::OnSelect);
  D.Event(u"OnCustomDrawItem", &TZCLImageComboBox::OnCustomDrawItem);
  D.Event(u"OnDeleteItemObject", &TZCLImageComboBox::OnDeleteItemObject);
  D.Event(u"OnGetDisplayItemGroupName", &TZCLImageComboBox::OnGetDisplayItemGroupName);
  D.Event(u"OnGetDisplayItemName", &TZCLImageComboBox::OnGetDisplayItemName);
}

void TZCLImageComboBox::SetImages(TCustomImageList* Value) {
  if (FImages == Value) return;
  if (FImages) {
    FImages->UnRegisterChanges(FImagesLink);
    FImages->RemoveFreeNotification(this);
  }
  FImages = Value;
  if (FImages) {
    FImages->RegisterChanges(FImagesLink);
    FImages->FreeNotification(this);
  }
  if (!GetComponentState().Contains(csDestroying)) FullRefresh();
}

void TZCLImageComboBox::ImagesChanged(TObject*) { FullRefresh(); }

void TZCLImageComboBox::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FImages) SetImages(nullptr);
}

void TZCLImageComboBox::ItemsUpdated() {
  if (GetComponentState().Contains(csDestroying)) return;
  // An index past the end becomes the new last item.
  SetItemIndex(FItemIndex);
  if (FItemIndex >= 0) SetText(FItems->GetItem(FItemIndex)->GetText());
  Changed();
}

void TZCLImageComboBox::CalculateContent(const TRect& R) {
  inherited::CalculateContent(R);
  const TSize size = GetImageListSize(FImages, GetCurrentPPI());
  TRect content = GetContentRect();
  const Integer top = content.Top + (content.Height() - size.cy) / 2;
  FImageRect = TRect(content.Left, top, content.Left + size.cx, top + size.cy);
  if (size.cx > 0) {
    content.Left = FImageRect.Right + ScaleByDPI(2, GetCurrentPPI());
    SetContentRect(content);
  }
}

void TZCLImageComboBox::DrawText(TCanvas* Canvas) {
  inherited::DrawText(Canvas);
  if (FImages && FItemIndex >= 0)
    DrawImageListItem(Canvas, FImageRect, FImages, FItems->GetItem(FItemIndex)->GetImageIndex(), GetEnabled());
}

bool TZCLImageComboBox::IsDropDownArea(Integer X, Integer Y) {
  return inherited::IsDropDownArea(X, Y) || FImageRect.Contains(TPoint(X, Y));
}

TZCLPopupWindow* TZCLImageComboBox::CreateDropDownWindow() {
  auto* window = TCustomForm::CreateNew<TZCLImageComboBoxDropDown>(this);
  window->GetList()->GetOptionsView()->GetNodes()->SetImages(FImages);
  return window;
}

void TZCLImageComboBox::ItemIndexChanged() {
  inherited::ItemIndexChanged();
  SetText(FItemIndex >= 0 ? FItems->GetItem(FItemIndex)->GetText() : String());
}

void TZCLImageComboBoxDropDown::AddItems(TZCLTreeList* List) {
  TZCLImageComboBoxItems* items = static_cast<TZCLImageComboBox*>(FComboBox)->GetItems();
  for (Integer i = 0; i < items->GetCount(); ++i)
    AddItem(List, items->GetItem(i)->GetText())->SetImageIndex(items->GetItem(i)->GetImageIndex());
}

// ---- dialog search --------------------------------------------------------------------------

void TZCLCheckComboBoxUIInsightAdapter::EnumChildren(TObject* Object, TZCLUIInsightSearchQueueBuilder* Builder) const {
  if (auto* box = dynamic_cast<TZCLCheckComboBox*>(Object))
    for (Integer i = 0; i < box->GetItems()->GetCount(); ++i) Builder->AddCandidate(box->GetItems()->GetItem(i)->GetText());
}

void TZCLImageComboBoxUIInsightAdapter::EnumChildren(TObject* Object, TZCLUIInsightSearchQueueBuilder* Builder) const {
  if (auto* box = dynamic_cast<TZCLImageComboBox*>(Object))
    for (Integer i = 0; i < box->GetItems()->GetCount(); ++i) Builder->AddCandidate(box->GetItems()->GetItem(i)->GetText());
}

void RegisterCheckComboBoxClasses() {
  RegisterProperties<TZCLCheckComboBoxItem>();
  RegisterProperties<TZCLCheckComboBox>();
  RegisterProperties<TZCLImageComboBoxItem>();
  RegisterProperties<TZCLImageComboBox>();
  RegisterClasses({TZCLCheckComboBox::StaticClass(), TZCLImageComboBox::StaticClass()});
  TZCLUIInsight::Register<TZCLCheckComboBoxUIInsightAdapter>(TZCLCheckComboBox::StaticClass());
  TZCLUIInsight::Register<TZCLImageComboBoxUIInsightAdapter>(TZCLImageComboBox::StaticClass());
}
