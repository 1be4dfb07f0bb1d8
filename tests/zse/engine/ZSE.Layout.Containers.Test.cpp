#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.TypInfo.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zse/engine/ZSE.Animations.h"
#include "zse/engine/ZSE.Layout.Containers.h"

namespace {

// A splitter 4 pixels thick at 96 DPI (the texture's frame in a skin).
class TTestSplitView : public TZSELayoutSplitView {
  ZCL_CLASS(TTestSplitView, TZSELayoutSplitView)
 public:
  Integer Thickness = 4;
  Integer GetSplitterThickness() override { return Thickness * GetCurrentDpi() / 96; }
};

// Forms made here count as the skin manager's (the hook stands in for the manager).
struct ContainersFixture : ::testing::Test {
  TZSELayout* Root = nullptr;
  std::function<bool(TZSEBaseForm*)> SavedHook;
  void SetUp() override {
    SavedHook = TZSELayoutDockSite::IsSkinManagerForm;
    TZSELayoutDockSite::IsSkinManagerForm = [](TZSEBaseForm*) { return true; };
    Root = Create<TZSELayout>(nullptr);
  }
  void TearDown() override {
    Free(Root);
    TZSELayoutDockSite::IsSkinManagerForm = SavedHook;
  }

  template <class T>
  T* Add(TZSELayoutCustomItem* Parent, TZSELayoutAlignment Alignment, Integer MinW = 0, Integer MinH = 0) {
    auto* item = Create<T>();
    item->SetParent(Parent);
    item->SetAlignment(Alignment);
    item->GetSizeMinimal()->SetValue(TSize(MinW, MinH));
    return item;
  }
  void Layout(const TRect& R) {
    Root->ResetLayoutState();
    Root->SetBounds(R);
  }
};

using SplitView = ContainersFixture;
using ScrollView = ContainersFixture;
using DockSite = ContainersFixture;

TEST_F(SplitView, FixedValueIsStoredAt96Dpi) {
  auto* view = Add<TTestSplitView>(Root, laClient);
  auto* left = Add<TZSELayoutItem>(view, laLeft, 100);
  auto* rest = Add<TZSELayoutItem>(view, laClient);
  Layout(TRect(0, 0, 600, 100));
  ASSERT_EQ(view->GetSplitMode(), 1);
  view->SetSplitValue(50);
  EXPECT_EQ(left->GetBounds().Width(), 150);
  EXPECT_EQ(view->GetSplitterRect(), TRect(150, 0, 154, 100));
  EXPECT_EQ(rest->GetBounds().Left, 154);

  Root->SetCurrentDpi(192);
  Layout(TRect(0, 0, 1200, 200));
  EXPECT_EQ(view->GetSplitValue(), 100);
  EXPECT_EQ(view->GetStoredSplitValue(), 50);
  EXPECT_EQ(left->GetBounds().Width(), 300);

  // Beyond the end stops at the room left; before the start gives 0.
  view->BeginSplitterDrag(TPoint(301, 10));
  view->DragSplitterTo(TPoint(5000, 10));
  EXPECT_EQ(view->GetSplitValue(), 1200 - 200 - 8);
  view->DragSplitterTo(TPoint(-5000, 10));
  EXPECT_EQ(view->GetSplitValue(), 0);
  view->EndSplitterDrag();
}

TEST_F(SplitView, ProportionalDividesByPercentSteps) {
  auto* view = Add<TTestSplitView>(Root, laClient);
  view->SetLayoutDirection(ldVertical);
  auto* a = Add<TZSELayoutItem>(view, laClient);
  auto* b = Add<TZSELayoutItem>(view, laClient);
  Layout(TRect(0, 0, 100, 204));
  ASSERT_EQ(view->GetSplitMode(), 2);
  EXPECT_TRUE(view->GetVertical());
  EXPECT_EQ(a->GetBounds().Height(), 0);
  view->SetSplitValue(100);
  EXPECT_EQ(a->GetBounds().Height(), 100);  // half of 204 - 4
  EXPECT_EQ(b->GetBounds(), TRect(0, 104, 100, 204));
  view->SetSplitValue(-100);
  EXPECT_EQ(a->GetBounds().Height(), 0);
  view->SetSplitValue(250);
  EXPECT_EQ(view->GetSplitValue(), 250);  // the number is kept; the layout clamps it to 100
  EXPECT_EQ(a->GetBounds().Height(), 100);

  // Hiding a pane leaves no pair: the splitter goes and the other fills the view.
  b->SetVisible(false);
  Layout(TRect(0, 0, 100, 204));
  EXPECT_EQ(view->GetSplitMode(), 0);
  EXPECT_TRUE(view->GetSplitterRect().IsEmpty());
  EXPECT_EQ(a->GetBounds(), TRect(0, 0, 100, 204));
}

TEST_F(SplitView, DragWithoutRoomKeepsTheValue) {
  auto* view = Add<TTestSplitView>(Root, laClient);
  view->SetLayoutDirection(ldVertical);
  Add<TZSELayoutItem>(view, laClient);
  Add<TZSELayoutItem>(view, laClient);
  view->SetSplitValue(40);
  // The view is exactly as high as its splitter: no length to divide by.
  Layout(TRect(0, 0, 100, 4));
  view->BeginSplitterDrag(TPoint(50, 1));
  view->DragSplitterTo(TPoint(50, 3));
  EXPECT_EQ(view->GetSplitValue(), 0);
  EXPECT_EQ(ZSESplitProportionalValue(10, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(ZSESplitProportionalValue(50, 100, 0, 0, 0, 0), 100);
}

// The splitter is an element of the view: hit before the panes, and a left-button drag on it
// moves the split as the pointer goes.
TEST_F(SplitView, TheSplitterElementIsHitFirstAndDragsTheSplit) {
  auto* view = Add<TTestSplitView>(Root, laClient);
  auto* left = Add<TZSELayoutItem>(view, laLeft, 100);
  Add<TZSELayoutItem>(view, laClient);
  Layout(TRect(0, 0, 600, 100));
  view->SetSplitValue(50);
  TZSELayoutSplitViewSplitter* splitter = view->GetSplitter();
  ASSERT_EQ(splitter->GetBounds(), TRect(150, 0, 154, 100));
  auto hit = [&](TPoint P) {
    TZSELayoutHitTestInfo info;
    info.Point = P;
    Root->HitTest(info);
    return info.Control;
  };
  EXPECT_EQ(hit(TPoint(152, 50)), splitter);
  EXPECT_EQ(hit(TPoint(140, 50)), nullptr);
  EXPECT_EQ(splitter->GetCursorAt(TPoint()), crHSplit);
  EXPECT_NE(GetPropInfo(view, u"TextureSplitter"), nullptr) << "skins store the splitter's image";

  // Points reach the element in its own coordinates, which move with it.
  auto local = [&](TPoint P) { return TPoint(P.X - splitter->GetBounds().Left, P.Y - splitter->GetBounds().Top); };
  splitter->MouseDown(TMouseButton::Left, {}, local(TPoint(152, 50)));
  splitter->MouseMove({}, local(TPoint(162, 50)));
  splitter->MouseMove({}, local(TPoint(182, 50)));
  EXPECT_EQ(left->GetBounds().Width(), 180);
  splitter->MouseUp(TMouseButton::Left, {}, local(TPoint(182, 50)));
  EXPECT_FALSE(view->GetDragging());
  splitter->MouseMove({}, local(TPoint(250, 50)));
  EXPECT_EQ(left->GetBounds().Width(), 180) << "no drag without the button";

  view->SetShowSplitter(false);
  Layout(TRect(0, 0, 600, 100));
  EXPECT_NE(hit(TPoint(182, 50)), splitter) << "a hidden splitter takes no input";
}

TEST_F(SplitView, HitZoneAndSettings) {
  auto* view = Add<TTestSplitView>(Root, laClient);
  Add<TZSELayoutItem>(view, laTop, 0, 30);
  Add<TZSELayoutItem>(view, laClient);
  view->Thickness = 2;
  Layout(TRect(0, 0, 100, 100));
  EXPECT_EQ(view->GetSplitterRect(), TRect(0, 30, 100, 32));
  EXPECT_TRUE(view->SplitterHitTest(TPoint(10, 27)));  // 8 pixels about the centre line
  EXPECT_FALSE(view->SplitterHitTest(TPoint(10, 36)));

  TZCLIniFile* ini = TZCLIniFile::CreateInMemory();
  view->LoadSettings(ini, u"Main.Split");
  EXPECT_TRUE(view->GetShowSplitter());
  EXPECT_EQ(view->GetSplitValue(), 0);
  view->SetSplitValue(12);
  view->SetShowSplitter(false);
  view->SaveSettings(ini, u"Main.Split");
  EXPECT_EQ(ini->ReadInteger(u"Main.Split", u"SplitValue", 0), 12);
  EXPECT_FALSE(ini->ReadBool(u"Main.Split", u"Splitter", true));
  EXPECT_FALSE(ini->ReadBool(u"Main.Split", u"Visible", false));  // equal to its default: deleted
  Free(ini);
}

TEST_F(ScrollView, PositionIsClampedToTheContent) {
  auto* view = Add<TZSELayoutScrollView>(Root, laClient);
  auto* content = Add<TZSELayoutItem>(view, laTop, 50, 1000);
  Layout(TRect(0, 0, 200, 300));
  TZSEScrollInfo info;
  ASSERT_TRUE(view->GetScrollInfo(true, info));
  EXPECT_EQ(info.Max, 999);
  EXPECT_EQ(info.Page, 300);
  EXPECT_FALSE(view->GetScrollInfo(false, info));  // fits horizontally
  view->ScrollTo(TPoint(40, 900));
  EXPECT_EQ(view->GetScrollPosition(), TPoint(0, 700));
  EXPECT_EQ(content->GetBounds().Top, -700);

  // Panning: the content follows the pointer.
  view->ScrollTo(TPoint(0, 100));
  view->Pan(TPoint(10, 200), 1);
  view->Pan(TPoint(10, 150), 0);
  view->Pan(TPoint(10, 150), 4);
  EXPECT_EQ(view->GetScrollPosition(), TPoint(0, 150));

  // Growing the view to the content re-clamps at the next layout.
  Layout(TRect(0, 0, 200, 1000));
  EXPECT_EQ(view->GetScrollPosition(), TPoint(0, 0));
}

TEST_F(ScrollView, WheelStepFollowsTheDpi) {
  auto* view = Add<TZSELayoutScrollView>(Root, laClient);
  Add<TZSELayoutItem>(view, laTop, 2000, 2000);
  Root->SetCurrentDpi(144);
  Layout(TRect(0, 0, 300, 300));
  view->WheelStep(true, false);
  EXPECT_EQ(view->GetScrollPosition(), TPoint(0, 21));
  view->WheelStep(true, true);
  EXPECT_EQ(view->GetScrollPosition(), TPoint(21, 21));
  view->WheelStep(false, false);
  EXPECT_EQ(view->GetScrollPosition(), TPoint(21, 0));
}

TEST_F(DockSite, AllowedFormsDefaultAndRestrictions) {
  auto* site = Add<TZSELayoutDockSite>(Root, laClient);
  site->SetName(u"Site");
  auto* a = TCustomForm::CreateNew<TZSEForm>(nullptr);
  auto* b = TCustomForm::CreateNew<TZSEForm>(nullptr);
  a->SetName(u"A");
  b->SetName(u"B");
  site->GetAllowedForms()->Add(a);
  site->GetAllowedForms()->Add(b);
  site->GetAllowedForms()->SetDefault(b);
  EXPECT_TRUE(site->IsDefault(b));
  EXPECT_FALSE(site->IsDefault(a));
  EXPECT_FALSE(site->GetVisible());

  // NoUndocking on an empty site docks its default form, which then cannot leave.
  site->SetRestriction(ldsrNoUndocking);
  EXPECT_EQ(site->GetDockedForm(), b);
  EXPECT_TRUE(b->GetDocked());
  EXPECT_THROW(site->Undock(), EZSEDockSiteCannotReleaseForm);
  // NoDocking: nothing is accepted and the docked form leaves at once.
  site->SetRestriction(ldsrNoDocking);
  EXPECT_EQ(site->GetDockedForm(), nullptr);
  EXPECT_FALSE(b->GetDocked());
  EXPECT_FALSE(site->CanAccept(a));
  try {
    site->Dock(a);
    FAIL() << "docked";
  } catch (const EZSEDockSiteCannotAcceptForm& e) {
    EXPECT_EQ(e.GetMessage(), u"The \"Site\" docksite cannot accept the \"A\" form");
  }
  site->SetRestriction(ldsrNone);
  Free(a);
  Free(b);
}

TEST_F(DockSite, DestroyedFormLeavesEveryEntry) {
  auto* site = Add<TZSELayoutDockSite>(Root, laClient);
  auto* a = TCustomForm::CreateNew<TZSEForm>(nullptr);
  auto* b = TCustomForm::CreateNew<TZSEForm>(nullptr);
  TZSELayoutDockSiteForms* forms = site->GetAllowedForms();
  forms->Add(a);
  forms->Add(b);
  forms->Add(a);
  forms->SetDefault(a);
  // Removing takes the first entry only.
  forms->Remove(a);
  EXPECT_EQ(forms->GetCount(), 2);
  EXPECT_EQ(forms->GetDefault(), a);
  forms->Add(a);
  a->SetFormVisible(true);
  site->Dock(a);
  EXPECT_FALSE(a->GetVisible());  // drawn by the host, not in a window of its own
  EXPECT_TRUE(site->GetVisible());
  Free(a);
  EXPECT_EQ(forms->GetCount(), 1);
  EXPECT_EQ(forms->GetItem(0), b);
  EXPECT_EQ(forms->GetDefault(), nullptr);
  EXPECT_EQ(site->GetDockedForm(), nullptr);
  EXPECT_FALSE(site->GetVisible());
  Free(b);
}

TEST_F(DockSite, HighlightedSiteShowsButIsNotHit) {
  auto* site = Add<TZSELayoutDockSite>(Root, laClient);
  site->SetHighlighted(true);
  EXPECT_TRUE(site->GetVisible());
  Layout(TRect(0, 0, 100, 100));
  EXPECT_FALSE(site->HitTestSelf(TPoint(50, 50)));
  site->SetHighlighted(false);
  EXPECT_FALSE(site->GetVisible());
}

}  // namespace

namespace {

struct TabbedGroup : ContainersFixture {
  TZSELayoutTabbedGroup* Group = nullptr;
  TZSELayoutContainer* Pages[3] = {};
  void SetUp() override {
    ContainersFixture::SetUp();
    Group = Add<TZSELayoutTabbedGroup>(Root, laClient);
    const Char* names[3] = {u"P0", u"P1", u"P2"};
    for (int i = 0; i < 3; ++i) {
      Pages[i] = Add<TZSELayoutContainer>(Group, laClient);
      Pages[i]->SetName(names[i]);
    }
  }
  bool OnlyVisible(int Index) const {
    for (int i = 0; i < 3; ++i)
      if (Pages[i]->GetVisible() != (i == Index)) return false;
    return true;
  }
};

TEST_F(TabbedGroup, OnePageIsShownAndRequestsAreClamped) {
  EXPECT_EQ(Group->GetPageCount(), 3);
  EXPECT_EQ(Group->GetPageIndex(), 0);  // the first page added
  EXPECT_TRUE(OnlyVisible(0));
  Group->SetPageIndex(1);
  EXPECT_TRUE(OnlyVisible(1));
  EXPECT_EQ(Group->GetUserSelectedPage(), u"P1");
  // Hiding the active page is overruled; showing another page switches to it.
  Pages[1]->SetVisible(false);
  EXPECT_TRUE(Pages[1]->GetVisible());
  Pages[2]->SetVisible(true);
  EXPECT_EQ(Group->GetPageIndex(), 2);
  EXPECT_TRUE(OnlyVisible(2));
  Group->SetPageIndex(-5);
  EXPECT_EQ(Group->GetPageIndex(), 0);
  Group->SetPageIndex(99);
  EXPECT_EQ(Group->GetPageIndex(), 2);
}

TEST_F(TabbedGroup, DisabledPagesLeaveAndComeBackToTheUsersChoice) {
  Group->SetPageIndex(1);
  Pages[1]->SetEnabled(false);
  EXPECT_EQ(Group->GetPageCount(), 2);
  EXPECT_EQ(Group->GetActivePage(), Pages[2]);  // the page that moved into its place
  EXPECT_FALSE(Pages[1]->GetVisible());
  Pages[1]->SetVisible(true);  // a disabled page cannot be shown
  EXPECT_FALSE(Pages[1]->GetVisible());
  Pages[1]->SetEnabled(true);
  EXPECT_EQ(Group->GetActivePage(), Pages[1]);
  // Removing every page leaves no active page.
  for (auto* p : Pages) Free(p);
  EXPECT_EQ(Group->GetPageIndex(), -1);
}

TEST_F(TabbedGroup, StateAndAnimationChoice) {
  TZCLIniFile* ini = TZCLIniFile::CreateInMemory();
  ini->WriteString(u"G", u"ActivePage", u"p2");
  Group->LoadSettings(ini, u"G");
  EXPECT_EQ(Group->GetPageIndex(), 2);
  ini->WriteString(u"G", u"ActivePage", u"Missing");
  Group->LoadSettings(ini, u"G");
  EXPECT_EQ(Group->GetPageIndex(), 0);
  Group->SaveSettings(ini, u"G");
  EXPECT_EQ(ini->ReadString(u"G", u"ActivePage", u""), u"P0");
  Free(ini);

  Group->SetAnimationTime(7000);
  EXPECT_EQ(Group->GetAnimationTime(), 5000);
  Group->SetAnimationTime(-1);
  EXPECT_EQ(Group->GetAnimationTime(), 0);
  EXPECT_FALSE(Group->CanAnimate());
  bool reversed = false;
  Group->SetAnimation(tgaSlideHorizontal);
  std::unique_ptr<TZCLFramesAnimator> a(Group->CreateSwitchAnimator(0, 2, reversed));
  EXPECT_NE(dynamic_cast<TZCLAnimatorSlideRightToLeft*>(a.get()), nullptr);
  a.reset(Group->CreateSwitchAnimator(2, 0, reversed));
  EXPECT_NE(dynamic_cast<TZCLAnimatorSlideLeftToRight*>(a.get()), nullptr);
  Group->SetAnimation(tgaPaperSlide);
  a.reset(Group->CreateSwitchAnimator(2, 0, reversed));
  EXPECT_TRUE(reversed);

  // The easing is a published enumeration, so skins and the inspector set it by name.
  EXPECT_EQ(GetEnumProp(Group, u"AnimationTransitionMode"), u"ateAccelerateDecelerate");
  SetEnumProp(Group, u"AnimationTransitionMode", u"ateTanh");
  EXPECT_EQ(Group->GetAnimationTransitionMode(), ateTanh);
}

TEST_F(TabbedGroup, AnimatedSwitchDrawsThroughTheAnimation) {
  Group->SetAnimation(tgaFade);
  Group->SetAnimationTime(100);
  Layout(TRect(0, 0, 40, 30));
  Group->SetPageIndex(1);
  TZSEAnimation* animation = nullptr;
  EXPECT_TRUE(TZSEAnimations::Find(Group, animation));
  TZSEAnimations::Stop(Group);
  EXPECT_FALSE(TZSEAnimations::Find(Group, animation));
}

TEST_F(ContainersFixture, ContainerStateKeepsVisibilityAndStoredSize) {
  auto* c = Add<TZSELayoutContainer>(Root, laTop);
  c->SetName(u"Panel1");
  EXPECT_EQ(c->GetActualDisplayName(), u"Panel1");
  c->SetDisplayName(u"Library");
  EXPECT_EQ(c->GetActualDisplayName(), u"Library");
  TZCLIniFile* ini = TZCLIniFile::CreateInMemory();
  ini->WritePoint(u"F.Panel1", u"SizeStored", TPoint(100, 50));
  ini->WriteBool(u"F.Panel1", u"Visible", false);
  Root->SetCurrentDpi(192);
  c->LoadSettings(ini, u"F.Panel1");
  EXPECT_FALSE(c->GetVisible());
  EXPECT_EQ(c->GetStoredSize(), TSize(200, 100));
  c->SetVisible(true);
  c->SaveSettings(ini, u"F.Panel1");
  EXPECT_FALSE(ini->ExistsKey(u"F.Panel1", u"Visible"));  // equal to InitialVisible
  EXPECT_EQ(ini->ReadPoint(u"F.Panel1", u"SizeStored"), TPoint(100, 50));
  // Auto-hidden containers never store their visibility.
  c->SetAutoHide(true);
  c->SetVisible(false);
  c->SaveSettings(ini, u"F.Panel1");
  EXPECT_FALSE(ini->ExistsKey(u"F.Panel1", u"Visible"));
  Free(ini);
}

}  // namespace

#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zse/engine/ZSE.Schema.h"

namespace {

TEST_F(DockSite, AllowedFormsAreStoredByName) {
  auto* a = TCustomForm::CreateNew<TZSEForm>(nullptr);
  auto* b = TCustomForm::CreateNew<TZSEForm>(nullptr);
  a->SetName(u"Playlist");
  b->SetName(u"Library");
  auto* site = Add<TZSELayoutDockSite>(Root, laClient);
  site->SetName(u"Site");
  site->GetAllowedForms()->Add(a);
  site->GetAllowedForms()->Add(b);
  site->GetAllowedForms()->SetDefault(b);
  TZSESchema schema;
  TZCLXMLDocument* doc = Create<TZCLXMLDocument>();
  Root->SaveToXML(doc->Add(u"layout"), &schema);

  // Loading finds the forms by name; a name of no form is skipped, and so is a default that
  // is not among them.
  TZCLXMLNode* allowed = nullptr;
  std::function<void(TZCLXMLNode*)> find = [&](TZCLXMLNode* n) {
    for (Integer i = 0; i < n->GetCount(); ++i) {
      TZCLXMLNode* c = n->GetNode(i);
      if (c->GetAttributes()->GetValue(u"name") == u"AllowedForms") allowed = c;
      find(c);
    }
  };
  find(doc->GetNode(0));
  ASSERT_NE(allowed, nullptr);
  EXPECT_EQ(allowed->GetAttributes()->GetValue(u"default"), u"Library");
  allowed->Add(u"form")->GetAttributes()->SetValue(u"name", u"Nowhere");
  TZSELayout* back = Create<TZSELayout>(nullptr);
  back->LoadFromXML(doc->GetNode(0), &schema);
  TZSELayoutCustomItem* item = nullptr;
  ASSERT_TRUE(back->FindItem(u"Site", item));
  TZSELayoutDockSiteForms* forms = static_cast<TZSELayoutDockSite*>(item)->GetAllowedForms();
  ASSERT_EQ(forms->GetCount(), 2);
  EXPECT_EQ(forms->GetItem(0), a);
  EXPECT_EQ(forms->GetDefault(), b);
  Free(back);
  Free(doc);
  Free(a);
  Free(b);
}

}  // namespace

namespace {

// Records what a provider tells its clients: changed services and, as a tab control, pages.
class TRecordingClient : public TInterfacedObject, public IZSEBindingClient, public IZSEBindingClientTabControl {
  RTL_INTERFACES(TInterfacedObject, IZSEBindingClient, IZSEBindingClientTabControl)
 public:
  void Changed(TComponent*, const String& ServiceName) override { Log.push_back(ServiceName); }
  void ItemAdded(TObject* Item) override { Record(u"+", Item); }
  void ItemsChanged(TObject* Item) override { Record(u"*", Item); }
  void ItemChanged(TObject* Item) override { Record(u"~", Item); }
  void ItemMoved(TObject* Item, Integer NewIndex) override { Record(u">" + IntToStr(NewIndex), Item); }
  void ItemRemoved(TObject* Item) override { Record(u"-", Item); }
  bool Saw(const String& Entry) const { return std::find(Log.begin(), Log.end(), Entry) != Log.end(); }
  std::vector<String> Log;

 private:
  void Record(const String& Kind, TObject* Item) {
    Log.push_back(Kind + static_cast<TComponent*>(static_cast<TZSELayoutContainer*>(Item))->GetName());
  }
};

template <class I>
IPtr<I> Service(IZSEBindingProvider* Provider, const String& Name) {
  IPtr<I> service;
  GetBindingService(Provider, Name, service);
  return service;
}

TEST_F(ContainersFixture, ContainerServicesReadAndToggle) {
  auto* c = Add<TZSELayoutContainer>(Root, laTop);
  c->SetVisible(true);
  IPtr<TRecordingClient> client(Create<TRecordingClient>());
  c->AddClient(client.get());
  auto active = Service<IZSEBindingServiceDataBoolean>(c, u"isactive");
  ASSERT_TRUE(active);
  EXPECT_FALSE(active->GetBooleanValue());
  c->SetActive(true);
  EXPECT_TRUE(active->GetBooleanValue());
  EXPECT_TRUE(client->Saw(u"IsActive"));

  auto visibility = Service<IZSEBindingServiceAction>(c, u"Visibility");
  ASSERT_TRUE(visibility);
  visibility->Execute();
  EXPECT_FALSE(c->GetVisible());
  EXPECT_FALSE(Service<IZSEBindingServiceDataBoolean>(c, u"Visibility")->GetBooleanValue());
  EXPECT_TRUE(client->Saw(u"Visibility"));
  visibility->Execute();
  EXPECT_TRUE(c->GetVisible());
  c->RemoveClient(client.get());
}

TEST_F(TabbedGroup, ServicesFollowTheActivePage) {
  IPtr<TRecordingClient> client(Create<TRecordingClient>());
  Group->AddClient(client.get());
  Pages[1]->SetDisplayName(u"Second");
  EXPECT_TRUE(client->Saw(u"~P1"));  // bound tab controls re-read the caption

  auto scroll = Service<IZSEBindingServiceActionScroll>(Group, u"ActivePage");
  ASSERT_TRUE(scroll);
  Integer max = 0, min = -1, page = 0, step = 0, position = -1;
  scroll->GetScrollInfo(max, min, page, step, position);
  EXPECT_EQ((std::vector<Integer>{max, min, page, step, position}), (std::vector<Integer>{2, 0, 1, 1, 0}));
  position = 1;
  scroll->SetPosition(position);
  EXPECT_EQ(Service<IZSEBindingServiceDataText>(Group, u"ActivePage")->GetTextValue(), u"Second");
  EXPECT_TRUE(client->Saw(u"ActivePage"));
  position = 99;
  scroll->SetPosition(position);
  EXPECT_EQ(position, 2);
  EXPECT_EQ(Service<IZSEBindingServiceDataInteger>(Group, u"ActivePage")->GetIntegerValue(), 2);

  // The page's own visibility service cannot hide the active page; showing another switches.
  Service<IZSEBindingServiceAction>(Pages[2], u"Visibility")->Execute();
  EXPECT_TRUE(OnlyVisible(2));
  Service<IZSEBindingServiceAction>(Pages[0], u"Visibility")->Execute();
  EXPECT_EQ(Group->GetPageIndex(), 0);

  auto pages = Service<IZSEBindingServiceTabControl>(Group, u"Pages");
  ASSERT_TRUE(pages);
  std::vector<String> captions;
  pages->EnumItems([&](TObject* Item) { captions.push_back(pages->GetItemCaption(Item)); });
  EXPECT_EQ(captions, (std::vector<String>{u"P0", u"Second", u"P2"}));
  pages->SetActiveItem(Pages[1]);
  EXPECT_EQ(pages->GetActiveItem(), Pages[1]);

  Pages[2]->SetEnabled(false);
  EXPECT_TRUE(client->Saw(u"-P2"));
  Pages[2]->SetEnabled(true);
  EXPECT_TRUE(client->Saw(u"+P2"));
  EXPECT_TRUE(client->Saw(u">2P2"));
  Group->RemoveClient(client.get());

  for (auto* p : Pages) Free(p);
  EXPECT_EQ(Service<IZSEBindingServiceDataText>(Group, u"ActivePage")->GetTextValue(), u"");
  EXPECT_EQ(Service<IZSEBindingServiceDataInteger>(Group, u"ActivePage")->GetIntegerValue(), -1);
}

TEST_F(TabbedGroup, PagesNeverStoreTheirVisibility) {
  TZCLIniFile* ini = TZCLIniFile::CreateInMemory();
  ini->WriteBool(u"G.P1", u"Visible", true);
  ini->WritePoint(u"G.P1", u"SizeStored", TPoint(10, 20));
  Pages[1]->LoadSettings(ini, u"G.P1");
  EXPECT_TRUE(OnlyVisible(0));  // the group decides
  EXPECT_EQ(Pages[1]->GetStoredSize(), TSize(10, 20));
  Pages[0]->SaveSettings(ini, u"G.P0");
  EXPECT_FALSE(ini->ExistsKey(u"G.P0", u"Visible"));
  Free(ini);
}

TEST_F(SplitView, SplitterVisibilityService) {
  auto* view = Add<TTestSplitView>(Root, laClient);
  Add<TZSELayoutItem>(view, laLeft, 100);
  Add<TZSELayoutItem>(view, laClient);
  Layout(TRect(0, 0, 600, 100));
  IPtr<TRecordingClient> client(Create<TRecordingClient>());
  view->AddClient(client.get());
  auto action = Service<IZSEBindingServiceAction>(view, u"SplitterVisibility");
  ASSERT_TRUE(action);
  action->Execute();
  EXPECT_FALSE(view->GetShowSplitter());
  EXPECT_FALSE(Service<IZSEBindingServiceDataBoolean>(view, u"SplitterVisibility")->GetBooleanValue());
  EXPECT_TRUE(client->Saw(u"SplitterVisibility"));
  Layout(TRect(0, 0, 600, 100));
  EXPECT_TRUE(view->GetSplitterRect().IsEmpty());
  view->RemoveClient(client.get());
}

TEST_F(ScrollView, ScrollBarServicesAndMakeVisible) {
  auto* view = Add<TZSELayoutScrollView>(Root, laClient);
  auto* content = Add<TZSELayoutItem>(view, laTop, 50, 1000);
  Root->SetCurrentDpi(192);
  Layout(TRect(0, 0, 200, 300));
  // Minimal sizes are at 96 DPI: the content is 2000 high here.
  auto vert = Service<IZSEBindingServiceActionScroll>(view, u"ScrollBarVert");
  auto horz = Service<IZSEBindingServiceAccessibility>(view, u"ScrollBarHorz");
  ASSERT_TRUE(vert && horz);
  Integer max = 0, min = -1, page = 0, step = 0, position = -1;
  vert->GetScrollInfo(max, min, page, step, position);
  EXPECT_EQ((std::vector<Integer>{max, min, page, step, position}), (std::vector<Integer>{1999, 0, 300, 28, 0}));
  EXPECT_TRUE(Service<IZSEBindingServiceAccessibility>(view, u"ScrollBarVert")->GetAccessible());
  EXPECT_FALSE(horz->GetAccessible());
  position = 5000;
  vert->SetPosition(position);
  EXPECT_EQ(position, 1700);

  // Mode 0 scrolls just enough; an element taller than the view is aligned to its top; a
  // request from inside the content reaches the view.
  view->ScrollTo(TPoint(0, 0));
  view->MakeVisible(TRect(0, 400, 10, 450), 0);
  EXPECT_EQ(view->GetScrollPosition().Y, 150);
  view->MakeVisible(TRect(0, 600, 10, 1200), 0);
  EXPECT_EQ(view->GetScrollPosition().Y, 150 + 600);
  view->ScrollTo(TPoint(0, 0));
  auto* inner = Add<TZSELayoutItem>(content, laTop, 10, 10);
  inner->SetVisible(true);
  Layout(TRect(0, 0, 200, 300));
  content->MakeVisible(TRect(0, 1000, 10, 1100), 1);
  EXPECT_EQ(view->GetScrollPosition().Y, 1000);
  // A pan in progress wins.
  view->Pan(TPoint(5, 5), 1);
  view->MakeVisible(TRect(0, 0, 10, 10), 1);
  EXPECT_EQ(view->GetScrollPosition().Y, 1000);
  view->Pan(TPoint(-1, -1), 4);
}

}  // namespace
