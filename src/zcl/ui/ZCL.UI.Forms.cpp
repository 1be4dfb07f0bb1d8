#include "zcl/ui/ZCL.UI.Forms.h"

#include <vector>

#include "os/OS.Input.h"
#include "os/OS.Windows.h"
#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/ui/ZCL.UI.Controls.Base.h"
#include "zcl/ui/ZCL.UI.ImageList.h"
#include "zcl/ui/ZCL.UI.Resources.Collection.h"
#include "zcl/ui/ZCL.Utils.Desktop.h"

namespace {
bool IsKeyPressed(int Key) { return GetKeyState(Key) < 0; }

void CollectControls(TWinControl* Control, std::vector<TControl*>& List) {
  List.push_back(Control);
  for (TControl* child : Control->GetControls()) {
    if (auto* windowed = dynamic_cast<TWinControl*>(child))
      CollectControls(windowed, List);
    else
      List.push_back(child);
  }
}
}  // namespace

// ---- TZCLStyleForm ----------------------------------------------------------------------------

void TZCLStyleForm::DeclareProperties(TClassDeclaration<TZCLStyleForm>& D) {
  D.Property(u"ColorBorder1", 0, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorBorder2", 1, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorContent", 2, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorCaption", 3, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorCaptionInactive", 4, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorText", 5, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"Glyphs", 0, &TZCLStyle::GetTexture, &TZCLStyle::SetTexture);
}

void TZCLStyleForm::InitializeResources() {
  GetColor(0)->InitializeAsRef(u"Form.Colors.Border", false);
  GetColor(1)->InitializeAsRef(u"Form.Colors.BorderInactive", false);
  GetColor(2)->InitializeAsRef(u"Form.Colors.Background", false);
  GetColor(3)->InitializeAsRef(u"Form.Colors.CaptionText", false);
  GetColor(4)->InitializeAsRef(u"Form.Colors.CaptionTextInactive", false);
  GetColor(5)->InitializeAsRef(u"Form.Colors.Text", false);
  GetTexture(0)->InitializeDefault(u"Form.Textures.Glyphs");
}

// ---- TZCLBasicForm ----------------------------------------------------------------------------

TZCLBasicForm::TZCLBasicForm(TComponent* AOwner) : TForm(AOwner) {}

const TMessageTable& TZCLBasicForm::MessageTable() {
  static const TMessageTable table(
      &inherited::MessageTable(),
      {VCL_MESSAGE(CM_DIALOGKEY, &TZCLBasicForm::CMDialogKey), VCL_MESSAGE(WM_DPICHANGED, &TZCLBasicForm::WMDpiChanged),
       VCL_MESSAGE(WM_SETTINGCHANGE, &TZCLBasicForm::WMSettingChange),
       VCL_MESSAGE(WM_SYSCOLORCHANGE, &TZCLBasicForm::WMSysColorChange)});
  return table;
}

void TZCLBasicForm::AfterConstruction() {
  TZCLApplication::ListenerAdd(this);
  inherited::AfterConstruction();
  if (TZCLApplication::GetColorSchema().IsAssigned()) ApplyColorSchemaToComponents();
}

void TZCLBasicForm::BeforeDestruction() {
  inherited::BeforeDestruction();
  TZCLApplication::ListenerRemove(this);
}

void TZCLBasicForm::ScaleForPPIRect(Integer NewPPI, const TRect* SuggestedRect) {
  if (NewPPI < 96 || NewPPI == GetCurrentPPI()) return;
  HandleNeeded();
  std::vector<TControl*> controls;
  CollectControls(this, controls);
  for (TControl* c : controls) c->Perform(WM_ZCL_SCALECHANGING);
  const bool redrawOff = GetVisible() && !GetComponentState().Contains(csDesigning);
  if (redrawOff) SendMessage(GetHandle(), WM_SETREDRAW, 0, 0);
  DisableAlign();
  const TRect oldBounds = GetBoundsRect();
  const bool scaled = GetScaled();
  auto finish = [&] {
    SetScaled(scaled);
    DPIChanged();
    EnableAlign();
    Realign();
    if (redrawOff) SendMessage(GetHandle(), WM_SETREDRAW, 1, 0);
    for (auto it = controls.rbegin(); it != controls.rend(); ++it) (*it)->Perform(WM_ZCL_SCALECHANGED);
    if (redrawOff) RedrawWindow(GetHandle(), nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
  };
  try {
    SetScaled(true);
    inherited::ScaleForPPIRect(NewPPI, SuggestedRect);
    if (!SuggestedRect && GetWindowState() == wsMaximized) SetBoundsRect(oldBounds);
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

void TZCLBasicForm::ScaleForCurrentDPI() {
  DisableAlign();
  try {
    if (GetScaled() && !GetParent() && !GetComponentState().Contains(csDesigning))
      ScaleForPPIRect(TZCLApplication::GetTargetDPI(this), nullptr);
  } catch (...) {
    EnableAlign();
    throw;
  }
  EnableAlign();
}

void TZCLBasicForm::AdjustSize() {
  if (!GetParent() && GetWindowState() == wsMaximized && !GetAutoSize()) {
    Realign();
    return;
  }
  inherited::AdjustSize();
}

void TZCLBasicForm::ApplicationSettingsChanged(Byte Flags) {
  if ((Flags & ZCLAppChangeTargetDPI) && GetScaled() && !GetComponentState().Contains(csDesigning))
    ScaleForCurrentDPI();
  if (Flags & ZCLAppChangeColorSchema) ApplyColorSchemaToComponents();
}

void TZCLBasicForm::DoShow() {
  inherited::DoShow();
  ScaleForCurrentDPI();
}

void TZCLBasicForm::AlignControls(TControl*, TRect& Rect) { ZCLOrderedAlign(this, Rect); }

void TZCLBasicForm::ApplyColorSchemaToComponents() {
  const TZCLColorSchema schema = TZCLApplication::GetColorSchema();
  for (Integer i = 0; i < GetComponentCount(); ++i) {
    IPtr<IZCLColorSchema> target;
    if (Supports(GetComponent(i), target)) target->ApplyColorSchema(schema);
  }
}

void TZCLBasicForm::CMDialogKey(TMessage& Message) {
  if (DialogKey(Message)) {
    Message.Result = 1;
    return;
  }
  InheritedMessage(inherited::MessageTable(), Message);
}

void TZCLBasicForm::WMDpiChanged(TMessage& Message) {
  // A fixed target DPI holds whatever monitor the form is on.
  if (TZCLApplication::GetTargetDPI() != 0) {
    Message.Result = 0;
    return;
  }
  InheritedMessage(inherited::MessageTable(), Message);
}

void TZCLBasicForm::WMSettingChange(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  ResetSystemDPI();
  if (Message.LParam) {
    const auto* text = reinterpret_cast<const Char*>(Message.LParam);
    if (String(text) == u"ImmersiveColorSet") TZCLApplication::UpdateSystemSettings();
  }
}

void TZCLBasicForm::WMSysColorChange(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  TZCLApplication::UpdateSystemSettings();
}

// ---- TZCLCustomForm ---------------------------------------------------------------------------

TZCLCustomForm::TZCLCustomForm(TComponent* AOwner) : TZCLBasicForm(AOwner) {
  FInitState = 2;
  FPadding = new TZCLPadding(0);
  FPadding->OnChange = TNotifyEvent(this, &TZCLCustomForm::PaddingChanged);
  FStyle = Create<TZCLStyleForm>(static_cast<TObject*>(this));
}

TZCLCustomForm::~TZCLCustomForm() {
  Free(FStyle);
  Free(FPadding);
}

const TMessageTable& TZCLCustomForm::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_RECREATEWND, &TZCLCustomForm::CMRecreateWnd),
                                    VCL_MESSAGE(CM_SHOWINGCHANGED, &TZCLCustomForm::CMShowingChanged),
                                    VCL_MESSAGE(WM_ENTERMENULOOP, &TZCLCustomForm::WMEnterMenuLoop),
                                    VCL_MESSAGE(WM_EXITMENULOOP, &TZCLCustomForm::WMExitMenuLoop),
                                    VCL_MESSAGE(WM_NCACTIVATE, &TZCLCustomForm::WMNCActivate)});
  return table;
}

