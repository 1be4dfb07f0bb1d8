#pragma once
// The form classes every window of the program is made of. TZCLBasicForm follows the DPI of its
// monitor (or the fixed target DPI) and the application-wide settings; TZCLCustomForm adds the
// form style, padding, stay-on-top handling, a dialog constructor over a foreign owner window and
// saving the window position ("WindowRect", "WindowMaximized"); TZCLForm publishes them;
// TZCLLocalizableForm applies the language file to itself.
//
// Scaling a form brackets every control with WM_ZCL_SCALECHANGING / WM_ZCL_SCALECHANGED (the
// form first, depth first; closed in reverse order, also when scaling raises). UI thread only.

#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/ui/ZCL.UI.Application.h"
#include "zcl/ui/ZCL.UI.Controls.Base.h"

class TZCLIniFile;

class TZCLStyleForm : public TZCLStyle {
  ZCL_CLASS(TZCLStyleForm, TZCLStyle)
 public:
  using TZCLStyle::TZCLStyle;
  static void DeclareProperties(TClassDeclaration<TZCLStyleForm>& D);
  TZCLResourceColor* GetColorBorder1() { return GetColor(0); }
  TZCLResourceColor* GetColorBorder2() { return GetColor(1); }
  TZCLResourceColor* GetColorContent() { return GetColor(2); }
  TZCLResourceColor* GetColorCaption() { return GetColor(3); }
  TZCLResourceColor* GetColorCaptionInactive() { return GetColor(4); }
  TZCLResourceColor* GetColorText() { return GetColor(5); }
  TZCLResourceTexture* GetGlyphs() { return GetTexture(0); }

 protected:
  void InitializeResources() override;
};

class TZCLBasicForm : public TForm, public IZCLCurrentDpi, public IZCLApplicationListener {
  ZCL_CLASS(TZCLBasicForm, TForm)
  RTL_INTERFACES(TForm, IZCLCurrentDpi, IZCLApplicationListener)
  VCL_MESSAGES()
 public:
  explicit TZCLBasicForm(TComponent* AOwner);
  void AfterConstruction() override;
  void BeforeDestruction() override;

  Integer GetCurrentDpi() override { return GetCurrentPPI(); }
  void Changed(Byte Changes) override { ApplicationSettingsChanged(Changes); }

  // Scales the form and its controls to NewPPI inside one scale-change bracket; the form takes
  // SuggestedRect when given, else keeps its top-left and grows by its client area (a maximized
  // form keeps its bounds).
  void ScaleForPPIRect(Integer NewPPI, const TRect* SuggestedRect) override;
  // A scaled top-level form goes to the target DPI of the application for it.
  void ScaleForCurrentDPI();
  void AdjustSize() override;

 protected:
  virtual bool DialogKey(TMessage&) { return false; }
  virtual void DPIChanged() {}
  virtual void ApplicationSettingsChanged(Byte Flags);
  void DoShow() override;
  void AlignControls(TControl* AControl, TRect& Rect) override;
  // Every component of the form that can be tinted takes the application's colour schema.
  void ApplyColorSchemaToComponents();

  void CMDialogKey(TMessage& Message);
  void WMDpiChanged(TMessage& Message);
  void WMSettingChange(TMessage& Message);
  void WMSysColorChange(TMessage& Message);
};

enum TShowInTaskbar : Byte { stDefault, stAlways, stNever };
ZCL_ENUM(TShowInTaskbar, stDefault, stAlways, stNever);

class TZCLCustomForm : public TZCLBasicForm, public IZCLResourceProvider, public IZCLResourceChangeListener {
  ZCL_CLASS(TZCLCustomForm, TZCLBasicForm)
  RTL_INTERFACES(TZCLBasicForm, IZCLResourceProvider, IZCLResourceChangeListener)
  VCL_MESSAGES()
 public:
  explicit TZCLCustomForm(TComponent* AOwner);
  ~TZCLCustomForm() override;
  void AfterConstruction() override;

  // A dialog over a foreign owner window: owned by the program's control of that window (a form
  // stands for its topmost parent form), else by the application; the window stays the owner.
  template <class T>
  static T* CreateDialog(HWND OwnerWindow, bool WithoutResource = true) {
    TComponent* owner = DialogOwner(OwnerWindow);
    T* form = WithoutResource ? TCustomForm::CreateNew<T>(owner) : Create<T>(owner);
    form->FOwnerWindow = OwnerWindow;
    form->AssignPopupParent(dynamic_cast<TWinControl*>(FindControl(OwnerWindow)));
    return form;
  }

