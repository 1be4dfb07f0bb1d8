#include "zcl/ui/ZCL.UI.Units.h"

#include "zcl/ui/ZCL.UI.Application.h"
#include "zcl/ui/ZCL.UI.DragDrop.Target.h"
#include "zcl/ui/ZCL.UI.Resources.Collection.h"
#include "zcl/ui/ZCL.UI.Resources.h"
#include "zcl/ui/ZCL.UI.Style.h"

namespace {
const TUnit GZclUiUnits[] = {
    {"ZCL.UI.Units", nullptr, nullptr},
    {"ZCL.UI.Application", TZCLApplication::Initialize, TZCLApplication::Finalize},
    {"ZCL.UI.Resources", TZCLResourceClassRepository::Initialize, TZCLResourceClassRepository::Finalize},
    {"ZCL.UI.Resources.Collection", TZCLRootResourceCollection::Initialize, TZCLRootResourceCollection::Finalize},
    {"ZCL.UI.Style", RegisterStyleClasses, nullptr},
    {"ZCL.UI.DragDrop.Target", RegisterDropTargetClasses, nullptr},
};
}  // namespace

TUnitList ZclUiUnits() { return GZclUiUnits; }
