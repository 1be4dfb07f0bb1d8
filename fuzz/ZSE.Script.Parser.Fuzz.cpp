#include <cstddef>
#include <cstdint>
#include <string_view>

#include "os/OS.Units.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zse/script/ZSE.Script.Program.h"
#include "zse/script/ZSE.Script.Statements.h"
#include "zse/script/ZSE.Script.Units.h"

// Any text either compiles or fails with an exception; a program that compiles runs under a
// short budget and ends the same way.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = (InitializeUnits(RtlUnits()), InitializeUnits(OsUnits()), InitializeUnits(VclUnits()),
                                   InitializeUnits(ZclBaseUnits()), InitializeUnits(ZseScriptUnits()), true);
  (void)initialized;
  const String source = UTF8ToString(std::string_view(reinterpret_cast<const char*>(Data), Size));
  TzsScript program(nullptr);
  program.SetParent(GlobalScriptProgram());
  program.SetSourceCode(source);
  try {
    program.Compile();
  } catch (const Exception&) {
    return 0;
  }
  const Int64 previous = TzsRunLimits::SetBudget(20);
  try {
    program.GetStatement()->Execute();
  } catch (const Exception&) {
  }
  TzsRunLimits::RestoreBudget(previous);
  return 0;
}
