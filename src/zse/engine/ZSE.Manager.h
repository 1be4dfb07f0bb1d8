#pragma once
// The skin manager: the one holder of the running skin (its forms, providers, controls, theme,
// manifest, details, fonts, localizations and custom settings), the name space in which every
// object of the skin is found by name, the broadcaster of engine notices to the forms, and the
// entry point for loading a skin package into the engine and writing the engine back into a
// skin (the loader and the builder).

#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "os/OS.Windows.h"
#include "rtl/RTL.Classes.h"
#include "zcl/base/ZCL.Classes.h"
#include "zcl/ui/ZCL.UI.Application.h"
#include "zcl/ui/ZCL.UI.Resources.h"
#include "zse/engine/ZSE.Skins.h"

class TFont;
class TZCLIniFile;
class TZCLXMLDocument;
class TZCLXMLNode;
class TZSEBaseForm;
class TZSEGluedForms;
class TZSECustomFloatArrow;
class TZCLTimer;
class TZSELayoutDockSite;
class TZSEScene;
class TZSESchema;
class TZSESkinManifest;
class TZSESkinTheme;
class TZSECustomLocalizations;
class TZSECustomProviders;
class TZSECustomSettings;

// Window messages of the engine to its forms.
constexpr UINT ZSEMessageAppActivate = 0x1400;
constexpr UINT ZSEMessageNotify = 0x1401;
// Codes of ZSEMessageNotify besides the forms' own (ZSEFormNotify...): a skin unloads with
// ZSEFormNotifySkinUnloading and ends loading with ZSENotifyLoaded, ZSENotifyLoadEnd and
// ZSEFormNotifySkinLoaded.
constexpr Integer ZSENotifyLoadEnd = 1;
constexpr Integer ZSENotifyLocalization = 2;
constexpr Integer ZSENotifyLoaded = 5;
constexpr Integer ZSENotifyThemeChanged = 13;

using TZSEFindObjectEvent = std::function<TObject*(const String& Name)>;

class TZSEManager : public TComponent, public IZCLApplicationListener, public IZCLResourceChangeListener {
  ZCL_CLASS(TZSEManager, TComponent)
  RTL_INTERFACES(TComponent, IZCLApplicationListener, IZCLResourceChangeListener)
 public:
  explicit TZSEManager(TComponent* AOwner = nullptr);
  ~TZSEManager() override;

  // The manager when one exists (never creates it).
  static TZSEManager* Instance();

  // ---- objects by name ----
  // The first hit among: own components, binding providers, the main form's components, custom
  // providers, forms, layout items, then OnFindObject.
  TObject* FindObject(const String& Name);
  TZSEBaseForm* FindForm(const String& Name) const;
  bool FindControl(const String& Name, TComponent*& Control) const;
  String GenerateUniqueName(const String& Base);
  String GenerateName(TComponent* Component);
  void ValidateRename(TComponent* AComponent, const String& CurName, const String& NewName) override;

  // ---- skin objects ----
  TZSEScene* CreateForm(const String& Name);
  TComponent* CreateProvider(const String& Name, TClass Class);
  void RegisterForm(TZSEBaseForm* Form);
  void UnregisterForm(TZSEBaseForm* Form);
  void RegisterControl(TComponent* Control);
  void UnregisterControl(TComponent* Control);
  Integer GetFormCount() const { return static_cast<Integer>(FForms.size()); }
  TZSEBaseForm* GetForm(Integer Index) const { return FForms[static_cast<size_t>(Index)]; }
  TZSEBaseForm* GetMainForm() const { return FForms.empty() ? nullptr : FForms.front(); }
  bool IsCreatedForm(TZSEBaseForm* Form) const;
  Integer GetControlCount() const { return static_cast<Integer>(FControls.size()); }
  // The scenes listed in the program's window menu (RegisterInMenu set), in the order they asked.
  const std::vector<TZSEBaseForm*>& GetMenuForms() const { return FMenuForms; }
  void UpdateMenuForms(TZSEBaseForm* Form, bool Listed);
  // The forms in toolbar mode. While there are any, a 100 ms timer shows the float arrow for a
  // hidden toolbar form at the screen edge the pointer stands at.
  const std::vector<TZSEBaseForm*>& GetToolbarForms() const { return FToolbarForms; }
  void UpdateToolbarForms(TZSEBaseForm* Form);
  TZCLTimer* GetFloatArrowTimer() const { return FFloatArrowTimer; }
  TZSECustomFloatArrow* GetFloatArrow() const { return FFloatArrow; }
  void FloatArrowTick(TObject* Sender);

