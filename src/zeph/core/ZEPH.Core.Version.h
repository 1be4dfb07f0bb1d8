#pragma once
// The version of the player build: constants and their text forms.

#include "rtl/RTL.Types.h"

Integer CoreVersionID();    // 5400: major = div 1000, minor = mod 1000 div 100, release = mod 100 div 10
Integer CoreBuildNumber();  // 1430
String CoreBuildSuffix();   // empty
Integer CoreBuildDate();    // packed file date-time
// "v5.40.1430"
String CoreVersionText();
// "(dd.MM.yyyy)"
String CoreBuildDateText();
// "ZEPH/5.40": the product token of the web user agent.
String CoreUserAgentPrefix();
