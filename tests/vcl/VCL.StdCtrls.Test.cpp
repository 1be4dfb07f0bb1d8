#include <gtest/gtest.h>

#include "os/OS.ScrollBars.h"
#include "support/HeadlessFixture.h"
#include "vcl/VCL.Clipbrd.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.StdCtrls.h"

namespace {

// An edit that takes WM_PASTE itself, as a hosting control would.
class TPasteTakingEdit : public TEdit {
  ZCL_CLASS(TPasteTakingEdit, TEdit)
 public:
  using TEdit::TEdit;
  Integer Pastes = 0;

 protected:
  void WndProc(TMessage& Message) override {
    if (Message.Msg == WM_PASTE) {
      ++Pastes;
      return;
    }
    inherited::WndProc(Message);
  }
};

class EditTest : public THeadlessTest {
 protected:
  void SetUp() override {
    THeadlessTest::SetUp();
    FForm = TCustomForm::CreateNew<TForm>(nullptr);
    FForm->SetBorderStyle(bsNone);
    FForm->SetBoundsRect(TRect(100, 100, 500, 300));
    FEdit = ::Create<TEdit>(FForm);
    FEdit->SetParent(FForm);
    FEdit->SetBoundsRect(TRect(10, 10, 210, 34));
    FEdit->OnChange = TNotifyEvent(&FChanges, +[](Integer* C, TObject*) { ++*C; });
    FForm->Show();
    Headless::RunUntilIdle();
    FEdit->SetFocus();
    Headless::RunUntilIdle();
  }
  void TearDown() override {
    Free(FForm);
    THeadlessTest::TearDown();
  }
  static void Ctrl(WORD Key) {
    Headless::KeyDown(VK_CONTROL);
    Headless::KeyPress(Key, Char(Key - u'A' + 1));
    Headless::KeyUp(VK_CONTROL);
    Headless::RunUntilIdle();
  }
  static void Shifted(WORD Key) {
    Headless::KeyDown(VK_SHIFT);
    Headless::KeyPress(Key);
    Headless::KeyUp(VK_SHIFT);
    Headless::RunUntilIdle();
  }
  static void Press(WORD Key) {
    Headless::KeyPress(Key);
    Headless::RunUntilIdle();
  }
  TPoint At(Integer Pos) { return FEdit->ClientToScreen(TPoint(FEdit->XFromPos(Pos), 12)); }

