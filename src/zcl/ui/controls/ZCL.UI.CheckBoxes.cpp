#include "zcl/ui/controls/ZCL.UI.CheckBoxes.h"

#include <algorithm>

#include "os/OS.Text.h"
#include "rtl/RTL.Numbers.h"
#include "vcl/VCL.ActnList.h"
#include "vcl/VCL.Messages.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"

// ---- styles ---------------------------------------------------------------------------------

void TZCLStyleCheckBox::DeclareProperties(TClassDeclaration<TZCLStyleCheckBox>& D) {
  D.Property(u"ColorLine1", 10, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorLine2", 11, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
}

void TZCLStyleCheckBox::InitializeResources() {
  inherited::InitializeResources();
  GetColor(10)->InitializeAsRef(u"Labels.Colors.Line1", true);
  GetColor(11)->InitializeAsRef(u"Labels.Colors.Line2", true);
}

void TZCLStyleCheckBox::InitializeTextures() { GetTexture()->InitializeDefault(u"Buttons.Textures.CheckBox"); }

void TZCLStyleRadioBox::InitializeTextures() { GetTexture()->InitializeDefault(u"Buttons.Textures.RadioBox"); }

// ---- sub-class ------------------------------------------------------------------------------

TZCLCheckBoxSubClass::TZCLCheckBoxSubClass(IZCLButtonOwner* AOwner) : TZCLCustomButtonSubClass(AOwner) {
  FAlignment = taLeftJustify;
}

void TZCLCheckBoxSubClass::SetCheckState(TCheckBoxState Value) {
  if (FCheckState == Value) return;
  FCheckState = Value;
  Invalidate();
}

void TZCLCheckBoxSubClass::SetShowCheckMark(bool Value) {
  if (FShowCheckMark == Value) return;
  FShowCheckMark = Value;
  Refresh();
}

void TZCLCheckBoxSubClass::SetShowLine(bool Value) {
  if (FShowLine == Value) return;
  FShowLine = Value;
  if (Value) FWordWrap = false;
  Refresh();
}

void TZCLCheckBoxSubClass::SetWordWrap(bool Value) {
  if (FWordWrap == Value) return;
  FWordWrap = Value;
  if (Value) FShowLine = false;
  Refresh();
}

void TZCLCheckBoxSubClass::Calculate(const TRect& R) {
  FBounds = R;
  FButtonRect = R;
  TRect rest = R;
  CalculateCheckMarkRect(rest);
  CalculateTextRect(rest);
  CalculateLineRect(rest);
}

void TZCLCheckBoxSubClass::CalculateCheckMarkRect(TRect& R) {
  if (!FShowCheckMark) {
    FButtonRect = TRect();
    return;
  }
  const TSize size = GetFrameSize();
  const Integer top = FWordWrap ? R.Top + 1 : R.Top + (R.Height() - size.cy) / 2;
  FButtonRect = TRect(R.Left, top, R.Left + size.cx, top + size.cy);
  R.Left = FButtonRect.Right + S(5) - 2;
}

void TZCLCheckBoxSubClass::MeasureText(const TRect& R, TSize& Size) {
  TCanvas* canvas = MeasureCanvas();
  AssignCanvasFont(canvas, GetFont());
  TRect r = R;
  if (FShowCheckMark) r.Inflate(-2, -1);
  r.Bottom = r.Top + 2;
  UINT flags = DT_CALCRECT | DT_NOPREFIX;
  flags |= FWordWrap ? DT_WORDBREAK : DT_SINGLELINE;
  if (r.Right < r.Left) r.Right = r.Left;
  const Integer left = r.Left, top = r.Top;
  CanvasDrawText(canvas, r, FCaption, flags);
  Size = TSize(r.Right - left, r.Bottom - top);
  if (FCaption.empty()) Size.cx = 0;
  if (FWordWrap || Size.cy == 0) Size.cy = std::max(Size.cy, CanvasTextSize(canvas, u"Qq").cy);
}

void TZCLCheckBoxSubClass::CalculateTextRect(const TRect& R) {
  MeasureText(R, FTextSize);
  const Integer w = std::max(0, std::min(FTextSize.cx, R.Width()));
  TRect text = R;
  switch (FAlignment) {
    case taRightJustify: text.Left = R.Right - w; break;
    case taCenter: text.Left = R.Left + (R.Width() - w) / 2; break;
    default: break;
  }
  text.Right = text.Left + w;
  text.Top = R.Top + (R.Height() - FTextSize.cy) / 2;
  text.Bottom = text.Top + FTextSize.cy;
  text.Offset(0, -1);
  FTextRect = text;
  if (FTextRect.IsEmpty() || FCaption.empty()) {
    FFocusRect = FButtonRect;
    FFocusRect.Inflate(-2, -2);
    if (FFocusRect.IsEmpty()) FFocusRect = FBounds;
  } else if (FShowCheckMark) {
    TRect focus = FTextRect;
    focus.Inflate(2, 1);
    FFocusRect = TRect(std::max(focus.Left, FBounds.Left), std::max(focus.Top, FBounds.Top),
                       std::min(focus.Right, FBounds.Right), std::min(focus.Bottom, FBounds.Bottom));
  } else {
    FFocusRect = TRect();
  }
}

void TZCLCheckBoxSubClass::CalculateLineRect(const TRect& R) {
  FLineRect = FShowLine ? CalculateEtchedLineRect(R) : TRect();
}

void TZCLCheckBoxSubClass::CalculateAutoSize(Integer& Width, Integer& Height) {
  const TSize mark = FShowCheckMark ? GetFrameSize() : TSize();
  TRect r(0, 0, Width < 0 ? 65535 : Width, 65535);
  if (FShowCheckMark) r.Left += mark.cx + S(5) - 2;
  TSize text;
  MeasureText(r, text);
  if (Height < 0) Height = std::max(text.cy + 2, Integer(mark.cy));
  if (Width < 0) {
    Width = text.cx;
    if (FShowCheckMark) {
      if (text.cx > 0) Width += S(5) + 4;
      Width += mark.cx;
    }
  }
}

void TZCLCheckBoxSubClass::DrawBackground(TCanvas* Canvas, const TRect& R) {
  if (!R.IsEmpty()) GetStyle()->DrawCheckMark(Canvas, R, FState, FCheckState);
}

void TZCLCheckBoxSubClass::DrawContent(TCanvas* Canvas) {
  if (!FCaption.empty()) {
    PrepareCanvas(Canvas);
    UINT flags = DT_END_ELLIPSIS | DT_NOPREFIX | DT_VCENTER;
    flags |= FAlignment == taLeftJustify ? DT_LEFT : FAlignment == taRightJustify ? DT_RIGHT : DT_CENTER;
    flags |= FWordWrap ? DT_WORDBREAK : DT_SINGLELINE;
    TRect r = FTextRect;
    CanvasDrawText(Canvas, r, FCaption, flags);
  }
  if (FShowLine)
    if (auto* style = dynamic_cast<TZCLStyleCheckBox*>(GetStyle()))
      DrawEtchedLine(Canvas, FLineRect, FTextRect, style->GetColorLine1(), style->GetColorLine2());
}

// ---- sub-control options --------------------------------------------------------------------

void TZCLCheckBoxSubControlOptions::SetEnabled(bool Value) {
  FEnabled = Value;
  if (TControl* control = GetControl(); control && control->GetEnabled() != Value) {
    FApplying = true;
    try {
      control->SetEnabled(Value);
    } catch (...) {
      FApplying = false;
      throw;
    }
    FApplying = false;
  }
}

void TZCLCheckBoxSubControlOptions::Align(TRect& OwnerRect) {
  auto* box = dynamic_cast<TZCLCustomCheckBox*>(GetOwner());
  if (box && GetPosition() == mBottom && box->GetShowCheckMark()) {
    // Lines the glued control up with the caption.
    const Integer dpi = box->GetCurrentPPI();
    const Integer indent = box->GetCheckBoxStyle()->GetTexture()->GetFrameWidth() + ScaleByDPI(5, dpi);
    TRect r = OwnerRect;
    r.Left += indent;
    inherited::Align(r);
    OwnerRect.Bottom = r.Bottom;
  } else {
    inherited::Align(OwnerRect);
  }
  if (box) box->UpdateSubControlEnabled();
}

void TZCLCheckBoxSubControlOptions::GluedWindowProc(TMessage& Message) {
  inherited::GluedWindowProc(Message);
  // Enabling the glued control from outside does not outlive the box's rule.
  if (Message.Msg == CM_ENABLEDCHANGED && !FApplying && GetControl() && GetControl()->GetEnabled() != FEnabled)
    SetEnabled(FEnabled);
}

// ---- custom check box -----------------------------------------------------------------------

const TMessageTable& TZCLCustomCheckBox::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_ENABLEDCHANGED, &TZCLCustomCheckBox::CMEnabledChanged),
                                    VCL_MESSAGE(CM_TEXTCHANGED, &TZCLCustomCheckBox::CMTextChanged),
                                    VCL_MESSAGE(CM_VISIBLECHANGED, &TZCLCustomCheckBox::CMVisibleChanged),
                                    VCL_MESSAGE(WM_NCHITTEST, &TZCLCustomCheckBox::WMNCHitTest),
                                    VCL_MESSAGE(WM_MOVE, &TZCLCustomCheckBox::WMMove)});
  return table;
}

