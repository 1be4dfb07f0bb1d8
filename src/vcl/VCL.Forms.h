#pragma once
// Forms and the application: TCustomForm/TForm (top-level windows with activation, closing,
// modality, placement, per-monitor scaling and the form's part of the keyboard pipeline),
// TFrame, TDataModule, THintWindow, TMonitor, TScreen (the `Screen` global: forms in z-order,
// focus, cursors, monitors, fonts) and TApplication (the `Application` global: message loop,
// idle processing, exceptions, hints, modal level).
//
// UI thread only. `Application` and `Screen` exist between the unit's initialisation and
// finalisation; forms created with Application->CreateForm are owned (and freed) by it.

#include <vector>

#include "vcl/VCL.Controls.h"

class TStrings;
class TStringList;
class TCustomForm;
class TMonitor;
class THintWindow;
class TMainMenu;
class TIcon;
class Exception;

// ---- modal results, enumerations, events ------------------------------------------------------

using TModalResult = Integer;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrAbort = 3;
inline constexpr TModalResult mrRetry = 4;
inline constexpr TModalResult mrIgnore = 5;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;
inline constexpr TModalResult mrAll = 8;
inline constexpr TModalResult mrNoToAll = 9;
inline constexpr TModalResult mrYesToAll = 10;
inline constexpr TModalResult mrClose = 11;

enum TCloseAction : Byte { caNone, caHide, caFree, caMinimize };
ZCL_ENUM(TCloseAction, caNone, caHide, caFree, caMinimize);

enum TFormBorderStyle : Byte { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
ZCL_ENUM(TFormBorderStyle, bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin);
// Controls with a plain border use bsNone and bsSingle of the same type.
using TBorderStyle = TFormBorderStyle;

enum TBorderIcon : Byte { biSystemMenu, biMinimize, biMaximize, biHelp };
ZCL_ENUM(TBorderIcon, biSystemMenu, biMinimize, biMaximize, biHelp);
using TBorderIcons = TSet<TBorderIcon>;

enum TFormStyle : Byte { fsNormal, fsStayOnTop };
ZCL_ENUM(TFormStyle, fsNormal, fsStayOnTop);

enum TPosition : Byte { poDesigned, poDefault, poScreenCenter, poMainFormCenter, poOwnerFormCenter };
ZCL_ENUM(TPosition, poDesigned, poDefault, poScreenCenter, poMainFormCenter, poOwnerFormCenter);

enum TWindowState : Byte { wsNormal, wsMinimized, wsMaximized };
ZCL_ENUM(TWindowState, wsNormal, wsMinimized, wsMaximized);

enum TPopupMode : Byte { pmNone, pmAuto, pmExplicit };
ZCL_ENUM(TPopupMode, pmNone, pmAuto, pmExplicit);

enum TDefaultMonitor : Byte { dmDesktop, dmPrimary, dmMainForm, dmActiveForm };
ZCL_ENUM(TDefaultMonitor, dmDesktop, dmPrimary, dmMainForm, dmActiveForm);

// fsShowing: OnShow or OnHide is running; fsActivated: the form has been activated once.
enum TFormStateItem : Byte { fsCreating, fsShowing, fsModal, fsActivated };
using TFormState = TSet<TFormStateItem>;

using TCloseEvent = TDelegate<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = TDelegate<void(TObject* Sender, bool& CanClose)>;
// A key message offered to the form before anything else; set Handled to eat it.
using TShortCutEvent = TDelegate<void(TMessage& Msg, bool& Handled)>;
using TIdleEvent = TDelegate<void(TObject* Sender, bool& Done)>;
using TExceptionEvent = TDelegate<void(TObject* Sender, Exception* E)>;
// Answers a message box in place of the user: Result is one of the ID_ values.
using TMessageBoxEvent = TDelegate<void(const String& Text, const String& Caption, Cardinal Flags, Integer& Result)>;

// Message box buttons, icons and answers.
constexpr Cardinal MB_OK = 0x00;
constexpr Cardinal MB_OKCANCEL = 0x01;
constexpr Cardinal MB_ABORTRETRYIGNORE = 0x02;
constexpr Cardinal MB_YESNOCANCEL = 0x03;
constexpr Cardinal MB_YESNO = 0x04;
constexpr Cardinal MB_RETRYCANCEL = 0x05;
constexpr Cardinal MB_ICONSTOP = 0x10;
constexpr Cardinal MB_ICONQUESTION = 0x20;
constexpr Cardinal MB_ICONWARNING = 0x30;
constexpr Cardinal MB_ICONINFORMATION = 0x40;
constexpr Integer IDOK = 1;
constexpr Integer IDCANCEL = 2;
constexpr Integer IDABORT = 3;
constexpr Integer IDRETRY = 4;
constexpr Integer IDIGNORE = 5;
constexpr Integer IDYES = 6;
constexpr Integer IDNO = 7;
// A message taken from the queue before it is dispatched; set Handled to drop it.
using TMessageEvent = TDelegate<void(MSG& Msg, bool& Handled)>;
using TShowHintEvent = TDelegate<void(String& HintStr, bool& CanShow, THintInfo& HintInfo)>;

// The form a control sits on: the topmost parent when TopForm, else the nearest form; null
// when there is none. ValidParentForm raises EInvalidOperation instead of answering null.
TCustomForm* GetParentForm(TControl* Control, bool TopForm);
TCustomForm* ValidParentForm(TControl* Control, bool TopForm = true);
// The program's visible, enabled top-level windows but Except are disabled (a modal bracket);
// EnableTaskWindows enables them again in reverse order.
std::vector<HWND> DisableTaskWindows(HWND Except);
void EnableTaskWindows(const std::vector<HWND>& Windows);

// ---- TCustomForm ------------------------------------------------------------------------------

class TCustomForm : public TScrollingWinControl {
  ZCL_CLASS(TCustomForm, TScrollingWinControl)
  VCL_MESSAGES()
 public:
  // Reads the component resource named after the form's class when one is embedded (a form
  // built in code has none); CreateNew skips it.
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TCustomForm>& D);

