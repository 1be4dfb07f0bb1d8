#include "os/backends/sdl/OS.Sdl.Mapping.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>

#include "os/OS.Input.h"
#include "os/OS.Monitors.h"
#include "os/OS.Windows.h"

namespace SdlMapping {

namespace {

// Virtual keys the input unit does not name.
constexpr WORD VK_OEM_102 = 0xE2;
constexpr WORD VK_VOLUME_MUTE = 0xAD;
constexpr WORD VK_VOLUME_DOWN = 0xAE;
constexpr WORD VK_VOLUME_UP = 0xAF;
constexpr WORD VK_MEDIA_NEXT_TRACK = 0xB0;
constexpr WORD VK_MEDIA_PREV_TRACK = 0xB1;
constexpr WORD VK_MEDIA_STOP = 0xB2;
constexpr WORD VK_MEDIA_PLAY_PAUSE = 0xB3;

WORD KeypadKey(int Scancode, bool NumLock) {
  // Keypad 1..9, 0 and the decimal point: digits with NumLock, navigation without.
  static constexpr WORD navigation[] = {VK_END,   VK_DOWN, VK_NEXT, VK_LEFT,  VK_CLEAR,
                                        VK_RIGHT, VK_HOME, VK_UP,   VK_PRIOR, VK_INSERT};
  if (Scancode >= SDL_SCANCODE_KP_1 && Scancode <= SDL_SCANCODE_KP_9) {
    const int index = Scancode - SDL_SCANCODE_KP_1;
    return NumLock ? WORD(VK_NUMPAD0 + 1 + index) : navigation[index];
  }
  if (Scancode == SDL_SCANCODE_KP_0) return NumLock ? VK_NUMPAD0 : VK_INSERT;
  return NumLock ? VK_DECIMAL : VK_DELETE;  // SDL_SCANCODE_KP_PERIOD
}

}  // namespace

WORD VirtualKey(int Keycode, int Scancode, bool NumLock) {
  if (Keycode >= 'a' && Keycode <= 'z') return WORD(Keycode - 'a' + 'A');
  if (Keycode >= '0' && Keycode <= '9' && (Scancode < SDL_SCANCODE_KP_DIVIDE || Scancode > SDL_SCANCODE_KP_PERIOD))
    return WORD(Keycode);
  if (Scancode >= SDL_SCANCODE_A && Scancode <= SDL_SCANCODE_Z) return WORD('A' + Scancode - SDL_SCANCODE_A);
  if (Scancode >= SDL_SCANCODE_1 && Scancode <= SDL_SCANCODE_9) return WORD('1' + Scancode - SDL_SCANCODE_1);
  if (Scancode >= SDL_SCANCODE_F1 && Scancode <= SDL_SCANCODE_F12) return WORD(VK_F1 + Scancode - SDL_SCANCODE_F1);
  if (Scancode >= SDL_SCANCODE_F13 && Scancode <= SDL_SCANCODE_F24)
    return WORD(VK_F1 + 12 + Scancode - SDL_SCANCODE_F13);
  if ((Scancode >= SDL_SCANCODE_KP_1 && Scancode <= SDL_SCANCODE_KP_0) || Scancode == SDL_SCANCODE_KP_PERIOD)
    return KeypadKey(Scancode, NumLock);
  switch (Scancode) {
    case SDL_SCANCODE_0:
      return '0';
    case SDL_SCANCODE_RETURN:
      return VK_RETURN;
    case SDL_SCANCODE_RETURN2:
      return VK_RETURN;
    case SDL_SCANCODE_KP_ENTER:
      return VK_RETURN;
    case SDL_SCANCODE_ESCAPE:
      return VK_ESCAPE;
    case SDL_SCANCODE_BACKSPACE:
      return VK_BACK;
    case SDL_SCANCODE_TAB:
      return VK_TAB;
    case SDL_SCANCODE_SPACE:
      return VK_SPACE;
    case SDL_SCANCODE_MINUS:
      return VK_OEM_MINUS;
    case SDL_SCANCODE_EQUALS:
      return VK_OEM_PLUS;
    case SDL_SCANCODE_LEFTBRACKET:
      return VK_OEM_4;
    case SDL_SCANCODE_RIGHTBRACKET:
      return VK_OEM_6;
    case SDL_SCANCODE_BACKSLASH:
      return VK_OEM_5;
    case SDL_SCANCODE_NONUSHASH:
      return VK_OEM_5;
    case SDL_SCANCODE_SEMICOLON:
      return VK_OEM_1;
    case SDL_SCANCODE_APOSTROPHE:
      return VK_OEM_7;
    case SDL_SCANCODE_GRAVE:
      return VK_OEM_3;
    case SDL_SCANCODE_COMMA:
      return VK_OEM_COMMA;
    case SDL_SCANCODE_PERIOD:
      return VK_OEM_PERIOD;
    case SDL_SCANCODE_SLASH:
      return VK_OEM_2;
    case SDL_SCANCODE_NONUSBACKSLASH:
      return VK_OEM_102;
    case SDL_SCANCODE_CAPSLOCK:
      return VK_CAPITAL;
    case SDL_SCANCODE_PRINTSCREEN:
      return VK_SNAPSHOT;
    case SDL_SCANCODE_SCROLLLOCK:
      return VK_SCROLL;
    case SDL_SCANCODE_PAUSE:
      return VK_PAUSE;
    case SDL_SCANCODE_INSERT:
      return VK_INSERT;
    case SDL_SCANCODE_HOME:
      return VK_HOME;
    case SDL_SCANCODE_PAGEUP:
      return VK_PRIOR;
    case SDL_SCANCODE_DELETE:
      return VK_DELETE;
    case SDL_SCANCODE_END:
      return VK_END;
    case SDL_SCANCODE_PAGEDOWN:
      return VK_NEXT;
    case SDL_SCANCODE_RIGHT:
      return VK_RIGHT;
    case SDL_SCANCODE_LEFT:
      return VK_LEFT;
    case SDL_SCANCODE_DOWN:
      return VK_DOWN;
    case SDL_SCANCODE_UP:
      return VK_UP;
    case SDL_SCANCODE_CLEAR:
      return VK_CLEAR;
    case SDL_SCANCODE_NUMLOCKCLEAR:
      return VK_NUMLOCK;
    case SDL_SCANCODE_KP_DIVIDE:
      return VK_DIVIDE;
    case SDL_SCANCODE_KP_MULTIPLY:
      return VK_MULTIPLY;
    case SDL_SCANCODE_KP_MINUS:
      return VK_SUBTRACT;
    case SDL_SCANCODE_KP_PLUS:
      return VK_ADD;
    case SDL_SCANCODE_KP_COMMA:
      return VK_SEPARATOR;
    case SDL_SCANCODE_APPLICATION:
      return VK_APPS;
    case SDL_SCANCODE_MENU:
      return VK_APPS;
    case SDL_SCANCODE_HELP:
      return VK_HELP;
    case SDL_SCANCODE_LCTRL:
      return VK_CONTROL;
    case SDL_SCANCODE_RCTRL:
      return VK_CONTROL;
    case SDL_SCANCODE_LSHIFT:
      return VK_SHIFT;
    case SDL_SCANCODE_RSHIFT:
      return VK_SHIFT;
    case SDL_SCANCODE_LALT:
      return VK_MENU;
    case SDL_SCANCODE_RALT:
      return VK_MENU;
    case SDL_SCANCODE_LGUI:
      return VK_LWIN;
    case SDL_SCANCODE_RGUI:
      return VK_RWIN;
    case SDL_SCANCODE_MUTE:
      return VK_VOLUME_MUTE;
    case SDL_SCANCODE_AUDIOMUTE:
      return VK_VOLUME_MUTE;
    case SDL_SCANCODE_VOLUMEDOWN:
      return VK_VOLUME_DOWN;
    case SDL_SCANCODE_VOLUMEUP:
      return VK_VOLUME_UP;
    case SDL_SCANCODE_AUDIONEXT:
      return VK_MEDIA_NEXT_TRACK;
    case SDL_SCANCODE_AUDIOPREV:
      return VK_MEDIA_PREV_TRACK;
    case SDL_SCANCODE_AUDIOSTOP:
      return VK_MEDIA_STOP;
    case SDL_SCANCODE_AUDIOPLAY:
      return VK_MEDIA_PLAY_PAUSE;
    default:
      return 0;
  }
}

Char KeyCharacter(WORD VirtKey, int Keycode, bool Shift, bool Ctrl, bool Alt, bool CapsLock) {
  switch (VirtKey) {
    case VK_RETURN:
      return u'\r';
    case VK_ESCAPE:
      return 27;
    case VK_BACK:
      return Ctrl ? 127 : 8;
    case VK_TAB:
      return Ctrl || Alt ? 0 : u'\t';
  }
  if (Ctrl && !Alt) {
    if (VirtKey >= 'A' && VirtKey <= 'Z') return Char(VirtKey - 'A' + 1);
    if (VirtKey == VK_OEM_4) return 27;
    if (VirtKey == VK_OEM_5) return 28;
    if (VirtKey == VK_OEM_6) return 29;
    return 0;
  }
  if (Alt && !Ctrl && Keycode >= 32 && Keycode < 127) {
    if (Keycode >= 'a' && Keycode <= 'z') return Shift != CapsLock ? Char(Keycode - 32) : Char(Keycode);
    return Char(Keycode);
  }
  return 0;
}

bool AcceptsText(bool Ctrl, bool Alt) { return Ctrl == Alt; }

int SystemCursor(uintptr_t CursorId) {
  switch (CursorId) {
    case IDC_IBEAM:
      return SDL_SYSTEM_CURSOR_IBEAM;
    case IDC_WAIT:
      return SDL_SYSTEM_CURSOR_WAIT;
    case IDC_CROSS:
      return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case IDC_SIZENWSE:
      return SDL_SYSTEM_CURSOR_SIZENWSE;
    case IDC_SIZENESW:
      return SDL_SYSTEM_CURSOR_SIZENESW;
    case IDC_SIZEWE:
      return SDL_SYSTEM_CURSOR_SIZEWE;
    case IDC_SIZENS:
      return SDL_SYSTEM_CURSOR_SIZENS;
    case IDC_SIZEALL:
      return SDL_SYSTEM_CURSOR_SIZEALL;
    case IDC_NO:
      return SDL_SYSTEM_CURSOR_NO;
    case IDC_HAND:
      return SDL_SYSTEM_CURSOR_HAND;
    case IDC_APPSTARTING:
      return SDL_SYSTEM_CURSOR_WAITARROW;
    default:
      return SDL_SYSTEM_CURSOR_ARROW;  // arrow, up-arrow, help and unknown ids
  }
}

TWindowTraits WindowTraits(DWORD Style, DWORD ExStyle, DWORD ClassStyle, bool Owned) {
  TWindowTraits t;
  t.Topmost = (ExStyle & WS_EX_TOPMOST) != 0;
  const bool bare = (Style & WS_POPUP) && (Style & WS_CAPTION) != WS_CAPTION;
  if (bare && (ExStyle & WS_EX_NOACTIVATE)) {
    t.PopupMenu = true;
    return t;
  }
  // Hint windows: captionless topmost tool popups whose class asks for a shadow or saved bits.
  if (bare && (ExStyle & WS_EX_TOOLWINDOW) && t.Topmost && (ClassStyle & (CS_DROPSHADOW | CS_SAVEBITS))) {
    t.Tooltip = true;
    return t;
  }
  const bool app = (ExStyle & WS_EX_APPWINDOW) != 0;
  t.Utility = (ExStyle & WS_EX_TOOLWINDOW) && !app;
  t.SkipTaskbar = t.Utility || (Owned && !app);
  return t;
}

UINT SnapDpi(float Dpi) {
  if (!std::isfinite(Dpi) || Dpi <= 0) return USER_DEFAULT_SCREEN_DPI;
  const long steps = std::lround(Dpi / 24.0f);
  return static_cast<UINT>(std::clamp<long>(steps, 4, 20) * 24);
}

namespace {

Int64 Area(const TRect& R) { return R.IsEmpty() ? 0 : Int64(R.Width()) * R.Height(); }

TRect Union(const TRect& A, const TRect& B) {
  return {std::min(A.Left, B.Left), std::min(A.Top, B.Top), std::max(A.Right, B.Right), std::max(A.Bottom, B.Bottom)};
}

// Area the union of A and B covers that neither does (overlap counted once).
Int64 Waste(const TRect& A, const TRect& B) {
  TRect common(std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right),
               std::min(A.Bottom, B.Bottom));
  return Area(Union(A, B)) - Area(A) - Area(B) + Area(common);
}

}  // namespace

