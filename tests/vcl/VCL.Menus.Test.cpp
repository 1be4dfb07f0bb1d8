#include <gtest/gtest.h>

#include "os/OS.Input.h"
#include "os/OS.Messages.h"
#include "os/OS.Windows.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Streaming.h"
#include "rtl/RTL.Streams.h"
#include "vcl/VCL.ActnList.h"
#include "vcl/VCL.Graphics.h"
#include "vcl/VCL.ImgList.h"
#include "vcl/VCL.Menus.h"

namespace {

TEST(ShortCutTextTest, TextAndShortCutRoundTrip) {
  struct TCase {
    const Char* Text;
    TShortCut ShortCut;
  };
  const TCase cases[] = {
      {u"Ctrl+S", TShortCut(scCtrl | 'S')},
      {u"Shift+Del", TShortCut(scShift | VK_DELETE)},
      {u"F1", VK_F1},
      {u"Num +", VK_ADD},
      {u"Num 5", TShortCut(VK_NUMPAD0 + 5)},
      {u"Shift+Ctrl+F9", TShortCut(scShift | scCtrl | VK_F9)},
      {u"Shift+Ctrl+Alt+F12", TShortCut(scShift | scCtrl | scAlt | VK_F12)},
      {u"Alt+Enter", TShortCut(scAlt | VK_RETURN)},
      {u"Ctrl+PgDn", TShortCut(scCtrl | VK_NEXT)},
      {u"Ctrl+;", TShortCut(scCtrl | VK_OEM_1)},
      {u"Ctrl+0", TShortCut(scCtrl | '0')},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(ShortCutToText(c.ShortCut), c.Text);
    EXPECT_EQ(TextToShortCut(c.Text), c.ShortCut) << StringToUTF8(c.Text);
  }
  // Modifiers in any order and case; unknown or incomplete texts give no shortcut.
  EXPECT_EQ(TextToShortCut(u"ctrl+shift+s"), TShortCut(scShift | scCtrl | 'S'));
  EXPECT_EQ(TextToShortCut(u"Alt+Ctrl+F5"), TShortCut(scAlt | scCtrl | VK_F5));
  for (const Char* bad : {u"", u"Shift+", u"Ctrl+Foo", u"Ctrl+S+", u"Hyper+S"}) EXPECT_EQ(TextToShortCut(bad), 0);
  EXPECT_EQ(ShortCutToText(0), u"");
  EXPECT_EQ(ShortCut(0x1FF, scCtrl), 0);
}

TEST(ShortCutTextTest, HotkeysOfCaptions) {
  EXPECT_EQ(StripHotkey(u"&File"), u"File");
  EXPECT_EQ(StripHotkey(u"Save && E&xit&"), u"Save & Exit");
  EXPECT_EQ(GetHotkey(u"Save && E&xit"), u'X');
  EXPECT_EQ(GetHotkey(u"A && B"), 0);
  EXPECT_TRUE(IsAccel('X', u"E&xit"));
  EXPECT_FALSE(IsAccel('E', u"E&xit"));
  EXPECT_FALSE(IsAccel('A', u"A && B"));
}

// A menu File > (Open, -, Recent > (One, Two)) with click counters.
class MenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FMenu = Create<TMainMenu>(FOwner);
    FFile = Add(FMenu->GetItems(), u"&File");
    FOpen = Add(FFile, u"&Open");
    FOpen->SetShortCut(TShortCut(scCtrl | 'O'));
    Add(FFile, u"-");
    FRecent = Add(FFile, u"&Recent");
    FOne = Add(FRecent, u"One");
    FTwo = Add(FRecent, u"Two");
    FTwo->SetShortCut(TShortCut(scCtrl | '2'));
  }
  void TearDown() override { Free(FOwner); }

  TMenuItem* Add(TMenuItem* Parent, const String& Caption) {
    auto* item = Create<TMenuItem>(FOwner);
    item->SetCaption(Caption);
    item->OnClick = {this, &MenuTest::Clicked};
    Parent->Add(item);
    return item;
  }
  void Clicked(TObject* Sender) { FClicks.push_back(static_cast<TMenuItem*>(Sender)); }

  TComponent* FOwner = Create<TComponent>(nullptr);
  TMainMenu* FMenu = nullptr;
  TMenuItem *FFile, *FOpen, *FRecent, *FOne, *FTwo;
  std::vector<TMenuItem*> FClicks;
};

