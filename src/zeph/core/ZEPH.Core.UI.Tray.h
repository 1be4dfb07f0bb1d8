#pragma once
// A plugin's own icon in the notification area: tooltip, context menu, identifier, clicks and
// balloons. Clicks on the icon go to the events handler given at creation, clicks on a balloon
// to the one given with that balloon.

#include "zeph/core/ZEPH.Core.UI.h"

class TZCLTrayIcon;

// Property identifiers of the tray icon.
constexpr Integer ZEPH_UI_TRAY_PROP_ID = 1;
constexpr Integer ZEPH_UI_TRAY_PROP_HINT = 2;
constexpr Integer ZEPH_UI_TRAY_PROP_ICON = 3;  // write only
constexpr Integer ZEPH_UI_TRAY_PROP_POPUP_MENU = 4;
constexpr Integer ZEPH_UI_TRAY_PROP_ICON_VISIBLE = 5;

// Balloon flags: bit 0 error, else bit 1 warning, else information.
constexpr Integer ZEPH_UI_BALLOON_ERROR = 1;
constexpr Integer ZEPH_UI_BALLOON_WARNING = 2;

struct IZEPHUITrayIcon : virtual IZEPHPropertyList {
  RTL_INTERFACE(IZEPHUITrayIcon, IZEPHPropertyList, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D018B}")
  virtual HRESULT ShowBalloonHint(IZEPHString* Title, IZEPHString* Text, Integer Flags, IInterface* EventsHandler) = 0;
};

// Creates its tray icon (shown at once with the application's icon) and frees it with itself.
class TZEPHUITrayIcon : public TZEPHUIComponent, public virtual IZEPHUITrayIcon {
  ZCL_CLASS(TZEPHUITrayIcon, TZEPHUIComponent)
  RTL_INTERFACES(TZEPHUIComponent, IZEPHUITrayIcon)
 public:
  using TZEPHUIComponent::TZEPHUIComponent;
  void BeforeDestruction() override;
  HRESULT ShowBalloonHint(IZEPHString* Title, IZEPHString* Text, Integer Flags, IInterface* EventsHandler) override;
  TZCLTrayIcon* AsTrayIcon() const;

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  void ComponentCreated() override;
  void UnbindEvents() override;
  IPtr<IInterface> DoGetValueAsObject(Integer PropertyID) override;
  void DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) override;

 private:
  void BalloonClick(TObject* Sender);
  IPtr<IInterface> FBalloonEventsHandler;
};
