#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Units.h"
#include "support/TestSupport.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zeph/media/ZEPH.Media.Units.h"
#include "zeph/playlists/ZEPH.Playlists.Units.h"

void ZephseTestSetup() {
  InitializeUnits(RtlUnits());
  InitializeUnits(OsUnits());
  InstallHeadlessBackend(THeadlessConfig::Single(96));
  InitializeUnits(VclUnits());
  InitializeUnits(ZclBaseUnits());
  InitializeUnits(ZclGraphicsUnits());
  InitializeUnits(ZephMediaUnits());
  InitializeUnits(ZephPlaylistsUnits());
}

// The peer parser leaks small strings of its own (through GLib and libxml2, whose frames the fast
// unwinder cannot follow); only this program links it.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libtotem-plparser.so\nleak:g_malloc\nleak:xmlStrcat\n";
}
