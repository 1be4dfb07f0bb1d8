#pragma once
// What the D-Bus hosts share: a private connection to a bus and the encoding of basic values.
// Only the hosts of this directory include it.

#include <dbus/dbus.h>

#include <string>

namespace dbusconn {

// A private connection to the bus at Address (empty: the session bus of the environment),
// registered with the bus; null when it cannot be reached. Close it with Close.
DBusConnection* Connect(const std::string& Address);
void Close(DBusConnection* C);

void AppendString(DBusMessageIter* It, const std::string& S);

// Appends a value of the given basic type inside a variant.
template <class T>
void AppendVariant(DBusMessageIter* It, int Type, const char* Signature, T Value) {
  DBusMessageIter v;
  dbus_message_iter_open_container(It, DBUS_TYPE_VARIANT, Signature, &v);
  dbus_message_iter_append_basic(&v, Type, &Value);
  dbus_message_iter_close_container(It, &v);
}

}  // namespace dbusconn
