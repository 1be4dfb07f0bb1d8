#include <gtest/gtest.h>

#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.Forms.h"
#include "zcl/ui/controls/ZCL.UI.Menus.h"

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "ZSE.BindingsTestSupport.h"
#include "vcl/VCL.Menus.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.FileFormats.XML.h"

namespace {

template <class T>
struct TFreeObject {
  void operator()(T* Obj) const { Free(Obj); }
};
template <class T>
using TOwned = std::unique_ptr<T, TFreeObject<T>>;

class ZseBindings : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterBindingTestClasses(); }
  void SetUp() override {
    Provider.reset(Create<TTestProvider>(nullptr, u"prvTest"));
    Element.reset(Create<TTestElement>(nullptr));
  }
  TZSEBindingProvider* P() const { return Provider->Provider(); }
  TZSECustomBindings* B() const { return Element->GetBindings(); }

  // Element must go first: its links watch the provider.
  TOwned<TTestProvider> Provider;
  TOwned<TTestElement> Element;
};

TEST_F(ZseBindings, ProviderFindsServicesIgnoringCaseAndKeepsTheFirstOfAName) {
  ASSERT_TRUE(P()->RegisterService(u"TrackPosition", Create<TIntegerService>(1)));
  EXPECT_FALSE(P()->RegisterService(u"TRACKPOSITION", Create<TIntegerService>(2)));  // refused and freed
  EXPECT_EQ(P()->GetServiceCount(), 1);
  for (const String& name : {u"trackposition", u"TrackPosition", u"TRACKPOSITION"}) {
    IPtr<IZSEBindingServiceDataInteger> service;
    ASSERT_TRUE(GetBindingService(P(), name, service)) << String(name).size();
    EXPECT_EQ(service->GetIntegerValue(), 1);
  }
  IPtr<IZSEBindingServiceDataText> text;
  EXPECT_FALSE(GetBindingService(P(), u"TrackPosition", text));
  EXPECT_FALSE(GetBindingService(P(), u"Unknown", text));
  EXPECT_EQ(P()->GetServiceName(nullptr), u"");

  // The provider registry finds components by name ignoring case.
  EXPECT_EQ(TZSEBindingProviders::Find(u"PRVTEST"), Provider.get());
  EXPECT_EQ(TZSEBindingProviders::Find(u"prvTes"), nullptr);
  TZSEBindingLink* orphan = B()->AddLink(u"prvMissing", u"A", u"DisplayValue");
  EXPECT_EQ(orphan->GetSource(), nullptr);
  EXPECT_EQ(B()->AddLink(u"prvtest", u"A", u"DisplayValue")->GetSource(), Provider.get());
}

TEST_F(ZseBindings, DestroyingAProviderThatServesItselfLeavesTheOwnerAlone) {
  auto* owner = Create<TTestProvider>(nullptr, u"prvSelf");
  owner->Provider()->RegisterService(u"Self", owner);
  owner->Provider()->ClearServices();
  EXPECT_EQ(owner->Provider()->GetServiceCount(), 0);
  EXPECT_EQ(owner->GetName(), u"prvSelf");  // still alive
  Free(owner);
  EXPECT_EQ(TZSEBindingProviders::Find(u"prvSelf"), nullptr);
}

TEST_F(ZseBindings, ReadsConvertBetweenTextIntegerAndBoolean) {
  struct Case {
    const char16_t* Text;
    Integer AsInteger;
    bool AsBoolean;
  };
  const Case cases[] = {{u"12", 12, true}, {u"abc", 3, true}, {u"", 0, false}, {u"-4", -4, true}, {u"0", 0, false}};
  auto* service = Create<TTextService>(u"");
  P()->RegisterService(u"Title", service);
  B()->AddLink(Provider.get(), u"Title", u"DisplayValue");
  for (const Case& c : cases) {
    service->Value = c.Text;
    Integer i = -99;
    bool b = !c.AsBoolean;
    String t;
    ASSERT_TRUE(B()->GetDataAsInteger(u"DisplayValue", i));
    ASSERT_TRUE(B()->GetDataAsBoolean(u"DisplayValue", b));
    ASSERT_TRUE(B()->GetDataAsText(u"DisplayValue", t));
    EXPECT_EQ(i, c.AsInteger) << String(c.Text).size();
    EXPECT_EQ(b, c.AsBoolean);
    EXPECT_EQ(t, c.Text);
  }
  // No link, or a link to nothing: the defaults.
  EXPECT_EQ(B()->GetDataAsIntegerDef(u"Hint", 5), 5);
  EXPECT_TRUE(B()->GetDataAsBooleanDef(u"Hint", true));
  EXPECT_EQ(B()->GetDataAsText(u"Hint", u"%v"), u"");
}

