#include "zeph/core/ZEPH.Core.UI.Forms.h"

#include "os/OS.Icons.h"
#include "os/OS.Windows.h"
#include "vcl/VCL.Imaging.h"
#include "vcl/VCL.Messages.h"
#include "zcl/ui/ZCL.UI.Application.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"

// ---- form -----------------------------------------------------------------------------------------

void TZEPHUIForm::DeclareProperties(TClassDeclaration<TZEPHUIForm>& D) {
  D.Property(u"CloseByEscape", &TZEPHUIForm::GetCloseByEscape, &TZEPHUIForm::SetCloseByEscape).Default(false);
  D.Property(u"Style", &TZEPHUIForm::GetStyleValue);
}

TZEPHUIForm* TZEPHUIForm::CreateForPlugin(HWND OwnerWindow, Integer Flags) {
  auto* form = TCustomForm::CreateNew<TZEPHUIForm>(nullptr);
  form->FOwnerWindow = OwnerWindow;
  form->FFlags = Flags;
  try {
    if ((Flags & ZEPH_UI_FORM_EMBEDDED) && OwnerWindow)
      if (TWinControl* host = FindControl(OwnerWindow)) form->SetParent(host);
    form->SetBounds(form->GetLeft(), form->GetTop(), 320, 240);
    form->GetFont()->SetHeight(-ScaleByDPI(11, form->GetPixelsPerInch() ? form->GetPixelsPerInch() : 96));
  } catch (...) {
    Free(form);
    throw;
  }
  return form;
}

Integer TZEPHUIForm::GetStyleValue() const { return TZCLApplication::IsDarkMode() ? 1 : 0; }

void TZEPHUIForm::LocalizeForm() {
  TZCLLocalizableForm::LocalizeForm();
  if (OnLocalized) OnLocalized(this);
}

void TZEPHUIForm::CreateParams(TCreateParams& Params) {
  TZCLLocalizableForm::CreateParams(Params);
  if ((FFlags & ZEPH_UI_FORM_EMBEDDED) && !GetParent() && FOwnerWindow) {
    Params.Style = (Params.Style & ~WS_POPUP) | WS_CHILD | WS_GROUP | WS_TABSTOP;
    Params.WndParent = FOwnerWindow;
  }
}

void TZEPHUIForm::ScaleForPPI(Integer NewPPI) {
  const Integer current = GetPixelsPerInch();
  DisableAlign();
  try {
    TZCLLocalizableForm::ScaleForPPI(NewPPI);
    if (OnDPIChange) OnDPIChange(this, NewPPI, current);
  } catch (...) {
    EnableAlign();
    throw;
  }
  EnableAlign();
}

// ---- wrapper --------------------------------------------------------------------------------------

TZEPHUIFormControl::TZEPHUIFormControl(IZEPHString* Name, IInterface* EventsHandler, HWND OwnerWindow, Integer Flags)
    : TZEPHUIWinControl(EventsHandler, nullptr),
      FName(PluginStringText(Name)),
      FOwnerWindow(OwnerWindow),
      FFlags(Flags) {}

TComponent* TZEPHUIFormControl::CreateComponent(TComponent*) {
  return TZEPHUIForm::CreateForPlugin(FOwnerWindow, FFlags);
}

void TZEPHUIFormControl::ComponentCreated() {
  TZEPHUIWinControl::ComponentCreated();
  TZEPHUIForm* form = AsForm();
  form->SetSectionName(FName);
  form->SetDoubleBuffered(true);
  form->SetShowHint(true);
  if (FFlags & ZEPH_UI_FORM_EMBEDDED) form->SetBorderStyle(bsNone);
  form->SetPosition(FOwnerWindow ? poOwnerFormCenter : poScreenCenter);
  MapProperty(ZEPH_UI_FORM_PROP_CAPTION, u"Caption", form);
  MapProperty(ZEPH_UI_FORM_PROP_CLOSE_BY_ESCAPE, u"CloseByEscape", form);
  MapProperty(ZEPH_UI_FORM_PROP_BORDER_WIDTH, u"BorderWidth", form);
  MapProperty(ZEPH_UI_FORM_PROP_SHOW_IN_TASKBAR, u"ShowInTaskBar", form);
  MapProperty(ZEPH_UI_FORM_PROP_STYLE, u"Style", form);
  FSelf = AsSender();
  if (auto events = Events<IZEPHUIFormEvents>()) events->OnCreated(this);
}

