#include "zeph/core/ZEPH.Core.UI.Tray.h"

#include <memory>

#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Graphics.h"
#include "vcl/VCL.Imaging.h"
#include "vcl/VCL.Menus.h"
#include "zcl/ui/controls/ZCL.UI.TrayIcon.h"

TZCLTrayIcon* TZEPHUITrayIcon::AsTrayIcon() const { return dynamic_cast<TZCLTrayIcon*>(FObject); }

TComponent* TZEPHUITrayIcon::CreateComponent(TComponent* Owner) {
  auto* icon = Create<TZCLTrayIcon>(Owner);
  try {
    if (Application) icon->SetIcon(Application->GetIcon());
    icon->OnBallonHintClick = TNotifyEvent(this, &TZEPHUITrayIcon::BalloonClick);
    icon->OnClick = TNotifyEvent(static_cast<TZEPHUIComponent*>(this), &TZEPHUIComponent::DoChanged);
    icon->SetIconVisible(true);
    icon->SetEnabled(true);
  } catch (...) {
    Free(icon);
    throw;
  }
  return icon;
}

void TZEPHUITrayIcon::ComponentCreated() {
  TZCLTrayIcon* icon = AsTrayIcon();
  MapProperty(ZEPH_UI_TRAY_PROP_ID, u"ID", icon);
  MapProperty(ZEPH_UI_TRAY_PROP_HINT, u"Hint", icon);
  MapProperty(ZEPH_UI_TRAY_PROP_ICON_VISIBLE, u"IconVisible", icon);
}

void TZEPHUITrayIcon::UnbindEvents() {
  FBalloonEventsHandler = nullptr;
  if (TZCLTrayIcon* icon = AsTrayIcon()) {
    icon->OnBallonHintClick = nullptr;
    icon->OnClick = nullptr;
  }
}

void TZEPHUITrayIcon::BeforeDestruction() {
  UnbindEvents();
  if (TObject* icon = FObject) {
    SetObject(nullptr);
    Free(icon);
  }
  TZEPHUIComponent::BeforeDestruction();
}

void TZEPHUITrayIcon::BalloonClick(TObject*) {
  IPtr<IInterface> handler = FBalloonEventsHandler;
  IPtr<IZEPHUIChangeEvents> events;
  if (handler && Supports(handler.get(), events)) events->OnChanged(AsSender());
}

HRESULT TZEPHUITrayIcon::ShowBalloonHint(IZEPHString* Title, IZEPHString* Text, Integer Flags,
                                         IInterface* EventsHandler) {
  return Checked([&] {
    FBalloonEventsHandler = IPtr<IInterface>(EventsHandler);
    const TZCLTrayIconBalloonKind kind = (Flags & ZEPH_UI_BALLOON_ERROR)     ? tibError
                                         : (Flags & ZEPH_UI_BALLOON_WARNING) ? tibWarning
                                                                             : tibInfo;
    AsTrayIcon()->BalloonHint(PluginStringToStr(Title), PluginStringToStr(Text), kind);
    return S_OK;
  });
}

IPtr<IInterface> TZEPHUITrayIcon::DoGetValueAsObject(Integer PropertyID) {
  if (PropertyID == ZEPH_UI_TRAY_PROP_ICON) return nullptr;
  if (PropertyID == ZEPH_UI_TRAY_PROP_POPUP_MENU) {
    IPtr<IInterface> adapter;
    TZEPHCoreAdaptersMap::GetAdapter(adapter, AsTrayIcon()->GetPopupMenu(), soReference);
    return adapter;
  }
  return TZEPHUIComponent::DoGetValueAsObject(PropertyID);
}

void TZEPHUITrayIcon::DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) {
  if (PropertyID == ZEPH_UI_TRAY_PROP_ICON) {
    // Loaded aside first, so that an object that is no picture leaves the icon as it was.
    std::unique_ptr<TIcon> icon(new TIcon());
    Result = LoadIconFromObject(icon.get(), Value);
    if (Result >= 0) AsTrayIcon()->SetIcon(icon.get());
    return;
  }
  if (PropertyID == ZEPH_UI_TRAY_PROP_POPUP_MENU) {
    AsTrayIcon()->SetPopupMenu(static_cast<TPopupMenu*>(AdapterGetObjectChecked(Value, TPopupMenu::StaticClass())));
    return;
  }
  TZEPHUIComponent::DoSetValueAsObject(PropertyID, Value, Result);
}
