#include "zcl/ui/controls/ZCL.UI.Edit.h"

#include <algorithm>
#include <cmath>

#include "rtl/RTL.DateTime.h"
#include "rtl/RTL.FormatSettings.h"
#include "rtl/RTL.Numbers.h"
#include "vcl/VCL.ImgList.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"

// ---- input masks ------------------------------------------------------------------------------

const TFormatSettings& EditDateTimeFormatSettings() {
  static const TFormatSettings settings = [] {
    TFormatSettings s = TFormatSettings::Invariant();
    s.ShortDateFormat = u"yyyy.MM.dd";
    s.LongTimeFormat = u"hh:mm:ss";
    s.DateSeparator = u'.';
    s.TimeSeparator = u':';
    return s;
  }();
  return settings;
}

const String& EditDateTimeFormat() {
  static const String format = EditDateTimeFormatSettings().ShortDateFormat + u" " + EditDateTimeFormatSettings().LongTimeFormat;
  return format;
}

const String& EditDateTimeEditMask() {
  static const String mask = [] {
    String s = EditDateTimeFormat();
    for (Char& c : s)
      if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) c = u'0';
    return s + u";1;_";
  }();
  return mask;
}

Variant EditTextToValue(TZCLEditInputMask Mask, const String& Text) {
  switch (Mask) {
    case eimInteger: {
      Integer v = 0;
      return Variant(TryStrToInt(Text, v) ? v : 0);
    }
    case eimFloat: {
      Extended v = 0;
      if (!TryStrToFloat(Text, v, FormatSettings) || !std::isfinite(double(v))) v = 0;
      return Variant(double(v));
    }
    case eimDateAndTime: {
      TDateTime v;
      if (!TryStrToDateTime(Text, v, EditDateTimeFormatSettings())) v = TDateTime(0);
      return Variant(v);
    }
    default:
      return Variant(Text);
  }
}

String EditValueToText(TZCLEditInputMask Mask, const Variant& Value) {
  try {
    if (Mask == eimDateAndTime) {
      TDateTime v(0);
      try {
        v = Value.AsDate();
      } catch (const Exception&) {
        v = TDateTime(0);
      }
      if (!std::isfinite(double(v)) || double(v) < MinDateTime || double(v) > MaxDateTime + 1) v = TDateTime(0);
      return FormatDateTime(EditDateTimeFormat(), v, EditDateTimeFormatSettings());
    }
    return VarToStr(Value);
  } catch (const Exception&) {
    return Mask == eimText ? String() : EditValueToText(Mask, Variant(0));
  }
}

bool EditCanTypeText(TZCLEditInputMask Mask, const String& Candidate) {
  if (Mask != eimInteger && Mask != eimFloat) return true;
  if (Candidate == u"-" || Candidate == u"+") return true;
  if (Mask == eimFloat) {
    Extended v = 0;
    return TryStrToFloat(Candidate, v, FormatSettings) || TryStrToFloat(Candidate, v, TFormatSettings::Invariant());
  }
  Integer v = 0;
  return TryStrToInt(Candidate, v);
}

namespace {
bool IsWordDelimiter(Char C) {
  static const StringView delimiters = u"%=:+-\\/*;,|(){}<>[].@#$^&?!\"' \r\n\t\u00AB\u00BB\u201C\u201D_";
  return C == 0 || delimiters.find(C) != StringView::npos;
}
}  // namespace

String EditDeleteWord(const String& Text, Integer Position, Integer Direction, Integer& Caret) {
  const Integer len = static_cast<Integer>(Text.size());
  Position = std::clamp<Integer>(Position, 0, len);
  // 1-based index as the caret's neighbours count them; at the start going back there is no
  // word to delete, so the index stays at 0 and nothing changes.
  Integer i = std::max<Integer>(Position + Direction, 0);
  auto at = [&](Integer k) { return Text[size_t(k - 1)]; };
  while (i >= 1 && i <= len && IsWordDelimiter(at(i))) i += Direction;
  while (i >= 1 && i <= len && !IsWordDelimiter(at(i))) i += Direction;
  i = std::clamp<Integer>(i, 0, len);
  const Integer from = std::min(Position, i), to = std::max(Position, i);
  Caret = from;
  return Text.substr(0, size_t(from)) + Text.substr(size_t(to));
}

