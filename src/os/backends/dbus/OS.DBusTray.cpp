#include "os/backends/dbus/OS.DBusTray.h"

#include <dbus/dbus.h>
#include <unistd.h>

#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "os/OS.Codecs.h"
#include "os/backends/dbus/OS.DBus.Connection.h"

namespace {

using dbusconn::AppendString;
using dbusconn::AppendVariant;
using dbusconn::Close;
using dbusconn::Connect;

constexpr const char* ItemPath = "/StatusNotifierItem";
constexpr const char* ItemInterface = "org.kde.StatusNotifierItem";
constexpr const char* WatcherName = "org.kde.StatusNotifierWatcher";
constexpr const char* WatcherPath = "/StatusNotifierWatcher";
constexpr const char* NotificationsName = "org.freedesktop.Notifications";
constexpr const char* NotificationsPath = "/org/freedesktop/Notifications";
constexpr int CallTimeoutMs = 2000;
constexpr int PollMs = 50;

// a(iiay): the icon's pixels as ARGB32 in network byte order, straight alpha.
void AppendPixmaps(DBusMessageIter* It, const TTrayIconState& S) {
  DBusMessageIter array;
  dbus_message_iter_open_container(It, DBUS_TYPE_ARRAY, "(iiay)", &array);
  if (!S.Pixels.empty()) {
    std::vector<uint32_t> pixels = S.Pixels;
    UnpremultiplyPixels(pixels.data(), pixels.size());
    std::vector<unsigned char> bytes;
    bytes.reserve(pixels.size() * 4);
    for (uint32_t p : pixels)
      for (int shift : {24, 16, 8, 0}) bytes.push_back(static_cast<unsigned char>(p >> shift));
    DBusMessageIter entry, data;
    dbus_message_iter_open_container(&array, DBUS_TYPE_STRUCT, nullptr, &entry);
    dbus_int32_t w = S.Width, h = S.Height;
    dbus_message_iter_append_basic(&entry, DBUS_TYPE_INT32, &w);
    dbus_message_iter_append_basic(&entry, DBUS_TYPE_INT32, &h);
    dbus_message_iter_open_container(&entry, DBUS_TYPE_ARRAY, "y", &data);
    const unsigned char* first = bytes.data();
    dbus_message_iter_append_fixed_array(&data, DBUS_TYPE_BYTE, &first, int(bytes.size()));
    dbus_message_iter_close_container(&entry, &data);
    dbus_message_iter_close_container(&array, &entry);
  }
  dbus_message_iter_close_container(It, &array);
}

const char* const PropertyNames[] = {"Category", "Id", "Title", "Status", "IconName", "IconPixmap", "ToolTip",
                                     "ItemIsMenu"};

// Appends the property's value as a variant; false for an unknown name.
bool AppendProperty(DBusMessageIter* It, const std::string& Name, const TTrayIconState& S) {
  const std::string tip = StringToUTF8(S.Tip);
  if (Name == "Category") {
    AppendVariant(It, DBUS_TYPE_STRING, "s", "ApplicationStatus");
  } else if (Name == "Id") {
    const std::string id = "zephse-" + StringToUTF8(S.Id);
    AppendVariant(It, DBUS_TYPE_STRING, "s", id.c_str());
  } else if (Name == "Title") {
    AppendVariant(It, DBUS_TYPE_STRING, "s", tip.c_str());
  } else if (Name == "Status") {
    AppendVariant(It, DBUS_TYPE_STRING, "s", S.Visible ? "Active" : "Passive");
  } else if (Name == "IconName") {
    AppendVariant(It, DBUS_TYPE_STRING, "s", "");
  } else if (Name == "ItemIsMenu") {
    AppendVariant(It, DBUS_TYPE_BOOLEAN, "b", dbus_bool_t(false));
  } else if (Name == "IconPixmap") {
    DBusMessageIter v;
    dbus_message_iter_open_container(It, DBUS_TYPE_VARIANT, "a(iiay)", &v);
    AppendPixmaps(&v, S);
    dbus_message_iter_close_container(It, &v);
  } else if (Name == "ToolTip") {
    // (icon name, icon pixmaps, title, description)
    DBusMessageIter v, tt;
    dbus_message_iter_open_container(It, DBUS_TYPE_VARIANT, "(sa(iiay)ss)", &v);
    dbus_message_iter_open_container(&v, DBUS_TYPE_STRUCT, nullptr, &tt);
    AppendString(&tt, "");
    TTrayIconState none;
    AppendPixmaps(&tt, none);
    AppendString(&tt, tip);
    AppendString(&tt, "");
    dbus_message_iter_close_container(&v, &tt);
    dbus_message_iter_close_container(It, &v);
  } else {
    return false;
  }
  return true;
}

// One icon: its own connection, bus name and dispatching thread, which does all its bus I/O.
class TItem {
 public:
  TItem(DBusConnection* Connection, const TTrayIconState& State) : FConnection(Connection), FState(State) {
    FThread = std::thread([this] { Run(); });
  }
  ~TItem() {
    Stop();
    if (FThread.joinable()) FThread.join();
  }
  void Stop() { FStop = true; }
  bool Finished() const { return FFinished; }

