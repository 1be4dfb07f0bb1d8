#include <gtest/gtest.h>

#include <algorithm>

#include "os/OS.Icons.h"
#include "rtl/RTL.Streaming.h"
#include "rtl/RTL.Streams.h"
#include "support/HeadlessFixture.h"
#include "vcl/VCL.ActnList.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Imaging.h"
#include "vcl/VCL.Menus.h"

namespace {

// A focusable windowed control.
class TBox : public TCustomControl {
  ZCL_CLASS(TBox, TCustomControl)
 public:
  explicit TBox(TComponent* AOwner) : TCustomControl(AOwner) { SetTabStop(true); }
  std::vector<Word> Keys;
  Integer ActionUpdates = 0;
  void InitiateAction() override { ++ActionUpdates; }

 protected:
  void KeyDown(Word& Key, TShiftState Shift) override {
    Keys.push_back(Key);
    inherited::KeyDown(Key, Shift);
  }
};

// A push button as dialogs use it: Enter clicks the default (or focused) one, Escape the cancel
// one, its accelerator clicks it, and a modal result closes its form.
class TTestButton : public TCustomControl {
  ZCL_CLASS(TTestButton, TCustomControl)
  VCL_MESSAGES()
 public:
  explicit TTestButton(TComponent* AOwner) : TCustomControl(AOwner) { SetTabStop(true); }
  bool Default = false;
  bool Cancel = false;
  TModalResult ModalResult = mrNone;
  Integer Clicks = 0;
  void Click() override {
    ++Clicks;
    inherited::Click();
    if (ModalResult != mrNone)
      if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(ModalResult);
  }

 protected:
  void CMDialogKey(TMessage& Message) {
    const bool plain = KeyDataToShiftState(Message.LParam).Empty();
    if (plain && CanFocus() &&
        ((Message.WParam == VK_RETURN && (Default || Focused())) || (Message.WParam == VK_ESCAPE && Cancel))) {
      Click();
      Message.Result = 1;
      return;
    }
    InheritedMessage(inherited::MessageTable(), Message);
  }
  void CMDialogChar(TMessage& Message) {
    if (IsAccel(static_cast<Char>(Message.WParam), GetCaption()) && CanFocus()) {
      SetFocus();
      Click();
      Message.Result = 1;
      return;
    }
    InheritedMessage(inherited::MessageTable(), Message);
  }
};

const TMessageTable& TTestButton::MessageTable() {
  static const TMessageTable table(
      &inherited::MessageTable(),
      {VCL_MESSAGE(CM_DIALOGKEY, &TTestButton::CMDialogKey), VCL_MESSAGE(CM_DIALOGCHAR, &TTestButton::CMDialogChar)});
  return table;
}

template <class T>
T* Child(TWinControl* Parent, TRect Bounds) {
  T* control = Create<T>(nullptr);
  control->SetBoundsRect(Bounds);
  control->SetParent(Parent);
  return control;
}

// What the form events of a test saw.
struct TLog {
  std::vector<String> Events;
  TCloseAction Action = caHide;
  bool CanClose = true;
  bool WasEnabled = true;
  Integer ModalLevel = -1;
  TCustomForm* Modal = nullptr;
  TCustomForm* Other = nullptr;
};

class FormsTest : public THeadlessTest {
 protected:
  void TearDown() override {
    for (TCustomForm* form : FForms) Free(form);
    Application->OnIdle = nullptr;
    Application->OnException = nullptr;
    Application->OnModalBegin = nullptr;
    Application->OnModalEnd = nullptr;
    Application->OnShowHint = nullptr;
    Application->SetActionUpdateDelay(0);
    Application->CancelHint();
    THeadlessTest::TearDown();
  }

  // A form freed at the end of the test (unless the test frees it).
  TForm* NewForm(TRect Bounds) {
    TForm* form = TCustomForm::CreateNew<TForm>(nullptr);
    form->SetBorderStyle(bsNone);
    form->SetBoundsRect(Bounds);
    FForms.push_back(form);
    return form;
  }
  void Forget(TCustomForm* Form) { FForms.erase(std::remove(FForms.begin(), FForms.end(), Form), FForms.end()); }

  // A modal loop that ran out of input ends with this result instead of waiting forever.
  static constexpr TModalResult Stuck = 99;
  void GuardModalLoop(TLog& Log, TCustomForm* Form) {
    Log.Modal = Form;
    Application->OnIdle = TIdleEvent(
        &Log, +[](TLog* L, TObject*, bool& Done) {
          if (L->Modal && L->Modal->GetFormState().Contains(fsModal)) L->Modal->SetModalResult(Stuck);
          Done = false;
        });
  }

