#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/App.Startup.h"

// The program's command line after its path, as UTF-16 units: any text gives start options whose
// file name is no longer than the text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  String text(Size / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<Char>(Data[2 * i] | (Data[2 * i + 1] << 8));
  const TEditorStartOptions options = ParseStartOptions(text);
  const String& name = options.FileName;
  if (name.size() > text.size()) std::abort();
  (void)DebugLogFileName(text);
  return 0;
}
