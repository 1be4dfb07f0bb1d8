#include "zse/engine/ZSE.Scene.h"

#include "rtl/RTL.Format.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "rtl/RTL.TypInfo.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/ui/ZCL.UI.Application.h"
#include "zcl/ui/ZCL.Utils.RTTI.h"

std::function<IZSESceneScript*(TComponent* Owner)> ZSESceneScriptFactory;
TNotifyEvent TZSEScene::OnRegisterInMenuChanged;

namespace {

// The "|"-separated part of Text for State, with "%s" replaced by the display name.
String FormatSceneHint(TZSEScene* Scene, String Text) {
  if (Text.find(u"%s") != String::npos) Text = Format(Text, {Scene->GetActualDisplayName()});
  return Text;
}

String HintPart(const String& Key, bool State) { return LangExtractPart(GetActionText(u"Form", Key), State ? 1 : 0); }

class TZSESceneBindingCurrentDpiService : public TZSESceneBindingCustomService, public IZSEBindingServiceDataInteger {
  ZCL_CLASS(TZSESceneBindingCurrentDpiService, TZSESceneBindingCustomService)
  RTL_INTERFACES(TZSESceneBindingCustomService, IZSEBindingServiceDataInteger)
 public:
  using TZSESceneBindingCustomService::TZSESceneBindingCustomService;
  Integer GetIntegerValue() override {
    return MulDiv(FScene->GetCurrentDpi(), FScene->GetScaleNumerator(), FScene->GetScaleDenominator());
  }
};

class TZSESceneBindingDockedService : public TZSESceneBindingCustomService,
                                      public IZSEBindingServiceDataBoolean,
                                      public IZSEBindingServiceAction,
                                      public IZSEBindingServiceHint {
  ZCL_CLASS(TZSESceneBindingDockedService, TZSESceneBindingCustomService)
  RTL_INTERFACES(TZSESceneBindingCustomService, IZSEBindingServiceDataBoolean, IZSEBindingServiceAction,
                 IZSEBindingServiceHint)
 public:
  using TZSESceneBindingCustomService::TZSESceneBindingCustomService;
  bool GetBooleanValue() override { return FScene->GetDocked(); }
  void Execute() override { SetPropValueFromString(u"Docked", FScene->GetDocked() ? u"False" : u"True"); }
  String GetHint() override { return GetActionText(u"Form", u"DockTo") + FormatStateSuffix(FScene->GetDocked()); }

 private:
  // Through the published property, as a skin's own change would go.
  void SetPropValueFromString(const String& Name, const String& Value) {
    TRTTI::SetPropValueFromString(FScene, GetPropInfo(FScene, Name), Value);
  }
};

class TZSESceneBindingLayerStateService : public TZSESceneBindingCustomService, public IZSEBindingServiceDataBoolean {
  ZCL_CLASS(TZSESceneBindingLayerStateService, TZSESceneBindingCustomService)
  RTL_INTERFACES(TZSESceneBindingCustomService, IZSEBindingServiceDataBoolean)
 public:
  TZSESceneBindingLayerStateService(TZSEScene* AScene, Byte ABit) : TZSESceneBindingCustomService(AScene), FBit(ABit) {}
  bool GetBooleanValue() override { return (FScene->GetWindowShapeState() & FBit) != 0; }

