// The SDL backend on a real X server: a private Xvfb started for this program. Windows made
// through the window layer appear on its screen (read back with xwd), and input made with
// xdotool comes back as messages. Every test skips when the server or SDL cannot start.
#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "os/OS.Backend.h"
#include "os/OS.Clipboard.h"
#include "os/OS.DragDrop.h"
#include "os/OS.Gdi.h"
#include "os/OS.Input.h"
#include "os/OS.Monitors.h"
#include "os/OS.Regions.h"
#include "os/OS.Surface.h"
#include "os/OS.Units.h"
#include "os/OS.Windows.h"
#include "os/backends/sdl/OS.Sdl.h"
#include "rtl/RTL.Units.h"
#include "support/TestSupport.h"
#include "support/Xvfb.h"

namespace {

// Outlives the units (finalized at the end of main), so SDL leaves the server before it ends.
TXvfb& Server() {
  static TXvfb server;
  return server;
}
std::string GSkipReason;

struct TRecorded {
  HWND Window;
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
};
std::vector<TRecorded> GLog;

constexpr const Char* TestClass = u"ZSdlTestWindow";

// Paints the client area with the COLORREF kept in GWLP_USERDATA.
LRESULT TestProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  GLog.push_back({Window, Msg, WParam, LParam});
  if (Msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(Window, ps);
    TRect client;
    GetClientRect(Window, client);
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(GetWindowLongPtr(Window, GWLP_USERDATA)));
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    EndPaint(Window, ps);
    return 0;
  }
  return DefWindowProc(Window, Msg, WParam, LParam);
}

}  // namespace

void ZephseTestSetup() {
  InitializeUnits(RtlUnits());
  InitializeUnits(OsUnits());
  if (::testing::GTEST_FLAG(list_tests)) return;  // test discovery needs no server
  std::string error;
  if (!Server().Start(error)) {
    GSkipReason = "Xvfb cannot start: " + error;
    return;
  }
  Server().Export();
  String sdlError;
  if (!InstallSdlBackend(&sdlError)) GSkipReason = "SDL cannot open the Xvfb display: " + StringToUTF8(sdlError);
}

class SdlX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GSkipReason.empty()) GTEST_SKIP() << GSkipReason;
    WNDCLASS c;
    if (!GetClassInfo(nullptr, TestClass, c)) {
      c.lpfnWndProc = TestProc;
      c.lpszClassName = TestClass;
      RegisterClass(c);
    }
    GLog.clear();
  }
  void TearDown() override {
    for (HWND h : FCreated)
      if (IsWindow(h)) DestroyWindow(h);
    Settle();
    GLog.clear();
  }

  HWND Create(const TRect& Bounds, COLORREF Color, DWORD ExStyle = 0, const Char* Title = u"sdl test") {
    HWND h = CreateWindowEx(ExStyle, TestClass, Title, WS_POPUP, Bounds.Left, Bounds.Top, Bounds.Width(),
                            Bounds.Height(), nullptr);
    EXPECT_NE(h, nullptr);
    if (!h) return nullptr;
    SetWindowLongPtr(h, GWLP_USERDATA, static_cast<LONG_PTR>(Color));
    ShowWindow(h, SW_SHOWNOACTIVATE);
    FCreated.push_back(h);
    return h;
  }

  // Dispatches everything waiting and lets the backend push the pixels out.
  static void Settle() {
    for (int round = 0; round < 3; ++round) {
      MSG msg;
      while (PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(msg);
        DispatchMessage(msg);
      }
      GetDisplayBackend()->Wait(0);
    }
  }

  // Runs the loop until Done answers true or the deadline passes (the X server answers in its
  // own time; nothing here measures speed).
  static bool PumpUntil(const std::function<bool()>& Done, int TimeoutMs = 10000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    for (;;) {
      Settle();
      if (Done()) return true;
      if (std::chrono::steady_clock::now() >= deadline) return false;
      MsgWaitForReady(Done, 20, QS_ALLINPUT);
    }
  }

  // Waits until every probe shows its colour (0xRRGGBB) on the screen; the last screenshot's
  // pixels go to the failure message.
  static void ExpectScreen(const std::vector<std::pair<TPoint, uint32_t>>& Probes) {
    TXwdImage image;
    std::string error;
    const bool ok = PumpUntil([&] {
      error.clear();
      if (!CaptureScreen(Server().Display(), image, error)) return false;
      for (const auto& [point, colour] : Probes)
        if (image.Pixel(point.X, point.Y) != colour) return false;
      return true;
    });
    ASSERT_TRUE(error.empty()) << error;
    if (ok) return;
    for (const auto& [point, colour] : Probes)
      EXPECT_EQ(image.Pixel(point.X, point.Y), colour) << "at " << point.X << "," << point.Y;
  }

  // The X window the server finds at a screen point (moves the pointer there).
  static std::string XWindowAt(TPoint Point) {
    std::string out;
    RunX11Tool(
        Server().Display(),
        {"xdotool", "mousemove", std::to_string(Point.X), std::to_string(Point.Y), "getmouselocation", "--shell"},
        &out);
    const size_t at = out.find("WINDOW=");
    return at == std::string::npos ? std::string() : out.substr(at + 7, out.find('\n', at) - at - 7);
  }

  // The X window id of our window with the given title.
  static std::string XWindowNamed(const std::string& Title) {
    std::string out;
    RunX11Tool(Server().Display(), {"xdotool", "search", "--name", Title}, &out);
    return out.substr(0, out.find('\n'));
  }

  static bool Received(HWND Window, UINT Msg, TRecorded* Found = nullptr) {
    for (const TRecorded& r : GLog)
      if (r.Window == Window && r.Msg == Msg) {
        if (Found) *Found = r;
        return true;
      }
    return false;
  }

  std::vector<HWND> FCreated;
};

