// A visualization-style skin script: each frame (60 a second) it reads 1,000 spectrum values
// from the host, keeps falling peaks and sums a level. The same loop runs in Lua 5.4 for
// comparison; the time of one frame is what matters against the 16.7 ms a frame has.
#include <benchmark/benchmark.h>

#include <cmath>

extern "C" {
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
}

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zse/script/ZSE.Script.Skin.h"
#include "zse/script/ZSE.Script.Units.h"

namespace {

double SpectrumValue(Integer Index, Integer Frame) { return 0.5 + 0.5 * std::sin(Index * 0.01 + Frame * 0.1); }

const char16_t* const kScript =
    u"var peaks: array[1000] of Double; level: Double;\n"
    u"procedure Execute(var Frame: Integer);\n"
    u"var i: Integer; v: Double;\n"
    u"begin\n"
    u"  level := 0;\n"
    u"  for i := 0 to 999 do\n"
    u"  begin\n"
    u"    v := Spectrum(i, Frame);\n"
    u"    if v > peaks[i] then peaks[i] := v else peaks[i] := peaks[i] * 0.95;\n"
    u"    level := level + peaks[i];\n"
    u"  end;\n"
    u"  level := level / 1000;\n"
    u"  Frame := Frame + 1;\n"
    u"end;";

const char* const kLua =
    "peaks = {} for i = 0, 999 do peaks[i] = 0 end\n"
    "function execute(frame)\n"
    "  level = 0\n"
    "  for i = 0, 999 do\n"
    "    local v = spectrum(i, frame)\n"
    "    if v > peaks[i] then peaks[i] = v else peaks[i] = peaks[i] * 0.95 end\n"
    "    level = level + peaks[i]\n"
    "  end\n"
    "  level = level / 1000\n"
    "  return frame + 1\n"
    "end\n";

void BM_SkinScriptFrame(benchmark::State& State) {
  // As the visualization handler does: a parent program of its own holds what it offers.
  TzsScript host(nullptr);
  host.SetParent(GlobalScriptProgram());
  TZSEScript script(nullptr);
  script.GetProgram()->SetParent(&host);
  host.AddMethod(u"function Spectrum(i, frame: Integer): Double", [](TObject*, TzsMethodHelper* c) {
    return Variant(SpectrumValue(c->GetVParam(0).AsInteger(), c->GetVParam(1).AsInteger()));
  });
  script.SetText(kScript);
  try {
    script.Compile();
  } catch (const Exception& e) {
    State.SkipWithError(e.what());
    return;
  }
  Integer frame = 0;
  for (auto _ : State) script.Execute(frame);
  State.SetItemsProcessed(State.iterations() * 1000);
}
BENCHMARK(BM_SkinScriptFrame);

int LuaSpectrum(lua_State* L) {
  lua_pushnumber(L,
                 SpectrumValue(static_cast<Integer>(lua_tointeger(L, 1)), static_cast<Integer>(lua_tointeger(L, 2))));
  return 1;
}

void BM_LuaFrame(benchmark::State& State) {
  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  lua_register(L, "spectrum", LuaSpectrum);
  if (luaL_dostring(L, kLua) != 0) {
    State.SkipWithError("the Lua script does not load");
    lua_close(L);
    return;
  }
  lua_Integer frame = 0;
  for (auto _ : State) {
    lua_getglobal(L, "execute");
    lua_pushinteger(L, frame);
    lua_call(L, 1, 1);
    frame = lua_tointeger(L, -1);
    lua_pop(L, 1);
  }
  State.SetItemsProcessed(State.iterations() * 1000);
  lua_close(L);
}
BENCHMARK(BM_LuaFrame);

}  // namespace

int main(int argc, char** argv) {
  InitializeUnits(RtlUnits());
  InitializeUnits(OsUnits());
  InstallHeadlessBackend(THeadlessConfig::Single(96));
  InitializeUnits(VclUnits());
  InitializeUnits(ZclBaseUnits());
  InitializeUnits(ZseScriptUnits());
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  FinalizeUnits();
  return 0;
}
