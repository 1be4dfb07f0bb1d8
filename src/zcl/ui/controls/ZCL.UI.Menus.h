#pragma once
// Owner-drawn menus: menu items with glyphs, items that show another menu's items or the lines of
// a string list, the styles that measure and draw items, the popup menu component with its menu
// windows, the modal loop that runs an open menu, and the menu bar. Items are the platform's menu
// items; the operating system never draws a menu.

#include <vector>

#include "vcl/VCL.Menus.h"
#include "zcl/ui/ZCL.UI.Controls.Base.h"
#include "zcl/ui/ZCL.UI.Style.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"
#include "zcl/ui/controls/ZCL.UI.Controls.ScrollBar.h"

class TStringList;
class TZCLTimer;
class TZCLMenuPopupLooper;
class TZCLMenuPopupWindow;
class TZCLMainMenu;
class TZCLPopupMenu;

// Private messages of the menu windows.
inline constexpr UINT MSG_MENU_ITEMCLICK = 0x914;       // wParam source, lParam the TMenuItem
inline constexpr UINT MSG_MENU_HOTITEMCHANGED = 0x915;  // wParam source, lParam the new ItemIndex

// Sources of a hot-item change.
inline constexpr Integer mhsProgram = 0;
inline constexpr Integer mhsMouse = 1;
inline constexpr Integer mhsKeyboard = 3;

// "You are about to be shown": told to every child of an item whose children a window lists.
struct IZCLMenuShowHandler : virtual IInterface {
  RTL_INTERFACE(IZCLMenuShowHandler, IInterface, "{4E1A6C02-7B3D-4F59-A8E1-2C9D5F0B7E31}")
  virtual void MenuShow() = 0;
};

// ---- items --------------------------------------------------------------------------------------

class TZCLMenuItem : public TMenuItem, public IZCLMenuShowHandler, public IZCLCurrentDpi, public IZCLGlyph {
  ZCL_CLASS(TZCLMenuItem, TMenuItem)
  RTL_INTERFACES(TMenuItem, IZCLMenuShowHandler, IZCLCurrentDpi, IZCLGlyph)
 public:
  explicit TZCLMenuItem(TComponent* AOwner);
  ~TZCLMenuItem() override;
  static void DeclareProperties(TClassDeclaration<TZCLMenuItem>& D);

  void AssignTo(TPersistent* Dest) override;
  String ToString() const override;
  virtual void DoShow();
  virtual bool HasSubItems();

  TZCLGlyph* GetGlyph() override { return FGlyph; }
  void SetGlyph(TZCLGlyph* Value);
  bool IsGlyphStored() const;
  // IZCLMenuShowHandler
  void MenuShow() override { DoShow(); }
  // IZCLCurrentDpi: the parent menu's DPI, else the system's.
  Integer GetCurrentDpi() override;

  TNotifyEvent OnShow;

 private:
  TZCLGlyph* FGlyph;  // owned
};

enum TZCLMenuItemLinkExpandMode : Byte { lemExpandInplace, lemExpandInSubMenu, lemNoExpand };
ZCL_ENUM(TZCLMenuItemLinkExpandMode, lemExpandInplace, lemExpandInSubMenu, lemNoExpand);

using TZCLMenuItemProc = std::function<void(TMenuItem* Item)>;

// An item whose sub-items are produced on demand.
class TZCLMenuContainerItem : public TZCLMenuItem {
  ZCL_CLASS(TZCLMenuContainerItem, TZCLMenuItem)
 public:
  using TZCLMenuItem::TZCLMenuItem;
  static void DeclareProperties(TClassDeclaration<TZCLMenuContainerItem>& D);
  void AssignTo(TPersistent* Dest) override;
  // Hands every produced item, in order, to Proc.
  virtual void ExpandItems(const TZCLMenuItemProc& Proc) = 0;
  TZCLMenuItemLinkExpandMode GetExpandMode() const { return FExpandMode; }
  void SetExpandMode(TZCLMenuItemLinkExpandMode Value) { FExpandMode = Value; }

 private:
  TZCLMenuItemLinkExpandMode FExpandMode = lemExpandInplace;
};