void TZEPHUIFormControl::BindEvents() {
  TZEPHUIWinControl::BindEvents();
  TZEPHUIForm* form = AsForm();
  form->OnActivate = TNotifyEvent(this, &TZEPHUIFormControl::FormActivate);
  form->OnDeactivate = TNotifyEvent(this, &TZEPHUIFormControl::FormDeactivate);
  form->OnCloseQuery = TCloseQueryEvent(this, &TZEPHUIFormControl::FormCloseQuery);
  form->OnDestroy = TNotifyEvent(this, &TZEPHUIFormControl::FormDestroy);
  form->OnShortCut = TShortCutEvent(this, &TZEPHUIFormControl::FormShortCut);
  form->OnLocalized = TNotifyEvent(this, &TZEPHUIFormControl::FormLocalized);
  form->OnDPIChange = decltype(form->OnDPIChange)(this, &TZEPHUIFormControl::FormDPIChange);
}

void TZEPHUIFormControl::UnbindEvents() {
  TZEPHUIWinControl::UnbindEvents();
  TZEPHUIForm* form = AsForm();
  if (!form) return;
  form->OnActivate = nullptr;
  form->OnDeactivate = nullptr;
  form->OnCloseQuery = nullptr;
  form->OnDestroy = nullptr;
  form->OnShortCut = nullptr;
  form->OnLocalized = nullptr;
  form->OnDPIChange = nullptr;
}

void TZEPHUIFormControl::FormActivate(TObject*) {
  if (auto events = Events<IZEPHUIFormEvents>()) events->OnActivated(this);
}

void TZEPHUIFormControl::FormDeactivate(TObject*) {
  if (auto events = Events<IZEPHUIFormEvents>()) events->OnDeactivated(this);
}

void TZEPHUIFormControl::FormCloseQuery(TObject*, bool& CanClose) {
  // The plugin asked for the release itself: asking it again could keep the modal loop alive.
  if (FReleasePending) return;
  auto events = Events<IZEPHUIFormEvents>();
  if (!events) return;
  LongBool answer = CanClose ? LongTrue : LongFalse;
  events->OnCloseQuery(this, answer);
  if (answer) DoRelease(true);
  // A form that is not modal is released rather than hidden.
  CanClose = answer && AsForm() && AsForm()->GetFormState().Contains(fsModal);
}

void TZEPHUIFormControl::FormDestroy(TObject*) {
  // The self-reference goes last: it may be the wrapper's last one.
  IPtr<IInterface> self = std::move(FSelf);
  try {
    if (auto events = Events<IZEPHUIFormEvents>()) events->OnDestroyed(this);
  } catch (...) {
    Detach();
    throw;
  }
  Detach();
}

void TZEPHUIFormControl::FormShortCut(TMessage& Msg, bool& Handled) {
  auto events = Events<IZEPHUIFormEvents>();
  if (!events) return;
  LongBool handled = Handled ? LongTrue : LongFalse;
  events->OnShortCut(this, Word(Msg.WParam), ShiftStateToModifiers(KeyDataToShiftState(Msg.LParam)), handled);
  if (handled) Handled = true;
}

void TZEPHUIFormControl::FormLocalized(TObject*) {
  if (auto events = Events<IZEPHUIFormEvents>()) events->OnLocalize(this);
}

void TZEPHUIFormControl::FormDPIChange(TObject*, Integer NewDPI, Integer CurrentDPI) {
  if (auto events = Events<IZEPHUIFormEvents2>()) events->OnDPIChanged(this, NewDPI, CurrentDPI);
}

HRESULT TZEPHUIFormControl::Close() {
  return Checked([&] {
    AsForm()->Close();
    return S_OK;
  });
}

HRESULT TZEPHUIFormControl::GetFocusedControl(IPtr<IZEPHUIWinControl>& Control) {
  Control = nullptr;
  return Checked([&] {
    TWinControl* active = AsForm()->GetActiveControl();
    if (!active) return E_FAIL;
    void* obj = nullptr;
    if (TZEPHCoreAdaptersMap::QueryAdapter(active, IIDOf<IZEPHUIWinControl>(), &obj) < 0 || !obj) return E_NOINTERFACE;
    Control = IPtr<IZEPHUIWinControl>::Adopt(static_cast<IZEPHUIWinControl*>(obj));
    return S_OK;
  });
}

HRESULT TZEPHUIFormControl::Localize() {
  return Checked([&] {
    AsForm()->LocalizeForm();
    return S_OK;
  });
}