  void Update(const TTrayIconState& State) {
    std::lock_guard lock(FLock);
    if (State.Pixels != FState.Pixels || State.Width != FState.Width) FSignals.insert("NewIcon");
    if (State.Tip != FState.Tip) {
      FSignals.insert("NewToolTip");
      FSignals.insert("NewTitle");
    }
    if (State.Visible != FState.Visible) FSignals.insert("NewStatus");
    FState = State;
  }

  void Balloon(const TTrayBalloon& B) {
    std::lock_guard lock(FLock);
    FBalloons.push_back(B);
  }

 private:
  void Run() {
    static std::atomic<int> serial{0};
    const std::string name =
        "org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-" + std::to_string(++serial);
    DBusObjectPathVTable vtable{};
    vtable.message_function = [](DBusConnection*, DBusMessage* M, void* Self) {
      return static_cast<TItem*>(Self)->HandleCall(M);
    };
    DBusError error;
    dbus_error_init(&error);
    dbus_bus_request_name(FConnection, name.c_str(), DBUS_NAME_FLAG_DO_NOT_QUEUE, &error);
    dbus_error_free(&error);
    dbus_connection_try_register_object_path(FConnection, ItemPath, &vtable, this, nullptr);
    dbus_connection_add_filter(FConnection, FilterThunk, this, nullptr);
    dbus_bus_add_match(FConnection, "type='signal',interface='org.freedesktop.Notifications'", &error);
    dbus_error_free(&error);

    // Without a watcher the call fails: the icon is then nowhere and its balloons are dropped.
    DBusMessage* call =
        dbus_message_new_method_call(WatcherName, WatcherPath, WatcherName, "RegisterStatusNotifierItem");
    const char* service = name.c_str();
    dbus_message_append_args(call, DBUS_TYPE_STRING, &service, DBUS_TYPE_INVALID);
    DBusMessage* reply = dbus_connection_send_with_reply_and_block(FConnection, call, CallTimeoutMs, &error);
    FRegistered = reply != nullptr;
    if (reply) dbus_message_unref(reply);
    dbus_message_unref(call);
    dbus_error_free(&error);

    while (!FStop && dbus_connection_get_is_connected(FConnection)) {
      SendPending();
      dbus_connection_read_write_dispatch(FConnection, PollMs);
    }
    dbus_connection_remove_filter(FConnection, FilterThunk, this);
    Close(FConnection);  // the watcher sees the name go: the icon leaves the notification area
    FFinished = true;
  }

  void SendPending() {
    std::set<std::string> signals;
    std::deque<TTrayBalloon> balloons;
    {
      std::lock_guard lock(FLock);
      signals.swap(FSignals);
      balloons.swap(FBalloons);
    }
    // Balloons before signals: whoever sees a signal knows that earlier balloons were dealt with.
    if (FRegistered)
      for (const TTrayBalloon& b : balloons) Notify(b);
    for (const std::string& member : signals) {
      DBusMessage* signal = dbus_message_new_signal(ItemPath, ItemInterface, member.c_str());
      if (member == "NewStatus") {
        std::lock_guard lock(FLock);
        const char* status = FState.Visible ? "Active" : "Passive";
        dbus_message_append_args(signal, DBUS_TYPE_STRING, &status, DBUS_TYPE_INVALID);
      }
      dbus_connection_send(FConnection, signal, nullptr);
      dbus_message_unref(signal);
    }
    dbus_connection_flush(FConnection);
  }

