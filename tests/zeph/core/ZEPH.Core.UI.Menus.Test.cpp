#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Menus.h"
#include "zeph/core/ZEPH.Core.UI.Menus.h"
#include "zeph/core/ZEPH.Core.UI.TestEvents.h"

namespace {
struct TFree {
  void operator()(TObject* Obj) const { Free(Obj); }
};

class PluginMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Owner.reset(Create<TComponent>(static_cast<TComponent*>(nullptr)));
    Events = NewTestUIEvents();
    Menu = IPtr<TZEPHUIPopupMenu>(Create<TZEPHUIPopupMenu>(Events->AsHandler(), Owner.get()));
  }
  // Under a menu or an item.
  template <class P>
  IPtr<IZEPHUIMenuItem> Add(P* Parent, const char16_t* ID = nullptr) {
    IPtr<IZEPHUIMenuItem> item;
    EXPECT_EQ(Parent->Add(ID ? MakePluginString(ID).get() : nullptr, item), S_OK);
    return item;
  }
  IPtr<IZEPHUIMenuItem> Get(Integer Index) {
    void* obj = nullptr;
    if (Menu->Get(Index, IIDOf<IZEPHUIMenuItem>(), &obj) != S_OK) return {};
    return IPtr<IZEPHUIMenuItem>::Adopt(static_cast<IZEPHUIMenuItem*>(obj));
  }

  std::unique_ptr<TComponent, TFree> Owner;
  IPtr<TTestUIEvents> Events;
  IPtr<TZEPHUIPopupMenu> Menu;
};
}  // namespace

TEST_F(PluginMenuTest, ItemsAreFoundAgainByIndexAndDeletedOnesStayAliveOutOfTheMenu) {
  auto first = Add(static_cast<IZEPHUIPopupMenu*>(Menu.get()), u"First");
  auto second = Add(static_cast<IZEPHUIPopupMenu*>(Menu.get()));
  EXPECT_EQ(Menu->GetCount(), 2);
  EXPECT_EQ(Get(1).get(), second.get()) << "the same wrapper comes back for the same item";

  ASSERT_EQ(Menu->Delete(0), S_OK);
  EXPECT_EQ(Menu->GetCount(), 1);
  EXPECT_EQ(Get(0).get(), second.get());
  Integer enabled = 0;
  EXPECT_EQ(first->GetValueAsInt32(4, enabled), S_OK) << "a taken-out item lives with its owner";

  void* obj = nullptr;
  EXPECT_EQ(Menu->Get(5, IIDOf<IZEPHUIMenuItem>(), &obj), E_UNEXPECTED);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(Menu->Delete(-1), E_UNEXPECTED);

  // Sub-items hang under their item and go with DeleteChildren.
  auto sub = Add(second.get(), u"Sub");
  EXPECT_EQ(second->GetCount(), 1);
  ASSERT_EQ(second->DeleteChildren(), S_OK);
  EXPECT_EQ(second->GetCount(), 0);
  EXPECT_EQ(sub->GetCount(), -1);
  EXPECT_EQ(sub->GetValueAsInt32(4, enabled), E_HANDLE);
}

TEST_F(PluginMenuTest, ClearAndTheMenusEndLeaveHeldItemsAnsweringEHandle) {
  auto a = Add(static_cast<IZEPHUIPopupMenu*>(Menu.get()));
  auto b = Add(a.get());
  ASSERT_EQ(Menu->Clear(), S_OK);
  EXPECT_EQ(Menu->GetCount(), 0);
  Integer value = 0;
  EXPECT_EQ(a->GetValueAsInt32(4, value), E_HANDLE);
  EXPECT_EQ(b->GetCount(), -1);

  // The wrapper owns its menu: releasing it frees the menu from its owner.
  auto c = Add(static_cast<IZEPHUIPopupMenu*>(Menu.get()));
  ASSERT_EQ(Owner->GetComponentCount(), 1);
  Menu = nullptr;
  EXPECT_EQ(Owner->GetComponentCount(), 0);
  IPtr<IZEPHUIMenuItem> d;
  EXPECT_EQ(c->Add(nullptr, d), E_HANDLE);
  EXPECT_EQ(d.get(), nullptr);
}

TEST_F(PluginMenuTest, TheContextPopupGetsTheLeftBottomCornerInScreenPixels) {
  // An empty menu shows no window but runs the popup notification.
  ASSERT_EQ(Menu->PopupAtRect(TRect(30, 40, 130, 90)), S_OK);
  ASSERT_EQ(Menu->Popup(TPoint(7, 8)), S_OK);
  EXPECT_EQ(Events->Popups, (std::vector<TPoint>{TPoint(30, 90), TPoint(7, 8)}));
}

TEST_F(PluginMenuTest, TheMapHandsOutTheMenusOwnWrapperAndAWorkerIsRefused) {
  void* obj = nullptr;
  ASSERT_EQ(TZEPHCoreAdaptersMap::QueryAdapter(Menu->AsPopupMenu(), IIDOf<IZEPHUIPopupMenu>(), &obj), S_OK);
  auto found = IPtr<IZEPHUIPopupMenu>::Adopt(static_cast<IZEPHUIPopupMenu*>(obj));
  EXPECT_EQ(found.get(), static_cast<IZEPHUIPopupMenu*>(Menu.get()));

  HRESULT r = S_OK;
  Integer count = 0;
  std::thread([&] {
    IPtr<IZEPHUIMenuItem> item;
    r = Menu->Add(nullptr, item);
    count = Menu->GetCount();
  }).join();
  EXPECT_EQ(r, E_ACCESSDENIED);
  EXPECT_EQ(count, -1);
}
