#include "vcl/VCL.Menus.h"

#include <algorithm>
#include <unordered_map>

#include "os/OS.Input.h"
#include "os/OS.Messages.h"
#include "os/OS.Windows.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "rtl/RTL.TypInfo.h"
#include "vcl/VCL.Controls.h"
#include "vcl/VCL.Graphics.h"
#include "vcl/VCL.ImgList.h"

// ---- shortcuts ----------------------------------------------------------------------------------

namespace {

struct TKeyName {
  Word Key;
  const Char* Name;
};

constexpr TKeyName GKeyNames[] = {
    {VK_BACK, u"BkSp"},
    {VK_TAB, u"Tab"},
    {VK_RETURN, u"Enter"},
    {VK_PAUSE, u"Pause"},
    {VK_CAPITAL, u"Caps Lock"},
    {VK_ESCAPE, u"Esc"},
    {VK_SPACE, u"Space"},
    {VK_PRIOR, u"PgUp"},
    {VK_NEXT, u"PgDn"},
    {VK_END, u"End"},
    {VK_HOME, u"Home"},
    {VK_LEFT, u"Left"},
    {VK_UP, u"Up"},
    {VK_RIGHT, u"Right"},
    {VK_DOWN, u"Down"},
    {VK_SNAPSHOT, u"Print Screen"},
    {VK_INSERT, u"Ins"},
    {VK_DELETE, u"Del"},
    {VK_APPS, u"Apps"},
    {VK_MULTIPLY, u"Num *"},
    {VK_ADD, u"Num +"},
    {VK_SUBTRACT, u"Num -"},
    {VK_DECIMAL, u"Num Del"},
    {VK_DIVIDE, u"Num /"},
    {VK_NUMLOCK, u"Num Lock"},
    {VK_SCROLL, u"Scroll Lock"},
    {VK_OEM_1, u";"},
    {VK_OEM_PLUS, u"="},
    {VK_OEM_COMMA, u","},
    {VK_OEM_MINUS, u"-"},
    {VK_OEM_PERIOD, u"."},
    {VK_OEM_2, u"/"},
    {VK_OEM_3, u"`"},
    {VK_OEM_4, u"["},
    {VK_OEM_5, u"\\"},
    {VK_OEM_6, u"]"},
    {VK_OEM_7, u"'"},
};

bool StartsWithText(StringView Text, StringView Prefix) {
  return Text.size() >= Prefix.size() && SameText(Text.substr(0, Prefix.size()), Prefix);
}

}  // namespace

TShortCut ShortCut(Word Key, TShortCut Modifiers) {
  if (Key & 0xFF00) return 0;
  return TShortCut(Key | (Modifiers & (scShift | scCtrl | scAlt)));
}

void ShortCutToKey(TShortCut ShortCut, Word& Key, TShortCut& Modifiers) {
  Key = ShortCut & 0xFF;
  Modifiers = ShortCut & (scShift | scCtrl | scAlt);
}

String KeyToText(Word Key) {
  if (Key >= '0' && Key <= '9') return String(1, Char(Key));
  if (Key >= 'A' && Key <= 'Z') return String(1, Char(Key));
  if (Key >= VK_NUMPAD0 && Key <= VK_NUMPAD9) return u"Num " + String(1, Char(u'0' + (Key - VK_NUMPAD0)));
  if (Key >= VK_F1 && Key <= VK_F24) return u"F" + IntToStr(Key - VK_F1 + 1);
  for (const TKeyName& name : GKeyNames)
    if (name.Key == Key) return name.Name;
  return String();
}

String ShortCutToText(TShortCut ShortCut) {
  const String name = KeyToText(ShortCut & 0xFF);
  if (name.empty()) return String();
  String result;
  if (ShortCut & scShift) result += u"Shift+";
  if (ShortCut & scCtrl) result += u"Ctrl+";
  if (ShortCut & scAlt) result += u"Alt+";
  return result + name;
}

