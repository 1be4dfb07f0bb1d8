#pragma once
// The tag library's core: cleaning of single values and multi-line texts shared by every tag format.

#include "rtl/RTL.Types.h"

// Text trimmed of characters up to 32 at both ends and cut at the first control character other
// than TAB, LF and CR (the zero padding of fixed-width fields ends the text).
String CleanValue(const String& Text);
// The lines of Text (split at CR LF, CR or LF), each trimmed of characters below 33 when TrimLines,
// each followed by CR LF.
String NormalizeLines(const String& Text, bool TrimLines);