// ---- styles -----------------------------------------------------------------------------------

void TZCLStyleEdit::DeclareProperties(TClassDeclaration<TZCLStyleEdit>& D) {
  D.Property(u"ColorBorder", 0, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorBorderFocused", 1, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorContent", 2, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorContentDisabled", 3, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorText", 4, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorTextDisabled", 5, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
}

void TZCLStyleEdit::InitializeResources() {
  GetColor(0)->InitializeAsRef(u"EditBox.Colors.Border", false);
  GetColor(1)->InitializeAsRef(u"EditBox.Colors.BorderFocused", false);
  GetColor(2)->InitializeAsRef(u"EditBox.Colors.Content", false);
  GetColor(3)->InitializeAsRef(u"EditBox.Colors.ContentDisabled", false);
  GetColor(4)->InitializeAsRef(u"EditBox.Colors.Text", false);
  GetColor(5)->InitializeAsRef(u"EditBox.Colors.TextDisabled", false);
}

TColor TZCLStyleEdit::GetBorderColor(bool Focused) {
  return (Focused ? GetColorBorderFocused() : GetColorBorder())->GetAsColor();
}
TColor TZCLStyleEdit::GetContentColor(bool Enabled) {
  return (Enabled ? GetColorContent() : GetColorContentDisabled())->GetAsColor();
}
TColor TZCLStyleEdit::GetTextColor(bool Enabled) {
  return (Enabled ? GetColorText() : GetColorTextDisabled())->GetAsColor();
}

void TZCLStyleEdit::DrawBorder(TCanvas* Canvas, const TRect& R, bool Focused) {
  Canvas->GetBrush()->SetColor(GetBorderColor(Focused));
  Canvas->FrameRect(R);
}

void TZCLStyleEdit::ApplyColorsToControl(TControl* Control, bool Enabled) {
  Control->SetColor(GetContentColor(Enabled));
  Control->GetFont()->SetColor(GetTextColor(Enabled));
}

void TZCLStyleEditButton::InitializeResources() {
  GetColor(0)->InitializeAsRef(u"EditBox.Colors.ButtonText", false);
  GetColor(1)->InitializeAsRef(u"EditBox.Colors.ButtonTextHover", false);
  GetColor(2)->InitializeAsRef(u"EditBox.Colors.ButtonTextPressed", false);
  GetColor(3)->InitializeAsRef(u"EditBox.Colors.ButtonTextDisabled", false);
  InitializeTextures();
}

void TZCLStyleEditButton::InitializeTextures() { GetTexture()->InitializeDefault(u"EditBox.Textures.Button"); }

// ---- edit buttons -----------------------------------------------------------------------------

TControl* GetEditButtonOwnerControl(TZCLCustomButtonSubClass* SubClass) {
  if (!SubClass || !SubClass->GetOwner()) return nullptr;
  IPtr<IZCLButtonEdit> edit;
  if (!Supports(SubClass->GetOwner(), edit)) return nullptr;
  return dynamic_cast<TControl*>(edit->ButtonEditGetOwner());
}

void TZCLEditButtonSubClass::StateChanged() {
  if (GetState() == bstHover && Application) Application->CancelHint();
  inherited::StateChanged();
}

TZCLEditButton::TZCLEditButton(TCollection* ACollection) : TZCLCollectionItem(ACollection) {
  auto* buttons = dynamic_cast<TZCLEditButtons*>(ACollection);
  FSubClass = new TZCLEditButtonSubClass(buttons ? buttons->GetButtonOwner() : nullptr);
  FSubClass->OnClick = TZCLCustomButtonSubClass::TClickEvent(this, &TZCLEditButton::SubClassClick);
}

TZCLEditButton::~TZCLEditButton() { Free(FSubClass); }

void TZCLEditButton::DeclareProperties(TClassDeclaration<TZCLEditButton>& D) {
  D.Property(u"Caption", &TZCLEditButton::GetCaption, &TZCLEditButton::SetCaption);
  D.Property(u"Enabled", &TZCLEditButton::GetEnabled, &TZCLEditButton::SetEnabled).Default(true);
  D.Property(u"Hint", &TZCLEditButton::GetHint, &TZCLEditButton::SetHint);
  D.Property(u"ImageIndex", &TZCLEditButton::GetImageIndex, &TZCLEditButton::SetImageIndex).Default(-1);
  D.Property(u"Visible", &TZCLEditButton::GetVisible, &TZCLEditButton::SetVisible).Default(true);
  D.Property(u"Width", &TZCLEditButton::GetWidth, &TZCLEditButton::SetWidth).Default(18);
  D.Event(u"OnClick", &TZCLEditButton::OnClick);
}

void TZCLEditButton::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TZCLEditButton*>(Source)) {
    SetCaption(source->FCaption);
    SetHint(source->FHint);
    SetImageIndex(source->GetImageIndex());
    SetVisible(source->FVisible);
    SetWidth(source->FWidth);
  } else {
    inherited::Assign(Source);
  }
}

