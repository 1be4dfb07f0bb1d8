#pragma once
// The countdown before a power action asked for by a plugin: a small always-on-top window counts
// down from ten seconds and then carries the action out, unless the user cancels; OK carries it
// out at once. Built on the UI class library's forms; its label and buttons are small controls of
// this unit until the standard controls exist.

#include "vcl/VCL.ActnList.h"
#include "vcl/VCL.Controls.h"
#include "vcl/VCL.ExtCtrls.h"
#include "vcl/VCL.Forms.h"

enum class TZEPHPowerAction : Byte;

// Text at the top of its bounds, wrapped at word boundaries.
class TZEPHDialogLabel : public TGraphicControl {
  ZCL_CLASS(TZEPHDialogLabel, TGraphicControl)
 public:
  explicit TZEPHDialogLabel(TComponent* AOwner);

 protected:
  void Paint() override;
};

// A picture at its own size.
class TZEPHDialogImage : public TGraphicControl {
  ZCL_CLASS(TZEPHDialogImage, TGraphicControl)
 public:
  explicit TZEPHDialogImage(TComponent* AOwner);
  ~TZEPHDialogImage() override;
  TPicture* GetPicture() const { return FPicture; }

 protected:
  void Paint() override;

 private:
  TPicture* FPicture;
};

// A push button: Enter clicks the default button, Escape the cancel button.
class TZEPHDialogButton : public TCustomControl {
  ZCL_CLASS(TZEPHDialogButton, TCustomControl)
  VCL_MESSAGES()
 public:
  explicit TZEPHDialogButton(TComponent* AOwner);
  bool GetDefault() const { return FDefault; }
  void SetDefault(bool Value) { FDefault = Value; }
  bool GetCancel() const { return FCancel; }
  void SetCancel(bool Value) { FCancel = Value; }

 protected:
  void Paint() override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void KeyDown(Word& Key, TShiftState Shift) override;

 private:
  void CMDialogKey(TMessage& Message);
  void CMTextChanged(TMessage& Message);
  bool FDefault = false;
  bool FCancel = false;
};

class TZEPHShutdownDialogForm : public TForm {
  ZCL_CLASS(TZEPHShutdownDialogForm, TForm)
 public:
  explicit TZEPHShutdownDialogForm(TComponent* AOwner);

  // Shows the dialog without making it modal and returns at once; the form frees itself on close.
  static TZEPHShutdownDialogForm* Execute(TZEPHPowerAction Action, bool CloseApplication);

  void btnOkClick(TObject* Sender);
  void acCancelExecute(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);
  void tmTimerTimer(TObject* Sender);

  TZEPHDialogLabel* lbText;
  TZEPHDialogImage* imLogo;
  TZEPHDialogButton* btnOk;
  TZEPHDialogButton* btnCancel;
  TTimer* tmTimer;
  TActionList* Actions;
  TAction* acCancel;

 private:
  void ShowCountdown(Integer Seconds);
  void Localize();
  TZEPHPowerAction FPowerAction;
  bool FCloseApplication = false;
};
