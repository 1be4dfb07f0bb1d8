#include "zcl/ui/controls/ZCL.UI.Controls.GroupBox.h"

#include <algorithm>

#include "os/OS.Gdi.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streaming.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/ui/ZCL.UI.Resources.Texture.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"

// ---- caption ----------------------------------------------------------------------------------

void TZCLGroupBoxCaptionStyle::InitializeResources() {
  for (Integer i = 0; i < 4; ++i) GetColor(i)->InitializeAsRef(u"Groups.Colors.HeaderText", false);
  InitializeTextures();
}

void TZCLGroupBoxCaptionStyle::InitializeTextures() { GetTexture()->InitializeDefault(u"Buttons.Textures.CheckBox"); }

TZCLGroupBoxCaption::TZCLGroupBoxCaption(TZCLCustomControl* AOwner, TZCLStyleButton* AStyle)
    : FOwner(AOwner), FStyle(AStyle) {}

Integer TZCLGroupBoxCaption::CheckSize() const {
  if (!ShowCheckMark) return 0;
  const Integer h = FStyle->GetTexture()->GetFrameHeight();
  return h > 0 ? h : ScaleByDPI(13, FOwner->GetCurrentPPI());
}

TSize TZCLGroupBoxCaption::CalculateAutoSize() {
  const TSize text = MeasureTextSize(FOwner->GetFont(), Caption);
  const Integer check = CheckSize();
  const Integer gap = check > 0 ? ScaleByDPI(4, FOwner->GetCurrentPPI()) : 0;
  return TSize(check + gap + text.cx, std::max(check, text.cy));
}

void TZCLGroupBoxCaption::Draw(TCanvas* Canvas) {
  TRect r = FBounds;
  const TZCLButtonState state = !Enabled ? bstDisabled : FPressed ? bstPressed : FHot ? bstHover : bstNormal;
  const Integer check = CheckSize();
  if (check > 0) {
    TRect mark(r.Left, r.Top + (r.Height() - check) / 2, r.Left + check, 0);
    mark.Bottom = mark.Top + check;
    FStyle->DrawCheckMark(Canvas, mark, state, Checked ? cbChecked : cbUnchecked);
    r.Left = mark.Right + ScaleByDPI(4, FOwner->GetCurrentPPI());
  }
  AssignCanvasFont(Canvas, FOwner->GetFont());
  Canvas->GetFont()->SetColor(FStyle->GetTextColor(state));
  Canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
  TextDraw(Canvas, Caption, r, taLeftJustify, taVerticalCenter, true);
  if (Focused && ShowCheckMark) DrawDottedFrame(Canvas, r, FStyle->GetTextColor(state));
}

void TZCLGroupBoxCaption::SetHot(bool Hot) {
  if (Hot == FHot) return;
  FHot = Hot;
  FOwner->InvalidateRect(FBounds);
}

void TZCLGroupBoxCaption::MouseDown(TMouseButton Button, const TPoint& P) {
  SetHot(FBounds.Contains(P));
  if (Button == TMouseButton::Left && FHot && Enabled) {
    FPressed = true;
    FOwner->InvalidateRect(FBounds);
  }
}

void TZCLGroupBoxCaption::MouseMove(const TPoint& P) { SetHot(FBounds.Contains(P)); }

void TZCLGroupBoxCaption::MouseUp(const TPoint& P) {
  const bool click = FPressed && FBounds.Contains(P);
  FPressed = false;
  FOwner->InvalidateRect(FBounds);
  if (click && OnClick) OnClick(this);
}

void TZCLGroupBoxCaption::MouseLeave() { SetHot(false); }

void TZCLGroupBoxCaption::KeyDown(Word Key) {
  if (Key == VK_SPACE && Enabled) {
    FPressed = true;
    FOwner->InvalidateRect(FBounds);
  }
}

void TZCLGroupBoxCaption::KeyUp(Word Key) {
  if (Key != VK_SPACE || !FPressed) return;
  FPressed = false;
  FOwner->InvalidateRect(FBounds);
  if (OnClick) OnClick(this);
}

// ---- custom group box -------------------------------------------------------------------------

const TMessageTable& TZCLCustomGroupBox::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_ENABLEDCHANGED, &TZCLCustomGroupBox::CMEnabledChanged)});
  return table;
}

TZCLCustomGroupBox::TZCLCustomGroupBox(TComponent* AOwner) : TZCLContainer(AOwner) {
  TControlStyle style = GetControlStyle();
  style.Include(csAcceptsControls);
  SetControlStyle(style);
  SetDoubleBuffered(true);
}

