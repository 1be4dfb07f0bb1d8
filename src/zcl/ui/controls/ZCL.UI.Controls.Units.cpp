#include "zcl/ui/controls/ZCL.UI.Controls.Units.h"

#include "zcl/ui/controls/ZCL.UI.Controls.Buttons.h"
#include "zcl/ui/controls/ZCL.UI.Controls.ScrollBar.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.Columns.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.Options.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.ViewInfo.h"
#include "zcl/ui/controls/ZCL.UI.Menus.h"
#include "zcl/ui/controls/ZCL.UI.Edit.h"
#include "zcl/ui/controls/ZCL.UI.Edit.Text.h"
#include "zcl/ui/controls/ZCL.UI.Labels.h"
#include "zcl/ui/controls/ZCL.UI.CheckBoxes.h"
#include "zcl/ui/controls/ZCL.UI.Insight.h"
#include "zcl/ui/controls/ZCL.UI.Edit.DropDown.h"
#include "zcl/ui/controls/ZCL.UI.ComboBox.h"
#include "zcl/ui/controls/ZCL.UI.ComboBox.Check.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.h"
#include "zcl/ui/inspector/ZCL.UI.Controls.ObjectInspector.PropertyEditors.h"
#include "zcl/ui/inspector/ZCL.UI.Controls.ObjectInspector.h"

namespace {
const TUnit GZclControlsUnits[] = {
    {"ZCL.UI.Controls.Units", nullptr, nullptr},
    {"ZCL.UI.Controls.Buttons", RegisterButtonClasses, nullptr},
    {"ZCL.UI.Controls.ScrollBar", RegisterScrollBarClasses, nullptr},
    {"ZCL.UI.TreeList.Options", RegisterTreeListOptionsClasses, nullptr},
    {"ZCL.UI.TreeList.Columns", RegisterTreeListColumnClasses, nullptr},
    {"ZCL.UI.TreeList.ViewInfo", RegisterTreeListViewInfoClasses, nullptr},
    {"ZCL.UI.Menus", RegisterMenuClasses, FinalizeMenus},
    {"ZCL.UI.Edit", RegisterEditClasses, nullptr},
    {"ZCL.UI.Edit.Text", RegisterTextEditClasses, nullptr},
    {"ZCL.UI.Insight", RegisterInsightClasses, FinalizeInsight},
    {"ZCL.UI.Labels", RegisterLabelClasses, nullptr},
    {"ZCL.UI.CheckBoxes", RegisterCheckBoxClasses, nullptr},
    {"ZCL.UI.Edit.DropDown", RegisterDropDownEditClasses, nullptr},
    {"ZCL.UI.ComboBox", RegisterComboBoxClasses, nullptr},
    {"ZCL.UI.ComboBox.Check", RegisterCheckComboBoxClasses, nullptr},
    {"ZCL.UI.TreeList", RegisterTreeListClasses, nullptr},
    {"ZCL.UI.Controls.ObjectInspector.PropertyEditors", RegisterPropertyEditorClasses, FinalizePropertyEditors},
    {"ZCL.UI.Controls.ObjectInspector", RegisterObjectInspectorClasses, nullptr},
};
}  // namespace

TUnitList ZclControlsUnits() { return GZclControlsUnits; }