  void Notify(const TTrayBalloon& B) {
    DBusMessage* call = dbus_message_new_method_call(NotificationsName, NotificationsPath, NotificationsName, "Notify");
    DBusMessageIter it, actions, hints;
    dbus_message_iter_init_append(call, &it);
    AppendString(&it, "zephse");
    dbus_uint32_t replaces = 0;
    dbus_message_iter_append_basic(&it, DBUS_TYPE_UINT32, &replaces);
    AppendString(&it, B.Kind == NIIF_ERROR     ? "dialog-error"
                      : B.Kind == NIIF_WARNING ? "dialog-warning"
                      : B.Kind == NIIF_INFO    ? "dialog-information"
                                               : "");
    AppendString(&it, StringToUTF8(B.Title));
    AppendString(&it, StringToUTF8(B.Text));
    dbus_message_iter_open_container(&it, DBUS_TYPE_ARRAY, "s", &actions);
    AppendString(&actions, "default");
    AppendString(&actions, "");
    dbus_message_iter_close_container(&it, &actions);
    dbus_message_iter_open_container(&it, DBUS_TYPE_ARRAY, "{sv}", &hints);
    dbus_message_iter_close_container(&it, &hints);
    dbus_int32_t expire = -1;
    dbus_message_iter_append_basic(&it, DBUS_TYPE_INT32, &expire);
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* reply = dbus_connection_send_with_reply_and_block(FConnection, call, CallTimeoutMs, &error);
    dbus_uint32_t id = 0;
    if (reply && dbus_message_get_args(reply, &error, DBUS_TYPE_UINT32, &id, DBUS_TYPE_INVALID)) FNotifications.insert(id);
    if (reply) dbus_message_unref(reply);
    dbus_message_unref(call);
    dbus_error_free(&error);
  }

  static DBusHandlerResult FilterThunk(DBusConnection*, DBusMessage* M, void* Self) {
    return static_cast<TItem*>(Self)->Filter(M);
  }

  DBusHandlerResult Filter(DBusMessage* M) {
    if (!dbus_message_is_signal(M, NotificationsName, "ActionInvoked") &&
        !dbus_message_is_signal(M, NotificationsName, "NotificationClosed"))
      return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
    dbus_uint32_t id = 0;
    const char* action = "";
    DBusMessageIter it;
    if (dbus_message_iter_init(M, &it) && dbus_message_iter_get_arg_type(&it) == DBUS_TYPE_UINT32) {
      dbus_message_iter_get_basic(&it, &id);
      if (dbus_message_iter_next(&it) && dbus_message_iter_get_arg_type(&it) == DBUS_TYPE_STRING)
        dbus_message_iter_get_basic(&it, &action);
    }
    if (!FNotifications.count(id)) return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;  // another program's
    if (dbus_message_is_signal(M, NotificationsName, "NotificationClosed")) {
      FNotifications.erase(id);
    } else if (std::string(action) == "default") {
      TrayIconEvent(Key(), TTrayEvent::BalloonClick, TPoint());
    }
    return DBUS_HANDLER_RESULT_HANDLED;
  }

  UInt64 Key() {
    std::lock_guard lock(FLock);
    return FState.Key;
  }