// Shows the items of another component: a menu item itself, or a popup menu's items.
class TZCLMenuItemLink : public TZCLMenuContainerItem {
  ZCL_CLASS(TZCLMenuItemLink, TZCLMenuContainerItem)
 public:
  using TZCLMenuContainerItem::TZCLMenuContainerItem;
  ~TZCLMenuItemLink() override;
  static void DeclareProperties(TClassDeclaration<TZCLMenuItemLink>& D);
  void AssignTo(TPersistent* Dest) override;
  void DoShow() override;
  void ExpandItems(const TZCLMenuItemProc& Proc) override;
  bool HasSubItems() override;
  void InitiateAction() override;
  String ToString() const override;
  TComponent* GetLink() const { return FLink; }
  void SetLink(TComponent* Value);

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TComponent* FLink = nullptr;
};

// Shows the lines of a string list as items; clicking one sets ItemIndex.
class TZCLMenuListItem : public TZCLMenuContainerItem {
  ZCL_CLASS(TZCLMenuListItem, TZCLMenuContainerItem)
 public:
  explicit TZCLMenuListItem(TComponent* AOwner);
  ~TZCLMenuListItem() override;
  static void DeclareProperties(TClassDeclaration<TZCLMenuListItem>& D);
  void AssignTo(TPersistent* Dest) override;
  // The list item itself does nothing when clicked.
  void Click() override {}
  void ExpandItems(const TZCLMenuItemProc& Proc) override;
  bool HasSubItems() override;
  String ToString() const override;

  TStringList* GetItems() const { return FItems; }
  void SetItems(TStringList* Value);
  Integer GetItemIndex() const { return FItemIndex; }
  void SetItemIndex(Integer Value) { FItemIndex = Value; }
  bool GetAutoCheck() const { return FAutoCheck; }
  void SetAutoCheck(bool Value) { FAutoCheck = Value; }

 private:
  void ItemClick(TObject* Sender);
  TStringList* FItems;  // owned
  Integer FItemIndex = -1;
  bool FAutoCheck = false;
};

// ---- routines -----------------------------------------------------------------------------------

TMenuItem* MenuItemAddWithHint(TMenuItem* Parent, const String& Caption, const String& Hint, NativeInt Tag,
                               TNotifyEvent OnClick, TShortCut ShortCut = 0);
TMenuItem* MenuItemAdd(TMenuItem* Parent, const String& Caption, TNotifyEvent OnClick, TShortCut ShortCut = 0);
TMenuItem* MenuItemAddEx(TMenuItem* Parent, const String& Caption, NativeInt Tag, TNotifyEvent OnClick,
                         TShortCut ShortCut = 0);
TMenuItem* MenuItemAddRadio(TMenuItem* Parent, const String& Caption, const String& Hint, NativeInt Tag,
                            TNotifyEvent OnClick, Byte GroupIndex, TShortCut ShortCut = 0);
TMenuItem* MenuItemAddSeparator(TMenuItem* Parent);
// The last child with the tag, else null.
TMenuItem* MenuItemFindByTag(TMenuItem* Parent, NativeInt Tag);
TMenuItem* MenuItemGetDefault(TMenuItem* Parent);
// Some child is visible and not a separator.
bool MenuItemHasVisibleItems(TMenuItem* Parent);
void MenuItemInitiateActions(TMenuItem* Item);
bool MenuItemIsCheckable(TMenuItem* Item);
void MenuItemNotifyShowHandlers(TMenuItem* Item);
// False when Parent is Item or one of its descendants.
bool MenuItemCanBeChildOf(TMenuItem* Item, TMenuItem* Parent);
// Every "&" doubled.
String MenuEscapeText(const String& Text);
// "Text (Ctrl+O)", the text alone without a shortcut, the shortcut text alone without a text.
String MenuTextWithShortCut(const String& Text, TShortCut ShortCut);
// A popup menu loop runs.
bool IsMenuLoopActive();

class TZCLShortCut {
 public:
  TZCLShortCut() = delete;
  // The low 8 bits of Key; "" for 0.
  static String KeyToText(Word Key);
  // The modifiers read Shift, Ctrl, Alt before the key name.
  static String ToText(TShortCut ShortCut);
};

// ---- styles -------------------------------------------------------------------------------------

class TZCLStyleMenu : public TZCLStyle {
  ZCL_CLASS(TZCLStyleMenu, TZCLStyle)
 public:
  using TZCLStyle::TZCLStyle;
  static void DeclareProperties(TClassDeclaration<TZCLStyleMenu>& D);

