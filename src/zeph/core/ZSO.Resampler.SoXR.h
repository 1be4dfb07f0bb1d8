#pragma once
// Binds the sample-rate conversion library at start-up when the system has it. The library is
// loaded at run time, never linked, and stays loaded until the process ends.

#include "os/OS.Files.h"

// The entry points, null while unbound; their signatures are the library's own.
struct TZSOSoxrEntries {
  void* Create = nullptr;
  void* Delete = nullptr;
  void* Process = nullptr;
  void* QualitySpec = nullptr;
};

extern bool SoxrAvailable;
extern TZSOSoxrEntries SoxrEntries;

// "libsoxr.so.0"; tests bind other names through the seam.
String SoxrLibraryName();
// Loads Name and looks up the four entry points; SoxrAvailable is true only when all are there.
// Never reports a failure.
void SoxrBind(const String& Name);

class TZSOResamplerUnit {
 public:
  static void Initialize();
};