void TZCLEditButton::SetCaption(const String& Value) {
  if (FCaption == Value) return;
  FCaption = Value;
  UpdateCaption();
  Changed(false);
}

void TZCLEditButton::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  Changed(false);
}

void TZCLEditButton::SetImageIndex(Integer Value) {
  if (FSubClass->ImageIndex == Value) return;
  FSubClass->ImageIndex = Value;
  UpdateCaption();
  Changed(false);
}

void TZCLEditButton::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  Changed(true);
}

void TZCLEditButton::SetWidth(Integer Value) {
  if (FWidth == Value) return;
  FWidth = Value;
  Changed(true);
}

void TZCLEditButton::UpdateCaption() { FSubClass->SetCaption(FSubClass->ImageIndex < 0 ? FCaption : String()); }

void TZCLEditButton::SubClassClick(TZCLCustomButtonSubClass*) {
  if (OnClick) OnClick(this);
}

TZCLEditButtons::TZCLEditButtons(IZCLButtonEdit* AOwner)
    : TCollection(TZCLEditButton::StaticClass()), FOwner(AOwner) {}

TPersistent* TZCLEditButtons::GetOwner() const {
  if (FOwner) return FOwner->ButtonEditGetOwner();
  return TCollection::GetOwner();
}

TZCLEditButton* TZCLEditButtons::Add(const String& Caption) {
  BeginUpdate();
  auto* result = TCollection::Add<TZCLEditButton>();
  result->SetCaption(Caption);
  EndUpdate();
  return result;
}

bool TZCLEditButtons::HitTest(const TPoint& P, TZCLEditButton*& Button) const {
  for (Integer i = GetCount() - 1; i >= 0; --i) {
    TZCLEditButton* b = GetItem(i);
    if (b->GetSubClass()->GetBounds().Contains(P)) {
      Button = b;
      return true;
    }
  }
  Button = nullptr;
  return false;
}

String TZCLEditButtons::GetHint(const TPoint& P) const {
  TZCLEditButton* b = nullptr;
  return HitTest(P, b) ? b->GetHint() : String();
}

void TZCLEditButtons::Draw(TCanvas* Canvas) {
  for (Integer i = 0; i < GetCount(); ++i) {
    TZCLEditButton* b = GetItem(i);
    if (b->GetVisible()) b->GetSubClass()->Draw(Canvas);
  }
}

void TZCLEditButtons::MouseDown(TMouseButton Button, const TPoint& P) {
  for (Integer i = 0; i < GetCount(); ++i) GetItem(i)->GetSubClass()->MouseDown(Button, P);
}
void TZCLEditButtons::MouseMove(TShiftState Shift, const TPoint& P) {
  for (Integer i = 0; i < GetCount(); ++i) GetItem(i)->GetSubClass()->MouseMove(Shift, P);
}
void TZCLEditButtons::MouseUp(TMouseButton Button, const TPoint& P) {
  for (Integer i = 0; i < GetCount(); ++i) GetItem(i)->GetSubClass()->MouseUp(Button, P);
}
void TZCLEditButtons::MouseLeave() { MouseMove(TShiftState(), TPoint(-1, -1)); }

void TZCLEditButtons::Update(TCollectionItem* Item) {
  inherited::Update(Item);
  if (FOwner) FOwner->ButtonOwnerRecalculate();
}

