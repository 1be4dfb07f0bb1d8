#include "app/App.Startup.h"

#include <memory>

#include "os/OS.Files.h"
#include "zcl/base/ZCL.Parsers.h"
#include "zcl/base/ZCL.Utils.CommandLine.h"
#include "zcl/base/ZCL.Utils.Logger.h"

TEditorStartOptions ParseStartOptions(const String& Params) {
  TEditorStartOptions options;
  options.Debug = TZCLCommandLineProcessor::HasCommand(Params, u"DEBUG");
  std::unique_ptr<TZCLCommandLineProcessor::TCommands> commands(TZCLCommandLineProcessor::Parse(Params));
  // The file is the first parameter of no switch: a switch's own parameters follow "=".
  for (Integer i = 0; i < commands->GetCount(); ++i) {
    TZCLCommandLineProcessor::TCommand* command = commands->GetItem(i);
    if (!command->Name.empty() || command->GetCount() == 0) continue;
    options.FileName = command->GetStrings(0);
    RemoveQuotes(options.FileName);
    break;
  }
  return options;
}

String DebugLogFileName(const String& ModuleFileName) {
  return ExtractFilePath(ModuleFileName) + u"Profile/" + ChangeFileExt(ExtractFileName(ModuleFileName), u".log");
}

bool StartDebugLog(const String& LogFileName) {
  if (!ForceDirectories(ExtractFilePath(LogFileName))) return false;
  SetDefaultLogFile(LogFileName, DebugLogMaxSize);
  return true;
}
