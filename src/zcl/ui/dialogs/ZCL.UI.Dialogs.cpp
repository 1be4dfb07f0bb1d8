#include "zcl/ui/dialogs/ZCL.UI.Dialogs.h"

#include <algorithm>
#include <memory>

#include "os/OS.Dialogs.h"
#include "os/OS.Files.h"
#include "os/OS.Input.h"
#include "os/OS.System.h"
#include "os/OS.Text.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "vcl/VCL.Graphics.h"
#include "vcl/VCL.Imaging.h"
#include "vcl/VCL.ImgList.h"
#include "vcl/VCL.Messages.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zcl/ui/ZCL.UI.ImageList.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"
#include "zcl/ui/controls/ZCL.UI.AeroPeek.h"
#include "zcl/ui/controls/ZCL.UI.ComboBox.Check.h"
#include "zcl/ui/controls/ZCL.UI.ComboBox.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Buttons.h"
#include "zcl/ui/controls/ZCL.UI.Edit.Text.h"
#include "zcl/ui/controls/ZCL.UI.Labels.h"
#include "zcl/ui/controls/ZCL.UI.Memo.h"
#include "zcl/ui/controls/ZCL.UI.Panels.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.Impl.h"

namespace {

constexpr const char16_t* CommonDialogsSection = u"CommonDialogs";

TZCLStringList* GFolderMemory = nullptr;

struct TFreeIcon {
  void operator()(TIcon* Icon) const { Free(Icon); }
};
using TOwnedIcon = std::unique_ptr<TIcon, TFreeIcon>;

TZCLButton* NewButton(TWinControl* Parent) {
  auto* button = Create<TZCLButton>(static_cast<TComponent*>(Parent));
  button->SetParent(Parent);
  return button;
}

}  // namespace

// ---- common dialog texts ----------------------------------------------------------------------

void TZCLDialogsStrs::SetDefaults() {
  ApplyCaption = u"Apply";
  BrowseFolderCaption = u"Browse Folder";
  NewFolderCaption = u"New folder";
  IncludeSubFoldersCaption = u"Include sub-folders";
  const char16_t* buttons[12] = {u"&Yes",    u"&No",  u"OK",         u"Cancel",      u"&Abort", u"&Retry",
                                 u"&Ignore", u"&All", u"N&o to All", u"Yes to &All", u"&Help",  u"&Close"};
  for (int i = 0; i < 12; ++i) ButtonCaptions[i] = buttons[i];
  const char16_t* messages[5] = {u"Warning", u"Error", u"Information", u"Confirm", u""};
  for (int i = 0; i < 5; ++i) MessageCaptions[i] = messages[i];
  zcSizeUnitBytes = u"B";
  zcSizeUnitKB = u"KB";
  zcSizeUnitMB = u"MB";
  zcSizeUnitGB = u"GB";
}

void TZCLDialogsStrs::Localize() { Localize(LangFile()); }

void TZCLDialogsStrs::Localize(TZCLIniFile* Lang) {
  SetDefaults();
  if (!Lang) return;
  auto read = [&](const char16_t* Key, String& Text) { Text = Lang->ReadString(CommonDialogsSection, Key, Text); };
  read(u"L1", BrowseFolderCaption);
  read(u"L2", IncludeSubFoldersCaption);
  read(u"B3", NewFolderCaption);
  read(u"B4", ApplyCaption);
  // "|"-separated lists: empty or missing parts keep the defaults.
  auto parts = [&](const char16_t* Key, String* Texts, int Count) {
    const String list = Lang->ReadString(CommonDialogsSection, Key, String());
    for (int i = 0; i < Count; ++i)
      if (String part = LangExtractPart(list, i); !part.empty()) Texts[i] = part;
  };
  parts(u"BS", ButtonCaptions, 12);
  parts(u"MsgBoxCaptions", MessageCaptions, 5);
  String sizes[4] = {zcSizeUnitBytes, zcSizeUnitKB, zcSizeUnitMB, zcSizeUnitGB};
  parts(u"SizePrefixes", sizes, 4);
  zcSizeUnitBytes = sizes[0];
  zcSizeUnitKB = sizes[1];
  zcSizeUnitMB = sizes[2];
  zcSizeUnitGB = sizes[3];
}

void MessageBeep(TZCLDialogIconKind IconKind) {
  switch (IconKind) {
    case dikWarning:
      ::MessageBeep(MB_SOUNDEXCLAMATION);
      break;
    case dikError:
      ::MessageBeep(MB_SOUNDHAND);
      break;
    case dikInformation:
      ::MessageBeep(MB_SOUNDASTERISK);
      break;
    case dikConfirmation:
      ::MessageBeep(MB_SOUNDQUESTION);
      break;
    case dikNone:
      ::MessageBeep(MB_SIMPLEBEEP);
      break;
  }
}

// ---- dialog base -------------------------------------------------------------------------------

void TZCLCustomDialog::AfterConstruction() {
  inherited::AfterConstruction();
  SetPosition(poOwnerFormCenter);
}

TZCLCustomInputDialog::TZCLCustomInputDialog(TComponent* AOwner) : TZCLCustomDialog(AOwner) {}

const TMessageTable& TZCLCustomInputDialog::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(), {});
  return table;
}

