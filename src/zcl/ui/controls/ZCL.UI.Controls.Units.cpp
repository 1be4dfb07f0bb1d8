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
#include "zcl/ui/controls/ZCL.UI.Edit.Spin.h"
#include "zcl/ui/controls/ZCL.UI.ColorPalette.h"
#include "zcl/ui/controls/ZCL.UI.ColorPicker.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Slider.h"
#include "zcl/ui/controls/ZCL.UI.Memo.h"
#include "zcl/ui/controls/ZCL.UI.Panels.h"
#include "zcl/ui/controls/ZCL.UI.ScrollBox.h"
#include "zcl/ui/controls/ZCL.UI.AeroPeek.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.h"

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
    {"ZCL.UI.Edit.Spin", RegisterSpinEditClasses, nullptr},
    {"ZCL.UI.ColorPalette", RegisterColorPaletteClasses, nullptr},
    {"ZCL.UI.ColorPicker", RegisterColorPickerClasses, nullptr},
    {"ZCL.UI.Controls.Slider", RegisterSliderClasses, nullptr},
    {"ZCL.UI.Panels", RegisterPanelClasses, nullptr},
    {"ZCL.UI.ScrollBox", RegisterScrollBoxClasses, nullptr},
    {"ZCL.UI.Memo", RegisterMemoClasses, nullptr},
    {"ZCL.UI.AeroPeek", RegisterAeroPeekClasses, nullptr},
    {"ZCL.UI.Dialogs", RegisterDialogClasses, FinalizeDialogs},
};
}  // namespace

TUnitList ZclControlsUnits() { return GZclControlsUnits; }
