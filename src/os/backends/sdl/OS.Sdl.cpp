#include "os/backends/sdl/OS.Sdl.h"

#include <SDL.h>
#include <SDL_shape.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "os/OS.Backend.h"
#include "os/OS.Clipboard.h"
#include "os/OS.DragDrop.h"
#include "os/OS.Codecs.h"
#include "os/OS.Gdi.h"
#include "os/OS.Icons.h"
#include "os/OS.Input.h"
#include "os/OS.Monitors.h"
#include "os/OS.Regions.h"
#include "os/OS.Surface.h"
#include "os/OS.Windows.h"
#include "os/backends/sdl/OS.Sdl.Mapping.h"
#include "rtl/RTL.Threads.h"

namespace {

using namespace SdlMapping;

// Partly transparent pixels of a per-pixel-alpha window are shown from this alpha up when the
// window can only be shaped.
constexpr Byte ShapeCutoff = 128;
// Pixels are pushed to the screen when the UI thread goes idle, and at least this often while
// it stays busy.
constexpr Uint64 FlushIntervalMs = 16;
// Where SDL parks a shaped window while it resizes it.
constexpr int ParkedX = -1000;
constexpr int ParkedY = -1000;

class TSdlBackend;

class TSdlWindow : public TNativeWindow {
 public:
  TSdlWindow(TSdlBackend& Backend, HWND Handle, SDL_Window* Window, bool Shapeable, bool Activates);
  ~TSdlWindow() override;

  void SetBounds(const TRect& ScreenRect) override;
  void SetVisible(bool Visible) override;
  void ZOrderChanged() override;
  void Present(const TSurface& Pixels, const TRect& Dirty, Byte Alpha, bool PerPixelAlpha) override;
  void SetTitle(StringView Title) override;
  void SetCursor(HCURSOR Cursor) override;
  void SetIcon(HICON Icon) override;

  HWND Handle() const { return FHandle; }
  SDL_Window* Window() const { return FWindow; }
  bool Activates() const { return FActivates; }
  bool IsShown() const { return FShown; }
  // Pushes the pixels changed since the last push (and the shape) to the screen.
  void Flush();
  // The desktop lost what the window showed (exposed, resized): push everything again.
  void Repaint() { FNeedFull = true; }
  // The desktop moved or resized the window itself: the window layer follows.
  void DesktopMoved(TPoint Position);
  void DesktopResized(TSize Size);

 private:
  bool UpdateShapeMask(TSurface& Source, const std::vector<TRect>& Areas, bool Whole);
  void ApplyShape();

  TSdlBackend& FBackend;
  HWND FHandle;
  SDL_Window* FWindow;
  const bool FShapeable;
  const bool FActivates;
  bool FShown = false;
  bool FTopmost = false;
  bool FApplyingDesktop = false;  // SetBounds echoes a geometry the desktop made
  String FTitle;
  // Geometry asked of the desktop, newest last: their notifications are echoes, not moves.
  std::deque<TRect> FRequested;
  // Pixels.
  TDirtyRects FDirty;
  bool FNeedFull = true;
  SDL_Surface* FTarget = nullptr;
  int FTargetWidth = 0;
  int FTargetHeight = 0;
  Byte FAlpha = 255;
  bool FPerPixel = false;
  // Shape: the mask shown (1 per pixel), the window region's rectangles it was built with.
  std::vector<Byte> FMask;
  std::vector<Byte> FRegionMask;
  std::vector<TRect> FRegionRects;
  bool FHasRegion = false;
  bool FShaped = false;    // the window shows a shape narrower than its rectangle
  bool FShapeSet = false;  // the desktop holds a shape for the window (maybe the full rectangle)
  bool FShapeDirty = false;
};

class TSdlBackend : public TDisplayBackend {
 public:
  TSdlBackend();
  ~TSdlBackend() override;

  std::vector<TMonitorDesc> GetMonitors() override;
  std::unique_ptr<TNativeWindow> CreateNativeWindow(HWND Window) override;
  void PumpEvents() override;
  void Wait(Int64 TimeoutMs) override;
  void Wake() override;
  void CursorMoved(TPoint Point) override;

  void Register(TSdlWindow* Window) { FWindows[SDL_GetWindowID(Window->Window())] = Window; }
  void Unregister(TSdlWindow* Window);
  void ShowCursorFor(HCURSOR Cursor);
  void Restack() { FRestack = true; }
  SDL_Window* NativeOf(HWND Window) const {
    for (const auto& [id, window] : FWindows)
      if (window->Handle() == Window) return window->Window();
    return nullptr;
  }

 private:
  TSdlWindow* FindWindow(Uint32 Id) const {
    auto it = FWindows.find(Id);
    return it == FWindows.end() ? nullptr : it->second;
  }
  TPoint ToScreen(Uint32 WindowId, int X, int Y) const;
  TPoint DropPoint(Uint32 WindowId) const;
  void Handle(const SDL_Event& Event);
  void HandleWindowEvent(const SDL_WindowEvent& Event);
  void SyncKeyboardFocus();
  void SyncCapture();
  void FlushAll();
  void RaiseFront();