TEST_F(ZseBindings, TemplatesApplyToTextServicesAndToNumbersOnlyWhenTheCallerGivesOne) {
  P()->RegisterService(u"Title", Create<TTextService>(u"Song"));
  P()->RegisterService(u"Volume", Create<TIntegerService>(7));
  TZSEBindingLink* text = B()->AddLink(Provider.get(), u"Title", u"DisplayValue");
  text->SetTextFormat(u"[%v|%v] %V");
  EXPECT_EQ(B()->GetDataAsText(u"DisplayValue", u""), u"[Song|Song] %V");
  EXPECT_EQ(B()->GetDataAsText(u"DisplayValue", u"<%v>"), u"<Song>");

  TZSEBindingLink* number = B()->AddLink(Provider.get(), u"Volume", u"Hint");
  number->SetTextFormat(u"%v%");
  EXPECT_EQ(B()->GetDataAsText(u"Hint", u""), u"7");
  EXPECT_EQ(B()->GetDataAsText(u"Hint", u"%v dB"), u"7 dB");
  number->SetExpression(u"Value * 2");
  EXPECT_EQ(B()->GetDataAsIntegerDef(u"Hint", 0), 14);
  number->SetExpression(u"Value / 0");  // fails while evaluating: the value passes unchanged
  EXPECT_EQ(B()->GetDataAsIntegerDef(u"Hint", 0), 7);
  number->SetExpression(u"Value +");  // does not compile: no expression
  EXPECT_EQ(number->GetCompiledExpression(), nullptr);
  EXPECT_EQ(B()->GetDataAsIntegerDef(u"Hint", 0), 7);
}

TEST_F(ZseBindings, AServiceOfSeveralKindsIsReadByTheKindThePinAsksFor) {
  P()->RegisterService(u"Both", Create<TTextIntegerService>());
  B()->AddLink(Provider.get(), u"Both", u"DisplayValue");
  EXPECT_EQ(B()->GetDataAsText(u"DisplayValue", u""), u"seven");
  EXPECT_EQ(B()->GetDataAsIntegerDef(u"DisplayValue", 0), 7);
}

TEST_F(ZseBindings, TheFirstLinkOnAPinWinsAndPinsAreFoundIgnoringAsciiCase) {
  P()->RegisterService(u"A", Create<TIntegerService>(1));
  P()->RegisterService(u"B", Create<TIntegerService>(2));
  B()->AddLink(Provider.get(), u"A", u"displayvalue");
  B()->AddLink(Provider.get(), u"B", u"DisplayValue");
  EXPECT_EQ(B()->GetDataAsIntegerDef(u"DISPLAYVALUE", 0), 1);
  // Only the case-sensitive pin name refreshes the pin.
  const Integer before = Element->DisplayChanges;
  P()->Changed(u"a");
  EXPECT_EQ(Element->DisplayChanges, before);
  P()->Changed(u"b");
  EXPECT_EQ(Element->DisplayChanges, before + 2);  // registered once per link
}

TEST_F(ZseBindings, ChangesReachLinksOfTheServiceOncePerRegistration) {
  P()->RegisterService(u"TrackPosition", Create<TIntegerService>(3));
  TZSEBindingLink* first = B()->AddLink(Provider.get(), u"trackPOSITION", u"DisplayValue");
  TZSEBindingLink* second = B()->AddLink(Provider.get(), u"TrackPosition", u"Position");
  EXPECT_EQ(Element->FPosition, 3);  // the full refresh after the link was made
  Integer clients = 0;
  P()->EnumClients([&](const IPtr<IInterface>&) { ++clients; });
  EXPECT_EQ(clients, 2);

  Element->DisplayChanges = 0;
  P()->Changed(u"TrackPosition");
  EXPECT_EQ(Element->DisplayChanges, 2);  // the bindings are told twice
  B()->RemoveLink(first);
  EXPECT_TRUE(P()->HasClients());
  Element->DisplayChanges = 0;
  P()->Changed(u"TrackPosition");
  EXPECT_EQ(Element->DisplayChanges, 0);
  B()->RemoveLink(second);
  EXPECT_FALSE(P()->HasClients());
  EXPECT_EQ(B()->GetCount(), 0);

  // A link without SourcePin reads the service of its pin's name but hears only full refreshes.
  P()->RegisterService(u"DisplayValue", Create<TIntegerService>(9));
  B()->AddLink(Provider.get(), u"", u"DisplayValue");
  EXPECT_EQ(B()->GetDataAsIntegerDef(u"DisplayValue", 0), 9);
  Element->DisplayChanges = 0;
  P()->Changed(u"DisplayValue");
  EXPECT_EQ(Element->DisplayChanges, 0);
  B()->FullRefresh();
  EXPECT_EQ(Element->DisplayChanges, 1);
}

