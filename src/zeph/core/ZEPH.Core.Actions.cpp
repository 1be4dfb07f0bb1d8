#include "zeph/core/ZEPH.Core.Actions.h"

#include <memory>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.TypInfo.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/graphics/ZCL.Graphics.SkinImage.h"
#include "zcl/ui/ZCL.UI.Resources.Texture.h"
#include "zeph/core/ZEPH.Core.Config.h"
#include "zeph/core/ZEPH.Core.Hotkeys.h"
#include "zeph/core/ZEPH.Core.Images.h"
#include "zeph/core/ZEPH.Core.h"

namespace {
const String SectionCommon = u"Common";
TZEPHServiceActionManager* GActionManager = nullptr;

template <InterfaceType I>
IPtr<I> Query(IInterface* Object) {
  IPtr<I> result;
  if (Object) Supports(Object, result);
  return result;
}

// Property 8 of actions and 6, 7 of menu items: null clears, an object without the event
// interface leaves the handler and answers the query's failure.
void SetEventHandler(IPtr<IZEPHActionEvent>& Handler, IInterface* Value, HRESULT& Result) {
  if (!Value) {
    Handler = nullptr;
    return;
  }
  void* obj = nullptr;
  HRESULT r = S_OK;
  if (!TryQueryInterface(Value, IIDOf<IZEPHActionEvent>(), &obj, r)) {
    Result = r;
    return;
  }
  Handler = IPtr<IZEPHActionEvent>::Adopt(static_cast<IZEPHActionEvent*>(obj));
}

void CallHandler(const IPtr<IZEPHActionEvent>& Handler, IInterface* Self) {
  if (!Handler) return;
  IPtr<IInterface> keep(Self);
  IPtr<IZEPHActionEvent> handler = Handler;
  handler->OnExecute(Self);
}
}  // namespace

TZEPHServiceActionManager* ActionManager() {
  if (!GActionManager) throw Exception(u"FZEPHActionManager is nil");
  return GActionManager;
}

// ---- TZEPHAction ---------------------------------------------------------------------------------

void TZEPHAction::BeforeDestruction() {
  TZCLObjectLinks::Release(this);
  TAction::BeforeDestruction();
}

void TZEPHAction::DeclareProperties(TClassDeclaration<TZEPHAction>& D) {
  D.Property(u"ID", &TZEPHAction::GetID, &TZEPHAction::SetID);
}

void TZEPHAction::Localize(const String&, const String&) {
  if (FID.empty()) return;
  SetCaption(LangGet(SectionCommon, FID, GetCaption()));
  SetCategory(LangGet(SectionCommon, FID + u".g", GetCategory()));
  SetHint(LangGet(SectionCommon, FID + u".h", GetHint()));
}

// ---- TZEPHMenuItem -------------------------------------------------------------------------------

void TZEPHMenuItem::BeforeDestruction() {
  TZCLObjectLinks::Release(this);
  TZCLMenuItem::BeforeDestruction();
}

void TZEPHMenuItem::DeclareProperties(TClassDeclaration<TZEPHMenuItem>& D) {
  D.Property(u"ID", &TZEPHMenuItem::GetID, &TZEPHMenuItem::SetID);
  D.Property(u"Style", &TZEPHMenuItem::GetStyle, &TZEPHMenuItem::SetStyle).Default(0);
}

Integer TZEPHMenuItem::GetStyle() const {
  if (GetRadioItem()) return 2;
  return GetAutoCheck() ? 1 : 0;
}

void TZEPHMenuItem::SetStyle(Integer Value) {
  SetAutoCheck(false);
  SetRadioItem(false);
  if (Value == 1) SetAutoCheck(true);
  if (Value == 2) SetRadioItem(true);
}

void TZEPHMenuItem::Localize(const String&, const String&) {
  if (IsLine()) return;
  String def = GetCaption();
  if (TBasicAction* action = GetAction()) {
    if (PPropInfo info = GetPropInfo(action, u"Caption")) {
      const String caption = GetStrProp(action, info);
      if (!caption.empty()) def = caption;
    }
  }
  SetCaption(FID.empty() ? def : LangGet(SectionCommon, FID, def));
}

// ---- action views --------------------------------------------------------------------------------