  // Creates a form of class T without reading a component resource.
  template <class T>
  static T* CreateNew(TComponent* AOwner) {
    BeginCreateNew();
    return Create<T>(AOwner);
  }

  // Showing and closing.
  void Show();
  // Runs a nested message loop until ModalResult is set (and the close is not refused) and
  // returns it. Other top-level windows are disabled meanwhile. EInvalidOperation for a form
  // that is visible, disabled or already modal.
  virtual TModalResult ShowModal();
  void Close();
  // Whether the form may close (OnCloseQuery).
  virtual bool CloseQuery();
  // Frees the form once the messages being handled are done (CM_RELEASE through the queue).
  void Release();
  TModalResult GetModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult Value) { FModalResult = Value; }
  TFormState GetFormState() const { return FFormState; }

  // Activation and focus.
  bool GetActive() const { return FActive; }
  TWinControl* GetActiveControl() const { return FActiveControl; }
  // EInvalidOperation for a control that is not on this form or cannot take the focus.
  void SetActiveControl(TWinControl* Control);
  bool SetFocusedControl(TWinControl* Control) override;
  // The form's window and, through it, the active control get the focus.
  void SetFocus() override;
  void FocusControl(TWinControl* Control);
  // Shows the window in front without taking the activation (virtual: a form may answer true).
  virtual bool GetShowWithoutActivation() const { return FShowWithoutActivation; }
  void SetShowWithoutActivation(bool Value) { FShowWithoutActivation = Value; }

  // Keyboard.
  bool IsShortCut(TMessage& Message) override;
  bool GetKeyPreview() const override { return FKeyPreview; }
  void SetKeyPreview(bool Value) { FKeyPreview = Value; }

  // Appearance and placement.
  TFormBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle Value);
  TBorderIcons GetBorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(TBorderIcons Value);
  TFormStyle GetFormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle Value);
  TPosition GetPosition() const { return FPosition; }
  void SetPosition(TPosition Value) { FPosition = Value; }
  TWindowState GetWindowState() const { return FWindowState; }
  void SetWindowState(TWindowState Value);
  TDefaultMonitor GetDefaultMonitor() const { return FDefaultMonitor; }
  void SetDefaultMonitor(TDefaultMonitor Value) { FDefaultMonitor = Value; }
  TPopupMode GetPopupMode() const { return FPopupMode; }
  void SetPopupMode(TPopupMode Value);
  TCustomForm* GetPopupParent() const { return FPopupParent; }
  // Sets PopupMode to pmExplicit (null: back to pmNone).
  void SetPopupParent(TCustomForm* Value);
  bool GetAlphaBlend() const { return FAlphaBlend; }
  void SetAlphaBlend(bool Value);
  Byte GetAlphaBlendValue() const { return FAlphaBlendValue; }
  void SetAlphaBlendValue(Byte Value);
  // The monitor the form is on (the nearest one).
  TMonitor* GetMonitor();
  // Moves the form inside its monitor's work area when it sticks out.
  void MakeFullyVisible(TMonitor* AMonitor = nullptr);

  // Scaling. PixelsPerInch is the DPI the form's sizes are at; Scaled forms follow the DPI of
  // the monitor they are on (first shown, moved).
  Integer GetPixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(Integer Value);
  bool GetScaled() const { return FScaled; }
  void SetScaled(bool Value) { FScaled = Value; }
  void ScaleForPPI(Integer NewPPI) override;
  // Scales to NewPPI; the form then takes SuggestedRect (screen) when given, else keeps its
  // top-left and grows or shrinks by its client area.
  virtual void ScaleForPPIRect(Integer NewPPI, const TRect* SuggestedRect);

  // The window's icon (owned; assign to change it). An empty icon shows the application's.
  TIcon* GetIcon() const { return FIcon; }
  void SetIcon(TIcon* Value);

  // The main menu (not owned, watched): its shortcuts and, with Alt and a character, its items.
  TMainMenu* GetMenu() const { return FMenu; }
  void SetMenu(TMainMenu* Value);

  // The form's part of the idle action update (CM_ACTIONUPDATE): the form, the main menu's top
  // items and every visible control let their actions update them.
  virtual void UpdateActions();

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TShortCutEvent OnShortCut;
  // Before and after a change of the monitor DPI (old and new DPI).
  TDelegate<void(TObject* Sender, Integer OldDPI, Integer NewDPI)> OnBeforeMonitorDpiChanged;
  TDelegate<void(TObject* Sender, Integer OldDPI, Integer NewDPI)> OnAfterMonitorDpiChanged;

  // The next form or data module constructed skips its component resource (CreateNew's part;
  // the constructor consumes the mark).
  static void BeginCreateNew();

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void ScaleControl(Integer M, Integer D) override;
  // Visible cannot change while OnShow or OnHide runs (EInvalidOperation, Visible unchanged).
  void VisibleChanging() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  virtual void DoCreate();
  virtual void DoDestroy();
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& Action);
  virtual void Activate();
  virtual void Deactivate();
  // The activation as WM_ACTIVATE reports it: the screen's order and the focus follow.
  virtual void SetActive(bool Value);
  // The window of the owner the form stays above (PopupMode/PopupParent), or null.
  virtual HWND GetOwnerWindow();

  void WMActivate(TMessage& Message);
  void WMActivateApp(TMessage& Message);
  void WMClose(TMessage& Message);
  void WMSize(TMessage& Message);
  void WMSysCommand(TMessage& Message);
  void WMDpiChanged(TMessage& Message);
  void WMGetMinMaxInfo(TMessage& Message);
  void CMActivate(TMessage& Message);
  void CMDeactivate(TMessage& Message);
  // Dialog keys the form handles itself: Tab and the arrows move the focus.
  void CMDialogKey(TMessage& Message);
  void CMShowingChanged(TMessage& Message);
  void CMRelease(TMessage& Message);
  void CMActionUpdate(TMessage& Message);

 private:
  friend class TApplication;
  friend class TScreen;
  void CloseModal();
  void IconChanged(TObject*) { UpdateIcon(); }
  // Hands the window the icon it shows (WM_SETICON).
  void UpdateIcon();
  void SetWindowFocus();
  void ApplyPosition();
  void UpdateLayered();

  TFormState FFormState;
  TModalResult FModalResult = mrNone;
  TWinControl* FActiveControl = nullptr;
  TMainMenu* FMenu = nullptr;
  TIcon* FIcon = nullptr;  // owned
  TCustomForm* FPopupParent = nullptr;
  TFormBorderStyle FBorderStyle = bsSizeable;
  TBorderIcons FBorderIcons{biSystemMenu, biMinimize, biMaximize};
  TFormStyle FFormStyle = fsNormal;
  TPosition FPosition = poDesigned;
  TWindowState FWindowState = wsNormal;
  TDefaultMonitor FDefaultMonitor = dmActiveForm;
  TPopupMode FPopupMode = pmNone;
  Integer FPixelsPerInch = 96;
  Byte FAlphaBlendValue = 255;
  bool FAlphaBlend = false;
  bool FKeyPreview = false;
  bool FActive = false;
  bool FScaled = true;
  bool FShowWithoutActivation = false;
  bool FCreatedNew = false;
  bool FPositioned = false;
  bool FScalingForm = false;
  bool FReleased = false;
  bool FReleasePending = false;  // released inside its own modal loop: freed after it
};