// ---- the container of an inner control --------------------------------------------------------

const TMessageTable& TZCLCustomInplaceContainer::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_ENABLEDCHANGED, &TZCLCustomInplaceContainer::CMEnabledChanged),
                                    VCL_MESSAGE(CM_FONTCHANGED, &TZCLCustomInplaceContainer::CMFontChanged),
                                    VCL_MESSAGE(WM_SETFOCUS, &TZCLCustomInplaceContainer::WMSetFocus)});
  return table;
}

bool TZCLCustomInplaceContainer::Focused() {
  return inherited::Focused() || (FInnerControl && FInnerControl->Focused());
}

void TZCLCustomInplaceContainer::SetFocus() {
  if (FInnerControl)
    SetInnerControlFocus();
  else
    inherited::SetFocus();
}

void TZCLCustomInplaceContainer::GetTabOrderList(std::vector<TWinControl*>& List) {
  inherited::GetTabOrderList(List);
  if (FInnerControl && std::find(List.begin(), List.end(), FInnerControl) != List.end())
    List.erase(std::remove(List.begin(), List.end(), static_cast<TWinControl*>(this)), List.end());
}

void TZCLCustomInplaceContainer::GetInnerControlBounds(TRect& R) {
  R = GetClientRect();
  AdjustClientRect(R);
}

void TZCLCustomInplaceContainer::UpdateInnerControlBounds() {
  if (!FInnerControl) return;
  TRect r;
  GetInnerControlBounds(r);
  Integer w = r.Width(), h = r.Height();
  FInnerControl->CanAutoSize(w, h);
  if (h != r.Height()) {
    r.Top += (r.Height() - h) / 2;
    r.Bottom = r.Top + h;
  }
  FInnerControl->SetBoundsRect(r);
}

void TZCLCustomInplaceContainer::UpdateInnerControl() {
  if (FInnerControl) FInnerControl->GetFont()->Assign(GetFont());
}

void TZCLCustomInplaceContainer::InnerWndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_CONTEXTMENU:
      if (!FInnerControl->Focused()) SafeSetFocus(FInnerControl);
      if (HandleAllocated()) {
        Message.Result = Perform(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(GetHandle()), Message.LParam);
        if (Message.Result != 0) return;
      }
      break;
    case WM_NCHITTEST:
      if (GetComponentState().Contains(csDesigning)) {
        Message.Result = HTTRANSPARENT;
        return;
      }
      break;
    case CM_WANTSPECIALKEY:
      Message.Result = Perform(CM_WANTSPECIALKEY, Message.WParam, Message.LParam);
      if (Message.Result != 0) return;
      break;
    case CN_KEYDOWN:
      if (DoKeyDown(Message)) return;
      break;
    case CN_KEYUP:
      if (DoKeyUp(Message)) return;
      break;
    case CN_CHAR:
      if (DoKeyPress(Message)) return;
      break;
    default:
      break;
  }
  if (FSavedWindowProc) FSavedWindowProc(Message);
  switch (Message.Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      FocusChanged();
      break;
    case CM_ENTER:
      if (OnEnter) OnEnter(this);
      break;
    case CM_EXIT:
      if (OnExit) OnExit(this);
      break;
    default:
      break;
  }
}

void TZCLCustomInplaceContainer::SetInnerControlFocus() {
  if (FInnerControl) SafeSetFocus(FInnerControl);
}

void TZCLCustomInplaceContainer::Changed() {
  if (!GetComponentState().Contains(csLoading)) DoChange();
  Invalidate();
}

void TZCLCustomInplaceContainer::DoChange() {
  if (OnChange) OnChange(this);
}