  TZCLResourceColor* GetColorItem() { return GetColor(0); }
  TZCLResourceColor* GetColorItemSelected() { return GetColor(1); }
  TZCLResourceInteger* GetCornerRadiusItem() { return GetInteger(0); }
  TZCLResourceFont* GetFontNormal() { return GetFont(0); }
  TZCLResourceFont* GetFontDisabled() { return GetFont(1); }
  TZCLResourceFont* GetFontSelected() { return GetFont(2); }
  TZCLResourceTexture* GetTextureItem() { return GetTexture(0); }

  // Cached until the style changes.
  Integer ItemHeight();
  virtual Integer GetItemHeight();
  virtual void DrawItemImageFromList(TCanvas* Canvas, const TRect& R, TCustomImageList* Images, Integer ImageIndex,
                                     bool Enabled, bool Selected);
  virtual void AssignFontParams(TCanvas* Canvas, bool Selected, bool IsDefault, bool Enabled);
  virtual void DrawBackground(TCanvas* Canvas, const TRect& R, bool Selected);
  virtual void DrawItemImage(TCanvas* Canvas, const TRect& R, TMenuItem* Item, bool Selected);
  virtual void DrawText(TCanvas* Canvas, const TRect& R, const String& Text);
  virtual Integer MeasureWidth(TCanvas* Canvas, const String& Caption, TShortCut ShortCut, bool IsDefault);

 protected:
  Integer S(Integer Value) const { return ScaleByTargetDPI(Value); }
  void DoChanged(TZCLPersistentChanges Changes) override;
  void InitializeResources() override;
  // Fits Size into R (shrunk proportionally only when larger) and centres it.
  static TRect FitInto(const TRect& R, TSize Size);

 private:
  Integer FItemHeight = -1;
};

class TZCLStylePopupMenu : public TZCLStyleMenu {
  ZCL_CLASS(TZCLStylePopupMenu, TZCLStyleMenu)
 public:
  using TZCLStyleMenu::TZCLStyleMenu;
  static void DeclareProperties(TClassDeclaration<TZCLStylePopupMenu>& D);

  TZCLResourceMargins* GetBorders() { return GetMargins(0); }
  TZCLResourceInteger* GetCornerRadius() { return GetInteger(1); }
  TZCLResourceColor* GetColorBorder1() { return GetColor(2); }
  TZCLResourceColor* GetColorBorder2() { return GetColor(3); }
  TZCLResourceTexture* GetTextureGutter() { return GetTexture(1); }
  TZCLResourceTexture* GetTextureScrollBar() { return GetTexture(2); }
  TZCLResourceTexture* GetTextureScrollBarButtons() { return GetTexture(3); }
  TZCLResourceTexture* GetTextureScrollBarThumb() { return GetTexture(4); }
  TZCLResourceTexture* GetTextureSeparator() { return GetTexture(5); }

  Integer GetItemHeight() override;
  void DrawBackground(TCanvas* Canvas, const TRect& R, bool Selected) override;
  void DrawItemImage(TCanvas* Canvas, const TRect& R, TMenuItem* Item, bool Selected) override;
  Integer MeasureWidth(TCanvas* Canvas, const String& Caption, TShortCut ShortCut, bool IsDefault) override;
  virtual void DrawBorder(TCanvas* Canvas, const TRect& R);
  virtual void DrawItemText(TCanvas* Canvas, const TRect& R, const String& Caption, TShortCut ShortCut,
                            bool Selected, bool IsDefault, bool Enabled, bool HasSubMenu);
  virtual void DrawScrollButton(TCanvas* Canvas, const TRect& R, bool Up, bool Enabled);
  virtual void DrawSeparator(TCanvas* Canvas, const TRect& R);
  Integer GetGutterWidth();
  void DrawCheckMark(TCanvas* Canvas, const TRect& R, bool Checked, bool Radio, bool Selected);
  // The gutter frame a check mark takes (-1: none) when the gutter carries the marks itself.
  static Integer CheckMarkFrame(Integer GutterFrames, bool Checked, bool Radio, bool Selected);

 protected:
  void InitializeResources() override;
};

// The style a popup menu creates: captions may carry inline formatting tags.
class TZCLPopupMenuStyle : public TZCLStylePopupMenu {
  ZCL_CLASS(TZCLPopupMenuStyle, TZCLStylePopupMenu)
 public:
  using TZCLStylePopupMenu::TZCLStylePopupMenu;
  static void DeclareProperties(TClassDeclaration<TZCLPopupMenuStyle>& D);
  void DrawText(TCanvas* Canvas, const TRect& R, const String& Text) override;
  bool GetAllowTextFormatting() const { return FAllowTextFormatting; }
  void SetAllowTextFormatting(bool Value);

