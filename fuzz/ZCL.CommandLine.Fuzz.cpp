#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "zcl/base/ZCL.Utils.CommandLine.h"

// Command lines from the outside: any text parses; no command keeps an empty or untrimmed
// parameter, and FindCommand agrees with the parsed list.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  String text(Size / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<Char>(Data[2 * i] | (Data[2 * i + 1] << 8));
  std::unique_ptr<TZCLCommandLineProcessor::TCommands> commands(TZCLCommandLineProcessor::Parse(text));
  for (Integer i = 0; i < commands->GetCount(); ++i) {
    const TZCLCommandLineProcessor::TCommand* command = commands->GetItem(i);
    for (Integer j = 0; j < command->GetCount(); ++j) {
      const String param = command->GetStrings(j);
      if (param.empty() || param.front() < 33 || param.back() < 33) std::abort();
    }
  }
  if (commands->GetCount() > 0) {
    String params;
    if (!TZCLCommandLineProcessor::FindCommand(text, commands->GetItem(0)->Name, params)) std::abort();
  }
  (void)commands->ToString();
  (void)TZCLCommandLineProcessor::GetParams(text);
  return 0;
}