void TZCLCustomInputDialog::AfterConstruction() {
  inherited::AfterConstruction();
  GetPadding()->SetAll(7);
  SetBorderStyle(bsDialog);
  SetDoubleBuffered(true);
  SetClientWidth(Scaled(335));
}

void TZCLCustomInputDialog::CreateControls() {
  FButtonOK = NewButton(this);
  FButtonOK->SetCaption(TZCLDialogsStrs::ButtonCaptions[dbOK]);
  FButtonOK->SetDefault(true);
  FButtonOK->SetModalResult(mrOk);
  FButtonOK->OnClick = TNotifyEvent(this, &TZCLCustomInputDialog::ButtonApplyClick);
  FButtonCancel = NewButton(this);
  FButtonCancel->SetCaption(TZCLDialogsStrs::ButtonCaptions[dbCancel]);
  FButtonCancel->SetModalResult(mrCancel);
  FButtonCancel->OnClick = TNotifyEvent(this, &TZCLCustomInputDialog::ButtonCancelClick);
  FButtonApply = NewButton(this);
  FButtonApply->SetCaption(TZCLDialogsStrs::ApplyCaption);
  FButtonApply->OnClick = TNotifyEvent(this, &TZCLCustomInputDialog::ButtonApplyClick);
  FButtonApply->SetVisible(false);
  UpdateButtonsState();
}

void TZCLCustomInputDialog::SetModified(bool Value) {
  FModified = Value;
  UpdateButtonsState();
}

void TZCLCustomInputDialog::DoApply() { SetModified(false); }

void TZCLCustomInputDialog::UpdateButtonsState() {
  if (!FButtonOK) return;
  const bool can = CanApply();
  FButtonOK->SetEnabled(can);
  FButtonApply->SetEnabled(can && FModified);
}

TRect TZCLCustomInputDialog::ContentRect() {
  TRect r = GetClientRect();
  const TRect pad = GetPadding()->GetScaledRect(GetCurrentPPI());
  return TRect(r.Left + pad.Left, r.Top + pad.Top, r.Right - pad.Right, r.Bottom - pad.Bottom);
}

void TZCLCustomInputDialog::CalculateLayout(TRect& R) {
  const Integer height = Scaled(25), width = Scaled(96), gap = Scaled(6);
  Integer right = R.Right;
  for (TZCLButton* button : {FButtonApply, FButtonCancel, FButtonOK}) {
    if (!button || (!button->GetVisible() && button != FButtonOK)) continue;
    button->SetBounds(right - width, R.Top, width, height);
    right -= width + gap;
  }
  R.Bottom = R.Top + height;
}

void TZCLCustomInputDialog::UpdateLayout() {
  TRect r = ContentRect();
  const TRect pad = GetPadding()->GetScaledRect(GetCurrentPPI());
  CalculateLayout(r);
  FLastContentRect = ContentRect();
  SetClientWidth(r.Right + pad.Right);
  SetClientHeight(r.Bottom + pad.Bottom);
  FLastContentRect = ContentRect();
}

void TZCLCustomInputDialog::DoShow() {
  UpdateLayout();
  inherited::DoShow();
}

void TZCLCustomInputDialog::Resize() {
  inherited::Resize();
  if (FButtonOK && ContentRect() != FLastContentRect) {
    TRect r = ContentRect();
    FLastContentRect = r;
    CalculateLayout(r);
  }
}

void TZCLCustomInputDialog::DPIChanged() {
  inherited::DPIChanged();
  if (FButtonOK) UpdateLayout();
}

bool TZCLCustomInputDialog::DialogKey(TMessage& Message) {
  // A focused button answers its own keys (Enter clicks it, Escape a Cancel button).
  if (dynamic_cast<TZCLSimpleButton*>(GetActiveControl()) &&
      GetActiveControl()->Perform(CM_DIALOGKEY, Message.WParam, Message.LParam) != 0)
    return true;
  if (Message.WParam == VK_RETURN) {
    if (CanApply()) {
      DoApply();
      SetModalResult(mrOk);
    }
    return true;
  }
  if (Message.WParam == VK_ESCAPE) {
    SetModalResult(mrCancel);
    return true;
  }
  return inherited::DialogKey(Message);
}

// ---- message box -------------------------------------------------------------------------------

TZCLMessageDialog::~TZCLMessageDialog() { Free(FIcon); }

TZCLDialogIconKind TZCLMessageDialog::IconKindFromFlags(Cardinal Flags) {
  if (Flags & 0x40) return dikInformation;
  if ((Flags & 0x30) == 0x30) return dikWarning;
  if (Flags & 0x20) return dikConfirmation;
  if (Flags & 0x10) return dikError;
  return dikNone;
}

void TZCLMessageDialog::CreateControls() {
  inherited::CreateControls();
  // The buttons only close with their modal result.
  for (TZCLButton* button : {FButtonOK, FButtonCancel, FButtonApply}) button->OnClick = nullptr;
  FTextLabel = Create<TZCLLabel>(static_cast<TComponent*>(this));
  FTextLabel->SetParent(this);
  FTextLabel->GetStyle()->SetWordWrap(true);
  FTextLabel->SetAutoSize(true);
}