class TCountingClient : public TZCLUnknownObject, public IZSEBindingClient {
  RTL_INTERFACES(TZCLUnknownObject, IZSEBindingClient)
 public:
  void Changed(TComponent*, const String&) override {
    ++Calls;
    if (OnChanged) OnChanged();
  }
  Integer Calls = 0;
  std::function<void()> OnChanged;
};

TEST_F(ZseBindings, ClientsLeavingOrJoiningDuringTheWalkAreHandledSafely) {
  TOwned<TCountingClient> first(Create<TCountingClient>()), second(Create<TCountingClient>()),
      late(Create<TCountingClient>());
  P()->AddClient(first.get());
  P()->AddClient(second.get());
  // The first client removes the second and itself, and registers a third, while it is told.
  first->OnChanged = [&] {
    P()->RemoveClient(second.get());
    P()->RemoveClient(first.get());
    P()->AddClient(late.get());
  };
  P()->Changed(u"S");
  EXPECT_EQ(first->Calls, 1);
  EXPECT_EQ(second->Calls, 0);
  EXPECT_TRUE(P()->HasClients());
  P()->RemoveClient(late.get());
  P()->RemoveClient(late.get());  // not registered: nothing
  EXPECT_FALSE(P()->HasClients());
}

TEST_F(ZseBindings, ChangesReachReadersAndOtherClientsInRegistrationOrder) {
  P()->RegisterService(u"A", Create<TIntegerService>(1));
  P()->RegisterService(u"B", Create<TIntegerService>(2));
  TOwned<TTestElement> other(Create<TTestElement>(nullptr));
  TOwned<TCountingClient> counter(Create<TCountingClient>());
  B()->AddLink(Provider.get(), u"a", u"DisplayValue");
  P()->AddClient(counter.get());
  TZSEBindingLink* later = other->GetBindings()->AddLink(Provider.get(), u"A", u"DisplayValue");
  Element->DisplayChanges = other->DisplayChanges = 0;

  // The client between the two readers sees the first told and the second not yet.
  std::vector<std::pair<Integer, Integer>> seen;
  counter->OnChanged = [&] { seen.emplace_back(Element->DisplayChanges, other->DisplayChanges); };
  P()->Changed(u"A");
  EXPECT_EQ(seen, (std::vector<std::pair<Integer, Integer>>{{1, 0}}));
  EXPECT_EQ(other->DisplayChanges, 1);
  P()->Changed(u"B");
  EXPECT_EQ(counter->Calls, 2);
  EXPECT_EQ(Element->DisplayChanges + other->DisplayChanges, 2);

  // A reader that starts reading the service while the change is being told still hears it:
  // once by the refresh of its edited link, once by the change.
  later->SetSourcePin(u"B");
  other->DisplayChanges = 0;
  counter->OnChanged = [&] { later->SetSourcePin(u"A"); };
  P()->Changed(u"A");
  EXPECT_EQ(other->DisplayChanges, 2);
  counter->OnChanged = nullptr;
  P()->Changed(u"B");
  EXPECT_EQ(other->DisplayChanges, 2);
  P()->RemoveClient(counter.get());
  other.reset();
}

TEST_F(ZseBindings, AProviderDestroyedByAClientStopsTellingTheOthers) {
  TOwned<TCountingClient> first(Create<TCountingClient>()), second(Create<TCountingClient>());
  P()->AddClient(first.get());
  P()->AddClient(second.get());
  first->OnChanged = [&] { Provider.reset(); };
  P()->Changed(u"S");
  EXPECT_EQ(Provider, nullptr);
  EXPECT_EQ(first->Calls, 1);
  EXPECT_EQ(second->Calls, 0);
}

