#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "os/OS.Dialogs.h"
#include "os/OS.Input.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.DateTime.h"
#include "rtl/RTL.FormatSettings.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.Timers.h"
#include "zcl/ui/controls/ZCL.UI.Edit.Spin.h"

namespace {

struct TChangeCounter {
  Integer Count = 0;
  void Changed(TObject*) { ++Count; }
};

// A shown form with a number edit and a time edit; the time edit has the focus.
class SpinEditTest : public ::testing::Test {
 public:
  void SetUp() override {
    UIAnimationsEnabled = false;
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(100, 100, 300, 200);
    Form->SetBorderStyle(bsNone);
    Spin = Create<TZCLSpinEdit>(Form.get());
    Spin->SetParent(Form.get());
    Spin->SetBounds(10, 10, 150, 21);
    Spin->OnChange = TNotifyEvent(&Changes, &TChangeCounter::Changed);
    Time = Create<TZCLTimeEdit>(Form.get());
    Time->SetParent(Form.get());
    Time->SetBounds(10, 60, 150, 21);
    Form->Show();
    Time->SetFocus();
    Headless::RunUntilIdle();
  }
  void TearDown() override {
    Form.reset();
    UIAnimationsEnabled = true;
  }
  TPoint ScreenCentre(TZCLCustomSpinEdit* Edit, TZCLSpinButtonSubClass* Button) {
    return Edit->ClientToScreen(Button->GetBounds().CenterPoint());
  }
  Integer Value() { return Spin->GetValue().AsInteger(); }
  void Key(WORD VirtKey) {
    Headless::KeyPress(VirtKey);
    Headless::RunUntilIdle();
  }
  void Type(StringView Text) {
    Headless::TypeText(Text);
    Headless::RunUntilIdle();
  }

