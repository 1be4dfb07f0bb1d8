#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "rtl/RTL.Exceptions.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/base/ZCL.MUI.h"
#include "zeph/core/ZEPH.Core.Actions.h"
#include "zeph/core/ZEPH.Core.Config.h"
#include "zeph/core/ZEPH.Core.Hotkeys.h"
#include "zeph/core/ZEPH.Core.Images.h"
#include "zeph/core/ZEPH.Core.TestUtil.h"
#include "zeph/core/ZEPH.Core.h"

namespace {
// Remembers what it was called with.
class TEventProbe : public TInterfacedObject, public IZEPHActionEvent {
  ZCL_CLASS(TEventProbe, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHActionEvent)
 public:
  void OnExecute(IInterface* Data) override {
    ++Calls;
    LastData = Data;
  }
  Integer Calls = 0;
  IInterface* LastData = nullptr;
};

IInterface* Identity(IInterface* Object) {
  void* obj = nullptr;
  if (!Object || Object->QueryInterface(IIDOf<IInterface>(), &obj) < 0) return nullptr;
  auto* unknown = static_cast<IInterface*>(obj);
  unknown->_Release();
  return unknown;
}

class ZephActions : public ::testing::Test {
 protected:
  template <InterfaceType I>
  IPtr<I> New() {
    void* obj = nullptr;
    EXPECT_EQ(TZEPHCore::Instance()->CreateObject(IIDOf<I>(), &obj), S_OK);
    auto result = IPtr<I>::Adopt(static_cast<I*>(obj));
    FExtensions.push_back(IPtr<IInterface>(result.get()));
    return result;
  }
  IPtr<IZEPHAction> NewAction(const String& ID) {
    IPtr<IZEPHAction> action = New<IZEPHAction>();
    EXPECT_EQ(action->SetValueAsObject(1, MakePluginString(ID).get()), S_OK);
    EXPECT_EQ(TZEPHCore::Instance()->RegisterExtension(IIDOf<IZEPHServiceActionManager>(), action.get()), S_OK);
    return action;
  }
  IPtr<IZEPHMenuItem> NewItem(const String& ID) {
    IPtr<IZEPHMenuItem> item = New<IZEPHMenuItem>();
    EXPECT_EQ(item->SetValueAsObject(2, MakePluginString(ID).get()), S_OK);
    return item;
  }
  void TearDown() override {
    for (auto it = FExtensions.rbegin(); it != FExtensions.rend(); ++it)
      TZEPHCore::Instance()->UnregisterExtension(it->get());
    FExtensions.clear();
  }
  static TZEPHServiceActionManager* Service() { return ActionManager(); }
  template <class T>
  static T* ProgramObject(IInterface* Intf) {
    return static_cast<T*>(AdapterGetObjectChecked(Intf, T::StaticClass()));
  }
  TTestHotkeys FHotkeys;
  std::vector<IPtr<IInterface>> FExtensions;
};
}  // namespace

TEST(ZephActionService, ActionsNeedAHotkeysManager) {
  void* obj = nullptr;
  try {
    TZEPHCore::Instance()->CreateObject(IIDOf<IZEPHAction>(), &obj);
    FAIL() << "an action was made without a hotkeys manager";
  } catch (const Exception& e) {
    EXPECT_EQ(e.GetMessage(), u"Hotkeys Manager not registered");
  }
  EXPECT_EQ(obj, nullptr);
}

TEST_F(ZephActions, MakeHotkey) {
  struct Case {
    Integer Modifiers, Key;
    Cardinal Expected;
  } cases[] = {{3, 65, 0xC041}, {8, 0x170, 0x10070}, {5, 0x41, 0x6041}, {0x10002, 66, 0x8042}, {0, 0, 0}};
  for (const Case& c : cases) EXPECT_EQ(Service()->MakeHotkey(c.Modifiers, c.Key), c.Expected) << c.Modifiers;
}