void TZCLMessageDialog::SetupButtons(Cardinal Flags) {
  struct TRow {
    TZCLDialogButton Caption;
    TModalResult Result;
  };
  std::vector<TRow> rows;
  switch (Flags & 0xF) {
    case 1:
      rows = {{dbOK, mrOk}, {dbCancel, mrCancel}};
      break;
    case 2:
      rows = {{dbAbort, mrAbort}, {dbRetry, mrRetry}, {dbIgnore, mrIgnore}};
      break;
    case 3:
      rows = {{dbYes, mrYes}, {dbNo, mrNo}, {dbCancel, mrCancel}};
      break;
    case 4:
      rows = {{dbYes, mrYes}, {dbNo, mrNo}};
      break;
    case 5:
      rows = {{dbRetry, mrRetry}, {dbCancel, mrCancel}};
      break;
    default:
      rows = {{dbOK, mrOk}};
  }
  if (rows.size() > 3) throw EInvalidArgument(u"MsgDlg: button limit has been exceed");
  size_t defaultRow = (Flags & 0x200) ? 2 : (Flags & 0x100) ? 1 : 0;
  if (defaultRow >= rows.size()) defaultRow = 0;  // a default beyond the set falls back to the first
  TZCLButton* places[3] = {FButtonOK, FButtonCancel, FButtonApply};
  for (size_t i = 0; i < 3; ++i) {
    TZCLButton* button = places[i];
    const bool shown = i < rows.size();
    button->SetVisible(shown);
    button->SetDefault(false);
    button->SetCancel(false);
    if (!shown) continue;
    button->SetCaption(TZCLDialogsStrs::ButtonCaptions[rows[i].Caption]);
    button->SetModalResult(rows[i].Result);
    button->SetCancel(rows[i].Caption == dbCancel);
    if (i == defaultRow) {
      button->SetDefault(true);
      SetActiveControl(button);
    }
  }
  SetModified(true);
}

TZCLMessageDialog* TZCLMessageDialog::Prepare(HWND OwnerWindow, const String& Text, const String& Caption,
                                              Cardinal Flags) {
  if (!OwnerWindow && Application->GetMainForm()) OwnerWindow = Application->GetMainForm()->GetHandle();
  TZCLMessageDialog* dialog = CreateDialog<TZCLMessageDialog>(OwnerWindow);
  try {
    dialog->SetClientWidth(dialog->Scaled(400));
    dialog->CreateControls();
    dialog->FTextLabel->SetCaption(Text);
    dialog->SetCaption(Caption);
    dialog->FIconKind = IconKindFromFlags(Flags);
    dialog->SetupButtons(Flags);
    if (Caption.empty()) dialog->SetCaption(TZCLDialogsStrs::MessageCaptions[dialog->FIconKind]);
    dialog->FForceForeground = (Flags & 0x1000) != 0;
    dialog->FIcon = LoadStockIcon(dialog->FIconKind, dialog->Scaled(32));
    dialog->FIconImage = Create<TZCLDialogImage>(static_cast<TComponent*>(dialog));
    dialog->FIconImage->SetParent(dialog);
    dialog->FIconImage->SetGraphic(dialog->FIcon);
    dialog->FIconImage->SetVisible(dialog->FIcon != nullptr);
  } catch (...) {
    Free(dialog);
    throw;
  }
  return dialog;
}

std::vector<TZCLButton*> TZCLMessageDialog::VisibleButtons() const {
  std::vector<TZCLButton*> result;
  for (TZCLButton* button : {FButtonOK, FButtonCancel, FButtonApply})
    if (button->GetVisible()) result.push_back(button);
  std::sort(result.begin(), result.end(), [](TZCLButton* A, TZCLButton* B) { return A->GetLeft() < B->GetLeft(); });
  return result;
}

void TZCLMessageDialog::CalculateLayout(TRect& R) {
  const Integer padding = GetPadding()->GetScaledRect(GetCurrentPPI()).Left;
  const Integer size = Scaled(32);
  FIconRect = FIcon ? TRect(R.Left, R.Top, R.Left + size, R.Top + size) : TRect(R.Left, R.Top, R.Left, R.Top);
  const Integer left = FIcon ? FIconRect.Right + padding : R.Left;
  const Integer screenHalf = std::max(1, Screen->GetWidth() / 2);
  const Integer maxWidth = std::min(std::max(1, R.Right - left), screenHalf);
  // Auto-sized: the wrapped text's extent at the width offered.
  FTextLabel->SetBounds(left, R.Top, maxWidth, 0);
  const TSize text(FTextLabel->GetWidth(), FTextLabel->GetHeight());
  FIconImage->SetBoundsRect(FIconRect);
  R.Right = std::max(R.Right, left + text.cx);
  R.Top = std::max(FIconRect.Bottom, R.Top + text.cy) + 2 * padding;
  inherited::CalculateLayout(R);
}

void TZCLMessageDialog::DoShow() {
  inherited::DoShow();
  MessageBeep(FIconKind);
  if (FForceForeground && HandleAllocated()) ForceForegroundWindow(GetHandle());
}

void TZCLDialogImage::SetGraphic(TGraphic* Value) {
  if (FGraphic == Value) return;
  FGraphic = Value;
  Invalidate();
}

void TZCLDialogImage::Paint() {
  if (FGraphic) GetCanvas()->StretchDraw(GetClientRect(), FGraphic);
}

