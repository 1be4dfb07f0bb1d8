// zephse: the skin editor.
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "app/App.Startup.h"
#include "os/OS.Environment.h"
#include "os/OS.Messages.h"
#include "os/OS.System.h"
#include "os/OS.Units.h"
#include "os/OS.Windows.h"
#include "os/backends/OS.Backends.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.SyncObjs.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/base/ZCL.Utils.CommandLine.h"

namespace {

// Creates the main form and runs the message loop until it closes. The forms belong to the
// application and go with the units' finalisation.
void RunEditor(const TEditorStartOptions& Options) {
  (void)Options;  // FIXME: the start file is opened once the editor can open projects.
  Application->Initialize();
  Application->SetMainFormOnTaskBar(true);
  Application->SetTitle(u"ZEPHSE");
  TForm* mainForm = nullptr;
  Application->CreateForm(TForm::StaticClass(), mainForm);
  mainForm->SetCaption(u"ZEPHSE");
  mainForm->SetBounds(0, 0, 960, 640);
  mainForm->SetPosition(poScreenCenter);
  // For the program's own tests only: the main form is asked to close as soon as the loop runs,
  // through the same message a click on the window's close button sends.
  if (const char* close = std::getenv("ZEPHSE_TEST_CLOSE_AT_START"); close && *close == '1')
    PostMessage(mainForm->GetHandle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  Application->Run();
}

}  // namespace

int main(int argc, char** argv) {
  Exception::SetStackTraceCapture(true);
  InstallCrashHandler();
  int result = 0;
  try {
    InitializeUnits(RtlUnits());
    InitializeUnits(OsUnits());
    // The component library creates its hidden windows when its units start: a display backend
    // must be there first.
    String backendError;
    if (InstallDisplayBackendForProgram(backendError) == TDisplayBackendKind::None) {
      std::fprintf(stderr, "zephse: %s\n", StringToUTF8(backendError).c_str());
      FinalizeUnits();
      return 1;
    }
    InitializeUnits(VclUnits());
    InitializeUnits(ZclBaseUnits());
    TZCLCommandLineProcessor::SetCommandLine(argc, argv);
    const TEditorStartOptions options = ParseStartOptions(TZCLCommandLineProcessor::GetParams());
    if (options.Debug) {
      const String logFile = DebugLogFileName(GetModuleFileName());
      if (!StartDebugLog(logFile))
        std::fprintf(stderr, "zephse: cannot create the folder of the debug log %s\n", StringToUTF8(logFile).c_str());
    }
    RunEditor(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zephse: %s\n", e.what());
    result = 1;
  }
  FinalizeUnits();
  return result;
}
