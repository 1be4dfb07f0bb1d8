#include "os/OS.Windows.h"

#include <atomic>
#include <thread>

#include "os/OS.Timers.h"
#include "rtl/RTL.SyncObjs.h"
#include "rtl/RTL.Threads.h"
#include "support/HeadlessFixture.h"

namespace {

class WindowsTest : public THeadlessTest {};

constexpr UINT WM_A = WM_USER + 1;
constexpr UINT WM_B = WM_USER + 2;
constexpr UINT WM_C = WM_USER + 3;

TEST_F(WindowsTest, CreateSendsCreationMessagesInOrderAndDestroyWalksTheTree) {
  HWND parent = Create(Bounds(10, 10, 200, 100));
  HWND child = Create(Bounds(5, 5, 50, 20), WS_CHILD | WS_VISIBLE, 0, parent);
  HWND grandChild = Create(Bounds(1, 1, 10, 10), WS_CHILD | WS_VISIBLE, 0, child);
  ASSERT_TRUE(parent && child && grandChild);
  EXPECT_EQ(Messages(child, {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE}),
            (std::vector<UINT>{WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE}));
  EXPECT_EQ(GetParent(grandChild), child);
  EXPECT_TRUE(IsChild(parent, grandChild));

  Log.clear();
  EXPECT_TRUE(DestroyWindow(parent));
  std::vector<std::pair<HWND, UINT>> order;
  for (const TRecordedMessage& m : Log)
    if (m.Msg == WM_DESTROY || m.Msg == WM_NCDESTROY) order.emplace_back(m.Window, m.Msg);
  // WM_DESTROY parents first, WM_NCDESTROY children first.
  EXPECT_EQ(order, (std::vector<std::pair<HWND, UINT>>{{parent, WM_DESTROY},
                                                         {child, WM_DESTROY},
                                                         {grandChild, WM_DESTROY},
                                                         {grandChild, WM_NCDESTROY},
                                                         {child, WM_NCDESTROY},
                                                         {parent, WM_NCDESTROY}}));
  for (HWND h : {parent, child, grandChild}) EXPECT_FALSE(IsWindow(h));
}

TEST_F(WindowsTest, CreationRefusedByWmCreateGivesNoWindow) {
  HWND h = Create(Bounds(0, 0, 10, 10), WS_POPUP, 0, nullptr, [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_CREATE) return -1;
    return std::nullopt;
  });
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(CreateWindowEx(0, u"NoSuchClass", u"", WS_POPUP, 0, 0, 1, 1, nullptr), nullptr);
  EXPECT_EQ(CreateWindowEx(0, PlainClass, u"", WS_CHILD, 0, 0, 1, 1, nullptr), nullptr);  // a child needs a parent
}

TEST_F(WindowsTest, HandlesAreNeverReusedAndMessagesForDestroyedWindowsAreDropped) {
  HWND first = Create(Bounds(0, 0, 10, 10));
  PostMessage(first, WM_A, 0, 0);
  DestroyWindow(first);
  HWND second = Create(Bounds(0, 0, 10, 10));
  EXPECT_NE(first, second);
  EXPECT_FALSE(PostMessage(first, WM_A, 0, 0));
  EXPECT_EQ(SendMessage(first, WM_A, 0, 0), 0);
  Log.clear();
  Headless::RunUntilIdle();
  EXPECT_TRUE(Find(nullptr, WM_A).empty());
}

TEST_F(WindowsTest, SendRunsAtOncePostsRunInOrderAfterwards) {
  HWND h = Create(Bounds(0, 0, 10, 10), WS_POPUP);
  SetHandler(h, [](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_C) return static_cast<LRESULT>(w * 2);
    return std::nullopt;
  });
  PostMessage(h, WM_A, 1, 0);
  PostMessage(h, WM_B, 2, 0);
  EXPECT_EQ(SendMessage(h, WM_C, 21, 0), 42);
  EXPECT_EQ(Messages(h, {WM_A, WM_B, WM_C}), (std::vector<UINT>{WM_C}));
  Headless::RunUntilIdle();
  EXPECT_EQ(Messages(h, {WM_A, WM_B, WM_C}), (std::vector<UINT>{WM_C, WM_A, WM_B}));
}

