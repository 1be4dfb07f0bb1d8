#include "zse/engine/ZSE.Manager.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "os/OS.Files.h"
#include "os/OS.Windows.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/base/ZCL.Hashes.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/base/ZCL.Timers.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zcl/ui/ZCL.UI.SkinImageSet.h"
#include "zse/engine/ZSE.Bindings.h"
#include "zse/engine/ZSE.ErrorDialog.h"
#include "zse/engine/ZSE.Expressions.h"
#include "zse/engine/ZSE.Forms.Utils.h"
#include "zse/engine/ZSE.Forms.h"
#include "zse/engine/ZSE.Layout.Containers.h"
#include "zse/engine/ZSE.Scene.h"
#include "zse/engine/ZSE.Schema.h"
#include "zse/engine/ZSE.Skins.Theme.h"

std::function<void(const String& Text)> ZSEShowLoadError = [](const String& Text) { ShowErrorDialog(Text, nullptr); };

namespace {

TZSEManager* GManager = nullptr;

template <class T>
using TOwned = std::unique_ptr<T, void (*)(TObject*)>;

// Depth-first among the components Root owns.
TComponent* FindOwned(TComponent* Root, const String& Name) {
  for (Integer i = 0; i < Root->GetComponentCount(); ++i) {
    TComponent* c = Root->GetComponent(i);
    if (zcSameText(c->GetName(), Name)) return c;
    if (TComponent* found = FindOwned(c, Name)) return found;
  }
  return nullptr;
}

// The node at Path below the document, or null; nothing is created.
TZCLXMLNode* FindPath(TZCLXMLNode* Document, const TZCLXMLNodePath& Path) {
  TZCLXMLNode* node = nullptr;
  return Document->TryFindNodeByPath(Path, node, false) ? node : nullptr;
}

}  // namespace

TZSEManager* SkinManager() {
  if (!GManager) GManager = Create<TZSEManager>();
  return GManager;
}

void ZSEManagerFinalize() {
  // The manager stays reachable while it frees its forms, which leave its lists.
  Free(GManager);
  GManager = nullptr;
}

// ---- manager -----------------------------------------------------------------------------------

TZSEManager::TZSEManager(TComponent* AOwner)
    : TComponent(AOwner),
      FDetails(Create<TZSESkinDetails>()),
      FFonts(Create<TZSESkinFonts>()),
      FManifest(Create<TZSESkinManifest>()),
      FTheme(Create<TZSESkinTheme>(nullptr)),
      FLocalizations(new TZSECustomLocalizations()),
      FProviders(new TZSECustomProviders()),
      FCustomSettings(Create<TZSECustomSettings>()) {
  TZSESkinTheme::SetCurrent(FTheme);
  TZCLApplication::ListenerAdd(this);
  FTheme->ListenerAdd(this);
  TZSEScene::OnRegisterInMenuChanged = {this, &TZSEManager::RegisterInMenuChanged};
}

TZSEManager::~TZSEManager() {
  TZSEScene::OnRegisterInMenuChanged = nullptr;
  FToolbarForms.clear();
  ToolbarFormsChanged();
  FTheme->ListenerRemove(this);
  TZCLApplication::ListenerRemove(this);
  Clear();
  if (TZSESkinTheme::GetCurrent() == FTheme) TZSESkinTheme::SetCurrent(nullptr);
  Free(FCustomSettings);
  delete FProviders;
  delete FLocalizations;
  Free(FTheme);
  Free(FManifest);
  Free(FFonts);
  Free(FDetails);
  if (GManager == this) GManager = nullptr;
}

TZSEManager* TZSEManager::Instance() { return GManager; }

TObject* TZSEManager::FindObject(const String& Name) {
  if (Name.empty()) return nullptr;
  if (TComponent* c = FindComponent(Name)) return c;
  if (TComponent* c = TZSEBindingProviders::Find(Name)) return c;
  for (Integer i = 0; i < TZSEBindingProviders::List()->GetCount(); ++i)
    if (TComponent* c = FindOwned(TZSEBindingProviders::List()->GetItems(i), Name)) return c;
  if (TZSEBaseForm* main = GetMainForm())
    if (TComponent* c = FindOwned(main, Name)) return c;
  for (Integer i = 0; i < FProviders->GetCount(); ++i)
    if (zcSameText(FProviders->GetItems(i)->GetName(), Name)) return FProviders->GetItems(i);
  for (Integer i = 0; i < FProviders->GetCount(); ++i)
    if (TComponent* c = FindOwned(FProviders->GetItems(i), Name)) return c;
  if (TZSEBaseForm* form = FindForm(Name)) return form;
  for (TZSEBaseForm* form : FForms)
    if (auto* skinForm = dynamic_cast<TZSEForm*>(form)) {
      TZSELayoutCustomItem* item = nullptr;
      if (skinForm->GetLayout()->FindItem(Name, item)) return item;
    }
  return OnFindObject ? OnFindObject(Name) : nullptr;
}

