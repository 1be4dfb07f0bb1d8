#pragma once
// Menus as data: menu items in a tree under a menu's root item, shortcuts and their text, and
// command dispatch. Nothing here shows a menu: the windows that draw menus are the system's own.
// Each item has a command number; a WM_COMMAND with that number (lParam 0) sent or posted to
// MenuCommandWindow(), or handed to its menu's DispatchCommand, runs the item's Click.

#include <vector>

#include "os/OS.Types.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Geometry.h"
#include "vcl/VCL.ActnList.h"

class TBitmap;
class TCustomImageList;
class TChangeLink;
class TMenu;
class TMenuItem;

using TImageIndex = Integer;

// ---- shortcuts ----------------------------------------------------------------------------------
// A shortcut holds the virtual key in its low byte and the modifiers in its high bits.
inline constexpr TShortCut scNone = 0;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;

// Key with the modifier bits (scShift, scCtrl, scAlt) of Modifiers; 0 when Key has bits above the low byte.
TShortCut ShortCut(Word Key, TShortCut Modifiers = 0);
void ShortCutToKey(TShortCut ShortCut, Word& Key, TShortCut& Modifiers);
// "Shift+Ctrl+Alt+Key" with the modifiers present, in that order; "" for 0 or a key without a name.
String ShortCutToText(TShortCut ShortCut);
// The name of a virtual key alone ("F1", "Del", "Num +", "A"); "" for a key without a name.
String KeyToText(Word Key);
// Reads modifiers in any order and case ("ctrl+shift+s") and a key name as ShortCutToText writes
// it; 0 for an empty or unknown text.
TShortCut TextToShortCut(StringView Text);
// The shortcut of a key message: the key with the Shift and Ctrl state of the message and the Alt
// flag of its key data (bit 29).
TShortCut KeyMessageToShortCut(Word CharCode, LPARAM KeyData);

// The caption without its hotkey marks ("&File" -> "File", "A && B" -> "A & B").
String StripHotkey(StringView Text);
// The character marked by a single "&" (upper-cased), 0 when none is.
Char GetHotkey(StringView Text);
// Whether the hotkey of Text is the character VK (letters and digits compare ignoring case).
bool IsAccel(Word VK, StringView Text);

// ---- menu items ---------------------------------------------------------------------------------

enum TMenuBreak : Byte { mbNone, mbBreak, mbBarBreak };
ZCL_ENUM(TMenuBreak, mbNone, mbBreak, mbBarBreak);
enum TFindItemKind : Byte { fkCommand, fkHandle, fkShortCut };

// Sender is the menu, Source the item that changed (null: the whole menu); Rebuild when the
// structure or the look of items changed, not only a state such as Enabled or Checked.
using TMenuChangeEvent = TDelegate<void(TObject* Sender, TMenuItem* Source, bool Rebuild)>;

// The action link of menu items: AutoCheck, Caption, Checked, Enabled, GroupIndex (a group makes the
// item a radio item), HelpContext, Hint, ImageIndex, ShortCut and Visible follow the action.
class TMenuActionLink : public TActionLink {
  ZCL_CLASS(TMenuActionLink, TActionLink)
 public:
  using TActionLink::TActionLink;
  bool IsAutoCheckLinked() override;
  bool IsCaptionLinked() override;
  bool IsCheckedLinked() override;
  bool IsEnabledLinked() override;
  bool IsHelpContextLinked() override;
  bool IsHintLinked() override;
  bool IsGroupIndexLinked() override;
  bool IsImageIndexLinked() override;
  bool IsShortCutLinked() override;
  bool IsVisibleLinked() override;
  bool IsOnExecuteLinked() override;
  void SetAutoCheck(bool Value) override;
  void SetCaption(const String& Value) override;
  void SetChecked(bool Value) override;
  void SetEnabled(bool Value) override;
  void SetGroupIndex(Integer Value) override;
  void SetHelpContext(Integer Value) override;
  void SetHint(const String& Value) override;
  void SetImageIndex(Integer Value) override;
  void SetShortCut(TShortCut Value) override;
  void SetVisible(bool Value) override;
  void SetOnExecute(const TNotifyEvent& Value) override;

 protected:
  void AssignClient(TObject* AClient) override;
  TMenuItem* FClient = nullptr;
};
using TMenuItemActionLink = TMenuActionLink;

class TMenuItem : public TComponent {
  ZCL_CLASS(TMenuItem, TComponent)
 public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;
  void BeforeDestruction() override;