TShortCut TextToShortCut(StringView Text) {
  TShortCut modifiers = 0;
  for (;;) {
    if (StartsWithText(Text, u"Shift+")) {
      modifiers |= scShift;
      Text.remove_prefix(6);
    } else if (StartsWithText(Text, u"Ctrl+")) {
      modifiers |= scCtrl;
      Text.remove_prefix(5);
    } else if (StartsWithText(Text, u"Alt+")) {
      modifiers |= scAlt;
      Text.remove_prefix(4);
    } else {
      break;
    }
  }
  if (Text.empty()) return 0;
  // Key names (upper-cased) to keys, built once.
  static const std::unordered_map<String, Word> keys = [] {
    std::unordered_map<String, Word> result;
    for (Word key = 1; key <= 0xFF; ++key)
      if (String name = KeyToText(key); !name.empty()) result.emplace(UpperCase(name), key);
    return result;
  }();
  auto it = keys.find(UpperCase(Text));
  return it == keys.end() ? 0 : TShortCut(it->second | modifiers);
}

TShortCut KeyMessageToShortCut(Word CharCode, LPARAM KeyData) {
  TShortCut modifiers = 0;
  if (GetKeyState(VK_SHIFT) < 0) modifiers |= scShift;
  if (GetKeyState(VK_CONTROL) < 0) modifiers |= scCtrl;
  if (KeyData & 0x20000000) modifiers |= scAlt;
  return ShortCut(CharCode, modifiers);
}

String StripHotkey(StringView Text) {
  String result;
  result.reserve(Text.size());
  for (size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] == u'&') {
      if (i + 1 < Text.size() && Text[i + 1] == u'&') {
        result += u'&';
        ++i;
      }
      continue;
    }
    result += Text[i];
  }
  return result;
}

Char GetHotkey(StringView Text) {
  for (size_t i = 0; i + 1 < Text.size(); ++i) {
    if (Text[i] != u'&') continue;
    if (Text[i + 1] == u'&') {
      ++i;
      continue;
    }
    const String c = AnsiUpperCase(Text.substr(i + 1, 1));
    return c.empty() ? Text[i + 1] : c[0];
  }
  return 0;
}

bool IsAccel(Word VK, StringView Text) {
  const Char hotkey = GetHotkey(Text);
  if (hotkey == 0 || VK == 0) return false;
  return SameText(String(1, hotkey), String(1, Char(VK)));
}

// ---- command numbers and their window ---------------------------------------------------------

namespace {

constexpr const Char* GCommandWindowClass = u"ZephseMenuCommands";

struct TCommandRegistry {
  std::unordered_map<Word, TMenuItem*> Items;
  Word Next = 1;
  HWND Window = nullptr;
};
TCommandRegistry* GCommands = nullptr;

TCommandRegistry& Commands() {
  if (!GCommands) GCommands = new TCommandRegistry;
  return *GCommands;
}

Word AllocateCommand(TMenuItem* Item) {
  TCommandRegistry& registry = Commands();
  if (registry.Items.size() >= 0xFFFF) throw EMenuError(u"Too many menu items");
  while (registry.Next == 0 || registry.Items.count(registry.Next)) ++registry.Next;
  const Word command = registry.Next++;
  registry.Items.emplace(command, Item);
  return command;
}

void ReleaseCommand(Word Command, const TMenuItem* Item) {
  if (!GCommands) return;
  auto it = GCommands->Items.find(Command);
  if (it != GCommands->Items.end() && it->second == Item) GCommands->Items.erase(it);
}

LRESULT CommandWindowProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_COMMAND && LParam == 0 && HIWORD(WParam) == 0) {
    // An item freed since the command was posted is no longer found: the command is dropped.
    if (TMenuItem* item = FindMenuItemByCommand(LOWORD(WParam))) {
      // A failing command is reported like any failing window procedure.
      try {
        item->Click();
      } catch (...) {
        if (!ControlHooks().HandleException) throw;
        ControlHooks().HandleException(nullptr);  // the item may be gone: no sender
      }
    }
    return 0;
  }
  return DefWindowProc(Window, Msg, WParam, LParam);
}

}  // namespace

TMenuItem* FindMenuItemByCommand(Word Command) {
  if (!GCommands) return nullptr;
  auto it = GCommands->Items.find(Command);
  return it == GCommands->Items.end() ? nullptr : it->second;
}