TZSEBaseForm* TZSEManager::FindForm(const String& Name) const {
  for (TZSEBaseForm* form : FForms)
    if (zcSameText(form->GetName(), Name)) return form;
  return nullptr;
}

bool TZSEManager::FindControl(const String& Name, TComponent*& Control) const {
  for (TComponent* c : FControls)
    if (SameText(c->GetName(), Name)) {
      Control = c;
      return true;
    }
  Control = nullptr;
  return false;
}

String TZSEManager::GenerateUniqueName(const String& Base) {
  if (!FindObject(Base)) return Base;
  for (Integer i = 1;; ++i) {
    const String name = Base + IntToStr(i);
    if (!FindObject(name)) return name;
  }
}

String TZSEManager::GenerateName(TComponent* Component) { return GenerateUniqueName(SchemaGetClassName(Component)); }

void TZSEManager::ValidateRename(TComponent* AComponent, const String& CurName, const String& NewName) {
  TComponent::ValidateRename(AComponent, CurName, NewName);
  for (TZSEBaseForm* form : FForms)
    if (form != AComponent && zcSameText(form->GetName(), NewName))
      throw EComponentError(u"A component named %s already exists", {NewName});
}

TZSEScene* TZSEManager::CreateForm(const String& Name) {
  auto* form = Create<TZSEScene>(nullptr);
  try {
    form->SetCreatedBySkinManager(true);
    FCreatedForms.push_back(form);
    ValidateRename(form, String(), Name);
    form->SetName(Name);
  } catch (...) {
    FCreatedForms.pop_back();
    Free(form);
    throw;
  }
  return form;
}

TComponent* TZSEManager::CreateProvider(const String& Name, TClass Class) {
  auto* provider = Class->Create<TComponent>(static_cast<TComponent*>(nullptr));
  try {
    provider->SetName(Name);
  } catch (...) {
    Free(provider);
    throw;
  }
  FOwnedProviders.push_back(provider);
  FProviders->Add(provider);
  provider->FreeNotification(this);
  return provider;
}

void TZSEManager::RegisterForm(TZSEBaseForm* Form) {
  if (std::find(FForms.begin(), FForms.end(), Form) == FForms.end()) FForms.push_back(Form);
}

void TZSEManager::UnregisterForm(TZSEBaseForm* Form) {
  FForms.erase(std::remove(FForms.begin(), FForms.end(), Form), FForms.end());
  FCreatedForms.erase(std::remove(FCreatedForms.begin(), FCreatedForms.end(), Form), FCreatedForms.end());
  FMenuForms.erase(std::remove(FMenuForms.begin(), FMenuForms.end(), Form), FMenuForms.end());
  if (std::find(FToolbarForms.begin(), FToolbarForms.end(), Form) != FToolbarForms.end()) {
    FToolbarForms.erase(std::remove(FToolbarForms.begin(), FToolbarForms.end(), Form), FToolbarForms.end());
    ToolbarFormsChanged();
  }
}

void TZSEManager::UpdateMenuForms(TZSEBaseForm* Form, bool Listed) {
  const auto it = std::find(FMenuForms.begin(), FMenuForms.end(), Form);
  if (Listed && it == FMenuForms.end())
    FMenuForms.push_back(Form);
  else if (!Listed && it != FMenuForms.end())
    FMenuForms.erase(it);
}

void TZSEManager::RegisterInMenuChanged(TObject* Sender) {
  if (auto* scene = dynamic_cast<TZSEScene*>(Sender)) UpdateMenuForms(scene, scene->GetRegisterInMenu());
}

void TZSEManager::UpdateToolbarForms(TZSEBaseForm* Form) {
  const bool listed = std::find(FToolbarForms.begin(), FToolbarForms.end(), Form) != FToolbarForms.end();
  const bool toolbar = Form->GetToolBar()->GetDocked() && !Form->GetComponentState().Contains(csDestroying);
  if (listed == toolbar) return;
  if (toolbar)
    FToolbarForms.push_back(Form);
  else
    FToolbarForms.erase(std::remove(FToolbarForms.begin(), FToolbarForms.end(), Form), FToolbarForms.end());
  ToolbarFormsChanged();
}

void TZSEManager::ToolbarFormsChanged() {
  if (!FToolbarForms.empty()) {
    if (!FFloatArrowTimer) FFloatArrowTimer = new TZCLTimer({this, &TZSEManager::FloatArrowTick}, 100, true);
    return;
  }
  if (FFloatArrowTimer) {
    TZCLTimer* timer = FFloatArrowTimer;
    FFloatArrowTimer = nullptr;
    Free(timer);
  }
  if (FFloatArrow) FFloatArrow->Release();
}

