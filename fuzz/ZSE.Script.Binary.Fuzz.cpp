#include <cstddef>
#include <cstdint>

#include "os/OS.Units.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zse/script/ZSE.Script.Program.h"
#include "zse/script/ZSE.Script.Units.h"
#include "zse/script/ZSE.Script.XML.h"

// A stored program (the bytes follow the "ZSXMLBIN" signature): it loads or fails cleanly, what
// loads saves and loads back to the same bytes, and building it into a program fails cleanly.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = (InitializeUnits(RtlUnits()), InitializeUnits(OsUnits()), InitializeUnits(VclUnits()),
                                   InitializeUnits(ZclBaseUnits()), InitializeUnits(ZseScriptUnits()), true);
  (void)initialized;
  TBytes bytes{'Z', 'S', 'X', 'M', 'L', 'B', 'I', 'N'};
  bytes.insert(bytes.end(), Data, Data + Size);
  TBytesStream input(bytes);
  TzsXMLDocument doc;
  if (!doc.TryLoadFromStream(&input)) return 0;
  TMemoryStream saved;
  doc.SaveToBinaryStream(&saved);
  saved.SetPosition(0);
  TzsXMLDocument back;
  back.LoadFromStream(&saved);
  TMemoryStream again;
  back.SaveToBinaryStream(&again);
  if (again.GetSize() != saved.GetSize()) __builtin_trap();

  input.SetPosition(0);
  TzsScript program(nullptr);
  program.SetParent(GlobalScriptProgram());
  try {
    program.SetILCode(&input);
  } catch (const Exception&) {
  }
  return 0;
}
