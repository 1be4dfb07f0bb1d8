#include "zeph/core/ZEPH.Core.UI.Edits.h"

#include "rtl/RTL.Exceptions.h"
#include "vcl/VCL.ImgList.h"
#include "vcl/VCL.StdCtrls.h"
#include "zcl/ui/controls/ZCL.UI.ComboBox.Check.h"
#include "zcl/ui/controls/ZCL.UI.ComboBox.h"
#include "zcl/ui/controls/ZCL.UI.Edit.Text.h"
#include "zcl/ui/controls/ZCL.UI.Memo.h"
#include "zeph/core/ZEPH.Core.DialogsData.h"

namespace {
// A text handed in where a string is required: null or any other object is refused.
bool RequiredText(IZEPHString* Intf, String& Text) { return Intf && TryPluginStringToStr(Intf, Text); }
}  // namespace

// ---- base edit ------------------------------------------------------------------------------------

void TZEPHUIBaseEditControl::ComponentCreated() {
  TZEPHUIWinControl::ComponentCreated();
  MapProperty(ZEPH_UI_EDIT_PROP_BORDERS, u"Borders", FObject);
  MapProperty(ZEPH_UI_EDIT_PROP_MAX_LENGTH, u"MaxLength", FObject);
  MapProperty(ZEPH_UI_EDIT_PROP_READ_ONLY, u"ReadOnly", FObject);
}

template <class F>
HRESULT TZEPHUIBaseEditControl::OnEdit(F&& Body) {
  return Checked([&] {
    Body(GetEditControl());
    return S_OK;
  });
}

HRESULT TZEPHUIBaseEditControl::CopyToClipboard() {
  return OnEdit([](TCustomEdit* E) { E->CopyToClipboard(); });
}
HRESULT TZEPHUIBaseEditControl::CutToClipboard() {
  return OnEdit([](TCustomEdit* E) { E->CutToClipboard(); });
}
HRESULT TZEPHUIBaseEditControl::PasteFromClipboard() {
  return OnEdit([](TCustomEdit* E) { E->PasteFromClipboard(); });
}
HRESULT TZEPHUIBaseEditControl::SelectAll() {
  return OnEdit([](TCustomEdit* E) { E->SelectAll(); });
}
HRESULT TZEPHUIBaseEditControl::ClearSelection() {
  return OnEdit([](TCustomEdit* E) { E->ClearSelection(); });
}

void TZEPHUIBaseEditControl::DoGetValueAsInt32(Integer PropertyID, Integer& Value, HRESULT& Result) {
  if (PropertyID == ZEPH_UI_EDIT_PROP_SEL_LENGTH) {
    Value = GetEditControl()->GetSelLength();
  } else if (PropertyID == ZEPH_UI_EDIT_PROP_SEL_START) {
    Value = GetEditControl()->GetSelStart();
  } else {
    TZEPHUIWinControl::DoGetValueAsInt32(PropertyID, Value, Result);
  }
}

void TZEPHUIBaseEditControl::DoSetValueAsInt32(Integer PropertyID, Integer Value, HRESULT& Result) {
  if (PropertyID == ZEPH_UI_EDIT_PROP_SEL_LENGTH) {
    GetEditControl()->SetSelLength(Value);
  } else if (PropertyID == ZEPH_UI_EDIT_PROP_SEL_START) {
    GetEditControl()->SetSelStart(Value);
  } else {
    TZEPHUIWinControl::DoSetValueAsInt32(PropertyID, Value, Result);
  }
}

IPtr<IInterface> TZEPHUIBaseEditControl::DoGetValueAsObject(Integer PropertyID) {
  if (PropertyID == ZEPH_UI_EDIT_PROP_SEL_TEXT)
    return IPtr<IInterface>(MakePluginString(GetEditControl()->GetSelText()));
  if (PropertyID == ZEPH_UI_EDIT_PROP_TEXT) return IPtr<IInterface>(MakePluginString(GetEditControl()->GetText()));
  return TZEPHUIWinControl::DoGetValueAsObject(PropertyID);
}