TZCLCustomCheckBox::TZCLCustomCheckBox(TComponent* AOwner) : TZCLCustomButton(AOwner) {}

TZCLCustomCheckBox::~TZCLCustomCheckBox() {
  Free(FSubControl);
  FSubControl = nullptr;
}

void TZCLCustomCheckBox::AfterConstruction() {
  FSubControl = CreateSubControlOptions();
  inherited::AfterConstruction();
  SetAutoSize(true);
  Calculate(GetClientRect());
}

void TZCLCustomCheckBox::DeclareProperties(TClassDeclaration<TZCLCustomCheckBox>& D) {
  D.Property(u"Alignment", &TZCLCustomButton::GetAlignment, &TZCLCustomButton::SetAlignment).Default(taLeftJustify);
  D.Publish(u"Caption");
  D.Property(u"AutoSize", &TControl::GetAutoSize, &TControl::SetAutoSize).Default(true);
  D.Property(u"Cursor", &TControl::GetCursor, &TControl::SetCursor)
      .Type(TypeInfoTCursor())
      .Stored(&TZCLCustomCheckBox::IsCursorStored);
  D.Property(u"ShowCheckMark", &TZCLCustomCheckBox::GetShowCheckMark, &TZCLCustomCheckBox::SetShowCheckMark)
      .Default(true);
  D.Property(u"ShowLine", &TZCLCustomCheckBox::GetShowLine, &TZCLCustomCheckBox::SetShowLine).Default(false);
  D.Property(u"Style", &TZCLCustomCheckBox::GetCheckBoxStyle, &TZCLCustomCheckBox::SetCheckBoxStyle);
  D.Property(u"Transparent", &TZCLCustomControl::GetTransparent, &TZCLCustomControl::SetTransparent).Default(false);
  D.Property(u"WordWrap", &TZCLCustomCheckBox::GetWordWrap, &TZCLCustomCheckBox::SetWordWrap).Default(false);
}

