// The D-Bus tray host against a private bus with a small watcher and notification server.

#include "os/backends/dbus/OS.DBusTray.h"

#include <dbus/dbus.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdarg>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "os/OS.Icons.h"
#include "os/backends/headless/OS.Headless.h"
#include "PrivateBus.h"
#include "support/HeadlessFixture.h"

namespace {

constexpr UINT WM_TRAY = 0x800;
constexpr int GuardMs = 10000;  // only a guard against a hang: every wait ends on an event

// The desktop's side: a watcher and a notification server on their own thread.
class TDesktop {
 public:
  struct TNote {
    std::string Icon, Summary, Body;
    std::vector<std::string> Actions;
  };

  TDesktop(const std::string& Address, bool Watcher) : FConnection(Open(Address)) {
    if (!FConnection) return;
    DBusError error;
    dbus_error_init(&error);
    if (Watcher)
      dbus_bus_request_name(FConnection, "org.kde.StatusNotifierWatcher", DBUS_NAME_FLAG_DO_NOT_QUEUE, &error);
    dbus_bus_request_name(FConnection, "org.freedesktop.Notifications", DBUS_NAME_FLAG_DO_NOT_QUEUE, &error);
    dbus_error_free(&error);
    dbus_connection_add_filter(FConnection, Filter, this, nullptr);
    FThread = std::thread([this] {
      while (!FStop) dbus_connection_read_write_dispatch(FConnection, 20);
    });
  }
  ~TDesktop() {
    FStop = true;
    if (FThread.joinable()) FThread.join();
    if (FConnection) {
      dbus_connection_remove_filter(FConnection, Filter, this);
      CloseConnection(FConnection);
    }
  }
  bool Ok() const { return FConnection != nullptr; }
  size_t NoteCount() {
    std::lock_guard lock(FLock);
    return Notes.size();
  }

  // Waits until Ready holds (under the lock); false when the guard ran out.
  template <class F>
  bool WaitFor(F Ready) {
    std::unique_lock lock(FLock);
    return FChanged.wait_for(lock, std::chrono::milliseconds(GuardMs), [&] { return Ready(); });
  }
  std::vector<std::string> Items;  // registered services
  std::vector<TNote> Notes;

 private:
  static DBusHandlerResult Filter(DBusConnection* C, DBusMessage* M, void* Self) {
    auto* self = static_cast<TDesktop*>(Self);
    if (dbus_message_is_method_call(M, "org.kde.StatusNotifierWatcher", "RegisterStatusNotifierItem")) {
      const char* service = "";
      dbus_message_get_args(M, nullptr, DBUS_TYPE_STRING, &service, DBUS_TYPE_INVALID);
      self->Reply(C, M, nullptr);
      std::lock_guard lock(self->FLock);
      self->Items.push_back(service);
      self->FChanged.notify_all();
      return DBUS_HANDLER_RESULT_HANDLED;
    }
    if (dbus_message_is_method_call(M, "org.freedesktop.Notifications", "Notify")) {
      TNote note;
      DBusMessageIter it;
      dbus_message_iter_init(M, &it);
      std::vector<std::string> strings;
      do {
        const int type = dbus_message_iter_get_arg_type(&it);
        if (type == DBUS_TYPE_STRING) {
          const char* s;
          dbus_message_iter_get_basic(&it, &s);
          strings.push_back(s);
        } else if (type == DBUS_TYPE_ARRAY && dbus_message_iter_get_element_type(&it) == DBUS_TYPE_STRING) {
          DBusMessageIter a;
          dbus_message_iter_recurse(&it, &a);
          while (dbus_message_iter_get_arg_type(&a) == DBUS_TYPE_STRING) {
            const char* s;
            dbus_message_iter_get_basic(&a, &s);
            note.Actions.push_back(s);
            dbus_message_iter_next(&a);
          }
        }
      } while (dbus_message_iter_next(&it));
      if (strings.size() == 4) {
        note.Icon = strings[1];
        note.Summary = strings[2];
        note.Body = strings[3];
      }
      dbus_uint32_t id = 42;
      self->Reply(C, M, &id);  // the answer first, so that the sender knows the id before any action
      std::lock_guard lock(self->FLock);
      self->Notes.push_back(note);
      self->FChanged.notify_all();
      return DBUS_HANDLER_RESULT_HANDLED;
    }
    return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
  }

  void Reply(DBusConnection* C, DBusMessage* M, const dbus_uint32_t* Id) {
    DBusMessage* reply = dbus_message_new_method_return(M);
    if (Id) dbus_message_append_args(reply, DBUS_TYPE_UINT32, Id, DBUS_TYPE_INVALID);
    dbus_connection_send(C, reply, nullptr);
    dbus_connection_flush(C);
    dbus_message_unref(reply);
  }