void TZCLCustomGroupBox::AfterConstruction() {
  FStyleCaption = CreateStyleCaption();
  FCaption = new TZCLGroupBoxCaption(this, FStyleCaption);
  FCaption->OnClick = TNotifyEvent(this, &TZCLCustomGroupBox::CaptionClick);
  inherited::AfterConstruction();
}

TZCLCustomGroupBox::~TZCLCustomGroupBox() {
  Free(FCaption);
  FCaption = nullptr;
  Free(FStyleCaption);
  FStyleCaption = nullptr;
}

void TZCLCustomGroupBox::DeclareProperties(TClassDeclaration<TZCLCustomGroupBox>& D) {
  D.Property(u"Caption", &TZCLCustomGroupBox::GetCaption, &TZCLCustomGroupBox::SetCaption).Default(u"");
  D.Property(u"StyleCaption", &TZCLCustomGroupBox::GetStyleCaption, &TZCLCustomGroupBox::SetStyleCaption);
  D.Property(u"DoubleBuffered", &TZCLCustomGroupBox::GetDoubleBuffered, &TZCLCustomGroupBox::SetDoubleBuffered)
      .Default(true);
}

void TZCLCustomGroupBox::SetCaption(const String& Value) {
  if (!FCaption || Value == FCaption->Caption) return;
  FCaption->Caption = Value;
  FullRefresh();
  Realign();
}

void TZCLCustomGroupBox::BoundsChanged() {
  inherited::BoundsChanged();
  if (FCaption) Calculate(GetClientRect());
}

void TZCLCustomGroupBox::Calculate(const TRect& R) {
  SetTabStop(FCaption->ShowCheckMark);
  SetFocusOnClick(FCaption->ShowCheckMark);
  CalculateCaption(R);
  CalculateFrame(R);
  FCaption->Enabled = GetEnabled();
  FCaption->Calculate(FCaptionBounds);
}

void TZCLCustomGroupBox::CalculateCaption(const TRect& R) {
  if (FCaption->Caption.empty()) {
    FCaptionRect = TRect(R.Left, R.Top, R.Right, R.Top);
    FCaptionBounds = FCaptionRect;
    return;
  }
  const TSize size = FCaption->CalculateAutoSize();
  const Integer dpi = GetCurrentPPI();
  const Integer grow = dpi * 3 / 96;
  const TRect padding = GetPadding()->GetScaledRect(dpi);
  const Integer left = padding.Left + 2 + grow;
  const Integer right = padding.Right + 2 + grow;
  const Integer available = std::max(0, R.Width() - left - right);
  FCaptionBounds = TRect(R.Left + left, R.Top, R.Left + left + std::min(size.cx, available), R.Top + size.cy);
  const Integer s = ScaleByDPI(2, dpi);
  FCaptionRect = TRect(FCaptionBounds.Left - s, FCaptionBounds.Top, FCaptionBounds.Right + s, FCaptionBounds.Bottom);
}

void TZCLCustomGroupBox::CalculateFrame(const TRect& R) {
  FFrameRect = R;
  FFrameRect.Top = (FCaptionRect.Top + FCaptionRect.Bottom) / 2;
}

TRect TZCLCustomGroupBox::GetContentOffset() {
  if (!FCaption || FCaption->Caption.empty()) return inherited::GetContentOffset();
  return TRect(2, FFrameRect.Top + 2, 2, 2);
}

void TZCLCustomGroupBox::AdjustClientRect(TRect& Rect) {
  inherited::AdjustClientRect(Rect);
  if (FCaption && !FCaption->Caption.empty()) Rect.Top = std::max(Rect.Top, FCaptionRect.Bottom - 1);
}

bool TZCLCustomGroupBox::CanAutoSize(Integer& NewWidth, Integer& NewHeight) {
  const bool result = inherited::CanAutoSize(NewWidth, NewHeight);
  if (FCaption && !FCaption->Caption.empty()) {
    NewWidth = std::max(NewWidth, FCaptionRect.Width());
    NewHeight = std::max(NewHeight, FCaptionRect.Height());
  }
  return result;
}

TCursor TZCLCustomGroupBox::GetCursorAt(const TPoint& Point) {
  if (FCaption->ShowCheckMark && FCaption->GetBounds().Contains(Point)) return crHandPoint;
  return GetCursor();
}

void TZCLCustomGroupBox::DrawCaption(TCanvas* Canvas, const TRect&) { FCaption->Draw(Canvas); }