HWND MenuCommandWindow() {
  TCommandRegistry& registry = Commands();
  if (registry.Window && IsWindow(registry.Window)) return registry.Window;
  WNDCLASS cls;
  if (!GetClassInfo(nullptr, GCommandWindowClass, cls)) {
    cls.lpfnWndProc = CommandWindowProc;
    cls.lpszClassName = GCommandWindowClass;
    RegisterClass(cls);
  }
  registry.Window = CreateWindowEx(0, GCommandWindowClass, u"", 0, 0, 0, 0, 0, HWND_MESSAGE);
  return registry.Window;
}

// ---- TMenuActionLink ----------------------------------------------------------------------------

void TMenuActionLink::AssignClient(TObject* AClient) { FClient = dynamic_cast<TMenuItem*>(AClient); }

bool TMenuActionLink::IsAutoCheckLinked() {
  return inherited::IsAutoCheckLinked() && FClient->GetAutoCheck() == CustomAction()->GetAutoCheck();
}
bool TMenuActionLink::IsCaptionLinked() {
  return inherited::IsCaptionLinked() && FClient->GetCaption() == CustomAction()->GetCaption();
}
bool TMenuActionLink::IsCheckedLinked() {
  return inherited::IsCheckedLinked() && FClient->GetChecked() == CustomAction()->GetChecked();
}
bool TMenuActionLink::IsEnabledLinked() {
  return inherited::IsEnabledLinked() && FClient->GetEnabled() == CustomAction()->GetEnabled();
}
bool TMenuActionLink::IsHelpContextLinked() {
  return inherited::IsHelpContextLinked() && FClient->GetHelpContext() == CustomAction()->GetHelpContext();
}
bool TMenuActionLink::IsHintLinked() {
  return inherited::IsHintLinked() && FClient->GetHint() == CustomAction()->GetHint();
}
bool TMenuActionLink::IsGroupIndexLinked() {
  return inherited::IsGroupIndexLinked() && FClient->GetGroupIndex() == CustomAction()->GetGroupIndex();
}
bool TMenuActionLink::IsImageIndexLinked() {
  return inherited::IsImageIndexLinked() && FClient->GetImageIndex() == CustomAction()->GetImageIndex();
}
bool TMenuActionLink::IsShortCutLinked() {
  return inherited::IsShortCutLinked() && FClient->GetShortCut() == CustomAction()->GetShortCut();
}
bool TMenuActionLink::IsVisibleLinked() {
  return inherited::IsVisibleLinked() && FClient->GetVisible() == CustomAction()->GetVisible();
}
bool TMenuActionLink::IsOnExecuteLinked() {
  return inherited::IsOnExecuteLinked() && FAction && FClient->OnClick == FAction->GetOnExecute();
}

void TMenuActionLink::SetAutoCheck(bool Value) {
  if (IsAutoCheckLinked()) FClient->SetAutoCheck(Value);
}
void TMenuActionLink::SetCaption(const String& Value) {
  if (IsCaptionLinked()) FClient->SetCaption(Value);
}
void TMenuActionLink::SetChecked(bool Value) {
  if (IsCheckedLinked()) FClient->SetChecked(Value);
}
void TMenuActionLink::SetEnabled(bool Value) {
  if (IsEnabledLinked()) FClient->SetEnabled(Value);
}
void TMenuActionLink::SetGroupIndex(Integer Value) {
  if (!IsGroupIndexLinked()) return;
  FClient->SetGroupIndex(Byte(std::clamp(Value, 0, 255)));
  FClient->SetRadioItem(Value > 0);
}
void TMenuActionLink::SetHelpContext(Integer Value) {
  if (IsHelpContextLinked()) FClient->SetHelpContext(Value);
}
void TMenuActionLink::SetHint(const String& Value) {
  if (IsHintLinked()) FClient->SetHint(Value);
}
void TMenuActionLink::SetImageIndex(Integer Value) {
  if (IsImageIndexLinked()) FClient->SetImageIndex(Value);
}
void TMenuActionLink::SetShortCut(TShortCut Value) {
  if (IsShortCutLinked()) FClient->SetShortCut(Value);
}
void TMenuActionLink::SetVisible(bool Value) {
  if (IsVisibleLinked()) FClient->SetVisible(Value);
}
void TMenuActionLink::SetOnExecute(const TNotifyEvent& Value) {
  if (IsOnExecuteLinked()) FClient->OnClick = Value;
}