void TZCLCustomForm::AfterConstruction() {
  SetDoubleBuffered(true);
  inherited::AfterConstruction();
  FInitState = 1;
  ApplyColors();
  UpdateImageLists();
}

TComponent* TZCLCustomForm::DialogOwner(HWND OwnerWindow) {
  TWinControl* control = OwnerWindow ? FindControl(OwnerWindow) : nullptr;
  if (auto* form = dynamic_cast<TCustomForm*>(control)) {
    if (TCustomForm* top = GetParentForm(form, true)) return top;
    return form;
  }
  if (control) return control;
  return Application;
}

void TZCLCustomForm::AssignPopupParent(TWinControl* Control) {
  if (!Control) {
    SetPopupMode(pmNone);
    return;
  }
  TCustomForm* form = GetParentForm(Control, true);
  if (form && form != this)
    SetPopupParent(form);
  else
    SetPopupMode(pmAuto);
}

void TZCLCustomForm::SetShowInTaskBar(TShowInTaskbar Value) {
  if (FShowInTaskBar == Value) return;
  FShowInTaskBar = Value;
  if (!HandleAllocated() || GetComponentState().Contains(csDesigning)) return;
  LONG exStyle = GetWindowLong(GetHandle(), GWL_EXSTYLE);
  if (Value == stAlways)
    exStyle |= LONG(WS_EX_APPWINDOW);
  else
    exStyle &= ~LONG(WS_EX_APPWINDOW);
  SetWindowLong(GetHandle(), GWL_EXSTYLE, exStyle);
}

