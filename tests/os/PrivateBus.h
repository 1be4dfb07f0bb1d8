#pragma once
// A private D-Bus message bus for the tests of the D-Bus hosts, and plain connections to it.

#include <dbus/dbus.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// A private message bus; Address stays empty when the daemon cannot start.
class TPrivateBus {
 public:
  TPrivateBus() {
    char dir[] = "/tmp/zephse-bus-XXXXXX";
    if (!mkdtemp(dir)) return;
    FDir = dir;
    const std::string config = FDir + "/bus.conf";
    std::ofstream(config) << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                             " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                             "<busconfig><type>session</type><listen>unix:dir="
                          << FDir
                          << "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\" "
                             "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n";
    const std::string configArg = "--config-file=" + config;  // made before fork: the child only execs
    int out[2];
    if (pipe(out) != 0) return;
    FPid = fork();
    if (FPid == 0) {
      dup2(out[1], 1);
      if (int quiet = open("/dev/null", O_WRONLY); quiet >= 0) dup2(quiet, 2);  // its warnings are not ours
      close(out[0]);
      close(out[1]);
      execlp("dbus-daemon", "dbus-daemon", "--nofork", "--nopidfile", "--print-address=1", configArg.c_str(),
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(out[1]);
    if (FPid < 0) {
      close(out[0]);
      return;
    }
    FILE* in = fdopen(out[0], "r");
    char line[512] = {};
    if (in && fgets(line, sizeof line, in)) {
      FAddress = line;
      while (!FAddress.empty() && (FAddress.back() == '\n' || FAddress.back() == '\r')) FAddress.pop_back();
    }
    if (in) fclose(in);
  }
  ~TPrivateBus() {
    if (FPid > 0) {
      kill(FPid, SIGTERM);
      waitpid(FPid, nullptr, 0);
    }
    std::error_code ignored;
    if (!FDir.empty()) std::filesystem::remove_all(FDir, ignored);
  }
  const std::string& Address() const { return FAddress; }

 private:
  pid_t FPid = -1;
  std::string FDir;
  std::string FAddress;
};

inline DBusConnection* Open(const std::string& Address) {
  DBusError error;
  dbus_error_init(&error);
  DBusConnection* c = dbus_connection_open_private(Address.c_str(), &error);
  if (c && !dbus_bus_register(c, &error)) {
    dbus_connection_close(c);
    dbus_connection_unref(c);
    c = nullptr;
  }
  dbus_error_free(&error);
  return c;
}

inline void CloseConnection(DBusConnection* C) {
  dbus_connection_close(C);
  dbus_connection_unref(C);
}

}  // namespace