Integer ShowMessageBox(HWND OwnerWindow, const String& Text, const String& Caption, Cardinal Flags) {
  TZCLMessageDialog* dialog = TZCLMessageDialog::Prepare(OwnerWindow, Text, Caption, Flags);
  Integer result = mrCancel;
  try {
    result = dialog->ShowModal();
  } catch (...) {
    Free(dialog);
    throw;
  }
  Free(dialog);
  return result == mrNone ? mrCancel : result;
}

void ShowMessage(const String& Text) {
  TCustomForm* active = Screen ? Screen->GetActiveForm() : nullptr;
  if (active)
    ShowMessageBox(active->GetHandle(), Text, active->GetCaption(), 0);
  else
    ShowMessageBox(nullptr, Text, Application->GetTitle(), 0);
}

// ---- input query -------------------------------------------------------------------------------

TZCLInputQueryDialog::~TZCLInputQueryDialog() = default;

void TZCLInputQueryDialog::Prepare(const String& Caption, const std::vector<String>& Prompts,
                                   const std::vector<Variant>& Values) {
  SetCaption(Caption);
  for (size_t i = 0; i < Prompts.size(); ++i) {
    auto* label = Create<TZCLLabel>(static_cast<TComponent*>(this));
    label->SetParent(this);
    label->SetAutoSize(true);
    label->SetCaption(Prompts[i]);
    FLabels.push_back(label);
    auto* editor = Create<TZCLEdit>(static_cast<TComponent*>(this));
    editor->SetParent(this);
    editor->SetTag(Integer(i));
    const Variant& value = Values[i];
    editor->SetInputMask(VarIsFloat(value) ? eimFloat : VarIsOrdinal(value) ? eimInteger : eimText);
    editor->SetValue(value);
    editor->SelectAll();
    editor->OnChange = TNotifyEvent(this, &TZCLInputQueryDialog::EditorChange);
    FEditors.push_back(editor);
  }
  CreateControls();
  if (!FEditors.empty()) SetActiveControl(FEditors.front());
}

bool TZCLInputQueryDialog::CanApply() {
  if (!Validation) return true;
  bool accept = true;
  for (size_t i = 0; i < FEditors.size() && accept; ++i) {
    accept = true;
    Validation(this, Integer(i), FEditors[i]->GetText(), accept);
  }
  return accept;
}

void TZCLInputQueryDialog::CalculateLayout(TRect& R) {
  const Integer width = R.Width();
  for (size_t i = 0; i < FEditors.size(); ++i) {
    FLabels[i]->SetBounds(R.Left, R.Top, width, 0);
    R.Top += FLabels[i]->GetHeight() + Scaled(2);
    FEditors[i]->SetBounds(R.Left, R.Top, width, FEditors[i]->GetHeight());
    R.Top += FEditors[i]->GetHeight() + Scaled(5);
  }
  R.Top += Scaled(5);
  inherited::CalculateLayout(R);
}

bool TZCLInputQueryDialog::ExecuteMultiple(const String& Caption, const std::vector<String>& Prompts,
                                           std::vector<Variant>& Values, HWND Owner,
                                           TZCLInputQueryValidation Validation) {
  if (Prompts.size() != Values.size()) throw EInvalidArgument(TZCLInputQueryDialog::StaticClass()->ClassName());
  auto* dialog = CreateDialog<TZCLInputQueryDialog>(Owner);
  bool confirmed = false;
  try {
    dialog->Validation = std::move(Validation);
    dialog->Prepare(Caption, Prompts, Values);
    dialog->UpdateButtonsState();
    confirmed = dialog->ShowModal() == mrOk;
    if (confirmed)
      for (size_t i = 0; i < Values.size(); ++i) Values[i] = dialog->FEditors[i]->GetValue();
  } catch (...) {
    Free(dialog);
    throw;
  }
  Free(dialog);
  return confirmed;
}

bool TZCLInputQueryDialog::Execute(const String& Caption, const String& Prompt, String& Value, HWND Owner,
                                   TZCLInputQueryValidation Validation) {
  std::vector<Variant> values{Variant(Value)};
  if (!ExecuteMultiple(Caption, {Prompt}, values, Owner, std::move(Validation))) return false;
  Value = VarToStr(values[0]);
  return true;
}

// ---- select query ------------------------------------------------------------------------------

void TZCLSelectQueryDialog::Prepare(const String& Caption, const String& Prompt, TZCLStringList* Items,
                                    Integer ItemIndex) {
  SetCaption(Caption);
  FLabel = Create<TZCLLabel>(static_cast<TComponent*>(this));
  FLabel->SetParent(this);
  FLabel->SetAutoSize(true);
  FLabel->SetCaption(Prompt);
  FComboBox = Create<TZCLComboBox>(static_cast<TComponent*>(this));
  FComboBox->SetParent(this);
  FComboBox->SetMode(cbmList);
  for (Integer i = 0; Items && i < Items->GetCount(); ++i) FComboBox->GetItems()->Add(Items->GetStrings(i));
  FComboBox->SetItemIndex(ItemIndex);
  FComboBox->SetEnabled(FComboBox->GetCount() > 0);
  FComboBox->OnChange = TNotifyEvent(this, &TZCLSelectQueryDialog::ComboBoxChange);
  CreateControls();
  if (FComboBox->GetEnabled()) SetActiveControl(FComboBox);
}

