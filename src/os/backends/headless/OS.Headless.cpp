#include "os/backends/headless/OS.Headless.h"

#include <png.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "os/OS.Backend.h"
#include "os/OS.Surface.h"
#include "os/OS.Windows.h"

namespace {

class THeadlessWindow;

class THeadlessBackend : public TDisplayBackend {
 public:
  explicit THeadlessBackend(const THeadlessConfig& Config) : FConfig(Config) {
    if (FConfig.Monitors.empty()) FConfig.Monitors = THeadlessConfig::Single().Monitors;
    if (FConfig.ManualClock) {
      FClock = std::make_unique<TManualClock>();
      SetClock(FClock.get());
    }
  }
  ~THeadlessBackend() override {
    if (FClock && &GetClock() == FClock.get()) SetClock(nullptr);
  }

  std::vector<TMonitorDesc> GetMonitors() override { return FConfig.Monitors; }
  std::unique_ptr<TNativeWindow> CreateNativeWindow(HWND Window) override;

  void Wait(Int64 TimeoutMs) override {
    std::unique_lock<std::mutex> lock(FLock);
    if (TimeoutMs < 0)
      FWake.wait(lock, [&] { return FWoken; });
    else
      FWake.wait_for(lock, std::chrono::milliseconds(TimeoutMs), [&] { return FWoken; });
    FWoken = false;
  }
  void Wake() override {
    {
      std::lock_guard<std::mutex> lock(FLock);
      FWoken = true;
    }
    FWake.notify_all();
  }

  TManualClock* Clock() { return FClock.get(); }
  std::unordered_map<HWND, THeadlessWindow*> Natives;

 private:
  THeadlessConfig FConfig;
  std::unique_ptr<TManualClock> FClock;
  std::mutex FLock;
  std::condition_variable FWake;
  bool FWoken = false;
};

class THeadlessWindow : public TNativeWindow {
 public:
  THeadlessWindow(THeadlessBackend& Backend, HWND Window) : FBackend(Backend), FWindow(Window) {
    FBackend.Natives[Window] = this;
  }
  ~THeadlessWindow() override { FBackend.Natives.erase(FWindow); }
  void SetBounds(const TRect& ScreenRect) override { Bounds = ScreenRect; }
  void SetVisible(bool Value) override { Visible = Value; }
  void Present(const TSurface&, const TRect&, Byte AAlpha, bool APerPixelAlpha) override {
    Alpha = AAlpha;
    PerPixelAlpha = APerPixelAlpha;
    ++Presents;
  }

  TRect Bounds;
  bool Visible = false;
  Byte Alpha = 255;
  bool PerPixelAlpha = false;
  int Presents = 0;

 private:
  THeadlessBackend& FBackend;
  HWND FWindow;
};

std::unique_ptr<TNativeWindow> THeadlessBackend::CreateNativeWindow(HWND Window) {
  return std::make_unique<THeadlessWindow>(*this, Window);
}

THeadlessBackend* Backend() { return dynamic_cast<THeadlessBackend*>(GetDisplayBackend()); }

THeadlessWindow* NativeOf(HWND Window) {
  THeadlessBackend* backend = Backend();
  if (!backend) return nullptr;
  auto it = backend->Natives.find(Window);
  return it == backend->Natives.end() ? nullptr : it->second;
}

Char DerivedChar(WORD Vk) {
  const bool shift = GetAsyncKeyState(VK_SHIFT) < 0;
  if (Vk >= 'A' && Vk <= 'Z') return shift ? Char(Vk) : Char(Vk + 32);
  if (Vk >= '0' && Vk <= '9' && !shift) return Char(Vk);
  switch (Vk) {
    case VK_SPACE:
      return u' ';
    case VK_RETURN:
      return u'\r';
    case VK_TAB:
      return u'\t';
    case VK_BACK:
      return 8;
    case VK_ESCAPE:
      return 27;
  }
  return 0;
}

// Premultiplied source-over.
uint32_t Over(uint32_t Src, uint32_t Dst) {
  const uint32_t a = Src >> 24;
  if (a == 255) return Src;
  if (a == 0 && (Src & 0xFFFFFF) == 0) return Dst;
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t s = (Src >> shift) & 0xFF;
    const uint32_t d = (Dst >> shift) & 0xFF;
    const uint32_t v = std::min<uint32_t>(255, s + (d * (255 - a) + 127) / 255);
    out |= v << shift;
  }
  return out;
}

