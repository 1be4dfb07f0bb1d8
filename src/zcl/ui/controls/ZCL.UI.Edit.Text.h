#pragma once
// The single-line text edit: a Text value kept valid for its input mask, a maximum length,
// read-only and password modes and a grey hint while empty; also the default cell editor.

#include "zcl/ui/controls/ZCL.UI.Edit.h"

using TZCLTextEditCustomDrawEvent = TDelegate<void(TObject* Sender, TCanvas* ACanvas, const TRect& R, bool& AHandled)>;

class TZCLCustomTextEdit : public TZCLCustomEdit, public IZCLInplaceControl {
  ZCL_CLASS(TZCLCustomTextEdit, TZCLCustomEdit)
  RTL_INTERFACES(TZCLCustomEdit, IZCLInplaceControl)
 public:
  using TZCLCustomEdit::TZCLCustomEdit;
  static void DeclareProperties(TClassDeclaration<TZCLCustomTextEdit>& D);
  void Loaded() override;
  void Localize(const String& Section, const String& Name) override;

  TZCLEditInputMask GetInputMask() const { return FInputMask; }
  void SetInputMask(TZCLEditInputMask Value);
  Integer GetMaxLength() const { return FMaxLength; }
  void SetMaxLength(Integer Value);
  bool GetPasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(bool Value);
  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  const String& GetText() const { return FText; }
  void SetText(const String& Value);
  const String& GetTextHint() const { return FTextHint; }
  void SetTextHint(const String& Value);
  const TRect& GetTextRect() const { return FTextRect; }
  const TRect& GetContentRect() const { return FContentRect; }
  TZCLInnerEdit* GetInnerEdit() const { return static_cast<TZCLInnerEdit*>(FInnerControl); }

  void SelectAll();
  Integer GetSelStart() const;
  void SetSelStart(Integer Value);
  Integer GetSelLength() const;
  void SetSelLength(Integer Value);
  void SetSelText(const String& Value);
  Variant GetValue() { return TextToValue(FText); }
  void SetValue(const Variant& Value) { SetText(ValueToText(Value)); }

  // IZCLInplaceControl
  String InplaceGetValue() override { return VarToStr(GetValue()); }
  bool InplaceIsFocused() override { return Focused(); }
  void InplaceSetFocus() override;
  void InplaceSetValue(const String& Value) override { SetValue(Variant(Value)); }

  TZCLTextEditCustomDrawEvent OnCustomDraw;

 protected:
  virtual void DrawText(TCanvas* Canvas);
  virtual void SetTextCore(const String& Value) { FText = Value; }
  virtual String GetDisplayText(const String& Text);
  virtual Variant TextToValue(const String& Text) { return EditTextToValue(FInputMask, Text); }
  virtual String ValueToText(const Variant& Value) { return EditValueToText(FInputMask, Value); }
  virtual bool DoCustomDraw(TCanvas* Canvas);

  void Paint() override;
  void GetInnerControlBounds(TRect& R) override { R = FContentRect; }
  void UpdateInnerControl() override;
  void SetInnerControlFocus() override;
  bool CanCreateInnerControl() override { return !GetComponentState().Contains(csDestroying); }
  TWinControl* CreateInnerControl() override;
  void CalculateContent(const TRect& R) override;
  // For descendants that keep part of the text area for themselves.
  void SetContentRect(const TRect& R) { FContentRect = R; }
  void ValidateText(TObject* Sender = nullptr);

 private:
  void InnerEditChange(TObject* Sender);

  TZCLEditInputMask FInputMask = eimText;
  Integer FMaxLength = 0;
  bool FPasswordChar = false;
  bool FReadOnly = false;
  String FTextHint;
  TRect FTextRect;
  String FText;
  Integer FUpdateLock = 0;
  TRect FContentRect;
};

class TZCLEdit : public TZCLCustomTextEdit {
  ZCL_CLASS(TZCLEdit, TZCLCustomTextEdit)
 public:
  using TZCLCustomTextEdit::TZCLCustomTextEdit;
  static void DeclareProperties(TClassDeclaration<TZCLEdit>& D);
};

void RegisterTextEditClasses();