bool TZCLSelectQueryDialog::CanApply() { return FComboBox && FComboBox->GetItemIndex() >= 0; }

void TZCLSelectQueryDialog::CalculateLayout(TRect& R) {
  const Integer width = R.Width();
  FLabel->SetBounds(R.Left, R.Top, width, 0);
  R.Top += FLabel->GetHeight() + Scaled(2);
  FComboBox->SetBounds(R.Left, R.Top, width, FComboBox->GetHeight());
  R.Top += FComboBox->GetHeight() + Scaled(10);
  inherited::CalculateLayout(R);
}

bool TZCLSelectQueryDialog::Execute(const String& Caption, const String& Prompt, TZCLStringList* Items,
                                    Integer& ItemIndex, HWND Owner) {
  auto* dialog = CreateDialog<TZCLSelectQueryDialog>(Owner);
  bool confirmed = false;
  try {
    dialog->Prepare(Caption, Prompt, Items, ItemIndex);
    confirmed = dialog->ShowModal() == mrOk;
    if (confirmed) ItemIndex = dialog->FComboBox->GetItemIndex();
  } catch (...) {
    Free(dialog);
    throw;
  }
  Free(dialog);
  return confirmed;
}

// ---- memo query --------------------------------------------------------------------------------

TSize& TZCLMemoQueryDialog::RememberedSize() {
  static TSize size;
  return size;
}

void TZCLMemoQueryDialog::Prepare(const String& Caption, const String& Text, TComponent* PopupMenu) {
  SetCaption(Caption);
  SetBorderStyle(bsSizeable);
  SetBorderIcons(TBorderIcons{biSystemMenu});
  FMemo = Create<TZCLMemo>(static_cast<TComponent*>(this));
  FMemo->SetParent(this);
  FMemo->SetScrollBars(ssBoth);
  FMemo->SetText(Text);
  if (PopupMenu) FMemo->SetPopupMenuComponent(PopupMenu);
  FMemo->GetInnerMemo()->OnKeyDown = TKeyEvent(this, &TZCLMemoQueryDialog::MemoKeyDown);
  CreateControls();
  const Integer dpi = GetCurrentPPI();
  const TSize remembered = RememberedSize();
  const bool known = remembered.cx > 0 && remembered.cy > 0;
  SetClientWidth(ScaleByDPI(known ? remembered.cx : 360, dpi));
  SetClientHeight(ScaleByDPI(known ? remembered.cy : 230, dpi));
  SetActiveControl(FMemo->GetInnerMemo());
}

void TZCLMemoQueryDialog::DoShow() {
  // Sizable: the size is the user's (or the remembered one), the layout follows it.
  const TSize client(GetClientWidth(), GetClientHeight());
  inherited::DoShow();
  SetClientWidth(client.cx);
  SetClientHeight(client.cy);
  TRect r = ContentRect();
  FLastContentRect = r;
  CalculateLayout(r);
  GetConstraints()->SetMinWidth(ScaleByDPI(320, GetCurrentPPI()));
  GetConstraints()->SetMinHeight(ScaleByDPI(240, GetCurrentPPI()));
}

void TZCLMemoQueryDialog::CalculateLayout(TRect& R) {
  const TRect all = R;
  FMemo->SetBounds(R.Left, R.Top, R.Width(), std::max(0, R.Height() - Scaled(36)));
  R.Top = FMemo->GetBoundsRect().Bottom + Scaled(10);
  inherited::CalculateLayout(R);
  R.Bottom = std::max(R.Bottom, all.Bottom);
}

void TZCLMemoQueryDialog::MemoKeyDown(TObject*, Word& Key, TShiftState Shift) {
  if (Key == VK_RETURN && Shift.Contains(ssCtrl)) {
    Key = 0;
    SetModalResult(mrOk);
  } else if (Key == VK_ESCAPE && Shift.Empty()) {
    // The memo takes every key: Escape must still cancel.
    Key = 0;
    SetModalResult(mrCancel);
  }
}

bool TZCLMemoQueryDialog::Execute(const String& Caption, String& Text, TComponent* PopupMenu, HWND Owner) {
  auto* dialog = CreateDialog<TZCLMemoQueryDialog>(Owner);
  bool confirmed = false;
  try {
    dialog->Prepare(Caption, Text, PopupMenu);
    confirmed = dialog->ShowModal() == mrOk;
    const Integer dpi = dialog->GetCurrentPPI();
    RememberedSize() = TSize(UnscaleByDPI(dialog->GetClientWidth(), dpi), UnscaleByDPI(dialog->GetClientHeight(), dpi));
    if (confirmed) Text = dialog->FMemo->GetText();
  } catch (...) {
    Free(dialog);
    throw;
  }
  Free(dialog);
  return confirmed;
}

// ---- file dialog -------------------------------------------------------------------------------