  // ---- docking ----
  // The dock sites in the layouts of the skin's forms, form by form.
  std::vector<TZSELayoutDockSite*> GetDockSites() const;
  // The first dock site whose default form is Form and that accepts it.
  bool FindDockSite(TZSEBaseForm* Form, TZSELayoutDockSite*& Site) const;
  // Adds the dock sites of Holder (when it is visible) that accept Form.
  void CollectDockSites(TZSEBaseForm* Form, TZSEBaseForm* Holder, std::vector<TZSELayoutDockSite*>& List) const;

  // ---- loading and saving ----
  // Nothing when the same package with the same stamp is loaded. Errors other than the engine's
  // pass on; the engine's are shown (when asked) and swallowed.
  void LoadSkin(const TZSESkinPackage& Package, bool ShowErrors);
  void LoadFromSkin(TZSESkin* Skin);
  void SaveToSkin(TZSESkin* Skin);
  void UnloadSkin();
  void Clear();
  static void ResetDefaults(TComponent* Component);
  void NotifyUnloading();
  // Raises EZSEException with the last error a form raised on the final notices.
  void NotifyLoaded();

  // ---- per-user settings of the skin ----
  // The package's settings INI, emptied when its "!"/"ID" is not the manifest's ID; the caller
  // owns it.
  TZCLIniFile* OpenSettings();
  void SaveSettings();
  void LoadSettings();

  // ---- notices ----
  // To every form, the last first. Engine errors raised by a form are kept in LoadErrorText.
  void Broadcast(UINT Msg, WPARAM WParam, LPARAM LParam, bool Synchronous = true);
  void SendToForm(TZSEBaseForm* Form, UINT Msg, WPARAM WParam, LPARAM LParam, bool Synchronous = true);
  void ApplyLocalizations();
  // The application was activated or deactivated (every top-level form hears it; the forms are
  // told once per change): pending activation messages are dropped, then ZSEMessageAppActivate
  // goes to every form with WParam 1 or 0.
  void ApplicationActivated(bool Active);
  // Only when the skin allows it: the theme and every form layout take the program's colours.
  void ApplyColoration();
  // The program's colour schema changed.
  void Changed(Byte Changes) override;
  // The theme's resources changed: the forms hear of it.
  void ResourceChanged(TObject* Sender, TZCLResource* Resource) override;

  // ---- state ----
  TZSESkinDetails* GetDetails() const { return FDetails; }
  TZSESkinFonts* GetFonts() const { return FFonts; }
  TZSESkinManifest* GetManifest() const { return FManifest; }
  TZSESkinTheme* GetTheme() const { return FTheme; }
  TZSECustomLocalizations* GetLocalizations() const { return FLocalizations; }
  TZSECustomProviders* GetProviders() const { return FProviders; }
  TZSECustomSettings* GetCustomSettings() const { return FCustomSettings; }
  bool GetLoaded() const { return FLoaded; }
  bool GetUnloading() const { return FUnloading; }
  const String& GetLoadErrorText() const { return FLoadErrorText; }
  const TZSESkinPackage& GetPackage() const { return FPackage; }
  Integer GetPackageStamp() const { return FPackageStamp; }
  const String& GetSharedSettings() const { return FSharedSettings; }
  Byte GetFormAlphaBlendOptions() const { return FFormAlphaBlendOptions; }
  void SetFormAlphaBlendOptions(Byte Value) { FFormAlphaBlendOptions = Value; }
  Byte GetFormAlphaBlendValue() const { return FFormAlphaBlendValue; }
  void SetFormAlphaBlendValue(Byte Value) { FFormAlphaBlendValue = Value > 100 ? 100 : Value; }
  bool GetUseLayeredWindows() const { return FUseLayeredWindows; }
  void SetUseLayeredWindows(bool Value) { FUseLayeredWindows = Value; }
  // The forced scale factor (0 automatic): an ordinal of the manifest's scale factors.
  Byte GetScaleFactor() const { return FScaleFactor; }
  void SetScaleFactor(Byte Value) { FScaleFactor = Value; }
  // The DPI a form paints at and the ratio its buffer is shown stretched by (display / render),
  // for a monitor's DPI: the forced scale factor first (unless ignored), then the skin's own
  // scale factors. In design mode the DPI itself, stretched by DPI / 96.
  void GetDPI(Integer DPI, bool IgnoreForcedScaleFactor, Integer& RenderDPI, Integer& DisplayScale,
              Integer& RenderScale) const;
  // The font's height, taken at 96 DPI, scaled by the text scale (the list views' fonts).
  void ScaleFont(TFont* Font) const;
  Integer GetTextScale() const { return FTextScale; }
  void SetTextScale(Integer Value) { FTextScale = Value; }

