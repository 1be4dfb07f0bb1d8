// The leak suppressions of the sanitized test run (scripts/lsan.supp), built into every fuzz
// program: the process-wide caches of system libraries that the units start are not leaks, and a
// fuzz run needs no LSAN_OPTIONS to know it.

extern "C" const char* __lsan_default_suppressions() {
  return
#include "LeakSuppressions.inc"
      ;
}