// ---- TMenuItem ----------------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) { FCommand = AllocateCommand(this); }

TMenuItem::~TMenuItem() {
  ReleaseCommand(FCommand, this);
  Free(FActionLink);
  Free(FSubMenuImagesLink);
  Free(FBitmap);
}

void TMenuItem::BeforeDestruction() {
  if (FParent) FParent->Remove(this);
  Clear();
  inherited::BeforeDestruction();
  FreeAndNil(FActionLink);
  SetSubMenuImages(nullptr);
  ReleaseCommand(FCommand, this);
}

void TMenuItem::Click() {
  if (!FEnabled) return;
  if (FAutoCheck && !(FActionLink && FActionLink->IsAutoCheckLinked())) SetChecked(FRadioItem ? true : !FChecked);
  TBasicAction* action = GetAction();
  // The handler may free this item: nothing of it is used after the call.
  if (OnClick && (!action || !(OnClick == action->GetOnExecute())))
    OnClick(this);
  else if (FActionLink)
    FActionLink->Execute(this);
  else if (OnClick)
    OnClick(this);
}

void TMenuItem::InitiateAction() {
  if (FActionLink) FActionLink->Update();
}

TMenuItem* TMenuItem::GetItem(Integer Index) const {
  if (Index < 0 || Index >= GetCount()) throw EMenuError(u"Menu index out of range");
  return FItems[size_t(Index)];
}

void TMenuItem::Add(TMenuItem* Item) { Insert(GetCount(), Item); }

void TMenuItem::Insert(Integer Index, TMenuItem* Item) {
  if (!Item) return;
  if (Item->FParent) throw EMenuError(u"Menu inserted twice");
  for (const TMenuItem* p = this; p; p = p->FParent)
    if (p == Item) throw EMenuError(u"A menu item cannot be inserted into itself");
  if (Index < 0 || Index > GetCount()) throw EMenuError(u"Menu index out of range");
  FItems.insert(FItems.begin() + Index, Item);
  Item->FParent = this;
  MenuChanged(true);
}

void TMenuItem::Delete(Integer Index) {
  TMenuItem* item = GetItem(Index);
  FItems.erase(FItems.begin() + Index);
  item->FParent = nullptr;
  MenuChanged(true);
}

void TMenuItem::Remove(TMenuItem* Item) {
  const Integer index = IndexOf(Item);
  if (index >= 0) Delete(index);
}

void TMenuItem::Clear() {
  while (!FItems.empty()) Free(FItems.back());  // each child leaves the list as it goes
}

Integer TMenuItem::IndexOf(const TMenuItem* Item) const {
  auto it = std::find(FItems.begin(), FItems.end(), Item);
  return it == FItems.end() ? -1 : static_cast<Integer>(it - FItems.begin());
}

TMenuItem* TMenuItem::Find(StringView ACaption) const {
  const String wanted = StripHotkey(ACaption);
  for (TMenuItem* item : FItems)
    if (AnsiSameText(StripHotkey(item->FCaption), wanted)) return item;
  return nullptr;
}

Integer TMenuItem::GetMenuIndex() const { return FParent ? FParent->IndexOf(this) : -1; }

void TMenuItem::SetMenuIndex(Integer Value) {
  if (!FParent) return;
  const Integer current = GetMenuIndex();
  Value = std::clamp(Value, 0, FParent->GetCount() - 1);
  if (Value == current) return;
  auto& siblings = FParent->FItems;
  siblings.erase(siblings.begin() + current);
  siblings.insert(siblings.begin() + Value, this);
  MenuChanged(true);
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* root = this;
  while (root->FParent) root = root->FParent;
  return root->FMenu;
}

TCustomImageList* TMenuItem::GetImageList() const {
  for (const TMenuItem* p = FParent; p; p = p->FParent)
    if (p->FSubMenuImages) return p->FSubMenuImages;
  TMenu* menu = GetParentMenu();
  return menu ? menu->GetImages() : nullptr;
}

void TMenuItem::SetCaption(const String& Value) {
  if (FCaption == Value) return;
  FCaption = Value;
  MenuChanged(true);
}

void TMenuItem::SetShortCut(TShortCut Value) {
  if (FShortCut == Value) return;
  FShortCut = Value;
  MenuChanged(true);
}