 private:
  Byte FBit;
};

class TZSESceneBindingMasterPortService : public TZSESceneBindingCustomService, public IZSEBindingServiceDataInteger {
  ZCL_CLASS(TZSESceneBindingMasterPortService, TZSESceneBindingCustomService)
  RTL_INTERFACES(TZSESceneBindingCustomService, IZSEBindingServiceDataInteger)
 public:
  using TZSESceneBindingCustomService::TZSESceneBindingCustomService;
  Integer GetIntegerValue() override { return SceneMasterPortValue(FScene); }
};

class TZSESceneBindingStateService : public TZSESceneBindingCustomService, public IZSEBindingServiceDataInteger {
  ZCL_CLASS(TZSESceneBindingStateService, TZSESceneBindingCustomService)
  RTL_INTERFACES(TZSESceneBindingCustomService, IZSEBindingServiceDataInteger)
 public:
  using TZSESceneBindingCustomService::TZSESceneBindingCustomService;
  Integer GetIntegerValue() override { return SceneStateValue(FScene); }
};

class TZSESceneBindingMaximizeService : public TZSESceneBindingCustomActionService {
  ZCL_CLASS(TZSESceneBindingMaximizeService, TZSESceneBindingCustomActionService)
 public:
  using TZSESceneBindingCustomActionService::TZSESceneBindingCustomActionService;
  bool DoExecute() override {
    FScene->ToggleMaximize();
    return true;
  }
  bool GetAccessible() override { return FScene->GetCanMaximize(); }
  String GetHintText() override { return HintPart(u"Maximize", GetValue()); }
  bool GetValue() override { return FScene->GetPlacementKind() == fpkMaximized; }
};

class TZSESceneBindingStayOnTopService : public TZSESceneBindingCustomActionService {
  ZCL_CLASS(TZSESceneBindingStayOnTopService, TZSESceneBindingCustomActionService)
 public:
  using TZSESceneBindingCustomActionService::TZSESceneBindingCustomActionService;
  bool DoExecute() override {
    FScene->SetStayOnTop(!FScene->GetStayOnTop());
    return true;
  }
  String GetHint() override { return TZSESceneBindingCustomActionService::GetHint() + FormatStateSuffix(GetValue()); }
  bool GetValue() override { return FScene->GetStayOnTop(); }
};

class TZSESceneBindingToolBarPinService : public TZSESceneBindingCustomActionService {
  ZCL_CLASS(TZSESceneBindingToolBarPinService, TZSESceneBindingCustomActionService)
 public:
  using TZSESceneBindingCustomActionService::TZSESceneBindingCustomActionService;
  bool DoExecute() override {
    TZSEFormToolBar* bar = FScene->GetToolBar();
    bar->SetPinMode(bar->GetPinMode() == 1 ? 0 : 1);
    return true;
  }
  bool GetAccessible() override { return FScene->GetPlacementKind() == fpkToolBar; }
  String GetHint() override { return TZSESceneBindingCustomActionService::GetHint() + FormatStateSuffix(GetValue()); }
  bool GetValue() override { return FScene->GetToolBar()->GetPinMode() == 1; }
};

class TZSESceneBindingVisibilityService : public TZSESceneBindingCustomActionService {
  ZCL_CLASS(TZSESceneBindingVisibilityService, TZSESceneBindingCustomActionService)
 public:
  using TZSESceneBindingCustomActionService::TZSESceneBindingCustomActionService;
  bool DoExecute() override {
    FScene->SetSceneVisible(!FScene->GetVisible());
    return true;
  }
  String GetHintText() override { return HintPart(u"Visible", GetValue()); }
  bool GetValue() override { return FScene->GetVisible(); }
};

class TZSESceneNightModeService : public TZSESceneBindingCustomService, public IZSEBindingServiceDataBoolean {
  ZCL_CLASS(TZSESceneNightModeService, TZSESceneBindingCustomService)
  RTL_INTERFACES(TZSESceneBindingCustomService, IZSEBindingServiceDataBoolean)
 public:
  using TZSESceneBindingCustomService::TZSESceneBindingCustomService;
  bool GetBooleanValue() override { return TZCLApplication::IsDarkMode(); }
};

}  // namespace

// ---- services -------------------------------------------------------------------------------------

String TZSESceneBindingCustomActionService::GetHint() { return FormatSceneHint(FScene, GetHintText()); }

String TZSESceneBindingCustomActionService::GetHintText() { return GetActionText(u"Form", GetName()); }