void TZCLCustomForm::SetStayOnTop(bool Value) {
  if (FStayOnTop == Value) return;
  FStayOnTop = Value;
  TZCLStayOnTopHelper::Refresh();
  UpdateStayOnTop();
}

void TZCLCustomForm::UpdateImageLists() { TZCLImageListReplacer::UpdateImageLists(this, GetCurrentPPI()); }

bool TZCLCustomForm::IsStayOnTop() {
  if (FStayOnTop) return true;
  HWND owner = GetOwnerWindow();
  if (!owner && FOwnerWindow) owner = FOwnerWindow;
  auto* form = dynamic_cast<TZCLCustomForm*>(owner ? FindControl(owner) : nullptr);
  return form && form != this && form->IsStayOnTop();
}

void TZCLCustomForm::ApplyColors() {
  const TAlphaColor color = FStyle->GetColorContent()->GetValue();
  if (color != claNone && color != claDefault) SetColor(TAlphaColorHelper::ToColor(color));
}

void TZCLCustomForm::ShowAndActivate() {
  if (TZCLApplication::IsMinimized()) SetVisible(false);
  Show();
  ForceForegroundWindow(GetHandle());
}

void TZCLCustomForm::SavePosition(TZCLIniFile* Ini) {
  if (!Ini || !HandleAllocated()) return;
  WINDOWPLACEMENT placement;
  GetWindowPlacement(GetHandle(), placement);
  const TRect normal = placement.rcNormalPosition;
  const bool maximized = GetWindowState() == wsMinimized ? (placement.flags & WPF_RESTORETOMAXIMIZED) != 0
                                                         : GetWindowState() == wsMaximized;
  const Integer ppi = GetCurrentPPI();
  const TRect stored(normal.Left, normal.Top, normal.Left + UnscaleByDPI(normal.Width(), ppi),
                     normal.Top + UnscaleByDPI(normal.Height(), ppi));
  const String section = GetConfigSection();
  Ini->WriteBool(section, u"WindowMaximized", maximized);
  Ini->WriteRect(section, u"WindowRect", stored);
}

void TZCLCustomForm::LoadPosition(TZCLIniFile* Ini) {
  if (!Ini) return;
  ++FLoadingPosition;
  try {
    const String section = GetConfigSection();
    const bool resizable = GetBorderStyle() == bsSizeable || GetBorderStyle() == bsSizeToolWin;
    if (Ini->ExistsKey(section, u"WindowRect")) {
      const TRect stored = Ini->ReadRect(section, u"WindowRect");
      TPoint size(GetWidth(), GetHeight());
      if (resizable) size = ScalePointByDPI(TPoint(stored.Width(), stored.Height()), GetCurrentPPI());
      if (HandleAllocated() && !IsWindowVisible(GetHandle())) {
        WINDOWPLACEMENT placement;
        placement.rcNormalPosition = TRect(stored.Left, stored.Top, stored.Left + size.X, stored.Top + size.Y);
        SetWindowPlacement(GetHandle(), placement);
      }
      SetBounds(stored.Left, stored.Top, size.X, size.Y);
      SetPosition(poDesigned);
      SetDefaultMonitor(dmDesktop);
      const TRect monitor = GetMonitorBoundsAtPoint(TPoint(GetLeft(), GetTop()));
      const TRect bounds = GetBoundsRect();
      if (!(monitor.Contains(bounds.TopLeft()) && bounds.Right <= monitor.Right && bounds.Bottom <= monitor.Bottom &&
            bounds.Left >= monitor.Left && bounds.Top >= monitor.Top))
        MakeFullyVisible();
    }
    if (resizable && Ini->ReadBool(section, u"WindowMaximized", false)) SetWindowState(wsMaximized);
  } catch (...) {
    --FLoadingPosition;
    throw;
  }
  --FLoadingPosition;
}