class TForm : public TCustomForm {
  ZCL_CLASS(TForm, TCustomForm)
 public:
  using TCustomForm::TCustomForm;
  static void DeclareProperties(TClassDeclaration<TForm>& D);
};

// ---- TFrame, TDataModule ----------------------------------------------------------------------

// A container designed like a form and placed on forms; reads the component resource named
// after its class when one is embedded.
class TCustomFrame : public TScrollingWinControl {
  ZCL_CLASS(TCustomFrame, TScrollingWinControl)
 public:
  explicit TCustomFrame(TComponent* AOwner);
  void AfterConstruction() override;
};

class TFrame : public TCustomFrame {
  ZCL_CLASS(TFrame, TCustomFrame)
 public:
  using TCustomFrame::TCustomFrame;
};

// A non-visual container of components; reads the component resource named after its class
// when one is embedded (CreateNew skips it).
class TDataModule : public TComponent {
  ZCL_CLASS(TDataModule, TComponent)
 public:
  explicit TDataModule(TComponent* AOwner);
  ~TDataModule() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TDataModule>& D);
  // The components it owns that have no parent component, so that they are written with it.
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;

  template <class T>
  static T* CreateNew(TComponent* AOwner) {
    TCustomForm::BeginCreateNew();
    return Create<T>(AOwner);
  }

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;

 private:
  bool FCreatedNew = false;
};

