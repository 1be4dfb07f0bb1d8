#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "support/TestSupport.h"
#include "vcl/VCL.Forms.h"
#include "zcl/ui/controls/ZCL.UI.Controls.TabControl.h"
#include "zeph/core/ZEPH.Core.Services.GUI.Controls.h"
#include "zeph/core/ZEPH.Core.UI.Pages.h"

namespace {
struct TFree {
  void operator()(TObject* Obj) const { Free(Obj); }
};

// Records page and tab changes as "activating N" / "activated N" (N the page index, -1 for no
// sheet) and refuses them while told to.
class TPageEvents : public TInterfacedObject, public IZEPHUIPageControlEvents, public IZEPHUITabControlEvents {
  ZCL_CLASS(TPageEvents, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHUIPageControlEvents, IZEPHUITabControlEvents)
 public:
  std::vector<std::string> Log;
  bool Refuse = false;

  void OnActivating(IZEPHUIPageControl*, IZEPHUITabSheet* Sheet, LongBool& Allow) override {
    Log.push_back("activating " + std::to_string(IndexOf(Sheet)));
    if (Refuse) Allow = LongFalse;
  }
  void OnActivated(IZEPHUIPageControl*, IZEPHUITabSheet* Sheet) override {
    Log.push_back("activated " + std::to_string(IndexOf(Sheet)));
  }
  void OnReserved(IZEPHUITabControl*) override { Log.push_back("reserved"); }
  void OnActivating(IZEPHUITabControl*, Integer Index, LongBool& Allow) override {
    Log.push_back("activating " + std::to_string(Index));
    if (Refuse) Allow = LongFalse;
  }
  void OnActivated(IZEPHUITabControl*, Integer Index) override { Log.push_back("activated " + std::to_string(Index)); }

 private:
  static Integer IndexOf(IZEPHUITabSheet* Sheet) {
    Integer index = -1;
    if (Sheet) Sheet->GetValueAsInt32(ZEPH_UI_SHEET_PROP_INDEX, index);
    return index;
  }
};

class PluginPagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(0, 0, 400, 300);
    Form->Show();
    Events = IPtr<TPageEvents>(Create<TPageEvents>());
    Pages = NewPages();
  }
  IPtr<TZEPHUIPageControl> NewPages() {
    IPtr<TZEPHUIPageControl> pages(Create<TZEPHUIPageControl>(static_cast<IInterface*>(Events.get()), Form.get()));
    pages->AsControl()->SetParent(Form.get());
    pages->AsControl()->SetBounds(0, 0, 300, 200);
    return pages;
  }
  IPtr<IZEPHUITabSheet> Add(TZEPHUIPageControl* Pages, const String& Name) {
    IPtr<IZEPHUITabSheet> sheet;
    EXPECT_EQ(Pages->Add(MakePluginString(Name).get(), sheet), S_OK) << StringToUTF8(Name);
    return sheet;
  }
  IPtr<IZEPHUITabSheet> Active() {
    void* obj = nullptr;
    Pages->GetValueAsObject(ZEPH_UI_PAGES_PROP_ACTIVE, IIDOf<IZEPHUITabSheet>(), &obj);
    return IPtr<IZEPHUITabSheet>::Adopt(static_cast<IZEPHUITabSheet*>(obj));
  }

  std::unique_ptr<TForm, TFree> Form;
  IPtr<TPageEvents> Events;
  IPtr<TZEPHUIPageControl> Pages;
};
}  // namespace

