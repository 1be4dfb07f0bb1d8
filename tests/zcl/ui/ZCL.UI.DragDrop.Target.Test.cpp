#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "os/OS.Clipboard.h"
#include "support/HeadlessFixture.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Utils.Clipboard.h"
#include "zcl/ui/ZCL.UI.DragDrop.Target.h"

namespace {

// A component that serves a part of its window only.
class TAreaDropTarget : public TZCLDropTarget {
  ZCL_CLASS(TAreaDropTarget, TZCLDropTarget)
 public:
  using TZCLDropTarget::TZCLDropTarget;
  TRect Area;

 protected:
  TRect GetTargetClientRect() override { return Area; }
};

std::vector<std::string> GLog;

void LogEnter(TObject* Sender) { GLog.push_back(StringToUTF8(static_cast<TComponent*>(Sender)->GetName()) + " enter"); }
void LogLeave(TObject* Sender) { GLog.push_back(StringToUTF8(static_cast<TComponent*>(Sender)->GetName()) + " leave"); }

struct TOverRule {
  bool Allow = true;
  bool SetAction = false;
  TZCLDropAction Action = daCopy;
  String Hint;
};
TOverRule GRule;
TZCLDropAction GDropped = daCopy;
Integer GDrops = 0;

void ApplyRule(TZCLDropTarget*, TShiftState, TPoint, String& Hint, bool& Allow, TZCLDropAction& Action) {
  Hint = GRule.Hint;
  if (!GRule.Allow) Allow = false;
  if (GRule.SetAction) Action = GRule.Action;
}

void RecordDrop(TZCLDropTarget*, TShiftState, TPoint, TZCLDropAction Action) {
  GDropped = Action;
  ++GDrops;
}

IPtr<IDataObject> TextData(const String& Text) {
  const String z = Text + u'\0';
  return CreateDataObject({{CF_UNICODETEXT, TZCLGlobalMemory::Alloc(z.data(), z.size() * sizeof(Char))}});
}

class DropTargets : public THeadlessTest {
 protected:
  void SetUp() override {
    THeadlessTest::SetUp();
    GLog.clear();
    GRule = TOverRule();
    GDrops = 0;
    FForm = TCustomForm::CreateNew<TForm>(nullptr);
    FForm->SetBorderStyle(bsNone);
    FForm->SetBoundsRect(TRect(100, 100, 400, 300));
    FForm->HandleNeeded();
  }
  void TearDown() override {
    Free(FForm);
    THeadlessTest::TearDown();
  }
  TZCLDropTarget* AddTarget(const String& Name, bool Owned = true) {
    auto* t = ::Create<TZCLDropTarget>(Owned ? static_cast<TComponent*>(FForm) : nullptr);
    t->SetName(Name);
    t->OnEnter = LogEnter;
    t->OnLeave = LogLeave;
    t->OnOver = ApplyRule;
    t->OnDrop = RecordDrop;
    t->SetTarget(FForm);
    return t;
  }
  IDropTarget* Hook() { return TZCLDropTargetHookManager::FindHook(FForm); }