TZCLStyleButton* TZCLCustomCheckBox::CreateStyle() { return Create<TZCLStyleCheckBox>(static_cast<TObject*>(this)); }

TZCLCustomButtonSubClass* TZCLCustomCheckBox::CreateSubClass() { return new TZCLCheckBoxSubClass(this); }

TZCLCheckBoxSubControlOptions* TZCLCustomCheckBox::CreateSubControlOptions() {
  return new TZCLCheckBoxSubControlOptions(this);
}

TCheckBoxState TZCLCustomCheckBox::GetState() const {
  return FSubClass ? GetCheckBoxSubClass()->GetCheckState() : cbUnchecked;
}

bool TZCLCustomCheckBox::GetShowCheckMark() const { return GetCheckBoxSubClass()->GetShowCheckMark(); }
bool TZCLCustomCheckBox::GetShowLine() const { return GetCheckBoxSubClass()->GetShowLine(); }
bool TZCLCustomCheckBox::GetWordWrap() const { return GetCheckBoxSubClass()->GetWordWrap(); }
void TZCLCustomCheckBox::SetShowLine(bool Value) { GetCheckBoxSubClass()->SetShowLine(Value); }
void TZCLCustomCheckBox::SetWordWrap(bool Value) { GetCheckBoxSubClass()->SetWordWrap(Value); }

bool TZCLCustomCheckBox::IsCursorStored() const {
  return GetCursor() != (GetShowCheckMark() ? crHandPoint : crDefault);
}

