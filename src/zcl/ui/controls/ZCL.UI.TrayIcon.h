#pragma once
// An icon in the desktop's notification area with a tooltip, balloons, click, double-click,
// middle-click, context-menu and hover handling. The platform work is done by an implementation
// object; the click logic lives here so that every implementation reports clicks alike.

#include "os/OS.Types.h"
#include "zcl/base/ZCL.Classes.h"
#include "zcl/ui/ZCL.UI.Controls.Base.h"

class TIcon;
class TPopupMenu;
class TZCLTimer;
class TZCLTrayIcon;

enum TZCLTrayIconBalloonKind : Byte { tibNone, tibInfo, tibWarning, tibError };

// Update actions.
inline constexpr Integer TrayIconAdd = 0;
inline constexpr Integer TrayIconModify = 1;
inline constexpr Integer TrayIconDelete = 2;

class TZCLTrayIconImpl : public TObject {
  ZCL_CLASS(TZCLTrayIconImpl, TObject)
 public:
  explicit TZCLTrayIconImpl(TZCLTrayIcon* AOwner) : FOwner(AOwner) {}
  virtual void ShowBalloon(const String& Title, const String& Text, TZCLTrayIconBalloonKind Kind) = 0;
  // Action: TrayIconAdd, TrayIconModify or TrayIconDelete.
  virtual void Update(Integer Action) = 0;
  TZCLTrayIcon* GetOwner() const { return FOwner; }

 protected:
  TZCLTrayIcon* FOwner;
};

// Makes the implementation of a new tray icon (the virtual constructor of the implementation
// class); tests install their own.
using TZCLTrayIconImplFactory = TZCLTrayIconImpl* (*)(TZCLTrayIcon* Owner);
extern TZCLTrayIconImplFactory ZCLTrayIconImplClass;

// Over the operating system's notification area, with a hidden message window for its callbacks.
class TWinTrayIconImpl : public TZCLTrayIconImpl {
  ZCL_CLASS(TWinTrayIconImpl, TZCLTrayIconImpl)
 public:
  static constexpr UINT CallbackMessage = 0x800;
  explicit TWinTrayIconImpl(TZCLTrayIcon* AOwner);
  ~TWinTrayIconImpl() override;
  void ShowBalloon(const String& Title, const String& Text, TZCLTrayIconBalloonKind Kind) override;
  void Update(Integer Action) override;
  HWND GetWindow() const { return FWindow; }

 private:
  struct TData;
  void Fill(TData& Data);
  void WndProc(TMessage& Message);
  HWND FWindow = nullptr;
};

class TZCLTrayIcon : public TZCLComponent, public IZCLMouseTracking, public IZCLCurrentDpi {
  ZCL_CLASS(TZCLTrayIcon, TZCLComponent)
  RTL_INTERFACES(TZCLComponent, IZCLMouseTracking, IZCLCurrentDpi)
 public:
  explicit TZCLTrayIcon(TComponent* AOwner);
  ~TZCLTrayIcon() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLTrayIcon>& D);

  // Shown only while the icon is shown.
  void BalloonHint(const String& Title, const String& Text, TZCLTrayIconBalloonKind Kind = tibNone);
  void Click();
  void DblClick();
  void MidClick();

  // What the notification area reports, by mouse message (WM_LBUTTONDOWN, WM_RBUTTONUP, ...,
  // WM_MOUSEMOVE, NIN_BALLOONUSERCLICK); implementations forward their callbacks here.
  void ProcessMouseMessage(UINT Message);
  // The shell came back: a shown icon is added again.
  void ShellRestarted();

  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  const String& GetHint() const { return FHint; }
  void SetHint(const String& Value);
  TIcon* GetIcon() const { return FIcon; }
  void SetIcon(TIcon* Value);
  bool GetIconVisible() const { return FIconVisible; }
  void SetIconVisible(bool Value);
  const String& GetID() const { return FID; }
  void SetID(const String& Value);
  TPopupMenu* GetPopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* Value);
  bool GetShown() const { return FShown; }
  TZCLTrayIconImpl* GetImpl() const { return FImpl; }
  TZCLTimer* GetClickTimer() const { return FClickTimer; }
  bool GetAllowDoubleClick() const { return FAllowDoubleClick; }
  void SetAllowDoubleClick(bool Value) { FAllowDoubleClick = Value; }

  // IZCLMouseTracking
  bool IsMouseAtControl() override;
  void MouseEnter() override;
  void MouseLeave() override;
  // IZCLCurrentDpi
  Integer GetCurrentDpi() override;

  TNotifyEvent OnBallonHintClick;
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TNotifyEvent OnMidClick;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseExit;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  enum : Byte { LeftButton = 1, RightButton = 2, MiddleButton = 4 };
  void ButtonUp(Byte Button);
  void ClickTimerHandler(TObject* Sender);
  void IconChanged(TObject* Sender);
  void UpdateVisibility();

  bool FAllowDoubleClick = true;
  bool FEnabled = false;
  String FHint;
  TIcon* FIcon = nullptr;
  bool FIconVisible = false;
  String FID;
  TPopupMenu* FPopupMenu = nullptr;
  bool FShown = false;
  TZCLTimer* FClickTimer = nullptr;
  Byte FPressedButtons = 0;
  TPoint FLastMousePos;
  UInt64 FAddedTick = 0;
  TZCLTrayIconImpl* FImpl = nullptr;
  friend class TWinTrayIconImpl;
};

void RegisterTrayIconClasses();
