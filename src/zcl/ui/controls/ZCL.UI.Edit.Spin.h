#pragma once
// Spin edits: an edit box with a step-down button at its left and a step-up button at its right
// that repeat while held; the number edit (integer or float, limited, stepped, shown through a
// display format while unfocused) and the time-of-day edit (hh:mm:ss, stepping the field at the
// caret).

#include "zcl/base/ZCL.Classes.h"
#include "zcl/ui/controls/ZCL.UI.Edit.h"

class TZCLTimer;

// ---- spin buttons -------------------------------------------------------------------------------

// Tag -1 steps down, +1 up; the up button's frames follow the down button's five.
class TZCLSpinButtonSubClass : public TZCLCustomButtonSubClass {
  ZCL_CLASS(TZCLSpinButtonSubClass, TZCLCustomButtonSubClass)
 public:
  using TZCLCustomButtonSubClass::TZCLCustomButtonSubClass;

 protected:
  void DrawBackground(TCanvas* Canvas, const TRect& R) override;
};

class TZCLStyleSpinButton : public TZCLStyleEditButton {
  ZCL_CLASS(TZCLStyleSpinButton, TZCLStyleEditButton)
 public:
  using TZCLStyleEditButton::TZCLStyleEditButton;

 protected:
  void InitializeTextures() override;
};

// ---- the spin edit base -------------------------------------------------------------------------

class TZCLCustomSpinEdit : public TZCLCustomEdit {
  ZCL_CLASS(TZCLCustomSpinEdit, TZCLCustomEdit)
  VCL_MESSAGES()
 public:
  explicit TZCLCustomSpinEdit(TComponent* AOwner);
  ~TZCLCustomSpinEdit() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLCustomSpinEdit>& D);

  TZCLSpinButtonSubClass* GetDownButton() const { return FDownButton; }
  TZCLSpinButtonSubClass* GetUpButton() const { return FUpButton; }
  bool GetAutoRepeat() const { return FAutoRepeat; }

  // Steps by Delta increments (negative steps down).
  virtual void Spin(Integer) {}

 protected:
  void Calculate(const TRect& R) override;
  void CalculateAutoHeight(Integer& Height) override;
  void DrawContent(TCanvas* Canvas) override;
  TZCLStyleButton* CreateStyleButton() override;
  bool CanCreateInnerControl() override { return !GetComponentState().Contains(csDestroying); }
  void GetInnerControlBounds(TRect& R) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseLeave() override;
  void CMEnabledChanged(TMessage& Message);

 private:
  void SetAutoRepeat(bool Value);
  void RepeatTimerTick(TObject* Sender);
  Integer ButtonDirection(TZCLSpinButtonSubClass* Button) const { return Button == FUpButton ? 1 : -1; }

  TZCLSpinButtonSubClass* FPressedButton = nullptr;
  bool FAutoRepeat = false;
  Integer FRepeatDelay = 0;
  TZCLSpinButtonSubClass* FDownButton = nullptr;
  TZCLSpinButtonSubClass* FUpButton = nullptr;
  TZCLTimer* FRepeatTimer = nullptr;  // owned; runs only while a button is held
};

// ---- the number edit ----------------------------------------------------------------------------

enum TZCLSpinEditValueType : Byte { evtInteger, evtFloat };
ZCL_ENUM(TZCLSpinEditValueType, evtInteger, evtFloat);
enum TZCLSpinEditAssignedValue : Byte { seavIncCount, seavMaxValue, seavMinValue };
ZCL_ENUM(TZCLSpinEditAssignedValue, seavIncCount, seavMaxValue, seavMinValue);
using TZCLSpinEditAssignedValues = TSet<TZCLSpinEditAssignedValue>;

using TZCLEditGetDisplayTextEvent = TDelegate<void(TObject* Sender, const Variant& AValue, String& ADisplayText)>;

class TZCLSpinEdit;

class TZCLSpinEditOptionsValue : public TZCLLockablePersistent {
  ZCL_CLASS(TZCLSpinEditOptionsValue, TZCLLockablePersistent)
 public:
  explicit TZCLSpinEditOptionsValue(TZCLSpinEdit* AOwner);
  static void DeclareProperties(TClassDeclaration<TZCLSpinEditOptionsValue>& D);

  TZCLSpinEditAssignedValues GetAssignedValues() const { return FAssignedValues; }
  void SetAssignedValues(TZCLSpinEditAssignedValues Value);
  const String& GetDisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(const String& Value);
  Integer GetFloatPrecision() const { return FFloatPrecision; }
  void SetFloatPrecision(Integer Value);
  TZCLSpinEditValueType GetValueType() const { return FValueType; }
  void SetValueType(TZCLSpinEditValueType Value);
  Variant GetValue(Integer Index) const { return FValues[size_t(Index)]; }
  void SetValue(Integer Index, const Variant& Value);
  bool IsValueStored(Integer Index) const { return FAssignedValues.Contains(TZCLSpinEditAssignedValue(Index)); }
  bool IsDisplayFormatStored() const { return FDisplayFormat != u"%s"; }
  bool IsIncCountStored() const { return IsValueStored(seavIncCount); }
  bool IsMaxValueStored() const { return IsValueStored(seavMaxValue); }
  bool IsMinValueStored() const { return IsValueStored(seavMinValue); }