TEST_F(WindowsTest, PeekHonoursRangeWindowAndRemoveFlag) {
  HWND a = Create(Bounds(0, 0, 10, 10), WS_POPUP);
  HWND b = Create(Bounds(0, 0, 10, 10), WS_POPUP);
  PostMessage(a, WM_A, 0, 0);
  PostMessage(b, WM_B, 0, 0);
  PostThreadMessage(GetUiThreadId(), WM_C, 0, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessage(msg, b, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, WM_B);
  ASSERT_TRUE(PeekMessage(msg, nullptr, WM_B, WM_C, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_B);
  ASSERT_TRUE(PeekMessage(msg, reinterpret_cast<HWND>(intptr_t(-1)), 0, 0, PM_REMOVE));  // thread messages only
  EXPECT_EQ(msg.message, WM_C);
  EXPECT_EQ(msg.hwnd, nullptr);
  ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_A);
  EXPECT_FALSE(PeekMessage(msg, nullptr, WM_USER, WM_APP, PM_REMOVE));
}

TEST_F(WindowsTest, SendFromWorkerIsServedWhileTheUiThreadWaitsOnAnEvent) {
  HWND h = Create(Bounds(0, 0, 10, 10), WS_POPUP);
  std::thread::id servedOn;
  SetHandler(h, [&](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m != WM_A) return std::nullopt;
    servedOn = std::this_thread::get_id();
    return static_cast<LRESULT>(w + 1);
  });
  TEvent done;
  std::atomic<LRESULT> result{0};
  std::thread worker([&] {
    result = SendMessage(h, WM_A, 41, 0);
    done.SetEvent();
  });
  // The worker waits for the UI thread, which waits for the worker: no deadlock.
  EXPECT_EQ(done.WaitFor(10000, true), wrSignaled);
  worker.join();
  EXPECT_EQ(result.load(), 42);
  EXPECT_EQ(servedOn, std::this_thread::get_id());
}

TEST_F(WindowsTest, SendFromWorkerIsServedInsideMsgWaitAndBeforePostedMessages) {
  HWND h = Create(Bounds(0, 0, 10, 10), WS_POPUP);
  std::atomic<bool> sent{false};
  PostMessage(h, WM_B, 0, 0);
  std::thread worker([&] {
    SendMessage(h, WM_A, 0, 0);
    sent = true;
    WakeUiThread();
  });
  EXPECT_EQ(MsgWaitForReady([&] { return sent.load(); }, 10000, 0), WAIT_OBJECT_0);
  worker.join();
  Headless::RunUntilIdle();
  EXPECT_EQ(Messages(h, {WM_A, WM_B}), (std::vector<UINT>{WM_A, WM_B}));
}

TEST_F(WindowsTest, SendToDestroyedWindowFromWorkerReturnsZero) {
  HWND h = Create(Bounds(0, 0, 10, 10), WS_POPUP);
  DestroyWindow(h);
  LRESULT r = -1;
  std::thread worker([&] { r = SendMessage(h, WM_A, 0, 0); });
  worker.join();
  EXPECT_EQ(r, 0);
}

TEST_F(WindowsTest, SendTimeoutGivesUpWhenTheUiThreadDoesNotServe) {
  HWND h = Create(Bounds(0, 0, 10, 10), WS_POPUP);
  LRESULT ok = -1;
  std::thread worker([&] { ok = SendMessageTimeout(h, WM_A, 0, 0, SMTO_NORMAL, 20, nullptr); });
  worker.join();
  EXPECT_EQ(ok, 0);
  Headless::RunUntilIdle();
  EXPECT_TRUE(Find(h, WM_A).empty());  // abandoned sends are not delivered later
}