void TZSEManager::FloatArrowTick(TObject*) {
  if (TZCLMenuLoop::IsActive()) return;
  TPoint cursor;
  GetCursorPos(cursor);
  TMonitor* monitor = Screen ? Screen->MonitorFromPoint(cursor) : nullptr;
  const Integer dpi = monitor ? monitor->GetPixelsPerInch() : 96;
  TZSEScreenEdgePlacement place;
  TZSEBaseForm* match = nullptr;
  // The pointer on the edge's last pixel counts also when the theme has no arrow image.
  if (TZSEToolbarHelper::GetEdgeAtPoint(cursor, std::max(1, FTheme->GetFloatArrowSize(dpi)), place))
    for (TZSEBaseForm* form : FToolbarForms) {
      // Hidden as a toolbar: docked at an edge, its window not shown.
      if (form->GetVisible() || form->GetToolBar()->GetEdge() != place.Edge) continue;
      if (form->GetToolBar()->GetResolvedMonitor() != place.MonitorIndex) continue;
      match = form;
      break;
    }
  if (!match) {
    if (FFloatArrow) FFloatArrow->Release();
    return;
  }
  if (!FFloatArrow) {
    FFloatArrow = new TZSEFloatArrowImpl(this);
    FFloatArrow->FreeNotification(this);
  }
  if (FFloatArrow->GetTarget() != match) FFloatArrow->Show(match);
}

void TZSEManager::RegisterControl(TComponent* Control) {
  if (std::find(FControls.begin(), FControls.end(), Control) == FControls.end()) FControls.push_back(Control);
}

void TZSEManager::UnregisterControl(TComponent* Control) {
  FControls.erase(std::remove(FControls.begin(), FControls.end(), Control), FControls.end());
  FLoadingControls.erase(std::remove(FLoadingControls.begin(), FLoadingControls.end(), Control),
                         FLoadingControls.end());
}

bool TZSEManager::IsCreatedForm(TZSEBaseForm* Form) const {
  return std::find(FCreatedForms.begin(), FCreatedForms.end(), Form) != FCreatedForms.end();
}

namespace {
void CollectSites(TZSELayoutCustomItem* Item, std::vector<TZSELayoutDockSite*>& Sites) {
  if (auto* site = dynamic_cast<TZSELayoutDockSite*>(Item)) Sites.push_back(site);
  for (Integer i = 0; i < Item->GetCount(); ++i) CollectSites(Item->GetItem(i), Sites);
}
}  // namespace

std::vector<TZSELayoutDockSite*> TZSEManager::GetDockSites() const {
  // Taken from the layouts each time: a site leaves with its layout, never dangling here.
  std::vector<TZSELayoutDockSite*> sites;
  for (TZSEBaseForm* form : FForms)
    if (auto* skinForm = dynamic_cast<TZSEForm*>(form)) CollectSites(skinForm->GetLayout(), sites);
  return sites;
}

bool TZSEManager::FindDockSite(TZSEBaseForm* Form, TZSELayoutDockSite*& Site) const {
  for (TZSELayoutDockSite* site : GetDockSites())
    if (site->IsDefault(Form) && site->CanAccept(Form)) {
      Site = site;
      return true;
    }
  Site = nullptr;
  return false;
}

void TZSEManager::CollectDockSites(TZSEBaseForm* Form, TZSEBaseForm* Holder,
                                   std::vector<TZSELayoutDockSite*>& List) const {
  if (!Holder || !Holder->GetVisible()) return;
  for (TZSELayoutDockSite* site : GetDockSites())
    if (site->GetForm() == Holder && site->CanAccept(Form)) List.push_back(site);
}

void TZSEManager::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FFloatArrow) FFloatArrow = nullptr;
  if (std::find(FOwnedProviders.begin(), FOwnedProviders.end(), AComponent) != FOwnedProviders.end()) {
    FOwnedProviders.erase(std::remove(FOwnedProviders.begin(), FOwnedProviders.end(), AComponent),
                          FOwnedProviders.end());
    FProviders->Remove(AComponent);
  }
}

// ---- loading and saving ----

void TZSEManager::LoadSkin(const TZSESkinPackage& Package, bool ShowErrors) {
  if (FLoaded && Package == FPackage && (Package.IsDefault() ? 0 : Package.GetAge()) == FPackageStamp) return;
  try {
    TOwned<TZSESkinLoader> loader(Create<TZSESkinLoader>(this), &Free);
    loader->LoadPackage(Package);
  } catch (const Exception& e) {
    if (ShowErrors && (Package.IsDefault() || Package.Exists()) && ZSEShowLoadError) {
      // The stack where the error was raised follows the message (when it was captured).
      const String trace = e.GetStackTrace();
      const String text = trace.empty() ? e.GetMessage() : e.GetMessage() + u"\r\n" + trace;
      ZSEShowLoadError(Format(u"Can't load skin \"%s\": %s", {Package.GetName(), text}));
    }
  }
}

