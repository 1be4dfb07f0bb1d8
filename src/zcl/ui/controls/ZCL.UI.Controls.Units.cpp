#include "zcl/ui/controls/ZCL.UI.Controls.Units.h"

#include "zcl/ui/controls/ZCL.UI.Controls.Buttons.h"
#include "zcl/ui/controls/ZCL.UI.Controls.ScrollBar.h"
#include "zcl/ui/controls/ZCL.UI.Controls.GroupBox.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Splitter.h"
#include "zcl/ui/controls/ZCL.UI.Controls.TabControl.h"
#include "zcl/ui/docking/ZCL.UI.Controls.Docking.h"
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
#include "zcl/ui/controls/ZCL.UI.Edit.Spin.h"
#include "zcl/ui/controls/ZCL.UI.ColorPalette.h"
#include "zcl/ui/controls/ZCL.UI.ColorPicker.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Slider.h"
#include "zcl/ui/controls/ZCL.UI.Memo.h"
#include "zcl/ui/controls/ZCL.UI.Panels.h"
#include "zcl/ui/controls/ZCL.UI.ScrollBox.h"
#include "zcl/ui/controls/ZCL.UI.AeroPeek.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.h"
#include "zcl/ui/controls/ZCL.UI.FormattedLabel.h"
#include "zcl/ui/controls/ZCL.UI.TrayIcon.h"
#include "zcl/ui/controls/ZCL.UI.MagnifierGlass.h"
#include "zcl/ui/controls/ZCL.UI.Insight.Button.h"
#include "zcl/ui/controls/ZCL.UI.Controls.ShellTreeView.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.FolderBrowser.h"
#include "zcl/ui/inspector/ZCL.UI.Controls.ObjectInspector.PropertyEditors.h"
#include "zcl/ui/inspector/ZCL.UI.Controls.ObjectInspector.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.ColorPicker.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.FontPicker.h"

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
    {"ZCL.UI.Edit.Spin", RegisterSpinEditClasses, nullptr},
    {"ZCL.UI.ColorPalette", RegisterColorPaletteClasses, nullptr},
    {"ZCL.UI.ColorPicker", RegisterColorPickerClasses, nullptr},
    {"ZCL.UI.Controls.Slider", RegisterSliderClasses, nullptr},
    {"ZCL.UI.Panels", RegisterPanelClasses, nullptr},
    {"ZCL.UI.ScrollBox", RegisterScrollBoxClasses, nullptr},
    {"ZCL.UI.Memo", RegisterMemoClasses, nullptr},
    {"ZCL.UI.Controls.GroupBox", RegisterGroupBoxClasses, nullptr},
    {"ZCL.UI.Controls.Splitter", RegisterSplitterClasses, nullptr},
    {"ZCL.UI.Controls.TabControl", RegisterTabControlClasses, nullptr},
    {"ZCL.UI.Controls.Docking", RegisterDockingClasses, nullptr},
    {"ZCL.UI.AeroPeek", RegisterAeroPeekClasses, nullptr},
    {"ZCL.UI.Dialogs", RegisterDialogClasses, FinalizeDialogs},
    {"ZCL.UI.FormattedLabel", RegisterFormattedLabelClasses, nullptr},
    {"ZCL.UI.TrayIcon", RegisterTrayIconClasses, nullptr},
    {"ZCL.UI.MagnifierGlass", RegisterMagnifierGlassClasses, nullptr},
    {"ZCL.UI.Insight.Button", RegisterInsightButtonClasses, nullptr},
    {"ZCL.UI.Controls.ShellTreeView", RegisterShellTreeViewClasses, nullptr},
    {"ZCL.UI.Dialogs.FolderBrowser", InitializeFolderBrowser, FinalizeFolderBrowser},
    {"ZCL.UI.Controls.ObjectInspector.PropertyEditors", RegisterPropertyEditorClasses, FinalizePropertyEditors},
    {"ZCL.UI.Controls.ObjectInspector", RegisterObjectInspectorClasses, nullptr},
    {"ZCL.UI.Dialogs.ColorPicker", RegisterColorPickerDialogClasses, FinalizeColorPickerDialog},
    {"ZCL.UI.Dialogs.FontPicker", RegisterFontPickerDialogClasses, FinalizeFontPickerDialog},
};
}  // namespace

TUnitList ZclControlsUnits() { return GZclControlsUnits; }