void TZCLCustomGroupBox::SetTargetDPI(Integer DPI) {
  inherited::SetTargetDPI(DPI);
  if (FStyleCaption) FStyleCaption->SetTargetDPI(DPI);
}

void TZCLCustomGroupBox::FocusChanged() {
  FCaption->Focused = Focused();
  Invalidate();
}

void TZCLCustomGroupBox::Paint() {
  TCanvas* canvas = GetCanvas();
  AssignCanvasFont(canvas, GetFont());
  canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
  const Integer saved = SaveDC(canvas->GetHandle());
  const TRect client = GetClientRect();
  if (!GetTransparent()) GetStyle()->Draw(canvas, client, false, TZCLBorders{});
  DrawCaption(canvas, FCaptionRect);
  ExcludeClipRect(canvas->GetHandle(), FCaptionRect.Left, FCaptionRect.Top, FCaptionRect.Right, FCaptionRect.Bottom);
  TRect content = client;
  AdjustClientRect(content);
  DrawContent(canvas, content);
  GetStyle()->Draw(canvas, FFrameRect, true, GetBorders());
  RestoreDC(canvas->GetHandle(), saved);
}

void TZCLCustomGroupBox::KeyDown(Word& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  FCaption->KeyDown(Key);
}

void TZCLCustomGroupBox::KeyUp(Word& Key, TShiftState Shift) {
  inherited::KeyUp(Key, Shift);
  FCaption->KeyUp(Key);
}

void TZCLCustomGroupBox::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  FCaption->MouseDown(Button, TPoint(X, Y));
}

void TZCLCustomGroupBox::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  FCaption->MouseMove(TPoint(X, Y));
}

void TZCLCustomGroupBox::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseUp(Button, Shift, X, Y);
  FCaption->MouseUp(TPoint(X, Y));
}

void TZCLCustomGroupBox::MouseLeave() {
  inherited::MouseLeave();
  FCaption->MouseLeave();
}

void TZCLCustomGroupBox::CMEnabledChanged(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  FullRefresh();
}

// ---- check box options ------------------------------------------------------------------------

void TZCLGroupBoxCheckBox::DeclareProperties(TClassDeclaration<TZCLGroupBoxCheckBox>& D) {
  D.Property(u"Action", &TZCLGroupBoxCheckBox::GetAction, &TZCLGroupBoxCheckBox::SetAction).Default(cbaNone);
  D.Property(u"Checked", &TZCLGroupBoxCheckBox::GetChecked, &TZCLGroupBoxCheckBox::SetChecked).Default(true);
  D.Property(u"Visible", &TZCLGroupBoxCheckBox::GetVisible, &TZCLGroupBoxCheckBox::SetVisible).Default(false);
}

void TZCLGroupBoxCheckBox::Assign(TPersistent* Source) {
  if (auto* c = dynamic_cast<TZCLGroupBoxCheckBox*>(Source)) {
    SetAction(c->GetAction());
    SetChecked(c->GetChecked());
    SetVisible(c->GetVisible());
    return;
  }
  inherited::Assign(Source);
}

void TZCLGroupBoxCheckBox::SetAction(TZCLGroupBoxCheckBoxAction Value) {
  if (Value == FAction) return;
  // The old action lets go first: children come back and the group opens.
  FGroupBox->RestoreChildren();
  FGroupBox->SetMinimized(false);
  FAction = Value;
  FGroupBox->Apply();
}

bool TZCLGroupBoxCheckBox::GetChecked() const { return FGroupBox->GetCaptionObject()->Checked; }

void TZCLGroupBoxCheckBox::SetChecked(bool Value) {
  if (Value == GetChecked()) return;
  FGroupBox->GetCaptionObject()->Checked = Value;
  FGroupBox->FullRefresh();
  FGroupBox->Apply();
}

bool TZCLGroupBoxCheckBox::GetVisible() const { return FGroupBox->GetCaptionObject()->ShowCheckMark; }

void TZCLGroupBoxCheckBox::SetVisible(bool Value) {
  if (Value == GetVisible()) return;
  FGroupBox->GetCaptionObject()->ShowCheckMark = Value;
  FGroupBox->FullRefresh();
  FGroupBox->Apply();
}

// ---- group box --------------------------------------------------------------------------------

TZCLGroupBox::TZCLGroupBox(TComponent* AOwner) : TZCLCustomGroupBox(AOwner) {
  FCheckBox = new TZCLGroupBoxCheckBox(this);
}