TEST_F(ZseBindings, PropertyPinsWriteOnlyWhenALinkDelivers) {
  P()->RegisterService(u"Pos", Create<TTextService>(u"2.5"));
  P()->RegisterService(u"On", Create<TIntegerService>(5));
  B()->AddLink(Provider.get(), u"On", u"Checked");
  B()->AddLink(Provider.get(), u"On", u"Level");
  EXPECT_TRUE(Element->FChecked);
  EXPECT_EQ(Element->FLevel, 5.0);
  // "2.5" is no integer: a text counts by its length.
  B()->AddLink(Provider.get(), u"Pos", u"Position");
  EXPECT_EQ(Element->FPosition, 3);
  B()->ClearLinks();
  Element->FPosition = 42;
  B()->FullRefresh();
  EXPECT_EQ(Element->FPosition, 42);

  // With the current-value flag the expression sees the property's present value.
  Element->Pins()->RegisterPinProperty(u"Position", u"Position", pfCurrentValue);
  TZSEBindingLink* link = B()->AddLink(Provider.get(), u"On", u"Position");
  link->SetExpression(u"Value + CurrentValue");
  EXPECT_EQ(Element->FPosition, 5);  // 0 during a full refresh
  P()->Changed(u"On");
  EXPECT_EQ(Element->FPosition, 10);
  EXPECT_FALSE(B()->IsPinOverridden(u"Position"));
  link->SetExpression(u"Value");
  EXPECT_TRUE(B()->IsPinOverridden(u"Position"));
  EXPECT_FALSE(B()->IsPinOverridden(u"Nothing"));
}

TEST_F(ZseBindings, PropertyPinRegistrationRejectsMissingAndUnsupportedProperties) {
  auto message = [&](const String& Property) {
    try {
      Element->Pins()->RegisterPinProperty(u"X", Property);
    } catch (const ENotSupportedException& e) {
      return e.GetMessage();
    }
    return String(u"no error");
  };
  EXPECT_EQ(message(u"Missing"), u"The Missing was not found in Owner class");
  EXPECT_EQ(message(u"Caption"), u"Handler for the Caption was not registered");
  EXPECT_THROW(Create<TZSEBindingProviderIntegerPropertyBasedService>(Element.get(), u"Missing"), EArgumentException);
  TOwned<TZSEBindingProviderIntegerPropertyBasedService> service(
      Create<TZSEBindingProviderIntegerPropertyBasedService>(Element.get(), u"Position"));
  Element->FPosition = 17;
  EXPECT_EQ(service->GetIntegerValue(), 17);
}

TEST_F(ZseBindings, ActionsMoveSlidersAndScrollsByTheirStep) {
  auto* slider = Create<TSliderService>();
  auto* scroll = Create<TScrollService>();
  auto* action = Create<TActionService>();
  P()->RegisterService(u"Slider", slider);
  P()->RegisterService(u"Scroll", scroll);
  P()->RegisterService(u"Act", action);
  EXPECT_FALSE(B()->ExecuteAction(u"Action"));
  EXPECT_FALSE(B()->HasAction());

  TZSEBindingLink* link = B()->AddLink(Provider.get(), u"Slider", u"Action");
  EXPECT_TRUE(B()->HasAction());
  ASSERT_TRUE(B()->ExecuteAction(u"Action"));
  EXPECT_EQ(slider->Position, 55);
  link->SetExpression(u"Value - ScrollDelta");
  B()->ExecuteAction(u"Action");
  EXPECT_EQ(slider->Position, 50);

  link->SetExpression(u"");
  link->SetSourcePin(u"Scroll");
  B()->ExecuteAction(u"Action");
  EXPECT_EQ(scroll->Position, 6);
  link->SetExpression(u"Value * 10");  // clamped by the service
  B()->ExecuteAction(u"Action");
  EXPECT_EQ(scroll->Position, 10);

  // An action that is also a slider is executed.
  link->SetExpression(u"");
  link->SetSourcePin(u"Act");
  B()->ExecuteAction(u"Action");
  EXPECT_EQ(action->Executed, 1);
  EXPECT_EQ(action->Moved, 0);
  bool accessible = false;
  action->Accessible = false;
  ASSERT_TRUE(B()->GetAccessibility(accessible));
  EXPECT_FALSE(accessible);
}

class TTestHandler : public TZSEEventHandler {
  ZCL_CLASS(TTestHandler, TZSEEventHandler)
 public:
  using TZSEEventHandler::TZSEEventHandler;
  void Execute(TObject* Sender, TPersistent* Arguments) override {
    Senders.push_back(Sender);
    if (auto* mouse = dynamic_cast<TZSEMouseEventArguments*>(Arguments)) LastX = mouse->GetX();
  }
  std::vector<TObject*> Senders;
  Integer LastX = -1;
};