void TDirtyRects::Add(const TRect& Rect) {
  if (Rect.IsEmpty()) return;
  TRect r = Rect;
  // Absorb every rectangle whose merge costs at most a quarter of the merged area: pushing one
  // rectangle is cheaper than pushing two that nearly touch.
  for (bool merged = true; merged;) {
    merged = false;
    for (size_t i = 0; i < FRects.size(); ++i) {
      if (Waste(FRects[i], r) * 4 <= Area(Union(FRects[i], r))) {
        r = Union(FRects[i], r);
        FRects.erase(FRects.begin() + static_cast<std::ptrdiff_t>(i));
        merged = true;
        break;
      }
    }
  }
  FRects.push_back(r);
  while (FRects.size() > MaxRects) {
    size_t bestA = 0, bestB = 1;
    Int64 best = INT64_MAX;
    for (size_t a = 0; a < FRects.size(); ++a)
      for (size_t b = a + 1; b < FRects.size(); ++b)
        if (const Int64 w = Waste(FRects[a], FRects[b]); w < best) {
          best = w;
          bestA = a;
          bestB = b;
        }
    FRects[bestA] = Union(FRects[bestA], FRects[bestB]);
    FRects.erase(FRects.begin() + static_cast<std::ptrdiff_t>(bestB));
  }
}

