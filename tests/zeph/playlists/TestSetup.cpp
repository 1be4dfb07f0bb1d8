#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Units.h"
#include "support/TestSupport.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zcl/ui/ZCL.UI.Units.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Units.h"
#include "zeph/media/ZEPH.Media.Units.h"
#include "zeph/playlists/ZEPH.Playlists.Units.h"

void ZephseTestSetup() {
  InitializeUnits(RtlUnits());
  InitializeUnits(OsUnits());
  InstallHeadlessBackend(THeadlessConfig::Single(96));
  InitializeUnits(VclUnits());
  InitializeUnits(ZclBaseUnits());
  InitializeUnits(ZclGraphicsUnits());
  InitializeUnits(ZclUiUnits());
  InitializeUnits(ZclControlsUnits());
  InitializeUnits(ZephMediaUnits());
  InitializeUnits(ZephPlaylistsUnits());
}
