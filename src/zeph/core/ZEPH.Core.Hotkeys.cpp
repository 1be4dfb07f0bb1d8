#include "zeph/core/ZEPH.Core.Hotkeys.h"

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.TypInfo.h"
#include "vcl/VCL.ActnList.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zeph/core/ZEPH.Core.h"

namespace {
constexpr Cardinal ModifierMasks[] = {ZEPH_HOTKEY_WIN, ZEPH_HOTKEY_ALT, ZEPH_HOTKEY_CTRL, ZEPH_HOTKEY_SHIFT};
const String SectionLocal = u"Hotkeys";
const String SectionGlobal = u"Global Hotkeys";
Integer GHotkeyNextID = 0;

// A local shortcut is the action's 16-bit code; anything wider would lose its Win bit.
TShortCut LocalShortCut(Cardinal Value) { return Value > 0xFFFF ? 0 : static_cast<TShortCut>(Value); }
}  // namespace

// ---- THotkey -----------------------------------------------------------------------------------

Cardinal THotkey::Make(Byte Key, THotkeyModifiers Modifiers) {
  Cardinal result = Key;
  for (Integer i = 0; i < 4; ++i)
    if (Modifiers.Contains(static_cast<THotkeyModifier>(i))) result |= ModifierMasks[i];
  return result;
}

void THotkey::Split(Cardinal ShortCut, Byte& Key, THotkeyModifiers& Modifiers) {
  Key = static_cast<Byte>(ShortCut & 0xFF);
  Modifiers.Clear();
  for (Integer i = 0; i < 4; ++i)
    if (ShortCut & ModifierMasks[i]) Modifiers.Include(static_cast<THotkeyModifier>(i));
}

Integer THotkey::NextID() { return ++GHotkeyNextID; }

// ---- TZEPHHotkeyItem ---------------------------------------------------------------------------

TZEPHHotkeyItem::TZEPHHotkeyItem(TCustomAction* AAction, TZEPHHotkeyItems* AOwner) : FAction(AAction), FOwner(AOwner) {
  SetHotkeyLocalDefault(FAction ? FAction->GetShortCut() : 0);
  FGlobalID1 = THotkey::NextID();
  FGlobalID2 = THotkey::NextID();
}

TZEPHHotkeyItem::~TZEPHHotkeyItem() {
  if (TZEPHHotkeyRegistrar* registrar = Registrar()) {
    registrar->Unregister(FGlobalID1);
    registrar->Unregister(FGlobalID2);
  }
}

void TZEPHHotkeyItem::DeclareProperties(TClassDeclaration<TZEPHHotkeyItem>& D) {
  D.Property(u"ID", &TZEPHHotkeyItem::GetID, &TZEPHHotkeyItem::SetID);
  D.Property(u"HotkeyGlobal1", &TZEPHHotkeyItem::GetHotkeyGlobal1, &TZEPHHotkeyItem::SetHotkeyGlobal1);
  D.Property(u"HotkeyGlobal1Default", &TZEPHHotkeyItem::GetHotkeyGlobal1Default,
             &TZEPHHotkeyItem::SetHotkeyGlobal1Default);
  D.Property(u"HotkeyGlobal2", &TZEPHHotkeyItem::GetHotkeyGlobal2, &TZEPHHotkeyItem::SetHotkeyGlobal2);
  D.Property(u"HotkeyGlobal2Default", &TZEPHHotkeyItem::GetHotkeyGlobal2Default,
             &TZEPHHotkeyItem::SetHotkeyGlobal2Default);
  D.Property(u"HotkeyLocal", &TZEPHHotkeyItem::GetHotkeyLocal, &TZEPHHotkeyItem::SetHotkeyLocal);
  D.Property(u"HotkeyLocalDefault", &TZEPHHotkeyItem::GetHotkeyLocalDefault, &TZEPHHotkeyItem::SetHotkeyLocalDefault);
}

TZEPHHotkeyRegistrar* TZEPHHotkeyItem::Registrar() const {
  return FOwner && FOwner->GetManager() ? FOwner->GetManager()->GetRegistrar() : nullptr;
}

String TZEPHHotkeyItem::GetID() const {
  if (!FID.empty() || !FAction) return FID;
  return FAction->GetName();
}

void TZEPHHotkeyItem::SetID(const String& Value) {
  FID = Value;
  for (Char& c : FID)
    if (c == u'[' || c == u'=' || c == u']') c = u'_';
}

void TZEPHHotkeyItem::LoadFromIni(TZCLIniFile* Ini) {
  const String id = GetID();
  SetHotkeyGlobal1(static_cast<Cardinal>(Ini->ReadInteger(SectionGlobal, id, Integer(FHotkeyGlobal1Default))));
  SetHotkeyGlobal2(static_cast<Cardinal>(Ini->ReadInteger(SectionGlobal, id + u"2", Integer(FHotkeyGlobal2Default))));
  SetHotkeyLocal(static_cast<Cardinal>(Ini->ReadInteger(SectionLocal, id, Integer(FHotkeyLocalDefault))));
}

