#pragma once
// Process start and stop. Each unit that keeps process-wide state has an initialization and
// a finalization; each library lists its units in dependency order (RtlUnits(), OsUnits(), ...)
// and the program initializes the lists bottom-up before it does anything else:
//
//   InitializeUnits(RtlUnits());
//   InitializeUnits(OsUnits());
//   ...
//   FinalizeUnits();   // every initialized unit, in reverse order
//
// No unit relies on static constructors for state that another unit uses.

#include <span>

struct TUnit {
  const char* Name;
  void (*Initialization)();  // may be null
  void (*Finalization)();    // may be null
};

using TUnitList = std::span<const TUnit>;

// Runs the initialization of each unit of the list that has not run yet, in list order.
// If one raises, the units initialized by this call are finalized again and the exception
// propagates.
void InitializeUnits(TUnitList Units);
// Runs the finalization of every initialized unit, last initialized first.
void FinalizeUnits();
bool IsUnitInitialized(const char* Name);

TUnitList RtlUnits();