void TZCLCustomCheckBox::SetShowCheckMark(bool Value) {
  if (!IsCursorStored()) SetCursor(Value ? crHandPoint : crDefault);
  GetCheckBoxSubClass()->SetShowCheckMark(Value);
  UpdateSubControlEnabled();
}

void TZCLCustomCheckBox::SetState(TCheckBoxState Value) {
  GetCheckBoxSubClass()->SetCheckState(Value);
  UpdateSubControlEnabled();
}

void TZCLCustomCheckBox::Toggle() {
  if (!FAllowGrayed) {
    SetChecked(!GetChecked());
    return;
  }
  switch (GetState()) {
    case cbUnchecked: SetState(cbChecked); break;
    case cbChecked: SetState(cbGrayed); break;
    default: SetState(cbUnchecked); break;
  }
}

void TZCLCustomCheckBox::Click() {
  if (GetShowCheckMark()) Toggle();
  inherited::Click();
}

void TZCLCustomCheckBox::UpdateSubControlEnabled() {
  if (!FSubControl || !FSubClass) return;
  FSubControl->SetEnabled(GetEnabled() && (!GetShowCheckMark() || GetChecked()));
}

void TZCLCustomCheckBox::Calculate(const TRect& R) {
  if (!FSubClass || !FSubControl) return;
  const bool mark = GetShowCheckMark();
  SetTabStop(mark);
  SetFocusOnClick(mark);
  TRect r = R;
  FSubControl->Align(r);
  FSubClass->Calculate(r);
}

bool TZCLCustomCheckBox::CanAutoSize(Integer& NewWidth, Integer& NewHeight) {
  if (!FSubClass || !FSubControl) return true;
  const TAlign align = GetAlign();
  const bool askWidth = align != alTop && align != alBottom && align != alClient && !GetWordWrap() && !GetShowLine();
  FSubControl->SubtractFromOwnerSize(NewWidth, NewHeight);
  Integer w = askWidth ? -1 : NewWidth, h = -1;
  GetCheckBoxSubClass()->CalculateAutoSize(w, h);
  NewWidth = w;
  NewHeight = h;
  FSubControl->AddToOwnerSize(NewWidth, NewHeight);
  return true;
}

void TZCLCustomCheckBox::ActionChange(TObject* Sender, bool CheckDefaults) {
  inherited::ActionChange(Sender, CheckDefaults);
  if (auto* action = dynamic_cast<TCustomAction*>(Sender))
    if (!CheckDefaults || !GetChecked()) SetChecked(action->GetChecked());
}

void TZCLCustomCheckBox::Loaded() {
  inherited::Loaded();
  UpdateSubControlEnabled();
}

void TZCLCustomCheckBox::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (FSubControl) FSubControl->Notification(AComponent, Operation);
}

void TZCLCustomCheckBox::CMEnabledChanged(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  UpdateSubControlEnabled();
}

void TZCLCustomCheckBox::CMTextChanged(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  if (GetAutoSize()) AdjustSize();
}

void TZCLCustomCheckBox::CMVisibleChanged(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  if (FSubControl) FSubControl->UpdateVisibility();
}

void TZCLCustomCheckBox::WMMove(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  if (FSubControl && FSubControl->GetControl()) Calculate(GetClientRect());
}

bool TZCLCustomCheckBox::IsHit(const TPoint& P) {
  if (GetCaptureControl() == this) return true;
  TZCLCheckBoxSubClass* sub = GetCheckBoxSubClass();
  return sub->GetButtonRect().Contains(P) || sub->GetFocusRect().Contains(P) || sub->GetLineRect().Contains(P);
}

void TZCLCustomCheckBox::WMNCHitTest(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  if (GetComponentState().Contains(csDesigning) || !FSubClass) return;
  const TPoint p = ScreenToClient(TPoint(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)));
  if (!IsHit(p)) Message.Result = HTTRANSPARENT;
}

// ---- check box, radio box -------------------------------------------------------------------