Integer SceneMasterPortValue(TZSEScene* Scene) {
  TZSEFormMasterFormPin* pin = Scene->GetMasterFormPin();
  return pin->IsEffective() ? pin->GetActualSide() + 1 : 0;
}

Integer SceneStateValue(TZSEScene* Scene) {
  if (Scene->GetMasterFormPin()->IsEffective()) return 4;
  switch (Scene->GetPlacementKind()) {
    case fpkToolBar: {
      static const Integer edges[4] = {10, 11, 12, 13};
      return edges[Scene->GetToolBar()->GetEdge() & 3];
    }
    case fpkMinimized:
      return 2;
    case fpkMaximized:
      return 1;
    default:
      return 0;
  }
}

// ---- companions --------------------------------------------------------------------------------------

TRect TZSESceneMonitor::Bounds() const {
  TMonitor* monitor = FForm ? FForm->GetMonitor() : nullptr;
  return monitor ? monitor->GetBoundsRect() : TRect();
}

void TZSESceneMonitor::DeclareProperties(TClassDeclaration<TZSESceneMonitor>& D) {
  D.Property(u"Left", &TZSESceneMonitor::GetLeft).Stored(false);
  D.Property(u"Top", &TZSESceneMonitor::GetTop).Stored(false);
  D.Property(u"Width", &TZSESceneMonitor::GetWidth).Stored(false);
  D.Property(u"Height", &TZSESceneMonitor::GetHeight).Stored(false);
}

void TZSEScenePlacement::DeclareProperties(TClassDeclaration<TZSEScenePlacement>& D) {
  D.Property(u"PinnedToMaster", &TZSEScenePlacement::GetPinnedToMaster);
}

bool TZSEFormPlacementSchemaAdapter::IsStored(Self, TObject* Object) {
  auto* placement = dynamic_cast<TZSEScenePlacement*>(Object);
  return placement && placement->GetPinnedToMaster()->GetPinned();
}

void TZSEFormPlacementSchemaAdapter::Load(Self, TObject* Object, TZCLXMLNode* Node, TZSESchema*) {
  auto* placement = dynamic_cast<TZSEScenePlacement*>(Object);
  if (!placement || !Node) return;
  TZCLXMLAttributes* attributes = Node->GetAttributes();
  const Integer side = attributes->GetValueAsInteger(u"value", -1);
  if (side < 0 || side > 3) return;
  TZSEFormMasterFormPin* pin = placement->GetPinnedToMaster();
  pin->SetPreventExceedScreenEdges(attributes->GetValueAsBoolean(u"PreventExceedScreenEdges", false));
  pin->SetSide(side);
  pin->SetMargins(attributes->GetValueAsRect(u"margins"));
  pin->SetPinned(true);
}

void TZSEFormPlacementSchemaAdapter::Save(Self, TObject* Object, TZCLXMLNode* Node, TZSESchema*, const String&) {
  auto* placement = dynamic_cast<TZSEScenePlacement*>(Object);
  if (!placement) return;
  TZSEFormMasterFormPin* pin = placement->GetPinnedToMaster();
  TZCLXMLAttributes* attributes = Node->GetAttributes();
  attributes->SetValueAsInteger(u"value", pin->GetSide());
  attributes->SetValueAsRect(u"margins", pin->GetMargins());
  attributes->SetValueAsBoolean(u"PreventExceedScreenEdges", pin->GetPreventExceedScreenEdges());
}

// ---- TZSEScene --------------------------------------------------------------------------------------

TZSEScene::TZSEScene(TComponent* AOwner) : TZSEForm(AOwner) {
  CreateServices();
  FPlacement = new TZSEScenePlacement(this);
  FMonitor = new TZSESceneMonitor(this);
}

TZSEScene::~TZSEScene() {
  Free(FMonitor);
  Free(FPlacement);
  Free(GetProvider());
  Free(FBindings);
}