  DBusHandlerResult HandleCall(DBusMessage* M) {
    if (dbus_message_get_type(M) != DBUS_MESSAGE_TYPE_METHOD_CALL) return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
    const std::string interface = dbus_message_get_interface(M) ? dbus_message_get_interface(M) : "";
    const std::string member = dbus_message_get_member(M) ? dbus_message_get_member(M) : "";
    DBusMessage* reply = nullptr;
    if (interface == DBUS_INTERFACE_PROPERTIES && (member == "Get" || member == "GetAll")) {
      const char* iface = "";
      const char* property = "";
      const bool all = member == "GetAll";
      DBusError error;
      dbus_error_init(&error);
      const bool ok = all ? dbus_message_get_args(M, &error, DBUS_TYPE_STRING, &iface, DBUS_TYPE_INVALID)
                          : dbus_message_get_args(M, &error, DBUS_TYPE_STRING, &iface, DBUS_TYPE_STRING, &property,
                                                  DBUS_TYPE_INVALID);
      dbus_error_free(&error);
      TTrayIconState state;
      {
        std::lock_guard lock(FLock);
        state = FState;
      }
      reply = dbus_message_new_method_return(M);
      DBusMessageIter it;
      dbus_message_iter_init_append(reply, &it);
      if (ok && all) {
        DBusMessageIter dict;
        dbus_message_iter_open_container(&it, DBUS_TYPE_ARRAY, "{sv}", &dict);
        if (std::string(iface) == ItemInterface)
          for (const char* name : PropertyNames) {
            DBusMessageIter entry;
            dbus_message_iter_open_container(&dict, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
            AppendString(&entry, name);
            AppendProperty(&entry, name, state);
            dbus_message_iter_close_container(&dict, &entry);
          }
        dbus_message_iter_close_container(&it, &dict);
      } else if (!ok || std::string(iface) != ItemInterface || !AppendProperty(&it, property, state)) {
        dbus_message_unref(reply);
        reply = dbus_message_new_error(M, DBUS_ERROR_UNKNOWN_PROPERTY, "No such property");
      }
    } else if (interface == ItemInterface && (member == "Activate" || member == "ContextMenu")) {
      dbus_int32_t x = 0, y = 0;
      DBusError error;
      dbus_error_init(&error);
      dbus_message_get_args(M, &error, DBUS_TYPE_INT32, &x, DBUS_TYPE_INT32, &y, DBUS_TYPE_INVALID);
      dbus_error_free(&error);
      TrayIconEvent(Key(), member == "Activate" ? TTrayEvent::Click : TTrayEvent::MenuRequest, TPoint(x, y));
      reply = dbus_message_new_method_return(M);
    } else if (interface == ItemInterface && (member == "SecondaryActivate" || member == "Scroll")) {
      reply = dbus_message_new_method_return(M);  // nothing of ours answers these
    } else {
      return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
    }
    dbus_connection_send(FConnection, reply, nullptr);
    dbus_message_unref(reply);
    return DBUS_HANDLER_RESULT_HANDLED;
  }

  DBusConnection* FConnection;
  std::thread FThread;
  std::atomic<bool> FStop{false};
  std::atomic<bool> FFinished{false};
  bool FRegistered = false;                // the item thread's
  std::set<dbus_uint32_t> FNotifications;  // the item thread's: balloons shown and not closed
  std::mutex FLock;                        // guards what follows
  TTrayIconState FState;
  std::set<std::string> FSignals;
  std::deque<TTrayBalloon> FBalloons;
};

class TDBusTray : public TTrayHost {
 public:
  explicit TDBusTray(std::string Address) : FAddress(std::move(Address)) {}
  ~TDBusTray() override {
    for (auto& [key, item] : FItems) item->Stop();
    for (auto& item : FRetired) item->Stop();
    FItems.clear();  // joins
    FRetired.clear();
  }

  void IconChanged(const TTrayIconState& Icon) override {
    Reap();
    auto it = FItems.find(Icon.Key);
    if (it != FItems.end()) {
      it->second->Update(Icon);
      return;
    }
    if (DBusConnection* c = Connect(FAddress)) FItems.emplace(Icon.Key, std::make_unique<TItem>(c, Icon));
  }

  void IconRemoved(UInt64 Key) override {
    Reap();
    auto it = FItems.find(Key);
    if (it == FItems.end()) return;
    // Not joined here: its thread may be waiting to report an event to the tray, whose lock
    // this call holds.
    it->second->Stop();
    FRetired.push_back(std::move(it->second));
    FItems.erase(it);
  }

  void ShowBalloon(const TTrayBalloon& Balloon) override {
    auto it = FItems.find(Balloon.Key);
    if (it != FItems.end()) it->second->Balloon(Balloon);
  }

 private:
  void Reap() {
    std::erase_if(FRetired, [](const std::unique_ptr<TItem>& I) { return I->Finished(); });
  }

  std::string FAddress;
  std::map<UInt64, std::unique_ptr<TItem>> FItems;
  std::vector<std::unique_ptr<TItem>> FRetired;
};

}  // namespace

std::unique_ptr<TTrayHost> CreateDBusTrayHost(const std::string& Address) {
  dbus_threads_init_default();
  DBusConnection* probe = Connect(Address);
  if (!probe) return nullptr;
  Close(probe);
  return std::make_unique<TDBusTray>(Address);
}