  DBusConnection* FConnection;
  std::thread FThread;
  std::atomic<bool> FStop{false};
  std::mutex FLock;
  std::condition_variable FChanged;
};

// A client of the item: blocking calls and waits for signals on its own connection.
class TClient {
 public:
  explicit TClient(const std::string& Address) : FConnection(Open(Address)) {
    if (!FConnection) return;
    DBusError error;  // with an error the matches are in place when the calls return
    dbus_error_init(&error);
    dbus_bus_add_match(FConnection, "type='signal',interface='org.kde.StatusNotifierItem'", &error);
    dbus_error_free(&error);
    dbus_bus_add_match(FConnection, "type='signal',member='NameOwnerChanged'", &error);
    dbus_error_free(&error);
  }
  ~TClient() {
    if (FConnection) CloseConnection(FConnection);
  }

  // The reply to Member(Args) of the item, or null.
  DBusMessage* Call(const std::string& Service, const char* Interface, const char* Member, int FirstType, ...) {
    DBusMessage* call = dbus_message_new_method_call(Service.c_str(), "/StatusNotifierItem", Interface, Member);
    va_list args;
    va_start(args, FirstType);
    dbus_message_append_args_valist(call, FirstType, args);
    va_end(args);
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* reply = dbus_connection_send_with_reply_and_block(FConnection, call, GuardMs, &error);
    dbus_error_free(&error);
    dbus_message_unref(call);
    return reply;
  }

  // The property's variant, read by Reader; false when the call failed.
  template <class F>
  bool Get(const std::string& Service, const char* Name, F Reader) {
    const char* iface = "org.kde.StatusNotifierItem";
    DBusMessage* reply =
        Call(Service, "org.freedesktop.DBus.Properties", "Get", DBUS_TYPE_STRING, &iface, DBUS_TYPE_STRING, &Name,
             DBUS_TYPE_INVALID);
    if (!reply) return false;
    DBusMessageIter it, v;
    const bool ok = dbus_message_iter_init(reply, &it) && dbus_message_iter_get_arg_type(&it) == DBUS_TYPE_VARIANT;
    if (ok) {
      dbus_message_iter_recurse(&it, &v);
      Reader(&v);
    }
    dbus_message_unref(reply);
    return ok;
  }

  std::string GetString(const std::string& Service, const char* Name) {
    std::string value = "<none>";
    Get(Service, Name, [&](DBusMessageIter* V) {
      const char* s;
      dbus_message_iter_get_basic(V, &s);
      value = s;
    });
    return value;
  }

  // Waits for a signal that Match accepts.
  template <class F>
  bool WaitSignal(F Match) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(GuardMs);
    while (std::chrono::steady_clock::now() < end) {
      dbus_connection_read_write(FConnection, 50);
      while (DBusMessage* m = dbus_connection_pop_message(FConnection)) {
        const bool hit = dbus_message_get_type(m) == DBUS_MESSAGE_TYPE_SIGNAL && Match(m);
        dbus_message_unref(m);
        if (hit) return true;
      }
    }
    return false;
  }

  void EmitActionInvoked(dbus_uint32_t Id, const char* Action) {
    DBusMessage* signal =
        dbus_message_new_signal("/org/freedesktop/Notifications", "org.freedesktop.Notifications", "ActionInvoked");
    dbus_message_append_args(signal, DBUS_TYPE_UINT32, &Id, DBUS_TYPE_STRING, &Action, DBUS_TYPE_INVALID);
    dbus_connection_send(FConnection, signal, nullptr);
    dbus_connection_flush(FConnection);
    dbus_message_unref(signal);
  }

  bool Ok() const { return FConnection != nullptr; }

 private:
  DBusConnection* FConnection;
};

class DBusTrayTest : public THeadlessTest {
 protected:
  void SetUp() override {
    THeadlessTest::SetUp();
    FBus = std::make_unique<TPrivateBus>();
    if (FBus->Address().empty()) GTEST_SKIP() << "dbus-daemon could not start";
  }
  void TearDown() override {
    NOTIFYICONDATA d;
    d.hWnd = FWindow;
    d.uID = 5;
    Shell_NotifyIcon(NIM_DELETE, &d);
    if (FHeadless) InstallTrayHost(std::move(FHeadless)).reset();  // the D-Bus host goes first
    FBus.reset();
    THeadlessTest::TearDown();
  }

  void UseBus() {
    auto host = CreateDBusTrayHost(FBus->Address());
    ASSERT_NE(host, nullptr);
    FHeadless = InstallTrayHost(std::move(host));
  }