void TZCLCustomInplaceContainer::HookInnerControl(bool Hook) {
  if (!FInnerControl) return;
  if (Hook) {
    FInnerControl->SetParent(this);
    FInnerControl->OnMouseDown = TMouseEvent(this, &TZCLCustomInplaceContainer::InnerMouseDown);
    FInnerControl->OnMouseMove = TMouseMoveEvent(this, &TZCLCustomInplaceContainer::InnerMouseMove);
    FInnerControl->OnMouseUp = TMouseEvent(this, &TZCLCustomInplaceContainer::InnerMouseUp);
    FSavedWindowProc = FInnerControl->WindowProc;
    FInnerControl->WindowProc = TWndMethod(this, &TZCLCustomInplaceContainer::InnerWndProc);
    UpdateInnerControlBounds();
    UpdateInnerControl();
    UpdateInnerControlBounds();
  } else {
    FInnerControl->OnMouseDown = TMouseEvent();
    FInnerControl->OnMouseMove = TMouseMoveEvent();
    FInnerControl->OnMouseUp = TMouseEvent();
    if (FSavedWindowProc) FInnerControl->WindowProc = FSavedWindowProc;
    FSavedWindowProc = TWndMethod();
  }
}

void TZCLCustomInplaceContainer::InnerMouseDown(TObject*, TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  MouseDown(Button, Shift, X + FInnerControl->GetLeft(), Y + FInnerControl->GetTop());
}
void TZCLCustomInplaceContainer::InnerMouseMove(TObject*, TShiftState Shift, Integer X, Integer Y) {
  MouseMove(Shift, X + FInnerControl->GetLeft(), Y + FInnerControl->GetTop());
}
void TZCLCustomInplaceContainer::InnerMouseUp(TObject*, TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  MouseUp(Button, Shift, X + FInnerControl->GetLeft(), Y + FInnerControl->GetTop());
}

void TZCLCustomInplaceContainer::BoundsChanged() {
  inherited::BoundsChanged();
  UpdateInnerControlBounds();
}

void TZCLCustomInplaceContainer::CreateHandle() {
  inherited::CreateHandle();
  UpdateInnerControlBounds();
}

void TZCLCustomInplaceContainer::DoEnter() {
  if (!FInnerControl) inherited::DoEnter();
}

void TZCLCustomInplaceContainer::DoExit() {
  if (!FInnerControl) inherited::DoExit();
}

void TZCLCustomInplaceContainer::UpdateState() {
  if (FInnerControl) UpdateInnerControl();
  BoundsChanged();
}

void TZCLCustomInplaceContainer::CMEnabledChanged(TMessage& Message) {
  UpdateInnerControl();
  BoundsChanged();
  inherited::CMEnabledChanged(Message);
}

void TZCLCustomInplaceContainer::CMFontChanged(TMessage& Message) {
  inherited::CMFontChanged(Message);
  FullRefresh();
}

void TZCLCustomInplaceContainer::WMSetFocus(TMessage& Message) {
  inherited::WMSetFocus(Message);
  if (FInnerControl) SetInnerControlFocus();
}

// ---- the edit box ------------------------------------------------------------------------------

const TMessageTable& TZCLCustomEdit::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_WANTSPECIALKEY, &TZCLCustomEdit::CMWantSpecialKey)});
  return table;
}

TZCLCustomEdit::TZCLCustomEdit(TComponent* AOwner) : TZCLCustomInplaceContainer(AOwner) {
  FInplace = FCreatingInplace;
  TControlStyle style = GetControlStyle();
  style.Include(csOpaque);
  SetControlStyle(style);
  FStyle = Create<TZCLStyleEdit>(static_cast<TObject*>(this));
  FStyleButton = CreateStyleButton();
  FButtons = new TZCLEditButtons(this);
  FButtonsImagesLink = new TChangeLink;
  FButtonsImagesLink->OnChange = TNotifyEvent(this, &TZCLCustomEdit::ButtonsImagesChanged);
  SetBounds(GetLeft(), GetTop(), 121, 21);
  SetAutoSize(!FInplace);
  FBorders = !FInplace;
  SetTabStop(true);
}

TZCLCustomEdit::~TZCLCustomEdit() {
  Free(FButtonsImagesLink);
  Free(FStyleButton);
  Free(FButtons);
  Free(FStyle);
}

void TZCLCustomEdit::AfterConstruction() {
  inherited::AfterConstruction();
  if (!FInnerControl && CanCreateInnerControl()) {
    FInnerControl = CreateInnerControl();
    HookInnerControl(true);
  }
  Calculate(GetClientRect());
}