void TMenuItem::TurnSiblingsOff() {
  if (!FParent) return;
  for (TMenuItem* sibling : std::vector<TMenuItem*>(FParent->FItems))
    if (sibling != this && sibling->FRadioItem && sibling->FGroupIndex == FGroupIndex) sibling->SetChecked(false);
}

void TMenuItem::SetChecked(bool Value) {
  if (FChecked == Value) return;
  FChecked = Value;
  if (Value && FRadioItem && !GetComponentState().Contains(csLoading)) TurnSiblingsOff();
  MenuChanged(false);
}

void TMenuItem::SetRadioItem(bool Value) {
  if (FRadioItem == Value) return;
  FRadioItem = Value;
  if (FChecked && FRadioItem) TurnSiblingsOff();
  MenuChanged(true);
}

void TMenuItem::SetGroupIndex(Byte Value) {
  if (FGroupIndex == Value) return;
  FGroupIndex = Value;
  if (FChecked && FRadioItem) TurnSiblingsOff();
  MenuChanged(false);
}

void TMenuItem::SetAutoCheck(bool Value) {
  if (FAutoCheck == Value) return;
  FAutoCheck = Value;
  MenuChanged(false);
}

void TMenuItem::SetDefault(bool Value) {
  if (FDefault == Value) return;
  // One default item per level.
  if (Value && FParent)
    for (TMenuItem* sibling : FParent->FItems) sibling->FDefault = false;
  FDefault = Value;
  MenuChanged(true);
}

void TMenuItem::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  MenuChanged(false);
}

void TMenuItem::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  MenuChanged(true);
}

void TMenuItem::SetHint(const String& Value) { FHint = Value; }

void TMenuItem::SetHelpContext(Integer Value) { FHelpContext = Value; }

void TMenuItem::SetImageIndex(TImageIndex Value) {
  if (FImageIndex == Value) return;
  FImageIndex = Value;
  MenuChanged(true);
}

void TMenuItem::SetBreak(TMenuBreak Value) {
  if (FBreak == Value) return;
  FBreak = Value;
  MenuChanged(true);
}

TBitmap* TMenuItem::GetBitmap() {
  if (!FBitmap) FBitmap = Create<TBitmap>();
  return FBitmap;
}

void TMenuItem::SetBitmap(TBitmap* Value) {
  if (!Value) {
    FreeAndNil(FBitmap);
  } else {
    GetBitmap()->Assign(Value);
  }
  MenuChanged(true);
}

bool TMenuItem::HasBitmap() const { return FBitmap && !FBitmap->GetEmpty(); }

void TMenuItem::SetSubMenuImages(TCustomImageList* Value) {
  if (FSubMenuImages == Value) return;
  if (Value && !FSubMenuImagesLink) {
    FSubMenuImagesLink = Create<TChangeLink>();
    FSubMenuImagesLink->OnChange = {this, &TMenuItem::SubMenuImagesChange};
  }
  ChangeImageList(FSubMenuImages, Value, FSubMenuImagesLink, this);
  if (!GetComponentState().Contains(csDestroying)) MenuChanged(true);
}

void TMenuItem::SubMenuImagesChange(TObject*) { MenuChanged(true); }

TBasicAction* TMenuItem::GetAction() const { return FActionLink ? FActionLink->GetAction() : nullptr; }

void TMenuItem::SetAction(TBasicAction* Value) {
  TBasicAction* old = GetAction();
  if (old == Value) return;
  if (old) old->RemoveFreeNotification(this);
  if (!Value) {
    FreeAndNil(FActionLink);
    return;
  }
  if (!FActionLink) {
    FActionLink = Create<TMenuActionLink>(this);
    FActionLink->OnChange = {this, &TMenuItem::DoActionChange};
  }
  FActionLink->SetAction(Value);
  ActionChange(Value, Value->GetComponentState().Contains(csLoading));
  Value->FreeNotification(this);
}

void TMenuItem::DoActionChange(TObject* Sender) {
  if (Sender == GetAction()) ActionChange(Sender, false);
}

