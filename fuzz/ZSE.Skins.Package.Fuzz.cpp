#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "os/OS.Units.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zcl/ui/ZCL.UI.Units.h"
#include "zse/engine/ZSE.Engine.Units.h"
#include "zse/engine/ZSE.Skins.Utils.h"
#include "zse/engine/ZSE.Skins.h"

namespace {
struct TFreeObject {
  void operator()(TObject* Obj) const { Free(Obj); }
};
template <class T>
using TOwned = std::unique_ptr<T, TFreeObject>;

bool SameBytes(TMemoryStream* A, TMemoryStream* B) {
  return A->GetSize() == B->GetSize() && std::memcmp(A->GetMemory(), B->GetMemory(), size_t(A->GetSize())) == 0;
}

// Packed data: whatever inflates packs and inflates back to the same bytes.
void Unpack(TMemoryStream* Input, std::optional<Cardinal> Key) {
  TOwned<TMemoryStream> plain;
  try {
    plain.reset(SkinPackageUnpack(Input, nullptr, Key, 0));
  } catch (const Exception&) {
    return;
  }
  TOwned<TMemoryStream> packed(Create<TMemoryStream>());
  SkinPackagePack(plain.get(), packed.get(), nullptr, Key);
  packed->SetPosition(0);
  TOwned<TMemoryStream> again(SkinPackageUnpack(packed.get(), nullptr, Key, plain->GetSize()));
  if (!SameBytes(plain.get(), again.get())) std::abort();
}

// The file set's stream form: what loads saves and loads back to the same bytes.
void FileSet(TMemoryStream* Input) {
  TOwned<TZSESkinFiles> files(Create<TZSESkinFiles>());
  try {
    files->LoadFromStream(Input);
  } catch (const Exception&) {
    return;
  }
  TOwned<TMemoryStream> first(Create<TMemoryStream>()), second(Create<TMemoryStream>());
  files->SaveToStream(first.get());
  first->SetPosition(0);
  TOwned<TZSESkinFiles> copy(Create<TZSESkinFiles>());
  copy->LoadFromStream(first.get());
  copy->SaveToStream(second.get());
  if (!SameBytes(first.get(), second.get())) std::abort();
}

void Details(TMemoryStream* Input) {
  TOwned<TZSESkinDetails> details(Create<TZSESkinDetails>());
  try {
    details->LoadFromStream(Input);
  } catch (const Exception&) {
    return;
  }
  TOwned<TMemoryStream> saved(Create<TMemoryStream>());
  details->SaveToStream(saved.get());
  saved->SetPosition(0);
  TOwned<TZSESkinDetails> copy(Create<TZSESkinDetails>());
  copy->LoadFromStream(saved.get());
  if (copy->GetName() != details->GetName() || copy->GetAuthor() != details->GetAuthor() ||
      copy->GetDescription() != details->GetDescription())
    std::abort();
}
}  // namespace

// Skin package data from outside: the first byte picks the reader (inflate without and with a
// key, the file set, the details, a font's family name), the rest is its input. Nothing but
// the documented exceptions may come out, and what loads round-trips.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = (InitializeUnits(RtlUnits()), InitializeUnits(OsUnits()), InitializeUnits(VclUnits()),
                                   InitializeUnits(ZclBaseUnits()), InitializeUnits(ZclGraphicsUnits()),
                                   InitializeUnits(ZclUiUnits()), InitializeUnits(ZseEngineUnits()), true);
  (void)initialized;
  if (Size == 0) return 0;
  TOwned<TMemoryStream> input(Create<TMemoryStream>());
  if (Size > 1) input->WriteBuffer(Data + 1, static_cast<Integer>(Size - 1));
  input->SetPosition(0);
  switch (Data[0] % 5) {
    case 0:
      Unpack(input.get(), std::nullopt);
      break;
    case 1:
      Unpack(input.get(), 0x1234ABCDu);
      break;
    case 2:
      FileSet(input.get());
      break;
    case 3:
      Details(input.get());
      break;
    default: {
      String name;
      if (TrueTypeGetFontName(input.get(), name) && input->GetPosition() != 0) std::abort();
      break;
    }
  }
  return 0;
}
