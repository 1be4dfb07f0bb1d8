#pragma once
// The files under resources/ are compiled into the program (see resources/README.md).
// TResourceStream reads them; this is the raw table underneath.

#include <cstddef>

#include "rtl/RTL.Types.h"

struct TEmbeddedResource {
  const char* Type;  // upper case: "RCDATA", "BITMAP", "CURSOR", ...
  const char* Name;  // upper case
  const unsigned char* Data;
  size_t Size;
};

// Generated at build time from resources/.
const TEmbeddedResource* EmbeddedResourceTable(size_t& Count);

// Finds a resource by name and type, ignoring case; null when there is none.
const TEmbeddedResource* FindEmbeddedResource(StringView Name, StringView Type);