TZCLResource* TZCLCustomForm::GetResource(const String& ID, TZCLResourceClass ResourceClass, TObject* Sender) {
  return TZCLRootResourceCollection::GetResource(ID, ResourceClass, Sender);
}

void TZCLCustomForm::ResourceChanged(TObject*, TZCLResource*) {
  if (IsInitialized() && !GetComponentState().Contains(csDestroying)) ApplyColors();
}

bool TZCLCustomForm::DialogKey(TMessage& Message) {
  const bool modal = GetFormState().Contains(fsModal);
  const bool ctrl = IsKeyPressed(VK_CONTROL), shift = IsKeyPressed(VK_SHIFT), alt = IsKeyPressed(VK_MENU);
  if (Message.WParam == VK_RETURN && ctrl && modal) {
    SetModalResult(mrOk);
    return true;
  }
  if (Message.WParam == VK_ESCAPE && !ctrl && !shift && !alt) {
    if (modal) {
      SetModalResult(mrCancel);
      return true;
    }
    if (CanCloseByEscape()) {
      Close();
      return true;
    }
  }
  return false;
}

void TZCLCustomForm::DPIChanged() {
  inherited::DPIChanged();
  FStyle->SetTargetDPI(GetCurrentPPI());
  if (IsInitialized()) ApplyColors();
  UpdateImageLists();
}

void TZCLCustomForm::ApplicationSettingsChanged(Byte Flags) {
  inherited::ApplicationSettingsChanged(Flags);
  if (Flags & ZCLAppChangeDarkMode) UpdateImageLists();
}

void TZCLCustomForm::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  if (GetParent() || GetParentWindow()) return;
  if (FShowInTaskBar == stAlways) Params.ExStyle |= WS_EX_APPWINDOW;
  if (FOwnerWindow) {
    Params.WndParent = FOwnerWindow;
  } else if (!Params.WndParent && Application && Application->GetMainForm() && Application->GetMainForm() != this &&
             Application->GetMainForm()->HandleAllocated() && GetPopupMode() != pmNone) {
    Params.WndParent = Application->GetMainForm()->GetHandle();
  }
}

void TZCLCustomForm::AdjustClientRect(TRect& Rect) {
  inherited::AdjustClientRect(Rect);
  const TRect padding = FPadding->GetScaledRect(GetCurrentPPI());
  Rect.Left += padding.Left;
  Rect.Top += padding.Top;
  Rect.Right -= padding.Right;
  Rect.Bottom -= padding.Bottom;
}

void TZCLCustomForm::WndProc(TMessage& Message) {
  if (Message.Msg == WM_SETCURSOR && HandleAllocated() && HandleSetCursor(this, Message)) return;
  inherited::WndProc(Message);
  switch (Message.Msg) {
    case WM_ACTIVATE:
    case WM_SHOWWINDOW:
      TZCLStayOnTopHelper::Refresh();
      break;
    case WM_WINDOWPOSCHANGED:
      if (GetVisible()) TZCLStayOnTopHelper::Refresh();
      break;
    default:
      break;
  }
}

void TZCLCustomForm::CMRecreateWnd(TMessage& Message) {
  if (FLoadingPosition > 0) return;
  InheritedMessage(inherited::MessageTable(), Message);
}

void TZCLCustomForm::CMShowingChanged(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  if ((GetPosition() == poMainFormCenter || GetPosition() == poOwnerFormCenter) && GetVisible()) MakeFullyVisible();
}

void TZCLCustomForm::WMEnterMenuLoop(TMessage& Message) {
  ++FMenuLoopCount;
  InheritedMessage(inherited::MessageTable(), Message);
}

void TZCLCustomForm::WMExitMenuLoop(TMessage& Message) {
  if (FMenuLoopCount > 0) --FMenuLoopCount;
  InheritedMessage(inherited::MessageTable(), Message);
}

void TZCLCustomForm::WMNCActivate(TMessage& Message) {
  // While a menu or popup runs over the form, its caption stays active.
  if (FMenuLoopCount > 0 && Message.WParam == 0) Message.WParam = 1;
  InheritedMessage(inherited::MessageTable(), Message);
}

void TZCLCustomForm::PaddingChanged(TObject*) {
  if (FInitState == 1) Realign();
}

