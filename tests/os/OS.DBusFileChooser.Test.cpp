// The desktop's file chooser over D-Bus against a private bus with a small stand-in portal.

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <thread>

#include "PrivateBus.h"
#include "os/backends/dbus/OS.DBusFileChooser.h"

namespace {

// The portal's side: answers OpenFile and SaveFile with a request path, then its Response.
class TPortal {
 public:
  struct TCall {
    std::string Method, Title;
    std::map<std::string, std::string> Options;  // key -> value as text ("true", folder bytes, ...)
  };
  uint32_t Code = 0;
  std::vector<std::string> Uris;
  std::string CurrentFilter;  // empty: none in the results

  explicit TPortal(const std::string& Address) : FConnection(Open(Address)) {
    if (!FConnection) return;
    DBusError error;
    dbus_error_init(&error);
    dbus_bus_request_name(FConnection, "org.freedesktop.portal.Desktop", DBUS_NAME_FLAG_DO_NOT_QUEUE, &error);
    dbus_error_free(&error);
    FThread = std::thread([this] {
      while (!FStop && dbus_connection_read_write(FConnection, 20))
        while (DBusMessage* m = dbus_connection_pop_message(FConnection)) {
          if (dbus_message_is_method_call(m, "org.freedesktop.portal.FileChooser", "OpenFile") ||
              dbus_message_is_method_call(m, "org.freedesktop.portal.FileChooser", "SaveFile"))
            Answer(m);
          dbus_message_unref(m);
        }
    });
  }
  ~TPortal() {
    FStop = true;
    if (FThread.joinable()) FThread.join();
    if (FConnection) CloseConnection(FConnection);
  }
  bool Ok() const { return FConnection != nullptr; }
  std::vector<TCall> Calls() {
    std::lock_guard lock(FLock);
    return FCalls;
  }

 private:
  static std::string Text(DBusMessageIter* V) {
    switch (dbus_message_iter_get_arg_type(V)) {
      case DBUS_TYPE_STRING: {
        const char* s = nullptr;
        dbus_message_iter_get_basic(V, &s);
        return s ? s : "";
      }
      case DBUS_TYPE_BOOLEAN: {
        dbus_bool_t b = false;
        dbus_message_iter_get_basic(V, &b);
        return b ? "true" : "false";
      }
      case DBUS_TYPE_ARRAY: {
        DBusMessageIter a;
        dbus_message_iter_recurse(V, &a);
        if (dbus_message_iter_get_arg_type(&a) == DBUS_TYPE_BYTE) {
          const char* bytes = nullptr;
          int n = 0;
          dbus_message_iter_get_fixed_array(&a, &bytes, &n);
          return std::string(bytes, bytes + n);
        }
        int count = 0;
        for (; dbus_message_iter_get_arg_type(&a) != DBUS_TYPE_INVALID; dbus_message_iter_next(&a)) ++count;
        return std::to_string(count);  // lists: their length
      }
      case DBUS_TYPE_STRUCT: {
        DBusMessageIter s;
        dbus_message_iter_recurse(V, &s);
        return Text(&s);  // a filter: its name
      }
      default:
        return "?";
    }
  }

  void Answer(DBusMessage* Call) {
    TCall call;
    call.Method = dbus_message_get_member(Call);
    DBusMessageIter it;
    dbus_message_iter_init(Call, &it);
    dbus_message_iter_next(&it);  // parent window
    call.Title = Text(&it);
    dbus_message_iter_next(&it);
    DBusMessageIter dict;
    dbus_message_iter_recurse(&it, &dict);
    for (; dbus_message_iter_get_arg_type(&dict) == DBUS_TYPE_DICT_ENTRY; dbus_message_iter_next(&dict)) {
      DBusMessageIter entry, value;
      dbus_message_iter_recurse(&dict, &entry);
      const std::string key = Text(&entry);
      dbus_message_iter_next(&entry);
      dbus_message_iter_recurse(&entry, &value);
      call.Options[key] = Text(&value);
    }
    {
      std::lock_guard lock(FLock);
      FCalls.push_back(call);
    }
    std::string sender = dbus_message_get_sender(Call) + 1;
    for (char& c : sender)
      if (c == '.') c = '_';
    const std::string path = "/org/freedesktop/portal/desktop/request/" + sender + "/" + call.Options["handle_token"];
    DBusMessage* reply = dbus_message_new_method_return(Call);
    const char* p = path.c_str();
    dbus_message_append_args(reply, DBUS_TYPE_OBJECT_PATH, &p, DBUS_TYPE_INVALID);
    dbus_connection_send(FConnection, reply, nullptr);
    dbus_message_unref(reply);

    DBusMessage* signal = dbus_message_new_signal(path.c_str(), "org.freedesktop.portal.Request", "Response");
    DBusMessageIter out, results;
    dbus_message_iter_init_append(signal, &out);
    dbus_message_iter_append_basic(&out, DBUS_TYPE_UINT32, &Code);
    dbus_message_iter_open_container(&out, DBUS_TYPE_ARRAY, "{sv}", &results);
    AddEntry(&results, "uris", "as", [&](DBusMessageIter* V) {
      DBusMessageIter list;
      dbus_message_iter_open_container(V, DBUS_TYPE_ARRAY, "s", &list);
      for (const std::string& uri : Uris) {
        const char* u = uri.c_str();
        dbus_message_iter_append_basic(&list, DBUS_TYPE_STRING, &u);
      }
      dbus_message_iter_close_container(V, &list);
    });
    if (!CurrentFilter.empty())
      AddEntry(&results, "current_filter", "(sa(us))", [&](DBusMessageIter* V) {
        DBusMessageIter s, patterns;
        dbus_message_iter_open_container(V, DBUS_TYPE_STRUCT, nullptr, &s);
        const char* name = CurrentFilter.c_str();
        dbus_message_iter_append_basic(&s, DBUS_TYPE_STRING, &name);
        dbus_message_iter_open_container(&s, DBUS_TYPE_ARRAY, "(us)", &patterns);
        dbus_message_iter_close_container(&s, &patterns);
        dbus_message_iter_close_container(V, &s);
      });
    dbus_message_iter_close_container(&out, &results);
    dbus_connection_send(FConnection, signal, nullptr);
    dbus_connection_flush(FConnection);
    dbus_message_unref(signal);
  }

