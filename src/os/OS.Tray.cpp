#include "os/OS.Tray.h"

#include <algorithm>
#include <mutex>

#include "os/OS.Icons.h"
#include "os/OS.Messages.h"
#include "os/OS.Windows.Internal.h"
#include "rtl/RTL.Format.h"
#include "rtl/RTL.Numbers.h"

namespace {

struct TTrayIcon {
  TTrayIconState State;
  bool HasGuid = false;
  TGUID Guid;
  UINT CallbackMessage = 0;
};

struct TTray {
  std::recursive_mutex Lock;  // host calls are made under it, in order
  std::vector<TTrayIcon> Icons;
  std::unique_ptr<TTrayHost> Host;
  UInt64 NextKey = 1;
};

TTray& Tray() {
  static auto* tray = new TTray;  // shared with host threads that may outlive static destruction
  return *tray;
}

String Cut(const String& Text, size_t Max) { return Text.size() > Max ? Text.substr(0, Max) : Text; }

String GuidText(const TGUID& G) {
  return Format(u"{%.8X-%.4X-%.4X-%.2X%.2X-%.2X%.2X%.2X%.2X%.2X%.2X}",
                {Integer(G.D1), Integer(G.D2), Integer(G.D3), Integer(G.D4[0]), Integer(G.D4[1]), Integer(G.D4[2]),
                 Integer(G.D4[3]), Integer(G.D4[4]), Integer(G.D4[5]), Integer(G.D4[6]), Integer(G.D4[7])});
}

bool SameGuid(const TGUID& A, const TGUID& B) {
  return A.D1 == B.D1 && A.D2 == B.D2 && A.D3 == B.D3 && std::equal(A.D4, A.D4 + 8, B.D4);
}

TTrayIcon* Find(TTray& T, const NOTIFYICONDATA& D) {
  for (TTrayIcon& icon : T.Icons) {
    if (D.uFlags & NIF_GUID) {
      if (icon.HasGuid && SameGuid(icon.Guid, D.guidItem)) return &icon;
    } else if (!icon.HasGuid && icon.State.Window == D.hWnd && icon.State.ID == D.uID) {
      return &icon;
    }
  }
  return nullptr;
}

void Apply(TTrayIcon& Icon, const NOTIFYICONDATA& D) {
  Icon.State.Window = D.hWnd;
  Icon.State.ID = D.uID;
  if (D.uFlags & NIF_MESSAGE) Icon.CallbackMessage = D.uCallbackMessage;
  if (D.uFlags & NIF_TIP) Icon.State.Tip = Cut(D.szTip, MaxTrayTip);
  if (D.uFlags & NIF_ICON) {
    Icon.State.Pixels.clear();
    Icon.State.Width = Icon.State.Height = 0;
    if (!GetIconPixels(D.hIcon, Icon.State.Pixels, Icon.State.Width, Icon.State.Height)) Icon.State.Pixels.clear();
  }
  if ((D.uFlags & NIF_STATE) && (D.dwStateMask & NIS_HIDDEN)) Icon.State.Visible = (D.dwState & NIS_HIDDEN) == 0;
}

}  // namespace

BOOL Shell_NotifyIcon(DWORD Message, const NOTIFYICONDATA* Data) {
  if (!Data) return 0;
  TTray& t = Tray();
  std::lock_guard lock(t.Lock);
  TTrayIcon* icon = Find(t, *Data);
  switch (Message) {
    case NIM_ADD: {
      if (icon || (!(Data->uFlags & NIF_GUID) && !IsWindow(Data->hWnd))) return 0;
      TTrayIcon added;
      added.State.Key = t.NextKey++;
      added.HasGuid = (Data->uFlags & NIF_GUID) != 0;
      added.Guid = Data->guidItem;
      added.State.Id = added.HasGuid ? GuidText(Data->guidItem) : IntToStr(long(Data->uID));
      Apply(added, *Data);
      t.Icons.push_back(std::move(added));
      icon = &t.Icons.back();
      break;
    }
    case NIM_MODIFY:
      if (!icon) return 0;
      Apply(*icon, *Data);
      break;
    case NIM_DELETE: {
      if (!icon) return 0;
      const UInt64 key = icon->State.Key;
      t.Icons.erase(t.Icons.begin() + (icon - t.Icons.data()));
      if (t.Host) t.Host->IconRemoved(key);
      return 1;
    }
    default:
      return 0;
  }
  if (t.Host) {
    t.Host->IconChanged(icon->State);
    if ((Data->uFlags & NIF_INFO) && icon->State.Visible)
      t.Host->ShowBalloon(TTrayBalloon{icon->State.Key, Cut(Data->szInfoTitle, MaxBalloonTitle),
                                       Cut(Data->szInfo, MaxBalloonText), Data->dwInfoFlags});
  }
  return 1;
}

std::unique_ptr<TTrayHost> InstallTrayHost(std::unique_ptr<TTrayHost> Host) {
  TTray& t = Tray();
  std::unique_ptr<TTrayHost> old;
  std::lock_guard lock(t.Lock);
  old = std::move(t.Host);
  t.Host = std::move(Host);
  if (t.Host)
    for (const TTrayIcon& icon : t.Icons) t.Host->IconChanged(icon.State);
  // Returned, so freed outside the lock: a host may wait for its own thread, which may be
  // reporting an event.
  return old;
}

bool TrayIconEvent(UInt64 Key, TTrayEvent Event, TPoint ScreenPoint) {
  TTray& t = Tray();
  HWND window = nullptr;
  UINT id = 0, message = 0;
  {
    std::lock_guard lock(t.Lock);
    for (const TTrayIcon& icon : t.Icons)
      if (icon.State.Key == Key) {
        window = icon.State.Window;
        id = icon.State.ID;
        message = icon.CallbackMessage;
      }
  }
  if (!window || !IsWindow(window)) return false;
  if (!message) return true;  // the icon asked for no messages
  auto post = [&](UINT Mouse) { detail::PostInternalAt(window, message, WPARAM(id), LPARAM(Mouse), ScreenPoint); };
  switch (Event) {
    case TTrayEvent::Click:
      post(WM_LBUTTONDOWN);
      post(WM_LBUTTONUP);
      break;
    case TTrayEvent::MenuRequest:
      post(WM_RBUTTONDOWN);
      post(WM_RBUTTONUP);
      post(WM_CONTEXTMENU);
      break;
    case TTrayEvent::BalloonClick:
      post(NIN_BALLOONUSERCLICK);
      break;
  }
  return true;
}

namespace detail {
void TrayFinalization() {
  InstallTrayHost(nullptr).reset();
  TTray& t = Tray();
  std::lock_guard lock(t.Lock);
  t.Icons.clear();
}
}  // namespace detail