void TZSEManager::LoadFromSkin(TZSESkin* Skin) {
  TOwned<TZSESkinLoader> loader(Create<TZSESkinLoader>(this), &Free);
  loader->LoadSkin(Skin);
}

void TZSEManager::SaveToSkin(TZSESkin* Skin) {
  TOwned<TZSESkinBuilder> builder(Create<TZSESkinBuilder>(this), &Free);
  builder->Build(Skin);
}

void TZSEManager::UnloadSkin() {
  FUnloading = true;
  const bool release = ZCLSkinImageSetPackReleasedItems;
  ZCLSkinImageSetPackReleasedItems = false;
  try {
    NotifyUnloading();
    Clear();
  } catch (...) {
    FUnloading = false;
    ZCLSkinImageSetPackReleasedItems = release;
    throw;
  }
  FUnloading = false;
  ZCLSkinImageSetPackReleasedItems = release;
}

void TZSEManager::Clear() {
  FLoaded = false;
  while (!FOwnedProviders.empty()) {
    TComponent* provider = FOwnedProviders.back();
    FOwnedProviders.pop_back();
    FProviders->Remove(provider);
    Free(provider);
  }
  FProviders->Clear();
  while (!FCreatedForms.empty()) {
    TZSEBaseForm* form = FCreatedForms.back();
    UnregisterForm(form);
    Free(form);
  }
  FLocalizations->Clear();
  FDetails->Clear();
  FManifest->Reset();
  FFonts->Clear();
  TZSEExpressionGlobalVariables::Clear();
  if (!FUnloading) {
    for (Integer i = 0; i < TZSEBindingProviders::List()->GetCount(); ++i)
      ResetDefaults(TZSEBindingProviders::List()->GetItems(i));
    for (TComponent* c : FControls) ResetDefaults(c);
  }
}

void TZSEManager::ResetDefaults(TComponent* Component) {
  IPtr<IZSESchemaDefaults> defaults;
  if (Supports(Component, defaults)) defaults->SetSchemaDefaults();
  for (Integer i = 0; i < Component->GetComponentCount(); ++i) ResetDefaults(Component->GetComponent(i));
}

void TZSEManager::NotifyUnloading() {
  FLoaded = false;
  Broadcast(ZSEMessageNotify, ZSEFormNotifySkinUnloading, 0);
  for (TComponent* c : std::vector<TComponent*>(FControls))
    if (auto* item = TZSECustomVisualItem::AsVisualItem(c);
        item && std::find(FLoadingControls.begin(), FLoadingControls.end(), c) == FLoadingControls.end()) {
      FLoadingControls.push_back(c);
      item->BeginSkinLoad();
    }
}

void TZSEManager::NotifyLoaded() {
  // Only the controls that entered the loading state leave it: one created during the load
  // never entered it.
  const std::vector<TComponent*> loading = std::move(FLoadingControls);
  FLoadingControls.clear();
  for (TComponent* c : loading)
    if (std::find(FControls.begin(), FControls.end(), c) != FControls.end())
      if (auto* item = TZSECustomVisualItem::AsVisualItem(c)) item->EndSkinLoad();
  FLoadErrorText.clear();
  FLoaded = true;
  Broadcast(ZSEMessageNotify, ZSENotifyLoaded, 0);
  Broadcast(ZSEMessageNotify, ZSENotifyLoadEnd, 0);
  Broadcast(ZSEMessageNotify, ZSEFormNotifySkinLoaded, 0);
  if (!FLoadErrorText.empty()) throw EZSEException(FLoadErrorText);
}

void TZSEManager::GetDPI(Integer DPI, bool IgnoreForcedScaleFactor, Integer& RenderDPI, Integer& DisplayScale,
                         Integer& RenderScale) const {
  if (TZSEDesigner::IsDesigning()) {
    RenderDPI = DPI;
    DisplayScale = DPI;
    RenderScale = 96;
    return;
  }
  if (FScaleFactor != 0 && !IgnoreForcedScaleFactor)
    DPI = ScaleFactorToDPI(static_cast<TZSEScalingFactor>(FScaleFactor));
  FManifest->GetScaling(DPI, RenderDPI, DisplayScale, RenderScale);
}

void TZSEManager::ScaleFont(TFont* Font) const {
  if (FTextScale == 100) return;
  const Integer dpi = static_cast<Integer>(std::lround(FTextScale * 96 / 100.0));
  Font->SetHeight(MulDiv(Font->GetHeight(), dpi, 96));
}

// ---- settings ----

TZCLIniFile* TZSEManager::OpenSettings() {
  TZCLIniFile* ini = FPackage.CreateSettingsFile();
  if (ini->ReadString(u"!", u"ID", String()) != FManifest->GetID() || !ini->ExistsKey(u"!", u"ID")) ini->Clear();
  return ini;
}