void TZCLCheckBox::DeclareProperties(TClassDeclaration<TZCLCheckBox>& D) {
  D.Property(u"AllowGrayed", &TZCLCustomCheckBox::GetAllowGrayed, &TZCLCustomCheckBox::SetAllowGrayed).Default(false);
  D.Property(u"Checked", &TZCLCustomCheckBox::GetChecked, &TZCLCustomCheckBox::SetChecked).Stored(false);
  D.Property(u"State", &TZCLCustomCheckBox::GetState, &TZCLCustomCheckBox::SetState).Default(cbUnchecked);
  D.Property(u"SubControl", &TZCLCustomCheckBox::GetSubControl, &TZCLCustomCheckBox::SetSubControl);
}

void TZCLRadioBox::DeclareProperties(TClassDeclaration<TZCLRadioBox>& D) {
  D.Property(u"Checked", &TZCLCustomCheckBox::GetChecked, &TZCLCustomCheckBox::SetChecked).Default(false);
  D.Property(u"GroupIndex", &TZCLCustomCheckBox::GetGroupIndex, &TZCLCustomCheckBox::SetGroupIndex).Default(0);
  D.Property(u"SubControl", &TZCLCustomCheckBox::GetSubControl, &TZCLCustomCheckBox::SetSubControl);
}

TZCLStyleButton* TZCLRadioBox::CreateStyle() { return Create<TZCLStyleRadioBox>(static_cast<TObject*>(this)); }

void TZCLRadioBox::Toggle() { SetChecked(true); }

void TZCLRadioBox::SetState(TCheckBoxState Value) {
  if (GetState() == Value) return;
  if (Value == cbChecked && GetParent()) {
    TWinControl* parent = GetParent();
    for (Integer i = 0; i < parent->GetControlCount(); ++i) {
      auto* other = dynamic_cast<TZCLRadioBox*>(parent->GetControl(i));
      if (!other || other == this || other->FGroupIndex != FGroupIndex) continue;
      // Quietly: only the mark and the glued control follow.
      other->GetCheckBoxSubClass()->SetCheckState(cbUnchecked);
      other->UpdateSubControlEnabled();
    }
  }
  inherited::SetState(Value);
}

// ---- in-place check box ---------------------------------------------------------------------

void TZCLInplaceCheckBox::AfterConstruction() {
  inherited::AfterConstruction();
  SetAutoSize(false);
  SetParent(FInfo.Parent);
  SetBounds(FInfo.TextBounds.Left, FInfo.Bounds.Top, FInfo.Bounds.Right - FInfo.TextBounds.Left,
            FInfo.Bounds.Height());
  OnClick = FInfo.OnApply;
  OnKeyDown = FInfo.OnKeyDown;
}

String TZCLInplaceCheckBox::InplaceGetValue() { return GetChecked() ? u"True" : u"False"; }

void TZCLInplaceCheckBox::InplaceSetValue(const String& Value) {
  Integer number = 0;
  SetChecked(Value == u"True" || (TryStrToInt(Value, number) && number != 0));
  SetCaption(InplaceGetValue());
}

// ---- action link ----------------------------------------------------------------------------

bool TZCLCheckBoxActionLink::IsCheckedLinked() {
  auto* box = dynamic_cast<TZCLCustomCheckBox*>(FClient);
  return inherited::IsCheckedLinked() && box && box->GetChecked() == CustomAction()->GetChecked();
}

void TZCLCheckBoxActionLink::SetChecked(bool Value) {
  if (auto* box = dynamic_cast<TZCLCustomCheckBox*>(FClient)) box->SetChecked(Value);
}

void TZCLCheckBoxActionLink::ActionChange(TBasicAction* Action, bool CheckDefaults) {
  inherited::ActionChange(Action, CheckDefaults);
  if (auto* box = dynamic_cast<TZCLCustomCheckBox*>(FClient)) box->ActionChange(Action, CheckDefaults);
}

void RegisterCheckBoxClasses() {
  RegisterProperties<TZCLStyleCheckBox>();
  RegisterProperties<TZCLStyleRadioBox>();
  RegisterProperties<TZCLCustomCheckBox>();
  RegisterProperties<TZCLCheckBox>();
  RegisterProperties<TZCLRadioBox>();
  RegisterClasses({TZCLStyleCheckBox::StaticClass(), TZCLStyleRadioBox::StaticClass(), TZCLCheckBox::StaticClass(),
                   TZCLRadioBox::StaticClass()});
  RegisterActionLinkClass(TZCLCustomCheckBox::StaticClass(), TZCLCheckBoxActionLink::StaticClass());
}