namespace {

std::vector<String> SplitBar(const String& Text) {
  std::vector<String> parts;
  size_t start = 0;
  for (;;) {
    const size_t end = Text.find(u'|', start);
    parts.push_back(Text.substr(start, end == String::npos ? String::npos : end - start));
    if (end == String::npos) return parts;
    start = end + 1;
  }
}

Char LowerAscii(Char C) { return C >= u'A' && C <= u'Z' ? Char(C + 32) : C; }

bool SameTextAt(const String& Text, size_t At, const String& Part) {
  if (At + Part.size() > Text.size()) return false;
  for (size_t i = 0; i < Part.size(); ++i)
    if (LowerAscii(Text[At + i]) != LowerAscii(Part[i])) return false;
  return true;
}

// Whether Filter lists Pattern as a whole pattern: followed by ";", "|" or the end.
bool FilterListsPattern(const String& Filter, const String& Pattern) {
  if (Pattern.empty()) return false;
  for (size_t at = 0; at + Pattern.size() <= Filter.size(); ++at) {
    if (!SameTextAt(Filter, at, Pattern)) continue;
    const size_t next = at + Pattern.size();
    if (next == Filter.size() || Filter[next] == u';' || Filter[next] == u'|') return true;
  }
  return false;
}

size_t LastDelimiter(const String& FileName) {
  const size_t slash = FileName.find_last_of(u"/\\");
  return slash;
}

}  // namespace

String zcFileDialogFolderOf(const String& FileName) {
  const size_t at = LastDelimiter(FileName);
  return at == String::npos ? String() : FileName.substr(0, at + 1);
}

String zcFileDialogAutoExtension(const String& FileName, const String& Filter, Integer FilterIndex) {
  if (FilterIndex < 1) return FileName;
  const std::vector<String> parts = SplitBar(Filter);
  const size_t at = 2 * size_t(FilterIndex) - 1;
  if (at >= parts.size()) return FileName;
  const String& patterns = parts[at];
  const String first = patterns.substr(0, patterns.find(u';'));
  if (first.size() < 2 || first == u"*.*") return FileName;
  const String extension = first.substr(1);
  if (extension.find_first_of(u"*?") != String::npos) return FileName;  // not one extension
  // The name's own extension: from the last dot of its name part.
  const size_t nameStart = LastDelimiter(FileName) == String::npos ? 0 : LastDelimiter(FileName) + 1;
  const size_t dot = FileName.rfind(u'.');
  if (dot != String::npos && dot >= nameStart && dot + 1 < FileName.size() &&
      FilterListsPattern(Filter, u"*" + FileName.substr(dot)))
    return FileName.substr(0, dot) + extension;
  return FileName + extension;
}

String zcFileDialogDefaultExt(const String& Filter) {
  const std::vector<String> parts = SplitBar(Filter);
  String result;
  for (size_t i = 1; i < parts.size(); i += 2) {
    String list = parts[i];
    for (size_t at; (at = list.find(u"*.")) != String::npos;) list.erase(at, 2);
    if (!result.empty()) result += u';';
    result += list;
  }
  if (!result.empty() && result.back() == u';') result.pop_back();
  return result;
}

TZCLFileDialog::TZCLFileDialog(TComponent* AOwner) : TComponent(AOwner), FFiles(new TZCLStringList()) {}

TZCLFileDialog::~TZCLFileDialog() { Free(FFiles); }

void TZCLFileDialog::DeclareProperties(TClassDeclaration<TZCLFileDialog>& D) {
  D.Property(u"Filter", &TZCLFileDialog::GetFilter, &TZCLFileDialog::SetFilter).Default(u"");
  D.Property(u"FilterIndex", &TZCLFileDialog::GetFilterIndex, &TZCLFileDialog::SetFilterIndex).Default(0);
  D.Property(u"MRUId", &TZCLFileDialog::GetMRUId, &TZCLFileDialog::SetMRUId).Default(u"");
  D.Property(u"Options", &TZCLFileDialog::GetOptions, &TZCLFileDialog::SetOptions);
  D.Property(u"Title", &TZCLFileDialog::GetTitle, &TZCLFileDialog::SetTitle).Default(u"");
}

TZCLStringList* TZCLFileDialog::FolderMemory() {
  if (!GFolderMemory) GFolderMemory = new TZCLStringList();
  return GFolderMemory;
}

String TZCLFileDialog::GetInitialDir() const {
  if (!FInitialDir.empty()) return FInitialDir;
  if (!FMRUId.empty()) return FolderMemory()->GetValues(FMRUId);
  return String();
}

String TZCLFileDialog::GetStartFolder() const {
  if (!FInitialDir.empty()) return FInitialDir;
  if (String folder = zcFileDialogFolderOf(FFileName); !folder.empty()) return folder;
  return GetInitialDir();
}

TZCLFileDialogImpl* TZCLFileDialog::CreateImpl(bool SaveDialog, HWND Owner) {
  return new TZCLFileDialogSystemImpl(this, SaveDialog, Owner);
}