void TZSEManager::SaveSettings() {
  if (!FLoaded || !FPackage.Exists()) return;
  TOwned<TZCLIniFile> ini(FPackage.CreateSettingsFile(), &Free);
  ini->Clear();
  ini->WriteString(u"!", u"ID", FManifest->GetID());
  FProviders->ConfigSave(ini.get());
  for (TZSEBaseForm* form : FForms) form->SaveSettings(ini.get());
  FSharedSettings = ini->ReadSection(u"shared");
  FCustomSettings->ConfigSave(ini.get());
  ini->UpdateFile();
}

void TZSEManager::LoadSettings() {
  TOwned<TZCLIniFile> ini(OpenSettings(), &Free);
  FCustomSettings->ConfigLoad(ini.get());
  ini->WriteSection(u"shared", FSharedSettings);
  FProviders->ConfigLoad(ini.get());
  for (auto it = FForms.rbegin(); it != FForms.rend(); ++it) (*it)->LoadSettings(ini.get());
  ini->UpdateFile();
}

// ---- notices ----

void TZSEManager::Broadcast(UINT Msg, WPARAM WParam, LPARAM LParam, bool Synchronous) {
  if (Application && Application->GetComponentState().Contains(csDestroying)) return;
  // A form may go away while it is told; walk a copy and skip the ones already gone.
  const std::vector<TZSEBaseForm*> forms = FForms;
  for (auto it = forms.rbegin(); it != forms.rend(); ++it)
    if (std::find(FForms.begin(), FForms.end(), *it) != FForms.end()) SendToForm(*it, Msg, WParam, LParam, Synchronous);
}

void TZSEManager::SendToForm(TZSEBaseForm* Form, UINT Msg, WPARAM WParam, LPARAM LParam, bool Synchronous) {
  try {
    if (Msg == ZSEMessageNotify && Synchronous)
      Form->Notify(static_cast<Integer>(WParam), static_cast<NativeInt>(LParam));
    else if (Synchronous)
      Form->Perform(Msg, WParam, LParam);
    else if (Form->HandleAllocated())
      PostMessage(Form->GetHandle(), Msg, WParam, LParam);
  } catch (const EZSEException& e) {
    FLoadErrorText = e.GetMessage();
  }
}

void TZSEManager::ApplicationActivated(bool Active) {
  const Byte state = Active ? 1 : 0;
  if (state == FAppActive) return;
  FAppActive = state;
  MSG msg;
  while (PeekMessage(msg, nullptr, ZSEMessageAppActivate, ZSEMessageAppActivate, PM_REMOVE)) {
  }
  Broadcast(ZSEMessageAppActivate, state, 0);
}

void TZSEManager::ApplyLocalizations() {
  // The skin's texts join the program's language: the default language first, then the current
  // one (or the default again), each overwriting what is there.
  TZCLIniFile* def = nullptr;
  TZCLIniFile* current = nullptr;
  const bool hasDefault = FLocalizations->FindDefault(def);
  const bool hasCurrent = FLocalizations->GetCurrent(current);
  if (hasDefault) LangFile()->Merge(def, true);
  if (hasCurrent) LangFile()->Merge(current, true);
  if (hasDefault || hasCurrent) Broadcast(ZSEMessageNotify, ZSENotifyLocalization, 0);
}

void TZSEManager::ApplyColoration() {
  if (!FManifest->GetAllowColoration()) return;
  const TZCLColorSchema schema = TZCLApplication::GetColorSchema();
  FTheme->ApplyColorSchema(schema);
  for (TZSEBaseForm* form : FForms)
    if (auto* skinForm = dynamic_cast<TZSEForm*>(form)) skinForm->GetLayout()->ApplyColorSchema(schema);
}

void TZSEManager::Changed(Byte Changes) {
  if (Changes & ZCLAppChangeColorSchema) ApplyColoration();
}

void TZSEManager::ResourceChanged(TObject*, TZCLResource*) { Broadcast(ZSEMessageNotify, ZSENotifyThemeChanged, 0); }

// ---- loader ------------------------------------------------------------------------------------

void TZSESkinLoader::Stage(Integer, Single) {}

void TZSESkinLoader::ClearEngine() { FManager->Clear(); }

TZSESkinLoader::TZSESkinLoader(TZSEManager* AManager) : FManager(AManager), FGluedForms(new TZSEGluedForms()) {}

TZSESkinLoader::~TZSESkinLoader() = default;