TZEPHActionCustomAdapter::TZEPHActionCustomAdapter(TPersistent* AObject, TStreamOwnership AOwnership)
    : TZEPHMappedObjectAdapter(AObject, AOwnership) {
  MapActionProperties();
}

void TZEPHActionCustomAdapter::MapActionProperties() {
  TObject* action = GetLinkedObject();
  MapProperty(4, u"Enabled", action);
  MapProperty(3, u"Category", action);
  MapProperty(1, u"ID", action);
  MapProperty(2, u"Caption", action);
}

TZEPHAction* TZEPHActionCustomAdapter::GetAction() const { return static_cast<TZEPHAction*>(FObject); }

void TZEPHActionCustomAdapter::BeforeDestruction() {
  if (TZEPHAction* action = GetAction())
    if (action->GetOnExecute() == TNotifyEvent(this, &TZEPHActionCustomAdapter::ExecuteHandler))
      action->SetOnExecute(nullptr);
  TZEPHMappedObjectAdapter::BeforeDestruction();
}

void TZEPHActionCustomAdapter::Localize(const String& Section, const String& Name) {
  if (TZEPHAction* action = GetAction()) action->Localize(Section, Name);
}

void TZEPHActionCustomAdapter::ExecuteHandler(TObject*) { CallHandler(FHandler, static_cast<IZEPHAction*>(this)); }

IPtr<IInterface> TZEPHActionCustomAdapter::DoGetValueAsObject(Integer PropertyID) {
  if (PropertyID == 8) return IPtr<IInterface>(FHandler.get());
  return TZEPHMappedObjectAdapter::DoGetValueAsObject(PropertyID);
}

void TZEPHActionCustomAdapter::DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) {
  if (PropertyID == 8)
    SetEventHandler(FHandler, Value, Result);
  else
    TZEPHMappedObjectAdapter::DoSetValueAsObject(PropertyID, Value, Result);
}

TZEPHActionAdapter::TZEPHActionAdapter() : TZEPHActionCustomAdapter(nullptr, soReference) {
  FManager = HotkeysManager();
  auto* action = new TZEPHAction(ActionManager());
  FHotkeyItem = FManager->AddAction(action);
  SetObject(action);
  action->SetOnExecute(TNotifyEvent(this, &TZEPHActionAdapter::ExecuteHandler));
  MapActionProperties();
  MapProperty(5, u"HotkeyLocalDefault", FHotkeyItem);
  MapProperty(6, u"HotkeyGlobal1Default", FHotkeyItem);
  MapProperty(7, u"HotkeyGlobal2Default", FHotkeyItem);
}

void TZEPHActionAdapter::BeforeDestruction() {
  FreeAction();
  TZEPHActionCustomAdapter::BeforeDestruction();
}

void TZEPHActionAdapter::LoadHotkeys() {
  if (!FHotkeyItem || !GetAction()) return;
  FHotkeyItem->SetID(GetAction()->GetID());
  if (FHotkeyItem->GetID().empty()) return;
  if (TZCLIniFile* ini = CoreConfigGetIniFile()) FHotkeyItem->LoadFromIni(ini);
}

// The local shortcut lives in the action: with the action gone there is nothing to save.
void TZEPHActionAdapter::SaveHotkeys() {
  if (!FHotkeyItem || !GetAction() || FHotkeyItem->GetID().empty()) return;
  if (TZCLIniFile* ini = CoreConfigGetIniFile()) FHotkeyItem->SaveToIni(ini);
}

void TZEPHActionAdapter::FreeAction() {
  TZEPHHotkeyItem* item = FHotkeyItem;
  FHotkeyItem = nullptr;
  if (!item) return;
  if (TZEPHAction* action = GetAction()) {
    FManager->RemoveAction(action);
    Free(action);
  } else {
    // The service freed the action first: the item must not outlive it in the manager.
    FManager->GetItems()->Remove(item);
  }
}

// ---- menu item views -----------------------------------------------------------------------------

TZEPHMenuItem* TZEPHCustomMenuItemAdapter::GetItem() const { return static_cast<TZEPHMenuItem*>(FObject); }