void TZEPHUIBaseEditControl::DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) {
  if (PropertyID != ZEPH_UI_EDIT_PROP_SEL_TEXT && PropertyID != ZEPH_UI_EDIT_PROP_TEXT) {
    TZEPHUIWinControl::DoSetValueAsObject(PropertyID, Value, Result);
    return;
  }
  String text;
  if (!TryPluginStringToStr(Value, text)) {
    Result = E_INVALIDARG;
    return;
  }
  if (PropertyID == ZEPH_UI_EDIT_PROP_SEL_TEXT)
    GetEditControl()->SetSelText(text);
  else
    GetEditControl()->SetText(text);
}

// ---- edits with buttons ---------------------------------------------------------------------------

TZCLCustomEdit* TZEPHUIBaseButtonedEditControl::AsEdit() const { return dynamic_cast<TZCLCustomEdit*>(FObject); }

TCustomEdit* TZEPHUIBaseButtonedEditControl::GetEditControl() {
  auto* edit = dynamic_cast<TZCLCustomTextEdit*>(FObject);
  if (!edit) throw EInvalidOperation(u"The control has no text editor");
  edit->HandleNeeded();
  if (!edit->GetInnerEdit()) throw EInvalidOperation(u"The control has no text editor");
  return edit->GetInnerEdit();
}

void TZEPHUIBaseButtonedEditControl::BindEvents() {
  TZEPHUIBaseEditControl::BindEvents();
  TZCLCustomEdit* edit = AsEdit();
  if (TdmDialogsData* data = dmDialogsData()) edit->SetButtonsImages(data->GetSmallImages(edit));
  edit->OnChange = TNotifyEvent(static_cast<TZEPHUIComponent*>(this), &TZEPHUIComponent::DoChanged);
}

void TZEPHUIBaseButtonedEditControl::UnbindEvents() {
  TZEPHUIBaseEditControl::UnbindEvents();
  if (TZCLCustomEdit* edit = AsEdit()) edit->OnChange = nullptr;
}

HRESULT TZEPHUIBaseButtonedEditControl::AddButton(IInterface* EventsHandler, IPtr<IZEPHUIEditButton>& Button) {
  Button = nullptr;
  return Checked([&] {
    TZCLEditButtons* buttons = AsEdit()->GetButtons();
    TZCLEditButton* button = nullptr;
    buttons->BeginUpdate();
    try {
      button = buttons->Add(String());
    } catch (...) {
      buttons->EndUpdate();
      throw;
    }
    buttons->EndUpdate();
    Button = IPtr<IZEPHUIEditButton>(Create<TZEPHUIBaseButtonedEditButton>(EventsHandler, button));
    return S_OK;
  });
}

HRESULT TZEPHUIBaseButtonedEditControl::DeleteButton(Integer Index) {
  return Checked([&] {
    AsEdit()->GetButtons()->Delete(Index);
    return S_OK;
  });
}

HRESULT TZEPHUIBaseButtonedEditControl::DeleteButtonObject(IZEPHUIEditButton* Button) {
  return Checked([&] {
    auto* button = static_cast<TZCLEditButton*>(AdapterGetObjectChecked(Button, TZCLEditButton::StaticClass()));
    // Only a button of this edit: another control's button is not ours to free.
    if (!button || button->GetCollection() != AsEdit()->GetButtons()) return E_UNEXPECTED;
    Free(button);
    return S_OK;
  });
}

HRESULT TZEPHUIBaseButtonedEditControl::GetButton(Integer Index, IPtr<IZEPHUIEditButton>& Button) {
  Button = nullptr;
  return Checked([&] {
    Button = TZEPHUIBaseButtonedEditButton::ViewOf(AsEdit()->GetButtons()->GetItem(Index), nullptr);
    return S_OK;
  });
}

Integer TZEPHUIBaseButtonedEditControl::GetButtonCount() {
  return CheckState() < 0 ? -1 : AsEdit()->GetButtons()->GetCount();
}

