#pragma once
// The desktop's notification area over D-Bus: every tray icon is a StatusNotifierItem of its
// own bus connection, registered with the StatusNotifierWatcher; balloons are desktop
// notifications whose default action is the balloon click. Without a watcher the icons show
// nowhere and balloons are dropped; nothing fails.
//
// Only the program and the tests include this header.

#include <memory>
#include <string>

#include "os/OS.Tray.h"

// A tray host on the bus at Address (empty: the session bus of the environment); null when the
// bus cannot be reached.
std::unique_ptr<TTrayHost> CreateDBusTrayHost(const std::string& Address = std::string());
