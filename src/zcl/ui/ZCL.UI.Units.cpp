#include "zcl/ui/ZCL.UI.Units.h"

#include "zcl/ui/ZCL.UI.Animation.h"
#include "zcl/ui/ZCL.UI.Application.h"
#include "zcl/ui/ZCL.UI.Controls.Base.h"
#include "zcl/ui/ZCL.UI.Controls.Utils.h"
#include "zcl/ui/ZCL.UI.Forms.h"
#include "zcl/ui/ZCL.UI.HintWindow.h"
#include "zcl/ui/ZCL.UI.ImageList.h"
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
    {"ZCL.UI.Animation", nullptr, TZCLAnimationManager::Finalize},
    {"ZCL.UI.Controls.Base", RegisterBaseControlClasses, TZCLMouseTracker::Finalize},
    {"ZCL.UI.ImageList", RegisterImageListClasses, nullptr},
    {"ZCL.UI.Forms", RegisterFormClasses, TZCLStayOnTopHelper::Finalize},
    {"ZCL.UI.HintWindow", RegisterHintClasses, nullptr},
    {"ZCL.UI.Controls.Utils", RegisterControlUtilsClasses, nullptr},
    {"ZCL.UI.DragDrop.Target", RegisterDropTargetClasses, nullptr},
};
}  // namespace

TUnitList ZclUiUnits() { return GZclUiUnits; }
