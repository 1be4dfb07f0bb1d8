#include "zcl/ui/controls/ZCL.UI.Edit.Spin.h"

#include <algorithm>
#include <cmath>

#include "os/OS.Gdi.h"
#include "os/OS.Dialogs.h"
#include "rtl/RTL.DateTime.h"
#include "rtl/RTL.Format.h"
#include "rtl/RTL.FormatSettings.h"
#include "rtl/RTL.Numbers.h"
#include "zcl/base/ZCL.Timers.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"

// ---- spin buttons -------------------------------------------------------------------------------

void TZCLSpinButtonSubClass::DrawBackground(TCanvas* Canvas, const TRect& R) {
  GetStyle()->Draw(Canvas, R, GetState(), Tag > 0 ? 1 : 0);
}

void TZCLStyleSpinButton::InitializeTextures() { GetTexture()->InitializeDefault(u"EditBox.Textures.SpinButton"); }

// ---- the spin edit base -------------------------------------------------------------------------

const TMessageTable& TZCLCustomSpinEdit::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_ENABLEDCHANGED, &TZCLCustomSpinEdit::CMEnabledChanged)});
  return table;
}

TZCLCustomSpinEdit::TZCLCustomSpinEdit(TComponent* AOwner) : TZCLCustomEdit(AOwner) {
  FDownButton = new TZCLSpinButtonSubClass(this);
  FDownButton->Tag = -1;
  FUpButton = new TZCLSpinButtonSubClass(this);
  FUpButton->Tag = 1;
  // Fast clicks step once per click: the control takes no double clicks.
  TControlStyle style = GetControlStyle();
  style.Exclude(csDoubleClicks);
  SetControlStyle(style);
}

TZCLCustomSpinEdit::~TZCLCustomSpinEdit() {
  Free(FRepeatTimer);
  Free(FUpButton);
  Free(FDownButton);
}

void TZCLCustomSpinEdit::BeforeDestruction() {
  SetAutoRepeat(false);
  inherited::BeforeDestruction();
}

void TZCLCustomSpinEdit::DeclareProperties(TClassDeclaration<TZCLCustomSpinEdit>& D) {
  D.Property(u"Anchors", &TZCLCustomSpinEdit::GetAnchors, &TZCLCustomSpinEdit::SetAnchors);
  D.Property(u"Enabled", &TZCLCustomSpinEdit::GetEnabled, &TZCLCustomSpinEdit::SetEnabled).Default(true);
  D.Property(u"ResourceCollection", &TZCLCustomSpinEdit::GetResourceCollection,
             &TZCLCustomSpinEdit::SetResourceCollection);
  D.Property(u"Style", &TZCLCustomSpinEdit::GetStyle, &TZCLCustomSpinEdit::SetStyle);
  D.Property(u"StyleButton", &TZCLCustomSpinEdit::GetStyleButton, &TZCLCustomSpinEdit::SetStyleButton);
  D.Property(u"TabOrder", &TZCLCustomSpinEdit::GetTabOrder, &TZCLCustomSpinEdit::SetTabOrder).Default(-1);
  D.Event(u"OnChange", &TZCLCustomSpinEdit::OnChange);
}

void TZCLCustomSpinEdit::Calculate(const TRect& R) {
  inherited::Calculate(R);
  if (!FDownButton) return;
  const TSize frame = GetStyleButton()->GetTexture()->GetFrameSize();
  const TRect client = GetClientRect();
  for (TZCLSpinButtonSubClass* b : {FDownButton, FUpButton}) b->SetFlag(bfEnabled, GetEnabled());
  FDownButton->Calculate(TRect(0, 0, frame.cx, client.Height()));
  FUpButton->Calculate(TRect(client.Width() - frame.cx, 0, client.Width(), client.Height()));
}

void TZCLCustomSpinEdit::CalculateAutoHeight(Integer& Height) {
  Height = std::max(GetTextHeight() + 2, GetStyleButton()->GetTexture()->GetFrameHeight());
}

void TZCLCustomSpinEdit::GetInnerControlBounds(TRect& R) {
  R = GetClientRect();
  if (FDownButton) {
    R.Left = FDownButton->GetBounds().Right;
    R.Right = FUpButton->GetBounds().Left;
  }
  const Integer inset = ScaleByDPI(2, GetCurrentPPI());
  R.Top += inset;
  R.Bottom -= inset;
}