TEST_F(ZseBindings, EventHandlersRunOnChangesButNotOnFullRefreshes) {
  P()->RegisterService(u"Clicked", Create<TIntegerService>(0));
  TOwned<TTestHandler> handler(Create<TTestHandler>(nullptr));
  handler->GetBindings()->AddLink(Provider.get(), u"Clicked", u"Handler");
  handler->GetBindings()->FullRefresh();
  EXPECT_TRUE(handler->Senders.empty());
  P()->Changed(u"Clicked");
  ASSERT_EQ(handler->Senders.size(), 1u);
  EXPECT_EQ(handler->Senders[0], Provider.get());
  ExecuteHandlerWithMouse(handler.get(), nullptr, 1, TPoint(12, 3));
  EXPECT_EQ(handler->LastX, 12);
  ExecuteHandler(nullptr, nullptr);
}

TEST_F(ZseBindings, DestroyingTheProviderClearsSourcesAndRefreshes) {
  P()->RegisterService(u"V", Create<TIntegerService>(4));
  TZSEBindingLink* link = B()->AddLink(Provider.get(), u"V", u"DisplayValue");
  B()->AddLink(Provider.get(), u"V", u"Position");
  EXPECT_EQ(Element->FPosition, 4);
  Element->DisplayChanges = 0;
  Provider.reset();
  EXPECT_EQ(link->GetSource(), nullptr);
  EXPECT_GE(Element->DisplayChanges, 1);  // the handler learns its data vanished
  EXPECT_EQ(B()->GetDataAsIntegerDef(u"DisplayValue", -1), -1);
  EXPECT_EQ(link->ToString(), u"");
}

TEST_F(ZseBindings, GlobalVariablesUsedByAnExpressionRefreshTheLink) {
  TZSEExpressionGlobalVariables::SetValue(u"Offset", Variant(100));
  P()->RegisterService(u"V", Create<TIntegerService>(1));
  TZSEBindingLink* link = B()->AddLink(Provider.get(), u"V", u"Position");
  link->SetExpression(u"Value + Offset");
  EXPECT_EQ(Element->FPosition, 101);
  TZSEExpressionGlobalVariables::SetValue(u"Offset", Variant(200));
  EXPECT_EQ(Element->FPosition, 201);
  TZSEExpressionGlobalVariables::SetValue(u"Other", Variant(5));
  EXPECT_EQ(Element->FPosition, 201);
  Element.reset();  // the link stops listening with its bindings
  TZSEExpressionGlobalVariables::SetValue(u"Offset", Variant(300));
  TZSEExpressionGlobalVariables::Clear();
}

TEST_F(ZseBindings, LinksWriteAndReadTheirXmlForm) {
  Element->SetName(u"btnPlay");
  TZSEBindingLink* link = B()->AddLink(Provider.get(), u"Title", u"DisplayValue");
  link->SetExpression(u"Value");
  link->SetTextFormat(u"%v!");
  B()->NewLink();  // no source: not written
  TZCLXMLNode node;
  node.Add(u"stale");
  B()->SaveLinksToXML(&node);
  ASSERT_EQ(node.GetCount(), 1);
  TZCLXMLAttributes* a = node.GetNode(0)->GetAttributes();
  EXPECT_EQ(node.GetNode(0)->GetNodeName(), u"link");
  ASSERT_EQ(a->GetCount(), 5);
  const char16_t* order[] = {u"Source", u"SourcePin", u"TargetPin", u"Expression", u"TextFormat"};
  for (Integer i = 0; i < 5; ++i) EXPECT_EQ(a->GetItem(i)->GetName(), order[i]);
  EXPECT_EQ(a->GetValue(u"Source"), u"prvTest");
  EXPECT_EQ(B()->ToString(),
            u"btnPlay.DisplayValue <-> prvTest.Title\r\n      Expression: Value\r\n      Format Line: %v!\r\n\r\n\r\n");

  TOwned<TTestElement> copy(Create<TTestElement>(nullptr));
  TZCLXMLNode* bare = node.Add(u"anything");  // no Source: an empty link
  bare->GetAttributes()->AddString(u"TargetPin", u"Hint");
  copy->GetBindings()->LoadLinksFromXML(&node);
  ASSERT_EQ(copy->GetBindings()->GetCount(), 2);
  TZSEBindingLink* read = copy->GetBindings()->GetLink(0);
  EXPECT_EQ(read->GetSource(), Provider.get());
  EXPECT_EQ(read->GetSourcePin(), u"Title");
  EXPECT_EQ(read->GetTextFormat(), u"%v!");
  EXPECT_EQ(copy->GetBindings()->GetLink(1)->GetTargetPin(), u"");

  // Assign copies the links.
  copy->GetBindings()->Assign(B());
  EXPECT_EQ(copy->GetBindings()->GetCount(), 2);
  EXPECT_EQ(copy->GetBindings()->GetLink(0)->GetExpression(), u"Value");
}

