#include "os/backends/dbus/OS.DBus.Connection.h"

namespace dbusconn {

DBusConnection* Connect(const std::string& Address) {
  DBusError error;
  dbus_error_init(&error);
  DBusConnection* c = Address.empty() ? dbus_bus_get_private(DBUS_BUS_SESSION, &error)
                                      : dbus_connection_open_private(Address.c_str(), &error);
  if (c && !Address.empty() && !dbus_bus_register(c, &error)) {
    dbus_connection_close(c);
    dbus_connection_unref(c);
    c = nullptr;
  }
  dbus_error_free(&error);
  if (c) dbus_connection_set_exit_on_disconnect(c, false);
  return c;
}

void Close(DBusConnection* C) {
  dbus_connection_close(C);
  dbus_connection_unref(C);
}

void AppendString(DBusMessageIter* It, const std::string& S) {
  const char* p = S.c_str();
  dbus_message_iter_append_basic(It, DBUS_TYPE_STRING, &p);
}

}  // namespace dbusconn