IPtr<IInterface> TZEPHUIBaseButtonedEditControl::DoGetValueAsObject(Integer PropertyID) {
  if (PropertyID == ZEPH_UI_EDIT_PROP_BUTTON_IMAGES) {
    IPtr<IInterface> adapter;
    TZEPHCoreAdaptersMap::GetAdapter(adapter, AsEdit()->GetButtonsImages(), soReference);
    return adapter;
  }
  return TZEPHUIBaseEditControl::DoGetValueAsObject(PropertyID);
}

void TZEPHUIBaseButtonedEditControl::DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) {
  if (PropertyID == ZEPH_UI_EDIT_PROP_BUTTON_IMAGES) {
    AsEdit()->SetButtonsImages(
        static_cast<TCustomImageList*>(AdapterGetObjectChecked(Value, TCustomImageList::StaticClass())));
    return;
  }
  TZEPHUIBaseEditControl::DoSetValueAsObject(PropertyID, Value, Result);
}

// ---- edit -----------------------------------------------------------------------------------------

TComponent* TZEPHUIEditControl::CreateComponent(TComponent* Owner) { return Create<TZCLEdit>(Owner); }

void TZEPHUIEditControl::ComponentCreated() {
  TZEPHUIBaseButtonedEditControl::ComponentCreated();
  MapProperty(ZEPH_UI_EDIT_PROP_PASSWORD_CHAR, u"PasswordChar", FObject);
  MapProperty(ZEPH_UI_EDIT_PROP_TEXT_HINT, u"TextHint", FObject);
}

// ---- memo -----------------------------------------------------------------------------------------

TZCLMemo* TZEPHUIMemoControl::AsMemo() const { return dynamic_cast<TZCLMemo*>(FObject); }

TComponent* TZEPHUIMemoControl::CreateComponent(TComponent* Owner) {
  auto* memo = Create<TZCLMemo>(Owner);
  memo->SetScrollBars(ssBoth);
  return memo;
}

TCustomEdit* TZEPHUIMemoControl::GetEditControl() {
  TZCLMemo* memo = AsMemo();
  memo->HandleNeeded();
  return memo->GetInnerMemo();
}

void TZEPHUIMemoControl::BindEvents() {
  TZEPHUIBaseEditControl::BindEvents();
  AsMemo()->OnChange = TNotifyEvent(static_cast<TZEPHUIComponent*>(this), &TZEPHUIComponent::DoChanged);
}

void TZEPHUIMemoControl::UnbindEvents() {
  TZEPHUIBaseEditControl::UnbindEvents();
  if (TZCLMemo* memo = AsMemo()) memo->OnChange = nullptr;
}

HRESULT TZEPHUIMemoControl::AddLine(IZEPHString* Text) {
  return Checked([&] {
    String text;
    if (!RequiredText(Text, text)) return E_INVALIDARG;
    AsMemo()->GetLines()->Add(text);
    return S_OK;
  });
}

HRESULT TZEPHUIMemoControl::Clear() {
  return Checked([&] {
    AsMemo()->GetLines()->Clear();
    return S_OK;
  });
}

HRESULT TZEPHUIMemoControl::Delete(Integer Index) {
  return Checked([&] {
    AsMemo()->GetLines()->Delete(Index);
    return S_OK;
  });
}

HRESULT TZEPHUIMemoControl::Insert(Integer Index, IZEPHString* Text) {
  return Checked([&] {
    String text;
    if (!RequiredText(Text, text)) return E_INVALIDARG;
    AsMemo()->GetLines()->Insert(Index, text);
    return S_OK;
  });
}

HRESULT TZEPHUIMemoControl::GetLine(Integer Index, IPtr<IZEPHString>& Text) {
  Text = nullptr;
  return Checked([&] {
    Text = MakePluginString(AsMemo()->GetLines()->GetStrings(Index));
    return S_OK;
  });
}

Integer TZEPHUIMemoControl::GetLineCount() { return CheckState() < 0 ? -1 : AsMemo()->GetLines()->GetCount(); }