  // When enabled: toggles an AutoCheck item (a radio item is checked), then runs OnClick, or the
  // action when OnClick is the action's own handler or empty.
  virtual void Click();
  // Lets the linked action update the item.
  virtual void InitiateAction();

  // Children. An item belongs to one parent at a time: Add and Insert raise EMenuError for an
  // item that has a parent already, for this item or one of its parents, and for an index
  // outside 0 .. Count.
  Integer GetCount() const { return static_cast<Integer>(FItems.size()); }
  // EListError "Menu index out of range" outside 0 .. Count - 1.
  TMenuItem* GetItem(Integer Index) const;
  TMenuItem* operator[](Integer Index) const { return GetItem(Index); }
  void Add(TMenuItem* Item);
  void Insert(Integer Index, TMenuItem* Item);
  // Takes the child at Index out of the menu; it is not freed.
  void Delete(Integer Index);
  // Takes Item out of the menu (not freed); nothing when it is no child.
  void Remove(TMenuItem* Item);
  // Frees every child.
  void Clear();
  Integer IndexOf(const TMenuItem* Item) const;
  // The first child whose caption equals ACaption, hotkey marks and case ignored; null when none.
  TMenuItem* Find(StringView ACaption) const;
  TMenuItem* GetParent() const { return FParent; }
  // The position among the parent's children; -1 without a parent.
  Integer GetMenuIndex() const;
  void SetMenuIndex(Integer Value);
  // The menu whose root this item's chain of parents ends in; null when it ends elsewhere.
  TMenu* GetParentMenu() const;
  // A separator: the caption is "-".
  bool IsLine() const { return FCaption == u"-"; }
  // The number a WM_COMMAND names this item by; unique among live items.
  Word GetCommand() const { return FCommand; }
  // The image list ImageIndex refers to: the nearest parent's SubMenuImages, else the menu's Images.
  TCustomImageList* GetImageList() const;

  const String& GetCaption() const { return FCaption; }
  void SetCaption(const String& Value);
  TShortCut GetShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut Value);
  bool GetChecked() const { return FChecked; }
  // Checking a radio item unchecks the siblings of its group.
  void SetChecked(bool Value);
  bool GetRadioItem() const { return FRadioItem; }
  void SetRadioItem(bool Value);
  Byte GetGroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(Byte Value);
  bool GetAutoCheck() const { return FAutoCheck; }
  void SetAutoCheck(bool Value);
  bool GetDefault() const { return FDefault; }
  void SetDefault(bool Value);
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);
  const String& GetHint() const { return FHint; }
  void SetHint(const String& Value);
  Integer GetHelpContext() const { return FHelpContext; }
  void SetHelpContext(Integer Value);
  TImageIndex GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(TImageIndex Value);
  TMenuBreak GetBreak() const { return FBreak; }
  void SetBreak(TMenuBreak Value);
  // Made on first use; HasBitmap tells without making one.
  TBitmap* GetBitmap();
  void SetBitmap(TBitmap* Value);
  bool HasBitmap() const;
  TCustomImageList* GetSubMenuImages() const { return FSubMenuImages; }
  void SetSubMenuImages(TCustomImageList* Value);
  TBasicAction* GetAction() const;
  void SetAction(TBasicAction* Value);
  TMenuActionLink* GetActionLink() const { return FActionLink; }

  TNotifyEvent OnClick;

  // Streaming: children are written under their parent item, the top level under the menu.
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
  TComponent* GetParentComponent() const override;
  bool HasParent() const override { return true; }
  void SetParentComponent(TComponent* Value) override;

  static void DeclareProperties(TClassDeclaration<TMenuItem>& D);

 protected:
  friend class TMenu;
  friend class TMenuActionLink;
  // Copies the action's properties; with CheckDefaults only into properties still at their default.
  virtual void ActionChange(TObject* Sender, bool CheckDefaults);
  virtual void MenuChanged(bool Rebuild);
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void SetChildOrder(TComponent* Child, Integer Order) override;

  bool IsCaptionStored() const;
  bool IsCheckedStored() const;
  bool IsEnabledStored() const;
  bool IsHintStored() const;
  bool IsImageIndexStored() const;
  bool IsShortCutStored() const;
  bool IsVisibleStored() const;
  bool IsAutoCheckStored() const;
  bool IsOnClickStored() const;

 private:
  void DoActionChange(TObject* Sender);
  void TurnSiblingsOff();
  void SubMenuImagesChange(TObject* Sender);

  TMenuItem* FParent = nullptr;
  TMenu* FMenu = nullptr;  // set on a menu's root item only
  std::vector<TMenuItem*> FItems;
  String FCaption;
  String FHint;
  TShortCut FShortCut = 0;
  Word FCommand = 0;
  bool FChecked = false;
  bool FRadioItem = false;
  Byte FGroupIndex = 0;
  bool FAutoCheck = false;
  bool FDefault = false;
  bool FEnabled = true;
  bool FVisible = true;
  Integer FHelpContext = 0;
  TImageIndex FImageIndex = -1;
  TMenuBreak FBreak = mbNone;
  TBitmap* FBitmap = nullptr;                  // owned
  TCustomImageList* FSubMenuImages = nullptr;  // watched
  TChangeLink* FSubMenuImagesLink = nullptr;   // owned
  TMenuActionLink* FActionLink = nullptr;      // owned
};

