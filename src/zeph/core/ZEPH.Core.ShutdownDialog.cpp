#include "zeph/core/ZEPH.Core.ShutdownDialog.h"

#include "os/OS.Text.h"
#include "rtl/RTL.Format.h"
#include "rtl/RTL.Numbers.h"
#include "vcl/VCL.Messages.h"
#include "zcl/base/ZCL.MUI.h"
#include "zeph/core/ZEPH.Core.Config.h"
#include "zeph/core/ZEPH.Core.Services.h"

// ---- label, image and button ---------------------------------------------------------------------

TZEPHDialogLabel::TZEPHDialogLabel(TComponent* AOwner) : TGraphicControl(AOwner) {}

void TZEPHDialogLabel::Paint() {
  TCanvas* canvas = GetCanvas();
  canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
  TRect r = GetClientRect();
  DrawText(canvas->GetHandle(), GetCaption(), &r, DT_WORDBREAK | DT_LEFT | DT_TOP);
}

TZEPHDialogImage::TZEPHDialogImage(TComponent* AOwner) : TGraphicControl(AOwner), FPicture(Create<TPicture>()) {}

TZEPHDialogImage::~TZEPHDialogImage() { Free(FPicture); }

void TZEPHDialogImage::Paint() { GetCanvas()->Draw(0, 0, FPicture->GetGraphic()); }

TZEPHDialogButton::TZEPHDialogButton(TComponent* AOwner) : TCustomControl(AOwner) { SetTabStop(true); }

const TMessageTable& TZEPHDialogButton::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_DIALOGKEY, &TZEPHDialogButton::CMDialogKey),
                                    VCL_MESSAGE(CM_TEXTCHANGED, &TZEPHDialogButton::CMTextChanged)});
  return table;
}

void TZEPHDialogButton::CMDialogKey(TMessage& Message) {
  if ((Message.WParam == VK_RETURN && FDefault) || (Message.WParam == VK_ESCAPE && FCancel)) {
    if (GetEnabled() && GetVisible()) {
      Click();
      Message.Result = 1;
      return;
    }
  }
  InheritedMessage(inherited::MessageTable(), Message);
}

void TZEPHDialogButton::CMTextChanged(TMessage&) { Invalidate(); }

