#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Strings.h"
#include "rtl/RTL.Units.h"
#include "rtl/RTL.Variant.h"
#include "zcl/base/ZCL.FileFormats.XML.h"

// Attribute values of stored documents read as typed values: the text (after a first line that
// is the "<Name>Type" word) is read as every type. Only a number that is not one and a malformed
// or out-of-range date raise; a date that parses prints as a text that parses to the same date.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = (InitializeUnits(RtlUnits()), true);
  (void)initialized;
  const std::string_view input(reinterpret_cast<const char*>(Data), Size);
  const size_t newline = input.find('\n');
  const String type = newline == std::string_view::npos ? String() : UTF8ToString(input.substr(0, newline));
  const String text = UTF8ToString(newline == std::string_view::npos ? input : input.substr(newline + 1));

  TZCLXMLAttributes attributes;
  attributes.AddString(u"v", text);
  attributes.AddString(u"vType", type);
  (void)attributes.GetValueAsInteger(u"v", 3);
  (void)attributes.GetValueAsInt64(u"v", -3);
  (void)attributes.GetValueAsBoolean(u"v", true);
  (void)attributes.GetValueAsDefaultBoolean(u"v");
  (void)attributes.GetValueAsRect(u"v");
  (void)attributes.GetValueAsSize(u"v");
  try {
    (void)attributes.GetValueAsFloat(u"v", 1.5);
  } catch (const EConvertError&) {
  }
  try {
    (void)attributes.GetValueAsDateTime(u"v", 2.0);
  } catch (const EConvertError&) {
  } catch (const EZCLXMLUnexpectedToken&) {
  }
  try {
    (void)attributes.GetValueAsVariant(u"v");
  } catch (const EConvertError&) {
  } catch (const EVariantError&) {
  } catch (const EZCLXMLUnexpectedToken&) {  // a malformed value of type "Date"
  }

  TZCLXMLDateTime date;
  try {
    date = TZCLXMLDateTime::Parse(text);
  } catch (const EZCLXMLUnexpectedToken&) {
    return 0;
  } catch (const EConvertError&) {
    return 0;  // an offset or a carried second needs the fields in range
  }
  const TZCLXMLDateTime again = TZCLXMLDateTime::Parse(date.ToString());
  if (again.ToString() != date.ToString()) std::abort();
  return 0;
}