  TZCLPadding* GetPadding() const { return FPadding; }
  void SetPadding(TZCLPadding* Value) { FPadding->Assign(Value); }
  TZCLStyleForm* GetStyle() const { return FStyle; }
  TShowInTaskbar GetShowInTaskBar() const { return FShowInTaskBar; }
  void SetShowInTaskBar(TShowInTaskbar Value);
  bool GetStayOnTop() const { return FStayOnTop; }
  void SetStayOnTop(bool Value);
  HWND GetDialogOwnerWindow() const { return FOwnerWindow; }
  bool IsInitialized() const { return FInitState == 1; }

  virtual bool CanCloseByEscape() { return false; }
  virtual void UpdateImageLists();
  virtual String GetConfigSection() { return GetName(); }
  virtual bool IsStayOnTop();
  virtual void UpdateStayOnTop() {}
  virtual void ApplyColors();
  virtual void ShowAndActivate();
  // "WindowRect" (left, top, then the right and bottom of the size at 96 DPI) and
  // "WindowMaximized" in GetConfigSection.
  virtual void LoadPosition(TZCLIniFile* Ini);
  virtual void SavePosition(TZCLIniFile* Ini);

  // A control's form as popup parent, else pmAuto; none gives pmNone.
  void AssignPopupParent(TWinControl* Control);

  // IZCLResourceProvider
  TZCLResource* GetResource(const String& ID, TZCLResourceClass ResourceClass, TObject* Sender) override;
  // IZCLResourceChangeListener
  void ResourceChanged(TObject* Sender, TZCLResource* Resource) override;

 protected:
  bool DialogKey(TMessage& Message) override;
  void DPIChanged() override;
  void ApplicationSettingsChanged(Byte Flags) override;
  void CreateParams(TCreateParams& Params) override;
  void AdjustClientRect(TRect& Rect) override;
  void WndProc(TMessage& Message) override;

  void CMRecreateWnd(TMessage& Message);
  void CMShowingChanged(TMessage& Message);
  void WMEnterMenuLoop(TMessage& Message);
  void WMExitMenuLoop(TMessage& Message);
  void WMNCActivate(TMessage& Message);

 private:
  static TComponent* DialogOwner(HWND OwnerWindow);
  void PaddingChanged(TObject* Sender);
  Byte FInitState = 0;
  TZCLPadding* FPadding = nullptr;
  TZCLStyleForm* FStyle = nullptr;
  TShowInTaskbar FShowInTaskBar = stDefault;
  bool FStayOnTop = false;
  HWND FOwnerWindow = nullptr;
  Integer FMenuLoopCount = 0;
  Integer FLoadingPosition = 0;
};

class TZCLForm : public TZCLCustomForm {
  ZCL_CLASS(TZCLForm, TZCLCustomForm)
 public:
  using TZCLCustomForm::TZCLCustomForm;
  static void DeclareProperties(TClassDeclaration<TZCLForm>& D);
};

class TZCLLocalizableForm : public TZCLForm, public IZCLLocalizableComponentRoot {
  ZCL_CLASS(TZCLLocalizableForm, TZCLForm)
  RTL_INTERFACES(TZCLForm, IZCLLocalizableComponentRoot)
  VCL_MESSAGES()
 public:
  using TZCLForm::TZCLForm;
  void AfterConstruction() override;
  String GetConfigSection() override { return GetLocalizedSection(); }
  virtual String GetLocalizedSection() { return GetName(); }
  // The caption and the components from the language file's section of the form.
  virtual void LocalizeForm();
  String GetLocalizedText(const String& Key);
  String GetLocalizedTextPart(const String& Key, Integer Index);

 protected:
  void CMLanguageChanged(TMessage& Message);
};

// Keeps stay-on-top forms above the others while no modal loop runs.
class TZCLStayOnTopHelper {
 public:
  static void Refresh();
  static void Check(TZCLCustomForm* Form);
  static void Finalize();
};

// Brings Window to the front and gives it the focus.
void ForceForegroundWindow(HWND Window);

void RegisterFormClasses();