// ---- THintWindow ------------------------------------------------------------------------------

// The small window hints show in: a topmost popup that never takes the activation.
class THintWindow : public TCustomControl {
  ZCL_CLASS(THintWindow, TCustomControl)
  VCL_MESSAGES()
 public:
  explicit THintWindow(TComponent* AOwner);
  // Shows the hint at Rect (screen coordinates), without activating it.
  virtual void ActivateHint(TRect Rect, const String& AHint);
  virtual void ActivateHintData(TRect Rect, const String& AHint, void* AData);
  // The size the hint needs for AHint, wrapped at MaxWidth (top-left at 0, 0).
  virtual TRect CalcHintRect(Integer MaxWidth, const String& AHint, void* AData);
  // Hides the window.
  void ReleaseHandle();

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  // Paints the frame outside the client area (DC: the window's, origin at its top-left).
  virtual void NCPaint(HDC DC);
  void WMNCHitTest(TMessage& Message);
  void WMNCPaint(TMessage& Message);
  // A WS_BORDER hint keeps a one-pixel frame outside its client area.
  void WMNCCalcSize(TMessage& Message);
  void CMTextChanged(TMessage& Message);
};
using THintWindowClass = TClass;

// The class the application makes its hint window of (a THintWindow descendant); a control
// may choose another one for its hint in CM_HINTSHOW.
extern TClass HintWindowClass;