  TZSEFindObjectEvent OnFindObject;
  TZCLProgressEvent OnProgress;
  // After every skin load (the player announces the loaded skin to its plugins).
  std::function<void()> OnSkinLoaded;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TZSESkinLoader;
  friend class TZSESkinBuilder;
  std::vector<TZSEBaseForm*> FForms;
  std::vector<TZSEBaseForm*> FCreatedForms;  // owned
  std::vector<TComponent*> FControls;
  std::vector<TComponent*> FLoadingControls;  // between the unload and the loaded notice
  std::vector<TZSEBaseForm*> FMenuForms;
  std::vector<TZSEBaseForm*> FToolbarForms;
  TZCLTimer* FFloatArrowTimer = nullptr;
  TZSECustomFloatArrow* FFloatArrow = nullptr;
  void ToolbarFormsChanged();
  void RegisterInMenuChanged(TObject* Sender);
  std::vector<TComponent*> FOwnedProviders;  // owned, also listed in FProviders
  TZSESkinDetails* FDetails;
  TZSESkinFonts* FFonts;
  TZSESkinManifest* FManifest;
  TZSESkinTheme* FTheme;
  TZSECustomLocalizations* FLocalizations;
  TZSECustomProviders* FProviders;
  TZSECustomSettings* FCustomSettings;
  TZSESkinPackage FPackage;
  String FLoadErrorText;
  String FSharedSettings;
  Integer FPackageStamp = 0;
  Integer FTextScale = 100;
  Byte FScaleFactor = 0;
  Byte FFormAlphaBlendOptions = 0;
  Byte FFormAlphaBlendValue = 100;
  bool FLoaded = false;
  bool FUnloading = false;
  bool FUseLayeredWindows = true;
  Byte FAppActive = 2;  // unknown
};

// The one manager, created on first use; freed when the engine's units finalize.
TZSEManager* SkinManager();

// Loads a skin package or skin object into the manager (one call per object).
class TZSESkinLoader : public TObject {
  ZCL_CLASS(TZSESkinLoader, TObject)
 public:
  explicit TZSESkinLoader(TZSEManager* AManager);
  ~TZSESkinLoader() override;
  // Reads, converts (rewriting an older package once in the current format, the old file kept
  // as ".bak"), and loads. When a non-default package fails, the default skin is loaded and the
  // first error raised.
  void LoadPackage(const TZSESkinPackage& Package);
  // An already current skin: no conversion, no fallback.
  void LoadSkin(TZSESkin* Skin);

 private:
  void BeginLoad();
  void EndLoad();
  void RestoreSwitches();
  std::exception_ptr Bracket(const std::function<void()>& Body);
  void ClearEngine();
  void DoLoad(TZSESkin* Skin);
  void LoadForms(TZCLXMLNode* Forms, TZSESchema* Schema);
  void LoadForm(TZCLXMLNode* Element, TZSEBaseForm* Master, TZSESchema* Schema);
  void LoadProviders(TZCLXMLNode* Providers, TZSESchema* Schema);
  void Stage(Integer Index, Single Part);
  TZSEManager* FManager;
  std::unique_ptr<TZSEGluedForms> FGluedForms;
  bool FSavedImageRelease = false;
  bool FSavedFormAnimations = false;
  bool FSavedToolbarSlide = false;
};

// Writes the running engine into a skin object with its identity ("ID").
class TZSESkinBuilder : public TObject {
  ZCL_CLASS(TZSESkinBuilder, TObject)
 public:
  explicit TZSESkinBuilder(TZSEManager* AManager) : FManager(AManager) {}
  void Build(TZSESkin* Skin);
  // MD5 over the images, image sets, documents and scripts in the order of their file names.
  static String CalculateID(TZSESkin* Skin);

 private:
  void Stage(Integer Index, Single Part);
  TZSEManager* FManager;
};

// Shows an engine error to the user (the error dialog; replaced by tests and headless runs).
extern std::function<void(const String& Text)> ZSEShowLoadError;

// Unit hooks.
void ZSEManagerFinalize();