HRESULT TZEPHUIMemoControl::SetLine(Integer Index, IZEPHString* Text) {
  return Checked([&] {
    AsMemo()->GetLines()->SetStrings(Index, PluginStringToStr(Text));
    return S_OK;
  });
}

HRESULT TZEPHUIMemoControl::LoadFromFile(IZEPHString* FileName) {
  return Checked([&] {
    String name;
    if (!RequiredText(FileName, name)) return E_INVALIDARG;
    AsMemo()->GetLines()->LoadFromFile(name);
    return S_OK;
  });
}

HRESULT TZEPHUIMemoControl::SaveToFile(IZEPHString* FileName) {
  return Checked([&] {
    String name;
    if (!RequiredText(FileName, name)) return E_INVALIDARG;
    AsMemo()->GetLines()->SaveToFile(name);
    return S_OK;
  });
}

// A plugin stream that refuses to read, grow or write ends the call with E_UNEXPECTED.
HRESULT TZEPHUIMemoControl::LoadFromStream(IZEPHStream* Stream) {
  return Checked([&] {
    if (!Stream) return E_INVALIDARG;
    TZEPHStreamWrapper stream(Stream);
    AsMemo()->GetLines()->LoadFromStream(&stream);
    return S_OK;
  });
}

HRESULT TZEPHUIMemoControl::SaveToStream(IZEPHStream* Stream) {
  return Checked([&] {
    if (!Stream) return E_INVALIDARG;
    TZEPHStreamWrapper stream(Stream);
    AsMemo()->GetLines()->SaveToStream(&stream);
    return S_OK;
  });
}

void TZEPHUIMemoControl::DoGetValueAsInt64(Integer PropertyID, Int64& Value, HRESULT& Result) {
  if (PropertyID != ZEPH_UI_MEMO_PROP_CARET_POS) {
    TZEPHUIBaseEditControl::DoGetValueAsInt64(PropertyID, Value, Result);
    return;
  }
  GetEditControl();
  const TPoint p = AsMemo()->GetCaretPos();
  Value = Int64(UInt64(Cardinal(p.Y)) << 32 | Cardinal(p.X));
}

void TZEPHUIMemoControl::DoSetValueAsInt64(Integer PropertyID, Int64 Value, HRESULT& Result) {
  if (PropertyID != ZEPH_UI_MEMO_PROP_CARET_POS) {
    TZEPHUIBaseEditControl::DoSetValueAsInt64(PropertyID, Value, Result);
    return;
  }
  GetEditControl();
  AsMemo()->SetCaretPos(TPoint(Integer(Cardinal(UInt64(Value) & 0xFFFFFFFFu)), Integer(UInt64(Value) >> 32)));
}

// ---- combo boxes ----------------------------------------------------------------------------------

void TZEPHUIBaseComboBoxControl::DoAdd(IInterface* Item, Integer Data) {
  AddItem(PluginStringToStr(Item), Data);
  FItemObjects.emplace_back(Item);
}

HRESULT TZEPHUIBaseComboBoxControl::Add(IInterface* Item, Integer Data) {
  return Checked([&] {
    DoAdd(Item, Data);
    return S_OK;
  });
}

HRESULT TZEPHUIBaseComboBoxControl::AddList(IZEPHObjectList* List) {
  return Checked([&] {
    if (!List) return S_OK;
    BeginItemsUpdate();
    try {
      const Integer count = List->GetCount();
      for (Integer i = 0; i < count; ++i) {
        void* obj = nullptr;
        if (List->GetObject(i, IIDOf<IInterface>(), &obj) < 0 || !obj) continue;
        auto entry = IPtr<IInterface>::Adopt(static_cast<IInterface*>(obj));
        DoAdd(entry.get(), 0);
      }
    } catch (...) {
      EndItemsUpdate();
      throw;
    }
    EndItemsUpdate();
    return S_OK;
  });
}

HRESULT TZEPHUIBaseComboBoxControl::Clear() {
  return Checked([&] {
    // Released outside the member: a plugin object's last reference may call back.
    std::vector<IPtr<IInterface>> objects;
    objects.swap(FItemObjects);
    ClearItems();
    return S_OK;
  });
}

