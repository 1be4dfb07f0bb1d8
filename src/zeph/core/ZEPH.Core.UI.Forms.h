#pragma once
// The forms plugins get: a localizable form that floats or sits embedded in a host window, and
// its wrapper, which keeps itself alive while the form exists and lets the plugin decide on
// closing.

#include "zcl/ui/ZCL.UI.Forms.h"
#include "zeph/core/ZEPH.Core.UI.h"

// Property identifiers of forms.
constexpr Integer ZEPH_UI_FORM_PROP_BORDER_ICONS = 31;
constexpr Integer ZEPH_UI_FORM_PROP_BORDER_STYLE = 32;
constexpr Integer ZEPH_UI_FORM_PROP_CAPTION = 33;
constexpr Integer ZEPH_UI_FORM_PROP_CLOSE_BY_ESCAPE = 34;
constexpr Integer ZEPH_UI_FORM_PROP_ICON = 35;
constexpr Integer ZEPH_UI_FORM_PROP_BORDER_WIDTH = 36;
constexpr Integer ZEPH_UI_FORM_PROP_SHOW_IN_TASKBAR = 37;
constexpr Integer ZEPH_UI_FORM_PROP_STYLE = 38;

// Creation flags: bit 0 embeds the form in the owner window.
constexpr Integer ZEPH_UI_FORM_EMBEDDED = 1;

struct IZEPHUIForm : virtual IZEPHUIWinControl {
  RTL_INTERFACE(IZEPHUIForm, IZEPHUIWinControl, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0104}")
  virtual HRESULT Close() = 0;
  virtual HRESULT GetFocusedControl(IPtr<IZEPHUIWinControl>& Control) = 0;
  virtual HRESULT Localize() = 0;
  virtual HRESULT Release(LongBool Postpone) = 0;
  // Not a result code: the modal result, -1 when refused.
  virtual Integer ShowModal() = 0;
};

struct IZEPHUIFormEvents : virtual IInterface {
  RTL_INTERFACE(IZEPHUIFormEvents, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0117}")
  virtual void OnActivated(IZEPHUIForm* Sender) = 0;
  virtual void OnDeactivated(IZEPHUIForm* Sender) = 0;
  virtual void OnCreated(IZEPHUIForm* Sender) = 0;
  virtual void OnDestroyed(IZEPHUIForm* Sender) = 0;
  virtual void OnCloseQuery(IZEPHUIForm* Sender, LongBool& CanClose) = 0;
  virtual void OnLocalize(IZEPHUIForm* Sender) = 0;
  virtual void OnShortCut(IZEPHUIForm* Sender, Word Key, Integer Modifiers, LongBool& Handled) = 0;
};

struct IZEPHUIFormEvents2 : virtual IInterface {
  RTL_INTERFACE(IZEPHUIFormEvents2, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0118}")
  virtual void OnDPIChanged(IZEPHUIForm* Sender, Integer NewDPI, Integer CurrentDPI) = 0;
};

class TZEPHUIForm : public TZCLLocalizableForm {
  ZCL_CLASS(TZEPHUIForm, TZCLLocalizableForm)
 public:
  using TZCLLocalizableForm::TZCLLocalizableForm;
  static void DeclareProperties(TClassDeclaration<TZEPHUIForm>& D);
  // A form without resource and without owner: embedded in OwnerWindow's control (or window)
  // with ZEPH_UI_FORM_EMBEDDED, 320 x 240.
  static TZEPHUIForm* CreateForPlugin(HWND OwnerWindow, Integer Flags);

  bool GetCloseByEscape() const { return FCloseByEscape; }
  void SetCloseByEscape(bool Value) { FCloseByEscape = Value; }
  Integer GetStyleValue() const;
  HWND GetOwnerWindow() const { return FOwnerWindow; }
  Integer GetFlags() const { return FFlags; }
  String GetLocalizedSection() override {
    return FSectionName.empty() ? TZCLLocalizableForm::GetLocalizedSection() : FSectionName;
  }
  void SetSectionName(const String& Value) { FSectionName = Value; }
  void LocalizeForm() override;

  TNotifyEvent OnLocalized;
  TDelegate<void(TObject* Sender, Integer NewDPI, Integer CurrentDPI)> OnDPIChange;

 protected:
  bool CanCloseByEscape() override { return FCloseByEscape; }
  void CreateParams(TCreateParams& Params) override;
  void ScaleForPPI(Integer NewPPI) override;

 private:
  HWND FOwnerWindow = nullptr;
  Integer FFlags = 0;
  bool FCloseByEscape = false;
  String FSectionName;
};

class TZEPHUIFormControl : public TZEPHUIWinControl, public virtual IZEPHUIForm {
  ZCL_CLASS(TZEPHUIFormControl, TZEPHUIWinControl)
  RTL_INTERFACES(TZEPHUIWinControl, IZEPHUIForm)
 public:
  TZEPHUIFormControl(IZEPHString* Name, IInterface* EventsHandler, HWND OwnerWindow, Integer Flags);

  HRESULT Close() override;
  HRESULT GetFocusedControl(IPtr<IZEPHUIWinControl>& Control) override;
  HRESULT Localize() override;
  HRESULT Release(LongBool Postpone) override;
  Integer ShowModal() override;

  TZEPHUIForm* AsForm() const { return dynamic_cast<TZEPHUIForm*>(FObject); }
  // Keeps a non-visual wrapper the UI service made with this form as owner, as long as itself.
  void AddComponent(IInterface* Component) { FComponents.emplace_back(Component); }

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  void ComponentCreated() override;
  void BindEvents() override;
  void UnbindEvents() override;
  HRESULT DoSetPlacement(const TZEPHUIPlacement& Placement) override;
  void DoGetValueAsInt32(Integer PropertyID, Integer& Value, HRESULT& Result) override;
  void DoSetValueAsInt32(Integer PropertyID, Integer Value, HRESULT& Result) override;
  void DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) override;

 private:
  HRESULT DoRelease(bool Postpone);
  void FormActivate(TObject* Sender);
  void FormDeactivate(TObject* Sender);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void FormDestroy(TObject* Sender);
  void FormShortCut(TMessage& Msg, bool& Handled);
  void FormLocalized(TObject* Sender);
  void FormDPIChange(TObject* Sender, Integer NewDPI, Integer CurrentDPI);

  String FName;
  HWND FOwnerWindow;
  Integer FFlags;
  bool FReleasePending = false;
  // Held from creation until the form goes.
  IPtr<IInterface> FSelf;
  std::vector<IPtr<IInterface>> FComponents;
};

void RegisterPluginFormClasses();
