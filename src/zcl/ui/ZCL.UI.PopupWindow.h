#pragma once
// The borderless window drop-down lists and similar popups appear in: scaled to the DPI of the
// control that owns it, placed under that control (or at a rectangle) inside the monitor's work
// area, keeping the owning form's caption active while shown, and closed on deactivation, a
// click outside, Escape and cancel-mode. UI thread only.

#include "zcl/ui/ZCL.UI.Forms.h"

enum TZCLWindowCornerPreference : Byte { wcpDefault, wcpDoNotRound, wcpRound, wcpRoundSmall };

// Sets the system's window-corner preference; false where the system has none to set.
bool SetWindowCornerPreference(HWND Window, TZCLWindowCornerPreference Preference);

class TZCLPopupWindow : public TZCLBasicForm {
  ZCL_CLASS(TZCLPopupWindow, TZCLBasicForm)
 public:
  // Made with TCustomForm::CreateNew<TZCLPopupWindow>(Owner): hidden, borderless, not scaled
  // with its monitor but to its owner's DPI.
  explicit TZCLPopupWindow(TComponent* AOwner);
  ~TZCLPopupWindow() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  void ClosePopup();
  // Under ControlRect (screen): Alignment 0 left, 1 right-aligned, 2 centred; above it when
  // there is no room below.
  void PopupUnderControl(const TRect& ControlRect, Integer Alignment = 0);
  virtual void PopupAt(const TRect& Rect);
  bool IsCursorInside();

  TNotifyEvent OnPopup;
  TNotifyEvent OnPopupClosed;

 protected:
  virtual void DoPopup();
  virtual void DoPopupClosed();
  void CreateParams(TCreateParams& Params) override;
  void WndProc(TMessage& Message) override;

 private:
  void Prepare();
  void ScaleToOwner();
  TRect LimitSize(const TRect& Rect);
  void ShowAt(const TRect& Rect);
  void QueuedClose();
  HWND FMenuLoopWindow = nullptr;
  bool FShowingPopup = false;
};
