#include "zse/engine/ZSE.Engine.Units.h"

#include "zse/engine/ZSE.RenderBuffer.h"

namespace {
const TUnit GZseEngineUnits[] = {
    {"ZSE.Engine.Units", nullptr, nullptr},
    {"ZSE.RenderBuffer", nullptr, TZSERenderBuffer::Finalize},
};
}  // namespace

TUnitList ZseEngineUnits() { return GZseEngineUnits; }