TEST_F(WindowsTest, SynchronizeAndQueueFromWorkersRunInsideTheMessageLoop) {
  HWND h = Create(Bounds(0, 0, 10, 10), WS_POPUP);
  std::vector<int> ran;
  std::thread worker([&] {
    TThread::Queue(nullptr, [&] { ran.push_back(1); });
    TThread::Synchronize(nullptr, [&] { ran.push_back(2); });  // returns once the loop ran it
    PostMessage(h, WM_A, 0, 0);
  });
  MSG msg;
  while (GetMessage(msg, nullptr, 0, 0) > 0 && msg.message != WM_A) DispatchMessage(msg);
  worker.join();
  EXPECT_EQ(ran, (std::vector<int>{1, 2}));
}

LRESULT SubclassProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
WNDPROC GOriginal = nullptr;
std::vector<UINT> GSubclassSeen;

LRESULT SubclassProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  GSubclassSeen.push_back(Msg);
  if (Msg == WM_B) return 99;  // eaten here: the original never sees it
  return CallWindowProc(GOriginal, Window, Msg, WParam, LParam);
}

TEST_F(WindowsTest, SubclassingSeesMessagesFirstAndRestoringIt) {
  HWND h = Create(Bounds(0, 0, 10, 10), WS_POPUP);
  GSubclassSeen.clear();
  GOriginal = reinterpret_cast<WNDPROC>(SetWindowLongPtr(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
  ASSERT_EQ(GOriginal, &RecordingProc);
  Log.clear();
  SendMessage(h, WM_A, 0, 0);
  EXPECT_EQ(SendMessage(h, WM_B, 0, 0), 99);
  EXPECT_EQ(GSubclassSeen, (std::vector<UINT>{WM_A, WM_B}));
  EXPECT_EQ(Messages(h, {WM_A, WM_B}), (std::vector<UINT>{WM_A}));

  SetWindowLongPtr(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GOriginal));
  GSubclassSeen.clear();
  SendMessage(h, WM_B, 0, 0);
  EXPECT_TRUE(GSubclassSeen.empty());
  EXPECT_EQ(Messages(h, {WM_A, WM_B}), (std::vector<UINT>{WM_A, WM_B}));
}

TEST_F(WindowsTest, NestedLoopEndsOnQuitAndPassesItOn) {
  HWND h = Create(Bounds(0, 0, 10, 10), WS_POPUP);
  int innerDispatched = 0;
  bool innerSawQuit = false;
  SetHandler(h, [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m != WM_A) return std::nullopt;
    PostMessage(h, WM_B, 0, 0);
    PostQuitMessage(7);
    // A modal loop of its own: peek, translate, dispatch; WM_QUIT ends it and is posted again.
    for (;;) {
      MSG msg;
      if (!PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) {
        WaitMessage();
        continue;
      }
      if (msg.message == WM_QUIT) {
        innerSawQuit = true;
        PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      TranslateMessage(msg);
      DispatchMessage(msg);
      ++innerDispatched;
    }
    return 0;
  });
  PostMessage(h, WM_A, 0, 0);
  MSG msg;
  int outer = 0;
  while (GetMessage(msg, nullptr, 0, 0) > 0) {
    DispatchMessage(msg);
    ++outer;
  }
  EXPECT_TRUE(innerSawQuit);
  EXPECT_EQ(innerDispatched, 1);  // WM_B, posted before the quit
  EXPECT_EQ(outer, 1);            // WM_A
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(WindowsTest, RegisteredMessagesAreStableIgnoringCase) {
  const UINT a = RegisterWindowMessage(u"ZTest.Registered.One");
  const UINT b = RegisterWindowMessage(u"ZTest.Registered.Two");
  EXPECT_GE(a, WM_REGISTERED_FIRST);
  EXPECT_NE(a, b);
  EXPECT_EQ(RegisterWindowMessage(u"ztest.registered.ONE"), a);
  EXPECT_EQ(RegisterWindowMessage(u""), 0u);
}

TEST_F(WindowsTest, MessageOnlyWindowsAreNotEnumeratedButReceiveMessages) {
  HWND h = CreateWindowEx(WS_EX_TOOLWINDOW, PlainClass, u"hidden", WS_POPUP, 0, 0, 0, 0, HWND_MESSAGE);
  ASSERT_NE(h, nullptr);
  bool listed = false;
  EnumWindows([&](HWND w) {
    listed |= w == h;
    return 1;
  });
  EXPECT_FALSE(listed);
  PostMessage(h, WM_A, 0, 0);
  Headless::RunUntilIdle();
  EXPECT_EQ(Find(h, WM_A).size(), 1u);
  DestroyWindow(h);
}

TEST_F(WindowsTest, BroadcastsReachTopLevelWindowsAndEnumerationFollowsTheTree) {
  HWND a = Create(Bounds(0, 0, 10, 10));
  HWND b = Create(Bounds(0, 0, 10, 10), WS_POPUP);
  HWND child = Create(Bounds(0, 0, 5, 5), WS_CHILD, 0, a);
  HWND grandChild = Create(Bounds(0, 0, 5, 5), WS_CHILD, 0, child);
  HWND second = Create(Bounds(0, 0, 5, 5), WS_CHILD, 0, a);
  PostMessage(HWND_BROADCAST, WM_A, 0, 0);
  SendMessage(HWND_BROADCAST, WM_B, 0, 0);
  Headless::RunUntilIdle();
  for (HWND h : {a, b}) EXPECT_EQ(Messages(h, {WM_A, WM_B}), (std::vector<UINT>{WM_B, WM_A}));
  EXPECT_TRUE(Messages(child, {WM_A, WM_B}).empty());
  std::vector<HWND> children;
  EnumChildWindows(a, [&](HWND h) {
    children.push_back(h);
    return 1;
  });
  // New children go below their siblings; each parent comes before its children.
  EXPECT_EQ(children, (std::vector<HWND>{child, grandChild, second}));
  EXPECT_EQ(GetWindow(child, GW_HWNDNEXT), second);
  EXPECT_EQ(GetWindow(second, GW_HWNDPREV), child);
  EXPECT_EQ(GetAncestor(grandChild, GA_ROOT), a);
  EXPECT_EQ(GetParent(second), a);
  EXPECT_EQ(SetParent(second, b), a);
  EXPECT_EQ(GetWindow(b, GW_CHILD), second);
}

TEST_F(WindowsTest, CloseAndSysCommandCloseDestroyByDefault) {
  HWND a = Create(Bounds(0, 0, 10, 10));
  HWND b = Create(Bounds(0, 0, 10, 10));
  SendMessage(a, WM_CLOSE, 0, 0);
  SendMessage(b, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(IsWindow(a));
  EXPECT_FALSE(IsWindow(b));
}

TEST_F(WindowsTest, GetMessageHookSeesAndMayChangeMessages) {
  static HHOOK hook;
  static int seen;
  seen = 0;
  hook = SetWindowsHookEx(
      WH_GETMESSAGE,
      [](int code, WPARAM w, LPARAM l) -> LRESULT {
        auto* msg = reinterpret_cast<MSG*>(l);
        if (msg->message == WM_A && (w & PM_REMOVE)) {
          ++seen;
          msg->message = WM_B;
        }
        return CallNextHookEx(hook, code, w, l);
      },
      nullptr, GetUiThreadId());
  ASSERT_NE(hook, nullptr);
  HWND h = Create(Bounds(0, 0, 10, 10), WS_POPUP);
  PostMessage(h, WM_A, 0, 0);
  Headless::RunUntilIdle();
  EXPECT_TRUE(UnhookWindowsHookEx(hook));
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(Messages(h, {WM_A, WM_B}), (std::vector<UINT>{WM_B}));
}

}  // namespace