TEST_F(ZephActions, GetByID) {
  IPtr<IZEPHAction> unnamed = NewAction(u"");
  IPtr<IZEPHAction> first = NewAction(u"plg.play");
  IPtr<IZEPHAction> second = NewAction(u"plg.play");
  IPtr<IZEPHAction> found;
  EXPECT_EQ(Service()->GetByID(MakePluginString(u"").get(), found), E_INVALIDARG);
  EXPECT_EQ(Service()->GetByID(static_cast<IZEPHString*>(nullptr), found), E_INVALIDARG);
  EXPECT_EQ(Service()->GetByID(MakePluginString(u"PLG.PLAY").get(), found), E_INVALIDARG);
  ASSERT_EQ(Service()->GetByID(MakePluginString(u"plg.play").get(), found), S_OK);
  EXPECT_EQ(Identity(found.get()), Identity(first.get()));

  IPtr<IZEPHMenuItem> asItem;
  EXPECT_EQ(Service()->GetByID(MakePluginString(u"plg.play").get(), asItem), E_NOINTERFACE);
  EXPECT_EQ(asItem.get(), nullptr);
  IPtr<IZEPHMenuItem> item = NewItem(u"plg.menu");
  ASSERT_EQ(Service()->GetByID(MakePluginString(u"plg.menu").get(), asItem), S_OK);
  EXPECT_EQ(Identity(asItem.get()), Identity(item.get()));
  for (Integer id : {0, 1, -1}) EXPECT_EQ(Service()->GetBuiltIn(id, asItem), E_INVALIDARG);
}

TEST_F(ZephActions, PropertiesReachTheActionAndItsHotkeys) {
  IPtr<IZEPHAction> action = NewAction(u"plg.stop");
  auto* program = ProgramObject<TZEPHAction>(action.get());
  EXPECT_EQ(action->SetValueAsObject(2, MakePluginString(u"Stop").get()), S_OK);
  EXPECT_EQ(action->SetValueAsObject(3, MakePluginString(u"Playback").get()), S_OK);
  EXPECT_EQ(action->SetValueAsInt32(4, 0), S_OK);
  EXPECT_EQ(action->SetValueAsInt32(5, 0x4053), S_OK);
  EXPECT_EQ(action->SetValueAsInt32(6, 0x8053), S_OK);
  EXPECT_EQ(program->GetID(), u"plg.stop");
  EXPECT_EQ(program->GetCaption(), u"Stop");
  EXPECT_EQ(program->GetCategory(), u"Playback");
  EXPECT_FALSE(program->GetEnabled());
  TZEPHHotkeyItem* item = nullptr;
  ASSERT_TRUE(FHotkeys->Manager.GetItems()->FindByAction(program, item));
  EXPECT_EQ(item->GetHotkeyLocalDefault(), 0x4053u);
  EXPECT_EQ(item->GetHotkeyGlobal1Default(), 0x8053u);
  EXPECT_EQ(PropertyListReadInt32(action.get(), 5, 0), 0x4053);
}

TEST_F(ZephActions, HandlerGetsTheAdapterAndSurvivesAWrongObject) {
  IPtr<IZEPHAction> action = NewAction(u"plg.next");
  auto* program = ProgramObject<TZEPHAction>(action.get());
  program->Execute();  // no handler: nothing happens
  IPtr<TEventProbe> probe(Create<TEventProbe>());
  ASSERT_EQ(action->SetValueAsObject(8, static_cast<IZEPHActionEvent*>(probe.get())), S_OK);
  EXPECT_EQ(action->SetValueAsObject(8, MakePluginString(u"not a handler").get()), E_NOINTERFACE);
  void* handler = nullptr;
  ASSERT_EQ(action->GetValueAsObject(8, IIDOf<IZEPHActionEvent>(), &handler), S_OK);
  static_cast<IZEPHActionEvent*>(handler)->_Release();
  EXPECT_EQ(handler, static_cast<IZEPHActionEvent*>(probe.get()));

  program->Execute();
  EXPECT_EQ(probe->Calls, 1);
  EXPECT_EQ(Identity(probe->LastData), Identity(action.get()));
  EXPECT_EQ(action->SetValueAsObject(8, nullptr), S_OK);
  program->Execute();
  EXPECT_EQ(probe->Calls, 1);
}

