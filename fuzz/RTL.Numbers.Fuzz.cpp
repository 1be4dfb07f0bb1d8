#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "rtl/RTL.FormatSettings.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Types.h"

// Number parsing never crashes, and what it accepts prints and reads back to the same value.
// The first byte picks the settings (dot or comma decimal separator) and a value for the
// picture formats; the rest is the text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size == 0 || Size > 512) return 0;
  TFormatSettings settings = TFormatSettings::Invariant();
  if (Data[0] & 1) {
    settings.DecimalSeparator = u',';
    settings.ThousandSeparator = u'.';
  }
  const String text = UTF8ToString(std::string_view(reinterpret_cast<const char*>(Data + 1), Size - 1));

  Integer i = 0;
  if (TryStrToInt(text, i) && StrToInt(IntToStr(i)) != i) std::abort();
  Int64 i64 = 0;
  if (TryStrToInt64(text, i64) && StrToInt64(IntToStr(i64)) != i64) std::abort();
  UInt64 u64 = 0;
  if (TryStrToUInt64(text, u64) && StrToUInt64(UIntToStr(u64)) != u64) std::abort();

  double d = 0;
  if (TryStrToFloat(text, d, settings) && std::isfinite(d)) {
    const String shown = FloatToStrF(d, ffGeneral, 17, 0, settings);
    if (StrToFloat(shown, settings) != d) std::abort();
    FloatToStr(d, settings);
    FloatToStrF(d, ffNumber, 15, 4, settings);
    FloatToStrF(d, ffCurrency, 15, 2, settings);
  }
  Single f = 0;
  TryStrToFloat(text, f, settings);

  // The text as a picture format.
  const double values[] = {0, -1234.5678, 0.000123, 9.87e250, static_cast<double>(Data[0]) - 128};
  for (double v : values) FormatFloat(text, v, settings);
  return 0;
}