void TZCLCustomEdit::BeforeDestruction() {
  // Before the platform frees the owned components, so the hook comes off a live control.
  DestroyInnerControl();
  SetButtonsImages(nullptr);
  inherited::BeforeDestruction();
}

void TZCLCustomEdit::DeclareProperties(TClassDeclaration<TZCLCustomEdit>& D) {
  D.Property(u"AutoSize", &TZCLCustomEdit::GetAutoSize, &TZCLCustomEdit::SetAutoSize).Default(true);
  D.Property(u"FocusOnClick", &TZCLCustomEdit::GetFocusOnClick, &TZCLCustomEdit::SetFocusOnClick).Default(false);
}

void TZCLCustomEdit::InitializeInplace(const TZCLInplaceInfo& Params) {
  OnKeyDown = Params.OnKeyDown;
  OnExit = Params.OnApply;
  SetParent(Params.Parent);
  TRect r = Params.Bounds;
  r.Left = Params.TextBounds.Left - ScaleByDPI(2, GetCurrentPPI());
  SetBoundsRect(r);
}

void TZCLCustomEdit::SetBorders(bool Value) {
  if (FBorders == Value) return;
  FBorders = Value;
  if (HandleAllocated()) {
    AdjustSize();
    Realign();
  }
  BoundsChanged();
  Invalidate();
}

void TZCLCustomEdit::SetButtonsImages(TCustomImageList* Value) {
  if (FButtonsImages == Value) return;
  if (FButtonsImages) {
    FButtonsImages->UnRegisterChanges(FButtonsImagesLink);
    FButtonsImages->RemoveFreeNotification(this);
  }
  FButtonsImages = Value;
  if (FButtonsImages) {
    FButtonsImages->RegisterChanges(FButtonsImagesLink);
    FButtonsImages->FreeNotification(this);
  }
  FullRefresh();
}

void TZCLCustomEdit::ButtonsImagesChanged(TObject*) { FullRefresh(); }

void TZCLCustomEdit::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FButtonsImages) SetButtonsImages(nullptr);
  if (Operation == opRemove && AComponent == FInnerControl) FInnerControl = nullptr;
}

void TZCLCustomEdit::AssignTextDrawParams(TCanvas* Canvas) {
  Canvas->GetFont()->Assign(GetFont());
  Canvas->GetFont()->SetColor(FStyle->GetTextColor(GetEnabled()));
  Canvas->GetBrush()->SetColor(FStyle->GetContentColor(GetEnabled()));
}

TZCLStyleButton* TZCLCustomEdit::CreateStyleButton() { return Create<TZCLStyleEditButton>(static_cast<TObject*>(this)); }

bool TZCLCustomEdit::CanCreateInnerControl() { return !GetComponentState().Contains(csDesigning); }

void TZCLCustomEdit::DestroyInnerControl() {
  if (!FInnerControl) return;
  HookInnerControl(false);
  Free(FInnerControl);
  FInnerControl = nullptr;
  if (HandleAllocated()) Invalidate();
}

Integer TZCLCustomEdit::GetTextHeight() { return MeasureTextSize(GetFont(), u"Qq").cy; }

void TZCLCustomEdit::Calculate(const TRect& Rect) {
  TRect r = Rect;
  if (FBorders) r.Inflate(-1, -1);
  CalculateButtons(r);
  if (FBorders) r.Inflate(-1, -1);
  CalculateContent(r);
}

void TZCLCustomEdit::CalculateAutoHeight(Integer& Height) {
  Height = GetTextHeight() + ScaleByDPI(4, GetCurrentPPI());
  if (FBorders) Height += 4;
}

void TZCLCustomEdit::CalculateButtons(TRect& R) {
  const Integer dpi = GetCurrentPPI();
  const Integer g = ScaleByDPI(1, dpi);
  TRect b = R;
  b.Inflate(-g, -g);
  for (Integer i = FButtons->GetCount() - 1; i >= 0; --i) {
    TZCLEditButton* button = FButtons->GetItem(i);
    TZCLEditButtonSubClass* sub = button->GetSubClass();
    sub->SetFlag(bfEnabled, button->GetEnabled() && ButtonEditGetEnabled());
    const Integer width = button->GetVisible() ? ScaleByDPI(button->GetWidth(), dpi) : 0;
    TRect strip(b.Right - width, b.Top, b.Right, b.Bottom);
    sub->Calculate(strip);
    b.Right = strip.Left;
    if (button->GetVisible()) b.Right -= g;
  }
  R.Right = b.Right + g;
}