TEST_F(ZephActions, LanguageChangeRereadsTexts) {
  TZCLLocalization* lang = LangFile();
  lang->WriteString(u"Common", u"plg.shuffle", u"Shuffle");
  lang->WriteString(u"Common", u"plg.shuffle.g", u"Playlist");
  lang->WriteString(u"Common", u"plg.shuffle.h", u"Plays in random order");
  lang->WriteString(u"Common", u"plg.menu", u"Extras");
  IPtr<IZEPHAction> named = NewAction(u"plg.shuffle");
  IPtr<IZEPHAction> other = NewAction(u"plg.other");
  EXPECT_EQ(other->SetValueAsObject(2, MakePluginString(u"Mine").get()), S_OK);
  auto* program = ProgramObject<TZEPHAction>(named.get());
  EXPECT_EQ(program->GetCaption(), u"Shuffle");  // registering localizes

  IPtr<IZEPHMenuItem> item = NewItem(u"plg.menu");
  IPtr<IZEPHMenuItem> separator = NewItem(u"plg.menu");
  EXPECT_EQ(separator->SetValueAsObject(3, MakePluginString(u"-").get()), S_OK);
  IPtr<IZEPHMenuItem> linked = NewItem(u"plg.linked");
  EXPECT_EQ(linked->SetValueAsObject(1, other.get()), S_OK);

  lang->WriteString(u"Common", u"plg.shuffle", u"Shuffle all");
  lang->LangChanged();
  EXPECT_EQ(program->GetCaption(), u"Shuffle all");
  EXPECT_EQ(program->GetCategory(), u"Playlist");
  EXPECT_EQ(program->GetHint(), u"Plays in random order");
  EXPECT_EQ(ProgramObject<TZEPHAction>(other.get())->GetCaption(), u"Mine");
  EXPECT_EQ(PropertyListReadString(item.get(), 3), u"Extras");
  EXPECT_EQ(PropertyListReadString(separator.get(), 3), u"-");
  EXPECT_EQ(PropertyListReadString(linked.get(), 3), u"Mine");
  for (const Char* key : {u"plg.shuffle", u"plg.shuffle.g", u"plg.shuffle.h", u"plg.menu"})
    lang->DeleteKey(u"Common", key);
}

TEST_F(ZephActions, HotkeysAreLoadedAndSavedWithTheExtension) {
  TZCLIniFile* ini = CoreConfigGetIniFile();
  ASSERT_NE(ini, nullptr);
  ini->WriteInteger(u"Hotkeys", u"plg.a_b_", 0x4041);
  IPtr<IZEPHAction> action = NewAction(u"plg.a[b]");
  auto* program = ProgramObject<TZEPHAction>(action.get());
  EXPECT_EQ(program->GetShortCut(), 0x4041);
  program->SetShortCut(0x4042);
  TZEPHCore::Instance()->UnregisterExtension(action.get());
  EXPECT_EQ(ini->ReadInteger(u"Hotkeys", u"plg.a_b_", 0), 0x4042);
  EXPECT_EQ(FHotkeys->Manager.GetItems()->GetCount(), 0);
  EXPECT_EQ(action->SetValueAsInt32(4, 1), E_HANDLE);  // the action is gone
  ini->DeleteKey(u"Hotkeys", u"plg.a_b_");
}

TEST_F(ZephActions, AnActionFreedByItsOwnerTakesItsHotkeyItemAlongWhenUnregistered) {
  IPtr<IZEPHAction> action = NewAction(u"plg.owned");
  ASSERT_EQ(FHotkeys->Manager.GetItems()->GetCount(), 1);
  Free(ProgramObject<TZEPHAction>(action.get()));  // as the service does when it stops
  EXPECT_EQ(action->SetValueAsInt32(4, 1), E_HANDLE);
  TZEPHCore::Instance()->UnregisterExtension(action.get());
  EXPECT_EQ(FHotkeys->Manager.GetItems()->GetCount(), 0);
}