// ---- TMonitor, TScreen ------------------------------------------------------------------------

class TMonitor : public TObject {
  ZCL_CLASS(TMonitor, TObject)
 public:
  TMonitor(HMONITOR Handle, Integer Number) : FHandle(Handle), FMonitorNum(Number) {}
  HMONITOR GetHandle() const { return FHandle; }
  Integer GetMonitorNum() const { return FMonitorNum; }
  TRect GetBoundsRect() const;
  TRect GetWorkareaRect() const;
  Integer GetLeft() const { return GetBoundsRect().Left; }
  Integer GetTop() const { return GetBoundsRect().Top; }
  Integer GetWidth() const { return GetBoundsRect().Width(); }
  Integer GetHeight() const { return GetBoundsRect().Height(); }
  bool GetPrimary() const;
  Integer GetPixelsPerInch() const;

 private:
  HMONITOR FHandle;
  Integer FMonitorNum;
};

enum TMonitorDefaultTo : Byte { mdNearest, mdNull, mdPrimary };

class TScreen : public TComponent {
  ZCL_CLASS(TScreen, TComponent)
 public:
  explicit TScreen(TComponent* AOwner);
  ~TScreen() override;

  // Forms in z-order: the active (last activated) form first.
  Integer GetFormCount() const { return static_cast<Integer>(FForms.size()); }
  TCustomForm* GetForms(Integer Index) const;
  Integer GetCustomFormCount() const { return GetFormCount(); }
  TCustomForm* GetCustomForms(Integer Index) const { return GetForms(Index); }
  Integer GetDataModuleCount() const { return static_cast<Integer>(FDataModules.size()); }
  TDataModule* GetDataModules(Integer Index) const;

  // The form that has the activation (null when none of ours has), the control with the
  // focus and the form that last had it.
  TCustomForm* GetActiveForm() const { return FActiveForm; }
  TCustomForm* GetActiveCustomForm() const { return FActiveForm; }
  TWinControl* GetActiveControl() const { return FActiveControl; }
  TCustomForm* GetFocusedForm() const { return FFocusedForm; }

  // crDefault lets each control choose; any other value is shown everywhere.
  TCursor GetCursor() const { return FCursor; }
  void SetCursor(TCursor Value);
  // The cursor of a number: the standard ones (negative) and those the program registered.
  HCURSOR GetCursors(TCursor Index) const;
  // Registers (or replaces) a cursor; a null handle restores the standard one or removes it.
  // The screen owns cursors it is given for positive numbers.
  void SetCursors(TCursor Index, HCURSOR Handle);

  // Monitors (built again when the display changed).
  Integer GetMonitorCount();
  TMonitor* GetMonitors(Integer Index);
  TMonitor* GetPrimaryMonitor();
  TMonitor* MonitorFromPoint(TPoint Point, TMonitorDefaultTo Default = mdNearest);
  TMonitor* MonitorFromRect(const TRect& Rect, TMonitorDefaultTo Default = mdNearest);
  TMonitor* MonitorFromWindow(HWND Window, TMonitorDefaultTo Default = mdNearest);
  // The primary monitor's size and work area; the rectangle around all monitors.
  Integer GetWidth();
  Integer GetHeight();
  TRect GetWorkAreaRect();
  TRect GetDesktopRect();
  // The system DPI (the primary monitor's).
  Integer GetPixelsPerInch() const;