uint32_t Scale(uint32_t Pixel, Byte Alpha) {
  if (Alpha == 255) return Pixel;
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) out |= (((Pixel >> shift) & 0xFF) * Alpha + 127) / 255 << shift;
  return out;
}

}  // namespace

THeadlessConfig THeadlessConfig::Single(UINT Dpi) {
  THeadlessConfig c;
  TMonitorDesc m;
  m.Bounds = TRect(0, 0, 1920, 1080);
  m.WorkArea = TRect(0, 0, 1920, 1040);
  m.Dpi = Dpi;
  m.Primary = true;
  m.Name = u"HEADLESS1";
  c.Monitors.push_back(m);
  return c;
}

THeadlessConfig THeadlessConfig::Dual(UINT DpiLeft, UINT DpiRight) {
  THeadlessConfig c = Single(DpiLeft);
  TMonitorDesc m;
  m.Bounds = TRect(1920, 0, 3840, 1080);
  m.WorkArea = TRect(1920, 0, 3840, 1040);
  m.Dpi = DpiRight;
  m.Name = u"HEADLESS2";
  c.Monitors.push_back(m);
  return c;
}

namespace {

class THeadlessTray;
THeadlessTray* GTray = nullptr;  // owned by the tray layer while installed

// Keeps what it is told; tests read it and click on it.
class THeadlessTray : public TTrayHost {
 public:
  ~THeadlessTray() override {
    if (GTray == this) GTray = nullptr;
  }
  void IconChanged(const TTrayIconState& Icon) override {
    std::lock_guard lock(FLock);
    for (TTrayIconState& known : FIcons)
      if (known.Key == Icon.Key) {
        known = Icon;
        return;
      }
    FIcons.push_back(Icon);
  }
  void IconRemoved(UInt64 Key) override {
    std::lock_guard lock(FLock);
    std::erase_if(FIcons, [Key](const TTrayIconState& I) { return I.Key == Key; });
  }
  void ShowBalloon(const TTrayBalloon& Balloon) override {
    std::lock_guard lock(FLock);
    FBalloons.push_back(Balloon);
  }
  std::vector<TTrayIconState> Icons() {
    std::lock_guard lock(FLock);
    return FIcons;
  }
  std::vector<TTrayBalloon> Balloons() {
    std::lock_guard lock(FLock);
    return FBalloons;
  }
  // The key of the icon (Window, ID); 0 for none.
  UInt64 KeyOf(HWND Window, UINT ID) {
    std::lock_guard lock(FLock);
    for (const TTrayIconState& icon : FIcons)
      if (icon.Window == Window && icon.ID == ID) return icon.Key;
    return 0;
  }
  bool HasBalloon(UInt64 Key) {
    std::lock_guard lock(FLock);
    return std::any_of(FBalloons.begin(), FBalloons.end(), [Key](const TTrayBalloon& B) { return B.Key == Key; });
  }

 private:
  std::mutex FLock;
  std::vector<TTrayIconState> FIcons;
  std::vector<TTrayBalloon> FBalloons;
};

// Beeps and file choosers: plain records, UI thread except beeps.
std::mutex GBeepsLock;
std::vector<UINT> GBeeps;

class THeadlessFileChooser;
THeadlessFileChooser* GChooser = nullptr;  // owned by the dialogs layer while installed

class THeadlessFileChooser : public TFileChooserHost {
 public:
  ~THeadlessFileChooser() override {
    if (GChooser == this) GChooser = nullptr;
  }
  TFileChooserAnswer Run(const TFileChooserRequest& Request) override {
    Requests.push_back(Request);
    Requests.back().KeepAlive = nullptr;
    if (Script.empty()) return TFileChooserAnswer();
    TFileChooserAnswer answer = Script.front();
    Script.erase(Script.begin());
    return answer;
  }
  std::vector<TFileChooserAnswer> Script;
  std::vector<TFileChooserRequest> Requests;
};

}  // namespace