  NOTIFYICONDATA Data(UINT Flags) {
    NOTIFYICONDATA d;
    d.hWnd = FWindow;
    d.uID = 5;
    d.uFlags = Flags;
    d.uCallbackMessage = WM_TRAY;
    return d;
  }

  // Waits for the window's callback messages until Count arrived.
  std::vector<std::pair<LPARAM, TPoint>> Events(HWND Window, size_t Count) {
    std::vector<std::pair<LPARAM, TPoint>> events;
    Handlers[Window] = [&events](HWND, UINT Msg, WPARAM, LPARAM L) -> std::optional<LRESULT> {
      if (Msg == WM_TRAY) {
        const DWORD pos = GetMessagePos();
        events.emplace_back(L, TPoint(GET_X_LPARAM(LPARAM(pos)), GET_Y_LPARAM(LPARAM(pos))));
      }
      return std::nullopt;
    };
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(GuardMs);
    while (events.size() < Count && std::chrono::steady_clock::now() < end) {
      MsgWaitForReady(nullptr, 100, QS_ALLINPUT);
      Headless::RunUntilIdle();
    }
    Handlers.erase(Window);
    return events;
  }

  std::unique_ptr<TPrivateBus> FBus;
  std::unique_ptr<TTrayHost> FHeadless;
  HWND FWindow = nullptr;
};

TEST_F(DBusTrayTest, TheItemRegistersShowsItselfAndReportsTheUser) {
  TDesktop desktop(FBus->Address(), true);
  TClient client(FBus->Address());
  ASSERT_TRUE(desktop.Ok() && client.Ok());
  UseBus();
  FWindow = Create(Bounds(0, 0, 10, 10), WS_POPUP);
  const uint32_t pixels[2] = {0xFF102030u, 0x80400000u};
  HICON icon = CreateIconFromPixels(pixels, 2, 1);
  NOTIFYICONDATA d = Data(NIF_MESSAGE | NIF_TIP | NIF_ICON);
  d.hIcon = icon;
  d.szTip = u"Hello";
  ASSERT_TRUE(Shell_NotifyIcon(NIM_ADD, &d));
  DestroyIcon(icon);
  ASSERT_TRUE(desktop.WaitFor([&] { return !desktop.Items.empty(); }));
  const std::string service = desktop.Items[0];
  EXPECT_EQ(service.rfind("org.kde.StatusNotifierItem-", 0), 0u) << service;

  EXPECT_EQ(client.GetString(service, "Status"), "Active");
  EXPECT_EQ(client.GetString(service, "Category"), "ApplicationStatus");
  EXPECT_EQ(client.GetString(service, "Title"), "Hello");
  std::string tipTitle;
  client.Get(service, "ToolTip", [&](DBusMessageIter* V) {
    DBusMessageIter s;
    dbus_message_iter_recurse(V, &s);
    dbus_message_iter_next(&s);
    dbus_message_iter_next(&s);
    const char* t;
    dbus_message_iter_get_basic(&s, &t);
    tipTitle = t;
  });
  EXPECT_EQ(tipTitle, "Hello");
  std::vector<unsigned char> bytes;
  int width = 0, height = 0;
  client.Get(service, "IconPixmap", [&](DBusMessageIter* V) {
    DBusMessageIter a, s, y;
    dbus_message_iter_recurse(V, &a);
    dbus_message_iter_recurse(&a, &s);
    dbus_message_iter_get_basic(&s, &width);
    dbus_message_iter_next(&s);
    dbus_message_iter_get_basic(&s, &height);
    dbus_message_iter_next(&s);
    dbus_message_iter_recurse(&s, &y);
    const unsigned char* data;
    int n = 0;
    dbus_message_iter_get_fixed_array(&y, &data, &n);
    bytes.assign(data, data + n);
  });
  EXPECT_EQ(width, 2);
  EXPECT_EQ(height, 1);
  // ARGB in network order, straight alpha.
  EXPECT_EQ(bytes, (std::vector<unsigned char>{0xFF, 0x10, 0x20, 0x30, 0x80, 0x80, 0x00, 0x00}));

  // Activate is the click, ContextMenu the menu request, each at its point.
  dbus_int32_t x = 10, y = 20;
  DBusMessage* reply =
      client.Call(service, "org.kde.StatusNotifierItem", "Activate", DBUS_TYPE_INT32, &x, DBUS_TYPE_INT32, &y,
                  DBUS_TYPE_INVALID);
  ASSERT_NE(reply, nullptr);
  dbus_message_unref(reply);
  using E = std::pair<LPARAM, TPoint>;
  EXPECT_EQ(Events(FWindow, 2), (std::vector<E>{{WM_LBUTTONDOWN, TPoint(10, 20)}, {WM_LBUTTONUP, TPoint(10, 20)}}));
  x = 30;
  y = 40;
  reply = client.Call(service, "org.kde.StatusNotifierItem", "ContextMenu", DBUS_TYPE_INT32, &x, DBUS_TYPE_INT32, &y,
                      DBUS_TYPE_INVALID);
  ASSERT_NE(reply, nullptr);
  dbus_message_unref(reply);
  const auto menu = Events(FWindow, 3);
  ASSERT_EQ(menu.size(), 3u);
  EXPECT_EQ(menu[2], E(WM_CONTEXTMENU, TPoint(30, 40)));

  // A balloon is a notification whose default action is the balloon click.
  NOTIFYICONDATA balloon = Data(NIF_INFO);
  balloon.szInfoTitle = u"Title";
  balloon.szInfo = u"Body";
  balloon.dwInfoFlags = NIIF_WARNING;
  ASSERT_TRUE(Shell_NotifyIcon(NIM_MODIFY, &balloon));
  ASSERT_TRUE(desktop.WaitFor([&] { return !desktop.Notes.empty(); }));
  EXPECT_EQ(desktop.Notes[0].Icon, "dialog-warning");
  EXPECT_EQ(desktop.Notes[0].Summary, "Title");
  EXPECT_EQ(desktop.Notes[0].Body, "Body");
  EXPECT_EQ(desktop.Notes[0].Actions, (std::vector<std::string>{"default", ""}));
  client.EmitActionInvoked(41, "default");  // another program's notification: not ours
  client.EmitActionInvoked(42, "default");
  const auto clicked = Events(FWindow, 1);
  ASSERT_EQ(clicked.size(), 1u);
  EXPECT_EQ(clicked[0].first, LPARAM(NIN_BALLOONUSERCLICK));

  // Status follows visibility; removing the icon takes the item off the bus.
  NOTIFYICONDATA hide = Data(NIF_STATE);
  hide.dwState = hide.dwStateMask = NIS_HIDDEN;
  ASSERT_TRUE(Shell_NotifyIcon(NIM_MODIFY, &hide));
  EXPECT_TRUE(client.WaitSignal([](DBusMessage* M) { return dbus_message_is_signal(M, "org.kde.StatusNotifierItem", "NewStatus"); }));
  EXPECT_EQ(client.GetString(service, "Status"), "Passive");
  NOTIFYICONDATA remove = Data(0);
  ASSERT_TRUE(Shell_NotifyIcon(NIM_DELETE, &remove));
  EXPECT_TRUE(client.WaitSignal([&](DBusMessage* M) {
    const char *name = "", *from = "", *to = "";
    return dbus_message_is_signal(M, DBUS_INTERFACE_DBUS, "NameOwnerChanged") &&
           dbus_message_get_args(M, nullptr, DBUS_TYPE_STRING, &name, DBUS_TYPE_STRING, &from, DBUS_TYPE_STRING, &to,
                                 DBUS_TYPE_INVALID) &&
           service == name && !*to;
  }));
}