 protected:
  void DoAssign(TPersistent* Source) override;
  void DoReset() override;

 private:
  bool FAllowTextFormatting = false;
};

// ---- popup menu ---------------------------------------------------------------------------------

enum TZCLPopupMenuScrollMode : Byte { smAuto, smScrollButtons, smScrollBars };
ZCL_ENUM(TZCLPopupMenuScrollMode, smAuto, smScrollButtons, smScrollBars);

class TZCLPopupMenuOptions : public TPersistent {
  ZCL_CLASS(TZCLPopupMenuOptions, TPersistent)
 public:
  static void DeclareProperties(TClassDeclaration<TZCLPopupMenuOptions>& D);
  void Assign(TPersistent* Source) override;
  bool GetCloseMenuOnItemCheck() const { return FCloseMenuOnItemCheck; }
  void SetCloseMenuOnItemCheck(bool Value) { FCloseMenuOnItemCheck = Value; }
  TZCLPopupMenuScrollMode GetScrollMode() const { return FScrollMode; }
  void SetScrollMode(TZCLPopupMenuScrollMode Value) { FScrollMode = Value; }

 private:
  bool FCloseMenuOnItemCheck = true;
  TZCLPopupMenuScrollMode FScrollMode = smAuto;
};

class TZCLPopupMenu : public TPopupMenu,
                      public IZCLPopup,
                      public IZCLMenuShowHandler,
                      public IZCLCurrentDpi,
                      public IZCLObjectLinksSupport {
  ZCL_CLASS(TZCLPopupMenu, TPopupMenu)
  RTL_INTERFACES(TPopupMenu, IZCLPopup, IZCLMenuShowHandler, IZCLCurrentDpi, IZCLObjectLinksSupport)
 public:
  explicit TZCLPopupMenu(TComponent* AOwner);
  ~TZCLPopupMenu() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLPopupMenu>& D);

  void Popup(Integer X, Integer Y) override;
  void PopupAt(const TPoint& P) { PopupAt(TRect(P, P)); }
  // Returns when the menu has closed; nothing while it is shown.
  void PopupAt(const TRect& R) override;
  void SetCurrentDpi(Integer Value);
  // Posts the item's command; it runs from the application's loop.
  virtual void DoSelect(TMenuItem* Item);
  void MenuShow() override { DoBeforePopup(); }
  Integer GetCurrentDpi() override { return FCurrentDpi; }

  bool GetAutoScale() const { return FAutoScale; }
  void SetAutoScale(bool Value) { FAutoScale = Value; }
  const String& GetHint() const { return FHint; }
  void SetHint(const String& Value) { FHint = Value; }
  TZCLPopupMenuOptions* GetOptions() const { return FOptions; }
  void SetOptions(TZCLPopupMenuOptions* Value) { FOptions->Assign(Value); }
  TZCLPopupMenuStyle* GetStyle() const { return FStyle; }
  void SetStyle(TZCLPopupMenuStyle* Value) { FStyle->Assign(Value); }
  TZCLMenuPopupWindow* GetMenuWindow() const { return FMenuWindow; }
  bool IsShown() const { return FMenuWindow != nullptr; }

 protected:
  TMenuItem* CreateMenuItem() override;
  virtual Integer CalculateTargetDpi();
  virtual TZCLPopupMenuOptions* CreateOptions();
  virtual TZCLPopupMenuStyle* CreateStyle();
  virtual void DoBeforePopup();
  virtual void DoDpiChanged(Integer Dpi);
  virtual void DoShowMenu(const TRect& R);

 private:
  bool FAutoScale = true;
  Integer FCurrentDpi = 96;
  String FHint;
  TZCLPopupMenuOptions* FOptions = nullptr;  // owned
  TZCLPopupMenuStyle* FStyle = nullptr;      // owned
  TZCLMenuPopupWindow* FMenuWindow = nullptr;
};

// ---- menu windows -------------------------------------------------------------------------------

class TZCLMenuWindow : public TCustomScalableControl, public IZCLMouseTracking {
  ZCL_CLASS(TZCLMenuWindow, TCustomScalableControl)
  RTL_INTERFACES(TCustomScalableControl, IZCLMouseTracking)
  VCL_MESSAGES()
 public:
  struct TItemInfo {
    TMenuItem* Item = nullptr;  // not owned
    TRect Bounds;               // client coordinates; empty while scrolled out
    TSize Size;
  };

