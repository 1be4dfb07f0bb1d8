#pragma once
// The formatter service of plugins: a template evaluated for a plugin file-information object,
// or for the preview record when none is given. Never raises.

#include "rtl/RTL.Geometry.h"
#include "zeph/media/ZEPH.FileManager.Services.Adapters.h"

struct IZEPHServiceFileInfoFormatter : virtual IInterface {
  RTL_INTERFACE(IZEPHServiceFileInfoFormatter, IInterface, "{61C8E2B5-0F94-4A37-9D6E-2B5A7C1F8E03}")
  // FactoryIndex 0 is the shared player factory; Context is accepted and not used.
  virtual HRESULT Format(IZEPHString* Template, IZEPHFileInfo* Info, Integer FactoryIndex, IInterface* Context,
                         IPtr<IZEPHString>& Result) = 0;
};

struct IZEPHServiceFileInfoFormatterUtils : virtual IInterface {
  RTL_INTERFACE(IZEPHServiceFileInfoFormatterUtils, IInterface, "{61C8E2B5-0F94-4A37-9D6E-2B5A7C1F8E04}")
  // The macro legend of the factory's preview below the screen rectangle. Main thread only
  // (E_ACCESSDENIED); an unknown factory answers E_INVALIDARG.
  virtual HRESULT ShowMacrosLegend(const TRect& Rect, Integer FactoryIndex, IInterface* Listener) = 0;
};

class TZEPHFileInfoFormatterService : public TInterfacedObject,
                                      public IZEPHServiceFileInfoFormatter,
                                      public IZEPHServiceFileInfoFormatterUtils {
  ZCL_CLASS(TZEPHFileInfoFormatterService, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHServiceFileInfoFormatter, IZEPHServiceFileInfoFormatterUtils)
 public:
  HRESULT Format(IZEPHString* Template, IZEPHFileInfo* Info, Integer FactoryIndex, IInterface* Context,
                 IPtr<IZEPHString>& Result) override;
  HRESULT ShowMacrosLegend(const TRect& Rect, Integer FactoryIndex, IInterface* Listener) override;
};

// With the core running: new plugin file-information objects, and the formatter service.
void RegisterFileInfoWithCore();