void TMenuItem::ActionChange(TObject* Sender, bool CheckDefaults) {
  auto* action = dynamic_cast<TCustomAction*>(Sender);
  if (!action) return;
  if (!CheckDefaults || !FAutoCheck) SetAutoCheck(action->GetAutoCheck());
  if (!CheckDefaults || FCaption.empty()) SetCaption(action->GetCaption());
  if (!CheckDefaults || !FChecked) SetChecked(action->GetChecked());
  if (!CheckDefaults || FEnabled) SetEnabled(action->GetEnabled());
  if (!CheckDefaults || FHelpContext == 0) SetHelpContext(action->GetHelpContext());
  if (!CheckDefaults || FHint.empty()) SetHint(action->GetHint());
  if (!CheckDefaults || !FRadioItem) SetRadioItem(action->GetGroupIndex() > 0);
  if (!CheckDefaults || FGroupIndex == 0) SetGroupIndex(Byte(std::clamp(action->GetGroupIndex(), 0, 255)));
  if (!CheckDefaults || FImageIndex == -1) SetImageIndex(action->GetImageIndex());
  if (!CheckDefaults || FShortCut == 0) SetShortCut(action->GetShortCut());
  if (!CheckDefaults || FVisible) SetVisible(action->GetVisible());
  if (!CheckDefaults || !OnClick) OnClick = action->GetOnExecute();
}

void TMenuItem::MenuChanged(bool Rebuild) {
  const TMenuItem* root = this;
  while (root->FParent) root = root->FParent;
  if (root->FMenu) root->FMenu->MenuChanged(root->FMenu, root == this ? nullptr : this, Rebuild);
}

void TMenuItem::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == GetAction()) SetAction(nullptr);
  if (AComponent == FSubMenuImages) SetSubMenuImages(nullptr);
}

void TMenuItem::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  for (TMenuItem* item : std::vector<TMenuItem*>(FItems))
    if (item->GetOwner() == Root) Proc(item);
}

TComponent* TMenuItem::GetParentComponent() const {
  if (FParent && FParent->FMenu) return FParent->FMenu;
  return FParent;
}

void TMenuItem::SetParentComponent(TComponent* Value) {
  if (FParent) FParent->Remove(this);
  if (auto* menu = dynamic_cast<TMenu*>(Value))
    menu->GetItems()->Add(this);
  else if (auto* item = dynamic_cast<TMenuItem*>(Value))
    item->Add(this);
}

void TMenuItem::SetChildOrder(TComponent* Child, Integer Order) {
  if (auto* item = dynamic_cast<TMenuItem*>(Child); item && item->FParent == this) item->SetMenuIndex(Order);
}

bool TMenuItem::IsCaptionStored() const { return !FActionLink || !FActionLink->IsCaptionLinked(); }
bool TMenuItem::IsCheckedStored() const { return !FActionLink || !FActionLink->IsCheckedLinked(); }
bool TMenuItem::IsEnabledStored() const { return !FActionLink || !FActionLink->IsEnabledLinked(); }
bool TMenuItem::IsHintStored() const { return !FActionLink || !FActionLink->IsHintLinked(); }
bool TMenuItem::IsImageIndexStored() const { return !FActionLink || !FActionLink->IsImageIndexLinked(); }
bool TMenuItem::IsShortCutStored() const { return !FActionLink || !FActionLink->IsShortCutLinked(); }
bool TMenuItem::IsVisibleStored() const { return !FActionLink || !FActionLink->IsVisibleLinked(); }
bool TMenuItem::IsAutoCheckStored() const { return !FActionLink || !FActionLink->IsAutoCheckLinked(); }
bool TMenuItem::IsOnClickStored() const { return !FActionLink || !FActionLink->IsOnExecuteLinked(); }