void TZSESkinLoader::BeginLoad() {
  FSavedImageRelease = ZCLSkinImageSetPackReleasedItems;
  FSavedFormAnimations = TZSEBaseForm::GetAnimationsEnabled();
  FSavedToolbarSlide = TZSEFormToolBar::GetSlideEnabled();
  ZCLSkinImageSetPackReleasedItems = false;
  TZSEBaseForm::SetAnimationsEnabled(false);
  TZSEFormToolBar::SetSlideEnabled(false);
  // The windows glued to the main window, kept by name across the load.
  FGluedForms->Clear();
  if (TZSEBaseForm* main = FManager->GetMainForm()) FGluedForms->Rebuild(main);
  if (!TZSEDesigner::IsDesigning()) FManager->SaveSettings();
  FManager->NotifyUnloading();
}

void TZSESkinLoader::EndLoad() {
  try {
    for (TZSEBaseForm* form : std::vector<TZSEBaseForm*>(FManager->FForms)) form->Notify(ZSENotifyLoaded);
    FManager->LoadSettings();
    TZSEManager* manager = FManager;
    FGluedForms->Validate([manager](const String& Name) -> TComponent* { return manager->FindForm(Name); });
    FGluedForms->RestorePositions();
    FGluedForms->Clear();
    FManager->NotifyLoaded();
  } catch (...) {
    RestoreSwitches();
    throw;
  }
  RestoreSwitches();
}

void TZSESkinLoader::RestoreSwitches() {
  ZCLSkinImageSetPackReleasedItems = FSavedImageRelease;
  TZSEBaseForm::SetAnimationsEnabled(FSavedFormAnimations);
  TZSEFormToolBar::SetSlideEnabled(FSavedToolbarSlide);
}

// Runs Body between BeginLoad and EndLoad; EndLoad runs whatever happens, and the first error is
// the one returned.
std::exception_ptr TZSESkinLoader::Bracket(const std::function<void()>& Body) {
  try {
    BeginLoad();
  } catch (...) {
    RestoreSwitches();
    throw;
  }
  std::exception_ptr failure;
  try {
    Body();
  } catch (...) {
    failure = std::current_exception();
  }
  try {
    EndLoad();
  } catch (...) {
    if (!failure) failure = std::current_exception();
  }
  return failure;
}

void TZSESkinLoader::LoadPackage(const TZSESkinPackage& Package) {
  TZSESkinPackage package = Package;
  const std::exception_ptr failure = Bracket([&] {
    TOwned<TZSESkin> skin(Create<TZSESkin>(), &Free);
    ClearEngine();
    TZSESkinManager::LoadFromPackage(package, skin.get(), FManager->OnProgress);
    const Word read = skin->GetDetails()->GetVersion().Number;
    if (!TZSESkinManager::UpgradeVersion(SkinEngineVersion, skin.get())) RaiseUnsupportedVersion(read);
    if (read != SkinEngineVersion && !package.IsDefault()) {
      TZSESkinFormatClass current = nullptr;
      if (SkinFormats()->Find(TZSESkinSignature::Make("ZCS5", 0), current))
        TZSESkinManager::SaveToPackage(package, skin.get(), current);
    }
    FManager->FPackage = package;
    FManager->FPackageStamp = package.IsDefault() ? 0 : package.GetAge();
    DoLoad(skin.get());
  });
  if (failure) {
    if (!package.IsDefault()) {
      TOwned<TZSESkinLoader> fallback(Create<TZSESkinLoader>(FManager), &Free);
      fallback->LoadPackage(TZSESkinPackage());
    }
    std::rethrow_exception(failure);
  }
  if (FManager->OnSkinLoaded) FManager->OnSkinLoaded();
}

void TZSESkinLoader::LoadSkin(TZSESkin* Skin) {
  const std::exception_ptr failure = Bracket([&] {
    ClearEngine();
    FManager->FPackage = TZSESkinPackage();
    FManager->FPackageStamp = 0;
    DoLoad(Skin);
  });
  if (failure) std::rethrow_exception(failure);
  if (FManager->OnSkinLoaded) FManager->OnSkinLoaded();
}