TEST_F(SdlX11, MonitorsComeFromTheServer) {
  const std::vector<TMonitorDesc> monitors = GetMonitors();
  ASSERT_EQ(monitors.size(), 1u);
  EXPECT_EQ(monitors[0].Bounds, TRect(0, 0, 1024, 768));
  EXPECT_TRUE(monitors[0].Primary);
  EXPECT_GE(monitors[0].Dpi, 96u);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
}

TEST_F(SdlX11, PaintedWindowAppearsWhereItIs) {
  HWND h = Create(Bounds(100, 80, 200, 120), RGB(255, 0, 0));
  ASSERT_TRUE(h);
  ExpectScreen({{{100, 80}, 0xFF0000}, {{299, 199}, 0xFF0000}, {{99, 80}, 0x000000}, {{300, 199}, 0x000000}});

  // Moved and repainted in another colour: the screen follows.
  SetWindowLongPtr(h, GWLP_USERDATA, static_cast<LONG_PTR>(RGB(0, 0, 255)));
  SetWindowPos(h, nullptr, 400, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(h, nullptr, 0);
  ExpectScreen({{{400, 300}, 0x0000FF}, {{599, 419}, 0x0000FF}, {{150, 100}, 0x000000}});

  // Resized: the larger window shows whole.
  SetWindowPos(h, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ExpectScreen({{{400, 300}, 0x0000FF}, {{699, 499}, 0x0000FF}, {{700, 500}, 0x000000}});

  ShowWindow(h, SW_HIDE);
  ExpectScreen({{{450, 350}, 0x000000}});
}

TEST_F(SdlX11, ClickComesBackAsButtonMessages) {
  HWND h = Create(Bounds(100, 80, 200, 120), RGB(0, 255, 0));
  ASSERT_TRUE(h);
  ExpectScreen({{{150, 100}, 0x00FF00}});
  ASSERT_EQ(RunX11Tool(Server().Display(), {"xdotool", "mousemove", "160", "110", "click", "1"}), 0)
      << "xdotool is not installed (scripts/setup.sh --x11)";
  TRecorded down{};
  ASSERT_TRUE(PumpUntil([&] { return Received(h, WM_LBUTTONUP); }));
  ASSERT_TRUE(Received(h, WM_LBUTTONDOWN, &down));
  EXPECT_EQ(GET_X_LPARAM(down.LParam), 60);
  EXPECT_EQ(GET_Y_LPARAM(down.LParam), 30);
  TPoint cursor;
  GetCursorPos(cursor);
  EXPECT_EQ(cursor, TPoint(160, 110));
}

// What a shape cuts away is no longer the window's: the (black) root shows there, and the X
// server finds no window of ours at that point.
TEST_F(SdlX11, RegionShapesTheWindow) {
  HWND h = Create(Bounds(100, 80, 200, 120), RGB(255, 255, 0));
  ASSERT_TRUE(h);
  ExpectScreen({{{250, 100}, 0xFFFF00}});
  SetWindowRgn(h, CreateRectRgn(0, 0, 100, 120), 1);
  ExpectScreen({{{150, 100}, 0xFFFF00}, {{250, 100}, 0x000000}});
  EXPECT_FALSE(XWindowAt(TPoint(250, 100)).empty());
  EXPECT_NE(XWindowAt(TPoint(250, 100)), XWindowAt(TPoint(150, 100)));

  // Resized, the shaped window stays in place and keeps its shape; without the region it shows whole.
  SetWindowPos(h, nullptr, 0, 0, 300, 150, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ExpectScreen({{{100, 80}, 0xFFFF00}, {{199, 199}, 0xFFFF00}, {{199, 229}, 0x000000}, {{350, 100}, 0x000000}});
  SetWindowRgn(h, nullptr, 1);
  ExpectScreen({{{399, 229}, 0xFFFF00}, {{250, 100}, 0xFFFF00}});
}

TEST_F(SdlX11, PerPixelAlphaShapesTheWindow) {
  HWND h = Create(Bounds(100, 80, 100, 100), RGB(0, 0, 0), WS_EX_LAYERED);
  ASSERT_TRUE(h);
  // Left half opaque white, right half faint white (below the shape's alpha cutoff).
  TSurface pixels(100, 100);
  pixels.BeginAccess();
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) pixels.GetScanLine(y)[x] = x < 50 ? 0xFFFFFFFFu : 0x40404040u;
  pixels.EndAccess();
  const TPoint position(100, 80), source(0, 0);
  const TSize size{100, 100};
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ASSERT_TRUE(UpdateLayeredWindow(h, &position, &size, &pixels, &source, 0, &blend, ULW_ALPHA));
  ExpectScreen({{{120, 120}, 0xFFFFFF}, {{170, 120}, 0x000000}});
  EXPECT_NE(XWindowAt(TPoint(170, 120)), XWindowAt(TPoint(120, 120)));
}

TEST_F(SdlX11, KeysComeBackAsKeyAndCharacterMessages) {
  HWND h = Create(Bounds(100, 80, 200, 120), RGB(0, 255, 255));
  ASSERT_TRUE(h);
  SetActiveWindow(h);
  SetFocus(h);
  ExpectScreen({{{150, 100}, 0x00FFFF}});
  const std::string id = XWindowNamed("sdl test");
  ASSERT_FALSE(id.empty());
  ASSERT_EQ(RunX11Tool(Server().Display(), {"xdotool", "windowfocus", "--sync", id, "key", "a", "Return"}), 0);
  ASSERT_TRUE(PumpUntil([&] {
    for (const TRecorded& r : GLog)
      if (r.Window == h && r.Msg == WM_CHAR && r.WParam == u'\r') return true;
    return false;
  }));
  std::vector<std::pair<UINT, WPARAM>> keys;
  for (const TRecorded& r : GLog)
    if (r.Window == h && (r.Msg == WM_KEYDOWN || r.Msg == WM_CHAR || r.Msg == WM_KEYUP))
      keys.emplace_back(r.Msg, r.WParam);
  const std::vector<std::pair<UINT, WPARAM>> expected{{WM_KEYDOWN, 'A'},       {WM_CHAR, u'a'},  {WM_KEYUP, 'A'},
                                                      {WM_KEYDOWN, VK_RETURN}, {WM_CHAR, u'\r'}, {WM_KEYUP, VK_RETURN}};
  EXPECT_EQ(keys, expected);
}

TEST_F(SdlX11, DesktopFocusActivatesTheWindow) {
  HWND first = Create(Bounds(100, 80, 100, 100), RGB(255, 0, 0), 0, u"first window");
  HWND second = Create(Bounds(300, 80, 100, 100), RGB(0, 255, 0), 0, u"second window");
  ASSERT_TRUE(first && second);
  SetActiveWindow(first);
  ExpectScreen({{{350, 100}, 0x00FF00}});
  const std::string id = XWindowNamed("second window");
  ASSERT_FALSE(id.empty());
  ASSERT_EQ(RunX11Tool(Server().Display(), {"xdotool", "windowfocus", "--sync", id}), 0);
  EXPECT_TRUE(PumpUntil([&] { return GetActiveWindow() == second; }));
  EXPECT_TRUE(Received(first, WM_ACTIVATE));
}

TEST_F(SdlX11, AnotherThreadEndsTheWait) {
  HWND h = Create(Bounds(100, 80, 50, 50), RGB(0, 0, 255));
  ASSERT_TRUE(h);
  Settle();
  std::thread poster([h] { PostMessage(h, WM_USER + 7, 42, 0); });
  MSG msg;
  do {
    ASSERT_TRUE(GetMessage(msg, nullptr, 0, 0));  // blocks in the backend's wait until the post wakes it
    DispatchMessage(msg);
  } while (msg.message != WM_USER + 7);
  poster.join();
  EXPECT_EQ(msg.wParam, 42u);
}

TEST_F(SdlX11, ClipboardTextReachesTheDesktopAndComesBack) {
  auto put = [](UINT Format, HGLOBAL Block) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(Format, Block);
    CloseClipboard();
  };
  auto text = [](const String& Value) {
    HGLOBAL block = GlobalAlloc(GHND, (Value.size() + 1) * sizeof(Char));
    std::memcpy(GlobalLock(block), Value.c_str(), (Value.size() + 1) * sizeof(Char));
    GlobalUnlock(block);
    return block;
  };
  auto desktop = [] {
    char* utf8 = SDL_GetClipboardText();
    std::string value = utf8 ? utf8 : "";
    SDL_free(utf8);
    return value;
  };
  auto ours = [](UINT Format) {
    std::vector<Byte> bytes;
    if (!OpenClipboard(nullptr)) return bytes;
    if (HGLOBAL block = GetClipboardData(Format)) {
      const Byte* data = static_cast<const Byte*>(GlobalLock(block));
      bytes.assign(data, data + GlobalSize(block));
      GlobalUnlock(block);
    }
    CloseClipboard();
    return bytes;
  };

  put(CF_UNICODETEXT, text(u"line one\r\nline two"));
  EXPECT_EQ(desktop(), "line one\nline two");

  // Another program's text replaces ours, with the process's line ends.
  SDL_SetClipboardText("from the desktop\n");
  const std::vector<Byte> got = ours(CF_UNICODETEXT);
  ASSERT_GE(got.size(), 2u);
  EXPECT_EQ(String(reinterpret_cast<const Char*>(got.data())), u"from the desktop\r\n");

  // A file list goes out as names; reading our own list back does not lose the files.
  put(CF_HDROP, CreateFileDropBlock({u"/tmp/one.png", u"/tmp/two words.png"}));
  EXPECT_EQ(desktop(), "/tmp/one.png\n/tmp/two words.png");
  const std::vector<Byte> files = ours(CF_HDROP);
  EXPECT_EQ(ReadFileDropBlock(files.data(), files.size()),
            (std::vector<String>{u"/tmp/one.png", u"/tmp/two words.png"}));

  // Text and files together: the desktop gets the text.
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  SetClipboardData(CF_UNICODETEXT, text(u"caption"));
  SetClipboardData(CF_HDROP, CreateFileDropBlock({u"/tmp/three.png"}));
  CloseClipboard();
  EXPECT_EQ(desktop(), "caption");
  EXPECT_FALSE(ours(CF_HDROP).empty());
}

namespace {

class TFileTarget : public TInterfacedObject, public IDropTarget {
  RTL_INTERFACES(TInterfacedObject, IDropTarget)
 public:
  std::vector<String> Files;
  TPoint Point;
  HRESULT DragEnter(IDataObject*, DWORD, TPoint, DWORD* Effect) override {
    *Effect &= DROPEFFECT_COPY;
    return S_OK;
  }
  HRESULT DragOver(DWORD, TPoint, DWORD* Effect) override {
    *Effect &= DROPEFFECT_COPY;
    return S_OK;
  }
  HRESULT DragLeave() override { return S_OK; }
  HRESULT Drop(IDataObject* Data, DWORD, TPoint At, DWORD* Effect) override {
    FORMATETC format;
    format.cfFormat = CF_HDROP;
    STGMEDIUM medium;
    if (Data->GetData(format, medium) == S_OK) {
      Files = ReadFileDropBlock(medium.hGlobal);
      ReleaseStgMedium(medium);
    }
    Point = At;
    *Effect &= DROPEFFECT_COPY;
    return S_OK;
  }
};

}  // namespace

TEST_F(SdlX11, FilesDroppedFromTheDesktopReachTheTarget) {
  HWND h = Create(Bounds(100, 80, 200, 120), RGB(255, 0, 255));
  ASSERT_TRUE(h);
  IPtr<TFileTarget> target(::Create<TFileTarget>());
  ASSERT_EQ(RegisterDragDrop(h, target.get()), S_OK);
  ExpectScreen({{{150, 100}, 0xFF00FF}});
  ASSERT_EQ(RunX11Tool(Server().Display(), {"xdotool", "mousemove", "150", "130"}), 0);
  // The desktop's drop as SDL reports it: a begin, one event per file, a completion.
  Uint32 windowId = 0;
  SDL_Window* native = SDL_GetMouseFocus();
  if (native) windowId = SDL_GetWindowID(native);
  SDL_Event event;
  SDL_zero(event);
  event.type = SDL_DROPBEGIN;
  event.drop.windowID = windowId;
  SDL_PushEvent(&event);
  for (const char* file : {"/tmp/a.zsk", "/tmp/b c.zsk"}) {
    event.type = SDL_DROPFILE;
    event.drop.file = SDL_strdup(file);
    SDL_PushEvent(&event);
  }
  event.type = SDL_DROPCOMPLETE;
  event.drop.file = nullptr;
  SDL_PushEvent(&event);
  EXPECT_TRUE(PumpUntil([&] { return !target->Files.empty(); }));
  EXPECT_EQ(target->Files, (std::vector<String>{u"/tmp/a.zsk", u"/tmp/b c.zsk"}));
  EXPECT_TRUE(Bounds(100, 80, 200, 120).Contains(target->Point));
  RevokeDragDrop(h);
}
