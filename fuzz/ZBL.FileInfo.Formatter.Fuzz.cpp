#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Units.h"
#include "zeph/media/ZBL.FileInfo.Formatter.h"

// Any file-information template compiles without raising (the factory keeps what came before a
// syntax error) and evaluates against the preview record or raises a plain exception. The first
// byte picks the context's flags and the reading of the rest.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = (InitializeUnits(RtlUnits()), true);
  (void)initialized;
  static TZBLFileInfoFormatStringFactory* factory = Create<TZBLFileInfoFormatStringFactory>();
  static TZBLFileInfoPreview* preview = Create<TZBLFileInfoPreview>();
  if (Size == 0) return 0;
  const uint8_t mode = Data[0];
  String text;
  if (mode & 1) {
    for (size_t i = 1; i + 1 < Size; i += 2) text += static_cast<Char>(Data[i] | (Data[i + 1] << 8));
  } else {
    for (size_t i = 1; i < Size; ++i) text += static_cast<Char>(Data[i]);
  }
  TZCLFormatString* format = nullptr;
  try {
    format = factory->CompileTemplate(text, (mode & 2) != 0);
  } catch (...) {
    std::abort();
  }
  TZBLFileInfoFormatStringContext context;
  context.Flags = static_cast<Byte>((mode >> 2) & 3);
  context.Setup(preview, mode >> 4, 12);
  try {
    (void)format->Evaluate(&context);
  } catch (const Exception&) {
  }
  Free(format);
  return 0;
}