void TZSESkinLoader::DoLoad(TZSESkin* Skin) {
  TZCLProgressCalculator progress(FManager->OnProgress);
  for (int i = 0; i < 4; ++i) progress.AddStage(1);
  progress.BeginProcess();
  TOwned<TZCLXMLDocument> document(Skin->GetResources()->LoadDocument(u"Schema"), &Free);
  FManager->FFonts->LoadFromSkin(Skin);
  FManager->FDetails->Assign(Skin->GetDetails());
  TOwned<TZSESchema> schema(Create<TZSESchema>(Skin->GetResources()), &Free);

  TZCLXMLNode* root = FindPath(document.get(), {u"skin"});
  if (root) FManager->FManifest->LoadFromXML(root);
  if (TZCLXMLNode* variables = FindPath(document.get(), {u"skin", u"variables"}))
    for (Integer i = 0; i < variables->GetCount(); ++i) {
      TZCLXMLNode* v = variables->GetNode(i);
      TZSEExpressionGlobalVariables::SetValue(v->GetAttributes()->GetValue(u"name"),
                                              v->GetAttributes()->GetValueAsVariant(u"value"));
    }
  {
    TOwned<TZCLIniFile> ini(FManager->OpenSettings(), &Free);
    FManager->FCustomSettings->ConfigLoad(ini.get());
  }

  progress.NextStage();
  if (TZCLXMLNode* localizations = FindPath(document.get(), {u"skin", u"localizations"})) {
    FManager->FLocalizations->SetDefaultName(localizations->GetAttributes()->GetValue(u"default"));
    for (Integer i = 0; i < localizations->GetCount(); ++i) {
      const String name = localizations->GetNode(i)->GetNodeValue();
      TZCLIniFile* ini = FManager->FLocalizations->Add(name);
      Skin->GetResources()->LoadIniFile(name, ini);
    }
  }
  FManager->ApplyLocalizations();

  progress.NextStage();
  FManager->FTheme->LoadFromXML(schema.get(), document.get());
  progress.SetStageProgress(100.0f / 3);
  if (TZCLXMLNode* forms = FindPath(document.get(), {u"skin", u"forms"})) LoadForms(forms, schema.get());
  progress.SetStageProgress(200.0f / 3);
  if (TZCLXMLNode* providers = FindPath(document.get(), {u"skin", u"providers"}))
    LoadProviders(providers, schema.get());
  progress.SetStageProgress(100.0f);

  progress.NextStage();
  std::vector<TZSEForm*> layouts;
  for (TZSEBaseForm* form : FManager->FForms)
    if (auto* f = dynamic_cast<TZSEForm*>(form)) layouts.push_back(f);
  for (size_t i = 0; i < layouts.size(); ++i) {
    layouts[i]->GetLayout()->LoadFromSkin(schema.get());
    progress.SetStageProgress(static_cast<Int64>(i), static_cast<Int64>(layouts.size()));
  }
  TZSEManager* manager = FManager;
  schema->ResolveReferences(
      [manager](const String& Name) { return dynamic_cast<TComponent*>(manager->FindObject(Name)); });
  document.reset();
  FManager->ApplyColoration();
  progress.EndProcess();
}

void TZSESkinLoader::LoadForms(TZCLXMLNode* Forms, TZSESchema* Schema) {
  std::vector<TZCLXMLNode*> pending;
  for (Integer i = 0; i < Forms->GetCount(); ++i) pending.push_back(Forms->GetNode(i));
  for (bool loaded = true; loaded && !pending.empty();) {
    loaded = false;
    for (auto it = pending.begin(); it != pending.end();) {
      const String master = (*it)->GetAttributes()->GetValue(u"master");
      TZSEBaseForm* masterForm = master.empty() ? nullptr : FManager->FindForm(master);
      if (master.empty() || masterForm) {
        LoadForm(*it, masterForm, Schema);
        it = pending.erase(it);
        loaded = true;
      } else {
        ++it;
      }
    }
  }
  for (TZCLXMLNode* element : pending) LoadForm(element, nullptr, Schema);
}

void TZSESkinLoader::LoadForm(TZCLXMLNode* Element, TZSEBaseForm* Master, TZSESchema* Schema) {
  const String name = Element->GetAttributes()->GetValue(u"name");
  TZSEBaseForm* form = FManager->FindForm(name);
  if (!form) {
    TZSEScene* scene = nullptr;
    try {
      scene = FManager->CreateForm(name);
      scene->Notify(ZSEFormNotifySkinUnloading);
      scene->SetMasterForm(Master);
      scene->HandleNeeded();
    } catch (const Exception&) {
      Free(scene);
      return;
    }
    form = scene;
  }
  IPtr<IZSESchemaStoring> storing;
  if (!Supports(form, storing)) throw EInvalidOperation(ClassName() + u">" + form->GetName());
  storing->Load(Element, Schema);
}

void TZSESkinLoader::LoadProviders(TZCLXMLNode* Providers, TZSESchema* Schema) {
  for (Integer i = 0; i < Providers->GetCount(); ++i) {
    TZCLXMLNode* element = Providers->GetNode(i);
    TClass cls = nullptr;
    if (!SchemaResolveClass(element, TComponent::StaticClass(), cls)) continue;
    TComponent* provider = FManager->CreateProvider(element->GetAttributes()->GetValue(u"name"), cls);
    Schema->Load(provider, element);
  }
}

// ---- builder -----------------------------------------------------------------------------------

void TZSESkinBuilder::Stage(Integer, Single) {}