void TZCLCustomSpinEdit::DrawContent(TCanvas* Canvas) {
  TRect clip = GetClientRect();
  if (FBorders) clip.Inflate(-1, -1);
  const Integer saved = CanvasSaveDC(Canvas);
  IntersectClipRect(Canvas->GetHandle(), clip.Left, clip.Top, clip.Right, clip.Bottom);
  FDownButton->Draw(Canvas);
  FUpButton->Draw(Canvas);
  CanvasRestoreDC(Canvas, saved);
}

TZCLStyleButton* TZCLCustomSpinEdit::CreateStyleButton() {
  return Create<TZCLStyleSpinButton>(static_cast<TObject*>(this));
}

void TZCLCustomSpinEdit::SetAutoRepeat(bool Value) {
  if (FAutoRepeat == Value) return;
  FAutoRepeat = Value;
  FRepeatDelay = 5;
  if (Value) {
    if (!FRepeatTimer) FRepeatTimer = new TZCLTimer(TNotifyEvent(this, &TZCLCustomSpinEdit::RepeatTimerTick), 100, false);
    FRepeatTimer->SetEnabled(true);
  } else if (FRepeatTimer) {
    FRepeatTimer->SetEnabled(false);
  }
}

void TZCLCustomSpinEdit::RepeatTimerTick(TObject*) {
  if (FRepeatDelay > 0) {
    --FRepeatDelay;
    return;
  }
  if (FPressedButton)
    Spin(10 * ButtonDirection(FPressedButton));
  else
    SetAutoRepeat(false);
}

void TZCLCustomSpinEdit::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  const TPoint p(X, Y);
  if (Button == TMouseButton::Left) {
    for (TZCLSpinButtonSubClass* b : {FDownButton, FUpButton})
      if (b->GetBounds().Contains(p) && b->HasFlag(bfEnabled)) {
        FPressedButton = b;
        SetAutoRepeat(true);
      }
  }
  FDownButton->MouseDown(Button, p);
  FUpButton->MouseDown(Button, p);
}

void TZCLCustomSpinEdit::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  FDownButton->MouseMove(Shift, TPoint(X, Y));
  FUpButton->MouseMove(Shift, TPoint(X, Y));
}

void TZCLCustomSpinEdit::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseUp(Button, Shift, X, Y);
  const TPoint p(X, Y);
  TZCLSpinButtonSubClass* pressed = FPressedButton;
  FPressedButton = nullptr;
  if (pressed && pressed->GetBounds().Contains(p) && (!FAutoRepeat || FRepeatDelay > 0))
    Spin(ButtonDirection(pressed));
  FDownButton->MouseUp(Button, p);
  FUpButton->MouseUp(Button, p);
  SetAutoRepeat(false);
}

void TZCLCustomSpinEdit::MouseLeave() {
  inherited::MouseLeave();
  FDownButton->MouseMove(TShiftState(), TPoint(-1, -1));
  FUpButton->MouseMove(TShiftState(), TPoint(-1, -1));
}

void TZCLCustomSpinEdit::CMEnabledChanged(TMessage& Message) {
  DispatchFrom(&inherited::MessageTable(), Message);
  FullRefresh();
}

// ---- the number edit ----------------------------------------------------------------------------

namespace {
constexpr TZCLPersistentChanges kValueChange = 1;

double VariantToDouble(const Variant& Value) {
  try {
    const double v = Value.AsDouble();
    return std::isfinite(v) ? v : 0;
  } catch (const Exception&) {
    return 0;
  }
}
}  // namespace

TZCLSpinEditOptionsValue::TZCLSpinEditOptionsValue(TZCLSpinEdit* AOwner) : FOwner(AOwner) {}