TZCLGroupBox::~TZCLGroupBox() {
  delete FDisabledControls;
  FDisabledControls = nullptr;
  Free(FCheckBox);
  FCheckBox = nullptr;
}

void TZCLGroupBox::DeclareProperties(TClassDeclaration<TZCLGroupBox>& D) {
  D.Property(u"CheckBox", &TZCLGroupBox::GetCheckBox, &TZCLGroupBox::SetCheckBox);
  D.Event(u"OnCheckBoxStateChanged", &TZCLGroupBox::OnCheckBoxStateChanged);
}

TZCLStyleButton* TZCLGroupBox::CreateStyleCaption() {
  return Create<TZCLGroupBoxCaptionStyle>(static_cast<TObject*>(this));
}

void TZCLGroupBox::CheckBoxClick() { FCheckBox->SetChecked(!FCheckBox->GetChecked()); }

void TZCLGroupBox::DefineProperties(TFiler* Filer) {
  inherited::DefineProperties(Filer);
  Filer->DefineProperty(
      u"CheckBoxMode", [this](TReader* R) { ReadCheckBoxMode(R->ReadIdent()); }, nullptr, false);
  Filer->DefineProperty(
      u"CheckBoxState", [this](TReader* R) { ReadCheckBoxState(R->ReadBoolean()); }, nullptr, false);
}

void TZCLGroupBox::ReadCheckBoxMode(const String& Identifier) {
  if (Identifier == u"msgcbNone") {
    FCheckBox->SetVisible(false);
    FCheckBox->SetAction(cbaNone);
  } else if (Identifier == u"msgcbToggleEnableState") {
    FCheckBox->SetVisible(true);
    FCheckBox->SetAction(cbaToggleChildrenEnableState);
  } else {
    FCheckBox->SetVisible(true);
    FCheckBox->SetAction(cbaNone);
  }
}

void TZCLGroupBox::Apply() {
  if (GetComponentState().Contains(csDesigning) || !FCheckBox->GetVisible()) return;
  const TZCLGroupBoxCheckBoxAction action = FCheckBox->GetAction();
  if (action == cbaToggleChildrenEnableState || action == cbaToggleMinimizeState) {
    if (FCheckBox->GetChecked())
      RestoreChildren();
    else
      DisableChildren();
  }
  if (action == cbaToggleMinimizeState) SetMinimized(!FCheckBox->GetChecked());
  if (OnCheckBoxStateChanged) OnCheckBoxStateChanged(this);
}

void TZCLGroupBox::DisableChildren() {
  if (FDisabledControls) return;
  FDisabledControls = new std::vector<TControl*>();
  for (Integer i = 0; i < GetControlCount(); ++i) {
    TControl* c = GetControl(i);
    if (!c->GetEnabled()) continue;
    FDisabledControls->push_back(c);
    c->SetEnabled(false);
  }
}

void TZCLGroupBox::RestoreChildren() {
  if (!FDisabledControls) return;
  // Only children this group disabled; those disabled before stay so.
  for (Integer i = 0; i < GetControlCount(); ++i) {
    TControl* c = GetControl(i);
    auto it = std::find(FDisabledControls->begin(), FDisabledControls->end(), c);
    if (it == FDisabledControls->end()) continue;
    FDisabledControls->erase(it);
    c->SetEnabled(true);
  }
  delete FDisabledControls;
  FDisabledControls = nullptr;
}

void TZCLGroupBox::SetMinimized(bool Value) {
  if (Value == FMinimized) return;
  if (Value) FRestoreHeight = GetHeight();
  FMinimized = Value;
  SetBounds(GetLeft(), GetTop(), GetWidth(), Value ? MinimizedHeight() : FRestoreHeight);
  Realign();
}

void TZCLGroupBox::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  if (FMinimized) AHeight = MinimizedHeight();
  inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TZCLGroupBox::AdjustClientRect(TRect& Rect) {
  inherited::AdjustClientRect(Rect);
  // Collapsed: the children lie below the visible part.
  if (FMinimized) {
    Rect.Top = MinimizedHeight();
    Rect.Bottom = 65535;
  }
}

void RegisterGroupBoxClasses() {
  RegisterProperties<TZCLGroupBoxCaptionStyle>();
  RegisterProperties<TZCLCustomGroupBox>();
  RegisterProperties<TZCLGroupBoxCheckBox>();
  RegisterProperties<TZCLGroupBox>();
  RegisterClasses({TZCLGroupBoxCaptionStyle::StaticClass(), TZCLGroupBox::StaticClass()});
}
