#include <cstddef>
#include <cstdint>
#include <memory>

#include "os/OS.Units.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zcl/ui/ZCL.UI.Units.h"
#include "zse/engine/ZSE.Engine.Units.h"
#include "zse/engine/ZSE.Skins.h"
#include "zse/formats/ZSE.Formats.Legacy.Packages.h"
#include "zse/formats/ZSE.Formats.Legacy.Units.h"
#include "zse/script/ZSE.Script.Units.h"

// The first byte picks the package reader; the rest is the package after its identity. A skin
// that loads is then converted as far as the older generations' converters take it.
namespace {
struct TFreeObject {
  void operator()(TObject* Obj) const { Free(Obj); }
};
template <class T>
using TOwned = std::unique_ptr<T, TFreeObject>;

TZSESkinFormatClass Reader(Byte Selector) {
  const TZSESkinFormatClass readers[] = {
      TZSESkinFormatZCS4::StaticClass(),    TZSESkinFormatZCS3v6::StaticClass(),  TZSESkinFormatZCS3v5::StaticClass(),
      TZSESkinFormatZCS3v2::StaticClass(),  TZSESkinFormatZCSPv33::StaticClass(), TZSESkinFormatZCSPv30::StaticClass(),
      TZSESkinFormatZCSPv3::StaticClass(),  TZSESkinFormatZCSPv2::StaticClass(),  TZSESkinFormatZCS3v1::StaticClass(),
      TZSESkinFormatZCSPv32::StaticClass(),
  };
  return readers[Selector % (sizeof(readers) / sizeof(readers[0]))];
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = (InitializeUnits(RtlUnits()), InitializeUnits(OsUnits()), InitializeUnits(VclUnits()),
                                   InitializeUnits(ZclBaseUnits()), InitializeUnits(ZclGraphicsUnits()),
                                   InitializeUnits(ZclUiUnits()), InitializeUnits(ZseEngineUnits()),
                                   InitializeUnits(ZseScriptUnits()), InitializeUnits(ZseFormatsLegacyUnits()), true);
  (void)initialized;
  if (Size == 0) return 0;
  const TZSESkinFormatClass reader = Reader(Data[0]);
  TOwned<TMemoryStream> input(Create<TMemoryStream>());
  if (Size > 1) input->WriteBuffer(Data + 1, static_cast<Integer>(Size - 1));

  TOwned<TZSESkinDetails> details(Create<TZSESkinDetails>());
  try {
    input->SetPosition(0);
    reader->LoadDetails(input.get(), details.get());
  } catch (const Exception&) {
  }
  TOwned<TZSESkin> skin(Create<TZSESkin>());
  try {
    input->SetPosition(0);
    reader->Load(input.get(), skin.get(), nullptr);
  } catch (const Exception&) {
    return 0;
  }
  // Every file's window must be readable as far as its size says.
  TZSESkinFiles* files = skin->GetFiles();
  for (Integer i = 0; i < files->GetCount(); ++i) {
    const IPtr<IZCLStreamContainer> data = files->GetItem(i)->GetData();
    if (!data) continue;
    TStream* stream = data->LockStream();
    TOwned<TMemoryStream> copy(Create<TMemoryStream>());
    copy->CopyFrom(stream, 0);
    data->UnlockStream();
    if (copy->GetSize() != data->GetSize()) __builtin_trap();
  }
  try {
    TZSESkinManager::UpgradeVersion(350, skin.get());
  } catch (const Exception&) {
  }
  return 0;
}
