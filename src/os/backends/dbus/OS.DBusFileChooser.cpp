#include "os/backends/dbus/OS.DBusFileChooser.h"

#include <dbus/dbus.h>

#include <atomic>
#include <vector>

#include "os/backends/dbus/OS.DBus.Connection.h"
#include "rtl/RTL.Types.h"

namespace {

using dbusconn::AppendString;
using dbusconn::AppendVariant;

constexpr const char* PortalName = "org.freedesktop.portal.Desktop";
constexpr const char* PortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* ChooserInterface = "org.freedesktop.portal.FileChooser";
constexpr const char* RequestInterface = "org.freedesktop.portal.Request";
constexpr int CallTimeoutMs = 5000;
constexpr int PollMs = 50;

std::string U8(const String& S) { return StringToUTF8(S); }

// A glob the chooser understands: "*.*" means every file on this system.
std::string Glob(const std::string& Pattern) { return Pattern == "*.*" ? std::string("*") : Pattern; }

// (sa(us)): the filter's name and its glob patterns.
void AppendFilter(DBusMessageIter* It, const TFileChooserFilter& F) {
  DBusMessageIter entry, patterns;
  dbus_message_iter_open_container(It, DBUS_TYPE_STRUCT, nullptr, &entry);
  AppendString(&entry, U8(F.Name));
  dbus_message_iter_open_container(&entry, DBUS_TYPE_ARRAY, "(us)", &patterns);
  const std::string list = U8(F.Patterns);
  size_t start = 0;
  for (;;) {
    const size_t end = list.find(';', start);
    const std::string one = list.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!one.empty()) {
      DBusMessageIter pattern;
      dbus_message_iter_open_container(&patterns, DBUS_TYPE_STRUCT, nullptr, &pattern);
      dbus_uint32_t kind = 0;  // a glob
      dbus_message_iter_append_basic(&pattern, DBUS_TYPE_UINT32, &kind);
      AppendString(&pattern, Glob(one));
      dbus_message_iter_close_container(&patterns, &pattern);
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  dbus_message_iter_close_container(&entry, &patterns);
  dbus_message_iter_close_container(It, &entry);
}

// One a{sv} entry whose value AppendValue writes into the variant.
template <class F>
void AppendOption(DBusMessageIter* Dict, const char* Key, const char* Signature, F AppendValue) {
  DBusMessageIter entry, v;
  dbus_message_iter_open_container(Dict, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
  AppendString(&entry, Key);
  dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, Signature, &v);
  AppendValue(&v);
  dbus_message_iter_close_container(&entry, &v);
  dbus_message_iter_close_container(Dict, &entry);
}

void AppendOptions(DBusMessageIter* It, const TFileChooserRequest& R, const std::string& Token) {
  DBusMessageIter dict;
  dbus_message_iter_open_container(It, DBUS_TYPE_ARRAY, "{sv}", &dict);
  AppendOption(&dict, "handle_token", "s", [&](DBusMessageIter* V) { AppendString(V, Token); });
  AppendOption(&dict, "modal", "b", [&](DBusMessageIter* V) {
    dbus_bool_t b = true;
    dbus_message_iter_append_basic(V, DBUS_TYPE_BOOLEAN, &b);
  });
  if (!R.Save)
    AppendOption(&dict, "multiple", "b", [&](DBusMessageIter* V) {
      dbus_bool_t b = R.MultiSelect;
      dbus_message_iter_append_basic(V, DBUS_TYPE_BOOLEAN, &b);
    });
  if (!R.Filters.empty()) {
    AppendOption(&dict, "filters", "a(sa(us))", [&](DBusMessageIter* V) {
      DBusMessageIter list;
      dbus_message_iter_open_container(V, DBUS_TYPE_ARRAY, "(sa(us))", &list);
      for (const TFileChooserFilter& f : R.Filters) AppendFilter(&list, f);
      dbus_message_iter_close_container(V, &list);
    });
    if (R.FilterIndex >= 1 && size_t(R.FilterIndex) <= R.Filters.size())
      AppendOption(&dict, "current_filter", "(sa(us))",
                   [&](DBusMessageIter* V) { AppendFilter(V, R.Filters[size_t(R.FilterIndex) - 1]); });
  }
  if (R.Save && !R.FileName.empty())
    AppendOption(&dict, "current_name", "s", [&](DBusMessageIter* V) { AppendString(V, U8(R.FileName)); });
  if (!R.Folder.empty()) {
    // A byte string ending in a null byte.
    std::string folder = U8(R.Folder);
    AppendOption(&dict, "current_folder", "ay", [&](DBusMessageIter* V) {
      DBusMessageIter bytes;
      dbus_message_iter_open_container(V, DBUS_TYPE_ARRAY, "y", &bytes);
      const char* data = folder.c_str();
      dbus_message_iter_append_fixed_array(&bytes, DBUS_TYPE_BYTE, &data, int(folder.size() + 1));
      dbus_message_iter_close_container(V, &bytes);
    });
  }
  dbus_message_iter_close_container(It, &dict);
}

// The name of the filter a (sa(us)) value names.
std::string FilterName(DBusMessageIter* Variant) {
  DBusMessageIter s;
  if (dbus_message_iter_get_arg_type(Variant) != DBUS_TYPE_STRUCT) return std::string();
  dbus_message_iter_recurse(Variant, &s);
  if (dbus_message_iter_get_arg_type(&s) != DBUS_TYPE_STRING) return std::string();
  const char* name = nullptr;
  dbus_message_iter_get_basic(&s, &name);
  return name ? name : "";
}

// Reads the Response signal: (u code, a{sv} results).
TFileChooserAnswer ReadResponse(DBusMessage* M, const TFileChooserRequest& R) {
  TFileChooserAnswer answer;
  answer.Outcome = TFileChooserOutcome::Cancelled;
  DBusMessageIter it;
  if (!dbus_message_iter_init(M, &it) || dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_UINT32) return answer;
  dbus_uint32_t code = 2;
  dbus_message_iter_get_basic(&it, &code);
  if (code != 0 || !dbus_message_iter_next(&it) || dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_ARRAY)
    return answer;
  DBusMessageIter dict;
  dbus_message_iter_recurse(&it, &dict);
  std::string filter;
  for (; dbus_message_iter_get_arg_type(&dict) == DBUS_TYPE_DICT_ENTRY; dbus_message_iter_next(&dict)) {
    DBusMessageIter entry, value;
    dbus_message_iter_recurse(&dict, &entry);
    const char* key = nullptr;
    dbus_message_iter_get_basic(&entry, &key);
    dbus_message_iter_next(&entry);
    dbus_message_iter_recurse(&entry, &value);
    const std::string k = key ? key : "";
    if (k == "uris" && dbus_message_iter_get_arg_type(&value) == DBUS_TYPE_ARRAY) {
      DBusMessageIter uris;
      dbus_message_iter_recurse(&value, &uris);
      for (; dbus_message_iter_get_arg_type(&uris) == DBUS_TYPE_STRING; dbus_message_iter_next(&uris)) {
        const char* uri = nullptr;
        dbus_message_iter_get_basic(&uris, &uri);
        const std::string path = detail::FileUriToPath(uri ? uri : "");
        if (!path.empty()) answer.Files.push_back(UTF8ToString(path));
      }
    } else if (k == "current_filter") {
      filter = FilterName(&value);
    }
  }
  for (size_t i = 0; i < R.Filters.size(); ++i)
    if (U8(R.Filters[i].Name) == filter) {
      answer.FilterIndex = int(i) + 1;
      break;
    }
  if (!answer.Files.empty()) answer.Outcome = TFileChooserOutcome::Chosen;
  return answer;
}

class TDBusFileChooser : public TFileChooserHost {
 public:
  explicit TDBusFileChooser(std::string Address) : FAddress(std::move(Address)) {}

  TFileChooserAnswer Run(const TFileChooserRequest& R) override {
    DBusConnection* c = dbusconn::Connect(FAddress);
    if (!c) return TFileChooserAnswer();
    TFileChooserAnswer answer = Ask(c, R);
    dbusconn::Close(c);
    return answer;
  }

 private:
  static TFileChooserAnswer Ask(DBusConnection* C, const TFileChooserRequest& R) {
    static std::atomic<unsigned> counter{0};
    const std::string token = "zephse" + std::to_string(++counter);
    // The request object's path is known before the call, so no response can be missed.
    std::string sender = dbus_bus_get_unique_name(C) ? dbus_bus_get_unique_name(C) + 1 : "";
    for (char& ch : sender)
      if (ch == '.') ch = '_';
    std::string handle = std::string(PortalPath) + "/request/" + sender + "/" + token;
    DBusError error;
    dbus_error_init(&error);
    const std::string match = "type='signal',interface='" + std::string(RequestInterface) + "',member='Response'";
    dbus_bus_add_match(C, match.c_str(), &error);
    dbus_error_free(&error);

    DBusMessage* call =
        dbus_message_new_method_call(PortalName, PortalPath, ChooserInterface, R.Save ? "SaveFile" : "OpenFile");
    DBusMessageIter it;
    dbus_message_iter_init_append(call, &it);
    AppendString(&it, "");
    AppendString(&it, U8(R.Title));
    AppendOptions(&it, R, token);
    DBusMessage* reply = dbus_connection_send_with_reply_and_block(C, call, CallTimeoutMs, &error);
    dbus_message_unref(call);
    if (!reply) {
      dbus_error_free(&error);
      return TFileChooserAnswer();  // no portal: the caller shows its own dialog
    }
    const char* path = nullptr;
    if (dbus_message_get_args(reply, &error, DBUS_TYPE_OBJECT_PATH, &path, DBUS_TYPE_INVALID) && path)
      handle = path;  // older portals choose their own path
    dbus_error_free(&error);
    dbus_message_unref(reply);

    while (dbus_connection_read_write(C, PollMs)) {
      while (DBusMessage* m = dbus_connection_pop_message(C)) {
        const bool ours = dbus_message_is_signal(m, RequestInterface, "Response") && dbus_message_get_path(m) &&
                          handle == dbus_message_get_path(m);
        if (ours) {
          TFileChooserAnswer answer = ReadResponse(m, R);
          dbus_message_unref(m);
          return answer;
        }
        dbus_message_unref(m);
      }
      if (R.KeepAlive) R.KeepAlive();
    }
    TFileChooserAnswer lost;  // the bus went away while the chooser was open
    lost.Outcome = TFileChooserOutcome::Cancelled;
    return lost;
  }

  std::string FAddress;
};

int HexValue(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  return -1;
}

}  // namespace

std::unique_ptr<TFileChooserHost> CreateDBusFileChooserHost(const std::string& Address) {
  return std::make_unique<TDBusFileChooser>(Address);
}

namespace detail {
std::string FileUriToPath(const std::string& Uri) {
  const std::string scheme = "file://";
  if (Uri.compare(0, scheme.size(), scheme) != 0) return std::string();
  size_t start = scheme.size();
  if (Uri.compare(start, 9, "localhost") == 0) start += 9;
  if (start >= Uri.size() || Uri[start] != '/') return std::string();
  std::string path;
  for (size_t i = start; i < Uri.size(); ++i) {
    if (Uri[i] == '%' && i + 2 < Uri.size() && HexValue(Uri[i + 1]) >= 0 && HexValue(Uri[i + 2]) >= 0) {
      path += char(HexValue(Uri[i + 1]) * 16 + HexValue(Uri[i + 2]));
      i += 2;
    } else {
      path += Uri[i];
    }
  }
  return path;
}
}  // namespace detail
