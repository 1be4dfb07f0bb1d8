#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "rtl/RTL.Objects.h"
#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.FileFormats.INI.h"

namespace {
struct TFreeObject {
  void operator()(TObject* Obj) const { Free(Obj); }
};

// The saved text without its byte-order mark; read back as text, so the parser alone is tested.
String Saved(TZCLIniFile& Ini) {
  TMemoryStream stream;
  Ini.SaveToStreamUTF16(&stream);
  const auto* bytes = static_cast<const uint8_t*>(stream.GetMemory());
  String text;
  for (Int64 i = 2; i + 1 < stream.GetSize(); i += 2) text += static_cast<Char>(bytes[i] | (bytes[i + 1] << 8));
  return text;
}
}  // namespace

// INI files from outside: any bytes load; the text saved loads into a file that saves the same
// text again, and every key reads back the value it had.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TMemoryStream input;
  if (Size > 0) input.WriteBuffer(Data, static_cast<Integer>(Size));
  input.SetPosition(0);
  std::unique_ptr<TZCLIniFile, TFreeObject> ini(TZCLIniFile::CreateInMemory());
  ini->LoadFromStream(&input);

  const String first = Saved(*ini);
  std::unique_ptr<TZCLIniFile, TFreeObject> again(TZCLIniFile::CreateInMemory());
  again->LoadFromText(first);
  if (Saved(*again) != first) std::abort();
  for (Integer s = 0; s < ini->GetSectionCount(); ++s) {
    const String section = ini->GetSectionName(s);
    TZCLStringList keys;
    ini->ReadKeys(section, &keys);
    for (Integer k = 0; k < keys.GetCount(); ++k)
      if (ini->ReadString(section, keys.GetStrings(k), u"") != again->ReadString(section, keys.GetStrings(k), u""))
        std::abort();
  }
  return 0;
}