  template <class F>
  static void AddEntry(DBusMessageIter* Dict, const char* Key, const char* Signature, F Fill) {
    DBusMessageIter entry, v;
    dbus_message_iter_open_container(Dict, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
    dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &Key);
    dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, Signature, &v);
    Fill(&v);
    dbus_message_iter_close_container(&entry, &v);
    dbus_message_iter_close_container(Dict, &entry);
  }

  DBusConnection* FConnection;
  std::thread FThread;
  std::atomic<bool> FStop{false};
  std::mutex FLock;
  std::vector<TCall> FCalls;
};

TFileChooserRequest OpenRequest() {
  TFileChooserRequest r;
  r.Title = u"Open skin";
  r.Folder = u"/data/skins/";
  r.Filters = {{u"Skins", u"*.zcs;*.zcs5"}, {u"All files", u"*.*"}};
  r.FilterIndex = 1;
  r.MultiSelect = true;
  return r;
}

TEST(DBusFileChooser, OpensThroughThePortalAndReadsTheAnswer) {
  TPrivateBus bus;
  if (bus.Address().empty()) GTEST_SKIP() << "dbus-daemon could not start";
  TPortal portal(bus.Address());
  ASSERT_TRUE(portal.Ok());
  portal.Uris = {"file:///data/skins/My%20Skin.zcs", "file:///data/skins/b.zcs5", "https://example.org/x"};
  portal.CurrentFilter = "All files";
  auto host = CreateDBusFileChooserHost(bus.Address());
  int kept = 0;
  TFileChooserRequest request = OpenRequest();
  request.KeepAlive = [&] { ++kept; };
  const TFileChooserAnswer answer = host->Run(request);
  EXPECT_EQ(answer.Outcome, TFileChooserOutcome::Chosen);
  EXPECT_EQ(answer.Files, (std::vector<String>{u"/data/skins/My Skin.zcs", u"/data/skins/b.zcs5"}));
  EXPECT_EQ(answer.FilterIndex, 2);
  const auto calls = portal.Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].Method, "OpenFile");
  EXPECT_EQ(calls[0].Title, "Open skin");
  EXPECT_EQ(calls[0].Options.at("multiple"), "true");
  EXPECT_EQ(calls[0].Options.at("filters"), "2");
  EXPECT_EQ(calls[0].Options.at("current_filter"), "Skins");
  EXPECT_EQ(calls[0].Options.at("current_folder"), std::string("/data/skins/\0", 13));

  // Saving proposes the name; a cancelled chooser answers so.
  portal.Code = 1;
  portal.Uris.clear();
  TFileChooserRequest save = OpenRequest();
  save.Save = true;
  save.FileName = u"new.zcs";
  EXPECT_EQ(host->Run(save).Outcome, TFileChooserOutcome::Cancelled);
  const auto after = portal.Calls();
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[1].Method, "SaveFile");
  EXPECT_EQ(after[1].Options.at("current_name"), "new.zcs");
  EXPECT_EQ(after[1].Options.count("multiple"), 0u);
}

TEST(DBusFileChooser, WithoutAPortalItIsUnavailable) {
  TPrivateBus bus;
  if (bus.Address().empty()) GTEST_SKIP() << "dbus-daemon could not start";
  EXPECT_EQ(CreateDBusFileChooserHost(bus.Address())->Run(OpenRequest()).Outcome, TFileChooserOutcome::Unavailable);
  EXPECT_EQ(CreateDBusFileChooserHost("unix:path=/nonexistent/bus")->Run(OpenRequest()).Outcome,
            TFileChooserOutcome::Unavailable);
}

TEST(DBusFileChooser, FileUris) {
  EXPECT_EQ(detail::FileUriToPath("file:///a%20b/c%2x"), "/a b/c%2x");
  EXPECT_EQ(detail::FileUriToPath("file://localhost/tmp/x"), "/tmp/x");
  EXPECT_EQ(detail::FileUriToPath("file://host/tmp/x"), "");
  EXPECT_EQ(detail::FileUriToPath("http:///x"), "");
  EXPECT_EQ(detail::FileUriToPath("file://"), "");
}

}  // namespace
