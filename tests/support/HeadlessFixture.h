#pragma once
// A fixture for tests that create windows on the headless backend: windows record the messages
// they receive, a test can answer chosen messages itself, and everything a test created is
// destroyed afterwards (with the queue, capture and focus it left behind).

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <set>
#include <unordered_map>
#include <vector>

#include "os/OS.Input.h"
#include "os/OS.Monitors.h"
#include "os/OS.Windows.h"
#include "os/backends/headless/OS.Headless.h"

struct TRecordedMessage {
  HWND Window;
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
};

class THeadlessTest : public ::testing::Test {
 public:
  // The class of plain test windows and the one that asks for double clicks.
  static constexpr const Char* PlainClass = u"ZTestWindow";
  static constexpr const Char* DblClkClass = u"ZTestDblClkWindow";

  using THandler = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

  static inline std::vector<TRecordedMessage> Log;
  static inline std::unordered_map<HWND, THandler> Handlers;

  static LRESULT RecordingProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
    if (Msg == WM_NCCREATE) ClaimPendingHandler(Window);
    Log.push_back({Window, Msg, WParam, LParam});
    auto it = Handlers.find(Window);
    if (it != Handlers.end() && it->second) {
      THandler handler = it->second;  // may be replaced while it runs
      if (std::optional<LRESULT> answer = handler(Window, Msg, WParam, LParam)) return *answer;
    }
    return DefWindowProc(Window, Msg, WParam, LParam);
  }

 protected:
  void SetUp() override {
    for (auto [name, style] : {std::pair{PlainClass, 0u}, std::pair{DblClkClass, UINT(CS_DBLCLKS)}}) {
      WNDCLASS c;
      if (GetClassInfo(nullptr, name, c)) continue;
      c.style = style;
      c.lpfnWndProc = RecordingProc;
      c.lpszClassName = name;
      RegisterClass(c);
    }
    EnumWindows([&](HWND h) {
      FBefore.insert(h);
      return 1;
    });
    FMonitors = GetMonitors();
    Headless::RunUntilIdle();
    Log.clear();
  }

  void TearDown() override {
    ReleaseCapture();
    std::vector<HWND> created;
    EnumWindows([&](HWND h) {
      if (!FBefore.count(h)) created.push_back(h);
      return 1;
    });
    for (HWND h : FCreated)
      if (IsWindow(h) && std::find(created.begin(), created.end(), h) == created.end()) created.push_back(h);
    for (HWND h : created) DestroyWindow(h);
    MSG msg;
    while (PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    Handlers.clear();
    Log.clear();
    // A test that changed the monitors gets the program's ones back.
    const std::vector<TMonitorDesc> monitors = GetMonitors();
    const bool same = std::equal(monitors.begin(), monitors.end(), FMonitors.begin(), FMonitors.end(),
                                 [](const TMonitorDesc& a, const TMonitorDesc& b) {
                                   return a.Bounds == b.Bounds && a.WorkArea == b.WorkArea && a.Dpi == b.Dpi;
                                 });
    if (!same) SetMonitors(FMonitors);
    // Buttons and keys left down by a test must not leak into the next one.
    for (WORD vk : {VK_SHIFT, VK_CONTROL, VK_MENU})
      if (GetAsyncKeyState(vk) < 0) InputKey(vk, false);
    Headless::RunUntilIdle();
    while (PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    Log.clear();
  }

  // A window of the plain (or given) class; Parent makes a child when Style has WS_CHILD,
  // else the owner. Handler, when given, answers messages before the default processing.
  HWND Create(TRect Bounds, DWORD Style = WS_POPUP | WS_VISIBLE, DWORD ExStyle = 0, HWND Parent = nullptr,
              THandler Handler = nullptr, const Char* ClassName = PlainClass) {
    // The handler must be in place for the creation messages, but the handle is unknown until
    // creation ends: the first message of the new window claims it.
    FPendingHandler = std::move(Handler);
    HWND h = CreateWindowEx(ExStyle, ClassName, u"", Style, Bounds.Left, Bounds.Top, Bounds.Width(), Bounds.Height(),
                            Parent);
    FPendingHandler = nullptr;
    if (h) FCreated.push_back(h);
    return h;
  }

  void SetHandler(HWND Window, THandler Handler) { Handlers[Window] = std::move(Handler); }

  // The messages of one window (or every window) with numbers in Numbers, in order.
  static std::vector<UINT> Messages(HWND Window, std::initializer_list<UINT> Numbers) {
    std::vector<UINT> out;
    for (const TRecordedMessage& m : Log)
      if ((!Window || m.Window == Window) && std::find(Numbers.begin(), Numbers.end(), m.Msg) != Numbers.end())
        out.push_back(m.Msg);
    return out;
  }
  static std::vector<TRecordedMessage> Find(HWND Window, UINT Msg) {
    std::vector<TRecordedMessage> out;
    for (const TRecordedMessage& m : Log)
      if ((!Window || m.Window == Window) && m.Msg == Msg) out.push_back(m);
    return out;
  }

 private:
  std::set<HWND> FBefore;
  std::vector<TMonitorDesc> FMonitors;
  std::vector<HWND> FCreated;
  THandler FPendingHandler;

 public:
  // Installs the pending handler for the window receiving WM_NCCREATE.
  THeadlessTest() { FInstance = this; }
  ~THeadlessTest() override { FInstance = nullptr; }
  static void ClaimPendingHandler(HWND Window) {
    if (FInstance && FInstance->FPendingHandler) Handlers[Window] = FInstance->FPendingHandler;
  }
  static inline THeadlessTest* FInstance = nullptr;
};
