#pragma once
// The scene: a top-level window of a loaded skin that is bindable (it can be shown and hidden
// through a link) and a binding provider that publishes the window's state as named services
// ("Active", "CurrentDPI", "Docked", "IsLayered", "MasterPort", "Maximize", "State",
// "StayOnTop", "Pin", "Visible"; the main scene adds "NightMode"). Also its display name, its
// place in the player's window menu and the storing of its layout state in the configuration.

#include <functional>

#include "zse/engine/ZSE.Bindings.Interfaces.h"
#include "zse/engine/ZSE.Bindings.Providers.h"
#include "zse/engine/ZSE.Bindings.h"
#include "zse/engine/ZSE.Forms.h"

class TZSEScene;

// The bounds of the monitor the scene is on.
class TZSESceneMonitor : public TZSEFormPersistent {
  ZCL_CLASS(TZSESceneMonitor, TZSEFormPersistent)
 public:
  using TZSEFormPersistent::TZSEFormPersistent;
  static void DeclareProperties(TClassDeclaration<TZSESceneMonitor>& D);
  Integer GetLeft() const { return Bounds().Left; }
  Integer GetTop() const { return Bounds().Top; }
  Integer GetWidth() const { return Bounds().Width(); }
  Integer GetHeight() const { return Bounds().Height(); }

 private:
  TRect Bounds() const;
};

// The scene's pin to its master form, as the skin stores it.
class TZSEScenePlacement : public TZSEFormPersistent {
  ZCL_CLASS(TZSEScenePlacement, TZSEFormPersistent)
 public:
  using TZSEFormPersistent::TZSEFormPersistent;
  static void DeclareProperties(TClassDeclaration<TZSEScenePlacement>& D);
  TZSEFormMasterFormPin* GetPinnedToMaster() const { return FForm->GetMasterFormPin(); }
};

// Stores the placement as "value" (the side, 0..3), "margins" and "PreventExceedScreenEdges",
// only while the pin is on; a value outside 0..3 leaves the pin alone.
class TZSEFormPlacementSchemaAdapter : public TZSESchemaClassAdapter {
  ZCL_CLASS(TZSEFormPlacementSchemaAdapter, TZSESchemaClassAdapter)
 public:
  static TClass AdaptedClass() { return TZSEScenePlacement::StaticClass(); }
  static bool IsStored(Self, TObject* Object);
  static void Load(Self, TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema);
  static void Save(Self, TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema, const String& Path);
};

// What a scene needs of a script (the script engine supplies it).
class IZSESceneScript {
 public:
  virtual ~IZSESceneScript() = default;
  virtual void Clear() = 0;
  virtual void Execute(TObject* Sender) = 0;
};
// Makes the main scene's "OnLoaded" script; without it the main scene has none.
extern std::function<IZSESceneScript*(TComponent* Owner)> ZSESceneScriptFactory;

using TZSESceneEvent = TDelegate<void(TZSEScene* Scene)>;

class TZSEScene : public TZSEForm, public TZSEBindingProviderDelegate, public IZSESchemaStoring {
  ZCL_CLASS(TZSEScene, TZSEForm)
  RTL_INTERFACES(TZSEForm, IZSEBindingProvider, IZSESchemaStoring)
 public:
  explicit TZSEScene(TComponent* AOwner);
  ~TZSEScene() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZSEScene>& D);

  TZSEBindings* GetBindings() const { return FBindings; }
  const String& GetDisplayName() const { return FDisplayName; }
  void SetDisplayName(const String& Value);
  // The display name with its language references expanded, else the "Actions" text of the
  // scene's name, else the name.
  String GetActualDisplayName() const;
  void UpdateCaption();
  bool GetRegisterInMenu() const { return FRegisterInMenu; }
  void SetRegisterInMenu(bool Value);
  TZSESceneMonitor* GetSceneMonitor() const { return FMonitor; }
  TZSEScenePlacement* GetPlacement() const { return FPlacement; }
  bool GetSceneVisible() const { return GetFormVisible(); }
  void SetSceneVisible(bool Value) { SetFormVisible(Value); }
  bool GetActiveState() const { return GetActive(); }
  // Whether the skin manager made the scene (it belongs to the loaded skin).
  bool GetCreatedBySkinManager() const { return FCreatedBySkinManager; }
  void SetCreatedBySkinManager(bool Value) { FCreatedBySkinManager = Value; }

  // Tells the design desktop after the name changed.
  void SetName(const TComponentName& NewName) override;
  void NotifyServiceChanged(const String& Name);
  void NotifyPlacementServices();
  void SetSchemaDefaults();

  void LoadSettings(TZCLIniFile* Ini) override;
  void SaveSettings(TZCLIniFile* Ini) override;

  // The scene that hosts a visual item, or null.
  static TZSEScene* SceneOf(TComponent* Component);

  // IZSESchemaStoring: the properties a scene stores, in their fixed order.
  void Load(TZCLXMLNode* Node, TZSESchema* Schema) override;
  void Save(TZCLXMLNode* Node, TZSESchema* Schema) override;

  TZSESceneEvent OnDisplayNameChanged;
  // Asked when RegisterInMenu changes (the skin manager's list of menu windows).
  static TNotifyEvent OnRegisterInMenuChanged;

 protected:
  virtual void CreateServices();
  void SetVisibilityFromBindings();
  void HandleNotification(Integer Code, NativeInt Argument) override;
  void LayeredApplied() override;
  void MasterFormPinChanged() override;
  void PlacementStateChanged() override;
  void VisibilityApplied() override;
  void StayOnTopChanged() override;
  void DpiApplied() override;
  void Activate() override;
  void Deactivate() override;
  void CreateWnd() override;
  // Extra properties saved after the common ones ("OnLoaded" of the main scene).
  virtual void SaveExtraProperties(TZCLXMLNode* Node, TZSESchema* Schema) {}

 private:
  TZSEBindings* FBindings = nullptr;
  TZSESceneMonitor* FMonitor = nullptr;
  TZSEScenePlacement* FPlacement = nullptr;
  String FDisplayName;
  bool FRegisterInMenu = false;
  bool FCreatedBySkinManager = false;
};