void TZSEScene::BeforeDestruction() {
  SetRegisterInMenu(false);
  TZSEForm::BeforeDestruction();
}

void TZSEScene::DeclareProperties(TClassDeclaration<TZSEScene>& D) {
  using T = TZSEScene;
  D.Property(u"Active", &T::GetActiveState).Stored(false);
  D.Property(u"Bindings", &T::GetBindings);
  D.Property(u"BorderWidth", &T::GetBorderWidth, &T::SetBorderWidth).Default(0);
  D.Property(u"CaptionAreaHeight", &T::GetCaptionAreaHeight, &T::SetCaptionAreaHeight).Default(0);
  D.Property(u"DisplayName", &T::GetDisplayName, &T::SetDisplayName).Default(String());
  D.Property(u"InitialSize", &T::GetInitialSize, &T::SetInitialSize);
  D.Property(u"InitialVisible", &T::GetInitialVisible, &T::SetInitialVisible).Default(true);
  D.Property(u"MagnetRectOffsets", &T::GetMagnetRectOffsets, &T::SetMagnetRectOffsets);
  D.Property(u"Monitor", &T::GetSceneMonitor).Stored(false);
  D.Property(u"Placement", &T::GetPlacement);
  D.Property(u"RegisterInMenu", &T::GetRegisterInMenu, &T::SetRegisterInMenu).Default(false);
  D.Property(u"SizingHitTestAreaTakeMagnetOffsetsIntoAccount", &T::GetSizingHitTestAreaTakeMagnetOffsetsIntoAccount,
             &T::SetSizingHitTestAreaTakeMagnetOffsetsIntoAccount)
      .Default(true);
  D.Property(u"SizingHitTestAreaWidth", &T::GetSizingHitTestAreaWidth, &T::SetSizingHitTestAreaWidth).Default(5);
  D.Property(u"Visible", &T::GetSceneVisible, &T::SetSceneVisible);
}

void TZSEScene::CreateServices() {
  FBindings = new TZSEBindings(this);
  FBindings->RegisterPinHandler(u"Visibility", [this] { SetVisibilityFromBindings(); });
  SetDelegateProvider(new TZSEBindingProvider(this));
  GetProvider()->RegisterService(u"Active", new TZSEBindingProviderBooleanPropertyBasedService(this, u"Active"));
  GetProvider()->RegisterService(u"CurrentDPI", new TZSESceneBindingCurrentDpiService(this));
  GetProvider()->RegisterService(u"Docked", new TZSESceneBindingDockedService(this));
  GetProvider()->RegisterService(u"IsLayered", new TZSESceneBindingLayerStateService(this, 2));
  GetProvider()->RegisterService(u"MasterPort", new TZSESceneBindingMasterPortService(this));
  GetProvider()->RegisterService(u"Maximize", new TZSESceneBindingMaximizeService(this));
  GetProvider()->RegisterService(u"State", new TZSESceneBindingStateService(this));
  GetProvider()->RegisterService(u"StayOnTop", new TZSESceneBindingStayOnTopService(this));
  GetProvider()->RegisterService(u"Pin", new TZSESceneBindingToolBarPinService(this));
  GetProvider()->RegisterService(u"Visible", new TZSESceneBindingVisibilityService(this));
}

void TZSEScene::SetVisibilityFromBindings() {
  bool value;
  if (!FBindings->GetDataAsBoolean(u"Visibility", value)) return;
  SetSceneVisible(value || TZSEDesigner::IsDesigning());
}

void TZSEScene::NotifyServiceChanged(const String& Name) {
  if (GetProvider()) GetProvider()->Changed(Name);
}

void TZSEScene::NotifyPlacementServices() {
  for (const char16_t* name : {u"Maximize", u"State", u"Pin", u"Visible"}) NotifyServiceChanged(name);
}

void TZSEScene::SetDisplayName(const String& Value) {
  if (Value == FDisplayName) return;
  FDisplayName = Value;
  UpdateCaption();
  if (OnDisplayNameChanged) OnDisplayNameChanged(this);
}