  explicit TZCLMenuWindow(TComponent* AOwner);
  ~TZCLMenuWindow() override;

  void Init(TMenuItem* Item);
  void AddMenuItem(TMenuItem* Item);
  void ClearItems();
  void SetItemIndex(Integer Index, Integer Source);
  void SetTopIndex(Integer Value);
  void MakeVisible(Integer Index);
  Integer ItemAtPos(const TPoint& P) const;
  bool HasHotItem() const { return FItemIndex >= 0 && FItemIndex < GetCount(); }
  TItemInfo* GetHotItemInfo() const { return HasHotItem() ? FItems[static_cast<size_t>(FItemIndex)] : nullptr; }
  static bool HasSubMenu(TMenuItem* Item);
  void SelectNextItem(bool Down);

  Integer GetCount() const { return static_cast<Integer>(FItems.size()); }
  TItemInfo* GetItem(Integer Index) const { return FItems[static_cast<size_t>(Index)]; }
  Integer IndexOfInfo(const TItemInfo* Info) const;
  Integer GetItemIndex() const { return FItemIndex; }
  Integer GetTopIndex() const { return FTopIndex; }
  Integer GetVisibleCount() const { return FVisibleCount; }
  Integer GetDefaultIndex() const { return FDefaultIndex; }
  const TRect& GetBorders() const { return FBorders; }

  virtual TSize CalculateSize() = 0;
  virtual void CalculateLayout() = 0;
  virtual void CalculateSizes();
  // The screen rectangle of a window opened from this one (or of this one when Child is null).
  virtual void CalculatePopupBounds(TRect& R, TSize Size, TZCLMenuPopupWindow* Child) = 0;
  virtual TSize MeasureItem(TCanvas* Canvas, TMenuItem* Item) = 0;
  virtual Word TranslateKey(Word Key, TShiftState) { return Key; }
  virtual void ClickHotItem(Integer Source);
  virtual void MouseHoverItem(Integer Index) { SetItemIndex(Index, mhsMouse); }
  Integer GetCurrentDpi() override { return GetCurrentPPI(); }
  // IZCLMouseTracking
  bool IsMouseAtControl() override;
  void MouseEnter() override {}
  void MouseLeave() override;

  // Input handlers, public so that other menu windows can forward input here.
  void KeyDown(Word& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;

 protected:
  bool DoMouseWheel(TShiftState Shift, Integer WheelDelta, TPoint MousePos) override;
  void DoContextPopup(TPoint MousePos, bool& Handled) override;
  void ReplayMouseMove();
  void WMGetDlgCode(TMessage& Message);

  std::vector<TItemInfo*> FItems;  // owned
  Integer FItemIndex = -1;
  Integer FTopIndex = 0;
  Integer FVisibleCount = 0;
  TRect FBorders;
  Integer FDefaultIndex = -1;
  TPoint FLastMousePos{-1, -1};
  bool FDestroying = false;
};

class TZCLMenuPopupWindow : public TZCLMenuWindow, public IZCLScrollBar {
  ZCL_CLASS(TZCLMenuPopupWindow, TZCLMenuWindow)
  RTL_INTERFACES(TZCLMenuWindow, IZCLScrollBar)
 public:
  // The root window of a popup menu.
  TZCLMenuPopupWindow(TZCLPopupMenu* AMenu);
  // A drop-down of the menu bar.
  TZCLMenuPopupWindow(TZCLMainMenu* ABar, TZCLPopupMenu* AMenu, TItemInfo* AItem);
  // A submenu.
  TZCLMenuPopupWindow(TZCLMenuPopupWindow* AParent, TItemInfo* AItem);
  ~TZCLMenuPopupWindow() override;
  void BeforeDestruction() override;

  // Places and shows the window; the root window runs the menu and returns when it has closed.
  void Popup(const TRect& R);
  void CalculateBounds();

  TSize CalculateSize() override;
  void CalculateLayout() override;
  void CalculateSizes() override;
  void CalculatePopupBounds(TRect& R, TSize Size, TZCLMenuPopupWindow* Child) override;
  TSize MeasureItem(TCanvas* Canvas, TMenuItem* Item) override;
  void MouseHoverItem(Integer Index) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;