  TForm* FForm = nullptr;
};

TEST_F(DropTargets, OverAgreesOnTheEffectAndTheDropDeliversExactlyThat) {
  AddTarget(u"T");
  IPtr<IDataObject> data = TextData(u"x");
  const TPoint p(150, 150);
  struct {
    DWORD Offered;
    TOverRule Rule;
    DWORD Agreed;
  } cases[] = {
      {7, {}, DROPEFFECT_COPY},
      {7, {true, true, daMove, u"Move here"}, DROPEFFECT_MOVE},
      {DROPEFFECT_MOVE, {}, DROPEFFECT_MOVE},
      {DROPEFFECT_LINK, {}, DROPEFFECT_LINK},
      {7, {false, false, daCopy, u"Refused"}, DROPEFFECT_NONE},
      {0, {}, DROPEFFECT_NONE},
  };
  for (const auto& c : cases) {
    GRule = c.Rule;
    GDrops = 0;
    DWORD effect = c.Offered;
    ASSERT_EQ(Hook()->DragEnter(data.get(), MK_LBUTTON, p, &effect), S_OK);
    effect = c.Offered;
    Hook()->DragOver(MK_LBUTTON, p, &effect);
    EXPECT_EQ(effect, c.Agreed) << c.Offered;
    // A hint shows only while the drop is allowed.
    EXPECT_EQ(TZCLDropTargetHookManager::FindHook(FForm)->GetHintWindow() != nullptr,
              c.Agreed != 0 && !c.Rule.Hint.empty());
    // The source offers everything it allows again on the drop; what the target agreed is what it gets.
    DWORD dropEffect = 7;
    Hook()->Drop(data.get(), MK_LBUTTON, p, &dropEffect);
    EXPECT_EQ(dropEffect, c.Agreed) << c.Offered;
    EXPECT_EQ(GDrops, c.Agreed ? 1 : 0);
    if (c.Agreed) EXPECT_EQ(DropActionToEffect(GDropped), c.Agreed);
    EXPECT_EQ(TZCLDropTargetHookManager::FindHook(FForm)->GetHintWindow(), nullptr);
  }
  // An agreed move that the source does not allow on the drop is no drop.
  GRule = {true, true, daMove, String()};
  DWORD effect = 7;
  Hook()->DragEnter(data.get(), MK_LBUTTON, p, &effect);
  effect = DROPEFFECT_COPY;
  GDrops = 0;
  Hook()->Drop(data.get(), MK_LBUTTON, p, &effect);
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  EXPECT_EQ(GDrops, 0);
}

TEST_F(DropTargets, TheComponentRegisteredLastWinsWhereAreasOverlap) {
  auto* whole = ::Create<TAreaDropTarget>(FForm);
  whole->SetName(u"Whole");
  whole->Area = TRect(0, 0, 300, 200);
  auto* lower = ::Create<TAreaDropTarget>(FForm);
  lower->SetName(u"Lower");
  lower->Area = TRect(0, 100, 300, 200);
  for (TZCLDropTarget* t : {static_cast<TZCLDropTarget*>(whole), static_cast<TZCLDropTarget*>(lower)}) {
    t->OnEnter = LogEnter;
    t->OnLeave = LogLeave;
    t->SetTarget(FForm);
  }
  IPtr<IDataObject> data = TextData(u"x");
  DWORD effect = 7;
  Hook()->DragEnter(data.get(), 0, TPoint(150, 150), &effect);
  EXPECT_TRUE(whole->GetIsActive());
  effect = 7;
  Hook()->DragOver(0, TPoint(150, 250), &effect);
  EXPECT_TRUE(lower->GetIsActive());
  EXPECT_FALSE(whole->GetIsActive());
  effect = 7;
  Hook()->DragOver(0, TPoint(150, 260), &effect);
  Hook()->DragLeave();
  EXPECT_EQ(GLog, (std::vector<std::string>{"Whole enter", "Whole leave", "Lower enter", "Lower leave"}));
  // Outside every area nothing is allowed.
  effect = 7;
  Hook()->DragEnter(data.get(), 0, TPoint(150, 350), &effect);
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  Hook()->DragLeave();
}

TEST_F(DropTargets, FilesFollowTheUrlAndShortcutOptions) {
  TZCLDropTarget* t = AddTarget(u"T");
  auto files = [](std::vector<String> Names) { return CreateDataObject({{CF_HDROP, CreateFileDropBlock(Names)}}); };
  struct {
    IPtr<IDataObject> Data;
    bool AllowURLs;
    bool Expand;
    bool Result;
    String Expected;  // the names, each ended by CR LF
  } cases[] = {
      {files({u"/music/a.mp3", u"http://host/b.mp3"}), true, true, true, u"/music/a.mp3\r\nhttp://host/b.mp3\r\n"},
      {files({u"/music/a.mp3", u"http://host/b.mp3"}), false, true, true, u"/music/a.mp3\r\n"},
      {files({u"/music/./x/../a.mp3"}), true, true, true, u"/music/./x/../a.mp3\r\n"},
      {files({u"/music/./x/../a.mp3"}), true, false, true, u"/music/a.mp3\r\n"},
      {TextData(u"http://host/a.mp3\r\nplain words"), true, true, true, u"http://host/a.mp3\r\n"},
      {TextData(u"plain words\r\nhttp://host/a.mp3"), true, true, false, u""},
      {TextData(u"http://host/a.mp3"), false, true, false, u""},
  };
  for (const auto& c : cases) {
    t->GetOptions()->SetAllowURLsInFiles(c.AllowURLs);
    t->GetOptions()->SetExpandShortcuts(c.Expand);
    DWORD effect = 7;
    Hook()->DragEnter(c.Data.get(), 0, TPoint(150, 150), &effect);
    TZCLStringList list;
    EXPECT_EQ(t->GetFiles(&list), c.Result) << StringToUTF8(c.Expected);
    EXPECT_EQ(list.GetText(), c.Expected);
    Hook()->DragLeave();
  }
  // Outside a drag there is nothing to read.
  TZCLStringList list;
  EXPECT_FALSE(t->GetFiles(&list));
  String text;
  EXPECT_FALSE(t->GetText(text));
}

Integer GScrollsUp = 0;
Integer GScrollsDown = 0;
void CountScroll(TObject*, TPoint, Integer Lines, TMouseWheelDirection Direction, bool& Handled) {
  (Direction == mwdUp ? GScrollsUp : GScrollsDown) += Lines;
  Handled = true;
}

TEST_F(DropTargets, RestingNearAnEdgeScrollsFasterInTheOuterHalfOfTheZone) {
  ASSERT_NE(Headless::Clock(), nullptr);
  TZCLDropTarget* t = AddTarget(u"T");
  t->OnScroll = CountScroll;
  IPtr<IDataObject> data = TextData(u"x");
  // Client y: 2 is in the outer half of the 24-px top zone, 18 in its inner half, 100 outside;
  // 198 is in the outer half of the bottom zone.
  struct {
    Integer ClientY;
    Integer Up;
    Integer Down;
  } cases[] = {{2, 9, 0}, {18, 3, 0}, {100, 0, 0}, {198, 0, 9}};
  for (const auto& c : cases) {
    GScrollsUp = GScrollsDown = 0;
    Headless::Clock()->Advance(1000);
    const TPoint p(150, 100 + c.ClientY);
    DWORD effect = 7;
    Hook()->DragEnter(data.get(), 0, p, &effect);
    for (int step = 1; step <= 8; ++step) {
      Headless::Clock()->Advance(75);
      effect = 7;
      Hook()->DragOver(0, p, &effect);
    }
    Hook()->DragLeave();
    EXPECT_EQ(GScrollsUp, c.Up) << c.ClientY;
    EXPECT_EQ(GScrollsDown, c.Down) << c.ClientY;
  }
}

TEST_F(DropTargets, RegistrationFollowsTheHandleAndTheComponents) {
  const TWndMethod original = FForm->WindowProc;
  TZCLDropTarget* first = AddTarget(u"First");
  TZCLDropTarget* second = AddTarget(u"Second");
  TZCLDropTargetHook* hook = TZCLDropTargetHookManager::FindHook(FForm);
  ASSERT_NE(hook, nullptr);
  EXPECT_TRUE(hook->GetRegistered());
  // A new handle is registered again.
  FForm->RecreateWnd();
  FForm->HandleNeeded();
  Headless::RunUntilIdle();
  EXPECT_TRUE(hook->GetRegistered());
  EXPECT_EQ(RevokeDragDrop(FForm->GetHandle()), S_OK);
  EXPECT_EQ(RegisterDragDrop(FForm->GetHandle(), hook), S_OK);  // put back as it was

  Free(first);
  EXPECT_EQ(TZCLDropTargetHookManager::FindHook(FForm), hook);
  Free(second);
  EXPECT_EQ(TZCLDropTargetHookManager::FindHook(FForm), nullptr);
  EXPECT_TRUE(FForm->WindowProc == original);
  EXPECT_EQ(RevokeDragDrop(FForm->GetHandle()), DRAGDROP_E_NOTREGISTERED);

  // The control going first takes its components' registration with it.
  TZCLDropTarget* orphan = AddTarget(u"Orphan", false);
  Free(FForm);
  FForm = nullptr;
  EXPECT_EQ(orphan->GetTarget(), nullptr);
  Free(orphan);
}

}  // namespace