bool TZCLFileDialog::Execute(bool SaveDialog, HWND Owner) {
  const String currentDir = GetCurrentDir();
  Application->ModalStarted();
  TZCLFileDialogImpl* impl = nullptr;
  bool confirmed = false;
  try {
    impl = CreateImpl(SaveDialog, Owner);
    FFiles->Clear();
    confirmed = impl->Execute();
    if (!confirmed) FFiles->Clear();
  } catch (...) {
    delete impl;
    Application->ModalFinished();
    SetCurrentDir(currentDir);
    throw;
  }
  delete impl;
  Application->ModalFinished();
  SetCurrentDir(currentDir);
  if (!confirmed) return false;
  FFileName = FFiles->GetCount() > 0 ? FFiles->GetStrings(0) : String();
  if (SaveDialog && FOptions.Contains(ofAutoExtension)) {
    FFileName = zcFileDialogAutoExtension(FFileName, FFilter, FFilterIndex);
    if (FFiles->GetCount() > 0) FFiles->SetStrings(0, FFileName);
  }
  if (!FMRUId.empty()) FolderMemory()->SetValues(FMRUId, zcFileDialogFolderOf(FFileName));
  return true;
}

// ---- progress dialog ---------------------------------------------------------------------------

TZCLProgressDialog::TZCLProgressDialog(TComponent* AOwner) : TZCLForm(AOwner) {}

const TMessageTable& TZCLProgressDialog::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(), {VCL_MESSAGE(WM_CLOSE, &TZCLProgressDialog::WMClose)});
  return table;
}

TZCLProgressDialog::~TZCLProgressDialog() { Free(FAeroPeek); }

Integer TZCLProgressDialog::Percent(Int64 Position, Int64 Total) {
  if (Total <= 0) Total = 1;
  // 100 x Position overflows 64 bits near the top of the range: the product is taken wider.
  const __int128 product = __int128(100) * Position;
  __int128 q = product / Total;
  const __int128 rest = product % Total;
  if (rest != 0 && (rest < 0 ? -rest : rest) * 2 >= Total) q += product < 0 ? -1 : 1;
  return Integer(std::clamp<__int128>(q, INT32_MIN, INT32_MAX));
}

void TZCLProgressDialog::Progress(Int64 Position, Int64 Total, const String& Text) {
  if (FShowProgressInCaption)
    SetCaption(u"[" + IntToStr(static_cast<long long>(Position)) + u"/" + IntToStr(static_cast<long long>(Total)) +
               u"] " + FTitle);
  if (FProgressBar) {
    FProgressBar->SetProgress(Single(Percent(Position, Total)));
    FProgressBar->Repaint();
  }
  if (FTextLabel) {
    FTextLabel->SetCaption(Text.empty() ? FText : Text);
    FTextLabel->Repaint();
  }
  if (FAeroPeek) FAeroPeek->SetProgress(Position, Total);
}

void TZCLProgressDialog::AfterConstruction() {
  inherited::AfterConstruction();
  const Integer dpi = GetCurrentPPI();
  SetKeyPreview(true);
  SetPosition(poOwnerFormCenter);
  SetBorderStyle(bsToolWindow);
  SetClientHeight(ScaleByDPI(87, dpi));
  SetClientWidth(ScaleByDPI(502, dpi));
  const Integer pad = ScaleByDPI(5, dpi), margin = ScaleByDPI(3, dpi);
  const Integer width = GetClientWidth() - 2 * (pad + margin);
  FTextLabel = Create<TZCLLabel>(static_cast<TComponent*>(this));
  FTextLabel->SetParent(this);
  FTextLabel->SetBounds(pad + margin, pad + margin, width, ScaleByDPI(16, dpi));
  FTextLabel->SetAutoSize(true);
  FProgressBar = Create<TZCLProgressBar>(static_cast<TComponent*>(this));
  FProgressBar->SetParent(this);
  FProgressBar->SetBounds(pad + margin, FTextLabel->GetBoundsRect().Bottom + 2 * margin, width, ScaleByDPI(18, dpi));
  FCancelButton = NewButton(this);
  FCancelButton->SetBounds(ScaleByDPI(195, dpi), ScaleByDPI(54, dpi), ScaleByDPI(115, dpi), ScaleByDPI(25, dpi));
  FCancelButton->SetCaption(TZCLDialogsStrs::ButtonCaptions[dbCancel]);
  FCancelButton->OnClick = TNotifyEvent(this, &TZCLProgressDialog::CancelButtonClick);
}

void TZCLProgressDialog::DoShow() {
  SetCaption(FTitle);
  if (!FAeroPeek && (GetShowInTaskBar() == stAlways || !Application->GetMainForm()))
    FAeroPeek = Create<TZCLAeroPeek>(static_cast<TWinControl*>(this));
  FCancelButton->SetEnabled(static_cast<bool>(OnCancel));
  Progress(0, 0);
  inherited::DoShow();
}

void TZCLProgressDialog::Cancel() {
  if (FCancelButton) FCancelButton->SetEnabled(false);
  if (OnCancel) OnCancel(this);
}

void TZCLProgressDialog::KeyDown(Word& Key, TShiftState Shift) {
  if (Key == VK_ESCAPE && !Shift.Contains(ssShift) && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt)) {
    Key = 0;
    Cancel();
    return;
  }
  inherited::KeyDown(Key, Shift);
}

void TZCLProgressDialog::WMClose(TMessage& Message) {
  // The window never closes by itself: closing it asks to cancel.
  Message.Result = 0;
  if (FCancelButton) FCancelButton->Click();
}

// ---- language dialog ---------------------------------------------------------------------------

TZCLCustomLanguageDialog::TZCLCustomLanguageDialog(TComponent* AOwner) : TZCLForm(AOwner) {}