TEST_F(ZseBindings, ALoneLegacyLinkExpandsToOneLinkPerMatchingService) {
  for (const char16_t* name : {u"Position", u"checked", u"Unrelated"})
    P()->RegisterService(name, Create<TIntegerService>(1));
  TZCLXMLNode node;
  node.Add(u"link")->GetAttributes()->AddString(u"Source", u"prvTest");
  B()->LoadLinksFromXML(&node);
  ASSERT_EQ(B()->GetCount(), 2);
  EXPECT_EQ(B()->GetLink(0)->GetTargetPin(), u"checked");
  EXPECT_EQ(B()->GetLink(1)->GetSourcePin(), u"Position");
  EXPECT_EQ(Element->FPosition, 1);

  // Beside another link, a legacy link stays inert and is written back as it came.
  node.Add(u"link")->GetAttributes()->AddString(u"Source", u"prvTest");
  node.GetNode(0)->GetAttributes()->AddString(u"TargetPin", u"Level");
  B()->LoadLinksFromXML(&node);
  ASSERT_EQ(B()->GetCount(), 2);
  EXPECT_TRUE(TZSEBindingLegacyHelper::IsLegacyLink(B()->GetLink(1)));
  TZCLXMLNode saved;
  B()->SaveLinksToXML(&saved);
  EXPECT_EQ(saved.GetNode(1)->GetAttributes()->GetValue(u"SourcePin"), u"!");
  EXPECT_EQ(saved.GetNode(1)->GetAttributes()->GetValue(u"TargetPin"), u"!");
}

TEST_F(ZseBindings, ALegacyLinkWrittenBackExpandsOnlyOnceItIsWhole) {
  // Its pins arrive one after the other: the link must not be replaced while it is being read.
  for (const char16_t* name : {u"Position", u"!"}) P()->RegisterService(name, Create<TIntegerService>(2));
  Element->Pins()->RegisterPin(u"!");
  TZCLXMLNode node;
  TZCLXMLAttributes* a = node.Add(u"link")->GetAttributes();
  for (const char16_t* name : {u"SourcePin", u"TargetPin", u"TextFormat"}) a->AddString(name, u"!");
  a->AddString(u"Source", u"prvTest");
  B()->LoadLinksFromXML(&node);
  ASSERT_EQ(B()->GetCount(), 1);
  EXPECT_EQ(B()->GetLink(0)->GetTargetPin(), u"Position");
  EXPECT_EQ(Element->FPosition, 2);

  // Copying a lone legacy link expands the copy the same way; adding one gives no link back.
  TOwned<TTestElement> copy(Create<TTestElement>(nullptr));
  copy->GetBindings()->NewLink()->Assign(B()->GetLink(0));
  TZSEBindingLink* beside = copy->GetBindings()->AddLink(Provider.get(), u"!", u"!");
  ASSERT_EQ(copy->GetBindings()->GetCount(), 2);  // beside another link it stays
  EXPECT_EQ(beside, copy->GetBindings()->GetLink(1));
  B()->ClearLinks();
  EXPECT_EQ(B()->AddLink(Provider.get(), u"!", u"!"), nullptr);
  EXPECT_EQ(B()->GetCount(), 1);
}

TEST(ZseBindingTexts, PlainTemplatesAndVariantIntegers) {
  struct Case {
    const char16_t* Text;
    bool Plain;
  };
  for (const Case& c : {Case{u"", false}, Case{u"Play", true}, Case{u"%v", false}, Case{u"50%", true},
                        Case{u"% done", true}, Case{u"%1", true}, Case{u"a%Zb", false}})
    EXPECT_EQ(IsPlainTextTemplate(c.Text), c.Plain) << String(c.Text).size();
  EXPECT_EQ(BindingVariantToInteger(Variant(2.5)), 2);
  EXPECT_EQ(BindingVariantToInteger(Variant(3.5)), 4);
  EXPECT_EQ(BindingVariantToInteger(Variant(1e30)), INT32_MAX);
  EXPECT_EQ(BindingVariantToInteger(Variant(true)), 1);
  EXPECT_EQ(BindingVariantToInteger(Variant()), 0);
}