TEST_F(PluginPagesTest, AddMakesNamedPagesWithoutPageEvents) {
  void* obj = nullptr;
  EXPECT_EQ(Pages->GetValueAsObject(ZEPH_UI_PAGES_PROP_ACTIVE, IIDOf<IZEPHUITabSheet>(), &obj), E_UNEXPECTED);
  auto first = Add(Pages.get(), u"General");
  auto second = Add(Pages.get(), u"Advanced");
  EXPECT_TRUE(Events->Log.empty());
  EXPECT_EQ(Pages->GetPageCount(), 2);
  EXPECT_EQ(Active().get(), first.get());
  EXPECT_EQ(Pages->AsPageControl()->GetPage(1)->GetName(), u"Advanced");

  ASSERT_EQ(second->SetValueAsObject(ZEPH_UI_SHEET_PROP_CAPTION, MakePluginString(u"More").get()), S_OK);
  EXPECT_EQ(Pages->AsPageControl()->GetPage(1)->GetCaption(), u"More");
  IPtr<IZEPHUITabSheet> got;
  ASSERT_EQ(Pages->GetPage(1, got), S_OK);
  EXPECT_EQ(got.get(), second.get());
  EXPECT_EQ(Pages->GetPage(2, got), E_UNEXPECTED);

  // A name the library refuses leaves no page behind.
  for (const char16_t* bad : {u"General", u"no spaces"}) {
    IPtr<IZEPHUITabSheet> sheet;
    EXPECT_EQ(Pages->Add(MakePluginString(bad).get(), sheet), E_INVALIDARG) << StringToUTF8(bad);
    EXPECT_FALSE(sheet);
    EXPECT_EQ(Pages->GetPageCount(), 2);
  }
}

TEST_F(PluginPagesTest, SheetIsTheParentOfThePageControls) {
  auto sheet = Add(Pages.get(), u"One");
  IPtr<TZEPHUIPanelControl> panel(Create<TZEPHUIPanelControl>(static_cast<IInterface*>(nullptr), Form.get()));
  ASSERT_EQ(panel->SetValueAsObject(ZEPH_UI_PROP_PARENT, sheet.get()), S_OK);
  EXPECT_EQ(panel->AsControl()->GetParent(), Pages->AsPageControl()->GetPage(0));
  EXPECT_EQ(sheet->GetControlCount(), 1);
  void* obj = nullptr;
  ASSERT_EQ(panel->GetValueAsObject(ZEPH_UI_PROP_PARENT, IIDOf<IZEPHUITabSheet>(), &obj), S_OK);
  EXPECT_EQ(IPtr<IZEPHUITabSheet>::Adopt(static_cast<IZEPHUITabSheet*>(obj)).get(), sheet.get());
}

TEST_F(PluginPagesTest, PluginMayRefuseAPageChange) {
  auto first = Add(Pages.get(), u"One");
  auto second = Add(Pages.get(), u"Two");

  Events->Refuse = true;
  ASSERT_EQ(Pages->SetValueAsObject(ZEPH_UI_PAGES_PROP_ACTIVE, second.get()), S_OK);
  EXPECT_EQ(Active().get(), first.get());
  EXPECT_EQ(Events->Log, (std::vector<std::string>{"activating 1"}));

  Events->Refuse = false;
  Events->Log.clear();
  ASSERT_EQ(Pages->SetValueAsObject(ZEPH_UI_PAGES_PROP_ACTIVE, second.get()), S_OK);
  EXPECT_EQ(Active().get(), second.get());
  EXPECT_EQ(Events->Log, (std::vector<std::string>{"activating 1", "activated 1"}));

  Events->Log.clear();
  ASSERT_EQ(Pages->SetValueAsObject(ZEPH_UI_PAGES_PROP_ACTIVE, second.get()), S_OK);
  EXPECT_TRUE(Events->Log.empty());
  EXPECT_EQ(Pages->SetValueAsObject(ZEPH_UI_PAGES_PROP_ACTIVE, MakePluginString(u"x").get()), E_INVALIDARG);
}

TEST_F(PluginPagesTest, DeleteRemovesOnlyPagesOfThisControl) {
  auto first = Add(Pages.get(), u"One");
  auto second = Add(Pages.get(), u"Two");
  auto other = NewPages();
  auto foreign = Add(other.get(), u"Three");

  EXPECT_EQ(Pages->Delete(5), E_UNEXPECTED);
  // A sheet of another control names a page there, not here.
  EXPECT_EQ(Pages->DeleteSheet(foreign.get()), E_INVALIDARG);
  EXPECT_EQ(Pages->DeleteSheet(nullptr), E_INVALIDARG);
  EXPECT_EQ(Pages->GetPageCount(), 2);
  EXPECT_EQ(other->GetPageCount(), 1);

  ASSERT_EQ(Pages->DeleteSheet(second.get()), S_OK);
  EXPECT_EQ(Pages->GetPageCount(), 1);
  ASSERT_EQ(Pages->Delete(0), S_OK);
  EXPECT_EQ(Pages->GetPageCount(), 0);
  // The sheet answers for itself once its page is gone, and nothing else is deleted.
  Add(Pages.get(), u"Four");
  EXPECT_EQ(Pages->DeleteSheet(first.get()), E_HANDLE);
  Integer index = 0;
  EXPECT_EQ(first->GetValueAsInt32(ZEPH_UI_SHEET_PROP_INDEX, index), E_HANDLE);
  EXPECT_EQ(Pages->GetPageCount(), 1);
}

