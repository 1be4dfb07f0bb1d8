#include "os/OS.Files.h"
#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Units.h"
#include "support/TestSupport.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zcl/ui/ZCL.UI.Units.h"
#include "zeph/core/ZEPH.Core.Config.h"
#include "zeph/core/ZEPH.Core.Units.h"

void ZephseTestSetup() {
  InitializeUnits(RtlUnits());
  InitializeUnits(OsUnits());
  InstallHeadlessBackend(THeadlessConfig::Single(96));
  InitializeUnits(VclUnits());
  InitializeUnits(ZclBaseUnits());
  InitializeUnits(ZclGraphicsUnits());
  InitializeUnits(ZclUiUnits());
  InitializeUnits(ZephCoreUnits());
  // The core runs as the editor starts it, from a program folder of its own.
  const String program = UTF8ToString(TempDir()) + u"/program/";
  ForceDirectories(program);
  detail::CoreSetProgramFolder(program);
  CoreSetFolderCreationMask(ZEPH_FOLDERS_EDITOR);
  CoreInitialize();
}