bool UpdateAlphaMask(std::vector<Byte>& Mask, const uint32_t* Pixels, int Width, int Height, const TRect& Area,
                     Byte Cutoff, const Byte* Clip) {
  const size_t size = static_cast<size_t>(std::max(0, Width)) * static_cast<size_t>(std::max(0, Height));
  bool changed = false;
  if (Mask.size() != size) {
    Mask.assign(size, 1);
    changed = true;
  }
  const int left = std::max(0, Area.Left), right = std::min(Width, Area.Right);
  const int top = std::max(0, Area.Top), bottom = std::min(Height, Area.Bottom);
  for (int y = top; y < bottom; ++y) {
    const uint32_t* line = Pixels + static_cast<size_t>(y) * Width;
    Byte* mask = Mask.data() + static_cast<size_t>(y) * Width;
    const Byte* clip = Clip ? Clip + static_cast<size_t>(y) * Width : nullptr;
    for (int x = left; x < right; ++x) {
      const Byte shown = (line[x] >> 24) >= Cutoff && (!clip || clip[x]) ? 1 : 0;
      if (mask[x] != shown) {
        mask[x] = shown;
        changed = true;
      }
    }
  }
  return changed;
}

String TextToDesktop(StringView Text) {
  String out;
  out.reserve(Text.size());
  for (size_t i = 0; i < Text.size(); ++i)
    if (!(Text[i] == u'\r' && i + 1 < Text.size() && Text[i + 1] == u'\n')) out += Text[i];
  return out;
}

String TextFromDesktop(StringView Text) {
  String out;
  out.reserve(Text.size() + Text.size() / 16);
  for (size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] == u'\n' && (i == 0 || Text[i - 1] != u'\r')) out += u'\r';
    out += Text[i];
  }
  return out;
}

String FileListText(const std::vector<String>& Files) {
  String out;
  for (const String& file : Files) {
    if (!out.empty()) out += u'\n';
    out += file;
  }
  return out;
}

}  // namespace SdlMapping