HRESULT TZEPHUIFormControl::Release(LongBool Postpone) {
  return Checked([&] { return DoRelease(Postpone != 0); });
}

HRESULT TZEPHUIFormControl::DoRelease(bool Postpone) {
  TZEPHUIForm* form = AsForm();
  if (form->GetFormState().Contains(fsModal)) {
    FReleasePending = true;
    if (form->GetModalResult() == mrNone) form->SetModalResult(mrCancel);
  } else if (Postpone || (form->HandleAllocated() && form->GetVisible())) {
    form->Release();
  } else {
    Free(form);
  }
  return S_OK;
}

Integer TZEPHUIFormControl::ShowModal() {
  HRESULT r = S_OK;
  if (!CheckAccess(r)) return -1;
  // The form may go while its loop runs.
  IPtr<IInterface> keep = AsSender();
  try {
    const Integer result = AsForm()->ShowModal();
    if (FReleasePending && FObject) {
      FReleasePending = false;
      DoRelease(true);
    }
    return result;
  } catch (...) {
    return -1;
  }
}

HRESULT TZEPHUIFormControl::DoSetPlacement(const TZEPHUIPlacement& Placement) {
  const HRESULT r = TZEPHUIWinControl::DoSetPlacement(Placement);
  if (r == S_OK) AsForm()->SetPosition(poDesigned);
  return r;
}

namespace {
// Border styles in the order plugins number them.
constexpr TFormBorderStyle KBorderStyles[] = {bsSizeable, bsSingle, bsDialog, bsToolWindow, bsSizeToolWin, bsNone};
constexpr struct {
  TBorderIcon Icon;
  Integer Bit;
} KBorderIcons[] = {{biSystemMenu, 1}, {biMinimize, 2}, {biMaximize, 4}};
}  // namespace

void TZEPHUIFormControl::DoGetValueAsInt32(Integer PropertyID, Integer& Value, HRESULT& Result) {
  TZEPHUIForm* form = AsForm();
  switch (PropertyID) {
    case ZEPH_UI_FORM_PROP_BORDER_ICONS:
      Value = 0;
      for (const auto& i : KBorderIcons)
        if (form->GetBorderIcons().Contains(i.Icon)) Value |= i.Bit;
      return;
    case ZEPH_UI_FORM_PROP_BORDER_STYLE:
      Value = 0;
      for (Integer i = 0; i < Integer(std::size(KBorderStyles)); ++i)
        if (KBorderStyles[i] == form->GetBorderStyle()) Value = i;
      return;
    case ZEPH_UI_FORM_PROP_ICON:
      Value = Integer(reinterpret_cast<intptr_t>(form->GetIcon()->GetHandle()));
      return;
    default:
      TZEPHUIWinControl::DoGetValueAsInt32(PropertyID, Value, Result);
  }
}

void TZEPHUIFormControl::DoSetValueAsInt32(Integer PropertyID, Integer Value, HRESULT& Result) {
  TZEPHUIForm* form = AsForm();
  switch (PropertyID) {
    case ZEPH_UI_FORM_PROP_BORDER_ICONS: {
      TBorderIcons icons = form->GetBorderIcons();
      for (const auto& i : KBorderIcons) {
        if (Value & i.Bit)
          icons.Include(i.Icon);
        else
          icons.Exclude(i.Icon);
      }
      form->SetBorderIcons(icons);
      return;
    }
    case ZEPH_UI_FORM_PROP_BORDER_STYLE:
      form->SetBorderStyle(Value >= 0 && Value < Integer(std::size(KBorderStyles)) ? KBorderStyles[Value] : bsSizeable);
      return;
    case ZEPH_UI_FORM_PROP_ICON: {
      // The plugin keeps its handle; the form takes a copy.
      HICON handle = reinterpret_cast<HICON>(intptr_t(Value));
      form->GetIcon()->SetHandle(handle ? CopyIcon(handle) : nullptr);
      return;
    }
    default:
      TZEPHUIWinControl::DoSetValueAsInt32(PropertyID, Value, Result);
  }
}

void TZEPHUIFormControl::DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) {
  if (PropertyID == ZEPH_UI_FORM_PROP_ICON) {
    Result = LoadIconFromObject(AsForm()->GetIcon(), Value);
    return;
  }
  TZEPHUIWinControl::DoSetValueAsObject(PropertyID, Value, Result);
}

void RegisterPluginFormClasses() { RegisterProperties<TZEPHUIForm>(); }