  std::vector<TCustomForm*> FForms;
};

// ---- keyboard ---------------------------------------------------------------------------------

TEST_F(FormsTest, TabMovesTheFocusInTabOrderAndShiftTabBack) {
  TForm* form = NewForm(TRect(100, 100, 400, 300));
  auto* first = Child<TBox>(form, TRect(10, 10, 60, 30));
  auto* skipped = Child<TBox>(form, TRect(10, 40, 60, 60));
  skipped->SetTabStop(false);
  auto* third = Child<TBox>(form, TRect(10, 70, 60, 90));
  form->Show();
  Headless::RunUntilIdle();
  ASSERT_TRUE(first->Focused());
  EXPECT_EQ(form->GetActiveControl(), first);

  Headless::KeyPress(VK_TAB);
  Headless::RunUntilIdle();
  EXPECT_TRUE(third->Focused());
  EXPECT_EQ(form->GetActiveControl(), third);
  EXPECT_EQ(Screen->GetActiveControl(), third);

  Headless::KeyPress(VK_TAB);  // wraps around
  Headless::RunUntilIdle();
  EXPECT_TRUE(first->Focused());

  Headless::KeyDown(VK_SHIFT);
  Headless::KeyPress(VK_TAB);
  Headless::KeyUp(VK_SHIFT);
  Headless::RunUntilIdle();
  EXPECT_TRUE(third->Focused());
  for (TBox* box : {first, third})  // Tab went to the navigation only
    EXPECT_EQ(std::count(box->Keys.begin(), box->Keys.end(), Word(VK_TAB)), 0);

  Free(third);  // the focused control goes: nobody keeps it
  EXPECT_EQ(form->GetActiveControl(), nullptr);
  EXPECT_EQ(Screen->GetActiveControl(), nullptr);
}

TEST_F(FormsTest, TheActiveControlChosenBeforeTheFormShowsGetsTheFocusThen) {
  TForm* form = NewForm(TRect(100, 100, 400, 300));
  Child<TBox>(form, TRect(10, 10, 60, 30));
  auto* second = Child<TBox>(form, TRect(10, 40, 60, 60));
  auto* hidden = Child<TBox>(form, TRect(10, 70, 60, 90));
  hidden->SetVisible(false);
  EXPECT_THROW(form->SetActiveControl(hidden), EInvalidOperation);
  form->SetActiveControl(second);
  form->Show();
  Headless::RunUntilIdle();
  EXPECT_TRUE(second->Focused());
  EXPECT_EQ(form->GetActiveControl(), second);

  // SetFocus on a control of a form not shown yet chooses it the same way.
  TForm* later = NewForm(TRect(450, 100, 700, 300));
  Child<TBox>(later, TRect(10, 10, 60, 30));
  auto* chosen = Child<TBox>(later, TRect(10, 40, 60, 60));
  chosen->SetFocus();
  later->Show();
  Headless::RunUntilIdle();
  EXPECT_TRUE(chosen->Focused());
}

TEST_F(FormsTest, EnterAndEscapeClickTheDefaultAndCancelButtonsOfAModalForm) {
  struct TCase {
    WORD Key;
    TModalResult Expected;
  };
  for (const TCase& c : {TCase{VK_RETURN, mrOk}, TCase{VK_ESCAPE, mrCancel}}) {
    SCOPED_TRACE(c.Key);
    TForm* owner = NewForm(TRect(0, 0, 200, 100));
    owner->Show();
    TForm* dialog = NewForm(TRect(300, 300, 600, 500));
    auto* edit = Child<TBox>(dialog, TRect(10, 10, 100, 30));
    auto* ok = Child<TTestButton>(dialog, TRect(10, 50, 80, 75));
    ok->Default = true;
    ok->ModalResult = mrOk;
    auto* cancel = Child<TTestButton>(dialog, TRect(90, 50, 160, 75));
    cancel->Cancel = true;
    cancel->ModalResult = mrCancel;
    Headless::RunUntilIdle();

    TLog log;
    log.Other = owner;
    GuardModalLoop(log, dialog);
    Application->OnModalBegin = TNotifyEvent(
        &log, +[](TLog* L, TObject*) { L->Events.push_back(u"begin"); });
    Application->OnModalEnd = TNotifyEvent(
        &log, +[](TLog* L, TObject*) { L->Events.push_back(u"end"); });
    dialog->OnShow = TNotifyEvent(
        &log, +[](TLog* L, TObject*) {
          // While modal the other forms take no input.
          L->WasEnabled = IsWindowEnabled(L->Other->GetHandle()) != 0;
          L->ModalLevel = Application->GetModalLevel();
        });
    Headless::KeyPress(c.Key);
    const TModalResult result = dialog->ShowModal();

    EXPECT_EQ(result, c.Expected);
    EXPECT_TRUE(edit->Keys.empty());
    EXPECT_EQ(ok->Clicks, c.Expected == mrOk ? 1 : 0);
    EXPECT_EQ(cancel->Clicks, c.Expected == mrCancel ? 1 : 0);
    EXPECT_FALSE(dialog->GetVisible());
    EXPECT_FALSE(log.WasEnabled);
    EXPECT_EQ(log.ModalLevel, 1);
    EXPECT_EQ(log.Events, (std::vector<String>{u"begin", u"end"}));
    EXPECT_EQ(Application->GetModalLevel(), 0);
    EXPECT_TRUE(IsWindowEnabled(owner->GetHandle()));
    Application->OnModalBegin = nullptr;
    Application->OnModalEnd = nullptr;
    Free(dialog);
    Forget(dialog);
    Free(owner);
    Forget(owner);
  }
}

TEST_F(FormsTest, AModalLoopKeepsRunningWhileTheCloseIsRefused) {
  TForm* dialog = NewForm(TRect(300, 300, 600, 500));
  auto* ok = Child<TTestButton>(dialog, TRect(10, 50, 80, 75));
  ok->Default = true;
  ok->ModalResult = mrOk;
  TLog log;
  log.CanClose = false;
  dialog->OnCloseQuery = TCloseQueryEvent(
      &log, +[](TLog* L, TObject*, bool& CanClose) {
        CanClose = L->CanClose;
        L->CanClose = true;  // the second attempt may close
        L->Events.push_back(u"query");
      });
  GuardModalLoop(log, dialog);
  Headless::KeyPress(VK_RETURN);
  Headless::KeyPress(VK_RETURN);
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  EXPECT_EQ(ok->Clicks, 2);
  EXPECT_EQ(log.Events, (std::vector<String>{u"query", u"query"}));
}

TEST_F(FormsTest, AModalFormFreedInsideItsLoopEndsItWithCancel) {
  TForm* dialog = NewForm(TRect(300, 300, 600, 500));
  Forget(dialog);
  TLog log;
  log.Modal = dialog;
  dialog->OnDestroy = TNotifyEvent(
      &log, +[](TLog* L, TObject*) { L->Events.push_back(u"destroy"); });
  Application->OnIdle = TIdleEvent(
      &log, +[](TLog* L, TObject*, bool& Done) {
        Free(L->Modal);  // as an owner might
        L->Modal = nullptr;
        Done = false;
      });
  EXPECT_EQ(dialog->ShowModal(), mrCancel);
  EXPECT_EQ(log.Events, (std::vector<String>{u"destroy"}));
  EXPECT_EQ(Application->GetModalLevel(), 0);
  TForm* visible = NewForm(TRect(0, 0, 10, 10));
  visible->Show();
  EXPECT_THROW(visible->ShowModal(), EInvalidOperation);
}

TEST_F(FormsTest, AnAcceleratorReachesTheControlWhoseCaptionMarksIt) {
  TForm* form = NewForm(TRect(100, 100, 400, 300));
  auto* apply = Child<TTestButton>(form, TRect(10, 10, 80, 35));
  apply->SetCaption(u"&Apply");
  auto* print = Child<TTestButton>(form, TRect(10, 40, 80, 65));
  print->SetCaption(u"&Print");
  auto* literal = Child<TTestButton>(form, TRect(10, 70, 80, 95));
  literal->SetCaption(u"Fish && &Chips");
  form->Show();
  Headless::RunUntilIdle();
  ASSERT_TRUE(apply->Focused());

  Headless::KeyPress(u'P');  // a plain character: the focused button wants no characters
  Headless::RunUntilIdle();
  EXPECT_EQ(print->Clicks, 1);
  EXPECT_TRUE(print->Focused());

  Headless::KeyDown(VK_MENU);  // Alt and the character
  Headless::KeyPress(u'A');
  Headless::KeyUp(VK_MENU);
  Headless::TypeText(u"&");  // "&&" is no accelerator
  Headless::TypeText(u"c");
  Headless::RunUntilIdle();
  EXPECT_EQ(apply->Clicks, 1);
  EXPECT_EQ(literal->Clicks, 1);
  EXPECT_EQ(print->Clicks, 1);
}

TEST_F(FormsTest, KeyPreviewAndShortCutsComeBeforeTheFocusedControl) {
  TForm* form = NewForm(TRect(100, 100, 400, 300));
  auto* box = Child<TBox>(form, TRect(10, 10, 60, 30));
  auto* list = ::Create<TActionList>(form);
  auto* action = ::Create<TAction>(form);
  action->SetActionList(list);
  action->SetShortCut(ShortCut(u'S', scCtrl));
  TLog log;
  action->SetOnExecute(TNotifyEvent(
      &log, +[](TLog* L, TObject*) { L->Events.push_back(u"save"); }));
  form->SetKeyPreview(true);
  form->OnKeyDown = TKeyEvent(
      &log, +[](TLog* L, TObject*, Word& Key, TShiftState) {
        L->Events.push_back(String(1, static_cast<Char>(Key)));
        if (Key == u'X') Key = 0;  // eaten by the form
      });
  form->Show();
  Headless::RunUntilIdle();
  ASSERT_TRUE(box->Focused());

  Headless::KeyPress(u'X');
  Headless::KeyPress(u'Y');
  Headless::KeyDown(VK_CONTROL);
  Headless::KeyPress(u'S');
  Headless::KeyUp(VK_CONTROL);
  Headless::RunUntilIdle();
  EXPECT_EQ(box->Keys, (std::vector<Word>{u'Y', VK_CONTROL}));
  EXPECT_EQ(log.Events, (std::vector<String>{u"X", u"Y", String(1, Char(VK_CONTROL)), u"save"}));
}

// ---- closing and releasing --------------------------------------------------------------------

TEST_F(FormsTest, VisibleCannotChangeWhileOnShowRuns) {
  TForm* form = NewForm(TRect(100, 100, 400, 300));
  TLog log;
  Application->OnException = TExceptionEvent(
      &log, +[](TLog* L, TObject*, Exception* E) { L->Events.push_back(E->GetMessage()); });
  form->OnShow = TNotifyEvent([](TObject* Sender) { static_cast<TForm*>(Sender)->Hide(); });
  form->Show();
  EXPECT_EQ(log.Events, (std::vector<String>{u"Cannot change Visible in OnShow or OnHide"}));
  EXPECT_TRUE(form->GetVisible());
  EXPECT_TRUE(form->GetShowing());
  EXPECT_TRUE(IsWindowVisible(form->GetHandle()));
}

TEST_F(FormsTest, CloseFollowsCloseQueryAndTheCloseAction) {
  struct TCase {
    bool CanClose;
    TCloseAction Action;
    bool Visible;
    bool Freed;
  };
  const TCase cases[] = {
      {false, caFree, true, false},  // refused: OnClose does not run
      {true, caNone, true, false},     {true, caHide, false, false},
      {true, caFree, true, true},  // freed once the loop runs
      {true, caMinimize, true, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(Integer(c.Action) + 10 * c.CanClose);
    ASSERT_EQ(Application->GetMainForm(), nullptr);  // the main form's close would end the program
    TForm* form = NewForm(TRect(100, 100, 400, 300));
    form->Show();
    TLog log;
    log.CanClose = c.CanClose;
    log.Action = c.Action;
    form->OnCloseQuery = TCloseQueryEvent(
        &log, +[](TLog* L, TObject*, bool& CanClose) { CanClose = L->CanClose; });
    form->OnClose = TCloseEvent(
        &log, +[](TLog* L, TObject*, TCloseAction& Action) {
          EXPECT_EQ(Action, caHide);
          Action = L->Action;
          L->Events.push_back(u"close");
        });
    form->OnDestroy = TNotifyEvent(
        &log, +[](TLog* L, TObject*) { L->Events.push_back(u"destroy"); });
    form->Close();
    EXPECT_EQ(form->GetVisible(), c.Visible);
    EXPECT_EQ(log.Events.size(), c.CanClose ? 1u : 0u);
    if (c.Action == caMinimize && c.CanClose) {
      EXPECT_EQ(form->GetWindowState(), wsMinimized);
    }
    Headless::RunUntilIdle();
    EXPECT_EQ(!log.Events.empty() && log.Events.back() == u"destroy", c.Freed);
    if (!c.Freed) Free(form);
    Forget(form);
  }
}

TEST_F(FormsTest, AReleasedFormIsGoneOnceTheLoopRuns) {
  TForm* form = NewForm(TRect(100, 100, 400, 300));
  auto* button = Child<TTestButton>(form, TRect(10, 10, 80, 35));
  form->Show();
  Headless::RunUntilIdle();
  TLog log;
  form->OnDestroy = TNotifyEvent(
      &log, +[](TLog* L, TObject*) { L->Events.push_back(u"destroy"); });
  // Released from inside a handler of one of its own controls: the handler finishes first.
  button->OnClick = TNotifyEvent(
      &log, +[](TLog* L, TObject* Sender) {
        GetParentForm(static_cast<TControl*>(Sender))->Release();
        L->Events.push_back(u"clicked");
      });
  Headless::KeyPress(VK_RETURN);  // the focused button
  Headless::RunUntilIdle();
  Forget(form);
  EXPECT_EQ(log.Events, (std::vector<String>{u"clicked", u"destroy"}));
  for (Integer i = 0; i < Screen->GetFormCount(); ++i) EXPECT_NE(Screen->GetForms(i), form);
}

TEST_F(FormsTest, ReleaseInsideTheFormsOwnModalLoopEndsItAndFreesTheFormAfterwards) {
  TForm* dialog = NewForm(TRect(300, 300, 600, 500));
  auto* button = Child<TTestButton>(dialog, TRect(10, 10, 80, 35));
  TLog log;
  GuardModalLoop(log, dialog);
  dialog->OnDestroy = TNotifyEvent(
      &log, +[](TLog* L, TObject*) { L->Events.push_back(u"destroy"); });
  button->OnClick = TNotifyEvent(
      &log, +[](TLog* L, TObject* Sender) {
        GetParentForm(static_cast<TControl*>(Sender))->Release();
        L->Events.push_back(u"released");
      });
  Headless::KeyPress(VK_RETURN);
  EXPECT_EQ(dialog->ShowModal(), mrCancel);
  EXPECT_EQ(log.Events, (std::vector<String>{u"released"}));  // still there for the caller
  Headless::RunUntilIdle();
  Forget(dialog);
  EXPECT_EQ(log.Events, (std::vector<String>{u"released", u"destroy"}));
}

TEST_F(FormsTest, AltAndACharacterOpenTheMainMenusItem) {
  TForm* form = NewForm(TRect(100, 100, 400, 300));
  Child<TBox>(form, TRect(10, 10, 60, 30));
  auto* menu = ::Create<TMainMenu>(form);
  auto* file = ::Create<TMenuItem>(form);
  file->SetCaption(u"&File");
  menu->GetItems()->Add(file);
  TLog log;
  file->OnClick = TNotifyEvent(
      &log, +[](TLog* L, TObject*) { L->Events.push_back(u"file"); });
  form->SetMenu(menu);
  form->Show();
  Headless::RunUntilIdle();
  Headless::KeyDown(VK_MENU);
  Headless::KeyPress(u'X');  // no item has it
  Headless::KeyPress(u'F');
  Headless::KeyUp(VK_MENU);
  Headless::RunUntilIdle();
  EXPECT_EQ(log.Events, (std::vector<String>{u"file"}));
}

TEST_F(FormsTest, PositionPlacesTheFormWhenFirstShown) {
  TForm* owner = NewForm(TRect(100, 100, 500, 400));
  owner->Show();
  struct TCase {
    TPosition Position;
    TPoint Expected;
  };
  // The work area of the 1920 x 1080 monitor ends above the 40-pixel task bar.
  for (const TCase& c : {TCase{poDesigned, TPoint(5, 6)}, TCase{poScreenCenter, TPoint(860, 420)},
                         TCase{poOwnerFormCenter, TPoint(200, 150)}}) {
    SCOPED_TRACE(Integer(c.Position));
    auto* form = ::Create<TForm>(owner);
    form->SetBorderStyle(bsNone);
    form->SetBounds(5, 6, 200, 200);
    form->SetPosition(c.Position);
    form->Show();
    EXPECT_EQ(form->GetBoundsRect().TopLeft(), c.Expected);
    form->Hide();
    form->SetLeft(7);
    form->Show();  // only the first showing places it
    EXPECT_EQ(form->GetLeft(), 7);
    Free(form);
  }
}

TEST_F(FormsTest, DataModulesJoinTheScreenUntilFreed) {
  TLog log;
  auto* module = TDataModule::CreateNew<TDataModule>(nullptr);
  ASSERT_EQ(Screen->GetDataModuleCount(), 1);
  EXPECT_EQ(Screen->GetDataModules(0), module);
  module->OnDestroy = TNotifyEvent(
      &log, +[](TLog* L, TObject*) { L->Events.push_back(u"destroy"); });
  Free(module);
  EXPECT_EQ(Screen->GetDataModuleCount(), 0);
  EXPECT_EQ(log.Events, (std::vector<String>{u"destroy"}));
  EXPECT_THROW(Screen->GetDataModules(0), EListError);
}

TEST_F(FormsTest, AFormIsBuiltFromAComponentStream) {
  RegisterClass(TBox::StaticClass());
  TForm* source = NewForm(TRect(10, 20, 330, 260));
  source->SetName(u"Dialog");
  source->SetCaption(u"Options");
  source->SetBorderStyle(bsDialog);
  source->SetPosition(poScreenCenter);
  source->SetKeyPreview(true);
  auto* box = ::Create<TBox>(source);
  box->SetName(u"Box1");
  box->SetBounds(5, 6, 70, 20);
  box->SetParent(source);
  TMemoryStream stream;
  WriteComponent(&stream, source);
  stream.SetPosition(0);

  auto* copy = dynamic_cast<TForm*>(ReadComponent(&stream, nullptr));
  ASSERT_NE(copy, nullptr);
  FForms.push_back(copy);
  EXPECT_EQ(copy->GetCaption(), u"Options");
  EXPECT_EQ(copy->GetBorderStyle(), bsDialog);
  EXPECT_EQ(copy->GetPosition(), poScreenCenter);
  EXPECT_TRUE(copy->GetKeyPreview());
  EXPECT_FALSE(copy->GetVisible());
  auto* boxCopy = dynamic_cast<TBox*>(copy->FindComponent(u"Box1"));
  ASSERT_NE(boxCopy, nullptr);
  EXPECT_EQ(boxCopy->GetParent(), copy);
  EXPECT_EQ(boxCopy->GetBoundsRect(), TRect(5, 6, 75, 26));
}

TEST_F(FormsTest, FormPropertiesReachItsWindow) {
  TForm* owner = NewForm(TRect(0, 0, 200, 200));
  TForm* form = NewForm(TRect(300, 300, 600, 500));
  form->SetBorderStyle(bsDialog);
  form->SetFormStyle(fsStayOnTop);
  form->SetPopupParent(owner);
  form->SetAlphaBlend(true);
  form->SetAlphaBlendValue(128);
  form->Show();
  const HWND handle = form->GetHandle();
  EXPECT_EQ(form->GetPopupMode(), pmExplicit);
  EXPECT_EQ(GetWindow(handle, GW_OWNER), owner->GetHandle());
  const DWORD style = static_cast<DWORD>(GetWindowLong(handle, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(GetWindowLong(handle, GWL_EXSTYLE));
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0u);
  EXPECT_NE(exStyle & WS_EX_DLGMODALFRAME, 0u);
  EXPECT_NE(exStyle & WS_EX_TOPMOST, 0u);
  Byte alpha = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(handle, nullptr, &alpha, nullptr));
  EXPECT_EQ(alpha, 128);

  form->SetBorderStyle(bsSizeable);  // made again with the new frame
  EXPECT_NE(static_cast<DWORD>(GetWindowLong(form->GetHandle(), GWL_STYLE)) & WS_THICKFRAME, 0u);
  form->SetWindowState(wsMaximized);
  EXPECT_TRUE(IsZoomed(form->GetHandle()));
  SendMessage(form->GetHandle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_EQ(form->GetWindowState(), wsNormal);
  Free(owner);  // the popup parent goes: the form forgets it
  Forget(owner);
  EXPECT_EQ(form->GetPopupParent(), nullptr);
  EXPECT_EQ(form->GetPopupMode(), pmNone);
}

// ---- screen -----------------------------------------------------------------------------------

TEST_F(FormsTest, ScreenListsFormsInZOrderWithTheActiveOneFirst) {
  TForm* a = NewForm(TRect(0, 0, 200, 200));
  TForm* b = NewForm(TRect(300, 0, 500, 200));
  auto* boxA = Child<TBox>(a, TRect(10, 10, 50, 30));
  TLog log;
  a->OnActivate = TNotifyEvent(
      &log, +[](TLog* L, TObject*) { L->Events.push_back(u"A on"); });
  a->OnDeactivate = TNotifyEvent(
      &log, +[](TLog* L, TObject*) { L->Events.push_back(u"A off"); });
  b->OnActivate = TNotifyEvent(
      &log, +[](TLog* L, TObject*) { L->Events.push_back(u"B on"); });
  a->Show();
  b->Show();
  Headless::RunUntilIdle();
  EXPECT_EQ(Screen->GetActiveForm(), b);
  EXPECT_EQ(Screen->GetFocusedForm(), b);
  EXPECT_EQ(Screen->GetForms(0), b);
  EXPECT_EQ(Screen->GetForms(1), a);
  EXPECT_TRUE(b->GetActive());
  EXPECT_FALSE(a->GetActive());

  Headless::Click(TPoint(100, 100));  // a click activates the form under it
  Headless::RunUntilIdle();
  EXPECT_EQ(Screen->GetActiveForm(), a);
  EXPECT_EQ(Screen->GetForms(0), a);
  EXPECT_EQ(Screen->GetActiveControl(), boxA);
  EXPECT_EQ(log.Events, (std::vector<String>{u"A on", u"A off", u"B on", u"A on"}));

  // Shown without activation: in front, but the active form stays.
  TForm* c = NewForm(TRect(600, 0, 700, 100));
  c->SetShowWithoutActivation(true);
  c->Show();
  Headless::RunUntilIdle();
  EXPECT_TRUE(IsWindowVisible(c->GetHandle()));
  EXPECT_EQ(Screen->GetActiveForm(), a);
  EXPECT_EQ(GetActiveWindow(), a->GetHandle());

  Free(a);
  Forget(a);
  EXPECT_NE(Screen->GetForms(0), a);
  EXPECT_NE(Screen->GetActiveControl(), boxA);
}

TEST_F(FormsTest, ScreenAnswersMonitorsCursorsAndFonts) {
  SetMonitors(THeadlessConfig::Dual(96, 144).Monitors);
  ASSERT_EQ(Screen->GetMonitorCount(), 2);
  TMonitor* right = Screen->MonitorFromPoint(TPoint(2000, 10));
  ASSERT_NE(right, nullptr);
  EXPECT_EQ(right->GetMonitorNum(), 1);
  EXPECT_EQ(right->GetPixelsPerInch(), 144);
  EXPECT_FALSE(right->GetPrimary());
  EXPECT_EQ(Screen->MonitorFromRect(TRect(1900, 0, 2300, 100)), right);  // the larger share
  EXPECT_EQ(Screen->MonitorFromPoint(TPoint(-500, 10), mdNull), nullptr);
  EXPECT_TRUE(Screen->GetPrimaryMonitor()->GetPrimary());
  EXPECT_EQ(Screen->GetPixelsPerInch(), 96);

  EXPECT_EQ(Screen->GetCursors(crHourGlass), LoadCursor(nullptr, IDC_WAIT));
  EXPECT_EQ(Screen->GetCursors(crDefault), LoadCursor(nullptr, IDC_ARROW));
  EXPECT_EQ(Screen->GetCursors(42), LoadCursor(nullptr, IDC_ARROW));  // unknown: the arrow
  EXPECT_EQ(Screen->GetCursors(crNone), nullptr);  // no cursor at all
  EXPECT_EQ(Screen->GetCursors(crSQLWait), LoadCursor(nullptr, IDC_WAIT));
  const uint32_t pixels[4] = {0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000};
  HCURSOR own = CreateCursorFromPixels(pixels, 2, 2, 0, 0);
  Screen->SetCursors(42, own);
  EXPECT_EQ(Screen->GetCursors(42), own);
  Screen->SetCursors(42, nullptr);  // destroys it
  EXPECT_EQ(Screen->GetCursors(42), LoadCursor(nullptr, IDC_ARROW));

  Screen->SetCursor(crHourGlass);
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_WAIT));
  Screen->SetCursor(crDefault);

  EXPECT_GT(Screen->GetFonts()->GetCount(), 0);
}

// ---- hints ------------------------------------------------------------------------------------

TEST_F(FormsTest, AHintShowsAfterThePauseAndHidesAfterTheHidePause) {
  TForm* form = NewForm(TRect(100, 100, 400, 300));
  auto* box = Child<TBox>(form, TRect(10, 10, 110, 40));
  box->SetHint(u"Short|Long text");
  box->SetShowHint(true);
  form->Show();
  Headless::RunUntilIdle();
  Application->SetHintPause(500);
  Application->SetHintHidePause(2500);

  Headless::MouseMove(TPoint(130, 120));
  Headless::RunUntilIdle();
  Application->HandleMessage();  // idle: the long hint of the control under the mouse
  EXPECT_EQ(Application->GetHint(), u"Long text");
  Headless::Advance(499);
  THintWindow* hint = Application->GetHintWindow();
  EXPECT_TRUE(!hint || !hint->GetShowing());
  Headless::Advance(1);
  hint = Application->GetHintWindow();
  ASSERT_NE(hint, nullptr);
  EXPECT_TRUE(hint->GetShowing());
  EXPECT_TRUE(IsWindowVisible(hint->GetHandle()));
  EXPECT_EQ(hint->GetCaption(), u"Short");
  EXPECT_GE(hint->GetTop(), 120);                   // below the cursor
  EXPECT_EQ(GetActiveWindow(), form->GetHandle());  // the hint took no activation
  // A frame around the hint colour.
  const auto argb = [](TColor Color) {
    const COLORREF c = static_cast<COLORREF>(ColorToRGB(Color));
    return 0xFF000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
  };
  EXPECT_EQ(Headless::WindowPixel(hint->GetHandle(), TPoint(0, 0)), argb(clWindowFrame));
  EXPECT_EQ(Headless::WindowPixel(hint->GetHandle(), TPoint(hint->GetWidth() - 2, hint->GetHeight() - 2)),
            argb(clInfoBk));

  Headless::Advance(2499);
  EXPECT_TRUE(hint->GetShowing());
  Headless::Advance(1);
  EXPECT_FALSE(hint->GetShowing());
  // Moving inside the same control does not bring it back.
  Headless::MouseMove(TPoint(135, 121));
  Headless::Advance(1000);
  EXPECT_FALSE(hint->GetShowing());

  // Another program taking the activation hides a hint at once.
  Application->CancelHint();
  Headless::MouseMove(TPoint(136, 121));
  Headless::Advance(500);
  ASSERT_TRUE(hint->GetShowing());
  InputAppActivation(false);
  Headless::RunUntilIdle();
  EXPECT_FALSE(hint->GetShowing());
  EXPECT_FALSE(Application->GetActive());
  InputAppActivation(true);
  Headless::RunUntilIdle();
}

TEST_F(FormsTest, MovingFromOneHintToTheNextTakesTheShortPause) {
  TForm* form = NewForm(TRect(100, 100, 400, 300));
  auto* first = Child<TBox>(form, TRect(10, 10, 110, 40));
  first->SetHint(u"First");
  first->SetShowHint(true);
  auto* second = Child<TBox>(form, TRect(10, 50, 110, 80));
  second->SetHint(u"Second");
  second->SetShowHint(true);
  form->Show();
  Headless::RunUntilIdle();
  Headless::MouseMove(TPoint(130, 120));
  Headless::Advance(Application->GetHintPause());
  ASSERT_NE(Application->GetHintWindow(), nullptr);
  EXPECT_EQ(Application->GetHintWindow()->GetCaption(), u"First");

  Headless::MouseMove(TPoint(130, 160));
  Headless::Advance(Application->GetHintShortPause());
  EXPECT_TRUE(Application->GetHintWindow()->GetShowing());
  EXPECT_EQ(Application->GetHintWindow()->GetCaption(), u"Second");

  Headless::MouseMove(TPoint(390, 290));  // no hint here
  Headless::RunUntilIdle();
  EXPECT_FALSE(Application->GetHintWindow()->GetShowing());
}

TEST_F(FormsTest, AControlMayRefuseOrChangeItsHintInHintShow) {
  TForm* form = NewForm(TRect(100, 100, 400, 300));
  auto* box = Child<TBox>(form, TRect(10, 10, 110, 40));
  box->SetHint(u"Tip");
  box->SetShowHint(true);
  form->Show();
  Headless::RunUntilIdle();
  TLog log;
  Application->OnShowHint = TShowHintEvent(
      &log, +[](TLog* L, String& HintStr, bool& CanShow, THintInfo& Info) {
        L->Events.push_back(HintStr);
        EXPECT_EQ(Info.HintWindowClass, HintWindowClass);
        HintStr = u"Changed";
        CanShow = !L->CanClose;
      });
  log.CanClose = true;  // refuse first
  Headless::MouseMove(TPoint(130, 120));
  Headless::Advance(Application->GetHintPause());
  EXPECT_TRUE(!Application->GetHintWindow() || !Application->GetHintWindow()->GetShowing());
  log.CanClose = false;
  Application->CancelHint();
  Headless::MouseMove(TPoint(131, 120));
  Headless::Advance(Application->GetHintPause());
  Application->OnShowHint = nullptr;
  ASSERT_NE(Application->GetHintWindow(), nullptr);
  EXPECT_EQ(Application->GetHintWindow()->GetCaption(), u"Changed");
  EXPECT_EQ(log.Events, (std::vector<String>{u"Tip", u"Tip"}));
}

TEST_F(FormsTest, NoHintWithoutAHidePause) {
  TForm* form = NewForm(TRect(100, 100, 400, 300));
  auto* box = Child<TBox>(form, TRect(10, 10, 110, 40));
  box->SetHint(u"Tip");
  box->SetShowHint(true);
  form->Show();
  Headless::RunUntilIdle();
  Application->SetHintHidePause(0);
  Headless::MouseMove(TPoint(130, 120));
  Headless::Advance(Application->GetHintPause() + 100);
  Application->SetHintHidePause(2500);
  EXPECT_TRUE(!Application->GetHintWindow() || !Application->GetHintWindow()->GetShowing());
}

// ---- application ------------------------------------------------------------------------------

TEST_F(FormsTest, IdleUpdatesActionsOfVisibleFormsAfterTheDelay) {
  TForm* form = NewForm(TRect(100, 100, 400, 300));
  auto* box = Child<TBox>(form, TRect(10, 10, 110, 40));
  TForm* hidden = NewForm(TRect(100, 100, 400, 300));
  auto* hiddenBox = Child<TBox>(hidden, TRect(10, 10, 110, 40));
  form->Show();
  Headless::RunUntilIdle();
  // Each idle pass posts a message, so that its wait ends at once.
  TLog log;
  log.Modal = form;
  Application->OnIdle = TIdleEvent(
      &log, +[](TLog* L, TObject*, bool& Done) {
        PostMessage(L->Modal->GetHandle(), WM_NULL, 0, 0);
        Done = true;
      });
  const Integer before = box->ActionUpdates;
  Application->SetActionUpdateDelay(0);
  Application->HandleMessage();  // idle: the update at once
  EXPECT_EQ(box->ActionUpdates, before + 1);
  Application->HandleMessage();  // the posted message

  Application->SetActionUpdateDelay(100);
  Application->HandleMessage();  // idle: the update waits for the delay
  Application->HandleMessage();
  EXPECT_EQ(box->ActionUpdates, before + 1);
  Headless::Advance(99);
  EXPECT_EQ(box->ActionUpdates, before + 1);
  Headless::Advance(1);
  EXPECT_EQ(box->ActionUpdates, before + 2);
  EXPECT_EQ(hiddenBox->ActionUpdates, 0);
}

TEST_F(FormsTest, ExceptionsOfHandlersReachOnExceptionAndTheLoopGoesOn) {
  TForm* form = NewForm(TRect(100, 100, 400, 300));
  auto* button = Child<TTestButton>(form, TRect(10, 10, 80, 35));
  form->Show();
  Headless::RunUntilIdle();
  TLog log;
  Application->OnException = TExceptionEvent(
      &log, +[](TLog* L, TObject*, Exception* E) { L->Events.push_back(E->GetMessage()); });
  button->OnClick = TNotifyEvent([](TObject*) { throw EConvertError(u"bad value"); });
  Headless::KeyPress(VK_RETURN);
  Headless::RunUntilIdle();
  button->OnClick = TNotifyEvent([](TObject*) { throw EAbort(u"silent"); });
  Headless::KeyPress(VK_RETURN);
  Headless::RunUntilIdle();
  EXPECT_EQ(log.Events, (std::vector<String>{u"bad value"}));
  EXPECT_EQ(button->Clicks, 2);
}

// ---- scaling ----------------------------------------------------------------------------------

TEST_F(FormsTest, AFormMovedToA144DpiMonitorScalesOnce) {
  SetMonitors(THeadlessConfig::Dual(96, 144).Monitors);
  TForm* form = NewForm(TRect(100, 100, 500, 400));
  form->GetFont()->SetHeight(-12);
  auto* box = Child<TBox>(form, TRect(10, 20, 110, 50));
  form->Show();
  Headless::RunUntilIdle();
  ASSERT_EQ(form->GetPixelsPerInch(), 96);
  TLog log;
  form->OnAfterMonitorDpiChanged = TDelegate<void(TObject*, Integer, Integer)>(
      &log, +[](TLog* L, TObject*, Integer Old, Integer New) {
        L->Events.push_back(Format(u"%d>%d", {Old, New}));
      });

  form->SetBounds(2100, 100, 400, 300);
  Headless::RunUntilIdle();
  EXPECT_EQ(form->GetPixelsPerInch(), 144);
  EXPECT_EQ(form->GetCurrentPPI(), 144);
  EXPECT_EQ(form->GetBoundsRect(), TRect(2100, 100, 2700, 550));  // the suggested rectangle
  EXPECT_EQ(box->GetBoundsRect(), TRect(15, 30, 165, 75));
  EXPECT_EQ(form->GetFont()->GetHeight(), -18);
  EXPECT_EQ(box->GetFont()->GetHeight(), -18);
  EXPECT_EQ(log.Events, (std::vector<String>{u"96>144"}));

  form->SetBounds(2200, 150, 600, 450);  // another place on the same monitor
  Headless::RunUntilIdle();
  EXPECT_EQ(box->GetBoundsRect(), TRect(15, 30, 165, 75));
  EXPECT_EQ(form->GetFont()->GetHeight(), -18);
  EXPECT_EQ(log.Events.size(), 1u);

  // A form first shown on the 144-DPI monitor takes its DPI then.
  TForm* other = NewForm(TRect(2000, 600, 2200, 700));
  auto* otherBox = Child<TBox>(other, TRect(10, 20, 110, 50));
  other->Show();
  EXPECT_EQ(other->GetPixelsPerInch(), 144);
  EXPECT_EQ(otherBox->GetBoundsRect(), TRect(15, 30, 165, 75));
  EXPECT_EQ(other->GetBoundsRect(), TRect(2000, 600, 2300, 750));
}

TEST_F(FormsTest, AFormShowsItsOwnIconElseTheApplications) {
  TForm* form = NewForm(Bounds(10, 10, 100, 80));
  form->Show();
  auto shownSize = [&] {
    int w = 0, h = 0;
    HICON shown = reinterpret_cast<HICON>(SendMessage(form->GetHandle(), WM_GETICON, ICON_BIG, 0));
    return GetIconSize(shown, w, h) ? w : 0;
  };
  EXPECT_EQ(shownSize(), 0);
  auto iconOf = [](Integer Size) {
    TBitmap bitmap;
    bitmap.SetSize(Size, Size);
    auto icon = std::make_unique<TIcon>();
    icon->AddImage(&bitmap);
    return icon;
  };
  Application->SetIcon(iconOf(3).get());
  EXPECT_EQ(shownSize(), 3);
  form->SetIcon(iconOf(5).get());
  EXPECT_EQ(shownSize(), 5);
  form->SetIcon(nullptr);  // emptied: back to the application's
  EXPECT_EQ(shownSize(), 3);
  Application->SetIcon(nullptr);
  EXPECT_EQ(shownSize(), 0);
}

}  // namespace