String TZSEScene::GetActualDisplayName() const {
  String name = LocalizeSkinText(FDisplayName);
  if (name.empty()) name = GetActionText(GetName());
  if (name.empty()) name = GetName();
  return name;
}

void TZSEScene::UpdateCaption() {
  if (Application && Application->GetMainForm() == this) return;
  SetCaption(GetActualDisplayName());
}

void TZSEScene::SetRegisterInMenu(bool Value) {
  if (Value == FRegisterInMenu) return;
  FRegisterInMenu = Value;
  if (OnRegisterInMenuChanged) OnRegisterInMenuChanged(this);
}

void TZSEScene::SetSchemaDefaults() {
  SetBorderWidth(0);
  SetCaptionAreaHeight(0);
  GetInitialSize()->SetValue(TSize());
  SetSizingHitTestAreaTakeMagnetOffsetsIntoAccount(true);
  SetSizingHitTestAreaWidth(5);
  SetMagnetRectOffsets(TRect());
  FBindings->ClearLinks();
  SetDisplayName(String());
  SetScaled(true);
}

void TZSEScene::SetName(const TComponentName& NewName) {
  TZSEForm::SetName(NewName);
  TZSEDesigner::NameChanged(this);
}

void TZSEScene::HandleNotification(Integer Code, NativeInt Argument) {
  TZSEForm::HandleNotification(Code, Argument);
  switch (Code) {
    case ZSEFormNotifyRelayout:
      FitLayout();
      NotifyPlacementServices();
      if (HandleAllocated()) Invalidate();
      break;
    case ZSEFormNotifyShowEligible:
      if (Argument != 0 && !GetMasterForm() && FRegisterInMenu && GetLocked() && !GetVisible()) SetSceneVisible(true);
      break;
    case ZSEFormNotifyLayoutReset:
      GetLayout()->ResetLayoutState();
      FitLayout();
      break;
    default:
      break;
  }
}

void TZSEScene::LayeredApplied() { NotifyServiceChanged(u"IsLayered"); }

void TZSEScene::MasterFormPinChanged() { NotifyServiceChanged(u"MasterPort"); }

void TZSEScene::PlacementStateChanged() { NotifyPlacementServices(); }

void TZSEScene::VisibilityApplied() { NotifyPlacementServices(); }

void TZSEScene::StayOnTopChanged() { NotifyServiceChanged(u"StayOnTop"); }

void TZSEScene::DpiApplied() {
  TZSEForm::DpiApplied();
  NotifyServiceChanged(u"CurrentDPI");
}

void TZSEScene::Activate() {
  TZSEForm::Activate();
  NotifyServiceChanged(u"Active");
}

void TZSEScene::Deactivate() {
  TZSEForm::Deactivate();
  NotifyServiceChanged(u"Active");
}

void TZSEScene::CreateWnd() {
  TZSEForm::CreateWnd();
  NotifyServiceChanged(u"Docked");
  NotifyServiceChanged(u"MasterPort");
}

void TZSEScene::LoadSettings(TZCLIniFile* Ini) {
  GetLayout()->LoadSettingsTree(Ini, GetName() + u".Layout");
  TZSEForm::LoadSettings(Ini);
}

void TZSEScene::SaveSettings(TZCLIniFile* Ini) {
  TZSEForm::SaveSettings(Ini);
  GetLayout()->SaveSettingsTree(Ini, GetName() + u".Layout");
}

void TZSEScene::Load(TZCLXMLNode* Node, TZSESchema* Schema) {
  if (TZCLXMLNode* properties = Node->FindNode(u"properties")) Schema->LoadProperties(this, properties);
}