  TOwned<TForm> Form;
  TZCLSpinEdit* Spin = nullptr;
  TZCLTimeEdit* Time = nullptr;
  TChangeCounter Changes;
};

TEST_F(SpinEditTest, ButtonsSitAtBothEndsAndTheInnerEditBetween) {
  const TRect down = Spin->GetDownButton()->GetBounds(), up = Spin->GetUpButton()->GetBounds();
  EXPECT_EQ(down.Left, 0);
  EXPECT_EQ(up.Right, Spin->GetClientWidth());
  EXPECT_GT(down.Width(), 0);
  EXPECT_EQ(Spin->GetInnerEdit()->GetLeft(), down.Right);
  EXPECT_EQ(Spin->GetInnerEdit()->GetLeft() + Spin->GetInnerEdit()->GetWidth(), up.Left);
}

TEST_F(SpinEditTest, AClickStepsOnReleaseAndHoldingRepeatsTenfoldFromTheSixthTick) {
  Spin->GetOptionsValue()->SetIncCount(2);
  const TPoint up = ScreenCentre(Spin, Spin->GetUpButton());
  const TPoint down = ScreenCentre(Spin, Spin->GetDownButton());

  Headless::MouseDown(up);
  Headless::RunUntilIdle();
  EXPECT_EQ(Value(), 0);  // nothing until the release
  Headless::MouseUp(up);
  Headless::RunUntilIdle();
  EXPECT_EQ(Value(), 2);

  Headless::MouseDown(up);
  Headless::Advance(599);
  EXPECT_EQ(Value(), 2);
  Headless::Advance(1);
  EXPECT_EQ(Value(), 22);
  Headless::Advance(100);
  EXPECT_EQ(Value(), 42);
  Headless::MouseUp(up);
  Headless::RunUntilIdle();
  EXPECT_EQ(Value(), 42);  // nothing more on release
  EXPECT_FALSE(Spin->GetAutoRepeat());

  // Released after the wait has run out but before the first repeat: no step at all.
  Headless::MouseDown(down);
  Headless::Advance(550);
  Headless::MouseUp(down);
  Headless::Advance(500);
  EXPECT_EQ(Value(), 42);

  // Fast clicks step once per click.
  Headless::DoubleClick(down);
  Headless::RunUntilIdle();
  EXPECT_EQ(Value(), 38);
}

TEST_F(SpinEditTest, ValuesAreClampedTypedAndRounded) {
  TZCLSpinEditOptionsValue* o = Spin->GetOptionsValue();
  struct TCase {
    TZCLSpinEditValueType Type;
    bool Min, Max;
    double In, Expected;
  } cases[] = {
      {evtInteger, true, true, 15, 10},
      {evtInteger, true, true, -3, 0},
      {evtInteger, true, false, 15, 15},  // MinValue alone does not limit from above
      {evtInteger, false, false, 3.6, 4},
      {evtInteger, false, false, 1e12, 2147483647},
      {evtFloat, false, false, 12.3456, 12.35},
  };
  for (const TCase& c : cases) {
    o->SetAssignedValues({});
    o->SetValueType(c.Type);
    if (c.Max) o->SetMaxValue(10);
    if (c.Min) o->SetMinValue(0);
    Spin->SetValue(c.In);
    EXPECT_DOUBLE_EQ(Spin->GetValue().AsDouble(), c.Expected) << c.In;
  }
  EXPECT_EQ(Spin->GetValue().VarType(), varDouble);

  o->SetAssignedValues({});
  o->SetMinValue(8);
  o->SetMaxValue(5);
  EXPECT_EQ(o->GetMinValue().AsInteger(), 5);
  o->SetFloatPrecision(12);
  EXPECT_EQ(o->GetFloatPrecision(), 8);
  o->SetFloatPrecision(0);
  EXPECT_EQ(o->GetFloatPrecision(), 1);
}

TEST_F(SpinEditTest, DisplayFormatShowsWhileUnfocusedAndThePlainNumberWhileFocused) {
  Spin->GetOptionsValue()->SetDisplayFormat(u"%s px");
  Spin->SetValue(12);
  EXPECT_EQ(Spin->GetInnerEdit()->GetText(), u"12 px");
  Spin->SetFocus();
  Headless::RunUntilIdle();
  EXPECT_EQ(Spin->GetInnerEdit()->GetText(), u"12");
  Key(VK_UP);
  EXPECT_EQ(Spin->GetInnerEdit()->GetText(), u"13");
  Key(VK_DOWN);
  Key(VK_DOWN);
  EXPECT_EQ(Value(), 11);
  Time->SetFocus();
  Headless::RunUntilIdle();
  EXPECT_EQ(Spin->GetInnerEdit()->GetText(), u"11 px");

  Spin->SetOnGetDisplayText(TZCLEditGetDisplayTextEvent([](TObject*, const Variant& V, String& Text) {
    Text = u"<" + Text + u"|" + V.AsString() + u">";
  }));
  EXPECT_EQ(Spin->GetInnerEdit()->GetText(), u"<11 px|11>");

  Spin->GetOptionsValue()->SetDisplayFormat(u"");
  EXPECT_EQ(Spin->GetOptionsValue()->GetDisplayFormat(), u"%s");
  Spin->GetOptionsValue()->SetValueType(evtFloat);
  Spin->SetOnGetDisplayText({});
  Spin->SetFocus();
  Headless::RunUntilIdle();
  EXPECT_EQ(Spin->GetInnerEdit()->GetText(), String(u"11") + FormatSettings.DecimalSeparator + u"00");
}

TEST_F(SpinEditTest, TypedTextSetsTheValueAtOnceAndIsNormalisedWithABeepLater) {
  Spin->GetOptionsValue()->SetMinValue(0);
  Spin->GetOptionsValue()->SetMaxValue(100);
  Spin->SetFocus();
  Headless::RunUntilIdle();
  Changes.Count = 0;
  Integer beeps = 0;
  const TMessageBeepSink previous = InstallMessageBeepSink([&](UINT) { ++beeps; });
  Type(u"500");
  EXPECT_EQ(Value(), 100);
  EXPECT_EQ(Changes.Count, 3);  // the value follows every keystroke: 5, 50, 100
  EXPECT_EQ(Spin->GetInnerEdit()->GetText(), u"500");
  ASSERT_NE(Spin->GetApplyTimer(), nullptr);
  Headless::Advance(749);
  EXPECT_EQ(Spin->GetInnerEdit()->GetText(), u"500");
  Headless::Advance(1);
  EXPECT_EQ(Spin->GetInnerEdit()->GetText(), u"100");
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(Spin->GetApplyTimer(), nullptr);
  InstallMessageBeepSink(previous);
}

TEST_F(SpinEditTest, TimeEditTypingStepsAndDeletion) {
  TZCLInnerTimeEdit* e = Time->GetInnerEdit();
  EXPECT_EQ(e->GetText(), u"00:00:00");
  Time->SetFocus();
  Headless::RunUntilIdle();

  // 9 over the first digit of 12:00:00 gives 92 hours, shown modulo 24.
  e->SetTimeText(u"12:00:00");
  e->Select(0, 0);
  Type(u"9");
  EXPECT_EQ(e->GetText(), u"20:00:00");
  EXPECT_EQ(e->GetCaretPos(), 1);
  // Typing skips the colon.
  e->Select(2, 2);
  Type(u"4");
  EXPECT_EQ(e->GetText(), u"20:40:00");
  Type(u"x");
  EXPECT_EQ(e->GetText(), u"20:40:00");

  // Up on the minutes of 10:59:30 carries into the hours.
  e->SetTimeText(u"10:59:30");
  e->Select(4, 4);
  Key(VK_UP);
  EXPECT_EQ(e->GetText(), u"11:00:30");
  EXPECT_EQ(e->GetCaretPos(), 4);

  // Backspace at the end zeroes the last digit and moves the caret before it.
  e->SetTimeText(u"12:34:56");
  e->Select(8, 8);
  Key(VK_BACK);
  EXPECT_EQ(e->GetText(), u"12:34:50");
  EXPECT_EQ(e->GetCaretPos(), 7);
  e->Select(0, 5);
  Key(VK_DELETE);
  EXPECT_EQ(e->GetText(), u"00:00:50");

  // The spin buttons step the field at the caret and clamp at the day's ends.
  e->SetTimeText(u"00:00:00");
  e->Select(7, 7);
  Time->Spin(-1);
  EXPECT_EQ(e->GetText(), u"00:00:00");
  e->SetTimeText(u"23:59:59");
  e->Select(7, 7);
  Time->Spin(1);
  EXPECT_EQ(e->GetText(), u"00:00:00");

  Time->SetTime(EncodeTime(7, 8, 9, 0));
  EXPECT_EQ(e->GetText(), u"07:08:09");
  EXPECT_DOUBLE_EQ(double(Time->GetTime()), double(EncodeTime(7, 8, 9, 0)));
}

TEST(TimeText, ParseAndNormalize) {
  struct TCase {
    const char16_t* Text;
    const char16_t* Expected;
  } cases[] = {
      {u"92:00:00", u"20:00:00"}, {u"00:99:99", u"01:40:39"}, {u"ab:cd:ef", u"00:00:00"},
      {u"1", u"00:00:00"},        {u"", u"00:00:00"},         {u"23:59:60", u"00:00:00"},
  };
  for (const TCase& c : cases) {
    const TZCLTimeFields t = ParseTimeText(c.Text);
    EXPECT_EQ(FormatTimeText(NormalizeTime(t.Hours, t.Minutes, t.Seconds)), String(c.Expected));
  }
  EXPECT_EQ(NormalizeTime(0, 0, -1), TZCLTimeFields());
}

}  // namespace