HRESULT TZEPHCustomMenuItemAdapter::DeleteChildren() {
  const HRESULT r = CheckState();
  if (r < 0) return r;
  try {
    DoDeleteChildren();
  } catch (...) {
    return E_UNEXPECTED;
  }
  return S_OK;
}

void TZEPHCustomMenuItemAdapter::DoDeleteChildren() {
  auto* item = static_cast<TMenuItem*>(FObject);
  for (Integer i = item->GetCount() - 1; i >= 0; --i) {
    if (i >= item->GetCount()) continue;
    void* obj = nullptr;
    if (TZEPHCoreAdaptersMap::QueryAdapter(item->GetItem(i), IIDOf<IZEPHMenuItem>(), &obj) < 0 || !obj) continue;
    auto child = IPtr<IZEPHMenuItem>::Adopt(static_cast<IZEPHMenuItem*>(obj));
    TZEPHCore::Instance()->UnregisterServiceExtension(IIDOf<IZEPHServiceMenuManager>(), child.get());
  }
}

Integer TZEPHCustomMenuItemAdapter::GetDPI() {
  if (CheckState() < 0) return 0;
  const Integer dpi = static_cast<TZCLMenuItem*>(FObject)->GetCurrentDpi();
  return dpi > 0 ? dpi : GetSystemDPI();
}

TZEPHMenuItemAdapter::TZEPHMenuItemAdapter() : TZEPHCustomMenuItemAdapter(nullptr, soOwned) {
  Attach(new TZEPHMenuItem(ActionManager()));
}

TZEPHMenuItemAdapter::TZEPHMenuItemAdapter(TZEPHMenuItem* AItem) : TZEPHCustomMenuItemAdapter(nullptr, soReference) {
  Attach(AItem);
}

void TZEPHMenuItemAdapter::Attach(TZEPHMenuItem* item) {
  SetObject(item);
  item->OnClick = TNotifyEvent(this, &TZEPHMenuItemAdapter::ClickHandler);
  item->OnShow = TNotifyEvent(this, &TZEPHMenuItemAdapter::ShowHandler);
  const std::pair<Integer, const Char*> map[] = {{1, u"Action"},    {13, u"Checked"}, {14, u"Default"},
                                                 {4, u"Enabled"},   {2, u"ID"},       {3, u"Caption"},
                                                 {15, u"ShortCut"}, {5, u"Style"},    {12, u"Visible"}};
  for (const auto& [id, name] : map) MapProperty(id, name, item);
}

void TZEPHMenuItemAdapter::BeforeDestruction() {
  try {
    SetParent(nullptr);
  } catch (...) {
  }
  if (TZEPHMenuItem* item = GetItem()) {
    item->OnClick = nullptr;
    item->OnShow = nullptr;
  }
  TZEPHCustomMenuItemAdapter::BeforeDestruction();
}

void TZEPHMenuItemAdapter::Localize(const String& Section, const String& Name) {
  if (TZEPHMenuItem* item = GetItem()) item->Localize(Section, Name);
}

void TZEPHMenuItemAdapter::ClickHandler(TObject*) { CallHandler(FClickHandler, static_cast<IZEPHMenuItem*>(this)); }
void TZEPHMenuItemAdapter::ShowHandler(TObject*) { CallHandler(FShowHandler, static_cast<IZEPHMenuItem*>(this)); }

IPtr<IInterface> TZEPHMenuItemAdapter::DoGetValueAsObject(Integer PropertyID) {
  switch (PropertyID) {
    case 6:
      return IPtr<IInterface>(FClickHandler.get());
    case 7:
      return IPtr<IInterface>(FShowHandler.get());
    case 11:
      return IPtr<IInterface>(FParent.get());
    case 10: {
      TZCLSkinImage* image = GetItem()->GetGlyph()->GetCurrentImage();
      if (!image || image->Empty()) return nullptr;
      std::unique_ptr<TBitmap> bitmap(new TBitmap());
      image->SaveToBitmap(bitmap.get());
      return IPtr<IInterface>(static_cast<IZEPHImage*>(Create<TZEPHImageAdapter>(bitmap.get())));
    }
    default:
      return TZEPHCustomMenuItemAdapter::DoGetValueAsObject(PropertyID);
  }
}

