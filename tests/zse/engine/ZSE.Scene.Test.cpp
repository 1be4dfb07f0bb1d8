#include <gtest/gtest.h>

#include "rtl/RTL.Objects.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zse/engine/ZSE.Scene.h"

namespace {

// A design desktop that refuses visibility changes.
class TRefusingDesktop : public TInterfacedObject, public IZSEDesignDesktop {
  RTL_INTERFACES(TInterfacedObject, IZSEDesignDesktop)
  void Invalidate(TControl*, const TRect&, bool) override {}
  bool CanChangeSceneVisibility(TComponent*) override { return false; }
  TWinControl* GetFormsParent() override { return nullptr; }
  void FormLayoutChanged(TComponent*) override {}
  Integer GetDesignDpi() override { return 96; }
};

// Counts the changes a provider reports per service.
class TCountingClient : public TInterfacedObject, public IZSEBindingClient {
  RTL_INTERFACES(TInterfacedObject, IZSEBindingClient)
 public:
  void Changed(TComponent*, const String& ServiceName) override { Names.push_back(ServiceName); }
  std::vector<String> Names;
};

template <class I>
IPtr<I> ServiceOf(TZSEScene* Scene, const String& Name) {
  void* out = nullptr;
  if (!Scene->GetService(Name, IIDOf<I>(), &out) || !out) return nullptr;
  return IPtr<I>::Adopt(static_cast<I*>(out));
}

struct SceneFixture : ::testing::Test {
  TZSEScene* Scene = nullptr;
  TZSEScene* Master = nullptr;
  void SetUp() override {
    Scene = TCustomForm::CreateNew<TZSEScene>(nullptr);
    Scene->SetName(u"Playlist");
    Master = TCustomForm::CreateNew<TZSEMainScene>(nullptr);
    Master->SetName(u"Main");
  }
  void TearDown() override {
    ZSESetDesignDesktop(nullptr);
    Free(Scene);
    Free(Master);
  }
  Integer ReadInteger(const String& Service) {
    IPtr<IZSEBindingServiceDataInteger> data = ServiceOf<IZSEBindingServiceDataInteger>(Scene, Service);
    EXPECT_TRUE(data);
    return data ? data->GetIntegerValue() : -1;
  }
  IPtr<IZSEBindingServiceAccessibility> Accessibility(const String& Service) {
    return ServiceOf<IZSEBindingServiceAccessibility>(Scene, Service);
  }
};

TEST_F(SceneFixture, StateFollowsThePlacement) {
  EXPECT_EQ(ReadInteger(u"State"), 0);
  EXPECT_FALSE(Accessibility(u"Pin")->GetAccessible());
  Scene->DockToEdge(2);
  EXPECT_EQ(ReadInteger(u"State"), 12);
  EXPECT_TRUE(Accessibility(u"Pin")->GetAccessible());
  Scene->DockToEdge(1);
  EXPECT_EQ(ReadInteger(u"State"), 11);
  Scene->Undock();
  Scene->ToggleMaximize();
  EXPECT_EQ(ReadInteger(u"State"), 1);

  // A link of a bindable element reads the same value.
  TZSEComponent* element = Create<TZSEComponent>(nullptr);
  Scene->ToggleMaximize();
  Scene->DockToEdge(2);
  element->GetBindings()->AddLink(Scene, u"State", u"DisplayValue");
  Integer value = 0;
  EXPECT_TRUE(element->GetBindings()->GetDataAsInteger(u"DisplayValue", value));
  EXPECT_EQ(value, 12);
  Free(element);
}

TEST_F(SceneFixture, TextureSwitchesWithTheDockingState) {
  TZSELayoutTexture* face = Create<TZSELayoutTexture>();
  face->SetParent(Scene->GetLayout());
  face->GetBindings()->AddLink(Scene, u"State", u"State");
  face->GetBindings()->AddLink(Master, u"StayOnTop", u"Visibility");
  EXPECT_EQ(face->GetTextureDrawingState(), 0);
  EXPECT_FALSE(face->GetVisible());
  EXPECT_FALSE(face->CanAutoHide());  // a link decides its visibility
  Scene->DockToEdge(2);
  EXPECT_EQ(face->GetTextureDrawingState(), 12);
  Master->SetStayOnTop(true);
  EXPECT_TRUE(face->GetVisible());
}

TEST_F(SceneFixture, PinnedToTheMaster) {
  TZSEFormMasterFormPin* pin = Scene->GetMasterFormPin();
  pin->SetSide(2);
  pin->SetPinned(true);
  EXPECT_EQ(ReadInteger(u"MasterPort"), 0);  // no master form yet
  Scene->SetMasterForm(Master);
  EXPECT_EQ(ReadInteger(u"MasterPort"), 3);
  EXPECT_EQ(ReadInteger(u"State"), 4);
  Scene->SetDocked(true);
  EXPECT_EQ(ReadInteger(u"MasterPort"), 0);
  Scene->SetDocked(false);
  // Freeing the master drops the pin's effect.
  Free(Master);
  Master = nullptr;
  EXPECT_EQ(ReadInteger(u"MasterPort"), 0);
}

TEST_F(SceneFixture, VisibleActionAndPinRespectTheDesignDesktop) {
  Scene->SetSceneVisible(true);
  IPtr<IZSEBindingServiceAction> action = ServiceOf<IZSEBindingServiceAction>(Scene, u"visible");
  ASSERT_TRUE(action);
  action->Execute();
  EXPECT_FALSE(Scene->GetVisible());
  action->Execute();
  EXPECT_TRUE(Scene->GetVisible());

  ZSESetDesignDesktop(IPtr<IZSEDesignDesktop>(Create<TRefusingDesktop>()));
  action->Execute();
  EXPECT_TRUE(Scene->GetVisible());
}

TEST_F(SceneFixture, VisibilityPinShowsAndHidesOutsideTheDesigner) {
  Scene->SetSceneVisible(true);
  // Bound to another scene's stay-on-top state.
  Scene->GetBindings()->AddLink(Master, u"StayOnTop", u"Visibility");
  EXPECT_FALSE(Scene->GetVisible());
  Master->SetStayOnTop(true);
  EXPECT_TRUE(Scene->GetVisible());
  ZSESetDesignDesktop(IPtr<IZSEDesignDesktop>(Create<TRefusingDesktop>()));
  Master->SetStayOnTop(false);
  EXPECT_TRUE(Scene->GetVisible());
}

TEST_F(SceneFixture, ChangesAreAnnounced) {
  IPtr<TCountingClient> client(Create<TCountingClient>());
  Scene->AddClient(client.get());
  Scene->DockToEdge(3);
  EXPECT_EQ(client->Names, (std::vector<String>{u"Maximize", u"State", u"Pin", u"Visible"}));
  client->Names.clear();
  Scene->SetStayOnTop(true);
  EXPECT_EQ(client->Names, std::vector<String>{u"StayOnTop"});
  client->Names.clear();
  Scene->SetWindowShapeState(2);
  EXPECT_EQ(client->Names, std::vector<String>{u"IsLayered"});
  Scene->RemoveClient(client.get());
}

TEST_F(SceneFixture, CaptionAndDisplayName) {
  EXPECT_EQ(Scene->GetActualDisplayName(), u"Playlist");
  Scene->UpdateCaption();
  EXPECT_EQ(Scene->GetCaption(), u"Playlist");
  Scene->SetDisplayName(u"Queue");
  EXPECT_EQ(Scene->GetCaption(), u"Queue");
}

TEST_F(SceneFixture, PlacementInXml) {
  TZSESchema schema;
  auto* doc = Create<TZCLXMLDocument>();
  TZCLXMLNode* node = doc->Add(u"form");
  Scene->GetMasterFormPin()->SetPinned(true);
  Scene->SetRegisterInMenu(true);
  // Not made by the skin manager: neither placement nor menu registration is stored.
  Scene->Save(node, &schema);
  TZCLXMLNode* properties = node->FindNode(u"properties");
  TZCLXMLNode* found = nullptr;
  EXPECT_FALSE(properties && XMLNodeFindByName(properties, u"Placement", found));
  EXPECT_FALSE(properties && XMLNodeFindByName(properties, u"RegisterInMenu", found));

  Scene->SetCreatedBySkinManager(true);
  Scene->GetMasterFormPin()->SetSide(3);
  node->Clear();
  Scene->Save(node, &schema);
  properties = node->FindNode(u"properties");
  ASSERT_NE(properties, nullptr);
  ASSERT_TRUE(XMLNodeFindByName(properties, u"Placement", found));
  EXPECT_EQ(found->GetAttributes()->GetValue(u"value"), u"3");

  TZSEScene* copy = TCustomForm::CreateNew<TZSEScene>(nullptr);
  copy->Load(node, &schema);
  EXPECT_TRUE(copy->GetMasterFormPin()->GetPinned());
  EXPECT_EQ(copy->GetMasterFormPin()->GetSide(), 3);
  EXPECT_TRUE(copy->GetRegisterInMenu());
  Free(copy);

  // A side outside 0..3 leaves the pin alone.
  found->GetAttributes()->SetValueAsInteger(u"value", 7);
  copy = TCustomForm::CreateNew<TZSEScene>(nullptr);
  copy->Load(node, &schema);
  EXPECT_FALSE(copy->GetMasterFormPin()->GetPinned());
  Free(copy);
  Free(doc);
}

// What a skin document keeps of a form comes back; the defaults reset what a document leaves out.
TEST_F(SceneFixture, FormPropertiesRoundTripThroughTheDocument) {
  TZSESchema schema;
  auto* doc = Create<TZCLXMLDocument>();
  TZCLXMLNode* node = doc->Add(u"form");
  Scene->SetBorderWidth(3);
  Scene->SetCaptionAreaHeight(30);
  Scene->SetSizingHitTestAreaWidth(7);
  Scene->SetSizingHitTestAreaTakeMagnetOffsetsIntoAccount(false);
  Scene->SetMagnetRectOffsets(TRect(5, 4, 3, 2));
  Scene->Save(node, &schema);

  TZSEScene* copy = TCustomForm::CreateNew<TZSEScene>(nullptr);
  copy->Load(node, &schema);
  EXPECT_EQ(copy->GetBorderWidth(), 3);
  EXPECT_EQ(copy->GetCaptionAreaHeight(), 30);
  EXPECT_EQ(copy->GetSizingHitTestAreaWidth(), 7);
  EXPECT_FALSE(copy->GetSizingHitTestAreaTakeMagnetOffsetsIntoAccount());
  EXPECT_EQ(copy->GetMagnetRectOffsets(), TRect(5, 4, 3, 2));
  copy->SetSchemaDefaults();
  EXPECT_EQ(copy->GetBorderWidth(), 0);
  EXPECT_EQ(copy->GetCaptionAreaHeight(), 0);
  EXPECT_EQ(copy->GetSizingHitTestAreaWidth(), 5);
  EXPECT_TRUE(copy->GetSizingHitTestAreaTakeMagnetOffsetsIntoAccount());
  Free(copy);
  Free(doc);
}

TEST_F(SceneFixture, SharedSettingsStartUnlockedAndNotOnTop) {
  TZCLIniFile* ini = TZCLIniFile::CreateInMemory();
  Master->SetStayOnTop(true);
  Master->SetLocked(true);
  Master->LoadSettings(ini);
  EXPECT_FALSE(Master->GetStayOnTop());
  EXPECT_FALSE(Master->GetLocked());
  Master->SetLocked(true);
  Master->SaveSettings(ini);
  EXPECT_TRUE(ini->ReadBool(u"shared", u"Main.Locked", false));
  EXPECT_FALSE(ini->ReadBool(u"shared", u"Main.StayOnTop", true));
  Free(ini);
}

}  // namespace
