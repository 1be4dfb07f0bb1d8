#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "rtl/RTL.Units.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zeph/core/ZEPH.Core.Objects.h"

// Configuration objects as plugins use them: INI text from outside, then key paths, values and
// patterns taken from the same bytes. No operation raises; a stream written under a valid key reads
// back the same bytes; a key path splits the same way every time.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = (InitializeUnits(RtlUnits()), true);
  (void)initialized;
  String text;
  for (size_t i = 0; i + 1 < Size; i += 2) text += static_cast<Char>(Data[i] | (Data[i + 1] << 8));
  const size_t cut = text.find(u'\x1F');
  const String iniText = text.substr(0, cut);
  const String rest = cut == String::npos ? String() : text.substr(cut + 1);

  TZCLIniFile* ini = TZCLIniFile::CreateInMemory();
  ini->LoadFromText(iniText);
  IPtr<IZEPHConfig> config(Create<TZEPHConfigAdapter>(ini, soOwned));
  IPtr<IZEPHString> path(Create<TZEPHStringAdapter>(rest));

  String section, key;
  bool hasKey = false;
  const bool valid = TZEPHCustomConfigAdapter::SplitKeyPath(rest, section, key, hasKey);
  String section2, key2;
  bool hasKey2 = false;
  if (TZEPHCustomConfigAdapter::SplitKeyPath(section + (hasKey ? u"\\" + key : String()), section2, key2, hasKey2) !=
          valid ||
      section2 != section || key2 != key)
    std::abort();

  Integer i32 = 0;
  Int64 i64 = 0;
  Double d = 0;
  IPtr<IZEPHString> s;
  IPtr<IZEPHStream> stream;
  config->GetValueAsInt32(path.get(), i32);
  config->GetValueAsInt64(path.get(), i64);
  config->GetValueAsFloat(path.get(), d);
  config->GetValueAsString(path.get(), s);
  config->GetValueAsStream(path.get(), stream);

  IPtr<IZEPHMemoryStream> bytes(Create<TZEPHMemoryStreamAdapter>());
  if (Size > 0) bytes->Write(Data, static_cast<Integer>(Size), nullptr);
  if (config->SetValueAsStream(path.get(), bytes.get()) == S_OK) {
    if (config->GetValueAsStream(path.get(), stream) != S_OK) std::abort();
    std::vector<uint8_t> back(Size + 1);
    if (stream->Read(back.data(), static_cast<Integer>(back.size())) != static_cast<Integer>(Size)) std::abort();
    for (size_t i = 0; i < Size; ++i)
      if (back[i] != Data[i]) std::abort();
  }
  config->Delete(path.get());

  // The same text as a string object searched and edited with patterns from the INI part.
  IPtr<IZEPHString> subject(Create<TZEPHStringAdapter>(iniText));
  Integer index = 0;
  for (Integer flags = 0; flags < 4; ++flags) {
    subject->Find(path.get(), index, flags, 0);
    if (index >= 0 && (rest.empty() || index >= subject->GetLength())) std::abort();
  }
  subject->Replace(path.get(), subject.get(), Size & 3);
  subject->ChangeCase(static_cast<Integer>(Size % 6));
  return 0;
}