  TZCLPopupMenu* GetPopupMenu() const { return FPopupMenu; }
  TZCLMainMenu* GetMainMenu() const { return FMainMenu; }
  TZCLMenuPopupWindow* GetParentMenuWindow() const { return FParentMenuWindow; }
  TItemInfo* GetParentItemInfo() const { return FParentItemInfo; }
  TZCLMenuPopupLooper* GetLooper() const { return FLooper; }
  const TRect& GetControlRect() const { return FControlRect; }
  const TRect& GetUpButtonRect() const { return FUpButtonRect; }
  const TRect& GetDownButtonRect() const { return FDownButtonRect; }
  Integer GetScrollDirection() const { return FScrollDirection; }
  // The scroll bar while the items scroll with one, else null.
  TZCLScrollBarSubClass* GetScrollBar() const { return FScrollBar; }
  // The work area of the monitor at the window's client origin.
  TRect GetWorkArea();

  // IZCLControl, as the owner of the scroll bar
  Integer GetCurrentDpi() override { return GetCurrentPPI(); }
  bool IsControlEnabled() override { return GetEnabled(); }
  void InvalidateRect(const TRect& Rect) override;
  void UpdateControl() override { Update(); }
  TPoint ControlClientToScreen(const TPoint& Point) override { return ClientToScreen(Point); }
  TPoint ControlScreenToClient(const TPoint& Point) override { return ScreenToClient(Point); }
  // IZCLScrollBar
  bool ScrollBarAllowAnimation() override { return UIAnimationsEnabled; }
  void ScrollBarScroll(TScrollCode Code, Integer& Position) override;
  void MouseLeave() override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  void Resize() override;
  void WndProc(TMessage& Message) override;

 private:
  friend class TZCLMenuPopupLooper;
  void InitRoot(TZCLPopupMenu* AMenu);
  void CalculateScrollParts(TRect& R);
  bool UsesScrollBar();
  void FreeScrollBar();
  void UpdateScrollTimer();
  void ScrollTimerTick(TObject* Sender);
  bool ForwardMouse(UINT Msg, TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  void ItemClicked(TMessage& Message);

  TZCLPopupMenu* FPopupMenu = nullptr;
  TZCLMainMenu* FMainMenu = nullptr;
  TZCLMenuPopupWindow* FParentMenuWindow = nullptr;
  TItemInfo* FParentItemInfo = nullptr;
  TZCLMenuPopupLooper* FLooper = nullptr;
  TRect FControlRect;
  TRect FUpButtonRect;
  TRect FDownButtonRect;
  TRect FFillerRect;
  TZCLTimer* FScrollTimer = nullptr;  // owned
  TZCLScrollBarSubClass* FScrollBar = nullptr;     // owned
  TZCLStyleScrollBox* FScrollBarStyle = nullptr;  // owned
  Integer FScrollDirection = 0;
  HWND FOwnerWindow = nullptr;
};

// ---- the menu loop ------------------------------------------------------------------------------

class TZCLMenuPopupLooper : public TZCLComponent {
  ZCL_CLASS(TZCLMenuPopupLooper, TZCLComponent)
 public:
  explicit TZCLMenuPopupLooper(TZCLMenuPopupWindow* ARootWindow);
  ~TZCLMenuPopupLooper() override;

  virtual void Idle();
  // True when the message is consumed.
  virtual bool ProcessMessage(TZCLMenuPopupWindow* Window, TMessage& Message);
  virtual void Run() = 0;

  // Null stops the loop after the current message; a window is closed (with the ones above it)
  // from the main-thread queue.
  void CloseMenu(TZCLMenuPopupWindow* Window);
  void CloseMenuAndSelect(TMenuItem* Item);
  void DoCloseMenu(TZCLMenuPopupWindow* Window);
  void UpdateCapture();
  bool ShowSubMenu(TZCLMenuPopupWindow* Window);
  void SetDelayWindow(TZCLMenuPopupWindow* Window);
  TZCLMenuPopupWindow* FindWindowAtCursor();
  bool IsSubMenuOpen(TZCLMenuWindow::TItemInfo* Item);
  static String GetItemHint(TMenuItem* Item);
  // The submenu delay for the system's menu show delay (0 and 1 become 1).
  static Cardinal MenuShowDelay(UINT SystemDelay);