TEST_F(ZephActions, OffTheUIThreadAccessIsDenied) {
  IPtr<IZEPHAction> action = NewAction(u"plg.thread");
  IPtr<IZEPHMenuItem> item = NewItem(u"plg.thread.item");
  HRESULT a = S_OK, b = S_OK, c = S_OK;
  std::thread([&] {
    Integer value = 0;
    a = action->GetValueAsInt32(4, value);
    b = item->GetValueAsInt32(4, value);
    c = item->DeleteChildren();
  }).join();
  EXPECT_EQ(a, E_ACCESSDENIED);
  EXPECT_EQ(b, E_ACCESSDENIED);
  EXPECT_EQ(c, E_ACCESSDENIED);
}

// ---- menu items ----------------------------------------------------------------------------------

TEST_F(ZephActions, MenuItemStyle) {
  IPtr<IZEPHMenuItem> item = NewItem(u"plg.style");
  auto* program = ProgramObject<TZEPHMenuItem>(item.get());
  struct Case {
    Integer Written, Read;
    bool AutoCheck, Radio;
  } cases[] = {{1, 1, true, false}, {2, 2, false, true}, {3, 0, false, false}, {0, 0, false, false}};
  for (const Case& c : cases) {
    ASSERT_EQ(item->SetValueAsInt32(5, c.Written), S_OK);
    EXPECT_EQ(PropertyListReadInt32(item.get(), 5, -1), c.Read) << c.Written;
    EXPECT_EQ(program->GetAutoCheck(), c.AutoCheck) << c.Written;
    EXPECT_EQ(program->GetRadioItem(), c.Radio) << c.Written;
  }
}

TEST_F(ZephActions, MenuItemParent) {
  IPtr<IZEPHMenuItem> root = NewItem(u"root"), a = NewItem(u"a"), b = NewItem(u"b"), c = NewItem(u"c");
  auto* rootItem = ProgramObject<TMenuItem>(root.get());
  auto* aItem = ProgramObject<TMenuItem>(a.get());
  auto* bItem = ProgramObject<TMenuItem>(b.get());
  ASSERT_EQ(a->SetValueAsObject(11, root.get()), S_OK);
  ASSERT_EQ(c->SetValueAsObject(11, root.get()), S_OK);
  ASSERT_EQ(b->SetValueAsObject(11, a.get()), S_OK);
  EXPECT_EQ(aItem->GetParent(), rootItem);
  EXPECT_EQ(bItem->GetParent(), aItem);

  EXPECT_EQ(a->SetValueAsObject(11, root.get()), S_OK);  // the same parent again: a stays first
  EXPECT_EQ(aItem->GetMenuIndex(), 0);

  // Refused parents leave the item where it was.
  const IPtr<IInterface> refused[] = {IPtr<IInterface>(a.get()), IPtr<IInterface>(b.get()),
                                      IPtr<IInterface>(MakePluginString(u"not a menu").get())};
  for (const auto& parent : refused) {
    EXPECT_EQ(a->SetValueAsObject(11, parent.get()), E_UNEXPECTED);
    EXPECT_EQ(aItem->GetParent(), rootItem);
    EXPECT_EQ(aItem->GetMenuIndex(), 0);
    void* stored = nullptr;
    ASSERT_EQ(a->GetValueAsObject(11, IIDOf<IZEPHMenuItem>(), &stored), S_OK);
    static_cast<IZEPHMenuItem*>(stored)->_Release();
    EXPECT_EQ(Identity(static_cast<IZEPHMenuItem*>(stored)), Identity(root.get()));
  }

  ASSERT_EQ(a->SetValueAsObject(11, nullptr), S_OK);
  EXPECT_EQ(aItem->GetParent(), nullptr);
  EXPECT_EQ(rootItem->GetCount(), 1);
}