// Both deletions run the access check instead of reaching for a missing control.
TEST_F(PluginPagesTest, DeleteAndDeleteSheetRunTheAccessCheck) {
  auto sheet = Add(Pages.get(), u"One");
  HRESULT fromWorker[2] = {S_OK, S_OK};
  std::thread worker([&] {
    fromWorker[0] = Pages->Delete(0);
    fromWorker[1] = Pages->DeleteSheet(sheet.get());
  });
  worker.join();
  EXPECT_EQ(fromWorker[0], E_ACCESSDENIED);
  EXPECT_EQ(fromWorker[1], E_ACCESSDENIED);
  EXPECT_EQ(Pages->GetPageCount(), 1);

  Form.reset();
  EXPECT_EQ(Pages->Delete(0), E_HANDLE);
  EXPECT_EQ(Pages->DeleteSheet(sheet.get()), E_HANDLE);
  EXPECT_EQ(Pages->GetPageCount(), -1);
}

TEST_F(PluginPagesTest, TabControlClampsAndMayRefuse) {
  IPtr<TZEPHUITabControl> tabs(Create<TZEPHUITabControl>(static_cast<IInterface*>(Events.get()), Form.get()));
  tabs->AsControl()->SetParent(Form.get());
  for (const char16_t* caption : {u"a", u"b", u"c"}) ASSERT_EQ(tabs->Add(MakePluginString(caption).get()), S_OK);
  EXPECT_EQ(tabs->GetTabCount(), 3);
  Integer active = -1;
  ASSERT_EQ(tabs->GetValueAsInt32(ZEPH_UI_TABS_PROP_ACTIVE_INDEX, active), S_OK);
  Events->Log.clear();

  ASSERT_EQ(tabs->SetValueAsInt32(ZEPH_UI_TABS_PROP_ACTIVE_INDEX, 9), S_OK);
  ASSERT_EQ(tabs->GetValueAsInt32(ZEPH_UI_TABS_PROP_ACTIVE_INDEX, active), S_OK);
  EXPECT_EQ(active, 2);
  EXPECT_EQ(Events->Log, (std::vector<std::string>{"activating 2", "activated 2"}));

  Events->Refuse = true;
  Events->Log.clear();
  ASSERT_EQ(tabs->SetValueAsInt32(ZEPH_UI_TABS_PROP_ACTIVE_INDEX, 0), S_OK);
  ASSERT_EQ(tabs->GetValueAsInt32(ZEPH_UI_TABS_PROP_ACTIVE_INDEX, active), S_OK);
  EXPECT_EQ(active, 2);
  EXPECT_EQ(Events->Log, (std::vector<std::string>{"activating 0"}));

  IPtr<IZEPHString> caption;
  ASSERT_EQ(tabs->GetTab(1, caption), S_OK);
  EXPECT_EQ(PluginStringToStr(caption.get()), u"b");
  EXPECT_EQ(tabs->GetTab(3, caption), E_UNEXPECTED);
  EXPECT_EQ(tabs->Delete(-1), E_UNEXPECTED);
  ASSERT_EQ(tabs->Delete(0), S_OK);
  EXPECT_EQ(tabs->GetTabCount(), 2);

  // Once the active tab is gone, a refusal cannot keep it: the control moves on instead of asking
  // without end.
  ASSERT_EQ(tabs->Delete(1), S_OK);
  ASSERT_EQ(tabs->GetValueAsInt32(ZEPH_UI_TABS_PROP_ACTIVE_INDEX, active), S_OK);
  EXPECT_EQ(active, 0);
}