TEST_F(MenuTest, TreeFindIndexAndOwnership) {
  EXPECT_EQ(FFile->GetCount(), 3);
  EXPECT_TRUE(FFile->GetItem(1)->IsLine());
  EXPECT_EQ(FFile->Find(u"recent"), FRecent);
  EXPECT_EQ(FFile->Find(u"&Open"), FOpen);
  EXPECT_EQ(FFile->Find(u"Close"), nullptr);
  EXPECT_EQ(FTwo->GetParentMenu(), FMenu);
  EXPECT_EQ(FTwo->GetParentComponent(), FRecent);
  EXPECT_EQ(FFile->GetParentComponent(), FMenu);
  FTwo->SetMenuIndex(0);
  EXPECT_EQ(FRecent->GetItem(0), FTwo);
  EXPECT_EQ(FOne->GetMenuIndex(), 1);
  // An item has one parent and never lands inside itself; indexes are checked.
  EXPECT_THROW(FRecent->Add(FOpen), EMenuError);
  FFile->Remove(FRecent);
  EXPECT_THROW(FOne->Add(FRecent), EMenuError);
  EXPECT_THROW(FFile->Insert(9, FRecent), EMenuError);
  FFile->Insert(0, FRecent);
  EXPECT_EQ(FFile->GetItem(0), FRecent);
  // Freeing an item takes it (and its children) out of the menu.
  Free(FRecent);
  EXPECT_EQ(FFile->GetCount(), 2);
  EXPECT_EQ(FMenu->FindItem(TShortCut(scCtrl | '2'), fkShortCut), nullptr);
}

TEST_F(MenuTest, PostedCommandReachesItsItem) {
  HWND window = MenuCommandWindow();
  ASSERT_NE(window, nullptr);
  PostMessage(window, WM_COMMAND, FTwo->GetCommand(), 0);
  PostMessage(window, WM_COMMAND, FOpen->GetCommand(), 0);
  Headless::RunUntilIdle();
  EXPECT_EQ(FClicks, (std::vector<TMenuItem*>{FTwo, FOpen}));
  // The menu's own dispatch finds only its items; a command posted for an item freed since is dropped.
  FClicks.clear();
  EXPECT_TRUE(FMenu->DispatchCommand(FOne->GetCommand()));
  auto* stray = Create<TMenuItem>(nullptr);
  EXPECT_FALSE(FMenu->DispatchCommand(stray->GetCommand()));
  PostMessage(window, WM_COMMAND, stray->GetCommand(), 0);
  Free(stray);
  Headless::RunUntilIdle();
  EXPECT_EQ(FClicks, (std::vector<TMenuItem*>{FOne}));
  EXPECT_NE(FOne->GetCommand(), FTwo->GetCommand());
}

TEST_F(MenuTest, ShortCutsRunEnabledItemsOnly) {
  EXPECT_TRUE(FMenu->IsShortCut(TShortCut(scCtrl | '2')));
  EXPECT_FALSE(FMenu->IsShortCut(TShortCut(scCtrl | '3')));
  EXPECT_FALSE(FMenu->IsShortCut(0));
  FRecent->SetEnabled(false);  // a disabled parent blocks its children's shortcuts
  EXPECT_FALSE(FMenu->IsShortCut(TShortCut(scCtrl | '2')));
  EXPECT_EQ(FClicks, (std::vector<TMenuItem*>{FTwo}));
}

TEST_F(MenuTest, RadioGroupsAndAutoCheck) {
  for (TMenuItem* item : {FOne, FTwo}) {
    item->SetRadioItem(true);
    item->SetGroupIndex(1);
    item->SetAutoCheck(true);
  }
  FOne->SetChecked(true);
  FTwo->Click();
  EXPECT_TRUE(FTwo->GetChecked());
  EXPECT_FALSE(FOne->GetChecked());
  FTwo->Click();  // a radio item stays checked
  EXPECT_TRUE(FTwo->GetChecked());
  FOpen->SetAutoCheck(true);
  FOpen->Click();
  FOpen->SetEnabled(false);
  FOpen->Click();  // disabled: no toggle, no click
  EXPECT_TRUE(FOpen->GetChecked());
  EXPECT_EQ(FClicks.size(), 3u);
}

