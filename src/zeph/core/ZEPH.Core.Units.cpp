#include "zeph/core/ZEPH.Core.Units.h"

#include "zeph/core/ZEPH.Core.Actions.h"
#include "zeph/core/ZEPH.Core.Adapters.h"
#include "zeph/core/ZEPH.Core.Background.h"
#include "zeph/core/ZEPH.Core.Config.h"
#include "zeph/core/ZEPH.Core.DialogsData.h"
#include "zeph/core/ZEPH.Core.Hotkeys.h"
#include "zeph/core/ZEPH.Core.Images.h"
#include "zeph/core/ZEPH.Core.Objects.h"
#include "zeph/core/ZEPH.Core.Services.GUI.Controls.h"
#include "zeph/core/ZEPH.Core.Services.h"
#include "zeph/core/ZEPH.Core.UI.Forms.h"
#include "zeph/core/ZEPH.Core.UI.Menus.h"
#include "zeph/core/ZEPH.Core.UI.TreeList.h"
#include "zeph/core/ZEPH.Plugins.Old.h"
#include "zeph/core/ZEPH.Plugins.h"
#include "zeph/core/ZSO.DataAdapter.h"
#include "zeph/core/ZSO.Resampler.SoXR.h"

namespace {
const TUnit GZephCoreUnits[] = {
    {"ZEPH.Core.Config", nullptr,
     [] {
       CoreFinalize();
       detail::CoreConfigFinalize();
     }},
    {"ZEPH.Core.Objects", RegisterCoreObjectFactories, nullptr},
    {"ZEPH.Core.Adapters", AdaptersInitialize, AdaptersFinalize},
    {"ZEPH.Core.Services", ServicesInitialize, nullptr},
    {"ZEPH.Core.Images", RegisterImageFactories, nullptr},
    {"ZEPH.Core.Hotkeys", HotkeysInitialize, nullptr},
    {"ZEPH.Core.Actions", ActionsInitialize, ActionsFinalize},
    {"ZEPH.Core.DialogsData", DialogsDataInitialize, nullptr},
    {"ZEPH.Core.Background", BackgroundInitialize, BackgroundFinalize},
    {"ZEPH.Core.UI.TreeList", TreeListAdaptersInitialize, TreeListAdaptersFinalize},
    {"ZEPH.Core.UI.Forms", RegisterPluginFormClasses, nullptr},
    {"ZEPH.Core.Services.GUI.Controls", GUIControlsInitialize, GUIControlsFinalize},
    {"ZEPH.Core.UI.Menus", UIMenusInitialize, UIMenusFinalize},
    {"ZEPH.Plugins", nullptr, FreePluginManager},
    {"ZEPH.Plugins.Old", nullptr, TZEPHOldCoreUnit::Unregister},
    {"ZSO.DataAdapter", TZSODataAdapterUnit::Initialize, TZSODataAdapterUnit::Finalize},
    {"ZSO.Resampler.SoXR", TZSOResamplerUnit::Initialize, nullptr},
};
}  // namespace

TUnitList ZephCoreUnits() { return GZephCoreUnits; }