  // Clipboard bridge (UI thread; the clipboard calls it under its own lock).
  void ClipboardSetText(const String& Text);
  bool ClipboardGetText(String& Text);
  void ClipboardSetFiles(const std::vector<String>& Files);

  std::unordered_map<Uint32, TSdlWindow*> FWindows;
  Uint32 FWakeEvent = 0;
  std::atomic<bool> FWakePending{false};
  Uint64 FLastFlush = 0;
  bool FRestack = false;
  SDL_Window* FLastRaised = nullptr;
  SDL_Window* FKeyboardFocus = nullptr;
  bool FCaptured = false;
  float FWheelX = 0;
  float FWheelY = 0;
  // Files of a drop in progress (between SDL_DROPBEGIN and SDL_DROPCOMPLETE).
  std::vector<String> FDropFiles;
  Uint32 FDropWindow = 0;
  // Cursors: the standard shapes, created on first use, and the one made from pixels.
  SDL_Cursor* FSystemCursors[SDL_NUM_SYSTEM_CURSORS] = {};
  SDL_Cursor* FImageCursor = nullptr;
  HCURSOR FImageCursorHandle = nullptr;
  std::vector<uint32_t> FImageCursorPixels;
  bool FCursorHidden = false;
  // Clipboard: text published for a file list (the desktop gives it back as ours), and whether
  // the clipboard session (opening to closing) published text: a clipboard holding text and
  // files gives the desktop the text.
  TClipboardBridge FBridge;
  String FFilesText;
  bool FTextPublished = false;
};

// ---- pixels ----------------------------------------------------------------------------------

uint32_t Unpremultiply(uint32_t Pixel) {
  const uint32_t a = Pixel >> 24;
  if (a == 255) return Pixel;
  if (a == 0) return 0;
  auto channel = [&](int Shift) {
    return std::min<uint32_t>(255, ((Pixel >> Shift & 0xFF) * 255 + a / 2) / a) << Shift;
  };
  return a << 24 | channel(16) | channel(8) | channel(0);
}

// Copies Area of Source (premultiplied 0xAARRGGBB) into Target. Opaque windows show their colour
// channels as they are; per-pixel-alpha windows (shaped, not blended) show unpremultiplied colour.
void CopyPixels(TSurface& Source, SDL_Surface* Target, const TRect& Area, bool PerPixel) {
  const int width = Area.Width();
  Byte* targetRow = static_cast<Byte*>(Target->pixels) + static_cast<size_t>(Area.Top) * Target->pitch +
                    static_cast<size_t>(Area.Left) * Target->format->BytesPerPixel;
  const Uint32 format = Target->format->format;
  if (!PerPixel && format == SDL_PIXELFORMAT_RGB888) {
    SDL_ConvertPixels(width, Area.Height(), SDL_PIXELFORMAT_ARGB8888, Source.GetScanLine(Area.Top) + Area.Left,
                      Source.GetStride(), format, targetRow, Target->pitch);
    return;
  }
  std::vector<uint32_t> line(static_cast<size_t>(width));
  for (int y = Area.Top; y < Area.Bottom; ++y, targetRow += Target->pitch) {
    const uint32_t* source = Source.GetScanLine(y) + Area.Left;
    for (int x = 0; x < width; ++x) line[x] = PerPixel ? Unpremultiply(source[x]) : source[x] | 0xFF000000u;
    SDL_ConvertPixels(width, 1, SDL_PIXELFORMAT_ARGB8888, line.data(), width * 4, format, targetRow, Target->pitch);
  }
}

// The rectangles of a window's region (window coordinates); false when it has none.
bool RegionRects(HWND Window, std::vector<TRect>& Rects) {
  Rects.clear();
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  const bool shaped = GetWindowRgn(Window, region) != ERROR;
  std::vector<Byte> buffer;
  if (shaped) buffer.resize(GetRegionData(region, 0, nullptr));
  auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
  const bool read = buffer.size() >= sizeof(RGNDATAHEADER) && GetRegionData(region, DWORD(buffer.size()), data);
  DeleteObject(region);
  if (!shaped) return false;
  if (!read) return true;
  const DWORD size = DWORD(buffer.size());
  const size_t count = std::min<size_t>(data->rdh.nCount, (size - sizeof(RGNDATAHEADER)) / sizeof(TRect));
  Rects.resize(count);
  std::memcpy(Rects.data(), data->Buffer, count * sizeof(TRect));
  return true;
}

// ---- TSdlWindow ------------------------------------------------------------------------------

TSdlWindow::TSdlWindow(TSdlBackend& Backend, HWND Handle, SDL_Window* Window, bool Shapeable, bool Activates)
    : FBackend(Backend), FHandle(Handle), FWindow(Window), FShapeable(Shapeable), FActivates(Activates) {
  FTopmost = (GetWindowLong(Handle, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  FBackend.Register(this);
}

TSdlWindow::~TSdlWindow() {
  FBackend.Unregister(this);
  SDL_DestroyWindow(FWindow);
}

void TSdlWindow::SetBounds(const TRect& ScreenRect) {
  if (FApplyingDesktop) return;
  FRequested.push_back(ScreenRect);
  int x = 0, y = 0, width = 0, height = 0;
  SDL_GetWindowPosition(FWindow, &x, &y);
  SDL_GetWindowSize(FWindow, &width, &height);
  const int newWidth = std::max(1, ScreenRect.Width());
  const int newHeight = std::max(1, ScreenRect.Height());
  if (x != ScreenRect.Left || y != ScreenRect.Top) SDL_SetWindowPosition(FWindow, ScreenRect.Left, ScreenRect.Top);
  if (width != newWidth || height != newHeight) {
    if (FShapeable) FRequested.push_back(TRect(ParkedX, ParkedY, ParkedX + newWidth, ParkedY + newHeight));
    SDL_SetWindowSize(FWindow, newWidth, newHeight);
    // SDL parks a shaped window off-screen when it resizes it: put it back.
    if (FShapeable) {
      SDL_SetWindowPosition(FWindow, ScreenRect.Left, ScreenRect.Top);
      FRequested.push_back(ScreenRect);
      FShapeDirty = FShapeSet;
    }
    FNeedFull = true;
  }
  while (FRequested.size() > 8) FRequested.pop_front();
}

void TSdlWindow::SetVisible(bool Visible) {
  if (Visible) {
    if (String title = GetWindowText(FHandle); title != FTitle) SetTitle(title);
    if ((SDL_GetWindowFlags(FWindow) & SDL_WINDOW_MINIMIZED) && !IsIconic(FHandle)) SDL_RestoreWindow(FWindow);
    if (!FShown) {
      FShown = true;
      FNeedFull = true;
      // The desktop keeps an owned window above its visible owner.
      if (HWND owner = GetWindow(FHandle, GW_OWNER); owner && IsWindowVisible(owner))
        if (SDL_Window* native = FBackend.NativeOf(owner)) SDL_SetWindowModalFor(FWindow, native);
      SDL_ShowWindow(FWindow);
      FBackend.Restack();
    }
    return;
  }
  // A minimized window stays on the desktop's task bar; anything else is hidden.
  if (IsIconic(FHandle) && FShown && FActivates) {
    SDL_MinimizeWindow(FWindow);
    return;
  }
  if (FShown) {
    FShown = false;
    SDL_HideWindow(FWindow);
  }
}

void TSdlWindow::ZOrderChanged() {
  const bool topmost = (GetWindowLong(FHandle, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  if (topmost != FTopmost) {
    FTopmost = topmost;
    SDL_SetWindowAlwaysOnTop(FWindow, topmost ? SDL_TRUE : SDL_FALSE);
  }
  FBackend.Restack();
}

void TSdlWindow::Present(const TSurface&, const TRect& Dirty, Byte Alpha, bool PerPixelAlpha) {
  if (Alpha != FAlpha) {
    FAlpha = Alpha;
    SDL_SetWindowOpacity(FWindow, Alpha / 255.0f);  // blended by a compositing desktop, ignored otherwise
  }
  if (PerPixelAlpha != FPerPixel) {
    FPerPixel = PerPixelAlpha;
    FNeedFull = true;
  }
  FDirty.Add(Dirty);
}

void TSdlWindow::SetTitle(StringView Title) {
  FTitle = String(Title);
  SDL_SetWindowTitle(FWindow, StringToUTF8(Title).c_str());
}

void TSdlWindow::SetCursor(HCURSOR Cursor) { FBackend.ShowCursorFor(Cursor); }

void TSdlWindow::SetIcon(HICON Icon) {
  std::vector<uint32_t> pixels;
  int width = 0, height = 0;
  if (!GetIconPixels(Icon, pixels, width, height)) return;  // SDL keeps the last icon: nothing to clear
  UnpremultiplyPixels(pixels.data(), pixels.size());
  SDL_Surface* surface =
      SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), width, height, 32, width * 4, SDL_PIXELFORMAT_ARGB8888);
  if (!surface) return;
  SDL_SetWindowIcon(FWindow, surface);  // copies the pixels
  SDL_FreeSurface(surface);
}

void TSdlWindow::Flush() {
  std::vector<TRect> regionRects;
  const bool hasRegion = FShapeable && RegionRects(FHandle, regionRects);
  const bool regionChanged = hasRegion != FHasRegion || regionRects != FRegionRects;
  if (!FNeedFull && FDirty.IsEmpty() && !regionChanged && !FShapeDirty) return;
  const TSurface* source = GetWindowSurface(FHandle);
  SDL_Surface* target = source && !source->IsEmpty() ? SDL_GetWindowSurface(FWindow) : nullptr;
  if (!target) {
    // Hidden, or no surface yet: everything goes when it can be shown.
    FDirty.Clear();
    FNeedFull = true;
    return;
  }
  if (target != FTarget || target->w != FTargetWidth || target->h != FTargetHeight) FNeedFull = true;
  const TRect bounds(0, 0, std::min(source->GetWidth(), target->w), std::min(source->GetHeight(), target->h));
  std::vector<TRect> areas;
  if (FNeedFull) {
    areas.push_back(bounds);
  } else {
    for (const TRect& r : FDirty.Rects())
      if (TRect clipped; IntersectRect(clipped, r, bounds)) areas.push_back(clipped);
  }
  if (regionChanged) {
    FHasRegion = hasRegion;
    FRegionRects = std::move(regionRects);
  }

  TSurface& pixels = const_cast<TSurface&>(*source);
  pixels.BeginAccess();
  if (SDL_MUSTLOCK(target)) SDL_LockSurface(target);
  for (const TRect& area : areas) CopyPixels(pixels, target, area, FPerPixel);
  if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
  if (FShapeable && UpdateShapeMask(pixels, areas, FNeedFull || regionChanged)) FShapeDirty = true;
  pixels.EndAccess();
  if (FShapeDirty) ApplyShape();

  std::vector<SDL_Rect> rects;
  for (const TRect& a : areas) rects.push_back({a.Left, a.Top, a.Width(), a.Height()});
  if (!rects.empty()) SDL_UpdateWindowSurfaceRects(FWindow, rects.data(), static_cast<int>(rects.size()));
  FTarget = target;
  FTargetWidth = target->w;
  FTargetHeight = target->h;
  FNeedFull = false;
  FDirty.Clear();
}

// True when the mask to show changed. The mask covers the window layer's pixels; a window that
// needs no shape gets a full mask once, after it had one.
bool TSdlWindow::UpdateShapeMask(TSurface& Source, const std::vector<TRect>& Areas, bool Whole) {
  const int width = Source.GetWidth();
  const int height = Source.GetHeight();
  const bool needShape = FPerPixel || FHasRegion;
  if (!needShape) {
    // A shape once set stays until replaced: after a resize it must grow with the window.
    if (!FShaped && !(FShapeSet && Whole)) return false;
    FMask.assign(static_cast<size_t>(width) * height, 1);
    return true;
  }
  if (Whole || FRegionMask.size() != static_cast<size_t>(width) * height) {
    FRegionMask.assign(static_cast<size_t>(width) * height, FHasRegion ? 0 : 1);
    for (const TRect& r : FRegionRects)
      for (int y = std::max(0, r.Top); y < std::min(height, r.Bottom); ++y)
        std::fill_n(FRegionMask.begin() + static_cast<std::ptrdiff_t>(y) * width + std::max(0, r.Left),
                    std::max(0, std::min(width, r.Right) - std::max(0, r.Left)), Byte(1));
  }
  const Byte cutoff = FPerPixel ? ShapeCutoff : 0;
  bool changed = !FShaped;
  if (Whole || FMask.size() != static_cast<size_t>(width) * height) {
    FMask.clear();
    changed |=
        UpdateAlphaMask(FMask, Source.GetBits(), width, height, TRect(0, 0, width, height), cutoff, FRegionMask.data());
    return true;
  }
  for (const TRect& area : Areas)
    changed |= UpdateAlphaMask(FMask, Source.GetBits(), width, height, area, cutoff, FRegionMask.data());
  return changed;
}

// FIXME: under Xvfb, what a shape cuts out of a window lying over another window of this
// program shows black instead of that window, although the server reports the lower window
// there (plain X windows with a background pixel do not show this; SDL's have none).
void TSdlWindow::ApplyShape() {
  int width = 0, height = 0;
  SDL_GetWindowSize(FWindow, &width, &height);
  // The desktop's size may lag behind the layer's for a moment; shape once they agree.
  if (FMask.size() != static_cast<size_t>(width) * height) return;
  SDL_Surface* shape = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
  if (!shape) return;
  SDL_LockSurface(shape);
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(static_cast<Byte*>(shape->pixels) + static_cast<size_t>(y) * shape->pitch);
    const Byte* mask = FMask.data() + static_cast<size_t>(y) * width;
    for (int x = 0; x < width; ++x) row[x] = mask[x] ? 0xFFFFFFFFu : 0;
  }
  SDL_UnlockSurface(shape);
  SDL_WindowShapeMode mode;
  mode.mode = ShapeModeBinarizeAlpha;
  mode.parameters.binarizationCutoff = 128;
  if (SDL_SetWindowShape(FWindow, shape, &mode) == 0) {
    FShaped = FPerPixel || FHasRegion;
    FShapeSet = true;
    FShapeDirty = false;
  }
  SDL_FreeSurface(shape);
  // Shaping may move the window back to where it was when SDL last resized it.
  if (TRect r; GetWindowRect(FHandle, r)) {
    int x = 0, y = 0;
    SDL_GetWindowPosition(FWindow, &x, &y);
    if (x != r.Left || y != r.Top) {
      FRequested.push_back(r);
      SDL_SetWindowPosition(FWindow, r.Left, r.Top);
    }
  }
}

void TSdlWindow::DesktopMoved(TPoint Position) {
  for (auto it = FRequested.begin(); it != FRequested.end(); ++it)
    if (it->TopLeft() == Position) {
      FRequested.erase(FRequested.begin(), it);  // older requests were overtaken
      return;
    }
  TRect r;
  if (!GetWindowRect(FHandle, r) || r.TopLeft() == Position) return;
  FApplyingDesktop = true;
  HWND handle = FHandle;
  SetWindowPos(handle, nullptr, Position.X, Position.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  // The window may be gone now; only touch it through the backend's lookup.
  if (IsWindow(handle)) FApplyingDesktop = false;
}

void TSdlWindow::DesktopResized(TSize Size) {
  FNeedFull = true;
  for (auto it = FRequested.begin(); it != FRequested.end(); ++it)
    if (it->Width() == Size.cx && it->Height() == Size.cy) {
      FRequested.erase(FRequested.begin(), it);
      return;
    }
  TRect r;
  if (!GetWindowRect(FHandle, r) || (r.Width() == Size.cx && r.Height() == Size.cy)) return;
  FApplyingDesktop = true;
  HWND handle = FHandle;
  SetWindowPos(handle, nullptr, 0, 0, Size.cx, Size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (IsWindow(handle)) FApplyingDesktop = false;
}

// ---- TSdlBackend -----------------------------------------------------------------------------

TSdlBackend::TSdlBackend() {
  FWakeEvent = SDL_RegisterEvents(1);
  SDL_EventState(SDL_DROPFILE, SDL_ENABLE);
  SDL_EventState(SDL_DROPBEGIN, SDL_ENABLE);
  SDL_EventState(SDL_DROPCOMPLETE, SDL_ENABLE);
  FBridge.SetText = [this](const String& Text) { ClipboardSetText(Text); };
  FBridge.GetText = [this](String& Text) { return ClipboardGetText(Text); };
  FBridge.SetFiles = [this](const std::vector<String>& Files) { ClipboardSetFiles(Files); };
  SetClipboardBridge(&FBridge);
  FLastFlush = SDL_GetTicks64();
}

TSdlBackend::~TSdlBackend() {
  SetClipboardBridge(nullptr);
  SDL_SetCursor(SDL_GetDefaultCursor());
  for (SDL_Cursor*& cursor : FSystemCursors) SDL_FreeCursor(cursor);
  SDL_FreeCursor(FImageCursor);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

std::vector<TMonitorDesc> TSdlBackend::GetMonitors() {
  std::vector<TMonitorDesc> monitors;
  const int count = SDL_GetNumVideoDisplays();
  for (int i = 0; i < count; ++i) {
    SDL_Rect bounds, usable;
    if (SDL_GetDisplayBounds(i, &bounds) != 0) continue;
    if (SDL_GetDisplayUsableBounds(i, &usable) != 0 || usable.w <= 0 || usable.h <= 0) usable = bounds;
    float dpi = 0;
    if (SDL_GetDisplayDPI(i, nullptr, &dpi, nullptr) != 0) dpi = 0;
    TMonitorDesc m;
    m.Bounds = TRect(bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h);
    m.WorkArea = TRect(usable.x, usable.y, usable.x + usable.w, usable.y + usable.h);
    m.Dpi = SnapDpi(dpi);
    m.Primary = i == 0;  // SDL lists the primary display first
    const char* name = SDL_GetDisplayName(i);
    m.Name = name && *name ? UTF8ToString(name) : UTF8ToString("DISPLAY" + std::to_string(i + 1));
    monitors.push_back(m);
  }
  if (monitors.empty()) {
    TMonitorDesc m;
    m.Bounds = m.WorkArea = TRect(0, 0, 1920, 1080);
    m.Primary = true;
    m.Name = u"DISPLAY1";
    monitors.push_back(m);
  }
  return monitors;
}

std::unique_ptr<TNativeWindow> TSdlBackend::CreateNativeWindow(HWND Window) {
  const DWORD style = static_cast<DWORD>(GetWindowLong(Window, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(GetWindowLong(Window, GWL_EXSTYLE));
  // A window owned by a hidden one (an application's own hidden window) still gets a task-bar entry.
  const HWND owner = GetWindow(Window, GW_OWNER);
  const TWindowTraits traits = WindowTraits(style, exStyle, GetClassStyle(Window), owner && IsWindowVisible(owner));
  // The window layer draws frames and captions itself: the desktop adds none.
  Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS;
  if (traits.PopupMenu) flags |= SDL_WINDOW_POPUP_MENU;
  if (traits.Tooltip) flags |= SDL_WINDOW_TOOLTIP;
  if (traits.Utility) flags |= SDL_WINDOW_UTILITY;
  if (traits.SkipTaskbar || traits.PopupMenu || traits.Tooltip) flags |= SDL_WINDOW_SKIP_TASKBAR;
  if (traits.Topmost) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
  TRect r;
  GetWindowRect(Window, r);
  const int width = std::max(1, r.Width());
  const int height = std::max(1, r.Height());
  const std::string title = StringToUTF8(GetWindowText(Window));
  // Every window can take a shape (regions, per-pixel alpha) when the display offers shaping.
  // A shaped window is created off-screen at (0, 0) requested: SetBounds places it.
  bool shapeable = true;
  SDL_Window* native =
      SDL_CreateShapedWindow(title.c_str(), 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height), flags);
  if (!native) {
    shapeable = false;
    native = SDL_CreateWindow(title.c_str(), r.Left, r.Top, width, height, flags);
  }
  if (!native) return nullptr;  // the window works on without a desktop side
  const bool activates = !traits.PopupMenu && !traits.Tooltip && !(exStyle & WS_EX_NOACTIVATE);
  auto result = std::make_unique<TSdlWindow>(*this, Window, native, shapeable, activates);
  result->SetTitle(UTF8ToString(title));
  return result;
}

void TSdlBackend::Unregister(TSdlWindow* Window) {
  FWindows.erase(SDL_GetWindowID(Window->Window()));
  if (FLastRaised == Window->Window()) FLastRaised = nullptr;
  if (FKeyboardFocus == Window->Window()) FKeyboardFocus = nullptr;
}

TPoint TSdlBackend::ToScreen(Uint32 WindowId, int X, int Y) const {
  if (SDL_Window* window = SDL_GetWindowFromID(WindowId)) {
    int x = 0, y = 0;
    SDL_GetWindowPosition(window, &x, &y);
    return TPoint(x + X, y + Y);
  }
  int x = 0, y = 0;
  SDL_GetGlobalMouseState(&x, &y);
  return TPoint(x, y);
}

// SDL does not say where a drop happened: the pointer is there, as far as SDL knows it (its
// global position can lag behind); a position outside the window dropped on gives the window's
// centre.
TPoint TSdlBackend::DropPoint(Uint32 WindowId) const {
  int x = 0, y = 0;
  SDL_GetGlobalMouseState(&x, &y);
  SDL_Window* window = SDL_GetWindowFromID(WindowId);
  if (!window) return TPoint(x, y);
  int left = 0, top = 0, width = 0, height = 0;
  SDL_GetWindowPosition(window, &left, &top);
  SDL_GetWindowSize(window, &width, &height);
  const TRect bounds(left, top, left + width, top + height);
  if (bounds.Contains(TPoint(x, y))) return TPoint(x, y);
  if (SDL_GetMouseFocus() == window) {
    SDL_GetMouseState(&x, &y);
    if (bounds.Contains(TPoint(left + x, top + y))) return TPoint(left + x, top + y);
  }
  return bounds.CenterPoint();
}

void TSdlBackend::PumpEvents() {
  SDL_Event event;
  while (SDL_PollEvent(&event)) Handle(event);
  SyncKeyboardFocus();
  SyncCapture();
  if (SDL_GetTicks64() - FLastFlush >= FlushIntervalMs) FlushAll();
}

void TSdlBackend::Wait(Int64 TimeoutMs) {
  FlushAll();
  if (TimeoutMs == 0) return;
  // The event stays queued; PumpEvents takes it.
  if (TimeoutMs < 0)
    SDL_WaitEvent(nullptr);
  else
    SDL_WaitEventTimeout(nullptr, static_cast<int>(std::min<Int64>(TimeoutMs, INT_MAX)));
}

void TSdlBackend::Wake() {
  // One wake event in the queue is enough; PumpEvents clears the flag before the layer looks
  // at its queues, so a wake that finds it set is never lost.
  if (FWakePending.exchange(true)) return;
  SDL_Event event;
  SDL_zero(event);
  event.type = FWakeEvent;
  if (SDL_PushEvent(&event) != 1) FWakePending = false;
}

void TSdlBackend::CursorMoved(TPoint Point) { SDL_WarpMouseGlobal(Point.X, Point.Y); }

void TSdlBackend::Handle(const SDL_Event& Event) {
  switch (Event.type) {
    case SDL_MOUSEMOTION:
      InputMouseMove(ToScreen(Event.motion.windowID, Event.motion.x, Event.motion.y));
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      TMouseButton button;
      switch (Event.button.button) {
        case SDL_BUTTON_LEFT:
          button = TMouseButton::Left;
          break;
        case SDL_BUTTON_RIGHT:
          button = TMouseButton::Right;
          break;
        case SDL_BUTTON_MIDDLE:
          button = TMouseButton::Middle;
          break;
        case SDL_BUTTON_X1:
          button = TMouseButton::X1;
          break;
        case SDL_BUTTON_X2:
          button = TMouseButton::X2;
          break;
        default:
          return;
      }
      InputMouseButton(button, Event.type == SDL_MOUSEBUTTONDOWN,
                       ToScreen(Event.button.windowID, Event.button.x, Event.button.y));
      break;
    }
    case SDL_MOUSEWHEEL: {
      const float sign = Event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1.0f : 1.0f;
      const TPoint at = ToScreen(Event.wheel.windowID, Event.wheel.mouseX, Event.wheel.mouseY);
      // Fractions of a notch (touch pads) add up until they make whole wheel units.
      FWheelY += Event.wheel.preciseY * sign * WHEEL_DELTA;
      FWheelX += Event.wheel.preciseX * sign * WHEEL_DELTA;
      if (const int delta = static_cast<int>(FWheelY); delta != 0) {
        FWheelY -= static_cast<float>(delta);
        InputMouseWheel(delta, false, at);
      }
      if (const int delta = static_cast<int>(FWheelX); delta != 0) {
        FWheelX -= static_cast<float>(delta);
        InputMouseWheel(delta, true, at);
      }
      break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const SDL_Keysym& key = Event.key.keysym;
      const WORD vk = VirtualKey(key.sym, key.scancode, (key.mod & KMOD_NUM) != 0);
      if (!vk) break;
      const bool down = Event.type == SDL_KEYDOWN;
      const Char character = down ? KeyCharacter(vk, key.sym, (key.mod & KMOD_SHIFT) != 0, (key.mod & KMOD_CTRL) != 0,
                                                 (key.mod & KMOD_ALT) != 0, (key.mod & KMOD_CAPS) != 0)
                                  : 0;
      InputKey(vk, down, character, Event.key.repeat != 0);
      break;
    }
    case SDL_TEXTINPUT: {
      const SDL_Keymod mod = SDL_GetModState();
      if (AcceptsText((mod & KMOD_CTRL) != 0, (mod & KMOD_ALT) != 0)) InputText(UTF8ToString(Event.text.text));
      break;
    }
    case SDL_WINDOWEVENT:
      HandleWindowEvent(Event.window);
      break;
    case SDL_DISPLAYEVENT:
      SetMonitors(GetMonitors());
      break;
    case SDL_DROPBEGIN:
      FDropFiles.clear();
      FDropWindow = Event.drop.windowID;
      break;
    case SDL_DROPFILE:
      if (Event.drop.file) {
        FDropFiles.push_back(UTF8ToString(Event.drop.file));
        SDL_free(Event.drop.file);
      }
      break;
    case SDL_DROPTEXT:
      SDL_free(Event.drop.file);
      break;
    case SDL_DROPCOMPLETE: {
      std::vector<String> files = std::move(FDropFiles);
      FDropFiles.clear();
      if (files.empty()) break;
      DropFilesFromDesktop(files, DropPoint(Event.drop.windowID ? Event.drop.windowID : FDropWindow));
      break;
    }
    default:
      if (Event.type == FWakeEvent) FWakePending = false;
      break;
  }
}

void TSdlBackend::HandleWindowEvent(const SDL_WindowEvent& Event) {
  TSdlWindow* window = FindWindow(Event.windowID);
  if (!window) return;
  const HWND handle = window->Handle();
  switch (Event.event) {
    case SDL_WINDOWEVENT_EXPOSED:
      window->Repaint();
      break;
    case SDL_WINDOWEVENT_MOVED:
      window->DesktopMoved(TPoint(Event.data1, Event.data2));
      break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      window->DesktopResized(TSize{Event.data1, Event.data2});
      break;
    case SDL_WINDOWEVENT_MINIMIZED:
      if (!IsIconic(handle)) PostMessage(handle, WM_SYSCOMMAND, SC_MINIMIZE, 0);
      break;
    case SDL_WINDOWEVENT_MAXIMIZED:
      if (!IsZoomed(handle)) PostMessage(handle, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
      break;
    case SDL_WINDOWEVENT_RESTORED:
      if (IsIconic(handle) || IsZoomed(handle)) PostMessage(handle, WM_SYSCOMMAND, SC_RESTORE, 0);
      break;
    case SDL_WINDOWEVENT_CLOSE:
      PostMessage(handle, WM_SYSCOMMAND, SC_CLOSE, 0);
      break;
    case SDL_WINDOWEVENT_LEAVE:
      // The pointer went to the desktop: the window under the old position learns it left.
      if (!SDL_GetMouseState(nullptr, nullptr) && !GetCapture()) {
        int x = 0, y = 0;
        SDL_GetGlobalMouseState(&x, &y);
        InputMouseMove(TPoint(x, y));
      }
      break;
    case SDL_WINDOWEVENT_DISPLAY_CHANGED:
      SetMonitors(GetMonitors());
      break;
    default:
      break;
  }
}

// The desktop's keyboard focus decides which of our windows is active, and whether the
// application is.
void TSdlBackend::SyncKeyboardFocus() {
  SDL_Window* focus = SDL_GetKeyboardFocus();
  if (focus == FKeyboardFocus) return;
  FKeyboardFocus = focus;
  if (!focus) {
    if (GetActiveWindow()) InputAppActivation(false);
    return;
  }
  TSdlWindow* window = FindWindow(SDL_GetWindowID(focus));
  if (!window || !window->Activates()) return;
  HWND target = window->Handle();
  // A window disabled by a modal dialog hands the activation to the dialog.
  if (!IsWindowEnabled(target)) {
    target = GetWindow(target, GW_ENABLEDPOPUP);
    if (!target) return;
  }
  if (GetActiveWindow() != target) SetActiveWindow(target);
}

void TSdlBackend::SyncCapture() {
  const bool want = GetCapture() != nullptr;
  if (want == FCaptured) return;
  FCaptured = want;
  SDL_CaptureMouse(want ? SDL_TRUE : SDL_FALSE);  // fails harmlessly without keyboard focus
}

void TSdlBackend::FlushAll() {
  FLastFlush = SDL_GetTicks64();
  if (FRestack) RaiseFront();
  // Flushing reads the layer's surfaces and calls SDL only: no window goes away meanwhile.
  for (auto& [id, window] : FWindows) window->Flush();
}

// The front window of the layer's order comes to the front of the desktop's, unless it is an
// unmanaged popup (those are above everything already) or the application is not the active one
// (a window of a program in the background does not take the desktop's focus).
void TSdlBackend::RaiseFront() {
  FRestack = false;
  if (!GetActiveWindow()) return;
  HWND front = nullptr;
  EnumWindows([&](HWND h) {
    if (!IsWindowVisible(h) || IsIconic(h)) return 1;
    front = h;
    return 0;
  });
  if (!front) return;
  for (auto& [id, window] : FWindows)
    if (window->Handle() == front) {
      if (window->Activates() && window->IsShown() && FLastRaised != window->Window()) {
        FLastRaised = window->Window();
        SDL_RaiseWindow(window->Window());
      }
      return;
    }
}

void TSdlBackend::ShowCursorFor(HCURSOR Cursor) {
  if (!Cursor) {
    FCursorHidden = true;
    SDL_ShowCursor(SDL_DISABLE);
    return;
  }
  if (FCursorHidden) {
    FCursorHidden = false;
    SDL_ShowCursor(SDL_ENABLE);
  }
  TCursorImage image;
  if (!GetCursorId(Cursor) && GetCursorImage(Cursor, image) && image.Width > 0 && image.Height > 0) {
    const size_t count = static_cast<size_t>(image.Width) * image.Height;
    // A handle may be reused for another image after DestroyCursor: compare the pixels too.
    if (Cursor == FImageCursorHandle && FImageCursor && FImageCursorPixels.size() == count &&
        std::equal(FImageCursorPixels.begin(), FImageCursorPixels.end(), image.Pixels)) {
      SDL_SetCursor(FImageCursor);
      return;
    }
    std::vector<uint32_t> straight(count);
    for (size_t i = 0; i < count; ++i) straight[i] = Unpremultiply(image.Pixels[i]);
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(straight.data(), image.Width, image.Height, 32,
                                                              image.Width * 4, SDL_PIXELFORMAT_ARGB8888);
    SDL_Cursor* cursor = surface ? SDL_CreateColorCursor(surface, image.HotX, image.HotY) : nullptr;
    SDL_FreeSurface(surface);
    if (cursor) {
      SDL_SetCursor(cursor);
      SDL_FreeCursor(FImageCursor);
      FImageCursor = cursor;
      FImageCursorHandle = Cursor;
      FImageCursorPixels.assign(image.Pixels, image.Pixels + count);
      return;
    }
  }
  const int shape = SystemCursor(GetCursorId(Cursor));
  if (!FSystemCursors[shape]) FSystemCursors[shape] = SDL_CreateSystemCursor(static_cast<SDL_SystemCursor>(shape));
  if (FSystemCursors[shape]) SDL_SetCursor(FSystemCursors[shape]);
}

bool IsUiThread() { return GetCurrentThreadId() == GetUiThreadId(); }

void TSdlBackend::ClipboardSetText(const String& Text) {
  if (!IsUiThread()) return;  // the desktop's clipboard is served by the UI thread only
  FTextPublished = true;
  FFilesText.clear();
  SDL_SetClipboardText(StringToUTF8(TextToDesktop(Text)).c_str());
}

bool TSdlBackend::ClipboardGetText(String& Text) {
  // Opening the clipboard starts a session: what its closing publishes is decided anew.
  FTextPublished = false;
  if (!IsUiThread() || !SDL_HasClipboardText()) return false;
  char* utf8 = SDL_GetClipboardText();
  if (!utf8) return false;
  const String text = UTF8ToString(utf8);
  SDL_free(utf8);
  // Our own file list as text: the process's clipboard (with the files) is the newer one.
  if (!FFilesText.empty() && text == FFilesText) return false;
  Text = TextFromDesktop(text);
  return true;
}

void TSdlBackend::ClipboardSetFiles(const std::vector<String>& Files) {
  // SDL offers the desktop text only: a file list goes as its names, one a line, unless the
  // clipboard's text went out with it.
  if (!IsUiThread() || Files.empty() || FTextPublished) return;
  FFilesText = FileListText(Files);
  SDL_SetClipboardText(StringToUTF8(FFilesText).c_str());
}

}  // namespace

bool InstallSdlBackend(String* Error) {
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");  // plain X11 images, no GL under Xvfb
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  // A desktop display only: SDL would otherwise fall back to drawing into nothing. A driver the
  // user names in SDL_VIDEODRIVER still wins.
  SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11,wayland");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    if (Error) *Error = UTF8ToString(SDL_GetError());
    return false;
  }
  InstallDisplayBackend(std::make_unique<TSdlBackend>());
  return true;
}