String TZSESkinBuilder::CalculateID(TZSESkin* Skin) {
  std::vector<TZSESkinFile*> files;
  TZSESkinFiles* all = Skin->GetFiles();
  for (Integer i = 0; i < all->GetCount(); ++i) {
    const TZSESkinFileKind kind = all->GetItem(i)->GetKind();
    if (kind == sfkImage || kind == sfkImageSet || kind == sfkDocument || kind == sfkScript)
      files.push_back(all->GetItem(i));
  }
  std::stable_sort(files.begin(), files.end(), [](TZSESkinFile* A, TZSESkinFile* B) {
    return CompareText(A->GetFileName(), B->GetFileName()) < 0;
  });
  TZCLHashState state;
  TZCLHashMD5::Initialize(state);
  for (TZSESkinFile* file : files) {
    IZCLStreamContainer* data = file->GetData().get();
    if (!data) continue;
    TStream* stream = data->LockStream();
    try {
      TZCLHashMD5::UpdateFromStream(state, stream, nullptr);
    } catch (...) {
      data->UnlockStream();
      throw;
    }
    data->UnlockStream();
  }
  std::array<Byte, 16> digest{};
  TZCLHashMD5::Finalize(state, digest);
  return LowerCase(TZCLHexcode::Encode(digest.data(), 16));
}

void TZSESkinBuilder::Build(TZSESkin* Skin) {
  Skin->GetDetails()->Assign(FManager->FDetails);
  Skin->GetDetails()->SetVersion(SkinEngineVersion);
  TZCLProgressCalculator progress(FManager->OnProgress);
  for (int i = 0; i < 4; ++i) progress.AddStage(1);
  progress.BeginProcess();
  TOwned<TZCLXMLDocument> document(Create<TZCLXMLDocument>(), &Free);
  TOwned<TZSESchema> schema(Create<TZSESchema>(Skin->GetResources()), &Free);
  FManager->FFonts->SaveToSkin(Skin);

  TZCLXMLNode* root = document->FindNodeByPath({u"skin"}, true);
  FManager->FTheme->SaveToXML(schema.get(), document.get());
  TZCLXMLNode* variables = document->FindNodeByPath({u"skin", u"variables"}, true);
  TZSEExpressionGlobalVariables::Enum([&](const String& Name, const Variant& Value) {
    TZCLXMLNode* v = variables->Add(u"variable");
    v->GetAttributes()->AddString(u"name", Name);
    v->GetAttributes()->SetValueAsVariant(u"value", Value);
  });
  TZCLXMLNode* forms = document->FindNodeByPath({u"skin", u"forms"}, true);
  for (TZSEBaseForm* form : FManager->FForms) {
    IPtr<IZSESchemaCustomStoring> custom;
    if (Supports(form, custom) && !custom->IsStored()) continue;
    IPtr<IZSESchemaStoring> storing;
    if (!Supports(form, storing)) throw EInvalidOperation(ClassName() + u">" + form->GetName());
    TZCLXMLNode* element = forms->Add(u"form");
    element->GetAttributes()->AddString(u"name", form->GetName());
    if (form->GetMasterForm()) element->GetAttributes()->AddString(u"master", form->GetMasterForm()->GetName());
    storing->Save(element, schema.get());
  }
  TZCLXMLNode* providers = document->FindNodeByPath({u"skin", u"providers"}, true);
  for (Integer i = 0; i < FManager->FProviders->GetCount(); ++i) {
    TComponent* provider = FManager->FProviders->GetItems(i);
    TZCLXMLNode* element = providers->Add(u"provider");
    element->GetAttributes()->AddString(u"name", provider->GetName());
    element->GetAttributes()->AddString(u"class", SchemaGetClassName(provider));
    schema->Save(provider, element);
  }
  TZCLXMLNode* localizations = document->FindNodeByPath({u"skin", u"localizations"}, true);
  localizations->GetAttributes()->SetValue(u"default", FManager->FLocalizations->GetDefaultName());
  for (Integer i = 0; i < FManager->FLocalizations->GetCount(); ++i) {
    localizations->Add(u"item")->SetNodeValue(FManager->FLocalizations->GetNames(i));
    Skin->GetResources()->SaveIniFile(FManager->FLocalizations->GetNames(i), FManager->FLocalizations->GetFiles(i));
  }
  root->GetAttributes()->SetValueAsInteger(u"target", SkinEngineVersion);

  progress.NextStage();
  std::vector<TZSEForm*> layouts;
  for (TZSEBaseForm* form : FManager->FForms)
    if (auto* f = dynamic_cast<TZSEForm*>(form)) layouts.push_back(f);
  for (size_t i = 0; i < layouts.size(); ++i) {
    layouts[i]->GetLayout()->SaveToSkin(schema.get());
    progress.SetStageProgress(static_cast<Int64>(i), static_cast<Int64>(layouts.size()));
  }

  progress.NextStage();
  FManager->FManifest->SetID(String());
  FManager->FManifest->SaveToXML(root);
  Skin->GetResources()->SaveSchema(u"Schema", document.get());
  FManager->FManifest->SetID(CalculateID(Skin));
  FManager->FManifest->SaveToXML(root);
  Skin->GetResources()->SaveSchema(u"Schema", document.get());
  progress.EndProcess();
}