void TMenuItem::DeclareProperties(TClassDeclaration<TMenuItem>& D) {
  D.Property(u"Action", &TMenuItem::GetAction, &TMenuItem::SetAction);
  D.Property(u"AutoCheck", &TMenuItem::GetAutoCheck, &TMenuItem::SetAutoCheck)
      .Default(false)
      .Stored(&TMenuItem::IsAutoCheckStored);
  D.Property(u"Bitmap", &TMenuItem::GetBitmap, &TMenuItem::SetBitmap).Stored(&TMenuItem::HasBitmap);
  D.Property(u"Break", &TMenuItem::GetBreak, &TMenuItem::SetBreak).Default(mbNone);
  D.Property(u"Caption", &TMenuItem::GetCaption, &TMenuItem::SetCaption).Stored(&TMenuItem::IsCaptionStored);
  D.Property(u"Checked", &TMenuItem::GetChecked, &TMenuItem::SetChecked)
      .Default(false)
      .Stored(&TMenuItem::IsCheckedStored);
  D.Property(u"Default", &TMenuItem::GetDefault, &TMenuItem::SetDefault).Default(false);
  D.Property(u"Enabled", &TMenuItem::GetEnabled, &TMenuItem::SetEnabled)
      .Default(true)
      .Stored(&TMenuItem::IsEnabledStored);
  D.Property(u"GroupIndex", &TMenuItem::GetGroupIndex, &TMenuItem::SetGroupIndex).Default(0);
  D.Property(u"HelpContext", &TMenuItem::GetHelpContext, &TMenuItem::SetHelpContext).Default(0);
  D.Property(u"Hint", &TMenuItem::GetHint, &TMenuItem::SetHint).Stored(&TMenuItem::IsHintStored);
  D.Property(u"ImageIndex", &TMenuItem::GetImageIndex, &TMenuItem::SetImageIndex)
      .Type(TypeInfoTImageIndex())
      .Default(-1)
      .Stored(&TMenuItem::IsImageIndexStored);
  D.Property(u"RadioItem", &TMenuItem::GetRadioItem, &TMenuItem::SetRadioItem).Default(false);
  D.Property(u"ShortCut", &TMenuItem::GetShortCut, &TMenuItem::SetShortCut)
      .Type(TypeInfoTShortCut())
      .Default(0)
      .Stored(&TMenuItem::IsShortCutStored);
  D.Property(u"SubMenuImages", &TMenuItem::GetSubMenuImages, &TMenuItem::SetSubMenuImages);
  D.Property(u"Visible", &TMenuItem::GetVisible, &TMenuItem::SetVisible)
      .Default(true)
      .Stored(&TMenuItem::IsVisibleStored);
  D.Event(u"OnClick", &TMenuItem::OnClick).Stored(&TMenuItem::IsOnClickStored);
}

// ---- TMenu --------------------------------------------------------------------------------------

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner) {
  FImageChangeLink = Create<TChangeLink>();
  FImageChangeLink->OnChange = {this, &TMenu::ImageListChange};
}

TMenu::~TMenu() { Free(FImageChangeLink); }

void TMenu::AfterConstruction() {
  inherited::AfterConstruction();
  FItems = CreateMenuItem();
  FItems->FMenu = this;
}

TMenuItem* TMenu::CreateMenuItem() { return Create<TMenuItem>(this); }

void TMenu::SetImages(TCustomImageList* Value) {
  if (!ChangeImageList(FImages, Value, FImageChangeLink, this)) return;
  MenuChanged(this, nullptr, true);
}

void TMenu::ImageListChange(TObject*) { MenuChanged(this, nullptr, true); }

bool TMenu::DispatchCommand(Word ACommand) {
  if (!FItems) return false;
  TMenuItem* item = FindItem(ACommand, fkCommand);
  if (!item) return false;
  item->Click();
  return true;
}

TMenuItem* TMenu::FindItem(NativeUInt Value, TFindItemKind Kind) const {
  if (Kind == fkHandle || !FItems) return nullptr;
  std::vector<TMenuItem*> stack(FItems->FItems.rbegin(), FItems->FItems.rend());
  while (!stack.empty()) {
    TMenuItem* item = stack.back();
    stack.pop_back();
    if (Kind == fkCommand && item->GetCommand() == Value) return item;
    if (Kind == fkShortCut && item->GetShortCut() != 0 && item->GetShortCut() == Value) return item;
    stack.insert(stack.end(), item->FItems.rbegin(), item->FItems.rend());
  }
  return nullptr;
}

bool TMenu::IsShortCut(TShortCut ShortCut) {
  if (ShortCut == 0) return false;
  TMenuItem* item = FindItem(ShortCut, fkShortCut);
  if (!item) return false;
  std::vector<TMenuItem*> path;
  for (TMenuItem* p = item; p && p != FItems; p = p->FParent) path.push_back(p);
  // From the top level down: each level may update from its action and must be enabled.
  for (auto it = path.rbegin(); it != path.rend(); ++it) {
    (*it)->InitiateAction();
    if (!(*it)->GetEnabled()) return false;
  }
  item->Click();
  return true;
}