  TForm* FForm = nullptr;
  TEdit* FEdit = nullptr;
  Integer FChanges = 0;
};

TEST_F(EditTest, TypingMovesTheCaretAndKeysSelectAndDelete) {
  Headless::TypeText(u"hello world");
  Headless::RunUntilIdle();
  EXPECT_EQ(FEdit->GetText(), u"hello world");
  EXPECT_EQ(FEdit->GetCaretPos(), 11);
  EXPECT_EQ(FChanges, 11);
  Press(VK_HOME);
  Shifted(VK_RIGHT);
  Shifted(VK_RIGHT);
  EXPECT_EQ(FEdit->GetSelText(), u"he");
  Press(VK_DELETE);
  EXPECT_EQ(FEdit->GetText(), u"llo world");
  Press(VK_END);
  Press(VK_BACK);
  EXPECT_EQ(FEdit->GetText(), u"llo worl");
  Headless::KeyDown(VK_CONTROL);
  Press(VK_LEFT);
  Headless::KeyUp(VK_CONTROL);
  EXPECT_EQ(FEdit->GetCaretPos(), 4);
}

TEST_F(EditTest, CutCopyAndPasteGoThroughTheClipboardMessages) {
  FEdit->SetText(u"abc def");
  FEdit->Select(0, 3);
  Ctrl(u'C');
  EXPECT_EQ(Clipboard()->GetAsText(), u"abc");
  Ctrl(u'X');
  EXPECT_EQ(FEdit->GetText(), u" def");
  Press(VK_END);
  Ctrl(u'V');
  EXPECT_EQ(FEdit->GetText(), u" defabc");
  // A paste keeps the first line only and stops at MaxLength.
  Clipboard()->SetAsText(u"12345\r\nnext");
  FEdit->SetMaxLength(10);
  Ctrl(u'V');
  EXPECT_EQ(FEdit->GetText(), u" defabc123");

  auto* taking = ::Create<TPasteTakingEdit>(FForm);
  taking->SetParent(FForm);
  taking->SetBoundsRect(TRect(10, 40, 210, 64));
  Headless::RunUntilIdle();
  taking->SetFocus();
  Ctrl(u'V');
  EXPECT_EQ(taking->Pastes, 1);
  EXPECT_EQ(taking->GetText(), u"");
}

TEST_F(EditTest, ReadOnlyAndPasswordEditsKeepTheirText) {
  FEdit->SetText(u"secret");
  FEdit->SetReadOnly(true);
  FEdit->SelectAll();
  Headless::TypeText(u"x");
  Press(VK_DELETE);
  Ctrl(u'X');
  EXPECT_EQ(FEdit->GetText(), u"secret");
  FEdit->SetReadOnly(false);
  FEdit->SetPasswordChar(u'*');
  Clipboard()->SetAsText(u"before");
  FEdit->SelectAll();
  Ctrl(u'C');
  EXPECT_EQ(Clipboard()->GetAsText(), u"before");
}

TEST_F(EditTest, TheMouseSetsTheCaretAndDragsASelection) {
  FEdit->SetText(u"abcdef");
  Headless::MouseDown(At(1));
  Headless::MouseMove(At(4));
  Headless::MouseUp(At(4));
  Headless::RunUntilIdle();
  EXPECT_EQ(FEdit->GetSelStart(), 1);
  EXPECT_EQ(FEdit->GetSelLength(), 3);
  Headless::Click(At(5));
  Headless::RunUntilIdle();
  EXPECT_EQ(FEdit->GetSelLength(), 0);
  EXPECT_EQ(FEdit->GetCaretPos(), 5);
}

TEST_F(EditTest, TheDateMaskKeepsItsLiteralsAndShowsBlanks) {
  FEdit->SetEditMask(u"0000.00.00 00:00:00;1;_");
  EXPECT_EQ(FEdit->GetEditText(), u"____.__.__ __:__:__");
  Press(VK_HOME);
  Headless::TypeText(u"2024x0105");
  Headless::RunUntilIdle();
  EXPECT_EQ(FEdit->GetEditText(), u"2024.01.05 __:__:__");
  EXPECT_EQ(FEdit->GetCaretPos(), 11);
  Press(VK_BACK);
  EXPECT_EQ(FEdit->GetEditText(), u"2024.01.0_ __:__:__");
  EXPECT_EQ(FEdit->GetText(), u"2024.01.0    :  :  ");
  FEdit->SetText(u"2023.12.31 23:59:58");
  EXPECT_EQ(FEdit->GetEditText(), u"2023.12.31 23:59:58");
  EXPECT_EQ(FEdit->GetText(), u"2023.12.31 23:59:58");
  const TEditMask withoutLiterals(u"00-00;0;*");
  EXPECT_EQ(withoutLiterals.Unformat(withoutLiterals.Format(u"12")), u"12  ");
}

TEST(Gestures, APanGoesUpToTheFirstControlThatHandlesIt) {
  TForm* form = TCustomForm::CreateNew<TForm>(nullptr);
  auto* panel = ::Create<TCustomControl>(form);
  panel->SetParent(form);
  Integer formPans = 0, panelPans = 0;
  form->OnGesture = TGestureEvent(&formPans, +[](Integer* C, TObject*, const TGestureEventInfo& E, bool& Handled) {
    if (E.GestureID == igiPan) {
      ++*C;
      Handled = true;
    }
  });
  TGestureEventInfo pan;
  pan.GestureID = igiPan;
  pan.Flags = TInteractiveGestureFlags{gfBegin};
  EXPECT_TRUE(SendGesture(panel, pan));
  EXPECT_EQ(formPans, 1);
  panel->OnGesture = TGestureEvent(&panelPans, +[](Integer* C, TObject*, const TGestureEventInfo&, bool& Handled) {
    ++*C;
    Handled = true;
  });
  EXPECT_TRUE(SendGesture(panel, pan));
  EXPECT_EQ(panelPans, 1);
  EXPECT_EQ(formPans, 1);
  pan.GestureID = igiZoom;
  form->OnGesture = TGestureEvent();
  panel->OnGesture = TGestureEvent();
  EXPECT_FALSE(SendGesture(panel, pan));
  Free(form);
}

// A parent that records the edit notifications its children send.
class TNotifiedPanel : public TCustomControl {
  ZCL_CLASS(TNotifiedPanel, TCustomControl)
 public:
  using TCustomControl::TCustomControl;
  std::vector<WORD> Codes;