void TZCLSpinEditOptionsValue::DeclareProperties(TClassDeclaration<TZCLSpinEditOptionsValue>& D) {
  using C = TZCLSpinEditOptionsValue;
  D.Property(u"ValueType", &C::GetValueType, &C::SetValueType).Default(evtInteger);
  D.Property(u"AssignedValues", &C::GetAssignedValues, &C::SetAssignedValues).Stored(false);
  D.Property(u"DisplayFormat", &C::GetDisplayFormat, &C::SetDisplayFormat).Stored(&C::IsDisplayFormatStored);
  D.Property(u"FloatPrecision", &C::GetFloatPrecision, &C::SetFloatPrecision).Default(2);
  D.Property(u"IncCount", seavIncCount, &C::GetValue, &C::SetValue).Stored(&C::IsIncCountStored);
  D.Property(u"MaxValue", seavMaxValue, &C::GetValue, &C::SetValue).Stored(&C::IsMaxValueStored);
  D.Property(u"MinValue", seavMinValue, &C::GetValue, &C::SetValue).Stored(&C::IsMinValueStored);
}

void TZCLSpinEditOptionsValue::SetAssignedValues(TZCLSpinEditAssignedValues Value) {
  if (FAssignedValues == Value) return;
  FAssignedValues = Value;
  Changed(kValueChange);
}

void TZCLSpinEditOptionsValue::SetDisplayFormat(const String& Value) {
  const String format = Value.empty() ? String(u"%s") : Value;
  if (FDisplayFormat == format) return;
  FDisplayFormat = format;
  Changed(kValueChange);
}

void TZCLSpinEditOptionsValue::SetFloatPrecision(Integer Value) { FFloatPrecision = EnsureRange(Value, 1, 8); }

void TZCLSpinEditOptionsValue::SetValueType(TZCLSpinEditValueType Value) {
  if (FValueType == Value) return;
  FValueType = Value;
  for (Variant& v : FValues) v = ValidateType(v);
  Changed(kValueChange);
}

