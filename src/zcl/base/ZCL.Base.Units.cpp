#include "zcl/base/ZCL.Base.Units.h"

#include "zcl/base/ZCL.Expressions.Math.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/base/ZCL.ObjectLinks.h"
#include "zcl/base/ZCL.SimpleIPC.h"
#include "zcl/base/ZCL.Threading.h"
#include "zcl/base/ZCL.Threading.Pool.h"
#include "zcl/base/ZCL.Timers.h"
#include "zcl/base/ZCL.Utils.Date.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.FileSystem.Watcher.h"
#include "zcl/base/ZCL.Utils.Logger.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zcl/base/ZCL.Utils.Shell.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zcl/base/ZCL.Web.h"

namespace {
const TUnit GZclBaseUnits[] = {
    {"ZCL.Base.Units", nullptr, nullptr},
    {"ZCL.Threading", TZCLMultithreadedOperation::Initialize, TZCLMultithreadedOperation::Finalize},
    {"ZCL.Utils.Logger", TZCLLogger::Initialize, TZCLLogger::Finalize},
    {"ZCL.Utils.Strings", TZCLHexcode::InitializeTable,
     [] {
       TZCLStringBuilder::ClearPool();
       TZCLHexcode::FinalizeTable();
     }},
    {"ZCL.ObjectLinks", TZCLObjectLinks::Initialize, TZCLObjectLinks::Finalize},
    {"ZCL.Utils.Date", TZCLDateUtils::Initialize, nullptr},
    {"ZCL.Utils.Encodings", TZCLEncodings::Initialize, TZCLEncodings::Finalize},
    {"ZCL.FileFormats.INI", nullptr, TZCLEncodings::FreeCodePages},
    {"ZCL.MUI", detail::MUIInitialize, detail::MUIFinalize},
    {"ZCL.Utils.Messaging",
     [] {
       TZCLMessaging::Initialize();
       TZCLMainThread::Initialize();
     },
     [] {
       TZCLMainThread::Finalize();
       TZCLMessaging::Finalize();
     }},
    {"ZCL.SimpleIPC", TZCLIPCHub::Initialize, TZCLIPCHub::Finalize},
    {"ZCL.Utils.Shell", nullptr, TZCLShellFolder::FinalizeRoot},
    {"ZCL.Timers", TZCLTimerManager::Initialize, TZCLTimerManager::Finalize},
    {"ZCL.Utils.FileSystem.Watcher",
     [] {
       TZCLFileSystemWatcher::Initialize();
       TZCLDriveManager::Initialize();
     },
     [] {
       TZCLDriveManager::Finalize();
       TZCLFileSystemWatcher::Finalize();
     }},
    {"ZCL.Threading.Pool", nullptr, FreeTaskDispatcher},
    {"ZCL.Expressions.Math", nullptr, TZCLMathExpressionFactory::FinalizeInstance},
    {"ZCL.Web", TZCLWebSettings::Initialize, TZCLWebSettings::Finalize},
};
}

TUnitList ZclBaseUnits() { return GZclBaseUnits; }