// The scene of a main window: stay-on-top and the placement lock live in the section "shared".
class TZSECustomMainScene : public TZSEScene {
  ZCL_CLASS(TZSECustomMainScene, TZSEScene)
 public:
  using TZSEScene::TZSEScene;
  void LoadSettings(TZCLIniFile* Ini) override;
  void SaveSettings(TZCLIniFile* Ini) override;
};

// The player's main window: the script run after loading and the night-mode service.
class TZSEMainScene : public TZSECustomMainScene {
  ZCL_CLASS(TZSEMainScene, TZSECustomMainScene)
 public:
  explicit TZSEMainScene(TComponent* AOwner);
  ~TZSEMainScene() override;
  static void DeclareProperties(TClassDeclaration<TZSEMainScene>& D);
  IZSESceneScript* GetOnLoaded() const { return FOnLoaded; }
  // The script as the schema stores it ("OnLoaded"); null without a script engine.
  TPersistent* GetOnLoadedObject() const { return dynamic_cast<TPersistent*>(FOnLoaded); }
  void LoadSettings(TZCLIniFile* Ini) override;
  void SetMainSchemaDefaults();

 protected:
  void CreateServices() override;
  void ColorsApplied() override;
  void SaveExtraProperties(TZCLXMLNode* Node, TZSESchema* Schema) override;

 private:
  IZSESceneScript* FOnLoaded = nullptr;
};

// ---- services --------------------------------------------------------------------------------

class TZSESceneBindingCustomService : public TZCLUnknownObject {
  ZCL_CLASS(TZSESceneBindingCustomService, TZCLUnknownObject)
 public:
  explicit TZSESceneBindingCustomService(TZSEScene* AScene) : FScene(AScene) {}
  TZSEScene* GetScene() const { return FScene; }
  String GetName() const { return FScene->GetProvider()->GetServiceName(this); }

 protected:
  TZSEScene* FScene;
};

// A Boolean state with an action, a hint and (for some) an accessibility.
class TZSESceneBindingCustomActionService : public TZSESceneBindingCustomService,
                                            public IZSEBindingServiceHint,
                                            public IZSEBindingServiceDataBoolean,
                                            public IZSEBindingServiceAccessibility,
                                            public IZSEBindingServiceAction {
  ZCL_CLASS(TZSESceneBindingCustomActionService, TZSESceneBindingCustomService)
  RTL_INTERFACES(TZSESceneBindingCustomService, IZSEBindingServiceHint, IZSEBindingServiceDataBoolean,
                 IZSEBindingServiceAccessibility, IZSEBindingServiceAction)
 public:
  using TZSESceneBindingCustomService::TZSESceneBindingCustomService;
  void Execute() override { DoExecute(); }
  bool GetAccessible() override { return true; }
  String GetHint() override;
  bool GetBooleanValue() override { return GetValue(); }

  virtual bool DoExecute() = 0;
  virtual String GetHintText();
  virtual bool GetValue() = 0;
};

// "State": 4 pinned to the master; else 10 + the toolbar edge, 2 minimized, 1 maximized, 0.
Integer SceneStateValue(TZSEScene* Scene);
// "MasterPort": the actual side + 1 while pinned to the master, else 0.
Integer SceneMasterPortValue(TZSEScene* Scene);

// Unit hooks.
void ZSESceneInitialize();
void ZSESceneFinalize();