void TZEPHDialogButton::Paint() {
  TCanvas* canvas = GetCanvas();
  const TRect r = GetClientRect();
  canvas->GetBrush()->SetColor(clBtnFace);
  canvas->FillRect(r);
  canvas->GetBrush()->SetColor(FDefault ? clHighlight : clBtnShadow);
  canvas->FrameRect(r);
  canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
  TRect text = r;
  DrawText(canvas->GetHandle(), GetCaption(), &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void TZEPHDialogButton::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TCustomControl::MouseUp(Button, Shift, X, Y);
  if (Button == mbLeft && GetClientRect().Contains(TPoint(X, Y))) Click();
}

void TZEPHDialogButton::KeyDown(Word& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (Key == VK_SPACE) Click();
}

// ---- form ----------------------------------------------------------------------------------------

namespace {
template <class T>
T* Place(TZEPHShutdownDialogForm* Form, T* Control, StringView Name, Integer Left, Integer Top, Integer Width,
         Integer Height) {
  Control->SetName(String(Name));
  Control->SetParent(Form);
  Control->SetBounds(Left, Top, Width, Height);
  return Control;
}
}  // namespace

TZEPHShutdownDialogForm::TZEPHShutdownDialogForm(TComponent* AOwner) : TForm(AOwner) {
  SetName(u"ZEPHShutdownDialogForm");
  SetBorderStyle(bsSingle);
  SetBorderIcons(TBorderIcons{biSystemMenu});
  SetPosition(poScreenCenter);
  SetClientWidth(370);
  SetClientHeight(103);
  SetDoubleBuffered(true);
  OnClose = {this, &TZEPHShutdownDialogForm::FormClose};

  lbText = Place(this, Create<TZEPHDialogLabel>(this), u"lbText", 46, 8, 316, 49);
  // FIXME: the logo glyph is not drawn yet; the picture stays empty.
  imLogo = Place(this, Create<TZEPHDialogImage>(this), u"imLogo", 8, 8, 32, 32);

  Actions = Create<TActionList>(this);
  Actions->SetName(u"Actions");
  acCancel = Create<TAction>(this);
  acCancel->SetName(u"acCancel");
  acCancel->SetActionList(Actions);
  acCancel->SetCaption(u"Cancel");
  acCancel->SetShortCut(VK_ESCAPE);
  acCancel->SetOnExecute({this, &TZEPHShutdownDialogForm::acCancelExecute});

  btnOk = Place(this, Create<TZEPHDialogButton>(this), u"btnOk", 88, 70, 98, 25);
  btnOk->SetAnchors(TAnchors{akLeft, akBottom});
  btnOk->SetTabOrder(0);
  btnOk->OnClick = {this, &TZEPHShutdownDialogForm::btnOkClick};
  btnCancel = Place(this, Create<TZEPHDialogButton>(this), u"btnCancel", 192, 70, 98, 25);
  btnCancel->SetAnchors(TAnchors{akLeft, akBottom});
  btnCancel->SetTabOrder(1);
  btnCancel->SetAction(acCancel);
  btnCancel->SetDefault(true);
  btnCancel->SetCancel(true);
  SetActiveControl(btnCancel);

  tmTimer = Create<TTimer>(this);
  tmTimer->SetName(u"tmTimer");
  tmTimer->SetEnabled(false);
  tmTimer->SetOnTimer({this, &TZEPHShutdownDialogForm::tmTimerTimer});
  Localize();
}

void TZEPHShutdownDialogForm::Localize() {
  LangApplyTo(GetName(), this);
  acCancel->SetCaption(LangGet(GetName(), u"btnCancel", acCancel->GetCaption()));
  btnCancel->SetCaption(acCancel->GetCaption());
  if (Application && Application->GetMainForm() && Application->GetMainForm() != this)
    SetCaption(Application->GetMainForm()->GetCaption());
}

TZEPHShutdownDialogForm* TZEPHShutdownDialogForm::Execute(TZEPHPowerAction Action, bool CloseApplication) {
  auto* form = TCustomForm::CreateNew<TZEPHShutdownDialogForm>(Application);
  form->SetFormStyle(fsStayOnTop);
  form->FPowerAction = Action;
  form->FCloseApplication = CloseApplication;
  form->ShowCountdown(10);
  form->tmTimer->SetTag(10);
  form->tmTimer->SetEnabled(true);
  form->Show();
  return form;
}

void TZEPHShutdownDialogForm::ShowCountdown(Integer Seconds) {
  lbText->SetCaption(Format(LangGetMsg(139), {IntToStr(Seconds)}));
  btnOk->SetCaption(u"OK (" + IntToStr(Seconds) + u")");
}

void TZEPHShutdownDialogForm::btnOkClick(TObject*) {
  tmTimer->SetEnabled(false);
  Close();
  if (FCloseApplication) CoreCloseApplication();
  CorePowerAction(FPowerAction);
}

void TZEPHShutdownDialogForm::acCancelExecute(TObject*) {
  tmTimer->SetEnabled(false);
  Close();
}

void TZEPHShutdownDialogForm::FormClose(TObject*, TCloseAction& Action) {
  // Closed by the user while counting down: that cancels.
  if (tmTimer->GetEnabled()) acCancel->Execute();
  Action = caFree;
}

void TZEPHShutdownDialogForm::tmTimerTimer(TObject*) {
  const Integer seconds = static_cast<Integer>(tmTimer->GetTag());
  if (seconds != 0)
    ShowCountdown(seconds);
  else
    btnOkClick(this);
  tmTimer->SetTag(seconds - 1);
}