HRESULT TZEPHUIBaseComboBoxControl::Delete(Integer Index) {
  return Checked([&] {
    DeleteItem(Index);
    if (Index >= 0 && Index < Integer(FItemObjects.size())) {
      IPtr<IInterface> object = std::move(FItemObjects[Index]);
      FItemObjects.erase(FItemObjects.begin() + Index);
    }
    return S_OK;
  });
}

IInterface* TZEPHUIBaseComboBoxControl::ItemObject(Integer Index) const {
  return Index >= 0 && Index < Integer(FItemObjects.size()) ? FItemObjects[Index].get() : nullptr;
}

HRESULT TZEPHUIBaseComboBoxControl::GetItem(Integer Index, const TGUID& IID, void** Obj) {
  if (Obj) *Obj = nullptr;
  return Checked([&] {
    if (Index < 0 || Index >= Integer(FItemObjects.size())) throw EListError(u"List index out of bounds");
    IInterface* object = FItemObjects[Index].get();
    if (!object || object->QueryInterface(IID, Obj) < 0) return E_FAIL;
    return S_OK;
  });
}

HRESULT TZEPHUIBaseComboBoxControl::SetItem(Integer Index, IInterface* Item) {
  return Checked([&] {
    if (Index < 0 || Index >= Integer(FItemObjects.size())) throw EListError(u"List index out of bounds");
    SetItemText(Index, PluginStringToStr(Item));
    IPtr<IInterface> old = std::move(FItemObjects[Index]);
    FItemObjects[Index] = IPtr<IInterface>(Item);
    return S_OK;
  });
}

void TZEPHUIBaseComboBoxControl::DoBeginUpdate() { BeginItemsUpdate(); }
void TZEPHUIBaseComboBoxControl::DoEndUpdate() { EndItemsUpdate(); }

// -- plain combo box --

namespace {
TZCLComboBox* Combo(TObject* Object) { return static_cast<TZCLComboBox*>(Object); }
TZCLCheckComboBox* CheckCombo(TObject* Object) { return static_cast<TZCLCheckComboBox*>(Object); }
TZCLImageComboBox* ImageCombo(TObject* Object) { return static_cast<TZCLImageComboBox*>(Object); }
}  // namespace

TComponent* TZEPHUIComboBoxControl::CreateComponent(TComponent* Owner) { return Create<TZCLComboBox>(Owner); }

void TZEPHUIComboBoxControl::ComponentCreated() {
  TZEPHUIBaseComboBoxControl::ComponentCreated();
  MapProperty(ZEPH_UI_COMBO_PROP_AUTO_COMPLETE, u"AutoComplete", FObject);
  MapProperty(ZEPH_UI_COMBO_PROP_ITEM_INDEX, u"ItemIndex", FObject);
  MapProperty(ZEPH_UI_COMBO_PROP_TEXT, u"Text", FObject);
  MapProperty(ZEPH_UI_COMBO_PROP_MODE, u"Mode", FObject);
}

// One change per user action: typing counts in an editable box, picking in a pick list.
void TZEPHUIComboBoxControl::BindEvents() {
  TZEPHUIBaseComboBoxControl::BindEvents();
  Combo(FObject)->OnChange = TNotifyEvent(this, &TZEPHUIComboBoxControl::ComboChange);
  Combo(FObject)->OnSelect = TNotifyEvent(this, &TZEPHUIComboBoxControl::ComboSelect);
}

void TZEPHUIComboBoxControl::UnbindEvents() {
  TZEPHUIBaseComboBoxControl::UnbindEvents();
  if (FObject) Combo(FObject)->OnSelect = nullptr;
}

void TZEPHUIComboBoxControl::ComboChange(TObject* Sender) {
  if (FObject && Combo(FObject)->GetMode() == cbmEdit) DoChanged(Sender);
}

void TZEPHUIComboBoxControl::ComboSelect(TObject* Sender) {
  if (FObject && Combo(FObject)->GetMode() == cbmList) DoChanged(Sender);
}