RTL_EXCEPTION(EMenuError, Exception);

// ---- menus --------------------------------------------------------------------------------------

class TMenu : public TComponent {
  ZCL_CLASS(TMenu, TComponent)
 public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;
  // Makes the root item through CreateMenuItem.
  void AfterConstruction() override;

  TMenuItem* GetItems() const { return FItems; }
  TCustomImageList* GetImages() const { return FImages; }
  void SetImages(TCustomImageList* Value);

  // Runs the Click of this menu's item with ACommand; false when no item of this menu has it.
  bool DispatchCommand(Word ACommand);
  // The first item (depth first) with the command or shortcut; null when none.
  TMenuItem* FindItem(NativeUInt Value, TFindItemKind Kind) const;
  // Runs the item that has ShortCut, after letting the item and its parents update from their
  // actions; false when there is none or it or a parent is disabled.
  virtual bool IsShortCut(TShortCut ShortCut);
  bool IsShortCut(Word CharCode, LPARAM KeyData) { return IsShortCut(KeyMessageToShortCut(CharCode, KeyData)); }

  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;

  TMenuChangeEvent OnChange;

  static void DeclareProperties(TClassDeclaration<TMenu>& D);

 protected:
  friend class TMenuItem;
  // The root item, made once after construction; descendants make one of their item class.
  virtual TMenuItem* CreateMenuItem();
  virtual void MenuChanged(TObject* Sender, TMenuItem* Source, bool Rebuild);
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void SetChildOrder(TComponent* Child, Integer Order) override;

 private:
  void ImageListChange(TObject* Sender);
  TMenuItem* FItems = nullptr;  // owned
  TCustomImageList* FImages = nullptr;
  TChangeLink* FImageChangeLink = nullptr;  // owned
};

class TMainMenu : public TMenu {
  ZCL_CLASS(TMainMenu, TMenu)
 public:
  using TMenu::TMenu;
};

enum TPopupAlignment : Byte { paLeft, paRight, paCenter };
ZCL_ENUM(TPopupAlignment, paLeft, paRight, paCenter);

class TPopupMenu : public TMenu {
  ZCL_CLASS(TPopupMenu, TMenu)
 public:
  explicit TPopupMenu(TComponent* AOwner);

  // Records the point, fires OnPopup and lets the items update from their actions, then OnClose.
  // Nothing is shown here: descendants that draw menus override it and show between the two.
  virtual void Popup(Integer X, Integer Y);

  TComponent* GetPopupComponent() const { return FPopupComponent; }
  // Watched: cleared when that component is destroyed.
  void SetPopupComponent(TComponent* Value);
  // Screen point of the last Popup.
  TPoint GetPopupPoint() const { return FPopupPoint; }
  bool GetAutoPopup() const { return FAutoPopup; }
  void SetAutoPopup(bool Value) { FAutoPopup = Value; }
  TPopupAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TPopupAlignment Value) { FAlignment = Value; }

  TNotifyEvent OnPopup;
  TNotifyEvent OnClose;

  static void DeclareProperties(TClassDeclaration<TPopupMenu>& D);

 protected:
  virtual void DoPopup(TObject* Sender);
  virtual void DoClose();
  void SetPopupPoint(TPoint Value) { FPopupPoint = Value; }
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TComponent* FPopupComponent = nullptr;
  TPoint FPopupPoint;
  bool FAutoPopup = true;
  TPopupAlignment FAlignment = paLeft;
};

// The hidden window that runs menu commands: WM_COMMAND with an item's command in the low word
// of wParam (high word 0) and lParam 0 runs that item's Click. Made on first use.
HWND MenuCommandWindow();
// The live item with the command; null when none has it.
TMenuItem* FindMenuItemByCommand(Word Command);

namespace detail {
void MenusInit();
void MenusFin();
}  // namespace detail
