#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "rtl/RTL.DateTime.h"
#include "rtl/RTL.FormatSettings.h"
#include "rtl/RTL.Variant.h"

// Dates, times and numbers typed by users, read from settings or skins: parsing either
// succeeds with a value inside the calendar or fails cleanly; text of any shape used as a
// date-time pattern or converted as a variant never does more than raise a conversion error.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 1) return 0;
  const uint8_t mode = Data[0];
  const String text = UTF8ToString(std::string_view(reinterpret_cast<const char*>(Data + 1), Size - 1));
  TFormatSettings settings = TFormatSettings::Invariant();
  if (mode & 0x10) {
    settings.ShortDateFormat = u"dd.MM.yy";
    settings.DateSeparator = u'.';
    settings.TimeSeparator = u'.';
  }
  switch (mode & 0x0F) {
    case 0: {
      TDateTime v;
      if (TryStrToDateTime(text, v, settings) && !(v.Value >= MinDateTime && v.Value <= MaxDateTime)) std::abort();
      break;
    }
    case 1: {
      TDateTime v;
      if (TryStrToTime(text, v, settings) && !(v.Value >= 0 && v.Value < 1)) std::abort();
      break;
    }
    case 2: {
      // The text as a pattern, on an ordinary date and on the edges of the calendar.
      for (double v : {45000.75, MinDateTime, MaxDateTime, -1.25, 0.0}) (void)FormatDateTime(text, v, settings);
      settings.ShortDateFormat = text;
      settings.LongTimeFormat = text;
      (void)DateTimeToStr(45000.75, settings);
      break;
    }
    default: {
      const Variant v(text);
      const TVarType targets[] = {varBoolean,  varInteger, varInt64, varUInt64, varDouble,
                                  varCurrency, varDate,    varByte,  varSingle};
      for (TVarType t : targets) {
        try {
          (void)VarAsType(v, t);
        } catch (const EVariantError&) {
        }
      }
      try {
        (void)VarCompareValue(v, Variant(1));
        (void)(v + Variant(1));
      } catch (const EVariantError&) {
      }
      break;
    }
  }
  return 0;
}
