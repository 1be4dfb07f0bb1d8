#pragma once
// Shortcuts of the actions that plugins create: the shortcut code helpers, one hotkey item per
// action (a local shortcut carried by the action, two global shortcuts registered with the
// system under registration numbers, each with a default, stored per action identifier in the
// configuration file) and the manager operations the action objects call. The manager is
// reached through the core by its provider interface; nothing in the program registers one, so
// a program without a registrar of global shortcuts refuses to create plugin actions.

#include "rtl/RTL.Classes.h"
#include "rtl/RTL.Set.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/ui/controls/ZCL.UI.Menus.h"

class TCustomAction;
class TCustomActionList;
class TZCLIniFile;
class TZEPHHotkeyItems;
class TZEPHHotkeysManager;

// Masks of a shortcut code; bits 0-7 are the virtual key, 0 is no shortcut.
constexpr Cardinal ZEPH_HOTKEY_SHIFT = 0x2000;
constexpr Cardinal ZEPH_HOTKEY_CTRL = 0x4000;
constexpr Cardinal ZEPH_HOTKEY_ALT = 0x8000;
constexpr Cardinal ZEPH_HOTKEY_WIN = 0x10000;

enum THotkeyModifier : Byte { hkmWin, hkmAlt, hkmCtrl, hkmShift };
using THotkeyModifiers = TSet<THotkeyModifier, 3>;

class THotkey : public TZCLShortCut {
 public:
  THotkey() = delete;
  static Cardinal Make(Byte Key, THotkeyModifiers Modifiers);
  static void Split(Cardinal ShortCut, Byte& Key, THotkeyModifiers& Modifiers);
  // A new registration number for a global shortcut; the first is 1.
  static Integer NextID();
};

// Registers global shortcuts with the system; supplied by whoever supplies the manager.
class TZEPHHotkeyRegistrar : public TObject {
  ZCL_CLASS(TZEPHHotkeyRegistrar, TObject)
 public:
  virtual void Register(Integer ID, Byte Key, THotkeyModifiers Modifiers) = 0;
  virtual void Unregister(Integer ID) = 0;
  virtual bool GetSuspended() = 0;
};

class TZEPHHotkeyItem : public TPersistent {
  ZCL_CLASS(TZEPHHotkeyItem, TPersistent)
 public:
  TZEPHHotkeyItem(TCustomAction* AAction, TZEPHHotkeyItems* AOwner);
  ~TZEPHHotkeyItem() override;
  static void DeclareProperties(TClassDeclaration<TZEPHHotkeyItem>& D);

  void LoadFromIni(TZCLIniFile* Ini);
  // A value equal to its default removes its key.
  void SaveToIni(TZCLIniFile* Ini);

  TCustomAction* GetAction() const { return FAction; }
  // The stored identifier, else the action's component name.
  String GetID() const;
  // "[", "=" and "]" become "_", so that the identifier is a key of an INI file.
  void SetID(const String& Value);

  Cardinal GetHotkeyGlobal1() const { return FHotkeyGlobal1; }
  void SetHotkeyGlobal1(Cardinal Value) { SetGlobal(FHotkeyGlobal1, FGlobalID1, Value); }
  Cardinal GetHotkeyGlobal2() const { return FHotkeyGlobal2; }
  void SetHotkeyGlobal2(Cardinal Value) { SetGlobal(FHotkeyGlobal2, FGlobalID2, Value); }
  Cardinal GetHotkeyGlobal1Default() const { return FHotkeyGlobal1Default; }
  void SetHotkeyGlobal1Default(Cardinal Value);
  Cardinal GetHotkeyGlobal2Default() const { return FHotkeyGlobal2Default; }
  void SetHotkeyGlobal2Default(Cardinal Value);
  // The action's own shortcut. It is 16 bits wide: a code with Win or a higher bit is no
  // shortcut, rather than its bare key.
  Cardinal GetHotkeyLocal() const;
  void SetHotkeyLocal(Cardinal Value);
  Cardinal GetHotkeyLocalDefault() const { return FHotkeyLocalDefault; }
  void SetHotkeyLocalDefault(Cardinal Value);

  Integer GetGlobalID1() const { return FGlobalID1; }
  Integer GetGlobalID2() const { return FGlobalID2; }

 private:
  void SetGlobal(Cardinal& Field, Integer ID, Cardinal Value);
  TZEPHHotkeyRegistrar* Registrar() const;
  TCustomAction* FAction;
  TZEPHHotkeyItems* FOwner;
  String FID;
  Cardinal FHotkeyGlobal1 = 0;
  Cardinal FHotkeyGlobal1Default = 0;
  Cardinal FHotkeyGlobal2 = 0;
  Cardinal FHotkeyGlobal2Default = 0;
  Cardinal FHotkeyLocalDefault = 0;
  Integer FGlobalID1;
  Integer FGlobalID2;
};

// Owns its items: removing one frees it, which unregisters its global shortcuts.
class TZEPHHotkeyItems : public TZCLObjectListOf<TZEPHHotkeyItem> {
 public:
  explicit TZEPHHotkeyItems(TZEPHHotkeysManager* AManager) : FManager(AManager) {}
  bool FindByAction(TCustomAction* Action, TZEPHHotkeyItem*& Item) const;
  bool RemoveByAction(TCustomAction* Action);
  TZEPHHotkeysManager* GetManager() const { return FManager; }

 private:
  TZEPHHotkeysManager* FManager;
};

// The hotkey items of the plugins' actions and the action list in which their local shortcuts
// take effect. The registrar is borrowed.
class TZEPHHotkeysManager : public TObject {
  ZCL_CLASS(TZEPHHotkeysManager, TObject)
 public:
  explicit TZEPHHotkeysManager(TZEPHHotkeyRegistrar* ARegistrar);
  ~TZEPHHotkeysManager() override;

  // A new item (the action's current shortcut is its local default); the action joins the list.
  TZEPHHotkeyItem* AddAction(TCustomAction* Action);
  void RemoveAction(TCustomAction* Action);

  TZEPHHotkeyItems* GetItems() const { return FItems; }
  TCustomActionList* GetActionList() const { return FActionList; }
  TZEPHHotkeyRegistrar* GetRegistrar() const { return FRegistrar; }
  // Global shortcuts are not registered while this or the registrar's own flag is set.
  bool GetSuspended() const { return FSuspended; }
  void SetSuspended(bool Value) { FSuspended = Value; }

 private:
  TZEPHHotkeyRegistrar* FRegistrar;
  TCustomActionList* FActionList;  // owned; holds the actions without owning them
  TZEPHHotkeyItems* FItems;        // owned
  bool FSuspended = false;
};

// What the core answers for the manager of whoever supplies one.
struct IZEPHHotkeysManagerProvider : virtual IInterface {
  RTL_INTERFACE(IZEPHHotkeysManagerProvider, IInterface, "{B3B57D9D-7F1E-47D3-A151-12B76A8D4C60}")
  virtual TZEPHHotkeysManager* GetHotkeysManager() = 0;
};

// Raises "Hotkeys Manager not registered" when the core answers no provider.
TZEPHHotkeysManager* HotkeysManager();

void HotkeysInitialize();
