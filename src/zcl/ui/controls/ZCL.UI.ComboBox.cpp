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

TZCLTreeList* TZCLBasicComboBox::GetOpenList() {
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

void TZCLBasicComboBox::DoPrepareDropDownList(TZCLTreeList* List) {
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
  if (TZCLTreeList* list = GetOpenList()) {
    list->GetSubClass()->MouseWheel(Direction, Shift);
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
  FList = Create<TZCLTreeList>(static_cast<TComponent*>(this));
  FList->SetParent(this);
  FList->SetAlign(alClient);
  FList->SetFont(FComboBox->GetFont());
  FList->SetResourceCollection(FComboBox->GetResourceCollection());
  FList->OnMouseDown = TMouseEvent(this, &TZCLCustomComboBoxDropDown::ListMouseDown);
  FList->OnMouseUp = TMouseEvent(this, &TZCLCustomComboBoxDropDown::ListMouseUp);
  PopulateList(FList);
  TZCLTreeListSubClass* tree = FList->GetSubClass();
  tree->BeginUpdate();
  try {
    SetupList(FList);
  } catch (...) {
    tree->EndUpdate();
    throw;
  }
  tree->EndUpdate();
}

void TZCLCustomComboBoxDropDown::SetupList(TZCLTreeList* List) {
  TZCLTreeListOptionsView* view = List->GetOptionsView();
  view->GetColumns()->SetVisible(false);
  view->GetNodes()->SetGridLines({});
  TZCLTreeListOptionsBehavior* behavior = List->GetOptionsBehavior();
  behavior->SetHotTrack(true);
  behavior->SetIncSearchColumnIndex(0);
  behavior->SetSortingMode(tlsmDisabled);
  List->SetStyle(FComboBox->GetStyleDropDownList());
  List->SetStyleInplaceEdit(FComboBox->GetStyle());
  List->GetSubClass()->SetStyleScrollBox(FComboBox->GetStyleDropDownListScrollBox());
}

void TZCLCustomComboBoxDropDown::ListMouseDown(TObject*, TMouseButton, TShiftState, Integer X, Integer Y) {
  FHitObject = FList->ObjectAtPos(X, Y);
}

void TZCLCustomComboBoxDropDown::ListMouseUp(TObject*, TMouseButton Button, TShiftState, Integer X, Integer Y) {
  TObject* pressed = FHitObject;
  FHitObject = nullptr;
  if (Button == TMouseButton::Left && pressed && FList->ObjectAtPos(X, Y) == pressed) ClickAtObject(FList->GetHitTest());
}

Integer TZCLCustomComboBoxDropDown::CalculateHeight() {
  if (!FList) return 2;
  TZCLTreeListContentViewInfo* content = FList->GetSubClass()->GetContent();
  TZCLCompoundControlContentCellList* rows = content->GetCells();
  if (rows->GetCount() == 0) return 2;
  TZCLCompoundControlBaseContentCell* first = (*rows)[0];
  TZCLCompoundControlBaseContentCell* last = (*rows)[std::min(rows->GetCount(), FComboBox->GetDropDownListSize()) - 1];
  if (!first || !last) return 2;
  return last->Top + last->Height - first->Top + FList->GetHeight() - content->GetViewItemsArea().Height();
}

void TZCLCustomComboBoxDropDown::AdjustSize() {
  SetClientHeight(CalculateHeight());
  inherited::AdjustSize();
}

void TZCLCustomComboBoxDropDown::DoShow() {
  inherited::DoShow();
  // Keys (arrows, type-ahead, Enter) go to the list while it is open.
  SafeSetFocus(FList);
}

void TZCLBasicComboBoxDropDown::AfterConstruction() {
  inherited::AfterConstruction();
  GetBasicComboBox()->DoPrepareDropDownList(FList);
  SyncSelection();
}

void TZCLBasicComboBoxDropDown::SetupList(TZCLTreeList* List) {
  inherited::SetupList(List);
  List->GetOptionsBehavior()->SetGroupsFocus(false);
  List->GetOptionsBehavior()->SetIncSearchMode(ismFilter);
  List->GetSubClass()->OnCustomDrawNode =
      TZCLTreeListCustomDrawNodeEvent(this, &TZCLBasicComboBoxDropDown::ListCustomDrawNode);
  List->OnKeyUp = TKeyEvent(this, &TZCLBasicComboBoxDropDown::ListKeyUp);
  List->GetSubClass()->OnFocusedNodeChanged = TNotifyEvent(this, &TZCLBasicComboBoxDropDown::ListFocusedNodeChanged);
}

void TZCLBasicComboBoxDropDown::ListFocusedNodeChanged(TObject* Sender) {
  // The first key into an unfocused list lands on the top row, which may be a group; the focus
  // belongs on an item.
  auto* tree = static_cast<TZCLTreeListSubClass*>(Sender);
  if (!dynamic_cast<TZCLTreeListGroup*>(tree->FocusedObject)) return;
  if (TObject* next = tree->GetNextObject(tree->FocusedObject, VK_DOWN)) tree->SetFocusedObject(next, true, true);
}

void TZCLBasicComboBoxDropDown::ListCustomDrawNode(TObject*, TCanvas* Canvas, const TRect& R, TZCLTreeListNode* Node,
                                                   bool& Handled) {
  GetBasicComboBox()->DoCustomDrawItem(Canvas, R, Integer(Node->Tag), Handled);
}

void TZCLBasicComboBoxDropDown::ListGetNodeGroup(TObject*, TZCLTreeListNode* Node, String& GroupName) {
  GetBasicComboBox()->DoGetDisplayItemGroupName(Integer(Node->Tag), GroupName);
}

void TZCLBasicComboBoxDropDown::ListKeyUp(TObject*, Word& Key, TShiftState) {
  if (Key == VK_RETURN) ApplySelection();
}

void TZCLBasicComboBoxDropDown::PopulateList(TZCLTreeList* List) {
  TZCLTreeListSubClass* tree = List->GetSubClass();
  tree->BeginUpdate();
  try {
    tree->Clear();
    if (GetBasicComboBox()->HasGroupNames()) {
      tree->OnGetNodeGroup = TZCLTreeListGetNodeGroupEvent(this, &TZCLBasicComboBoxDropDown::ListGetNodeGroup);
      List->GetOptionsBehavior()->SetGroups(true);
    }
    AddItems(List);
  } catch (...) {
    tree->EndUpdate();
    throw;
  }
  tree->EndUpdate();
}

TZCLTreeListNode* TZCLBasicComboBoxDropDown::AddItem(TZCLTreeList* List, const String& Text) {
  TZCLTreeListNode* root = List->GetRootNode();
  const Integer index = root->GetChildrenCount();
  String text = Text;
  GetBasicComboBox()->DoGetDisplayItemName(index, text);
  TZCLTreeListNode* node = root->AddChild({text});
  node->Tag = index;
  return node;
}

void TZCLBasicComboBoxDropDown::SyncSelection() {
  TZCLTreeListNode* node = nullptr;
  if (FList->GetRootNode()->Find(node, NativeInt(GetBasicComboBox()->GetItemIndex()), true)) FList->SetFocusedNode(node);
}

void TZCLBasicComboBoxDropDown::DoShow() {
  inherited::DoShow();
  if (TZCLTreeListNode* node = FList->GetFocusedNode()) FList->GetSubClass()->MakeVisible(node);
}

void TZCLBasicComboBoxDropDown::ClickAtObject(TZCLHitTestInfo* HitTest) {
  if (dynamic_cast<TZCLTreeListNode*>(HitTest->HitObject)) ApplySelection();
}

void TZCLBasicComboBoxDropDown::ApplySelection() {
  // Selecting may close and free this window.
  TZCLBasicComboBoxDropDown* self = nullptr;
  TZCLObjectLinks::RegisterWeakReference(this, self);
  TZCLTreeListNode* node = FList->GetFocusedNode();
  if (node && node->GetSelected()) GetBasicComboBox()->SetItemIndex(Integer(node->Tag));
  if (!self) return;
  TZCLObjectLinks::UnregisterWeakReference(self);
  ClosePopup();
}

void TZCLComboBoxDropDown::SetupList(TZCLTreeList* List) {
  inherited::SetupList(List);
  List->GetOptionsBehavior()->SetIncSearchColumnIndex(static_cast<TZCLComboBox*>(FComboBox)->GetAutoComplete() ? 0 : -1);
}

void TZCLComboBoxDropDown::AddItems(TZCLTreeList* List) {
  TZCLComboBoxStrings* items = static_cast<TZCLComboBox*>(FComboBox)->GetItems();
  TZCLTreeListNode* root = List->GetRootNode();
  root->SetChildrenCapacity(root->GetChildrenCount() + items->GetCount());
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