void TMenu::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  if (FItems) FItems->GetChildren(Proc, Root);
}

void TMenu::SetChildOrder(TComponent* Child, Integer Order) {
  if (FItems) FItems->SetChildOrder(Child, Order);
}

void TMenu::MenuChanged(TObject* Sender, TMenuItem* Source, bool Rebuild) {
  const TComponentState state = GetComponentState();
  if (state.Contains(csLoading) || state.Contains(csDestroying)) return;
  if (OnChange) OnChange(Sender, Source, Rebuild);
}

void TMenu::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FImages) SetImages(nullptr);
  if (AComponent == FItems) FItems = nullptr;  // the root item goes with the menu
}

void TMenu::DeclareProperties(TClassDeclaration<TMenu>& D) {
  D.Property(u"Images", &TMenu::GetImages, &TMenu::SetImages);
  D.Event(u"OnChange", &TMenu::OnChange);
}

// ---- TPopupMenu ---------------------------------------------------------------------------------

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}

void TPopupMenu::Popup(Integer X, Integer Y) {
  FPopupPoint = TPoint(X, Y);
  DoPopup(this);
  TMenuItem* root = GetItems();
  for (Integer i = 0; i < root->GetCount(); ++i) root->GetItem(i)->InitiateAction();
  DoClose();
}

void TPopupMenu::DoPopup(TObject* Sender) {
  if (OnPopup) OnPopup(Sender);
}

void TPopupMenu::DoClose() {
  if (OnClose) OnClose(this);
}

void TPopupMenu::SetPopupComponent(TComponent* Value) {
  if (FPopupComponent == Value) return;
  if (FPopupComponent) FPopupComponent->RemoveFreeNotification(this);
  FPopupComponent = Value;
  if (FPopupComponent) FPopupComponent->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FPopupComponent) FPopupComponent = nullptr;
}

void TPopupMenu::DeclareProperties(TClassDeclaration<TPopupMenu>& D) {
  D.Property(u"Alignment", &TPopupMenu::GetAlignment, &TPopupMenu::SetAlignment).Default(paLeft);
  D.Property(u"AutoPopup", &TPopupMenu::GetAutoPopup, &TPopupMenu::SetAutoPopup).Default(true);
  D.Event(u"OnClose", &TPopupMenu::OnClose);
  D.Event(u"OnPopup", &TPopupMenu::OnPopup);
}

namespace {
// The control hooks through which controls use their popup menus.
bool PopupMenuIsShortCut(TComponent* Component, TMessage& Message) {
  auto* menu = dynamic_cast<TMenu*>(Component);
  return menu && menu->IsShortCut(Word(Message.WParam), Message.LParam);
}

bool PopupMenuPopup(TControl* Control, TComponent* Component, TPoint ScreenPoint) {
  auto* menu = dynamic_cast<TPopupMenu*>(Component);
  if (!menu || !menu->GetAutoPopup()) return false;
  menu->SetPopupComponent(Control);
  menu->Popup(ScreenPoint.X, ScreenPoint.Y);
  return true;
}
}  // namespace

namespace detail {
void MenusInit() {
  ControlHooks().PopupMenuIsShortCut = PopupMenuIsShortCut;
  ControlHooks().PopupMenuPopup = PopupMenuPopup;
  Commands();
  RegisterProperties<TMenuItem>();
  RegisterProperties<TMainMenu>();
  RegisterProperties<TPopupMenu>();
  RegisterClass(TMenuItem::StaticClass());
  RegisterClass(TMainMenu::StaticClass());
  RegisterClass(TPopupMenu::StaticClass());
}

void MenusFin() {
  ControlHooks().PopupMenuIsShortCut = nullptr;
  ControlHooks().PopupMenuPopup = nullptr;
  if (!GCommands) return;
  if (GCommands->Window && IsWindow(GCommands->Window)) DestroyWindow(GCommands->Window);
  delete GCommands;
  GCommands = nullptr;
}
}  // namespace detail