  TZCLMenuPopupWindow* GetRootWindow() const { return FRootWindow; }
  TZCLMenuPopupWindow* GetTopWindow() const { return FWindows.back(); }
  Integer GetWindowCount() const { return static_cast<Integer>(FWindows.size()); }
  TZCLMenuPopupWindow* GetWindow(Integer Index) const { return FWindows[static_cast<size_t>(Index)]; }
  bool GetActive() const { return FActive; }
  TCustomForm* GetForm() const { return FForm; }
  TMenuItem* GetSelectedItem() const { return FSelectedItem; }
  TZCLTimer* GetDelayTimer() const { return FDelayTimer; }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  bool IsRunning();
  void PopWindow();
  void SyncParentHotItems(TZCLMenuPopupWindow* Window);

  TZCLMenuPopupWindow* FRootWindow;
  std::vector<TZCLMenuPopupWindow*> FWindows;  // the submenus above the root are owned
  bool FActive = false;
  bool FCaptureUpdating = false;
  TZCLTimer* FDelayTimer = nullptr;  // owned
  TZCLMenuPopupWindow* FDelayWindow = nullptr;
  Integer FDelayItemIndex = -1;
  TCustomForm* FForm = nullptr;
  TZCLMenuPopupWindow* FCloseTarget = nullptr;
  TMenuItem* FSelectedItem = nullptr;
  // A WM_QUIT the loop took: posted again once the menu has closed.
  bool FQuitPending = false;
  Integer FQuitCode = 0;

 private:
  void DelayTimerTick(TObject* Sender);
  void QueuedClose();
};

class TZCLMenuPopupLooperImpl : public TZCLMenuPopupLooper {
  ZCL_CLASS(TZCLMenuPopupLooperImpl, TZCLMenuPopupLooper)
 public:
  explicit TZCLMenuPopupLooperImpl(TZCLMenuPopupWindow* ARootWindow);
  ~TZCLMenuPopupLooperImpl() override;
  void Idle() override;
  void Run() override;

 private:
  void ActionTimerTick(TObject* Sender);
  TZCLTimer* FActionTimer;  // owned
};

// ---- menu bar -----------------------------------------------------------------------------------

class TZCLMainMenu : public TZCLMenuWindow, public IZCLLocalizableComponent {
  ZCL_CLASS(TZCLMainMenu, TZCLMenuWindow)
  RTL_INTERFACES(TZCLMenuWindow, IZCLLocalizableComponent)
  VCL_MESSAGES()
 public:
  explicit TZCLMainMenu(TComponent* AOwner);
  ~TZCLMainMenu() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLMainMenu>& D);

  void Rebuild();
  // The form's shortcut handler: F10 and the menu's shortcuts.
  bool IsShortCut(TMessage& Message) override;
  void Localize(const String&, const String&) override;

  TSize CalculateSize() override;
  void CalculateLayout() override;
  void CalculatePopupBounds(TRect& R, TSize Size, TZCLMenuPopupWindow* Child) override;
  TSize MeasureItem(TCanvas* Canvas, TMenuItem* Item) override;
  Word TranslateKey(Word Key, TShiftState Shift) override;
  void MouseHoverItem(Integer Index) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void AdjustSize() override;
  bool CanAutoSize(Integer& NewWidth, Integer& NewHeight) override;

  TZCLPopupMenu* GetMenu() const { return FMenu; }
  void SetMenu(TZCLPopupMenu* Value);
  TZCLStyleMenu* GetStyle() const { return FStyle; }
  void SetStyle(TZCLStyleMenu* Value) { FStyle->Assign(Value); }
  TZCLMenuPopupWindow* GetPopupWindow() const { return FPopupWindow; }
  bool GetMenuMode() const { return FMenuMode; }

 protected:
  void ChangeScale(Integer M, Integer D, bool IsDpiChange = false) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  void DoExit() override;

 private:
  void MenuChanged(TObject* Sender, TMenuItem* Source, bool Rebuild);
  void QueuedRebuild();
  bool InMenuMode() const { return FMenuMode || FPopupWindow != nullptr; }
  void HotItemChanged(TMessage& Message);
  void ItemClick(TMessage& Message);
  void WMGetDlgCode(TMessage& Message);
  void WMSysCommand(TMessage& Message);

  TZCLPopupMenu* FMenu = nullptr;
  TZCLStyleMenu* FStyle;  // owned
  TZCLMenuPopupWindow* FPopupWindow = nullptr;
  bool FMenuMode = false;
};

void RegisterMenuClasses();
void FinalizeMenus();