void TZEPHMenuItemAdapter::DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) {
  switch (PropertyID) {
    case 6:
      SetEventHandler(FClickHandler, Value, Result);
      return;
    case 7:
      SetEventHandler(FShowHandler, Value, Result);
      return;
    case 10:
      SetGlyph(Value);
      return;
    case 11:
      SetParent(Value);
      return;
    default:
      TZEPHCustomMenuItemAdapter::DoSetValueAsObject(PropertyID, Value, Result);
  }
}

void TZEPHMenuItemAdapter::SetGlyph(IInterface* Value) {
  IPtr<IZEPHImage> image = Query<IZEPHImage>(Value);
  if (Value && !image) throw EInvalidCast(u"Invalid class typecast");
  std::unique_ptr<TBitmap> bitmap(image ? TZEPHImageHelper::ToBitmap(image.get()) : nullptr);
  TZCLGlyph* glyph = GetItem()->GetGlyph();
  glyph->SetOverriden(true);
  if (bitmap) {
    IPtr<IZEPHDPIAware> aware = Query<IZEPHDPIAware>(image.get());
    glyph->GetImageSet()->AssignBitmap(bitmap.get(), aware ? aware->GetDPI() : 96);
  } else {
    glyph->GetImageSet()->Clear();
  }
}

// The new parent is checked before the item leaves its old one, so a refused parent leaves the
// item where it was.
void TZEPHMenuItemAdapter::SetParent(IInterface* Value) {
  IPtr<IZEPHMenuItem> parent = Query<IZEPHMenuItem>(Value);
  if (Value && !parent) throw EInvalidCast(TMenuItem::StaticClass()->ClassName());
  if (parent.get() == FParent.get()) return;
  TZEPHMenuItem* item = GetItem();
  TMenuItem* newParent = nullptr;
  if (parent) {
    newParent = static_cast<TMenuItem*>(AdapterGetObjectChecked(parent.get(), TMenuItem::StaticClass()));
    if (item && !MenuItemCanBeChildOf(item, newParent)) throw Exception(u"This menu cannot be a parent");
  }
  if (item && item->GetParent()) item->GetParent()->Remove(item);
  if (item && newParent) newParent->Add(item);
  FParent = parent;
}

// ---- TZEPHServiceActionManager -------------------------------------------------------------------

TZEPHServiceActionManager::TZEPHServiceActionManager() : TComponent(nullptr), FBuiltInMenus(new TZCLStringList()) {
  LangFile();
  LangAddListener(IPtr<IInterface>(static_cast<IZCLLocalizationListener*>(this)));
}

TZEPHServiceActionManager::~TZEPHServiceActionManager() {
  LangRemoveListener(IPtr<IInterface>(static_cast<IZCLLocalizationListener*>(this)));
  Free(FBuiltInMenus);
}

void TZEPHServiceActionManager::AfterConstruction() {
  TComponent::AfterConstruction();
  TZEPHCore* core = TZEPHCore::Instance();
  core->RegisterService(static_cast<IZEPHServiceActionManager*>(this));
  core->RegisterCreateObjectProc(IIDOf<IZEPHAction>(), [](IPtr<IInterface>& Obj) {
    Obj = IPtr<IInterface>(static_cast<IZEPHAction*>(Create<TZEPHActionAdapter>()));
  });
  core->RegisterCreateObjectProc(IIDOf<IZEPHMenuItem>(), [](IPtr<IInterface>& Obj) {
    Obj = IPtr<IInterface>(static_cast<IZEPHMenuItem*>(Create<TZEPHMenuItemAdapter>()));
  });
}

void TZEPHServiceActionManager::BeforeDestruction() {
  if (TZEPHCore* core = TZEPHCore::InstanceIfExists())
    core->UnregisterService(static_cast<IZEPHServiceActionManager*>(this));
  TComponent::BeforeDestruction();
}

void TZEPHServiceActionManager::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent->GetOwner() == this) TZCLObjectLinks::Release(AComponent);
}

