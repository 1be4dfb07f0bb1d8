#include <gtest/gtest.h>

#include <memory>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.TypInfo.h"
#include "vcl/VCL.ActnList.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zeph/core/ZEPH.Core.Hotkeys.h"
#include "zeph/core/ZEPH.Core.TestUtil.h"

using Log = std::vector<std::string>;

TEST(ZephHotkey, MakeSplitAndNextID) {
  EXPECT_EQ(THotkey::Make(65, {hkmCtrl, hkmAlt}), 0xC041u);
  EXPECT_EQ(THotkey::Make(0x70, {hkmWin, hkmShift}), 0x12070u);
  Byte key = 0;
  THotkeyModifiers mods;
  THotkey::Split(0x12041, key, mods);
  EXPECT_EQ(key, 65);
  EXPECT_TRUE(mods == THotkeyModifiers({hkmWin, hkmShift}));
  const Integer a = THotkey::NextID();
  EXPECT_GE(a, 1);
  EXPECT_EQ(THotkey::NextID(), a + 1);
}

TEST(ZephHotkey, NotRegisteredWithoutAProvider) {
  try {
    HotkeysManager();
    FAIL() << "no manager is registered";
  } catch (const Exception& e) {
    EXPECT_EQ(e.GetMessage(), u"Hotkeys Manager not registered");
  }
}

class ZephHotkeyItem : public ::testing::Test {
 protected:
  void SetUp() override {
    FAction.reset(Create<TAction>(nullptr));
    FAction->SetName(u"acPlay");
    FAction->SetShortCut(0x4050);
    FItem = FHotkeys->Manager.AddAction(FAction.get());
    FHotkeys->Registrar.Log.clear();
  }
  void TearDown() override { FHotkeys->Manager.RemoveAction(FAction.get()); }
  Log& Recorded() { return FHotkeys->Registrar.Log; }
  TTestHotkeys FHotkeys;
  std::unique_ptr<TAction, void (*)(TObject*)> FAction{nullptr, &Free};
  TZEPHHotkeyItem* FItem = nullptr;
};

TEST_F(ZephHotkeyItem, CreationAndRemoval) {
  EXPECT_EQ(HotkeysManager(), &FHotkeys->Manager);
  EXPECT_EQ(FItem->GetHotkeyLocalDefault(), 0x4050u);
  EXPECT_EQ(FItem->GetHotkeyLocal(), 0x4050u);
  EXPECT_EQ(FItem->GetGlobalID2(), FItem->GetGlobalID1() + 1);
  EXPECT_EQ(FAction->GetActionList(), FHotkeys->Manager.GetActionList());
  EXPECT_EQ(FItem->GetID(), u"acPlay");  // the component name stands in for an empty identifier

  const std::string id1 = std::to_string(FItem->GetGlobalID1()), id2 = std::to_string(FItem->GetGlobalID2());
  FHotkeys->Manager.RemoveAction(FAction.get());
  EXPECT_EQ(FAction->GetActionList(), nullptr);
  EXPECT_EQ(FHotkeys->Manager.GetItems()->GetCount(), 0);
  EXPECT_EQ(Recorded(), (Log{"-" + id1, "-" + id2}));
  EXPECT_FALSE(FHotkeys->Manager.GetItems()->RemoveByAction(FAction.get()));
}

TEST_F(ZephHotkeyItem, GlobalShortcutsRegisterUnlessSuspended) {
  const std::string id = std::to_string(FItem->GetGlobalID1());
  FItem->SetHotkeyGlobal1(0x1A041);  // Win+Alt+Shift+A
  EXPECT_EQ(Recorded(), (Log{"-" + id, "+" + id + " 65 Win+Alt+Shift"}));
  Recorded().clear();
  FItem->SetHotkeyGlobal1(0x1A041);
  FItem->SetHotkeyGlobal1(0);
  EXPECT_EQ(Recorded(), (Log{"-" + id}));

  for (bool registrarSuspends : {false, true}) {
    Recorded().clear();
    FHotkeys->Manager.SetSuspended(!registrarSuspends);
    FHotkeys->Registrar.Suspended = registrarSuspends;
    FItem->SetHotkeyGlobal1(registrarSuspends ? 0x4041 : 0x4042);
    EXPECT_EQ(Recorded(), (Log{"-" + id}));
  }
}

