#pragma once
// The notification area: icons that stand for a window there, with a tooltip, and balloons
// (notifications) shown from them. What the user does with an icon is posted to its window as
// its callback message: WParam the icon's ID, LParam the mouse message (WM_LBUTTONDOWN and
// WM_LBUTTONUP for a click; WM_RBUTTONDOWN, WM_RBUTTONUP and WM_CONTEXTMENU for a menu request;
// NIN_BALLOONUSERCLICK for a click on its latest balloon); GetMessagePos gives the point.
//
// Where icons appear is the tray host's business (the headless backend's inspectable tray, the
// desktop's notification area); without a host icons are kept but nobody shows them.

#include <memory>
#include <vector>

#include "os/OS.Types.h"
#include "rtl/RTL.Interfaces.h"

inline constexpr DWORD NIM_ADD = 0;
inline constexpr DWORD NIM_MODIFY = 1;
inline constexpr DWORD NIM_DELETE = 2;

inline constexpr UINT NIF_MESSAGE = 0x01;
inline constexpr UINT NIF_ICON = 0x02;
inline constexpr UINT NIF_TIP = 0x04;
inline constexpr UINT NIF_STATE = 0x08;
inline constexpr UINT NIF_INFO = 0x10;
inline constexpr UINT NIF_GUID = 0x20;

inline constexpr DWORD NIS_HIDDEN = 0x01;

// Balloon kinds.
inline constexpr DWORD NIIF_NONE = 0;
inline constexpr DWORD NIIF_INFO = 1;
inline constexpr DWORD NIIF_WARNING = 2;
inline constexpr DWORD NIIF_ERROR = 3;

inline constexpr UINT NIN_BALLOONUSERCLICK = 0x0405;

// Longest texts, in UTF-16 units: longer ones are cut.
inline constexpr size_t MaxTrayTip = 127;
inline constexpr size_t MaxBalloonTitle = 63;
inline constexpr size_t MaxBalloonText = 255;

struct NOTIFYICONDATA {
  HWND hWnd = nullptr;
  UINT uID = 0;
  UINT uFlags = 0;
  UINT uCallbackMessage = 0;
  HICON hIcon = nullptr;  // copied: the caller may destroy it afterwards
  String szTip;
  DWORD dwState = 0;
  DWORD dwStateMask = 0;
  String szInfo;
  String szInfoTitle;
  DWORD dwInfoFlags = 0;
  TGUID guidItem;  // with NIF_GUID the icon's identity instead of (hWnd, uID)
};

// NIM_ADD (FALSE when the icon exists), NIM_MODIFY and NIM_DELETE (FALSE when it does not).
// NIF_INFO shows a balloon from a visible icon. Any thread.
BOOL Shell_NotifyIcon(DWORD Message, const NOTIFYICONDATA* Data);

// ---- tray hosts ---------------------------------------------------------------------------------

// What a host is told of an icon.
struct TTrayIconState {
  UInt64 Key = 0;  // the icon's identity between the layer and its host
  String Id;       // stable text identity: the GUID's text, else the ID as a decimal number
  HWND Window = nullptr;
  UINT ID = 0;
  String Tip;
  std::vector<uint32_t> Pixels;  // premultiplied BGRA, top-down; empty without an icon
  int Width = 0;
  int Height = 0;
  bool Visible = true;
};

struct TTrayBalloon {
  UInt64 Key = 0;  // the icon
  String Title;
  String Text;
  DWORD Kind = NIIF_NONE;
};

// The host's calls come from whichever thread changed the icon, one at a time, in order; a host
// must not call Shell_NotifyIcon from them.
class TTrayHost {
 public:
  virtual ~TTrayHost() = default;
  // Added or changed (visibility included).
  virtual void IconChanged(const TTrayIconState& Icon) = 0;
  virtual void IconRemoved(UInt64 Key) = 0;
  virtual void ShowBalloon(const TTrayBalloon& Balloon) = 0;
};

// The layer owns the host; the icons there are announced to it. Null removes the host. Returns
// the previous host, which knows nothing more from then on (freeing it is the caller's).
std::unique_ptr<TTrayHost> InstallTrayHost(std::unique_ptr<TTrayHost> Host);

enum class TTrayEvent { Click, MenuRequest, BalloonClick };
// A host reports what the user did (any thread); false when the icon is gone.
bool TrayIconEvent(UInt64 Key, TTrayEvent Event, TPoint ScreenPoint);

namespace detail {
void TrayFinalization();
}  // namespace detail
