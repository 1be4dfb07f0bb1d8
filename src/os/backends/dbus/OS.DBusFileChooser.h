#pragma once
// The desktop's file chooser over D-Bus (the portal's FileChooser interface). Only the program
// and the tests include this header.

#include <memory>
#include <string>

#include "os/OS.Dialogs.h"

// A file chooser host on the bus at Address (empty: the session bus of the environment). It
// answers Unavailable whenever the bus or the portal cannot be reached, so the program then
// shows its own dialog.
std::unique_ptr<TFileChooserHost> CreateDBusFileChooserHost(const std::string& Address = std::string());

namespace detail {
// "file:///a%20b" gives "/a b"; anything but a local file URI gives "".
std::string FileUriToPath(const std::string& Uri);
}  // namespace detail