IPtr<IInterface> TZEPHUIComboBoxControl::DoGetValueAsObject(Integer PropertyID) {
  if (PropertyID == ZEPH_UI_COMBO_PROP_ITEM_OBJECT) {
    const Integer index = Combo(FObject)->GetItemIndex();
    return IPtr<IInterface>(index < 0 ? nullptr : ItemObject(index));
  }
  return TZEPHUIBaseComboBoxControl::DoGetValueAsObject(PropertyID);
}

void TZEPHUIComboBoxControl::AddItem(const String& Text, Integer) { Combo(FObject)->GetItems()->Add(Text); }
void TZEPHUIComboBoxControl::ClearItems() { Combo(FObject)->GetItems()->Clear(); }
void TZEPHUIComboBoxControl::DeleteItem(Integer Index) { Combo(FObject)->GetItems()->Delete(Index); }
void TZEPHUIComboBoxControl::SetItemText(Integer Index, const String& Text) {
  Combo(FObject)->GetItems()->SetStrings(Index, Text);
}
void TZEPHUIComboBoxControl::BeginItemsUpdate() { Combo(FObject)->GetItems()->BeginUpdate(); }
void TZEPHUIComboBoxControl::EndItemsUpdate() { Combo(FObject)->GetItems()->EndUpdate(); }

// -- check combo box --

TComponent* TZEPHUICheckComboBoxControl::CreateComponent(TComponent* Owner) { return Create<TZCLCheckComboBox>(Owner); }

void TZEPHUICheckComboBoxControl::ComponentCreated() {
  TZEPHUIBaseComboBoxControl::ComponentCreated();
  MapProperty(ZEPH_UI_CHECK_COMBO_PROP_TEXT, u"Text", FObject);
}

Integer TZEPHUICheckComboBoxControl::GetChecked(Integer Index) {
  if (CheckState() < 0) return 0;
  TZCLCheckComboBoxItems* items = CheckCombo(FObject)->GetItems();
  if (Index < 0 || Index >= items->GetCount()) return 0;
  return items->GetItem(Index)->GetChecked() ? -1 : 0;
}

HRESULT TZEPHUICheckComboBoxControl::SetChecked(Integer Index, LongBool Checked) {
  HRESULT r = CheckState();
  if (r < 0) return r;
  try {
    CheckCombo(FObject)->GetItems()->GetItem(Index)->SetChecked(Checked != 0);
    return S_OK;
  } catch (...) {
    return E_INVALIDARG;
  }
}

void TZEPHUICheckComboBoxControl::AddItem(const String& Text, Integer Data) {
  CheckCombo(FObject)->GetItems()->Add(Text, Data != 0);
}
void TZEPHUICheckComboBoxControl::ClearItems() { CheckCombo(FObject)->GetItems()->Clear(); }
void TZEPHUICheckComboBoxControl::DeleteItem(Integer Index) { CheckCombo(FObject)->GetItems()->Delete(Index); }
void TZEPHUICheckComboBoxControl::SetItemText(Integer Index, const String& Text) {
  CheckCombo(FObject)->GetItems()->GetItem(Index)->SetText(Text);
}
void TZEPHUICheckComboBoxControl::BeginItemsUpdate() { CheckCombo(FObject)->GetItems()->BeginUpdate(); }
void TZEPHUICheckComboBoxControl::EndItemsUpdate() { CheckCombo(FObject)->GetItems()->EndUpdate(); }

// -- image combo box --

TComponent* TZEPHUIImageComboBoxControl::CreateComponent(TComponent* Owner) { return Create<TZCLImageComboBox>(Owner); }

void TZEPHUIImageComboBoxControl::ComponentCreated() {
  TZEPHUIBaseComboBoxControl::ComponentCreated();
  MapProperty(ZEPH_UI_IMAGE_COMBO_PROP_IMAGES, u"Images", FObject);
  MapProperty(ZEPH_UI_IMAGE_COMBO_PROP_ITEM_INDEX, u"ItemIndex", FObject);
}

