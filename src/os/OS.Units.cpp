#include "os/OS.Units.h"

#include "os/OS.Dialogs.h"
#include "os/OS.FileNotify.h"
#include "os/OS.Codecs.h"
#include "os/OS.Fonts.h"
#include "os/OS.Http.h"
#include "os/OS.Monitors.h"
#include "os/OS.Tray.h"
#include "os/OS.Windows.Internal.h"

namespace {
const TUnit GOsUnits[] = {
    {"OS.Units", nullptr, nullptr},
    {"OS.Http", detail::HttpInitialization, nullptr},
    {"OS.FileNotify", nullptr, detail::FileNotifyFinalization},
    {"OS.Monitors", detail::InitializeMonitors, detail::FinalizeMonitors},
    {"OS.Windows", detail::InitializeWindows, detail::FinalizeWindows},
    {"OS.Tray", nullptr, detail::TrayFinalization},
    {"OS.Dialogs", nullptr, detail::DialogsFinalization},
    {"OS.Fonts", FontsInitialization, FontsFinalization},
    {"OS.Codecs", nullptr, CodecsFinalization},
};
}

TUnitList OsUnits() { return GOsUnits; }