void TZCLSpinEditOptionsValue::SetValue(Integer Index, const Variant& Value) {
  BeginUpdate();
  try {
    TZCLSpinEditAssignedValues assigned = FAssignedValues;
    assigned.Include(TZCLSpinEditAssignedValue(Index));
    SetAssignedValues(assigned);
    if (VariantToDouble(FValues[size_t(Index)]) != VariantToDouble(Value)) {
      FValues[size_t(Index)] = ValidateType(Value);
      const double minValue = VariantToDouble(FValues[seavMinValue]);
      const double maxValue = VariantToDouble(FValues[seavMaxValue]);
      if (Index == seavMaxValue && FAssignedValues.Contains(seavMinValue) && minValue > maxValue)
        FValues[seavMinValue] = FValues[seavMaxValue];
      if (Index == seavMinValue && FAssignedValues.Contains(seavMaxValue) && maxValue < minValue)
        FValues[seavMaxValue] = FValues[seavMinValue];
      Changed(kValueChange);
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

Variant TZCLSpinEditOptionsValue::ValidateType(const Variant& Value) const {
  const double v = std::clamp(VariantToDouble(Value), -2147483647.0, 2147483647.0);
  if (FValueType == evtFloat) return Variant(v);
  return Variant(Variant(v).AsInteger());
}

Variant TZCLSpinEditOptionsValue::Validate(const Variant& Value) const {
  double v = VariantToDouble(ValidateType(Value));
  if (FAssignedValues.Contains(seavMaxValue)) v = std::min(VariantToDouble(FValues[seavMaxValue]), v);
  if (FAssignedValues.Contains(seavMinValue)) v = std::max(VariantToDouble(FValues[seavMinValue]), v);
  if (FValueType == evtFloat) {
    const double scale = std::pow(10.0, FFloatPrecision);
    v = std::round(v * scale) / scale;
  }
  return ValidateType(Variant(v));
}

void TZCLSpinEditOptionsValue::DoAssign(TPersistent* Source) {
  auto* source = dynamic_cast<TZCLSpinEditOptionsValue*>(Source);
  if (!source) return inherited::DoAssign(Source);
  SetValueType(source->FValueType);
  SetMaxValue(source->GetMaxValue());
  SetMinValue(source->GetMinValue());
  SetIncCount(source->GetIncCount());
  SetDisplayFormat(source->FDisplayFormat);
  SetFloatPrecision(source->FFloatPrecision);
  SetAssignedValues(source->FAssignedValues);
}

void TZCLSpinEditOptionsValue::DoChanged(TZCLPersistentChanges) {
  if (!FOwner) return;
  if (FOwner->FInnerControl) FOwner->UpdateInnerControl();
  FOwner->SetValue(FOwner->FValue);
  FOwner->UpdateDisplayText();
}

TZCLSpinEdit::TZCLSpinEdit(TComponent* AOwner) : TZCLCustomSpinEdit(AOwner) {
  FOptionsValue = new TZCLSpinEditOptionsValue(this);
}

TZCLSpinEdit::~TZCLSpinEdit() {
  Free(FApplyTimer);
  Free(FSpentTimer);
  Free(FOptionsValue);
}

void TZCLSpinEdit::DeclareProperties(TClassDeclaration<TZCLSpinEdit>& D) {
  D.Property(u"Align", &TZCLSpinEdit::GetAlign, &TZCLSpinEdit::SetAlign).Default(alNone);
  D.Property(u"OptionsValue", &TZCLSpinEdit::GetOptionsValue, &TZCLSpinEdit::SetOptionsValue);
  D.Property(u"Value", &TZCLSpinEdit::GetValue, &TZCLSpinEdit::SetValue).Stored(&TZCLSpinEdit::IsValueStored);
  D.Event(u"OnGetDisplayText", &TZCLSpinEdit::OnGetDisplayText);
  D.Event(u"OnKeyDown", &TZCLSpinEdit::OnKeyDown);
  D.Event(u"OnKeyPress", &TZCLSpinEdit::OnKeyPress);
  D.Event(u"OnKeyUp", &TZCLSpinEdit::OnKeyUp);
}

bool TZCLSpinEdit::IsValueStored() const { return VariantToDouble(FValue) != 0; }

void TZCLSpinEdit::SetOnGetDisplayText(TZCLEditGetDisplayTextEvent Value) {
  OnGetDisplayText = Value;
  if (!InnerFocused()) UpdateDisplayText();
}

bool TZCLSpinEdit::InnerFocused() const { return FInnerControl && FInnerControl->Focused(); }

void TZCLSpinEdit::SetValue(const Variant& Value) {
  const Variant v = FOptionsValue ? FOptionsValue->Validate(Value) : Value;
  if (v.VarType() == FValue.VarType() && v == FValue) return;
  FValue = v;
  if (!FTextChanging) UpdateDisplayText();
  if (!GetComponentState().Contains(csLoading)) Changed();
}

void TZCLSpinEdit::Spin(Integer Delta) {
  SetValue(Variant(VariantToDouble(FValue) + Delta * VariantToDouble(FOptionsValue->GetIncCount())));
  if (auto* e = GetInnerEdit()) e->SelectAll();
}

String TZCLSpinEdit::FormatValue() const {
  if (FOptionsValue->GetValueType() == evtFloat)
    return FormatFloat(u"0." + String(size_t(FOptionsValue->GetFloatPrecision()), u'0'), VariantToDouble(FValue),
                       FormatSettings);
  return IntToStr(Int64(VariantToDouble(FValue)));
}

void TZCLSpinEdit::UpdateDisplayText() {
  TZCLInnerEdit* e = GetInnerEdit();
  if (!e || !FOptionsValue) return;
  FUpdatingText = true;
  try {
    if (InnerFocused()) {
      const Integer caret = e->GetCaretPos();
      e->SetText(FormatValue());
      e->Select(caret, caret);
    } else {
      String text = FormatValue();
      try {
        text = Format(FOptionsValue->GetDisplayFormat(), {text});
      } catch (const Exception&) {
        // A display format that takes no string shows the plain number.
      }
      if (OnGetDisplayText) OnGetDisplayText(this, FValue, text);
      e->SetText(text);
    }
  } catch (...) {
    FUpdatingText = false;
    throw;
  }
  FUpdatingText = false;
}

TWinControl* TZCLSpinEdit::CreateInnerControl() {
  auto* e = Create<TZCLInnerEdit>(static_cast<TComponent*>(this));
  e->SetText(u"0");
  e->OnChange = TNotifyEvent(this, &TZCLSpinEdit::InnerEditChange);
  e->OnPaste = TNotifyEvent(this, &TZCLSpinEdit::InnerEditPaste);
  return e;
}

void TZCLSpinEdit::UpdateInnerControl() {
  inherited::UpdateInnerControl();
  if (auto* e = GetInnerEdit(); e && FOptionsValue)
    e->SetInputMask(FOptionsValue->GetValueType() == evtFloat ? eimFloat : eimInteger);
}

void TZCLSpinEdit::InnerEditChange(TObject*) {
  if (FUpdatingText || !InnerFocused()) return;
  FTextChanging = true;
  try {
    Free(FApplyTimer);
    FApplyTimer = nullptr;
    Free(FSpentTimer);
    FSpentTimer = nullptr;
    SetValue(Variant(double(StrToFloatDef(GetInnerEdit()->GetText(), 0, FormatSettings))));
    FApplyTimer = new TZCLTimer(TNotifyEvent(this, &TZCLSpinEdit::ApplyTyping), 750, true);
  } catch (...) {
    FTextChanging = false;
    throw;
  }
  FTextChanging = false;
}

void TZCLSpinEdit::ApplyTyping(TObject*) {
  TZCLInnerEdit* e = GetInnerEdit();
  if (!e || e->GetSelLength() != 0 || e->GetText().empty()) return;  // tries again next tick
  // The timer is inside its own tick: stop it now, free it later.
  FApplyTimer->SetEnabled(false);
  FSpentTimer = FApplyTimer;
  FApplyTimer = nullptr;
  const String typed = e->GetText();
  UpdateDisplayText();
  if (e->GetText() != typed) MessageBeep(0);
}

void TZCLSpinEdit::FocusChanged() {
  inherited::FocusChanged();
  const bool focused = InnerFocused();
  if (focused == FHadFocus) return;
  FHadFocus = focused;
  UpdateDisplayText();
  if (focused) GetInnerEdit()->SelectAll();
}

void TZCLSpinEdit::KeyDown(Word& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  switch (Key) {
    case VK_RETURN:
      UpdateDisplayText();
      Key = 0;
      break;
    case VK_UP:
      Spin(1);
      Key = 0;
      break;
    case VK_DOWN:
      Spin(-1);
      Key = 0;
      break;
    default:
      break;
  }
}

bool TZCLSpinEdit::MouseWheel(TMouseWheelDirection Direction, TShiftState Shift, const TPoint& MousePos) {
  if (!inherited::MouseWheel(Direction, Shift, MousePos)) Spin(Direction == mwdUp ? 1 : -1);
  return true;
}

// ---- the time edit ------------------------------------------------------------------------------

namespace {
Integer TimeFieldOf(StringView Text, size_t At) {
  if (Text.size() < At + 2) return 0;
  Integer v = 0;
  for (size_t i = At; i < At + 2; ++i) {
    const Char c = Text[i];
    if (c < u'0' || c > u'9') return 0;
    v = v * 10 + (c - u'0');
  }
  return v;
}
}  // namespace

TZCLTimeFields ParseTimeText(StringView Text) {
  return {TimeFieldOf(Text, 0), TimeFieldOf(Text, 3), TimeFieldOf(Text, 6)};
}

TZCLTimeFields NormalizeTime(Integer Hours, Integer Minutes, Integer Seconds) {
  const Int64 total = std::max<Int64>(Int64(Hours) * 3600 + Int64(Minutes) * 60 + Seconds, 0);
  return {Integer((total / 3600) % 24), Integer((total / 60) % 60), Integer(total % 60)};
}

String FormatTimeText(const TZCLTimeFields& Time) {
  auto two = [](Integer V) { return String{Char(u'0' + V / 10 % 10), Char(u'0' + V % 10)}; };
  return two(Time.Hours) + u":" + two(Time.Minutes) + u":" + two(Time.Seconds);
}

TZCLInnerTimeEdit::TZCLInnerTimeEdit(TComponent* AOwner) : TZCLInnerEdit(AOwner) {
  SetMaxLength(8);
  SetTimeText(GetText());
}

TDateTime TZCLInnerTimeEdit::GetTime() const {
  const TZCLTimeFields t = ParseTimeText(GetText());
  const TZCLTimeFields n = NormalizeTime(t.Hours, t.Minutes, t.Seconds);
  return EncodeTime(Word(n.Hours), Word(n.Minutes), Word(n.Seconds), 0);
}

void TZCLInnerTimeEdit::SetTime(TDateTime Value) {
  if (double(Value) == double(GetTime())) return;
  Word h = 0, m = 0, s = 0, ms = 0;
  DecodeTime(Value, h, m, s, ms);
  SetTime(h, m, s);
}

void TZCLInnerTimeEdit::SetTime(Integer Hours, Integer Minutes, Integer Seconds) {
  const String text = FormatTimeText({Hours, Minutes, Seconds});
  if (text != GetText()) SetText(text);
}

void TZCLInnerTimeEdit::SetTimeText(const String& Text) {
  const TZCLTimeFields t = ParseTimeText(Text);
  const TZCLTimeFields n = NormalizeTime(t.Hours, t.Minutes, t.Seconds);
  SetTime(n.Hours, n.Minutes, n.Seconds);
}

void TZCLInnerTimeEdit::Increment(bool Up) {
  const Integer caret = GetCaretPos();
  TZCLTimeFields t = ParseTimeText(GetText());
  const Integer delta = Up ? 1 : -1;
  if (caret <= 2)
    t.Hours += delta;
  else if (caret <= 5)
    t.Minutes += delta;
  else
    t.Seconds += delta;
  const TZCLTimeFields n = NormalizeTime(t.Hours, t.Minutes, t.Seconds);
  SetTime(n.Hours, n.Minutes, n.Seconds);
  Select(caret, caret);
}

void TZCLInnerTimeEdit::ClearSelection() {
  const Integer start = GetSelStart(), length = GetSelLength();
  String text = GetText();
  for (Integer i = start; i < start + length && i < Integer(text.size()); ++i) text[size_t(i)] = u'0';
  SetTimeText(text);
  Select(start, start);
}

void TZCLInnerTimeEdit::KeyPress(Char& Key) {
  if (Key >= u'0' && Key <= u'9') {
    Integer p = GetSelStart();
    if (GetSelLength() > 0) ClearSelection();
    String text = GetText();
    if (p < Integer(text.size()) && text[size_t(p)] == u':') ++p;
    if (p < Integer(text.size())) {
      text[size_t(p)] = Key;
      SetTimeText(text);
      Select(p + 1, p + 1);
    }
  }
  Key = 0;
}

void TZCLInnerTimeEdit::KeyDown(Word& Key, TShiftState Shift) {
  switch (Key) {
    case VK_BACK:
      if (GetSelLength() == 0 && GetCaretPos() > 0) Select(GetCaretPos() - 1, GetCaretPos());
      ClearSelection();
      Key = 0;
      return;
    case VK_DELETE:
      if (GetSelLength() == 0) Select(GetCaretPos(), std::min<Integer>(GetCaretPos() + 1, Integer(GetText().size())));
      ClearSelection();
      Key = 0;
      return;
    case VK_UP:
    case VK_DOWN:
      Increment(Key == VK_UP);
      Key = 0;
      return;
    default:
      inherited::KeyDown(Key, Shift);
  }
}

void TZCLTimeEdit::DeclareProperties(TClassDeclaration<TZCLTimeEdit>& D) {
  D.Property(u"Time", &TZCLTimeEdit::GetTime, &TZCLTimeEdit::SetTime).Stored(&TZCLTimeEdit::IsTimeStored);
}

TDateTime TZCLTimeEdit::GetTime() const { return FInnerControl ? GetInnerEdit()->GetTime() : TDateTime(0); }

void TZCLTimeEdit::SetTime(TDateTime Value) {
  if (auto* e = GetInnerEdit()) e->SetTime(Value);
}

void TZCLTimeEdit::Spin(Integer Delta) {
  if (auto* e = GetInnerEdit()) e->Increment(Delta > 0);
}

TWinControl* TZCLTimeEdit::CreateInnerControl() {
  auto* e = Create<TZCLInnerTimeEdit>(static_cast<TComponent*>(this));
  e->OnChange = TNotifyEvent(this, &TZCLTimeEdit::InnerEditChange);
  return e;
}

void RegisterSpinEditClasses() {
  RegisterProperties<TZCLCustomSpinEdit>();
  RegisterProperties<TZCLSpinEditOptionsValue>();
  RegisterProperties<TZCLSpinEdit>();
  RegisterProperties<TZCLTimeEdit>();
  RegisterClasses({TZCLStyleSpinButton::StaticClass(), TZCLSpinEdit::StaticClass(), TZCLTimeEdit::StaticClass()});
}