void TZEPHUIImageComboBoxControl::BindEvents() {
  TZEPHUIBaseComboBoxControl::BindEvents();
  ImageCombo(FObject)->OnSelect = TNotifyEvent(static_cast<TZEPHUIComponent*>(this), &TZEPHUIComponent::DoChanged);
}

void TZEPHUIImageComboBoxControl::UnbindEvents() {
  TZEPHUIBaseComboBoxControl::UnbindEvents();
  if (FObject) ImageCombo(FObject)->OnSelect = nullptr;
}

Integer TZEPHUIImageComboBoxControl::GetImageIndex(Integer Index) {
  if (CheckState() < 0) return -1;
  TZCLImageComboBoxItems* items = ImageCombo(FObject)->GetItems();
  if (Index < 0 || Index >= items->GetCount()) return -1;
  return items->GetItem(Index)->GetImageIndex();
}

HRESULT TZEPHUIImageComboBoxControl::SetImageIndex(Integer Index, Integer ImageIndex) {
  return Checked([&] {
    ImageCombo(FObject)->GetItems()->GetItem(Index)->SetImageIndex(ImageIndex);
    return S_OK;
  });
}

void TZEPHUIImageComboBoxControl::AddItem(const String& Text, Integer Data) {
  ImageCombo(FObject)->GetItems()->Add(Text, Data);
}
void TZEPHUIImageComboBoxControl::ClearItems() { ImageCombo(FObject)->GetItems()->Clear(); }
void TZEPHUIImageComboBoxControl::DeleteItem(Integer Index) { ImageCombo(FObject)->GetItems()->Delete(Index); }
void TZEPHUIImageComboBoxControl::SetItemText(Integer Index, const String& Text) {
  ImageCombo(FObject)->GetItems()->GetItem(Index)->SetText(Text);
}
void TZEPHUIImageComboBoxControl::BeginItemsUpdate() { ImageCombo(FObject)->GetItems()->BeginUpdate(); }
void TZEPHUIImageComboBoxControl::EndItemsUpdate() { ImageCombo(FObject)->GetItems()->EndUpdate(); }

// ---- edit buttons ---------------------------------------------------------------------------------

TZEPHUIBaseButtonedEditButton::TZEPHUIBaseButtonedEditButton(IInterface* EventsHandler, TZCLEditButton* Button)
    : TZEPHUIComponent(EventsHandler, nullptr) {
  SetObject(Button);
}

IPtr<IZEPHUIEditButton> TZEPHUIBaseButtonedEditButton::ViewOf(TZCLEditButton* Button, IInterface* EventsHandler) {
  if (auto view = TZCLObjectLinks::GetExtension<IZEPHUIEditButton>(Button)) return view;
  return IPtr<IZEPHUIEditButton>(Create<TZEPHUIBaseButtonedEditButton>(EventsHandler, Button));
}

void TZEPHUIBaseButtonedEditButton::ComponentCreated() {
  auto* button = static_cast<TZCLEditButton*>(FObject);
  static const Char* const names[] = {u"Caption", u"Enabled", u"Hint", u"Index", u"ImageIndex", u"Visible", u"Width"};
  for (Integer i = 0; i < 7; ++i) MapProperty(i + 1, names[i], button);
  button->OnClick = TNotifyEvent(static_cast<TZEPHUIComponent*>(this), &TZEPHUIComponent::DoChanged);
  // The button holds its view: found again by GetButton, alive while the button is.
  TZCLObjectLinks::RegisterExtension(button, IPtr<IInterface>(static_cast<IZEPHUIEditButton*>(this)));
}

void TZEPHUIBaseButtonedEditButton::UnbindEvents() {
  if (auto* button = static_cast<TZCLEditButton*>(FObject))
    if (button->OnClick == TNotifyEvent(static_cast<TZEPHUIComponent*>(this), &TZEPHUIComponent::DoChanged))
      button->OnClick = nullptr;
}

void TZEPHUIBaseButtonedEditButton::BeforeDestruction() {
  UnbindEvents();
  TZEPHUIComponent::BeforeDestruction();
}
