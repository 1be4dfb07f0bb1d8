#include "zeph/media/ZEPH.FileInfo.Formatter.Service.h"

#include "rtl/RTL.Threads.h"
#include "zeph/core/ZEPH.Core.Adapters.h"
#include "zeph/core/ZEPH.Core.Objects.h"
#include "zeph/core/ZEPH.Core.h"
#include "zeph/media/ZEPH.FileInfo.Formatter.Legend.h"
#include "zeph/media/ZEPH.FileInfo.Formatter.h"

HRESULT TZEPHFileInfoFormatterService::Format(IZEPHString* Template, IZEPHFileInfo* Info, Integer FactoryIndex,
                                              IInterface*, IPtr<IZEPHString>& Result) {
  Result = nullptr;
  try {
    if (!Template) return E_INVALIDARG;
    TZBLFileInfoFormatStringFactory* factory = nullptr;
    if (!FindFormatterFactory(FactoryIndex, Info == nullptr, factory)) return E_INVALIDARG;
    String text;
    if (Info) {
      IPtr<IZEPHFileInfoInternal> internal;
      if (!Supports(Info, internal)) return E_INVALIDARG;
      TZEPHFileInfoFormatStringContext context;
      context.Setup(internal->GetRecord(), internal->GetIndex(), internal->GetTotal());
      text = VarToStr(factory->Evaluate(PluginStringToStr(Template), &context));
    } else {
      text = FormatPreview(PluginStringToStr(Template), factory);
    }
    Result = IPtr<IZEPHString>(static_cast<IZEPHString*>(Create<TZEPHStringAdapter>(text)));
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHFileInfoFormatterService::ShowMacrosLegend(const TRect& Rect, Integer FactoryIndex, IInterface* Listener) {
  if (!IsMainThread()) return E_ACCESSDENIED;
  try {
    TZBLFileInfoFormatStringFactory* factory = nullptr;
    if (!FindFormatterFactory(FactoryIndex, true, factory)) return E_INVALIDARG;
    TZEPHFileInfoFormatterLegend::Instance()->Popup(Rect, Listener, factory);
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

void RegisterFileInfoWithCore() {
  TZEPHCore* core = TZEPHCore::InstanceIfExists();
  if (!core) return;
  core->RegisterCreateObjectProc(IIDOf<IZEPHFileInfo>(), [](IPtr<IInterface>& Obj) {
    Obj = IPtr<IInterface>(static_cast<IZEPHFileInfo*>(Create<TZEPHFileInfoAdapter>()));
  });
  IPtr<IZEPHServiceFileInfoFormatter> service(Create<TZEPHFileInfoFormatterService>());
  core->RegisterService(service.get());
}
