// Property values as text from outside (skin files, scripts, the inspector): every published
// property of a test class is written from the input text. A write either succeeds or raises one
// of the library's exceptions, and what it stored reads back within the property's type.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "rtl/RTL.TypInfo.h"
#include "rtl/RTL.Units.h"
#include "rtl/RTL.Variant.h"

namespace {
enum TFuzzShade : Byte { fsLight, fsMedium, fsDark };
ZCL_ENUM(TFuzzShade, fsLight, fsMedium, fsDark);
using TFuzzShades = TSet<TFuzzShade>;

class TFuzzTarget : public TObject {
  ZCL_CLASS(TFuzzTarget, TObject)
 public:
  Integer FInt = 0;
  Cardinal FCard = 0;
  Byte FByte = 0;
  TFuzzShade FShade = fsLight;
  TFuzzShades FShades;
  bool FFlag = false;
  Char FChar = u'a';
  Double FReal = 0;
  Int64 FBig = 0;
  String FText;
  static void DeclareProperties(TClassDeclaration<TFuzzTarget>& D) {
    D.Property(u"Int", &TFuzzTarget::FInt, &TFuzzTarget::FInt);
    D.Property(u"Card", &TFuzzTarget::FCard, &TFuzzTarget::FCard);
    D.Property(u"Byte", &TFuzzTarget::FByte, &TFuzzTarget::FByte);
    D.Property(u"Shade", &TFuzzTarget::FShade, &TFuzzTarget::FShade);
    D.Property(u"Shades", &TFuzzTarget::FShades, &TFuzzTarget::FShades);
    D.Property(u"Flag", &TFuzzTarget::FFlag, &TFuzzTarget::FFlag);
    D.Property(u"Char", &TFuzzTarget::FChar, &TFuzzTarget::FChar);
    D.Property(u"Real", &TFuzzTarget::FReal, &TFuzzTarget::FReal);
    D.Property(u"Big", &TFuzzTarget::FBig, &TFuzzTarget::FBig);
    D.Property(u"Text", &TFuzzTarget::FText, &TFuzzTarget::FText);
  }
};

TFuzzTarget* Target() {
  static TFuzzTarget* target = [] {
    InitializeUnits(RtlUnits());
    RegisterProperties<TFuzzTarget>();
    return Create<TFuzzTarget>();
  }();
  return target;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TFuzzTarget* target = Target();
  const String text = UTF8ToString(std::string_view(reinterpret_cast<const char*>(Data), Size));
  for (PPropInfo p : GetPropList(target)) {
    try {
      SetPropValue(target, p, Variant(text));
    } catch (const Exception&) {
    }
    try {
      SetEnumProp(target, p, text);
    } catch (const Exception&) {
    }
    try {
      StringToSet(p->PropType, text);
    } catch (const Exception&) {
    }
  }
  if (static_cast<Integer>(target->FShade) > 2 || (target->FShades.ToInteger() & ~UInt64(7)) != 0) std::abort();
  if (GetEnumProp(target, u"Shade").empty()) std::abort();
  return 0;
}