class TTestTabs : public TZSEBindingProviderCustomTabControlService {
  ZCL_CLASS(TTestTabs, TZSEBindingProviderCustomTabControlService)
 public:
  TTestTabs() : TZSEBindingProviderCustomTabControlService(nullptr) {
    for (Integer i = 0; i < 3; ++i) Items[i] = Create<TObject>();
  }
  ~TTestTabs() override {
    for (TObject* item : Items) Free(item);
  }
  TObject* GetActiveItem() override { return Active; }
  String GetItemCaption(TObject* Item) override {
    return Item == Items[0] ? u"One" : Item == Items[1] ? u"Two" : u"Three";
  }
  void SetActiveItem(TObject* Item) override { Active = Item; }
  void EnumItems(const TZSEBindingItemProc& Proc) override {
    for (TObject* item : Items) Proc(item);
  }
  TObject* Items[3];
  TObject* Active = nullptr;
};

TEST(ZseBindingTabs, TheMenuListsTheItemsWithTheActiveOneChecked) {
  TOwned<TTestTabs> tabs(Create<TTestTabs>());
  // The engine's menus really open: each one is closed again once its loop idles.
  Application->OnIdle = TIdleEvent(tabs.get(), +[](TTestTabs* T, TObject*, bool& Done) {
    Done = false;
    if (auto* menu = dynamic_cast<TZCLPopupMenu*>(T->GetMenu()))
      if (menu->GetMenuWindow() && menu->GetMenuWindow()->GetLooper()) menu->GetMenuWindow()->GetLooper()->CloseMenu(nullptr);
  });
  struct TRestore {
    ~TRestore() { Application->OnIdle = nullptr; }
  } restore;
  tabs->Active = tabs->Items[1];
  EXPECT_FALSE(tabs->Show(IZSEBindingServiceMenu::KindContext, TPoint(), TRect(), nullptr));
  EXPECT_EQ(tabs->GetMenu(), nullptr);
  ASSERT_TRUE(tabs->Show(IZSEBindingServiceMenu::KindAction, TPoint(), TRect(0, 0, 10, 10), nullptr));
  TMenuItem* items = tabs->GetMenu()->GetItems();
  ASSERT_EQ(items->GetCount(), 3);
  EXPECT_EQ(items->GetItem(0)->GetCaption(), u"One");
  EXPECT_FALSE(items->GetItem(0)->GetChecked());
  EXPECT_TRUE(items->GetItem(1)->GetChecked());
  items->GetItem(2)->Click();
  EXPECT_EQ(tabs->Active, tabs->Items[2]);
  // Showing again rebuilds the list.
  tabs->Show(IZSEBindingServiceMenu::KindAction, TPoint(), TRect(), nullptr);
  EXPECT_EQ(tabs->GetMenu()->GetItems()->GetCount(), 3);
  EXPECT_TRUE(tabs->GetMenu()->GetItems()->GetItem(2)->GetChecked());
}

}  // namespace

namespace {

TEST_F(ZseBindings, TheSchemaStoresLinksAndResolvesTheirSourcesByName) {
  Element->SetName(u"lblTitle");
  TZSEBindingLink* link = B()->AddLink(Provider.get(), u"Title", u"DisplayValue");
  link->SetTextFormat(u"%v");
  TZCLXMLNode node;
  {
    TZSESchema schema;
    schema.Save(Element.get(), &node);
  }
  TZCLXMLNode* properties = node.FindNode(u"properties");
  ASSERT_NE(properties, nullptr);
  TZCLXMLNode* bindings;
  ASSERT_TRUE(XMLNodeFindByName(properties, u"Bindings", bindings));
  ASSERT_EQ(bindings->GetCount(), 1);
  EXPECT_EQ(bindings->GetNode(0)->GetAttributes()->GetValue(u"Source"), u"prvTest");

  TOwned<TTestElement> copy(Create<TTestElement>(nullptr));
  TZSESchema schema;
  schema.Load(copy.get(), &node);
  ASSERT_EQ(copy->GetBindings()->GetCount(), 1);
  EXPECT_EQ(copy->GetBindings()->GetLink(0)->GetSource(), nullptr);  // not before the references are resolved
  schema.ResolveReferences([](const String& Name) { return TZSEBindingProviders::Find(Name); });
  EXPECT_EQ(copy->GetBindings()->GetLink(0)->GetSource(), Provider.get());
  EXPECT_EQ(copy->GetBindings()->GetLink(0)->GetTextFormat(), u"%v");

  // Without links nothing is written.
  B()->ClearLinks();
  TZCLXMLNode empty;
  TZSESchema().Save(Element.get(), &empty);
  TZCLXMLNode* none = nullptr;
  if (TZCLXMLNode* p = empty.FindNode(u"properties")) XMLNodeFindByName(p, u"Bindings", none);
  EXPECT_EQ(none, nullptr);
  EXPECT_TRUE(Supports<IZSEAnnotations>(Element.get()));
  EXPECT_TRUE(Supports<IZSEAnnotations>(B()));  // the bindings stand for their owner
}

}  // namespace