void TZCLCustomEdit::DrawBackground(TCanvas* Canvas, const TRect& R) {
  Canvas->GetBrush()->SetColor(FStyle->GetContentColor(GetEnabled()));
  Canvas->FillRect(R);
  if (FBorders) FStyle->DrawBorder(Canvas, R, Focused() && !GetComponentState().Contains(csDesigning));
}

bool TZCLCustomEdit::CanAutoSize(Integer& NewWidth, Integer& NewHeight) {
  (void)NewWidth;
  if (GetAutoSize()) CalculateAutoHeight(NewHeight);
  return true;
}

void TZCLCustomEdit::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  if (GetAutoSize() && FStyle && !GetComponentState().Contains(csLoading)) CalculateAutoHeight(AHeight);
  inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TZCLCustomEdit::BoundsChanged() {
  if (GetComponentState().Contains(csDestroying) || !FButtons) return;
  Calculate(GetClientRect());
  inherited::BoundsChanged();
}

void TZCLCustomEdit::FocusChanged() {
  inherited::FocusChanged();
  Invalidate();
}

void TZCLCustomEdit::GetInnerControlBounds(TRect& R) {
  R = GetClientRect();
  R.Inflate(-2, -2);
}

void TZCLCustomEdit::UpdateInnerControl() {
  inherited::UpdateInnerControl();
  if (FInnerControl) FStyle->ApplyColorsToControl(FInnerControl, GetEnabled());
}

void TZCLCustomEdit::InnerWndProc(TMessage& Message) {
  // A cell editor wants every special key, so that Enter, Escape and the arrows reach it.
  if (FInplace && Message.Msg == CM_WANTSPECIALKEY) {
    Message.Result = 1;
    return;
  }
  inherited::InnerWndProc(Message);
}

void TZCLCustomEdit::CMWantSpecialKey(TMessage& Message) {
  if (FInplace)
    Message.Result = 1;
  else
    DispatchFrom(&inherited::MessageTable(), Message);
}

TCursor TZCLCustomEdit::GetCursorAt(const TPoint& Point) {
  TZCLEditButton* button = nullptr;
  if (FButtons->HitTest(Point, button) && button->GetEnabled() && button->GetVisible()) return crHandPoint;
  return GetCursor();
}

void TZCLCustomEdit::DoGetHint(const TPoint& Point, String& Hint) {
  const String hint = FButtons->GetHint(Point);
  if (!hint.empty())
    Hint = hint;
  else
    inherited::DoGetHint(Point, Hint);
}

void TZCLCustomEdit::Localize(const String& Section, const String& Name) {
  inherited::Localize(Section, Name);
  if (FButtons->GetCount() == 0) return;
  const String sub = LangSubSection(Section, Name);
  FButtons->BeginUpdate();
  for (Integer i = 0; i < FButtons->GetCount(); ++i) {
    TZCLEditButton* b = FButtons->GetItem(i);
    b->SetCaption(LangGet(sub, u"b[" + IntToStr(i) + u"]", b->GetCaption()));
  }
  FButtons->EndUpdate();
}

void TZCLCustomEdit::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  FButtons->MouseDown(Button, TPoint(X, Y));
}

void TZCLCustomEdit::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  FButtons->MouseMove(Shift, TPoint(X, Y));
}

void TZCLCustomEdit::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseUp(Button, Shift, X, Y);
  FButtons->MouseUp(Button, TPoint(X, Y));
}

void TZCLCustomEdit::MouseLeave() {
  inherited::MouseLeave();
  FButtons->MouseLeave();
}

void TZCLCustomEdit::Paint() {
  TCanvas* canvas = GetCanvas();
  DrawBackground(canvas, GetClientRect());
  DrawContent(canvas);
  FButtons->Draw(canvas);
}

void TZCLCustomEdit::SetTargetDPI(Integer Value) {
  inherited::SetTargetDPI(Value);
  FStyle->SetTargetDPI(Value);
  FStyleButton->SetTargetDPI(Value);
}