TEST_F(MenuTest, ChangesReachTheMenu) {
  std::vector<std::pair<TMenuItem*, bool>> changes;
  struct TSink {
    std::vector<std::pair<TMenuItem*, bool>>* Out;
    void Changed(TObject*, TMenuItem* Source, bool Rebuild) { Out->push_back({Source, Rebuild}); }
  } sink{&changes};
  FMenu->OnChange = {&sink, &TSink::Changed};
  FTwo->SetCaption(u"Zwei");
  FTwo->SetEnabled(false);
  EXPECT_EQ(changes, (std::vector<std::pair<TMenuItem*, bool>>{{FTwo, true}, {FTwo, false}}));
}

TEST_F(MenuTest, ActionDrivesItsMenuItem) {
  auto* list = Create<TActionList>(FOwner);
  auto* action = Create<TAction>(FOwner);
  action->SetActionList(list);
  action->SetCaption(u"&Save");
  action->SetShortCut(TShortCut(scCtrl | 'S'));
  int executed = 0;
  struct TSink {
    int* Count;
    void Execute(TObject*) { ++*Count; }
  } sink{&executed};
  action->SetOnExecute({&sink, &TSink::Execute});

  auto* item = Create<TMenuItem>(FOwner);
  FFile->Add(item);
  item->SetAction(action);
  EXPECT_EQ(item->GetCaption(), u"&Save");
  EXPECT_EQ(item->GetShortCut(), TShortCut(scCtrl | 'S'));

  // Disabling the action disables the item; a caption set apart stays.
  item->SetCaption(u"Save now");
  action->SetEnabled(false);
  action->SetCaption(u"&Store");
  EXPECT_FALSE(item->GetEnabled());
  EXPECT_EQ(item->GetCaption(), u"Save now");
  EXPECT_FALSE(FMenu->IsShortCut(TShortCut(scCtrl | 'S')));
  action->SetEnabled(true);
  EXPECT_TRUE(FMenu->IsShortCut(TShortCut(scCtrl | 'S')));
  item->Click();
  EXPECT_EQ(executed, 2);
  EXPECT_TRUE(FClicks.empty());
  // A group makes the item a radio item; the check follows.
  action->SetGroupIndex(2);
  action->SetChecked(true);
  EXPECT_TRUE(item->GetRadioItem());
  EXPECT_EQ(item->GetGroupIndex(), 2);
  EXPECT_TRUE(item->GetChecked());

  // Freeing the action leaves the item without one; it keeps the click handler it took over.
  Free(action);
  EXPECT_EQ(item->GetAction(), nullptr);
  item->Click();
  EXPECT_EQ(executed, 3);
}

class TOwnItem : public TMenuItem {
  ZCL_CLASS(TOwnItem, TMenuItem)
 public:
  using TMenuItem::TMenuItem;
};
class TOwnPopupMenu : public TPopupMenu {
  ZCL_CLASS(TOwnPopupMenu, TPopupMenu)
 public:
  using TPopupMenu::TPopupMenu;

 protected:
  TMenuItem* CreateMenuItem() override { return Create<TOwnItem>(this); }
};

TEST(PopupMenuTest, DescendantsChooseTheirRootItem) {
  auto* menu = Create<TOwnPopupMenu>(nullptr);
  EXPECT_EQ(menu->GetItems()->ClassType(), TOwnItem::StaticClass());
  EXPECT_EQ(menu->GetItems()->GetParentMenu(), menu);
  Free(menu);
}