namespace {

TEST_F(ZseBindings, AnElementFreedByItsOwnChangeHandlerEndsTheWalkSafely) {
  P()->RegisterService(u"Close", Create<TIntegerService>(1));
  TOwned<TTestElement> after(Create<TTestElement>(nullptr));
  B()->AddLink(Provider.get(), u"Close", u"DisplayValue");
  after->GetBindings()->AddLink(Provider.get(), u"Close", u"DisplayValue");
  // The handler frees its own element (a skin window closing itself, say).
  Element->Pins()->RegisterPinHandler(u"DisplayValue", [this] { Element.reset(); });
  after->DisplayChanges = 0;
  P()->Changed(u"Close");
  EXPECT_EQ(Element, nullptr);
  EXPECT_EQ(after->DisplayChanges, 1);  // the next client is still told
}

TEST_F(ZseBindings, AnElementFreedWhenItsProviderGoesLetsGoOfItsOtherLinks) {
  P()->RegisterService(u"V", Create<TIntegerService>(1));
  B()->AddLink(Provider.get(), u"V", u"DisplayValue");
  B()->AddLink(Provider.get(), u"V", u"Position");
  B()->AddLink(Provider.get(), u"V", u"Checked");
  // Its data vanished: the element closes itself.
  Element->Pins()->RegisterPinHandler(u"DisplayValue", [this] {
    if (B()->GetDataAsIntegerDef(u"DisplayValue", -1) == -1) Element.reset();
  });
  Provider.reset();
  EXPECT_EQ(Element, nullptr);
}

TEST(ZseBindingTexts, SkinTextsTurnEscapedLineBreaksIntoLineBreaks) {
  EXPECT_EQ(LocalizeSkinText(u"One\\nTwo"), u"One\r\nTwo");
  EXPECT_EQ(LocalizeSkinText(u"50\\%"), u"50\\%");
}

}  // namespace

namespace {

class TScalingMenu : public TPopupMenu, public IZSEPopupMenu {
  ZCL_CLASS(TScalingMenu, TPopupMenu)
  RTL_INTERFACES(TPopupMenu, IZSEPopupMenu)
 public:
  using TPopupMenu::TPopupMenu;
  bool GetAutoScale() override { return AutoScale; }
  void SetAutoScale(bool Value) override { AutoScale = Value; }
  void SetCurrentDpi(Integer Dpi) override { this->Dpi = Dpi; }
  void SetHint(const String& Value) override { Hint = Value; }
  void PopupAt(const TRect& R) override {
    Shown = R;
    AutoScaleWhileShown = AutoScale;
    if (Fail) throw Exception(u"cannot show");
  }
  bool AutoScale = true, AutoScaleWhileShown = true, Fail = false;
  Integer Dpi = 0;
  String Hint;
  TRect Shown;
};

TEST(ZseBindingMenus, ShowingForARectangleOrAPointRestoresAutoScale) {
  TOwned<TScalingMenu> menu(Create<TScalingMenu>(nullptr));
  ShowPopupMenu(menu.get(), false, TPoint(1, 2), TRect(10, 20, 30, 40), nullptr, nullptr);
  EXPECT_EQ(menu->Shown, TRect(10, 20, 30, 40));
  ShowPopupMenu(menu.get(), true, TPoint(5, 6), TRect(10, 20, 30, 40), nullptr, nullptr);
  EXPECT_EQ(menu->Shown, TRect(5, 6, 5, 6));
  menu->Fail = true;
  EXPECT_THROW(ShowPopupMenu(menu.get(), true, TPoint(), TRect(), nullptr, nullptr), Exception);
  EXPECT_TRUE(menu->AutoScale);

  // The engine's menus are made of the installed class.
  TZSEPopupMenus::SetMenuClass(TScalingMenu::StaticClass());
  TOwned<TPopupMenu> made(TZSEPopupMenus::CreateMenu());
  EXPECT_TRUE(made->InheritsFrom(TScalingMenu::StaticClass()));
  TZSEPopupMenus::SetMenuClass(nullptr);
  EXPECT_THROW(TZSEPopupMenus::SetMenuClass(TObject::StaticClass()), EInvalidCast);
}

}  // namespace