 protected:
  void WndProc(TMessage& Message) override {
    if (Message.Msg == WM_COMMAND) Codes.push_back(HIWORD(Message.WParam));
    inherited::WndProc(Message);
  }
};

class MemoTest : public THeadlessTest {
 protected:
  void SetUp() override {
    THeadlessTest::SetUp();
    FForm = TCustomForm::CreateNew<TForm>(nullptr);
    FForm->SetBorderStyle(bsNone);
    FForm->SetBoundsRect(TRect(100, 100, 500, 400));
    FPanel = ::Create<TNotifiedPanel>(FForm);
    FPanel->SetParent(FForm);
    FPanel->SetBoundsRect(TRect(0, 0, 400, 300));
    FMemo = ::Create<TMemo>(FForm);
    FMemo->SetParent(FPanel);
    FMemo->SetBoundsRect(TRect(0, 0, 200, 100));
    FMemo->SetScrollBars(ssVertical);
    FForm->Show();
    Headless::RunUntilIdle();
  }
  void TearDown() override {
    Free(FForm);
    THeadlessTest::TearDown();
  }
  SCROLLINFO VertInfo() {
    SCROLLINFO info;
    info.fMask = SIF_ALL;
    GetScrollInfo(FMemo->GetHandle(), SB_VERT, info);
    return info;
  }
  TForm* FForm = nullptr;
  TNotifiedPanel* FPanel = nullptr;
  TMemo* FMemo = nullptr;
};

TEST_F(MemoTest, LinesFollowTheTextAndAnyLineBreak) {
  TStrings* lines = FMemo->GetLines();
  EXPECT_EQ(lines->GetCount(), 0);
  FMemo->SetText(u"a\r\nb\nc\rd");
  EXPECT_EQ(lines->GetCount(), 4);
  EXPECT_EQ(lines->GetStrings(3), u"d");
  lines->SetText(u"one\r\ntwo\r\n");
  EXPECT_EQ(lines->GetCount(), 2);  // no line after the last break
  lines->Add(u"three");
  lines->Delete(0);
  lines->Insert(0, u"zero");
  EXPECT_EQ(FMemo->GetText(), u"zero\r\ntwo\r\nthree\r\n");
  EXPECT_THROW(lines->GetStrings(3), EListError);
  FMemo->SetCaretPos(TPoint(2, 1));
  EXPECT_EQ(FMemo->GetSelStart(), 8);
  EXPECT_EQ(FMemo->GetCaretPos(), TPoint(2, 1));
  // Pasted line breaks stay, unlike in a single-line edit.
  FMemo->SetSelText(u"x\r\ny");
  EXPECT_EQ(lines->GetStrings(1), u"twx");
  EXPECT_EQ(lines->GetStrings(2), u"yo");
}

TEST_F(MemoTest, ScrollRequestsMoveTheTopLineAndNotifyTheParent) {
  String text;
  for (Integer i = 0; i < 100; ++i) text += u"line\r\n";
  FPanel->Codes.clear();
  FMemo->SetText(text);
  EXPECT_EQ(FPanel->Codes, std::vector<WORD>{EN_CHANGE});
  const Integer visible = FMemo->GetVisibleLines();
  SCROLLINFO info = VertInfo();
  EXPECT_EQ(info.nMax, 100);  // 101 lines: the empty one after the last break counts
  EXPECT_EQ(Integer(info.nPage), visible);

  struct TCase {
    WPARAM Request;
    Integer Top;
  } cases[] = {
      {SB_LINEDOWN, 1},
      {SB_PAGEDOWN, 1 + visible},
      {SB_LINEUP, visible},
      {SB_THUMBPOSITION | (WPARAM(50) << 16), 50},
      {SB_BOTTOM, 101 - visible},
      {SB_TOP, 0},
      {SB_LINEUP, 0},
  };
  for (const TCase& c : cases) {
    FPanel->Codes.clear();
    const Integer before = FMemo->GetTopLine();
    SendMessage(FMemo->GetHandle(), WM_VSCROLL, c.Request, 0);
    EXPECT_EQ(FMemo->GetTopLine(), c.Top) << LOWORD(c.Request);
    EXPECT_EQ(VertInfo().nPos, c.Top);
    EXPECT_EQ(FPanel->Codes.size(), before != c.Top ? 1u : 0u);
    if (!FPanel->Codes.empty()) EXPECT_EQ(FPanel->Codes[0], EN_VSCROLL);
  }
  SCROLLBARINFO bar;
  GetScrollBarInfo(FMemo->GetHandle(), OBJID_VSCROLL, bar);
  EXPECT_EQ(bar.rgstate[0], 0u);
  FMemo->SetText(u"short");
  GetScrollBarInfo(FMemo->GetHandle(), OBJID_VSCROLL, bar);
  EXPECT_EQ(bar.rgstate[0], STATE_SYSTEM_UNAVAILABLE);
}

TEST_F(MemoTest, ThumbRequestsReachLinesPast65535) {
  String text;
  for (Integer i = 0; i < 70000; ++i) text += u"\n";
  FMemo->SetText(text);
  // The container sets the position first; the request's 16 bits agree with it.
  SetScrollPos(FMemo->GetHandle(), SB_VERT, 68000, false);
  SendMessage(FMemo->GetHandle(), WM_VSCROLL, SB_THUMBTRACK | (WPARAM(68000 & 0xFFFF) << 16), 0);
  EXPECT_EQ(FMemo->GetTopLine(), 68000);
}

}  // namespace