void TZEPHHotkeyItem::SaveToIni(TZCLIniFile* Ini) {
  const String id = GetID();
  Ini->WriteIntegerDef(SectionGlobal, id, Integer(FHotkeyGlobal1), Integer(FHotkeyGlobal1Default));
  Ini->WriteIntegerDef(SectionGlobal, id + u"2", Integer(FHotkeyGlobal2), Integer(FHotkeyGlobal2Default));
  Ini->WriteIntegerDef(SectionLocal, id, Integer(GetHotkeyLocal()), Integer(FHotkeyLocalDefault));
}

void TZEPHHotkeyItem::SetGlobal(Cardinal& Field, Integer ID, Cardinal Value) {
  if (Field == Value) return;
  TZEPHHotkeyRegistrar* registrar = Registrar();
  if (registrar) registrar->Unregister(ID);
  Field = Value;
  if (!registrar || Value == 0) return;
  if (FOwner->GetManager()->GetSuspended() || registrar->GetSuspended()) return;
  Byte key;
  THotkeyModifiers modifiers;
  THotkey::Split(Value, key, modifiers);
  registrar->Register(ID, key, modifiers);
}

Cardinal TZEPHHotkeyItem::GetHotkeyLocal() const { return FAction ? FAction->GetShortCut() : 0; }

void TZEPHHotkeyItem::SetHotkeyLocal(Cardinal Value) {
  if (FAction) FAction->SetShortCut(LocalShortCut(Value));
}

// The current value follows a new default only while it still is the old, non-zero default.
void TZEPHHotkeyItem::SetHotkeyGlobal1Default(Cardinal Value) {
  if (Value == FHotkeyGlobal1Default) return;
  if (FHotkeyGlobal1 == FHotkeyGlobal1Default && FHotkeyGlobal1 != 0) SetHotkeyGlobal1(Value);
  FHotkeyGlobal1Default = Value;
}

void TZEPHHotkeyItem::SetHotkeyGlobal2Default(Cardinal Value) {
  if (Value == FHotkeyGlobal2Default) return;
  if (FHotkeyGlobal2 == FHotkeyGlobal2Default && FHotkeyGlobal2 != 0) SetHotkeyGlobal2(Value);
  FHotkeyGlobal2Default = Value;
}

void TZEPHHotkeyItem::SetHotkeyLocalDefault(Cardinal Value) {
  Value = LocalShortCut(Value);
  if (Value == FHotkeyLocalDefault) return;
  const Cardinal current = GetHotkeyLocal();
  if (current == FHotkeyLocalDefault && current != 0) SetHotkeyLocal(Value);
  FHotkeyLocalDefault = Value;
}

// ---- TZEPHHotkeyItems --------------------------------------------------------------------------

bool TZEPHHotkeyItems::FindByAction(TCustomAction* Action, TZEPHHotkeyItem*& Item) const {
  for (Integer i = 0; i < GetCount(); ++i)
    if ((*this)[i]->GetAction() == Action) {
      Item = (*this)[i];
      return true;
    }
  Item = nullptr;
  return false;
}

bool TZEPHHotkeyItems::RemoveByAction(TCustomAction* Action) {
  TZEPHHotkeyItem* item;
  if (!FindByAction(Action, item)) return false;
  Remove(item);
  return true;
}

// ---- TZEPHHotkeysManager -----------------------------------------------------------------------

TZEPHHotkeysManager::TZEPHHotkeysManager(TZEPHHotkeyRegistrar* ARegistrar)
    : FRegistrar(ARegistrar), FActionList(new TActionList(nullptr)), FItems(new TZEPHHotkeyItems(this)) {}

TZEPHHotkeysManager::~TZEPHHotkeysManager() {
  Free(FItems);
  Free(FActionList);
}

TZEPHHotkeyItem* TZEPHHotkeysManager::AddAction(TCustomAction* Action) {
  auto* item = new TZEPHHotkeyItem(Action, FItems);
  FItems->Add(item);
  Action->SetActionList(FActionList);
  return item;
}

void TZEPHHotkeysManager::RemoveAction(TCustomAction* Action) {
  if (Action->GetActionList() == FActionList) Action->SetActionList(nullptr);
  FItems->RemoveByAction(Action);
}

TZEPHHotkeysManager* HotkeysManager() {
  IPtr<IZEPHHotkeysManagerProvider> provider;
  void* obj = nullptr;
  if (TZEPHCore::Instance()->QueryInterface(IIDOf<IZEPHHotkeysManagerProvider>(), &obj) == S_OK && obj)
    provider = IPtr<IZEPHHotkeysManagerProvider>::Adopt(static_cast<IZEPHHotkeysManagerProvider*>(obj));
  TZEPHHotkeysManager* manager = provider ? provider->GetHotkeysManager() : nullptr;
  if (!manager) throw Exception(u"Hotkeys Manager not registered");
  return manager;
}

void HotkeysInitialize() { RegisterProperties<TZEPHHotkeyItem>(); }