void TZCLCustomLanguageDialog::AfterConstruction() {
  inherited::AfterConstruction();
  const Integer dpi = GetCurrentPPI();
  SetCaption(u"Select Language");
  SetPosition(poScreenCenter);
  SetBorderStyle(bsDialog);
  SetStayOnTop(true);
  SetDoubleBuffered(true);
  SetClientWidth(ScaleByDPI(220, dpi));
  SetClientHeight(ScaleByDPI(75, dpi));
  auto* ok = NewButton(this);
  ok->SetCaption(u"OK");
  ok->SetModalResult(mrOk);
  ok->SetDefault(true);
  ok->SetBounds(ScaleByDPI(60, dpi), GetClientHeight() - ScaleByDPI(8 + 25, dpi),
                GetClientWidth() - ScaleByDPI(120, dpi), ScaleByDPI(25, dpi));
  FImages = Create<TZCLImageList>(static_cast<TComponent*>(this));
  FImages->SetSize(16);
  FLanguageList = Create<TZCLImageComboBox>(static_cast<TComponent*>(this));
  FLanguageList->SetParent(this);
  FLanguageList->SetImages(FImages);
  const Integer m = ScaleByDPI(8, dpi);
  FLanguageList->SetBounds(m, m, GetClientWidth() - 2 * m, FLanguageList->GetHeight());
  SetActiveControl(FLanguageList);
  GetConstraints()->SetMinWidth(GetWidth());
  GetConstraints()->SetMaxWidth(GetWidth());
  GetConstraints()->SetMinHeight(GetHeight());
}

void TZCLCustomLanguageDialog::FillList() {
  TZCLImageComboBoxItems* items = FLanguageList->GetItems();
  items->BeginUpdate();
  try {
    items->Clear();
    EnumLanguages([&](TZCLIniFile* Ini, Integer Index) {
      TZCLLocalizationInfo info;
      TOwnedIcon icon(Create<TIcon>());
      LangGetInfo(Ini, info, icon.get());
      Integer imageIndex = -1;
      try {
        if (!icon->GetEmpty()) imageIndex = FImages->AddIcon(icon.get());
      } catch (const Exception&) {
        imageIndex = -1;  // the language goes without its flag
      }
      // After every item it does not sort before.
      Integer at = items->GetCount();
      for (Integer i = 0; i < items->GetCount(); ++i)
        if (AnsiCompareText(info.Name, items->GetItem(i)->GetText()) < 0) {
          at = i;
          break;
        }
      TZCLImageComboBoxItem* item = items->Add(info.Name, imageIndex);
      item->Data = reinterpret_cast<void*>(NativeInt(info.LangId));
      item->SetTag(Index);  // the file's index
      item->SetIndex(at);
    });
  } catch (...) {
    items->EndUpdate();
    throw;
  }
  items->EndUpdate();
  SelectDefault();
}

void TZCLCustomLanguageDialog::SelectDefault() { SelectLanguage(GetUserDefaultUILanguage()); }

void TZCLCustomLanguageDialog::SelectLanguage(Integer UserLangId) {
  TZCLImageComboBoxItem* item = nullptr;
  for (Integer wanted : {UserLangId, 1033})
    if (FLanguageList->GetItems()->FindByData(reinterpret_cast<void*>(NativeInt(wanted)), item)) {
      FLanguageList->SetItemIndex(item->GetIndex());
      return;
    }
  FLanguageList->SetItemIndex(FLanguageList->GetCount() > 0 ? 0 : -1);
}

TZCLLanguageDialog::TZCLLanguageDialog(TComponent* AOwner)
    : TZCLCustomLanguageDialog(AOwner), FFiles(new TZCLStringList()) {
  LangGetFiles(FFiles);
}

TZCLLanguageDialog::~TZCLLanguageDialog() { Free(FFiles); }

void TZCLLanguageDialog::EnumLanguages(const TEnumProc& Proc) {
  TZCLIniFile* ini = TZCLIniFile::CreateInMemory();
  try {
    for (Integer i = 0; i < FFiles->GetCount(); ++i) {
      ini->LoadFromFile(FFiles->GetStrings(i));
      Proc(ini, i);
    }
  } catch (...) {
    Free(ini);
    throw;
  }
  Free(ini);
}

String TZCLLanguageDialog::SelectedFileName() const {
  const Integer index = FLanguageList->GetItemIndex();
  if (index < 0) return String();
  return ExtractFileName(FFiles->GetStrings(Integer(FLanguageList->GetItems()->GetItem(index)->GetTag())));
}

void TZCLLanguageDialog::Execute(HWND Owner) {
  auto* dialog = CreateDialog<TZCLLanguageDialog>(Owner);
  String chosen;
  try {
    dialog->FillList();
    dialog->ShowModal();
    chosen = dialog->SelectedFileName();
  } catch (...) {
    Free(dialog);
    throw;
  }
  Free(dialog);
  if (!chosen.empty()) LangFile()->LoadFromFile(chosen);
}

// ---- unit --------------------------------------------------------------------------------------

void RegisterDialogClasses() {
  TZCLDialogsStrs::SetDefaults();
  RegisterClass(TZCLFileDialog::StaticClass());
}

void FinalizeDialogs() {
  delete GFolderMemory;
  GFolderMemory = nullptr;
}