void TZSEScene::Save(TZCLXMLNode* Node, TZSESchema* Schema) {
  TZCLXMLNode* properties = Node->Add(u"properties");
  const String path = Schema->GetObjectPath(this);
  auto store = [&](const char16_t* Name) {
    if (PPropInfo prop = GetPropInfo(this, Name)) Schema->SaveProperty(this, properties, prop, path);
  };
  for (const char16_t* name :
       {u"Bindings", u"BorderWidth", u"CaptionAreaHeight", u"MagnetRectOffsets", u"Scaled",
        u"SizingHitTestAreaTakeMagnetOffsetsIntoAccount", u"SizingHitTestAreaWidth", u"DisplayName", u"InitialSize"})
    store(name);
  SaveExtraProperties(properties, Schema);
  if (FCreatedBySkinManager)
    for (const char16_t* name : {u"Placement", u"InitialVisible", u"RegisterInMenu"}) store(name);
  XMLNodeFreeIfEmpty(properties, false);
}

TZSEScene* TZSEScene::SceneOf(TComponent* Component) {
  TZSECustomVisualItem* item = TZSECustomVisualItem::AsVisualItem(Component);
  return item ? dynamic_cast<TZSEScene*>(item->GetForm()) : nullptr;
}

// ---- main scenes ---------------------------------------------------------------------------------------

void TZSECustomMainScene::LoadSettings(TZCLIniFile* Ini) {
  TZSEScene::LoadSettings(Ini);
  SetStayOnTop(Ini->ReadBool(u"shared", GetName() + u".StayOnTop", false));
  SetLocked(Ini->ReadBool(u"shared", GetName() + u".Locked", false));
}

void TZSECustomMainScene::SaveSettings(TZCLIniFile* Ini) {
  TZSEScene::SaveSettings(Ini);
  Ini->WriteBool(u"shared", GetName() + u".Locked", GetLocked());
  Ini->WriteBool(u"shared", GetName() + u".StayOnTop", GetStayOnTop());
}

TZSEMainScene::TZSEMainScene(TComponent* AOwner) : TZSECustomMainScene(AOwner) {
  if (ZSESceneScriptFactory) FOnLoaded = ZSESceneScriptFactory(this);
}

TZSEMainScene::~TZSEMainScene() { delete FOnLoaded; }

void TZSEMainScene::DeclareProperties(TClassDeclaration<TZSEMainScene>& D) {
  D.Property(u"OnLoaded", &TZSEMainScene::GetOnLoadedObject);
}

void TZSEMainScene::SaveExtraProperties(TZCLXMLNode* Node, TZSESchema* Schema) {
  if (PPropInfo prop = GetPropInfo(this, u"OnLoaded"))
    if (GetOnLoadedObject()) Schema->SaveProperty(this, Node, prop, Schema->GetObjectPath(this));
}

void TZSEMainScene::CreateServices() {
  TZSECustomMainScene::CreateServices();
  GetProvider()->RegisterService(u"NightMode", new TZSESceneNightModeService(this));
}

void TZSEMainScene::LoadSettings(TZCLIniFile* Ini) {
  TZSECustomMainScene::LoadSettings(Ini);
  if (FOnLoaded) FOnLoaded->Execute(this);
}

void TZSEMainScene::SetMainSchemaDefaults() {
  SetSchemaDefaults();
  if (FOnLoaded) FOnLoaded->Clear();
}

void TZSEMainScene::ColorsApplied() { NotifyServiceChanged(u"NightMode"); }

void ZSESceneInitialize() {
  RegisterProperties<TZSEFormMasterFormPin>();
  RegisterProperties<TZSESceneMonitor>();
  RegisterProperties<TZSEScenePlacement>();
  RegisterProperties<TZSEScene>();
  RegisterProperties<TZSEMainScene>();
  SchemaRegisterClassAdapter(TZSEFormPlacementSchemaAdapter::StaticClass());
}

void ZSESceneFinalize() { SchemaUnregisterClassAdapter(TZSEFormPlacementSchemaAdapter::StaticClass()); }
