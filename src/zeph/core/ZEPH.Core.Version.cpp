#include "zeph/core/ZEPH.Core.Version.h"

#include "rtl/RTL.DateTime.h"
#include "rtl/RTL.Numbers.h"
#include "zcl/base/ZCL.Utils.Strings.h"

namespace {
TZCLAppVersion AppVersion() { return TZCLAppVersion::Create(CoreVersionID(), CoreBuildNumber(), CoreBuildSuffix(), 0); }
}  // namespace

Integer CoreVersionID() { return 5400; }
Integer CoreBuildNumber() { return 1430; }
String CoreBuildSuffix() { return String(); }
Integer CoreBuildDate() { return 0x5C6153F9; }

String CoreVersionText() { return AppVersion().ToDisplayString(); }

String CoreBuildDateText() { return TZCLAppVersion::FormatBuildDate(FileDateToDateTime(CoreBuildDate()).Value); }

String CoreUserAgentPrefix() {
  return u"ZEPH/" + TZCLAppVersion::Create(CoreVersionID(), 0, u"", 0).ToString();
}