void InstallHeadlessBackend(const THeadlessConfig& Config) {
  InstallDisplayBackend(std::make_unique<THeadlessBackend>(Config));
  auto tray = std::make_unique<THeadlessTray>();
  THeadlessTray* installed = tray.get();
  InstallTrayHost(std::move(tray));
  GTray = installed;
  InstallMessageBeepSink([](UINT Type) {
    std::lock_guard lock(GBeepsLock);
    GBeeps.push_back(Type);
  });
  auto chooser = std::make_unique<THeadlessFileChooser>();
  GChooser = chooser.get();
  InstallFileChooserHost(std::move(chooser));
}

namespace Headless {

std::vector<TTrayIconState> TrayIcons() { return GTray ? GTray->Icons() : std::vector<TTrayIconState>(); }
std::vector<TTrayBalloon> TrayBalloons() { return GTray ? GTray->Balloons() : std::vector<TTrayBalloon>(); }

bool TrayClick(HWND Window, UINT ID, TPoint ScreenPoint) {
  const UInt64 key = GTray ? GTray->KeyOf(Window, ID) : 0;
  return key && TrayIconEvent(key, TTrayEvent::Click, ScreenPoint);
}

bool TrayMenu(HWND Window, UINT ID, TPoint ScreenPoint) {
  const UInt64 key = GTray ? GTray->KeyOf(Window, ID) : 0;
  return key && TrayIconEvent(key, TTrayEvent::MenuRequest, ScreenPoint);
}

bool TrayBalloonClick(HWND Window, UINT ID) {
  const UInt64 key = GTray ? GTray->KeyOf(Window, ID) : 0;
  return key && GTray->HasBalloon(key) && TrayIconEvent(key, TTrayEvent::BalloonClick, TPoint());
}

std::vector<UINT> Beeps() {
  std::lock_guard lock(GBeepsLock);
  return GBeeps;
}

void ClearBeeps() {
  std::lock_guard lock(GBeepsLock);
  GBeeps.clear();
}

void ScriptFileChooser(const TFileChooserAnswer& Answer) {
  if (GChooser) GChooser->Script.push_back(Answer);
}

std::vector<TFileChooserRequest> FileChooserRequests() {
  return GChooser ? GChooser->Requests : std::vector<TFileChooserRequest>();
}

void ClearFileChooser() {
  if (!GChooser) return;
  GChooser->Script.clear();
  GChooser->Requests.clear();
}

TManualClock* Clock() {
  THeadlessBackend* backend = Backend();
  return backend ? backend->Clock() : nullptr;
}

void MouseMove(TPoint P) { InputMouseMove(P); }
void MouseDown(TPoint P, TMouseButton B) { InputMouseButton(B, true, P); }
void MouseUp(TPoint P, TMouseButton B) { InputMouseButton(B, false, P); }

void Click(TPoint P, TMouseButton B) {
  MouseDown(P, B);
  MouseUp(P, B);
}

void DoubleClick(TPoint P, TMouseButton B) {
  Click(P, B);
  Click(P, B);
}

void Wheel(TPoint P, int Notches, bool Horizontal) { InputMouseWheel(Notches * WHEEL_DELTA, Horizontal, P); }

void KeyDown(WORD Vk, Char Character) { InputKey(Vk, true, Character ? Character : DerivedChar(Vk)); }
void KeyUp(WORD Vk) { InputKey(Vk, false); }

void KeyPress(WORD Vk, Char Character) {
  KeyDown(Vk, Character);
  KeyUp(Vk);
}

void TypeText(StringView Text) { InputText(Text); }

int RunUntilIdle(int MaxMessages) {
  int count = 0;
  MSG msg;
  while (count < MaxMessages && PeekMessage(msg, nullptr, 0, 0, PM_NOREMOVE)) {
    if (msg.message == WM_QUIT) break;
    if (!PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) break;
    TranslateMessage(msg);
    DispatchMessage(msg);
    ++count;
  }
  return count;
}

void Advance(UInt64 Ms) {
  TManualClock* clock = Clock();
  if (!clock) return;
  const UInt64 target = clock->NowMs() + Ms;
  RunUntilIdle();
  for (;;) {
    const UInt64 due = detail::NextTimerDue();
    if (due > target) break;
    clock->SetNow(due);
    RunUntilIdle();
  }
  clock->SetNow(target);
  RunUntilIdle();
}

uint32_t WindowPixel(HWND Window, TPoint Point) {
  HWND top = GetAncestor(Window, GA_ROOT);
  const TSurface* surface = GetWindowSurface(top);
  if (!surface) return 0;
  if (top != Window) {
    // Client coordinates of the child -> window coordinates of the top-level window.
    TRect topRect;
    GetWindowRect(top, topRect);
    ClientToScreen(Window, Point);
    Point -= topRect.TopLeft();
  }
  if (Point.X < 0 || Point.Y < 0 || Point.X >= surface->GetWidth() || Point.Y >= surface->GetHeight()) return 0;
  TSurface& s = const_cast<TSurface&>(*surface);
  s.BeginAccess();
  const uint32_t pixel = s.GetPixel(Point.X, Point.Y);
  s.EndAccess();
  return pixel;
}

uint32_t ScreenPixel(TPoint Point) {
  std::vector<HWND> tops;
  EnumWindows([&](HWND h) {
    tops.push_back(h);
    return 1;
  });
  uint32_t pixel = 0xFF000000u;
  for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
    HWND h = *it;
    if (!IsWindowVisible(h) || IsIconic(h)) continue;
    TRect r;
    GetWindowRect(h, r);
    if (!r.Contains(Point)) continue;
    uint32_t src = WindowPixel(h, Point - r.TopLeft());
    THeadlessWindow* native = NativeOf(h);
    const Byte alpha = native ? native->Alpha : 255;
    const bool layered = (GetWindowLong(h, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
    if (!(layered && native && native->PerPixelAlpha)) src |= 0xFF000000u;  // opaque window
    pixel = Over(Scale(src, layered ? alpha : 255), pixel);
  }
  return pixel;
}

bool SavePng(HWND Window, const std::string& FileName) {
  const TSurface* surface = GetWindowSurface(Window);
  if (!surface || surface->IsEmpty()) return false;
  FILE* file = std::fopen(FileName.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  const int width = surface->GetWidth();
  const int height = surface->GetHeight();
  std::vector<Byte> row(static_cast<size_t>(width) * 4);
  bool ok = false;
  if (png && info && !setjmp(png_jmpbuf(png))) {
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    TSurface& s = const_cast<TSurface&>(*surface);
    s.BeginAccess();
    for (int y = 0; y < height; ++y) {
      const uint32_t* line = s.GetScanLine(y);
      for (int x = 0; x < width; ++x) {
        const uint32_t p = line[x];
        const uint32_t a = p >> 24;
        auto unpremultiply = [&](uint32_t c) { return a ? static_cast<Byte>(std::min<uint32_t>(255, (c * 255 + a / 2) / a)) : 0; };
        row[x * 4 + 0] = unpremultiply((p >> 16) & 0xFF);
        row[x * 4 + 1] = unpremultiply((p >> 8) & 0xFF);
        row[x * 4 + 2] = unpremultiply(p & 0xFF);
        row[x * 4 + 3] = static_cast<Byte>(a);
      }
      png_write_row(png, row.data());
    }
    s.EndAccess();
    png_write_end(png, nullptr);
    ok = true;
  }
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0 && ok;
}

int PresentCount(HWND Window) {
  THeadlessWindow* native = NativeOf(Window);
  return native ? native->Presents : 0;
}

}  // namespace Headless
