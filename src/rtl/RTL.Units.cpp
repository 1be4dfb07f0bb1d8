#include "rtl/RTL.Units.h"

#include <cstring>
#include <vector>

#include "rtl/RTL.Classes.h"
#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.FormatSettings.h"
#include "rtl/RTL.Objects.h"
#include "rtl/RTL.TypInfo.h"
#include "rtl/RTL.SyncObjs.h"
#include "rtl/RTL.Threads.h"

namespace {
std::vector<const TUnit*>& Initialized() {
  static std::vector<const TUnit*> list;
  return list;
}

// The run-time library's own units, in dependency order.
const TUnit GRtlUnits[] = {
    {"RTL.Types", nullptr, nullptr},
    {"RTL.Objects", detail::ObjectsInitialization, detail::ObjectsFinalization},
    {"RTL.TypInfo", detail::TypInfoInitialization, detail::TypInfoFinalization},
    {"RTL.FormatSettings", detail::InitFormatSettingsUnit, detail::FinFormatSettingsUnit},
    {"RTL.Encoding", nullptr, detail::EncodingFinalization},
    {"RTL.Threads", detail::ThreadsInitialization, detail::ThreadsFinalization},
    {"RTL.SyncObjs", detail::SyncObjsInitialization, detail::SyncObjsFinalization},
    {"RTL.Classes", detail::ClassesInitialization, nullptr},
};
}  // namespace

bool IsUnitInitialized(const char* Name) {
  for (const TUnit* unit : Initialized())
    if (std::strcmp(unit->Name, Name) == 0) return true;
  return false;
}

void InitializeUnits(TUnitList Units) {
  auto& done = Initialized();
  const size_t mark = done.size();
  try {
    for (const TUnit& unit : Units) {
      if (IsUnitInitialized(unit.Name)) continue;
      if (unit.Initialization) unit.Initialization();
      done.push_back(&unit);
    }
  } catch (...) {
    while (done.size() > mark) {
      const TUnit* unit = done.back();
      done.pop_back();
      if (unit->Finalization) unit->Finalization();
    }
    throw;
  }
}

void FinalizeUnits() {
  auto& done = Initialized();
  while (!done.empty()) {
    const TUnit* unit = done.back();
    done.pop_back();
    if (unit->Finalization) unit->Finalization();
  }
}

TUnitList RtlUnits() { return GRtlUnits; }