  TFont* GetHintFont() const { return FHintFont; }
  void SetHintFont(TFont* Value);
  TFont* GetMenuFont() const { return FMenuFont; }
  void SetMenuFont(TFont* Value);
  // Installed font families, sorted (read on first use).
  TStrings* GetFonts();
  // Forgets the cached font list (after fonts were added).
  void ResetFonts();

  // Drops the screen's references to a control that goes away.
  void ControlDestroying(TControl* Control);

  TNotifyEvent OnActiveFormChange;
  TNotifyEvent OnActiveControlChange;

 private:
  friend class TCustomForm;
  friend class TDataModule;
  friend class TApplication;
  void AddForm(TCustomForm* Form);
  void RemoveForm(TCustomForm* Form);
  void BringFormToFront(TCustomForm* Form);
  void SetActiveForm(TCustomForm* Form);
  void SetActiveControl(TWinControl* Control);
  void SetFocusedForm(TCustomForm* Form);
  void UpdateMonitors();

  std::vector<TCustomForm*> FForms;
  std::vector<TDataModule*> FDataModules;
  std::vector<TMonitor*> FMonitors;                   // owned
  std::vector<std::pair<TCursor, HCURSOR>> FCursors;  // registered cursors
  TCustomForm* FActiveForm = nullptr;
  TCustomForm* FFocusedForm = nullptr;
  TWinControl* FActiveControl = nullptr;
  TFont* FHintFont = nullptr;
  TFont* FMenuFont = nullptr;
  TStringList* FFonts = nullptr;
  TCursor FCursor = crDefault;
};

// ---- TApplication -----------------------------------------------------------------------------

class TApplication : public TComponent {
  ZCL_CLASS(TApplication, TComponent)
 public:
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;
  void BeforeDestruction() override;

  void Initialize();
  // Creates a form (or other component) of InstanceClass owned by the application; the first
  // form becomes the main form.
  TComponent* CreateForm(TClass InstanceClass);
  template <class T>
  void CreateForm(TClass InstanceClass, T*& Reference) {
    Reference = static_cast<T*>(CreateForm(InstanceClass));
  }
  TCustomForm* GetMainForm() const { return FMainForm; }
  bool GetShowMainForm() const { return FShowMainForm; }
  void SetShowMainForm(bool Value) { FShowMainForm = Value; }
  bool GetMainFormOnTaskBar() const { return FMainFormOnTaskBar; }
  void SetMainFormOnTaskBar(bool Value) { FMainFormOnTaskBar = Value; }

  // The message loop: shows the main form and handles messages until Terminate.
  void Run();
  // Ends the loop (WM_QUIT); Terminated turns true once the loop takes it.
  void Terminate();
  bool GetTerminated() const { return FTerminated; }
  // Handles every message waiting, then returns.
  void ProcessMessages();
  // Handles one message, or runs the idle processing (and waits) when none is waiting.
  void HandleMessage();
  // The hidden window of the application (timers of the hint and idle machinery).
  HWND GetHandle();
  // Whether one of the program's windows has the activation.
  bool GetActive() const { return FActive; }

  // Reports the exception being handled (call from a catch block): OnException or ShowException.
  // EAbort is silent.
  void HandleException(TObject* Sender);
  virtual void ShowException(Exception* E);
  // The application's message box; an empty caption shows the title. OnMessageBox answers when
  // set; without it the text goes to the error output and the answer is 0 (nothing chosen).
  Integer MessageBox(const String& Text, const String& Caption, Cardinal Flags);

  String GetTitle() const { return FTitle; }
  void SetTitle(const String& Value) { FTitle = Value; }
  // The program's icon (owned; assign to change it): what forms without an icon of their own show.
  TIcon* GetIcon();
  void SetIcon(TIcon* Value);