TEST_F(ZephActions, MenuItemDeleteChildrenEmptiesThreeLevels) {
  IPtr<IZEPHMenuItem> items[] = {NewItem(u"r"), NewItem(u"a"), NewItem(u"a2"), NewItem(u"b"), NewItem(u"c")};
  ASSERT_EQ(items[1]->SetValueAsObject(11, items[0].get()), S_OK);
  ASSERT_EQ(items[2]->SetValueAsObject(11, items[0].get()), S_OK);
  ASSERT_EQ(items[3]->SetValueAsObject(11, items[1].get()), S_OK);
  ASSERT_EQ(items[4]->SetValueAsObject(11, items[3].get()), S_OK);
  ASSERT_EQ(items[0]->DeleteChildren(), S_OK);
  for (const auto& item : items) {
    EXPECT_EQ(ProgramObject<TMenuItem>(item.get())->GetCount(), 0);
    EXPECT_EQ(ProgramObject<TMenuItem>(item.get())->GetParent(), nullptr);
    void* parent = reinterpret_cast<void*>(1);
    // The property list answers a missing object with E_INVALIDARG.
    EXPECT_EQ(item->GetValueAsObject(11, IIDOf<IZEPHMenuItem>(), &parent), E_INVALIDARG);
    EXPECT_EQ(parent, nullptr);
  }
}

TEST_F(ZephActions, MenuItemGlyphRoundTrip) {
  IPtr<IZEPHMenuItem> item = NewItem(u"plg.glyph");
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(item->GetValueAsObject(10, IIDOf<IZEPHImage>(), &none), E_INVALIDARG);
  EXPECT_EQ(none, nullptr);

  std::unique_ptr<TBitmap> bitmap(new TBitmap());
  bitmap->SetSize(24, 24);
  IPtr<TZEPHImageAdapter> image(Create<TZEPHImageAdapter>(bitmap.get()));
  ASSERT_EQ(image->SetDPI(144), S_OK);
  ASSERT_EQ(item->SetValueAsObject(10, static_cast<IZEPHImage*>(image.get())), S_OK);
  EXPECT_EQ(ProgramObject<TZEPHMenuItem>(item.get())->GetGlyph()->GetImageSet()->GetItem(0)->GetDPI(), 144);
  void* back = nullptr;
  ASSERT_EQ(item->GetValueAsObject(10, IIDOf<IZEPHImage>(), &back), S_OK);
  ASSERT_NE(back, nullptr);
  auto glyph = IPtr<IZEPHImage>::Adopt(static_cast<IZEPHImage*>(back));
  TSize size;
  ASSERT_EQ(glyph->GetSize(size), S_OK);
  EXPECT_EQ(size, TSize(24, 24));

  ASSERT_EQ(item->SetValueAsObject(10, nullptr), S_OK);
  void* cleared = reinterpret_cast<void*>(1);
  EXPECT_EQ(item->GetValueAsObject(10, IIDOf<IZEPHImage>(), &cleared), E_INVALIDARG);
  EXPECT_EQ(cleared, nullptr);
}

TEST_F(ZephActions, MenuItemClickAndShowCallTheirHandlers) {
  IPtr<IZEPHMenuItem> item = NewItem(u"plg.click");
  IPtr<TEventProbe> click(Create<TEventProbe>()), show(Create<TEventProbe>());
  ASSERT_EQ(item->SetValueAsObject(6, static_cast<IZEPHActionEvent*>(click.get())), S_OK);
  ASSERT_EQ(item->SetValueAsObject(7, static_cast<IZEPHActionEvent*>(show.get())), S_OK);
  EXPECT_EQ(item->SetValueAsObject(6, MakePluginString(u"x").get()), E_NOINTERFACE);
  auto* program = ProgramObject<TZEPHMenuItem>(item.get());
  program->Click();
  program->DoShow();
  EXPECT_EQ(click->Calls, 1);
  EXPECT_EQ(show->Calls, 1);
  EXPECT_EQ(Identity(click->LastData), Identity(item.get()));
  IPtr<IZEPHDPIAware> dpi;
  ASSERT_TRUE(Supports(item.get(), dpi));
  EXPECT_EQ(dpi->GetDPI(), 96);
  EXPECT_EQ(dpi->SetDPI(144), E_NOTIMPL);
}
