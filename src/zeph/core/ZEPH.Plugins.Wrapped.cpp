#include "zeph/core/ZEPH.Plugins.Wrapped.h"

int32_t TZEPHCustomWrappedPlugin::QueryInterface(const ZEPHPluginGUID&, void** Obj) {
  if (Obj) *Obj = nullptr;
  return E_NOINTERFACE;
}

const char16_t* TZEPHCustomWrappedPlugin::GetInfo(int32_t Index) {
  switch (Index) {
    case 0:
      return InfoName.c_str();
    case 1:
      return InfoText1.c_str();
    case 2:
      return InfoText2.c_str();
    case 3:
      return InfoText3.c_str();
    default:
      return nullptr;
  }
}