TEST_F(ZephHotkeyItem, IdentifierIsSanitized) {
  FItem->SetID(u"a[b]=c");
  EXPECT_EQ(FItem->GetID(), u"a_b__c");
  std::unique_ptr<TZCLIniFile> ini(TZCLIniFile::CreateInMemory());
  FItem->SetHotkeyGlobal1(0x4041);
  FItem->SaveToIni(ini.get());
  EXPECT_EQ(ini->ReadInteger(u"Global Hotkeys", u"a_b__c", 0), 0x4041);
}

TEST_F(ZephHotkeyItem, DefaultsAreNotStoredAndMissingKeysRestoreThem) {
  std::unique_ptr<TZCLIniFile> ini(TZCLIniFile::CreateInMemory());
  ini->WriteInteger(u"Hotkeys", u"acPlay", 0x2051);
  ini->WriteInteger(u"Global Hotkeys", u"acPlay", 0x8041);
  ini->WriteInteger(u"Global Hotkeys", u"acPlay2", 0x8042);
  FItem->SetHotkeyGlobal2Default(0x8042);
  FItem->LoadFromIni(ini.get());
  EXPECT_EQ(FItem->GetHotkeyLocal(), 0x2051u);
  EXPECT_EQ(FItem->GetHotkeyGlobal1(), 0x8041u);
  EXPECT_EQ(FItem->GetHotkeyGlobal2(), 0x8042u);

  // Back to the defaults: every key equal to its default goes.
  FItem->SetHotkeyLocal(0x4050);
  FItem->SetHotkeyGlobal1(0);
  FItem->SaveToIni(ini.get());
  EXPECT_FALSE(ini->ExistsKey(u"Hotkeys", u"acPlay"));
  EXPECT_FALSE(ini->ExistsKey(u"Global Hotkeys", u"acPlay"));
  EXPECT_FALSE(ini->ExistsKey(u"Global Hotkeys", u"acPlay2"));

  FItem->SetHotkeyLocal(0x2051);
  FItem->SetHotkeyGlobal1(0x8041);
  FItem->SetHotkeyGlobal2(0);
  FItem->SetHotkeyGlobal1Default(0x4070);
  FItem->LoadFromIni(ini.get());
  EXPECT_EQ(FItem->GetHotkeyLocal(), 0x4050u);
  EXPECT_EQ(FItem->GetHotkeyGlobal1(), 0x4070u);
  EXPECT_EQ(FItem->GetHotkeyGlobal2(), 0x8042u);
}

TEST_F(ZephHotkeyItem, NewDefaultMovesOnlyAValueAtTheOldNonZeroDefault) {
  FItem->SetHotkeyGlobal1Default(0x4070);
  EXPECT_EQ(FItem->GetHotkeyGlobal1(), 0u);  // 0 stays 0

  FItem->SetHotkeyGlobal1(0x4070);
  Recorded().clear();
  FItem->SetHotkeyGlobal1Default(0x4071);
  EXPECT_EQ(FItem->GetHotkeyGlobal1(), 0x4071u);
  const std::string id = std::to_string(FItem->GetGlobalID1());
  EXPECT_EQ(Recorded(), (Log{"-" + id, "+" + id + " 113 Ctrl"}));

  FItem->SetHotkeyGlobal1(0x4041);
  FItem->SetHotkeyGlobal1Default(0x4072);
  EXPECT_EQ(FItem->GetHotkeyGlobal1(), 0x4041u);  // a changed value stays

  FItem->SetHotkeyLocalDefault(0x2050);
  EXPECT_EQ(FAction->GetShortCut(), 0x2050);
}

// A local shortcut is 16 bits wide: a code with Win must not become its bare key.
TEST_F(ZephHotkeyItem, LocalCodeWiderThanSixteenBitsIsNoShortcut) {
  std::unique_ptr<TZCLIniFile> ini(TZCLIniFile::CreateInMemory());
  ini->WriteInteger(u"Hotkeys", u"acPlay", 0x10041);
  FItem->LoadFromIni(ini.get());
  EXPECT_EQ(FAction->GetShortCut(), 0);
  FItem->SetHotkeyLocal(0x4041);
  FItem->SetHotkeyLocalDefault(0x10041);
  EXPECT_EQ(FItem->GetHotkeyLocalDefault(), 0u);
  FItem->SetHotkeyLocal(0x20041);
  EXPECT_EQ(FAction->GetShortCut(), 0);
}