  Variant GetIncCount() const { return GetValue(seavIncCount); }
  void SetIncCount(const Variant& Value) { SetValue(seavIncCount, Value); }
  Variant GetMaxValue() const { return GetValue(seavMaxValue); }
  void SetMaxValue(const Variant& Value) { SetValue(seavMaxValue, Value); }
  Variant GetMinValue() const { return GetValue(seavMinValue); }
  void SetMinValue(const Variant& Value) { SetValue(seavMinValue, Value); }

  // The value kept within the assigned limits, of the value type and precision.
  Variant Validate(const Variant& Value) const;
  Variant ValidateType(const Variant& Value) const;

 protected:
  void DoAssign(TPersistent* Source) override;
  void DoChanged(TZCLPersistentChanges Changes) override;

 private:
  TZCLSpinEditAssignedValues FAssignedValues;
  String FDisplayFormat = u"%s";
  Integer FFloatPrecision = 2;
  TZCLSpinEdit* FOwner;
  Variant FValues[3] = {Variant(1), Variant(0), Variant(0)};
  TZCLSpinEditValueType FValueType = evtInteger;
};

class TZCLSpinEdit : public TZCLCustomSpinEdit {
  ZCL_CLASS(TZCLSpinEdit, TZCLCustomSpinEdit)
 public:
  explicit TZCLSpinEdit(TComponent* AOwner);
  ~TZCLSpinEdit() override;
  static void DeclareProperties(TClassDeclaration<TZCLSpinEdit>& D);

  TZCLSpinEditOptionsValue* GetOptionsValue() const { return FOptionsValue; }
  void SetOptionsValue(TZCLSpinEditOptionsValue* Value) { FOptionsValue->Assign(Value); }
  const Variant& GetValue() const { return FValue; }
  void SetValue(const Variant& Value);
  bool IsValueStored() const;
  // Assigning through here also shows the new display text at once.
  void SetOnGetDisplayText(TZCLEditGetDisplayTextEvent Value);
  TZCLInnerEdit* GetInnerEdit() const { return static_cast<TZCLInnerEdit*>(FInnerControl); }

  void Spin(Integer Delta) override;
  // The plain number: FloatPrecision decimals for floats, the locale's separators.
  String FormatValue() const;
  virtual void UpdateDisplayText();
  // The typed-text timer; exists only from a keystroke until the text is normalised.
  TZCLTimer* GetApplyTimer() const { return FApplyTimer; }

 protected:
  TWinControl* CreateInnerControl() override;
  void UpdateInnerControl() override;
  void FocusChanged() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  bool MouseWheel(TMouseWheelDirection Direction, TShiftState Shift, const TPoint& MousePos) override;

 private:
  friend class TZCLSpinEditOptionsValue;
  void InnerEditChange(TObject* Sender);
  void InnerEditPaste(TObject* Sender) { UpdateDisplayText(); }
  void ApplyTyping(TObject* Sender);
  bool InnerFocused() const;

  bool FTextChanging = false;
  bool FUpdatingText = false;
  bool FHadFocus = false;
  TZCLSpinEditOptionsValue* FOptionsValue = nullptr;
  TZCLTimer* FApplyTimer = nullptr;
  // A timer that ended inside its own tick; freed at the next keystroke or with the edit.
  TZCLTimer* FSpentTimer = nullptr;
  Variant FValue = Variant(0);

 public:
  TZCLEditGetDisplayTextEvent OnGetDisplayText;
};

// ---- the time edit ------------------------------------------------------------------------------

struct TZCLTimeFields {
  Integer Hours = 0, Minutes = 0, Seconds = 0;
  friend bool operator==(const TZCLTimeFields&, const TZCLTimeFields&) = default;
};

// The fields of an hh:mm:ss text (0 for what is not a number); never raises.
TZCLTimeFields ParseTimeText(StringView Text);
// Carries seconds into minutes and minutes into hours; totals below 0 become 0; hours wrap at 24.
TZCLTimeFields NormalizeTime(Integer Hours, Integer Minutes, Integer Seconds);
String FormatTimeText(const TZCLTimeFields& Time);

// Its text is always eight characters hh:mm:ss; typing overwrites digits in place.
class TZCLInnerTimeEdit : public TZCLInnerEdit {
  ZCL_CLASS(TZCLInnerTimeEdit, TZCLInnerEdit)
 public:
  explicit TZCLInnerTimeEdit(TComponent* AOwner);
  TDateTime GetTime() const;
  void SetTime(TDateTime Value);
  void SetTime(Integer Hours, Integer Minutes, Integer Seconds);
  void SetTimeText(const String& Text);
  // Steps the field at the caret by one; the caret stays.
  void Increment(bool Up);

 protected:
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(Char& Key) override;

 private:
  void ClearSelection();
};

class TZCLTimeEdit : public TZCLCustomSpinEdit {
  ZCL_CLASS(TZCLTimeEdit, TZCLCustomSpinEdit)
 public:
  using TZCLCustomSpinEdit::TZCLCustomSpinEdit;
  static void DeclareProperties(TClassDeclaration<TZCLTimeEdit>& D);
  TDateTime GetTime() const;
  void SetTime(TDateTime Value);
  bool IsTimeStored() const { return double(GetTime()) != 0; }
  TZCLInnerTimeEdit* GetInnerEdit() const { return static_cast<TZCLInnerTimeEdit*>(FInnerControl); }
  void Spin(Integer Delta) override;

 protected:
  TWinControl* CreateInnerControl() override;

 private:
  void InnerEditChange(TObject*) { Changed(); }
};

void RegisterSpinEditClasses();