TEST_F(DBusTrayTest, WithoutAWatcherNothingFailsAndNoBalloonShows) {
  EXPECT_EQ(CreateDBusTrayHost("unix:path=/nonexistent/zephse-bus"), nullptr);  // no bus: no host
  TDesktop desktop(FBus->Address(), false);  // notifications, but no watcher
  TClient client(FBus->Address());
  ASSERT_TRUE(desktop.Ok() && client.Ok());
  UseBus();
  FWindow = Create(Bounds(0, 0, 10, 10), WS_POPUP);
  NOTIFYICONDATA d = Data(NIF_MESSAGE | NIF_TIP);
  d.szTip = u"a";
  ASSERT_TRUE(Shell_NotifyIcon(NIM_ADD, &d));
  NOTIFYICONDATA balloon = Data(NIF_INFO);
  balloon.szInfo = u"never shown";
  ASSERT_TRUE(Shell_NotifyIcon(NIM_MODIFY, &balloon));
  // The item handles balloons before announcing changes: once the new tooltip is announced, the
  // balloon has been dealt with.
  NOTIFYICONDATA tip = Data(NIF_TIP);
  tip.szTip = u"b";
  ASSERT_TRUE(Shell_NotifyIcon(NIM_MODIFY, &tip));
  EXPECT_TRUE(client.WaitSignal([](DBusMessage* M) { return dbus_message_is_signal(M, "org.kde.StatusNotifierItem", "NewToolTip"); }));
  EXPECT_EQ(desktop.NoteCount(), 0u);
}

}  // namespace
