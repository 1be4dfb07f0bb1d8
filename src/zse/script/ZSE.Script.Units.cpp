#include "zse/script/ZSE.Script.Units.h"

#include "zse/script/ZSE.Script.Compiler.h"
#include "zse/script/ZSE.Script.Host.h"
#include "zse/script/ZSE.Script.Program.h"
#include "zse/script/ZSE.Script.Skin.h"

namespace {
const TUnit GZseScriptUnits[] = {
    {"ZSE.Script.Units", nullptr, nullptr},
    {"ZSE.Script.Compiler", nullptr, TzsGramma::Finalize},
    {"ZSE.Script.Program", ZsRuntimeInitialize, ZsRuntimeFinalize},
    {"ZSE.Script.Host", RegisterScriptHostModule, nullptr},
    {"ZSE.Script.Skin", ScriptSkinInitialize, ScriptSkinFinalize},
};
}  // namespace

TUnitList ZseScriptUnits() { return GZseScriptUnits; }