TEST(PopupMenuTest, PopupRecordsThePointAndFiresItsEvents) {
  auto* menu = Create<TPopupMenu>(nullptr);
  auto* component = Create<TComponent>(nullptr);
  std::vector<int> events;
  struct TSink {
    std::vector<int>* Out;
    void Popup(TObject*) { Out->push_back(1); }
    void Close(TObject*) { Out->push_back(2); }
  } sink{&events};
  menu->OnPopup = {&sink, &TSink::Popup};
  menu->OnClose = {&sink, &TSink::Close};
  menu->SetPopupComponent(component);
  menu->Popup(30, 40);
  EXPECT_EQ(menu->GetPopupPoint(), TPoint(30, 40));
  EXPECT_EQ(events, (std::vector<int>{1, 2}));
  Free(component);
  EXPECT_EQ(menu->GetPopupComponent(), nullptr);
  Free(menu);
}

}  // namespace

namespace {

// A root that streams what it owns, as forms do: components that have no parent of their own.
class TStreamRoot : public TComponent {
  ZCL_CLASS(TStreamRoot, TComponent)
 public:
  using TComponent::TComponent;
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override {
    for (Integer i = 0; i < GetComponentCount(); ++i)
      if (!GetComponent(i)->HasParent() && GetComponent(i)->GetOwner() == Root) Proc(GetComponent(i));
  }
};

// Menus, actions and image lists stream with their owner and come back whole.
TEST(MenuStreamingTest, FormPartsRoundTrip) {
  auto* root = Create<TStreamRoot>(nullptr);
  root->SetName(u"Form1");
  auto* images = Create<TImageList>(root);
  images->SetName(u"Images");
  images->SetSize(2, 1);
  TBitmap strip(4, 1);
  images->Add(&strip);
  auto* actions = Create<TActionList>(root);
  actions->SetName(u"Actions");
  actions->SetImages(images);
  auto* open = Create<TAction>(root);
  open->SetName(u"acOpen");
  open->SetActionList(actions);
  open->SetCaption(u"&Open");
  open->SetShortCut(TextToShortCut(u"Ctrl+O"));
  open->GetSecondaryShortCuts()->Add(u"Shift+Ins");
  auto* menu = Create<TMainMenu>(root);
  menu->SetName(u"Menu");
  menu->SetImages(images);
  auto* file = Create<TMenuItem>(root);
  file->SetName(u"File");
  file->SetCaption(u"&File");
  menu->GetItems()->Add(file);
  auto* item = Create<TMenuItem>(root);
  item->SetName(u"FileOpen");
  file->Add(item);
  item->SetAction(open);
  auto* exit = Create<TMenuItem>(root);
  exit->SetName(u"FileExit");
  exit->SetCaption(u"E&xit");
  exit->SetShortCut(TShortCut(scAlt | VK_F4));
  file->Add(exit);

  TMemoryStream stream;
  WriteComponent(&stream, root);
  Free(root);
  stream.SetPosition(0);
  auto* copy = Create<TStreamRoot>(nullptr);
  ReadComponent(&stream, copy);

  auto* menu2 = dynamic_cast<TMainMenu*>(copy->FindComponent(u"Menu"));
  auto* open2 = dynamic_cast<TAction*>(copy->FindComponent(u"acOpen"));
  auto* images2 = dynamic_cast<TImageList*>(copy->FindComponent(u"Images"));
  ASSERT_TRUE(menu2 && open2 && images2);
  EXPECT_EQ(images2->GetCount(), 2);
  EXPECT_EQ(menu2->GetImages(), images2);
  EXPECT_EQ(open2->GetActionList(), copy->FindComponent(u"Actions"));
  EXPECT_EQ(open2->GetSecondaryShortCuts()->GetShortCuts(0), TShortCut(scShift | VK_INSERT));
  ASSERT_EQ(menu2->GetItems()->GetCount(), 1);
  TMenuItem* file2 = menu2->GetItems()->GetItem(0);
  ASSERT_EQ(file2->GetCount(), 2);
  EXPECT_EQ(file2->GetItem(0)->GetAction(), open2);
  EXPECT_EQ(file2->GetItem(0)->GetCaption(), u"&Open");
  EXPECT_EQ(file2->GetItem(1)->GetCaption(), u"E&xit");
  EXPECT_EQ(menu2->FindItem(TShortCut(scAlt | VK_F4), fkShortCut), file2->GetItem(1));
  Free(copy);
}

}  // namespace