// ---- the inner edit ---------------------------------------------------------------------------

const TMessageTable& TZCLInnerEdit::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(), {VCL_MESSAGE(WM_PASTE, &TZCLInnerEdit::WMPaste)});
  return table;
}

TZCLInnerEdit::TZCLInnerEdit(TComponent* AOwner) : TMaskEdit(AOwner) {
  SetDoubleBuffered(false);
  SetParentDoubleBuffered(false);
}

void TZCLInnerEdit::SetInputMask(TZCLEditInputMask Value) {
  if (FInputMask == Value) return;
  FInputMask = Value;
  const bool date = Value == eimDateAndTime;
  SetEditMask(date ? EditDateTimeEditMask() : String());
  SetHint(date ? EditDateTimeFormat() : String());
}

bool TZCLInnerEdit::CanAutoSize(Integer& NewWidth, Integer& NewHeight) {
  (void)NewWidth;
  NewHeight = MeasureTextSize(GetFont(), u"Qq").cy;
  return true;
}

void TZCLInnerEdit::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  if (FAutoSize) {
    Integer w = AWidth;
    CanAutoSize(w, AHeight);
  }
  inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TZCLInnerEdit::DeleteWord(Integer Position, Integer Direction) {
  Integer caret = 0;
  const String text = EditDeleteWord(GetText(), Position, Direction, caret);
  if (text != GetText()) SetText(text);
  Select(caret, caret);
}

bool TZCLInnerEdit::CanType(Char Key) {
  if (FInputMask != eimInteger && FInputMask != eimFloat) return true;
  const String text = GetText();
  const size_t start = std::min(size_t(GetSelStart()), text.size());
  const size_t end = std::min(size_t(GetSelStart() + GetSelLength()), text.size());
  return EditCanTypeText(FInputMask, text.substr(0, start) + Key + text.substr(end));
}

void TZCLInnerEdit::ProcessKeyPress(Char& Key) {
  if (GetMask().IsEmpty() && FInputMask != eimText && Key >= 32) {
    if (FInputMask == eimFloat && Key == u'.') Key = FormatSettings.DecimalSeparator;
    if (!CanType(Key)) Key = 0;
  }
  if (Key == u'\r' || Key == 27) Key = 0;
}

void TZCLInnerEdit::Change() {
  if (auto* host = dynamic_cast<TComponent*>(GetParent()); host && host->GetComponentState().Contains(csLoading)) return;
  inherited::Change();
}

void TZCLInnerEdit::KeyDown(Word& Key, TShiftState Shift) {
  FDropNextChar = false;
  if (Shift == TShiftState{ssCtrl}) {
    if (Key == 'A' && GetReadOnly()) {
      SelectAll();
    } else if ((Key == VK_BACK || Key == VK_DELETE) && !GetReadOnly()) {
      DeleteWord(GetCaretPos(), Key == VK_BACK ? -1 : 1);
      Key = 0;
      // The character of this key press deletes nothing more.
      FDropNextChar = true;
      return;
    }
  }
  inherited::KeyDown(Key, Shift);
}

void TZCLInnerEdit::KeyPress(Char& Key) {
  if (FDropNextChar) {
    FDropNextChar = false;
    if (Key == 8 || Key == 127) {
      Key = 0;
      return;
    }
  }
  ProcessKeyPress(Key);
  if (Key == 0) return;
  inherited::KeyPress(Key);
}

void TZCLInnerEdit::WndProc(TMessage& Message) {
  try {
    inherited::WndProc(Message);
  } catch (const Exception&) {
    // The platform edit's own handling never stops the program over one message.
  }
}

void TZCLInnerEdit::WMPaste(TMessage& Message) {
  inherited::WMPaste(Message);
  if (OnPaste) OnPaste(this);
}

void RegisterEditClasses() {
  RegisterProperties<TZCLStyleEdit>();
  RegisterProperties<TZCLEditButton>();
  RegisterProperties<TZCLCustomEdit>();
  RegisterClasses({TZCLStyleEdit::StaticClass(), TZCLStyleEditButton::StaticClass()});
}
