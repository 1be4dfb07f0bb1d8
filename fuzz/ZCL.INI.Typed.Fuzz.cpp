#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "rtl/RTL.Objects.h"
#include "rtl/RTL.Streams.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.FileFormats.INI.h"

namespace {
struct TFreeObject {
  void operator()(TObject* Obj) const { Free(Obj); }
};
}  // namespace

// Settings files edited by hand: every key of any INI text is read as every type (number, flag,
// float, colour, rectangle, point, font, hexadecimal stream). A value that does not read as its
// type gives the default; a stream that does not decode is left as it was.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TMemoryStream input;
  if (Size > 0) input.WriteBuffer(Data, static_cast<Integer>(Size));
  input.SetPosition(0);
  std::unique_ptr<TZCLIniFile, TFreeObject> ini(TZCLIniFile::CreateInMemory());
  ini->LoadFromStream(&input);
  for (Integer s = 0; s < ini->GetSectionCount(); ++s) {
    TZCLIniFileSection* section = ini->GetSectionByIndex(s);
    const String name = ini->GetSectionName(s);
    TZCLStringList keys;
    ini->ReadKeys(name, &keys);
    for (Integer k = 0; k < keys.GetCount(); ++k) {
      const String key = keys.GetStrings(k);
      (void)section->ReadInteger(key, 7);
      (void)section->ReadBool(key, true);
      (void)section->ReadInt64(key, -7);
      (void)section->ReadFloat(key, 0.5);
      (void)ini->ReadColor(name, key, 0x123456);
      (void)ini->ReadRect(name, key);
      (void)ini->ReadPoint(name, key);
      TFont font;
      (void)ini->ReadFont(name, key, &font);
      TMemoryStream stream;
      stream.WriteBuffer("keep", 4);
      if (!ini->ReadStream(name, key, &stream) &&
          (stream.GetSize() != 4 || std::memcmp(stream.GetMemory(), "keep", 4) != 0))
        std::abort();
    }
  }
  return 0;
}