  // Hints. Pauses in milliseconds.
  String GetHint() const { return FHint; }
  void SetHint(const String& Value);
  bool GetShowHint() const { return FShowHint; }
  void SetShowHint(bool Value);
  Integer GetHintPause() const { return FHintPause; }
  void SetHintPause(Integer Value) { FHintPause = Value; }
  Integer GetHintShortPause() const { return FHintShortPause; }
  void SetHintShortPause(Integer Value) { FHintShortPause = Value; }
  Integer GetHintHidePause() const { return FHintHidePause; }
  void SetHintHidePause(Integer Value) { FHintHidePause = Value; }
  bool GetHintShortCuts() const { return FHintShortCuts; }
  void SetHintShortCuts(bool Value) { FHintShortCuts = Value; }
  TColor GetHintColor() const { return FHintColor; }
  void SetHintColor(TColor Value) { FHintColor = Value; }
  // Hides the hint shown and forgets the control it was for.
  void CancelHint();
  // Shows the hint of the control under CursorPos (screen) now.
  void ActivateHint(TPoint CursorPos);
  void HideHint();
  // The hint window shown (or last shown); null before the first hint.
  THintWindow* GetHintWindow() const { return FHintWindow; }
  // The application's hint machinery watches the mouse messages controls handle.
  void HintMouseMessage(TControl* Control, TMessage& Message);

  // Idle action updates run ActionUpdateDelay ms after the loop became idle (0: at once).
  Integer GetActionUpdateDelay() const { return FActionUpdateDelay; }
  void SetActionUpdateDelay(Integer Value) { FActionUpdateDelay = Value; }

  // Modal state: nested modal loops (forms or others) bracket themselves with these.
  Integer GetModalLevel() const { return FModalLevel; }
  void ModalStarted();
  void ModalFinished();

  // Drops the application's references to a control that goes away.
  void ControlDestroying(TControl* Control);

  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TIdleEvent OnIdle;
  TExceptionEvent OnException;
  TMessageBoxEvent OnMessageBox;
  TMessageEvent OnMessage;
  TNotifyEvent OnHint;
  TShowHintEvent OnShowHint;
  TNotifyEvent OnModalBegin;
  TNotifyEvent OnModalEnd;

 protected:
  // Takes one message; false when none was waiting.
  bool ProcessMessage(MSG& Msg);
  virtual void Idle(const MSG& Msg);
  void DoActionIdle();
  // Keys and clicks end the hint; true when the message was for the hint machinery alone.
  bool IsHintMsg(MSG& Msg);
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TScreen;
  friend class TCustomForm;
  static LRESULT AppWndProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
  void WndProc(UINT Msg, WPARAM WParam, LPARAM LParam);
  void SetActive(bool Value);
  void StartHintTimer(Integer Value, bool Show);
  void StopHintTimer();
  void DoMouseIdle();

  HWND FHandle = nullptr;
  TCustomForm* FMainForm = nullptr;
  void IconChanged(TObject*);
  TIcon* FIcon = nullptr;              // owned, made on first use
  THintWindow* FHintWindow = nullptr;  // owned
  TControl* FHintControl = nullptr;
  TRect FHintCursorRect;
  String FTitle;
  String FHint;
  Integer FHintPause = 500;
  Integer FHintShortPause = 50;
  Integer FHintHidePause = 2500;
  Integer FActionUpdateDelay = 0;
  Integer FModalLevel = 0;
  TColor FHintColor = clInfoBk;
  bool FHintTimerShows = false;
  bool FHintTimerRunning = false;
  bool FIdleTimerRunning = false;
  bool FHintActive = false;
  bool FShowHint = true;
  bool FHintShortCuts = true;
  bool FShowMainForm = true;
  bool FMainFormOnTaskBar = false;
  bool FTerminated = false;
  bool FActive = false;
};

// The process's application and screen objects (between the unit's initialisation and
// finalisation).
extern TApplication* Application;
extern TScreen* Screen;

namespace detail {
void FormsInit();
void FormsFin();
}  // namespace detail
