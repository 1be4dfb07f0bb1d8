#include "zse/engine/ZSE.Engine.Units.h"

#include "zse/engine/ZSE.Animations.h"
#include "zse/engine/ZSE.Bindings.h"
#include "zse/engine/ZSE.Expressions.h"
#include "zse/engine/ZSE.Layout.Containers.h"
#include "zse/engine/ZSE.Layout.h"
#include "zse/engine/ZSE.Manager.h"
#include "zse/engine/ZSE.RenderBuffer.h"
#include "zse/engine/ZSE.Resources.h"
#include "zse/engine/ZSE.Scene.h"
#include "zse/engine/ZSE.Schema.Adapters.h"
#include "zse/engine/ZSE.Schema.h"
#include "zse/engine/ZSE.Menus.h"
#include "zse/engine/ZSE.Forms.Utils.h"
#include "zse/engine/ZSE.Forms.h"
#include "zse/engine/ZSE.Skins.Theme.h"
#include "zse/engine/ZSE.Skins.h"
#include "zse/engine/ZSE.Types.h"
#include "zse/engine/ZSE.Visualizer.h"

namespace {
void ExpressionsInitialization() {
  TZSEExpressionGlobalVariables::Initialize();
  TZSEBindingLinkExpressionFactory::Initialize();
}

void ExpressionsFinalization() {
  TZSEBindingLinkExpressionFactory::Finalize();
  TZSEExpressionGlobalVariables::Finalize();
}

void FormsFinalization() {
  TZSEKeyboardSnapHelper::Finalize();
  TZSEGlobalStateController::Finalize();
}

const TUnit GZseEngineUnits[] = {
    {"ZSE.Engine.Units", nullptr, nullptr},
    {"ZSE.Types", nullptr, ZSETypesFinalize},
    {"ZSE.Expressions", ExpressionsInitialization, ExpressionsFinalization},
    {"ZSE.RenderBuffer", nullptr, TZSERenderBuffer::Finalize},
    {"ZSE.Skins", SkinsInitialize, SkinsFinalize},
    {"ZSE.Schema", SchemaInitialize, SchemaFinalize},
    {"ZSE.Schema.Adapters", SchemaAdaptersInitialize, SchemaAdaptersFinalize},
    {"ZSE.Bindings", BindingsInitialization, BindingsFinalization},
    {"ZSE.Resources", ZSEResourcesInitialize, ZSEResourcesFinalize},
    {"ZSE.Layout", ZSELayoutInitialize, ZSELayoutFinalize},
    {"ZSE.Scene", ZSESceneInitialize, ZSESceneFinalize},
    {"ZSE.Skins.Theme", RegisterSkinThemeClasses, nullptr},
    {"ZSE.Visualizer", nullptr, ZSEVisualizerFinalize},
    {"ZSE.Animations", ZSEAnimationsInitialize, nullptr},
    {"ZSE.Layout.Containers", ZSELayoutContainersInitialize, ZSELayoutContainersFinalize},
    {"ZSE.Manager", nullptr, ZSEManagerFinalize},
    {"ZSE.Menus", RegisterSkinMenuClasses, FinalizeSkinMenus},
    {"ZSE.Forms.Utils", nullptr, FinalizeFormUtils},
    {"ZSE.Forms", TZSEKeyboardSnapHelper::Initialize, FormsFinalization},
};
}  // namespace

TUnitList ZseEngineUnits() { return GZseEngineUnits; }