void TZCLForm::DeclareProperties(TClassDeclaration<TZCLForm>& D) {
  D.Property(u"Padding", &TZCLForm::GetPadding, &TZCLForm::SetPadding);
  D.Property(u"ShowInTaskBar", &TZCLForm::GetShowInTaskBar, &TZCLForm::SetShowInTaskBar).Default(stDefault);
  D.Property(u"StayOnTop", &TZCLForm::GetStayOnTop, &TZCLForm::SetStayOnTop).Default(false);
}

// ---- TZCLLocalizableForm ----------------------------------------------------------------------

const TMessageTable& TZCLLocalizableForm::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(WM_ZCL_LANGUAGECHANGED, &TZCLLocalizableForm::CMLanguageChanged)});
  return table;
}

void TZCLLocalizableForm::AfterConstruction() {
  inherited::AfterConstruction();
  LocalizeForm();
}

void TZCLLocalizableForm::LocalizeForm() {
  const String section = GetLocalizedSection();
  SetCaption(LangGet(section, u"Caption", GetCaption()));
  LangApplyTo(section, this);
}

String TZCLLocalizableForm::GetLocalizedText(const String& Key) { return LangGet(GetLocalizedSection(), Key, u""); }

String TZCLLocalizableForm::GetLocalizedTextPart(const String& Key, Integer Index) {
  return LangExtractPart(GetLocalizedText(Key), Index);
}

void TZCLLocalizableForm::CMLanguageChanged(TMessage& Message) {
  LocalizeForm();
  Message.Result = 0;
}

// ---- stay-on-top helper -----------------------------------------------------------------------

namespace {
bool GStayOnTopHooked = false;
TNotifyEvent GPreviousModalBegin;
TNotifyEvent GPreviousModalEnd;

struct TModalWatch {
  void Begin(TObject* Sender) {
    if (GPreviousModalBegin) GPreviousModalBegin(Sender);
    TZCLStayOnTopHelper::Refresh();
  }
  void End(TObject* Sender) {
    if (GPreviousModalEnd) GPreviousModalEnd(Sender);
    TZCLStayOnTopHelper::Refresh();
  }
} GModalWatch;

void HookModalLoops() {
  if (GStayOnTopHooked || !Application) return;
  GStayOnTopHooked = true;
  GPreviousModalBegin = Application->OnModalBegin;
  GPreviousModalEnd = Application->OnModalEnd;
  Application->OnModalBegin = TNotifyEvent(&GModalWatch, &TModalWatch::Begin);
  Application->OnModalEnd = TNotifyEvent(&GModalWatch, &TModalWatch::End);
}

bool GRefreshing = false;
}  // namespace

void TZCLStayOnTopHelper::Refresh() {
  if (!Screen || GRefreshing) return;
  GRefreshing = true;
  try {
    for (Integer i = Screen->GetFormCount() - 1; i >= 0; --i)
      if (i < Screen->GetFormCount())
        if (auto* form = dynamic_cast<TZCLCustomForm*>(Screen->GetForms(i))) Check(form);
  } catch (...) {
    GRefreshing = false;
    throw;
  }
  GRefreshing = false;
}

void TZCLStayOnTopHelper::Check(TZCLCustomForm* Form) {
  if (!Form->HandleAllocated() || !IsWindowVisible(Form->GetHandle()) ||
      Form->GetComponentState().Contains(csDesigning) || TZCLMenuLoop::IsActive())
    return;
  const bool modal = Application && Application->GetModalLevel() > 0;
  const bool wanted = Form->GetFormStyle() == fsStayOnTop || (!modal && Form->IsStayOnTop());
  const bool topmost = (GetWindowLong(Form->GetHandle(), GWL_EXSTYLE) & LONG(WS_EX_TOPMOST)) != 0;
  if (wanted == topmost) return;
  if (wanted) HookModalLoops();
  SetWindowPos(Form->GetHandle(), wanted ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

void TZCLStayOnTopHelper::Finalize() {
  if (!GStayOnTopHooked) return;
  GStayOnTopHooked = false;
  if (Application) {
    Application->OnModalBegin = GPreviousModalBegin;
    Application->OnModalEnd = GPreviousModalEnd;
  }
  GPreviousModalBegin = nullptr;
  GPreviousModalEnd = nullptr;
}

void ForceForegroundWindow(HWND Window) {
  if (!Window) return;
  SetForegroundWindow(Window);
  SetFocus(Window);
}

void RegisterFormClasses() {
  RegisterProperties<TZCLStyleForm>();
  RegisterProperties<TZCLForm>();
}