HRESULT TZEPHServiceActionManager::GetBuiltIn(Integer MenuID, IPtr<IZEPHMenuItem>& Item) {
  Item = nullptr;
  try {
    for (Integer i = 0; i < FBuiltInMenus->GetCount(); ++i)
      if (reinterpret_cast<NativeInt>(FBuiltInMenus->GetObjects(i)) == MenuID) {
        Item = Query<IZEPHMenuItem>(FBuiltInMenus->GetInterfaces(i));
        return S_OK;
      }
    return E_INVALIDARG;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHServiceActionManager::GetByID(IZEPHString* ID, IPtr<IZEPHMenuItem>& Item) {
  void* obj = nullptr;
  const HRESULT r = FindByID(ID, IIDOf<IZEPHMenuItem>(), &obj);
  Item = r >= 0 && obj ? IPtr<IZEPHMenuItem>::Adopt(static_cast<IZEPHMenuItem*>(obj)) : nullptr;
  return r;
}

HRESULT TZEPHServiceActionManager::GetByID(IZEPHString* ID, IPtr<IZEPHAction>& Action) {
  void* obj = nullptr;
  const HRESULT r = FindByID(ID, IIDOf<IZEPHAction>(), &obj);
  Action = r >= 0 && obj ? IPtr<IZEPHAction>::Adopt(static_cast<IZEPHAction*>(obj)) : nullptr;
  return r;
}

HRESULT TZEPHServiceActionManager::FindByID(IZEPHString* ID, const TGUID& IID, void** Obj) {
  try {
    const String text = PluginStringText(ID);
    if (text.empty()) return E_INVALIDARG;
    for (Integer i = 0; i < GetComponentCount(); ++i) {
      TComponent* component = GetComponent(i);
      PPropInfo info = GetPropInfo(component, u"ID");
      if (info && GetStrProp(component, info) == text) return TZEPHCoreAdaptersMap::QueryAdapter(component, IID, Obj);
    }
    return E_INVALIDARG;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

Cardinal TZEPHServiceActionManager::MakeHotkey(Integer Modifiers, Integer Key) {
  THotkeyModifiers set;
  if (Modifiers & 1) set.Include(hkmCtrl);
  if (Modifiers & 2) set.Include(hkmAlt);
  if (Modifiers & 4) set.Include(hkmShift);
  if (Modifiers & 8) set.Include(hkmWin);
  return THotkey::Make(static_cast<Byte>(Key & 0xFF), set);
}

void TZEPHServiceActionManager::RegisterExtension(IInterface* Extension) {
  if (auto localizable = Query<IZCLLocalizableComponent>(Extension)) localizable->Localize(String(), String());
  if (auto action = Query<IZEPHActionInternal>(Extension)) action->LoadHotkeys();
}

void TZEPHServiceActionManager::UnregisterExtension(IInterface* Extension) {
  if (auto item = Query<IZEPHMenuItem>(Extension)) {
    item->SetValueAsObject(11, nullptr);
    item->DeleteChildren();
  }
  if (auto action = Query<IZEPHActionInternal>(Extension)) {
    action->SaveHotkeys();
    action->FreeAction();
  }
}

void TZEPHServiceActionManager::LanguageChanged() {
  for (Integer i = 0; i < GetComponentCount(); ++i)
    if (auto localizable = Query<IZCLLocalizableComponent>(GetComponent(i))) localizable->Localize(String(), String());
}

// ---- unit ----------------------------------------------------------------------------------------

namespace {
void StartActionManager() {
  if (!GActionManager) GActionManager = Create<TZEPHServiceActionManager>();
}

void StopActionManager() {
  TZEPHServiceActionManager* manager = GActionManager;
  GActionManager = nullptr;
  Free(manager);
}
}  // namespace

void ActionsInitialize() {
  RegisterProperties<TZEPHAction>();
  RegisterProperties<TZEPHMenuItem>();
  TZEPHCoreAdaptersMap::Unregister(TZEPHAction::StaticClass());
  TZEPHCoreAdaptersMap::Unregister(TZEPHMenuItem::StaticClass());
  TZEPHCoreAdaptersMap::RegisterMapped(TZEPHAction::StaticClass(), TZEPHActionCustomAdapter::StaticClass());
  TZEPHCoreAdaptersMap::RegisterMapped(TZEPHMenuItem::StaticClass(), TZEPHCustomMenuItemAdapter::StaticClass());
  TZEPHCore::Instance()->RegisterStartStopProcs(&StartActionManager, &StopActionManager);
}

void ActionsFinalize() { StopActionManager(); }
